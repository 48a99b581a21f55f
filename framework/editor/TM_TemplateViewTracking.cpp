#include "framework/editor/TM_TemplateView.h"

#include "framework/Formwell.h"
#include "framework/editor/TemplateEditorController.h"
#include "framework/editor/ToolPaletteController.h"
#include "framework/model/TMArcObject.h"
#include "framework/model/TMBezigonObject.h"
#include "framework/model/TMLineObject.h"
#include "framework/model/TMOvalObject.h"
#include "framework/model/TMPhotoObject.h"
#include "framework/model/TMPolygonObject.h"
#include "framework/model/TMPrintAreaObject.h"
#include "framework/model/TMRectangleObject.h"
#include "framework/model/TMTextObject.h"
#include "framework/model/TMUtilities.h"
#include "framework/model/TemplateDocument.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UndoManager.h"
#include "platform/ui/ClipView.h"
#include "platform/ui/CurrentEvent.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/TickClock.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>
#include <set>

namespace {

// Posted with the canvas as sender when a drawn object comes into being.
constexpr char kMoveKey[] = "MOVE";
constexpr char kResizeKey[] = "RESIZE";
constexpr char kCreateKey[] = "CREATE";

constexpr uint32_t kArmTicks = 30;
constexpr float kArmDistance = 8;
constexpr uint32_t kZoomClickTicks = 29;
constexpr float kCreateRedrawMargin = 8;
constexpr float kBandRedrawMargin = 1;

bool samePoint(Point a, Point b) {
    return a.x == b.x && a.y == b.y;
}

bool sameRect(const Rect& a, const Rect& b) {
    return samePoint(a.origin, b.origin) && a.size.width == b.size.width &&
           a.size.height == b.size.height;
}

float roundTo(float v, float g) {
    return std::floor(v / g + 0.5f) * g;
}

// Our cursors: a thin cross, and a magnifier with a plus or a minus.
QCursor crossCursor() {
    QPixmap pixmap(17, 17);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(Qt::black);
    p.drawLine(8, 0, 8, 16);
    p.drawLine(0, 8, 16, 8);
    return QCursor(pixmap, 8, 8);
}

QCursor zoomCursor(bool in) {
    QPixmap pixmap(18, 18);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1.5));
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(1, 6, 10, 10));
    p.drawLine(QPointF(10, 7), QPointF(16, 1));
    p.drawLine(QPointF(3.5, 11), QPointF(8.5, 11));
    if (in)
        p.drawLine(QPointF(6, 8.5), QPointF(6, 13.5));
    return QCursor(pixmap, 6, 11);
}

TMObjectRef newObjectForTool(int tool) {
    switch (tool) {
    case kTMToolPhoto:
        return TMPhotoObject::newTemplateObject();
    case kTMToolPrintArea:
        return TMPrintAreaObject::newTemplateObject();
    case kTMToolLine:
        return TMLineObject::newTemplateObject();
    case kTMToolText:
        return TMTextObject::newTemplateObject();
    case kTMToolRect:
        return TMRectangleObject::newTemplateObjectWithRepresentation(
            TMRectangleObject::stdRepresentation());
    case kTMToolFilledRect:
        return TMRectangleObject::newTemplateObjectWithRepresentation(
            TMRectangleObject::filledRepresentation());
    case kTMToolRoundRect:
        return TMRectangleObject::newTemplateObjectWithRepresentation(
            TMRectangleObject::stdRoundRepresentation());
    case kTMToolFilledRoundRect:
        return TMRectangleObject::newTemplateObjectWithRepresentation(
            TMRectangleObject::filledRoundRepresentation());
    case kTMToolOval:
        return TMOvalObject::newTemplateObjectWithRepresentation(
            TMRectangleObject::stdRepresentation());
    case kTMToolFilledOval:
        return TMOvalObject::newTemplateObjectWithRepresentation(
            TMRectangleObject::filledRepresentation());
    case kTMToolArc:
        return TMArcObject::newTemplateObjectWithRepresentation(TMArcObject::stdRepresentation());
    case kTMToolFilledArc:
        return TMArcObject::newTemplateObjectWithRepresentation(
            TMArcObject::filledRepresentation());
    case kTMToolPolygon:
        return TMPolygonObject::newTemplateObjectWithRepresentation(
            TMPolygonObject::stdRepresentation());
    case kTMToolFilledPolygon:
        return TMPolygonObject::newTemplateObjectWithRepresentation(
            TMPolygonObject::filledRepresentation());
    case kTMToolBezigon:
        return TMBezigonObject::newTemplateObjectWithRepresentation(
            TMBezigonObject::stdRepresentation());
    case kTMToolFilledBezigon:
        return TMBezigonObject::newTemplateObjectWithRepresentation(
            TMBezigonObject::filledRepresentation());
    default:
        return nullptr;
    }
}

} // namespace

struct TM_TemplateView::Gesture {
    enum class Kind { None, Rubberband, Move, Resize, Create, Segments, Zoom };
    Kind kind = Kind::None;
    bool undoGroup = false;
    uint32_t pressTicks = 0;
    Point start;
    // Rubber band: the objects selected as it began.
    std::set<const TMObject*> wasSelected;
    // Move.
    Rect selection;
    Point last;
    bool armed = false;
    bool changed = false;
    // Resize, create and segments.
    TMObjectRef object;
    int knob = 0;
    bool waitingOffGrid = false;
    int tool = 0;
    Rect lastRect;
    bool segmented = false;
};

void TM_TemplateView::GestureDeleter::operator()(Gesture* gesture) const {
    delete gesture;
}

void TM_TemplateView::abandonGesture() {
    // The canvas goes mid-gesture: its undo group must not stay open.
    _periodicTimer.stop();
    if (_gesture && _gesture->undoGroup && _myDocument)
        _myDocument->undoManager()->endUndoGrouping();
    _gesture.reset();
    _waitingKeys.clear();
}

// ---------------------------------------------------------------------------
// Cursors

void TM_TemplateView::resetCursorRects() {
    const int tool = ToolPaletteController::sharedToolPaletteController()->currentTool();
    if (tool == kTMToolZoom)
        setCursor(zoomCursor(true));
    else if (tool == kTMToolZoomOut)
        setCursor(zoomCursor(false));
    else if (tool >= kTMToolPhoto && tool <= kTMToolFilledBezigon)
        setCursor(crossCursor());
    else
        unsetCursor();
}

// ---------------------------------------------------------------------------
// Events into gestures

Point TM_TemplateView::pointInView(const QPointF& widgetPoint) const {
    return boundsPointFromWidget(widgetPoint);
}

float TM_TemplateView::gridStep() const {
    const float spacing = gridSpacing();
    return snapsToGrid() && spacing > 0 && std::isfinite(spacing) ? spacing : 1.0f;
}

Point TM_TemplateView::trackingPoint(Point p, bool snapToGuides) const {
    const Rect b = bounds();
    p.x = std::clamp(p.x, b.minX(), b.maxX());
    p.y = std::clamp(p.y, b.minY(), b.maxY());
    bool guideX = false;
    bool guideY = false;
    if (snapToGuides) {
        const float dx = snapToGuidePoint(p, 0);
        if (dx != kNoGuideSnap) {
            p.x += dx;
            guideX = true;
        }
        const float dy = snapToGuidePoint(p, 1);
        if (dy != kNoGuideSnap) {
            p.y += dy;
            guideY = true;
        }
    }
    const float g = gridStep();
    if (!guideX)
        p.x = roundTo(p.x, g);
    if (!guideY)
        p.y = roundTo(p.y, g);
    return p;
}

void TM_TemplateView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return View::mousePressEvent(event);
    _lastPointer = event->position();
    if (_gesture)
        trackEvent(TrackEvent::Down, event->position(), 1);
    else
        startGesture(event, 1);
}

void TM_TemplateView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return View::mouseDoubleClickEvent(event);
    _lastPointer = event->position();
    if (_gesture)
        trackEvent(TrackEvent::Down, event->position(), 2);
    else
        startGesture(event, 2);
}

void TM_TemplateView::mouseMoveEvent(QMouseEvent* event) {
    _lastPointer = event->position();
    if (_gesture)
        trackEvent(event->buttons() & Qt::LeftButton ? TrackEvent::Drag : TrackEvent::Moved,
                   event->position(), 0);
}

void TM_TemplateView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return View::mouseReleaseEvent(event);
    _lastPointer = event->position();
    if (_gesture)
        trackEvent(TrackEvent::Up, event->position(), 0);
}

void TM_TemplateView::periodicEvent() {
    if (_gesture)
        trackEvent(TrackEvent::Periodic, _lastPointer, 0);
}

void TM_TemplateView::startGesture(QMouseEvent* event, int clickCount) {
    const CurrentEvent::Scope current(*event);
    const int tool = ToolPaletteController::sharedToolPaletteController()->currentTool();
    assertObjectView();
    _gesture.reset(new Gesture);
    _gesture->pressTicks = TickClock::tickCount();
    if (_myDocument) {
        // Everything the gesture changes is one undo step.
        _myDocument->undoManager()->beginUndoGrouping();
        _gesture->undoGroup = true;
    }
    _periodicTimer.start();

    const Point p = pointInView(event->position());
    _gesture->start = p;
    if (tool == kTMToolZoom || tool == kTMToolZoomOut) {
        _rubberbandRect = Rect();
        if (tool == kTMToolZoom) {
            _gesture->kind = Gesture::Kind::Zoom;
        } else {
            _zoomCenterPoint = p;
            if (_myMainController)
                _myMainController->zoomOut(this);
        }
    } else if (tool == kTMToolSelect) {
        testSelection(p, clickCount, CurrentEvent::modifierFlags());
    } else if (tool >= kTMToolPhoto && tool <= kTMToolFilledBezigon) {
        beginCreate(p, tool);
    }
    if (_gesture && _gesture->kind == Gesture::Kind::None)
        endGesture();
}

void TM_TemplateView::trackEvent(TrackEvent kind, const QPointF& widgetPoint, int clickCount) {
    if (!_gesture)
        return;
    // Moving, resizing and drawing scroll the page toward a pointer beyond it.
    const Gesture::Kind running = _gesture->kind;
    if (_parentScrollView && kind != TrackEvent::Up &&
        (running == Gesture::Kind::Move ||
         (running == Gesture::Kind::Resize && !_gesture->waitingOffGrid) ||
         running == Gesture::Kind::Create || running == Gesture::Kind::Segments))
        _parentScrollView->contentView()->autoscroll(mapToGlobal(widgetPoint).toPoint());
    const Point p = pointInView(widgetPoint);
    bool done = false;
    switch (_gesture->kind) {
    case Gesture::Kind::Rubberband:
        done = trackRubberband(kind, p);
        break;
    case Gesture::Kind::Move:
        done = trackMove(kind, p);
        break;
    case Gesture::Kind::Resize:
        done = trackResize(kind, p);
        break;
    case Gesture::Kind::Create:
        done = trackCreate(kind, p, clickCount);
        break;
    case Gesture::Kind::Segments:
        done = trackSegments(kind, pointInView(_lastPointer), clickCount);
        break;
    case Gesture::Kind::Zoom:
        done = trackZoom(kind, p);
        break;
    case Gesture::Kind::None:
        done = true;
        break;
    }
    if (done)
        endGesture();
}

void TM_TemplateView::endGesture() {
    _periodicTimer.stop();
    const std::unique_ptr<Gesture, GestureDeleter> gesture = std::move(_gesture);
    if (gesture && gesture->undoGroup && _myDocument)
        _myDocument->undoManager()->endUndoGrouping();
    // Keys pressed during the gesture are handled now, in order.
    std::vector<std::unique_ptr<QKeyEvent>> keys = std::move(_waitingKeys);
    for (const std::unique_ptr<QKeyEvent>& key : keys)
        keyPressEvent(key.get());
}

// ---------------------------------------------------------------------------
// Select tool

void TM_TemplateView::testSelection(Point p, int clickCount, uint32_t modifiers) {
    const QList<TMObjectRef> objects = documentObjects();
    TMObjectRef hit;
    for (qsizetype i = objects.size() - 1; i >= 0; --i) {
        if (objects.at(i)->hitTest(p)) {
            hit = objects.at(i);
            break;
        }
    }
    const bool shift = modifiers & ShiftKeyMask;
    if (!hit) {
        if (!shift)
            deselectAllObjects();
        for (const TMObjectRef& object : documentObjects())
            if (object->selected())
                _gesture->wasSelected.insert(object.get());
        _gesture->kind = Gesture::Kind::Rubberband;
        return;
    }
    if (clickCount >= 2) {
        if (hit->selected())
            hit->doubleClicked();
        if (!hit->selected())
            return;
    } else if (!hit->selected()) {
        if (!shift)
            deselectAllObjects();
        hit->setSelected(true);
        setNeedsDisplayInRect(hit->visibleFrame());
        postSelectionDidChange();
    } else if (shift) {
        hit->setSelected(false);
        setNeedsDisplayInRect(hit->visibleFrame());
        postSelectionDidChange();
        return;
    }
    if (const int knob = hit->knobUnderPoint(p)) {
        _gesture->kind = Gesture::Kind::Resize;
        _gesture->object = hit;
        _gesture->knob = knob;
        _gesture->last = p;
        const float g = gridStep();
        _gesture->waitingOffGrid = !samePoint(p, {roundTo(p.x, g), roundTo(p.y, g)});
        return;
    }
    if (modifiers & AlternateKeyMask) {
        dragSelectionOut();
        return;
    }
    _gesture->kind = Gesture::Kind::Move;
    _gesture->selection = boundsOfSelection();
    const float g = gridStep();
    _gesture->last = {roundTo(p.x, g), roundTo(p.y, g)};
}

void TM_TemplateView::setRubberband(const Rect& band) {
    if (sameRect(band, _rubberbandRect))
        return;
    setNeedsDisplayInRect(insetRect(_rubberbandRect, -kBandRedrawMargin, -kBandRedrawMargin));
    _rubberbandRect = band;
    setNeedsDisplayInRect(insetRect(_rubberbandRect, -kBandRedrawMargin, -kBandRedrawMargin));
}

bool TM_TemplateView::trackRubberband(TrackEvent kind, Point p) {
    if (kind != TrackEvent::Drag && kind != TrackEvent::Up)
        return false;
    const Rect b = bounds();
    p.x = std::clamp(p.x, b.minX(), b.maxX());
    p.y = std::clamp(p.y, b.minY(), b.maxY());
    if (!samePoint(p, _gesture->start)) {
        const Rect band = TMRectFromPoints(_gesture->start, p);
        setRubberband(band);
        const QList<TMObjectRef> objects = documentObjects();
        for (qsizetype i = objects.size() - 1; i >= 0; --i) {
            const TMObjectRef& object = objects.at(i);
            if (object->intersectionTest(band))
                object->setSelected(true);
            else if (!_gesture->wasSelected.count(object.get()))
                object->setSelected(false);
        }
    }
    if (kind != TrackEvent::Up)
        return false;
    if (!sameRect(_rubberbandRect, Rect())) {
        setNeedsDisplayInRect(insetRect(_rubberbandRect, -kBandRedrawMargin, -kBandRedrawMargin));
        _rubberbandRect = Rect();
    }
    return true;
}

// ---------------------------------------------------------------------------
// Move

bool TM_TemplateView::trackMove(TrackEvent kind, Point p) {
    Gesture& m = *_gesture;
    const float g = gridStep();
    const Rect b = bounds();
    p.x = roundTo(std::clamp(p.x, b.minX(), b.maxX()), g);
    p.y = roundTo(std::clamp(p.y, b.minY(), b.maxY()), g);
    if (!m.armed) {
        const uint32_t elapsed = TickClock::tickCount() - m.pressTicks;
        m.armed = elapsed > kArmTicks || std::abs(p.x - m.last.x) > kArmDistance ||
                  std::abs(p.y - m.last.y) > kArmDistance;
        if (!m.armed)
            return kind == TrackEvent::Up;
    }
    if (!samePoint(p, m.last)) {
        float dx = p.x - m.last.x;
        float dy = p.y - m.last.y;
        const Rect s = m.selection;
        const auto guide = [g](float& d, float& pointAxis, float lastAxis, float offset) {
            if (offset == kNoGuideSnap)
                return;
            const bool sameWay = (d > 0 && offset >= 0) || (d < 0 && offset <= 0);
            if (sameWay ? std::abs(d - offset) <= g : std::abs(d + offset) <= g) {
                d = offset;
                pointAxis = lastAxis;
            }
        };
        const float gx = snapToGuideRect(s, 0);
        guide(dx, p.x, m.last.x, gx);
        const float gy = snapToGuideRect(s, 1);
        guide(dy, p.y, m.last.y, gy);
        Rect r = offsetRect(s, dx, dy);
        // The leading edge lands on the grid.
        if (gx == kNoGuideSnap && dx != 0) {
            const float edge = dx > 0 ? r.maxX() : r.minX();
            r.origin.x += roundTo(edge, g) - edge;
        }
        if (gy == kNoGuideSnap && dy != 0) {
            const float edge = dy > 0 ? r.maxY() : r.minY();
            r.origin.y += roundTo(edge, g) - edge;
        }
        const Point d{r.origin.x - s.origin.x, r.origin.y - s.origin.y};
        if (d.x != 0 || d.y != 0) {
            if (!m.changed)
                recordSelectionOriginForUndo();
            m.changed = true;
            moveSelection(d);
            m.selection = boundsOfSelection();
            m.last = p;
        }
    }
    if (kind != TrackEvent::Up)
        return false;
    if (m.changed && _myDocument)
        _myDocument->undoManager()->setActionName(frameworkString(kMoveKey));
    return true;
}

// ---------------------------------------------------------------------------
// Resize

bool TM_TemplateView::trackResize(TrackEvent kind, Point p) {
    Gesture& r = *_gesture;
    const TMObjectRef& object = r.object;
    if (r.waitingOffGrid) {
        // A click on a knob off the grid must not pull the object onto it.
        if (kind == TrackEvent::Periodic)
            return false;
        if (kind == TrackEvent::Up)
            return true;
        if (samePoint(p, r.last))
            return false;
        r.waitingOffGrid = false;
    }
    if (kind == TrackEvent::Drag || kind == TrackEvent::Periodic || kind == TrackEvent::Up) {
        const Point at = trackingPoint(p, true);
        const bool change = !samePoint(at, r.last) || (r.changed && kind == TrackEvent::Periodic);
        if (change) {
            if (!r.changed && _myDocument) {
                registerGeometryUndo(*_myDocument->undoManager(), object);
                object->setInResize(true);
            }
            r.changed = true;
            setNeedsDisplayInRect(object->visibleFrame());
            r.knob = object->resizeByMovingKnobToPoint(r.knob, at);
            setNeedsDisplayInRect(object->visibleFrame());
            r.last = at;
        }
    }
    if (kind != TrackEvent::Up)
        return false;
    object->setInResize(false);
    object->recache();
    if (r.changed && _myDocument)
        _myDocument->undoManager()->setActionName(frameworkString(kResizeKey));
    return true;
}

// ---------------------------------------------------------------------------
// Create

void TM_TemplateView::beginCreate(Point p, int tool) {
    deselectAllObjects();
    const float g = gridStep();
    _gesture->kind = Gesture::Kind::Create;
    _gesture->tool = tool;
    _gesture->start = {roundTo(p.x, g), roundTo(p.y, g)};
    _gesture->lastRect = Rect();
}

bool TM_TemplateView::trackCreate(TrackEvent kind, Point p, int clickCount) {
    Gesture& c = *_gesture;
    const Point at = trackingPoint(p, true);
    const Rect r = TMRectFromPoints(c.start, at);
    const bool unchanged = samePoint(at, c.start) || sameRect(r, c.lastRect);
    if (!unchanged && !c.object && _myDocument) {
        c.object = newObjectForTool(c.tool);
        if (c.object) {
            _myDocument->addObject(c.object);
            c.object->setSelected(true);
            c.object->setInCreation(true);
            NotificationCenter::defaultCenter().postNotificationName(
                QString::fromLatin1(kTemplateViewObjectCreatedNotification),
                static_cast<const QObject*>(this));
            if (c.object->createInSegments()) {
                c.segmented = true;
                setMouseTracking(true);
            }
        }
    }
    if (c.object && (!unchanged || kind == TrackEvent::Periodic)) {
        setNeedsDisplayInRect(insetRect(c.lastRect, -kCreateRedrawMargin, -kCreateRedrawMargin));
        c.lastRect = r;
        c.object->setFrameCornersFromTo(c.start, at);
        setNeedsDisplayInRect(insetRect(c.lastRect, -kCreateRedrawMargin, -kCreateRedrawMargin));
        setNeedsDisplayInRect(c.object->visibleFrame());
    }
    bool done = false;
    if (kind == TrackEvent::Up && !(c.object && c.segmented)) {
        done = true;
    } else if (kind == TrackEvent::Down && c.object && c.segmented) {
        if (clickCount > 1) {
            c.object->endSegment(at);
            done = true;
        } else {
            c.object->nextSegment(at);
            c.start = at;
        }
    }
    if (done)
        finishCreate(at);
    return done;
}

void TM_TemplateView::finishCreate(Point) {
    setMouseTracking(true);
    const TMObjectRef object = _gesture->object;
    if (!object)
        return;
    if (_myDocument) {
        QPointer<TM_TemplateView> self(this);
        UndoManager* undo = _myDocument->undoManager();
        undo->registerUndo(this, [self, object] {
            if (self)
                self->destroyNewObject(object);
        });
        undo->setActionName(QStringLiteral("%1 %2").arg(frameworkString(kCreateKey),
                                                        frameworkString(object->kind())));
    }
    ToolPaletteController::sharedToolPaletteController()->resetTool();
    object->setSelected(true);
    object->setInCreation(false);
    object->recache();
    setNeedsDisplayInRect(object->visibleFrame());
    postSelectionDidChange();
}

// ---------------------------------------------------------------------------
// Extend in segments

void TM_TemplateView::recreateObject(const TMObjectRef& object) {
    auto* polygon = dynamic_cast<TMPolygonObject*>(object.get());
    if (!polygon || !object->createInSegments() || _gesture)
        return;
    makeWindowKey();
    setMouseTracking(true);
    setCursor(crossCursor());
    polygon->setSelectedKnob(0);
    object->setSelected(true);
    object->setInCreation(true);
    NotificationCenter::defaultCenter().postNotificationName(
        QString::fromLatin1(kTemplateViewObjectCreatedNotification),
        static_cast<const QObject*>(this));
    _gesture.reset(new Gesture);
    _gesture->kind = Gesture::Kind::Segments;
    _gesture->object = object;
    _gesture->start = polygon->lastSegmentPoint();
}

bool TM_TemplateView::trackSegments(TrackEvent kind, Point p, int clickCount) {
    Gesture& s = *_gesture;
    const Point at = trackingPoint(p, true);
    const Rect r = TMRectFromPoints(s.start, at);
    if (!samePoint(at, s.start) && !sameRect(r, s.lastRect)) {
        setNeedsDisplayInRect(insetRect(s.lastRect, -kCreateRedrawMargin, -kCreateRedrawMargin));
        s.lastRect = r;
        s.object->setFrameCornersFromTo(s.start, at);
        setNeedsDisplayInRect(insetRect(s.lastRect, -kCreateRedrawMargin, -kCreateRedrawMargin));
        setNeedsDisplayInRect(s.object->visibleFrame());
    }
    if (kind != TrackEvent::Down)
        return false;
    if (clickCount <= 1) {
        s.object->nextSegment(at);
        s.start = at;
        return false;
    }
    s.object->endSegment(at);
    setMouseTracking(true);
    ToolPaletteController::sharedToolPaletteController()->resetTool();
    s.object->setSelected(true);
    s.object->setInCreation(false);
    s.object->recache();
    setNeedsDisplayInRect(s.object->visibleFrame());
    postSelectionDidChange();
    resetCursorRects();
    return true;
}

// ---------------------------------------------------------------------------
// Zoom

bool TM_TemplateView::trackZoom(TrackEvent kind, Point p) {
    if (kind != TrackEvent::Drag && kind != TrackEvent::Up)
        return false;
    const Rect b = bounds();
    p.x = std::clamp(p.x, b.minX(), b.maxX());
    p.y = std::clamp(p.y, b.minY(), b.maxY());
    if (!samePoint(p, _gesture->start))
        setRubberband(TMRectFromPoints(_gesture->start, p));
    if (kind != TrackEvent::Up)
        return false;
    // A quick drag is a click.
    if (TickClock::tickCount() - _gesture->pressTicks <= kZoomClickTicks)
        setRubberband(Rect());
    if (!sameRect(_rubberbandRect, Rect())) {
        _rubberbandRect = integralRect(_rubberbandRect);
        _zoomCenterPoint = {std::round(_rubberbandRect.midX()), std::round(_rubberbandRect.midY())};
        if (_myMainController)
            _myMainController->zoomIn(this);
        setNeedsDisplayInRect(insetRect(_rubberbandRect, -kBandRedrawMargin, -kBandRedrawMargin));
        _rubberbandRect = Rect();
    } else {
        _zoomCenterPoint = _gesture->start;
        if (_myMainController)
            _myMainController->zoomIn(this);
    }
    return true;
}
