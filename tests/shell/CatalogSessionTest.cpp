// A user's session with a photo catalog, through the application's own menus:
// a new catalog, photos added from the open panel and one dropped from a file
// manager, printed to disk, saved under a name, closed and opened again.
#include "FakeEnvironment.h"
#include "MenuChoice.h"
#include "SessionWindows.h"
#include "catalog/VQFileCatalog.h"
#include "catalog/VQFileCatalogScrollView.h"
#include "catalog/VQFileCatalogView.h"
#include "documents/RoduvudeDadevizi.h"
#include "documents/RovedezevOvod.h"
#include "documents/TemplateSelectorWindowController.h"
#include "documents/ZaroziveZodiroVirizidivi.h"
#include "layout/TemplateMapper.h"
#include "layout/TemplateView.h"
#include "library/NewTemplateManager.h"
#include "library/TemplateHandle.h"
#include "platform/documents/DocumentController.h"
#include "platform/ui/MainWindowTracker.h"
#include "platform/ui/ModalAlert.h"
#include "platform/ui/Toolbar.h"
#include "shell/AppDelegate.h"
#include "shell/MainMenu.h"
#include "support/LocalHttpServer.h"
#include "support/MasterTemplates.h"
#include "support/TestHome.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QDialog>
#include <QDir>
#include <QDockWidget>
#include <QDropEvent>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QString str(const char* text) {
    return QString::fromLatin1(text);
}

QStringList paths(VQFileCatalog& catalog) {
    QStringList list;
    for (int i = 0; i < catalog.fileCount(); ++i)
        list << catalog.getFileAttributeAtIndex(kCatalogAttrPath, i).toString();
    return list;
}

// A 300 x 200 page with photo cells of 120 x 160 points at these left edges,
// each in a print area when asked.
TemplateHandleRef installTemplate(const char* id, const QList<float>& cells,
                                  bool printAreas = false) {
    QList<MasterCell> made;
    for (float x : cells)
        made.append({Rect(x, 20, 120, 160),
                     printAreas ? std::optional(Rect(x - 8, 12, 136, 176)) : std::nullopt});
    return installMasterTemplate(str(id), {300, 200}, made);
}

bool nearColor(QColor a, QColor b) {
    return std::abs(a.red() - b.red()) < 40 && std::abs(a.green() - b.green()) < 40 &&
           std::abs(a.blue() - b.blue()) < 40;
}

// Drops the file on the window's main view as a file manager does: a URI list.
bool dropAsFileManager(ZaroziveZodiroVirizidivi& controller, const QString& path) {
    QWidget* window = controller.window();
    const QPoint at = controller.mainView()->mapTo(window, controller.mainView()->rect().center());
    QMimeData data;
    data.setData(str("text/uri-list"), QUrl::fromLocalFile(path).toEncoded() + "\r\n");
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(window, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(QPointF(at), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                    Qt::NoModifier);
    QApplication::sendEvent(window, &drop);
    QCoreApplication::processEvents();
    return drop.isAccepted();
}

// The cells the grid lays out, each found again under its own centre.
int gridCells(const VQFileCatalogView& grid) {
    int count = 0;
    for (;; ++count) {
        const Rect cell = grid.getCellRectAtIndex(count);
        const Point centre{cell.minX() + cell.width() / 2, cell.minY() + cell.height() / 2};
        if (cell.width() <= 0 || grid.cellIndexUnderPoint(centre) != count)
            return count;
    }
}

bool allThumbnailsLoaded(VQFileCatalog& catalog) {
    for (int i = 0; i < catalog.fileCount(); ++i)
        if (catalog.getFileAttributeAtIndex(kCatalogAttrThumbnail, i).value<Image>().isNull())
            return false;
    return catalog.fileCount() > 0;
}

// The library outlives a case: a case that fills it leaves it empty, as the
// others expect.
// Answers the template chooser as the user does: a click on the template's
// cell, then OK.
ModalAlert::DialogResponder pickTemplate(const char* id) {
    return [id](QDialog& dialog) {
        auto* chooser =
            qobject_cast<TemplateSelectorWindowController*>(WindowController::forWindow(&dialog));
        EXPECT_NE(chooser, nullptr);
        if (!chooser || !chooser->matrix())
            return int(QDialog::Rejected);
        dialog.show();
        QCoreApplication::processEvents();
        TemplateButtonMatrix& matrix = *chooser->matrix();
        for (int i = 0; i < matrix.cells().size(); ++i)
            if (matrix.cells()[i].documentID() == str(id)) {
                const int columns = matrix.numberOfColumns();
                QTest::mouseClick(&matrix, Qt::LeftButton, Qt::NoModifier,
                                  matrix.cellFrameAtRowColumn(i / columns, i % columns).center());
            }
        chooser->acceptButton()->click();
        return dialog.result();
    };
}

QAction* toolbarItem(ZaroziveZodiroVirizidivi& controller, const char* identifier) {
    Toolbar* toolbar = Toolbar::toolbarOfWindow(controller.window());
    return toolbar ? toolbar->itemWithIdentifier(str(identifier)) : nullptr;
}

bool showsAnyOf(const QImage& shot, const QList<QPoint>& spots, const QList<QColor>& colors) {
    return std::all_of(spots.begin(), spots.end(), [&](const QPoint& spot) {
        return std::any_of(colors.begin(), colors.end(),
                           [&](const QColor& c) { return nearColor(shot.pixelColor(spot), c); });
    });
}

// File > Save As… to the path, File > Close, then File > Open… of the same
// file: the reopened catalog, or a failed assertion.
void saveCloseAndReopen(MainMenu& menu, const QString& saved, RoduvudeDadevizi** reopened) {
    *reopened = nullptr;
    {
        ModalAlert::ScopedPanelResponder panel([&](const ModalAlert::PanelRequest& request) {
            EXPECT_EQ(request.kind, ModalAlert::PanelRequest::Kind::Save);
            return QStringList{saved};
        });
        ASSERT_TRUE(choose(menu, "saveDocumentAs:"));
        QTest::qWait(100);
    }
    ASSERT_TRUE(QFileInfo::exists(saved));
    ASSERT_TRUE(choose(menu, "performClose:"));
    QTest::qWait(50);
    ASSERT_TRUE(DocumentController::sharedDocumentController().documents().isEmpty());
    {
        ModalAlert::ScopedPanelResponder panel(
            [&](const ModalAlert::PanelRequest&) { return QStringList{saved}; });
        ASSERT_TRUE(choose(menu, "openDocument:"));
    }
    *reopened = frontCatalog();
    ASSERT_NE(*reopened, nullptr);
}

} // namespace

TEST(CatalogSession, NewCatalogAddDropPrintToDiskSaveCloseAndOpenThroughTheMenus) {
    TestHome account;
    DocumentController& documents = DocumentController::sharedDocumentController();
    documents.registerDocumentType(RoduvudeDadevizi::documentType());
    AppDelegate delegate(std::make_unique<FakeEnvironment>());
    MainMenu& menu = *delegate.mainMenu();
    QTemporaryDir folder;
    QStringList photos;
    for (const char* name : {"one.jpg", "two.jpg", "three.jpg"}) {
        photos << folder.filePath(str(name));
        QImage picture(64, 48, QImage::Format_RGB32);
        picture.fill(Qt::darkCyan);
        ASSERT_TRUE(picture.save(photos.last(), "JPEG"));
    }

    const std::shared_ptr<TemplateHandle> printMaster = installPrintAreaMaster(str("Session"));
    ASSERT_TRUE(printMaster);

    ASSERT_TRUE(choose(menu, "newCatalogDocument:"));
    RoduvudeDadevizi* document = frontCatalog();
    ASSERT_NE(document, nullptr);
    activate(controllerOf(document)->window());
    auto* controller = controllerOf(document);
    ASSERT_NE(controller, nullptr);

    // Photos > Add Photos…, the panel answered with the three JPEGs.
    {
        ModalAlert::ScopedPanelResponder panel(
            [&](const ModalAlert::PanelRequest&) { return photos; });
        ASSERT_TRUE(choose(menu, "addFiles:"));
        QTest::qWait(ZaroziveZodiroVirizidivi::kDeferedOpenMs + 300);
    }
    EXPECT_EQ(paths(document->fileCatalog()), photos);
    // The drawer's grid shows a thumbnail of each.
    VQFileCatalogView* grid = controller->fileCatalogScrollView()->fileCatalogView();
    EXPECT_EQ(gridCells(*grid), 3);
    QTRY_VERIFY_WITH_TIMEOUT(allThumbnailsLoaded(document->fileCatalog()), 5000);
    EXPECT_FALSE(controller->getCatalogDrawer()->isHidden()) << "the drawer opens by default";

    // One more photo dragged in from a file manager lands at the end.
    const QString dropped = folder.filePath(str("four.jpg"));
    {
        QImage picture(48, 64, QImage::Format_RGB32);
        picture.fill(Qt::darkMagenta);
        ASSERT_TRUE(picture.save(dropped, "JPEG"));
    }
    ASSERT_TRUE(dropAsFileManager(*controller, dropped));
    QTRY_COMPARE_WITH_TIMEOUT(document->fileCatalog().fileCount(), 4, 2000);
    photos << dropped;
    EXPECT_EQ(paths(document->fileCatalog()), photos);
    EXPECT_EQ(gridCells(*grid), 4);

    const std::shared_ptr<TemplateHandle> master = document->templateMapper()->masterTemplate();
    ASSERT_TRUE(master);
    EXPECT_EQ(master->documentID(), str("Session"));
    const QString masterPath = master->path();

    // File > Print to Disk…: one image per page's print area, one photo a page.
    QTemporaryDir printed;
    {
        ModalAlert::ScopedPanelResponder panel([&](const ModalAlert::PanelRequest& request) {
            EXPECT_TRUE(request.chooseDirectories);
            return QStringList{printed.path()};
        });
        ASSERT_TRUE(choose(menu, "printToDisk:"));
        QCoreApplication::processEvents();
    }
    const QFileInfoList images = QDir(printed.path()).entryInfoList(QDir::Files, QDir::Name);
    ASSERT_EQ(images.size(), 4);
    for (const QFileInfo& image : images) {
        QImageReader reader(image.filePath());
        EXPECT_TRUE(reader.size().isValid()) << image.fileName().toStdString();
        EXPECT_TRUE(image.fileName().startsWith(str("Vyx_Photo_")))
            << image.fileName().toStdString();
    }

    // File > Save As…, then File > Close.
    const QString saved =
        folder.filePath(str("Trip.") + RoduvudeDadevizi::documentType().extensions.first());
    // File > Open… brings the same photos back in order, on the same master.
    RoduvudeDadevizi* reopened = nullptr;
    ASSERT_NO_FATAL_FAILURE(saveCloseAndReopen(menu, saved, &reopened));
    EXPECT_EQ(paths(reopened->fileCatalog()), photos);
    const std::shared_ptr<TemplateHandle> reopenedMaster = reopened->masterTemplate();
    EXPECT_EQ(reopenedMaster ? reopenedMaster->path() : QString(), masterPath);
    EXPECT_EQ(reopenedMaster ? reopenedMaster->documentID() : QString(), str("Session"));
    for (Document* open : documents.documents())
        if (std::shared_ptr<Document> taken = documents.takeDocument(open))
            taken->close();
    QCoreApplication::processEvents();
}

TEST(CatalogSession, TheLayoutPanelShowsPhotosInTheCellsOfTheChosenTemplate) {
    TestHome account;
    DocumentController& documents = DocumentController::sharedDocumentController();
    documents.registerDocumentType(RoduvudeDadevizi::documentType());
    AppDelegate delegate(std::make_unique<FakeEnvironment>());
    MainMenu& menu = *delegate.mainMenu();
    EmptyLibraryAtEnd emptyLibraryAtEnd;
    // New catalogs start on a one-cell template; the user picks the two-cell one.
    const TemplateHandleRef oneCell = installTemplate("OneCell", {90});
    ASSERT_TRUE(oneCell);
    NewTemplateManager::sharedTemplateManager()->setDefaultTemplate(oneCell);
    ASSERT_TRUE(installTemplate("TwoCells", {20, 160}));
    QTemporaryDir folder;
    QStringList photos;
    const QList<QColor> colors{Qt::red, Qt::green, Qt::blue};
    for (const QColor& color : colors) {
        photos << folder.filePath(color.name().mid(1) + str(".jpg"));
        QImage picture(64, 48, QImage::Format_RGB32);
        picture.fill(color);
        ASSERT_TRUE(picture.save(photos.last(), "JPEG"));
    }

    ASSERT_TRUE(choose(menu, "newCatalogDocument:"));
    RoduvudeDadevizi* document = frontCatalog();
    ASSERT_NE(document, nullptr);
    activate(controllerOf(document)->window());
    auto* controller = controllerOf(document);
    ASSERT_NE(controller, nullptr);
    {
        ModalAlert::ScopedPanelResponder panel(
            [&](const ModalAlert::PanelRequest&) { return photos; });
        ASSERT_TRUE(choose(menu, "addFiles:"));
        QTest::qWait(ZaroziveZodiroVirizidivi::kDeferedOpenMs + 300);
    }
    ASSERT_EQ(document->fileCatalog().fileCount(), 3);

    // The window does not lay out its panel area yet: give it one.
    controller->mainView()->setGeometry(0, 0, 700, 500);
    controller->mainView()->show();
    ASSERT_TRUE(choose(menu, "switchViewFromMenu:", ZaroziveZodiroVirizidivi::LayoutPanel));
    ASSERT_EQ(controller->currentViewTag(), ZaroziveZodiroVirizidivi::LayoutPanel);
    auto* panel = qobject_cast<RovedezevOvod*>(controller->activeViewPanel()->panelView());
    ASSERT_NE(panel, nullptr);
    ASSERT_NE(panel->templateView(), nullptr);
    EXPECT_EQ(panel->templateView()->renderer().templateHandle(), oneCell);

    // Templates…: the user clicks the test template's cell and OK.
    {
        ModalAlert::ScopedDialogResponder sheet(pickTemplate("TwoCells"));
        CommandResponder* target = Commands::targetForAction(str("chooseTemplate:"));
        ASSERT_NE(target, nullptr);
        target->performAction(str("chooseTemplate:"), nullptr);
        QTest::qWait(50);
    }
    ASSERT_TRUE(document->masterTemplate());
    EXPECT_EQ(document->masterTemplate()->documentID(), str("TwoCells"));

    TemplateView* page = panel->templateView();
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->renderer().templateHandle(), document->masterTemplate());
    // A page smaller than the panel: at its own size, centred.
    EXPECT_EQ(page->geometry(),
              QRect((panel->width() - 300) / 2, (panel->height() - 200) / 2, 300, 200));
    const QImage shot = page->grab().toImage();
    for (const QPoint centre : {QPoint(80, 100), QPoint(220, 100)}) {
        const QColor seen = shot.pixelColor(centre);
        EXPECT_TRUE(std::any_of(colors.begin(), colors.end(),
                                [&](const QColor& c) { return nearColor(seen, c); }))
            << seen.name().toStdString() << " at " << centre.x();
    }
    for (Document* open : documents.documents())
        if (std::shared_ptr<Document> taken = documents.takeDocument(open))
            taken->close();
    QCoreApplication::processEvents();
}

TEST(CatalogSession, ToolbarsGridLayoutPrintsAndReopenEndToEnd) {
    TestHome account;
    DocumentController& documents = DocumentController::sharedDocumentController();
    documents.registerDocumentType(RoduvudeDadevizi::documentType());
    AppDelegate delegate(std::make_unique<FakeEnvironment>());
    MainMenu& menu = *delegate.mainMenu();
    EmptyLibraryAtEnd emptyLibraryAtEnd;
    const TemplateHandleRef oneCell = installTemplate("OneCell", {90});
    ASSERT_TRUE(oneCell);
    NewTemplateManager::sharedTemplateManager()->setDefaultTemplate(oneCell);
    ASSERT_TRUE(installTemplate("TwoAreas", {20, 160}, true));
    QTemporaryDir folder;
    QStringList photos;
    const QList<QColor> colors{Qt::red, Qt::green, Qt::blue};
    for (const QColor& color : colors) {
        photos << folder.filePath(color.name().mid(1) + str(".jpg"));
        QImage picture(64, 48, QImage::Format_RGB32);
        picture.fill(color);
        ASSERT_TRUE(picture.save(photos.last(), "JPEG"));
    }

    ASSERT_TRUE(choose(menu, "newCatalogDocument:"));
    RoduvudeDadevizi* document = frontCatalog();
    ASSERT_NE(document, nullptr);
    activate(controllerOf(document)->window());
    auto* controller = controllerOf(document);
    ASSERT_NE(controller, nullptr);
    controller->window()->resize(1000, 700);
    controller->mainView()->setGeometry(0, 0, 700, 500);
    controller->mainView()->show();
    ASSERT_EQ(controller->currentViewTag(), ZaroziveZodiroVirizidivi::PhotographPanel);
    QWidget* photoPanel = controller->activeViewPanel()->panelView();
    const QImage emptyPanel = photoPanel->grab().toImage();

    // The photograph toolbar's Add, answered with the three JPEGs.
    {
        QAction* add = toolbarItem(*controller, "photodoctoolbar.add");
        ASSERT_NE(add, nullptr);
        ASSERT_TRUE(add->isEnabled());
        ModalAlert::ScopedPanelResponder panel(
            [&](const ModalAlert::PanelRequest&) { return photos; });
        add->trigger();
        QTest::qWait(ZaroziveZodiroVirizidivi::kDeferedOpenMs + 300);
    }
    VQFileCatalog& catalog = document->fileCatalog();
    ASSERT_EQ(paths(catalog), photos);
    QTRY_VERIFY_WITH_TIMEOUT(allThumbnailsLoaded(catalog), 5000);

    // A selection made by the catalog alone re-enables the rotate item.
    QAction* rotate = toolbarItem(*controller, "photodoctoolbar.rotateCW");
    ASSERT_NE(rotate, nullptr);
    catalog.clearSelection();
    QCoreApplication::processEvents();
    EXPECT_FALSE(rotate->isEnabled());
    catalog.setSelectionAtIndex(2);
    QCoreApplication::processEvents();
    EXPECT_TRUE(rotate->isEnabled());
    catalog.clearSelection();
    QCoreApplication::processEvents();
    EXPECT_FALSE(rotate->isEnabled());

    // Becoming main again refreshes the items too.
    rotate->setEnabled(true);
    {
        QWidget other;
        other.show();
        QApplication::setActiveWindow(&other);
        QCoreApplication::processEvents();
        MainWindowTracker::sharedTracker().update();
        QCoreApplication::processEvents();
    }
    activate(controllerOf(document)->window());
    EXPECT_FALSE(rotate->isEnabled());

    // A click on the second thumbnail shows that photo in the photograph panel.
    VQFileCatalogView* grid = controller->fileCatalogScrollView()->fileCatalogView();
    const Rect cell = grid->getCellRectAtIndex(1);
    const Rect centre{cell.minX() + cell.width() / 2, cell.minY() + cell.height() / 2, 0, 0};
    QTest::mouseClick(grid, Qt::LeftButton, Qt::NoModifier,
                      grid->widgetRectFromBounds(centre).topLeft().toPoint());
    QCoreApplication::processEvents();
    EXPECT_EQ(catalog.getSelectedIndices(), QList<int>{1});
    EXPECT_TRUE(rotate->isEnabled());
    const QImage shown = photoPanel->grab().toImage();
    EXPECT_NE(shown, emptyPanel);
    EXPECT_TRUE(nearColor(shown.pixelColor(shown.rect().center()), Qt::green))
        << shown.pixelColor(shown.rect().center()).name().toStdString();

    // View > Layout, then the layout toolbar's Templates: the two-cell template.
    ASSERT_TRUE(choose(menu, "switchViewFromMenu:", ZaroziveZodiroVirizidivi::LayoutPanel));
    ASSERT_EQ(controller->currentViewTag(), ZaroziveZodiroVirizidivi::LayoutPanel);
    auto* panel = qobject_cast<RovedezevOvod*>(controller->activeViewPanel()->panelView());
    ASSERT_NE(panel, nullptr);
    {
        QAction* templates = toolbarItem(*controller, "layoutdoctoolbar.templateselector");
        ASSERT_NE(templates, nullptr);
        ASSERT_TRUE(templates->isEnabled());
        ModalAlert::ScopedDialogResponder sheet(pickTemplate("TwoAreas"));
        templates->trigger();
        QTest::qWait(50);
    }
    ASSERT_TRUE(document->masterTemplate());
    ASSERT_EQ(document->masterTemplate()->documentID(), str("TwoAreas"));
    // Print to Disk needs print areas: it follows the master through Undo and Redo.
    QAction* toDisk = toolbarItem(*controller, "layoutdoctoolbar.printToDisk");
    ASSERT_NE(toDisk, nullptr);
    EXPECT_TRUE(toDisk->isEnabled());
    ASSERT_TRUE(choose(menu, "undo:"));
    QTest::qWait(20);
    EXPECT_EQ(document->masterTemplate()->documentID(), str("OneCell"));
    EXPECT_FALSE(toDisk->isEnabled());
    ASSERT_TRUE(choose(menu, "redo:"));
    QTest::qWait(20);
    ASSERT_EQ(document->masterTemplate()->documentID(), str("TwoAreas"));
    EXPECT_TRUE(toDisk->isEnabled());
    // Print follows the marked photos, whichever way they change.
    QAction* print = toolbarItem(*controller, kToolbarPrintItemIdentifier);
    ASSERT_NE(print, nullptr);
    const QList<int> marked = catalog.getMarkedIndices();
    for (int index : marked)
        catalog.clearMarkerAtIndex(index);
    QTest::qWait(20);
    EXPECT_FALSE(print->isEnabled());
    EXPECT_FALSE(toDisk->isEnabled());
    for (int index : marked)
        catalog.setMarkerAtIndex(index);
    QTest::qWait(20);
    EXPECT_TRUE(print->isEnabled());
    TemplateView* page = panel->templateView();
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(showsAnyOf(page->grab().toImage(), {QPoint(80, 100), QPoint(220, 100)}, colors));
    // And so does the window, which draws the page inside the panel.
    const QPoint pageInWindow = page->mapTo(page->window(), QPoint(0, 0));
    EXPECT_TRUE(showsAnyOf(page->window()->grab().toImage(),
                           {pageInWindow + QPoint(80, 100), pageInWindow + QPoint(220, 100)},
                           colors));

    if (const QByteArray shot = qgetenv("LUMISK_SCREENSHOT"); !shot.isEmpty()) {
        activate(controllerOf(document)->window());
        QTest::qWait(500);
        QGuiApplication::primaryScreen()->grabWindow(0).save(QString::fromLocal8Bit(shot));
    }

    const std::shared_ptr<TemplateMapper> mapper = document->templateMapper();
    const int pages = mapper->pageCount();
    ASSERT_GE(pages, 2) << "three photos on two cells a page";

    // Print to Disk: one image per print area of each page.
    QTemporaryDir printed;
    {
        ModalAlert::ScopedPanelResponder chooser(
            [&](const ModalAlert::PanelRequest&) { return QStringList{printed.path()}; });
        ASSERT_TRUE(choose(menu, "printToDisk:"));
        QCoreApplication::processEvents();
    }
    const QFileInfoList images = QDir(printed.path()).entryInfoList(QDir::Files, QDir::Name);
    EXPECT_EQ(images.size(), pages * 2);
    for (const QFileInfo& image : images) {
        QImageReader reader(image.filePath());
        EXPECT_TRUE(reader.size().isValid()) << image.fileName().toStdString();
    }

    // Print…: the print panel sends the pages to a PDF.
    const QString pdf = folder.filePath(str("pages.pdf"));
    {
        ModalAlert::ScopedDialogResponder printPanel([&](QDialog& dialog) {
            auto* print = qobject_cast<QPrintDialog*>(&dialog);
            EXPECT_NE(print, nullptr);
            if (!print)
                return int(QDialog::Rejected);
            print->printer()->setOutputFormat(QPrinter::PdfFormat);
            print->printer()->setOutputFileName(pdf);
            return int(QDialog::Accepted);
        });
        ASSERT_TRUE(choose(menu, "printDocument:"));
        QTRY_VERIFY_WITH_TIMEOUT(controller->printOperation() == nullptr, 60000);
    }
    QFile written(pdf);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_TRUE(written.read(5).startsWith("%PDF-"));

    // Save As, close, Open: the same entries, master, panel and page.
    mapper->setCurrentPageNum(1);
    ASSERT_EQ(mapper->currentPageNum(), 1);
    const QString saved =
        folder.filePath(str("Session.") + RoduvudeDadevizi::documentType().extensions.first());
    RoduvudeDadevizi* reopened = nullptr;
    ASSERT_NO_FATAL_FAILURE(saveCloseAndReopen(menu, saved, &reopened));
    EXPECT_EQ(paths(reopened->fileCatalog()), photos);
    ASSERT_TRUE(reopened->masterTemplate());
    EXPECT_EQ(reopened->masterTemplate()->documentID(), str("TwoAreas"));
    EXPECT_EQ(reopened->currentPanel(), int(ZaroziveZodiroVirizidivi::LayoutPanel));
    EXPECT_EQ(reopened->templateMapper()->currentPageNum(), 1);
    for (Document* open : documents.documents())
        if (std::shared_ptr<Document> taken = documents.takeDocument(open))
            taken->close();
    QCoreApplication::processEvents();
}

TEST(CatalogSession, AddURLTakesAnAddressInASheetAndTheFetchedPhotoArrives) {
    TestHome account;
    DocumentController& documents = DocumentController::sharedDocumentController();
    documents.registerDocumentType(RoduvudeDadevizi::documentType());
    ModalAlert::setDialogResponder({});
    AppDelegate delegate(std::make_unique<FakeEnvironment>());
    MainMenu& menu = *delegate.mainMenu();
    LocalHttpServer server;
    ASSERT_TRUE(server.isListening());
    LocalHttpServer::Reply photo;
    photo.contentType = "image/png";
    {
        QImage picture(80, 60, QImage::Format_RGB32);
        picture.fill(Qt::red);
        QBuffer buffer(&photo.body);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(picture.save(&buffer, "PNG"));
    }
    server.setReply("/photos/red.png", photo);
    const QString address = QString::fromLatin1(server.url("/photos/red.png"));

    ASSERT_TRUE(choose(menu, "newCatalogDocument:"));
    RoduvudeDadevizi* document = frontCatalog();
    ASSERT_NE(document, nullptr);
    activate(controllerOf(document)->window());
    auto* controller = controllerOf(document);
    ASSERT_NE(controller, nullptr);
    QWidget* window = controller->window();

    // Photos > Add URL…: a sheet on the catalog window, OK off while the field is empty.
    ASSERT_TRUE(choose(menu, "addURL:"));
    QPointer<QDialog> sheet = window->findChild<QDialog*>(str("URLLocator"));
    ASSERT_FALSE(sheet.isNull());
    QTRY_VERIFY(sheet->isVisible());
    EXPECT_TRUE(ModalAlert::hasAttachedSheet(window));
    auto* field = sheet->findChild<QLineEdit*>(str("urlTextField"));
    ASSERT_NE(field, nullptr);
    QPushButton* ok = nullptr;
    for (QPushButton* button : sheet->findChildren<QPushButton*>())
        if (button->isDefault())
            ok = button;
    ASSERT_NE(ok, nullptr);
    EXPECT_FALSE(ok->isEnabled());
    QTest::keyClicks(field, address);
    EXPECT_TRUE(ok->isEnabled());
    QTest::mouseClick(ok, Qt::LeftButton);

    // The address becomes the catalog's one entry, and its thumbnail the served picture.
    QTRY_COMPARE(document->fileCatalog().fileCount(), 1);
    VQFileCatalog& catalog = document->fileCatalog();
    EXPECT_TRUE(catalog.getFileAttributeAtIndex(kCatalogAttrIsURL, 0).toBool());
    EXPECT_EQ(catalog.getFileAttributeAtIndex(kCatalogAttrURL, 0).toUrl(), QUrl(address));
    // The grid shows it: a placeholder first, then the picture the loader fetched.
    VQFileCatalogView* grid = controller->fileCatalogScrollView()->fileCatalogView();
    QTRY_COMPARE(gridCells(*grid), 1);
    const auto showsRed = [&] {
        const QImage thumbnail =
            catalog.getFileAttributeAtIndex(kCatalogAttrThumbnail, 0).value<Image>().toQImage();
        return !thumbnail.isNull() &&
               nearColor(thumbnail.pixelColor(thumbnail.width() / 2, thumbnail.height() / 2),
                         Qt::red);
    };
    QTRY_VERIFY_WITH_TIMEOUT(showsRed(), 10000);
    EXPECT_EQ(server.requestCount("/photos/red.png"), 1);
    // The sheet is gone, and so is its window.
    EXPECT_FALSE(ModalAlert::hasAttachedSheet(window));
    QTRY_VERIFY(sheet.isNull());

    for (Document* open : documents.documents())
        if (std::shared_ptr<Document> taken = documents.takeDocument(open))
            taken->close();
    QCoreApplication::processEvents();
}
