#include "framework/editor/TMTextEditView.h"

#include "platform/documents/View.h"

#include <QCoreApplication>
#include <QFocusEvent>
#include <QPalette>
#include <QPointer>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>

namespace {

// The narrowest an editor gets, in widget pixels.
constexpr int kMinimumWidth = 20;

// Owns the widget for the text object; the canvas may delete it first.
class TextEditor : public TMTextEditor {
public:
    explicit TextEditor(TMTextEditView* view) : _view(view) {}
    ~TextEditor() override { endEditing(); }

    void showText(const TextStorage& text) override {
        if (live())
            _view->showText(text);
    }
    void setDrawsBackground(bool draws, const Color& color) override {
        if (live())
            _view->setDrawsBackground(draws, color);
    }
    void endEditing() override {
        if (!live())
            return;
        TMTextEditView* view = _view;
        _view = nullptr;
        view->detach();
        view->moveCursor(QTextCursor::Start);
        QWidget* canvas = view->parentWidget();
        view->hide();
        // Editing may end inside the widget's own event handler.
        view->deleteLater();
        if (canvas)
            canvas->setFocus(Qt::OtherFocusReason);
    }

private:
    bool live() const { return _view && !_view->isClosing(); }

    QPointer<TMTextEditView> _view;
};

} // namespace

TMTextEditView::TMTextEditView(const TMTextObjectRef& object, View* canvas, const Rect& frame)
    : QTextEdit(canvas), _object(object) {
    setFrameStyle(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setAcceptRichText(false);
    setUndoRedoEnabled(true);
    setLineWrapMode(QTextEdit::WidgetWidth);
    setFont(TMTextObject::defaultFont().toQFont());
    viewport()->setContentsMargins(0, 0, 0, 0);
    setViewportMargins(0, 0, 0, 0);

    QRect area = canvas ? canvas->widgetRectFromBounds(frame).toAlignedRect() : QRect();
    if (canvas)
        area.setWidth(std::min(area.width(), canvas->width()));
    area.setWidth(std::max(area.width(), kMinimumWidth));
    setGeometry(area);

    showText(object->textStorage());
    setDrawsBackground(object->drawBackground(), object->backgroundColor());
}

TMTextEditView::~TMTextEditView() {
    // Deleted with its canvas while still editing: the object ends editing
    // once the canvas is gone, since ending repaints it.
    _closing = true;
    if (!_object.expired())
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [object = std::move(_object)] {
                if (TMTextObjectRef text = object.lock())
                    text->textDidEndEditing();
            },
            Qt::QueuedConnection);
}

std::unique_ptr<TMTextEditor> TMTextEditView::makeEditor(const TMTextObjectRef& object,
                                                         View* canvas, const Rect& frame) {
    if (!object || !canvas)
        return nullptr;
    auto* view = new TMTextEditView(object, canvas, frame);
    view->show();
    view->selectAll();
    view->setFocus(Qt::OtherFocusReason);
    return std::make_unique<TextEditor>(view);
}

void TMTextEditView::showText(const TextStorage& text) {
    const QTextCursor before = textCursor();
    const int anchor = before.anchor();
    const int position = before.position();

    QTextDocument* old = document();
    QTextDocument* shown = text.toTextDocument().release();
    shown->setParent(this);
    TMTextObject::layOutInPagePoints(*shown);
    setDocument(shown);
    if (old && old->parent() == this)
        old->deleteLater();
    connect(shown, &QTextDocument::contentsChanged, this, &TMTextEditView::reportText);

    const int end = std::max(0, shown->characterCount() - 1);
    QTextCursor cursor(shown);
    cursor.setPosition(std::clamp(anchor, 0, end));
    cursor.setPosition(std::clamp(position, 0, end), QTextCursor::KeepAnchor);
    setTextCursor(cursor);
}

void TMTextEditView::setDrawsBackground(bool draws, const Color& color) {
    QPalette palette = this->palette();
    palette.setColor(QPalette::Base, draws ? color.toQColor() : QColor(Qt::transparent));
    setPalette(palette);
    viewport()->setAutoFillBackground(draws);
}

void TMTextEditView::detach() {
    _object.reset();
}

void TMTextEditView::reportText() {
    if (TMTextObjectRef object = _object.lock())
        object->editorTextDidChange(TextStorage::fromTextDocument(*document()));
}

void TMTextEditView::focusOutEvent(QFocusEvent* event) {
    QTextEdit::focusOutEvent(event);
    if (event->reason() == Qt::PopupFocusReason || event->reason() == Qt::ActiveWindowFocusReason)
        return;
    if (TMTextObjectRef object = _object.lock())
        object->textDidEndEditing();
}
