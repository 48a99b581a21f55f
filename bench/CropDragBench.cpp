// Drags a crop over a 12 MP photo that the photograph panel shows at 1600 x
// 1200: first moving the crop, then resizing it by a corner knob under a
// constraint. Each step (the mouse event and the repaint it causes) must take
// at most 16.7 ms at the 99th percentile, and every step must repaint.
// Usage: bench/CropDragBench [steps [step points]] (default 200, 3).
#include "documents/ZaroziveZodiroVirizidivi.h"
#include "support/PhotoPanelDrag.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    PhotoPanelDrag drag(argc, argv);
    PhotoView& panel = drag.panel();
    panel.toggleCropMode();
    drag.showWholePhoto();
    if (!drag.showsPhotoIn(PhotoEditModeCrop)) {
        std::printf("the photo is not shown in crop mode\n");
        return 1;
    }
    const Rect image = panel.imageRect();
    panel.setCropRect(
        {image.width() / 4, image.height() / 4, image.width() / 3, image.height() / 3});
    QApplication::processEvents();

    drag.dragFrom(panel.viewCrop().center(), false);
    panel.setConstraintRatio(0.75f);
    drag.showWholePhoto();
    const Rect crop = panel.viewCrop();
    drag.dragFrom({crop.maxX(), crop.maxY()}, false);
    return drag.report() ? 0 : 2;
}
