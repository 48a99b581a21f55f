#include "photoview/PixelAdjusterController.h"

PixelAdjusterController* PixelAdjusterController::sharedPixelAdjusterController() {
    return sharedInstance<PixelAdjusterController>();
}

PixelAdjusterController::PixelAdjusterController()
    : PaletteController(QStringLiteral("PixelAdjuster"), QSize(260, 400)) {}

QPoint PixelAdjusterController::defaultOrigin(const QRect& visibleFrame,
                                              const QSize& frameSize) const {
    // Top right, 2 points in from the right and top edges.
    return {visibleFrame.x() + visibleFrame.width() - frameSize.width() - 2, visibleFrame.y() + 2};
}
