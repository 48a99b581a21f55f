#include "framework/model/TMLabelText.h"

#include "framework/model/TMUtilities.h"
#include "platform/graphics/Font.h"
#include "platform/graphics/GraphicsContext.h"

#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>

namespace {

QFont messageFont(float size) {
    QFont font = Font::systemFontOfSize(size).toQFont();
    font.setPixelSize(int(size));
    return font;
}

} // namespace

float TMLabelText::heightLimitForRect(const Rect& r) {
    return std::min(r.height() - 2, kHeightLimit);
}

float TMLabelText::fontSizeForText(const QString& text, float width, float heightLimit) {
    float size = kLargestFontSize;
    QSizeF measured = QFontMetricsF(messageFont(size)).size(Qt::TextSingleLine, text);
    while (measured.width() > width || measured.height() > heightLimit) {
        size -= 1;
        if (size < kSmallestFontSize)
            break;
        measured = QFontMetricsF(messageFont(size)).size(Qt::TextSingleLine, text);
    }
    return size;
}

Rect TMLabelText::textRectInRect(const Rect& r) {
    return TMCenterRectInRect(Rect(0, 0, r.width(), heightLimitForRect(r)), r);
}

void TMLabelText::drawInRect(const QString& text, const Rect& r, const QColor& color) {
    GraphicsContext* context = GraphicsContext::currentContext();
    if (!context)
        return;
    const Rect textRect = textRectInRect(r);
    if (!(textRect.height() > 0))
        return;
    const QFont font = messageFont(fontSizeForText(text, r.width(), heightLimitForRect(r)));
    // Glyphs run top-down: where y runs upward, the rectangle is turned over in place.
    const bool upward = context->deviceTransform().determinant() < 0;
    context->drawWithPainter(textRect, [&](QPainter& painter) {
        if (upward) {
            painter.translate(0, double(textRect.minY()) + double(textRect.maxY()));
            painter.scale(1, -1);
        }
        painter.setFont(font);
        painter.setPen(color);
        painter.drawText(textRect.toQRectF(), Qt::AlignHCenter | Qt::AlignTop, text);
    });
}
