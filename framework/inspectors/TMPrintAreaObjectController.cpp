#include "framework/inspectors/TMPrintAreaObjectController.h"

#include "framework/Formwell.h"
#include "framework/model/TMPrintAreaObject.h"
#include "framework/model/TMUtilities.h"
#include "platform/ui/ColorWell.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSlider>
#include <algorithm>

namespace {

[[maybe_unused]] const bool kRegistered = [] {
    TMObjectController::registerControllerClass(
        TMPrintAreaObject::classObjectControllerClass(),
        [] { return std::make_unique<TMPrintAreaObjectController>(); });
    return true;
}();

constexpr int kPaletteWidth = 260;
constexpr int kPaletteHeight = 132;

QString str(const char* text) {
    return QString::fromLatin1(text);
}

template <class T> T* named(T* widget, const char* name, QRect frame) {
    widget->setObjectName(str(name));
    widget->setGeometry(frame);
    return widget;
}

} // namespace

TMPrintAreaObjectController::TMPrintAreaObjectController() {
    loadPalette();
}

TMPrintAreaObjectController::~TMPrintAreaObjectController() {
    delete _paletteView;
}

void TMPrintAreaObjectController::loadPalette() {
    _paletteView = new QWidget;
    _paletteView->setObjectName(str("PrintAreaPalette"));
    _paletteView->setFixedSize(kPaletteWidth, kPaletteHeight);
    QWidget* view = _paletteView;
    const auto label = [view](const char* name, const char* key, int y) {
        auto* l = named(new QLabel(frameworkString(key), view), name, {4, y, 66, 18});
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        return l;
    };

    _cuttingMarksSwitch = named(new QCheckBox(frameworkString("INSP_CUT_MARKS"), view),
                                "_cuttingMarksSwitch", {10, 8, 220, 20});
    QObject::connect(_cuttingMarksSwitch, &QCheckBox::clicked, _cuttingMarksSwitch,
                     [this] { cuttingMarkSwitchChanged(_cuttingMarksSwitch); });

    _markLengthLabel = label("_markLengthLabel", "INSP_CUT_MARK_LENGTH", 42);
    _markLenthSlider =
        named(new QSlider(Qt::Horizontal, view), "_markLenthSlider", {74, 41, 124, 20});
    _markLenthSlider->setRange(int(kMinLength), int(kMaxLength));
    _markLengthField = named(new QLineEdit(view), "_markLengthField", {206, 40, 44, 22});
    connectMeasure(_markLenthSlider, _markLengthField,
                   &TMPrintAreaObjectController::markLengthChanged);

    _markOffsetLabel = label("_markOffsetLabel", "INSP_CUT_MARK_OFFSET", 72);
    _markOffsetSlider =
        named(new QSlider(Qt::Horizontal, view), "_markOffsetSlider", {74, 71, 124, 20});
    _markOffsetSlider->setRange(int(kMinOffset), int(kMaxOffset));
    _markOffsetField = named(new QLineEdit(view), "_markOffsetField", {206, 70, 44, 22});
    connectMeasure(_markOffsetSlider, _markOffsetField,
                   &TMPrintAreaObjectController::markOffsetChanged);

    _markColorLabel = label("_markColorLabel", "INSP_CUT_MARK_COLOR", 104);
    _markColorWell = named(new ColorWell(view), "_markColorWell", {74, 100, 38, 26});
    QObject::connect(_markColorWell, &ColorWell::colorChosen, _markColorWell,
                     [this] { markColorChanged(_markColorWell); });
}

void TMPrintAreaObjectController::connectMeasure(
    QSlider* slider, QLineEdit* field, void (TMPrintAreaObjectController::*action)(QObject*)) {
    connectSliderFollowedByField(slider, field,
                                 [this, action](QObject* sender) { (this->*action)(sender); });
    QObject::connect(field, &QLineEdit::editingFinished, field,
                     [this, field, action] { (this->*action)(field); });
}

// ---------------------------------------------------------------------------
// Properties

QVariant TMPrintAreaObjectController::cutMarksState() const {
    return propertyValue(&TMPrintAreaObject::cutMarksState, _cutMarksEnabled);
}

void TMPrintAreaObjectController::setCutMarksState(const QVariant& state) {
    setPropertyValue(state, &TMPrintAreaObject::setCutMarksState, _cutMarksEnabled);
}

QVariant TMPrintAreaObjectController::cutMarkLength() const {
    return propertyValue(&TMPrintAreaObject::cutMarkLength, _cutMarkLen);
}

void TMPrintAreaObjectController::setCutMarkLength(const QVariant& length) {
    setPropertyValue(length, &TMPrintAreaObject::setCutMarkLength, _cutMarkLen);
}

QVariant TMPrintAreaObjectController::cutMarkOffset() const {
    return propertyValue(&TMPrintAreaObject::cutMarkOffset, _cutMarkOffset);
}

void TMPrintAreaObjectController::setCutMarkOffset(const QVariant& offset) {
    setPropertyValue(offset, &TMPrintAreaObject::setCutMarkOffset, _cutMarkOffset);
}

QVariant TMPrintAreaObjectController::cutMarkColor() const {
    return propertyValue(&TMPrintAreaObject::cutMarkColor, _cutMarkColor);
}

void TMPrintAreaObjectController::setCutMarkColor(const QVariant& color) {
    setPropertyValue(color, &TMPrintAreaObject::setCutMarkColor, _cutMarkColor);
}

// ---------------------------------------------------------------------------
// Actions

void TMPrintAreaObjectController::cuttingMarkSwitchChanged(QObject*) {
    setCutMarksState(_cuttingMarksSwitch->isChecked());
}

void TMPrintAreaObjectController::markLengthChanged(QObject* sender) {
    const float value = sender == _markLenthSlider ? float(_markLenthSlider->value())
                                                   : fieldValue(_markLengthField);
    setCutMarkLength(std::clamp(value, kMinLength, kMaxLength));
    updateInspectorPalette();
    if (sender == _markLenthSlider)
        makeFirstResponder(_markLengthField);
}

void TMPrintAreaObjectController::markOffsetChanged(QObject* sender) {
    const float value = sender == _markOffsetSlider ? float(_markOffsetSlider->value())
                                                    : fieldValue(_markOffsetField);
    setCutMarkOffset(std::clamp(value, kMinOffset, kMaxOffset));
    updateInspectorPalette();
    if (sender == _markOffsetSlider)
        makeFirstResponder(_markOffsetField);
}

void TMPrintAreaObjectController::markColorChanged(QObject*) {
    setCutMarkColor(QVariant::fromValue(Color::fromQColor(_markColorWell->color())));
}

// ---------------------------------------------------------------------------
// Palette

void TMPrintAreaObjectController::setInspectedObject(const TMObjectRef& object) {
    if (object == inspectedObject())
        return;
    _markColorWell->deactivate();
    TMObjectController::setInspectedObject(object);
}

void TMPrintAreaObjectController::updateInspectorPalette() {
    const bool on = cutMarksState().toBool();
    {
        const QSignalBlocker quiet(_cuttingMarksSwitch);
        _cuttingMarksSwitch->setChecked(on);
    }
    _markColorWell->setColor(cutMarkColor().value<Color>().toQColor());
    const float length = cutMarkLength().toFloat();
    showOnSlider(_markLenthSlider, length);
    showNumber(_markLengthField, length);
    const float offset = cutMarkOffset().toFloat();
    showOnSlider(_markOffsetSlider, offset);
    showNumber(_markOffsetField, offset);
    for (QWidget* control :
         std::initializer_list<QWidget*>{_markLenthSlider, _markLengthField, _markOffsetSlider,
                                         _markOffsetField, _markColorWell})
        control->setEnabled(on);
    for (QLabel* label : {_markLengthLabel, _markOffsetLabel, _markColorLabel})
        TM_EnableControlText(label, on);
}

QWidget* TMPrintAreaObjectController::getInspectorPalette() {
    updateInspectorPalette();
    return _paletteView;
}
