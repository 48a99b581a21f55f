#include "platform/graphics/AffineTransform.h"

#include "platform/graphics/BezierPath.h"
#include "platform/graphics/GraphicsContext.h"

#include <cmath>
#include <numbers>

void AffineTransform::translateXByYBy(float dx, float dy) {
    _m.tX = dx * _m.m11 + dy * _m.m21 + _m.tX;
    _m.tY = dx * _m.m12 + dy * _m.m22 + _m.tY;
}

void AffineTransform::rotateByDegrees(float degrees) {
    rotateByRadians(float(double(degrees) * std::numbers::pi / 180.0));
}

void AffineTransform::rotateByRadians(float radians) {
    const float c = float(std::cos(double(radians)));
    const float s = float(std::sin(double(radians)));
    const AffineTransformStruct m = _m;
    _m.m11 = c * m.m11 + s * m.m21;
    _m.m12 = c * m.m12 + s * m.m22;
    _m.m21 = -s * m.m11 + c * m.m21;
    _m.m22 = -s * m.m12 + c * m.m22;
}

void AffineTransform::scaleBy(float factor) {
    scaleXByYBy(factor, factor);
}

void AffineTransform::scaleXByYBy(float sx, float sy) {
    _m.m11 *= sx;
    _m.m12 *= sx;
    _m.m21 *= sy;
    _m.m22 *= sy;
}

namespace {

// Row-vector product: points go through a, then b.
AffineTransformStruct multiply(const AffineTransformStruct& a, const AffineTransformStruct& b) {
    AffineTransformStruct r;
    r.m11 = a.m11 * b.m11 + a.m12 * b.m21;
    r.m12 = a.m11 * b.m12 + a.m12 * b.m22;
    r.m21 = a.m21 * b.m11 + a.m22 * b.m21;
    r.m22 = a.m21 * b.m12 + a.m22 * b.m22;
    r.tX = a.tX * b.m11 + a.tY * b.m21 + b.tX;
    r.tY = a.tX * b.m12 + a.tY * b.m22 + b.tY;
    return r;
}

} // namespace

void AffineTransform::appendTransform(const AffineTransform& other) {
    _m = multiply(_m, other._m);
}

void AffineTransform::prependTransform(const AffineTransform& other) {
    _m = multiply(other._m, _m);
}

bool AffineTransform::isInvertible() const {
    const double det = double(_m.m11) * _m.m22 - double(_m.m12) * _m.m21;
    return det != 0 && std::isfinite(det);
}

void AffineTransform::invert() {
    const double det = double(_m.m11) * _m.m22 - double(_m.m12) * _m.m21;
    if (det == 0 || !std::isfinite(det))
        return;
    const AffineTransformStruct m = _m;
    _m.m11 = float(m.m22 / det);
    _m.m12 = float(-m.m12 / det);
    _m.m21 = float(-m.m21 / det);
    _m.m22 = float(m.m11 / det);
    _m.tX = float((double(m.m21) * m.tY - double(m.m22) * m.tX) / det);
    _m.tY = float((double(m.m12) * m.tX - double(m.m11) * m.tY) / det);
}

Point AffineTransform::transformPoint(Point p) const {
    return {_m.m11 * p.x + _m.m21 * p.y + _m.tX, _m.m12 * p.x + _m.m22 * p.y + _m.tY};
}

Size AffineTransform::transformSize(Size s) const {
    return {_m.m11 * s.width + _m.m21 * s.height, _m.m12 * s.width + _m.m22 * s.height};
}

BezierPath AffineTransform::transformBezierPath(const BezierPath& path) const {
    BezierPath copy = path;
    copy.transformUsingAffineTransform(*this);
    return copy;
}

void AffineTransform::concat() const {
    if (GraphicsContext* context = GraphicsContext::currentContext())
        context->concat(*this);
}

void AffineTransform::set() const {
    if (GraphicsContext* context = GraphicsContext::currentContext())
        context->setTransform(*this);
}

QTransform AffineTransform::toQTransform() const {
    return QTransform(_m.m11, _m.m12, _m.m21, _m.m22, _m.tX, _m.tY);
}

AffineTransform AffineTransform::fromQTransform(const QTransform& t) {
    return AffineTransform({float(t.m11()), float(t.m12()), float(t.m21()), float(t.m22()),
                            float(t.dx()), float(t.dy())});
}
