#include "library/TemplateInfoCache.h"

#include "library/NewTemplateManager.h"
#include "library/TemplateHandle.h"
#include "platform/archiving/ArchivedValues.h"
#include "platform/archiving/Archiver.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/PropertyList.h"

#include <QDir>

namespace {

QString key(const char* name) {
    return QString::fromLatin1(name);
}

} // namespace

TemplateInfoCache& TemplateInfoCache::sharedTemplateInfoCache() {
    static TemplateInfoCache cache(QDir(NewTemplateManager::userTemplatesFolderPath())
                                       .filePath(localizedString(key(kInfoCacheNameKey))));
    return cache;
}

TemplateInfoCache::TemplateInfoCache(const QString& cacheFilePath) : _cacheFilePath(cacheFilePath) {
    const QVariant root = PropertyList::readFromFile(_cacheFilePath);
    if (root.metaType() == QMetaType::fromType<QVariantMap>())
        _infoDictionary = root.toMap();
    NotificationCenter& center = NotificationCenter::defaultCenter();
    for (const char* name :
         {kTemplateChangedNotify, kTemplateRemovedNotify, kTemplateReplacedNotify})
        center.addObserver(this, key(name), nullptr, [this](const Notification& notification) {
            templateChangedOrRemoved(notification);
        });
}

TemplateInfoCache::~TemplateInfoCache() {
    NotificationCenter::defaultCenter().removeObserver(this);
}

std::optional<QVariantMap> TemplateInfoCache::retreiveTemplateInfo(const QString& path) const {
    const auto entry = _infoDictionary.constFind(path);
    if (entry == _infoDictionary.cend())
        return std::nullopt;
    return entry->toMap();
}

void TemplateInfoCache::deleteTemplateInfo(const QString& path) {
    if (_infoDictionary.remove(path) > 0)
        _modified = true;
}

void TemplateInfoCache::storeInfoFromTemplate(TemplateHandle& handle) {
    QVariantMap entry;
    entry.insert(key(kInfoCacheVersionKey), qlonglong(handle.version()));
    const auto text = [&](const char* name, const QString& value) {
        if (!value.isNull())
            entry.insert(key(name), value);
    };
    text(kInfoCacheNameEntryKey, handle.name());
    text(kInfoCacheDocumentIDKey, handle.documentID());
    text(kInfoCacheCategoryKey, handle.category());
    text(kInfoCacheCreatorKey, handle.creator());
    text(kInfoCacheDescriptionKey, handle.description());
    if (const QDateTime date = handle.fileModDate(); date.isValid())
        entry.insert(key(kInfoCacheModDateKey),
                     QDateTime::fromSecsSinceEpoch(date.toSecsSinceEpoch(), Qt::UTC));
    if (const Image thumbnail = handle.thumbnailProxy(); !thumbnail.isNull()) {
        const QByteArray archive = Archiver::archivedValue(thumbnail);
        if (!archive.isNull())
            entry.insert(key(kInfoCacheProxyKey), archive);
    }
    _infoDictionary.insert(handle.path(), entry);
    _modified = true;
}

bool TemplateInfoCache::synchronize() {
    if (!_modified)
        return true;
    QDir().mkpath(QFileInfo(_cacheFilePath).absolutePath());
    if (!PropertyList::writeToFile(_infoDictionary, _cacheFilePath))
        return false;
    _modified = false;
    return true;
}

void TemplateInfoCache::templateChangedOrRemoved(const Notification& notification) {
    if (const auto* handle = static_cast<const TemplateHandle*>(notification.object()))
        deleteTemplateInfo(handle->path());
    synchronize();
}
