#include "framework/inspectors/TMObjectController.h"

#include "framework/Formwell.h"
#include "framework/model/TMUtilities.h"
#include "framework/model/TemplateDocument.h"
#include "platform/foundation/HostServices.h"
#include "utilities/NumberText.h"

#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSlider>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace {

constexpr char kBaseClassName[] = "TMObjectController";
constexpr uint32_t kPantherVersion = 0x1030;

QHash<QString, TMObjectController::Factory>& factories() {
    static QHash<QString, TMObjectController::Factory> registry;
    return registry;
}

} // namespace

TMObjectController::TMObjectController() = default;

TMObjectController::~TMObjectController() = default;

void TMObjectController::registerControllerClass(const QString& className, Factory factory) {
    if (factory)
        factories().insert(className, std::move(factory));
    else
        factories().remove(className);
}

bool TMObjectController::isControllerClassRegistered(const QString& className) {
    return factories().contains(className);
}

TMObjectController* TMObjectController::objectControllerForDocument(const QString& className,
                                                                    TemplateDocument* document) {
    if (!document || className == QLatin1String(kBaseClassName))
        return nullptr;
    for (QObject* member : document->objectControllers()) {
        auto* controller = qobject_cast<TMObjectController*>(member);
        if (controller && controller->_controllerClassName == className)
            return controller;
    }
    const auto found = factories().constFind(className);
    if (found == factories().constEnd())
        return nullptr;
    std::unique_ptr<TMObjectController> made = found.value()();
    if (!made)
        return nullptr;
    made->_controllerClassName = className;
    TMObjectController* controller = made.get();
    document->addObjectController(std::move(made));
    return controller;
}

void TMObjectController::setInspectedObject(const TMObjectRef& object) {
    _inspectedObject = object;
}

void TMObjectController::updateInspectorPalette() {}

QWidget* TMObjectController::getInspectorPalette() {
    return nullptr;
}

void TMObjectController::deactivateColorWells(QObject*) {}

float TMObjectController::fieldValue(const QLineEdit* field) {
    return field ? textValue(field->text()) : 0.0f;
}

float TMObjectController::textValue(const QString& text) {
    return float(readLocalizedNumber(text, TM_LocalizeDecimalString(QStringLiteral("."))));
}

QString TMObjectController::numberText(float value) {
    return UTMinimalFloatStr(double(value), "%1.2f");
}

void TMObjectController::showNumber(QLineEdit* field, float value) {
    if (field)
        field->setText(numberText(value));
}

void TMObjectController::showOnSlider(QSlider* slider, float value) {
    const QSignalBlocker quiet(slider);
    slider->setValue(int(std::lround(value)));
}

void TMObjectController::connectSliderFollowedByField(
    QSlider* slider, QLineEdit* field, const std::function<void(QObject*)>& changed) {
    QObject::connect(slider, &QSlider::sliderReleased, slider,
                     [slider, changed] { changed(slider); });
    QObject::connect(slider, &QSlider::valueChanged, slider, [slider, field, changed] {
        if (slider->isSliderDown())
            showNumber(field, float(slider->value()));
        else
            changed(slider);
    });
}

void TMObjectController::makeFirstResponder(QWidget* field) {
    if (field)
        field->setFocus(Qt::OtherFocusReason);
}

void TMObjectController::buildOpacityRow(QWidget* palette, QSlider*& slider, QLineEdit*& field,
                                         const std::function<void(QObject*)>& changed) {
    auto* label = new QLabel(frameworkString("INSP_OPACITY"), palette);
    label->setGeometry(4, 10, 66, 18);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    slider = new QSlider(Qt::Horizontal, palette);
    slider->setObjectName(QStringLiteral("_opacitySlider"));
    slider->setGeometry(74, 9, 124, 20);
    slider->setRange(0, 100);
    field = new QLineEdit(palette);
    field->setObjectName(QStringLiteral("_opacityField"));
    field->setGeometry(206, 8, 44, 22);
    QSlider* s = slider;
    QLineEdit* f = field;
    QObject::connect(s, &QSlider::sliderReleased, s, [s, changed] { changed(s); });
    QObject::connect(s, &QSlider::valueChanged, s, [s, changed] {
        if (!s->isSliderDown())
            changed(s);
    });
    QObject::connect(f, &QLineEdit::editingFinished, f, [f, changed] { changed(f); });
}

void TMObjectController::showOpacity(QSlider* slider, QLineEdit* field, float opacity) {
    {
        const QSignalBlocker quiet(slider);
        slider->setValue(int(std::lround(opacity * 100.0f)));
    }
    showNumber(field, opacity * 100.0f);
}

bool TMObjectController::isOldSystem() {
    HostServices* host = HostServices::current();
    return host && host->osSystemVersion() < kPantherVersion;
}

void TMObjectController::appendExtensionView(QWidget* palette, QWidget* view) {
    if (!palette || !view || view->parentWidget() == palette)
        return;
    const int height = view->height();
    const int top = palette->height();
    palette->setFixedHeight(top + height);
    view->setParent(palette);
    view->move(view->x(), top);
    view->show();
    palette->update();
}

void TMObjectController::removeExtensionView(QWidget* palette, QWidget* view) {
    if (!palette || !view || view->parentWidget() != palette)
        return;
    const int height = view->height();
    const int bottom = view->y() + height;
    view->hide();
    view->setParent(nullptr);
    for (QWidget* child : palette->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        if (child->y() >= bottom)
            child->move(child->x(), child->y() - height);
    palette->setFixedHeight(std::max(0, palette->height() - height));
    palette->update();
    if (QWidget* superview = palette->parentWidget())
        superview->update();
}

bool TMObjectController::isExtensionViewShown(const QWidget* palette, const QWidget* view) {
    return palette && view && view->parentWidget() == palette;
}
