#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QTableView>
#include <QVariant>
#include <functional>

class PasteboardData;
class VQMenuDelegate;
class VQToolTipTableView;

// What a table shows, asked row by row. Columns are known by identifier.
class VQTableDataSource {
public:
    virtual ~VQTableDataSource() = default;
    virtual int numberOfRowsInTableView(VQToolTipTableView* table) = 0;
    virtual QVariant tableViewObjectValueForTableColumnRow(VQToolTipTableView* table,
                                                           const QString& column, int row) = 0;
    // The tip of a cell; a null text shows none.
    virtual QString tableViewToolTipForTableColumnRow(VQToolTipTableView*, const QString&, int) {
        return {};
    }
    // Fills the drag's pasteboard for the rows; false refuses the drag.
    virtual bool tableViewWriteRowsToPasteboard(VQToolTipTableView*, const QList<int>&,
                                                PasteboardData&) {
        return false;
    }
    virtual void tableViewSelectionDidChange(VQToolTipTableView*) {}
};

// A one-selection table over a data source. Its tool tips are asked of the
// data source when a tip is about to show, so they are never stale after a
// reload; a point below the last row (or beside the last column) has none.
// Drags go through the data source's pasteboard writer, the context menu
// through the menu delegate.
class VQToolTipTableView : public QTableView {
    Q_OBJECT

public:
    explicit VQToolTipTableView(QWidget* parent = nullptr);
    ~VQToolTipTableView() override;

    void addTableColumn(const QString& identifier, const QString& title);
    QStringList columnIdentifiers() const { return _columns; }

    VQTableDataSource* dataSource() const { return _dataSource; }
    void setDataSource(VQTableDataSource* source);
    void setMenuDelegate(VQMenuDelegate* delegate) { _menuDelegate = delegate; }
    // Sent on a double click on a row.
    std::function<void()> doubleAction;

    // Asks the data source again for everything; the selection is kept by row.
    void reloadData();
    // -1 without a selected row.
    int selectedRow() const;
    void selectRowIndex(int row);
    void deselectAll();

protected:
    bool viewportEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    class Model;
    Model* _model;
    QStringList _columns;
    QStringList _titles;
    VQTableDataSource* _dataSource = nullptr;
    VQMenuDelegate* _menuDelegate = nullptr;
};
