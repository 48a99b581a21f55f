#include "framework/inspectors/TMRectPhotoMaskController.h"

#include "framework/inspectors/TMObjectController.h"
#include "framework/model/TMRectPhotoMask.h"
#include "framework/model/TMUtilities.h"

#include <QLabel>
#include <QLineEdit>
#include <QSlider>

namespace {

[[maybe_unused]] const bool kRegistered = [] {
    TMPhotoMaskController::registerMaskControllerClass(
        QStringLiteral("TMRectPhotoMaskController"),
        [] { return std::make_unique<TMRectPhotoMaskController>(); });
    return true;
}();

} // namespace

TMRectPhotoMaskController::TMRectPhotoMaskController() {
    makePalette(QStringLiteral("RectMaskPalette"), 2);
    _radiusLabel = addLabel("_radiusLabel", "INSP_MASK_CORNERS", 0);
    _radiusSlider = addSlider("_radiusSlider", 0, 1, 100);
    _radiusField = addField("_radiusField", 0);
    connectMeasure(_radiusSlider, _radiusField, [this](QObject* sender) { radiusChanged(sender); });
    _featheredLabel = addLabel("_featheredLabel", "INSP_MASK_FEATHER", 1);
    _featherSlider = addSlider("_featherSlider", 1, 0, 100);
    _featherField = addField("_featherField", 1);
    connectMeasure(_featherSlider, _featherField,
                   [this](QObject* sender) { featherChanged(sender); });
}

QString TMRectPhotoMaskController::nibName() const {
    return QStringLiteral("RectMaskPalette");
}

void TMRectPhotoMaskController::setEnabled(bool enabled) {
    storeEnabled(enabled);
}

QVariant TMRectPhotoMaskController::featherPct() const {
    return maskValue(&TMRectPhotoMask::featherPct, _featherPct);
}

void TMRectPhotoMaskController::setFeatherPct(const QVariant& feather) {
    setMaskValue(feather, &TMRectPhotoMask::setFeatherPct, _featherPct);
}

QVariant TMRectPhotoMaskController::cornerRadius() const {
    return maskValue(&TMRectPhotoMask::cornerRadius, _cornerRadius);
}

void TMRectPhotoMaskController::setCornerRadius(const QVariant& radius) {
    if (!inspectedMask() && radius.toFloat() == _cornerRadius)
        return;
    setMaskValue(radius, &TMRectPhotoMask::setCornerRadius, _cornerRadius);
}

void TMRectPhotoMaskController::featherChanged(QObject* sender) {
    setFeatherPct(readMeasure(sender, _featherSlider, _featherField, 0, 100) / 100.0f);
    updateInspectorPalette();
}

void TMRectPhotoMaskController::radiusChanged(QObject* sender) {
    const int percent = int(readMeasure(sender, _radiusSlider, _radiusField, 1, 100, true));
    setCornerRadius(float(percent) / 100.0f);
    updateInspectorPalette();
}

void TMRectPhotoMaskController::updateInspectorPalette() {
    const float feather = featherPct().toFloat() * 100.0f;
    showOnSlider(_featherSlider, feather);
    TMObjectController::showNumber(_featherField, feather);
    const float radius = cornerRadius().toFloat() * 100.0f;
    showOnSlider(_radiusSlider, radius);
    TMObjectController::showNumber(_radiusField, radius);
    for (QWidget* control : std::initializer_list<QWidget*>{_featherSlider, _featherField,
                                                            _radiusSlider, _radiusField})
        control->setEnabled(enabled());
    TM_EnableControlText(_featheredLabel, enabled());
    TM_EnableControlText(_radiusLabel, enabled());
}
