#pragma once

#include "photoview/PhotoView.h"
#include "support/TestHome.h"
#include "support/TestHost.h"

#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <vector>

class RoduvudeDadevizi;
class ZaroziveZodiroVirizidivi;

// A catalog window whose photograph panel shows one 12 MP photo at 1600 x 1200,
// and drags over that photo step by step, timing each step with the repaint
// it causes. Usage of the benches built on it: [steps [step points]].
class PhotoPanelDrag {
public:
    PhotoPanelDrag(int argc, char** argv);
    ~PhotoPanelDrag();

    RoduvudeDadevizi& document() { return *_document; }
    ZaroziveZodiroVirizidivi& controller() { return *_controller; }
    PhotoView& panel() { return *_panel; }

    // The catalog hands the panel screen images of at most 800 points; the
    // whole photo stands in for one so that the panel draws 12 MP at 1600 x 1200.
    // Storing an edit shows the catalog's image again, so call it after each.
    void showWholePhoto();
    // Whether the panel shows the photo in `mode`; notes the size it is shown at.
    bool showsPhotoIn(PhotoEditMode mode);

    // One drag from `start` (photo points), back and forth along a diagonal.
    // With `timeRelease`, the release is timed as a step too.
    void dragFrom(Point start, bool timeRelease);

    // Prints the times; true when the 99th percentile is within a frame and
    // every step repainted.
    bool report();

private:
    TestHome _home;
    TestHost _host;
    QTemporaryDir _photos;
    QStringList _paths;
    int _steps = 200;
    float _step = 3;
    std::unique_ptr<RoduvudeDadevizi> _document;
    ZaroziveZodiroVirizidivi* _controller = nullptr;
    PhotoView* _panel = nullptr;
    Rect _image;
    Rect _frame;
    std::vector<double> _stepMs;
    int _stepsWithoutPaint = 0;
};
