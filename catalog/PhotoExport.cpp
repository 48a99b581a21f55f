#include "catalog/PhotoExport.h"

#include "catalog/RenamePanel.h"
#include "catalog/VQFileCatalog.h"
#include "documents/ZaroziveZodiroVirizidivi.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/ui/ModalAlert.h"

#include <QDir>
#include <QFileInfo>

namespace {

QString text(const char* key) {
    return localizedString(QString::fromLatin1(key));
}

// The user's choice of a plain name, or empty when the panel was cancelled.
QString askNewName(QWidget* parent, const QString& name) {
    for (;;) {
        RenamePanel panel(parent, name);
        if (ModalAlert::runDialog(panel) != 1)
            return QString();
        if (isPlainFileName(panel.name()))
            return panel.name();
        ModalAlert::beep();
    }
}

} // namespace

PhotoForExport readPhotoForExport(VQFileCatalog& entries, int index) {
    const bool screenResolution = entries.deliverScreenResolution();
    const bool extractsMetaData = entries.extractsMetaData();
    entries.setDeliverScreenResolution(false);
    entries.setExtractsMetaData(true);
    PhotoForExport photo{
        entries.getFileAttributeAtIndex(kCatalogAttrFullImage, index).value<Image>(),
        entries.getFileAttributeAtIndex(kCatalogAttrMetadata, index).toByteArray()};
    entries.setDeliverScreenResolution(screenResolution);
    entries.setExtractsMetaData(extractsMetaData);
    return photo;
}

bool isPlainFileName(const QString& name) {
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
           !name.contains(QLatin1Char('/'));
}

bool nameIsTaken(const QString& path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

QString exportBaseName(VQFileCatalog& entries, int index) {
    const QString path = entries.getFileAttributeAtIndex(kCatalogAttrPath, index).toString();
    QString name = QFileInfo(path).fileName();
    if (name.isEmpty())
        name = entries.getFileAttributeAtIndex(kCatalogAttrName, index).toString();
    if (!isPlainFileName(name))
        name = QString::fromLatin1(ZaroziveZodiroVirizidivi::kDefaultBaseName);
    return name;
}

QString settleExportName(QWidget* parent, const QString& folder, QString name, TakenName taken,
                         const std::function<void(const QString&)>& beforeCheck) {
    for (;;) {
        if (beforeCheck)
            beforeCheck(name);
        if (!nameIsTaken(QDir(folder).filePath(name)))
            return name;
        if (taken == TakenName::Replace)
            return name;
        if (taken == TakenName::Skip)
            return QString();
        ModalAlert::Request alert(text("DUP_EXPORT"),
                                  stringWithFormat(text("DUP_EXPORT_DESC"), name));
        alert.defaultButton = text("SKIP");
        alert.alternateButton = text("RENAME");
        alert.otherButton = text("REPLACE");
        const int answer = ModalAlert::run(alert);
        if (answer == ModalAlert::DefaultReturn)
            return QString();
        if (answer == ModalAlert::OtherReturn)
            return name;
        const QString typed = askNewName(parent, name);
        if (!typed.isEmpty())
            name = typed;
    }
}
