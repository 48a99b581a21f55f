#pragma once

#include "platform/foundation/Geometry.h"
#include "platform/foundation/PlatformExport.h"

#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <memory>

class DraggingInfo;
class GraphicsContext;
class ShadowRenderer;

// Pages counted from 1: the first page and how many follow it.
struct PageRange {
    int location = 1;
    int length = 0;
    friend bool operator==(const PageRange&, const PageRange&) = default;
};

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

    // Draws a part of the bounds into a context whose user space is the
    // bounds, with the view as the focus view: how print operations draw pages.
    void displayRectInContext(const Rect& rect, GraphicsContext& context);

    // Pagination, as a print operation asks it. A view that knows its pages
    // answers YES with their range; each page is then the part of the bounds
    // that rectForPage answers, called before the page is drawn. Without a
    // range the bounds are one page.
    virtual bool knowsPageRange(PageRange& range);
    virtual Rect rectForPage(int page);

    // Drag destination: drags that offer one of the registered types (by
    // pasteboard type name) reach the dragging calls below.
    void registerForDraggedTypes(const QStringList& types);
    void unregisterDraggedTypes();
    const QStringList& registeredDraggedTypes() const { return _draggedTypes; }
    // Whether the view shows that the drag over it can be dropped; the view
    // draws that itself. Redraws on a change.
    bool dragHilight() const { return _dragHilightState; }
    void setDragHilight(bool flag);

protected:
    // Draws a part of the bounds with the view's context in focus.
    virtual void drawRect(const Rect& dirtyRect);
    void paintEvent(QPaintEvent* event) override;

    // Whether a drag can be dropped here; none at first.
    virtual bool canIHandleDrag(const DraggingInfo& info);
    // Answer drag operations. Entering with a drag the view can handle
    // highlights it and answers a generic operation; leaving and dropping clear
    // the highlight. Updates answer what entering answered unless overridden.
    // A drop runs prepare, perform and, when both said YES, conclude; it goes
    // ahead while the view can handle the drag.
    virtual uint32_t draggingEntered(const DraggingInfo& info);
    virtual uint32_t draggingUpdated(const DraggingInfo& info);
    virtual void draggingExited();
    virtual bool prepareForDragOperation(const DraggingInfo& info);
    virtual bool performDragOperation(const DraggingInfo& info);
    virtual void concludeDragOperation(const DraggingInfo& info);

    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    bool offersDraggedType(const QDropEvent& event) const;

    Point _boundsOrigin;
    QStringList _draggedTypes;
    // Keeps blurred shadows from one repaint to the next.
    std::unique_ptr<ShadowRenderer> _shadowRenderer;
    uint32_t _enteredOperation = 0;
    bool _dragHilightState = false;
    // Widget pixels per bounds unit.
    double _scaleX = 1;
    double _scaleY = 1;
};
