#pragma once

#include "platform/ui/Commands.h"

#include <QWidget>

class DraggingInfo;
class Pasteboard;
class QImage;
class VQFileCatalogScrollView;
class ZaroziveZodiroVirizidivi;

// Notices the catalog window enqueues for its controller when files or an
// image URL are dropped: user info "files" (paths) or "url", and "entryPos".
inline constexpr char kVQReceiveFilesNofity[] = "VQReceiveFilesNofity";
inline constexpr char kVQReceiveURLNofity[] = "VQReceiveURLNofity";
inline constexpr char kReceiveFilesKey[] = "files";
inline constexpr char kReceiveURLKey[] = "url";
inline constexpr char kEntryPosKey[] = "entryPos";
// Entry records copied from a catalog: an array of dictionaries of "en_" keys.
inline constexpr char kVQFileCatalogObjectPboardType[] = "VQFileCatalogObject";

// The catalog window, as far as the grid needs it: the drawer's grid scroll
// view, the arrow keys, drops handed on to the controller, and whether a
// sheet is attached. Known by its class name to the template manager window.
class DurevedeDudiruVorudu : public QWidget, public CommandResponder {
    Q_OBJECT

public:
    explicit DurevedeDudiruVorudu(QWidget* parent = nullptr);
    ~DurevedeDudiruVorudu() override;

    VQFileCatalogScrollView* fileCatalogScrollView() const { return _fileCatalogScrollView; }
    ZaroziveZodiroVirizidivi* controller() const;

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

private:
    VQFileCatalogScrollView* _fileCatalogScrollView;
};
