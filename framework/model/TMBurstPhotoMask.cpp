#include "framework/model/TMBurstPhotoMask.h"
#include "framework/Formwell.h"

#include "framework/model/TMPhotoMaskCanvas.h"
#include "platform/archiving/Archiver.h"
#include "platform/archiving/Unarchiver.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

[[maybe_unused]] const bool kRegistered = [] {
    TMPhotoMask::registerMaskClass<TMBurstPhotoMask>(QStringLiteral("TMBurstPhotoMask"));
    return true;
}();

constexpr char kBoundsKey[] = "burst_bounds";
constexpr char kPathKey[] = "burst_path";
constexpr char kRayCountKey[] = "burst_ray_ct";
constexpr char kRayLengthKey[] = "burst_ray_len";
constexpr char kRayCountActionKey[] = "RAY_COUNT";
constexpr char kRayLengthActionKey[] = "RAY_LENGTH";
constexpr float kDefaultRayCount = 20;
constexpr float kDefaultRayLength = 0.5f;
// Rays closer than a tenth of a degree cannot be told apart; a count read
// from a file is held to this so the outline stays finite.
constexpr int kMostRays = 3600;

int drawnRays(float count) {
    if (!(count >= 1))
        return 1;
    return int(std::min(std::round(count), float(kMostRays)));
}

} // namespace

void TMBurstPhotoMask::init() {
    TMOvalPhotoMask::init();
    _rayCount = kDefaultRayCount;
    _rayLengthRatio = kDefaultRayLength;
}

QString TMBurstPhotoMask::maskControllerClass() const {
    return QStringLiteral("TMBurstPhotoMaskController");
}

TMPhotoMaskRef TMBurstPhotoMask::copy() const {
    return std::make_shared<TMBurstPhotoMask>(*this);
}

void TMBurstPhotoMask::encodeWithCoder(Archiver& coder) const {
    TMOvalPhotoMask::encodeWithCoder(coder);
    QVariantMap own{{QString::fromLatin1(kRayCountKey), _rayCount},
                    {QString::fromLatin1(kRayLengthKey), _rayLengthRatio}};
    _burst.encodeInto(own, kBoundsKey, kPathKey);
    coder.encodeObject(own);
}

bool TMBurstPhotoMask::initWithCoder(Unarchiver& coder) {
    if (!TMOvalPhotoMask::initWithCoder(coder))
        return false;
    const QVariantMap own = decodeOwnDictionary(coder);
    _burst.decodeFrom(own, kBoundsKey, kPathKey);
    if (const std::optional<double> count = numberForKey(own, kRayCountKey))
        _rayCount = float(*count);
    if (const std::optional<double> length = numberForKey(own, kRayLengthKey))
        _rayLengthRatio = float(*length);
    return true;
}

QString TMBurstPhotoMask::name() const {
    return frameworkString("BURST_MASK");
}

void TMBurstPhotoMask::setRayCount(float value) {
    if (std::isnan(value))
        return;
    if (!changeValue(_rayCount, std::round(value), &TMBurstPhotoMask::setRayCount,
                     kRayCountActionKey))
        return;
    _burst.drop();
    changeMade();
}

void TMBurstPhotoMask::setRayLength(float value) {
    const std::optional<float> ratio = heldFraction(value);
    if (!ratio ||
        !changeValue(_rayLengthRatio, *ratio, &TMBurstPhotoMask::setRayLength, kRayLengthActionKey))
        return;
    _burst.drop();
    changeMade();
}

void TMBurstPhotoMask::calcCachedBurstPath(const Rect& q) {
    _burst.calc(q, [this](const Rect& rect) { return burstPathInRect(rect); });
}

BezierPath TMBurstPhotoMask::fitBurstToRect(const Rect& q) const {
    return _burst.fitToRect(q);
}

BezierPath TMBurstPhotoMask::burstPathInRect(const Rect& r) const {
    const double W = r.width(), H = r.height();
    const double L = 0.25 * double(_rayLengthRatio) * std::min(W, H);
    const double a = (W - L) / 2, b = (H - L) / 2;
    const int rays = drawnRays(_rayCount);
    const double step = 360.0 / rays;
    const double half = step / 2;
    auto radians = [](double degrees) { return degrees / 180.0 * std::numbers::pi; };
    BezierPath path;
    for (int k = 0; k <= rays; ++k) {
        const double theta = k * step;
        const Point inner{float(a * std::cos(radians(theta))), float(b * std::sin(radians(theta)))};
        if (k == 0) {
            path.moveToPoint(inner);
            continue;
        }
        const double tip = radians(theta - half);
        path.lineToPoint({float((L + a) * std::cos(tip)), float((L + b) * std::sin(tip))});
        path.lineToPoint(inner);
    }
    path.closePath();
    return path;
}

void TMBurstPhotoMask::applyMasktoRect(const Rect& r) {
    if (!TMPhotoMaskCanvas::isMaskable(r))
        return;
    const Rect q = insetRect(Rect(0, 0, r.width(), r.height()), 2.0f, 2.0f);
    calcCachedBurstPath(q);
    TMPhotoMaskCanvas::applyShrinkingOutlinesFrom(
        r, q, _featherPct, [this](const Rect& outline, bool) { return fitBurstToRect(outline); });
}
