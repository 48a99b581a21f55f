#pragma once

#include "framework/model/VQGradientFill.h"
#include "platform/foundation/Geometry.h"
#include "platform/graphics/BezierPath.h"
#include "platform/graphics/Color.h"
#include "platform/graphics/GraphicsContext.h"

// Fills a shape of the stroke and fill model (rectangles, ovals, polygons,
// filled arcs) along its path when its fill is on. The fill casts the shadow;
// under a gradient, which casts none of its own, a white fill does. The
// gradient is laid over the unrotated rectangle turned by the rotation,
// flipped except in thumbnails.
template <class Shape>
void TMDrawFill(const Shape& shape, const BezierPath& path, const Rect& gradientRect,
                float rotation) {
    GraphicsContext* context = GraphicsContext::currentContext();
    if (!context || !shape.fillState())
        return;
    const bool shadow = shape.shadowEnabled().toBool();
    if (shadow) {
        context->saveGraphicsState();
        shape.applyShadow();
    }
    if (!shape.gradientFillState()) {
        context->setFillColor(shape.fillColor().toQColor());
        path.fill();
    } else if (shadow) {
        context->setFillColor(Color::whiteColor().toQColor());
        path.fill();
    }
    if (shadow)
        context->restoreGraphicsState();
    if (shape.gradientFillState()) {
        shape.gradientFill()->setDrawsFlipped(!shape.drawingThumbnail());
        context->saveGraphicsState();
        path.addClip();
        shape.gradientFill()->fillRectRotated(gradientRect, rotation);
        context->restoreGraphicsState();
    }
}

// Strokes the path in the shape's stroke colour, casting the shape's shadow
// only where asked: a filled shape has cast it already.
template <class Shape>
void TMDrawStroke(const Shape& shape, const BezierPath& path, bool castsShadow) {
    GraphicsContext* context = GraphicsContext::currentContext();
    if (!context)
        return;
    const bool shadow = castsShadow && shape.shadowEnabled().toBool();
    if (shadow) {
        context->saveGraphicsState();
        shape.applyShadow();
    }
    context->setStrokeColor(shape.strokeColor().toQColor());
    path.stroke();
    if (shadow)
        context->restoreGraphicsState();
}

// Draws a shape of the stroke and fill model along its path, so that it
// never shows two shadows, and leaves black as the colour.
template <class Shape>
void TMDrawStrokeAndFill(const Shape& shape, const BezierPath& path, const Rect& gradientRect,
                         float rotation) {
    GraphicsContext* context = GraphicsContext::currentContext();
    if (!context)
        return;
    TMDrawFill(shape, path, gradientRect, rotation);
    if (shape.strokeState())
        TMDrawStroke(shape, path, !shape.fillState());
    context->setColor(Color::blackColor().toQColor());
}
