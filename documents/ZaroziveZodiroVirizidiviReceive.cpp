// The catalog window's receiving of photos, its file commands and its errors.

#include "catalog/DroppedPhotos.h"
#include "catalog/URLLocator.h"
#include "catalog/VQFileCatalog.h"
#include "catalog/VQFileCatalogScrollView.h"
#include "catalog/VQFileCatalogView.h"
#include "catalog/VQIPhotoBridge.h"
#include "documents/CatalogToolbar.h"
#include "documents/DurevedeDudiruVorudu.h"
#include "documents/RoduvudeDadevizi.h"
#include "documents/RovedezevOvod.h"
#include "documents/ZaroziveZodiroVirizidivi.h"
#include "framework/model/GenericDocument.h"
#include "layout/Exporter.h"
#include "layout/TemplateMapper.h"
#include "layout/TemplateView.h"
#include "library/TemplateHandle.h"
#include "photoview/PhotoView.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/HostServices.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/NotificationQueue.h"
#include "platform/foundation/PreferenceIndex.h"
#include "platform/foundation/UndoManager.h"
#include "platform/graphics/Image.h"
#include "platform/ui/MainWindowTracker.h"
#include "platform/ui/ModalAlert.h"
#include "platform/ui/ProgressSheet.h"

#include <QAction>
#include <QApplication>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTimer>
#include <sys/xattr.h>

namespace {

QString qs(const char* text) {
    return QString::fromLatin1(text);
}

QString text(const char* key) {
    return localizedString(qs(key));
}

// Ends the undo group it opened, whichever way the scope is left.
class UndoStep {
public:
    explicit UndoStep(RoduvudeDadevizi* document)
        : _undo(document ? document->undoManager() : nullptr) {
        if (_undo)
            _undo->beginUndoGrouping();
    }
    ~UndoStep() {
        if (_undo)
            _undo->endUndoGrouping();
    }
    UndoStep(const UndoStep&) = delete;
    UndoStep& operator=(const UndoStep&) = delete;

private:
    UndoManager* _undo;
};

constexpr char kCommentAttribute[] = "user.xdg.comment";

// The comment attribute as it stands, to put back on a file written anew.
std::optional<QByteArray> readComment(const QString& path) {
    const QByteArray file = QFile::encodeName(path);
    const ssize_t size = ::getxattr(file.constData(), kCommentAttribute, nullptr, 0);
    if (size < 0)
        return std::nullopt;
    QByteArray value(size, Qt::Uninitialized);
    if (::getxattr(file.constData(), kCommentAttribute, value.data(), size_t(size)) != size)
        return std::nullopt;
    return value;
}

void writeComment(const QString& path, const QByteArray& value) {
    ::setxattr(QFile::encodeName(path).constData(), kCommentAttribute, value.constData(),
               size_t(value.size()), 0);
}

// The catalog window's commands that reach its controller.
// clang-format off
constexpr const char* kControllerActions[] = {
    "addFiles:",
    "addURL:",
    "addIPhotos:",
    "removeFiles:",
    "renameFiles:",
    "saveBack:",
    "printToDisk:",
    "exportSelection:",
    "printToEmail:",
    "layoutOptions:",
    "editText:",
    "switchViewFromMenu:",
    "toggleCatalogDrawer:",
    "toggleToolbar:",
    "printDocument:",
    "saveDocument:",
    "saveDocumentAs:",
    "runPageLayout:",
    "revertDocumentToSaved:",
    "performClose:",
    "chooseTemplate:",
    "showPhotoInfo:",
    "adjustImage:",
    "toggleCropMode:",
    "rotateImageRight:",
    "rotateImageLeft:",
    "flipImage:",
    "markSelection:",
    "unmarkSelection:",
    "toggleMarkerAction:",
    "locateEntry:",
    "refreshPhoto:",
    "scrollToSelection:",
    "firstSelection:",
    "prevSelection:",
    "nextSelection:",
    "prevSelectionRow:",
    "nextSelectionRow:",
    "lastSelection:",
    "addLayoutPage:",
    "removeLayoutPage:",
    "nextLayoutPage:",
    "previousLayoutPage:",
    "clearPhotoCells:",
    "cycleInteractionMode:",
    "toggleRedEyeMode:",
    "toggleCaptionMode:",
    "bringToFront:",
    "sendToBack:",
    "moveForward:",
    "moveBackward:",
};
// clang-format on

} // namespace

// ---------------------------------------------------------------------------
// Life

void ZaroziveZodiroVirizidivi::setup() {
    RoduvudeDadevizi* doc = catalogDocument();
    if (!doc)
        return;
    ensurePanelViews();
    for (CatalogPanel* panel : {_photographView, _rovedezevOvod})
        if (panel)
            panel->setDocument(doc);
    // The switch takes the document's panel before it has a delegate; the
    // panel is then shown even when it is the switch's first value.
    _viewSwitcher->setDelegate(nullptr);
    _viewSwitcher->setValue(doc->currentPanel());
    showPanelOfSwitch(true);
    setErrorMessageWithTitle(QString(), QString());
    setUpCatalogWindow();
    if (_viewSwitcher->cellCount() == 0) {
        _viewSwitcher->addCell(text("PHOTOGRAPH_LABEL"));
        _viewSwitcher->addCell(text("LAYOUT_LABEL"));
    }
    _viewSwitcher->setDelegate(this);
    if (_toolModeSwitcher) {
        _toolModeSwitcher->setDelegate(this);
        if (_toolModeSwitcher->cellCount() == 0)
            for (const char* image : {"HandIcon", "ZoomInIcon", "CompassIcon"})
                _toolModeSwitcher->addCell(
                    QString(), TemplateHandle::applicationImageNamed(qs(image)).toQImage());
        // Asking a hidden layout panel for its view would make the document's layout.
        TemplateView* view = _rovedezevOvod && _currentViewTag == LayoutPanel
                                 ? _rovedezevOvod->templateView()
                                 : nullptr;
        _toolModeSwitcher->setValue(view ? view->interactionMode() : 0);
    }
    _printArrangementMode = doc->getPrintArrangementMode();
    _printScalingMode = doc->getPrintScaleMode();
    // A script's first enhancement of only some factors takes the others from
    // here: zeros would turn the photos grey.
    _sharpness = float(doc->defaultSharpness());
    _contrast = doc->defaultContrast();
    _saturation = doc->defaultSaturation();
    _brightness = doc->defaultBrightness();
    if (CatalogPanel* panel = activeViewPanel())
        panel->adjustToolbarButtons();
    observeErrors();
    updateInfoLabels();
}

void ZaroziveZodiroVirizidivi::ensurePanelViews() {
    if (DurevedeDudiruVorudu* own = catalogWindow()) {
        _mainView = own->mainView();
        _viewSwitcher = own->viewSwitcher();
        _toolModeSwitcher = own->toolModeSwitcher();
    } else if (!_mainView) {
        // A window of another kind has no panel area: the views are kept out of sight.
        _mainView = new QWidget(window());
        _mainView->hide();
    }
    if (!_viewSwitcher)
        _viewSwitcher = new VQViewSwitch(_mainView);
    if (!_photographView)
        _photographView = new PhotoView(_mainView);
    if (!_rovedezevOvod)
        _rovedezevOvod = new RovedezevOvod(_mainView);
}

void ZaroziveZodiroVirizidivi::setPanels(CatalogPanel* photograph, CatalogPanel* layout) {
    _photographView = photograph;
    _rovedezevOvod = layout;
}

CatalogPanel* ZaroziveZodiroVirizidivi::activeViewPanel() const {
    return _currentViewTag == PhotographPanel ? _photographView : _rovedezevOvod;
}

void ZaroziveZodiroVirizidivi::viewSwitchSelectionChanged(VQViewSwitch* sender) {
    if (sender && sender == _toolModeSwitcher) {
        TemplateView* view = _rovedezevOvod && _currentViewTag == LayoutPanel
                                 ? _rovedezevOvod->templateView()
                                 : nullptr;
        if (view)
            view->setInteractionMode(sender->value());
        return;
    }
    if (sender == _viewSwitcher)
        showPanelOfSwitch(false);
}

void ZaroziveZodiroVirizidivi::showPanelOfSwitch(bool fromController) {
    const int value = _viewSwitcher->value();
    if (value == _currentViewTag && !fromController)
        return;
    _lastViewTag = _currentViewTag;
    _currentViewTag = value;
    _dragHilightState = false;
    if (CatalogPanel* panel = activeViewPanel())
        panel->setDragHilight(false);
    for (QWidget* child : _mainView->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (child != _viewSwitcher)
            child->hide();
    if (value != PhotographPanel && value != LayoutPanel)
        return;
    if (value == PhotographPanel)
        setErrorMessageWithTitle(QString(), QString());
    setEditMode(0);
    CatalogPanel* panel = activeViewPanel();
    if (panel) {
        QWidget* view = panel->panelView();
        view->setParent(_mainView);
        view->setGeometry(_mainView->rect().adjusted(1, 1, -1, -1));
        view->show();
        panel->calculateLayout();
    }
    if (RoduvudeDadevizi* doc = catalogDocument()) {
        doc->setCurrentPanel(value);
        doc->setLastPanel(value == PhotographPanel ? LayoutPanel : PhotographPanel);
    }
    if (panel)
        panel->setupToolbar();
    if (_toolModeSwitcher)
        _toolModeSwitcher->setSwitchVisible(value == LayoutPanel);
    updateInfoLabels();
}

void ZaroziveZodiroVirizidivi::shutdown() {
    for (QTimer* timer : {_openTimer.data(), _deferedOpenTimer.data()})
        if (timer) {
            timer->stop();
            timer->deleteLater();
        }
    if (_heartbeatTimer) {
        _heartbeatTimer->stop();
        _heartbeatTimer->deleteLater();
        _heartbeatTimer = nullptr;
    }
    NotificationCenter::defaultCenter().removeObserver(static_cast<const void*>(&_errorObserved));
    NotificationCenter::defaultCenter().removeObserver(this);
    _errorObserved = false;
}

QString
ZaroziveZodiroVirizidivi::windowTitleForDocumentDisplayName(const QString& displayName) const {
    return displayName + text("CATALOG_DOC");
}

// ---------------------------------------------------------------------------
// Receiving

void ZaroziveZodiroVirizidivi::receivePath(const QString& path) {
    UndoStep step(catalogDocument());
    receivePathAtPosition(path, -1);
}

int ZaroziveZodiroVirizidivi::receivePathAtPosition(const QString& path, int position) {
    VQFileCatalog* entries = catalog();
    const QFileInfo info(path);
    if (!entries || !info.exists())
        return 0;
    if (!info.isDir())
        return entries->matchesCriteria(path) && entries->addFileEntryAtPosition(path, position)
                   ? 1
                   : 0;
    int added = 0;
    for (const QString& file : DroppedPhotos::expandFolders({path}, *entries)) {
        if (!entries->matchesCriteria(file) || !entries->addFileEntryAtPosition(file, position))
            continue;
        ++added;
        if (position >= 0)
            ++position;
    }
    return added;
}

VQFileCatalog* ZaroziveZodiroVirizidivi::getSourceCatalog(const QVariantMap& item) {
    const QString key = item.value(qs(kVQSelectionCatalogKey)).toString();
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* controller =
            qobject_cast<ZaroziveZodiroVirizidivi*>(WindowController::forWindow(widget));
        RoduvudeDadevizi* doc = controller ? controller->catalogDocument() : nullptr;
        if (doc && doc->fileCatalog().description() == key)
            return &doc->fileCatalog();
    }
    return nullptr;
}

void ZaroziveZodiroVirizidivi::receiveObject(const QVariantMap& record) {
    receiveObjectAtPosition(record, -1);
}

void ZaroziveZodiroVirizidivi::receiveObjectAtPosition(const QVariantMap& record, int position) {
    VQFileCatalog* entries = catalog();
    if (!entries)
        return;
    VQFileCatalogEntryRef entry = entries->entryFromPastedRecord(record);
    entry->insert(qs(kEntryPositionKey), position);
    entries->addObjectEntry(entry);
}

void ZaroziveZodiroVirizidivi::receiveImageAtPosition(const Image& image, int position) {
    if (VQFileCatalog* entries = catalog())
        entries->addImageEntryAtPosition(image, position);
}

// ---------------------------------------------------------------------------
// Adding by command

void ZaroziveZodiroVirizidivi::addFiles() {
    ModalAlert::PanelRequest request;
    request.kind = ModalAlert::PanelRequest::Kind::Open;
    request.multipleSelection = true;
    request.extensions = DroppedPhotos::imageFileTypes();
    ModalAlert::beginPanelSheet(window(), request,
                                [self = QPointer(this)](const QStringList& paths) {
                                    if (self)
                                        self->addFilesPanelDidEnd(paths);
                                });
}

void ZaroziveZodiroVirizidivi::addFilesPanelDidEnd(const QStringList& paths) {
    if (paths.isEmpty())
        return;
    _deferedFiles = paths;
    if (_deferedOpenTimer)
        _deferedOpenTimer->deleteLater();
    _deferedOpenTimer = new QTimer(this);
    _deferedOpenTimer->setSingleShot(true);
    _deferedOpenTimer->setInterval(kDeferedOpenMs);
    connect(_deferedOpenTimer, &QTimer::timeout, this, &ZaroziveZodiroVirizidivi::deferedFileOpen);
    _deferedOpenTimer->start();
}

void ZaroziveZodiroVirizidivi::deferedFileOpen() {
    if (!_deferedFiles.isEmpty() && catalog()) {
        setEditMode(0);
        if (VQFileCatalogScrollView* grid = fileCatalogScrollView())
            grid->setAutoSelection(true);
        const WaitMonitorScope wait;
        UndoStep step(catalogDocument());
        for (const QString& path : std::as_const(_deferedFiles))
            receivePathAtPosition(path, -1);
    }
    _deferedFiles.clear();
    if (_deferedOpenTimer) {
        _deferedOpenTimer->stop();
        _deferedOpenTimer->deleteLater();
    }
}

void ZaroziveZodiroVirizidivi::addIPhotos() {
    // The album selector is opened only with library data, which this system
    // never has: the bridge's status is always NO here.
    if (VQIPhotoBridge::sharedIPhotoBridge()->status())
        return;
    ModalAlert::beep();
    ModalAlert::Request request(text("IPHOTO_NO_CONNECT_TITLE"), text("IPHOTO_NO_CONNECT_MSG"));
    request.defaultButton = text("OK");
    request.style = ModalAlert::Style::Critical;
    ModalAlert::run(request);
}

void ZaroziveZodiroVirizidivi::removeSelectedFiles() {
    // The edit modes' palettes belong to the photograph panel, which closes them
    // when the mode ends.
    if (_curEditMode != 0)
        setEditMode(0);
    if (VQFileCatalogScrollView* grid = fileCatalogScrollView())
        grid->removeSelectedFiles();
}

void ZaroziveZodiroVirizidivi::renameFiles() {
    if (VQFileCatalogScrollView* grid = fileCatalogScrollView())
        grid->renameSelection();
}

void ZaroziveZodiroVirizidivi::setEditMode(int mode) {
    _curEditMode = mode;
    if (CatalogPanel* panel = activeViewPanel()) {
        panel->setEditMode(mode);
        panel->adjustToolbarButtons();
    }
}

// ---------------------------------------------------------------------------
// Save back

void ZaroziveZodiroVirizidivi::saveBack() {
    VQFileCatalog* entries = catalog();
    if (!entries)
        return;
    if (entries->getModifiedFileIndices().isEmpty()) {
        postError(kNothingToSaveBackError);
        return;
    }
    ModalAlert::Request request(text("SAVE_BACK_CHECK"), text("SAVE_BACK_WARN"));
    request.defaultButton = text("CANCEL");
    request.alternateButton = text("OK");
    ModalAlert::beginSheet(window(), request, [self = QPointer(this)](int code) {
        if (self)
            self->saveBackSheetDidEnd(code);
    });
}

void ZaroziveZodiroVirizidivi::saveBackSheetDidEnd(int returnCode) {
    VQFileCatalog* entries = catalog();
    if (returnCode != ModalAlert::AlternateReturn || !entries)
        return;
    const QList<int> indices = entries->getModifiedFileIndices();
    const qsizetype n = indices.size();
    const bool showsProgress = n > 1;
    if (showsProgress)
        beginProgress(int(n));
    _abortExport = false;
    bool saved = false;

    // With several photos the user may go on with the rest; with one there is
    // nothing to go on with.
    const auto failed = [this, showsProgress](const QString& title, const QString& message) {
        askAfterFailedWrite(ModalAlert::Request(title, message), showsProgress);
    };

    for (int index : indices) {
        Exporter exporter;
        if (entries->getFileAttributeAtIndex(kCatalogAttrEnabled, index).toBool()) {
            const bool screenResolution = entries->deliverScreenResolution();
            entries->setDeliverScreenResolution(false);
            Image image =
                entries->getFileAttributeAtIndex(kCatalogAttrFullImage, index).value<Image>();
            const QByteArray metaData =
                entries->getFileAttributeAtIndex(kCatalogAttrMetadata, index).toByteArray();
            const QVariantMap componentInfo =
                entries->getFileAttributeAtIndex(kCatalogAttrComponentInfo, index).toMap();
            entries->setDeliverScreenResolution(screenResolution);
            const QString name =
                entries->getFileAttributeAtIndex(kCatalogAttrName, index).toString();
            const QString path =
                entries->getFileAttributeAtIndex(kCatalogAttrPath, index).toString();
            if (showsProgress) {
                _progressPanel->setMessage(stringWithFormat(text("SAVE_BACK_MSG"), name));
                _progressPanel->repaint();
            }

            exporter.setMetaData(metaData);
            if (!image.isNull() && exporter.setupWithComponentInfo(componentInfo)) {
                bool written = false;
                {
                    const WaitMonitorScope wait;
                    const std::optional<QByteArray> comment = readComment(path);
                    written = exporter.exportImageToFile(std::move(image), path);
                    if (written && comment)
                        writeComment(path, *comment);
                }
                if (written) {
                    entries->resetEntryAtIndex(index);
                    saved = true;
                } else {
                    failed(text("SAVE_BACK_FAIL_TITLE"),
                           stringWithFormat(text("SAVE_BACK_FAIL_MSG"), exporter.errorString()));
                }
            } else {
                failed(text("SAVE_BACK_FAIL2_TITLE"),
                       stringWithFormat(text("SAVE_BACK_FAIL2_MSG"), name));
            }
        }
        if (showsProgress)
            _progressPanel->advance();
        if (_abortExport)
            break;
    }
    if (showsProgress)
        _progressPanel->end();
    if (saved) {
        if (entries->testAllEntriesForChanges()) {
            if (VQFileCatalogScrollView* grid = fileCatalogScrollView())
                grid->update();
        }
    }
    if (CatalogPanel* panel = activeViewPanel())
        panel->adjustToolbarButtons();
}

// ---------------------------------------------------------------------------
// Errors

void ZaroziveZodiroVirizidivi::postError(int code) {
    QVariantMap info;
    info.insert(qs(kErrCodeKey), code);
    info.insert(qs(kErrDocumentKey), QVariant::fromValue(static_cast<QObject*>(document())));
    NotificationQueue::defaultQueue().enqueueNotification(
        Notification(qs(kUTErrorNofity), static_cast<const QObject*>(this), info),
        NotificationQueue::PostASAP);
}

void ZaroziveZodiroVirizidivi::observeErrors() {
    NotificationCenter& center = NotificationCenter::defaultCenter();
    const void* owner = &_errorObserved;
    center.removeObserver(owner);
    center.addObserver(owner, qs(kUTErrorNofity), nullptr,
                       [this](const Notification& n) { errorEncountered(n); });
    for (const char* name : {kArrangementModeChangedNotify, kScaleModeChangedNotify})
        center.addObserver(owner, qs(name), nullptr,
                           [this](const Notification& n) { layoutOptionsChanged(n); });
    _errorObserved = true;
}

void ZaroziveZodiroVirizidivi::layoutOptionsChanged(const Notification& notification) {
    RoduvudeDadevizi* doc = catalogDocument();
    if (!doc || notification.object() != static_cast<const void*>(doc))
        return;
    setPrintArrangementMode(doc->getPrintArrangementMode());
    setPrintScalingMode(doc->getPrintScaleMode());
    if (VQFileCatalogScrollView* grid = fileCatalogScrollView())
        grid->update();
}

void ZaroziveZodiroVirizidivi::errorEncountered(const Notification& notification) {
    const QVariantMap info = notification.userInfo();
    const QObject* named = info.value(qs(kErrDocumentKey)).value<QObject*>();
    if (!named || named != document())
        return;
    const int code = info.value(qs(kErrCodeKey)).toInt();
    ModalAlert::Request request(text("ERROR_OCCURRED"),
                                localizedString(QStringLiteral("Error ") + QString::number(code)));
    request.defaultButton = text("OK");
    ModalAlert::beginSheet(window(), request, [](int) {});
}

// ---------------------------------------------------------------------------
// Commands

bool ZaroziveZodiroVirizidivi::respondsToAction(const QString& action) const {
    return std::any_of(std::begin(kControllerActions), std::end(kControllerActions),
                       [&action](const char* known) { return action == QLatin1String(known); });
}

bool ZaroziveZodiroVirizidivi::validateMenuItem(QAction& item) {
    // The toolbars' print item reaches the controller along the chain.
    if (Toolbar::itemIdentifier(&item) == QLatin1String(kToolbarPrintItemIdentifier))
        return validateToolbarItem(item);
    return validateItemTag(Commands::itemTag(&item));
}

bool ZaroziveZodiroVirizidivi::validateItemTag(int tag) {
    if (!MainWindowTracker::sharedTracker().isMainWindow(window()) ||
        ModalAlert::hasAttachedSheet(window()))
        return false;
    VQFileCatalog* entries = catalog();
    if (!entries)
        return false;
    const QList<int> selected = entries->getSelectedIndices();
    const auto anySelected = [&](int attribute, bool wanted) {
        return std::any_of(selected.begin(), selected.end(), [&](int index) {
            return entries->getFileAttributeAtIndex(attribute, index).toBool() == wanted;
        });
    };
    const bool layout = _currentViewTag == LayoutPanel;
    const bool notEmpty = !entries->getAllIndices().isEmpty();
    switch (tag) {
    case 208:
        return anySelected(kCatalogAttrEnabled, true);
    case 209:
        return host().preferencesBOOLFor(PrefEnableSaveBack) &&
               !entries->getModifiedFileIndices().isEmpty();
    case 211:
    case 402:
    case 403:
    case 404:
    case 405:
        return notEmpty;
    case 212:
        return anySelected(kCatalogAttrEnabled, false);
    case 213:
    case 214:
        return notEmpty && !catalogDocument()->templateMapper()->masterPrintAreaRects().isEmpty();
    case 406:
    case 407:
        return _printArrangementMode != LayoutModeBook && !selected.isEmpty();
    case 408:
        return anySelected(kCatalogAttrIsURL, true);
    case 502:
    case 503:
    case 504:
    case 510:
        return !selected.isEmpty();
    case 705:
    case 706:
    case 707:
        return !selected.isEmpty() && !layout;
    case 1401:
    case 1402:
    case 1403:
    case 1404: {
        const PhotoView* photo = photographPanel();
        return _curEditMode == PhotoEditModeCaption && photo &&
               !photo->selectedCaptions().isEmpty();
    }
    case 509:
        return anySelected(kCatalogAttrIsLocalFile, true);
    case 521:
        return VQIPhotoBridge::sharedIPhotoBridge()->status();
    case 602:
    case 609:
        return layout;
    case 603:
        return layout && !catalogDocument()->templateMapper()->masterEditFields().isEmpty();
    case 604:
    case 605:
    case 606:
    case 607:
    case 608:
        return layout && validatePageItemTag(tag);
    default:
        return true;
    }
}

bool ZaroziveZodiroVirizidivi::validateToolbarItem(QAction& item) {
    return CatalogToolbar::isItemEnabled(CatalogToolbar::itemSuffix(Toolbar::itemIdentifier(&item)),
                                         CatalogToolbar::stateOf(*this));
}

void ZaroziveZodiroVirizidivi::performAction(const QString& action, QAction* sender) {
    if (action == QLatin1String("addFiles:"))
        addFiles();
    else if (action == QLatin1String("addURL:"))
        addURL();
    else if (action == QLatin1String("addIPhotos:"))
        addIPhotos();
    else if (action == QLatin1String("removeFiles:"))
        removeFiles(sender);
    else if (action == QLatin1String("renameFiles:"))
        renameFiles();
    else if (action == QLatin1String("saveBack:"))
        saveBack();
    else if (action == QLatin1String("printToDisk:"))
        printToDisk();
    else if (action == QLatin1String("exportSelection:"))
        exportSelection(sender);
    else if (action == QLatin1String("printToEmail:"))
        printToEmail();
    else if (action == QLatin1String("layoutOptions:"))
        layoutOptions();
    else if (action == QLatin1String("editText:"))
        editText();
    else if (action == QLatin1String("printDocument:"))
        printDocument();
    else if (action == QLatin1String("chooseTemplate:"))
        chooseTemplate();
    else if (action == QLatin1String("showPhotoInfo:"))
        showPhotoInfo();
    else if (action == QLatin1String("adjustImage:"))
        adjustImage();
    else if (action == QLatin1String("switchViewFromMenu:") && sender)
        switchView(Commands::itemTag(sender));
    else if (action == QLatin1String("toggleCatalogDrawer:"))
        toggleCatalogDrawer();
    else if (action == QLatin1String("toggleToolbar:"))
        toggleToolbar();
    else if (performSelectionAction(action, sender))
        return;
    else if (action == QLatin1String("bringToFront:") || action == QLatin1String("sendToBack:") ||
             action == QLatin1String("moveForward:") || action == QLatin1String("moveBackward:"))
        arrangeCaptions(action);
    else if (action == QLatin1String("toggleCropMode:") ||
             action == QLatin1String("toggleRedEyeMode:") ||
             action == QLatin1String("toggleCaptionMode:"))
        // The photograph panel runs its edit modes.
        Commands::sendActionToObject(_photographView ? _photographView->panelView() : nullptr,
                                     action, sender);
    else if (RoduvudeDadevizi* doc = catalogDocument())
        performDocumentAction(*doc, action);
}

bool ZaroziveZodiroVirizidivi::validatePageItemTag(int tag) {
    const TemplateMapperRef mapper = catalogDocument()->templateMapper();
    const int32_t pages = mapper->pageCount();
    const int32_t page = mapper->currentPageNum();
    const bool book = _printArrangementMode == LayoutModeBook;
    switch (tag) {
    case 604:
        return book && pages >= 1;
    case 605:
        return book && pages > 1;
    case 606:
        return page < pages - 1;
    case 607:
        return page > 0;
    case 608:
        return book && _rovedezevOvod && _rovedezevOvod->areSelectedCellsVisible();
    default:
        return false;
    }
}

bool ZaroziveZodiroVirizidivi::performSelectionAction(const QString& action, QAction* sender) {
    using Command = void (ZaroziveZodiroVirizidivi::*)();
    static const QHash<QString, Command> kCommands = {
        {qs("toggleMarkerAction:"), &ZaroziveZodiroVirizidivi::toggleMarker},
        {qs("locateEntry:"), &ZaroziveZodiroVirizidivi::locateEntry},
        {qs("refreshPhoto:"), &ZaroziveZodiroVirizidivi::refreshPhoto},
        {qs("scrollToSelection:"), &ZaroziveZodiroVirizidivi::scrollToSelection},
        {qs("addLayoutPage:"), &ZaroziveZodiroVirizidivi::addLayoutPage},
        {qs("removeLayoutPage:"), &ZaroziveZodiroVirizidivi::removeLayoutPage},
        {qs("nextLayoutPage:"), &ZaroziveZodiroVirizidivi::nextLayoutPage},
        {qs("previousLayoutPage:"), &ZaroziveZodiroVirizidivi::previousLayoutPage},
        {qs("clearPhotoCells:"), &ZaroziveZodiroVirizidivi::clearPhotoCells},
        {qs("cycleInteractionMode:"), &ZaroziveZodiroVirizidivi::cycleInteractionMode},
    };
    using SenderCommand = void (ZaroziveZodiroVirizidivi::*)(QAction*);
    static const QHash<QString, SenderCommand> kSenderCommands = {
        {qs("rotateImageRight:"), &ZaroziveZodiroVirizidivi::rotateImageRight},
        {qs("rotateImageLeft:"), &ZaroziveZodiroVirizidivi::rotateImageLeft},
        {qs("flipImage:"), &ZaroziveZodiroVirizidivi::flipImage},
        {qs("markSelection:"), &ZaroziveZodiroVirizidivi::markSelection},
        {qs("unmarkSelection:"), &ZaroziveZodiroVirizidivi::unmarkSelection},
        {qs("firstSelection:"), &ZaroziveZodiroVirizidivi::firstSelection},
        {qs("prevSelection:"), &ZaroziveZodiroVirizidivi::prevSelection},
        {qs("nextSelection:"), &ZaroziveZodiroVirizidivi::nextSelection},
        {qs("prevSelectionRow:"), &ZaroziveZodiroVirizidivi::prevSelectionRow},
        {qs("nextSelectionRow:"), &ZaroziveZodiroVirizidivi::nextSelectionRow},
        {qs("lastSelection:"), &ZaroziveZodiroVirizidivi::lastSelection},
    };
    if (const auto it = kSenderCommands.constFind(action); it != kSenderCommands.cend()) {
        (this->*it.value())(sender);
        return true;
    }
    if (const auto it = kCommands.constFind(action); it != kCommands.cend()) {
        (this->*it.value())();
        return true;
    }
    return false;
}

PhotoView* ZaroziveZodiroVirizidivi::photographPanel() const {
    return _photographView ? qobject_cast<PhotoView*>(_photographView->panelView()) : nullptr;
}

void ZaroziveZodiroVirizidivi::arrangeCaptions(const QString& action) {
    PhotoView* photo = photographPanel();
    // The stacking order of captions, only while they are edited.
    if (_curEditMode != PhotoEditModeCaption || !photo)
        return;
    if (action == QLatin1String("bringToFront:"))
        photo->bringSelectedCaptionsToFront();
    else if (action == QLatin1String("sendToBack:"))
        photo->sendSelectedCaptionsToBack();
    else if (action == QLatin1String("moveForward:"))
        photo->moveSelectedCaptionsForward();
    else
        photo->moveSelectedCaptionsBackward();
}

void ZaroziveZodiroVirizidivi::performDocumentAction(RoduvudeDadevizi& doc, const QString& action) {
    if (action == QLatin1String("saveDocument:"))
        doc.saveDocument();
    else if (action == QLatin1String("saveDocumentAs:"))
        doc.saveDocumentAs();
    else if (action == QLatin1String("runPageLayout:"))
        doc.runPageLayout();
    else if (action == QLatin1String("revertDocumentToSaved:"))
        // A revert gives the document a new layout: the panels follow it.
        doc.revertDocumentToSaved([self = QPointer(this)](bool reverted, const QString&) {
            if (!reverted || !self || !self->catalogDocument())
                return;
            for (CatalogPanel* panel : {self->_photographView, self->_rovedezevOvod})
                if (panel)
                    panel->setDocument(self->catalogDocument());
        });
    else if (action == QLatin1String("performClose:"))
        window()->close();
}
