#pragma once

#include "framework/FormwellExport.h"
#include "framework/inspectors/TMOvalPhotoMaskController.h"

class QLineEdit;
class QSlider;

// The inspector of burst masks: the ray count, 6 to 90, and the ray length
// in percent, above the feather; they stay editable on a disabled mask.
class FORMWELL_EXPORT TMBurstPhotoMaskController : public TMOvalPhotoMaskController {
    Q_OBJECT

public:
    TMBurstPhotoMaskController();

    QString nibName() const override;
    void updateInspectorPalette() override;

    QVariant rayCount() const;
    void setRayCount(const QVariant& value);
    void rayCountChanged(QObject* sender);
    QVariant rayLength() const;
    void setRayLength(const QVariant& value);
    void rayLengthChanged(QObject* sender);

private:
    float _rayCount = 0;
    QSlider* _rayCountSlider = nullptr;
    QLineEdit* _rayCountField = nullptr;
    float _rayLengthRatio = 0;
    QSlider* _rayLengthSlider = nullptr;
    QLineEdit* _rayLengthField = nullptr;
};
