#pragma once

#include "platform/foundation/PlatformExport.h"

#include <QPointer>
#include <QString>
#include <QWidget>

class View;

// A ruler along one edge of a scroll view's clip view, measuring its client
// view (usually the document view) in a unit: its marks follow the client's
// scale (a zoomed view's frame against its bounds), its scrolling and whether
// it is flipped, with 0 at the client's bounds origin. The ruler is
// `ruleThickness` deep plus the room it keeps for markers beside the rule.
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
    // The ruler's whole depth.
    int requiredThickness() const;

    // Where a location of the client's bounds (x for a horizontal ruler, y for
    // a vertical one) falls along the ruler, in its widget pixels, and back.
    double rulerCoordinateForLocation(double location) const;
    double locationForRulerCoordinate(double coordinate) const;
    // The distance between labelled marks, in units.
    double labelStep() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double clientWidgetCoordinate(double location) const;

    Orientation _orientation;
    QPointer<View> _clientView;
    QString _units = QStringLiteral("Inches");
    float _markerThickness = 0;
    float _ruleThickness = 16;
};
