#include "utilities/GeometryUtilities.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

// The long side steps down one whole point at a time from the truncated bound
// until the short side (ratio × long side, in single precision) fits. The same
// answer is found by bisection over the whole numbers, so that huge bounds
// cannot turn into a long loop; the long side never goes below 0.
float stepDownLongSide(float ratio, float longBound, float shortBound) {
    const double start = longBound > 0 ? std::trunc(double(longBound)) : 0.0;
    auto fits = [&](double n) { return !(ratio * float(n) > shortBound); };
    if (fits(start))
        return float(start);
    // The product never shrinks as n grows for a ratio of zero or more; for a
    // negative ratio it only grows as n shrinks, so no smaller side fits either.
    if (!(ratio >= 0) || !fits(0))
        return 0;
    double low = 0, high = start; // fits(low), !fits(high)
    while (high - low > 1) {
        const double mid = std::floor(low + (high - low) / 2);
        if (mid <= low || mid >= high)
            break; // beyond 2^53 no whole number lies between
        (fits(mid) ? low : high) = mid;
    }
    return float(low);
}

Size scaleSteppingLongSide(Size size, Size bounds) {
    if (size.width > size.height) {
        const float r = size.height / size.width;
        const float n = stepDownLongSide(r, bounds.width, bounds.height);
        return {n, r * n};
    }
    const float r = size.width / size.height;
    const float n = stepDownLongSide(r, bounds.height, bounds.width);
    return {n * r, n};
}

} // namespace

Size UTScaleSizeToFit(Size size, Size bounds) {
    if (bounds.width >= size.width && bounds.height >= size.height)
        return size;
    return scaleSteppingLongSide(size, bounds);
}

Size UTScaleSizeToFit2(Size size, Size bounds) {
    return scaleSteppingLongSide(size, bounds);
}

Rect UTCenterRectInRect(Rect rect, Rect bounds) {
    // The centre is found in double precision, the rest in single.
    const float cx = float(double(bounds.origin.x) + double(bounds.size.width) * 0.5);
    const float cy = float(double(bounds.origin.y) + double(bounds.size.height) * 0.5);
    return {cx - rect.size.width * 0.5f, cy - rect.size.height * 0.5f, rect.size.width,
            rect.size.height};
}

Rect UTCenterRectOnPoint(Rect rect, Point point) {
    return {point.x - rect.size.width * 0.5f, point.y - rect.size.height * 0.5f, rect.size.width,
            rect.size.height};
}

Rect UTRectFromPoints(Point a, Point b) {
    return {std::min(a.x, b.x), std::min(a.y, b.y), std::fabs(b.x - a.x), std::fabs(b.y - a.y)};
}

Rect UTBindRectInRect(Rect rect, Rect bounds) {
    // Every test looks at the rectangle as passed in, so one that overhangs on
    // both sides gets both offsets.
    Rect result = rect;
    if (rect.maxX() > bounds.maxX())
        result.origin.x += bounds.maxX() - rect.maxX();
    if (bounds.origin.x > rect.origin.x)
        result.origin.x += bounds.origin.x - rect.origin.x;
    if (rect.maxY() > bounds.maxY())
        result.origin.y += bounds.maxY() - rect.maxY();
    if (bounds.origin.y > rect.origin.y)
        result.origin.y += bounds.origin.y - rect.origin.y;
    return result;
}

Rect UTMapRect(Rect from, Rect to, Rect rect) {
    const float sx = to.size.width / from.size.width;
    const float sy = to.size.height / from.size.height;
    return {(rect.origin.x - from.origin.x) * sx + to.origin.x,
            (rect.origin.y - from.origin.y) * sy + to.origin.y, rect.size.width * sx,
            rect.size.height * sy};
}

Point UTMapPoint(Rect from, Rect to, Point point) {
    return {to.size.width / from.size.width * (point.x - from.origin.x) + to.origin.x,
            to.size.height / from.size.height * (point.y - from.origin.y) + to.origin.y};
}

Rect UTRotateRectRight90(Rect rect, Rect bounds) {
    return {rect.origin.y, bounds.size.width - (rect.origin.x + rect.size.width), rect.size.height,
            rect.size.width};
}

Rect UTRotateRectLeft90(Rect rect, Rect bounds) {
    return {bounds.size.height - (rect.origin.y + rect.size.height), rect.origin.x,
            rect.size.height, rect.size.width};
}

Rect UTMirrorRect(Rect rect, Rect bounds) {
    const float twiceCentre = bounds.origin.x + bounds.size.width + bounds.origin.x;
    return UTRectFromPoints({twiceCentre - (rect.origin.x + rect.size.width), rect.origin.y},
                            {twiceCentre - rect.origin.x, rect.origin.y + rect.size.height});
}

void UT_CenterQDRectInRect(QDRect& r, const QDRect& bounds) {
    const auto dh =
        int16_t(bounds.left + (bounds.right - bounds.left) / 2 - (r.right - r.left) / 2 - r.left);
    const auto dv =
        int16_t(bounds.top + (bounds.bottom - bounds.top) / 2 - (r.bottom - r.top) / 2 - r.top);
    r.left = int16_t(r.left + dh);
    r.right = int16_t(r.right + dh);
    r.top = int16_t(r.top + dv);
    r.bottom = int16_t(r.bottom + dv);
}

float UT_QDRectAspectRatio(const QDRect& r) {
    return float(r.right - r.left) / float(r.bottom - r.top);
}
