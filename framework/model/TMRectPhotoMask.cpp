#include "framework/model/TMRectPhotoMask.h"
#include "framework/Formwell.h"

#include "framework/model/TMGeometry.h"
#include "framework/model/TMPhotoMaskCanvas.h"
#include "platform/archiving/Archiver.h"
#include "platform/archiving/Unarchiver.h"

#include <algorithm>

namespace {

// The rectangle object stores its radius under the same key, in points.
constexpr char kCornerRadiusKey[] = "corner_radius";

[[maybe_unused]] const bool kRegistered = [] {
    TMPhotoMask::registerMaskClass<TMRectPhotoMask>(QStringLiteral("TMRectPhotoMask"));
    return true;
}();

constexpr float kDefaultCornerRadius = 0.1f;
// What stored values outside 0 to 1 become.
constexpr float kStoredFeatherFallback = 0.05f;
constexpr float kStoredCornerRadiusFallback = 0.1f;

bool isFraction(float value) {
    return value >= 0 && value <= 1;
}

} // namespace

void TMRectPhotoMask::init() {
    TMPhotoMask::init();
    _featherPct = 0;
    _cornerRadius = kDefaultCornerRadius;
}

QString TMRectPhotoMask::maskControllerClass() const {
    return QStringLiteral("TMRectPhotoMaskController");
}

TMPhotoMaskRef TMRectPhotoMask::copy() const {
    return std::make_shared<TMRectPhotoMask>(*this);
}

void TMRectPhotoMask::encodeWithCoder(Archiver& coder) const {
    TMPhotoMask::encodeWithCoder(coder);
    coder.encodeObject(QVariantMap{{QString::fromLatin1(kFeatherPctKey), _featherPct},
                                   {QString::fromLatin1(kCornerRadiusKey), _cornerRadius}});
}

bool TMRectPhotoMask::initWithCoder(Unarchiver& coder) {
    if (!TMPhotoMask::initWithCoder(coder))
        return false;
    const QVariantMap own = decodeOwnDictionary(coder);
    if (const std::optional<double> feather = numberForKey(own, kFeatherPctKey))
        _featherPct = float(*feather);
    if (const std::optional<double> radius = numberForKey(own, kCornerRadiusKey))
        _cornerRadius = float(*radius);
    if (!isFraction(_featherPct))
        _featherPct = kStoredFeatherFallback;
    if (!isFraction(_cornerRadius))
        _cornerRadius = kStoredCornerRadiusFallback;
    return true;
}

QString TMRectPhotoMask::name() const {
    return frameworkString("RECT_MASK");
}

void TMRectPhotoMask::setFeatherPct(float value) {
    // A negative feather would clear the whole photograph, one above 1 would
    // not survive saving.
    const std::optional<float> feather = heldFraction(value);
    if (feather &&
        changeValue(_featherPct, *feather, &TMRectPhotoMask::setFeatherPct, kFeatherActionKey))
        changeMade();
}

void TMRectPhotoMask::setCornerRadius(float value) {
    const std::optional<float> radius = heldFraction(value);
    if (radius &&
        changeValue(_cornerRadius, *radius, &TMRectPhotoMask::setCornerRadius, kCornersActionKey))
        changeMade();
}

void TMRectPhotoMask::applyMasktoRect(const Rect& r) {
    const float fromSide = std::min(r.width(), r.height()) * 0.5f * _cornerRadius;
    float radius = fromSide > 1.0f ? fromSide : 1.0f;
    TMPhotoMaskCanvas::applyShrinkingOutlines(r, _featherPct, [&radius](const Rect& q, bool soft) {
        BezierPath outline = TMRoundedRectangle(q, radius);
        if (soft)
            radius = std::max(radius - 1.0f, 0.0f);
        return outline;
    });
}
