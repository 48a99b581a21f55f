#pragma once

#include <QWidget>

class DraggingInfo;
class VQFileCatalogScrollView;
class ZaroziveZodiroVirizidivi;

// Notices the catalog window enqueues for its controller when files or an
// image URL are dropped: user info "files" (paths) or "url", and "entryPos".
inline constexpr char kVQReceiveFilesNofity[] = "VQReceiveFilesNofity";
inline constexpr char kVQReceiveURLNofity[] = "VQReceiveURLNofity";
inline constexpr char kReceiveFilesKey[] = "files";
inline constexpr char kReceiveURLKey[] = "url";
inline constexpr char kEntryPosKey[] = "entryPos";

// The catalog window, as far as the grid needs it: the drawer's grid scroll
// view, the arrow keys, drops handed on to the controller, and whether a
// sheet is attached. Known by its class name to the template manager window.
class DurevedeDudiruVorudu : public QWidget {
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

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    VQFileCatalogScrollView* _fileCatalogScrollView;
};
