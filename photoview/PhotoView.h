#pragma once

#include "documents/CatalogPanel.h"
#include "documents/CatalogToolbar.h"
#include "framework/model/TMObject.h"
#include "photoview/CropGeometry.h"
#include "platform/documents/View.h"
#include "platform/foundation/Geometry.h"
#include "platform/graphics/Image.h"
#include "platform/ui/Commands.h"

#include <QCursor>
#include <QList>
#include <QPointer>
#include <QVariant>
#include <memory>
#include <optional>

class Notification;
class QAction;
class QDialog;
class QMenu;
class TemplateMapper;
class ZaroziveZodiroVirizidivi;

// Keys of the messages the panel shows instead of a photo.
inline constexpr char kNoSelectionKey[] = "NO_SELECTION";
inline constexpr char kMultiSelectionKey[] = "MULTI_SELECTION";
inline constexpr char kLoadingImageKey[] = "LOADING_IMAGE";

// Posted by a photograph panel (object: the panel) when the user has finished
// changing the crop, and every so often while a drag changes it.
inline constexpr char kPVNewCropNofity[] = "PVNewCropNofity";
inline constexpr char kPVCropIsChangingNofity[] = "PVCropIsChangingNofity";
// Posted by a photograph panel (object: the panel) when a red-eye spot was added.
inline constexpr char kPVNewRedEyeNofity[] = "PVNewRedEyeNofity";

// The photograph panel of a catalog window: the one selected photo fitted to the
// panel with its shadow, stored crop and captions, or a message when none,
// several, or a photo still being decoded is selected. Pressing on the photo
// drags it out as the grid drags a selection; an installed template dropped on
// the panel becomes the document's master and brings the layout panel forward.
// Menu and toolbar actions go on to the window controller unchanged.
//
// Crop mode: the user drags out, moves and resizes one crop with the mouse or
// nudges it with the arrow keys, held to the constraint ratio (height divided
// by width; 0 none), or applies a preset from the crop palette. A drag is a
// press-drag-release sequence of events handled as they come; the crop is
// stored in the catalog only when it ends, so one drag is one undo step. A crop
// of kSmallestCrop image units or less either way is no crop.
//
// Red-eye mode: over the photo (inside the crop when there is one) the pointer
// becomes an aperture square of adjustable size, the loupe shows the photo
// about it, and each click adds a spot to the photo's red-eye list, which the
// catalog stores and corrects. The list's first item is the photo's natural
// bounds; each item is four host-order floats x, y, width, height.
//
// Caption mode: the user draws speech balloons on the photo with the mouse,
// selects, drags and resizes them, nudges them with the arrow keys, changes
// their stacking order, deletes them and edits their text in a sheet; every
// change is stored in the photo's catalog entry and is undoable, a whole drag
// as one step.
//
// Coordinates: the view's own (y up); image space is the photo's natural pixel
// rectangle, where crops and captions are kept; the image frame is where the
// screen image is drawn in view space.
class PhotoView : public View, public CatalogPanel, public CommandResponder {
    Q_OBJECT

public:
    // The photo fits in this part of the parent's frame, shrunk in steps.
    static constexpr float kFitFraction = 0.9f;
    static constexpr float kScaleStep = 0.05f;
    // Larger photos that are not decoded yet show the loading message first.
    static constexpr qint64 kLoadingMessageBytes = 512000;
    // A press becomes a drag once it moves further than this on either axis.
    static constexpr float kDragStartDistance = 4;
    // The catalog keeps no crop this small: such a crop is none.
    static constexpr float kSmallestCrop = 3;
    // The mode palettes' lower-left corner from the window frame's, y up.
    static constexpr int kCropPanelOffsetX = 4;
    static constexpr int kCropPanelOffsetY = 28;
    // The red-eye aperture's side in view points.
    static constexpr int kSmallestAperture = 4;
    static constexpr int kLargestAperture = 64;

    explicit PhotoView(QWidget* parent = nullptr);
    ~PhotoView() override;

    // CatalogPanel
    QWidget* panelView() override { return this; }
    void setDocument(RoduvudeDadevizi* document) override;
    // The mode is the window controller's; the panel keeps none.
    void setEditMode(int mode) override;
    void setDragHilight(bool flag) override { View::setDragHilight(flag); }
    void setupToolbar() override { _toolbarDelegate.setupToolbar(window()); }
    // Also shows the crop palette in crop mode and closes it otherwise, while
    // the toolbar holds the crop item.
    void adjustToolbarButtons() override;
    CatalogToolbarDelegate& toolbarDelegate() { return _toolbarDelegate; }
    void calculateLayout() override;
    bool canIHandleDrag(const DraggingInfo& info) override;

    RoduvudeDadevizi* document() const;
    std::shared_ptr<TemplateMapper> mapper() const;
    int editMode() const;

    // Loads the selected entry, or the message of an empty or multiple selection.
    void fetchSelectedImage();
    // Null for none. Fits the image to the parent's frame and centres it.
    void setPhotoImage(const Image& image);
    const Image& photoImage() const { return _myImage; }
    void setPhotoImageSize(Size size);
    // The superview's frame; the last one known while there is none.
    Rect parentFrame();
    // The natural bounds; the zero rectangle without an image.
    Rect imageRect() const;
    Rect imageFrame() const { return _imageFrame; }
    float imageScale() const { return _imageScale; }
    void setPhotoSerialNumber(const QVariant& serialNumber) { _imageSerialNumber = serialNumber; }
    QVariant photoSerialNumber() const { return _imageSerialNumber; }
    void setMultiSelection(bool flag) { _multiSelectFlag = flag; }
    bool multiSelection() const { return _multiSelectFlag; }
    bool loadingImage() const { return _loadingImageFlag; }
    bool needsRefetch() const { return _needsRefetch; }
    // Image space; the zero rectangle is no crop.
    Rect cropRect() const { return _cropRect; }
    void setCropRect(const Rect& crop);
    const QList<TMObjectRef>& captions() const { return _captions; }
    void setCaptions(const QList<TMObjectRef>& captions);

    // Crop mode.
    void toggleCropMode();
    void showCropPanel();
    void closeCropPanel();
    int constraintTag() const { return _cropConstraintTag; }
    // Written to the single selected entry when it holds another.
    void setConstraintTag(int tag);
    float constraintRatio() const { return _constraintRatio; }
    // −1 stands for the photo's own proportions; a photo of unknown size gets none.
    void setConstraintRatio(float ratio);
    QVariantMap cropInfo() const;
    void updateCropInfo();
    Rect calcConstrainedScaledCropRect(const Rect& viewRect) const;
    void assertNewCropConstraint();
    void nudgeCropByXByY(float dx, float dy);
    // Stores the crop in the single selected entry when it differs there.
    void cropChanged();
    // View space; the zero rectangle when there is no crop.
    Rect viewCrop() const;
    Rect rubberbandRect() const { return _rubberbandRect; }
    bool inCropCreate() const { return _inCropCreate; }
    // The cursor rectangles of crop mode, cut to the superview.
    QList<CropGeometry::CursorRect> cropCursorRects() const;
    static QCursor cropCursor(CropGeometry::Cursor kind);

    // Red-eye mode.
    void toggleRedEyeMode();
    void showRedEyePanel();
    void closeRedEyePanel();
    QVariantList redEyeArray() const { return _redEyeArray; }
    void setRedEyeArray(const QVariantList& spots) { _redEyeArray = spots; }
    // One rectangle's bytes; an empty list first gets the natural bounds.
    void addRedEye(const QByteArray& spot);
    int redEyeDiameter() const { return _redEyeDiameter; }
    void increaseAperture();
    void decreaseAperture();
    void increaseApertureMore();
    void decreaseApertureMore();
    // The aperture menu, or null when the pointer is not over the photo in red-eye mode.
    QMenu* menuForEvent();
    // Follows the pointer at a view point, or at the last one.
    void redEyeMouseMoved(std::optional<Point> point = std::nullopt);
    // A click adds a spot; other buttons and the Control key bring the menu instead.
    void redEyeSelect(Point point, Qt::MouseButton button, Qt::KeyboardModifiers modifiers);
    bool mouseInsidePhoto() const { return _mouseInsidePhoto; }
    // View space; the zero rectangle while hidden.
    Rect hotSpotRect() const { return _hotSpotRect; }
    // The crop in view space when there is one, else the image frame.
    Rect redEyeTrackingRect() const;

    // Caption mode.
    void toggleCaptionMode();
    void showCaptionPanel();
    void closeCaptionPanel();
    QList<TMObjectRef> selectedCaptions() const;
    // Whether some caption was selected.
    bool deselectAllCaptions();
    // Image units; whether some caption was selected.
    bool moveSelectedCaptions(Point delta);
    // View points; a beep when nothing is selected.
    void nudgeCaptionByXByY(float dx, float dy);
    // Whether something was deleted.
    bool deleteSelectedCaptions();
    void bringSelectedCaptionsToFront();
    void sendSelectedCaptionsToBack();
    void moveSelectedCaptionsForward();
    void moveSelectedCaptionsBackward();
    // Stores the list in the single selected entry; nothing otherwise.
    void storeCaptionsInCatalog();
    void updateSelectedCaptionInfo();
    // Opens the text sheet on the caption.
    void editCaptionText(const TMObjectRef& caption);
    bool isEditingCaptionText() const;
    // The text sheet while it is open.
    QDialog* captionTextPanel() const;
    bool inCaptionDrag() const { return _captionDrag.has_value(); }

    // The actions passed on to the window controller.
    bool respondsToAction(const QString& action) const override;
    bool validateMenuItem(QAction& item) override;
    void performAction(const QString& action, QAction* sender) override;

    // The full-resolution TIFF of the first selected photo, as a drag asks for it.
    QByteArray draggedTIFF() const;

protected:
    void drawRect(const Rect& dirtyRect) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

    void concludeDragOperation(const DraggingInfo& info) override;

private:
    ZaroziveZodiroVirizidivi* windowController() const;
    // Enters the mode with the single selected photo and the mode's palette,
    // or leaves it when it is the mode now.
    void toggleEditMode(int mode, void (PhotoView::*showPanel)(), void (PhotoView::*closePanel)());
    // Where a mode's palette puts its frame's lower-left corner: by the window's.
    QPoint modePanelOrigin() const;
    // The document's catalog when the notice comes from it.
    bool isOwnCatalog(const Notification& notification) const;
    void fileCatalogSelectionChanged(const Notification& notification);
    void drawEmptyMessage(const QString& text);
    void drawPhoto();
    // The photo with as many pixels as the image frame covers on the screen.
    const Image& fittedImage();
    void drawCaptions(const Rect& dirtyRect);
    void dragPhoto(Point current);

    // A crop drag under way.
    struct CropDrag {
        enum Kind { Create, Move, Resize } kind = Create;
        Point start;
        Point previous;
        Rect viewCrop;
        int knob = 0;
        uint32_t lastReport = 0;
        bool moved = false;
        bool changed = false;
    };
    void postCropNotification(const char* name);
    void observeCropPanel();
    void cropPanelClosed();
    void cropConstraintChanged();
    void cropPresetApplied();
    void cropPresetInvalidated();
    std::optional<int> singleSelection() const;
    Rect imageRectFromView(const Rect& viewRect) const;
    void redrawViewRect(const Rect& viewRect, float outset);
    void cropMouseDown(Point point);
    void cropDragTo(Point point, bool up);
    void trackCreate(Point point, bool up);
    void trackMove(Point point);
    void trackResize(Point point);
    void endCropDrag();
    // For the pointer where it is now, or at a point of the view.
    void resetCropCursor();
    void resetCropCursorAt(Point point);
    void drawCropHandles(const Rect& crop);
    // A white frame moved by (1, -1) under a frame in the handle colour.
    void drawRubberband(const Rect& rect);

    // A caption drag under way; the whole drag is one undo group.
    struct CaptionDrag {
        enum Kind { Move, Resize, Create } kind = Move;
        Point start;
        Point previous;
        TMObjectRef caption;
        int knob = 0;
        Rect last;
        bool changed = false;
        bool undoRegistered = false;
    };
    void observeCaptions();
    void captionPropertyChanged(const Notification& notification);
    void captionPanelClosed();
    Point captionPoint(Point viewPoint) const;
    void redrawCaption(const TMObjectRef& caption);
    void redrawImageRect(const Rect& imageRect);
    void testCaptionSelection(Point point, Qt::KeyboardModifiers modifiers, int clickCount);
    void captionDragTo(Point point, bool up);
    void endCaptionDrag();
    // Registers the undo of a list change for the shown entry, then shows the list.
    void changeCaptionList(const QList<TMObjectRef>& captions, const char* actionKey);
    void registerCaptionListUndo();
    // Forward (1) or backward (-1) one place past an unselected neighbour;
    // a beep when the selected captions can go no further.
    void moveSelectedCaptionsOneStep(int direction);
    bool captionKey(QKeyEvent* event);
    void updateCaptionCursorAt(Point point);

    void observeRedEye();
    void redEyeChanged();
    void magnifierClosed();
    // Enters or leaves the tracking area for a pointer at a view point.
    void redEyeTrack(Point point);
    void redEyeMouseEntered();
    void redEyeMouseExited();
    void setHotSpotRect(const Rect& rect);
    void setRedEyeDiameter(int diameter);
    bool redEyeKey(int key);
    void drawHandleAtPoint(Point point);

    QPointer<RoduvudeDadevizi> _document;
    CatalogToolbarDelegate _toolbarDelegate{CatalogToolbarKind::Photograph, *this};
    Rect _parentFrame;
    Image _myImage;
    // Made once per photo and fit: a repaint then copies pixels instead of
    // scaling the whole photo again.
    Image _fittedImage;
    qint64 _fittedFrom = 0;
    Rect _imageFrame;
    Rect _imageNaturalBounds;
    float _imageScale = 1;
    QVariant _imageSerialNumber;
    bool _multiSelectFlag = false;
    Rect _cropRect;
    QVariantList _redEyeArray;
    int _cropConstraintTag = 0;
    float _constraintRatio = 0;
    bool _needsRefetch = false;
    QList<TMObjectRef> _captions;
    bool _loadingImageFlag = false;
    // Where a press on the photo began, until it drags or is released.
    std::optional<Point> _pressPoint;
    bool _inCropCreate = false;
    Rect _rubberbandRect;
    std::optional<CropDrag> _cropDrag;
    int _redEyeDiameter = 15;
    bool _mouseInsidePhoto = false;
    Point _lastMagnifierPoint;
    Rect _hotSpotRect;
    std::unique_ptr<QMenu> _apertureMenu;
    std::optional<CaptionDrag> _captionDrag;
    QPointer<QDialog> _captionTextPanel;
    bool _editingCaptionText = false;
};
