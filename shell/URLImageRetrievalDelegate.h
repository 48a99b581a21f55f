#pragma once

#include "platform/graphics/Image.h"

#include <cstdint>

// Receives the result of an asynchronous image fetch, on the main thread.
class URLImageRetrievalDelegate {
public:
    virtual ~URLImageRetrievalDelegate() = default;
    // `image` is null when the fetch failed; `tag` is the one the fetch was started with.
    virtual void imageRetrievedDataTag(const Image& image, int32_t tag) = 0;
};
