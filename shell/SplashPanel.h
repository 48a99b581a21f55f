#pragma once

#include <QImage>
#include <QWidget>

// A frameless panel above other windows that still takes the keyboard; clear
// around its content, which casts a shadow.
class SplashPanel : public QWidget {
    Q_OBJECT

public:
    // The panel shows the image alone.
    explicit SplashPanel(const QImage& image);
    // The panel holds the view, at the view's size.
    explicit SplashPanel(QWidget* view);

    // The plain view that holds the panel's content.
    QWidget* contentView() const { return _content; }
    void center();

private:
    void setUp();

    QWidget* _content = nullptr;
};
