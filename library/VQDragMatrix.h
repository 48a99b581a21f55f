#pragma once

#include "library/TemplateButtonCell.h"

class PasteboardData;
class VQMenuDelegate;

// The template manager's icon grid. A press on an enabled cell selects it and
// acts at once (a double click sends the double action); presses on disabled
// cells or between cells are the base grid's. The first move of a press
// drags the selected template out as "DragDropInstalledTemplatePboardType",
// its document ID as a property list, with no distance threshold.
class VQDragMatrix : public TemplateButtonMatrix {
    Q_OBJECT

public:
    explicit VQDragMatrix(QWidget* parent = nullptr);

    void setMenuDelegate(VQMenuDelegate* delegate) { _menuDelegate = delegate; }
    // Declares the drag type with the selected cell's document ID.
    void copyToPasteboard(PasteboardData& pasteboard);
    // The drag image: the selected cell's image at half opacity.
    QPixmap dragImage();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    bool hitsEnabledCell(const QMouseEvent& event, int& index);

    VQMenuDelegate* _menuDelegate = nullptr;
    bool _pressed = false;
};
