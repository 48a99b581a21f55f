#include "platform/ui/X11WaitCursor.h"

#include <QGuiApplication>
#include <QWindow>
#include <cstdlib>
#include <xcb/xcb.h>
#include <xcb/xcb_cursor.h>

namespace {

// The wait cursor of the cursor theme, or the cursor font's watch without a theme.
constexpr char kWaitCursorName[] = "watch";
constexpr uint16_t kCursorFontWatch = 150; // its mask is the next glyph
// Larger than any window: the server clips a child to its parent.
constexpr uint16_t kCoverSize = 32767;

xcb_screen_t* screenOfNumber(xcb_connection_t* connection, int number) {
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (; it.rem; --number, xcb_screen_next(&it))
        if (number == 0)
            return it.data;
    return nullptr;
}

xcb_cursor_t fontWatchCursor(xcb_connection_t* connection) {
    const xcb_font_t font = xcb_generate_id(connection);
    const char fontName[] = "cursor";
    xcb_open_font(connection, font, sizeof fontName - 1, fontName);
    const xcb_cursor_t cursor = xcb_generate_id(connection);
    xcb_create_glyph_cursor(connection, cursor, font, font, kCursorFontWatch, kCursorFontWatch + 1,
                            0, 0, 0, 0xFFFF, 0xFFFF, 0xFFFF);
    xcb_close_font(connection, font);
    return cursor;
}

} // namespace

struct X11WaitCursor::Connection {
    xcb_connection_t* connection = nullptr;
    xcb_cursor_t cursor = XCB_CURSOR_NONE;
    std::vector<xcb_window_t> covers;

    ~Connection() {
        if (!connection)
            return;
        for (xcb_window_t cover : covers)
            xcb_destroy_window(connection, cover);
        if (cursor != XCB_CURSOR_NONE)
            xcb_free_cursor(connection, cursor);
        xcb_disconnect(connection);
    }

    // Sends the requests and drops what came back: errors for windows that went
    // away in the meantime are expected and change nothing.
    void flush() {
        xcb_flush(connection);
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection))
            std::free(event);
    }
};

std::unique_ptr<X11WaitCursor> X11WaitCursor::open() {
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    auto connection = std::make_unique<Connection>();
    int screenNumber = 0;
    connection->connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection->connection))
        return nullptr;
    xcb_screen_t* screen = screenOfNumber(connection->connection, screenNumber);
    if (!screen)
        return nullptr;
    xcb_cursor_context_t* context = nullptr;
    if (xcb_cursor_context_new(connection->connection, screen, &context) >= 0) {
        connection->cursor = xcb_cursor_load_cursor(context, kWaitCursorName);
        xcb_cursor_context_free(context);
    }
    if (connection->cursor == XCB_CURSOR_NONE)
        connection->cursor = fontWatchCursor(connection->connection);
    connection->flush();
    return std::unique_ptr<X11WaitCursor>(new X11WaitCursor(std::move(connection)));
}

std::vector<X11WaitCursor::WindowId> X11WaitCursor::applicationWindows() {
    std::vector<WindowId> windows;
    for (QWindow* window : QGuiApplication::topLevelWindows())
        if (window->handle() && window->isVisible())
            windows.push_back(WindowId(window->winId()));
    return windows;
}

X11WaitCursor::X11WaitCursor(std::unique_ptr<Connection> connection)
    : _connection(std::move(connection)) {}

X11WaitCursor::~X11WaitCursor() = default;

void X11WaitCursor::show(const std::vector<WindowId>& windows) {
    hide();
    xcb_connection_t* connection = _connection->connection;
    const uint32_t cursor = _connection->cursor;
    for (WindowId window : windows) {
        const xcb_window_t cover = xcb_generate_id(connection);
        xcb_create_window(connection, 0, cover, window, 0, 0, kCoverSize, kCoverSize, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_CURSOR,
                          &cursor);
        xcb_map_window(connection, cover);
        _connection->covers.push_back(cover);
    }
    _connection->flush();
}

void X11WaitCursor::hide() {
    if (_connection->covers.empty())
        return;
    for (xcb_window_t cover : _connection->covers)
        xcb_destroy_window(_connection->connection, cover);
    _connection->covers.clear();
    _connection->flush();
}

bool X11WaitCursor::isShown() const {
    return !_connection->covers.empty();
}
