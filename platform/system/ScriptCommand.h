#pragma once

#include "platform/foundation/PlatformExport.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>
#include <functional>

// One command of a script: its name, its evaluated arguments by key and the
// error its handler may set. No error means the command succeeded.
class LUMISK_PLATFORM_EXPORT ScriptCommand {
public:
    ScriptCommand(QString name, QVariantMap arguments = {});

    const QString& name() const { return _name; }
    const QVariantMap& arguments() const { return _arguments; }
    // Present and not null.
    bool hasArgument(const QString& key) const;
    QVariant argument(const QString& key) const { return _arguments.value(key); }

    bool failed() const { return !_errorString.isEmpty(); }
    const QString& errorString() const { return _errorString; }
    void setErrorString(const QString& error) { _errorString = error; }

private:
    QString _name;
    QVariantMap _arguments;
    QString _errorString;
};

// Hands a command to the handler registered under its name.
class LUMISK_PLATFORM_EXPORT ScriptDispatcher {
public:
    using Handler = std::function<void(ScriptCommand&)>;

    // A later registration of the same name replaces the earlier one.
    void registerCommand(const QString& name, Handler handler);
    bool hasCommand(const QString& name) const { return _handlers.contains(name); }
    QStringList commandNames() const;

    // False, with the command's error set, for a name nobody handles;
    // otherwise whether the handler left the command without an error.
    bool dispatch(ScriptCommand& command) const;

private:
    QHash<QString, Handler> _handlers;
};
