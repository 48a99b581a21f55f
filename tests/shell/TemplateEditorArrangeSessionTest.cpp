// A user's session with the arrange commands through the application's own
// toolbar, menus and Geometry palette: align, group, rotate, then undo all.
#include "FakeEnvironment.h"
#include "MenuChoice.h"
#include "framework/editor/GeometryController.h"
#include "framework/editor/TM_TemplateView.h"
#include "framework/editor/TemplateEditorController.h"
#include "framework/model/TMObjectGroup.h"
#include "framework/model/TMPolygonObject.h"
#include "framework/model/TMRectangleObject.h"
#include "framework/model/TemplateDocument.h"
#include "platform/documents/DocumentController.h"
#include "platform/foundation/UndoManager.h"
#include "platform/ui/MainWindowTracker.h"
#include "platform/ui/ModalAlert.h"
#include "platform/ui/Toolbar.h"
#include "shell/AppDelegate.h"
#include "shell/MainMenu.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QString str(const char* text) {
    return QString::fromLatin1(text);
}

void writeTemplate(const QString& path) {
    TemplateDocument document;
    document.pageDesc()->setAutoPageSize(false);
    document.pageDesc()->setDisplayUnit(str("Points"));
    document.pageDesc()->setPageSize({360, 288});
    for (float x : {20.0f, 90.0f, 160.0f})
        document.addObject(
            TMRectangleObject::newTemplateObjectWithOriginSize({x, 30 + x}, {50, 40}));
    QString error;
    ASSERT_TRUE(document.writeToFileOfType(path, str(kTemplateDocumentType), &error))
        << error.toStdString();
}

} // namespace

TEST(TemplateEditorArrangeSession, AlignGroupRotateAndUndoThroughToolbarMenuAndPalette) {
    AppDelegate delegate(std::make_unique<FakeEnvironment>());
    QTemporaryDir folder;
    const QString path = folder.filePath(str("Three.vyxTemplate"));
    writeTemplate(path);
    MainMenu& menu = *delegate.mainMenu();
    for (const char* title : {"Arrange", "Align", "Polygon"})
        EXPECT_NE(menu.menuWithTitle(str(title)), nullptr) << title;

    ModalAlert::ScopedPanelResponder panel(
        [&](const ModalAlert::PanelRequest&) { return QStringList{path}; });
    ASSERT_TRUE(choose(menu, "openDocument:"));
    auto* document = qobject_cast<TemplateDocument*>(
        DocumentController::sharedDocumentController().documents().first());
    ASSERT_NE(document, nullptr);
    auto* controller =
        qobject_cast<TemplateEditorController*>(document->windowControllers().first());
    QWidget* window = controller->window();
    // The Geometry palette comes up with the new editor window and leaves it active.
    GeometryController* palette = GeometryController::sharedGeometryController();
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
    EXPECT_TRUE(palette->window()->isVisible());
    EXPECT_EQ(QApplication::activeWindow(), window);
    EXPECT_TRUE(MainWindowTracker::sharedTracker().isMainWindow(window));
    QApplication::setActiveWindow(window);
    QCoreApplication::processEvents();
    MainWindowTracker::sharedTracker().update();
    QCoreApplication::processEvents();
    TM_TemplateView* canvas = controller->templateView();
    const QList<TMObjectRef> objects = document->objects();
    QList<QVariantMap> before;
    for (const TMObjectRef& object : objects)
        before.append(object->geometry());

    ASSERT_TRUE(choose(menu, "selectAll:"));
    // Align Left from the toolbar.
    Toolbar* bar = controller->toolbar();
    QAction* alignLeft =
        controller->findToolbarItemWithIdentifier(str("editortoolbar.alignleftedges"));
    ASSERT_NE(alignLeft, nullptr);
    bar->validateVisibleItems();
    QApplication::setActiveWindow(window);
    MainWindowTracker::sharedTracker().update();
    bar->validateVisibleItems();
    ASSERT_TRUE(alignLeft->isEnabled());
    alignLeft->trigger();
    QCoreApplication::processEvents();
    for (const TMObjectRef& object : objects)
        EXPECT_EQ(object->frame().minX(), 20.0f);

    // Group from the menu.
    ASSERT_TRUE(choose(menu, "group:"));
    ASSERT_EQ(document->objects().size(), 1);
    auto group = std::dynamic_pointer_cast<TMObjectGroup>(document->objects().first());
    ASSERT_NE(group, nullptr);

    // Rotation 30 typed into the Geometry palette.
    ASSERT_EQ(palette->editingTemplateView(), canvas);
    ASSERT_EQ(palette->geometryObject(), group);
    auto* rotation = qobject_cast<QLineEdit*>(palette->control(GeometryController::Rotation));
    ASSERT_NE(rotation, nullptr);
    rotation->selectAll();
    QTest::keyClicks(rotation, str("30"));
    QTest::keyClick(rotation, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_FLOAT_EQ(group->rotation(), 30.0f);

    if (const QByteArray shot = qgetenv("LUMISK_SCREENSHOT"); !shot.isEmpty()) {
        // The whole screen: the editor with its rulers and the palette over it.
        QCoreApplication::processEvents();
        QGuiApplication::primaryScreen()->grabWindow(0).save(QString::fromLocal8Bit(shot));
    }

    // Undo three times: as before.
    ASSERT_TRUE(choose(menu, "undo:"));
    ASSERT_TRUE(choose(menu, "undo:"));
    ASSERT_TRUE(choose(menu, "undo:"));
    EXPECT_EQ(document->objects(), objects);
    for (qsizetype i = 0; i < objects.size(); ++i)
        EXPECT_EQ(objects.at(i)->geometry(), before.at(i)) << i;
    EXPECT_FALSE(document->isDocumentEdited());

    palette->hide();
    document->close();
    QCoreApplication::processEvents();
}

namespace {

// A template whose one object is a polygon of three segments.
void writePolygonTemplate(const QString& path) {
    TemplateDocument document;
    document.pageDesc()->setAutoPageSize(false);
    document.pageDesc()->setDisplayUnit(str("Points"));
    document.pageDesc()->setPageSize({360, 288});
    document.pageDesc()->setSnapsToGrid(false);
    auto polygon =
        TMPolygonObject::newTemplateObjectWithRepresentation(TMPolygonObject::stdRepresentation());
    // As drawn: each next segment fixes the start of the one before.
    polygon->setFrameCornersFromTo({20, 20}, {60, 20});
    for (Point corner : {Point(60, 70), Point(90, 70), Point(90, 70)})
        polygon->nextSegment(corner);
    polygon->endSegment({90, 70});
    document.addObject(polygon);
    QString error;
    ASSERT_TRUE(document.writeToFileOfType(path, str(kTemplateDocumentType), &error))
        << error.toStdString();
}

// Sends a mouse event to the canvas at a page point.
void mouse(TM_TemplateView* canvas, QEvent::Type type, Point p) {
    const QPointF at = canvas->widgetRectFromBounds({p.x, p.y, 0, 0}).topLeft();
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons buttons = type == QEvent::MouseMove || type == QEvent::MouseButtonRelease
                                         ? Qt::NoButton
                                         : Qt::LeftButton;
    QMouseEvent event(type, at, canvas->mapToGlobal(at), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(canvas, &event);
}

} // namespace

TEST(TemplateEditorArrangeSession, PolygonMenuAddsInsertsAndDeletesSegmentsEachOneUndoStep) {
    AppDelegate delegate(std::make_unique<FakeEnvironment>());
    QTemporaryDir folder;
    const QString path = folder.filePath(str("Polygon.vyxTemplate"));
    writePolygonTemplate(path);
    MainMenu& menu = *delegate.mainMenu();
    ModalAlert::ScopedPanelResponder panel(
        [&](const ModalAlert::PanelRequest&) { return QStringList{path}; });
    ASSERT_TRUE(choose(menu, "openDocument:"));
    auto* document = qobject_cast<TemplateDocument*>(
        DocumentController::sharedDocumentController().documents().first());
    ASSERT_NE(document, nullptr);
    auto* controller =
        qobject_cast<TemplateEditorController*>(document->windowControllers().first());
    QApplication::setActiveWindow(controller->window());
    QCoreApplication::processEvents();
    MainWindowTracker::sharedTracker().update();
    TM_TemplateView* canvas = controller->templateView();
    ASSERT_EQ(document->objects().size(), 1);
    auto polygon = std::dynamic_pointer_cast<TMPolygonObject>(document->objects().first());
    ASSERT_NE(polygon, nullptr);
    ASSERT_EQ(polygon->segmentCount(), 3);
    const QVariantMap before = polygon->geometry();

    // Nothing selected: the Polygon menu is off.
    for (const char* action : {"addSegments:", "insertSegment:", "deleteSegment:"})
        EXPECT_FALSE(choose(menu, action)) << action;
    ASSERT_TRUE(choose(menu, "selectAll:"));
    // Without a chosen corner only Add Segments is on.
    EXPECT_FALSE(choose(menu, "insertSegment:"));
    EXPECT_FALSE(choose(menu, "deleteSegment:"));

    // Add Segments: two more corners drawn on, the last by a double press.
    ASSERT_TRUE(choose(menu, "addSegments:"));
    ASSERT_TRUE(canvas->isTracking());
    mouse(canvas, QEvent::MouseMove, {120, 70});
    mouse(canvas, QEvent::MouseButtonPress, {120, 70});
    mouse(canvas, QEvent::MouseButtonRelease, {120, 70});
    mouse(canvas, QEvent::MouseMove, {120, 120});
    mouse(canvas, QEvent::MouseButtonPress, {120, 120});
    mouse(canvas, QEvent::MouseButtonRelease, {120, 120});
    mouse(canvas, QEvent::MouseButtonDblClick, {120, 120});
    mouse(canvas, QEvent::MouseButtonRelease, {120, 120});
    EXPECT_FALSE(canvas->isTracking());
    EXPECT_GT(polygon->segmentCount(), 3);
    EXPECT_EQ(polygon->lastSegmentPoint(), Point(120, 120));
    UndoManager* undo = document->undoManager();
    EXPECT_EQ(undo->undoActionName(), str("Resize"));
    ASSERT_TRUE(choose(menu, "undo:"));
    EXPECT_EQ(polygon->geometry(), before);

    // Insert Segment halves the segment that ends at the chosen corner.
    polygon->setSelectedKnob(2);
    ASSERT_TRUE(choose(menu, "insertSegment:"));
    EXPECT_EQ(polygon->segmentCount(), 4);
    EXPECT_EQ(polygon->segmentPoint(1), Point(40, 20));
    EXPECT_EQ(undo->undoActionName(), str("Resize"));
    ASSERT_TRUE(choose(menu, "undo:"));
    EXPECT_EQ(polygon->geometry(), before);

    // Delete Segment takes the chosen corner away.
    polygon->setSelectedKnob(2);
    ASSERT_TRUE(choose(menu, "deleteSegment:"));
    EXPECT_EQ(polygon->segmentCount(), 2);
    EXPECT_EQ(polygon->segmentPoint(1), Point(60, 70));
    EXPECT_EQ(undo->undoActionName(), str("Resize"));
    ASSERT_TRUE(choose(menu, "undo:"));
    EXPECT_EQ(polygon->geometry(), before);
    EXPECT_FALSE(document->isDocumentEdited());

    document->close();
    QCoreApplication::processEvents();
}
