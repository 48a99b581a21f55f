#pragma once

#include "library/TemplateHandle.h"
#include "platform/foundation/Geometry.h"
#include "platform/graphics/AffineTransform.h"
#include "platform/graphics/BezierPath.h"
#include "platform/graphics/Image.h"

#include <QList>
#include <QString>
#include <QVariantMap>
#include <cstdint>
#include <optional>

class Notification;
class TemplateImageSource;

// Localization key of the label of an empty cell of the older generation: a
// format taking the cell's number, counted from 1.
inline constexpr char kCellNumberLabelKey[] = "CELL_NUM";

// Keys of the decoded images the renderer keeps in an older-generation image
// object's dictionary.
inline constexpr char kUnarchivedImageKey[] = "unarchived_image";
inline constexpr char kScaledImageKey[] = "scaled_image";

// The layout view as the renderer sees it when that view has the drawing
// focus: print areas then follow the view's own settings.
class TemplateRendererView {
public:
    virtual ~TemplateRendererView();
    virtual bool skipEmptyPrintAreas() const = 0;
    // The rectangle is in the view's coordinates.
    virtual bool photoIntersectsRect(const Rect& rect) = 0;
};

// Draws the page of one template into a rectangle of the current graphics
// context, filled from an image source. Every drawing of a template page goes
// through one: the layout view, print and print-to-disk pages, thumbnails.
//
// The page is scaled into the rectangle, x and y apart: page point p lands on
// rect.origin + (p - page.origin) * (rect.size / page.size). A page without
// area draws nothing and scales by (0, 0).
//
// The renderer keeps its own copy of the page's objects, so that objects that
// cache decoded images keep them between drawings; the copy is made again
// when the template is set or its file changes. For the binary generation the
// framework's objects draw themselves with the renderer's settings; the
// property-list generation's dictionaries are drawn here.
class TemplateRenderer {
public:
    // Follows changes of template files.
    TemplateRenderer();
    ~TemplateRenderer();
    TemplateRenderer(const TemplateRenderer&) = delete;
    TemplateRenderer& operator=(const TemplateRenderer&) = delete;

    const TemplateHandleRef& templateHandle() const { return _template; }
    // Drops the page-object copy.
    void setTemplate(const TemplateHandleRef& handle);
    // Not owned; null draws the bare template.
    TemplateImageSource* imageSource() const { return _imageSource; }
    void setImageSource(TemplateImageSource* source) { _imageSource = source; }

    bool isRenderingOffscreen() const { return _offscreenFlag; }
    void setIsRenderingOffscreen(bool offscreen) { _offscreenFlag = offscreen; }
    bool drawingThumbnail() const { return _drawingThumbnailFlag; }
    void setDrawingThumbnail(bool thumbnail) { _drawingThumbnailFlag = thumbnail; }
    // Print areas are not drawn on print-to-disk pages, unless they hold a
    // photo while empty ones are skipped.
    bool isPrintingToDisk() const { return _printToDiskFlag; }
    void setIsPrintingToDisk(bool printingToDisk) { _printToDiskFlag = printingToDisk; }
    // Kept as a whole number: the value set is truncated.
    float renderDPI() const { return float(_renderDPI); }
    void setRenderDPI(float dpi);
    bool skipEmptyPrintAreas() const { return _skipEmptyPrintAreas; }
    void setSkipEmptyPrintAreas(bool skip) { _skipEmptyPrintAreas = skip; }
    // The rectangle of the last renderInRect.
    Rect renderBounds() const { return _renderBounds; }

    // The copy, made on first use.
    TemplatePageObjects& pageObjects();

    void renderInRect(const Rect& rect);
    // (rect width / page width, rect height / page height); (0, 0) without a
    // template or without a page area.
    Size calculateScaleInRect(const Rect& rect);

    // The photo cells' outlines in page order, mapped as the drawing into the
    // rectangle; none without a template, a page area or a known generation.
    std::optional<QList<BezierPath>> photoCellPathsInRect(const Rect& rect);
    // Unmapped: a rectangle per older-generation cell; a binary cell's own
    // outline, masked cells keeping their shape.
    QList<BezierPath> photoCell1xPaths();
    QList<BezierPath> photoCell2xPaths();

    // Drops what the page objects cached, of all or of one cell (from 0,
    // counting photo cells only).
    void recache();
    void recachePhotoCell(int32_t cell);

    // An image of the template's named images; null when none by that name
    // gives one.
    Image getTemplateImageFileByName(const QString& name);

private:
    void templateChanged(const Notification& notification);
    // Page coordinates to the rectangle's; none when the page has no area.
    std::optional<AffineTransform> transformForRect(const Rect& rect);

    void render2xObjects();
    bool shouldDraw2xObject(const TMObject& object);
    bool printAreaHoldsPhoto(const Rect& frame);

    void render1xObjects();
    void render1xShape(const QVariantMap& object, const Rect& rect, bool oval);
    void render1xLine(const QVariantMap& object);
    void render1xText(const QVariantMap& object);
    void render1xImage(QVariantMap& object, const Rect& rect);
    void render1xPhotoObject(const QVariantMap& object);
    void render1xEmptyCell(const Rect& cell, int32_t cellIndex);
    Rect get1xTemplateObjectRect(const QVariantMap& object);
    bool isDrawingToScreen() const;

    TemplateHandleRef _template;
    std::optional<TemplatePageObjects> _pageObjects;
    TemplateImageSource* _imageSource = nullptr;
    int32_t _photoCellNumber = 0;
    int32_t _editFieldNumber = 0;
    bool _offscreenFlag = false;
    bool _printToDiskFlag = false;
    int32_t _renderDPI = 0;
    bool _drawingThumbnailFlag = false;
    bool _skipEmptyPrintAreas = false;
    Rect _renderBounds;
};
