#pragma once

#include "platform/foundation/PlatformExport.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/Image.h"

#include <QImage>
#include <QPainter>
#include <memory>

// Drawing into an image: while it lives, the image's context is the current
// one. Coordinates are the image's points, y upward unless the image is
// flipped. An image without pixels gets transparent ones, one per point; the
// pixels become premultiplied ARGB. The image receives the drawing when the
// focus ends (unlockFocus or destruction).
class LUMISK_PLATFORM_EXPORT ImageFocus {
public:
    explicit ImageFocus(Image& image);
    ~ImageFocus();
    ImageFocus(const ImageFocus&) = delete;
    ImageFocus& operator=(const ImageFocus&) = delete;

    // The image's context, or null once unlocked or when the image has no area.
    GraphicsContext* context() { return _context.get(); }
    void unlockFocus();

private:
    Image& _image;
    QImage _pixels;
    QPainter _painter;
    std::unique_ptr<GraphicsContext> _context;
    bool _locked = false;
};
