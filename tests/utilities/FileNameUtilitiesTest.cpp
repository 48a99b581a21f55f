#include "utilities/FileNameUtilities.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

class FileNameUtilitiesTest : public ::testing::Test {
protected:
    void touch(const QString& name) {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << name.toStdString();
    }
    QString folder() const { return dir.path(); }

    QTemporaryDir dir;
};

} // namespace

TEST_F(FileNameUtilitiesTest, AFreeNameComesBackUnchanged) {
    EXPECT_EQ(UniqueFileNameInFolder(QStringLiteral("Kids.vyxTemplate"), folder()),
              QStringLiteral("Kids.vyxTemplate"));
}

TEST_F(FileNameUtilitiesTest, TakenNamesGetTheCopySuffixThenNumbers) {
    const QString name = QStringLiteral("Kids.vyxTemplate");
    const QStringList expected = {QStringLiteral("Kids copy.vyxTemplate"),
                                  QStringLiteral("Kids copy 2.vyxTemplate"),
                                  QStringLiteral("Kids copy 3.vyxTemplate")};
    touch(name);
    for (const QString& next : expected) {
        const QString unique = UniqueFileNameInFolder(name, folder());
        EXPECT_EQ(unique, next);
        touch(unique);
    }
}

TEST_F(FileNameUtilitiesTest, ANameWithoutExtensionGetsNoDot) {
    touch(QStringLiteral("Notes"));
    EXPECT_EQ(UniqueFileNameInFolder(QStringLiteral("Notes"), folder()),
              QStringLiteral("Notes copy"));
    // A leading dot starts a name, not an extension.
    touch(QStringLiteral(".hidden"));
    EXPECT_EQ(UniqueFileNameInFolder(QStringLiteral(".hidden"), folder()),
              QStringLiteral(".hidden copy"));
}

TEST_F(FileNameUtilitiesTest, ADanglingLinkTakesItsName) {
    ASSERT_EQ(::symlink("/nonexistent/target",
                        QFile::encodeName(dir.filePath(QStringLiteral("Link.vyxTemplate")))),
              0);
    EXPECT_EQ(UniqueFileNameInFolder(QStringLiteral("Link.vyxTemplate"), folder()),
              QStringLiteral("Link copy.vyxTemplate"));
}

TEST_F(FileNameUtilitiesTest, NewTemplateFileNames) {
    struct Case {
        const char* templateName;
        const char* fileName;
    };
    const Case cases[] = {
        {"My Page: A/B", "My_Page__A_B.vyxTemplate"},
        {"Kids.vyxTemplate", "Kids.vyxTemplate"},
        {"Holiday 2.1", "Holiday_2.1.vyxTemplate"},
        {"v1.5/Kids", "v1.5_Kids.vyxTemplate"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NewTemplateFileName(QString::fromUtf8(c.templateName), folder()),
                  folder() + QLatin1Char('/') + QString::fromUtf8(c.fileName))
            << c.templateName;
}

TEST_F(FileNameUtilitiesTest, NewTemplateFileNameIsMadeUnique) {
    touch(QStringLiteral("My_Page.vyxTemplate"));
    EXPECT_EQ(NewTemplateFileName(QStringLiteral("My Page"), folder() + QLatin1Char('/')),
              folder() + QStringLiteral("/My_Page copy.vyxTemplate"));
}
