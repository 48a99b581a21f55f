#pragma once

#include "platform/documents/View.h"
#include "platform/ui/DraggingInfo.h"

#include <QPointer>
#include <atomic>
#include <cstdint>
#include <optional>

class Notification;
class QAction;
class QMenu;
class QTimer;
class VQFileCatalog;
class ZaroziveZodiroVirizidivi;

// The drag type of entries dragged out of a grid, and the keys of its items.
inline constexpr char kVQFileCatalogSelectionPboardType[] = "VQFileCatalogSelection";
inline constexpr char kVQSelectionCatalogKey[] = "VQSelectionCatalogKey";
inline constexpr char kVQSelectionIndexKey[] = "VQSelectionIndexKey";
inline constexpr char kVQSelectionOperationKey[] = "VQSelectionOperationKey";
// Posted by the grid (as object) while a drag rests near its visible bottom or top.
inline constexpr char kVQFScrollUpNotify[] = "VQFScrollUpNotify";
inline constexpr char kVQFScrollDownNotify[] = "VQFScrollDownNotify";

// Tags of the context menus' items.
enum CatalogMenuTag : int {
    kTagRotateRight = 2001,
    kTagRotateLeft = 2002,
    kTagFlip = 2003,
    kTagRefresh = 2011,
    kTagLocate = 2012,
    kTagOpenInFinder = 2013,
    kTagRevealInFinder = 2014,
    kTagRename = 2021,
    kTagExport = 2022,
    kTagRemove = 2023,
    kTagMark = 2031,
    kTagUnmark = 2032,
    kTagCopy = 2041,
    kTagCut = 2042,
    kTagPaste = 2043,
    kTagClear = 2044,
    kTagDuplicate = 2045,
};

// The thumbnail grid of one catalog: cells of equal size in catalog order,
// row by row from the top left, in a view whose y grows upward. The cell of
// index i lies in row i / columns and column i mod columns. The columns are as
// many whole cells as the frame is wide, at most the entry count; a frame
// narrower than one cell has no columns, and then no cell exists to draw, hit
// or move to.
//
// The grid keeps no photo data: it reads and changes entries through the
// catalog's attributes and selection, and hands document commands to the
// catalog window's controller. Drags out name their entries by index in the
// source catalog; the window resolves them to entries before changing anything.
class VQFileCatalogView : public View {
    Q_OBJECT

public:
    // The pointer must rest on one cell this long (0.4 s) before the gap opens.
    static constexpr uint32_t kHoverTicks = 24;
    // Qt sends nothing while the pointer rests in a drag; the last update is
    // repeated this often instead.
    static constexpr int kDragRepeatMs = 100;
    static constexpr float kDragStartDistance = 4.0f;
    static constexpr float kAutoscrollMargin = 8.0f;

    explicit VQFileCatalogView(QWidget* parent = nullptr);
    ~VQFileCatalogView() override;

    // The catalog a drag came from when its source is a grid; null otherwise.
    static VQFileCatalog* catalogOfDragSource(const QObject* source);

    VQFileCatalog* fileCatalog() const { return _attachedCatalog; }
    void setFileCatalog(VQFileCatalog* catalog);
    Size cellSize() const { return _cellSize; }
    void setCellSize(Size size);
    QWidget* parentWindow() const { return _myParentWindow; }
    void setParentWindow(QWidget* window) { _myParentWindow = window; }
    bool autoSelection() const { return _autoSelectFlag; }
    void setAutoSelection(bool flag) { _autoSelectFlag = flag; }
    int columns() const { return _columns; }
    int rows() const { return _rows; }

    bool getSelectionOfCellAtIndex(int index) const;
    // Null without a catalog or a selection.
    std::optional<QList<int>> getSelectedCellIndices() const;
    // The zero rectangle without a catalog, columns or such an entry.
    Rect getCellRectAtIndex(int index) const;
    Rect imageBoxOfCell(const Rect& cell) const;
    int cellIndexUnderPoint(Point point) const;

    bool calculateCellLayout();
    void sizeToSuperView();
    void optimizeDimensions();

    void advanceSelectionRow();
    void retreatSelectionRow();
    void rotateSelection(float degrees);
    void removeSelectedFiles();
    void renameSelection();
    void heartbeat();

    // The context menu for a click at a point of the bounds; contextual when
    // Control is held or the right button was pressed. Selects as the click does.
    QMenu* menuForEvent(Point point, uint32_t modifierFlags);
    bool validateMenuItem(const QAction* item) const;

    bool canIHandleDrag(const DraggingInfo& info) const;
    void setDragHilight(bool flag);

    // Drag state, as drawing reads it.
    int hoverDestIdx() const { return _hoverDestIdx; }
    int hoverSourceIdx() const { return _hoverSourceIdx; }
    bool iveHovered() const { return _iveHovered; }
    bool dragHilightState() const { return _dragHilightState; }

public Q_SLOTS:
    void contextRotateRight(QAction* sender = nullptr);
    void contextRotateLeft(QAction* sender = nullptr);
    void contextFlip(QAction* sender = nullptr);
    void contextMark(QAction* sender = nullptr);
    void contextUnmark(QAction* sender = nullptr);
    void contextRename(QAction* sender = nullptr);
    void contextRemove(QAction* sender = nullptr);
    void contextExport(QAction* sender = nullptr);
    void contextRefresh(QAction* sender = nullptr);
    void contextLocate(QAction* sender = nullptr);
    // Tag 2013 opens the file, any other shows it in the file manager.
    void contextProcessInFinder(QAction* sender = nullptr);
    void contextProcessInFinderWithTag(int tag);

protected:
    void drawRect(const Rect& dirtyRect) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

    uint32_t draggingEntered(const DraggingInfo& info) override;
    uint32_t draggingUpdated(const DraggingInfo& info) override;
    void draggingExited() override;
    bool prepareForDragOperation(const DraggingInfo& info) override;
    bool performDragOperation(const DraggingInfo& info) override;
    void concludeDragOperation(const DraggingInfo& info) override;

private:
    struct Tracking {
        Point start;
        int index = -1;
        bool copy = false;
        QPoint lastGlobal;
    };

    ZaroziveZodiroVirizidivi* windowController() const;
    bool calculateCellLayoutForWidth(float frameWidth);
    int entryCount() const;
    bool markersShown() const;
    Rect visibleRect() const;
    void setFrameSizeAndBounds(Size size);
    void redrawCell(int index);
    void redrawAll();
    void observeCatalog();
    void catalogCountChanged(bool added);
    void cellsChanged(const Notification& notification);

    void drawCell(int entry, const Rect& cell, bool markers);
    void handleClick(QMouseEvent* event, int clickCount);
    void startDrag(const Tracking& tracking, Point current);
    QByteArray draggedTIFF();
    void resetDragState();
    void autoscrollTracking();

    QMenu* stdContextMenu();
    QMenu* shortContextMenu();
    void fillMenu(QMenu* menu, bool full);

    bool renameEntry(int index);
    void locateEntries();

    VQFileCatalog* _attachedCatalog = nullptr;
    Size _cellSize{128, 128};
    int32_t _columns = 0;
    int32_t _rows = 0;
    int32_t _fileCount = 0;
    QPointer<QWidget> _myParentWindow;
    bool _dragHilightState = false;
    // Set on the loader thread; read and cleared by heartbeat on the main thread.
    std::atomic<bool> _updateThumbnails{false};
    bool _senderIsSelf = false;
    int32_t _hoverDestIdx = -1;
    int32_t _hoverSourceIdx = -1;
    int32_t _lastHoverIdx = -1;
    bool _iveHovered = false;
    std::optional<uint32_t> _lastHoverTime;
    bool _autoSelectFlag = false;
    QMenu* _stdContextMenu = nullptr;
    QMenu* _shortContextMenu = nullptr;

    std::optional<Tracking> _tracking;
    QTimer* _trackingTimer = nullptr;
    std::optional<DraggingInfo> _lastDragUpdate;
    QPointF _lastDragPointer; // in the clip view

    QTimer* _dragRepeatTimer = nullptr;
};
