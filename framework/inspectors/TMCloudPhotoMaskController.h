#pragma once

#include "framework/FormwellExport.h"
#include "framework/inspectors/TMOvalPhotoMaskController.h"

class QLineEdit;
class QSlider;

// The inspector of cloud masks: the puffiness in percent, 5 to 100, above the
// feather; it stays editable on a disabled mask.
class FORMWELL_EXPORT TMCloudPhotoMaskController : public TMOvalPhotoMaskController {
    Q_OBJECT

public:
    TMCloudPhotoMaskController();

    QString nibName() const override;
    void updateInspectorPalette() override;

    QVariant puffiness() const;
    void setPuffiness(const QVariant& value);
    void puffinessChanged(QObject* sender);

private:
    float _puffiness = 0;
    QSlider* _puffinessSlider = nullptr;
    QLineEdit* _puffinessField = nullptr;
};
