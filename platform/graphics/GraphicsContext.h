#pragma once

#include "platform/foundation/Geometry.h"
#include "platform/foundation/PlatformExport.h"
#include "platform/graphics/AffineTransform.h"
#include "platform/graphics/Compositing.h"
#include "platform/graphics/ShadowValue.h"

#include <QColor>
#include <QPainter>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class BezierPath;
class Image;
class Shading;
class ShadowRenderer;

enum class DestinationKind { Screen, Printer, Image };

// Drawing in page coordinates over a QPainter. User space starts as the base
// space: y upward from the lower-left corner, in points; a flipped context
// starts y downward from the upper-left corner instead. The graphics state
// (transform, clip, shadow, colours, compositing operation) is saved and
// restored as a whole.
//
// A shadow's offset and blur are in base space. Screen and printer contexts
// keep an upward base space even when flipped (the flip is part of user
// space); a flipped image's base space is its own, downward one.
class LUMISK_PLATFORM_EXPORT GraphicsContext {
public:
    // The context covers `area` of the painter's current coordinates (the whole
    // device when null), which shows `size` points. The painter must outlive it.
    GraphicsContext(QPainter& painter, Size size, DestinationKind kind, bool flipped = false,
                    const QRectF& area = QRectF());
    ~GraphicsContext();
    GraphicsContext(const GraphicsContext&) = delete;
    GraphicsContext& operator=(const GraphicsContext&) = delete;

    // The focus: a per-thread stack of contexts; drawing goes to the top one.
    static GraphicsContext* currentContext();
    static void pushFocus(GraphicsContext* context);
    static void popFocus();
    // Holds a context in focus for its lifetime.
    class LUMISK_PLATFORM_EXPORT Focus {
    public:
        explicit Focus(GraphicsContext& context);
        ~Focus();
        Focus(const Focus&) = delete;
        Focus& operator=(const Focus&) = delete;

    private:
        GraphicsContext* _context;
    };

    // Blurred shadows are kept by `renderer`, which outlives this context (a
    // view's, across its repaints); without one the context keeps its own.
    void setShadowRenderer(ShadowRenderer* renderer) { _sharedShadowRenderer = renderer; }

    DestinationKind destinationKind() const { return _kind; }
    bool isDrawingToScreen() const { return _kind == DestinationKind::Screen; }
    bool isFlipped() const { return _flipped; }
    Size size() const { return _size; }
    QPainter& painter() { return _painter; }

    void saveGraphicsState();
    // An unbalanced restore does nothing.
    void restoreGraphicsState();

    // Current transform: user space to base space.
    const AffineTransform& transform() const { return _state.transform; }
    void setTransform(const AffineTransform& transform) { _state.transform = transform; }
    void concat(const AffineTransform& transform);
    // User space to the painter's device coordinates.
    QTransform deviceTransform() const;

    // The shadow cast by everything drawn until it is cleared or the state restored.
    const std::optional<ShadowValue>& shadow() const { return _state.shadow; }
    void setShadow(const ShadowValue& shadow) { _state.shadow = shadow; }
    void clearShadow() { _state.shadow.reset(); }

    const QColor& fillColor() const { return _state.fillColor; }
    const QColor& strokeColor() const { return _state.strokeColor; }
    void setFillColor(const QColor& color) { _state.fillColor = color; }
    void setStrokeColor(const QColor& color) { _state.strokeColor = color; }
    // Both the fill and the stroke colour.
    void setColor(const QColor& color);

    // The operation paths and shadings are drawn with; source over at first.
    CompositingOperation compositingOperation() const { return _state.operation; }
    void setCompositingOperation(CompositingOperation op) { _state.operation = op; }

    void fillPath(const BezierPath& path);
    void strokePath(const BezierPath& path);
    // Clips to the path's inside by its winding rule, within the current clip.
    void addClip(const BezierPath& path);
    // Replaces the clip by the path.
    void setClip(const BezierPath& path);
    // The fill colour with the copy operation.
    void rectFill(const Rect& rect);
    void rectFillUsingOperation(const Rect& rect, CompositingOperation op);
    void rectClip(const Rect& rect);
    // A line of the given width just inside the rectangle's edge, in the fill colour.
    void frameRect(const Rect& rect, float width = 1);

    // Draws the part `source` of the image (in the image's points, origin at its
    // lower left whether or not it is flipped; the zero rectangle for all of it)
    // into `destination`, with the operation and the fraction (0 to 1) scaling
    // the image's alpha. An unflipped image shows its top row at the
    // destination's largest y; a flipped one at its smallest.
    void drawImage(const Image& image, const Rect& destination, const Rect& source,
                   CompositingOperation op, float fraction);

    // Fills the whole clip area with the shading (given in user space).
    void drawShading(const Shading& shading);

    // Any other drawing (text, for one): paint gets the painter set to user
    // space (y upward unless flipped) and is drawn with the current shadow and
    // compositing operation. userBounds must hold all it touches.
    void drawWithPainter(const Rect& userBounds, const std::function<void(QPainter&)>& paint);

private:
    struct State {
        AffineTransform transform;
        std::optional<ShadowValue> shadow;
        QColor fillColor = Qt::black;
        QColor strokeColor = Qt::black;
        CompositingOperation operation = CompositingOperation::SourceOver;
    };

    // shadowKey names what paint draws relative to shadowKeyOrigin (user space), so its blurred
    // shadow can be reused; empty when it cannot be named.
    void draw(const QRectF& deviceBounds, CompositingOperation op,
              const std::function<void(QPainter&)>& paint, const QByteArray& shadowKey = {},
              const QPointF& shadowKeyOrigin = {});
    QRectF deviceBounds(const QRectF& userRect) const;
    double shadowRasterScale() const;

    QPainter& _painter;
    Size _size;
    DestinationKind _kind;
    bool _flipped;
    bool _active;
    QTransform _deviceFromBase;
    State _state;
    std::vector<State> _saved;
    std::unique_ptr<ShadowRenderer> _shadowRenderer;
    ShadowRenderer* _sharedShadowRenderer = nullptr;
};
