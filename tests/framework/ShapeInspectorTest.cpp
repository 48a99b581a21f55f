#include "framework/inspectors/TMArcObjectController.h"
#include "framework/inspectors/TMLineObjectController.h"
#include "framework/inspectors/TMPolygonObjectController.h"
#include "framework/inspectors/TMRectangleObjectController.h"
#include "framework/inspectors/VQGradientFillWell.h"
#include "framework/model/TMArcObject.h"
#include "framework/model/TMCaptionObject.h"
#include "framework/model/TMLineObject.h"
#include "framework/model/TMOvalObject.h"
#include "framework/model/TMPolygonObject.h"
#include "framework/model/TMRectangleObject.h"
#include "framework/model/TemplateDocument.h"
#include "platform/foundation/UndoManager.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/ui/ColorWell.h"
#include "platform/ui/ModalAlert.h"
#include "support/TestHome.h"
#include "support/TestHost.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QRadioButton>
#include <QToolButton>
#include <functional>
#include <gtest/gtest.h>

namespace {

QString str(const char* text) {
    return QString::fromLatin1(text);
}

class ShapeInspectorTest : public ::testing::Test {
protected:
    ShapeInspectorTest() {
        UserDefaults::standardUserDefaults().setObjectForKey(str("."), str("NSDecimalSeparator"));
    }
    ~ShapeInspectorTest() override {
        UserDefaults::standardUserDefaults().removeObjectForKey(str("NSDecimalSeparator"));
    }
    UndoManager* undo() { return document.undoManager(); }
    template <class Controller> Controller* controllerFor(const TMObjectRef& object) {
        return qobject_cast<Controller*>(TMObjectController::objectControllerForDocument(
            object->objectControllerClass(), &document));
    }
    // Adds the object, hands it to its inspector and shows its values.
    TMShapeObjectController* inspect(const TMObjectRef& object) {
        document.addObject(object);
        auto* controller = controllerFor<TMShapeObjectController>(object);
        controller->setInspectedObject(object);
        controller->getInspectorPalette();
        undo()->removeAllActions();
        return controller;
    }
    template <class T> static T* control(TMObjectController* controller, const char* name) {
        return static_cast<TMShapeObjectController*>(controller)
            ->paletteView()
            ->findChild<T*>(str(name));
    }
    static void type(QLineEdit* field, const QString& text) {
        field->setText(text);
        Q_EMIT field->editingFinished();
    }
    static TMRectangleObjectRef filledRectangle() {
        auto rectangle = TMRectangleObject::newTemplateObjectWithOriginSize({20, 20}, {60, 40});
        rectangle->setFillState(true);
        return rectangle;
    }

    TestHome home;
    TestHost host;
    TemplateDocument document;
};

struct StrokeCase {
    const char* what;
    std::function<TMObjectRef()> make;
    bool strokeAfter;
    int beeps;
    const char* undoName; // null: no step
};

TEST_F(ShapeInspectorTest, TheStrokeGoesOffOnlyWhileTheFillIsOn) {
    const StrokeCase cases[] = {
        {"line",
         [] {
             return TMLineObject::newTemplateObjectWithOriginSize({0, 0}, {40, 40});
         },
         true, 1, nullptr},
        {"unfilled arc",
         [] {
             return TMArcObject::newTemplateObjectWithOriginSize({0, 0}, {40, 40});
         },
         true, 1, nullptr},
        {"filled arc",
         [] {
             auto arc = TMArcObject::newTemplateObjectWithOriginSize({0, 0}, {40, 40});
             arc->setFillState(true);
             return arc;
         },
         false, 0, "Stroke On/Off"},
        {"unfilled rectangle",
         [] {
             return TMRectangleObject::newTemplateObjectWithOriginSize({0, 0}, {40, 40});
         },
         true, 1, nullptr},
        {"filled rectangle", [] { return filledRectangle(); }, false, 0, "Stroke On/Off"},
        {"filled polygon",
         [] {
             auto polygon = TMPolygonObject::newTemplateObjectWithOriginSize({0, 0}, {40, 40});
             polygon->setFillState(true);
             return polygon;
         },
         false, 0, "Stroke On/Off"},
    };
    for (const StrokeCase& c : cases) {
        SCOPED_TRACE(c.what);
        const TMObjectRef object = c.make();
        TMShapeObjectController* controller = inspect(object);
        auto* strokeSwitch = control<QCheckBox>(controller, "_strokeSwitch");
        const int beeps = ModalAlert::beepCount();
        strokeSwitch->click();
        EXPECT_EQ(controller->strokeState().toBool(), c.strokeAfter);
        EXPECT_EQ(strokeSwitch->isChecked(), c.strokeAfter);
        EXPECT_EQ(ModalAlert::beepCount() - beeps, c.beeps);
        EXPECT_EQ(undo()->canUndo(), c.undoName != nullptr);
        if (c.undoName) {
            EXPECT_EQ(undo()->undoActionName(), str(c.undoName));
        }
    }
}

TEST_F(ShapeInspectorTest, TheLastOfStrokeAndFillCannotGoOffAndLeavesNoStepToUndo) {
    for (const bool arc : {false, true}) {
        SCOPED_TRACE(arc ? "arc" : "rectangle");
        TMObjectRef object;
        if (arc) {
            auto made = TMArcObject::newTemplateObjectWithOriginSize({0, 0}, {40, 40});
            made->setFillState(true);
            object = made;
        } else {
            object = filledRectangle();
        }
        TMShapeObjectController* controller = inspect(object);
        control<QCheckBox>(controller, "_strokeSwitch")->click();
        ASSERT_FALSE(controller->strokeState().toBool());

        auto* fillSwitch = control<QCheckBox>(controller, "_fillSwitch");
        const int beeps = ModalAlert::beepCount();
        fillSwitch->click();
        EXPECT_EQ(ModalAlert::beepCount() - beeps, 1);
        EXPECT_TRUE(fillSwitch->isChecked());
        EXPECT_TRUE(controller->fillState().toBool());
        // The only step is the stroke's: undoing it leaves both on.
        EXPECT_EQ(undo()->undoActionName(), str("Stroke On/Off"));
        ASSERT_TRUE(undo()->undo());
        EXPECT_TRUE(controller->strokeState().toBool());
        EXPECT_TRUE(controller->fillState().toBool());
        EXPECT_FALSE(undo()->canUndo());

        // With the stroke on the fill goes off as one step.
        fillSwitch->click();
        EXPECT_FALSE(controller->fillState().toBool());
        EXPECT_EQ(undo()->undoActionName(), str("Fill On/Off"));
    }
}

TEST_F(ShapeInspectorTest, AWidthItemSetsItsNumberOfPointsAndShowsIt) {
    const struct {
        int item;
        const char* shown;
    } items[] = {{3, "3"}, {2, "2"}, {8, "8"}, {1, "1"}};
    const TMObjectRef objects[] = {
        TMLineObject::newTemplateObjectWithOriginSize({0, 0}, {40, 40}),
        TMRectangleObject::newTemplateObjectWithOriginSize({0, 0}, {40, 40}),
        TMPolygonObject::newTemplateObjectWithOriginSize({0, 0}, {40, 40})};
    for (const TMObjectRef& object : objects) {
        TMShapeObjectController* controller = inspect(object);
        const QList<QAction*> menu = controller->strokePopUp()->menu()->actions();
        ASSERT_EQ(menu.size(), 9);
        EXPECT_FALSE(menu.first()->isVisible());
        for (const auto& c : items) {
            SCOPED_TRACE((object->kind() + QString::number(c.item)).toStdString());
            menu.at(c.item - 1 + 1)->trigger();
            EXPECT_EQ(controller->strokeWidth().toFloat(), float(c.item));
            EXPECT_EQ(control<QLineEdit>(controller, "_strokeWidthField")->text(), str(c.shown));
            EXPECT_EQ(undo()->undoActionName(), str("Stroke Width"));
        }
    }
    // The third item is 2 points.
    TMShapeObjectController* controller = inspect(filledRectangle());
    controller->strokePopUp()->menu()->actions().at(2)->trigger();
    EXPECT_EQ(controller->strokeWidth().toFloat(), 2.0f);
    EXPECT_EQ(control<QLineEdit>(controller, "_strokeWidthField")->text(), str("2"));
}

TEST_F(ShapeInspectorTest, HeldWidthsAndTypedWidthsStayWithinTheStrokesRange) {
    auto* line = qobject_cast<TMLineObjectController*>(
        TMObjectController::objectControllerForDocument(str("TMLineObjectController"), &document));
    auto* rectangle =
        qobject_cast<TMRectangleObjectController*>(TMObjectController::objectControllerForDocument(
            str("TMRectangleObjectController"), &document));
    const struct {
        const char* typed;
        float held;
        const char* shown;
    } cases[] = {
        {"0.01", 0.1f, "0.1"}, {"40", 32, "32"}, {"2.5", 2.5f, "2.5"}, {"-3", 0.1f, "0.1"}};
    for (TMShapeObjectController* controller :
         std::initializer_list<TMShapeObjectController*>{line, rectangle}) {
        controller->setInspectedObject(nullptr);
        EXPECT_EQ(controller->strokeWidth(), QVariant(1.0f));
        for (const auto& c : cases) {
            SCOPED_TRACE(c.typed);
            type(control<QLineEdit>(controller, "_strokeWidthField"), str(c.typed));
            EXPECT_FLOAT_EQ(controller->strokeWidth().toFloat(), c.held);
            EXPECT_EQ(control<QLineEdit>(controller, "_strokeWidthField")->text(), str(c.shown));
        }
    }
    EXPECT_FALSE(undo()->canUndo());
}

TEST_F(ShapeInspectorTest, DashPatternsAreShownInTheUsersSeparatorAndStoredWithAPoint) {
    UserDefaults::standardUserDefaults().setObjectForKey(str(","), str("NSDecimalSeparator"));
    const struct {
        const char* typed;
        const char* stored;
        const char* shown;
    } cases[] = {
        {"2-2,50-0", "2-2.5-0", "2-2,5-0"},
        {"2-2.50-0", "2-2.5-0", "2-2,5-0"},
        {"0-0", "0", "Solid"},
        {"4-4", "4-4", "4-4"},
    };
    auto rectangle = filledRectangle();
    TMShapeObjectController* inspected = inspect(rectangle);
    auto* held = qobject_cast<TMLineObjectController*>(
        TMObjectController::objectControllerForDocument(str("TMLineObjectController"), &document));
    held->setInspectedObject(nullptr);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        type(control<QLineEdit>(held, "_dashValueField"), str(c.typed));
        EXPECT_EQ(held->dashPattern().toString(), str(c.stored));
        EXPECT_EQ(control<QLineEdit>(held, "_dashValueField")->text(), str(c.shown));

        type(control<QLineEdit>(inspected, "_dashValueField"), str(c.typed));
        EXPECT_EQ(rectangle->dashPattern(), str(c.stored));
        EXPECT_EQ(control<QLineEdit>(inspected, "_dashValueField")->text(), str(c.shown));
    }
    EXPECT_EQ(undo()->undoActionName(), str("Dash Pattern"));
}

TEST_F(ShapeInspectorTest, PatternItemsAreDrawnAndNamedByTheirPatterns) {
    auto rectangle = filledRectangle();
    TMShapeObjectController* controller = inspect(rectangle);
    const QList<QAction*> menu = controller->dashPopUp()->menu()->actions();
    QStringList names;
    for (QAction* item : menu.mid(1)) {
        names.append(item->data().toString());
        EXPECT_FALSE(item->icon().isNull());
    }
    EXPECT_EQ(names, TMShapeObjectController::dashPatterns());
    EXPECT_EQ(names.first(), str("0"));
    EXPECT_EQ(names.last(), str("10-5-4-5"));
    // The title item has no pattern and changes nothing.
    menu.first()->trigger();
    EXPECT_FALSE(undo()->canUndo());
    menu.at(6)->trigger();
    EXPECT_EQ(rectangle->dashPattern(), str("5-3"));
    EXPECT_EQ(control<QLineEdit>(controller, "_dashValueField")->text(), str("5-3"));
    menu.at(1)->trigger();
    EXPECT_EQ(rectangle->dashPattern(), str("0"));
    EXPECT_EQ(control<QLineEdit>(controller, "_dashValueField")->text(), str("Solid"));
}

TEST_F(ShapeInspectorTest, TypedCornerRadiiAreHeldWithinOneTo32Points) {
    auto rectangle = filledRectangle();
    rectangle->setRoundedCornersState(true);
    TMShapeObjectController* controller = inspect(rectangle);
    const struct {
        const char* typed;
        float stored;
        const char* shown;
    } cases[] = {{"0", 1, "1"}, {"50", 32, "32"}, {"12", 12, "12"}, {"-4", 1, "1"}};
    auto* field = control<QLineEdit>(controller, "_cornerRadiusField");
    ASSERT_NE(field, nullptr);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        type(field, str(c.typed));
        EXPECT_FLOAT_EQ(rectangle->cornerRadius(), c.stored);
        EXPECT_EQ(field->text(), str(c.shown));
        EXPECT_EQ(undo()->undoActionName(), str("Corner Radius"));
    }
}

TEST_F(ShapeInspectorTest, RoundedCornersTakeTheJoinAway) {
    auto rectangle = filledRectangle();
    TMShapeObjectController* controller = inspect(rectangle);
    auto* join = control<QComboBox>(controller, "_joinPopUp");
    auto* rounded = control<QCheckBox>(controller, "_cornerRadiusSwitch");
    auto* radius = control<QLineEdit>(controller, "_cornerRadiusField");
    const struct {
        bool stroke;
        bool rounded;
        bool joinEnabled;
        bool radiusEnabled;
    } cases[] = {{true, false, true, false},
                 {true, true, false, true},
                 {false, true, false, true},
                 {false, false, false, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(
            QStringLiteral("stroke %1 rounded %2").arg(c.stroke).arg(c.rounded).toStdString());
        rectangle->setStrokeState(c.stroke);
        if (rounded->isChecked() != c.rounded)
            rounded->click();
        EXPECT_EQ(rectangle->roundedCornersState(), c.rounded);
        controller->getInspectorPalette();
        EXPECT_EQ(join->isEnabled(), c.joinEnabled);
        EXPECT_EQ(radius->isEnabled(), c.radiusEnabled);
    }
    EXPECT_EQ(undo()->undoActionName(), str("Rounded Corners"));
}

TEST_F(ShapeInspectorTest, CapAndJoinAreOfferedAsTheShapeDrawsThem) {
    const struct {
        const char* what;
        TMObjectRef object;
        bool cap;
        bool join;
    } cases[] = {
        {"oval", TMOvalObject::newTemplateObjectWithOriginSize({0, 0}, {40, 40}), false, false},
        {"rectangle", TMRectangleObject::newTemplateObjectWithOriginSize({0, 0}, {40, 40}), false,
         true},
        {"caption", TMCaptionObject::newTemplateObjectWithOriginSize({0, 0}, {40, 40}), false,
         true},
        {"polygon", TMPolygonObject::newTemplateObjectWithOriginSize({0, 0}, {40, 40}), true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TMShapeObjectController* controller = inspect(c.object);
        controller->setStrokeState(true);
        controller->getInspectorPalette();
        EXPECT_EQ(controller->paletteView()->objectName(), str("BasicPalette"));
        EXPECT_EQ(control<QComboBox>(controller, "_capPopUp")->isEnabled(), c.cap);
        EXPECT_EQ(control<QComboBox>(controller, "_joinPopUp")->isEnabled(), c.join);
    }
}

TEST_F(ShapeInspectorTest, CapAndJoinItemsSetTheirTags) {
    auto polygon = TMPolygonObject::newTemplateObjectWithOriginSize({0, 0}, {40, 40});
    TMShapeObjectController* controller = inspect(polygon);
    auto* cap = control<QComboBox>(controller, "_capPopUp");
    auto* join = control<QComboBox>(controller, "_joinPopUp");
    for (int tag : {2, 1, 0}) {
        cap->setCurrentIndex(cap->findData(tag));
        Q_EMIT cap->activated(cap->currentIndex());
        EXPECT_EQ(polygon->lineCap(), tag);
        join->setCurrentIndex(join->findData(tag));
        Q_EMIT join->activated(join->currentIndex());
        EXPECT_EQ(polygon->lineJoin(), tag);
    }
    polygon->setLineCap(1);
    controller->getInspectorPalette();
    EXPECT_EQ(cap->currentText(), str("Round"));
    EXPECT_EQ(undo()->undoActionName(), str("Line Cap"));
}

TEST_F(ShapeInspectorTest, TheFillTypeComesFromItsTwoButtonGroups) {
    auto rectangle = filledRectangle();
    TMShapeObjectController* controller = inspect(rectangle);
    auto* solid = qobject_cast<QRadioButton*>(controller->fillSolidMatrix()->button(0));
    auto* gradient = qobject_cast<QRadioButton*>(controller->fillGradientMatrix()->button(1));
    auto* well = control<VQGradientFillWell>(controller, "_gradientFillWell");
    auto* colour = control<ColorWell>(controller, "_fillColorWell");
    EXPECT_TRUE(solid->isChecked());
    EXPECT_FALSE(gradient->isChecked());
    EXPECT_FALSE(well->isEnabled());
    EXPECT_TRUE(colour->isEnabled());

    gradient->click();
    EXPECT_TRUE(rectangle->gradientFillState());
    EXPECT_EQ(undo()->undoActionName(), str("Fill On/Off"));
    controller->getInspectorPalette();
    EXPECT_FALSE(solid->isChecked());
    EXPECT_TRUE(gradient->isChecked());
    EXPECT_TRUE(well->isEnabled());
    EXPECT_FALSE(colour->isEnabled());
    // Clicked again it stays the gradient.
    gradient->click();
    EXPECT_TRUE(rectangle->gradientFillState());
    EXPECT_TRUE(gradient->isChecked());

    solid->click();
    EXPECT_FALSE(rectangle->gradientFillState());

    rectangle->setFillState(false);
    controller->getInspectorPalette();
    for (QWidget* w : std::initializer_list<QWidget*>{solid, gradient, well, colour})
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
}

TEST_F(ShapeInspectorTest, ANewObjectLetsGoOfTheWellsAndTheSameObjectKeepsThem) {
    auto rectangle = filledRectangle();
    auto other = filledRectangle();
    document.addObject(other);
    TMShapeObjectController* controller = inspect(rectangle);
    for (const char* name : {"_strokeColorWell", "_fillColorWell", "_gradientFillWell"}) {
        SCOPED_TRACE(name);
        auto* well = control<ColorWell>(controller, name);
        // A well works while its kind of fill is chosen.
        rectangle->setGradientFillState(std::string(name) == "_gradientFillWell");
        controller->getInspectorPalette();
        well->activate();
        ASSERT_TRUE(well->isActive());
        controller->setInspectedObject(rectangle);
        EXPECT_TRUE(well->isActive());
        controller->setInspectedObject(other);
        EXPECT_FALSE(well->isActive());
        controller->setInspectedObject(rectangle);
    }
    auto line = TMLineObject::newTemplateObjectWithOriginSize({0, 0}, {40, 40});
    TMShapeObjectController* lineController = inspect(line);
    auto* well = control<ColorWell>(lineController, "_strokeColorWell");
    well->activate();
    lineController->setInspectedObject(nullptr);
    EXPECT_FALSE(well->isActive());
}

TEST_F(ShapeInspectorTest, TheCornerViewComesAndGoesWithPlainRectangles) {
    auto rectangle = filledRectangle();
    auto oval = TMOvalObject::newTemplateObjectWithOriginSize({0, 0}, {40, 40});
    document.addObject(oval);
    auto* controller = qobject_cast<TMRectangleObjectController*>(inspect(rectangle));
    QWidget* palette = controller->paletteView();
    QPointer<QWidget> corner = controller->cornerRadiusView();
    ASSERT_TRUE(corner);
    EXPECT_EQ(corner->parentWidget(), palette);
    const int tall = palette->height();
    const int cornerHeight = corner->height();
    EXPECT_EQ(corner->geometry().bottom() + 1, tall);
    QWidget* stroke = control<QWidget>(controller, "_strokeSwitch");
    const QPoint strokeAt = stroke->pos();

    controller->setInspectedObject(oval);
    controller->getInspectorPalette();
    EXPECT_EQ(palette->height(), tall - cornerHeight);
    EXPECT_TRUE(!corner || corner->parentWidget() != palette);
    EXPECT_EQ(stroke->pos(), strokeAt);

    controller->setInspectedObject(rectangle);
    controller->getInspectorPalette();
    EXPECT_EQ(palette->height(), tall);
    ASSERT_NE(controller->cornerRadiusView(), nullptr);
    EXPECT_NE(controller->cornerRadiusView(), corner.data());
    EXPECT_EQ(controller->cornerRadiusView()->parentWidget(), palette);
    EXPECT_EQ(stroke->pos(), strokeAt);
    // The same rectangle again keeps the view it has.
    QWidget* shown = controller->cornerRadiusView();
    controller->setInspectedObject(rectangle);
    EXPECT_EQ(controller->cornerRadiusView(), shown);
    EXPECT_EQ(palette->height(), tall);
}

TEST_F(ShapeInspectorTest, APolygonAddsItsOptionsAndClosesAsAResize) {
    auto polygon = TMPolygonObject::newTemplateObjectWithOriginSize({0, 0}, {40, 40});
    auto* controller = qobject_cast<TMPolygonObjectController*>(inspect(polygon));
    ASSERT_NE(controller, nullptr);
    QWidget* palette = controller->paletteView();
    QWidget* options = controller->polygonOptionsView();
    ASSERT_NE(options, nullptr);
    EXPECT_EQ(options->parentWidget(), palette);
    EXPECT_EQ(controller->cornerRadiusView(), nullptr);
    const int tall = palette->height();
    controller->setInspectedObject(nullptr);
    EXPECT_EQ(palette->height(), tall - options->height());
    controller->setInspectedObject(polygon);
    controller->getInspectorPalette();
    EXPECT_EQ(palette->height(), tall);

    auto* closed = control<QCheckBox>(controller, "_polygonClosedSwitch");
    ASSERT_NE(closed, nullptr);
    EXPECT_FALSE(closed->isChecked());
    closed->click();
    EXPECT_TRUE(polygon->closedState());
    EXPECT_EQ(undo()->undoActionName(), str("Resize"));
}

TEST_F(ShapeInspectorTest, TheArcPaletteIsTheLinePaletteWithTheArcViewOnce) {
    auto* line = qobject_cast<TMLineObjectController*>(
        TMObjectController::objectControllerForDocument(str("TMLineObjectController"), &document));
    auto* arc = qobject_cast<TMArcObjectController*>(
        TMObjectController::objectControllerForDocument(str("TMArcObjectController"), &document));
    ASSERT_TRUE(line && arc);
    QWidget* extension = arc->arcPaletteView();
    EXPECT_EQ(arc->paletteView()->objectName(), str("LinePalette"));
    EXPECT_EQ(extension->parentWidget(), arc->paletteView());
    EXPECT_EQ(arc->paletteView()->height(), line->paletteView()->height() + extension->height());
    EXPECT_EQ(arc->paletteView()->findChildren<QWidget*>(str("ArcPalette")).size(), 1);
    EXPECT_EQ(line->paletteView()->findChild<QCheckBox*>(str("_fillSwitch")), nullptr);

    // Inspecting arcs one after another keeps it as it is.
    const int tall = arc->paletteView()->height();
    for (int i = 0; i < 2; ++i) {
        auto object = TMArcObject::newTemplateObjectWithOriginSize({0, 0}, {40, 40});
        inspect(object);
    }
    EXPECT_EQ(arc->paletteView()->height(), tall);
    auto object = TMArcObject::newTemplateObjectWithOriginSize({0, 0}, {40, 40});
    inspect(object);
    control<QCheckBox>(arc, "_invertedConcavitySwitch")->click();
    EXPECT_TRUE(object->concavity());
    EXPECT_EQ(undo()->undoActionName(), str("Concavity"));
}

TEST_F(ShapeInspectorTest, OvalsAndCaptionsAnswerTheRectangleInspector) {
    const TMObjectRef objects[] = {
        TMOvalObject::newTemplateObjectWithOriginSize({0, 0}, {40, 40}),
        TMCaptionObject::newTemplateObjectWithOriginSize({0, 0}, {40, 40})};
    TMObjectController* rectangle = TMObjectController::objectControllerForDocument(
        str("TMRectangleObjectController"), &document);
    for (const TMObjectRef& object : objects) {
        EXPECT_EQ(object->objectControllerClass(), str("TMRectangleObjectController"));
        EXPECT_EQ(inspect(object), rectangle);
    }
    // Their own names make inspectors of their own, by exact class.
    for (const char* name : {"TMOvalObjectController", "TMCaptionObjectController"}) {
        TMObjectController* own =
            TMObjectController::objectControllerForDocument(str(name), &document);
        EXPECT_TRUE(qobject_cast<TMRectangleObjectController*>(own)) << name;
        EXPECT_NE(own, rectangle);
    }
}

// ---------------------------------------------------------------------------
// Extension views of the inspector base

TEST(ExtensionViews, AppendedViewsStackBelowAndRemovalClosesTheGap) {
    QWidget palette;
    palette.setFixedSize(200, 100);
    auto* top = new QWidget(&palette);
    top->setGeometry(0, 10, 200, 20);
    QWidget first, second;
    first.setGeometry(5, 0, 200, 30);
    second.setGeometry(0, 0, 200, 40);

    TMObjectController::appendExtensionView(&palette, &first);
    TMObjectController::appendExtensionView(&palette, &second);
    // Appending a view that is already there changes nothing.
    TMObjectController::appendExtensionView(&palette, &first);
    EXPECT_EQ(palette.height(), 170);
    EXPECT_EQ(first.geometry(), QRect(5, 100, 200, 30));
    EXPECT_EQ(second.geometry(), QRect(0, 130, 200, 40));
    EXPECT_EQ(top->y(), 10);
    EXPECT_TRUE(TMObjectController::isExtensionViewShown(&palette, &second));

    TMObjectController::removeExtensionView(&palette, &first);
    EXPECT_EQ(palette.height(), 140);
    EXPECT_EQ(first.parentWidget(), nullptr);
    EXPECT_EQ(second.y(), 100);
    EXPECT_EQ(top->y(), 10);
    EXPECT_FALSE(TMObjectController::isExtensionViewShown(&palette, &first));
    // Removing it again changes nothing.
    TMObjectController::removeExtensionView(&palette, &first);
    EXPECT_EQ(palette.height(), 140);

    TMObjectController::removeExtensionView(&palette, &second);
    EXPECT_EQ(palette.height(), 100);
}

} // namespace
