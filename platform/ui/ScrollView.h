#pragma once

#include "platform/foundation/Geometry.h"
#include "platform/foundation/PlatformExport.h"

#include <QWidget>

class ClipView;
class QScrollBar;
class RulerView;
class View;

// A document view seen through a clip view, with scrollers and a border around
// it (see ClipView for how scrolling is measured). The scrollers, the wheel and
// the program all scroll the clip view; reflectScrolledClipView brings the
// scrollers back in line with it and runs whenever the clip view reports a change.
//
// Each change of the scroll view's own frame lays the parts out again (tile)
// and then runs viewFrameChanged and emits frameDidChange, so that a document
// can refit itself to the new clip view.
class LUMISK_PLATFORM_EXPORT ScrollView : public QWidget {
    Q_OBJECT

public:
    enum class BorderType { NoBorder, LineBorder, BezelBorder };

    explicit ScrollView(QWidget* parent = nullptr);
    ~ScrollView() override;

    ClipView* contentView() const { return _clipView; }
    View* documentView() const;
    // Takes the view over; a previous one is destroyed.
    void setDocumentView(View* view);
    Rect documentVisibleRect() const;
    // The clip view's size: the frame less border and shown scrollers.
    Size contentSize() const;

    bool hasVerticalScroller() const { return _hasVerticalScroller; }
    void setHasVerticalScroller(bool flag);
    bool hasHorizontalScroller() const { return _hasHorizontalScroller; }
    void setHasHorizontalScroller(bool flag);
    QScrollBar* verticalScroller() const { return _verticalScroller; }
    QScrollBar* horizontalScroller() const { return _horizontalScroller; }

    BorderType borderType() const { return _borderType; }
    void setBorderType(BorderType type);

    // Rulers along the top and the left of the clip view, made on first use;
    // shown while the scroll view has them and they are visible. They measure
    // the document view unless given another client.
    bool hasHorizontalRuler() const { return _hasHorizontalRuler; }
    void setHasHorizontalRuler(bool flag);
    bool hasVerticalRuler() const { return _hasVerticalRuler; }
    void setHasVerticalRuler(bool flag);
    bool rulersVisible() const { return _rulersVisible; }
    void setRulersVisible(bool flag);
    RulerView* horizontalRulerView();
    RulerView* verticalRulerView();
    // Puts a ruler of the caller's making (of a subclass, say) in place of the
    // one along that edge, which is destroyed. The scroll view takes it over.
    void setHorizontalRulerView(RulerView* ruler);
    void setVerticalRulerView(RulerView* ruler);

    // Widget pixels one wheel notch or scroller arrow moves.
    int lineScroll() const { return _lineScroll; }
    void setLineScroll(int pixels);

    void reflectScrolledClipView(ClipView* clipView);

    // The scroll view whose clip view shows `widget`, or null.
    static ScrollView* enclosingScrollView(const QWidget* widget);

Q_SIGNALS:
    void frameDidChange();

protected:
    // Places the clip view and the scrollers inside the border.
    virtual void tile();
    // After every frame change, once tiled.
    virtual void viewFrameChanged() {}

    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    int borderWidth() const;
    void scrollerMoved();
    void frameChanged();
    void adoptRuler(RulerView*& slot, RulerView* ruler);

    ClipView* _clipView;
    QScrollBar* _verticalScroller;
    QScrollBar* _horizontalScroller;
    bool _hasVerticalScroller = false;
    bool _hasHorizontalScroller = false;
    BorderType _borderType = BorderType::NoBorder;
    RulerView* _horizontalRuler = nullptr;
    RulerView* _verticalRuler = nullptr;
    bool _hasHorizontalRuler = false;
    bool _hasVerticalRuler = false;
    bool _rulersVisible = false;
    int _lineScroll = 10;
    bool _reflecting = false;
};
