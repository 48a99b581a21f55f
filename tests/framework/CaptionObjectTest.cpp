#include "ChangeCounter.h"
#include "TestImageSource.h"
#include "TestPage.h"
#include "framework/Formwell.h"
#include "framework/model/GenericDocument.h"
#include "framework/model/ShadowAccessors.h"
#include "framework/model/TMCaptionObject.h"
#include "framework/model/TMPhotoObject.h"
#include "framework/model/TMTextObject.h"
#include "platform/archiving/Archiver.h"
#include "platform/archiving/Unarchiver.h"
#include "platform/documents/View.h"
#include "platform/foundation/Random.h"
#include "platform/foundation/UndoManager.h"
#include "support/TestHost.h"

#include <QElapsedTimer>
#include <QImage>
#include <functional>
#include <gtest/gtest.h>
#include <vector>

namespace {

QString str(const char* text) {
    return QString::fromLatin1(text);
}

const Color kRed = Color::calibratedRGB(1, 0, 0);

// A view that says whether it is flipped, for the object's last drawn view.
class FlippedView : public View {
public:
    bool isFlipped() const override { return true; }
};

// A caption of 80 x 40 points centred on (140, 220): its rectangle is
// (100, 200, 80, 40), its inner rectangle around the centre (-20, -10, 40, 20).
TMCaptionObjectRef caption80x40() {
    return TMCaptionObject::newTemplateObjectWithOriginSize({100, 200}, {80, 40});
}

// The ovals and polygons of a path: each starts with a move.
int subpathCount(const BezierPath& path) {
    int count = 0;
    for (const BezierPath::Element& e : path.elements())
        count += e.kind == BezierPathElement::MoveTo;
    return count;
}

bool isRed(const QColor& c) {
    return c.red() > 150 && c.green() < 110 && c.blue() < 110;
}

// Where the red pixels of a page lie: their bounds and the mean row.
struct RedPixels {
    int count = 0;
    int minX = 1 << 20, minY = 1 << 20, maxX = -1, maxY = -1;
    double meanY = 0;
};

RedPixels redPixels(const QImage& image) {
    RedPixels red;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (isRed(image.pixelColor(x, y))) {
                ++red.count;
                red.minX = std::min(red.minX, x);
                red.maxX = std::max(red.maxX, x);
                red.minY = std::min(red.minY, y);
                red.maxY = std::max(red.maxY, y);
                red.meanY += y;
            }
    if (red.count)
        red.meanY /= red.count;
    return red;
}

} // namespace

// ---------------------------------------------------------------------------
// Model and representation

TEST(CaptionObject, ANewCaptionIsAFilledShadowedOvalWithItsTailBelowRight) {
    TestHost host;
    TMCaptionObjectRef caption = caption80x40();
    EXPECT_EQ(caption->kind(), "TMCaptionObject");
    EXPECT_TRUE(caption->fillState());
    EXPECT_FALSE(caption->strokeState());
    EXPECT_EQ(caption->shadowEnabled(), QVariant(true));
    ASSERT_TRUE(caption->shadow());
    EXPECT_EQ(caption->shadow()->blurRadius, 16.0f);
    EXPECT_NEAR(castOffset(*caption->shadow()), 1.0f, 1e-5);
    EXPECT_EQ(caption->shadow()->color, Color::blackColor().toQColor());
    EXPECT_EQ(caption->font(), Font::systemFontOfSize(14));
    EXPECT_EQ(caption->text(), frameworkString(kCaptionInitialTextKey));
    EXPECT_NE(caption->text(), str(kCaptionInitialTextKey)) << "a text from the string table";
    EXPECT_EQ(caption->textColor(), Color::blackColor());
    EXPECT_EQ(caption->shape(), TMCaptionObject::Oval);
    EXPECT_EQ(caption->tailStyle(), TMCaptionObject::Wedge);
    EXPECT_EQ(caption->tailQuadrant(), 1);
    EXPECT_EQ(caption->relativeTailVertex(), (Point{36, 36}));
    EXPECT_EQ(caption->maxSize(), kZeroSize);
    EXPECT_FALSE(caption->hasCachedOutline());
    // 36 points right of the bottom middle, 36 below the bottom edge.
    EXPECT_EQ(caption->calcVertex(), (Point{176, 164}));
    EXPECT_EQ(TMCaptionObject::classObjectControllerClass(), "TMCaptionObjectController");
    EXPECT_TRUE(std::dynamic_pointer_cast<TMCaptionObject>(
        TMObject::newTemplateObjectOfKind(str("TMCaptionObject"))));
}

TEST(CaptionObject, ReadingAlwaysGivesAFilledUnstrokedShadowedBalloon) {
    TestHost host;
    QVariantMap representation = caption80x40()->dictRepresentation();
    representation.insert(str(kStrokeEnabledKey), true);
    representation.insert(str(kFillEnabledKey), false);
    representation.insert(str(kShadowEnabledKey), false);
    const TMCaptionObjectRef read =
        TMCaptionObject::newTemplateObjectWithRepresentation(representation);
    EXPECT_TRUE(read->fillState());
    EXPECT_FALSE(read->strokeState());
    EXPECT_EQ(read->shadowEnabled(), QVariant(true));

    // Nothing of its own stored: the defaults.
    const TMCaptionObjectRef bare = TMCaptionObject::newTemplateObjectWithRepresentation(
        {{str(kKindKey), str("TMCaptionObject")}});
    EXPECT_EQ(bare->relativeTailVertex(), TMCaptionObject::kDefaultTailVertex);
    EXPECT_EQ(bare->tailQuadrant(), 1);
    EXPECT_EQ(bare->font(), Font::systemFontOfSize(14));
    EXPECT_EQ(bare->text(), frameworkString(kCaptionInitialTextKey));
    EXPECT_EQ(bare->textColor(), Color::blackColor());
    EXPECT_EQ(bare->shape(), 0);
    EXPECT_EQ(bare->tailStyle(), 0);
    EXPECT_FALSE(bare->hasCachedOutline());
    EXPECT_EQ(bare->maxSize(), kZeroSize);
    EXPECT_TRUE(bare->fillState());
    EXPECT_FALSE(bare->strokeState());
}

TEST(CaptionObject, EveryValueReadsBackFromItsRepresentation) {
    TestHost host;
    TMCaptionObjectRef caption = caption80x40();
    caption->setFont(Font(str("Serif"), 22, QFont::Bold, true));
    caption->setTextColor(kRed);
    caption->setText(str("Over here!"));
    caption->setShape(TMCaptionObject::MediumCloud);
    caption->setTailStyle(TMCaptionObject::Bubbles);
    caption->setMaxSize({1000, 800});
    caption->resizeByMovingKnobToPoint(TMCaptionObject::kTailKnob, {60, 215});
    caption->balloonShape({-40, -20, 80, 40});

    const QVariantMap d = caption->dictRepresentation();
    EXPECT_EQ(d.value(str(kCaptionTailQuadrantKey)).toInt(), 2);
    EXPECT_EQ(pointFromString(d.value(str(kCaptionTailVertexKey)).toString()), (Point{-40, 5}));
    EXPECT_EQ(sizeFromString(d.value(str(kCaptionMaxSizeKey)).toString()), (Size{1000, 800}));

    const TMCaptionObjectRef read = TMCaptionObject::newTemplateObjectWithRepresentation(d);
    EXPECT_EQ(read->font(), caption->font());
    EXPECT_EQ(read->textColor(), kRed);
    EXPECT_EQ(read->text(), "Over here!");
    EXPECT_EQ(read->shape(), TMCaptionObject::MediumCloud);
    EXPECT_EQ(read->tailStyle(), TMCaptionObject::Bubbles);
    EXPECT_EQ(read->maxSize(), (Size{1000, 800}));
    EXPECT_EQ(read->tailQuadrant(), 2);
    EXPECT_EQ(read->relativeTailVertex(), (Point{-40, 5}));
    EXPECT_TRUE(read->hasCachedOutline());
    EXPECT_EQ(read->dictRepresentation(), d);
    EXPECT_EQ(read->copy()->dictRepresentation(), d);

    // Archived by class, as a photograph's captions are kept.
    const QByteArray archive =
        Archiver::archivedData(std::static_pointer_cast<Archivable>(caption));
    const auto unarchived = Unarchiver::unarchiveObjectOfClass<TMCaptionObject>(archive);
    ASSERT_TRUE(unarchived);
    EXPECT_EQ(unarchived->dictRepresentation(), d);
}

// ---------------------------------------------------------------------------
// Setters and undo

struct CaptionSetters : ::testing::Test {
    CaptionSetters() {
        undo = document.undoManager();
        caption = caption80x40();
        caption->setParentDocument(&document);
    }
    TestHost host;
    GenericDocument document;
    UndoManager* undo = nullptr;
    TMCaptionObjectRef caption;
};

TEST_F(CaptionSetters, FontColourShapeAndTailStyleUndoUnderTheirNames) {
    struct Case {
        const char* action;
        std::function<void(TMCaptionObject&)> set;
        std::function<bool(const TMCaptionObject&)> isNew;
    };
    const Font bigger = Font::systemFontOfSize(30);
    const std::vector<Case> cases = {
        {kFontActionKey, [bigger](auto& c) { c.setFont(bigger); },
         [bigger](const auto& c) { return c.font() == bigger; }},
        {kCaptionColorActionKey, [](auto& c) { c.setTextColor(kRed); },
         [](const auto& c) { return c.textColor() == kRed; }},
        {kCaptionShapeActionKey, [](auto& c) { c.setShape(TMCaptionObject::Rounded); },
         [](const auto& c) { return c.shape() == TMCaptionObject::Rounded; }},
        {kCaptionTailStyleActionKey, [](auto& c) { c.setTailStyle(TMCaptionObject::Bubbles); },
         [](const auto& c) { return c.tailStyle() == TMCaptionObject::Bubbles; }},
    };
    for (const Case& c : cases) {
        const QVariantMap before = caption->dictRepresentation();
        ChangeCounter changes(caption);
        undo->beginUndoGrouping();
        c.set(*caption);
        undo->endUndoGrouping();
        EXPECT_TRUE(c.isNew(*caption)) << c.action;
        EXPECT_EQ(undo->undoActionName(), frameworkString(c.action));
        EXPECT_NE(undo->undoActionName(), str(c.action)) << "a name from the string table";
        EXPECT_GE(changes.posted(), 1) << c.action;
        ASSERT_TRUE(undo->undo()) << c.action;
        EXPECT_FALSE(c.isNew(*caption)) << c.action;
        EXPECT_EQ(caption->dictRepresentation(), before) << c.action;
        ASSERT_TRUE(undo->redo()) << c.action;
        EXPECT_TRUE(c.isNew(*caption)) << c.action;
        ASSERT_TRUE(undo->undo()) << c.action;
        undo->removeAllActions();
    }

    // The same values again register and announce nothing.
    QCoreApplication::processEvents();
    ChangeCounter changes(caption);
    caption->setFont(caption->font());
    caption->setTextColor(caption->textColor());
    caption->setShape(caption->shape());
    caption->setTailStyle(caption->tailStyle());
    caption->setText(caption->text());
    caption->setRelativeTailVertex(caption->relativeTailVertex());
    EXPECT_FALSE(undo->canUndo());
    EXPECT_EQ(changes.posted(), 0);
}

TEST_F(CaptionSetters, TextAndTailChangeWithoutAnUndoStep) {
    ChangeCounter changes(caption);
    caption->setText(str("Hello"));
    EXPECT_EQ(caption->text(), "Hello");
    EXPECT_EQ(changes.posted(), 1);
    caption->setRelativeTailVertex({10, 50});
    EXPECT_EQ(caption->relativeTailVertex(), (Point{10, 50}));
    EXPECT_EQ(changes.posted(), 2);
    EXPECT_EQ(caption->resizeByMovingKnobToPoint(TMCaptionObject::kTailKnob, {300, 230}),
              TMCaptionObject::kTailKnob);
    EXPECT_EQ(changes.posted(), 3);
    EXPECT_FALSE(undo->canUndo());
}

TEST_F(CaptionSetters, AnUndoneTailDragComesBackWithRedo) {
    // The editor records the geometry before a drag as the drag's undo step.
    const QVariantMap before = caption->geometry();
    caption->resizeByMovingKnobToPoint(TMCaptionObject::kTailKnob, {140, 300});
    ASSERT_EQ(caption->tailQuadrant(), 3);
    undo->registerUndo(caption.get(), [weak = std::weak_ptr<TMCaptionObject>(caption), before] {
        if (auto c = weak.lock())
            c->setGeometry(before);
    });
    ASSERT_TRUE(undo->undo());
    EXPECT_EQ(caption->tailQuadrant(), 1);
    EXPECT_EQ(caption->relativeTailVertex(), TMCaptionObject::kDefaultTailVertex);
    ASSERT_TRUE(undo->redo());
    EXPECT_EQ(caption->tailQuadrant(), 3);
    EXPECT_EQ(caption->calcVertex(), (Point{140, 300}));
}

// ---------------------------------------------------------------------------
// The tail

TEST(CaptionTail, ADragChoosesTheEdgeItLeavesFrom) {
    TestHost host;
    struct Case {
        Point to;
        bool flipped;
        int quadrant;
    };
    // Centre (140, 220).
    for (const Case& c : {
             Case{{140, 320}, false, 3}, // straight above on screen
             Case{{140, 100}, false, 1},
             Case{{140, 320}, true, 1}, // below on screen in a flipped view
             Case{{140, 100}, true, 3},
             Case{{20, 230}, false, 2},
             Case{{260, 210}, true, 4},
             Case{{190, 270}, false, 3}, // 45 degrees counts as vertical
             Case{{90, 170}, true, 3},
         }) {
        TMCaptionObjectRef caption = caption80x40();
        FlippedView view;
        if (c.flipped)
            caption->setLastDrawnInView(&view);
        EXPECT_EQ(caption->resizeByMovingKnobToPoint(TMCaptionObject::kTailKnob, c.to),
                  TMCaptionObject::kTailKnob);
        EXPECT_EQ(caption->tailQuadrant(), c.quadrant) << c.to.x << "," << c.to.y;
        EXPECT_EQ(caption->calcVertex(), c.to) << c.to.x << "," << c.to.y;
        caption->setLastDrawnInView(nullptr);
    }
}

TEST(CaptionTail, TheTipIsKnobNineAlsoOnATurnedCaption) {
    TestHost host;
    TMCaptionObjectRef caption = caption80x40();
    caption->setRotation(90);
    const Point tip = caption->rotatePointOnCenterMagnitude(caption->calcVertex(), 1);
    EXPECT_EQ(caption->knobUnderPoint(tip), TMCaptionObject::kTailKnob);
    EXPECT_EQ(caption->knobUnderPoint({tip.x + 3, tip.y - 3}), TMCaptionObject::kTailKnob);
    EXPECT_NE(caption->knobUnderPoint(caption->calcVertex()), TMCaptionObject::kTailKnob);
    // Dragging the turned tip keeps it where it is dropped.
    caption->resizeByMovingKnobToPoint(TMCaptionObject::kTailKnob, {60, 150});
    const Point moved = caption->rotatePointOnCenterMagnitude(caption->calcVertex(), 1);
    EXPECT_NEAR(moved.x, 60, 1e-3);
    EXPECT_NEAR(moved.y, 150, 1e-3);
    // The tail is hit, and its knob lies in the frame that is redrawn.
    const Point c = caption->center();
    EXPECT_TRUE(caption->hitTest({c.x + 0.95f * (moved.x - c.x), c.y + 0.95f * (moved.y - c.y)}));
    caption->setSelected(true);
    EXPECT_TRUE(pointInRect({moved.x + 3, moved.y + 3}, caption->encapsulatingFrame()));
}

TEST(CaptionTail, ATipInsideTheBalloonOrShortOfTheInnerEdgeDrawsNoTail) {
    TestHost host;
    struct Case {
        Point tail;
        bool tailDrawn;
    };
    for (const Case& c : {
             Case{{36, 36}, true},
             Case{{0, -10}, false},  // inside the balloon
             Case{{60, -15}, false}, // outside, but not below the inner rectangle
             Case{{60, -9}, true},
         }) {
        TMCaptionObjectRef caption = caption80x40();
        caption->setRelativeTailVertex(c.tail);
        const BezierPath balloon = caption->balloonShape({-40, -20, 80, 40});
        const BezierPath shape = caption->basicShape();
        EXPECT_EQ(subpathCount(shape), subpathCount(balloon) + (c.tailDrawn ? 1 : 0))
            << c.tail.x << "," << c.tail.y;
        // Just inside the tip, towards the middle of the tail's base (0, -10).
        const Point v{caption->calcVertex().x - 140, caption->calcVertex().y - 220};
        const Point nearTip{v.x * 0.95f, v.y + 0.05f * (-10 - v.y)};
        if (c.tailDrawn) {
            EXPECT_TRUE(shape.containsPoint(nearTip)) << c.tail.x << "," << c.tail.y;
        }
    }
}

TEST(CaptionTail, TheWedgeAndTheBalloonFillAsOneShape) {
    TestHost host;
    for (int shape : {0, 1, 2, 3, 4, 7}) {
        for (int quadrant = 1; quadrant <= 4; ++quadrant) {
            Random::setSeed(5);
            TMCaptionObjectRef caption = caption80x40();
            caption->setShape(shape);
            // A tip 30 points out from the middle of each edge.
            const Point tips[] = {{140, 160}, {80, 220}, {140, 280}, {200, 220}};
            caption->resizeByMovingKnobToPoint(TMCaptionObject::kTailKnob, tips[quadrant - 1]);
            ASSERT_EQ(caption->tailQuadrant(), quadrant);
            const BezierPath outline = caption->basicShape();
            // Just outside the inner rectangle, where wedge and balloon overlap.
            const Point overlap[] = {{0, -12}, {-22, 0}, {0, 12}, {22, 0}};
            EXPECT_TRUE(outline.containsPoint(overlap[quadrant - 1]))
                << "shape " << shape << " quadrant " << quadrant;
            const Point v{tips[quadrant - 1].x - 140, tips[quadrant - 1].y - 220};
            EXPECT_TRUE(outline.containsPoint({v.x * 0.95f, v.y * 0.95f}))
                << "shape " << shape << " quadrant " << quadrant;
        }
    }
}

TEST(CaptionTail, BubblesGrowFromTheTipAndStopShortOfTheBalloon) {
    TestHost host;
    TMCaptionObjectRef caption = caption80x40();
    caption->setTailStyle(TMCaptionObject::Bubbles);
    caption->resizeByMovingKnobToPoint(TMCaptionObject::kTailKnob, {140, 120});
    const BezierPath balloon = caption->balloonShape({-40, -20, 80, 40});
    const BezierPath shape = caption->basicShape();
    const int bubbles = subpathCount(shape) - subpathCount(balloon);
    EXPECT_GE(bubbles, 3);
    // The tip itself carries none.
    EXPECT_FALSE(shape.containsPoint({0, -100}));
    EXPECT_TRUE(pointInRect({0, -90}, shape.bounds()));

    // A tip read from a file far out gets no trail, at once.
    QVariantMap far = caption->dictRepresentation();
    far.insert(str(kCaptionTailVertexKey), stringFromPoint({0, 3.0e7f}));
    const TMCaptionObjectRef read = TMCaptionObject::newTemplateObjectWithRepresentation(far);
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(subpathCount(read->basicShape()), subpathCount(balloon));
    EXPECT_LT(timer.elapsed(), 5000);
}

TEST(CaptionTail, AnUnknownQuadrantCountsAsTheBottom) {
    TestHost host;
    QVariantMap d = caption80x40()->dictRepresentation();
    d.insert(str(kCaptionTailQuadrantKey), 9);
    const TMCaptionObjectRef read = TMCaptionObject::newTemplateObjectWithRepresentation(d);
    EXPECT_EQ(read->calcVertex(), (Point{176, 164}));
    EXPECT_GT(subpathCount(read->basicShape()), 1);
}

// ---------------------------------------------------------------------------
// Outlines

TEST(CaptionOutline, ACloudOnAPhotoTakesItsPuffSizeFromThePhoto) {
    TestHost host;
    Random::setSeed(1);
    TMCaptionObjectRef caption =
        TMCaptionObject::newTemplateObjectWithOriginSize({300, 300}, {200, 100});
    caption->setShape(TMCaptionObject::SmallCloud);
    caption->setMaxSize({1000, 800});
    const BezierPath cloud = caption->balloonShape({-100, -50, 200, 100});
    // Puffs of 32 points: cells of 200 / 6 by 100 / 3, 33.3 points each way.
    // The middle rectangle is inset by 0.6 of a cell; it is the last subpath.
    const auto& elements = cloud.elements();
    ASSERT_GE(elements.size(), 5u);
    BezierPath middle;
    for (size_t i = elements.size() - 5; i < elements.size(); ++i)
        if (elements[i].kind != BezierPathElement::ClosePath)
            middle.moveToPoint(elements[i].points[0]);
    const double cell = 100.0 / 3;
    EXPECT_NEAR(middle.bounds().minX(), -100 + 0.6 * cell, 1e-3);
    EXPECT_NEAR(middle.bounds().minY(), -50 + 0.6 * cell, 1e-3);
    EXPECT_EQ(subpathCount(cloud), 2 * 4 + 2 * 5 + 2 * 1 + 2 * 2 + 4 + 1);
}

TEST(CaptionOutline, TheOutlineIsKeptUntilTheSizeOrShapeChanges) {
    TestHost host;
    Random::setSeed(2);
    TMCaptionObjectRef caption = caption80x40();
    caption->setShape(TMCaptionObject::LargeCloud);
    const BezierPath first = caption->balloonShape({-40, -20, 80, 40});
    EXPECT_EQ(caption->balloonShape({-40, -20, 80, 40}).elements(), first.elements());
    // Moving the tail or the caption keeps the puffs.
    caption->setRelativeTailVertex({5, 60});
    caption->resizeByMovingKnobToPoint(TMCaptionObject::kTailKnob, {10, 10});
    caption->moveBy({15, 5});
    EXPECT_TRUE(caption->hasCachedOutline());

    struct Case {
        const char* what;
        std::function<void(TMCaptionObject&)> change;
    };
    for (const Case& c : std::vector<Case>{
             {"knob",
              [](auto& o) {
                  o.resizeByMovingKnobToPoint(3, {300, 300});
              }},
             {"size",
              [](auto& o) {
                  o.setSize({50, 50});
              }},
             {"geometry", [](auto& o) { o.setGeometry(o.geometry()); }},
             {"shape", [](auto& o) { o.setShape(TMCaptionObject::SmallCloud); }},
         }) {
        caption->basicShape();
        ASSERT_TRUE(caption->hasCachedOutline()) << c.what;
        c.change(*caption);
        EXPECT_FALSE(caption->hasCachedOutline()) << c.what;
    }
}

TEST(CaptionOutline, ACaptionWithoutAreaDrawsPromptly) {
    TestHost host;
    QElapsedTimer timer;
    timer.start();
    for (Size size : {Size{0, 0}, Size{0, 100}, Size{200, 0}})
        for (Size max : {Size{0, 0}, Size{0, 800}, Size{1000, 0}}) {
            TMCaptionObjectRef caption =
                TMCaptionObject::newTemplateObjectWithOriginSize({10, 10}, size);
            caption->setShape(TMCaptionObject::MediumCloud);
            caption->setMaxSize(max);
            caption->setTailStyle(TMCaptionObject::Bubbles);
            TestPage page(50, 50, DestinationKind::Image);
            caption->drawObject(true);
            EXPECT_TRUE(caption->balloonShape({0, 0, size.width, size.height}).isEmpty());
        }
    EXPECT_LT(timer.elapsed(), 5000);
}

// ---------------------------------------------------------------------------
// Drawing

namespace {

// A caption of the size centred at (50, 50) of a 100 x 100 page, with red
// text and no shadow; the red pixels drawn.
RedPixels drawnText(Size size, const QString& text, float rotation = 0, bool flipped = true,
                    float fontSize = 14) {
    TMCaptionObjectRef caption = TMCaptionObject::newTemplateObjectWithOriginSize(
        {50 - size.width / 2, 50 - size.height / 2}, size);
    caption->setText(text);
    caption->setTextColor(kRed);
    caption->setFont(Font::systemFontOfSize(fontSize));
    caption->setShadowEnabled(false);
    caption->setRotation(rotation);
    TestPage page(100, 100, DestinationKind::Image, Qt::white, 1, flipped);
    caption->drawObject(false);
    return redPixels(page.pixels());
}

} // namespace

TEST(CaptionDrawing, TheTextBoxShrinksInsideTheEllipseAndVanishesBelowEightPoints) {
    TestHost host;
    EXPECT_EQ(drawnText({11, 11}, str("WWW")).count, 0);
    const RedPixels small = drawnText({12, 12}, str("WWW"));
    EXPECT_GT(small.count, 0);
    // An 8 x 8 box about the centre (50, 50).
    EXPECT_GE(small.minX, 46);
    EXPECT_LE(small.maxX, 53);
    EXPECT_GE(small.minY, 46);
    EXPECT_LE(small.maxY, 53);
}

TEST(CaptionDrawing, TheTextIsCentredTurnedAndUprightFlippedOrNot) {
    TestHost host;
    const RedPixels level = drawnText({90, 60}, str("MMMM"));
    ASSERT_GT(level.count, 0);
    EXPECT_GT(level.maxX - level.minX, 2 * (level.maxY - level.minY));
    EXPECT_NEAR((level.minX + level.maxX) / 2.0, 50, 3);
    EXPECT_NEAR((level.minY + level.maxY) / 2.0, 50, 3);

    const RedPixels turned = drawnText({90, 60}, str("MMMM"), 90);
    ASSERT_GT(turned.count, 0);
    EXPECT_GT(turned.maxY - turned.minY, 2 * (turned.maxX - turned.minX));
    EXPECT_NEAR((turned.minX + turned.maxX) / 2.0, 50, 3);
    EXPECT_NEAR((turned.minY + turned.maxY) / 2.0, 50, 3);

    // A long text wraps into lines, all within the box of 68 x 38 points
    // that fits in the ellipse.
    const RedPixels wrapped = drawnText({90, 60}, str("one two three four five six seven"));
    ASSERT_GT(wrapped.count, 0);
    EXPECT_GT(wrapped.maxY - wrapped.minY, 25);
    EXPECT_GE(wrapped.minX, 50 - 34);
    EXPECT_LE(wrapped.maxX, 50 + 34);
    EXPECT_GE(wrapped.minY, 50 - 19);
    EXPECT_LE(wrapped.maxY, 50 + 19);

    // A T has its weight at the top when it stands upright, on a flipped
    // page and in an unflipped image alike.
    for (bool flipped : {true, false}) {
        const RedPixels t = drawnText({90, 80}, str("T"), 0, flipped, 40);
        ASSERT_GT(t.count, 0) << flipped;
        EXPECT_LT(t.meanY, (t.minY + t.maxY) / 2.0 - 2) << flipped;
    }
}

namespace {

QImage drawnAlone(const TMCaptionObjectRef& caption) {
    TestPage page(300, 200, DestinationKind::Image);
    caption->drawObject(false);
    return page.pixels();
}

// A 300 x 200 photo cell showing a 300 x 200 photograph with the caption on it.
QImage drawnInACell(const TMCaptionObjectRef& caption) {
    TestImageSource source;
    QImage photo(300, 200, QImage::Format_ARGB32_Premultiplied);
    photo.fill(QColor(40, 90, 160));
    source.images.insert(0, Image(photo));
    source.captions = {caption};
    TMPhotoObjectRef cell = TMPhotoObject::newTemplateObjectWithOriginSize({0, 0}, {300, 200});
    cell->setPhotoNumber(1);
    cell->setImageSource(&source);
    TestPage page(300, 200, DestinationKind::Image);
    cell->drawObject(false);
    return page.pixels();
}

} // namespace

TEST(CaptionDrawing, ACloudSavedAndReopenedDrawsTheSamePixels) {
    TestHost host;
    Random::setSeed(3);
    TMCaptionObjectRef caption =
        TMCaptionObject::newTemplateObjectWithOriginSize({60, 50}, {160, 90});
    caption->setShape(TMCaptionObject::MediumCloud);
    caption->setMaxSize({300, 200});
    caption->setTailStyle(TMCaptionObject::Bubbles);
    const QImage alone = drawnAlone(caption);
    const QImage inCell = drawnInACell(caption);
    const QVariantMap saved = caption->dictRepresentation();

    Random::setSeed(77);
    const TMCaptionObjectRef reopened = TMCaptionObject::newTemplateObjectWithRepresentation(
        TMCaptionObject::newTemplateObjectWithRepresentation(saved)->dictRepresentation());
    EXPECT_EQ(drawnAlone(reopened), alone);
    EXPECT_EQ(drawnInACell(reopened), inCell);
    // The cell shows the caption over its photograph.
    EXPECT_NE(inCell.pixelColor(140, 95), QColor(40, 90, 160));

    // Without the stored outline the puffs come out otherwise.
    QVariantMap withoutOutline = saved;
    withoutOutline.remove(str(kCaptionPathKey));
    EXPECT_NE(drawnAlone(TMCaptionObject::newTemplateObjectWithRepresentation(withoutOutline)),
              alone);
}
