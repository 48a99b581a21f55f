// Drags a caption over a 12 MP photo that the photograph panel shows at 1600 x
// 1200: first moving it, then resizing it by a corner handle. Each step (the
// mouse event and the repaint it causes) and each release (which stores the
// captions in the catalog and shows the entry again) must take at most 16.7 ms
// at the 99th percentile, and every step must repaint.
// Usage: bench/CaptionDragBench [steps [step points]] (default 200, 3).
#include "catalog/VQFileCatalog.h"
#include "documents/RoduvudeDadevizi.h"
#include "documents/ZaroziveZodiroVirizidivi.h"
#include "framework/model/TMCaptionObject.h"
#include "support/PhotoPanelDrag.h"
#include "utilities/GeometryUtilities.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    PhotoPanelDrag drag(argc, argv);
    PhotoView& panel = drag.panel();
    VQFileCatalog& catalog = drag.document().fileCatalog();
    const TMObjectRef caption =
        TMCaptionObject::newTemplateObjectWithOriginSize({1200, 1000}, {900, 500});
    caption->setSelected(true);
    catalog.setFileImageCaptionsAtIndexTo(0, {QVariant::fromValue(caption)});
    panel.toggleCaptionMode();
    drag.showWholePhoto();
    if (!drag.showsPhotoIn(PhotoEditModeCaption) || panel.captions().size() != 1) {
        std::printf("the photo is not shown in caption mode with its caption\n");
        return 1;
    }
    const auto viewPoint = [&](Point p) {
        return UTMapPoint(panel.imageRect(), panel.imageFrame(), p);
    };

    drag.dragFrom(viewPoint(caption->center()), true);
    const bool moved = caption->center() != Point{1650, 1250};
    drag.showWholePhoto();
    const Point knob{caption->center().x + caption->size().width / 2,
                     caption->center().y + caption->size().height / 2};
    const QVariantMap before = caption->geometry();
    drag.dragFrom(viewPoint(knob), true);
    const bool resized = caption->geometry() != before;
    const int stored = catalog.getFileImageCaptionsAtIndex(0).size();

    const bool fast = drag.report();
    std::printf("moved %d, resized %d, stored %d\n", moved, resized, stored);
    return fast && moved && resized && stored == 1 ? 0 : 2;
}
