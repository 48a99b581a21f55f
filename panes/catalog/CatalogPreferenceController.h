#pragma once

#include "platform/ui/PreferencePane.h"

#include <QObject>
#include <QPointer>
#include <QSize>
#include <optional>

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QSlider;
class QWidget;

// The pane of the catalog window and document defaults. Window and layout values
// go through the settings store; the enhancement defaults straight into the user
// defaults, synchronised at once.
class CatalogPreferenceController : public QObject, public SS_PreferencePaneProtocol {
    Q_OBJECT

public:
    CatalogPreferenceController();
    ~CatalogPreferenceController() override;

    QWidget* mainView() override;
    QString paneToolTip() override;
    bool allowsHorizontalResizing() override { return false; }
    bool allowsVerticalResizing() override { return false; }

    void applyCatalogPrefChanges();
    void initCatalogPrefUI();
    void recordEnhancementChange();
    void windowCurrentSizeButtonPressed();
    void windowRestoreSizeButtonPressed();
    // Enables the current-size button exactly while a catalog window is open.
    void applicationDidUpdate();

    // The content size and drawer width of the frontmost catalog window, if any.
    struct CatalogWindowSize {
        int width = 0, height = 0, drawerWidth = 0;
    };
    static std::optional<CatalogWindowSize> frontCatalogWindowSize();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildView();
    void awakeFromNib();
    void sliderChanged(QSlider* slider, QLineEdit* field);
    void fieldChanged(QLineEdit* field, QSlider* slider);

    QPointer<QWidget> prefsView;
    QLineEdit* _windowWidthField = nullptr;
    QLineEdit* _windowHeightField = nullptr;
    QLineEdit* _windowDrawerWidthField = nullptr;
    QPushButton* _windowCurrentSizeButton = nullptr;
    QPushButton* _windowRestoreSizeButton = nullptr;
    QCheckBox* _showDrawerOnOpenSwitch = nullptr;
    QCheckBox* _rememberSizeAndPosSwitch = nullptr;
    QCheckBox* _simplifiedPrintingSwitch = nullptr;
    QButtonGroup* _arrangementMatrix = nullptr;
    QButtonGroup* _scalingMatrix = nullptr;
    QLineEdit* _brightnessField = nullptr;
    QSlider* _brightnessSlider = nullptr;
    QLineEdit* _saturationField = nullptr;
    QSlider* _saturationSlider = nullptr;
    QLineEdit* _contrastField = nullptr;
    QSlider* _contrastSlider = nullptr;
    QSlider* _sharpnessSlider = nullptr;
    QCheckBox* _livePreviewSwitch = nullptr;
    bool _updatePending = false;
};
