#pragma once

#include "framework/FormwellExport.h"
#include "framework/model/TMObject.h"
#include "platform/graphics/Color.h"

#include <QString>
#include <QVariantMap>
#include <cstdint>
#include <memory>

// Keys of the representation and the geometry dictionary.
inline constexpr char kStartPtKey[] = "start_pt";
inline constexpr char kEndPtKey[] = "end_pt";
inline constexpr char kOriginPtKey[] = "origin_pt";
// Older keys of the ends, in inches.
inline constexpr char kOldStartPtKey[] = "startPt";
inline constexpr char kOldEndPtKey[] = "endPt";

class TMLineObject;
using TMLineObjectRef = std::shared_ptr<TMLineObject>;

// A straight stroked line between two points, with the stroke settings of
// the shapes (flag, width, colour, dash, cap). The points are kept unrotated
// in page coordinates; the object's centre and size are those of the
// rectangle they span, and the rotation turns the line about that centre.
class FORMWELL_EXPORT TMLineObject : public TMObject {
public:
    // The origin of a line that has not been drawn yet.
    static constexpr Point kUnsetOrigin{-99999, -99999};

    TMLineObject();
    ~TMLineObject() override;

    static TMLineObjectRef newTemplateObject();
    static TMLineObjectRef newTemplateObjectWithRepresentation(const QVariantMap& representation);
    static TMLineObjectRef newTemplateObjectWithOriginSize(Point origin, Size size);

    // The class operation; the Inspector asks the instance operation.
    static QString classObjectControllerClass() { return QStringLiteral("TMLineObjectController"); }
    QString objectControllerClass() const override {
        return QStringLiteral("TMLineObjectController");
    }

    void initWithRepresentation(const QVariantMap& representation) override;
    QVariantMap dictRepresentation() const override;

    // Undoable stroke settings; a setter given the current value does nothing.
    bool strokeState() const { return _strokeEnabled; }
    void setStrokeState(bool enabled);
    float strokeWidth() const { return _strokeWidth; }
    // Kept within 0.1 to 32 points.
    void setStrokeWidth(float width);
    const Color& strokeColor() const { return _strokeColor; }
    void setStrokeColor(const Color& color);
    const QString& dashPattern() const { return _dashPattern; }
    // Normalised as the shapes' patterns are.
    void setDashPattern(const QString& pattern);
    int32_t lineCap() const { return _lineCap; }
    void setLineCap(int32_t cap);
    void applyDashPatternToPath(BezierPath& path) const;

    // The end the line was begun at.
    Point origin() const { return _originPt; }
    Point startPoint() const { return _startPt; }
    Point endPoint() const { return _endPt; }
    // Whether x and y run the same way from start to end.
    bool startsAtUpperLeft() const;
    // The two knobs on the line's ends.
    int32_t knobMask() const override;

    QVariantMap geometry() const override;
    void setGeometry(const QVariantMap& geometry) override;
    // The ends follow the centre by as much as it actually moved.
    void moveBy(Point delta) override;
    void setCenter(Point center) override;
    // Half of a change goes to each end.
    void setSize(Size size) override;
    // Widened to the stroke where it is thinner.
    Rect frame() const override;
    void setFrameCornersFromTo(Point from, Point to) override;
    int resizeByMovingKnobToPoint(int knob, Point point) override;
    void flipHorizontally() override;
    void flipVertically() override;

    BezierPath basicShape() const override;
    // With the stroke's width, cap and dash.
    BezierPath path() const override;
    bool hitTest(Point point) const override;
    void drawObject(bool drawHandles) override;

protected:
    // The two ends on the page, rotated about the centre.
    Point placedStart() const;
    Point placedEnd() const;
    void moveEndsBy(float dx, float dy);

    bool _strokeEnabled = true;
    Point _originPt = kUnsetOrigin;
    Point _startPt;
    Point _endPt;
    float _strokeWidth = 1.0f;
    Color _strokeColor = Color::blackColor();
    QString _dashPattern;
    int32_t _lineCap = 0;
};
