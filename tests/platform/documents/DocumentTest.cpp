#include "platform/documents/Document.h"
#include "platform/foundation/UndoManager.h"
#include "platform/ui/ModalAlert.h"

#include <QPageSetupDialog>
#include <QPrinter>

#include <QCoreApplication>
#include <gtest/gtest.h>

namespace {

// A value of the document whose setter registers its inverse, as model setters do.
struct Setting {
    Document& document;
    int value = 0;
    void set(int v) {
        const int old = value;
        document.undoManager()->registerUndo(this, [this, old] { set(old); });
        value = v;
    }
};

} // namespace

TEST(Document, UndoableChangesEditItAndUndoingBackLeavesItUnedited) {
    Document document;
    Setting setting{document};
    setting.set(1);
    setting.set(2);
    // One pass of the event loop is one change.
    QCoreApplication::processEvents();
    EXPECT_EQ(document.changeCount(), 1);
    EXPECT_TRUE(document.isDocumentEdited());

    setting.set(3);
    QCoreApplication::processEvents();
    EXPECT_EQ(document.changeCount(), 2);

    ASSERT_TRUE(document.undoManager()->undo());
    ASSERT_TRUE(document.undoManager()->undo());
    EXPECT_EQ(setting.value, 0);
    EXPECT_FALSE(document.isDocumentEdited());

    ASSERT_TRUE(document.undoManager()->redo());
    EXPECT_EQ(setting.value, 2);
    EXPECT_EQ(document.changeCount(), 1);

    // Saving clears the count; undoing past the save edits the document again.
    document.updateChangeCount(Document::ChangeCleared);
    ASSERT_TRUE(document.undoManager()->undo());
    EXPECT_TRUE(document.isDocumentEdited());
}

TEST(Document, AGroupClosedByHandCountsOnceAndNothingRegisteredCountsNothing) {
    Document document;
    Setting setting{document};
    UndoManager* undo = document.undoManager();
    undo->beginUndoGrouping();
    setting.set(1);
    setting.set(2);
    undo->endUndoGrouping();
    EXPECT_EQ(document.changeCount(), 1);

    undo->beginUndoGrouping();
    undo->endUndoGrouping();
    QCoreApplication::processEvents();
    EXPECT_EQ(document.changeCount(), 1);

    // Registration switched off changes nothing.
    undo->disableUndoRegistration();
    setting.set(5);
    undo->enableUndoRegistration();
    QCoreApplication::processEvents();
    EXPECT_EQ(document.changeCount(), 1);
}

TEST(Document, PageSetupTakesWhatThePanelChose) {
    Document document;
    PrintInfo info = document.printInfo();
    info.setOrientation(PrintInfo::Orientation::Portrait);
    document.setPrintInfo(info);
    int shown = 0;
    {
        // The user turns the paper and cancels: nothing changes.
        ModalAlert::ScopedDialogResponder user([&](QDialog& dialog) {
            ++shown;
            auto* panel = dynamic_cast<QPageSetupDialog*>(&dialog);
            EXPECT_NE(panel, nullptr);
            if (panel)
                panel->printer()->setPageOrientation(QPageLayout::Landscape);
            return int(QDialog::Rejected);
        });
        document.runPageLayout();
    }
    EXPECT_EQ(document.printInfo().orientation(), PrintInfo::Orientation::Portrait);
    {
        ModalAlert::ScopedDialogResponder user([&](QDialog& dialog) {
            ++shown;
            auto* panel = dynamic_cast<QPageSetupDialog*>(&dialog);
            if (panel)
                panel->printer()->setPageOrientation(QPageLayout::Landscape);
            return int(QDialog::Accepted);
        });
        document.runPageLayout();
    }
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(document.printInfo().orientation(), PrintInfo::Orientation::Landscape);
    EXPECT_GT(document.printInfo().paperSize().width, document.printInfo().paperSize().height);
}
