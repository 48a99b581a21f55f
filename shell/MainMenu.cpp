#include "shell/MainMenu.h"

#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/MainBundle.h"

#include <QApplication>
#include <QEvent>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

namespace {

constexpr char kBundleNameKey[] = "CFBundleName";
constexpr char kAboutItemKey[] = "ABOUT_MENU_ITEM";
constexpr char kCheckForUpdatesItemKey[] = "CHECK_FOR_UPDATES_MENU_ITEM";
constexpr char kQuitItemKey[] = "QUIT_MENU_ITEM";
constexpr char kPreferencesItemKey[] = "PREFERENCES_MENU_ITEM";
constexpr char kWindowMenuTitleKey[] = "WINDOW_MENU_TITLE";
constexpr char kMinimizeItemKey[] = "MINIMIZE_MENU_ITEM";
constexpr char kZoomItemKey[] = "ZOOM_MENU_ITEM";

QString text(const char* key) {
    return localizedString(QString::fromLatin1(key));
}

QWidget* activeMainWindow() {
    QWidget* window = QApplication::activeWindow();
    return window && window->windowType() == Qt::Window ? window : nullptr;
}

} // namespace

MainMenu::MainMenu() {
    QString name =
        MainBundle::objectForInfoDictionaryKey(QString::fromLatin1(kBundleNameKey)).toString();
    if (name.isEmpty())
        name = QCoreApplication::applicationName();
    auto application = std::make_unique<QMenu>(name);
    _aboutItem = application->addAction(text(kAboutItemKey));
    application->addSeparator();
    _checkForUpdatesItem = application->addAction(text(kCheckForUpdatesItemKey));
    application->addSeparator();
    _preferencesItem = application->addAction(text(kPreferencesItemKey));
    _preferencesItem->setShortcut(QKeySequence::Preferences);
    _preferencesItem->setMenuRole(QAction::PreferencesRole);
    application->addSeparator();
    QAction* quit = application->addAction(text(kQuitItemKey));
    quit->setShortcut(QKeySequence::Quit);
    quit->setMenuRole(QAction::QuitRole);
    connect(quit, &QAction::triggered, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    _applicationMenu = application.get();

    auto windows = std::make_unique<QMenu>(text(kWindowMenuTitleKey));
    QAction* minimize = windows->addAction(text(kMinimizeItemKey));
    minimize->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
    connect(minimize, &QAction::triggered, this, [] {
        if (QWidget* window = activeMainWindow())
            window->showMinimized();
    });
    QAction* zoom = windows->addAction(text(kZoomItemKey));
    connect(zoom, &QAction::triggered, this, [] {
        if (QWidget* window = activeMainWindow())
            window->isMaximized() ? window->showNormal() : window->showMaximized();
    });
    _windowsMenu = windows.get();

    _menus.push_back(std::move(application));
    _menus.push_back(std::move(windows));
    qApp->installEventFilter(this);
}

MainMenu::~MainMenu() {
    qApp->removeEventFilter(this);
    // Menu bars of windows that outlive the menu lose its items with its menus.
}

QList<QMenu*> MainMenu::menus() const {
    QList<QMenu*> list;
    for (const std::unique_ptr<QMenu>& menu : _menus)
        list.append(menu.get());
    return list;
}

QMenu* MainMenu::menuWithTitle(const QString& title) const {
    for (const std::unique_ptr<QMenu>& menu : _menus)
        if (menu->title() == title)
            return menu.get();
    return nullptr;
}

int MainMenu::indexOfMenu(const QMenu* menu) const {
    for (size_t i = 0; i < _menus.size(); ++i)
        if (_menus[i].get() == menu)
            return int(i);
    return -1;
}

void MainMenu::insertMenu(std::unique_ptr<QMenu> menu, int index) {
    if (!menu)
        return;
    const auto at =
        index >= 0 && size_t(index) < _menus.size() ? _menus.begin() + index : _menus.end();
    _menus.insert(at, std::move(menu));
    rebuildMenuBars();
}

void MainMenu::removeMenu(QMenu* menu) {
    const int index = indexOfMenu(menu);
    if (index < 0)
        return;
    QMenu* removed = _menus[size_t(index)].release();
    _menus.erase(_menus.begin() + index);
    rebuildMenuBars();
    removed->deleteLater();
}

void MainMenu::showInWindow(QMainWindow* window) {
    if (!window)
        return;
    if (!_windows.contains(window))
        _windows.append(window);
    rebuildMenuBar(window);
}

bool MainMenu::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show) {
        auto* window = qobject_cast<QMainWindow*>(watched);
        if (window && window->isWindow() && !_windows.contains(window))
            showInWindow(window);
    }
    return QObject::eventFilter(watched, event);
}

void MainMenu::rebuildMenuBars() {
    _windows.removeAll(nullptr);
    for (const QPointer<QMainWindow>& window : std::as_const(_windows))
        rebuildMenuBar(window);
}

void MainMenu::rebuildMenuBar(QMainWindow* window) {
    QMenuBar* bar = window->menuBar();
    bar->clear();
    for (const std::unique_ptr<QMenu>& menu : _menus)
        bar->addMenu(menu.get());
}
