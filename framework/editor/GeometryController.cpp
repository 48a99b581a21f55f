#include "framework/editor/GeometryController.h"

GeometryController* GeometryController::sharedGeometryController() {
    return sharedInstance<GeometryController>();
}

GeometryController::GeometryController()
    : PaletteController(QStringLiteral("Geometry"), QSize(260, 150)) {}

QPoint GeometryController::defaultOrigin(const QRect& visibleFrame, const QSize& frameSize) const {
    // 116 points from the left, 10 above the bottom of the visible area.
    return {116, visibleFrame.y() + visibleFrame.height() - frameSize.height() - 10};
}
