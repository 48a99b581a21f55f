#include "platform/foundation/FileReference.h"
#include "platform/foundation/FileTypeCode.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

class FileReferenceTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    QString write(const QString& name, const QByteArray& bytes = "photo") {
        const QString path = dir.filePath(name);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }
    QString recordedPath(const QByteArray& bytes) {
        FileReference::Record record;
        EXPECT_TRUE(FileReference::parseReference(bytes, &record));
        return record.path;
    }

    QTemporaryDir dir;
};

TEST_F(FileReferenceTest, RecordsPathIdentitySizeAndTime) {
    const QString path = write(QStringLiteral("a.jpg"), "12345");
    const QByteArray bytes = FileReference::createReference(path);
    FileReference::Record record;
    ASSERT_TRUE(FileReference::parseReference(bytes, &record));
    EXPECT_EQ(record.path, path);
    EXPECT_EQ(record.size, 5);
    EXPECT_NE(record.inode, 0u);
    EXPECT_EQ(record.modifiedSeconds, QFileInfo(path).lastModified().toSecsSinceEpoch());
    EXPECT_TRUE(FileReference::createReference(dir.filePath(QStringLiteral("none"))).isNull());
    EXPECT_TRUE(FileReference::createReference(QString()).isNull());
}

TEST_F(FileReferenceTest, UnchangedFileResolvesWithoutUpdate) {
    const QString path = write(QStringLiteral("a.jpg"));
    const QByteArray bytes = FileReference::createReference(path);
    QByteArray updated("stale");
    EXPECT_EQ(FileReference::resolveReference(bytes, QString(), &updated), path);
    EXPECT_TRUE(updated.isNull());
}

TEST_F(FileReferenceTest, RenamedFileIsFoundInItsFolder) {
    const QString path = write(QStringLiteral("a.jpg"));
    write(QStringLiteral("other.jpg"));
    const QByteArray bytes = FileReference::createReference(path);
    const QString renamed = dir.filePath(QStringLiteral("renamed.jpg"));
    ASSERT_TRUE(QFile::rename(path, renamed));
    QByteArray updated;
    EXPECT_EQ(FileReference::resolveReference(bytes, QString(), &updated), renamed);
    EXPECT_EQ(recordedPath(updated), renamed);
}

TEST_F(FileReferenceTest, RenamedFileWinsOverANewFileAtTheOldPath) {
    const QString path = write(QStringLiteral("a.jpg"));
    const QByteArray bytes = FileReference::createReference(path);
    const QString renamed = dir.filePath(QStringLiteral("b.jpg"));
    ASSERT_TRUE(QFile::rename(path, renamed));
    write(QStringLiteral("a.jpg"), "new");
    EXPECT_EQ(FileReference::resolveReference(bytes), renamed);
}

TEST_F(FileReferenceTest, FileReplacedInPlaceIsTakenWithUpdate) {
    const QString path = write(QStringLiteral("a.jpg"));
    const QByteArray bytes = FileReference::createReference(path);
    ASSERT_TRUE(QFile::remove(path));
    write(QStringLiteral("a.jpg"), "longer content");
    QByteArray updated;
    EXPECT_EQ(FileReference::resolveReference(bytes, QString(), &updated), path);
    FileReference::Record record;
    ASSERT_TRUE(FileReference::parseReference(updated, &record));
    EXPECT_EQ(record.size, 14);
}

TEST_F(FileReferenceTest, MovedTogetherWithTheDocumentIsFoundUnderItsFolder) {
    const QString path = write(QStringLiteral("old/photos/a.jpg"));
    const QByteArray bytes = FileReference::createReference(path);
    const QString moved = dir.filePath(QStringLiteral("new/photos/a.jpg"));
    QDir().mkpath(dir.filePath(QStringLiteral("new")));
    ASSERT_TRUE(QDir().rename(dir.filePath(QStringLiteral("old/photos")),
                              dir.filePath(QStringLiteral("new/photos"))));
    EXPECT_TRUE(FileReference::resolveReference(bytes).isNull());
    QByteArray updated;
    EXPECT_EQ(FileReference::resolveReference(bytes, dir.filePath(QStringLiteral("new")), &updated),
              moved);
    EXPECT_EQ(recordedPath(updated), moved);
    EXPECT_TRUE(
        FileReference::resolveReference(bytes, dir.filePath(QStringLiteral("elsewhere"))).isNull());
}

TEST_F(FileReferenceTest, DamagedBytesResolveToNothing) {
    const QByteArray good = FileReference::createReference(write(QStringLiteral("a.jpg")));
    QByteArray newer = good;
    newer[4] = 2;
    QByteArray relative = good;
    relative[good.size() - qsizetype(recordedPath(good).toUtf8().size())] = 'x';
    const QByteArray cases[] = {
        QByteArray(), good.left(20), good.left(good.size() - 1), good + "x",
        newer,        relative,      QByteArray(60, '\0'),       QByteArray("LMFR")};
    for (const QByteArray& bytes : cases) {
        QByteArray updated("stale");
        EXPECT_FALSE(FileReference::parseReference(bytes, nullptr)) << bytes.toHex().constData();
        EXPECT_TRUE(FileReference::resolveReference(bytes, dir.path(), &updated).isNull());
        EXPECT_TRUE(updated.isNull());
    }
}

TEST_F(FileReferenceTest, ReRootingStaysInsideTheFolder) {
    // A record naming "/../x" must not climb out of the folder it is re-rooted in.
    const QString outside = write(QStringLiteral("x.jpg"));
    const QString inner = dir.filePath(QStringLiteral("in"));
    QDir().mkpath(inner);
    const QByteArray good = FileReference::createReference(outside);
    const QByteArray path = QByteArray("/nowhere/../x.jpg");
    QByteArray bytes = good.left(good.size() - qsizetype(outside.toUtf8().size()) - 4);
    const quint32 length = quint32(path.size());
    for (int i = 0; i < 4; ++i)
        bytes.append(char((length >> (8 * i)) & 0xFF));
    bytes.append(path);
    ASSERT_TRUE(FileReference::parseReference(bytes, nullptr));
    EXPECT_TRUE(FileReference::resolveReference(bytes, inner).isNull());
}

TEST_F(FileReferenceTest, LinkChainsAreFollowed) {
    const QString target = write(QStringLiteral("photo.jpg"));
    const QString first = dir.filePath(QStringLiteral("first"));
    const QString second = dir.filePath(QStringLiteral("second"));
    ASSERT_TRUE(QFile::link(target, first));
    // A relative target counts from the link's folder.
    ASSERT_EQ(::symlink("first", QFile::encodeName(second).constData()), 0);
    EXPECT_EQ(FileReference::resolveLinkChain(second), target);
    EXPECT_EQ(FileReference::resolveLinkChain(first), target);
    EXPECT_EQ(FileReference::resolveLinkChain(target), target);
}

TEST_F(FileReferenceTest, BrokenOrEndlessChainsGiveThePathUnchanged) {
    const QString dangling = dir.filePath(QStringLiteral("dangling"));
    ASSERT_TRUE(QFile::link(dir.filePath(QStringLiteral("none")), dangling));
    EXPECT_EQ(FileReference::resolveLinkChain(dangling), dangling);
    const QString loop = dir.filePath(QStringLiteral("loop"));
    ASSERT_EQ(::symlink("loop", QFile::encodeName(loop).constData()), 0);
    EXPECT_EQ(FileReference::resolveLinkChain(loop), loop);

    // A chain of exactly the limit resolves, one more link does not.
    const QString target = write(QStringLiteral("end.jpg"));
    QString previous = target;
    for (int i = 0; i <= FileReference::kMaxLinkChain; ++i) {
        const QString link = dir.filePath(QStringLiteral("l%1").arg(i));
        ASSERT_TRUE(QFile::link(previous, link));
        previous = link;
    }
    const QString atLimit =
        dir.filePath(QStringLiteral("l%1").arg(FileReference::kMaxLinkChain - 1));
    EXPECT_EQ(FileReference::resolveLinkChain(atLimit), target);
    EXPECT_EQ(FileReference::resolveLinkChain(previous), previous);
    EXPECT_EQ(FileReference::resolveLinkChain(dir.filePath(QStringLiteral("none"))),
              dir.filePath(QStringLiteral("none")));
}

TEST(FileTypeCodeTest, CodeComesFromTheContent) {
    const struct {
        QByteArray bytes;
        const char* code;
    } cases[] = {
        {QByteArray("\xFF\xD8\xFF\xE0rest", 8), "JPEG"},
        {QByteArray("\x89PNG\r\n\x1A\nIHDR", 12), "PNGf"},
        {QByteArray("GIF89a..."), "GIFf"},
        {QByteArray("II*\0rest", 8), "TIFF"},
        {QByteArray("MM\0*rest", 8), "TIFF"},
        {QByteArray("BM6\0\0\0"), "BMPf"},
        {QByteArray("8BPS\0\x01"), "8BPS"},
        {QByteArray("%PDF-1.4"), "PDF "},
        {QByteArray("\0\0\0\x0CjP  \r\n\x87\n", 12), "jp2 "},
        {QByteArray("\xFF\xD8", 2), ""},
        {QByteArray("plain text"), ""},
        {QByteArray(), ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FileTypeCode::typeCodeOfData(c.bytes), QString::fromLatin1(c.code))
            << c.bytes.toHex().constData();
    EXPECT_EQ(FileTypeCode::typeCodeText(QStringLiteral("JPEG")), QStringLiteral("'JPEG'"));
    EXPECT_TRUE(FileTypeCode::typeCodeText(QString()).isEmpty());
}

TEST(FileTypeCodeTest, FileWithoutExtensionIsKnownByItsBytes) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("IMG_0001"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("\xFF\xD8\xFF\xE1", 4));
    file.close();
    EXPECT_EQ(FileTypeCode::typeCodeOfFile(path), QStringLiteral("JPEG"));
    EXPECT_TRUE(FileTypeCode::typeCodeOfFile(dir.path()).isEmpty());
    EXPECT_TRUE(FileTypeCode::typeCodeOfFile(dir.filePath(QStringLiteral("none"))).isEmpty());
}

} // namespace
