#include "FakeEnvironment.h"
#include "framework/editor/GeometryController.h"
#include "framework/editor/InspectorController.h"
#include "framework/editor/ToolPaletteController.h"
#include "framework/inspectors/VQGradientFillPanel.h"
#include "library/TemplateManagerWindowController.h"
#include "photoview/PhotoInfoWindowController.h"
#include "photoview/PixelAdjusterController.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/PreferenceIndex.h"
#include "platform/foundation/PropertyList.h"
#include "platform/foundation/Resources.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/ui/ModalAlert.h"
#include "shell/AppDelegate.h"
#include "support/TestHome.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>
#include <vector>

namespace {

QString home(const QString& relative) {
    return QDir::homePath() + QLatin1Char('/') + relative;
}

void writeFile(const QString& path, const QByteArray& contents) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(contents);
}

// A delegate whose main window and catalog windows the test provides.
class TestDelegate : public AppDelegate {
public:
    TestDelegate(UserDefaults* defaults)
        : AppDelegate(std::make_unique<FakeEnvironment>(), defaults) {}

    QWidget* window = nullptr;
    bool windowShowsCatalog = true;
    QStringList received;

protected:
    QWidget* mainWindow() const override { return window; }
    bool receivePathInWindow(QWidget* target, const QString& path) override {
        EXPECT_EQ(target, window);
        received << path;
        return windowShowsCatalog;
    }
};

// The shared palettes as a new process has them: none wanted.
void closeSharedPalettes() {
    PixelAdjusterController::sharedPixelAdjusterController()->close();
    PhotoInfoWindowController::sharedPhotoInfoController()->close();
    TemplateManagerWindowController::sharedTemplateManagerController()->close();
    InspectorController::sharedInspectorController()->close();
    GeometryController::sharedGeometryController()->close();
    ToolPaletteController::sharedToolPaletteController()->close();
    VQGradientFillPanel::sharedGradientFillPanelController()->close();
}

// The template manager window sets itself up before it first shows: whether it
// shows once that is done (waiting a bounded time).
bool templateManagerShows() {
    QWidget* window = TemplateManagerWindowController::sharedTemplateManagerController()->window();
    QDeadlineTimer deadline(10000);
    while (!window->isVisible() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return window->isVisible();
}

// A fresh account (HOME of its own), a fixture share folder and a defaults file.
class AppDelegateLaunchTest : public ::testing::Test {
protected:
    AppDelegateLaunchTest() : defaults(home(QStringLiteral("defaults.plist"))) {
        closeSharedPalettes();
        Resources::setSharePathForTesting(share.path());
        writeFile(share.filePath(QStringLiteral("Templates/Wedding.vyxTemplate")), "wedding");
        writeFile(share.filePath(QStringLiteral("Masks/Heart.jpg")), "heart");
        writeFile(share.filePath(QStringLiteral("Mail Bridges/Mail.txt")), "bridge");
        writeFile(share.filePath(QStringLiteral("Scripts/Backup.scpt")), "script");
        writeFile(share.filePath(QStringLiteral("Open in Lumisk.sh")), "#!/bin/sh\n");
        folderA = home(QStringLiteral("Pictures/A"));
        folderB = home(QStringLiteral("Pictures/B"));
        QDir().mkpath(folderA);
        QDir().mkpath(folderB);
        delegate = std::make_unique<TestDelegate>(&defaults);
    }
    ~AppDelegateLaunchTest() override {
        delegate.reset();
        Resources::setSharePathForTesting(QString());
    }

    void launch() {
        delegate->applicationWillFinishLaunching();
        delegate->applicationDidFinishLaunching();
    }
    QVariant stored(const char* key) const {
        return defaults.objectForKey(QString::fromLatin1(key));
    }

    TestHome account;
    QTemporaryDir share;
    UserDefaults defaults;
    std::unique_ptr<TestDelegate> delegate;
    QString folderA, folderB;
    QWidget catalogWindow;
};

} // namespace

TEST_F(AppDelegateLaunchTest, LaunchPreparesAFreshAccount) {
    const QVariantMap cache{{QStringLiteral("Wedding"), QStringLiteral("cached")}};
    defaults.setObjectForKey(cache, QStringLiteral("VyxTemplateCache"));

    delegate->applicationWillFinishLaunching();
    const QString user = home(QStringLiteral(".local/share/Lumisk"));
    EXPECT_EQ(QFileInfo(user + QStringLiteral("/Templates/Wedding.vyxTemplate")).size(), 7);
    EXPECT_TRUE(QFileInfo::exists(user + QStringLiteral("/Masks/Heart.jpg")));
    EXPECT_TRUE(QFileInfo::exists(user + QStringLiteral("/Mail Bridges/Mail.txt")));
    EXPECT_EQ(
        PropertyList::readFromFile(user + QStringLiteral("/Templates/TemplateInfoCache.plist")),
        QVariant(cache));
    EXPECT_FALSE(stored("VyxTemplateCache").isValid());
    // The settings are brought up to date before anything reads them.
    EXPECT_TRUE(defaults.objectForKey(QStringLiteral("prefPreferencesInitializedkey")).isValid());
    // Scripts wait for launch to complete.
    EXPECT_FALSE(QFileInfo::exists(user + QStringLiteral("/Scripts")));
    EXPECT_FALSE(delegate->launchComplete());
    EXPECT_FALSE(delegate->waitCursorMonitor().isRunning());

    delegate->applicationDidFinishLaunching();
    EXPECT_TRUE(delegate->launchComplete());
    EXPECT_EQ(QFileInfo(user + QStringLiteral("/Scripts/Backup.scpt")).size(), 6);
    EXPECT_TRUE(
        QFileInfo::exists(user + QStringLiteral("/Image Capture Scripts/Open in Lumisk.sh")));
    EXPECT_TRUE(delegate->waitCursorMonitor().isRunning());
    EXPECT_TRUE(delegate->waitCursorMonitor().isSuspended());
    ASSERT_NE(delegate->heartbeatTimer(), nullptr);
    EXPECT_TRUE(delegate->heartbeatTimer()->isActive());
    EXPECT_EQ(delegate->heartbeatTimer()->interval(), 5000);
    EXPECT_FALSE(delegate->heartbeatTimer()->isSingleShot());
}

TEST_F(AppDelegateLaunchTest, TwoFoldersBeforeLaunchOpenOnlyTheSecond) {
    delegate->applicationWillFinishLaunching();
    EXPECT_FALSE(delegate->applicationOpenFile(folderA));
    EXPECT_FALSE(delegate->applicationOpenFile(folderB));
    EXPECT_EQ(delegate->pendingFolder(), folderB);
    EXPECT_TRUE(delegate->received.isEmpty());

    delegate->window = &catalogWindow;
    delegate->applicationDidFinishLaunching();
    EXPECT_EQ(delegate->received, QStringList(folderB));
    EXPECT_TRUE(delegate->pendingFolder().isEmpty());
}

TEST_F(AppDelegateLaunchTest, AFolderWithAWindowAtHandArrivesOnce) {
    delegate->window = &catalogWindow;
    delegate->applicationWillFinishLaunching();
    EXPECT_TRUE(delegate->applicationOpenFile(folderA));
    EXPECT_EQ(delegate->received, QStringList(folderA));
    delegate->applicationDidFinishLaunching();
    EXPECT_EQ(delegate->received, QStringList(folderA));
}

TEST_F(AppDelegateLaunchTest, OnlyFoldersAreAccepted) {
    const QString file = home(QStringLiteral("Pictures/photo.jpg"));
    writeFile(file, "jpeg");
    delegate->window = &catalogWindow;
    launch();

    EXPECT_FALSE(delegate->applicationOpenFile(file));
    EXPECT_FALSE(delegate->applicationOpenFile(home(QStringLiteral("Pictures/none"))));
    EXPECT_TRUE(delegate->received.isEmpty());
    // After launch a folder goes to the window at once.
    EXPECT_TRUE(delegate->applicationOpenFile(folderA));
    EXPECT_EQ(delegate->received, QStringList(folderA));
    // A window that shows no catalog refuses it.
    delegate->windowShowsCatalog = false;
    EXPECT_FALSE(delegate->applicationOpenFile(folderB));
    // Without any window (and no catalog windows to make) nothing takes it.
    delegate->window = nullptr;
    delegate->received.clear();
    EXPECT_FALSE(delegate->applicationOpenFile(folderA));
    EXPECT_TRUE(delegate->received.isEmpty());
    EXPECT_TRUE(delegate->pendingFolder().isEmpty());
}

TEST_F(AppDelegateLaunchTest, AFileBeforeLaunchIsNotHeldBack) {
    const QString file = home(QStringLiteral("Pictures/photo.jpg"));
    writeFile(file, "jpeg");
    delegate->applicationWillFinishLaunching();
    EXPECT_FALSE(delegate->applicationOpenFile(folderA));
    EXPECT_FALSE(delegate->applicationOpenFile(file));
    EXPECT_EQ(delegate->pendingFolder(), folderA);
}

TEST_F(AppDelegateLaunchTest, UntitledAndReopenAnswers) {
    for (bool setting : {true, false}) {
        delegate->setPreferencesBOOLFor(setting, PrefAppNewDocumentOnActivate);
        EXPECT_EQ(delegate->applicationShouldOpenUntitledFile(), setting);
        EXPECT_TRUE(delegate->applicationShouldHandleReopenHasVisibleWindows(true));
        EXPECT_EQ(delegate->applicationShouldHandleReopenHasVisibleWindows(false), setting);
    }
}

TEST_F(AppDelegateLaunchTest, QuitStoresThePalettesAndEnds) {
    launch();
    PixelAdjusterController* enhancer = PixelAdjusterController::sharedPixelAdjusterController();
    TemplateManagerWindowController* manager =
        TemplateManagerWindowController::sharedTemplateManagerController();
    enhancer->activate();
    delegate->showTemplateManager();
    ASSERT_TRUE(templateManagerShows());
    InspectorController::sharedInspectorController()->close();
    VQGradientFillPanel::sharedGradientFillPanelController()->activate();

    delegate->applicationWillTerminate();

    const auto text = [this](const char* key) { return stored(key).toString().toStdString(); };
    EXPECT_EQ(text("_show_enhancer"), "YES");
    EXPECT_EQ(text("_show_info"), "NO");
    EXPECT_EQ(text("_show_templateManager"), "YES");
    EXPECT_EQ(text("_show_inspector"), "NO");
    EXPECT_EQ(text("_show_geometry"), "YES");
    EXPECT_EQ(text("_show_gradient"), "YES");
    EXPECT_EQ(text("_show_color_panel"), "NO");
    // Values are texts, not flags.
    EXPECT_EQ(stored("_show_enhancer").typeId(), QMetaType::QString);

    EXPECT_FALSE(enhancer->isActivated());
    EXPECT_FALSE(manager->window()->isVisible());
    EXPECT_TRUE(VQGradientFillPanel::sharedGradientFillPanelController()->isActivated());
    EXPECT_FALSE(delegate->waitCursorMonitor().isRunning());
    EXPECT_FALSE(delegate->heartbeatTimer()->isActive());

    // Written through to the file.
    defaults.synchronize();
    UserDefaults reread(defaults.filePath());
    EXPECT_EQ(reread.objectForKey(QStringLiteral("_show_templateManager")).toString(),
              QStringLiteral("YES"));
}

TEST_F(AppDelegateLaunchTest, ResetPalettesPostsTheResetNotification) {
    int posts = 0;
    const void* sender = &posts;
    NotificationCenter::defaultCenter().addObserver(&posts, QStringLiteral("ResetAllPalettes"),
                                                    nullptr, [&](const Notification& n) {
                                                        ++posts;
                                                        sender = n.object();
                                                    });
    delegate->resetPalettes();
    NotificationCenter::defaultCenter().removeObserver(&posts);
    EXPECT_EQ(posts, 1);
    EXPECT_EQ(sender, nullptr);
}

TEST_F(AppDelegateLaunchTest, ApplicationMainRunsTheWholeLife) {
    delegate->window = &catalogWindow;
    QTimer::singleShot(50, qApp, [] { QCoreApplication::quit(); });
    const QString file = home(QStringLiteral("Pictures/photo.jpg"));
    writeFile(file, "jpeg");

    EXPECT_EQ(delegate->applicationMain({folderA, file}), 0);

    EXPECT_TRUE(delegate->launchComplete());
    EXPECT_EQ(delegate->received, QStringList(folderA));
    // The ordered end ran as the loop ended.
    EXPECT_FALSE(delegate->waitCursorMonitor().isRunning());
    EXPECT_EQ(stored("_show_inspector").toString(), QStringLiteral("YES"));
}

TEST_F(AppDelegateLaunchTest, ADamagedSettingsFileIsReportedOnceAtLaunch) {
    delegate.reset();
    const QString dir = home(QStringLiteral("damaged settings"));
    const QString path = dir + QStringLiteral("/Lumisk.plist");
    const QByteArray damage = "<?xml version=\"1.0\"?>\n<plist version=\"1.0\">\n<dict>\n"
                              "\t<key>prefSendPassword</key>\n\t<data>c2Vj";
    writeFile(path, damage);
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                    QFileDevice::ReadGroup | QFileDevice::ReadOther);
    std::vector<ModalAlert::Request> alerts;
    ModalAlert::ScopedResponder responder([&](const ModalAlert::Request& alert) {
        alerts.push_back(alert);
        return int(ModalAlert::DefaultReturn);
    });

    // Two starts of the application over the same settings file.
    for (int start = 1; start <= 2; ++start) {
        SCOPED_TRACE(start);
        UserDefaults settings(path);
        TestDelegate application(&settings);
        QTimer::singleShot(50, qApp, [] { QCoreApplication::quit(); });
        EXPECT_EQ(application.applicationMain({}), 0);
        EXPECT_EQ(alerts.size(), 1u);
    }

    const QStringList copies =
        QDir(dir).entryList({QStringLiteral("Lumisk.plist.damaged-*")}, QDir::Files);
    ASSERT_EQ(copies.size(), 1);
    const QString copy = dir + QLatin1Char('/') + copies.first();
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_FALSE(alerts[0].title.isEmpty());
    EXPECT_TRUE(alerts[0].message.contains(copy)) << alerts[0].message.toStdString();
    EXPECT_TRUE(alerts[0].alternateButton.isEmpty());
    const QFileDevice::Permissions modeBits =
        QFile::permissions(copy) &
        ~QFileDevice::Permissions(QFileDevice::ReadUser | QFileDevice::WriteUser |
                                  QFileDevice::ExeUser);
    EXPECT_EQ(modeBits, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QFile kept(copy);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), damage);
    // The settings file itself is written anew, readable by the owner alone.
    EXPECT_TRUE(QFileInfo(path).isFile());
    EXPECT_EQ(QFile::permissions(path) & (QFileDevice::ReadGroup | QFileDevice::ReadOther),
              QFileDevice::Permissions());
}

// Palette memory at launch: which keys open which palettes. Settings of an older
// level are brought up first, and level 130 asks for the template manager once.
struct PaletteKeys {
    const char* name;
    int settingsLevel;
    std::vector<std::pair<const char*, const char*>> keys;
    bool enhancer, info, manager, inspector, geometry, gradient;
};

void PrintTo(const PaletteKeys& keys, std::ostream* os) {
    *os << keys.name;
}

class PaletteMemoryTest : public AppDelegateLaunchTest,
                          public ::testing::WithParamInterface<PaletteKeys> {};

TEST_P(PaletteMemoryTest, LaunchShowsRememberedPalettes) {
    const PaletteKeys& c = GetParam();
    defaults.setIntegerForKey(c.settingsLevel, QStringLiteral("prefPreferencesInitializedkey"));
    for (const auto& [key, value] : c.keys)
        defaults.setObjectForKey(QString::fromLatin1(value), QString::fromLatin1(key));

    launch();

    EXPECT_EQ(PixelAdjusterController::sharedPixelAdjusterController()->isActivated(), c.enhancer);
    EXPECT_EQ(PhotoInfoWindowController::sharedPhotoInfoController()->isActivated(), c.info);
    EXPECT_EQ(c.manager ? templateManagerShows()
                        : TemplateManagerWindowController::sharedTemplateManagerController()
                              ->window()
                              ->isVisible(),
              c.manager);
    EXPECT_TRUE(ToolPaletteController::sharedToolPaletteController()->isActivated());
    EXPECT_EQ(InspectorController::sharedInspectorController()->isActivated(), c.inspector);
    EXPECT_EQ(GeometryController::sharedGeometryController()->isActivated(), c.geometry);
    EXPECT_EQ(VQGradientFillPanel::sharedGradientFillPanelController()->isActivated(), c.gradient);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, PaletteMemoryTest,
    ::testing::Values(PaletteKeys{"FirstLaunch", 0, {}, false, false, true, true, true, false},
                      PaletteKeys{"NothingStored", 144, {}, false, false, false, true, true, false},
                      PaletteKeys{"InspectorAndGeometryNO",
                                  144,
                                  {{"_show_inspector", "NO"}, {"_show_geometry", "NO"}},
                                  false,
                                  false,
                                  false,
                                  false,
                                  false,
                                  false},
                      PaletteKeys{"AllYES",
                                  144,
                                  {{"_show_enhancer", "YES"},
                                   {"_show_info", "YES"},
                                   {"_show_templateManager", "YES"},
                                   {"_show_inspector", "YES"},
                                   {"_show_geometry", "YES"},
                                   {"_show_gradient", "YES"}},
                                  true,
                                  true,
                                  true,
                                  true,
                                  true,
                                  true},
                      PaletteKeys{"AllNO",
                                  144,
                                  {{"_show_enhancer", "NO"},
                                   {"_show_info", "NO"},
                                   {"_show_templateManager", "NO"},
                                   {"_show_gradient", "NO"}},
                                  false,
                                  false,
                                  false,
                                  true,
                                  true,
                                  false}),
    [](const ::testing::TestParamInfo<PaletteKeys>& info) { return std::string(info.param.name); });

namespace {

// A window with unsaved work whose owner says "Cancel" while `refuse` is set.
class RefusingWindow : public QWidget {
public:
    bool refuse = true;

protected:
    void closeEvent(QCloseEvent* event) override {
        if (refuse)
            event->ignore();
        else
            QWidget::closeEvent(event);
    }
};

} // namespace

// Qt closes the windows as quitting begins, before the loop ends: what was open
// when the user quit is what opens at the next launch.
TEST_F(AppDelegateLaunchTest, PalettesOpenWhenTheLoopQuitsAreStoredAsOpen) {
    closeSharedPalettes();
    defaults.setIntegerForKey(144, QStringLiteral("prefPreferencesInitializedkey"));
    defaults.setObjectForKey(QStringLiteral("NO"), QStringLiteral("_show_templateManager"));
    defaults.setObjectForKey(QStringLiteral("YES"), QStringLiteral("_show_enhancer"));
    defaults.setObjectForKey(QStringLiteral("NO"), QStringLiteral("_show_info"));
    defaults.setObjectForKey(QStringLiteral("YES"), QStringLiteral("_show_gradient"));
    defaults.setObjectForKey(QStringLiteral("YES"), QStringLiteral("_show_inspector"));
    defaults.setObjectForKey(QStringLiteral("NO"), QStringLiteral("_show_geometry"));
    TemplateManagerWindowController* manager =
        TemplateManagerWindowController::sharedTemplateManagerController();
    QWidget* managerWindow = manager->window();
    bool shownAtQuit = false;
    QTimer::singleShot(50, qApp, [&] {
        // The user opens the template manager and closes the gradient panel, then quits.
        delegate->showTemplateManager();
        VQGradientFillPanel::sharedGradientFillPanelController()->close();
        shownAtQuit = templateManagerShows();
        QCoreApplication::quit();
    });

    EXPECT_EQ(delegate->applicationMain({}), 0);

    ASSERT_TRUE(shownAtQuit);
    EXPECT_FALSE(managerWindow->isVisible());
    const auto text = [this](const char* key) { return stored(key).toString().toStdString(); };
    EXPECT_EQ(text("_show_templateManager"), "YES");
    EXPECT_EQ(text("_show_enhancer"), "YES");
    EXPECT_EQ(text("_show_info"), "NO");
    EXPECT_EQ(text("_show_gradient"), "NO");
    EXPECT_EQ(text("_show_inspector"), "YES");
    EXPECT_EQ(text("_show_geometry"), "NO");

    // The next launch opens it again.
    delegate = std::make_unique<TestDelegate>(&defaults);
    launch();
    EXPECT_TRUE(templateManagerShows());
    EXPECT_TRUE(PixelAdjusterController::sharedPixelAdjusterController()->isActivated());
    EXPECT_FALSE(VQGradientFillPanel::sharedGradientFillPanelController()->isActivated());
}

// A quit that a window cancels leaves the application running, and the palettes it
// saw are not what the application ends with.
TEST_F(AppDelegateLaunchTest, ACancelledQuitDoesNotDecideThePaletteMemory) {
    closeSharedPalettes();
    defaults.setIntegerForKey(144, QStringLiteral("prefPreferencesInitializedkey"));
    defaults.setObjectForKey(QStringLiteral("YES"), QStringLiteral("_show_templateManager"));
    TemplateManagerWindowController* manager =
        TemplateManagerWindowController::sharedTemplateManagerController();
    RefusingWindow unsaved;
    bool shownAtQuit = false;
    bool runningAfterCancel = false;
    QTimer::singleShot(50, qApp, [&] {
        unsaved.show();
        shownAtQuit = templateManagerShows();
        QCoreApplication::quit();
        runningAfterCancel = unsaved.isVisible();
        // The user closes the template manager; the application then ends
        // without asking the windows.
        manager->close();
        QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
    });

    EXPECT_EQ(delegate->applicationMain({}), 0);

    EXPECT_TRUE(shownAtQuit);
    EXPECT_TRUE(runningAfterCancel);
    EXPECT_EQ(stored("_show_templateManager").toString(), QStringLiteral("NO"));
}
