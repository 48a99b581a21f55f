#pragma once

#include "framework/FormwellExport.h"
#include "framework/model/VQGradientFill.h"
#include "platform/ui/ColorWell.h"
#include "platform/ui/PressRepeatTimer.h"

// A colour well that shows a gradient fill. Clicked, it becomes the active
// well and the gradient panel edits a copy of its fill; every edit comes back
// through setGradientFill, which reports it by gradientFillChanged (the
// well's action). Being a colour well it shares the one-active-well rule:
// another well taking the colour panel deactivates it, which lets the panel
// go. It never takes colours from the colour panel itself.
class FORMWELL_EXPORT VQGradientFillWell : public ColorWell {
    Q_OBJECT

public:
    explicit VQGradientFillWell(QWidget* parent = nullptr);
    ~VQGradientFillWell() override;

    // The fill held; the standard fill when it holds none.
    VQGradientFillRef gradientFill();
    // Fills are compared by identity: the very fill held changes nothing.
    void setGradientFill(const VQGradientFillRef& fill);

    void deactivate() override;

    // Draws the fill clipped to the rectangle (widget coordinates).
    void drawWellInside(QPainter& painter, const QRect& rect);

Q_SIGNALS:
    // The well's action: it holds a new fill.
    void gradientFillChanged();

protected:
    bool takesColorsFromPanel() const override { return false; }
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void trackAt(const QPointF& point);
    bool shownActive() const;

    VQGradientFillRef _gradientFill;
    // Press tracking: the state at the press and whether the pointer is inside.
    bool _tracking = false;
    bool _activeAtPress = false;
    bool _inside = false;
    QPointF _lastPoint;
    // Press tracking polls as canvas tracking does.
    PressRepeatTimer _periodicTimer{[this] {
        if (_tracking)
            trackAt(_lastPoint);
    }};
};
