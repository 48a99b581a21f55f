#include "framework/model/TMOvalObject.h"

namespace {

[[maybe_unused]] const bool kRegistered = [] {
    TMObject::registerKind<TMOvalObject>(QStringLiteral("TMOvalObject"));
    return true;
}();

} // namespace

TMOvalObjectRef TMOvalObject::newTemplateObject() {
    return create<TMOvalObject>();
}

TMOvalObjectRef
TMOvalObject::newTemplateObjectWithRepresentation(const QVariantMap& representation) {
    return createWithRepresentation<TMOvalObject>(representation);
}

TMOvalObjectRef TMOvalObject::newTemplateObjectWithOriginSize(Point origin, Size size) {
    return createWithOriginSize<TMOvalObject>(origin, size);
}

BezierPath TMOvalObject::basicShape() const {
    return BezierPath::bezierPathWithOvalInRect(
        {-_size.width / 2, -_size.height / 2, _size.width, _size.height});
}
