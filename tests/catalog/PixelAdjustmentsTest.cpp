#include "catalog/PixelAdjustments.h"

#include <QColor>
#include <QList>
#include <array>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <random>
#include <vector>

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

namespace {

// A per-pixel transcription of the adjustments, with nothing hoisted, fused,
// vectorised or split, to hold the fast path to.
using Matrix4 = std::array<std::array<float, 4>, 4>;

Matrix4 identity4() {
    Matrix4 m{};
    for (int i = 0; i < 4; ++i)
        m[i][i] = 1;
    return m;
}

Matrix4 times(const Matrix4& a, const Matrix4& b) {
    Matrix4 m{};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            m[i][j] = a[i][0] * b[0][j] + a[i][1] * b[1][j] + a[i][2] * b[2][j] + a[i][3] * b[3][j];
    return m;
}

Matrix4 scale4(float s) {
    Matrix4 m = identity4();
    m[0][0] = m[1][1] = m[2][2] = s;
    return m;
}

Matrix4 translate4(float t) {
    Matrix4 m = identity4();
    m[3][0] = m[3][1] = m[3][2] = t;
    return m;
}

int truncatedSample(float v) {
    if (!(v > 0))
        return 0;
    return v >= 255 ? 255 : int(v);
}

QImage referenceAdjustments(const QImage& source, float sh, float ct, float st, float br) {
    Matrix4 m = identity4();
    bool applied = false;
    if (ct != 1.0f) {
        Matrix4 block = times(scale4(1.0f / 255.0f), translate4(-0.5f));
        block = times(times(times(block, scale4(ct)), translate4(0.5f)), scale4(255.0f));
        m = times(block, m);
        applied = true;
    }
    if (st != 1.0f) {
        const double rest = 1.0 - st;
        Matrix4 block = identity4();
        const double weights[3] = {0.3086, 0.6094, 0.0820};
        for (int row = 0; row < 3; ++row)
            for (int column = 0; column < 3; ++column)
                block[row][column] = float(rest * weights[row] + (row == column ? st : 0.0));
        m = times(block, m);
        applied = true;
    }
    if (br != 1.0f) {
        m = times(scale4(br), m);
        applied = true;
    }
    const int width = source.width(), height = source.height();
    // The words as stored, premultiplied or not: the adjustments read them as they are.
    auto word = [&](int x, int y) {
        return reinterpret_cast<const QRgb*>(source.constScanLine(y))[x];
    };
    auto lightness = [&](int x, int y) {
        const QRgb p = word(x, y);
        const int r = qRed(p), g = qGreen(p), b = qBlue(p);
        return (std::max({r, g, b}) + std::min({r, g, b})) >> 1;
    };
    const bool sharpen = sh != 0 && width >= 3 && height >= 3;
    const float k = 1.0f / (9.0f - sh);
    QImage result(width, height, QImage::Format_RGBX8888);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const QRgb p = word(x, y);
            int c[3] = {qRed(p), qGreen(p), qBlue(p)};
            if (sharpen && x > 0 && y > 0 && x < width - 1 && y < height - 1) {
                const int lc = lightness(x, y);
                int ln = 0;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx)
                        if (dx != 0 || dy != 0)
                            ln += lightness(x + dx, y + dy);
                const int delta = int(float(ln - 8 * lc) * k);
                const int sharpened = std::clamp(lc - delta, 0, 255);
                if (sharpened != lc)
                    for (int& v : c)
                        v = std::clamp(v + sharpened - lc, 0, 255);
            }
            if (applied) {
                const float f[3] = {float(c[0]), float(c[1]), float(c[2])};
                for (int i = 0; i < 3; ++i)
                    c[i] =
                        truncatedSample(f[0] * m[0][i] + f[1] * m[1][i] + f[2] * m[2][i] + m[3][i]);
            }
            uchar* out = result.scanLine(y) + x * 4;
            out[0] = uchar(c[0]);
            out[1] = uchar(c[1]);
            out[2] = uchar(c[2]);
            out[3] = 255;
        }
    }
    return result;
}

// Random pixels over rows that are `padding` pixels longer than the picture,
// the padding filled with noise as well.
struct RandomPicture {
    std::vector<uint32_t> words;
    QImage image;

    RandomPicture(std::mt19937& random, int width, int height, int padding, QImage::Format format) {
        const int stride = width + padding;
        words.resize(size_t(stride) * height);
        for (uint32_t& word : words)
            word = random();
        // Long runs of one colour, so sharpening meets flat areas as well as noise.
        for (size_t i = 1; i < words.size(); ++i)
            if (random() % 3 == 0)
                words[i] = words[i - 1];
        image =
            QImage(reinterpret_cast<const uchar*>(words.data()), width, height, stride * 4, format);
    }
};

} // namespace

TEST(PixelAdjustmentsTest, FastPathMatchesAPerPixelReference) {
    std::mt19937 random(20261210);
    const QSize sizes[] = {{1, 1}, {1, 7}, {7, 1},  {2, 2},   {3, 3},   {4, 3},
                           {3, 5}, {8, 8}, {17, 4}, {31, 29}, {33, 67}, {67, 33}};
    const QImage::Format formats[] = {QImage::Format_ARGB32, QImage::Format_RGB32,
                                      QImage::Format_ARGB32_Premultiplied};
    const float sharpnesses[] = {0.0f, 0.5f, 3.0f, 8.0f};
    const float contrasts[] = {1.0f, 0.4f, 1.7f};
    const float saturations[] = {1.0f, 0.0f, 2.3f};
    const float brightnesses[] = {1.0f, 0.6f, 1.4f};
    int index = 0;
    for (const QSize size : sizes) {
        const int padding = 1 + 2 * (index % 4); // odd strides: 1, 3, 5 or 7 pixels more
        const RandomPicture picture(random, size.width(), size.height(), padding,
                                    formats[index % 3]);
        ++index;
        for (float sh : sharpnesses)
            for (float ct : contrasts)
                for (float st : saturations)
                    for (float br : brightnesses) {
                        const QImage expected = referenceAdjustments(picture.image, sh, ct, st, br);
                        // Automatic threads, and bands of a few rows each.
                        for (int threads : {0, 5}) {
                            QImage result;
                            ASSERT_TRUE(ApplyPixelAdjustmentsInto(picture.image, result, sh, ct, st,
                                                                  br, threads));
                            ASSERT_EQ(result, expected)
                                << size.width() << " x " << size.height() << " sh " << sh << " ct "
                                << ct << " st " << st << " br " << br << " threads " << threads;
                        }
                    }
    }
}

TEST(PixelAdjustmentsTest, ResultBufferIsReusedOnlyWhenItCanBe) {
    std::mt19937 random(7);
    const RandomPicture picture(random, 67, 33, 3, QImage::Format_ARGB32);
    const QImage expected = referenceAdjustments(picture.image, 2, 1.2f, 0.8f, 1.1f);

    // An unshared picture of the right size keeps its pixels, every one rewritten.
    QImage result(67, 33, QImage::Format_RGBX8888);
    result.fill(Qt::magenta);
    const uchar* pixels = result.constBits();
    ASSERT_TRUE(ApplyPixelAdjustmentsInto(picture.image, result, 2, 1.2f, 0.8f, 1.1f));
    EXPECT_EQ(result.constBits(), pixels);
    EXPECT_EQ(result, expected);

    // A picture someone else holds is left to them.
    QImage held(67, 33, QImage::Format_RGBX8888);
    held.fill(Qt::magenta);
    const QImage holder = held;
    ASSERT_TRUE(ApplyPixelAdjustmentsInto(picture.image, held, 2, 1.2f, 0.8f, 1.1f));
    EXPECT_EQ(held, expected);
    EXPECT_EQ(holder.pixel(0, 0), QColor(Qt::magenta).rgb());

    // Another size or format is replaced.
    QImage other(10, 10, QImage::Format_ARGB32);
    ASSERT_TRUE(ApplyPixelAdjustmentsInto(picture.image, other, 2, 1.2f, 0.8f, 1.1f));
    EXPECT_EQ(other, expected);
}

TEST(PixelAdjustmentsTest, NeutralRGBXSourceIsSharedNotCopied) {
    QImage source(5, 4, QImage::Format_RGBX8888);
    source.fill(QColor(10, 20, 30));
    QImage result;
    ASSERT_TRUE(ApplyPixelAdjustmentsInto(source, result, 0, 1.0f, 1.0f, 1.0f));
    EXPECT_EQ(result.constBits(), source.constBits());
    // Writing to the result leaves the source alone.
    result.setPixel(0, 0, qRgb(1, 2, 3));
    EXPECT_EQ(source.pixel(0, 0), qRgb(10, 20, 30));
    // With an adjustment it is a new picture.
    const QImage brighter = ApplyPixelAdjustments(source, 0, 1.0f, 1.0f, 2.0f);
    EXPECT_NE(brighter.constBits(), source.constBits());
    EXPECT_EQ(brighter.pixel(1, 1), qRgb(20, 40, 60));
}

TEST(PixelAdjustmentsTest, LargePictureGivesTheSameResultOnAnyNumberOfThreads) {
    std::mt19937 random(99);
    const RandomPicture picture(random, 1201, 901, 1, QImage::Format_RGB32);
    const QImage expected = referenceAdjustments(picture.image, 3, 1.3f, 1.2f, 0.9f);
    for (int threads : {0, 1, 2, 7, 64}) {
        QImage result;
        ASSERT_TRUE(ApplyPixelAdjustmentsInto(picture.image, result, 3, 1.3f, 1.2f, 0.9f, threads));
        EXPECT_EQ(result, expected) << threads;
    }
    // A new picture this large is made by the adjustments themselves; it is
    // reused like any other, and a copy that is changed leaves it alone.
    QImage result = ApplyPixelAdjustments(picture.image, 0, 1.0f, 1.0f, 1.0f);
    const uchar* pixels = result.constBits();
    QImage copy = result;
    copy.setPixel(0, 0, qRgb(1, 2, 3));
    EXPECT_NE(result.pixel(0, 0), qRgb(1, 2, 3));
    ASSERT_TRUE(ApplyPixelAdjustmentsInto(picture.image, result, 3, 1.3f, 1.2f, 0.9f));
    EXPECT_EQ(result.constBits(), pixels);
    EXPECT_EQ(result, expected);
}

TEST(PixelAdjustmentsTest, NullSourceGivesNoPicture) {
    QImage result(4, 4, QImage::Format_RGBX8888);
    EXPECT_FALSE(ApplyPixelAdjustmentsInto(QImage(), result, 3, 1.2f, 1.0f, 1.0f));
    EXPECT_TRUE(result.isNull());
    EXPECT_TRUE(ApplyPixelAdjustments(QImage(), 0, 1.0f, 1.0f, 1.0f).isNull());
}

TEST(PixelAdjustmentsTest, ExtremeValuesMatchThePerPixelReference) {
    // Sums that overflow or are not numbers take the careful path; they must
    // agree with the reference all the same.
    std::mt19937 random(3);
    const RandomPicture picture(random, 19, 7, 1, QImage::Format_ARGB32);
    const float extremes[] = {1.0f, 1e30f, -1e30f, 2e6f, INFINITY, NAN};
    for (float sh : {0.0f, 3.0f})
        for (float ct : extremes)
            for (float br : extremes) {
                const QImage expected = referenceAdjustments(picture.image, sh, ct, 1.5f, br);
                EXPECT_EQ(ApplyPixelAdjustments(picture.image, sh, ct, 1.5f, br), expected)
                    << "sh " << sh << " ct " << ct << " br " << br;
            }
}
