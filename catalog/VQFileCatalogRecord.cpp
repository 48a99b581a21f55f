// The catalog record of the document file, and the two path tests of the
// catalog. Reading trusts nothing in the file: a value is taken only when its
// type and size fit its key, so every reader of an entry may rely on them.
#include "catalog/VQFileCatalog.h"
#include "documents/RoduvudeDadevizi.h"
#include "framework/model/TMObject.h"
#include "platform/foundation/FileTypeCode.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/PropertyList.h"
#include "platform/graphics/Image.h"

#include <QDateTime>
#include <QFileInfo>
#include <QSet>
#include <QUrl>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

QString key(const char* name) {
    return QString::fromLatin1(name);
}

// Decoded pictures and metadata are made again on demand; a file never holds them.
constexpr const char* kCacheKeys[] = {kEntryImageKey,     kEntryImageAccessKey,
                                      kEntryImageSizeKey, kEntryMetadataKey,
                                      kEntryEXIFKey,      kEntryComponentInfoKey};

// Larger thumbnails than the largest screen picture come from damage only.
constexpr double kMaxThumbnailSide = 800;

bool isInt32(const QVariant& value) {
    if (!PropertyList::isInteger(value))
        return false;
    if (value.typeId() == QMetaType::ULongLong)
        return value.toULongLong() <= quint64(std::numeric_limits<qint32>::max());
    bool ok = false;
    const qlonglong number = value.toLongLong(&ok);
    return ok && number >= std::numeric_limits<qint32>::min() &&
           number <= std::numeric_limits<qint32>::max();
}

bool isFiniteNumber(const QVariant& value) {
    if (PropertyList::isInteger(value))
        return true;
    if (value.typeId() != QMetaType::Float && value.typeId() != QMetaType::Double)
        return false;
    return std::isfinite(value.toDouble());
}

bool isBool(const QVariant& value) {
    return value.typeId() == QMetaType::Bool;
}

bool isText(const QVariant& value) {
    return value.typeId() == QMetaType::QString;
}

// Packed 32-bit floats, all finite, in exactly `count` of them.
bool isFloatData(const QVariant& value, qsizetype count) {
    if (value.typeId() != QMetaType::QByteArray)
        return false;
    const QByteArray data = value.toByteArray();
    if (data.size() != count * qsizetype(sizeof(float)))
        return false;
    for (qsizetype i = 0; i < count; ++i) {
        float f;
        std::memcpy(&f, data.constData() + i * qsizetype(sizeof f), sizeof f);
        if (!std::isfinite(f))
            return false;
    }
    return true;
}

bool isImage(const QVariant& value) {
    return value.metaType() == QMetaType::fromType<Image>();
}

// The bounds of the picture, then one rectangle per spot.
bool isRedEyeList(const QVariant& value) {
    if (value.typeId() != QMetaType::QVariantList)
        return false;
    for (const QVariant& item : value.toList())
        if (!isFloatData(item, 4))
            return false;
    return true;
}

// Whether a stored value may stand under its key; keys this program doesn't
// know are kept as they are.
bool fitsKey(const QString& name, const QVariant& value) {
    using Test = bool (*)(const QVariant&);
    struct Rule {
        const char* key;
        Test test;
    };
    static const Rule kRules[] = {
        {kEntryPathKey, isText},
        {kEntryAliasKey, [](const QVariant& v) { return v.typeId() == QMetaType::QByteArray; }},
        {kEntrySerialNumberKey, isInt32},
        {kEntrySelectedKey, isBool},
        {kEntryMarkerKey, isBool},
        {kEntryEnabledKey, isBool},
        {kEntryBadKey, isBool},
        {kEntryRotationKey, isFiniteNumber},
        {kEntryCropKey, [](const QVariant& v) { return isFloatData(v, 4); }},
        {kEntryOffsetKey, [](const QVariant& v) { return isFloatData(v, 2); }},
        {kEntrySharpnessKey, isFiniteNumber},
        {kEntryContrastKey, isFiniteNumber},
        {kEntrySaturationKey, isFiniteNumber},
        {kEntryBrightnessKey, isFiniteNumber},
        {kEntryRedEyeKey, isRedEyeList},
        {kEntryCaptionsKey,
         [](const QVariant& v) { return v.typeId() == QMetaType::QVariantList; }},
        {kEntryCropConstraintKey, isInt32},
        {kEntryCropRatioKey, isFiniteNumber},
        {kEntryCropPresetKey, isText},
        {kEntryThumbnailKey, isImage},
        {kEntryThumbnailQueueKey, PropertyList::isInteger},
        {kEntryIconKey, isImage},
        {kEntryFileSizeKey, PropertyList::isInteger},
        {kEntryModDateKey, [](const QVariant& v) { return v.typeId() == QMetaType::QDateTime; }},
        {kEntryImageURLKey,
         [](const QVariant& v) { return v.metaType() == QMetaType::fromType<QUrl>(); }},
        {kEntryImageURLFlagKey, isBool},
        {kEntryRawImageFlagKey, isBool},
        {kEntryRawImageDataKey, isImage},
        {kEntryRawImageNameKey, isText},
        {kEntryPositionKey, isInt32},
    };
    for (const Rule& rule : kRules)
        if (name == QLatin1String(rule.key))
            return rule.test(value);
    return true;
}

// Captions as page objects again, by the class their "kind" names.
QVariantList captionsFromRepresentations(const QVariantList& stored) {
    QVariantList captions;
    for (const QVariant& item : stored) {
        if (item.typeId() != QMetaType::QVariantMap)
            continue;
        const QVariantMap representation = item.toMap();
        const QVariant kind = representation.value(key(kKindKey));
        if (!isText(kind))
            continue;
        if (TMObjectRef caption = TMObject::newTemplateObjectOfKindWithRepresentation(
                kind.toString(), representation))
            captions.append(QVariant::fromValue(caption));
    }
    return captions;
}

} // namespace

QVariantMap VQFileCatalog::encodedCatalog() const {
    QVariantMap catalog;
    QVariantList entries;
    {
        std::lock_guard lock(_theLock);
        for (const VQFileCatalogEntryRef& record : _entries) {
            QVariantMap copy(*record);
            for (const char* name : kCacheKeys)
                copy.remove(key(name));
            const auto captions = copy.find(key(kEntryCaptionsKey));
            if (captions != copy.end()) {
                QVariantList representations;
                for (const QVariant& item : captions->toList())
                    if (const TMObjectRef caption = item.value<TMObjectRef>())
                        representations.append(caption->dictRepresentation());
                *captions = representations;
            }
            entries.append(copy);
        }
    }
    catalog.insert(key(kCatalogEntriesKey), entries);
    std::lock_guard lock(_theLock);
    if (_fileExtensionsFilter)
        catalog.insert(key(kCatalogFileTypesKey), *_fileExtensionsFilter);
    catalog.insert(key(kCatalogAllowDeferedLoaderKey), bool(_allowDeferedLoader));
    catalog.insert(key(kCatalogThumbWidthKey), float(_thumbnailSize.width));
    catalog.insert(key(kCatalogThumbHeightKey), float(_thumbnailSize.height));
    if (_photoSerialNumber <= std::numeric_limits<qint32>::max())
        catalog.insert(key(kCatalogSerialNumberKey), int(_photoSerialNumber));
    else
        catalog.insert(key(kCatalogSerialNumberKey), qint64(_photoSerialNumber));
    return catalog;
}

VQFileCatalogEntryRef VQFileCatalog::entryFromStoredRecord(const QVariantMap& stored) const {
    auto record = std::make_shared<VQFileCatalogEntry>();
    for (auto it = stored.cbegin(); it != stored.cend(); ++it)
        if (fitsKey(it.key(), it.value()))
            record->insert(it.key(), it.value());
    for (const char* name : kCacheKeys)
        record->remove(key(name));
    // The temporary file of an earlier run is not reused: it is written or
    // fetched again when needed.
    if (record->isRaw() || record->isURL())
        record->remove(key(kEntryPathKey));
    record->insert(key(kEntryEnabledKey), true);
    record->insert(key(kEntrySelectedKey), false);
    const auto captions = record->find(key(kEntryCaptionsKey));
    if (captions != record->end())
        *captions = captionsFromRepresentations(captions->toList());
    return record;
}

void VQFileCatalog::repairSerialNumbers(std::optional<qint64> storedCounter) {
    // Two entries with one number would let undo and placements hit the wrong
    // photo: the first keeps it, later ones and those without get fresh ones,
    // counted on above every number in use.
    const QString serialKey = key(kEntrySerialNumberKey);
    QSet<int> used;
    QList<VQFileCatalogEntryRef> needNumbers;
    qint64 highest = std::numeric_limits<qint64>::min();
    for (const VQFileCatalogEntryRef& record : std::as_const(_entries)) {
        const auto serial = record->constFind(serialKey);
        if (serial == record->cend() || used.contains(serial->toInt())) {
            needNumbers.append(record);
            continue;
        }
        used.insert(serial->toInt());
        highest = std::max(highest, qint64(serial->toInt()));
    }
    if (storedCounter)
        _photoSerialNumber = *storedCounter;
    if (!used.isEmpty() && _photoSerialNumber <= highest)
        _photoSerialNumber = highest + 1;
    for (const VQFileCatalogEntryRef& record : std::as_const(needNumbers))
        record->remove(serialKey);
    for (const VQFileCatalogEntryRef& record : std::as_const(needNumbers))
        record->insert(serialKey, nextSerialNumber());
}

void VQFileCatalog::decodeCatalog(const QVariantMap& catalog) {
    std::unique_lock lock(_theLock);
    _performingDecode = true;
    std::optional<qint64> storedCounter;
    const QVariant serial = catalog.value(key(kCatalogSerialNumberKey));
    if (isInt32(serial))
        storedCounter = serial.toLongLong();
    const QVariant width = catalog.value(key(kCatalogThumbWidthKey));
    const QVariant height = catalog.value(key(kCatalogThumbHeightKey));
    const auto side = [](const QVariant& value) {
        return isFiniteNumber(value) && value.toDouble() >= 1 &&
               value.toDouble() <= kMaxThumbnailSide;
    };
    if (side(height))
        _thumbnailSize.height = float(height.toDouble());
    if (side(width))
        _thumbnailSize.width = float(width.toDouble());
    const QVariant allow = catalog.value(key(kCatalogAllowDeferedLoaderKey));
    if (isBool(allow))
        _allowDeferedLoader = allow.toBool();
    const QVariant fileTypes = catalog.value(key(kCatalogFileTypesKey));
    if (fileTypes.typeId() == QMetaType::QStringList) {
        _fileExtensionsFilter = fileTypes.toStringList();
    } else if (fileTypes.typeId() == QMetaType::QVariantList) {
        QStringList filters;
        for (const QVariant& item : fileTypes.toList())
            if (isText(item))
                filters.append(item.toString());
        _fileExtensionsFilter = filters;
    }
    const QVariant entries = catalog.value(key(kCatalogEntriesKey));
    if (entries.typeId() == QMetaType::QVariantList) {
        QList<VQFileCatalogEntryRef> records;
        for (const QVariant& item : entries.toList())
            if (item.typeId() == QMetaType::QVariantMap)
                records.append(entryFromStoredRecord(item.toMap()));
        _entries = records;
        _lastSelectedIndex = -1;
    }
    repairSerialNumbers(storedCounter);
    testAllEntriesForChanges();
    _performingDecode = false;
    lock.unlock();
    // The layout asks the catalog about its photos: only with the entries in and unlocked.
    const QVariant book = catalog.value(key(kCatalogBookContainerKey));
    if (book.typeId() == QMetaType::QVariantList && _document)
        _document->takeOverBookContainer(book.toList());
    if (!_disableNotifications)
        NotificationCenter::defaultCenter().postNotificationName(
            key(kVQFileCatalogFileAddedNofity), static_cast<const VQFileCatalog*>(this));
}

bool VQFileCatalog::matchesCriteria(const QString& path) const {
    const QStringList filters = fileExtensionFilters();
    if (filters.isEmpty())
        return false;
    const QString extension = QFileInfo(path).suffix();
    const QString typeText = FileTypeCode::typeCodeText(FileTypeCode::typeCodeOfFile(path));
    for (const QString& filter : filters) {
        if (!extension.isEmpty() && filter.compare(extension, Qt::CaseInsensitive) == 0)
            return true;
        if (!typeText.isEmpty() && filter.compare(typeText, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

QString VQFileCatalog::extractMountedVolume(const QString& path) {
    // As path components: "/", "Volumes", the volume, ...
    if (!path.startsWith(QLatin1Char('/')))
        return QString();
    const QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (parts.size() < 2 || parts.at(0) != QLatin1String("Volumes"))
        return QString();
    return parts.at(1);
}
