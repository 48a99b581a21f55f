#include "layout/TemplateView.h"

#include "catalog/DroppedPhotos.h"
#include "catalog/VQFileCatalog.h"
#include "layout/TemplateMapper.h"
#include "library/NewTemplateManager.h"
#include "platform/foundation/HostServices.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/graphics/AffineTransform.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/imaging/ColorMatching.h"
#include "platform/printing/PrintOperation.h"
#include "platform/ui/DraggingInfo.h"
#include "platform/ui/Pasteboard.h"
#include "platform/ui/TickClock.h"
#include "utilities/GeometryUtilities.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QCursor>
#include <QDialog>
#include <QFileInfo>
#include <QImageReader>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <cmath>

namespace {

QString qs(const char* text) {
    return QString::fromLatin1(text);
}

Rect grownBy2(const BezierPath& path) {
    return insetRect(path.bounds(), -2, -2);
}

QColor focusRingColor() {
    return QApplication::palette().color(QPalette::Highlight);
}

// Rounded to the nearest whole number, halves away from 0.
Point rotatedDelta(float dx, float dy, float degrees) {
    const double r = degrees * M_PI / 180.0;
    return {float(std::round(dx * std::cos(r) - dy * std::sin(r))),
            float(std::round(dx * std::sin(r) + dy * std::cos(r)))};
}

struct MenuItem {
    const char* titleKey;
    const char* selector;
    int tag;
    bool catalogTarget;
    bool separatorBefore;
};

constexpr MenuItem kContextItems[] = {
    {"CUT_MENU_TITLE", "cut:", 303, false, false},
    {"COPY_MENU_TITLE", "copy:", 304, false, false},
    {"PASTE_MENU_TITLE", "paste:", 305, false, false},
    {"CLEAR_MENU_TITLE", "clear:", 306, false, false},
    {"DUP_MENU_TITLE", "duplicate:", 308, false, false},
    {"ROTATE_90", "rotateImageRight:", 503, false, true},
    {"ROTATE_270", "rotateImageLeft:", 504, false, false},
    {"ROTATE_180", "flipImage:", 510, false, false},
    {"EXPORT_MENU", "exportSelection:", 208, false, true},
    {"REMOVE_MENU", "removeFiles:", 502, false, false},
    {"RENAME_MENU", "renameFiles:", 509, false, false},
    {"MARK_MENU", "markSelection:", 406, false, true},
    {"UNMARK_MENU", "unmarkSelection:", 407, false, false},
    {"REFRESH", "contextRefresh:", 2011, true, true},
    {"LOCATE", "contextLocate:", 2012, true, false},
    {"OPEN_IN_FINDER", "contextProcessInFinder:", 2013, true, true},
    {"REVEAL_IN_FINDER", "contextProcessInFinder:", 2014, true, false},
};

// A selector "name:" as a Qt method taking the sending action.
QByteArray slotSignature(const char* selector) {
    QByteArray name(selector);
    name.chop(1);
    return name + "(QAction*)";
}

bool invokeSelector(QObject* target, const char* selector, QAction* sender) {
    if (!target || target->metaObject()->indexOfMethod(slotSignature(selector)) < 0)
        return false;
    QByteArray name(selector);
    name.chop(1);
    return QMetaObject::invokeMethod(target, name.constData(), Q_ARG(QAction*, sender));
}

} // namespace

TemplateView::TemplateView(QWidget* parent) : View(parent) {
    registerForDraggedTypes({qs(FilenamesPboardType), qs(URLPboardType), qs(TIFFPboardType),
                             qs(kVQFileCatalogSelectionPboardType)});
    NotificationCenter& center = NotificationCenter::defaultCenter();
    center.addObserver(this, qs(kTemplateMapperMasterChangedNotify), nullptr,
                       [this](const Notification& n) { templateMapperMasterChanged(n); });
    center.addObserver(this, qs(kTemplateMapperPageChangedNotify), nullptr,
                       [this](const Notification& n) { templateMapperPageChanged(n); });
    center.addObserver(this, qs(kVQFileCatalogPhotoVisiblyChangedNotify), nullptr,
                       [this](const Notification& n) { fileCatalogPhotoAttributeChanged(n); });
    center.addObserver(this, qs(kVQFileCatalogPropertyChangedNotify), nullptr,
                       [this](const Notification& n) { fileCatalogPhotoAttributeChanged(n); });
    center.addObserver(this, qs(kTemplateChangedNotify), nullptr,
                       [this](const Notification& n) { templateChanged(n); });
}

TemplateView::~TemplateView() {
    NotificationCenter::defaultCenter().removeObserver(this);
    unregisterDraggedTypes();
}

TemplateMapper* TemplateView::mapper() const {
    return dynamic_cast<TemplateMapper*>(_myRenderer.imageSource());
}

void TemplateView::setTemplate(const TemplateHandleRef& handle) {
    if (handle == _myRenderer.templateHandle())
        return;
    _myRenderer.setTemplate(handle);
    update();
}

void TemplateView::setImageSource(TemplateImageSource* source) {
    _myRenderer.setImageSource(source);
}

void TemplateView::setAllowsUserInteraction(bool flag) {
    if (flag == _allowsUserInteraction)
        return;
    _allowsUserInteraction = flag;
    resetTrackingRect();
}

bool TemplateView::isFlipped() const {
    const TemplateHandleRef& handle = _myRenderer.templateHandle();
    return handle && handle->flipped();
}

void TemplateView::setFrame(const Rect& frame) {
    setGeometry(int(std::lround(frame.minX())), int(std::lround(frame.minY())),
                int(std::lround(frame.width())), int(std::lround(frame.height())));
    resetTrackingRect();
}

void TemplateView::resetTrackingRect() {
    // Pointer movement reaches the view only while it works with the user.
    setMouseTracking(_allowsUserInteraction);
}

void TemplateView::fetchCellPaths() {
    _photoCellPaths = _myRenderer.photoCellPathsInRect(bounds());
}

int32_t TemplateView::indexOfPhotoCellAtPoint(Point point) {
    if (!_photoCellPaths)
        return -1;
    for (int32_t i = int32_t(_photoCellPaths->size()) - 1; i >= 0; --i)
        if ((*_photoCellPaths)[i].containsPoint(point))
            return i;
    return -1;
}

bool TemplateView::photoIntersectsRect(const Rect& rect) {
    TemplateImageSource* source = _myRenderer.imageSource();
    const std::optional<QList<BezierPath>> paths = _myRenderer.photoCellPathsInRect(bounds());
    if (!source || !paths)
        return false;
    for (int32_t i = 0; i < int32_t(paths->size()); ++i)
        if (intersectsRect((*paths)[i].bounds(), rect) &&
            source->naturalImageBoundsForCell(i) != Rect())
            return true;
    return false;
}

void TemplateView::touchFocusedCells() {
    TemplateMapper* m = mapper();
    const std::optional<QList<BezierPath>> paths = _myRenderer.photoCellPathsInRect(bounds());
    if (!m || !paths)
        return;
    for (int32_t i = 0; i < int32_t(paths->size()); ++i)
        if (m->selectionStateForCell(i))
            markCellDirty((*paths)[i]);
}

void TemplateView::markCellDirty(const BezierPath& path) {
    setNeedsDisplayInRect(grownBy2(path));
}

// ---------------------------------------------------------------------------
// Printing

bool TemplateView::knowsPageRange(PageRange& range) {
    TemplateMapper* m = mapper();
    range = {1, m ? int(m->pageCount()) : 1};
    return true;
}

Rect TemplateView::rectForPage(int page) {
    PrintOperation* operation = _printOp ? _printOp : PrintOperation::currentOperation();
    const int p = operation && operation->currentPage() > 0 ? operation->currentPage() : page;
    TemplateMapper* m = mapper();
    if (m)
        m->setCurrentPageNum(p - 1);
    _myRenderer.setRenderDPI(_renderDPI);
    if (!_preRender)
        return bounds();

    const TemplateHandleRef& handle = _myRenderer.templateHandle();
    const Rect pageRect = handle ? handle->pageRect() : Rect();
    const float w = pageRect.width() / 72 * _renderDPI;
    const float h = pageRect.height() / 72 * _renderDPI;
    _captureImage.reset();
    const int pw = int(std::ceil(w - 0.001f));
    const int ph = int(std::ceil(h - 0.001f));
    if (pw <= 0 || ph <= 0)
        return bounds();

    QImage pixels(pw, ph, QImage::Format_ARGB32_Premultiplied);
    pixels.fill(Qt::white);
    {
        QPainter painter(&pixels);
        GraphicsContext context(painter, Size{w, h}, DestinationKind::Image, isFlipped());
        GraphicsContext::Focus focus(context);
        context.setColor(Qt::black);
        const bool usedOutputProfile = m && m->usesOutputProfile();
        if (m)
            m->setUsesOutputProfile(false);
        _myRenderer.setIsRenderingOffscreen(true);
        _myRenderer.setSkipEmptyPrintAreas(_skipEmptyPrintAreas);
        const Rect bitmapRect{0, 0, w, h};
        _myRenderer.renderInRect(bitmapRect);
        blankEmptyPrintAreas(bitmapRect);
        _myRenderer.setSkipEmptyPrintAreas(false);
        _myRenderer.setIsRenderingOffscreen(false);
        if (m)
            m->setUsesOutputProfile(usedOutputProfile);
    }
    Image captured(pixels, Size{w, h});
    captured.setFlipped(isFlipped());
    const QByteArray display = defaultDisplayProfile();
    if (!display.isEmpty())
        captured.setIccProfile(display);
    _captureImage = std::move(captured);
    return bounds();
}

void TemplateView::blankEmptyPrintAreas(const std::optional<Rect>& bitmapRect) {
    TemplateMapper* m = mapper();
    GraphicsContext* context = GraphicsContext::currentContext();
    if (!_skipEmptyPrintAreas || !m || !context)
        return;
    const TemplateHandleRef& handle = _myRenderer.templateHandle();
    for (const QString& text : m->masterPrintAreaRects()) {
        const Rect area = rectFromString(text);
        if (photoIntersectsRect(area))
            continue;
        Rect painted = area;
        if (bitmapRect && handle)
            painted = UTMapRect(handle->pageRect(), *bitmapRect, insetRect(area, -0.5f, -0.5f));
        BezierPath path = BezierPath::bezierPathWithRect(painted);
        path.setLineWidth(2);
        context->setColor(Qt::white);
        context->fillPath(path);
        context->strokePath(path);
        context->setColor(Qt::black);
    }
}

// ---------------------------------------------------------------------------
// Drawing

void TemplateView::drawRect(const Rect&) {
    GraphicsContext* context = GraphicsContext::currentContext();
    if (!context)
        return;
    const bool toScreen = context->isDrawingToScreen();
    HostServices* services = HostServices::current();
    if (toScreen && !_preRender && services)
        services->resumeWaitMonitor();
    AffineTransform mirror;
    if (_drawMirrored) {
        mirror.translateXByYBy(frame().width(), 0);
        mirror.scaleXByYBy(-1, 1);
        context->concat(mirror);
    }
    const Rect b = bounds();
    context->setColor(Qt::white);
    context->rectFill(b);
    context->setColor(Qt::black);

    if (_captureImage) {
        Image image = std::move(*_captureImage);
        _captureImage.reset();
        if (TemplateMapper* m = mapper())
            m->colorMatchImage(image);
        context->drawImage(image, b, Rect(), CompositingOperation::Copy, 1);
    } else {
        if (toScreen) {
            context->setColor(Qt::gray);
            context->frameRect(b, 1);
            context->setColor(Qt::black);
        }
        _myRenderer.renderInRect(b);
        blankEmptyPrintAreas(std::nullopt);

        TemplateMapper* m = mapper();
        if (toScreen && _allowsUserInteraction && m) {
            if (_lastDropIdx != -1 && _lastDropPath) {
                context->saveGraphicsState();
                BezierPath path = *_lastDropPath;
                path.setLineWidth(3);
                context->setStrokeColor(focusRingColor());
                context->strokePath(path);
                context->restoreGraphicsState();
            } else if ((m->layoutMode() == 1 || m->layoutMode() == 2) && !_inDragOperation) {
                if (const auto paths = _myRenderer.photoCellPathsInRect(b)) {
                    for (int32_t i = 0; i < int32_t(paths->size()); ++i) {
                        if (!m->selectionStateForCell(i))
                            continue;
                        context->saveGraphicsState();
                        BezierPath path = (*paths)[i];
                        path.setLineWidth(3);
                        context->setStrokeColor(focusRingColor());
                        context->strokePath(path);
                        context->restoreGraphicsState();
                    }
                }
            }
        }
    }

    if (_drawMirrored) {
        mirror.invert();
        context->concat(mirror);
    }
    if (toScreen && !_preRender && services)
        services->suspendWaitMonitor();
}

// ---------------------------------------------------------------------------
// Notices

void TemplateView::templateMapperPageChanged(const Notification& notification) {
    if (!notification.object() || notification.object() != _myRenderer.imageSource())
        return;
    _myRenderer.recache();
    // A print run may turn the pages on its drawing thread; widgets are the
    // main thread's.
    if (QThread::currentThread() == thread())
        update();
}

void TemplateView::templateMapperMasterChanged(const Notification& notification) {
    if (!notification.object() || notification.object() != _myRenderer.imageSource())
        return;
    const QPoint inside = mapFromGlobal(QCursor::pos());
    if (rect().contains(inside) && !_cursorTimer)
        mouseEnteredView();
}

void TemplateView::templateChanged(const Notification& notification) {
    if (notification.object() && notification.object() == _myRenderer.templateHandle().get())
        update();
}

void TemplateView::fileCatalogPhotoAttributeChanged(const Notification& notification) {
    if (_inMouseDown)
        return;
    TemplateMapper* m = mapper();
    if (!m || !m->fileCatalog() || notification.object() != m->fileCatalog().get())
        return;
    const QVariant indexValue = notification.userInfo().value(qs(kIndexKey));
    if (!indexValue.isValid())
        return;
    const int32_t index = indexValue.toInt();
    if (!_photoCellPaths)
        fetchCellPaths();
    if (!_photoCellPaths)
        return;
    for (int32_t i = 0; i < int32_t(_photoCellPaths->size()); ++i) {
        if (m->sourceIndexForCell(i) != index)
            continue;
        markCellDirty((*_photoCellPaths)[i]);
        _myRenderer.recachePhotoCell(i);
    }
}

// ---------------------------------------------------------------------------
// Cursor

void TemplateView::enterEvent(QEnterEvent* event) {
    View::enterEvent(event);
    if (_allowsUserInteraction)
        mouseEnteredView();
}

void TemplateView::leaveEvent(QEvent* event) {
    View::leaveEvent(event);
    if (_allowsUserInteraction)
        mouseExitedView();
}

void TemplateView::mouseEnteredView() {
    if (!_myRenderer.imageSource() || _inDragOperation)
        return;
    fetchCellPaths();
    delete _cursorTimer;
    _cursorTimer = new QTimer(this);
    _cursorTimer->setInterval(kCursorRefreshMs);
    connect(_cursorTimer, &QTimer::timeout, this, [this] { updateCursor(); });
    _cursorTimer->start();
}

void TemplateView::mouseExitedView() {
    if (!_myRenderer.imageSource() || _inDragOperation)
        return;
    delete _cursorTimer;
    _cursorTimer = nullptr;
    if (_grabCursorShown || _zoomCursorShown || _reposCursorShown) {
        setCursor(Qt::ArrowCursor);
        _grabCursorShown = _zoomCursorShown = _reposCursorShown = false;
    }
    _photoCellPaths.reset();
}

bool TemplateView::cursorTimerRunning() const {
    return _cursorTimer && _cursorTimer->isActive();
}

void TemplateView::updateCursor() {
    if (!window()->isActiveWindow() || !_photoCellPaths)
        return;
    bool sheetShown = false;
    for (const QDialog* dialog : window()->findChildren<QDialog*>())
        sheetShown |= dialog->isVisible() && dialog->windowModality() != Qt::NonModal;
    TemplateMapper* m = mapper();
    if (!sheetShown && m) {
        const int32_t cell =
            indexOfPhotoCellAtPoint(boundsPointFromWidget(mapFromGlobal(QCursor::pos())));
        if (cell >= 0 && m->sourceIndexForCell(cell) >= 0) {
            HostServices& services = host();
            switch (_interactionMode) {
            case InteractionModeMove:
                setCursor(services.crossArrowsCursor());
                _reposCursorShown = true;
                _grabCursorShown = _zoomCursorShown = false;
                return;
            case InteractionModeZoom:
                setCursor(services.zoomArrowsCursor());
                _zoomCursorShown = true;
                _grabCursorShown = _reposCursorShown = false;
                return;
            case InteractionModePan:
                setCursor(services.openHandCursor());
                _grabCursorShown = true;
                _zoomCursorShown = _reposCursorShown = false;
                return;
            default:
                return;
            }
        }
    }
    if (_grabCursorShown || _zoomCursorShown || _reposCursorShown) {
        setCursor(Qt::ArrowCursor);
        _grabCursorShown = _zoomCursorShown = _reposCursorShown = false;
    }
}

// ---------------------------------------------------------------------------
// Mouse

void TemplateView::mousePressEvent(QMouseEvent* event) {
    TemplateMapper* m = mapper();
    if (event->button() != Qt::LeftButton || !m) {
        View::mousePressEvent(event);
        return;
    }
    const Point p0 = boundsPointFromWidget(event->position());
    if (!_photoCellPaths)
        fetchCellPaths();
    const int32_t cell = indexOfPhotoCellAtPoint(p0);
    const int32_t source = cell >= 0 ? m->sourceIndexForCell(cell) : -1;
    if (cell < 0 || source < 0)
        return;
    Tracking tracking;
    tracking.cell = cell;
    tracking.source = source;
    tracking.startMode = _interactionMode;
    tracking.scale = _myRenderer.calculateScaleInRect(bounds());
    tracking.path = (*_photoCellPaths)[cell];
    tracking.cursorTicks = TickClock::tickCount();
    tracking.last = p0;
    _tracking = tracking;
    _inMouseDown = true;
    m->setSelectionStateForCell(true, cell);
}

void TemplateView::mouseMoveEvent(QMouseEvent* event) {
    if (_tracking && (event->buttons() & Qt::LeftButton))
        trackTo(boundsPointFromWidget(event->position()));
    else
        View::mouseMoveEvent(event);
}

void TemplateView::mouseReleaseEvent(QMouseEvent* event) {
    if (!_tracking || event->button() != Qt::LeftButton) {
        View::mouseReleaseEvent(event);
        return;
    }
    trackTo(boundsPointFromWidget(event->position()));
    endTracking();
}

std::optional<Rect> TemplateView::cropOrNaturalBounds(int32_t cell) {
    TemplateMapper* m = mapper();
    Rect crop = m->cropRectForCell(cell);
    if (crop == Rect())
        crop = m->naturalImageBoundsForCell(cell);
    return crop;
}

void TemplateView::trackTo(Point p) {
    TemplateMapper* m = mapper();
    Tracking& t = *_tracking;
    if (!m)
        return;
    const uint32_t now = TickClock::tickCount();
    if (now - t.cursorTicks > kCursorRefreshTicks) {
        updateCursor();
        t.cursorTicks = now;
    }
    if (!t.path.containsPoint(p) || p == t.last)
        return;
    float dx = p.x - t.last.x;
    float dy = p.y - t.last.y;
    HostServices* services = HostServices::current();
    if (isFlipped() || (services && services->osSystemVersion() > 0x102F))
        dy = -dy;

    const int32_t cell = t.cell;
    const TemplateHandleRef& handle = _myRenderer.templateHandle();
    const int32_t page = m->currentPageNum();
    const Size cellSize = handle ? handle->photoCellSize(cell, page) : Size();
    const Size natural = m->naturalImageBoundsForCell(cell).size;
    const float rotation = handle ? handle->photoCellRotation(cell, page) : 0;
    const float sx = t.scale.width;
    const float sy = t.scale.height;
    bool changed = false;
    switch (_interactionMode) {
    case InteractionModePan:
    case InteractionModeMove: {
        if (!(cellSize.width > 0) || !(cellSize.height > 0))
            break;
        if (rotation != 0) {
            const Point turned = rotatedDelta(dx, dy, rotation);
            dx = turned.x;
            dy = turned.y;
        }
        const float mx = sx * dx * natural.width / cellSize.width;
        const float my = sy * dy * natural.height / cellSize.height;
        if (_interactionMode == InteractionModePan) {
            const Point offset = m->offsetForCell(cell);
            m->setOffsetForCell({offset.x + mx, offset.y + my}, cell);
        } else {
            Rect crop = *cropOrNaturalBounds(cell);
            crop.origin.x -= mx;
            crop.origin.y -= my;
            m->setCropRectForCell(crop, cell);
        }
        changed = true;
        break;
    }
    case InteractionModeZoom: {
        if (dy == 0 || !(cellSize.height > 0))
            break;
        Rect crop = *cropOrNaturalBounds(cell);
        if (!(crop.height() > 0))
            break;
        const float d = sy * dy * natural.height / cellSize.height;
        const float dw = d * (crop.width() / crop.height());
        crop = {crop.minX() - dw, crop.minY() - d, crop.width() + 2 * dw, crop.height() + 2 * d};
        m->setCropRectForCell(crop, cell);
        changed = true;
        break;
    }
    default:
        break;
    }
    if (changed && _photoCellPaths) {
        for (int32_t i = 0; i < int32_t(_photoCellPaths->size()); ++i) {
            if (m->sourceIndexForCell(i) != t.source)
                continue;
            markCellDirty((*_photoCellPaths)[i]);
            _myRenderer.recachePhotoCell(i);
        }
    }
    t.last = p;
}

void TemplateView::endTracking() {
    _inMouseDown = false;
    _interactionMode = _tracking->startMode;
    _tracking.reset();
}

// ---------------------------------------------------------------------------
// Context menu

void TemplateView::contextMenuEvent(QContextMenuEvent* event) {
    if (!_photoCellPaths)
        fetchCellPaths();
    if (QMenu* menu = menuForPoint(boundsPointFromWidget(event->pos())))
        menu->popup(event->globalPos());
}

QMenu* TemplateView::menuForPoint(Point point) {
    TemplateMapper* m = mapper();
    if (!m)
        return nullptr;
    if (!_photoCellPaths)
        fetchCellPaths();
    const int32_t cell = indexOfPhotoCellAtPoint(point);
    if (cell < 0 || m->sourceIndexForCell(cell) < 0)
        return nullptr;
    m->setSelectionStateForCell(true, cell);
    if (!_stdContextMenu)
        _stdContextMenu = buildContextMenu();
    return _stdContextMenu;
}

QMenu* TemplateView::buildContextMenu() {
    auto* menu = new QMenu(localizedString(qs("Entry Context")), this);
    menu->setObjectName(qs("Entry Context"));
    // The catalog's scroll view as the window has it now; items sent to it
    // stay off without one.
    QObject* scrollView = window()->findChild<QObject*>(qs(kFileCatalogScrollViewName));
    for (const MenuItem& item : kContextItems) {
        if (item.separatorBefore)
            menu->addSeparator();
        QAction* action = menu->addAction(localizedString(qs(item.titleKey)));
        action->setData(item.tag);
        action->setObjectName(qs(item.selector));
        const char* selector = item.selector;
        if (item.catalogTarget) {
            QPointer<QObject> target = scrollView;
            action->setEnabled(target != nullptr);
            connect(action, &QAction::triggered, this,
                    [target, selector, action] { invokeSelector(target, selector, action); });
        } else {
            connect(action, &QAction::triggered, this,
                    [this, selector] { sendMenuAction(selector); });
        }
    }
    return menu;
}

// Up the chain from the focused widget (else this view) to the first that
// answers the action.
void TemplateView::sendMenuAction(const char* selector) {
    QAction* sender = nullptr;
    if (_stdContextMenu)
        for (QAction* action : _stdContextMenu->actions())
            if (action->objectName() == qs(selector))
                sender = action;
    QObject* target = QApplication::focusWidget();
    if (!target)
        target = this;
    for (; target; target = target->parent())
        if (invokeSelector(target, selector, sender))
            return;
}

// ---------------------------------------------------------------------------
// Drag and drop

// Whether the drag comes from the grid of the catalog this view shows.
bool TemplateView::fromOwnCatalog(const DraggingInfo& info) {
    TemplateMapper* m = mapper();
    const VQFileCatalog* source = VQFileCatalogView::catalogOfDragSource(info.draggingSource());
    return source && m && m->fileCatalog().get() == source;
}

bool TemplateView::canIHandleDrag(const DraggingInfo& info) {
    if (!_myRenderer.imageSource())
        return false;
    const Pasteboard pasteboard = info.draggingPasteboard();
    if (pasteboard.hasType(qs(FilenamesPboardType)) || pasteboard.hasType(qs(TIFFPboardType)) ||
        pasteboard.hasType(qs(kVQFileCatalogSelectionPboardType)))
        return true;
    return DroppedPhotos::imageURL(pasteboard).isValid();
}

int32_t TemplateView::determineDropIdx(const DraggingInfo& info) {
    return indexOfPhotoCellAtPoint(info.draggingLocation());
}

void TemplateView::setDragHilightOfSuperview(bool flag) {
    QWidget* superview = parentWidget();
    if (superview && superview->metaObject()->indexOfMethod("setDragHilight(bool)") >= 0)
        QMetaObject::invokeMethod(superview, "setDragHilight", Q_ARG(bool, flag));
}

uint32_t TemplateView::draggingEntered(const DraggingInfo& info) {
    if (!_myRenderer.imageSource())
        return DragOperationNone;
    fetchCellPaths();
    if (!canIHandleDrag(info))
        return DragOperationNone;
    _lastDropIdx = -1;
    _inDragOperation = true;
    touchFocusedCells();
    return DragOperationGeneric;
}

uint32_t TemplateView::draggingUpdated(const DraggingInfo& info) {
    if (!canIHandleDrag(info))
        return DragOperationNone;
    TemplateMapper* m = mapper();
    const int32_t cell = determineDropIdx(info);
    if (m && m->layoutMode() == 2 && cell >= 0) {
        if (cell == _lastDropIdx)
            return DragOperationGeneric;
        if (_lastDropIdx != -1 && _lastDropPath)
            markCellDirty(*_lastDropPath);
        else
            setDragHilightOfSuperview(false);
        _lastDropIdx = cell;
        _lastDropPath = (*_photoCellPaths)[cell];
        markCellDirty(*_lastDropPath);
        return DragOperationGeneric;
    }
    if (_lastDropIdx != -1 && _lastDropPath)
        markCellDirty(*_lastDropPath);
    _lastDropPath.reset();
    _lastDropIdx = -1;
    if (!fromOwnCatalog(info))
        setDragHilightOfSuperview(true);
    return DragOperationGeneric;
}

void TemplateView::draggingExited() {
    if (!_myRenderer.imageSource())
        return;
    if (_lastDropIdx == -1 || !_lastDropPath) {
        setDragHilightOfSuperview(false);
    } else {
        markCellDirty(*_lastDropPath);
        _lastDropIdx = -1;
        _lastDropPath.reset();
    }
    touchFocusedCells();
    _photoCellPaths.reset();
    _inDragOperation = false;
}

bool TemplateView::prepareForDragOperation(const DraggingInfo& info) {
    return canIHandleDrag(info);
}

bool TemplateView::performDragOperation(const DraggingInfo& info) {
    return canIHandleDrag(info);
}

void TemplateView::concludeDragOperation(const DraggingInfo& info) {
    if (!_photoCellPaths)
        fetchCellPaths();
    const int32_t drop = determineDropIdx(info);
    if (_lastDropIdx != -1 && _lastDropPath)
        markCellDirty(*_lastDropPath);
    _lastDropIdx = -1;
    _lastDropPath.reset();

    TemplateMapper* m = mapper();
    const std::shared_ptr<VQFileCatalog> catalog = m ? m->fileCatalog() : nullptr;
    if (drop >= 0 && catalog) {
        const Pasteboard pasteboard = info.draggingPasteboard();
        QList<int32_t> indices;
        if (fromOwnCatalog(info) && pasteboard.hasType(qs(kVQFileCatalogSelectionPboardType))) {
            const QVariantList items =
                pasteboard.propertyListForType(qs(kVQFileCatalogSelectionPboardType)).toList();
            for (const QVariant& item : items)
                indices.append(item.toMap().value(qs(kVQSelectionIndexKey)).toInt());
        } else {
            // Added here, at once, so that the new entries exist to be placed.
            const int32_t before = catalog->fileCount();
            DroppedPhotos::addFromPasteboard(*catalog, pasteboard, -1);
            for (int32_t i = before; i < catalog->fileCount(); ++i)
                indices.append(i);
        }
        const int32_t page = m->currentPageNum();
        for (int32_t k = 0; k < int32_t(indices.size()); ++k)
            m->setEntryIndexOnPage(page, drop + k, indices[k]);
    }
    setDragHilightOfSuperview(false);
    touchFocusedCells();
    _photoCellPaths.reset();
    _inDragOperation = false;
}
