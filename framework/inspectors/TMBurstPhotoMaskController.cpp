#include "framework/inspectors/TMBurstPhotoMaskController.h"

#include "framework/inspectors/TMObjectController.h"
#include "framework/model/TMBurstPhotoMask.h"

#include <QLineEdit>
#include <QSlider>

namespace {

[[maybe_unused]] const bool kRegistered = [] {
    TMPhotoMaskController::registerMaskControllerClass(
        QStringLiteral("TMBurstPhotoMaskController"),
        [] { return std::make_unique<TMBurstPhotoMaskController>(); });
    return true;
}();

} // namespace

TMBurstPhotoMaskController::TMBurstPhotoMaskController()
    : TMOvalPhotoMaskController(QStringLiteral("BurstMaskPalette"), 2) {
    addLabel("_rayCountLabel", "INSP_MASK_RAYS", 0);
    _rayCountSlider = addSlider("_rayCountSlider", 0, 6, 90);
    _rayCountField = addField("_rayCountField", 0);
    connectMeasure(_rayCountSlider, _rayCountField,
                   [this](QObject* sender) { rayCountChanged(sender); });
    addLabel("_rayLengthLabel", "INSP_MASK_RAY_LENGTH", 1);
    _rayLengthSlider = addSlider("_rayLengthSlider", 1, 0, 100);
    _rayLengthField = addField("_rayLengthField", 1);
    connectMeasure(_rayLengthSlider, _rayLengthField,
                   [this](QObject* sender) { rayLengthChanged(sender); });
}

QString TMBurstPhotoMaskController::nibName() const {
    return QStringLiteral("BurstMaskPalette");
}

QVariant TMBurstPhotoMaskController::rayCount() const {
    return maskValue(&TMBurstPhotoMask::rayCount, _rayCount);
}

void TMBurstPhotoMaskController::setRayCount(const QVariant& value) {
    setMaskValue(value, &TMBurstPhotoMask::setRayCount, _rayCount);
}

void TMBurstPhotoMaskController::rayCountChanged(QObject* sender) {
    const float value = readMeasure(sender, _rayCountSlider, _rayCountField, 6, 90);
    setRayCount(value);
    updateInspectorPalette();
}

QVariant TMBurstPhotoMaskController::rayLength() const {
    return maskValue(&TMBurstPhotoMask::rayLength, _rayLengthRatio);
}

void TMBurstPhotoMaskController::setRayLength(const QVariant& value) {
    setMaskValue(value, &TMBurstPhotoMask::setRayLength, _rayLengthRatio);
}

void TMBurstPhotoMaskController::rayLengthChanged(QObject* sender) {
    const float value = readMeasure(sender, _rayLengthSlider, _rayLengthField, 0, 100);
    setRayLength(value / 100.0f);
    updateInspectorPalette();
}

void TMBurstPhotoMaskController::updateInspectorPalette() {
    const float rays = rayCount().toFloat();
    showOnSlider(_rayCountSlider, rays);
    TMObjectController::showNumber(_rayCountField, rays);
    const float length = rayLength().toFloat() * 100.0f;
    showOnSlider(_rayLengthSlider, length);
    TMObjectController::showNumber(_rayLengthField, length);
    TMOvalPhotoMaskController::updateInspectorPalette();
}
