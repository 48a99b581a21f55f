#pragma once

#include "framework/FormwellExport.h"
#include "platform/foundation/Geometry.h"

#include <QImage>
#include <QWidget>
#include <functional>

// A round control whose value is a knob's place in a circle: an angle in
// radians and a distance from the centre up to maximumDistance, or x and y
// offsets. Its points have y growing upwards, so that angles turn
// anticlockwise from the right.
//
// At 80 and 60 points it draws from images, at other sizes with vector
// shapes. The knob is blue, graphite when the user's colour variant says so,
// and inactive while the slider is disabled or its window is not key.
class FORMWELL_EXPORT SSCircularSlider : public QWidget {
    Q_OBJECT

public:
    explicit SSCircularSlider(const QRect& frame, QWidget* parent = nullptr);

    // "bigCircularSlider" and its kin, loaded once from the shared images;
    // null when missing.
    static QImage baseImageWithCenter(bool center, bool nonEdge, bool big);
    // Tint 1 blue, 2 graphite, -1 inactive (never highlighted); others none.
    static QImage knobImageWithTint(int tint, bool highlighted, bool big);

    void setAngleAndDistance(float angle, float distance);
    void getAngleAndDistance(float* angle, float* distance) const;
    void setXOffsetAndYOffset(float x, float y);
    void getXOffsetAndYOffset(float* x, float* y) const;

    bool allowsCenterPoint() const { return _allowsCenter; }
    void setAllowsCenterPoint(bool allows);
    bool allowsNonEdgePositions() const { return _allowsNonEdge; }
    void setAllowsNonEdgePositions(bool allows);
    float maximumDistance() const { return _maxDistance; }
    void setMaximumDistance(float distance);

    bool isEnabled() const { return _enabled; }
    void setEnabled(bool enabled);
    // 0 follows the user's colour variant; -1 is stored as 0.
    int appearance() const { return _appearance; }
    void setAppearance(int appearance);
    bool isContinuous() const { return _continuous; }
    void setContinuous(bool continuous) { _continuous = continuous; }
    // Target and action in one: called with the slider.
    void setAction(std::function<void(SSCircularSlider*)> action) { _action = std::move(action); }
    void sendAction();

    // Applies the flags to an angle and a distance; answers whether it changed them.
    bool constrainAngleAndDistance(float& angle, float& distance) const;
    void constrainState();

    // The knob's radius from the last drawing.
    int ballRadius() const { return _ballRadius; }
    bool ballHighlighted() const { return _ballHighlighted; }
    // The knob's centre for the present value, in view points.
    Point knobCenter() const;

    // The tint the knob is drawn in now: 1 blue, 2 graphite, -1 inactive.
    int knobTint() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // The rim's circle: centre and half width of the bounds inset by 10.5.
    Point circleCenter() const;
    float halfWidth() const;
    void setBallToClosestFitForLocation(Point location);
    // The point a drag stands at, slowed tenfold while Alt is held.
    Point trackedPoint(Point location, bool slow);
    void trackTo(Point location, bool slow);

    std::function<void(SSCircularSlider*)> _action;
    bool _continuous = true;
    bool _enabled = true;
    bool _allowsCenter = true;
    bool _allowsNonEdge = true;
    float _maxDistance = 1.0f;
    int _ballRadius = 0;
    int _appearance = 0;
    float _angle = 0.0f;
    float _distance = 1.0f;
    bool _ballHighlighted = false;

    // Tracking state.
    bool _tracking = false;
    Point _grabOffset;
    Point _lastLocation;
    bool _slow = false;
    Point _slowAnchor;
};
