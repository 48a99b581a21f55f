// The iPhoto bridge on a system without iPhoto: every answer is that of a
// library without data, whatever lies in the user's folders.
#include "catalog/VQIPhotoBridge.h"
#include "support/TestHome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

QString str(const char* text) {
    return QString::fromUtf8(text);
}

TEST(VQIPhotoBridgeTest, IsOneSharedObject) {
    EXPECT_NE(VQIPhotoBridge::sharedIPhotoBridge(), nullptr);
    EXPECT_EQ(VQIPhotoBridge::sharedIPhotoBridge(), VQIPhotoBridge::sharedIPhotoBridge());
}

TEST(VQIPhotoBridgeTest, AnswersAsALibraryWithoutData) {
    TestHome account;
    const QString library = QDir::home().filePath(str("Pictures/iPhoto Library"));
    const QString photo = QDir(library).filePath(str("Originals/2004/IMG_0001.JPG"));
    // Even iPhoto's own files in their usual places give no data: none is read.
    ASSERT_TRUE(QDir().mkpath(QFileInfo(photo).absolutePath()));
    for (const QString& path : {QDir(library).filePath(str("AlbumData.xml")), photo}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("<plist version=\"1.0\"><dict><key>Archive Path</key>"
                   "<string>/elsewhere</string></dict></plist>");
    }
    VQIPhotoBridge& bridge = *VQIPhotoBridge::sharedIPhotoBridge();
    EXPECT_EQ(VQIPhotoBridge::iPhotoLibraryPath(), str("~/Pictures/iPhoto Library"));
    EXPECT_EQ(bridge.archivePath(), library);
    EXPECT_FALSE(bridge.status());
    EXPECT_FALSE(bridge.version());
    EXPECT_FALSE(bridge.images());
    EXPECT_TRUE(bridge.albums().isEmpty());

    for (const int id : {0, 1, 7, -1}) {
        EXPECT_FALSE(bridge.albumWithID(id)) << id;
        EXPECT_FALSE(bridge.imagesInAlbumID(id)) << id;
        EXPECT_FALSE(bridge.imageInfoWithID(id)) << id;
    }
    // Inside the library folder, outside it, and no path at all.
    for (const QString& path : {photo, str("/tmp/elsewhere.jpg"), QString()}) {
        const std::string shown = path.toStdString();
        EXPECT_FALSE(bridge.imageInfoAtPath(path)) << shown;
        EXPECT_FALSE(bridge.isInLibrary(path)) << shown;
        EXPECT_EQ(bridge.captionAtPath(path), str("")) << shown;
        EXPECT_FALSE(bridge.captionAtPath(path).isNull()) << shown;
        EXPECT_EQ(bridge.commentAtPath(path), str("")) << shown;
        EXPECT_FALSE(bridge.commentAtPath(path).isNull()) << shown;
        EXPECT_EQ(bridge.ratingAtPath(path), 0) << shown;
        EXPECT_FALSE(bridge.setCommentAtPath(str("a \"quoted\" comment"), path)) << shown;
        EXPECT_FALSE(bridge.setCaptionAtPath(str("Title"), path)) << shown;
    }
    // A refused write changes nothing.
    EXPECT_EQ(bridge.commentAtPath(photo), str(""));
    EXPECT_EQ(bridge.captionAtPath(photo), str(""));
}

} // namespace
