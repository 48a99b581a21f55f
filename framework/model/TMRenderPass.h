#pragma once

#include "framework/FormwellExport.h"
#include "framework/model/TMObject.h"

#include <QList>
#include <vector>

class TemplateImageSource;

// What page objects are told about the drawing they are in. They keep it
// between draws because the model asks them for it, so whoever draws sets it
// here, once per pass, rather than object by object in several places that
// can disagree.
struct TMRenderState {
    // Dots per inch of the destination; 0 for the screen at 100 %.
    float destinationDPI = 0;
    bool drawingThumbnail = false;
    bool renderingOffscreen = false;
    TemplateImageSource* imageSource = nullptr;
};

// One drawing pass: while it lives, every object of the list, and every
// member of a group in it, has the pass's render state; when it ends, each
// gets back the state it had before.
class FORMWELL_EXPORT TMRenderPass {
public:
    enum class Renderings {
        // Kept renderings stay: the pass draws for the destination they were made for.
        Keep,
        // Dropped as the pass begins and as it ends: none made for another
        // destination is drawn here, and none made here is drawn elsewhere.
        Drop,
    };

    TMRenderPass(const QList<TMObjectRef>& objects, const TMRenderState& state,
                 Renderings renderings);
    ~TMRenderPass();
    TMRenderPass(const TMRenderPass&) = delete;
    TMRenderPass& operator=(const TMRenderPass&) = delete;

private:
    struct Saved {
        TMObjectRef object;
        TMRenderState state;
    };
    std::vector<Saved> _saved;
    Renderings _renderings;
};
