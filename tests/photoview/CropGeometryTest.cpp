#include "photoview/CropGeometry.h"

#include <gtest/gtest.h>

using namespace CropGeometry;

namespace {

const Rect kFrame{0, 0, 400, 300};
const Rect kCrop{100, 100, 100, 80};

void expectRect(const Rect& actual, const Rect& expected) {
    EXPECT_NEAR(actual.minX(), expected.minX(), 1e-3);
    EXPECT_NEAR(actual.minY(), expected.minY(), 1e-3);
    EXPECT_NEAR(actual.width(), expected.width(), 1e-3);
    EXPECT_NEAR(actual.height(), expected.height(), 1e-3);
}

} // namespace

TEST(CropGeometry, KnobsMirrorAcrossEachAxis) {
    const struct {
        int knob, horizontal, vertical;
    } cases[] = {{0, 0, 0}, {1, 3, 6}, {2, 2, 7}, {3, 1, 8}, {4, 5, 4},
                 {5, 4, 5}, {6, 8, 1}, {7, 7, 2}, {8, 6, 3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.knob);
        EXPECT_EQ(flipCropKnob(c.knob, true), c.horizontal);
        EXPECT_EQ(flipCropKnob(c.knob, false), c.vertical);
    }
}

TEST(CropGeometry, OverlappingKnobSquaresAnswerInTheOrderThreeOneTwoThenTheRest) {
    // A crop 6 points wide: the bottom knobs' squares overlap.
    const Rect small{100, 100, 6, 6};
    const struct {
        Point point;
        int mask;
        int knob;
    } cases[] = {
        {{103, 100}, kAllKnobs, 3}, // in 1, 2 and 3
        {{101, 100}, kAllKnobs, 1}, // in 1 and 2
        {{103, 100}, ~(1 << 3), 1}, // 3 not in use
        {{103, 103}, kAllKnobs, 3}, // in every square
        {{100, 108}, kAllKnobs, 6}, // above the bottom row
        {{90, 100}, kAllKnobs, 0},  // outside all
        {{150, 140}, kAllKnobs, 0}, // far away
        {{200, 180}, kAllKnobs, 0}, // knob 8 of the big crop, not this one
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.point.x << "," << c.point.y);
        EXPECT_EQ(cropKnobUnderPoint(c.point, small, c.mask), c.knob);
    }
    EXPECT_EQ(cropKnobUnderPoint({203, 183}, kCrop), 8);
    EXPECT_EQ(cropKnobUnderPoint({150, 97}, kCrop), 2);
}

TEST(CropGeometry, ConstrainingKeepsTheCentreTheRatioAndTheFrame) {
    const struct {
        Rect r;
        float q;
        Rect expected;
    } cases[] = {
        {kCrop, 0, kCrop},                                 // no constraint
        {kCrop, -1, kCrop},                                // none either
        {kCrop, 0.75f, {100, 102.5f, 100, 75}},            // width kept
        {kCrop, 1.5f, {123.333f, 100, 53.333f, 80}},       // height kept
        {{300, 10, 100, 80}, 1, {300, 0, 100, 100}},       // square on the width, pushed up
        {{0, 0, 400, 300}, 1.5f, {100, 0, 200, 300}},      // cut to the frame
        {{350, 250, 100, 100}, 0.5f, {300, 250, 100, 50}}, // pushed back inside
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.q);
        expectRect(constrainedRect(c.r, c.q, kFrame), c.expected);
    }
}

TEST(CropGeometry, ARatioThatIsNoNumberConstrainsNothing) {
    expectRect(constrainedRect(kCrop, std::nanf(""), kFrame), kCrop);
    const ResizeStep step = resizeCrop(kCrop, 8, {220, 190}, std::nanf(""), kFrame);
    expectRect(step.crop, {100, 100, 120, 90});
}

TEST(CropGeometry, CursorsAtSamplePoints) {
    const Rect clip{-1, -1, 402, 302};
    const QList<CursorRect> rects = cursorRects(kFrame, kCrop, false, clip);
    const QList<CursorRect> creating = cursorRects(kFrame, kCrop, true, clip);
    const struct {
        Point point;
        Cursor cursor;
        Cursor whileCreating;
    } cases[] = {
        {{100, 100}, Cursor::Resize, Cursor::Resize}, // knob 1
        {{150, 183}, Cursor::Resize, Cursor::Resize}, // knob 7, outside the edge
        {{150, 140}, Cursor::Grab, Cursor::Resize},   // inside
        {{101, 120}, Cursor::Grab, Cursor::Resize},   // band inside the left edge
        {{120, 179}, Cursor::Grab, Cursor::Resize},   // band inside the top edge
        {{98, 120}, Cursor::Cross, Cursor::Cross},    // band outside the left edge
        {{170, 98}, Cursor::Cross, Cursor::Cross},    // band outside the bottom edge
        {{50, 50}, Cursor::Cross, Cursor::Cross},     // left of the crop
        {{300, 250}, Cursor::Cross, Cursor::Cross},   // right of it
        {{150, 20}, Cursor::Cross, Cursor::Cross},    // below it
        {{150, 250}, Cursor::Cross, Cursor::Cross},   // above it
        {{450, 100}, Cursor::None, Cursor::None},     // off the photo
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.point.x << "," << c.point.y);
        EXPECT_EQ(cursorAtPoint(c.point, rects), c.cursor);
        EXPECT_EQ(cursorAtPoint(c.point, creating), c.whileCreating);
    }
    // Without a crop the whole photo shows the cross.
    const QList<CursorRect> none = cursorRects(kFrame, kZeroRect, false, clip);
    EXPECT_EQ(cursorAtPoint({150, 140}, none), Cursor::Cross);
    EXPECT_EQ(cursorAtPoint({399, 299}, none), Cursor::Cross);
    // Cut to the superview: what lies outside it has no cursor.
    const QList<CursorRect> cut = cursorRects(kFrame, kCrop, false, {0, 0, 120, 300});
    EXPECT_EQ(cursorAtPoint({150, 140}, cut), Cursor::None);
    EXPECT_EQ(cursorAtPoint({110, 140}, cut), Cursor::Grab);
    for (const CursorRect& r : cut)
        EXPECT_LE(r.rect.maxX(), 120);
}
