#include "framework/inspectors/TMLineObjectController.h"

#include "framework/inspectors/TMShadowSection.h"
#include "framework/model/TMLineObject.h"
#include "framework/model/TMRectangleObject.h"
#include "platform/ui/ColorWell.h"

#include <algorithm>

namespace {

[[maybe_unused]] const bool kRegistered = [] {
    TMObjectController::registerControllerClass(TMLineObject::classObjectControllerClass(), [] {
        return std::make_unique<TMLineObjectController>();
    });
    return true;
}();

} // namespace

TMLineObjectController::TMLineObjectController() {
    _paletteView = newPalette("LinePalette", 0);
    const int strokeBottom = buildStrokeControls(_paletteView, 0);
    _paletteView->setFixedHeight(buildShadowSection(_paletteView, strokeBottom));
}

TMLineObjectController::~TMLineObjectController() = default;

QVariant TMLineObjectController::strokeState() const {
    return propertyValue(&TMLineObject::strokeState, _strokeEnabled);
}

void TMLineObjectController::setStrokeState(const QVariant& state) {
    setPropertyValue(state, &TMLineObject::setStrokeState, _strokeEnabled);
}

QVariant TMLineObjectController::strokeWidth() const {
    return propertyValue(&TMLineObject::strokeWidth, _strokeWidth);
}

void TMLineObjectController::setStrokeWidth(const QVariant& width) {
    const float clamped = std::clamp(width.toFloat(), kMinStrokeWidth, kMaxStrokeWidth);
    setPropertyValue(QVariant(clamped), &TMLineObject::setStrokeWidth, _strokeWidth);
}

QVariant TMLineObjectController::strokeColor() const {
    return propertyValue(&TMLineObject::strokeColor, _strokeColor);
}

void TMLineObjectController::setStrokeColor(const QVariant& color) {
    setPropertyValue(color, &TMLineObject::setStrokeColor, _strokeColor);
}

QVariant TMLineObjectController::dashPattern() const {
    return propertyValue(&TMLineObject::dashPattern, _dashPattern);
}

void TMLineObjectController::setDashPattern(const QVariant& pattern) {
    setPropertyValue(QVariant(TMRectangleObject::validateDashPattern(pattern.toString())),
                     &TMLineObject::setDashPattern, _dashPattern);
}

QVariant TMLineObjectController::lineCap() const {
    return propertyValue(&TMLineObject::lineCap, _lineCap);
}

void TMLineObjectController::setLineCap(const QVariant& cap) {
    setPropertyValue(cap, &TMLineObject::setLineCap, _lineCap);
}

void TMLineObjectController::setInspectedObject(const TMObjectRef& object) {
    if (object == inspectedObject())
        return;
    _strokeColorWell->deactivate();
    TMObjectController::setInspectedObject(object);
}

void TMLineObjectController::updateInspectorPalette() {
    updateStrokeControls();
    _shadowSection->updateShadowControls();
}
