#include "ChangeCounter.h"
#include "framework/model/GenericDocument.h"
#include "framework/model/TMLineObject.h"
#include "framework/model/TMRectangleObject.h"
#include "framework/model/TemplateDocument.h"
#include "platform/archiving/Archiver.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UndoManager.h"
#include "platform/graphics/DrawingTestCanvas.h"
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

TMLineObjectRef dragged(Point from, Point to) {
    TMLineObjectRef line = TMLineObject::newTemplateObject();
    line->setInCreation(true);
    line->setFrameCornersFromTo(from, to);
    line->setInCreation(false);
    return line;
}

} // namespace

TEST(LineObject, ANewLineHasTheDefaults) {
    TestHost host;
    TMLineObjectRef line = TMLineObject::newTemplateObject();
    EXPECT_EQ(line->kind(), "TMLineObject");
    EXPECT_TRUE(line->strokeState());
    EXPECT_EQ(line->strokeWidth(), 1.0f);
    EXPECT_EQ(line->strokeColor(), Color::blackColor());
    EXPECT_EQ(line->dashPattern(), "0");
    EXPECT_EQ(line->lineCap(), 0);
    EXPECT_EQ(line->origin(), (Point{-99999, -99999}));
    EXPECT_EQ(TMLineObject::classObjectControllerClass(), "TMLineObjectController");
}

TEST(LineObject, DraggingLeftwardsStartsAtTheSmallerX) {
    TestHost host;
    TMLineObjectRef line = dragged({100, 50}, {20, 10});
    EXPECT_EQ(line->startPoint(), (Point{20, 10}));
    EXPECT_EQ(line->endPoint(), (Point{100, 50}));
    EXPECT_EQ(line->center(), (Point{60, 30}));
    EXPECT_EQ(line->size(), (Size{80, 40}));
    EXPECT_EQ(line->origin(), (Point{100, 50}));
    EXPECT_EQ(line->knobMask(), (1 << 1) | (1 << 8));

    TMLineObjectRef other = dragged({20, 50}, {100, 10});
    EXPECT_EQ(other->knobMask(), (1 << 3) | (1 << 6));
    EXPECT_EQ(other->origin(), (Point{20, 50}));
}

TEST(LineObject, TheOriginStaysAtTheEndTheDragBeganAt) {
    TestHost host;
    TMLineObjectRef line = TMLineObject::newTemplateObject();
    line->setFrameCornersFromTo({50, 50}, {80, 60});
    EXPECT_EQ(line->origin(), (Point{50, 50}));
    line->setFrameCornersFromTo({50, 50}, {90, 70});
    EXPECT_EQ(line->origin(), (Point{50, 50}));
    // Across the beginning: the origin is now the end.
    line->setFrameCornersFromTo({50, 50}, {10, 70});
    EXPECT_EQ(line->startPoint(), (Point{10, 70}));
    EXPECT_EQ(line->origin(), (Point{50, 50}));
    line->setFrameCornersFromTo({50, 50}, {5, 20});
    EXPECT_EQ(line->origin(), (Point{50, 50}));
    line->setFrameCornersFromTo({50, 50}, {60, 20});
    EXPECT_EQ(line->origin(), (Point{50, 50}));
}

TEST(LineObject, ADragFromOrToThePageOriginStillKeepsItsBeginning) {
    TestHost host;
    // A new line's ends are both (0, 0): one of them does not move here.
    EXPECT_EQ(dragged({0, 0}, {50, 20})->origin(), (Point{0, 0}));
    EXPECT_EQ(dragged({40, 30}, {0, 0})->origin(), (Point{40, 30}));
}

TEST(LineObject, AKnobDraggedPastTheOtherEndChangesSides) {
    TestHost host;
    TMLineObjectRef line = dragged({100, 50}, {20, 10});
    line->setSelected(true);
    EXPECT_EQ(line->knobUnderPoint({100, 50}), 8);
    EXPECT_EQ(line->knobUnderPoint({20, 10}), 1);
    EXPECT_EQ(line->resizeByMovingKnobToPoint(8, {0, 30}), 6);
    EXPECT_EQ(line->startPoint(), (Point{0, 30}));
    EXPECT_EQ(line->endPoint(), (Point{20, 10}));
    EXPECT_EQ(line->center(), (Point{10, 20}));
    EXPECT_EQ(line->size(), (Size{20, 20}));
    EXPECT_EQ(line->knobMask(), (1 << 3) | (1 << 6));

    // Both sizes locked: nothing moves.
    line->setLockedSizeMask(3);
    EXPECT_EQ(line->resizeByMovingKnobToPoint(6, {50, 50}), 6);
    EXPECT_EQ(line->startPoint(), (Point{0, 30}));
}

TEST(LineObject, APositionLockKeepsTheCentreWhileAKnobIsDragged) {
    TestHost host;
    TMLineObjectRef line = dragged({20, 10}, {100, 50});
    line->setLockedControlPtMask(1);
    EXPECT_EQ(line->resizeByMovingKnobToPoint(8, {120, 60}), 8);
    EXPECT_EQ(line->center().x, 60.0f);
    EXPECT_EQ(line->startPoint(), (Point{0, 10}));
    EXPECT_EQ(line->endPoint(), (Point{120, 60}));
}

TEST(LineObject, MovingTakesTheEndsAlongAsFarAsTheCentreGoes) {
    TestHost host;
    TMLineObjectRef line = dragged({20, 10}, {100, 50});
    line->moveBy({5, -5});
    EXPECT_EQ(line->startPoint(), (Point{25, 5}));
    EXPECT_EQ(line->endPoint(), (Point{105, 45}));
    EXPECT_EQ(line->origin(), (Point{25, 5}));
    EXPECT_EQ(line->center(), (Point{65, 25}));

    // Under a lock of x the centre keeps its x, and so do the ends.
    line->setLockedControlPtMask(1);
    line->moveBy({10, 10});
    EXPECT_EQ(line->center(), (Point{65, 35}));
    EXPECT_EQ(line->startPoint(), (Point{25, 15}));
    EXPECT_EQ(line->endPoint(), (Point{105, 55}));

    line->setLockedControlPtMask(0);
    line->setCenter({0, 0});
    EXPECT_EQ(line->startPoint(), (Point{-40, -20}));
    EXPECT_EQ(line->endPoint(), (Point{40, 20}));
}

TEST(LineObject, ResizingSpreadsTheChangeOverBothEnds) {
    TestHost host;
    TMLineObjectRef line = dragged({20, 50}, {100, 10});
    line->setSize({100, 60});
    EXPECT_EQ(line->startPoint(), (Point{10, 60}));
    EXPECT_EQ(line->endPoint(), (Point{110, 0}));
    EXPECT_EQ(line->origin(), (Point{10, 60}));
}

TEST(LineObject, FramesAreAtLeastAsThickAsTheStroke) {
    TestHost host;
    TMLineObjectRef line = dragged({10, 20}, {90, 20});
    line->setStrokeWidth(4);
    const Rect f = line->frame();
    EXPECT_EQ(f.height(), 4.0f);
    EXPECT_EQ(f.minY(), 18.0f);
    EXPECT_EQ(f.width(), 80.0f);
}

TEST(LineObject, FlipsExchangeTheEndsCoordinates) {
    TestHost host;
    TMLineObjectRef line = dragged({20, 10}, {100, 50});
    line->flipVertically();
    EXPECT_EQ(line->startPoint(), (Point{20, 50}));
    EXPECT_EQ(line->endPoint(), (Point{100, 10}));
    line->flipHorizontally();
    EXPECT_EQ(line->startPoint(), (Point{100, 50}));
    EXPECT_EQ(line->endPoint(), (Point{20, 10}));
}

TEST(LineObject, HitsAreNearTheSegmentOnly) {
    TestHost host;
    TMLineObjectRef line = dragged({0, 0}, {100, 50});
    EXPECT_TRUE(line->hitTest({50, 25}));
    EXPECT_TRUE(line->hitTest({50, 27}));
    EXPECT_FALSE(line->hitTest({50, 40}));
    EXPECT_FALSE(line->hitTest({120, 60}));
    // Turned a quarter about its centre, it runs the other way.
    line->setRotation(90);
    EXPECT_FALSE(line->hitTest({100, 50}));
    EXPECT_TRUE(line->hitTest({50 + 12.5f, 25 - 25}));
}

TEST(LineObject, StrokeWidthsAreKeptWithinTheirLimitsBySetting) {
    TestHost host;
    TMLineObjectRef line = TMLineObject::newTemplateObject();
    line->setStrokeWidth(0.05f);
    EXPECT_EQ(line->strokeWidth(), 0.1f);
    line->setStrokeWidth(40);
    EXPECT_EQ(line->strokeWidth(), 32.0f);
    line = TMLineObject::newTemplateObjectWithRepresentation({{str(kStrokeWidthKey), 0.05f}});
    EXPECT_EQ(line->strokeWidth(), 0.05f);
}

TEST(LineObject, RepresentationsKeepEveryValue) {
    TestHost host;
    TMLineObjectRef line = dragged({100, 50}, {20, 10});
    line->setStrokeState(false);
    line->setStrokeWidth(2.5f);
    line->setStrokeColor(kRed);
    line->setDashPattern(str("6-3"));
    line->setLineCap(2);
    const QVariantMap representation = line->dictRepresentation();
    EXPECT_EQ(representation.value(str(kLineCapKey)).metaType().id(), QMetaType::Float);
    TMLineObjectRef back = TMLineObject::newTemplateObjectWithRepresentation(representation);
    EXPECT_EQ(back->startPoint(), (Point{20, 10}));
    EXPECT_EQ(back->endPoint(), (Point{100, 50}));
    EXPECT_EQ(back->origin(), (Point{100, 50}));
    EXPECT_EQ(back->center(), (Point{60, 30}));
    EXPECT_FALSE(back->strokeState());
    EXPECT_EQ(back->strokeWidth(), 2.5f);
    EXPECT_EQ(back->strokeColor(), kRed);
    EXPECT_EQ(back->dashPattern(), "6-3");
    EXPECT_EQ(back->lineCap(), 2);
    EXPECT_EQ(back->geometry(), line->geometry());
}

TEST(LineObject, OlderKeysAreInchesAndTheOriginDefaultsToTheStart) {
    TestHost host;
    const QVariantMap older{{str("kind"), str("line")},
                            {str(kOldStartPtKey), TMObject::dictionaryFromPoint({1, 1})},
                            {str(kOldEndPtKey), TMObject::dictionaryFromPoint({2, 1})},
                            {str(kOldStrokeWidthKey), 3},
                            {str(kOldStrokeColorKey), Archiver::archivedValue(kRed)}};
    TMObjectRef object =
        TMObject::newTemplateObjectOfKindWithRepresentation(str("TMLineObject"), older);
    auto line = std::dynamic_pointer_cast<TMLineObject>(object);
    ASSERT_TRUE(line);
    EXPECT_EQ(line->startPoint(), (Point{72, 72}));
    EXPECT_EQ(line->endPoint(), (Point{144, 72}));
    EXPECT_EQ(line->origin(), (Point{72, 72}));
    EXPECT_EQ(line->strokeWidth(), 3.0f);
    EXPECT_EQ(line->strokeColor(), kRed);
    EXPECT_TRUE(line->strokeState());
    EXPECT_EQ(line->dashPattern(), "0");
}

TEST(LineObject, GeometryDictionariesCarryTheEnds) {
    TestHost host;
    GenericDocument document;
    TMLineObjectRef line = dragged({20, 10}, {100, 50});
    line->setParentDocument(&document);
    const QVariantMap before = line->geometry();
    line->moveBy({30, 30});
    // The editor's undo of a move.
    UndoManager* undo = document.undoManager();
    undo->beginUndoGrouping();
    undo->registerUndo(line.get(), [line, before] { line->setGeometry(before); });
    undo->endUndoGrouping();
    ASSERT_TRUE(undo->undo());
    EXPECT_EQ(line->startPoint(), (Point{20, 10}));
    EXPECT_EQ(line->endPoint(), (Point{100, 50}));
    EXPECT_EQ(line->center(), (Point{60, 30}));
    ASSERT_TRUE(undo->redo());
    EXPECT_EQ(line->startPoint(), (Point{50, 40}));
    EXPECT_EQ(line->center(), (Point{90, 60}));
}

struct LineSetters : ::testing::Test {
    LineSetters() {
        undo = document.undoManager();
        line = dragged({0, 0}, {50, 50});
        line->setParentDocument(&document);
        // The drag's own change notice goes out before the test counts.
        QCoreApplication::processEvents();
    }
    TestHost host;
    GenericDocument document;
    UndoManager* undo = nullptr;
    TMLineObjectRef line;
};

TEST_F(LineSetters, EverySetterUndoesAndRedoesUnderItsName) {
    struct Case {
        const char* action;
        std::function<void(TMLineObject&)> set;
        std::function<bool(const TMLineObject&)> isNew;
    };
    const std::vector<Case> cases = {
        {"Stroke On/Off", [](auto& s) { s.setStrokeState(false); },
         [](const auto& s) { return !s.strokeState(); }},
        {"Stroke Width", [](auto& s) { s.setStrokeWidth(40); },
         [](const auto& s) { return s.strokeWidth() == 32.0f; }},
        {"Stroke Color", [](auto& s) { s.setStrokeColor(kRed); },
         [](const auto& s) { return s.strokeColor() == kRed; }},
        {"Dash Pattern", [](auto& s) { s.setDashPattern(str("6.0-3")); },
         [](const auto& s) { return s.dashPattern() == "6-3"; }},
        {"Line Cap", [](auto& s) { s.setLineCap(1); },
         [](const auto& s) { return s.lineCap() == 1; }},
    };
    for (const Case& c : cases) {
        const QVariantMap before = line->dictRepresentation();
        ChangeCounter changes(line);
        undo->beginUndoGrouping();
        c.set(*line);
        undo->endUndoGrouping();
        EXPECT_TRUE(c.isNew(*line)) << c.action;
        EXPECT_EQ(undo->undoActionName(), str(c.action));
        EXPECT_GE(changes.posted(), 1) << c.action;
        ASSERT_TRUE(undo->undo()) << c.action;
        EXPECT_EQ(line->dictRepresentation(), before) << c.action;
        EXPECT_EQ(undo->redoActionName(), str(c.action));
        ASSERT_TRUE(undo->redo()) << c.action;
        EXPECT_TRUE(c.isNew(*line)) << c.action;
        ASSERT_TRUE(undo->undo()) << c.action;
        undo->removeAllActions();
    }
}

TEST_F(LineSetters, UnchangedValuesRegisterNothing) {
    ChangeCounter changes(line);
    line->setStrokeState(true);
    line->setStrokeWidth(1);
    line->setStrokeColor(Color::blackColor());
    line->setDashPattern(str(""));
    line->setLineCap(0);
    EXPECT_FALSE(undo->canUndo());
    EXPECT_EQ(changes.posted(), 0);
}

TEST(LineObject, ASixThreeDashStrokesSixPointsOnAndThreeOff) {
    TestHost host;
    TMLineObjectRef line = dragged({10, 50}, {90, 50});
    line->setStrokeWidth(2);
    line->setStrokeColor(kRed);
    line->setDashPattern(str("6-3"));
    DrawingTestCanvas canvas(100, 100, false);
    line->drawObject(false);
    // The path starts on a half point: dashes from x 10.5.
    const double origin = 10.5;
    for (double on : {1.5, 4.5, 10.5, 19.5, 73.5})
        EXPECT_GT(canvas.at(origin + on, 50.5).red(), 200) << on;
    for (double off : {7.5, 16.5, 25.5, 79.5})
        EXPECT_LT(canvas.at(origin + off, 50.5).alpha(), 30) << off;

    line->setDashPattern(str("0"));
    DrawingTestCanvas solid(100, 100, false);
    line->drawObject(false);
    EXPECT_GT(solid.at(origin + 7.5, 50.5).red(), 200);
}

TEST(LineObject, AShadowFallsFromTheStroke) {
    TestHost host;
    TMLineObjectRef line = dragged({10, 50}, {90, 50});
    line->setStrokeWidth(2);
    line->setShadow(ShadowValue{{0, -10}, 0, QColor(0, 0, 0, 255)});
    line->setShadowEnabled(true);
    DrawingTestCanvas canvas(100, 100, false);
    line->drawObject(false);
    EXPECT_GT(canvas.at(50, 40.5).alpha(), 200);
    EXPECT_LT(canvas.at(50, 30).alpha(), 10);
}
