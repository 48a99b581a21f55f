#pragma once

#include "platform/documents/Document.h"
#include "platform/documents/View.h"
#include "platform/documents/WindowController.h"

#include <QLineEdit>
#include <QList>
#include <QPointer>
#include <functional>

class QCheckBox;
class QDialog;
class QLabel;
class QScrollArea;
class RoduvudeDadevizi;
class TextEditorWindowController;

// The rows of the text editor; y grows downward.
class TextEditorContaionerView : public View {
    Q_OBJECT

public:
    using View::View;
    bool isFlipped() const override { return true; }
};

// An entry box of one edit field (its tag is the field number). Becoming the
// first responder scrolls it into view through its delegate; Tab and Backtab
// follow its key views, so the rows form one cycle.
class TextEditorContaionerField : public QLineEdit {
    Q_OBJECT

public:
    explicit TextEditorContaionerField(QWidget* parent = nullptr) : QLineEdit(parent) {}

    int tag() const { return _tag; }
    void setTag(int tag) { _tag = tag; }
    void setDelegate(TextEditorWindowController* delegate) { _delegate = delegate; }
    TextEditorContaionerField* nextKeyView() const { return _nextKeyView; }
    void setNextKeyView(TextEditorContaionerField* view);

protected:
    void focusInEvent(QFocusEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    int _tag = 0;
    TextEditorWindowController* _delegate = nullptr;
    TextEditorContaionerField* _nextKeyView = nullptr;
    TextEditorContaionerField* _previousKeyView = nullptr;
};

// The text editor sheet: one row per editable text field of the layout's master
// (fields repeating an id shown once), each with the text the layout shows. OK
// stores the texts for every page, or in book layout with the switch on for the
// current page only, as one undoable change of the document; Cancel stores
// nothing.
class TextEditorWindowController : public WindowController {
    Q_OBJECT

public:
    // Rows are 32 points high; the window grows for at most this many rows and
    // scrolls beyond them.
    static constexpr int kRowHeight = 32;
    static constexpr int kMaxGrownRows = 10;
    static constexpr int kRowWidth = 500;

    TextEditorWindowController();
    ~TextEditorWindowController() override;

    // The catalog document, set with setDocument() before the rows are built.
    RoduvudeDadevizi* catalogDocument() const;
    // Builds the rows from the document's layout.
    void awakeFromNib();

    void acceptTextEdit();
    void cancelTextEdit();
    // Scrolls the rows so that the rectangle (rows' coordinates) shows.
    void makeRectVisible(const QRect& rect);

    void beginSheetForWindow(QWidget* parent, std::function<void(int)> done);

    QScrollArea* textEditScrollView() const { return _textEditScrollView; }
    QCheckBox* textEditApplyToPageSwitch() const { return _textEditApplyToPageSwitch; }
    const QList<TextEditorContaionerField*>& values() const { return _values; }
    QList<QLabel*> labels() const;

private:
    void endSheet(int returnCode);

    QDialog* _dialog = nullptr;
    QScrollArea* _textEditScrollView = nullptr;
    QCheckBox* _textEditApplyToPageSwitch = nullptr;
    QList<TextEditorContaionerField*> _values;
    std::function<void(int)> _done;
};
