#pragma once

#include "framework/FormwellExport.h"
#include "framework/model/TMTextObject.h"
#include "platform/documents/View.h"
#include "platform/foundation/Geometry.h"
#include "platform/graphics/Image.h"

#include <QPointer>

class TemplateDocument;
class TemplateEditorController;

// The canvas on which the page of a template is drawn: flipped, its bounds
// the page in points. Without an editor window controller (the private
// canvases made for the thumbnail) it draws at zoom 0, which tells the
// objects no resolution.
class FORMWELL_EXPORT TM_TemplateView : public View, public TMTextEditorHost {
    Q_OBJECT

public:
    // The frame in points; the bounds start equal to it at the origin.
    explicit TM_TemplateView(const Rect& frame, QWidget* parent = nullptr);
    ~TM_TemplateView() override;

    bool isFlipped() const override { return true; }

    // Not owned; no other effect.
    TemplateDocument* document() const;
    void setDocument(TemplateDocument* document);
    TemplateEditorController* mainController() const;
    void setMainController(TemplateEditorController* controller);

    // The whole bounds stretched into a new image of the rectangle's size
    // (origin 0, 0), every object drawn as a thumbnail, framed by one point.
    Image renderTemplateProxyInRect(const Rect& rect);

    // Text objects are edited in place on the canvas.
    std::unique_ptr<TMTextEditor> makeTextEditor(const TMTextObjectRef& object,
                                                 const Rect& frame) override;

protected:
    void drawRect(const Rect& dirtyRect) override;

private:
    QPointer<TemplateDocument> _myDocument;
    QPointer<TemplateEditorController> _myMainController;
};
