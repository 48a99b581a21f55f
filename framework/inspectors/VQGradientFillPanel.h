#pragma once

#include "framework/FormwellExport.h"
#include "framework/inspectors/VQGradientDelegate.h"
#include "framework/model/TemplateDocument.h"
#include "framework/model/VQGradientFill.h"
#include "platform/ui/PaletteController.h"

#include <QMenu>
#include <QPointF>
#include <QPointer>
#include <QVariantMap>
#include <vector>

class QAction;
class QComboBox;
class AngleDial;
class QLineEdit;
class QPushButton;
class SSCircularSlider;
class TemplateEditorController;
class VQColorMarker;
class VQGradientFillWell;
class VQGradientView;
class VQGradientViewMatrix;

// Defaults key of the stored presets: the archive of one dictionary from
// "%04d:%04d" (row, column) to a fill.
inline constexpr char kGradientPresetsKey[] = "_gradient_presets_d";

// The shared gradient editor of the template editor windows. It edits a copy
// of the active well's fill: style, angle, and the colour steps as markers
// hanging under a spectrum (the fill drawn axial at angle 0), and offers a
// grid of stored presets. Every edit hands a fresh copy back to the well,
// whose action applies it to the inspected object; adding a step waits for
// the next edit. A marker drag, like an angle drag, is one undo step on the
// document of the editor window served.
//
// The controls carry their field names as object names.
class FORMWELL_EXPORT VQGradientFillPanel : public PaletteController, public VQGradientDelegate {
public:
    static VQGradientFillPanel* sharedGradientFillPanelController();
    ~VQGradientFillPanel() override;

    void activate() override;

    // The well served (or none): the panel edits a copy of its fill.
    void setActiveGradientFillWell(VQGradientFillWell* well);
    VQGradientFillWell* activeGradientFillWell() const;
    const VQGradientFillRef& gradientFill() const { return _gradientFill; }
    void setGradientFill(const VQGradientFillRef& fill);
    // A copy of the panel's fill to the active well.
    void changeMade();

    // Actions, with the control that sent them.
    void fillStyleChanged();
    void axialRotationChanged(QObject* sender);
    void markerColorChanged(VQColorMarker* marker);
    void addColorMarker(QObject* sender);
    void editColorMarker();
    void deleteColorMarker();
    void presetSelectionMade();

    QMenu* menuForEvent(QWidget* source, const QPoint& point) override;
    void gradientViewDragConcluded(VQGradientView* view) override;
    void offsetColorMarkerBy(VQColorMarker* marker, float dx, float dy) override;
    void colorMarkerTrackingBegan(VQColorMarker* marker) override;
    void colorMarkerTrackingEnded(VQColorMarker* marker) override;
    void cellDidChangeAtRowColumnOfMatrix(int row, int column,
                                          VQGradientViewMatrix* matrix) override;
    void spectrumGradientFrameDidChange();
    void presetsTableFrameDidChange();

    void updateDisplayedValues();
    void updateDisplayedState();
    void drawPreviewBox();
    void drawSpectrumBox();
    void rebuildMarkers();
    int selectedMarkerIdx() const;
    // The marker under a point of the panel's window, or null.
    VQColorMarker* colorMarkerAtMousePos(const QPoint& point) const;
    // Degrees of the fill, through the angle control of this system.
    void setAxialSliderValue(float degrees);
    float axialSliderValue() const;
    // What the dial shows: 0 at the top to 359, clockwise.
    int dialDegrees() const;

    // Where the marker of a weight hangs, in the panel's window.
    QPointF anchorForWeight(float weight) const;
    const std::vector<VQColorMarker*>& colorMarkers() const { return _colorMarkers; }
    QMenu* contextMenu() const { return _myContextMenu; }
    TemplateDocument* document() const { return _myDocument; }
    int presetRows() const { return _presetRows; }
    int presetColumns() const { return _presetColumns; }
    QComboBox* fillStylePopUp() const { return _fillStylePopUp; }
    AngleDial* axialRotationSlider() const { return _axialRotationSlider; }
    SSCircularSlider* circularSlider() const { return _ssSlider; }
    QLineEdit* axialRotationField() const { return _axialRotationField; }
    VQGradientView* previewGradient() const { return _previewGradient; }
    VQGradientView* spectrumGradient() const { return _spectrumGradient; }
    VQGradientViewMatrix* presetsTable() const { return _presetsTable; }
    QPushButton* addMarkerButton() const { return _addMarkerButton; }
    QPushButton* removeMarkerButton() const { return _removeMarkerButton; }

    // The stored presets; an empty dictionary when the store holds none.
    static QVariantMap storedPresets();
    static QString presetKey(int row, int column);

protected:
    QPoint defaultOrigin(const QRect& visibleFrame, const QSize& frameSize) const override;
    const void* documentOfWindow(const void* window) const override;
    void mainWindowChanged(const Notification& notification) override;
    void mainWindowResigned(const Notification& notification) override;
    void windowWillClose() override;

private:
    friend class PaletteController;
    VQGradientFillPanel();
    void buildWindow();
    static TemplateEditorController* editorOfWindow(const void* window);
    static void ensurePresetStore();
    void markerSelected(const Notification& notification);
    VQColorMarker* makeMarker(const QPointF& anchor, int size, const QColor& color);
    int indexOfMarker(const VQColorMarker* marker) const;
    void beginGesture();
    void endGesture();
    void showAngleControls(bool shown);

    VQGradientFillRef _gradientFill;
    QPointer<VQGradientFillWell> _activeWell;
    QComboBox* _fillStylePopUp = nullptr;
    AngleDial* _axialRotationSlider = nullptr;
    SSCircularSlider* _ssSlider = nullptr;
    QLineEdit* _axialRotationField = nullptr;
    VQGradientView* _previewGradient = nullptr;
    VQGradientView* _spectrumGradient = nullptr;
    VQGradientViewMatrix* _presetsTable = nullptr;
    QPushButton* _addMarkerButton = nullptr;
    QPushButton* _removeMarkerButton = nullptr;
    QPointer<TemplateDocument> _myDocument;
    std::vector<VQColorMarker*> _colorMarkers;
    QPointer<QMenu> _myContextMenu;
    bool _markerMenuKept = false;
    QAction* _addItem = nullptr;
    QAction* _addBeforeItem = nullptr;
    QAction* _addAfterItem = nullptr;
    QPointF _colorMarkerInsertionPoint;
    int _selectedColorMarkerIndex = -1;
    int _presetRows = 0;
    int _presetColumns = 0;
    // The document whose undo group a drag holds open.
    QPointer<TemplateDocument> _gestureDocument;
};
