#include "CatalogFixture.h"

#include "platform/foundation/Exception.h"
#include "platform/foundation/FileReference.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

QString key(const char* name) {
    return QString::fromLatin1(name);
}

class VQFileCatalogChangeTest : public CatalogFixture {
protected:
    VQFileCatalogEntry& record(int index) { return *catalog().entryAtIndex(index); }
    QString entryPath(int index) { return record(index).value(key(kEntryPathKey)).toString(); }
    // Metadata caches as a decode leaves them.
    void fillCaches(int index) {
        for (const char* name : {kEntryMetadataKey, kEntryEXIFKey, kEntryComponentInfoKey})
            record(index).insert(key(name), QVariantMap{{QStringLiteral("k"), 1}});
    }
    bool hasAny(int index, std::initializer_list<const char*> names) {
        for (const char* name : names)
            if (record(index).contains(key(name)))
                return true;
        return false;
    }
    void setDocumentInFolder() {
        document->setFileName(dir.filePath(QStringLiteral("Catalog.lumisk")));
    }
    // Waits for the queued notices and sets the edited mark back.
    void settle() {
        drainEvents();
        document->updateChangeCount(Document::ChangeCleared);
    }
};

TEST_F(VQFileCatalogChangeTest, AddingRecordsTheLinkTargetAndAReference) {
    const QString target = photo(QStringLiteral("target.png"));
    const QString first = dir.filePath(QStringLiteral("first.png"));
    const QString second = dir.filePath(QStringLiteral("second.png"));
    ASSERT_TRUE(QFile::link(target, first));
    ASSERT_TRUE(QFile::link(first, second));
    ASSERT_TRUE(catalog().addFileEntry(second));
    EXPECT_EQ(entryPath(0), target);
    FileReference::Record reference;
    ASSERT_TRUE(FileReference::parseReference(record(0).value(key(kEntryAliasKey)).toByteArray(),
                                              &reference));
    EXPECT_EQ(reference.path, target);
    EXPECT_EQ(VQFileCatalog::resolveAliasFile(second), target);
    EXPECT_EQ(catalog().getPathFromAliasObjectNewAlias(catalog().createAliasObjectFromPath(target),
                                                       nullptr),
              target);
}

TEST_F(VQFileCatalogChangeTest, SettingThePathMakesANewReference) {
    addPhotos(1);
    const QString other = photo(QStringLiteral("other.png"));
    catalog().setFileAttributeAtIndexToValue(kCatalogAttrPath, 0, other);
    FileReference::Record reference;
    ASSERT_TRUE(FileReference::parseReference(record(0).value(key(kEntryAliasKey)).toByteArray(),
                                              &reference));
    EXPECT_EQ(reference.path, other);
}

TEST_F(VQFileCatalogChangeTest, RenamedFileIsFoundThroughItsReference) {
    addPhotos(2);
    fillCaches(0);
    ASSERT_FALSE(catalog().getFileAttributeAtIndex(kCatalogAttrThumbnail, 0).isNull());
    settle();
    const QString renamed = dir.filePath(QStringLiteral("holiday.png"));
    ASSERT_TRUE(QFile::rename(entryPath(0), renamed));
    NoticeRecorder recorder(&catalog());

    EXPECT_TRUE(catalog().testAllEntriesForChanges());
    EXPECT_EQ(entryPath(0), renamed);
    EXPECT_FALSE(hasAny(0, {kEntryMetadataKey, kEntryEXIFKey, kEntryComponentInfoKey}));
    // The file itself is unchanged: its thumbnail stays.
    EXPECT_TRUE(hasAny(0, {kEntryThumbnailKey}));
    FileReference::Record reference;
    ASSERT_TRUE(FileReference::parseReference(record(0).value(key(kEntryAliasKey)).toByteArray(),
                                              &reference));
    EXPECT_EQ(reference.path, renamed);
    EXPECT_TRUE(document->isDocumentEdited());
    EXPECT_EQ(recorder.count(kVQFileCatalogPropertyChangedNotify), 1);
    drainEvents();
    EXPECT_EQ(recorder.count(kUTErrorNofity), 0);

    // Repaired once, the next pass finds nothing to do.
    recorder.clear();
    EXPECT_FALSE(catalog().testAllEntriesForChanges());
    drainEvents();
    EXPECT_TRUE(recorder.notices.empty());
}

TEST_F(VQFileCatalogChangeTest, FilesMovedBelowTheDocumentFolderAreFoundByName) {
    setDocumentInFolder();
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("old")));
    const QString a = photo(QStringLiteral("old/a.png"));
    const QString b = photo(QStringLiteral("old/b.png"));
    ASSERT_TRUE(catalog().addFileEntry(a));
    ASSERT_TRUE(catalog().addFileEntry(b));
    fillCaches(0);
    settle();
    // Copies, not renames: new files the references don't know.
    QDir(dir.path()).mkpath(QStringLiteral("sorted/deep"));
    const QString movedA = dir.filePath(QStringLiteral("sorted/deep/a.png"));
    const QString movedB = dir.filePath(QStringLiteral("sorted/b.png"));
    ASSERT_TRUE(QFile::copy(a, movedA));
    ASSERT_TRUE(QFile::copy(b, movedB));
    ASSERT_TRUE(QDir(dir.filePath(QStringLiteral("old"))).removeRecursively());
    // A link of that name nearer the top is not the file.
    ASSERT_TRUE(QFile::link(movedB, dir.filePath(QStringLiteral("a.png"))));
    const int walks = testHost.waitMonitorResumed;

    EXPECT_TRUE(catalog().testAllEntriesForChanges());
    EXPECT_EQ(entryPath(0), movedA);
    EXPECT_EQ(entryPath(1), movedB);
    EXPECT_FALSE(hasAny(0, {kEntryMetadataKey, kEntryEXIFKey, kEntryComponentInfoKey}));
    FileReference::Record reference;
    ASSERT_TRUE(FileReference::parseReference(record(0).value(key(kEntryAliasKey)).toByteArray(),
                                              &reference));
    EXPECT_EQ(reference.path, movedA);
    EXPECT_TRUE(document->isDocumentEdited());
    // One walk of the folder for both, inside the wait monitor.
    EXPECT_EQ(testHost.waitMonitorResumed, walks + 1);
    EXPECT_EQ(testHost.waitMonitorSuspended, testHost.waitMonitorResumed);
}

TEST_F(VQFileCatalogChangeTest, WithoutADocumentFileNoNameIsSearched) {
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("old")));
    const QString a = photo(QStringLiteral("old/a.png"));
    ASSERT_TRUE(catalog().addFileEntry(a));
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("new")));
    ASSERT_TRUE(QFile::copy(a, dir.filePath(QStringLiteral("new/a.png"))));
    ASSERT_TRUE(QFile::remove(a));
    try {
        catalog().testEntryForChange(record(0));
        FAIL() << "a missing file raises";
    } catch (const Exception& e) {
        EXPECT_EQ(e.name(), QString::fromLatin1(kInvalidArgumentException));
        EXPECT_FALSE(e.reason().isEmpty());
    }
    // A record without a reference raises at once.
    VQFileCatalogEntry bare;
    bare.insert(key(kEntryPathKey), a);
    EXPECT_THROW(catalog().testEntryForChange(bare), Exception);
    // A damaged record's path with a NUL names no file, not the part before it.
    bare.insert(key(kEntryPathKey), a + QChar(0) + QStringLiteral("x"));
    ASSERT_TRUE(QFile::copy(dir.filePath(QStringLiteral("new/a.png")), a));
    EXPECT_THROW(catalog().testEntryForChange(bare), Exception);
}

TEST_F(VQFileCatalogChangeTest, ChangedDateDropsTheCachesAndIsAnnouncedAfterThePass) {
    addPhotos(2);
    fillCaches(1);
    ASSERT_FALSE(catalog().getFileAttributeAtIndex(kCatalogAttrImage, 1).isNull());
    for (int i = 0; i < 2; ++i)
        ASSERT_FALSE(catalog().getFileAttributeAtIndex(kCatalogAttrThumbnail, i).isNull());
    settle();
    QFile touched(entryPath(1));
    ASSERT_TRUE(touched.open(QIODevice::Append | QIODevice::Unbuffered));
    touched.write("more");
    const QDateTime later = QDateTime::currentDateTime().addSecs(120);
    ASSERT_TRUE(touched.setFileTime(later, QFileDevice::FileModificationTime));
    touched.close();
    NoticeRecorder recorder(&catalog());
    catalog().setNotificationsDisabled(true);

    EXPECT_TRUE(catalog().testAllEntriesForChanges());
    EXPECT_FALSE(
        hasAny(1, {kEntryThumbnailKey, kEntryImageKey, kEntryImageAccessKey, kEntryImageSizeKey,
                   kEntryMetadataKey, kEntryEXIFKey, kEntryComponentInfoKey}));
    EXPECT_TRUE(hasAny(0, {kEntryThumbnailKey}));
    EXPECT_EQ(record(1).value(key(kEntryModDateKey)).toDateTime().toMSecsSinceEpoch(),
              later.toMSecsSinceEpoch());
    EXPECT_EQ(record(1).value(key(kEntryFileSizeKey)).toLongLong(), QFileInfo(entryPath(1)).size());
    // Posted after the pass, even while notices are off.
    ASSERT_EQ(recorder.notices.size(), 1u);
    EXPECT_EQ(recorder.notices[0].name, QLatin1String(kVQFileCatalogPropertyChangedNotify));
    EXPECT_TRUE(recorder.notices[0].userInfo.isEmpty());
    catalog().setNotificationsDisabled(false);
}

TEST_F(VQFileCatalogChangeTest, UnchangedCatalogAnswersNoAndPostsNothing) {
    addPhotos(3);
    settle();
    NoticeRecorder recorder(&catalog());
    EXPECT_FALSE(catalog().testAllEntriesForChanges());
    drainEvents();
    EXPECT_TRUE(recorder.notices.empty());
    EXPECT_FALSE(document->isDocumentEdited());
}

TEST_F(VQFileCatalogChangeTest, MissingFileIsReportedOnceAndEnabledWhenBack) {
    setDocumentInFolder();
    addPhotos(2);
    settle();
    const QString path = entryPath(1);
    const QString away = QDir(home.path()).filePath(QStringLiteral("p1.png"));
    ASSERT_TRUE(QFile::rename(path, away));
    NoticeRecorder recorder(&catalog());

    EXPECT_FALSE(catalog().testAllEntriesForChanges());
    EXPECT_EQ(catalog().getFileAttributeAtIndex(kCatalogAttrEnabled, 1), QVariant(false));
    EXPECT_EQ(recorder.infos(kVQFileCatalogAttributeChangedNofity),
              (QList<QVariantMap>{{{QStringLiteral("vq_index"), 1}}}));
    EXPECT_TRUE(document->isDocumentEdited());
    drainEvents();
    ASSERT_EQ(recorder.count(kUTErrorNofity), 1);
    EXPECT_EQ(recorder.infos(kUTErrorNofity)[0].value(QString::fromLatin1(kErrCodeKey)),
              QVariant(kErrorMissingFile));

    settle();
    recorder.clear();
    EXPECT_FALSE(catalog().testAllEntriesForChanges());
    drainEvents();
    EXPECT_TRUE(recorder.notices.empty());
    EXPECT_FALSE(document->isDocumentEdited());

    ASSERT_TRUE(QFile::rename(away, path));
    EXPECT_TRUE(catalog().testAllEntriesForChanges());
    EXPECT_EQ(catalog().getFileAttributeAtIndex(kCatalogAttrEnabled, 1), QVariant(true));
    EXPECT_EQ(recorder.count(kVQFileCatalogPropertyChangedNotify), 1);
}

} // namespace
