#pragma once

#include "framework/FormwellExport.h"
#include "framework/inspectors/TMPhotoMaskController.h"

class QLabel;
class QLineEdit;
class QSlider;

// The inspector of rectangle masks: the feather and the corner radius, both
// in percent.
class FORMWELL_EXPORT TMRectPhotoMaskController : public TMPhotoMaskController {
    Q_OBJECT

public:
    TMRectPhotoMaskController();

    QString nibName() const override;
    void setEnabled(bool enabled) override;
    void updateInspectorPalette() override;

    // Floats 0 to 1.
    QVariant featherPct() const;
    void setFeatherPct(const QVariant& feather);
    QVariant cornerRadius() const;
    void setCornerRadius(const QVariant& radius);
    // The field is held to 0...100 %.
    void featherChanged(QObject* sender);
    // A whole percent; the field is held to 1...100.
    void radiusChanged(QObject* sender);

private:
    float _featherPct = 0;
    float _cornerRadius = 0;
    QLabel* _featheredLabel = nullptr;
    QLabel* _radiusLabel = nullptr;
    QSlider* _featherSlider = nullptr;
    QSlider* _radiusSlider = nullptr;
    QLineEdit* _featherField = nullptr;
    QLineEdit* _radiusField = nullptr;
};
