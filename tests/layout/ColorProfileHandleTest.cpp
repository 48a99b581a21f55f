#include "layout/ColorProfileHandle.h"
#include "catalog/ImageFixtures.h"
#include "platform/archiving/Archiver.h"
#include "platform/archiving/Unarchiver.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/imaging/ColorMatching.h"

#include <QFile>
#include <QTemporaryDir>
#include <atomic>
#include <gtest/gtest.h>
#include <lcms2.h>
#include <thread>

TEST(ColorProfileHandle, DictionaryHoldsOnlyWhatIsSet) {
    EXPECT_TRUE(ColorProfileHandle().encodeInDictionary().isEmpty());
    const auto handle = ColorProfileHandle::profileWithPath(QStringLiteral("/p/a.icc"));
    EXPECT_EQ(handle->encodeInDictionary(),
              (QVariantMap{{QStringLiteral("CPH_Path"), QStringLiteral("/p/a.icc")}}));

    // Only the keys present replace fields.
    ColorProfileHandle nameOnly(QStringLiteral("/kept.icc"));
    nameOnly.decodeFromDictionary({{QStringLiteral("CPH_Name"), QStringLiteral("Proof")}});
    EXPECT_EQ(nameOnly.path(), QStringLiteral("/kept.icc"));
    EXPECT_EQ(nameOnly.name(), QStringLiteral("Proof"));
    EXPECT_EQ(nameOnly.encodeInDictionary(),
              (QVariantMap{{QStringLiteral("CPH_Path"), QStringLiteral("/kept.icc")},
                           {QStringLiteral("CPH_Name"), QStringLiteral("Proof")}}));
}

TEST(ColorProfileHandle, ArchiveRoundTrip) {
    ColorProfileHandle::registerArchivableClass();
    auto handle = ColorProfileHandle::profileWithPath(QStringLiteral("/p/b.icc"));
    handle->decodeFromDictionary({{QStringLiteral("CPH_Name"), QStringLiteral("Matte")}});
    const QByteArray data = Archiver::archivedData(ArchivableRef(handle));
    ASSERT_FALSE(data.isNull());
    const auto back = Unarchiver::unarchiveObjectOfClass<ColorProfileHandle>(data);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->path(), QStringLiteral("/p/b.icc"));
    EXPECT_EQ(back->name(), QStringLiteral("Matte"));

    // A name without a path stays without a path.
    auto nameless = std::make_shared<ColorProfileHandle>();
    nameless->decodeFromDictionary({{QStringLiteral("CPH_Name"), QStringLiteral("Gone")}});
    const auto back2 = Unarchiver::unarchiveObjectOfClass<ColorProfileHandle>(
        Archiver::archivedData(ArchivableRef(nameless)));
    ASSERT_TRUE(back2);
    EXPECT_TRUE(back2->path().isNull());
    EXPECT_EQ(back2->name(), QStringLiteral("Gone"));
}

namespace {

QString str(const char* text) {
    return QString::fromUtf8(text);
}

// Each pixel's colour as lcms2 converts one RGB triple between the two profiles.
QRgb expectedPixel(QRgb pixel, const QByteArray& from, const QByteArray& to) {
    cmsHPROFILE source = cmsOpenProfileFromMem(from.constData(), cmsUInt32Number(from.size()));
    cmsHPROFILE destination = cmsOpenProfileFromMem(to.constData(), cmsUInt32Number(to.size()));
    cmsHTRANSFORM transform =
        cmsCreateTransform(source, TYPE_RGB_8, destination, TYPE_RGB_8, INTENT_PERCEPTUAL, 0);
    const quint8 in[3] = {quint8(qRed(pixel)), quint8(qGreen(pixel)), quint8(qBlue(pixel))};
    quint8 out[3] = {};
    cmsDoTransform(transform, in, out, 1);
    cmsDeleteTransform(transform);
    cmsCloseProfile(source);
    cmsCloseProfile(destination);
    return qRgba(out[0], out[1], out[2], qAlpha(pixel));
}

class ColorProfileFiles : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        for (const char* key : {kDisplayProfilePathKey, kOutputProfilePathKey})
            UserDefaults::standardUserDefaults().removeObjectForKey(str(key));
    }
    QString write(const char* name, const QByteArray& bytes) {
        const QString path = dir.filePath(str(name));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        return path;
    }

    QTemporaryDir dir;
};

} // namespace

TEST_F(ColorProfileFiles, HandlesWithEqualDescriptionsAreEqual) {
    const auto glossy = ColorProfileHandle::profileWithPath(
        write("glossy.icc", gammaProfile(1.8, "Studio/Glossy Paper")));
    const auto sameName = ColorProfileHandle::profileWithPath(
        write("copy.icc", gammaProfile(2.4, "Studio/Glossy Paper")));
    const auto matte =
        ColorProfileHandle::profileWithPath(write("matte.icc", gammaProfile(1.8, "Matte")));
    EXPECT_EQ(glossy->description(), str("Studio/Glossy Paper"));
    EXPECT_EQ(glossy->name(), str("Glossy Paper"));
    EXPECT_TRUE(glossy->isEqual(*sameName));
    EXPECT_TRUE(*glossy == *sameName);
    EXPECT_FALSE(glossy->isEqual(*matte));
    EXPECT_EQ(glossy->lastCMError(), kColorMatchNoError);
    EXPECT_TRUE(glossy->isOpen());
    // The name, once made, is kept and archived.
    glossy->close();
    EXPECT_FALSE(glossy->isOpen());
    EXPECT_EQ(glossy->encodeInDictionary().value(str("CPH_Name")), QVariant(str("Glossy Paper")));

    // A profile described only in its 'dscm' tag.
    const auto multi =
        ColorProfileHandle::profileWithPath(write("multi.icc", gammaProfile(2.2, "Multi", true)));
    EXPECT_EQ(multi->name(), str("Multi"));
}

TEST_F(ColorProfileFiles, AKeptNameNeedsNoFile) {
    ColorProfileHandle handle(dir.filePath(str("gone.icc")));
    handle.decodeFromDictionary({{str("CPH_Name"), str("Kept")}});
    EXPECT_EQ(handle.name(), str("Kept"));
    EXPECT_FALSE(handle.isOpen());
    EXPECT_EQ(handle.lastCMError(), kColorMatchNoError);
    // Equality goes by name, so it needs no file either.
    ColorProfileHandle other;
    other.decodeFromDictionary({{str("CPH_Name"), str("Kept")}});
    EXPECT_TRUE(handle.isEqual(other));
}

TEST_F(ColorProfileFiles, WhatCannotBeOpenedAnswersNothing) {
    const struct {
        const char* what;
        QString path;
        int error;
    } cases[] = {
        {"missing", dir.filePath(str("none.icc")), kColorMatchFileError},
        {"folder", dir.path(), kColorMatchFileError},
        {"no path", QString(), kColorMatchFileError},
        {"not a profile", write("text.icc", QByteArray(200, 'x')), kColorMatchNotAProfile},
    };
    for (const auto& c : cases) {
        ColorProfileHandle handle(c.path);
        EXPECT_FALSE(handle.open()) << c.what;
        EXPECT_EQ(handle.lastCMError(), c.error) << c.what;
        EXPECT_TRUE(handle.name().isNull()) << c.what;
        EXPECT_TRUE(handle.description().isNull()) << c.what;
        QImage pixels(2, 2, QImage::Format_RGB32);
        pixels.fill(Qt::red);
        Image image(pixels);
        EXPECT_FALSE(handle.colorMatchImage(image)) << c.what;
        EXPECT_EQ(image.pixels(), pixels) << c.what;
        EXPECT_TRUE(image.iccProfile().isEmpty()) << c.what;
    }
}

TEST_F(ColorProfileFiles, PixelsAreMatchedAsLcmsComputesThem) {
    const QByteArray destination = gammaProfile(1.5, "Printer");
    const auto handle = ColorProfileHandle::profileWithPath(write("printer.icc", destination));
    const QByteArray own = gammaProfile(2.6, "Camera");
    const struct {
        const char* what;
        QImage::Format format;
        QByteArray imageProfile;
    } cases[] = {
        {"24-bit", QImage::Format_RGB888, own},
        {"32-bit without alpha", QImage::Format_RGB32, own},
        {"32-bit with alpha", QImage::Format_ARGB32, own},
        {"32-bit bytes with alpha", QImage::Format_RGBA8888, own},
        {"32-bit bytes without alpha", QImage::Format_RGBX8888, own},
        {"untagged: the display's", QImage::Format_ARGB32, QByteArray()},
    };
    for (const auto& c : cases) {
        QImage pixels(3, 2, c.format);
        const QRgb colours[] = {qRgba(200, 100, 50, 255), qRgba(10, 220, 90, 128),
                                qRgba(0, 0, 0, 0),        qRgba(255, 255, 255, 255),
                                qRgba(77, 77, 200, 40),   qRgba(128, 64, 32, 255)};
        for (int i = 0; i < 6; ++i)
            pixels.setPixel(i % 3, i / 3, colours[i]);
        Image image(pixels);
        image.setIccProfile(c.imageProfile);
        ASSERT_TRUE(handle->colorMatchImage(image)) << c.what;
        const QByteArray source = c.imageProfile.isEmpty() ? defaultDisplayProfile() : own;
        for (int i = 0; i < 6; ++i) {
            const QRgb before = pixels.pixel(i % 3, i / 3);
            EXPECT_EQ(image.pixels().pixel(i % 3, i / 3),
                      expectedPixel(before, source, destination))
                << c.what << " pixel " << i;
        }
        EXPECT_EQ(image.pixels().format(), c.format) << c.what;
    }

    // Pixels the matcher has no layout for stay as they are.
    QImage grey(2, 2, QImage::Format_Grayscale8);
    grey.fill(100);
    Image image(grey);
    EXPECT_FALSE(handle->colorMatchImage(image));
    EXPECT_EQ(image.pixels(), grey);
    EXPECT_TRUE(image.iccProfile().isEmpty());
}

TEST_F(ColorProfileFiles, MatchedImagesAreTaggedForThePrintPath) {
    const QByteArray destination = gammaProfile(1.5, "Printer");
    const auto handle = ColorProfileHandle::profileWithPath(write("printer.icc", destination));
    const auto match = [&handle] {
        QImage pixels(2, 2, QImage::Format_RGB32);
        pixels.fill(QColor(90, 120, 200));
        Image image(pixels);
        EXPECT_TRUE(handle->colorMatchImage(image));
        return image.iccProfile();
    };
    handle->setUsesExternalMatching(true);
    EXPECT_EQ(match(), destination);
    handle->setUsesExternalMatching(false);
    EXPECT_EQ(match(), defaultRGBProfile());
    // The default output profile is the one the user configured.
    const QByteArray paper = gammaProfile(2.0, "Paper");
    UserDefaults::standardUserDefaults().setObjectForKey(write("paper.icc", paper),
                                                         str(kOutputProfilePathKey));
    EXPECT_EQ(defaultOutputProfile(), paper);
    EXPECT_EQ(match(), paper);
    UserDefaults::standardUserDefaults().setObjectForKey(write("bad.icc", QByteArray("nope")),
                                                         str(kOutputProfilePathKey));
    EXPECT_EQ(defaultOutputProfile(), defaultRGBProfile());
}

TEST_F(ColorProfileFiles, CopiesOnTwoThreadsShareOneHandle) {
    const QByteArray destination = gammaProfile(1.5, "Shared/Printer");
    const auto handle = ColorProfileHandle::profileWithPath(write("printer.icc", destination));
    QImage pixels(64, 64, QImage::Format_ARGB32);
    pixels.fill(QColor(30, 160, 90, 200));
    Image expected(pixels);
    {
        ColorProfileHandle reference(handle->path());
        ASSERT_TRUE(reference.colorMatchImage(expected));
    }
    std::atomic<int> good{0};
    const auto work = [&] {
        for (int i = 0; i < 20; ++i) {
            Image image(pixels);
            if (handle->colorMatchImage(image) && image.pixels() == expected.pixels() &&
                handle->name() == str("Printer"))
                ++good;
            if (i % 5 == 4)
                handle->close();
        }
    };
    std::thread first(work);
    std::thread second(work);
    first.join();
    second.join();
    EXPECT_EQ(good.load(), 40);
}
