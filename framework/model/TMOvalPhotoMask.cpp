#include "framework/model/TMOvalPhotoMask.h"
#include "framework/Formwell.h"

#include "framework/model/TMPhotoMaskCanvas.h"
#include "platform/archiving/Archiver.h"
#include "platform/archiving/Unarchiver.h"

namespace {

[[maybe_unused]] const bool kRegistered = [] {
    TMPhotoMask::registerMaskClass<TMOvalPhotoMask>(QStringLiteral("TMOvalPhotoMask"));
    return true;
}();

// What a stored feather outside 0 to 1 becomes.
constexpr float kStoredFeatherFallback = 0.05f;

} // namespace

void TMOvalPhotoMask::init() {
    TMPhotoMask::init();
    _featherPct = 0;
}

QString TMOvalPhotoMask::maskControllerClass() const {
    return QStringLiteral("TMOvalPhotoMaskController");
}

TMPhotoMaskRef TMOvalPhotoMask::copy() const {
    return std::make_shared<TMOvalPhotoMask>(*this);
}

void TMOvalPhotoMask::encodeWithCoder(Archiver& coder) const {
    TMPhotoMask::encodeWithCoder(coder);
    coder.encodeObject(QVariantMap{{QString::fromLatin1(kFeatherPctKey), _featherPct}});
}

bool TMOvalPhotoMask::initWithCoder(Unarchiver& coder) {
    if (!TMPhotoMask::initWithCoder(coder))
        return false;
    const QVariantMap own = decodeOwnDictionary(coder);
    if (const std::optional<double> feather = numberForKey(own, kFeatherPctKey))
        _featherPct = float(*feather);
    // Not-a-number fails this test as well.
    if (!(_featherPct >= 0 && _featherPct <= 1))
        _featherPct = kStoredFeatherFallback;
    return true;
}

QString TMOvalPhotoMask::name() const {
    return frameworkString("OVAL_MASK");
}

void TMOvalPhotoMask::setFeatherPct(float value) {
    // A negative feather would clear the whole photograph, one above 1 would
    // not survive saving.
    const std::optional<float> feather = heldFraction(value);
    if (feather &&
        changeValue(_featherPct, *feather, &TMOvalPhotoMask::setFeatherPct, kFeatherActionKey))
        changeMade();
}

void TMOvalPhotoMask::applyMasktoRect(const Rect& r) {
    TMPhotoMaskCanvas::applyShrinkingOutlines(r, _featherPct, [](const Rect& q, bool) {
        return BezierPath::bezierPathWithOvalInRect(q);
    });
}
