#pragma once

#include <QObject>
#include <QPointer>

class QLabel;
#include <QTimer>
class QWidget;
class SplashPanel;
class VQRollingView;

// The About panel: the application's picture over the scrolling credits.
class SplashPanelController : public QObject {
    Q_OBJECT

public:
    static SplashPanelController* sharedInstance();
    ~SplashPanelController() override;

    // The picture with the credits, which start again from the bottom.
    void showPanel();
    // The picture alone, for the given time.
    void showPanelForTimeInterval(double seconds);
    void hidePanel();

    void showSplashPanel() { showPanel(); }
    void dismissSplashPanel() { hidePanel(); }

    SplashPanel* panel() const { return _panelToDisplay; }
    QWidget* accessoryView() const { return _splashAccessoryView; }
    VQRollingView* creditsView() const { return _splashCreditsView; }
    QTimer* rollingTimer() const { return _rollingTimer; }

    static constexpr int kCreditsHeight = 120;

private:
    SplashPanelController();
    void createPanelToDisplay();
    bool accessoryInPanel() const;

    QWidget* _splashAccessoryView = nullptr; // owned here while out of the panel
    QWidget* _splashImageView = nullptr;
    QLabel* _splashImage = nullptr;
    VQRollingView* _splashCreditsView = nullptr;
    SplashPanel* _panelToDisplay = nullptr;
    QPointer<QTimer> _rollingTimer;
};
