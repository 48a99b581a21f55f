#include "utilities/ImageUtilities.h"

#include <gtest/gtest.h>

namespace {

const QRgb kRed = qRgb(255, 0, 0), kGreen = qRgb(0, 255, 0), kBlue = qRgb(0, 0, 255),
           kWhite = qRgb(255, 255, 255);

// 40 × 30 pixels at 144 dpi (20 × 15 points): red top-left, green top-right,
// blue bottom-left, white elsewhere.
Image corners() {
    QImage pixels(40, 30, QImage::Format_ARGB32);
    pixels.fill(kWhite);
    pixels.setPixel(0, 0, kRed);
    pixels.setPixel(39, 0, kGreen);
    pixels.setPixel(0, 29, kBlue);
    Image image(pixels, {20, 15});
    image.setIccProfile(QByteArrayLiteral("profile"));
    return image;
}

void expectSame(const Image& a, const Image& b) {
    EXPECT_EQ(a.size(), b.size());
    EXPECT_EQ(a.isFlipped(), b.isFlipped());
    EXPECT_EQ(a.iccProfile(), b.iccProfile());
    EXPECT_EQ(a.pixels(), b.pixels());
}

} // namespace

TEST(ImageUtilities, QuadRotateImage) {
    struct Case {
        int degrees;
        Size size;
        QSize pixelSize;
        QPoint red, green, blue;
    };
    const Case cases[] = {
        // A quarter clockwise: the former top-left corner is at the top right.
        {90, {15, 20}, {30, 40}, {29, 0}, {29, 39}, {0, 0}},
        {180, {20, 15}, {40, 30}, {39, 29}, {0, 29}, {39, 0}},
        {-90, {15, 20}, {30, 40}, {0, 39}, {0, 0}, {29, 39}},
    };
    const Image source = corners();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.degrees);
        const Image turned = UTQuadRotateImage(source, c.degrees);
        EXPECT_EQ(turned.size(), c.size);
        EXPECT_EQ(turned.pixelSize(), c.pixelSize);
        EXPECT_EQ(turned.pixels().pixel(c.red), kRed);
        EXPECT_EQ(turned.pixels().pixel(c.green), kGreen);
        EXPECT_EQ(turned.pixels().pixel(c.blue), kBlue);
        EXPECT_FALSE(turned.isFlipped());
        EXPECT_EQ(turned.iccProfile(), source.iccProfile());
    }
}

TEST(ImageUtilities, QuadRotateByOtherAnglesAnswersTheImageItself) {
    const Image source = corners();
    for (int degrees : {45, 0, 270, -180, 360}) {
        const Image same = UTQuadRotateImage(source, degrees);
        EXPECT_EQ(same.pixels().constBits(), source.pixels().constBits()) << degrees;
        expectSame(same, source);
    }
}

TEST(ImageUtilities, FlipImageTurnsItUpsideDown) {
    const Image source = corners();
    const Image flipped = UTFlipImage(source);
    EXPECT_EQ(flipped.size(), source.size());
    EXPECT_EQ(flipped.pixelSize(), source.pixelSize());
    EXPECT_EQ(flipped.pixels().pixel(0, 29), kRed);
    EXPECT_EQ(flipped.pixels().pixel(39, 29), kGreen);
    EXPECT_EQ(flipped.pixels().pixel(0, 0), kBlue);
    EXPECT_FALSE(flipped.isFlipped());
    EXPECT_EQ(flipped.iccProfile(), source.iccProfile());
    expectSame(UTFlipImage(flipped), source);
}

TEST(ImageUtilities, AFlippedSourceIsTurnedAsItShows) {
    // A flipped picture shows its stored rows upside down.
    Image source = corners();
    source.setFlipped(true);
    const Image upright = UTFlipImage(source);
    EXPECT_FALSE(upright.isFlipped());
    EXPECT_EQ(upright.pixels().pixel(0, 0), kRed);

    const Image turned = UTQuadRotateImage(source, 90);
    // Shown: blue top-left, red bottom-left; a quarter clockwise puts blue top right.
    EXPECT_EQ(turned.pixels().pixel(29, 0), kBlue);
    EXPECT_EQ(turned.pixels().pixel(0, 0), kRed);
}

TEST(ImageUtilities, NullGivesNull) {
    EXPECT_TRUE(UTFlipImage(Image()).isNull());
    for (int degrees : {90, 180, -90, 45})
        EXPECT_TRUE(UTQuadRotateImage(Image(), degrees).isNull());
}
