#include "library/TemplateManagerWindowController.h"

#include "platform/foundation/LocalizedStrings.h"

#include <QWidget>

TemplateManagerWindowController*
TemplateManagerWindowController::sharedTemplateManagerController() {
    return sharedInstance<TemplateManagerWindowController>();
}

TemplateManagerWindowController::TemplateManagerWindowController()
    : PaletteController(QStringLiteral("TemplateManagerPanel"), QSize(640, 440)) {
    // Shown at the first launch; without a title of its own it would pass for
    // a nameless application window.
    window()->setWindowTitle(localizedString(QStringLiteral("TEMPLATE_MANAGER_WINDOW_TITLE")));
}

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
