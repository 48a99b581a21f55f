#pragma once

#include "framework/FormwellExport.h"
#include "platform/documents/WindowController.h"
#include "platform/foundation/Geometry.h"
#include "platform/ui/Commands.h"
#include "platform/ui/Toolbar.h"

#include <QPointer>
#include <memory>

class Notification;
class PrintOperation;
class ScrollView;
class TM_TemplateView;
class TemplateDocument;

// Localization keys of the framework's bundle for the error sheet.
inline constexpr char kErrorSheetTitleKey[] = "An Error Occured";
inline constexpr char kErrorSheetButtonKey[] = "OK";
// Formatted with the error code, then looked up.
inline constexpr char kErrorMessageKeyFormat[] = "Error %d";
// Follows the document's display name in the window title.
inline constexpr char kTemplateDocTitleKey[] = "TEMPLATE_DOC";
inline constexpr char kEditorToolbarIdentifier[] = "com.varnsoft.vyxtm.editortoolbar";

// The editor window of one template document: the page canvas in a grey
// scroll view with rulers, under the editor toolbar. The controller owns the
// zoom (0.25 to 16), keeps the window's maximum size in step with the page and
// the zoom, prints the page, and shows the errors its document posts as a sheet.
//
// Zoom: the canvas's bounds stay the page in points; its frame is the page
// times the zoom. A page-size change returns the zoom to 1.
class FORMWELL_EXPORT TemplateEditorController : public WindowController,
                                                 public CommandResponder,
                                                 public ToolbarDelegate {
    Q_OBJECT

public:
    // The zoom's bounds: zooming in stops at the upper, out at the lower.
    static constexpr float kMaximumZoom = 16.0f;
    static constexpr float kMinimumZoom = 0.25f;

    TemplateEditorController();
    ~TemplateEditorController() override;

    // Builds the window's content for the controller's document.
    void setup();

    TemplateDocument* templateDocument() const;
    // The scroll view's canvas; null before setup.
    TM_TemplateView* templateView() const;
    ScrollView* scrollView() const;
    Toolbar* toolbar() const;
    float zoomFactor() const { return _zoomFactor; }
    // The centre of the visible part of the page, in page coordinates.
    Point centerOfScrollView() const;

    QString windowTitleForDocumentDisplayName(const QString& displayName) const override;

    // Zoom: a canvas sender's non-empty zoomRect (a marquee) sets the factor,
    // and its zoomCenter the point the view centres on; other senders double
    // or halve it around the visible part.
    void zoomIn(QObject* sender = nullptr);
    // The steps of zooming in by a factor and out. In: above 1 the result is
    // rounded, an odd whole number going down to a power of two, and held to
    // the maximum. Out: halved, or from an odd whole part down to a power of two.
    static float zoomedIn(float zoom, float factor);
    static float zoomedOut(float zoom);
    void zoomOut(QObject* sender = nullptr);
    void adjustPageForZoom();
    // Lays the canvas and the window's maximum size out for the page and the
    // zoom; with `resize` a window larger than the maximum shrinks to it.
    void windowDynamicsChanged(bool resize);
    void windowPageLayoutChanged();

    void toggleToolbar();
    void showGeometry();
    void showInspector();
    void showToolPalette();
    void printDocument();
    // Prints the page on a private canvas of the paper's size, margins 0.
    void printShowingPrintPanel(bool showPanels);
    // The private canvas while printing; null otherwise.
    TM_TemplateView* printedTemplateView() const { return _printedTemplateView.get(); }

    // Toolbar.
    void setupToolbar();
    QAction* findToolbarItemWithIdentifier(const QString& identifier) const;
    void toolbarAction(QAction* item);
    QAction* toolbarItemForItemIdentifier(Toolbar& toolbar, const QString& identifier) override;
    QStringList toolbarAllowedItemIdentifiers(const Toolbar& toolbar) const override;
    QStringList toolbarDefaultItemIdentifiers(const Toolbar& toolbar) const override;
    bool validateToolbarItem(QAction& item) override;

    // Commands of the window, always enabled.
    bool respondsToAction(const QString& action) const override;
    bool validateMenuItem(QAction& item) override;
    void performAction(const QString& action, QAction* sender) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void placeWindow();
    void zoomWindow();
    void windowDidBecomeKey();
    void windowWillClose();
    void controlTintChanged();
    void objectsAddedOrRemoved();
    void windowDynamicsChangedNotify(const Notification& notification);
    void windowPageLayoutChangedNotify(const Notification& notification);
    void errorEncountered(const Notification& notification);
    void printOperationDidRun(bool success);
    // Scrolls the canvas so that R (page coordinates), clamped into the
    // canvas's bounds, is the visible part.
    void scrollToVisibleRect(Rect visible);

    QPointer<ScrollView> _mainScrollView;
    QPointer<Toolbar> _toolbar;
    float _zoomFactor = 1.0f;
    std::unique_ptr<TM_TemplateView> _printedTemplateView;
    std::unique_ptr<PrintOperation> _printOperation;
    Size _oldPageSize;
    bool _shown = false;
};
