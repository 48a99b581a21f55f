#pragma once

#include "framework/FormwellExport.h"
#include "framework/inspectors/TMOvalPhotoMaskController.h"

class QLineEdit;
class QSlider;

// The inspector of heart masks: the peak and the cleft, fractions shown in
// percent, above the feather; they stay editable on a disabled mask.
class FORMWELL_EXPORT TMHeartPhotoMaskController : public TMOvalPhotoMaskController {
    Q_OBJECT

public:
    TMHeartPhotoMaskController();

    QString nibName() const override;
    void updateInspectorPalette() override;

    QVariant peak() const;
    void setPeak(const QVariant& value);
    void peakChanged(QObject* sender);
    QVariant cleft() const;
    void setCleft(const QVariant& value);
    void cleftChanged(QObject* sender);

private:
    float _peak = 0;
    QSlider* _peakSlider = nullptr;
    QLineEdit* _peakField = nullptr;
    float _cleft = 0;
    QSlider* _cleftSlider = nullptr;
    QLineEdit* _cleftField = nullptr;
};
