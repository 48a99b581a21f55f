#pragma once

#include "framework/FormwellExport.h"
#include "framework/model/TMObject.h"
#include "framework/model/TMTextObject.h"
#include "platform/documents/View.h"
#include "platform/foundation/Geometry.h"
#include "platform/graphics/Image.h"

#include <QList>
#include <QPointer>

class TemplateDocument;
class TemplateEditorController;

// The canvas on which the page of a template is drawn: flipped, its bounds
// the page in points. On screen it tells its objects 72 dpi times the editor's
// zoom, or no resolution (0) without an editor window controller; the proxy
// tells them its own scale. Each drawing pass sets that state in one place.
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
    // (origin 0, 0), framed by one point; every object drawn as a thumbnail
    // at 72 dpi times the smaller scale, its renderings dropped before and after.
    Image renderTemplateProxyInRect(const Rect& rect);

    // Text objects are edited in place on the canvas.
    std::unique_ptr<TMTextEditor> makeTextEditor(const TMTextObjectRef& object,
                                                 const Rect& frame) override;

protected:
    void drawRect(const Rect& dirtyRect) override;

private:
    QList<TMObjectRef> documentObjects() const;
    // The page and the objects in it, drawn with the render state the pass set.
    void drawPageInRect(const Rect& dirtyRect);

    QPointer<TemplateDocument> _myDocument;
    QPointer<TemplateEditorController> _myMainController;
};
