#pragma once

#include "platform/ui/PaletteController.h"

// The shared photo information palette of the catalog windows.
class PhotoInfoWindowController : public PaletteController {
public:
    static PhotoInfoWindowController* sharedPhotoInfoController();

protected:
    QPoint defaultOrigin(const QRect& visibleFrame, const QSize& frameSize) const override;

private:
    friend class PaletteController;
    PhotoInfoWindowController();
};
