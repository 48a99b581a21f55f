// The application delegate's start-up, its answers to the application, and its
// ordered end.
#include "shell/AppDelegate.h"

#include "catalog/FileAttributeInfo.h"
#include "documents/RoduvudeDadevizi.h"
#include "documents/ZaroziveZodiroVirizidivi.h"
#include "framework/editor/GeometryController.h"
#include "framework/editor/InspectorController.h"
#include "framework/editor/ToolPaletteController.h"
#include "framework/inspectors/VQGradientFillPanel.h"
#include "framework/model/TemplateDocument.h"
#include "library/TemplateInfoCache.h"
#include "library/TemplateManagerWindowController.h"
#include "photoview/PhotoInfoWindowController.h"
#include "photoview/PixelAdjusterController.h"
#include "platform/documents/Document.h"
#include "platform/documents/DocumentController.h"
#include "platform/documents/WindowController.h"
#include "platform/foundation/FileAccess.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/PreferenceIndex.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/ui/ColorPanel.h"
#include "platform/ui/FloatingPalette.h"
#include "platform/ui/MainWindowTracker.h"
#include "platform/ui/ModalAlert.h"
#include "shell/MainMenu.h"
#include "shell/NFVersionChecker.h"
#include "shell/ScriptingBus.h"
#include "shell/ScriptsMenu.h"
#include "shell/SplashPanelController.h"

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QMenu>
#include <QProcess>
#include <QScopeGuard>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <utility>

namespace {

// Palette memory: "YES" or "NO" texts.
constexpr char kShowEnhancerKey[] = "_show_enhancer";
constexpr char kShowInfoKey[] = "_show_info";
constexpr char kShowTemplateManagerKey[] = "_show_templateManager";
constexpr char kShowInspectorKey[] = "_show_inspector";
constexpr char kShowGeometryKey[] = "_show_geometry";
constexpr char kShowColorPanelKey[] = "_show_color_panel";
constexpr char kShowGradientKey[] = "_show_gradient";
constexpr char kColorPanelInitedKey[] = "_color_panel_inited";

constexpr char kIcScriptMissingMessage[] = "Could not auto install IC Script";
constexpr char kSettingsSetAsideTitle[] = "Your settings could not be read";
constexpr char kSettingsSetAsideMessage[] =
    "The settings file was damaged. It has been kept as %1, and Lumisk starts with the "
    "standard settings.";
constexpr char kTemplateExtension[] = "vyxTemplate";
constexpr char kMaskExtension[] = "jpg";
constexpr char kBridgeExtension[] = "txt";
constexpr char kTemplatesFolder[] = "Templates";
constexpr char kMasksFolder[] = "Masks";
constexpr char kBridgesFolder[] = "Mail Bridges";

constexpr int kHeartbeatInterval = 5000; // ms
constexpr char kScriptsMenuTitleKey[] = "SCRIPTS_MENU_TITLE";
constexpr int kColorPanelRightInset = 338;
constexpr int kColorPanelMargin = 2;
constexpr uint32_t kPantherVersion = 0x1030;

QString str(const char* text) {
    return QString::fromLatin1(text);
}

// Hears the application's quit request before the application closes its
// windows, and whether a window refused to close and so cancelled the quit.
class QuitRequestFilter : public QObject {
public:
    QuitRequestFilter(std::function<void()> willQuit, std::function<void()> quitCancelled)
        : _willQuit(std::move(willQuit)), _quitCancelled(std::move(quitCancelled)) {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != qApp || event->type() != QEvent::Quit || _forwarding)
            return false;
        _willQuit();
        _forwarding = true;
        QCoreApplication::sendEvent(qApp, event);
        _forwarding = false;
        if (!event->isAccepted())
            _quitCancelled();
        return true;
    }

private:
    std::function<void()> _willQuit;
    std::function<void()> _quitCancelled;
    bool _forwarding = false;
};

} // namespace

// Running.

int AppDelegate::applicationMain(const QStringList& paths) {
    applicationWillFinishLaunching();
    openPaths(paths);

    // Lives while the loop runs, so nothing reaches the delegate after it.
    QObject running;
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, &running,
                     [this] { applicationWillTerminate(); });
    // Edited documents are reviewed before any quit goes ahead.
    DocumentController::sharedDocumentController().setReviewsUnsavedDocumentsAtQuit(true);
    // The application closes every window before the loop ends: the palettes are
    // looked at while they are still as the user left them.
    QuitRequestFilter quitRequests([this] { _palettesAtQuit = currentPaletteStates(); },
                                   [this] { _palettesAtQuit.reset(); });
    QObject::connect(qApp, &QGuiApplication::applicationStateChanged, &running,
                     [this](Qt::ApplicationState state) {
                         if (state == Qt::ApplicationActive)
                             applicationDidBecomeActive();
                     });
    const bool openedFolders = !paths.isEmpty();
    QTimer::singleShot(0, &running, [this, openedFolders] {
        applicationDidFinishLaunching();
        if (!openedFolders && applicationShouldOpenUntitledFile())
            newCatalogDocument();
    });
    return QApplication::exec();
}

void AppDelegate::applicationWillFinishLaunching() {
    recordMainAppThread();
    initFileAttributeGlobals();
    // The URL retriever is made with the delegate and kept for its life.
    initPreferences();
    createLocalPaths();
    _resources.installSharedResources();
    convertTemplateInfoCache();
    PhotoInfoWindowController::sharedPhotoInfoController();
    PixelAdjusterController::sharedPixelAdjusterController();
    TemplateManagerWindowController::sharedTemplateManagerController();
}

void AppDelegate::applicationDidFinishLaunching() {
    // No Services provider: this system has no Services menu, and images from other
    // programs come by paste and drop.
    if (!_resources.installImageCaptureScript()) {
        ModalAlert::beep();
        qWarning("%s", kIcScriptMissingMessage);
    }
    _resources.installScripts();
    _scriptingBus = std::make_unique<ScriptingBus>();
    _scriptingBus->start(QDBusConnection::sessionBus());

    _launchComplete = true;
    startWaitMonitor();

    if (!_pendingFolder.isEmpty()) {
        const QString folder = _pendingFolder;
        _pendingFolder.clear();
        applicationOpenFile(folder);
    }
    openPaths(std::exchange(_pendingFiles, {}));

    restorePalettes();

    _heartbeatTimer = std::make_unique<QTimer>();
    _heartbeatTimer->setInterval(kHeartbeatInterval);
    _heartbeatTimer->callOnTimeout([this] { heartbeat(); });
    _heartbeatTimer->start();

    startAutomaticChecks();

    if (osSystemVersion() < kPantherVersion) {
        const QString helper = ResourceInstaller::bundleResourcePath() + QLatin1Char('/') +
                               ResourceInstaller::localizedPath(FolderKeys::kHelperAppName);
        if (QFileInfo::exists(helper))
            launchApplicationInBackground(helper, true);
    }

    if (QGuiApplication::applicationState() == Qt::ApplicationActive)
        installAboutItemAction();

    // A damaged settings file is found when the settings are first read, before
    // launch; the user hears of it once, now that alerts can show.
    const QString setAside = _defaults.takeSetAsideFilePath();
    if (!setAside.isNull())
        ModalAlert::run({localizedString(str(kSettingsSetAsideTitle)),
                         localizedString(str(kSettingsSetAsideMessage)).arg(setAside)});
}

bool AppDelegate::applicationOpenFile(const QString& path) {
    if (!QFileInfo(path).isDir())
        return false;
    QWidget* window = mainWindow();
    if (!window) {
        if (!_launchComplete) {
            // Delivered when launch completes. A folder that finds a window now is
            // delivered now and not kept, so that it arrives once.
            _pendingFolder = path;
            return false;
        }
        newCatalogDocument();
        Document* target = findTargetDocument();
        if (target && !target->windowControllers().isEmpty())
            window = target->windowControllers().first()->window();
    }
    if (!window)
        return false;
    return receivePathInWindow(window, path);
}

void AppDelegate::openHandedOverPaths(const QStringList& paths) {
    // Lumisk started again with nothing to open: the user wants the running one.
    if (paths.isEmpty() && _launchComplete)
        applicationReopen();
    else
        openPaths(paths);
}

void AppDelegate::openPaths(const QStringList& paths) {
    DocumentController& documents = DocumentController::sharedDocumentController();
    for (const QString& path : paths) {
        if (QFileInfo(path).isDir()) {
            applicationOpenFile(path);
            continue;
        }
        if (!_launchComplete) {
            _pendingFiles.append(path);
            continue;
        }
        QString reason;
        if (!documents.openDocumentWithContentsOfFile(path, true, &reason))
            qWarning("Not opened: %s: %s", qPrintable(path), qPrintable(reason));
    }
}

bool AppDelegate::applicationShouldOpenUntitledFile() {
    return preferencesBOOLFor(PrefAppNewDocumentOnActivate);
}

bool AppDelegate::applicationShouldHandleReopenHasVisibleWindows(bool visibleWindows) {
    return visibleWindows || preferencesBOOLFor(PrefAppNewDocumentOnActivate);
}

void AppDelegate::applicationReopen() {
    QWidget* front = nullptr;
    for (Document* document : DocumentController::sharedDocumentController().documents())
        for (WindowController* controller : document->windowControllers())
            if (!front && controller->window() && controller->window()->isVisible())
                front = controller->window();
    if (!applicationShouldHandleReopenHasVisibleWindows(front != nullptr))
        return;
    if (front) {
        front->raise();
        front->activateWindow();
    } else if (applicationShouldOpenUntitledFile()) {
        newCatalogDocument();
    }
}

void AppDelegate::applicationDidBecomeActive() {
    constructScriptsMenu();
    // An application started in the background still gets a working About item.
    installAboutItemAction();
}

void AppDelegate::applicationWillTerminate() {
    // Qt keeps no drag pasteboard between drags, so there is nothing to clear.
    stopWaitMonitor();
    if (_heartbeatTimer)
        _heartbeatTimer->stop();
    storePalettes();
    synchronizeTemplateInfoCache();
}

QWidget* AppDelegate::mainWindow() const {
    // The last active document window: it stays main while another program is
    // active, as when a file manager or a second lumisk hands files over.
    return MainWindowTracker::sharedTracker().mainWindow();
}

bool AppDelegate::receivePathInWindow(QWidget* window, const QString& path) {
    // Only a catalog window takes folders.
    auto* controller = qobject_cast<ZaroziveZodiroVirizidivi*>(WindowController::forWindow(window));
    if (!controller)
        return false;
    controller->receivePath(path);
    return true;
}

// The user's folders and the shipped resources.

void AppDelegate::createLocalPaths() {
    _resources.createLocalPaths();
}

void AppDelegate::installResourcesOfKindFromFolderToPath(const QString& kind, const QString& folder,
                                                         const QString& path) {
    _resources.installResourcesOfKindFromFolderToPath(kind, folder, path);
}

void AppDelegate::mergeContentsOfPathToPathDeleteOldApps(const QString& source,
                                                         const QString& destination,
                                                         bool deleteOldApps) {
    _resources.mergeContentsOfPathToPathDeleteOldApps(source, destination, deleteOldApps);
}

void AppDelegate::convertTemplateInfoCache() {
    _resources.convertTemplateInfoCache();
}

bool AppDelegate::launchApplicationInBackground(const QString& path, bool) {
    // A window manager decides about focus: the program is just started.
    const QFileInfo program(path);
    if (!program.isFile() || !program.isExecutable())
        return false;
    return QProcess::startDetached(program.absoluteFilePath(), {});
}

// Palettes.

void AppDelegate::restorePalettes() {
    const auto wanted = [this](const char* key) { return _defaults.boolForKey(str(key)); };
    const auto absentOrWanted = [this, &wanted](const char* key) {
        return !_defaults.objectForKey(str(key)).isValid() || wanted(key);
    };
    if (wanted(kShowEnhancerKey))
        PixelAdjusterController::sharedPixelAdjusterController()->activate();
    if (wanted(kShowInfoKey))
        PhotoInfoWindowController::sharedPhotoInfoController()->activate();
    if (wanted(kShowTemplateManagerKey))
        showTemplateManager();
    ToolPaletteController::sharedToolPaletteController()->activate();
    if (absentOrWanted(kShowInspectorKey))
        InspectorController::sharedInspectorController()->activate();
    if (absentOrWanted(kShowGeometryKey))
        GeometryController::sharedGeometryController()->activate();
    if (!wanted(kColorPanelInitedKey) && placeColorPanel())
        _defaults.setObjectForKey(QStringLiteral("YES"), str(kColorPanelInitedKey));
    if (wanted(kShowColorPanelKey))
        orderFrontColorPanel();
    if (wanted(kShowGradientKey))
        VQGradientFillPanel::sharedGradientFillPanelController()->activate();
}

AppDelegate::PaletteStates AppDelegate::currentPaletteStates() const {
    PaletteStates states;
    states.enhancer = PixelAdjusterController::sharedPixelAdjusterController()->isActivated();
    states.info = PhotoInfoWindowController::sharedPhotoInfoController()->isActivated();
    states.templateManager =
        TemplateManagerWindowController::sharedTemplateManagerController()->window()->isVisible();
    states.inspector = InspectorController::sharedInspectorController()->isActivated();
    states.geometry = GeometryController::sharedGeometryController()->isActivated();
    states.gradient = VQGradientFillPanel::sharedGradientFillPanelController()->isActivated();
    states.colorPanel = colorPanelIsVisible();
    return states;
}

void AppDelegate::storePalettes() {
    // A quit through the application has closed the windows by now.
    const PaletteStates states = _palettesAtQuit.value_or(currentPaletteStates());
    _palettesAtQuit.reset();
    const auto store = [this](const char* key, bool shown) {
        _defaults.setObjectForKey(shown ? QStringLiteral("YES") : QStringLiteral("NO"), str(key));
    };
    const auto closeAndStore = [&store](PaletteController* palette, bool shown, const char* key) {
        if (shown)
            palette->close();
        store(key, shown);
    };
    closeAndStore(PixelAdjusterController::sharedPixelAdjusterController(), states.enhancer,
                  kShowEnhancerKey);
    closeAndStore(PhotoInfoWindowController::sharedPhotoInfoController(), states.info,
                  kShowInfoKey);
    closeAndStore(TemplateManagerWindowController::sharedTemplateManagerController(),
                  states.templateManager, kShowTemplateManagerKey);

    store(kShowInspectorKey, states.inspector);
    store(kShowGeometryKey, states.geometry);
    store(kShowGradientKey, states.gradient);
    store(kShowColorPanelKey, states.colorPanel);
}

void AppDelegate::resetPalettes() {
    NotificationCenter::defaultCenter().postNotificationName(str(kResetAllPalettesNotification));
    placeColorPanel();
}

void AppDelegate::showTemplateManager() {
    TemplateManagerWindowController::sharedTemplateManagerController()->activate();
}

// What the subsystems that aren't there yet will do from here. Each is called at
// its place in start-up, activation or quit, and does nothing until then.

// The photo catalog's file-attribute globals (its lock and the time zone offset).
void AppDelegate::initFileAttributeGlobals() {
    InitFileAttributeGlobals();
}

// The automatic application-update and template-exchange checks (settings 50, 40).
void AppDelegate::startAutomaticChecks() {
    if (preferencesBOOLFor(PrefCheckForApplicationUpdates))
        autoUpdate();
    if (preferencesBOOLFor(PrefExchangeCheckForUpdates))
        autoExchangeUpdate();
}

// The About item's action: the splash panel.
void AppDelegate::installAboutItemAction() {
    MainMenu* menu = mainMenu();
    if (!menu || _aboutItemInstalled)
        return;
    _aboutItemInstalled = true;
    QObject::connect(menu->aboutItem(), &QAction::triggered, menu,
                     [] { SplashPanelController::sharedInstance()->showSplashPanel(); });
}

// The Scripts menu over the user's scripts folder, made again on every activation
// so that it shows what the folder holds now.
void AppDelegate::constructScriptsMenu() {
    MainMenu* menu = mainMenu();
    if (!menu)
        return;
    const QString folder =
        FileAccess::expandTilde(ResourceInstaller::localizedPath(FolderKeys::kScriptsPath));
    const QString title = localizedString(str(kScriptsMenuTitleKey));
    if (QMenu* old = menu->menuWithTitle(title))
        menu->removeMenu(old);
    if (!QFileInfo(folder).isDir())
        return;
    menu->insertMenu(ScriptsMenu::build(title, ScriptsMenu::scan(folder),
                                        [this](const QString& path) { runScript(path); }),
                     menu->indexOfMenu(menu->windowsMenu()));
}

// The template info cache writes itself when it was changed.
void AppDelegate::synchronizeTemplateInfoCache() {
    TemplateInfoCache::sharedTemplateInfoCache().synchronize();
}

// The platform's shared colour panel: placed at the top right of the screen the
// first time, shown again when it was open at quit. False: no panel to place.
bool AppDelegate::placeColorPanel() {
    ColorPanel* panel = ColorPanel::sharedColorPanel();
    const QRect visible = _environment->mainScreenVisibleFrame().toQRectF().toRect();
    const QSize size = panel->frame().size();
    // Its top 2 points below the top of the visible area, its right edge 340 points
    // left of the area's right edge.
    panel->setFrameTopLeft(
        {visible.x() + visible.width() - kColorPanelRightInset - size.width() - kColorPanelMargin,
         visible.y() + kColorPanelMargin});
    return true;
}
void AppDelegate::orderFrontColorPanel() {
    ColorPanel::sharedColorPanel()->orderFront();
}
bool AppDelegate::colorPanelIsVisible() const {
    return ColorPanel::sharedColorPanelExists() && ColorPanel::sharedColorPanel()->isVisible();
}

void AppDelegate::newCatalogDocument() {
    DocumentController::sharedDocumentController().openUntitledDocumentOfType(
        RoduvudeDadevizi::documentType().name, true);
}
void AppDelegate::newTemplateDocument() {
    DocumentController::sharedDocumentController().openUntitledDocumentOfType(
        str(kTemplateDocumentType), true);
}

// Update checks, the update notice and the colour panel's opacity run here.
void AppDelegate::heartbeat() {
    // A panel shown by a beat runs the event loop, where the timer keeps firing;
    // those beats wait for this one to end.
    if (_inHeartbeat)
        return;
    _inHeartbeat = true;
    const auto done = qScopeGuard([this] { _inHeartbeat = false; });

    if (_shouldAutoUpdate.exchange(false)) {
        checkForUpdates(nullptr);
        _defaults.setObjectForKey(QDateTime::currentDateTimeUtc(), str(kLastUpdateCheckKey));
    }
    if (_shouldExchangeAutoUpdate.exchange(false))
        TemplateManagerWindowController::sharedTemplateManagerController()
            ->checkForExchangeUpdates();
    std::optional<QVariantMap> notice;
    {
        std::lock_guard<std::mutex> locked(_updateInfo->mutex);
        notice.swap(_updateInfo->notice);
    }
    if (notice)
        NFVersionChecker::versionChecker()->showUpdateUrlBuild(
            notice->value(str(kUpdateNoticeMessageKey)).toString(),
            notice->value(str(kUpdateNoticeURLKey)).toString(),
            notice->value(str(kUpdateNoticeBuildKey)).toInt());
    if (!_colorAlphaSet) {
        ColorPanel::sharedColorPanel()->setShowsAlpha(true);
        _colorAlphaSet = true;
    }
}
