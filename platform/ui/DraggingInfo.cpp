#include "platform/ui/DraggingInfo.h"

#include "platform/documents/View.h"

#include <QDropEvent>

namespace {

QObject* sourceOf(const QDropEvent& event) {
    if (QObject* source = event.source())
        return source;
    const auto* data = qobject_cast<const PasteboardData*>(event.mimeData());
    return data ? data->source() : nullptr;
}

} // namespace

DraggingInfo::DraggingInfo(const QDropEvent& event, const View& view)
    : _data(event.mimeData()), _source(sourceOf(event)),
      _location(view.boundsPointFromWidget(event.position())), _actions(event.possibleActions()) {}

DraggingInfo::DraggingInfo(const QDropEvent& event)
    : _data(event.mimeData()), _source(sourceOf(event)),
      _location(Point::fromQPointF(event.position())), _actions(event.possibleActions()) {}

Pasteboard DraggingInfo::draggingPasteboard() const {
    return Pasteboard(_data);
}

uint32_t DraggingInfo::draggingSourceOperationMask() const {
    uint32_t mask = DragOperationNone;
    if (_actions & Qt::CopyAction)
        mask |= DragOperationCopy | DragOperationGeneric;
    if (_actions & Qt::MoveAction)
        mask |= DragOperationMove | DragOperationGeneric;
    if (_actions & Qt::LinkAction)
        mask |= DragOperationLink;
    return mask;
}
