#pragma once

#include "platform/foundation/PlatformExport.h"

#include <QColor>
#include <array>
#include <optional>

// A colour as the page model keeps it: components in a colour space, with
// alpha. Components are single-precision and clamped to 0...1 like the
// platform's colours.
class LUMISK_PLATFORM_EXPORT Color {
public:
    enum class Space : qint32 {
        CalibratedRGB = 0,
        DeviceRGB = 1,
        CalibratedWhite = 2,
        DeviceWhite = 3,
        DeviceCMYK = 4,
    };

    // Opaque black in the calibrated white space.
    Color() = default;

    static Color calibratedRGB(float red, float green, float blue, float alpha = 1);
    static Color deviceRGB(float red, float green, float blue, float alpha = 1);
    static Color calibratedWhite(float white, float alpha = 1);
    static Color deviceWhite(float white, float alpha = 1);
    static Color deviceCMYK(float cyan, float magenta, float yellow, float black, float alpha = 1);
    // Components in the order of the space (RGB, W or CMYK); nothing when the
    // count doesn't fit the space.
    static std::optional<Color> fromComponents(Space space, const float* components, int count,
                                               float alpha);

    static Color blackColor() { return calibratedWhite(0); }
    static Color whiteColor() { return calibratedWhite(1); }
    static Color clearColor() { return calibratedWhite(0, 0); }

    Space colorSpace() const { return _space; }
    static int componentCount(Space space);
    int componentCount() const { return componentCount(_space); }
    float component(int i) const { return _c[size_t(i)]; }
    float alphaComponent() const { return _alpha; }

    // RGB components of the colour converted to calibrated RGB.
    float redComponent() const;
    float greenComponent() const;
    float blueComponent() const;
    Color colorUsingCalibratedRGB() const;
    Color colorWithAlphaComponent(float alpha) const;

    QColor toQColor() const;
    // CMYK QColors keep their space; every other QColor becomes calibrated RGB.
    static Color fromQColor(const QColor& color);

    friend bool operator==(const Color&, const Color&) = default;

private:
    Color(Space space, std::array<float, 4> c, float alpha);

    Space _space = Space::CalibratedWhite;
    std::array<float, 4> _c{0, 0, 0, 0};
    float _alpha = 1;
};
