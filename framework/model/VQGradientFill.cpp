#include "framework/model/VQGradientFill.h"

#include "platform/archiving/Archiver.h"
#include "platform/archiving/ClassRegistry.h"
#include "platform/archiving/Unarchiver.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/PropertyList.h"
#include "platform/graphics/AffineTransform.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/Shading.h"

#include <QVariantList>
#include <QVariantMap>
#include <algorithm>
#include <cmath>

namespace {

[[maybe_unused]] const bool kRegistered = [] {
    ClassRegistry::shared().registerClass<VQGradientFill>(QStringLiteral("VQGradientFill"));
    return true;
}();

constexpr double kPi = 3.141592653589793;

QString key(const char* name) {
    return QString::fromLatin1(name);
}

[[noreturn]] void raiseUnsupportedSteps(int steps) {
    Exception::raise(key(kRangeException), QString::asprintf(kUnsupportedStepsFormat, steps));
}

std::vector<Color> colorsFromArchive(const QByteArray& data, bool* ok) {
    std::vector<Color> colors;
    const QVariant root = Unarchiver::unarchiveObject(data);
    *ok = root.metaType() == QMetaType::fromType<QVariantList>();
    for (const QVariant& item : root.toList()) {
        if (item.metaType() != QMetaType::fromType<Color>()) {
            *ok = false;
            break;
        }
        colors.push_back(item.value<Color>());
    }
    return colors;
}

std::vector<float> weightsFromArchive(const QByteArray& data, bool* ok) {
    std::vector<float> weights;
    const QVariant root = Unarchiver::unarchiveObject(data);
    *ok = root.metaType() == QMetaType::fromType<QVariantList>();
    for (const QVariant& item : root.toList()) {
        if (!PropertyList::isNumber(item) || !std::isfinite(item.toFloat())) {
            *ok = false;
            break;
        }
        weights.push_back(item.toFloat());
    }
    return weights;
}

} // namespace

VQGradientFill::VQGradientFill() {
    setDefaultSteps();
}

void VQGradientFill::setDefaultSteps() {
    _colors = {Color::calibratedRGB(0, 0, 0, 1), Color::calibratedRGB(1, 1, 1, 1)};
    _weights = {0.0f, 1.0f};
}

VQGradientFillRef VQGradientFill::stdFill() {
    return std::make_shared<VQGradientFill>();
}

VQGradientFillRef VQGradientFill::copy() const {
    return std::make_shared<VQGradientFill>(*this);
}

void VQGradientFill::encodeWithCoder(Archiver& coder) const {
    QVariantList colors;
    for (const Color& color : _colors)
        colors.append(QVariant::fromValue(color));
    QVariantList weights;
    for (float weight : _weights)
        weights.append(QVariant(weight));
    coder.encodeObject(QVariantMap{
        {key(kVQGKindKey), QVariant(int(_kind))},
        {key(kVQGAngleKey), QVariant(_angle)},
        {key(kVQGColorsKey), Archiver::archivedData(QVariant(colors))},
        {key(kVQGWeightsKey), Archiver::archivedData(QVariant(weights))},
    });
}

bool VQGradientFill::initWithCoder(Unarchiver& coder) {
    const QVariant value = coder.decodeObject();
    if (value.metaType() != QMetaType::fromType<QVariantMap>())
        coder.fail(QStringLiteral("A gradient fill's dictionary is missing"));
    const QVariantMap own = value.toMap();
    _kind = Axial;
    _angle = 0;
    _drawsFlipped = true;
    if (const QVariant kind = own.value(key(kVQGKindKey)); PropertyList::isNumber(kind))
        _kind = kind.toInt();
    if (const QVariant angle = own.value(key(kVQGAngleKey)); PropertyList::isNumber(angle))
        setAngle(angle.toFloat());

    // Drawing indexes both lists by the same step, so only a matching pair of
    // two to five steps is taken; anything else leaves the default steps.
    bool colorsOk = false;
    bool weightsOk = false;
    const std::vector<Color> colors =
        colorsFromArchive(own.value(key(kVQGColorsKey)).toByteArray(), &colorsOk);
    const std::vector<float> weights =
        weightsFromArchive(own.value(key(kVQGWeightsKey)).toByteArray(), &weightsOk);
    const int count = int(colors.size());
    if (colorsOk && weightsOk && count == int(weights.size()) && count >= 2 &&
        count <= maxSteps()) {
        _colors = colors;
        _weights = weights;
    } else {
        setDefaultSteps();
    }
    return true;
}

void VQGradientFill::setAngle(float angle) {
    if (!std::isfinite(angle)) {
        _angle = 0;
        return;
    }
    // Whole turns at once: a far-off angle must not take forever.
    if (angle >= 360 || angle < 0)
        angle = std::fmod(angle, 360.0f);
    while (angle >= 360)
        angle -= 360;
    while (angle < 0)
        angle += 360;
    // A tiny negative angle plus a turn rounds to 360 itself.
    if (angle >= 360)
        angle = 0;
    _angle = angle;
}

void VQGradientFill::setSteps(int steps) {
    if (steps == this->steps())
        return;
    if (steps < 2 || steps > maxSteps())
        raiseUnsupportedSteps(steps);
    while (this->steps() > steps) {
        const size_t beforeLast = _colors.size() - 2;
        _colors.erase(_colors.begin() + std::ptrdiff_t(beforeLast));
        _weights.erase(_weights.begin() + std::ptrdiff_t(beforeLast));
    }
    while (this->steps() < steps) {
        _colors.push_back(_colors.back());
        _weights.push_back(_weights.back());
    }
}

void VQGradientFill::checkStep(int step) const {
    if (step < 0 || step >= steps())
        Exception::raise(key(kRangeException),
                         QStringLiteral("Step %1 is beyond the %2 steps of the gradient")
                             .arg(step)
                             .arg(steps()));
}

Color VQGradientFill::colorAtStep(int step) const {
    checkStep(step);
    return _colors[size_t(step)];
}

void VQGradientFill::setColorAtStep(const Color& color, int step) {
    checkStep(step);
    _colors[size_t(step)] = color;
}

float VQGradientFill::weightAtStep(int step) const {
    checkStep(step);
    return _weights[size_t(step)];
}

void VQGradientFill::setWeightAtStep(float weight, int step) {
    checkStep(step);
    _weights[size_t(step)] = weight;
}

Color VQGradientFill::colorWithWeight(float weight) const {
    for (size_t k = 0; k + 1 < _weights.size(); ++k) {
        const float lower = _weights[k];
        const float upper = _weights[k + 1];
        if (!(lower <= weight && weight <= upper))
            continue;
        const Color& a = _colors[k];
        // Two steps at one weight leave nothing to interpolate.
        if (upper == lower)
            return a;
        const Color& b = _colors[k + 1];
        const float f = (weight - lower) / (upper - lower);
        auto mix = [f](float va, float vb) { return va + (vb - va) * f; };
        return Color::calibratedRGB(
            mix(a.redComponent(), b.redComponent()), mix(a.greenComponent(), b.greenComponent()),
            mix(a.blueComponent(), b.blueComponent()), mix(a.alphaComponent(), b.alphaComponent()));
    }
    return _colors.back();
}

void VQGradientFill::insertColorWithWeightAtStep(const Color& color, float weight, int step) {
    if (steps() > 4)
        raiseUnsupportedSteps(steps() + 1);
    const size_t at = size_t(std::clamp(step, 0, steps()));
    _colors.insert(_colors.begin() + std::ptrdiff_t(at), color);
    _weights.insert(_weights.begin() + std::ptrdiff_t(at), weight);
}

void VQGradientFill::removeStep(int step) {
    if (steps() < 3)
        raiseUnsupportedSteps(steps() - 1);
    const size_t at = size_t(std::clamp(step, 0, steps() - 1));
    _colors.erase(_colors.begin() + std::ptrdiff_t(at));
    _weights.erase(_weights.begin() + std::ptrdiff_t(at));
}

void VQGradientFill::fillRectRotated(const Rect& rect, float degrees) {
    GraphicsContext* context = GraphicsContext::currentContext();
    if (!context)
        return;
    const Point c = rect.center();
    AffineTransform place;
    place.translateXByYBy(c.x, c.y);
    place.rotateByDegrees(degrees);
    const Rect centred(rect.minX() - c.x, rect.minY() - c.y, rect.width(), rect.height());
    context->saveGraphicsState();
    context->concat(place);
    fillRect(centred);
    context->restoreGraphicsState();
}

void VQGradientFill::fillRect(const Rect& rect) {
    GraphicsContext* context = GraphicsContext::currentContext();
    if (!context)
        return;
    context->saveGraphicsState();
    const Shading::Function function = [this](float t) {
        std::array<float, 4> out{};
        VQCalcGradientColor(this, &t, out.data());
        return out;
    };
    if (_kind != Axial) {
        const Point c = rect.center();
        const float radius =
            0.5f * std::sqrt(rect.width() * rect.width() + rect.height() * rect.height());
        context->drawShading(Shading::radial(c, 0, c, radius, function));
    } else {
        Point start;
        Point end;
        calculateAxialStartPtEndPtForRect(&start, &end, rect);
        context->drawShading(Shading::axial(start, end, function));
    }
    context->restoreGraphicsState();
}

void VQGradientFill::calculateAxialStartPtEndPtForRect(Point* start, Point* end,
                                                       const Rect& rect) const {
    const float x = rect.minX();
    const float y = rect.minY();
    const float w = rect.width();
    const float h = rect.height();
    const float maxX = x + w;
    const float maxY = y + h;
    const float midX = x + w / 2;
    const float midY = y + h / 2;
    const float a = _angle;
    const bool flipped = _drawsFlipped;

    if (a == 0) {
        *start = {x, midY};
        *end = {maxX, midY};
        return;
    }
    if (a == 90) {
        *start = {midX, flipped ? y : maxY};
        *end = {midX, flipped ? maxY : y};
        return;
    }
    if (a == 180) {
        *start = {maxX, midY};
        *end = {x, midY};
        return;
    }
    if (a == 270) {
        *start = {midX, flipped ? maxY : y};
        *end = {midX, flipped ? y : maxY};
        return;
    }

    const int q = (a > 0 && a < 90) ? 1 : (a > 90 && a < 180) ? 2 : (a > 180 && a < 270) ? 3 : 4;
    const float phi = float((double(a) - 90.0 * (q - 1)) * kPi / 180.0);
    const bool odd = q == 1 || q == 3;
    const float s1 = odd ? w : h;
    const float s2 = odd ? h : w;
    const float length =
        std::sqrt(s1 * s1 + s2 * s2) * std::cos(std::fabs(std::atan(s2 / s1) - phi));
    const float dx = length * std::cos(phi);
    const float dy = length * std::sin(phi);

    switch (q) {
    case 1:
        *start = flipped ? Point{x, y} : Point{x, maxY};
        *end = flipped ? Point{x + dx, y + dy} : Point{x + dx, maxY - dy};
        break;
    case 2:
        *start = flipped ? Point{maxX, y} : Point{maxX, maxY};
        *end = flipped ? Point{maxX - dy, y + dx} : Point{maxX - dy, maxY - dx};
        break;
    case 3:
        *start = flipped ? Point{maxX, maxY} : Point{maxX, y};
        *end = flipped ? Point{maxX - dx, maxY - dy} : Point{maxX - dx, y + dy};
        break;
    default:
        *start = flipped ? Point{x, maxY} : Point{x, y};
        *end = flipped ? Point{x + dy, maxY - dx} : Point{x + dy, y + dx};
        break;
    }
}

void VQCalcGradientColor(void* info, const float* in, float* out) {
    const auto* fill = static_cast<const VQGradientFill*>(info);
    const Color color = fill->colorWithWeight(*in);
    out[0] = color.redComponent();
    out[1] = color.greenComponent();
    out[2] = color.blueComponent();
    out[3] = color.alphaComponent();
}
