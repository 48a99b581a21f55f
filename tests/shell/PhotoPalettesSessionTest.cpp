// A user's session with the enhancement and photo information palettes: two
// JPEGs added to a new catalog, one brightened with live preview and the change
// undone and redone, printed to disk, then looked at in the information palette.
#include "FakeEnvironment.h"
#include "MenuChoice.h"
#include "SessionWindows.h"
#include "catalog/VQFileCatalog.h"
#include "documents/RoduvudeDadevizi.h"
#include "documents/ZaroziveZodiroVirizidivi.h"
#include "library/NewTemplateManager.h"
#include "library/TemplateHandle.h"
#include "photoview/PhotoInfoWindowController.h"
#include "photoview/PixelAdjusterController.h"
#include "photoview/SliderDrag.h"
#include "platform/documents/DocumentController.h"
#include "platform/ui/FractionSlider.h"
#include "platform/ui/MainWindowTracker.h"
#include "platform/ui/ModalAlert.h"
#include "platform/ui/Toolbar.h"
#include "shell/AppDelegate.h"
#include "shell/MainMenu.h"
#include "support/MasterTemplates.h"
#include "support/TestHome.h"

#include <QCheckBox>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QString str(const char* text) {
    return QString::fromLatin1(text);
}

QAction* toolbarItem(ZaroziveZodiroVirizidivi& controller, const char* identifier) {
    Toolbar* toolbar = Toolbar::toolbarOfWindow(controller.window());
    return toolbar ? toolbar->itemWithIdentifier(str(identifier)) : nullptr;
}

// The centre pixel of the first image printed to disk into a new folder.
QColor printedCentre(MainMenu& menu, const QString& folder) {
    EXPECT_TRUE(QDir().mkpath(folder));
    ModalAlert::ScopedPanelResponder chooser(
        [&](const ModalAlert::PanelRequest&) { return QStringList{folder}; });
    EXPECT_TRUE(choose(menu, "printToDisk:"));
    QCoreApplication::processEvents();
    const QFileInfoList images = QDir(folder).entryInfoList(QDir::Files, QDir::Name);
    if (images.isEmpty())
        return QColor();
    const QImage image(images.first().filePath());
    return image.pixelColor(image.rect().center());
}

} // namespace

TEST(PhotoPalettesSession, LivePreviewBrightensUndoRestoresAndInfoDescribesThePhoto) {
    TestHome account;
    DocumentController& documents = DocumentController::sharedDocumentController();
    documents.registerDocumentType(RoduvudeDadevizi::documentType());
    AppDelegate delegate(std::make_unique<FakeEnvironment>());
    MainMenu& menu = *delegate.mainMenu();
    ASSERT_TRUE(installPrintAreaMaster(str("Palettes")));
    QTemporaryDir folder;
    QStringList photos;
    for (const char* name : {"first.jpg", "second.jpg"}) {
        photos << folder.filePath(str(name));
        QImage picture(160, 120, QImage::Format_RGB32);
        picture.fill(QColor(90, 90, 90));
        ASSERT_TRUE(picture.save(photos.last(), "JPEG", 95));
    }

    ASSERT_TRUE(choose(menu, "newCatalogDocument:"));
    auto* document = qobject_cast<RoduvudeDadevizi*>(documents.documents().first());
    ASSERT_NE(document, nullptr);
    auto* controller =
        qobject_cast<ZaroziveZodiroVirizidivi*>(document->windowControllers().first());
    ASSERT_NE(controller, nullptr);
    activate(controller->window());
    controller->window()->resize(1000, 700);
    controller->mainView()->setGeometry(0, 0, 700, 500);
    controller->mainView()->show();
    QWidget* photoPanel = controller->activeViewPanel()->panelView();
    {
        QAction* add = toolbarItem(*controller, "photodoctoolbar.add");
        ASSERT_NE(add, nullptr);
        ModalAlert::ScopedPanelResponder panel(
            [&](const ModalAlert::PanelRequest&) { return photos; });
        add->trigger();
        QTest::qWait(ZaroziveZodiroVirizidivi::kDeferedOpenMs + 300);
    }
    VQFileCatalog& catalog = document->fileCatalog();
    ASSERT_EQ(catalog.fileCount(), 2);
    catalog.clearSelection();
    catalog.setSelectionAtIndex(0);
    QCoreApplication::processEvents();
    const QColor printedBefore = printedCentre(menu, folder.filePath(str("before")));
    const QImage before = photoPanel->grab().toImage();
    const QPoint centre = before.rect().center();
    ASSERT_LT(before.pixelColor(centre).lightness(), 110);

    // The photograph toolbar's Enhance: the palette, live preview on, a drag to 150.
    QAction* enhance = toolbarItem(*controller, "photodoctoolbar.pixelenhancer");
    ASSERT_NE(enhance, nullptr);
    ASSERT_TRUE(enhance->isEnabled());
    enhance->trigger();
    QCoreApplication::processEvents();
    PixelAdjusterController* palette = PixelAdjusterController::sharedPixelAdjusterController();
    ASSERT_TRUE(palette->window()->isVisible());
    EXPECT_TRUE(MainWindowTracker::sharedTracker().isMainWindow(controller->window()));
    auto* live = palette->control<QCheckBox>("_livePreviewSwitch");
    if (!live->isChecked())
        live->click();
    auto* brightness = palette->control<FractionSlider>("_brightnessSlider");
    dragSlider(brightness, {120, 140, 150});
    QCoreApplication::processEvents();
    EXPECT_EQ(brightness->value(), 150);
    EXPECT_FLOAT_EQ(catalog.getFileAttributeAtIndex(kCatalogAttrBrightness, 0).toFloat(), 1.5f);
    const QImage brightened = photoPanel->grab().toImage();
    EXPECT_GT(brightened.pixelColor(centre).lightness(),
              before.pixelColor(centre).lightness() + 25);

    // One Undo brings the earlier pixels back exactly.
    ASSERT_TRUE(choose(menu, "undo:"));
    QCoreApplication::processEvents();
    EXPECT_FLOAT_EQ(catalog.getFileAttributeAtIndex(kCatalogAttrBrightness, 0).toFloat(), 1.0f);
    EXPECT_EQ(photoPanel->grab().toImage(), before);
    ASSERT_TRUE(choose(menu, "redo:"));
    QCoreApplication::processEvents();
    EXPECT_FLOAT_EQ(catalog.getFileAttributeAtIndex(kCatalogAttrBrightness, 0).toFloat(), 1.5f);

    // Print to Disk shows the change.
    const QColor printedAfter = printedCentre(menu, folder.filePath(str("after")));
    ASSERT_TRUE(printedBefore.isValid() && printedAfter.isValid());
    EXPECT_GT(printedAfter.lightness(), printedBefore.lightness() + 25);

    // The photograph toolbar's Info describes the selected photo.
    QAction* info = toolbarItem(*controller, "photodoctoolbar.photoinfo");
    ASSERT_NE(info, nullptr);
    info->trigger();
    QCoreApplication::processEvents();
    PhotoInfoWindowController* infoPalette = PhotoInfoWindowController::sharedPhotoInfoController();
    ASSERT_TRUE(infoPalette->window()->isVisible());
    EXPECT_EQ(infoPalette->control<QLabel>("_basicFileNameField")->text(), str("first.jpg"));
    EXPECT_EQ(infoPalette->control<QLabel>("_basicFilePathField")->text(),
              QFileInfo(photos.first()).path());
    EXPECT_EQ(infoPalette->control<QLabel>("_basicImageDimensionsField")->text(), str("160 x 120"));

    if (const QByteArray shot = qgetenv("LUMISK_SCREENSHOT"); !shot.isEmpty()) {
        activate(controller->window());
        QTest::qWait(800);
        QGuiApplication::primaryScreen()->grabWindow(0).save(QString::fromLocal8Bit(shot));
    }

    palette->close();
    infoPalette->close();
    for (Document* open : documents.documents())
        if (std::shared_ptr<Document> taken = documents.takeDocument(open))
            taken->close();
    QCoreApplication::processEvents();
    QDir(NewTemplateManager::sharedTemplateManager()->templatesFolderPath()).removeRecursively();
    NewTemplateManager::sharedTemplateManager()->scanForChanges();
}
