#include "framework/model/TMPinkingPhotoMask.h"
#include "framework/Formwell.h"

#include "framework/model/TMPhotoMaskCanvas.h"
#include "platform/archiving/Archiver.h"
#include "platform/archiving/Unarchiver.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

[[maybe_unused]] const bool kRegistered = [] {
    TMPhotoMask::registerMaskClass<TMPinkingPhotoMask>(QStringLiteral("TMPinkingPhotoMask"));
    return true;
}();

constexpr char kTpsKey[] = "pink_tps";
constexpr char kTpsActionKey[] = "TPS";
constexpr int kDefaultTeeth = 8;

} // namespace

void TMPinkingPhotoMask::init() {
    TMOvalPhotoMask::init();
    _tps = kDefaultTeeth;
}

QString TMPinkingPhotoMask::maskControllerClass() const {
    return QStringLiteral("TMPinkingPhotoMaskController");
}

TMPhotoMaskRef TMPinkingPhotoMask::copy() const {
    return std::make_shared<TMPinkingPhotoMask>(*this);
}

void TMPinkingPhotoMask::encodeWithCoder(Archiver& coder) const {
    TMOvalPhotoMask::encodeWithCoder(coder);
    coder.encodeObject(QVariantMap{{QString::fromLatin1(kTpsKey), _tps}});
}

bool TMPinkingPhotoMask::initWithCoder(Unarchiver& coder) {
    if (!TMOvalPhotoMask::initWithCoder(coder))
        return false;
    const QVariantMap own = decodeOwnDictionary(coder);
    if (const std::optional<double> teeth = numberForKey(own, kTpsKey);
        teeth && *teeth >= INT_MIN && *teeth <= INT_MAX)
        _tps = int(*teeth);
    return true;
}

QString TMPinkingPhotoMask::name() const {
    return frameworkString("PINKING_MASK");
}

void TMPinkingPhotoMask::setTps(int teeth) {
    if (changeValue(_tps, teeth, &TMPinkingPhotoMask::setTps, kTpsActionKey))
        changeMade();
}

BezierPath TMPinkingPhotoMask::pinkingPathInRect(const Rect& r, float inset, bool* fill) const {
    BezierPath path;
    const double x0 = r.minX(), y0 = r.minY(), w = r.width(), h = r.height();
    if (!(w > 0 && h > 0))
        return path;
    // No teeth would divide by zero; teeth below a pixel cannot be seen and
    // would make the walks along the sides endless in practice.
    const double n = std::clamp<double>(_tps, 1.0, std::max(1.0, std::floor(std::min(w, h))));
    double tx, ty;
    if (w > h) {
        ty = h / n;
        tx = w / std::ceil((w / h) * n);
    } else {
        tx = w / n;
        ty = h / std::ceil((h / w) * n);
    }
    const double hx = tx / 2, hy = ty / 2;
    // Past half the smaller side every tooth is eaten anyway.
    const double d = std::isnan(inset) ? 0.0 : std::min<double>(inset, std::min(w, h) / 2);
    const double left = x0 + d, bottom = y0 + d, right = x0 + w - d, top = y0 + h - d;
    double xs = x0 + hx, xe = x0 + w - hx, ys = y0 + hy, ye = y0 + h - hy;
    // Drop the teeth the inset has eaten, from both ends of every side.
    while (left >= xs || bottom >= ys)
        xs += tx, xe -= tx, ys += ty, ye -= ty;
    if (fill && (left + 2 >= xs || bottom + 2 >= ys))
        *fill = true;

    auto point = [](double x, double y) { return Point{float(x), float(y)}; };
    path.moveToPoint(point(xs, top));
    if (xe - 0.1 > xs) {
        double x = xs;
        do {
            x += hx;
            path.lineToPoint(point(x, top - hx));
            x += hx;
            path.lineToPoint(point(x, top));
        } while (xe - 0.1 > x);
    }
    path.lineToPoint(point(right, ye));
    if (ye > ys + 0.1) {
        double y = ye;
        do {
            y -= hy;
            path.lineToPoint(point(right - hy, y));
            y -= hy;
            path.lineToPoint(point(right, y));
        } while (y > ys + 0.1);
    }
    path.lineToPoint(point(xe, bottom));
    if (xe > xs + 0.1) {
        double x = xe;
        do {
            x -= hx;
            path.lineToPoint(point(x, bottom + hx));
            x -= hx;
            path.lineToPoint(point(x, bottom));
        } while (x > xs + 0.1);
    }
    path.lineToPoint(point(left, ys));
    if (ye - 0.1 > ys) {
        double y = ys;
        do {
            y += hy;
            path.lineToPoint(point(left + hy, y));
            y += hy;
            path.lineToPoint(point(left, y));
        } while (ye - 0.1 > y);
    }
    path.closePath();
    return path;
}

void TMPinkingPhotoMask::applyMasktoRect(const Rect& r) {
    TMPhotoMaskCanvas::applyGrowingInsetOutlines(r, _featherPct,
                                                 [this](const Rect& q, float inset, bool* fill) {
                                                     return pinkingPathInRect(q, inset, fill);
                                                 });
}
