#include "EditorFixture.h"
#include "framework/editor/ToolPaletteController.h"
#include "framework/model/TMOvalObject.h"
#include "framework/model/TMPolygonObject.h"
#include "platform/foundation/UndoManager.h"
#include "platform/ui/CurrentEvent.h"
#include "platform/ui/TickClock.h"

#include <QAbstractButton>
#include <QMouseEvent>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const char kToolChanged[] = "ToolSelectionChanged";

ToolPaletteController* palette() {
    return ToolPaletteController::sharedToolPaletteController();
}

// The shared palette with its buttons, the select tool chosen, not sticky.
void resetPalette() {
    palette()->toolButton(kTMToolSelect);
    palette()->setStickyMode(false);
    palette()->setCurrentTool(kTMToolSelect);
}

class ToolPaletteTest : public ::testing::Test, public EditorFixture {
protected:
    ToolPaletteTest() { resetPalette(); }
    ~ToolPaletteTest() override { resetPalette(); }
};

TEST_F(ToolPaletteTest, DoubleClickMakesAToolStickyAndAgainEndsIt) {
    QAbstractButton* rect = palette()->toolButton(kTMToolRect);
    QTest::mouseDClick(rect, Qt::LeftButton);
    EXPECT_EQ(palette()->currentTool(), kTMToolRect);
    EXPECT_TRUE(palette()->stickyMode());
    EXPECT_TRUE(palette()->isHighlighted(kTMToolRect));
    palette()->resetTool();
    EXPECT_EQ(palette()->currentTool(), kTMToolRect);

    QTest::mouseDClick(rect, Qt::LeftButton);
    EXPECT_FALSE(palette()->stickyMode());
    EXPECT_FALSE(palette()->isHighlighted(kTMToolRect));
    palette()->resetTool();
    EXPECT_EQ(palette()->currentTool(), kTMToolSelect);
}

TEST_F(ToolPaletteTest, ClickChoosesAToolAndChoosingAnotherEndsStickyMode) {
    NoticeCount changes(kToolChanged, palette());
    QTest::mouseClick(palette()->toolButton(kTMToolOval), Qt::LeftButton);
    EXPECT_EQ(palette()->currentTool(), kTMToolOval);
    EXPECT_EQ(changes.count, 1);
    palette()->setStickyMode(true);
    // The tool already current: nothing posted, sticky mode kept.
    palette()->setCurrentTool(kTMToolOval);
    EXPECT_EQ(changes.count, 1);
    EXPECT_TRUE(palette()->stickyMode());
    QTest::mouseClick(palette()->toolButton(kTMToolLine), Qt::LeftButton);
    EXPECT_EQ(changes.count, 2);
    EXPECT_FALSE(palette()->stickyMode());
    EXPECT_FALSE(palette()->isHighlighted(kTMToolOval));
}

TEST_F(ToolPaletteTest, OptionOverZoomIsZoomOutAnnouncedByTheHeartbeat) {
    palette()->setCurrentTool(kTMToolZoom);
    NoticeCount changes(kToolChanged, palette());
    {
        const CurrentEvent::Scope option(AlternateKeyMask);
        EXPECT_EQ(palette()->currentTool(), kTMToolZoomOut);
        // The heartbeat notices within 0.1 s.
        QTest::qWait(150);
        EXPECT_EQ(changes.count, 1);
        QTest::qWait(150);
        EXPECT_EQ(changes.count, 1);
    }
    EXPECT_EQ(palette()->currentTool(), kTMToolZoom);
    QTest::qWait(150);
    EXPECT_EQ(changes.count, 2);
}

TEST_F(ToolPaletteTest, MenuItemsChooseToolsByTag) {
    QAction item;
    Commands::setItemTag(&item, kTMToolFilledArc);
    canvas->performAction(str("toolPaletteEquivalent:"), &item);
    EXPECT_EQ(palette()->currentTool(), kTMToolFilledArc);
    EXPECT_TRUE(canvas->validateMenuItemTag(kTMToolFilledArc));
}

TEST_F(ToolPaletteTest, ActivatedWithoutAnEditorWindowShowsWhenOneBecomesMain) {
    palette()->close();
    QWidget other;
    makeKey(&other);
    EXPECT_EQ(palette()->followedDocument(), nullptr);
    palette()->activate();
    EXPECT_TRUE(palette()->isActivated());
    EXPECT_FALSE(palette()->window()->isVisible());
    makeKey(window());
    EXPECT_EQ(palette()->followedDocument(),
              static_cast<const void*>(static_cast<Document*>(&document)));
    EXPECT_TRUE(palette()->window()->isVisible());
    palette()->close();
}

// ---------------------------------------------------------------------------
// Tracking on the canvas

class CanvasTrackingTest : public ::testing::Test, public EditorFixture {
protected:
    CanvasTrackingTest() {
        resetPalette();
        canvas->setFocus();
    }
    ~CanvasTrackingTest() override { resetPalette(); }

    QPointF at(Point p) const { return canvas->widgetRectFromBounds({p.x, p.y, 0, 0}).topLeft(); }
    void send(QEvent::Type type, Point p, Qt::MouseButtons buttons,
              Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        const QPointF w = at(p);
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, w, canvas->mapToGlobal(w), button, buttons, modifiers);
        QApplication::sendEvent(canvas, &event);
    }
    void press(Point p, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        send(QEvent::MouseButtonPress, p, Qt::LeftButton, modifiers);
    }
    void drag(Point p) { send(QEvent::MouseMove, p, Qt::LeftButton); }
    void hover(Point p) { send(QEvent::MouseMove, p, Qt::NoButton); }
    void release(Point p) { send(QEvent::MouseButtonRelease, p, Qt::NoButton); }
    void doublePress(Point p) {
        press(p);
        release(p);
        send(QEvent::MouseButtonDblClick, p, Qt::LeftButton);
        release(p);
    }
    // Eight divisions an inch: 9 points.
    void gridOn(bool snaps = true) {
        document.pageDesc()->setGridDivisions(8);
        document.pageDesc()->setSnapsToGrid(snaps);
    }
    // A filled rectangle of 40 by 30 points at (x, y), hit anywhere inside.
    TMObjectRef addRectangle(float x, float y) {
        TMObjectRef object = TMRectangleObject::newTemplateObjectWithRepresentation(
            TMRectangleObject::filledRepresentation());
        object->setFrameCornersFromTo({x, y}, {x + 40, y + 30});
        document.addObject(object);
        return object;
    }
    TMObjectRef only() const {
        return document.objects().size() == 1 ? document.objects().first() : nullptr;
    }
    UndoManager* undo() { return document.undoManager(); }
    ManualTickClock clock{1000};
};

TEST_F(CanvasTrackingTest, ADrawnRectangleIsOneUndoStepAndTheToolSpringsBack) {
    palette()->setCurrentTool(kTMToolRect);
    press({50, 50});
    drag({80, 70});
    clock.advance(10);
    canvas->periodicEvent();
    drag({100.4f, 90.6f});
    release({100.4f, 90.6f});
    const TMObjectRef rect = only();
    ASSERT_TRUE(rect);
    EXPECT_EQ(rect->kind(), str("TMRectangleObject"));
    // With the grid off the corner lands on whole points.
    EXPECT_EQ(rect->frame(), Rect(50, 50, 50, 41));
    EXPECT_TRUE(rect->selected());
    EXPECT_EQ(undo()->undoActionName(), str("Create Rectangle"));
    EXPECT_EQ(palette()->currentTool(), kTMToolSelect);
    EXPECT_FALSE(canvas->isTracking());

    undo()->undo();
    EXPECT_TRUE(document.objects().isEmpty());
    EXPECT_FALSE(undo()->canUndo());
}

TEST_F(CanvasTrackingTest, AStickyToolStaysAndAPressWithoutDragCreatesNothing) {
    palette()->setCurrentTool(kTMToolOval);
    palette()->setStickyMode(true);
    press({30, 30});
    release({30.2f, 29.8f});
    EXPECT_TRUE(document.objects().isEmpty());
    EXPECT_FALSE(undo()->canUndo());
    press({30, 30});
    drag({60, 60});
    release({60, 60});
    ASSERT_TRUE(only());
    EXPECT_EQ(only()->kind(), str("TMOvalObject"));
    EXPECT_EQ(palette()->currentTool(), kTMToolOval);
}

TEST_F(CanvasTrackingTest, MovesGoInWholePointsWithTheGridOff) {
    const TMObjectRef a = addRectangle(10, 10);
    undo()->removeAllActions();
    press({20, 20});
    EXPECT_TRUE(a->selected());
    drag({35.3f, 20.2f});
    release({35.3f, 20.2f});
    EXPECT_EQ(a->frame(), Rect(25, 10, 40, 30));
    EXPECT_EQ(undo()->undoActionName(), str("Move"));
    undo()->undo();
    EXPECT_EQ(a->frame(), Rect(10, 10, 40, 30));
    EXPECT_FALSE(undo()->canUndo());
}

TEST_F(CanvasTrackingTest, WithTheGridOnMovesGoInGridStepsAndTheLeadingEdgeLandsOnIt) {
    gridOn();
    const TMObjectRef a = addRectangle(10, 10);
    press({20, 20});
    drag({40, 20});
    // The pointer moved two steps; the right edge went from 50 to the grid line at 72.
    EXPECT_EQ(a->frame(), Rect(32, 10, 40, 30));
    drag({49, 20});
    EXPECT_EQ(a->frame(), Rect(41, 10, 40, 30));
    drag({20, 20});
    // Moving left, the left edge lands on the grid.
    EXPECT_EQ(a->frame(), Rect(18, 10, 40, 30));
    release({20, 20});
}

TEST_F(CanvasTrackingTest, AShortQuickDragMovesNothingButHoldingArmsTheMove) {
    const TMObjectRef a = addRectangle(10, 10);
    undo()->removeAllActions();
    press({20, 20});
    drag({28, 28});
    release({28, 28});
    EXPECT_EQ(a->frame(), Rect(10, 10, 40, 30));
    EXPECT_FALSE(undo()->canUndo());

    press({20, 20});
    clock.advance(31);
    canvas->periodicEvent();
    drag({21, 20});
    release({21, 20});
    EXPECT_EQ(a->frame(), Rect(11, 10, 40, 30));
    EXPECT_TRUE(undo()->canUndo());
}

TEST_F(CanvasTrackingTest, ASelectionNearAGuideJumpsToItAndStaysWhileThePointerIsNear) {
    // Guide threshold 9 points, grid snapping off: steps of 1 point.
    gridOn(false);
    canvas->setHorizontalGuides({100.0});
    const TMObjectRef a = addRectangle(10, 10);
    press({20, 20});
    drag({70, 20});
    EXPECT_EQ(a->frame().minX(), 60);
    drag({71, 20});
    // The right edge went onto the guide (standing at 100.5).
    EXPECT_FLOAT_EQ(a->frame().maxX(), 100.5f);
    drag({71, 20});
    EXPECT_FLOAT_EQ(a->frame().maxX(), 100.5f);
    drag({73, 20});
    EXPECT_GT(a->frame().maxX(), 101.0f);
    release({73, 20});
}

TEST_F(CanvasTrackingTest, AKnobDragResizesAndAClickOnAKnobOffTheGridChangesNothing) {
    const TMObjectRef a = addRectangle(10, 10);
    a->setSelected(true);
    undo()->removeAllActions();
    press({50, 40});
    drag({70.4f, 60.6f});
    release({70.4f, 60.6f});
    EXPECT_EQ(a->frame(), Rect(10, 10, 60, 51));
    EXPECT_EQ(undo()->undoActionName(), str("Resize"));
    undo()->undo();
    EXPECT_EQ(a->frame(), Rect(10, 10, 40, 30));

    undo()->removeAllActions();
    gridOn();
    press({50, 40});
    clock.advance(40);
    canvas->periodicEvent();
    release({50, 40});
    EXPECT_EQ(a->frame(), Rect(10, 10, 40, 30));
    EXPECT_FALSE(undo()->canUndo());
}

TEST_F(CanvasTrackingTest, ShiftClickOnASelectedObjectDeselectsItAndMovesNothing) {
    const TMObjectRef a = addRectangle(10, 10);
    const TMObjectRef b = addRectangle(100, 10);
    a->setSelected(true);
    press({110, 20}, Qt::ShiftModifier);
    release({110, 20});
    EXPECT_TRUE(a->selected() && b->selected());
    press({20, 20}, Qt::ShiftModifier);
    drag({60, 20});
    release({60, 20});
    EXPECT_FALSE(a->selected());
    EXPECT_EQ(a->frame(), Rect(10, 10, 40, 30));
}

TEST_F(CanvasTrackingTest, ADoublePressOnAnUnselectedObjectDoesNothing) {
    const TMObjectRef a = addRectangle(10, 10);
    send(QEvent::MouseButtonDblClick, {20, 20}, Qt::LeftButton);
    release({20, 20});
    EXPECT_FALSE(a->selected());
}

TEST_F(CanvasTrackingTest, TheRubberBandSelectsWhatItTouchesAndGoesAway) {
    const TMObjectRef a = addRectangle(10, 10);
    const TMObjectRef b = addRectangle(100, 10);
    press({200, 200});
    drag({30, 30});
    EXPECT_EQ(canvas->zoomRect(), Rect(30, 30, 170, 170));
    EXPECT_TRUE(a->selected());
    EXPECT_TRUE(b->selected());
    drag({120, 200});
    EXPECT_FALSE(a->selected());
    release({120, 200});
    EXPECT_EQ(canvas->zoomRect(), Rect());
}

TEST_F(CanvasTrackingTest, APolygonIsDrawnByClicksAndEndsOnADoublePress) {
    palette()->setCurrentTool(kTMToolPolygon);
    press({50, 50});
    drag({100, 50});
    release({100, 50});
    EXPECT_TRUE(canvas->isTracking());
    hover({100, 100});
    press({100, 100});
    release({100, 100});
    hover({50, 100});
    doublePress({50, 100});
    EXPECT_FALSE(canvas->isTracking());
    const TMObjectRef object = only();
    ASSERT_TRUE(object);
    auto* polygon = dynamic_cast<TMPolygonObject*>(object.get());
    ASSERT_TRUE(polygon);
    EXPECT_GE(polygon->segmentCount(), 2);
    EXPECT_EQ(polygon->lastSegmentPoint(), Point(50, 100));
    EXPECT_EQ(undo()->undoActionName(), str("Create Polygon"));
    EXPECT_EQ(palette()->currentTool(), kTMToolSelect);
}

TEST_F(CanvasTrackingTest, AQuickZoomDragIsAClickAndASlowOneZoomsToItsMarquee) {
    palette()->setCurrentTool(kTMToolZoom);
    const float before = controller->zoomFactor();
    press({100, 100});
    drag({200, 180});
    clock.advance(29);
    release({200, 180});
    EXPECT_FLOAT_EQ(controller->zoomFactor(), before * 2);
    EXPECT_EQ(canvas->zoomCenter(), Point(100, 100));
    EXPECT_EQ(canvas->zoomRect(), Rect());

    press({10, 10});
    drag({60.3f, 50.6f});
    clock.advance(30);
    release({60.3f, 50.6f});
    EXPECT_EQ(canvas->zoomCenter(), Point(36, 31));
    EXPECT_EQ(canvas->zoomRect(), Rect());
    EXPECT_GT(controller->zoomFactor(), before * 2);
}

TEST_F(CanvasTrackingTest, AnOptionClickWithTheZoomToolZoomsOut) {
    palette()->setCurrentTool(kTMToolZoom);
    const float before = controller->zoomFactor();
    press({100, 100}, Qt::AltModifier);
    release({100, 100});
    EXPECT_FLOAT_EQ(controller->zoomFactor(), before / 2);
    EXPECT_FALSE(canvas->isTracking());
}

TEST_F(CanvasTrackingTest, TheCursorFollowsTheTool) {
    palette()->setCurrentTool(kTMToolRect);
    EXPECT_EQ(canvas->cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(canvas->cursor().hotSpot(), QPoint(8, 8));
    palette()->setCurrentTool(kTMToolZoom);
    EXPECT_EQ(canvas->cursor().hotSpot(), QPoint(6, 11));
    palette()->setCurrentTool(kTMToolSelect);
    EXPECT_EQ(canvas->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(CanvasTrackingTest, APolygonTakesFurtherSegmentsWithoutAnUndoStep) {
    auto polygon =
        TMPolygonObject::newTemplateObjectWithRepresentation(TMPolygonObject::stdRepresentation());
    document.addObject(polygon);
    polygon->setFrameCornersFromTo({20, 20}, {60, 20});
    polygon->endSegment({60, 20});
    const int segments = polygon->segmentCount();
    undo()->removeAllActions();
    palette()->setCurrentTool(kTMToolLine);

    canvas->recreateObject(polygon);
    EXPECT_TRUE(canvas->isTracking());
    hover({60, 70});
    press({60, 70});
    release({60, 70});
    hover({90, 70});
    doublePress({90, 70});
    EXPECT_FALSE(canvas->isTracking());
    EXPECT_GT(polygon->segmentCount(), segments);
    EXPECT_EQ(polygon->lastSegmentPoint(), Point(90, 70));
    EXPECT_TRUE(polygon->selected());
    EXPECT_FALSE(undo()->canUndo());
    EXPECT_EQ(palette()->currentTool(), kTMToolSelect);
}

TEST_F(CanvasTrackingTest, KeysAndCommandsWaitForTheGesture) {
    const TMObjectRef a = addRectangle(10, 10);
    a->setSelected(true);
    press({20, 20});
    EXPECT_FALSE(canvas->validateMenuItemTag(EditorTag::SelectAll));
    QTest::keyClick(canvas, Qt::Key_Right);
    EXPECT_EQ(a->frame().minX(), 10);
    release({20, 20});
    EXPECT_EQ(a->frame().minX(), 11);
    EXPECT_TRUE(canvas->validateMenuItemTag(EditorTag::SelectAll));
}

TEST_F(CanvasTrackingTest, OvalFromThePaletteMovedResizedUndoneAndRedone) {
    gridOn();
    makeKey(window());
    QTest::mouseClick(palette()->toolButton(kTMToolOval), Qt::LeftButton);
    ASSERT_EQ(palette()->currentTool(), kTMToolOval);
    press({45, 45});
    drag({99, 81});
    release({99, 81});
    const TMObjectRef oval = only();
    ASSERT_TRUE(oval);
    EXPECT_EQ(oval->kind(), str("TMOvalObject"));
    EXPECT_EQ(oval->frame(), Rect(45, 45, 54, 36));

    // The pointer moves 40 points; the right edge lands on the grid.
    // On its outline, away from the knobs.
    press({95.4f, 72});
    drag({135.4f, 72});
    release({135.4f, 72});
    EXPECT_EQ(oval->frame(), Rect(81, 45, 54, 36));

    press({135, 81});
    drag({153, 99});
    release({153, 99});
    EXPECT_EQ(oval->frame(), Rect(81, 45, 72, 54));

    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(undo()->undo());
    EXPECT_TRUE(document.objects().isEmpty());
    ASSERT_TRUE(undo()->redo());
    ASSERT_TRUE(only());
    EXPECT_EQ(only()->frame(), Rect(45, 45, 54, 36));
}

} // namespace
