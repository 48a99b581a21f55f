#pragma once

#include "framework/FormwellExport.h"
#include "framework/model/TMObject.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>
#include <functional>
#include <memory>
#include <type_traits>

class QLineEdit;
class QSlider;
class QWidget;
class TemplateDocument;

// The base of the inspectors of page objects. An inspector drives one palette
// view that shows and edits the one object it is handed; each template
// document keeps one inspector per inspector class (its objectControllers),
// found by the name a page object answers from objectControllerClass.
//
// Inspector classes make themselves known by name with a factory; a name
// without one, and the base itself, has no inspector.
//
// Every property follows one pattern. Its getter answers a QVariant of the
// property's own kind (bool, float and int kept apart; other values as
// themselves): the inspected object's value, or with nothing inspected the
// inspector's held value. Its setter passes the value on to the inspected
// object's setter, which registers the undo step under its own name; with
// nothing inspected a value that differs replaces the held one and the palette
// shows it. Control handlers go through the inspector's own setters only.
//
// The palette view belongs to its inspector, so to its document; the
// Inspector shows it without owning it.
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

    // Helpers of the palettes.
    // A field's number as the user reads it (0 when it shows none).
    static float fieldValue(const QLineEdit* field);
    static float textValue(const QString& text);
    // A measure with at most two decimals, in the user's decimal separator.
    static QString numberText(float value);
    static void showNumber(QLineEdit* field, float value);
    // A value on a slider, rounded, without reporting it.
    static void showOnSlider(QSlider* slider, float value);
    // A slider whose field follows a drag as it goes: the drag reports to
    // changed when the slider is let go, a click or a key at once.
    static void connectSliderFollowedByField(QSlider* slider, QLineEdit* field,
                                             const std::function<void(QObject*)>& changed);
    // The field takes the keyboard in its window.
    static void makeFirstResponder(QWidget* field);
    // Whether the host lacks shadows, line-height multiples and the round
    // slider of the palettes (a system before 10.3).
    static bool isOldSystem();

    // Extension views. Appending puts the view below the palette's last row
    // (at its own left edge) and makes the palette taller by its height;
    // removing takes it out, moves what was below it up and makes the
    // palette shorter again. The palette's top stays where it is.
    static void appendExtensionView(QWidget* palette, QWidget* view);
    static void removeExtensionView(QWidget* palette, QWidget* view);
    // Whether the view is in the palette now.
    static bool isExtensionViewShown(const QWidget* palette, const QWidget* view);

protected:
    // The opacity row at the top of the image and photo-cell palettes: a
    // slider in hundredths and a percent field, each reporting to changed with
    // itself as sender; a drag reports when the slider is let go.
    static void buildOpacityRow(QWidget* palette, QSlider*& slider, QLineEdit*& field,
                                const std::function<void(QObject*)>& changed);
    // An opacity of 0 to 1 in both, the slider without reporting it.
    static void showOpacity(QSlider* slider, QLineEdit* field, float opacity);

    // The inspected object as a class of page object, or null.
    template <class Object> std::shared_ptr<Object> inspected() const {
        return std::dynamic_pointer_cast<Object>(_inspectedObject);
    }

    template <class Value> static QVariant box(const Value& value) {
        if constexpr (std::is_same_v<Value, bool> || std::is_same_v<Value, float> ||
                      std::is_same_v<Value, QString>)
            return QVariant(value);
        else if constexpr (std::is_integral_v<Value>)
            return QVariant(int(value));
        else
            return QVariant::fromValue(value);
    }
    template <class Value> static Value unbox(const QVariant& value) {
        if constexpr (std::is_same_v<Value, bool>)
            return value.toBool();
        else if constexpr (std::is_same_v<Value, float>)
            return value.toFloat();
        else if constexpr (std::is_integral_v<Value>)
            return Value(value.toInt());
        else if constexpr (std::is_same_v<Value, QString>)
            return value.toString();
        else
            return value.value<Value>();
    }

    // The getter of the pattern.
    template <class Object, class Result, class Value>
    QVariant propertyValue(Result (Object::*getter)() const, const Value& held) const {
        if (const std::shared_ptr<Object> object = inspected<Object>())
            return box<Value>(Value(((*object).*getter)()));
        return box<Value>(held);
    }
    // The setter of the pattern.
    template <class Object, class Argument, class Value>
    void setPropertyValue(const QVariant& value, void (Object::*setter)(Argument), Value& held) {
        const Value unboxed = unbox<Value>(value);
        if (const std::shared_ptr<Object> object = inspected<Object>()) {
            ((*object).*setter)(unboxed);
            return;
        }
        if (unboxed == held)
            return;
        held = unboxed;
        updateInspectorPalette();
    }

private:
    TMObjectRef _inspectedObject;
    QString _controllerClassName;
};
