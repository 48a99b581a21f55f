#pragma once

#include "platform/ui/PaletteController.h"

// The shared template manager window.
class TemplateManagerWindowController : public PaletteController {
public:
    static TemplateManagerWindowController* sharedTemplateManagerController();

    // Asks the template exchange what changed since the last check and offers the
    // user to look now or later. Main thread only.
    void checkForExchangeUpdates();

protected:
    QPoint defaultOrigin(const QRect& visibleFrame, const QSize& frameSize) const override;
    // The window serves no document: it shows whenever it is activated.
    bool canShow() const override;

private:
    friend class PaletteController;
    TemplateManagerWindowController();
};
