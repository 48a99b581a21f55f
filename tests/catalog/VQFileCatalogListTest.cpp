#include "CatalogFixture.h"

#include "framework/model/TMObject.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstring>

namespace {

class VQFileCatalogListTest : public CatalogFixture {
protected:
    QList<QString> names() {
        QList<QString> list;
        for (int i = 0; i < catalog().fileCount(); ++i)
            list.append(name(i));
        return list;
    }
    QString entryPath(int index) {
        return catalog().getFileAttributeAtIndex(kCatalogAttrPath, index).toString();
    }
};

QByteArray rectData(float x, float y, float w, float h) {
    const float v[4] = {x, y, w, h};
    return QByteArray(reinterpret_cast<const char*>(v), sizeof v);
}

Image solidPicture(int width, int height) {
    return Image(solidImage(width, height, Qt::red));
}

} // namespace

TEST_F(VQFileCatalogListTest, SerialNumbersStartAt1234AndAreNeverHandedOutTwice) {
    addPhotos(3);
    EXPECT_EQ(serials(), (QList<int>{1234, 1235, 1236}));
    catalog().removeSerialNumberEntry(1235);
    drainEvents();
    ASSERT_TRUE(undo().undo());
    // The restored entry keeps its number; the next one is new.
    EXPECT_EQ(serials(), (QList<int>{1234, 1235, 1236}));
    ASSERT_TRUE(catalog().addFileEntry(photo(QStringLiteral("next.png"))));
    EXPECT_EQ(serials().last(), 1237);
    EXPECT_EQ(catalog().findSerialNumber(1236), 2);
    EXPECT_EQ(catalog().indexOfEntryWithSerialNumber(999), -1);
}

TEST_F(VQFileCatalogListTest, PositionsOutsideTheListAppend) {
    addPhotos(2);
    const struct {
        int position;
        int expectedIndex;
    } cases[] = {{-1, 2}, {3, 3}, {100, 4}, {0, 0}, {2, 2}};
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.position);
        const QString file = QStringLiteral("at%1.png").arg(n++);
        ASSERT_TRUE(catalog().addFileEntryAtPosition(photo(file), c.position));
        EXPECT_EQ(name(c.expectedIndex), file);
    }
    EXPECT_EQ(catalog().fileCount(), 7);
    EXPECT_EQ(catalog().getEntryPosition(dir.filePath(QStringLiteral("at2.png"))), 7);
    EXPECT_EQ(catalog().getEntryPosition(QStringLiteral("nothing")), 0);
}

TEST_F(VQFileCatalogListTest, MovesAreUndoneFromWhereTheRecordLanded) {
    addPhotos(6);
    const QList<QString> start = names();

    catalog().moveEntryFromIndexToIndex(2, 5);
    EXPECT_EQ(name(5), start[2]);
    drainEvents();
    EXPECT_EQ(undo().undoActionName(), QStringLiteral("Move Photo"));
    ASSERT_TRUE(undo().undo());
    EXPECT_EQ(names(), start);
    ASSERT_TRUE(undo().redo());
    EXPECT_EQ(name(5), start[2]);
    ASSERT_TRUE(undo().undo());

    // Past the end appends; undo must find the record at its real place.
    catalog().moveEntryFromIndexToIndex(1, 10);
    EXPECT_EQ(name(5), start[1]);
    drainEvents();
    ASSERT_TRUE(undo().undo());
    EXPECT_EQ(names(), start);

    // A source outside the list moves nothing and registers nothing.
    undo().removeAllActions();
    catalog().moveEntryFromIndexToIndex(6, 0);
    catalog().moveEntryFromIndexToIndex(-1, 0);
    drainEvents();
    EXPECT_EQ(names(), start);
    EXPECT_FALSE(undo().canUndo());
}

TEST_F(VQFileCatalogListTest, UndoingAnAddRemovesTheEntryEvenAfterAMove) {
    addPhotos(3);
    ASSERT_TRUE(catalog().addFileEntry(photo(QStringLiteral("late.png"))));
    drainEvents();
    catalog().moveEntryFromIndexToIndex(3, 0);
    drainEvents();
    ASSERT_TRUE(undo().undo()); // the move
    ASSERT_TRUE(undo().undo()); // the add
    EXPECT_EQ(catalog().fileCount(), 3);
    EXPECT_EQ(catalog().getEntryPosition(dir.filePath(QStringLiteral("late.png"))), 0);
}

TEST_F(VQFileCatalogListTest, RemovalIsUndoneAtItsPlaceAndOlderStepsStillFindTheEntry) {
    addPhotos(2);
    ASSERT_TRUE(catalog().addFileEntryAtPosition(photo(QStringLiteral("mid.png")), 1));
    drainEvents();
    catalog().setSelectionAtIndex(1);
    drainEvents();
    NoticeRecorder recorder(&catalog());

    catalog().removeSerialNumberEntry(1236);
    EXPECT_EQ(catalog().fileCount(), 2);
    drainEvents();
    EXPECT_EQ(undo().undoActionName(), QStringLiteral("Remove"));
    EXPECT_EQ(recorder.count(kVQFileCatalogFileRemovedNofity), 1);
    EXPECT_EQ(recorder.infos(kVQFileCatalogSelectionChangedNotify),
              (QList<QVariantMap>{{{QStringLiteral("updatedIndexes"), QVariantList()}}}));

    recorder.clear();
    ASSERT_TRUE(undo().undo());
    EXPECT_EQ(name(1), QStringLiteral("mid.png"));
    EXPECT_EQ(serials(), (QList<int>{1234, 1236, 1235}));
    drainEvents();
    EXPECT_EQ(recorder.count(kVQFileCatalogFileAddedNofity), 1);
    EXPECT_EQ(recorder.infos(kVQFileCatalogSelectionChangedNotify),
              (QList<QVariantMap>{{{QStringLiteral("updatedIndexes"), indexList({1})}}}));

    // The add of the same photo, older on the stack, still finds it.
    ASSERT_TRUE(undo().undo());
    EXPECT_EQ(catalog().fileCount(), 2);
    EXPECT_EQ(catalog().findSerialNumber(1236), -1);
    // An unknown number does nothing.
    drainEvents();
    recorder.clear();
    catalog().removeSerialNumberEntry(4711);
    drainEvents();
    EXPECT_TRUE(recorder.notices.empty());
}

TEST_F(VQFileCatalogListTest, RawEntriesAreNamedWithTheNextFreeNumber) {
    catalog().addImageEntry(solidPicture(8, 8));
    catalog().addImageEntry(solidPicture(8, 8));
    EXPECT_EQ(names(), (QList<QString>{QStringLiteral("Image 1"), QStringLiteral("Image 2")}));
    auto taken = std::make_shared<VQFileCatalogEntry>();
    taken->insert(QString::fromLatin1(kEntryRawImageFlagKey), true);
    taken->insert(QString::fromLatin1(kEntryRawImageNameKey), QStringLiteral("Image 3"));
    taken->insert(QString::fromLatin1(kEntryRawImageDataKey),
                  QVariant::fromValue(solidPicture(8, 8)));
    catalog().addObjectEntry(taken);
    catalog().addImageEntry(solidPicture(8, 8));
    EXPECT_EQ(name(3), QStringLiteral("Image 4"));
    EXPECT_EQ(catalog().getFileAttributeAtIndex(kCatalogAttrLocation, 0).toString(),
              QStringLiteral("In the document"));
    EXPECT_EQ(catalog().getFileAttributeAtIndex(kCatalogAttrIsRaw, 0), QVariant(true));
}

TEST_F(VQFileCatalogListTest, RawPictureComesBackFromItsTemporaryFile) {
    catalog().addImageEntry(solidPicture(30, 20));
    const Image picture = catalog().getFileAttributeAtIndex(kCatalogAttrImage, 0).value<Image>();
    ASSERT_EQ(picture.pixelSize(), QSize(30, 20));
    const QString path = entryPath(0);
    EXPECT_TRUE(QFileInfo::exists(path));
    EXPECT_EQ(QFileInfo(path).absolutePath(), QDir(testHost.tempFolder()).absolutePath());
    EXPECT_TRUE(path.endsWith(QStringLiteral("Image 1.tiff")));

    drainEvents();
    catalog().removeSerialNumberEntry(1234);
    EXPECT_FALSE(QFileInfo::exists(path));
    drainEvents();
    ASSERT_TRUE(undo().undo());
    // The restored entry writes its file again.
    catalog().setFileAttributeAtIndexToValue(kCatalogAttrImage, 0, QVariant());
    EXPECT_EQ(catalog().getFileAttributeAtIndex(kCatalogAttrImage, 0).value<Image>().pixelSize(),
              QSize(30, 20));
    EXPECT_TRUE(QFileInfo::exists(entryPath(0)));
}

TEST_F(VQFileCatalogListTest, OnlyFilesDirectlyInTheTemporaryFolderAreTemporary) {
    const QString temp = testHost.tempFolder();
    EXPECT_TRUE(VQFileCatalog::isTemporaryFile(temp + QStringLiteral("/vyx1x.tiff")));
    EXPECT_FALSE(VQFileCatalog::isTemporaryFile(temp + QStringLiteral("Other/x.tiff")));
    EXPECT_FALSE(VQFileCatalog::isTemporaryFile(temp + QStringLiteral("/sub/x.tiff")));
    EXPECT_FALSE(VQFileCatalog::isTemporaryFile(temp + QStringLiteral("x.tiff")));
    EXPECT_FALSE(VQFileCatalog::isTemporaryFile(QString()));
    const QString made = VQFileCatalog::createTempPath() + QStringLiteral("a.png");
    EXPECT_TRUE(VQFileCatalog::isTemporaryFile(made));
    EXPECT_TRUE(QFileInfo(made).fileName().startsWith(QStringLiteral("vyx")));
    EXPECT_NE(VQFileCatalog::createTempPath(), VQFileCatalog::createTempPath());
}

TEST_F(VQFileCatalogListTest, AFailedTemporaryWriteKeepsTheRawEntry) {
    auto record = std::make_shared<VQFileCatalogEntry>();
    record->insert(QString::fromLatin1(kEntryRawImageFlagKey), true);
    record->insert(QString::fromLatin1(kEntryRawImageNameKey), QStringLiteral("a/b"));
    record->insert(QString::fromLatin1(kEntryRawImageDataKey),
                   QVariant::fromValue(solidPicture(10, 10)));
    catalog().addObjectEntry(record);
    // A file where the temporary folder should be: nothing can be written there.
    const QString temp = testHost.tempFolder();
    ASSERT_TRUE(QDir(temp).removeRecursively());
    QFile blocker(temp);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    NoticeRecorder recorder(&catalog());
    EXPECT_FALSE(catalog().getFileAttributeAtIndex(kCatalogAttrImage, 0).isValid());
    EXPECT_FALSE(catalog().getFileAttributeAtIndex(kCatalogAttrThumbnail, 0).isValid());
    EXPECT_EQ(catalog().fileCount(), 1);
    drainEvents();
    ASSERT_EQ(recorder.count(kUTErrorNofity), 1);
    EXPECT_EQ(recorder.infos(kUTErrorNofity)[0].value(QStringLiteral("ErrCode")), QVariant(99));

    // Once the folder can be written, the picture is there; the name's slash is not
    // taken for a folder.
    ASSERT_TRUE(QFile::remove(temp));
    EXPECT_EQ(catalog().getFileAttributeAtIndex(kCatalogAttrImage, 0).value<Image>().pixelSize(),
              QSize(10, 10));
    EXPECT_TRUE(entryPath(0).endsWith(QStringLiteral("a_b.tiff")));
}

TEST_F(VQFileCatalogListTest, ACopyOfARawEntryMakesItsOwnTemporaryFile) {
    catalog().addImageEntry(solidPicture(12, 9));
    catalog().setSelectionAtIndex(0);
    ASSERT_FALSE(catalog().getFileAttributeAtIndex(kCatalogAttrImage, 0).isNull());
    const QString sourcePath = entryPath(0);
    ASSERT_FALSE(sourcePath.isEmpty());

    RoduvudeDadevizi other;
    VQFileCatalog& copy = other.fileCatalog();
    copy.addEntryFromCatalogFromIndexToIndex(catalog(), 0, -1);
    ASSERT_EQ(copy.fileCount(), 1);
    EXPECT_FALSE(copy.getFileAttributeAtIndex(kCatalogAttrPath, 0).isValid());
    EXPECT_EQ(copy.getFileAttributeAtIndex(kCatalogAttrSelected, 0), QVariant(false));
    EXPECT_EQ(copy.getFileAttributeAtIndex(kCatalogAttrSerialNumber, 0), QVariant(1234));

    catalog().removeSerialNumberEntry(1234);
    EXPECT_FALSE(QFileInfo::exists(sourcePath));
    copy.setFileAttributeAtIndexToValue(kCatalogAttrImage, 0, QVariant());
    EXPECT_EQ(copy.getFileAttributeAtIndex(kCatalogAttrImage, 0).value<Image>().pixelSize(),
              QSize(12, 9));
    EXPECT_EQ(copy.fileCount(), 1);
    EXPECT_NE(copy.getFileAttributeAtIndex(kCatalogAttrPath, 0).toString(), sourcePath);
    // Nothing at the index: nothing is copied.
    copy.addEntryFromCatalogFromIndexToIndex(catalog(), 5, -1);
    EXPECT_EQ(copy.fileCount(), 1);
    drainEvents();
}

TEST_F(VQFileCatalogListTest, AMissingFileIsNotAdded) {
    NoticeRecorder recorder(&catalog());
    EXPECT_FALSE(catalog().addFileEntry(dir.filePath(QStringLiteral("absent.png"))));
    EXPECT_EQ(catalog().fileCount(), 0);
    drainEvents();
    EXPECT_FALSE(undo().canUndo());
    ASSERT_EQ(recorder.count(kUTErrorNofity), 1);
    EXPECT_EQ(recorder.infos(kUTErrorNofity)[0].value(QStringLiteral("ErrCode")), QVariant(143));
    EXPECT_EQ(recorder.count(kVQFileCatalogFileAddedNofity), 0);
}

TEST_F(VQFileCatalogListTest, ChangeTestsDropCachesAndDisableMissingFilesOnce) {
    addPhotos(2);
    ASSERT_FALSE(catalog().getFileAttributeAtIndex(kCatalogAttrImage, 0).isNull());
    NoticeRecorder recorder(&catalog());
    EXPECT_FALSE(catalog().testAllEntriesForChanges());
    EXPECT_TRUE(recorder.notices.empty());

    QFile touched(entryPath(0));
    ASSERT_TRUE(touched.open(QIODevice::ReadWrite));
    ASSERT_TRUE(touched.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                                    QFileDevice::FileModificationTime));
    touched.close();
    // Out of its folder and out of reach of its file reference.
    const QString gone = entryPath(1);
    const QString away = dir.filePath(QStringLiteral("away/p1.png"));
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("away")));
    ASSERT_TRUE(QFile::rename(gone, away));

    EXPECT_TRUE(catalog().testAllEntriesForChanges());
    EXPECT_EQ(catalog().getFileAttributeAtIndex(kCatalogAttrImageLoaded, 0), QVariant(false));
    EXPECT_EQ(catalog().getFileAttributeAtIndex(kCatalogAttrEnabled, 1), QVariant(false));
    EXPECT_EQ(recorder.count(kVQFileCatalogPropertyChangedNotify), 1);
    EXPECT_EQ(recorder.infos(kVQFileCatalogAttributeChangedNofity),
              (QList<QVariantMap>{{{QStringLiteral("vq_index"), 1}}}));
    // A missing photo shows a picture saying so and stays in the catalog.
    EXPECT_EQ(catalog().getFileAttributeAtIndex(kCatalogAttrImage, 1).value<Image>().pixelSize(),
              QSize(320, 240));
    EXPECT_FALSE(catalog().getFileAttributeAtIndex(kCatalogAttrThumbnail, 1).isNull());
    EXPECT_EQ(catalog().fileCount(), 2);
    drainEvents();
    EXPECT_EQ(recorder.count(kUTErrorNofity), 1);

    recorder.clear();
    EXPECT_FALSE(catalog().testAllEntriesForChanges());
    drainEvents();
    EXPECT_TRUE(recorder.notices.empty());

    ASSERT_TRUE(QFile::rename(away, gone));
    EXPECT_TRUE(catalog().testAllEntriesForChanges());
    EXPECT_EQ(catalog().getFileAttributeAtIndex(kCatalogAttrEnabled, 1), QVariant(true));
}

TEST_F(VQFileCatalogListTest, SelectionMovesAroundTheEnds) {
    catalog().advanceSelection();
    catalog().retreatSelection();
    EXPECT_TRUE(catalog().getSelectedIndices().isEmpty());
    addPhotos(3);
    EXPECT_TRUE(catalog().getSelectedIndices().isEmpty());
    catalog().advanceSelection();
    EXPECT_EQ(catalog().getSelectedIndices(), (QList<int>{0}));
    catalog().retreatSelection();
    EXPECT_EQ(catalog().getSelectedIndices(), (QList<int>{2}));
    catalog().advanceSelection();
    EXPECT_EQ(catalog().getSelectedIndices(), (QList<int>{0}));
    EXPECT_EQ(catalog().lastSelectedIndex(), 0);
    catalog().selectAll();
    EXPECT_EQ(catalog().getSelectedIndices(), (QList<int>{0, 1, 2}));
    catalog().clearSelection();
    EXPECT_TRUE(catalog().getSelectedIndices().isEmpty());
    EXPECT_EQ(catalog().lastSelectedIndex(), -1);
    catalog().setSelectionAtIndex(-1);
    EXPECT_EQ(catalog().getSelectedIndices(), (QList<int>{2}));
}

TEST_F(VQFileCatalogListTest, EachOperationAnnouncesItself) {
    NoticeRecorder recorder(&catalog());
    addPhotos(5);
    // A batch of adds is announced once.
    EXPECT_EQ(recorder.count(kVQFileCatalogFileAddedNofity), 1);

    recorder.clear();
    for (int index : {1, 3, 4})
        catalog().setSelectionAtIndex(index);
    catalog().setSelectionMarker(false);
    catalog().clearMarkerAtIndex(0);
    EXPECT_TRUE(recorder.notices.empty()); // queued until the loop turns
    drainEvents();
    EXPECT_EQ(recorder.infos(kVQFileCatalogSelectionChangedNotify),
              (QList<QVariantMap>{{{QStringLiteral("updatedIndexes"), indexList({1})}},
                                  {{QStringLiteral("updatedIndexes"), indexList({3})}},
                                  {{QStringLiteral("updatedIndexes"), indexList({4})}}}));
    // Marker notices coalesce into the last one.
    EXPECT_EQ(recorder.infos(kVQFileCatalogMarkerChangedNotify),
              (QList<QVariantMap>{{{QStringLiteral("updatedIndexes"), indexList({0})}}}));
    EXPECT_EQ(catalog().getMarkedIndices(), (QList<int>{2}));
    EXPECT_EQ(undo().undoActionName(), QStringLiteral("Mark Photo"));

    recorder.clear();
    catalog().setSelectionMarker(true);
    drainEvents();
    EXPECT_EQ(recorder.infos(kVQFileCatalogMarkerChangedNotify),
              (QList<QVariantMap>{{{QStringLiteral("updatedIndexes"), indexList({4, 3, 1})}}}));

    recorder.clear();
    catalog().setFileAttributeAtIndexToValue(kCatalogAttrCrop, 2, rectData(1, 2, 3, 4));
    EXPECT_EQ(recorder.infos(kVQFileCatalogPhotoVisiblyChangedNotify),
              (QList<QVariantMap>{{{QStringLiteral("attr"), 25}, {QStringLiteral("index"), 2}}}));
    drainEvents();
    EXPECT_EQ(undo().undoActionName(), QStringLiteral("Crop"));

    recorder.clear();
    catalog().moveEntryFromIndexToIndex(0, 3);
    catalog().moveEntryFromIndexToIndex(3, 0);
    catalog().removeEntryAtIndex(4);
    drainEvents();
    EXPECT_EQ(recorder.count(kVQFileCatalogEntriesMovedNofity), 1);
    EXPECT_EQ(recorder.count(kVQFileCatalogFileRemovedNofity), 1);

    recorder.clear();
    catalog().setNotificationsDisabled(true);
    catalog().setSelectionAtIndex(0);
    catalog().setFileAttributeAtIndexToValue(kCatalogAttrCrop, 0, rectData(1, 2, 3, 4));
    catalog().removeEntryAtIndex(0);
    drainEvents();
    EXPECT_TRUE(recorder.notices.empty());
}

TEST_F(VQFileCatalogListTest, ModifiedEntriesAreThoseWithAdjustments) {
    addPhotos(3);
    catalog().setFileAttributeAtIndexToValue(kCatalogAttrSharpness, 1, 1);
    catalog().entryAtIndex(2)->insert(QString::fromLatin1(kEntryRedEyeKey),
                                      QVariantList{rectData(0, 0, 10, 10)});
    EXPECT_EQ(catalog().getModifiedFileIndices(), (QList<int>{1, 2}));
}

TEST_F(VQFileCatalogListTest, RedEyeSpotsTurnWithThePhoto) {
    const struct {
        float degrees;
        Rect spot;
        Rect bounds;
    } cases[] = {
        {90, Rect(20, 360, 40, 30), Rect(0, 0, 300, 400)},
        {-270, Rect(20, 360, 40, 30), Rect(0, 0, 300, 400)},
        {180, Rect(360, 240, 30, 40), Rect(0, 0, 400, 300)},
        {270, Rect(240, 10, 40, 30), Rect(0, 0, 300, 400)},
        {45, Rect(10, 20, 30, 40), Rect(0, 0, 400, 300)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.degrees);
        VQFileCatalogEntry record;
        record.insert(QString::fromLatin1(kEntryRedEyeKey),
                      QVariantList{rectData(0, 0, 400, 300), rectData(10, 20, 30, 40)});
        VQFileCatalog::rotateEntryRedEyeArrayRotation(record, c.degrees);
        const QVariantList spots = record.value(QString::fromLatin1(kEntryRedEyeKey)).toList();
        ASSERT_EQ(spots.size(), 2);
        const Rect& b = c.bounds;
        const Rect& s = c.spot;
        EXPECT_EQ(spots[0].toByteArray(), rectData(b.minX(), b.minY(), b.width(), b.height()));
        EXPECT_EQ(spots[1].toByteArray(), rectData(s.minX(), s.minY(), s.width(), s.height()));
    }
    VQFileCatalogEntry empty;
    VQFileCatalog::rotateEntryRedEyeArrayRotation(empty, 90);
    EXPECT_FALSE(empty.contains(QString::fromLatin1(kEntryRedEyeKey)));
}

TEST_F(VQFileCatalogListTest, CaptionsTurnAboutThePhotoCentre) {
    const struct {
        float degrees;
        Point center;
        float rotation;
    } cases[] = {
        {90, Point{60, 350}, 300},
        {-90, Point{240, 50}, 120},
        {180, Point{350, 240}, 210},
        {30, Point{50, 60}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.degrees);
        TMObjectRef caption = TMObject::newTemplateObject();
        caption->setAbsoluteCenter(Point{50, 60});
        caption->setAbsoluteRotation(30);
        caption->setRotationLocked(true);
        VQFileCatalogEntry record;
        record.insert(QString::fromLatin1(kEntryCaptionsKey),
                      QVariantList{QVariant::fromValue(caption)});
        VQFileCatalog::rotateEntryCaptionArrayOnCenterRotation(record, Point{200, 150}, c.degrees);
        EXPECT_EQ(caption->center(), c.center);
        EXPECT_EQ(caption->rotation(), c.rotation);
    }
    drainEvents();
}

TEST_F(VQFileCatalogListTest, RotatingAnEntryTurnsItsSpotsAndCaptions) {
    ASSERT_TRUE(catalog().addFileEntry(photo(QStringLiteral("r.png"), 400, 300)));
    ASSERT_FALSE(catalog().getFileAttributeAtIndex(kCatalogAttrImage, 0).isNull());
    TMObjectRef caption = TMObject::newTemplateObject();
    caption->setAbsoluteCenter(Point{50, 60});
    caption->setAbsoluteRotation(30);
    catalog().setFileAttributeAtIndexToValue(kCatalogAttrCaptions, 0,
                                             QVariantList{QVariant::fromValue(caption)});
    catalog().setFileAttributeAtIndexToValue(
        kCatalogAttrRedEye, 0, QVariantList{rectData(0, 0, 400, 300), rectData(10, 20, 30, 40)});
    ASSERT_FALSE(catalog().getFileAttributeAtIndex(kCatalogAttrImage, 0).isNull());
    drainEvents();
    catalog().setFileAttributeAtIndexToValue(kCatalogAttrRotation, 0, 90.0f);
    EXPECT_EQ(caption->center(), (Point{60, 350}));
    EXPECT_EQ(caption->rotation(), 300.0f);
    EXPECT_EQ(catalog().getFileAttributeAtIndex(kCatalogAttrRedEye, 0).toList().value(1),
              QVariant(rectData(20, 360, 40, 30)));
    drainEvents();
    EXPECT_EQ(undo().undoActionName(), QStringLiteral("Rotate Photo"));
    ASSERT_TRUE(undo().undo());
    EXPECT_EQ(caption->center(), (Point{50, 60}));
    EXPECT_EQ(caption->rotation(), 30.0f);
    EXPECT_EQ(catalog().getFileAttributeAtIndex(kCatalogAttrRotation, 0), QVariant(0.0f));
}
