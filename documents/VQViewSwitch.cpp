#include "documents/VQViewSwitch.h"

#include "library/TemplateHandle.h"
#include "platform/foundation/HostServices.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/graphics/Image.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QThread>
#include <algorithm>

namespace {

constexpr int kGraphiteColorVariant = 6;
constexpr uint32_t kLastBeforePanther = 0x102F;
constexpr qreal kFontSize = 11;

QFont cellFont() {
    QFont font = QApplication::font();
    font.setPointSizeF(kFontSize);
    return font;
}

QImage named(const QString& name) {
    return TemplateHandle::applicationImageNamed(name).toQImage();
}

} // namespace

VQViewSwitch::VQViewSwitch(QWidget* parent) : QWidget(parent) {
    preloadImages();
}

VQViewSwitch::~VQViewSwitch() = default;

void VQViewSwitch::preloadImages() {
    HostServices* services = HostServices::current();
    const bool panther = !services || services->osSystemVersion() > kLastBeforePanther;
    const QString p = panther ? QStringLiteral("P") : QString();
    const bool graphite = UserDefaults::standardUserDefaults().integerForKey(
                              QStringLiteral("AppleAquaColorVariant")) == kGraphiteColorVariant;
    const QString variant = graphite ? QStringLiteral("6") : QStringLiteral("1");
    _vDivider = named(QStringLiteral("vDiv"));
    _leftCap = named(QStringLiteral("LeftCap") + p);
    _leftCapPressed = named(QStringLiteral("LeftCapPressed") + p);
    _midSection = named(QStringLiteral("Mid") + p);
    _midSectionPressed = named(QStringLiteral("MidPressed") + p);
    _rightCap = named(QStringLiteral("RightCap") + p);
    _rightCapPressed = named(QStringLiteral("RightCapPressed") + p);
    _leftCapSelected = named(QStringLiteral("LeftCap") + p + variant);
    _leftCapSelectedPressed = named(QStringLiteral("LeftCapPressed") + p + variant);
    _midSectionSelected = named(QStringLiteral("Mid") + p + variant);
    _midSectionSelectedPressed = named(QStringLiteral("MidPressed") + p + variant);
    _rightCapSelected = named(QStringLiteral("RightCap") + p + variant);
    _rightCapSelectedPressed = named(QStringLiteral("RightCapPressed") + p + variant);
}

void VQViewSwitch::controlTintChanged() {
    preloadImages();
    update();
}

void VQViewSwitch::addCell(const QString& title, const QImage& image) {
    Cell cell;
    cell.title = title;
    cell.image = image;
    int natural = 0;
    if (!title.isNull())
        natural = int(QFontMetricsF(cellFont()).horizontalAdvance(title) + 8);
    if (!image.isNull()) {
        natural += int(image.deviceIndependentSize().width());
        if (!title.isNull())
            natural += 4;
    }
    cell.width = std::max(natural, kCapWidth);
    _cells.append(cell);

    int total = int(_cells.size()) - 1;
    for (const Cell& each : std::as_const(_cells))
        total += each.width;
    if (total != width())
        resize(total, height());
    else
        update();
}

int VQViewSwitch::cellWidth(int index) const {
    return index >= 0 && index < _cells.size() ? _cells[index].width : 0;
}

QRect VQViewSwitch::cellRect(int index) const {
    int x = 0;
    for (int i = 0; i < index; ++i)
        x += _cells[i].width + 1;
    return QRect(x, 0, cellWidth(index), height());
}

int VQViewSwitch::cellAtPoint(QPoint point) const {
    if (point.y() < 0 || point.y() >= height())
        return -1;
    for (int i = 0; i < _cells.size(); ++i)
        if (cellRect(i).contains(point))
            return i;
    return -1;
}

void VQViewSwitch::setValue(int value) {
    if (value == _curValue)
        return;
    _curValue = value;
    update();
    if (_myDelegate)
        _myDelegate->viewSwitchSelectionChanged(this);
}

void VQViewSwitch::setSwitchVisible(bool flag) {
    if (flag == _visible)
        return;
    _visible = flag;
    update();
}

bool VQViewSwitch::isActive() const {
    const QWidget* top = window();
    return top && (top->isActiveWindow() || (top->windowFlags() & Qt::Tool) == Qt::Tool);
}

VQViewSwitch::CellImages VQViewSwitch::imagesForCell(int index) const {
    const bool selected = index == _curValue;
    const bool pressed = index == _curHilight;
    if (!selected)
        return pressed ? CellImages::Pressed : CellImages::Plain;
    if (pressed)
        return CellImages::SelectedPressed;
    return isActive() ? CellImages::Selected : CellImages::Pressed;
}

void VQViewSwitch::paintEvent(QPaintEvent* event) {
    if (!_visible || QThread::currentThread() != qApp->thread())
        return;
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.fillRect(event->rect().adjusted(1, 1, -1, -1), palette().window());
    const int count = int(_cells.size());
    for (int i = 0; i < count; ++i) {
        const QRect cell = cellRect(i);
        const CellImages set = imagesForCell(i);
        const auto pick = [set](const QImage& plain, const QImage& pressed, const QImage& selected,
                                const QImage& selectedPressed) -> const QImage& {
            switch (set) {
            case CellImages::Plain:
                return plain;
            case CellImages::Pressed:
                return pressed;
            case CellImages::Selected:
                return selected;
            case CellImages::SelectedPressed:
                break;
            }
            return selectedPressed;
        };
        const QImage& mid =
            pick(_midSection, _midSectionPressed, _midSectionSelected, _midSectionSelectedPressed);
        if (i > 0)
            painter.drawImage(QRect(cell.x() - 1, cell.y(), 1, cell.height()), _vDivider);
        if (i == 0) {
            painter.drawImage(
                QRect(cell.x(), cell.y(), kCapWidth, cell.height()),
                pick(_leftCap, _leftCapPressed, _leftCapSelected, _leftCapSelectedPressed));
            if (cell.width() > kCapWidth)
                painter.drawImage(
                    QRect(cell.x() + kCapWidth, cell.y(), cell.width() - kCapWidth, cell.height()),
                    mid);
        } else if (i < count - 1) {
            painter.drawImage(cell, mid);
        } else {
            if (cell.width() > kCapWidth)
                painter.drawImage(
                    QRect(cell.x(), cell.y(), cell.width() - kCapWidth, cell.height()), mid);
            painter.drawImage(
                QRect(cell.right() + 1 - kCapWidth, cell.y(), kCapWidth, cell.height()),
                pick(_rightCap, _rightCapPressed, _rightCapSelected, _rightCapSelectedPressed));
        }
        drawCellContents(painter, _cells[i], i, cell);
    }
}

void VQViewSwitch::drawCellContents(QPainter& painter, const Cell& cell, int index,
                                    QRect rect) const {
    rect.setWidth(cell.width);
    rect.adjust(2, 2, -2, -2);
    if (index == 0)
        rect.translate(2, 0);
    else if (index == _cells.size() - 1)
        rect.translate(-2, 0);
    if (!cell.title.isNull()) {
        painter.setFont(cellFont());
        painter.setPen(palette().color(QPalette::ButtonText));
        painter.drawText(rect.translated(0, 3), Qt::AlignHCenter | Qt::AlignTop, cell.title);
    }
    if (!cell.image.isNull()) {
        const QSizeF size = cell.image.deviceIndependentSize();
        const QRectF at(rect.center().x() - size.width() / 2 + 0.5,
                        rect.center().y() - size.height() / 2 + 0.5, size.width(), size.height());
        painter.drawImage(at, cell.image);
    }
}

void VQViewSwitch::mousePressEvent(QMouseEvent* event) {
    _trackedCell = -1;
    if (!_visible || event->button() != Qt::LeftButton)
        return;
    const int cell = cellAtPoint(event->position().toPoint());
    if (cell < 0)
        return;
    _trackedCell = cell;
    _curHilight = cell;
    update();
}

void VQViewSwitch::mouseMoveEvent(QMouseEvent* event) {
    if (_trackedCell < 0)
        return;
    const int hilight =
        cellRect(_trackedCell).contains(event->position().toPoint()) ? _trackedCell : -1;
    if (hilight != _curHilight) {
        _curHilight = hilight;
        update();
    }
}

void VQViewSwitch::mouseReleaseEvent(QMouseEvent* event) {
    if (_trackedCell < 0 || event->button() != Qt::LeftButton)
        return;
    const int cell = _trackedCell;
    _trackedCell = -1;
    if (cellRect(cell).contains(event->position().toPoint()) && cell != _curValue)
        setValue(cell);
    _curHilight = -1;
    update();
}

void VQViewSwitch::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange)
        update();
    else if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
        controlTintChanged();
}
