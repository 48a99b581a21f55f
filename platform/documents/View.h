#pragma once

#include "platform/foundation/Geometry.h"
#include "platform/foundation/PlatformExport.h"

#include <QWidget>

class GraphicsContext;

// A widget that draws in its own coordinate system, the bounds: y upward from
// the lower left unless the view is flipped. The bounds map onto the whole
// widget (the frame, one point per widget pixel); a bounds size other than the
// frame size scales the drawing, and that scale is kept when the frame changes.
class LUMISK_PLATFORM_EXPORT View : public QWidget {
    Q_OBJECT

public:
    explicit View(QWidget* parent = nullptr);
    ~View() override;

    // The widget's area in its parent's coordinates.
    Rect frame() const;
    Rect bounds() const;
    void setBoundsOrigin(Point origin);
    // Sizes without a positive width and height are ignored.
    void setBoundsSize(Size size);
    virtual bool isFlipped() const { return false; }

    // Marks a part of the bounds for redrawing.
    virtual void setNeedsDisplayInRect(const Rect& rect);
    void setNeedsDisplay(bool flag);

    // Between bounds and widget coordinates.
    QRectF widgetRectFromBounds(const Rect& rect) const;
    Point boundsPointFromWidget(const QPointF& point) const;

    // The view whose drawing goes to the current graphics context, or null
    // when something else (an image, a printer) has the focus.
    static View* focusView();

protected:
    // Draws a part of the bounds with the view's context in focus.
    virtual void drawRect(const Rect& dirtyRect);
    void paintEvent(QPaintEvent* event) override;

private:
    Point _boundsOrigin;
    // Widget pixels per bounds unit.
    double _scaleX = 1;
    double _scaleY = 1;
};
