#include "shell/VQRollingView.h"

#include "platform/foundation/Resources.h"

#include <QFile>
#include <QPainter>
#include <QTextDocument>
#include <cmath>

namespace {
constexpr char kCreditsFile[] = "/Credits.html";
constexpr char kFallbackText[] = "VQRollingView\nready for action!";
} // namespace

QString VQRollingView::creditsPath() {
    return Resources::sharePath() + QLatin1String(kCreditsFile);
}

VQRollingView::VQRollingView(const QSize& size, QWidget* parent) : QWidget(parent) {
    resize(size);
    // The image is below the view at first: what it leaves free is the same blank.
    setAutoFillBackground(true);
    QTextDocument document;
    document.setTextWidth(size.width());
    QFile credits(creditsPath());
    if (credits.open(QIODevice::ReadOnly)) {
        _displayText = QString::fromUtf8(credits.readAll());
        document.setHtml(_displayText);
    } else {
        _displayText = QString::fromLatin1(kFallbackText)
                           .toHtmlEscaped()
                           .replace(QLatin1Char('\n'), QStringLiteral("<br>"));
        document.setHtml(_displayText);
    }
    _textHeight = document.size().height();
    const int fullHeight = static_cast<int>(std::trunc(_textHeight + size.height()));
    _fullTextRect = QRectF(0, 0, size.width(), fullHeight);

    _fullTextImage =
        QImage(size.width(), std::max(fullHeight, 1), QImage::Format_ARGB32_Premultiplied);
    _fullTextImage.fill(palette().color(QPalette::Window));
    QPainter painter(&_fullTextImage);
    document.drawContents(&painter, QRectF(0, 0, size.width(), fullHeight));
    painter.end();

    reset();
}

void VQRollingView::reset() {
    _displayRect = _fullTextRect.translated(0, -_fullTextRect.height());
    update();
}

void VQRollingView::roll() {
    _displayRect.translate(0, 1);
    if (_displayRect.y() > 0)
        _displayRect.translate(0, -_displayRect.height());
    update();
}

void VQRollingView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // displayRect grows upwards from the bottom edge; the widget's y grows downwards.
    const double top = height() - (_displayRect.y() + _displayRect.height());
    painter.drawImage(QPointF(_displayRect.x(), top), _fullTextImage);
}
