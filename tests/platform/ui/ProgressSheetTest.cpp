#include "platform/ui/ProgressSheet.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

namespace {

// Queues a click on the widget as the window system hands one over: to the
// window, at a position, handled only when the event loop next looks.
void postClick(QWidget* widget) {
    QWidget* top = widget->window();
    const QPoint centre = widget->rect().center();
    const QPointF local = widget->mapTo(top, centre);
    const QPointF global = widget->mapToGlobal(centre);
    QWindow* window = top->windowHandle();
    ASSERT_TRUE(window);
    QCoreApplication::postEvent(window,
                                new QMouseEvent(QEvent::MouseButtonPress, local, global,
                                                Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
    QCoreApplication::postEvent(window,
                                new QMouseEvent(QEvent::MouseButtonRelease, local, global,
                                                Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
}

void postKey(QWidget* top, Qt::Key key) {
    QCoreApplication::postEvent(top->windowHandle(),
                                new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier));
    QCoreApplication::postEvent(top->windowHandle(),
                                new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier));
}

struct Catalog {
    Catalog() {
        window.resize(500, 400);
        behind->setGeometry(10, 10, 120, 30);
        QObject::connect(behind, &QPushButton::clicked, [this] { ++behindClicks; });
        window.show();
    }
    QWidget window;
    QPushButton* behind = new QPushButton(QStringLiteral("Behind"), &window);
    int behindClicks = 0;
};

} // namespace

TEST(ProgressSheet, AClickOnCancelWaitingInTheQueueStopsTheRunAfterTheCurrentItem) {
    Catalog catalog;
    ProgressSheet sheet(&catalog.window);
    sheet.begin(5);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&sheet));
    EXPECT_TRUE(sheet.isModal());
    EXPECT_EQ(sheet.parentWidget(), &catalog.window);

    int done = 0;
    for (int item = 0; item < 5; ++item) {
        sheet.setMessage(QStringLiteral("Item %1").arg(item + 1));
        if (sheet.pollCancel())
            break;
        if (item == 1)
            postClick(sheet.cancelButton()); // the user clicks while item 2 is written
        ++done;
        sheet.advance();
    }
    EXPECT_EQ(done, 2);
    EXPECT_TRUE(sheet.isCancelled());
    EXPECT_EQ(sheet.value(), 2);
    EXPECT_EQ(sheet.messageField()->text(), QStringLiteral("Item 3"));
}

TEST(ProgressSheet, APollDoesNotTakeAClickBeforeItLooks) {
    Catalog catalog;
    ProgressSheet sheet(&catalog.window);
    int signalled = 0;
    QObject::connect(&sheet, &ProgressSheet::cancelRequested, [&] { ++signalled; });
    sheet.begin(2);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&sheet));
    EXPECT_FALSE(sheet.pollCancel());

    postClick(sheet.cancelButton());
    EXPECT_FALSE(sheet.isCancelled());
    EXPECT_TRUE(sheet.pollCancel());
    EXPECT_EQ(signalled, 1);
    // It stays asked for until the sheet is begun again.
    EXPECT_TRUE(sheet.pollCancel());
    sheet.begin(2);
    EXPECT_FALSE(sheet.isCancelled());
    EXPECT_FALSE(sheet.pollCancel());
}

TEST(ProgressSheet, OtherInputIsNotCancelAndTheWindowBehindTakesNone) {
    Catalog catalog;
    ProgressSheet sheet(&catalog.window);
    sheet.begin(3);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&sheet));

    postClick(sheet.progressBar());
    postClick(sheet.messageField());
    postClick(catalog.behind);
    EXPECT_FALSE(sheet.pollCancel());
    EXPECT_EQ(catalog.behindClicks, 0);

    // Escape asks to cancel as the button does, and does not close the sheet.
    postKey(&sheet, Qt::Key_Escape);
    EXPECT_TRUE(sheet.pollCancel());
    EXPECT_TRUE(sheet.isVisible());
}

TEST(ProgressSheet, EndFillsTheBarAndClosesWithoutWaiting) {
    Catalog catalog;
    ProgressSheet sheet(&catalog.window);
    sheet.begin(4);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&sheet));
    sheet.advance();
    sheet.end();
    EXPECT_EQ(sheet.value(), 4);
    EXPECT_TRUE(sheet.isVisible());
    // Too late to cancel what has finished.
    postClick(sheet.cancelButton());
    EXPECT_FALSE(sheet.pollCancel());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !sheet.isVisible(); }, 5000));

    // Once closed, the window behind takes input again.
    postClick(catalog.behind);
    QCoreApplication::processEvents();
    EXPECT_EQ(catalog.behindClicks, 1);
}

TEST(ProgressSheet, ASheetBegunAgainBeforeItClosesStays) {
    Catalog catalog;
    ProgressSheet sheet(&catalog.window);
    sheet.begin(1);
    sheet.end();
    sheet.begin(3);
    QTest::qWait(ProgressSheet::kLingerMilliseconds + 200);
    EXPECT_TRUE(sheet.isVisible());
    EXPECT_EQ(sheet.value(), 0);
    EXPECT_EQ(sheet.maximum(), 3);
}
