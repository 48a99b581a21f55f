#include "PhotoPanelFixture.h"
#include "PrintedPhoto.h"
#include "catalog/GridFixture.h"
#include "framework/model/TMCaptionObject.h"
#include "photoview/CaptionController.h"
#include "photoview/PhotoView.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/ui/ColorPanel.h"
#include "platform/ui/ColorWell.h"
#include "platform/ui/MainWindowTracker.h"
#include "platform/ui/ModalAlert.h"
#include "utilities/GeometryUtilities.h"

#include <QAction>
#include <QColorDialog>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <functional>

namespace {

QString str(const char* text) {
    return QString::fromUtf8(text);
}

TMCaptionObject* balloon(const TMObjectRef& caption) {
    return dynamic_cast<TMCaptionObject*>(caption.get());
}

} // namespace

// The catalog window, main, with its photograph panel showing a 400 x 300 photo
// at full size, in caption mode.
class PhotoViewCaptionTest : public PhotoPanelFixture {
public:
    void TearDown() override {
        if (controller)
            controller->setEditMode(0);
        CaptionController::sharedCaptionController()->close();
        drainEvents();
        PhotoPanelFixture::TearDown();
    }
    // Photos named c1.png, c2.png, ...; the first is selected and shown.
    void showPhotos(int count = 1) {
        for (int i = 1; i <= count; ++i)
            ASSERT_TRUE(catalog().addFileEntry(photo(str("c%1.png").arg(i), 400, 300)));
        showFirstPhoto();
    }
    void enterCaptionMode() { enterMode(&PhotoView::toggleCaptionMode, PhotoEditModeCaption); }
    // Captions A, B, C ... back to front, 60 x 40 each, 80 apart, stored in entry 0.
    QList<TMObjectRef> lay(int count) {
        QList<TMObjectRef> captions;
        QVariantList stored;
        for (int i = 0; i < count; ++i) {
            TMObjectRef c = TMCaptionObject::newTemplateObjectWithOriginSize(
                {float(40 + 80 * i), 150}, {60, 40});
            balloon(c)->setText(QString(QChar('A' + i)));
            captions.append(c);
            stored.append(QVariant::fromValue(c));
        }
        catalog().setFileImageCaptionsAtIndexTo(0, stored);
        drainEvents();
        undo().removeAllActions();
        return captions;
    }
    QList<TMObjectRef> storedCaptions(int index = 0) {
        QList<TMObjectRef> list;
        for (const QVariant& item : catalog().getFileImageCaptionsAtIndex(index))
            list.append(item.value<TMObjectRef>());
        return list;
    }
    QString order(int index = 0) {
        QString names;
        for (const TMObjectRef& c : storedCaptions(index))
            names += balloon(c)->text();
        return names;
    }
    QPoint at(Point image) const {
        const Point view = UTMapPoint(panel()->imageRect(), panel()->imageFrame(), image);
        return panel()->widgetRectFromBounds({view, kZeroSize}).topLeft().toPoint();
    }
    void press(Point image, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::mousePress(panel(), Qt::LeftButton, modifiers, at(image));
    }
    void drag(Point from, std::initializer_list<Point> through) {
        press(from);
        Point last = from;
        for (Point p : through)
            QTest::mouseMove(panel(), at(last = p));
        QTest::mouseRelease(panel(), Qt::LeftButton, Qt::NoModifier, at(last));
        drainEvents();
    }
    void click(Point image, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        press(image, modifiers);
        QTest::mouseRelease(panel(), Qt::LeftButton, modifiers, at(image));
        drainEvents();
    }
    int undoDepth() {
        int n = 0;
        while (undo().canUndo() && n < 20) {
            undo().undo();
            ++n;
        }
        for (int i = 0; i < n; ++i)
            undo().redo();
        drainEvents();
        return n;
    }
    CaptionController& palette() { return *CaptionController::sharedCaptionController(); }
};

TEST_F(PhotoViewCaptionTest, EachChangeIsOneStepThatUndoesAndRedoes) {
    // Captions A (40..100), B (120..180), C (200..260) across y 150..190.
    struct Case {
        const char* name;
        QList<int> selected;
        std::function<void(PhotoViewCaptionTest&)> act;
        const char* actionKey;
        QString before, after;
        // The first caption's left edge after the change, or none.
        float leftAfter;
    };
    const Case cases[] = {
        {"drag in three steps",
         {0},
         [](PhotoViewCaptionTest& t) {
             t.drag({70, 170}, {{80, 170}, {90, 175}, {100, 180}});
         },
         "CAP_MOVE",
         "ABC",
         "ABC",
         70},
        {"resize by the top right handle",
         {0},
         [](PhotoViewCaptionTest& t) {
             t.drag({100, 190}, {{110, 195}, {120, 200}});
         },
         "CAP_RESIZE",
         "ABC",
         "ABC",
         40},
        {"draw a new one on empty photo",
         {},
         [](PhotoViewCaptionTest& t) {
             t.drag({300, 40}, {{320, 60}, {360, 90}});
         },
         "CAP_CREATE",
         "ABC",
         "ABC?",
         40},
        {"delete key",
         {1},
         [](PhotoViewCaptionTest& t) {
             QTest::keyClick(t.panel(), Qt::Key_Delete);
             drainEvents();
         },
         "CAP_DELETE",
         "ABC",
         "AC",
         40},
        {"bring to front",
         {0},
         [](PhotoViewCaptionTest& t) {
             t.panel()->bringSelectedCaptionsToFront();
             drainEvents();
         },
         "CAP_LAYER",
         "ABC",
         "BCA",
         120},
        {"send to back",
         {2},
         [](PhotoViewCaptionTest& t) {
             t.panel()->sendSelectedCaptionsToBack();
             drainEvents();
         },
         "CAP_LAYER",
         "ABC",
         "CAB",
         200},
        {"forward with two selected",
         {0, 1},
         [](PhotoViewCaptionTest& t) {
             t.panel()->moveSelectedCaptionsForward();
             drainEvents();
         },
         "CAP_LAYER",
         "ABC",
         "CAB",
         200},
        {"backward",
         {2},
         [](PhotoViewCaptionTest& t) {
             t.panel()->moveSelectedCaptionsBackward();
             drainEvents();
         },
         "CAP_LAYER",
         "ABC",
         "ACB",
         40},
    };
    showPhotos();
    enterCaptionMode();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QList<TMObjectRef> captions = lay(3);
        for (int i : c.selected)
            captions[i]->setSelected(true);
        drainEvents();
        undo().removeAllActions();
        const QVariantMap geometry = captions[0]->geometry();
        c.act(*this);
        // A new caption, with the framework's first text, shows as "?".
        const auto named = [&] {
            QString names;
            for (const TMObjectRef& caption : storedCaptions()) {
                const QString text = balloon(caption)->text();
                names += text.size() == 1 ? text : str("?");
            }
            return names;
        };
        EXPECT_EQ(named(), c.after);
        const TMObjectRef first = storedCaptions().first();
        EXPECT_NEAR(first->center().x - first->size().width / 2, c.leftAfter, 0.5);
        const QVariantMap after = captions[0]->geometry();
        EXPECT_EQ(undoDepth(), 1);
        EXPECT_EQ(undo().undoActionName(), localizedString(str(c.actionKey)));
        undo().undo();
        drainEvents();
        EXPECT_EQ(named(), c.before);
        EXPECT_EQ(captions[0]->geometry(), geometry);
        EXPECT_EQ(panel()->captions().size(), 3);
        undo().redo();
        drainEvents();
        EXPECT_EQ(named(), c.after);
        EXPECT_EQ(captions[0]->geometry(), after);
        panel()->deselectAllCaptions();
        drainEvents();
    }
}

TEST_F(PhotoViewCaptionTest, AClickOnEmptyPhotoOnlyDeselects) {
    showPhotos();
    const QList<TMObjectRef> captions = lay(2);
    enterCaptionMode();
    click({70, 170});
    EXPECT_TRUE(captions[0]->selected());
    EXPECT_TRUE(storedCaptions()[0]->selected());
    undo().removeAllActions();
    click({300, 50});
    EXPECT_EQ(storedCaptions().size(), 2);
    EXPECT_FALSE(storedCaptions()[0]->selected());
    EXPECT_FALSE(undo().canUndo());
    // Shift adds to the selection and takes away from it.
    click({70, 170});
    click({150, 170}, Qt::ShiftModifier);
    EXPECT_EQ(panel()->selectedCaptions().size(), 2);
    click({70, 170}, Qt::ShiftModifier);
    EXPECT_EQ(panel()->selectedCaptions(), QList<TMObjectRef>{captions[1]});
}

TEST_F(PhotoViewCaptionTest, RefusedRequestsBeepAndAnEmptyBringToFrontIsStillAStep) {
    showPhotos();
    const QList<TMObjectRef> captions = lay(3);
    enterCaptionMode();
    const int beeps = ModalAlert::beepCount();
    QTest::keyClick(panel(), Qt::Key_Left);
    QTest::keyClick(panel(), Qt::Key_Delete);
    EXPECT_EQ(ModalAlert::beepCount(), beeps + 2);
    panel()->bringSelectedCaptionsToFront();
    drainEvents();
    EXPECT_EQ(order(), str("ABC"));
    EXPECT_EQ(undoDepth(), 1);
    EXPECT_EQ(undo().undoActionName(), localizedString(str("CAP_LAYER")));
    captions[1]->setSelected(true);
    captions[2]->setSelected(true);
    drainEvents();
    panel()->moveSelectedCaptionsForward();
    EXPECT_EQ(ModalAlert::beepCount(), beeps + 3);
    EXPECT_EQ(order(), str("ABC"));
}

TEST_F(PhotoViewCaptionTest, ArrowsNudgeByViewPointsAndDragsFollowTheClampedPoint) {
    showPhotos();
    const QList<TMObjectRef> captions = lay(1);
    enterCaptionMode();
    click({70, 170});
    const Point start = captions[0]->center();
    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        Point moved;
    } cases[] = {{Qt::Key_Right, Qt::NoModifier, {1, 0}},
                 {Qt::Key_Up, Qt::NoModifier, {0, 1}},
                 {Qt::Key_Left, Qt::AltModifier, {-8, 0}},
                 {Qt::Key_Down, Qt::AltModifier, {0, -8}}};
    Point expected = start;
    for (const auto& c : cases) {
        QTest::keyClick(panel(), c.key, c.modifiers);
        expected = {expected.x + c.moved.x, expected.y + c.moved.y};
        EXPECT_NEAR(captions[0]->center().x, expected.x, 1e-3);
        EXPECT_NEAR(captions[0]->center().y, expected.y, 1e-3);
    }
    drainEvents();
    EXPECT_NEAR(storedCaptions()[0]->center().x, expected.x, 1e-3);
    // Far beyond the panel's right edge the point stops at the edge, off the photo.
    const Point grab{captions[0]->center().x, captions[0]->center().y};
    const Point edge =
        UTMapPoint(panel()->imageFrame(), panel()->imageRect(), {panel()->bounds().maxX(), 0});
    press(grab);
    QTest::mouseMove(panel(), at(grab) + QPoint(2000, 0));
    QTest::mouseRelease(panel(), Qt::LeftButton, Qt::NoModifier, at(grab) + QPoint(2000, 0));
    drainEvents();
    EXPECT_NEAR(captions[0]->center().x, expected.x + (edge.x - grab.x), 1.0);
    EXPECT_GT(captions[0]->center().x, 400);
}

TEST_F(PhotoViewCaptionTest, UndoAfterSelectingAnotherPhotoChangesOnlyTheFirst) {
    showPhotos(2);
    lay(2);
    enterCaptionMode();
    click({70, 170});
    QTest::keyClick(panel(), Qt::Key_Delete);
    drainEvents();
    ASSERT_EQ(order(0), str("B"));
    catalog().clearSelection();
    catalog().setSelectionAtIndex(1);
    drainEvents();
    ASSERT_TRUE(panel()->captions().isEmpty());
    undo().undo();
    drainEvents();
    EXPECT_EQ(order(0), str("AB"));
    EXPECT_TRUE(storedCaptions(1).isEmpty());
    EXPECT_TRUE(panel()->captions().isEmpty());
    undo().redo();
    drainEvents();
    EXPECT_EQ(order(0), str("B"));
    EXPECT_TRUE(storedCaptions(1).isEmpty());
}

TEST_F(PhotoViewCaptionTest, TheTextSheetChangesTheTextAsOneStepOnlyWithOK) {
    showPhotos();
    const QList<TMObjectRef> captions = lay(1);
    enterCaptionMode();
    click({70, 170});
    for (const bool ok : {false, true}) {
        SCOPED_TRACE(ok);
        ModalAlert::ScopedDialogResponder answer([&](QDialog& dialog) {
            EXPECT_TRUE(panel()->isEditingCaptionText());
            QLineEdit* field = dialog.findChild<QLineEdit*>(str("captionTextField"));
            EXPECT_NE(field, nullptr);
            if (field) {
                EXPECT_EQ(field->text(), str("A"));
                field->setText(str("Hello"));
            }
            return ok ? QDialog::Accepted : QDialog::Rejected;
        });
        QTest::mouseDClick(panel(), Qt::LeftButton, Qt::NoModifier, at({70, 170}));
        drainEvents();
        EXPECT_FALSE(panel()->isEditingCaptionText());
        EXPECT_EQ(balloon(storedCaptions()[0])->text(), ok ? str("Hello") : str("A"));
        EXPECT_EQ(undo().canUndo(), ok);
    }
    EXPECT_EQ(undo().undoActionName(), localizedString(str("CAP_TEXT")));
    undo().undo();
    drainEvents();
    EXPECT_EQ(balloon(storedCaptions()[0])->text(), str("A"));
    undo().redo();
    drainEvents();
    EXPECT_EQ(balloon(storedCaptions()[0])->text(), str("Hello"));
}

TEST_F(PhotoViewCaptionTest, TheStackingCommandsReachThePanelOnlyInCaptionMode) {
    showPhotos();
    const QList<TMObjectRef> captions = lay(2);
    QAction command;
    Commands::setItemTag(&command, 1401);
    Commands::setItemAction(&command, str("bringToFront:"));
    EXPECT_FALSE(controller->validateMenuItem(command));
    captions[0]->setSelected(true);
    drainEvents();
    controller->performAction(str("bringToFront:"), &command);
    drainEvents();
    EXPECT_EQ(order(), str("AB"));
    QAction toggle;
    Commands::setItemTag(&toggle, 707);
    Commands::setItemAction(&toggle, str("toggleCaptionMode:"));
    ASSERT_TRUE(controller->validateMenuItem(toggle));
    controller->performAction(str("toggleCaptionMode:"), &toggle);
    drainEvents();
    ASSERT_EQ(controller->editMode(), PhotoEditModeCaption);
    EXPECT_TRUE(palette().isVisible());
    EXPECT_TRUE(controller->validateMenuItem(command));
    controller->performAction(str("bringToFront:"), &command);
    drainEvents();
    EXPECT_EQ(order(), str("BA"));
    controller->performAction(str("toggleCaptionMode:"), &toggle);
    drainEvents();
    EXPECT_EQ(controller->editMode(), PhotoEditModeNone);
    EXPECT_FALSE(palette().isVisible());
}

// ---------------------------------------------------------------------------
// The palette

TEST_F(PhotoViewCaptionTest, ThePaletteTurnsByQuartersAndUndoesAFontChange) {
    showPhotos();
    const QList<TMObjectRef> captions = lay(2);
    enterCaptionMode();
    EXPECT_EQ(palette().content(), CaptionController::NoSelection);
    click({70, 170});
    ASSERT_EQ(palette().content(), CaptionController::Properties);
    ASSERT_EQ(palette().currentCaption(), captions[0]);
    palette().rotateRightButton()->click();
    EXPECT_EQ(captions[0]->rotation(), 270);
    palette().rotateLeftButton()->click();
    EXPECT_EQ(captions[0]->rotation(), 0);
    EXPECT_EQ(undo().undoActionName(), localizedString(str("CAP_PROPERTY")));

    const Font before = balloon(captions[0])->font();
    QComboBox* size = palette().fontSizeComboBox();
    size->setCurrentText(str("36"));
    palette().sizeChanged();
    EXPECT_EQ(balloon(captions[0])->font().pointSize(), 36);
    const int beeps = ModalAlert::beepCount();
    size->setCurrentText(str("0.5"));
    palette().sizeChanged();
    EXPECT_EQ(ModalAlert::beepCount(), beeps + 1);
    EXPECT_EQ(balloon(captions[0])->font().pointSize(), 36);
    EXPECT_EQ(size->currentText(), str("36"));
    undo().undo();
    drainEvents();
    EXPECT_EQ(balloon(captions[0])->font(), before);
    EXPECT_EQ(balloon(storedCaptions()[0])->font(), before);
    EXPECT_EQ(size->currentText(), QString::number(int(before.pointSize())));

    click({150, 170}, Qt::ShiftModifier);
    EXPECT_EQ(palette().content(), CaptionController::MultiSelection);
    // Closing deselects the panel's captions.
    palette().close();
    drainEvents();
    EXPECT_TRUE(panel()->selectedCaptions().isEmpty());
    EXPECT_EQ(controller->editMode(), PhotoEditModeCaption);
}

TEST_F(PhotoViewCaptionTest, WorkInAnotherCatalogWindowClosesThePaletteAndEndsEveryMode) {
    showPhotos();
    lay(1);
    RoduvudeDadevizi other;
    auto* otherController = new ZaroziveZodiroVirizidivi;
    otherController->setDocument(&other);
    otherController->setup();
    otherController->setEditMode(PhotoEditModeRedEye);
    enterCaptionMode();
    int posted = 0;
    NotificationCenter::defaultCenter().addObserver(this, str(kCaptionPanelClosedNofity), nullptr,
                                                    [&](const Notification&) { ++posted; });
    // The colour panel and the text sheet are part of the work.
    palette().fillColorWell()->activate();
    QApplication::setActiveWindow(ColorPanel::sharedColorPanel()->dialog());
    palette().heartbeat();
    EXPECT_TRUE(palette().isVisible());
    palette().fillColorWell()->deactivate();
    ColorPanel::sharedColorPanel()->close();
    QApplication::setActiveWindow(window());
    palette().heartbeat();
    EXPECT_TRUE(palette().isVisible());
    EXPECT_EQ(posted, 0);

    QApplication::setActiveWindow(otherController->window());
    QTest::qWait(CaptionController::kHeartbeatMilliseconds + 100);
    drainEvents();
    EXPECT_FALSE(palette().isVisible());
    EXPECT_EQ(posted, 1);
    EXPECT_EQ(controller->editMode(), PhotoEditModeNone);
    EXPECT_EQ(otherController->editMode(), PhotoEditModeNone);
    NotificationCenter::defaultCenter().removeObserver(this);
    delete otherController;
    drainEvents();
}

TEST_F(PhotoViewCaptionTest, APaletteWhosePanelGoesClosesWithoutPosting) {
    showPhotos();
    lay(1);
    enterCaptionMode();
    int posted = 0;
    NotificationCenter::defaultCenter().addObserver(this, str(kCaptionPanelClosedNofity), nullptr,
                                                    [&](const Notification&) { ++posted; });
    delete controller;
    controller = nullptr;
    drainEvents();
    EXPECT_EQ(palette().associatedView(), nullptr);
    palette().heartbeat();
    EXPECT_FALSE(palette().isVisible());
    EXPECT_EQ(posted, 0);
    NotificationCenter::defaultCenter().removeObserver(this);
}

TEST_F(PhotoViewCaptionTest, ADrawnCaptionWithTextAndFillShowsOnThePhotoUntilThreeUndos) {
    showPhotos();
    enterCaptionMode();
    drag({100, 100}, {{150, 140}, {250, 200}});
    ASSERT_EQ(storedCaptions().size(), 1);
    {
        ModalAlert::ScopedDialogResponder answer([](QDialog& dialog) {
            dialog.findChild<QLineEdit*>(str("captionTextField"))->setText(str("Hello"));
            return QDialog::Accepted;
        });
        QTest::mouseDClick(panel(), Qt::LeftButton, Qt::NoModifier, at({175, 150}));
        drainEvents();
    }
    ASSERT_EQ(palette().currentCaption(), storedCaptions()[0]);
    const QColor fill(20, 160, 40);
    Q_EMIT palette().fillColorWell()->colorChosen(fill);
    palette().fillColorWell()->setColor(fill);
    palette().fillColorChanged();
    drainEvents();
    EXPECT_EQ(balloon(storedCaptions()[0])->text(), str("Hello"));
    EXPECT_EQ(balloon(storedCaptions()[0])->fillColor().toQColor().rgb(), fill.rgb());
    const auto shownAt = [&](Point image) {
        return panel()->grab().toImage().pixelColor(at(image));
    };
    const QColor shown = shownAt({120, 175});
    EXPECT_LT(std::abs(shown.green() - fill.green()) + std::abs(shown.red() - fill.red()), 40)
        << shown.name().toStdString();
    // Printed too: image point (120, 175) counts y from the bottom of 400 x 300.
    const QImage printed = printedPhoto(*controller, *document, {400, 300});
    const QColor ink =
        printed.pixelColor(120 * printed.width() / 400, (300 - 175) * printed.height() / 300);
    EXPECT_LT(std::abs(ink.green() - fill.green()) + std::abs(ink.red() - fill.red()), 40)
        << ink.name().toStdString();
    for (int i = 0; i < 3; ++i) {
        undo().undo();
        drainEvents();
    }
    EXPECT_TRUE(storedCaptions().isEmpty());
    EXPECT_TRUE(panel()->captions().isEmpty());
    const QImage bare = printedPhoto(*controller, *document, {400, 300});
    const QColor photoInk =
        bare.pixelColor(120 * bare.width() / 400, (300 - 175) * bare.height() / 300);
    EXPECT_GE(std::abs(photoInk.green() - fill.green()) + std::abs(photoInk.red() - fill.red()), 40)
        << photoInk.name().toStdString();
}
