#pragma once

#include "documents/CatalogPanel.h"
#include "documents/CatalogToolbar.h"
#include "platform/documents/View.h"
#include "platform/ui/Commands.h"

#include <QPointer>
#include <memory>

class Notification;
class TemplateMapper;
class TemplateView;
class QAction;

// The layout panel of a catalog window: the current page of the document's
// layout as a page view, at its own size when it fits inside a 20-point margin
// and reduced in proportion otherwise, centred, with a soft shadow behind it.
// A template dropped on the panel becomes the document's master.
//
// The page view draws through the mapper it was given; the panel keeps that
// mapper alive until it re-points the view, so a revert, which gives the
// document a new mapper, never leaves the view drawing through a freed one.
// Only that mapper's notifications reach the panel.
class RovedezevOvod : public View, public CatalogPanel, public CommandResponder {
    Q_OBJECT

public:
    static constexpr float kPageMargin = 20;

    explicit RovedezevOvod(QWidget* parent = nullptr);
    ~RovedezevOvod() override;

    QWidget* panelView() override { return this; }
    // Also re-points the page view at the document's current mapper; a hidden
    // panel without a page view waits until it is laid out.
    void setDocument(RoduvudeDadevizi* document) override;
    RoduvudeDadevizi* document() const { return _document; }
    void setEditMode(int mode) override { _curEditMode = mode; }
    int editMode() const { return _curEditMode; }
    // Redraws only when the flag changes.
    Q_INVOKABLE void setDragHilight(bool flag) override { View::setDragHilight(flag); }
    void setupToolbar() override { _toolbarDelegate.setupToolbar(window()); }
    void adjustToolbarButtons() override { _toolbarDelegate.adjustToolbarButtons(); }
    CatalogToolbarDelegate& toolbarDelegate() { return _toolbarDelegate; }
    void calculateLayout() override;
    bool canIHandleDrag(const DraggingInfo& info) override;

    // The page view, made at the first call once the layout has a template;
    // null before.
    TemplateView* templateView() override;
    // The document's layout; null without a document.
    TemplateMapper* mapper() const;

    // Cells of the current page whose photo is selected are emptied.
    void clearSelectedCells() override;
    bool areSelectedCellsVisible() const override;
    bool areSelectedCellsOnAPage() const override;

    // The window controller's commands, sent on to it unchanged.
    bool respondsToAction(const QString& action) const override;
    bool validateMenuItem(QAction& item) override;
    void performAction(const QString& action, QAction* sender) override;

protected:
    void drawRect(const Rect& dirtyRect) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

    void concludeDragOperation(const DraggingInfo& info) override;

private:
    void templateMapperMasterChanged(const Notification& notification);
    void templateMapperPageChanged(const Notification& notification);
    // The page frame in the panel's bounds for the current page's template.
    Rect pageFrame();
    void followDocumentMapper();
    CommandResponder* controllerFor(const QString& action) const;

    QPointer<TemplateView> _templateView;
    RoduvudeDadevizi* _document = nullptr;
    std::shared_ptr<TemplateMapper> _shownMapper;
    int _curEditMode = 0;
    CatalogToolbarDelegate _toolbarDelegate{CatalogToolbarKind::Layout, *this};
};
