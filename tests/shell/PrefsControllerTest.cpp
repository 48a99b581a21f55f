#include "platform/foundation/Resources.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/ui/ModalAlert.h"
#include "shell/SS_PrefsController.h"
#include "support/TestHost.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMainWindow>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <gtest/gtest.h>

namespace {

// A search path holding links to the named test plug-ins, each in its own bundle folder.
class PaneFolder {
public:
    explicit PaneFolder(const QStringList& names) {
        for (const QString& name : names) {
            const QString bundle = _dir.filePath(name + QStringLiteral(".preferencePane"));
            QDir().mkpath(bundle);
            QFile::link(QStringLiteral(TEST_PANES_DIR "/%1.so").arg(name),
                        bundle + QStringLiteral("/%1.so").arg(name));
        }
    }
    QString path() const { return _dir.path(); }

private:
    QTemporaryDir _dir;
};

class PrefsController : public ::testing::Test {
protected:
    void SetUp() override {
        UserDefaults::standardUserDefaults().removeObjectForKey(
            SS_PrefsController::lastPaneDefaultsKey());
    }

    int alerts = 0;
    QStringList alertTexts;
    ModalAlert::ScopedResponder responder{[this](const ModalAlert::Request& request) {
        ++alerts;
        alertTexts << request.title + QStringLiteral(": ") + request.message;
        return int(ModalAlert::DefaultReturn);
    }};
};

QSize contentSize(const SS_PrefsController& controller) {
    return controller.preferencesWindow()->centralWidget()->size();
}

TEST_F(PrefsController, OnePaneShowsNoToolbarAndKeepsTheTitle) {
    PaneFolder folder({QStringLiteral("AlphaPane")});
    SS_PrefsController controller(folder.path());
    controller.setPanesOrder({QStringLiteral("test.alpha")});
    controller.showPreferencesWindow();

    QMainWindow* window = controller.preferencesWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Preferences"));
    EXPECT_FALSE(controller.preferencesToolbar()->isVisible());
    EXPECT_EQ(controller.PrefsToolbarHeight(), 0.0f);
    EXPECT_EQ(window->centralWidget()->objectName(), QStringLiteral("AlphaPaneView"));
    EXPECT_EQ(contentSize(controller), QSize(300, 150));
    EXPECT_EQ(alerts, 0);
}

TEST_F(PrefsController, AlwaysShowsToolbarGivesTheToolbarAndThePaneLabel) {
    PaneFolder folder({QStringLiteral("AlphaPane")});
    SS_PrefsController controller(folder.path());
    controller.setPanesOrder({QStringLiteral("test.alpha")});
    controller.setAlwaysShowsToolbar(true);
    controller.showPreferencesWindow();

    EXPECT_TRUE(controller.preferencesToolbar()->isVisible());
    EXPECT_EQ(controller.preferencesWindow()->windowTitle(), QStringLiteral("Alpha"));
    EXPECT_EQ(controller.toolbarItem(QStringLiteral("test.alpha"))->toolTip(),
              QStringLiteral("Alpha tip"));
    EXPECT_EQ(contentSize(controller), QSize(300, 150));
}

TEST_F(PrefsController, TwoPanesSwitchThroughTheToolbarKeepingTheTopEdge) {
    PaneFolder folder({QStringLiteral("AlphaPane"), QStringLiteral("BetaPane")});
    SS_PrefsController controller(folder.path());
    controller.setPanesOrder({QStringLiteral("test.alpha"), QStringLiteral("test.beta")});
    controller.showPreferencesWindow();
    QMainWindow* window = controller.preferencesWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));

    QToolBar* toolbar = controller.preferencesToolbar();
    EXPECT_TRUE(toolbar->isVisible());
    ASSERT_EQ(toolbar->actions().size(), 2);
    EXPECT_EQ(toolbar->actions()[0]->text(), QStringLiteral("Alpha"));
    EXPECT_EQ(toolbar->actions()[1]->text(), QStringLiteral("BetaBundle"));
    EXPECT_TRUE(toolbar->actions()[1]->toolTip().isEmpty() ||
                toolbar->actions()[1]->toolTip() == QStringLiteral("BetaBundle"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Alpha"));
    EXPECT_GT(controller.PrefsToolbarHeight(), 0.0f);
    EXPECT_EQ(contentSize(controller), QSize(300, 150));
    // A fixed pane: the window can't be resized.
    EXPECT_EQ(window->minimumSize(), window->maximumSize());

    const int top = window->geometry().top();
    toolbar->actions()[1]->trigger();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("BetaBundle"));
    EXPECT_EQ(window->centralWidget()->objectName(), QStringLiteral("BetaPaneView"));
    EXPECT_EQ(contentSize(controller), QSize(420, 260));
    EXPECT_EQ(window->geometry().top(), top);
    EXPECT_EQ(window->maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
    EXPECT_EQ(window->minimumSize(), window->geometry().size());

    toolbar->actions()[0]->trigger();
    EXPECT_EQ(contentSize(controller), QSize(300, 150));
    EXPECT_EQ(window->geometry().top(), top);
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
}

TEST_F(PrefsController, SkipsBrokenBundlesAndPanesMissingFromTheOrder) {
    PaneFolder folder({QStringLiteral("AlphaPane"), QStringLiteral("DuplicatePane"),
                       QStringLiteral("NoIdentifierPane"), QStringLiteral("NullViewPane")});
    SS_PrefsController controller(folder.path());
    EXPECT_EQ(controller.loadedPanes(),
              QStringList({QStringLiteral("test.alpha"), QStringLiteral("test.nullview")}));

    controller.setPanesOrder({QStringLiteral("test.general"), QStringLiteral("test.nullview"),
                              QStringLiteral("test.alpha")});
    EXPECT_EQ(controller.panesOrder(),
              QStringList({QStringLiteral("test.nullview"), QStringLiteral("test.alpha")}));

    // The pane without a view is passed over for the next in order.
    controller.showPreferencesWindow();
    ASSERT_NE(controller.preferencesWindow(), nullptr);
    EXPECT_EQ(controller.preferencesWindow()->centralWidget()->objectName(),
              QStringLiteral("AlphaPaneView"));
    EXPECT_FALSE(controller.loadPrefsPaneNamed(QStringLiteral("test.nullview"), true));
    EXPECT_FALSE(controller.loadPrefsPaneNamed(QStringLiteral("test.general"), true));
}

TEST_F(PrefsController, ANewControllerOpensOnTheLastPaneShownOrTheFirstThatLoads) {
    {
        PaneFolder folder(
            {QStringLiteral("AlphaPane"), QStringLiteral("BetaPane"), QStringLiteral("GammaPane")});
        SS_PrefsController controller(folder.path());
        controller.setPanesOrder({QStringLiteral("test.alpha"), QStringLiteral("test.beta"),
                                  QStringLiteral("test.gamma")});
        controller.showPreferencesWindow();
        EXPECT_TRUE(controller.loadPreferencePaneNamed(QStringLiteral("test.beta")));
    }
    {
        PaneFolder folder(
            {QStringLiteral("AlphaPane"), QStringLiteral("BetaPane"), QStringLiteral("GammaPane")});
        SS_PrefsController controller(folder.path());
        controller.setPanesOrder({QStringLiteral("test.alpha"), QStringLiteral("test.beta"),
                                  QStringLiteral("test.gamma")});
        controller.showPreferencesWindow();
        EXPECT_EQ(controller.preferencesWindow()->centralWidget()->objectName(),
                  QStringLiteral("BetaPaneView"));
        EXPECT_EQ(contentSize(controller), QSize(420, 260));
    }
    {
        // Beta is gone; the view-less pane first in order can't be shown either.
        PaneFolder folder({QStringLiteral("NullViewPane"), QStringLiteral("GammaPane")});
        SS_PrefsController controller(folder.path());
        controller.setPanesOrder({QStringLiteral("test.nullview"), QStringLiteral("test.beta"),
                                  QStringLiteral("test.gamma")});
        controller.showPreferencesWindow();
        EXPECT_EQ(controller.preferencesWindow()->centralWidget()->objectName(),
                  QStringLiteral("GammaPaneView"));
        EXPECT_EQ(contentSize(controller), QSize(200, 320));
    }
    EXPECT_EQ(alerts, 0);
}

TEST_F(PrefsController, NothingLoadableGivesTheAlertAndNoWindow) {
    PaneFolder folder({QStringLiteral("NullViewPane"), QStringLiteral("NoIdentifierPane")});
    SS_PrefsController controller(folder.path());
    controller.setPanesOrder({QStringLiteral("test.nullview")});
    controller.showPreferencesWindow();
    EXPECT_EQ(controller.preferencesWindow(), nullptr);
    ASSERT_EQ(alerts, 1);
    EXPECT_TRUE(alertTexts[0].startsWith(
        QStringLiteral("Preferences: Preferences are not available for ")));

    const int beeps = ModalAlert::beepCount();
    EXPECT_FALSE(controller.loadPrefsPaneNamed(QStringLiteral("test.nullview"), true));
    EXPECT_EQ(ModalAlert::beepCount(), beeps + 1);
}

TEST_F(PrefsController, ASecondShowReusesTheWindowWithoutReloadingThePane) {
    PaneFolder folder({QStringLiteral("AlphaPane"), QStringLiteral("BetaPane")});
    SS_PrefsController controller(folder.path());
    controller.setPanesOrder({QStringLiteral("test.alpha"), QStringLiteral("test.beta")});
    controller.showPreferencesWindow();
    QMainWindow* window = controller.preferencesWindow();
    QWidget* view = window->centralWidget();
    window->close();

    controller.showPreferencesWindow();
    EXPECT_EQ(controller.preferencesWindow(), window);
    EXPECT_EQ(window->centralWidget(), view);
    EXPECT_TRUE(window->isVisible());
}

TEST_F(PrefsController, DestroyedWindowIsMadeAgain) {
    PaneFolder folder({QStringLiteral("AlphaPane")});
    SS_PrefsController controller(folder.path());
    controller.setPanesOrder({QStringLiteral("test.alpha")});
    controller.showPreferencesWindow();
    controller.destroyPreferencesWindow();
    EXPECT_EQ(controller.preferencesWindow(), nullptr);
    controller.showPreferencesWindow();
    ASSERT_NE(controller.preferencesWindow(), nullptr);
    EXPECT_EQ(contentSize(controller), QSize(300, 150));
}

} // namespace

namespace {

TEST_F(PrefsController, TheRealPanesLoadFromTheBuildTreeAndShowInTheWindow) {
    TestHost host;
    SS_PrefsController controller;
    controller.setPanesOrder({QStringLiteral("com.varnsoft.preference.general.halverin"),
                              QStringLiteral("com.varnsoft.preference.catalog.halverin"),
                              QStringLiteral("com.varnsoft.preference.template.halverin")});
    ASSERT_EQ(controller.panesOrder().size(), 2);
    controller.showPreferencesWindow();
    QMainWindow* window = controller.preferencesWindow();
    ASSERT_NE(window, nullptr);

    QToolBar* toolbar = controller.preferencesToolbar();
    ASSERT_EQ(toolbar->actions().size(), 2);
    EXPECT_EQ(toolbar->actions()[0]->text(), QStringLiteral("Catalogs"));
    EXPECT_EQ(toolbar->actions()[0]->toolTip(),
              QStringLiteral("Defaults for catalog windows and photos"));
    EXPECT_EQ(toolbar->actions()[1]->toolTip(), QStringLiteral("Defaults for new templates"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Catalogs"));
    EXPECT_EQ(window->centralWidget()->objectName(), QStringLiteral("CatalogPreferencePaneView"));

    toolbar->actions()[1]->trigger();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Templates"));
    QWidget* view = window->centralWidget();
    EXPECT_EQ(view->objectName(), QStringLiteral("TemplatePreferencePaneView"));
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    EXPECT_EQ(alerts, 0);
}

} // namespace
