#include "platform/graphics/Compositing.h"

#include <QImage>
#include <QPaintEngine>
#include <QPainterPath>
#include <algorithm>

CompositingOperation Compositing::operationFromInt(int value) {
    if (value < int(CompositingOperation::Clear) || value > int(CompositingOperation::PlusLighter))
        return CompositingOperation::SourceOver;
    return CompositingOperation(value);
}

bool Compositing::qtMode(CompositingOperation op, QPainter::CompositionMode* mode) {
    QPainter::CompositionMode m = QPainter::CompositionMode_SourceOver;
    switch (op) {
    case CompositingOperation::Clear:
        m = QPainter::CompositionMode_Clear;
        break;
    case CompositingOperation::Copy:
        m = QPainter::CompositionMode_Source;
        break;
    case CompositingOperation::SourceOver:
    case CompositingOperation::Highlight:
        m = QPainter::CompositionMode_SourceOver;
        break;
    case CompositingOperation::SourceIn:
        m = QPainter::CompositionMode_SourceIn;
        break;
    case CompositingOperation::SourceOut:
        m = QPainter::CompositionMode_SourceOut;
        break;
    case CompositingOperation::SourceAtop:
        m = QPainter::CompositionMode_SourceAtop;
        break;
    case CompositingOperation::DestinationOver:
        m = QPainter::CompositionMode_DestinationOver;
        break;
    case CompositingOperation::DestinationIn:
        m = QPainter::CompositionMode_DestinationIn;
        break;
    case CompositingOperation::DestinationOut:
        m = QPainter::CompositionMode_DestinationOut;
        break;
    case CompositingOperation::DestinationAtop:
        m = QPainter::CompositionMode_DestinationAtop;
        break;
    case CompositingOperation::XOR:
        m = QPainter::CompositionMode_Xor;
        break;
    case CompositingOperation::PlusLighter:
        m = QPainter::CompositionMode_Plus;
        break;
    case CompositingOperation::PlusDarker:
        return false;
    }
    if (mode)
        *mode = m;
    return true;
}

quint32 Compositing::plusDarker(quint32 source, quint32 destination) {
    // With premultiplied components: alpha = min(1, Sa + Da) and each colour
    // max(0, alpha - ((Da - D) + (Sa - S))); opaque pixels give max(0, S + D - 1).
    const int sa = int(qAlpha(source)), da = int(qAlpha(destination));
    const int a = std::min(255, sa + da);
    auto channel = [&](int s, int d) { return std::max(0, a - ((da - d) + (sa - s))); };
    return qRgba(channel(qRed(source), qRed(destination)),
                 channel(qGreen(source), qGreen(destination)),
                 channel(qBlue(source), qBlue(destination)), a);
}

namespace {

QImage* destinationImage(QPainter& painter) {
    QPaintDevice* device = painter.device();
    if (!device || device->devType() != QInternal::Image)
        return nullptr;
    auto* image = static_cast<QImage*>(device);
    return image->format() == QImage::Format_ARGB32_Premultiplied ? image : nullptr;
}

// Renders the drawing into a layer over the affected pixels (clipped like the
// destination) and merges it pixel by pixel.
void drawPlusDarker(QPainter& painter, QImage& target, const QRectF& deviceBounds,
                    const std::function<void(QPainter&)>& paint) {
    QRect area = deviceBounds.toAlignedRect() & target.rect();
    const QTransform world = painter.worldTransform();
    QPainterPath clip;
    const bool clipped = painter.hasClipping();
    if (clipped) {
        painter.setWorldTransform(QTransform());
        clip = painter.clipPath();
        painter.setWorldTransform(world);
        area &= clip.boundingRect().toAlignedRect();
    }
    if (area.isEmpty())
        return;
    QImage layer(area.size(), QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    {
        QPainter lp(&layer);
        lp.setRenderHints(painter.renderHints());
        const QTransform shift = QTransform::fromTranslate(-area.x(), -area.y());
        if (clipped) {
            lp.setClipPath(shift.map(clip));
        }
        lp.setWorldTransform(world * shift);
        paint(lp);
    }
    for (int y = 0; y < area.height(); ++y) {
        const auto* src = reinterpret_cast<const quint32*>(layer.constScanLine(y));
        auto* dst = reinterpret_cast<quint32*>(target.scanLine(area.y() + y)) + area.x();
        for (int x = 0; x < area.width(); ++x)
            if (src[x])
                dst[x] = Compositing::plusDarker(src[x], dst[x]);
    }
}

} // namespace

void Compositing::draw(QPainter& painter, CompositingOperation op, const QRectF& deviceBounds,
                       const std::function<void(QPainter&)>& paint) {
    QPaintEngine* engine = painter.paintEngine();
    if (!engine)
        return;
    QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
    if (op == CompositingOperation::PlusDarker) {
        if (QImage* target = destinationImage(painter)) {
            drawPlusDarker(painter, *target, deviceBounds, paint);
            return;
        }
        mode = engine->hasFeature(QPaintEngine::BlendModes) ? QPainter::CompositionMode_Multiply
                                                            : QPainter::CompositionMode_SourceOver;
    } else {
        qtMode(op, &mode);
        const bool porterDuff = engine->hasFeature(QPaintEngine::PorterDuff);
        if (!porterDuff && mode != QPainter::CompositionMode_SourceOver) {
            if (op == CompositingOperation::Clear)
                return;
            mode = QPainter::CompositionMode_SourceOver;
        }
    }
    const QPainter::CompositionMode previous = painter.compositionMode();
    painter.setCompositionMode(mode);
    paint(painter);
    painter.setCompositionMode(previous);
}
