#include "EditorFixture.h"
#include "framework/Formwell.h"
#include "framework/editor/ToolPaletteController.h"
#include "framework/inspectors/SSCircularSlider.h"
#include "framework/inspectors/VQColorMarker.h"
#include "framework/inspectors/VQGradientFillPanel.h"
#include "framework/inspectors/VQGradientFillWell.h"
#include "framework/inspectors/VQGradientView.h"
#include "framework/inspectors/VQGradientViewMatrix.h"
#include "platform/archiving/Archiver.h"
#include "platform/archiving/Unarchiver.h"
#include "platform/foundation/UndoManager.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/ui/AngleDial.h"
#include "platform/ui/ColorPanel.h"
#include "platform/ui/ColorWell.h"
#include "platform/ui/DragReferences.h"
#include "platform/ui/Pasteboard.h"

#include <QAction>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDial>
#include <QDropEvent>
#include <QGuiApplication>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <cmath>
#include <gtest/gtest.h>
#include <memory>

namespace {

const QString kPresetsKey = QString::fromLatin1(kGradientPresetsKey);

// The presets as stored in the user defaults, read without the panel.
QVariantMap storedPresets() {
    return Unarchiver::unarchiveObject(UserDefaults::standardUserDefaults().dataForKey(
                                           QString::fromLatin1(kGradientPresetsKey)))
        .toMap();
}

int grey(const QImage& image, QPoint p) {
    return qGray(image.pixel(p));
}

// A fill of three steps: black, red at the weight, white.
VQGradientFillRef threeSteps(float weight) {
    VQGradientFillRef fill = VQGradientFill::stdFill();
    fill->insertColorWithWeightAtStep(Color::calibratedRGB(1, 0, 0), weight, 1);
    return fill;
}

QAction* item(QMenu* menu, const char* key) {
    for (QAction* a : menu->actions())
        if (a->text() == frameworkString(key))
            return a;
    return nullptr;
}

class GradientPanelTest : public ::testing::Test, public EditorFixture {
protected:
    GradientPanelTest() {
        UserDefaults::standardUserDefaults().removeObjectForKey(kPresetsKey);
        ToolPaletteController::sharedToolPaletteController()->setCurrentTool(kTMToolSelect);
        panel = VQGradientFillPanel::sharedGradientFillPanelController();
        panel->setActiveGradientFillWell(nullptr);
        panel->activate();
        panel->setGradientFill(VQGradientFill::stdFill());
        panel->rebuildMarkers();
        panel->presetsTableFrameDidChange();
        // The inspector stand-in: a palette with the gradient well and a colour well.
        palette.setWindowFlag(Qt::Tool);
        palette.resize(120, 40);
        well = new VQGradientFillWell(&palette);
        well->setGeometry(4, 4, 44, 24);
        colorWell = new ColorWell(&palette);
        colorWell->setGeometry(60, 4, 44, 24);
        palette.show();
        QCoreApplication::processEvents();
        undo()->removeAllActions();
    }
    ~GradientPanelTest() override {
        panel->setActiveGradientFillWell(nullptr);
        colorWell->deactivate();
        ColorPanel::sharedColorPanel()->close();
        QCoreApplication::processEvents();
    }
    UndoManager* undo() { return document.undoManager(); }
    QWidget* content() const { return panel->window(); }
    VQColorMarker* marker(int i) const { return panel->colorMarkers().at(size_t(i)); }
    int markerCount() const { return int(panel->colorMarkers().size()); }

    // Mouse events at a point of the widget's window, as the pointer there sends them.
    static void mouse(QEvent::Type type, QWidget* w, QPointF inWindow, Qt::MouseButton button,
                      Qt::MouseButtons buttons) {
        const QPointF global = w->window()->mapToGlobal(inWindow);
        QMouseEvent event(type, w->mapFromGlobal(global), global, button, buttons, Qt::NoModifier);
        QApplication::sendEvent(w, &event);
    }
    // Presses the marker at its middle, drags it by each offset in turn and lets go.
    void dragMarker(VQColorMarker* m, std::initializer_list<QPointF> offsets) {
        const QPointF start = QRectF(m->geometry()).center();
        mouse(QEvent::MouseButtonPress, m, start, Qt::LeftButton, Qt::LeftButton);
        QPointF at = start;
        for (const QPointF& d : offsets) {
            at = start + d;
            mouse(QEvent::MouseMove, m, at, Qt::NoButton, Qt::LeftButton);
        }
        mouse(QEvent::MouseButtonRelease, m, at, Qt::LeftButton, Qt::NoButton);
        QCoreApplication::processEvents();
    }
    void clickMarker(VQColorMarker* m) { dragMarker(m, {}); }
    // The context menu of a widget at a point of it.
    QMenu* rightClick(QWidget* w, QPoint at) {
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, w->mapToGlobal(at));
        QApplication::sendEvent(w, &event);
        QMenu* menu =
            w == panel->presetsTable() ? panel->presetsTable()->cellMenu() : panel->contextMenu();
        // Looked at and used without its popup, which would take the mouse.
        if (menu)
            menu->hide();
        return menu;
    }
    QPoint cellCentre(int row, int column) const {
        const Rect f = panel->presetsTable()->cellFrameAtRowColumn(row, column);
        return panel->presetsTable()->widgetRectFromBounds(f).center().toPoint();
    }
    void typeAngle(const QString& text) {
        QLineEdit* field = panel->axialRotationField();
        field->setText(text);
        Q_EMIT field->editingFinished();
    }
    // The well, holding the fill, clicked: the panel serves it.
    void bindWell(const VQGradientFillRef& fill) {
        well->setGradientFill(fill);
        QTest::mouseClick(well, Qt::LeftButton);
        QCoreApplication::processEvents();
    }

    VQGradientFillPanel* panel = nullptr;
    QWidget palette;
    VQGradientFillWell* well = nullptr;
    ColorWell* colorWell = nullptr;
};

// ---------------------------------------------------------------------------
// Markers

TEST_F(GradientPanelTest, ClickOnAMarkerSelectsItAloneAndOpensTheColourPanelOnItsColour) {
    bindWell(threeSteps(0.5f));
    ASSERT_EQ(markerCount(), 3);
    clickMarker(marker(0));
    EXPECT_TRUE(marker(0)->selected());
    clickMarker(marker(1));
    EXPECT_TRUE(marker(1)->selected());
    EXPECT_FALSE(marker(0)->selected());
    EXPECT_FALSE(marker(2)->selected());
    EXPECT_EQ(panel->selectedMarkerIdx(), 1);
    ColorPanel* colors = ColorPanel::sharedColorPanel();
    EXPECT_TRUE(colors->isVisible());
    EXPECT_EQ(colors->color().rgb(), QColor(Qt::red).rgb());
    // Nothing moved or changed: the well got nothing and there is nothing to undo.
    EXPECT_EQ(*well->gradientFill(), *threeSteps(0.5f));
    EXPECT_FALSE(undo()->canUndo());

    // A colour chosen now recolours that step, through the well.
    colors->setColor(QColor(0, 0, 255));
    EXPECT_EQ(well->gradientFill()->colorAtStep(1), Color::fromQColor(QColor(0, 0, 255)));
    EXPECT_EQ(well->gradientFill()->colorAtStep(0), Color::calibratedRGB(0, 0, 0));
}

TEST_F(GradientPanelTest, MarkerDragsMoveOnlyInnerMarkersSidewaysBetweenTheirNeighbours) {
    const struct {
        const char* what;
        int marker;
        QPointF by;
        float weight; // expected weight of step 1; < 0: unchanged
    } cases[] = {
        {"straight down", 1, {0, 20}, -1},
        {"left by 40", 1, {-40, 0}, -2},
        {"onto the left neighbour", 1, {-400, 0}, -1},
        {"onto the right neighbour", 1, {400, 0}, -1},
        {"an end marker", 0, {60, 0}, -1},
    };
    for (const auto& c : cases) {
        bindWell(threeSteps(0.5f));
        panel->rebuildMarkers();
        const QPointF before = marker(c.marker)->anchorPoint();
        const float weight = panel->gradientFill()->weightAtStep(1);
        dragMarker(marker(c.marker), {c.by});
        if (c.weight == -1) {
            EXPECT_EQ(marker(c.marker)->anchorPoint(), before) << c.what;
            EXPECT_EQ(panel->gradientFill()->weightAtStep(1), weight) << c.what;
            EXPECT_FALSE(undo()->canUndo()) << c.what;
        } else {
            const QRect s = panel->spectrumGradient()->geometry();
            EXPECT_EQ(marker(c.marker)->anchorPoint(), before + c.by) << c.what;
            EXPECT_FLOAT_EQ(panel->gradientFill()->weightAtStep(1),
                            float((before.x() + c.by.x() - s.x()) / s.width()))
                << c.what;
            EXPECT_EQ(*well->gradientFill(), *panel->gradientFill()) << c.what;
        }
        // Every marker still hangs from the spectrum's lower edge.
        const QRect s = panel->spectrumGradient()->geometry();
        for (VQColorMarker* m : panel->colorMarkers())
            EXPECT_EQ(m->geometry().top(), s.y() + s.height()) << c.what;
        panel->setActiveGradientFillWell(nullptr);
        undo()->removeAllActions();
    }
}

TEST_F(GradientPanelTest, AColourWellTakingThePanelWhileAMarkerIsSelectedUnbindsTheGradientWell) {
    bindWell(threeSteps(0.5f));
    clickMarker(marker(1));
    ASSERT_TRUE(well->isActive());
    const VQGradientFill before = *well->gradientFill();

    QTest::mouseClick(colorWell, Qt::LeftButton);
    EXPECT_TRUE(colorWell->isActive());
    EXPECT_FALSE(well->isActive());
    EXPECT_EQ(panel->activeGradientFillWell(), nullptr);
    EXPECT_EQ(panel->selectedMarkerIdx(), -1);

    ColorPanel::sharedColorPanel()->setColor(QColor(0, 200, 0));
    EXPECT_EQ(colorWell->color().rgb(), QColor(0, 200, 0).rgb());
    EXPECT_EQ(*well->gradientFill(), before);

    // A marker clicked now takes the colour panel from the colour well.
    clickMarker(marker(0));
    EXPECT_FALSE(colorWell->isActive());
    EXPECT_EQ(colorWell->color().rgb(), QColor(0, 200, 0).rgb());
    EXPECT_EQ(ColorPanel::sharedColorPanel()->color().rgb(), QColor(Qt::black).rgb());
}

// ---------------------------------------------------------------------------
// The well

TEST_F(GradientPanelTest, ClickingTheActiveWellLetsThePanelGoAndEditsStayInThePanel) {
    bindWell(threeSteps(0.5f));
    EXPECT_EQ(panel->activeGradientFillWell(), well);
    EXPECT_EQ(*panel->gradientFill(), *well->gradientFill());
    EXPECT_NE(panel->gradientFill(), well->gradientFill()); // a copy
    const VQGradientFillRef held = well->gradientFill();

    QTest::mouseClick(well, Qt::LeftButton);
    EXPECT_FALSE(well->isActive());
    EXPECT_EQ(panel->activeGradientFillWell(), nullptr);
    typeAngle(QStringLiteral("45"));
    EXPECT_EQ(panel->gradientFill()->angle(), 45.0f);
    EXPECT_EQ(well->gradientFill(), held);
    EXPECT_EQ(held->angle(), 0.0f);
}

TEST_F(GradientPanelTest, AnotherFillInTheActiveWellBringsItsOwnMarkers) {
    bindWell(threeSteps(0.5f));
    clickMarker(marker(1));
    // An edit comes back through the well: the selection stays.
    typeAngle(QStringLiteral("30"));
    EXPECT_EQ(panel->selectedMarkerIdx(), 1);
    EXPECT_EQ(markerCount(), 3);
    // Another fill put into the well (an Undo, another object): its own markers.
    const struct {
        const char* what;
        VQGradientFillRef fill;
        int markers;
    } cases[] = {{"two steps", VQGradientFill::stdFill(), 2},
                 {"three steps elsewhere", threeSteps(0.75f), 3}};
    for (const auto& c : cases) {
        well->setGradientFill(c.fill);
        EXPECT_EQ(*panel->gradientFill(), *c.fill) << c.what;
        ASSERT_EQ(markerCount(), c.markers) << c.what;
        for (int i = 0; i < c.markers; ++i)
            EXPECT_EQ(marker(i)->anchorPoint(), panel->anchorForWeight(c.fill->weightAtStep(i)))
                << c.what;
        EXPECT_FALSE(panel->removeMarkerButton()->isEnabled()) << c.what;
    }
}

TEST_F(GradientPanelTest, APressLeavingTheWellChangesNothingAndAWellDeletedLeavesThePanelWithNone) {
    mouse(QEvent::MouseButtonPress, well, QPointF(10, 10), Qt::LeftButton, Qt::LeftButton);
    mouse(QEvent::MouseMove, well, QPointF(100, 100), Qt::NoButton, Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, well, QPointF(100, 100), Qt::LeftButton, Qt::NoButton);
    EXPECT_FALSE(well->isActive());
    EXPECT_EQ(panel->activeGradientFillWell(), nullptr);

    bindWell(threeSteps(0.25f));
    ASSERT_EQ(panel->activeGradientFillWell(), well);
    delete well;
    well = new VQGradientFillWell(&palette);
    EXPECT_EQ(panel->activeGradientFillWell(), nullptr);
    typeAngle(QStringLiteral("90")); // no well to reach
    EXPECT_EQ(panel->gradientFill()->angle(), 90.0f);
}

// ---------------------------------------------------------------------------
// Angle and style

TEST_F(GradientPanelTest, TurningTheDialIsOneUndoStepOfTheServedDocument) {
    TMObjectRef object = addRectangle(20, 20);
    auto* rect = static_cast<TMRectangleObject*>(object.get());
    well->setGradientFill(rect->gradientFill());
    QObject::connect(well, &VQGradientFillWell::gradientFillChanged, well,
                     [&] { rect->setGradientFill(well->gradientFill()); });
    bindWell(rect->gradientFill());
    QCoreApplication::processEvents();
    undo()->removeAllActions();
    const VQGradientFillRef original = rect->gradientFill();

    QDial* dial = panel->axialRotationSlider();
    const QPointF centre = QRectF(dial->geometry()).center();
    // Pressed at the top, turned through the right to the bottom, let go.
    const QPointF path[] = {{0, -15}, {10, -10}, {15, 0}, {10, 10}, {0, 15}};
    mouse(QEvent::MouseButtonPress, dial, centre + path[0], Qt::LeftButton, Qt::LeftButton);
    for (const QPointF& p : path) {
        mouse(QEvent::MouseMove, dial, centre + p, Qt::NoButton, Qt::LeftButton);
        QCoreApplication::processEvents();
    }
    mouse(QEvent::MouseButtonRelease, dial, centre + path[4], Qt::LeftButton, Qt::NoButton);
    QCoreApplication::processEvents();
    // The top of the dial is 270 degrees, its bottom 90.
    EXPECT_NEAR(rect->gradientFill()->angle(), 90, 2);
    EXPECT_EQ(undo()->undoActionName(), frameworkString("FGRADIENT"));
    ASSERT_TRUE(undo()->undo());
    EXPECT_EQ(*rect->gradientFill(), *original);
    EXPECT_FALSE(undo()->canUndo());
}

TEST_F(GradientPanelTest, AngleFieldAndDial) {
    const struct {
        const char* typed;
        float angle;
        int dial;
    } typed[] = {
        {"45", 45, 135}, {"360", 0, 90}, {"-5", 0, 90}, {"300", 300, 30}, {"abc", 0, 90},
    };
    bindWell(VQGradientFill::stdFill());
    for (const auto& c : typed) {
        typeAngle(QString::fromLatin1(c.typed));
        EXPECT_EQ(panel->gradientFill()->angle(), c.angle) << c.typed;
        EXPECT_EQ(well->gradientFill()->angle(), c.angle) << c.typed;
        EXPECT_EQ(panel->axialRotationField()->text(), QLocale().toString(double(c.angle)))
            << c.typed;
        EXPECT_EQ(panel->dialDegrees(), c.dial) << c.typed;
    }
    const struct {
        int dial;
        float angle;
    } turned[] = {{0, 270}, {180, 90}, {359, 269}, {90, 0}};
    for (const auto& c : turned) {
        panel->axialRotationSlider()->setValue(c.dial >= 180 ? c.dial - 360 : c.dial);
        EXPECT_EQ(panel->dialDegrees(), c.dial);
        EXPECT_EQ(panel->gradientFill()->angle(), c.angle) << c.dial;
        EXPECT_EQ(well->gradientFill()->angle(), c.angle) << c.dial;
    }
}

TEST_F(GradientPanelTest, RadialFillsHideTheAngleControls) {
    bindWell(VQGradientFill::stdFill());
    QComboBox* style = panel->fillStylePopUp();
    style->setCurrentIndex(style->findData(int(VQGradientFill::Radial)));
    Q_EMIT style->activated(style->currentIndex());
    EXPECT_EQ(well->gradientFill()->kind(), int(VQGradientFill::Radial));
    EXPECT_FALSE(panel->axialRotationField()->isVisible());
    EXPECT_FALSE(panel->axialRotationSlider()->isVisible());
    style->setCurrentIndex(style->findData(int(VQGradientFill::Axial)));
    Q_EMIT style->activated(style->currentIndex());
    EXPECT_TRUE(panel->axialRotationField()->isVisible());
    EXPECT_TRUE(panel->axialRotationSlider()->isVisible());
}

TEST_F(GradientPanelTest, HostsBefore10_3TurnTheAngleWithACircularSlider) {
    host.systemVersion = 0x1028;
    panel->updateDisplayedValues();
    SSCircularSlider* slider = panel->circularSlider();
    ASSERT_NE(slider, nullptr);
    EXPECT_EQ(slider->size(), QSize(46, 46));
    EXPECT_FALSE(panel->axialRotationSlider()->isVisible());
    const struct {
        float angle;
        float radians;
    } cases[] = {{0, 0}, {90, float(1.5 * M_PI)}, {270, float(0.5 * M_PI)}};
    for (const auto& c : cases) {
        panel->setAxialSliderValue(c.angle);
        float radians = -1;
        slider->getAngleAndDistance(&radians, nullptr);
        EXPECT_NEAR(std::fmod(double(radians), 2 * M_PI), c.radians, 1e-5) << c.angle;
        EXPECT_NEAR(panel->axialSliderValue(), c.angle, 1e-3) << c.angle;
    }
    host.systemVersion = 0x1046;
    panel->updateDisplayedValues();
    EXPECT_EQ(panel->circularSlider(), nullptr);
    EXPECT_TRUE(panel->axialRotationSlider()->isVisible());
}

// ---------------------------------------------------------------------------
// Steps

TEST_F(GradientPanelTest, AStepAddedMidwayLeavesTheSpectrumAsItWas) {
    bindWell(VQGradientFill::stdFill());
    const QImage before = panel->spectrumGradient()->grab().toImage();
    panel->addMarkerButton()->click();
    ASSERT_EQ(markerCount(), 3);
    EXPECT_EQ(panel->gradientFill()->steps(), 3);
    EXPECT_TRUE(marker(1)->selected());
    // Pushed with the next edit only.
    EXPECT_EQ(well->gradientFill()->steps(), 2);
    panel->updateDisplayedValues();
    ASSERT_EQ(panel->spectrumGradient()->gradientFill()->steps(), 3);
    const QImage after = panel->spectrumGradient()->grab().toImage();
    ASSERT_EQ(before.size(), after.size());
    int worst = 0;
    for (int y = 0; y < before.height(); ++y)
        for (int x = 0; x < before.width(); ++x) {
            const QRgb a = before.pixel(x, y);
            const QRgb b = after.pixel(x, y);
            worst = std::max({worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                              std::abs(qBlue(a) - qBlue(b))});
        }
    EXPECT_LE(worst, 1);
    // The new step's colour is the fill's own there.
    const float w = panel->gradientFill()->weightAtStep(1);
    EXPECT_EQ(panel->gradientFill()->colorAtStep(1), VQGradientFill::stdFill()->colorWithWeight(w));
}

TEST_F(GradientPanelTest, ContextMenusAndButtonsByStepCount) {
    const struct {
        int steps;
        int onMarker; // -1: the spectrum
        bool add, before, after, remove;
    } cases[] = {
        {2, -1, true, false, false, false}, {5, -1, false, false, false, false},
        {3, 0, true, false, true, false},   {3, 1, true, true, true, true},
        {3, 2, true, true, false, false},   {5, 2, false, false, false, true},
    };
    for (const auto& c : cases) {
        VQGradientFillRef fill = VQGradientFill::stdFill();
        for (int i = 2; i < c.steps; ++i)
            fill->insertColorWithWeightAtStep(Color::calibratedWhite(0.5f), 0.1f * float(i), i - 1);
        bindWell(fill);
        ASSERT_EQ(markerCount(), c.steps);
        const std::string what =
            std::to_string(c.steps) + " steps, marker " + std::to_string(c.onMarker);
        if (c.onMarker < 0) {
            QMenu* menu = rightClick(panel->spectrumGradient(), QPoint(100, 10));
            ASSERT_NE(menu, nullptr) << what;
            EXPECT_EQ(menu->title(), QStringLiteral("Gradient Actions")) << what;
            EXPECT_EQ(item(menu, "ADD_COLORMARKER")->isEnabled(), c.add) << what;
        } else {
            QMenu* menu = rightClick(marker(c.onMarker), QPoint(7, 15));
            ASSERT_NE(menu, nullptr) << what;
            EXPECT_EQ(menu->title(), QStringLiteral("Color Marker Actions")) << what;
            EXPECT_TRUE(item(menu, "EDIT_COLORMARKER")->isEnabled()) << what;
            EXPECT_EQ(item(menu, "ADD_COLORMARKER_BEFORE")->isEnabled(), c.before) << what;
            EXPECT_EQ(item(menu, "ADD_COLORMARKER_AFTER")->isEnabled(), c.after) << what;
            EXPECT_EQ(item(menu, "DELETE_COLORMARKER")->isEnabled(), c.remove) << what;
            EXPECT_TRUE(marker(c.onMarker)->selected()) << what;
            EXPECT_EQ(panel->removeMarkerButton()->isEnabled(), c.remove) << what;
            menu->close();
        }
        EXPECT_EQ(panel->addMarkerButton()->isEnabled(), c.steps < 5) << what;
        panel->setActiveGradientFillWell(nullptr);
    }
}

TEST_F(GradientPanelTest, MenuItemsAddAndDeleteSteps) {
    bindWell(VQGradientFill::stdFill());
    // On the spectrum at a quarter of its width.
    const QRect s = panel->spectrumGradient()->geometry();
    const int quarter = s.width() / 4;
    item(rightClick(panel->spectrumGradient(), QPoint(quarter, 10)), "ADD_COLORMARKER")->trigger();
    ASSERT_EQ(panel->gradientFill()->steps(), 3);
    EXPECT_FLOAT_EQ(panel->gradientFill()->weightAtStep(1), float(quarter) / float(s.width()));
    EXPECT_EQ(marker(1)->anchorPoint().x(), s.x() + quarter);
    // After the new marker, halfway to the end.
    item(rightClick(marker(1), QPoint(7, 15)), "ADD_COLORMARKER_AFTER")->trigger();
    ASSERT_EQ(markerCount(), 4);
    EXPECT_EQ(panel->selectedMarkerIdx(), 2);
    EXPECT_DOUBLE_EQ(marker(2)->anchorPoint().x(),
                     (marker(1)->anchorPoint().x() + marker(3)->anchorPoint().x()) / 2);
    // Before the last one.
    item(rightClick(marker(3), QPoint(7, 15)), "ADD_COLORMARKER_BEFORE")->trigger();
    ASSERT_EQ(markerCount(), 5);
    EXPECT_EQ(panel->selectedMarkerIdx(), 3);
    EXPECT_EQ(panel->gradientFill()->steps(), 5);
    for (int i = 1; i < 5; ++i)
        EXPECT_LT(panel->gradientFill()->weightAtStep(i - 1),
                  panel->gradientFill()->weightAtStep(i));
    // Deleting pushes at once.
    item(rightClick(marker(2), QPoint(7, 15)), "DELETE_COLORMARKER")->trigger();
    EXPECT_EQ(markerCount(), 4);
    EXPECT_EQ(panel->gradientFill()->steps(), 4);
    EXPECT_EQ(*well->gradientFill(), *panel->gradientFill());
}

// ---------------------------------------------------------------------------
// Presets

TEST_F(GradientPanelTest, AFreshUserHasEightAxialSwatchesAtEvery45Degrees) {
    const QVariantMap stored = storedPresets();
    EXPECT_EQ(stored.size(), 8);
    VQGradientViewMatrix* matrix = panel->presetsTable();
    const QImage shown = matrix->grab().toImage();
    for (int c = 0; c < 8; ++c) {
        const auto fill =
            objectFromVariantAs<VQGradientFill>(stored.value(QString::asprintf("0000:%04d", c)));
        ASSERT_TRUE(fill) << c;
        VQGradientFillRef expected = VQGradientFill::stdFill();
        expected->setAngle(float(c * 45));
        EXPECT_EQ(*fill, *expected) << c;
        // Dark where the angle starts, light where it points, clockwise on the screen.
        const double a = c * 45 * M_PI / 180;
        const QPoint centre = cellCentre(0, c);
        const QPoint d(int(std::lround(5 * std::cos(a))), int(std::lround(5 * std::sin(a))));
        EXPECT_LT(grey(shown, centre - d) + 60, grey(shown, centre + d)) << c * 45;
    }
    // The second row is empty: the grid's background.
    EXPECT_EQ(matrix->cellAtRowColumn(1, 0)->representedObject(), nullptr);
    EXPECT_EQ(shown.pixel(cellCentre(1, 3)), shown.pixel(cellCentre(2, 3)));
}

TEST_F(GradientPanelTest, GridSizeFollowsTheMatrixFrame) {
    VQGradientViewMatrix* matrix = panel->presetsTable();
    const QSize old = matrix->size();
    const struct {
        QSize size;
        int columns, rows;
    } cases[] = {{{105, 42}, 6, 3}, {{20, 20}, 1, 1}, {{21, 63}, 2, 4}};
    for (const auto& c : cases) {
        matrix->resize(c.size);
        EXPECT_EQ(panel->presetColumns(), c.columns);
        EXPECT_EQ(panel->presetRows(), c.rows);
        EXPECT_EQ(matrix->numberOfColumns(), c.columns);
    }
    matrix->resize(old);
}

TEST_F(GradientPanelTest, DamagedPresetStoresCountAsMissingAndStrangeValuesAsEmptyCells) {
    VQGradientFillRef red = VQGradientFill::stdFill();
    red->setColorAtStep(Color::calibratedRGB(1, 0, 0), 0);
    const struct {
        const char* what;
        QByteArray data;
        int stored;        // presets stored afterwards
        bool firstIsStd;   // cell (0, 0) holds the standard fill
        bool secondFilled; // cell (0, 1) holds a fill
    } cases[] = {
        {"not an archive", QByteArray("garbage"), 8, true, true},
        {"an archived list", Archiver::archivedData(QVariantList{variantFromObject(red)}), 8, true,
         true},
        {"an archived text", Archiver::archivedData(QStringLiteral("presets")), 8, true, true},
        {"a dictionary with a text and a fill",
         Archiver::archivedData(QVariantMap{{QStringLiteral("0000:0000"), QStringLiteral("x")},
                                            {QStringLiteral("0000:0001"), variantFromObject(red)}}),
         2, false, true},
        {"an empty dictionary", Archiver::archivedData(QVariantMap()), 0, false, false},
    };
    for (const auto& c : cases) {
        UserDefaults::standardUserDefaults().setObjectForKey(c.data, kPresetsKey);
        panel->presetsTableFrameDidChange();
        EXPECT_EQ(storedPresets().size(), c.stored) << c.what;
        const VQGradientFillRef first =
            panel->presetsTable()->cellAtRowColumn(0, 0)->representedObject();
        EXPECT_EQ(first && *first == *VQGradientFill::stdFill(), c.firstIsStd) << c.what;
        EXPECT_EQ(!first, !c.firstIsStd) << c.what;
        EXPECT_EQ(panel->presetsTable()->cellAtRowColumn(0, 1)->representedObject() != nullptr,
                  c.secondFilled)
            << c.what;
    }
}

TEST_F(GradientPanelTest, ClearingAndDroppingStoreTheCellAndUnknownIdsDropNothing) {
    VQGradientViewMatrix* matrix = panel->presetsTable();
    // An empty cell's menu: its item disabled.
    QMenu* menu = rightClick(matrix, cellCentre(1, 1));
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->title(), QStringLiteral("Cell Actions"));
    EXPECT_FALSE(item(menu, "CLEAR_CELL")->isEnabled());
    menu->close();
    // Clearing a full one removes its key.
    menu = rightClick(matrix, cellCentre(0, 3));
    ASSERT_TRUE(item(menu, "CLEAR_CELL")->isEnabled());
    item(menu, "CLEAR_CELL")->trigger();
    EXPECT_EQ(matrix->cellAtRowColumn(0, 3)->representedObject(), nullptr);
    QVariantMap stored = storedPresets();
    EXPECT_FALSE(stored.contains(QStringLiteral("0000:0003")));
    EXPECT_EQ(stored.size(), 7);

    // The preview dragged out and dropped on an empty cell: a copy is stored there.
    bindWell(threeSteps(0.3f));
    std::unique_ptr<PasteboardData> dragged;
    {
        const DragSession::ScopedObserver observe(
            [&](const PasteboardData& data) { dragged.reset(data.clone()); });
        VQGradientView* preview = panel->previewGradient();
        const QPoint at = preview->mapTo(preview->window(), QPoint(20, 20));
        mouse(QEvent::MouseButtonPress, preview, at, Qt::LeftButton, Qt::LeftButton);
        mouse(QEvent::MouseMove, preview, at + QPoint(20, 0), Qt::NoButton, Qt::LeftButton);
        mouse(QEvent::MouseButtonRelease, preview, at + QPoint(20, 0), Qt::LeftButton,
              Qt::NoButton);
    }
    ASSERT_TRUE(dragged);
    const auto drop = [&](const QMimeData* data, QPoint at) {
        QDragEnterEvent enter(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(matrix, &enter);
        QDropEvent event(QPointF(at), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(matrix, &event);
    };
    // An id this process never gave out drops nothing.
    PasteboardData forged;
    Pasteboard::setDataForType(forged, QByteArray("1:1"),
                               QStringLiteral("DragDropGradientViewPboardType"));
    drop(&forged, cellCentre(1, 2));
    EXPECT_EQ(matrix->cellAtRowColumn(1, 2)->representedObject(), nullptr);
    EXPECT_EQ(storedPresets().size(), 7);

    drop(dragged.get(), cellCentre(1, 2));
    const VQGradientFillRef cell = matrix->cellAtRowColumn(1, 2)->representedObject();
    ASSERT_TRUE(cell);
    EXPECT_EQ(*cell, *panel->gradientFill());
    EXPECT_NE(cell, panel->gradientFill());
    stored = storedPresets();
    const auto kept =
        objectFromVariantAs<VQGradientFill>(stored.value(QStringLiteral("0001:0002")));
    ASSERT_TRUE(kept);
    EXPECT_EQ(*kept, *threeSteps(0.3f));

    // A preset cell drags out as settings (its press also chooses it).
    std::unique_ptr<PasteboardData> cellDrag;
    {
        const DragSession::ScopedObserver observe(
            [&](const PasteboardData& data) { cellDrag.reset(data.clone()); });
        const QPoint at = matrix->mapTo(matrix->window(), cellCentre(0, 1));
        mouse(QEvent::MouseButtonPress, matrix, at, Qt::LeftButton, Qt::LeftButton);
        mouse(QEvent::MouseMove, matrix, at + QPoint(3, 3), Qt::NoButton, Qt::LeftButton);
        mouse(QEvent::MouseButtonRelease, matrix, at + QPoint(3, 3), Qt::LeftButton, Qt::NoButton);
    }
    ASSERT_TRUE(cellDrag);
    EXPECT_EQ(
        DragReferences::readReference<VQGradientFill>(
            Pasteboard(cellDrag.get()), QString::fromLatin1(kDragDropGradientSettingsPboardType)),
        matrix->cellAtRowColumn(0, 1)->representedObject());
}

TEST_F(GradientPanelTest, EditingAfterChoosingAPresetLeavesItsSwatchAsItWas) {
    bindWell(threeSteps(0.3f));
    VQGradientViewMatrix* matrix = panel->presetsTable();
    const QImage before = matrix->grab().toImage();
    QTest::mouseClick(matrix, Qt::LeftButton, {}, cellCentre(0, 2));
    VQGradientFillRef expected = VQGradientFill::stdFill();
    expected->setAngle(90);
    EXPECT_EQ(*well->gradientFill(), *expected);
    EXPECT_EQ(*panel->gradientFill(), *expected);
    EXPECT_EQ(markerCount(), 2);
    typeAngle(QStringLiteral("10"));
    panel->addMarkerButton()->click();
    EXPECT_EQ(well->gradientFill()->angle(), 10.0f);
    EXPECT_EQ(*matrix->cellAtRowColumn(0, 2)->representedObject(), *expected);
    EXPECT_EQ(matrix->grab().toImage(), before);
}

TEST_F(GradientPanelTest, FollowsEditorWindowsAndClosingLetsTheWellGo) {
    bindWell(VQGradientFill::stdFill());
    EXPECT_TRUE(panel->window()->isVisible());
    // Another kind of window main: hidden, still wanted, serving no document.
    QWidget other;
    other.resize(200, 100);
    makeKey(&other);
    EXPECT_FALSE(panel->window()->isVisible());
    EXPECT_TRUE(panel->isActivated());
    EXPECT_EQ(panel->document(), nullptr);
    makeKey(window());
    EXPECT_TRUE(panel->window()->isVisible());
    EXPECT_EQ(panel->document(), &document);
    EXPECT_EQ(panel->activeGradientFillWell(), well);

    // Its frame is kept under its key, centred on a reset.
    NotificationCenter::defaultCenter().postNotificationName(QStringLiteral("ResetAllPalettes"));
    const QRect frame = panel->window()->frameGeometry();
    const QRect visible = PaletteController::mainScreenVisibleFrame();
    EXPECT_EQ(frame.center().x() - visible.center().x(), 0);
    EXPECT_EQ(UserDefaults::standardUserDefaults().stringForKey(
                  QStringLiteral("_gradient_fill_window_Y")),
              QStringLiteral("%1 %2 %3 %4")
                  .arg(frame.x())
                  .arg(frame.y())
                  .arg(frame.width())
                  .arg(frame.height()));

    // The close box: no well, not wanted.
    panel->close();
    EXPECT_FALSE(panel->isActivated());
    EXPECT_EQ(panel->activeGradientFillWell(), nullptr);
    EXPECT_FALSE(well->isActive());
    panel->activate();
}

TEST_F(GradientPanelTest, TheWellDrawsItsFill) {
    VQGradientFillRef fill = VQGradientFill::stdFill();
    fill->setAngle(90);
    well->setGradientFill(fill);
    const QImage shown = well->grab().toImage();
    const QRect inside = well->rect().adjusted(6, 6, -6, -6);
    // Dark at the top, light at the bottom, as the fill points down.
    EXPECT_LT(grey(shown, {inside.center().x(), inside.top()}) + 80,
              grey(shown, {inside.center().x(), inside.bottom()}));
    EXPECT_TRUE(fill->drawsFlipped()); // given back as it was
}

// ---------------------------------------------------------------------------
// Views

TEST_F(GradientPanelTest, GradientViewsDrawOnlyWithADelegateAndCompassOnlyForAxialFills) {
    QWidget holder;
    holder.resize(80, 40);
    auto* view = new VQGradientView(&holder);
    view->setGeometry(0, 0, 80, 40);
    view->setAutoFillBackground(true);
    QPalette p = view->palette();
    p.setColor(QPalette::Window, QColor(0, 255, 0));
    view->setPalette(p);
    VQGradientFillRef fill = VQGradientFill::stdFill();
    view->setGradientFill(fill);
    EXPECT_EQ(view->grab().toImage().pixel(60, 20), qRgb(0, 255, 0));
    view->setDelegate(panel);
    EXPECT_NE(view->grab().toImage().pixel(60, 20), qRgb(0, 255, 0));

    // The compass: a line through the middle along the angle, only for axial fills.
    const auto compassShows = [&] {
        view->setDrawsCompass(false);
        const QImage plain = view->grab().toImage();
        view->setDrawsCompass(true);
        const QImage compass = view->grab().toImage();
        int most = 0;
        for (int y = 10; y < 30; ++y)
            most = std::max(most, std::abs(grey(plain, {60, y}) - grey(compass, {60, y})));
        return most;
    };
    EXPECT_GT(compassShows(), 60);
    fill->setKind(VQGradientFill::Radial);
    EXPECT_EQ(compassShows(), 0);

    // A preset cell dropped on a view is refused.
    PasteboardData data;
    DragReferences::writeReference(data, QString::fromLatin1(kDragDropGradientSettingsPboardType),
                                   threeSteps(0.5f));
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view, &drop);
    EXPECT_EQ(view->gradientFill(), fill);
}

TEST_F(GradientPanelTest, ArchivesHoldTheDictionariesAndCopiesShare) {
    VQColorMarker source(QPointF(40, 30), &palette);
    source.setMarkerSize(VQColorMarker::Small);
    source.setColor(QColor(255, 0, 0));
    source.setDelegate(panel);
    source.setSelected(true);
    const QVariantMap dictionary = Unarchiver::unarchiveObject(source.archivedData()).toMap();
    EXPECT_EQ(dictionary.value(QString::fromLatin1(kVQCMSizeKey)).toInt(), 0);
    EXPECT_EQ(dictionary.value(QString::fromLatin1(kVQCMAnchorKey)).toString(),
              QStringLiteral("{40, 30}"));
    EXPECT_EQ(dictionary.value(QString::fromLatin1(kVQCMWellKey)).toString(),
              QStringLiteral("{{3, 6}, {9, 20}}"));
    EXPECT_TRUE(dictionary.contains(QString::fromLatin1(kVQCMColorKey)));

    VQColorMarker read(QPointF(), &palette);
    read.setDelegate(panel);
    ASSERT_TRUE(read.initWithArchivedData(source.archivedData()));
    EXPECT_EQ(read.markerSize(), 0);
    EXPECT_EQ(read.anchorPoint(), QPointF(40, 30));
    EXPECT_EQ(read.color(), QColor(255, 0, 0));
    EXPECT_EQ(read.delegate(), nullptr);
    std::unique_ptr<VQColorMarker> copy(source.copy(&palette));
    EXPECT_FALSE(copy->selected());
    EXPECT_EQ(copy->delegate(), panel);
    EXPECT_EQ(copy->geometry(), source.geometry());

    VQGradientView view;
    view.setDelegate(panel);
    view.setGradientFill(threeSteps(0.5f));
    VQGradientView back;
    back.setDelegate(panel);
    ASSERT_TRUE(back.initWithArchivedData(view.archivedData()));
    EXPECT_EQ(*back.gradientFill(), *threeSteps(0.5f));
    EXPECT_EQ(back.delegate(), nullptr);
    std::unique_ptr<VQGradientView> shared(view.copy());
    EXPECT_EQ(shared->gradientFill(), view.gradientFill());
    EXPECT_EQ(shared->delegate(), panel);
}

// ---------------------------------------------------------------------------
// The whole road: editor window, rectangle, well, panel

TEST_F(GradientPanelTest, EditingARectanglesFillThroughTheWellAndThePanel) {
    TMObjectRef object = TMRectangleObject::newTemplateObjectWithOriginSize({40, 40}, {200, 100});
    auto* rect = static_cast<TMRectangleObject*>(object.get());
    rect->setStrokeState(false);
    rect->setFillState(true);
    rect->setGradientFillState(true);
    document.addObject(object);
    // As the rectangle inspector binds its well.
    well->setGradientFill(rect->gradientFill());
    QObject::connect(well, &VQGradientFillWell::gradientFillChanged, well,
                     [&] { rect->setGradientFill(well->gradientFill()); });
    QCoreApplication::processEvents();
    undo()->removeAllActions();
    const VQGradientFillRef original = rect->gradientFill();

    QTest::mouseClick(well, Qt::LeftButton);
    EXPECT_EQ(panel->activeGradientFillWell(), well);
    EXPECT_TRUE(panel->window()->isVisible());
    EXPECT_EQ(panel->document(), &document);

    panel->addMarkerButton()->click();
    QCoreApplication::processEvents();
    EXPECT_FALSE(undo()->canUndo());
    dragMarker(marker(1), {{-20, 0}, {-40, 3}, {-60, 0}});
    ASSERT_EQ(rect->gradientFill()->steps(), 3);
    const QRect s = panel->spectrumGradient()->geometry();
    const float weight = float((marker(1)->anchorPoint().x() - s.x()) / s.width());
    EXPECT_FLOAT_EQ(rect->gradientFill()->weightAtStep(1), weight);
    EXPECT_NEAR(weight, 0.277f, 0.01f);
    EXPECT_EQ(undo()->undoActionName(), frameworkString("FGRADIENT"));
    const VQGradientFill dragged = *rect->gradientFill();

    // Drawn: black at the left, white at the right, the mid grey at the step.
    canvas->repaint();
    const QImage shown = canvas->grab().toImage();
    const auto at = [&](float x) {
        const QPointF w = canvas->widgetRectFromBounds({40 + x, 90, 0, 0}).topLeft();
        return grey(shown, w.toPoint());
    };
    EXPECT_LT(at(3), 20);
    EXPECT_GT(at(197), 235);
    EXPECT_NEAR(at(200 * weight), 127, 12);
    EXPECT_GT(at(200 * weight) - 40, int(255 * weight)); // not the old fill's grey there

    if (const QByteArray shot = qgetenv("LUMISK_SCREENSHOT"); !shot.isEmpty()) {
        ColorPanel::sharedColorPanel()->close(); // it would stand over the panel
        QTest::qWait(300);
        QGuiApplication::primaryScreen()->grabWindow(0).save(QString::fromLocal8Bit(shot));
        panel->window()->grab().save(QString::fromLocal8Bit(shot) + QStringLiteral(".panel.png"));
    }

    QTest::mouseClick(panel->presetsTable(), Qt::LeftButton, {}, cellCentre(0, 1));
    QCoreApplication::processEvents();
    VQGradientFillRef preset = VQGradientFill::stdFill();
    preset->setAngle(45);
    EXPECT_EQ(*rect->gradientFill(), *preset);

    // One step per edit, walked back by Undo.
    ASSERT_TRUE(undo()->undo());
    EXPECT_EQ(*rect->gradientFill(), dragged);
    ASSERT_TRUE(undo()->undo());
    EXPECT_EQ(*rect->gradientFill(), *original);
    EXPECT_FALSE(undo()->canUndo());
}

} // namespace
