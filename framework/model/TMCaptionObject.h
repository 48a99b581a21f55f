#pragma once

#include "framework/FormwellExport.h"
#include "framework/model/TMRectangleObject.h"
#include "platform/graphics/Font.h"

#include <QString>
#include <QVariantMap>
#include <cstdint>
#include <memory>
#include <optional>

// Keys of the representation; the tail's two are in the geometry too.
inline constexpr char kCaptionTailVertexKey[] = "cp_tail_vtx";
inline constexpr char kCaptionTailQuadrantKey[] = "cp_tail_quad";
inline constexpr char kCaptionFontKey[] = "cp_font";
inline constexpr char kCaptionTextKey[] = "cp_text";
inline constexpr char kCaptionTextColorKey[] = "cp_tcolor";
inline constexpr char kCaptionShapeKey[] = "cp_shape";
inline constexpr char kCaptionTailStyleKey[] = "cp_style";
inline constexpr char kCaptionPathKey[] = "cp_path";
inline constexpr char kCaptionMaxSizeKey[] = "cp_mx_size";

// Localization keys of the framework's bundle.
inline constexpr char kCaptionInitialTextKey[] = "INIT_CAPTION";
inline constexpr char kCaptionColorActionKey[] = "COLOR";
inline constexpr char kCaptionShapeActionKey[] = "SHAPE";
inline constexpr char kCaptionTailStyleActionKey[] = "TSTYLE";

class TMCaptionObject;
using TMCaptionObjectRef = std::shared_ptr<TMCaptionObject>;

// A speech balloon or thought cloud with a tail pointing at a spot outside
// it and a short plain text, laid on a photograph and drawn again by the
// photo cells showing it. Always filled, never stroked, always shadowed.
//
// The outline is built around the origin in the rectangle of the size; a
// cloud's random puffs are built once and kept (also in the representation),
// so the same cloud shows wherever and whenever it is drawn.
class FORMWELL_EXPORT TMCaptionObject : public TMRectangleObject {
public:
    // Outlines: an oval, a rounded rectangle, and clouds of small, medium
    // and large puffs; any other value draws the oval.
    enum Shape : int32_t { Oval = 0, Rounded = 1, SmallCloud = 2, MediumCloud = 3, LargeCloud = 4 };
    // Any tail style other than the wedge is a trail of bubbles.
    enum TailStyle : int32_t { Wedge = 0, Bubbles = 1 };

    static constexpr Point kDefaultTailVertex{36, 36};
    static constexpr float kDefaultFontSize = 14;
    // The knob of the tail's tip.
    static constexpr int kTailKnob = 9;

    TMCaptionObject();
    ~TMCaptionObject() override;

    static TMCaptionObjectRef newTemplateObject();
    static TMCaptionObjectRef
    newTemplateObjectWithRepresentation(const QVariantMap& representation);
    // Centre = origin + size / 2.
    static TMCaptionObjectRef newTemplateObjectWithOriginSize(Point origin, Size size);

    // The class operation; the Inspector asks the instance operation.
    static QString classObjectControllerClass() {
        return QStringLiteral("TMCaptionObjectController");
    }

    // The base shadow with blur 16, cast 1 point, black.
    void initShadow() override;
    // Fill on, stroke off and shadow on, whatever the rectangle's keys say.
    void initWithRepresentation(const QVariantMap& representation) override;
    QVariantMap dictRepresentation() const override;
    QVariantMap geometry() const override;
    // Drops the cached outline; a changed tail is announced.
    void setGeometry(const QVariantMap& geometry) override;
    // A new size drops the cached outline.
    void setAbsoluteSize(Size size) override;

    // Undoable ("FONT", "COLOR", "SHAPE", "TSTYLE"); an equal value does nothing.
    const Font& font() const { return _font; }
    void setFont(const Font& font);
    const Color& textColor() const { return _textColor; }
    void setTextColor(const Color& color);
    int32_t shape() const { return _balloonShape; }
    // Drops the cached outline.
    void setShape(int32_t shape);
    int32_t tailStyle() const { return _tailStyle; }
    void setTailStyle(int32_t style);
    // Not undoable.
    const QString& text() const { return _text; }
    void setText(const QString& text);
    // The tail tip relative to the middle of its quadrant's edge (see
    // TMCaptionTailVertex); not undoable, and the outline is kept.
    Point relativeTailVertex() const { return _tailVertex; }
    void setRelativeTailVertex(Point vertex);
    // 1 bottom, 2 left, 3 top, 4 right, as seen on screen.
    int32_t tailQuadrant() const { return _tailQuadrant; }

    // The size of the photograph the caption lies on; zero when unknown.
    // Sets the puff size of clouds built from now on.
    Size maxSize() const { return _maxSize; }
    void setMaxSize(Size size) { _maxSize = size; }

    // The tail tip on the page, for the unrotated caption.
    Point calcVertex() const;
    // The balloon without tail: the cached outline, built for r when there is none.
    BezierPath balloonShape(const Rect& r) const;
    BezierPath cloudPathInRect(const Rect& r) const;
    static Rect randomizeRect(const Rect& r);
    bool hasCachedOutline() const { return _cachedPath.has_value(); }

    // The balloon with its wedge or bubbles, around the origin.
    BezierPath basicShape() const override;
    // The bounds of the outline with its tail.
    Rect frame() const override;
    Rect encapsulatingFrame() const override;
    // Knob 9 is the tail's tip.
    int knobUnderPoint(Point point) const override;
    void drawHandles() const override;
    // Knob 9 moves the tail, choosing its edge; the others resize.
    int resizeByMovingKnobToPoint(int knob, Point point) override;
    // The balloon as the rectangle draws its shape, the text centred in it.
    void drawObject(bool drawHandles) override;

private:
    bool viewIsFlipped() const;
    void drawText();

    Point _tailVertex = kDefaultTailVertex;
    int32_t _tailQuadrant = 1;
    Font _font;
    QString _text;
    Color _textColor = Color::blackColor();
    int32_t _balloonShape = Oval;
    int32_t _tailStyle = Wedge;
    mutable std::optional<BezierPath> _cachedPath;
    Size _maxSize;
};
