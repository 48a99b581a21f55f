#include "photoview/MagnifierController.h"

#include "photoview/ModePaletteWindow.h"

#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/ui/ToolWindow.h"
#include "utilities/GeometryUtilities.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <QVBoxLayout>
#include <QWidget>

namespace {

QString qs(const char* text) {
    return QString::fromLatin1(text);
}

// The help lines and how far each is moved from the centre, in heights of the
// first line, upwards: three pairs, top, middle and bottom.
struct HelpLine {
    const char* key;
    float lines;
};
constexpr HelpLine kHelpLines[] = {{"REL1", 3},     {"REL2", 2},  {"REL3", 0.5f},
                                   {"REL4", -0.5f}, {"REL5", -2}, {"REL6", -3}};

} // namespace

// ---------------------------------------------------------------------------
// The view

MagnifierView::MagnifierView(QWidget* parent) : View(parent) {}

void MagnifierView::updateDisplayImageWithCenter(const Image& image, Point center) {
    _srcImage = image;
    _srcCenter = center;
    update();
}

void MagnifierView::drawRect(const Rect&) {
    GraphicsContext* context = GraphicsContext::currentContext();
    if (!context)
        return;
    context->setFillColor(Qt::white);
    context->rectFill(bounds());
    if (_srcImage.isNull()) {
        drawHelp();
        return;
    }
    const float s = _displayScale;
    const Rect source{_srcCenter.x - s / 2, _srcCenter.y - s / 2, s, s};
    context->drawImage(_srcImage, bounds(), source, CompositingOperation::SourceAtop, 1);
    makeCrosshairs();
    BezierPath lines = *_crosshairs;
    context->setStrokeColor(Qt::white);
    lines.setLineWidth(2);
    context->strokePath(lines);
    context->setStrokeColor(Qt::black);
    lines.setLineWidth(1);
    context->strokePath(lines);
}

void MagnifierView::makeCrosshairs() {
    if (_crosshairs)
        return;
    const Rect b = bounds();
    BezierPath path;
    path.moveToPoint({b.minX(), b.minY() + b.height() / 2});
    path.lineToPoint({b.minX() + b.width(), b.minY() + b.height() / 2});
    path.moveToPoint({b.minX() + b.width() / 2, b.minY()});
    path.lineToPoint({b.minX() + b.width() / 2, b.minY() + b.height()});
    path.appendBezierPathWithOvalInRect(insetRect(b, b.width() / 4, b.height() / 4));
    _crosshairs = path;
}

void MagnifierView::drawHelp() {
    GraphicsContext& context = *GraphicsContext::currentContext();
    const QFont font = QApplication::font();
    const QFontMetricsF metrics(font);
    const Rect b = bounds();
    float lineHeight = 0;
    for (const HelpLine& line : kHelpLines) {
        const QString text = localizedString(qs(line.key));
        const Size size{float(metrics.horizontalAdvance(text)), float(metrics.height())};
        if (lineHeight == 0)
            lineHeight = size.height;
        const Rect centred = UTCenterRectInRect({kZeroPoint, size}, b);
        const Rect r = offsetRect(centred, 0, line.lines * lineHeight);
        context.drawWithPainter(r, [&](QPainter& painter) {
            // Text reads downward: turn the upward user space over inside the line.
            painter.translate(r.minX(), r.maxY());
            painter.scale(1, -1);
            painter.setFont(font);
            painter.setPen(Qt::black);
            painter.drawText(QRectF(0, 0, r.width(), r.height()), Qt::AlignCenter, text);
        });
    }
}

// ---------------------------------------------------------------------------
// The window

MagnifierController* MagnifierController::sharedMagnifierController() {
    static MagnifierController* shared = new MagnifierController;
    return shared;
}

MagnifierController::MagnifierController()
    : _window(std::make_unique<ModePaletteWindow>(ModePaletteWindow::Keyboard::Refuses,
                                                  [this] { windowWillClose(); })) {
    _window->setObjectName(qs("magnifierWindow"));
    _window->setWindowTitle(localizedString(qs("RED_EYE")));
    _view = new MagnifierView(_window.get());
    _view->setObjectName(qs("magnifiedPixelView"));
    _view->setFixedSize(kViewSide, kViewSide);
    auto* layout = new QVBoxLayout(_window.get());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(_view);
    _window->setFixedSize(kViewSide, kViewSide);
}

MagnifierController::~MagnifierController() = default;

QWidget* MagnifierController::window() const {
    return _window.get();
}

void MagnifierController::showWindow() {
    showToolWindow(*_window);
}

void MagnifierController::close() {
    _window->hide();
}

bool MagnifierController::isVisible() const {
    return _window->isVisible();
}

void MagnifierController::setOrigin(QPoint frameBottomLeft) {
    _window->moveFrameBottomLeftTo(frameBottomLeft);
}

void MagnifierController::updateDisplayImageWithCenter(const Image& image, Point center) {
    _view->updateDisplayImageWithCenter(image, center);
}

void MagnifierController::setDisplayScale(float scale) {
    _view->setDisplayScale(scale);
}

void MagnifierController::windowWillClose() {
    NotificationCenter::defaultCenter().postNotificationName(qs(kRedEyeMagnifierClosedNofity),
                                                             static_cast<const QObject*>(this));
}
