// The catalog window's life: its size and place, its timers, the drawer, the
// status line and the keys.

#include "catalog/VQFileCatalog.h"
#include "catalog/VQFileCatalogScrollView.h"
#include "catalog/VQFileCatalogView.h"
#include "documents/DurevedeDudiruVorudu.h"
#include "documents/RoduvudeDadevizi.h"
#include "documents/ZaroziveZodiroVirizidivi.h"
#include "layout/TemplateMapper.h"
#include "layout/TemplateView.h"
#include "library/TemplateHandle.h"
#include "photoview/PhotoView.h"
#include "platform/documents/DocumentController.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/HostServices.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/NotificationQueue.h"
#include "platform/foundation/PreferenceIndex.h"
#include "platform/ui/CurrentEvent.h"
#include "platform/ui/MainWindowTracker.h"
#include "platform/ui/ModalAlert.h"
#include "platform/ui/Toolbar.h"

#include <QApplication>
#include <QCheckBox>
#include <QDockWidget>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <QToolButton>

namespace {

QString qs(const char* text) {
    return QString::fromLatin1(text);
}

QString text(const char* key) {
    return localizedString(qs(key));
}

constexpr char kInvalidateStatusBarNotify[] = "invalidateStatusBarNotify";
constexpr char kRoduvudeDadeviziClassName[] = "RoduvudeDadevizi";
// A status control that is not shown stands this far left of its place.
constexpr int kHiddenOffset = 1000;

std::function<void()>& signOfLife() {
    static std::function<void()> callback;
    return callback;
}

bool isShown(const QWidget* control) {
    return control && control->x() >= 0;
}

void shift(QWidget* control, int dx) {
    control->move(control->x() + dx, control->y());
}

} // namespace

DurevedeDudiruVorudu* ZaroziveZodiroVirizidivi::catalogWindow() const {
    return qobject_cast<DurevedeDudiruVorudu*>(window());
}

// ---------------------------------------------------------------------------
// Size, place and timers

void ZaroziveZodiroVirizidivi::sizeWindowToSettings() {
    DurevedeDudiruVorudu* own = catalogWindow();
    HostServices* services = HostServices::current();
    if (!own || !services)
        return;
    QSize size(services->preferencesIntFor(PrefDocumentWindowWidth),
               services->preferencesIntFor(PrefDocumentWindowHeight));
    if (size.width() <= 0)
        size.setWidth(own->width());
    if (size.height() <= 0)
        size.setHeight(own->height());
    // Qt keeps the top edge where it is when the height is cut.
    if (const QScreen* screen = own->screen())
        size = size.boundedTo(screen->availableGeometry().size());
    own->resize(size);
    _drawerWidth = services->preferencesIntFor(PrefDocumentDrawerWidth);
}

void ZaroziveZodiroVirizidivi::cascadeFromFrontCatalogWindow() {
    for (Document* open : DocumentController::sharedDocumentController().documents()) {
        if (qstrcmp(open->metaObject()->className(), kRoduvudeDadeviziClassName) != 0)
            continue;
        for (WindowController* other : open->windowControllers()) {
            const QWidget* shown = other->window();
            if (other == this || !shown || !shown->isVisible())
                continue;
            window()->move(shown->pos() + kCascadeOffset);
            return;
        }
    }
}

void ZaroziveZodiroVirizidivi::windowHasOpened() {
    HostServices* services = HostServices::current();
    if (services && services->preferencesBOOLFor(PrefDocumentDrawerOpen))
        openCatalogDrawer();
    if (_openTimer) {
        _openTimer->stop();
        _openTimer->deleteLater();
    }
}

void ZaroziveZodiroVirizidivi::setSignOfLife(std::function<void()> callback) {
    signOfLife() = std::move(callback);
}

void ZaroziveZodiroVirizidivi::heartbeat() {
    if (VQFileCatalogScrollView* grid = fileCatalogScrollView())
        grid->heartbeat();
    if (signOfLife())
        signOfLife()();
}

bool ZaroziveZodiroVirizidivi::openTimerPending() const {
    return _openTimer && _openTimer->isActive();
}

bool ZaroziveZodiroVirizidivi::heartbeatRunning() const {
    return _heartbeatTimer && _heartbeatTimer->isActive();
}

// ---------------------------------------------------------------------------
// Drawer and toolbar

QDockWidget* ZaroziveZodiroVirizidivi::getCatalogDrawer() const {
    DurevedeDudiruVorudu* own = catalogWindow();
    return own ? own->catalogDrawer() : nullptr;
}

void ZaroziveZodiroVirizidivi::openCatalogDrawer() {
    QDockWidget* drawer = getCatalogDrawer();
    if (!drawer || !drawer->isHidden())
        return;
    drawer->show();
    // The stored width is the drawer's first width; later the user's.
    if (_drawerWidth > 0) {
        catalogWindow()->resizeDocks({drawer}, {_drawerWidth}, Qt::Horizontal);
        _drawerWidth = 0;
    }
}

void ZaroziveZodiroVirizidivi::closeCatalogDrawer() {
    if (QDockWidget* drawer = getCatalogDrawer())
        drawer->hide();
}

void ZaroziveZodiroVirizidivi::toggleCatalogDrawer() {
    QDockWidget* drawer = getCatalogDrawer();
    if (!drawer)
        return;
    if (drawer->isHidden())
        openCatalogDrawer();
    else
        closeCatalogDrawer();
}

void ZaroziveZodiroVirizidivi::toggleToolbar() {
    DurevedeDudiruVorudu* own = catalogWindow();
    if (Toolbar* bar = own ? own->toolbar() : nullptr)
        bar->setVisible(bar->isHidden());
}

// ---------------------------------------------------------------------------
// Status line

void ZaroziveZodiroVirizidivi::observeCatalog() {
    RoduvudeDadevizi* doc = catalogDocument();
    if (!doc)
        return;
    NotificationCenter& center = NotificationCenter::defaultCenter();
    const void* source = &doc->fileCatalog();
    const auto changed = [this](const Notification&) { fileCatalogSelectionChanged(); };
    for (const char* name : {kVQFileCatalogSelectionChangedNotify, kVQFileCatalogEntriesMovedNofity,
                             kVQFileCatalogPropertyChangedNotify, kVQFileCatalogFileRemovedNofity,
                             kVQFileCatalogFileAddedNofity})
        center.addObserver(this, qs(name), source, changed);
    // Print, Print to Disk and Print to E-mail depend on the marked photos and
    // the master's print areas; nothing else would refresh them when those
    // change without a change of selection or window. The mapper tells of a
    // new master before it has laid out its pages, so the items are adjusted
    // once the change is done.
    const auto adjustToolbar = [this] {
        QTimer::singleShot(0, this, [this] {
            if (CatalogPanel* panel = activeViewPanel())
                panel->adjustToolbarButtons();
        });
    };
    center.addObserver(this, qs(kVQFileCatalogMarkerChangedNotify), source,
                       [adjustToolbar](const Notification&) { adjustToolbar(); });
    // A sheet disables the items while it is up.
    center.addObserver(this, qs(ModalAlert::kWindowDidEndSheetNotification),
                       static_cast<const QObject*>(window()),
                       [adjustToolbar](const Notification&) { adjustToolbar(); });
    for (const char* name : {kTemplateMapperPageChangedNotify, kTemplateMapperMasterChangedNotify})
        center.addObserver(this, qs(name), nullptr, [this, adjustToolbar](const Notification& n) {
            RoduvudeDadevizi* own = catalogDocument();
            if (!own || !own->existingTemplateMapper() ||
                n.object() != static_cast<const void*>(own->existingTemplateMapper().get()))
                return;
            updateInfoLabels();
            adjustToolbar();
        });
    center.addObserver(this, qs(kWindowDidBecomeMainNotification),
                       static_cast<const QObject*>(window()), [this](const Notification&) {
                           // After the event that made the window main has been handled.
                           QTimer::singleShot(0, this, [this] {
                               if (CatalogPanel* panel = activeViewPanel())
                                   panel->adjustToolbarButtons();
                           });
                       });
    center.addObserver(this, qs(kWindowDidResignKeyNotification),
                       static_cast<const QObject*>(window()), [this](const Notification&) {
                           // Crop and red-eye need the window's keys; caption editing outlives
                           // a visit to its palette.
                           if (_curEditMode != 0 && _curEditMode != 3)
                               setEditMode(0);
                       });
    center.addObserver(this, qs(kWindowDidBecomeKeyNotification),
                       static_cast<const QObject*>(window()), [this](const Notification&) {
                           // Files may have moved or changed while another program was in front.
                           QTimer::singleShot(0, this, [this] { windowDidBecomeKey(); });
                       });
    center.addObserver(this, qs(kInvalidateStatusBarNotify), static_cast<const QObject*>(this),
                       [this](const Notification&) {
                           if (DurevedeDudiruVorudu* shown = catalogWindow())
                               shown->statusLine()->update();
                       });
}

void ZaroziveZodiroVirizidivi::windowDidBecomeKey() {
    VQFileCatalog* entries = catalog();
    if (entries && entries->testAllEntriesForChanges()) {
        if (VQFileCatalogScrollView* grid = fileCatalogScrollView())
            grid->fileCatalogView()->update();
        fileCatalogSelectionChanged();
    }
    if (CatalogPanel* panel = activeViewPanel())
        panel->adjustToolbarButtons();
}

void ZaroziveZodiroVirizidivi::fileCatalogSelectionChanged() {
    setEditMode(0);
    updateInfoLabels();
}

void ZaroziveZodiroVirizidivi::updateInfoLabels() {
    DurevedeDudiruVorudu* own = catalogWindow();
    RoduvudeDadevizi* doc = catalogDocument();
    if (!own || !doc)
        return;
    VQFileCatalog& entries = doc->fileCatalog();
    const QList<int> selection = entries.getSelectedIndices();
    const bool layout = _currentViewTag == LayoutPanel;
    const TemplateHandleRef master = doc->masterTemplate();
    const QString templateName = master ? master->name() : QString();
    const int count = entries.fileCount();
    bool markerShown = false;
    QString centre;
    QString right;
    if (selection.size() == 1) {
        const int index = selection.first();
        bool flag = false;
        if (_printArrangementMode == LayoutModeBook) {
            flag = layout && _rovedezevOvod && _rovedezevOvod->areSelectedCellsOnAPage();
        } else {
            flag = entries.getFileAttributeAtIndex(kCatalogAttrMarked, index).toBool();
            own->statusMarkerSwitch()->setChecked(flag);
            markerShown = true;
        }
        const QString name = entries.getFileAttributeAtIndex(kCatalogAttrName, index).toString();
        centre = layout && flag ? stringWithFormat(text("PHOTO_IN_STR"), name, templateName) : name;
        right = stringWithFormat(text("PHOTO_NUM_IN_CAT_STR"), index + 1, count);
    } else if (!selection.isEmpty()) {
        const QString selected = stringWithFormat(text("PHOTO_SELECT_STR"), int(selection.size()));
        centre = layout ? stringWithFormat(text("PHOTO_IN_STR"), selected, templateName)
                        : stringWithFormat(qs("%@."), selected);
        right = stringWithFormat(text("PHOTO_IN_CAT_STR"), count);
    } else {
        centre = layout ? QStringLiteral("“") + templateName + QStringLiteral("”") : QString();
        right =
            count > 0 ? stringWithFormat(text("PHOTO_IN_CAT_STR"), count) : text("NO_FILES_STR");
    }
    own->centerInfo()->setText(centre);
    own->rightInfo()->setText(right);

    // Only a mapper that is there already: the status line makes none.
    const TemplateMapperRef mapper = layout && master ? doc->templateMapper() : nullptr;
    const int page = mapper ? mapper->currentPageNum() : -1;
    const int pages = mapper ? mapper->pageCount() : 0;
    if (page != -1 && pages >= 1) {
        own->statusPageField()->setText(stringWithFormat(text("PAGE"), page + 1, pages));
        own->statusPrevButton()->setEnabled(page >= 1);
        own->statusNextButton()->setEnabled(page < pages - 1);
    } else {
        own->statusPageField()->setText(text("PAGENA"));
        own->statusPrevButton()->setEnabled(false);
        own->statusNextButton()->setEnabled(false);
    }
    setStatusMarkerVisible(markerShown);
}

QString ZaroziveZodiroVirizidivi::centerInfoString() const {
    DurevedeDudiruVorudu* own = catalogWindow();
    return own ? own->centerInfo()->text() : QString();
}

bool ZaroziveZodiroVirizidivi::statusMarkerVisible() const {
    DurevedeDudiruVorudu* own = catalogWindow();
    return own && isShown(own->statusMarkerSwitch());
}

bool ZaroziveZodiroVirizidivi::errorButtonVisible() const {
    DurevedeDudiruVorudu* own = catalogWindow();
    return own && isShown(own->errorButton());
}

void ZaroziveZodiroVirizidivi::setStatusMarkerVisible(bool flag) {
    DurevedeDudiruVorudu* own = catalogWindow();
    if (!own || flag == statusMarkerVisible())
        return;
    QWidget* marker = own->statusMarkerSwitch();
    QWidget* centre = own->centerInfo();
    if (flag) {
        marker->move(centre->x(), marker->y());
        shift(centre, marker->width());
    } else {
        shift(marker, -kHiddenOffset);
        shift(centre, -marker->width());
    }
    NotificationQueue::defaultQueue().enqueueNotification(
        Notification(qs(kInvalidateStatusBarNotify), static_cast<const QObject*>(this)),
        NotificationQueue::PostWhenIdle);
}

void ZaroziveZodiroVirizidivi::setErrorButtonVisible(bool flag) {
    DurevedeDudiruVorudu* own = catalogWindow();
    if (!own || flag == errorButtonVisible())
        return;
    QWidget* button = own->errorButton();
    QWidget* marker = own->statusMarkerSwitch();
    QWidget* centre = own->centerInfo();
    const bool markerShown = statusMarkerVisible();
    if (flag) {
        QWidget* next = markerShown ? marker : centre;
        button->move(next->x(), button->y());
    } else {
        shift(button, -kHiddenOffset);
    }
    const int dx = flag ? button->width() : -button->width();
    if (markerShown)
        shift(marker, dx);
    shift(centre, dx);
    NotificationQueue::defaultQueue().enqueueNotification(
        Notification(qs(kInvalidateStatusBarNotify), static_cast<const QObject*>(this)),
        NotificationQueue::PostWhenIdle);
}

void ZaroziveZodiroVirizidivi::setErrorMessageWithTitle(const QString& message,
                                                        const QString& title) {
    _errorMessage = message;
    _errorTitle = title;
    setErrorButtonVisible(!message.isNull());
}

void ZaroziveZodiroVirizidivi::showErrorMessage() {
    if (_errorMessage.isNull())
        return;
    ModalAlert::Request request(_errorTitle, _errorMessage);
    request.defaultButton = text("OK");
    ModalAlert::beginSheet(window(), request, [](int) {});
}

void ZaroziveZodiroVirizidivi::setPrintArrangementMode(int mode) {
    _printArrangementMode = mode;
    setStatusMarkerVisible(mode != LayoutModeBook);
}

void ZaroziveZodiroVirizidivi::clearPhotoCells() {
    if (_rovedezevOvod && _rovedezevOvod->areSelectedCellsVisible()) {
        _rovedezevOvod->clearSelectedCells();
        updateInfoLabels();
    } else {
        ModalAlert::beep();
    }
}

void ZaroziveZodiroVirizidivi::dragHilight(bool flag) {
    if (flag == _dragHilightState)
        return;
    _dragHilightState = flag;
    if (CatalogPanel* panel = activeViewPanel())
        panel->setDragHilight(flag);
    if (!flag)
        if (VQFileCatalogScrollView* grid = fileCatalogScrollView())
            grid->setDragHilight(false);
}

// ---------------------------------------------------------------------------
// Keys

bool ZaroziveZodiroVirizidivi::keyDown(QKeyEvent* event) {
    const int key = event->key();
    const bool arrow =
        key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down;
    const bool erase = key == Qt::Key_Backspace || key == Qt::Key_Delete;
    if (!arrow && !erase)
        return false;
    const bool cropOrRedEye = _curEditMode == 1 || _curEditMode == 2;
    if ((cropOrRedEye && arrow) || (_curEditMode == 3)) {
        if (_photographView)
            QApplication::sendEvent(_photographView->panelView(), event);
        return true;
    }
    const bool command = CurrentEvent::modifierFlagsFromQt(event->modifiers()) & CommandKeyMask;
    switch (key) {
    case Qt::Key_Left:
        command ? firstSelection() : prevSelection();
        return true;
    case Qt::Key_Right:
        command ? lastSelection() : nextSelection();
        return true;
    case Qt::Key_Up:
        command ? firstSelection() : prevSelectionRow();
        return true;
    case Qt::Key_Down:
        command ? lastSelection() : nextSelectionRow();
        return true;
    default:
        break;
    }
    auto* photograph = dynamic_cast<PhotoView*>(_photographView);
    if (_currentViewTag == LayoutPanel && _printArrangementMode == LayoutModeBook) {
        clearPhotoCells();
    } else if (_curEditMode == PhotoEditModeCrop && photograph &&
               photograph->cropRect() != kZeroRect) {
        photograph->setCropRect(kZeroRect);
        photograph->cropChanged();
    } else {
        ModalAlert::beep();
    }
    return true;
}
