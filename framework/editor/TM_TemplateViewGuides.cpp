#include "framework/editor/TM_TemplateView.h"

#include "framework/model/PageDesc.h"
#include "framework/model/TemplateDocument.h"
#include "platform/ui/ScrollView.h"

#include <QPainter>
#include <QPolygonF>

#include <cmath>

namespace {

// Guide marker images and the point of each that stands on the guide.
constexpr QPointF kGuideArrowHOrigin(7, 1);
constexpr QPointF kGuideArrowVOrigin(10, 7);

// A small arrow pointing at the rule: down on the horizontal ruler, right on
// the vertical one.
QImage guideArrowImage(RulerView::Orientation orientation) {
    const bool horizontal = orientation == RulerView::Orientation::Horizontal;
    QImage image(horizontal ? QSize(15, 10) : QSize(11, 15), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0, 0, 120), 1));
    painter.setBrush(QColor(80, 120, 255));
    const QPolygonF arrow = horizontal ? QPolygonF({{0.5, 0.5}, {14.5, 0.5}, {7.5, 9.5}})
                                       : QPolygonF({{0.5, 0.5}, {10.5, 7.5}, {0.5, 14.5}});
    painter.drawPolygon(arrow);
    return image;
}

} // namespace

RulerMarkerRef TM_TemplateView::makeGuideMarker(RulerView::Orientation orientation,
                                                double location) {
    static const QImage h = guideArrowImage(RulerView::Orientation::Horizontal);
    static const QImage v = guideArrowImage(RulerView::Orientation::Vertical);
    const bool horizontal = orientation == RulerView::Orientation::Horizontal;
    auto marker = std::make_shared<RulerMarker>(
        location, horizontal ? h : v, horizontal ? kGuideArrowHOrigin : kGuideArrowVOrigin);
    marker->setMovable(true);
    marker->setRemovable(true);
    marker->setRepresentedObject(QString::fromLatin1(kGuideMarkerObject));
    return marker;
}

RulerView* TM_TemplateView::ruler(RulerView::Orientation orientation) const {
    if (!_parentScrollView)
        return nullptr;
    ScrollView* scroll = _parentScrollView;
    if (orientation == RulerView::Orientation::Horizontal)
        return scroll->hasHorizontalRuler() ? scroll->horizontalRulerView() : nullptr;
    return scroll->hasVerticalRuler() ? scroll->verticalRulerView() : nullptr;
}

QList<float> TM_TemplateView::guidesInRuler(const RulerView* ruler) {
    QList<float> guides;
    if (!ruler)
        return guides;
    for (const RulerMarkerRef& marker : ruler->markers())
        if (marker->representedObject() == QLatin1String(kGuideMarkerObject))
            guides.append(float(marker->markerLocation()));
    return guides;
}

void TM_TemplateView::setGuides(const QVariantList& guides, RulerView* ruler) {
    if (!ruler)
        return;
    std::vector<RulerMarkerRef> markers;
    for (const QVariant& value : guides) {
        bool ok = false;
        const double location = value.toDouble(&ok);
        if (ok && std::isfinite(location))
            markers.push_back(makeGuideMarker(ruler->orientation(), location));
    }
    ruler->setMarkers(std::move(markers));
    update();
}

QList<float> TM_TemplateView::horizontalGuides() const {
    return guidesInRuler(ruler(RulerView::Orientation::Horizontal));
}

QList<float> TM_TemplateView::verticalGuides() const {
    return guidesInRuler(ruler(RulerView::Orientation::Vertical));
}

void TM_TemplateView::setHorizontalGuides(const QVariantList& guides) {
    setGuides(guides, ruler(RulerView::Orientation::Horizontal));
}

void TM_TemplateView::setVerticalGuides(const QVariantList& guides) {
    setGuides(guides, ruler(RulerView::Orientation::Vertical));
}

namespace {

QVariantList toVariantList(const QList<float>& values) {
    QVariantList list;
    for (float value : values)
        list.append(value);
    return list;
}

} // namespace

void TM_TemplateView::guidesChangedInRuler() {
    if (_myDocument) {
        const PageDescRef& page = _myDocument->pageDesc();
        page->setHorizontalGuides(toVariantList(horizontalGuides()));
        page->setVerticalGuides(toVariantList(verticalGuides()));
        // The PageDesc only stores guides: the change is counted here so that
        // closing asks to save it. It is no undo step.
        _myDocument->updateChangeCount(Document::ChangeDone);
    }
    update();
}

void TM_TemplateView::rulerViewHandleMouseDown(RulerView* ruler, QMouseEvent* event) {
    if (ruler)
        ruler->trackMarker(makeGuideMarker(ruler->orientation(), 0), event);
}

void TM_TemplateView::rulerViewDidAddMarker(RulerView*, const RulerMarkerRef&) {
    guidesChangedInRuler();
}

void TM_TemplateView::rulerViewDidMoveMarker(RulerView*, const RulerMarkerRef&) {
    guidesChangedInRuler();
}

void TM_TemplateView::rulerViewDidRemoveMarker(RulerView*, const RulerMarkerRef&) {
    guidesChangedInRuler();
}

void TM_TemplateView::toggleGuides() {
    if (!_myDocument)
        return;
    setShowsGuides(!showsGuides());
    update();
}

void TM_TemplateView::clearAllGuides() {
    const bool had = !horizontalGuides().isEmpty() || !verticalGuides().isEmpty();
    for (RulerView* r :
         {ruler(RulerView::Orientation::Horizontal), ruler(RulerView::Orientation::Vertical)}) {
        if (!r)
            continue;
        std::vector<RulerMarkerRef> kept;
        for (const RulerMarkerRef& marker : r->markers())
            if (marker->representedObject() != QLatin1String(kGuideMarkerObject))
                kept.push_back(marker);
        r->setMarkers(std::move(kept));
    }
    if (_myDocument) {
        const PageDescRef& page = _myDocument->pageDesc();
        page->setHorizontalGuides({});
        page->setVerticalGuides({});
        if (had)
            _myDocument->updateChangeCount(Document::ChangeDone);
    }
    update();
}

// ---------------------------------------------------------------------------
// Snapping

float TM_TemplateView::snapToGuidePoint(Point point, int orientation, bool snaps,
                                        const QList<float>& guides, float gridSpacing) {
    if (!snaps || guides.isEmpty())
        return kNoGuideSnap;
    const float c = orientation == 0 ? point.x : point.y;
    float best = -1.0f;
    float bestDistance = 99999.0f;
    for (float g : guides) {
        const float at = g + 0.5f;
        if (std::abs(c - at) < bestDistance) {
            bestDistance = std::abs(c - at);
            best = at;
        }
    }
    if (best < 0)
        return 0.0f;
    const float d = best - c;
    return std::abs(d) <= gridSpacing ? d : kNoGuideSnap;
}

float TM_TemplateView::snapToGuidePoint(Point point, int orientation) const {
    return snapToGuidePoint(point, orientation, snapsToGuides(),
                            orientation == 0 ? horizontalGuides() : verticalGuides(),
                            gridSpacing());
}

float TM_TemplateView::snapToGuideRect(const Rect& rect, int orientation, bool snaps,
                                       const QList<float>& guides, float gridSpacing) {
    if (!snaps || guides.isEmpty())
        return kNoGuideSnap;
    const bool xAxis = orientation == 0;
    const float low = xAxis ? rect.minX() : rect.minY();
    const float size = xAxis ? rect.width() : rect.height();
    const float edges[3] = {low, low + size * 0.5f, low + size};
    const bool integral =
        rect.width() == std::floor(rect.width()) && rect.height() == std::floor(rect.height());
    float nearest[3];
    float distance[3];
    for (int e = 0; e < 3; ++e) {
        distance[e] = INFINITY;
        nearest[e] = 0;
        for (float g : guides) {
            const float at = g + 0.5f;
            if (std::abs(edges[e] - at) < distance[e]) {
                distance[e] = std::abs(edges[e] - at);
                nearest[e] = at;
            }
        }
    }
    int chosen = distance[2] < distance[0] ? 2 : 0;
    if (distance[1] <= distance[chosen])
        chosen = 1;
    float offset = edges[chosen] < 0 ? 0.0f : nearest[chosen] - edges[chosen];
    if (!integral && std::abs(offset) <= 0.5f)
        offset = 0.0f;
    return std::abs(offset) <= gridSpacing ? offset : kNoGuideSnap;
}

float TM_TemplateView::snapToGuideRect(const Rect& rect, int orientation) const {
    return snapToGuideRect(rect, orientation, snapsToGuides(),
                           orientation == 0 ? horizontalGuides() : verticalGuides(), gridSpacing());
}

// ---------------------------------------------------------------------------
// The PageDesc's settings

bool TM_TemplateView::snapsToGrid() const {
    return _myDocument && _myDocument->pageDesc()->snapsToGrid();
}
void TM_TemplateView::setSnapsToGrid(bool snaps) {
    if (_myDocument)
        _myDocument->pageDesc()->setSnapsToGrid(snaps);
}
bool TM_TemplateView::showsMargin() const {
    return _myDocument && _myDocument->pageDesc()->showsMargin();
}
void TM_TemplateView::setShowsMargin(bool shows) {
    if (_myDocument)
        _myDocument->pageDesc()->setShowsMargin(shows);
}
bool TM_TemplateView::showsGrid() const {
    return _myDocument && _myDocument->pageDesc()->showsGrid();
}
void TM_TemplateView::setShowsGrid(bool shows) {
    if (_myDocument)
        _myDocument->pageDesc()->setShowsGrid(shows);
}
float TM_TemplateView::gridSpacing() const {
    return _myDocument ? _myDocument->pageDesc()->gridSpacing() : 0.0f;
}
Color TM_TemplateView::gridColor() const {
    return _myDocument ? _myDocument->pageDesc()->gridColor() : Color();
}
void TM_TemplateView::setGridColor(const Color& color) {
    if (_myDocument)
        _myDocument->pageDesc()->setGridColor(color);
}
bool TM_TemplateView::snapsToGuides() const {
    return _myDocument && _myDocument->pageDesc()->snapsToGuides();
}
void TM_TemplateView::setSnapsToGuides(bool snaps) {
    if (_myDocument)
        _myDocument->pageDesc()->setSnapsToGuides(snaps);
}
bool TM_TemplateView::showsGuides() const {
    return _myDocument && _myDocument->pageDesc()->showsGuides();
}
void TM_TemplateView::setShowsGuides(bool shows) {
    if (_myDocument)
        _myDocument->pageDesc()->setShowsGuides(shows);
}
Color TM_TemplateView::guideColor() const {
    return _myDocument ? _myDocument->pageDesc()->guideColor() : Color();
}
void TM_TemplateView::setGuideColor(const Color& color) {
    if (_myDocument)
        _myDocument->pageDesc()->setGuideColor(color);
}
