#pragma once

#include <QString>
#include <QVariantMap>
#include <optional>

class Notification;
class TemplateHandle;

// Localization key of the cache file's name in the templates folder.
inline constexpr char kInfoCacheNameKey[] = "INFO_CACHE_NAME";

// Keys of an entry.
inline constexpr char kInfoCacheVersionKey[] = "InfoCacheVersion";
inline constexpr char kInfoCacheNameEntryKey[] = "InfoCacheName";
inline constexpr char kInfoCacheDocumentIDKey[] = "InfoCacheDocumentID";
inline constexpr char kInfoCacheCategoryKey[] = "InfoCacheCategory";
inline constexpr char kInfoCacheCreatorKey[] = "InfoCacheCreator";
inline constexpr char kInfoCacheDescriptionKey[] = "InfoCacheDescription";
inline constexpr char kInfoCacheModDateKey[] = "InfoCacheModDate";
inline constexpr char kInfoCacheProxyKey[] = "InfoCacheProxy";

// The basic properties of templates of the property-list generation, kept in
// one property-list file keyed by template path, so that listing them does
// not parse each file again. Main thread only.
class TemplateInfoCache {
public:
    // The cache file of the user's templates folder.
    static TemplateInfoCache& sharedTemplateInfoCache();

    // Loads the file (an empty cache when it is missing or unreadable) and
    // follows the template notices.
    explicit TemplateInfoCache(const QString& cacheFilePath);
    ~TemplateInfoCache();
    TemplateInfoCache(const TemplateInfoCache&) = delete;
    TemplateInfoCache& operator=(const TemplateInfoCache&) = delete;

    QString cacheFilePath() const { return _cacheFilePath; }
    bool isModified() const { return _modified; }

    std::optional<QVariantMap> retreiveTemplateInfo(const QString& path) const;
    void deleteTemplateInfo(const QString& path);
    void storeInfoFromTemplate(TemplateHandle& handle);
    // Writes the file atomically when changed; a failed write is tried again
    // at the next call.
    bool synchronize();

private:
    void templateChangedOrRemoved(const Notification& notification);

    QString _cacheFilePath;
    QVariantMap _infoDictionary;
    bool _modified = false;
};
