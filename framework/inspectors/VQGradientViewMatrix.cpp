#include "framework/inspectors/VQGradientViewMatrix.h"

#include "framework/Formwell.h"
#include "framework/inspectors/VQGradientDelegate.h"
#include "framework/inspectors/VQGradientView.h"
#include "platform/graphics/BezierPath.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/ui/DragReferences.h"
#include "platform/ui/DraggingInfo.h"
#include "platform/ui/Pasteboard.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QDrag>
#include <QImage>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

namespace {

QString str(const char* text) {
    return QString::fromLatin1(text);
}

constexpr char kCellActionsMenu[] = "Cell Actions";
constexpr char kClearCellKey[] = "CLEAR_CELL";

} // namespace

// ---------------------------------------------------------------------------
// Cells

void VQGradientViewCell::drawInteriorWithFrame(const Rect& frame, View* view) const {
    GraphicsContext* context = GraphicsContext::currentContext();
    if (!context)
        return;
    context->saveGraphicsState();
    // In the flipped grid the frame's origin is its top left corner.
    BezierPath edge;
    edge.moveToPoint(frame.origin);
    edge.lineToPoint({frame.maxX(), frame.minY()});
    edge.lineToPoint({frame.maxX(), frame.maxY()});
    context->setStrokeColor(view ? view->palette().color(QPalette::Dark) : QColor(Qt::darkGray));
    context->strokePath(edge);
    context->setColor(Qt::black);
    drawGradientFill(frame);
    context->restoreGraphicsState();
}

void VQGradientViewCell::drawGradientFill(const Rect& rect) const {
    GraphicsContext* context = GraphicsContext::currentContext();
    if (!context || !_representedObject)
        return;
    context->saveGraphicsState();
    const Rect inside = insetRect(rect, 2, 2);
    context->rectClip(inside);
    const bool flipped = _representedObject->drawsFlipped();
    _representedObject->setDrawsFlipped(true);
    _representedObject->fillRect(inside);
    _representedObject->setDrawsFlipped(flipped);
    context->restoreGraphicsState();
}

// ---------------------------------------------------------------------------
// Matrix

VQGradientViewMatrix::VQGradientViewMatrix(QWidget* parent) : View(parent) {
    registerForDraggedTypes({str(kDragDropGradientViewPboardType)});
}

VQGradientViewMatrix::~VQGradientViewMatrix() {
    delete _cellMenu;
}

void VQGradientViewMatrix::renewRowsColumns(int rows, int columns) {
    _rows = std::max(rows, 0);
    _columns = std::max(columns, 0);
    _cells.assign(size_t(_rows) * size_t(_columns), VQGradientViewCell());
    update();
}

VQGradientViewCell* VQGradientViewMatrix::cellAtRowColumn(int row, int column) {
    if (row < 0 || row >= _rows || column < 0 || column >= _columns)
        return nullptr;
    return &_cells[size_t(row) * size_t(_columns) + size_t(column)];
}

Rect VQGradientViewMatrix::cellFrameAtRowColumn(int row, int column) const {
    return {column * kCellSide, row * kCellSide, kCellSide, kCellSide};
}

bool VQGradientViewMatrix::getRowColumnForPoint(Point point, int* row, int* column) const {
    if (point.x < 0 || point.y < 0)
        return false;
    const int c = int(point.x / kCellSide);
    const int r = int(point.y / kCellSide);
    if (r >= _rows || c >= _columns || !mouseInRect(point, cellFrameAtRowColumn(r, c), true))
        return false;
    *row = r;
    *column = c;
    return true;
}

void VQGradientViewMatrix::sendAction() {
    if (_action)
        _action(this);
}

bool VQGradientViewMatrix::canIHandleDrag(const DraggingInfo& info) {
    return info.draggingPasteboard().hasType(str(kDragDropGradientViewPboardType));
}

void VQGradientViewMatrix::drawRect(const Rect&) {
    GraphicsContext* context = GraphicsContext::currentContext();
    if (!context)
        return;
    context->setFillColor(palette().color(QPalette::Window));
    context->rectFill(bounds());
    for (int r = 0; r < _rows; ++r)
        for (int c = 0; c < _columns; ++c)
            _cells[size_t(r) * size_t(_columns) + size_t(c)].drawInteriorWithFrame(
                cellFrameAtRowColumn(r, c), this);
    if (dragHilight()) {
        context->setFillColor(palette().color(QPalette::Highlight));
        context->frameRect(bounds(), 2);
    }
}

void VQGradientViewMatrix::mousePressEvent(QMouseEvent* event) {
    _dragging = false;
    int row = 0;
    int column = 0;
    if (event->button() == Qt::LeftButton &&
        getRowColumnForPoint(boundsPointFromWidget(event->position()), &row, &column)) {
        _selectedFill = cellAtRowColumn(row, column)->representedObject();
        sendAction();
        return;
    }
    View::mousePressEvent(event);
}

void VQGradientViewMatrix::mouseMoveEvent(QMouseEvent* event) {
    int row = 0;
    int column = 0;
    if ((event->buttons() & Qt::LeftButton) && !_dragging &&
        getRowColumnForPoint(boundsPointFromWidget(event->position()), &row, &column) &&
        cellAtRowColumn(row, column)->representedObject()) {
        _dragging = true;
        dragCell(row, column);
        return;
    }
    View::mouseMoveEvent(event);
}

void VQGradientViewMatrix::dragCell(int row, int column) {
    const Rect frame = cellFrameAtRowColumn(row, column);
    const VQGradientViewCell& cell = *cellAtRowColumn(row, column);
    QImage image(int(frame.width()), int(frame.height()), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        GraphicsContext context(painter, frame.size, DestinationKind::Image, true);
        const GraphicsContext::Focus focus(context);
        cell.drawGradientFill(Rect(kZeroPoint, frame.size));
    }
    auto* data = new PasteboardData(this);
    DragReferences::writeReference(*data, str(kDragDropGradientSettingsPboardType),
                                   cell.representedObject());
    QDrag drag(this);
    drag.setMimeData(data);
    drag.setPixmap(QPixmap::fromImage(image));
    // Held by the cell's lower left corner.
    drag.setHotSpot(QPoint(0, int(frame.height())));
    DragSession::runDrag(drag, Qt::CopyAction, Qt::CopyAction);
}

QMenu* VQGradientViewMatrix::menuForPoint(Point point) {
    int row = 0;
    int column = 0;
    if (!getRowColumnForPoint(point, &row, &column))
        return nullptr;
    delete _cellMenu;
    _cellMenu = new QMenu(str(kCellActionsMenu));
    QAction* clear = _cellMenu->addAction(frameworkString(kClearCellKey));
    clear->setData(QPoint(column, row));
    clear->setEnabled(cellAtRowColumn(row, column)->representedObject() != nullptr);
    connect(clear, &QAction::triggered, this, [this, clear] { clearCell(clear); });
    return _cellMenu;
}

void VQGradientViewMatrix::clearCell(QAction* item) {
    const QPoint at = item ? item->data().toPoint() : QPoint(-1, -1);
    VQGradientViewCell* cell = cellAtRowColumn(at.y(), at.x());
    if (!cell)
        return;
    cell->setRepresentedObject(nullptr);
    update();
    if (_delegate)
        _delegate->cellDidChangeAtRowColumnOfMatrix(at.y(), at.x(), this);
}

void VQGradientViewMatrix::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = menuForPoint(boundsPointFromWidget(event->pos()));
    if (!menu) {
        event->ignore();
        return;
    }
    menu->popup(event->globalPos());
}

void VQGradientViewMatrix::concludeDragOperation(const DraggingInfo& info) {
    const VQGradientFillRef fill = DragReferences::readReference<VQGradientFill>(
        info.draggingPasteboard(), str(kDragDropGradientViewPboardType));
    int row = 0;
    int column = 0;
    if (!fill || !getRowColumnForPoint(info.draggingLocation(), &row, &column))
        return;
    cellAtRowColumn(row, column)->setRepresentedObject(fill->copy());
    update();
    if (_delegate)
        _delegate->cellDidChangeAtRowColumnOfMatrix(row, column, this);
}
