#include "ClickOut.h"
#include "EditorFixture.h"
#include "framework/Formwell.h"
#include "framework/editor/InspectorController.h"
#include "framework/editor/ToolPaletteController.h"
#include "framework/inspectors/TMPrintAreaObjectController.h"
#include "framework/inspectors/TMTextObjectController.h"
#include "framework/inspectors/VQGradientFillPanel.h"
#include "framework/inspectors/VQGradientFillWell.h"
#include "framework/inspectors/VQGradientViewMatrix.h"
#include "framework/model/MasterEXIFTagDictionary.h"
#include "framework/model/TMOvalObject.h"
#include "framework/model/TMPrintAreaObject.h"
#include "framework/model/TMTextObject.h"
#include "platform/foundation/UndoManager.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/ui/FontManager.h"
#include "support/ScreenShot.h"
#include "support/TestHome.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetricsF>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {

class ObjectInspectorPalettesTest : public ::testing::Test, public EditorFixture {
protected:
    ObjectInspectorPalettesTest() {
        UserDefaults::standardUserDefaults().setObjectForKey(str("."), str("NSDecimalSeparator"));
        ToolPaletteController::sharedToolPaletteController()->setCurrentTool(kTMToolSelect);
        inspector = InspectorController::sharedInspectorController();
        inspector->setMainWindow(window());
        inspector->masterTabView()->setCurrentIndex(InspectorController::ObjectTab);
        QCoreApplication::processEvents();
        undo()->removeAllActions();
    }
    ~ObjectInspectorPalettesTest() override {
        inspector->setMainWindow(nullptr);
        inspector->masterTabView()->setCurrentIndex(InspectorController::DocumentTab);
        UserDefaults::standardUserDefaults().removeObjectForKey(str("NSDecimalSeparator"));
    }
    UndoManager* undo() { return document.undoManager(); }
    template <class T> T* control(const char* name) { return inspector->control<T>(name); }
    // Types the text as a user does and leaves the field.
    void type(QLineEdit* field, const QString& text) {
        field->selectAll();
        QTest::keyClicks(field, text);
        Q_EMIT field->editingFinished();
        QCoreApplication::processEvents();
    }
    // A click on a canvas at a page point.
    static void click(TM_TemplateView* view, Point p) {
        const QPointF w = view->widgetRectFromBounds({p.x, p.y, 0, 0}).topLeft();
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent event(type, w, view->mapToGlobal(w), Qt::LeftButton,
                              type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                              Qt::NoModifier);
            QApplication::sendEvent(view, &event);
        }
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }
    QString shownPalette() const {
        QWidget* view = inspector->inspectorPaletteView();
        return view ? view->objectName() : QString();
    }
    // The darkest pixel around a page point of the canvas.
    int darkest(const QImage& shot, Point p) const {
        const QPoint w = canvas->widgetRectFromBounds({p.x, p.y, 0, 0}).topLeft().toPoint();
        int value = 255;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                value = std::min(value, shot.pixelColor(w.x() + dx, w.y() + dy).value());
        return value;
    }
    // The width of the dark pixels in a band of the canvas, in page points.
    float inkWidth(const QImage& shot, const Rect& band) const {
        const QRect r = canvas->widgetRectFromBounds(band).toAlignedRect() & shot.rect();
        int left = r.right(), right = r.left();
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                if (shot.pixelColor(x, y).value() < 110) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
        return right < left ? 0 : float(right - left + 1) * band.size.width / float(r.width());
    }

    void saveShot(const char* suffix) { saveScreenAndWindow(inspector->window(), suffix); }

    TestHome home;
    InspectorController* inspector = nullptr;
};

TEST_F(ObjectInspectorPalettesTest, APrintAreasLengthTypedInItsPaletteShowsOnTheCanvasUntilUndone) {
    auto area = TMPrintAreaObject::newTemplateObjectWithOriginSize({120, 100}, {120, 80});
    document.addObject(area);
    QCoreApplication::processEvents();
    click(canvas, {180, 140});
    ASSERT_EQ(shownPalette(), str("PrintAreaPalette"));
    QLineEdit* length = control<QLineEdit>("_markLengthField");
    ASSERT_NE(length, nullptr);
    EXPECT_EQ(length->text(), str("18"));

    // The left mark of the lower edge: 18 points long, so nothing at 60 points out.
    const Point near{110, 100}, far{60, 100};
    QImage shot = canvas->grab().toImage();
    EXPECT_LT(darkest(shot, near), 215);
    EXPECT_GT(darkest(shot, far), 240);

    type(length, str("100"));
    EXPECT_FLOAT_EQ(area->cutMarkLength(), 72);
    EXPECT_EQ(length->text(), str("72"));
    EXPECT_EQ(undo()->undoActionName(), str("Cut Mark Length"));
    shot = canvas->grab().toImage();
    EXPECT_LT(darkest(shot, far), 215);

    ASSERT_TRUE(undo()->undo());
    QCoreApplication::processEvents();
    EXPECT_FLOAT_EQ(area->cutMarkLength(), 18);
    EXPECT_EQ(control<QLineEdit>("_markLengthField")->text(), str("18"));
    shot = canvas->grab().toImage();
    EXPECT_LT(darkest(shot, near), 215);
    EXPECT_GT(darkest(shot, far), 240);

    ASSERT_TRUE(undo()->redo());
    QCoreApplication::processEvents();
    saveShot("-printarea");
}

TEST_F(ObjectInspectorPalettesTest, ATextsSizeAndPropertyChosenInItsPaletteShowOnTheCanvas) {
    auto text = TMTextObject::newTemplateObjectWithOriginSize({20, 150}, {330, 60});
    const QStringList families = FontManager::sharedFontManager().availableFontFamilies();
    ASSERT_FALSE(families.isEmpty());
    const QString family =
        families.contains(str("DejaVu Sans")) ? str("DejaVu Sans") : families.first();
    text->setFont(Font(family, 12));
    document.addObject(text);
    QCoreApplication::processEvents();
    click(canvas, {60, 180});
    ASSERT_EQ(shownPalette(), str("TextPalette"));
    EXPECT_EQ(control<QComboBox>("_fontFamilyPopUp")->currentText(), family);
    EXPECT_FALSE(control<QComboBox>("_fontTypefacePopUp")->currentText().isEmpty());

    QComboBox* sizes = control<QComboBox>("_fontSizeComboBox");
    ASSERT_NE(sizes, nullptr);
    type(sizes->lineEdit(), str("14"));
    EXPECT_FLOAT_EQ(text->font().pointSize(), 14);

    QComboBox* kinds = control<QComboBox>("_variantPopUp");
    kinds->setCurrentIndex(TMTextObject::PropertyText);
    Q_EMIT kinds->activated(TMTextObject::PropertyText);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(text->variant(), TMTextObject::PropertyText);
    const QString keyBefore = text->propertyKey();
    const QString textBefore = text->text();

    // The EXIF property with the shortest name, to stay on one line.
    auto* button = control<QPushButton>("_propertyNamePopUp");
    ASSERT_NE(button, nullptr);
    ASSERT_NE(button->menu(), nullptr);
    QAction* chosen = nullptr;
    for (QAction* group : button->menu()->actions())
        if (group->text() == str("EXIF"))
            for (QAction* item : group->menu()->actions())
                if (!chosen || item->text().size() < chosen->text().size())
                    chosen = item;
    ASSERT_NE(chosen, nullptr);
    const QString fullName = chosen->data().toString();
    ASSERT_TRUE(fullName.startsWith(str("EXIF/")));
    const QImage before = canvas->grab().toImage();
    chosen->trigger();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();

    const QString expected = str("Property: ") + fullName;
    EXPECT_EQ(text->text(), expected);
    const QVariantMap tags = GetMasterEXIFTagDictionary().toMap();
    ASSERT_TRUE(tags.contains(text->propertyKey()));
    EXPECT_EQ(str("EXIF/") +
                  tags.value(text->propertyKey()).toMap().value(str("TagName")).toString(),
              fullName);
    EXPECT_EQ(button->text(), chosen->text());

    // The editor's page runs downwards. The ink on the text's first line,
    // between the selection handles, is as
    // wide as the new text at 14 points.
    const Rect band{24, 155, 322, 18};
    const QFontMetricsF metrics(text->font().toQFont());
    const float drawn = inkWidth(canvas->grab().toImage(), band);
    const float wanted =
        float(metrics.horizontalAdvance(expected)) * 72.0f / float(metrics.fontDpi());
    EXPECT_NEAR(drawn, wanted, wanted * 0.2f);
    EXPECT_GT(std::fabs(drawn - inkWidth(before, band)), 10);
    saveShot("-text");

    ASSERT_TRUE(undo()->undo());
    EXPECT_EQ(text->propertyKey(), keyBefore);
    EXPECT_EQ(text->text(), textBefore);
    EXPECT_EQ(text->variant(), TMTextObject::PropertyText);
    EXPECT_FLOAT_EQ(text->font().pointSize(), 14);
}

TEST_F(ObjectInspectorPalettesTest, ClosingADocumentWhosePaletteShowsLeavesTheInspectorWorking) {
    auto own = TMPrintAreaObject::newTemplateObjectWithOriginSize({120, 100}, {120, 80});
    document.addObject(own);

    auto other = std::make_shared<TemplateDocument>();
    auto area = TMPrintAreaObject::newTemplateObjectWithOriginSize({120, 100}, {120, 80});
    other->addObject(area);
    other->makeWindowControllers();
    auto* otherController =
        qobject_cast<TemplateEditorController*>(other->windowControllers().first());
    makeKey(otherController->window());
    inspector->setMainWindow(otherController->window());
    QCoreApplication::processEvents();
    click(otherController->templateView(), {180, 140});
    ASSERT_EQ(shownPalette(), str("PrintAreaPalette"));
    QPointer<QWidget> otherPalette = inspector->inspectorPaletteView();

    other->close();
    other.reset();
    QCoreApplication::processEvents();
    EXPECT_TRUE(otherPalette.isNull());

    makeKey(window());
    inspector->setMainWindow(window());
    click(canvas, {180, 140});
    EXPECT_EQ(shownPalette(), str("PrintAreaPalette"));
    EXPECT_NE(inspector->inspectorPaletteView(), nullptr);
    EXPECT_EQ(inspector->inspectedObject(), own);
    type(control<QLineEdit>("_markLengthField"), str("30"));
    EXPECT_FLOAT_EQ(own->cutMarkLength(), 30);
}

TEST_F(ObjectInspectorPalettesTest, ARectanglesStrokeCornersAndGradientSetInItsPaletteUndoAway) {
    UserDefaults::standardUserDefaults().removeObjectForKey(
        QString::fromLatin1(kGradientPresetsKey));
    VQGradientFillPanel* panel = VQGradientFillPanel::sharedGradientFillPanelController();
    panel->setActiveGradientFillWell(nullptr);
    panel->activate();
    panel->presetsTableFrameDidChange();

    auto rectangle = TMRectangleObject::newTemplateObjectWithOriginSize({100, 80}, {160, 120});
    document.addObject(rectangle);
    QCoreApplication::processEvents();
    undo()->removeAllActions();
    const QImage before = canvas->grab().toImage();

    click(canvas, {100, 140});
    ASSERT_EQ(shownPalette(), str("BasicPalette"));
    ASSERT_NE(control<QCheckBox>("_cornerRadiusSwitch"), nullptr);
    const int basicHeight = inspector->inspectorPaletteView()->height();
    // The Inspector makes room for the corner controls.
    EXPECT_GE(control<QWidget>("_objectContainerView")->height(), basicHeight);
    QStringList undoNames;
    const auto done = [&] {
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        undoNames.append(undo()->undoActionName());
    };

    control<QToolButton>("_strokePopUp")->menu()->actions().at(4)->trigger();
    done();
    EXPECT_EQ(control<QLineEdit>("_strokeWidthField")->text(), str("4"));
    // The left edge, away from the corners, is 4 points of ink.
    canvas->deselect();
    QCoreApplication::processEvents();
    EXPECT_NEAR(inkWidth(canvas->grab().toImage(), Rect{90, 120, 20, 40}), 4, 1);
    click(canvas, {100, 140});
    ASSERT_EQ(shownPalette(), str("BasicPalette"));

    control<QCheckBox>("_cornerRadiusSwitch")->click();
    done();
    type(control<QLineEdit>("_cornerRadiusField"), str("12"));
    done();
    control<QCheckBox>("_fillSwitch")->click();
    done();
    control<QRadioButton>("_fillGradientMatrix")->click();
    done();
    auto* well = control<VQGradientFillWell>("_gradientFillWell");
    ASSERT_TRUE(well && well->isEnabled());
    QTest::mouseClick(well, Qt::LeftButton);
    QCoreApplication::processEvents();
    ASSERT_EQ(panel->activeGradientFillWell(), well);
    VQGradientViewMatrix* presets = panel->presetsTable();
    const QPoint cell =
        presets->widgetRectFromBounds(presets->cellFrameAtRowColumn(0, 2)).center().toPoint();
    QTest::mouseClick(presets, Qt::LeftButton, {}, cell);
    done();
    saveShot("-rectangle");

    EXPECT_FLOAT_EQ(rectangle->strokeWidth(), 4);
    EXPECT_TRUE(rectangle->roundedCornersState());
    EXPECT_FLOAT_EQ(rectangle->cornerRadius(), 12);
    EXPECT_TRUE(rectangle->fillState());
    EXPECT_TRUE(rectangle->gradientFillState());
    VQGradientFillRef expected = VQGradientFill::stdFill();
    expected->setAngle(90);
    ASSERT_TRUE(rectangle->gradientFill());
    EXPECT_EQ(*rectangle->gradientFill(), *expected);
    QStringList keys;
    for (const char* key : {"STROKE", "RCSTATE", "CRADIUS", "FSTATE", "FSTATE", "FGRADIENT"})
        keys.append(frameworkString(key));
    EXPECT_EQ(undoNames, keys);

    canvas->deselect();
    QCoreApplication::processEvents();
    const QImage after = canvas->grab().toImage();
    // The corner is cut round; the edges' middles are inked.
    EXPECT_GT(darkest(after, {101, 81}), 200);
    EXPECT_LT(darkest(after, {100, 140}), 110);
    EXPECT_LT(darkest(after, {180, 80}), 110);
    // The fill runs from one colour to another across the rectangle.
    const auto grey = [&](Point p) {
        const QPoint w = canvas->widgetRectFromBounds({p.x, p.y, 0, 0}).topLeft().toPoint();
        return after.pixelColor(w).value();
    };
    EXPECT_GT(std::abs(grey({180, 90}) - grey({180, 190})), 60);

    for (int step = 0; step < keys.size(); ++step)
        ASSERT_TRUE(undo()->undo()) << step;
    QCoreApplication::processEvents();
    EXPECT_EQ(canvas->grab().toImage(), before);
    panel->setActiveGradientFillWell(nullptr);

    // An oval: no corner controls, and neither cap nor join.
    auto oval = TMOvalObject::newTemplateObjectWithOriginSize({20, 200}, {60, 60});
    oval->setFillState(true);
    document.addObject(oval);
    QCoreApplication::processEvents();
    click(canvas, {50, 230});
    ASSERT_EQ(shownPalette(), str("BasicPalette"));
    EXPECT_LT(inspector->inspectorPaletteView()->height(), basicHeight);
    EXPECT_EQ(control<QCheckBox>("_cornerRadiusSwitch"), nullptr);
    EXPECT_FALSE(control<QComboBox>("_capPopUp")->isEnabled());
    EXPECT_FALSE(control<QComboBox>("_joinPopUp")->isEnabled());
    saveShot("-oval");

    // A polygon: the closed switch, which closes it as a resize.
    auto polygon = TMPolygonObject::newTemplateObject();
    clickOut(*polygon, {280, 40}, {{340, 40}}, {340, 120});
    document.addObject(polygon);
    QCoreApplication::processEvents();
    click(canvas, {310, 40});
    ASSERT_EQ(shownPalette(), str("BasicPalette"));
    auto* closed = control<QCheckBox>("_polygonClosedSwitch");
    ASSERT_NE(closed, nullptr);
    EXPECT_FALSE(closed->isChecked());
    closed->click();
    QCoreApplication::processEvents();
    EXPECT_TRUE(polygon->closedState());
    EXPECT_EQ(undo()->undoActionName(), frameworkString("RESIZE"));
    EXPECT_TRUE(control<QCheckBox>("_polygonClosedSwitch")->isChecked());
    saveShot("-polygon");
}

} // namespace
