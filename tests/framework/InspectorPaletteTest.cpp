#include "EditorFixture.h"
#include "framework/editor/InspectorController.h"
#include "framework/editor/ToolPaletteController.h"
#include "framework/inspectors/TMObjectController.h"
#include "framework/inspectors/TMPolygonObjectController.h"
#include "framework/inspectors/TMRectangleObjectController.h"
#include "framework/model/TMObjectGroup.h"
#include "framework/model/TMPolygonObject.h"
#include "framework/model/TMUtilities.h"
#include "platform/foundation/UndoManager.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/ui/ColorPanel.h"
#include "platform/ui/ColorWell.h"
#include "platform/ui/ModalAlert.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const QString kRectController = QStringLiteral("TMRectangleObjectController");
const QString kPolygonController = QStringLiteral("TMPolygonObjectController");

// An inspector of our own: a palette that shows the inspected object's kind.
class LabelController : public TMObjectController {
public:
    LabelController() : _palette(new QLabel) { _palette->setFixedSize(200, 120); }
    ~LabelController() override { delete _palette; }
    void updateInspectorPalette() override {
        _palette->setText(inspectedObject() ? inspectedObject()->kind() : QString());
    }
    QWidget* getInspectorPalette() override {
        updateInspectorPalette();
        return _palette;
    }

private:
    QPointer<QLabel> _palette;
};

class InspectorPaletteTest : public ::testing::Test, public EditorFixture {
protected:
    InspectorPaletteTest() {
        UserDefaults::standardUserDefaults().setObjectForKey(str("."), str("NSDecimalSeparator"));
        ToolPaletteController::sharedToolPaletteController()->setCurrentTool(kTMToolSelect);
        inspector = InspectorController::sharedInspectorController();
        inspector->setMainWindow(window());
        // Shapes have no inspector here unless a test gives them one.
        TMObjectController::registerControllerClass(kRectController, {});
        TMObjectController::registerControllerClass(kPolygonController, {});
        QCoreApplication::processEvents();
        undo()->removeAllActions();
    }
    ~InspectorPaletteTest() override {
        TMObjectController::registerControllerClass(
            kRectController, [] { return std::make_unique<TMRectangleObjectController>(); });
        TMObjectController::registerControllerClass(
            kPolygonController, [] { return std::make_unique<TMPolygonObjectController>(); });
        inspector->setMainWindow(nullptr);
        inspector->masterTabView()->setCurrentIndex(InspectorController::DocumentTab);
        UserDefaults::standardUserDefaults().removeObjectForKey(str("NSDecimalSeparator"));
    }
    UndoManager* undo() { return document.undoManager(); }
    template <class T> T* control(const char* name) { return inspector->control<T>(name); }
    // Types the text as a user does and leaves the field.
    void type(const char* field, const QString& text) {
        QLineEdit* f = control<QLineEdit>(field);
        f->selectAll();
        QTest::keyClicks(f, text);
        Q_EMIT f->editingFinished();
        QCoreApplication::processEvents();
    }
    // A click on the canvas at a page point, Shift held to extend the selection.
    void click(Point p, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        const QPointF w = canvas->widgetRectFromBounds({p.x, p.y, 0, 0}).topLeft();
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent event(type, w, canvas->mapToGlobal(w), Qt::LeftButton,
                              type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                              modifiers);
            QApplication::sendEvent(canvas, &event);
        }
        QCoreApplication::processEvents();
    }
    // A filled rectangle of 40 by 30 points at (x, y), hit anywhere inside.
    TMObjectRef addRectangle(float x, float y) {
        TMObjectRef object = TMRectangleObject::newTemplateObjectWithRepresentation(
            TMRectangleObject::filledRepresentation());
        object->setFrameCornersFromTo({x, y}, {x + 40, y + 30});
        document.addObject(object);
        return object;
    }
    static void registerLabelController(const QString& name) {
        TMObjectController::registerControllerClass(
            name, [] { return std::make_unique<LabelController>(); });
    }

    InspectorController* inspector = nullptr;
};

// ---------------------------------------------------------------------------
// Document tab

TEST_F(InspectorPaletteTest, AVersionSpelledDifferentlyIsShownTheUsualWayWithoutUndo) {
    document.setDocChangeVersion(TM_EncodeVersion(str("1.2.0")));
    QCoreApplication::processEvents();
    EXPECT_EQ(control<QLineEdit>("_versionField")->text(), str("1.2.0"));
    type("_versionField", str("1.2"));
    EXPECT_EQ(control<QLineEdit>("_versionField")->text(), str("1.2.0"));
    EXPECT_FALSE(undo()->canUndo());

    type("_versionField", str("1.3.1"));
    EXPECT_EQ(document.docChangeVersion(), TM_EncodeVersion(str("1.3.1")));
    undo()->endUndoGrouping();
    EXPECT_EQ(undo()->undoActionName(), str("Template Info"));
    ASSERT_TRUE(undo()->undo());
    EXPECT_EQ(document.docChangeVersion(), TM_EncodeVersion(str("1.2.0")));
}

TEST_F(InspectorPaletteTest, ATypedNameUndoesAsTemplateInfoAndCategoriesComeFromTheHost) {
    host.templateCategories = {str("Cards"), str("Prints")};
    document.setDocCategory(str("Prints"));
    QCoreApplication::processEvents();
    auto* category = control<QComboBox>("_categoryField");
    ASSERT_EQ(category->count(), 2);
    EXPECT_EQ(category->itemText(0), str("Cards"));
    EXPECT_EQ(category->currentText(), str("Prints"));

    const QString before = document.docName();
    type("_nameField", str("Holiday"));
    EXPECT_EQ(document.docName(), str("Holiday"));
    undo()->endUndoGrouping();
    EXPECT_EQ(undo()->undoActionName(), str("Template Info"));
    // The same text again changes nothing.
    type("_nameField", str("Holiday"));
    ASSERT_TRUE(undo()->undo());
    EXPECT_EQ(document.docName(), before);
    QCoreApplication::processEvents();
    EXPECT_EQ(control<QLineEdit>("_nameField")->text(), before);
    ASSERT_TRUE(undo()->redo());
    EXPECT_EQ(document.docName(), str("Holiday"));
}

TEST_F(InspectorPaletteTest, AnUnreadableThumbnailFileChangesNothing) {
    document.setThumbnailGenMode(1);
    QCoreApplication::processEvents();
    EXPECT_TRUE(control<QWidget>("_addThumbnailButton")->isEnabled());
    undo()->removeAllActions();
    QTemporaryDir folder;
    const QString path = folder.filePath(str("broken.png"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a picture");
    file.close();
    QString title;
    ModalAlert::ScopedPanelResponder panel([&](const ModalAlert::PanelRequest& request) {
        title = request.title;
        EXPECT_FALSE(request.multipleSelection);
        EXPECT_TRUE(request.extensions.contains(str("png")));
        return QStringList{path};
    });
    qobject_cast<QAbstractButton*>(control<QWidget>("_addThumbnailButton"))->click();
    EXPECT_EQ(title, str("Choose a Thumbnail Picture"));
    EXPECT_TRUE(document.thumbnailProxy().isNull());
    EXPECT_FALSE(undo()->canUndo());

    // Mode 0 (made at every save) turns the buttons off.
    auto* automatic =
        control<QWidget>("_thumbnailGenMatrix")->findChildren<QRadioButton*>().first();
    qobject_cast<QAbstractButton*>(automatic)->click();
    QCoreApplication::processEvents();
    EXPECT_EQ(document.thumbnailGenMode(), 0);
    EXPECT_FALSE(control<QWidget>("_addThumbnailButton")->isEnabled());
}

// ---------------------------------------------------------------------------
// Page tab

TEST_F(InspectorPaletteTest, SizesShowInTheUnitWithTheUsersSeparator) {
    struct Case {
        const char* unit;
        const char* separator;
        const char* shown;
    };
    const Case cases[] = {{"Points", ".", "612 pt"},
                          {"Points", ",", "612 pt"},
                          {"Picas", ".", "51.0 pc"},
                          {"Inches", ".", "8.50 in"},
                          {"Inches", ",", "8,50 in"}};
    for (const Case& c : cases) {
        UserDefaults::standardUserDefaults().setObjectForKey(str(c.separator),
                                                             str("NSDecimalSeparator"));
        document.pageDesc()->setDisplayUnit(str(c.unit));
        document.pageDesc()->setPageSize(
            {612 / document.pageDesc()->pointsPerUnit(), document.pageDesc()->pageSize().height});
        inspector->updateDisplayedPageValues();
        EXPECT_EQ(control<QLineEdit>("_pageWidthField")->text(), str(c.shown)) << c.unit;
        EXPECT_EQ(control<QComboBox>("_displayUnitsPopUp")->currentText(), str(c.unit));
    }
}

TEST_F(InspectorPaletteTest, ACommaSizeKeepsTheOtherSideWhenOneChanges) {
    UserDefaults::standardUserDefaults().setObjectForKey(str(","), str("NSDecimalSeparator"));
    document.pageDesc()->setDisplayUnit(str("Centimeters"));
    document.pageDesc()->setPageSize({21.0f, 29.7f});
    inspector->updateDisplayedPageValues();
    EXPECT_EQ(control<QLineEdit>("_pageHeightField")->text(), str("29,70 cm"));
    type("_pageWidthField", str("20,50 cm"));
    EXPECT_FLOAT_EQ(document.pageDesc()->pageSize().width, 20.5f);
    EXPECT_FLOAT_EQ(document.pageDesc()->pageSize().height, 29.7f);
    EXPECT_EQ(control<QLineEdit>("_pageHeightField")->text(), str("29,70 cm"));
    // Leaving a field without typing writes nothing back.
    undo()->removeAllActions();
    document.pageDesc()->setPageSize({8.2677f, 11.6929f});
    QCoreApplication::processEvents();
    Q_EMIT control<QLineEdit>("_pageWidthField")->editingFinished();
    EXPECT_FLOAT_EQ(document.pageDesc()->pageSize().width, 8.2677f);
    EXPECT_FALSE(undo()->canUndo());
}

TEST_F(InspectorPaletteTest, OwnSizeEnablesTheFieldsWithTheCursorInTheWidthAsOnePageStep) {
    document.pageDesc()->setAutoPageSize(true);
    inspector->updateDisplayedPageValues();
    auto* width = control<QLineEdit>("_pageWidthField");
    EXPECT_FALSE(width->isEnabled());
    undo()->removeAllActions();
    auto* own = qobject_cast<QRadioButton*>(
        control<QWidget>("_autoPageSizeMatrix")->findChildren<QRadioButton*>().at(1));
    qobject_cast<QAbstractButton*>(own)->click();
    EXPECT_FALSE(document.pageDesc()->autoPageSize());
    EXPECT_TRUE(width->isEnabled());
    EXPECT_TRUE(control<QLineEdit>("_pageHeightField")->isEnabled());
    EXPECT_EQ(inspector->window()->focusWidget(), width);
    undo()->endUndoGrouping();
    EXPECT_EQ(undo()->undoActionName(), str("Page Settings"));
    ASSERT_TRUE(undo()->undo());
    EXPECT_TRUE(document.pageDesc()->autoPageSize());
    EXPECT_FALSE(undo()->canUndo()) << undo()->undoActionName().toStdString();

    // A switch is one step too; the same state again is none.
    auto* grid = control<QCheckBox>("_showsGridSwitch");
    const bool shown = document.pageDesc()->showsGrid();
    qobject_cast<QAbstractButton*>(grid)->click();
    EXPECT_EQ(document.pageDesc()->showsGrid(), !shown);
    undo()->endUndoGrouping();
    ASSERT_TRUE(undo()->undo());
    EXPECT_EQ(document.pageDesc()->showsGrid(), shown);
    QCoreApplication::processEvents();
    EXPECT_EQ(grid->isChecked(), shown);
    inspector->pageDisplayChanged(grid);
    EXPECT_FALSE(undo()->canUndo());
}

TEST_F(InspectorPaletteTest, AWellsColourReachesThePageAndOneWellIsActiveAtATime) {
    auto* gridWell = control<ColorWell>("_gridColorWell");
    auto* guideWell = control<ColorWell>("_guideColorWell");
    qobject_cast<QAbstractButton*>(gridWell)->click();
    EXPECT_TRUE(gridWell->isActive());
    EXPECT_EQ(ColorWell::activeWell(), gridWell);
    ColorPanel::sharedColorPanel()->setColor(QColor(200, 10, 20));
    EXPECT_EQ(document.pageDesc()->gridColor().toQColor().rgb(), QColor(200, 10, 20).rgb());
    undo()->endUndoGrouping();
    EXPECT_EQ(undo()->undoActionName(), str("Page Settings"));

    qobject_cast<QAbstractButton*>(guideWell)->click();
    EXPECT_FALSE(gridWell->isActive());
    EXPECT_TRUE(guideWell->isActive());
    const Color grid = document.pageDesc()->gridColor();
    ColorPanel::sharedColorPanel()->setColor(QColor(0, 0, 250));
    EXPECT_EQ(document.pageDesc()->guideColor().toQColor().rgb(), QColor(0, 0, 250).rgb());
    EXPECT_EQ(document.pageDesc()->gridColor(), grid);

    // Another main window lets the panel go.
    inspector->setMainWindow(nullptr);
    EXPECT_EQ(ColorWell::activeWell(), nullptr);
    ColorPanel::sharedColorPanel()->close();
}

TEST_F(InspectorPaletteTest, WithoutADocumentEveryControlIsDisabled) {
    inspector->setMainWindow(nullptr);
    for (const char* name : {"_nameField",           "_categoryField",
                             "_creatorField",        "_descriptionField",
                             "_copyrightField",      "_versionField",
                             "_thumbnailView",       "_thumbnailGenMatrix",
                             "_addThumbnailButton",  "_removeThumbnailButton",
                             "_autoThumbnailButton", "_autoPageSizeMatrix",
                             "_pageWidthField",      "_pageHeightField",
                             "_displayUnitsPopUp",   "_gridDivisionsPopUp",
                             "_showsMarginSwitch",   "_snapsToGridSwitch",
                             "_showsGridSwitch",     "_gridColorWell",
                             "_snapsToGuidesSwitch", "_showsGuidesSwitch",
                             "_guideColorWell"})
        EXPECT_FALSE(control<QWidget>(name)->isEnabled()) << name;
    const QColor disabled = QApplication::palette(control<QLabel>("_nameLabel"))
                                .color(QPalette::Disabled, QPalette::WindowText);
    for (const char* name : {"_nameLabel", "_versionLabel", "_sizeLabel", "_guideColorLabel"})
        EXPECT_EQ(control<QLabel>(name)->palette().color(QPalette::WindowText), disabled) << name;
    EXPECT_EQ(inspector->message(), str("No Objects Selected"));
    inspector->setMainWindow(window());
    EXPECT_TRUE(control<QWidget>("_nameField")->isEnabled());
}

// ---------------------------------------------------------------------------
// Object tab

TEST_F(InspectorPaletteTest, OneSelectionTurnsToTheObjectTabAndMoreShowAMessageAtTheNextUpdate) {
    addRectangle(10, 10);
    addRectangle(100, 10);
    QCoreApplication::processEvents();
    EXPECT_EQ(inspector->masterTabView()->currentIndex(), InspectorController::DocumentTab);
    click({20, 20});
    EXPECT_EQ(inspector->masterTabView()->currentIndex(), InspectorController::ObjectTab);
    // No inspector class is known for rectangles here.
    EXPECT_EQ(inspector->message(), str("No Inspector Available"));

    inspector->masterTabView()->setCurrentIndex(InspectorController::PageTab);
    click({110, 20}, Qt::ShiftModifier);
    ASSERT_EQ(canvas->selectedObjects().size(), 2);
    EXPECT_EQ(inspector->masterTabView()->currentIndex(), InspectorController::PageTab);
    EXPECT_EQ(inspector->message(), str("Multiple Objects Selected"));
    EXPECT_FALSE(inspector->needsUpdate());

    ASSERT_TRUE(canvas->validateMenuItemTag(EditorTag::Group));
    canvas->group();
    QCoreApplication::processEvents();
    ASSERT_EQ(canvas->selectedObjects().size(), 1);
    EXPECT_NE(std::dynamic_pointer_cast<TMObjectGroup>(canvas->selectedObjects().first()), nullptr);
    EXPECT_EQ(inspector->message(), str("No Inspector Available"));

    canvas->deselect();
    QCoreApplication::processEvents();
    EXPECT_EQ(inspector->message(), str("No Objects Selected"));
}

TEST_F(InspectorPaletteTest, ObjectsOfOneInspectorClassShareItsControllerAndView) {
    registerLabelController(kRectController);
    const TMObjectRef a = addRectangle(10, 10);
    const TMObjectRef b = addRectangle(100, 10);
    click({20, 20});
    TMObjectController* first = inspector->inspectedObjectController();
    ASSERT_NE(first, nullptr);
    QWidget* view = inspector->inspectorPaletteView();
    EXPECT_EQ(inspector->message(), QString());
    EXPECT_EQ(inspector->inspectedObject(), a);
    EXPECT_EQ(first->inspectedObject(), a);
    EXPECT_EQ(view->parentWidget(), inspector->control<QWidget>("_objectContainerView"));
    EXPECT_EQ(view->y(), 0);
    EXPECT_EQ(qobject_cast<QLabel*>(view)->text(), str("TMRectangleObject"));

    click({110, 20});
    EXPECT_EQ(inspector->inspectedObjectController(), first);
    EXPECT_EQ(inspector->inspectorPaletteView(), view);
    EXPECT_EQ(first->inspectedObject(), b);
    EXPECT_EQ(document.objectControllers().size(), 1);
}

TEST_F(InspectorPaletteTest, TheLookupIsByExactClassAndThePreviousControllerIsHandedNull) {
    registerLabelController(kRectController);
    registerLabelController(kPolygonController);
    EXPECT_EQ(TMObjectController::objectControllerForDocument(kRectController, nullptr), nullptr);
    EXPECT_EQ(TMObjectController::objectControllerForDocument(str("TMObjectController"), &document),
              nullptr);
    EXPECT_EQ(
        TMObjectController::objectControllerForDocument(str("TMNoSuchObjectController"), &document),
        nullptr);
    TMObjectController* polygons =
        TMObjectController::objectControllerForDocument(kPolygonController, &document);
    ASSERT_NE(polygons, nullptr);
    TMObjectController* rectangles =
        TMObjectController::objectControllerForDocument(kRectController, &document);
    ASSERT_NE(rectangles, nullptr);
    EXPECT_NE(rectangles, polygons);
    EXPECT_EQ(rectangles->controllerClassName(), kRectController);
    EXPECT_EQ(TMObjectController::objectControllerForDocument(kPolygonController, &document),
              polygons);
    EXPECT_EQ(document.objectControllers().size(), 2);

    const TMObjectRef rect = addRectangle(10, 10);
    auto polygon = TMPolygonObject::newTemplateObjectWithOriginSize({100, 10}, {40, 30});
    document.addObject(polygon);
    click({20, 20});
    EXPECT_EQ(inspector->inspectedObjectController(), rectangles);
    EXPECT_EQ(rectangles->inspectedObject(), rect);
    canvas->deselect();
    polygon->setSelected(true);
    inspector->activatePalette();
    EXPECT_EQ(inspector->inspectedObjectController(), polygons);
    EXPECT_EQ(polygons->inspectedObject(), polygon);
    EXPECT_EQ(rectangles->inspectedObject(), nullptr);
}

// ---------------------------------------------------------------------------
// Main window

TEST_F(InspectorPaletteTest, AnotherKindOfMainWindowHidesTheInspectorAndAnEditorBringsItBack) {
    inspector->activate();
    ASSERT_TRUE(inspector->window()->isVisible());
    QMainWindow catalog;
    catalog.resize(300, 200);
    makeKey(&catalog);
    ASSERT_TRUE(MainWindowTracker::sharedTracker().isMainWindow(&catalog));
    EXPECT_FALSE(inspector->window()->isVisible());
    EXPECT_TRUE(inspector->isActivated());
    EXPECT_EQ(inspector->inspectingTemplateView(), nullptr);

    makeKey(window());
    ASSERT_TRUE(MainWindowTracker::sharedTracker().isMainWindow(window()));
    EXPECT_TRUE(inspector->isActivated());
    EXPECT_TRUE(inspector->window()->isVisible());
    EXPECT_EQ(inspector->inspectingTemplateView(), canvas);
    // The editor stays main and key while the palette shows.
    QCoreApplication::processEvents();
    MainWindowTracker::sharedTracker().update();
    EXPECT_TRUE(MainWindowTracker::sharedTracker().isMainWindow(window()));
    EXPECT_TRUE(MainWindowTracker::sharedTracker().isKeyWindow(window()));
    EXPECT_TRUE(inspector->window()->isVisible());
    inspector->hide();
}

} // namespace
