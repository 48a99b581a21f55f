#include "platform/foundation/MainBundle.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

namespace {
constexpr char kInfoResource[] = ":/bundle/Info.json";
}

QVariantMap MainBundle::infoDictionary() {
    // Read on every call: the entries are few, and a resource registered after the
    // first question still counts.
    QFile file(QString::fromLatin1(kInfoResource));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        qWarning("The program's information entries can't be read: %s",
                 qPrintable(error.errorString()));
        return {};
    }
    return document.object().toVariantMap();
}

QVariant MainBundle::objectForInfoDictionaryKey(const QString& key) {
    return infoDictionary().value(key);
}
