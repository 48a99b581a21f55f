#include "shell/ResourceInstaller.h"

#include "platform/foundation/FileAccess.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/PropertyList.h"
#include "platform/foundation/Resources.h"
#include "platform/foundation/UserDefaults.h"
#include "support/TestHome.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

constexpr uint32_t kSystemVersion = 0x1046;

const QDateTime kOld = QDateTime(QDate(2005, 3, 1), QTime(12, 0), Qt::UTC);
const QDateTime kNew = QDateTime(QDate(2006, 7, 1), QTime(12, 0), Qt::UTC);

void setModified(const QString& path, const QDateTime& modified) {
    const qint64 ms = modified.toMSecsSinceEpoch();
    const struct timespec times[2] = {{0, UTIME_OMIT}, {ms / 1000, (ms % 1000) * 1000000}};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0)
        << path.toStdString();
}

void writeFile(const QString& path, const QByteArray& contents,
               const QDateTime& modified = QDateTime()) {
    QDir().mkpath(QFileInfo(path).path());
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
        file.write(contents);
    }
    if (modified.isValid()) {
        setModified(path, modified);
    }
}

QByteArray contentsOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

bool isFolder(const QString& path) {
    return QFileInfo(path).isDir() && !QFileInfo(path).isSymLink();
}

QString home(const QString& relative) {
    return QDir::homePath() + QLatin1Char('/') + relative;
}

// A fresh account (HOME of its own) and a fixture share folder standing in for what
// the application ships.
class ResourceInstallerTest : public ::testing::Test {
protected:
    ResourceInstallerTest()
        : defaults(QDir::homePath() + QStringLiteral("/defaults.plist")),
          installer(defaults, kSystemVersion) {
        Resources::setSharePathForTesting(share.path());
    }
    ~ResourceInstallerTest() override { Resources::setSharePathForTesting(QString()); }

    QString shipped(const QString& relative) const { return share.filePath(relative); }

    TestHome account;
    QTemporaryDir share;
    UserDefaults defaults;
    ResourceInstaller installer;
};

} // namespace

TEST_F(ResourceInstallerTest, FolderNamesComeFromTheStringTable) {
    for (const char* key :
         {FolderKeys::kAppSupportPath, FolderKeys::kUserPath, FolderKeys::kOldUserPath,
          FolderKeys::kTemplatesPath, FolderKeys::kTemplates, FolderKeys::kMasksPath,
          FolderKeys::kBridgesPath, FolderKeys::kIcsPath, FolderKeys::kIcsPantherPath,
          FolderKeys::kIcsName, FolderKeys::kOldIcsName, FolderKeys::kBundleScriptsPath,
          FolderKeys::kScriptsPath, FolderKeys::kInfoCacheName, FolderKeys::kHelperAppName})
        EXPECT_NE(ResourceInstaller::localizedPath(key), QString::fromLatin1(key)) << key;

    EXPECT_EQ(FileAccess::expandTilde(QStringLiteral("~/a/b")), home(QStringLiteral("a/b")));
    EXPECT_EQ(FileAccess::expandTilde(QStringLiteral("~")), QDir::homePath());
    EXPECT_EQ(FileAccess::expandTilde(QStringLiteral("/x/~/y")), QStringLiteral("/x/~/y"));
    EXPECT_EQ(FileAccess::expandTilde(QStringLiteral("~other/y")), QStringLiteral("~other/y"));
}

TEST_F(ResourceInstallerTest, FreshAccount) {
    writeFile(shipped(QStringLiteral("Templates/Wedding.vyxTemplate")), "wedding");
    writeFile(shipped(QStringLiteral("Templates/Proof Sheet.vyxTemplate")), "proof");
    writeFile(shipped(QStringLiteral("Templates/README.txt")), "not a template");
    writeFile(shipped(QStringLiteral("Templates/.keep")), "");
    writeFile(shipped(QStringLiteral("Masks/Heart.jpg")), "heart");
    writeFile(shipped(QStringLiteral("Masks/Heart.JPG.png")), "not a mask");
    writeFile(shipped(QStringLiteral("Mail Bridges/Mail.txt")), "bridge");
    QDir(home(QStringLiteral(".local"))).removeRecursively();

    installer.createLocalPaths();
    installer.installSharedResources();

    const QString user = home(QStringLiteral(".local/share/Lumisk"));
    EXPECT_TRUE(isFolder(home(QStringLiteral(".local/share"))));
    EXPECT_TRUE(isFolder(user));
    EXPECT_TRUE(isFolder(user + QStringLiteral("/Templates")));
    EXPECT_TRUE(isFolder(user + QStringLiteral("/Image Capture Scripts")));

    EXPECT_EQ(QDir(user + QStringLiteral("/Templates")).entryList(QDir::Files | QDir::Hidden),
              QStringList({QStringLiteral("Proof Sheet.vyxTemplate"),
                           QStringLiteral("Wedding.vyxTemplate")}));
    EXPECT_EQ(contentsOf(user + QStringLiteral("/Templates/Wedding.vyxTemplate")), "wedding");
    EXPECT_EQ(QDir(user + QStringLiteral("/Masks")).entryList(QDir::Files | QDir::Hidden),
              QStringList(QStringLiteral("Heart.jpg")));
    EXPECT_EQ(contentsOf(user + QStringLiteral("/Mail Bridges/Mail.txt")), "bridge");
}

TEST_F(ResourceInstallerTest, AFileWhereTheUserFolderBelongsIsReplaced) {
    const QString user = home(QStringLiteral(".local/share/Lumisk"));
    writeFile(user, "in the way");

    installer.createLocalPaths();

    EXPECT_TRUE(isFolder(user));
    EXPECT_TRUE(isFolder(user + QStringLiteral("/Templates")));
}

TEST_F(ResourceInstallerTest, TheOldUserFolderIsMoved) {
    const QString old = home(QStringLiteral(".lumisk"));
    writeFile(old + QStringLiteral("/Templates/Mine.vyxTemplate"), "mine", kOld);
    writeFile(old + QStringLiteral("/Masks/Star.jpg"), "star");
    writeFile(old + QStringLiteral("/.hidden"), "kept too");

    installer.createLocalPaths();

    const QString user = home(QStringLiteral(".local/share/Lumisk"));
    EXPECT_FALSE(QFileInfo::exists(old));
    EXPECT_EQ(contentsOf(user + QStringLiteral("/Templates/Mine.vyxTemplate")), "mine");
    EXPECT_EQ(QFileInfo(user + QStringLiteral("/Templates/Mine.vyxTemplate")).lastModified(), kOld);
    EXPECT_EQ(contentsOf(user + QStringLiteral("/Masks/Star.jpg")), "star");
    EXPECT_EQ(contentsOf(user + QStringLiteral("/.hidden")), "kept too");
    EXPECT_EQ(QDir(user + QStringLiteral("/Templates")).entryList(QDir::Files),
              QStringList(QStringLiteral("Mine.vyxTemplate")));

    // A user folder that is already there is left alone, old folder or not.
    writeFile(old + QStringLiteral("/Templates/Other.vyxTemplate"), "other");
    installer.createLocalPaths();
    EXPECT_TRUE(QFileInfo::exists(old));
    EXPECT_FALSE(QFileInfo::exists(user + QStringLiteral("/Templates/Other.vyxTemplate")));
}

TEST_F(ResourceInstallerTest, ShippedFilesReplaceOnlyOlderCopies) {
    const QString templates = home(QStringLiteral(".local/share/Lumisk/Templates"));
    // Shipped: one file per case, all dated kNew.
    for (const char* name : {"Same", "Older", "Edited", "Missing", "Linked"})
        writeFile(shipped(QStringLiteral("Templates/%1.vyxTemplate").arg(QLatin1String(name))),
                  "shipped", kNew);
    writeFile(templates + QStringLiteral("/Same.vyxTemplate"), "user's, same date", kNew);
    writeFile(templates + QStringLiteral("/Older.vyxTemplate"), "user's, older", kOld);
    writeFile(templates + QStringLiteral("/Edited.vyxTemplate"), "user's, edited later",
              kNew.addDays(1));
    writeFile(templates + QStringLiteral("/Own.vyxTemplate"), "user's own", kOld);
    // A link in the user's folder is replaced; what it points to is not touched.
    QTemporaryDir elsewhere;
    writeFile(elsewhere.filePath(QStringLiteral("precious")), "precious");
    ASSERT_TRUE(QFile::link(elsewhere.path(), templates + QStringLiteral("/Linked.vyxTemplate")));
    setModified(elsewhere.path(), kOld);

    installer.installResourcesOfKindFromFolderToPath(
        QStringLiteral("vyxTemplate"), QStringLiteral("Templates"),
        QStringLiteral("~/.local/share/Lumisk/Templates"));

    EXPECT_EQ(contentsOf(templates + QStringLiteral("/Same.vyxTemplate")), "user's, same date");
    EXPECT_EQ(contentsOf(templates + QStringLiteral("/Older.vyxTemplate")), "shipped");
    EXPECT_EQ(QFileInfo(templates + QStringLiteral("/Older.vyxTemplate")).lastModified(), kNew);
    EXPECT_EQ(contentsOf(templates + QStringLiteral("/Edited.vyxTemplate")),
              "user's, edited later");
    EXPECT_EQ(contentsOf(templates + QStringLiteral("/Missing.vyxTemplate")), "shipped");
    EXPECT_EQ(contentsOf(templates + QStringLiteral("/Own.vyxTemplate")), "user's own");
    EXPECT_EQ(contentsOf(templates + QStringLiteral("/Linked.vyxTemplate")), "shipped");
    EXPECT_EQ(contentsOf(elsewhere.filePath(QStringLiteral("precious"))), "precious");

    // A second launch copies nothing: the copies keep the shipped dates.
    writeFile(templates + QStringLiteral("/Missing.vyxTemplate"), "changed by the user");
    setModified(templates + QStringLiteral("/Missing.vyxTemplate"), kNew);
    installer.installResourcesOfKindFromFolderToPath(
        QStringLiteral("vyxTemplate"), QStringLiteral("Templates"),
        QStringLiteral("~/.local/share/Lumisk/Templates"));
    EXPECT_EQ(contentsOf(templates + QStringLiteral("/Missing.vyxTemplate")),
              "changed by the user");
}

TEST_F(ResourceInstallerTest, NothingShippedMakesNoFolder) {
    writeFile(shipped(QStringLiteral("Masks/notes.txt")), "not a mask");
    installer.installResourcesOfKindFromFolderToPath(QStringLiteral("jpg"), QStringLiteral("Masks"),
                                                     QStringLiteral("~/NewParent/Masks"));
    EXPECT_FALSE(QFileInfo::exists(home(QStringLiteral("NewParent"))));

    // With something to install, the parent and the folder are made; a file in the
    // folder's place stops the install.
    writeFile(shipped(QStringLiteral("Masks/Oval.jpg")), "oval");
    installer.installResourcesOfKindFromFolderToPath(QStringLiteral("jpg"), QStringLiteral("Masks"),
                                                     QStringLiteral("~/NewParent/Masks"));
    EXPECT_EQ(contentsOf(home(QStringLiteral("NewParent/Masks/Oval.jpg"))), "oval");

    writeFile(home(QStringLiteral("Blocked")), "a file");
    installer.installResourcesOfKindFromFolderToPath(QStringLiteral("jpg"), QStringLiteral("Masks"),
                                                     QStringLiteral("~/Blocked"));
    EXPECT_EQ(contentsOf(home(QStringLiteral("Blocked"))), "a file");
}

TEST_F(ResourceInstallerTest, MergeRules) {
    const QString source = shipped(QStringLiteral("Scripts"));
    const QString target = home(QStringLiteral("Merged"));
    writeFile(source + QStringLiteral("/Plain.sh"), "plain");
    writeFile(source + QStringLiteral("/.DS_Store"), "hidden");
    writeFile(source + QStringLiteral("/.hiddenfolder/X.sh"), "hidden");
    writeFile(source + QStringLiteral("/CVS/Entries"), "cvs");
    writeFile(source + QStringLiteral("/Tools/CVS/Entries"), "cvs");
    writeFile(source + QStringLiteral("/Tools/Resize.sh"), "resize");
    writeFile(source + QStringLiteral("/Backup.scpt"), "script");
    writeFile(source + QStringLiteral("/Export.APP/Contents/run"), "package");
    writeFile(source + QStringLiteral("/Export.APP/CVS/Entries"), "inside a package");
    // The user's items that the shipped ones supersede.
    writeFile(target + QStringLiteral("/Backup.app/Contents/run"), "user's old app");
    writeFile(target + QStringLiteral("/Export"), "user's old extensionless tool");
    writeFile(target + QStringLiteral("/Keep.app/Contents/run"), "unrelated");

    installer.mergeContentsOfPathToPathDeleteOldApps(source, target, true);

    EXPECT_EQ(contentsOf(target + QStringLiteral("/Plain.sh")), "plain");
    EXPECT_FALSE(QFileInfo::exists(target + QStringLiteral("/.DS_Store")));
    EXPECT_FALSE(QFileInfo::exists(target + QStringLiteral("/.hiddenfolder")));
    EXPECT_FALSE(QFileInfo::exists(target + QStringLiteral("/CVS")));
    EXPECT_FALSE(QFileInfo::exists(target + QStringLiteral("/Tools/CVS")));
    EXPECT_EQ(contentsOf(target + QStringLiteral("/Tools/Resize.sh")), "resize");
    EXPECT_EQ(contentsOf(target + QStringLiteral("/Backup.scpt")), "script");
    EXPECT_FALSE(QFileInfo::exists(target + QStringLiteral("/Backup.app")));
    // A package is copied whole, as one item.
    EXPECT_EQ(contentsOf(target + QStringLiteral("/Export.APP/Contents/run")), "package");
    EXPECT_EQ(contentsOf(target + QStringLiteral("/Export.APP/CVS/Entries")), "inside a package");
    EXPECT_FALSE(QFileInfo::exists(target + QStringLiteral("/Export")));
    EXPECT_EQ(contentsOf(target + QStringLiteral("/Keep.app/Contents/run")), "unrelated");
}

TEST_F(ResourceInstallerTest, MergeKeepsOldAppsWithoutTheFlagAndNewerUserCopies) {
    const QString source = shipped(QStringLiteral("Scripts"));
    const QString target = home(QStringLiteral("Merged"));
    writeFile(source + QStringLiteral("/Backup.scpt"), "shipped", kOld);
    writeFile(source + QStringLiteral("/Sync.sh"), "shipped", kNew);
    writeFile(target + QStringLiteral("/Backup.app/Contents/run"), "user's app");
    writeFile(target + QStringLiteral("/Backup.scpt"), "user's edit", kNew);
    writeFile(target + QStringLiteral("/Sync.sh"), "user's older copy", kOld);

    installer.mergeContentsOfPathToPathDeleteOldApps(source, target, false);

    EXPECT_EQ(contentsOf(target + QStringLiteral("/Backup.app/Contents/run")), "user's app");
    EXPECT_EQ(contentsOf(target + QStringLiteral("/Backup.scpt")), "user's edit");
    EXPECT_EQ(contentsOf(target + QStringLiteral("/Sync.sh")), "shipped");
}

TEST_F(ResourceInstallerTest, InstallScriptsMakesTheScriptsFolderAndKeepsExecutables) {
    writeFile(shipped(QStringLiteral("Scripts/Run.sh")), "#!/bin/sh\n");
    QFile::setPermissions(shipped(QStringLiteral("Scripts/Run.sh")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QDir(home(QStringLiteral(".local/share/Lumisk"))).removeRecursively();

    installer.installScripts();

    const QString run = home(QStringLiteral(".local/share/Lumisk/Scripts/Run.sh"));
    EXPECT_EQ(contentsOf(run), "#!/bin/sh\n");
    EXPECT_TRUE(QFileInfo(run).isExecutable());
}

TEST_F(ResourceInstallerTest, ImageCaptureScript) {
    const QString folder = home(QStringLiteral(".local/share/Lumisk/Image Capture Scripts"));
    const QString name = ResourceInstaller::localizedPath(FolderKeys::kIcsName);
    const QString oldName = ResourceInstaller::localizedPath(FolderKeys::kOldIcsName);
    installer.createLocalPaths();

    EXPECT_FALSE(installer.installImageCaptureScript());

    writeFile(shipped(name), "v1", kOld);
    writeFile(folder + QLatin1Char('/') + oldName, "old script");
    EXPECT_TRUE(installer.installImageCaptureScript());
    EXPECT_EQ(contentsOf(folder + QLatin1Char('/') + name), "v1");
    EXPECT_FALSE(QFileInfo::exists(folder + QLatin1Char('/') + oldName));

    // A later shipped script replaces the copy; an equal date leaves it.
    writeFile(shipped(name), "v2", kOld);
    EXPECT_TRUE(installer.installImageCaptureScript());
    EXPECT_EQ(contentsOf(folder + QLatin1Char('/') + name), "v1");
    writeFile(shipped(name), "v3", kNew);
    EXPECT_TRUE(installer.installImageCaptureScript());
    EXPECT_EQ(contentsOf(folder + QLatin1Char('/') + name), "v3");
}

TEST_F(ResourceInstallerTest, TemplateInfoCacheMovesToItsFile) {
    const QString key = QStringLiteral("VyxTemplateCache");
    const QString file = home(QStringLiteral(".local/share/Lumisk/Templates/")) +
                         ResourceInstaller::localizedPath(FolderKeys::kInfoCacheName);
    const QVariantMap cache{{QStringLiteral("Wedding"), QVariantMap{{QStringLiteral("n"), 3}}}};

    // Nothing stored: nothing written.
    installer.createLocalPaths();
    installer.convertTemplateInfoCache();
    EXPECT_FALSE(QFileInfo::exists(file));

    // A write that fails keeps the stored cache.
    defaults.setObjectForKey(cache, key);
    QDir(home(QStringLiteral(".local/share/Lumisk/Templates"))).removeRecursively();
    installer.convertTemplateInfoCache();
    EXPECT_TRUE(defaults.objectForKey(key).isValid());

    installer.createLocalPaths();
    installer.convertTemplateInfoCache();
    EXPECT_EQ(PropertyList::readFromFile(file), QVariant(cache));
    EXPECT_FALSE(defaults.objectForKey(key).isValid());
    UserDefaults reread(defaults.filePath());
    EXPECT_FALSE(reread.objectForKey(key).isValid());
}
