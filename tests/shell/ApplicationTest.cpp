// Runs under the application object itself, so that exceptions reach its
// event-loop handling; hence a main of its own.
#include "shell/Application.h"
#include "FakeEnvironment.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/system/Workspace.h"
#include "platform/ui/ModalAlert.h"
#include "shell/AppDelegate.h"
#include "shell/MainMenu.h"
#include "shell/SS_PrefsController.h"
#include "shell/SplashPanel.h"
#include "shell/SplashPanelController.h"
#include "support/TestHome.h"

#include <QAction>
#include <QDir>
#include <QMainWindow>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

class ProgramErrorAlert : public ::testing::Test {
protected:
    QList<ModalAlert::Request> alerts;
    std::function<void()> whileAlertIsUp;
    ModalAlert::ScopedResponder responder{[this](const ModalAlert::Request& request) {
        alerts << request;
        if (whileAlertIsUp)
            whileAlertIsUp();
        return int(ModalAlert::DefaultReturn);
    }};
};

// Runs the event loop until `done` or a second has passed.
void runLoopUntil(const bool& done) {
    EXPECT_TRUE(QTest::qWaitFor([&] { return done; }, 1000));
}

TEST_F(ProgramErrorAlert, AnExceptionInASlotBeepsShowsTheAlertAndTheLoopGoesOn) {
    const int beeps = ModalAlert::beepCount();
    bool after = false;
    QTimer::singleShot(0, qApp,
                       [] { Exception::raise(QStringLiteral("Alpha"), QStringLiteral("Beta")); });
    QTimer::singleShot(0, qApp, [&] { after = true; });
    runLoopUntil(after);

    EXPECT_TRUE(after);
    EXPECT_EQ(ModalAlert::beepCount(), beeps + 1);
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_EQ(alerts[0].title, QStringLiteral("A Program Error Occurred!"));
    EXPECT_EQ(alerts[0].defaultButton, QStringLiteral("OK"));
    EXPECT_TRUE(alerts[0].message.startsWith(
        QStringLiteral("This may or may not be serious, but you may want to save your work")));
    EXPECT_TRUE(alerts[0].message.endsWith(QStringLiteral(".\n\nAlpha Beta\n")))
        << alerts[0].message.toStdString();
}

TEST_F(ProgramErrorAlert, AStandardExceptionIsReportedWithItsText) {
    bool after = false;
    QTimer::singleShot(0, qApp, [] { throw std::runtime_error("disk on fire"); });
    QTimer::singleShot(0, qApp, [&] { after = true; });
    runLoopUntil(after);
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_TRUE(alerts[0].message.endsWith(QStringLiteral("disk on fire\n")));
}

TEST_F(ProgramErrorAlert, ExceptionsWhileTheAlertIsUpOpenNoSecondAlert) {
    // Events handled while the alert waits raise again, as repainting would.
    whileAlertIsUp = [] {
        for (int i = 0; i < 3; ++i)
            QTimer::singleShot(0, qApp, [] {
                Exception::raise(QStringLiteral("Paint"), QStringLiteral("again"));
            });
        QTest::qWait(20);
    };
    bool after = false;
    QTimer::singleShot(0, qApp,
                       [] { Exception::raise(QStringLiteral("Paint"), QStringLiteral("first")); });
    QTimer::singleShot(50, qApp, [&] { after = true; });
    runLoopUntil(after);
    EXPECT_TRUE(after);
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_TRUE(alerts[0].message.endsWith(QStringLiteral("Paint first\n")));

    // Once it is answered, the next exception is reported again.
    whileAlertIsUp = nullptr;
    after = false;
    QTimer::singleShot(0, qApp,
                       [] { Exception::raise(QStringLiteral("Later"), QStringLiteral("one")); });
    QTimer::singleShot(0, qApp, [&] { after = true; });
    runLoopUntil(after);
    EXPECT_EQ(alerts.size(), 2);
}

class RecordingWorkspace : public Workspace {
public:
    bool openURL(const QUrl& url) override {
        opened << url;
        return true;
    }
    QList<QUrl> opened;
};

class MenuActions : public ::testing::Test {
protected:
    MenuActions() { Workspace::setSharedWorkspace(&workspace); }
    ~MenuActions() override { Workspace::setSharedWorkspace(nullptr); }

    QTemporaryDir folder;
    UserDefaults defaults{folder.filePath(QStringLiteral("defaults.plist"))};
    AppDelegate delegate{std::make_unique<FakeEnvironment>(), &defaults};
    RecordingWorkspace workspace;
    int alerts = 0;
    ModalAlert::ScopedResponder responder{[this](const ModalAlert::Request&) {
        ++alerts;
        return int(ModalAlert::DefaultReturn);
    }};
};

TEST_F(MenuActions, TheWebItemsOpenTheirPagesThroughTheWorkspace) {
    delegate.openTechSupport();
    delegate.openComment();
    delegate.openVarnWeb();
    delegate.openTips();
    ASSERT_EQ(workspace.opened.size(), 4);
    for (const QUrl& url : workspace.opened) {
        EXPECT_TRUE(url.isValid());
        EXPECT_EQ(url.scheme(), QStringLiteral("https"));
    }
    EXPECT_EQ(workspace.opened[0].toString(), QStringLiteral("https://www.lumisk.org/support/"));
    EXPECT_EQ(workspace.opened[3].toString(), QStringLiteral("https://www.lumisk.org/tips/"));
}

TEST_F(MenuActions, ThePreferencesItemMakesOneControllerAndShowsOneWindow) {
    EXPECT_EQ(delegate.preferenceWindowController(), nullptr);
    delegate.mainMenu()->preferencesItem()->trigger();
    SS_PrefsController* controller = delegate.preferenceWindowController();
    ASSERT_NE(controller, nullptr);
    QMainWindow* window = controller->preferencesWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(alerts, 0);

    window->close();
    delegate.showPreferences();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(delegate.preferenceWindowController(), controller);
    EXPECT_EQ(controller->preferencesWindow(), window);
}

TEST_F(MenuActions, TheAboutItemShowsTheSplashPanelOnceTheApplicationIsActive) {
    delegate.applicationDidBecomeActive();
    delegate.mainMenu()->aboutItem()->trigger();
    SplashPanelController* splash = SplashPanelController::sharedInstance();
    EXPECT_TRUE(splash->panel()->isVisible());
    splash->hidePanel();
}

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    QTemporaryDir home(QDir::tempPath() + QStringLiteral("/lumisk-test-XXXXXX"));
    if (!home.isValid() || !useHomeFolder(home.path()))
        return 2;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);

    Application app(argc, argv);
    Application::setApplicationName(QStringLiteral("Lumisk"));
    Application::setOrganizationName(QStringLiteral("Lumisk"));
    return RUN_ALL_TESTS();
}
