#include "catalog/VQFileCatalog.h"
#include "documents/RoduvudeDadevizi.h"
#include "documents/ZaroziveZodiroVirizidivi.h"
#include "photoview/CropController.h"
#include "photoview/PhotoView.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Resources.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/ui/TickClock.h"
#include "utilities/GeometryUtilities.h"

#include <QCursor>
#include <QKeyEvent>
#include <QPixmap>
#include <cmath>

namespace {

QString qs(const char* text) {
    return QString::fromLatin1(text);
}

// Colours of the handles and the rubber band.
QColor knobColor() {
    return QColor(232, 232, 232);
}

QColor controlDarkShadowColor() {
    return QColor(40, 40, 40);
}

constexpr float kHandleSide = 5;

} // namespace

// Made once from the application's images with their hot spot at (8, 8); the
// system's nearest shapes stand in for missing images.
QCursor PhotoView::cropCursor(CropGeometry::Cursor kind) {
    const auto make = [](const char* name, Qt::CursorShape fallback) {
        const QPixmap image = QPixmap::fromImage(Resources::applicationImageNamed(qs(name)));
        return image.isNull() ? QCursor(fallback) : QCursor(image, 8, 8);
    };
    static const QCursor grab = make("Grab", Qt::OpenHandCursor);
    static const QCursor resize = make("Resize", Qt::SizeAllCursor);
    switch (kind) {
    case CropGeometry::Cursor::Cross:
        return QCursor(Qt::CrossCursor);
    case CropGeometry::Cursor::Grab:
        return grab;
    case CropGeometry::Cursor::Resize:
        return resize;
    case CropGeometry::Cursor::None:
        break;
    }
    return QCursor(Qt::ArrowCursor);
}

// ---------------------------------------------------------------------------
// Wiring

void PhotoView::observeCropPanel() {
    NotificationCenter& center = NotificationCenter::defaultCenter();
    // Only this panel's own posts: another window's panel has its own photo.
    const void* self = static_cast<const QObject*>(this);
    center.addObserver(this, qs(kPVNewCropNofity), self,
                       [this](const Notification&) { cropChanged(); });
    center.addObserver(this, qs(kPVCropIsChangingNofity), self, [this](const Notification&) {
        if (editMode() == PhotoEditModeCrop)
            updateCropInfo();
    });
    center.addObserver(this, qs(kCropPanelClosedNofity), nullptr,
                       [this](const Notification&) { cropPanelClosed(); });
    center.addObserver(this, qs(kCropPanelConstraintChangedNofity), nullptr,
                       [this](const Notification&) { cropConstraintChanged(); });
    center.addObserver(this, qs(kCropPresetsChangedNofity), nullptr,
                       [this](const Notification&) { cropPresetApplied(); });
    center.addObserver(this, qs(kCropPresetInvalidatedNofity), nullptr,
                       [this](const Notification&) { cropPresetInvalidated(); });
}

void PhotoView::postCropNotification(const char* name) {
    NotificationCenter::defaultCenter().postNotificationName(qs(name),
                                                             static_cast<const QObject*>(this));
}

std::optional<int> PhotoView::singleSelection() const {
    if (!_document)
        return std::nullopt;
    const QList<int> selected = _document->fileCatalog().getSelectedIndices();
    if (selected.size() != 1)
        return std::nullopt;
    return selected.first();
}

// ---------------------------------------------------------------------------
// The mode and the palette

void PhotoView::toggleCropMode() {
    toggleEditMode(PhotoEditModeCrop, &PhotoView::showCropPanel, &PhotoView::closeCropPanel);
}

void PhotoView::showCropPanel() {
    CropController* palette = CropController::sharedCropController();
    palette->setOrigin(modePanelOrigin());
    palette->setConstraintTag(_cropConstraintTag);
    palette->setDocumentController(windowController());
    palette->showWindow();
    setConstraintRatio(palette->constraintRatio());
    updateCropInfo();
}

void PhotoView::closeCropPanel() {
    CropController* palette = CropController::sharedCropController();
    if (palette->isVisible())
        palette->close();
}

void PhotoView::cropPanelClosed() {
    ZaroziveZodiroVirizidivi* controller = windowController();
    if (!controller || controller->editMode() != PhotoEditModeCrop)
        return;
    closeCropPanel();
    controller->setEditMode(PhotoEditModeNone);
}

void PhotoView::hideEvent(QHideEvent* event) {
    View::hideEvent(event);
    // Hidden by a panel switch or with its window: the mode ends, and the panel
    // switch tells only the panel it shows.
    ZaroziveZodiroVirizidivi* owner = CropController::sharedCropController()->documentController();
    if (!owner || owner == windowController())
        closeCropPanel();
    if (editMode() == PhotoEditModeRedEye)
        closeRedEyePanel();
    endCaptionDrag();
}

// ---------------------------------------------------------------------------
// Constraint

void PhotoView::setConstraintTag(int tag) {
    _cropConstraintTag = tag;
    if (const std::optional<int> index = singleSelection()) {
        VQFileCatalog& catalog = _document->fileCatalog();
        if (catalog.getFileAttributeAtIndex(kCatalogAttrCropConstraint, *index).toInt() != tag)
            catalog.setFileAttributeAtIndexToValue(kCatalogAttrCropConstraint, *index, tag);
    }
}

void PhotoView::setConstraintRatio(float ratio) {
    bool known = true;
    if (ratio == -1.0f) {
        const Size natural = _imageNaturalBounds.size;
        known = natural.width > 0 && natural.height > 0;
        ratio = known ? natural.height / natural.width : 0;
    }
    if (ratio == _constraintRatio)
        return;
    _constraintRatio = ratio;
    if (const std::optional<int> index = singleSelection(); index && known) {
        VQFileCatalog& catalog = _document->fileCatalog();
        if (catalog.getFileAttributeAtIndex(kCatalogAttrCropRatio, *index).toFloat() != ratio)
            catalog.setFileAttributeAtIndexToValue(kCatalogAttrCropRatio, *index, ratio);
    }
    assertNewCropConstraint();
}

Rect PhotoView::calcConstrainedScaledCropRect(const Rect& viewRect) const {
    return CropGeometry::constrainedRect(viewRect, _constraintRatio, _imageFrame);
}

void PhotoView::assertNewCropConstraint() {
    if (_cropRect != kZeroRect && _constraintRatio > 0 && !_imageFrame.isEmpty()) {
        const Rect old = viewCrop();
        const Rect constrained = calcConstrainedScaledCropRect(old);
        redrawViewRect(old, 4);
        redrawViewRect(constrained, 4);
        _cropRect = imageRectFromView(constrained);
    }
    resetCropCursor();
    update();
    postCropNotification(kPVNewCropNofity);
}

// ---------------------------------------------------------------------------
// Storing and the palette's figures

Rect PhotoView::viewCrop() const {
    if (_cropRect == kZeroRect || _imageNaturalBounds.isEmpty())
        return kZeroRect;
    return UTMapRect(_imageNaturalBounds, _imageFrame, _cropRect);
}

Rect PhotoView::imageRectFromView(const Rect& viewRect) const {
    return UTMapRect(_imageFrame, _imageNaturalBounds, viewRect);
}

void PhotoView::cropChanged() {
    const std::optional<int> index = singleSelection();
    if (!index)
        return;
    if (_cropRect != kZeroRect &&
        (_cropRect.width() <= kSmallestCrop || _cropRect.height() <= kSmallestCrop))
        setCropRect(kZeroRect);
    VQFileCatalog& catalog = _document->fileCatalog();
    if (catalog.getFileImageCropAtIndex(*index) != _cropRect)
        catalog.setFileImageCropAtIndexTo(*index, _cropRect);
    updateCropInfo();
}

QVariantMap PhotoView::cropInfo() const {
    return {{qs(kCropInfoImageRectKey), stringFromRect(imageRect())},
            {qs(kCropInfoCropRectKey), stringFromRect(_cropRect)},
            {qs(kCropInfoConstraintRatioKey), _constraintRatio},
            {qs(kCropInfoConstraintTagKey), _cropConstraintTag}};
}

void PhotoView::updateCropInfo() {
    CropController::sharedCropController()->setCropInfo(cropInfo());
}

// ---------------------------------------------------------------------------
// The palette's notifications

void PhotoView::cropConstraintChanged() {
    if (editMode() != PhotoEditModeCrop)
        return;
    CropController* palette = CropController::sharedCropController();
    setConstraintTag(palette->constraintTag());
    setConstraintRatio(palette->constraintRatio());
}

void PhotoView::cropPresetApplied() {
    if (editMode() != PhotoEditModeCrop)
        return;
    CropController* palette = CropController::sharedCropController();
    const QVariantMap preset = palette->selectedPreset();
    const std::optional<int> index = singleSelection();
    VQFileCatalog* catalog = _document ? &_document->fileCatalog() : nullptr;
    Rect crop = kZeroRect;
    if (!preset.isEmpty()) {
        const auto has = [&](const char* key) { return preset.contains(qs(key)); };
        const auto value = [&](const char* key) { return preset.value(qs(key)).toFloat(); };
        const int tag = preset.value(qs(kCropPresetConstraintKey), 0).toInt();
        setConstraintTag(tag);
        palette->setConstraintTag(tag);
        setConstraintRatio(palette->constraintRatio());
        const Rect image = imageRect();
        Size size = kZeroSize;
        if (has(kCropPresetXScaleKey))
            size = {value(kCropPresetXScaleKey) * image.width(),
                    value(kCropPresetYScaleKey) * image.height()};
        else if (has(kCropPresetXPixelsKey))
            size = {float(int(value(kCropPresetXPixelsKey))),
                    float(int(value(kCropPresetYPixelsKey)))};
        Point centre = image.center();
        if (has(kCropPresetXPositionRelKey))
            centre = {value(kCropPresetXPositionRelKey) * image.width(),
                      value(kCropPresetYPositionRelKey) * image.height()};
        else if (has(kCropPresetXPositionAbsKey))
            centre = {std::round(value(kCropPresetXPositionAbsKey)),
                      std::round(value(kCropPresetYPositionAbsKey))};
        crop = UTCenterRectOnPoint({kZeroPoint, size}, centre);
        if (index && catalog)
            catalog->setFileAttributeAtIndexToValue(kCatalogAttrCropPreset, *index,
                                                    preset.value(qs(kCropPresetNameKey)));
    } else {
        if (index && catalog)
            catalog->setFileAttributeAtIndexToValue(kCatalogAttrCropPreset, *index, QString());
        setConstraintRatio(0);
        setConstraintTag(0);
    }
    setCropRect(crop);
    cropChanged();
}

void PhotoView::cropPresetInvalidated() {
    if (editMode() != PhotoEditModeCrop)
        return;
    if (const std::optional<int> index = singleSelection())
        _document->fileCatalog().setFileAttributeAtIndexToValue(kCatalogAttrCropPreset, *index,
                                                                QString());
}

// ---------------------------------------------------------------------------
// Mouse: press, drag and release, one event at a time

void PhotoView::redrawViewRect(const Rect& viewRect, float outset) {
    if (viewRect != kZeroRect)
        setNeedsDisplayInRect(insetRect(viewRect, -outset, -outset));
}

void PhotoView::cropMouseDown(Point point) {
    const Rect crop = viewCrop();
    const int knob = crop != kZeroRect ? CropGeometry::cropKnobUnderPoint(point, crop) : 0;
    if (!pointInRect(point, _imageFrame) && knob == 0)
        return;
    CropDrag drag;
    drag.start = CropGeometry::clampPointToRect(point, _imageFrame);
    drag.previous = drag.start;
    drag.lastReport = TickClock::tickCount();
    drag.viewCrop = crop;
    if (knob != 0) {
        drag.kind = CropDrag::Resize;
        drag.knob = knob;
    } else if (crop != kZeroRect && pointInRect(point, crop)) {
        drag.kind = CropDrag::Move;
    } else {
        drag.kind = CropDrag::Create;
        _inCropCreate = true;
        if (_cropRect != kZeroRect) {
            redrawViewRect(crop, 8);
            _cropRect = kZeroRect;
            drag.changed = true;
        }
    }
    _cropDrag = drag;
}

void PhotoView::cropDragTo(Point point, bool up) {
    if (!_cropDrag)
        return;
    const Point p = CropGeometry::clampPointToRect(point, _imageFrame);
    switch (_cropDrag->kind) {
    case CropDrag::Create:
        trackCreate(p, up);
        break;
    case CropDrag::Move:
        trackMove(p);
        break;
    case CropDrag::Resize:
        trackResize(p);
        break;
    }
    if (!_cropDrag)
        return;
    const uint32_t now = TickClock::tickCount();
    if (_cropDrag->moved && now - _cropDrag->lastReport > CropGeometry::kReportTicks) {
        _cropDrag->lastReport = now;
        postCropNotification(kPVCropIsChangingNofity);
    }
    if (up)
        endCropDrag();
}

void PhotoView::trackCreate(Point p, bool up) {
    CropDrag& drag = *_cropDrag;
    if (p == drag.start) {
        redrawViewRect(_rubberbandRect, 1);
        _rubberbandRect = kZeroRect;
        return;
    }
    const Rect band = UTRectFromPoints(drag.start, p);
    redrawViewRect(_rubberbandRect, 1);
    redrawViewRect(band, 1);
    // A band without area is no crop yet: the drag goes on drawing it.
    if (band.isEmpty() && !up) {
        _rubberbandRect = band;
        return;
    }
    _rubberbandRect = kZeroRect;
    if (band.isEmpty())
        return;
    _cropRect = imageRectFromView(band);
    drag.changed = true;
    resetCropCursor();
    update();
    // The same drag goes on resizing the new crop by the knob under the pointer;
    // the crop it made counts as its change.
    drag.kind = CropDrag::Resize;
    drag.viewCrop = viewCrop();
    drag.knob = CropGeometry::cropKnobUnderPoint(p, drag.viewCrop);
    drag.previous = p;
    drag.lastReport = TickClock::tickCount();
}

void PhotoView::trackMove(Point p) {
    CropDrag& drag = *_cropDrag;
    if (p == drag.previous)
        return;
    const Rect moved = offsetRect(drag.viewCrop, p.x - drag.previous.x, p.y - drag.previous.y);
    drag.previous = p;
    drag.moved = true;
    if (moved == drag.viewCrop)
        return;
    redrawViewRect(drag.viewCrop, 8);
    drag.viewCrop = CropGeometry::pushRectInside(moved, _imageFrame);
    redrawViewRect(drag.viewCrop, 8);
    _cropRect = imageRectFromView(drag.viewCrop);
    drag.changed = true;
}

void PhotoView::trackResize(Point p) {
    CropDrag& drag = *_cropDrag;
    if (p == drag.previous || drag.knob == 0)
        return;
    redrawViewRect(drag.viewCrop, 4);
    const CropGeometry::ResizeStep step =
        CropGeometry::resizeCrop(drag.viewCrop, drag.knob, p, _constraintRatio, _imageFrame);
    drag.viewCrop = step.crop;
    drag.knob = step.knob;
    drag.previous = p;
    drag.moved = true;
    redrawViewRect(drag.viewCrop, 4);
    _cropRect = imageRectFromView(drag.viewCrop);
    drag.changed = true;
}

void PhotoView::endCropDrag() {
    const bool changed = _cropDrag && _cropDrag->changed;
    _cropDrag.reset();
    if (_rubberbandRect != kZeroRect) {
        redrawViewRect(_rubberbandRect, 1);
        _rubberbandRect = kZeroRect;
    }
    _inCropCreate = false;
    if (changed) {
        update();
        postCropNotification(kPVNewCropNofity);
    }
    resetCropCursor();
}

// ---------------------------------------------------------------------------
// Keys and cursors

void PhotoView::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    const bool arrow =
        key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down;
    if (editMode() == PhotoEditModeRedEye && arrow) {
        // Only over the photo; the keys never go on to another receiver.
        event->accept();
        redEyeKey(key);
        return;
    }
    if (editMode() == PhotoEditModeCaption) {
        if (!_myImage.isNull() && captionKey(event))
            event->accept();
        else
            event->ignore();
        return;
    }
    if (editMode() != PhotoEditModeCrop || !arrow) {
        event->ignore();
        return;
    }
    event->accept();
    if (_myImage.isNull())
        return;
    const float step = event->modifiers() & Qt::AltModifier ? 8 : 1;
    switch (key) {
    case Qt::Key_Left:
        nudgeCropByXByY(-step, 0);
        break;
    case Qt::Key_Right:
        nudgeCropByXByY(step, 0);
        break;
    case Qt::Key_Down:
        nudgeCropByXByY(0, -step);
        break;
    default:
        nudgeCropByXByY(0, step);
        break;
    }
}

void PhotoView::nudgeCropByXByY(float dx, float dy) {
    if (_cropRect == kZeroRect)
        return;
    const Rect old = viewCrop();
    const Rect moved = CropGeometry::pushRectInside(offsetRect(old, dx, dy), _imageFrame);
    // At the edge nothing moves and nothing is stored.
    if (moved == old)
        return;
    redrawViewRect(old, 4);
    redrawViewRect(moved, 4);
    _cropRect = imageRectFromView(moved);
    resetCropCursor();
    update();
    postCropNotification(kPVNewCropNofity);
}

QList<CropGeometry::CursorRect> PhotoView::cropCursorRects() const {
    if (_myImage.isNull() || _imageFrame.isEmpty())
        return {};
    Rect clip = bounds();
    if (const QWidget* parent = parentWidget()) {
        // The superview's bounds in this view's space.
        const QRect area(mapFromParent(QPoint(0, 0)), parent->size());
        const Point a = boundsPointFromWidget(area.topLeft());
        const Point b =
            boundsPointFromWidget(QPointF(area.x() + area.width(), area.y() + area.height()));
        clip = UTRectFromPoints(a, b);
    }
    return CropGeometry::cursorRects(_imageFrame, viewCrop(), _inCropCreate, clip);
}

void PhotoView::resetCropCursor() {
    resetCropCursorAt(boundsPointFromWidget(mapFromGlobal(QCursor::pos())));
}

void PhotoView::resetCropCursorAt(Point point) {
    if (editMode() != PhotoEditModeCrop) {
        unsetCursor();
        return;
    }
    const CropGeometry::Cursor kind = CropGeometry::cursorAtPoint(point, cropCursorRects());
    if (kind == CropGeometry::Cursor::None)
        unsetCursor();
    else
        setCursor(cropCursor(kind));
}

// ---------------------------------------------------------------------------
// Drawing

void PhotoView::drawCropHandles(const Rect& crop) {
    for (int knob = 1; knob <= 8; ++knob)
        drawHandleAtPoint(CropGeometry::knobPoint(crop, knob));
}

void PhotoView::drawHandleAtPoint(Point point) {
    GraphicsContext& context = *GraphicsContext::currentContext();
    const float half = kHandleSide / 2;
    const Rect mark = integralRect({point.x - half, point.y - half, kHandleSide, kHandleSide});
    context.setFillColor(controlDarkShadowColor());
    context.rectFill(mark);
    context.setFillColor(knobColor());
    context.rectFill(offsetRect(mark, -1, 1));
}
