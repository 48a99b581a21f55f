// The template chooser sheet on a catalog window, answered through the dialog
// seam with its controls worked as a user would.
#include "PrintFixture.h"

#include "documents/TemplateSelectorWindowController.h"
#include "platform/foundation/UndoManager.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

namespace {

class TemplateChooser : public PrintFixture {
protected:
    void SetUp() override {
        PrintFixture::SetUp();
        emptyTemplateLibrary();
        host.settings.remove(PrefTemplateSelectorSize);
    }

    // Templates "T1" to "Tn" of one category, the master the last.
    void installTemplates(int count) {
        for (int i = 1; i <= count; ++i) {
            const QByteArray id = "T" + QByteArray::number(i);
            templates.append(useTemplate(id.constData(), {200, 100}, {{10, 10, 50, 50}}));
        }
        document->undoManager()->removeAllActions();
    }

    // Runs the chooser; `work` gets it shown, before it answers for the user.
    void runChooser(const std::function<void(TemplateSelectorWindowController&)>& work) {
        bool ran = false;
        ModalAlert::ScopedDialogResponder responder([&](QDialog& dialog) {
            auto* chooser = qobject_cast<TemplateSelectorWindowController*>(
                WindowController::forWindow(&dialog));
            EXPECT_NE(chooser, nullptr);
            if (!chooser)
                return int(QDialog::Rejected);
            dialog.show();
            drainEvents();
            ran = true;
            work(*chooser);
            return dialog.result();
        });
        controller->performAction(str("chooseTemplate:"), nullptr);
        drainEvents();
        EXPECT_TRUE(ran);
    }

    // Widens or narrows the sheet until the grid's scroll view holds `width`.
    static void setContentWidth(TemplateSelectorWindowController& chooser, int width) {
        QDialog& dialog = *chooser.dialog();
        dialog.resize(dialog.width() + width - chooser.contentWidth(), dialog.height());
        drainEvents();
        ASSERT_EQ(chooser.contentWidth(), width);
    }

    static QString selectedID(TemplateSelectorWindowController& chooser) {
        const TemplateButtonCell* cell =
            chooser.matrix() ? chooser.matrix()->selectedCell() : nullptr;
        return cell ? cell->documentID() : QString();
    }

    static void click(TemplateSelectorWindowController& chooser, int index) {
        TemplateButtonMatrix& matrix = *chooser.matrix();
        const int columns = matrix.numberOfColumns();
        const QRect frame = matrix.cellFrameAtRowColumn(index / columns, index % columns);
        QTest::mouseClick(&matrix, Qt::LeftButton, Qt::NoModifier, frame.center());
    }

    QList<TemplateHandleRef> templates;
};

TEST_F(TemplateChooser, SevenTemplatesReflowFromThreeToTwoColumnsKeepingTheSelection) {
    installTemplates(7);
    // Low enough that the master's row is below the first.
    host.setPreferencesNSSizeFor({460, 300}, PrefTemplateSelectorSize);
    runChooser([&](TemplateSelectorWindowController& chooser) {
        TemplateButtonMatrix* matrix = chooser.matrix();
        ASSERT_NE(matrix, nullptr);
        EXPECT_EQ(chooser.dialog()->size(), QSize(460, 300));
        // The master is the one checked cell, selected and scrolled into view.
        EXPECT_EQ(selectedID(chooser), str("T7"));
        EXPECT_TRUE(matrix->selectedCell()->drawsCheckmark());
        EXPECT_EQ(
            std::count_if(matrix->cells().begin(), matrix->cells().end(),
                          [](const TemplateButtonCell& cell) { return cell.drawsCheckmark(); }),
            1);
        QWidget* viewport = chooser.templateScrollView()->viewport();
        const QRect cell = matrix->selectedCellFrame();
        EXPECT_GT(chooser.templateScrollView()->verticalScrollBar()->value(), 0);
        EXPECT_TRUE(
            viewport->rect().contains(QRect(matrix->mapTo(viewport, cell.topLeft()), cell.size())));
        EXPECT_EQ(chooser.selectionName()->text(), str("T7"));

        struct Case {
            int width, columns, rows;
        };
        for (const Case c : {Case{350, 3, 3}, Case{250, 2, 4}}) {
            setContentWidth(chooser, c.width);
            matrix = chooser.matrix();
            EXPECT_EQ(matrix->numberOfColumns(), c.columns) << c.width;
            EXPECT_EQ(matrix->numberOfRows(), c.rows) << c.width;
            EXPECT_EQ(selectedID(chooser), str("T7")) << c.width;
            int enabled = 0;
            for (const TemplateButtonCell& each : matrix->cells())
                enabled += each.isEnabled();
            EXPECT_EQ(enabled, 7);
        }
        // The cell left over is not selectable.
        EXPECT_FALSE(matrix->selectCellAtIndex(7));
        EXPECT_EQ(selectedID(chooser), str("T7"));
        chooser.cancelButton()->click();
    });
    EXPECT_EQ(document->masterTemplate(), templates.last());
    EXPECT_FALSE(document->undoManager()->canUndo());
}

TEST_F(TemplateChooser, ATemplateInstalledWhileOpenGetsItsCellAtOnce) {
    installTemplates(2);
    runChooser([&](TemplateSelectorWindowController& chooser) {
        EXPECT_EQ(chooser.templateCount(), 2);
        useTemplate("T3", {200, 100}, {{10, 10, 50, 50}});
        EXPECT_EQ(chooser.templateCount(), 3);
        EXPECT_EQ(chooser.matrix()->cells()[2].documentID(), str("T3"));
        chooser.cancelButton()->click();
    });
}

TEST_F(TemplateChooser, AcceptingMakesTheClickedTemplateMasterWithUndoAndKeepsTheSize) {
    installTemplates(3);
    QSize size;
    runChooser([&](TemplateSelectorWindowController& chooser) {
        setContentWidth(chooser, 300);
        QComboBox& categories = *chooser.templateCategoryMenu();
        categories.setCurrentIndex(categories.findText(localizedString(str("ALL"))));
        Q_EMIT categories.activated(categories.currentIndex());
        EXPECT_EQ(chooser.templateCount(), 3);
        click(chooser, 0);
        EXPECT_EQ(selectedID(chooser), str("T1"));
        EXPECT_EQ(chooser.selectionName()->text(), str("T1"));
        size = chooser.dialog()->size();
        chooser.acceptButton()->click();
    });
    EXPECT_EQ(document->masterTemplate(), templates.first());
    EXPECT_EQ(document->templateMapper()->getCategoryHint(), localizedString(str("ALL")));
    EXPECT_EQ(host.preferencesNSSizeFor(PrefTemplateSelectorSize), Size::fromQSizeF(QSizeF(size)));
    ASSERT_TRUE(document->undoManager()->canUndo());
    document->undoManager()->undo();
    EXPECT_EQ(document->masterTemplate(), templates.last());

    // The next showing opens at the kept size.
    runChooser([&](TemplateSelectorWindowController& chooser) {
        EXPECT_EQ(chooser.dialog()->size(), size);
        chooser.cancelButton()->click();
    });
}

TEST_F(TemplateChooser, ATemplateGoneFromTheLibraryChangesNothing) {
    installTemplates(2);
    runChooser([&](TemplateSelectorWindowController& chooser) {
        click(chooser, 0);
        chooser.matrix()->selectedCell()->setDocumentID(str("Nowhere"));
        chooser.acceptButton()->click();
    });
    EXPECT_EQ(document->masterTemplate(), templates.last());
    EXPECT_FALSE(document->undoManager()->canUndo());
}

TEST_F(TemplateChooser, AcceptWithoutASelectionBeepsAndStaysOpen) {
    installTemplates(1);
    runChooser([&](TemplateSelectorWindowController& chooser) {
        chooser.matrix()->renewRowsColumns(1, 1, TemplateButtonCell());
        chooser.updateSelectionInfo();
        EXPECT_EQ(chooser.selectionName()->text(), localizedString(str("NA")));
        const int beeps = ModalAlert::beepCount();
        chooser.acceptButton()->click();
        EXPECT_EQ(ModalAlert::beepCount(), beeps + 1);
        EXPECT_TRUE(chooser.dialog()->isVisible());
        chooser.cancelButton()->click();
    });
}

TEST(TemplateButtonCellText, ADescriptionWithLineBreaksIsShownOnOneLine) {
    TemplateButtonCell cell;
    cell.setDescription(QStringLiteral("two\nlines\r\nand more"));
    EXPECT_EQ(cell.description(), QStringLiteral("two lines  and more"));
}

} // namespace
