#pragma once

#include "framework/FormwellExport.h"
#include "framework/model/TMObject.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class QWidget;
class TemplateDocument;

// The base of the inspectors of page objects. An inspector drives one palette
// view that shows and edits the one object it is handed; each template
// document keeps one inspector per inspector class (its objectControllers),
// found by the name a page object answers from objectControllerClass.
//
// Inspector classes make themselves known by name with a factory; a name
// without one, and the base itself, has no inspector.
class FORMWELL_EXPORT TMObjectController : public QObject {
    Q_OBJECT

public:
    using Factory = std::function<std::unique_ptr<TMObjectController>()>;

    TMObjectController();
    ~TMObjectController() override;

    // Replaces the factory of a class name; an empty factory forgets the name.
    static void registerControllerClass(const QString& className, Factory factory);
    static bool isControllerClassRegistered(const QString& className);

    // The document's inspector of exactly that class (not one of a subclass),
    // made and added to the document when it has none. Null for no document,
    // for the base class and for a class without a factory.
    static TMObjectController* objectControllerForDocument(const QString& className,
                                                           TemplateDocument* document);

    // The name this inspector was made under.
    QString controllerClassName() const { return _controllerClassName; }

    // Holds the object (or none); the palette shows it at the next
    // getInspectorPalette.
    virtual void setInspectedObject(const TMObjectRef& object);
    TMObjectRef inspectedObject() const { return _inspectedObject; }
    // Reads every value into the palette's controls; nothing in the base.
    virtual void updateInspectorPalette();
    // The palette view, brought up to date; null in the base.
    virtual QWidget* getInspectorPalette();
    // Lets go of the colour panel; nothing in the base.
    virtual void deactivateColorWells(QObject* sender);

private:
    TMObjectRef _inspectedObject;
    QString _controllerClassName;
};
