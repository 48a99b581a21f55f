#pragma once

#include "platform/ui/ScrollView.h"

#include <QPointer>

class QAction;
class VQFileCatalog;
class VQFileCatalogView;

// The object name of a catalog window's grid scroll view, by which the layout
// panel's menu finds it.
inline constexpr char kFileCatalogScrollViewName[] = "fileCatalogScrollView";

// The scroll view of a catalog window's drawer. It owns the thumbnail grid,
// keeps it fitted to the clip view at every frame change, scrolls while a drag
// rests near the grid's visible edges, moves the selection with scrolling to
// it, and forwards every other command to the grid: the window talks to the
// grid only through here.
class VQFileCatalogScrollView : public ScrollView {
    Q_OBJECT

public:
    // The visible rectangle moves by this much per autoscroll notice.
    static constexpr float kAutoscrollStep = 128;

    explicit VQFileCatalogScrollView(QWidget* parent = nullptr);
    ~VQFileCatalogScrollView() override;

    VQFileCatalogView* fileCatalogView() const { return _myCatalogView; }
    // The catalog of the parent window's document; null without one.
    VQFileCatalog* fileCatalog() const;
    QWidget* parentWindow() const { return _parentWindow; }
    void setParentWindow(QWidget* window);

    void setFileCatalog(VQFileCatalog* catalog);
    Size cellSize() const;
    void setCellSize(Size size);
    bool autoSelection() const;
    void setAutoSelection(bool flag);
    void setDragHilight(bool flag);
    void heartbeat();
    bool validateMenuItem(const QAction* item) const;
    void renameSelection();
    void rotateSelection(float degrees);

    void locateSelection();
    void refreshSelection();
    void firstSelection();
    void lastSelection();
    void advanceSelection();
    void retreatSelection();
    void advanceSelectionRow();
    void retreatSelectionRow();
    void setSelectionIndex(int index);
    void scrollToSelection();
    void scrollToCellRectAtIndex(int index);
    void removeSelectedFiles();

public Q_SLOTS:
    void contextRotateRight(QAction* sender = nullptr);
    void contextRotateLeft(QAction* sender = nullptr);
    void contextMark(QAction* sender = nullptr);
    void contextUnmark(QAction* sender = nullptr);
    void contextFlip(QAction* sender = nullptr);
    void contextRename(QAction* sender = nullptr);
    void contextRemove(QAction* sender = nullptr);
    void contextExport(QAction* sender = nullptr);
    void contextRefresh(QAction* sender = nullptr);
    void contextLocate(QAction* sender = nullptr);
    void contextProcessInFinder(QAction* sender = nullptr);

protected:
    void viewFrameChanged() override;

private:
    void scroll(bool up);
    VQFileCatalog* attachedCatalog() const;

    VQFileCatalogView* _myCatalogView;
    QPointer<QWidget> _parentWindow;
};
