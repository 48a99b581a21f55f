#include "platform/imaging/GraphicsExporter.h"
#include "catalog/ImageFixtures.h"
#include "platform/imaging/ColorMatching.h"
#include "platform/imaging/GraphicsImporter.h"
#include "platform/ui/ModalAlert.h"
#include "support/FullFileSystem.h"

#include <QColorSpace>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <exiv2/exiv2.hpp>
#include <gtest/gtest.h>

namespace {

QImage gradient(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 255 / width, y * 255 / height, (x ^ y) & 0xFF));
    return image;
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Metadata items as the catalog keeps them: an EXIF block naming a camera maker.
UserData exifItems(const QString& make) {
    Exiv2::ExifData exif;
    exif["Exif.Image.Make"] = make.toStdString();
    exif["Exif.Photo.PixelXDimension"] = uint32_t(4000);
    Exiv2::Blob blob;
    Exiv2::ExifParser::encode(blob, Exiv2::littleEndian, exif);
    UserData items;
    items.addItem(GraphicsImporter::kExifItemType,
                  QByteArray(reinterpret_cast<const char*>(blob.data()), qsizetype(blob.size())));
    return items;
}

} // namespace

TEST(GraphicsExporter, FormatsWithTheirCodes) {
    EXPECT_EQ(GraphicsExporter::formatNames(),
              (QStringList{QStringLiteral("JPEG"), QStringLiteral("PNG"), QStringLiteral("TIFF"),
                           QStringLiteral("BMP")}));
    struct Case {
        const char* name;
        uint32_t fileType;
        uint32_t extension;
        bool settings;
    };
    for (const Case& c : {Case{"JPEG", fourCharCode("JPEG"), fourCharCode("jpg "), true},
                          Case{"PNG", fourCharCode("PNGf"), fourCharCode("png "), false},
                          Case{"TIFF", fourCharCode("TIFF"), fourCharCode("tif "), true},
                          Case{"BMP", fourCharCode("BMPf"), fourCharCode("bmp "), false}}) {
        const auto exporter = GraphicsExporter::open(QString::fromLatin1(c.name));
        ASSERT_TRUE(exporter) << c.name;
        EXPECT_EQ(exporter->defaultFileType(), c.fileType) << c.name;
        EXPECT_EQ(exporter->defaultFileNameExtension(), c.extension) << c.name;
        EXPECT_EQ(exporter->canRequestSettings(), c.settings) << c.name;
    }
    EXPECT_FALSE(GraphicsExporter::open(QStringLiteral("GIF")));
    EXPECT_FALSE(GraphicsExporter::open(QStringLiteral("jpeg")));
}

TEST(GraphicsExporter, CodecQualityMapsLinearlyOntoQtQuality) {
    const std::pair<int, int> cases[] = {{-1, 0},   {0, 0},    {256, 0},    {512, 33},
                                         {640, 50}, {768, 67}, {1024, 100}, {5000, 100}};
    for (const auto& [codec, qt] : cases)
        EXPECT_EQ(qtQualityForCodecQuality(codec), qt) << codec;
}

TEST(GraphicsExporter, SettingsBytesBelongToTheirFormat) {
    const auto jpeg = GraphicsExporter::open(QStringLiteral("JPEG"));
    const auto tiff = GraphicsExporter::open(QStringLiteral("TIFF"));
    const auto png = GraphicsExporter::open(QStringLiteral("PNG"));
    const QByteArray jpegSettings = jpeg->settingsAsBytes();
    const QByteArray tiffSettings = tiff->settingsAsBytes();
    EXPECT_TRUE(jpegSettings.contains("<key>Quality</key>"));
    EXPECT_TRUE(tiffSettings.contains("<key>Compression</key>"));

    EXPECT_EQ(tiff->setSettingsFromBytes(jpegSettings), GraphicsExporter::ParamError);
    EXPECT_EQ(png->setSettingsFromBytes(jpegSettings), GraphicsExporter::ParamError);
    EXPECT_EQ(jpeg->setSettingsFromBytes("not a property list"), GraphicsExporter::ParamError);
    QByteArray outOfRange = jpegSettings;
    outOfRange.replace("<integer>768</integer>", "<integer>4096</integer>");
    ASSERT_NE(outOfRange, jpegSettings);
    EXPECT_EQ(jpeg->setSettingsFromBytes(outOfRange), GraphicsExporter::ParamError);
    EXPECT_EQ(jpeg->settingsAsBytes(), jpegSettings);

    QByteArray low = jpegSettings;
    low.replace("<integer>768</integer>", "<integer>256</integer>");
    EXPECT_EQ(jpeg->setSettingsFromBytes(low), GraphicsExporter::NoError);
    EXPECT_EQ(jpeg->settingsAsBytes(), low);
    EXPECT_EQ(png->setSettingsFromBytes(png->settingsAsBytes()), GraphicsExporter::NoError);
}

TEST(GraphicsExporter, SettingsDialogsAreAnsweredThroughTheDialogSeam) {
    const auto jpeg = GraphicsExporter::open(QStringLiteral("JPEG"));
    const QByteArray before = jpeg->settingsAsBytes();
    int shown = 0;
    {
        // Cancelled: nothing changes.
        ModalAlert::ScopedDialogResponder responder([&](QDialog& dialog) {
            ++shown;
            dialog.show();
            auto* slider = dialog.findChild<QSlider*>(QStringLiteral("quality"));
            EXPECT_TRUE(slider);
            if (slider)
                QTest::keyClick(slider, Qt::Key_Home);
            auto* box = dialog.findChild<QDialogButtonBox*>();
            QTest::mouseClick(box->button(QDialogButtonBox::Cancel), Qt::LeftButton);
            return dialog.result();
        });
        EXPECT_EQ(jpeg->requestSettings(), GraphicsExporter::UserCanceledError);
    }
    EXPECT_EQ(jpeg->settingsAsBytes(), before);
    {
        ModalAlert::ScopedDialogResponder responder([&](QDialog& dialog) {
            ++shown;
            dialog.show();
            auto* slider = dialog.findChild<QSlider*>(QStringLiteral("quality"));
            EXPECT_EQ(slider->value(), GraphicsExporter::kCodecHighQuality);
            QTest::keyClick(slider, Qt::Key_End);
            auto* box = dialog.findChild<QDialogButtonBox*>();
            QTest::mouseClick(box->button(QDialogButtonBox::Ok), Qt::LeftButton);
            return dialog.result();
        });
        EXPECT_EQ(jpeg->requestSettings(), GraphicsExporter::NoError);
    }
    EXPECT_TRUE(jpeg->settingsAsBytes().contains("<integer>1024</integer>"));

    const auto tiff = GraphicsExporter::open(QStringLiteral("TIFF"));
    {
        ModalAlert::ScopedDialogResponder responder([&](QDialog& dialog) {
            ++shown;
            dialog.show();
            auto* compression = dialog.findChild<QComboBox*>(QStringLiteral("compression"));
            EXPECT_EQ(compression->currentText(), QStringLiteral("LZW"));
            compression->setFocus();
            QTest::keyClick(compression, Qt::Key_Up);
            auto* box = dialog.findChild<QDialogButtonBox*>();
            QTest::mouseClick(box->button(QDialogButtonBox::Ok), Qt::LeftButton);
            return dialog.result();
        });
        EXPECT_EQ(tiff->requestSettings(), GraphicsExporter::NoError);
    }
    EXPECT_TRUE(tiff->settingsAsBytes().contains("<integer>0</integer>"));
    EXPECT_EQ(shown, 3);

    // A format without settings shows no dialog.
    ModalAlert::ScopedDialogResponder never([&](QDialog&) {
        ADD_FAILURE() << "no dialog expected";
        return int(QDialog::Rejected);
    });
    EXPECT_EQ(GraphicsExporter::open(QStringLiteral("PNG"))->requestSettings(),
              GraphicsExporter::ParamError);
}

TEST(GraphicsExporter, EveryFormatWritesItsPixelsAndResolution) {
    QTemporaryDir dir;
    QImage picture = gradient(40, 30);
    picture.setDotsPerMeterX(11811); // 300 dpi
    picture.setDotsPerMeterY(11811);
    for (const QString& name : GraphicsExporter::formatNames()) {
        const auto exporter = GraphicsExporter::open(name);
        const QString path = dir.filePath(QStringLiteral("out.") + name);
        ASSERT_EQ(exporter->exportImage(picture, path), GraphicsExporter::NoError)
            << qPrintable(name);
        QImageReader reader(path);
        EXPECT_EQ(reader.format(),
                  name == QStringLiteral("JPEG") ? QByteArray("jpeg") : name.toLower().toLatin1());
        const QImage back = reader.read();
        EXPECT_EQ(back.size(), picture.size()) << qPrintable(name);
        EXPECT_NEAR(back.dotsPerMeterX(), 11811, 40) << qPrintable(name);
        if (name != QStringLiteral("JPEG")) {
            EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32), picture) << qPrintable(name);
        }
    }
    // No temporary file is left beside the written ones.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(),
              GraphicsExporter::formatNames().size());
}

TEST(GraphicsExporter, ProfileExifAndThumbnailReadBackInEveryFormatThatHoldsThem) {
    QTemporaryDir dir;
    const QByteArray profile = defaultRGBProfile();
    for (const QString& name :
         {QStringLiteral("JPEG"), QStringLiteral("PNG"), QStringLiteral("TIFF")}) {
        const auto exporter = GraphicsExporter::open(name);
        exporter->setColorProfile(profile);
        exporter->setExifEnabled(true);
        exporter->setMetaData(exifItems(QStringLiteral("Maker Ltd")));
        exporter->setThumbnailSize(QSize(96, 96));
        const QString path = dir.filePath(QStringLiteral("meta.") + name);
        ASSERT_EQ(exporter->exportImage(gradient(300, 200), path), GraphicsExporter::NoError)
            << qPrintable(name);
        const MetadataReadBack back = readMetadataBack(path);
        EXPECT_EQ(back.profile, profile) << qPrintable(name);
        EXPECT_EQ(back.make, QStringLiteral("Maker Ltd")) << qPrintable(name);
        EXPECT_EQ(back.thumbnail, QSize(96, 64)) << qPrintable(name);
        // The pixels are still readable, and of the right size; Qt's readers find the profile too.
        const QImage pixels(path);
        EXPECT_EQ(pixels.size(), QSize(300, 200)) << qPrintable(name);
        EXPECT_EQ(pixels.colorSpace().iccProfile(), profile) << qPrintable(name);
    }
    // BMP files hold pixels only.
    const auto bmp = GraphicsExporter::open(QStringLiteral("BMP"));
    bmp->setColorProfile(profile);
    bmp->setExifEnabled(true);
    bmp->setMetaData(exifItems(QStringLiteral("Maker Ltd")));
    const QString path = dir.filePath(QStringLiteral("plain.bmp"));
    ASSERT_EQ(bmp->exportImage(gradient(30, 20), path), GraphicsExporter::NoError);
    EXPECT_EQ(QImage(path).size(), QSize(30, 20));
}

TEST(GraphicsExporter, HigherCodecQualityGivesACloserJpeg) {
    QTemporaryDir dir;
    const QImage picture = gradient(128, 128);
    auto errorAt = [&](int quality, qint64& size) {
        const auto exporter = GraphicsExporter::open(QStringLiteral("JPEG"));
        exporter->setCompressionQuality(quality);
        const QString path = dir.filePath(QStringLiteral("q%1.jpg").arg(quality));
        EXPECT_EQ(exporter->exportImage(picture, path), GraphicsExporter::NoError);
        size = QFileInfo(path).size();
        const QImage back = QImage(path).convertToFormat(QImage::Format_RGB32);
        double error = 0;
        for (int y = 0; y < 128; ++y)
            for (int x = 0; x < 128; ++x)
                error += std::abs(qRed(back.pixel(x, y)) - qRed(picture.pixel(x, y)));
        return error;
    };
    qint64 lowSize = 0, highSize = 0;
    const double low = errorAt(GraphicsExporter::kCodecNormalQuality, lowSize);
    const double high = errorAt(GraphicsExporter::kCodecLosslessQuality, highSize);
    EXPECT_LT(high, low);
    EXPECT_GT(highSize, lowSize);
}

TEST(GraphicsExporter, AFailedWriteLeavesTheOldFileAsItWas) {
    const QImage big = gradient(600, 600);
    EXPECT_TRUE(inEachFullFileSystem(64 * 1024, [&](FullFileSystem& full) {
        const auto exporter = GraphicsExporter::open(QStringLiteral("BMP"));
        const QString path = full.filePath(QStringLiteral("photo.bmp"));
        ASSERT_EQ(exporter->exportImage(gradient(20, 20), path), GraphicsExporter::NoError);
        const QByteArray old = readAll(path);
        ASSERT_FALSE(old.isEmpty());

        EXPECT_EQ(exporter->exportImage(big, path), GraphicsExporter::DiskFullError);
        EXPECT_EQ(readAll(path), old);
        // A failed write into a new name leaves nothing there, nor anything beside it.
        const QString fresh = full.filePath(QStringLiteral("fresh.bmp"));
        EXPECT_EQ(exporter->exportImage(big, fresh), GraphicsExporter::DiskFullError);
        EXPECT_FALSE(QFile::exists(fresh));
        EXPECT_EQ(QFileInfo(path).dir().entryList(QDir::Files | QDir::Hidden),
                  QStringList{QStringLiteral("photo.bmp")});
    }));
}

TEST(GraphicsExporter, ErrorsOfTheDestination) {
    QTemporaryDir dir;
    const auto exporter = GraphicsExporter::open(QStringLiteral("PNG"));
    EXPECT_EQ(exporter->exportImage(gradient(4, 4), dir.filePath(QStringLiteral("none/x.png"))),
              GraphicsExporter::FolderNotFoundError);
    EXPECT_EQ(exporter->exportImage(QImage(), dir.filePath(QStringLiteral("x.png"))),
              GraphicsExporter::ParamError);
    EXPECT_EQ(exporter->exportImage(gradient(4, 4), dir.path()), GraphicsExporter::IOError);

    // An existing file keeps its permissions.
    const QString path = dir.filePath(QStringLiteral("kept.png"));
    ASSERT_EQ(exporter->exportImage(gradient(4, 4), path), GraphicsExporter::NoError);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    ASSERT_EQ(exporter->exportImage(gradient(8, 8), path), GraphicsExporter::NoError);
    // Owner, group and others; not the bits for whoever runs the test.
    const QFile::Permissions modeBits = QFile::Permissions::fromInt(0x7077);
    EXPECT_EQ(QFile::permissions(path) & modeBits,
              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    EXPECT_EQ(QImage(path).size(), QSize(8, 8));
}
