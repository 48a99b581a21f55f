#include "CatalogFixture.h"

#include "framework/model/TMObject.h"
#include "layout/TemplateMapper.h"
#include "platform/archiving/Archiver.h"
#include "platform/archiving/Unarchiver.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstring>

namespace {

QString key(const char* name) {
    return QString::fromLatin1(name);
}

QByteArray floats(std::initializer_list<float> values) {
    QByteArray data;
    for (float v : values)
        data.append(reinterpret_cast<const char*>(&v), sizeof v);
    return data;
}

Image solidPicture(int width, int height) {
    return Image(solidImage(width, height, QColor(10, 20, 30)));
}

// A caption of a kind the framework registers.
constexpr char kCaptionKind[] = "TMOvalObject";

TMObjectRef caption(Point center) {
    TMObjectRef object = TMObject::newTemplateObjectOfKind(key(kCaptionKind));
    object->initWithCenterSize(center, Size{20, 10});
    return object;
}

class VQFileCatalogRecordTest : public CatalogFixture {
protected:
    VQFileCatalogEntry& record(int index) { return *catalog().entryAtIndex(index); }

    // The record through the document file's archive into a new document.
    std::unique_ptr<RoduvudeDadevizi> reopened(const QVariantMap& catalogRecord) {
        QString error;
        const QByteArray bytes = Archiver::archivedData(catalogRecord, &error);
        EXPECT_FALSE(bytes.isNull()) << qPrintable(error);
        const QVariant read = Unarchiver::unarchiveObject(bytes, &error);
        EXPECT_TRUE(error.isEmpty()) << qPrintable(error);
        auto other = std::make_unique<RoduvudeDadevizi>();
        other->setFileName(dir.filePath(QStringLiteral("Catalog.lumisk")));
        other->fileCatalog().decodeCatalog(read.toMap());
        return other;
    }
    // An entry record as a file would hold it, for a photo that exists.
    QVariantMap storedFileRecord(const QString& name, QVariant serial = QVariant()) {
        QVariantMap stored;
        stored.insert(key(kEntryPathKey), photo(name));
        if (serial.isValid())
            stored.insert(key(kEntrySerialNumberKey), serial);
        return stored;
    }
};

TEST_F(VQFileCatalogRecordTest, RoundTripKeepsEntriesAndSettingsAndLosesTheSelection) {
    addPhotos(3);
    catalog().addImageEntry(solidPicture(10, 10));
    catalog().addURLEntry(QUrl(QStringLiteral("http://127.0.0.1:9/x.jpg")));
    drainEvents();
    // The raw entry's temporary file and a fetched URL entry's file.
    ASSERT_FALSE(catalog().getFileAttributeAtIndex(kCatalogAttrImage, 3).isNull());
    ASSERT_TRUE(VQFileCatalog::isTemporaryFile(record(3).value(key(kEntryPathKey)).toString()));
    record(4).insert(key(kEntryPathKey), testHost.tempFolder() + QStringLiteral("/vyx1"));
    catalog().setFileExtensionFilters({QStringLiteral("jpg"), QStringLiteral("png")});
    catalog().setFileAttributeAtIndexToValue(kCatalogAttrCrop, 0, floats({1, 2, 30, 20}));
    catalog().setFileAttributeAtIndexToValue(kCatalogAttrOffset, 0, floats({3, -4}));
    catalog().setFileAttributeAtIndexToValue(kCatalogAttrSharpness, 1, 2);
    catalog().setFileAttributeAtIndexToValue(kCatalogAttrContrast, 1, 1.5f);
    const QVariantList redEye{floats({0, 0, 40, 30}), floats({5, 6, 4, 4})};
    catalog().setFileAttributeAtIndexToValue(kCatalogAttrRedEye, 1, redEye);
    catalog().setFileAttributeAtIndexToValue(
        kCatalogAttrCaptions, 2,
        QVariantList{QVariant::fromValue(caption({5, 6})), QVariant::fromValue(caption({7, 8}))});
    catalog().setMarkerAtIndexTo(1, false);
    catalog().setSelectionAtIndex(0);
    catalog().setSelectionAtIndex(2);
    for (int i = 0; i < 3; ++i) {
        ASSERT_FALSE(catalog().getFileAttributeAtIndex(kCatalogAttrThumbnail, i).isNull());
        ASSERT_FALSE(catalog().getFileAttributeAtIndex(kCatalogAttrImage, i).isNull());
    }
    // Only the flag: no loader runs, the thumbnails above were made at once.
    catalog().setUsesDeferedLoader(true);
    const QList<int> serialsBefore = serials();
    const QVariantMap encoded = catalog().encodedCatalog();

    // What the file holds: no decoded pictures or metadata, captions as dictionaries.
    const QVariantList entries = encoded.value(key(kCatalogEntriesKey)).toList();
    ASSERT_EQ(entries.size(), 5);
    for (const QVariant& entry : entries)
        for (const char* cache : {kEntryImageKey, kEntryImageAccessKey, kEntryImageSizeKey,
                                  kEntryMetadataKey, kEntryEXIFKey, kEntryComponentInfoKey})
            EXPECT_FALSE(entry.toMap().contains(key(cache))) << cache;
    const QVariantList storedCaptions = entries[2].toMap().value(key(kEntryCaptionsKey)).toList();
    ASSERT_EQ(storedCaptions.size(), 2);
    EXPECT_EQ(storedCaptions[0].toMap().value(key(kKindKey)).toString(), key(kCaptionKind));
    EXPECT_TRUE(entries[0].toMap().contains(key(kEntryThumbnailKey)));
    EXPECT_EQ(encoded.value(key(kCatalogSerialNumberKey)), QVariant(1239));
    EXPECT_EQ(encoded.value(key(kCatalogAllowDeferedLoaderKey)), QVariant(true));
    EXPECT_FALSE(encoded.contains(key(kCatalogBookContainerKey)));

    catalog().shutdown();
    const auto other = reopened(encoded);
    VQFileCatalog& copy = other->fileCatalog();
    copy.setUsesDeferedLoader(false);
    ASSERT_EQ(copy.fileCount(), 5);
    QList<int> serialsAfter;
    for (int i = 0; i < 5; ++i) {
        serialsAfter.append(copy.getFileAttributeAtIndex(kCatalogAttrSerialNumber, i).toInt());
        EXPECT_EQ(copy.getFileAttributeAtIndex(kCatalogAttrName, i),
                  catalog().getFileAttributeAtIndex(kCatalogAttrName, i));
        EXPECT_EQ(copy.getFileAttributeAtIndex(kCatalogAttrEnabled, i), QVariant(true));
    }
    EXPECT_EQ(serialsAfter, serialsBefore);
    EXPECT_TRUE(copy.getSelectedIndices().isEmpty());
    EXPECT_EQ(copy.getMarkedIndices(), (QList<int>{0, 2, 3, 4}));
    EXPECT_EQ(copy.getFileAttributeAtIndex(kCatalogAttrCrop, 0), QVariant(floats({1, 2, 30, 20})));
    EXPECT_EQ(copy.getFileAttributeAtIndex(kCatalogAttrOffset, 0), QVariant(floats({3, -4})));
    EXPECT_EQ(copy.getFileAttributeAtIndex(kCatalogAttrSharpness, 1).toInt(), 2);
    EXPECT_FLOAT_EQ(copy.getFileAttributeAtIndex(kCatalogAttrContrast, 1).toFloat(), 1.5f);
    EXPECT_EQ(copy.getFileImageRedEyeAtIndex(1), redEye);
    const QVariantList captions = copy.getFileImageCaptionsAtIndex(2);
    ASSERT_EQ(captions.size(), 2);
    EXPECT_EQ(captions[1].value<TMObjectRef>()->kind(), key(kCaptionKind));
    EXPECT_EQ(captions[1].value<TMObjectRef>()->center(), (Point{7, 8}));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(copy.entryAtIndex(i)->value(key(kEntryThumbnailKey)).value<Image>().pixelSize(),
                  record(i).value(key(kEntryThumbnailKey)).value<Image>().pixelSize());
    // The temporary files of an earlier run are not taken over.
    EXPECT_FALSE(copy.entryAtIndex(3)->contains(key(kEntryPathKey)));
    EXPECT_FALSE(copy.entryAtIndex(4)->contains(key(kEntryPathKey)));
    EXPECT_EQ(copy.fileExtensionFilters(),
              (QStringList{QStringLiteral("jpg"), QStringLiteral("png")}));
    EXPECT_EQ(copy.nextSerialNumber(), 1239);
    // Nothing needed repair, and the files compare unchanged at the stored precision.
    EXPECT_FALSE(other->isDocumentEdited());
    EXPECT_FALSE(copy.testAllEntriesForChanges());
    EXPECT_TRUE(copy.entryAtIndex(0)->contains(key(kEntryThumbnailKey)));
    other->fileCatalog().shutdown();
}

TEST_F(VQFileCatalogRecordTest, ReadingAnnouncesTheEntriesUnlessNoticesAreOff) {
    QVariantMap stored;
    stored.insert(key(kCatalogEntriesKey), QVariantList{storedFileRecord(QStringLiteral("a.png"))});
    {
        NoticeRecorder recorder(&catalog());
        catalog().decodeCatalog(stored);
        EXPECT_EQ(recorder.count(kVQFileCatalogFileAddedNofity), 1);
    }
    RoduvudeDadevizi quiet;
    quiet.fileCatalog().setNotificationsDisabled(true);
    NoticeRecorder recorder(&quiet.fileCatalog());
    quiet.fileCatalog().decodeCatalog(stored);
    EXPECT_EQ(quiet.fileCatalog().fileCount(), 1);
    EXPECT_EQ(recorder.count(kVQFileCatalogFileAddedNofity), 0);
    EXPECT_EQ(catalog().thumbnailSize(), (Size{72, 72}));
    EXPECT_FALSE(catalog().usesDeferedLoader());
}

TEST_F(VQFileCatalogRecordTest, ValuesThatDontFitTheirKeysAreDropped) {
    const struct {
        const char* key;
        QVariant stored;
        int attribute;
        QVariant neutral;
    } cases[] = {
        {kEntryCropKey, floats({1, 2, 3}), kCatalogAttrCrop, QByteArray(16, '\0')},
        {kEntryCropKey, QStringLiteral("1 2 3 4"), kCatalogAttrCrop, QByteArray(16, '\0')},
        {kEntryCropKey, floats({1, 2, std::numeric_limits<float>::quiet_NaN(), 4}),
         kCatalogAttrCrop, QByteArray(16, '\0')},
        {kEntryOffsetKey, floats({1}), kCatalogAttrOffset, QByteArray(8, '\0')},
        {kEntryOffsetKey, floats({1, 2, 3}), kCatalogAttrOffset, QByteArray(8, '\0')},
        {kEntryRedEyeKey, QVariantList{floats({0, 0, 9, 9}), floats({1, 1, 2})}, kCatalogAttrRedEye,
         QVariantList()},
        {kEntryRedEyeKey, QStringLiteral("eyes"), kCatalogAttrRedEye, QVariantList()},
        {kEntryRotationKey, QStringLiteral("90"), kCatalogAttrRotation, 0.0f},
        {kEntryMarkerKey, QStringLiteral("no"), kCatalogAttrMarked, true},
        {kEntryCaptionsKey, QVariantMap(), kCatalogAttrCaptions, QVariantList()},
        {kEntryCropPresetKey, 7, kCatalogAttrCropPreset, QString(QLatin1String(""))},
        {kEntryThumbnailKey, QByteArray("not a picture"), kCatalogAttrImageLoaded, false},
    };
    QVariantList entries;
    for (const auto& c : cases) {
        QVariantMap stored = storedFileRecord(QStringLiteral("a.png"));
        stored.insert(key(c.key), c.stored);
        entries.append(stored);
    }
    // A fitting value next to them stays.
    QVariantMap good = storedFileRecord(QStringLiteral("a.png"));
    good.insert(key(kEntryCropKey), floats({1, 2, 3, 4}));
    good.insert(key(kEntryRotationKey), 90.0f);
    entries.append(good);
    catalog().decodeCatalog({{key(kCatalogEntriesKey), entries}});

    ASSERT_EQ(catalog().fileCount(), int(std::size(cases)) + 1);
    for (int i = 0; i < int(std::size(cases)); ++i) {
        EXPECT_FALSE(record(i).contains(key(cases[i].key))) << cases[i].key;
        if (cases[i].attribute != kCatalogAttrImageLoaded) {
            EXPECT_EQ(catalog().getFileAttributeAtIndex(cases[i].attribute, i), cases[i].neutral)
                << cases[i].key;
        }
    }
    EXPECT_EQ(catalog().getFileImageCropAtIndex(0), (Rect{0, 0, 0, 0}));
    const int last = catalog().fileCount() - 1;
    EXPECT_EQ(catalog().getFileAttributeAtIndex(kCatalogAttrCrop, last),
              QVariant(floats({1, 2, 3, 4})));
    EXPECT_EQ(catalog().getFileAttributeAtIndex(kCatalogAttrRotation, last).toFloat(), 90.0f);
}

TEST_F(VQFileCatalogRecordTest, SerialNumbersAreMadeUniqueAndTheCounterGoesOnAboveThem) {
    QVariantList entries{
        storedFileRecord(QStringLiteral("a.png"), 1300),
        storedFileRecord(QStringLiteral("b.png"), 1300),
        storedFileRecord(QStringLiteral("c.png")),
        storedFileRecord(QStringLiteral("d.png"), 1250),
        storedFileRecord(QStringLiteral("e.png"), QStringLiteral("1260")),
        storedFileRecord(QStringLiteral("f.png"), 5.5),
    };
    // The stored counter lies below a number in use.
    catalog().decodeCatalog(
        {{key(kCatalogEntriesKey), entries}, {key(kCatalogSerialNumberKey), 1260}});
    EXPECT_EQ(serials(), (QList<int>{1300, 1301, 1302, 1250, 1303, 1304}));
    EXPECT_EQ(catalog().nextSerialNumber(), 1305);

    // Valid files read as before: the stored counter above the numbers is kept.
    RoduvudeDadevizi valid;
    valid.fileCatalog().decodeCatalog(
        {{key(kCatalogEntriesKey), QVariantList{storedFileRecord(QStringLiteral("a.png"), 1240),
                                                storedFileRecord(QStringLiteral("b.png"), 1234)}},
         {key(kCatalogSerialNumberKey), 1400}});
    EXPECT_EQ(valid.fileCatalog().getFileAttributeAtIndex(kCatalogAttrSerialNumber, 0), 1240);
    EXPECT_EQ(valid.fileCatalog().getFileAttributeAtIndex(kCatalogAttrSerialNumber, 1), 1234);
    EXPECT_EQ(valid.fileCatalog().nextSerialNumber(), 1400);
    EXPECT_FALSE(valid.isDocumentEdited());
}

TEST_F(VQFileCatalogRecordTest, ACounterAtTheEndOfTheRangeStillHandsOutFreeNumbers) {
    catalog().decodeCatalog(
        {{key(kCatalogEntriesKey),
          QVariantList{storedFileRecord(QStringLiteral("a.png"), std::numeric_limits<int>::max()),
                       storedFileRecord(QStringLiteral("b.png"), 1234),
                       storedFileRecord(QStringLiteral("c.png"))}}});
    EXPECT_EQ(serials(), (QList<int>{std::numeric_limits<int>::max(), 1234, 1235}));
    EXPECT_EQ(catalog().nextSerialNumber(), 1236);
}

TEST_F(VQFileCatalogRecordTest, CaptionsOfUnknownKindsAreDroppedAlone) {
    QVariantMap known = caption({3, 4})->dictRepresentation();
    QVariantMap unknown = known;
    unknown.insert(key(kKindKey), QStringLiteral("NoSuchCaptionKind"));
    QVariantMap stored = storedFileRecord(QStringLiteral("a.png"));
    stored.insert(key(kEntryCaptionsKey), QVariantList{unknown, known, QStringLiteral("text")});
    catalog().decodeCatalog({{key(kCatalogEntriesKey), QVariantList{stored}}});
    const QVariantList captions = catalog().getFileImageCaptionsAtIndex(0);
    ASSERT_EQ(captions.size(), 1);
    EXPECT_EQ(captions[0].value<TMObjectRef>()->center(), (Point{3, 4}));
}

TEST_F(VQFileCatalogRecordTest, SettingsOfTheRecordAreTakenWhenTheyFit) {
    catalog().decodeCatalog({{key(kCatalogThumbWidthKey), 96.0f},
                             {key(kCatalogThumbHeightKey), 64.0f},
                             {key(kCatalogAllowDeferedLoaderKey), true},
                             {key(kCatalogFileTypesKey), QVariantList{QStringLiteral("jpg"), 3}}});
    EXPECT_EQ(catalog().thumbnailSize(), (Size{96, 64}));
    EXPECT_TRUE(catalog().usesDeferedLoader());
    EXPECT_EQ(catalog().fileExtensionFilters(), QStringList{QStringLiteral("jpg")});
    catalog().decodeCatalog({{key(kCatalogThumbWidthKey), -5.0f},
                             {key(kCatalogThumbHeightKey), QStringLiteral("big")},
                             {key(kCatalogAllowDeferedLoaderKey), 1}});
    EXPECT_EQ(catalog().thumbnailSize(), (Size{96, 64}));
    EXPECT_TRUE(catalog().usesDeferedLoader());
    catalog().setUsesDeferedLoader(false);
}

TEST_F(VQFileCatalogRecordTest, OlderBookPlacementsGoToTheLayout) {
    const QVariantMap page{{QStringLiteral("Pos0"), 1234}};
    catalog().decodeCatalog({{key(kCatalogBookContainerKey), QVariantList{page}}});
    EXPECT_EQ(document->templateMapper()->bookContainer()->pages, QList<QVariantMap>{page});
    EXPECT_FALSE(catalog().encodedCatalog().contains(key(kCatalogBookContainerKey)));
}

TEST_F(VQFileCatalogRecordTest, AReferenceRepairedWhileReadingLeavesTheDocumentModified) {
    addPhotos(1);
    const QVariantMap encoded = catalog().encodedCatalog();
    const QString path = record(0).value(key(kEntryPathKey)).toString();
    ASSERT_TRUE(QFile::rename(path, dir.filePath(QStringLiteral("renamed.png"))));
    const auto other = reopened(encoded);
    EXPECT_EQ(other->fileCatalog().getFileAttributeAtIndex(kCatalogAttrPath, 0),
              QVariant(dir.filePath(QStringLiteral("renamed.png"))));
    EXPECT_TRUE(other->modifiedOnDecode());
    EXPECT_TRUE(other->isDocumentEdited());
}

TEST_F(VQFileCatalogRecordTest, MatchesCriteriaByExtensionOrContentType) {
    const QString noExtension =
        writeImage(dir.filePath(QStringLiteral("IMG_0001")), quadrantImage(8, 8), "jpeg");
    const QString png = photo(QStringLiteral("b.png"));
    const QString pngWithoutExtension = dir.filePath(QStringLiteral("pic"));
    ASSERT_TRUE(QFile::copy(png, pngWithoutExtension));
    // A document's catalog starts with the extensions the importer reads.
    EXPECT_TRUE(catalog().matchesCriteria(dir.filePath(QStringLiteral("IMG.JPG"))));
    catalog().setFileExtensionFilters({});
    EXPECT_FALSE(catalog().matchesCriteria(dir.filePath(QStringLiteral("IMG.JPG"))));
    catalog().setFileExtensionFilters({QStringLiteral("jpg"), QStringLiteral("'JPEG'")});
    EXPECT_TRUE(catalog().matchesCriteria(dir.filePath(QStringLiteral("IMG.JPG"))));
    EXPECT_TRUE(catalog().matchesCriteria(noExtension));
    EXPECT_FALSE(catalog().matchesCriteria(png));
    EXPECT_FALSE(catalog().matchesCriteria(pngWithoutExtension));
    catalog().setFileExtensionFilters({QStringLiteral("'pngf'")});
    EXPECT_TRUE(catalog().matchesCriteria(pngWithoutExtension));
}

TEST(VQFileCatalogVolumeTest, MountedVolumeIsTheThirdComponentUnderVolumes) {
    const struct {
        const char* path;
        const char* volume;
    } cases[] = {
        {"/Volumes/Backup/Photos/a.jpg", "Backup"},
        {"/Volumes/Backup", "Backup"},
        {"/Users/x/a.jpg", nullptr},
        {"/Volumes", nullptr},
        {"/Volumes/", nullptr},
        {"Volumes/Backup/a.jpg", nullptr},
        {"", nullptr},
    };
    for (const auto& c : cases) {
        const QString volume = VQFileCatalog::extractMountedVolume(QString::fromLatin1(c.path));
        if (c.volume)
            EXPECT_EQ(volume, QString::fromLatin1(c.volume)) << c.path;
        else
            EXPECT_TRUE(volume.isNull()) << c.path;
    }
}

} // namespace
