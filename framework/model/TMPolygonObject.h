#pragma once

#include "framework/FormwellExport.h"
#include "framework/model/TMStrokeFillObject.h"

#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

// Keys of the representation and the geometry dictionary beyond the shapes'.
inline constexpr char kSegmentPtsKey[] = "segment_pts";
inline constexpr char kClosedKey[] = "closed";

class TMPolygonObject;
using TMPolygonObjectRef = std::shared_ptr<TMPolygonObject>;

// An open or closed chain of straight segments through corners placed one
// click after another, stroked and/or filled as the other shapes are. The
// corners are point texts in page points of the unrotated object; the shape
// is drawn about the centre of their bounds, placed at the object's centre.
class FORMWELL_EXPORT TMPolygonObject : public TMStrokeFillObject {
public:
    TMPolygonObject();
    ~TMPolygonObject() override;

    static TMPolygonObjectRef newTemplateObject();
    static TMPolygonObjectRef
    newTemplateObjectWithRepresentation(const QVariantMap& representation);
    static TMPolygonObjectRef newTemplateObjectWithOriginSize(Point origin, Size size);

    // The class operation; the Inspector asks the instance operation.
    static QString classObjectControllerClass() {
        return QStringLiteral("TMPolygonObjectController");
    }
    QString objectControllerClass() const override {
        return QStringLiteral("TMPolygonObjectController");
    }

    // The polygon tools' starting points: outline; filled.
    static QVariantMap stdRepresentation();
    static QVariantMap filledRepresentation();

    void initWithRepresentation(const QVariantMap& representation) override;
    QVariantMap dictRepresentation() const override;

    // Undoable; a setter given the current value does nothing.
    bool closedState() const { return _closed; }
    virtual void setClosedState(bool closed);

    // Corners.
    const QStringList& segmentPoints() const { return _segmentPts; }
    int segmentCount() const { return int(_segmentPts.size()) - 1; }
    Point segmentPoint(int index) const;
    Point firstSegmentPoint() const;
    Point lastSegmentPoint() const;
    int selectedKnob() const { return _selectedKnob; }
    void setSelectedKnob(int knob);
    void setSelected(bool selected) override;

    // Creation click by click.
    bool createInSegments() const override { return true; }
    void setInCreation(bool inCreation) override;
    void setFrameCornersFromTo(Point from, Point to) override;
    void nextSegment(Point point) override;
    void endSegment(Point point) override;

    // Editing; every reshape keeps the corners it leaves alone where they
    // are on the page, rotated or not.
    virtual void insertSegment();
    virtual void deleteSegment();
    int resizeByMovingKnobToPoint(int knob, Point point) override;
    int knobUnderPoint(Point point) const override;
    void flipHorizontally() override;
    void flipVertically() override;
    void moveBy(Point delta) override;
    void setCenter(Point center) override;
    // A dimension of no extent has nothing to scale: the corners keep it.
    void setSize(Size size) override;
    QVariantMap geometry() const override;
    void setGeometry(const QVariantMap& geometry) override;

    // The corners' bounds; during creation with the segment being drawn.
    virtual Rect calcBoundsFromPoints() const;
    BezierPath basicShape() const override;
    Rect frame() const override;
    Rect encapsulatingFrame() const override;
    // The outline's band, or the inside when filled; a double click on a
    // corner of the selected polygon selects that corner.
    bool hitTest(Point point) const override;
    void drawObject(bool drawHandles) override;
    void drawHandles() const override;

protected:
    bool undoingOrRedoing() const;
    void setSegmentPoint(int index, Point point);
    void appendSegmentPoint(Point point);
    void moveSegmentPointsBy(float dx, float dy);
    // Every stored point of the shape mapped through the function.
    virtual void mapPoints(const std::function<Point(Point)>& map);
    // The factor from one extent to another; 1 from an extent of 0.
    static float scaleFactor(float before, float after);
    // Changes the corners and sets centre and size from their new bounds.
    void reshape(const std::function<void()>& change);
    // The list held under a key of a representation or geometry; null when absent.
    static std::optional<QStringList> pointListFromData(const QVariant& value);

    QStringList _segmentPts;
    bool _closed = false;
    Point _curSegStartPt;
    Point _curSegEndPt;
    int32_t _selectedKnob = 0;
    bool _recreationFlag = false;
};
