#include "framework/inspectors/TMBitmapPhotoMaskController.h"
#include "framework/inspectors/TMOvalPhotoMaskController.h"
#include "framework/inspectors/TMPhotoMaskController.h"
#include "framework/model/TMBitmapPhotoMask.h"
#include "framework/model/TMBurstPhotoMask.h"
#include "framework/model/TMCloudPhotoMask.h"
#include "framework/model/TMHeartPhotoMask.h"
#include "framework/model/TMOvalPhotoMask.h"
#include "framework/model/TMPhotoMaskManager.h"
#include "framework/model/TMPhotoObject.h"
#include "framework/model/TMPinkingPhotoMask.h"
#include "framework/model/TMRectPhotoMask.h"
#include "framework/model/TMTrianglePhotoMask.h"
#include "framework/model/TemplateDocument.h"
#include "platform/foundation/UndoManager.h"
#include "platform/foundation/UserDefaults.h"
#include "support/TestHome.h"
#include "support/TestHost.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

namespace {

QString str(const char* text) {
    return QString::fromLatin1(text);
}

// A photo cell of a document whose mask the inspectors edit.
class PhotoMaskInspectorTest : public ::testing::Test {
protected:
    PhotoMaskInspectorTest() {
        UserDefaults::standardUserDefaults().setObjectForKey(str("."), str("NSDecimalSeparator"));
        host.masksPath = masks.path();
        cell = TMPhotoObject::newTemplateObjectWithOriginSize({10, 10}, {100, 80});
        document.addObject(cell);
    }
    ~PhotoMaskInspectorTest() override {
        UserDefaults::standardUserDefaults().removeObjectForKey(str("NSDecimalSeparator"));
    }
    UndoManager* undo() { return document.undoManager(); }

    // The cell gets a new mask of that kind; its inspector inspects it.
    TMPhotoMaskController* inspect(const char* kind) {
        TMPhotoMaskRef mask = TMPhotoMaskManager::sharedManager()->photoMaskWithName(str(kind));
        cell->setMask(mask);
        TMPhotoMaskController* controller = TMPhotoMaskController::maskControllerForDocument(
            mask->maskControllerClass(), &document);
        controller->setInspectedMask(mask);
        controller->getInspectorPalette();
        undo()->removeAllActions();
        return controller;
    }
    template <class T> static T* control(TMPhotoMaskController* controller, const char* name) {
        return controller->paletteView()->findChild<T*>(str(name));
    }
    // Types the text into the field and leaves it, in one pass of the event loop.
    static void type(QLineEdit* field, const QString& text) {
        field->setText(text);
        Q_EMIT field->editingFinished();
        QCoreApplication::processEvents();
    }
    // Every kind starts at half feather, so that any typed feather changes it.
    void halfFeather() {
        if (auto rect = std::dynamic_pointer_cast<TMRectPhotoMask>(cell->mask()))
            rect->setFeatherPct(0.5f);
        else if (auto oval = std::dynamic_pointer_cast<TMOvalPhotoMask>(cell->mask()))
            oval->setFeatherPct(0.5f);
        QCoreApplication::processEvents();
        undo()->removeAllActions();
    }
    void writeMask(const QString& name) {
        QDir().mkpath(QFileInfo(masks.filePath(name)).path());
        QImage picture(8, 8, QImage::Format_Grayscale8);
        picture.fill(200);
        ASSERT_TRUE(picture.save(masks.filePath(name)));
    }

    TestHome home;
    TestHost host;
    QTemporaryDir masks;
    TemplateDocument document;
    TMPhotoObjectRef cell;
};

float featherOf(const TMPhotoMaskRef& m) {
    if (auto rect = std::dynamic_pointer_cast<TMRectPhotoMask>(m))
        return rect->featherPct();
    return std::dynamic_pointer_cast<TMOvalPhotoMask>(m)->featherPct();
}

struct Typed {
    const char* kind;
    const char* field;
    const char* typed;
    const char* shown;
    float stored;
    const char* undoName;
    std::function<float(const TMPhotoMaskRef&)> value;
};

template <class Mask, class Result>
std::function<float(const TMPhotoMaskRef&)> of(Result (Mask::*getter)() const) {
    return [getter](const TMPhotoMaskRef& m) {
        return float(((*std::dynamic_pointer_cast<Mask>(m)).*getter)());
    };
}

TEST_F(PhotoMaskInspectorTest, TypedValuesAreHeldToTheirRangesShownAsTakenAndUndoable) {
    const Typed cases[] = {
        {"Oval", "_featherField", "120", "100", 1.0f, "Feather", featherOf},
        {"Oval", "_featherField", "-5", "0", 0.0f, "Feather", featherOf},
        {"Oval", "_featherField", "30", "30", 0.3f, "Feather", featherOf},
        {"Diamond", "_featherField", "45", "45", 0.45f, "Feather", featherOf},
        {"Triangle", "_featherField", "101", "100", 1.0f, "Feather", featherOf},
        {"Pinking Shear", "_tpsField", "0", "1", 1, "Teeth", of(&TMPinkingPhotoMask::tps)},
        {"Pinking Shear", "_tpsField", "75", "50", 50, "Teeth", of(&TMPinkingPhotoMask::tps)},
        {"Pinking Shear", "_tpsField", "12.8", "12", 12, "Teeth", of(&TMPinkingPhotoMask::tps)},
        {"Cloud", "_puffinessField", "3", "5", 0.05f, "Puffiness",
         of(&TMCloudPhotoMask::puffiness)},
        {"Cloud", "_puffinessField", "150", "100", 1.0f, "Puffiness",
         of(&TMCloudPhotoMask::puffiness)},
        {"Cloud", "_featherField", "20", "20", 0.2f, "Feather", featherOf},
        {"Heart", "_peakField", "120", "100", 1.0f, "Peak", of(&TMHeartPhotoMask::peak)},
        {"Heart", "_cleftField", "-3", "0", 0.0f, "Cleft", of(&TMHeartPhotoMask::cleft)},
        {"Heart", "_cleftField", "25", "25", 0.25f, "Cleft", of(&TMHeartPhotoMask::cleft)},
        {"Burst", "_rayCountField", "4", "6", 6, "Ray Count", of(&TMBurstPhotoMask::rayCount)},
        {"Burst", "_rayCountField", "100", "90", 90, "Ray Count", of(&TMBurstPhotoMask::rayCount)},
        {"Burst", "_rayLengthField", "150", "100", 1.0f, "Ray Length",
         of(&TMBurstPhotoMask::rayLength)},
        {"Rectangle", "_radiusField", "0", "1", 0.01f, "Corners",
         of(&TMRectPhotoMask::cornerRadius)},
        {"Rectangle", "_radiusField", "250", "100", 1.0f, "Corners",
         of(&TMRectPhotoMask::cornerRadius)},
        {"Rectangle", "_radiusField", "33.7", "33", 0.33f, "Corners",
         of(&TMRectPhotoMask::cornerRadius)},
        {"Rectangle", "_featherField", "120", "100", 1.0f, "Feather", featherOf},
    };
    for (const Typed& c : cases) {
        SCOPED_TRACE(std::string(c.kind) + " " + c.field + " " + c.typed);
        TMPhotoMaskController* controller = inspect(c.kind);
        halfFeather();
        const TMPhotoMaskRef mask = cell->mask();
        const float before = c.value(mask);
        type(control<QLineEdit>(controller, c.field), str(c.typed));
        EXPECT_EQ(cell->mask(), mask);
        EXPECT_FLOAT_EQ(c.value(mask), c.stored);
        EXPECT_EQ(control<QLineEdit>(controller, c.field)->text(), str(c.shown));
        ASSERT_TRUE(undo()->canUndo());
        EXPECT_EQ(undo()->undoActionName(), str(c.undoName));
        undo()->undo();
        EXPECT_FLOAT_EQ(c.value(mask), before);
    }
}

struct Slid {
    const char* kind;
    const char* slider;
    const char* field;
    int value;
    float stored;
    std::function<float(const TMPhotoMaskRef&)> read;
};

TEST_F(PhotoMaskInspectorTest, SliderValuesPassUnchangedAndTheFieldTakesTheKeyboard) {
    const Slid cases[] = {
        {"Oval", "_featherSlider", "_featherField", 40, 0.4f, featherOf},
        {"Pinking Shear", "_tpsSlider", "_tpsField", 33, 33, of(&TMPinkingPhotoMask::tps)},
        {"Cloud", "_puffinessSlider", "_puffinessField", 70, 0.7f,
         of(&TMCloudPhotoMask::puffiness)},
        {"Heart", "_peakSlider", "_peakField", 80, 0.8f, of(&TMHeartPhotoMask::peak)},
        {"Burst", "_rayCountSlider", "_rayCountField", 17, 17, of(&TMBurstPhotoMask::rayCount)},
        {"Burst", "_rayLengthSlider", "_rayLengthField", 60, 0.6f,
         of(&TMBurstPhotoMask::rayLength)},
        {"Rectangle", "_radiusSlider", "_radiusField", 55, 0.55f,
         of(&TMRectPhotoMask::cornerRadius)},
    };
    for (const Slid& c : cases) {
        SCOPED_TRACE(std::string(c.kind) + " " + c.slider);
        TMPhotoMaskController* controller = inspect(c.kind);
        QWidget* palette = controller->paletteView();
        palette->show();
        QApplication::setActiveWindow(palette);
        control<QSlider>(controller, c.slider)->setValue(c.value);
        QCoreApplication::processEvents();
        EXPECT_FLOAT_EQ(c.read(cell->mask()), c.stored);
        EXPECT_EQ(palette->focusWidget(), control<QLineEdit>(controller, c.field));
        palette->hide();
    }
}

struct Kind {
    const char* name;
    const char* controllerClass;
    const char* palette;
};

TEST_F(PhotoMaskInspectorTest, EachKindHasOneInspectorPerDocumentWithItsOwnPalette) {
    const Kind kinds[] = {
        {"Oval", "TMOvalPhotoMaskController", "OvalMaskPalette"},
        {"Diamond", "TMDiamondPhotoMaskController", "OvalMaskPalette"},
        {"Rectangle", "TMRectPhotoMaskController", "RectMaskPalette"},
        {"Triangle", "TMTrianglePhotoMaskController", "TriangleMaskPalette"},
        {"Pinking Shear", "TMPinkingPhotoMaskController", "PinkingMaskPalette"},
        {"Cloud", "TMCloudPhotoMaskController", "CloudMaskPalette"},
        {"Heart", "TMHeartPhotoMaskController", "HeartMaskPalette"},
        {"Burst", "TMBurstPhotoMaskController", "BurstMaskPalette"},
        {"Bitmap", "TMBitmapPhotoMaskController", "BitmapMaskPalette"},
    };
    TemplateDocument other;
    QList<TMPhotoMaskController*> seen;
    for (const Kind& k : kinds) {
        SCOPED_TRACE(k.name);
        TMPhotoMaskController* controller = inspect(k.name);
        EXPECT_EQ(str(controller->metaObject()->className()), str(k.controllerClass));
        EXPECT_EQ(controller->nibName(), str(k.palette));
        EXPECT_EQ(controller->paletteView()->objectName(), str(k.palette));
        EXPECT_EQ(
            TMPhotoMaskController::maskControllerForDocument(str(k.controllerClass), &document),
            controller);
        TMPhotoMaskController* elsewhere =
            TMPhotoMaskController::maskControllerForDocument(str(k.controllerClass), &other);
        ASSERT_NE(elsewhere, nullptr);
        EXPECT_NE(elsewhere, controller);
        EXPECT_FALSE(seen.contains(controller));
        seen.append(controller);
    }
    EXPECT_EQ(
        TMPhotoMaskController::maskControllerForDocument(str("TMOvalPhotoMaskController"), nullptr),
        nullptr);
    EXPECT_EQ(
        TMPhotoMaskController::maskControllerForDocument(str("TMPhotoMaskController"), &document),
        nullptr);
}

TEST_F(PhotoMaskInspectorTest, TwoOvalCellsShareTheOvalInspectorWhichKeepsTheLastMask) {
    TMPhotoObjectRef second = TMPhotoObject::newTemplateObjectWithOriginSize({200, 10}, {50, 50});
    document.addObject(second);
    const auto controllerOf = [this](const TMPhotoObjectRef& c) {
        return TMPhotoMaskController::maskControllerForDocument(c->mask()->maskControllerClass(),
                                                                &document);
    };
    ASSERT_EQ(cell->mask()->name(), str("Oval"));
    ASSERT_EQ(second->mask()->name(), str("Oval"));
    TMPhotoMaskController* oval = controllerOf(cell);
    EXPECT_EQ(controllerOf(second), oval);
    EXPECT_EQ(controllerOf(second)->getInspectorPalette(), oval->getInspectorPalette());
    const TMPhotoMaskRef secondOval = second->mask();
    oval->setInspectedMask(secondOval);
    second->setMask(TMPhotoMaskManager::sharedManager()->photoMaskWithName(str("Heart")));
    TMPhotoMaskController* heart = controllerOf(second);
    EXPECT_NE(heart, oval);
    EXPECT_EQ(str(heart->metaObject()->className()), str("TMHeartPhotoMaskController"));
    // The oval inspector keeps the last mask it was given.
    EXPECT_EQ(oval->inspectedMask(), secondOval);
}

struct Disabled {
    const char* kind;
    std::vector<const char*> off;
    std::vector<const char*> on;
};

TEST_F(PhotoMaskInspectorTest, DisablingLeavesOnlyTheShapedMasksOwnParametersUsable) {
    const Disabled cases[] = {
        {"Oval", {"_featherSlider", "_featherField"}, {}},
        {"Diamond", {"_featherSlider", "_featherField"}, {}},
        {"Rectangle", {"_featherSlider", "_featherField", "_radiusSlider", "_radiusField"}, {}},
        {"Triangle", {"_featherSlider", "_featherField", "_stylePopUp", "_edgePopUp"}, {}},
        {"Bitmap", {"_imageNamesPopUp", "_rotationPopUp"}, {}},
        {"Pinking Shear", {"_featherSlider", "_featherField"}, {"_tpsSlider", "_tpsField"}},
        {"Cloud", {"_featherSlider", "_featherField"}, {"_puffinessSlider", "_puffinessField"}},
        {"Heart",
         {"_featherSlider", "_featherField"},
         {"_peakSlider", "_peakField", "_cleftSlider", "_cleftField"}},
        {"Burst",
         {"_featherSlider", "_featherField"},
         {"_rayCountSlider", "_rayCountField", "_rayLengthSlider", "_rayLengthField"}},
    };
    for (const Disabled& c : cases) {
        SCOPED_TRACE(c.kind);
        TMPhotoMaskController* controller = inspect(c.kind);
        controller->setEnabled(false);
        EXPECT_FALSE(controller->enabled());
        for (const char* name : c.off) {
            QWidget* w = control<QWidget>(controller, name);
            ASSERT_NE(w, nullptr) << name;
            EXPECT_FALSE(w->isEnabled()) << name;
        }
        for (const char* name : c.on)
            EXPECT_TRUE(control<QWidget>(controller, name)->isEnabled()) << name;
        controller->setEnabled(true);
        for (const char* name : c.off)
            EXPECT_TRUE(control<QWidget>(controller, name)->isEnabled()) << name;
    }
}

TEST_F(PhotoMaskInspectorTest, TheEnabledFlagRefreshesThePaletteOnlyWhenItChanges) {
    TMPhotoMaskController* controller = inspect("Oval");
    QLineEdit* field = control<QLineEdit>(controller, "_featherField");
    ASSERT_EQ(field->text(), str("0"));
    std::dynamic_pointer_cast<TMOvalPhotoMask>(cell->mask())->setFeatherPct(0.25f);
    controller->setEnabled(true);
    EXPECT_EQ(field->text(), str("0"));
    controller->setEnabled(false);
    EXPECT_EQ(field->text(), str("25"));
    // Handing over the mask already inspected refreshes nothing either.
    std::dynamic_pointer_cast<TMOvalPhotoMask>(cell->mask())->setFeatherPct(0.5f);
    controller->setInspectedMask(cell->mask());
    EXPECT_EQ(field->text(), str("25"));
}

TEST_F(PhotoMaskInspectorTest, WithoutAMaskValuesAreHeldFromZeroAndNothingIsUndoable) {
    writeMask(str("Plain.png"));
    struct Held {
        const char* controllerClass;
        const char* field;
        const char* typed;
        const char* shown;
    };
    const Held cases[] = {
        {"TMOvalPhotoMaskController", "_featherField", "40", "40"},
        {"TMPinkingPhotoMaskController", "_tpsField", "75", "50"},
        {"TMRectPhotoMaskController", "_radiusField", "0", "1"},
        {"TMHeartPhotoMaskController", "_peakField", "30", "30"},
    };
    for (const Held& c : cases) {
        SCOPED_TRACE(c.controllerClass);
        TMPhotoMaskController* controller =
            TMPhotoMaskController::maskControllerForDocument(str(c.controllerClass), &document);
        controller->getInspectorPalette();
        EXPECT_EQ(control<QLineEdit>(controller, c.field)->text(), str("0"));
        type(control<QLineEdit>(controller, c.field), str(c.typed));
        EXPECT_EQ(control<QLineEdit>(controller, c.field)->text(), str(c.shown));
        EXPECT_FALSE(undo()->canUndo());
    }
    auto* oval =
        qobject_cast<TMOvalPhotoMaskController*>(TMPhotoMaskController::maskControllerForDocument(
            str("TMOvalPhotoMaskController"), &document));
    EXPECT_EQ(oval->featherPct().typeId(), QMetaType::Float);
    EXPECT_FLOAT_EQ(oval->featherPct().toFloat(), 0.4f);
    auto* bitmap =
        qobject_cast<TMBitmapPhotoMaskController*>(TMPhotoMaskController::maskControllerForDocument(
            str("TMBitmapPhotoMaskController"), &document));
    EXPECT_EQ(bitmap->maskPatternName(), QVariant(str("Plain.png")));
    EXPECT_EQ(bitmap->patternRotation(), QVariant(0));
}

// The items of a menu by title, and the submenus by title.
QStringList titles(const QMenu* menu) {
    QStringList result;
    for (const QAction* action : menu->actions())
        result.append(action->menu() ? action->text() + str("/") : action->text());
    return result;
}

QMenu* submenu(const QMenu* menu, const QString& title) {
    for (QAction* action : menu->actions())
        if (action->menu() && action->text() == title)
            return action->menu();
    return nullptr;
}

QAction* item(const QMenu* menu, const QString& title) {
    for (QAction* action : menu->actions())
        if (!action->menu() && action->text() == title)
            return action;
    return nullptr;
}

TEST_F(PhotoMaskInspectorTest, AFolderOfMaskPicturesIsASubmenuWhosePictureBecomesThePattern) {
    writeMask(str("Frames/Gold.png"));
    writeMask(str("Star.png"));
    TMPhotoMaskController* controller = inspect("Bitmap");
    auto bitmap = std::dynamic_pointer_cast<TMBitmapPhotoMask>(cell->mask());
    // A new mask takes the first picture: start from the other one.
    EXPECT_EQ(bitmap->maskPatternName(), str("Frames/Gold.png"));
    bitmap->setMaskPatternName(str("Star.png"));
    QCoreApplication::processEvents();
    undo()->removeAllActions();
    auto* pull = control<QPushButton>(controller, "_imageNamesPopUp");
    ASSERT_NE(pull->menu(), nullptr);
    EXPECT_EQ(titles(pull->menu()), QStringList({str("Frames/"), str("Star")}));
    QMenu* frames = submenu(pull->menu(), str("Frames"));
    ASSERT_NE(frames, nullptr);
    EXPECT_EQ(titles(frames), QStringList{str("Gold")});
    item(frames, str("Gold"))->trigger();
    QCoreApplication::processEvents();
    EXPECT_EQ(bitmap->maskPatternName(), str("Frames/Gold.png"));
    EXPECT_EQ(pull->text(), str("Gold"));
    EXPECT_EQ(undo()->undoActionName(), str("Mask Change"));

    auto* rotation = control<QComboBox>(controller, "_rotationPopUp");
    rotation->setCurrentIndex(rotation->findData(-90));
    Q_EMIT rotation->activated(rotation->currentIndex());
    QCoreApplication::processEvents();
    EXPECT_EQ(bitmap->patternRotation(), -90);
    EXPECT_EQ(undo()->undoActionName(), str("Mask Change"));
    undo()->undo();
    EXPECT_EQ(bitmap->patternRotation(), 0);
}

TEST_F(PhotoMaskInspectorTest, FoldersWhoseNamesDifferInCaseKeepTheirOwnPictures) {
    for (const char* name : {"Frames/Gold.png", "frames/Silver.png", "Frames/Wood.png", "Top.png"})
        writeMask(str(name));
    TMPhotoMaskController* controller = inspect("Bitmap");
    QMenu* root = control<QPushButton>(controller, "_imageNamesPopUp")->menu();
    ASSERT_NE(submenu(root, str("Frames")), nullptr);
    ASSERT_NE(submenu(root, str("frames")), nullptr);
    EXPECT_EQ(titles(submenu(root, str("Frames"))), QStringList({str("Gold"), str("Wood")}));
    EXPECT_EQ(titles(submenu(root, str("frames"))), QStringList{str("Silver")});
    EXPECT_NE(item(root, str("Top")), nullptr);
    item(submenu(root, str("frames")), str("Silver"))->trigger();
    EXPECT_EQ(std::dynamic_pointer_cast<TMBitmapPhotoMask>(cell->mask())->maskPatternName(),
              str("frames/Silver.png"));
}

TEST_F(PhotoMaskInspectorTest, AnInterleavedListFilesEachPictureUnderItsFolderOrTheRoot) {
    QMenu root;
    QStringList chosen;
    TMBitmapPhotoMaskController::buildImageMenu(
        &root,
        {str("A/"), str("a/"), str("a/B/"), str("A/one.png"), str("a/B/two.tiff"),
         str("a/three.jpg"), str("Lost/four.png"), str("five.png")},
        &root, [&chosen](QAction* a) { chosen.append(a->data().toString()); });
    EXPECT_EQ(titles(&root), QStringList({str("A/"), str("a/"), str("four"), str("five")}));
    EXPECT_EQ(titles(submenu(&root, str("A"))), QStringList{str("one")});
    QMenu* lower = submenu(&root, str("a"));
    EXPECT_EQ(titles(lower), QStringList({str("B/"), str("three")}));
    EXPECT_EQ(titles(submenu(lower, str("B"))), QStringList{str("two")});
    item(submenu(lower, str("B")), str("two"))->trigger();
    item(&root, str("four"))->trigger();
    EXPECT_EQ(chosen, QStringList({str("a/B/two.tiff"), str("Lost/four.png")}));
}

TEST_F(PhotoMaskInspectorTest, TriangleStyleAndEdgeComeFromTheirPopUpsUnderTheirNames) {
    TMPhotoMaskController* controller = inspect("Triangle");
    auto triangle = std::dynamic_pointer_cast<TMTrianglePhotoMask>(cell->mask());
    struct Choice {
        const char* popUp;
        int tag;
        const char* undoName;
    };
    for (const Choice& c : {Choice{"_stylePopUp", 1, "Style"}, Choice{"_edgePopUp", 3, "Edge"}}) {
        auto* pop = control<QComboBox>(controller, c.popUp);
        pop->setCurrentIndex(pop->findData(c.tag));
        Q_EMIT pop->activated(pop->currentIndex());
        QCoreApplication::processEvents();
        EXPECT_EQ(undo()->undoActionName(), str(c.undoName));
    }
    EXPECT_EQ(triangle->triangleStyle(), 1);
    EXPECT_EQ(triangle->triangleEdge(), 3);
}

} // namespace
