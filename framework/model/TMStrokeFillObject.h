#pragma once

#include "framework/FormwellExport.h"
#include "framework/model/TMObject.h"
#include "framework/model/VQGradientFill.h"
#include "platform/graphics/Color.h"
#include "platform/graphics/Image.h"

#include <QString>
#include <QVariantMap>
#include <cstdint>

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

// A dash pattern that strokes solid.
inline constexpr char kSolidDashPattern[] = "0";

// The stroke and fill model of the closed shapes (rectangles and what builds
// on them, polygons): a stroke with width, colour, dashes, joins and caps, and
// a fill of a colour or a gradient, each undoable and stored under the keys above.
class FORMWELL_EXPORT TMStrokeFillObject : public TMObject {
public:
    static constexpr float kMinStrokeWidth = 0.1f;
    static constexpr float kMaxStrokeWidth = 32.0f;

    ~TMStrokeFillObject() override;

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

    // With the stroke's width, cap, join and dash.
    BezierPath path() const override;

protected:
    TMStrokeFillObject();

    // Reads the stroke and fill from a representation, falling back on the
    // older keys where asked; missing values take the defaults.
    void initStrokeFill(const QVariantMap& representation, bool readOlderKeys);
    void addStrokeFill(QVariantMap& representation) const;

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
};
