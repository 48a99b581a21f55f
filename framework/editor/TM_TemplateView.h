#pragma once

#include "framework/FormwellExport.h"
#include "framework/model/TMObject.h"
#include "framework/model/TMTextObject.h"
#include "platform/documents/View.h"
#include "platform/foundation/Geometry.h"
#include "platform/graphics/Image.h"
#include "platform/ui/Commands.h"
#include "platform/ui/PressRepeatTimer.h"
#include "platform/ui/RulerView.h"

#include <QList>
#include <QPointer>

#include <memory>
#include <vector>

class DraggingInfo;
class Pasteboard;
class QDialog;
class TMObjectGroup;
class TMPolygonObject;

class PrintOperation;
class QKeyEvent;
class QMimeData;
class PasteboardData;
class ScrollView;
class TemplateDocument;
class TemplateEditorController;

// Posted with the canvas as sender whenever the selection of its objects changes.
inline constexpr char kTemplateViewSelectionDidChangeNotification[] =
    "TemplateViewSelectionDidChangeNotification";
// Posted with the removed object when a command takes an object off the page
// for good (ungrouping takes the group).
inline constexpr char kTemplateViewObjectDeletedNotification[] =
    "TemplateViewObjectDeletedNotification";
// Posted with the canvas as sender when the user starts drawing a new object.
inline constexpr char kTemplateViewObjectCreatedNotification[] =
    "TemplateViewObjectCreatedNotification";
// The pasteboard type of copied page objects.
inline constexpr char kObjectPasteboardType[] = "VYXObjectPasteboardType";

// The represented object of a ruler marker that is a guide.
inline constexpr char kGuideMarkerObject[] = "_GM";
// The answer of the guide offsets when no guide is in range.
inline constexpr float kNoGuideSnap = -99999.0f;

// Command tags shared by the editor's menu items and toolbar items.
namespace EditorTag {
enum : int {
    ImportGraphic = 208,
    Undo = 301,
    Redo = 302,
    Cut = 303,
    Copy = 304,
    Paste = 305,
    Clear = 306,
    SelectAll = 307,
    Duplicate = 308,
    Deselect = 310,
    BringToFront = 1401,
    MoveForward = 1402,
    MoveBackward = 1403,
    SendToBack = 1404,
    ScaleByPercent = 1405,
    AlignLeft = 1411,
    AlignRight = 1412,
    AlignTop = 1413,
    AlignBottom = 1414,
    AlignHorizontalCenters = 1415,
    AlignVerticalCenters = 1416,
    CenterVertically = 1417,
    CenterHorizontally = 1418,
    AddSegments = 1420,
    InsertSegment = 1421,
    DeleteSegment = 1422,
    AlignTextLeft = 1430,
    AlignTextCenter = 1431,
    AlignTextRight = 1432,
    AlignTextJustified = 1433,
    Group = 1440,
    Ungroup = 1441,
    ToggleGuides = 1450,
    ClearGuides = 1453,
};
} // namespace EditorTag

class UndoManager;

// Registers an undo step that gives the object back its present geometry.
FORMWELL_EXPORT void registerGeometryUndo(UndoManager& undo, const TMObjectRef& object);

// The canvas on which the page of a template is edited: flipped, its bounds
// the page in points, its frame the page scaled by the editor's zoom. The
// selection is the `selected` flag of the document's objects, not the
// canvas's. On screen it tells its objects 72 dpi times the editor's zoom, or
// no resolution (0) without an editor window controller; the proxy tells them
// its own scale. Each drawing pass sets that state in one place.
//
// Every editing command goes through the selection and undo primitives here
// (createNewObject, destroyNewObject, restoreObjectOrder,
// recordSelectionOriginForUndo), whose undo steps die with the canvas.
class FORMWELL_EXPORT TM_TemplateView : public View,
                                        public TMTextEditorHost,
                                        public CommandResponder,
                                        public RulerClient {
    Q_OBJECT

public:
    // The frame in points; the bounds start equal to it at the origin.
    explicit TM_TemplateView(const Rect& frame, QWidget* parent = nullptr);
    ~TM_TemplateView() override;

    bool isFlipped() const override { return true; }

    // Not owned; no other effect.
    TemplateDocument* document() const;
    void setDocument(TemplateDocument* document);
    TemplateEditorController* mainController() const;
    void setMainController(TemplateEditorController* controller);
    ScrollView* parentScrollView() const;
    void setParentScrollView(ScrollView* scrollView);
    // The operation printing this canvas; null on screen.
    PrintOperation* printOp() const { return _printOp; }
    void setPrintOp(PrintOperation* operation) { _printOp = operation; }

    // The marquee of the select and zoom tools, and the point a zoom-in
    // centres on; page coordinates, set by the tools' tracking.
    Rect zoomRect() const { return _rubberbandRect; }
    void setRubberbandRect(const Rect& rect) { _rubberbandRect = rect; }
    Point zoomCenter() const { return _zoomCenterPoint; }
    void setZoomCenterPoint(Point point) { _zoomCenterPoint = point; }

    // The whole bounds stretched into a new image of the rectangle's size
    // (origin 0, 0), framed by one point; every object drawn as a thumbnail
    // at 72 dpi times the smaller scale, its renderings dropped before and after.
    Image renderTemplateProxyInRect(const Rect& rect);

    // A one-page PDF of the objects, the page their visible frames' union;
    // null for no objects.
    static QByteArray PDFDataForObjects(const QList<TMObjectRef>& objects);
    // The objects drawn as they would print, their visible frames' union
    // scaled into a picture with `scale` pixels a point; null for none.
    static QImage imageOfObjects(const QList<TMObjectRef>& objects, float scale);

    // The pasteboard (TM_TemplateViewPasteboard.cpp). Copies of the selection
    // carry their representations under "VYXObjectPasteboardType" with a
    // PDF made when asked; photo cells get new identifiers at copy and again
    // at paste, and a property text bound to a copied cell follows it.
    void copy();
    void cut();
    // Declares the copy's types on the data; false with nothing selected.
    // The objects its PDF draws go to *drawn.
    bool copyToPasteboard(PasteboardData& pasteboard, QList<TMObjectRef>* drawn = nullptr);
    // Drags copies of the selection out, shown as the objects at the zoom
    // centred on the press point; nothing without a selection.
    void dragSelectionOut();
    void paste();
    // Adds the page objects the pasteboard carries, selected and undoable;
    // anything else under the type is skipped. True when one was added.
    bool pastObjectsFromPasteboard(const Pasteboard& pasteboard);
    void clear();
    void duplicate();
    // Whether the data offers a picture in a format Qt reads.
    static bool offersImage(const QMimeData& data);
    // A picture the pasteboard offers in a format Qt reads; null otherwise.
    static Image getImageFromPasteboard(const Pasteboard& pasteboard, float* dotsPerInch = nullptr);

    // Drag destination.
    bool canIHandleDrag(const DraggingInfo& info) const;
    bool dragHilight() const { return _dragHilightState; }
    void setDragHilight(bool hilight);

    // Image import. Files cascade from the centre of the visible part by 16
    // points while it stays where it was.
    void importImage();
    void receiveImageFile(const QString& path);
    // A new image object of the picture (stored once in the document with the
    // file's bytes) centred on the point, sized by the resolution.
    void receiveImage(const Image& image, const QByteArray& sourceData, Point point,
                      float dotsPerInch = 72.0f);
    // Gives the picture of the first selected shared image a file's contents,
    // for every object showing it; undoable.
    void replaceImage();
    Point lastImportPoint() const { return _lastImportPoint; }

    // Text objects are edited in place on the canvas.
    std::unique_ptr<TMTextEditor> makeTextEditor(const TMTextObjectRef& object,
                                                 const Rect& frame) override;

    // The enable rule of a command tag given the page's objects (their
    // selected flags are the selection), whether the page has guides, and the
    // clipboard's contents (null: empty). One rule for menus and toolbar.
    static bool validateMenuItemTag(int tag, const QList<TMObjectRef>& objects, bool hasGuides,
                                    const QMimeData* clipboard);
    // The rule above for this canvas's document and the application clipboard.
    bool validateMenuItemTag(int tag) const;

    // Selection. selectedObjects is in document order, empty for none.
    QList<TMObjectRef> selectedObjects() const;
    void selectAll();
    void deselect();
    // One selection notice per deselected object.
    void deselectAllObjects();
    // Tab and Shift-Tab: the next or previous object alone, wrapping.
    void advanceSelection();
    void retreatSelection();
    Rect boundsOfSelection() const;
    Rect visibleBoundsOfSelection() const;
    Point centerOfSelection() const;
    // Moves without registering undo.
    void moveSelection(Point delta);

    // Undo primitives of every editing command.
    void recordSelectionOriginForUndo();
    void createNewObject(const TMObjectRef& object);
    void destroyNewObject(const TMObjectRef& object);
    void restoreObjectOrder(const QList<TMObjectRef>& objects);

    // Makes this canvas the view every object of the document was last drawn in.
    void assertObjectView();
    // Text alignment of the menu: only a beep.
    void alignTextSelection();

    // Commands: the selection's actions and the menu validation by tag; tag
    // 1450 is retitled by whether guides are shown.
    bool respondsToAction(const QString& action) const override;
    bool validateMenuItem(QAction& item) override;
    void performAction(const QString& action, QAction* sender) override;

    // Arrange, centre, scale, group, segment, align and print-area commands;
    // each one undoable and naming its undo action.
    void bringToFront();
    void moveForward();
    void moveBackward();
    void sendToBack();
    // Tag 1417 centres vertically, 1418 horizontally, on the page.
    void centerObjects(int tag);
    // Opens the scale sheet on the window; nothing without a selection.
    void scaleByPercent();
    // The sheet's end: return code 0 cancels; the axis mask has 1 for height
    // and 2 for width.
    void scaleByPercentDidEnd(int returnCode, float percent, int axisMask);
    void group();
    void groupObjects(const QList<TMObjectRef>& objects);
    void ungroup();
    void ungroupObject(const std::shared_ptr<TMObjectGroup>& group);
    void insertSegment();
    void deleteSegment();
    // Tags 1411 to 1416.
    void alignSelection(int tag);
    // One print area per photo cell, at the back, in place of the old ones.
    void addPrintAreas();
    // The scale sheet while it is open.
    QDialog* scaleWindow() const;
    // Draws further segments onto the selected polygon.
    void addSegments();
    // A guide at the first free place from one inch on, in steps of 18
    // points wrapping within the page; a beep when every place is taken.
    void addHGuide();
    void addVGuide();
    // Guides are the "_GM" markers of the scroll view's rulers (positions in
    // page points, in marker order); every change made on the rulers is
    // copied into the PageDesc and counts as an edit of the document. A
    // canvas without a scroll view has no guides.
    QList<float> horizontalGuides() const;
    QList<float> verticalGuides() const;
    void setHorizontalGuides(const QVariantList& guides);
    void setVerticalGuides(const QVariantList& guides);
    static QList<float> guidesInRuler(const RulerView* ruler);
    void setGuides(const QVariantList& guides, RulerView* ruler);
    static RulerMarkerRef makeGuideMarker(RulerView::Orientation orientation, double location);
    void toggleGuides();
    void clearAllGuides();

    // The offset that puts a point's coordinate (x for orientation 0, else y)
    // on the nearest guide, each guide standing at its value + 0.5, when
    // within the grid spacing; else kNoGuideSnap.
    float snapToGuidePoint(Point point, int orientation) const;
    static float snapToGuidePoint(Point point, int orientation, bool snaps,
                                  const QList<float>& guides, float gridSpacing);
    // The same for the nearest of a rectangle's low, middle and high edges on
    // one axis.
    float snapToGuideRect(const Rect& rect, int orientation) const;
    static float snapToGuideRect(const Rect& rect, int orientation, bool snaps,
                                 const QList<float>& guides, float gridSpacing);

    // The PageDesc's grid, margin and guide settings.
    bool snapsToGrid() const;
    void setSnapsToGrid(bool snaps);
    bool showsMargin() const;
    void setShowsMargin(bool shows);
    bool showsGrid() const;
    void setShowsGrid(bool shows);
    float gridSpacing() const;
    Color gridColor() const;
    void setGridColor(const Color& color);
    bool snapsToGuides() const;
    void setSnapsToGuides(bool snaps);
    bool showsGuides() const;
    void setShowsGuides(bool shows);
    Color guideColor() const;
    void setGuideColor(const Color& color);

    // Mouse tracking. Each gesture runs from the press to the release as a
    // state machine fed by the canvas's mouse events and by periodic events
    // (0.5 s after the press, then every 0.1 s) at the last pointer position;
    // time is read from the tick clock. While one runs, keys wait for its end
    // and commands are disabled. A segmented object ends on a double press.
    bool isTracking() const { return _gesture != nullptr; }
    // One periodic event of the running gesture, as the timer sends it.
    void periodicEvent();
    // Draws further segments onto a segmented object, from now until a double press.
    void recreateObject(const TMObjectRef& object);
    // The cursor of the tool palette's current tool.
    void resetCursorRects();

    void rulerViewHandleMouseDown(RulerView* ruler, QMouseEvent* event) override;
    void rulerViewDidAddMarker(RulerView* ruler, const RulerMarkerRef& marker) override;
    void rulerViewDidMoveMarker(RulerView* ruler, const RulerMarkerRef& marker) override;
    void rulerViewDidRemoveMarker(RulerView* ruler, const RulerMarkerRef& marker) override;

protected:
    void drawRect(const Rect& dirtyRect) override;
    uint32_t draggingEntered(const DraggingInfo& info) override;
    void draggingExited() override;
    bool prepareForDragOperation(const DraggingInfo& info) override;
    bool performDragOperation(const DraggingInfo& info) override;
    void concludeDragOperation(const DraggingInfo& info) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // Inserts or deletes a segment of the first selected polygon, undoably.
    void changeSegment(void (TMPolygonObject::*change)());
    QList<TMObjectRef> documentObjects() const;
    // The page and the objects in it, drawn with the render state the pass set.
    void drawPageInRect(const Rect& dirtyRect, bool onScreen);
    // The representations of the selection as copied, and the objects a
    // PDF of them draws; with `pictures` an image object carries its picture.
    QVariantList representationsOfSelection(bool pictures, QList<TMObjectRef>* drawn) const;
    // Pasteboard actions' share of the responder.
    static bool respondsToPasteboardAction(const QString& action);
    bool performPasteboardAction(const QString& action);
    // Restores a picture of the document's, for undo.
    void setNamedImage(const QString& name, const Image& image, const QByteArray& data);
    void postSelectionDidChange();
    void makeWindowKey();
    void selectOnly(qsizetype index);
    void moveSelectionForUndo(Point delta);
    // The arrange commands' share of the responder.
    static bool respondsToArrangeAction(const QString& action);
    void performArrangeAction(const QString& action, QAction* sender);
    void nameUndoAction(const char* key);
    void addGuide(RulerView::Orientation orientation);
    RulerView* ruler(RulerView::Orientation orientation) const;

    struct Gesture;
    struct GestureDeleter {
        void operator()(Gesture* gesture) const;
    };
    enum class TrackEvent { Down, Drag, Moved, Up, Periodic };
    void startGesture(QMouseEvent* event, int clickCount);
    void trackEvent(TrackEvent kind, const QPointF& widgetPoint, int clickCount);
    void endGesture();
    void abandonGesture();
    Point pointInView(const QPointF& widgetPoint) const;
    Point trackingPoint(Point point, bool snapToGuides) const;
    float gridStep() const;
    void testSelection(Point point, int clickCount, uint32_t modifiers);
    bool trackRubberband(TrackEvent kind, Point point);
    bool trackMove(TrackEvent kind, Point point);
    bool trackResize(TrackEvent kind, Point point);
    bool trackCreate(TrackEvent kind, Point point, int clickCount);
    bool trackSegments(TrackEvent kind, Point point, int clickCount);
    bool trackZoom(TrackEvent kind, Point point);
    void beginCreate(Point point, int tool);
    void finishCreate(Point point);
    void setRubberband(const Rect& band);
    // The rulers' guides into the PageDesc, as one edit of the document.
    void guidesChangedInRuler();

    QPointer<TemplateDocument> _myDocument;
    QPointer<TemplateEditorController> _myMainController;
    QPointer<ScrollView> _parentScrollView;
    PrintOperation* _printOp = nullptr;
    Rect _rubberbandRect;
    Point _zoomCenterPoint;
    bool _dragHilightState = false;
    Rect _lastImportViewRect;
    Point _lastImportPoint;
    QPointer<QDialog> _scaleWindow;
    std::unique_ptr<Gesture, GestureDeleter> _gesture;
    PressRepeatTimer _periodicTimer{[this] { periodicEvent(); }};
    QPointF _lastPointer;
    std::vector<std::unique_ptr<QKeyEvent>> _waitingKeys;
};
