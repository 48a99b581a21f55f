#pragma once

#include "platform/foundation/PlatformExport.h"

#include <cstdint>
#include <memory>
#include <vector>

// The system wait cursor over an application's windows, shown from any thread. It
// talks to the X display through a connection of its own, so the cursor changes
// while the GUI thread is too busy to change it.
//
// X cannot tell a client which cursor a window has, so the wait cursor is not set
// on the application's windows in place of theirs: each window gets an invisible
// input-only cover that carries the wait cursor, and hiding removes the covers,
// which leaves every cursor the application set as it was. Pointer events pass
// through a cover to the window below.
//
// Use it from one thread at a time.
class LUMISK_PLATFORM_EXPORT X11WaitCursor {
public:
    using WindowId = uint32_t;

    // Null unless the application runs on X11 and its display can be reached.
    static std::unique_ptr<X11WaitCursor> open();
    // The native ids of the application's shown top-level windows. GUI thread only.
    static std::vector<WindowId> applicationWindows();

    ~X11WaitCursor();
    X11WaitCursor(const X11WaitCursor&) = delete;
    X11WaitCursor& operator=(const X11WaitCursor&) = delete;

    // Shows the wait cursor wherever the pointer is over one of the windows; it
    // replaces an earlier show.
    void show(const std::vector<WindowId>& windows);
    // Gives the windows their own cursors back.
    void hide();
    bool isShown() const;

private:
    struct Connection;
    explicit X11WaitCursor(std::unique_ptr<Connection> connection);

    std::unique_ptr<Connection> _connection;
};
