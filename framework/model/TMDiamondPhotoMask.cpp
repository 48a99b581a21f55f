#include "framework/model/TMDiamondPhotoMask.h"
#include "framework/Formwell.h"

#include "framework/model/TMPhotoMaskCanvas.h"

namespace {

[[maybe_unused]] const bool kRegistered = [] {
    TMPhotoMask::registerMaskClass<TMDiamondPhotoMask>(QStringLiteral("TMDiamondPhotoMask"));
    return true;
}();

} // namespace

QString TMDiamondPhotoMask::maskControllerClass() const {
    return QStringLiteral("TMDiamondPhotoMaskController");
}

TMPhotoMaskRef TMDiamondPhotoMask::copy() const {
    return std::make_shared<TMDiamondPhotoMask>(*this);
}

QString TMDiamondPhotoMask::name() const {
    return frameworkString("DIAMOND_MASK");
}

BezierPath TMDiamondPhotoMask::diamondPathInRect(const Rect& r) {
    const float x = r.minX(), y = r.minY(), w = r.width(), h = r.height();
    BezierPath path;
    path.moveToPoint({x, y + h / 2});
    path.lineToPoint({x + w / 2, y + h});
    path.lineToPoint({x + w, y + h / 2});
    path.lineToPoint({x + w / 2, y});
    path.closePath();
    return path;
}

void TMDiamondPhotoMask::applyMasktoRect(const Rect& r) {
    TMPhotoMaskCanvas::applyShrinkingOutlines(
        r, _featherPct, [](const Rect& q, bool) { return diamondPathInRect(q); });
}
