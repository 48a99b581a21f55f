#pragma once

#include "platform/foundation/PlatformExport.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariantMap>
#include <optional>

// What scripts may ask of one kind of object, read from its D-Bus interface
// file: the methods with the argument keys each accepts, and the properties.
// The file is both the introspection a bus client sees and the table the bus
// checks calls against, so the two cannot drift apart.
class LUMISK_PLATFORM_EXPORT ScriptingDictionary {
public:
    enum class Kind { Text, Number, Integer, Flag, Any };

    struct Key {
        QString name;
        Kind kind = Kind::Any;
    };
    struct Method {
        QString name;
        QList<Key> keys;
    };
    struct Property {
        QString name;
        QString type; // D-Bus signature
        bool writable = false;
    };

    // A key is declared by an annotation "<kKeyAnnotation><key>" on its method,
    // with the kind as value: s text, d number, i integer, b flag, v anything.
    static constexpr char kKeyAnnotation[] = "com.varnsoft.Lumisk.Key.";

    // Reads the first interface of an introspection document. A file that
    // does not parse leaves the dictionary empty, with errorString() set.
    explicit ScriptingDictionary(const QByteArray& xml);
    static ScriptingDictionary fromFile(const QString& path);

    bool isValid() const { return _errorString.isEmpty(); }
    const QString& errorString() const { return _errorString; }

    const QString& interfaceName() const { return _interfaceName; }
    // The interface element as written in the file.
    const QString& introspection() const { return _introspection; }
    const QList<Method>& methods() const { return _methods; }
    const QList<Property>& properties() const { return _properties; }
    const Method* method(const QString& name) const;
    const Property* property(const QString& name) const;

    // Empty when every given key is declared and its value of the key's kind;
    // otherwise an error text naming the first key that is not.
    static QString checkArguments(const Method& method, const QVariantMap& arguments);
    static bool fits(const QVariant& value, Kind kind);
    // The kind of a basic D-Bus type ("s", "d", "i", "b", "v"); none for any other.
    static std::optional<Kind> kindOfType(const QString& signature);

private:
    QString _interfaceName;
    QString _introspection;
    QList<Method> _methods;
    QList<Property> _properties;
    QString _errorString;
};
