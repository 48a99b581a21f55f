#include "shell/ScriptingBus.h"

#include "catalog/CatalogEntry.h"
#include "documents/RoduvudeDadevizi.h"
#include "platform/documents/DocumentController.h"
#include "platform/system/ScriptCommand.h"
#include "platform/system/ScriptingDictionary.h"
#include "shell/ScriptingBusEntries.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDebug>
#include <functional>
#include <optional>

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

QVariant unwrap(const QVariant& value) {
    if (value.userType() == qMetaTypeId<QDBusVariant>())
        return unwrap(value.value<QDBusVariant>().variant());
    return value;
}

QString propertyError() {
    return text("org.freedesktop.DBus.Error.InvalidArgs");
}

QString failedError() {
    return text("org.freedesktop.DBus.Error.Failed");
}

// The interface files are built into the program, so a missing or broken one
// is a fault of the build, not of the user's set-up.
const ScriptingDictionary& dictionary(const char* interface) {
    static QHash<QString, ScriptingDictionary> loaded;
    const QString name = text(interface);
    auto it = loaded.find(name);
    if (it == loaded.end()) {
        it = loaded.insert(name,
                           ScriptingDictionary::fromFile(text(":/dbus/") + name + text(".xml")));
        if (!it->isValid())
            qFatal("The scripting interface %s: %s", interface, qPrintable(it->errorString()));
    }
    return *it;
}

// Runs a method of an object's dictionary, given its arguments as a dictionary,
// through the object's commands.
QDBusMessage runMethod(const ScriptingDictionary& dictionary, const ScriptDispatcher& commands,
                       const QDBusMessage& message) {
    const ScriptingDictionary::Method* method = dictionary.method(message.member());
    if (!method || message.arguments().size() != 1)
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
    const QString wrong = ScriptingDictionary::checkArguments(*method, arguments);
    if (!wrong.isEmpty())
        return message.createErrorReply(propertyError(), wrong);
    ScriptCommand command(message.member(), arguments);
    if (!commands.dispatch(command))
        return message.createErrorReply(failedError(), command.errorString());
    return message.createReply();
}

// What an object's properties read and write. The setter is called only for a
// writable property of the dictionary with a value of the property's type.
struct PropertyAccess {
    std::function<QVariant(const QString& name)> get;
    std::function<void(const QString& name, const QVariant& value)> set;
};

bool fitsType(const QVariant& value, const QString& type) {
    if (const std::optional<ScriptingDictionary::Kind> kind = ScriptingDictionary::kindOfType(type))
        return ScriptingDictionary::fits(value, *kind);
    return value.userType() == qMetaTypeId<QDBusArgument>() &&
           value.value<QDBusArgument>().currentSignature() == type;
}

// Get, GetAll and Set of org.freedesktop.DBus.Properties.
QDBusMessage runProperties(const ScriptingDictionary& dictionary, const PropertyAccess& access,
                           const QDBusMessage& message) {
    const QList<QVariant> args = message.arguments();
    if (message.member() == text("GetAll")) {
        QVariantMap all;
        for (const ScriptingDictionary::Property& listed : dictionary.properties())
            all.insert(listed.name, access.get(listed.name));
        return message.createReply(QVariant::fromValue(all));
    }
    if (args.size() < 2)
        return message.createErrorReply(propertyError(), text("Missing property name."));
    const QString name = args.at(1).toString();
    const ScriptingDictionary::Property* listed = dictionary.property(name);
    if (!listed)
        return message.createErrorReply(propertyError(), text("No property \"%1\".").arg(name));
    if (message.member() == text("Get"))
        return message.createReply(QVariant::fromValue(QDBusVariant(access.get(name))));
    if (message.member() != text("Set") || args.size() != 3)
        return message.createErrorReply(propertyError(), text("No such call."));
    if (!listed->writable)
        return message.createErrorReply(text("org.freedesktop.DBus.Error.PropertyReadOnly"),
                                        text("\"%1\" cannot be set.").arg(name));
    const QVariant newValue = unwrap(args.at(2));
    if (!fitsType(newValue, listed->type))
        return message.createErrorReply(propertyError(),
                                        text("Wrong kind of value for \"%1\".").arg(name));
    access.set(name, newValue);
    return message.createReply();
}

PropertyAccess catalogProperties(RoduvudeDadevizi* document) {
    return {[document](const QString& name) -> QVariant {
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
            },
            [document](const QString& name, const QVariant& value) {
                if (name == text("PhotoScaling"))
                    document->setPhotoScaling(value.toDouble());
                else if (name == text("LayoutArrangement"))
                    document->setLayoutArrangement(value.toDouble());
                else if (name == text("PhotoSelection"))
                    document->setPhotoSelection(
                        qdbus_cast<QList<int>>(value.value<QDBusArgument>()));
            }};
}

PropertyAccess entryProperties(CatalogEntry& entry) {
    return {[&entry](const QString& name) { return ScriptingBusEntries::property(entry, name); },
            [&entry](const QString& name, const QVariant& value) {
                ScriptingBusEntries::setProperty(entry, name, value);
            }};
}

} // namespace

const ScriptingDictionary& ScriptingBus::rootDictionary() {
    return dictionary(kRootInterface);
}

const ScriptingDictionary& ScriptingBus::catalogDictionary() {
    return dictionary(kCatalogInterface);
}

const ScriptingDictionary& ScriptingBus::entryDictionary() {
    return dictionary(kEntryInterface);
}

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
        return rootDictionary().introspection();
    if (documentAt(path))
        return catalogDictionary().introspection();
    if (const auto entry = ScriptingBusEntries::parseEntryPath(path);
        entry && documentAt(entry->catalogPath))
        return entryDictionary().introspection();
    return {};
}

bool ScriptingBus::handleMessage(const QDBusMessage& message, const QDBusConnection& connection) {
    // Qt answers introspection from introspect().
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
                    ? runProperties(catalogDictionary(), catalogProperties(document), message)
                    : runMethod(catalogDictionary(), document->scriptCommands(), message);
    } else if (const auto entryPath = ScriptingBusEntries::parseEntryPath(path);
               entryPath && documentAt(entryPath->catalogPath)) {
        CatalogEntry entry(entryPath->serialNumber, documentAt(entryPath->catalogPath));
        reply = message.interface() == text("org.freedesktop.DBus.Properties")
                    ? runProperties(entryDictionary(), entryProperties(entry), message)
                    : runMethod(entryDictionary(), entry.scriptCommands(), message);
    } else {
        return false;
    }
    connection.send(reply);
    return true;
}
