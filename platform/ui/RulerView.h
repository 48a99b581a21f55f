#pragma once

#include "platform/foundation/PlatformExport.h"

#include <QImage>
#include <QPointF>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <memory>
#include <vector>

class QMouseEvent;
class RulerView;
class View;

// A mark on a ruler at a location of the client's bounds, drawn as an image
// whose origin point stands on the location at the ruler's outer edge.
class LUMISK_PLATFORM_EXPORT RulerMarker {
public:
    RulerMarker(double location, const QImage& image, QPointF imageOrigin)
        : _location(location), _image(image), _imageOrigin(imageOrigin) {}

    double markerLocation() const { return _location; }
    void setMarkerLocation(double location) { _location = location; }
    const QImage& image() const { return _image; }
    QPointF imageOrigin() const { return _imageOrigin; }
    bool isMovable() const { return _movable; }
    void setMovable(bool movable) { _movable = movable; }
    bool isRemovable() const { return _removable; }
    void setRemovable(bool removable) { _removable = removable; }
    // What the marker stands for to the client.
    QString representedObject() const { return _represented; }
    void setRepresentedObject(const QString& object) { _represented = object; }

private:
    double _location;
    QImage _image;
    QPointF _imageOrigin;
    bool _movable = false;
    bool _removable = false;
    QString _represented;
};

using RulerMarkerRef = std::shared_ptr<RulerMarker>;

// What a ruler's client view hears: a press on the ruler outside any marker,
// and markers the user added, moved or dragged off.
class LUMISK_PLATFORM_EXPORT RulerClient {
public:
    virtual ~RulerClient() = default;
    virtual void rulerViewHandleMouseDown(RulerView* ruler, QMouseEvent* event) = 0;
    virtual void rulerViewDidAddMarker(RulerView* ruler, const RulerMarkerRef& marker) = 0;
    virtual void rulerViewDidMoveMarker(RulerView* ruler, const RulerMarkerRef& marker) = 0;
    virtual void rulerViewDidRemoveMarker(RulerView* ruler, const RulerMarkerRef& marker) = 0;
};

// A ruler along one edge of a scroll view's clip view, measuring its client
// view (usually the document view) in a unit: its marks follow the client's
// scale (a zoomed view's frame against its bounds), its scrolling and whether
// it is flipped, with 0 at the client's bounds origin. Across the ruler, from
// the outer side in: an accessory view's strip, the room kept for markers, and
// the rule along the clip view.
//
// Subclasses may refuse markers and accessories by overriding their setters.
class LUMISK_PLATFORM_EXPORT RulerView : public QWidget {
    Q_OBJECT

public:
    enum class Orientation { Horizontal, Vertical };

    explicit RulerView(Orientation orientation, QWidget* parent = nullptr);
    ~RulerView() override;

    Orientation orientation() const { return _orientation; }

    View* clientView() const { return _clientView; }
    void setClientView(View* view);

    // "Inches", "Centimeters", "Points" or "Picas"; another name counts as inches.
    QString measurementUnits() const { return _units; }
    void setMeasurementUnits(const QString& units);
    // Points per unit of a unit name.
    static double pointsPerUnit(const QString& units);

    float reservedThicknessForMarkers() const { return _markerThickness; }
    void setReservedThicknessForMarkers(float thickness);
    float ruleThickness() const { return _ruleThickness; }
    void setRuleThickness(float thickness);
    float reservedThicknessForAccessoryView() const { return _accessoryThickness; }
    void setReservedThicknessForAccessoryView(float thickness);
    // The ruler's whole depth.
    int requiredThickness() const;

    // Where a location of the client's bounds (x for a horizontal ruler, y for
    // a vertical one) falls along the ruler, in its widget pixels, and back.
    double rulerCoordinateForLocation(double location) const;
    double locationForRulerCoordinate(double coordinate) const;
    // The distance between labelled marks, in units.
    double labelStep() const;

    // Markers in the order they were added.
    const std::vector<RulerMarkerRef>& markers() const { return _markers; }
    virtual void addMarker(const RulerMarkerRef& marker);
    virtual void removeMarker(const RulerMarkerRef& marker);
    virtual void setMarkers(std::vector<RulerMarkerRef> markers);
    // Lets the pointer carry a marker from the press on: the marker follows
    // it along the ruler and, released on the ruler, is added (the client
    // hears of it); released off the ruler it is dropped. The gesture runs in
    // the ruler's own mouse events, without a nested event loop. False when
    // the marker is not taken.
    virtual bool trackMarker(const RulerMarkerRef& marker, QMouseEvent* event);
    // Whether a marker is being carried now.
    bool isTrackingMarker() const { return _tracked != nullptr; }

    // A view in the outer strip of the ruler, as long as the ruler; the strip
    // grows to the view's preferred depth. The ruler keeps the view as its
    // child; a replaced one is hidden and handed back without a parent.
    QWidget* accessoryView() const { return _accessoryView; }
    virtual void setAccessoryView(QWidget* view);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeAccessoryView();
    double clientWidgetCoordinate(double location) const;
    RulerClient* client() const;
    // The marker's image in the ruler's widget pixels.
    QRectF markerRect(const RulerMarker& marker) const;
    double pointerLocation(QMouseEvent* event) const;
    // A pointer this far off the ruler's side lets go of a removable marker.
    bool isOffRuler(QMouseEvent* event) const;

    std::vector<RulerMarkerRef> _markers;
    RulerMarkerRef _tracked;
    bool _trackedIsNew = false;
    double _trackedStart = 0;

    Orientation _orientation;
    QPointer<View> _clientView;
    QString _units = QStringLiteral("Inches");
    float _markerThickness = 0;
    float _ruleThickness = 16;
    float _accessoryThickness = 0;
    QPointer<QWidget> _accessoryView;
};
