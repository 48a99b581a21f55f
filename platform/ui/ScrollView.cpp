#include "platform/ui/ScrollView.h"

#include "platform/documents/View.h"
#include "platform/ui/ClipView.h"
#include "platform/ui/RulerView.h"

#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QWheelEvent>
#include <algorithm>

namespace {

// Wheel steps (of 15 degrees) count this many lines, as scrolling elsewhere does.
constexpr int kLinesPerWheelStep = 3;

} // namespace

ScrollView::ScrollView(QWidget* parent)
    : QWidget(parent), _clipView(new ClipView(this)),
      _verticalScroller(new QScrollBar(Qt::Vertical, this)),
      _horizontalScroller(new QScrollBar(Qt::Horizontal, this)) {
    _verticalScroller->hide();
    _horizontalScroller->hide();
    _verticalScroller->setSingleStep(_lineScroll);
    _horizontalScroller->setSingleStep(_lineScroll);
    connect(_verticalScroller, &QScrollBar::valueChanged, this, &ScrollView::scrollerMoved);
    connect(_horizontalScroller, &QScrollBar::valueChanged, this, &ScrollView::scrollerMoved);
    connect(_clipView, &ClipView::boundsDidChange, this, [this] {
        reflectScrolledClipView(_clipView);
        // Rulers follow the document's scrolling and scale.
        for (RulerView* ruler : {_horizontalRuler, _verticalRuler})
            if (ruler)
                ruler->update();
    });
    tile();
}

ScrollView::~ScrollView() = default;

View* ScrollView::documentView() const {
    return _clipView->documentView();
}

void ScrollView::setDocumentView(View* view) {
    _clipView->setDocumentView(view);
    for (RulerView* ruler : {_horizontalRuler, _verticalRuler})
        if (ruler && !ruler->clientView())
            ruler->setClientView(view);
}

Rect ScrollView::documentVisibleRect() const {
    return _clipView->documentVisibleRect();
}

Size ScrollView::contentSize() const {
    return {float(_clipView->width()), float(_clipView->height())};
}

void ScrollView::setHasVerticalScroller(bool flag) {
    _hasVerticalScroller = flag;
    tile();
}

void ScrollView::setHasHorizontalScroller(bool flag) {
    _hasHorizontalScroller = flag;
    tile();
}

void ScrollView::setBorderType(BorderType type) {
    _borderType = type;
    tile();
    update();
}

void ScrollView::setLineScroll(int pixels) {
    _lineScroll = std::max(1, pixels);
    _verticalScroller->setSingleStep(_lineScroll);
    _horizontalScroller->setSingleStep(_lineScroll);
}

int ScrollView::borderWidth() const {
    return _borderType == BorderType::NoBorder ? 0 : 1;
}

void ScrollView::tile() {
    const QRect inside =
        rect().adjusted(borderWidth(), borderWidth(), -borderWidth(), -borderWidth());
    const int extent = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    const int right = _hasVerticalScroller ? extent : 0;
    const int bottom = _hasHorizontalScroller ? extent : 0;
    const bool showsHorizontalRuler = _rulersVisible && _hasHorizontalRuler && _horizontalRuler;
    const bool showsVerticalRuler = _rulersVisible && _hasVerticalRuler && _verticalRuler;
    const int top = showsHorizontalRuler ? _horizontalRuler->requiredThickness() : 0;
    const int left = showsVerticalRuler ? _verticalRuler->requiredThickness() : 0;
    const QRect clip(inside.x() + left, inside.y() + top,
                     std::max(0, inside.width() - right - left),
                     std::max(0, inside.height() - bottom - top));
    _clipView->setGeometry(clip);
    _verticalScroller->setGeometry(clip.right() + 1, clip.y(), right, clip.height());
    _horizontalScroller->setGeometry(clip.x(), clip.bottom() + 1, clip.width(), bottom);
    _verticalScroller->setVisible(_hasVerticalScroller);
    _horizontalScroller->setVisible(_hasHorizontalScroller);
    if (_horizontalRuler) {
        _horizontalRuler->setGeometry(clip.x(), inside.y(), clip.width(), top);
        _horizontalRuler->setVisible(showsHorizontalRuler);
    }
    if (_verticalRuler) {
        _verticalRuler->setGeometry(inside.x(), clip.y(), left, clip.height());
        _verticalRuler->setVisible(showsVerticalRuler);
    }
    reflectScrolledClipView(_clipView);
}

void ScrollView::setHasHorizontalRuler(bool flag) {
    _hasHorizontalRuler = flag;
    if (flag)
        horizontalRulerView();
    tile();
}

void ScrollView::setHasVerticalRuler(bool flag) {
    _hasVerticalRuler = flag;
    if (flag)
        verticalRulerView();
    tile();
}

void ScrollView::setRulersVisible(bool flag) {
    _rulersVisible = flag;
    tile();
}

RulerView* ScrollView::horizontalRulerView() {
    if (!_horizontalRuler) {
        _horizontalRuler = new RulerView(RulerView::Orientation::Horizontal, this);
        _horizontalRuler->setClientView(documentView());
        _horizontalRuler->hide();
    }
    return _horizontalRuler;
}

RulerView* ScrollView::verticalRulerView() {
    if (!_verticalRuler) {
        _verticalRuler = new RulerView(RulerView::Orientation::Vertical, this);
        _verticalRuler->setClientView(documentView());
        _verticalRuler->hide();
    }
    return _verticalRuler;
}

void ScrollView::setHorizontalRulerView(RulerView* ruler) {
    adoptRuler(_horizontalRuler, ruler);
}

void ScrollView::setVerticalRulerView(RulerView* ruler) {
    adoptRuler(_verticalRuler, ruler);
}

void ScrollView::adoptRuler(RulerView*& slot, RulerView* ruler) {
    if (ruler == slot)
        return;
    delete slot;
    slot = ruler;
    if (ruler) {
        ruler->setParent(this);
        if (!ruler->clientView())
            ruler->setClientView(documentView());
        ruler->hide();
    }
    tile();
}

void ScrollView::reflectScrolledClipView(ClipView* clipView) {
    if (clipView != _clipView)
        return;
    const View* document = documentView();
    const QPoint offset = _clipView->documentOffset();
    const QSignalBlocker blockVertical(_verticalScroller);
    const QSignalBlocker blockHorizontal(_horizontalScroller);
    const int maxY = document ? std::max(0, document->height() - _clipView->height()) : 0;
    const int maxX = document ? std::max(0, document->width() - _clipView->width()) : 0;
    _verticalScroller->setRange(0, maxY);
    _verticalScroller->setPageStep(std::max(1, _clipView->height()));
    _verticalScroller->setValue(std::clamp(offset.y(), 0, maxY));
    _horizontalScroller->setRange(0, maxX);
    _horizontalScroller->setPageStep(std::max(1, _clipView->width()));
    _horizontalScroller->setValue(std::clamp(offset.x(), 0, maxX));
}

void ScrollView::scrollerMoved() {
    _clipView->scrollToDocumentOffset({_horizontalScroller->value(), _verticalScroller->value()});
}

ScrollView* ScrollView::enclosingScrollView(const QWidget* widget) {
    for (QWidget* w = widget ? widget->parentWidget() : nullptr; w; w = w->parentWidget())
        if (auto* clip = qobject_cast<ClipView*>(w))
            return qobject_cast<ScrollView*>(clip->parentWidget());
    return nullptr;
}

void ScrollView::frameChanged() {
    tile();
    viewFrameChanged();
    Q_EMIT frameDidChange();
}

bool ScrollView::event(QEvent* event) {
    // A ruler that changed its depth asks for room.
    if (event->type() == QEvent::LayoutRequest)
        tile();
    return QWidget::event(event);
}

void ScrollView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    frameChanged();
}

void ScrollView::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    frameChanged();
}

void ScrollView::paintEvent(QPaintEvent*) {
    if (_borderType == BorderType::NoBorder)
        return;
    QPainter painter(this);
    painter.setPen(_borderType == BorderType::LineBorder ? palette().color(QPalette::WindowText)
                                                         : palette().color(QPalette::Mid));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void ScrollView::wheelEvent(QWheelEvent* event) {
    QPoint by = event->pixelDelta();
    if (by.isNull())
        by = event->angleDelta() / 120 * kLinesPerWheelStep * _lineScroll;
    if (event->modifiers() & Qt::ShiftModifier)
        by = {by.y(), by.x()};
    if (by.isNull()) {
        event->ignore();
        return;
    }
    _clipView->scrollToDocumentOffset(_clipView->documentOffset() - by);
    event->accept();
}
