#include "framework/editor/TemplateEditorController.h"

#include "framework/Formwell.h"
#include "framework/editor/CustomRuler.h"
#include "framework/editor/GeometryController.h"
#include "framework/editor/InspectorController.h"
#include "framework/editor/TM_TemplateView.h"
#include "framework/editor/ToolPaletteController.h"
#include "framework/model/TemplateDocument.h"
#include "platform/documents/DocumentController.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/HostServices.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Resources.h"
#include "platform/printing/PrintOperation.h"
#include "platform/ui/ClipView.h"
#include "platform/ui/MainWindowTracker.h"
#include "platform/ui/ModalAlert.h"
#include "platform/ui/RulerView.h"
#include "platform/ui/ScrollView.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QLayout>
#include <QMainWindow>
#include <QPalette>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <cmath>

namespace {

QString key(const char* name) {
    return QString::fromLatin1(name);
}

// How far a new window stands from the frontmost template window.
constexpr int kCascadeRight = 22;
constexpr int kCascadeDown = 23;
// Room each ruler keeps for its markers.
constexpr float kRulerMarkerThickness = 13.0f;

constexpr char kToolbarItemPrefix[] = "editortoolbar.";

struct ToolbarItemRow {
    const char* name;
    const char* label;
    const char* tip;
    const char* image;
    const char* action;
    int tag;
};

// The editor toolbar's items. Tag 0 items are the window's own commands; the
// others go to the canvas through toolbarAction.
constexpr ToolbarItemRow kToolbarItems[] = {
    {"save", "SAVE", "SAVE_TIP", "TB_Save", "saveDocument:", 0},
    {"saveas", "SAVE_AS", "SAVE_AS_TIP", "TB_SaveAs", "saveDocumentAs:", 0},
    {"pagesetup", "PAGE_SETUP", "PAGE_SETUP_TIP", "TB_PageSetup", "runPageLayout:", 0},
    {"bringtofront", "BRING_TO_FRONT", "BRING_TO_FRONT_TIP", "TB_BringToFront", nullptr,
     EditorTag::BringToFront},
    {"moveforward", "MOVE_FORWARD", "MOVE_FORWARD_TIP", "TB_MoveForward", nullptr,
     EditorTag::MoveForward},
    {"movebackward", "MOVE_BACKWARD", "MOVE_BACKWARD_TIP", "TB_MoveBackward", nullptr,
     EditorTag::MoveBackward},
    {"sendtoback", "SEND_TO_BACK", "SEND_TO_BACK_TIP", "TB_SendToBack", nullptr,
     EditorTag::SendToBack},
    {"scalebypercent", "SCALE_BY_PERCENT", "SCALE_BY_PERCENT_TIP", "ScaleByPercent", nullptr,
     EditorTag::ScaleByPercent},
    {"alignleftedges", "ALIGN_LEFT", "ALIGN_LEFT_TIP", "TB_AlignLeft", nullptr,
     EditorTag::AlignLeft},
    {"alignrightedges", "ALIGN_RIGHT", "ALIGN_RIGHT_TIP", "TB_AlignRight", nullptr,
     EditorTag::AlignRight},
    {"aligntopedges", "ALIGN_TOP", "ALIGN_TOP_TIP", "TB_AlignTop", nullptr, EditorTag::AlignTop},
    {"alignbottomedges", "ALIGN_BOTTOM", "ALIGN_BOTTOM_TIP", "TB_AlignBottom", nullptr,
     EditorTag::AlignBottom},
    {"alignhorizcenters", "ALIGN_HORZ_CENTERS", "ALIGN_HORZ_CENTERS_TIP",
     "TB_AignHorizontalCenters", nullptr, EditorTag::AlignHorizontalCenters},
    {"alignverticalcenters", "ALIGN_VERT_CENTERS", "ALIGN_VERT_CENTERS_TIP",
     "TB_AlignVerticalCenters", nullptr, EditorTag::AlignVerticalCenters},
    {"centeredvertical", "ALIGN_VERT_PAGE", "ALIGN_VERT_PAGE_TIP", "TB_AlignVPage", nullptr,
     EditorTag::CenterVertically},
    {"centeredhorizontal", "ALIGN_HORZ_PAGE", "ALIGN_HORZ_PAGE_TIP", "TB_AlignHPage", nullptr,
     EditorTag::CenterHorizontally},
    {"importgraphic", "IMPORT_GRAPHIC", "IMPORT_GRAPHIC_TIP", "TB_Import", nullptr,
     EditorTag::ImportGraphic},
};

QString itemIdentifier(const char* name) {
    return key(kToolbarItemPrefix) + key(name);
}

// The canvas's action behind a toolbar tag; null for none.
const char* canvasActionForTag(int tag) {
    switch (tag) {
    case EditorTag::BringToFront:
        return "bringToFront:";
    case EditorTag::MoveForward:
        return "moveForward:";
    case EditorTag::MoveBackward:
        return "moveBackward:";
    case EditorTag::SendToBack:
        return "sendToBack:";
    case EditorTag::ScaleByPercent:
        return "scaleByPercent:";
    case EditorTag::AlignLeft:
    case EditorTag::AlignRight:
    case EditorTag::AlignTop:
    case EditorTag::AlignBottom:
    case EditorTag::AlignHorizontalCenters:
    case EditorTag::AlignVerticalCenters:
        return "alignSelection:";
    case EditorTag::CenterVertically:
    case EditorTag::CenterHorizontally:
        return "centerObjects:";
    case EditorTag::ImportGraphic:
        return "importImage:";
    default:
        return nullptr;
    }
}

// The window's own commands.
constexpr const char* kWindowActions[] = {
    "zoomIn:",          "zoomOut:",      "toggleToolbar:",  "showGeometry:",  "showInspector:",
    "showToolPalette:", "saveDocument:", "saveDocumentAs:", "runPageLayout:", "printDocument:",
};

// The largest power of two not above n (n at least 1).
float largestPowerOfTwoNotAbove(int n) {
    int power = 1;
    while (power * 2 <= n)
        power *= 2;
    return float(power);
}

// Per axis: a far edge beyond the bounds' far edge is brought back to it (to
// the origin when the bounds are the shorter); otherwise the origin is at
// least 0.
void clampAxis(float& origin, float extent, float boundsOrigin, float boundsExtent) {
    if (origin + extent > boundsOrigin + boundsExtent) {
        if (boundsExtent > extent)
            origin = boundsOrigin + boundsExtent - extent;
        else
            origin = 0;
    } else {
        origin = std::max(origin, 0.0f);
    }
}

} // namespace

TemplateEditorController::TemplateEditorController() : WindowController(new QMainWindow) {
    window()->setObjectName(QStringLiteral("TemplateDocument"));
    NotificationCenter& center = NotificationCenter::defaultCenter();
    center.addObserver(
        this, key(kUTErrorNofity), nullptr,
        [this](const Notification& notification) { errorEncountered(notification); });
    center.addObserver(this, key(kWindowDidBecomeKeyNotification), nullptr,
                       [this](const Notification& notification) {
                           if (notification.object() == static_cast<const QObject*>(window()))
                               windowDidBecomeKey();
                       });
    MainWindowTracker::sharedTracker();
    placeWindow();
}

TemplateEditorController::~TemplateEditorController() {
    NotificationCenter::defaultCenter().removeObserver(this);
}

void TemplateEditorController::placeWindow() {
    for (Document* other : DocumentController::sharedDocumentController().documents()) {
        if (!qobject_cast<TemplateDocument*>(other))
            continue;
        QWidget* front = other->windowForSheet();
        if (!front || !front->isVisible())
            continue;
        window()->move(front->pos() + QPoint(kCascadeRight, kCascadeDown));
        return;
    }
}

TemplateDocument* TemplateEditorController::templateDocument() const {
    return qobject_cast<TemplateDocument*>(document());
}

ScrollView* TemplateEditorController::scrollView() const {
    return _mainScrollView;
}

TM_TemplateView* TemplateEditorController::templateView() const {
    return _mainScrollView ? qobject_cast<TM_TemplateView*>(_mainScrollView->documentView())
                           : nullptr;
}

Toolbar* TemplateEditorController::toolbar() const {
    return _toolbar;
}

Point TemplateEditorController::centerOfScrollView() const {
    return _mainScrollView ? _mainScrollView->documentVisibleRect().center() : Point{};
}

QString
TemplateEditorController::windowTitleForDocumentDisplayName(const QString& displayName) const {
    QString name = displayName;
    // Only the last extension goes, as the path's own extension.
    if (const qsizetype dot = name.lastIndexOf(QLatin1Char('.')); dot > 0)
        name.truncate(dot);
    return name + frameworkString(kTemplateDocTitleKey);
}

void TemplateEditorController::setup() {
    TemplateDocument* doc = templateDocument();
    auto* mainWindow = qobject_cast<QMainWindow*>(window());
    if (!doc || !mainWindow || _mainScrollView)
        return;
    const PageDescRef& page = doc->pageDesc();
    auto* canvas = new TM_TemplateView(page->frame());
    canvas->setDocument(doc);
    canvas->setMainController(this);

    auto* scroll = new ScrollView;
    canvas->setParentScrollView(scroll);
    scroll->setBorderType(ScrollView::BorderType::BezelBorder);
    scroll->setHasHorizontalScroller(true);
    scroll->setHasVerticalScroller(true);
    scroll->setHorizontalRulerView(new CustomRuler(RulerView::Orientation::Horizontal));
    scroll->setVerticalRulerView(new CustomRuler(RulerView::Orientation::Vertical));
    scroll->setHasHorizontalRuler(true);
    scroll->setHasVerticalRuler(true);
    scroll->setRulersVisible(true);
    scroll->setDocumentView(canvas);
    QPalette palette = scroll->contentView()->palette();
    palette.setColor(QPalette::Window, Qt::gray);
    scroll->contentView()->setPalette(palette);
    scroll->contentView()->setAutoFillBackground(true);
    for (RulerView* ruler : {scroll->horizontalRulerView(), scroll->verticalRulerView()}) {
        ruler->setReservedThicknessForMarkers(kRulerMarkerThickness);
        ruler->setClientView(canvas);
    }
    mainWindow->setCentralWidget(scroll);
    _mainScrollView = scroll;
    canvas->setHorizontalGuides(page->horizontalGuides());
    canvas->setVerticalGuides(page->verticalGuides());

    setupToolbar();
    windowDynamicsChanged(true);
    windowPageLayoutChanged();

    NotificationCenter& center = NotificationCenter::defaultCenter();
    center.addObserver(this, key(kObjectAddedOrRemoved), static_cast<const QObject*>(doc),
                       [this](const Notification&) { objectsAddedOrRemoved(); });
    center.addObserver(
        this, key(kPageDescDynamicsChangedNotification), nullptr,
        [this](const Notification& notification) { windowDynamicsChangedNotify(notification); });
    center.addObserver(
        this, key(kPageDescLayoutChangedNotification), nullptr,
        [this](const Notification& notification) { windowPageLayoutChangedNotify(notification); });

    zoomWindow();
}

void TemplateEditorController::zoomWindow() {
    // The platform's zoom: as large as the maximum allows on the screen.
    QSize zoomed = window()->maximumSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        zoomed = zoomed.boundedTo(screen->availableGeometry().size());
    window()->resize(zoomed);
}

void TemplateEditorController::windowDidBecomeKey() {
    if (TM_TemplateView* canvas = templateView())
        canvas->setFocus(Qt::ActiveWindowFocusReason);
}

void TemplateEditorController::windowWillClose() {
    if (TM_TemplateView* canvas = templateView())
        canvas->deselectAllObjects();
}

bool TemplateEditorController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window()) {
        if (event->type() == QEvent::ApplicationPaletteChange) {
            controlTintChanged();
        } else if (event->type() == QEvent::Show && !_shown) {
            // The menu bar joins the window as it is first shown: the chrome
            // is measured again and the window zoomed to it.
            _shown = true;
            windowDynamicsChanged(true);
            zoomWindow();
        } else if (event->type() == QEvent::Close) {
            const bool kept = WindowController::eventFilter(watched, event);
            if (!kept && event->isAccepted())
                windowWillClose();
            return kept;
        }
    }
    return WindowController::eventFilter(watched, event);
}

void TemplateEditorController::controlTintChanged() {
    if (HostServices* services = HostServices::current())
        services->clearHandleGraphics();
    if (_mainScrollView)
        _mainScrollView->update();
    if (TM_TemplateView* canvas = templateView())
        canvas->update();
}

void TemplateEditorController::objectsAddedOrRemoved() {
    TM_TemplateView* canvas = templateView();
    if (!canvas)
        return;
    canvas->update();
    NotificationCenter::defaultCenter().postNotificationName(
        key(kTemplateViewSelectionDidChangeNotification), static_cast<const QObject*>(canvas));
}

void TemplateEditorController::windowDynamicsChangedNotify(const Notification& notification) {
    const TemplateDocument* doc = templateDocument();
    const auto* page = static_cast<const PageDesc*>(notification.object());
    if (doc && page && page->isEqual(doc->pageDesc().get()))
        windowDynamicsChanged(true);
}

void TemplateEditorController::windowPageLayoutChangedNotify(const Notification& notification) {
    const TemplateDocument* doc = templateDocument();
    const auto* page = static_cast<const PageDesc*>(notification.object());
    if (doc && page && page->isEqual(doc->pageDesc().get()))
        windowPageLayoutChanged();
}

void TemplateEditorController::windowPageLayoutChanged() {
    const TemplateDocument* doc = templateDocument();
    if (!doc || !_mainScrollView)
        return;
    for (RulerView* ruler :
         {_mainScrollView->horizontalRulerView(), _mainScrollView->verticalRulerView()})
        ruler->setMeasurementUnits(doc->pageDesc()->displayUnit());
    if (TM_TemplateView* canvas = templateView())
        canvas->update();
}

void TemplateEditorController::adjustPageForZoom() {
    TM_TemplateView* canvas = templateView();
    const TemplateDocument* doc = templateDocument();
    if (!canvas || !doc)
        return;
    const Rect bounds = canvas->bounds();
    const Rect page = doc->pageDesc()->frame();
    canvas->resize(int(std::lround(page.width() * _zoomFactor)),
                   int(std::lround(page.height() * _zoomFactor)));
    canvas->setBoundsSize(bounds.size);
    canvas->setBoundsOrigin(bounds.origin);
    canvas->update();
}

void TemplateEditorController::windowDynamicsChanged(bool resize) {
    TemplateDocument* doc = templateDocument();
    TM_TemplateView* canvas = templateView();
    QWidget* win = window();
    if (!doc || !canvas || !win || !_mainScrollView)
        return;
    // Everything around the clip view: rulers, scrollers, border, toolbar and
    // menu bar (Qt's window sizes leave the title bar out), laid out now so
    // that a window not yet shown measures what it will show.
    if (QLayout* layout = win->layout())
        layout->setGeometry(win->rect());
    const Size content = _mainScrollView->contentSize();
    const int extraW = int(float(win->width()) - content.width);
    const int extraH = int(float(win->height()) - content.height);
    const PageDescRef& page = doc->pageDesc();
    QSizeF wanted;
    if (page->pageSize() == _oldPageSize) {
        adjustPageForZoom();
        wanted = QSizeF(canvas->width() + extraW, canvas->height() + extraH);
    } else {
        _oldPageSize = page->pageSize();
        _zoomFactor = 1.0f;
        const float ppu = page->pointsPerUnit();
        wanted = QSizeF(ppu * _oldPageSize.width + float(extraW),
                        ppu * _oldPageSize.height + float(extraH));
        const Rect frame = page->frame();
        canvas->resize(int(std::lround(frame.width())), int(std::lround(frame.height())));
        canvas->setBoundsSize(frame.size);
        canvas->setBoundsOrigin(frame.origin);
        canvas->update();
        _mainScrollView->reflectScrolledClipView(_mainScrollView->contentView());
    }
    QSize maximum(std::max(win->minimumWidth(), int(std::ceil(wanted.width()))),
                  std::max(win->minimumHeight(), int(std::ceil(wanted.height()))));
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        maximum.setWidth(std::min(maximum.width(), screen->availableGeometry().width()));
    // Qt shrinks a larger window to its new maximum itself, keeping its top edge.
    const QSize before = win->size();
    win->setMaximumSize(maximum);
    if (!resize && win->size() != before)
        win->resize(before.boundedTo(maximum));
}

float TemplateEditorController::zoomedIn(float zoom, float factor) {
    zoom *= factor;
    if (zoom > 1.0f) {
        const int whole = int(std::lround(zoom));
        zoom = whole % 2 ? largestPowerOfTwoNotAbove(whole) : float(whole);
    }
    // A thin marquee would otherwise ask for a zoom whose renderings no memory
    // holds (a 1-point band in an 800-point view: 800, cached at 57,600 dpi).
    return std::min(zoom, kMaximumZoom);
}

float TemplateEditorController::zoomedOut(float zoom) {
    if (zoom > 1.0f) {
        const int whole = int(zoom);
        return whole % 2 ? largestPowerOfTwoNotAbove(whole) : zoom * 0.5f;
    }
    return zoom * 0.5f;
}

void TemplateEditorController::zoomIn(QObject* sender) {
    if (!(_zoomFactor < kMaximumZoom)) {
        ModalAlert::beep();
        return;
    }
    TM_TemplateView* canvas = templateView();
    if (!canvas || !_mainScrollView)
        return;
    const Rect visible = _mainScrollView->documentVisibleRect();
    auto* zoomTool = qobject_cast<TM_TemplateView*>(sender);
    float factor = 2.0f;
    if (zoomTool && zoomTool->zoomRect() != Rect{}) {
        const Rect marquee = zoomTool->zoomRect();
        factor = std::min(visible.width() / marquee.width(), visible.height() / marquee.height());
    }
    const float old = _zoomFactor;
    const float zoom = zoomedIn(old, factor);
    _zoomFactor = zoom;
    adjustPageForZoom();

    // The part that the new zoom shows, centred on the tool's point.
    Rect shown = visible;
    shown.size = {visible.width() * old / zoom, visible.height() * old / zoom};
    if (zoomTool) {
        const Point center = zoomTool->zoomCenter();
        shown.origin = {center.x - shown.width() / 2, center.y - shown.height() / 2};
    }
    scrollToVisibleRect(shown);
}

void TemplateEditorController::zoomOut(QObject*) {
    if (!(_zoomFactor > kMinimumZoom)) {
        ModalAlert::beep();
        return;
    }
    if (!templateView() || !_mainScrollView)
        return;
    const Rect visible = _mainScrollView->documentVisibleRect();
    _zoomFactor = zoomedOut(_zoomFactor);
    adjustPageForZoom();
    scrollToVisibleRect(insetRect(visible, -visible.width() / 2, -visible.height() / 2));
}

void TemplateEditorController::scrollToVisibleRect(Rect visible) {
    TM_TemplateView* canvas = templateView();
    const Rect bounds = canvas->bounds();
    clampAxis(visible.origin.x, visible.width(), bounds.minX(), bounds.width());
    clampAxis(visible.origin.y, visible.height(), bounds.minY(), bounds.height());
    // The clip view measures its scroll point in the canvas's bounds (the
    // canvas is flipped: the upper left).
    _mainScrollView->contentView()->scrollToPoint(visible.origin);
    _mainScrollView->reflectScrolledClipView(_mainScrollView->contentView());
    _mainScrollView->update();
    windowDynamicsChanged(false);
}

void TemplateEditorController::toggleToolbar() {
    if (!_toolbar)
        return;
    _toolbar->setVisible(!_toolbar->isVisible());
    // The page's room in the window changed with it.
    windowDynamicsChanged(false);
}

void TemplateEditorController::showGeometry() {
    GeometryController::sharedGeometryController()->activate();
}

void TemplateEditorController::showInspector() {
    InspectorController::sharedInspectorController()->activate();
}

void TemplateEditorController::showToolPalette() {
    ToolPaletteController::sharedToolPaletteController()->activate();
}

void TemplateEditorController::printDocument() {
    printShowingPrintPanel(true);
}

void TemplateEditorController::printShowingPrintPanel(bool showPanels) {
    TemplateDocument* doc = templateDocument();
    if (!doc || _printedTemplateView)
        return;
    // The page is the paper: the document's own print info loses its margins,
    // as page set-up and not as an undoable change.
    PrintInfo info = doc->printInfo();
    info.clearMargins();
    doc->Document::setPrintInfo(info);
    const Size paper = info.paperSize();
    if (!(paper.width > 0) || !(paper.height > 0))
        return;
    _printedTemplateView = std::make_unique<TM_TemplateView>(Rect{0, 0, paper.width, paper.height});
    _printedTemplateView->setDocument(doc);
    _printOperation = std::make_unique<PrintOperation>(_printedTemplateView.get(), info);
    _printedTemplateView->setPrintOp(_printOperation.get());
    _printOperation->setShowsPrintPanel(showPanels);
    // The canvas draws the live objects, so the operation runs on the main thread.
    _printOperation->runOperationModalForWindow(
        window(), [this](PrintOperation&, bool success) { printOperationDidRun(success); });
}

void TemplateEditorController::printOperationDidRun(bool) {
    // The operation is still running the call that brought us here: it and
    // its canvas go once control is back in the event loop.
    QTimer::singleShot(
        0, qApp,
        [operation = std::shared_ptr<PrintOperation>(std::move(_printOperation)),
         canvas = std::shared_ptr<TM_TemplateView>(std::move(_printedTemplateView))] {});
    if (TM_TemplateView* canvas = templateView())
        canvas->assertObjectView();
    showWindow();
}

void TemplateEditorController::errorEncountered(const Notification& notification) {
    QObject* source = notification.userInfo().value(key(kErrDocumentKey)).value<QObject*>();
    if (!source || source != document() || !window())
        return;
    const int code = notification.userInfo().value(key(kErrCodeKey)).toInt();
    ModalAlert::Request request(
        frameworkString(kErrorSheetTitleKey),
        frameworkString(stringWithFormat(key(kErrorMessageKeyFormat), code)));
    request.defaultButton = frameworkString(kErrorSheetButtonKey);
    ModalAlert::beginSheet(window(), request, [](int) {});
}

// ---------------------------------------------------------------------------
// Toolbar

void TemplateEditorController::setupToolbar() {
    auto* mainWindow = qobject_cast<QMainWindow*>(window());
    if (!mainWindow || _toolbar)
        return;
    auto* bar = new Toolbar(key(kEditorToolbarIdentifier), mainWindow);
    bar->setAllowsUserCustomization(true);
    bar->setAutosavesConfiguration(true);
    bar->setDisplayMode(Toolbar::DisplayModeIconOnly);
    bar->setSizeMode(Toolbar::SizeModeSmall);
    mainWindow->addToolBar(Qt::TopToolBarArea, bar);
    _toolbar = bar;
    bar->setDelegate(this);
}

QAction* TemplateEditorController::toolbarItemForItemIdentifier(Toolbar& bar,
                                                                const QString& identifier) {
    for (const ToolbarItemRow& row : kToolbarItems) {
        if (identifier != itemIdentifier(row.name))
            continue;
        const QIcon image(QPixmap::fromImage(Resources::applicationImageNamed(key(row.image))));
        auto* item = new QAction(image, frameworkString(row.label), &bar);
        item->setIconText(frameworkString(row.label));
        item->setToolTip(frameworkString(row.tip));
        Commands::setItemTag(item, row.tag);
        if (row.action) {
            Commands::setItemAction(item, key(row.action));
            connect(item, &QAction::triggered, this,
                    [this, item] { performAction(Commands::itemAction(item), item); });
        } else {
            connect(item, &QAction::triggered, this, [this, item] { toolbarAction(item); });
        }
        return item;
    }
    return nullptr;
}

QStringList TemplateEditorController::toolbarAllowedItemIdentifiers(const Toolbar&) const {
    QStringList allowed{key(kToolbarPrintItemIdentifier)};
    for (const char* name :
         {"pagesetup", "save", "saveas", "importgraphic", "scalebypercent", "bringtofront",
          "moveforward", "movebackward", "sendtoback", "alignleftedges", "alignrightedges",
          "aligntopedges", "alignbottomedges", "alignverticalcenters", "alignhorizcenters",
          "centeredvertical", "centeredhorizontal"})
        allowed.append(itemIdentifier(name));
    allowed << key(kToolbarFlexibleSpaceItemIdentifier) << key(kToolbarSpaceItemIdentifier)
            << key(kToolbarSeparatorItemIdentifier);
    return allowed;
}

QStringList TemplateEditorController::toolbarDefaultItemIdentifiers(const Toolbar&) const {
    const QString separator = key(kToolbarSeparatorItemIdentifier);
    return {itemIdentifier("importgraphic"),
            separator,
            itemIdentifier("alignleftedges"),
            itemIdentifier("alignrightedges"),
            itemIdentifier("aligntopedges"),
            itemIdentifier("alignbottomedges"),
            itemIdentifier("alignverticalcenters"),
            itemIdentifier("alignhorizcenters"),
            separator,
            itemIdentifier("scalebypercent")};
}

bool TemplateEditorController::validateToolbarItem(QAction& item) {
    if (!MainWindowTracker::sharedTracker().isKeyWindow(window()))
        return false;
    const int tag = Commands::itemTag(&item);
    if (tag == 0)
        return true;
    TM_TemplateView* canvas = templateView();
    const char* action = canvasActionForTag(tag);
    // Commands whose canvas action isn't there stay off.
    return canvas && action && canvas->respondsToAction(key(action)) &&
           canvas->validateMenuItemTag(tag);
}

void TemplateEditorController::toolbarAction(QAction* item) {
    TM_TemplateView* canvas = templateView();
    const char* action = canvasActionForTag(Commands::itemTag(item));
    if (canvas && action && canvas->respondsToAction(key(action)))
        canvas->performAction(key(action), item);
}

QAction* TemplateEditorController::findToolbarItemWithIdentifier(const QString& identifier) const {
    return _toolbar ? _toolbar->itemWithIdentifier(identifier) : nullptr;
}

// ---------------------------------------------------------------------------
// Commands

bool TemplateEditorController::respondsToAction(const QString& action) const {
    return std::any_of(std::begin(kWindowActions), std::end(kWindowActions),
                       [&action](const char* known) { return action == QLatin1String(known); });
}

bool TemplateEditorController::validateMenuItem(QAction&) {
    // Zooming past its ends stays enabled: it answers with a beep.
    return true;
}

void TemplateEditorController::performAction(const QString& action, QAction*) {
    TemplateDocument* doc = templateDocument();
    if (action == QLatin1String("zoomIn:"))
        zoomIn();
    else if (action == QLatin1String("zoomOut:"))
        zoomOut();
    else if (action == QLatin1String("toggleToolbar:"))
        toggleToolbar();
    else if (action == QLatin1String("showGeometry:"))
        showGeometry();
    else if (action == QLatin1String("showInspector:"))
        showInspector();
    else if (action == QLatin1String("showToolPalette:"))
        showToolPalette();
    else if (action == QLatin1String("printDocument:"))
        printDocument();
    else if (!doc)
        return;
    else if (action == QLatin1String("saveDocument:"))
        doc->saveDocument();
    else if (action == QLatin1String("saveDocumentAs:"))
        doc->saveDocumentAs();
    else if (action == QLatin1String("runPageLayout:"))
        doc->runPageLayout();
}
