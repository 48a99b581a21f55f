#include "photoview/PhotoView.h"

#include "catalog/Importer.h"
#include "catalog/VQFileCatalog.h"
#include "catalog/VQFileCatalogScrollView.h"
#include "catalog/VQFileCatalogView.h"
#include "documents/RoduvudeDadevizi.h"
#include "documents/ZaroziveZodiroVirizidivi.h"
#include "layout/TemplateMapper.h"
#include "library/NewTemplateManager.h"
#include "photoview/CropController.h"
#include "platform/documents/WindowController.h"
#include "platform/foundation/HostServices.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/PreferenceIndex.h"
#include "platform/graphics/BezierPath.h"
#include "platform/graphics/Font.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/ui/DraggingInfo.h"
#include "platform/ui/Pasteboard.h"
#include "utilities/GeometryUtilities.h"

#include <QApplication>
#include <QDrag>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <algorithm>
#include <cmath>

namespace {

QString qs(const char* text) {
    return QString::fromLatin1(text);
}

// The actions that reach the window controller through the panel.
constexpr const char* kForwardedActions[] = {
    "rotateImageRight:", "rotateImageLeft:", "flipImage:",     "removeFiles:",   "renameFiles:",
    "saveBack:",         "firstSelection:",  "prevSelection:", "nextSelection:", "lastSelection:",
    "markSelection:",    "unmarkSelection:", "locateEntry:",   "refreshPhoto:",  "showPhotoInfo:",
    "adjustImage:",      "exportSelection:", "printToDisk:",   "printToEmail:",
};

bool isForwarded(const QString& action) {
    return std::any_of(std::begin(kForwardedActions), std::end(kForwardedActions),
                       [&action](const char* known) { return action == QLatin1String(known); });
}

QColor gridColor() {
    return QColor(204, 204, 204);
}

QColor selectedTextBackgroundColor() {
    return QApplication::palette().color(QPalette::Highlight);
}

bool gCalculatingLayout = false;

constexpr char kToggleCropModeAction[] = "toggleCropMode:";
constexpr char kToggleRedEyeModeAction[] = "toggleRedEyeMode:";
constexpr char kToggleCaptionModeAction[] = "toggleCaptionMode:";

bool isEmptyRect(const Rect& r) {
    return !(r.width() > 0) || !(r.height() > 0);
}

} // namespace

PhotoView::PhotoView(QWidget* parent) : View(parent) {
    registerForDraggedTypes({qs(kDragDropInstalledTemplatePboardType)});
    NotificationCenter& center = NotificationCenter::defaultCenter();
    const auto changed = [this](const Notification& n) { fileCatalogSelectionChanged(n); };
    for (const char* name :
         {kVQFileCatalogSelectionChangedNotify, kVQFileCatalogPropertyChangedNotify,
          kVQFileCatalogPhotoVisiblyChangedNotify})
        center.addObserver(this, qs(name), nullptr, changed);
    observeCropPanel();
    observeRedEye();
    observeCaptions();
    _redEyeDiameter = std::clamp(host().preferencesIntFor(PrefRedEyeAperture), kSmallestAperture,
                                 kLargestAperture);
}

PhotoView::~PhotoView() {
    NotificationCenter::defaultCenter().removeObserver(this);
    unregisterDraggedTypes();
}

void PhotoView::setDocument(RoduvudeDadevizi* document) {
    _document = document;
}

RoduvudeDadevizi* PhotoView::document() const {
    return _document;
}

std::shared_ptr<TemplateMapper> PhotoView::mapper() const {
    return _document ? _document->templateMapper() : nullptr;
}

ZaroziveZodiroVirizidivi* PhotoView::windowController() const {
    return qobject_cast<ZaroziveZodiroVirizidivi*>(WindowController::forWindow(window()));
}

int PhotoView::editMode() const {
    const ZaroziveZodiroVirizidivi* controller = windowController();
    return controller ? controller->editMode() : 0;
}

void PhotoView::setEditMode(int mode) {
    if (mode != PhotoEditModeCrop) {
        _cropDrag.reset();
        _inCropCreate = false;
        _rubberbandRect = kZeroRect;
    }
    if (mode != PhotoEditModeCaption) {
        endCaptionDrag();
        if (editMode() != PhotoEditModeCrop)
            unsetCursor();
    }
    if (_mouseInsidePhoto)
        redEyeMouseExited();
    _mouseInsidePhoto = false;
    // Hover moves set the crop cursors and follow the red-eye aperture.
    setMouseTracking(mode != PhotoEditModeNone);
    resetCropCursor();
    update();
}

void PhotoView::toggleEditMode(int mode, void (PhotoView::*showPanel)(),
                               void (PhotoView::*closePanel)()) {
    ZaroziveZodiroVirizidivi* controller = windowController();
    if (!controller)
        return;
    if (controller->editMode() == mode) {
        (this->*closePanel)();
        controller->setEditMode(PhotoEditModeNone);
        return;
    }
    if (const std::optional<int> index = singleSelection()) {
        VQFileCatalog& catalog = _document->fileCatalog();
        setPhotoImage(catalog.getFileImageAtIndex(*index));
        setPhotoImageSize(catalog.getFileImageSizeAtIndex(*index));
    }
    (this->*showPanel)();
    controller->setEditMode(mode);
}

QPoint PhotoView::modePanelOrigin() const {
    const QRect frame = window()->frameGeometry();
    return {frame.x() + kCropPanelOffsetX, frame.y() + frame.height() - kCropPanelOffsetY};
}

void PhotoView::adjustToolbarButtons() {
    const QString crop = CatalogToolbar::itemIdentifier(_toolbarDelegate.kind(), "crop");
    if (_toolbarDelegate.findToolbarItemWithIdentifier(crop)) {
        if (editMode() == PhotoEditModeCrop)
            showCropPanel();
        else
            closeCropPanel();
    }
    const QString redEye = CatalogToolbar::itemIdentifier(_toolbarDelegate.kind(), "redeyereduce");
    if (_toolbarDelegate.findToolbarItemWithIdentifier(redEye)) {
        if (editMode() == PhotoEditModeRedEye)
            showRedEyePanel();
        else
            closeRedEyePanel();
    }
    const QString balloon = CatalogToolbar::itemIdentifier(_toolbarDelegate.kind(), "balloonMode");
    if (_toolbarDelegate.findToolbarItemWithIdentifier(balloon)) {
        if (editMode() == PhotoEditModeCaption)
            showCaptionPanel();
        else
            closeCaptionPanel();
    }
    _toolbarDelegate.adjustToolbarButtons();
}

// ---------------------------------------------------------------------------
// The shown photo

bool PhotoView::isOwnCatalog(const Notification& notification) const {
    return _document && notification.object() == &_document->fileCatalog();
}

void PhotoView::fileCatalogSelectionChanged(const Notification& notification) {
    if (!isOwnCatalog(notification))
        return;
    if (isVisible()) {
        fetchSelectedImage();
        update();
    } else {
        // Shown again with the next draw.
        setPhotoImage(Image());
        _needsRefetch = true;
    }
}

void PhotoView::fetchSelectedImage() {
    if (!_document)
        return;
    VQFileCatalog& catalog = _document->fileCatalog();
    const QList<int> selected = catalog.getSelectedIndices();
    if (selected.size() != 1) {
        setMultiSelection(!selected.isEmpty());
        setPhotoImage(Image());
        calculateLayout();
        return;
    }
    const int index = selected.first();
    WaitMonitorScope waiting;
    const QVariant serial = catalog.getSerialNumberAtIndex(index);
    const Rect crop = catalog.getFileImageCropAtIndex(index);
    const QVariantList redEyes = catalog.getFileImageRedEyeAtIndex(index);
    const QVariantList captions = catalog.getFileImageCaptionsAtIndex(index);

    if (!_needsRefetch && !catalog.fileImageLoadedAtIndex(index) && serial != _imageSerialNumber &&
        catalog.getFileImageDataSizeAtIndex(index).toLongLong() > kLoadingMessageBytes &&
        !Importer::isGWorldCached(catalog.getFilePathAtIndex(index))) {
        _loadingImageFlag = true;
        repaint();
    }
    setPhotoImage(catalog.getFileImageAtIndex(index));
    _loadingImageFlag = false;
    setPhotoImageSize(catalog.getFileImageSizeAtIndex(index));
    setPhotoSerialNumber(serial);
    setCropRect(crop);
    _cropConstraintTag = catalog.getFileAttributeAtIndex(kCatalogAttrCropConstraint, index).toInt();
    _constraintRatio = catalog.getFileAttributeAtIndex(kCatalogAttrCropRatio, index).toFloat();
    _redEyeArray = redEyes;
    QList<TMObjectRef> objects;
    for (const QVariant& item : captions)
        if (TMObjectRef caption = item.value<TMObjectRef>())
            objects.append(caption);
    setCaptions(objects);
    CropController::sharedCropController()->selectPresetByName(
        catalog.getFileAttributeAtIndex(kCatalogAttrCropPreset, index).toString());
    calculateLayout();
}

void PhotoView::setPhotoImage(const Image& image) {
    const Rect parent = parentFrame();
    const bool changed = !(image == _myImage);
    if (changed) {
        _myImage = image;
        if (image.isNull()) {
            _imageScale = 1;
            _imageFrame = kZeroRect;
        } else {
            setMultiSelection(false);
        }
    }
    if (!_myImage.isNull()) {
        const Size size = _myImage.size();
        float scale = 1;
        while (size.width * scale > kFitFraction * parent.width() ||
               size.height * scale > kFitFraction * parent.height()) {
            scale -= kScaleStep;
            if (scale <= 0)
                break;
        }
        const Rect frame =
            scale > 0 ? integralRect({0, 0, size.width * scale, size.height * scale}) : kZeroRect;
        if (!changed && scale == _imageScale && frame.size == _imageFrame.size)
            return;
        _imageScale = scale;
        _imageFrame = UTCenterRectInRect(frame, bounds());
    }
    calculateLayout();
    update();
}

void PhotoView::setPhotoImageSize(Size size) {
    _imageNaturalBounds = {0, 0, size.width, size.height};
}

Rect PhotoView::parentFrame() {
    if (const QWidget* parent = parentWidget()) {
        const QRect g = parent->geometry();
        _parentFrame = {float(g.x()), float(g.y()), float(g.width()), float(g.height())};
    }
    return _parentFrame;
}

Rect PhotoView::imageRect() const {
    return _myImage.isNull() ? kZeroRect : _imageNaturalBounds;
}

void PhotoView::setCropRect(const Rect& crop) {
    const Rect image = imageRect();
    _cropRect =
        crop != kZeroRect && !image.isEmpty() ? CropGeometry::pushRectInside(crop, image) : crop;
    resetCropCursor();
    update();
}

void PhotoView::setCaptions(const QList<TMObjectRef>& captions) {
    _captions = captions;
    update();
}

void PhotoView::calculateLayout() {
    // One guard for every panel: setPhotoImage comes back here.
    if (gCalculatingLayout)
        return;
    gCalculatingLayout = true;
    if (!_myImage.isNull()) {
        setPhotoImage(_myImage);
        const Rect b = bounds();
        const Rect f = frame();
        const Rect area{b.minX(), b.minY(), std::max(b.width(), f.width()),
                        std::max(b.height(), f.height())};
        const Rect centred = UTCenterRectInRect({kZeroPoint, _imageFrame.size}, area);
        if (centred != _imageFrame) {
            _imageFrame = centred;
            update();
        }
    } else {
        _imageFrame = kZeroRect;
    }
    gCalculatingLayout = false;
}

void PhotoView::resizeEvent(QResizeEvent* event) {
    View::resizeEvent(event);
    calculateLayout();
}

// ---------------------------------------------------------------------------
// Drawing

void PhotoView::drawRect(const Rect& dirtyRect) {
    GraphicsContext* context = GraphicsContext::currentContext();
    if (!context)
        return;
    if (_needsRefetch) {
        fetchSelectedImage();
        _needsRefetch = false;
    }
    context->setFillColor(QApplication::palette().color(QPalette::Window));
    context->rectFill(bounds());
    if (_multiSelectFlag)
        drawEmptyMessage(localizedString(qs(kMultiSelectionKey)));
    else if (_loadingImageFlag)
        drawEmptyMessage(localizedString(qs(kLoadingImageKey)));
    else if (_myImage.isNull())
        drawEmptyMessage(localizedString(qs(kNoSelectionKey)));

    const bool cropMode = editMode() == PhotoEditModeCrop;
    if (!_myImage.isNull() && !_loadingImageFlag && !isEmptyRect(_imageFrame))
        drawPhoto();
    if (_rubberbandRect != kZeroRect)
        drawRubberband(_rubberbandRect);
    if (_hotSpotRect != kZeroRect)
        drawRubberband(_hotSpotRect);
    if (!_loadingImageFlag) {
        if (!_myImage.isNull() && !_captions.isEmpty() && editMode() != PhotoEditModeRedEye)
            drawCaptions(dirtyRect);
        if (_cropRect != kZeroRect && !isEmptyRect(_imageFrame) && !_myImage.isNull()) {
            const Rect crop = viewCrop();
            context->setFillColor(Qt::white);
            context->frameRect(crop);
            if (cropMode)
                drawCropHandles(crop);
        }
    }
    context->setFillColor(Qt::gray);
    context->frameRect(bounds());
    if (dragHilight()) {
        context->setFillColor(selectedTextBackgroundColor());
        context->frameRect(insetRect(bounds(), 1, 1), 3);
    }
}

void PhotoView::drawRubberband(const Rect& rect) {
    GraphicsContext& context = *GraphicsContext::currentContext();
    context.setFillColor(Qt::white);
    context.frameRect(offsetRect(rect, 1, -1));
    context.setFillColor(Qt::darkGray);
    context.frameRect(rect);
}

void PhotoView::drawPhoto() {
    GraphicsContext& context = *GraphicsContext::currentContext();
    context.saveGraphicsState();
    const Rect f = _imageFrame;
    BezierPath shadow =
        BezierPath::bezierPathWithRect({f.minX() + 2, f.minY() - 2, f.width(), f.height() - 15});
    shadow.setLineJoinStyle(LineJoinStyle::Round);
    context.setStrokeColor(QColor(0, 0, 0, int(std::lround(0.075 * 255))));
    for (float width : {0.f, 4.f, 8.f, 12.f, 16.f}) {
        shadow.setLineWidth(width);
        context.strokePath(shadow);
    }
    context.setFillColor(Qt::white);
    context.rectFill(f);
    const Image& shown = fittedImage();
    if (_cropRect != kZeroRect) {
        const Rect crop = viewCrop();
        context.drawImage(shown, f, kZeroRect, CompositingOperation::SourceOver, 0.4f);
        if (editMode() == PhotoEditModeCrop)
            drawCropHandles(crop);
        context.rectClip(crop);
    }
    context.drawImage(shown, f, kZeroRect, CompositingOperation::SourceOver, 1);
    context.restoreGraphicsState();
    context.setFillColor(Qt::black);
    context.frameRect(f);
}

const Image& PhotoView::fittedImage() {
    const qreal ratio = devicePixelRatioF();
    const QSize pixels(int(std::lround(_imageFrame.width() * ratio)),
                       int(std::lround(_imageFrame.height() * ratio)));
    const QSize own = _myImage.pixelSize();
    if (pixels.width() >= own.width() || pixels.height() >= own.height() || pixels.isEmpty())
        return _myImage;
    const qint64 key = _myImage.pixels().cacheKey();
    if (_fittedFrom != key || _fittedImage.pixelSize() != pixels) {
        _fittedImage = _myImage;
        _fittedImage.setPixels(
            _myImage.pixels().scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        _fittedFrom = key;
    }
    return _fittedImage;
}

void PhotoView::drawCaptions(const Rect& dirtyRect) {
    const Rect natural = _imageNaturalBounds;
    if (isEmptyRect(natural) || isEmptyRect(_imageFrame))
        return;
    GraphicsContext& context = *GraphicsContext::currentContext();
    context.saveGraphicsState();
    context.rectClip(_imageFrame);
    AffineTransform onto;
    onto.translateXByYBy(_imageFrame.minX() - natural.minX(), _imageFrame.minY() - natural.minY());
    onto.scaleXByYBy(_imageFrame.width() / natural.width(),
                     _imageFrame.height() / natural.height());
    context.concat(onto);
    const bool captionMode = editMode() == PhotoEditModeCaption;
    for (const TMObjectRef& caption : _captions) {
        if (!intersectsRect(UTMapRect(natural, _imageFrame, caption->visibleFrame()), dirtyRect))
            continue;
        caption->setZoomFactor(natural.width() / _imageFrame.width());
        caption->setLastDrawnInView(this);
        caption->drawObject(captionMode);
        caption->setLastDrawnInView(nullptr);
    }
    context.restoreGraphicsState();
}

void PhotoView::drawEmptyMessage(const QString& text) {
    GraphicsContext& context = *GraphicsContext::currentContext();
    const Rect b = bounds();
    const Rect band{b.minX(), b.minY() + (b.height() - 30) / 2, b.width(), 30};
    const QFont font = Font::systemFontOfSize(24).toQFont();
    context.drawWithPainter(band, [&](QPainter& painter) {
        // Text reads downward: turn the upward user space over inside the band.
        painter.translate(band.minX(), band.maxY());
        painter.scale(1, -1);
        painter.setFont(font);
        painter.setPen(gridColor());
        painter.drawText(QRectF(0, 0, band.width(), band.height()), Qt::AlignCenter, text);
    });
}

// ---------------------------------------------------------------------------
// Mouse: a press on the photo drags it out

void PhotoView::mousePressEvent(QMouseEvent* event) {
    _pressPoint.reset();
    if (event->button() != Qt::LeftButton)
        return;
    const Point point = boundsPointFromWidget(event->position());
    if (editMode() == PhotoEditModeRedEye) {
        // A press shows where the pointer is, whatever moves were seen before.
        redEyeTrack(point);
        if (pointInRect(point, _imageFrame))
            redEyeSelect(point, event->button(), event->modifiers());
        return;
    }
    if (editMode() == PhotoEditModeCaption) {
        if (!_myImage.isNull() && pointInRect(point, _imageFrame) && !_captionDrag)
            testCaptionSelection(point, event->modifiers(), 1);
        return;
    }
    if (editMode() == PhotoEditModeCrop) {
        if (!_myImage.isNull() && !_imageFrame.isEmpty())
            cropMouseDown(point);
        return;
    }
    if (!pointInRect(point, _imageFrame))
        return;
    if (editMode() == PhotoEditModeNone)
        _pressPoint = point;
}

void PhotoView::mouseMoveEvent(QMouseEvent* event) {
    if (_cropDrag) {
        cropDragTo(boundsPointFromWidget(event->position()), false);
        return;
    }
    if (_captionDrag) {
        captionDragTo(boundsPointFromWidget(event->position()), false);
        return;
    }
    if (editMode() == PhotoEditModeCaption) {
        updateCaptionCursorAt(boundsPointFromWidget(event->position()));
        return;
    }
    if (editMode() == PhotoEditModeRedEye) {
        redEyeTrack(boundsPointFromWidget(event->position()));
        return;
    }
    if (editMode() == PhotoEditModeCrop && !(event->buttons() & Qt::LeftButton)) {
        resetCropCursorAt(boundsPointFromWidget(event->position()));
        return;
    }
    if (!_pressPoint)
        return;
    const Point point = boundsPointFromWidget(event->position());
    if (std::abs(point.x - _pressPoint->x) > kDragStartDistance ||
        std::abs(point.y - _pressPoint->y) > kDragStartDistance) {
        _pressPoint.reset();
        dragPhoto(point);
    }
}

void PhotoView::mouseReleaseEvent(QMouseEvent* event) {
    _pressPoint.reset();
    if (_cropDrag && event->button() == Qt::LeftButton)
        cropDragTo(boundsPointFromWidget(event->position()), true);
    if (_captionDrag && event->button() == Qt::LeftButton)
        captionDragTo(boundsPointFromWidget(event->position()), true);
}

void PhotoView::dragPhoto(Point current) {
    ZaroziveZodiroVirizidivi* controller = windowController();
    if (!controller || !_document || _myImage.isNull())
        return;
    const std::optional<QList<int>> selection = controller->getSelection();
    if (!selection)
        return;
    VQFileCatalog& catalog = _document->fileCatalog();
    const QVariantList items{QVariantMap{{qs(kVQSelectionCatalogKey), catalog.description()},
                                         {qs(kVQSelectionIndexKey), selection->first()}}};
    // The grid is the drag's source: it decides what a drop may do.
    VQFileCatalogScrollView* scroll = controller->fileCatalogScrollView();
    QObject* source = scroll ? static_cast<QObject*>(scroll->fileCatalogView()) : this;
    auto* data = new PasteboardData(source);
    Pasteboard::setPropertyListForType(*data, items, qs(kVQFileCatalogSelectionPboardType));
    data->declareType(qs(TIFFPboardType), [self = QPointer<PhotoView>(this)] {
        return self ? self->draggedTIFF() : QByteArray();
    });

    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    const QRectF shown = widgetRectFromBounds(_imageFrame);
    QPixmap picture(shown.size().toSize());
    picture.fill(Qt::transparent);
    {
        QPainter painter(&picture);
        painter.setOpacity(0.5);
        painter.drawImage(picture.rect(), _myImage.toQImage());
    }
    drag->setPixmap(picture);
    const QPointF pointer = widgetRectFromBounds({current, kZeroSize}).topLeft();
    drag->setHotSpot((pointer - shown.topLeft()).toPoint());
    DragSession::runDrag(*drag, Qt::CopyAction | Qt::MoveAction, Qt::MoveAction);
    drag->deleteLater();
}

QByteArray PhotoView::draggedTIFF() const {
    if (!_document)
        return {};
    return _document->fileCatalog().selectionTIFFData();
}

// ---------------------------------------------------------------------------
// Drop of an installed template

bool PhotoView::canIHandleDrag(const DraggingInfo& info) {
    return info.draggingPasteboard().hasType(qs(kDragDropInstalledTemplatePboardType));
}

void PhotoView::concludeDragOperation(const DraggingInfo& info) {
    const QVariant id =
        info.draggingPasteboard().propertyListForType(qs(kDragDropInstalledTemplatePboardType));
    if (!_document || !id.isValid())
        return;
    if (!_document->setMasterTemplateWithID(id.toString()))
        return;
    window()->raise();
    window()->activateWindow();
    if (ZaroziveZodiroVirizidivi* controller = windowController())
        controller->switchView(ZaroziveZodiroVirizidivi::LayoutPanel);
}

// ---------------------------------------------------------------------------
// Actions

bool PhotoView::respondsToAction(const QString& action) const {
    if (action == QLatin1String(kToggleCropModeAction) ||
        action == QLatin1String(kToggleRedEyeModeAction) ||
        action == QLatin1String(kToggleCaptionModeAction))
        return true;
    return isForwarded(action) && Commands::objectRespondsToAction(windowController(), action);
}

bool PhotoView::validateMenuItem(QAction& item) {
    ZaroziveZodiroVirizidivi* controller = windowController();
    return controller && controller->validateMenuItem(item);
}

void PhotoView::performAction(const QString& action, QAction* sender) {
    if (action == QLatin1String(kToggleCropModeAction))
        toggleCropMode();
    else if (action == QLatin1String(kToggleRedEyeModeAction))
        toggleRedEyeMode();
    else if (action == QLatin1String(kToggleCaptionModeAction))
        toggleCaptionMode();
    else if (isForwarded(action))
        Commands::sendActionToObject(windowController(), action, sender);
}
