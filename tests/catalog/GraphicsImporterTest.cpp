#include "platform/imaging/GraphicsImporter.h"

#include "ImageFixtures.h"

#include <QFile>
#include <QTemporaryDir>
#include <exiv2/exiv2.hpp>
#include <gtest/gtest.h>

namespace {

class GraphicsImporterTest : public ::testing::Test {
protected:
    QString path(const QString& name) const { return dir.filePath(name); }
    QTemporaryDir dir;
};

QImage drawn(GraphicsImporter& importer, QSize size, QPoint origin) {
    QImage world(size, QImage::Format_ARGB32);
    world.fill(Qt::white);
    importer.setGWorld(&world, origin);
    return importer.draw() ? world : QImage();
}

} // namespace

TEST_F(GraphicsImporterTest, OpensOnlyReadableImages) {
    QFile text(path("notes.jpg"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("This is not a picture at all, whatever its name says.");
    text.close();
    EXPECT_EQ(GraphicsImporter::forFile(path("notes.jpg")), nullptr);
    EXPECT_EQ(GraphicsImporter::forFile(path("missing.png")), nullptr);
    EXPECT_EQ(GraphicsImporter::forFile(QString()), nullptr);

    for (const char* format : {"jpeg", "png", "tiff"}) {
        // The content decides, not the name.
        const QString file =
            writeImage(path(QString("picture-%1.img").arg(format)), quadrantImage(40, 30), format);
        auto importer = GraphicsImporter::forFile(file);
        ASSERT_NE(importer, nullptr) << format;
        EXPECT_EQ(importer->naturalBounds(), QRect(0, 0, 40, 30)) << format;
        EXPECT_EQ(importer->componentName(), QString(format).toUpper()) << format;
    }
}

TEST_F(GraphicsImporterTest, EmbeddedThumbnailIsImageTwo) {
    const QString withThumbnail = writeImage(path("a.jpg"), solidImage(200, 150, Qt::red), "jpeg");
    ASSERT_TRUE(addExif(withThumbnail, "Cam", solidImage(80, 60, Qt::blue)));
    auto importer = GraphicsImporter::forFile(withThumbnail);
    ASSERT_NE(importer, nullptr);
    EXPECT_EQ(importer->imageCount(), 2);
    EXPECT_FALSE(importer->setImageIndex(3));
    ASSERT_TRUE(importer->setImageIndex(2));
    EXPECT_EQ(importer->naturalBounds(), QRect(0, 0, 80, 60));
    const std::optional<UserData> metadata = importer->metaData();
    ASSERT_TRUE(metadata);
    EXPECT_EQ(metadata->item(GraphicsImporter::kThumbnailItemType), QByteArray("n=th"));
    ASSERT_TRUE(importer->setBoundsRect(QRect(0, 0, 80, 60)));
    const QImage thumbnail = drawn(*importer, QSize(80, 60), QPoint(0, 0));
    EXPECT_TRUE(near(thumbnail.pixel(40, 30), Qt::blue));

    const QString without = writeImage(path("b.jpg"), solidImage(200, 150, Qt::red), "jpeg");
    ASSERT_TRUE(addExif(without, "Cam"));
    auto plain = GraphicsImporter::forFile(without);
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(plain->imageCount(), 1);
    EXPECT_FALSE(plain->setImageIndex(2));
    EXPECT_EQ(plain->imageIndex(), 1);
}

TEST_F(GraphicsImporterTest, MetadataAndEmbeddedProfile) {
    const QString file = writeImage(path("c.jpg"), solidImage(40, 30, Qt::red), "jpeg");
    ASSERT_TRUE(addExif(file, "Lumisk Test Camera"));
    ASSERT_TRUE(embedProfile(file, adobeRGBProfile()));
    auto importer = GraphicsImporter::forFile(file);
    ASSERT_NE(importer, nullptr);
    EXPECT_EQ(importer->colorProfile(), adobeRGBProfile());

    const std::optional<UserData> metadata = importer->metaData();
    ASSERT_TRUE(metadata);
    const std::optional<QByteArray> exif = metadata->item(GraphicsImporter::kExifItemType);
    ASSERT_TRUE(exif);
    Exiv2::ExifData decoded;
    Exiv2::ExifParser::decode(decoded, reinterpret_cast<const Exiv2::byte*>(exif->constData()),
                              uint32_t(exif->size()));
    EXPECT_EQ(decoded["Exif.Image.Make"].toString(), "Lumisk Test Camera");
    const auto description = importer->imageDescription();
    ASSERT_TRUE(description);
    EXPECT_EQ(description->codecType, fourCharCode("jpeg"));
    EXPECT_EQ(description->spatialQuality, GraphicsImporter::kCodecNormalQuality);

    auto png =
        GraphicsImporter::forFile(writeImage(path("d.png"), solidImage(4, 4, Qt::red), "png"));
    ASSERT_NE(png, nullptr);
    EXPECT_TRUE(png->colorProfile().isEmpty());
    ASSERT_TRUE(png->metaData());
    EXPECT_TRUE(png->metaData()->isEmpty());
    EXPECT_EQ(png->imageDescription()->spatialQuality, GraphicsImporter::kCodecLosslessQuality);
}

TEST_F(GraphicsImporterTest, DrawsThroughTheMatrixIntoAnOffsetDestination) {
    auto importer =
        GraphicsImporter::forFile(writeImage(path("q.png"), quadrantImage(40, 30), "png"));
    ASSERT_NE(importer, nullptr);

    ASSERT_TRUE(importer->setBoundsRect(QRect(100, 50, 20, 16)));
    EXPECT_EQ(importer->boundsRect(), QRect(100, 50, 20, 16));
    QImage world = drawn(*importer, QSize(24, 20), QPoint(100, 50));
    EXPECT_TRUE(near(world.pixel(4, 4), kTopLeft));
    EXPECT_TRUE(near(world.pixel(15, 4), kTopRight));
    EXPECT_TRUE(near(world.pixel(4, 12), kBottomLeft));
    EXPECT_TRUE(near(world.pixel(15, 12), kBottomRight));
    EXPECT_EQ(world.pixel(22, 18), qRgb(255, 255, 255));

    // An angle other than a quarter turn is resampled; the corners stay white.
    QTransform turn;
    turn.translate(20, 15);
    turn.rotate(45);
    turn.translate(-20, -15);
    importer->setMatrix(turn);
    world = drawn(*importer, QSize(40, 30), QPoint(0, 0));
    EXPECT_EQ(world.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(world.pixel(39, 29), qRgb(255, 255, 255));
    EXPECT_NE(world.pixel(20, 10), qRgb(255, 255, 255));
}

TEST_F(GraphicsImporterTest, MatchesToTheDestinationProfileUnlessTurnedOff) {
    auto importer =
        GraphicsImporter::forFile(writeImage(path("r.png"), solidImage(8, 8, Qt::red), "png"));
    ASSERT_NE(importer, nullptr);
    importer->setBoundsRect(QRect(0, 0, 8, 8));
    importer->setDestinationColorProfile(adobeRGBProfile());
    // sRGB red lies inside Adobe RGB, at about 219.
    const QRgb matched = drawn(*importer, QSize(8, 8), QPoint(0, 0)).pixel(4, 4);
    EXPECT_TRUE(near(matched, QColor(219, 0, 0), 4)) << std::hex << matched;

    importer->setFlags(GraphicsImporter::kDontUseColorMatching);
    EXPECT_EQ(drawn(*importer, QSize(8, 8), QPoint(0, 0)).pixel(4, 4), qRgb(255, 0, 0));
}

TEST_F(GraphicsImporterTest, FileExtensions) {
    const QStringList extensions = GraphicsImporter::fileExtensions();
    for (const char* extension : {"jpg", "jpeg", "png", "tif", "tiff"})
        EXPECT_TRUE(extensions.contains(extension)) << extension;
}

TEST_F(GraphicsImporterTest, JpegsDrawnAtAnySizeKeepTheirPixelsAndTheDestination) {
    const QString jpeg = writeImage(path("q.jpg"), quadrantImage(64, 48), "jpeg");
    const QImage reference = QImage(jpeg).convertToFormat(QImage::Format_RGB32);
    struct Case {
        const char* name;
        QSize destination;
        QRect bounds;
    };
    for (const Case& c : {Case{"natural size, in place", {64, 48}, {0, 0, 64, 48}},
                          Case{"scaled", {32, 24}, {0, 0, 32, 24}},
                          Case{"smaller than the destination", {70, 50}, {0, 0, 64, 48}}}) {
        SCOPED_TRACE(c.name);
        auto importer = GraphicsImporter::forFile(jpeg);
        ASSERT_NE(importer, nullptr);
        ASSERT_TRUE(importer->setBoundsRect(c.bounds));
        QImage world(c.destination, QImage::Format_ARGB32);
        world.fill(Qt::white);
        const uchar* bits = world.constBits();
        importer->setGWorld(&world, QPoint(0, 0));
        ASSERT_TRUE(importer->draw());
        EXPECT_EQ(world.constBits(), bits);
        EXPECT_EQ(world.format(), QImage::Format_ARGB32);
        EXPECT_EQ(qAlpha(world.pixel(c.bounds.width() - 1, c.bounds.height() - 1)), 255);
        if (c.bounds.size() == reference.size()) {
            for (int y = 0; y < reference.height(); y += 7)
                for (int x = 0; x < reference.width(); x += 5)
                    ASSERT_EQ(world.pixel(x, y), reference.pixel(x, y)) << x << "," << y;
        } else {
            EXPECT_TRUE(near(world.pixel(2, 2), kTopLeft));
        }
        if (c.destination.width() > c.bounds.width()) {
            EXPECT_EQ(world.pixel(c.destination.width() - 1, 0), qRgb(255, 255, 255));
        }
    }

    // Matching applies when the picture fills the destination too.
    auto red =
        GraphicsImporter::forFile(writeImage(path("r.jpg"), solidImage(16, 16, Qt::red), "jpeg"));
    ASSERT_NE(red, nullptr);
    red->setBoundsRect(QRect(0, 0, 16, 16));
    red->setDestinationColorProfile(adobeRGBProfile());
    EXPECT_TRUE(near(drawn(*red, QSize(16, 16), QPoint(0, 0)).pixel(8, 8), QColor(219, 0, 0), 6));
}
