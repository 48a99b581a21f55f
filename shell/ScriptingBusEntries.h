#pragma once

#include <QString>
#include <QVariant>
#include <optional>

class CatalogEntry;

// The photos of the catalogs on the bus: each is an object at
// "<catalog path>/entry/<serial number>" with the interface
// ScriptingBus::kEntryInterface, whose properties are the entry's
// scripting keys with a capital first letter. The path names the photo, so the
// object stays with it as photos move; once the photo is gone the object
// answers neutral values, as the entry does.
namespace ScriptingBusEntries {

QString entryPath(const QString& catalogPath, int serialNumber);

struct EntryPath {
    QString catalogPath;
    int serialNumber = 0;
};
// None for a path that is not an entry's.
std::optional<EntryPath> parseEntryPath(const QString& path);

// The property's value; invalid for a name the entry has no property of.
QVariant property(const CatalogEntry& entry, const QString& name);
// A writable property, with a value of its kind.
void setProperty(CatalogEntry& entry, const QString& name, const QVariant& value);

} // namespace ScriptingBusEntries
