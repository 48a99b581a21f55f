#include "layout/TemplateRenderer.h"

#include "framework/model/TMImageObject.h"
#include "framework/model/TMLabelText.h"
#include "framework/model/TMPhotoObject.h"
#include "framework/model/TMPrintAreaObject.h"
#include "framework/model/TMRenderPass.h"
#include "framework/model/TMShapeValues.h"
#include "framework/model/TMTextObject.h"
#include "framework/model/TemplateFileFormat.h"
#include "framework/model/TemplateImageSource.h"
#include "library/NewTemplateManager.h"
#include "platform/archiving/ArchivedValues.h"
#include "platform/archiving/Unarchiver.h"
#include "platform/documents/View.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/HostServices.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/graphics/Color.h"
#include "platform/graphics/Compositing.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/ImageFocus.h"
#include "utilities/GeometryUtilities.h"

#include <cmath>
#include <limits>

namespace {

QString key(const char* name) {
    return QString::fromLatin1(name);
}

template <class T> bool holds(const QVariant& value) {
    return value.metaType() == QMetaType::fromType<T>();
}

// Keys of the property-list generation's objects; lengths are inches.
constexpr char kKind[] = "kind";
constexpr char kSize[] = "size";
constexpr char kWidth[] = "width";
constexpr char kHeight[] = "height";
constexpr char kScale[] = "scale";
constexpr char kRatio[] = "ratio";
constexpr char kOrigin[] = "origin";
constexpr char kCenter[] = "center";
constexpr char kX[] = "x";
constexpr char kY[] = "y";
constexpr char kVector[] = "vector";
constexpr char kDX[] = "dX";
constexpr char kDY[] = "dY";
constexpr char kStartPt[] = "startPt";
constexpr char kEndPt[] = "endPt";
constexpr char kStroke[] = "stroke";
constexpr char kColor[] = "color";
constexpr char kFill[] = "fill";
constexpr char kFillColor[] = "fillColor";
constexpr char kFile[] = "file";
constexpr char kData[] = "data";
constexpr char kComposition[] = "composition";
constexpr char kOpacity[] = "opacity";
constexpr float kPointsPerInch = 72;
// The side of an older-generation object that states no size.
constexpr float kDefaultSide = 100;

// The older generation stamped 10.3's reading of a flipped picture's source
// rectangle into its photo cells; earlier systems read it unmirrored.
constexpr uint32_t kMirroredSourceSystem = 0x1030;

// Shades of the platform's control-highlight and grid colours.
QColor controlHighlightColor() {
    return Color::calibratedWhite(0.85f).toQColor();
}

QColor gridColor() {
    return Color::calibratedWhite(0.5f).toQColor();
}

QColor blackColor() {
    return Qt::black;
}

bool isFiniteRect(const Rect& r) {
    return std::isfinite(r.minX()) && std::isfinite(r.minY()) && std::isfinite(r.width()) &&
           std::isfinite(r.height());
}

double number(const QVariantMap& map, const char* name, double fallback) {
    const QVariant value = map.value(key(name));
    bool ok = false;
    const double n = value.toDouble(&ok);
    return value.isValid() && ok ? n : fallback;
}

bool flag(const QVariantMap& map, const char* name) {
    const QVariant value = map.value(key(name));
    return holds<bool>(value) ? value.toBool() : value.toLongLong() != 0;
}

std::optional<QVariantMap> dictionary(const QVariantMap& map, const char* name) {
    const QVariant value = map.value(key(name));
    if (!holds<QVariantMap>(value))
        return std::nullopt;
    return value.toMap();
}

// Inches to points.
Point pointIn(const QVariantMap& point, const char* xKey, const char* yKey) {
    return {float(number(point, xKey, 0) * kPointsPerInch),
            float(number(point, yKey, 0) * kPointsPerInch)};
}

// Older files keep images archived; some keep the image file's bytes.
Image imageFromData(const QVariant& data) {
    if (!holds<QByteArray>(data))
        return {};
    if (const std::optional<Image> image = Unarchiver::unarchiveValue<Image>(data.toByteArray()))
        if (!image->isNull())
            return *image;
    const QImage pixels = QImage::fromData(data.toByteArray());
    return pixels.isNull() ? Image() : Image(pixels);
}

QColor archivedColor(const QVariantMap& map, const char* name, const QColor& fallback) {
    const std::optional<Color> color = colorFromData(map.value(key(name)));
    return color ? color->toQColor() : fallback;
}

} // namespace

TemplateRendererView::~TemplateRendererView() = default;

TemplateRenderer::TemplateRenderer() {
    NotificationCenter::defaultCenter().addObserver(
        this, key(kTemplateChangedNotify), nullptr,
        [this](const Notification& notification) { templateChanged(notification); });
}

TemplateRenderer::~TemplateRenderer() {
    NotificationCenter::defaultCenter().removeObserver(this);
}

void TemplateRenderer::setTemplate(const TemplateHandleRef& handle) {
    _template = handle;
    _pageObjects.reset();
}

void TemplateRenderer::setRenderDPI(float dpi) {
    if (!std::isfinite(dpi))
        _renderDPI = 0;
    else if (dpi >= float(std::numeric_limits<int32_t>::max()))
        _renderDPI = std::numeric_limits<int32_t>::max();
    else if (dpi <= float(std::numeric_limits<int32_t>::min()))
        _renderDPI = std::numeric_limits<int32_t>::min();
    else
        _renderDPI = int32_t(dpi);
}

TemplatePageObjects& TemplateRenderer::pageObjects() {
    if (!_pageObjects)
        _pageObjects = _template ? _template->objectsOnPage(0) : TemplatePageObjects();
    return *_pageObjects;
}

void TemplateRenderer::templateChanged(const Notification& notification) {
    if (!_template || notification.object() != static_cast<const void*>(_template.get()))
        return;
    _pageObjects.reset();
    recache();
}

// ---------------------------------------------------------------------------
// Page geometry

std::optional<AffineTransform> TemplateRenderer::transformForRect(const Rect& rect) {
    if (!_template)
        return std::nullopt;
    const Rect page = _template->pageRect();
    // A page that was not read has no area: its scale would be infinite.
    if (page.isEmpty() || !isFiniteRect(page))
        return std::nullopt;
    AffineTransform transform;
    transform.translateXByYBy(rect.minX() - page.minX(), rect.minY() - page.minY());
    transform.scaleXByYBy(rect.width() / page.width(), rect.height() / page.height());
    return transform;
}

Size TemplateRenderer::calculateScaleInRect(const Rect& rect) {
    if (!transformForRect(rect))
        return Size{};
    const Rect page = _template->pageRect();
    return Size{rect.width() / page.width(), rect.height() / page.height()};
}

void TemplateRenderer::renderInRect(const Rect& rect) {
    if (!_template)
        return;
    _renderBounds = rect;
    const std::optional<AffineTransform> transform = transformForRect(rect);
    GraphicsContext* context = GraphicsContext::currentContext();
    if (!transform || !context)
        return;
    context->saveGraphicsState();
    context->concat(*transform);
    const int32_t family = _template->fileFormat() & kTemplateFormatFamilyMask;
    if (family == TemplateFormat1)
        render1xObjects();
    else if (family == TemplateFormat2)
        render2xObjects();
    context->restoreGraphicsState();
}

std::optional<QList<BezierPath>> TemplateRenderer::photoCellPathsInRect(const Rect& rect) {
    const std::optional<AffineTransform> transform = transformForRect(rect);
    if (!transform)
        return std::nullopt;
    const int32_t family = _template->fileFormat() & kTemplateFormatFamilyMask;
    QList<BezierPath> paths;
    if (family == TemplateFormat1)
        paths = photoCell1xPaths();
    else if (family == TemplateFormat2)
        paths = photoCell2xPaths();
    else
        return std::nullopt;
    for (BezierPath& path : paths)
        path.transformUsingAffineTransform(*transform);
    return paths;
}

QList<BezierPath> TemplateRenderer::photoCell1xPaths() {
    QList<BezierPath> paths;
    for (const QVariantMap& object : pageObjects().dictionaries)
        if (object.value(key(kKind)).toString() == QLatin1String("photo"))
            paths.append(BezierPath::bezierPathWithRect(get1xTemplateObjectRect(object)));
    return paths;
}

QList<BezierPath> TemplateRenderer::photoCell2xPaths() {
    QList<BezierPath> paths;
    for (const TMObjectRef& object : pageObjects().objects)
        if (std::dynamic_pointer_cast<TMPhotoObject>(object))
            paths.append(object->path());
    return paths;
}

void TemplateRenderer::recache() {
    for (const TMObjectRef& object : pageObjects().objects)
        object->recache();
}

void TemplateRenderer::recachePhotoCell(int32_t cell) {
    int32_t index = 0;
    for (const TMObjectRef& object : pageObjects().objects) {
        if (!std::dynamic_pointer_cast<TMPhotoObject>(object))
            continue;
        if (index++ == cell) {
            object->recache();
            return;
        }
    }
}

// ---------------------------------------------------------------------------
// Named images

Image TemplateRenderer::getTemplateImageFileByName(const QString& name) {
    if (name.isEmpty() || !_template)
        return {};
    const bool sourceFiles =
        (_template->fileFormat() & kTemplateFormatFamilyMask) == TemplateFormat2;
    for (const QVariant& item : _template->namedImages()) {
        const QVariantMap entry = item.toMap();
        if (entry.value(key(kNamedImageNameKey)).toString() != name)
            continue;
        Image image;
        if (sourceFiles && entry.contains(key(kNamedImageSourceDataKey))) {
            const QVariant source = entry.value(key(kNamedImageSourceDataKey));
            const QVariant bytes = holds<QByteArray>(source)
                                       ? Unarchiver::unarchiveObject(source.toByteArray())
                                       : QVariant();
            if (holds<QByteArray>(bytes))
                image = Image::fromFileData(bytes.toByteArray());
        } else {
            const QVariant data = entry.value(key(kNamedImageDataKey));
            if (holds<QByteArray>(data))
                if (const std::optional<Image> unarchived =
                        Unarchiver::unarchiveValue<Image>(data.toByteArray()))
                    image = *unarchived;
        }
        if (!image.isNull())
            return image;
    }
    return {};
}

// ---------------------------------------------------------------------------
// The binary generation

void TemplateRenderer::render2xObjects() {
    const QList<TMObjectRef> objects = pageObjects().objects;
    const TMRenderPass pass(objects,
                            TMRenderState{.destinationDPI = renderDPI(),
                                          .drawingThumbnail = _drawingThumbnailFlag,
                                          .renderingOffscreen = _offscreenFlag,
                                          .imageSource = _imageSource},
                            TMRenderPass::Renderings::Keep);
    for (const TMObjectRef& object : objects) {
        if (!object || !shouldDraw2xObject(*object))
            continue;
        if (const auto image = std::dynamic_pointer_cast<TMImageObject>(object);
            image && image->image().isNull())
            if (const Image named = getTemplateImageFileByName(image->sharedImageRef());
                !named.isNull())
                image->setImage(named);
        object->drawObject(false);
    }
}

bool TemplateRenderer::shouldDraw2xObject(const TMObject& object) {
    if (!dynamic_cast<const TMPrintAreaObject*>(&object))
        return true;
    if (auto* view = dynamic_cast<TemplateRendererView*>(View::focusView())) {
        if (_printToDiskFlag)
            return false;
        return !view->skipEmptyPrintAreas() || view->photoIntersectsRect(object.frame());
    }
    if (!_skipEmptyPrintAreas)
        return !_printToDiskFlag;
    return printAreaHoldsPhoto(object.frame());
}

bool TemplateRenderer::printAreaHoldsPhoto(const Rect& frame) {
    if (!_imageSource)
        return false;
    const QList<BezierPath> cells = photoCell2xPaths();
    for (qsizetype i = 0; i < cells.size(); ++i)
        if (intersectsRect(cells[i].bounds(), frame) &&
            !(_imageSource->naturalImageBoundsForCell(int32_t(i)) == kZeroRect))
            return true;
    return false;
}

// ---------------------------------------------------------------------------
// The property-list generation

bool TemplateRenderer::isDrawingToScreen() const {
    const GraphicsContext* context = GraphicsContext::currentContext();
    return context && context->isDrawingToScreen() && !_offscreenFlag;
}

Rect TemplateRenderer::get1xTemplateObjectRect(const QVariantMap& object) {
    const QString kind = object.value(key(kKind)).toString();
    if (kind == QLatin1String("line")) {
        const std::optional<QVariantMap> origin = dictionary(object, kOrigin);
        const Point start = origin ? pointIn(*origin, kX, kY) : Point{};
        const std::optional<QVariantMap> vector = dictionary(object, kVector);
        const Point delta = vector ? pointIn(*vector, kDX, kDY) : Point{kDefaultSide, kDefaultSide};
        return UTRectFromPoints(start, Point{start.x + delta.x, start.y + delta.y});
    }
    static const QStringList kBoxed{QStringLiteral("photo"), QStringLiteral("rectangle"),
                                    QStringLiteral("oval"), QStringLiteral("text"),
                                    QStringLiteral("image")};
    if (!kBoxed.contains(kind))
        return kZeroRect;

    Size size{kDefaultSide, kDefaultSide};
    if (const std::optional<QVariantMap> s = dictionary(object, kSize)) {
        size = {float(number(*s, kWidth, 0) * kPointsPerInch),
                float(number(*s, kHeight, 0) * kPointsPerInch)};
    } else if (const std::optional<QVariantMap> scale = dictionary(object, kScale)) {
        const float side = float(number(*scale, kRatio, 0) * kDefaultSide);
        size = {side, side};
    } else if (kind == QLatin1String("image")) {
        Image image;
        if (const QVariant file = object.value(key(kFile)); holds<QString>(file))
            image = TemplateHandle::applicationImageNamed(file.toString());
        else
            image = imageFromData(object.value(key(kData)));
        if (!image.isNull())
            size = image.size();
    }

    Point origin;
    if (const std::optional<QVariantMap> o = dictionary(object, kOrigin)) {
        origin = pointIn(*o, kX, kY);
    } else if (const std::optional<QVariantMap> c = dictionary(object, kCenter)) {
        const Point center = pointIn(*c, kX, kY);
        origin = {center.x - size.width / 2, center.y - size.height / 2};
    }
    return Rect(origin, size);
}

void TemplateRenderer::render1xObjects() {
    _photoCellNumber = 0;
    _editFieldNumber = 0;
    for (QVariantMap& object : pageObjects().dictionaries) {
        const QString kind = object.value(key(kKind)).toString();
        if (kind == QLatin1String("photo")) {
            render1xPhotoObject(object);
            ++_photoCellNumber;
            continue;
        }
        const Rect rect = get1xTemplateObjectRect(object);
        if (rect == kZeroRect)
            continue;
        if (kind == QLatin1String("rectangle"))
            render1xShape(object, rect, false);
        else if (kind == QLatin1String("oval"))
            render1xShape(object, rect, true);
        else if (kind == QLatin1String("image"))
            render1xImage(object, rect);
        else if (kind == QLatin1String("text"))
            render1xText(object);
        else if (kind == QLatin1String("line"))
            render1xLine(object);
    }
}

void TemplateRenderer::render1xShape(const QVariantMap& object, const Rect& rect, bool oval) {
    GraphicsContext* context = GraphicsContext::currentContext();
    BezierPath path =
        oval ? BezierPath::bezierPathWithOvalInRect(rect) : BezierPath::bezierPathWithRect(rect);
    path.setLineWidth(float(number(object, kStroke, 1.0)));
    if (flag(object, kFill)) {
        context->setFillColor(archivedColor(object, kFillColor, Qt::white));
        context->fillPath(path);
    }
    context->setStrokeColor(archivedColor(object, kColor, blackColor()));
    context->strokePath(path);
    context->setColor(blackColor());
}

void TemplateRenderer::render1xLine(const QVariantMap& object) {
    GraphicsContext* context = GraphicsContext::currentContext();
    const std::optional<QVariantMap> start = dictionary(object, kStartPt);
    const std::optional<QVariantMap> end = dictionary(object, kEndPt);
    BezierPath path;
    path.moveToPoint(start ? pointIn(*start, kX, kY) : Point{});
    path.lineToPoint(end ? pointIn(*end, kX, kY) : Point{});
    path.setLineWidth(float(number(object, kStroke, 1.0)));
    context->setStrokeColor(archivedColor(object, kColor, blackColor()));
    context->strokePath(path);
    context->setColor(blackColor());
}

void TemplateRenderer::render1xText(const QVariantMap& object) {
    const TMTextObjectRef text = TMTextObject::newTemplateObjectWithRepresentation(object);
    if (!text)
        return;
    if (text->isEditableTextObject())
        text->setEditableTextNumber(++_editFieldNumber);
    {
        const TMRenderPass pass({text},
                                TMRenderState{.destinationDPI = renderDPI(),
                                              .drawingThumbnail = _drawingThumbnailFlag,
                                              .renderingOffscreen = _offscreenFlag,
                                              .imageSource = _imageSource},
                                TMRenderPass::Renderings::Keep);
        text->drawObject(false);
    }
    GraphicsContext::currentContext()->setColor(blackColor());
}

void TemplateRenderer::render1xImage(QVariantMap& object, const Rect& rect) {
    GraphicsContext* context = GraphicsContext::currentContext();
    const bool toScreen = isDrawingToScreen();
    Image image;
    if (toScreen && holds<Image>(object.value(key(kScaledImageKey)))) {
        image = object.value(key(kScaledImageKey)).value<Image>();
    } else {
        if (const QVariant kept = object.value(key(kUnarchivedImageKey)); holds<Image>(kept)) {
            image = kept.value<Image>();
        } else if (const QVariant file = object.value(key(kFile)); holds<QString>(file)) {
            // Older files name images of their own or of the application's resources.
            image = getTemplateImageFileByName(file.toString());
            if (image.isNull())
                image = TemplateHandle::applicationImageNamed(file.toString());
        } else {
            image = imageFromData(object.value(key(kData)));
        }
        if (image.isNull()) {
            context->frameRect(rect);
            context->setColor(blackColor());
            return;
        }
        object.insert(key(kUnarchivedImageKey), QVariant::fromValue(image));
        if (toScreen) {
            // For the screen's next drawings: a copy at the object's size.
            Image scaled;
            scaled.setSize(rect.size);
            {
                ImageFocus focus(scaled);
                if (focus.context())
                    image.drawInRectFromRectOperationFraction(Rect(Point{}, rect.size), kZeroRect,
                                                              CompositingOperation::SourceOver, 1);
            }
            if (!scaled.isNull())
                object.insert(key(kScaledImageKey), QVariant::fromValue(scaled));
        }
    }
    const auto operation = Compositing::operationFromInt(
        int(number(object, kComposition, double(CompositingOperation::SourceOver))));
    image.drawInRectFromRectOperationFraction(rect, kZeroRect, operation,
                                              float(number(object, kOpacity, 1.0)));
    context->setColor(blackColor());
}

void TemplateRenderer::render1xPhotoObject(const QVariantMap& object) {
    const Rect cell = get1xTemplateObjectRect(object);
    if (cell == kZeroRect)
        return;
    GraphicsContext* context = GraphicsContext::currentContext();
    const int32_t c = _photoCellNumber;
    Image photo;
    if (_imageSource)
        photo = isDrawingToScreen() ? _imageSource->imageForCell(c)
                                    : _imageSource->hiresImageForCell(c);
    if (photo.isNull()) {
        render1xEmptyCell(cell, c);
        return;
    }
    const Rect crop = _imageSource->cropRectForCell(c);
    const Rect natural = _imageSource->naturalImageBoundsForCell(c);
    const int32_t mode = _imageSource->scalingModeForCell(c);
    const Point offset = _imageSource->offsetForCell(c);

    const Rect bounds(Point{}, photo.size());
    const Rect src = crop == kZeroRect ? bounds : UTMapRect(natural, bounds, crop);
    if (src.isEmpty() || !isFiniteRect(src) || cell.isEmpty()) {
        context->setColor(blackColor());
        return;
    }

    Rect destination = cell;
    Rect visible = src;
    if (mode == ScalingModeFill) {
        const float h1 = src.height() / src.width() * cell.width();
        const float w1 = src.width() / src.height() * cell.height();
        Size cover;
        if (h1 < cell.height())
            cover = {w1, cell.height()};
        else if (w1 < cell.width())
            cover = {cell.width(), h1};
        else if ((w1 - cell.width()) * cell.height() > (h1 - cell.height()) * cell.width())
            cover = {cell.width(), h1};
        else
            cover = {w1, cell.height()};
        visible = UTCenterRectInRect(UTMapRect(Rect(cell.origin, cover), src, cell), src);
        if (!(offset == kZeroPoint) && !natural.isEmpty()) {
            const Point p = UTMapPoint(natural, bounds, offset);
            const Rect moved = offsetRect(visible, -p.x, -p.y);
            visible = UTBindRectInRect(moved, src);
            if (!(visible.origin == moved.origin)) {
                // An offset never pushes the photo past its edge: the one shown goes back.
                const Point shown{p.x + moved.minX() - visible.minX(),
                                  p.y + moved.minY() - visible.minY()};
                _imageSource->keepDrawnOffsetForCell(UTMapPoint(bounds, natural, shown), c);
            }
        }
    } else if (mode == ScalingModeFit) {
        destination =
            UTCenterRectInRect(Rect(cell.origin, UTScaleSizeToFit(src.size, cell.size)), cell);
    }

    HostServices* host = HostServices::current();
    if (!host || host->osSystemVersion() >= kMirroredSourceSystem)
        visible.origin.y = bounds.height() - (visible.minY() + visible.height());
    photo.setFlipped(_template->flipped());
    context->drawImage(photo, destination, visible, CompositingOperation::SourceAtop, 1);
    context->setColor(blackColor());
}

void TemplateRenderer::render1xEmptyCell(const Rect& cell, int32_t cellIndex) {
    GraphicsContext* context = GraphicsContext::currentContext();
    if (isDrawingToScreen()) {
        context->setFillColor(controlHighlightColor());
        context->rectFill(cell);
        const QString label =
            stringWithFormat(localizedString(key(kCellNumberLabelKey)), cellIndex + 1);
        TMLabelText::drawInRect(label, cell, gridColor());
    }
    context->setColor(blackColor());
}
