#pragma once

#include "framework/FormwellExport.h"
#include "framework/inspectors/TMPhotoMaskController.h"

#include <QStringList>

class QAction;
class QComboBox;
class QMenu;
class QPushButton;

// The inspector of bitmap masks: the mask picture from a menu of the pictures
// in the user's masks folder, nested as its folders are, and the picture's
// rotation in quarter turns.
class FORMWELL_EXPORT TMBitmapPhotoMaskController : public TMPhotoMaskController {
    Q_OBJECT

public:
    TMBitmapPhotoMaskController();

    QString nibName() const override;
    void setEnabled(bool enabled) override;
    void updateInspectorPalette() override;

    // A path relative to the masks folder.
    QVariant maskPatternName() const;
    void setMaskPatternName(const QVariant& name);
    // An integer: 0, 90, 180 or -90.
    QVariant patternRotation() const;
    void setPatternRotation(const QVariant& degrees);

    // From an item of the image menu; the pull-down button itself is ignored.
    void imageChanged(QObject* sender);
    void rotationChanged(QObject* sender);

    // Fills the menu with the installed pictures: each file under the
    // submenu of its folder (the root when its folder is not listed), titled
    // without its extension and carrying its relative path.
    static void buildImageMenu(QMenu* root, const QStringList& installed, QObject* context,
                               const std::function<void(QAction*)>& chosen);

private:
    QString _maskPatternName;
    float _maskPatternRotation = 0;
    QPushButton* _imageNamesPopUp = nullptr;
    QComboBox* _rotationPopUp = nullptr;
};
