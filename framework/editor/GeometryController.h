#pragma once

#include "framework/FormwellExport.h"
#include "platform/ui/PaletteController.h"

// The shared Geometry palette of the template editor windows.
class FORMWELL_EXPORT GeometryController : public PaletteController {
public:
    static GeometryController* sharedGeometryController();

protected:
    QPoint defaultOrigin(const QRect& visibleFrame, const QSize& frameSize) const override;

private:
    friend class PaletteController;
    GeometryController();
};
