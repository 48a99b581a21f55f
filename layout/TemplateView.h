#pragma once

#include "catalog/VQFileCatalogScrollView.h"
#include "catalog/VQFileCatalogView.h"
#include "layout/TemplateRenderer.h"
#include "platform/documents/View.h"
#include "platform/graphics/BezierPath.h"
#include "platform/graphics/Image.h"

#include <QList>
#include <QPointer>
#include <cstdint>
#include <memory>
#include <optional>

class DraggingInfo;
class Notification;
class PrintOperation;
class QMenu;
class QTimer;
class TemplateImageSource;
class TemplateMapper;

// One template page with its photos, drawn through its own renderer: the
// layout panel of a catalog window (pan, zoom and move photos in their cells,
// drops, a context menu), print operations (a page per mapper page, optionally
// pre-rendered at a resolution) and print to disk.
class TemplateView : public View, public TemplateRendererView {
    Q_OBJECT

public:
    enum InteractionMode : int32_t {
        InteractionModePan = 0,
        InteractionModeZoom = 1,
        InteractionModeMove = 2,
    };
    static constexpr int kCursorRefreshMs = 50;
    // Ticks of mouse tracking between cursor refreshes.
    static constexpr uint32_t kCursorRefreshTicks = 14;

    explicit TemplateView(QWidget* parent = nullptr);
    ~TemplateView() override;

    TemplateRenderer& renderer() { return _myRenderer; }
    void setTemplate(const TemplateHandleRef& handle);
    TemplateImageSource* imageSource() const { return _myRenderer.imageSource(); }
    void setImageSource(TemplateImageSource* source);

    bool preRender() const { return _preRender; }
    void setPreRender(bool flag) { _preRender = flag; }
    float renderDPI() const { return _renderDPI; }
    void setRenderDPI(float dpi) { _renderDPI = dpi; }
    bool drawMirrored() const { return _drawMirrored; }
    void setDrawMirrored(bool flag) { _drawMirrored = flag; }
    int32_t interactionMode() const { return _interactionMode; }
    void setInteractionMode(int32_t mode) { _interactionMode = mode; }
    bool skipEmptyPrintAreas() const override { return _skipEmptyPrintAreas; }
    void setSkipEmptyPrintAreas(bool flag) { _skipEmptyPrintAreas = flag; }
    void setPrintOp(PrintOperation* operation) { _printOp = operation; }
    bool allowsUserInteraction() const { return _allowsUserInteraction; }
    void setAllowsUserInteraction(bool flag);

    bool isFlipped() const override;
    void setFrame(const Rect& frame);
    void resetTrackingRect();

    // The topmost cell whose outline holds the point (view coordinates), or -1.
    int32_t indexOfPhotoCellAtPoint(Point point);
    bool photoIntersectsRect(const Rect& rect) override;
    void touchFocusedCells();

    bool knowsPageRange(PageRange& range) override;
    // Makes the page current and, when pre-rendering, renders it into the
    // image the next draw shows.
    Rect rectForPage(int page) override;
    // The page rendered by rectForPage, until the next draw.
    const std::optional<Image>& captureImage() const { return _captureImage; }

    void mouseEnteredView();
    void mouseExitedView();
    void updateCursor();
    bool cursorTimerRunning() const;
    bool grabCursorShown() const { return _grabCursorShown; }
    bool zoomCursorShown() const { return _zoomCursorShown; }
    bool reposCursorShown() const { return _reposCursorShown; }

    // The context menu for a click at the point, selecting the photo there;
    // null over an empty cell or outside the cells.
    QMenu* menuForPoint(Point point);

    bool canIHandleDrag(const DraggingInfo& info);
    bool fromOwnCatalog(const DraggingInfo& info);
    int32_t determineDropIdx(const DraggingInfo& info);
    int32_t lastDropIdx() const { return _lastDropIdx; }
    bool inDragOperation() const { return _inDragOperation; }

protected:
    void drawRect(const Rect& dirtyRect) override;

    uint32_t draggingEntered(const DraggingInfo& info) override;
    uint32_t draggingUpdated(const DraggingInfo& info) override;
    void draggingExited() override;
    bool prepareForDragOperation(const DraggingInfo& info) override;
    bool performDragOperation(const DraggingInfo& info) override;
    void concludeDragOperation(const DraggingInfo& info) override;

    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    TemplateMapper* mapper() const;
    void fetchCellPaths();
    void blankEmptyPrintAreas(const std::optional<Rect>& bitmapRect);
    void markCellDirty(const BezierPath& path);
    void trackTo(Point point);
    void endTracking();
    void setDragHilightOfSuperview(bool flag);
    std::optional<Rect> cropOrNaturalBounds(int32_t cell);
    QMenu* buildContextMenu();
    void sendMenuAction(const char* selector);

    void templateMapperPageChanged(const Notification& notification);
    void templateMapperMasterChanged(const Notification& notification);
    void templateChanged(const Notification& notification);
    void fileCatalogPhotoAttributeChanged(const Notification& notification);

    TemplateRenderer _myRenderer;
    bool _allowsUserInteraction = false;
    std::optional<QList<BezierPath>> _photoCellPaths;
    QTimer* _cursorTimer = nullptr;
    bool _grabCursorShown = false;
    bool _zoomCursorShown = false;
    bool _reposCursorShown = false;
    bool _inMouseDown = false;
    bool _skipEmptyPrintAreas = false;
    int32_t _lastDropIdx = -1;
    std::optional<BezierPath> _lastDropPath;
    PrintOperation* _printOp = nullptr;
    bool _preRender = false;
    float _renderDPI = 0;
    bool _drawMirrored = false;
    std::optional<Image> _captureImage;
    int32_t _interactionMode = InteractionModePan;
    bool _inDragOperation = false;
    QMenu* _stdContextMenu = nullptr;

    // The press being tracked.
    struct Tracking {
        int32_t cell = -1;
        int32_t source = -1;
        int32_t startMode = 0;
        Size scale;
        BezierPath path;
        uint32_t cursorTicks = 0;
        Point last;
    };
    std::optional<Tracking> _tracking;
};
