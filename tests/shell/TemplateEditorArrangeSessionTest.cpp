// A user's session with the arrange commands through the application's own
// toolbar, menus and Geometry palette: align, group, rotate, then undo all.
#include "FakeEnvironment.h"
#include "MenuChoice.h"
#include "framework/editor/GeometryController.h"
#include "framework/editor/TM_TemplateView.h"
#include "framework/editor/TemplateEditorController.h"
#include "framework/model/TMObjectGroup.h"
#include "framework/model/TMRectangleObject.h"
#include "framework/model/TemplateDocument.h"
#include "platform/documents/DocumentController.h"
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
    GeometryController* palette = GeometryController::sharedGeometryController();
    palette->activate();
    QCoreApplication::processEvents();
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
        window->grab().save(QString::fromLocal8Bit(shot));
        palette->window()->grab().save(QString::fromLocal8Bit(shot) + str(".geometry.png"));
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
