#include "framework/model/TMCloudPhotoMask.h"
#include "framework/Formwell.h"

#include "framework/model/TMCloudPath.h"
#include "framework/model/TMPhotoMaskCanvas.h"
#include "platform/archiving/Archiver.h"
#include "platform/archiving/Unarchiver.h"

#include <algorithm>
#include <cmath>

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
    if (!puffiness ||
        !changeValue(_puffiness, *puffiness, &TMCloudPhotoMask::setPuffiness, kPuffinessActionKey))
        return;
    _cloud.drop();
    changeMade();
}

Rect TMCloudPhotoMask::randomizeRect(const Rect& r) {
    return TMRandomizeRect(r);
}

void TMCloudPhotoMask::calcCachedCloudPath(const Rect& q) {
    _cloud.calc(q, [this](const Rect& rect) { return cloudPathInRect(rect); });
}

BezierPath TMCloudPhotoMask::fitCloudToRect(const Rect& q) const {
    return _cloud.fitToRect(q);
}

BezierPath TMCloudPhotoMask::cloudPathInRect(const Rect& r) const {
    const double W = r.width(), H = r.height();
    if (!(W > 0 && H > 0))
        return BezierPath();
    const double m = std::min(W, H) / 2;
    const double s = std::max(kSmallestPuff, std::min(m * double(_puffiness), m));
    return TMCloudOfCellsInRect(Rect(float(-W / 2), float(-H / 2), float(W), float(H)),
                                TMCloudCellSize(W, s), TMCloudCellSize(H, s));
}

void TMCloudPhotoMask::applyMasktoRect(const Rect& r) {
    if (!TMPhotoMaskCanvas::isMaskable(r))
        return;
    const Rect q = insetRect(Rect(0, 0, r.width(), r.height()), 2.0f, 2.0f);
    calcCachedCloudPath(q);
    TMPhotoMaskCanvas::applyShrinkingOutlinesFrom(
        r, q, _featherPct, [this](const Rect& outline, bool) { return fitCloudToRect(outline); });
}
