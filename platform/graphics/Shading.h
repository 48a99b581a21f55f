#pragma once

#include "platform/foundation/Geometry.h"
#include "platform/foundation/PlatformExport.h"

#include <QBrush>
#include <array>
#include <functional>

// An axial or radial colour shading driven by a function of one input in
// [0, 1] that answers red, green, blue and alpha, each in [0, 1]. Both ends are
// extended: before the start and past the end the end colours continue.
class LUMISK_PLATFORM_EXPORT Shading {
public:
    using Function = std::function<std::array<float, 4>(float)>;

    // Samples of the function along the shading; with 8-bit output, steps of
    // 1/256 leave no visible bands.
    static constexpr int kSamples = 256;

    // Input 0 at start, 1 at end; the colour is constant across the axis.
    static Shading axial(Point start, Point end, Function function);
    // Input 0 on the start circle, 1 on the end circle.
    static Shading radial(Point startCenter, float startRadius, Point endCenter, float endRadius,
                          Function function);

    bool isRadial() const { return _radial; }
    Point startPoint() const { return _start; }
    Point endPoint() const { return _end; }
    float startRadius() const { return _startRadius; }
    float endRadius() const { return _endRadius; }

    // The function's answer at t, components clamped to [0, 1].
    QColor colorAt(float t) const;
    // A gradient brush in the shading's own coordinates, sampled from the function.
    QBrush brush() const;

private:
    Shading() = default;

    bool _radial = false;
    Point _start, _end;
    float _startRadius = 0, _endRadius = 0;
    Function _function;
};
