#pragma once

#include "framework/FormwellExport.h"
#include "framework/inspectors/TMOvalPhotoMaskController.h"

class QLineEdit;
class QSlider;

// The inspector of pinking-shear masks: the teeth per side, 1 to 50, above
// the feather; the teeth stay editable on a disabled mask.
class FORMWELL_EXPORT TMPinkingPhotoMaskController : public TMOvalPhotoMaskController {
    Q_OBJECT

public:
    TMPinkingPhotoMaskController();

    QString nibName() const override;
    void updateInspectorPalette() override;

    QVariant tps() const;
    void setTps(const QVariant& value);
    void tpsChanged(QObject* sender);

private:
    int _tps = 0;
    QSlider* _tpsSlider = nullptr;
    QLineEdit* _tpsField = nullptr;
};
