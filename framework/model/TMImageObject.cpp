#include "framework/model/TMImageObject.h"

#include "framework/model/TMPhotoObject.h"
#include "framework/model/TemplateDocument.h"
#include "platform/archiving/Archiver.h"
#include "platform/archiving/Unarchiver.h"
#include "platform/documents/View.h"
#include "platform/graphics/AffineTransform.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/ImageFocus.h"

#include <cmath>

namespace {

[[maybe_unused]] const bool kRegistered = [] {
    TMObject::registerKind<TMImageObject>(QStringLiteral("TMImageObject"));
    return true;
}();

QString key(const char* name) {
    return QString::fromLatin1(name);
}

std::optional<Image> unarchivedImage(const QVariant& data) {
    return Unarchiver::unarchiveValue<Image>(data.toByteArray());
}

} // namespace

TMImageObjectRef TMImageObject::newTemplateObject() {
    return create<TMImageObject>();
}

TMImageObjectRef
TMImageObject::newTemplateObjectWithRepresentation(const QVariantMap& representation) {
    return createWithRepresentation<TMImageObject>(representation);
}

TMImageObjectRef TMImageObject::newTemplateObjectWithOriginSize(Point origin, Size size) {
    return createWithOriginSize<TMImageObject>(origin, size);
}

void TMImageObject::initShadow() {
    TMObject::initShadow();
    if (_shadow)
        _shadow->offset = {7.071068f, -7.071068f};
}

void TMImageObject::initWithRepresentation(const QVariantMap& representation) {
    TMObject::initWithRepresentation(representation);
    const auto has = [&](const char* name) { return representation.contains(key(name)); };
    const auto value = [&](const char* name) { return representation.value(key(name)); };

    if (has(kImageRefKey)) {
        setSharedImageRef(value(kImageRefKey).toString());
    } else if (has(kImageRawKey)) {
        if (const std::optional<Image> image = unarchivedImage(value(kImageRawKey)))
            setImage(*image);
    } else if (has(kOldImageFileKey) || has(kOldImageDataKey)) {
        // The older generation knows no mirroring and names its own keys.
        if (has(kOldImageFileKey))
            setSharedImageRef(value(kOldImageFileKey).toString());
        else if (const std::optional<Image> image = unarchivedImage(value(kOldImageDataKey)))
            setImage(*image);
        if (has(kOldImageCompositionKey))
            _composition = value(kOldImageCompositionKey).toInt();
        if (has(kOldImageOpacityKey))
            _opacity = value(kOldImageOpacityKey).toFloat();
        return;
    }
    if (has(kImageCompKey))
        _composition = value(kImageCompKey).toInt();
    if (has(kImageOpacityKey))
        _opacity = value(kImageOpacityKey).toFloat();
    if (has(kImageHFlipKey))
        _flippedHoriz = value(kImageHFlipKey).toBool();
    if (has(kImageVFlipKey))
        _flippedVert = value(kImageVFlipKey).toBool();
}

QVariantMap TMImageObject::dictRepresentation() const {
    QVariantMap d = TMObject::dictRepresentation();
    if (!_theImageName.isNull())
        d.insert(key(kImageRefKey), _theImageName);
    else if (_theImage)
        d.insert(key(kImageRawKey), Archiver::archivedValue(*_theImage));
    d.insert(key(kImageCompKey), QVariant(int(_composition)));
    d.insert(key(kImageOpacityKey), QVariant(_opacity));
    d.insert(key(kImageHFlipKey), QVariant(_flippedHoriz));
    d.insert(key(kImageVFlipKey), QVariant(_flippedVert));
    return d;
}

// ---------------------------------------------------------------------------
// The picture

Image TMImageObject::image() const {
    if (!_theImageName.isNull())
        if (auto* document = qobject_cast<TemplateDocument*>(parentDocument()))
            if (const Image named = document->getImageWithName(_theImageName); !named.isNull())
                return named;
    return _theImage ? *_theImage : Image();
}

void TMImageObject::setImage(const Image& image) {
    if (image.isNull()) {
        _theImage.reset();
    } else {
        Image upright = image;
        upright.setFlipped(true);
        _theImage = upright;
    }
    recache();
    changeMade();
}

void TMImageObject::setSharedImageRef(const QString& name) {
    _theImageName = name;
    _theImage.reset();
    recache();
    changeMade();
}

// ---------------------------------------------------------------------------
// Undoable properties

void TMImageObject::setOpacity(float opacity) {
    if (changeValue(_opacity, opacity, &TMImageObject::setOpacity, kOpacityActionKey)) {
        recache();
        changeMade();
    }
}

void TMImageObject::setComposition(int32_t composition) {
    if (changeValue(_composition, composition, &TMImageObject::setComposition,
                    kCompositionActionKey)) {
        recache();
        changeMade();
    }
}

void TMImageObject::setFlipHorizontal(bool flip) {
    if (changeValue(_flippedHoriz, flip, &TMImageObject::setFlipHorizontal,
                    kHorizontalFlipActionKey)) {
        recache();
        changeMade();
    }
}

void TMImageObject::setFlipVertical(bool flip) {
    if (changeValue(_flippedVert, flip, &TMImageObject::setFlipVertical, kVerticalFlipActionKey)) {
        recache();
        changeMade();
    }
}

void TMImageObject::recache() {
    _cachedImage.reset();
    setNeedsDisplay();
    TMObject::recache();
}

// ---------------------------------------------------------------------------
// Drawing

std::optional<Image> TMImageObject::makeCache(const Image& source) const {
    const double w = std::ceil(double(_size.width));
    const double h = std::ceil(double(_size.height));
    if (w > kMaxCacheSide || h > kMaxCacheSide || w * h > kMaxCachePoints)
        return std::nullopt;
    Image cache;
    cache.setSize(_size);
    // Drawn the way the source is, so the cache shows what the source would.
    cache.setFlipped(source.isFlipped());
    ImageFocus focus(cache);
    GraphicsContext* context = focus.context();
    if (!context)
        return std::nullopt;
    context->drawImage(source, Rect(0, 0, _size.width, _size.height), kZeroRect,
                       CompositingOperation::Copy, 1.0f);
    focus.unlockFocus();
    return cache;
}

void TMImageObject::drawObject(bool drawHandles) {
    const float w = _size.width;
    const float h = _size.height;
    if (!(w > 0) || !(h > 0))
        return;
    GraphicsContext* context = GraphicsContext::currentContext();
    if (!context)
        return;
    const bool toScreen = isDrawingToScreen();

    Image source;
    if (toScreen) {
        if (!_cachedImage) {
            const Image full = image();
            if (!full.isNull())
                _cachedImage = makeCache(full);
            source = _cachedImage ? *_cachedImage : full;
        } else {
            source = *_cachedImage;
        }
    } else {
        source = image();
    }

    if (!source.isNull()) {
        const AffineTransform saved = context->transform();
        // One mirror turns the other way round, so the picture turns with its frame.
        const bool oneMirror = _flippedHoriz != _flippedVert;
        AffineTransform place;
        place.translateXByYBy(_center.x, _center.y);
        place.scaleXByYBy(_flippedHoriz ? -1 : 1, _flippedVert ? -1 : 1);
        place.rotateByDegrees(oneMirror ? -_rotation : _rotation);
        place.concat();
        const bool shadowOn = shadowEnabled().toBool();
        if (shadowOn) {
            context->saveGraphicsState();
            applyShadow();
        }
        context->drawImage(source, Rect(-w / 2, -h / 2, w, h), kZeroRect,
                           Compositing::operationFromInt(_composition), _opacity);
        if (shadowOn)
            context->restoreGraphicsState();
        context->setTransform(saved);
    }

    if (!toScreen)
        return;
    if (drawHandles && selected() && !inCreation())
        this->drawHandles();
    _lastDrawnInView = View::focusView();
}
