#include "framework/model/MasterEXIFTagDictionary.h"
#include "platform/foundation/PropertyList.h"
#include "platform/foundation/Resources.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QVariantMap entry(const QString& name) {
    return {{"TagName", name}, {"FieldName", name}};
}

} // namespace

TEST(MasterEXIFTagDictionary, FlattensTheGroupsAndRetriesUntilFound) {
    QTemporaryDir share;
    ASSERT_TRUE(share.isValid());
    Resources::setSharePathForTesting(share.path());
    EXPECT_FALSE(GetMasterEXIFTagDictionary().isValid());

    const QVariantMap file{
        {"0", QVariantMap{{"10F", entry("Make")}}},
        {"1", QVariantMap{{"103", entry("Compression")}}},
        {"EXIF", QVariantMap{{"829A", entry("Exposure Time")}}},
        {"File", QVariantMap{{"F001", entry("File Name")}, {"F00B", entry("Comment")}}},
        {"iPhoto", QVariantMap{{"IP001", entry("Caption")}}},
        {"Template", QVariantMap{{"T001", entry("Page Number")}}},
        {"Other", QVariantMap{{"X", entry("X")}}},
    };
    ASSERT_TRUE(PropertyList::writeToFile(file, QDir(share.path()).filePath("Exif.plist")));

    const QVariantMap table = GetMasterEXIFTagDictionary().toMap();
    EXPECT_EQ(table.keys(), (QStringList{"0-10F", "EXIF-829A", "File-F001", "File-F00B",
                                         "Template-T001", "iPhoto-IP001"}));
    EXPECT_EQ(table.value("File-F001").toMap().value("TagName"), QVariant("File Name"));

    // Once read, the file is kept.
    ASSERT_TRUE(QFile::remove(QDir(share.path()).filePath("Exif.plist")));
    EXPECT_EQ(GetMasterEXIFTagDictionary().toMap(), table);
    Resources::setSharePathForTesting(QString());
}

TEST(MasterEXIFTagDictionary, FileThatIsNoDictionaryIsUnreadable) {
    QTemporaryDir share;
    ASSERT_TRUE(share.isValid());
    Resources::setSharePathForTesting(share.path());
    ASSERT_TRUE(
        PropertyList::writeToFile(QVariantList{1, 2}, QDir(share.path()).filePath("Exif.plist")));
    EXPECT_FALSE(GetMasterEXIFTagDictionary().isValid());
    // A group that is no dictionary is passed over.
    ASSERT_TRUE(PropertyList::writeToFile(
        QVariantMap{{"0", "text"}, {"File", QVariantMap{{"F001", entry("File Name")}}}},
        QDir(share.path()).filePath("Exif.plist")));
    EXPECT_EQ(GetMasterEXIFTagDictionary().toMap().keys(), QStringList{"File-F001"});
    Resources::setSharePathForTesting(QString());
}

TEST(MasterEXIFTagDictionary, ShippedTableNamesEveryTag) {
    const QVariant table = GetMasterEXIFTagDictionary();
    ASSERT_TRUE(table.isValid()) << Resources::sharePath().toStdString();
    const QVariantMap map = table.toMap();
    for (const char* key : {"File-F001", "File-F00B", "EXIF-829A", "0-112", "iPhoto-IP001",
                            "iPhoto-IP003", "Template-T001", "Template-T007"})
        EXPECT_FALSE(map.value(key).toMap().value("TagName").toString().isEmpty()) << key;
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        EXPECT_FALSE(it.value().toMap().value("TagName").toString().isEmpty())
            << it.key().toStdString();
}
