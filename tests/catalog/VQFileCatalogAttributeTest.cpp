#include "CatalogFixture.h"

#include "catalog/Importer.h"
#include "platform/foundation/UserDefaults.h"

#include <QFileInfo>
#include <QTransform>
#include <cstring>

namespace {

class VQFileCatalogAttributeTest : public CatalogFixture {
protected:
    Image image(int attribute, int index = 0) {
        return catalog().getFileAttributeAtIndex(attribute, index).value<Image>();
    }
    bool loaded(int index = 0) {
        return catalog().getFileAttributeAtIndex(kCatalogAttrImageLoaded, index).toBool();
    }
};

struct NeutralCase {
    int attribute;
    QVariant expected;
    QMetaType::Type type;
};

} // namespace

TEST_F(VQFileCatalogAttributeTest, AbsentKeysAnswerTheirNeutralValues) {
    UserDefaults::standardUserDefaults().setObjectForKey(QStringLiteral("1.5"),
                                                         QStringLiteral("default_contrast"));
    const QString path = photo(QStringLiteral("neutral.png"));
    ASSERT_TRUE(catalog().addFileEntry(path));
    // Neutral values are answered, not stored.
    for (const char* k : {kEntrySelectedKey, kEntryMarkerKey, kEntryRotationKey, kEntryCropKey})
        catalog().entryAtIndex(0)->remove(QString::fromLatin1(k));
    for (const char* k : {kEntryContrastKey, kEntrySharpnessKey})
        catalog().entryAtIndex(0)->remove(QString::fromLatin1(k));

    const NeutralCase cases[] = {
        {kCatalogAttrSelected, false, QMetaType::Bool},
        {kCatalogAttrMarked, true, QMetaType::Bool},
        {kCatalogAttrEnabled, true, QMetaType::Bool},
        {kCatalogAttrRotation, 0.0f, QMetaType::Float},
        {kCatalogAttrCrop, QByteArray(16, '\0'), QMetaType::QByteArray},
        {kCatalogAttrOffset, QByteArray(8, '\0'), QMetaType::QByteArray},
        {kCatalogAttrSharpness, 0, QMetaType::Int},
        {kCatalogAttrContrast, 1.5f, QMetaType::Float},
        {kCatalogAttrRedEye, QVariantList(), QMetaType::QVariantList},
        {kCatalogAttrCaptions, QVariantList(), QMetaType::QVariantList},
        {kCatalogAttrCropConstraint, 0, QMetaType::Int},
        {kCatalogAttrCropRatio, 0.0f, QMetaType::Float},
        {kCatalogAttrCropPreset, QString(QLatin1String("")), QMetaType::QString},
        {kCatalogAttrIsURL, false, QMetaType::Bool},
        {kCatalogAttrIsLocalFile, true, QMetaType::Bool},
        {kCatalogAttrIsRaw, false, QMetaType::Bool},
        {kCatalogAttrName, QStringLiteral("neutral.png"), QMetaType::QString},
        {kCatalogAttrPath, path, QMetaType::QString},
        {kCatalogAttrExtension, QStringLiteral("png"), QMetaType::QString},
        {kCatalogAttrLocation, QFileInfo(path).path(), QMetaType::QString},
        {kCatalogAttrFileSize, qint64(QFileInfo(path).size()), QMetaType::LongLong},
        {kCatalogAttrSerialNumber, 1234, QMetaType::Int},
        {kCatalogAttrURL, QVariant(), QMetaType::UnknownType},
        {kCatalogAttrMetadata, QVariant(), QMetaType::UnknownType},
        {57, QVariant(), QMetaType::UnknownType},
        {101, QVariant(), QMetaType::UnknownType},
    };
    for (const NeutralCase& c : cases) {
        SCOPED_TRACE(c.attribute);
        const QVariant value = catalog().getFileAttributeAtIndex(c.attribute, 0);
        EXPECT_EQ(value.typeId(), int(c.type));
        EXPECT_EQ(value, c.expected);
    }
    EXPECT_FALSE(catalog().entryAtIndex(0)->contains(QString::fromLatin1(kEntryMarkerKey)));
    EXPECT_FALSE(catalog().entryAtIndex(0)->contains(QString::fromLatin1(kEntryContrastKey)));
    // The EXIF dictionary is read from the file when absent: a PNG has only its file facts.
    EXPECT_EQ(catalog().getFileAttributeAtIndex(kCatalogAttrEXIF, 0).toMap().keys(),
              QStringList{QStringLiteral("File")});
    EXPECT_TRUE(catalog().entryAtIndex(0)->contains(QString::fromLatin1(kEntryEXIFKey)));
    const QVariantMap adjustments =
        catalog().getFileAttributeAtIndex(kCatalogAttrAdjustments, 0).toMap();
    EXPECT_EQ(adjustments.value(QStringLiteral("contrast")).toFloat(), 1.5f);
    EXPECT_EQ(adjustments.value(QStringLiteral("sharpness")).toInt(), 0);
    EXPECT_EQ(adjustments.value(QStringLiteral("brightness")).toFloat(), 1.0f);
}

TEST_F(VQFileCatalogAttributeTest, ImageSizeOfAQuarterTurnedPhotoIsExchanged) {
    ASSERT_TRUE(catalog().addFileEntry(photo(QStringLiteral("size.png"), 160, 120)));
    catalog().entryAtIndex(0)->insert(QString::fromLatin1(kEntryRotationKey), 270.0f);
    EXPECT_EQ(catalog().getFileAttributeAtIndex(kCatalogAttrImageSize, 0).toString(),
              stringFromSize(Size{120, 160}));
    // Stored, and the picture was not decoded for it.
    EXPECT_TRUE(catalog().entryAtIndex(0)->contains(QString::fromLatin1(kEntryImageSizeKey)));
    EXPECT_FALSE(loaded());
}

TEST_F(VQFileCatalogAttributeTest, FullImageFollowsScreenResolutionAndIsNeverCached) {
    ASSERT_TRUE(catalog().addFileEntry(photo(QStringLiteral("full.png"), 1000, 600)));
    catalog().setMaxScreenResolution(Size{400, 400});
    EXPECT_EQ(catalog().maxScreenResolution(), (Size{400, 400}));

    const Image screen = image(kCatalogAttrFullImage);
    EXPECT_EQ(screen.pixelSize(), QSize(400, 240));
    EXPECT_FALSE(loaded());

    catalog().setDeliverScreenResolution(false);
    const Image full = image(kCatalogAttrFullImage);
    EXPECT_EQ(full.pixelSize(), QSize(1000, 600));
    EXPECT_FALSE(loaded());
    EXPECT_EQ(catalog().getFileAttributeAtIndex(kCatalogAttrImageSize, 0).toString(),
              stringFromSize(Size{1000, 600}));

    catalog().setMaxScreenResolution(Size{1600, 1200});
    EXPECT_EQ(catalog().maxScreenResolution(), (Size{800, 600}));
}

TEST_F(VQFileCatalogAttributeTest, UnchangedEnhancementChangesNothingAndAChangeDropsThePicture) {
    addPhotos(1);
    ASSERT_FALSE(image(kCatalogAttrImage).isNull());
    ASSERT_TRUE(loaded());
    drainEvents();
    undo().removeAllActions();
    NoticeRecorder recorder(&catalog());

    catalog().setFileAttributeAtIndexToValue(kCatalogAttrContrast, 0, 1.0f);
    EXPECT_FALSE(undo().canUndo());
    EXPECT_TRUE(loaded());
    EXPECT_EQ(recorder.count(kVQFileCatalogPhotoVisiblyChangedNotify), 0);

    catalog().setFileAttributeAtIndexToValue(kCatalogAttrContrast, 0, 1.25f);
    EXPECT_FALSE(loaded());
    EXPECT_EQ(recorder.infos(kVQFileCatalogPhotoVisiblyChangedNotify),
              (QList<QVariantMap>{{{QStringLiteral("attr"), 28}, {QStringLiteral("index"), 0}}}));
    drainEvents();
    EXPECT_EQ(undo().undoActionName(), QStringLiteral("Enhancement"));
    EXPECT_FALSE(image(kCatalogAttrImage).isNull());
    EXPECT_TRUE(loaded());

    ASSERT_TRUE(undo().undo());
    EXPECT_EQ(catalog().getFileAttributeAtIndex(kCatalogAttrContrast, 0).toFloat(), 1.0f);
    EXPECT_FALSE(loaded());
    // The undo step names the change for the other parts.
    EXPECT_EQ(recorder.count(kVQFileCatalogAttributeChangedNofity), 1);

    // The adjustments dictionary stores only what differs, as one step.
    catalog().setFileAttributeAtIndexToValue(
        kCatalogAttrAdjustments, 0,
        QVariantMap{{QStringLiteral("contrast"), 1.0f}, {QStringLiteral("sharpness"), 2}});
    EXPECT_EQ(catalog().getFileAttributeAtIndex(kCatalogAttrSharpness, 0), QVariant(2));
    drainEvents();
    ASSERT_TRUE(undo().undo());
    EXPECT_EQ(catalog().getFileAttributeAtIndex(kCatalogAttrSharpness, 0).toInt(), 0);
}

TEST_F(VQFileCatalogAttributeTest, RotationTurnsTheCachedPictureBothWays) {
    ASSERT_TRUE(catalog().addFileEntry(photo(QStringLiteral("turn.png"), 200, 100)));
    const Image original = image(kCatalogAttrImage);
    ASSERT_EQ(original.pixelSize(), QSize(200, 100));
    const QImage pixels = original.toQImage(QImage::Format_RGB32);

    catalog().setFileAttributeAtIndexToValue(kCatalogAttrRotation, 0, 270.0f);
    ASSERT_TRUE(loaded());
    const QImage turned = image(kCatalogAttrImage).toQImage(QImage::Format_RGB32);
    // 270 turns the picture a quarter anticlockwise.
    EXPECT_EQ(turned, pixels.transformed(QTransform().rotate(-90)));
    EXPECT_EQ(catalog().getFileAttributeAtIndex(kCatalogAttrImageSize, 0).toString(),
              stringFromSize(Size{100, 200}));

    catalog().setFileAttributeAtIndexToValue(kCatalogAttrRotation, 0, 0.0f);
    EXPECT_EQ(image(kCatalogAttrImage).toQImage(QImage::Format_RGB32), pixels);
    EXPECT_EQ(catalog().getFileAttributeAtIndex(kCatalogAttrImageSize, 0).toString(),
              stringFromSize(Size{200, 100}));

    // Without a cached picture the caches go and the next request decodes turned.
    catalog().setFileAttributeAtIndexToValue(kCatalogAttrImage, 0, QVariant());
    catalog().setFileAttributeAtIndexToValue(kCatalogAttrRotation, 0, 90.0f);
    EXPECT_FALSE(catalog().entryAtIndex(0)->contains(QString::fromLatin1(kEntryImageSizeKey)));
    EXPECT_EQ(image(kCatalogAttrImage).pixelSize(), QSize(100, 200));
}

TEST_F(VQFileCatalogAttributeTest, ImageLoadedNeverDecodes) {
    const QString path = photo(QStringLiteral("lazy.png"));
    ASSERT_TRUE(catalog().addFileEntry(path));
    Importer::flushCachedGWorld(path);
    EXPECT_EQ(catalog().getFileAttributeAtIndex(kCatalogAttrImageLoaded, 0), QVariant(false));
    EXPECT_FALSE(Importer::isGWorldCached(path));
    EXPECT_FALSE(catalog().entryAtIndex(0)->contains(QString::fromLatin1(kEntryImageSizeKey)));
    ASSERT_FALSE(image(kCatalogAttrImage).isNull());
    EXPECT_EQ(catalog().getFileAttributeAtIndex(kCatalogAttrImageLoaded, 0), QVariant(true));
}

TEST_F(VQFileCatalogAttributeTest, AnIndexAtTheCountAnswersNothingAndChangesNothing) {
    addPhotos(2);
    undo().removeAllActions();
    for (int index : {2, -1, 1000}) {
        SCOPED_TRACE(index);
        EXPECT_FALSE(catalog().getFileAttributeAtIndex(kCatalogAttrSerialNumber, index).isValid());
        EXPECT_FALSE(catalog().getFileAttributeAtIndex(kCatalogAttrImage, index).isValid());
        catalog().setFileAttributeAtIndexToValue(kCatalogAttrMarked, index, false);
    }
    drainEvents();
    EXPECT_FALSE(undo().canUndo());
    EXPECT_EQ(catalog().getMarkedIndices(), (QList<int>{0, 1}));
}

TEST_F(VQFileCatalogAttributeTest, PathSetWithTheSamePathPostsNothing) {
    const QString path = photo(QStringLiteral("same.png"));
    const QString other = photo(QStringLiteral("other.png"));
    ASSERT_TRUE(catalog().addFileEntry(path));
    NoticeRecorder recorder(&catalog());
    catalog().setFileAttributeAtIndexToValue(kCatalogAttrPath, 0, path);
    EXPECT_EQ(recorder.count(kVQFileCatalogPhotoVisiblyChangedNotify), 0);
    catalog().setFileAttributeAtIndexToValue(kCatalogAttrPath, 0, other);
    EXPECT_EQ(recorder.count(kVQFileCatalogPhotoVisiblyChangedNotify), 1);
    EXPECT_EQ(name(0), QStringLiteral("other.png"));
}

TEST_F(VQFileCatalogAttributeTest, ThumbnailsAreMadeAtThumbnailSizeAndCached) {
    ASSERT_TRUE(catalog().addFileEntry(photo(QStringLiteral("thumb.png"), 400, 300)));
    catalog().entryAtIndex(0)->insert(QString::fromLatin1(kEntryRotationKey), 90.0f);
    const Image thumbnail = image(kCatalogAttrThumbnail);
    EXPECT_EQ(thumbnail.pixelSize(), QSize(54, 72));
    EXPECT_TRUE(catalog().entryAtIndex(0)->contains(QString::fromLatin1(kEntryThumbnailKey)));
}

TEST_F(VQFileCatalogAttributeTest, AnUnreadableFileIsRemovedWithError99) {
    const QString path = dir.filePath(QStringLiteral("broken.png"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("no picture here");
    file.close();
    ASSERT_TRUE(catalog().addFileEntry(path));
    NoticeRecorder recorder(&catalog());
    EXPECT_FALSE(catalog().getFileAttributeAtIndex(kCatalogAttrImage, 0).isValid());
    EXPECT_EQ(catalog().fileCount(), 0);
    drainEvents();
    const QList<QVariantMap> errors = recorder.infos(kUTErrorNofity);
    ASSERT_EQ(errors.size(), 1);
    EXPECT_EQ(errors[0].value(QStringLiteral("ErrCode")), QVariant(99));
    EXPECT_EQ(errors[0].value(QStringLiteral("document")).value<QObject*>(), document.get());
}
