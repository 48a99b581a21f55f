#pragma once

#include "framework/FormwellExport.h"
#include "platform/ui/RulerView.h"

// The ruler of the template editor: it takes markers and an accessory view
// only while it measures the editor's canvas, so that another client (a text
// view being edited, say) cannot put its own marks on it.
class FORMWELL_EXPORT CustomRuler : public RulerView {
    Q_OBJECT

public:
    using RulerView::RulerView;

    void setAccessoryView(QWidget* view) override;
    void setMarkers(std::vector<RulerMarkerRef> markers) override;
    void addMarker(const RulerMarkerRef& marker) override;
    void removeMarker(const RulerMarkerRef& marker) override;
    bool trackMarker(const RulerMarkerRef& marker, QMouseEvent* event) override;

private:
    bool measuresCanvas() const;
};
