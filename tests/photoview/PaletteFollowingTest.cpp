#include "PaletteFixture.h"
#include "framework/editor/TemplateEditorController.h"
#include "framework/model/TemplateDocument.h"
#include "photoview/PhotoInfoWindowController.h"
#include "photoview/PixelAdjusterController.h"

#include <QLineEdit>

namespace {

struct Palette {
    const char* name;
    PaletteController* (*shared)();
    RoduvudeDadevizi* (*document)();
    // A field the user types into.
    const char* field;
};

const Palette kPalettes[] = {
    {"enhancement",
     []() -> PaletteController* {
         return PixelAdjusterController::sharedPixelAdjusterController();
     },
     [] { return PixelAdjusterController::sharedPixelAdjusterController()->document(); },
     "_brightnessField"},
    {"photo info",
     []() -> PaletteController* { return PhotoInfoWindowController::sharedPhotoInfoController(); },
     [] { return PhotoInfoWindowController::sharedPhotoInfoController()->document(); },
     "_moreInfoFinderCommentsField"},
};

} // namespace

// Two catalog windows and a template editor window taking turns as the main window.
class PaletteFollowingTest : public PaletteFixture {
protected:
    void SetUp() override {
        PaletteFixture::SetUp();
        second = std::make_unique<RoduvudeDadevizi>();
        secondController = new ZaroziveZodiroVirizidivi;
        secondController->setDocument(second.get());
        secondController->setup();
        addPhotos(1);
        ASSERT_TRUE(second->fileCatalog().addFileEntry(photo(QStringLiteral("second.png"))));
        second->fileCatalog().setSelectionAtIndex(0);
        catalog().setSelectionAtIndex(0);
        templateDocument.makeWindowControllers();
        templateWindow = templateDocument.windowControllers().first()->window();
        makeMain(window());
    }
    void TearDown() override {
        for (const Palette& p : kPalettes)
            p.shared()->close();
        delete secondController;
        second.reset();
        PaletteFixture::TearDown();
    }

    std::unique_ptr<RoduvudeDadevizi> second;
    ZaroziveZodiroVirizidivi* secondController = nullptr;
    TemplateDocument templateDocument;
    QWidget* templateWindow = nullptr;
};

TEST_F(PaletteFollowingTest, PalettesServeTheMainCatalogWindowAndHideWhileAnotherKindIsMain) {
    for (const Palette& p : kPalettes) {
        SCOPED_TRACE(p.name);
        PaletteController* palette = p.shared();
        makeMain(window());
        palette->activate();
        drainEvents();
        EXPECT_TRUE(palette->window()->isVisible());
        EXPECT_EQ(p.document(), document.get());

        makeMain(secondController->window());
        EXPECT_TRUE(palette->window()->isVisible());
        EXPECT_EQ(p.document(), second.get());

        makeMain(templateWindow);
        EXPECT_TRUE(MainWindowTracker::sharedTracker().isMainWindow(templateWindow));
        EXPECT_FALSE(palette->window()->isVisible());
        EXPECT_EQ(p.document(), nullptr);
        EXPECT_TRUE(palette->isActivated());

        makeMain(window());
        EXPECT_TRUE(palette->window()->isVisible());
        EXPECT_EQ(p.document(), document.get());

        // Clicking and typing into the palette makes it key, not main.
        auto* field = palette->window()->findChild<QLineEdit*>(QString::fromLatin1(p.field));
        ASSERT_NE(field, nullptr);
        type(field, QStringLiteral("5"));
        EXPECT_TRUE(MainWindowTracker::sharedTracker().isMainWindow(window()));
        EXPECT_TRUE(palette->window()->isVisible());
        EXPECT_EQ(p.document(), document.get());

        palette->close();
        drainEvents();
        EXPECT_FALSE(palette->isActivated());
        makeMain(secondController->window());
        EXPECT_FALSE(palette->window()->isVisible());

        // Wanted while no catalog window is main: it comes with the next one.
        makeMain(templateWindow);
        palette->activate();
        drainEvents();
        EXPECT_FALSE(palette->window()->isVisible());
        makeMain(secondController->window());
        EXPECT_TRUE(palette->window()->isVisible());
        EXPECT_EQ(p.document(), second.get());
        palette->close();
        drainEvents();
    }
}

TEST_F(PaletteFollowingTest, TheWindowsCommandsOpenThePalettes) {
    for (const Palette& p : kPalettes)
        p.shared()->close();
    drainEvents();
    controller->performAction(QStringLiteral("showPhotoInfo:"), nullptr);
    EXPECT_TRUE(PhotoInfoWindowController::sharedPhotoInfoController()->isActivated());
    EXPECT_TRUE(PhotoInfoWindowController::sharedPhotoInfoController()->window()->isVisible());
    EXPECT_FALSE(PixelAdjusterController::sharedPixelAdjusterController()->isActivated());
    controller->performAction(QStringLiteral("adjustImage:"), nullptr);
    EXPECT_TRUE(PixelAdjusterController::sharedPixelAdjusterController()->isActivated());
    EXPECT_TRUE(PixelAdjusterController::sharedPixelAdjusterController()->window()->isVisible());
    EXPECT_EQ(controller->editMode(), 0);
    // Showing them left the catalog window the main window.
    drainEvents();
    EXPECT_TRUE(MainWindowTracker::sharedTracker().isMainWindow(window()));
}
