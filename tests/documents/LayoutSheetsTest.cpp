#include "PrintFixture.h"

#include "documents/PrintOptionsController.h"
#include "documents/TextEditorWindowController.h"
#include "framework/model/TMTextObject.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/UndoManager.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

namespace {

// An editable text of the master: its name, id (empty for none) and text.
struct Field {
    QString name;
    QString id;
    QString value;
};

class LayoutSheets : public PrintFixture {
protected:
    // A master with one photo cell and these editable texts.
    void useFieldTemplate(const char* id, const QList<Field>& fields) {
        TemplateDocument templateDocument;
        templateDocument.setDocumentID(str(id));
        templateDocument.setDocName(str(id));
        templateDocument.addObject(
            TMPhotoObject::newTemplateObjectWithOriginSize({10, 10}, {50, 100}));
        for (const Field& field : fields) {
            const TMTextObjectRef text =
                TMTextObject::newTemplateObjectWithOriginSize({10, 300}, {200, 40});
            text->setVariant(1);
            text->setName(field.name);
            text->setIdentifier(field.id);
            text->setText(field.value);
            templateDocument.addObject(text);
        }
        install(id, [&](const QString& path) {
            QString error;
            EXPECT_TRUE(
                templateDocument.writeToFileOfType(path, str(kTemplateDocumentType), &error))
                << error.toStdString();
        });
    }

    static QList<Field> numbered(int count) {
        QList<Field> fields;
        for (int i = 0; i < count; ++i)
            fields.append({str("Line %1").arg(i), str("line%1").arg(i), str("text %1").arg(i)});
        return fields;
    }

    static void clickButton(QWidget* window, const char* name) {
        auto* button = window->findChild<QPushButton*>(str(name));
        ASSERT_TRUE(button) << name;
        QTest::mouseClick(button, Qt::LeftButton);
    }

    TextEditorWindowController* openEditor() {
        controller->window()->show();
        controller->editText();
        TextEditorWindowController* editor = controller->textEditorSheet();
        EXPECT_TRUE(editor);
        return editor;
    }
};

} // namespace

TEST_F(LayoutSheets, PrintOptionsOKStoresTheModesCancelKeepsThem) {
    useFieldTemplate("modes", {});
    controller->window()->show();
    for (bool ok : {false, true}) {
        SCOPED_TRACE(ok);
        document->undoManager()->removeAllActions();
        ASSERT_EQ(document->getPrintArrangementMode(), LayoutModeSequential);
        controller->layoutOptions();
        PrintOptionsController* sheet = controller->printOptionsSheet();
        ASSERT_TRUE(sheet);
        ASSERT_TRUE(sheet->window()->isVisible());
        EXPECT_TRUE(sheet->arrangementRadioMatrix()->button(LayoutModeSequential)->isChecked());
        EXPECT_TRUE(sheet->scalingRadioMatrix()->button(ScalingModeFill)->isChecked());
        QTest::mouseClick(sheet->arrangementRadioMatrix()->button(LayoutModeBook), Qt::LeftButton);
        QTest::mouseClick(sheet->scalingRadioMatrix()->button(ScalingModeFit), Qt::LeftButton);
        clickButton(sheet->window(), ok ? "okButton" : "cancelButton");
        drainEvents();
        EXPECT_FALSE(controller->printOptionsSheet());
        EXPECT_EQ(document->getPrintArrangementMode(), ok ? LayoutModeBook : LayoutModeSequential);
        EXPECT_EQ(document->getPrintScaleMode(), ok ? ScalingModeFit : ScalingModeFill);
        EXPECT_EQ(document->templateMapper()->layoutMode(),
                  ok ? LayoutModeBook : LayoutModeSequential);
        if (ok) {
            EXPECT_EQ(document->undoManager()->undoActionName(),
                      localizedString(str(kScaleModeAction)));
            ASSERT_TRUE(document->undoManager()->undo());
            EXPECT_EQ(document->getPrintArrangementMode(), LayoutModeSequential);
            EXPECT_EQ(document->getPrintScaleMode(), ScalingModeFill);
        }
    }
}

TEST_F(LayoutSheets, TwelveFieldsGrowTheWindowByNineRowsAndScroll) {
    struct Case {
        int fields;
        int growth;
        bool scroller;
    };
    int baseHeight = 0;
    for (const Case& c :
         {Case{1, 0, false}, Case{2, 32, false}, Case{10, 288, false}, Case{12, 288, true}}) {
        SCOPED_TRACE(c.fields);
        useFieldTemplate(QByteArray("grow") + QByteArray::number(c.fields), numbered(c.fields));
        TextEditorWindowController* editor = openEditor();
        ASSERT_TRUE(editor);
        drainEvents();
        EXPECT_EQ(editor->values().size(), c.fields);
        if (c.fields == 1)
            baseHeight = editor->window()->height();
        EXPECT_EQ(editor->window()->height() - baseHeight, c.growth);
        EXPECT_EQ(editor->textEditScrollView()->widget()->height(), 32 * c.fields);
        EXPECT_EQ(editor->textEditScrollView()->verticalScrollBar()->isVisible(), c.scroller);
        if (c.scroller) {
            EXPECT_EQ(editor->textEditScrollView()->verticalScrollBar()->singleStep(), 32);
        }
        clickButton(editor->window(), "cancelButton");
        drainEvents();
    }
}

TEST_F(LayoutSheets, RowsForRepeatedIdsLabelsAndTexts) {
    useFieldTemplate("rows", {{str("Title:"), str("same"), str("A")},
                              {str("Title"), str("same"), str("B")},
                              {str("Name"), str(""), str("C")},
                              {str("Name"), str(""), str("D")}});
    TextEditorWindowController* editor = openEditor();
    ASSERT_TRUE(editor);
    // The repeated id is one row; fields without an id are always rows.
    ASSERT_EQ(editor->values().size(), 3);
    QStringList labels;
    for (QLabel* label : editor->labels())
        labels << label->text();
    EXPECT_EQ(labels, (QStringList{str("Title:"), str("Name:"), str("Name:")}));
    QStringList texts;
    for (TextEditorContaionerField* box : editor->values())
        texts << box->text();
    EXPECT_EQ(texts, (QStringList{str("A"), str("C"), str("D")}));
    EXPECT_EQ(editor->values()[2]->nextKeyView(), editor->values()[0]);
    clickButton(editor->window(), "cancelButton");
}

TEST_F(LayoutSheets, OutsideBookLayoutOKStoresForAllPagesAsOneUndoableChange) {
    useFieldTemplate(
        "texts", {{str("Greeting"), str(""), str("Hello")}, {str("Sign"), str(""), str("Bye")}});
    addPhotos({Qt::red, Qt::green});
    document->updateChangeCount(Document::ChangeCleared);
    TextEditorWindowController* editor = openEditor();
    ASSERT_TRUE(editor);
    QCheckBox* perPage = editor->textEditApplyToPageSwitch();
    EXPECT_FALSE(perPage->isEnabled());
    EXPECT_TRUE(perPage->text().endsWith(localizedString(str("MANUAL_ONLY"))));

    // Cancel stores nothing.
    editor->values()[0]->setText(str("Changed"));
    clickButton(editor->window(), "cancelButton");
    drainEvents();
    const TemplateMapperRef mapper = document->templateMapper();
    EXPECT_EQ(mapper->editValueForField(0), str("Hello"));
    EXPECT_EQ(document->changeCount(), 0);

    editor = openEditor();
    ASSERT_TRUE(editor);
    QTest::keyClick(editor->values()[0], Qt::Key_End);
    QTest::keyClicks(editor->values()[0], str(" there"));
    clickButton(editor->window(), "okButton");
    drainEvents();
    EXPECT_EQ(mapper->editValueForField(0), str("Hello there"));
    EXPECT_EQ(mapper->editValueForField(1), str("Bye"));
    mapper->setCurrentPageNum(1);
    EXPECT_EQ(mapper->editValueForField(0), str("Hello there"));
    // One change, so closing asks before the text is lost.
    EXPECT_EQ(document->changeCount(), 1);
    EXPECT_TRUE(document->isDocumentEdited());
    ASSERT_TRUE(document->undoManager()->undo());
    EXPECT_EQ(mapper->editValueForField(0), str("Hello"));
    EXPECT_EQ(document->changeCount(), 0);

    // OK with nothing typed changes nothing.
    editor = openEditor();
    ASSERT_TRUE(editor);
    clickButton(editor->window(), "okButton");
    drainEvents();
    EXPECT_EQ(document->changeCount(), 0);
}

TEST_F(LayoutSheets, InBookLayoutTheSwitchStoresForTheCurrentPage) {
    host.settings[PrefLayoutArrangementMode] = int(LayoutModeBook);
    document = std::make_unique<RoduvudeDadevizi>();
    controller = new ZaroziveZodiroVirizidivi;
    document->addWindowController(controller);
    useFieldTemplate("book", {{str("Greeting"), str(""), str("Hello")}});
    const TemplateMapperRef mapper = document->templateMapper();
    ASSERT_EQ(mapper->layoutMode(), LayoutModeBook);
    mapper->addPage();
    mapper->addPage();
    mapper->setCurrentPageNum(1);
    document->updateChangeCount(Document::ChangeCleared);
    TextEditorWindowController* editor = openEditor();
    ASSERT_TRUE(editor);
    QCheckBox* perPage = editor->textEditApplyToPageSwitch();
    EXPECT_TRUE(perPage->isEnabled());
    EXPECT_TRUE(perPage->text().endsWith(QLatin1Char('.')));
    EXPECT_FALSE(perPage->isChecked());
    // On the box, at the left of the row.
    QTest::mouseClick(perPage, Qt::LeftButton, {}, QPoint(8, perPage->height() / 2));
    ASSERT_TRUE(perPage->isChecked());
    editor->values()[0]->setText(str("Page text"));
    clickButton(editor->window(), "okButton");
    drainEvents();
    EXPECT_TRUE(mapper->currentPageHasTextValues());
    EXPECT_EQ(mapper->editValueForField(0), str("Page text"));
    EXPECT_EQ(document->changeCount(), 1);
    // The other pages keep the document's text.
    mapper->setCurrentPageNum(0);
    EXPECT_EQ(mapper->editValueForField(0), str("Hello"));
    // Undo puts the page's text back, on that page.
    ASSERT_TRUE(document->undoManager()->undo());
    mapper->setCurrentPageNum(1);
    EXPECT_EQ(mapper->editValueForField(0), str("Hello"));
}

TEST_F(LayoutSheets, TabReachesTheNextRowFromAnyScrollOffset) {
    useFieldTemplate("tabs", numbered(14));
    TextEditorWindowController* editor = openEditor();
    ASSERT_TRUE(editor);
    editor->window()->activateWindow();
    drainEvents();
    QScrollBar* bar = editor->textEditScrollView()->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    const QList<TextEditorContaionerField*>& boxes = editor->values();
    const int viewport = editor->textEditScrollView()->viewport()->height();
    for (int from = 0; from < boxes.size(); ++from) {
        for (int offset = 0; offset <= bar->maximum(); offset += 3) {
            SCOPED_TRACE(testing::Message() << from << " at " << offset);
            boxes[from]->setFocus(Qt::OtherFocusReason);
            bar->setValue(offset);
            QTest::keyClick(boxes[from], Qt::Key_Tab);
            TextEditorContaionerField* next = boxes[(from + 1) % boxes.size()];
            ASSERT_TRUE(next->hasFocus());
            const QRect frame = next->geometry();
            const int top = bar->value();
            EXPECT_TRUE(frame.bottom() >= top && frame.top() < top + viewport)
                << frame.top() << " not in " << top;
        }
    }
    // Backtab goes the other way round.
    boxes[0]->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(boxes[0], Qt::Key_Backtab);
    EXPECT_TRUE(boxes.last()->hasFocus());
}

TEST_F(LayoutSheets, ATemplateWithoutFieldsGivesAnEmptyEditor) {
    useFieldTemplate("empty", {});
    TextEditorWindowController* editor = openEditor();
    ASSERT_TRUE(editor);
    EXPECT_TRUE(editor->values().isEmpty());
    clickButton(editor->window(), "okButton");
    drainEvents();
    EXPECT_EQ(document->changeCount(), 0);
}
