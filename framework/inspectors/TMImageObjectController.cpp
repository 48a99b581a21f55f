#include "framework/inspectors/TMImageObjectController.h"

#include "framework/Formwell.h"
#include "framework/inspectors/TMShadowSection.h"
#include "framework/model/TMImageObject.h"
#include "platform/graphics/Compositing.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSlider>
#include <algorithm>
#include <cmath>

namespace {

[[maybe_unused]] const bool kRegistered = [] {
    TMObjectController::registerControllerClass(TMImageObject::classObjectControllerClass(), [] {
        return std::make_unique<TMImageObjectController>();
    });
    return true;
}();

constexpr int kPaletteWidth = 260;
constexpr int kShadowTop = 118;

QString str(const char* text) {
    return QString::fromLatin1(text);
}

template <class T> T* named(T* widget, const char* name, QRect frame) {
    widget->setObjectName(str(name));
    widget->setGeometry(frame);
    return widget;
}

// The operations the drawing maps, with their titles.
constexpr std::pair<CompositingOperation, const char*> kOperations[] = {
    {CompositingOperation::Clear, "INSP_COMP_CLEAR"},
    {CompositingOperation::Copy, "INSP_COMP_COPY"},
    {CompositingOperation::SourceOver, "INSP_COMP_SOURCE_OVER"},
    {CompositingOperation::SourceIn, "INSP_COMP_SOURCE_IN"},
    {CompositingOperation::SourceOut, "INSP_COMP_SOURCE_OUT"},
    {CompositingOperation::SourceAtop, "INSP_COMP_SOURCE_ATOP"},
    {CompositingOperation::DestinationOver, "INSP_COMP_DEST_OVER"},
    {CompositingOperation::DestinationIn, "INSP_COMP_DEST_IN"},
    {CompositingOperation::DestinationOut, "INSP_COMP_DEST_OUT"},
    {CompositingOperation::DestinationAtop, "INSP_COMP_DEST_ATOP"},
    {CompositingOperation::XOR, "INSP_COMP_XOR"},
    {CompositingOperation::PlusDarker, "INSP_COMP_PLUS_DARKER"},
    {CompositingOperation::Highlight, "INSP_COMP_HIGHLIGHT"},
    {CompositingOperation::PlusLighter, "INSP_COMP_PLUS_LIGHTER"},
};

} // namespace

TMImageObjectController::TMImageObjectController() {
    loadPalette();
}

TMImageObjectController::~TMImageObjectController() {
    delete _paletteView;
}

void TMImageObjectController::loadPalette() {
    _paletteView = new QWidget;
    _paletteView->setObjectName(str("ImagePalette"));
    _paletteView->setFixedSize(kPaletteWidth, kShadowTop + TMShadowSection::kHeight + 4);
    QWidget* view = _paletteView;
    const auto label = [view](const char* key, int y) {
        auto* l = new QLabel(frameworkString(key), view);
        l->setGeometry(4, y, 66, 18);
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    };

    buildOpacityRow(view, _opacitySlider, _opacityField,
                    [this](QObject* sender) { opacityChanged(sender); });

    label("INSP_COMPOSITION", 40);
    _compositionPopUp = named(new QComboBox(view), "_compositionPopUp", {74, 37, 176, 24});
    for (const auto& [operation, key] : kOperations)
        _compositionPopUp->addItem(frameworkString(key), int(operation));
    QObject::connect(_compositionPopUp, &QComboBox::activated, _compositionPopUp,
                     [this] { compositionPopupChanged(_compositionPopUp); });

    _horizFlipSwitch = named(new QCheckBox(frameworkString("INSP_FLIP_HORIZ"), view),
                             "_horizFlipSwitch", {74, 68, 176, 20});
    QObject::connect(_horizFlipSwitch, &QCheckBox::clicked, _horizFlipSwitch,
                     [this] { horizFlipChanged(_horizFlipSwitch); });
    _vertFlipSwitch = named(new QCheckBox(frameworkString("INSP_FLIP_VERT"), view),
                            "_vertFlipSwitch", {74, 92, 176, 20});
    QObject::connect(_vertFlipSwitch, &QCheckBox::clicked, _vertFlipSwitch,
                     [this] { vertFlipChanged(_vertFlipSwitch); });

    buildShadowSection(view, kShadowTop);
}

// ---------------------------------------------------------------------------
// Properties

QVariant TMImageObjectController::opacity() const {
    return propertyValue(&TMImageObject::opacity, _opacity);
}

void TMImageObjectController::setOpacity(const QVariant& opacity) {
    setPropertyValue(QVariant(opacity.toFloat()), &TMImageObject::setOpacity, _opacity);
}

QVariant TMImageObjectController::composition() const {
    return propertyValue(&TMImageObject::composition, _composition);
}

void TMImageObjectController::setComposition(const QVariant& composition) {
    setPropertyValue(composition, &TMImageObject::setComposition, _composition);
}

QVariant TMImageObjectController::flipHorizontal() const {
    return propertyValue(&TMImageObject::flipHorizontal, _flippedHoriz);
}

void TMImageObjectController::setFlipHorizontal(const QVariant& flip) {
    setPropertyValue(flip, &TMImageObject::setFlipHorizontal, _flippedHoriz);
}

QVariant TMImageObjectController::flipVertical() const {
    return propertyValue(&TMImageObject::flipVertical, _flippedVert);
}

void TMImageObjectController::setFlipVertical(const QVariant& flip) {
    setPropertyValue(flip, &TMImageObject::setFlipVertical, _flippedVert);
}

// ---------------------------------------------------------------------------
// Actions

void TMImageObjectController::opacityChanged(QObject* sender) {
    float opacity;
    if (sender == _opacitySlider) {
        opacity = float(_opacitySlider->value()) / 100.0f;
        showNumber(_opacityField, opacity * 100.0f);
        makeFirstResponder(_opacityField);
    } else {
        const float percent = std::clamp(fieldValue(_opacityField), 0.0f, 100.0f);
        if (percent != fieldValue(_opacityField))
            showNumber(_opacityField, percent);
        opacity = percent / 100.0f;
    }
    setOpacity(opacity);
    const QSignalBlocker quiet(_opacitySlider);
    _opacitySlider->setValue(int(std::lround(opacity * 100.0f)));
}

void TMImageObjectController::compositionPopupChanged(QObject*) {
    setComposition(_compositionPopUp->currentData().toInt());
}

void TMImageObjectController::horizFlipChanged(QObject*) {
    setFlipHorizontal(_horizFlipSwitch->isChecked());
}

void TMImageObjectController::vertFlipChanged(QObject*) {
    setFlipVertical(_vertFlipSwitch->isChecked());
}

// ---------------------------------------------------------------------------
// Palette

void TMImageObjectController::updateInspectorPalette() {
    showOpacity(_opacitySlider, _opacityField, opacity().toFloat());
    {
        const QSignalBlocker quiet(_compositionPopUp);
        _compositionPopUp->setCurrentIndex(_compositionPopUp->findData(composition().toInt()));
    }
    {
        const QSignalBlocker quiet(_horizFlipSwitch);
        _horizFlipSwitch->setChecked(flipHorizontal().toBool());
    }
    {
        const QSignalBlocker quiet(_vertFlipSwitch);
        _vertFlipSwitch->setChecked(flipVertical().toBool());
    }
    _shadowSection->updateShadowControls();
}

QWidget* TMImageObjectController::getInspectorPalette() {
    updateInspectorPalette();
    return _paletteView;
}
