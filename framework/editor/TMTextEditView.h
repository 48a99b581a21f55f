#pragma once

#include "framework/FormwellExport.h"
#include "framework/model/TMTextObject.h"

#include <QTextEdit>
#include <memory>

class View;

// The widget that edits a text object in place on the canvas: plain typing
// into the object's rich text, laid out in page points as the object draws
// it. Every change goes to the object at once; losing the keyboard to
// anything but a popup or another window ends the editing.
//
// Widgets cannot turn: over a rotated object the editor stays upright at the
// frame it is given.
class FORMWELL_EXPORT TMTextEditView : public QTextEdit {
    Q_OBJECT

public:
    // Shows the object's text over `frame` (page points of the canvas).
    TMTextEditView(const TMTextObjectRef& object, View* canvas, const Rect& frame);
    ~TMTextEditView() override;

    // An editor on the canvas, holding the keyboard with all the text selected.
    static std::unique_ptr<TMTextEditor> makeEditor(const TMTextObjectRef& object, View* canvas,
                                                    const Rect& frame);

    void showText(const TextStorage& text);
    void setDrawsBackground(bool draws, const Color& color);
    // Stops reporting to the object.
    void detach();
    bool isClosing() const { return _closing; }

protected:
    void focusOutEvent(QFocusEvent* event) override;

private:
    void reportText();

    std::weak_ptr<TMTextObject> _object;
    bool _closing = false;
};
