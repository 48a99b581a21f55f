#include "framework/model/TMRenderPass.h"

#include "framework/model/TMObjectGroup.h"

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

// The objects and, after each group, its members: a group draws them itself,
// in the same pass.
void collect(const QList<TMObjectRef>& objects, QList<TMObjectRef>& into) {
    for (const TMObjectRef& object : objects) {
        if (!object)
            continue;
        into.append(object);
        if (const auto* group = dynamic_cast<const TMObjectGroup*>(object.get()))
            collect(group->groupedObjects(), into);
    }
}

} // namespace

TMRenderPass::TMRenderPass(const QList<TMObjectRef>& objects, const TMRenderState& state,
                           Renderings renderings)
    : _renderings(renderings) {
    QList<TMObjectRef> all;
    collect(objects, all);
    _saved.reserve(size_t(all.size()));
    for (const TMObjectRef& object : std::as_const(all)) {
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
