#pragma once
// Templates written into the user's templates for tests: photo cells, each
// inside a print area when given one, on a page of a custom size.
#include "framework/model/TMPhotoObject.h"
#include "framework/model/TMPrintAreaObject.h"
#include "framework/model/TemplateDocument.h"
#include "library/NewTemplateManager.h"
#include "library/TemplateHandle.h"
#include "platform/printing/PrintInfo.h"

#include <QDir>
#include <gtest/gtest.h>
#include <optional>

struct MasterCell {
    Rect photo;
    std::optional<Rect> printArea;
};

inline TemplateHandleRef installMasterTemplate(const QString& id, Size page,
                                               const QList<MasterCell>& cells) {
    NewTemplateManager* library = NewTemplateManager::sharedTemplateManager();
    EXPECT_TRUE(QDir().mkpath(library->templatesFolderPath()));
    TemplateDocument master;
    master.setDocumentID(id);
    master.setDocName(id);
    PrintInfo info;
    info.setPaperName(QStringLiteral("Custom"));
    info.setPaperSize(page);
    master.setPrintInfo(info);
    for (const MasterCell& cell : cells) {
        master.addObject(
            TMPhotoObject::newTemplateObjectWithOriginSize(cell.photo.origin, cell.photo.size));
        if (cell.printArea)
            master.addObject(TMPrintAreaObject::newTemplateObjectWithOriginSize(
                cell.printArea->origin, cell.printArea->size));
    }
    QString error;
    EXPECT_TRUE(master.writeToFileOfType(
        QDir(library->templatesFolderPath()).filePath(id + QStringLiteral(".vyxTemplate")),
        QString::fromLatin1(kTemplateDocumentType), &error))
        << error.toStdString();
    library->scanForChanges();
    const TemplateHandleRef handle = library->templateWithID(id);
    EXPECT_TRUE(handle) << id.toStdString();
    return handle;
}

inline void removeMasterTemplate(const QString& id) {
    NewTemplateManager* library = NewTemplateManager::sharedTemplateManager();
    QFile::remove(
        QDir(library->templatesFolderPath()).filePath(id + QStringLiteral(".vyxTemplate")));
    library->scanForChanges();
}

// A 4 x 4 inch page with one photo cell inside a print area of 252 x 252
// points, made the library's default so that a new catalog takes it.
inline TemplateHandleRef installPrintAreaMaster(const QString& id) {
    const TemplateHandleRef handle =
        installMasterTemplate(id, {288, 288}, {{Rect(36, 36, 216, 216), Rect(18, 18, 252, 252)}});
    if (handle)
        NewTemplateManager::sharedTemplateManager()->setDefaultTemplate(handle);
    return handle;
}

// One photo cell and one print area, both filling the page, so that a printed
// page is its photo.
inline constexpr char kWholePageMasterID[] = "WholePage";

inline TemplateHandleRef installWholePageMaster(Size page) {
    const Rect whole(0, 0, page.width, page.height);
    return installMasterTemplate(QString::fromLatin1(kWholePageMasterID), page, {{whole, whole}});
}

inline void removeWholePageMaster() {
    removeMasterTemplate(QString::fromLatin1(kWholePageMasterID));
}

// Empties the user's templates when the scope ends.
struct EmptyLibraryAtEnd {
    ~EmptyLibraryAtEnd() {
        NewTemplateManager* library = NewTemplateManager::sharedTemplateManager();
        QDir(library->templatesFolderPath()).removeRecursively();
        library->scanForChanges();
    }
};
