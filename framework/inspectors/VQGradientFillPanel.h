#pragma once

#include "framework/FormwellExport.h"
#include "platform/ui/PaletteController.h"

// The shared gradient fill panel of the template editor.
class FORMWELL_EXPORT VQGradientFillPanel : public PaletteController {
public:
    static VQGradientFillPanel* sharedGradientFillPanelController();

protected:
    QPoint defaultOrigin(const QRect& visibleFrame, const QSize& frameSize) const override;

private:
    friend class PaletteController;
    VQGradientFillPanel();
};
