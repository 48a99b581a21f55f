#include "platform/ui/ClipView.h"

#include "platform/documents/View.h"

#include <QEvent>
#include <QResizeEvent>
#include <algorithm>
#include <cmath>

ClipView::ClipView(QWidget* parent) : QWidget(parent) {}

ClipView::~ClipView() = default;

void ClipView::setDocumentView(View* view) {
    if (view == _documentView)
        return;
    if (_documentView) {
        _documentView->removeEventFilter(this);
        delete _documentView.data();
    }
    _documentView = view;
    _scrollPoint = {};
    if (view) {
        view->setParent(this);
        view->installEventFilter(this);
        _scrollPoint = constrainScrollPoint(view->bounds().origin);
        placeDocument();
        view->show();
    }
    Q_EMIT boundsDidChange();
}

QPointF ClipView::documentScale() const {
    if (!_documentView)
        return {1, 1};
    const Rect b = _documentView->bounds();
    return {b.width() > 0 ? _documentView->width() / double(b.width()) : 1.0,
            b.height() > 0 ? _documentView->height() / double(b.height()) : 1.0};
}

Point ClipView::constrainScrollPoint(Point proposed) const {
    if (!_documentView)
        return proposed;
    const Rect b = _documentView->bounds();
    const QPointF scale = documentScale();
    const float visibleWidth = float(width() / scale.x());
    const float visibleHeight = float(height() / scale.y());
    const float maxX = std::max(b.minX(), b.maxX() - visibleWidth);
    const float maxY = std::max(b.minY(), b.maxY() - visibleHeight);
    return {std::clamp(proposed.x, b.minX(), maxX), std::clamp(proposed.y, b.minY(), maxY)};
}

void ClipView::scrollToPoint(Point point) {
    const Point constrained = constrainScrollPoint(point);
    if (constrained == _scrollPoint)
        return;
    _scrollPoint = constrained;
    placeDocument();
    Q_EMIT boundsDidChange();
}

void ClipView::placeDocument() {
    if (!_documentView)
        return;
    // The scroll point is the visible part's lower-left corner, or its upper
    // left in a flipped document; either way it sits on a clip view corner.
    const QRectF corner = _documentView->widgetRectFromBounds({_scrollPoint, kZeroSize});
    const double top = _documentView->isFlipped() ? corner.y() : corner.y() - height();
    _documentView->move(-int(std::lround(corner.x())), -int(std::lround(top)));
}

QPoint ClipView::documentOffset() const {
    return _documentView ? -_documentView->pos() : QPoint();
}

void ClipView::scrollToDocumentOffset(const QPoint& offset) {
    if (!_documentView)
        return;
    const QPointF corner =
        _documentView->isFlipped() ? QPointF(offset) : QPointF(offset.x(), offset.y() + height());
    scrollToPoint(_documentView->boundsPointFromWidget(corner));
}

Rect ClipView::documentVisibleRect() const {
    if (!_documentView)
        return kZeroRect;
    const QRectF shown =
        QRectF(documentOffset(), QSizeF(size())).intersected(QRectF(_documentView->rect()));
    if (shown.isEmpty())
        return kZeroRect;
    const Point a = _documentView->boundsPointFromWidget(shown.topLeft());
    const Point c = _documentView->boundsPointFromWidget(shown.bottomRight());
    return {std::min(a.x, c.x), std::min(a.y, c.y), std::abs(c.x - a.x), std::abs(c.y - a.y)};
}

bool ClipView::autoscroll(const QPoint& globalPosition) {
    if (!_documentView)
        return false;
    const QPoint p = mapFromGlobal(globalPosition);
    auto overflow = [](int v, int extent) {
        if (v < 0)
            return v;
        return v >= extent ? v - extent + 1 : 0;
    };
    const QPoint by(overflow(p.x(), width()), overflow(p.y(), height()));
    if (by.isNull())
        return false;
    const QPoint before = documentOffset();
    scrollToDocumentOffset(before + by);
    return documentOffset() != before;
}

void ClipView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    _scrollPoint = constrainScrollPoint(_scrollPoint);
    placeDocument();
    Q_EMIT boundsDidChange();
}

bool ClipView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == _documentView && event->type() == QEvent::Resize) {
        _scrollPoint = constrainScrollPoint(_scrollPoint);
        placeDocument();
        Q_EMIT boundsDidChange();
    }
    return QWidget::eventFilter(watched, event);
}
