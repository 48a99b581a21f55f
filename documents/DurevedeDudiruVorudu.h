#pragma once

#include "platform/ui/Commands.h"

#include <QMainWindow>
#include <QPointer>

class DraggingInfo;
class Pasteboard;
class QCheckBox;
class QDockWidget;
class QImage;
class QLabel;
class QToolButton;
class Toolbar;
class VQFileCatalogScrollView;
class VQViewSwitch;
class ZaroziveZodiroVirizidivi;

// Notices the catalog window enqueues for its controller when files or an
// image URL are dropped: user info "files" (paths) or "url", and "entryPos".
inline constexpr char kVQReceiveFilesNofity[] = "VQReceiveFilesNofity";
inline constexpr char kVQReceiveURLNofity[] = "VQReceiveURLNofity";
inline constexpr char kReceiveFilesKey[] = "files";
inline constexpr char kReceiveURLKey[] = "url";
inline constexpr char kEntryPosKey[] = "entryPos";
// Entry records copied from a catalog: the archive of an array of dictionaries
// of "en_" keys.
inline constexpr char kVQFileCatalogObjectPboardType[] = "VQFileCatalogObject";

// The catalog window: above, the panel switch and the layout tool switch;
// in the middle the main view that holds the shown panel; under it the 20-point
// status line (error button, marker, centre text, right text, page controls);
// the drawer is a dock holding the thumbnail grid. The shown panel's toolbar
// is installed with setToolbar. Keys, drops and the Edit menu are handed on to
// the controller. Known by its class name to the template manager window.
class DurevedeDudiruVorudu : public QMainWindow, public CommandResponder {
    Q_OBJECT

public:
    static constexpr int kStatusLineHeight = 20;

    explicit DurevedeDudiruVorudu(QWidget* parent = nullptr);
    ~DurevedeDudiruVorudu() override;

    VQFileCatalogScrollView* fileCatalogScrollView() const { return _fileCatalogScrollView; }
    QDockWidget* catalogDrawer() const { return _catalogDrawer; }
    QWidget* mainView() const { return _mainView; }
    VQViewSwitch* viewSwitcher() const { return _viewSwitcher; }
    VQViewSwitch* toolModeSwitcher() const { return _toolModeSwitcher; }
    QWidget* statusLine() const { return _statusLine; }
    QToolButton* errorButton() const { return _errorButton; }
    QCheckBox* statusMarkerSwitch() const { return _statusMarkerSwitch; }
    QLabel* centerInfo() const { return _centerInfo; }
    QLabel* rightInfo() const { return _rightInfo; }
    QToolButton* statusPrevButton() const { return _statusPrevButton; }
    QLabel* statusPageField() const { return _statusPageField; }
    QToolButton* statusNextButton() const { return _statusNextButton; }

    // The window takes the toolbar over; the one it showed before goes.
    Toolbar* toolbar() const;
    void setToolbar(Toolbar* toolbar);
    ZaroziveZodiroVirizidivi* controller() const;

    // Files, pictures and catalog entries, but not the window's own entries
    // while the layout shows a book; else an image URL.
    bool canIHandleDrag(const DraggingInfo& info) const;
    // A drop on the window: catalog entries go to the controller in drag
    // order, files and image URLs are enqueued for it, a picture is appended.
    // Position −1 appends.
    void concludeDragOperationAtPosition(const DraggingInfo& info, int position);
    // Drops from the window's own catalog are the grid's; others append.
    void concludeDragOperation(const DraggingInfo& info);

    bool hasAttachedSheet() const;

    // The catalog's Edit commands, validated by tag; nothing is enabled while
    // the window is not main or a sheet hangs on it.
    bool respondsToAction(const QString& action) const override;
    bool validateMenuItem(QAction& item) override;
    void performAction(const QString& action, QAction* sender) override;
    bool validateItemTag(int tag, QAction* item = nullptr) const;
    // Pastes what the clipboard offers before the first selected entry (or at
    // the end), first of: catalog entries, a picture, files. Beeps at data it
    // cannot take. The pasted entries end as the selection; one undo step.
    void paste();
    void pasteFromPasteboard(const Pasteboard& pasteboard);
    // The pasteboard's picture in any format the platform reads; null for none.
    static QImage getImageFromPasteboard(const Pasteboard& pasteboard);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    // The whole window takes drops; the grid in the drawer takes its own.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool isFromOwnCatalog(const DraggingInfo& info) const;
    QWidget* makeStatusLine();
    // Keeps the right text and the page controls at the status line's right
    // end; the controls on the left are moved by the controller.
    void layOutStatusLineRight();

    VQFileCatalogScrollView* _fileCatalogScrollView = nullptr;
    QDockWidget* _catalogDrawer = nullptr;
    QWidget* _mainView = nullptr;
    VQViewSwitch* _viewSwitcher = nullptr;
    VQViewSwitch* _toolModeSwitcher = nullptr;
    QWidget* _statusLine = nullptr;
    QToolButton* _errorButton = nullptr;
    QCheckBox* _statusMarkerSwitch = nullptr;
    QLabel* _centerInfo = nullptr;
    QLabel* _rightInfo = nullptr;
    QToolButton* _statusPrevButton = nullptr;
    QLabel* _statusPageField = nullptr;
    QToolButton* _statusNextButton = nullptr;
};
