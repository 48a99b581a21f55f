#pragma once

#include "platform/foundation/Geometry.h"

#include <QColor>

// A drop shadow as drawing sees it. The offset and the blur radius are in the
// base space of the context drawn into (y upward on screen and paper), never in
// the current user space, so transforms do not turn or scale a shadow.
struct ShadowValue {
    Size offset;
    float blurRadius = 0;
    QColor color = QColor::fromRgbF(0, 0, 0, 1.0f / 3.0f);

    friend bool operator==(const ShadowValue&, const ShadowValue&) = default;
};
