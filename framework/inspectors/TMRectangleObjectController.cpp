#include "framework/inspectors/TMRectangleObjectController.h"

#include "framework/Formwell.h"
#include "framework/inspectors/TMShadowSection.h"
#include "framework/inspectors/VQGradientFillWell.h"
#include "framework/model/TMCaptionObject.h"
#include "framework/model/TMOvalObject.h"
#include "framework/model/TMPolygonObject.h"
#include "framework/model/TMRectangleObject.h"
#include "framework/model/TMUtilities.h"
#include "platform/ui/ColorWell.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSlider>
#include <algorithm>
#include <cmath>
#include <typeinfo>

namespace {

template <class Controller> void registerAs(const QString& name) {
    TMObjectController::registerControllerClass(name,
                                                [] { return std::make_unique<Controller>(); });
}

[[maybe_unused]] const bool kRegistered = [] {
    registerAs<TMRectangleObjectController>(TMRectangleObject::classObjectControllerClass());
    registerAs<TMOvalObjectController>(TMOvalObject::classObjectControllerClass());
    registerAs<TMCaptionObjectController>(TMCaptionObject::classObjectControllerClass());
    return true;
}();

constexpr int kCornerRadiusViewHeight = 58;

} // namespace

TMRectangleObjectController::TMRectangleObjectController() {
    _paletteView = newPalette("BasicPalette", 0);
    QWidget* palette = _paletteView;
    const int strokeBottom = buildStrokeControls(palette, 0);
    _strokeJoinLabel =
        newLabel(palette, "_strokeJoinLabel", "INSP_STROKE_JOIN", {4, strokeBottom + 4, 66, 18});
    static const char* const joinTitles[] = {"INSP_JOIN_MITER", "INSP_JOIN_ROUND",
                                             "INSP_JOIN_BEVEL"};
    static const char* const joinImages[] = {"JoinMiter", "JoinRound", "JoinBevel"};
    _joinPopUp = buildTaggedPopUp(palette, "_joinPopUp", joinTitles, joinImages,
                                  {74, strokeBottom, 120, 26});
    QObject::connect(_joinPopUp, &QComboBox::activated, _joinPopUp,
                     [this] { joinPopUpChanged(_joinPopUp); });
    const int fillBottom = buildFillControls(palette, strokeBottom + 30);
    palette->setFixedHeight(buildShadowSection(palette, fillBottom));
}

TMRectangleObjectController::~TMRectangleObjectController() {
    // The corner view may be out of the palette.
    delete _cornerRadiusView;
}

// ---------------------------------------------------------------------------
// Properties: rectangles, ovals and captions, or polygons, which keep the
// same stroke and fill apart from them.

template <class Read, class Value>
QVariant TMRectangleObjectController::shapeValue(Read read, const Value& held) const {
    if (const auto rectangle = inspected<TMRectangleObject>())
        return box<Value>(Value(read(*rectangle)));
    if (const auto polygon = inspected<TMPolygonObject>())
        return box<Value>(Value(read(*polygon)));
    return box<Value>(held);
}

template <class Write, class Value>
void TMRectangleObjectController::setShapeValue(const QVariant& value, Write write, Value& held) {
    const Value unboxed = unbox<Value>(value);
    if (const auto rectangle = inspected<TMRectangleObject>()) {
        write(*rectangle, unboxed);
        return;
    }
    if (const auto polygon = inspected<TMPolygonObject>()) {
        write(*polygon, unboxed);
        return;
    }
    if (unboxed == held)
        return;
    held = unboxed;
    updateInspectorPalette();
}

QVariant TMRectangleObjectController::strokeState() const {
    return shapeValue([](const auto& o) { return o.strokeState(); }, _strokeEnabled);
}

void TMRectangleObjectController::setStrokeState(const QVariant& state) {
    setShapeValue(
        state, [](auto& o, bool v) { o.setStrokeState(v); }, _strokeEnabled);
}

QVariant TMRectangleObjectController::strokeWidth() const {
    return shapeValue([](const auto& o) { return o.strokeWidth(); }, _strokeWidth);
}

void TMRectangleObjectController::setStrokeWidth(const QVariant& width) {
    const float clamped = std::clamp(width.toFloat(), kMinStrokeWidth, kMaxStrokeWidth);
    setShapeValue(
        QVariant(clamped), [](auto& o, float v) { o.setStrokeWidth(v); }, _strokeWidth);
}

QVariant TMRectangleObjectController::strokeColor() const {
    return shapeValue([](const auto& o) { return o.strokeColor(); }, _strokeColor);
}

void TMRectangleObjectController::setStrokeColor(const QVariant& color) {
    setShapeValue(
        color, [](auto& o, const Color& v) { o.setStrokeColor(v); }, _strokeColor);
}

QVariant TMRectangleObjectController::dashPattern() const {
    return shapeValue([](const auto& o) { return o.dashPattern(); }, _dashPattern);
}

void TMRectangleObjectController::setDashPattern(const QVariant& pattern) {
    setShapeValue(
        QVariant(TMRectangleObject::validateDashPattern(pattern.toString())),
        [](auto& o, const QString& v) { o.setDashPattern(v); }, _dashPattern);
}

QVariant TMRectangleObjectController::lineCap() const {
    return shapeValue([](const auto& o) { return o.lineCap(); }, _lineCap);
}

void TMRectangleObjectController::setLineCap(const QVariant& cap) {
    setShapeValue(
        cap, [](auto& o, int32_t v) { o.setLineCap(v); }, _lineCap);
}

QVariant TMRectangleObjectController::lineJoin() const {
    return shapeValue([](const auto& o) { return o.lineJoin(); }, _lineJoin);
}

void TMRectangleObjectController::setLineJoin(const QVariant& join) {
    setShapeValue(
        join, [](auto& o, int32_t v) { o.setLineJoin(v); }, _lineJoin);
}

QVariant TMRectangleObjectController::fillState() const {
    return shapeValue([](const auto& o) { return o.fillState(); }, _fillEnabled);
}

void TMRectangleObjectController::setFillState(const QVariant& state) {
    setShapeValue(
        state, [](auto& o, bool v) { o.setFillState(v); }, _fillEnabled);
}

QVariant TMRectangleObjectController::fillColor() const {
    return shapeValue([](const auto& o) { return o.fillColor(); }, _fillColor);
}

void TMRectangleObjectController::setFillColor(const QVariant& color) {
    setShapeValue(
        color, [](auto& o, const Color& v) { o.setFillColor(v); }, _fillColor);
}

QVariant TMRectangleObjectController::gradientFillState() const {
    return shapeValue([](const auto& o) { return o.gradientFillState(); }, _gradientFillEnabled);
}

void TMRectangleObjectController::setGradientFillState(const QVariant& state) {
    setShapeValue(
        state, [](auto& o, bool v) { o.setGradientFillState(v); }, _gradientFillEnabled);
}

QVariant TMRectangleObjectController::gradientFill() const {
    return shapeValue([](const auto& o) { return o.gradientFill(); }, _gradientFill);
}

void TMRectangleObjectController::setGradientFill(const QVariant& fill) {
    setShapeValue(
        fill, [](auto& o, const VQGradientFillRef& v) { o.setGradientFill(v); }, _gradientFill);
}

QVariant TMRectangleObjectController::roundedCornersState() const {
    return propertyValue(&TMRectangleObject::roundedCornersState, _roundedCornersEnabled);
}

void TMRectangleObjectController::setRoundedCornersState(const QVariant& state) {
    setPropertyValue(state, &TMRectangleObject::setRoundedCornersState, _roundedCornersEnabled);
}

QVariant TMRectangleObjectController::cornerRadius() const {
    return propertyValue(&TMRectangleObject::cornerRadius, _cornerRadius);
}

void TMRectangleObjectController::setCornerRadius(const QVariant& radius) {
    setPropertyValue(radius, &TMRectangleObject::setCornerRadius, _cornerRadius);
}

// ---------------------------------------------------------------------------
// Actions

void TMRectangleObjectController::joinPopUpChanged(QObject*) {
    setLineJoin(_joinPopUp->currentData().toInt());
}

void TMRectangleObjectController::cornerRadiusChanged(QObject* sender) {
    const bool fromSlider = sender == _cornerRadiusSlider;
    const float value =
        fromSlider ? float(_cornerRadiusSlider->value()) : fieldValue(_cornerRadiusField);
    setCornerRadius(std::clamp(value, kMinCornerRadius, kMaxCornerRadius));
    updateInspectorPalette();
    if (fromSlider)
        makeFirstResponder(_cornerRadiusField);
}

void TMRectangleObjectController::cornerRadiusSwitchChanged(QObject*) {
    setRoundedCornersState(_cornerRadiusSwitch->isChecked());
}

// ---------------------------------------------------------------------------
// The corner view

void TMRectangleObjectController::loadCornerRadiusView() {
    delete _cornerRadiusView;
    auto* view = newPalette("CornerRadius", kCornerRadiusViewHeight);
    _cornerRadiusView = view;
    _cornerRadiusSwitch = new QCheckBox(frameworkString("INSP_ROUNDED_CORNERS"), view);
    _cornerRadiusSwitch->setObjectName(QStringLiteral("_cornerRadiusSwitch"));
    _cornerRadiusSwitch->setGeometry(10, 4, 220, 20);
    QObject::connect(_cornerRadiusSwitch, &QCheckBox::clicked, _cornerRadiusSwitch,
                     [this] { cornerRadiusSwitchChanged(_cornerRadiusSwitch); });
    _cornerRadiusLabel =
        newLabel(view, "_cornerRadiusLabel", "INSP_CORNER_RADIUS", {4, 32, 66, 18});
    _cornerRadiusSlider = new QSlider(Qt::Horizontal, view);
    _cornerRadiusSlider->setObjectName(QStringLiteral("_cornerRadiusSlider"));
    _cornerRadiusSlider->setGeometry(74, 31, 124, 20);
    _cornerRadiusSlider->setRange(int(kMinCornerRadius), int(kMaxCornerRadius));
    _cornerRadiusField = new QLineEdit(view);
    _cornerRadiusField->setObjectName(QStringLiteral("_cornerRadiusField"));
    _cornerRadiusField->setGeometry(206, 30, 44, 22);
    // A drag is applied when the slider is let go; the field follows it.
    QObject::connect(_cornerRadiusSlider, &QSlider::sliderReleased, _cornerRadiusSlider,
                     [this] { cornerRadiusChanged(_cornerRadiusSlider); });
    QObject::connect(_cornerRadiusSlider, &QSlider::valueChanged, _cornerRadiusSlider, [this] {
        if (_cornerRadiusSlider->isSliderDown())
            showNumber(_cornerRadiusField, float(_cornerRadiusSlider->value()));
        else
            cornerRadiusChanged(_cornerRadiusSlider);
    });
    QObject::connect(_cornerRadiusField, &QLineEdit::editingFinished, _cornerRadiusField,
                     [this] { cornerRadiusChanged(_cornerRadiusField); });
}

void TMRectangleObjectController::addCornerRadiusView() {
    appendExtensionView(_paletteView, _cornerRadiusView);
}

void TMRectangleObjectController::removeCornerRadiusView() {
    removeExtensionView(_paletteView, _cornerRadiusView);
}

// ---------------------------------------------------------------------------
// Showing the values

void TMRectangleObjectController::setInspectedObject(const TMObjectRef& object) {
    if (object == inspectedObject())
        return;
    deactivateStrokeAndFillWells();
    TMObjectController::setInspectedObject(object);
    const bool shown = isExtensionViewShown(_paletteView, _cornerRadiusView);
    // Only a plain rectangle rounds its corners.
    const TMObject* shape = object.get();
    if (shape && typeid(*shape) == typeid(TMRectangleObject)) {
        if (!shown) {
            loadCornerRadiusView();
            addCornerRadiusView();
        }
    } else if (shown) {
        removeCornerRadiusView();
    }
}

void TMRectangleObjectController::updateInspectorPalette() {
    const bool stroke = updateStrokeControls();
    {
        const QSignalBlocker quiet(_joinPopUp);
        _joinPopUp->setCurrentIndex(_joinPopUp->findData(lineJoin().toInt()));
    }
    const TMObjectRef object = inspectedObject();
    const bool joins = !object || object->supportsLineJoin();
    const bool caps = !object || object->supportsLineCap();
    _capPopUp->setEnabled(stroke && caps);
    _joinPopUp->setEnabled(stroke && joins);
    TM_EnableControlText(_strokeJoinLabel, stroke);
    updateFillControls();
    _shadowSection->updateShadowControls();

    if (!isExtensionViewShown(_paletteView, _cornerRadiusView))
        return;
    const bool rounded = roundedCornersState().toBool();
    const float radius = cornerRadius().toFloat();
    {
        const QSignalBlocker quiet(_cornerRadiusSwitch);
        _cornerRadiusSwitch->setChecked(rounded);
    }
    {
        const QSignalBlocker quiet(_cornerRadiusSlider);
        _cornerRadiusSlider->setValue(int(std::lround(radius)));
    }
    showNumber(_cornerRadiusField, radius);
    _cornerRadiusSlider->setEnabled(rounded);
    _cornerRadiusField->setEnabled(rounded);
    TM_EnableControlText(_cornerRadiusLabel, rounded);
    // A rounded corner has no join to choose.
    if (stroke)
        _joinPopUp->setEnabled(joins && !rounded);
}

void TMRectangleObjectController::deactivateColorWells(QObject*) {
    _strokeColorWell->deactivate();
    _fillColorWell->deactivate();
}
