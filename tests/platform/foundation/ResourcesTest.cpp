#include "platform/foundation/Resources.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// A share folder of its own, with pictures in and beside its Images folder.
class ResourcesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(_share.isValid());
        ASSERT_TRUE(QDir(_share.path()).mkpath(QStringLiteral("Images")));
        Resources::setSharePathForTesting(_share.path());
    }
    void TearDown() override { Resources::setSharePathForTesting(QString()); }

    // Writes a picture of that width at a path relative to the share folder.
    void writePicture(const QString& relativePath, int width, const char* format = "PNG") {
        QImage picture(width, 3, QImage::Format_ARGB32);
        picture.fill(Qt::red);
        ASSERT_TRUE(picture.save(_share.filePath(relativePath), format));
    }

    QTemporaryDir _share;
};

TEST_F(ResourcesTest, FindsAPictureWithOrWithoutItsExtension) {
    writePicture(QStringLiteral("Images/Marker.png"), 5);
    writePicture(QStringLiteral("Images/Badge.tiff"), 7, "TIFF");
    struct Case {
        const char* name;
        int width;
    } const cases[] = {{"Marker", 5}, {"Marker.png", 5}, {"Badge", 7}, {"Badge.tiff", 7}};
    for (const Case& c : cases) {
        const QImage found = Resources::applicationImageNamed(QString::fromLatin1(c.name));
        EXPECT_EQ(found.width(), c.width) << c.name;
    }
}

TEST_F(ResourcesTest, AMissingOrDamagedPictureIsNull) {
    QFile damaged(_share.filePath(QStringLiteral("Images/Damaged.png")));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write("not a picture");
    damaged.close();
    EXPECT_TRUE(Resources::applicationImageNamed(QStringLiteral("Absent")).isNull());
    EXPECT_TRUE(Resources::applicationImageNamed(QStringLiteral("Damaged")).isNull());
    // A picture with an extension is looked for under that name only.
    writePicture(QStringLiteral("Images/Only.png"), 4);
    EXPECT_TRUE(Resources::applicationImageNamed(QStringLiteral("Only.tiff")).isNull());
}

TEST_F(ResourcesTest, ANameNeverReachesOutOfTheImagesFolder) {
    writePicture(QStringLiteral("Outside.png"), 6);
    ASSERT_TRUE(QDir(_share.path()).mkpath(QStringLiteral("Images/Sub")));
    writePicture(QStringLiteral("Images/Sub/Inner.png"), 6);
    for (const char* name : {"../Outside", "../Outside.png", "Sub/Inner", "..", ".", ""})
        EXPECT_TRUE(Resources::applicationImageNamed(QString::fromLatin1(name)).isNull()) << name;
}

TEST_F(ResourcesTest, TheCachedPictureIsReadOncePerShareFolder) {
    writePicture(QStringLiteral("Images/Kept.png"), 8);
    EXPECT_EQ(Resources::cachedApplicationImageNamed(QStringLiteral("Kept")).width(), 8);
    ASSERT_TRUE(QFile::remove(_share.filePath(QStringLiteral("Images/Kept.png"))));
    EXPECT_TRUE(Resources::applicationImageNamed(QStringLiteral("Kept")).isNull());
    EXPECT_EQ(Resources::cachedApplicationImageNamed(QStringLiteral("Kept")).width(), 8);

    // Another share folder has pictures of its own.
    QTemporaryDir other;
    ASSERT_TRUE(QDir(other.path()).mkpath(QStringLiteral("Images")));
    Resources::setSharePathForTesting(other.path());
    EXPECT_TRUE(Resources::cachedApplicationImageNamed(QStringLiteral("Kept")).isNull());
}

} // namespace
