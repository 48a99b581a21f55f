#include "documents/CatalogToolbar.h"

#include "catalog/VQFileCatalog.h"
#include "catalog/VQFileCatalogScrollView.h"
#include "catalog/VQIPhotoBridge.h"
#include "documents/CatalogPanel.h"
#include "documents/RoduvudeDadevizi.h"
#include "documents/ZaroziveZodiroVirizidivi.h"
#include "layout/TemplateMapper.h"
#include "platform/documents/WindowController.h"
#include "platform/foundation/HostServices.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/PreferenceIndex.h"
#include "platform/foundation/Resources.h"
#include "platform/ui/Commands.h"
#include "platform/ui/MainWindowTracker.h"
#include "platform/ui/ModalAlert.h"

#include <QAction>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <algorithm>
#include <iterator>

namespace {

using Target = CatalogToolbarTarget;

constexpr char kPhotoPrefix[] = "photodoctoolbar.";
constexpr char kLayoutPrefix[] = "layoutdoctoolbar.";
constexpr char kStateOnProperty[] = "lumiskCatalogToolbarOn";

enum EditMode { EditModeCrop = 1, EditModeRedEye = 2, EditModeCaption = 3 };

// clang-format off
constexpr CatalogToolbarItem kItems[] = {
    {"add", "ADD_FILES", "ADD_FILES", "ADD_FILE_TIP", "Add_Photo.tiff", nullptr, nullptr, Target::Controller, "addFiles:", true, true},
    {"addurl", "ADD_URL", "ADD_URL", "ADD_URL_TIP", "Add_URL.tiff", nullptr, nullptr, Target::Controller, "addURL:", true, true},
    {"addiphotos", "ADD_IPHOTO", "ADD_IPHOTO", "ADD_IPHOTO_TIP", "Add_IPhoto.tiff", nullptr, nullptr, Target::Controller, "addIPhotos:", true, true},
    {"remove", "REMOVE", "REMOVE", "REMOVE_TIP", "Remove_Photo.tiff", nullptr, nullptr, Target::Panel, "removeFiles:", true, true},
    {"rename", "RENAME", "RENAME", "RENAME_TIP", "Rename_Photo.tiff", nullptr, nullptr, Target::Panel, "renameFiles:", true, true},
    {"saveBack", "SAVE_BACK", "SAVE_BACK", "SAVE_BACK_TIP", "SaveBack.tiff", nullptr, nullptr, Target::Panel, "saveBack:", true, true},
    {"export", "EXPORT", "EXPORT", "EXPORT_TIP", "Export.tiff", nullptr, nullptr, Target::Panel, "exportSelection:", true, true},
    {"locate", "LOCATE", "LOCATE", "LOCATE_TIP", "Locate_Entry.tiff", nullptr, nullptr, Target::Panel, "locateEntry:", true, true},
    {"pixelenhancer", "ENHANCE", "ENHANCE", "ENHANCE_TIP", "Enhance_Selection.tiff", nullptr, nullptr, Target::Panel, "adjustImage:", true, true},
    {"rotateCW", "PLUS90_DEGREES", "ROTATE_PLUS90", "ROTATE_PLUS90_TIP", "Rotate_CW.tiff", nullptr, nullptr, Target::Panel, "rotateImageRight:", true, true},
    {"rotateCCW", "MINUS90_DEGREES", "ROTATE_MINUS90", "ROTATE_MINUS90_TIP", "Rotate_CCW.tiff", nullptr, nullptr, Target::Panel, "rotateImageLeft:", true, true},
    {"flip", "180_DEGREES", "ROTATE180_DEGREES", "ROTATE180_TIP", "Flip_Photo.tiff", nullptr, nullptr, Target::Panel, "flipImage:", true, true},
    {"crop", "CROP", "CROP", "CROP_TIP", "Crop_Photo.tiff", "Crop_Photo_ON.tiff", nullptr, Target::Panel, "toggleCropMode:", true, false},
    {"redeyereduce", "RED_EYE", "RED_EYE", "RED_EYE_TIP", "Red_Eye_Reduce.tiff", "Red_Eye_Reduce_ON.tiff", nullptr, Target::Panel, "toggleRedEyeMode:", true, false},
    {"balloonMode", "CAPTION", "CAPTION", "CAPTION_TIP", "BalloonMode.tiff", "BalloonMode_ON.tiff", nullptr, Target::Panel, "toggleCaptionMode:", true, false},
    {"templateselector", "TEMPLATES", "TEMPLATES", "TEMPLATES_TIP", "Change_Template.tiff", nullptr, nullptr, Target::Controller, "chooseTemplate:", false, true},
    {"templatetext", "TEXT", "TEMPLATE_TEXT", "TEXT_TIP", "TemplateText.tiff", nullptr, nullptr, Target::Panel, "editText:", false, true},
    {"toggledrawer", "CATALOG", "CATALOG", "OPEN_CAT_TIP", "Toggle_Catalog_Open.tiff", "Toggle_Catalog_Closed.tiff", "CLOSE_CAT_TIP", Target::Controller, "toggleCatalogDrawer:", true, true},
    {"first", "FIRST", "FIRST", "FIRST_TIP", "Select_First.tiff", nullptr, nullptr, Target::Panel, "firstSelection:", true, true},
    {"previous", "PREVIOUS", "PREVIOUS", "PREVIOUS_TIP", "Select_Previous.tiff", nullptr, nullptr, Target::Panel, "prevSelection:", true, true},
    {"next", "NEXT", "NEXT", "NEXT_TIP", "Select_Next.tiff", nullptr, nullptr, Target::Panel, "nextSelection:", true, true},
    {"last", "LAST", "LAST", "LAST_TIP", "Select_Last.tiff", nullptr, nullptr, Target::Panel, "lastSelection:", true, true},
    {"layoutoptions", "OPTIONS", "OPTIONS", "OPTIONS_TIP", "Layout_Options.tiff", nullptr, nullptr, Target::Controller, "layoutOptions:", true, true},
    {"mark", "MARK", "MARK", "MARK_TIP", "Mark.tiff", nullptr, nullptr, Target::Panel, "markSelection:", true, true},
    {"unmark", "UNMARK", "UNMARK", "UNMARK_TIP", "Unmark.tiff", nullptr, nullptr, Target::Panel, "unmarkSelection:", true, true},
    {"refresh", "REFRESH", "REFRESH", "REFRESH_TIP", "Refresh_Entry.tiff", nullptr, nullptr, Target::Panel, "refreshPhoto:", true, true},
    {"clearCells", "CLEAR_CELLS", "CLEAR_CELLS", "CLEAR_CELLS_TIP", "ClearCells.tiff", nullptr, nullptr, Target::Panel, "clearPhotoCells:", false, true},
    {"addPage", "ADD_PAGE", "ADD_PAGE", "ADD_PAGE_TIP", "Add_Page.tiff", nullptr, nullptr, Target::Panel, "addLayoutPage:", false, true},
    {"removePage", "REMOVE_PAGE", "REMOVE_PAGE", "REMOVE_PAGE_TIP", "Remove_Page.tiff", nullptr, nullptr, Target::Panel, "removeLayoutPage:", false, true},
    {"nextPage", "NEXT_PAGE", "NEXT_PAGE", "NEXT_PAGE_TIP", "Page_Next.tiff", nullptr, nullptr, Target::Panel, "nextLayoutPage:", false, true},
    {"prevPage", "PREV_PAGE", "PREV_PAGE", "PREV_PAGE_TIP", "Page_Prev.tiff", nullptr, nullptr, Target::Panel, "previousLayoutPage:", false, true},
    {"photoinfo", "INFO", "INFO", "INFO_TIP", "PhotoInfo.tiff", nullptr, nullptr, Target::Panel, "showPhotoInfo:", true, true},
    {"printToDisk", "PRINT_DISK", "PRINT_DISK", "PRINT_DISK_TIP", "PrintToDisk.tiff", nullptr, nullptr, Target::Panel, "printToDisk:", true, true},
    {"printToEmail", "PRINT_EMAIL", "PRINT_EMAIL", "PRINT_EMAIL_TIP", "PrintToEmail.tiff", nullptr, nullptr, Target::Panel, "printToEmail:", true, true},
    {"templateManager", "TEMPLATE_MANAGER", "TEMPLATE_MANAGER", "TEMPLATE_MANAGER_TIP", "Template_Manager.tiff", nullptr, nullptr, Target::Application, "showTemplateManager:", true, true},
};
// clang-format on

// The sets; "Print" and the three spacers stand for the toolbar's own items.
constexpr const char* kPhotoAllowed[] = {"layoutoptions",
                                         "Print",
                                         "printToDisk",
                                         "printToEmail",
                                         "add",
                                         "addiphotos",
                                         "addurl",
                                         "remove",
                                         "rename",
                                         "saveBack",
                                         "export",
                                         "locate",
                                         "rotateCW",
                                         "rotateCCW",
                                         "flip",
                                         "pixelenhancer",
                                         "redeyereduce",
                                         "balloonMode",
                                         "crop",
                                         "toggledrawer",
                                         "next",
                                         "previous",
                                         "first",
                                         "last",
                                         "mark",
                                         "unmark",
                                         "refresh",
                                         "photoinfo",
                                         "templateManager",
                                         "FlexibleSpace",
                                         "Space",
                                         "Separator"};
constexpr const char* kPhotoDefault[] = {
    "add",       "remove",        "photoinfo", "Separator",    "rotateCW",    "rotateCCW",
    "Separator", "pixelenhancer", "crop",      "redeyereduce", "balloonMode", "FlexibleSpace"};
constexpr const char* kLayoutAllowed[] = {"layoutoptions",
                                          "Print",
                                          "printToDisk",
                                          "printToEmail",
                                          "add",
                                          "addurl",
                                          "addiphotos",
                                          "remove",
                                          "rename",
                                          "saveBack",
                                          "export",
                                          "locate",
                                          "pixelenhancer",
                                          "rotateCW",
                                          "rotateCCW",
                                          "flip",
                                          "templateselector",
                                          "templatetext",
                                          "toggledrawer",
                                          "next",
                                          "previous",
                                          "first",
                                          "last",
                                          "mark",
                                          "unmark",
                                          "refresh",
                                          "clearCells",
                                          "addPage",
                                          "removePage",
                                          "nextPage",
                                          "prevPage",
                                          "photoinfo",
                                          "templateManager",
                                          "FlexibleSpace",
                                          "Space",
                                          "Separator"};
constexpr const char* kLayoutDefault[] = {
    "Print",         "printToDisk",   "Separator",        "add",         "addiphotos",
    "rotateCW",      "rotateCCW",     "Separator",        "clearCells",  "addPage",
    "FlexibleSpace", "layoutoptions", "templateselector", "templatetext"};

QString qs(const char* text) {
    return QString::fromLatin1(text);
}

QString text(const char* key) {
    return localizedString(qs(key));
}

bool onKind(const CatalogToolbarItem& row, CatalogToolbarKind kind) {
    return kind == CatalogToolbarKind::Photograph ? row.onPhotograph : row.onLayout;
}

const CatalogToolbarItem* rowOfSuffix(const QString& suffix) {
    const auto* row = std::find_if(std::begin(kItems), std::end(kItems), [&](const auto& item) {
        return suffix == QLatin1String(item.suffix);
    });
    return row == std::end(kItems) ? nullptr : row;
}

QString identifierOfName(CatalogToolbarKind kind, const char* name) {
    if (qstrcmp(name, "Print") == 0)
        return qs(kToolbarPrintItemIdentifier);
    if (qstrcmp(name, "FlexibleSpace") == 0)
        return qs(kToolbarFlexibleSpaceItemIdentifier);
    if (qstrcmp(name, "Space") == 0)
        return qs(kToolbarSpaceItemIdentifier);
    if (qstrcmp(name, "Separator") == 0)
        return qs(kToolbarSeparatorItemIdentifier);
    return CatalogToolbar::itemIdentifier(kind, name);
}

template <std::size_t N>
QStringList identifiersOf(CatalogToolbarKind kind, const char* const (&names)[N]) {
    QStringList identifiers;
    for (const char* name : names)
        identifiers.append(identifierOfName(kind, name));
    return identifiers;
}

QIcon toolbarImage(const char* name) {
    // Read whole: an icon given the file name probes it in a way the TIFF reader complains of.
    return QIcon(QPixmap::fromImage(Resources::applicationImageNamed(qs(name))));
}

bool isEditModeToggle(const CatalogToolbarItem& row) {
    return CatalogToolbar::editModeOfItem(qs(row.suffix)) != 0;
}

} // namespace

// ---------------------------------------------------------------------------
// The vocabulary

QString CatalogToolbar::toolbarIdentifier(CatalogToolbarKind kind) {
    return qs(kind == CatalogToolbarKind::Photograph ? kPhotoDocToolbarIdentifier
                                                     : kLayoutDocToolbarIdentifier);
}

QString CatalogToolbar::itemIdentifier(CatalogToolbarKind kind, const char* suffix) {
    return qs(kind == CatalogToolbarKind::Photograph ? kPhotoPrefix : kLayoutPrefix) + qs(suffix);
}

QString CatalogToolbar::itemSuffix(const QString& identifier) {
    for (const char* prefix : {kPhotoPrefix, kLayoutPrefix})
        if (identifier.startsWith(QLatin1String(prefix)))
            return identifier.mid(int(qstrlen(prefix)));
    return identifier;
}

const CatalogToolbarItem* CatalogToolbar::itemForIdentifier(CatalogToolbarKind kind,
                                                            const QString& identifier) {
    const QString prefix = itemIdentifier(kind, "");
    if (!identifier.startsWith(prefix))
        return nullptr;
    const CatalogToolbarItem* row = rowOfSuffix(identifier.mid(prefix.size()));
    return row && onKind(*row, kind) ? row : nullptr;
}

QStringList CatalogToolbar::allowedItemIdentifiers(CatalogToolbarKind kind) {
    return kind == CatalogToolbarKind::Photograph ? identifiersOf(kind, kPhotoAllowed)
                                                  : identifiersOf(kind, kLayoutAllowed);
}

QStringList CatalogToolbar::defaultItemIdentifiers(CatalogToolbarKind kind) {
    return kind == CatalogToolbarKind::Photograph ? identifiersOf(kind, kPhotoDefault)
                                                  : identifiersOf(kind, kLayoutDefault);
}

bool CatalogToolbar::isItemEnabled(const QString& suffix, const CatalogToolbarState& state) {
    const auto is = [&suffix](std::initializer_list<const char*> names) {
        return std::any_of(names.begin(), names.end(),
                           [&suffix](const char* name) { return suffix == QLatin1String(name); });
    };
    // Opening the template library needs no window.
    if (is({"templateManager"}))
        return true;
    if (!state.mainWindow || state.sheetAttached)
        return false;
    const bool selection = state.selectionCount > 0;
    if (suffix == QLatin1String(kToolbarPrintItemIdentifier))
        return state.marked;
    if (is({"printToDisk", "printToEmail"}))
        return state.marked && state.printAreas;
    if (is({"saveBack"}))
        return state.saveBackSetting && state.modifiedEntries;
    if (is({"add", "addurl", "templateselector", "layoutoptions", "toggledrawer"}))
        return true;
    if (is({"addiphotos"}))
        return state.iPhotoLoaded;
    if (is({"export"}))
        return selection && state.selectionEnabled;
    if (is({"remove", "flip", "rotateCW", "rotateCCW", "pixelenhancer", "photoinfo"}))
        return selection;
    if (is({"mark", "unmark"}))
        return !state.book && selection;
    if (is({"crop", "redeyereduce", "balloonMode"}))
        return state.selectionCount == 1 && state.selectionEnabled && !state.layoutShown;
    if (is({"templatetext"}))
        return state.layoutShown && state.editFields;
    if (is({"addPage"}))
        return state.layoutShown && state.book && state.pageCount > 0;
    if (is({"removePage"}))
        return state.layoutShown && state.book && state.pageCount > 1;
    if (is({"nextPage"}))
        return state.currentPage < state.pageCount - 1;
    if (is({"prevPage"}))
        return state.currentPage > 0;
    if (is({"clearCells"}))
        return state.layoutShown && state.book && state.selectedCellsVisible;
    if (is({"first", "previous", "next", "last"}))
        return state.catalogCount > 0;
    if (is({"locate"}))
        return selection && state.selectionDisabled;
    if (is({"rename"}))
        return state.selectionFile;
    if (is({"refresh"}))
        return selection && state.selectionURL;
    return false;
}

CatalogToolbarState CatalogToolbar::stateOf(const ZaroziveZodiroVirizidivi& controller) {
    CatalogToolbarState state;
    QWidget* window = controller.window();
    state.mainWindow = MainWindowTracker::sharedTracker().isMainWindow(window);
    state.sheetAttached = ModalAlert::hasAttachedSheet(window);
    state.book = controller.getPrintArrangementMode() == LayoutModeBook;
    state.layoutShown = controller.currentViewTag() == ZaroziveZodiroVirizidivi::LayoutPanel;
    state.iPhotoLoaded = VQIPhotoBridge::sharedIPhotoBridge()->status();
    state.saveBackSetting = host().preferencesBOOLFor(PrefEnableSaveBack);
    const CatalogPanel* layout = controller.layoutPanel();
    state.selectedCellsVisible = layout && layout->areSelectedCellsVisible();
    const std::optional<QList<int>> marked = controller.getMarked();
    state.marked = marked && !marked->isEmpty();
    RoduvudeDadevizi* document = controller.catalogDocument();
    if (!document)
        return state;
    VQFileCatalog& catalog = document->fileCatalog();
    state.catalogCount = catalog.fileCount();
    state.modifiedEntries = !catalog.getModifiedFileIndices().isEmpty();
    const QList<int> selected = catalog.getSelectedIndices();
    state.selectionCount = int(selected.size());
    for (int index : selected) {
        const bool enabled = catalog.getFileAttributeAtIndex(kCatalogAttrEnabled, index).toBool();
        state.selectionEnabled |= enabled;
        state.selectionDisabled |= !enabled;
        state.selectionFile |=
            catalog.getFileAttributeAtIndex(kCatalogAttrIsLocalFile, index).toBool();
        state.selectionURL |= catalog.getFileAttributeAtIndex(kCatalogAttrIsURL, index).toBool();
    }
    // Validation runs after every event; it must not make a layout the document
    // would then save.
    if (const std::shared_ptr<TemplateMapper> mapper = document->existingTemplateMapper()) {
        state.pageCount = mapper->pageCount();
        state.currentPage = mapper->currentPageNum();
        state.printAreas = !mapper->masterPrintAreaRects().isEmpty();
        state.editFields = !mapper->masterEditFields().isEmpty();
    }
    return state;
}

int CatalogToolbar::editModeOfItem(const QString& suffix) {
    if (suffix == QLatin1String("crop"))
        return EditModeCrop;
    if (suffix == QLatin1String("redeyereduce"))
        return EditModeRedEye;
    if (suffix == QLatin1String("balloonMode"))
        return EditModeCaption;
    return 0;
}

QAction* CatalogToolbar::makeItem(CatalogToolbarKind kind, const QString& identifier, int editMode,
                                  bool drawerOpen) {
    const CatalogToolbarItem* row = itemForIdentifier(kind, identifier);
    if (!row)
        return nullptr;
    auto* item = new QAction(text(row->labelKey));
    item->setIconText(text(row->labelKey));
    Toolbar::setItemPaletteLabel(item, text(row->paletteLabelKey));
    item->setToolTip(text(row->tooltipKey));
    item->setIcon(toolbarImage(row->image));
    item->setObjectName(identifier);
    Commands::setItemAction(item, qs(row->action));
    // Red-eye and caption come with their plain images; the next adjustment sets them.
    if (qstrcmp(row->suffix, "crop") == 0 || qstrcmp(row->suffix, "toggledrawer") == 0)
        updateStateLook(*item, editMode, drawerOpen);
    return item;
}

void CatalogToolbar::updateStateLook(QAction& item, int editMode, bool drawerOpen) {
    const QString suffix = itemSuffix(item.objectName());
    const CatalogToolbarItem* row = rowOfSuffix(suffix);
    if (!row || !row->imageOn)
        return;
    const int mode = editModeOfItem(suffix);
    const bool on = mode ? editMode == mode : drawerOpen;
    if (item.property(kStateOnProperty).isValid() && item.property(kStateOnProperty).toBool() == on)
        return;
    item.setProperty(kStateOnProperty, on);
    item.setIcon(toolbarImage(on ? row->imageOn : row->image));
    if (row->tooltipOnKey)
        item.setToolTip(text(on ? row->tooltipOnKey : row->tooltipKey));
}

// ---------------------------------------------------------------------------
// The delegate

CatalogToolbarDelegate::CatalogToolbarDelegate(CatalogToolbarKind kind, CatalogPanel& panel)
    : _kind(kind), _panel(panel) {}

CatalogToolbarDelegate::~CatalogToolbarDelegate() {
    // The window owns the toolbar, which must not ask a delegate that is gone.
    if (_toolbar)
        _toolbar->setDelegate(nullptr);
}

ZaroziveZodiroVirizidivi* CatalogToolbarDelegate::controller() const {
    QWidget* window = _window ? _window.data() : _panel.panelView()->window();
    return qobject_cast<ZaroziveZodiroVirizidivi*>(WindowController::forWindow(window));
}

void CatalogToolbarDelegate::setupToolbar(QWidget* window) {
    if (!window)
        return;
    _window = window;
    auto* bar = new Toolbar(CatalogToolbar::toolbarIdentifier(_kind));
    bar->setAllowsUserCustomization(true);
    bar->setAutosavesConfiguration(true);
    bar->setDisplayMode(Toolbar::DisplayModeDefault);
    Toolbar::installInWindow(window, bar);
    _toolbar = bar;
    bar->setDelegate(this);
}

bool CatalogToolbarDelegate::drawerOpen() const {
    // The grid is the drawer's content: shown while the drawer is open.
    ZaroziveZodiroVirizidivi* owner = controller();
    VQFileCatalogScrollView* grid = owner ? owner->fileCatalogScrollView() : nullptr;
    return grid && !grid->isHidden();
}

void CatalogToolbarDelegate::adjustToolbarButtons() {
    Toolbar* bar = toolbar();
    if (!bar)
        return;
    ZaroziveZodiroVirizidivi* owner = controller();
    const int editMode = owner ? owner->editMode() : 0;
    const bool open = drawerOpen();
    for (QAction* item : bar->actions())
        CatalogToolbar::updateStateLook(*item, editMode, open);
    bar->validateVisibleItems();
}

QAction* CatalogToolbarDelegate::findToolbarItemWithIdentifier(const QString& identifier) const {
    Toolbar* bar = toolbar();
    return bar ? bar->itemWithIdentifier(identifier) : nullptr;
}

QAction* CatalogToolbarDelegate::toolbarItemForItemIdentifier(Toolbar& toolbar,
                                                              const QString& identifier) {
    ZaroziveZodiroVirizidivi* owner = controller();
    QAction* item =
        CatalogToolbar::makeItem(_kind, identifier, owner ? owner->editMode() : 0, drawerOpen());
    if (!item)
        return nullptr;
    item->setParent(&toolbar);
    connect(item, &QAction::triggered, this, [this, item] { perform(item); });
    return item;
}

QStringList CatalogToolbarDelegate::toolbarAllowedItemIdentifiers(const Toolbar&) const {
    return CatalogToolbar::allowedItemIdentifiers(_kind);
}

QStringList CatalogToolbarDelegate::toolbarDefaultItemIdentifiers(const Toolbar&) const {
    return CatalogToolbar::defaultItemIdentifiers(_kind);
}

bool CatalogToolbarDelegate::hasReceiver(const CatalogToolbarItem& row) const {
    const QString action = qs(row.action);
    switch (row.target) {
    case Target::Panel:
        // The panel hands all but its own mode toggles on to the controller.
        return Commands::objectRespondsToAction(_panel.panelView(), action) &&
               (isEditModeToggle(row) || Commands::objectRespondsToAction(controller(), action));
    case Target::Controller:
        return Commands::objectRespondsToAction(controller(), action);
    case Target::Application:
        return Commands::targetForAction(action) != nullptr;
    }
    return false;
}

bool CatalogToolbarDelegate::validateToolbarItem(QAction& item) {
    ZaroziveZodiroVirizidivi* owner = controller();
    const CatalogToolbarItem* row =
        CatalogToolbar::itemForIdentifier(_kind, Toolbar::itemIdentifier(&item));
    if (!row || !hasReceiver(*row))
        return false;
    switch (row->target) {
    case Target::Panel:
        return owner &&
               CatalogToolbar::isItemEnabled(qs(row->suffix), CatalogToolbar::stateOf(*owner));
    case Target::Controller:
        return owner && owner->validateToolbarItem(item);
    case Target::Application:
        return true;
    }
    return false;
}

void CatalogToolbarDelegate::perform(QAction* item) {
    const CatalogToolbarItem* row =
        CatalogToolbar::itemForIdentifier(_kind, Toolbar::itemIdentifier(item));
    if (!row || !validateToolbarItem(*item))
        return;
    switch (row->target) {
    case Target::Panel:
        Commands::sendActionToObject(_panel.panelView(), qs(row->action), item);
        break;
    case Target::Controller:
        Commands::sendActionToObject(controller(), qs(row->action), item);
        break;
    case Target::Application:
        Commands::sendAction(item);
        break;
    }
}
