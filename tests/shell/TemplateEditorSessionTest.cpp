// A user's session with the template editor, through the application's own
// menus: open a template, zoom, walk to an object, move it, undo.
#include "FakeEnvironment.h"
#include "MenuChoice.h"
#include "framework/editor/TM_TemplateView.h"
#include "framework/editor/TemplateEditorController.h"
#include "framework/model/TMRectangleObject.h"
#include "framework/model/TemplateDocument.h"
#include "platform/documents/DocumentController.h"
#include "platform/ui/MainWindowTracker.h"
#include "platform/ui/ModalAlert.h"
#include "platform/ui/RulerView.h"
#include "platform/ui/ScrollView.h"
#include "shell/AppDelegate.h"
#include "shell/MainMenu.h"

#include <QAction>
#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <gtest/gtest.h>

namespace {

QString str(const char* text) {
    return QString::fromLatin1(text);
}

// A template of 10 by 8 centimetres holding three rectangles.
void writeTemplate(const QString& path) {
    TemplateDocument document;
    document.pageDesc()->setAutoPageSize(false);
    document.pageDesc()->setDisplayUnit(str("Centimeters"));
    document.pageDesc()->setPageSize({10, 8});
    for (float x : {20.0f, 90.0f, 160.0f})
        document.addObject(TMRectangleObject::newTemplateObjectWithOriginSize({x, 30}, {50, 40}));
    QString error;
    ASSERT_TRUE(document.writeToFileOfType(path, str(kTemplateDocumentType), &error))
        << error.toStdString();
}

} // namespace

TEST(TemplateEditorSession, OpenZoomWalkMoveAndUndoThroughTheMenus) {
    AppDelegate delegate(std::make_unique<FakeEnvironment>());
    QTemporaryDir folder;
    const QString path = folder.filePath(str("Three.vyxTemplate"));
    writeTemplate(path);
    MainMenu& menu = *delegate.mainMenu();

    // The shared Edit menu: its items and tags.
    const std::pair<const char*, int> edit[] = {
        {"undo:", 301},      {"redo:", 302},      {"cut:", 303},
        {"copy:", 304},      {"paste:", 305},     {"clear:", 306},
        {"selectAll:", 307}, {"duplicate:", 308}, {"deselect:", 310}};
    for (const auto& [action, tag] : edit) {
        QAction* item = menu.itemWithAction(str(action));
        ASSERT_NE(item, nullptr) << action;
        EXPECT_EQ(Commands::itemTag(item), tag) << action;
        EXPECT_EQ(menu.menuWithTitle(str("Edit"))->actions().contains(item), true) << action;
    }

    // File > Open, the panel answered with the template.
    ModalAlert::ScopedPanelResponder panel([&](const ModalAlert::PanelRequest& request) {
        EXPECT_TRUE(request.extensions.contains(str(kTemplateDocumentExtension)));
        return QStringList{path};
    });
    ASSERT_TRUE(choose(menu, "openDocument:"));
    DocumentController& documents = DocumentController::sharedDocumentController();
    ASSERT_EQ(documents.documents().size(), 1);
    auto* document = qobject_cast<TemplateDocument*>(documents.documents().first());
    ASSERT_NE(document, nullptr);
    ASSERT_EQ(document->objects().size(), 3);
    auto* controller =
        qobject_cast<TemplateEditorController*>(document->windowControllers().first());
    auto* window = qobject_cast<QMainWindow*>(controller->window());
    QApplication::setActiveWindow(window);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    ASSERT_TRUE(MainWindowTracker::sharedTracker().isKeyWindow(window));
    EXPECT_EQ(window->windowTitle(), QStringLiteral(u"Three – Template[*]"));
    EXPECT_EQ(window->menuBar()->actions().size(), menu.menus().size());

    ScrollView* scroll = controller->scrollView();
    RulerView* ruler = scroll->horizontalRulerView();
    EXPECT_TRUE(ruler->isVisible());
    EXPECT_EQ(ruler->measurementUnits(), str("Centimeters"));
    EXPECT_EQ(scroll->verticalRulerView()->measurementUnits(), str("Centimeters"));
    ASSERT_NE(controller->toolbar(), nullptr);
    EXPECT_TRUE(controller->toolbar()->isVisible());
    EXPECT_EQ(window->findChildren<QToolBar*>().size(), 1);

    // View > Zoom In, twice.
    TM_TemplateView* canvas = controller->templateView();
    const Rect page = document->pageDesc()->frame();
    const double before =
        ruler->rulerCoordinateForLocation(10) - ruler->rulerCoordinateForLocation(0);
    ASSERT_TRUE(choose(menu, "zoomIn:"));
    ASSERT_TRUE(choose(menu, "zoomIn:"));
    EXPECT_EQ(controller->zoomFactor(), 4.0f);
    EXPECT_EQ(canvas->width(), std::lround(page.width() * 4));
    EXPECT_EQ(canvas->height(), std::lround(page.height() * 4));
    EXPECT_EQ(canvas->bounds(), page);
    // Widgets are whole pixels: a page of 283.46 points is 1134 of them at 400 %.
    EXPECT_NEAR(ruler->rulerCoordinateForLocation(10) - ruler->rulerCoordinateForLocation(0),
                before * 4, 0.1);

    // A click gives the canvas the keyboard; Tab takes the first object; an
    // arrow moves it a point.
    QTest::mouseClick(canvas, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(QApplication::focusWidget(), canvas);
    QTest::keyClick(canvas, Qt::Key_Tab);
    const TMObjectRef first = document->objects().first();
    ASSERT_TRUE(first->selected());
    const Point start = first->center();
    QTest::keyClick(canvas, Qt::Key_Right);
    QCoreApplication::processEvents();
    EXPECT_EQ(first->center(), (Point{start.x + 1, start.y}));
    EXPECT_TRUE(document->isDocumentEdited());
    EXPECT_TRUE(window->isWindowModified());

    // Edit > Undo puts it back and the document is clean again.
    ASSERT_TRUE(choose(menu, "undo:"));
    EXPECT_EQ(first->center(), start);
    EXPECT_FALSE(document->isDocumentEdited());
    // With nothing left to undo the item is off.
    EXPECT_FALSE(choose(menu, "undo:"));

    // The same commands through their shortcuts.
    QTest::keyClick(window, Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_EQ(controller->zoomFactor(), 2.0f);
    QTest::keyClick(window, Qt::Key_A, Qt::ControlModifier);
    for (const TMObjectRef& object : document->objects())
        EXPECT_TRUE(object->selected());

    document->close();
    QCoreApplication::processEvents();
}

TEST(TemplateEditorSession, NewTemplateOpensAnEditorWindow) {
    AppDelegate delegate(std::make_unique<FakeEnvironment>());
    DocumentController& documents = DocumentController::sharedDocumentController();
    const qsizetype before = documents.documents().size();
    QAction* item = delegate.mainMenu()->itemWithAction(str("newTemplateDocument:"));
    ASSERT_NE(item, nullptr);
    item->trigger();
    ASSERT_EQ(documents.documents().size(), before + 1);
    Document* document = documents.documents().first();
    ASSERT_NE(qobject_cast<TemplateDocument*>(document), nullptr);
    ASSERT_NE(document->windowForSheet(), nullptr);
    EXPECT_TRUE(document->windowForSheet()->isVisible());
    document->close();
    QCoreApplication::processEvents();
}
