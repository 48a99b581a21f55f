#include "platform/ui/MainWindowTracker.h"
#include "platform/foundation/NotificationCenter.h"

#include <QApplication>
#include <QDialog>
#include <QMainWindow>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

QString str(const char* text) {
    return QString::fromLatin1(text);
}

// The main and key notices in the order they came, as "became main A".
struct NoticeLog {
    NoticeLog() {
        const std::pair<const char*, const char*> names[] = {
            {kWindowDidBecomeMainNotification, "became main"},
            {kWindowDidResignMainNotification, "resigned main"},
            {kWindowDidBecomeKeyNotification, "became key"},
            {kWindowDidResignKeyNotification, "resigned key"}};
        for (const auto& [name, label] : names)
            NotificationCenter::defaultCenter().addObserver(
                this, str(name), nullptr, [this, label = str(label)](const Notification& n) {
                    const auto* window = static_cast<const QObject*>(n.object());
                    entries << label + QLatin1Char(' ') +
                                   (window ? window->objectName() : QString());
                });
    }
    ~NoticeLog() { NotificationCenter::defaultCenter().removeObserver(this); }
    QStringList entries;
};

std::unique_ptr<QMainWindow> shownWindow(const char* name) {
    auto window = std::make_unique<QMainWindow>();
    window->setObjectName(str(name));
    window->resize(200, 100);
    window->show();
    return window;
}

void activate(QWidget* window) {
    QApplication::setActiveWindow(window);
    window->activateWindow();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

class MainWindowTrackerTest : public ::testing::Test {
protected:
    MainWindowTrackerTest() {
        // Windows of earlier cases are gone; start from a quiet tracker.
        QApplication::setActiveWindow(nullptr);
        QCoreApplication::processEvents();
        tracker.update();
    }
    MainWindowTracker& tracker = MainWindowTracker::sharedTracker();
};

} // namespace

TEST_F(MainWindowTrackerTest, DocumentWindowsBecomeMainAndKeyAndResignInTurn) {
    auto a = shownWindow("A");
    auto b = shownWindow("B");
    NoticeLog log;
    activate(a.get());
    EXPECT_EQ(tracker.mainWindow(), a.get());
    EXPECT_TRUE(tracker.isKeyWindow(a.get()));
    activate(b.get());
    EXPECT_EQ(tracker.mainWindow(), b.get());
    EXPECT_FALSE(tracker.isMainWindow(a.get()));
    EXPECT_EQ(log.entries,
              QStringList({str("became main A"), str("became key A"), str("resigned main A"),
                           str("became main B"), str("resigned key A"), str("became key B")}));
}

TEST_F(MainWindowTrackerTest, APaletteTakesTheKeyboardButLeavesTheMainWindow) {
    auto document = shownWindow("Document");
    activate(document.get());
    QWidget palette(nullptr, Qt::Tool);
    palette.setObjectName(str("Palette"));
    palette.show();
    NoticeLog log;
    activate(&palette);
    EXPECT_EQ(tracker.mainWindow(), document.get());
    EXPECT_EQ(tracker.keyWindow(), &palette);
    EXPECT_EQ(log.entries, QStringList({str("resigned key Document"), str("became key Palette")}));
}

TEST_F(MainWindowTrackerTest, AMainWindowThatHidesOrGoesAwayResigns) {
    auto a = shownWindow("A");
    activate(a.get());
    {
        NoticeLog log;
        a->hide();
        QCoreApplication::processEvents();
        tracker.update();
        EXPECT_EQ(tracker.mainWindow(), nullptr);
        EXPECT_TRUE(log.entries.contains(str("resigned main A")));
    }
    a->show();
    activate(a.get());
    ASSERT_EQ(tracker.mainWindow(), a.get());
    const void* address = a.get();
    int resigned = 0;
    NotificationCenter::defaultCenter().addObserver(
        this, str(kWindowDidResignMainNotification), address,
        [&resigned](const Notification&) { ++resigned; });
    a.reset();
    QCoreApplication::processEvents();
    NotificationCenter::defaultCenter().removeObserver(this);
    EXPECT_EQ(resigned, 1);
    EXPECT_EQ(tracker.mainWindow(), nullptr);
}

TEST(MainWindowTracker, OnlyShownPlainWindowsCanBeMain) {
    QMainWindow document;
    QDialog dialog;
    QWidget tool(nullptr, Qt::Tool);
    EXPECT_FALSE(MainWindowTracker::canBecomeMainWindow(&document)); // hidden
    document.show();
    dialog.show();
    tool.show();
    EXPECT_TRUE(MainWindowTracker::canBecomeMainWindow(&document));
    EXPECT_FALSE(MainWindowTracker::canBecomeMainWindow(&dialog));
    EXPECT_FALSE(MainWindowTracker::canBecomeMainWindow(&tool));
    EXPECT_FALSE(MainWindowTracker::canBecomeMainWindow(nullptr));
}
