#pragma once

#include "platform/foundation/Geometry.h"
#include "platform/foundation/PlatformExport.h"
#include "platform/ui/Pasteboard.h"

#include <cstdint>

class QDropEvent;
class QObject;
class View;

// Drag operations as destinations answer them.
enum DragOperation : uint32_t {
    DragOperationNone = 0,
    DragOperationCopy = 1,
    DragOperationLink = 2,
    DragOperationGeneric = 4,
    DragOperationPrivate = 8,
    DragOperationMove = 16,
    DragOperationDelete = 32,
    DragOperationEvery = 0xFFFFFFFFu,
};

// What a drag destination learns of the drag over it, from Qt's drop event.
class LUMISK_PLATFORM_EXPORT DraggingInfo {
public:
    DraggingInfo(const QDropEvent& event, const View& view);

    // The dragged data; valid while the event is handled.
    Pasteboard draggingPasteboard() const;
    // The widget the drag came from in this process, or null.
    QObject* draggingSource() const;
    // In the view's bounds.
    Point draggingLocation() const { return _location; }
    // The operations the source allows.
    uint32_t draggingSourceOperationMask() const;

private:
    const QDropEvent& _event;
    Point _location;
};
