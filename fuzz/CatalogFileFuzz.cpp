// Feeds arbitrary bytes, as a "Photo Catalog" file, to the catalog document's
// reader, on opening and on reverting. A file that is refused says why and, on
// a revert, leaves the document exactly as it was; a file that reads must write
// again, and what was written must read back and write the same bytes.
//
// With CATALOG_FILE_FUZZ_WRITE_SEEDS=<folder> the target first writes a new, a
// full and an older ("templateFileName") catalog into that folder, as seeds.
#include "catalog/VQFileCatalog.h"
#include "documents/RoduvudeDadevizi.h"
#include "framework/model/TMPhotoObject.h"
#include "framework/model/TMPrintAreaObject.h"
#include "framework/model/TemplateDocument.h"
#include "layout/Exporter.h"
#include "layout/TemplateMapper.h"
#include "library/NewTemplateManager.h"
#include "library/TemplateHandle.h"
#include "platform/archiving/Archiver.h"
#include "platform/archiving/Unarchiver.h"
#include "platform/printing/PrintInfo.h"
#include "platform/ui/ModalAlert.h"
#include "support/TestHome.h"
#include "support/TestHost.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLoggingCategory>
#include <QSaveFile>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

const QString kType = QString::fromLatin1(kCatalogDocumentType);

// The same account for every run, so that the seeds' photos and template exist.
QString fuzzHome() {
    return QDir::temp().filePath(QStringLiteral("lumisk-catalog-file-fuzz"));
}

QString scratchPath(const char* name) {
    return QDir(QDir::tempPath())
        .filePath(QStringLiteral("catalog-file-fuzz-%1-%2")
                      .arg(QCoreApplication::applicationPid())
                      .arg(QString::fromLatin1(name)));
}

[[noreturn]] void failure(const char* what, const QString& detail = QString()) {
    std::fprintf(stderr, "%s %s\n", what, qPrintable(detail));
    std::abort();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        failure("cannot write", path);
}

void writePhoto(const QString& path, const char* format, Qt::GlobalColor color) {
    QImage image(24, 16, QImage::Format_RGB32);
    image.fill(color);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !image.save(&file, format) || !file.commit())
        failure("cannot write a photo at", path);
}

QString photosFolder() {
    return QDir(fuzzHome()).filePath(QStringLiteral("photos"));
}

void prepareAccount() {
    QDir().mkpath(photosFolder());
    writePhoto(QDir(photosFolder()).filePath(QStringLiteral("a.jpg")), "jpg", Qt::red);
    writePhoto(QDir(photosFolder()).filePath(QStringLiteral("b.png")), "png", Qt::green);

    NewTemplateManager* library = NewTemplateManager::sharedTemplateManager();
    QDir().mkpath(library->templatesFolderPath());
    TemplateDocument cards;
    cards.setDocumentID(QStringLiteral("fuzz-cards"));
    cards.setDocName(QStringLiteral("Cards"));
    PrintInfo page;
    page.setPaperName(QStringLiteral("Custom"));
    page.setPaperSize({240, 200});
    cards.setPrintInfo(page);
    for (float x : {10.0f, 130.0f}) {
        cards.addObject(TMPhotoObject::newTemplateObjectWithOriginSize({x, 10}, {100, 150}));
        cards.addObject(TMPrintAreaObject::newTemplateObjectWithOriginSize({x, 10}, {100, 150}));
    }
    QString error;
    if (!cards.writeToFileOfType(
            QDir(library->templatesFolderPath()).filePath(QStringLiteral("cards.vyxTemplate")),
            QString::fromLatin1(kTemplateDocumentType), &error))
        failure("cannot install the template:", error);
    library->scanForChanges();
}

QByteArray written(RoduvudeDadevizi& document) {
    QString error;
    const QByteArray bytes = document.dataOfType(kType, &error);
    if (bytes.isNull())
        failure("a catalog does not write:", error);
    return bytes;
}

// Photos, the installed master, settings away from their first values, both
// exporters and a window frame.
QByteArray fullCatalog() {
    RoduvudeDadevizi document;
    VQFileCatalog& catalog = document.fileCatalog();
    catalog.addFileEntry(QDir(photosFolder()).filePath(QStringLiteral("a.jpg")));
    catalog.addFileEntry(QDir(photosFolder()).filePath(QStringLiteral("b.png")));
    catalog.addImageEntry(Image(QImage(8, 8, QImage::Format_ARGB32)));
    catalog.setMarkerAtIndex(0);
    document.templateMapper();
    document.setMasterTemplate(
        NewTemplateManager::sharedTemplateManager()->templateWithID(QStringLiteral("fuzz-cards")));
    document.setPrintArrangementMode(2);
    document.setPrintScaleMode(1);
    document.setCurrentPanel(1);
    document.setPrintMirrorImage(true);
    document.setPrintLimitEnabled(true);
    document.setPrintLimitType(1);
    document.setPrintLimitDPI(300);
    document.setPtdResolution(150);
    document.setPtdMirrorImage(true);
    document.ptdExporter().setActiveExporter(QStringLiteral("PNG"));
    document.setExporter(std::make_shared<Exporter>());
    QVariantMap file = Unarchiver::unarchiveObject(written(document)).toMap();
    file.insert(QStringLiteral("windowFrame"), QStringLiteral("{{40, 60}, {700, 500}}"));
    return Archiver::archivedData(QVariant(file));
}

void writeSeeds(const QString& folder) {
    QDir().mkpath(folder);
    {
        RoduvudeDadevizi fresh;
        writeFile(QDir(folder).filePath(QStringLiteral("new.lumisk")), written(fresh));
    }
    const QByteArray full = fullCatalog();
    writeFile(QDir(folder).filePath(QStringLiteral("full.lumisk")), full);
    QVariantMap older = Unarchiver::unarchiveObject(full).toMap();
    older.remove(QStringLiteral("templateMapper"));
    older.insert(QStringLiteral("templateFileName"), QStringLiteral("fuzz-cards"));
    writeFile(QDir(folder).filePath(QStringLiteral("templateFileName.lumisk")),
              Archiver::archivedData(QVariant(older)));
}

// The keys whose values differ between two written catalogs, those in `skip` aside.
QStringList differingKeys(const QByteArray& first, const QByteArray& second,
                          const QStringList& skip = {}) {
    const QVariantMap a = Unarchiver::unarchiveObject(first).toMap();
    const QVariantMap b = Unarchiver::unarchiveObject(second).toMap();
    QStringList keys;
    for (const QString& k : a.keys() + b.keys())
        if (!keys.contains(k) && !skip.contains(k) && a.value(k) != b.value(k))
            keys << k;
    return keys;
}

RoduvudeDadevizi* readBack(std::unique_ptr<RoduvudeDadevizi>& holder, const QByteArray& bytes) {
    holder = std::make_unique<RoduvudeDadevizi>();
    QString error;
    if (!holder->loadDataOfType(bytes, kType, &error))
        failure("a written catalog does not read:", error);
    return holder.get();
}

// The full catalog, the document that each input tries to revert.
QByteArray gFull;

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QLoggingCategory::setFilterRules(QStringLiteral("qt.*=false"));
    if (!useHomeFolder(fuzzHome()))
        failure("no account folder at", fuzzHome());
    // Never destroyed: at exit it would outlive the platform's singletons.
    new QApplication(*argc, *argv);
    static TestHost host;
    // A newer file is refused with an alert nobody is there to answer.
    ModalAlert::setResponder([](const ModalAlert::Request&) { return ModalAlert::DefaultReturn; });
    prepareAccount();
    gFull = fullCatalog();
    const QByteArray seeds = qgetenv("CATALOG_FILE_FUZZ_WRITE_SEEDS");
    if (!seeds.isEmpty())
        writeSeeds(QString::fromLocal8Bit(seeds));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString input = scratchPath("in.lumisk");
    const QString sound = scratchPath("sound.lumisk");
    writeFile(input, QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    QString error;
    {
        RoduvudeDadevizi document;
        if (document.readFromFileOfType(input, kType, &error)) {
            // An exporter settles a format it does not know on its first way through
            // a file; every other part must come back as it was written at once.
            const QStringList exporters{QStringLiteral("exporter"), QStringLiteral("ptd_exporter")};
            const QByteArray first = written(document);
            std::unique_ptr<RoduvudeDadevizi> holder;
            const QByteArray second = written(*readBack(holder, first));
            if (const QStringList changed = differingKeys(first, second, exporters);
                !changed.isEmpty())
                failure("the catalog changed on its way through a file:", changed.join(u' '));
            const QByteArray third = written(*readBack(holder, second));
            if (third != second)
                failure("the catalog changed on its second way through a file:",
                        differingKeys(second, third).join(u' '));
        } else if (error.isEmpty()) {
            failure("a refused file gives no reason");
        }
    }
    {
        writeFile(sound, gFull);
        RoduvudeDadevizi document;
        if (!document.readFromFileOfType(sound, kType, &error))
            failure("the full catalog does not read:", error);
        const QByteArray before = written(document);
        const int changes = document.changeCount();
        error.clear();
        if (!document.revertToSavedFromFile(input, kType, &error)) {
            if (error.isEmpty())
                failure("a refused revert gives no reason");
            if (document.changeCount() != changes || written(document) != before)
                failure("a refused revert changed the document");
        }
    }
    QCoreApplication::processEvents();
    return 0;
}
