// The canvas's drawing, its proxy image and the PDF of a set of objects.

#include "framework/editor/TMCaptureView.h"
#include "framework/editor/TMGrid.h"
#include "framework/editor/TM_TemplateView.h"
#include "framework/editor/TemplateEditorController.h"
#include "framework/model/TMRenderPass.h"
#include "framework/model/TMUtilities.h"
#include "framework/model/TemplateDocument.h"
#include "platform/graphics/AffineTransform.h"
#include "platform/graphics/BezierPath.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/ImageFocus.h"
#include "platform/printing/PrintInfo.h"
#include "platform/printing/PrintableArea.h"
#include "platform/ui/ScrollView.h"

#include <QPalette>

#include <algorithm>
#include <cmath>

void TM_TemplateView::drawRect(const Rect& dirtyRect) {
    // The screen's resolution follows the editor's zoom; a canvas of no editor
    // window tells its objects none.
    const float zoom = _myMainController ? _myMainController->zoomFactor() : 0.0f;
    TMRenderPass pass(documentObjects(), TMRenderState{.destinationDPI = 72.0f * zoom},
                      TMRenderPass::Renderings::Keep);
    drawPageInRect(dirtyRect, _printOp == nullptr);
}

void TM_TemplateView::drawPageInRect(const Rect& dirtyRect, bool onScreen) {
    GraphicsContext* context = GraphicsContext::currentContext();
    if (!context)
        return;
    context->saveGraphicsState();
    context->setFillColor(Qt::white);
    context->rectFill(dirtyRect);
    context->restoreGraphicsState();

    const bool margin = onScreen && _myDocument && showsMargin();
    Rect imageable;
    if (margin) {
        // The print info counts y upward from the paper's foot; the page runs down.
        const PrintInfo info = _myDocument->printInfo();
        imageable = PrintableArea::imageablePageBounds(info);
        imageable.origin.y = info.paperSize().height - (imageable.minY() + imageable.height());
        context->saveGraphicsState();
        context->rectClip(imageable);
    }
    if (onScreen && showsGrid())
        DrawGridWithSettingsInRect(gridSpacing(), gridColor(), dirtyRect, {0, 0});

    for (const TMObjectRef& object : documentObjects())
        if (intersectsRect(object->visibleFrame(), dirtyRect))
            object->drawObject(onScreen);

    if (margin) {
        context->setFillColor(gridColor().toQColor());
        context->frameRect(imageable, 1);
        context->setColor(Qt::black);
        context->restoreGraphicsState();
    }

    const Rect b = bounds();
    // One screen pixel in page points.
    const float pixel = width() > 0 ? b.width() / float(width()) : 1.0f;
    if (onScreen) {
        if (showsGuides()) {
            BezierPath guides;
            for (float v : horizontalGuides()) {
                const float x = std::round(v) + 0.5f;
                guides.moveToPoint({x, b.minY() - 0.5f});
                guides.lineToPoint({x, b.maxY() + 0.5f});
            }
            for (float v : verticalGuides()) {
                const float y = std::round(v) + 0.5f;
                guides.moveToPoint({b.minX() - 0.5f, y});
                guides.lineToPoint({b.maxX() + 0.5f, y});
            }
            guides.setLineWidth(1);
            context->setColor(guideColor().toQColor());
            context->strokePath(guides);
            context->setColor(Qt::black);
        }
        if (_rubberbandRect != Rect{}) {
            context->setFillColor(palette().color(QPalette::Highlight));
            context->frameRect(_rubberbandRect, pixel);
            context->setColor(Qt::black);
        }
    }
    if (_dragHilightState) {
        const Rect visible = _parentScrollView ? _parentScrollView->documentVisibleRect() : b;
        context->setFillColor(palette().color(QPalette::Highlight));
        context->frameRect(visible, 3 * pixel);
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
        drawPageInRect(b, true);
    }
    context->restoreGraphicsState();
    context->frameRect(rect, 1);
    focus.unlockFocus();
    return TMFlipImage(image);
}

namespace {

Rect unionOfVisibleFrames(const QList<TMObjectRef>& objects) {
    Point low{99999, 99999};
    Point high{-99999, -99999};
    for (const TMObjectRef& object : objects) {
        const Rect r = object->visibleFrame();
        low = {std::min(low.x, r.minX()), std::min(low.y, r.minY())};
        high = {std::max(high.x, r.maxX()), std::max(high.y, r.maxY())};
    }
    return {low.x, low.y, high.x - low.x, high.y - low.y};
}

} // namespace

QImage TM_TemplateView::imageOfObjects(const QList<TMObjectRef>& objects, float scale) {
    if (objects.isEmpty() || !(scale > 0))
        return {};
    const Rect u = unionOfVisibleFrames(objects);
    Image image;
    image.setSize({std::ceil(u.width() * scale), std::ceil(u.height() * scale)});
    image.setFlipped(true);
    ImageFocus focus(image);
    GraphicsContext* context = focus.context();
    if (!context)
        return {};
    AffineTransform toImage;
    toImage.scaleXByYBy(scale, scale);
    toImage.translateXByYBy(-u.minX(), -u.minY());
    context->concat(toImage);
    {
        TMRenderPass pass(objects, TMRenderState{.destinationDPI = 72.0f * scale},
                          TMRenderPass::Renderings::Drop);
        for (const TMObjectRef& object : objects)
            object->drawObject(false);
    }
    focus.unlockFocus();
    // A flipped image keeps its top row first, as a pixmap does.
    return image.pixels();
}

QByteArray TM_TemplateView::PDFDataForObjects(const QList<TMObjectRef>& objects) {
    if (objects.isEmpty())
        return {};
    const Rect u = unionOfVisibleFrames(objects);
    TMCaptureView capture({std::min(0.0f, u.minX()), std::min(0.0f, u.minY()),
                           std::max(100.0f, u.maxX()), std::max(100.0f, u.maxY())});
    capture.setObjects(objects);
    return capture.dataWithPDFInsideRect(u);
}
