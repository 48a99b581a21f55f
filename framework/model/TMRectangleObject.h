#pragma once

#include "framework/FormwellExport.h"
#include "framework/model/TMObject.h"
#include "framework/model/VQGradientFill.h"
#include "platform/graphics/Color.h"
#include "platform/graphics/Image.h"

#include <QString>
#include <QVariantMap>
#include <cstdint>
#include <memory>

// Keys of the representation (shared with the line and arc objects).
inline constexpr char kStrokeEnabledKey[] = "stroke_en";
inline constexpr char kStrokeWidthKey[] = "stroke_width";
inline constexpr char kStrokeColorKey[] = "stroke_color";
inline constexpr char kFillEnabledKey[] = "fill_en";
inline constexpr char kFillColorKey[] = "fill_color";
inline constexpr char kGradientFillEnabledKey[] = "gfill_en";
inline constexpr char kGradientFillKey[] = "gfill_grad";
inline constexpr char kDashPatternKey[] = "dash_pattern";
inline constexpr char kLineJoinKey[] = "line_join";
inline constexpr char kLineCapKey[] = "line_cap";
inline constexpr char kCornerEnabledKey[] = "corner_en";
inline constexpr char kCornerRadiusKey[] = "corner_radius";
// Older keys, read when the current one is missing.
inline constexpr char kOldStrokeWidthKey[] = "stroke";
inline constexpr char kOldStrokeColorKey[] = "color";
inline constexpr char kOldFillEnabledKey[] = "fill";
inline constexpr char kOldFillColorKey[] = "fillColor";

// Localization keys of the undo actions.
inline constexpr char kStrokeStateActionKey[] = "SSTATE";
inline constexpr char kStrokeColorActionKey[] = "SCOLOR";
inline constexpr char kStrokeWidthActionKey[] = "STROKE";
inline constexpr char kFillStateActionKey[] = "FSTATE";
inline constexpr char kFillColorActionKey[] = "FCOLOR";
inline constexpr char kGradientFillActionKey[] = "FGRADIENT";
inline constexpr char kDashPatternActionKey[] = "DASH_PATTERN";
inline constexpr char kLineJoinActionKey[] = "LINE_JOIN";
inline constexpr char kLineCapActionKey[] = "LINE_CAP";
inline constexpr char kRoundedCornersActionKey[] = "RCSTATE";
inline constexpr char kCornerRadiusActionKey[] = "CRADIUS";

// A dash pattern that strokes solid.
inline constexpr char kSolidDashPattern[] = "0";

class TMRectangleObject;
using TMRectangleObjectRef = std::shared_ptr<TMRectangleObject>;

// A stroked and/or filled rectangle, optionally with rounded corners: the
// stroke and fill model (colour or gradient, dashes, joins and caps) that
// ovals and captions build on.
class FORMWELL_EXPORT TMRectangleObject : public TMObject {
public:
    static constexpr float kMinStrokeWidth = 0.1f;
    static constexpr float kMaxStrokeWidth = 32.0f;

    TMRectangleObject();
    ~TMRectangleObject() override;

    static TMRectangleObjectRef newTemplateObject();
    static TMRectangleObjectRef
    newTemplateObjectWithRepresentation(const QVariantMap& representation);
    static TMRectangleObjectRef newTemplateObjectWithOriginSize(Point origin, Size size);

    // The class operation; the Inspector asks the instance operation.
    static QString classObjectControllerClass() {
        return QStringLiteral("TMRectangleObjectController");
    }
    QString objectControllerClass() const override {
        return QStringLiteral("TMRectangleObjectController");
    }

    // The shape tools' starting points: stroked; filled; rounded; filled and rounded.
    static QVariantMap stdRepresentation();
    static QVariantMap filledRepresentation();
    static QVariantMap stdRoundRepresentation();
    static QVariantMap filledRoundRepresentation();

    void initWithRepresentation(const QVariantMap& representation) override;
    QVariantMap dictRepresentation() const override;

    // Dash patterns are lengths in points joined by "-", with "." as the
    // decimal point whatever the user's locale ("0" strokes solid). The
    // normalised form of a pattern: whole lengths without decimals, others
    // with one; a pattern of no length at all becomes "0". A "," is read as
    // the decimal point too.
    static QString validateDashPattern(const QString& pattern);
    // The dash of a stored pattern set on a path: fewer than two lengths is solid.
    static void applyDashPatternStringToPath(const QString& pattern, BezierPath& path);
    // A picture of the pattern for the dash menus.
    static Image dashedMenuImage(const QString& pattern);
    void applyDashPatternToPath(BezierPath& path) const;

    // Undoable properties; a setter given the current value does nothing.
    bool strokeState() const { return _strokeEnabled; }
    void setStrokeState(bool enabled);
    const Color& strokeColor() const { return _strokeColor; }
    void setStrokeColor(const Color& color);
    float strokeWidth() const { return _strokeWidth; }
    // Kept within 0.1 to 32 points.
    void setStrokeWidth(float width);
    bool fillState() const { return _fillEnabled; }
    void setFillState(bool enabled);
    const Color& fillColor() const { return _fillColor; }
    void setFillColor(const Color& color);
    bool gradientFillState() const { return _gradientFillEnabled; }
    void setGradientFillState(bool enabled);
    const VQGradientFillRef& gradientFill() const { return _gradientFill; }
    // Compared by value; null is ignored.
    void setGradientFill(const VQGradientFillRef& fill);
    const QString& dashPattern() const { return _dashPattern; }
    // Normalised first.
    void setDashPattern(const QString& pattern);
    int32_t lineJoin() const { return _lineJoin; }
    void setLineJoin(int32_t join);
    int32_t lineCap() const { return _lineCap; }
    void setLineCap(int32_t cap);
    bool roundedCornersState() const { return _roundedCornersEnabled; }
    void setRoundedCornersState(bool enabled);
    float cornerRadius() const { return _cornerRadius; }
    void setCornerRadius(float radius);

    bool supportsLineJoin() const override { return true; }
    bool supportsLineCap() const override { return false; }

    BezierPath basicShape() const override;
    // With the stroke's width, cap, join and dash.
    BezierPath path() const override;
    // Rotated frames start on a half point.
    Rect frame() const override;
    Rect encapsulatingFrame() const override;
    // The outline's band, or the whole shape when filled.
    bool hitTest(Point point) const override;
    void drawObject(bool drawHandles) override;

protected:
    // The rotated outline of the unrotated rectangle, moved to start on a half point.
    BezierPath snappedRotatedRectPath() const;
    bool shadowIsOn() const { return shadowEnabled().toBool(); }

    bool _strokeEnabled = true;
    float _strokeWidth = 1.0f;
    Color _strokeColor = Color::blackColor();
    bool _fillEnabled = false;
    Color _fillColor = Color::whiteColor();
    bool _gradientFillEnabled = false;
    VQGradientFillRef _gradientFill;
    QString _dashPattern = QString::fromLatin1(kSolidDashPattern);
    int32_t _lineJoin = 0;
    int32_t _lineCap = 0;
    bool _roundedCornersEnabled = false;
    float _cornerRadius = 0.0f;
};
