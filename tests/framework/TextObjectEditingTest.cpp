#include "framework/editor/TM_TemplateView.h"
#include "framework/model/TMTextObject.h"
#include "framework/model/TemplateDocument.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/UndoManager.h"
#include "support/TestHost.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <QVBoxLayout>
#include <gtest/gtest.h>
#include <memory>

namespace {

QString str(const char* text) {
    return QString::fromLatin1(text);
}

QString formwell(const char* key) {
    return localizedString(str(key), str("Formwell"));
}

void deliverDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

// A template with one text object on a canvas in a window of its own, drawn
// once so that the text knows its canvas, the document unedited.
struct TextEditing : ::testing::Test {
    TextEditing() {
        window = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(window.get());
        canvas = new TM_TemplateView({0, 0, 400, 300});
        canvas->setMinimumSize(400, 300);
        canvas->setDocument(&document);
        other = new QLineEdit();
        layout->addWidget(canvas);
        layout->addWidget(other);

        text = TMTextObject::newTemplateObjectWithOriginSize({50, 40}, {200, 80});
        text->setText(str("Old words"));
        document.addObject(text);
        window->show();
        QApplication::setActiveWindow(window.get());
        canvas->grab();
        QCoreApplication::processEvents();
        undo = document.undoManager();
        undo->removeAllActions();
        document.updateChangeCount(Document::ChangeCleared);
    }

    QTextEdit* editor() const { return canvas->findChild<QTextEdit*>(); }

    TestHost host;
    TemplateDocument document;
    std::unique_ptr<QWidget> window;
    TM_TemplateView* canvas = nullptr;
    QLineEdit* other = nullptr;
    TMTextObjectRef text;
    UndoManager* undo = nullptr;
};

} // namespace

TEST_F(TextEditing, TypingThenMovingKeepsTheTextAndUndoBringsBackTheOld) {
    ASSERT_EQ(text->lastDrawnInView(), canvas);
    text->doubleClicked();
    ASSERT_TRUE(text->isInEditMode());
    QTextEdit* edit = editor();
    ASSERT_TRUE(edit);
    EXPECT_TRUE(edit->isVisible());
    EXPECT_EQ(edit->toPlainText(), "Old words");
    // Everything is selected: typing replaces it, and the object reads what is typed.
    QTest::keyClicks(edit, "New words");
    EXPECT_EQ(text->text(), "New words");
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ(text->text(), "New word");

    text->setCenter({200, 150});
    EXPECT_FALSE(text->isInEditMode());
    EXPECT_EQ(text->center(), (Point{200, 150}));
    deliverDeletes();
    EXPECT_EQ(editor(), nullptr);
    EXPECT_EQ(text->text(), "New word");
    EXPECT_TRUE(document.isDocumentEdited());
    EXPECT_EQ(undo->undoActionName(), formwell(kTextChangeActionKey));

    ASSERT_TRUE(undo->undo());
    EXPECT_EQ(text->text(), "Old words");
    EXPECT_FALSE(document.isDocumentEdited());
    ASSERT_TRUE(undo->redo());
    EXPECT_EQ(text->text(), "New word");
}

TEST_F(TextEditing, TheEditorSitsOnTheTextBoxAndFollowsTheObjectsSetters) {
    text->setDrawBackground(true);
    text->setBackgroundColor(Color::calibratedRGB(0, 0, 1));
    text->beginTextEditing();
    QTextEdit* edit = editor();
    ASSERT_TRUE(edit);
    // The frame inset by half a knob, on a canvas of one pixel a point.
    EXPECT_EQ(edit->geometry(), QRect(54, 44, 192, 72));
    EXPECT_EQ(edit->palette().color(QPalette::Base), QColor(0, 0, 255));
    // Font sizes are in page points, as the object draws them.
    ASSERT_TRUE(edit->document()->documentLayout()->paintDevice());
    EXPECT_EQ(edit->document()->documentLayout()->paintDevice()->logicalDpiY(), 72);

    text->setAlignment(2);
    EXPECT_EQ(edit->document()->begin().blockFormat().alignment(), Qt::AlignHCenter);
    EXPECT_EQ(edit->toPlainText(), "Old words");
    text->setDrawBackground(false);
    EXPECT_EQ(edit->palette().color(QPalette::Base).alpha(), 0);
    // Beginning again while editing changes nothing.
    text->beginTextEditing();
    EXPECT_EQ(canvas->findChildren<QTextEdit*>().size(), 1);

    // An unchanged text registers no text change when editing ends.
    text->textDidEndEditing();
    QCoreApplication::processEvents();
    EXPECT_EQ(undo->undoActionName(), formwell(kDrawBackgroundActionKey));
    // The changes of one pass of the event loop undo together.
    ASSERT_TRUE(undo->undo());
    EXPECT_EQ(text->alignment(), 0);
    EXPECT_EQ(text->backgroundColor(), Color::whiteColor());
}

TEST_F(TextEditing, ARotatedTextIsEditedUprightAtItsTurnedBoxOrigin) {
    text->setRotation(90);
    canvas->grab();
    text->beginTextEditing();
    QTextEdit* edit = editor();
    ASSERT_TRUE(edit);
    // The box (54, 44, 192, 72) moved to where its origin lies once turned.
    EXPECT_EQ(edit->geometry(), QRect(186, -16, 192, 72));
    text->setRotation(0);
    EXPECT_FALSE(text->isInEditMode());
}

TEST_F(TextEditing, WritingRemovingAndCreatingEndOrBeginEditing) {
    text->beginTextEditing();
    QTest::keyClicks(editor(), "Typed");
    const QVariantMap representation = text->dictRepresentation();
    EXPECT_FALSE(text->isInEditMode());
    EXPECT_EQ(TMTextObject::newTemplateObjectWithRepresentation(representation)->text(), "Typed");

    // The end of the drag that creates a text opens its editor.
    text->setInCreation(true);
    EXPECT_FALSE(text->isInEditMode());
    text->setInCreation(false);
    EXPECT_TRUE(text->isInEditMode());
    document.removeObject(text);
    EXPECT_FALSE(text->isInEditMode());
}

TEST_F(TextEditing, ClickingElsewhereEndsEditing) {
    text->beginTextEditing();
    QTextEdit* edit = editor();
    ASSERT_TRUE(edit);
    if (!edit->hasFocus())
        GTEST_SKIP() << "the platform gives no keyboard focus";
    QTest::keyClicks(edit, "Elsewhere");
    other->setFocus(Qt::MouseFocusReason);
    EXPECT_FALSE(text->isInEditMode());
    EXPECT_EQ(text->text(), "Elsewhere");
}

TEST_F(TextEditing, ACanvasClosedWhileEditingLeavesTheTypedText) {
    text->beginTextEditing();
    QTest::keyClicks(editor(), "Last words");
    window.reset();
    deliverDeletes();
    EXPECT_FALSE(text->isInEditMode());
    EXPECT_EQ(text->text(), "Last words");
    ASSERT_TRUE(undo->undo());
    EXPECT_EQ(text->text(), "Old words");
}
