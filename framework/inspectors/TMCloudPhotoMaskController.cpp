#include "framework/inspectors/TMCloudPhotoMaskController.h"

#include "framework/inspectors/TMObjectController.h"
#include "framework/model/TMCloudPhotoMask.h"

#include <QLineEdit>
#include <QSlider>

namespace {

[[maybe_unused]] const bool kRegistered = [] {
    TMPhotoMaskController::registerMaskControllerClass(
        QStringLiteral("TMCloudPhotoMaskController"),
        [] { return std::make_unique<TMCloudPhotoMaskController>(); });
    return true;
}();

} // namespace

TMCloudPhotoMaskController::TMCloudPhotoMaskController()
    : TMOvalPhotoMaskController(QStringLiteral("CloudMaskPalette"), 1) {
    addLabel("_puffinessLabel", "INSP_MASK_PUFFINESS", 0);
    _puffinessSlider = addSlider("_puffinessSlider", 0, 5, 100);
    _puffinessField = addField("_puffinessField", 0);
    connectMeasure(_puffinessSlider, _puffinessField,
                   [this](QObject* sender) { puffinessChanged(sender); });
}

QString TMCloudPhotoMaskController::nibName() const {
    return QStringLiteral("CloudMaskPalette");
}

QVariant TMCloudPhotoMaskController::puffiness() const {
    return maskValue(&TMCloudPhotoMask::puffiness, _puffiness);
}

void TMCloudPhotoMaskController::setPuffiness(const QVariant& value) {
    setMaskValue(value, &TMCloudPhotoMask::setPuffiness, _puffiness);
}

void TMCloudPhotoMaskController::puffinessChanged(QObject* sender) {
    const float value = readMeasure(sender, _puffinessSlider, _puffinessField, 5, 100);
    setPuffiness(value / 100.0f);
    updateInspectorPalette();
}

void TMCloudPhotoMaskController::updateInspectorPalette() {
    const float puffs = puffiness().toFloat() * 100.0f;
    showOnSlider(_puffinessSlider, puffs);
    TMObjectController::showNumber(_puffinessField, puffs);
    TMOvalPhotoMaskController::updateInspectorPalette();
}
