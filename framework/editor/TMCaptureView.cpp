#include "framework/editor/TMCaptureView.h"

#include "framework/model/TMRenderPass.h"

#include <cmath>

TMCaptureView::TMCaptureView(const Rect& frame, QWidget* parent) : View(parent) {
    setGeometry(int(frame.minX()), int(frame.minY()), int(std::ceil(frame.width())),
                int(std::ceil(frame.height())));
    setBoundsSize(frame.size);
}

TMCaptureView::~TMCaptureView() = default;

void TMCaptureView::setObjects(const QList<TMObjectRef>& objects) {
    QList<TMObjectRef> copies;
    copies.reserve(objects.size());
    for (const TMObjectRef& object : objects)
        if (object)
            copies.append(object->copy());
    _objects = copies;
}

void TMCaptureView::drawRect(const Rect&) {
    TMRenderPass pass(_objects, TMRenderState{.destinationDPI = 72.0f},
                      TMRenderPass::Renderings::Drop);
    for (const TMObjectRef& object : _objects)
        object->drawObject(false);
}
