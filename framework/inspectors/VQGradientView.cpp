#include "framework/inspectors/VQGradientView.h"

#include "framework/inspectors/VQGradientDelegate.h"
#include "platform/archiving/Archiver.h"
#include "platform/archiving/Unarchiver.h"
#include "platform/graphics/AffineTransform.h"
#include "platform/graphics/BezierPath.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/ui/DragReferences.h"
#include "platform/ui/DraggingInfo.h"
#include "platform/ui/Pasteboard.h"

#include <QContextMenuEvent>
#include <QDrag>
#include <QImage>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

namespace {

QString str(const char* text) {
    return QString::fromLatin1(text);
}

// The dragged picture of a gradient view.
constexpr int kDragImageWidth = 20;
constexpr int kDragImageHeight = 15;

} // namespace

VQGradientView::VQGradientView(QWidget* parent) : View(parent) {
    registerForDraggedTypes({str(kDragDropGradientSettingsPboardType)});
}

VQGradientView::~VQGradientView() = default;

void VQGradientView::setGradientFill(const VQGradientFillRef& fill) {
    if (fill == _gradientFill)
        return;
    _gradientFill = fill;
    update();
}

void VQGradientView::setDelegate(VQGradientDelegate* delegate) {
    _myDelegate = delegate;
    update();
}

void VQGradientView::setDrawsCompass(bool draws) {
    if (draws == _drawsCompass)
        return;
    _drawsCompass = draws;
    update();
}

void VQGradientView::setDrawsBorder(bool draws) {
    if (draws == _drawsBorder)
        return;
    _drawsBorder = draws;
    update();
}

bool VQGradientView::canIHandleDrag(const DraggingInfo&) {
    // Presets reach the preview by a click on their cell, not by a drop.
    return false;
}

void VQGradientView::drawInFrame(const Rect& frame) {
    GraphicsContext* context = GraphicsContext::currentContext();
    if (!context)
        return;
    context->saveGraphicsState();
    if (dragHilight()) {
        context->setFillColor(palette().color(QPalette::Highlight));
        context->frameRect(frame, 2);
        context->setColor(Qt::black);
    } else if (_drawsBorder) {
        // A sunken white bezel.
        context->setFillColor(QColor(128, 128, 128));
        context->frameRect(frame, 1);
        context->setFillColor(Qt::white);
        context->frameRect(insetRect(frame, 1, 1), 1);
    }
    if (_gradientFill) {
        const Rect inside = insetRect(frame, 2, 2);
        context->rectClip(inside);
        // This view counts upward, whatever the fill was last drawn into.
        const bool flipped = _gradientFill->drawsFlipped();
        _gradientFill->setDrawsFlipped(false);
        _gradientFill->fillRect(inside);
        _gradientFill->setDrawsFlipped(flipped);
    }
    context->restoreGraphicsState();
}

void VQGradientView::drawRect(const Rect&) {
    if (!_myDelegate)
        return;
    drawInFrame(bounds());
    if (_drawsCompass && _gradientFill && _gradientFill->kind() == VQGradientFill::Axial)
        drawCompass();
}

void VQGradientView::drawCompass() {
    GraphicsContext* context = GraphicsContext::currentContext();
    if (!context)
        return;
    const Rect b = bounds();
    const float hw = float(int(b.width() / 2));
    const float hh = float(int(b.height() / 2));
    context->saveGraphicsState();
    context->rectClip(insetRect(b, 2, 2));
    // Turned about the centre so that the line runs along the fill's angle,
    // which counts clockwise on the screen.
    AffineTransform turn;
    turn.translateXByYBy(hw, hh);
    turn.rotateByDegrees(360 - _gradientFill->angle());
    turn.translateXByYBy(-hw, -hh);
    context->concat(turn);
    const auto line = [&](float y, const QColor& color) {
        BezierPath path;
        path.moveToPoint({b.minX(), y});
        path.lineToPoint({b.maxX(), y});
        context->setStrokeColor(color);
        context->strokePath(path);
    };
    line(b.minY() + hh, Qt::black);
    line(b.minY() + hh - 1, Qt::white);
    context->restoreGraphicsState();
}

void VQGradientView::mousePressEvent(QMouseEvent* event) {
    _dragging = false;
    View::mousePressEvent(event);
}

void VQGradientView::mouseMoveEvent(QMouseEvent* event) {
    if (_dragEnabled && (event->buttons() & Qt::LeftButton) && !_dragging && _gradientFill) {
        // One drag per press.
        _dragging = true;
        dragGradient();
        return;
    }
    View::mouseMoveEvent(event);
}

void VQGradientView::dragGradient() {
    QImage image(kDragImageWidth, kDragImageHeight, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        GraphicsContext context(painter, Size{float(kDragImageWidth), float(kDragImageHeight)},
                                DestinationKind::Image);
        const GraphicsContext::Focus focus(context);
        const bool border = _drawsBorder;
        _drawsBorder = false;
        drawInFrame(Rect(0, 0, kDragImageWidth, kDragImageHeight));
        _drawsBorder = border;
    }
    auto* data = new PasteboardData(this);
    DragReferences::writeReference(*data, str(kDragDropGradientViewPboardType), _gradientFill);
    QDrag drag(this);
    drag.setMimeData(data);
    drag.setPixmap(QPixmap::fromImage(image));
    drag.setHotSpot(QPoint(kDragImageWidth / 2, kDragImageHeight / 2));
    DragSession::runDrag(drag, Qt::CopyAction, Qt::CopyAction);
}

void VQGradientView::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = _myDelegate ? _myDelegate->menuForEvent(this, event->pos()) : nullptr;
    if (!menu) {
        event->ignore();
        return;
    }
    menu->popup(event->globalPos());
}

void VQGradientView::concludeDragOperation(const DraggingInfo& info) {
    const VQGradientFillRef fill = DragReferences::readReference<VQGradientFill>(
        info.draggingPasteboard(), str(kDragDropGradientSettingsPboardType));
    if (!fill)
        return;
    setGradientFill(fill->copy());
    if (_myDelegate)
        _myDelegate->gradientViewDragConcluded(this);
}

VQGradientView* VQGradientView::copy(QWidget* parent) const {
    auto* view = new VQGradientView(parent);
    view->setGeometry(geometry());
    view->_gradientFill = _gradientFill;
    view->_myDelegate = _myDelegate;
    view->_drawsCompass = _drawsCompass;
    view->_dragEnabled = _dragEnabled;
    view->_drawsBorder = _drawsBorder;
    return view;
}

QByteArray VQGradientView::archivedData() const {
    QVariantMap dictionary;
    if (_gradientFill)
        dictionary.insert(str(kVQGFillKey), variantFromObject(_gradientFill));
    return Archiver::archivedData(dictionary);
}

bool VQGradientView::initWithArchivedData(const QByteArray& data) {
    const QVariant root = Unarchiver::unarchiveObject(data);
    if (root.metaType() != QMetaType::fromType<QVariantMap>())
        return false;
    const QVariantMap dictionary = root.toMap();
    if (dictionary.contains(str(kVQGFillKey))) {
        VQGradientFillRef fill =
            objectFromVariantAs<VQGradientFill>(dictionary.value(str(kVQGFillKey)));
        if (!fill)
            return false;
        setGradientFill(fill);
    }
    _myDelegate = nullptr;
    update();
    return true;
}
