#pragma once

class QContextMenuEvent;
class QMenu;

// Asked by the template manager's table and icon grid for their context menu.
class VQMenuDelegate {
public:
    virtual ~VQMenuDelegate() = default;
    // The menu to show for the event; null for none. The delegate keeps it.
    virtual QMenu* menuForEvent(QContextMenuEvent* event) = 0;
};
