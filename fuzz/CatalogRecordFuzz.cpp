// Feeds arbitrary bytes, as the archived catalog record of a "Photo Catalog"
// document, to the catalog's reader. Whatever reads must leave entries that
// every reader of a record may trust (one serial number per entry, crop,
// offset and red-eye data of their sizes), must write again, and what was
// written must read back to the same record.
//
// With CATALOG_FUZZ_WRITE_SEEDS=<folder> the target first writes catalogs made
// by the catalog itself into that folder, as seeds.
#include "catalog/VQFileCatalog.h"
#include "documents/RoduvudeDadevizi.h"
#include "framework/model/TMObject.h"
#include "platform/archiving/Archiver.h"
#include "platform/archiving/Unarchiver.h"
#include "support/TestHost.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLoggingCategory>
#include <QSaveFile>
#include <QSet>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// The document's folder with a few photos, the same for every run, so that the
// paths in the seeds name files that exist.
QString fuzzFolder() {
    return QDir::temp().filePath(QStringLiteral("lumisk-catalog-fuzz"));
}

[[noreturn]] void failure(const char* what, const QString& detail = QString()) {
    std::fprintf(stderr, "%s %s\n", what, qPrintable(detail));
    std::abort();
}

void writePhoto(const QString& path, const char* format, Qt::GlobalColor color) {
    QImage image(24, 16, QImage::Format_RGB32);
    image.fill(color);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !image.save(&file, format) || !file.commit())
        failure("cannot write a photo at", path);
}

void preparePhotos() {
    const QDir folder(fuzzFolder());
    folder.mkpath(QStringLiteral("sub"));
    writePhoto(folder.filePath(QStringLiteral("a.jpg")), "jpg", Qt::red);
    writePhoto(folder.filePath(QStringLiteral("b.png")), "png", Qt::green);
    writePhoto(folder.filePath(QStringLiteral("sub/c.png")), "png", Qt::blue);
}

QByteArray floats(std::initializer_list<float> values) {
    QByteArray data;
    for (float v : values)
        data.append(reinterpret_cast<const char*>(&v), sizeof v);
    return data;
}

void writeSeed(const QString& folder, const char* name, const QVariantMap& record) {
    QString error;
    const QByteArray bytes = Archiver::archivedData(record, &error);
    if (bytes.isNull())
        failure("a catalog record does not archive:", error);
    QFile file(QDir(folder).filePath(QString::fromLatin1(name)));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        failure("cannot write the seed", file.fileName());
}

void writeSeeds(const QString& folder) {
    QDir().mkpath(folder);
    const QDir photos(fuzzFolder());
    RoduvudeDadevizi document;
    document.setFileName(photos.filePath(QStringLiteral("Catalog.lumisk")));
    VQFileCatalog& catalog = document.fileCatalog();
    writeSeed(folder, "empty", catalog.encodedCatalog());

    catalog.addFileEntry(photos.filePath(QStringLiteral("a.jpg")));
    catalog.addFileEntry(photos.filePath(QStringLiteral("b.png")));
    catalog.addFileEntry(photos.filePath(QStringLiteral("sub/c.png")));
    catalog.addImageEntry(Image(QImage(8, 8, QImage::Format_ARGB32)));
    catalog.addURLEntry(QUrl(QStringLiteral("http://127.0.0.1:9/p.jpg")));
    catalog.setFileExtensionFilters({QStringLiteral("jpg"), QStringLiteral("'JPEG'")});
    catalog.setFileAttributeAtIndexToValue(kCatalogAttrCrop, 0, floats({1, 2, 10, 8}));
    catalog.setFileAttributeAtIndexToValue(kCatalogAttrOffset, 0, floats({3, -4}));
    catalog.setFileAttributeAtIndexToValue(kCatalogAttrRotation, 1, 90.0f);
    catalog.setFileAttributeAtIndexToValue(
        kCatalogAttrRedEye, 1, QVariantList{floats({0, 0, 24, 16}), floats({2, 2, 3, 3})});
    const TMObjectRef caption = TMObject::newTemplateObjectOfKind(QStringLiteral("TMOvalObject"));
    if (caption) {
        caption->initWithCenterSize(Point{5, 5}, Size{4, 3});
        catalog.setFileAttributeAtIndexToValue(kCatalogAttrCaptions, 2,
                                               QVariantList{QVariant::fromValue(caption)});
    }
    catalog.setSelectionAtIndex(2);
    catalog.setMarkerAtIndex(1);
    writeSeed(folder, "photos", catalog.encodedCatalog());

    QVariantMap older = catalog.encodedCatalog();
    older.insert(QString::fromLatin1(kCatalogBookContainerKey),
                 QVariantList{QVariantMap{{QStringLiteral("Pos0"), 1234}}});
    writeSeed(folder, "book", older);
}

void checkTrusted(VQFileCatalog& catalog) {
    QSet<int> serials;
    for (int i = 0; i < catalog.fileCount(); ++i) {
        const VQFileCatalogEntryRef record = catalog.entryAtIndex(i);
        const QVariant serial = record->value(QString::fromLatin1(kEntrySerialNumberKey));
        if (!serial.isValid() || serials.contains(serial.toInt()))
            failure("an entry has no serial number of its own");
        serials.insert(serial.toInt());
        if (catalog.getFileAttributeAtIndex(kCatalogAttrCrop, i).toByteArray().size() != 16 ||
            catalog.getFileAttributeAtIndex(kCatalogAttrOffset, i).toByteArray().size() != 8)
            failure("crop or offset data of the wrong size");
        for (const QVariant& spot : catalog.getFileImageRedEyeAtIndex(i))
            if (spot.toByteArray().size() != 16)
                failure("red-eye data of the wrong size");
        catalog.getFileImageCropAtIndex(i);
        catalog.getFileImageOffsetAtIndex(i);
        catalog.getFileImageCaptionsAtIndex(i);
        catalog.getTransformSummaryAtIndex(i);
        catalog.getFileNameAtIndex(i);
        catalog.getFileLocationAtIndex(i);
        catalog.getFileAttributeAtIndex(kCatalogAttrAdjustments, i);
    }
    catalog.getModifiedFileIndices();
    catalog.getSelectedIndices();
    catalog.getMarkedIndices();
}

// The record as bytes, with each caption's representation as it was read.
QByteArray archived(const VQFileCatalog& catalog) {
    QString error;
    const QByteArray bytes = Archiver::archivedData(catalog.encodedCatalog(), &error);
    if (bytes.isNull())
        failure("a catalog that was read does not write:", error);
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QLoggingCategory::setFilterRules(QStringLiteral("qt.*=false"));
    // Never destroyed: at exit it would outlive the platform's singletons.
    new QApplication(*argc, *argv);
    static TestHost host;
    preparePhotos();
    const QByteArray seeds = qgetenv("CATALOG_FUZZ_WRITE_SEEDS");
    if (!seeds.isEmpty())
        writeSeeds(QString::fromLocal8Bit(seeds));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    QString error;
    const QVariant decoded = Unarchiver::unarchiveObject(input, &error);
    if (!error.isEmpty() || decoded.typeId() != QMetaType::QVariantMap)
        return 0;
    const QString documentName = QDir(fuzzFolder()).filePath(QStringLiteral("Catalog.lumisk"));
    QByteArray first;
    {
        RoduvudeDadevizi document;
        document.setFileName(documentName);
        VQFileCatalog& catalog = document.fileCatalog();
        catalog.decodeCatalog(decoded.toMap());
        checkTrusted(catalog);
        for (const char* path : {"a.jpg", "x/a.JPG", "/Volumes/Backup/a.jpg", ""})
            catalog.matchesCriteria(QString::fromLatin1(path));
        first = archived(catalog);
        // A new entry after the read takes a number nobody has.
        catalog.addImageEntry(Image(QImage(2, 2, QImage::Format_ARGB32)));
        checkTrusted(catalog);
    }
    {
        RoduvudeDadevizi document;
        document.setFileName(documentName);
        const QVariant again = Unarchiver::unarchiveObject(first, &error);
        if (!error.isEmpty())
            failure("a written catalog does not read:", error);
        document.fileCatalog().decodeCatalog(again.toMap());
        checkTrusted(document.fileCatalog());
        if (archived(document.fileCatalog()) != first)
            failure("the catalog changed on its way through a file");
    }
    QCoreApplication::processEvents();
    return 0;
}
