#include "framework/editor/InspectorController.h"

InspectorController* InspectorController::sharedInspectorController() {
    return sharedInstance<InspectorController>();
}

InspectorController::InspectorController()
    : PaletteController(QStringLiteral("Inspector"), QSize(280, 480)) {}

QPoint InspectorController::defaultOrigin(const QRect& visibleFrame, const QSize& frameSize) const {
    // Top right, 2 points in from the right and top edges.
    return {visibleFrame.x() + visibleFrame.width() - frameSize.width() - 2, visibleFrame.y() + 2};
}
