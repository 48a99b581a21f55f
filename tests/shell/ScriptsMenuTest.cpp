#include "FakeEnvironment.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/system/Workspace.h"
#include "platform/ui/ModalAlert.h"
#include "shell/AppDelegate.h"
#include "shell/MainMenu.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <mutex>
#include <stdexcept>

namespace {

class RecordingWorkspace : public Workspace {
public:
    bool launchApplication(const QString& path) override {
        std::lock_guard<std::mutex> locked(mutex);
        launched << path;
        return true;
    }
    bool openURL(const QUrl&) override { return false; }
    QStringList launchedPaths() {
        std::lock_guard<std::mutex> locked(mutex);
        return launched;
    }

private:
    std::mutex mutex;
    QStringList launched;
};

// A delegate whose main window the test provides.
class TestDelegate : public AppDelegate {
public:
    explicit TestDelegate(UserDefaults* defaults)
        : AppDelegate(std::make_unique<FakeEnvironment>(), defaults) {}
    QWidget* window = nullptr;

protected:
    QWidget* mainWindow() const override { return window; }
};

// The command menus (File, Edit, View, Format) stand after the application menu.
QStringList withCommandMenus(QStringList titles) {
    for (const char* title : {"Tools", "Guides", "Polygon", "Align", "Arrange", "Format", "Layout",
                              "Photos", "View", "Edit", "File"})
        titles.insert(1, QString::fromLatin1(title));
    return titles;
}

QStringList titles(const QList<QAction*>& actions) {
    QStringList list;
    for (const QAction* action : actions)
        list << action->text();
    return list;
}

QStringList titles(const QList<QMenu*>& menus) {
    QStringList list;
    for (const QMenu* menu : menus)
        list << menu->title();
    return list;
}

class ScriptsMenuTest : public ::testing::Test {
protected:
    ScriptsMenuTest()
        : folder(QDir::homePath() + QStringLiteral("/.local/share/Lumisk/Scripts")),
          defaults(QDir::homePath() + QStringLiteral("/scripts.defaults")), delegate(&defaults) {
        QDir(folder).removeRecursively();
        Workspace::setSharedWorkspace(&workspace);
        previousHandler = ModalAlert::setResponder([this](const ModalAlert::Request& alert) {
            alerts << alert;
            return ModalAlert::DefaultReturn;
        });
    }
    ~ScriptsMenuTest() override {
        ModalAlert::setResponder(previousHandler);
        Workspace::setSharedWorkspace(nullptr);
        QDir(folder).removeRecursively();
    }

    QString write(const QString& name, const QByteArray& contents = "#!/bin/sh\nexit 0\n",
                  bool executable = true) {
        const QString path = folder + QLatin1Char('/') + name;
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(contents);
        file.close();
        if (executable)
            file.setPermissions(file.permissions() | QFile::ExeOwner);
        return path;
    }
    // The example folder: two levels of folders, an empty one, and files that
    // are not run.
    void writeExampleFolder() {
        write(QStringLiteral("A.scpt"), "exit 0\n", false);
        write(QStringLiteral("Tools/B.app"));
        write(QStringLiteral("Tools/Deeper/C.scpt"), "exit 0\n", false);
        write(QStringLiteral("Tools/Z.scpt"), "#!/bin/sh\nsleep 0.3\nexit 3\n", false);
        write(QStringLiteral("Tools/Readme.txt"), "read me", false);
        write(QStringLiteral(".Hidden.scpt"));
        QDir().mkpath(folder + QStringLiteral("/Empty"));
        write(QStringLiteral("Only Notes/Notes.txt"), "notes", false);
    }
    QMenu* scriptsMenu() const {
        return delegate.mainMenu()->menuWithTitle(QStringLiteral("Scripts"));
    }
    // Fails the test when there is no such item.
    QAction* item(QMenu* menu, const QString& title) const {
        if (menu)
            for (QAction* action : menu->actions())
                if (action->text() == title)
                    return action;
        throw std::runtime_error("no menu item " + title.toStdString());
    }

    QString folder;
    UserDefaults defaults;
    TestDelegate delegate;
    RecordingWorkspace workspace;
    ModalAlert::Responder previousHandler;
    QList<ModalAlert::Request> alerts;
};

} // namespace

TEST_F(ScriptsMenuTest, TheMenuFollowsTheScriptsFolder) {
    writeExampleFolder();
    delegate.applicationDidBecomeActive();
    EXPECT_EQ(titles(delegate.mainMenu()->menus()),
              QStringList(withCommandMenus({QStringLiteral("Lumisk"), QStringLiteral("Scripts"),
                                            QStringLiteral("Window")})));
    QMenu* root = scriptsMenu();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(titles(root->actions()), QStringList({QStringLiteral("A"), QStringLiteral("Tools"),
                                                    QStringLiteral("Deeper")}));
    EXPECT_EQ(root->actions()[0]->menu(), nullptr);
    ASSERT_NE(root->actions()[1]->menu(), nullptr);
    ASSERT_NE(root->actions()[2]->menu(), nullptr);
    EXPECT_EQ(titles(root->actions()[1]->menu()->actions()),
              QStringList({QStringLiteral("B"), QStringLiteral("Z")}));
    EXPECT_EQ(titles(root->actions()[2]->menu()->actions()), QStringList(QStringLiteral("C")));
    for (QAction* action : root->actions())
        EXPECT_TRUE(action->isEnabled());
}

TEST_F(ScriptsMenuTest, EveryActivationBuildsTheMenuAgain) {
    write(QStringLiteral("A.scpt"), "exit 0\n", false);
    delegate.applicationDidBecomeActive();
    write(QStringLiteral("B.scpt"), "exit 0\n", false);
    delegate.applicationDidBecomeActive();
    EXPECT_EQ(titles(delegate.mainMenu()->menus()).count(QStringLiteral("Scripts")), 1);
    EXPECT_EQ(titles(scriptsMenu()->actions()),
              QStringList({QStringLiteral("A"), QStringLiteral("B")}));

    // No folder, no menu.
    QDir(folder).removeRecursively();
    delegate.applicationDidBecomeActive();
    EXPECT_EQ(scriptsMenu(), nullptr);
    EXPECT_EQ(titles(delegate.mainMenu()->menus()),
              withCommandMenus({QStringLiteral("Lumisk"), QStringLiteral("Window")}));
}

TEST_F(ScriptsMenuTest, MainWindowsShowTheMenu) {
    QMainWindow window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(titles(window.menuBar()->actions()),
              withCommandMenus({QStringLiteral("Lumisk"), QStringLiteral("Window")}));
    write(QStringLiteral("A.scpt"), "exit 0\n", false);
    delegate.applicationDidBecomeActive();
    EXPECT_EQ(titles(window.menuBar()->actions()),
              QStringList(withCommandMenus({QStringLiteral("Lumisk"), QStringLiteral("Scripts"),
                                            QStringLiteral("Window")})));
}

TEST_F(ScriptsMenuTest, AFailingScriptIsReportedWhileTheApplicationRunsOn) {
    writeExampleFolder();
    QMainWindow main;
    QWidget other;
    main.show();
    other.show();
    other.activateWindow();
    QTRY_COMPARE_WITH_TIMEOUT(QApplication::activeWindow(), &other, 2000);
    delegate.window = &main;
    delegate.applicationDidBecomeActive();
    QAction* failing =
        item(item(scriptsMenu(), QStringLiteral("Tools"))->menu(), QStringLiteral("Z"));
    ASSERT_NE(failing, nullptr);

    int ticks = 0;
    QTimer ticker;
    ticker.callOnTimeout([&] { ++ticks; });
    ticker.start(20);
    QElapsedTimer clock;
    clock.start();
    failing->trigger();
    EXPECT_LT(clock.elapsed(), 250); // the menu doesn't wait for the script
    QTRY_COMPARE_WITH_TIMEOUT(alerts.size(), 1, 10000);
    EXPECT_GT(ticks, 5);
    EXPECT_EQ(alerts[0].title, QStringLiteral("The Script Failed"));
    EXPECT_EQ(alerts[0].message, QStringLiteral("The script ended with error 3.\r") + folder +
                                     QStringLiteral("/Tools/Z.scpt"));
    EXPECT_EQ(alerts[0].defaultButton, QStringLiteral("OK"));
    QTRY_COMPARE_WITH_TIMEOUT(QApplication::activeWindow(), &main, 2000);
}

TEST_F(ScriptsMenuTest, ASucceedingScriptOrApplicationShowsNothing) {
    writeExampleFolder();
    QMainWindow main;
    main.show();
    delegate.window = &main;
    delegate.applicationDidBecomeActive();
    const QString marker = folder + QStringLiteral("/ran.txt");
    write(QStringLiteral("Mark.scpt"), "touch ran.txt\n", false);
    delegate.applicationDidBecomeActive();
    item(scriptsMenu(), QStringLiteral("Mark"))->trigger();
    item(item(scriptsMenu(), QStringLiteral("Deeper"))->menu(), QStringLiteral("C"))->trigger();
    item(item(scriptsMenu(), QStringLiteral("Tools"))->menu(), QStringLiteral("B"))->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(marker), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(workspace.launchedPaths(),
                              QStringList(folder + QStringLiteral("/Tools/B.app")), 10000);
    QTest::qWait(200); // results arrive through the event loop
    EXPECT_TRUE(alerts.isEmpty());
}
