#include "framework/editor/TM_TemplateView.h"

#include "framework/editor/TMTextEditView.h"
#include "framework/editor/TemplateEditorController.h"
#include "framework/model/TMRenderPass.h"
#include "framework/model/TMUtilities.h"
#include "framework/model/TemplateDocument.h"
#include "platform/graphics/AffineTransform.h"
#include "platform/graphics/BezierPath.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/ImageFocus.h"

#include <algorithm>
#include <cmath>

namespace {

// Frames the inside of the rectangle with a line of one point in the fill colour.
void frameRect(GraphicsContext& context, const Rect& rect) {
    BezierPath frame = BezierPath::bezierPathWithRect(rect);
    frame.appendBezierPathWithRect(insetRect(rect, 1, 1));
    frame.setWindingRule(WindingRule::EvenOdd);
    context.fillPath(frame);
}

// A widget coordinate for a page length: pages read from files may be of any
// size, widgets are not.
int widgetCoordinate(double value) {
    if (!std::isfinite(value))
        return 0;
    return int(std::clamp(value, double(-QWIDGETSIZE_MAX), double(QWIDGETSIZE_MAX)));
}

} // namespace

TM_TemplateView::TM_TemplateView(const Rect& frame, QWidget* parent) : View(parent) {
    setGeometry(
        widgetCoordinate(std::round(frame.minX())), widgetCoordinate(std::round(frame.minY())),
        widgetCoordinate(std::ceil(frame.width())), widgetCoordinate(std::ceil(frame.height())));
    setBoundsSize(frame.size);
}

TM_TemplateView::~TM_TemplateView() = default;

TemplateDocument* TM_TemplateView::document() const {
    return _myDocument;
}

void TM_TemplateView::setDocument(TemplateDocument* document) {
    _myDocument = document;
}

TemplateEditorController* TM_TemplateView::mainController() const {
    return _myMainController;
}

void TM_TemplateView::setMainController(TemplateEditorController* controller) {
    _myMainController = controller;
}

void TM_TemplateView::drawRect(const Rect& dirtyRect) {
    // The screen's resolution follows the editor's zoom; a canvas of no editor
    // window tells its objects none.
    const float zoom = _myMainController ? _myMainController->zoomFactor() : 0.0f;
    TMRenderPass pass(documentObjects(), TMRenderState{.destinationDPI = 72.0f * zoom},
                      TMRenderPass::Renderings::Keep);
    drawPageInRect(dirtyRect);
}

QList<TMObjectRef> TM_TemplateView::documentObjects() const {
    return _myDocument ? _myDocument->objects() : QList<TMObjectRef>();
}

void TM_TemplateView::drawPageInRect(const Rect& dirtyRect) {
    GraphicsContext* context = GraphicsContext::currentContext();
    if (!context)
        return;
    context->saveGraphicsState();
    context->setFillColor(Qt::white);
    context->rectFill(dirtyRect);
    context->restoreGraphicsState();

    for (const TMObjectRef& object : documentObjects()) {
        if (intersectsRect(object->visibleFrame(), dirtyRect))
            object->drawObject(true);
    }
    context->setColor(Qt::black);
}

Image TM_TemplateView::renderTemplateProxyInRect(const Rect& rect) {
    const Rect b = bounds();
    if (rect.isEmpty() || b.isEmpty())
        return {};
    Image image;
    image.setSize(rect.size);
    image.setFlipped(true);
    ImageFocus focus(image);
    GraphicsContext* context = focus.context();
    if (!context)
        return {};

    const float sx = rect.width() / b.width();
    const float sy = rect.height() / b.height();
    context->saveGraphicsState();
    AffineTransform toProxy;
    toProxy.translateXByYBy(rect.minX() - b.minX(), rect.minY() - b.minY());
    toProxy.scaleXByYBy(sx, sy);
    context->concat(toProxy);
    {
        // The scale is in the transform, which shadows do not follow: the
        // objects scale theirs by the resolution.
        TMRenderPass pass(
            documentObjects(),
            TMRenderState{.destinationDPI = 72.0f * std::min(sx, sy), .drawingThumbnail = true},
            TMRenderPass::Renderings::Drop);
        drawPageInRect(b);
    }
    context->restoreGraphicsState();
    frameRect(*context, rect);
    focus.unlockFocus();
    return TMFlipImage(image);
}

std::unique_ptr<TMTextEditor> TM_TemplateView::makeTextEditor(const TMTextObjectRef& object,
                                                              const Rect& frame) {
    return TMTextEditView::makeEditor(object, this, frame);
}
