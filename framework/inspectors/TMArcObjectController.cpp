#include "framework/inspectors/TMArcObjectController.h"

#include "framework/Formwell.h"
#include "framework/model/TMArcObject.h"

#include <QCheckBox>
#include <QSignalBlocker>

namespace {

[[maybe_unused]] const bool kRegistered = [] {
    TMObjectController::registerControllerClass(TMArcObject::classObjectControllerClass(), [] {
        return std::make_unique<TMArcObjectController>();
    });
    return true;
}();

} // namespace

TMArcObjectController::TMArcObjectController() {
    _arcPaletteView = newPalette("ArcPalette", 0);
    const int fillBottom = buildFillControls(_arcPaletteView, 0);
    _invertedConcavitySwitch =
        new QCheckBox(frameworkString("INSP_INVERTED_CONCAVITY"), _arcPaletteView);
    _invertedConcavitySwitch->setObjectName(QStringLiteral("_invertedConcavitySwitch"));
    _invertedConcavitySwitch->setGeometry(10, fillBottom, 220, 20);
    QObject::connect(_invertedConcavitySwitch, &QCheckBox::clicked, _invertedConcavitySwitch,
                     [this] { invertedConcavityChanged(_invertedConcavitySwitch); });
    _arcPaletteView->setFixedHeight(fillBottom + 26);
    appendExtensionView(_paletteView, _arcPaletteView);
}

TMArcObjectController::~TMArcObjectController() = default;

QVariant TMArcObjectController::fillState() const {
    return propertyValue(&TMArcObject::fillState, _fillEnabled);
}

void TMArcObjectController::setFillState(const QVariant& state) {
    setPropertyValue(state, &TMArcObject::setFillState, _fillEnabled);
}

QVariant TMArcObjectController::fillColor() const {
    return propertyValue(&TMArcObject::fillColor, _fillColor);
}

void TMArcObjectController::setFillColor(const QVariant& color) {
    setPropertyValue(color, &TMArcObject::setFillColor, _fillColor);
}

QVariant TMArcObjectController::gradientFillState() const {
    return propertyValue(&TMArcObject::gradientFillState, _gradientFillEnabled);
}

void TMArcObjectController::setGradientFillState(const QVariant& state) {
    setPropertyValue(state, &TMArcObject::setGradientFillState, _gradientFillEnabled);
}

QVariant TMArcObjectController::gradientFill() const {
    return propertyValue(&TMArcObject::gradientFill, _gradientFill);
}

void TMArcObjectController::setGradientFill(const QVariant& fill) {
    setPropertyValue(fill, &TMArcObject::setGradientFill, _gradientFill);
}

QVariant TMArcObjectController::concavity() const {
    return propertyValue(&TMArcObject::concavity, _concavity);
}

void TMArcObjectController::setConcavity(const QVariant& concavity) {
    setPropertyValue(concavity, &TMArcObject::setConcavity, _concavity);
}

void TMArcObjectController::invertedConcavityChanged(QObject*) {
    setConcavity(_invertedConcavitySwitch->isChecked());
}

void TMArcObjectController::updateInspectorPalette() {
    TMLineObjectController::updateInspectorPalette();
    updateFillControls();
    const QSignalBlocker quiet(_invertedConcavitySwitch);
    _invertedConcavitySwitch->setChecked(concavity().toBool());
}
