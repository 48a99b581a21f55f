#include "TemplateFiles.h"

#include "library/TemplateHandle.h"
#include "library/TemplateInfoCache.h"
#include "platform/archiving/Unarchiver.h"
#include "support/TestHost.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString str(const char* text) {
    return QString::fromLatin1(text);
}

bool dark(const QColor& c) {
    return c.alpha() > 200 && c.red() < 60 && c.green() < 60 && c.blue() < 60;
}

bool reddish(const QColor& c) {
    return c.alpha() > 200 && c.red() > 180 && c.green() < 90 && c.blue() < 90;
}

// An older-generation page of 612 x 792 points with a red square filling its
// lower-left quarter.
QVariantMap letterPageWithSquare() {
    const QVariantMap square{{str("kind"), str("rectangle")},
                             {str("origin"), QVariantMap{{str("x"), 0.0}, {str("y"), 0.0}}},
                             {str("size"), QVariantMap{{str("width"), 4.25}, {str("height"), 5.5}}},
                             {str("fill"), true},
                             {str("fillColor"), Archiver::archivedValue(Color::deviceRGB(1, 0, 0))},
                             {str("color"), Archiver::archivedValue(Color::deviceRGB(1, 0, 0))}};
    return {{str("name"), str("Letter")},
            {str("pageDesc"),
             QVariantMap{{str("dpi"), 72.0}, {str("width"), 8.5}, {str("height"), 11.0}}},
            {str("objects"), QVariantList{square}}};
}

void expectMadeThumbnail(const Image& thumbnail) {
    ASSERT_FALSE(thumbnail.isNull());
    // The longer side is 96 points: 612 x 792 becomes 74.18... x 96.
    EXPECT_FLOAT_EQ(thumbnail.size().height, 96);
    EXPECT_FLOAT_EQ(thumbnail.size().width, 612.0f * (96.0f / 792.0f));
    const QImage pixels = thumbnail.toQImage();
    ASSERT_EQ(pixels.height(), 96);
    ASSERT_EQ(pixels.width(), 75);
    // Framed one point wide all round.
    for (const QPoint p : {QPoint(30, 0), QPoint(30, 95), QPoint(0, 40), QPoint(74, 40)})
        EXPECT_TRUE(dark(pixels.pixelColor(p)))
            << p.x() << "," << p.y() << " "
            << pixels.pixelColor(p).name(QColor::HexArgb).toStdString();
    // The page drawn upright: the square in the lower-left quarter.
    EXPECT_TRUE(reddish(pixels.pixelColor(15, 80)));
    EXPECT_FALSE(reddish(pixels.pixelColor(15, 20)));
    EXPECT_FALSE(reddish(pixels.pixelColor(60, 80)));
}

class TemplateThumbnailTest : public ::testing::Test {
protected:
    TestHost _host;
    QTemporaryDir _folder;
};

TEST_F(TemplateThumbnailTest, AnOlderFileWithoutOneGetsAMadeThumbnailKeptInTheInfoCache) {
    const QString file = _folder.filePath(str("Letter.vyxTemplate"));
    ASSERT_TRUE(writeVersion1(file, letterPageWithSquare()));
    TemplateInfoCache& cache = TemplateInfoCache::sharedTemplateInfoCache();
    cache.deleteTemplateInfo(file);

    const TemplateHandleRef handle = TemplateHandle::templateHandleWithFile(file);
    const Image thumbnail = handle->thumbnailProxy();
    expectMadeThumbnail(thumbnail);
    // Kept: the same image again.
    EXPECT_EQ(handle->thumbnailProxy(), thumbnail);

    const std::optional<QVariantMap> entry = cache.retreiveTemplateInfo(file);
    ASSERT_TRUE(entry);
    const std::optional<Image> stored =
        Unarchiver::unarchiveValue<Image>(entry->value(str(kInfoCacheProxyKey)).toByteArray());
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->toQImage(), thumbnail.toQImage());

    // The next listing takes it from the cache, without drawing the page:
    // the file's objects are gone, the thumbnail still shows the square.
    QVariantMap emptied = letterPageWithSquare();
    emptied.remove(str("objects"));
    ASSERT_TRUE(writeVersion1(file, emptied));
    ASSERT_TRUE(setModified(file, handle->fileModDate()));
    const TemplateHandleRef again = TemplateHandle::templateHandleWithFile(file);
    EXPECT_EQ(again->thumbnailProxy().toQImage(), thumbnail.toQImage());
}

TEST_F(TemplateThumbnailTest, ABinaryFileWithoutOneGetsAMadeThumbnail) {
    // A Letter page (no page record) and no thumbnail record.
    const QString bare = _folder.filePath(str("bare.vyxTemplate"));
    ASSERT_TRUE(writeBytes(bare, handMadeTemplate({})));
    const TemplateHandleRef handle = TemplateHandle::templateHandleWithFile(bare);
    const Image thumbnail = handle->thumbnailProxy();
    ASSERT_FALSE(thumbnail.isNull());
    EXPECT_FLOAT_EQ(thumbnail.size().height, 96);
    EXPECT_EQ(handle->thumbnailProxy(), thumbnail);
    // Made anew after a reset.
    ASSERT_TRUE(handle->reset());
    EXPECT_FALSE(handle->thumbnailProxy().isNull());
    // Binary files are listed from their own records, not from the cache.
    EXPECT_FALSE(TemplateInfoCache::sharedTemplateInfoCache().retreiveTemplateInfo(bare));
}

TEST_F(TemplateThumbnailTest, APageWithoutAreaGetsNone) {
    const QString file = _folder.filePath(str("NoPage.vyxTemplate"));
    ASSERT_TRUE(writeBytes(file, handMadeTemplate({{HeaderOffsetsRec::PageDescription,
                                                    kRecordPageDescription, str("not a page")}})));
    const TemplateHandleRef handle = TemplateHandle::templateHandleWithFile(file);
    ASSERT_TRUE(handle->pageRect().isEmpty());
    EXPECT_TRUE(handle->thumbnailProxy().isNull());
}

} // namespace
