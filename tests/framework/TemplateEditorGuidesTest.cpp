#include "EditorFixture.h"
#include "framework/editor/CustomRuler.h"
#include "framework/editor/TMGrid.h"
#include "platform/foundation/UndoManager.h"
#include "platform/graphics/ImageFocus.h"
#include "platform/ui/RulerView.h"

#include <QMouseEvent>
#include <QTest>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

struct PointSnapCase {
    const char* name;
    QList<float> guides;
    float coordinate;
    bool snaps;
    float expected;
};

TEST(TemplateEditorGuideSnapping, PointOffsetToTheNearestGuide) {
    const PointSnapCase cases[] = {
        {"within spacing", {100, 200}, 95, true, 5.5f},
        {"between guides", {100, 200}, 150, true, kNoGuideSnap},
        {"snapping off", {100, 200}, 95, false, kNoGuideSnap},
        {"equally near: first", {104, 96}, 100.5f, true, 4.0f},
        {"no guides", {}, 95, true, kNoGuideSnap},
        {"negative best", {-3}, 1, true, 0.0f},
        {"just past spacing", {100}, 91, true, kNoGuideSnap},
    };
    for (const PointSnapCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FLOAT_EQ(
            TM_TemplateView::snapToGuidePoint({c.coordinate, 0}, 0, c.snaps, c.guides, 9),
            c.expected);
        // Orientation 1 reads y.
        EXPECT_FLOAT_EQ(
            TM_TemplateView::snapToGuidePoint({0, c.coordinate}, 1, c.snaps, c.guides, 9),
            c.expected);
    }
}

struct RectSnapCase {
    const char* name;
    Rect rect;
    QList<float> guides;
    float spacing;
    float expected;
};

TEST(TemplateEditorGuideSnapping, RectangleOffsetByItsNearestEdge) {
    const RectSnapCase cases[] = {
        {"low edge", {95, 0, 40, 10}, {100}, 9, 5.5f},
        {"high edge", {60, 0, 40, 10}, {100}, 9, 0.5f},
        // Low, middle and high edges each 3.5 off a guide.
        {"middle wins when as near", {53, 0, 54, 10}, {49, 110, 83}, 9, 3.5f},
        {"low wins over an equally near high", {53, 0, 54, 10}, {49, 110}, 9, -3.5f},
        {"fractional within half a point", {100.2f, 0, 40.5f, 10}, {100}, 9, 0.0f},
        {"integral within half a point", {100.2f, 0, 40, 10}, {100}, 9, 0.3f},
        {"beyond the spacing", {80, 0, 10, 10}, {100}, 9, kNoGuideSnap},
        {"spacing is the threshold", {80, 0, 10, 10}, {100}, 20, 10.5f},
        {"no guides", {80, 0, 10, 10}, {}, 9, kNoGuideSnap},
        {"negative edge", {-5, 0, 2, 10}, {-4}, 9, 0.0f},
    };
    for (const RectSnapCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_NEAR(TM_TemplateView::snapToGuideRect(c.rect, 0, true, c.guides, c.spacing),
                    c.expected, 1e-4);
        const Rect turned(c.rect.minY(), c.rect.minX(), c.rect.height(), c.rect.width());
        EXPECT_NEAR(TM_TemplateView::snapToGuideRect(turned, 1, true, c.guides, c.spacing),
                    c.expected, 1e-4);
    }
    EXPECT_EQ(TM_TemplateView::snapToGuideRect({95, 0, 40, 10}, 0, false, {100}, 9), kNoGuideSnap);
}

TEST(TemplateEditorGrid, LinesOnTheLatticeThroughTheOrigin) {
    EXPECT_EQ(TMGridLinePositions(9, 10, 40, 0), (std::vector<float>{18, 27, 36}));
    EXPECT_EQ(TMGridLinePositions(9, 10, 40, 5), (std::vector<float>{14, 23, 32}));
    EXPECT_EQ(TMGridLinePositions(10, 10, 40, 0), (std::vector<float>{10, 20, 30, 40}));
}

TEST(TemplateEditorGrid, SpacingThatCannotMakeAGridDrawsNothingAndAbsurdOnesAreBounded) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (float spacing : {0.0f, -9.0f, inf, nan})
        EXPECT_TRUE(TMGridLinePositions(spacing, 0, 1000, 0).empty()) << spacing;
    EXPECT_TRUE(TMGridLinePositions(9, 0, inf, 0).empty());
    EXPECT_EQ(TMGridLinePositions(1e-6f, 0, 1000, 0).size(), size_t(kMaximumGridLinesPerAxis));

    // Drawing with such a spacing returns at once and leaves the colour black.
    Image image;
    image.setSize({50, 50});
    ImageFocus focus(image);
    DrawGridWithSettingsInRect(1e-6f, Color::fromQColor(Qt::red), {0, 0, 50, 50}, {0, 0});
    DrawGridWithSettingsInRect(0, Color::fromQColor(Qt::red), {0, 0, 50, 50}, {0, 0});
    focus.unlockFocus();
}

// ---------------------------------------------------------------------------
// Guides on the editor's rulers

class TemplateEditorGuidesTest : public ::testing::Test, public EditorFixture {
protected:
    RulerView* hRuler() {
        return controller->window()->findChild<ScrollView*>()->horizontalRulerView();
    }
    RulerView* vRuler() {
        return controller->window()->findChild<ScrollView*>()->verticalRulerView();
    }
    QList<float> pageGuides(bool horizontal) {
        QList<float> list;
        const PageDescRef& page = document.pageDesc();
        for (const QVariant& v : horizontal ? page->horizontalGuides() : page->verticalGuides())
            list.append(v.toFloat());
        return list;
    }
    // The pixel of a horizontal ruler nearest a page location.
    static int pixelFor(RulerView* ruler, double location) {
        return int(std::lround(ruler->rulerCoordinateForLocation(location)));
    }
};

TEST_F(TemplateEditorGuidesTest, PressOnTheRulerPullsOutAGuideThatStaysWhereReleased) {
    RulerView* ruler = hRuler();
    ASSERT_TRUE(ruler);
    ASSERT_FALSE(document.isDocumentEdited());
    const int y = ruler->height() / 2;
    const int x = pixelFor(ruler, 100);
    QTest::mousePress(ruler, Qt::LeftButton, {}, QPoint(pixelFor(ruler, 20), y));
    EXPECT_TRUE(ruler->isTrackingMarker());
    QTest::mouseMove(ruler, QPoint(x, y));
    QTest::mouseRelease(ruler, Qt::LeftButton, {}, QPoint(x, y));

    const QList<float> guides = canvas->horizontalGuides();
    ASSERT_EQ(guides.size(), 1);
    EXPECT_NEAR(guides.first(), 100, 1.0 / controller->zoomFactor());
    EXPECT_FLOAT_EQ(guides.first(), float(ruler->locationForRulerCoordinate(x)));
    EXPECT_EQ(pageGuides(true), guides);
    EXPECT_TRUE(pageGuides(false).isEmpty());
    EXPECT_TRUE(document.isDocumentEdited());
    EXPECT_EQ(document.undoManager()->canUndo(), false);
}

TEST_F(TemplateEditorGuidesTest, AGuideDraggedOffTheRulerGoes) {
    canvas->setVerticalGuides({50.0, 120.0});
    RulerView* ruler = vRuler();
    ASSERT_EQ(ruler->markers().size(), 2u);
    const int x = ruler->width() - 2;
    const int y = pixelFor(ruler, 120);
    // A press that misses the markers, released off the ruler, adds nothing.
    QTest::mousePress(ruler, Qt::LeftButton, {}, QPoint(x, pixelFor(ruler, 200)));
    QTest::mouseRelease(ruler, Qt::LeftButton, {}, QPoint(ruler->width() + 30, y));
    EXPECT_EQ(canvas->verticalGuides(), (QList<float>{50, 120}));
    EXPECT_FALSE(document.isDocumentEdited());

    // The marker at 120 is picked up and dragged into the canvas.
    const RulerMarkerRef marker = ruler->markers().back();
    QTest::mousePress(ruler, Qt::LeftButton, {}, QPoint(3, y));
    ASSERT_TRUE(ruler->isTrackingMarker());
    QTest::mouseRelease(ruler, Qt::LeftButton, {}, QPoint(ruler->width() + 30, y));
    EXPECT_EQ(canvas->verticalGuides(), (QList<float>{50}));
    EXPECT_EQ(pageGuides(false), (QList<float>{50}));
    EXPECT_TRUE(document.isDocumentEdited());
}

TEST_F(TemplateEditorGuidesTest, AMovedGuideReachesThePage) {
    canvas->setHorizontalGuides({50.0});
    RulerView* ruler = hRuler();
    const int y = 3;
    QTest::mousePress(ruler, Qt::LeftButton, {}, QPoint(pixelFor(ruler, 50), y));
    QTest::mouseRelease(ruler, Qt::LeftButton, {}, QPoint(pixelFor(ruler, 150), y));
    ASSERT_EQ(canvas->horizontalGuides().size(), 1);
    EXPECT_NEAR(canvas->horizontalGuides().first(), 150, 1.0 / controller->zoomFactor());
    EXPECT_EQ(pageGuides(true), canvas->horizontalGuides());
    EXPECT_TRUE(document.isDocumentEdited());
}

TEST_F(TemplateEditorGuidesTest, MarkersThatAreNotGuidesAreIgnoredAndSurviveClear) {
    canvas->setHorizontalGuides({30.0, 60.0});
    canvas->setVerticalGuides({40.0});
    auto other = std::make_shared<RulerMarker>(45, QImage(), QPointF());
    other->setRepresentedObject(str("tab"));
    hRuler()->addMarker(other);
    EXPECT_EQ(canvas->horizontalGuides(), (QList<float>{30, 60}));

    canvas->performAction(str("clearAllGuides:"), nullptr);
    EXPECT_TRUE(canvas->horizontalGuides().isEmpty());
    EXPECT_TRUE(canvas->verticalGuides().isEmpty());
    EXPECT_TRUE(pageGuides(true).isEmpty());
    EXPECT_TRUE(pageGuides(false).isEmpty());
    ASSERT_EQ(hRuler()->markers().size(), 1u);
    EXPECT_EQ(hRuler()->markers().front(), other);
}

TEST_F(TemplateEditorGuidesTest, StoredGuidesReachTheRulersOfANewWindow) {
    TemplateDocument other;
    other.pageDesc()->setHorizontalGuides({12.0, 34.0});
    other.pageDesc()->setVerticalGuides({56.0});
    other.makeWindowControllers();
    auto* c = qobject_cast<TemplateEditorController*>(other.windowControllers().first());
    EXPECT_EQ(c->templateView()->horizontalGuides(), (QList<float>{12, 34}));
    EXPECT_EQ(c->templateView()->verticalGuides(), (QList<float>{56}));
    EXPECT_FALSE(other.isDocumentEdited());
}

TEST_F(TemplateEditorGuidesTest, ToggleGuidesFlipsShowsGuides) {
    const bool shown = document.pageDesc()->showsGuides();
    canvas->performAction(str("toggleGuides:"), nullptr);
    EXPECT_EQ(document.pageDesc()->showsGuides(), !shown);
    canvas->performAction(str("toggleGuides:"), nullptr);
    EXPECT_EQ(document.pageDesc()->showsGuides(), shown);
}

TEST_F(TemplateEditorGuidesTest, TheRulersTakeMarksAndAccessoriesOnlyWhileTheyMeasureTheCanvas) {
    canvas->setHorizontalGuides({50.0});
    RulerView* ruler = hRuler();
    ASSERT_TRUE(dynamic_cast<CustomRuler*>(ruler));
    ASSERT_TRUE(dynamic_cast<CustomRuler*>(vRuler()));
    const RulerMarkerRef guide = ruler->markers().front();
    const auto extra = canvas->makeGuideMarker(RulerView::Orientation::Horizontal, 80);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(pixelFor(ruler, 50), 3),
                      ruler->mapToGlobal(QPointF(pixelFor(ruler, 50), 3)), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);

    // Measuring another view, it keeps what it has and takes nothing.
    View other;
    ruler->setClientView(&other);
    ruler->addMarker(extra);
    ruler->removeMarker(guide);
    ruler->setMarkers({});
    EXPECT_FALSE(ruler->trackMarker(extra, &press));
    QWidget accessory;
    ruler->setAccessoryView(&accessory);
    EXPECT_EQ(ruler->markers(), (std::vector<RulerMarkerRef>{guide}));
    EXPECT_EQ(ruler->accessoryView(), nullptr);
    // A press on its marker picks nothing up.
    QTest::mousePress(ruler, Qt::LeftButton, {}, QPoint(pixelFor(ruler, 50), 3));
    EXPECT_FALSE(ruler->isTrackingMarker());
    QTest::mouseRelease(ruler, Qt::LeftButton, {}, QPoint(pixelFor(ruler, 50), 3));

    // Back on the canvas, all of it is passed on.
    ruler->setClientView(canvas);
    ruler->addMarker(extra);
    ruler->removeMarker(guide);
    EXPECT_EQ(ruler->markers(), (std::vector<RulerMarkerRef>{extra}));
    EXPECT_TRUE(ruler->trackMarker(guide, &press));
    QTest::mouseRelease(ruler, Qt::LeftButton, {}, QPoint(pixelFor(ruler, 50), 3));
    const QList<float> guides = canvas->horizontalGuides();
    ASSERT_EQ(guides.size(), 2);
    EXPECT_EQ(guides.first(), 80);
    EXPECT_NEAR(guides.last(), 50, 1.0);
    auto* strip = new QWidget;
    ruler->setAccessoryView(strip);
    EXPECT_EQ(ruler->accessoryView(), strip);
    ruler->setAccessoryView(nullptr);
    delete strip;
}

TEST(TemplateEditorGuidesWithoutRulers, ACanvasWithoutScrollViewHasNoGuides) {
    TestHost host;
    TemplateDocument document;
    document.pageDesc()->setHorizontalGuides({10.0});
    TM_TemplateView canvas(Rect(0, 0, 100, 100));
    canvas.setDocument(&document);
    EXPECT_TRUE(canvas.horizontalGuides().isEmpty());
    EXPECT_TRUE(canvas.verticalGuides().isEmpty());
    canvas.setHorizontalGuides({20.0});
    EXPECT_TRUE(canvas.horizontalGuides().isEmpty());
    EXPECT_EQ(document.pageDesc()->horizontalGuides(), (QVariantList{10.0}));
    // Snapping answers no guide, even though the page lists one.
    EXPECT_EQ(canvas.snapToGuidePoint({10, 0}, 0), kNoGuideSnap);
}

} // namespace
