#pragma once
// Print to Disk of a catalog through its window controller, as a user runs it,
// on a master whose one photo cell fills the page and its print area, so that
// the printed image is the first marked photo at 72 dpi.
#include "catalog/VQFileCatalog.h"
#include "documents/RoduvudeDadevizi.h"
#include "documents/ZaroziveZodiroVirizidivi.h"
#include "framework/model/TMPhotoObject.h"
#include "framework/model/TMPrintAreaObject.h"
#include "framework/model/TemplateDocument.h"
#include "layout/TemplateMapper.h"
#include "library/NewTemplateManager.h"
#include "library/TemplateHandle.h"
#include "platform/foundation/UndoManager.h"
#include "platform/printing/PrintInfo.h"
#include "platform/ui/ModalAlert.h"

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

inline QImage printedPhoto(ZaroziveZodiroVirizidivi& controller, RoduvudeDadevizi& document,
                           Size page) {
    const QString id = QStringLiteral("WholePage");
    NewTemplateManager* library = NewTemplateManager::sharedTemplateManager();
    EXPECT_TRUE(QDir().mkpath(library->templatesFolderPath()));
    const QString path = QDir(library->templatesFolderPath()).filePath(id + ".vyxTemplate");
    TemplateDocument master;
    master.setDocumentID(id);
    master.setDocName(id);
    PrintInfo info;
    info.setPaperName(QStringLiteral("Custom"));
    info.setPaperSize(page);
    master.setPrintInfo(info);
    master.addObject(TMPhotoObject::newTemplateObjectWithOriginSize({0, 0}, page));
    master.addObject(TMPrintAreaObject::newTemplateObjectWithOriginSize({0, 0}, page));
    QString error;
    EXPECT_TRUE(master.writeToFileOfType(path, QString::fromLatin1(kTemplateDocumentType), &error))
        << error.toStdString();
    library->scanForChanges();
    const TemplateHandleRef handle = library->templateWithID(id);
    EXPECT_TRUE(handle);
    if (!handle)
        return {};
    document.setTemplateMapper(
        std::make_shared<TemplateMapper>(handle, document.sharedFileCatalog()));
    handle->assertPageDescOnDocument(document);
    // Marked for the print only: the user's undo steps stay as they were.
    document.undoManager()->disableUndoRegistration();
    document.fileCatalog().setMarkerAtIndexTo(0, true);
    document.undoManager()->enableUndoRegistration();

    QTemporaryDir folder;
    ModalAlert::ScopedPanelResponder answer(
        [&](const ModalAlert::PanelRequest&) { return QStringList{folder.path()}; });
    controller.printToDisk();
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
    QFile::remove(path);
    library->scanForChanges();
    const QStringList files = QDir(folder.path()).entryList(QDir::Files, QDir::Name);
    EXPECT_FALSE(files.isEmpty());
    return files.isEmpty() ? QImage() : QImage(QDir(folder.path()).filePath(files.first()));
}
