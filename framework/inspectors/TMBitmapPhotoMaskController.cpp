#include "framework/inspectors/TMBitmapPhotoMaskController.h"

#include "framework/Formwell.h"
#include "framework/model/TMBitmapPhotoMask.h"

#include <QAction>
#include <QComboBox>
#include <QFileInfo>
#include <QHash>
#include <QMenu>
#include <QPushButton>
#include <QSignalBlocker>

namespace {

[[maybe_unused]] const bool kRegistered = [] {
    TMPhotoMaskController::registerMaskControllerClass(
        QStringLiteral("TMBitmapPhotoMaskController"),
        [] { return std::make_unique<TMBitmapPhotoMaskController>(); });
    return true;
}();

// The folder part of a relative path, without the trailing "/".
QString parentFolder(const QString& path) {
    QString trimmed = path;
    if (trimmed.endsWith(QLatin1Char('/')))
        trimmed.chop(1);
    const qsizetype slash = trimmed.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : trimmed.left(slash);
}

QString lastComponent(const QString& path) {
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

QString withoutExtension(const QString& name) {
    return QFileInfo(lastComponent(name)).completeBaseName();
}

} // namespace

TMBitmapPhotoMaskController::TMBitmapPhotoMaskController()
    : _maskPatternName(TMBitmapPhotoMask::defaultBitmapMask()) {
    makePalette(QStringLiteral("BitmapMaskPalette"), 2);
    addLabel("_imageLabel", "INSP_MASK_IMAGE", 0);
    _imageNamesPopUp = new QPushButton(paletteView());
    _imageNamesPopUp->setObjectName(QStringLiteral("_imageNamesPopUp"));
    _imageNamesPopUp->setGeometry(74, rowTop(0) - 1, 176, 24);
    auto* menu = new QMenu(_imageNamesPopUp);
    buildImageMenu(menu, TMBitmapPhotoMask::installedBitmapMasks(), this,
                   [this](QAction* item) { imageChanged(item); });
    _imageNamesPopUp->setMenu(menu);

    addLabel("_rotationLabel", "INSP_MASK_ROTATION", 1);
    _rotationPopUp = new QComboBox(paletteView());
    _rotationPopUp->setObjectName(QStringLiteral("_rotationPopUp"));
    _rotationPopUp->setGeometry(74, rowTop(1) - 1, 176, 24);
    for (const int degrees : {0, 90, 180, -90})
        _rotationPopUp->addItem(QStringLiteral("%1°").arg(degrees), degrees);
    QObject::connect(_rotationPopUp, &QComboBox::activated, _rotationPopUp,
                     [this] { rotationChanged(_rotationPopUp); });
}

void TMBitmapPhotoMaskController::buildImageMenu(QMenu* root, const QStringList& installed,
                                                 QObject* context,
                                                 const std::function<void(QAction*)>& chosen) {
    // Folders are found by their exact path: names that differ only in case
    // are different folders, however the list interleaves them.
    QHash<QString, QMenu*> folders;
    folders.insert(QString(), root);
    for (const QString& path : installed) {
        QMenu* parent = folders.value(parentFolder(path), root);
        if (path.endsWith(QLatin1Char('/'))) {
            const QString folder = path.chopped(1);
            QMenu* submenu = parent->addMenu(lastComponent(folder));
            folders.insert(folder, submenu);
            continue;
        }
        QAction* item = parent->addAction(withoutExtension(path));
        item->setData(path);
        QObject::connect(item, &QAction::triggered, context, [item, chosen] { chosen(item); });
    }
}

QString TMBitmapPhotoMaskController::nibName() const {
    return QStringLiteral("BitmapMaskPalette");
}

void TMBitmapPhotoMaskController::setEnabled(bool enabled) {
    storeEnabled(enabled);
}

QVariant TMBitmapPhotoMaskController::maskPatternName() const {
    return maskValue(&TMBitmapPhotoMask::maskPatternName, _maskPatternName);
}

void TMBitmapPhotoMaskController::setMaskPatternName(const QVariant& name) {
    setMaskValue(name, &TMBitmapPhotoMask::setMaskPatternName, _maskPatternName);
}

QVariant TMBitmapPhotoMaskController::patternRotation() const {
    return QVariant(
        int(maskValue(&TMBitmapPhotoMask::patternRotation, _maskPatternRotation).toFloat()));
}

void TMBitmapPhotoMaskController::setPatternRotation(const QVariant& degrees) {
    setMaskValue(QVariant(degrees.toFloat()), &TMBitmapPhotoMask::setPatternRotation,
                 _maskPatternRotation);
}

void TMBitmapPhotoMaskController::imageChanged(QObject* sender) {
    auto* item = qobject_cast<QAction*>(sender);
    if (!item)
        return;
    setMaskPatternName(item->data().toString());
    updateInspectorPalette();
}

void TMBitmapPhotoMaskController::rotationChanged(QObject*) {
    setPatternRotation(_rotationPopUp->currentData().toInt());
    updateInspectorPalette();
}

void TMBitmapPhotoMaskController::updateInspectorPalette() {
    _imageNamesPopUp->setText(withoutExtension(maskPatternName().toString()));
    {
        const QSignalBlocker quiet(_rotationPopUp);
        _rotationPopUp->setCurrentIndex(_rotationPopUp->findData(patternRotation().toInt()));
    }
    _imageNamesPopUp->setEnabled(enabled());
    _rotationPopUp->setEnabled(enabled());
}
