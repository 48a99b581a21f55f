#include "framework/model/TMRectangleObject.h"
#include "framework/model/TMShapeValues.h"

#include "framework/model/TMGeometry.h"
#include "framework/model/TMStrokeFill.h"
#include "framework/model/TMUtilities.h"
#include "platform/archiving/Archiver.h"
#include "platform/archiving/Unarchiver.h"
#include "platform/documents/View.h"
#include "platform/graphics/AffineTransform.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/ImageFocus.h"

#include <QStringList>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>
#include <vector>

namespace {

[[maybe_unused]] const bool kRegistered = [] {
    TMObject::registerKind<TMRectangleObject>(QStringLiteral("TMRectangleObject"));
    return true;
}();

constexpr float kCornerRadiusWhenRead = 8.0f;
constexpr float kHitTolerance = 3.0f;
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

// ---------------------------------------------------------------------------
// Construction and representation

TMRectangleObject::TMRectangleObject() : _gradientFill(VQGradientFill::stdFill()) {}

TMRectangleObject::~TMRectangleObject() = default;

TMRectangleObjectRef TMRectangleObject::newTemplateObject() {
    return create<TMRectangleObject>();
}

TMRectangleObjectRef
TMRectangleObject::newTemplateObjectWithRepresentation(const QVariantMap& representation) {
    return createWithRepresentation<TMRectangleObject>(representation);
}

TMRectangleObjectRef TMRectangleObject::newTemplateObjectWithOriginSize(Point origin, Size size) {
    return createWithOriginSize<TMRectangleObject>(origin, size);
}

QVariantMap TMRectangleObject::stdRepresentation() {
    return {};
}

QVariantMap TMRectangleObject::filledRepresentation() {
    return {{key(kFillEnabledKey), true}};
}

QVariantMap TMRectangleObject::stdRoundRepresentation() {
    return {{key(kCornerEnabledKey), true}};
}

QVariantMap TMRectangleObject::filledRoundRepresentation() {
    return {{key(kCornerEnabledKey), true}, {key(kFillEnabledKey), true}};
}

void TMRectangleObject::initWithRepresentation(const QVariantMap& representation) {
    TMObject::initWithRepresentation(representation);
    auto value = [&](const char* current, const char* older = nullptr) -> QVariant {
        if (const auto it = representation.constFind(key(current)); it != representation.cend())
            return *it;
        if (older)
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
    const QVariant fillEnabled = value(kFillEnabledKey, kOldFillEnabledKey);
    _fillEnabled = fillEnabled.isValid() && fillEnabled.toBool();
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
    _roundedCornersEnabled = value(kCornerEnabledKey).toBool();
    const QVariant radius = value(kCornerRadiusKey);
    _cornerRadius = radius.isValid() ? radius.toFloat() : kCornerRadiusWhenRead;
}

QVariantMap TMRectangleObject::dictRepresentation() const {
    QVariantMap d = TMObject::dictRepresentation();
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
    d.insert(key(kCornerEnabledKey), QVariant(_roundedCornersEnabled));
    d.insert(key(kCornerRadiusKey), QVariant(_cornerRadius));
    return d;
}

// ---------------------------------------------------------------------------
// Dash patterns

QString TMRectangleObject::validateDashPattern(const QString& pattern) {
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

void TMRectangleObject::applyDashPatternStringToPath(const QString& pattern, BezierPath& path) {
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

void TMRectangleObject::applyDashPatternToPath(BezierPath& path) const {
    applyDashPatternStringToPath(_dashPattern, path);
}

Image TMRectangleObject::dashedMenuImage(const QString& pattern) {
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

void TMRectangleObject::setStrokeState(bool enabled) {
    if (changeValue(_strokeEnabled, enabled, &TMRectangleObject::setStrokeState,
                    kStrokeStateActionKey))
        changeMade();
}

void TMRectangleObject::setStrokeColor(const Color& color) {
    if (changeValue(_strokeColor, color, &TMRectangleObject::setStrokeColor, kStrokeColorActionKey))
        changeMade();
}

void TMRectangleObject::setStrokeWidth(float width) {
    if (std::isnan(width))
        return;
    // Clamped before comparing, so that a width beyond the limits that keeps
    // the stored one leaves no empty step to undo.
    width = std::clamp(width, kMinStrokeWidth, kMaxStrokeWidth);
    if (changeValue(_strokeWidth, width, &TMRectangleObject::setStrokeWidth, kStrokeWidthActionKey))
        changeMade();
}

void TMRectangleObject::setFillState(bool enabled) {
    if (changeValue(_fillEnabled, enabled, &TMRectangleObject::setFillState, kFillStateActionKey))
        changeMade();
}

void TMRectangleObject::setFillColor(const Color& color) {
    if (changeValue(_fillColor, color, &TMRectangleObject::setFillColor, kFillColorActionKey))
        changeMade();
}

void TMRectangleObject::setGradientFillState(bool enabled) {
    if (changeValue(_gradientFillEnabled, enabled, &TMRectangleObject::setGradientFillState,
                    kFillStateActionKey))
        changeMade();
}

void TMRectangleObject::setGradientFill(const VQGradientFillRef& fill) {
    if (!fill || fill == _gradientFill || *fill == *_gradientFill)
        return;
    registerUndo(
        [old = _gradientFill](TMObject& self) {
            static_cast<TMRectangleObject&>(self).setGradientFill(old);
        },
        kGradientFillActionKey);
    _gradientFill = fill;
    changeMade();
}

void TMRectangleObject::setDashPattern(const QString& pattern) {
    if (changeValue(_dashPattern, validateDashPattern(pattern), &TMRectangleObject::setDashPattern,
                    kDashPatternActionKey))
        changeMade();
}

void TMRectangleObject::setLineJoin(int32_t join) {
    if (changeValue(_lineJoin, join, &TMRectangleObject::setLineJoin, kLineJoinActionKey))
        changeMade();
}

void TMRectangleObject::setLineCap(int32_t cap) {
    if (changeValue(_lineCap, cap, &TMRectangleObject::setLineCap, kLineCapActionKey))
        changeMade();
}

void TMRectangleObject::setRoundedCornersState(bool enabled) {
    if (changeValue(_roundedCornersEnabled, enabled, &TMRectangleObject::setRoundedCornersState,
                    kRoundedCornersActionKey))
        changeMade();
}

void TMRectangleObject::setCornerRadius(float radius) {
    if (std::isnan(radius))
        return;
    if (changeValue(_cornerRadius, radius, &TMRectangleObject::setCornerRadius,
                    kCornerRadiusActionKey))
        changeMade();
}

// ---------------------------------------------------------------------------
// Geometry

BezierPath TMRectangleObject::basicShape() const {
    BezierPath shape = TMObject::basicShape();
    if (_roundedCornersEnabled)
        return TMRoundedRectangle(shape.bounds(), _cornerRadius);
    return shape;
}

BezierPath TMRectangleObject::path() const {
    BezierPath p = TMObject::path();
    p.setLineWidth(_strokeWidth);
    p.setLineCapStyle(capStyle(_lineCap));
    p.setLineJoinStyle(joinStyle(_lineJoin));
    applyDashPatternToPath(p);
    return p;
}

BezierPath TMRectangleObject::snappedRotatedRectPath() const {
    BezierPath p = BezierPath::bezierPathWithRect(
        {-_size.width / 2, -_size.height / 2, _size.width, _size.height});
    AffineTransform place;
    place.translateXByYBy(_center.x, _center.y);
    place.rotateByDegrees(_rotation);
    p.transformUsingAffineTransform(place);
    const Rect b = p.bounds();
    const float dx = 0.5f - (b.minX() - std::floor(b.minX()));
    const float dy = 0.5f - (b.minY() - std::floor(b.minY()));
    if (dx != 0 || dy != 0) {
        AffineTransform shift;
        shift.translateXByYBy(dx, dy);
        p.transformUsingAffineTransform(shift);
    }
    return p;
}

Rect TMRectangleObject::frame() const {
    if (_rotation == 0)
        return unrotatedRect();
    return snappedRotatedRectPath().controlPointBounds();
}

Rect TMRectangleObject::encapsulatingFrame() const {
    if (!_roundedCornersEnabled || _rotation == 0)
        return insetRect(TMObject::encapsulatingFrame(), -_strokeWidth, -_strokeWidth);
    Rect r = insetRect(snappedRotatedRectPath().controlPointBounds(), -(1 + _strokeWidth),
                       -(1 + _strokeWidth));
    if (selected())
        r = insetRect(r, -halfKnobWidth(), -halfKnobWidth());
    return r;
}

bool TMRectangleObject::hitTest(Point point) const {
    if (selected() && knobUnderPoint(point) != 0)
        return true;
    if (!pointInRect(point, encapsulatingFrame()))
        return false;
    const BezierPath p = path();
    if (p.isEmpty())
        return pointInRect(point, frame());
    // A shape without extent has no band to tell from its inside.
    if (!(_size.width > 0) || !(_size.height > 0))
        return true;
    const float t = _strokeWidth > kHitTolerance ? _strokeWidth : kHitTolerance;
    const float sx = t / _size.width;
    const float sy = t / _size.height;
    if (!scaledAbout(p, _center, 1 + sx, 1 + sy).containsPoint(point))
        return false;
    if (_fillEnabled)
        return true;
    return !scaledAbout(p, _center, 1 - sx, 1 - sy).containsPoint(point);
}

// ---------------------------------------------------------------------------
// Drawing

void TMRectangleObject::drawObject(bool drawHandles) {
    TMDrawStrokeAndFill(*this, path(), unrotatedRect(), _rotation);
    if (drawHandles && selected() && !inCreation())
        this->drawHandles();
    _lastDrawnInView = View::focusView();
}
