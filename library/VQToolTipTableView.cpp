#include "library/VQToolTipTableView.h"

#include "library/VQMenuDelegate.h"
#include "platform/ui/Pasteboard.h"

#include <QAbstractTableModel>
#include <QContextMenuEvent>
#include <QDrag>
#include <QHeaderView>
#include <QHelpEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QToolTip>

class VQToolTipTableView::Model : public QAbstractTableModel {
public:
    explicit Model(VQToolTipTableView* table) : QAbstractTableModel(table), _table(table) {}

    int rowCount(const QModelIndex& parent) const override {
        if (parent.isValid() || !_table->_dataSource)
            return 0;
        return _table->_dataSource->numberOfRowsInTableView(_table);
    }
    int columnCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : int(_table->_columns.size());
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole || !_table->_dataSource || !index.isValid())
            return {};
        return _table->_dataSource->tableViewObjectValueForTableColumnRow(
            _table, _table->_columns.value(index.column()), index.row());
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
            return _table->_titles.value(section);
        return {};
    }
    Qt::ItemFlags flags(const QModelIndex& index) const override {
        return QAbstractTableModel::flags(index) | Qt::ItemIsDragEnabled;
    }
    void reset() {
        beginResetModel();
        endResetModel();
    }

private:
    VQToolTipTableView* _table;
};

VQToolTipTableView::VQToolTipTableView(QWidget* parent)
    : QTableView(parent), _model(new Model(this)) {
    setModel(_model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    setShowGrid(false);
    verticalHeader()->hide();
    horizontalHeader()->setStretchLastSection(true);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (_dataSource)
            _dataSource->tableViewSelectionDidChange(this);
    });
}

VQToolTipTableView::~VQToolTipTableView() = default;

void VQToolTipTableView::addTableColumn(const QString& identifier, const QString& title) {
    _model->reset();
    _columns.append(identifier);
    _titles.append(title);
    _model->reset();
}

void VQToolTipTableView::setDataSource(VQTableDataSource* source) {
    _dataSource = source;
    reloadData();
}

void VQToolTipTableView::reloadData() {
    const int row = selectedRow();
    const QSignalBlocker quiet(selectionModel());
    _model->reset();
    if (row >= 0 && row < _model->rowCount({}))
        selectionModel()->select(_model->index(row, 0),
                                 QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    viewport()->update();
}

int VQToolTipTableView::selectedRow() const {
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void VQToolTipTableView::selectRowIndex(int row) {
    if (row < 0 || row >= _model->rowCount({}))
        return;
    const QModelIndex index = _model->index(row, 0);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                 QItemSelectionModel::Rows);
    scrollTo(index);
}

void VQToolTipTableView::deselectAll() {
    selectionModel()->clearSelection();
}

bool VQToolTipTableView::viewportEvent(QEvent* event) {
    if (event->type() != QEvent::ToolTip)
        return QTableView::viewportEvent(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const int row = rowAt(help->pos().y());
    const int column = columnAt(help->pos().x());
    QString tip;
    if (_dataSource && row >= 0 && column >= 0)
        tip = _dataSource->tableViewToolTipForTableColumnRow(this, _columns.value(column), row);
    if (tip.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(help->globalPos(), tip, viewport(),
                           visualRect(_model->index(row, column)));
    return true;
}

void VQToolTipTableView::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = _menuDelegate ? _menuDelegate->menuForEvent(event) : nullptr;
    if (!menu)
        return;
    menu->popup(event->globalPos());
    event->accept();
}

void VQToolTipTableView::startDrag(Qt::DropActions) {
    if (!_dataSource)
        return;
    const int row = selectedRow();
    auto* data = new PasteboardData(this);
    if (!_dataSource->tableViewWriteRowsToPasteboard(this, {row}, *data)) {
        delete data;
        return;
    }
    QDrag drag(this);
    drag.setMimeData(data);
    DragSession::runDrag(drag, Qt::CopyAction, Qt::CopyAction);
}

void VQToolTipTableView::mouseDoubleClickEvent(QMouseEvent* event) {
    QTableView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton && indexAt(event->position().toPoint()).isValid() &&
        doubleAction)
        doubleAction();
}
