#include "support/LetterLayout.h"

#include "catalog/VQFileCatalog.h"
#include "framework/model/TMPhotoObject.h"
#include "framework/model/TMPrintAreaObject.h"
#include "framework/model/TemplateDocument.h"
#include "layout/TemplateMapper.h"
#include "library/NewTemplateManager.h"
#include "platform/printing/PrintInfo.h"
#include "support/TestHome.h"

#include <QDir>
#include <cstdlib>

namespace {
const Size kLetter{612, 792};
}

std::unique_ptr<QTemporaryDir> useBenchAccount() {
    auto home =
        std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/lumisk-bench-XXXXXX"));
    if (!home->isValid() || !useHomeFolder(home->path()))
        return nullptr;
    return home;
}

void installLetterTemplate(const QString& id, bool withPrintArea) {
    TemplateDocument page;
    page.setDocumentID(id);
    PrintInfo info;
    info.setPaperName(QStringLiteral("Letter"));
    info.setPaperSize(kLetter);
    page.setPrintInfo(info);
    page.addObject(TMPhotoObject::newTemplateObjectWithOriginSize({0, 0}, kLetter));
    if (withPrintArea)
        page.addObject(TMPrintAreaObject::newTemplateObjectWithOriginSize({0, 0}, kLetter));
    NewTemplateManager* library = NewTemplateManager::sharedTemplateManager();
    QDir().mkpath(library->templatesFolderPath());
    const QString file =
        QDir(library->templatesFolderPath()).filePath(id + QStringLiteral(".vyxTemplate"));
    if (!page.writeToFileOfType(file, QString::fromLatin1(kTemplateDocumentType)))
        std::abort();
    library->scanForChanges();
}

std::unique_ptr<RoduvudeDadevizi> letterLayoutOfPhotos(const QStringList& paths,
                                                       const QString& id) {
    auto document = std::make_unique<RoduvudeDadevizi>();
    VQFileCatalog& catalog = document->fileCatalog();
    for (const QString& path : paths) {
        catalog.addFileEntry(path);
        catalog.setMarkerAtIndexTo(catalog.fileCount() - 1, true);
    }
    document->setTemplateMapper(std::make_shared<TemplateMapper>(
        NewTemplateManager::sharedTemplateManager()->templateWithID(id),
        document->sharedFileCatalog()));
    if (document->templateMapper()->pageCount() != paths.size())
        std::abort();
    return document;
}
