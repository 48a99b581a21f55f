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

constexpr char kFileMenuTitleKey[] = "FILE_MENU_TITLE";
constexpr char kEditMenuTitleKey[] = "EDIT_MENU_TITLE";
constexpr char kViewMenuTitleKey[] = "VIEW_MENU_TITLE";
constexpr char kPhotosMenuTitleKey[] = "PHOTOS_MENU_TITLE";
constexpr char kLayoutMenuTitleKey[] = "LAYOUT_MENU_TITLE";
constexpr char kFormatMenuTitleKey[] = "FORMAT_MENU_TITLE";
constexpr char kArrangeMenuTitleKey[] = "ARRANGE_MENU_TITLE";
constexpr char kAlignMenuTitleKey[] = "ALIGN_MENU_TITLE";
constexpr char kPolygonMenuTitleKey[] = "POLYGON_MENU_TITLE";
constexpr char kGuidesMenuTitleKey[] = "GUIDES_MENU_TITLE";
constexpr char kToolsMenuTitleKey[] = "TOOLS_MENU_TITLE";

QWidget* activeMainWindow() {
    QWidget* window = QApplication::activeWindow();
    return window && window->windowType() == Qt::Window ? window : nullptr;
}

} // namespace

const std::vector<MainMenu::CommandRow>& MainMenu::commandRows() {
    static const std::vector<CommandRow> rows = {
        {kFileMenuTitleKey, "NEW_TEMPLATE_MENU_ITEM", 0,
         "newTemplateDocument:", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N)},
        {kFileMenuTitleKey, "NEW_CATALOG_MENU_ITEM", 0, "newCatalogDocument:", QKeySequence::New},
        {kFileMenuTitleKey, "OPEN_MENU_ITEM", 0, "openDocument:", QKeySequence::Open},
        {kFileMenuTitleKey, nullptr, 0, nullptr, {}},
        {kFileMenuTitleKey, "CLOSE_MENU_ITEM", 0, "performClose:", QKeySequence::Close},
        {kFileMenuTitleKey, "SAVE_MENU_ITEM", 0, "saveDocument:", QKeySequence::Save},
        {kFileMenuTitleKey, "SAVE_AS_MENU_ITEM", 0,
         "saveDocumentAs:", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)},
        {kFileMenuTitleKey, nullptr, 0, nullptr, {}},
        {kFileMenuTitleKey, "PAGE_SETUP_MENU_ITEM", 0,
         "runPageLayout:", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P)},
        {kFileMenuTitleKey, "REVERT_MENU_ITEM", 0, "revertDocumentToSaved:", {}},
        {kFileMenuTitleKey, "PRINT_MENU_ITEM", 0, "printDocument:", QKeySequence::Print},
        {kFileMenuTitleKey, "PRINT_TO_DISK_MENU_ITEM", 214, "printToDisk:", {}},
        {kFileMenuTitleKey, "PRINT_TO_EMAIL_MENU_ITEM", 213, "printToEmail:", {}},

        // The Edit commands of both the catalog and the template windows, by tag.
        {kEditMenuTitleKey, "UNDO_MENU_ITEM", 301, "undo:", QKeySequence::Undo},
        {kEditMenuTitleKey, "REDO_MENU_ITEM", 302,
         "redo:", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)},
        {kEditMenuTitleKey, nullptr, 0, nullptr, {}},
        {kEditMenuTitleKey, "CUT_MENU_ITEM", 303, "cut:", QKeySequence::Cut},
        {kEditMenuTitleKey, "COPY_MENU_ITEM", 304, "copy:", QKeySequence::Copy},
        {kEditMenuTitleKey, "PASTE_MENU_ITEM", 305, "paste:", QKeySequence::Paste},
        {kEditMenuTitleKey, "CLEAR_MENU_ITEM", 306, "clear:", {}},
        {kEditMenuTitleKey, "DUPLICATE_MENU_ITEM", 308,
         "duplicate:", QKeySequence(Qt::CTRL | Qt::Key_D)},
        {kEditMenuTitleKey, nullptr, 0, nullptr, {}},
        // Shift-Option-Command-A reaches the editor's Select All, which then
        // adds print areas instead.
        {kEditMenuTitleKey, "SELECT_ALL_MENU_ITEM", 307, "selectAll:", QKeySequence::SelectAll,
         QKeySequence(Qt::CTRL | Qt::ALT | Qt::SHIFT | Qt::Key_A)},
        {kEditMenuTitleKey, "DESELECT_MENU_ITEM", 310,
         "deselect:", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A)},

        {kViewMenuTitleKey, "ZOOM_IN_MENU_ITEM", 0,
         "zoomIn:", QKeySequence(Qt::CTRL | Qt::Key_Plus)},
        {kViewMenuTitleKey, "ZOOM_OUT_MENU_ITEM", 0,
         "zoomOut:", QKeySequence(Qt::CTRL | Qt::Key_Minus)},
        {kViewMenuTitleKey, nullptr, 0, nullptr, {}},
        {kViewMenuTitleKey, "TOGGLE_TOOLBAR_MENU_ITEM", 0,
         "toggleToolbar:", QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_T)},

        // The catalog window's panels; an item's tag is its panel.
        {kViewMenuTitleKey, nullptr, 0, nullptr, {}},
        {kViewMenuTitleKey, "PHOTOGRAPH_MENU_ITEM", 0,
         "switchViewFromMenu:", QKeySequence(Qt::CTRL | Qt::Key_1)},
        {kViewMenuTitleKey, "LAYOUT_MENU_ITEM", 1,
         "switchViewFromMenu:", QKeySequence(Qt::CTRL | Qt::Key_2)},
        {kViewMenuTitleKey, "SHOW_CATALOG_MENU_ITEM", 0,
         "toggleCatalogDrawer:", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C)},

        {kPhotosMenuTitleKey, "ADD_PHOTOS_MENU_ITEM", 0, "addFiles:", {}},
        {kPhotosMenuTitleKey, "ADD_URL_MENU_ITEM", 0, "addURL:", {}},
        {kPhotosMenuTitleKey, "ADD_IPHOTOS_MENU_ITEM", 521, "addIPhotos:", {}},
        {kPhotosMenuTitleKey, nullptr, 0, nullptr, {}},
        {kPhotosMenuTitleKey, "REMOVE_FILES_MENU_ITEM", 502, "removeFiles:", {}},
        {kPhotosMenuTitleKey, "RENAME_FILES_MENU_ITEM", 509, "renameFiles:", {}},
        {kPhotosMenuTitleKey, "SAVE_BACK_MENU_ITEM", 209, "saveBack:", {}},
        {kPhotosMenuTitleKey, "EXPORT_MENU_ITEM", 208, "exportSelection:", {}},
        {kPhotosMenuTitleKey, nullptr, 0, nullptr, {}},
        {kPhotosMenuTitleKey, "CROP_MENU_ITEM", 705, "toggleCropMode:", {}},
        {kPhotosMenuTitleKey, "RED_EYE_MENU_ITEM", 706, "toggleRedEyeMode:", {}},
        {kPhotosMenuTitleKey, "CAPTIONS_MENU_ITEM", 707, "toggleCaptionMode:", {}},
        {kPhotosMenuTitleKey, nullptr, 0, nullptr, {}},
        {kPhotosMenuTitleKey, "ROTATE_RIGHT_MENU_ITEM", 502, "rotateImageRight:", {}},
        {kPhotosMenuTitleKey, "ROTATE_LEFT_MENU_ITEM", 503, "rotateImageLeft:", {}},
        {kPhotosMenuTitleKey, "FLIP_MENU_ITEM", 504, "flipImage:", {}},
        {kPhotosMenuTitleKey, "ENHANCE_MENU_ITEM", 510, "adjustImage:", {}},
        {kPhotosMenuTitleKey, "INFO_MENU_ITEM", 0, "showPhotoInfo:", {}},
        {kPhotosMenuTitleKey, nullptr, 0, nullptr, {}},
        {kPhotosMenuTitleKey, "MARK_MENU_ITEM", 406, "markSelection:", {}},
        {kPhotosMenuTitleKey, "UNMARK_MENU_ITEM", 407, "unmarkSelection:", {}},
        {kPhotosMenuTitleKey, "LOCATE_MENU_ITEM", 212, "locateEntry:", {}},
        {kPhotosMenuTitleKey, "REFRESH_MENU_ITEM", 408, "refreshPhoto:", {}},
        {kPhotosMenuTitleKey, nullptr, 0, nullptr, {}},
        {kPhotosMenuTitleKey, "FIRST_MENU_ITEM", 402, "firstSelection:", {}},
        {kPhotosMenuTitleKey, "PREVIOUS_MENU_ITEM", 403, "prevSelection:", {}},
        {kPhotosMenuTitleKey, "NEXT_MENU_ITEM", 404, "nextSelection:", {}},
        {kPhotosMenuTitleKey, "LAST_MENU_ITEM", 405, "lastSelection:", {}},

        {kLayoutMenuTitleKey, "CHOOSE_TEMPLATE_MENU_ITEM", 602, "chooseTemplate:", {}},
        {kLayoutMenuTitleKey, "EDIT_TEXT_MENU_ITEM", 603, "editText:", {}},
        {kLayoutMenuTitleKey, "LAYOUT_OPTIONS_MENU_ITEM", 0, "layoutOptions:", {}},
        {kLayoutMenuTitleKey, nullptr, 0, nullptr, {}},
        {kLayoutMenuTitleKey, "ADD_PAGE_MENU_ITEM", 604, "addLayoutPage:", {}},
        {kLayoutMenuTitleKey, "REMOVE_PAGE_MENU_ITEM", 605, "removeLayoutPage:", {}},
        {kLayoutMenuTitleKey, "NEXT_PAGE_MENU_ITEM", 606, "nextLayoutPage:", {}},
        {kLayoutMenuTitleKey, "PREVIOUS_PAGE_MENU_ITEM", 607, "previousLayoutPage:", {}},
        {kLayoutMenuTitleKey, "CLEAR_CELLS_MENU_ITEM", 608, "clearPhotoCells:", {}},
        {kLayoutMenuTitleKey, nullptr, 0, nullptr, {}},
        {kLayoutMenuTitleKey, "NEXT_TOOL_MENU_ITEM", 609, "cycleInteractionMode:", {}},

        {kFormatMenuTitleKey, "ALIGN_TEXT_LEFT_MENU_ITEM", 1430, "alignTextSelection:", {}},
        {kFormatMenuTitleKey, "ALIGN_TEXT_CENTER_MENU_ITEM", 1431, "alignTextSelection:", {}},
        {kFormatMenuTitleKey, "ALIGN_TEXT_RIGHT_MENU_ITEM", 1432, "alignTextSelection:", {}},
        {kFormatMenuTitleKey, "ALIGN_TEXT_JUSTIFIED_MENU_ITEM", 1433, "alignTextSelection:", {}},

        {kArrangeMenuTitleKey, "BRING_TO_FRONT_MENU_ITEM", 1401,
         "bringToFront:", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F)},
        {kArrangeMenuTitleKey, "MOVE_FORWARD_MENU_ITEM", 1402,
         "moveForward:", QKeySequence(Qt::CTRL | Qt::Key_BracketRight)},
        {kArrangeMenuTitleKey, "MOVE_BACKWARD_MENU_ITEM", 1403,
         "moveBackward:", QKeySequence(Qt::CTRL | Qt::Key_BracketLeft)},
        {kArrangeMenuTitleKey, "SEND_TO_BACK_MENU_ITEM", 1404,
         "sendToBack:", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_B)},
        {kArrangeMenuTitleKey, nullptr, 0, nullptr, {}},
        {kArrangeMenuTitleKey, "SCALE_BY_PERCENT_MENU_ITEM", 1405, "scaleByPercent:", {}},
        {kArrangeMenuTitleKey, nullptr, 0, nullptr, {}},
        {kArrangeMenuTitleKey, "GROUP_MENU_ITEM", 1440,
         "group:", QKeySequence(Qt::CTRL | Qt::Key_G)},
        {kArrangeMenuTitleKey, "UNGROUP_MENU_ITEM", 1441,
         "ungroup:", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_G)},

        {kAlignMenuTitleKey, "ALIGN_LEFT_MENU_ITEM", 1411, "alignSelection:", {}},
        {kAlignMenuTitleKey, "ALIGN_RIGHT_MENU_ITEM", 1412, "alignSelection:", {}},
        {kAlignMenuTitleKey, "ALIGN_TOP_MENU_ITEM", 1413, "alignSelection:", {}},
        {kAlignMenuTitleKey, "ALIGN_BOTTOM_MENU_ITEM", 1414, "alignSelection:", {}},
        {kAlignMenuTitleKey, "ALIGN_MIDDLES_MENU_ITEM", 1415, "alignSelection:", {}},
        {kAlignMenuTitleKey, "ALIGN_CENTERS_MENU_ITEM", 1416, "alignSelection:", {}},
        {kAlignMenuTitleKey, nullptr, 0, nullptr, {}},
        {kAlignMenuTitleKey, "CENTER_VERTICALLY_MENU_ITEM", 1417, "centerObjects:", {}},
        {kAlignMenuTitleKey, "CENTER_HORIZONTALLY_MENU_ITEM", 1418, "centerObjects:", {}},

        {kPolygonMenuTitleKey, "ADD_SEGMENTS_MENU_ITEM", 1420, "addSegments:", {}},
        {kPolygonMenuTitleKey, "INSERT_SEGMENT_MENU_ITEM", 1421, "insertSegment:", {}},
        {kPolygonMenuTitleKey, "DELETE_SEGMENT_MENU_ITEM", 1422, "deleteSegment:", {}},
        {kGuidesMenuTitleKey, "SHOW_GUIDES_MENU_ITEM", 1450, "toggleGuides:", {}},
        {kGuidesMenuTitleKey, "CLEAR_GUIDES_MENU_ITEM", 1453, "clearAllGuides:", {}},
        {kGuidesMenuTitleKey, "ADD_HORIZONTAL_GUIDE_MENU_ITEM", 0, "addHGuide:", {}},
        {kGuidesMenuTitleKey, "ADD_VERTICAL_GUIDE_MENU_ITEM", 0, "addVGuide:", {}},

        {kToolsMenuTitleKey, "TOOL_SELECT_MENU_ITEM", 0, "toolPaletteEquivalent:", {}},
        {kToolsMenuTitleKey, "TOOL_ZOOM_MENU_ITEM", 1, "toolPaletteEquivalent:", {}},
        {kToolsMenuTitleKey, "TOOL_PHOTO_MENU_ITEM", 2, "toolPaletteEquivalent:", {}},
        {kToolsMenuTitleKey, "TOOL_PRINT_AREA_MENU_ITEM", 3, "toolPaletteEquivalent:", {}},
        {kToolsMenuTitleKey, "TOOL_LINE_MENU_ITEM", 4, "toolPaletteEquivalent:", {}},
        {kToolsMenuTitleKey, "TOOL_TEXT_MENU_ITEM", 5, "toolPaletteEquivalent:", {}},
        {kToolsMenuTitleKey, "TOOL_RECT_MENU_ITEM", 6, "toolPaletteEquivalent:", {}},
        {kToolsMenuTitleKey, "TOOL_FILLED_RECT_MENU_ITEM", 7, "toolPaletteEquivalent:", {}},
        {kToolsMenuTitleKey, "TOOL_ROUND_RECT_MENU_ITEM", 8, "toolPaletteEquivalent:", {}},
        {kToolsMenuTitleKey, "TOOL_FILLED_ROUND_RECT_MENU_ITEM", 9, "toolPaletteEquivalent:", {}},
        {kToolsMenuTitleKey, "TOOL_OVAL_MENU_ITEM", 10, "toolPaletteEquivalent:", {}},
        {kToolsMenuTitleKey, "TOOL_FILLED_OVAL_MENU_ITEM", 11, "toolPaletteEquivalent:", {}},
        {kToolsMenuTitleKey, "TOOL_ARC_MENU_ITEM", 12, "toolPaletteEquivalent:", {}},
        {kToolsMenuTitleKey, "TOOL_FILLED_ARC_MENU_ITEM", 13, "toolPaletteEquivalent:", {}},
        {kToolsMenuTitleKey, "TOOL_POLYGON_MENU_ITEM", 14, "toolPaletteEquivalent:", {}},
        {kToolsMenuTitleKey, "TOOL_FILLED_POLYGON_MENU_ITEM", 15, "toolPaletteEquivalent:", {}},
        {kToolsMenuTitleKey, "TOOL_BEZIGON_MENU_ITEM", 16, "toolPaletteEquivalent:", {}},
        {kToolsMenuTitleKey, "TOOL_FILLED_BEZIGON_MENU_ITEM", 17, "toolPaletteEquivalent:", {}},

        {kWindowMenuTitleKey, nullptr, 0, nullptr, {}},
        {kWindowMenuTitleKey, "INSPECTOR_MENU_ITEM", 0,
         "showInspector:", QKeySequence(Qt::CTRL | Qt::Key_I)},
        {kWindowMenuTitleKey, "GEOMETRY_MENU_ITEM", 0,
         "showGeometry:", QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_G)},
        {kWindowMenuTitleKey, "TOOLS_MENU_ITEM", 0,
         "showToolPalette:", QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_P)},
        {kWindowMenuTitleKey, "TEMPLATE_MANAGER_MENU_ITEM", 0, "showTemplateManager:", {}},
    };
    return rows;
}

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
    buildCommandMenus();
    Commands::addApplicationResponder(this);
    qApp->installEventFilter(this);
}

void MainMenu::buildCommandMenus() {
    // The command menus stand between the application menu and the Window menu.
    for (const CommandRow& row : commandRows()) {
        const QString title = text(row.menuTitleKey);
        QMenu* menu = menuWithTitle(title);
        if (!menu) {
            auto made = std::make_unique<QMenu>(title);
            menu = made.get();
            Commands::installValidation(menu);
            _menus.insert(_menus.end() - 1, std::move(made));
        }
        if (!row.titleKey) {
            menu->addSeparator();
            continue;
        }
        QAction* item = menu->addAction(text(row.titleKey));
        item->setShortcut(row.shortcut);
        if (!row.alternateShortcut.isEmpty())
            item->setShortcuts({row.shortcut, row.alternateShortcut});
        Commands::setItemTag(item, row.tag);
        Commands::setItemAction(item, QString::fromLatin1(row.action));
        Commands::connectItem(item);
        _commandItems.append(item);
    }
    // The Window menu was made before the table: its items validate too.
    Commands::installValidation(_windowsMenu);
}

QAction* MainMenu::itemWithAction(const QString& action) const {
    for (QAction* item : _commandItems)
        if (Commands::itemAction(item) == action)
            return item;
    return nullptr;
}

void MainMenu::setApplicationAction(const QString& action, std::function<void()> handler) {
    _applicationActions.insert(action, std::move(handler));
}

bool MainMenu::respondsToAction(const QString& action) const {
    return _applicationActions.contains(action);
}

void MainMenu::performAction(const QString& action, QAction*) {
    if (const auto handler = _applicationActions.value(action))
        handler();
}

MainMenu::~MainMenu() {
    Commands::removeApplicationResponder(this);
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
