#include "layout/Exporter.h"

#include "catalog/ImageFixtures.h"
#include "catalog/Importer.h"
#include "platform/archiving/Archiver.h"
#include "platform/archiving/Unarchiver.h"
#include "platform/foundation/PreferenceIndex.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/graphics/Image.h"
#include "platform/imaging/ColorMatching.h"
#include "platform/imaging/GraphicsImporter.h"
#include "platform/ui/ModalAlert.h"
#include "support/FullFileSystem.h"
#include "support/TestHost.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <gtest/gtest.h>

namespace {

const QString kDefaultKey = QString::fromLatin1(kExportDefaultConfigKey);

class ExporterTest : public ::testing::Test {
protected:
    void SetUp() override {
        UserDefaults::standardUserDefaults().removeObjectForKey(kDefaultKey);
        host.settings[PrefSaveBackSpatialQuality] = 640;
    }
    void TearDown() override {
        UserDefaults::standardUserDefaults().removeObjectForKey(kDefaultKey);
    }

    // A photo file with EXIF data and a profile, and the metadata the catalog keeps of it.
    QByteArray photoMetadata(const QString& make) {
        const QString path =
            writeImage(dir.filePath(QStringLiteral("source.jpg")), quadrantImage(200, 100), "jpeg");
        EXPECT_TRUE(addExif(path, make, solidImage(40, 20, Qt::gray)));
        const auto importer = GraphicsImporter::forFile(path);
        const std::optional<UserData> items = importer->metaData();
        EXPECT_TRUE(items && items->item(GraphicsImporter::kExifItemType));
        return items ? items->flatten() : QByteArray();
    }

    TestHost host;
    QTemporaryDir dir;
};

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A picture with detail everywhere, so that the JPEG quality shows.
Image detailedImage(int width, int height) {
    QImage pixels(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pixels.setPixel(x, y,
                            qRgb(x * 255 / width, y * 255 / height,
                                 int(128 + 100 * std::sin(x / 3.0) * std::cos(y / 4.0))));
    return Image(pixels);
}

// Summed over every channel of every pixel.
double differenceBetween(const QImage& a, const QImage& b) {
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q));
        }
    return sum;
}

QString key(const char* name) {
    return QString::fromLatin1(name);
}

} // namespace

TEST_F(ExporterTest, AFreshExporterWritesJpegWithEveryChoiceOn) {
    Exporter exporter;
    EXPECT_EQ(exporter.exporterNames(),
              (QStringList{QStringLiteral("JPEG"), QStringLiteral("PNG"), QStringLiteral("TIFF"),
                           QStringLiteral("BMP")}));
    EXPECT_EQ(exporter.activeExporterName(), QStringLiteral("JPEG"));
    EXPECT_TRUE(exporter.usesColorSync());
    EXPECT_TRUE(exporter.createsThumbnail());
    EXPECT_TRUE(exporter.createsEXIF());
    EXPECT_TRUE(exporter.ignoresCrop());
    EXPECT_EQ(exporter.spatialQuality(), -1);
    EXPECT_TRUE(exporter.getConfig().isNull());
    EXPECT_TRUE(exporter.optionsAvailable());
    EXPECT_TRUE(exporter.errorString().isEmpty());
    EXPECT_EQ(exporter.encodeInDictionary(),
              (QVariantMap{{key(kExporterUseColorSyncKey), true},
                           {key(kExporterCreateThumbnailKey), true},
                           {key(kExporterCreateEXIFKey), true},
                           {key(kExporterIgnoreCropKey), true},
                           {key(kExporterNameKey), QStringLiteral("JPEG")}}));
}

TEST_F(ExporterTest, ANewExporterStartsFromTheUsersExportDefault) {
    {
        Exporter exporter;
        exporter.setActiveExporter(QStringLiteral("TIFF"));
        exporter.setCreatesEXIF(false);
        exporter.setIgnoresCrop(false);
        exporter.setSpatialQuality(1024);
        exporter.makeDefault();
    }
    const QVariantMap stored = UserDefaults::standardUserDefaults().dictionaryForKey(kDefaultKey);
    EXPECT_EQ(stored.value(key(kExporterNameKey)).toString(), QStringLiteral("TIFF"));
    EXPECT_TRUE(stored.value(key(kExporterConfigKey)).toByteArray().contains("Compression"));

    Exporter exporter;
    EXPECT_EQ(exporter.activeExporterName(), QStringLiteral("TIFF"));
    EXPECT_FALSE(exporter.createsEXIF());
    EXPECT_FALSE(exporter.ignoresCrop());
    EXPECT_TRUE(exporter.createsThumbnail());
    // The quality is not part of the configuration.
    EXPECT_EQ(exporter.spatialQuality(), -1);
    EXPECT_EQ(exporter.encodeInDictionary(), stored);
    EXPECT_TRUE(exporter.optionsAvailable());
}

TEST_F(ExporterTest, ADictionaryWithoutANameMakesJpegActiveWithoutSettings) {
    Exporter exporter;
    // A format that is not installed clears the wanted name.
    exporter.decodeFromDictionary({{key(kExporterNameKey), QStringLiteral("QuickDraw PICT")},
                                   {key(kExporterConfigKey), QByteArray("bytes")},
                                   {key(kExporterCreateThumbnailKey), false}});
    EXPECT_EQ(exporter.activeExporterName(), QStringLiteral("JPEG"));
    EXPECT_FALSE(exporter.createsThumbnail());
    const QVariantMap nameless = exporter.encodeInDictionary();
    EXPECT_FALSE(nameless.contains(key(kExporterNameKey)));
    EXPECT_FALSE(nameless.contains(key(kExporterConfigKey)));

    Exporter other;
    other.setActiveExporter(QStringLiteral("PNG"));
    ASSERT_FALSE(other.getConfig().isNull());
    other.decodeFromDictionary(nameless);
    EXPECT_EQ(other.activeExporterName(), QStringLiteral("JPEG"));
    EXPECT_TRUE(other.getConfig().isNull());
    EXPECT_FALSE(other.createsThumbnail());

    // Settings are taken only with the name they belong to.
    Exporter named;
    named.decodeFromDictionary({{key(kExporterNameKey), QStringLiteral("PNG")},
                                {key(kExporterConfigKey), QByteArray("<plist/>")}});
    EXPECT_EQ(named.activeExporterName(), QStringLiteral("PNG"));
    EXPECT_EQ(named.getConfig(), QByteArray("<plist/>"));
}

TEST_F(ExporterTest, FileNamesTakeTheActiveFormatsExtension) {
    Exporter exporter;
    struct Case {
        const char* format;
        const char* name;
        const char* expected;
    };
    for (const Case& c :
         {Case{"JPEG", "Photo.tiff", "Photo.jpg"}, Case{"JPEG", "IMG_0001", "IMG_0001.jpg"},
          Case{"JPEG", "Vyx_Photo_0042", "Vyx_Photo_0042.jpg"}, Case{"JPEG", "a.b.c", "a.b.jpg"},
          Case{"JPEG", "/folder.d/name", "/folder.d/name.jpg"},
          Case{"JPEG", ".hidden", ".hidden.jpg"}, Case{"TIFF", "Photo.JPG", "Photo.tif"},
          Case{"PNG", "x.", "x.png"}, Case{"BMP", "scan.bmp", "scan.bmp"}}) {
        exporter.setActiveExporter(QString::fromLatin1(c.format));
        EXPECT_EQ(exporter.fileNameWithExtension(QString::fromUtf8(c.name)),
                  QString::fromUtf8(c.expected))
            << c.format << " " << c.name;
    }
}

TEST_F(ExporterTest, ExtensionsMatchExactlyInLowerCase) {
    Exporter exporter;
    exporter.setActiveExporter(QStringLiteral("PNG"));
    EXPECT_FALSE(exporter.setActiveExporterWithExtension(QStringLiteral("JPG")));
    EXPECT_FALSE(exporter.setActiveExporterWithExtension(QStringLiteral("jpeg")));
    EXPECT_FALSE(exporter.setActiveExporterWithExtension(QStringLiteral("jpg ")));
    EXPECT_EQ(exporter.activeExporterName(), QStringLiteral("PNG"));
    EXPECT_TRUE(exporter.setActiveExporterWithExtension(QStringLiteral("jpg")));
    EXPECT_EQ(exporter.activeExporterName(), QStringLiteral("JPEG"));
    EXPECT_TRUE(exporter.setActiveExporterWithExtension(QStringLiteral("tif")));
    EXPECT_EQ(exporter.activeExporterName(), QStringLiteral("TIFF"));
    // Already active is a match too.
    EXPECT_TRUE(exporter.setActiveExporterWithExtension(QStringLiteral("tif")));

    EXPECT_TRUE(exporter.setActiveExporterWithFileType(fourCharCode("BMPf")));
    EXPECT_EQ(exporter.activeExporterName(), QStringLiteral("BMP"));
    EXPECT_FALSE(exporter.setActiveExporterWithFileType(fourCharCode("GIFf")));
    EXPECT_EQ(exporter.activeExporterName(), QStringLiteral("BMP"));
}

TEST_F(ExporterTest, SetupWithComponentInfoTakesThePhotosFormatAndQuality) {
    struct Case {
        QVariantMap info;
        bool found;
        const char* format;
        int quality;
    };
    const Case cases[] = {
        {{{key(kExtensionKey), QStringLiteral("jpg")}, {key(kSpatialQualityKey), 1024}},
         true,
         "JPEG",
         1024},
        {{{key(kExtensionKey), QStringLiteral("jpg")}, {key(kSpatialQualityKey), 512}},
         true,
         "JPEG",
         640},
        {{{key(kExtensionKey), QStringLiteral("jpg")}, {key(kSpatialQualityKey), 1023}},
         true,
         "JPEG",
         640},
        {{{key(kExtensionKey), QStringLiteral("tif")}}, true, "TIFF", 640},
        {{{key(kFileTypeKey), int(fourCharCode("PNGf"))},
          {key(kExtensionKey), QStringLiteral("jpg")}},
         true,
         "PNG",
         640},
        // Files here carry no type code, so 0 falls through to the extension.
        {{{key(kFileTypeKey), 0}, {key(kExtensionKey), QStringLiteral("bmp")}}, true, "BMP", 640},
        {{{key(kExtensionKey), QStringLiteral("JPG")}, {key(kSpatialQualityKey), 1024}},
         false,
         "PNG",
         -1},
        {{{key(kExtensionKey), QStringLiteral("gif")}}, false, "PNG", -1},
    };
    for (const Case& c : cases) {
        Exporter exporter;
        exporter.setActiveExporter(QStringLiteral("PNG"));
        EXPECT_EQ(exporter.setupWithComponentInfo(c.info), c.found) << c.format;
        EXPECT_EQ(exporter.activeExporterName(), QString::fromLatin1(c.format));
        EXPECT_EQ(exporter.spatialQuality(), c.quality) << c.format;
    }

    Exporter exporter;
    ASSERT_TRUE(exporter.setupWithComponentInfo({{key(kExtensionKey), QStringLiteral("jpg")},
                                                 {key(kHadColorSyncKey), false},
                                                 {key(kHadThumbnailKey), false}}));
    EXPECT_FALSE(exporter.usesColorSync());
    EXPECT_FALSE(exporter.createsThumbnail());
    EXPECT_TRUE(exporter.createsEXIF());
}

TEST_F(ExporterTest, QualityOf1024KeepsMoreThan512) {
    const Image picture = detailedImage(160, 120);
    auto write = [&](int quality, double& error) {
        Exporter exporter;
        exporter.setSpatialQuality(quality);
        const QString path = dir.filePath(QStringLiteral("q%1.jpg").arg(quality));
        EXPECT_TRUE(exporter.exportImageToFile(picture, path));
        error = differenceBetween(QImage(path), picture.pixels());
        return QFileInfo(path).size();
    };
    double lossless = 0, normal = 0;
    const qint64 losslessSize = write(1024, lossless);
    const qint64 normalSize = write(512, normal);
    EXPECT_GT(losslessSize, normalSize);
    EXPECT_LT(lossless * 2, normal);
}

TEST_F(ExporterTest, BothFlagsOffWriteNoExifAndNoThumbnail) {
    Exporter exporter;
    exporter.setMetaData(photoMetadata(QStringLiteral("Quadrant Cameras")));
    exporter.setCreatesEXIF(false);
    exporter.setCreatesThumbnail(false);
    for (const char* format : {"JPEG", "PNG", "TIFF"}) {
        exporter.setActiveExporter(QString::fromLatin1(format));
        const QString path = dir.filePath(exporter.fileNameWithExtension(QStringLiteral("plain")));
        ASSERT_TRUE(exporter.exportImageToFile(Image(quadrantImage(200, 100)), path)) << format;
        const MetadataReadBack back = readMetadataBack(path);
        ASSERT_TRUE(back.readable) << format;
        EXPECT_FALSE(back.hasExif) << format;
        EXPECT_TRUE(back.make.isEmpty()) << format;
        EXPECT_TRUE(back.thumbnail.isEmpty()) << format;
        // The profile is a choice of its own.
        EXPECT_FALSE(back.profile.isEmpty()) << format;
    }
    exporter.setUsesColorSync(false);
    exporter.setActiveExporter(QStringLiteral("JPEG"));
    const QString path = dir.filePath(QStringLiteral("bare.jpg"));
    ASSERT_TRUE(exporter.exportImageToFile(Image(quadrantImage(20, 10)), path));
    EXPECT_TRUE(readMetadataBack(path).profile.isEmpty());
}

TEST_F(ExporterTest, ProfileExifAndThumbnailReadBackWhenOn) {
    Exporter exporter;
    exporter.setMetaData(photoMetadata(QStringLiteral("Quadrant Cameras")));
    const QByteArray adobe = adobeRGBProfile();
    Image picture(quadrantImage(300, 150));
    picture.setIccProfile(adobe);
    const QString path = dir.filePath(QStringLiteral("full.jpg"));
    ASSERT_TRUE(exporter.exportImageToFile(picture, path));
    MetadataReadBack back = readMetadataBack(path);
    EXPECT_EQ(back.profile, adobe);
    EXPECT_EQ(back.make, QStringLiteral("Quadrant Cameras"));
    // The thumbnail shows this picture (not the one the source file carried), within 96 x 96.
    EXPECT_EQ(back.thumbnail, QSize(96, 48));

    // A picture without a profile gets the display's.
    const QString plain = dir.filePath(QStringLiteral("plain.jpg"));
    ASSERT_TRUE(exporter.exportImageToFile(Image(quadrantImage(50, 100)), plain));
    back = readMetadataBack(plain);
    EXPECT_EQ(back.profile, defaultDisplayProfile());
    EXPECT_EQ(back.thumbnail, QSize(48, 96));

    // Only the thumbnail: an EXIF block without the photo's metadata.
    exporter.setCreatesEXIF(false);
    ASSERT_TRUE(exporter.exportImageToFile(picture, plain));
    back = readMetadataBack(plain);
    EXPECT_TRUE(back.make.isEmpty());
    EXPECT_EQ(back.thumbnail, QSize(96, 48));

    // Only the metadata.
    exporter.setCreatesEXIF(true);
    exporter.setCreatesThumbnail(false);
    ASSERT_TRUE(exporter.exportImageToFile(picture, plain));
    back = readMetadataBack(plain);
    EXPECT_EQ(back.make, QStringLiteral("Quadrant Cameras"));
    EXPECT_TRUE(back.thumbnail.isEmpty());

    // Damaged metadata is left out, and the picture still written.
    exporter.setMetaData(QByteArray("\0\0\0\x40junk", 8));
    ASSERT_TRUE(exporter.exportImageToFile(picture, plain));
    back = readMetadataBack(plain);
    EXPECT_FALSE(back.hasExif);
    EXPECT_EQ(QImage(plain).size(), QSize(300, 150));
}

TEST_F(ExporterTest, TheSizeInPointsGivesTheFilesResolution) {
    Exporter exporter;
    // 408 x 617 pixels cut from a page at 300 dpi for an area of about 98 x 148 points.
    const Image picture(quadrantImage(408, 617), Size{97.92f, 148.08f});
    const QString path = dir.filePath(QStringLiteral("area.jpg"));
    ASSERT_TRUE(exporter.exportImageToFile(picture, path));
    const QImage back(path);
    EXPECT_EQ(back.size(), QSize(408, 617));
    EXPECT_NEAR(back.dotsPerMeterX() * 0.0254, 300, 1);
    EXPECT_NEAR(back.dotsPerMeterY() * 0.0254, 300, 1);
}

TEST_F(ExporterTest, AFailedExportKeepsTheOldFileAndSaysWhy) {
    EXPECT_TRUE(inEachFullFileSystem(64 * 1024, [&](FullFileSystem& full) {
        Exporter exporter;
        exporter.setActiveExporter(QStringLiteral("BMP"));
        const QString path = full.filePath(QStringLiteral("photo.bmp"));
        ASSERT_TRUE(exporter.exportImageToFile(Image(quadrantImage(30, 30)), path));
        const QByteArray old = readAll(path);

        EXPECT_FALSE(exporter.exportImageToFile(Image(quadrantImage(800, 800)), path));
        EXPECT_EQ(exporter.lastError(), -34);
        EXPECT_EQ(exporter.errorString(), QStringLiteral("The disk is full (error code -34)."));
        EXPECT_EQ(readAll(path), old);

        ASSERT_TRUE(exporter.exportImageToFile(Image(quadrantImage(31, 30)), path));
        EXPECT_TRUE(exporter.errorString().isEmpty());
        EXPECT_EQ(QImage(path).size(), QSize(31, 30));
    }));

    // A code without a text of its own shows the code.
    Exporter exporter;
    EXPECT_FALSE(exporter.exportImageToFile(Image(), dir.filePath(QStringLiteral("x.jpg"))));
    EXPECT_EQ(exporter.errorString(), QStringLiteral("Error code: -50"));
}

TEST_F(ExporterTest, OptionsRecordTheConfirmedSettingsAsTheConfiguration) {
    Exporter exporter;
    ASSERT_TRUE(exporter.optionsAvailable());
    auto setQuality = [](Qt::Key key, QDialogButtonBox::StandardButton button) {
        return [key, button](QDialog& dialog) {
            dialog.show();
            auto* slider = dialog.findChild<QSlider*>(QStringLiteral("quality"));
            QTest::keyClick(slider, key);
            QTest::mouseClick(dialog.findChild<QDialogButtonBox*>()->button(button),
                              Qt::LeftButton);
            return dialog.result();
        };
    };
    {
        ModalAlert::ScopedDialogResponder responder(setQuality(Qt::Key_Home, QDialogButtonBox::Ok));
        exporter.options();
    }
    const QByteArray low = exporter.getConfig();
    EXPECT_TRUE(low.contains("<integer>256</integer>"));
    {
        ModalAlert::ScopedDialogResponder responder(
            setQuality(Qt::Key_End, QDialogButtonBox::Cancel));
        exporter.options();
    }
    EXPECT_EQ(exporter.getConfig(), low);

    // The settings travel with the dictionary and decide the quality when none is given.
    const Image picture = detailedImage(160, 120);
    const QString lowPath = dir.filePath(QStringLiteral("low.jpg"));
    ASSERT_TRUE(exporter.exportImageToFile(picture, lowPath));
    Exporter copy;
    copy.decodeFromDictionary(exporter.encodeInDictionary());
    EXPECT_EQ(copy.getConfig(), low);
    {
        ModalAlert::ScopedDialogResponder responder(setQuality(Qt::Key_End, QDialogButtonBox::Ok));
        copy.options();
    }
    const QString bestPath = dir.filePath(QStringLiteral("best.jpg"));
    ASSERT_TRUE(copy.exportImageToFile(picture, bestPath));
    EXPECT_GT(QFileInfo(bestPath).size(), QFileInfo(lowPath).size());

    // Making another format active replaces the bytes with that format's settings.
    copy.setActiveExporter(QStringLiteral("PNG"));
    EXPECT_FALSE(copy.optionsAvailable());
    EXPECT_FALSE(copy.getConfig().contains("Quality"));
    copy.setActiveExporter(QStringLiteral("JPEG"));
    EXPECT_TRUE(copy.getConfig().contains("<integer>1024</integer>"));
}

TEST_F(ExporterTest, ArchivedAsItsDictionary) {
    Exporter::registerArchivableClass();
    auto exporter = std::make_shared<Exporter>();
    exporter->setActiveExporter(QStringLiteral("TIFF"));
    exporter->setUsesColorSync(false);
    exporter->setSpatialQuality(900);
    const QByteArray data = Archiver::archivedData(ArchivableRef(exporter));
    ASSERT_FALSE(data.isNull());
    const auto back = Unarchiver::unarchiveObjectOfClass<Exporter>(data);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->encodeInDictionary(), exporter->encodeInDictionary());
    EXPECT_EQ(back->activeExporterName(), QStringLiteral("TIFF"));
    EXPECT_EQ(back->spatialQuality(), -1);
}
