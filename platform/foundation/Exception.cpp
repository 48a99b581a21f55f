#include "platform/foundation/Exception.h"

Exception::Exception(QString name, QString reason)
    : std::runtime_error((name + QStringLiteral(": ") + reason).toStdString()),
      _name(std::move(name)), _reason(std::move(reason)) {}

void Exception::raise(const QString& name, const QString& reason) {
    throw Exception(name, reason);
}
