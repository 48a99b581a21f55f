#include "shell/SS_PrefsController.h"

#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/MainBundle.h"
#include "platform/foundation/Resources.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/ui/ModalAlert.h"
#include "platform/ui/PreferencePane.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHash>
#include <QIcon>
#include <QJsonObject>
#include <QMainWindow>
#include <QPluginLoader>
#include <QScreen>
#include <QToolBar>
#include <QtDebug>
#include <limits>

namespace {

constexpr char kDefaultExtension[] = "preferencePane";
constexpr char kLastPaneKeySuffix[] = "_Preferences_Last_Pane_Defaults_Key";
constexpr char kToolbarIdentifierSuffix[] = "_Preferences_Toolbar_Identifier";
constexpr char kPrincipalClassKey[] = "NSPrincipalClass";
constexpr char kIdentifierKey[] = "CFBundleIdentifier";
constexpr char kIconLabelKey[] = "NSPrefPaneIconLabel";
constexpr char kIconFileKey[] = "NSPrefPaneIconFile";
constexpr char kBundleNameKey[] = "CFBundleName";
constexpr char kBundleIconFileKey[] = "CFBundleIconFile";
constexpr char kUnknownLabel[] = "<?"
                                 "?"
                                 "?>";
constexpr char kWindowTitle[] = "Preferences";
constexpr int kInitialWidth = 350;
constexpr int kInitialHeight = 200;

QString latin(const char* text) {
    return QString::fromLatin1(text);
}

QString mainBundleEntry(const char* key) {
    return MainBundle::objectForInfoDictionaryKey(latin(key)).toString();
}

// The principal classes taken by loaded pane plug-ins, with the plug-in file that
// brought each: the process's class table, as far as panes are concerned. Loading
// the same plug-in again is no conflict.
QHash<QString, QString>& principalClasses() {
    static QHash<QString, QString> classes;
    return classes;
}

} // namespace

QString SS_PrefsController::lastPaneDefaultsKey() {
    return mainBundleEntry(kIdentifierKey) + latin(kLastPaneKeySuffix);
}

QString SS_PrefsController::toolbarIdentifier() {
    return mainBundleEntry(kIdentifierKey) + latin(kToolbarIdentifierSuffix);
}

SS_PrefsController::SS_PrefsController(const QString& searchPath, const QString& bundleExtension)
    : _bundleExtension(bundleExtension.isEmpty() ? latin(kDefaultExtension) : bundleExtension),
      _searchPath(searchPath.isEmpty() ? Resources::preferencePanesPath() : searchPath) {
    const QDir folder(_searchPath);
    const QStringList bundles = folder.entryList({QStringLiteral("*.") + _bundleExtension},
                                                 QDir::Dirs | QDir::Files, QDir::Name);
    for (const QString& name : bundles)
        activatePane(folder.filePath(name));
}

SS_PrefsController::~SS_PrefsController() {
    releaseWindow();
}

void SS_PrefsController::activatePane(const QString& bundlePath) {
    const QFileInfo bundle(bundlePath);
    const QString binary =
        QDir(bundlePath).filePath(bundle.completeBaseName() + QStringLiteral(".so"));
    QPluginLoader loader(binary);
    const QJsonObject metaData = loader.metaData();
    if (!bundle.isDir() || metaData.isEmpty()) {
        debugLog(QStringLiteral("Could not initialize bundle: %1").arg(bundlePath));
        return;
    }
    const QVariantMap info = metaData.value(QStringLiteral("MetaData")).toObject().toVariantMap();
    const QString principalClass = info.value(latin(kPrincipalClassKey)).toString();
    if (principalClass.isEmpty()) {
        debugLog(QStringLiteral("Could not obtain name of Principal Class for bundle: %1")
                     .arg(bundlePath));
        return;
    }
    const QString canonical = QFileInfo(binary).canonicalFilePath();
    const auto taken = principalClasses().constFind(principalClass);
    if (taken != principalClasses().constEnd() && *taken != canonical) {
        debugLog(QStringLiteral("Did not load bundle: %1 because its Principal Class was already "
                                "used in another Preference pane.")
                     .arg(bundlePath));
        return;
    }
    auto* root = qobject_cast<PreferencePaneBundle*>(loader.instance());
    if (!root) {
        debugLog(QStringLiteral("Did not load bundle: %1 because its Principal Class is either "
                                "not an NSObject subclass, or does not conform to the "
                                "PreferencePane Protocol.")
                     .arg(bundlePath));
        return;
    }
    principalClasses().insert(principalClass, canonical);

    const QString identifier = info.value(latin(kIdentifierKey)).toString();
    for (auto& pane : root->preferencePanes()) {
        if (identifier.isEmpty()) {
            debugLog(QStringLiteral("Did not load bundle: %1 because it has no "
                                    "CFBundleIdentifier defined.")
                         .arg(bundlePath));
            continue;
        }
        _panesOrder.append(identifier);
        LoadedPane& entry = _preferencePanes[identifier];
        // A view of a replaced pane may still be the window's content.
        if (_prefsWindow && entry.pane && _prefsWindow->centralWidget() &&
            _prefsWindow->centralWidget() == entry.pane->mainView())
            _prefsWindow->takeCentralWidget()->setParent(nullptr);
        entry.pane = std::move(pane);
        entry.info = info;
        entry.bundleFolder = bundlePath;
    }
}

void SS_PrefsController::setPanesOrder(const QStringList& order) {
    _panesOrder.clear();
    for (const QString& identifier : order) {
        if (_preferencePanes.count(identifier))
            _panesOrder.append(identifier);
        else
            debugLog(QStringLiteral("Did not add preference pane \"%1\" to the toolbar ordering "
                                    "array, because that pane does not exist.")
                         .arg(identifier));
    }
}

QStringList SS_PrefsController::loadedPanes() const {
    QStringList identifiers;
    for (const auto& [identifier, entry] : _preferencePanes)
        identifiers.append(identifier);
    return identifiers;
}

void SS_PrefsController::debugLog(const QString& text) const {
    if (_debug)
        qInfo().noquote()
            << QStringLiteral("[--- PREFERENCES DEBUG MESSAGE ---]\r%1\r\r").arg(text);
}

void SS_PrefsController::centerWindow() {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen || !_prefsWindow)
        return;
    QRect frame = _prefsWindow->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    _prefsWindow->move(frame.topLeft());
}

bool SS_PrefsController::isPaneView(const QWidget* widget) const {
    for (const auto& [identifier, entry] : _preferencePanes) {
        if (entry.pane && entry.pane->mainView() == widget)
            return true;
    }
    return false;
}

void SS_PrefsController::releaseWindow() {
    if (!_prefsWindow)
        return;
    // The pane views belong to their panes, not to the window.
    if (QWidget* content = _prefsWindow->centralWidget(); content && isPaneView(content))
        _prefsWindow->takeCentralWidget()->setParent(nullptr);
    delete _prefsWindow;
    _prefsWindow = nullptr;
    _prefsToolbar = nullptr;
    _prefsToolbarItems.clear();
}

void SS_PrefsController::destroyPreferencesWindow() {
    releaseWindow();
}

void SS_PrefsController::createPreferencesWindowAndDisplay(bool display) {
    if (_prefsWindow) {
        if (_alwaysOpensCentered && !_prefsWindow->isVisible())
            centerWindow();
        _prefsWindow->show();
        _prefsWindow->raise();
        _prefsWindow->activateWindow();
        return;
    }

    _prefsWindow = new QMainWindow;
    _prefsWindow->setContextMenuPolicy(Qt::NoContextMenu); // the toolbar can't be hidden
    _prefsWindow->setWindowTitle(latin(kWindowTitle));
    _prefsWindow->setCentralWidget(new QWidget);
    _prefsWindow->resize(kInitialWidth, kInitialHeight);
    centerWindow();
    createPrefsToolbar();

    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    const QString lastPaneKey = lastPaneDefaultsKey();
    if (!_panesOrder.isEmpty())
        defaults.registerDefaults({{lastPaneKey, _panesOrder.first()}});

    const QString last = defaults.stringForKey(lastPaneKey);
    bool loaded = _panesOrder.contains(last) && loadPrefsPaneNamed(last, false);
    if (!loaded) {
        debugLog(QStringLiteral("Could not load last-used preference pane \"%1\". Trying to load "
                                "another pane instead.")
                     .arg(last));
        for (const QString& identifier : std::as_const(_panesOrder)) {
            if (identifier != last && loadPrefsPaneNamed(identifier, false)) {
                loaded = true;
                break;
            }
        }
    }
    if (!loaded) {
        debugLog(QStringLiteral("Could not load any valid preference panes. The preference pane "
                                "bundle extension was \"%1\" and the search path was: %2")
                     .arg(_bundleExtension, _searchPath));
        ModalAlert::Request alert(latin(kWindowTitle),
                                  QStringLiteral("Preferences are not available for %1.")
                                      .arg(mainBundleEntry(kBundleNameKey)));
        alert.defaultButton = QStringLiteral("OK");
        ModalAlert::run(alert);
        releaseWindow();
        return;
    }
    if (display) {
        centerWindow();
        _prefsWindow->show();
        _prefsWindow->raise();
        _prefsWindow->activateWindow();
    }
}

QString SS_PrefsController::paneLabel(const QString& identifier) const {
    const auto found = _preferencePanes.find(identifier);
    if (found == _preferencePanes.end())
        return latin(kUnknownLabel);
    const QVariantMap& info = found->second.info;
    for (const char* key : {kIconLabelKey, kBundleNameKey}) {
        const QString label = info.value(latin(key)).toString();
        if (!label.isEmpty())
            return label;
    }
    return latin(kUnknownLabel);
}

void SS_PrefsController::createPrefsToolbar() {
    if (!_prefsWindow)
        return;
    _prefsToolbar = new QToolBar(_prefsWindow);
    _prefsToolbar->setObjectName(toolbarIdentifier());
    _prefsToolbar->setMovable(false);
    _prefsToolbar->setFloatable(false);
    _prefsToolbar->toggleViewAction()->setEnabled(false);
    switch (_toolbarDisplayMode) {
    case 1:
        _prefsToolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        break;
    case 2:
        _prefsToolbar->setToolButtonStyle(Qt::ToolButtonIconOnly);
        break;
    case 3:
        _prefsToolbar->setToolButtonStyle(Qt::ToolButtonTextOnly);
        break;
    default:
        _prefsToolbar->setToolButtonStyle(Qt::ToolButtonFollowStyle);
        break;
    }
    if (_toolbarSizeMode == 1)
        _prefsToolbar->setIconSize(QSize(32, 32));
    else if (_toolbarSizeMode == 2)
        _prefsToolbar->setIconSize(QSize(24, 24));

    _prefsToolbarItems.clear();
    for (const QString& identifier : std::as_const(_panesOrder)) {
        const auto found = _preferencePanes.find(identifier);
        if (found == _preferencePanes.end() || !found->second.pane) {
            debugLog(QStringLiteral("Could not create toolbar item for preference pane \"%1\", "
                                    "because that pane does not exist.")
                         .arg(identifier));
            continue;
        }
        if (_prefsToolbarItems.contains(identifier))
            continue;
        const LoadedPane& entry = found->second;
        auto* item = new QAction(paneLabel(identifier), _prefsToolbar);
        item->setObjectName(identifier);
        const QString toolTip = entry.pane->paneToolTip();
        item->setToolTip(toolTip.isEmpty() ? QString() : toolTip);
        for (const char* key : {kIconFileKey, kBundleIconFileKey}) {
            const QString file = entry.info.value(latin(key)).toString();
            const QString path = QDir(entry.bundleFolder).filePath(file);
            if (!file.isEmpty() && QFileInfo::exists(path)) {
                item->setIcon(QIcon(path));
                break;
            }
        }
        connect(item, &QAction::triggered, this,
                [this, identifier] { loadPrefsPaneNamed(identifier, true); });
        _prefsToolbar->addAction(item);
        _prefsToolbarItems.insert(identifier, item);
    }

    if (_prefsToolbarItems.size() > 1 || _alwaysShowsToolbar) {
        _prefsWindow->addToolBar(Qt::TopToolBarArea, _prefsToolbar);
    } else {
        if (_prefsToolbarItems.size() == 1)
            debugLog(QStringLiteral(
                "Not showing toolbar in Preferences window because there is only one preference "
                "pane loaded. You can override this behaviour using "
                "-[setAlwaysShowsToolbar:YES]."));
        _prefsToolbar->hide();
    }
}

bool SS_PrefsController::toolbarInUse() const {
    return _prefsToolbarItems.size() > 1 || _alwaysShowsToolbar;
}

float SS_PrefsController::PrefsToolbarHeight() const {
    if (!_prefsWindow || !_prefsToolbar || !toolbarInUse() || _prefsToolbar->isHidden())
        return 0;
    return static_cast<float>(_prefsToolbar->sizeHint().height());
}

bool SS_PrefsController::loadPrefsPaneNamed(const QString& identifier, bool display) {
    if (!_prefsWindow) {
        ModalAlert::beep();
        debugLog(QStringLiteral("Could not load \"%1\" preference pane because the Preferences "
                                "window seems to no longer exist.")
                     .arg(identifier));
        return false;
    }
    const auto found = _preferencePanes.find(identifier);
    if (found == _preferencePanes.end() || !found->second.pane) {
        debugLog(QStringLiteral("Could not load preference pane \"%1\", because that pane does "
                                "not exist.")
                     .arg(identifier));
        return false;
    }
    SS_PreferencePaneProtocol& pane = *found->second.pane;
    QWidget* view = pane.mainView();
    if (!view) {
        debugLog(QStringLiteral("Could not load \"%1\" preference pane because its view could not "
                                "be loaded from the bundle.")
                     .arg(identifier));
        return false;
    }

    // Take the old content out without deleting it: pane views belong to their panes.
    const QSize viewSize = view->size();
    QWidget* old = _prefsWindow->centralWidget();
    const QSize oldSize = old ? old->size() : QSize();
    if (old) {
        _prefsWindow->takeCentralWidget();
        if (isPaneView(old))
            old->setParent(nullptr);
        else
            delete old;
    }
    if (display) {
        // The old pane disappears during the resize.
        auto* blank = new QWidget;
        blank->resize(oldSize);
        _prefsWindow->setCentralWidget(blank);
    }

    // The top edge stays where it is.
    const int toolbarHeight = static_cast<int>(PrefsToolbarHeight());
    const QRect current = _prefsWindow->geometry();
    const QRect frame(current.topLeft(),
                      QSize(viewSize.width(), viewSize.height() + toolbarHeight));
    // Lift the old limits before the new size is applied.
    _prefsWindow->setMinimumSize(0, 0);
    _prefsWindow->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    if (display)
        delete _prefsWindow->takeCentralWidget();
    _prefsWindow->setCentralWidget(view);
    view->show();
    _prefsWindow->setGeometry(frame);

    // The limits hold the pane's own area; the toolbar stays shown, so it counts too.
    const int maxWidth = pane.allowsHorizontalResizing() ? QWIDGETSIZE_MAX : frame.width();
    const int maxHeight = pane.allowsVerticalResizing() ? QWIDGETSIZE_MAX : frame.height();
    _prefsWindow->setMinimumSize(frame.size());
    _prefsWindow->setMaximumSize(maxWidth, maxHeight);

    if (toolbarInUse())
        _prefsWindow->setWindowTitle(paneLabel(identifier));
    UserDefaults::standardUserDefaults().setObjectForKey(identifier, lastPaneDefaultsKey());
    return true;
}
