#include "PaneTestSupport.h"
#include "framework/model/TMUtilities.h"
#include "platform/foundation/PreferenceIndex.h"
#include "platform/foundation/UserDefaults.h"
#include "support/TestHost.h"

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class TemplatePane : public ::testing::Test {
protected:
    TemplatePane() {
        UserDefaults::standardUserDefaults().removeObjectForKey(
            QStringLiteral("NSDecimalSeparator"));
        host.templateCategories = {QStringLiteral("Greeting Cards"), QStringLiteral("Prints")};
        host.settings[PrefTemplateDocCategory] = QStringLiteral("Prints");
        host.settings[PrefTemplateDocCreator] = QStringLiteral("Jane");
        host.settings[PrefTemplateDocVersion] = 0x100;
        host.settings[PrefTemplatePageSizingMethod] = false;
        host.setPreferencesNSSizeFor(Size{8.5f, 11.0f}, PrefTemplatePageSize);
        host.settings[PrefTemplatePageDisplayUnits] = 1;
        host.settings[PrefTemplatePageGridDivisions] = 4;
    }
    ~TemplatePane() override {
        UserDefaults::standardUserDefaults().removeObjectForKey(
            QStringLiteral("NSDecimalSeparator"));
    }

    QLineEdit* field(const char* name) { return control<QLineEdit>(*pane, name); }
    QComboBox* popUp(const char* name) { return control<QComboBox>(*pane, name); }
    // Types into the field and leaves it with Return.
    void type(QLineEdit* target, const QString& text) {
        target->clear();
        QTest::keyClicks(target, text);
        QTest::keyClick(target, Qt::Key_Return);
    }
    void choose(QComboBox* box, const QString& title) {
        box->setCurrentIndex(box->findText(title));
        Q_EMIT box->activated(box->currentIndex());
    }
    Size storedSize() { return host.preferencesNSSizeFor(PrefTemplatePageSize); }

    TestHost host;
    std::unique_ptr<SS_PreferencePaneProtocol> pane = loadPane(QStringLiteral("TemplatePane"));
};

TEST_F(TemplatePane, AnswersItsToolTipAndKeepsOneFixedView) {
    ASSERT_NE(pane, nullptr);
    EXPECT_EQ(pane->paneToolTip(), QStringLiteral("Defaults for new templates"));
    QWidget* view = pane->mainView();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(pane->mainView(), view);
    EXPECT_FALSE(pane->allowsHorizontalResizing());
    EXPECT_FALSE(pane->allowsVerticalResizing());
    EXPECT_FALSE(view->size().isEmpty());
    EXPECT_EQ(popUp("_categoryField")->count(), 2);
    EXPECT_EQ(popUp("_categoryField")->currentText(), QStringLiteral("Prints"));
    EXPECT_EQ(field("_creatorField")->text(), QStringLiteral("Jane"));
    EXPECT_EQ(field("_versionField")->text(), QStringLiteral("1.0.0"));
    EXPECT_EQ(popUp("_gridDivisionsPopUp")->currentText(), QStringLiteral("4"));
}

TEST_F(TemplatePane, ChangingTheUnitKeepsTheNumbers) {
    ASSERT_NE(pane, nullptr);
    EXPECT_EQ(field("_pageWidthField")->text(), QStringLiteral("8.50 in"));
    choose(popUp("_displayUnitsPopUp"), QStringLiteral("Centimeters"));
    EXPECT_EQ(host.preferencesIntFor(PrefTemplatePageDisplayUnits), 2);
    EXPECT_EQ(field("_pageWidthField")->text(), QStringLiteral("8.50 cm"));
    EXPECT_EQ(field("_pageHeightField")->text(), QStringLiteral("11.00 cm"));
    EXPECT_FLOAT_EQ(storedSize().width, 8.5f);
    EXPECT_FLOAT_EQ(storedSize().height, 11.0f);
}

TEST_F(TemplatePane, PointsAreShownAsWholeNumbers) {
    host.setPreferencesNSSizeFor(Size{612.7f, 792.2f}, PrefTemplatePageSize);
    host.settings[PrefTemplatePageDisplayUnits] = 4;
    ASSERT_NE(pane, nullptr);
    EXPECT_EQ(field("_pageWidthField")->text(), QStringLiteral("612 pt"));
    EXPECT_EQ(field("_pageHeightField")->text(), QStringLiteral("792 pt"));
}

TEST_F(TemplatePane, ACommaSeparatedSizeSurvivesAnotherChange) {
    UserDefaults::standardUserDefaults().setObjectForKey(QStringLiteral(","),
                                                         QStringLiteral("NSDecimalSeparator"));
    ASSERT_NE(pane, nullptr);
    EXPECT_EQ(field("_pageWidthField")->text(), QStringLiteral("8,50 in"));
    type(field("_creatorField"), QStringLiteral("Joe"));
    EXPECT_EQ(host.preferencesStringFor(PrefTemplateDocCreator), QStringLiteral("Joe"));
    EXPECT_FLOAT_EQ(storedSize().width, 8.5f);
    EXPECT_FLOAT_EQ(storedSize().height, 11.0f);
    EXPECT_EQ(field("_pageWidthField")->text(), QStringLiteral("8,50 in"));

    type(field("_pageHeightField"), QStringLiteral("12,25"));
    EXPECT_FLOAT_EQ(storedSize().height, 12.25f);
    EXPECT_EQ(field("_pageHeightField")->text(), QStringLiteral("12,25 in"));
}

TEST_F(TemplatePane, VersionAndTypedCategoryAreStored) {
    ASSERT_NE(pane, nullptr);
    type(field("_versionField"), QStringLiteral("2.3.4"));
    EXPECT_EQ(host.preferencesIntFor(PrefTemplateDocVersion),
              TM_EncodeVersion(QStringLiteral("2.3.4")));
    EXPECT_EQ(host.preferencesIntFor(PrefTemplateDocVersion), (2 << 8) + (3 << 4) + 4);
    EXPECT_EQ(field("_versionField")->text(), QStringLiteral("2.3.4"));

    QComboBox* category = popUp("_categoryField");
    category->lineEdit()->clear();
    QTest::keyClicks(category->lineEdit(), QStringLiteral("Weddings"));
    QTest::keyClick(category->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(host.preferencesStringFor(PrefTemplateDocCategory), QStringLiteral("Weddings"));
    EXPECT_EQ(category->currentText(), QStringLiteral("Weddings"));
    EXPECT_EQ(category->count(), 2);
}

TEST_F(TemplatePane, AutomaticSizingDisablesTheFieldsAndTurningItOffFocusesTheWidth) {
    ASSERT_NE(pane, nullptr);
    QWidget* view = pane->mainView();
    view->show();
    view->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(view));
    auto* automatic = control<QRadioButton>(*pane, "_autoPageSizeCell0");
    auto* fixed = control<QRadioButton>(*pane, "_autoPageSizeCell1");

    // On the button itself: the row is wider than the button's click area.
    const QPoint onButton(6, automatic->height() / 2);
    QTest::mouseClick(automatic, Qt::LeftButton, {}, onButton);
    EXPECT_TRUE(host.preferencesBOOLFor(PrefTemplatePageSizingMethod));
    EXPECT_FALSE(field("_pageWidthField")->isEnabled());
    EXPECT_FALSE(field("_pageHeightField")->isEnabled());

    // A second click at once would be taken as a double click.
    QTest::mouseClick(fixed, Qt::LeftButton, {}, onButton,
                      QApplication::doubleClickInterval() + 10);
    EXPECT_TRUE(fixed->isChecked());
    EXPECT_FALSE(host.preferencesBOOLFor(PrefTemplatePageSizingMethod));
    EXPECT_TRUE(field("_pageWidthField")->isEnabled());
    EXPECT_TRUE(field("_pageHeightField")->isEnabled());
    EXPECT_TRUE(field("_pageWidthField")->hasFocus());
    EXPECT_FLOAT_EQ(storedSize().width, 8.5f);
}

} // namespace
