#include "framework/model/TMHeartPhotoMask.h"
#include "framework/Formwell.h"

#include "framework/model/TMPhotoMaskCanvas.h"
#include "platform/archiving/Archiver.h"
#include "platform/archiving/Unarchiver.h"

#include <algorithm>
#include <cmath>

namespace {

[[maybe_unused]] const bool kRegistered = [] {
    TMPhotoMask::registerMaskClass<TMHeartPhotoMask>(QStringLiteral("TMHeartPhotoMask"));
    return true;
}();

constexpr char kBoundsKey[] = "heart_bounds";
constexpr char kPathKey[] = "heart_path";
constexpr char kPeakKey[] = "heart_peak";
constexpr char kCleftKey[] = "heart_cleft";
constexpr char kPeakActionKey[] = "PEAK";
constexpr char kCleftActionKey[] = "CLEFT";
constexpr float kDefaultPeak = 0.5f;
constexpr float kDefaultCleft = 0.5f;

// A stored shape value the outline can be made from; beyond 0 to 1 the
// control points run off to infinity.
float drawable(float value) {
    return std::isnan(value) ? 0.5f : std::clamp(value, 0.0f, 1.0f);
}

} // namespace

void TMHeartPhotoMask::init() {
    TMOvalPhotoMask::init();
    _peak = kDefaultPeak;
    _cleft = kDefaultCleft;
}

QString TMHeartPhotoMask::maskControllerClass() const {
    return QStringLiteral("TMHeartPhotoMaskController");
}

TMPhotoMaskRef TMHeartPhotoMask::copy() const {
    return std::make_shared<TMHeartPhotoMask>(*this);
}

void TMHeartPhotoMask::encodeWithCoder(Archiver& coder) const {
    TMOvalPhotoMask::encodeWithCoder(coder);
    QVariantMap own{{QString::fromLatin1(kPeakKey), _peak},
                    {QString::fromLatin1(kCleftKey), _cleft}};
    _heart.encodeInto(own, kBoundsKey, kPathKey);
    coder.encodeObject(own);
}

bool TMHeartPhotoMask::initWithCoder(Unarchiver& coder) {
    if (!TMOvalPhotoMask::initWithCoder(coder))
        return false;
    const QVariantMap own = decodeOwnDictionary(coder);
    _heart.decodeFrom(own, kBoundsKey, kPathKey);
    if (const std::optional<double> peak = numberForKey(own, kPeakKey))
        _peak = float(*peak);
    if (const std::optional<double> cleft = numberForKey(own, kCleftKey))
        _cleft = float(*cleft);
    return true;
}

QString TMHeartPhotoMask::name() const {
    return frameworkString("HEART_MASK");
}

void TMHeartPhotoMask::setPeak(float value) {
    const std::optional<float> peak = heldFraction(value);
    if (!peak || !changeValue(_peak, *peak, &TMHeartPhotoMask::setPeak, kPeakActionKey))
        return;
    _heart.drop();
    changeMade();
}

void TMHeartPhotoMask::setCleft(float value) {
    const std::optional<float> cleft = heldFraction(value);
    if (!cleft || !changeValue(_cleft, *cleft, &TMHeartPhotoMask::setCleft, kCleftActionKey))
        return;
    _heart.drop();
    changeMade();
}

void TMHeartPhotoMask::calcCachedHeartPath(const Rect& q) {
    _heart.calc(q, [this](const Rect& rect) { return heartPathInRect(rect); });
}

BezierPath TMHeartPhotoMask::fitHeartToRect(const Rect& q) const {
    return _heart.fitToRect(q);
}

BezierPath TMHeartPhotoMask::heartPathInRect(const Rect& r) const {
    const float W = r.width(), H = r.height();
    const float X = -W / 2, Y = -H / 2;
    const float u = H / 6;
    const float D = 8 - 6 * drawable(_peak);
    const float k = H / 12 + (H / 6) * drawable(_cleft);
    const float xm = X + W / 2, xr = X + W, top = Y + H;
    BezierPath path;
    path.moveToPoint({xm, Y});
    path.curveToPointControlPoint1ControlPoint2({X + W / 50, Y + 3 * u}, {X + W / 4, Y + H / D},
                                                {X + W / 9, Y + u});
    path.curveToPointControlPoint1ControlPoint2(
        {X + W / 50, Y + 5 * u}, {X - W / 150, Y + 3.55f * u}, {X - W / 100, Y + 4.5f * u});
    path.curveToPointControlPoint1ControlPoint2({xm, top - k}, {X + W / 10, top + H / 19},
                                                {xm - W / 7, top + H / 19});
    path.curveToPointControlPoint1ControlPoint2(
        {xr - W / 50, Y + 5 * u}, {xm + W / 7, top + H / 19}, {xr - W / 10, top + H / 19});
    path.curveToPointControlPoint1ControlPoint2(
        {xr - W / 50, Y + 3 * u}, {xr + W / 100, Y + 4.5f * u}, {xr + W / 150, Y + 3.55f * u});
    path.curveToPointControlPoint1ControlPoint2({xm, Y}, {xr - W / 9, Y + u},
                                                {xr - W / 4, Y + H / D});
    path.closePath();
    return path;
}

void TMHeartPhotoMask::applyMasktoRect(const Rect& r) {
    if (!TMPhotoMaskCanvas::isMaskable(r))
        return;
    const Rect q = insetRect(Rect(0, 0, r.width(), r.height()), 2.0f, 2.0f);
    calcCachedHeartPath(q);
    TMPhotoMaskCanvas::applyShrinkingOutlinesFrom(
        r, q, _featherPct, [this](const Rect& outline, bool) { return fitHeartToRect(outline); });
}
