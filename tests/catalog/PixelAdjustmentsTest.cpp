#include "catalog/PixelAdjustments.h"

#include <QList>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>

namespace {

QImage filled(int width, int height, QRgb argb) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(argb);
    return image;
}

QRgb adjusted(QRgb argb, float sh, float ct, float st, float br) {
    return ApplyPixelAdjustments(filled(1, 1, argb), sh, ct, st, br).pixel(0, 0);
}

QByteArray rectData(float x, float y, float width, float height) {
    const float values[4] = {x, y, width, height};
    return QByteArray(reinterpret_cast<const char*>(values), sizeof values);
}

} // namespace

TEST(PixelAdjustmentsTest, NeutralValuesCopyWithOpaqueAlphaInRGBAOrder) {
    QImage source(3, 2, QImage::Format_ARGB32);
    const QRgb pixels[6] = {0x00102030, 0x80405060, 0xFF708090, 0x12A0B0C0, 0xFFD0E0F0, 0x7F010203};
    for (int i = 0; i < 6; ++i)
        source.setPixel(i % 3, i / 3, pixels[i]);

    const QImage result = ApplyPixelAdjustments(source, 0, 1.0f, 1.0f, 1.0f);

    ASSERT_EQ(result.format(), QImage::Format_RGBX8888);
    ASSERT_EQ(result.size(), source.size());
    EXPECT_EQ(result.bytesPerLine(), 3 * 4);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(result.pixel(i % 3, i / 3), pixels[i] | 0xFF000000u) << i;
    const uchar* first = result.constScanLine(0);
    EXPECT_EQ(first[0], 0x10);
    EXPECT_EQ(first[1], 0x20);
    EXPECT_EQ(first[2], 0x30);
    EXPECT_EQ(first[3], 0xFF);
}

TEST(PixelAdjustmentsTest, ColourMatrixResults) {
    struct Case {
        QRgb in;
        float ct, st, br;
        QRgb out;
    };
    const Case cases[] = {
        // ((v / 255 - 0.5) * 2 + 0.5) * 255: 64 gives 0.5, truncated; 200 gives 272.5, clamped.
        {qRgb(64, 200, 128), 2.0f, 1.0f, 1.0f, qRgb(0, 255, 128)},
        // Saturation 0: 0.3086 r + 0.6094 g + 0.0820 b, truncated.
        {qRgb(100, 150, 200), 1.0f, 0.0f, 1.0f, qRgb(138, 138, 138)},
        {qRgb(255, 0, 0), 1.0f, 0.0f, 1.0f, qRgb(78, 78, 78)},
        {qRgb(0, 0, 255), 1.0f, 0.0f, 1.0f, qRgb(20, 20, 20)},
        // Brightness scales and clamps.
        {qRgb(100, 200, 3), 1.0f, 1.0f, 1.5f, qRgb(150, 255, 4)},
        // Brightness meets the pixel before contrast: 64 -> 128 -> 128.5.
        {qRgb(64, 64, 64), 2.0f, 1.0f, 2.0f, qRgb(128, 128, 128)},
        // Saturation 2 pushes away from grey: 2 * 200 - 138.67.
        {qRgb(100, 150, 200), 1.0f, 2.0f, 1.0f, qRgb(61, 161, 255)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(adjusted(c.in, 0, c.ct, c.st, c.br), c.out)
            << std::hex << c.in << " ct " << c.ct << " st " << c.st << " br " << c.br;
}

TEST(PixelAdjustmentsTest, SharpeningLeavesUniformAreasAlone) {
    const QImage source = filled(6, 5, qRgb(90, 120, 150));
    const QImage result = ApplyPixelAdjustments(source, 5, 1.0f, 1.0f, 1.0f);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(result.pixel(x, y), qRgb(90, 120, 150));
}

TEST(PixelAdjustmentsTest, SharpeningBrightensAPeakAndDarkensItsNeighbours) {
    QImage source = filled(5, 5, qRgb(20, 20, 20));
    source.setPixel(2, 2, qRgb(100, 100, 100));

    // k = 1 / (9 - 4): centre delta (160 - 800) / 5 = -128, neighbour (240 - 160) / 5 = 16.
    const QImage result = ApplyPixelAdjustments(source, 4, 1.0f, 1.0f, 1.0f);
    EXPECT_EQ(result.pixel(2, 2), qRgb(228, 228, 228));
    EXPECT_EQ(result.pixel(1, 2), qRgb(4, 4, 4));
    EXPECT_EQ(result.pixel(1, 1), qRgb(4, 4, 4));
    // The border is copied unsharpened.
    EXPECT_EQ(result.pixel(0, 0), qRgb(20, 20, 20));
    EXPECT_EQ(result.pixel(4, 2), qRgb(20, 20, 20));

    // The colour matrix acts on the sharpened pixel.
    const QImage darker = ApplyPixelAdjustments(source, 4, 1.0f, 1.0f, 0.5f);
    EXPECT_EQ(darker.pixel(2, 2), qRgb(114, 114, 114));
    EXPECT_EQ(darker.pixel(0, 0), qRgb(10, 10, 10));
}

TEST(PixelAdjustmentsTest, SharpeningShiftsAllChannelsByTheLightnessChange) {
    QImage source = filled(3, 3, qRgb(0, 40, 0));
    source.setPixel(1, 1, qRgb(200, 60, 250));
    // Lc = (250 + 60) / 2 = 155, Ln = 8 * 20; delta = (160 - 1240) / 8 = -135, Lc' = 290 -> 255.
    const QImage result = ApplyPixelAdjustments(source, 1, 1.0f, 1.0f, 1.0f);
    EXPECT_EQ(result.pixel(1, 1), qRgb(255, 160, 255));
}

TEST(PixelAdjustmentsTest, SharpnessIsKeptInItsRange) {
    QImage source = filled(5, 5, qRgb(20, 20, 20));
    source.setPixel(2, 2, qRgb(100, 100, 100));
    const QImage atEight = ApplyPixelAdjustments(source, 8, 1.0f, 1.0f, 1.0f);
    for (float sh : {9.0f, 12.5f, INFINITY})
        EXPECT_EQ(ApplyPixelAdjustments(source, sh, 1.0f, 1.0f, 1.0f), atEight) << sh;
    const QImage plain = ApplyPixelAdjustments(source, 0, 1.0f, 1.0f, 1.0f);
    for (float sh : {-3.0f, NAN})
        EXPECT_EQ(ApplyPixelAdjustments(source, sh, 1.0f, 1.0f, 1.0f), plain) << sh;
}

TEST(PixelAdjustmentsTest, NarrowPicturesAreNotSharpened) {
    QImage source = filled(5, 2, qRgb(20, 20, 20));
    source.setPixel(2, 1, qRgb(100, 100, 100));
    const QImage result = ApplyPixelAdjustments(source, 4, 1.0f, 1.0f, 1.0f);
    EXPECT_EQ(result.pixel(2, 1), qRgb(100, 100, 100));
}

TEST(PixelAdjustmentsTest, RedEyeCorrection) {
    // Spots are in frame coordinates with y up; the frame may be smaller than the bitmap.
    struct Case {
        const char* name;
        QByteArray frame;
        QByteArray spot;
    };
    const Case cases[] = {
        {"same frame", rectData(0, 0, 32, 32), rectData(0, 0, 16, 16)},
        {"half-size frame", rectData(0, 0, 16, 16), rectData(0, 0, 8, 8)},
    };
    for (const Case& c : cases) {
        QImage bitmap(32, 32, QImage::Format_RGBX8888);
        bitmap.fill(QColor(255, 0, 0));
        // Spot centre (8, 8), radius 4: bitmap row 31 - 8 = 23.
        bitmap.setPixel(9, 23, qRgb(200, 185, 0)); // green / red = 0.925: not red enough
        bitmap.setPixel(7, 23, qRgb(200, 179, 0)); // 0.895: corrected fully
        ApplyRedEyeCorrection(bitmap, {c.frame, c.spot});

        EXPECT_EQ(bitmap.pixel(8, 23), qRgb(0, 0, 0)) << c.name;
        EXPECT_EQ(bitmap.pixel(9, 23), qRgb(200, 185, 0)) << c.name;
        EXPECT_EQ(bitmap.pixel(7, 23), qRgb(0, 179, 0)) << c.name;
        // At 1.5 r the red is halved: 255 - 127.5, truncated.
        EXPECT_EQ(bitmap.pixel(14, 23), qRgb(127, 0, 0)) << c.name;
        // Beyond 2 r, outside the spot, and in the upper half: untouched.
        EXPECT_EQ(bitmap.pixel(15, 16), qRgb(255, 0, 0)) << c.name;
        EXPECT_EQ(bitmap.pixel(20, 23), qRgb(255, 0, 0)) << c.name;
        EXPECT_EQ(bitmap.pixel(8, 8), qRgb(255, 0, 0)) << c.name;
    }
}

TEST(PixelAdjustmentsTest, RedEyeIgnoresUnusableArrays) {
    QImage bitmap(16, 16, QImage::Format_RGBX8888);
    bitmap.fill(QColor(255, 0, 0));
    const QImage original = bitmap;
    const QList<QList<QByteArray>> arrays = {
        {},
        {rectData(0, 0, 16, 16)},                               // frame only
        {rectData(0, 0, 0, 16), rectData(0, 0, 16, 16)},        // empty frame
        {QByteArray("short"), rectData(0, 0, 16, 16)},          // frame too short
        {rectData(0, 0, 16, 16), QByteArray(15, '\0')},         // spot too short
        {rectData(0, 0, 16, 16), rectData(NAN, 0, 16, 16)},     // spot not a number
        {rectData(0, 0, 16, 16), rectData(-4e9f, -4e9f, 8, 8)}, // far outside
        {rectData(0, 0, 16, 16), rectData(1e30f, 1e30f, 1e30f, 1e30f)},
    };
    for (qsizetype i = 0; i < arrays.size(); ++i) {
        ApplyRedEyeCorrection(bitmap, arrays[i]);
        EXPECT_EQ(bitmap, original) << i;
    }
}

TEST(PixelAdjustmentsTest, OverlappingSpotsActTwice) {
    QImage bitmap(16, 16, QImage::Format_RGBX8888);
    bitmap.fill(QColor(255, 0, 0));
    const QByteArray spot = rectData(0, 0, 16, 16); // centre (8, 8), r = 4
    // At 1.5 r: 255 -> 127 -> 63.
    ApplyRedEyeCorrection(bitmap, {rectData(0, 0, 16, 16), spot, spot});
    EXPECT_EQ(bitmap.pixel(14, 15 - 8), qRgb(63, 0, 0));
}
