#include "utilities/GWorld.h"

std::shared_ptr<GWorld> GWorld::make(const QDRect& bounds, QImage::Format format) {
    if (bounds.width() <= 0 || bounds.height() <= 0)
        return nullptr;
    QImage pixels(bounds.width(), bounds.height(), format);
    if (pixels.isNull())
        return nullptr;
    return std::shared_ptr<GWorld>(new GWorld(bounds, std::move(pixels)));
}
