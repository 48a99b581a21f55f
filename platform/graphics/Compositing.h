#pragma once

#include "platform/foundation/PlatformExport.h"

#include <QPainter>
#include <functional>

// Compositing operations by the numbers stored in files (an image object's
// "image_comp"). Highlight draws as source over.
enum class CompositingOperation {
    Clear = 0,
    Copy = 1,
    SourceOver = 2,
    SourceIn = 3,
    SourceOut = 4,
    SourceAtop = 5,
    DestinationOver = 6,
    DestinationIn = 7,
    DestinationOut = 8,
    DestinationAtop = 9,
    XOR = 10,
    PlusDarker = 11,
    Highlight = 12,
    PlusLighter = 13,
};

// Carries out one drawing with a compositing operation on a painter. The
// operations that Qt has are its composition modes; plus-darker is done per
// pixel where the painter draws into an image. Devices that cannot read back
// pixels (printers, PDF) draw every operation as source over, except clear,
// which draws nothing there; plus-darker on a widget falls back to multiply.
class LUMISK_PLATFORM_EXPORT Compositing {
public:
    // An int from a file; unknown values give source over.
    static CompositingOperation operationFromInt(int value);
    // The Qt mode that carries the operation out, when there is one.
    static bool qtMode(CompositingOperation op, QPainter::CompositionMode* mode);

    // paint draws with the painter's current world transform; deviceBounds
    // (device coordinates) must hold all it touches.
    static void draw(QPainter& painter, CompositingOperation op, const QRectF& deviceBounds,
                     const std::function<void(QPainter&)>& paint);

    // One premultiplied ARGB pixel of source over destination by plus-darker.
    static quint32 plusDarker(quint32 source, quint32 destination);
};
