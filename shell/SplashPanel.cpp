#include "shell/SplashPanel.h"

#include <QGraphicsDropShadowEffect>
#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QVBoxLayout>

SplashPanel::SplashPanel(const QImage& image) {
    auto* label = new QLabel;
    label->setPixmap(QPixmap::fromImage(image));
    label->setFixedSize(image.size());
    _content = new QWidget(this);
    auto* layout = new QVBoxLayout(_content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(label);
    _content->resize(image.size());
    setUp();
}

SplashPanel::SplashPanel(QWidget* view) {
    _content = new QWidget(this);
    auto* layout = new QVBoxLayout(_content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(view);
    _content->resize(view->size());
    setUp();
}

void SplashPanel::setUp() {
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::StrongFocus);
    setWindowOpacity(1.0);
    auto* shadow = new QGraphicsDropShadowEffect(_content);
    shadow->setBlurRadius(16);
    shadow->setOffset(0, 4);
    _content->setGraphicsEffect(shadow);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(_content);
    resize(_content->size());
    center();
}

void SplashPanel::center() {
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}
