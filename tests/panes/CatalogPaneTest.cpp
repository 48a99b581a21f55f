#include "PaneTestSupport.h"
#include "platform/documents/Document.h"
#include "platform/documents/WindowController.h"
#include "platform/foundation/PreferenceIndex.h"
#include "platform/foundation/UserDefaults.h"
#include "support/TestHost.h"

#include <QCheckBox>
#include <QDockWidget>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <gtest/gtest.h>

// Stands in for the catalog document: the pane knows it by its class name.
class RoduvudeDadevizi : public Document {
    Q_OBJECT
};

namespace {

const char* const kEnhancementKeys[] = {"default_brightness", "default_saturation",
                                        "default_contrast", "default_sharpness",
                                        "default_live_preview"};

class CatalogPane : public ::testing::Test {
protected:
    CatalogPane() {
        for (const char* name : kEnhancementKeys)
            defaults().removeObjectForKey(QString::fromLatin1(name));
        host.settings[PrefDocumentWindowWidth] = 700;
        host.settings[PrefDocumentWindowHeight] = 600;
        host.settings[PrefDocumentDrawerWidth] = 250;
        host.settings[PrefDocumentDrawerOpen] = true;
        host.settings[PrefRememberWindowSizeAndPos] = false;
        host.settings[PrefSimplifiedPrinting] = false;
        host.settings[PrefLayoutArrangementMode] = 1;
        host.settings[PrefLayoutScaleMode] = 0;
    }
    ~CatalogPane() override {
        for (const char* name : kEnhancementKeys)
            defaults().removeObjectForKey(QString::fromLatin1(name));
    }
    static UserDefaults& defaults() { return UserDefaults::standardUserDefaults(); }
    static QVariant stored(const char* name) {
        return defaults().objectForKey(QString::fromLatin1(name));
    }

    QLineEdit* field(const char* name) { return control<QLineEdit>(*pane, name); }
    QSlider* slider(const char* name) { return control<QSlider>(*pane, name); }
    QPushButton* button(const char* name) { return control<QPushButton>(*pane, name); }
    void type(QLineEdit* target, const QString& text) {
        target->clear();
        QTest::keyClicks(target, text);
        QTest::keyClick(target, Qt::Key_Return);
    }

    TestHost host;
    std::unique_ptr<SS_PreferencePaneProtocol> pane = loadPane(QStringLiteral("CatalogPane"));
};

TEST_F(CatalogPane, ShowsTheStoredSettings) {
    ASSERT_NE(pane, nullptr);
    EXPECT_EQ(pane->paneToolTip(), QStringLiteral("Defaults for catalog windows and photos"));
    EXPECT_EQ(pane->mainView(), pane->mainView());
    EXPECT_EQ(field("_windowWidthField")->text(), QStringLiteral("700"));
    EXPECT_EQ(field("_windowHeightField")->text(), QStringLiteral("600"));
    EXPECT_EQ(field("_windowDrawerWidthField")->text(), QStringLiteral("250"));
    EXPECT_TRUE(control<QCheckBox>(*pane, "_showDrawerOnOpenSwitch")->isChecked());
    EXPECT_FALSE(control<QCheckBox>(*pane, "_rememberSizeAndPosSwitch")->isChecked());
    EXPECT_TRUE(control<QAbstractButton>(*pane, "_arrangementMatrixCell1")->isChecked());
    EXPECT_TRUE(control<QAbstractButton>(*pane, "_scalingMatrixCell0")->isChecked());
}

TEST_F(CatalogPane, ASmallWidthIsRaisedAndRestoreStoresTheFactoryValues) {
    ASSERT_NE(pane, nullptr);
    type(field("_windowWidthField"), QStringLiteral("400"));
    EXPECT_EQ(host.preferencesIntFor(PrefDocumentWindowWidth), 600);
    EXPECT_EQ(field("_windowWidthField")->text(), QStringLiteral("600"));
    EXPECT_EQ(host.preferencesIntFor(PrefDocumentWindowHeight), 600);

    control<QAbstractButton>(*pane, "_scalingMatrixCell2")->click();
    EXPECT_EQ(host.preferencesIntFor(PrefLayoutScaleMode), 2);

    QTest::mouseClick(button("_windowRestoreSizeButton"), Qt::LeftButton);
    EXPECT_EQ(host.preferencesIntFor(PrefDocumentWindowWidth), 600);
    EXPECT_EQ(host.preferencesIntFor(PrefDocumentWindowHeight), 528);
    EXPECT_EQ(host.preferencesIntFor(PrefDocumentDrawerWidth), 200);
    EXPECT_EQ(field("_windowHeightField")->text(), QStringLiteral("528"));
}

TEST_F(CatalogPane, MissingEnhancementKeysShowNeutralControlsAndStayUnwritten) {
    ASSERT_NE(pane, nullptr);
    EXPECT_EQ(slider("_brightnessSlider")->value(), 100);
    EXPECT_EQ(field("_brightnessField")->text(), QStringLiteral("0"));
    EXPECT_EQ(slider("_contrastSlider")->value(), 100);
    EXPECT_EQ(slider("_sharpnessSlider")->value(), 0);
    EXPECT_FALSE(control<QCheckBox>(*pane, "_livePreviewSwitch")->isChecked());
    for (const char* name : kEnhancementKeys)
        EXPECT_FALSE(stored(name).isValid()) << name;

    slider("_brightnessSlider")->setValue(150);
    EXPECT_EQ(field("_brightnessField")->text(), QStringLiteral("50"));
    EXPECT_DOUBLE_EQ(stored("default_brightness").toDouble(), 1.5);
    EXPECT_DOUBLE_EQ(stored("default_contrast").toDouble(), 1.0);
    EXPECT_EQ(stored("default_live_preview").toInt(), 0);

    type(field("_contrastField"), QStringLiteral("-30"));
    EXPECT_EQ(slider("_contrastSlider")->value(), 70);
    EXPECT_NEAR(stored("default_contrast").toDouble(), 0.7, 1e-9);

    // Written straight through: a fresh store over the same file sees them.
    UserDefaults reread(UserDefaults::standardFilePath());
    EXPECT_DOUBLE_EQ(reread.objectForKey(QStringLiteral("default_brightness")).toDouble(), 1.5);
}

TEST_F(CatalogPane, StoredEnhancementsAreShownAsPercentChanges) {
    defaults().setObjectForKey(1.25, QStringLiteral("default_saturation"));
    defaults().setObjectForKey(40, QStringLiteral("default_sharpness"));
    defaults().setObjectForKey(1, QStringLiteral("default_live_preview"));
    ASSERT_NE(pane, nullptr);
    EXPECT_EQ(slider("_saturationSlider")->value(), 125);
    EXPECT_EQ(field("_saturationField")->text(), QStringLiteral("25"));
    EXPECT_EQ(slider("_sharpnessSlider")->value(), 40);
    EXPECT_TRUE(control<QCheckBox>(*pane, "_livePreviewSwitch")->isChecked());
}

TEST_F(CatalogPane, TheCurrentSizeButtonFollowsACatalogWindow) {
    ASSERT_NE(pane, nullptr);
    QPushButton* current = button("_windowCurrentSizeButton");
    EXPECT_FALSE(current->isEnabled());

    RoduvudeDadevizi document;
    auto* window = new QMainWindow;
    auto* content = new QWidget;
    window->setCentralWidget(content);
    auto* controller = new WindowController(window);
    document.addWindowController(controller);
    window->resize(810, 640);
    window->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return current->isEnabled(); }, 1000));

    // Without a drawer the drawer width is 200.
    QTest::mouseClick(current, Qt::LeftButton);
    EXPECT_EQ(host.preferencesIntFor(PrefDocumentWindowWidth), content->width());
    EXPECT_EQ(host.preferencesIntFor(PrefDocumentWindowHeight), content->height());
    EXPECT_EQ(host.preferencesIntFor(PrefDocumentDrawerWidth), 200);

    auto* drawer = new QDockWidget(window);
    window->addDockWidget(Qt::RightDockWidgetArea, drawer);
    drawer->show();
    QTest::qWait(10);
    QTest::mouseClick(current, Qt::LeftButton);
    EXPECT_EQ(host.preferencesIntFor(PrefDocumentDrawerWidth), drawer->width());

    window->close();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !current->isEnabled(); }, 1000));
}

TEST_F(CatalogPane, AWindowOfAnotherDocumentLeavesTheButtonDisabled) {
    ASSERT_NE(pane, nullptr);
    Document document;
    auto* controller = new WindowController(new QMainWindow);
    document.addWindowController(controller);
    controller->window()->show();
    QTest::qWait(20);
    EXPECT_FALSE(button("_windowCurrentSizeButton")->isEnabled());
}

} // namespace

#include "CatalogPaneTest.moc"
