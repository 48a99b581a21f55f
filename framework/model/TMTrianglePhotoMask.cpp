#include "framework/model/TMTrianglePhotoMask.h"
#include "framework/Formwell.h"

#include "framework/model/TMPhotoMaskCanvas.h"
#include "platform/archiving/Archiver.h"
#include "platform/archiving/Unarchiver.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <numbers>

namespace {

[[maybe_unused]] const bool kRegistered = [] {
    TMPhotoMask::registerMaskClass<TMTrianglePhotoMask>(QStringLiteral("TMTrianglePhotoMask"));
    return true;
}();

constexpr char kStyleKey[] = "tri_style";
constexpr char kEdgeKey[] = "tri_edge";
constexpr char kStyleActionKey[] = "STYLE";
constexpr char kEdgeActionKey[] = "EDGE";

// A stored number as an int; values beyond the int range are refused.
std::optional<int> storedInt(std::optional<double> value) {
    if (!value || !(*value >= INT_MIN && *value <= INT_MAX))
        return std::nullopt;
    return int(*value);
}

// The bounding rectangle of the triangle whose sides lie d inside those of
// the triangle of this style and edge in r.
Rect insetTriangleBounds(const Rect& r, int style, int edge, double d) {
    const double x = r.minX(), y = r.minY(), w = r.width(), h = r.height();
    const bool sideways = edge >= 2;
    double theta;
    if (style != 0)
        theta = sideways ? std::atan(w / h) : std::atan(h / w);
    else
        theta = sideways ? std::atan(w / (h / 2)) : std::atan(h / (w / 2));
    const double halfPi = std::numbers::pi / 2;
    const double p = d / std::sin(theta) + d * std::tan(halfPi - theta);
    const double v = d / std::cos(theta) + d * std::tan(theta);
    const double a = d / std::sin(halfPi - theta);
    // How far each side of the bounds moves in, by edge.
    struct Insets {
        double left, top, right, bottom;
    };
    const Insets rightAngled[] = {{p, d, d, v}, {d, v, p, d}, {d, d, v, p}, {v, p, d, d}};
    const Insets isosceles[] = {{p, d, p, a}, {p, a, p, d}, {d, p, a, p}, {a, p, d, p}};
    const int row = edge >= 0 && edge <= 2 ? edge : 3;
    const Insets& in = style != 0 ? rightAngled[row] : isosceles[row];
    const double x0 = x + in.left, y0 = y + in.top;
    const double x1 = x + w - in.right, y1 = y + h - in.bottom;
    // An inset beyond the triangle's inner circle leaves nothing.
    return Rect(float(x0), float(y0), float(std::max(x1 - x0, 0.0)), float(std::max(y1 - y0, 0.0)));
}

} // namespace

QString TMTrianglePhotoMask::maskControllerClass() const {
    return QStringLiteral("TMTrianglePhotoMaskController");
}

TMPhotoMaskRef TMTrianglePhotoMask::copy() const {
    return std::make_shared<TMTrianglePhotoMask>(*this);
}

void TMTrianglePhotoMask::encodeWithCoder(Archiver& coder) const {
    TMOvalPhotoMask::encodeWithCoder(coder);
    coder.encodeObject(QVariantMap{{QString::fromLatin1(kStyleKey), _style},
                                   {QString::fromLatin1(kEdgeKey), _edge}});
}

bool TMTrianglePhotoMask::initWithCoder(Unarchiver& coder) {
    if (!TMOvalPhotoMask::initWithCoder(coder))
        return false;
    const QVariantMap own = decodeOwnDictionary(coder);
    if (const std::optional<int> style = storedInt(numberForKey(own, kStyleKey)))
        _style = *style;
    if (const std::optional<int> edge = storedInt(numberForKey(own, kEdgeKey)))
        _edge = *edge;
    return true;
}

QString TMTrianglePhotoMask::name() const {
    return frameworkString("TRIANGLE_MASK");
}

void TMTrianglePhotoMask::setTriangleStyle(int style) {
    if (changeValue(_style, style, &TMTrianglePhotoMask::setTriangleStyle, kStyleActionKey))
        changeMade();
}

void TMTrianglePhotoMask::setTriangleEdge(int edge) {
    if (changeValue(_edge, edge, &TMTrianglePhotoMask::setTriangleEdge, kEdgeActionKey))
        changeMade();
}

BezierPath TMTrianglePhotoMask::trianglePathInRect(const Rect& r, float inset) const {
    BezierPath path;
    if (_edge < 0 || _edge > 3)
        return path;
    const Rect box = inset > 0 ? insetTriangleBounds(r, _style, _edge, inset) : r;
    const float x = box.minX(), y = box.minY(), w = box.width(), h = box.height();
    Point v[3];
    if (_style == 0) {
        switch (_edge) {
        case 0:
            v[0] = {x, y}, v[1] = {x + w / 2, y + h}, v[2] = {x + w, y};
            break;
        case 1:
            v[0] = {x, y + h}, v[1] = {x + w / 2, y}, v[2] = {x + w, y + h};
            break;
        case 2:
            v[0] = {x, y}, v[1] = {x, y + h}, v[2] = {x + w, y + h / 2};
            break;
        default:
            v[0] = {x + w, y}, v[1] = {x + w, y + h}, v[2] = {x, y + h / 2};
            break;
        }
    } else {
        switch (_edge) {
        case 0:
            v[0] = {x, y}, v[1] = {x + w, y}, v[2] = {x + w, y + h};
            break;
        case 1:
            v[0] = {x, y}, v[1] = {x, y + h}, v[2] = {x + w, y + h};
            break;
        case 2:
            v[0] = {x, y}, v[1] = {x, y + h}, v[2] = {x + w, y};
            break;
        default:
            v[0] = {x + w, y}, v[1] = {x + w, y + h}, v[2] = {x, y + h};
            break;
        }
    }
    path.moveToPoint(v[0]);
    path.lineToPoint(v[1]);
    path.lineToPoint(v[2]);
    path.closePath();
    return path;
}

void TMTrianglePhotoMask::applyMasktoRect(const Rect& r) {
    TMPhotoMaskCanvas::applyGrowingInsetOutlines(
        r, _featherPct,
        [this](const Rect& q, float inset, bool*) { return trianglePathInRect(q, inset); });
}
