#pragma once

#include "platform/ui/PaletteController.h"

// The shared enhancement palette of the catalog windows.
class PixelAdjusterController : public PaletteController {
public:
    static PixelAdjusterController* sharedPixelAdjusterController();

protected:
    QPoint defaultOrigin(const QRect& visibleFrame, const QSize& frameSize) const override;

private:
    friend class PaletteController;
    PixelAdjusterController();
};
