#pragma once

#include "framework/FormwellExport.h"
#include "platform/ui/PaletteController.h"

// The shared Inspector of the template editor windows.
class FORMWELL_EXPORT InspectorController : public PaletteController {
public:
    static InspectorController* sharedInspectorController();

protected:
    QPoint defaultOrigin(const QRect& visibleFrame, const QSize& frameSize) const override;

private:
    friend class PaletteController;
    InspectorController();
};
