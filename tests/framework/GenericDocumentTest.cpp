#include "framework/model/GenericDocument.h"
#include "platform/documents/WindowController.h"
#include "platform/foundation/UndoManager.h"

#include <QApplication>
#include <QPointer>
#include <QWidget>
#include <gtest/gtest.h>

TEST(GenericDocument, ChangeCountFollowsDoneUndoneCleared) {
    GenericDocument document;
    EXPECT_FALSE(document.isDocumentEdited());
    document.updateChangeCount(Document::ChangeDone);
    document.updateChangeCount(Document::ChangeDone);
    EXPECT_TRUE(document.isDocumentEdited());
    document.updateChangeCount(Document::ChangeUndone);
    EXPECT_TRUE(document.isDocumentEdited());
    document.updateChangeCount(Document::ChangeUndone);
    EXPECT_FALSE(document.isDocumentEdited());
    document.updateChangeCount(Document::ChangeUndone); // undone past the saved state
    EXPECT_TRUE(document.isDocumentEdited());
    document.updateChangeCount(Document::ChangeCleared);
    EXPECT_FALSE(document.isDocumentEdited());
    EXPECT_EQ(document.changeCount(), 0);
}

TEST(GenericDocument, EachDocumentHasItsOwnUndoManager) {
    GenericDocument a;
    GenericDocument b;
    ASSERT_NE(a.undoManager(), nullptr);
    EXPECT_EQ(a.undoManager(), a.undoManager());
    EXPECT_NE(a.undoManager(), b.undoManager());
    a.setFileName("/tmp/x.vyxTemplate");
    a.setFileType("Vyx Template Document");
    EXPECT_EQ(a.fileName(), QStringLiteral("/tmp/x.vyxTemplate"));
    EXPECT_EQ(a.fileType(), QStringLiteral("Vyx Template Document"));
}

TEST(GenericDocument, WindowControllersBelongToTheDocument) {
    QPointer<WindowController> kept;
    QPointer<QWidget> window;
    {
        GenericDocument document;
        auto* controller = new WindowController(new QWidget);
        window = controller->window();
        kept = controller;
        document.addWindowController(controller);
        document.addWindowController(controller);
        EXPECT_EQ(document.windowControllers().size(), 1);
        EXPECT_EQ(controller->document(), &document);

        auto* second = new WindowController;
        document.addWindowController(second);
        document.removeWindowController(second);
        EXPECT_EQ(second->document(), nullptr);
        EXPECT_EQ(document.windowControllers().size(), 1);
        delete second;
    }
    // The document took its controller, and the controller its window, along.
    EXPECT_TRUE(kept.isNull());
    EXPECT_TRUE(window.isNull());
}

TEST(GenericDocument, ActivateShowsTheFirstWindow) {
    GenericDocument document;
    document.doActivate(); // no window controller: nothing happens

    auto* first = new WindowController(new QWidget);
    auto* second = new WindowController(new QWidget);
    document.addWindowController(first);
    document.addWindowController(second);
    document.doActivate();
    EXPECT_TRUE(first->window()->isVisible());
    EXPECT_FALSE(second->window()->isVisible());
}
