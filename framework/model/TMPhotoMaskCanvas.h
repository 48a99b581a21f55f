#pragma once

#include "framework/FormwellExport.h"
#include "platform/foundation/Geometry.h"
#include "platform/graphics/BezierPath.h"
#include "platform/graphics/Image.h"

#include <functional>
#include <memory>

class GraphicsContext;
class ImageFocus;

// The coverage image of a mask: a transparent image of the masked
// rectangle's size, one pixel a unit, in focus while the mask draws its
// coverage into it, then composited with destination-in over that rectangle
// of the destination that was current when the canvas was made.
class FORMWELL_EXPORT TMPhotoMaskCanvas {
public:
    explicit TMPhotoMaskCanvas(const Rect& destination);
    ~TMPhotoMaskCanvas();
    TMPhotoMaskCanvas(const TMPhotoMaskCanvas&) = delete;
    TMPhotoMaskCanvas& operator=(const TMPhotoMaskCanvas&) = delete;

    // The coverage image's context; null when it could not be made.
    GraphicsContext* context();
    // Ends the drawing and multiplies the destination's alpha by the coverage.
    void composite();

    // Masks narrower or lower than this (or equal) leave the drawing untouched.
    static bool isMaskable(const Rect& r) { return r.width() > 3 && r.height() > 3; }

    // The alpha step of the soft edge: one outline a pixel over a fraction f
    // of a fifth of the smaller side, at most 1.
    static float featherIncrement(float feather, float width, float height);

    // The rectangle at the origin of the masked size, inset by half a percent
    // of each side and then by 2.
    static Rect outlineRect(const Rect& r);

    // The feathered outline drawing with an outline that shrinks by one
    // pixel a step: soft outlines of rising alpha stroked 2 wide, then the
    // last one stroked and filled opaque. outline gets the current rectangle
    // and whether the outline is a soft one.
    static void applyShrinkingOutlines(const Rect& r, float feather,
                                       const std::function<BezierPath(const Rect&, bool)>& outline);
    // The same from a given first outline rectangle q.
    static void
    applyShrinkingOutlinesFrom(const Rect& r, Rect q, float feather,
                               const std::function<BezierPath(const Rect&, bool)>& outline);

    // The feathered outline drawing with a fixed outline rectangle and an
    // inset that grows by one pixel a step. outline gets the outline
    // rectangle, the inset and, for soft outlines only, a cleared flag it may
    // set to have that outline filled as well.
    static void
    applyGrowingInsetOutlines(const Rect& r, float feather,
                              const std::function<BezierPath(const Rect&, float, bool*)>& outline);

private:
    Rect _destination;
    Image _image;
    std::unique_ptr<ImageFocus> _focus;
    bool _composited = false;
};
