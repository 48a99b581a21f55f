#include "library/TemplateButtonCell.h"

#include "platform/foundation/Resources.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>

void TemplateButtonCell::setDescription(const QString& description) {
    QString oneLine = description;
    oneLine.replace(QLatin1Char('\n'), QLatin1Char(' '));
    oneLine.replace(QLatin1Char('\r'), QLatin1Char(' '));
    _description = oneLine;
}

Image TemplateButtonCell::namedImage(const QString& name) {
    const QImage pixels = Resources::applicationImageNamed(name);
    return pixels.isNull() ? Image() : Image(pixels);
}

void TemplateButtonCell::drawInteriorWithFrame(QPainter& painter, const QRect& frame,
                                               bool on) const {
    if (!_enabled)
        return;
    const QPalette palette = QApplication::palette();
    if (on)
        painter.fillRect(frame, palette.color(QPalette::Highlight));
    const QRect imageArea = frame.adjusted(0, 0, 0, -kTitleBand);
    if (!_image.isNull()) {
        const QSizeF size = _image.size().toQSizeF();
        QRectF target(QPointF(), size);
        target.moveCenter(QRectF(imageArea).center());
        painter.drawImage(target, _image.pixels());
    }
    if (_drawsCheckmark) {
        const Image check = namedImage(QStringLiteral("Checkmark"));
        if (!check.isNull()) {
            const QSizeF size = check.size().toQSizeF();
            // Its top-left corner 2 points in and 16 points above the image area's bottom.
            const QPointF topLeft(imageArea.left() + 2, imageArea.bottom() + 1 - kTitleBand);
            painter.drawImage(QRectF(topLeft, size), check.pixels());
        }
    }
    QFont font = QApplication::font();
    font.setPointSizeF(10);
    painter.setFont(font);
    painter.setPen(palette.color(on ? QPalette::HighlightedText : QPalette::WindowText));
    const QRect band(frame.left(), frame.bottom() + 1 - kTitleBand, frame.width(), kTitleHeight);
    painter.drawText(band, Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextWordWrap, _title);
}

TemplateButtonMatrix::TemplateButtonMatrix(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
}

void TemplateButtonMatrix::renewRowsColumns(int rows, int columns,
                                            const TemplateButtonCell& prototype) {
    _rows = rows;
    _columns = columns;
    _cells = QList<TemplateButtonCell>(qsizetype(rows) * columns, prototype);
    _selected = -1;
    update();
}

void TemplateButtonMatrix::reflow(int rows, int columns, const TemplateButtonCell& prototype) {
    _rows = rows;
    _columns = columns;
    _cells.resize(qsizetype(rows) * columns, prototype);
    if (_selected >= _cells.size())
        _selected = -1;
    update();
}

void TemplateButtonMatrix::reflowToColumns(int columns, int count,
                                           const TemplateButtonCell& prototype) {
    const int rows = (count + columns - 1) / columns;
    if (columns == _columns && rows == _rows)
        return;
    const TemplateButtonCell* selected = selectedCell();
    const int tag = selected ? selected->tag() : 0;
    reflow(rows, columns, prototype);
    sizeToCells();
    if (tag)
        selectCellWithTag(tag);
}

TemplateButtonCell* TemplateButtonMatrix::cellAtRowColumn(int row, int column) {
    if (row < 0 || row >= _rows || column < 0 || column >= _columns)
        return nullptr;
    return &_cells[row * _columns + column];
}

QRect TemplateButtonMatrix::cellFrameAtRowColumn(int row, int column) const {
    return {QPoint(column * _cellSize.width(), row * _cellSize.height()), _cellSize};
}

void TemplateButtonMatrix::setCellSize(QSize size) {
    _cellSize = size;
    update();
}

TemplateButtonCell* TemplateButtonMatrix::selectedCell() {
    return _selected >= 0 ? &_cells[_selected] : nullptr;
}

QRect TemplateButtonMatrix::selectedCellFrame() const {
    if (_selected < 0 || _columns == 0)
        return {};
    return cellFrameAtRowColumn(_selected / _columns, _selected % _columns);
}

bool TemplateButtonMatrix::selectCellAtIndex(int index) {
    if (index < 0 || index >= _cells.size() || !_cells[index].isEnabled())
        return false;
    _selected = index;
    update();
    return true;
}

bool TemplateButtonMatrix::selectCellWithTag(int tag) {
    for (int i = 0; i < _cells.size(); ++i)
        if (_cells[i].isEnabled() && _cells[i].tag() == tag)
            return selectCellAtIndex(i);
    return false;
}

void TemplateButtonMatrix::sizeToCells() {
    resize(_columns * _cellSize.width(), _rows * _cellSize.height());
}

int TemplateButtonMatrix::indexAtPoint(const QPoint& point) const {
    if (point.x() < 0 || point.y() < 0 || _columns == 0)
        return -1;
    const int column = point.x() / _cellSize.width();
    const int row = point.y() / _cellSize.height();
    if (column >= _columns || row >= _rows)
        return -1;
    return row * _columns + column;
}

void TemplateButtonMatrix::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    for (int i = 0; i < _cells.size(); ++i)
        _cells[i].drawInteriorWithFrame(painter, cellFrameAtRowColumn(i / _columns, i % _columns),
                                        i == _selected);
}

void TemplateButtonMatrix::mousePressEvent(QMouseEvent* event) {
    if (selectCellAtIndex(indexAtPoint(event->position().toPoint())) && action)
        action();
}

void TemplateButtonMatrix::mouseDoubleClickEvent(QMouseEvent* event) {
    const int index = indexAtPoint(event->position().toPoint());
    if (selectCellAtIndex(index) && doubleAction)
        doubleAction();
}
