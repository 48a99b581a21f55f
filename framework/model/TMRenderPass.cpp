#include "framework/model/TMRenderPass.h"

namespace {

TMRenderState stateOf(const TMObject& object) {
    return {object.destinationDPI(), object.drawingThumbnail(), object.isRenderingOffscreen(),
            object.imageSource()};
}

void apply(TMObject& object, const TMRenderState& state) {
    object.setDestinationDPI(state.destinationDPI);
    object.setDrawingThumbnail(state.drawingThumbnail);
    object.setIsRenderingOffscreen(state.renderingOffscreen);
    object.setImageSource(state.imageSource);
}

} // namespace

TMRenderPass::TMRenderPass(const QList<TMObjectRef>& objects, const TMRenderState& state,
                           Renderings renderings)
    : _renderings(renderings) {
    _saved.reserve(size_t(objects.size()));
    for (const TMObjectRef& object : objects) {
        if (!object)
            continue;
        _saved.push_back({object, stateOf(*object)});
        apply(*object, state);
        if (_renderings == Renderings::Drop)
            object->recache();
    }
}

TMRenderPass::~TMRenderPass() {
    for (const Saved& saved : _saved) {
        apply(*saved.object, saved.state);
        if (_renderings == Renderings::Drop)
            saved.object->recache();
    }
}
