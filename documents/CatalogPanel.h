#pragma once

class DraggingInfo;
class QWidget;
class RoduvudeDadevizi;
class TemplateView;

// The edit mode of a catalog window, held by its controller.
enum PhotoEditMode : int {
    PhotoEditModeNone = 0,
    PhotoEditModeCrop = 1,
    PhotoEditModeRedEye = 2,
    PhotoEditModeCaption = 3,
};

// What the catalog window asks of the panel it shows in its main view (the
// photograph and the layout panel).
class CatalogPanel {
public:
    virtual ~CatalogPanel() = default;

    // The panel's view, placed in the window's main view while it is shown.
    virtual QWidget* panelView() = 0;
    virtual void setDocument(RoduvudeDadevizi* document) = 0;
    // A PhotoEditMode; 0 none.
    virtual void setEditMode(int mode) = 0;
    virtual void setDragHilight(bool flag) = 0;
    // Installs the panel's toolbar in the window.
    virtual void setupToolbar() = 0;
    virtual void adjustToolbarButtons() = 0;
    // Fits the content to the panel's new size.
    virtual void calculateLayout() = 0;
    virtual bool canIHandleDrag(const DraggingInfo& info) = 0;

    // The layout panel's page view and photo cells; the photograph panel has none.
    virtual TemplateView* templateView() { return nullptr; }
    virtual bool areSelectedCellsOnAPage() const { return false; }
    virtual bool areSelectedCellsVisible() const { return false; }
    virtual void clearSelectedCells() {}
};
