#include "platform/system/Workspace.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>
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

namespace {

// Notes the addresses it is asked to open instead of opening them.
class AddressRecorder : public Workspace {
public:
    bool openURL(const QUrl& url) override {
        opened.append(url);
        return true;
    }
    QList<QUrl> opened;
};

} // namespace

TEST(WorkspaceTest, FilesOpenByTheirAddressAndShowInTheirFolder) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("a photo.jpg"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    // Without a session bus no file manager can be asked to select: the folder opens.
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    AddressRecorder workspace;
    EXPECT_TRUE(workspace.openFile(path));
    EXPECT_TRUE(workspace.selectFile(path, QString()));
    EXPECT_TRUE(workspace.selectFile(path, QDir::tempPath()));
    EXPECT_EQ(workspace.opened,
              (QList<QUrl>{QUrl::fromLocalFile(path), QUrl::fromLocalFile(dir.path()),
                           QUrl::fromLocalFile(QDir::tempPath())}));
    // Nothing is asked for a file that is not there.
    EXPECT_FALSE(workspace.openFile(dir.filePath(QStringLiteral("gone.jpg"))));
    EXPECT_FALSE(workspace.selectFile(dir.filePath(QStringLiteral("gone.jpg")), QString()));
    EXPECT_EQ(workspace.opened.size(), 3);
}
