#include "EditorFixture.h"
#include "TestImageSource.h"
#include "framework/editor/InspectorController.h"
#include "framework/editor/ToolPaletteController.h"
#include "framework/model/TMHeartPhotoMask.h"
#include "framework/model/TMOvalPhotoMask.h"
#include "framework/model/TMPhotoObject.h"
#include "platform/foundation/UndoManager.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/graphics/GraphicsContext.h"
#include "support/ScreenShot.h"
#include "support/TestHome.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QImage>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class PhotoInspectorPaletteTest : public ::testing::Test, public EditorFixture {
protected:
    PhotoInspectorPaletteTest() {
        UserDefaults::standardUserDefaults().setObjectForKey(str("."), str("NSDecimalSeparator"));
        ToolPaletteController::sharedToolPaletteController()->setCurrentTool(kTMToolSelect);
        inspector = InspectorController::sharedInspectorController();
        inspector->setMainWindow(window());
        inspector->masterTabView()->setCurrentIndex(InspectorController::ObjectTab);
        cell = TMPhotoObject::newTemplateObjectWithOriginSize({100, 100}, {100, 100});
        document.addObject(cell);
        QCoreApplication::processEvents();
        undo()->removeAllActions();
    }
    ~PhotoInspectorPaletteTest() override {
        inspector->setMainWindow(nullptr);
        inspector->masterTabView()->setCurrentIndex(InspectorController::DocumentTab);
        UserDefaults::standardUserDefaults().removeObjectForKey(str("NSDecimalSeparator"));
    }
    UndoManager* undo() { return document.undoManager(); }
    template <class T> T* control(const char* name) { return inspector->control<T>(name); }
    void click(Point p) {
        const QPointF w = canvas->widgetRectFromBounds({p.x, p.y, 0, 0}).topLeft();
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent event(type, w, canvas->mapToGlobal(w), Qt::LeftButton,
                              type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                              Qt::NoModifier);
            QApplication::sendEvent(canvas, &event);
        }
        settle();
    }
    static void settle() {
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }
    // The palette embedded in the photo palette's holder.
    QString embedded() {
        auto* holder = control<QWidget>("_maskInspectorView");
        const QList<QWidget*> shown = holder->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        return shown.size() == 1 ? shown.first()->objectName() : QString();
    }
    // The cell drawn with a plain blue photograph on a white page of 300
    // points, one pixel a point.
    QImage drawn() {
        TestImageSource source;
        QImage photo(50, 50, QImage::Format_ARGB32_Premultiplied);
        photo.fill(Qt::blue);
        // The source counts cells from 0.
        source.images.insert(cell->photoNumber() - 1, Image(photo));
        cell->setImageSource(&source);
        cell->recache();
        QImage page(300, 300, QImage::Format_ARGB32_Premultiplied);
        page.fill(Qt::white);
        EXPECT_EQ(cell->photoNumber(), 1);
        {
            QPainter painter(&page);
            GraphicsContext context(painter, Size{300, 300}, DestinationKind::Image, true);
            GraphicsContext::Focus focus(context);
            cell->drawObject(false);
        }
        cell->setImageSource(nullptr);
        cell->recache();
        return page;
    }
    void saveShot(const char* suffix) { saveScreenAndWindow(inspector->window(), suffix); }

    TestHome home;
    InspectorController* inspector = nullptr;
    TMPhotoObjectRef cell;
};

TEST_F(PhotoInspectorPaletteTest, AHeartChosenAndFeatheredInThePaletteMasksTheCellUntilUndone) {
    const TMPhotoMaskRef oval = cell->mask();
    click({150, 150});
    ASSERT_EQ(inspector->inspectorPaletteView()->objectName(), str("PhotoPalette"));
    EXPECT_EQ(embedded(), str("OvalMaskPalette"));
    EXPECT_FALSE(control<QLineEdit>("_featherField")->isEnabled());

    auto* maskSwitch = control<QCheckBox>("_maskEnabledSwitch");
    QTest::mouseClick(maskSwitch, Qt::LeftButton, {}, QPoint(8, maskSwitch->height() / 2));
    settle();
    ASSERT_TRUE(cell->maskEnabled());
    auto* kinds = control<QComboBox>("_maskPopUp");
    ASSERT_TRUE(kinds->isEnabled());
    kinds->setCurrentIndex(kinds->findText(str("Heart")));
    Q_EMIT kinds->activated(kinds->currentIndex());
    settle();
    EXPECT_EQ(embedded(), str("HeartMaskPalette"));
    QLineEdit* feather = control<QLineEdit>("_featherField");
    ASSERT_TRUE(feather->isEnabled());
    feather->selectAll();
    QTest::keyClicks(feather, str("30"));
    QTest::keyClick(feather, Qt::Key_Return);
    settle();

    auto heart = std::dynamic_pointer_cast<TMHeartPhotoMask>(cell->mask());
    ASSERT_TRUE(heart);
    EXPECT_FLOAT_EQ(heart->featherPct(), 0.3f);
    EXPECT_EQ(feather->text(), str("30"));
    saveShot("-heart");

    const QImage page = drawn();
    const auto blue = [&page](int x, int y) {
        return page.pixelColor(x, y).blue() - page.pixelColor(x, y).red();
    };
    EXPECT_GT(blue(150, 160), 200) << "inside the heart";
    EXPECT_LT(blue(102, 197), 10) << "outside, at a lower corner";
    EXPECT_LT(blue(197, 197), 10) << "outside, at the other";
    // The soft edge: the blue fades in over more pixels than the one of the
    // smoothed hard edge the heart has without feather.
    const auto rampWidth = [](const QImage& drawnPage) {
        int width = 0;
        for (int x = 100; x <= 150; ++x) {
            const int b = drawnPage.pixelColor(x, 160).blue() - drawnPage.pixelColor(x, 160).red();
            width += b > 20 && b < 235;
        }
        return width;
    };
    const int soft = rampWidth(page);

    const char* steps[] = {"Feather", "Mask Change", "Mask On/Off"};
    for (const char* step : steps) {
        ASSERT_TRUE(undo()->canUndo());
        EXPECT_EQ(undo()->undoActionName(), str(step));
        undo()->undo();
        if (step == steps[0]) {
            ASSERT_FLOAT_EQ(heart->featherPct(), 0.0f);
            EXPECT_GT(soft, rampWidth(drawn()) + 1);
        }
    }
    settle();
    EXPECT_EQ(cell->mask(), oval);
    EXPECT_FALSE(cell->maskEnabled());
    EXPECT_FLOAT_EQ(std::dynamic_pointer_cast<TMOvalPhotoMask>(cell->mask())->featherPct(), 0.0f);
    EXPECT_EQ(embedded(), str("OvalMaskPalette"));
    EXPECT_FALSE(maskSwitch->isChecked());
    const QImage unmasked = drawn();
    EXPECT_GT(unmasked.pixelColor(102, 197).blue() - unmasked.pixelColor(102, 197).red(), 200);
}

} // namespace
