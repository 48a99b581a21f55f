#include "framework/inspectors/TMObjectController.h"

#include "framework/model/TemplateDocument.h"

#include <QHash>

namespace {

constexpr char kBaseClassName[] = "TMObjectController";

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
