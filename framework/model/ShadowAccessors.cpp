#include "framework/model/ShadowAccessors.h"

#include <cmath>
#include <numbers>

namespace {

constexpr double kDegreesPerRadian = 180.0 / std::numbers::pi;

void setOffsetFromPolar(ShadowValue& shadow, float degrees, float length) {
    // Worked in the first quadrant and signed afterwards, so that the axes
    // come out exact.
    float reduced = degrees;
    int quadrant = 1;
    if (degrees >= 270) {
        reduced = 360 - degrees;
        quadrant = 4;
    } else if (degrees >= 180) {
        reduced = degrees - 180;
        quadrant = 3;
    } else if (degrees >= 90) {
        reduced = 180 - degrees;
        quadrant = 2;
    }
    const double radians = reduced / kDegreesPerRadian;
    float dx = float(length * std::cos(radians));
    float dy = float(length * std::sin(radians));
    if (quadrant == 2 || quadrant == 3)
        dx = -dx;
    if (quadrant == 3 || quadrant == 4)
        dy = -dy;
    shadow.offset = {dx, dy};
}

} // namespace

ShadowValue flippedShadow(const ShadowValue& shadow) {
    ShadowValue flipped = shadow;
    flipped.offset.height = -shadow.offset.height;
    return flipped;
}

float castAngle(const ShadowValue& shadow) {
    const float dx = shadow.offset.width;
    const float dy = shadow.offset.height;
    // Without an offset there is no direction; 0 rather than not-a-number.
    if (dx == 0 && dy == 0)
        return 0;
    const float a = float(std::atan(std::fabs(dy) / std::fabs(dx)) * kDegreesPerRadian);
    float angle;
    if (dy >= 0)
        angle = dx >= 0 ? a : 180 - a;
    else
        angle = dx < 0 ? 180 + a : 360 - a;
    // A tiny negative y would round up to a full turn.
    return angle >= 360 ? angle - 360 : angle;
}

void setCastAngle(ShadowValue& shadow, float degrees) {
    setOffsetFromPolar(shadow, degrees, castOffset(shadow));
}

float castOffset(const ShadowValue& shadow) {
    const float dx = shadow.offset.width;
    const float dy = shadow.offset.height;
    return std::sqrt(dx * dx + dy * dy);
}

void setCastOffset(ShadowValue& shadow, float length) {
    setOffsetFromPolar(shadow, castAngle(shadow), length);
}
