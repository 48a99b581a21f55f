#pragma once

#include <QPoint>
#include <QWidget>
#include <functional>

// The tool window of a palette of the photograph panel's modes (crop, loupe,
// captions). It shows without being activated and hands the user's close box
// and every move of the frame to its palette; the palette itself only hides it.
class ModePaletteWindow : public QWidget {
public:
    // A window that refuses the keyboard leaves it with the catalog window,
    // whose resigning key would end the mode.
    enum class Keyboard { Takes, Refuses };

    ModePaletteWindow(Keyboard keyboard, std::function<void()> closedByUser,
                      std::function<void()> moved = {});

    // Places the frame with its lower-left corner at the point (screen
    // coordinates).
    void moveFrameBottomLeftTo(QPoint frameBottomLeft);

protected:
    void moveEvent(QMoveEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    std::function<void()> _closedByUser;
    std::function<void()> _moved;
};
