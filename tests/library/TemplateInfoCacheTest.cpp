#include "TemplateFiles.h"

#include "library/NewTemplateManager.h"
#include "library/TemplateHandle.h"
#include "library/TemplateInfoCache.h"
#include "platform/foundation/NotificationCenter.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString str(const char* text) {
    return QString::fromLatin1(text);
}

QVariantMap fileContents(const QString& path) {
    return PropertyList::readFromFile(path).toMap();
}

TEST(TemplateInfoCacheTest, StoresTheBasicPropertiesAndWritesOnlyWhenChanged) {
    QTemporaryDir folder;
    const QString cacheFile = folder.filePath(str("cache.plist"));
    const QString templateFile = folder.filePath(str("t.vyxTemplate"));
    ASSERT_TRUE(writeVersion1(templateFile, {{str("name"), str("Kept")}}));
    const QDateTime date = QDateTime::fromSecsSinceEpoch(1500000000, Qt::UTC);
    ASSERT_TRUE(setModified(templateFile, date));

    TemplateInfoCache cache(cacheFile);
    EXPECT_FALSE(cache.isModified());
    EXPECT_TRUE(cache.synchronize());
    EXPECT_FALSE(QFile::exists(cacheFile));

    const TemplateHandleRef handle = TemplateHandle::templateHandleWithFile(templateFile);
    cache.storeInfoFromTemplate(*handle);
    EXPECT_TRUE(cache.isModified());
    ASSERT_TRUE(cache.synchronize());
    EXPECT_FALSE(cache.isModified());

    const QVariantMap entry = fileContents(cacheFile).value(templateFile).toMap();
    EXPECT_EQ(entry.value(str("InfoCacheName")).toString(), str("Kept"));
    EXPECT_EQ(entry.value(str("InfoCacheDocumentID")).toString(), str("t.vyxTemplate"));
    EXPECT_EQ(entry.value(str("InfoCacheVersion")).toLongLong(), 0);
    EXPECT_EQ(entry.value(str("InfoCacheModDate")).toDateTime(), date);
    EXPECT_FALSE(entry.contains(str("InfoCacheProxy")));

    // A second cache on the same file starts with what the first wrote.
    TemplateInfoCache reread(cacheFile);
    EXPECT_EQ(reread.retreiveTemplateInfo(templateFile), entry);
    reread.deleteTemplateInfo(str("/no/such/template"));
    EXPECT_FALSE(reread.isModified());
}

TEST(TemplateInfoCacheTest, AFailedWriteIsTriedAgain) {
    QTemporaryDir folder;
    // The cache's folder is taken by a file, so the write cannot succeed.
    const QString blocker = folder.filePath(str("blocked"));
    ASSERT_TRUE(writeBytes(blocker, "x"));
    TemplateInfoCache cache(blocker + str("/cache.plist"));
    const QString templateFile = folder.filePath(str("t.vyxTemplate"));
    ASSERT_TRUE(writeVersion1(templateFile, {}));
    cache.storeInfoFromTemplate(*TemplateHandle::templateHandleWithFile(templateFile));
    EXPECT_FALSE(cache.synchronize());
    EXPECT_TRUE(cache.isModified());
    ASSERT_TRUE(QFile::remove(blocker));
    EXPECT_TRUE(cache.synchronize());
    EXPECT_FALSE(cache.isModified());
    EXPECT_TRUE(fileContents(blocker + str("/cache.plist")).contains(templateFile));
}

TEST(TemplateInfoCacheTest, ChangeNoticesDropTheEntryAndWriteAtOnce) {
    QTemporaryDir folder;
    const QString cacheFile = folder.filePath(str("cache.plist"));
    TemplateInfoCache cache(cacheFile);
    QStringList files;
    for (const char* name : {"a.vyxTemplate", "b.vyxTemplate", "c.vyxTemplate", "d.vyxTemplate"}) {
        files.append(folder.filePath(str(name)));
        ASSERT_TRUE(writeVersion1(files.last(), {}));
        cache.storeInfoFromTemplate(*TemplateHandle::templateHandleWithFile(files.last()));
    }
    ASSERT_TRUE(cache.synchronize());
    const char* notices[] = {kTemplateChangedNotify, kTemplateRemovedNotify,
                             kTemplateReplacedNotify};
    for (int i = 0; i < 3; ++i) {
        const TemplateHandleRef handle = TemplateHandle::templateHandleWithFile(files[i]);
        NotificationCenter::defaultCenter().postNotificationName(str(notices[i]), handle);
        EXPECT_FALSE(cache.retreiveTemplateInfo(files[i])) << notices[i];
        EXPECT_FALSE(fileContents(cacheFile).contains(files[i])) << notices[i];
        EXPECT_FALSE(cache.isModified());
    }
    EXPECT_TRUE(fileContents(cacheFile).contains(files[3]));
    // An addition is no reason to write.
    NotificationCenter::defaultCenter().postNotificationName(
        str(kTemplateAddedNotify), TemplateHandle::templateHandleWithFile(files[3]));
    EXPECT_TRUE(cache.retreiveTemplateInfo(files[3]));
}

} // namespace
