#include "catalog/VQFileCatalogView.h"

#include "catalog/DroppedPhotos.h"
#include "catalog/RenamePanel.h"
#include "catalog/URLLocator.h"
#include "catalog/VQFileCatalog.h"
#include "documents/DurevedeDudiruVorudu.h"
#include "documents/ZaroziveZodiroVirizidivi.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Resources.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/Image.h"
#include "platform/system/Workspace.h"
#include "platform/ui/ClipView.h"
#include "platform/ui/CurrentEvent.h"
#include "platform/ui/ModalAlert.h"
#include "platform/ui/Pasteboard.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/TickClock.h"
#include "utilities/GeometryUtilities.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QDrag>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace {

QString qs(const char* text) {
    return QString::fromLatin1(text);
}

QString text(const char* key) {
    return localizedString(qs(key));
}

// The label font's size in points, and the badge of a photo that cannot be read.
constexpr int kLabelFontSize = 10;
constexpr float kBadgeSize = 16;
constexpr float kHilightWidth = 3;
constexpr char kAlertBadgeName[] = "Alert16";

QColor selectedTextBackgroundColor() {
    return QApplication::palette().color(QPalette::Highlight);
}

QColor eraseColor() {
    return QApplication::palette().color(QPalette::Base);
}

QFont labelFont() {
    QFont font = QApplication::font();
    font.setPointSizeF(kLabelFontSize);
    return font;
}

// The badge image of the shared images, else one drawn here: a warning sign.
const Image& alertBadge() {
    static const Image badge = [] {
        QImage pixels = Resources::applicationImageNamed(qs(kAlertBadgeName));
        if (pixels.isNull()) {
            pixels = QImage(32, 32, QImage::Format_ARGB32_Premultiplied);
            pixels.fill(Qt::transparent);
            QPainter painter(&pixels);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setPen(QPen(QColor(120, 80, 0), 2));
            painter.setBrush(QColor(255, 200, 0));
            painter.drawPolygon(QPolygonF({{16, 2}, {30, 29}, {2, 29}}));
            painter.setPen(QPen(Qt::black, 4, Qt::SolidLine, Qt::RoundCap));
            painter.drawLine(QPointF(16, 11), QPointF(16, 19));
            painter.drawPoint(QPointF(16, 25));
        }
        return Image(pixels, {kBadgeSize, kBadgeSize});
    }();
    return badge;
}

struct MenuItem {
    const char* titleKey;
    const char* slot;
    int tag;
    bool separatorBefore;
};

constexpr MenuItem kEntryContextItems[] = {
    {"COPY_MENU_TITLE", "contextCopy", kTagCopy, false},
    {"CUT_MENU_TITLE", "contextCut", kTagCut, false},
    {"PASTE_MENU_TITLE", "contextPaste", kTagPaste, false},
    {"CLEAR_MENU_TITLE", "contextClear", kTagClear, false},
    {"DUP_MENU_TITLE", "contextDuplicate", kTagDuplicate, false},
    {"ROTATE_90", "contextRotateRight", kTagRotateRight, true},
    {"ROTATE_270", "contextRotateLeft", kTagRotateLeft, false},
    {"ROTATE_180", "contextFlip", kTagFlip, false},
    {"EXPORT_MENU", "contextExport", kTagExport, true},
    {"REMOVE_MENU", "contextRemove", kTagRemove, false},
    {"RENAME_MENU", "contextRename", kTagRename, false},
    {"MARK_MENU", "contextMark", kTagMark, true},
    {"UNMARK_MENU", "contextUnmark", kTagUnmark, false},
    {"REFRESH", "contextRefresh", kTagRefresh, true},
    {"LOCATE", "contextLocate", kTagLocate, false},
    {"OPEN_IN_FINDER", "contextProcessInFinder", kTagOpenInFinder, true},
    {"REVEAL_IN_FINDER", "contextProcessInFinder", kTagRevealInFinder, false},
};
// The short menu holds the first four.
constexpr int kShortContextItemCount = 4;

// The tag an action carries; 0 without one.
int tagOf(const QAction* action) {
    return action ? action->data().toInt() : 0;
}

} // namespace

VQFileCatalogView::VQFileCatalogView(QWidget* parent) : View(parent) {
    // Every pass erases what it draws over, so a scroll moves the pixels shown
    // and repaints only the strip that comes into view.
    setAttribute(Qt::WA_OpaquePaintEvent);
    registerForDraggedTypes({qs(kVQFileCatalogSelectionPboardType), qs(FilenamesPboardType),
                             qs(URLPboardType), qs(TIFFPboardType)});
    _trackingTimer = new QTimer(this);
    _trackingTimer->setInterval(kDragRepeatMs);
    connect(_trackingTimer, &QTimer::timeout, this, [this] { autoscrollTracking(); });
    _dragRepeatTimer = new QTimer(this);
    _dragRepeatTimer->setInterval(kDragRepeatMs);
    connect(_dragRepeatTimer, &QTimer::timeout, this, [this] {
        if (!_lastDragUpdate)
            return;
        // The pointer rests on the screen, where the grid may have scrolled away under it.
        const QWidget* clip = parentWidget();
        draggingUpdated(clip ? _lastDragUpdate->withLocation(
                                   boundsPointFromWidget(mapFrom(clip, _lastDragPointer)))
                             : *_lastDragUpdate);
    });
    NotificationCenter::defaultCenter().addObserver(this, qs(kVQFileCatalogPropertyChangedNotify),
                                                    nullptr,
                                                    [this](const Notification&) { redrawAll(); });
    calculateCellLayout();
}

VQFileCatalogView::~VQFileCatalogView() {
    // The loader thread may be delivering to this view: removal waits for it.
    NotificationCenter::defaultCenter().removeObserver(this);
}

VQFileCatalog* VQFileCatalogView::catalogOfDragSource(const QObject* source) {
    const auto* grid = qobject_cast<const VQFileCatalogView*>(source);
    return grid ? grid->fileCatalog() : nullptr;
}

ZaroziveZodiroVirizidivi* VQFileCatalogView::windowController() const {
    return qobject_cast<ZaroziveZodiroVirizidivi*>(WindowController::forWindow(_myParentWindow));
}

int VQFileCatalogView::entryCount() const {
    return _attachedCatalog ? _attachedCatalog->fileCount() : 0;
}

bool VQFileCatalogView::markersShown() const {
    const ZaroziveZodiroVirizidivi* controller = windowController();
    return !controller || controller->getPrintArrangementMode() != 2;
}

void VQFileCatalogView::setFileCatalog(VQFileCatalog* catalog) {
    if (_attachedCatalog)
        NotificationCenter::defaultCenter().removeObserver(this, QString(), _attachedCatalog);
    _attachedCatalog = catalog;
    if (catalog) {
        catalog->setUsesDeferedLoader(true);
        observeCatalog();
    }
    calculateCellLayout();
    sizeToSuperView();
    redrawAll();
}

void VQFileCatalogView::observeCatalog() {
    NotificationCenter& center = NotificationCenter::defaultCenter();
    const void* sender = _attachedCatalog;
    // Posted on the loader thread: nothing but the flag, which heartbeat reads.
    center.addObserver(this, qs(kVQFileCatalogThumbnailLoadCompletNofity), sender,
                       [this](const Notification&) { _updateThumbnails = true; });
    center.addObserver(this, qs(kVQFileCatalogEntriesMovedNofity), sender,
                       [this](const Notification&) { _updateThumbnails = true; });
    center.addObserver(this, qs(kVQFileCatalogFileAddedNofity), sender,
                       [this](const Notification&) { catalogCountChanged(true); });
    center.addObserver(this, qs(kVQFileCatalogFileRemovedNofity), sender,
                       [this](const Notification&) { catalogCountChanged(false); });
    center.addObserver(this, qs(kVQFileCatalogAttributeChangedNofity), sender,
                       [this](const Notification&) { redrawAll(); });
    center.addObserver(this, qs(kVQFileCatalogSelectionChangedNotify), sender,
                       [this](const Notification& n) { cellsChanged(n); });
    center.addObserver(this, qs(kVQFileCatalogMarkerChangedNotify), sender,
                       [this](const Notification& n) { cellsChanged(n); });
}

void VQFileCatalogView::catalogCountChanged(bool added) {
    if (calculateCellLayout()) {
        sizeToSuperView();
        redrawAll();
        if (QWidget* clip = parentWidget())
            clip->update();
    }
    if (added && !_autoSelectFlag)
        return;
    if (_attachedCatalog && _attachedCatalog->getSelectedIndices().isEmpty())
        _attachedCatalog->advanceSelection();
    _autoSelectFlag = false;
}

void VQFileCatalogView::cellsChanged(const Notification& notification) {
    for (const QVariant& index : notification.userInfo().value(qs(kUpdatedIndexesKey)).toList())
        redrawCell(index.toInt());
}

void VQFileCatalogView::setCellSize(Size size) {
    if (size == _cellSize)
        return;
    _cellSize = size;
    calculateCellLayout();
    sizeToSuperView();
    redrawAll();
}

void VQFileCatalogView::redrawCell(int index) {
    const Rect cell = getCellRectAtIndex(index);
    if (!cell.isEmpty())
        setNeedsDisplayInRect(cell);
}

void VQFileCatalogView::redrawAll() {
    setNeedsDisplay(true);
}

// ---------------------------------------------------------------------------
// Geometry

bool VQFileCatalogView::getSelectionOfCellAtIndex(int index) const {
    return _attachedCatalog &&
           _attachedCatalog->getFileAttributeAtIndex(kCatalogAttrSelected, index).toBool();
}

std::optional<QList<int>> VQFileCatalogView::getSelectedCellIndices() const {
    if (!_attachedCatalog)
        return std::nullopt;
    const QList<int> selected = _attachedCatalog->getSelectedIndices();
    if (selected.isEmpty())
        return std::nullopt;
    return selected;
}

Rect VQFileCatalogView::getCellRectAtIndex(int index) const {
    if (!_attachedCatalog || _columns <= 0 || index < 0 || index >= entryCount())
        return kZeroRect;
    const Rect b = bounds();
    const float top = b.minY() + b.height();
    const float w = _cellSize.width;
    const float h = _cellSize.height;
    const int row = index / _columns;
    const int column = index % _columns;
    return {column * w, top - (row + 1) * h, w, h};
}

Rect VQFileCatalogView::imageBoxOfCell(const Rect& cell) const {
    return {cell.minX() + 9, cell.minY() + 27, cell.width() - 18, cell.height() - 36};
}

int VQFileCatalogView::cellIndexUnderPoint(Point point) const {
    if (!_attachedCatalog || _columns <= 0 || !(_cellSize.width > 0) || !(_cellSize.height > 0))
        return -1;
    // Straight to the row and column; the neighbours decide points on an edge,
    // where the half-open rectangles (and float rounding) have the last word.
    const Rect b = bounds();
    const float top = b.minY() + b.height();
    const int column = int(std::floor(point.x / _cellSize.width));
    const int row = int(std::floor((top - point.y) / _cellSize.height));
    const int count = entryCount();
    for (int r = row - 1; r <= row + 1; ++r) {
        for (int c = column - 1; c <= column + 1; ++c) {
            if (r < 0 || c < 0 || c >= _columns)
                continue;
            const int index = r * _columns + c;
            if (index < count && pointInRect(point, getCellRectAtIndex(index)))
                return index;
        }
    }
    return -1;
}

bool VQFileCatalogView::calculateCellLayout() {
    return calculateCellLayoutForWidth(float(width()));
}

bool VQFileCatalogView::calculateCellLayoutForWidth(float frameWidth) {
    const int count = entryCount();
    const int fit = _cellSize.width > 0 ? int(frameWidth / _cellSize.width) : 0;
    const int columns = std::min(count, fit);
    const int rows = columns > 0 ? (count + columns - 1) / columns : (count > 0 ? 1 : 0);
    if (columns == _columns && rows == _rows && count == _fileCount)
        return false;
    _columns = columns;
    _rows = rows;
    _fileCount = count;
    return true;
}

void VQFileCatalogView::setFrameSizeAndBounds(Size size) {
    resize(std::max(0, int(std::lround(size.width))), std::max(0, int(std::lround(size.height))));
    setBoundsSize({float(width()), float(height())});
}

void VQFileCatalogView::optimizeDimensions() {
    setFrameSizeAndBounds({_columns * _cellSize.width, _rows * _cellSize.height});
}

void VQFileCatalogView::sizeToSuperView() {
    const QWidget* clip = parentWidget();
    if (!clip)
        return;
    const QSize clipSize = clip->size();
    QSize target = clipSize;
    if (entryCount() > 0) {
        // The layout the clip view's width gives, then the frame in one step:
        // every frame change constrains the scroll point, and a passing
        // smaller frame would lose it.
        calculateCellLayoutForWidth(float(clipSize.width()));
        const Size cells{_columns * _cellSize.width, _rows * _cellSize.height};
        target = QSize(std::max(int(std::lround(cells.width)), clipSize.width()),
                       std::max(int(std::lround(cells.height)), clipSize.height()));
    }
    if (target != size()) {
        setFrameSizeAndBounds({float(target.width()), float(target.height())});
        redrawAll();
    }
    calculateCellLayout();
}

Rect VQFileCatalogView::visibleRect() const {
    if (const ScrollView* scroll = ScrollView::enclosingScrollView(this))
        return scroll->documentVisibleRect();
    return bounds();
}

// ---------------------------------------------------------------------------
// Drawing

void VQFileCatalogView::drawRect(const Rect& dirtyRect) {
    GraphicsContext* context = GraphicsContext::currentContext();
    const bool markers = markersShown();
    context->setFillColor(eraseColor());
    context->rectFill(dirtyRect);

    const int count = entryCount();
    int columns = _columns;
    if (_attachedCatalog && columns > 0 && !(_cellSize.height <= 0)) {
        // Room for the gap when a copy arrives in a full grid: a column when it
        // fits, else a row.
        if (_hoverDestIdx >= 0 && _hoverSourceIdx == -1 && count == _rows * _columns &&
            float(width()) > (_columns + 1) * _cellSize.width)
            ++columns;
        const Rect b = bounds();
        const float top = b.minY() + b.height();
        const float w = _cellSize.width;
        const float h = _cellSize.height;
        // Only the rows that meet the dirty rectangle.
        const int firstRow = std::max(0, int(std::floor((top - dirtyRect.maxY()) / h)));
        const int lastRow = std::max(0, int(std::floor((top - dirtyRect.minY()) / h)));
        for (int k = firstRow * columns; k < (lastRow + 1) * columns; ++k) {
            if (k == _hoverDestIdx)
                continue;
            int e = k;
            if (_hoverDestIdx >= 0) {
                e = _hoverDestIdx < k ? k - 1 : k;
                if (_hoverSourceIdx >= 0 && _hoverSourceIdx <= e)
                    ++e;
            }
            if (e >= count)
                break;
            const Rect cell{(k % columns) * w, top - (k / columns + 1) * h, w, h};
            if (intersectsRect(cell, dirtyRect))
                drawCell(e, cell, markers);
        }
    }
    if (_dragHilightState) {
        context->setFillColor(selectedTextBackgroundColor());
        context->frameRect(visibleRect(), kHilightWidth);
    }
}

void VQFileCatalogView::drawCell(int entry, const Rect& cell, bool markers) {
    GraphicsContext* context = GraphicsContext::currentContext();
    VQFileCatalog& catalog = *_attachedCatalog;
    if (catalog.getFileAttributeAtIndex(kCatalogAttrSelected, entry).toBool()) {
        context->setFillColor(selectedTextBackgroundColor());
        context->rectFill(cell);
        context->setFillColor(Qt::black);
    } else {
        context->setFillColor(eraseColor());
        context->rectFill(cell);
    }

    QString name = catalog.getFileAttributeAtIndex(kCatalogAttrName, entry).toString();
    if (name.isEmpty())
        name = text("UNKNOWN");
    const QFont font = labelFont();
    const float labelX = markers ? cell.minX() + 16 : cell.minX();
    const float labelWidth = markers ? cell.width() - 16 : cell.width();
    const float lineHeight = QFontMetricsF(font).horizontalAdvance(name) > labelWidth ? 25 : 20;
    const Rect label{labelX, cell.minY() + 2, labelWidth, lineHeight};
    context->drawWithPainter(label, [&](QPainter& painter) {
        // Text reads downward: turn the upward user space over inside the label.
        painter.translate(label.minX(), label.maxY());
        painter.scale(1, -1);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(
            QRectF(0, 0, label.width(), label.height()),
            (markers ? Qt::AlignLeft : Qt::AlignHCenter) | Qt::AlignTop | Qt::TextWordWrap, name);
    });

    const Rect box = imageBoxOfCell(cell);
    const Image thumbnail =
        catalog.getFileAttributeAtIndex(kCatalogAttrThumbnail, entry).value<Image>();
    if (!thumbnail.isNull()) {
        const Size fitted = UTScaleSizeToFit(thumbnail.size(), box.size);
        const Rect placed = integralRect(UTCenterRectInRect({kZeroPoint, fitted}, box));
        const bool enabled = catalog.getFileAttributeAtIndex(kCatalogAttrEnabled, entry).toBool();
        context->drawImage(thumbnail, placed, kZeroRect, CompositingOperation::SourceOver,
                           enabled ? 1.0f : 0.5f);
        if (!enabled)
            context->drawImage(alertBadge(), {placed.origin, {kBadgeSize, kBadgeSize}}, kZeroRect,
                               CompositingOperation::SourceOver, 1.0f);
    } else {
        context->setFillColor(Qt::black);
        context->frameRect(box, 1);
    }

    if (markers) {
        // A switch-style check box in the marker box.
        const Rect marker{cell.minX() + 2, cell.minY() + 9, 12, 12};
        const bool marked = catalog.getFileAttributeAtIndex(kCatalogAttrMarked, entry).toBool();
        context->setFillColor(Qt::white);
        context->rectFill(marker);
        context->setFillColor(Qt::black);
        context->frameRect(marker, 1);
        if (marked) {
            context->drawWithPainter(marker, [&](QPainter& painter) {
                painter.setRenderHint(QPainter::Antialiasing);
                painter.setPen(QPen(Qt::black, 2));
                const float x = marker.minX();
                const float y = marker.minY();
                painter.drawPolyline(
                    QPolygonF({{x + 2.5, y + 6.5}, {x + 5, y + 3}, {x + 10, y + 10}}));
            });
        }
    }
}

// ---------------------------------------------------------------------------
// Mouse

void VQFileCatalogView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton)
        return; // the context menu event follows
    if (event->button() != Qt::LeftButton)
        return;
    handleClick(event, 1);
}

void VQFileCatalogView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        handleClick(event, 2);
}

void VQFileCatalogView::handleClick(QMouseEvent* event, int clickCount) {
    CurrentEvent::Scope current(CurrentEvent::modifierFlagsFromQt(event->modifiers()), clickCount);
    const uint32_t flags = CurrentEvent::modifierFlags();
    const Point point = boundsPointFromWidget(event->position());
    if (flags & ControlKeyMask) {
        if (QMenu* menu = menuForEvent(point, flags))
            menu->popup(event->globalPosition().toPoint());
        return;
    }
    if (!_attachedCatalog)
        return;
    VQFileCatalog& catalog = *_attachedCatalog;
    const int i = cellIndexUnderPoint(point);
    if (i < 0) {
        if (!catalog.getSelectedIndices().isEmpty())
            catalog.clearSelection();
        return;
    }
    const Rect cell = getCellRectAtIndex(i);
    const Rect markerBox{cell.minX(), cell.minY() + 7, 16, 16};
    // In every layout mode, shown or not.
    if (pointInRect(point, markerBox)) {
        catalog.toggleMarkerAtIndex(i);
        setNeedsDisplayInRect(markerBox);
        return;
    }
    const bool shift = flags & ShiftKeyMask;
    const bool command = flags & CommandKeyMask;
    if (shift && !command) {
        const QList<int> selected = catalog.getSelectedIndices();
        const auto after =
            std::find_if(selected.begin(), selected.end(), [i](int s) { return s >= i; });
        if (after != selected.end()) {
            for (int k = i; k < *after; ++k)
                catalog.setSelectionAtIndex(k);
        } else if (!selected.isEmpty()) {
            for (int k = i - 1; k > selected.last(); --k)
                catalog.setSelectionAtIndex(k);
        }
    } else if (!shift && !command) {
        catalog.clearSelection();
        redrawAll();
    }
    if (command && getSelectionOfCellAtIndex(i))
        catalog.clearSelectionAtIndex(i);
    else
        catalog.setSelectionAtIndex(i);
    redrawCell(i);

    if (clickCount == 1) {
        _tracking =
            Tracking{point, i, bool(flags & AlternateKeyMask), event->globalPosition().toPoint()};
        _trackingTimer->start();
    } else if (catalog.getSelectedIndices().size() == 1) {
        if (ZaroziveZodiroVirizidivi* controller = windowController())
            controller->switchView(controller->currentViewTag() == 0 ? 1 : 0);
    }
}

void VQFileCatalogView::mouseMoveEvent(QMouseEvent* event) {
    if (!_tracking)
        return;
    _tracking->lastGlobal = event->globalPosition().toPoint();
    autoscrollTracking();
    const Point point = boundsPointFromWidget(event->position());
    if (std::abs(point.x - _tracking->start.x) > kDragStartDistance ||
        std::abs(point.y - _tracking->start.y) > kDragStartDistance) {
        const Tracking tracking = *_tracking;
        _tracking.reset();
        _trackingTimer->stop();
        startDrag(tracking, point);
    }
}

void VQFileCatalogView::mouseReleaseEvent(QMouseEvent* event) {
    if (!_tracking)
        return;
    const Point point = boundsPointFromWidget(event->position());
    const Tracking tracking = *_tracking;
    _tracking.reset();
    _trackingTimer->stop();
    // The distance test comes first, for a release too.
    if (std::abs(point.x - tracking.start.x) > kDragStartDistance ||
        std::abs(point.y - tracking.start.y) > kDragStartDistance)
        startDrag(tracking, point);
}

void VQFileCatalogView::autoscrollTracking() {
    if (!_tracking)
        return;
    if (const ScrollView* scroll = ScrollView::enclosingScrollView(this))
        scroll->contentView()->autoscroll(_tracking->lastGlobal);
}

// ---------------------------------------------------------------------------
// Drag out

void VQFileCatalogView::startDrag(const Tracking& tracking, Point current) {
    if (!_attachedCatalog)
        return;
    VQFileCatalog& catalog = *_attachedCatalog;
    const int i = tracking.index;
    _hoverSourceIdx = tracking.copy ? -1 : i;
    const int operation = tracking.copy ? 1 : 0;
    _lastHoverIdx = -1;
    _iveHovered = false;

    QList<int> order{i};
    QList<int> selected = catalog.getSelectedIndices();
    std::sort(selected.begin(), selected.end(), std::greater<>());
    for (int s : selected)
        if (s != i)
            order.append(s);
    QVariantList items;
    QVariantList paths;
    for (int index : order) {
        items.append(QVariantMap{{qs(kVQSelectionCatalogKey), catalog.description()},
                                 {qs(kVQSelectionIndexKey), index},
                                 {qs(kVQSelectionOperationKey), operation}});
        const QString path = catalog.getFileAttributeAtIndex(kCatalogAttrPath, index).toString();
        if (!path.isEmpty())
            paths.append(path);
    }

    auto* data = new PasteboardData(this);
    Pasteboard::setPropertyListForType(*data, items, qs(kVQFileCatalogSelectionPboardType));
    if (selected.size() <= 1)
        data->declareType(qs(TIFFPboardType), [self = QPointer<VQFileCatalogView>(this)] {
            return self ? self->draggedTIFF() : QByteArray();
        });
    if (!paths.isEmpty())
        Pasteboard::setPropertyListForType(*data, paths, qs(FilenamesPboardType));

    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    const Rect cell = getCellRectAtIndex(i);
    const Rect box = imageBoxOfCell(cell);
    const Image thumbnail =
        catalog.getFileAttributeAtIndex(kCatalogAttrThumbnail, i).value<Image>();
    if (!thumbnail.isNull()) {
        const Rect placed = integralRect(
            UTCenterRectInRect({kZeroPoint, UTScaleSizeToFit(thumbnail.size(), box.size)}, box));
        QPixmap picture(int(placed.width()), int(placed.height()));
        picture.fill(Qt::transparent);
        {
            QPainter painter(&picture);
            painter.setOpacity(0.5);
            painter.drawImage(picture.rect(), thumbnail.toQImage());
        }
        drag->setPixmap(picture);
        // Held where it was grabbed, moved on by what the pointer moved since.
        const QRectF shown = widgetRectFromBounds(placed);
        const QPointF grabbed = widgetRectFromBounds({tracking.start, kZeroSize}).topLeft();
        const QPointF moved = widgetRectFromBounds({current, kZeroSize}).topLeft() - grabbed;
        drag->setHotSpot((grabbed - shown.topLeft() - moved).toPoint());
    }
    DragSession::runDrag(*drag, Qt::CopyAction | Qt::MoveAction,
                         tracking.copy ? Qt::CopyAction : Qt::MoveAction);
    drag->deleteLater();
}

QByteArray VQFileCatalogView::draggedTIFF() {
    return _attachedCatalog ? _attachedCatalog->selectionTIFFData() : QByteArray();
}

// ---------------------------------------------------------------------------
// Drop in

bool VQFileCatalogView::canIHandleDrag(const DraggingInfo& info) const {
    const Pasteboard pasteboard = info.draggingPasteboard();
    for (const char* type :
         {FilenamesPboardType, TIFFPboardType, kVQFileCatalogSelectionPboardType})
        if (pasteboard.hasType(qs(type)))
            return true;
    return DroppedPhotos::imageURL(pasteboard).isValid();
}

void VQFileCatalogView::setDragHilight(bool flag) {
    if (_senderIsSelf || flag == _dragHilightState)
        return;
    _dragHilightState = flag;
    redrawAll();
}

uint32_t VQFileCatalogView::draggingEntered(const DraggingInfo& info) {
    _senderIsSelf =
        _attachedCatalog && catalogOfDragSource(info.draggingSource()) == _attachedCatalog;
    _lastHoverIdx = -1;
    _iveHovered = false;
    _lastDragUpdate = info;
    _dragRepeatTimer->start();
    if (!canIHandleDrag(info))
        return DragOperationNone;
    setDragHilight(true);
    return DragOperationGeneric;
}

uint32_t VQFileCatalogView::draggingUpdated(const DraggingInfo& info) {
    _lastDragUpdate = info;
    if (const QWidget* clip = parentWidget())
        _lastDragPointer =
            mapTo(clip, widgetRectFromBounds({info.draggingLocation(), kZeroSize}).topLeft());
    if (!_dragRepeatTimer->isActive())
        _dragRepeatTimer->start();
    if (!canIHandleDrag(info))
        return DragOperationNone;
    // Near the edges of what is shown, the scroll view moves on.
    const Point location = info.draggingLocation();
    const Rect shown = visibleRect();
    if (location.y <= shown.minY() + kAutoscrollMargin)
        NotificationCenter::defaultCenter().postNotificationName(qs(kVQFScrollUpNotify), this);
    else if (location.y >= shown.maxY() - kAutoscrollMargin)
        NotificationCenter::defaultCenter().postNotificationName(qs(kVQFScrollDownNotify), this);
    if (catalogOfDragSource(info.draggingSource())) {
        const int j = cellIndexUnderPoint(info.draggingLocation());
        if (!_iveHovered) {
            const uint32_t now = TickClock::tickCount();
            if (j != _lastHoverIdx || !_lastHoverTime) {
                _lastHoverIdx = j;
                _lastHoverTime = now;
            } else if (now - *_lastHoverTime > kHoverTicks) {
                _iveHovered = true;
            }
        }
        if (_iveHovered && j != _hoverDestIdx) {
            _hoverDestIdx = j;
            redrawAll();
        }
    }
    return DragOperationGeneric;
}

void VQFileCatalogView::draggingExited() {
    setDragHilight(false);
    if (_hoverDestIdx != -1) {
        _hoverDestIdx = -1;
        redrawAll();
    }
    _iveHovered = false;
    _lastHoverIdx = -1;
    _lastHoverTime.reset();
    _lastDragUpdate.reset();
    _dragRepeatTimer->stop();
}

bool VQFileCatalogView::prepareForDragOperation(const DraggingInfo& info) {
    _dragRepeatTimer->stop();
    setDragHilight(false);
    return canIHandleDrag(info);
}

bool VQFileCatalogView::performDragOperation(const DraggingInfo& info) {
    setDragHilight(false);
    return canIHandleDrag(info);
}

void VQFileCatalogView::concludeDragOperation(const DraggingInfo& info) {
    const int position = catalogOfDragSource(info.draggingSource())
                             ? cellIndexUnderPoint(info.draggingLocation())
                             : -1;
    resetDragState();
    if (auto* window = qobject_cast<DurevedeDudiruVorudu*>(_myParentWindow.data()))
        window->concludeDragOperationAtPosition(info, position);
}

void VQFileCatalogView::resetDragState() {
    _hoverSourceIdx = -1;
    _hoverDestIdx = -1;
    _lastHoverIdx = -1;
    _iveHovered = false;
    _lastHoverTime.reset();
    _lastDragUpdate.reset();
    _dragRepeatTimer->stop();
    _senderIsSelf = false;
    redrawAll();
}

// ---------------------------------------------------------------------------
// Selection movement, rotation, removal

void VQFileCatalogView::advanceSelectionRow() {
    if (!_attachedCatalog || entryCount() == 0)
        return;
    VQFileCatalog& catalog = *_attachedCatalog;
    const int count = entryCount();
    const QList<int> selected = catalog.getSelectedIndices();
    int t = 0;
    if (!selected.isEmpty()) {
        t = selected.last() + _columns;
        if (t >= count) {
            t -= _columns * _rows;
            if (t < 0)
                t += _columns;
        }
        catalog.clearSelection();
    }
    if (t >= 0 && t < count) {
        catalog.setSelectionAtIndex(t);
        redrawCell(t);
    }
}

void VQFileCatalogView::retreatSelectionRow() {
    if (!_attachedCatalog || entryCount() == 0)
        return;
    VQFileCatalog& catalog = *_attachedCatalog;
    const int count = entryCount();
    const QList<int> selected = catalog.getSelectedIndices();
    int t = count - 1;
    if (!selected.isEmpty()) {
        t = selected.first() - _columns;
        if (t < 0) {
            t += _columns * _rows;
            if (t >= count)
                t -= _columns;
        }
        catalog.clearSelection();
    }
    if (t >= 0 && t < count) {
        catalog.setSelectionAtIndex(t);
        redrawCell(t);
    }
}

void VQFileCatalogView::rotateSelection(float degrees) {
    if (!_attachedCatalog)
        return;
    QList<int> selected = _attachedCatalog->getSelectedIndices();
    std::sort(selected.begin(), selected.end(), std::greater<>());
    for (int index : selected) {
        float r = _attachedCatalog->getFileAttributeAtIndex(kCatalogAttrRotation, index).toFloat() +
                  degrees;
        if (r >= 360)
            r -= 360;
        else if (r <= -360)
            r += 360;
        _attachedCatalog->setFileAttributeAtIndexToValue(kCatalogAttrRotation, index,
                                                         QVariant::fromValue(r));
        redrawCell(index);
    }
}

void VQFileCatalogView::removeSelectedFiles() {
    if (!_attachedCatalog)
        return;
    VQFileCatalog& catalog = *_attachedCatalog;
    QList<int> selected = catalog.getSelectedIndices();
    if (selected.isEmpty())
        return;
    int next = selected.last() + 1;
    if (next >= entryCount())
        next = 0;
    QList<int> serials;
    std::sort(selected.begin(), selected.end(), std::greater<>());
    for (int index : selected)
        serials.append(catalog.getFileAttributeAtIndex(kCatalogAttrSerialNumber, index).toInt());
    catalog.clearSelection();
    if (next < entryCount()) {
        catalog.setSelectionAtIndex(next);
        redrawCell(next);
    }
    for (int serial : serials)
        catalog.removeSerialNumberEntry(serial);
}

void VQFileCatalogView::heartbeat() {
    if (_updateThumbnails.exchange(false))
        redrawAll();
}

// ---------------------------------------------------------------------------
// Rename

namespace {

bool sameFile(const QString& a, const QString& b) {
    struct stat first {};
    struct stat second {};
    return ::stat(QFile::encodeName(a).constData(), &first) == 0 &&
           ::stat(QFile::encodeName(b).constData(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

QString extensionOf(const QString& name) {
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? name.mid(dot + 1) : QString();
}

// The error handler of the move, as a file manager asks it: whether to go on.
// The failed operation is named by the rename command's own title.
bool shouldProceedAfterError(const QString& path, int error) {
    const QString operation = text("RENAME_CAT_FILE");
    QString detail;
    if (error == EBUSY)
        detail = stringWithFormat(qs("%@, %@"), operation, text("ERROR_-47"));
    else if (error == ENOSPC)
        detail = stringWithFormat(qs("%@, %@"), operation, text("ERROR_-34"));
    else
        detail = stringWithFormat(qs("%@, %s"), operation, std::strerror(error));
    ModalAlert::Request alert(text("ERROR_OCCURRED"),
                              stringWithFormat(text("FILE_ERR_FORMAT"), detail, path));
    alert.defaultButton = text("PROCEED");
    alert.alternateButton = text("STOP");
    return ModalAlert::run(alert) == ModalAlert::DefaultReturn;
}

} // namespace

void VQFileCatalogView::renameSelection() {
    if (!_attachedCatalog)
        return;
    QList<int> selected = _attachedCatalog->getSelectedIndices();
    std::sort(selected.begin(), selected.end(), std::greater<>());
    for (int index : selected) {
        if (!_attachedCatalog->getFileAttributeAtIndex(kCatalogAttrEnabled, index).toBool() ||
            !_attachedCatalog->getFileAttributeAtIndex(kCatalogAttrIsLocalFile, index).toBool())
            continue;
        if (!renameEntry(index))
            return;
    }
}

// False when the user ended the whole command.
bool VQFileCatalogView::renameEntry(int index) {
    VQFileCatalog& catalog = *_attachedCatalog;
    const QString oldPath = catalog.getFileAttributeAtIndex(kCatalogAttrPath, index).toString();
    const QFileInfo oldFile(oldPath);
    const QString folder = oldFile.absolutePath();
    const QString oldName = oldFile.fileName();
    const QString oldExtension = extensionOf(oldName);
    const QString displayName = catalog.getFileAttributeAtIndex(kCatalogAttrName, index).toString();
    // The name keeps its old extension, added after a typed one that differs.
    // This desktop shows every extension: there is no hidden-extension flag to
    // set, so a name that differs only in case is a rename of its own here.
    for (;;) {
        RenamePanel panel(_myParentWindow ? _myParentWindow.data() : window(), displayName);
        const int code = ModalAlert::runDialog(panel);
        if (code == 0)
            return false;
        QString typed = panel.name();
        // A slash would move the file to another folder and an empty name hide
        // it behind its extension: neither is a name.
        if (typed.trimmed().isEmpty() || typed.contains(QLatin1Char('/'))) {
            ModalAlert::beep();
            continue;
        }
        const QString typedExtension = extensionOf(typed);
        if (!oldExtension.isEmpty() &&
            (typedExtension.isEmpty() ||
             typedExtension.compare(oldExtension, Qt::CaseInsensitive) != 0))
            typed += QLatin1Char('.') + oldExtension;
        const QString newPath = QDir(folder).filePath(typed);
        if (!QFileInfo::exists(newPath)) {
            if (std::rename(QFile::encodeName(oldPath).constData(),
                            QFile::encodeName(newPath).constData()) != 0) {
                return shouldProceedAfterError(oldPath, errno);
            }
            if (catalog.testAllEntriesForChanges())
                redrawCell(index);
            return true;
        }
        if (sameFile(oldPath, newPath))
            return true;
        ModalAlert::Request alert(text("DUP_RENAME"),
                                  stringWithFormat(text("DUP_RENAME_DESC"), typed));
        alert.defaultButton = text("RENAME");
        alert.alternateButton = text("CANCEL");
        if (ModalAlert::run(alert) != ModalAlert::DefaultReturn)
            return false;
    }
}

// ---------------------------------------------------------------------------
// Refresh, locate, show in the file manager

void VQFileCatalogView::contextRefresh(QAction*) {
    if (!_attachedCatalog)
        return;
    VQFileCatalog& catalog = *_attachedCatalog;
    bool refreshed = false;
    for (int index : catalog.getSelectedIndices()) {
        if (!catalog.getFileAttributeAtIndex(kCatalogAttrIsURL, index).toBool())
            continue;
        for (int attribute : {kCatalogAttrPath, kCatalogAttrMetadata, kCatalogAttrComponentInfo,
                              kCatalogAttrThumbnail, kCatalogAttrImage})
            if (catalog.getFileAttributeAtIndex(attribute, index).isValid())
                catalog.setFileAttributeAtIndexToValue(attribute, index, QVariant());
        catalog.setFileAttributeAtIndexToValue(kCatalogAttrEnabled, index, true);
        catalog.getFileAttributeAtIndex(kCatalogAttrImage, index);
        redrawCell(index);
        refreshed = true;
    }
    if (refreshed)
        catalog.markDocumentChanged();
}

void VQFileCatalogView::contextLocate(QAction*) {
    locateEntries();
}

void VQFileCatalogView::locateEntries() {
    if (!_attachedCatalog)
        return;
    VQFileCatalog& catalog = *_attachedCatalog;
    bool located = false;
    for (int index : catalog.getSelectedIndices()) {
        if (catalog.getFileAttributeAtIndex(kCatalogAttrEnabled, index).toBool() ||
            catalog.getFileAttributeAtIndex(kCatalogAttrIsRaw, index).toBool())
            continue;
        if (catalog.getFileAttributeAtIndex(kCatalogAttrIsURL, index).toBool()) {
            URLLocator locator;
            locator.setValidFileTypes(DroppedPhotos::imageFileTypes());
            const QUrl url = locator.locateURLModally(
                catalog.getFileAttributeAtIndex(kCatalogAttrURL, index).toUrl());
            if (!url.isValid())
                break;
            catalog.setFileAttributeAtIndexToValue(kCatalogAttrURL, index, url);
        } else {
            const QString oldPath =
                catalog.getFileAttributeAtIndex(kCatalogAttrPath, index).toString();
            ModalAlert::PanelRequest panel;
            panel.kind = ModalAlert::PanelRequest::Kind::Open;
            panel.title = stringWithFormat(
                text("LOCATE_TITLE"),
                catalog.getFileAttributeAtIndex(kCatalogAttrName, index).toString());
            panel.prompt = text("LOCATE_PROMPT");
            panel.directory = QFileInfo(oldPath).absolutePath();
            panel.extensions = DroppedPhotos::imageFileTypes();
            const QStringList chosen = ModalAlert::runPanel(panel);
            if (chosen.isEmpty())
                break;
            catalog.setFileAttributeAtIndexToValue(kCatalogAttrPath, index, chosen.first());
        }
        redrawCell(index);
        located = true;
    }
    if (located) {
        catalog.markDocumentChanged();
        catalog.testAllEntriesForChanges();
    }
}

void VQFileCatalogView::contextProcessInFinder(QAction* sender) {
    contextProcessInFinderWithTag(tagOf(sender));
}

void VQFileCatalogView::contextProcessInFinderWithTag(int tag) {
    if (!_attachedCatalog)
        return;
    for (int index : _attachedCatalog->getSelectedIndices()) {
        const QString path =
            _attachedCatalog->getFileAttributeAtIndex(kCatalogAttrPath, index).toString();
        if (path.isEmpty())
            continue;
        if (tag == kTagOpenInFinder)
            Workspace::sharedWorkspace().openFile(path);
        else
            Workspace::sharedWorkspace().selectFile(path, QFileInfo(path).absolutePath());
    }
}

// ---------------------------------------------------------------------------
// Context menu and commands

void VQFileCatalogView::contextMenuEvent(QContextMenuEvent* event) {
    const uint32_t flags = CurrentEvent::modifierFlagsFromQt(event->modifiers());
    if (QMenu* menu = menuForEvent(boundsPointFromWidget(event->pos()), flags | ControlKeyMask))
        menu->popup(event->globalPos());
}

QMenu* VQFileCatalogView::menuForEvent(Point point, uint32_t modifierFlags) {
    if (!_attachedCatalog)
        return nullptr;
    VQFileCatalog& catalog = *_attachedCatalog;
    const bool contextual = modifierFlags & ControlKeyMask;
    const bool extend = modifierFlags & (ShiftKeyMask | CommandKeyMask);
    const int i = cellIndexUnderPoint(point);
    if (i >= 0) {
        if (!(contextual && getSelectionOfCellAtIndex(i))) {
            if (!extend)
                catalog.clearSelection();
            catalog.setSelectionAtIndex(i);
        }
        redrawCell(i);
        return stdContextMenu();
    }
    if (!extend)
        catalog.clearSelection();
    return shortContextMenu();
}

void VQFileCatalogView::fillMenu(QMenu* menu, bool full) {
    int count = 0;
    for (const MenuItem& item : kEntryContextItems) {
        if (!full && count == kShortContextItemCount)
            break;
        ++count;
        if (item.separatorBefore)
            menu->addSeparator();
        QAction* action = menu->addAction(text(item.titleKey));
        action->setData(item.tag);
        action->setObjectName(qs(item.slot));
        const QByteArray slot(item.slot);
        // The edit commands have no action yet: their items stay off.
        if (metaObject()->indexOfMethod(slot + "(QAction*)") >= 0)
            connect(action, &QAction::triggered, this, [this, slot, action] {
                QMetaObject::invokeMethod(this, slot.constData(), Q_ARG(QAction*, action));
            });
    }
    // Enabled as the menu opens, item by item.
    connect(menu, &QMenu::aboutToShow, this, [this, menu] {
        for (QAction* action : menu->actions())
            if (!action->isSeparator())
                action->setEnabled(validateMenuItem(action));
    });
}

QMenu* VQFileCatalogView::stdContextMenu() {
    if (!_stdContextMenu) {
        _stdContextMenu = new QMenu(this);
        _stdContextMenu->setObjectName(qs("Entry Context"));
        fillMenu(_stdContextMenu, true);
    }
    return _stdContextMenu;
}

QMenu* VQFileCatalogView::shortContextMenu() {
    if (!_shortContextMenu) {
        _shortContextMenu = new QMenu(this);
        _shortContextMenu->setObjectName(qs("Short Entry Context"));
        fillMenu(_shortContextMenu, false);
    }
    return _shortContextMenu;
}

bool VQFileCatalogView::validateMenuItem(const QAction* item) const {
    if (_myParentWindow && ModalAlert::hasAttachedSheet(_myParentWindow))
        return false;
    const int tag = tagOf(item);
    if (tag < 2001 || tag > 2045)
        return true;
    const QList<int> selected =
        _attachedCatalog ? _attachedCatalog->getSelectedIndices() : QList<int>();
    const bool any = !selected.isEmpty();
    auto someSelected = [&](auto test) {
        return std::any_of(selected.begin(), selected.end(), test);
    };
    auto attribute = [&](int attr, int index) {
        return _attachedCatalog->getFileAttributeAtIndex(attr, index).toBool();
    };
    switch (tag) {
    // Copy, cut, paste, clear and duplicate are not built yet.
    case kTagCopy:
    case kTagCut:
    case kTagPaste:
    case kTagClear:
    case kTagDuplicate:
        return false;
    case kTagRotateRight:
    case kTagRotateLeft:
    case kTagFlip:
    case kTagOpenInFinder:
    case kTagRevealInFinder:
    case kTagRemove:
        return any;
    case kTagMark:
    case kTagUnmark: {
        const ZaroziveZodiroVirizidivi* controller = windowController();
        return any && !(controller && controller->getPrintArrangementMode() == 2);
    }
    case kTagRefresh:
        return someSelected([&](int i) { return attribute(kCatalogAttrIsURL, i); });
    case kTagLocate:
        return someSelected([&](int i) { return !attribute(kCatalogAttrEnabled, i); });
    case kTagRename:
    case kTagExport:
        return someSelected([&](int i) {
            return attribute(kCatalogAttrIsLocalFile, i) && attribute(kCatalogAttrEnabled, i);
        });
    default:
        return true;
    }
}

void VQFileCatalogView::contextRotateRight(QAction* sender) {
    if (ZaroziveZodiroVirizidivi* controller = windowController())
        controller->rotateImageRight(sender);
}

void VQFileCatalogView::contextRotateLeft(QAction* sender) {
    if (ZaroziveZodiroVirizidivi* controller = windowController())
        controller->rotateImageLeft(sender);
}

void VQFileCatalogView::contextFlip(QAction* sender) {
    if (ZaroziveZodiroVirizidivi* controller = windowController())
        controller->flipImage(sender);
}

void VQFileCatalogView::contextMark(QAction* sender) {
    if (ZaroziveZodiroVirizidivi* controller = windowController())
        controller->markSelection(sender);
}

void VQFileCatalogView::contextUnmark(QAction* sender) {
    if (ZaroziveZodiroVirizidivi* controller = windowController())
        controller->unmarkSelection(sender);
}

void VQFileCatalogView::contextExport(QAction* sender) {
    if (ZaroziveZodiroVirizidivi* controller = windowController())
        controller->exportSelection(sender);
}

void VQFileCatalogView::contextRemove(QAction* sender) {
    if (ZaroziveZodiroVirizidivi* controller = windowController())
        controller->removeFiles(sender);
}

void VQFileCatalogView::contextRename(QAction*) {
    renameSelection();
}
