#pragma once

#include <cstdint>

// The offscreen buffers' rectangle: whole pixels, y growing downward.
struct QDRect {
    int16_t top = 0;
    int16_t left = 0;
    int16_t bottom = 0;
    int16_t right = 0;

    friend bool operator==(const QDRect&, const QDRect&) = default;
    int width() const { return int(right) - int(left); }
    int height() const { return int(bottom) - int(top); }
};
