#include "library/TemplateManagerWindowController.h"

TemplateManagerWindowController*
TemplateManagerWindowController::sharedTemplateManagerController() {
    return sharedInstance<TemplateManagerWindowController>();
}

TemplateManagerWindowController::TemplateManagerWindowController()
    : PaletteController(QStringLiteral("TemplateManagerPanel"), QSize(640, 440)) {}

QPoint TemplateManagerWindowController::defaultOrigin(const QRect& visibleFrame,
                                                      const QSize& frameSize) const {
    // Bottom right, 2 points from the right edge and 10 above the bottom.
    return {visibleFrame.x() + visibleFrame.width() - frameSize.width() - 2,
            visibleFrame.y() + visibleFrame.height() - frameSize.height() - 10};
}

bool TemplateManagerWindowController::canShow() const {
    return true;
}

void TemplateManagerWindowController::checkForExchangeUpdates() {
    // The exchange client comes with the template manager window's contents.
}
