#pragma once

#include <QImage>
#include <QList>
#include <QPointer>
#include <QString>
#include <QWidget>

class VQViewSwitch;

// Told when the switch's value changes, by a click or by program.
class VQViewSwitchDelegate {
public:
    virtual ~VQViewSwitchDelegate() = default;
    virtual void viewSwitchSelectionChanged(VQViewSwitch* sender) = 0;
};

// A row of cells drawn from cap images, each with a title or an image, of which
// at most one is the value (-1 until a value is set). A click on a cell makes
// it the value and tells the delegate.
class VQViewSwitch : public QWidget {
    Q_OBJECT

public:
    // Cells are at least this wide; the caps are drawn in this width.
    static constexpr int kCapWidth = 26;

    explicit VQViewSwitch(QWidget* parent = nullptr);
    ~VQViewSwitch() override;

    // Appends a cell and widens the switch to hold every cell and the dividers.
    void addCell(const QString& title, const QImage& image = QImage());
    int cellCount() const { return int(_cells.size()); }
    int cellWidth(int index) const;
    // The cell's rectangle in the switch; cells are separated by 1-point dividers.
    QRect cellRect(int index) const;
    // The cell under the point; -1 on a divider or beyond the last cell.
    int cellAtPoint(QPoint point) const;

    int value() const { return _curValue; }
    // A changed value is stored, redrawn and reported to the delegate.
    void setValue(int value);
    VQViewSwitchDelegate* delegate() const { return _myDelegate; }
    void setDelegate(VQViewSwitchDelegate* delegate) { _myDelegate = delegate; }
    // A switch that is not visible neither draws nor takes clicks; it keeps
    // its place among its siblings (QWidget's own visibility is left alone).
    bool switchVisible() const { return _visible; }
    void setSwitchVisible(bool flag);
    // The cell pressed under the mouse while it tracks; -1 none.
    int hilightedCell() const { return _curHilight; }

    // Which image set a cell is drawn with.
    enum class CellImages { Plain, Pressed, Selected, SelectedPressed };
    CellImages imagesForCell(int index) const;

    // Reloads the images: the selected set follows the graphite colour variant.
    void preloadImages();
    void controlTintChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    struct Cell {
        QString title;
        QImage image;
        int width = kCapWidth;
    };
    void drawCellContents(QPainter& painter, const Cell& cell, int index, QRect rect) const;
    bool isActive() const;

    bool _visible = true;
    int _curValue = -1;
    int _curHilight = -1;
    int _trackedCell = -1;
    VQViewSwitchDelegate* _myDelegate = nullptr;
    QList<Cell> _cells;
    QImage _vDivider;
    QImage _leftCap, _leftCapSelected, _leftCapPressed, _leftCapSelectedPressed;
    QImage _midSection, _midSectionSelected, _midSectionPressed, _midSectionSelectedPressed;
    QImage _rightCap, _rightCapSelected, _rightCapPressed, _rightCapSelectedPressed;
};
