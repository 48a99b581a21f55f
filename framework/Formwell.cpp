#include "framework/Formwell.h"

#include "platform/foundation/LocalizedStrings.h"

QString frameworkString(const QString& key) {
    return localizedString(key, QStringLiteral("Formwell"));
}

QString frameworkString(const char* key) {
    return frameworkString(QString::fromLatin1(key));
}
