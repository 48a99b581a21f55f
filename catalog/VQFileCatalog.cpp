#include "catalog/VQFileCatalog.h"

#include "catalog/Importer.h"
#include "catalog/RedEyeRects.h"
#include "documents/RoduvudeDadevizi.h"
#include "framework/model/TMObject.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/HostServices.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/NotificationQueue.h"
#include "platform/foundation/UndoManager.h"
#include "utilities/GeometryUtilities.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTimer>
#include <algorithm>
#include <cstring>
#include <limits>

namespace {

constexpr char kAddAction[] = "ADD";
constexpr char kRemoveAction[] = "REMOVE";
constexpr char kPicMoveAction[] = "PIC_MOVE";
constexpr char kAddImageFormatKey[] = "ADD_IMAGE_STR";

bool flag(const VQFileCatalogEntry& record, const char* key, bool neutral = false) {
    const QVariant value = record.value(QString::fromLatin1(key));
    return value.isValid() ? value.toBool() : neutral;
}

QVariantList variantList(const QList<int>& indices) {
    QVariantList list;
    for (int index : indices)
        list.append(index);
    return list;
}

// The record's captions as page objects; values that are none are skipped.
QList<TMObjectRef> captionObjects(const VQFileCatalogEntry& record) {
    QList<TMObjectRef> objects;
    for (const QVariant& item : record.value(QString::fromLatin1(kEntryCaptionsKey)).toList())
        if (TMObjectRef object = item.value<TMObjectRef>())
            objects.append(object);
    return objects;
}

} // namespace

Rect rectFromData(const QByteArray& data) {
    float v[4] = {0, 0, 0, 0};
    if (data.size() == qsizetype(sizeof v))
        std::memcpy(v, data.constData(), sizeof v);
    return Rect(v[0], v[1], v[2], v[3]);
}

QByteArray dataFromRect(const Rect& r) {
    const float v[4] = {r.origin.x, r.origin.y, r.size.width, r.size.height};
    return QByteArray(reinterpret_cast<const char*>(v), sizeof v);
}

bool VQFileCatalogEntry::isRaw() const {
    return flag(*this, kEntryRawImageFlagKey);
}

bool VQFileCatalogEntry::isURL() const {
    return flag(*this, kEntryImageURLFlagKey);
}

namespace {

QString newCatalogDescription() {
    static std::atomic<qint64> counter{0};
    return QStringLiteral("<VQFileCatalog %1-%2>")
        .arg(QCoreApplication::applicationPid())
        .arg(++counter);
}

} // namespace

VQFileCatalog::VQFileCatalog() : _description(newCatalogDescription()) {
    startEvictionTimer();
}

VQFileCatalog::~VQFileCatalog() {
    stopDeferedLoader();
    stopEvictionTimer();
    // Queued notices name the catalog by address only.
    NotificationQueue::defaultQueue().dequeueNotificationsMatching(
        Notification(QString(), static_cast<const VQFileCatalog*>(this)),
        NotificationQueue::CoalescingOnSender);
    std::lock_guard lock(_theLock);
    for (const VQFileCatalogEntryRef& record : std::as_const(_entries)) {
        if (!record->isRaw() && !record->isURL())
            continue;
        const QString path = record->value(QString::fromLatin1(kEntryPathKey)).toString();
        if (isTemporaryFile(path))
            QFile::remove(path);
    }
}

void VQFileCatalog::shutdown() {
    stopEvictionTimer();
    stopDeferedLoader();
    if (_document)
        _document->undoManager()->removeAllActionsWithTarget(this);
}

int VQFileCatalog::fileCount() const {
    std::lock_guard lock(_theLock);
    return int(_entries.size());
}

QStringList VQFileCatalog::fileExtensionFilters() const {
    std::lock_guard lock(_theLock);
    return _fileExtensionsFilter.value_or(QStringList());
}

void VQFileCatalog::setFileExtensionFilters(const QStringList& filters) {
    {
        std::lock_guard lock(_theLock);
        _fileExtensionsFilter = filters;
    }
    testAllEntriesForChanges();
}

int VQFileCatalog::nextSerialNumber() {
    std::lock_guard lock(_theLock);
    if (_photoSerialNumber >= std::numeric_limits<int32_t>::min() &&
        _photoSerialNumber <= std::numeric_limits<int32_t>::max())
        return int(_photoSerialNumber++);
    // Only a damaged file's count runs out of numbers: the lowest free one above
    // the first number handed out.
    QSet<int> used;
    for (const VQFileCatalogEntryRef& record : std::as_const(_entries)) {
        const QVariant serial = record->value(QString::fromLatin1(kEntrySerialNumberKey));
        if (serial.isValid())
            used.insert(serial.toInt());
    }
    int serial = 1234;
    while (used.contains(serial))
        ++serial;
    return serial;
}

void VQFileCatalog::markDocumentChanged() {
    if (!_document)
        return;
    _document->updateChangeCount(Document::ChangeDone);
    if (_performingDecode)
        _document->setModifiedOnDecode(true);
}

void VQFileCatalog::enqueue(const char* name, int postingStyle, int coalesceMask,
                            const QVariantMap& userInfo) {
    if (_disableNotifications)
        return;
    NotificationQueue::defaultQueue().enqueueNotification(
        Notification(QString::fromLatin1(name), static_cast<const VQFileCatalog*>(this), userInfo),
        NotificationQueue::PostingStyle(postingStyle),
        NotificationQueue::CoalesceMask(coalesceMask));
}

void VQFileCatalog::postError(int code) {
    QVariantMap info;
    info.insert(QString::fromLatin1(kErrCodeKey), code);
    info.insert(QString::fromLatin1(kErrDocumentKey),
                QVariant::fromValue(static_cast<QObject*>(_document)));
    enqueue(kUTErrorNofity, NotificationQueue::PostASAP,
            NotificationQueue::CoalescingOnName | NotificationQueue::CoalescingOnSender, info);
}

void VQFileCatalog::enqueueFileAdded() {
    enqueue(kVQFileCatalogFileAddedNofity, NotificationQueue::PostWhenIdle,
            NotificationQueue::CoalescingOnName | NotificationQueue::CoalescingOnSender);
}

// Adding.

VQFileCatalogEntryRef VQFileCatalog::newEntryWithDefaults() const {
    auto record = std::make_shared<VQFileCatalogEntry>();
    const float saturation = _document ? _document->defaultSaturation() : 1.0f;
    const float brightness = _document ? _document->defaultBrightness() : 1.0f;
    const float contrast = _document ? _document->defaultContrast() : 1.0f;
    const int sharpness = _document ? _document->defaultSharpness() : 0;
    record->insert(QString::fromLatin1(kEntrySaturationKey), saturation);
    record->insert(QString::fromLatin1(kEntryBrightnessKey), brightness);
    record->insert(QString::fromLatin1(kEntryContrastKey), contrast);
    record->insert(QString::fromLatin1(kEntrySharpnessKey), sharpness);
    return record;
}

void VQFileCatalog::insertEntry(const VQFileCatalogEntryRef& record, int position) {
    std::lock_guard lock(_theLock);
    if (position >= 0 && position <= _entries.size())
        _entries.insert(position, record);
    else
        _entries.append(record);
}

void VQFileCatalog::registerAddUndo(const VQFileCatalogEntryRef& record) {
    if (!_document)
        return;
    const int serial = record->value(QString::fromLatin1(kEntrySerialNumberKey)).toInt();
    UndoManager* undo = _document->undoManager();
    undo->registerUndo(this, [this, serial] { removeSerialNumberEntry(serial); });
    undo->setActionName(localizedString(QString::fromLatin1(kAddAction)));
}

bool VQFileCatalog::addFileEntryAtPosition(const QString& path, int position) {
    std::lock_guard lock(_theLock);
    auto record = std::make_shared<VQFileCatalogEntry>();
    const QString target = resolveAliasFile(path);
    record->insert(QString::fromLatin1(kEntryPathKey), target);
    const QByteArray alias = createAliasObjectFromPath(target);
    if (!alias.isNull())
        record->insert(QString::fromLatin1(kEntryAliasKey), alias);
    record->insert(QString::fromLatin1(kEntrySerialNumberKey), nextSerialNumber());
    try {
        if (!testEntryForChange(*record))
            return false;
    } catch (const Exception&) {
        postError(kErrorMissingFile);
        return false;
    }
    const VQFileCatalogEntryRef defaults = newEntryWithDefaults();
    for (auto it = defaults->cbegin(); it != defaults->cend(); ++it)
        record->insert(it.key(), it.value());
    registerAddUndo(record);
    insertEntry(record, position);
    enqueueFileAdded();
    return true;
}

QString VQFileCatalog::uniqueRawImageName() {
    const QString format = localizedString(QString::fromLatin1(kAddImageFormatKey));
    QString name;
    // A format without a number gives one name only; the loop still ends.
    for (int tries = 0; tries <= fileCount(); ++tries) {
        ++_addedImageCount;
        name = stringWithFormat(format, _addedImageCount);
        if (getEntryPosition(name) == 0)
            break;
    }
    return name;
}

void VQFileCatalog::addImageEntryAtPosition(const Image& image, int position) {
    std::lock_guard lock(_theLock);
    const VQFileCatalogEntryRef record = newEntryWithDefaults();
    record->insert(QString::fromLatin1(kEntryRawImageNameKey), uniqueRawImageName());
    record->insert(QString::fromLatin1(kEntryRawImageDataKey), QVariant::fromValue(image));
    record->insert(QString::fromLatin1(kEntryRawImageFlagKey), true);
    record->insert(QString::fromLatin1(kEntrySerialNumberKey), nextSerialNumber());
    registerAddUndo(record);
    insertEntry(record, position);
    enqueueFileAdded();
}

void VQFileCatalog::addURLEntryAtPosition(const QUrl& url, int position) {
    std::lock_guard lock(_theLock);
    const VQFileCatalogEntryRef record = newEntryWithDefaults();
    record->insert(QString::fromLatin1(kEntryImageURLKey), url);
    record->insert(QString::fromLatin1(kEntryImageURLFlagKey), true);
    record->insert(QString::fromLatin1(kEntrySerialNumberKey), nextSerialNumber());
    registerAddUndo(record);
    insertEntry(record, position);
    enqueueFileAdded();
}

void VQFileCatalog::addObjectEntry(const VQFileCatalogEntryRef& record, bool keepSerialNumber) {
    if (!record)
        return;
    {
        std::lock_guard lock(_theLock);
        const QString serialKey = QString::fromLatin1(kEntrySerialNumberKey);
        // A restored entry keeps its number, so whatever still names it finds it.
        if (!keepSerialNumber || !record->contains(serialKey))
            record->insert(serialKey, nextSerialNumber());
        registerAddUndo(record);
        insertEntry(record, record->value(QString::fromLatin1(kEntryPositionKey), -1).toInt());
        enqueueFileAdded();
    }
    if (flag(*record, kEntrySelectedKey))
        notifySelectionChanged(getSelectedIndices());
}

void VQFileCatalog::addEntryFromCatalogFromIndexToIndex(VQFileCatalog& source, int sourceIndex,
                                                        int position) {
    auto copy = std::make_shared<VQFileCatalogEntry>();
    {
        std::lock_guard sourceLock(source._theLock);
        const VQFileCatalogEntryRef original = source.entryAtIndex(sourceIndex);
        if (!original) {
            QApplication::beep();
            return;
        }
        for (auto it = original->cbegin(); it != original->cend(); ++it)
            copy->insert(it.key(), it.value());
    }
    copy->remove(QString::fromLatin1(kEntrySelectedKey));
    // Captions are page objects: the copy gets its own.
    QVariantList captions;
    for (const TMObjectRef& caption : captionObjects(*copy))
        captions.append(QVariant::fromValue(caption->copy()));
    if (copy->contains(QString::fromLatin1(kEntryCaptionsKey)))
        copy->insert(QString::fromLatin1(kEntryCaptionsKey), captions);
    // The source's temporary file goes with the source entry; the copy makes its own.
    if (copy->isRaw() || copy->isURL())
        copy->remove(QString::fromLatin1(kEntryPathKey));

    std::lock_guard lock(_theLock);
    copy->insert(QString::fromLatin1(kEntrySerialNumberKey), nextSerialNumber());
    registerAddUndo(copy);
    insertEntry(copy, position);
    enqueueFileAdded();
}

// Removing and reordering.

void VQFileCatalog::removeSerialNumberEntry(int serialNumber) {
    std::lock_guard lock(_theLock);
    const int index = findSerialNumber(serialNumber);
    if (index < 0)
        return;
    const VQFileCatalogEntryRef record = _entries.at(index);
    if (record->isRaw() || record->isURL()) {
        const QString path = record->value(QString::fromLatin1(kEntryPathKey)).toString();
        if (isTemporaryFile(path))
            QFile::remove(path);
        record->remove(QString::fromLatin1(kEntryPathKey));
    }
    record->insert(QString::fromLatin1(kEntryPositionKey), index);
    if (_document) {
        UndoManager* undo = _document->undoManager();
        undo->registerUndo(this, [this, record] { addObjectEntry(record, true); });
        undo->setActionName(localizedString(QString::fromLatin1(kRemoveAction)));
    }
    if (!_disableNotifications && flag(*record, kEntrySelectedKey))
        notifySelectionChanged({});
    removeEntryAtIndex(index);
}

void VQFileCatalog::removeEntryAtIndex(int index) {
    {
        std::lock_guard lock(_theLock);
        if (index < 0 || index >= _entries.size())
            return;
        _entries.removeAt(index);
    }
    enqueue(kVQFileCatalogFileRemovedNofity, NotificationQueue::PostWhenIdle,
            NotificationQueue::CoalescingOnName | NotificationQueue::CoalescingOnSender);
}

void VQFileCatalog::resetEntryAtIndex(int index) {
    std::lock_guard lock(_theLock);
    const VQFileCatalogEntryRef record = entryAtIndex(index);
    if (!record)
        return;
    for (const char* key :
         {kEntryRotationKey, kEntryRedEyeKey, kEntrySharpnessKey, kEntryContrastKey,
          kEntrySaturationKey, kEntryBrightnessKey, kEntryThumbnailKey, kEntryImageKey,
          kEntryImageAccessKey, kEntryImageSizeKey, kEntryThumbnailQueueKey, kEntryMetadataKey,
          kEntryEXIFKey, kEntryComponentInfoKey})
        record->remove(QString::fromLatin1(key));
    Importer::flushCachedGWorld(record->value(QString::fromLatin1(kEntryPathKey)).toString());
}

void VQFileCatalog::reloadEntryImageAtIndex(int index) {
    std::lock_guard lock(_theLock);
    const VQFileCatalogEntryRef record = entryAtIndex(index);
    if (!record)
        return;
    for (const char* key : {kEntryImageKey, kEntryImageAccessKey, kEntryImageSizeKey})
        record->remove(QString::fromLatin1(key));
    Importer::flushCachedGWorld(record->value(QString::fromLatin1(kEntryPathKey)).toString());
}

void VQFileCatalog::moveEntryFromIndexToIndex(int source, int destination) {
    int landed;
    {
        std::lock_guard lock(_theLock);
        const int count = int(_entries.size());
        if (source < 0 || source >= count)
            return;
        const int target = source < destination ? destination + 1 : destination;
        const VQFileCatalogEntryRef record = _entries.at(source);
        if (target >= 0 && target < count)
            _entries.insert(target, record);
        else
            _entries.append(record);
        if (target >= 0 && target <= source)
            _entries.removeAt(source + 1);
        else
            _entries.removeAt(source);
        // Undo moves the record from where it landed, which differs from the
        // destination when that lay at or past the end.
        landed = int(_entries.indexOf(record));
    }
    enqueue(kVQFileCatalogEntriesMovedNofity, NotificationQueue::PostWhenIdle,
            NotificationQueue::CoalescingOnName | NotificationQueue::CoalescingOnSender);
    if (!_document)
        return;
    QVariantMap parameters;
    parameters.insert(QString::fromLatin1(kSwapSourceKey), landed);
    parameters.insert(QString::fromLatin1(kSwapDestinationKey), source);
    UndoManager* undo = _document->undoManager();
    undo->registerUndo(this, [this, parameters] { swapEntries(parameters); });
    undo->setActionName(localizedString(QString::fromLatin1(kPicMoveAction)));
}

void VQFileCatalog::swapEntries(const QVariantMap& parameters) {
    moveEntryFromIndexToIndex(parameters.value(QString::fromLatin1(kSwapSourceKey)).toInt(),
                              parameters.value(QString::fromLatin1(kSwapDestinationKey)).toInt());
}

VQFileCatalogEntryRef VQFileCatalog::entryAtIndex(int index) const {
    std::lock_guard lock(_theLock);
    if (index < 0 || index >= _entries.size())
        return nullptr;
    return _entries.at(index);
}

// Lookup.

int VQFileCatalog::findSerialNumber(int serialNumber) {
    return indexOfEntryWithSerialNumber(serialNumber);
}

int VQFileCatalog::indexOfEntryWithSerialNumber(int serialNumber) const {
    std::lock_guard lock(_theLock);
    const QString key = QString::fromLatin1(kEntrySerialNumberKey);
    for (int i = 0; i < _entries.size(); ++i) {
        const QVariant value = _entries.at(i)->value(key);
        if (value.isValid() && value.toInt() == serialNumber)
            return i;
    }
    return -1;
}

int VQFileCatalog::getEntryPosition(const QString& name) const {
    std::lock_guard lock(_theLock);
    for (int i = 0; i < _entries.size(); ++i) {
        const VQFileCatalogEntry& record = *_entries.at(i);
        QString entryName;
        if (record.isRaw())
            entryName = record.value(QString::fromLatin1(kEntryRawImageNameKey)).toString();
        else if (record.isURL())
            entryName = record.value(QString::fromLatin1(kEntryImageURLKey)).toUrl().toString();
        else
            entryName = record.value(QString::fromLatin1(kEntryPathKey)).toString();
        if (entryName == name)
            return i + 1;
    }
    return 0;
}

QList<int> VQFileCatalog::getModifiedFileIndices() {
    std::lock_guard lock(_theLock);
    QList<int> indices;
    // An absent value is neutral; a value that is no number counts as changed.
    const auto differs = [](const VQFileCatalogEntry& record, const char* key, double neutral) {
        const QVariant value = record.value(QString::fromLatin1(key));
        if (!value.isValid())
            return false;
        bool ok = false;
        const double number = value.toDouble(&ok);
        return !ok || number != neutral;
    };
    for (int i = 0; i < _entries.size(); ++i) {
        const VQFileCatalogEntry& record = *_entries.at(i);
        const QVariant redEye = record.value(QString::fromLatin1(kEntryRedEyeKey));
        if (differs(record, kEntryRotationKey, 0) || differs(record, kEntrySharpnessKey, 0) ||
            differs(record, kEntryContrastKey, 1.0) || differs(record, kEntrySaturationKey, 1.0) ||
            differs(record, kEntryBrightnessKey, 1.0) ||
            (redEye.isValid() && !redEye.toList().isEmpty()))
            indices.append(i);
    }
    return indices;
}

// Selection and markers.

void VQFileCatalog::selectionOrMarkerIndex(int& index) const {
    if (index < 0)
        index = fileCount() - 1;
}

void VQFileCatalog::setSelectionAtIndexTo(int index, bool selected) {
    if (fileCount() == 0)
        return;
    selectionOrMarkerIndex(index);
    if (selected)
        _lastSelectedIndex = index;
    else if (_lastSelectedIndex == index)
        _lastSelectedIndex = -1;
    setFileAttributeAtIndexToValue(kCatalogAttrSelected, index, selected);
}

void VQFileCatalog::setSelectionAtIndex(int index) {
    setSelectionAtIndexTo(index, true);
    notifySelectionChanged({index});
}

void VQFileCatalog::clearSelectionAtIndex(int index) {
    setSelectionAtIndexTo(index, false);
    notifySelectionChanged({index});
}

void VQFileCatalog::clearSelection() {
    const QList<int> selected = getSelectedIndices();
    if (selected.isEmpty())
        return;
    for (int index : selected)
        setFileAttributeAtIndexToValue(kCatalogAttrSelected, index, false);
    _lastSelectedIndex = -1;
    notifySelectionChanged(selected);
}

void VQFileCatalog::selectAll() {
    const int count = fileCount();
    for (int i = 0; i < count; ++i)
        setSelectionAtIndexTo(i, true);
    notifySelectionChanged(getSelectedIndices());
}

void VQFileCatalog::advanceSelection() {
    const int count = fileCount();
    if (count == 0)
        return;
    const QList<int> selected = getSelectedIndices();
    if (selected.isEmpty()) {
        setSelectionAtIndexTo(0, true);
        notifySelectionChanged({0});
        return;
    }
    int next = selected.last() + 1;
    if (next >= count)
        next = 0;
    clearSelection();
    setSelectionAtIndexTo(next, true);
    notifySelectionChanged({next});
}

void VQFileCatalog::retreatSelection() {
    const int count = fileCount();
    if (count == 0)
        return;
    const QList<int> selected = getSelectedIndices();
    int previous = count - 1;
    if (!selected.isEmpty()) {
        previous = selected.first() - 1;
        if (previous < 0)
            previous = count - 1;
        clearSelection();
    }
    setSelectionAtIndexTo(previous, true);
    notifySelectionChanged({previous});
}

QList<int> VQFileCatalog::getSelectedIndices() const {
    std::lock_guard lock(_theLock);
    QList<int> indices;
    for (int i = 0; i < _entries.size(); ++i)
        if (flag(*_entries.at(i), kEntrySelectedKey))
            indices.append(i);
    return indices;
}

QList<int> VQFileCatalog::getMarkedIndices() const {
    std::lock_guard lock(_theLock);
    QList<int> indices;
    for (int i = 0; i < _entries.size(); ++i)
        if (flag(*_entries.at(i), kEntryMarkerKey, true))
            indices.append(i);
    return indices;
}

QList<int> VQFileCatalog::getAllIndices() const {
    QList<int> indices;
    const int count = fileCount();
    for (int i = 0; i < count; ++i)
        indices.append(i);
    return indices;
}

void VQFileCatalog::setMarkerAtIndexTo(int index, bool marked) {
    if (fileCount() == 0)
        return;
    selectionOrMarkerIndex(index);
    setFileAttributeAtIndexToValue(kCatalogAttrMarked, index, marked);
}

void VQFileCatalog::setMarkerAtIndex(int index) {
    setMarkerAtIndexTo(index, true);
    notifyMarkerChanged({index});
}

void VQFileCatalog::clearMarkerAtIndex(int index) {
    setMarkerAtIndexTo(index, false);
    notifyMarkerChanged({index});
}

void VQFileCatalog::toggleMarkerAtIndex(int index) {
    int resolved = index;
    selectionOrMarkerIndex(resolved);
    setMarkerAtIndexTo(index, !getFileAttributeAtIndex(kCatalogAttrMarked, resolved).toBool());
    notifyMarkerChanged({index});
}

void VQFileCatalog::toggleSelectionMarker() {
    const QList<int> selected = getSelectedIndices();
    for (auto it = selected.crbegin(); it != selected.crend(); ++it)
        toggleMarkerAtIndex(*it);
}

void VQFileCatalog::setSelectionMarker(bool marked) {
    const QList<int> selected = getSelectedIndices();
    if (selected.isEmpty())
        return;
    QList<int> changed;
    for (auto it = selected.crbegin(); it != selected.crend(); ++it) {
        setMarkerAtIndexTo(*it, marked);
        changed.append(*it);
    }
    notifyMarkerChanged(changed);
}

void VQFileCatalog::notifySelectionChanged(const QList<int>& indices) {
    QVariantMap info;
    info.insert(QString::fromLatin1(kUpdatedIndexesKey), variantList(indices));
    enqueue(kVQFileCatalogSelectionChangedNotify, NotificationQueue::PostASAP,
            NotificationQueue::NoCoalescing, info);
}

void VQFileCatalog::notifyMarkerChanged(const QList<int>& indices) {
    QVariantMap info;
    info.insert(QString::fromLatin1(kUpdatedIndexesKey), variantList(indices));
    enqueue(kVQFileCatalogMarkerChangedNotify, NotificationQueue::PostASAP,
            NotificationQueue::CoalescingOnName | NotificationQueue::CoalescingOnSender, info);
}

// Undo support and rotation.

QVariantMap VQFileCatalog::makeEncapsulatedParamsFromAttributeIndexAndValue(int attribute,
                                                                            int index,
                                                                            const QVariant& value) {
    QVariantMap parameters;
    parameters.insert(QString::fromLatin1(kEncapsulatedAttribKey), attribute);
    parameters.insert(QString::fromLatin1(kEncapsulatedIndexKey), index);
    parameters.insert(QString::fromLatin1(kEncapsulatedValueKey), value);
    return parameters;
}

void VQFileCatalog::setEncapsulatedAttribute(const QVariantMap& parameters) {
    setFileAttributeAtIndexToValue(
        parameters.value(QString::fromLatin1(kEncapsulatedAttribKey)).toInt(),
        parameters.value(QString::fromLatin1(kEncapsulatedIndexKey)).toInt(),
        parameters.value(QString::fromLatin1(kEncapsulatedValueKey)));
    if (!_disableNotifications)
        NotificationCenter::defaultCenter().postNotificationName(
            QString::fromLatin1(kVQFileCatalogAttributeChangedNofity),
            static_cast<const VQFileCatalog*>(this));
}

void VQFileCatalog::rotateEntryRedEyeArrayRotation(VQFileCatalogEntry& record, float degrees) {
    const QString key = QString::fromLatin1(kEntryRedEyeKey);
    const QVariantList items = record.value(key).toList();
    if (items.isEmpty())
        return;
    Rect bounds = rectFromData(items.first().toByteArray());
    const auto turn = [&](Rect r) {
        if (degrees == 90.0f || degrees == -270.0f)
            return UTRotateRectRight90(r, bounds);
        if (degrees == -90.0f || degrees == 270.0f)
            return UTRotateRectLeft90(r, bounds);
        if (degrees == 180.0f || degrees == -180.0f)
            return UTRotateRectRight90(UTRotateRectRight90(r, bounds),
                                       UTRotateRectRight90(bounds, bounds));
        return r;
    };
    QVariantList turned;
    for (qsizetype i = 1; i < items.size(); ++i)
        turned.append(dataFromRect(turn(rectFromData(items.at(i).toByteArray()))));
    if (degrees == 90.0f || degrees == -270.0f || degrees == -90.0f || degrees == 270.0f)
        bounds = turn(bounds);
    turned.prepend(dataFromRect(bounds));
    record.insert(key, turned);
}

void VQFileCatalog::rotateEntryCaptionArrayOnCenterRotation(VQFileCatalogEntry& record,
                                                            Point center, float degrees) {
    // Captions turn with the photo whatever the user locked on them.
    for (const TMObjectRef& caption : captionObjects(record)) {
        const Point c = caption->center();
        if (degrees == 90.0f || degrees == -270.0f)
            caption->setAbsoluteCenter(Point{c.y, 2 * center.x - c.x});
        else if (degrees == -90.0f || degrees == 270.0f)
            caption->setAbsoluteCenter(Point{2 * center.y - c.y, c.x});
        else if (degrees == 180.0f || degrees == -180.0f)
            caption->setAbsoluteCenter(Point{2 * center.x - c.x, 2 * center.y - c.y});
        float rotation = caption->rotation() - degrees;
        if (rotation >= 360.0f)
            rotation -= 360.0f;
        else if (rotation < 0.0f)
            rotation += 360.0f;
        caption->setAbsoluteRotation(rotation);
        caption->changeMade();
    }
}
