#include "platform/graphics/GraphicsContext.h"

#include "platform/graphics/BezierPath.h"
#include "platform/graphics/Image.h"
#include "platform/graphics/Shading.h"
#include "platform/graphics/ShadowRenderer.h"

#include <QDataStream>
#include <QIODevice>
#include <QPaintDevice>
#include <algorithm>
#include <cmath>

namespace {

thread_local std::vector<GraphicsContext*> focusStack;

// Screen shadows are made at the display's pixel ratio; printer shadows at
// no more than this many pixels per point, which is sharper than a blur needs.
constexpr double kPrinterShadowPixelsPerPoint = 300.0 / 72.0;

double linearScale(const QTransform& t) {
    return std::sqrt(std::abs(t.determinant()));
}

} // namespace

GraphicsContext::GraphicsContext(QPainter& painter, Size size, DestinationKind kind, bool flipped,
                                 const QRectF& area)
    : _painter(painter), _size(size), _kind(kind), _flipped(flipped),
      _active(painter.isActive() && painter.device()) {
    QRectF a = area;
    if (a.isNull() && painter.device())
        a = QRectF(0, 0, painter.device()->width(), painter.device()->height());
    const double sx = size.width > 0 ? a.width() / size.width : 1.0;
    const double sy = size.height > 0 ? a.height() / size.height : 1.0;
    const bool baseFlipped = flipped && kind == DestinationKind::Image;
    const QTransform baseToArea = baseFlipped ? QTransform(sx, 0, 0, sy, a.x(), a.y())
                                              : QTransform(sx, 0, 0, -sy, a.x(), a.bottom());
    if (_active) {
        _painter.save();
        _painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform |
                                QPainter::TextAntialiasing);
        _deviceFromBase = baseToArea * _painter.worldTransform();
    } else {
        _deviceFromBase = baseToArea;
    }
    if (flipped && !baseFlipped) {
        _state.transform.translateXByYBy(0, size.height);
        _state.transform.scaleXByYBy(1, -1);
    }
}

GraphicsContext::~GraphicsContext() {
    std::erase(focusStack, this);
    if (!_active)
        return;
    for (size_t i = 0; i < _saved.size(); ++i)
        _painter.restore();
    _painter.restore();
}

GraphicsContext* GraphicsContext::currentContext() {
    return focusStack.empty() ? nullptr : focusStack.back();
}

void GraphicsContext::pushFocus(GraphicsContext* context) {
    if (context)
        focusStack.push_back(context);
}

void GraphicsContext::popFocus() {
    if (!focusStack.empty())
        focusStack.pop_back();
}

GraphicsContext::Focus::Focus(GraphicsContext& context) : _context(&context) {
    pushFocus(_context);
}

GraphicsContext::Focus::~Focus() {
    const auto it = std::find(focusStack.rbegin(), focusStack.rend(), _context);
    if (it != focusStack.rend())
        focusStack.erase(std::next(it).base());
}

void GraphicsContext::saveGraphicsState() {
    _saved.push_back(_state);
    if (_active)
        _painter.save();
}

void GraphicsContext::restoreGraphicsState() {
    if (_saved.empty())
        return;
    _state = _saved.back();
    _saved.pop_back();
    if (_active)
        _painter.restore();
}

void GraphicsContext::concat(const AffineTransform& transform) {
    _state.transform.prependTransform(transform);
}

QTransform GraphicsContext::deviceTransform() const {
    return _state.transform.toQTransform() * _deviceFromBase;
}

void GraphicsContext::setColor(const QColor& color) {
    _state.fillColor = color;
    _state.strokeColor = color;
}

QRectF GraphicsContext::deviceBounds(const QRectF& userRect) const {
    return deviceTransform().mapRect(userRect.normalized());
}

double GraphicsContext::shadowRasterScale() const {
    switch (_kind) {
    case DestinationKind::Screen:
        return _painter.device() ? _painter.device()->devicePixelRatioF() : 1.0;
    case DestinationKind::Printer: {
        const double perPoint = linearScale(_deviceFromBase);
        return perPoint > kPrinterShadowPixelsPerPoint ? kPrinterShadowPixelsPerPoint / perPoint
                                                       : 1.0;
    }
    case DestinationKind::Image:
        break;
    }
    return 1.0;
}

void GraphicsContext::draw(const QRectF& deviceBounds, CompositingOperation op,
                           const std::function<void(QPainter&)>& paint, const QByteArray& shadowKey,
                           const QPointF& shadowKeyOrigin) {
    if (!_active)
        return;
    _painter.setWorldTransform(deviceTransform());
    if (_state.shadow && _state.shadow->color.alpha() > 0) {
        const ShadowValue& s = *_state.shadow;
        const QPointF offset = _deviceFromBase.map(QPointF(s.offset.width, s.offset.height)) -
                               _deviceFromBase.map(QPointF(0, 0));
        ShadowRenderer* renderer = _sharedShadowRenderer;
        if (!renderer) {
            if (!_shadowRenderer)
                _shadowRenderer = std::make_unique<ShadowRenderer>();
            renderer = _shadowRenderer.get();
        }
        const ShadowRenderer::Shadow device{offset, s.blurRadius * linearScale(_deviceFromBase),
                                            s.color, shadowRasterScale()};
        renderer->render(_painter, deviceBounds.adjusted(-1, -1, 1, 1), device, paint, shadowKey,
                         shadowKeyOrigin);
    }
    Compositing::draw(_painter, op, deviceBounds.adjusted(-1, -1, 1, 1), paint);
}

namespace {

// Names a drawing for the shadow cache, only when a shadow will be drawn.
template <typename... Parts> QByteArray shadowKeyOf(bool shadowed, const Parts&... parts) {
    QByteArray key;
    if (shadowed) {
        QDataStream out(&key, QIODevice::WriteOnly);
        (out << ... << parts);
    }
    return key;
}

} // namespace

void GraphicsContext::fillPath(const BezierPath& path) {
    const QPainterPath qpath = path.toQPainterPath();
    const QColor color = _state.fillColor;
    draw(
        deviceBounds(qpath.controlPointRect()), _state.operation,
        [&qpath, color](QPainter& p) { p.fillPath(qpath, color); },
        shadowKeyOf(_state.shadow.has_value(), QByteArray("fill"),
                    qpath.translated(-qpath.controlPointRect().topLeft()), color),
        qpath.controlPointRect().topLeft());
}

void GraphicsContext::strokePath(const BezierPath& path) {
    const QPainterPath qpath = path.toQPainterPath();
    const QPen pen = path.qPen(QBrush(_state.strokeColor));
    const double width = std::max(0.0f, path.lineWidth());
    const double reach = path.lineJoinStyle() == LineJoinStyle::Miter
                             ? width / 2 * std::max(1.5, double(path.miterLimit()))
                             : width * 0.75;
    const QRectF user = qpath.controlPointRect().adjusted(-reach, -reach, reach, reach);
    draw(
        deviceBounds(user).adjusted(-1, -1, 1, 1), _state.operation,
        [&qpath, &pen](QPainter& p) { p.strokePath(qpath, pen); },
        shadowKeyOf(_state.shadow.has_value(), QByteArray("stroke"),
                    qpath.translated(-qpath.controlPointRect().topLeft()), pen),
        qpath.controlPointRect().topLeft());
}

void GraphicsContext::addClip(const BezierPath& path) {
    if (!_active)
        return;
    _painter.setWorldTransform(deviceTransform());
    _painter.setClipPath(path.toQPainterPath(), Qt::IntersectClip);
}

void GraphicsContext::setClip(const BezierPath& path) {
    if (!_active)
        return;
    _painter.setWorldTransform(deviceTransform());
    _painter.setClipPath(path.toQPainterPath(), Qt::ReplaceClip);
}

void GraphicsContext::rectFill(const Rect& rect) {
    rectFillUsingOperation(rect, CompositingOperation::Copy);
}

void GraphicsContext::rectFillUsingOperation(const Rect& rect, CompositingOperation op) {
    const QRectF r = rect.toQRectF().normalized();
    const QColor color = _state.fillColor;
    draw(
        deviceBounds(r), op, [r, color](QPainter& p) { p.fillRect(r, color); },
        shadowKeyOf(_state.shadow.has_value(), QByteArray("rect"), r.size(), color), r.topLeft());
}

void GraphicsContext::frameRect(const Rect& rect, float width) {
    BezierPath frame = BezierPath::bezierPathWithRect(rect);
    frame.appendBezierPathWithRect(insetRect(rect, width, width));
    frame.setWindingRule(WindingRule::EvenOdd);
    fillPath(frame);
}

void GraphicsContext::rectClip(const Rect& rect) {
    addClip(BezierPath::bezierPathWithRect(rect));
}

namespace {

bool scalesAlphaByOpacity(CompositingOperation op) {
    return op == CompositingOperation::SourceOver || op == CompositingOperation::Highlight;
}

QImage withScaledAlpha(const QImage& source, const QRect& part, float fraction) {
    QImage out = source.copy(part).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const quint32 f = quint32(std::lround(fraction * 256.0f));
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<quint32*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const quint32 p = line[x];
            const quint32 rb = (((p & 0x00ff00ffu) * f) >> 8) & 0x00ff00ffu;
            const quint32 ag = (((p >> 8) & 0x00ff00ffu) * f) & 0xff00ff00u;
            line[x] = rb | ag;
        }
    }
    return out;
}

} // namespace

void GraphicsContext::drawImage(const Image& image, const Rect& destination, const Rect& source,
                                CompositingOperation op, float fraction) {
    if (!_active || image.isNull() || destination.width() == 0 || destination.height() == 0)
        return;
    fraction = std::clamp(std::isnan(fraction) ? 0.0f : fraction, 0.0f, 1.0f);
    const QImage& pixels = image.pixels();
    const double pw = pixels.width(), ph = pixels.height();
    const double w = image.size().width > 0 ? image.size().width : pw;
    const double h = image.size().height > 0 ? image.size().height : ph;
    QRectF part(0, 0, pw, ph);
    if (!(source == kZeroRect)) {
        if (source.isEmpty())
            return;
        const double kx = pw / w, ky = ph / h;
        part = QRectF(source.minX() * kx, (h - source.maxY()) * ky, source.width() * kx,
                      source.height() * ky) &
               QRectF(0, 0, pw, ph);
        if (part.isEmpty())
            return;
    }
    // Pixel coordinates of the part to user space.
    const double sx = destination.width() / part.width();
    const double sy = destination.height() / part.height();
    const QTransform toUser = image.isFlipped()
                                  ? QTransform(sx, 0, 0, sy, destination.minX() - part.x() * sx,
                                               destination.minY() - part.y() * sy)
                                  : QTransform(sx, 0, 0, -sy, destination.minX() - part.x() * sx,
                                               destination.maxY() + part.y() * sy);

    QImage drawn = pixels;
    QRectF drawnPart = part;
    qreal opacity = 1.0;
    if (fraction < 1.0f) {
        if (scalesAlphaByOpacity(op)) {
            opacity = fraction;
        } else {
            // The fraction scales the source before the operation, so an
            // operation that replaces or masks sees the faded source.
            const QRect whole = part.toAlignedRect();
            drawn = withScaledAlpha(pixels, whole, fraction);
            drawnPart = part.translated(-whole.topLeft());
        }
    }
    const QTransform placement =
        QTransform::fromTranslate(part.x() - drawnPart.x(), part.y() - drawnPart.y()) * toUser;
    auto paint = [&](QPainter& p) {
        const QTransform world = p.worldTransform();
        const qreal previousOpacity = p.opacity();
        p.setWorldTransform(placement * world);
        p.setOpacity(previousOpacity * opacity);
        p.drawImage(drawnPart, drawn, drawnPart);
        p.setOpacity(previousOpacity);
        p.setWorldTransform(world);
    };
    draw(
        deviceBounds(destination.toQRectF()), op, paint,
        shadowKeyOf(_state.shadow.has_value(), QByteArray("image"), drawn.cacheKey(), drawnPart,
                    placement * QTransform::fromTranslate(-destination.minX(), -destination.minY()),
                    opacity),
        QPointF(destination.minX(), destination.minY()));
}

void GraphicsContext::drawShading(const Shading& shading) {
    if (!_active || !_painter.device())
        return;
    const QTransform toDevice = deviceTransform();
    if (!toDevice.isInvertible())
        return;
    QRectF area(0, 0, _painter.device()->width(), _painter.device()->height());
    if (_painter.hasClipping()) {
        _painter.setWorldTransform(QTransform());
        area &= _painter.clipBoundingRect();
    }
    if (area.isEmpty())
        return;
    QPainterPath userArea;
    userArea.addPolygon(toDevice.inverted().map(QPolygonF(area)));
    userArea.closeSubpath();
    const QBrush brush = shading.brush();
    draw(area, _state.operation, [&](QPainter& p) { p.fillPath(userArea, brush); });
}

void GraphicsContext::drawWithPainter(const Rect& userBounds,
                                      const std::function<void(QPainter&)>& paint) {
    draw(deviceBounds(userBounds.toQRectF()), _state.operation, [&paint](QPainter& p) {
        p.save();
        paint(p);
        p.restore();
    });
}
