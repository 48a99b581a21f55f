#pragma once

#include "framework/FormwellExport.h"
#include "framework/inspectors/TMObjectController.h"
#include "framework/model/TMObject.h"
#include "platform/ui/PaletteController.h"

#include <QPointer>
#include <QString>
#include <QWidget>

class ColorWell;
class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class TM_TemplateView;
class TemplateDocument;
class TemplateEditorController;

// The shared Inspector of the template editor windows. It follows the main
// editor window and shows, on three tabs, the template's properties, its page
// set-up and the inspector palette of the one selected object (or a grey
// message). Every edit is applied at once and undoable.
//
// The controls carry the names of their fields as object names, so that
// control<T>("_nameField") finds them.
class FORMWELL_EXPORT InspectorController : public PaletteController {
public:
    enum TabIndex : int { DocumentTab = 0, PageTab = 1, ObjectTab = 2 };

    static InspectorController* sharedInspectorController();
    ~InspectorController() override;

    template <class T> T* control(const char* name) const {
        return window()->findChild<T*>(QString::fromLatin1(name));
    }
    QTabWidget* masterTabView() const { return _masterTabView; }

    // The canvas of the editor window (or null) becomes the one inspected.
    void setMainWindow(QWidget* window);
    TM_TemplateView* inspectingTemplateView() const { return _inspectingTemplateView; }
    TemplateDocument* inspectingDocument() const;
    TemplateDocument* document() const { return inspectingDocument(); }

    void updateDisplayedValues();
    void updateDisplayedDocumentValues();
    void updateDisplayedPageValues();

    // Rebuilds the object tab now.
    void activatePalette();
    // The end of an event-loop pass: the object tab rebuilt when it was marked.
    void windowDidUpdate();
    bool needsUpdate() const { return _needsUpdate; }
    // The object tab's message; empty while an inspector palette shows.
    QString message() const;
    QWidget* inspectorPaletteView() const { return _inspectorPaletteView; }
    TMObjectRef inspectedObject() const { return _inspectedObject; }
    TMObjectController* inspectedObjectController() const { return _inspectedObjectController; }

    // The actions of the controls, with the control that sent them.
    void documentPropertyChange(QWidget* sender);
    void pageDefChanged(QObject* sender);
    void pageDisplayChanged(QObject* sender);
    void thumbnailGenChange(int tag);
    void addThumbnail();
    void removeThumbnail();
    void autoThumbnail();
    void receiveThumbnailImage();
    // Lets the shown inspector give up the colour panel.
    void deactivateColorWells(QObject* sender);

protected:
    QPoint defaultOrigin(const QRect& visibleFrame, const QSize& frameSize) const override;
    bool canShow() const override;
    const void* documentOfWindow(const void* window) const override;
    void mainWindowChanged(const Notification& notification) override;
    void mainWindowResigned(const Notification& notification) override;

private:
    friend class PaletteController;
    InspectorController();
    void buildDocumentTab();
    void buildPageTab();
    void buildObjectTab();
    void observe();
    void scheduleUpdate();
    void deactivatePageWells();
    static TemplateEditorController* editorOfWindow(const void* window);

    QTabWidget* _masterTabView = nullptr;

    QLineEdit* _nameField = nullptr;
    QComboBox* _categoryField = nullptr;
    QLineEdit* _creatorField = nullptr;
    QLineEdit* _descriptionField = nullptr;
    QLineEdit* _copyrightField = nullptr;
    QLineEdit* _versionField = nullptr;
    QLabel* _thumbnailView = nullptr;
    QWidget* _thumbnailGenMatrixView = nullptr;
    QButtonGroup* _thumbnailGenMatrix = nullptr;
    QPushButton* _addThumbnailButton = nullptr;
    QPushButton* _removeThumbnailButton = nullptr;
    QPushButton* _autoThumbnailButton = nullptr;
    QList<QLabel*> _documentLabels;

    QWidget* _autoPageSizeMatrixView = nullptr;
    QButtonGroup* _autoPageSizeMatrix = nullptr;
    QLineEdit* _pageWidthField = nullptr;
    QLineEdit* _pageHeightField = nullptr;
    QComboBox* _displayUnitsPopUp = nullptr;
    QComboBox* _gridDivisionsPopUp = nullptr;
    QCheckBox* _showsMarginSwitch = nullptr;
    QCheckBox* _snapsToGridSwitch = nullptr;
    QCheckBox* _showsGridSwitch = nullptr;
    ColorWell* _gridColorWell = nullptr;
    QCheckBox* _snapsToGuidesSwitch = nullptr;
    QCheckBox* _showsGuidesSwitch = nullptr;
    ColorWell* _guideColorWell = nullptr;
    QList<QLabel*> _pageLabels;
    QPointer<TemplateDocument> _pageShownFor;

    QWidget* _objectContainerView = nullptr;
    QLabel* _messageView = nullptr;

    QPointer<TM_TemplateView> _inspectingTemplateView;
    QMetaObject::Connection _canvasGone;
    bool _needsUpdate = false;
    bool _updateScheduled = false;
    QPointer<QWidget> _inspectorPaletteView;
    TMObjectRef _inspectedObject;
    QPointer<TMObjectController> _inspectedObjectController;
};
