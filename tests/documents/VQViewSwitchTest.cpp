#include "documents/VQViewSwitch.h"
#include "support/TestHome.h"
#include "support/TestHost.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QTest>
#include <gtest/gtest.h>

namespace {

struct RecordingDelegate : VQViewSwitchDelegate {
    void viewSwitchSelectionChanged(VQViewSwitch* sender) override {
        values.append(sender->value());
    }
    QList<int> values;
};

class VQViewSwitchTest : public ::testing::Test {
protected:
    void SetUp() override {
        view.resize(200, 22);
        view.setDelegate(&delegate);
    }
    TestHome home;
    TestHost host;
    VQViewSwitch view;
    RecordingDelegate delegate;
};

QFont elevenPoints() {
    QFont font = QApplication::font();
    font.setPointSizeF(11);
    return font;
}

} // namespace

TEST_F(VQViewSwitchTest, CellsAreAtLeastACapWideAndTheSwitchHoldsThemWithDividers) {
    view.addCell(QStringLiteral("i"));
    EXPECT_EQ(view.cellWidth(0), VQViewSwitch::kCapWidth);
    const QString title = QStringLiteral("Photograph and Layout");
    view.addCell(title);
    const int natural = int(QFontMetricsF(elevenPoints()).horizontalAdvance(title) + 8);
    EXPECT_EQ(view.cellWidth(1), std::max(natural, VQViewSwitch::kCapWidth));
    QImage icon(40, 16, QImage::Format_ARGB32_Premultiplied);
    view.addCell(QString(), icon);
    EXPECT_EQ(view.cellWidth(2), 40);
    EXPECT_EQ(view.width(), view.cellWidth(0) + view.cellWidth(1) + view.cellWidth(2) + 2);
    EXPECT_EQ(view.height(), 22);
    EXPECT_EQ(view.cellRect(1).x(), view.cellWidth(0) + 1);
    EXPECT_EQ(view.cellRect(2).x(), view.cellWidth(0) + view.cellWidth(1) + 2);
}

TEST_F(VQViewSwitchTest, CapImagesAreShippedUnderTheirNames) {
    view.addCell(QStringLiteral("A"));
    view.setValue(0);
    // Every image the switch draws with is loaded; a missing one draws nothing.
    const QImage rendered = view.grab().toImage();
    EXPECT_FALSE(rendered.isNull());
    EXPECT_NE(rendered.pixel(VQViewSwitch::kCapWidth / 2, 1),
              rendered.pixel(VQViewSwitch::kCapWidth / 2, 20));
}

TEST_F(VQViewSwitchTest, ValuesReachTheDelegateOnlyWhenTheyChange) {
    view.addCell(QStringLiteral("A"));
    view.addCell(QStringLiteral("B"));
    EXPECT_EQ(view.value(), -1);
    view.setValue(1);
    view.setValue(1);
    view.setValue(0);
    EXPECT_EQ(delegate.values, (QList<int>{1, 0}));
}

TEST_F(VQViewSwitchTest, ClicksChooseTheCellReleasedOn) {
    view.addCell(QStringLiteral("A"));
    view.addCell(QStringLiteral("B"));
    view.show();
    const QPoint second = view.cellRect(1).center();
    struct Case {
        const char* name;
        QPoint press, release;
        QList<int> told;
    } cases[] = {
        {"click on a cell", second, second, {1}},
        {"released outside the pressed cell", second, view.cellRect(0).center(), {}},
        {"press on the divider", QPoint(view.cellWidth(0), 5), QPoint(view.cellWidth(0), 5), {}},
        {"press beyond the last cell",
         QPoint(view.width() + 5, 5),
         QPoint(view.width() + 5, 5),
         {}},
    };
    for (const Case& c : cases) {
        view.setDelegate(nullptr);
        view.setValue(0);
        view.setDelegate(&delegate);
        delegate.values.clear();
        QTest::mousePress(&view, Qt::LeftButton, {}, c.press);
        QTest::mouseMove(&view, c.release);
        QTest::mouseRelease(&view, Qt::LeftButton, {}, c.release);
        EXPECT_EQ(delegate.values, c.told) << c.name;
        EXPECT_EQ(view.hilightedCell(), -1) << c.name;
    }
}

TEST_F(VQViewSwitchTest, AHiddenSwitchTakesNoClicks) {
    view.addCell(QStringLiteral("A"));
    view.addCell(QStringLiteral("B"));
    view.show();
    view.setSwitchVisible(false);
    QTest::mouseClick(&view, Qt::LeftButton, {}, view.cellRect(1).center());
    EXPECT_EQ(view.value(), -1);
    EXPECT_TRUE(delegate.values.isEmpty());
}

TEST_F(VQViewSwitchTest, TheSelectedCellOfAnInactiveWindowIsDrawnPressed) {
    view.addCell(QStringLiteral("A"));
    view.addCell(QStringLiteral("B"));
    view.setValue(0);
    ASSERT_FALSE(view.isActiveWindow());
    EXPECT_EQ(view.imagesForCell(0), VQViewSwitch::CellImages::Pressed);
    EXPECT_EQ(view.imagesForCell(1), VQViewSwitch::CellImages::Plain);
    QWidget palette(nullptr, Qt::Tool);
    VQViewSwitch inPalette(&palette);
    inPalette.addCell(QStringLiteral("A"));
    inPalette.setValue(0);
    EXPECT_EQ(inPalette.imagesForCell(0), VQViewSwitch::CellImages::Selected);
}
