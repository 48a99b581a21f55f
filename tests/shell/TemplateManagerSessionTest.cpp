// The template manager in a user's session with the shipped templates: opened
// from the Window menu, a category picked, a template dragged onto a catalog
// window's layout panel and another applied from the action menu.
#include "FakeEnvironment.h"
#include "MenuChoice.h"
#include "documents/CatalogPanel.h"
#include "documents/RoduvudeDadevizi.h"
#include "documents/ZaroziveZodiroVirizidivi.h"
#include "layout/TemplateMapper.h"
#include "library/NewTemplateManager.h"
#include "library/TemplateManagerWindowController.h"
#include "library/VQDragMatrix.h"
#include "platform/documents/DocumentController.h"
#include "platform/foundation/Resources.h"
#include "platform/foundation/UndoManager.h"
#include "platform/ui/MainWindowTracker.h"
#include "platform/ui/Pasteboard.h"
#include "shell/AppDelegate.h"
#include "shell/MainMenu.h"
#include "support/TestHome.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QString str(const char* text) {
    return QString::fromLatin1(text);
}

// Drops the dragged data on the widget, as the pointer lets go over its corner.
void dropOn(QWidget* target, QMimeData* data) {
    const QPoint corner(5, 5);
    QDragEnterEvent enter(corner, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDragMoveEvent move(corner, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    QDropEvent drop(QPointF(corner), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    QCoreApplication::processEvents();
}

int indexOfTemplate(VQDragMatrix& matrix, const QString& documentID) {
    for (int i = 0; i < matrix.cells().size(); ++i)
        if (matrix.cells()[i].isEnabled() && matrix.cells()[i].documentID() == documentID)
            return i;
    return -1;
}

QPoint centreOfCell(VQDragMatrix& matrix, int index) {
    const int columns = matrix.numberOfColumns();
    return matrix.cellFrameAtRowColumn(index / columns, index % columns).center();
}

} // namespace

TEST(TemplateManagerSession, OpenPickDragAndApplyShippedTemplates) {
    TestHome account;
    DocumentController& documents = DocumentController::sharedDocumentController();
    documents.registerDocumentType(RoduvudeDadevizi::documentType());
    AppDelegate delegate(std::make_unique<FakeEnvironment>());
    MainMenu& menu = *delegate.mainMenu();

    NewTemplateManager* library = NewTemplateManager::sharedTemplateManager();
    const QDir shipped(Resources::sharePath() + str("/Templates"));
    for (const QString& file : shipped.entryList({str("*.vyxTemplate")}, QDir::Files))
        ASSERT_TRUE(library->installTemplateAtFile(shipped.filePath(file), false));
    const QList<TemplateHandleRef> installed = library->templates();
    ASSERT_GE(installed.size(), 2);

    ASSERT_TRUE(choose(menu, "newCatalogDocument:"));
    auto* document = qobject_cast<RoduvudeDadevizi*>(documents.documents().first());
    ASSERT_NE(document, nullptr);
    auto* catalog = qobject_cast<ZaroziveZodiroVirizidivi*>(document->windowControllers().first());
    ASSERT_NE(catalog, nullptr);
    catalog->window()->show();
    QApplication::setActiveWindow(catalog->window());
    QCoreApplication::processEvents();
    MainWindowTracker::sharedTracker().update();
    ASSERT_EQ(MainWindowTracker::sharedTracker().mainWindow(), catalog->window());

    // Window > Template Manager.
    TemplateManagerWindowController* manager =
        TemplateManagerWindowController::sharedTemplateManagerController();
    ASSERT_TRUE(choose(menu, "showTemplateManager:"));
    ASSERT_TRUE(QTest::qWaitFor([manager] { return manager->window()->isVisible(); }, 10000));
    QCoreApplication::processEvents();

    // A category of a template that is not the master, then the icons.
    const TemplateHandleRef before = document->templateMapper()->masterTemplate();
    ASSERT_TRUE(before);
    TemplateHandleRef wanted;
    for (const TemplateHandleRef& handle : installed)
        if (handle != before && !handle->description().isEmpty())
            wanted = handle;
    ASSERT_TRUE(wanted);
    QComboBox& categories = *manager->installedCategoryMenu();
    const int category = categories.findText(wanted->category());
    ASSERT_GT(category, 0);
    categories.setCurrentIndex(category);
    Q_EMIT categories.activated(category);
    VQViewSwitch& views = *manager->installedViewSwitcher();
    QTest::mouseClick(&views, Qt::LeftButton, Qt::NoModifier, views.cellRect(1).center());
    VQDragMatrix* matrix = manager->iconMatrix();
    ASSERT_NE(matrix, nullptr);
    const int cell = indexOfTemplate(*matrix, wanted->documentID());
    ASSERT_GE(cell, 0);
    QTest::mouseClick(matrix, Qt::LeftButton, Qt::NoModifier, centreOfCell(*matrix, cell));
    EXPECT_EQ(manager->installedMessageField()->text(),
              TemplateManagerWindowController::makeBlandStringFromString(wanted->description()));

    // Dragged onto the layout panel: the master, undoably.
    catalog->switchView(ZaroziveZodiroVirizidivi::LayoutPanel);
    std::unique_ptr<PasteboardData> dragged;
    DragSession::ScopedObserver observer(
        [&](const PasteboardData& data) { dragged.reset(data.clone()); });
    const QPoint at = centreOfCell(*matrix, cell);
    QTest::mousePress(matrix, Qt::LeftButton, Qt::NoModifier, at);
    QMouseEvent move(QEvent::MouseMove, QPointF(at + QPoint(2, 2)),
                     matrix->mapToGlobal(QPointF(at + QPoint(2, 2))), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(matrix, &move);
    QTest::mouseRelease(matrix, Qt::LeftButton, Qt::NoModifier, at);
    ASSERT_TRUE(dragged);
    dropOn(catalog->layoutPanel()->panelView(), dragged.get());
    EXPECT_EQ(document->masterTemplate(), wanted);
    ASSERT_TRUE(document->undoManager()->canUndo());
    document->undoManager()->undo();
    EXPECT_EQ(document->masterTemplate(), before);

    // Another one applied from the action menu: the master, and the layout panel shows.
    catalog->switchView(ZaroziveZodiroVirizidivi::PhotographPanel);
    TemplateHandleRef applied;
    for (const TemplateHandleRef& handle : installed)
        if (handle != before && handle != wanted && handle->category() == wanted->category())
            applied = handle;
    if (!applied) {
        categories.setCurrentIndex(0);
        Q_EMIT categories.activated(0);
        matrix = manager->iconMatrix();
        applied = installed.first() == before ? installed.last() : installed.first();
    }
    const int other = indexOfTemplate(*matrix, applied->documentID());
    ASSERT_GE(other, 0);
    QTest::mouseClick(matrix, Qt::LeftButton, Qt::NoModifier, centreOfCell(*matrix, other));
    QMenu& actions = *manager->installedActionMenu();
    QAction* apply = nullptr;
    for (QAction* item : actions.actions())
        if (item->data().toInt() == kApplyTemplateTag)
            apply = item;
    ASSERT_NE(apply, nullptr);
    Q_EMIT actions.aboutToShow();
    ASSERT_TRUE(apply->isEnabled());
    apply->trigger();
    QCoreApplication::processEvents();
    EXPECT_EQ(document->masterTemplate(), applied);
    EXPECT_EQ(catalog->currentViewTag(), ZaroziveZodiroVirizidivi::LayoutPanel);
    // A moment later the manager marks the front catalog's new template.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            VQDragMatrix* shown = manager->iconMatrix();
            const int marked = shown ? indexOfTemplate(*shown, applied->documentID()) : -1;
            return marked >= 0 && shown->cells()[marked].drawsCheckmark();
        },
        2000));
    int checked = 0;
    for (const TemplateButtonCell& each : manager->iconMatrix()->cells())
        checked += each.drawsCheckmark();
    EXPECT_EQ(checked, 1);

    manager->close();
    for (Document* open : documents.documents())
        open->close();
    QCoreApplication::processEvents();
}
