#include "EditorFixture.h"
#include "framework/editor/GeometryController.h"
#include "framework/inspectors/SSCircularSlider.h"
#include "platform/foundation/UndoManager.h"
#include "platform/foundation/UserDefaults.h"

#include "platform/ui/AngleDial.h"
#include <QCheckBox>
#include <QDial>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include <cmath>

namespace {

class GeometryPaletteTest : public ::testing::Test, public EditorFixture {
protected:
    GeometryPaletteTest() {
        QLocale::setDefault(QLocale::c());
        host.systemVersion = 0x1046;
        palette = GeometryController::sharedGeometryController();
        a = addRectangle(10, 20);
        b = addRectangle(100, 20);
        palette->setEditingTemplateView(canvas);
        undo()->removeAllActions();
    }
    ~GeometryPaletteTest() override {
        palette->setEditingTemplateView(nullptr);
        palette->anchorPtChanged(0);
        QLocale::setDefault(QLocale::c());
    }
    UndoManager* undo() { return document.undoManager(); }
    void select(const QList<TMObjectRef>& objects) {
        canvas->deselect();
        for (const TMObjectRef& o : objects)
            o->setSelected(true);
        palette->activatePalette();
    }
    QLineEdit* field(int tag) { return qobject_cast<QLineEdit*>(palette->control(tag)); }
    // Types the text into the field as a user does and presses Return.
    void type(int tag, const QString& text) {
        QLineEdit* f = field(tag);
        f->selectAll();
        f->setText(text);
        Q_EMIT f->editingFinished();
        undo()->endUndoGrouping();
    }
    GeometryController* palette = nullptr;
    TMObjectRef a, b;
};

TEST_F(GeometryPaletteTest, MessagesForNoneAndSeveralAndControlsForOne) {
    select({});
    EXPECT_EQ(palette->message(), str("No Objects Selected"));
    select({a, b});
    EXPECT_EQ(palette->message(), str("Multiple Objects Selected"));
    select({a});
    EXPECT_EQ(palette->message(), QString());
    EXPECT_EQ(palette->geometryObject(), a);
    // Inches: the centre of a 40 by 30 rectangle at (10, 20).
    EXPECT_EQ(field(GeometryController::AnchorX)->text(), str("0.417 in"));
    EXPECT_EQ(field(GeometryController::Width)->text(), str("0.556 in"));

    // The selection notice rebuilds at the end of the pass.
    canvas->deselect();
    QCoreApplication::processEvents();
    EXPECT_EQ(palette->message(), str("No Objects Selected"));
}

TEST_F(GeometryPaletteTest, LowerRightAnchorMovesTheRightEdgeToTheTypedValue) {
    document.pageDesc()->setDisplayUnit(str("Points"));
    select({a});
    palette->anchorPtChanged(4);
    EXPECT_EQ(palette->anchorLabel()->text(), str("LR"));
    type(GeometryController::AnchorX, str("200"));
    EXPECT_EQ(a->frame().maxX(), 200.0f);
    EXPECT_EQ(a->size(), (Size{40, 30}));
    EXPECT_EQ(undo()->undoActionName(), str("Move"));
    // The same number again registers nothing.
    const bool before = undo()->canUndo();
    undo()->removeAllActions();
    type(GeometryController::AnchorX, str("200"));
    EXPECT_FALSE(undo()->canUndo());
    EXPECT_TRUE(before);
}

TEST_F(GeometryPaletteTest, RotationIsBroughtIntoATurnAndNonFiniteInputIsIgnored) {
    select({a});
    struct Case {
        const char* typed;
        float expected;
    };
    for (const Case& k : {Case{"-30", 330}, Case{"720", 360}, Case{"-400", 320}, Case{"1e30", -1},
                          Case{"inf", -1}, Case{"90", 90}}) {
        SCOPED_TRACE(k.typed);
        a->setRotation(0);
        palette->updatePaletteValues();
        type(GeometryController::Rotation, str(k.typed));
        if (k.expected >= 0) {
            EXPECT_FLOAT_EQ(a->rotation(), k.expected);
        } else {
            EXPECT_TRUE(std::isfinite(a->rotation()));
            EXPECT_GE(a->rotation(), 0.0f);
            EXPECT_LE(a->rotation(), 360.0f);
        }
    }
    EXPECT_EQ(undo()->undoActionName(), str("Rotation"));
}

TEST_F(GeometryPaletteTest, TheDialCountsDegreesClockwiseFromTheTop) {
    // Once an old host had the palette, its round slider stays for the process.
    if (palette->circularSlider())
        GTEST_SKIP() << "the round slider stands in for the dial in this process";
    select({a});
    auto* dial = qobject_cast<AngleDial*>(palette->control(GeometryController::RotationSlider));
    ASSERT_NE(dial, nullptr);
    struct Case {
        const char* typed;
        int degrees;
    };
    for (const Case& k : {Case{"90", 90}, Case{"270", 270}, Case{"0", 0}}) {
        SCOPED_TRACE(k.typed);
        type(GeometryController::Rotation, str(k.typed));
        EXPECT_EQ(dial->degrees(), k.degrees);
    }
    // Turned to the left, a quarter turn short of a whole one.
    dial->setValue(-90);
    undo()->endUndoGrouping();
    EXPECT_FLOAT_EQ(a->rotation(), 270);
    EXPECT_EQ(undo()->undoActionName(), str("Rotation"));
}

TEST_F(GeometryPaletteTest, SizeMenusFollowTheUnitAndAPresetIsTwoResizeSteps) {
    document.pageDesc()->setDisplayUnit(str("Centimeters"));
    select({a});
    QMenu* menu = palette->sizePresetPopUp()->menu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->title(), str("Metric Sizes"));
    EXPECT_EQ(palette->sizePresetPopUp()->text(), str(" "));
    document.pageDesc()->setDisplayUnit(str("Points"));
    QCoreApplication::processEvents();
    menu = palette->sizePresetPopUp()->menu();
    EXPECT_EQ(menu->title(), str("US Sizes"));
    QAction* preset = nullptr;
    for (QAction* item : menu->actions())
        if (item->text() == str("4 x 6"))
            preset = item;
    ASSERT_NE(preset, nullptr);
    undo()->removeAllActions();
    preset->trigger();
    undo()->endUndoGrouping();
    EXPECT_EQ(a->size(), (Size{4, 6}));
    EXPECT_EQ(undo()->undoActionName(), str("Resize"));
    ASSERT_TRUE(undo()->undo());
    EXPECT_EQ(a->size(), (Size{4, 30}));
    EXPECT_EQ(undo()->undoActionName(), str("Resize"));
    ASSERT_TRUE(undo()->undo());
    EXPECT_EQ(a->size(), (Size{40, 30}));
}

TEST_F(GeometryPaletteTest, LocksDisableTheirFieldsAndAnUnchangedSwitchRegistersNothing) {
    select({a});
    auto* lock = qobject_cast<QCheckBox*>(palette->control(GeometryController::SizeLock));
    lock->setCheckState(Qt::Unchecked);
    palette->geometryLocked(lock);
    EXPECT_FALSE(undo()->canUndo());
    a->setLockedSizeMask(1);
    palette->updatePaletteValues();
    EXPECT_EQ(lock->checkState(), Qt::PartiallyChecked);
    EXPECT_FALSE(field(GeometryController::Width)->isEnabled());
    QTest::mouseClick(lock, Qt::LeftButton);
    undo()->endUndoGrouping();
    EXPECT_EQ(a->lockedSizeMask(), 3);
    EXPECT_EQ(undo()->undoActionName(), str("Lock"));
}

TEST_F(GeometryPaletteTest, FieldsReadNumbersAsTheyAreShownInACommaLocale) {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    select({a});
    EXPECT_EQ(field(GeometryController::Width)->text(), str("0,556 in"));
    type(GeometryController::Width, str("1,250 in"));
    EXPECT_FLOAT_EQ(a->size().width, 90.0f);
}

TEST_F(GeometryPaletteTest, AnOldHostGetsTheCircularSliderWithItsConversions) {
    host.systemVersion = 0x1020;
    select({a});
    SSCircularSlider* slider = palette->circularSlider();
    ASSERT_NE(slider, nullptr);
    EXPECT_EQ(slider->size(), QSize(50, 50));
    slider->setAngleAndDistance(float(M_PI / 2), 1);
    EXPECT_NEAR(palette->sliderValue(), 0.0f, 1e-3);
    slider->setAngleAndDistance(0, 1);
    EXPECT_NEAR(palette->sliderValue(), 90.0f, 1e-3);
    palette->setSliderValue(30);
    float angle = 0;
    slider->getAngleAndDistance(&angle, nullptr);
    EXPECT_NEAR(angle * 180 / M_PI, 60.0, 1e-3);
}

} // namespace

namespace {

TEST_F(GeometryPaletteTest, ComesUpWithTheMainEditorWindowAndLeavesItActive) {
    palette->activate();
    QWidget other;
    makeKey(&other);
    QCoreApplication::processEvents();
    EXPECT_EQ(palette->editingTemplateView(), nullptr);
    EXPECT_FALSE(palette->window()->isVisible());
    EXPECT_TRUE(palette->isActivated());

    makeKey(window());
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    MainWindowTracker& tracker = MainWindowTracker::sharedTracker();
    EXPECT_TRUE(palette->window()->isVisible());
    EXPECT_EQ(palette->editingTemplateView(), canvas);
    EXPECT_EQ(QApplication::activeWindow(), window());
    EXPECT_TRUE(tracker.isMainWindow(window()));
    EXPECT_TRUE(tracker.isKeyWindow(window()));
    palette->hide();
}

TEST_F(GeometryPaletteTest, TheFrameIsKeptUnderItsDefaultsKeyAsItMoves) {
    EXPECT_EQ(palette->frameAutosaveName(), str("_geometry_window_Y"));
    select({a});
    palette->activate();
    QCoreApplication::processEvents();
    palette->window()->move(300, 200);
    QCoreApplication::processEvents();
    const QStringList parts =
        UserDefaults::standardUserDefaults().stringForKey(str("_geometry_window_Y")).split(u' ');
    palette->hide();
    ASSERT_EQ(parts.size(), 4);
    EXPECT_EQ(parts.at(0).toInt(), palette->window()->frameGeometry().x());
    EXPECT_EQ(parts.at(1).toInt(), palette->window()->frameGeometry().y());
}

} // namespace
