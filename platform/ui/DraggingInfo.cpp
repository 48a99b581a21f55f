#include "platform/ui/DraggingInfo.h"

#include "platform/documents/View.h"

#include <QDropEvent>

DraggingInfo::DraggingInfo(const QDropEvent& event, const View& view)
    : _event(event), _location(view.boundsPointFromWidget(event.position())) {}

Pasteboard DraggingInfo::draggingPasteboard() const {
    return Pasteboard(_event.mimeData());
}

QObject* DraggingInfo::draggingSource() const {
    return _event.source();
}

uint32_t DraggingInfo::draggingSourceOperationMask() const {
    const Qt::DropActions actions = _event.possibleActions();
    uint32_t mask = DragOperationNone;
    if (actions & Qt::CopyAction)
        mask |= DragOperationCopy | DragOperationGeneric;
    if (actions & Qt::MoveAction)
        mask |= DragOperationMove | DragOperationGeneric;
    if (actions & Qt::LinkAction)
        mask |= DragOperationLink;
    return mask;
}
