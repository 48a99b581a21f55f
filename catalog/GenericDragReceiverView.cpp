#include "catalog/GenericDragReceiverView.h"

#include "platform/graphics/GraphicsContext.h"
#include "platform/ui/DraggingInfo.h"
#include "platform/ui/Pasteboard.h"

#include <QApplication>
#include <QPalette>

namespace {

constexpr float kHilightWidth = 3;

// Counts one drag callback for as long as it runs.
class DragHandlerScope {
public:
    explicit DragHandlerScope(GenericDragReceiverView& view) : _view(view) {
        _view.setInDragHandler(true);
    }
    ~DragHandlerScope() { _view.setInDragHandler(false); }
    DragHandlerScope(const DragHandlerScope&) = delete;
    DragHandlerScope& operator=(const DragHandlerScope&) = delete;

private:
    GenericDragReceiverView& _view;
};

} // namespace

GenericDragReceiverView::GenericDragReceiverView(QWidget* parent) : View(parent) {}

void GenericDragReceiverView::setupForDragTypesWithTarget(const QStringList& types,
                                                          DragReceiverTarget* target) {
    _targetObject = target;
    registerForDraggedTypes(types);
}

void GenericDragReceiverView::disableDrags() {
    unregisterDraggedTypes();
}

void GenericDragReceiverView::setInDragHandler(bool flag) {
    _inDragHandler = int8_t(_inDragHandler + (flag ? 1 : -1));
}

bool GenericDragReceiverView::canIHandleDrag(const DraggingInfo& info) {
    return _targetObject && _targetObject->canHandleDrag(info.draggingPasteboard());
}

void GenericDragReceiverView::drawRect(const Rect& dirtyRect) {
    View::drawRect(dirtyRect);
    if (!dragHilight())
        return;
    GraphicsContext* context = GraphicsContext::currentContext();
    context->setFillColor(QApplication::palette().color(QPalette::Highlight));
    context->frameRect(bounds(), kHilightWidth);
    context->setFillColor(Qt::black);
}

uint32_t GenericDragReceiverView::draggingEntered(const DraggingInfo& info) {
    const DragHandlerScope scope(*this);
    return View::draggingEntered(info);
}

void GenericDragReceiverView::draggingExited() {
    const DragHandlerScope scope(*this);
    View::draggingExited();
}

bool GenericDragReceiverView::prepareForDragOperation(const DraggingInfo& info) {
    const DragHandlerScope scope(*this);
    return View::prepareForDragOperation(info);
}

bool GenericDragReceiverView::performDragOperation(const DraggingInfo& info) {
    const DragHandlerScope scope(*this);
    return View::performDragOperation(info);
}

void GenericDragReceiverView::concludeDragOperation(const DraggingInfo& info) {
    const DragHandlerScope scope(*this);
    if (_targetObject)
        _targetObject->handleDragAtPointFromView(info.draggingPasteboard(), info.draggingLocation(),
                                                 this);
}
