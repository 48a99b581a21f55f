#include "shell/ResourceInstaller.h"

#include "platform/foundation/FileAccess.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/PropertyList.h"
#include "platform/foundation/Resources.h"
#include "platform/foundation/UserDefaults.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char kTemplateInfoCacheDefault[] = "VyxTemplateCache";
constexpr uint32_t kPantherVersion = 0x1030;

constexpr char kTemplateExtension[] = "vyxTemplate";
constexpr char kMaskExtension[] = "jpg";
constexpr char kBridgeExtension[] = "txt";
constexpr char kTemplatesFolder[] = "Templates";
constexpr char kMasksFolder[] = "Masks";
constexpr char kBridgesFolder[] = "Mail Bridges";

constexpr char kAppExtension[] = "app";
constexpr char kScriptExtension[] = "scpt";
constexpr char kCvsFolder[] = "CVS";
// Folders that count as one item: applications and compiled script bundles.
constexpr const char* kPackageExtensions[] = {"app", "scptd"};

QString str(const char* text) {
    return QString::fromLatin1(text);
}

QString join(const QString& folder, const QString& name) {
    return folder + QLatin1Char('/') + name;
}

// Anything stands at the path, a dangling link included.
bool itemExists(const QString& path) {
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0;
}

bool isFolder(const QString& path) {
    return QFileInfo(path).isDir();
}

// A link is removed, never what it points to.
bool removeItem(const QString& path) {
    const QFileInfo info(path);
    if (info.isDir() && !info.isSymLink())
        return QDir(path).removeRecursively();
    return QFile::remove(path);
}

bool copyModificationDate(const QString& from, const QString& to) {
    struct stat info {};
    if (::stat(QFile::encodeName(from).constData(), &info) != 0)
        return false;
    const struct timespec times[2] = {{0, UTIME_OMIT}, info.st_mtim};
    return ::utimensat(AT_FDCWD, QFile::encodeName(to).constData(), times, 0) == 0;
}

// Copies a file, link or whole folder to a place where nothing stands yet, keeping
// modification dates, so that later launches can tell which copy is newer.
bool copyItem(const QString& source, const QString& target) {
    const QFileInfo info(source);
    if (info.isSymLink()) {
        QByteArray link(4096, '\0');
        const ssize_t n =
            ::readlink(QFile::encodeName(source).constData(), link.data(), size_t(link.size()));
        if (n <= 0 || n >= link.size())
            return false;
        link.truncate(n);
        return ::symlink(link.constData(), QFile::encodeName(target).constData()) == 0;
    }
    if (info.isDir()) {
        if (itemExists(target) || !QDir().mkdir(target))
            return false;
        bool copied = true;
        const QStringList names = QDir(source).entryList(QDir::AllEntries | QDir::Hidden |
                                                         QDir::System | QDir::NoDotAndDotDot);
        for (const QString& name : names)
            copied = copyItem(join(source, name), join(target, name)) && copied;
        QFile::setPermissions(target, info.permissions());
        copyModificationDate(source, target);
        return copied;
    }
    if (!QFile::copy(source, target))
        return false;
    copyModificationDate(source, target);
    return true;
}

// The source's modification date is later than the target's.
bool isLater(const QString& source, const QString& target) {
    return QFileInfo(source).lastModified() > QFileInfo(target).lastModified();
}

// Removes a file that stands where the folder belongs, then makes the folder (only
// this level).
void makeSureFolder(const QString& path) {
    if (isFolder(path))
        return;
    if (itemExists(path))
        removeItem(path);
    QDir().mkdir(path);
}

QString parentOf(const QString& path) {
    return QFileInfo(path).path();
}

} // namespace

ResourceInstaller::ResourceInstaller(UserDefaults& defaults, uint32_t systemVersion)
    : _defaults(defaults), _systemVersion(systemVersion) {}

QString ResourceInstaller::localizedPath(const char* key) {
    return localizedString(str(key));
}

QString ResourceInstaller::bundleResourcePath() {
    return Resources::sharePath();
}

bool ResourceInstaller::isFilePackage(const QString& path) {
    const QFileInfo info(path);
    if (!info.isDir())
        return false;
    const QString extension = info.suffix();
    for (const char* package : kPackageExtensions)
        if (extension.compare(QLatin1String(package), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

QString ResourceInstaller::imageCaptureScriptsPath() const {
    return localizedPath(_systemVersion >= kPantherVersion ? FolderKeys::kIcsPantherPath
                                                           : FolderKeys::kIcsPath);
}

void ResourceInstaller::createLocalPaths() {
    // The data folder is where the rest begins: a new account may not have it, nor
    // the folder that holds it.
    const QString appSupport = FileAccess::expandTilde(localizedPath(FolderKeys::kAppSupportPath));
    makeSureFolder(appSupport);
    if (!isFolder(appSupport))
        QDir().mkpath(appSupport);

    const QString userPath = FileAccess::expandTilde(localizedPath(FolderKeys::kUserPath));
    if (!isFolder(userPath)) {
        if (itemExists(userPath))
            removeItem(userPath);
        const QString oldUserPath =
            FileAccess::expandTilde(localizedPath(FolderKeys::kOldUserPath));
        if (isFolder(oldUserPath)) {
            // A failed copy leaves the old folder where it was, so nothing is lost.
            if (copyItem(oldUserPath, userPath))
                removeItem(oldUserPath);
        } else if (QDir().mkdir(userPath)) {
            QDir().mkdir(join(userPath, localizedPath(FolderKeys::kTemplates)));
        }
    }

    makeSureFolder(FileAccess::expandTilde(localizedPath(FolderKeys::kTemplatesPath)));
    makeSureFolder(FileAccess::expandTilde(imageCaptureScriptsPath()));
}

void ResourceInstaller::installResourcesOfKindFromFolderToPath(const QString& kind,
                                                               const QString& folder,
                                                               const QString& path) {
    const QDir shipped(join(bundleResourcePath(), folder));
    const QStringList resources = shipped.entryList(
        {QStringLiteral("*.") + kind},
        QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::CaseSensitive, QDir::Name);
    if (resources.isEmpty())
        return;

    const QString destination = FileAccess::expandTilde(path);
    const QString parent = parentOf(destination);
    if (!itemExists(parent))
        QDir().mkdir(parent);
    if (!itemExists(destination))
        QDir().mkdir(destination);
    if (!isFolder(destination))
        return;

    for (const QString& name : resources) {
        const QString resource = shipped.filePath(name);
        const QString target = join(destination, name);
        if (itemExists(target)) {
            if (!isLater(resource, target))
                continue;
            removeItem(target);
        }
        copyItem(resource, target);
    }
}

void ResourceInstaller::mergeContentsOfPathToPathDeleteOldApps(const QString& source,
                                                               const QString& destination,
                                                               bool deleteOldApps) {
    if (!itemExists(destination))
        QDir().mkdir(destination);

    const QStringList names = QDir(source).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& name : names) {
        if (name.startsWith(QLatin1Char('.')))
            continue;
        const QString item = join(source, name);
        if (!itemExists(item))
            continue;
        if (isFolder(item) && !isFilePackage(item)) {
            if (name != QLatin1String(kCvsFolder))
                mergeContentsOfPathToPathDeleteOldApps(item, join(destination, name),
                                                       deleteOldApps);
            continue;
        }

        const QString target = join(destination, name);
        if (deleteOldApps) {
            const QFileInfo targetInfo(target);
            const QString extension = targetInfo.suffix();
            const QString withoutExtension =
                join(destination, name.left(name.size() - extension.size() - 1));
            if (extension.compare(QLatin1String(kAppExtension), Qt::CaseInsensitive) == 0) {
                if (itemExists(withoutExtension))
                    removeItem(withoutExtension);
            } else if (extension.compare(QLatin1String(kScriptExtension), Qt::CaseInsensitive) ==
                       0) {
                const QString application =
                    withoutExtension + QLatin1Char('.') + QLatin1String(kAppExtension);
                if (itemExists(application))
                    removeItem(application);
            }
        }
        if (itemExists(target)) {
            if (!isLater(item, target))
                continue;
            removeItem(target);
        }
        // Names are shown in full here: there is no hidden-extension flag to set.
        copyItem(item, target);
    }
}

void ResourceInstaller::convertTemplateInfoCache() {
    const QString key = str(kTemplateInfoCacheDefault);
    const QVariant cache = _defaults.objectForKey(key);
    if (!cache.isValid())
        return;
    const QString file = join(join(FileAccess::expandTilde(localizedPath(FolderKeys::kUserPath)),
                                   localizedPath(FolderKeys::kTemplates)),
                              localizedPath(FolderKeys::kInfoCacheName));
    // The old copy goes only once the new one is safely written.
    if (!PropertyList::writeToFile(cache, file))
        return;
    _defaults.removeObjectForKey(key);
    _defaults.synchronize();
}

void ResourceInstaller::installSharedResources() {
    installResourcesOfKindFromFolderToPath(str(kTemplateExtension), str(kTemplatesFolder),
                                           localizedPath(FolderKeys::kTemplatesPath));
    installResourcesOfKindFromFolderToPath(str(kMaskExtension), str(kMasksFolder),
                                           localizedPath(FolderKeys::kMasksPath));
    installResourcesOfKindFromFolderToPath(str(kBridgeExtension), str(kBridgesFolder),
                                           localizedPath(FolderKeys::kBridgesPath));
}

bool ResourceInstaller::installImageCaptureScript() {
    const QString name = localizedPath(FolderKeys::kIcsName);
    const QString source = join(bundleResourcePath(), name);
    if (!itemExists(source))
        return false;
    const QString folder = FileAccess::expandTilde(imageCaptureScriptsPath());
    const QString oldScript = join(folder, localizedPath(FolderKeys::kOldIcsName));
    if (itemExists(oldScript))
        removeItem(oldScript);
    const QString target = join(folder, name);
    if (itemExists(target) && isLater(source, target))
        removeItem(target);
    if (!itemExists(target))
        copyItem(source, target);
    return true;
}

void ResourceInstaller::installScripts() {
    const QString scripts = FileAccess::expandTilde(localizedPath(FolderKeys::kScriptsPath));
    const QString parent = parentOf(scripts);
    if (!itemExists(parent))
        QDir().mkdir(parent);
    if (!itemExists(scripts))
        QDir().mkdir(scripts);
    mergeContentsOfPathToPathDeleteOldApps(
        join(bundleResourcePath(), localizedPath(FolderKeys::kBundleScriptsPath)), scripts, true);
}
