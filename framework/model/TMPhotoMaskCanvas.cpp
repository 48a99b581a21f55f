#include "framework/model/TMPhotoMaskCanvas.h"

#include "platform/graphics/Color.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/ImageFocus.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float kOutlineWidth = 2.0f;

QColor black(float alpha) {
    if (!(alpha >= 0))
        alpha = 0;
    return Color::calibratedRGB(0, 0, 0, alpha).toQColor();
}

// Strokes an outline 2 wide in black of that alpha, and fills it when asked.
void drawOutline(GraphicsContext& context, BezierPath path, float alpha, bool fill) {
    context.setColor(black(alpha));
    path.setLineWidth(kOutlineWidth);
    path.stroke();
    if (fill)
        path.fill();
}

} // namespace

TMPhotoMaskCanvas::TMPhotoMaskCanvas(const Rect& destination) : _destination(destination) {
    _image.setSize(destination.size);
    _focus = std::make_unique<ImageFocus>(_image);
}

TMPhotoMaskCanvas::~TMPhotoMaskCanvas() = default;

GraphicsContext* TMPhotoMaskCanvas::context() {
    return _focus ? _focus->context() : nullptr;
}

void TMPhotoMaskCanvas::composite() {
    if (_composited)
        return;
    _composited = true;
    const bool made = context() != nullptr;
    _focus.reset();
    GraphicsContext* destination = GraphicsContext::currentContext();
    if (!made || !destination)
        return;
    destination->drawImage(_image, _destination, kZeroRect, CompositingOperation::DestinationIn,
                           1.0f);
}

float TMPhotoMaskCanvas::featherIncrement(float feather, float width, float height) {
    const double step = 1.0 / (feather * (std::min(width, height) / 5.0));
    return step > 1.0 ? 1.0f : float(step);
}

Rect TMPhotoMaskCanvas::outlineRect(const Rect& r) {
    const Rect r0(0, 0, r.width(), r.height());
    const Rect r1 =
        insetRect(r0, float(double(r.width()) * 0.005), float(double(r.height()) * 0.005));
    return insetRect(r1, 2.0f, 2.0f);
}

void TMPhotoMaskCanvas::applyShrinkingOutlines(
    const Rect& r, float feather, const std::function<BezierPath(const Rect&, bool)>& outline) {
    applyShrinkingOutlinesFrom(r, outlineRect(r), feather, outline);
}

void TMPhotoMaskCanvas::applyShrinkingOutlinesFrom(
    const Rect& r, Rect q, float feather,
    const std::function<BezierPath(const Rect&, bool)>& outline) {
    if (!isMaskable(r))
        return;
    TMPhotoMaskCanvas canvas(r);
    GraphicsContext* context = canvas.context();
    if (!context)
        return;
    if (feather != 0) {
        const float increment = featherIncrement(feather, r.width(), r.height());
        float alpha = 0;
        while (q.width() > 1.0f && q.height() > 1.0f) {
            drawOutline(*context, outline(q, true), alpha, false);
            q = insetRect(q, 1.0f, 1.0f);
            alpha += increment;
            if (!(alpha < 1.0f))
                break;
        }
    }
    drawOutline(*context, outline(q, false), 1.0f, true);
    canvas.composite();
}

void TMPhotoMaskCanvas::applyGrowingInsetOutlines(
    const Rect& r, float feather,
    const std::function<BezierPath(const Rect&, float, bool*)>& outline) {
    if (!isMaskable(r))
        return;
    TMPhotoMaskCanvas canvas(r);
    GraphicsContext* context = canvas.context();
    if (!context)
        return;
    const Rect q = outlineRect(r);
    float inset = 0;
    if (feather != 0 && q.width() > 1.0f && q.height() > 1.0f) {
        const float increment = featherIncrement(feather, r.width(), r.height());
        // A feather that never lets alpha reach 1 still ends once the inset
        // has eaten the outline rectangle.
        const float eaten = std::min(q.width(), q.height()) / 2;
        float alpha = 0;
        while (inset < eaten) {
            bool fill = false;
            const BezierPath path = outline(q, inset, &fill);
            drawOutline(*context, path, alpha, fill);
            inset += 1.0f;
            alpha += increment;
            if (!(alpha < 1.0f))
                break;
        }
    }
    drawOutline(*context, outline(q, inset, nullptr), 1.0f, true);
    canvas.composite();
}
