#include "photoview/PhotoInfoWindowController.h"

PhotoInfoWindowController* PhotoInfoWindowController::sharedPhotoInfoController() {
    return sharedInstance<PhotoInfoWindowController>();
}

PhotoInfoWindowController::PhotoInfoWindowController()
    : PaletteController(QStringLiteral("PhotoInfoPanel"), QSize(280, 360)) {}

QPoint PhotoInfoWindowController::defaultOrigin(const QRect& visibleFrame,
                                                const QSize& frameSize) const {
    // Right edge 2 points in, top 377 points below the top of the visible area.
    return {visibleFrame.x() + visibleFrame.width() - frameSize.width() - 2,
            visibleFrame.y() + 377};
}
