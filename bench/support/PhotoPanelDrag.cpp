#include "support/PhotoPanelDrag.h"

#include "catalog/VQFileCatalog.h"
#include "documents/RoduvudeDadevizi.h"
#include "documents/ZaroziveZodiroVirizidivi.h"
#include "platform/graphics/Image.h"
#include "support/SyntheticPhotos.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <algorithm>
#include <cstdio>

namespace {

constexpr double kFrameMs = 1000.0 / 60.0;

class PaintCount : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override {
        paints += event->type() == QEvent::Paint;
        return false;
    }
    int paints = 0;
};

void sendMouse(QWidget* widget, QEvent::Type type, QPointF at, Qt::MouseButtons buttons) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, at, widget->mapToGlobal(at), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

void settle() {
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

} // namespace

PhotoPanelDrag::PhotoPanelDrag(int argc, char** argv) {
    if (argc > 1)
        _steps = std::max(1, atoi(argv[1]));
    if (argc > 2)
        _step = float(std::max(1, atoi(argv[2])));
    _paths = writeSyntheticPhotos(QDir(_photos.path()), 1, 4000, 3000);
    _document = std::make_unique<RoduvudeDadevizi>();
    _document->fileCatalog().addFileEntry(_paths.first());
    _controller = new ZaroziveZodiroVirizidivi;
    _controller->setDocument(_document.get());
    _controller->setup();
    _controller->window()->resize(2000, 1600);
    _controller->window()->show();
    // The main view: 1600 x 1200 is the largest fit within 90 % of it.
    _controller->mainView()->setGeometry(0, 0, 1800, 1350);
    _panel = _controller->mainView()->findChild<PhotoView*>();
    _panel->setGeometry(1, 1, 1798, 1348);
    _document->fileCatalog().setSelectionAtIndex(0);
    // The thumbnail made in the background changes the entry, which ends any
    // edit mode: let it arrive first.
    const QString thumbnail = QString::fromLatin1(kEntryThumbnailKey);
    QElapsedTimer waited;
    waited.start();
    while (!_document->fileCatalog().entryAtIndex(0)->contains(thumbnail) && waited.elapsed() < 200)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    settle();
}

PhotoPanelDrag::~PhotoPanelDrag() {
    delete _controller;
}

void PhotoPanelDrag::showWholePhoto() {
    // Whatever the last change queued shows the catalog's image first.
    settle();
    _panel->setPhotoImage(Image(QImage(_paths.first())));
    _panel->setPhotoImageSize({4000, 3000});
    settle();
}

bool PhotoPanelDrag::showsPhotoIn(PhotoEditMode mode) {
    _image = _panel->imageRect();
    _frame = _panel->imageFrame();
    return _controller->editMode() == mode && _frame.width() >= 1;
}

void PhotoPanelDrag::dragFrom(Point start, bool timeRelease) {
    PaintCount count;
    _panel->installEventFilter(&count);
    const auto widgetPoint = [this](Point p) {
        return _panel->widgetRectFromBounds({p, {0, 0}}).topLeft();
    };
    QElapsedTimer clock;
    Point at = start;
    sendMouse(_panel, QEvent::MouseButtonPress, widgetPoint(at), Qt::LeftButton);
    QApplication::processEvents();
    for (int i = 0; i < _steps; ++i) {
        const float direction = (i / 50) % 2 ? -1.0f : 1.0f;
        at = {at.x + direction * _step, at.y + direction * _step / 2};
        const int before = count.paints;
        clock.start();
        sendMouse(_panel, QEvent::MouseMove, widgetPoint(at), Qt::LeftButton);
        QApplication::processEvents();
        _stepMs.push_back(double(clock.nsecsElapsed()) / 1e6);
        _stepsWithoutPaint += count.paints == before;
    }
    clock.start();
    sendMouse(_panel, QEvent::MouseButtonRelease, widgetPoint(at), Qt::NoButton);
    QApplication::processEvents();
    if (timeRelease)
        _stepMs.push_back(double(clock.nsecsElapsed()) / 1e6);
    _panel->removeEventFilter(&count);
}

bool PhotoPanelDrag::report() {
    std::vector<double> sorted = _stepMs;
    std::sort(sorted.begin(), sorted.end());
    if (sorted.empty())
        return false;
    const auto percentile = [&](double p) {
        return sorted[std::min(sorted.size() - 1, size_t(p * double(sorted.size())))];
    };
    const double p99 = percentile(0.99);
    std::printf("%.0f x %.0f photo shown at %.0f x %.0f; %zu steps of %.0f points\n",
                double(_image.width()), double(_image.height()), double(_frame.width()),
                double(_frame.height()), _stepMs.size(), double(_step));
    std::printf("step + repaint: median %.2f ms, 99th percentile %.2f ms, worst %.2f ms "
                "(target p99 <= %.1f ms)\n",
                percentile(0.5), p99, sorted.back(), kFrameMs);
    std::printf("steps without a repaint: %d (target 0)\n", _stepsWithoutPaint);
    return p99 <= kFrameMs && _stepsWithoutPaint == 0;
}
