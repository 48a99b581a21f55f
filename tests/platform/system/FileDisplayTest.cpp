#include "platform/system/FileDisplay.h"

#include <QDir>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QMimeDatabase>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(FileDisplayTest, DisplayNameIsTheLastComponent) {
    const struct {
        const char* path;
        const char* name;
    } cases[] = {{"/photos/Summer 2006/beach.jpg", "beach.jpg"},
                 {"/photos/album/", "album"},
                 {"relative/x.png", "x.png"},
                 {"/photos//a/../b.tiff", "b.tiff"},
                 {"", ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(FileDisplay::displayNameAtPath(QString::fromUtf8(c.path)),
                  QString::fromUtf8(c.name));
    }
}

TEST(FileDisplayTest, IconComesFromTheIconThemeByFileType) {
    EXPECT_TRUE(FileDisplay::iconForFile(QString()).isNull());
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString theme = dir.filePath(QStringLiteral("icons/Probe"));
    ASSERT_TRUE(QDir().mkpath(theme + QStringLiteral("/32x32/mimetypes")));
    QFile index(theme + QStringLiteral("/index.theme"));
    ASSERT_TRUE(index.open(QIODevice::WriteOnly));
    index.write("[Icon Theme]\nName=Probe\nDirectories=32x32/mimetypes\n\n"
                "[32x32/mimetypes]\nSize=32\nType=Fixed\n");
    index.close();
    QImage green(32, 32, QImage::Format_ARGB32);
    green.fill(Qt::green);
    ASSERT_TRUE(green.save(theme + QStringLiteral("/32x32/mimetypes/image-png.png")));

    const QStringList oldPaths = QIcon::themeSearchPaths();
    const QString oldTheme = QIcon::themeName();
    QIcon::setThemeSearchPaths({dir.filePath(QStringLiteral("icons"))});
    QIcon::setThemeName(QStringLiteral("Probe"));
    const Image icon = FileDisplay::iconForFile(dir.filePath(QStringLiteral("photo.png")));
    const Image none = FileDisplay::iconForFile(dir.filePath(QStringLiteral("notes.zzzq")));
    QIcon::setThemeName(oldTheme);
    QIcon::setThemeSearchPaths(oldPaths);

    ASSERT_FALSE(icon.isNull());
    EXPECT_EQ(icon.size(), (Size{32, 32}));
    EXPECT_EQ(icon.pixels().pixelColor(16, 16), QColor(Qt::green));
    EXPECT_TRUE(none.isNull());
}

TEST(FileDisplayTest, KindIsTheDesktopsNameForTheFilesType) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile jpeg(dir.filePath(QStringLiteral("photo")));
    ASSERT_TRUE(jpeg.open(QIODevice::WriteOnly));
    jpeg.write(QByteArray("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00", 11) + QByteArray(64, '\0'));
    jpeg.close();
    const QMimeDatabase types;
    EXPECT_EQ(FileDisplay::kindAtPath(jpeg.fileName()),
              types.mimeTypeForName(QStringLiteral("image/jpeg")).comment());
    EXPECT_EQ(FileDisplay::kindAtPath(dir.path()),
              types.mimeTypeForName(QStringLiteral("inode/directory")).comment());
    EXPECT_FALSE(FileDisplay::kindAtPath(dir.path()).isEmpty());
    EXPECT_TRUE(FileDisplay::kindAtPath(dir.filePath(QStringLiteral("missing"))).isEmpty());
    EXPECT_TRUE(FileDisplay::kindAtPath(QString()).isEmpty());
}
