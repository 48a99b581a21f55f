#include "platform/documents/View.h"

#include "platform/graphics/AffineTransform.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/ShadowRenderer.h"
#include "platform/ui/DraggingInfo.h"

#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <vector>

namespace {

struct FocusEntry {
    View* view;
    GraphicsContext* context;
};

// Views drawing on this thread, innermost last.
thread_local std::vector<FocusEntry> tFocusViews;

struct FocusViewScope {
    FocusViewScope(View* v, GraphicsContext* c) { tFocusViews.push_back({v, c}); }
    ~FocusViewScope() { tFocusViews.pop_back(); }
};

// The Qt action that carries a destination's answer out, within what the source allows.
Qt::DropAction dropActionFor(uint32_t operation, const QDropEvent& event) {
    const Qt::DropActions allowed = event.possibleActions();
    if ((operation & DragOperationCopy) && (allowed & Qt::CopyAction))
        return Qt::CopyAction;
    if ((operation & DragOperationMove) && (allowed & Qt::MoveAction))
        return Qt::MoveAction;
    if ((operation & DragOperationLink) && (allowed & Qt::LinkAction))
        return Qt::LinkAction;
    if (operation & (DragOperationGeneric | DragOperationPrivate))
        return event.proposedAction();
    return Qt::IgnoreAction;
}

} // namespace

View::View(QWidget* parent) : QWidget(parent) {}

View::~View() = default;

Rect View::frame() const {
    const QRect g = geometry();
    return {float(g.x()), float(g.y()), float(g.width()), float(g.height())};
}

Rect View::bounds() const {
    return {_boundsOrigin, Size{float(width() / _scaleX), float(height() / _scaleY)}};
}

void View::setBoundsOrigin(Point origin) {
    _boundsOrigin = origin;
    update();
}

void View::setBoundsSize(Size size) {
    if (!(size.width > 0) || !(size.height > 0) || width() <= 0 || height() <= 0)
        return;
    _scaleX = width() / double(size.width);
    _scaleY = height() / double(size.height);
    update();
}

void View::setNeedsDisplayInRect(const Rect& rect) {
    update(widgetRectFromBounds(rect).toAlignedRect());
}

void View::setNeedsDisplay(bool flag) {
    if (flag)
        update();
}

QRectF View::widgetRectFromBounds(const Rect& rect) const {
    const double x = (rect.minX() - _boundsOrigin.x) * _scaleX;
    const double w = rect.width() * _scaleX;
    const double h = rect.height() * _scaleY;
    const double y = isFlipped() ? (rect.minY() - _boundsOrigin.y) * _scaleY
                                 : height() - (rect.maxY() - _boundsOrigin.y) * _scaleY;
    return {x, y, w, h};
}

Point View::boundsPointFromWidget(const QPointF& point) const {
    const double y = isFlipped() ? point.y() : height() - point.y();
    return {float(point.x() / _scaleX + _boundsOrigin.x), float(y / _scaleY + _boundsOrigin.y)};
}

View* View::focusView() {
    if (tFocusViews.empty())
        return nullptr;
    const FocusEntry& top = tFocusViews.back();
    return top.context == GraphicsContext::currentContext() ? top.view : nullptr;
}

void View::drawRect(const Rect&) {}

void View::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const Rect b = bounds();
    GraphicsContext context(painter, b.size, DestinationKind::Screen, isFlipped(), QRectF(rect()));
    if (!_shadowRenderer)
        _shadowRenderer = std::make_unique<ShadowRenderer>();
    context.setShadowRenderer(_shadowRenderer.get());
    AffineTransform toBounds;
    toBounds.translateXByYBy(-b.minX(), -b.minY());
    context.concat(toBounds);
    GraphicsContext::Focus focus(context);
    FocusViewScope scope(this, &context);
    const QRectF dirty = event->rect();
    const Point a = boundsPointFromWidget(dirty.topLeft());
    const Point c = boundsPointFromWidget(dirty.bottomRight());
    drawRect({std::min(a.x, c.x), std::min(a.y, c.y), std::abs(c.x - a.x), std::abs(c.y - a.y)});
}

void View::displayRectInContext(const Rect& rect, GraphicsContext& context) {
    GraphicsContext::Focus focus(context);
    FocusViewScope scope(this, &context);
    drawRect(rect);
}

bool View::knowsPageRange(PageRange&) {
    return false;
}

Rect View::rectForPage(int) {
    return bounds();
}

// ---------------------------------------------------------------------------
// Drag destination

void View::registerForDraggedTypes(const QStringList& types) {
    for (const QString& type : types)
        if (!_draggedTypes.contains(type))
            _draggedTypes.append(type);
    setAcceptDrops(!_draggedTypes.isEmpty());
}

void View::unregisterDraggedTypes() {
    _draggedTypes.clear();
    setAcceptDrops(false);
}

bool View::offersDraggedType(const QDropEvent& event) const {
    return !Pasteboard(event.mimeData()).availableTypeFromArray(_draggedTypes).isNull();
}

void View::setDragHilight(bool flag) {
    if (flag == _dragHilightState)
        return;
    _dragHilightState = flag;
    update();
}

bool View::canIHandleDrag(const DraggingInfo&) {
    return false;
}

uint32_t View::draggingEntered(const DraggingInfo& info) {
    if (!canIHandleDrag(info))
        return DragOperationNone;
    setDragHilight(true);
    return DragOperationGeneric;
}

uint32_t View::draggingUpdated(const DraggingInfo&) {
    return _enteredOperation;
}

void View::draggingExited() {
    setDragHilight(false);
}

bool View::prepareForDragOperation(const DraggingInfo& info) {
    setDragHilight(false);
    return canIHandleDrag(info);
}

bool View::performDragOperation(const DraggingInfo& info) {
    setDragHilight(false);
    return canIHandleDrag(info);
}

void View::concludeDragOperation(const DraggingInfo&) {}

void View::dragEnterEvent(QDragEnterEvent* event) {
    _enteredOperation = DragOperationNone;
    if (!offersDraggedType(*event)) {
        event->ignore();
        return;
    }
    _enteredOperation = draggingEntered(DraggingInfo(*event, *this));
    // Accepted whatever the answer, so that moves keep arriving and the
    // answer may change over the view.
    event->accept();
    event->setDropAction(dropActionFor(_enteredOperation, *event));
}

void View::dragMoveEvent(QDragMoveEvent* event) {
    if (!offersDraggedType(*event)) {
        event->ignore();
        return;
    }
    const Qt::DropAction action =
        dropActionFor(draggingUpdated(DraggingInfo(*event, *this)), *event);
    event->setDropAction(action);
    if (action == Qt::IgnoreAction)
        event->ignore();
    else
        event->accept();
}

void View::dragLeaveEvent(QDragLeaveEvent* event) {
    draggingExited();
    event->accept();
}

void View::dropEvent(QDropEvent* event) {
    if (!offersDraggedType(*event)) {
        event->ignore();
        return;
    }
    const DraggingInfo info(*event, *this);
    if (!prepareForDragOperation(info) || !performDragOperation(info)) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    concludeDragOperation(info);
}
