#pragma once

#include "library/TemplateButtonCell.h"
#include "platform/documents/WindowController.h"

#include <QRect>
#include <functional>

class Notification;
class QComboBox;
class QDialog;
class QLabel;
class QPushButton;
class QScrollArea;
class RoduvudeDadevizi;

// The template chooser sheet of a catalog window: a category pop-up, a grid of
// the category's templates (the document's master checked and selected), the
// selected template's name, category and description, and the buttons. Accept
// makes the chosen template the document's master (one undoable step) and
// remembers the category; the sheet's size is kept in the settings on accept.
// The grid follows the templates installed or removed while it is open, and
// reflows to the width of its scroll view, keeping the selection.
class TemplateSelectorWindowController : public WindowController {
    Q_OBJECT

public:
    TemplateSelectorWindowController();
    ~TemplateSelectorWindowController() override;

    RoduvudeDadevizi* catalogDocument() const;
    // Prepares the pop-up, the size and the grid, once the document is set.
    void awakeFromNib();
    // Runs the sheet on the window through the dialog seam; `done` gets the
    // return code (1 accepted, 0 cancelled) once it has ended.
    void beginSheetForWindow(QWidget* parent, std::function<void(int)> done);

    void buildMatrix();
    void acceptTemplateSelection();
    void cancelTemplateSelection();
    void templateCategoryChanged();
    void selectionChanged();
    void updateSelectionInfo();
    void selectorHasResized();

    // Columns the scroll view's content width holds, at least one.
    int columnsForWidth() const;
    int contentWidth() const;
    int templateCount() const { return _templateCount; }

    QDialog* dialog() const { return _dialog; }
    QComboBox* templateCategoryMenu() const { return _templateCategoryMenu; }
    QScrollArea* templateScrollView() const { return _templateScrollView; }
    QLabel* selectionName() const { return _selectionName; }
    QLabel* selectionCategory() const { return _selectionCategory; }
    QLabel* selectionDescription() const { return _selectionDescription; }
    // Null while no templates are shown.
    TemplateButtonMatrix* matrix() const { return _theMatrix; }
    QPushButton* acceptButton() const { return _acceptButton; }
    QPushButton* cancelButton() const { return _cancelButton; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void templateSetChanged(const Notification& notification);
    TemplateButtonCell prototypeCell() const;
    void scrollToRememberedCell();
    void releaseMatrix();
    void endSheet(int returnCode);

    QDialog* _dialog = nullptr;
    QComboBox* _templateCategoryMenu = nullptr;
    QScrollArea* _templateScrollView = nullptr;
    QLabel* _selectionName = nullptr;
    QLabel* _selectionCategory = nullptr;
    QLabel* _selectionDescription = nullptr;
    QPushButton* _acceptButton = nullptr;
    QPushButton* _cancelButton = nullptr;
    TemplateButtonMatrix* _theMatrix = nullptr;
    int _templateCount = 0;
    // The master's cell, scrolled into view when the grid is shown.
    QRect _rememberedCellFrame;
    bool _ended = false;
};
