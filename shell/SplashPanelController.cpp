#include "shell/SplashPanelController.h"

#include "platform/foundation/Resources.h"
#include "shell/SplashPanel.h"
#include "shell/VQRollingView.h"

#include <QImage>
#include <QLabel>
#include <QLayout>
#include <QPixmap>
#include <QTimer>
#include <QVBoxLayout>

namespace {
constexpr char kSplashImage[] = "Splash.png";
constexpr int kRollingInterval = 50; // ms
constexpr int kFallbackWidth = 400;
constexpr int kFallbackHeight = 200;

QImage splashImage() {
    QImage image = Resources::applicationImageNamed(QLatin1String(kSplashImage));
    if (image.isNull()) {
        image = QImage(kFallbackWidth, kFallbackHeight, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
    }
    return image;
}
} // namespace

SplashPanelController* SplashPanelController::sharedInstance() {
    static SplashPanelController* controller = new SplashPanelController;
    return controller;
}

SplashPanelController::SplashPanelController() {
    const QImage image = splashImage();
    _splashImageView = new QWidget;
    _splashImage = new QLabel(_splashImageView);
    _splashImage->setPixmap(QPixmap::fromImage(image));
    _splashImage->setFixedSize(image.size());

    _splashAccessoryView = new QWidget;
    _splashAccessoryView->resize(image.width(), kCreditsHeight);
    _splashCreditsView =
        new VQRollingView(QSize(image.width(), kCreditsHeight), _splashAccessoryView);

    createPanelToDisplay();
    _panelToDisplay->center();
}

SplashPanelController::~SplashPanelController() {
    if (!accessoryInPanel())
        delete _splashAccessoryView;
    delete _panelToDisplay;
}

void SplashPanelController::createPanelToDisplay() {
    _splashImageView->setFixedSize(_splashImage->pixmap().size());
    _panelToDisplay = new SplashPanel(_splashImageView);
}

bool SplashPanelController::accessoryInPanel() const {
    return _splashAccessoryView->parentWidget() != nullptr;
}

void SplashPanelController::showPanel() {
    if (!accessoryInPanel()) {
        const int width = _panelToDisplay->width();
        _splashAccessoryView->setFixedSize(width, _splashAccessoryView->height());
        _panelToDisplay->contentView()->layout()->addWidget(_splashAccessoryView);
        _panelToDisplay->contentView()->setFixedHeight(_panelToDisplay->height() +
                                                       _splashAccessoryView->height());
        _panelToDisplay->setFixedSize(width, _panelToDisplay->contentView()->height());
        _panelToDisplay->center();
    }
    if (!_rollingTimer) {
        _rollingTimer = new QTimer(this);
        _rollingTimer->setInterval(kRollingInterval);
        connect(_rollingTimer, &QTimer::timeout, _splashCreditsView, &VQRollingView::roll);
        _rollingTimer->start();
    }
    _splashCreditsView->reset();
    _splashImage->setPixmap(QPixmap::fromImage(splashImage()));
    _panelToDisplay->show();
    _panelToDisplay->raise();
    _panelToDisplay->activateWindow();
}

void SplashPanelController::showPanelForTimeInterval(double seconds) {
    if (accessoryInPanel()) {
        _panelToDisplay->contentView()->layout()->removeWidget(_splashAccessoryView);
        _splashAccessoryView->setParent(nullptr);
        const int height = _panelToDisplay->height() - _splashAccessoryView->height();
        _panelToDisplay->contentView()->setFixedHeight(height);
        _panelToDisplay->setFixedSize(_panelToDisplay->width(), height);
        _panelToDisplay->center();
    }
    _panelToDisplay->show();
    _panelToDisplay->raise();
    _panelToDisplay->activateWindow();
    QTimer::singleShot(static_cast<int>(seconds * 1000), _panelToDisplay, &QWidget::hide);
}

void SplashPanelController::hidePanel() {
    if (_rollingTimer) {
        _rollingTimer->stop();
        delete _rollingTimer;
    }
    _panelToDisplay->hide();
}
