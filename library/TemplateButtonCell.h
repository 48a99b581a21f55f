#pragma once

#include "platform/graphics/Image.h"

#include <QList>
#include <QString>
#include <QWidget>
#include <functional>

class QPainter;

// One template of a template grid: its thumbnail above its name, and the check
// mark of the current master. Drawn in the grid's coordinates, y downward.
class TemplateButtonCell {
public:
    static constexpr int kWidth = 100;
    static constexpr int kHeight = 120;
    // The name's band at the bottom of the cell.
    static constexpr int kTitleBand = 16;
    static constexpr int kTitleHeight = 14;

    QString title() const { return _title; }
    void setTitle(const QString& title) { _title = title; }
    const Image& image() const { return _image; }
    void setImage(const Image& image) { _image = image; }
    bool isEnabled() const { return _enabled; }
    void setEnabled(bool flag) { _enabled = flag; }
    int tag() const { return _tag; }
    void setTag(int tag) { _tag = tag; }

    QString fileName() const { return _fileName; }
    void setFileName(const QString& name) { _fileName = name; }
    QString category() const { return _category; }
    void setCategory(const QString& category) { _category = category; }
    QString documentID() const { return _documentID; }
    void setDocumentID(const QString& documentID) { _documentID = documentID; }
    // Shown on one line: line breaks become blanks.
    QString description() const { return _description; }
    void setDescription(const QString& description);
    bool drawsCheckmark() const { return _drawsCheckmark; }
    void setDrawsCheckmark(bool flag) { _drawsCheckmark = flag; }

    // A disabled cell draws nothing; an "on" cell is filled in the selection colour.
    void drawInteriorWithFrame(QPainter& painter, const QRect& frame, bool on) const;

    // An image of the application's images folder by name; null when missing.
    static Image namedImage(const QString& name);

private:
    QString _title;
    Image _image;
    bool _enabled = false;
    int _tag = 0;
    QString _fileName;
    QString _category;
    QString _documentID;
    QString _description;
    bool _drawsCheckmark = false;
};

// A radio grid of template cells without spacing, filled row by row; cells
// are 100 x 120 points unless set otherwise. At most one cell is selected;
// only enabled cells can be.
class TemplateButtonMatrix : public QWidget {
    Q_OBJECT

public:
    explicit TemplateButtonMatrix(QWidget* parent = nullptr);

    // Every cell a copy of the prototype; the selection is cleared.
    void renewRowsColumns(int rows, int columns, const TemplateButtonCell& prototype);
    // Keeps the cells in reading order, cut or padded with the prototype.
    void reflow(int rows, int columns, const TemplateButtonCell& prototype);
    // `count` cells in rows of `columns`, then sized to the cells; the selected
    // cell stays selected. A grid of that shape already is left alone.
    void reflowToColumns(int columns, int count, const TemplateButtonCell& prototype);
    int numberOfRows() const { return _rows; }
    int numberOfColumns() const { return _columns; }
    QList<TemplateButtonCell>& cells() { return _cells; }
    TemplateButtonCell* cellAtRowColumn(int row, int column);
    QRect cellFrameAtRowColumn(int row, int column) const;
    // -1 for none.
    int selectedIndex() const { return _selected; }
    TemplateButtonCell* selectedCell();
    QRect selectedCellFrame() const;
    // Selects the enabled cell at the index (reading order); false otherwise.
    bool selectCellAtIndex(int index);
    bool selectCellWithTag(int tag);
    void sizeToCells();
    QSize cellSize() const { return _cellSize; }
    void setCellSize(QSize size);

    // Sent on a click that selects a cell, and on a double click on a cell.
    std::function<void()> action;
    std::function<void()> doubleAction;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    // The cell's index in reading order; -1 between or beyond the cells.
    int indexAtPoint(const QPoint& point) const;

private:
    QSize _cellSize{TemplateButtonCell::kWidth, TemplateButtonCell::kHeight};

    int _rows = 0;
    int _columns = 0;
    QList<TemplateButtonCell> _cells;
    int _selected = -1;
};
