// A user's session with a photo catalog, through the application's own menus:
// a new catalog, photos added from the open panel, saved under a name, closed
// and opened again.
#include "FakeEnvironment.h"
#include "MenuChoice.h"
#include "catalog/VQFileCatalog.h"
#include "documents/RoduvudeDadevizi.h"
#include "documents/ZaroziveZodiroVirizidivi.h"
#include "library/TemplateHandle.h"
#include "platform/documents/DocumentController.h"
#include "platform/ui/MainWindowTracker.h"
#include "platform/ui/ModalAlert.h"
#include "shell/AppDelegate.h"
#include "shell/MainMenu.h"
#include "support/TestHome.h"

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QMenu>
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

} // namespace

TEST(CatalogSession, NewCatalogAddPhotosSaveCloseAndOpenThroughTheMenus) {
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
    const std::shared_ptr<TemplateHandle> master = document->masterTemplate();
    const QString masterPath = master ? master->path() : QString();

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
    for (Document* open : documents.documents())
        if (std::shared_ptr<Document> taken = documents.takeDocument(open))
            taken->close();
    QCoreApplication::processEvents();
}
