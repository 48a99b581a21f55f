#pragma once

#include <QString>
#include <cstdint>

class UserDefaults;

// Keys of the string table that name the user's folders and the shipped files.
namespace FolderKeys {
inline constexpr char kAppSupportPath[] = "APP_SUPPORT_PATH";
inline constexpr char kUserPath[] = "USER_PATH";
inline constexpr char kOldUserPath[] = "OLD_USER_PATH";
inline constexpr char kTemplatesPath[] = "TEMPLATES_PATH";
inline constexpr char kTemplates[] = "TEMPLATES";
inline constexpr char kMasksPath[] = "MASKS_PATH";
inline constexpr char kBridgesPath[] = "BRIDGES_PATH";
inline constexpr char kIcsPath[] = "ICS_PATH";
inline constexpr char kIcsPantherPath[] = "ICS_PANTHER_PATH";
inline constexpr char kIcsName[] = "ICS_NAME";
inline constexpr char kOldIcsName[] = "OLD_ICS_NAME";
inline constexpr char kBundleScriptsPath[] = "BUNDLE_SCRIPTS_PATH";
inline constexpr char kScriptsPath[] = "SCRIPTS_PATH";
inline constexpr char kInfoCacheName[] = "INFO_CACHE_NAME";
inline constexpr char kHelperAppName[] = "HELPER_APP_NAME";
} // namespace FolderKeys

// Creates the user's folders and brings the templates, masks, mail bridges, scripts
// and Image Capture script that ship with the application into them. A user's own
// files are never touched; a user's copy of a shipped file is replaced only by a
// shipped file with a later modification date.
//
// Nothing here reports failure: a folder that can't be made or a copy that fails
// leaves that step undone and the rest goes on.
class ResourceInstaller {
public:
    ResourceInstaller(UserDefaults& defaults, uint32_t systemVersion);

    // The localized text of a folder key.
    static QString localizedPath(const char* key);
    // Where the application keeps what it ships (share/lumisk).
    static QString bundleResourcePath();
    // A folder that stands for one item, as applications and compiled script
    // bundles do.
    static bool isFilePackage(const QString& path);

    // The application support, user, templates and Image Capture scripts folders,
    // one level at a time. An old user folder is moved to the new place.
    void createLocalPaths();
    // Copies the shipped files with the extension `kind` from the shipped folder
    // into the destination (tilde expanded; made when missing).
    void installResourcesOfKindFromFolderToPath(const QString& kind, const QString& folder,
                                                const QString& path);
    // Merges a folder tree into another: hidden names and "CVS" folders are left
    // out; with deleteOldApps a shipped X.app replaces X, and X.scpt replaces X.app.
    void mergeContentsOfPathToPathDeleteOldApps(const QString& source, const QString& destination,
                                                bool deleteOldApps);
    // Moves a template info cache that old versions kept in the user defaults into
    // its file in the templates folder.
    void convertTemplateInfoCache();

    // The shipped templates, masks and mail bridges.
    void installSharedResources();
    // False when the application has no Image Capture script to install.
    bool installImageCaptureScript();
    // The shipped scripts into the user's scripts folder.
    void installScripts();

    // The Image Capture scripts folder for the running system, unexpanded.
    QString imageCaptureScriptsPath() const;

private:
    UserDefaults& _defaults;
    uint32_t _systemVersion;
};
