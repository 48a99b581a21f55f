#include "platform/system/Workspace.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(WorkspaceTest, PackagesAreFoldersWithABundleExtension) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const struct {
        const char* name;
        bool folder;
        bool package;
    } cases[] = {{"Template.preferencePane", true, true},
                 {"Program.app", true, true},
                 {"Plug.bundle", true, true},
                 {"Photos", true, false},
                 {"Photos.jpg", true, false},
                 {"Program.App", true, false},
                 {"lone.app", false, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.filePath(QLatin1String(c.name));
        if (c.folder) {
            ASSERT_TRUE(QDir().mkpath(path));
        } else {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        }
        EXPECT_EQ(Workspace::sharedWorkspace().isFilePackageAtPath(path), c.package);
    }
    EXPECT_FALSE(Workspace::sharedWorkspace().isFilePackageAtPath(dir.filePath("missing.app")));
}
