#pragma once

#include "platform/ui/PreferencePane.h"

#include <QObject>
#include <QPointer>

class QButtonGroup;
class QComboBox;
class QLineEdit;
class QWidget;

// The pane of the template defaults: every control reads from and writes to the
// settings store; the pane keeps no values of its own.
class TemplatePreferenceController : public QObject, public SS_PreferencePaneProtocol {
    Q_OBJECT

public:
    TemplatePreferenceController();
    ~TemplatePreferenceController() override;

    QWidget* mainView() override;
    QString paneToolTip() override;
    bool allowsHorizontalResizing() override { return false; }
    bool allowsVerticalResizing() override { return false; }

    // Writes every control to the settings, then shows them again as stored.
    void applyTemplatePrefChanges();
    void initTemplatePrefUI();

    QComboBox* categoryField() const { return _categoryField; }
    QLineEdit* creatorField() const { return _creatorField; }
    QLineEdit* copyrightField() const { return _copyrightField; }
    QLineEdit* versionField() const { return _versionField; }
    QButtonGroup* autoPageSizeMatrix() const { return _autoPageSizeMatrix; }
    QLineEdit* pageWidthField() const { return _pageWidthField; }
    QLineEdit* pageHeightField() const { return _pageHeightField; }
    QComboBox* displayUnitsPopUp() const { return _displayUnitsPopUp; }
    QComboBox* gridDivisionsPopUp() const { return _gridDivisionsPopUp; }

private:
    void buildView();

    QPointer<QWidget> prefsView;
    QComboBox* _categoryField = nullptr;
    QLineEdit* _creatorField = nullptr;
    QLineEdit* _copyrightField = nullptr;
    QLineEdit* _versionField = nullptr;
    QButtonGroup* _autoPageSizeMatrix = nullptr;
    QLineEdit* _pageWidthField = nullptr;
    QLineEdit* _pageHeightField = nullptr;
    QComboBox* _displayUnitsPopUp = nullptr;
    QComboBox* _gridDivisionsPopUp = nullptr;
    bool _applying = false;
};
