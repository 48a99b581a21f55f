#include "platform/ui/RulerView.h"

#include "platform/documents/View.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

namespace {

// Labels stand at least this many pixels apart, ticks at least this many.
constexpr double kMinimumLabelSpacing = 48;
constexpr double kMinimumTickSpacing = 5;

struct Unit {
    const char* name;
    double pointsPerUnit;
    // Ticks between two whole units, halved while they crowd.
    int divisions;
};

constexpr std::array<Unit, 4> kUnits{{
    {"Inches", 72.0, 8},
    {"Centimeters", 72.0 / 2.54, 10},
    {"Points", 1.0, 1},
    {"Picas", 12.0, 6},
}};

const Unit& unitNamed(const QString& name) {
    for (const Unit& unit : kUnits)
        if (name == QLatin1String(unit.name))
            return unit;
    return kUnits[0];
}

} // namespace

RulerView::RulerView(Orientation orientation, QWidget* parent)
    : QWidget(parent), _orientation(orientation) {
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);
}

RulerView::~RulerView() = default;

RulerClient* RulerView::client() const {
    return dynamic_cast<RulerClient*>(_clientView.data());
}

void RulerView::addMarker(const RulerMarkerRef& marker) {
    if (!marker)
        return;
    _markers.push_back(marker);
    update();
}

void RulerView::removeMarker(const RulerMarkerRef& marker) {
    std::erase(_markers, marker);
    update();
}

void RulerView::setMarkers(std::vector<RulerMarkerRef> markers) {
    std::erase(markers, nullptr);
    _markers = std::move(markers);
    update();
}

QRectF RulerView::markerRect(const RulerMarker& marker) const {
    const double at = rulerCoordinateForLocation(marker.markerLocation());
    const QSizeF size = marker.image().deviceIndependentSize();
    const QPointF origin = marker.imageOrigin();
    // In the room kept for markers outside the rule, its origin point on the location.
    if (_orientation == Orientation::Horizontal)
        return {at - origin.x(),
                _accessoryThickness + std::max(0.0, _markerThickness - size.height()), size.width(),
                size.height()};
    return {_accessoryThickness + std::max(0.0, _markerThickness - size.width()), at - origin.y(),
            size.width(), size.height()};
}

double RulerView::pointerLocation(QMouseEvent* event) const {
    const QPointF at = event->position();
    return locationForRulerCoordinate(_orientation == Orientation::Horizontal ? at.x() : at.y());
}

bool RulerView::isOffRuler(QMouseEvent* event) const {
    const QPointF at = event->position();
    const double across = _orientation == Orientation::Horizontal ? at.y() : at.x();
    const double depth = _orientation == Orientation::Horizontal ? height() : width();
    return across < 0 || across >= depth;
}

bool RulerView::trackMarker(const RulerMarkerRef& marker, QMouseEvent* event) {
    if (!marker || !event)
        return false;
    _tracked = marker;
    _trackedIsNew = std::find(_markers.begin(), _markers.end(), marker) == _markers.end();
    _trackedStart = marker->markerLocation();
    if (_trackedIsNew)
        _markers.push_back(marker);
    marker->setMarkerLocation(pointerLocation(event));
    update();
    return true;
}

void RulerView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || _tracked)
        return;
    // The frontmost (last drawn) movable marker under the pointer is picked up.
    for (auto it = _markers.rbegin(); it != _markers.rend(); ++it) {
        if ((*it)->isMovable() && markerRect(**it).contains(event->position())) {
            trackMarker(*it, event);
            return;
        }
    }
    if (RulerClient* c = client())
        c->rulerViewHandleMouseDown(this, event);
}

void RulerView::mouseMoveEvent(QMouseEvent* event) {
    if (!_tracked)
        return;
    _tracked->setMarkerLocation(pointerLocation(event));
    update();
}

void RulerView::mouseReleaseEvent(QMouseEvent* event) {
    if (!_tracked || event->button() != Qt::LeftButton)
        return;
    const RulerMarkerRef marker = std::exchange(_tracked, nullptr);
    const bool off = isOffRuler(event);
    RulerClient* c = client();
    if (_trackedIsNew) {
        if (off) {
            std::erase(_markers, marker);
        } else {
            marker->setMarkerLocation(pointerLocation(event));
            if (c)
                c->rulerViewDidAddMarker(this, marker);
        }
    } else if (off && marker->isRemovable()) {
        std::erase(_markers, marker);
        if (c)
            c->rulerViewDidRemoveMarker(this, marker);
    } else if (off) {
        marker->setMarkerLocation(_trackedStart);
    } else {
        marker->setMarkerLocation(pointerLocation(event));
        if (c)
            c->rulerViewDidMoveMarker(this, marker);
    }
    update();
}

void RulerView::setClientView(View* view) {
    _clientView = view;
    update();
}

void RulerView::setMeasurementUnits(const QString& units) {
    _units = units;
    update();
}

double RulerView::pointsPerUnit(const QString& units) {
    return unitNamed(units).pointsPerUnit;
}

void RulerView::setReservedThicknessForMarkers(float thickness) {
    _markerThickness = std::max(0.0f, thickness);
    updateGeometry();
    update();
}

void RulerView::setRuleThickness(float thickness) {
    _ruleThickness = std::max(0.0f, thickness);
    updateGeometry();
    update();
}

void RulerView::setReservedThicknessForAccessoryView(float thickness) {
    _accessoryThickness = std::max(0.0f, thickness);
    placeAccessoryView();
    updateGeometry();
    update();
}

int RulerView::requiredThickness() const {
    return int(std::ceil(_ruleThickness + _markerThickness + _accessoryThickness));
}

void RulerView::setAccessoryView(QWidget* view) {
    if (view == _accessoryView)
        return;
    if (QWidget* old = _accessoryView) {
        old->hide();
        old->setParent(nullptr);
    }
    _accessoryView = view;
    if (view) {
        view->setParent(this);
        const QSize wanted = view->sizeHint();
        const int depth =
            _orientation == Orientation::Horizontal ? wanted.height() : wanted.width();
        _accessoryThickness = std::max(_accessoryThickness, float(std::max(0, depth)));
        placeAccessoryView();
        view->show();
    }
    updateGeometry();
    update();
}

void RulerView::placeAccessoryView() {
    if (!_accessoryView)
        return;
    const int depth = int(std::ceil(_accessoryThickness));
    _accessoryView->setGeometry(_orientation == Orientation::Horizontal
                                    ? QRect(0, 0, width(), depth)
                                    : QRect(0, 0, depth, height()));
}

void RulerView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeAccessoryView();
}

double RulerView::clientWidgetCoordinate(double location) const {
    const float at = float(location);
    const QRectF r = _orientation == Orientation::Horizontal
                         ? _clientView->widgetRectFromBounds({at, 0, 0, 0})
                         : _clientView->widgetRectFromBounds({0, at, 0, 0});
    return _orientation == Orientation::Horizontal ? r.x() : r.y();
}

double RulerView::rulerCoordinateForLocation(double location) const {
    if (!_clientView)
        return 0;
    const double c = clientWidgetCoordinate(location);
    const QPointF onClient =
        _orientation == Orientation::Horizontal ? QPointF(c, 0) : QPointF(0, c);
    const QPointF here = mapFromGlobal(_clientView->mapToGlobal(onClient));
    return _orientation == Orientation::Horizontal ? here.x() : here.y();
}

double RulerView::locationForRulerCoordinate(double coordinate) const {
    if (!_clientView)
        return 0;
    // The mapping is linear: two points give it.
    const double at0 = rulerCoordinateForLocation(0);
    const double perPoint = rulerCoordinateForLocation(1) - at0;
    return perPoint == 0 ? 0 : (coordinate - at0) / perPoint;
}

double RulerView::labelStep() const {
    if (!_clientView)
        return 1;
    const double ppu = pointsPerUnit(_units);
    const double pixelsPerUnit =
        std::abs(rulerCoordinateForLocation(ppu) - rulerCoordinateForLocation(0));
    if (!(pixelsPerUnit > 0))
        return 1;
    // 1, 2, 5, 10, 20, 50, ... units, the first far enough apart.
    double step = 1;
    for (int i = 0; step * pixelsPerUnit < kMinimumLabelSpacing && i < 30; ++i)
        step *= (i % 3 == 1) ? 2.5 : 2;
    return step;
}

void RulerView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const bool horizontal = _orientation == Orientation::Horizontal;
    const QColor ink = palette().color(QPalette::WindowText);
    painter.setPen(ink);
    // The rule lies along the clip view; markers keep the outer part.
    const double depth = horizontal ? height() : width();
    const double ruleStart = depth - _ruleThickness;
    if (horizontal)
        painter.drawLine(QPointF(0, depth - 0.5), QPointF(width(), depth - 0.5));
    else
        painter.drawLine(QPointF(depth - 0.5, 0), QPointF(depth - 0.5, height()));
    if (!_clientView)
        return;
    for (const RulerMarkerRef& marker : _markers)
        painter.drawImage(markerRect(*marker).topLeft(), marker->image());

    const double ppu = pointsPerUnit(_units);
    const double step = labelStep();
    const Unit& unit = unitNamed(_units);
    const double pixelsPerStep =
        std::abs(rulerCoordinateForLocation(step * ppu) - rulerCoordinateForLocation(0));
    // Ticks within a labelled step: the unit's divisions per unit, fewer while crowded.
    int ticks = step <= 1 ? unit.divisions : 10;
    while (ticks > 1 && pixelsPerStep / ticks < kMinimumTickSpacing)
        ticks /= 2;

    const double length = horizontal ? width() : height();
    const double a = locationForRulerCoordinate(0) / ppu;
    const double b = locationForRulerCoordinate(length) / ppu;
    const double first = std::floor(std::min(a, b) / step) * step;
    const double last = std::max(a, b);
    QFont font = painter.font();
    font.setPointSizeF(std::max(6.0, _ruleThickness * 0.45));
    painter.setFont(font);
    for (double label = first; label <= last + step; label += step) {
        for (int t = 0; t < ticks; ++t) {
            const double value = label + step * t / ticks;
            const double at = rulerCoordinateForLocation(value * ppu);
            const double tick =
                t == 0 ? _ruleThickness
                       : (t * 2 == ticks ? _ruleThickness * 0.5 : _ruleThickness * 0.25);
            if (horizontal)
                painter.drawLine(QPointF(at, depth), QPointF(at, depth - tick));
            else
                painter.drawLine(QPointF(depth, at), QPointF(depth - tick, at));
        }
        const double at = rulerCoordinateForLocation(label * ppu);
        const QString text = QString::number(label, 'g', 6);
        if (horizontal)
            painter.drawText(QPointF(at + 2, ruleStart + font.pointSizeF() + 1), text);
        else
            painter.drawText(QPointF(ruleStart + 1, at + font.pointSizeF() + 2), text);
    }
}
