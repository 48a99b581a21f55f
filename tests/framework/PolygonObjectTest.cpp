#include "ClickOut.h"
#include "framework/model/GenericDocument.h"
#include "framework/model/TMPolygonObject.h"
#include "framework/model/TMRectangleObject.h"
#include "framework/model/TemplateDocument.h"
#include "platform/archiving/Archiver.h"
#include "platform/archiving/Unarchiver.h"
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

const Color kRed = Color::calibratedRGB(1, 0, 0);

TMPolygonObjectRef clickedPolygon(Point start, const std::vector<Point>& clicks, Point last) {
    TMPolygonObjectRef polygon = TMPolygonObject::newTemplateObject();
    clickOut(*polygon, start, clicks, last);
    return polygon;
}

QStringList texts(const std::vector<Point>& points) {
    QStringList list;
    for (Point p : points)
        list.append(stringFromPoint(p));
    return list;
}

// Where the shape's points land on the page: its outline about the origin,
// placed at the centre and turned by the rotation.
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
        points.push_back(e == BezierPathElement::CurveTo ? pts[2] : pts[0]);
    }
    return points;
}

void expectNear(Point a, Point b, const char* what) {
    EXPECT_NEAR(a.x, b.x, 0.01) << what;
    EXPECT_NEAR(a.y, b.y, 0.01) << what;
}

bool inked(const QColor& c) {
    return c.alpha() > 128 && c.red() < 100;
}

} // namespace

// ---------------------------------------------------------------------------
// Creation

TEST(PolygonObject, ClickingOutStoresEveryCornerOnce) {
    TestHost host;
    TMPolygonObjectRef polygon = clickedPolygon({10, 10}, {{60, 10}}, {60, 40});
    EXPECT_EQ(polygon->segmentPoints(), texts({{10, 10}, {60, 10}, {60, 40}}));
    EXPECT_EQ(polygon->segmentCount(), 2);
    EXPECT_EQ(polygon->center(), (Point{35, 25}));
    EXPECT_EQ(polygon->size(), (Size{50, 30}));
    EXPECT_EQ(polygon->firstSegmentPoint(), (Point{10, 10}));
    EXPECT_EQ(polygon->lastSegmentPoint(), (Point{60, 40}));
}

TEST(PolygonObject, ResumingCreationContinuesFromTheLastCorner) {
    TestHost host;
    TMPolygonObjectRef polygon = clickedPolygon({10, 10}, {}, {50, 10});
    ASSERT_EQ(polygon->segmentPoints(), texts({{10, 10}, {50, 10}}));
    clickOut(*polygon, polygon->lastSegmentPoint(), {{50, 50}}, {10, 50});
    EXPECT_EQ(polygon->segmentPoints(), texts({{10, 10}, {50, 10}, {50, 50}, {10, 50}}));
    // Straight to the double click.
    clickOut(*polygon, polygon->lastSegmentPoint(), {}, {0, 30});
    EXPECT_EQ(polygon->segmentPoints(), texts({{10, 10}, {50, 10}, {50, 50}, {10, 50}, {0, 30}}));
}

TEST(PolygonObject, TheSegmentBeingDrawnIsPartOfTheShape) {
    TestHost host;
    TMPolygonObjectRef polygon = TMPolygonObject::newTemplateObject();
    polygon->setInCreation(true);
    polygon->setFrameCornersFromTo({10, 10}, {30, 20});
    EXPECT_EQ(polygon->center(), (Point{20, 15}));
    EXPECT_EQ(pagePoints(*polygon), (std::vector<Point>{{10, 10}, {30, 20}}));
    polygon->nextSegment({30, 20});
    polygon->setFrameCornersFromTo({30, 20}, {30, 40});
    EXPECT_EQ(pagePoints(*polygon), (std::vector<Point>{{10, 10}, {30, 20}, {30, 40}}));
    EXPECT_EQ(polygon->size(), (Size{20, 30}));
}

TEST(PolygonObject, ObjectsMadeWithAFrameHaveNoCorners) {
    TestHost host;
    TMPolygonObjectRef polygon =
        TMPolygonObject::newTemplateObjectWithOriginSize({10, 10}, {40, 20});
    EXPECT_TRUE(polygon->segmentPoints().isEmpty());
    EXPECT_TRUE(polygon->path().isEmpty());
    EXPECT_EQ(polygon->segmentCount(), -1);
    DrawingTestCanvas canvas(60, 60, false);
    polygon->drawObject(true);
}

// ---------------------------------------------------------------------------
// Representation and properties

TEST(PolygonObject, RepresentationsKeepPointTextsAndStyles) {
    TestHost host;
    TMPolygonObjectRef polygon = clickedPolygon({10.25f, 10}, {{60, 10.5f}}, {60, 40});
    polygon->setClosedState(true);
    polygon->setLineJoin(1);
    polygon->setLineCap(2);
    polygon->setDashPattern(str("6-2"));
    polygon->setFillState(true);
    polygon->setFillColor(kRed);
    polygon->setStrokeWidth(3);

    const QVariantMap d = polygon->dictRepresentation();
    EXPECT_EQ(d.value(str(kLineJoinKey)).typeId(), QMetaType::Float);
    EXPECT_EQ(d.value(str(kLineJoinKey)).toFloat(), 1.0f);
    EXPECT_EQ(d.value(str(kClosedKey)), QVariant(true));
    // The corners are an archived list of point texts.
    EXPECT_EQ(
        Unarchiver::unarchiveObject(d.value(str(kSegmentPtsKey)).toByteArray()).toStringList(),
        (QStringList{str("{10.25, 10}"), str("{60, 10.5}"), str("{60, 40}")}));

    TMPolygonObjectRef back = TMPolygonObject::newTemplateObjectWithRepresentation(d);
    EXPECT_EQ(back->segmentPoints(), polygon->segmentPoints());
    EXPECT_EQ(back->lineJoin(), 1);
    EXPECT_EQ(back->lineCap(), 2);
    EXPECT_TRUE(back->closedState());
    EXPECT_EQ(back->dashPattern(), "6-2");
    EXPECT_TRUE(back->fillState());
    EXPECT_EQ(back->fillColor(), kRed);
    EXPECT_EQ(back->strokeWidth(), 3.0f);
    EXPECT_EQ(back->dictRepresentation(), d);
}

TEST(PolygonObject, MissingKeysTakeTheirDefaults) {
    TestHost host;
    TMPolygonObjectRef polygon = TMPolygonObject::newTemplateObjectWithRepresentation(
        {{str("kind"), str("TMPolygonObject")}});
    EXPECT_TRUE(polygon->segmentPoints().isEmpty());
    EXPECT_TRUE(polygon->strokeState());
    EXPECT_EQ(polygon->strokeWidth(), 1.0f);
    EXPECT_EQ(polygon->strokeColor(), Color::blackColor());
    EXPECT_FALSE(polygon->fillState());
    EXPECT_EQ(polygon->fillColor(), Color::whiteColor());
    EXPECT_EQ(polygon->dashPattern(), "0");
    EXPECT_TRUE(polygon->path().lineDash().empty());
    EXPECT_FALSE(polygon->closedState());
    EXPECT_EQ(polygon->lineJoin(), 0);
    // Stored widths are taken as they are.
    TMPolygonObjectRef wide =
        TMPolygonObject::newTemplateObjectWithRepresentation({{str(kStrokeWidthKey), 50.0f}});
    EXPECT_EQ(wide->strokeWidth(), 50.0f);
    wide->setStrokeWidth(0);
    EXPECT_EQ(wide->strokeWidth(), 0.1f);
    wide->setStrokeWidth(50);
    EXPECT_EQ(wide->strokeWidth(), 32.0f);
    EXPECT_TRUE(TMPolygonObject::filledRepresentation().value(str(kFillEnabledKey)).toBool());
    EXPECT_TRUE(TMPolygonObject::stdRepresentation().isEmpty());
}

struct PolygonSetters : ::testing::Test {
    PolygonSetters() {
        undo = document.undoManager();
        polygon = clickedPolygon({10, 10}, {{60, 10}}, {60, 40});
        polygon->setParentDocument(&document);
    }
    TestHost host;
    GenericDocument document;
    UndoManager* undo = nullptr;
    TMPolygonObjectRef polygon;
};

TEST_F(PolygonSetters, EverySetterUndoesUnderItsName) {
    struct Case {
        const char* action;
        std::function<void(TMPolygonObject&)> set;
    };
    const std::vector<Case> cases = {
        {"Stroke On/Off", [](auto& s) { s.setStrokeState(false); }},
        {"Stroke Color", [](auto& s) { s.setStrokeColor(kRed); }},
        {"Stroke Width", [](auto& s) { s.setStrokeWidth(70); }},
        {"Fill On/Off", [](auto& s) { s.setFillState(true); }},
        {"Fill Color", [](auto& s) { s.setFillColor(kRed); }},
        {"Fill On/Off", [](auto& s) { s.setGradientFillState(true); }},
        {"Dash Pattern", [](auto& s) { s.setDashPattern(str("6-2.50")); }},
        {"Line Join", [](auto& s) { s.setLineJoin(1); }},
        {"Line Cap", [](auto& s) { s.setLineCap(2); }},
        {"Resize", [](auto& s) { s.setClosedState(true); }},
    };
    for (const Case& c : cases) {
        const QVariantMap before = polygon->dictRepresentation();
        undo->beginUndoGrouping();
        c.set(*polygon);
        undo->endUndoGrouping();
        EXPECT_NE(polygon->dictRepresentation(), before) << c.action;
        EXPECT_EQ(undo->undoActionName(), str(c.action));
        ASSERT_TRUE(undo->undo()) << c.action;
        EXPECT_EQ(polygon->dictRepresentation(), before) << c.action;
        undo->removeAllActions();
    }
    EXPECT_EQ(polygon->strokeWidth(), 1.0f);
    undo->beginUndoGrouping();
    polygon->setStrokeWidth(70);
    undo->endUndoGrouping();
    EXPECT_EQ(polygon->strokeWidth(), 32.0f);
}

// ---------------------------------------------------------------------------
// Reshaping

TEST(PolygonObject, DraggingACornerOfARotatedPolygonLeavesTheOthersInPlace) {
    TestHost host;
    TMPolygonObjectRef polygon = clickedPolygon({10, 10}, {{80, 20}}, {40, 70});
    polygon->setRotation(30);
    const std::vector<Point> before = pagePoints(*polygon);
    ASSERT_EQ(before.size(), 3u);
    const Point target{100, 90};
    EXPECT_EQ(polygon->resizeByMovingKnobToPoint(2, target), 2);
    const std::vector<Point> after = pagePoints(*polygon);
    ASSERT_EQ(after.size(), 3u);
    expectNear(after[0], before[0], "first corner");
    expectNear(after[1], target, "dragged corner");
    expectNear(after[2], before[2], "last corner");
    // The object is framed by its corners again.
    expectNear(polygon->calcBoundsFromPoints().center(), polygon->center(), "centre");
    EXPECT_NEAR(polygon->size().width, polygon->calcBoundsFromPoints().width(), 0.01);

    // Both sizes locked: nothing moves.
    polygon->setLockedSizeMask(3);
    polygon->resizeByMovingKnobToPoint(1, {0, 0});
    expectNear(pagePoints(*polygon)[0], before[0], "locked");
}

TEST(PolygonObject, KnobsAreTheCornersOnThePage) {
    TestHost host;
    TMPolygonObjectRef polygon = clickedPolygon({10, 10}, {{80, 20}}, {40, 70});
    EXPECT_EQ(polygon->knobUnderPoint({80, 20}), 2);
    EXPECT_EQ(polygon->knobUnderPoint({43, 67}), 3);
    EXPECT_EQ(polygon->knobUnderPoint({50, 50}), 0);
    polygon->setRotation(90);
    const std::vector<Point> placed = pagePoints(*polygon);
    EXPECT_EQ(polygon->knobUnderPoint(placed[1]), 2);
}

TEST(PolygonObject, ADoubleClickOnACornerSelectsIt) {
    TestHost host;
    TMPolygonObjectRef polygon = clickedPolygon({10, 10}, {{80, 20}}, {40, 70});
    polygon->setSelected(true);
    {
        CurrentEvent::Scope single(0, 1);
        EXPECT_TRUE(polygon->hitTest({80, 20}));
        EXPECT_EQ(polygon->selectedKnob(), 0);
    }
    {
        CurrentEvent::Scope twice(0, 2);
        EXPECT_TRUE(polygon->hitTest({80, 20}));
        EXPECT_EQ(polygon->selectedKnob(), 2);
    }
    polygon->setSelected(false);
    EXPECT_EQ(polygon->selectedKnob(), 0);
}

TEST_F(PolygonSetters, InsertAndDeleteReshapeAndUndoAsTheEditorRegistersThem) {
    polygon->setRotation(20);
    const QStringList original = polygon->segmentPoints();
    const Point originalCenter = polygon->center();
    const std::vector<Point> before = pagePoints(*polygon);

    auto command = [&](const std::function<void()>& change) {
        undo->beginUndoGrouping();
        const QVariantMap old = polygon->geometry();
        undo->registerUndo(polygon.get(), [p = polygon, old] { p->setGeometry(old); });
        undo->setActionName(str("Resize"));
        change();
        undo->endUndoGrouping();
    };

    polygon->setSelectedKnob(2);
    command([&] { polygon->insertSegment(); });
    EXPECT_EQ(polygon->selectedKnob(), 0);
    ASSERT_EQ(polygon->segmentPoints().size(), 4);
    std::vector<Point> after = pagePoints(*polygon);
    expectNear(after[0], before[0], "first corner");
    expectNear(after[1], {(before[0].x + before[1].x) / 2, (before[0].y + before[1].y) / 2},
               "midpoint");
    expectNear(after[2], before[1], "second corner");
    expectNear(after[3], before[2], "third corner");

    ASSERT_TRUE(undo->undo());
    EXPECT_EQ(polygon->segmentPoints(), original);
    EXPECT_EQ(polygon->center(), originalCenter);
    ASSERT_TRUE(undo->redo());
    EXPECT_EQ(polygon->segmentPoints().size(), 4);
    ASSERT_TRUE(undo->undo());

    // Deleting the last corner of the three.
    polygon->setSelectedKnob(3);
    command([&] { polygon->deleteSegment(); });
    after = pagePoints(*polygon);
    ASSERT_EQ(after.size(), 2u);
    expectNear(after[0], before[0], "first corner");
    expectNear(after[1], before[1], "second corner");
    ASSERT_TRUE(undo->undo());
    EXPECT_EQ(polygon->segmentPoints(), original);

    // Without a knob, or knob 1 for an insert, nothing happens.
    polygon->setSelectedKnob(1);
    polygon->insertSegment();
    polygon->setSelectedKnob(0);
    polygon->deleteSegment();
    EXPECT_EQ(polygon->segmentPoints(), original);
}

TEST(PolygonObject, MovesSizesAndFlipsCarryTheCorners) {
    TestHost host;
    TMPolygonObjectRef polygon = clickedPolygon({10, 10}, {{50, 10}}, {50, 30});
    polygon->moveBy({5, 5});
    EXPECT_EQ(polygon->segmentPoints(), texts({{15, 15}, {55, 15}, {55, 35}}));
    polygon->setCenter({35, 25});
    EXPECT_EQ(polygon->segmentPoints(), texts({{15, 15}, {55, 15}, {55, 35}}));
    polygon->setCenter({30, 20});
    EXPECT_EQ(polygon->segmentPoints(), texts({{10, 10}, {50, 10}, {50, 30}}));
    polygon->setSize({80, 10});
    EXPECT_EQ(polygon->segmentPoints(), texts({{-10, 15}, {70, 15}, {70, 25}}));
    polygon->flipHorizontally();
    EXPECT_EQ(polygon->segmentPoints(), texts({{70, 15}, {-10, 15}, {-10, 25}}));
    polygon->flipVertically();
    EXPECT_EQ(polygon->segmentPoints(), texts({{70, 25}, {-10, 25}, {-10, 15}}));
    // A locked axis keeps the corners where they are along it.
    polygon->setLockedControlPtMask(1);
    polygon->setCenter({0, 0});
    EXPECT_EQ(polygon->segmentPoints(), texts({{70, 5}, {-10, 5}, {-10, -5}}));
}

TEST(PolygonObject, ResizingAFlatPolygonLeavesNoNaNAndTheTemplateReopens) {
    TestHost host;
    QTemporaryDir folder;
    const QString target = folder.path() + "/flat.vyxTemplate";
    {
        TemplateDocument document;
        TMPolygonObjectRef polygon = clickedPolygon({10, 20}, {{50, 20}}, {90, 20});
        ASSERT_EQ(polygon->size().height, 0.0f);
        polygon->setSize({160, 30});
        EXPECT_EQ(polygon->segmentPoints(), texts({{-30, 20}, {50, 20}, {130, 20}}));
        for (const QString& text : polygon->segmentPoints())
            EXPECT_FALSE(text.contains(str("nan"), Qt::CaseInsensitive)) << text.toStdString();
        // No band to test along a flat shape: the outline answers.
        EXPECT_TRUE(polygon->hitTest({100, 20.5f}));
        EXPECT_FALSE(polygon->hitTest({100, 30}));
        document.addObject(polygon);
        ASSERT_TRUE(document.writeToFileOfType(target, str(kTemplateDocumentType)));
    }
    TemplateDocument reopened;
    QString error;
    ASSERT_TRUE(reopened.readFromFileOfType(target, str(kTemplateDocumentType), &error))
        << error.toStdString();
    ASSERT_EQ(reopened.objects().size(), 1);
    auto polygon = std::dynamic_pointer_cast<TMPolygonObject>(reopened.objects()[0]);
    ASSERT_TRUE(polygon);
    EXPECT_EQ(polygon->segmentPoints(), texts({{-30, 20}, {50, 20}, {130, 20}}));
}

// ---------------------------------------------------------------------------
// Paths, hits and pixels

TEST(PolygonObject, AClosedShapeEndsWithALineBackToItsStart) {
    TestHost host;
    TMPolygonObjectRef two = clickedPolygon({10, 10}, {}, {50, 10});
    two->setClosedState(true);
    // There and back.
    EXPECT_EQ(pagePoints(*two), (std::vector<Point>{{10, 10}, {50, 10}, {10, 10}}));
    const BezierPath outline = two->path();
    for (const auto& e : outline.elements())
        EXPECT_NE(e.kind, BezierPathElement::ClosePath);
    TMPolygonObjectRef one = TMPolygonObject::newTemplateObjectWithRepresentation(
        {{str(kSegmentPtsKey), Archiver::archivedData(QVariant(QStringList{str("{5, 5}")}))},
         {str(kClosedKey), true}});
    EXPECT_EQ(one->path().elementCount(), 1);
}

TEST(PolygonObject, OpenAndClosedPolygonsDrawTheirSegments) {
    TestHost host;
    TMPolygonObjectRef polygon = clickedPolygon({10, 10}, {{90, 10}}, {90, 90});
    polygon->setStrokeWidth(2);
    {
        DrawingTestCanvas canvas(100, 100, false);
        polygon->drawObject(false);
        EXPECT_TRUE(inked(canvas.at(50, 10.5)));
        EXPECT_TRUE(inked(canvas.at(90.5, 50)));
        EXPECT_FALSE(inked(canvas.at(50.5, 50.5)));
    }
    polygon->setClosedState(true);
    {
        DrawingTestCanvas canvas(100, 100, false);
        polygon->drawObject(false);
        EXPECT_TRUE(inked(canvas.at(50.5, 50.5)));
        EXPECT_FALSE(inked(canvas.at(70, 30)));
    }
    polygon->setFillState(true);
    polygon->setFillColor(kRed);
    {
        DrawingTestCanvas canvas(100, 100, false);
        polygon->drawObject(false);
        EXPECT_GT(canvas.at(70, 30).red(), 240);
        EXPECT_LT(canvas.at(70, 30).green(), 20);
        EXPECT_EQ(canvas.at(30, 70).alpha(), 0);
    }
}

TEST(PolygonObject, ADashOfSixAndTwoDrawsSixOnTwoOff) {
    TestHost host;
    TMPolygonObjectRef polygon = clickedPolygon({10, 50}, {}, {90, 50});
    polygon->setStrokeWidth(2);
    polygon->setDashPattern(str("6-2"));
    EXPECT_EQ(polygon->path().lineDash(), (std::vector<float>{6, 2}));
    DrawingTestCanvas canvas(100, 100, false);
    polygon->drawObject(false);
    // The line starts on x 10.5.
    EXPECT_TRUE(inked(canvas.at(13.5, 50.5)));
    EXPECT_FALSE(inked(canvas.at(17.5, 50.5)));
    EXPECT_TRUE(inked(canvas.at(21.5, 50.5)));
    EXPECT_FALSE(inked(canvas.at(25.5, 50.5)));
}

TEST(PolygonObject, HitsFallOnTheBandNotInsideAnUnfilledShape) {
    TestHost host;
    TMPolygonObjectRef polygon = clickedPolygon({10, 10}, {{90, 10}}, {50, 90});
    polygon->setClosedState(true);
    EXPECT_TRUE(polygon->hitTest({50, 11}));
    EXPECT_TRUE(polygon->hitTest({70.5f, 50}));
    EXPECT_FALSE(polygon->hitTest({50, 37}));
    EXPECT_FALSE(polygon->hitTest({10, 80}));
    EXPECT_FALSE(polygon->hitTest({200, 200}));
    polygon->setFillState(true);
    EXPECT_TRUE(polygon->hitTest({50, 37}));
}
