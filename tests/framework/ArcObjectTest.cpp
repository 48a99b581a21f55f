#include "framework/model/GenericDocument.h"
#include "framework/model/TMArcObject.h"
#include "framework/model/TMRectangleObject.h"
#include "framework/model/TemplateDocument.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UndoManager.h"
#include "platform/graphics/DrawingTestCanvas.h"
#include "platform/ui/CurrentEvent.h"
#include "support/TestHost.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <vector>

namespace {

QString str(const char* text) {
    return QString::fromLatin1(text);
}

const Color kRed = Color::calibratedRGB(1, 0, 0);
const Color kBlue = Color::calibratedRGB(0, 0, 1);

// Drawn as the arc tool draws: begun at `from`, released at `to`.
TMArcObjectRef dragged(Point from, Point to) {
    TMArcObjectRef arc = TMArcObject::newTemplateObject();
    arc->setInCreation(true);
    arc->setFrameCornersFromTo(from, to);
    arc->setInCreation(false);
    return arc;
}

bool stroked(const QColor& c) {
    return c.red() > 150 && c.alpha() > 150;
}

bool isClear(const QColor& c) {
    return c.alpha() < 10;
}

// Points of the quarter ellipses from (0, 0) to (100, 50): the one centred
// on (0, 50) and the one centred on (100, 0), half way round; the path
// starts on a half point.
constexpr Point kOnFirstSide{70.71f + 0.5f, 14.64f + 0.5f};
constexpr Point kOnOtherSide{29.29f + 0.5f, 35.36f + 0.5f};

TMArcObjectRef redArc() {
    TMArcObjectRef arc = dragged({0, 0}, {100, 50});
    arc->setStrokeWidth(3);
    arc->setStrokeColor(kRed);
    return arc;
}

} // namespace

TEST(ArcObject, ANewArcIsOpenAndBulgesTheFirstWay) {
    TestHost host;
    TMArcObjectRef arc = TMArcObject::newTemplateObject();
    EXPECT_EQ(arc->kind(), "TMArcObject");
    EXPECT_FALSE(arc->fillState());
    EXPECT_EQ(arc->fillColor(), Color::whiteColor());
    EXPECT_FALSE(arc->gradientFillState());
    ASSERT_TRUE(arc->gradientFill());
    EXPECT_FALSE(arc->concavity());
    EXPECT_TRUE(arc->strokeState());
    EXPECT_EQ(TMArcObject::classObjectControllerClass(), "TMArcObjectController");
    EXPECT_TRUE(
        TMArcObject::newTemplateObjectWithRepresentation(TMArcObject::filledRepresentation())
            ->fillState());
    EXPECT_FALSE(TMArcObject::newTemplateObjectWithRepresentation(TMArcObject::stdRepresentation())
                     ->fillState());
}

TEST(ArcObject, TheArcIsAQuarterOfTheEllipseOfTheBox) {
    TestHost host;
    TMArcObjectRef arc = redArc();
    EXPECT_EQ(arc->startPoint(), (Point{0, 0}));
    EXPECT_EQ(arc->endPoint(), (Point{100, 50}));
    const Rect bounds = arc->path().bounds();
    EXPECT_NEAR(bounds.minX(), 0.5, 1e-3);
    EXPECT_NEAR(bounds.minY(), 0.5, 1e-3);
    EXPECT_NEAR(bounds.width(), 100, 1e-3);
    EXPECT_NEAR(bounds.height(), 50, 1e-3);
    // Every point of the curve lies on the ellipse of 200 by 100 centred on (0, 50).
    const BezierPath shape = arc->basicShape();
    for (const BezierPath::Element& element : shape.elements()) {
        const Point p =
            element.kind == BezierPathElement::CurveTo ? element.points[2] : element.points[0];
        const float u = (p.x + 50) / 100;
        const float v = (p.y - 25) / 50;
        EXPECT_NEAR(u * u + v * v, 1, 1e-4);
    }
}

TEST(ArcObject, AnArcBulgesTowardsOneFreeCornerOrTheOther) {
    TestHost host;
    for (bool concavity : {false, true}) {
        TMArcObjectRef arc = redArc();
        arc->setConcavity(concavity);
        DrawingTestCanvas canvas(110, 60, false);
        arc->drawObject(false);
        const Point on = concavity ? kOnOtherSide : kOnFirstSide;
        const Point off = concavity ? kOnFirstSide : kOnOtherSide;
        EXPECT_TRUE(stroked(canvas.at(on.x, on.y))) << concavity;
        EXPECT_TRUE(isClear(canvas.at(off.x, off.y))) << concavity;
        EXPECT_TRUE(isClear(canvas.at(50, 25))) << concavity;
        // The ends stay where they are.
        EXPECT_EQ(arc->startPoint(), (Point{0, 0}));
        EXPECT_EQ(arc->endPoint(), (Point{100, 50}));
    }
}

TEST(ArcObject, AFilledArcIsAWedge) {
    TestHost host;
    TMArcObjectRef arc = dragged({0, 0}, {100, 50});
    arc->setFillState(true);
    arc->setFillColor(kBlue);
    arc->setStrokeState(false);
    DrawingTestCanvas canvas(110, 60, false);
    arc->drawObject(false);
    for (const Point p : {Point{30, 35}, Point{80, 45}, Point{5, 6}, Point{50, 25}})
        EXPECT_GT(canvas.at(p.x, p.y).blue(), 200) << p.x << "," << p.y;
    for (const Point p : {Point{95, 5}, Point{60, 3}})
        EXPECT_TRUE(isClear(canvas.at(p.x, p.y))) << p.x << "," << p.y;
}

TEST(ArcObject, AGradientWedgeKeepsToTheWedge) {
    TestHost host;
    TMArcObjectRef arc = dragged({0, 0}, {100, 50});
    arc->setFillState(true);
    arc->setGradientFillState(true);
    arc->setStrokeState(false);
    arc->setShadow(ShadowValue{{0, -8}, 0, QColor(0, 0, 0, 128)});
    arc->setShadowEnabled(true);
    DrawingTestCanvas canvas(110, 60, true);
    arc->drawObject(false);
    // Black at the left, white at the right, nothing outside the wedge but its shadow.
    EXPECT_LT(canvas.at(10, 40).red(), 60);
    EXPECT_EQ(canvas.at(10, 40).alpha(), 255);
    EXPECT_GT(canvas.at(85, 45).red(), 190);
    EXPECT_TRUE(isClear(canvas.at(95, 12)));
    // Beyond the curve, shifted up by 8 points as seen.
    EXPECT_NEAR(canvas.at(71, 8).alpha(), 128, 12);
}

TEST(ArcObject, ABoxWithoutWidthMakesAStraightLine) {
    TestHost host;
    TMArcObjectRef arc = dragged({10, 10}, {10, 60});
    arc->setStrokeColor(kRed);
    arc->setStrokeWidth(2);
    EXPECT_EQ(arc->basicShape().elementCount(), 2);
    EXPECT_TRUE(arc->hitTest({10, 35}));
    EXPECT_FALSE(arc->hitTest({20, 35}));
    DrawingTestCanvas canvas(100, 100, false);
    arc->drawObject(false);
    EXPECT_TRUE(stroked(canvas.at(10.5, 35)));
    EXPECT_EQ(arc->frame().width(), 2.0f);
}

TEST(ArcObject, FilledArcsAreHitInsideAndOpenOnesOnlyNearTheCurve) {
    TestHost host;
    TMArcObjectRef arc = dragged({0, 0}, {100, 50});
    EXPECT_TRUE(arc->hitTest(kOnFirstSide));
    EXPECT_TRUE(arc->hitTest({kOnFirstSide.x - 2, kOnFirstSide.y + 1}));
    EXPECT_FALSE(arc->hitTest({50, 25}));
    EXPECT_FALSE(arc->hitTest({30, 35}));
    EXPECT_FALSE(arc->hitTest({95, 5}));
    EXPECT_FALSE(arc->hitTest({150, 25}));

    arc->setFillState(true);
    EXPECT_TRUE(arc->hitTest({50, 25}));
    EXPECT_TRUE(arc->hitTest({30, 35}));
    EXPECT_TRUE(arc->hitTest(kOnFirstSide));
    EXPECT_FALSE(arc->hitTest({95, 5}));

    arc->setConcavity(true);
    EXPECT_FALSE(arc->hitTest({5, 45}));
    EXPECT_TRUE(arc->hitTest({95, 5}));
}

TEST(ArcObject, HitsFollowARotation) {
    TestHost host;
    TMArcObjectRef arc = dragged({0, 0}, {100, 50});
    arc->setRotation(180);
    // Half a turn about (50, 25) takes the bulge to the opposite corner.
    EXPECT_TRUE(arc->hitTest({100 - kOnFirstSide.x + 1, 50 - kOnFirstSide.y + 1}));
    EXPECT_FALSE(arc->hitTest(kOnFirstSide));
}

TEST(ArcObject, FilledArcsAreFramedByTheirWedge) {
    TestHost host;
    TMArcObjectRef arc = dragged({0, 0}, {100, 50});
    arc->setRotation(30);
    const Rect open = arc->encapsulatingFrame();
    arc->setFillState(true);
    const Rect filled = arc->encapsulatingFrame();
    // The wedge reaches the ellipse's centre, (0, 50) turned about (50, 25).
    const double turn = 30 * M_PI / 180;
    const Point centre{float(50 - 50 * std::cos(turn) - 25 * std::sin(turn)),
                       float(25 - 50 * std::sin(turn) + 25 * std::cos(turn))};
    // Its frame starts there, grown by a point and moved onto a half point.
    EXPECT_NEAR(filled.minX() + 1, centre.x, 1.5);
    EXPECT_GT(open.minX(), centre.x + 20);
    EXPECT_TRUE(pointInRect(Point{filled.minX() + 2, centre.y}, filled));
}

TEST(ArcObject, TheOptionKeyFlipsTheArcWhileItIsHeld) {
    TestHost host;
    GenericDocument document;
    UndoManager* undo = document.undoManager();
    TMArcObjectRef arc = TMArcObject::newTemplateObject();
    arc->setParentDocument(&document);
    arc->setInCreation(true);
    arc->setFrameCornersFromTo({0, 0}, {50, 20});
    EXPECT_FALSE(arc->concavity());
    {
        CurrentEvent::Scope option(AlternateKeyMask);
        arc->setFrameCornersFromTo({0, 0}, {80, 40});
        EXPECT_TRUE(arc->concavity());
        EXPECT_EQ(undo->undoActionName(), "Concavity");
        // Held on: no further change.
        arc->setFrameCornersFromTo({0, 0}, {100, 50});
        EXPECT_TRUE(arc->concavity());
    }
    {
        CurrentEvent::Scope released(0);
        arc->setFrameCornersFromTo({0, 0}, {100, 50});
        EXPECT_FALSE(arc->concavity());
    }
    arc->setInCreation(false);

    // Out of creation the drag's corners read no keys.
    {
        CurrentEvent::Scope option(AlternateKeyMask);
        arc->setFrameCornersFromTo({0, 0}, {100, 60});
        EXPECT_FALSE(arc->concavity());
    }

    // Knob drags read them, from a fresh start.
    arc->setInResize(true);
    {
        CurrentEvent::Scope option(AlternateKeyMask);
        arc->resizeByMovingKnobToPoint(8, {110, 60});
        EXPECT_TRUE(arc->concavity());
    }
    arc->setInResize(false);
    arc->setInResize(true);
    {
        CurrentEvent::Scope option(AlternateKeyMask);
        arc->resizeByMovingKnobToPoint(8, {120, 60});
        EXPECT_FALSE(arc->concavity());
    }
    arc->setInResize(false);
}

TEST(ArcObject, RepresentationsAndTemplateFilesKeepEveryValue) {
    TestHost host;
    QTemporaryDir folder;
    const QString target = folder.path() + "/arcs.vyxTemplate";
    VQGradientFillRef gradient = VQGradientFill::stdFill();
    gradient->setAngle(45);
    gradient->setColorAtStep(kRed, 1);
    {
        TemplateDocument document;
        TMArcObjectRef arc = dragged({100, 50}, {0, 0});
        arc->setFillState(true);
        arc->setFillColor(kRed);
        arc->setGradientFillState(true);
        arc->setGradientFill(gradient);
        arc->setConcavity(true);
        arc->setStrokeWidth(5);
        arc->setDashPattern(str("4-1"));
        document.addObject(arc);
        TMLineObjectRef line = TMLineObject::newTemplateObject();
        line->setFrameCornersFromTo({30, 40}, {10, 20});
        line->setStrokeColor(kBlue);
        line->setLineCap(1);
        document.addObject(line);
        ASSERT_TRUE(document.writeToFileOfType(target, str(kTemplateDocumentType)));
    }
    TemplateDocument reopened;
    ASSERT_TRUE(reopened.readFromFileOfType(target, str(kTemplateDocumentType)));
    ASSERT_EQ(reopened.objects().size(), 2);
    auto arc = std::dynamic_pointer_cast<TMArcObject>(reopened.objects()[0]);
    ASSERT_TRUE(arc);
    EXPECT_TRUE(arc->fillState());
    EXPECT_EQ(arc->fillColor(), kRed);
    EXPECT_TRUE(arc->gradientFillState());
    EXPECT_TRUE(*arc->gradientFill() == *gradient);
    EXPECT_TRUE(arc->concavity());
    EXPECT_EQ(arc->strokeWidth(), 5.0f);
    EXPECT_EQ(arc->dashPattern(), "4-1");
    EXPECT_EQ(arc->origin(), (Point{100, 50}));
    EXPECT_EQ(arc->startPoint(), (Point{0, 0}));
    auto line = std::dynamic_pointer_cast<TMLineObject>(reopened.objects()[1]);
    ASSERT_TRUE(line);
    EXPECT_EQ(line->kind(), "TMLineObject");
    EXPECT_EQ(line->origin(), (Point{30, 40}));
    EXPECT_EQ(line->strokeColor(), kBlue);
    EXPECT_EQ(line->lineCap(), 1);

    // A representation from before the concavity reads as the first side.
    QVariantMap representation = arc->dictRepresentation();
    representation.remove(str(kConcavityEnabledKey));
    EXPECT_FALSE(TMArcObject::newTemplateObjectWithRepresentation(representation)->concavity());
}

TEST(ArcObject, ArcsBegunAtTheirEndBulgeFromThere) {
    TestHost host;
    // Begun at (100, 50): the full ellipse is centred on (100, 0).
    TMArcObjectRef arc = dragged({100, 50}, {0, 0});
    EXPECT_TRUE(arc->hitTest(kOnOtherSide));
    EXPECT_FALSE(arc->hitTest(kOnFirstSide));
}

struct ArcSetters : ::testing::Test {
    ArcSetters() {
        undo = document.undoManager();
        arc = dragged({0, 0}, {50, 50});
        arc->setParentDocument(&document);
        QCoreApplication::processEvents();
    }
    TestHost host;
    GenericDocument document;
    UndoManager* undo = nullptr;
    TMArcObjectRef arc;
};

TEST_F(ArcSetters, EverySetterUndoesAndRedoesUnderItsName) {
    struct Case {
        const char* action;
        std::function<void(TMArcObject&)> set;
        std::function<bool(const TMArcObject&)> isNew;
    };
    const VQGradientFillRef gradient = VQGradientFill::stdFill();
    gradient->setKind(VQGradientFill::Radial);
    const std::vector<Case> cases = {
        {"Fill On/Off", [](auto& s) { s.setFillState(true); },
         [](const auto& s) { return s.fillState(); }},
        {"Fill Color", [](auto& s) { s.setFillColor(kRed); },
         [](const auto& s) { return s.fillColor() == kRed; }},
        {"Fill On/Off", [](auto& s) { s.setGradientFillState(true); },
         [](const auto& s) { return s.gradientFillState(); }},
        {"Gradient Fill", [gradient](auto& s) { s.setGradientFill(gradient); },
         [gradient](const auto& s) { return s.gradientFill() == gradient; }},
        {"Concavity", [](auto& s) { s.setConcavity(true); },
         [](const auto& s) { return s.concavity(); }},
    };
    for (const Case& c : cases) {
        const QVariantMap before = arc->dictRepresentation();
        undo->beginUndoGrouping();
        c.set(*arc);
        undo->endUndoGrouping();
        EXPECT_TRUE(c.isNew(*arc)) << c.action;
        EXPECT_EQ(undo->undoActionName(), str(c.action));
        ASSERT_TRUE(undo->undo()) << c.action;
        EXPECT_EQ(arc->dictRepresentation(), before) << c.action;
        EXPECT_EQ(undo->redoActionName(), str(c.action));
        ASSERT_TRUE(undo->redo()) << c.action;
        EXPECT_TRUE(c.isNew(*arc)) << c.action;
        ASSERT_TRUE(undo->undo()) << c.action;
        undo->removeAllActions();
    }
}

TEST_F(ArcSetters, UnchangedValuesRegisterNothing) {
    int posted = 0;
    NotificationCenter::defaultCenter().addObserver(this, str(kTemplateObjectChangedNofity),
                                                    static_cast<const TMObject*>(arc.get()),
                                                    [&posted](const Notification&) { ++posted; });
    arc->setFillState(false);
    arc->setFillColor(Color::whiteColor());
    arc->setGradientFillState(false);
    arc->setGradientFill(arc->gradientFill()->copy());
    arc->setGradientFill(nullptr);
    arc->setConcavity(false);
    QCoreApplication::processEvents();
    NotificationCenter::defaultCenter().removeObserver(this);
    EXPECT_FALSE(undo->canUndo());
    EXPECT_EQ(posted, 0);
}
