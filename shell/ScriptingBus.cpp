#include "shell/ScriptingBus.h"

#include "catalog/CatalogEntry.h"
#include "documents/RoduvudeDadevizi.h"
#include "platform/documents/DocumentController.h"
#include "platform/system/ScriptCommand.h"
#include "shell/ScriptingBusEntries.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDebug>
#include <QFile>

namespace {

QString text(const char* latin1) {
    return QString::fromLatin1(latin1);
}

// One element of the root object's "Catalogs": a document's path and name.
struct CatalogRef {
    QDBusObjectPath path;
    QString name;
};

QDBusArgument& operator<<(QDBusArgument& argument, const CatalogRef& ref) {
    argument.beginStructure();
    argument << ref.path << ref.name;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, CatalogRef& ref) {
    argument.beginStructure();
    argument >> ref.path >> ref.name;
    argument.endStructure();
    return argument;
}

} // namespace

Q_DECLARE_METATYPE(CatalogRef)

namespace {

enum class Kind { Text, Number, Integer, Flag, Any };

struct Key {
    const char* name;
    Kind kind;
};

struct CommandKeys {
    const char* command;
    QList<Key> keys;
};

// The keys each command accepts and the kind of value each takes.
const QList<CommandKeys>& commandKeys() {
    static const QList<CommandKeys> table{
        {"AddPhoto", {{"File", Kind::Text}}},
        {"RotateCW", {}},
        {"RotateCCW", {}},
        {"Remove", {}},
        {"Enhance",
         {{"Saturation", Kind::Number},
          {"Brightness", Kind::Number},
          {"Contrast", Kind::Number},
          {"Sharpness", Kind::Integer}}},
        {"Print",
         {{"Resolution", Kind::Integer},
          {"Scope", Kind::Integer},
          {"Mirror", Kind::Flag},
          {"Skip Empty", Kind::Flag},
          {"Interaction", Kind::Flag}}},
        {"PrintToDisk",
         {{"Path", Kind::Text},
          {"BaseName", Kind::Text},
          {"Format", Kind::Any},
          {"Quality", Kind::Any},
          {"Resolution", Kind::Number},
          {"Mirror", Kind::Flag}}},
        {"PrintToEmail", {{"Dimensions", Kind::Text}, {"Quality", Kind::Any}}},
        {"SelectMasterTemplate", {{"DocumentID", Kind::Text}}},
    };
    return table;
}

bool isInteger(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::UChar:
        return true;
    default:
        return false;
    }
}

bool fits(const QVariant& value, Kind kind) {
    switch (kind) {
    case Kind::Text:
        return value.typeId() == QMetaType::QString;
    case Kind::Number:
        return isInteger(value) || value.typeId() == QMetaType::Double;
    case Kind::Integer:
        return isInteger(value);
    case Kind::Flag:
        return value.typeId() == QMetaType::Bool;
    case Kind::Any:
        return true;
    }
    return false;
}

// An empty text when every key is known and of its kind.
QString checkArguments(const CommandKeys& command, const QVariantMap& arguments) {
    for (auto it = arguments.begin(); it != arguments.end(); ++it) {
        const Key* known = nullptr;
        for (const Key& key : command.keys)
            if (it.key() == text(key.name))
                known = &key;
        if (!known)
            return text("Unknown key \"%1\".").arg(it.key());
        if (!fits(it.value(), known->kind))
            return text("Wrong kind of value for \"%1\".").arg(it.key());
    }
    return {};
}

const CommandKeys* findCommand(const QString& name) {
    for (const CommandKeys& command : commandKeys())
        if (name == text(command.command))
            return &command;
    return nullptr;
}

QVariant unwrap(const QVariant& value) {
    if (value.canConvert<QDBusVariant>() && value.userType() == qMetaTypeId<QDBusVariant>())
        return unwrap(value.value<QDBusVariant>().variant());
    return value;
}

QString propertyError() {
    return text("org.freedesktop.DBus.Error.InvalidArgs");
}

QString failedError() {
    return text("org.freedesktop.DBus.Error.Failed");
}

QString catalogIntrospection() {
    QString methods;
    for (const CommandKeys& command : commandKeys())
        methods += text("    <method name=\"%1\"><arg name=\"arguments\" type=\"a{sv}\" "
                        "direction=\"in\"/></method>\n")
                       .arg(text(command.command));
    return text("  <interface name=\"com.varnsoft.Lumisk.Catalog\">\n") + methods +
           text("    <property name=\"PhotoScaling\" type=\"d\" access=\"readwrite\"/>\n"
                "    <property name=\"LayoutArrangement\" type=\"d\" access=\"readwrite\"/>\n"
                "    <property name=\"PhotoSelection\" type=\"ai\" access=\"readwrite\"/>\n"
                "    <property name=\"Entries\" type=\"ai\" access=\"read\"/>\n"
                "  </interface>\n");
}

QString entryIntrospection() {
    QFile file(text(":/dbus/com.varnsoft.Lumisk.CatalogEntry.xml"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QString xml = QString::fromUtf8(file.readAll());
    const qsizetype start = xml.indexOf(text("<interface"));
    const qsizetype end = xml.indexOf(text("</interface>"));
    return xml.mid(start, end + qsizetype(sizeof("</interface>") - 1) - start) + text("\n");
}

// The entry's export keys and the kinds of its properties.
const QList<Key>& exportKeys() {
    static const QList<Key> keys{{"File", Kind::Text},           {"Format", Kind::Text},
                                 {"Quality", Kind::Integer},     {"PreserveEXIF", Kind::Flag},
                                 {"EmbedColorsync", Kind::Flag}, {"CreateThumbnail", Kind::Flag},
                                 {"Replacing", Kind::Flag}};
    return keys;
}

struct EntryProperty {
    const char* name;
    Kind kind;
    bool writable;
};

const QList<EntryProperty>& entryProperties() {
    static const QList<EntryProperty> properties{{"SerialNumber", Kind::Integer, false},
                                                 {"Name", Kind::Text, false},
                                                 {"Path", Kind::Text, false},
                                                 {"Selected", Kind::Flag, true},
                                                 {"Marked", Kind::Flag, true},
                                                 {"Saturation", Kind::Integer, true},
                                                 {"Brightness", Kind::Integer, true},
                                                 {"Contrast", Kind::Integer, true},
                                                 {"Sharpness", Kind::Integer, true},
                                                 {"Rotation", Kind::Integer, true},
                                                 {"Crop", Kind::Text, true},
                                                 {"Offset", Kind::Text, true},
                                                 {"Dimensions", Kind::Text, false}};
    return properties;
}

QDBusMessage entryCall(CatalogEntry& entry, const QDBusMessage& message) {
    if (message.member() != text("Export") || message.arguments().size() != 1)
        return message.createErrorReply(text("org.freedesktop.DBus.Error.UnknownMethod"),
                                        text("No method \"%1\".").arg(message.member()));
    QVariantMap arguments;
    const QVariant given = message.arguments().constFirst();
    if (given.userType() == qMetaTypeId<QDBusArgument>())
        arguments = qdbus_cast<QVariantMap>(given.value<QDBusArgument>());
    else
        arguments = given.toMap();
    for (auto it = arguments.begin(); it != arguments.end(); ++it)
        it.value() = unwrap(it.value());
    const QString wrong = checkArguments({"Export", exportKeys()}, arguments);
    if (!wrong.isEmpty())
        return message.createErrorReply(propertyError(), wrong);
    ScriptCommand command(message.member(), arguments);
    if (!entry.scriptCommands().dispatch(command))
        return message.createErrorReply(failedError(), command.errorString());
    return message.createReply();
}

QDBusMessage entryProperty(CatalogEntry& entry, const QDBusMessage& message) {
    const QList<QVariant> args = message.arguments();
    if (message.member() == text("GetAll")) {
        QVariantMap all;
        for (const EntryProperty& listed : entryProperties())
            all.insert(text(listed.name), ScriptingBusEntries::property(entry, text(listed.name)));
        return message.createReply(QVariant::fromValue(all));
    }
    if (args.size() < 2)
        return message.createErrorReply(propertyError(), text("Missing property name."));
    const QString name = args.at(1).toString();
    const EntryProperty* listed = nullptr;
    for (const EntryProperty& p : entryProperties())
        if (name == text(p.name))
            listed = &p;
    if (!listed)
        return message.createErrorReply(propertyError(), text("No property \"%1\".").arg(name));
    if (message.member() == text("Get"))
        return message.createReply(
            QVariant::fromValue(QDBusVariant(ScriptingBusEntries::property(entry, name))));
    if (message.member() != text("Set") || args.size() != 3)
        return message.createErrorReply(propertyError(), text("No such call."));
    if (!listed->writable)
        return message.createErrorReply(text("org.freedesktop.DBus.Error.PropertyReadOnly"),
                                        text("\"%1\" cannot be set.").arg(name));
    const QVariant newValue = unwrap(args.at(2));
    if (!fits(newValue, listed->kind))
        return message.createErrorReply(propertyError(),
                                        text("Wrong kind of value for \"%1\".").arg(name));
    ScriptingBusEntries::setProperty(entry, name, newValue);
    return message.createReply();
}

} // namespace

ScriptingBus::ScriptingBus(QObject* parent) : QDBusVirtualObject(parent) {
    qDBusRegisterMetaType<CatalogRef>();
    qDBusRegisterMetaType<QList<CatalogRef>>();
}

ScriptingBus::~ScriptingBus() {
    if (_connectionName.isEmpty())
        return;
    QDBusConnection connection(_connectionName);
    connection.unregisterObject(text(kRootPath), QDBusConnection::UnregisterTree);
    connection.unregisterService(text(kService));
}

bool ScriptingBus::start(const QDBusConnection& connection) {
    if (!connection.isConnected()) {
        qWarning("No session bus: scripting over D-Bus is off.");
        return false;
    }
    QDBusConnection bus = connection;
    if (!bus.registerService(text(kService))) {
        qWarning("The bus name %s is taken: scripting over D-Bus is off.", kService);
        return false;
    }
    if (!bus.registerVirtualObject(text(kRootPath), this, QDBusConnection::SubPath)) {
        qWarning("The scripting object could not be registered on the bus.");
        bus.unregisterService(text(kService));
        return false;
    }
    _connectionName = bus.name();
    return true;
}

QString ScriptingBus::pathOf(RoduvudeDadevizi* document) {
    auto it = _numbers.find(document);
    if (it == _numbers.end()) {
        it = _numbers.insert(document, ++_lastNumber);
        connect(document, &QObject::destroyed, this,
                [this, document] { _numbers.remove(document); });
    }
    return text(kRootPath) + text("/catalog/") + QString::number(*it);
}

QStringList ScriptingBus::catalogPaths() {
    QStringList paths;
    for (Document* document : DocumentController::sharedDocumentController().documents())
        if (auto* catalog = qobject_cast<RoduvudeDadevizi*>(document))
            paths.append(pathOf(catalog));
    return paths;
}

RoduvudeDadevizi* ScriptingBus::documentAt(const QString& path) const {
    for (auto it = _numbers.begin(); it != _numbers.end(); ++it)
        if (path == text(kRootPath) + text("/catalog/") + QString::number(it.value()))
            return it.key();
    return nullptr;
}

QString ScriptingBus::introspect(const QString& path) const {
    if (path == text(kRootPath))
        return text("  <interface name=\"com.varnsoft.Lumisk\">\n"
                    "    <method name=\"Catalogs\"><arg name=\"catalogs\" type=\"a(os)\" "
                    "direction=\"out\"/></method>\n"
                    "  </interface>\n");
    if (documentAt(path))
        return catalogIntrospection();
    if (const auto entry = ScriptingBusEntries::parseEntryPath(path);
        entry && documentAt(entry->catalogPath))
        return entryIntrospection();
    return {};
}

bool ScriptingBus::handleMessage(const QDBusMessage& message, const QDBusConnection& connection) {
    // Introspection is answered by the connection, from introspect().
    if (message.type() != QDBusMessage::MethodCallMessage ||
        message.interface() == text("org.freedesktop.DBus.Introspectable"))
        return false;
    const QString path = message.path();
    QDBusMessage reply;
    if (path == text(kRootPath) && message.member() == text("Catalogs")) {
        QList<CatalogRef> refs;
        for (const QString& catalog : catalogPaths())
            refs.append({QDBusObjectPath(catalog), documentAt(catalog)->displayName()});
        reply = message.createReply(QVariant::fromValue(refs));
    } else if (RoduvudeDadevizi* document = documentAt(path)) {
        reply = message.interface() == text("org.freedesktop.DBus.Properties")
                    ? property(document, message)
                    : call(document, message);
    } else if (const auto entryPath = ScriptingBusEntries::parseEntryPath(path);
               entryPath && documentAt(entryPath->catalogPath)) {
        CatalogEntry entry(entryPath->serialNumber, documentAt(entryPath->catalogPath));
        reply = message.interface() == text("org.freedesktop.DBus.Properties")
                    ? entryProperty(entry, message)
                    : entryCall(entry, message);
    } else {
        return false;
    }
    connection.send(reply);
    return true;
}

QDBusMessage ScriptingBus::call(RoduvudeDadevizi* document, const QDBusMessage& message) {
    const CommandKeys* keys = findCommand(message.member());
    if (!keys || message.arguments().size() != 1)
        return message.createErrorReply(text("org.freedesktop.DBus.Error.UnknownMethod"),
                                        text("No method \"%1\".").arg(message.member()));
    QVariantMap arguments;
    const QVariant given = message.arguments().constFirst();
    if (given.userType() == qMetaTypeId<QDBusArgument>())
        arguments = qdbus_cast<QVariantMap>(given.value<QDBusArgument>());
    else
        arguments = given.toMap();
    for (auto it = arguments.begin(); it != arguments.end(); ++it)
        it.value() = unwrap(it.value());
    const QString wrong = checkArguments(*keys, arguments);
    if (!wrong.isEmpty())
        return message.createErrorReply(propertyError(), wrong);
    ScriptCommand command(message.member(), arguments);
    if (!document->scriptCommands().dispatch(command))
        return message.createErrorReply(failedError(), command.errorString());
    return message.createReply();
}

QDBusMessage ScriptingBus::property(RoduvudeDadevizi* document, const QDBusMessage& message) {
    const QList<QVariant> args = message.arguments();
    const auto value = [document](const QString& name) -> QVariant {
        if (name == text("PhotoScaling"))
            return document->photoScaling();
        if (name == text("LayoutArrangement"))
            return document->layoutArrangement();
        if (name == text("PhotoSelection"))
            return QVariant::fromValue(document->photoSelection());
        if (name == text("Entries")) {
            QList<int> serials;
            for (const std::shared_ptr<CatalogEntry>& entry : document->entries())
                serials.append(entry->serialNumber());
            return QVariant::fromValue(serials);
        }
        return {};
    };
    if (message.member() == text("GetAll")) {
        QVariantMap all;
        for (const char* name : {"PhotoScaling", "LayoutArrangement", "PhotoSelection", "Entries"})
            all.insert(text(name), value(text(name)));
        return message.createReply(QVariant::fromValue(all));
    }
    if (args.size() < 2)
        return message.createErrorReply(propertyError(), text("Missing property name."));
    const QString name = args.at(1).toString();
    if (message.member() == text("Get")) {
        const QVariant answer = value(name);
        if (!answer.isValid())
            return message.createErrorReply(propertyError(), text("No property \"%1\".").arg(name));
        return message.createReply(QVariant::fromValue(QDBusVariant(answer)));
    }
    if (message.member() != text("Set") || args.size() != 3)
        return message.createErrorReply(propertyError(), text("No such call."));
    QVariant newValue = unwrap(args.at(2));
    if (name == text("PhotoScaling") || name == text("LayoutArrangement")) {
        if (!fits(newValue, Kind::Number))
            return message.createErrorReply(propertyError(),
                                            text("Wrong kind of value for \"%1\".").arg(name));
        if (name == text("PhotoScaling"))
            document->setPhotoScaling(newValue.toDouble());
        else
            document->setLayoutArrangement(newValue.toDouble());
        return message.createReply();
    }
    if (name == text("PhotoSelection")) {
        if (newValue.userType() != qMetaTypeId<QDBusArgument>())
            return message.createErrorReply(propertyError(),
                                            text("Wrong kind of value for \"%1\".").arg(name));
        document->setPhotoSelection(qdbus_cast<QList<int>>(newValue.value<QDBusArgument>()));
        return message.createReply();
    }
    return message.createErrorReply(text("org.freedesktop.DBus.Error.PropertyReadOnly"),
                                    text("\"%1\" cannot be set.").arg(name));
}
