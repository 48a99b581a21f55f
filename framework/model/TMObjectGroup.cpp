#include "framework/model/TMObjectGroup.h"

#include "framework/model/TMPrintAreaObject.h"
#include "platform/archiving/Archiver.h"
#include "platform/archiving/Unarchiver.h"
#include "platform/documents/View.h"
#include "platform/graphics/AffineTransform.h"
#include "platform/ui/ModalAlert.h"

#include <cmath>

namespace {

[[maybe_unused]] const bool kRegistered = [] {
    TMObject::registerKind<TMObjectGroup>(QStringLiteral("TMObjectGroup"));
    return true;
}();

QString key(const char* name) {
    return QString::fromLatin1(name);
}

// Into 0 <= angle < 360 by one turn at most, as rotations of members are kept.
float withinOneTurn(float degrees) {
    if (degrees >= 360)
        return degrees - 360;
    if (degrees < 0)
        return degrees + 360;
    return degrees;
}

bool usableFactor(float factor) {
    return factor != 0 && std::isfinite(factor);
}

} // namespace

// ---------------------------------------------------------------------------
// Queries

bool TMObjectGroup::takes(Query query, const TMObject& object) {
    switch (query) {
    case Query::PhotoObjects:
        return object.isPhotoObject();
    case Query::EditableTextObjects:
        return object.isEditableTextObject();
    case Query::PropertyTextObjects:
        return object.isPropertyObject();
    case Query::SharedImageObjects:
        return object.supportsSharedIamges();
    case Query::PrintAreaObjects:
        return dynamic_cast<const TMPrintAreaObject*>(&object) != nullptr;
    }
    return false;
}

QList<TMObjectRef> TMObjectGroup::objectsTakenBy(const QList<TMObjectRef>& objects, Query query) {
    QList<TMObjectRef> taken;
    for (const TMObjectRef& object : objects) {
        if (!object)
            continue;
        if (takes(query, *object))
            taken.append(object);
        else if (const auto* group = dynamic_cast<const TMObjectGroup*>(object.get()))
            taken.append(objectsTakenBy(group->_groupedObjects, query));
    }
    return taken;
}

QList<TMObjectRef> TMObjectGroup::containedPhotoObjects() const {
    return objectsTakenBy(_groupedObjects, Query::PhotoObjects);
}

QList<TMObjectRef> TMObjectGroup::containedEditableTextObjects() const {
    return objectsTakenBy(_groupedObjects, Query::EditableTextObjects);
}

QList<TMObjectRef> TMObjectGroup::containedPropertyTextObjects() const {
    return objectsTakenBy(_groupedObjects, Query::PropertyTextObjects);
}

QList<TMObjectRef> TMObjectGroup::containedSharedImageObjects() const {
    return objectsTakenBy(_groupedObjects, Query::SharedImageObjects);
}

QList<TMObjectRef> TMObjectGroup::containedPrintAreaObjects() const {
    return objectsTakenBy(_groupedObjects, Query::PrintAreaObjects);
}

// ---------------------------------------------------------------------------
// Construction and representation

TMObjectGroupRef TMObjectGroup::newTemplateObject() {
    return create<TMObjectGroup>();
}

TMObjectGroupRef
TMObjectGroup::newTemplateObjectWithRepresentation(const QVariantMap& representation) {
    return createWithRepresentation<TMObjectGroup>(representation);
}

TMObjectGroupRef TMObjectGroup::newTemplateObjectWithOriginSize(Point origin, Size size) {
    return createWithOriginSize<TMObjectGroup>(origin, size);
}

void TMObjectGroup::initWithRepresentation(const QVariantMap& representation) {
    initWithRepresentationAtDepth(representation, 1);
}

void TMObjectGroup::initWithRepresentationAtDepth(const QVariantMap& representation, int depth) {
    TMObject::initWithRepresentation(representation);
    const auto container = representation.constFind(key(kGroupContainerKey));
    if (container == representation.cend())
        return;
    const int32_t storedSizeLock = _lockedSizeMask;

    QList<TMObjectRef> members;
    const QVariantList stored = Unarchiver::unarchiveObject(container->toByteArray()).toList();
    for (const QVariant& item : stored) {
        if (item.metaType() != QMetaType::fromType<QVariantMap>()) {
            _readProblems.append(
                QStringLiteral("A group member that is no page object was left out."));
            continue;
        }
        const QVariantMap member = item.toMap();
        const QString kind = member.value(key(kKindKey)).toString();
        TMObjectRef object = newTemplateObjectOfKind(kind);
        if (!object) {
            _readProblems.append(
                QStringLiteral("A group member of the unknown kind \"%1\" was left out.")
                    .arg(kind));
            continue;
        }
        if (auto* group = dynamic_cast<TMObjectGroup*>(object.get())) {
            if (depth >= kMaxNestingDepth) {
                _readProblems.append(
                    QStringLiteral("Groups nested deeper than %1 levels were left out.")
                        .arg(kMaxNestingDepth));
                continue;
            }
            group->initWithRepresentationAtDepth(member, depth + 1);
        } else {
            object->initWithRepresentation(member);
        }
        _readProblems.append(object->readProblems());
        members.append(object);
    }
    setGroupedObjects(members);
    // The lock the group was saved with holds again, unless rotated members
    // now forbid resizing altogether.
    if (!_disallowResize)
        _lockedSizeMask = storedSizeLock;
}

QVariantMap TMObjectGroup::dictRepresentation() const {
    QVariantMap d = TMObject::dictRepresentation();
    QVariantList members;
    members.reserve(_groupedObjects.size());
    for (const TMObjectRef& member : _groupedObjects)
        members.append(member->dictRepresentation());
    d.insert(key(kGroupContainerKey), Archiver::archivedData(members));
    return d;
}

// ---------------------------------------------------------------------------
// Members

void TMObjectGroup::setGroupedObjects(const QList<TMObjectRef>& objects) {
    _disallowResize = false;
    _lockedSizeMask = 0;
    _groupedObjects.clear();
    for (const TMObjectRef& object : objects)
        if (object)
            _groupedObjects.append(object);
    if (_groupedObjects.isEmpty())
        return;

    Rect united = kZeroRect;
    for (const TMObjectRef& member : std::as_const(_groupedObjects)) {
        member->setSelected(false);
        united = unionRect(united, member->frame());
        if (member->rotation() != 0) {
            _disallowResize = true;
            _lockedSizeMask = 3;
        }
    }
    _center = united.center();
    _size = united.size;
}

void TMObjectGroup::setParentDocument(Document* document) {
    for (const TMObjectRef& member : std::as_const(_groupedObjects))
        member->setParentDocument(document);
    TMObject::setParentDocument(document);
}

void TMObjectGroup::setLockedSizeMask(int32_t mask) {
    if (_disallowResize) {
        ModalAlert::beep();
        return;
    }
    TMObject::setLockedSizeMask(mask);
}

template <class Change> void TMObjectGroup::changeQuietly(TMObject& member, Change&& change) {
    member.setLastDrawnInView(nullptr);
    change(member);
    member.setLastDrawnInView(_lastDrawnInView.data());
}

// ---------------------------------------------------------------------------
// Geometry

Rect TMObjectGroup::encapsulatingFrame() const {
    Rect united = kZeroRect;
    for (const TMObjectRef& member : _groupedObjects)
        united = unionRect(united, member->encapsulatingFrame());
    if (selected())
        united = insetRect(united, -halfKnobWidth(), -halfKnobWidth());
    return unionRect(united, TMObject::encapsulatingFrame());
}

Rect TMObjectGroup::visibleFrame() const {
    Rect united = kZeroRect;
    for (const TMObjectRef& member : _groupedObjects)
        united = unionRect(united, member->visibleFrame());
    if (selected())
        united = insetRect(united, -halfKnobWidth(), -halfKnobWidth());
    return unionRect(united, TMObject::visibleFrame());
}

void TMObjectGroup::moveBy(Point delta) {
    if (delta.x == 0 && delta.y == 0)
        return;
    const Point old = _center;
    setNeedsDisplay();
    if (!(_lockedControlPtMask & 1))
        _center.x += delta.x;
    if (!(_lockedControlPtMask & 2))
        _center.y += delta.y;
    assertViewBounds();
    // The members follow the group as far as it really went.
    const Point moved{_center.x - old.x, _center.y - old.y};
    if (moved.x != 0 || moved.y != 0)
        for (const TMObjectRef& member : std::as_const(_groupedObjects))
            changeQuietly(*member, [moved](TMObject& m) { m.moveBy(moved); });
    changeMade();
    setNeedsDisplay();
}

void TMObjectGroup::setAbsoluteCenter(Point center) {
    const Point old = _center;
    TMObject::setAbsoluteCenter(center);
    const Point moved{_center.x - old.x, _center.y - old.y};
    if (moved.x == 0 && moved.y == 0)
        return;
    for (const TMObjectRef& member : std::as_const(_groupedObjects))
        changeQuietly(*member, [moved](TMObject& m) {
            m.setCenter({m.center().x + moved.x, m.center().y + moved.y});
        });
}

void TMObjectGroup::setAbsoluteSize(Size size) {
    const float sx = size.width / _size.width;
    const float sy = size.height / _size.height;
    if (!usableFactor(sx) || !usableFactor(sy))
        return;
    TMObject::setAbsoluteSize(size);
    if (sx == 1 && sy == 1)
        return;
    const Point c = _center;
    for (const TMObjectRef& member : std::as_const(_groupedObjects)) {
        changeQuietly(*member, [&](TMObject& m) {
            const float rotation = m.rotation();
            // Scaled along the group's own axes: turned back into the group's
            // frame, scaled about its centre, turned forward again.
            const Point q = rotatePointOnCenterMagnitude(m.center(), -1);
            m.setRotation(withinOneTurn(rotation - _rotation));
            const Point scaled{c.x + sx * (q.x - c.x), c.y + sy * (q.y - c.y)};
            m.setCenter(scaled);
            m.setSize({sx * m.size().width, sy * m.size().height});
            m.setCenter(rotatePointOnCenterMagnitude(scaled, 1));
            m.setRotation(rotation);
        });
    }
}

void TMObjectGroup::setAbsoluteRotation(float rotation) {
    const float turn = rotation - _rotation;
    TMObject::setAbsoluteRotation(rotation);
    if (turn == 0)
        return;
    const Point c = _center;
    AffineTransform about;
    about.translateXByYBy(c.x, c.y);
    about.rotateByDegrees(turn);
    for (const TMObjectRef& member : std::as_const(_groupedObjects)) {
        changeQuietly(*member, [&](TMObject& m) {
            m.setRotation(withinOneTurn(m.rotation() + turn));
            const Point relative{m.center().x - c.x, m.center().y - c.y};
            m.setCenter(about.transformPoint(relative));
        });
    }
}

void TMObjectGroup::flipHorizontally() {
    flip(true);
}

void TMObjectGroup::flipVertically() {
    flip(false);
}

void TMObjectGroup::flip(bool horizontal) {
    if (horizontal)
        TMObject::flipHorizontally();
    else
        TMObject::flipVertically();
    const Point c = _center;
    for (const TMObjectRef& member : std::as_const(_groupedObjects)) {
        changeQuietly(*member, [&](TMObject& m) {
            const float rotation = m.rotation();
            // Mirrored across the group's own axis: turned back into the
            // group's frame, mirrored, turned forward again.
            Point q = rotatePointOnCenterMagnitude(m.center(), -1);
            m.setRotation(withinOneTurn(rotation - _rotation));
            if (horizontal)
                q.x = c.x - (q.x - c.x);
            else
                q.y = c.y - (q.y - c.y);
            m.setCenter(q);
            m.setCenter(rotatePointOnCenterMagnitude(q, 1));
            m.setRotation(rotation);
            if (horizontal)
                m.flipHorizontally();
            else
                m.flipVertically();
        });
    }
}

// ---------------------------------------------------------------------------
// Hit testing and drawing

bool TMObjectGroup::hitTest(Point point) const {
    if (selected() && knobUnderPoint(point) != 0)
        return true;
    if (!pointInRect(point, encapsulatingFrame()))
        return false;
    for (qsizetype i = _groupedObjects.size() - 1; i >= 0; --i)
        if (_groupedObjects.at(i)->hitTest(point))
            return true;
    return false;
}

void TMObjectGroup::drawObject(bool drawHandles) {
    for (const TMObjectRef& member : std::as_const(_groupedObjects))
        member->drawObject(false);
    if (drawHandles && selected())
        this->drawHandles();
    _lastDrawnInView = View::focusView();
}
