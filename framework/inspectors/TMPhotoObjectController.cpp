#include "framework/inspectors/TMPhotoObjectController.h"

#include "framework/Formwell.h"
#include "framework/inspectors/TMPhotoMaskController.h"
#include "framework/inspectors/TMShadowSection.h"
#include "framework/model/TMPhotoMaskManager.h"
#include "framework/model/TMPhotoObject.h"
#include "framework/model/TemplateDocument.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSlider>
#include <algorithm>

namespace {

[[maybe_unused]] const bool kRegistered = [] {
    TMObjectController::registerControllerClass(TMPhotoObject::classObjectControllerClass(), [] {
        return std::make_unique<TMPhotoObjectController>();
    });
    return true;
}();

constexpr int kPaletteWidth = 260;
constexpr int kShadowTop = 38;
constexpr int kMaskTop = kShadowTop + TMShadowSection::kHeight + 6;
constexpr int kHolderTop = kMaskTop + 58;

QString str(const char* text) {
    return QString::fromLatin1(text);
}

template <class T> T* named(T* widget, const char* name, QRect frame) {
    widget->setObjectName(str(name));
    widget->setGeometry(frame);
    return widget;
}

} // namespace

TMPhotoObjectController::TMPhotoObjectController() {
    loadPalette();
}

TMPhotoObjectController::~TMPhotoObjectController() {
    releaseMaskPalette();
    delete _paletteView;
}

void TMPhotoObjectController::loadPalette() {
    _paletteView = new QWidget;
    _paletteView->setObjectName(str("PhotoPalette"));
    _paletteView->setFixedSize(kPaletteWidth, kHolderTop + kEmptyHolderHeight);
    QWidget* view = _paletteView;

    buildOpacityRow(view, _opacitySlider, _opacityField,
                    [this](QObject* sender) { opacityChanged(sender); });

    buildShadowSection(view, kShadowTop, TMShadowSection::LabelNames::PhotoCell);

    _maskEnabledSwitch = named(new QCheckBox(frameworkString("INSP_MASK"), view),
                               "_maskEnabledSwitch", {10, kMaskTop, 240, 20});
    QObject::connect(_maskEnabledSwitch, &QCheckBox::clicked, _maskEnabledSwitch,
                     [this] { maskEnabledChanged(_maskEnabledSwitch); });
    auto* kindLabel = new QLabel(frameworkString("INSP_MASK_KIND"), view);
    kindLabel->setGeometry(4, kMaskTop + 29, 66, 18);
    kindLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    _maskPopUp = named(new QComboBox(view), "_maskPopUp", {74, kMaskTop + 26, 176, 24});
    _maskPopUp->addItems(TMPhotoMaskManager::sharedManager()->photoMaskNames());
    QObject::connect(_maskPopUp, &QComboBox::activated, _maskPopUp,
                     [this] { maskChanged(_maskPopUp); });

    _maskInspectorView = named(new QWidget(view), "_maskInspectorView",
                               {0, kHolderTop, kPaletteWidth, kEmptyHolderHeight});
}

// ---------------------------------------------------------------------------
// Properties

QVariant TMPhotoObjectController::opacity() const {
    return propertyValue(&TMPhotoObject::opacity, _opacity);
}

void TMPhotoObjectController::setOpacity(const QVariant& opacity) {
    setPropertyValue(QVariant(opacity.toFloat()), &TMPhotoObject::setOpacity, _opacity);
}

QVariant TMPhotoObjectController::maskEnabled() const {
    return propertyValue(&TMPhotoObject::maskEnabled, _photoMaskEnabled);
}

void TMPhotoObjectController::setMaskEnabled(const QVariant& enabled) {
    setPropertyValue(enabled, &TMPhotoObject::setMaskEnabled, _photoMaskEnabled);
}

QVariant TMPhotoObjectController::mask() const {
    return propertyValue(&TMPhotoObject::mask, _photoMask);
}

void TMPhotoObjectController::setMask(const QVariant& mask) {
    setPropertyValue(mask, &TMPhotoObject::setMask, _photoMask);
}

// ---------------------------------------------------------------------------
// Actions

void TMPhotoObjectController::opacityChanged(QObject* sender) {
    if (sender == _opacitySlider) {
        const float opacity = float(_opacitySlider->value()) / 100.0f;
        showNumber(_opacityField, opacity * 100.0f);
        makeFirstResponder(_opacityField);
        setOpacity(opacity);
        return;
    }
    const float typed = fieldValue(_opacityField);
    const float percent = std::clamp(typed, 0.0f, 100.0f);
    if (percent != typed)
        showNumber(_opacityField, percent);
    setOpacity(percent / 100.0f);
}

void TMPhotoObjectController::maskChanged(QObject*) {
    const QString title = _maskPopUp->currentText();
    const TMPhotoMaskRef current = mask().value<TMPhotoMaskRef>();
    if (current && current->name() == title)
        return;
    if (const TMPhotoMaskRef made = TMPhotoMaskManager::sharedManager()->photoMaskWithName(title))
        setMask(QVariant::fromValue(made));
}

void TMPhotoObjectController::maskEnabledChanged(QObject*) {
    const bool on = _maskEnabledSwitch->isChecked();
    if (on && !mask().value<TMPhotoMaskRef>())
        maskChanged(_maskPopUp);
    setMaskEnabled(on);
}

// ---------------------------------------------------------------------------
// Palette

TMPhotoMaskController* TMPhotoObjectController::maskController() const {
    const std::shared_ptr<TMPhotoObject> cell = inspected<TMPhotoObject>();
    if (!cell || !cell->mask())
        return nullptr;
    return TMPhotoMaskController::maskControllerForDocument(
        cell->mask()->maskControllerClass(),
        dynamic_cast<TemplateDocument*>(cell->parentDocument()));
}

void TMPhotoObjectController::setInspectedObject(const TMObjectRef& object) {
    if (object == inspectedObject())
        return;
    TMObjectController::setInspectedObject(object);
    if (TMPhotoMaskController* controller = maskController()) {
        controller->setInspectedMask(inspected<TMPhotoObject>()->mask());
        setMaskInspectorPalette(controller->getInspectorPalette());
    }
}

void TMPhotoObjectController::updateInspectorPalette() {
    const std::shared_ptr<TMPhotoObject> cell = inspected<TMPhotoObject>();
    TMPhotoMaskController* controller = maskController();
    if (cell && cell->mask()) {
        {
            const QSignalBlocker quiet(_maskPopUp);
            _maskPopUp->setCurrentIndex(_maskPopUp->findText(cell->mask()->name()));
        }
        if (!controller) {
            setMaskInspectorPalette(nullptr);
        } else {
            if (controller->inspectedMask() != cell->mask())
                controller->setInspectedMask(cell->mask());
            // Undoing a change of kind brings back a mask its inspector still
            // holds: its palette has to come back too.
            if (_maskInspectorPalette != controller->paletteView() ||
                controller->inspectedMask() != cell->mask())
                setMaskInspectorPalette(controller->getInspectorPalette());
        }
    } else if (cell) {
        setMaskInspectorPalette(nullptr);
    }

    showOpacity(_opacitySlider, _opacityField, opacity().toFloat());
    _shadowSection->updateShadowControls();

    const bool on = maskEnabled().toBool();
    {
        const QSignalBlocker quiet(_maskEnabledSwitch);
        _maskEnabledSwitch->setChecked(on);
    }
    _maskPopUp->setEnabled(on);
    if (controller)
        controller->setEnabled(on);
}

QWidget* TMPhotoObjectController::getInspectorPalette() {
    updateInspectorPalette();
    return _paletteView;
}

void TMPhotoObjectController::releaseMaskPalette() {
    if (!_maskInspectorPalette)
        return;
    _maskInspectorPalette->hide();
    _maskInspectorPalette->setParent(nullptr);
    _maskInspectorPalette = nullptr;
}

void TMPhotoObjectController::setMaskInspectorPalette(QWidget* view) {
    if (_maskInspectorPalette && _maskInspectorPalette != view)
        releaseMaskPalette();
    // The palette's top stays where it is; the holder at its foot grows or
    // shrinks downward and the palette with it.
    const int wanted = view ? view->height() + kHolderMargin : kEmptyHolderHeight;
    const int delta = wanted - _maskInspectorView->height();
    if (delta != 0) {
        _maskInspectorView->resize(_maskInspectorView->width(), wanted);
        _paletteView->setFixedHeight(_paletteView->height() + delta);
        _paletteView->update();
    }
    if (view) {
        view->setParent(_maskInspectorView);
        view->move(0, 0);
        view->show();
        _maskInspectorPalette = view;
    }
}
