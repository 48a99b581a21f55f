#include "ClickOut.h"
#include "framework/model/GenericDocument.h"
#include "framework/model/TMBezigonObject.h"
#include "framework/model/TemplateDocument.h"
#include "platform/archiving/Archiver.h"
#include "platform/foundation/UndoManager.h"
#include "platform/graphics/AffineTransform.h"
#include "platform/graphics/DrawingTestCanvas.h"
#include "platform/ui/CurrentEvent.h"
#include "support/TestHost.h"

#include <QTemporaryDir>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <vector>

namespace {

QString str(const char* text) {
    return QString::fromLatin1(text);
}

TMControlPoints rec(Point a, Point b) {
    return {stringFromPoint(a), stringFromPoint(b)};
}

QStringList texts(const std::vector<Point>& points) {
    QStringList list;
    for (Point p : points)
        list.append(stringFromPoint(p));
    return list;
}

TMBezigonObjectRef clickedBezigon(Point start, const std::vector<Point>& clicks, Point last) {
    TMBezigonObjectRef shape = TMBezigonObject::newTemplateObject();
    clickOut(*shape, start, clicks, last);
    return shape;
}

// A shape read from corners and records, as a file gives them.
TMBezigonObjectRef storedBezigon(const std::vector<Point>& corners,
                                 const std::vector<TMControlPoints>& records, bool closed,
                                 bool withRecords = true) {
    QVariantMap d{{str("kind"), str("TMBezigonObject")},
                  {str(kSegmentPtsKey), Archiver::archivedData(QVariant(texts(corners)))},
                  {str(kClosedKey), closed}};
    if (withRecords) {
        QVariantList list;
        for (const TMControlPoints& r : records)
            list.append(QVariantMap{{str(kControlPt1Key), r.cp1}, {str(kControlPt2Key), r.cp2}});
        d.insert(str(kControlPtsKey), Archiver::archivedData(QVariant(list)));
    }
    TMBezigonObjectRef shape = TMBezigonObject::newTemplateObjectWithRepresentation(d);
    shape->adjustToReshape();
    return shape;
}

// Every point of the outline, control points included, placed on the page.
std::vector<Point> pagePoints(const TMObject& object) {
    BezierPath shape = object.basicShape();
    AffineTransform place;
    place.translateXByYBy(object.center().x, object.center().y);
    place.rotateByDegrees(object.rotation());
    shape.transformUsingAffineTransform(place);
    std::vector<Point> points;
    for (int i = 0; i < shape.elementCount(); ++i) {
        Point pts[3];
        const BezierPathElement e = shape.elementAtIndexAssociatedPoints(i, pts);
        const int count = e == BezierPathElement::CurveTo ? 3 : 1;
        points.insert(points.end(), pts, pts + count);
    }
    return points;
}

void expectNear(Point a, Point b, const std::string& what) {
    EXPECT_NEAR(a.x, b.x, 0.01) << what;
    EXPECT_NEAR(a.y, b.y, 0.01) << what;
}

bool hasNaN(const TMBezigonObject& shape) {
    QStringList all = shape.segmentPoints();
    for (const TMControlPoints& r : shape.controlPoints())
        all << r.cp1 << r.cp2;
    for (const QString& text : all)
        if (text.contains(str("nan"), Qt::CaseInsensitive))
            return true;
    return false;
}

std::string colourName(const QColor& c) {
    return c.name(QColor::HexArgb).toStdString();
}

bool inked(const QColor& c) {
    return c.alpha() > 128 && c.red() < 100;
}

} // namespace

// ---------------------------------------------------------------------------
// Records and creation

TEST(BezigonObject, ANewSegmentIsStraightAtItsThirds) {
    TestHost host;
    EXPECT_EQ(TMBezigonObject::calcControlPtsFromStartToEnd({0, 0}, {30, 0}),
              rec({10, 0}, {20, 0}));
    TMBezigonObjectRef shape = clickedBezigon({0, 0}, {}, {30, 0});
    ASSERT_EQ(shape->controlPoints().size(), 1u);
    EXPECT_EQ(shape->controlPoints()[0], rec({10, 0}, {20, 0}));
    EXPECT_EQ(shape->size(), (Size{30, 0}));
}

TEST(BezigonObject, ClickingOutStoresCornersAndOneRecordPerSegment) {
    TestHost host;
    TMBezigonObjectRef shape = clickedBezigon({0, 0}, {{30, 0}}, {30, 60});
    EXPECT_EQ(shape->segmentPoints(), texts({{0, 0}, {30, 0}, {30, 60}}));
    EXPECT_EQ(shape->controlPoints(),
              (std::vector<TMControlPoints>{rec({10, 0}, {20, 0}), rec({30, 20}, {30, 40})}));

    // Resumed: the last corner is not stored again and every segment has its record.
    clickOut(*shape, shape->lastSegmentPoint(), {}, {0, 60});
    EXPECT_EQ(shape->segmentPoints(), texts({{0, 0}, {30, 0}, {30, 60}, {0, 60}}));
    EXPECT_EQ(shape->controlPoints().size(), 3u);
    EXPECT_EQ(shape->controlPoints()[2], rec({20, 60}, {10, 60}));
}

TEST(BezigonObject, ResumingAClosedShapeKeepsItsClosingRecordLast) {
    TestHost host;
    TMBezigonObjectRef shape = clickedBezigon({0, 0}, {{30, 0}}, {30, 60});
    shape->setClosedState(true);
    const TMControlPoints closing = shape->controlPoints().back();
    shape->setInCreation(true);
    EXPECT_EQ(shape->controlPoints().size(), 2u);
    shape->setFrameCornersFromTo({30, 60}, {0, 60});
    shape->nextSegment({0, 60});
    shape->setFrameCornersFromTo({0, 60}, {0, 30});
    shape->nextSegment({0, 30});
    shape->endSegment({0, 30});
    shape->setInCreation(false);
    EXPECT_EQ(shape->segmentPoints().size(), 5);
    ASSERT_EQ(shape->controlPoints().size(), 5u);
    EXPECT_EQ(shape->controlPoints().back(), closing);
}

TEST(BezigonObject, ClosingAddsAStraightRecordAndOpeningTakesItAway) {
    TestHost host;
    GenericDocument document;
    TMBezigonObjectRef shape = clickedBezigon({0, 0}, {{30, 0}}, {30, 60});
    shape->setParentDocument(&document);
    UndoManager* undo = document.undoManager();
    undo->beginUndoGrouping();
    shape->setClosedState(true);
    undo->endUndoGrouping();
    ASSERT_EQ(shape->controlPoints().size(), 3u);
    EXPECT_EQ(shape->controlPoints()[2], rec({20, 40}, {10, 20}));
    EXPECT_EQ(undo->undoActionName(), str("Resize"));
    ASSERT_TRUE(undo->undo());
    EXPECT_FALSE(shape->closedState());
    EXPECT_EQ(shape->controlPoints().size(), 2u);
}

TEST(BezigonObject, RepresentationsKeepRecordsExactly) {
    TestHost host;
    TMBezigonObjectRef shape = storedBezigon(
        {{0, 0.25f}, {40, 0}, {40, 30}},
        {rec({5.5f, 20}, {30, -10}), rec({60, 10.125f}, {55, 25}), rec({20, 40}, {0, 10})}, true);
    TMBezigonObjectRef back =
        TMBezigonObject::newTemplateObjectWithRepresentation(shape->dictRepresentation());
    EXPECT_EQ(back->controlPoints(), shape->controlPoints());
    EXPECT_EQ(back->segmentPoints(), shape->segmentPoints());
    EXPECT_EQ(back->dictRepresentation(), shape->dictRepresentation());
    EXPECT_EQ(TMBezigonObject::classObjectControllerClass(), "TMRectangleObjectController");
}

// ---------------------------------------------------------------------------
// Knobs and drags

TEST(BezigonObject, ControlKnobsAreNumberedBelowZeroAndFoundFirst) {
    TestHost host;
    // Record 1's first control point lies on corner 1.
    TMBezigonObjectRef shape = storedBezigon(
        {{0, 0}, {60, 0}, {60, 60}}, {rec({20, 20}, {40, 20}), rec({60, 0}, {80, 40})}, false);
    EXPECT_EQ(shape->knobUnderPoint({20, 20}), -1);
    EXPECT_EQ(shape->knobUnderPoint({40, 20}), -2);
    EXPECT_EQ(shape->knobUnderPoint({60, 0}), -3);
    EXPECT_EQ(shape->knobUnderPoint({80, 40}), -4);
    EXPECT_EQ(shape->knobUnderPoint({0, 0}), 1);
    EXPECT_EQ(shape->knobUnderPoint({60, 60}), 3);
    EXPECT_EQ(shape->knobUnderPoint({30, 50}), 0);
}

TEST(BezigonObject, DragsOnARotatedShapeLeaveEveryOtherPointInPlace) {
    TestHost host;
    struct Case {
        int knob;
        int pointIndex; // in pagePoints
    };
    // Page points: corner 0, then per curve cp1, cp2, end corner.
    for (const Case c : {Case{2, 3}, Case{-1, 1}, Case{-4, 5}}) {
        TMBezigonObjectRef shape = clickedBezigon({10, 10}, {{80, 20}}, {40, 70});
        shape->setRotation(35);
        const std::vector<Point> before = pagePoints(*shape);
        ASSERT_EQ(before.size(), 7u);
        const Point target{100, 95};
        EXPECT_EQ(shape->resizeByMovingKnobToPoint(c.knob, target), c.knob);
        const std::vector<Point> after = pagePoints(*shape);
        ASSERT_EQ(after.size(), 7u);
        for (size_t i = 0; i < after.size(); ++i) {
            const std::string what =
                "knob " + std::to_string(c.knob) + " point " + std::to_string(i);
            expectNear(after[i], int(i) == c.pointIndex ? target : before[i], what);
        }
    }
}

TEST(BezigonObject, OptionReaimsTheOppositeControlPoint) {
    TestHost host;
    const std::vector<Point> corners{{0, 0}, {60, 0}, {60, 60}};
    const std::vector<TMControlPoints> records{rec({20, 0}, {40, 0}), rec({60, 20}, {60, 40})};
    {
        // Without Shift the opposite keeps its length of 20.
        TMBezigonObjectRef shape = storedBezigon(corners, records, false);
        CurrentEvent::Scope option(AlternateKeyMask);
        shape->resizeByMovingKnobToPoint(-2, {50, -10});
        EXPECT_EQ(shape->controlPoints()[0].cp2, stringFromPoint({50, -10}));
        const Point o = pointFromString(shape->controlPoints()[1].cp1);
        EXPECT_NEAR(o.x, 60 + 20 / std::sqrt(2.0), 0.01);
        EXPECT_NEAR(o.y, 20 / std::sqrt(2.0), 0.01);
    }
    {
        // With Shift it mirrors the dragged point across the corner.
        TMBezigonObjectRef shape = storedBezigon(corners, records, false);
        CurrentEvent::Scope optionShift(AlternateKeyMask | ShiftKeyMask);
        shape->resizeByMovingKnobToPoint(-3, {60, 30});
        EXPECT_EQ(shape->controlPoints()[0].cp2, stringFromPoint({60, -30}));
    }
    {
        // The last control point of an open shape has no opposite.
        TMBezigonObjectRef shape = storedBezigon(corners, records, false);
        CurrentEvent::Scope option(AlternateKeyMask);
        shape->resizeByMovingKnobToPoint(-4, {70, 40});
        EXPECT_EQ(shape->controlPoints()[0], records[0]);
        EXPECT_EQ(shape->controlPoints()[1], rec({60, 20}, {70, 40}));
    }
    {
        // Dragged onto its corner it gives no direction: the opposite stays.
        TMBezigonObjectRef shape = storedBezigon(corners, records, false);
        CurrentEvent::Scope option(AlternateKeyMask);
        shape->resizeByMovingKnobToPoint(-3, {60, 0});
        EXPECT_EQ(shape->controlPoints()[0], records[0]);
        EXPECT_FALSE(hasNaN(*shape));
    }
}

TEST(BezigonObject, OptionOnACornerCarriesItsControlPoints) {
    TestHost host;
    TMBezigonObjectRef shape = storedBezigon(
        {{0, 0}, {60, 0}, {60, 60}},
        {rec({20, 0}, {40, 0}), rec({60, 20}, {60, 40}), rec({40, 40}, {20, 20})}, true);
    CurrentEvent::Scope option(AlternateKeyMask);
    shape->resizeByMovingKnobToPoint(1, {-10, 5});
    EXPECT_EQ(shape->controlPoints()[0].cp1, stringFromPoint({10, 5}));
    EXPECT_EQ(shape->controlPoints()[2].cp2, stringFromPoint({10, 25}));
    EXPECT_EQ(shape->controlPoints()[1], rec({60, 20}, {60, 40}));
}

// ---------------------------------------------------------------------------
// Insert, delete, short lists

TEST(BezigonObject, InsertAndDeleteKeepTheirRecordsAndUndo) {
    TestHost host;
    GenericDocument document;
    UndoManager* undo = document.undoManager();
    TMBezigonObjectRef shape = storedBezigon(
        {{0, 0}, {60, 0}, {60, 60}}, {rec({20, 30}, {40, 30}), rec({60, 20}, {60, 40})}, false);
    shape->setParentDocument(&document);
    const QVariantMap original = shape->geometry();
    auto command = [&](const std::function<void()>& change) {
        undo->beginUndoGrouping();
        const QVariantMap old = shape->geometry();
        undo->registerUndo(shape.get(), [s = shape, old] { s->setGeometry(old); });
        change();
        undo->endUndoGrouping();
    };

    shape->setSelectedKnob(2);
    command([&] { shape->insertSegment(); });
    EXPECT_EQ(shape->segmentPoints(), texts({{0, 0}, {30, 0}, {60, 0}, {60, 60}}));
    EXPECT_EQ(shape->controlPoints(),
              (std::vector<TMControlPoints>{rec({20, 30}, {40, 30}), rec({40, 0}, {50, 0}),
                                            rec({60, 20}, {60, 40})}));
    EXPECT_EQ(shape->selectedKnob(), 0);
    ASSERT_TRUE(undo->undo());
    EXPECT_EQ(shape->geometry(), original);

    // The last corner of an open shape takes the last record with it.
    shape->setSelectedKnob(3);
    command([&] { shape->deleteSegment(); });
    EXPECT_EQ(shape->segmentPoints(), texts({{0, 0}, {60, 0}}));
    EXPECT_EQ(shape->controlPoints(), (std::vector<TMControlPoints>{rec({20, 30}, {40, 30})}));
    ASSERT_TRUE(undo->undo());
    EXPECT_EQ(shape->geometry(), original);
}

TEST(BezigonObject, SegmentsWithoutARecordAreDrawnStraight) {
    TestHost host;
    // A file without records, and a closed shape that lacks its closing record.
    for (const bool withRecords : {false, true}) {
        TMBezigonObjectRef shape = storedBezigon({{10, 10}, {90, 10}, {90, 90}},
                                                 {rec({30, 30}, {70, 30})}, true, withRecords);
        shape->setStrokeWidth(3);
        const BezierPath outline = shape->basicShape();
        ASSERT_EQ(outline.elementCount(), 4);
        EXPECT_EQ(outline.elementAtIndex(2), BezierPathElement::LineTo);
        EXPECT_EQ(outline.elementAtIndex(3), BezierPathElement::LineTo);
        shape->setSelected(true);
        DrawingTestCanvas canvas(100, 100, false);
        shape->drawObject(true);
        EXPECT_TRUE(inked(canvas.at(50.5, 50.5))) << withRecords;
        shape->setSelectedKnob(3);
        shape->insertSegment();
        shape->setSelectedKnob(1);
        shape->deleteSegment();
        CurrentEvent::Scope option(AlternateKeyMask);
        shape->resizeByMovingKnobToPoint(1, {20, 20});
        shape->resizeByMovingKnobToPoint(-1, {40, 40});
        EXPECT_FALSE(hasNaN(*shape));
    }
}

TEST(BezigonObject, ResizingAFlatShapeLeavesNoNaNAndTheTemplateReopens) {
    TestHost host;
    QTemporaryDir folder;
    const QString target = folder.path() + "/flat.vyxTemplate";
    QVariantMap saved;
    {
        TemplateDocument document;
        TMBezigonObjectRef shape = clickedBezigon({10, 20}, {{50, 20}}, {90, 20});
        ASSERT_EQ(shape->size().height, 0.0f);
        shape->setSize({160, 30});
        EXPECT_FALSE(hasNaN(*shape));
        expectNear(pointFromString(shape->controlPoints()[0].cp1), {-3.3333f, 20}, "cp 1");
        expectNear(pointFromString(shape->controlPoints()[0].cp2), {23.3333f, 20}, "cp 2");
        document.addObject(shape);
        saved = shape->dictRepresentation();
        ASSERT_TRUE(document.writeToFileOfType(target, str(kTemplateDocumentType)));
    }
    TemplateDocument reopened;
    QString error;
    ASSERT_TRUE(reopened.readFromFileOfType(target, str(kTemplateDocumentType), &error))
        << error.toStdString();
    ASSERT_EQ(reopened.objects().size(), 1);
    auto shape = std::dynamic_pointer_cast<TMBezigonObject>(reopened.objects()[0]);
    ASSERT_TRUE(shape);
    EXPECT_EQ(shape->controlPoints(),
              TMBezigonObject::newTemplateObjectWithRepresentation(saved)->controlPoints());
    EXPECT_EQ(shape->segmentPoints().size(), 3);
}

// ---------------------------------------------------------------------------
// Pixels and hits

TEST(BezigonObject, ACurvedSegmentDrawsAndHitsAlongItsCurve) {
    TestHost host;
    // The curve peaks at y 70 halfway.
    TMBezigonObjectRef shape =
        storedBezigon({{10, 10}, {90, 10}}, {rec({10, 90}, {90, 90})}, false);
    shape->setStrokeWidth(2);
    EXPECT_NEAR(shape->calcBoundsFromPoints().maxY(), 70, 0.5);
    DrawingTestCanvas canvas(100, 100, false);
    shape->drawObject(false);
    // Drawn from x and y 10.5: the peak is at (50.5, 70.5).
    EXPECT_TRUE(inked(canvas.at(50.5, 70.5)));
    EXPECT_FALSE(inked(canvas.at(50.5, 10.5)));
    EXPECT_FALSE(inked(canvas.at(50.5, 40)));

    EXPECT_TRUE(shape->hitTest({50.5f, 70.5f}));
    // The curve at a fifth of its way.
    EXPECT_TRUE(shape->hitTest({18.8f, 48.9f}));
    EXPECT_FALSE(shape->hitTest({50, 40}));
    EXPECT_FALSE(shape->hitTest({50, 95}));
}

TEST(BezigonObject, SelectedShapesShowDashedGreyArmsToTheirControlPoints) {
    TestHost host;
    TMBezigonObjectRef shape = storedBezigon({{10.5f, 10.5f}, {90.5f, 10.5f}},
                                             {rec({10.5f, 50.5f}, {90.5f, 50.5f})}, false);
    shape->setStrokeState(false);
    shape->setSelected(true);
    DrawingTestCanvas canvas(100, 100, false);
    shape->drawObject(true);
    // The arm runs up from the corner: 2 points on, 3 off.
    const QColor on = canvas.at(10.5, 21.5);
    EXPECT_GT(on.alpha(), 200) << colourName(on);
    EXPECT_NEAR(on.red(), 128, 30) << colourName(on);
    EXPECT_EQ(on.red(), on.blue());
    EXPECT_LT(canvas.at(10.5, 24).alpha(), 10);
    // Handles sit on the control points.
    EXPECT_GT(canvas.at(10.5, 50.5).alpha(), 100);
    EXPECT_GT(canvas.at(90.5, 50.5).alpha(), 100);
    // Not selected: nothing but the unstroked shape.
    shape->setSelected(false);
    DrawingTestCanvas plain(100, 100, false);
    shape->drawObject(true);
    EXPECT_LT(plain.at(10.5, 21.5).alpha(), 10);
}

TEST(BezigonObject, UndoingAnOpeningBringsBackTheCurvedClosingSegment) {
    TestHost host;
    GenericDocument document;
    UndoManager* undo = document.undoManager();
    TMBezigonObjectRef shape = storedBezigon(
        {{0, 0}, {60, 0}, {60, 60}},
        {rec({20, 0}, {40, 0}), rec({60, 20}, {60, 40}), rec({90, 90}, {-30, 30})}, true);
    shape->setParentDocument(&document);
    const std::vector<TMControlPoints> curved = shape->controlPoints();
    undo->beginUndoGrouping();
    shape->setClosedState(false);
    undo->endUndoGrouping();
    EXPECT_EQ(shape->controlPoints().size(), 2u);
    EXPECT_EQ(undo->undoActionName(), str("Resize"));
    ASSERT_TRUE(undo->undo());
    EXPECT_TRUE(shape->closedState());
    EXPECT_EQ(shape->controlPoints(), curved);
    ASSERT_TRUE(undo->redo());
    EXPECT_FALSE(shape->closedState());
    EXPECT_EQ(shape->controlPoints().size(), 2u);
    ASSERT_TRUE(undo->undo());
    EXPECT_EQ(shape->controlPoints(), curved);
}
