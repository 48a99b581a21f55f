#include "platform/system/ScriptCommand.h"

#include <algorithm>

ScriptCommand::ScriptCommand(QString name, QVariantMap arguments)
    : _name(std::move(name)), _arguments(std::move(arguments)) {}

bool ScriptCommand::hasArgument(const QString& key) const {
    const QVariant value = _arguments.value(key);
    return value.isValid() && !value.isNull();
}

void ScriptDispatcher::registerCommand(const QString& name, Handler handler) {
    _handlers.insert(name, std::move(handler));
}

QStringList ScriptDispatcher::commandNames() const {
    QStringList names = _handlers.keys();
    std::sort(names.begin(), names.end());
    return names;
}

bool ScriptDispatcher::dispatch(ScriptCommand& command) const {
    const auto handler = _handlers.constFind(command.name());
    if (handler == _handlers.constEnd()) {
        command.setErrorString(QStringLiteral("Unknown command \"%1\".").arg(command.name()));
        return false;
    }
    (*handler)(command);
    return !command.failed();
}
