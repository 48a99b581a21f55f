#include "shell/ScriptingBus.h"

#include "documents/RoduvudeDadevizi.h"
#include "platform/documents/DocumentController.h"
#include "platform/system/ScriptCommand.h"
#include "platform/system/ScriptingDictionary.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDebug>

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

} // namespace

const ScriptingDictionary& ScriptingBus::rootDictionary() {
    return dictionary(kRootInterface);
}

const ScriptingDictionary& ScriptingBus::catalogDictionary() {
    return dictionary(kCatalogInterface);
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
                    ? property(document, message)
                    : call(document, message);
    } else {
        return false;
    }
    connection.send(reply);
    return true;
}

QDBusMessage ScriptingBus::call(RoduvudeDadevizi* document, const QDBusMessage& message) {
    const ScriptingDictionary::Method* method = catalogDictionary().method(message.member());
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
    if (!document->scriptCommands().dispatch(command))
        return message.createErrorReply(failedError(), command.errorString());
    return message.createReply();
}

QDBusMessage ScriptingBus::property(RoduvudeDadevizi* document, const QDBusMessage& message) {
    const ScriptingDictionary& dictionary = catalogDictionary();
    const QList<QVariant> args = message.arguments();
    const auto value = [document](const QString& name) -> QVariant {
        if (name == text("PhotoScaling"))
            return document->photoScaling();
        if (name == text("LayoutArrangement"))
            return document->layoutArrangement();
        if (name == text("PhotoSelection"))
            return QVariant::fromValue(document->photoSelection());
        if (name == text("Entries"))
            return QVariant::fromValue(document->entries());
        return {};
    };
    if (message.member() == text("GetAll")) {
        QVariantMap all;
        for (const ScriptingDictionary::Property& listed : dictionary.properties())
            all.insert(listed.name, value(listed.name));
        return message.createReply(QVariant::fromValue(all));
    }
    if (args.size() < 2)
        return message.createErrorReply(propertyError(), text("Missing property name."));
    const QString name = args.at(1).toString();
    const ScriptingDictionary::Property* listed = dictionary.property(name);
    if (!listed)
        return message.createErrorReply(propertyError(), text("No property \"%1\".").arg(name));
    if (message.member() == text("Get"))
        return message.createReply(QVariant::fromValue(QDBusVariant(value(name))));
    if (message.member() != text("Set") || args.size() != 3)
        return message.createErrorReply(propertyError(), text("No such call."));
    if (!listed->writable)
        return message.createErrorReply(text("org.freedesktop.DBus.Error.PropertyReadOnly"),
                                        text("\"%1\" cannot be set.").arg(name));
    const QVariant newValue = unwrap(args.at(2));
    const QString wrongKind = text("Wrong kind of value for \"%1\".").arg(name);
    if (listed->type == text("d")) {
        if (!ScriptingDictionary::fits(newValue, ScriptingDictionary::Kind::Number))
            return message.createErrorReply(propertyError(), wrongKind);
        if (name == text("PhotoScaling"))
            document->setPhotoScaling(newValue.toDouble());
        else
            document->setLayoutArrangement(newValue.toDouble());
        return message.createReply();
    }
    if (newValue.userType() != qMetaTypeId<QDBusArgument>() ||
        newValue.value<QDBusArgument>().currentSignature() != listed->type)
        return message.createErrorReply(propertyError(), wrongKind);
    document->setPhotoSelection(qdbus_cast<QList<int>>(newValue.value<QDBusArgument>()));
    return message.createReply();
}
