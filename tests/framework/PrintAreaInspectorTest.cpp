#include "framework/inspectors/TMPrintAreaObjectController.h"
#include "framework/model/TMPrintAreaObject.h"
#include "framework/model/TemplateDocument.h"
#include "platform/foundation/UndoManager.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/ui/ColorWell.h"
#include "support/TestHome.h"
#include "support/TestHost.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <gtest/gtest.h>

namespace {

QString str(const char* text) {
    return QString::fromLatin1(text);
}

class PrintAreaInspectorTest : public ::testing::Test {
protected:
    PrintAreaInspectorTest() {
        UserDefaults::standardUserDefaults().setObjectForKey(str("."), str("NSDecimalSeparator"));
        area = TMPrintAreaObject::newTemplateObjectWithOriginSize({100, 100}, {50, 40});
        document.addObject(area);
        controller = qobject_cast<TMPrintAreaObjectController*>(
            TMObjectController::objectControllerForDocument(str("TMPrintAreaObjectController"),
                                                            &document));
        undo()->removeAllActions();
    }
    ~PrintAreaInspectorTest() override {
        UserDefaults::standardUserDefaults().removeObjectForKey(str("NSDecimalSeparator"));
    }
    UndoManager* undo() { return document.undoManager(); }
    template <class T> T* control(const char* name) {
        return controller->paletteView()->findChild<T*>(str(name));
    }
    // Types the text into the field and leaves it, in one pass of the event loop.
    void type(const char* field, const QString& text) {
        QLineEdit* f = control<QLineEdit>(field);
        f->setText(text);
        Q_EMIT f->editingFinished();
        QCoreApplication::processEvents();
    }
    void inspect(const TMObjectRef& object) {
        controller->setInspectedObject(object);
        controller->getInspectorPalette();
    }

    TestHome home;
    TestHost host;
    TemplateDocument document;
    TMPrintAreaObjectRef area;
    TMPrintAreaObjectController* controller = nullptr;
};

TEST_F(PrintAreaInspectorTest, OneInspectorPerDocumentMadeByTheFramework) {
    ASSERT_NE(controller, nullptr);
    EXPECT_TRUE(TMObjectController::isControllerClassRegistered(
        TMPrintAreaObject::classObjectControllerClass()));
    EXPECT_EQ(TMObjectController::objectControllerForDocument(str("TMPrintAreaObjectController"),
                                                              &document),
              controller);
    TemplateDocument other;
    EXPECT_NE(
        TMObjectController::objectControllerForDocument(str("TMPrintAreaObjectController"), &other),
        controller);
}

struct TypedMeasure {
    const char* field;
    const char* typed;
    float stored;
    const char* shown;
    const char* undoName;
};

TEST_F(PrintAreaInspectorTest, TypedMeasuresAreHeldToTheirRangesAsOneUndoableStep) {
    const TypedMeasure cases[] = {
        {"_markLengthField", "3", 6, "6", "Cut Mark Length"},
        {"_markLengthField", "100", 72, "72", "Cut Mark Length"},
        {"_markLengthField", "30.5", 30.5f, "30.5", "Cut Mark Length"},
        {"_markOffsetField", "-2", 0, "0", "Cut Mark Distance"},
        {"_markOffsetField", "80", 72, "72", "Cut Mark Distance"},
        {"_markOffsetField", "4", 4, "4", "Cut Mark Distance"},
    };
    area->setCutMarkOffset(10);
    inspect(area);
    for (const TypedMeasure& c : cases) {
        SCOPED_TRACE(std::string(c.field) + " " + c.typed);
        const bool length = std::string(c.field) == "_markLengthField";
        const float before = length ? area->cutMarkLength() : area->cutMarkOffset();
        type(c.field, str(c.typed));
        EXPECT_FLOAT_EQ(length ? area->cutMarkLength() : area->cutMarkOffset(), c.stored);
        EXPECT_EQ(control<QLineEdit>(c.field)->text(), str(c.shown));
        ASSERT_TRUE(undo()->canUndo());
        EXPECT_EQ(undo()->undoActionName(), str(c.undoName));
        ASSERT_TRUE(undo()->undo());
        EXPECT_FLOAT_EQ(length ? area->cutMarkLength() : area->cutMarkOffset(), before);
        ASSERT_TRUE(undo()->redo());
    }
}

TEST_F(PrintAreaInspectorTest, WithNothingInspectedEditsChangeHeldValuesOnly) {
    inspect(nullptr);
    EXPECT_EQ(controller->cutMarksState(), QVariant(true));
    EXPECT_EQ(controller->cutMarkLength().typeId(), QMetaType::Float);
    EXPECT_EQ(controller->cutMarkLength().toFloat(), 18.0f);
    EXPECT_EQ(controller->cutMarkOffset().toFloat(), 0.0f);
    EXPECT_EQ(controller->cutMarkColor().value<Color>(), Color::blackColor());

    type("_markLengthField", str("3"));
    type("_markOffsetField", str("-2"));
    EXPECT_EQ(controller->cutMarkLength().toFloat(), 6.0f);
    EXPECT_EQ(control<QLineEdit>("_markLengthField")->text(), str("6"));
    EXPECT_EQ(controller->cutMarkOffset().toFloat(), 0.0f);
    control<QCheckBox>("_cuttingMarksSwitch")->click();
    EXPECT_EQ(controller->cutMarksState(), QVariant(false));

    EXPECT_FALSE(undo()->canUndo());
    EXPECT_FLOAT_EQ(area->cutMarkLength(), 18);
    EXPECT_TRUE(area->cutMarksState());

    // The object's values show again once it is inspected.
    inspect(area);
    EXPECT_EQ(control<QLineEdit>("_markLengthField")->text(), str("18"));
    EXPECT_TRUE(control<QCheckBox>("_cuttingMarksSwitch")->isChecked());
}

TEST_F(PrintAreaInspectorTest, WithCutMarksOffOnlyTheSwitchStaysEnabled) {
    inspect(area);
    QCheckBox* marks = control<QCheckBox>("_cuttingMarksSwitch");
    const char* dependent[] = {"_markLenthSlider", "_markLengthField", "_markOffsetSlider",
                               "_markOffsetField", "_markColorWell"};
    const char* labels[] = {"_markLengthLabel", "_markOffsetLabel", "_markColorLabel"};
    const auto disabledText = [](QLabel* label) {
        return label->palette().color(QPalette::WindowText) ==
               QApplication::palette(label).color(QPalette::Disabled, QPalette::WindowText);
    };
    for (const bool on : {false, true}) {
        SCOPED_TRACE(on);
        marks->click();
        QCoreApplication::processEvents();
        EXPECT_EQ(area->cutMarksState(), on);
        controller->getInspectorPalette();
        EXPECT_TRUE(marks->isEnabled());
        for (const char* name : dependent)
            EXPECT_EQ(control<QWidget>(name)->isEnabled(), on) << name;
        for (const char* name : labels)
            EXPECT_EQ(disabledText(control<QLabel>(name)), !on) << name;
    }
    EXPECT_EQ(undo()->undoActionName(), str("Cut Marks On/Off"));
}

TEST_F(PrintAreaInspectorTest, TheSliderSetsTheLengthAndHandsTheKeyboardToItsField) {
    inspect(area);
    controller->paletteView()->show();
    control<QSlider>("_markLenthSlider")->setValue(40);
    QCoreApplication::processEvents();
    EXPECT_FLOAT_EQ(area->cutMarkLength(), 40);
    EXPECT_EQ(control<QLineEdit>("_markLengthField")->text(), str("40"));
    EXPECT_EQ(controller->paletteView()->focusWidget(), control<QLineEdit>("_markLengthField"));
    controller->paletteView()->hide();
}

TEST_F(PrintAreaInspectorTest, TheColourWellLetsGoOnlyWhenAnotherObjectIsInspected) {
    inspect(area);
    ColorWell* well = control<ColorWell>("_markColorWell");
    well->activate();
    ASSERT_TRUE(well->isActive());
    inspect(area);
    EXPECT_TRUE(well->isActive());
    const auto other = TMPrintAreaObject::newTemplateObjectWithOriginSize({10, 10}, {20, 20});
    document.addObject(other);
    inspect(other);
    EXPECT_FALSE(well->isActive());
}

} // namespace
