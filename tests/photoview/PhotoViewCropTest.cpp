#include "PhotoPanelFixture.h"
#include "catalog/GridFixture.h"
#include "documents/CatalogToolbar.h"
#include "framework/model/TMPhotoObject.h"
#include "framework/model/TMPrintAreaObject.h"
#include "framework/model/TemplateDocument.h"
#include "layout/TemplateMapper.h"
#include "library/NewTemplateManager.h"
#include "library/TemplateHandle.h"
#include "photoview/CropController.h"
#include "photoview/PhotoView.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/printing/PrintInfo.h"
#include "platform/ui/MainWindowTracker.h"
#include "platform/ui/TickClock.h"
#include "platform/ui/Toolbar.h"
#include "utilities/GeometryUtilities.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>

namespace {

QString str(const char* text) {
    return QString::fromUtf8(text);
}

bool near(const QColor& c, const QColor& expected, int tolerance = 40) {
    return std::abs(c.red() - expected.red()) <= tolerance &&
           std::abs(c.green() - expected.green()) <= tolerance &&
           std::abs(c.blue() - expected.blue()) <= tolerance;
}

void expectRect(const Rect& actual, const Rect& expected, float tolerance = 1e-3f) {
    EXPECT_NEAR(actual.minX(), expected.minX(), tolerance);
    EXPECT_NEAR(actual.minY(), expected.minY(), tolerance);
    EXPECT_NEAR(actual.width(), expected.width(), tolerance);
    EXPECT_NEAR(actual.height(), expected.height(), tolerance);
}

// The notifications one panel posts about its crop.
class CropPosts {
public:
    explicit CropPosts(const PhotoView* panel) {
        for (const char* name : {kPVNewCropNofity, kPVCropIsChangingNofity})
            NotificationCenter::defaultCenter().addObserver(
                this, str(name), static_cast<const QObject*>(panel),
                [this](const Notification& n) { names.append(n.name()); });
    }
    ~CropPosts() { NotificationCenter::defaultCenter().removeObserver(this); }
    int count(const char* name) const { return int(names.count(str(name))); }
    QStringList names;
};

const Rect kCrop{100, 100, 100, 80};

} // namespace

// The catalog window, main, with its photograph panel showing a 400 x 300 photo
// at full size: image space is view space moved by the image frame's origin.
class PhotoViewCropTest : public PhotoPanelFixture {
protected:
    void SetUp() override {
        PhotoPanelFixture::SetUp();
        for (const char* key : {kCropPresetsKey, kCropPresetsInitedKey})
            UserDefaults::standardUserDefaults().removeObjectForKey(str(key));
        UserDefaults::standardUserDefaults().removeObjectForKey(
            Toolbar::configurationKey(str(kPhotoDocToolbarIdentifier)));
        CropController* palette = CropController::sharedCropController();
        palette->buildCropPresetsMenu();
        palette->setConstraintTag(0);
        palette->close();
    }
    void TearDown() override {
        if (controller)
            controller->setEditMode(0);
        CropController::sharedCropController()->close();
        PhotoPanelFixture::TearDown();
    }

    // One photo, selected, with no undo behind it.
    void showPhoto(int width = 400, int height = 300, const char* format = "png") {
        ASSERT_TRUE(
            catalog().addFileEntry(photo(str("crop.%1").arg(str(format)), width, height, format)));
        showFirstPhoto();
    }
    void enterCropMode() { enterMode(&PhotoView::toggleCropMode, PhotoEditModeCrop); }
    Rect storedCrop() { return catalog().getFileImageCropAtIndex(0); }

    // A widget point of the panel for a point of the photo.
    QPoint at(Point image) const {
        const Point view = UTMapPoint(panel()->imageRect(), panel()->imageFrame(), image);
        return panel()->widgetRectFromBounds({view, kZeroSize}).topLeft().toPoint();
    }
    void press(Point image) {
        QTest::mousePress(panel(), Qt::LeftButton, Qt::NoModifier, at(image));
    }
    void moveTo(Point image) { QTest::mouseMove(panel(), at(image)); }
    void release(Point image) {
        QTest::mouseRelease(panel(), Qt::LeftButton, Qt::NoModifier, at(image));
        drainEvents();
    }
    void drag(Point from, std::initializer_list<Point> through) {
        press(from);
        Point last = from;
        for (Point p : through)
            moveTo(last = p);
        release(last);
    }
    // How many steps the undo stack holds; the stack is left as it was.
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
    QAction* cropItem() {
        return panel()->toolbarDelegate().findToolbarItemWithIdentifier(
            CatalogToolbar::itemIdentifier(CatalogToolbarKind::Photograph, "crop"));
    }
    void chooseConstraint(int tag) {
        QComboBox* popUp = CropController::sharedCropController()->constraintPopUp();
        const int index = popUp->findData(tag);
        ASSERT_GE(index, 0);
        popUp->setCurrentIndex(index);
        Q_EMIT popUp->activated(index);
        drainEvents();
    }
};

TEST_F(PhotoViewCropTest, KnobOneDraggedPastTheRightEdgeGoesOnAsKnobThree) {
    showPhoto();
    catalog().setFileImageCropAtIndexTo(0, kCrop);
    drainEvents();
    undo().removeAllActions();
    enterCropMode();
    drag({100, 100}, {{150, 100}, {230, 100}, {240, 100}});
    expectRect(storedCrop(), {200, 100, 40, 80});
    EXPECT_EQ(undoDepth(), 1);
    EXPECT_EQ(undo().undoActionName(), localizedString(str("CROP")));
}

TEST_F(PhotoViewCropTest, EachKnobResizesUnderEachRatio) {
    // Every knob dragged 20 left and 10 down from a 100 x 80 crop.
    const struct {
        float q;
        int knob;
        Rect expected;
    } cases[] = {
        {0, 1, {80, 90, 120, 90}},
        {0, 2, {100, 90, 100, 90}},
        {0, 3, {100, 90, 80, 90}},
        {0, 4, {80, 100, 120, 80}},
        {0, 5, {100, 100, 80, 80}},
        {0, 6, {80, 100, 120, 70}},
        {0, 7, {100, 100, 100, 70}},
        {0, 8, {100, 100, 80, 70}},
        // Below 1 only the side and corner knobs resize; the top edge stays.
        {0.75f, 1, {80, 90, 120, 90}},
        {0.75f, 2, {100, 102.5f, 100, 75}},
        {0.75f, 3, {100, 120, 80, 60}},
        {0.75f, 4, {80, 90, 120, 90}},
        {0.75f, 5, {100, 120, 80, 60}},
        {0.75f, 6, {80, 100, 120, 90}},
        {0.75f, 7, {100, 102.5f, 100, 75}},
        {0.75f, 8, {100, 100, 80, 60}},
        // At 1 both steps act on a corner.
        {1, 1, {110, 90, 90, 90}},
        {1, 2, {100, 90, 90, 90}},
        {1, 3, {100, 90, 90, 90}},
        {1, 4, {80, 60, 120, 120}},
        {1, 5, {100, 100, 80, 80}},
        {1, 6, {130, 100, 70, 70}},
        {1, 7, {100, 100, 70, 70}},
        {1, 8, {100, 100, 70, 70}},
        // Above 1 only the top, bottom and corner knobs resize.
        {1.5f, 1, {140, 90, 60, 90}},
        {1.5f, 2, {100, 90, 60, 90}},
        {1.5f, 3, {100, 90, 60, 90}},
        {1.5f, 4, {123.333f, 100, 53.333f, 80}},
        {1.5f, 5, {123.333f, 100, 53.333f, 80}},
        {1.5f, 6, {153.333f, 100, 46.667f, 70}},
        {1.5f, 7, {100, 100, 46.667f, 70}},
        {1.5f, 8, {100, 100, 46.667f, 70}},
    };
    showPhoto();
    enterCropMode();
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "q " << c.q << " knob " << c.knob);
        panel()->setCropRect(kZeroRect);
        panel()->setConstraintRatio(c.q);
        panel()->setCropRect(kCrop);
        const Point knob = CropGeometry::knobPoint(kCrop, c.knob);
        drag(knob, {{knob.x - 10, knob.y - 5}, {knob.x - 20, knob.y - 10}});
        expectRect(storedCrop(), c.expected);
        EXPECT_EQ(controller->editMode(), PhotoEditModeCrop);
    }
}

TEST_F(PhotoViewCropTest, HoverShowsTheCursorOfThePointsRectangle) {
    showPhoto();
    catalog().setFileImageCropAtIndexTo(0, kCrop);
    drainEvents();
    enterCropMode();
    using C = CropGeometry::Cursor;
    const struct {
        Point point;
        C cursor;
    } cases[] = {
        {{100, 100}, C::Resize}, {{200, 140}, C::Resize}, {{150, 140}, C::Grab},
        {{101, 120}, C::Grab},   {{97, 120}, C::Cross},   {{30, 30}, C::Cross},
        {{150, 250}, C::Cross},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.point.x << "," << c.point.y);
        QTest::mouseMove(panel(), at(c.point));
        const QCursor expected = PhotoView::cropCursor(c.cursor);
        ASSERT_EQ(panel()->cursor().shape(), expected.shape());
        if (expected.shape() == Qt::BitmapCursor) {
            EXPECT_EQ(panel()->cursor().pixmap().cacheKey(), expected.pixmap().cacheKey());
        }
    }
    // Off the photo the panel has no cursor of its own.
    QTest::mouseMove(panel(), at({-30, 150}));
    EXPECT_FALSE(panel()->testAttribute(Qt::WA_SetCursor));
    // Out of crop mode the cursors go.
    QTest::mouseMove(panel(), at({150, 140}));
    panel()->toggleCropMode();
    EXPECT_FALSE(panel()->testAttribute(Qt::WA_SetCursor));
}

TEST_F(PhotoViewCropTest, ArrowKeysNudgeByOneOrEightAndStopAtTheEdge) {
    showPhoto();
    catalog().setFileImageCropAtIndexTo(0, {300, 200, 90, 80});
    drainEvents();
    undo().removeAllActions();
    enterCropMode();
    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        Point origin;
        bool stored;
    } steps[] = {
        {Qt::Key_Right, Qt::AltModifier, {308, 200}, true},
        {Qt::Key_Right, Qt::AltModifier, {310, 200}, true}, // 2 left to the edge
        {Qt::Key_Right, Qt::AltModifier, {310, 200}, false},
        {Qt::Key_Right, Qt::NoModifier, {310, 200}, false},
        {Qt::Key_Up, Qt::AltModifier, {310, 208}, true},
        {Qt::Key_Up, Qt::AltModifier, {310, 216}, true},
        {Qt::Key_Up, Qt::AltModifier, {310, 220}, true},
        {Qt::Key_Up, Qt::NoModifier, {310, 220}, false},
        {Qt::Key_Left, Qt::NoModifier, {309, 220}, true},
        {Qt::Key_Down, Qt::NoModifier, {309, 219}, true},
    };
    int expectedSteps = 0;
    for (const auto& s : steps) {
        SCOPED_TRACE(testing::Message() << s.origin.x << "," << s.origin.y);
        QTest::keyClick(window(), s.key, s.modifiers);
        drainEvents();
        expectRect(storedCrop(), {s.origin, {90, 80}});
        expectedSteps += s.stored;
        EXPECT_EQ(undoDepth(), expectedSteps);
        EXPECT_EQ(catalog().getSelectedIndices(), QList<int>{0});
    }
    EXPECT_EQ(controller->editMode(), PhotoEditModeCrop);
}

TEST_F(PhotoViewCropTest, DeleteRemovesTheCropAndBeepsWithoutOne) {
    showPhoto();
    catalog().setFileImageCropAtIndexTo(0, kCrop);
    drainEvents();
    enterCropMode();
    const int beeps = ModalAlert::beepCount();
    QTest::keyClick(window(), Qt::Key_Backspace);
    drainEvents();
    EXPECT_EQ(storedCrop(), kZeroRect);
    EXPECT_EQ(panel()->cropRect(), kZeroRect);
    EXPECT_EQ(ModalAlert::beepCount(), beeps);
    QTest::keyClick(window(), Qt::Key_Delete);
    EXPECT_EQ(ModalAlert::beepCount(), beeps + 1);
}

TEST_F(PhotoViewCropTest, AClickOffTheCropAndItsKnobsStoresNoCrop) {
    showPhoto();
    catalog().setFileImageCropAtIndexTo(0, kCrop);
    drainEvents();
    undo().removeAllActions();
    enterCropMode();
    // A click outside the photo does nothing.
    drag({-20, 150}, {});
    EXPECT_EQ(storedCrop(), kCrop);
    drag({30, 250}, {});
    EXPECT_EQ(storedCrop(), kZeroRect);
    EXPECT_EQ(panel()->cropRect(), kZeroRect);
    EXPECT_EQ(undoDepth(), 1);
    // Clicking again with no crop changes nothing.
    drag({30, 250}, {});
    EXPECT_EQ(undoDepth(), 1);
}

TEST_F(PhotoViewCropTest, ACropOfThreeUnitsOrLessIsNoCrop) {
    showPhoto();
    enterCropMode();
    drag({100, 100}, {{102, 150}});
    EXPECT_EQ(storedCrop(), kZeroRect);
    EXPECT_EQ(panel()->cropRect(), kZeroRect);
    drag({100, 100}, {{104, 150}});
    expectRect(storedCrop(), {100, 100, 4, 50});
}

TEST_F(PhotoViewCropTest, ADragReportsProgressEveryFifteenTicksAndStoresOnlyAtRelease) {
    showPhoto();
    catalog().setFileImageCropAtIndexTo(0, kCrop);
    drainEvents();
    undo().removeAllActions();
    enterCropMode();
    ManualTickClock clock(1000);
    CropPosts posts(panel());
    press({150, 140});
    moveTo({160, 140});
    clock.advance(15);
    moveTo({170, 140});
    EXPECT_EQ(posts.count(kPVCropIsChangingNofity), 0);
    clock.advance(1);
    moveTo({180, 140});
    EXPECT_EQ(posts.count(kPVCropIsChangingNofity), 1);
    clock.advance(16);
    moveTo({180, 140});
    EXPECT_EQ(posts.count(kPVCropIsChangingNofity), 2);
    // Nothing reaches the catalog while the button is down.
    EXPECT_EQ(storedCrop(), kCrop);
    EXPECT_EQ(posts.count(kPVNewCropNofity), 0);
    expectRect(panel()->cropRect(), {130, 100, 100, 80});
    release({180, 140});
    EXPECT_EQ(posts.count(kPVNewCropNofity), 1);
    expectRect(storedCrop(), {130, 100, 100, 80});
    EXPECT_EQ(undoDepth(), 1);
}

TEST_F(PhotoViewCropTest, OriginalProportionsStoreHeightOverWidthAndNothingForAnUnknownSize) {
    showPhoto();
    enterCropMode();
    // A photo whose size the catalog does not know yet: no constraint, nothing stored.
    panel()->setPhotoImageSize(kZeroSize);
    chooseConstraint(-1);
    EXPECT_EQ(panel()->constraintRatio(), 0.0f);
    EXPECT_EQ(catalog().getFileAttributeAtIndex(kCatalogAttrCropRatio, 0).toFloat(), 0.0f);
    EXPECT_EQ(catalog().getFileAttributeAtIndex(kCatalogAttrCropConstraint, 0).toInt(), -1);

    panel()->setPhotoImageSize({400, 300});
    panel()->setCropRect({0, 0, 200, 200});
    chooseConstraint(0);
    chooseConstraint(-1);
    EXPECT_FLOAT_EQ(panel()->constraintRatio(), 0.75f);
    EXPECT_FLOAT_EQ(catalog().getFileAttributeAtIndex(kCatalogAttrCropRatio, 0).toFloat(), 0.75f);
    // The crop follows the new ratio and is stored.
    expectRect(storedCrop(), {0, 25, 200, 150});
}

TEST_F(PhotoViewCropTest, CroppingInOneWindowLeavesAnotherDocumentAlone) {
    showPhoto();
    // A second catalog window whose photograph panel holds a crop it showed
    // before its selection changed under the layout panel.
    RoduvudeDadevizi second;
    ASSERT_TRUE(second.fileCatalog().addFileEntry(photo(str("b0.png"), 400, 300)));
    ASSERT_TRUE(second.fileCatalog().addFileEntry(photo(str("b1.png"), 400, 300)));
    second.fileCatalog().setFileImageCropAtIndexTo(0, {10, 10, 50, 50});
    auto* other = new ZaroziveZodiroVirizidivi;
    other->setDocument(&second);
    other->setup();
    other->window()->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(other->window()));
    other->mainView()->setGeometry(0, 0, 500, 400);
    second.fileCatalog().setSelectionAtIndex(0);
    drainEvents();
    auto* otherPanel = other->mainView()->findChild<PhotoView*>();
    ASSERT_EQ(otherPanel->cropRect(), Rect(10, 10, 50, 50));
    other->switchView(ZaroziveZodiroVirizidivi::LayoutPanel);
    second.fileCatalog().clearSelection();
    second.fileCatalog().setSelectionAtIndex(1);
    drainEvents();
    second.undoManager()->removeAllActions();

    makeMain();
    enterCropMode();
    drag({150, 100}, {{200, 200}, {250, 220}});
    expectRect(storedCrop(), {150, 100, 100, 120});
    EXPECT_EQ(second.fileCatalog().getFileImageCropAtIndex(1), kZeroRect);
    EXPECT_EQ(second.fileCatalog().getFileImageCropAtIndex(0), Rect(10, 10, 50, 50));
    EXPECT_FALSE(second.undoManager()->canUndo());
    delete other;
    drainEvents();
}

TEST_F(PhotoViewCropTest, TheCropCommandAndThePaletteFromEndToEnd) {
    // A one-cell layout that fills its cell and prints it to disk.
    testHost.settings[PrefLayoutArrangementMode] = int(LayoutModeSequential);
    testHost.settings[PrefPTDResolution] = 72;
    testHost.settings[PrefPTDMirroredEnabled] = false;
    TemplateDocument page;
    page.setDocumentID(str("one-cell"));
    page.setDocName(str("one-cell"));
    PrintInfo info;
    info.setPaperName(str("Custom"));
    info.setPaperSize({170, 120});
    page.setPrintInfo(info);
    page.addObject(TMPhotoObject::newTemplateObjectWithOriginSize({10, 10}, {150, 100}));
    page.addObject(TMPrintAreaObject::newTemplateObjectWithOriginSize({10, 10}, {150, 100}));
    NewTemplateManager* library = NewTemplateManager::sharedTemplateManager();
    ASSERT_TRUE(QDir().mkpath(library->templatesFolderPath()));
    QString error;
    ASSERT_TRUE(page.writeToFileOfType(
        QDir(library->templatesFolderPath()).filePath(str("one-cell.vyxTemplate")),
        str(kTemplateDocumentType), &error));
    library->scanForChanges();
    const TemplateHandleRef master = library->templateWithID(str("one-cell"));
    ASSERT_TRUE(master);
    document->setTemplateMapper(
        std::make_shared<TemplateMapper>(master, document->sharedFileCatalog()));

    placeMainView(700, 500);
    showPhoto(1200, 800, "jpg");
    catalog().setMarkerAtIndexTo(0, true);
    drainEvents();
    undo().removeAllActions();
    QTemporaryDir out;
    int printed = 0;
    // The colours of the one printed file, sampled on a grid.
    const auto print = [&] {
        const std::optional<QStringList> written = controller->printBatchToPath(
            out.path(), str("run%1").arg(printed++), str("PNG"), QVariant(), 72, QVariant());
        EXPECT_TRUE(written && written->size() == 1);
        QList<QColor> seen;
        const QImage image(written && !written->isEmpty() ? written->first() : QString());
        for (int y = 2; y < image.height() - 2; y += 4)
            for (int x = 2; x < image.width() - 2; x += 4)
                for (const QColor& colour : {kTopLeft, kTopRight, kBottomLeft, kBottomRight})
                    if (near(image.pixelColor(x, y), colour) && !seen.contains(colour))
                        seen.append(colour);
        return seen;
    };
    EXPECT_EQ(print().size(), 4);

    // The toolbar's crop item starts the mode and shows the palette.
    QAction* item = cropItem();
    ASSERT_NE(item, nullptr);
    item->trigger();
    drainEvents();
    ASSERT_EQ(controller->editMode(), PhotoEditModeCrop);
    CropController* palette = CropController::sharedCropController();
    EXPECT_TRUE(palette->isVisible());
    EXPECT_TRUE(item->property("lumiskCatalogToolbarOn").toBool());
    // Showing the palette leaves the keyboard with the catalog window.
    EXPECT_TRUE(MainWindowTracker::sharedTracker().isKeyWindow(window()));
    // Its lower-left corner 4 right of and 28 above the window frame's.
    const QRect frame = window()->frameGeometry();
    const QRect placed = palette->window()->frameGeometry();
    EXPECT_EQ(placed.x(), frame.x() + 4);
    EXPECT_EQ(placed.y() + placed.height(), frame.y() + frame.height() - 28);

    // Drag out the top-left quadrant (y up), from its corner to beyond the photo's.
    drag({600, 400}, {{300, 600}, {100, 700}, {-50, 850}});
    expectRect(storedCrop(), {0, 400, 600, 400});
    EXPECT_EQ(undoDepth(), 1);
    EXPECT_EQ(undo().undoActionName(), localizedString(str("CROP")));
    EXPECT_EQ(palette->cropSizeField()->text(), str("600 x 400\n50% x 50%"));
    EXPECT_EQ(print(), QList<QColor>{kTopLeft});

    // The fifth built-in preset: the centred half of each side.
    QComboBox* presets = palette->presetPopUp();
    presets->setCurrentIndex(CropController::kFirstPresetItem + 4);
    Q_EMIT presets->activated(CropController::kFirstPresetItem + 4);
    drainEvents();
    expectRect(storedCrop(), {300, 200, 600, 400});
    EXPECT_EQ(catalog().getFileAttributeAtIndex(kCatalogAttrCropPreset, 0).toString(),
              presets->itemText(CropController::kFirstPresetItem + 4));
    EXPECT_EQ(presets->currentIndex(), CropController::kFirstPresetItem + 4);
    EXPECT_EQ(print().size(), 4);

    ASSERT_TRUE(undo().undo());
    drainEvents();
    expectRect(storedCrop(), {0, 400, 600, 400});
    ASSERT_TRUE(undo().undo());
    drainEvents();
    EXPECT_EQ(storedCrop(), kZeroRect);
    EXPECT_EQ(print().size(), 4);

    // The palette's close box ends the mode.
    palette->window()->close();
    drainEvents();
    EXPECT_EQ(controller->editMode(), PhotoEditModeNone);
    EXPECT_FALSE(palette->isVisible());
    EXPECT_FALSE(item->property("lumiskCatalogToolbarOn").toBool());
}

TEST_F(PhotoViewCropTest, ThePhotosMenuCommandReachesThePanelThroughTheWindow) {
    showPhoto();
    EXPECT_TRUE(controller->respondsToAction(str("toggleCropMode:")));
    QAction command;
    Commands::setItemTag(&command, 705);
    Commands::setItemAction(&command, str("toggleCropMode:"));
    EXPECT_TRUE(controller->validateMenuItem(command));
    controller->performAction(str("toggleCropMode:"), &command);
    drainEvents();
    EXPECT_EQ(controller->editMode(), PhotoEditModeCrop);
    EXPECT_TRUE(CropController::sharedCropController()->isVisible());
    controller->performAction(str("toggleCropMode:"), &command);
    drainEvents();
    EXPECT_EQ(controller->editMode(), PhotoEditModeNone);
    EXPECT_FALSE(CropController::sharedCropController()->isVisible());
    // Switching to the layout panel closes the palette with the mode.
    controller->performAction(str("toggleCropMode:"), &command);
    controller->switchView(ZaroziveZodiroVirizidivi::LayoutPanel);
    drainEvents();
    EXPECT_EQ(controller->editMode(), PhotoEditModeNone);
    EXPECT_FALSE(CropController::sharedCropController()->isVisible());
}

TEST_F(PhotoViewCropTest, AddingAPresetFromTheCropComesBackToCropMode) {
    showPhoto();
    enterCropMode();
    drag({100, 100}, {{200, 150}, {300, 250}});
    expectRect(storedCrop(), {100, 100, 200, 150});
    CropController* palette = CropController::sharedCropController();
    QStringList modesSeen;
    ModalAlert::ScopedDialogResponder dialogs([&](QDialog& dialog) {
        // The palette steps aside while its dialog runs.
        modesSeen.append(palette->isVisible() ? str("shown") : str("closed"));
        dialog.findChild<QLineEdit*>(str("name"))->setText(str("Mine"));
        dialog.accept();
        return dialog.result();
    });
    QComboBox* presets = palette->presetPopUp();
    presets->setCurrentIndex(CropController::AddPresetItem);
    Q_EMIT presets->activated(CropController::AddPresetItem);
    drainEvents();
    EXPECT_EQ(modesSeen, QStringList{str("closed")});
    EXPECT_EQ(controller->editMode(), PhotoEditModeCrop);
    EXPECT_TRUE(palette->isVisible());
    EXPECT_EQ(presets->currentText(), str("Mine"));
    const QVariantMap added = palette->getPresetByName(str("mine"));
    EXPECT_NEAR(added.value(str(kCropPresetXScaleKey)).toDouble(), 0.5, 1e-6);
    EXPECT_NEAR(added.value(str(kCropPresetYScaleKey)).toDouble(), 0.5, 1e-6);
    // Adding applies nothing: the crop stays as it was.
    expectRect(storedCrop(), {100, 100, 200, 150});
}
