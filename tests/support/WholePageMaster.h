#pragma once
// A master template installed in the user's templates: one photo cell and one
// print area, both filling the page, so that a printed page is its photo.
#include "framework/model/TMPhotoObject.h"
#include "framework/model/TMPrintAreaObject.h"
#include "framework/model/TemplateDocument.h"
#include "library/NewTemplateManager.h"
#include "library/TemplateHandle.h"
#include "platform/printing/PrintInfo.h"

#include <QDir>
#include <gtest/gtest.h>

inline constexpr char kWholePageMasterID[] = "WholePage";

inline TemplateHandleRef installWholePageMaster(Size page) {
    const QString id = QString::fromLatin1(kWholePageMasterID);
    NewTemplateManager* library = NewTemplateManager::sharedTemplateManager();
    EXPECT_TRUE(QDir().mkpath(library->templatesFolderPath()));
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
    EXPECT_TRUE(master.writeToFileOfType(
        QDir(library->templatesFolderPath()).filePath(id + QStringLiteral(".vyxTemplate")),
        QString::fromLatin1(kTemplateDocumentType), &error))
        << error.toStdString();
    library->scanForChanges();
    const TemplateHandleRef handle = library->templateWithID(id);
    EXPECT_TRUE(handle);
    return handle;
}

inline void removeWholePageMaster() {
    NewTemplateManager* library = NewTemplateManager::sharedTemplateManager();
    QFile::remove(
        QDir(library->templatesFolderPath())
            .filePath(QString::fromLatin1(kWholePageMasterID) + QStringLiteral(".vyxTemplate")));
    library->scanForChanges();
}
