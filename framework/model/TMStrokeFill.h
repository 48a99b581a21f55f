#pragma once

#include "framework/model/VQGradientFill.h"
#include "platform/foundation/Geometry.h"
#include "platform/graphics/BezierPath.h"
#include "platform/graphics/Color.h"
#include "platform/graphics/GraphicsContext.h"

// Draws a shape of the stroke and fill model (rectangles, ovals, polygons)
// along its path. The fill casts the shadow; under a gradient, which casts
// none of its own, a white fill does. The stroke casts it only when the shape
// is unfilled, so a shape never shows two shadows. The gradient is laid over
// the unrotated rectangle turned by the rotation, flipped except in thumbnails.
template <class Shape>
void TMDrawStrokeAndFill(const Shape& shape, const BezierPath& path, const Rect& gradientRect,
                         float rotation) {
    GraphicsContext* context = GraphicsContext::currentContext();
    if (!context)
        return;
    const bool shadow = shape.shadowEnabled().toBool();
    if (shape.fillState()) {
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
    if (shape.strokeState()) {
        const bool strokeShadow = shadow && !shape.fillState();
        if (strokeShadow) {
            context->saveGraphicsState();
            shape.applyShadow();
        }
        context->setStrokeColor(shape.strokeColor().toQColor());
        path.stroke();
        if (strokeShadow)
            context->restoreGraphicsState();
    }
    context->setColor(Color::blackColor().toQColor());
}
