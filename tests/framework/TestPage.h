#pragma once

#include "platform/graphics/GraphicsContext.h"

#include <QColor>
#include <QImage>
#include <QPainter>
#include <cstdlib>
#include <memory>
#include <string>

// A page of width x height pixels, one pixel a point unless told otherwise,
// top-down as the editor's canvas and the renderer's images are (unless told
// it is not flipped), in focus while it is drawn into.
class TestPage {
public:
    TestPage(int width, int height, DestinationKind kind, QColor background = Qt::white,
             float pixelsPerPoint = 1, bool flipped = true)
        : _pixels(width, height, QImage::Format_ARGB32_Premultiplied) {
        _pixels.fill(background);
        _painter.begin(&_pixels);
        _context = std::make_unique<GraphicsContext>(
            _painter, Size{float(width) / pixelsPerPoint, float(height) / pixelsPerPoint}, kind,
            flipped);
        _focus = std::make_unique<GraphicsContext::Focus>(*_context);
    }
    // Ends the drawing on first use.
    const QImage& pixels() {
        if (_painter.isActive()) {
            _focus.reset();
            _context.reset();
            _painter.end();
        }
        return _pixels;
    }
    QColor at(int x, int y) { return pixels().pixelColor(x, y); }

private:
    QImage _pixels;
    QPainter _painter;
    std::unique_ptr<GraphicsContext> _context;
    std::unique_ptr<GraphicsContext::Focus> _focus;
};

inline bool nearColour(const QColor& a, const QColor& b, int tolerance = 8) {
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance &&
           std::abs(a.alpha() - b.alpha()) <= tolerance;
}

inline std::string colourText(const QColor& c) {
    return c.name(QColor::HexArgb).toStdString();
}
