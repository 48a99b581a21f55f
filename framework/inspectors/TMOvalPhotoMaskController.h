#pragma once

#include "framework/FormwellExport.h"
#include "framework/inspectors/TMPhotoMaskController.h"

class QLabel;
class QLineEdit;
class QSlider;

// The inspector of oval masks, and the base of the shaped masks' inspectors:
// the feather as a slider and a field in percent. A subclass's own controls
// sit in rows above the feather row of its own palette.
class FORMWELL_EXPORT TMOvalPhotoMaskController : public TMPhotoMaskController {
    Q_OBJECT

public:
    TMOvalPhotoMaskController();

    QString nibName() const override;
    void setEnabled(bool enabled) override;
    void updateInspectorPalette() override;

    // A float 0 to 1.
    QVariant featherPct() const;
    void setFeatherPct(const QVariant& feather);
    // From the slider or the field; the field is held to 0...100 %.
    void featherChanged(QObject* sender);

protected:
    // Builds the palette of the subclass's nibName with its own rows on top.
    TMOvalPhotoMaskController(const QString& nibName, int ownRows);

private:
    void buildFeatherRow(const QString& nibName, int row);

    float _featherPct = 0;
    QLabel* _featheredLabel = nullptr;
    QSlider* _featherSlider = nullptr;
    QLineEdit* _featherField = nullptr;
};
