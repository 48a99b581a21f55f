#include "framework/model/TMPhotoObject.h"
#include "framework/Formwell.h"

#include "framework/model/TMBitmapPhotoMask.h"
#include "framework/model/TMLabelText.h"
#include "framework/model/TMPhotoMaskManager.h"
#include "framework/model/TMUtilities.h"
#include "framework/model/TemplateImageSource.h"
#include "platform/archiving/Archiver.h"
#include "platform/archiving/Unarchiver.h"
#include "platform/documents/View.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/graphics/AffineTransform.h"
#include "platform/graphics/BezierPath.h"
#include "platform/graphics/Color.h"
#include "platform/graphics/Font.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/ImageFocus.h"
#include "platform/imaging/ColorMatching.h"

#include <QDebug>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPalette>
#include <algorithm>
#include <cmath>

namespace {

[[maybe_unused]] const bool kRegistered = [] {
    TMObject::registerKind<TMPhotoObject>(QStringLiteral("TMPhotoObject"));
    return true;
}();

constexpr float kPointsPerInch = 72.0f;
constexpr float kOutlineWidth = 2.0f;
// The room kept around the cell for the rendered shadow, in points.
constexpr float kVisibleFrameGrowth = 72.0f;

QString key(const char* name) {
    return QString::fromLatin1(name);
}

QColor controlShadowColor() {
    return QGuiApplication::palette().color(QPalette::Active, QPalette::Dark);
}

QColor blackColor() {
    return Color::blackColor().toQColor();
}

float clampedFraction(float value) {
    return value >= 0 ? std::min(value, 1.0f) : 0.0f;
}

// The image source counts cells from 0.
int32_t cellIndexOfNumber(int32_t photoNumber) {
    return int32_t(int64_t(photoNumber) - 1);
}

bool isFinite(const Rect& r) {
    return std::isfinite(r.minX()) && std::isfinite(r.minY()) && std::isfinite(r.width()) &&
           std::isfinite(r.height());
}

} // namespace

// ---------------------------------------------------------------------------
// Construction

TMPhotoObject::TMPhotoObject() {
    adoptMask(TMPhotoMaskManager::sharedManager()->defaultPhotoMask());
}

TMPhotoObject::~TMPhotoObject() {
    for (const std::weak_ptr<TMPhotoMask>& weak : _adoptedMasks)
        if (TMPhotoMaskRef mask = weak.lock(); mask && mask->parentObject() == this)
            mask->setParentObject(nullptr);
}

TMPhotoObjectRef TMPhotoObject::newTemplateObject() {
    return create<TMPhotoObject>();
}

TMPhotoObjectRef
TMPhotoObject::newTemplateObjectWithRepresentation(const QVariantMap& representation) {
    return createWithRepresentation<TMPhotoObject>(representation);
}

TMPhotoObjectRef TMPhotoObject::newTemplateObjectWithOriginSize(Point origin, Size size) {
    return createWithOriginSize<TMPhotoObject>(origin, size);
}

void TMPhotoObject::initShadow() {
    TMObject::initShadow();
    if (_shadow)
        _shadow->offset = {7.071068f, -7.071068f};
}

void TMPhotoObject::adoptMask(const TMPhotoMaskRef& mask) {
    _photoMask = mask;
    if (!mask)
        return;
    mask->setParentObject(this);
    std::erase_if(_adoptedMasks, [](const std::weak_ptr<TMPhotoMask>& m) { return m.expired(); });
    _adoptedMasks.push_back(mask);
}

void TMPhotoObject::initWithRepresentation(const QVariantMap& representation) {
    TMObject::initWithRepresentation(representation);
    if (const auto v = representation.constFind(key(kPhotoNumKey)); v != representation.cend())
        _photoNumber = v->toInt();
    if (const auto v = representation.constFind(key(kPhotoOpacityKey)); v != representation.cend())
        _opacity = v->toFloat();
    if (const auto v = representation.constFind(key(kPhotoMaskEnabledKey));
        v != representation.cend())
        _photoMaskEnabled = v->toBool();
    if (const auto v = representation.constFind(key(kPhotoMaskKey)); v != representation.cend()) {
        QString error;
        const QVariant root = Unarchiver::unarchiveObject(v->toByteArray(), &error);
        if (TMPhotoMaskRef mask = objectFromVariantAs<TMPhotoMask>(root)) {
            adoptMask(mask);
        } else if (!root.isValid() && error.isEmpty()) {
            // The archive of no mask.
            adoptMask(nullptr);
        } else {
            _maskReadProblem =
                QStringLiteral("A photo cell's mask could not be read (%1) and was left out; "
                               "the cell shows its default mask.")
                    .arg(error.isEmpty() ? QStringLiteral("not a mask") : error);
        }
    }
}

QStringList TMPhotoObject::readProblems() const {
    return _maskReadProblem.isEmpty() ? QStringList() : QStringList{_maskReadProblem};
}

QVariantMap TMPhotoObject::dictRepresentation() const {
    QVariantMap d = TMObject::dictRepresentation();
    d.insert(key(kPhotoNumKey), QVariant(int(_photoNumber)));
    d.insert(key(kPhotoOpacityKey), QVariant(_opacity));
    d.insert(key(kPhotoMaskEnabledKey), QVariant(_photoMaskEnabled));
    d.insert(key(kPhotoMaskKey), Archiver::archivedData(std::static_pointer_cast<Archivable>(
                                     std::const_pointer_cast<TMPhotoMask>(_photoMask))));
    return d;
}

Rect TMPhotoObject::visibleFrame() const {
    return insetRect(TMObject::visibleFrame(), -kVisibleFrameGrowth, -kVisibleFrameGrowth);
}

// ---------------------------------------------------------------------------
// Properties

void TMPhotoObject::setPhotoNumber(int32_t number) {
    if (number == _photoNumber)
        return;
    _photoNumber = number;
    recache();
    setNeedsDisplay();
}

void TMPhotoObject::setOpacity(float opacity) {
    if (changeValue(_opacity, opacity, &TMPhotoObject::setOpacity, kOpacityActionKey)) {
        recache();
        changeMade();
    }
}

void TMPhotoObject::setMaskEnabled(bool enabled) {
    if (changeValue(_photoMaskEnabled, enabled, &TMPhotoObject::setMaskEnabled,
                    kMaskEnabledActionKey)) {
        recache();
        changeMade();
    }
}

void TMPhotoObject::setMask(const TMPhotoMaskRef& mask) {
    if (mask == _photoMask)
        return;
    registerUndo(
        [old = _photoMask](TMObject& self) { static_cast<TMPhotoObject&>(self).setMask(old); },
        kMaskChangeActionKey);
    adoptMask(mask);
    recache();
    changeMade();
}

bool TMPhotoObject::supportsSharedIamges() const {
    return std::dynamic_pointer_cast<TMBitmapPhotoMask>(_photoMask) != nullptr;
}

QString TMPhotoObject::sharedImageRef() const {
    const auto bitmap = std::dynamic_pointer_cast<TMBitmapPhotoMask>(_photoMask);
    return bitmap ? key(kMaskImageNamePrefix) + bitmap->maskPatternName() : QString();
}

void TMPhotoObject::setParentDocument(Document* document) {
    TMObject::setParentDocument(document);
    if (document && _photoMask)
        _photoMask->setParentObject(this);
}

void TMPhotoObject::recache() {
    _cachedImage.reset();
    setNeedsDisplay();
}

// ---------------------------------------------------------------------------
// Drawing

Size TMPhotoObject::destPhotoCellSize() const {
    const float w = _size.width;
    const float h = _size.height;
    if (isDrawingToScreen() || !_imageSource)
        return {w, h};
    const Rect natural = _imageSource->naturalImageBoundsForCell(cellIndexOfNumber(_photoNumber));
    const float preferred = _imageSource->preferredDPI();
    float dpi;
    if (preferred > 0) {
        dpi = preferred;
    } else {
        dpi = std::max(natural.height() / (h / kPointsPerInch),
                       natural.width() / (w / kPointsPerInch));
        if (dpi < kPointsPerInch)
            dpi = kPointsPerInch;
    }
    return {float(double(w) / 72.0 * double(dpi)), float(double(dpi) * double(h) / 72.0)};
}

std::optional<Image> TMPhotoObject::render(bool toScreen, float marginX, float marginY,
                                           Image recycled) {
    const Size dest = destPhotoCellSize();
    const float pw = std::round(dest.width);
    const float ph = std::round(dest.height);
    if (!(pw > 0) || !(ph > 0))
        return std::nullopt;
    const float sx = pw / _size.width;
    const float sy = ph / _size.height;
    const float width = pw + std::ceil(marginX * sx);
    const float height = ph + std::ceil(marginY * sy);
    if (!(width <= kMaxRenderSide) || !(height <= kMaxRenderSide) ||
        double(width) * double(height) > kMaxRenderPixels) {
        qWarning().noquote() << QStringLiteral("A photo cell of %1 x %2 pixels is too large to "
                                               "render; it is left out.")
                                    .arg(double(width))
                                    .arg(double(height));
        return std::nullopt;
    }
    const Rect photoRect = integralRect(
        Rect(float(std::round(0.5 * marginX * sx)), float(std::round(0.5 * marginY * sy)), pw, ph));

    Image image;
    // Page after page of printing draws into the last page's pixels: fresh
    // memory costs a page fault per few kilobytes on first touch.
    if (recycled.pixelSize() == QSize(int(std::ceil(width)), int(std::ceil(height))) &&
        recycled.pixels().format() == QImage::Format_ARGB32_Premultiplied)
        image.setPixels(recycled.pixels());
    recycled = Image();
    image.setSize({width, height});
    ImageFocus focus(image);
    GraphicsContext* context = focus.context();
    if (!context)
        return std::nullopt;
    context->setFillColor(Color::calibratedWhite(0, 0).toQColor());
    context->rectFillUsingOperation(Rect(0, 0, width, height), CompositingOperation::Copy);
    const bool drawn = drawPhotoInRectToScreen(photoRect, toScreen);
    if (!drawn && (toScreen || !_imageSource))
        drawObjectContentsInRect(photoRect);
    if (_photoMaskEnabled && _photoMask)
        _photoMask->applyMasktoRect(photoRect);
    focus.unlockFocus();

    if (!toScreen) {
        // The rendering is in the display's colours until the source matches
        // it to its output profile, if it uses one.
        const QByteArray profile = defaultDisplayProfile();
        if (!profile.isEmpty())
            image.setIccProfile(profile);
        if (_imageSource)
            _imageSource->colorMatchImage(image);
    }
    return image;
}

void TMPhotoObject::drawObject(bool drawHandles) {
    const float w = _size.width;
    const float h = _size.height;
    if (!(w > 0) || !(h > 0))
        return;
    GraphicsContext* context = GraphicsContext::currentContext();
    if (!context)
        return;
    const bool toScreen = isDrawingToScreen();
    const bool shadowOn = shadowEnabled().toBool();

    float marginX = 0;
    float marginY = 0;
    if (shadowOn && _shadow) {
        const float blur = std::ceil(_shadow->blurRadius);
        marginX = 2 * (std::fabs(_shadow->offset.width) + blur);
        marginY = 2 * (std::fabs(_shadow->offset.height) + blur);
    }

    Image previous;
    if (!toScreen && _cachedImage) {
        previous = std::move(*_cachedImage);
        _cachedImage.reset();
    }
    if (!_cachedImage)
        _cachedImage = render(toScreen, marginX, marginY, std::move(previous));

    if (_cachedImage) {
        const Rect destination(-w / 2 - marginX / 2, -h / 2 - marginY / 2, w + marginX,
                               h + marginY);
        const AffineTransform saved = context->transform();
        AffineTransform place;
        place.translateXByYBy(_center.x, _center.y);
        place.scaleXByYBy(1, -1);
        place.rotateByDegrees(-_rotation);
        place.concat();
        if (shadowOn) {
            context->saveGraphicsState();
            applyShadow();
        }
        context->drawImage(*_cachedImage, destination, kZeroRect, CompositingOperation::SourceOver,
                           1.0f);
        if (shadowOn)
            context->restoreGraphicsState();
        context->setTransform(saved);
    }

    if (toScreen && !_imageSource) {
        BezierPath outline = path();
        outline.setLineJoinStyle(LineJoinStyle::Round);
        outline.setLineWidth(kOutlineWidth);
        context->setStrokeColor(controlShadowColor());
        outline.stroke();
    }
    context->setColor(blackColor());

    if (toScreen) {
        if (drawHandles && selected() && !inCreation())
            this->drawHandles();
        _lastDrawnInView = View::focusView();
        if (inCreation() || inResize())
            _cachedImage.reset();
    } else {
        _cachedImage.reset();
    }
}

bool TMPhotoObject::drawPhotoInRect(const Rect& r) {
    return drawPhotoInRectToScreen(r, isDrawingToScreen());
}

// toScreen is decided by the destination the cell is drawn into, not by the
// offscreen image it renders into.
bool TMPhotoObject::drawPhotoInRectToScreen(const Rect& r, bool toScreen) {
    if (!_imageSource)
        return false;
    const int32_t cell = cellIndexOfNumber(_photoNumber);
    const Image photo =
        toScreen ? _imageSource->imageForCell(cell) : _imageSource->hiresImageForCell(cell);
    if (photo.isNull())
        return false;
    const std::vector<std::shared_ptr<TMObject>> captions = _imageSource->captionArrayForCell(cell);
    const Rect crop = _imageSource->cropRectForCell(cell);
    const Rect natural = _imageSource->naturalImageBoundsForCell(cell);
    const int32_t mode = _imageSource->scalingModeForCell(cell);
    const Point offset = _imageSource->offsetForCell(cell);

    const Rect bounds(0, 0, photo.size().width, photo.size().height);
    const Rect source = crop == kZeroRect ? bounds : TMMapRect(natural, bounds, crop);
    const float sw = source.width();
    const float sh = source.height();
    if (!(sw > 0) || !(sh > 0) || !isFinite(source))
        return false;

    Rect visible;
    Rect destination;
    if (mode == ScalingModeFill) {
        const float hAtW = sh / sw * r.width();
        const float wAtH = sw / sh * r.height();
        Size cover;
        if (hAtW >= r.height() && wAtH >= r.width()) {
            if ((wAtH - r.width()) * r.height() > (hAtW - r.height()) * r.width())
                cover = {r.width(), hAtW};
            else
                cover = {wAtH, r.height()};
        } else if (hAtW >= r.height()) {
            cover = {r.width(), hAtW};
        } else {
            cover = {wAtH, r.height()};
        }
        visible = TMMapRect(Rect(r.origin, cover), source, r);
        visible = TMCenterRectInRect(visible, source);
        if (!(offset == kZeroPoint) && !natural.isEmpty()) {
            const Point p = TMMapPoint(natural, bounds, offset);
            const Rect moved = offsetRect(visible, -p.x, -p.y);
            visible = TMBindRectInRect(moved, source);
            if (!(visible.origin == moved.origin)) {
                // Too far: the source may keep the largest offset that keeps
                // the cell covered.
                const Point held{moved.minX() - visible.minX() + p.x,
                                 moved.minY() - visible.minY() + p.y};
                _imageSource->keepDrawnOffsetForCell(TMMapPoint(bounds, natural, held), cell);
            }
        }
        destination = r;
    } else if (mode == ScalingModeFit) {
        Size fitted{sw, sh};
        if (r.width() > sw && r.height() > sh) {
            const float factor = std::max(r.height() / sh, r.width() / sw);
            fitted = {fitted.width * factor, fitted.height * factor};
        }
        fitted = TMScaleSizeToFit(fitted, r.size);
        destination = TMCenterRectInRect(Rect(r.origin, fitted), r);
        visible = source;
    } else {
        visible = source;
        destination = r;
    }

    photo.drawInRectFromRectOperationFraction(destination, visible, CompositingOperation::Copy,
                                              _opacity);
    if (!captions.empty())
        drawCaptions(captions, visible, destination, bounds, natural);
    return true;
}

void TMPhotoObject::drawCaptions(const std::vector<std::shared_ptr<TMObject>>& captions,
                                 const Rect& drawn, const Rect& destination,
                                 const Rect& imageBounds, const Rect& natural) {
    GraphicsContext* context = GraphicsContext::currentContext();
    if (!context)
        return;
    const Rect m = TMMapRect(imageBounds, natural, drawn);
    if (!(m.width() > 0) || !(m.height() > 0) || !isFinite(m))
        return;
    const float zoom = m.width() / destination.width();
    context->saveGraphicsState();
    AffineTransform onto;
    onto.translateXByYBy(destination.minX(), destination.minY());
    onto.scaleXByYBy(destination.width() / m.width(), destination.height() / m.height());
    onto.translateXByYBy(-m.minX(), -m.minY());
    onto.concat();
    for (const std::shared_ptr<TMObject>& caption : captions) {
        if (!caption)
            continue;
        caption->setZoomFactor(zoom);
        caption->drawObject(false);
        caption->setLastDrawnInView(nullptr);
    }
    context->restoreGraphicsState();
}

void TMPhotoObject::drawObjectContentsInRect(const Rect& r) {
    GraphicsContext* context = GraphicsContext::currentContext();
    if (!context)
        return;
    const QString label = frameworkString(kPhotoCellLabelKey) + QString::number(_photoNumber);
    QColor fill = controlShadowColor();
    fill.setAlphaF(clampedFraction(_opacity));
    context->setFillColor(fill);
    context->fillPath(BezierPath::bezierPathWithRect(r));
    if (drawingThumbnail()) {
        context->setColor(blackColor());
        return;
    }

    TMLabelText::drawInRect(label, r, Color::calibratedWhite(1.0f / 3.0f).toQColor());
    context->setColor(blackColor());
}
