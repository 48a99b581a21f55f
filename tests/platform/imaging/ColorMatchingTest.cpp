#include "platform/imaging/ColorMatching.h"

#include "platform/foundation/UserDefaults.h"

#include <QColorSpace>
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <lcms2.h>

namespace {

QByteArray labProfile() {
    cmsHPROFILE profile = cmsCreateLab4Profile(nullptr);
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    QByteArray bytes(qsizetype(size), '\0');
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsCloseProfile(profile);
    return bytes;
}

void configureDisplayProfile(const QByteArray& bytes) {
    const QString path = QDir::home().filePath(QStringLiteral("display.icc"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    UserDefaults::standardUserDefaults().setObjectForKey(path, kDisplayProfilePathKey);
}

} // namespace

TEST(ColorMatchingTest, DefaultRGBProfileIsSRGB) {
    const QByteArray srgb = defaultRGBProfile();
    EXPECT_TRUE(isRGBProfile(srgb));
    EXPECT_EQ(QColorSpace::fromIccProfile(srgb), QColorSpace(QColorSpace::SRgb));
    EXPECT_EQ(defaultDisplayProfile(), srgb);
}

TEST(ColorMatchingTest, DisplayProfileComesFromTheUserDefaults) {
    const QByteArray adobe = QColorSpace(QColorSpace::AdobeRgb).iccProfile();
    configureDisplayProfile(adobe);
    EXPECT_EQ(defaultDisplayProfile(), adobe);

    // A profile that is not an RGB one, or no profile at all, falls back to sRGB.
    for (const QByteArray& unusable : {labProfile(), QByteArray("not a profile")}) {
        configureDisplayProfile(unusable);
        EXPECT_EQ(defaultDisplayProfile(), defaultRGBProfile());
    }
    UserDefaults::standardUserDefaults().setObjectForKey(QString("/nonexistent/display.icc"),
                                                         kDisplayProfilePathKey);
    EXPECT_EQ(defaultDisplayProfile(), defaultRGBProfile());
}

TEST(ColorMatchingTest, MatchesPixelsInPlaceKeepingAlpha) {
    const QByteArray adobe = QColorSpace(QColorSpace::AdobeRgb).iccProfile();
    QImage image(2, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, qRgba(255, 0, 0, 255));
    image.setPixel(1, 0, qRgba(128, 128, 128, 40));

    QImage same = image;
    ASSERT_TRUE(matchPixels(same, defaultRGBProfile(), defaultRGBProfile()));
    EXPECT_EQ(same, image);

    ASSERT_TRUE(matchPixels(image, defaultRGBProfile(), adobe));
    EXPECT_NEAR(qRed(image.pixel(0, 0)), 219, 3);
    EXPECT_EQ(qGreen(image.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(image.pixel(1, 0)), 40);
}

TEST(ColorMatchingTest, RefusesWhatItCannotMatch) {
    QImage image(2, 2, QImage::Format_ARGB32);
    image.fill(qRgb(10, 200, 30));
    const QImage original = image;
    EXPECT_FALSE(matchPixels(image, labProfile(), defaultRGBProfile()));
    EXPECT_FALSE(matchPixels(image, defaultRGBProfile(), QByteArray("junk")));
    QImage indexed = image.convertToFormat(QImage::Format_Indexed8);
    EXPECT_FALSE(matchPixels(indexed, defaultRGBProfile(), defaultRGBProfile()));
    EXPECT_EQ(image, original);
}
