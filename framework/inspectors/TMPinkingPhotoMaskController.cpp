#include "framework/inspectors/TMPinkingPhotoMaskController.h"

#include "framework/inspectors/TMObjectController.h"
#include "framework/model/TMPinkingPhotoMask.h"

#include <QLineEdit>
#include <QSlider>

namespace {

[[maybe_unused]] const bool kRegistered = [] {
    TMPhotoMaskController::registerMaskControllerClass(
        QStringLiteral("TMPinkingPhotoMaskController"),
        [] { return std::make_unique<TMPinkingPhotoMaskController>(); });
    return true;
}();

} // namespace

TMPinkingPhotoMaskController::TMPinkingPhotoMaskController()
    : TMOvalPhotoMaskController(QStringLiteral("PinkingMaskPalette"), 1) {
    addLabel("_tpsLabel", "INSP_MASK_TEETH", 0);
    _tpsSlider = addSlider("_tpsSlider", 0, 1, 50);
    _tpsField = addField("_tpsField", 0);
    connectMeasure(_tpsSlider, _tpsField, [this](QObject* sender) { tpsChanged(sender); });
}

QString TMPinkingPhotoMaskController::nibName() const {
    return QStringLiteral("PinkingMaskPalette");
}

QVariant TMPinkingPhotoMaskController::tps() const {
    return maskValue(&TMPinkingPhotoMask::tps, _tps);
}

void TMPinkingPhotoMaskController::setTps(const QVariant& value) {
    setMaskValue(value, &TMPinkingPhotoMask::setTps, _tps);
}

void TMPinkingPhotoMaskController::tpsChanged(QObject* sender) {
    const float value = readMeasure(sender, _tpsSlider, _tpsField, 1, 50, true);
    setTps(int(value));
    updateInspectorPalette();
}

void TMPinkingPhotoMaskController::updateInspectorPalette() {
    const int teeth = tps().toInt();
    showOnSlider(_tpsSlider, float(teeth));
    showInteger(_tpsField, teeth);
    TMOvalPhotoMaskController::updateInspectorPalette();
}
