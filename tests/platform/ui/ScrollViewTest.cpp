#include "platform/ui/ScrollView.h"
#include "platform/documents/View.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/ui/ClipView.h"

#include <QApplication>
#include <QImage>
#include <QScrollBar>
#include <QSignalSpy>
#include <QWheelEvent>
#include <gtest/gtest.h>

namespace {

// A tall page: red along its bottom 10 units, blue along its top 10.
class BandedView : public View {
public:
    bool flipped = false;
    bool isFlipped() const override { return flipped; }

protected:
    void drawRect(const Rect&) override {
        GraphicsContext* context = GraphicsContext::currentContext();
        const Rect b = bounds();
        context->setFillColor(Qt::white);
        context->rectFill(b);
        context->setFillColor(Qt::red);
        context->rectFill({b.minX(), b.minY(), b.width(), 10});
        context->setFillColor(Qt::blue);
        context->rectFill({b.minX(), b.maxY() - 10, b.width(), 10});
    }
};

// Notes the clip view's size at every frame change.
class RecordingScrollView : public ScrollView {
public:
    QList<Size> seen;

protected:
    void viewFrameChanged() override { seen.append(contentSize()); }
};

struct Fixture {
    RecordingScrollView scroll;
    BandedView* document = new BandedView;
    int clipWidth = 0;

    explicit Fixture(bool flipped = false) {
        document->flipped = flipped;
        scroll.setBorderType(ScrollView::BorderType::BezelBorder);
        scroll.setHasVerticalScroller(true);
        scroll.resize(202, 302);
        // Hidden widgets hold resize events back until shown.
        scroll.show();
        document->resize(300, 1000);
        scroll.setDocumentView(document);
        clipWidth = scroll.contentView()->width();
    }
    QColor shownAt(int y) { return scroll.grab().toImage().pixelColor(1 + clipWidth / 2, 1 + y); }
};

bool isRed(const QColor& c) {
    return c.red() > 200 && c.green() < 50 && c.blue() < 50;
}
bool isBlue(const QColor& c) {
    return c.blue() > 200 && c.red() < 50 && c.green() < 50;
}

} // namespace

TEST(ScrollView, TheClipViewLiesInsideBorderAndScroller) {
    Fixture f;
    const int extent = f.scroll.verticalScroller()->width();
    EXPECT_GT(extent, 0);
    EXPECT_EQ(f.scroll.contentView()->geometry(), QRect(1, 1, 200 - extent, 300));
    EXPECT_EQ(f.scroll.contentSize(), (Size{float(200 - extent), 300}));
    EXPECT_EQ(ScrollView::enclosingScrollView(f.document), &f.scroll);
    EXPECT_EQ(ScrollView::enclosingScrollView(&f.scroll), nullptr);
}

TEST(ScrollView, ADocumentWithYUpwardShowsItsBottomFirst) {
    Fixture f;
    EXPECT_EQ(f.scroll.documentVisibleRect(), Rect(0, 0, float(f.clipWidth), 300));
    EXPECT_EQ(f.scroll.verticalScroller()->value(), f.scroll.verticalScroller()->maximum());
    EXPECT_EQ(f.scroll.verticalScroller()->maximum(), 700);
    EXPECT_TRUE(isRed(f.shownAt(295)));
    EXPECT_FALSE(isRed(f.shownAt(280)));
}

TEST(ScrollView, AFlippedDocumentShowsItsTopFirst) {
    Fixture f(true);
    // Flipped, bounds y 0 is the top: the red band drawn at y 0..10 shows at the top.
    EXPECT_EQ(f.scroll.documentVisibleRect(), Rect(0, 0, float(f.clipWidth), 300));
    EXPECT_EQ(f.scroll.verticalScroller()->value(), 0);
    EXPECT_TRUE(isRed(f.shownAt(5)));
}

TEST(ScrollView, ScrollPointsAreConstrainedToTheDocument) {
    struct Case {
        Point proposed;
        Point expected;
    };
    const Case cases[] = {
        {{0, 5000}, {0, 700}}, {{-50, -50}, {0, 0}}, {{40, 250}, {0, 250}}, {{0, 700}, {0, 700}}};
    Fixture f;
    for (const Case& c : cases) {
        SCOPED_TRACE(stringFromPoint(c.proposed).toStdString());
        // Wider than the clip view by 300 − clip width, so x may move that far.
        const float maxX = 300.0f - float(f.clipWidth);
        const Point expected{std::min(std::max(c.proposed.x, 0.0f), maxX), c.expected.y};
        EXPECT_EQ(f.scroll.contentView()->constrainScrollPoint(c.proposed), expected);
        f.scroll.contentView()->scrollToPoint(c.proposed);
        EXPECT_EQ(f.scroll.documentVisibleRect().origin, expected);
        EXPECT_EQ(f.scroll.verticalScroller()->value(), int(700 - expected.y));
    }
    f.scroll.contentView()->scrollToPoint({0, 700});
    EXPECT_TRUE(isBlue(f.shownAt(5)));
    EXPECT_FALSE(isRed(f.shownAt(295)));
}

TEST(ScrollView, ScrollerAndWheelScrollTheClipView) {
    Fixture f;
    QSignalSpy moved(f.scroll.contentView(), &ClipView::boundsDidChange);
    f.scroll.verticalScroller()->setValue(100); // 100 below the top
    EXPECT_EQ(f.scroll.documentVisibleRect(), Rect(0, 600, float(f.clipWidth), 300));
    EXPECT_EQ(moved.count(), 1);

    // A wheel turned toward the user (one notch, three lines) scrolls down the page.
    f.scroll.setLineScroll(10);
    const QPointF at(10, 10);
    QWheelEvent wheel(at, f.scroll.mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&f.scroll, &wheel);
    EXPECT_TRUE(wheel.isAccepted());
    EXPECT_EQ(f.scroll.documentVisibleRect().origin, (Point{0, 570}));
    EXPECT_EQ(f.scroll.verticalScroller()->value(), 130);
}

TEST(ScrollView, EveryFrameChangeRunsTheHookWithTheNewClipSize) {
    Fixture f;
    QSignalSpy changed(&f.scroll, &ScrollView::frameDidChange);
    f.scroll.seen.clear();
    f.scroll.resize(302, 152);
    ASSERT_EQ(f.scroll.seen.size(), 1);
    EXPECT_EQ(f.scroll.seen.front(),
              (Size{float(300 - f.scroll.verticalScroller()->width()), 150}));
    EXPECT_EQ(changed.count(), 1);
    // The bottom stays in view and the scroller range follows the lower clip view.
    EXPECT_EQ(f.scroll.documentVisibleRect().minY(), 0);
    EXPECT_EQ(f.scroll.verticalScroller()->maximum(), 850);
}

TEST(ScrollView, DocumentFrameChangesKeepTheScrollPointWithinIt) {
    Fixture f;
    f.scroll.contentView()->scrollToPoint({0, 700});
    f.document->resize(300, 500);
    EXPECT_EQ(f.scroll.documentVisibleRect(), Rect(0, 200, float(f.clipWidth), 300));
    EXPECT_EQ(f.scroll.verticalScroller()->maximum(), 200);
    EXPECT_EQ(f.scroll.verticalScroller()->value(), 0);
    // Growing keeps the point (and so the bottom distance), as y runs upward.
    f.document->resize(300, 2000);
    EXPECT_EQ(f.scroll.documentVisibleRect().minY(), 200);
    EXPECT_EQ(f.scroll.verticalScroller()->value(), 1500);
}

TEST(ScrollView, ADocumentLowerThanTheClipViewSitsAtItsBottom) {
    Fixture f;
    f.document->resize(100, 100);
    EXPECT_EQ(f.scroll.documentVisibleRect(), Rect(0, 0, 100, 100));
    EXPECT_EQ(f.document->geometry(), QRect(0, 200, 100, 100));
    EXPECT_EQ(f.scroll.verticalScroller()->maximum(), 0);
    f.scroll.contentView()->scrollToPoint({0, 40});
    EXPECT_EQ(f.scroll.documentVisibleRect().origin, kZeroPoint);
}

TEST(ScrollView, AutoscrollFollowsAPointOutsideTheClipView) {
    Fixture f;
    ClipView* clip = f.scroll.contentView();
    clip->scrollToPoint({0, 700});
    EXPECT_FALSE(clip->autoscroll(clip->mapToGlobal(QPoint(20, 20))));
    EXPECT_TRUE(clip->autoscroll(clip->mapToGlobal(QPoint(20, 300 + 19))));
    EXPECT_EQ(f.scroll.documentVisibleRect().minY(), 680);
    EXPECT_EQ(f.scroll.verticalScroller()->value(), 20);
    EXPECT_TRUE(clip->autoscroll(clip->mapToGlobal(QPoint(20, -5))));
    EXPECT_EQ(f.scroll.documentVisibleRect().minY(), 685);
    // At the top nothing is left to scroll toward.
    clip->scrollToPoint({0, 700});
    EXPECT_FALSE(clip->autoscroll(clip->mapToGlobal(QPoint(20, -5))));
}

TEST(ScrollView, ScaledBoundsAreScrolledInBoundsUnits) {
    Fixture f;
    f.document->setBoundsSize({150, 500});
    ClipView* clip = f.scroll.contentView();
    clip->scrollToPoint({0, 1000});
    EXPECT_EQ(f.scroll.documentVisibleRect(), Rect(0, 350, float(f.clipWidth) / 2, 150));
    EXPECT_EQ(f.scroll.verticalScroller()->value(), 0);
    EXPECT_TRUE(isBlue(f.shownAt(5)));
}
