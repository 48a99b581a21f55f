// A user's session with two template windows: copy two objects in one from
// the Edit menu, paste them into the other, import a JPEG from the toolbar,
// and undo the import.
#include "FakeEnvironment.h"
#include "MenuChoice.h"
#include "framework/editor/TM_TemplateView.h"
#include "framework/editor/TemplateEditorController.h"
#include "framework/model/TMImageObject.h"
#include "framework/model/TMRectangleObject.h"
#include "framework/model/TemplateDocument.h"
#include "platform/documents/DocumentController.h"
#include "platform/ui/MainWindowTracker.h"
#include "platform/ui/ModalAlert.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/Toolbar.h"
#include "shell/AppDelegate.h"
#include "shell/MainMenu.h"

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString str(const char* text) {
    return QString::fromLatin1(text);
}

void writeTemplate(const QString& path, int objects) {
    TemplateDocument document;
    document.pageDesc()->setAutoPageSize(false);
    document.pageDesc()->setDisplayUnit(str("Points"));
    document.pageDesc()->setPageSize({360, 288});
    for (int i = 0; i < objects; ++i)
        document.addObject(TMRectangleObject::newTemplateObjectWithOriginSize(
            {20.0f + 70 * i, 30.0f + 20 * i}, {50, 40}));
    QString error;
    ASSERT_TRUE(document.writeToFileOfType(path, str(kTemplateDocumentType), &error))
        << error.toStdString();
}

struct Opened {
    TemplateDocument* document = nullptr;
    TemplateEditorController* controller = nullptr;
};

Opened open(MainMenu& menu, const QString& path) {
    const ModalAlert::ScopedPanelResponder panel(
        [&](const ModalAlert::PanelRequest&) { return QStringList{path}; });
    EXPECT_TRUE(choose(menu, "openDocument:"));
    Opened opened;
    for (Document* document : DocumentController::sharedDocumentController().documents())
        if (document->fileName() == path)
            opened.document = qobject_cast<TemplateDocument*>(document);
    if (opened.document)
        opened.controller =
            qobject_cast<TemplateEditorController*>(opened.document->windowControllers().first());
    return opened;
}

void makeMain(QWidget* window) {
    window->raise();
    QApplication::setActiveWindow(window);
    QCoreApplication::processEvents();
    MainWindowTracker::sharedTracker().update();
    QCoreApplication::processEvents();
}

} // namespace

TEST(TemplateEditorPasteboardSession, CopyInOneWindowPasteInAnotherImportAndUndo) {
    AppDelegate delegate(std::make_unique<FakeEnvironment>());
    QTemporaryDir folder;
    const QString pathA = folder.filePath(str("Two.vyxTemplate"));
    const QString pathB = folder.filePath(str("Empty.vyxTemplate"));
    writeTemplate(pathA, 2);
    writeTemplate(pathB, 0);
    MainMenu& menu = *delegate.mainMenu();
    const Opened a = open(menu, pathA);
    const Opened b = open(menu, pathB);
    ASSERT_NE(a.controller, nullptr);
    ASSERT_NE(b.controller, nullptr);

    makeMain(a.controller->window());
    ASSERT_TRUE(choose(menu, "selectAll:"));
    ASSERT_TRUE(choose(menu, "copy:"));

    makeMain(b.controller->window());
    ASSERT_TRUE(choose(menu, "paste:"));
    ASSERT_EQ(b.document->objects().size(), 2);
    TM_TemplateView* canvas = b.controller->templateView();
    const Point center = canvas->centerOfSelection();
    EXPECT_NEAR(center.x, b.controller->centerOfScrollView().x, 0.01);
    EXPECT_NEAR(center.y, b.controller->centerOfScrollView().y, 0.01);
    EXPECT_EQ(a.document->objects().size(), 2);

    // Import Graphic from the toolbar.
    QImage photo(120, 80, QImage::Format_RGB32);
    photo.fill(Qt::darkGreen);
    const QString jpeg = folder.filePath(str("photo.jpg"));
    ASSERT_TRUE(photo.save(jpeg, "JPEG"));
    QAction* import =
        b.controller->findToolbarItemWithIdentifier(str("editortoolbar.importgraphic"));
    ASSERT_NE(import, nullptr);
    b.controller->toolbar()->validateVisibleItems();
    ASSERT_TRUE(import->isEnabled());
    {
        const ModalAlert::ScopedPanelResponder panel(
            [&](const ModalAlert::PanelRequest&) { return QStringList{jpeg}; });
        import->trigger();
        QCoreApplication::processEvents();
    }
    ASSERT_EQ(b.document->objects().size(), 3);
    const TMObjectRef placed = b.document->objects().last();
    auto* image = dynamic_cast<TMImageObject*>(placed.get());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->image().pixelSize(), QSize(120, 80));
    EXPECT_NEAR(placed->center().x, b.controller->centerOfScrollView().x, 0.5);

    if (const QByteArray shot = qgetenv("LUMISK_SCREENSHOT"); !shot.isEmpty())
        b.controller->window()->grab().save(QString::fromLocal8Bit(shot));

    ASSERT_TRUE(choose(menu, "undo:"));
    EXPECT_EQ(b.document->objects().size(), 2);
    EXPECT_FALSE(b.document->objects().contains(placed));

    for (const Opened& opened : {a, b}) {
        opened.document->updateChangeCount(Document::ChangeCleared);
        opened.document->close();
    }
    QCoreApplication::processEvents();
}
