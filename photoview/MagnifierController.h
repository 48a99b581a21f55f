#pragma once

#include "platform/documents/View.h"
#include "platform/foundation/Geometry.h"
#include "platform/graphics/BezierPath.h"
#include "platform/graphics/Image.h"

#include <QObject>
#include <QPoint>
#include <memory>
#include <optional>

class ModePaletteWindow;
class QWidget;

// Posted by the loupe (object: its controller) when the user closes it.
inline constexpr char kRedEyeMagnifierClosedNofity[] = "RedEyeMagnifierClosedNofity";

// The loupe's view: a square of the image about a centre, enlarged to the whole
// view under crosshairs, or six lines of help without an image.
class MagnifierView : public View {
    Q_OBJECT

public:
    explicit MagnifierView(QWidget* parent = nullptr);

    // The centre is in the image's points, origin at its lower left. Null for
    // none, which brings back the help.
    void updateDisplayImageWithCenter(const Image& image, Point center);
    const Image& displayImage() const { return _srcImage; }
    Point displayCenter() const { return _srcCenter; }
    // The side of the square shown, in the image's points. Only the next image
    // handed over repaints with it.
    void setDisplayScale(float scale) { _displayScale = scale; }
    float displayScale() const { return _displayScale; }
    // Made from the bounds at the first drawing with an image and kept.
    const std::optional<BezierPath>& crosshairs() const { return _crosshairs; }

protected:
    void drawRect(const Rect& dirtyRect) override;

private:
    void makeCrosshairs();
    void drawHelp();

    Image _srcImage;
    Point _srcCenter;
    float _displayScale = 0;
    std::optional<BezierPath> _crosshairs;
};

// The shared loupe of red-eye mode: a tool window of fixed size that never takes
// the keyboard, so the catalog window keeps it while the pointer is followed.
class MagnifierController : public QObject {
    Q_OBJECT

public:
    // The loupe view's side in points.
    static constexpr int kViewSide = 128;

    static MagnifierController* sharedMagnifierController();
    MagnifierController();
    ~MagnifierController() override;

    QWidget* window() const;
    MagnifierView* magnifiedPixelView() const { return _view; }
    // Shows the loupe without activating it.
    void showWindow();
    // Hides it; nothing is posted.
    void close();
    bool isVisible() const;
    // Places the window's frame with its lower-left corner at the point (screen
    // coordinates).
    void setOrigin(QPoint frameBottomLeft);
    void updateDisplayImageWithCenter(const Image& image, Point center);
    void setDisplayScale(float scale);

private:
    void windowWillClose();

    std::unique_ptr<ModePaletteWindow> _window;
    MagnifierView* _view = nullptr;
};
