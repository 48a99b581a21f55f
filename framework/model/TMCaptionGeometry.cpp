#include "framework/model/TMCaptionGeometry.h"

#include "framework/model/TMCloudPath.h"

#include <algorithm>
#include <cmath>

namespace {

bool hasArea(Size size) {
    return size.width > 0 && size.height > 0;
}

} // namespace

double TMCaptionPuffSize(int shape, Size maxSize) {
    if (hasArea(maxSize)) {
        const double m = std::min(maxSize.width, maxSize.height);
        switch (shape) {
        case 2:
            return m * 0.04;
        case 3:
            return m * 0.08;
        case 4:
            return m * 0.16;
        default:
            return 100;
        }
    }
    switch (shape) {
    case 2:
        return 25;
    case 3:
        return 45;
    default:
        return 100;
    }
}

BezierPath TMCaptionCloudPathInRect(const Rect& r, int shape, Size maxSize) {
    const double W = r.width(), H = r.height();
    // Without area the puff size would be 0 and the rows of puffs endless.
    if (!(W > 0 && H > 0))
        return BezierPath();
    const double d = std::min(TMCaptionPuffSize(shape, maxSize), 0.5 * std::min(W, H));
    return TMCloudOfCellsInRect(r, TMCloudCellSize(W, d), TMCloudCellSize(H, d));
}

int TMCaptionQuadrant(int quadrant) {
    return quadrant >= kCaptionTailBottom && quadrant <= kCaptionTailRight ? quadrant
                                                                           : kCaptionTailBottom;
}

Point TMCaptionTailVertex(int quadrant, Point tail, const Rect& r, bool flipped) {
    const float x = r.minX(), y = r.minY(), w = r.width(), h = r.height();
    const float tx = tail.x, ty = tail.y;
    switch (TMCaptionQuadrant(quadrant)) {
    case kCaptionTailLeft:
        return {x + tx, flipped ? y + h / 2 + ty : y + h / 2 - ty};
    case kCaptionTailTop:
        return {x + w / 2 + tx, flipped ? y + ty : y + h - ty};
    case kCaptionTailRight:
        return {x + w + tx, flipped ? y + h / 2 + ty : y + h / 2 - ty};
    default:
        return {x + w / 2 + tx, flipped ? y + h + ty : y - ty};
    }
}

TMCaptionTail TMCaptionTailForPoint(Point p, const Rect& r, bool flipped) {
    const float x = r.minX(), y = r.minY(), w = r.width(), h = r.height();
    const Point c = r.center();
    const double slope = (double(p.y) - c.y) / (double(p.x) - c.x);
    TMCaptionTail result;
    if (std::fabs(slope) >= 1) {
        const bool below = flipped ? p.y > c.y : c.y >= p.y;
        result.quadrant = below ? kCaptionTailBottom : kCaptionTailTop;
    } else {
        result.quadrant = c.x > p.x ? kCaptionTailLeft : kCaptionTailRight;
    }
    switch (result.quadrant) {
    case kCaptionTailBottom:
        result.tail = {p.x - (x + w / 2), flipped ? p.y - (y + h) : y - p.y};
        break;
    case kCaptionTailTop:
        result.tail = {p.x - (x + w / 2), flipped ? p.y - y : (y + h) - p.y};
        break;
    case kCaptionTailLeft:
        result.tail = {p.x - x, flipped ? p.y - (y + h / 2) : (y + h / 2) - p.y};
        break;
    default:
        result.tail = {p.x - (x + w), flipped ? p.y - (y + h / 2) : (y + h / 2) - p.y};
        break;
    }
    return result;
}

std::optional<std::pair<Point, Point>> TMCaptionTailBase(int quadrant, Point v, const Rect& inner,
                                                         bool flipped) {
    const float rx = inner.minX(), ry = inner.minY(), rw = inner.width(), rh = inner.height();
    const Point lowerLeft{rx, ry}, upperLeft{rx, ry + rh}, lowerRight{rx + rw, ry},
        upperRight{rx + rw, ry + rh};
    switch (TMCaptionQuadrant(quadrant)) {
    case kCaptionTailLeft:
        if (v.x <= rx)
            return std::pair{lowerLeft, upperLeft};
        break;
    case kCaptionTailRight:
        if (v.x >= rx + rw)
            return std::pair{upperRight, lowerRight};
        break;
    case kCaptionTailTop:
        if (flipped && v.y <= ry)
            return std::pair{lowerRight, lowerLeft};
        if (!flipped && v.y >= ry + rh)
            return std::pair{upperLeft, upperRight};
        break;
    default:
        if (flipped && v.y >= ry + rh)
            return std::pair{upperLeft, upperRight};
        if (!flipped && v.y <= ry)
            return std::pair{lowerRight, lowerLeft};
        break;
    }
    return std::nullopt;
}

void TMCaptionAppendBubbleTrail(BezierPath& path, Point a, Point b, Point v, const Rect& inner,
                                double aspect) {
    const double mx = (double(a.x) + b.x) / 2, my = (double(a.y) + b.y) / 2;
    const double base = std::hypot(double(a.x) - b.x, double(a.y) - b.y);
    const double distance = std::hypot(mx - v.x, my - v.y);
    if (!(distance > 0) || distance > kCaptionMostBubbleSteps || !(aspect > 0) ||
        !std::isfinite(aspect))
        return;
    const double slope = (v.y - my) / (v.x - mx);
    const bool vertical = a.x == b.x;
    Rect kept;
    // Counted in whole steps: a float counter stalls far out.
    for (int t = 0; t < distance; ++t) {
        double width, height, px, py;
        if (vertical) {
            height = t * base / distance + 3;
            width = height / aspect;
            px = v.x > mx ? v.x - t : v.x + t;
            py = v.x > mx ? v.y - t * slope : v.y + t * slope;
        } else {
            width = t * base / distance + 4;
            height = aspect * width;
            px = v.y > my ? v.x - t / slope : v.x + t / slope;
            py = v.y > my ? v.y - t : v.y + t;
        }
        if (!std::isfinite(px) || !std::isfinite(py))
            return;
        const Rect bubble(float(px - width / 2), float(py - height / 2), float(width),
                          float(height));
        if (intersectsRect(bubble, kept))
            continue;
        if (intersectsRect(bubble, inner))
            return;
        kept = bubble;
        if (t != 0)
            path.appendBezierPathWithOvalInRect(bubble);
    }
}

std::optional<Size> TMCaptionTextBoxSize(Size size) {
    const double u = size.width / 2.0, v = size.height / 2.0;
    if (!(u > 0 && v > 0))
        return std::nullopt;
    // Whether the corners of the box inset by k lie inside the ellipse; true
    // from some k on, as the box shrinks towards the centre.
    auto fits = [u, v](double k) {
        const double dx = (u - k) / u, dy = (v - k) / v;
        return dx * dx + dy * dy < 1;
    };
    // The inset where the corners meet the ellipse, then the whole point
    // at or after it; a few checks settle rounding.
    const double qa = 1 / (u * u) + 1 / (v * v), qb = -2 * (1 / u + 1 / v);
    const double exact = (-qb - std::sqrt(qb * qb - 4 * qa)) / (2 * qa);
    double k = std::max(0.0, std::floor(exact));
    for (int i = 0; i < 4 && !fits(k); ++i)
        k += 1;
    for (int i = 0; i < 4 && k >= 1 && fits(k - 1); ++i)
        k -= 1;
    const double w = size.width - 2 * k, h = size.height - 2 * k;
    if (w < 8 || h < 8)
        return std::nullopt;
    return Size{float(w), float(h)};
}
