#include "shell/ImageLoader.h"

#include "catalog/VQFileCatalog.h"
#include "catalog/VQFileCatalogScrollView.h"
#include "documents/RoduvudeDadevizi.h"
#include "documents/ZaroziveZodiroVirizidivi.h"
#include "shell/AppDelegate.h"

#include <QCoreApplication>
#include <QImageReader>
#include <QSet>
#include <array>

namespace {

struct ImageType {
    const char* name;
    // Extensions such files carry (null: none); only those a reader here
    // takes are registered.
    std::array<const char*, 2> extensions;
};

const ImageType kImageTypes[] = {
    {"TIFF Image", {"tiff", "tif"}}, {"JPEG Image", {"jpg", "jpeg"}},
    {"PICT Image", {"pict", "pct"}}, {"PDF File", {"pdf"}},
    {"EPS File", {"eps", "epsf"}},   {"QTIF Image", {"qtif", "qti"}},
    {"TARGA File", {"tga"}},         {"SGI File", {"sgi"}},
    {"Photoshop File", {"psd"}},     {"MacPaint File", {"pntg"}},
    {"Flashpix Image", {"fpx"}},     {"PNG File", {"png"}},
    {"GIF Image", {"gif"}},          {"BMP Image", {"bmp"}},
};

QSet<QString> readableExtensions() {
    QSet<QString> readable;
    for (const QByteArray& format : QImageReader::supportedImageFormats())
        readable.insert(QString::fromLatin1(format).toLower());
    return readable;
}

} // namespace

QStringList ImageLoader::acceptedTypeNames() {
    QStringList names;
    for (const ImageType& type : kImageTypes)
        names << QString::fromLatin1(type.name);
    return names;
}

QList<DocumentController::DocumentType> ImageLoader::documentTypes() {
    const QSet<QString> readable = readableExtensions();
    QList<DocumentController::DocumentType> types;
    for (const ImageType& type : kImageTypes) {
        QStringList extensions;
        for (const char* extension : type.extensions)
            if (extension && readable.contains(QString::fromLatin1(extension)))
                extensions << QString::fromLatin1(extension);
        if (!extensions.isEmpty())
            types.append({QString::fromLatin1(type.name), extensions,
                          [] { return std::make_shared<ImageLoader>(); }});
    }
    return types;
}

void ImageLoader::registerDocumentTypes(DocumentController& controller) {
    for (DocumentController::DocumentType& type : documentTypes())
        controller.registerDocumentType(std::move(type));
}

Document* ImageLoader::findTargetDocument() {
    return AppDelegate::findTargetDocument();
}

bool ImageLoader::readFromFileOfType(const QString& path, const QString& type, QString* error) {
    if (!acceptedTypeNames().contains(type)) {
        qWarning("ImageLoader: %s for type %s", qPrintable(path), qPrintable(type));
        return false;
    }
    if (!findTargetDocument())
        if (AppDelegate* delegate = AppDelegate::current())
            delegate->newCatalogDocument();
    auto* target = qobject_cast<RoduvudeDadevizi*>(findTargetDocument());
    if (!target) {
        if (error)
            *error = QCoreApplication::translate("ImageLoader", "No photo catalog can be opened.");
        return false;
    }
    if (ZaroziveZodiroVirizidivi* window = target->windowController())
        if (VQFileCatalogScrollView* grid = window->fileCatalogScrollView())
            grid->setAutoSelection(true);
    // A file that can't be added is reported by the catalog itself.
    return target->fileCatalog().addFileEntry(path);
}

void ImageLoader::showWindows() {
    close();
}
