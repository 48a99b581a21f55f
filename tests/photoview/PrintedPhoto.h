#pragma once
// Print to Disk of a catalog through its window controller, as a user runs it,
// on a master whose one photo cell fills the page and its print area, so that
// the printed image is the first marked photo at 72 dpi.
#include "catalog/VQFileCatalog.h"
#include "documents/RoduvudeDadevizi.h"
#include "documents/ZaroziveZodiroVirizidivi.h"
#include "layout/TemplateMapper.h"
#include "library/TemplateHandle.h"
#include "platform/foundation/UndoManager.h"
#include "platform/ui/ModalAlert.h"
#include "support/MasterTemplates.h"

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

inline QImage printedPhoto(ZaroziveZodiroVirizidivi& controller, RoduvudeDadevizi& document,
                           Size page) {
    const TemplateHandleRef handle = installWholePageMaster(page);
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
    removeWholePageMaster();
    const QStringList files = QDir(folder.path()).entryList(QDir::Files, QDir::Name);
    EXPECT_FALSE(files.isEmpty());
    return files.isEmpty() ? QImage() : QImage(QDir(folder.path()).filePath(files.first()));
}
