#include "framework/model/TMStrokeFillObject.h"

#include "framework/model/TMShapeValues.h"
#include "platform/archiving/Archiver.h"
#include "platform/archiving/Unarchiver.h"
#include "platform/graphics/ImageFocus.h"

#include <QStringList>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>
#include <vector>

namespace {

constexpr Size kDashMenuImageSize{64, 12};

QString key(const char* name) {
    return QString::fromLatin1(name);
}

// The leading number of a piece of a dash pattern, as a text's float value
// reads it; "," counts as the decimal point. No number, or one beyond what a
// float holds, is 0.
float dashLength(QString piece) {
    piece = piece.trimmed().replace(u',', u'.');
    std::string text = piece.toStdString();
    const char* first = text.data();
    const char* last = first + text.size();
    if (first != last && *first == '+')
        ++first;
    float value = 0;
    const auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || end == first || !std::isfinite(value))
        return 0;
    return value;
}

std::vector<float> dashLengths(const QString& pattern) {
    std::vector<float> lengths;
    for (const QString& piece : pattern.split(u'-'))
        lengths.push_back(dashLength(piece));
    return lengths;
}

} // namespace

TMStrokeFillObject::TMStrokeFillObject() : _gradientFill(VQGradientFill::stdFill()) {}

TMStrokeFillObject::~TMStrokeFillObject() = default;

// ---------------------------------------------------------------------------
// Representation

void TMStrokeFillObject::initStrokeFill(const QVariantMap& representation, bool readOlderKeys) {
    auto value = [&](const char* current, const char* older = nullptr) -> QVariant {
        if (const auto it = representation.constFind(key(current)); it != representation.cend())
            return *it;
        if (older && readOlderKeys)
            if (const auto it = representation.constFind(key(older)); it != representation.cend())
                return *it;
        return {};
    };

    const QVariant strokeEnabled = value(kStrokeEnabledKey);
    _strokeEnabled = strokeEnabled.isValid() ? strokeEnabled.toBool() : true;
    const QVariant strokeWidth = value(kStrokeWidthKey, kOldStrokeWidthKey);
    _strokeWidth = strokeWidth.isValid() ? strokeWidth.toFloat() : 1.0f;
    _strokeColor =
        colorFromData(value(kStrokeColorKey, kOldStrokeColorKey)).value_or(Color::blackColor());
    _fillEnabled = value(kFillEnabledKey, kOldFillEnabledKey).toBool();
    _fillColor =
        colorFromData(value(kFillColorKey, kOldFillColorKey)).value_or(Color::whiteColor());
    _gradientFillEnabled = value(kGradientFillEnabledKey).toBool();
    VQGradientFillRef fill;
    if (const QVariant data = value(kGradientFillKey); data.isValid())
        fill = Unarchiver::unarchiveObjectOfClass<VQGradientFill>(data.toByteArray());
    _gradientFill = fill ? fill : VQGradientFill::stdFill();
    const QVariant dash = value(kDashPatternKey);
    _dashPattern = dash.isValid() ? dash.toString() : key(kSolidDashPattern);
    _lineJoin = value(kLineJoinKey).toInt();
    _lineCap = value(kLineCapKey).toInt();
}

void TMStrokeFillObject::addStrokeFill(QVariantMap& d) const {
    d.insert(key(kStrokeEnabledKey), QVariant(_strokeEnabled));
    d.insert(key(kStrokeWidthKey), QVariant(_strokeWidth));
    d.insert(key(kStrokeColorKey), Archiver::archivedValue(_strokeColor));
    d.insert(key(kFillEnabledKey), QVariant(_fillEnabled));
    d.insert(key(kFillColorKey), Archiver::archivedValue(_fillColor));
    d.insert(key(kGradientFillEnabledKey), QVariant(_gradientFillEnabled));
    d.insert(key(kGradientFillKey),
             Archiver::archivedData(std::static_pointer_cast<Archivable>(_gradientFill)));
    d.insert(key(kDashPatternKey), _dashPattern);
    d.insert(key(kLineJoinKey), QVariant(float(_lineJoin)));
    d.insert(key(kLineCapKey), QVariant(float(_lineCap)));
}

// ---------------------------------------------------------------------------
// Dash patterns

QString TMStrokeFillObject::validateDashPattern(const QString& pattern) {
    QStringList pieces;
    float sum = 0;
    for (float v : dashLengths(pattern)) {
        sum += v;
        // Stored with "." in every locale: files must read the same anywhere.
        if (v - std::floor(v) == 0 && v < 2147483648.0f)
            pieces.append(QString::asprintf("%d", int(v)));
        else
            pieces.append(QString::asprintf("%1.1f", double(v)));
    }
    if (sum == 0)
        return key(kSolidDashPattern);
    return pieces.join(u'-');
}

void TMStrokeFillObject::applyDashPatternStringToPath(const QString& pattern, BezierPath& path) {
    const std::vector<float> lengths = dashLengths(pattern);
    float sum = 0;
    for (float v : lengths)
        sum += v;
    // A dash of nothing but zeros has no on and off to repeat.
    if (lengths.size() < 2 || !(sum > 0)) {
        path.setLineDashCountPhase(nullptr, 0, 0);
        return;
    }
    path.setLineDashCountPhase(lengths.data(), int(lengths.size()), 0);
}

void TMStrokeFillObject::applyDashPatternToPath(BezierPath& path) const {
    applyDashPatternStringToPath(_dashPattern, path);
}

Image TMStrokeFillObject::dashedMenuImage(const QString& pattern) {
    Image image;
    image.setSize(kDashMenuImageSize);
    {
        ImageFocus focus(image);
        BezierPath line;
        line.moveToPoint({6, 6});
        line.lineToPoint({58, 6});
        applyDashPatternStringToPath(pattern, line);
        line.stroke();
    }
    return image;
}

// ---------------------------------------------------------------------------
// Properties

void TMStrokeFillObject::setStrokeState(bool enabled) {
    if (changeValue(_strokeEnabled, enabled, &TMStrokeFillObject::setStrokeState,
                    kStrokeStateActionKey))
        changeMade();
}

void TMStrokeFillObject::setStrokeColor(const Color& color) {
    if (changeValue(_strokeColor, color, &TMStrokeFillObject::setStrokeColor,
                    kStrokeColorActionKey))
        changeMade();
}

void TMStrokeFillObject::setStrokeWidth(float width) {
    if (std::isnan(width))
        return;
    // Clamped before comparing, so that a width beyond the limits that keeps
    // the stored one leaves no empty step to undo.
    width = std::clamp(width, kMinStrokeWidth, kMaxStrokeWidth);
    if (changeValue(_strokeWidth, width, &TMStrokeFillObject::setStrokeWidth,
                    kStrokeWidthActionKey))
        changeMade();
}

void TMStrokeFillObject::setFillState(bool enabled) {
    if (changeValue(_fillEnabled, enabled, &TMStrokeFillObject::setFillState, kFillStateActionKey))
        changeMade();
}

void TMStrokeFillObject::setFillColor(const Color& color) {
    if (changeValue(_fillColor, color, &TMStrokeFillObject::setFillColor, kFillColorActionKey))
        changeMade();
}

void TMStrokeFillObject::setGradientFillState(bool enabled) {
    if (changeValue(_gradientFillEnabled, enabled, &TMStrokeFillObject::setGradientFillState,
                    kFillStateActionKey))
        changeMade();
}

void TMStrokeFillObject::setGradientFill(const VQGradientFillRef& fill) {
    if (!fill || fill == _gradientFill || *fill == *_gradientFill)
        return;
    registerUndo(
        [old = _gradientFill](TMObject& self) {
            static_cast<TMStrokeFillObject&>(self).setGradientFill(old);
        },
        kGradientFillActionKey);
    _gradientFill = fill;
    changeMade();
}

void TMStrokeFillObject::setDashPattern(const QString& pattern) {
    if (changeValue(_dashPattern, validateDashPattern(pattern), &TMStrokeFillObject::setDashPattern,
                    kDashPatternActionKey))
        changeMade();
}

void TMStrokeFillObject::setLineJoin(int32_t join) {
    if (changeValue(_lineJoin, join, &TMStrokeFillObject::setLineJoin, kLineJoinActionKey))
        changeMade();
}

void TMStrokeFillObject::setLineCap(int32_t cap) {
    if (changeValue(_lineCap, cap, &TMStrokeFillObject::setLineCap, kLineCapActionKey))
        changeMade();
}

// ---------------------------------------------------------------------------
// Geometry

BezierPath TMStrokeFillObject::path() const {
    BezierPath p = TMObject::path();
    p.setLineWidth(_strokeWidth);
    p.setLineCapStyle(capStyle(_lineCap));
    p.setLineJoinStyle(joinStyle(_lineJoin));
    applyDashPatternToPath(p);
    return p;
}
