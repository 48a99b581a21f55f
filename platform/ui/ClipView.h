#pragma once

#include "platform/foundation/Geometry.h"
#include "platform/foundation/PlatformExport.h"

#include <QPointer>
#include <QWidget>

class View;

// The window onto a document view inside a scroll view. The document is a child
// widget the clip view moves about; where it stands is kept as the scroll point:
// the lower-left corner of the visible part in the document's bounds (the upper
// left for a flipped document), y upward like the document's own drawing.
//
// The scroll point stays put in document terms when either widget is resized,
// then is constrained again; so a document view that is not flipped and grows
// keeps its bottom in view, and one lower than the clip view sits at its bottom.
class LUMISK_PLATFORM_EXPORT ClipView : public QWidget {
    Q_OBJECT

public:
    explicit ClipView(QWidget* parent = nullptr);
    ~ClipView() override;

    View* documentView() const { return _documentView; }
    // Takes the view over (a previous one is destroyed) and shows its scroll point 0.
    void setDocumentView(View* view);

    // The part of the document shown, in its bounds; empty without a document.
    Rect documentVisibleRect() const;
    Point scrollPoint() const { return _scrollPoint; }
    // The nearest point at which the visible part stays within the document's
    // bounds; a document smaller than the clip view keeps its bounds origin.
    Point constrainScrollPoint(Point proposed) const;
    // Moves the document so that `point`, constrained, becomes the scroll point.
    void scrollToPoint(Point point);

    // Scrolls toward a point (global screen coordinates) that lies outside the
    // clip view, by as much as it lies outside; whether anything moved.
    bool autoscroll(const QPoint& globalPosition);

    // How far the document's top left lies above and left of the clip view's, in
    // widget pixels: what scrollers show. Setting it scrolls there, constrained.
    QPoint documentOffset() const;
    void scrollToDocumentOffset(const QPoint& offset);

Q_SIGNALS:
    // The scroll point or the document's frame changed.
    void boundsDidChange();

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Widget pixels per bounds unit of the document.
    QPointF documentScale() const;
    void placeDocument();

    QPointer<View> _documentView;
    Point _scrollPoint;
};
