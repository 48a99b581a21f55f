#pragma once

#include "framework/FormwellExport.h"
#include "framework/editor/TM_TemplateView.h"
#include "framework/model/TMObject.h"
#include "platform/ui/AngleDial.h"
#include "platform/ui/PaletteController.h"

#include <QPointer>

class QAbstractButton;
class QCheckBox;
class QDial;
class QLabel;
class QLineEdit;
class QMenu;
class QToolButton;
class SSCircularSlider;
class TemplateDocument;
class TemplateEditorController;

// The shared Geometry palette of the template editor windows: the anchor
// point, size and rotation of the one selected object in the page's display
// unit, each with a lock; every edit applied at once and undoable. With no
// object or several selected it shows a grey message.
class FORMWELL_EXPORT GeometryController : public PaletteController {
public:
    // Control tags.
    enum Tag : int {
        AnchorX = 1,
        AnchorY = 2,
        ControlPointLock = 3,
        Width = 11,
        Height = 12,
        SizeLock = 13,
        Rotation = 21,
        RotationSlider = 22,
        RotationLock = 23,
    };

    static GeometryController* sharedGeometryController();
    ~GeometryController() override;

    // The canvas the palette follows; set from the main editor window.
    void setEditingTemplateView(TM_TemplateView* view);
    TM_TemplateView* editingTemplateView() const { return _editingTemplateView; }
    TMObjectRef geometryObject() const { return _geometryObject; }
    // Rebuilds the palette's view now.
    void activatePalette();
    // The message shown instead of the controls; empty while they show.
    QString message() const;
    // A control by tag (the dial counts as 22), or null.
    QWidget* control(int tag) const;
    QToolButton* anchorPopUp() const { return _anchorPopUp; }
    QToolButton* sizePresetPopUp() const { return _sizePresetPopUp; }
    QLabel* anchorLabel() const { return _anchorLabel; }

    // Anchor 0 centre, 1 upper left, 3 upper right, 2 lower left, 4 lower right.
    Point anchorPt() const;
    void setAnchorPt(Point point);
    int anchorPoint() const { return _curAnchorPt; }
    void anchorPtChanged(int tag);
    void sizePresetChanged(const QString& title);
    // The sender's tag decides; the sender's text is read as shown.
    void geometryChanged(QWidget* sender);
    void geometryLocked(QAbstractButton* sender);
    // Degrees, from the dial (or the circular slider on an old host).
    float sliderValue() const;
    void setSliderValue(float degrees);
    SSCircularSlider* circularSlider() const { return _ssSlider; }
    QDial* dial() const { return _dial; }
    void updatePaletteValues();

protected:
    QPoint defaultOrigin(const QRect& visibleFrame, const QSize& frameSize) const override;
    const void* documentOfWindow(const void* window) const override;
    void mainWindowChanged(const Notification& notification) override;
    void mainWindowResigned(const Notification& notification) override;
    bool canShow() const override;

private:
    friend class PaletteController;
    GeometryController();
    void buildStandardPalette();
    static TemplateEditorController* editorOfWindow(const void* window);
    void recordDisplayedValues();
    void setupPopupMenus();
    QMenu* menuForUnits(const QString& unit);
    TemplateDocument* document() const;
    void scheduleUpdate();
    void registerGeometryUndo(const char* actionKey);

    QPointer<TM_TemplateView> _editingTemplateView;
    bool _needsUpdate = false;
    QWidget* _standardPalette = nullptr;
    QLabel* _messageView = nullptr;
    TMObjectRef _geometryObject;
    QToolButton* _anchorPopUp = nullptr;
    QLabel* _anchorLabel = nullptr;
    QLineEdit* _xField = nullptr;
    QLineEdit* _yField = nullptr;
    QCheckBox* _controlLock = nullptr;
    QToolButton* _sizePresetPopUp = nullptr;
    QLineEdit* _widthField = nullptr;
    QLineEdit* _heightField = nullptr;
    QCheckBox* _sizeLock = nullptr;
    QLineEdit* _rotationField = nullptr;
    AngleDial* _dial = nullptr;
    SSCircularSlider* _ssSlider = nullptr;
    QCheckBox* _rotationLock = nullptr;
    float _displayedObjCtrlX = 0, _displayedObjCtrlY = 0, _displayedObjWidth = 0,
          _displayedObjHeight = 0, _displayedObjRotation = 0;
    QMenu* _usMenu = nullptr;
    QMenu* _metricMenu = nullptr;
    QMenu* _anchorPtsMenu = nullptr;
    int _curAnchorPt = 0;
};
