#pragma once

#include "platform/foundation/PlatformExport.h"

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

// Page geometry in 32-bit floats: results elsewhere depend on single-precision
// arithmetic, so these never widen to double on their own.
struct Point {
    float x = 0;
    float y = 0;

    friend bool operator==(const Point&, const Point&) = default;
    QPointF toQPointF() const { return {x, y}; }
    static Point fromQPointF(const QPointF& p) { return {float(p.x()), float(p.y())}; }
};

struct Size {
    float width = 0;
    float height = 0;

    friend bool operator==(const Size&, const Size&) = default;
    QSizeF toQSizeF() const { return {width, height}; }
    static Size fromQSizeF(const QSizeF& s) { return {float(s.width()), float(s.height())}; }
};

struct Rect {
    Point origin;
    Size size;

    Rect() = default;
    Rect(Point o, Size s) : origin(o), size(s) {}
    Rect(float x, float y, float w, float h) : origin{x, y}, size{w, h} {}

    friend bool operator==(const Rect&, const Rect&) = default;

    float minX() const { return origin.x; }
    float minY() const { return origin.y; }
    float midX() const { return origin.x + size.width * 0.5f; }
    float midY() const { return origin.y + size.height * 0.5f; }
    float maxX() const { return origin.x + size.width; }
    float maxY() const { return origin.y + size.height; }
    float width() const { return size.width; }
    float height() const { return size.height; }
    Point center() const { return {midX(), midY()}; }

    // Empty when either side is zero or negative.
    bool isEmpty() const { return !(size.width > 0) || !(size.height > 0); }

    QRectF toQRectF() const { return {origin.x, origin.y, size.width, size.height}; }
    static Rect fromQRectF(const QRectF& r) {
        return {float(r.x()), float(r.y()), float(r.width()), float(r.height())};
    }
};

LUMISK_PLATFORM_EXPORT extern const Point kZeroPoint;
LUMISK_PLATFORM_EXPORT extern const Size kZeroSize;
LUMISK_PLATFORM_EXPORT extern const Rect kZeroRect;

// The platform's rectangle rules.
LUMISK_PLATFORM_EXPORT Rect integralRect(const Rect& r);
LUMISK_PLATFORM_EXPORT Rect unionRect(const Rect& a, const Rect& b);
LUMISK_PLATFORM_EXPORT Rect intersectionRect(const Rect& a, const Rect& b);
LUMISK_PLATFORM_EXPORT bool intersectsRect(const Rect& a, const Rect& b);
LUMISK_PLATFORM_EXPORT bool containsRect(const Rect& outer, const Rect& inner);
LUMISK_PLATFORM_EXPORT Rect insetRect(const Rect& r, float dx, float dy);
LUMISK_PLATFORM_EXPORT Rect offsetRect(const Rect& r, float dx, float dy);
LUMISK_PLATFORM_EXPORT bool pointInRect(const Point& p, const Rect& r);
// Like pointInRect, but for a flipped view the half-open side is the top one.
LUMISK_PLATFORM_EXPORT bool mouseInRect(const Point& p, const Rect& r, bool flipped);
LUMISK_PLATFORM_EXPORT Rect rectFromQt(const QRectF& r);

// Text forms "{x, y}", "{w, h}" and "{{x, y}, {w, h}}", numbers as "%g".
LUMISK_PLATFORM_EXPORT QString stringFromPoint(const Point& p);
LUMISK_PLATFORM_EXPORT QString stringFromSize(const Size& s);
LUMISK_PLATFORM_EXPORT QString stringFromRect(const Rect& r);
// Lenient like the platform: missing numbers read as 0, text that isn't a form gives zero values.
LUMISK_PLATFORM_EXPORT Point pointFromString(const QString& text);
LUMISK_PLATFORM_EXPORT Size sizeFromString(const QString& text);
LUMISK_PLATFORM_EXPORT Rect rectFromString(const QString& text);
