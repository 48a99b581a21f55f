#pragma once

#include "framework/FormwellExport.h"
#include "platform/ui/PressRepeatTimer.h"

#include <QAbstractButton>
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QPointF>
#include <QRect>
#include <functional>

class Notification;
class VQGradientDelegate;

// Posted with the marker as sender when a marker is selected.
inline constexpr char kVQColorMarkerSelectedNotification[] = "VQColorMarkerSelectedNotification";

// Archive dictionary keys of a marker.
inline constexpr char kVQCMColorKey[] = "VQCM_Color";
inline constexpr char kVQCMSizeKey[] = "VQCM_Size";
inline constexpr char kVQCMAnchorKey[] = "VQCM_Anchor";
inline constexpr char kVQCMWellKey[] = "VQCM_Well";

// One colour step under a gradient's spectrum: a small tab whose top centre
// hangs at its anchor point (in its parent's coordinates) and whose well
// shows the step's colour. Pressing selects it (one selected marker per
// window); a drag reports its movement to the delegate, which decides where
// the marker goes; every press ends with the shared colour panel set up for
// the marker, and while it is selected the colours chosen there become its
// own and are reported by its action.
class FORMWELL_EXPORT VQColorMarker : public QAbstractButton {
    Q_OBJECT

public:
    enum Size : int { Small = 0, Medium = 1 };

    // A medium marker hanging at the point.
    explicit VQColorMarker(const QPointF& anchor, QWidget* parent = nullptr);
    ~VQColorMarker() override;

    // Medium, anchored at (0, 0), the standard well.
    void setToDefaults();

    // Invalid for none.
    QColor color() const { return _wellColor; }
    void setColor(const QColor& color);
    int markerSize() const { return _markerSize; }
    void setMarkerSize(int size);
    QPointF anchorPoint() const { return _anchorPoint; }
    void setAnchorPoint(const QPointF& anchor);
    QRect wellRect() const { return _wellRect; }
    bool selected() const { return _selected; }
    void setSelected(bool selected);
    VQGradientDelegate* delegate() const { return _myDelegate; }
    void setDelegate(VQGradientDelegate* delegate) { _myDelegate = delegate; }
    // The marker's own action, sent when the colour panel changes its colour.
    void setAction(std::function<void(VQColorMarker*)> action) { _myAction = std::move(action); }

    // The colour panel set up for this marker and brought to the front.
    void editColor();
    // No other well drives the colour panel, which shows this marker's colour.
    void setupColorPanel();
    // Takes the colour panel's colour and sends the action.
    void colorChanged();

    // Not selected; everything else as this marker, under the parent.
    VQColorMarker* copy(QWidget* parent = nullptr) const;
    // The archive holds the marker's dictionary only; reading it starts from
    // the defaults, applies the keys present and forgets action and delegate.
    QByteArray archivedData() const;
    bool initWithArchivedData(const QByteArray& data);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void anchorAtPoint(const QPointF& anchor);
    void takeImage();
    void markerSelected(const Notification& notification);
    void colorPanelDidChange();
    void clickDetected();
    void trackTo(const QPointF& globalPoint);
    void endTracking();

    QColor _wellColor;
    int _markerSize = Medium;
    QPointF _anchorPoint;
    QRect _wellRect;
    bool _selected = false;
    std::function<void(VQColorMarker*)> _myAction;
    VQGradientDelegate* _myDelegate = nullptr;
    QImage _image;

    bool _settingUpPanel = false;
    bool _tracking = false;
    QPointF _lastPoint;       // in the parent's coordinates
    QPointF _lastGlobalPoint; // where the pointer was last seen
    // A drag is polled as the canvas polls its gestures.
    PressRepeatTimer _periodicTimer{[this] {
        if (_tracking)
            trackTo(_lastGlobalPoint);
    }};
};
