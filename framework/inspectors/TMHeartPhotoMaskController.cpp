#include "framework/inspectors/TMHeartPhotoMaskController.h"

#include "framework/inspectors/TMObjectController.h"
#include "framework/model/TMHeartPhotoMask.h"

#include <QLineEdit>
#include <QSlider>

namespace {

[[maybe_unused]] const bool kRegistered = [] {
    TMPhotoMaskController::registerMaskControllerClass(
        QStringLiteral("TMHeartPhotoMaskController"),
        [] { return std::make_unique<TMHeartPhotoMaskController>(); });
    return true;
}();

} // namespace

TMHeartPhotoMaskController::TMHeartPhotoMaskController()
    : TMOvalPhotoMaskController(QStringLiteral("HeartMaskPalette"), 2) {
    addLabel("_peakLabel", "INSP_MASK_PEAK", 0);
    _peakSlider = addSlider("_peakSlider", 0, 0, 100);
    _peakField = addField("_peakField", 0);
    connectMeasure(_peakSlider, _peakField, [this](QObject* sender) { peakChanged(sender); });
    addLabel("_cleftLabel", "INSP_MASK_CLEFT", 1);
    _cleftSlider = addSlider("_cleftSlider", 1, 0, 100);
    _cleftField = addField("_cleftField", 1);
    connectMeasure(_cleftSlider, _cleftField, [this](QObject* sender) { cleftChanged(sender); });
}

QString TMHeartPhotoMaskController::nibName() const {
    return QStringLiteral("HeartMaskPalette");
}

QVariant TMHeartPhotoMaskController::peak() const {
    return maskValue(&TMHeartPhotoMask::peak, _peak);
}

void TMHeartPhotoMaskController::setPeak(const QVariant& value) {
    setMaskValue(value, &TMHeartPhotoMask::setPeak, _peak);
}

void TMHeartPhotoMaskController::peakChanged(QObject* sender) {
    const float value = readMeasure(sender, _peakSlider, _peakField, 0, 100);
    setPeak(value / 100.0f);
    updateInspectorPalette();
}

QVariant TMHeartPhotoMaskController::cleft() const {
    return maskValue(&TMHeartPhotoMask::cleft, _cleft);
}

void TMHeartPhotoMaskController::setCleft(const QVariant& value) {
    setMaskValue(value, &TMHeartPhotoMask::setCleft, _cleft);
}

void TMHeartPhotoMaskController::cleftChanged(QObject* sender) {
    const float value = readMeasure(sender, _cleftSlider, _cleftField, 0, 100);
    setCleft(value / 100.0f);
    updateInspectorPalette();
}

void TMHeartPhotoMaskController::updateInspectorPalette() {
    const float peakPct = peak().toFloat() * 100.0f;
    showOnSlider(_peakSlider, peakPct);
    TMObjectController::showNumber(_peakField, peakPct);
    const float cleftPct = cleft().toFloat() * 100.0f;
    showOnSlider(_cleftSlider, cleftPct);
    TMObjectController::showNumber(_cleftField, cleftPct);
    TMOvalPhotoMaskController::updateInspectorPalette();
}
