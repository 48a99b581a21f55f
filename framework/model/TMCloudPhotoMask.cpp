#include "framework/model/TMCloudPhotoMask.h"
#include "framework/Formwell.h"

#include "framework/model/TMPhotoMaskCanvas.h"
#include "platform/archiving/Archiver.h"
#include "platform/archiving/Unarchiver.h"
#include "platform/foundation/Random.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

[[maybe_unused]] const bool kRegistered = [] {
    TMPhotoMask::registerMaskClass<TMCloudPhotoMask>(QStringLiteral("TMCloudPhotoMask"));
    return true;
}();

constexpr char kPuffKey[] = "cloud_puff";
constexpr char kBoundsKey[] = "cloud_bounds";
constexpr char kPathKey[] = "cloud_path";
constexpr char kPuffinessActionKey[] = "PUFFINESS";
constexpr float kDefaultPuffiness = 0.25f;
constexpr double kSmallestPuff = 8;

} // namespace

void TMCloudPhotoMask::init() {
    TMOvalPhotoMask::init();
    _puffiness = kDefaultPuffiness;
}

QString TMCloudPhotoMask::maskControllerClass() const {
    return QStringLiteral("TMCloudPhotoMaskController");
}

TMPhotoMaskRef TMCloudPhotoMask::copy() const {
    return std::make_shared<TMCloudPhotoMask>(*this);
}

void TMCloudPhotoMask::encodeWithCoder(Archiver& coder) const {
    TMOvalPhotoMask::encodeWithCoder(coder);
    QVariantMap own{{QString::fromLatin1(kPuffKey), _puffiness}};
    _cloud.encodeInto(own, kBoundsKey, kPathKey);
    coder.encodeObject(own);
}

bool TMCloudPhotoMask::initWithCoder(Unarchiver& coder) {
    if (!TMOvalPhotoMask::initWithCoder(coder))
        return false;
    const QVariantMap own = decodeOwnDictionary(coder);
    if (const std::optional<double> puff = numberForKey(own, kPuffKey))
        _puffiness = float(*puff);
    _cloud.decodeFrom(own, kBoundsKey, kPathKey);
    if (!(_puffiness <= 1)) {
        _puffiness = kDefaultPuffiness;
        _cloud.drop();
    }
    return true;
}

QString TMCloudPhotoMask::name() const {
    return frameworkString("CLOUD_MASK");
}

void TMCloudPhotoMask::setPuffiness(float value) {
    const std::optional<float> puffiness = heldFraction(value);
    if (!puffiness || *puffiness == _puffiness)
        return;
    registerUndo([old = _puffiness](
                     TMPhotoMask& self) { static_cast<TMCloudPhotoMask&>(self).setPuffiness(old); },
                 kPuffinessActionKey);
    _puffiness = *puffiness;
    _cloud.drop();
    changeMade();
}

Rect TMCloudPhotoMask::randomizeRect(const Rect& r) {
    const int r1 = Random::random16();
    const int r2 = Random::random16();
    return insetRect(r, r.width() * 0.05f * float(std::abs(r1)) / 32767.0f,
                     r.height() * 0.05f * float(std::abs(r2)) / 32767.0f);
}

void TMCloudPhotoMask::calcCachedCloudPath(const Rect& q) {
    _cloud.calc(q, [this](const Rect& rect) { return cloudPathInRect(rect); });
}

BezierPath TMCloudPhotoMask::fitCloudToRect(const Rect& q) const {
    return _cloud.fitToRect(q);
}

BezierPath TMCloudPhotoMask::cloudPathInRect(const Rect& r) const {
    BezierPath path;
    const double W = r.width(), H = r.height();
    if (!(W > 0 && H > 0))
        return path;
    const double X = -W / 2, Y = -H / 2, maxX = X + W, maxY = Y + H;
    const double m = std::min(W, H) / 2;
    const double s = std::max(kSmallestPuff, std::min(m * double(_puffiness), m));
    // A side narrower than one puff still gets one, else the step is endless.
    const double nx = std::max(1.0, std::floor(W / s));
    const double ny = std::max(1.0, std::floor(H / s));
    const double sx = W / nx, sy = H / ny;
    const double a = 0.75 * sx, b = 0.75 * sy;
    auto puff = [&path](double x, double y, double w, double h) {
        path.appendBezierPathWithOvalInRect(
            randomizeRect(Rect(float(x), float(y), float(w), float(h))));
    };
    for (double x = X + sx; x < maxX - sx - 1; x += sx) {
        puff(x, Y, sx, sy);
        puff(x, maxY - sy, sx, sy);
    }
    for (double x = X + sx - a / 2; x < maxX - a - 1; x += sx) {
        puff(x, Y + 0.05 * sy, a, b);
        puff(x, maxY - b - 0.05 * sy, a, b);
    }
    for (double y = Y + sy; y < maxY - sy - 1; y += sy) {
        puff(X, y, sx, sy);
        puff(maxX - sx, y, sx, sy);
    }
    for (double y = Y + sy - b / 2; y < maxY - b - 1; y += sy) {
        puff(X + 0.05 * sx, y, a, b);
        puff(maxX - a - 0.05 * sx, y, a, b);
    }
    const double cw = 0.8 * sx, ch = 0.8 * sy;
    puff(X + 0.2 * sx, Y + 0.2 * sy, cw, ch);
    puff(X + 0.2 * sx, maxY - sy, cw, ch);
    puff(maxX - sx, Y + 0.2 * sy, cw, ch);
    puff(maxX - sx, maxY - sy, cw, ch);
    path.appendBezierPathWithRect(
        insetRect(Rect(float(X), float(Y), float(W), float(H)), float(0.6 * sx), float(0.6 * sy)));
    return path;
}

void TMCloudPhotoMask::applyMasktoRect(const Rect& r) {
    if (!TMPhotoMaskCanvas::isMaskable(r))
        return;
    const Rect q = insetRect(Rect(0, 0, r.width(), r.height()), 2.0f, 2.0f);
    calcCachedCloudPath(q);
    TMPhotoMaskCanvas::applyShrinkingOutlinesFrom(
        r, q, _featherPct, [this](const Rect& outline, bool) { return fitCloudToRect(outline); });
}
