#pragma once

#include "platform/foundation/PlatformExport.h"

#include <QColor>
#include <QPoint>
#include <QRect>
#include <memory>

class QColorDialog;

// The application's one colour panel: a floating colour chooser without OK and
// Cancel, shown and hidden as the user likes, that keeps the colour last chosen.
// Made on first use; it lives as long as the application object, so make it only
// while one exists.
class LUMISK_PLATFORM_EXPORT ColorPanel {
public:
    ~ColorPanel();
    ColorPanel(const ColorPanel&) = delete;
    ColorPanel& operator=(const ColorPanel&) = delete;

    static ColorPanel* sharedColorPanel();
    // Whether the shared panel has been made, without making it.
    static bool sharedColorPanelExists();

    void setShowsAlpha(bool shows);
    bool showsAlpha() const;
    QColor color() const;
    void setColor(const QColor& color);

    void orderFront();
    void close();
    bool isVisible() const;
    // The window's frame in screen coordinates (y down), and its top-left corner.
    QRect frame() const;
    void setFrameTopLeft(const QPoint& topLeft);

    QColorDialog* dialog() const { return _dialog.get(); }

private:
    ColorPanel();

    std::unique_ptr<QColorDialog> _dialog;
};
