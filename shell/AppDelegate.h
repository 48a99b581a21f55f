#pragma once

#include "platform/foundation/HostServices.h"
#include "platform/graphics/Image.h"
#include "shell/ResourceInstaller.h"
#include "shell/SettingsStore.h"
#include "shell/SystemEnvironment.h"
#include "shell/WaitCursorMonitor.h"

#include <QCursor>
#include <QList>
#include <QThreadPool>
#include <QUrl>
#include <QVariantMap>
#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>

class BezierPath;
class ColorProfileHandle;
class Document;
class MainMenu;
class QThread;
class SS_PrefsController;
class ScriptingBus;
class QTimer;
class QWidget;
class URLImageRetrievalDelegate;
class URLResourceRetriever;
class UserDefaults;

// The host whose reachability tells whether the network is usable: the web server
// that also serves the version file.
inline constexpr char kMakerWebServerHost[] = "www.lumisk.org";
inline constexpr char kVersionFileURL[] = "http://www.lumisk.org/Downloads/VyxVersion.txt";
// The build of this program, as version files number them.
inline constexpr int kCurrentBuild = 26;

// User defaults of the update checks.
inline constexpr char kLastUpdateCheckKey[] = "_lastUpdateCheck";
inline constexpr char kLastExchangeCheckDateKey[] = "templateManagerLastExchangeCheckDateKey";
inline constexpr char kLastExchangeIgnoreDateKey[] = "templateManagerLastExchangeIgnoreDateKey";

// The application's delegate: the settings store and the process-wide services
// every other part reaches through the installed host. Installs itself as the host
// while it lives.
class AppDelegate : public HostServices {
public:
    // The delegate installed as the host; null while none is.
    static AppDelegate* current();

    // Defaults to the running system and the standard user defaults.
    explicit AppDelegate(std::unique_ptr<SystemEnvironment> environment = nullptr,
                         UserDefaults* defaults = nullptr);
    ~AppDelegate() override;
    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;

    // Settings store.
    int preferencesIntFor(int index) override;
    void setPreferencesIntFor(int value, int index) override;
    bool preferencesBOOLFor(int index) override;
    void setPreferencesBOOLFor(bool value, int index) override;
    QString preferencesStringFor(int index) override;
    void setPreferencesStringFor(const QString& value, int index) override;
    Size preferencesNSSizeFor(int index) override;
    void setPreferencesNSSizeFor(Size value, int index) override;
    void initPreferences();
    // The user's output profiles, archived under "prefActiveProfilesKey"; an empty
    // list when none are stored or the stored archive can't be read.
    QList<std::shared_ptr<ColorProfileHandle>> activeProfiles();
    void setActiveProfiles(const QList<std::shared_ptr<ColorProfileHandle>>& profiles);

    // System.
    uint32_t osSystemVersion() override;
    // 10 for Intel, 2 otherwise.
    int systemArchitecture();
    // Installed memory in megabytes.
    int32_t physicalRAM() override;
    // The calling thread is the one recorded as the main thread (the one that made
    // the delegate, unless recorded again).
    bool isMainThread() const;
    void recordMainAppThread();

    // A private folder for temporary files, made on every call; its last component
    // is "Vyx".
    QString tempFolder() override;
    // "--" for 0, else bytes, kilobytes or megabytes with their unit.
    QString fileSizeString(int64_t bytes) override;
    // Code 1: the installed masks folder, unexpanded. Any other: the empty text.
    QString accessPath(int code) override;
    QStringList installedTemplateCategories() override;

    // Image fetches, forwarded to the retriever.
    Image synchronousImageFetch(const QUrl& url);
    QByteArray synchronousDataFetch(const QUrl& url) override;
    QByteArray cancellableDataFetch(const QUrl& url, const std::atomic<bool>& cancelled) override;
    void asynchronousImageFetchDataTagCompletionDelegate(
        const QUrl& url, int32_t tag, std::shared_ptr<URLImageRetrievalDelegate> delegate) override;
    URLResourceRetriever& urlRetriever() { return *_urlRetriever; }

    // Shared cursors, made on first use.
    const QCursor& openHandCursor() override;
    const QCursor& crossArrowsCursor() override;
    const QCursor& zoomArrowsCursor() override;

    // Selection handles: shapes by style (0 circle, 1 diamond, 2 square), images by
    // kind (0 segment, 1 control, 2 selected). Other numbers name nothing.
    const BezierPath* handlePath(int style) override;
    Image handleGraphic();
    // Null when the image can't be read; the next request tries again.
    Image handleGraphic(int kind);
    void setHandleStyleToGraphic(int kind, const Image& image);
    void clearHandleGraphics() override;

    // The catalog document that commands go to: the current document when it is a
    // catalog, else the frontmost catalog; null when none is open.
    static Document* findTargetDocument();
    bool internetConnected();

    // Wait-cursor monitor. Long work on the main thread is announced between
    // resumeWaitMonitor and suspendWaitMonitor; clearWaitCursor is a sign of life.
    void startWaitMonitor();
    void stopWaitMonitor();
    void resumeWaitMonitor() override;
    void suspendWaitMonitor() override;
    void clearWaitCursor();
    WaitCursorMonitor& waitCursorMonitor() { return _waitMonitor; }

    // Start-up and shutdown. The program runs the application through
    // applicationMain, which calls the others in the platform's order.
    int applicationMain(const QStringList& paths);
    void applicationWillFinishLaunching();
    void applicationDidFinishLaunching();
    // Folders only. Before launch completes a folder is held back (the last one
    // wins) unless a catalog window is at hand to take it.
    bool applicationOpenFile(const QString& path);
    // Paths named on the command line or handed over by a second lumisk, in
    // order: folders go to applicationOpenFile, other files open as documents
    // of their type (image files join the front catalog). Files named before
    // launch completes wait for it.
    void openPaths(const QStringList& paths);
    // What a second lumisk hands over: no paths at all reopen the application.
    void openHandedOverPaths(const QStringList& paths);
    QStringList pendingFiles() const { return _pendingFiles; }
    bool applicationShouldOpenUntitledFile();
    bool applicationShouldHandleReopenHasVisibleWindows(bool visibleWindows);
    // Lumisk asked for again while it runs: its front document window comes
    // forward, or, with none shown, a new catalog opens when the settings say so.
    void applicationReopen();
    void applicationDidBecomeActive();
    void applicationWillTerminate();
    bool launchComplete() const { return _launchComplete; }
    QString pendingFolder() const { return _pendingFolder; }
    QTimer* heartbeatTimer() const { return _heartbeatTimer.get(); }

    // The user's folders and the shipped resources.
    void createLocalPaths();
    void installResourcesOfKindFromFolderToPath(const QString& kind, const QString& folder,
                                                const QString& path);
    void mergeContentsOfPathToPathDeleteOldApps(const QString& source, const QString& destination,
                                                bool deleteOldApps);
    void convertTemplateInfoCache();
    // Starts the program at the path; false when there is none or it can't start.
    bool launchApplicationInBackground(const QString& path, bool inBackground);

    // Menu actions.
    void resetPalettes();
    void newCatalogDocument();
    void newTemplateDocument();
    void showTemplateManager();
    // The preferences window; its controller is made on first use and kept.
    void showPreferences();
    SS_PrefsController* preferenceWindowController() const {
        return _preferenceWindowController.get();
    }
    void setPreferenceWindowController(std::unique_ptr<SS_PrefsController> controller);
    // Web pages, through the workspace.
    void openTechSupport();
    void openComment();
    void openVarnWeb();
    void openTips();

    // The 5 s tick on the main thread: it runs the checks that the short threads
    // found due, shows an update notice left by the version checker and, once, lets
    // the colour panel show opacity.
    void heartbeat();

    // Update checks. A sender is the user asking (from the menu); none is the
    // automatic check.
    void checkForUpdates(const QObject* sender);
    // Each starts a short thread that finds out whether the network is there and,
    // if so, flags its check for the next beat; true when the check was due and
    // the thread started.
    bool autoUpdate();
    bool autoExchangeUpdate();
    bool shouldAutoUpdate() const { return _shouldAutoUpdate.load(); }
    bool shouldExchangeAutoUpdate() const { return _shouldExchangeAutoUpdate.load(); }
    // Leaves an update notice ("msg", "url", "build") for the next beat. Any thread.
    void signalUpdateMessage(const QVariantMap& notice);
    // The version file's address; tests point it at a server of their own.
    QString versionFileURL() const { return _versionFileURL; }
    void setVersionFileURL(const QString& url) { _versionFileURL = url; }

    // Runs a file of the Scripts menu on a thread of its own; a failure is shown
    // when it ends, and the main window then comes to the front.
    void runScript(const QString& path);
    // The shared main menu that main windows show.
    MainMenu* mainMenu() const { return _mainMenu.get(); }

    SettingsStore& settingsStore() { return _settings; }

protected:
    // The main window: the last active document window, also while the
    // application is not active; palettes and dialogs are never main.
    virtual QWidget* mainWindow() const;
    // Hands a folder to a window's catalog; false when the window shows no catalog.
    virtual bool receivePathInWindow(QWidget* window, const QString& path);

private:
    // Which palettes are open, as the palette memory records it.
    struct PaletteStates {
        bool enhancer = false, info = false, templateManager = false, inspector = false,
             geometry = false, gradient = false, colorPanel = false;
    };
    PaletteStates currentPaletteStates() const;
    void restorePalettes();
    // Stores the states taken as quitting began, if it began through the
    // application, else the current ones.
    void storePalettes();
    // Waiting for the subsystems that provide them (see the definitions).
    void initFileAttributeGlobals();
    void startAutomaticChecks();
    void installAboutItemAction();
    void constructScriptsMenu();
    void autoUpdateThread();
    void autoExchangeUpdateThread();
    void scriptFinished(const QString& path, int16_t status);
    void synchronizeTemplateInfoCache();
    bool placeColorPanel();
    void orderFrontColorPanel();
    bool colorPanelIsVisible() const;

    std::unique_ptr<SystemEnvironment> _environment;
    UserDefaults& _defaults;
    SettingsStore _settings;
    QThread* _mainAppThread = nullptr;
    std::unique_ptr<URLResourceRetriever> _urlRetriever;
    std::unique_ptr<ScriptingBus> _scriptingBus;
    std::optional<QCursor> _openHandCursor;
    std::optional<QCursor> _zoomArrowsCursor;
    std::optional<QCursor> _crossArrowsCursor;
    std::array<Image, 3> _handleGraphics;
    std::array<std::unique_ptr<BezierPath>, 3> _handlePaths;
    ResourceInstaller _resources;
    WaitCursorMonitor _waitMonitor;
    bool _launchComplete = false;
    QString _pendingFolder;
    QStringList _pendingFiles;
    std::unique_ptr<QTimer> _heartbeatTimer;
    std::optional<PaletteStates> _palettesAtQuit;
    bool _inHeartbeat = false;
    std::atomic<bool> _shouldAutoUpdate{false};
    std::atomic<bool> _shouldExchangeAutoUpdate{false};
    bool _colorAlphaSet = false;
    // Shared with the version checker's threads, which may end after the delegate.
    struct UpdateInfo {
        std::mutex mutex;
        std::optional<QVariantMap> notice;
    };
    std::shared_ptr<UpdateInfo> _updateInfo;
    QString _versionFileURL;
    std::unique_ptr<MainMenu> _mainMenu;
    std::unique_ptr<SS_PrefsController> _preferenceWindowController;
    bool _aboutItemInstalled = false;
    // The short reachability threads; they use the environment, so the delegate
    // waits for them as it goes.
    QThreadPool _shortThreads;
};
