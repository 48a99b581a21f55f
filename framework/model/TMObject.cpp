#include "framework/model/TMObject.h"
#include "framework/Formwell.h"

#include "framework/model/ShadowAccessors.h"
#include "framework/model/TMUtilities.h"
#include "framework/model/TemplateImageSource.h"
#include "platform/archiving/Archiver.h"
#include "platform/archiving/Unarchiver.h"
#include "platform/documents/Document.h"
#include "platform/documents/View.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/HostServices.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/NotificationQueue.h"
#include "platform/foundation/UndoManager.h"
#include "platform/graphics/AffineTransform.h"
#include "platform/graphics/Color.h"
#include "platform/graphics/GraphicsContext.h"

#include <QSet>
#include <QUuid>
#include <array>
#include <cmath>
#include <limits>
#include <mutex>

namespace {

[[maybe_unused]] const bool kRegistered = [] {
    TMObject::registerKind<TMObject>(QStringLiteral("TMObject"));
    return true;
}();

// The first system with shadows is 10.3.
constexpr uint32_t kLastSystemWithoutShadows = 0x102F;

QString key(const char* name) {
    return QString::fromLatin1(name);
}

QString newUniqueID() {
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

// The mirror of knobs 0 to 8.
constexpr std::array<int, 9> kHorizontalMirror = {0, 3, 2, 1, 5, 4, 8, 7, 6};
constexpr std::array<int, 9> kVerticalMirror = {0, 6, 7, 8, 4, 5, 1, 2, 3};

bool isLeftKnob(int k) {
    return k == 1 || k == 4 || k == 6;
}
bool isRightKnob(int k) {
    return k == 3 || k == 5 || k == 8;
}
bool isBottomKnob(int k) {
    return k == 1 || k == 2 || k == 3;
}
bool isTopKnob(int k) {
    return k == 6 || k == 7 || k == 8;
}

} // namespace

// ---------------------------------------------------------------------------
// Construction

TMObject::TMObject()
    : _size{frameworkString(kPhotoHeightKey).toFloat(), frameworkString(kPhotoWidthKey).toFloat()},
      _uniqueID(newUniqueID()) {}

TMObject::~TMObject() {
    if (_queuedUnowned)
        NotificationQueue::defaultQueue().dequeueNotificationsMatching(
            Notification(key(kTemplateObjectChangedNofity),
                         static_cast<const void*>(static_cast<const TMObject*>(this))),
            NotificationQueue::CoalescingOnName | NotificationQueue::CoalescingOnSender);
}

void TMObject::finishInit() {
    const std::shared_ptr<const ClassInfo> info = ClassRegistry::shared().classOfObject(*this);
    if (!info)
        Exception::raise(key(kInternalInconsistencyException),
                         QStringLiteral("page-object class made without registering its kind"));
    _kind = info->name;
    if (supportsShadow())
        initShadow();
}

TMObjectRef TMObject::newTemplateObject() {
    return create<TMObject>();
}

TMObjectRef TMObject::newTemplateObjectWithRepresentation(const QVariantMap& representation) {
    return createWithRepresentation<TMObject>(representation);
}

TMObjectRef TMObject::newTemplateObjectWithOriginSize(Point origin, Size size) {
    return createWithOriginSize<TMObject>(origin, size);
}

namespace {

struct PageObjectKinds {
    std::mutex lock;
    QSet<QString> kinds;
};

PageObjectKinds& pageObjectKinds() {
    static PageObjectKinds known;
    return known;
}

} // namespace

void TMObject::rememberPageObjectKind(const QString& kind) {
    PageObjectKinds& known = pageObjectKinds();
    const std::lock_guard guard(known.lock);
    known.kinds.insert(kind);
}

bool TMObject::isPageObjectKind(const QString& kind) {
    PageObjectKinds& known = pageObjectKinds();
    const std::lock_guard guard(known.lock);
    return known.kinds.contains(kind);
}

TMObjectRef TMObject::newTemplateObjectOfKind(const QString& kind) {
    if (!isPageObjectKind(kind))
        return nullptr;
    const std::shared_ptr<const ClassInfo> info = ClassRegistry::shared().classNamed(kind);
    if (!info || !info->factory)
        return nullptr;
    return std::dynamic_pointer_cast<TMObject>(info->factory());
}

TMObjectRef TMObject::newTemplateObjectOfKindWithRepresentation(const QString& kind,
                                                                const QVariantMap& representation) {
    TMObjectRef object = newTemplateObjectOfKind(kind);
    if (object)
        object->initWithRepresentation(representation);
    return object;
}

int TMObject::flipKnobHorizontal(int knob, bool horizontal) {
    if (knob < 0 || knob > 8)
        return knob;
    return horizontal ? kHorizontalMirror[size_t(knob)] : kVerticalMirror[size_t(knob)];
}

bool TMObject::isOldGenerationRepresentation(const QVariantMap& representation) {
    const auto it = representation.constFind(key(kKindKey));
    return it != representation.cend() && !it->toString().startsWith(QLatin1String("TM"));
}

QVariantMap TMObject::dictionaryFromPoint(Point point) {
    return {{key(kPointXKey), QVariant(point.x)}, {key(kPointYKey), QVariant(point.y)}};
}

QVariantMap TMObject::dictionaryFromSize(Size size) {
    return {{key(kSizeWidthKey), QVariant(size.width)},
            {key(kSizeHeightKey), QVariant(size.height)}};
}

Point TMObject::pointFromDictionary(const QVariant& value) {
    const QVariantMap map = value.toMap();
    return {map.value(key(kPointXKey)).toFloat(), map.value(key(kPointYKey)).toFloat()};
}

Size TMObject::sizeFromDictionary(const QVariant& value) {
    const QVariantMap map = value.toMap();
    return {map.value(key(kSizeWidthKey)).toFloat(), map.value(key(kSizeHeightKey)).toFloat()};
}

void TMObject::initShadow() {
    ShadowValue shadow;
    shadow.blurRadius = 6.0f;
    shadow.color = Color::calibratedWhite(0, 0.75f).toQColor();
    shadow.offset = {3.535534f, -3.535534f};
    _shadow = shadow;
}

void TMObject::initWithRepresentation(const QVariantMap& representation) {
    const bool oldGeneration = isOldGenerationRepresentation(representation);
    const float scale = oldGeneration ? 72.0f : 1.0f;

    if (const auto kind = representation.constFind(key(kKindKey));
        kind != representation.cend() && !oldGeneration)
        _kind = kind->toString();

    if (const auto size = representation.constFind(key(kSizeKey)); size != representation.cend()) {
        const Size s = sizeFromDictionary(*size);
        _size = {s.width * scale, s.height * scale};
    }

    if (const auto center = representation.constFind(key(kCenterKey));
        center != representation.cend()) {
        _center = pointFromDictionary(*center);
    } else if (const auto origin = representation.constFind(key(kOriginKey));
               origin != representation.cend()) {
        const Point o = pointFromDictionary(*origin);
        _center = {o.x * scale + _size.width / 2, o.y * scale + _size.height / 2};
    }

    if (const auto v = representation.constFind(key(kRotationKey)); v != representation.cend())
        _rotation = v->toFloat();
    if (const auto v = representation.constFind(key(kControlLockKey)); v != representation.cend())
        _lockedControlPtMask = v->toInt();
    if (const auto v = representation.constFind(key(kSizeLockKey)); v != representation.cend())
        _lockedSizeMask = v->toInt();
    if (const auto v = representation.constFind(key(kRotationLockKey)); v != representation.cend())
        _rotationLocked = v->toBool();
    if (const auto v = representation.constFind(key(kShadowEnabledKey)); v != representation.cend())
        _shadowEnabled = v->toBool();

    if (const auto v = representation.constFind(key(kShadowKey)); v != representation.cend()) {
        _shadow.reset();
        _rawShadow.reset();
        if (!supportsShadow()) {
            // Kept unread, to be written back as it came.
            _rawShadow = v->toByteArray();
        } else {
            _shadow = Unarchiver::unarchiveValue<ShadowValue>(v->toByteArray());
        }
    } else if (supportsShadow()) {
        _shadow.reset();
        initShadow();
    }

    if (const auto v = representation.constFind(key(kUniqueIDKey)); v != representation.cend())
        _uniqueID = v->toString();
    else
        _uniqueID = newUniqueID();
}

void TMObject::initWithCenterSize(Point center, Size size) {
    _center = center;
    _size = size;
}

void TMObject::initWithRect(const Rect& rect) {
    initWithCenterSize({rect.minX() + rect.width() / 2, rect.minY() + rect.height() / 2},
                       rect.size);
}

QVariantMap TMObject::dictRepresentation() const {
    QVariantMap d;
    d.insert(key(kKindKey), _kind);
    d.insert(key(kCenterKey), dictionaryFromPoint(_center));
    d.insert(key(kSizeKey), dictionaryFromSize(_size));
    d.insert(key(kRotationKey), QVariant(_rotation));
    d.insert(key(kControlLockKey), QVariant(int(_lockedControlPtMask)));
    d.insert(key(kSizeLockKey), QVariant(int(_lockedSizeMask)));
    d.insert(key(kRotationLockKey), QVariant(_rotationLocked));
    d.insert(key(kShadowEnabledKey), QVariant(_shadowEnabled));
    d.insert(key(kUniqueIDKey), _uniqueID);
    if (supportsShadow()) {
        d.insert(key(kShadowKey),
                 Archiver::archivedData(_shadow ? QVariant::fromValue(*_shadow) : QVariant()));
    } else if (_rawShadow) {
        d.insert(key(kShadowKey), *_rawShadow);
    }
    return d;
}

TMObjectRef TMObject::copy() const {
    const std::shared_ptr<const ClassInfo> info = ClassRegistry::shared().classOfObject(*this);
    TMObjectRef object =
        info && info->factory ? std::dynamic_pointer_cast<TMObject>(info->factory()) : nullptr;
    if (!object)
        Exception::raise(key(kInternalInconsistencyException),
                         QStringLiteral("page-object class made without registering its kind"));
    object->initWithRepresentation(dictRepresentation());
    return object;
}

void TMObject::encodeWithCoder(Archiver& coder) const {
    coder.encodeObject(QVariant(dictRepresentation()));
}

bool TMObject::initWithCoder(Unarchiver& coder) {
    const QVariant representation = coder.decodeObject();
    if (!representation.isValid() || representation.typeId() != QMetaType::QVariantMap)
        return false;
    initWithRepresentation(representation.toMap());
    return true;
}

void TMObject::objectWillBeRemoved(Document*) {}

// ---------------------------------------------------------------------------
// Change notification, invalidation, links

void TMObject::changeMade() {
    Notification::Sender sender;
    if (TMObjectRef self = weak_from_this().lock()) {
        sender = Notification::Sender(std::move(self));
    } else {
        sender = Notification::Sender(static_cast<const void*>(static_cast<const TMObject*>(this)));
        _queuedUnowned = true;
    }
    NotificationQueue::defaultQueue().enqueueNotification(
        Notification(key(kTemplateObjectChangedNofity), std::move(sender)),
        NotificationQueue::PostASAP);
    setNeedsDisplay();
}

void TMObject::setNeedsDisplay() {
    if (!_lastDrawnInView || _imageSource)
        return;
    _lastDrawnInView->setNeedsDisplayInRect(visibleFrame());
}

View* TMObject::lastDrawnInView() const {
    return _lastDrawnInView;
}

void TMObject::setLastDrawnInView(QObject* view) {
    if (!view)
        _lastDrawnInView = nullptr;
    else if (View* v = qobject_cast<View*>(view))
        _lastDrawnInView = v;
}

Document* TMObject::parentDocument() const {
    return _parentDocument;
}

void TMObject::setParentDocument(Document* document) {
    _parentDocument = document;
}

void TMObject::setDestinationDPI(float dpi) {
    if (!std::isfinite(dpi))
        _destinationDPI = 0;
    else if (dpi >= float(std::numeric_limits<int32_t>::max()))
        _destinationDPI = std::numeric_limits<int32_t>::max();
    else if (dpi <= float(std::numeric_limits<int32_t>::min()))
        _destinationDPI = std::numeric_limits<int32_t>::min();
    else
        _destinationDPI = int32_t(dpi);
}

UndoManager* TMObject::documentUndoManager() const {
    return _parentDocument ? _parentDocument->undoManager() : nullptr;
}

void TMObject::registerUndo(std::function<void(TMObject&)> step, const char* actionKey) const {
    UndoManager* undo = documentUndoManager();
    if (!undo)
        return;
    std::weak_ptr<TMObject> weak = const_cast<TMObject*>(this)->weak_from_this();
    undo->registerUndo(this, [weak, step = std::move(step)] {
        if (TMObjectRef self = weak.lock())
            step(*self);
    });
    undo->setActionName(frameworkString(actionKey));
}

// ---------------------------------------------------------------------------
// Geometry

void TMObject::assertViewBounds() {
    View* view = _lastDrawnInView;
    if (!view)
        return;
    Rect bounds = view->bounds();
    bounds.size.width *= _zoomFactor;
    bounds.size.height *= _zoomFactor;
    const Rect f = frame();
    if (intersectsRect(bounds, f))
        return;
    float dx = 0;
    float dy = 0;
    if (bounds.minX() >= f.maxX())
        dx = bounds.minX() - f.minX();
    else if (f.minX() >= bounds.maxX())
        dx = bounds.maxX() - f.maxX();
    if (bounds.minY() >= f.maxY())
        dy = bounds.minY() - f.minY();
    else if (f.minY() >= bounds.maxY())
        dy = bounds.maxY() - f.maxY();
    _center.x += dx;
    _center.y += dy;
}

QVariantMap TMObject::geometry() const {
    return {{key(kCenterKey), dictionaryFromPoint(_center)},
            {key(kSizeKey), dictionaryFromSize(_size)},
            {key(kRotationKey), QVariant(_rotation)},
            {key(kControlLockKey), QVariant(int(_lockedControlPtMask))},
            {key(kSizeLockKey), QVariant(int(_lockedSizeMask))},
            {key(kRotationLockKey), QVariant(_rotationLocked)}};
}

void TMObject::setGeometry(const QVariantMap& geometry) {
    Point center = _center;
    Size size = _size;
    float rotation = _rotation;
    int32_t controlLock = _lockedControlPtMask;
    int32_t sizeLock = _lockedSizeMask;
    bool rotationLock = _rotationLocked;
    if (const auto v = geometry.constFind(key(kCenterKey)); v != geometry.cend())
        center = pointFromDictionary(*v);
    if (const auto v = geometry.constFind(key(kSizeKey)); v != geometry.cend())
        size = sizeFromDictionary(*v);
    if (const auto v = geometry.constFind(key(kRotationKey)); v != geometry.cend())
        rotation = v->toFloat();
    if (const auto v = geometry.constFind(key(kControlLockKey)); v != geometry.cend())
        controlLock = v->toInt();
    if (const auto v = geometry.constFind(key(kSizeLockKey)); v != geometry.cend())
        sizeLock = v->toInt();
    if (const auto v = geometry.constFind(key(kRotationLockKey)); v != geometry.cend())
        rotationLock = v->toBool();

    const bool sizeChanges = size != _size;
    const bool centerChanges = center != _center;
    const bool rotationChanges = !(rotation == _rotation);
    if (!sizeChanges && !centerChanges && !rotationChanges && controlLock == _lockedControlPtMask &&
        sizeLock == _lockedSizeMask && rotationLock == _rotationLocked)
        return;

    // The editor registers the first step of a move itself; only the steps
    // that undo and redo make need their inverse here.
    if (UndoManager* undo = documentUndoManager();
        undo && (undo->isUndoing() || undo->isRedoing())) {
        const char* action = sizeChanges       ? kResizeActionKey
                             : centerChanges   ? kMoveActionKey
                             : rotationChanges ? kRotationActionKey
                                               : kObjectLockActionKey;
        registerUndo([old = this->geometry()](TMObject& self) { self.setGeometry(old); }, action);
    }

    setNeedsDisplay();
    setAbsoluteSize(size);
    setAbsoluteCenter(center);
    setAbsoluteRotation(rotation);
    _lockedControlPtMask = controlLock;
    _lockedSizeMask = sizeLock;
    _rotationLocked = rotationLock;
    assertViewBounds();
    changeMade();
    setNeedsDisplay();
    // Undo and redo of a resize come here: a rendering kept for the old size
    // would be stretched into the new one.
    if (sizeChanges || this->size() != size)
        recache();
}

void TMObject::moveBy(Point delta) {
    if (delta.x == 0 && delta.y == 0)
        return;
    setNeedsDisplay();
    if (!(_lockedControlPtMask & 1))
        _center.x += delta.x;
    if (!(_lockedControlPtMask & 2))
        _center.y += delta.y;
    assertViewBounds();
    changeMade();
    setNeedsDisplay();
}

void TMObject::setAbsoluteCenter(Point center) {
    _center = center;
}

void TMObject::setCenter(Point center) {
    if (_lockedControlPtMask & 1)
        center.x = _center.x;
    if (_lockedControlPtMask & 2)
        center.y = _center.y;
    if (center == _center)
        return;
    setNeedsDisplay();
    setAbsoluteCenter(center);
    assertViewBounds();
    changeMade();
    setNeedsDisplay();
}

Point TMObject::controlPt(int) const {
    return _center;
}

void TMObject::setControlPtTo(int, Point point) {
    setCenter(point);
}

void TMObject::setAbsoluteSize(Size size) {
    _size = size;
}

void TMObject::setSize(Size size) {
    if (_lockedSizeMask & 1)
        size.width = _size.width;
    if (_lockedSizeMask & 2)
        size.height = _size.height;
    if (size == _size)
        return;
    setNeedsDisplay();
    setAbsoluteSize(size);
    assertViewBounds();
    changeMade();
    setNeedsDisplay();
    recache();
}

Rect TMObject::unrotatedRect() const {
    return TMCenterRectOnPoint(Rect(kZeroPoint, _size), _center);
}

Rect TMObject::frame() const {
    if (_rotation == 0)
        return unrotatedRect();
    return path().controlPointBounds();
}

Rect TMObject::encapsulatingFrame() const {
    Rect r = insetRect(frame(), -1, -1);
    if (_selected)
        r = insetRect(r, -halfKnobWidth(), -halfKnobWidth());
    return r;
}

Rect TMObject::visibleFrame() const {
    Rect r = encapsulatingFrame();
    if (shadowEnabled().toBool() && _shadow) {
        const float grow =
            std::ceil(_shadow->blurRadius) + 1 +
            std::max(std::fabs(_shadow->offset.width), std::fabs(_shadow->offset.height));
        r = insetRect(r, -grow, -grow);
    }
    return r;
}

void TMObject::setFrame(const Rect& rect) {
    Point center = rect.center();
    Size size = rect.size;
    if (_lockedSizeMask & 1)
        size.width = _size.width;
    if (_lockedSizeMask & 2)
        size.height = _size.height;
    if (_lockedControlPtMask & 1)
        center.x = _center.x;
    if (_lockedControlPtMask & 2)
        center.y = _center.y;
    setGeometry({{key(kSizeKey), dictionaryFromSize(size)},
                 {key(kCenterKey), dictionaryFromPoint(center)}});
}

void TMObject::setFrameCornersFromTo(Point from, Point to) {
    setFrame(TMRectFromPoints(from, to));
}

void TMObject::nextSegment(Point) {}

void TMObject::endSegment(Point) {}

void TMObject::setAbsoluteRotation(float rotation) {
    _rotation = rotation;
}

void TMObject::setRotation(float rotation) {
    if (_rotationLocked || rotation == _rotation)
        return;
    setNeedsDisplay();
    setAbsoluteRotation(rotation);
    changeMade();
    setNeedsDisplay();
}

// ---------------------------------------------------------------------------
// Locks

void TMObject::setLockedControlPtMask(int32_t mask) {
    if (mask == _lockedControlPtMask)
        return;
    _lockedControlPtMask = mask;
    changeMade();
}

void TMObject::setLockedSizeMask(int32_t mask) {
    if (mask == _lockedSizeMask)
        return;
    _lockedSizeMask = mask;
    changeMade();
}

void TMObject::setRotationLocked(bool locked) {
    if (locked == _rotationLocked)
        return;
    _rotationLocked = locked;
    changeMade();
}

// ---------------------------------------------------------------------------
// Shadow

bool TMObject::supportsShadow() const {
    return host().osSystemVersion() > kLastSystemWithoutShadows;
}

QVariant TMObject::shadowEnabled() const {
    return supportsShadow() ? QVariant(_shadowEnabled) : QVariant();
}

void TMObject::setShadowEnabled(bool enabled) {
    if (enabled == _shadowEnabled)
        return;
    registerUndo([old = _shadowEnabled](TMObject& self) { self.setShadowEnabled(old); },
                 kShadowActionKey);
    changeMade();
    _shadowEnabled = enabled;
    recache();
    changeMade();
}

void TMObject::setShadow(const std::optional<ShadowValue>& shadow) {
    if (shadow == _shadow)
        return;
    registerUndo([old = _shadow](TMObject& self) { self.setShadow(old); }, kShadowActionKey);
    changeMade();
    _shadow = shadow;
    recache();
    changeMade();
}

void TMObject::applyShadow() const {
    if (!supportsShadow() || !_shadowEnabled || !_shadow)
        return;
    GraphicsContext* context = GraphicsContext::currentContext();
    if (!context)
        return;
    ShadowValue shadow = _drawingThumbnail ? flippedShadow(*_shadow) : *_shadow;
    if (_destinationDPI != 0) {
        const float scale = float(_destinationDPI) / 72.0f;
        shadow.offset = {shadow.offset.width * scale, shadow.offset.height * scale};
        shadow.blurRadius *= scale;
    }
    context->setShadow(shadow);
}

// ---------------------------------------------------------------------------
// Paths

Point TMObject::rotatePointOnCenterMagnitude(Point point, float factor) const {
    if (_rotation == 0)
        return point;
    AffineTransform t;
    t.translateXByYBy(_center.x, _center.y);
    t.rotateByDegrees(factor * _rotation);
    t.translateXByYBy(-_center.x, -_center.y);
    return t.transformPoint(point);
}

BezierPath TMObject::basicShape() const {
    return BezierPath::bezierPathWithRect(
        {-_size.width / 2, -_size.height / 2, _size.width, _size.height});
}

BezierPath TMObject::path() const {
    BezierPath p = basicShape();
    AffineTransform place;
    place.translateXByYBy(_center.x, _center.y);
    place.rotateByDegrees(_rotation);
    p.transformUsingAffineTransform(place);
    if (p.isEmpty())
        return p;
    // Strokes of one point land on whole pixels when the outline starts on a
    // half point.
    const Rect b = p.bounds();
    const float sx = 0.5f - (b.minX() - std::trunc(b.minX()));
    const float sy = 0.5f - (b.minY() - std::trunc(b.minY()));
    if (sx == 0 && sy == 0)
        return p;
    AffineTransform shift;
    shift.translateXByYBy(sx, sy);
    p.transformUsingAffineTransform(shift);
    return p;
}

// ---------------------------------------------------------------------------
// Hooks of subclasses

void TMObject::setPhotoNumber(int32_t) {}
void TMObject::setEditableTextNumber(int32_t) {}
void TMObject::setSharedImageRef(const QString&) {}
void TMObject::doubleClicked() {}
void TMObject::flipHorizontally() {}
void TMObject::flipVertically() {}
void TMObject::recache() {}
void TMObject::updateGeometryPalette() {}

// ---------------------------------------------------------------------------
// Editor state

void TMObject::setSelected(bool selected) {
    if (selected == _selected)
        return;
    setNeedsDisplay();
    _selected = selected;
    changeMade();
    setNeedsDisplay();
}

void TMObject::setInCreation(bool inCreation) {
    _inCreation = inCreation;
}

void TMObject::setInResize(bool inResize) {
    _inResize = inResize;
}

// ---------------------------------------------------------------------------
// Knobs

int32_t TMObject::knobMask() const {
    int32_t mask = 0;
    for (int k = 1; k <= 8; ++k)
        mask |= 1 << k;
    return mask;
}

Point TMObject::knobPoint(int knob) const {
    const Rect r = unrotatedRect();
    const float x = isLeftKnob(knob) ? r.minX() : isRightKnob(knob) ? r.maxX() : r.midX();
    const float y = isBottomKnob(knob) ? r.minY() : isTopKnob(knob) ? r.maxY() : r.midY();
    return {x, y};
}

int TMObject::knobUnderPoint(Point point) const {
    const Point q = rotatePointOnCenterMagnitude(point, -1);
    const int32_t mask = knobMask();
    const float side = knobWidth();
    for (int k = 1; k <= 8; ++k) {
        if (!(mask & (1 << k)))
            continue;
        const Point p = knobPoint(k);
        if (pointInRect(q, {p.x - side / 2, p.y - side / 2, side, side}))
            return k;
    }
    return 0;
}

int TMObject::resizeByMovingKnobToPoint(int knob, Point point) {
    const bool widthLocked = _lockedSizeMask & 1;
    const bool heightLocked = _lockedSizeMask & 2;
    if (widthLocked && heightLocked)
        return knob;
    if (widthLocked && (knob == 4 || knob == 5))
        return knob;
    if (heightLocked && (knob == 2 || knob == 7))
        return knob;

    const Rect r = unrotatedRect();
    const Point q = rotatePointOnCenterMagnitude(point, -1);

    float left = r.minX();
    float width = r.width();
    if (isLeftKnob(knob) && !widthLocked) {
        left = q.x;
        width = r.maxX() - q.x;
    } else if (isRightKnob(knob) && !widthLocked) {
        width = q.x - r.minX();
    }
    if (width < 0) {
        knob = flipKnobHorizontal(knob, true);
        width = -width;
        left -= width;
        flipHorizontally();
    }

    float bottom = r.minY();
    float height = r.height();
    if (isBottomKnob(knob) && !heightLocked) {
        bottom = q.y;
        height = r.maxY() - q.y;
    } else if (isTopKnob(knob) && !heightLocked) {
        height = q.y - r.minY();
    }
    if (height < 0) {
        knob = flipKnobHorizontal(knob, false);
        height = -height;
        bottom -= height;
        flipVertically();
    }

    Rect n(left, bottom, width, height);
    if (n == r)
        return knob;

    Point center = n.center();
    const Point oldCenter = r.center();
    if (_lockedControlPtMask != 0 && center != oldCenter) {
        // A locked coordinate stays; the object grows or shrinks evenly about
        // it instead. Shrinking past the centre stops at nothing, never below.
        if (_lockedControlPtMask & 1) {
            n.size.width = std::max(0.0f, r.width() + 2 * (n.width() - r.width()));
            center.x = oldCenter.x;
        }
        if (_lockedControlPtMask & 2) {
            n.size.height = std::max(0.0f, r.height() + 2 * (n.height() - r.height()));
            center.y = oldCenter.y;
        }
    }

    const Point placed = rotatePointOnCenterMagnitude(center, 1);
    setNeedsDisplay();
    setAbsoluteCenter(placed);
    setAbsoluteSize(n.size);
    changeMade();
    setNeedsDisplay();
    return knob;
}

void TMObject::drawHandleStyleAtPoint(int style, Point point) const {
    GraphicsContext* context = GraphicsContext::currentContext();
    const BezierPath* outline = host().handlePath(style);
    if (!context || !outline)
        return;
    float sx = 1;
    float sy = 1;
    if (View* view = View::focusView()) {
        const Rect bounds = view->bounds();
        const Rect frame = view->frame();
        if (frame.width() > 0 && frame.height() > 0) {
            sx = bounds.width() / frame.width();
            sy = bounds.height() / frame.height();
        }
    }
    BezierPath handle = *outline;
    AffineTransform place;
    place.translateXByYBy(point.x, point.y);
    place.scaleXByYBy(sx, sy);
    handle.transformUsingAffineTransform(place);
    handle.setLineWidth(handle.lineWidth() * sx);
    context->setFillColor(Color::calibratedRGB(0.357f, 0.596f, 0.678f, 0.75f).toQColor());
    handle.fill();
    context->setStrokeColor(Color::calibratedRGB(0.082f, 0.325f, 0.404f, 1.0f).toQColor());
    handle.stroke();
    context->setColor(Color::blackColor().toQColor());
}

void TMObject::drawHandleAtPoint(Point point) const {
    drawHandleStyleAtPoint(0, point);
}

void TMObject::drawSelectedHandleAtPoint(Point point) const {
    drawHandleStyleAtPoint(2, point);
}

void TMObject::drawHandles() const {
    const int32_t mask = knobMask();
    for (int k = 1; k <= 8; ++k)
        if (mask & (1 << k))
            drawHandleAtPoint(rotatePointOnCenterMagnitude(knobPoint(k), 1));
}

// ---------------------------------------------------------------------------
// Drawing and hit testing

bool TMObject::isDrawingToScreen() const {
    GraphicsContext* context = GraphicsContext::currentContext();
    if (!context || !context->isDrawingToScreen())
        return false;
    if (!_imageSource)
        return true;
    return _imageSource->destinationDevice() == 0;
}

void TMObject::drawObject(bool drawHandles) {
    path().stroke();
    if (drawHandles && selected())
        this->drawHandles();
    _lastDrawnInView = View::focusView();
}

void TMObject::drawProxyInRect(const Rect& rect) const {
    BezierPath::bezierPathWithRect(rect).stroke();
}

bool TMObject::intersectionTest(const Rect& rect) const {
    const Rect f = frame();
    if (!intersectsRect(rect, f))
        return false;
    const Rect i = intersectionRect(rect, f);
    if (i == f)
        return true;
    for (float y = i.minY(); y < i.maxY() && y + 1 != y; y += 1)
        if (hitTest({i.minX(), y}) || hitTest({i.maxX(), y}))
            return true;
    for (float x = i.minX(); x < i.maxX() && x + 1 != x; x += 1)
        if (hitTest({x, i.minY()}) || hitTest({x, i.maxY()}))
            return true;
    return false;
}

bool TMObject::hitTest(Point point) const {
    if (selected() && knobUnderPoint(point) != 0)
        return true;
    if (!pointInRect(point, encapsulatingFrame()))
        return false;
    return path().containsPoint(point);
}
