#include "shell/SplashPanel.h"
#include "platform/foundation/Resources.h"
#include "shell/SplashPanelController.h"
#include "shell/VQRollingView.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

TEST(VQRollingView, TheImageIsTheTextPlusTheViewAndTheCycleIsItsHeight) {
    QTemporaryDir share;
    QFile credits(share.filePath(QStringLiteral("Credits.html")));
    ASSERT_TRUE(credits.open(QIODevice::WriteOnly));
    QByteArray html;
    for (int line = 0; line < 12; ++line)
        html += "<p>Credit line " + QByteArray::number(line) + "</p>";
    credits.write(html);
    credits.close();
    Resources::setSharePathForTesting(share.path());
    VQRollingView view(QSize(200, 100));
    Resources::setSharePathForTesting(QString());

    EXPECT_TRUE(view.displayText().contains(QStringLiteral("Credit line 11")));
    const int full = static_cast<int>(view.textHeight() + 100);
    EXPECT_GT(view.textHeight(), 100);
    EXPECT_EQ(view.fullTextRect(), QRectF(0, 0, 200, full));
    EXPECT_EQ(view.fullTextImage().size(), QSize(200, full));
    // Starts wholly below the view.
    EXPECT_EQ(view.displayRect().y(), -full);

    view.roll();
    const QRectF afterOne = view.displayRect();
    EXPECT_EQ(afterOne.y(), -full + 1);
    for (int tick = 0; tick < full; ++tick) {
        view.roll();
        EXPECT_LE(view.displayRect().y(), 0);
    }
    EXPECT_EQ(view.displayRect(), afterOne);
    view.reset();
    EXPECT_EQ(view.displayRect().y(), -full);
}

TEST(VQRollingView, WithoutTheResourceTheFallbackTextScrolls) {
    QTemporaryDir empty;
    Resources::setSharePathForTesting(empty.path());
    VQRollingView view(QSize(200, 100));
    Resources::setSharePathForTesting(QString());
    EXPECT_TRUE(view.displayText().contains(QStringLiteral("VQRollingView")));
    EXPECT_TRUE(view.displayText().contains(QStringLiteral("ready for action!")));
    EXPECT_GT(view.textHeight(), 0);
    const double start = view.displayRect().y();
    view.roll();
    EXPECT_EQ(view.displayRect().y(), start + 1);
}

TEST(SplashPanelController, ShowingTwiceGrowsThePanelOnceAndRunsOneTimer) {
    SplashPanelController* controller = SplashPanelController::sharedInstance();
    controller->hidePanel();
    SplashPanel* panel = controller->panel();
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(panel->windowFlags() & Qt::WindowStaysOnTopHint);

    controller->showPanel();
    EXPECT_TRUE(panel->isVisible());
    const int height = panel->height();
    QTimer* timer = controller->rollingTimer();
    ASSERT_NE(timer, nullptr);
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 50);
    EXPECT_EQ(controller->accessoryView()->width(), panel->width());

    QTest::qWait(200);
    const double start = -controller->creditsView()->fullTextRect().height();
    EXPECT_GT(controller->creditsView()->displayRect().y(), start);

    controller->showPanel();
    EXPECT_EQ(panel->height(), height);
    EXPECT_EQ(controller->rollingTimer(), timer);
    EXPECT_EQ(controller->findChildren<QTimer*>().size(), 1);
    // The credits start again from the bottom.
    EXPECT_EQ(controller->creditsView()->displayRect().y(), start);

    // The picture alone: the credits area goes, once.
    controller->showPanelForTimeInterval(0.05);
    EXPECT_EQ(panel->height(), height - SplashPanelController::kCreditsHeight);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !panel->isVisible(); }, 1000));
    controller->showPanel();
    EXPECT_EQ(panel->height(), height);

    controller->hidePanel();
    EXPECT_FALSE(panel->isVisible());
    EXPECT_EQ(controller->rollingTimer(), nullptr);
}

} // namespace
