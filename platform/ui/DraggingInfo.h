#pragma once

#include "platform/foundation/Geometry.h"
#include "platform/foundation/PlatformExport.h"
#include "platform/ui/Pasteboard.h"

#include <QPointer>
#include <cstdint>

class QDropEvent;
class QMimeData;
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
// A copy stays usable while the drag lasts (its data lives as long as the
// drag), so that a destination may repeat its last update while the pointer
// rests, when Qt sends nothing.
class LUMISK_PLATFORM_EXPORT DraggingInfo {
public:
    DraggingInfo(const QDropEvent& event, const View& view);
    // For a receiver that is no view: the location in its widget coordinates.
    explicit DraggingInfo(const QDropEvent& event);

    // The dragged data; valid while the event is handled.
    Pasteboard draggingPasteboard() const;
    // The object the drag came from in this process, or null: Qt's drag
    // source, else the source recorded in the program's own drag data.
    QObject* draggingSource() const { return _source; }
    // In the view's bounds.
    Point draggingLocation() const { return _location; }
    // The operations the source allows.
    uint32_t draggingSourceOperationMask() const;
    // The same drag at another location of the view's bounds.
    DraggingInfo withLocation(Point location) const {
        DraggingInfo moved = *this;
        moved._location = location;
        return moved;
    }

private:
    QPointer<const QMimeData> _data;
    QPointer<QObject> _source;
    Point _location;
    Qt::DropActions _actions;
};
