#include "platform/documents/View.h"
#include "platform/ui/ClipView.h"
#include "platform/ui/RulerView.h"
#include "platform/ui/ScrollView.h"

#include <QCoreApplication>
#include <QPointer>
#include <QScrollBar>
#include <QStyle>
#include <gtest/gtest.h>

namespace {

class FlippedView : public View {
public:
    bool isFlipped() const override { return true; }
};

// A 400 by 300 scroll view with both scrollers, a bezel and a 1000 by 800 page.
struct Rig {
    Rig() {
        scroll.resize(400, 300);
        scroll.setBorderType(ScrollView::BorderType::BezelBorder);
        scroll.setHasHorizontalScroller(true);
        scroll.setHasVerticalScroller(true);
        page = new FlippedView;
        page->resize(1000, 800);
        scroll.setDocumentView(page);
    }
    ScrollView scroll;
    FlippedView* page;
};

} // namespace

TEST(ScrollViewRulers, RulersTakeTheirRoomFromTheClipView) {
    Rig rig;
    const Size before = rig.scroll.contentSize();
    rig.scroll.setHasHorizontalRuler(true);
    rig.scroll.setHasVerticalRuler(true);
    EXPECT_EQ(rig.scroll.contentSize(), before); // not shown yet
    RulerView* top = rig.scroll.horizontalRulerView();
    RulerView* left = rig.scroll.verticalRulerView();
    top->setReservedThicknessForMarkers(13);
    left->setReservedThicknessForMarkers(13);
    rig.scroll.setRulersVisible(true);
    EXPECT_TRUE(top->isVisibleTo(&rig.scroll));
    EXPECT_EQ(top->height(), top->requiredThickness());
    EXPECT_EQ(left->width(), left->requiredThickness());
    EXPECT_EQ(rig.scroll.contentSize().width, before.width - float(left->requiredThickness()));
    EXPECT_EQ(rig.scroll.contentSize().height, before.height - float(top->requiredThickness()));
    // The rulers run along the clip view's edges.
    const QRect clip = rig.scroll.contentView()->geometry();
    EXPECT_EQ(top->geometry().left(), clip.left());
    EXPECT_EQ(top->geometry().bottom() + 1, clip.top());
    EXPECT_EQ(left->geometry().right() + 1, clip.left());
    EXPECT_EQ(top->clientView(), rig.page);

    rig.scroll.setRulersVisible(false);
    EXPECT_EQ(rig.scroll.contentSize(), before);
}

TEST(ScrollViewRulers, RulersFollowScrollingAndScale) {
    Rig rig;
    rig.scroll.setHasHorizontalRuler(true);
    rig.scroll.setHasVerticalRuler(true);
    rig.scroll.setRulersVisible(true);
    RulerView* top = rig.scroll.horizontalRulerView();
    RulerView* left = rig.scroll.verticalRulerView();
    EXPECT_DOUBLE_EQ(top->rulerCoordinateForLocation(0), 0);
    rig.scroll.contentView()->scrollToPoint({100, 50});
    EXPECT_DOUBLE_EQ(top->rulerCoordinateForLocation(100), 0);
    EXPECT_DOUBLE_EQ(left->rulerCoordinateForLocation(50), 0);
    EXPECT_DOUBLE_EQ(left->rulerCoordinateForLocation(60), 10);

    // Twice the frame over the same bounds: a point is two pixels along the ruler.
    const Rect bounds = rig.page->bounds();
    rig.page->resize(2000, 1600);
    rig.page->setBoundsSize(bounds.size);
    rig.scroll.contentView()->scrollToPoint({0, 0});
    EXPECT_DOUBLE_EQ(top->rulerCoordinateForLocation(10) - top->rulerCoordinateForLocation(0), 20);
}

TEST(ScrollViewRulers, ARulerOfTheCallersMakingTakesThePlaceAndItsAccessoryTakesRoom) {
    class Fixed : public QWidget {
    public:
        QSize sizeHint() const override { return {60, 20}; }
    };
    Rig rig;
    rig.scroll.setHasHorizontalRuler(true);
    QPointer<RulerView> made = rig.scroll.horizontalRulerView();
    auto* own = new RulerView(RulerView::Orientation::Horizontal);
    rig.scroll.setHorizontalRulerView(own);
    EXPECT_TRUE(made.isNull());
    EXPECT_EQ(rig.scroll.horizontalRulerView(), own);
    EXPECT_EQ(own->parentWidget(), &rig.scroll);
    EXPECT_EQ(own->clientView(), rig.page);
    rig.scroll.setRulersVisible(true);
    rig.scroll.show();
    const int before = rig.scroll.contentView()->geometry().top();
    EXPECT_EQ(own->height(), own->requiredThickness());

    // The scroll view gives a deeper ruler its room as it asks.
    own->setAccessoryView(new Fixed);
    QCoreApplication::processEvents();
    EXPECT_EQ(own->height(), own->requiredThickness());
    EXPECT_EQ(rig.scroll.contentView()->geometry().top(), before + 20);
}
