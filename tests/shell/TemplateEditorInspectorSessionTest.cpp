// A user's session that makes a template from nothing: a new template, named
// in the Inspector, objects drawn with the tool palette, moved, resized and
// set in the Geometry palette, undone and redone, saved, closed and opened.
#include "FakeEnvironment.h"
#include "MenuChoice.h"
#include "framework/editor/GeometryController.h"
#include "framework/editor/InspectorController.h"
#include "framework/editor/TM_TemplateView.h"
#include "framework/editor/TemplateEditorController.h"
#include "framework/editor/ToolPaletteController.h"
#include "framework/model/TemplateDocument.h"
#include "platform/documents/DocumentController.h"
#include "platform/ui/MainWindowTracker.h"
#include "platform/ui/ModalAlert.h"
#include "platform/ui/TickClock.h"
#include "shell/AppDelegate.h"
#include "shell/MainMenu.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScreen>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QString str(const char* text) {
    return QString::fromLatin1(text);
}

// The mouse on the canvas at page points.
class Mouse {
public:
    explicit Mouse(TM_TemplateView* canvas) : _canvas(canvas) {}
    void press(Point p) { send(QEvent::MouseButtonPress, p, Qt::LeftButton); }
    void drag(Point p) { send(QEvent::MouseMove, p, Qt::LeftButton); }
    void release(Point p) {
        send(QEvent::MouseButtonRelease, p, Qt::NoButton);
        QCoreApplication::processEvents();
    }
    void stroke(Point from, Point to) {
        press(from);
        drag({(from.x + to.x) / 2, (from.y + to.y) / 2});
        drag(to);
        release(to);
    }

private:
    void send(QEvent::Type type, Point p, Qt::MouseButtons buttons) {
        const QPointF w = _canvas->widgetRectFromBounds({p.x, p.y, 0, 0}).topLeft();
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, w, _canvas->mapToGlobal(w), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(_canvas, &event);
    }
    TM_TemplateView* _canvas;
};

// Types into a field and presses Return, as a user does.
void typeInto(QLineEdit* field, const QString& text) {
    field->selectAll();
    QTest::keyClicks(field, text);
    QTest::keyClick(field, Qt::Key_Return);
    QCoreApplication::processEvents();
}

struct Shape {
    QString kind;
    Rect frame;
    float rotation;
};

QList<Shape> shapes(const TemplateDocument& document) {
    QList<Shape> result;
    for (const TMObjectRef& object : document.objects())
        result.append({object->kind(), object->frame(), object->rotation()});
    return result;
}

} // namespace

TEST(TemplateEditorInspectorSession, NewTemplateDrawnEditedSavedAndOpenedAgain) {
    AppDelegate delegate(std::make_unique<FakeEnvironment>());
    MainMenu& menu = *delegate.mainMenu();
    ManualTickClock clock(1000);
    DocumentController& documents = DocumentController::sharedDocumentController();

    // File > New Template: the editor with its three palettes.
    ASSERT_TRUE(choose(menu, "newTemplateDocument:"));
    auto* document = qobject_cast<TemplateDocument*>(documents.documents().first());
    ASSERT_NE(document, nullptr);
    auto* editor = qobject_cast<TemplateEditorController*>(document->windowControllers().first());
    QWidget* window = editor->window();
    QApplication::setActiveWindow(window);
    QCoreApplication::processEvents();
    MainWindowTracker::sharedTracker().update();
    QCoreApplication::processEvents();
    ASSERT_TRUE(MainWindowTracker::sharedTracker().isMainWindow(window));
    TM_TemplateView* canvas = editor->templateView();
    document->pageDesc()->setDisplayUnit(str("Points"));
    QCoreApplication::processEvents();

    ASSERT_TRUE(choose(menu, "showToolPalette:"));
    ASSERT_TRUE(choose(menu, "showGeometry:"));
    InspectorController* inspector = InspectorController::sharedInspectorController();
    GeometryController* geometry = GeometryController::sharedGeometryController();
    ToolPaletteController* tools = ToolPaletteController::sharedToolPaletteController();
    EXPECT_TRUE(inspector->window()->isVisible());
    EXPECT_TRUE(geometry->window()->isVisible());
    EXPECT_TRUE(tools->window()->isVisible());
    EXPECT_EQ(inspector->inspectingTemplateView(), canvas);
    EXPECT_TRUE(MainWindowTracker::sharedTracker().isMainWindow(window));

    // The template is named in the Inspector.
    inspector->masterTabView()->setCurrentIndex(InspectorController::DocumentTab);
    typeInto(inspector->control<QLineEdit>("_nameField"), str("Postcard"));
    EXPECT_EQ(document->docName(), str("Postcard"));

    // A rectangle, a photo cell and a text, each with its tool.
    Mouse mouse(canvas);
    tools->toolButton(kTMToolFilledRect)->click();
    mouse.stroke({20, 20}, {80, 60});
    tools->toolButton(kTMToolPhoto)->click();
    mouse.stroke({120, 20}, {200, 90});
    tools->toolButton(kTMToolText)->click();
    mouse.stroke({40, 140}, {160, 170});
    ASSERT_EQ(document->objects().size(), 3);
    const TMObjectRef rect = document->objects().at(0);
    const TMObjectRef cell = document->objects().at(1);
    const TMObjectRef text = document->objects().at(2);
    EXPECT_EQ(rect->kind(), str("TMRectangleObject"));
    EXPECT_EQ(cell->kind(), str("TMPhotoObject"));
    EXPECT_EQ(text->kind(), str("TMTextObject"));
    EXPECT_EQ(tools->currentTool(), kTMToolSelect);
    EXPECT_EQ(inspector->masterTabView()->currentIndex(), InspectorController::ObjectTab);

    // The rectangle dragged 10 points right and down.
    const Rect rectBefore = rect->frame();
    mouse.stroke({50, 40}, {60, 50});
    EXPECT_EQ(rect->frame(), Rect(rectBefore.minX() + 10, rectBefore.minY() + 10,
                                  rectBefore.width(), rectBefore.height()));

    // The cell selected and made larger by its lower right knob.
    mouse.press({160, 50});
    mouse.release({160, 50});
    ASSERT_TRUE(cell->selected());
    const Rect cellBefore = cell->frame();
    const Point corner{cellBefore.maxX(), cellBefore.maxY()};
    mouse.stroke(corner, {corner.x + 20, corner.y + 10});
    EXPECT_EQ(cell->frame().minX(), cellBefore.minX());
    EXPECT_EQ(cell->frame().width(), cellBefore.width() + 20);
    EXPECT_EQ(cell->frame().height(), cellBefore.height() + 10);

    // The text's width, then a rotation of 30, typed into the Geometry palette.
    mouse.press({100, 155});
    mouse.release({100, 155});
    ASSERT_TRUE(text->selected());
    ASSERT_EQ(geometry->geometryObject(), text);
    const float textWidth = text->size().width;
    typeInto(qobject_cast<QLineEdit*>(geometry->control(GeometryController::Width)), str("150"));
    EXPECT_EQ(text->size().width, 150.0f);
    typeInto(qobject_cast<QLineEdit*>(geometry->control(GeometryController::Rotation)), str("30"));
    EXPECT_EQ(text->rotation(), 30.0f);

    // Edit > Undo twice, Redo once: the width back, no rotation.
    ASSERT_TRUE(choose(menu, "undo:"));
    ASSERT_TRUE(choose(menu, "undo:"));
    EXPECT_EQ(text->size().width, textWidth);
    EXPECT_EQ(text->rotation(), 0.0f);
    ASSERT_TRUE(choose(menu, "redo:"));
    EXPECT_EQ(text->size().width, 150.0f);
    EXPECT_EQ(text->rotation(), 0.0f);
    const QList<Shape> made = shapes(*document);

    if (const QByteArray shot = qgetenv("LUMISK_SCREENSHOT"); !shot.isEmpty()) {
        QTest::qWait(300);
        QGuiApplication::primaryScreen()->grabWindow(0).save(QString::fromLocal8Bit(shot));
        for (int tab : {InspectorController::DocumentTab, InspectorController::PageTab}) {
            inspector->masterTabView()->setCurrentIndex(tab);
            inspector->window()->grab().save(QString::fromLocal8Bit(shot) +
                                             QStringLiteral(".inspector%1.png").arg(tab));
        }
    }

    // File > Save As, answered through the panel seam; then closed.
    QTemporaryDir folder;
    const QString path = folder.filePath(str("Postcard.vyxTemplate"));
    {
        ModalAlert::ScopedPanelResponder panel([&](const ModalAlert::PanelRequest& request) {
            EXPECT_EQ(request.kind, ModalAlert::PanelRequest::Kind::Save);
            return QStringList{path};
        });
        ASSERT_TRUE(choose(menu, "saveDocumentAs:"));
        for (int i = 0; i < 20 && !QFile::exists(path); ++i)
            QTest::qWait(20);
    }
    ASSERT_TRUE(QFile::exists(path));
    EXPECT_FALSE(document->isDocumentEdited());
    document->close();
    QCoreApplication::processEvents();
    ASSERT_TRUE(documents.documents().isEmpty());

    // File > Open: the same objects in order, and the name.
    ModalAlert::ScopedPanelResponder panel(
        [&](const ModalAlert::PanelRequest&) { return QStringList{path}; });
    ASSERT_TRUE(choose(menu, "openDocument:"));
    ASSERT_EQ(documents.documents().size(), 1);
    auto* opened = qobject_cast<TemplateDocument*>(documents.documents().first());
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(opened->docName(), str("Postcard"));
    const QList<Shape> read = shapes(*opened);
    ASSERT_EQ(read.size(), made.size());
    for (qsizetype i = 0; i < made.size(); ++i) {
        EXPECT_EQ(read.at(i).kind, made.at(i).kind) << i;
        EXPECT_EQ(read.at(i).frame, made.at(i).frame) << i;
        EXPECT_EQ(read.at(i).rotation, made.at(i).rotation) << i;
    }
    opened->close();
    QCoreApplication::processEvents();
}
