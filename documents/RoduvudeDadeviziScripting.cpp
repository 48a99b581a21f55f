#include "catalog/CatalogEntry.h"
#include "catalog/VQFileCatalog.h"
#include "catalog/VQFileCatalogScrollView.h"
#include "documents/RoduvudeDadevizi.h"
#include "documents/ZaroziveZodiroVirizidivi.h"
#include "platform/foundation/FileAccess.h"
#include "platform/system/ScriptCommand.h"

#include <QFileInfo>
#include <QStandardPaths>
#include <algorithm>

namespace {

QString key(const char* name) {
    return QString::fromLatin1(name);
}

} // namespace

void RoduvudeDadevizi::doAddPhoto(ScriptCommand& command) {
    ZaroziveZodiroVirizidivi* controller = catalogWindowController();
    if (!command.hasArgument(key("File"))) {
        if (controller)
            controller->addFiles();
        return;
    }
    const QVariant file = command.argument(key("File"));
    if (file.typeId() != QMetaType::QString) {
        command.setErrorString(QStringLiteral("\"File\" must be a path."));
        return;
    }
    const QString path = FileAccess::expandTilde(file.toString());
    const QFileInfo info(path);
    // A folder or a file of another kind would become an entry that vanishes later.
    if (!info.isFile()) {
        command.setErrorString(QStringLiteral("No file at \"%1\".").arg(path));
        return;
    }
    if (!_fileCatalog->matchesCriteria(path) || !_fileCatalog->addFileEntry(path))
        command.setErrorString(QStringLiteral("\"%1\" is not a photo.").arg(path));
}

void RoduvudeDadevizi::doRotateCW(ScriptCommand&) {
    if (ZaroziveZodiroVirizidivi* controller = catalogWindowController())
        controller->rotateImageRight();
}

void RoduvudeDadevizi::doRotateCCW(ScriptCommand&) {
    if (ZaroziveZodiroVirizidivi* controller = catalogWindowController())
        controller->rotateImageLeft();
}

void RoduvudeDadevizi::doRemove(ScriptCommand&) {
    ZaroziveZodiroVirizidivi* controller = catalogWindowController();
    if (!controller || _fileCatalog->getSelectedIndices().isEmpty())
        return;
    if (VQFileCatalogScrollView* scroll = controller->fileCatalogScrollView())
        scroll->removeSelectedFiles();
}

void RoduvudeDadevizi::doEnhance(ScriptCommand& command) {
    ZaroziveZodiroVirizidivi* controller = catalogWindowController();
    if (!controller)
        return;
    int sharpness = controller->getSharpness();
    float contrast = controller->getContrast();
    float saturation = controller->getSaturation();
    float brightness = controller->getBrightness();
    bool given = false;
    const auto factor = [&](const char* name, float& value) {
        if (!command.hasArgument(key(name)))
            return;
        value = factorFromPercent(command.argument(key(name)).toDouble());
        given = true;
    };
    factor("Saturation", saturation);
    factor("Brightness", brightness);
    factor("Contrast", contrast);
    if (command.hasArgument(key("Sharpness"))) {
        sharpness = std::clamp(command.argument(key("Sharpness")).toInt(), 0, 8);
        given = true;
    }
    if (!given) {
        controller->adjustImage();
        return;
    }
    controller->setAdjustmentSharpnessContrastSaturationBrightness(sharpness, contrast, saturation,
                                                                   brightness);
}

void RoduvudeDadevizi::doPrintToDisk(ScriptCommand& command) {
    ZaroziveZodiroVirizidivi* controller = catalogWindowController();
    if (!controller)
        return;
    const QString folder = command.hasArgument(key("Path"))
                               ? FileAccess::expandTilde(command.argument(key("Path")).toString())
                               : QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    const QString baseName = command.hasArgument(key("BaseName"))
                                 ? command.argument(key("BaseName")).toString()
                                 : key("Vyx_Photo");
    controller->switchView(ZaroziveZodiroVirizidivi::LayoutPanel);
    const std::optional<QStringList> written = controller->printBatchToPath(
        folder, baseName, command.argument(key("Format")), command.argument(key("Quality")),
        command.argument(key("Resolution")), command.argument(key("Mirror")));
    // A batch that wrote nothing must not look like success to the script.
    if (!written)
        command.setErrorString(controller->batchError().isEmpty()
                                   ? QStringLiteral("No page was written to \"%1\".").arg(folder)
                                   : controller->batchError());
}

void RoduvudeDadevizi::doSelectMasterTemplate(ScriptCommand& command) {
    ZaroziveZodiroVirizidivi* controller = catalogWindowController();
    if (controller)
        controller->switchView(ZaroziveZodiroVirizidivi::LayoutPanel);
    if (!command.hasArgument(key("DocumentID"))) {
        if (controller)
            controller->chooseTemplate();
        return;
    }
    const QString documentID = command.argument(key("DocumentID")).toString();
    if (!setMasterTemplateWithID(documentID))
        command.setErrorString(
            QStringLiteral("No installed template has the ID \"%1\".").arg(documentID));
}

ScriptDispatcher RoduvudeDadevizi::scriptCommands() {
    ScriptDispatcher dispatcher;
    const auto handler = [&](const char* name,
                             void (RoduvudeDadevizi::*operation)(ScriptCommand&)) {
        dispatcher.registerCommand(key(name),
                                   [this, operation](ScriptCommand& c) { (this->*operation)(c); });
    };
    handler("AddPhoto", &RoduvudeDadevizi::doAddPhoto);
    handler("RotateCW", &RoduvudeDadevizi::doRotateCW);
    handler("RotateCCW", &RoduvudeDadevizi::doRotateCCW);
    handler("Remove", &RoduvudeDadevizi::doRemove);
    handler("Enhance", &RoduvudeDadevizi::doEnhance);
    handler("PrintToDisk", &RoduvudeDadevizi::doPrintToDisk);
    handler("SelectMasterTemplate", &RoduvudeDadevizi::doSelectMasterTemplate);
    dispatcher.registerCommand(key("Print"), [this](ScriptCommand& c) { doPrint(c.arguments()); });
    dispatcher.registerCommand(key("PrintToEmail"),
                               [this](ScriptCommand& c) { doPrintToEmail(c.arguments()); });
    return dispatcher;
}

QList<std::shared_ptr<CatalogEntry>> RoduvudeDadevizi::entries() {
    QList<std::shared_ptr<CatalogEntry>> list;
    for (int index = 0; index < _fileCatalog->fileCount(); ++index)
        if (std::shared_ptr<CatalogEntry> entry = valueInEntriesAtIndex(index))
            list.append(std::move(entry));
    return list;
}

std::shared_ptr<CatalogEntry> RoduvudeDadevizi::valueInEntriesAtIndex(int index) {
    return CatalogEntry::initWithEntryInDocument(index, this);
}
