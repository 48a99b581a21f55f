#include "framework/model/TMPrintAreaObject.h"
#include "framework/Formwell.h"

#include "framework/model/TMLabelText.h"
#include "platform/archiving/Archiver.h"
#include "platform/archiving/Unarchiver.h"
#include "platform/documents/View.h"
#include "platform/foundation/Format.h"
#include "platform/graphics/BezierPath.h"
#include "platform/graphics/GraphicsContext.h"

#include <QGuiApplication>
#include <QPalette>

namespace {

[[maybe_unused]] const bool kRegistered = [] {
    TMObject::registerKind<TMPrintAreaObject>(QStringLiteral("TMPrintAreaObject"));
    return true;
}();

// What a stored area without length or offset had: marks of 1 point at 1 point.
constexpr float kStoredDefaultCutMarkLength = 1;
constexpr float kStoredDefaultCutMarkOffset = 1;
constexpr float kAreaFillAlpha = 0.2f;
constexpr float kAreaOutlineAlpha = 0.4f;

QString key(const char* name) {
    return QString::fromLatin1(name);
}

QColor disabledControlTextColor(float alpha) {
    QColor color = QGuiApplication::palette().color(QPalette::Disabled, QPalette::WindowText);
    color.setAlphaF(alpha);
    return color;
}

QColor labelColor() {
    return Color::calibratedWhite(1.0f / 3.0f, 0.75f).toQColor();
}

void strokeMark(GraphicsContext& context, Point from, Point to) {
    BezierPath mark;
    mark.moveToPoint(from);
    mark.lineToPoint(to);
    mark.setLineWidth(TMPrintAreaObject::kCutMarkLineWidth);
    context.strokePath(mark);
}

} // namespace

TMPrintAreaObject::TMPrintAreaObject() {
    _rotationLocked = true;
}

TMPrintAreaObjectRef TMPrintAreaObject::newTemplateObject() {
    return create<TMPrintAreaObject>();
}

TMPrintAreaObjectRef
TMPrintAreaObject::newTemplateObjectWithRepresentation(const QVariantMap& representation) {
    return createWithRepresentation<TMPrintAreaObject>(representation);
}

TMPrintAreaObjectRef TMPrintAreaObject::newTemplateObjectWithOriginSize(Point origin, Size size) {
    return createWithOriginSize<TMPrintAreaObject>(origin, size);
}

void TMPrintAreaObject::initWithRepresentation(const QVariantMap& representation) {
    TMObject::initWithRepresentation(representation);
    _rotationLocked = true;
    const auto value = [&](const char* name) { return representation.value(key(name)); };
    const QVariant enabled = value(kTMPrintAreaObjectCutMarksEnabledKey);
    _cutMarksEnabled = enabled.isValid() ? enabled.toBool() : true;
    const QVariant length = value(kTMPrintAreaObjectCutMarksLengthKey);
    _cutMarkLen = length.isValid() ? length.toFloat() : kStoredDefaultCutMarkLength;
    const QVariant offset = value(kTMPrintAreaObjectCutMarksOffsetKey);
    _cutMarkOffset = offset.isValid() ? offset.toFloat() : kStoredDefaultCutMarkOffset;
    _cutMarkColor = Color::blackColor();
    if (const QVariant color = value(kTMPrintAreaObjectCutMarksColorKey); color.isValid())
        if (const std::optional<Color> stored =
                Unarchiver::unarchiveValue<Color>(color.toByteArray()))
            _cutMarkColor = *stored;
    _printAreaNumber = value(kTMPrintAreaNumberKey).toInt();
}

QVariantMap TMPrintAreaObject::dictRepresentation() const {
    QVariantMap d = TMObject::dictRepresentation();
    d.insert(key(kTMPrintAreaObjectCutMarksEnabledKey), QVariant(_cutMarksEnabled));
    d.insert(key(kTMPrintAreaObjectCutMarksLengthKey), QVariant(_cutMarkLen));
    d.insert(key(kTMPrintAreaObjectCutMarksOffsetKey), QVariant(_cutMarkOffset));
    d.insert(key(kTMPrintAreaObjectCutMarksColorKey), Archiver::archivedValue(_cutMarkColor));
    d.insert(key(kTMPrintAreaNumberKey), QVariant(int(_printAreaNumber)));
    return d;
}

Rect TMPrintAreaObject::visibleFrame() const {
    const Rect r = TMObject::visibleFrame();
    if (!_cutMarksEnabled)
        return r;
    const float reach = _cutMarkLen + _cutMarkOffset;
    return insetRect(r, -reach, -reach);
}

void TMPrintAreaObject::setRotationLocked(bool) {}

// ---------------------------------------------------------------------------
// Properties

template <class Store> void TMPrintAreaObject::changeMarks(Store&& store) {
    changeMade();
    store();
    changeMade();
}

void TMPrintAreaObject::setCutMarksState(bool enabled) {
    if (enabled == _cutMarksEnabled)
        return;
    registerUndo(
        [old = _cutMarksEnabled](TMObject& self) {
            static_cast<TMPrintAreaObject&>(self).setCutMarksState(old);
        },
        kCutMarksStateActionKey);
    changeMarks([&] { _cutMarksEnabled = enabled; });
}

void TMPrintAreaObject::setCutMarkLength(float length) {
    if (length == _cutMarkLen)
        return;
    registerUndo(
        [old = _cutMarkLen](TMObject& self) {
            static_cast<TMPrintAreaObject&>(self).setCutMarkLength(old);
        },
        kCutMarksLengthActionKey);
    changeMarks([&] { _cutMarkLen = length; });
}

void TMPrintAreaObject::setCutMarkOffset(float offset) {
    if (offset == _cutMarkOffset)
        return;
    registerUndo(
        [old = _cutMarkOffset](TMObject& self) {
            static_cast<TMPrintAreaObject&>(self).setCutMarkOffset(old);
        },
        kCutMarksOffsetActionKey);
    changeMarks([&] { _cutMarkOffset = offset; });
}

void TMPrintAreaObject::setCutMarkColor(const Color& color) {
    if (color == _cutMarkColor)
        return;
    registerUndo(
        [old = _cutMarkColor](TMObject& self) {
            static_cast<TMPrintAreaObject&>(self).setCutMarkColor(old);
        },
        kCutMarksColorActionKey);
    _cutMarkColor = color;
    changeMade();
}

void TMPrintAreaObject::setPrintAreaNumber(int32_t number) {
    if (number == _printAreaNumber)
        return;
    _printAreaNumber = number;
    recache();
    setNeedsDisplay();
}

// ---------------------------------------------------------------------------
// Drawing

void TMPrintAreaObject::drawObject(bool drawHandles) {
    GraphicsContext* context = GraphicsContext::currentContext();
    if (!context)
        return;
    const bool toScreen = isDrawingToScreen();
    const QColor black = Color::blackColor().toQColor();

    // The editor's look: only on screen, and neither in a layout nor in a thumbnail.
    if (toScreen && !_imageSource && !drawingThumbnail()) {
        const BezierPath area = path();
        context->setFillColor(disabledControlTextColor(kAreaFillAlpha));
        context->fillPath(area);
        context->setStrokeColor(disabledControlTextColor(kAreaOutlineAlpha));
        context->strokePath(area);
        context->setColor(black);
        drawPrintAreaLabelInRect(frame());
    }

    if (_cutMarksEnabled) {
        const Rect f = frame();
        const float o = _cutMarkOffset;
        const float l = _cutMarkLen;
        context->setStrokeColor(_cutMarkColor.toQColor());
        for (const float y : {f.minY(), f.maxY()}) {
            strokeMark(*context, {f.minX() - o, y}, {f.minX() - o - l, y});
            strokeMark(*context, {f.maxX() + o, y}, {f.maxX() + o + l, y});
        }
        for (const float x : {f.minX(), f.maxX()}) {
            strokeMark(*context, {x, f.minY() - o}, {x, f.minY() - o - l});
            strokeMark(*context, {x, f.maxY() + o}, {x, f.maxY() + o + l});
        }
        context->setColor(black);
    }

    if (toScreen && drawHandles && selected() && !inCreation())
        this->drawHandles();
    _lastDrawnInView = View::focusView();
}

void TMPrintAreaObject::drawPrintAreaLabelInRect(const Rect& r) {
    if (drawingThumbnail())
        return;
    const QString label = stringWithFormat(
        QStringLiteral("%@%d"), frameworkString(kPrintAreaLabelKey), int(_printAreaNumber));
    TMLabelText::drawInRect(label, r, labelColor());
    if (GraphicsContext* context = GraphicsContext::currentContext())
        context->setColor(Color::blackColor().toQColor());
}
