#pragma once

#include "framework/FormwellExport.h"
#include "platform/ui/PaletteController.h"

// The shared tool palette of the template editor windows.
class FORMWELL_EXPORT ToolPaletteController : public PaletteController {
public:
    static ToolPaletteController* sharedToolPaletteController();

protected:
    QPoint defaultOrigin(const QRect& visibleFrame, const QSize& frameSize) const override;

private:
    friend class PaletteController;
    ToolPaletteController();
};
