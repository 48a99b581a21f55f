#pragma once

#include <QImage>
#include <QRectF>
#include <QWidget>

// Credits that scroll upwards without end: the text drawn once into an image as
// high as the text plus the view, which rises a point a tick and jumps back by its
// height once the text has passed out at the top.
class VQRollingView : public QWidget {
    Q_OBJECT

public:
    // The credits are the application's "Credits" resource (HTML); without it, a
    // short fallback text.
    explicit VQRollingView(const QSize& size, QWidget* parent = nullptr);

    void reset();
    void roll();

    // Where the image is drawn now, with y growing upwards from the view's bottom.
    QRectF displayRect() const { return _displayRect; }
    QRectF fullTextRect() const { return _fullTextRect; }
    const QImage& fullTextImage() const { return _fullTextImage; }
    QString displayText() const { return _displayText; }
    // The credits' own height, without the blank band.
    double textHeight() const { return _textHeight; }

    static QString creditsPath();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString _displayText; // HTML
    QRectF _displayRect;
    QRectF _fullTextRect;
    QImage _fullTextImage;
    double _textHeight = 0;
};
