#pragma once

#include "framework/FormwellExport.h"
#include "framework/model/VQGradientFill.h"
#include "platform/documents/View.h"

#include <QMenu>
#include <QPointer>
#include <functional>
#include <vector>

class QAction;

class VQGradientDelegate;

// One swatch of the preset grid: its fill, or none for an empty cell.
class FORMWELL_EXPORT VQGradientViewCell {
public:
    const VQGradientFillRef& representedObject() const { return _representedObject; }
    void setRepresentedObject(const VQGradientFillRef& fill) { _representedObject = fill; }

    // A shadow line along the top and right edges, then the fill.
    void drawInteriorWithFrame(const Rect& frame, View* view) const;
    // The fill inside a 2-point margin of the rectangle, drawn for the
    // flipped grid; nothing for an empty cell.
    void drawGradientFill(const Rect& rect) const;

private:
    VQGradientFillRef _representedObject;
};

// The preset grid: rows and columns of 21-point swatches from the top left.
// A click on a cell selects its fill and sends the action (a cell has no
// selection of its own); a cell with a fill can be dragged out, cleared from
// its context menu, and takes a copy of a gradient view dropped on it.
class FORMWELL_EXPORT VQGradientViewMatrix : public View {
    Q_OBJECT

public:
    static constexpr float kCellSide = 21;

    explicit VQGradientViewMatrix(QWidget* parent = nullptr);
    ~VQGradientViewMatrix() override;

    bool isFlipped() const override { return true; }

    int numberOfRows() const { return _rows; }
    int numberOfColumns() const { return _columns; }
    // Every cell empty at the new size.
    void renewRowsColumns(int rows, int columns);
    VQGradientViewCell* cellAtRowColumn(int row, int column);
    Rect cellFrameAtRowColumn(int row, int column) const;
    // The cell under a point of the bounds; false between and outside cells.
    bool getRowColumnForPoint(Point point, int* row, int* column) const;

    // The fill of the cell last clicked; null for an empty cell.
    const VQGradientFillRef& selectedFill() const { return _selectedFill; }
    void setSelectedFill(const VQGradientFillRef& fill) { _selectedFill = fill; }
    VQGradientDelegate* delegate() const { return _delegate; }
    void setDelegate(VQGradientDelegate* delegate) { _delegate = delegate; }
    void setAction(std::function<void(VQGradientViewMatrix*)> action) {
        _action = std::move(action);
    }
    void sendAction();

    bool canIHandleDrag(const DraggingInfo& info) override;

    // "Cell Actions" for the cell under a point of the bounds, or null.
    QMenu* menuForPoint(Point point);
    // The menu last built, or null.
    QMenu* cellMenu() const { return _cellMenu; }
    // The menu item's cell becomes empty and the delegate hears of it.
    void clearCell(QAction* item);

protected:
    void drawRect(const Rect& dirtyRect) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void concludeDragOperation(const DraggingInfo& info) override;

private:
    void dragCell(int row, int column);

    int _rows = 0;
    int _columns = 0;
    std::vector<VQGradientViewCell> _cells;
    VQGradientFillRef _selectedFill;
    VQGradientDelegate* _delegate = nullptr;
    std::function<void(VQGradientViewMatrix*)> _action;
    bool _dragging = false;
    QPointer<QMenu> _cellMenu;
};
