#include "FakeEnvironment.h"
#include "platform/foundation/PreferenceIndex.h"
#include "platform/foundation/Resources.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/ui/ColorPanel.h"
#include "platform/ui/ModalAlert.h"
#include "shell/AppDelegate.h"
#include "shell/MainMenu.h"
#include "shell/NFVersionChecker.h"
#include "support/LocalHttpServer.h"

#include <QAction>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace {

// Counts the reachability questions of the short threads, in a counter that
// outlives the delegate (which owns the environment).
class CountingEnvironment : public FakeEnvironment {
public:
    std::optional<uint32_t> reachabilityFlags(const QString& host) override {
        asked->fetch_add(1);
        return FakeEnvironment::reachabilityFlags(host);
    }
    std::shared_ptr<std::atomic<int>> asked = std::make_shared<std::atomic<int>>(0);
};

class AppDelegateUpdatesTest : public ::testing::Test {
protected:
    AppDelegateUpdatesTest() : defaults(QDir::homePath() + QStringLiteral("/updates.defaults")) {
        for (const char* key : {kLastUpdateCheckKey, kLastExchangeCheckDateKey,
                                kLastExchangeIgnoreDateKey, "Ignore Version"})
            defaults.removeObjectForKey(QString::fromLatin1(key));
        auto made = std::make_unique<CountingEnvironment>();
        environment = made.get();
        asked = made->asked;
        delegate = std::make_unique<AppDelegate>(std::move(made), &defaults);
        previousHandler = ModalAlert::setResponder([this](const ModalAlert::Request& alert) {
            alerts << alert;
            return ModalAlert::OtherReturn;
        });
    }
    ~AppDelegateUpdatesTest() override {
        ModalAlert::setResponder(previousHandler);
        delegate.reset();
    }

    void setDate(const char* key, qint64 secondsAgo) {
        defaults.setObjectForKey(QDateTime::currentDateTimeUtc().addSecs(-secondsAgo),
                                 QString::fromLatin1(key));
    }
    // Waits for the short thread a scheduling step started to ask for the network.
    void waitForReachabilityQuestion(int count = 1) {
        QTRY_COMPARE_WITH_TIMEOUT(asked->load(), count, 5000);
    }
    QDateTime storedDate(const char* key) const {
        return defaults.objectForKey(QString::fromLatin1(key)).toDateTime();
    }

    UserDefaults defaults;
    CountingEnvironment* environment = nullptr;
    std::shared_ptr<std::atomic<int>> asked;
    std::unique_ptr<AppDelegate> delegate;
    ModalAlert::Responder previousHandler;
    QList<ModalAlert::Request> alerts;
};

constexpr qint64 kHour = 3600;
constexpr qint64 kDay = 24 * kHour;

} // namespace

TEST_F(AppDelegateUpdatesTest, TheUpdateCheckIsDueADayAfterTheLastOne) {
    setDate(kLastUpdateCheckKey, 23 * kHour);
    EXPECT_FALSE(delegate->autoUpdate());
    EXPECT_EQ(asked->load(), 0);

    setDate(kLastUpdateCheckKey, 25 * kHour);
    EXPECT_TRUE(delegate->autoUpdate());
    waitForReachabilityQuestion();
    QTRY_VERIFY_WITH_TIMEOUT(delegate->shouldAutoUpdate(), 5000);
}

TEST_F(AppDelegateUpdatesTest, WithoutANetworkTheCheckStaysDue) {
    environment->flags = 0;
    EXPECT_TRUE(delegate->autoUpdate()); // never checked before
    waitForReachabilityQuestion();
    delegate->heartbeat();
    EXPECT_FALSE(delegate->shouldAutoUpdate());
    EXPECT_FALSE(defaults.objectForKey(QString::fromLatin1(kLastUpdateCheckKey)).isValid());
    EXPECT_TRUE(delegate->autoUpdate());
}

TEST_F(AppDelegateUpdatesTest, TheExchangeCheckFollowsItsInterval) {
    struct Case {
        const char* name;
        int frequency;
        qint64 checkedAgo; // -1: no date
        qint64 ignoredAgo; // -1: no date
        bool due;
    };
    const Case cases[] = {
        {"WeeklySixDays", 1, 6 * kDay, -1, false},
        {"WeeklyEightDays", 1, 8 * kDay, -1, true},
        {"DailyTwentyThreeHours", 0, 23 * kHour, -1, false},
        {"DailyTwentyFiveHours", 0, 25 * kHour, -1, true},
        {"OtherValuesAreDaily", 5, 25 * kHour, -1, true},
        {"OtherValuesAreDailyNotYet", 5, 23 * kHour, -1, false},
        // A later ignore date is the base.
        {"IgnoredLater", 1, 10 * kDay, 6 * kDay, false},
        {"IgnoredLaterAndOld", 1, 10 * kDay, 8 * kDay, true},
        {"CheckedLaterThanIgnored", 1, 6 * kDay, 10 * kDay, false},
        {"NeverChecked", 1, -1, -1, true},
        {"OnlyIgnored", 0, -1, 2 * kHour, false},
    };
    int questions = 0;
    for (const Case& c : cases) {
        defaults.removeObjectForKey(QString::fromLatin1(kLastExchangeCheckDateKey));
        defaults.removeObjectForKey(QString::fromLatin1(kLastExchangeIgnoreDateKey));
        if (c.checkedAgo >= 0)
            setDate(kLastExchangeCheckDateKey, c.checkedAgo);
        if (c.ignoredAgo >= 0)
            setDate(kLastExchangeIgnoreDateKey, c.ignoredAgo);
        delegate->setPreferencesIntFor(c.frequency, PrefExchangeUpdateFrequency);
        EXPECT_EQ(delegate->autoExchangeUpdate(), c.due) << c.name;
        if (c.due)
            waitForReachabilityQuestion(++questions);
    }
    QTRY_VERIFY_WITH_TIMEOUT(delegate->shouldExchangeAutoUpdate(), 5000);
    delegate->heartbeat();
    EXPECT_FALSE(delegate->shouldExchangeAutoUpdate());
}

TEST_F(AppDelegateUpdatesTest, MonthlyMeansACalendarMonth) {
    delegate->setPreferencesIntFor(2, PrefExchangeUpdateFrequency);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    defaults.setObjectForKey(now.addMonths(-1).addSecs(kHour),
                             QString::fromLatin1(kLastExchangeCheckDateKey));
    EXPECT_FALSE(delegate->autoExchangeUpdate());
    defaults.setObjectForKey(now.addMonths(-1).addSecs(-kHour),
                             QString::fromLatin1(kLastExchangeCheckDateKey));
    EXPECT_TRUE(delegate->autoExchangeUpdate());
    waitForReachabilityQuestion();
}

TEST_F(AppDelegateUpdatesTest, TheBeatRunsTheCheckStoresTheDateAndShowsTheNotice) {
    LocalHttpServer server;
    LocalHttpServer::Reply reply;
    reply.body = "2.1.1;27;June 5, 2006;http://www.lumisk.org/Downloads/Lumisk.tgz\n";
    server.setReply("/VyxVersion.txt?launchVersion=26", reply);
    delegate->setVersionFileURL(QString::fromLatin1(server.url("/VyxVersion.txt")));

    ASSERT_TRUE(delegate->autoUpdate());
    QTRY_VERIFY_WITH_TIMEOUT(delegate->shouldAutoUpdate(), 5000);
    // Nothing is stored until the check runs.
    EXPECT_FALSE(storedDate(kLastUpdateCheckKey).isValid());

    QSignalSpy finished(NFVersionChecker::versionChecker(), &NFVersionChecker::checkFinished);
    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-1);
    delegate->heartbeat();
    EXPECT_FALSE(delegate->shouldAutoUpdate());
    EXPECT_GE(storedDate(kLastUpdateCheckKey), before);
    ASSERT_TRUE(finished.wait(10000));
    EXPECT_EQ(server.requestCount("/VyxVersion.txt?launchVersion=26"), 1);
    // The automatic check itself shows nothing; the next beat shows its notice.
    EXPECT_TRUE(alerts.isEmpty());
    delegate->heartbeat();
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_EQ(alerts[0].title, QStringLiteral("There is a new version of Lumisk available!"));
    EXPECT_EQ(alerts[0].message,
              QStringLiteral("Version 2.1.1 of Lumisk was released on June 5, 2006.\r"));
    // A day must pass before the next one.
    EXPECT_FALSE(delegate->autoUpdate());
}

TEST_F(AppDelegateUpdatesTest, ANoticeFromAnotherThreadShowsAtTheNextBeat) {
    std::thread([this] {
        delegate->signalUpdateMessage({{QStringLiteral("msg"), QStringLiteral("Release text")},
                                       {QStringLiteral("url"), QStringLiteral("http://a.b/c")},
                                       {QStringLiteral("build"), 31}});
    }).join();
    EXPECT_TRUE(alerts.isEmpty());
    delegate->heartbeat();
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_EQ(alerts[0].message, QStringLiteral("Release text"));
    EXPECT_EQ(NFVersionChecker::versionChecker()->downloadURL(), QStringLiteral("http://a.b/c"));
    EXPECT_EQ(NFVersionChecker::versionChecker()->newBuildNumber(), 31);
    delegate->heartbeat();
    EXPECT_EQ(alerts.size(), 1); // shown once
}

TEST_F(AppDelegateUpdatesTest, BeatsDuringAPanelWaitForIt) {
    const QVariantMap notice{{QStringLiteral("msg"), QStringLiteral("first")},
                             {QStringLiteral("url"), QStringLiteral("http://a.b/c")},
                             {QStringLiteral("build"), 31}};
    ModalAlert::setResponder([&](const ModalAlert::Request& alert) {
        alerts << alert;
        // The timer fires again while the panel is up.
        QVariantMap second = notice;
        second[QStringLiteral("msg")] = QStringLiteral("second");
        delegate->signalUpdateMessage(second);
        delegate->heartbeat();
        return ModalAlert::OtherReturn;
    });
    delegate->signalUpdateMessage(notice);
    delegate->heartbeat();
    ASSERT_EQ(alerts.size(), 1);
    ModalAlert::setResponder([&](const ModalAlert::Request& alert) {
        alerts << alert;
        return ModalAlert::OtherReturn;
    });
    delegate->heartbeat();
    ASSERT_EQ(alerts.size(), 2);
    EXPECT_EQ(alerts[1].message, QStringLiteral("second"));
}

TEST_F(AppDelegateUpdatesTest, TheFirstBeatLetsTheColorPanelShowOpacity) {
    ColorPanel::sharedColorPanel()->setShowsAlpha(false);
    delegate->heartbeat();
    EXPECT_TRUE(ColorPanel::sharedColorPanel()->showsAlpha());
    ColorPanel::sharedColorPanel()->setShowsAlpha(false);
    delegate->heartbeat();
    EXPECT_FALSE(ColorPanel::sharedColorPanel()->showsAlpha());
}

TEST_F(AppDelegateUpdatesTest, TheUserAskingChecksAtOnce) {
    LocalHttpServer server;
    LocalHttpServer::Reply reply;
    reply.body = "2.1;26;May 1, 2006;http://www.lumisk.org/a.tgz";
    server.setReply("/VyxVersion.txt?version=26", reply);
    delegate->setVersionFileURL(QString::fromLatin1(server.url("/VyxVersion.txt")));
    QSignalSpy finished(NFVersionChecker::versionChecker(), &NFVersionChecker::checkFinished);
    delegate->mainMenu()->checkForUpdatesItem()->trigger();
    ASSERT_TRUE(finished.wait(10000));
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_EQ(alerts[0].message,
              QStringLiteral("You currently have the most recent version of Lumisk."));
}

// Launch: the automatic checks by settings 50 and 40, and the colour panel.
class LaunchChecksTest : public AppDelegateUpdatesTest {
protected:
    LaunchChecksTest() { Resources::setSharePathForTesting(share.path()); }
    ~LaunchChecksTest() override { Resources::setSharePathForTesting(QString()); }
    void launch() {
        delegate->applicationWillFinishLaunching();
        delegate->applicationDidFinishLaunching();
    }
    QTemporaryDir share;
};

TEST_F(LaunchChecksTest, LaunchSchedulesTheChecksItIsAllowedTo) {
    delegate->initPreferences();
    delegate->setPreferencesBOOLFor(true, PrefCheckForApplicationUpdates);
    delegate->setPreferencesBOOLFor(false, PrefExchangeCheckForUpdates);
    launch();
    QTRY_VERIFY_WITH_TIMEOUT(delegate->shouldAutoUpdate(), 5000);
    EXPECT_EQ(asked->load(), 1);
    EXPECT_FALSE(delegate->shouldExchangeAutoUpdate());
}

TEST_F(LaunchChecksTest, NeitherCheckWhenBothAreOff) {
    delegate->initPreferences();
    delegate->setPreferencesBOOLFor(false, PrefCheckForApplicationUpdates);
    delegate->setPreferencesBOOLFor(false, PrefExchangeCheckForUpdates);
    launch();
    delegate.reset(); // waits for any short thread
    EXPECT_EQ(asked->load(), 0);
}

TEST_F(LaunchChecksTest, TheColorPanelIsPlacedOnceAndComesBackIfItWasOpen) {
    defaults.removeObjectForKey(QStringLiteral("_color_panel_inited"));
    defaults.setObjectForKey(QStringLiteral("YES"), QStringLiteral("_show_color_panel"));
    ColorPanel::sharedColorPanel()->close();
    launch();
    ColorPanel* panel = ColorPanel::sharedColorPanel();
    const QRect visible = environment->screen.toQRectF().toRect();
    const QRect frame = panel->frame();
    EXPECT_EQ(frame.right() + 1, visible.x() + visible.width() - 340);
    EXPECT_EQ(frame.top(), visible.y() + 2);
    EXPECT_EQ(defaults.objectForKey(QStringLiteral("_color_panel_inited")).toString(),
              QStringLiteral("YES"));
    EXPECT_TRUE(panel->isVisible());

    delegate->applicationWillTerminate();
    EXPECT_EQ(defaults.objectForKey(QStringLiteral("_show_color_panel")).toString(),
              QStringLiteral("YES"));
    panel->close();
    delegate->applicationWillTerminate();
    EXPECT_EQ(defaults.objectForKey(QStringLiteral("_show_color_panel")).toString(),
              QStringLiteral("NO"));
}
