#include "platform/graphics/Color.h"

#include <algorithm>
#include <cmath>

namespace {

float clamp01(float v) {
    // NaN becomes 0.
    return v > 0 ? (v < 1 ? v : 1) : 0;
}

} // namespace

Color::Color(Space space, std::array<float, 4> c, float alpha)
    : _space(space), _alpha(clamp01(alpha)) {
    for (int i = 0; i < componentCount(space); ++i)
        _c[size_t(i)] = clamp01(c[size_t(i)]);
}

Color Color::calibratedRGB(float red, float green, float blue, float alpha) {
    return Color(Space::CalibratedRGB, {red, green, blue, 0}, alpha);
}

Color Color::deviceRGB(float red, float green, float blue, float alpha) {
    return Color(Space::DeviceRGB, {red, green, blue, 0}, alpha);
}

Color Color::calibratedWhite(float white, float alpha) {
    return Color(Space::CalibratedWhite, {white, 0, 0, 0}, alpha);
}

Color Color::deviceWhite(float white, float alpha) {
    return Color(Space::DeviceWhite, {white, 0, 0, 0}, alpha);
}

Color Color::deviceCMYK(float cyan, float magenta, float yellow, float black, float alpha) {
    return Color(Space::DeviceCMYK, {cyan, magenta, yellow, black}, alpha);
}

std::optional<Color> Color::fromComponents(Space space, const float* components, int count,
                                           float alpha) {
    if (componentCount(space) == 0 || count != componentCount(space))
        return std::nullopt;
    std::array<float, 4> c{0, 0, 0, 0};
    std::copy(components, components + count, c.begin());
    return Color(space, c, alpha);
}

int Color::componentCount(Space space) {
    switch (space) {
    case Space::CalibratedRGB:
    case Space::DeviceRGB:
        return 3;
    case Space::CalibratedWhite:
    case Space::DeviceWhite:
        return 1;
    case Space::DeviceCMYK:
        return 4;
    }
    return 0;
}

Color Color::colorUsingCalibratedRGB() const {
    switch (_space) {
    case Space::CalibratedRGB:
        return *this;
    case Space::DeviceRGB:
        return calibratedRGB(_c[0], _c[1], _c[2], _alpha);
    case Space::CalibratedWhite:
    case Space::DeviceWhite:
        return calibratedRGB(_c[0], _c[0], _c[0], _alpha);
    case Space::DeviceCMYK: {
        const float k = 1 - _c[3];
        return calibratedRGB((1 - _c[0]) * k, (1 - _c[1]) * k, (1 - _c[2]) * k, _alpha);
    }
    }
    return *this;
}

float Color::redComponent() const {
    return colorUsingCalibratedRGB()._c[0];
}
float Color::greenComponent() const {
    return colorUsingCalibratedRGB()._c[1];
}
float Color::blueComponent() const {
    return colorUsingCalibratedRGB()._c[2];
}

Color Color::colorWithAlphaComponent(float alpha) const {
    Color c = *this;
    c._alpha = clamp01(alpha);
    return c;
}

QColor Color::toQColor() const {
    if (_space == Space::DeviceCMYK)
        return QColor::fromCmykF(_c[0], _c[1], _c[2], _c[3], _alpha);
    const Color rgb = colorUsingCalibratedRGB();
    return QColor::fromRgbF(rgb._c[0], rgb._c[1], rgb._c[2], _alpha);
}

Color Color::fromQColor(const QColor& color) {
    if (color.spec() == QColor::Cmyk)
        return deviceCMYK(color.cyanF(), color.magentaF(), color.yellowF(), color.blackF(),
                          color.alphaF());
    const QColor rgb = color.toRgb();
    return calibratedRGB(rgb.redF(), rgb.greenF(), rgb.blueF(), rgb.alphaF());
}
