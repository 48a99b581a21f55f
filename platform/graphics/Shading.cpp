#include "platform/graphics/Shading.h"

#include <QLinearGradient>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>

Shading Shading::axial(Point start, Point end, Function function) {
    Shading s;
    s._start = start;
    s._end = end;
    s._function = std::move(function);
    return s;
}

Shading Shading::radial(Point startCenter, float startRadius, Point endCenter, float endRadius,
                        Function function) {
    Shading s;
    s._radial = true;
    s._start = startCenter;
    s._end = endCenter;
    s._startRadius = std::max(0.0f, startRadius);
    s._endRadius = std::max(0.0f, endRadius);
    s._function = std::move(function);
    return s;
}

QColor Shading::colorAt(float t) const {
    if (!_function)
        return QColor(Qt::transparent);
    const std::array<float, 4> c = _function(std::clamp(t, 0.0f, 1.0f));
    auto unit = [](float v) { return std::clamp(std::isnan(v) ? 0.0f : v, 0.0f, 1.0f); };
    return QColor::fromRgbF(unit(c[0]), unit(c[1]), unit(c[2]), unit(c[3]));
}

QBrush Shading::brush() const {
    QGradientStops stops;
    stops.reserve(kSamples + 1);
    for (int i = 0; i <= kSamples; ++i) {
        const float t = float(i) / kSamples;
        stops.append({qreal(t), colorAt(t)});
    }
    if (_radial) {
        QRadialGradient gradient(_end.toQPointF(), _endRadius, _start.toQPointF(), _startRadius);
        gradient.setSpread(QGradient::PadSpread);
        gradient.setStops(stops);
        return QBrush(gradient);
    }
    QLinearGradient gradient(_start.toQPointF(), _end.toQPointF());
    gradient.setSpread(QGradient::PadSpread);
    gradient.setStops(stops);
    return QBrush(gradient);
}
