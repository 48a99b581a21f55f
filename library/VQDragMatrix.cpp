#include "library/VQDragMatrix.h"

#include "library/NewTemplateManager.h"
#include "library/VQMenuDelegate.h"
#include "platform/ui/Pasteboard.h"

#include <QContextMenuEvent>
#include <QDrag>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

VQDragMatrix::VQDragMatrix(QWidget* parent) : TemplateButtonMatrix(parent) {}

bool VQDragMatrix::hitsEnabledCell(const QMouseEvent& event, int& index) {
    index = indexAtPoint(event.position().toPoint());
    return index >= 0 && cells()[index].isEnabled();
}

void VQDragMatrix::mousePressEvent(QMouseEvent* event) {
    int index = -1;
    if (event->button() != Qt::LeftButton || !hitsEnabledCell(*event, index)) {
        TemplateButtonMatrix::mousePressEvent(event);
        return;
    }
    selectCellAtIndex(index);
    _pressed = true;
    if (action)
        action();
}

void VQDragMatrix::mouseDoubleClickEvent(QMouseEvent* event) {
    int index = -1;
    if (event->button() != Qt::LeftButton || !hitsEnabledCell(*event, index)) {
        TemplateButtonMatrix::mouseDoubleClickEvent(event);
        return;
    }
    selectCellAtIndex(index);
    if (doubleAction)
        doubleAction();
}

void VQDragMatrix::mouseReleaseEvent(QMouseEvent* event) {
    _pressed = false;
    TemplateButtonMatrix::mouseReleaseEvent(event);
}

void VQDragMatrix::copyToPasteboard(PasteboardData& pasteboard) {
    const TemplateButtonCell* cell = selectedCell();
    if (!cell)
        return;
    Pasteboard::setPropertyListForType(pasteboard, cell->documentID(),
                                       QString::fromLatin1(kDragDropInstalledTemplatePboardType));
}

QPixmap VQDragMatrix::dragImage() {
    const TemplateButtonCell* cell = selectedCell();
    if (!cell || cell->image().isNull())
        return {};
    // The cell's pixels are stored top row first, as the drag image wants them.
    const QImage& pixels = cell->image().pixels();
    QImage faded(pixels.size(), QImage::Format_ARGB32_Premultiplied);
    faded.fill(Qt::transparent);
    QPainter painter(&faded);
    painter.setOpacity(0.5);
    painter.drawImage(0, 0, pixels);
    painter.end();
    return QPixmap::fromImage(faded);
}

void VQDragMatrix::mouseMoveEvent(QMouseEvent* event) {
    if (!_pressed || !(event->buttons() & Qt::LeftButton) || !selectedCell()) {
        TemplateButtonMatrix::mouseMoveEvent(event);
        return;
    }
    // One drag per press, started by its first move.
    _pressed = false;
    auto* data = new PasteboardData(this);
    copyToPasteboard(*data);
    QDrag drag(this);
    drag.setMimeData(data);
    const QPixmap image = dragImage();
    if (!image.isNull()) {
        drag.setPixmap(image);
        drag.setHotSpot(QPoint(image.width() / 2, image.height() / 2));
    }
    DragSession::runDrag(drag, Qt::CopyAction, Qt::CopyAction);
}

void VQDragMatrix::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = _menuDelegate ? _menuDelegate->menuForEvent(event) : nullptr;
    if (!menu)
        return;
    menu->popup(event->globalPos());
    event->accept();
}
