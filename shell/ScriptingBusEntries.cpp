#include "shell/ScriptingBusEntries.h"

#include "catalog/CatalogEntry.h"

#include <algorithm>
#include <limits>

namespace {

constexpr char kEntrySegment[] = "/entry/";

// An integer of any width as an int, held to the int range so that a huge
// value is not taken as a small one.
int integer(const QVariant& value) {
    return int(std::clamp<qlonglong>(value.toLongLong(), std::numeric_limits<int>::min(),
                                     std::numeric_limits<int>::max()));
}

struct Access {
    const char* name;
    QVariant (*get)(const CatalogEntry&);
    void (*set)(CatalogEntry&, const QVariant&); // null: read only
};

// By the entry's scripting keys.
const Access kAccess[] = {
    {"SerialNumber", [](const CatalogEntry& e) -> QVariant { return e.serialNumber(); }, nullptr},
    {"Name", [](const CatalogEntry& e) -> QVariant { return e.displayname(); }, nullptr},
    {"Path", [](const CatalogEntry& e) -> QVariant { return e.pathname(); }, nullptr},
    {"Selected", [](const CatalogEntry& e) -> QVariant { return e.selected(); },
     [](CatalogEntry& e, const QVariant& v) { e.setSelected(v.toBool()); }},
    {"Marked", [](const CatalogEntry& e) -> QVariant { return e.marked(); },
     [](CatalogEntry& e, const QVariant& v) { e.setMarked(v.toBool()); }},
    {"Saturation", [](const CatalogEntry& e) -> QVariant { return e.saturation(); },
     [](CatalogEntry& e, const QVariant& v) { e.setSaturation(integer(v)); }},
    {"Brightness", [](const CatalogEntry& e) -> QVariant { return e.brightness(); },
     [](CatalogEntry& e, const QVariant& v) { e.setBrightness(integer(v)); }},
    {"Contrast", [](const CatalogEntry& e) -> QVariant { return e.contrast(); },
     [](CatalogEntry& e, const QVariant& v) { e.setContrast(integer(v)); }},
    {"Sharpness", [](const CatalogEntry& e) -> QVariant { return e.sharpness(); },
     [](CatalogEntry& e, const QVariant& v) { e.setSharpness(integer(v)); }},
    {"Rotation", [](const CatalogEntry& e) -> QVariant { return e.rotation(); },
     [](CatalogEntry& e, const QVariant& v) { e.setRotation(integer(v)); }},
    {"Crop", [](const CatalogEntry& e) -> QVariant { return e.crop(); },
     [](CatalogEntry& e, const QVariant& v) { e.setCrop(v.toString()); }},
    {"Offset", [](const CatalogEntry& e) -> QVariant { return e.offset(); },
     [](CatalogEntry& e, const QVariant& v) { e.setOffset(v.toString()); }},
    {"Dimensions", [](const CatalogEntry& e) -> QVariant { return e.dimensions(); }, nullptr},
};

const Access* access(const QString& name) {
    for (const Access& a : kAccess)
        if (name == QLatin1String(a.name))
            return &a;
    return nullptr;
}

} // namespace

namespace ScriptingBusEntries {

QString entryPath(const QString& catalogPath, int serialNumber) {
    return catalogPath + QLatin1String(kEntrySegment) + QString::number(serialNumber);
}

std::optional<EntryPath> parseEntryPath(const QString& path) {
    const qsizetype at = path.lastIndexOf(QLatin1String(kEntrySegment));
    if (at <= 0)
        return std::nullopt;
    const QString number = path.mid(at + qsizetype(sizeof(kEntrySegment) - 1));
    // Digits only, as serial numbers are written: "+5", " 5" or "05" name no entry.
    bool ok = false;
    const int serialNumber = number.toInt(&ok);
    if (!ok || number != QString::number(serialNumber))
        return std::nullopt;
    return EntryPath{path.left(at), serialNumber};
}

QVariant property(const CatalogEntry& entry, const QString& name) {
    const Access* a = access(name);
    return a ? a->get(entry) : QVariant();
}

void setProperty(CatalogEntry& entry, const QString& name, const QVariant& value) {
    const Access* a = access(name);
    if (a && a->set)
        a->set(entry, value);
}

} // namespace ScriptingBusEntries
