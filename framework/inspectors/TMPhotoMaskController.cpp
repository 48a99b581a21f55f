#include "framework/inspectors/TMPhotoMaskController.h"

#include "framework/Formwell.h"
#include "framework/inspectors/TMObjectController.h"
#include "framework/model/TemplateDocument.h"

#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSlider>
#include <algorithm>
#include <cmath>

namespace {

constexpr char kBaseClassName[] = "TMPhotoMaskController";

QHash<QString, TMPhotoMaskController::Factory>& factories() {
    static QHash<QString, TMPhotoMaskController::Factory> registry;
    return registry;
}

} // namespace

TMPhotoMaskController::TMPhotoMaskController() = default;

TMPhotoMaskController::~TMPhotoMaskController() {
    delete _paletteView;
}

void TMPhotoMaskController::registerMaskControllerClass(const QString& className, Factory factory) {
    if (factory)
        factories().insert(className, std::move(factory));
    else
        factories().remove(className);
}

TMPhotoMaskController*
TMPhotoMaskController::maskControllerForDocument(const QString& className,
                                                 TemplateDocument* document) {
    if (!document || className == QLatin1String(kBaseClassName))
        return nullptr;
    for (QObject* member : document->objectControllers()) {
        auto* controller = qobject_cast<TMPhotoMaskController*>(member);
        if (controller && QLatin1String(member->metaObject()->className()) == className)
            return controller;
    }
    const auto found = factories().constFind(className);
    if (found == factories().constEnd())
        return nullptr;
    std::unique_ptr<TMPhotoMaskController> made = found.value()();
    if (!made)
        return nullptr;
    TMPhotoMaskController* controller = made.get();
    document->addObjectController(std::move(made));
    return controller;
}

QString TMPhotoMaskController::nibName() const {
    return {};
}

void TMPhotoMaskController::setInspectedMask(const TMPhotoMaskRef& mask) {
    if (mask == _inspectedMask)
        return;
    _inspectedMask = mask;
    updateInspectorPalette();
}

void TMPhotoMaskController::setEnabled(bool enabled) {
    _enabled = enabled;
}

void TMPhotoMaskController::storeEnabled(bool enabled) {
    if (enabled == _enabled)
        return;
    _enabled = enabled;
    updateInspectorPalette();
}

void TMPhotoMaskController::updateInspectorPalette() {}

QWidget* TMPhotoMaskController::getInspectorPalette() {
    if (!_paletteView)
        return nullptr;
    updateInspectorPalette();
    return _paletteView;
}

// ---------------------------------------------------------------------------
// Palette building

void TMPhotoMaskController::makePalette(const QString& name, int rows) {
    _paletteView = new QWidget;
    _paletteView->setObjectName(name);
    _paletteView->setFixedSize(kPaletteWidth, rowTop(rows) + 4);
}

QLabel* TMPhotoMaskController::addLabel(const char* name, const char* key, int row) {
    auto* label = new QLabel(frameworkString(key), _paletteView);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(4, rowTop(row) + 2, 66, 18);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

QSlider* TMPhotoMaskController::addSlider(const char* name, int row, int minimum, int maximum) {
    auto* slider = new QSlider(Qt::Horizontal, _paletteView);
    slider->setObjectName(QString::fromLatin1(name));
    slider->setGeometry(74, rowTop(row) + 1, 124, 20);
    slider->setRange(minimum, maximum);
    return slider;
}

QLineEdit* TMPhotoMaskController::addField(const char* name, int row) {
    auto* field = new QLineEdit(_paletteView);
    field->setObjectName(QString::fromLatin1(name));
    field->setGeometry(206, rowTop(row), 44, 22);
    return field;
}

void TMPhotoMaskController::connectMeasure(QSlider* slider, QLineEdit* field,
                                           std::function<void(QObject*)> action) {
    // A drag is applied when the slider is let go; the field then shows the value.
    QObject::connect(slider, &QSlider::sliderReleased, slider,
                     [slider, action] { action(slider); });
    QObject::connect(slider, &QSlider::valueChanged, slider, [slider, action] {
        if (!slider->isSliderDown())
            action(slider);
    });
    QObject::connect(field, &QLineEdit::editingFinished, field, [field, action] { action(field); });
}

void TMPhotoMaskController::showOnSlider(QSlider* slider, float value) {
    const QSignalBlocker quiet(slider);
    slider->setValue(int(std::lround(value)));
}

void TMPhotoMaskController::showInteger(QLineEdit* field, int value) {
    field->setText(QString::number(value));
}

float TMPhotoMaskController::readMeasure(QObject* sender, QSlider* slider, QLineEdit* field,
                                         float minimum, float maximum, bool integral) {
    if (sender == slider) {
        // Read first: the field that loses the keyboard may refresh the palette.
        const float value = float(slider->value());
        TMObjectController::makeFirstResponder(field);
        return value;
    }
    float value = TMObjectController::fieldValue(field);
    if (integral)
        value = float(int(value));
    if (value > maximum || value < minimum || integral) {
        value = std::clamp(value, minimum, maximum);
        TMObjectController::showNumber(field, value);
    }
    return value;
}
