#include "utilities/FinderComment.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cerrno>
#include <gtest/gtest.h>
#include <sys/xattr.h>

class FinderComment : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(_dir.isValid());
        _file = _dir.filePath(QStringLiteral("photo.jpg"));
        QFile f(_file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("x");
        f.close();
        const QByteArray path = QFile::encodeName(_file);
        if (::setxattr(path.constData(), "user.probe", "1", 1, 0) != 0 && errno == ENOTSUP)
            GTEST_SKIP() << "the temporary folder keeps no user attributes";
        ::removexattr(path.constData(), "user.probe");
    }

    // What a file manager would read.
    QByteArray rawComment() const {
        char buffer[256];
        const ssize_t n = ::getxattr(QFile::encodeName(_file).constData(), "user.xdg.comment",
                                     buffer, sizeof buffer);
        return n < 0 ? QByteArray() : QByteArray(buffer, n);
    }

    QTemporaryDir _dir;
    QString _file;
};

TEST_F(FinderComment, WrittenCommentIsReadBack) {
    struct Case {
        const char* written;
        const char* read;
    };
    const Case cases[] = {
        {"Summer at the lake", "Summer at the lake"},
        {"\"quoted\"", "quoted"},
        {"\"\"only one pair\"\"", "\"only one pair\""},
        {"\"left only", "\"left only"},
        {"ab", "ab"},
        {"x", ""},
        {"\"\"", ""},
        {"Zürich – 日本", "Zürich – 日本"},
    };
    for (const Case& c : cases) {
        const QString written = QString::fromUtf8(c.written);
        ASSERT_TRUE(UTSetFinderCommentInFile(_file, written)) << c.written;
        EXPECT_EQ(rawComment(), QByteArray(c.written));
        EXPECT_EQ(UTGetFinderCommentFromFile(_file), QString::fromUtf8(c.read)) << c.written;
    }
}

TEST_F(FinderComment, FoldersTakeCommentsToo) {
    ASSERT_TRUE(UTSetFinderCommentInFile(_dir.path(), QStringLiteral("Holidays")));
    EXPECT_EQ(UTGetFinderCommentFromFile(_dir.path()), QStringLiteral("Holidays"));
}

TEST_F(FinderComment, EmptyCommentRemovesIt) {
    ASSERT_TRUE(UTSetFinderCommentInFile(_file, QStringLiteral("old")));
    EXPECT_TRUE(UTSetFinderCommentInFile(_file, QString()));
    EXPECT_TRUE(rawComment().isNull());
    EXPECT_EQ(UTGetFinderCommentFromFile(_file), QString());
    EXPECT_TRUE(UTSetFinderCommentInFile(_file, QString()));
}

TEST_F(FinderComment, FailuresGiveNoAndTheEmptyText) {
    const QString missing = _dir.filePath(QStringLiteral("missing.jpg"));
    EXPECT_FALSE(UTSetFinderCommentInFile(missing, QStringLiteral("c")));
    EXPECT_FALSE(QFile::exists(missing));
    EXPECT_FALSE(UTSetFinderCommentInFile(QString(), QStringLiteral("c")));
    EXPECT_EQ(UTGetFinderCommentFromFile(missing), QString());
    EXPECT_EQ(UTGetFinderCommentFromFile(QString()), QString());
    // A file without a comment.
    EXPECT_EQ(UTGetFinderCommentFromFile(_file), QString());
    // A file system without user attributes.
    EXPECT_FALSE(
        UTSetFinderCommentInFile(QStringLiteral("/proc/self/status"), QStringLiteral("c")));
    EXPECT_EQ(UTGetFinderCommentFromFile(QStringLiteral("/proc/self/status")), QString());
}
