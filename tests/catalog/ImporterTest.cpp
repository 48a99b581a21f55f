#include "catalog/Importer.h"

#include "ImageFixtures.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/imaging/ColorMatching.h"
#include "platform/imaging/GraphicsImporter.h"
#include "platform/imaging/UserData.h"
#include "support/TestHost.h"

#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>

namespace {

class ImporterTest : public ::testing::Test {
protected:
    QString path(const QString& name) const { return dir.filePath(name); }

    Image decode(const QString& file, Size size, float rotation = 0, float brightness = 1.0f,
                 bool colorSync = false) {
        auto importer = Importer::initWithFile(file);
        if (!importer)
            return {};
        importer->setRotationAngle(rotation);
        importer->setBrightness(brightness);
        importer->setUsesColorSync(colorSync);
        return importer->getImageWithSize(size);
    }

    void useDisplayProfile(const QByteArray& profile, const char* name = "display.icc") {
        QFile file(path(QString::fromLatin1(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(profile);
        file.close();
        UserDefaults::standardUserDefaults().setObjectForKey(file.fileName(),
                                                             kDisplayProfilePathKey);
    }

    TestHost host;
    QTemporaryDir dir;
};

struct Quadrants {
    QColor topLeft, topRight, bottomLeft, bottomRight;
};

// Samples the middle of each quadrant and checks that no white border shows.
void expectQuadrants(const QImage& image, const Quadrants& q, const char* what) {
    const int w = image.width(), h = image.height();
    EXPECT_TRUE(near(image.pixel(w / 4, h / 4), q.topLeft)) << what;
    EXPECT_TRUE(near(image.pixel(3 * w / 4, h / 4), q.topRight)) << what;
    EXPECT_TRUE(near(image.pixel(w / 4, 3 * h / 4), q.bottomLeft)) << what;
    EXPECT_TRUE(near(image.pixel(3 * w / 4, 3 * h / 4), q.bottomRight)) << what;
    for (QPoint corner : {QPoint(0, 0), QPoint(w - 1, 0), QPoint(0, h - 1), QPoint(w - 1, h - 1)})
        EXPECT_NE(image.pixel(corner), qRgb(255, 255, 255)) << what;
}

const Quadrants kUpright{kTopLeft, kTopRight, kBottomLeft, kBottomRight};

} // namespace

TEST_F(ImporterTest, OpensOnlyReadableImages) {
    QFile text(path("list.png"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("1. bread\n2. milk\n");
    text.close();
    EXPECT_EQ(Importer::initWithFile(path("list.png")), nullptr);
    EXPECT_EQ(Importer::initWithFile(path("missing.jpg")), nullptr);
}

TEST_F(ImporterTest, NaturalSizeAndNaturalDecode) {
    for (const char* format : {"jpeg", "png", "tiff"}) {
        const QString file =
            writeImage(path(QString("q.%1").arg(format)), quadrantImage(160, 120), format);
        auto importer = Importer::initWithFile(file);
        ASSERT_NE(importer, nullptr) << format;
        EXPECT_EQ(importer->size(), (Size{160, 120})) << format;
        const Image picture = importer->getImageWithSize(kZeroSize);
        ASSERT_FALSE(picture.isNull()) << format;
        EXPECT_EQ(picture.pixelSize(), QSize(160, 120)) << format;
        EXPECT_EQ(picture.size(), (Size{160, 120})) << format;
        EXPECT_EQ(picture.pixels().format(), QImage::Format_RGBX8888) << format;
        expectQuadrants(picture.pixels(), kUpright, format);
    }
}

TEST_F(ImporterTest, RequestedSizeAndUnusableRequests) {
    const QString file = writeImage(path("q.png"), quadrantImage(160, 120), "png");
    const Image smaller = decode(file, Size{80, 60});
    ASSERT_EQ(smaller.pixelSize(), QSize(80, 60));
    expectQuadrants(smaller.pixels(), kUpright, "80 x 60");
    const Image larger = decode(file, Size{321.9f, 240.5f});
    ASSERT_EQ(larger.pixelSize(), QSize(321, 240));
    expectQuadrants(larger.pixels(), kUpright, "321 x 240");

    for (Size unusable : {Size{-5, 10}, Size{0, 10}, Size{40000, 40000}, Size{NAN, 10}})
        EXPECT_TRUE(decode(file, unusable).isNull()) << unusable.width << " " << unusable.height;
}

TEST_F(ImporterTest, RotationLandsInTheDestination) {
    struct Case {
        float rotation;
        Size requested;
        Quadrants expected;
    };
    // Positive angles turn clockwise.
    const Case cases[] = {
        {90, {60, 80}, {kBottomLeft, kTopLeft, kBottomRight, kTopRight}},
        {180, {80, 60}, {kBottomRight, kBottomLeft, kTopRight, kTopLeft}},
        {270, {60, 80}, {kTopRight, kBottomRight, kTopLeft, kBottomLeft}},
        {-90, {60, 80}, {kTopRight, kBottomRight, kTopLeft, kBottomLeft}},
    };
    const QString file = writeImage(path("q.png"), quadrantImage(160, 120), "png");
    for (const Case& c : cases) {
        const std::string what = std::to_string(int(c.rotation));
        const Image picture = decode(file, c.requested, c.rotation);
        ASSERT_EQ(picture.pixelSize(), c.requested.toQSizeF().toSize()) << what;
        expectQuadrants(picture.pixels(), c.expected, what.c_str());

        // Thumbnails turn their pixels afterwards and end up the same way.
        auto importer = Importer::initWithFile(file);
        importer->setRotationAngle(c.rotation);
        const Image thumbnail = importer->getThumbnailWithSize(c.requested);
        ASSERT_EQ(thumbnail.pixelSize(), c.requested.toQSizeF().toSize()) << what;
        expectQuadrants(thumbnail.pixels(), c.expected, ("thumbnail " + what).c_str());
    }
}

TEST_F(ImporterTest, PortraitRequestOfALandscapePictureWithoutRotation) {
    // The bounds are exchanged to 80 x 60 and centred, so the picture is cut at
    // the sides and white shows above and below.
    const QString file = writeImage(path("q.png"), quadrantImage(160, 120), "png");
    const QImage pixels = decode(file, Size{60, 80}).pixels();
    ASSERT_EQ(pixels.size(), QSize(60, 80));
    EXPECT_EQ(pixels.pixel(30, 5), qRgb(255, 255, 255));
    EXPECT_EQ(pixels.pixel(30, 75), qRgb(255, 255, 255));
    EXPECT_TRUE(near(pixels.pixel(5, 20), kTopLeft));
    EXPECT_TRUE(near(pixels.pixel(55, 20), kTopRight));
    EXPECT_TRUE(near(pixels.pixel(5, 60), kBottomLeft));
    EXPECT_TRUE(near(pixels.pixel(55, 60), kBottomRight));
}

TEST_F(ImporterTest, CacheIsReusedWhenOnlyAnAdjustmentChanges) {
    const QString file = writeImage(path("p.png"), solidImage(40, 30, Qt::red), "png");
    const QString other = writeImage(path("o.png"), solidImage(40, 30, Qt::blue), "png");
    EXPECT_EQ(decode(file, Size{40, 30}).pixels().pixel(5, 5), qRgb(255, 0, 0));
    EXPECT_TRUE(Importer::isGWorldCached(file));

    // The file changes behind the cache's back: a hit shows the old pixels.
    writeImage(file, solidImage(40, 30, Qt::green), "png");
    EXPECT_EQ(decode(file, Size{40, 30}, 0, 0.5f).pixels().pixel(5, 5), qRgb(127, 0, 0));
    // Another size or rotation decodes again.
    EXPECT_EQ(decode(file, Size{20, 15}).pixels().pixel(5, 5), qRgb(0, 255, 0));
    writeImage(file, solidImage(40, 30, Qt::red), "png");
    EXPECT_EQ(decode(file, Size{20, 15}, 180).pixels().pixel(5, 5), qRgb(255, 0, 0));

    Importer::flushCachedGWorld(other);
    EXPECT_TRUE(Importer::isGWorldCached(file));
    Importer::flushCachedGWorld(file);
    EXPECT_FALSE(Importer::isGWorldCached(file));
    writeImage(file, solidImage(40, 30, Qt::green), "png");
    EXPECT_EQ(decode(file, Size{20, 15}, 180).pixels().pixel(5, 5), qRgb(0, 255, 0));
    decode(other, Size{40, 30});
    EXPECT_FALSE(Importer::isGWorldCached(file));
    EXPECT_TRUE(Importer::isGWorldCached(other));
}

TEST_F(ImporterTest, ColourMatchingToTheDisplayProfile) {
    useDisplayProfile(adobeRGBProfile());
    const QString file = writeImage(path("red.png"), solidImage(40, 30, Qt::red), "png");

    const Image raw = decode(file, Size{40, 30});
    EXPECT_EQ(raw.pixels().pixel(5, 5), qRgb(255, 0, 0));
    EXPECT_TRUE(raw.iccProfile().isEmpty());

    // The colour-matching flag is part of the cache key.
    auto importer = Importer::initWithFile(file);
    importer->setUsesColorSync(true);
    const Image matched = importer->getImageWithSize(Size{40, 30});
    const QRgb pixel = matched.pixels().pixel(5, 5);
    EXPECT_TRUE(near(pixel, QColor(219, 0, 0), 4)) << std::hex << pixel;
    EXPECT_EQ(matched.iccProfile(), adobeRGBProfile());
    EXPECT_TRUE(importer->getComponentInfo().value(kHadColorSyncKey).toBool());

    // A hit gives the same picture as the decode, profile included.
    importer = Importer::initWithFile(file);
    importer->setUsesColorSync(true);
    importer->setContrast(1.0f);
    const Image again = importer->getImageWithSize(Size{40, 30});
    EXPECT_EQ(again, matched);
    EXPECT_TRUE(importer->getComponentInfo().value(kHadColorSyncKey).toBool());

    // Systems before the importer matched colours itself get the same result.
    Importer::flushCachedGWorld(file);
    host.systemVersion = 0x1029;
    const Image early = decode(file, Size{40, 30}, 0, 1.0f, true);
    EXPECT_TRUE(near(early.pixels().pixel(5, 5), QColor(pixel), 1));
    EXPECT_EQ(early.iccProfile(), adobeRGBProfile());
}

TEST_F(ImporterTest, AChangedDisplayProfileIsDecodedAgain) {
    useDisplayProfile(adobeRGBProfile());
    const QString file = writeImage(path("red.png"), solidImage(40, 30, Qt::red), "png");
    const Image adobe = decode(file, Size{40, 30}, 0, 1.0f, true);
    ASSERT_EQ(adobe.iccProfile(), adobeRGBProfile());

    // The user picks another display profile; the file is not touched.
    ASSERT_TRUE(isRGBProfile(wideGamutProfile()));
    useDisplayProfile(wideGamutProfile(), "wide.icc");
    const Image changed = decode(file, Size{40, 30}, 0, 1.0f, true);
    Importer::flushCachedGWorld(file);
    const Image fresh = decode(file, Size{40, 30}, 0, 1.0f, true);
    EXPECT_EQ(changed, fresh);
    EXPECT_EQ(changed.iccProfile(), wideGamutProfile());
    EXPECT_FALSE(near(changed.pixels().pixel(5, 5), QColor(adobe.pixels().pixel(5, 5)), 4))
        << std::hex << changed.pixels().pixel(5, 5);
}

TEST_F(ImporterTest, EmbeddedProfileTravelsWithThePicture) {
    const QString file = writeImage(path("tagged.jpg"), solidImage(40, 30, Qt::red), "jpeg");
    ASSERT_TRUE(embedProfile(file, adobeRGBProfile()));
    const Image first = decode(file, Size{40, 30});
    EXPECT_EQ(first.iccProfile(), adobeRGBProfile());
    const Image hit = decode(file, Size{40, 30}, 0, 0.8f);
    EXPECT_EQ(hit.iccProfile(), adobeRGBProfile());

    // Only an RGB profile describes the decoded pixels.
    const QString grey = writeImage(path("grey.jpg"), solidImage(40, 30, Qt::gray), "jpeg");
    ASSERT_TRUE(embedProfile(grey, grayProfile()));
    auto importer = Importer::initWithFile(grey);
    ASSERT_FALSE(importer->getImageWithSize(Size{40, 30}).isNull());
    EXPECT_FALSE(importer->getComponentInfo().value(kHadColorSyncKey).toBool());
}

TEST_F(ImporterTest, ThumbnailComesFromTheEmbeddedThumbnail) {
    const QString with = writeImage(path("with.jpg"), solidImage(320, 240, Qt::red), "jpeg");
    ASSERT_TRUE(addExif(with, "Cam", solidImage(160, 120, Qt::blue)));
    const QString without = writeImage(path("without.jpg"), solidImage(320, 240, Qt::red), "jpeg");

    auto importer = Importer::initWithFile(with);
    ASSERT_NE(importer, nullptr);
    const Image thumbnail = importer->getThumbnailWithSize(Size{160, 120});
    ASSERT_EQ(thumbnail.pixelSize(), QSize(160, 120));
    EXPECT_TRUE(near(thumbnail.pixels().pixel(80, 60), Qt::blue));
    EXPECT_EQ(importer->getThumbnailWithSize(kZeroSize).pixelSize(), QSize(160, 120));
    EXPECT_TRUE(near(importer->getImageWithSize(Size{160, 120}).pixels().pixel(80, 60), Qt::red));
    EXPECT_TRUE(importer->getComponentInfo().value(kHadThumbnailKey).toBool());

    auto plain = Importer::initWithFile(without);
    EXPECT_TRUE(near(plain->getThumbnailWithSize(Size{160, 120}).pixels().pixel(80, 60), Qt::red));
    EXPECT_FALSE(plain->getComponentInfo().value(kHadThumbnailKey).toBool());
    // Thumbnails leave the cache alone.
    EXPECT_FALSE(Importer::isGWorldCached(without));
}

TEST_F(ImporterTest, ComponentInformation) {
    const QString jpeg = writeImage(path("Photo.JPG"), solidImage(40, 30, Qt::red), "jpeg");
    ASSERT_TRUE(addExif(jpeg, "Cam", solidImage(16, 12, Qt::red)));
    QVariantMap info = Importer::initWithFile(jpeg)->getComponentInfo();
    EXPECT_EQ(info.value(kComponentNameKey), QString("JPEG"));
    EXPECT_EQ(info.value(kCodecTypeKey), int(fourCharCode("jpeg")));
    EXPECT_EQ(info.value(kSpatialQualityKey), int(GraphicsImporter::kCodecNormalQuality));
    EXPECT_EQ(info.value(kHadColorSyncKey), false);
    EXPECT_EQ(info.value(kHadThumbnailKey), true);
    EXPECT_EQ(info.value(kFileTypeKey), 0);
    EXPECT_EQ(info.value(kExtensionKey), QString("jpg"));
    EXPECT_EQ(info.size(), 7);

    const QString png = writeImage(path("shot.png"), solidImage(4, 4, Qt::red), "png");
    info = Importer::initWithFile(png)->getComponentInfo();
    EXPECT_EQ(info.value(kComponentNameKey), QString("PNG"));
    EXPECT_EQ(info.value(kCodecTypeKey), int(fourCharCode("png ")));
    EXPECT_EQ(info.value(kSpatialQualityKey), int(GraphicsImporter::kCodecLosslessQuality));
    EXPECT_EQ(info.value(kHadThumbnailKey), false);
    EXPECT_EQ(info.value(kExtensionKey), QString("png"));
}

TEST_F(ImporterTest, MetaDataIsTheFlattenedMetadata) {
    const QString jpeg = writeImage(path("m.jpg"), solidImage(40, 30, Qt::red), "jpeg");
    ASSERT_TRUE(addExif(jpeg, "Lumisk Test Camera"));
    const std::optional<UserData> items =
        UserData::fromFlattened(Importer::initWithFile(jpeg)->getMetaData());
    ASSERT_TRUE(items);
    const std::optional<QByteArray> exif = items->item(GraphicsImporter::kExifItemType);
    ASSERT_TRUE(exif);
    EXPECT_TRUE(exif->contains("Lumisk Test Camera"));

    const QString png = writeImage(path("m.png"), solidImage(4, 4, Qt::red), "png");
    EXPECT_TRUE(Importer::initWithFile(png)->getMetaData().isEmpty());
}

TEST_F(ImporterTest, RedEyeIsCorrectedInTheDecodedPicture) {
    const QString file = writeImage(path("eye.png"), solidImage(32, 32, Qt::red), "png");
    const float frame[4] = {0, 0, 32, 32}, spot[4] = {0, 0, 16, 16};
    auto importer = Importer::initWithFile(file);
    importer->setRedEyeArray({QByteArray(reinterpret_cast<const char*>(frame), sizeof frame),
                              QByteArray(reinterpret_cast<const char*>(spot), sizeof spot)});
    const QImage pixels = importer->getImageWithSize(kZeroSize).pixels();
    EXPECT_EQ(pixels.pixel(8, 23), qRgb(0, 0, 0));
    EXPECT_EQ(pixels.pixel(8, 8), qRgb(255, 0, 0));
}

TEST_F(ImporterTest, ValidExtensions) {
    const QStringList extensions = Importer::validExtensions();
    for (const char* extension : {"jpg", "jpeg", "png", "tif", "tiff"})
        EXPECT_TRUE(extensions.contains(extension)) << extension;
}
