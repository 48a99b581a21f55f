#include "framework/editor/CustomRuler.h"

#include "framework/editor/TM_TemplateView.h"

bool CustomRuler::measuresCanvas() const {
    return qobject_cast<const TM_TemplateView*>(clientView()) != nullptr;
}

void CustomRuler::setAccessoryView(QWidget* view) {
    if (measuresCanvas())
        RulerView::setAccessoryView(view);
}

void CustomRuler::setMarkers(std::vector<RulerMarkerRef> markers) {
    if (measuresCanvas())
        RulerView::setMarkers(std::move(markers));
}

void CustomRuler::addMarker(const RulerMarkerRef& marker) {
    if (measuresCanvas())
        RulerView::addMarker(marker);
}

void CustomRuler::removeMarker(const RulerMarkerRef& marker) {
    if (measuresCanvas())
        RulerView::removeMarker(marker);
}

bool CustomRuler::trackMarker(const RulerMarkerRef& marker, QMouseEvent* event) {
    return measuresCanvas() && RulerView::trackMarker(marker, event);
}
