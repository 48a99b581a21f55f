// File references of file entries and the change tests that keep entries in
// step with their files: a moved file is found again through its reference or
// by name below the document's folder, a changed file loses its cached
// pictures, a missing one disables its entry.
#include "catalog/Importer.h"
#include "catalog/VQFileCatalog.h"
#include "documents/RoduvudeDadevizi.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/FileReference.h"
#include "platform/foundation/HostServices.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/NotificationCenter.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QHash>
#include <limits>

namespace {

constexpr char kMissingFileErrorKey[] = "ERROR_1043";

QString key(const char* name) {
    return QString::fromLatin1(name);
}

// The document file keeps dates to the millisecond; finer differences would
// make every file of a reopened catalog look changed.
qint64 storedTime(const QDateTime& date) {
    return date.isValid() ? date.toMSecsSinceEpoch() : std::numeric_limits<qint64>::min();
}

void removeMetadata(VQFileCatalogEntry& record) {
    for (const char* name : {kEntryMetadataKey, kEntryEXIFKey, kEntryComponentInfoKey})
        record.remove(key(name));
}

[[noreturn]] void raiseMissing() {
    Exception::raise(QString::fromLatin1(kInvalidArgumentException),
                     localizedString(QString::fromLatin1(kMissingFileErrorKey)));
}

int depth(const QString& path) {
    return int(path.count(QLatin1Char('/')));
}

} // namespace

// The files below the document's folder by last component. Where a name occurs
// more than once, the shallowest path wins, then the first in sort order.
struct VQFileCatalog::NameSearch {
    bool walked = false;
    QHash<QString, QString> pathByName;

    void walk(const QString& folder) {
        walked = true;
        WaitMonitorScope wait;
        // Links are not followed, into folders or to files: a link is not the file.
        QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            const QString name = it.fileName();
            const auto known = pathByName.find(name);
            if (known == pathByName.end())
                pathByName.insert(name, path);
            else if (depth(path) < depth(*known) || (depth(path) == depth(*known) && path < *known))
                *known = path;
        }
    }
};

QByteArray VQFileCatalog::createAliasObjectFromPath(const QString& path) const {
    return FileReference::createReference(path);
}

QString VQFileCatalog::getPathFromAliasObjectNewAlias(const QByteArray& alias,
                                                      QByteArray* newAlias) const {
    return FileReference::resolveReference(alias, documentFolder(), newAlias);
}

QString VQFileCatalog::resolveAliasFile(const QString& path) {
    return FileReference::resolveLinkChain(path);
}

QString VQFileCatalog::documentFolder() const {
    if (!_document || _document->fileName().isEmpty())
        return QString();
    return QFileInfo(_document->fileName()).absolutePath();
}

QString VQFileCatalog::findByNameBelowDocumentFolder(const QString& name) {
    const QString folder = documentFolder();
    if (folder.isEmpty() || name.isEmpty())
        return QString();
    NameSearch local;
    NameSearch& search = _nameSearch ? *_nameSearch : local;
    if (!search.walked)
        search.walk(folder);
    return search.pathByName.value(name);
}

QString VQFileCatalog::findMovedFile(VQFileCatalogEntry& record, const QString& missingPath) {
    const auto alias = record.constFind(key(kEntryAliasKey));
    if (alias == record.cend())
        raiseMissing();
    QByteArray updated;
    QString found = getPathFromAliasObjectNewAlias(alias->toByteArray(), &updated);
    if (!found.isEmpty()) {
        record.insert(key(kEntryPathKey), found);
        removeMetadata(record);
        if (!updated.isNull()) {
            record.insert(key(kEntryAliasKey), updated);
            markDocumentChanged();
        }
        return found;
    }
    found = findByNameBelowDocumentFolder(QFileInfo(missingPath).fileName());
    if (found.isEmpty())
        raiseMissing();
    record.insert(key(kEntryPathKey), found);
    removeMetadata(record);
    const QByteArray fresh = createAliasObjectFromPath(found);
    if (!fresh.isNull()) {
        record.insert(key(kEntryAliasKey), fresh);
        markDocumentChanged();
    }
    return found;
}

bool VQFileCatalog::testEntryForChange(VQFileCatalogEntry& record) {
    if (record.isRaw() || record.isURL())
        return false;
    std::lock_guard lock(_theLock);
    QString path = record.value(key(kEntryPathKey)).toString();
    const QVariant enabled = record.value(key(kEntryEnabledKey));
    bool changed = false;
    // No file name holds a NUL; such a path from a damaged record names nothing.
    if (path.isEmpty() || path.contains(QChar(0)) || !QFileInfo::exists(path)) {
        if (enabled.isValid() && !enabled.toBool())
            return false;
        path = findMovedFile(record, path);
        changed = true;
    }
    const QFileInfo info(path);
    const QDateTime modified = info.lastModified();
    const auto stored = record.constFind(key(kEntryModDateKey));
    if (stored == record.cend() || storedTime(stored->toDateTime()) != storedTime(modified)) {
        record.insert(key(kEntryModDateKey), modified);
        record.insert(key(kEntryFileSizeKey), qint64(info.size()));
        for (const char* name :
             {kEntryThumbnailKey, kEntryImageKey, kEntryImageAccessKey, kEntryImageSizeKey,
              kEntryMetadataKey, kEntryEXIFKey, kEntryComponentInfoKey})
            record.remove(key(name));
        Importer::flushCachedGWorld(path);
        changed = true;
    }
    if (!enabled.isValid() || !enabled.toBool()) {
        record.insert(key(kEntryEnabledKey), true);
        return true;
    }
    return changed;
}

bool VQFileCatalog::testAllEntriesForChanges() {
    bool changed = false;
    {
        std::lock_guard lock(_theLock);
        // One walk of the document's folder serves every missing file of the pass.
        NameSearch search;
        struct Scope {
            NameSearch*& current;
            NameSearch* const outer;
            ~Scope() { current = outer; }
        } scope{_nameSearch, _nameSearch};
        _nameSearch = &search;
        const int count = int(_entries.size());
        for (int i = 0; i < count; ++i) {
            const VQFileCatalogEntryRef record = _entries.at(i);
            try {
                if (testEntryForChange(*record))
                    changed = true;
            } catch (const Exception&) {
                if (!getFileAttributeAtIndex(kCatalogAttrEnabled, i).toBool())
                    continue;
                setFileAttributeAtIndexToValue(kCatalogAttrEnabled, i, false);
                postError(kErrorMissingFile);
                if (!_disableNotifications) {
                    QVariantMap info;
                    info.insert(key(kVQIndexKey), i);
                    NotificationCenter::defaultCenter().postNotificationName(
                        key(kVQFileCatalogAttributeChangedNofity),
                        static_cast<const VQFileCatalog*>(this), info);
                }
                if (_document)
                    _document->updateChangeCount(Document::ChangeDone);
            }
        }
    }
    // Posted even while notices are off: the catalog's owner redraws on it.
    if (changed)
        NotificationCenter::defaultCenter().postNotificationName(
            key(kVQFileCatalogPropertyChangedNotify), static_cast<const VQFileCatalog*>(this));
    return changed;
}
