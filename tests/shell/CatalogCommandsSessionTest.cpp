// A user's turn through the catalog commands, by the application's own menus:
// four photos, one cropped, all turned right and printed to disk; copied into a
// second catalog and duplicated there; then pages of the book arrangement
// added, turned back and forth by undo, and a placed photo's cell cleared.
#include "FakeEnvironment.h"
#include "MenuChoice.h"
#include "SessionWindows.h"
#include "catalog/VQFileCatalog.h"
#include "documents/RoduvudeDadevizi.h"
#include "documents/ZaroziveZodiroVirizidivi.h"
#include "layout/TemplateMapper.h"
#include "library/NewTemplateManager.h"
#include "library/TemplateHandle.h"
#include "platform/documents/DocumentController.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/UndoManager.h"
#include "platform/ui/MainWindowTracker.h"
#include "platform/ui/ModalAlert.h"
#include "shell/AppDelegate.h"
#include "shell/MainMenu.h"
#include "support/MasterTemplates.h"
#include "support/TestHome.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QString str(const char* text) {
    return QString::fromUtf8(text);
}

// The document that is not `other`.
RoduvudeDadevizi* catalogOtherThan(const RoduvudeDadevizi* other) {
    for (Document* document : DocumentController::sharedDocumentController().documents())
        if (auto* catalog = qobject_cast<RoduvudeDadevizi*>(document); catalog && catalog != other)
            return catalog;
    return nullptr;
}

bool reddish(QRgb pixel) {
    return qRed(pixel) > 180 && qGreen(pixel) < 90 && qBlue(pixel) < 90;
}

bool bluish(QRgb pixel) {
    return qBlue(pixel) > 180 && qRed(pixel) < 90 && qGreen(pixel) < 90;
}

} // namespace

TEST(CatalogCommandsSession, TurnCopyDuplicateAndTheBookPages) {
    TestHome account;
    EmptyLibraryAtEnd emptyLibrary;
    DocumentController& documents = DocumentController::sharedDocumentController();
    documents.registerDocumentType(RoduvudeDadevizi::documentType());
    AppDelegate delegate(std::make_unique<FakeEnvironment>());
    MainMenu& menu = *delegate.mainMenu();
    ASSERT_TRUE(installPrintAreaMaster(str("Square")));

    // The first photo: red above blue on its left half, green on its right.
    QTemporaryDir folder;
    QStringList photos;
    for (int i = 0; i < 4; ++i) {
        photos << folder.filePath(str("photo%1.jpg").arg(i));
        QImage picture(80, 40, QImage::Format_RGB32);
        picture.fill(Qt::green);
        if (i == 0)
            for (int y = 0; y < 40; ++y)
                for (int x = 0; x < 40; ++x)
                    picture.setPixel(x, y, y < 20 ? qRgb(255, 0, 0) : qRgb(0, 0, 255));
        ASSERT_TRUE(picture.save(photos.last(), "JPEG", 95));
    }

    ASSERT_TRUE(choose(menu, "newCatalogDocument:"));
    auto* first = qobject_cast<RoduvudeDadevizi*>(documents.documents().first());
    ASSERT_NE(first, nullptr);
    ZaroziveZodiroVirizidivi* a = controllerOf(first);
    activate(a->window());
    {
        ModalAlert::ScopedPanelResponder panel(
            [&](const ModalAlert::PanelRequest&) { return photos; });
        ASSERT_TRUE(choose(menu, "addFiles:"));
        QTest::qWait(ZaroziveZodiroVirizidivi::kDeferedOpenMs + 300);
    }
    VQFileCatalog& catalogA = first->fileCatalog();
    ASSERT_EQ(catalogA.fileCount(), 4);
    for (int i = 0; i < 4; ++i)
        catalogA.setMarkerAtIndexTo(i, true);
    // The left half: red above blue.
    catalogA.setFileImageCropAtIndexTo(0, Rect(0, 0, 40, 40));
    activate(a->window());

    // Select All, Photos > Rotate Right: one step for crops and turns.
    ASSERT_TRUE(choose(menu, "selectAll:", 307));
    ASSERT_EQ(catalogA.getSelectedIndices(), (QList<int>{0, 1, 2, 3}));
    ASSERT_TRUE(choose(menu, "rotateImageRight:", 502));
    for (int i = 0; i < 4; ++i)
        EXPECT_FLOAT_EQ(catalogA.getFileAttributeAtIndex(kCatalogAttrRotation, i).toFloat(), 90);
    EXPECT_EQ(catalogA.getFileImageCropAtIndex(0), Rect(0, 40, 40, 40));

    // Print to Disk: the first photo's area shows the crop turned right, blue
    // now on the left and red on the right.
    QTemporaryDir printed;
    {
        ModalAlert::ScopedPanelResponder panel(
            [&](const ModalAlert::PanelRequest&) { return QStringList{printed.path()}; });
        activate(a->window());
        ASSERT_TRUE(choose(menu, "printToDisk:", 214));
        QTest::qWait(50);
    }
    const QStringList files = QDir(printed.path()).entryList(QDir::Files, QDir::Name);
    ASSERT_EQ(files.size(), 4);
    const QImage area(QDir(printed.path()).filePath(files.first()));
    ASSERT_FALSE(area.isNull());
    const int middle = area.height() / 2;
    EXPECT_TRUE(bluish(area.pixel(area.width() / 4, middle)))
        << std::hex << area.pixel(area.width() / 4, middle);
    EXPECT_TRUE(reddish(area.pixel(area.width() * 3 / 4, middle)))
        << std::hex << area.pixel(area.width() * 3 / 4, middle);

    // Copy, into a new catalog, Paste: the same photos, crops and turns.
    activate(a->window());
    ASSERT_TRUE(choose(menu, "copy:", 304));
    ASSERT_TRUE(choose(menu, "newCatalogDocument:"));
    RoduvudeDadevizi* second = catalogOtherThan(first);
    ASSERT_NE(second, nullptr);
    ZaroziveZodiroVirizidivi* b = controllerOf(second);
    activate(b->window());
    ASSERT_TRUE(choose(menu, "paste:", 305));
    QCoreApplication::processEvents();
    VQFileCatalog& catalogB = second->fileCatalog();
    ASSERT_EQ(catalogB.fileCount(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(catalogB.getFileAttributeAtIndex(kCatalogAttrPath, i).toString(), photos[i]);
        EXPECT_FLOAT_EQ(catalogB.getFileAttributeAtIndex(kCatalogAttrRotation, i).toFloat(), 90);
        EXPECT_EQ(catalogB.getFileImageCropAtIndex(i), catalogA.getFileImageCropAtIndex(i));
    }

    // Duplicate the first two in B.
    catalogB.clearSelection();
    catalogB.setSelectionAtIndex(0);
    catalogB.setSelectionAtIndexTo(1, true);
    activate(b->window());
    ASSERT_TRUE(choose(menu, "duplicate:", 308));
    QCoreApplication::processEvents();
    ASSERT_EQ(catalogB.fileCount(), 6);
    EXPECT_EQ(catalogB.getSelectedIndices(), (QList<int>{0, 1}));
    EXPECT_EQ(catalogB.getFileAttributeAtIndex(kCatalogAttrPath, 1).toString(), photos[1]);

    // Back in A: the book arrangement in the layout panel.
    activate(a->window());
    first->setPrintArrangementMode(LayoutModeBook);
    QTest::qWait(20);
    ASSERT_TRUE(choose(menu, "switchViewFromMenu:", 1));
    activate(a->window());
    const TemplateMapperRef mapper = first->templateMapper();
    ASSERT_EQ(mapper->pageCount(), 1);
    EXPECT_FALSE(choose(menu, "removeLayoutPage:", 605)) << "the only page";
    ASSERT_TRUE(choose(menu, "addLayoutPage:", 604));
    ASSERT_TRUE(choose(menu, "addLayoutPage:", 604));
    EXPECT_EQ(mapper->pageCount(), 3);
    EXPECT_EQ(mapper->currentPageNum(), 2);
    EXPECT_FALSE(choose(menu, "nextLayoutPage:", 606)) << "no page follows the last";
    ASSERT_TRUE(choose(menu, "previousLayoutPage:", 607));
    EXPECT_EQ(mapper->currentPageNum(), 1);
    QTest::qWait(20);
    EXPECT_EQ(first->undoManager()->undoActionName(), localizedString(str("PREV_PAGE")));
    ASSERT_TRUE(choose(menu, "undo:", 301));
    EXPECT_EQ(mapper->currentPageNum(), 2);

    // A photo placed on the page and selected: Clear Cells empties its cell.
    mapper->setEntryIndexOnPage(2, 0, 3);
    catalogA.clearSelection();
    catalogA.setSelectionAtIndex(3);
    QTest::qWait(20);
    activate(a->window());
    ASSERT_EQ(mapper->entryIndexOnPage(2, 0), 3);
    ASSERT_TRUE(choose(menu, "clearPhotoCells:", 608));
    EXPECT_EQ(mapper->entryIndexOnPage(2, 0), -1);

    for (Document* open : documents.documents())
        if (std::shared_ptr<Document> taken = documents.takeDocument(open))
            taken->close();
    QCoreApplication::processEvents();
}
