// A user's session with a photo catalog, through the application's own menus:
// a new catalog, photos added from the open panel and one dropped from a file
// manager, printed to disk, saved under a name, closed and opened again.
#include "FakeEnvironment.h"
#include "MenuChoice.h"
#include "catalog/VQFileCatalog.h"
#include "catalog/VQFileCatalogScrollView.h"
#include "catalog/VQFileCatalogView.h"
#include "documents/RoduvudeDadevizi.h"
#include "documents/ZaroziveZodiroVirizidivi.h"
#include "framework/model/TMPhotoObject.h"
#include "framework/model/TMPrintAreaObject.h"
#include "framework/model/TemplateDocument.h"
#include "layout/TemplateMapper.h"
#include "library/NewTemplateManager.h"
#include "library/TemplateHandle.h"
#include "platform/documents/DocumentController.h"
#include "platform/printing/PrintInfo.h"
#include "platform/ui/MainWindowTracker.h"
#include "platform/ui/ModalAlert.h"
#include "shell/AppDelegate.h"
#include "shell/MainMenu.h"
#include "support/TestHome.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDockWidget>
#include <QDropEvent>
#include <QImage>
#include <QImageReader>
#include <QMenu>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QString str(const char* text) {
    return QString::fromLatin1(text);
}

RoduvudeDadevizi* frontCatalog() {
    const QList<Document*> open = DocumentController::sharedDocumentController().documents();
    return open.isEmpty() ? nullptr : qobject_cast<RoduvudeDadevizi*>(open.first());
}

void activate(RoduvudeDadevizi* document) {
    QWidget* window = document->windowControllers().first()->window();
    window->show();
    QApplication::setActiveWindow(window);
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
    MainWindowTracker::sharedTracker().update();
    QCoreApplication::processEvents();
}

QStringList paths(VQFileCatalog& catalog) {
    QStringList list;
    for (int i = 0; i < catalog.fileCount(); ++i)
        list << catalog.getFileAttributeAtIndex(kCatalogAttrPath, i).toString();
    return list;
}

// A 4 x 4 inch page with one photo cell inside a print area, made the
// library's default so that a new catalog takes it as its master.
std::shared_ptr<TemplateHandle> installPrintAreaMaster() {
    NewTemplateManager* library = NewTemplateManager::sharedTemplateManager();
    EXPECT_TRUE(QDir().mkpath(library->templatesFolderPath()));
    const QString path = QDir(library->templatesFolderPath()).filePath(str("Session.vyxTemplate"));
    TemplateDocument master;
    master.setDocumentID(str("Session"));
    master.setDocName(str("Session"));
    PrintInfo info;
    info.setPaperName(str("Custom"));
    info.setPaperSize({288, 288});
    master.setPrintInfo(info);
    master.addObject(TMPhotoObject::newTemplateObjectWithOriginSize({36, 36}, {216, 216}));
    master.addObject(TMPrintAreaObject::newTemplateObjectWithOriginSize({18, 18}, {252, 252}));
    QString error;
    EXPECT_TRUE(master.writeToFileOfType(path, str(kTemplateDocumentType), &error))
        << error.toStdString();
    library->scanForChanges();
    const std::shared_ptr<TemplateHandle> handle = library->templateWithID(str("Session"));
    EXPECT_TRUE(handle);
    library->setDefaultTemplate(handle);
    return handle;
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

    const std::shared_ptr<TemplateHandle> printMaster = installPrintAreaMaster();
    ASSERT_TRUE(printMaster);

    ASSERT_TRUE(choose(menu, "newCatalogDocument:"));
    RoduvudeDadevizi* document = frontCatalog();
    ASSERT_NE(document, nullptr);
    activate(document);
    auto* controller =
        qobject_cast<ZaroziveZodiroVirizidivi*>(document->windowControllers().first());
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
    EXPECT_TRUE(documents.documents().isEmpty());

    // File > Open… brings the same photos back in order, on the same master.
    {
        ModalAlert::ScopedPanelResponder panel(
            [&](const ModalAlert::PanelRequest&) { return QStringList{saved}; });
        ASSERT_TRUE(choose(menu, "openDocument:"));
    }
    RoduvudeDadevizi* reopened = frontCatalog();
    ASSERT_NE(reopened, nullptr);
    EXPECT_EQ(paths(reopened->fileCatalog()), photos);
    const std::shared_ptr<TemplateHandle> reopenedMaster = reopened->masterTemplate();
    EXPECT_EQ(reopenedMaster ? reopenedMaster->path() : QString(), masterPath);
    EXPECT_EQ(reopenedMaster ? reopenedMaster->documentID() : QString(), str("Session"));
    for (Document* open : documents.documents())
        if (std::shared_ptr<Document> taken = documents.takeDocument(open))
            taken->close();
    QCoreApplication::processEvents();
}
