#pragma once

#include "framework/FormwellExport.h"
#include "platform/ui/PaletteController.h"

#include <QPointer>
#include <QTimer>

class QAbstractButton;
class QButtonGroup;

// Posted with the palette as sender whenever the effective tool changes.
inline constexpr char kToolSelectionChangedNotification[] = "ToolSelectionChanged";

// The tools of the template editor; the palette's buttons carry these tags.
enum TMEditorTool : int {
    kTMToolZoomOut = -1, // never a button: the zoom tool while Option is held
    kTMToolSelect = 0,
    kTMToolZoom = 1,
    kTMToolPhoto = 2,
    kTMToolPrintArea = 3,
    kTMToolLine = 4,
    kTMToolText = 5,
    kTMToolRect = 6,
    kTMToolFilledRect = 7,
    kTMToolRoundRect = 8,
    kTMToolFilledRoundRect = 9,
    kTMToolOval = 10,
    kTMToolFilledOval = 11,
    kTMToolArc = 12,
    kTMToolFilledArc = 13,
    kTMToolPolygon = 14,
    kTMToolFilledPolygon = 15,
    kTMToolBezigon = 16,
    kTMToolFilledBezigon = 17,
};
inline constexpr int kTMToolCount = 18;

// The shared tool palette of the template editor windows: one button per
// tool. A click chooses a tool, which springs back to the select tool after
// one object has been drawn; a double click makes it sticky. A 0.1 s
// heartbeat announces the zoom tool turning into zoom out while Option is held.
class FORMWELL_EXPORT ToolPaletteController : public PaletteController {
public:
    static ToolPaletteController* sharedToolPaletteController();
    ~ToolPaletteController() override;

    // The chosen button's tag; zoom reads as zoom out while the current event
    // holds Option. Select before the buttons are made.
    int currentTool() const;
    // Ends sticky mode, chooses the button and announces it, unless the tool
    // is the one last announced.
    void setCurrentTool(int tool);
    // Back to the select tool unless sticky.
    void resetTool();
    // The buttons' click and double click.
    void toolSelected();
    void stickyClick();
    bool stickyMode() const { return _stickyModeEnabled; }
    void setStickyMode(bool sticky);
    void heartbeat();

    // The button of a tool, the buttons made on first use (as the window's
    // contents are loaded when first asked for).
    QAbstractButton* toolButton(int tool);
    // Whether a button shows the sticky highlight.
    bool isHighlighted(int tool) const;

    void activate() override;
    void mainWindowResigned(const Notification& notification) override;

protected:
    QPoint defaultOrigin(const QRect& visibleFrame, const QSize& frameSize) const override;
    const void* documentOfWindow(const void* window) const override;

private:
    friend class PaletteController;
    ToolPaletteController();
    void loadWindow();
    void postToolSelectionChanged();

    QButtonGroup* _toolMatrix = nullptr;
    QTimer _heartbeatTimer;
    int _lastSelectedTool = kTMToolSelect;
    bool _stickyModeEnabled = false;
    QPointer<QAbstractButton> _stickyCell;
};
