#pragma once

#include "platform/foundation/PlatformExport.h"

#include <QHash>
#include <QString>

// String tables per bundle ("Lumisk", "Formwell", "TemplatePane", "CatalogPane"),
// each compiled into its deliverable as the Qt resource ":/strings/<bundle>.strings".
// A table holds lines of the form  "KEY" = "text";  with C-style comments and the
// escapes \" \\ \n \r \t. A key missing from the table answers the key itself.
namespace LocalizedStrings {
LUMISK_PLATFORM_EXPORT QString lookup(const QString& key, const QString& bundle);
// Parses one table's text; malformed lines are skipped.
LUMISK_PLATFORM_EXPORT QHash<QString, QString> parseTable(const QString& text);
} // namespace LocalizedStrings

inline QString localizedString(const QString& key,
                               const QString& bundle = QStringLiteral("Lumisk")) {
    return LocalizedStrings::lookup(key, bundle);
}
