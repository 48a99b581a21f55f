#include "catalog/DroppedPhotos.h"

#include "catalog/VQFileCatalog.h"
#include "platform/graphics/Image.h"
#include "platform/imaging/GraphicsImporter.h"
#include "platform/ui/Pasteboard.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>

namespace DroppedPhotos {

namespace {

bool isPhoto(const QFileInfo& file, const VQFileCatalog& catalog) {
    return isImageFileExtension(file.suffix()) || catalog.matchesCriteria(file.filePath());
}

void walk(const QString& folder, const VQFileCatalog& catalog, QStringList& into) {
    const QFileInfoList entries = QDir(folder).entryInfoList(
        QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks, QDir::Name);
    for (const QFileInfo& entry : entries) {
        if (entry.isDir())
            walk(entry.filePath(), catalog, into);
        else if (isPhoto(entry, catalog))
            into.append(entry.filePath());
    }
}

} // namespace

QStringList imageFileTypes() {
    return GraphicsImporter::fileExtensions();
}

bool isImageFileExtension(const QString& extension) {
    return !extension.isEmpty() && imageFileTypes().contains(extension.toLower());
}

QStringList expandFolders(const QStringList& paths, const VQFileCatalog& catalog) {
    QStringList files;
    for (const QString& path : paths) {
        if (QFileInfo(path).isDir())
            walk(path, catalog, files);
        else
            files.append(path);
    }
    return files;
}

int addFilesAtPosition(VQFileCatalog& catalog, const QStringList& paths, int position) {
    int added = 0;
    for (const QString& path : expandFolders(paths, catalog)) {
        if (!catalog.addFileEntryAtPosition(path, position))
            continue;
        ++added;
        if (position >= 0)
            ++position;
    }
    return added;
}

QUrl imageURL(const Pasteboard& pasteboard) {
    const QVariantList list =
        pasteboard.propertyListForType(QString::fromLatin1(URLPboardType)).toList();
    if (list.isEmpty())
        return {};
    const QUrl url(list.first().toString());
    return isImageFileExtension(QFileInfo(url.path()).suffix()) ? url : QUrl();
}

int addFromPasteboard(VQFileCatalog& catalog, const Pasteboard& pasteboard, int position) {
    if (pasteboard.hasType(QString::fromLatin1(FilenamesPboardType))) {
        const QStringList paths =
            pasteboard.propertyListForType(QString::fromLatin1(FilenamesPboardType)).toStringList();
        return addFilesAtPosition(catalog, paths, position);
    }
    const QUrl url = imageURL(pasteboard);
    if (url.isValid()) {
        catalog.addURLEntryAtPosition(url, position);
        return 1;
    }
    if (pasteboard.hasType(QString::fromLatin1(TIFFPboardType))) {
        const QImage picture =
            QImage::fromData(pasteboard.dataForType(QString::fromLatin1(TIFFPboardType)));
        if (!picture.isNull()) {
            catalog.addImageEntryAtPosition(Image(picture), position);
            return 1;
        }
    }
    return 0;
}

} // namespace DroppedPhotos
