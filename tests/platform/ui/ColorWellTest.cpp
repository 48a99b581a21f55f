#include "platform/ui/ColorWell.h"
#include "platform/ui/ColorPanel.h"

#include <QColorDialog>
#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

class ColorWellTest : public ::testing::Test {
protected:
    ~ColorWellTest() override {
        if (ColorWell* active = ColorWell::activeWell())
            active->deactivate();
        ColorPanel::sharedColorPanel()->close();
    }
    ColorPanel* panel() { return ColorPanel::sharedColorPanel(); }
};

TEST_F(ColorWellTest, AClickedWellTakesThePanelsColoursUntilAnotherIsClicked) {
    ColorWell first;
    ColorWell second;
    first.setColor(Qt::red);
    QSignalSpy firstChosen(&first, &ColorWell::colorChosen);
    QSignalSpy secondChosen(&second, &ColorWell::colorChosen);

    first.click();
    EXPECT_TRUE(first.isActive());
    EXPECT_EQ(ColorWell::activeWell(), &first);
    EXPECT_TRUE(panel()->isVisible());
    // The panel starts from the well's colour, which reports nothing.
    EXPECT_EQ(panel()->color(), QColor(Qt::red));
    EXPECT_EQ(firstChosen.count(), 0);
    panel()->setColor(Qt::blue);
    EXPECT_EQ(first.color(), QColor(Qt::blue));
    ASSERT_EQ(firstChosen.count(), 1);

    second.click();
    EXPECT_FALSE(first.isActive());
    EXPECT_TRUE(second.isActive());
    panel()->setColor(Qt::green);
    EXPECT_EQ(first.color(), QColor(Qt::blue));
    EXPECT_EQ(second.color(), QColor(Qt::green));
    EXPECT_EQ(firstChosen.count(), 1);
    EXPECT_EQ(secondChosen.count(), 1);

    // Clicked again, or disabled, a well lets the panel go.
    second.click();
    EXPECT_FALSE(second.isActive());
    EXPECT_EQ(ColorWell::activeWell(), nullptr);
    first.click();
    first.setEnabled(false);
    EXPECT_FALSE(first.isActive());
    panel()->setColor(Qt::yellow);
    EXPECT_EQ(first.color(), QColor(Qt::blue));
}

TEST_F(ColorWellTest, AWellThatGoesAwayWhileActiveLeavesNoneActive) {
    {
        ColorWell well;
        well.activate();
        EXPECT_EQ(ColorWell::activeWell(), &well);
    }
    EXPECT_EQ(ColorWell::activeWell(), nullptr);
    panel()->setColor(Qt::cyan);
}

} // namespace
