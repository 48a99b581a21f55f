#pragma once

#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QHash>
#include <QPointer>

class RoduvudeDadevizi;
class ScriptingDictionary;

// The catalog documents on the session bus under "com.varnsoft.Lumisk": the
// root object lists them front to back, and each document's object runs its
// commands through the document's dispatcher and offers its properties, as
// the objects of its photos do (ScriptingBusEntries).
// Calls arrive on the main thread.
class ScriptingBus : public QDBusVirtualObject {
    Q_OBJECT

public:
    static constexpr char kService[] = "com.varnsoft.Lumisk";
    static constexpr char kRootPath[] = "/com/varnsoft/Lumisk";
    static constexpr char kRootInterface[] = "com.varnsoft.Lumisk";
    static constexpr char kCatalogInterface[] = "com.varnsoft.Lumisk.Catalog";
    static constexpr char kEntryInterface[] = "com.varnsoft.Lumisk.CatalogEntry";

    // What scripts may call, read from the interface files shipped with the
    // program (resources/dbus).
    static const ScriptingDictionary& rootDictionary();
    static const ScriptingDictionary& catalogDictionary();
    static const ScriptingDictionary& entryDictionary();

    explicit ScriptingBus(QObject* parent = nullptr);
    ~ScriptingBus() override;

    // Without a bus, or with the name held by another instance, one warning
    // and false: the application runs on without scripting.
    bool start(const QDBusConnection& connection);

    // The open catalog documents, the front one first, as object paths.
    QStringList catalogPaths();

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

private:
    QString pathOf(RoduvudeDadevizi* document);
    RoduvudeDadevizi* documentAt(const QString& path) const;

    QHash<RoduvudeDadevizi*, int> _numbers;
    int _lastNumber = 0;
    QString _connectionName;
};
