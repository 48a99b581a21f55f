#pragma once

#include "framework/FormwellExport.h"
#include "framework/model/TMPolygonObject.h"

#include <QString>
#include <QVariantMap>
#include <memory>
#include <optional>
#include <vector>

// Keys of the representation and the geometry dictionary beyond the polygon's.
inline constexpr char kControlPtsKey[] = "control_pts";
inline constexpr char kControlPt1Key[] = "cp_1";
inline constexpr char kControlPt2Key[] = "cp_2";

// The two control points of one segment as point texts: the first belongs
// to the segment's start corner, the second to its end corner.
struct TMControlPoints {
    QString cp1;
    QString cp2;
    friend bool operator==(const TMControlPoints&, const TMControlPoints&) = default;
};

class TMBezigonObject;
using TMBezigonObjectRef = std::shared_ptr<TMBezigonObject>;

// A polygon whose segments are cubic curves, each with two control points of
// its own: record i shapes the segment from corner i to corner i + 1, and the
// last one of a closed shape the segment back to the first corner. A segment
// without a record is drawn straight.
class FORMWELL_EXPORT TMBezigonObject : public TMPolygonObject {
public:
    TMBezigonObject();
    ~TMBezigonObject() override;

    static TMBezigonObjectRef newTemplateObject();
    static TMBezigonObjectRef
    newTemplateObjectWithRepresentation(const QVariantMap& representation);
    static TMBezigonObjectRef newTemplateObjectWithOriginSize(Point origin, Size size);

    // The class operation; the Inspector asks the instance operation.
    static QString classObjectControllerClass() {
        return QStringLiteral("TMRectangleObjectController");
    }

    // The straight line's third points from start to end.
    static TMControlPoints calcControlPtsFromStartToEnd(Point start, Point end);

    void initWithRepresentation(const QVariantMap& representation) override;
    QVariantMap dictRepresentation() const override;

    const std::vector<TMControlPoints>& controlPoints() const { return _controlPts; }

    // Closing adds a straight record for the closing segment, opening takes it away.
    void setClosedState(bool closed) override;
    // A closed shape's closing record is set aside while creation resumes.
    void setInCreation(bool inCreation) override;
    void setFrameCornersFromTo(Point from, Point to) override;
    void nextSegment(Point point) override;
    void endSegment(Point point) override;

    void insertSegment() override;
    void deleteSegment() override;
    // Control knobs are -(2i + 1) and -(2i + 2) for record i, found before corners.
    int knobUnderPoint(Point point) const override;
    // With Option a control point re-aims its opposite across the corner
    // (Shift: at the same length), and a corner carries its control points.
    int resizeByMovingKnobToPoint(int knob, Point point) override;
    QVariantMap geometry() const override;
    void setGeometry(const QVariantMap& geometry) override;

    // The bounds of the curved outline.
    Rect calcBoundsFromPoints() const override;
    BezierPath basicShape() const override;
    void drawHandles() const override;

    // Sets centre and size from the outline's bounds, keeping the points in
    // place on the page.
    void adjustToReshape();

protected:
    void mapPoints(const std::function<Point(Point)>& map) override;

private:
    // The outline with every point taken relative to the offset.
    BezierPath outline(Point offset) const;
    // Null beyond the list.
    const TMControlPoints* record(int index) const;
    bool reaimOpposite(int recordIndex, bool first, Point dragged, bool sameLength);

    std::vector<TMControlPoints> _controlPts;
    std::optional<TMControlPoints> _curControlPts;
    std::optional<TMControlPoints> _tempClosedControlPts;
};
