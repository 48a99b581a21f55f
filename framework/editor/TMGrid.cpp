#include "framework/editor/TMGrid.h"

#include "platform/graphics/BezierPath.h"
#include "platform/graphics/GraphicsContext.h"

#include <cmath>

std::vector<float> TMGridLinePositions(float spacing, float low, float high, float origin) {
    std::vector<float> lines;
    if (!(spacing > 0) || !std::isfinite(spacing) || !std::isfinite(low) || !std::isfinite(high) ||
        !std::isfinite(origin))
        return lines;
    const double first = std::ceil((double(low) - origin) / spacing);
    const double last = std::floor((double(high) - origin) / spacing);
    if (!(last >= first))
        return lines;
    const double count = std::min(last - first + 1, double(kMaximumGridLinesPerAxis));
    lines.reserve(size_t(count));
    for (double i = first; i < first + count; ++i)
        lines.push_back(float(i * spacing + origin));
    return lines;
}

void DrawGridWithSettingsInRect(float spacing, const Color& color, const Rect& rect, Point origin) {
    GraphicsContext* context = GraphicsContext::currentContext();
    if (!context)
        return;
    context->setColor(color.toQColor());
    BezierPath path;
    for (float x : TMGridLinePositions(spacing, rect.minX(), rect.maxX(), origin.x)) {
        path.moveToPoint({x, rect.minY()});
        path.lineToPoint({x, rect.maxY()});
    }
    for (float y : TMGridLinePositions(spacing, rect.minY(), rect.maxY(), origin.y)) {
        path.moveToPoint({rect.minX(), y});
        path.lineToPoint({rect.maxX(), y});
    }
    path.setLineWidth(1.0f);
    context->strokePath(path);
    context->setColor(Qt::black);
}
