#include "framework/model/TMCaptionObject.h"
#include "framework/Formwell.h"

#include "framework/model/ShadowAccessors.h"
#include "framework/model/TMCaptionGeometry.h"
#include "framework/model/TMCloudPath.h"
#include "framework/model/TMGeometry.h"
#include "framework/model/TMShapeValues.h"
#include "framework/model/TMStrokeFill.h"
#include "framework/model/TMTextObject.h"
#include "platform/archiving/ArchivedValues.h"
#include "platform/archiving/Archiver.h"
#include "platform/archiving/Unarchiver.h"
#include "platform/documents/View.h"
#include "platform/foundation/UndoManager.h"
#include "platform/graphics/AffineTransform.h"
#include "platform/graphics/GraphicsContext.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QTextDocument>
#include <QTextOption>
#include <algorithm>
#include <cmath>

namespace {

[[maybe_unused]] const bool kRegistered = [] {
    TMObject::registerKind<TMCaptionObject>(QStringLiteral("TMCaptionObject"));
    return true;
}();

constexpr float kShadowBlur = 16;
constexpr float kShadowCastOffset = 1;
constexpr float kRoundedRadiusFraction = 0.1f;
// Text is laid out this much narrower than its box, as a text cell keeps
// clear of its frame's sides.
constexpr float kTextSideMargin = 4;

QString key(const char* name) {
    return QString::fromLatin1(name);
}

// The text laid out centred, wrapped to the width, in page points.
std::unique_ptr<QTextDocument> captionLayout(const QString& text, const Font& font, float width) {
    auto document = std::make_unique<QTextDocument>();
    TMTextObject::layOutInPagePoints(*document);
    document->setDefaultFont(font.toQFont());
    QTextOption option(Qt::AlignHCenter);
    option.setWrapMode(QTextOption::WordWrap);
    document->setDefaultTextOption(option);
    document->setPlainText(text);
    document->setTextWidth(width);
    return document;
}

} // namespace

// ---------------------------------------------------------------------------
// Construction and representation

TMCaptionObject::TMCaptionObject()
    : _font(Font::systemFontOfSize(kDefaultFontSize)),
      _text(frameworkString(kCaptionInitialTextKey)) {
    _fillEnabled = true;
    _strokeEnabled = false;
    _shadowEnabled = true;
}

TMCaptionObject::~TMCaptionObject() = default;

TMCaptionObjectRef TMCaptionObject::newTemplateObject() {
    return create<TMCaptionObject>();
}

TMCaptionObjectRef
TMCaptionObject::newTemplateObjectWithRepresentation(const QVariantMap& representation) {
    return createWithRepresentation<TMCaptionObject>(representation);
}

TMCaptionObjectRef TMCaptionObject::newTemplateObjectWithOriginSize(Point origin, Size size) {
    return createWithOriginSize<TMCaptionObject>(origin, size);
}

void TMCaptionObject::initShadow() {
    TMObject::initShadow();
    ShadowValue shadow = *_shadow;
    shadow.blurRadius = kShadowBlur;
    shadow.color = Color::blackColor().toQColor();
    setCastOffset(shadow, kShadowCastOffset);
    _shadow = shadow;
}

void TMCaptionObject::initWithRepresentation(const QVariantMap& representation) {
    TMRectangleObject::initWithRepresentation(representation);
    const auto find = [&representation](const char* name) -> QVariant {
        return representation.value(key(name));
    };

    const QVariant tail = find(kCaptionTailVertexKey);
    _tailVertex = tail.isValid() ? pointFromString(tail.toString()) : kDefaultTailVertex;
    const QVariant quadrant = find(kCaptionTailQuadrantKey);
    _tailQuadrant = quadrant.isValid() ? quadrant.toInt() : kCaptionTailBottom;
    std::optional<Font> font;
    if (const QVariant data = find(kCaptionFontKey); data.isValid())
        font = Unarchiver::unarchiveValue<Font>(data.toByteArray());
    _font = font.value_or(Font::systemFontOfSize(kDefaultFontSize));
    const QVariant text = find(kCaptionTextKey);
    _text = text.isValid() ? text.toString() : frameworkString(kCaptionInitialTextKey);
    _textColor = colorFromData(find(kCaptionTextColorKey)).value_or(Color::blackColor());
    _balloonShape = find(kCaptionShapeKey).toInt();
    _tailStyle = find(kCaptionTailStyleKey).toInt();
    _cachedPath.reset();
    if (const QVariant data = find(kCaptionPathKey);
        data.metaType() == QMetaType::fromType<QByteArray>())
        _cachedPath = Unarchiver::unarchiveValue<BezierPath>(data.toByteArray());
    const QVariant maxSize = find(kCaptionMaxSizeKey);
    _maxSize = maxSize.isValid() ? sizeFromString(maxSize.toString()) : kZeroSize;

    // A caption is a filled, shadowed balloon whatever the rectangle's keys say.
    _fillEnabled = true;
    _strokeEnabled = false;
    _shadowEnabled = true;
}

QVariantMap TMCaptionObject::dictRepresentation() const {
    QVariantMap d = TMRectangleObject::dictRepresentation();
    d.insert(key(kCaptionTailVertexKey), stringFromPoint(_tailVertex));
    d.insert(key(kCaptionTailQuadrantKey), QVariant(int(_tailQuadrant)));
    d.insert(key(kCaptionFontKey), Archiver::archivedValue(_font));
    d.insert(key(kCaptionTextKey), _text);
    d.insert(key(kCaptionTextColorKey), Archiver::archivedValue(_textColor));
    d.insert(key(kCaptionShapeKey), QVariant(int(_balloonShape)));
    d.insert(key(kCaptionTailStyleKey), QVariant(int(_tailStyle)));
    d.insert(key(kCaptionPathKey),
             Archiver::archivedData(_cachedPath ? QVariant::fromValue(*_cachedPath) : QVariant()));
    d.insert(key(kCaptionMaxSizeKey), stringFromSize(_maxSize));
    return d;
}

QVariantMap TMCaptionObject::geometry() const {
    QVariantMap g = TMRectangleObject::geometry();
    g.insert(key(kCaptionTailVertexKey), stringFromPoint(_tailVertex));
    g.insert(key(kCaptionTailQuadrantKey), QVariant(int(_tailQuadrant)));
    return g;
}

void TMCaptionObject::setGeometry(const QVariantMap& values) {
    Point tail = _tailVertex;
    int32_t quadrant = _tailQuadrant;
    if (const auto v = values.constFind(key(kCaptionTailVertexKey)); v != values.cend())
        tail = pointFromString(v->toString());
    if (const auto v = values.constFind(key(kCaptionTailQuadrantKey)); v != values.cend())
        quadrant = v->toInt();
    const bool tailChanges = tail != _tailVertex || quadrant != _tailQuadrant;

    // The base records the inverse of an undo or redo step only when its own
    // values change; a step that moved nothing but the tail records it here.
    const QVariantMap before = geometry();
    const QVariantMap baseBefore = TMRectangleObject::geometry();
    TMRectangleObject::setGeometry(values);
    if (tailChanges) {
        if (UndoManager* undo = documentUndoManager(); undo &&
                                                       (undo->isUndoing() || undo->isRedoing()) &&
                                                       TMRectangleObject::geometry() == baseBefore)
            registerUndo([before](TMObject& self) { self.setGeometry(before); }, kMoveActionKey);
        setNeedsDisplay();
        _tailVertex = tail;
        _tailQuadrant = quadrant;
        changeMade();
    }
    _cachedPath.reset();
    setNeedsDisplay();
}

void TMCaptionObject::setAbsoluteSize(Size size) {
    if (size != _size)
        _cachedPath.reset();
    TMRectangleObject::setAbsoluteSize(size);
}

// ---------------------------------------------------------------------------
// Properties

void TMCaptionObject::setFont(const Font& font) {
    if (!changeValue(_font, font, &TMCaptionObject::setFont, kFontActionKey))
        return;
    recache();
    changeMade();
}

void TMCaptionObject::setTextColor(const Color& color) {
    if (changeValue(_textColor, color, &TMCaptionObject::setTextColor, kCaptionColorActionKey))
        changeMade();
}

void TMCaptionObject::setShape(int32_t shape) {
    if (!changeValue(_balloonShape, shape, &TMCaptionObject::setShape, kCaptionShapeActionKey))
        return;
    _cachedPath.reset();
    changeMade();
}

void TMCaptionObject::setTailStyle(int32_t style) {
    if (changeValue(_tailStyle, style, &TMCaptionObject::setTailStyle, kCaptionTailStyleActionKey))
        changeMade();
}

void TMCaptionObject::setText(const QString& text) {
    if (text == _text)
        return;
    _text = text;
    recache();
    changeMade();
}

void TMCaptionObject::setRelativeTailVertex(Point vertex) {
    if (vertex == _tailVertex)
        return;
    setNeedsDisplay();
    _tailVertex = vertex;
    recache();
    changeMade();
}

// ---------------------------------------------------------------------------
// Outline

bool TMCaptionObject::viewIsFlipped() const {
    const View* view = lastDrawnInView();
    return view && view->isFlipped();
}

Point TMCaptionObject::calcVertex() const {
    return TMCaptionTailVertex(_tailQuadrant, _tailVertex, unrotatedRect(), viewIsFlipped());
}

Rect TMCaptionObject::randomizeRect(const Rect& r) {
    return TMRandomizeRect(r);
}

BezierPath TMCaptionObject::cloudPathInRect(const Rect& r) const {
    return TMCaptionCloudPathInRect(r, _balloonShape, _maxSize);
}

BezierPath TMCaptionObject::balloonShape(const Rect& r) const {
    if (_cachedPath)
        return *_cachedPath;
    BezierPath outline;
    switch (_balloonShape) {
    case Rounded:
        outline = TMRoundedRectangle(r, kRoundedRadiusFraction * std::min(r.width(), r.height()));
        break;
    case SmallCloud:
    case MediumCloud:
    case LargeCloud:
        outline = cloudPathInRect(r);
        break;
    default:
        outline = BezierPath::bezierPathWithOvalInRect(r);
        break;
    }
    _cachedPath = outline;
    return outline;
}

BezierPath TMCaptionObject::basicShape() const {
    const float w = _size.width, h = _size.height;
    BezierPath outline = balloonShape({-w / 2, -h / 2, w, h});
    const Point tip = calcVertex();
    const Point v{tip.x - _center.x, tip.y - _center.y};
    if (outline.containsPoint(v))
        return outline;
    const Rect inner(-w / 4, -h / 4, w / 2, h / 2);
    const auto base = TMCaptionTailBase(_tailQuadrant, v, inner, viewIsFlipped());
    if (!base)
        return outline;
    const auto [a, b] = *base;
    if (_tailStyle == Wedge) {
        // Wound as the balloon is, so that the two fill as one shape.
        const bool rounded = _balloonShape == Rounded;
        outline.moveToPoint(rounded ? b : a);
        outline.lineToPoint(rounded ? a : b);
        outline.lineToPoint(v);
        outline.closePath();
        outline.setWindingRule(WindingRule::NonZero);
        return outline;
    }
    TMCaptionAppendBubbleTrail(outline, a, b, v, inner, double(h) / double(w));
    return outline;
}

Rect TMCaptionObject::frame() const {
    const BezierPath p = path();
    if (p.isEmpty())
        return TMRectangleObject::frame();
    return p.controlPointBounds();
}

Rect TMCaptionObject::encapsulatingFrame() const {
    Rect r = insetRect(frame(), -1, -1);
    if (selected()) {
        r = insetRect(r, -halfKnobWidth(), -halfKnobWidth());
        // The tail's knob shows even where no tail is drawn.
        const Point tip = rotatePointOnCenterMagnitude(calcVertex(), 1);
        r = unionRect(r, {tip.x - halfKnobWidth() - 1, tip.y - halfKnobWidth() - 1, knobWidth() + 2,
                          knobWidth() + 2});
    }
    return r;
}

// ---------------------------------------------------------------------------
// Knobs

int TMCaptionObject::knobUnderPoint(Point point) const {
    const Point q = rotatePointOnCenterMagnitude(point, -1);
    const Point tip = calcVertex();
    if (pointInRect(q,
                    {tip.x - halfKnobWidth(), tip.y - halfKnobWidth(), knobWidth(), knobWidth()}))
        return kTailKnob;
    return TMRectangleObject::knobUnderPoint(point);
}

void TMCaptionObject::drawHandles() const {
    TMRectangleObject::drawHandles();
    drawHandleAtPoint(rotatePointOnCenterMagnitude(calcVertex(), 1));
}

int TMCaptionObject::resizeByMovingKnobToPoint(int knob, Point point) {
    if (knob != kTailKnob) {
        _cachedPath.reset();
        return TMRectangleObject::resizeByMovingKnobToPoint(knob, point);
    }
    const Point p = rotatePointOnCenterMagnitude(point, -1);
    setNeedsDisplay();
    const TMCaptionTail tail = TMCaptionTailForPoint(p, unrotatedRect(), viewIsFlipped());
    _tailQuadrant = tail.quadrant;
    _tailVertex = tail.tail;
    changeMade();
    setNeedsDisplay();
    return kTailKnob;
}

// ---------------------------------------------------------------------------
// Drawing

void TMCaptionObject::drawObject(bool drawHandles) {
    GraphicsContext* context = GraphicsContext::currentContext();
    if (!context)
        return;
    // While being dragged out the balloon follows the size.
    if (inCreation())
        _cachedPath.reset();
    TMDrawStrokeAndFill(*this, path(), unrotatedRect(), _rotation);
    drawText();
    if (drawHandles && selected() && !inCreation())
        this->drawHandles();
    _lastDrawnInView = View::focusView();
}

void TMCaptionObject::drawText() {
    const std::optional<Size> box = TMCaptionTextBoxSize(_size);
    if (!box || _text.isEmpty())
        return;
    GraphicsContext* context = GraphicsContext::currentContext();
    const float lineWidth = std::max(box->width - 2 * kTextSideMargin, 1.0f);
    const std::unique_ptr<QTextDocument> document = captionLayout(_text, _font, lineWidth);
    const float width = box->width;
    const float height = std::min(box->height, float(document->size().height()));

    context->saveGraphicsState();
    context->clearShadow();
    AffineTransform turn;
    turn.rotateByDegrees(_rotation);
    const Point m = turn.transformPoint({width / 2, height / 2});
    AffineTransform place;
    place.translateXByYBy(_center.x - m.x, _center.y - m.y);
    place.rotateByDegrees(_rotation);
    context->concat(place);
    // Lines run down the device: where the box's y grows up on it (an
    // unflipped page or offscreen image), the box is turned over in place.
    if (context->deviceTransform().determinant() < 0) {
        AffineTransform over;
        over.translateXByYBy(0, height);
        over.scaleXByYBy(1, -1);
        context->concat(over);
    }
    const Rect frame(0, 0, width, height);
    context->rectClip(frame);
    const QColor color = _textColor.toQColor();
    context->drawWithPainter(frame, [&document, color](QPainter& painter) {
        painter.translate(kTextSideMargin, 0);
        QAbstractTextDocumentLayout::PaintContext paint;
        paint.palette.setColor(QPalette::Text, color);
        document->documentLayout()->draw(&painter, paint);
    });
    context->restoreGraphicsState();
}
