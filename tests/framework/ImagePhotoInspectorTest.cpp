#include "framework/inspectors/TMImageObjectController.h"
#include "framework/inspectors/TMPhotoMaskController.h"
#include "framework/inspectors/TMPhotoObjectController.h"
#include "framework/model/TMImageObject.h"
#include "framework/model/TMOvalPhotoMask.h"
#include "framework/model/TMPhotoMaskManager.h"
#include "framework/model/TMPhotoObject.h"
#include "framework/model/TMRectPhotoMask.h"
#include "framework/model/TemplateDocument.h"
#include "platform/foundation/UndoManager.h"
#include "platform/foundation/UserDefaults.h"
#include "support/TestHome.h"
#include "support/TestHost.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPointer>
#include <QSlider>
#include <gtest/gtest.h>

namespace {

QString str(const char* text) {
    return QString::fromLatin1(text);
}

class InspectorTest : public ::testing::Test {
protected:
    InspectorTest() {
        UserDefaults::standardUserDefaults().setObjectForKey(str("."), str("NSDecimalSeparator"));
    }
    ~InspectorTest() override {
        UserDefaults::standardUserDefaults().removeObjectForKey(str("NSDecimalSeparator"));
    }
    UndoManager* undo() { return document.undoManager(); }
    template <class T> static T* control(QWidget* palette, const char* name) {
        return palette->findChild<T*>(str(name));
    }
    // Each edit ends with a pass of the event loop, which closes its undo group.
    static void type(QLineEdit* field, const QString& text) {
        field->setText(text);
        Q_EMIT field->editingFinished();
        QCoreApplication::processEvents();
    }
    static void choose(QComboBox* pop, const QVariant& tag) {
        pop->setCurrentIndex(pop->findData(tag));
        Q_EMIT pop->activated(pop->currentIndex());
        QCoreApplication::processEvents();
    }
    static void choose(QComboBox* pop, const QString& title) {
        pop->setCurrentIndex(pop->findText(title));
        Q_EMIT pop->activated(pop->currentIndex());
        QCoreApplication::processEvents();
    }
    static void click(QCheckBox* box) {
        box->click();
        QCoreApplication::processEvents();
    }

    TestHome home;
    TestHost host;
    TemplateDocument document;
};

class ImageInspectorTest : public InspectorTest {
protected:
    ImageInspectorTest() {
        image = TMImageObject::newTemplateObjectWithOriginSize({10, 10}, {60, 40});
        document.addObject(image);
        controller =
            qobject_cast<TMImageObjectController*>(TMObjectController::objectControllerForDocument(
                str("TMImageObjectController"), &document));
        controller->setInspectedObject(image);
        palette = controller->getInspectorPalette();
        undo()->removeAllActions();
    }
    TMImageObjectRef image;
    TMImageObjectController* controller = nullptr;
    QWidget* palette = nullptr;
};

TEST_F(ImageInspectorTest, TypedOpacityIsHeldToAPercentAndTheSliderFollows) {
    struct Case {
        const char* typed;
        const char* shown;
        float stored;
        int slider;
    };
    for (const Case& c :
         {Case{"150", "100", 1.0f, 100}, Case{"-5", "0", 0.0f, 0}, Case{"40", "40", 0.4f, 40}}) {
        SCOPED_TRACE(c.typed);
        image->setOpacity(0.5f);
        undo()->removeAllActions();
        type(control<QLineEdit>(palette, "_opacityField"), str(c.typed));
        EXPECT_FLOAT_EQ(image->opacity(), c.stored);
        EXPECT_EQ(control<QLineEdit>(palette, "_opacityField")->text(), str(c.shown));
        EXPECT_EQ(control<QSlider>(palette, "_opacitySlider")->value(), c.slider);
        EXPECT_EQ(undo()->undoActionName(), str("Opacity"));
    }
    control<QSlider>(palette, "_opacitySlider")->setValue(25);
    EXPECT_FLOAT_EQ(image->opacity(), 0.25f);
    EXPECT_EQ(control<QLineEdit>(palette, "_opacityField")->text(), str("25"));
}

TEST_F(ImageInspectorTest, CompositionAndFlipsAreUndoableUnderTheirNames) {
    auto* composition = control<QComboBox>(palette, "_compositionPopUp");
    ASSERT_EQ(composition->currentData(), QVariant(2));
    for (int tag = 0; tag <= 13; ++tag)
        EXPECT_GE(composition->findData(tag), 0) << tag;
    choose(composition, QVariant(10));
    EXPECT_EQ(image->composition(), 10);
    EXPECT_EQ(undo()->undoActionName(), str("Compositing"));

    click(control<QCheckBox>(palette, "_horizFlipSwitch"));
    EXPECT_TRUE(image->flipHorizontal());
    EXPECT_EQ(undo()->undoActionName(), str("Flip Horizontal"));
    click(control<QCheckBox>(palette, "_vertFlipSwitch"));
    EXPECT_TRUE(image->flipVertical());
    EXPECT_EQ(undo()->undoActionName(), str("Flip Vertical"));

    for (int i = 0; i < 3; ++i)
        undo()->undo();
    controller->updateInspectorPalette();
    EXPECT_EQ(image->composition(), 2);
    EXPECT_FALSE(image->flipHorizontal());
    EXPECT_FALSE(image->flipVertical());
    EXPECT_EQ(composition->currentData(), QVariant(2));
    EXPECT_FALSE(control<QCheckBox>(palette, "_horizFlipSwitch")->isChecked());
}

class PhotoInspectorTest : public InspectorTest {
protected:
    PhotoInspectorTest() {
        cell = addCell(10);
        controller =
            qobject_cast<TMPhotoObjectController*>(TMObjectController::objectControllerForDocument(
                str("TMPhotoObjectController"), &document));
        inspect(cell);
        undo()->removeAllActions();
    }
    TMPhotoObjectRef addCell(float x) {
        TMPhotoObjectRef made = TMPhotoObject::newTemplateObjectWithOriginSize({x, 10}, {50, 50});
        document.addObject(made);
        return made;
    }
    void inspect(const TMObjectRef& object) {
        controller->setInspectedObject(object);
        palette = controller->getInspectorPalette();
    }
    TMPhotoMaskController* maskController(const char* controllerClass) {
        return TMPhotoMaskController::maskControllerForDocument(str(controllerClass), &document);
    }
    QWidget* holder() { return control<QWidget>(palette, "_maskInspectorView"); }

    TMPhotoObjectRef cell;
    TMPhotoObjectController* controller = nullptr;
    QWidget* palette = nullptr;
};

TEST_F(PhotoInspectorTest, TheMaskPopUpListsTheKindsInTheManagersOrder) {
    auto* pop = control<QComboBox>(palette, "_maskPopUp");
    QStringList items;
    for (int i = 0; i < pop->count(); ++i)
        items.append(pop->itemText(i));
    EXPECT_EQ(items, TMPhotoMaskManager::sharedManager()->photoMaskNames());
    EXPECT_EQ(pop->currentText(), str("Oval"));
    EXPECT_FALSE(pop->isEnabled());
}

TEST_F(PhotoInspectorTest, TypedOpacityIsClampedAndTheSliderWaitsForTheRefresh) {
    auto* field = control<QLineEdit>(palette, "_opacityField");
    auto* slider = control<QSlider>(palette, "_opacitySlider");
    cell->setOpacity(0.5f);
    controller->updateInspectorPalette();
    type(field, str("150"));
    EXPECT_FLOAT_EQ(cell->opacity(), 1.0f);
    EXPECT_EQ(field->text(), str("100"));
    EXPECT_EQ(slider->value(), 50);
    EXPECT_EQ(undo()->undoActionName(), str("Opacity"));
    controller->updateInspectorPalette();
    EXPECT_EQ(slider->value(), 100);
    type(field, str("-5"));
    EXPECT_FLOAT_EQ(cell->opacity(), 0.0f);
    EXPECT_EQ(field->text(), str("0"));
}

TEST_F(PhotoInspectorTest, AnotherKindReplacesTheMaskAndTheSameKindKeepsIt) {
    auto* pop = control<QComboBox>(palette, "_maskPopUp");
    const TMPhotoMaskRef oval = cell->mask();
    choose(pop, str("Oval"));
    EXPECT_EQ(cell->mask(), oval);
    EXPECT_FALSE(undo()->canUndo());
    choose(pop, str("Rectangle"));
    ASSERT_TRUE(std::dynamic_pointer_cast<TMRectPhotoMask>(cell->mask()));
    EXPECT_EQ(undo()->undoActionName(), str("Mask Change"));
    undo()->undo();
    EXPECT_EQ(cell->mask(), oval);
}

TEST_F(PhotoInspectorTest, TurningTheMaskOnWithoutAMaskAppliesThePopUpsKindFirst) {
    cell->setMask(nullptr);
    controller->updateInspectorPalette();
    undo()->removeAllActions();
    auto* pop = control<QComboBox>(palette, "_maskPopUp");
    pop->setCurrentIndex(pop->findText(str("Heart")));
    click(control<QCheckBox>(palette, "_maskEnabledSwitch"));
    ASSERT_TRUE(cell->mask());
    EXPECT_EQ(cell->mask()->name(), str("Heart"));
    EXPECT_TRUE(cell->maskEnabled());
    // One click, one step.
    EXPECT_EQ(undo()->undoActionName(), str("Mask On/Off"));
    undo()->undo();
    EXPECT_FALSE(undo()->canUndo());
    EXPECT_FALSE(cell->mask());
    EXPECT_FALSE(cell->maskEnabled());
}

TEST_F(PhotoInspectorTest, TheMaskSwitchEnablesThePopUpAndTheEmbeddedMaskControls) {
    TMPhotoMaskController* oval = maskController("TMOvalPhotoMaskController");
    ASSERT_EQ(controller->maskInspectorPalette(), oval->paletteView());
    EXPECT_FALSE(oval->enabled());
    EXPECT_FALSE(control<QLineEdit>(oval->paletteView(), "_featherField")->isEnabled());
    cell->setMaskEnabled(true);
    controller->updateInspectorPalette();
    EXPECT_TRUE(oval->enabled());
    EXPECT_TRUE(control<QComboBox>(palette, "_maskPopUp")->isEnabled());
    EXPECT_TRUE(control<QLineEdit>(oval->paletteView(), "_featherField")->isEnabled());
    EXPECT_TRUE(control<QCheckBox>(palette, "_maskEnabledSwitch")->isChecked());
}

TEST_F(PhotoInspectorTest, TurningTheMaskOffDisablesItsControlsButKeepsTheMask) {
    auto oval = std::dynamic_pointer_cast<TMOvalPhotoMask>(cell->mask());
    oval->setFeatherPct(0.4f);
    cell->setMaskEnabled(true);
    controller->updateInspectorPalette();
    QWidget* ovalPalette = controller->maskInspectorPalette();
    ASSERT_TRUE(control<QLineEdit>(ovalPalette, "_featherField")->isEnabled());
    click(control<QCheckBox>(palette, "_maskEnabledSwitch"));
    controller->updateInspectorPalette();
    EXPECT_FALSE(cell->maskEnabled());
    EXPECT_EQ(undo()->undoActionName(), str("Mask On/Off"));
    EXPECT_EQ(cell->mask(), oval);
    EXPECT_FLOAT_EQ(oval->featherPct(), 0.4f);
    EXPECT_FALSE(control<QComboBox>(palette, "_maskPopUp")->isEnabled());
    EXPECT_FALSE(control<QLineEdit>(ovalPalette, "_featherField")->isEnabled());
    EXPECT_FALSE(control<QSlider>(ovalPalette, "_featherSlider")->isEnabled());
    EXPECT_EQ(control<QLineEdit>(ovalPalette, "_featherField")->text(), str("40"));
}

TEST_F(PhotoInspectorTest, AKindTheManagerDoesNotKnowChangesNothing) {
    auto* pop = control<QComboBox>(palette, "_maskPopUp");
    const TMPhotoMaskRef oval = cell->mask();
    pop->addItem(str("Sphere"));
    choose(pop, str("Sphere"));
    EXPECT_EQ(cell->mask(), oval);
    EXPECT_FALSE(undo()->canUndo());
}

TEST_F(PhotoInspectorTest, TwoOvalCellsKeepTheSameEmbeddedView) {
    QWidget* shown = controller->maskInspectorPalette();
    const int height = palette->height();
    TMPhotoObjectRef other = addCell(100);
    inspect(other);
    EXPECT_EQ(controller->maskInspectorPalette(), shown);
    EXPECT_EQ(shown->parentWidget(), holder());
    EXPECT_EQ(palette->height(), height);
    EXPECT_EQ(maskController("TMOvalPhotoMaskController")->inspectedMask(), other->mask());
}

TEST_F(PhotoInspectorTest, TheHolderFitsTheEmbeddedPaletteAndThePaletteGrowsDownward) {
    QWidget* ovalPalette = maskController("TMOvalPhotoMaskController")->paletteView();
    const QWidget* maskSwitch = control<QWidget>(palette, "_maskEnabledSwitch");
    const int switchY = maskSwitch->y();
    EXPECT_EQ(holder()->height(), ovalPalette->height() + 2);
    EXPECT_EQ(ovalPalette->parentWidget(), holder());
    const int ovalHeight = palette->height();

    TMPhotoObjectRef rectCell = addCell(100);
    rectCell->setMask(TMPhotoMaskManager::sharedManager()->photoMaskWithName(str("Rectangle")));
    inspect(rectCell);
    QWidget* rectPalette = maskController("TMRectPhotoMaskController")->paletteView();
    ASSERT_NE(rectPalette->height(), ovalPalette->height());
    EXPECT_EQ(controller->maskInspectorPalette(), rectPalette);
    EXPECT_EQ(rectPalette->parentWidget(), holder());
    EXPECT_NE(ovalPalette->parentWidget(), holder());
    EXPECT_EQ(holder()->height(), rectPalette->height() + 2);
    EXPECT_EQ(palette->height() - ovalHeight, rectPalette->height() - ovalPalette->height());
    EXPECT_EQ(maskSwitch->y(), switchY);
    EXPECT_EQ(holder()->y() + holder()->height(), palette->height());

    controller->setMaskInspectorPalette(nullptr);
    EXPECT_EQ(holder()->height(), 10);
    EXPECT_EQ(palette->height(), ovalHeight - ovalPalette->height() - 2 + 10);
    EXPECT_EQ(controller->maskInspectorPalette(), nullptr);
}

TEST_F(PhotoInspectorTest, AKindChangeSwapsTheEmbeddedPaletteAtTheRefreshAndUndoBringsItBack) {
    TMPhotoMaskController* oval = maskController("TMOvalPhotoMaskController");
    choose(control<QComboBox>(palette, "_maskPopUp"), str("Burst"));
    controller->updateInspectorPalette();
    TMPhotoMaskController* burst = maskController("TMBurstPhotoMaskController");
    EXPECT_EQ(controller->maskInspectorPalette(), burst->paletteView());
    EXPECT_EQ(burst->inspectedMask(), cell->mask());
    undo()->undo();
    controller->updateInspectorPalette();
    EXPECT_EQ(controller->maskInspectorPalette(), oval->paletteView());
    EXPECT_EQ(holder()->height(), oval->paletteView()->height() + 2);
}

TEST_F(PhotoInspectorTest, InspectingTheSameCellAgainChangesNothing) {
    TMPhotoMaskController* oval = maskController("TMOvalPhotoMaskController");
    TMPhotoObjectRef other = addCell(100);
    oval->setInspectedMask(other->mask());
    controller->setInspectedObject(cell);
    EXPECT_EQ(oval->inspectedMask(), other->mask());
    controller->setInspectedObject(other);
    controller->setInspectedObject(cell);
    EXPECT_EQ(oval->inspectedMask(), cell->mask());
}

TEST_F(PhotoInspectorTest, ADocumentsInspectorsGoTogetherWithoutTheEmbeddedPalette) {
    QPointer<QWidget> photoPalette;
    QPointer<QWidget> maskPalette;
    {
        TemplateDocument own;
        TMPhotoObjectRef mine = TMPhotoObject::newTemplateObjectWithOriginSize({0, 0}, {20, 20});
        own.addObject(mine);
        auto* photo = qobject_cast<TMPhotoObjectController*>(
            TMObjectController::objectControllerForDocument(str("TMPhotoObjectController"), &own));
        photo->setInspectedObject(mine);
        photoPalette = photo->getInspectorPalette();
        maskPalette = photo->maskInspectorPalette();
        ASSERT_TRUE(maskPalette);
        EXPECT_EQ(own.objectControllers().size(), 2);
    }
    EXPECT_FALSE(photoPalette);
    EXPECT_FALSE(maskPalette);
}

} // namespace
