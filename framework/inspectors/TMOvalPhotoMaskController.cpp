#include "framework/inspectors/TMOvalPhotoMaskController.h"

#include "framework/inspectors/TMObjectController.h"
#include "framework/model/TMOvalPhotoMask.h"
#include "framework/model/TMUtilities.h"

#include <QLabel>
#include <QLineEdit>
#include <QSlider>

namespace {

[[maybe_unused]] const bool kRegistered = [] {
    TMPhotoMaskController::registerMaskControllerClass(
        QStringLiteral("TMOvalPhotoMaskController"),
        [] { return std::make_unique<TMOvalPhotoMaskController>(); });
    return true;
}();

} // namespace

TMOvalPhotoMaskController::TMOvalPhotoMaskController()
    : TMOvalPhotoMaskController(QStringLiteral("OvalMaskPalette"), 0) {}

TMOvalPhotoMaskController::TMOvalPhotoMaskController(const QString& nibName, int ownRows) {
    buildFeatherRow(nibName, ownRows);
}

void TMOvalPhotoMaskController::buildFeatherRow(const QString& nibName, int row) {
    makePalette(nibName, row + 1);
    _featheredLabel = addLabel("_featheredLabel", "INSP_MASK_FEATHER", row);
    _featherSlider = addSlider("_featherSlider", row, 0, 100);
    _featherField = addField("_featherField", row);
    connectMeasure(_featherSlider, _featherField,
                   [this](QObject* sender) { featherChanged(sender); });
}

QString TMOvalPhotoMaskController::nibName() const {
    return QStringLiteral("OvalMaskPalette");
}

void TMOvalPhotoMaskController::setEnabled(bool enabled) {
    storeEnabled(enabled);
}

QVariant TMOvalPhotoMaskController::featherPct() const {
    return maskValue(&TMOvalPhotoMask::featherPct, _featherPct);
}

void TMOvalPhotoMaskController::setFeatherPct(const QVariant& feather) {
    setMaskValue(feather, &TMOvalPhotoMask::setFeatherPct, _featherPct);
}

void TMOvalPhotoMaskController::featherChanged(QObject* sender) {
    setFeatherPct(readMeasure(sender, _featherSlider, _featherField, 0, 100) / 100.0f);
    updateInspectorPalette();
}

void TMOvalPhotoMaskController::updateInspectorPalette() {
    const float percent = featherPct().toFloat() * 100.0f;
    showOnSlider(_featherSlider, percent);
    TMObjectController::showNumber(_featherField, percent);
    _featherSlider->setEnabled(enabled());
    _featherField->setEnabled(enabled());
    TM_EnableControlText(_featheredLabel, enabled());
}
