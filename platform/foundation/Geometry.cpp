#include "platform/foundation/Geometry.h"

#include <charconv>
#include <cmath>
#include <vector>

const Point kZeroPoint{};
const Size kZeroSize{};
const Rect kZeroRect{};

Rect integralRect(const Rect& r) {
    if (r.isEmpty())
        return kZeroRect;
    const float x0 = std::floor(r.minX());
    const float y0 = std::floor(r.minY());
    const float x1 = std::ceil(r.maxX());
    const float y1 = std::ceil(r.maxY());
    return {x0, y0, x1 - x0, y1 - y0};
}

Rect unionRect(const Rect& a, const Rect& b) {
    if (a.isEmpty())
        return b.isEmpty() ? kZeroRect : b;
    if (b.isEmpty())
        return a;
    const float x0 = std::min(a.minX(), b.minX());
    const float y0 = std::min(a.minY(), b.minY());
    const float x1 = std::max(a.maxX(), b.maxX());
    const float y1 = std::max(a.maxY(), b.maxY());
    return {x0, y0, x1 - x0, y1 - y0};
}

Rect intersectionRect(const Rect& a, const Rect& b) {
    if (a.maxX() <= b.minX() || b.maxX() <= a.minX() || a.maxY() <= b.minY() ||
        b.maxY() <= a.minY())
        return kZeroRect;
    const float x0 = std::max(a.minX(), b.minX());
    const float y0 = std::max(a.minY(), b.minY());
    const float x1 = std::min(a.maxX(), b.maxX());
    const float y1 = std::min(a.maxY(), b.maxY());
    return {x0, y0, x1 - x0, y1 - y0};
}

bool intersectsRect(const Rect& a, const Rect& b) {
    return !(a.isEmpty() || b.isEmpty() || a.maxX() <= b.minX() || b.maxX() <= a.minX() ||
             a.maxY() <= b.minY() || b.maxY() <= a.minY());
}

bool containsRect(const Rect& outer, const Rect& inner) {
    return !inner.isEmpty() && outer.minX() <= inner.minX() && outer.minY() <= inner.minY() &&
           inner.maxX() <= outer.maxX() && inner.maxY() <= outer.maxY();
}

Rect insetRect(const Rect& r, float dx, float dy) {
    return {r.origin.x + dx, r.origin.y + dy, r.size.width - 2 * dx, r.size.height - 2 * dy};
}

Rect offsetRect(const Rect& r, float dx, float dy) {
    return {r.origin.x + dx, r.origin.y + dy, r.size.width, r.size.height};
}

bool pointInRect(const Point& p, const Rect& r) {
    return mouseInRect(p, r, false);
}

bool mouseInRect(const Point& p, const Rect& r, bool flipped) {
    if (p.x < r.minX() || p.x >= r.maxX())
        return false;
    if (flipped)
        return p.y > r.minY() && p.y <= r.maxY();
    return p.y >= r.minY() && p.y < r.maxY();
}

Rect rectFromQt(const QRectF& r) {
    return Rect::fromQRectF(r);
}

namespace {

QString number(float v) {
    // As "%g" writes it, with "." whatever the process locale: these texts
    // are stored in files.
    return QString::number(double(v), 'g', 6);
}

// Reads the numbers of a text form in order, skipping anything that can't start one.
std::vector<float> scanNumbers(const QString& text, size_t wanted) {
    std::vector<float> out;
    const QByteArray bytes = text.toLatin1();
    const char* s = bytes.constData();
    const char* end = s + bytes.size();
    while (s < end && out.size() < wanted) {
        const char c = *s;
        const bool starts = (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.';
        if (!starts) {
            ++s;
            continue;
        }
        const char* first = c == '+' ? s + 1 : s;
        double v = 0;
        const auto [stop, error] = std::from_chars(first, end, v);
        if (stop == first) {
            ++s;
            continue;
        }
        out.push_back(error == std::errc() ? float(v) : 0.0f);
        s = stop;
    }
    out.resize(wanted, 0.0f);
    return out;
}

} // namespace

QString stringFromPoint(const Point& p) {
    return QStringLiteral("{%1, %2}").arg(number(p.x), number(p.y));
}

QString stringFromSize(const Size& s) {
    return QStringLiteral("{%1, %2}").arg(number(s.width), number(s.height));
}

QString stringFromRect(const Rect& r) {
    return QStringLiteral("{%1, %2}").arg(stringFromPoint(r.origin), stringFromSize(r.size));
}

Point pointFromString(const QString& text) {
    const auto v = scanNumbers(text, 2);
    return {v[0], v[1]};
}

Size sizeFromString(const QString& text) {
    const auto v = scanNumbers(text, 2);
    return {v[0], v[1]};
}

Rect rectFromString(const QString& text) {
    const auto v = scanNumbers(text, 4);
    return {v[0], v[1], v[2], v[3]};
}
