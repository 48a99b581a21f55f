#include "catalog/CatalogEntry.h"

#include "catalog/PhotoExport.h"
#include "catalog/VQFileCatalog.h"
#include "documents/RoduvudeDadevizi.h"
#include "documents/ZaroziveZodiroVirizidivi.h"
#include "layout/Exporter.h"
#include "platform/foundation/FileAccess.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/Geometry.h"
#include "platform/foundation/HostServices.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/NotificationQueue.h"
#include "platform/system/ScriptCommand.h"
#include "platform/ui/ModalAlert.h"

#include <QDir>
#include <QStandardPaths>
#include <algorithm>
#include <cmath>

namespace {

QString key(const char* name) {
    return QString::fromLatin1(name);
}

QString text(const char* name) {
    return localizedString(key(name));
}

} // namespace

int percentFromFactor(float factor) {
    return int(std::lround((double(factor) - 1.0) * 100.0));
}

float factorFromPercent(double percent) {
    return float(std::clamp(percent, -100.0, 100.0) * 0.01 + 1.0);
}

std::shared_ptr<CatalogEntry> CatalogEntry::initWithEntryInDocument(int index,
                                                                    RoduvudeDadevizi* document) {
    if (!document)
        return nullptr;
    const QVariant serial =
        document->fileCatalog().getFileAttributeAtIndex(kCatalogAttrSerialNumber, index);
    if (!serial.isValid())
        return nullptr;
    return std::make_shared<CatalogEntry>(serial.toInt(), document);
}

CatalogEntry::CatalogEntry(int serialNumber, RoduvudeDadevizi* document)
    : _serialNumber(serialNumber), _myDocument(document) {}

const QStringList& CatalogEntry::kvcKeys() {
    static const QStringList keys{
        key("sharpness"), key("path"),     key("brightness"),  key("crop"), key("dimensions"),
        key("offset"),    key("selected"), key("saturation"),  key("name"), key("contrast"),
        key("rotation"),  key("marked"),   key("serialNumber")};
    return keys;
}

VQFileCatalog* CatalogEntry::catalog() const {
    return _myDocument ? &_myDocument->fileCatalog() : nullptr;
}

int CatalogEntry::index() const {
    VQFileCatalog* entries = catalog();
    return entries ? entries->findSerialNumber(_serialNumber) : -1;
}

QString CatalogEntry::displayname() const {
    const int at = index();
    return at < 0 ? QString() : catalog()->getFileAttributeAtIndex(kCatalogAttrName, at).toString();
}

QString CatalogEntry::pathname() const {
    const int at = index();
    return at < 0 ? QString() : catalog()->getFileAttributeAtIndex(kCatalogAttrPath, at).toString();
}

bool CatalogEntry::selected() const {
    const int at = index();
    return at >= 0 && catalog()->getFileAttributeAtIndex(kCatalogAttrSelected, at).toBool();
}

void CatalogEntry::setSelected(bool flag) {
    if (flag != selected())
        setAttribute(kCatalogAttrSelected, flag);
}

bool CatalogEntry::marked() const {
    const int at = index();
    return at >= 0 && catalog()->getFileAttributeAtIndex(kCatalogAttrMarked, at).toBool();
}

void CatalogEntry::setMarked(bool flag) {
    if (flag != marked())
        setAttribute(kCatalogAttrMarked, flag);
}

int CatalogEntry::percentOf(int attribute) const {
    const int at = index();
    if (at < 0)
        return 0;
    return percentFromFactor(catalog()->getFileAttributeAtIndex(attribute, at).toFloat());
}

void CatalogEntry::setPercent(int attribute, int percent) {
    percent = std::clamp(percent, -100, 100);
    if (percent != percentOf(attribute))
        setAttribute(attribute, factorFromPercent(percent));
}

int CatalogEntry::saturation() const {
    return percentOf(kCatalogAttrSaturation);
}

void CatalogEntry::setSaturation(int percent) {
    setPercent(kCatalogAttrSaturation, percent);
}

int CatalogEntry::brightness() const {
    return percentOf(kCatalogAttrBrightness);
}

void CatalogEntry::setBrightness(int percent) {
    setPercent(kCatalogAttrBrightness, percent);
}

int CatalogEntry::contrast() const {
    return percentOf(kCatalogAttrContrast);
}

void CatalogEntry::setContrast(int percent) {
    setPercent(kCatalogAttrContrast, percent);
}

int CatalogEntry::sharpness() const {
    const int at = index();
    return at < 0 ? 0 : catalog()->getFileAttributeAtIndex(kCatalogAttrSharpness, at).toInt();
}

void CatalogEntry::setSharpness(int sharpness) {
    sharpness = std::clamp(sharpness, 0, 8);
    if (sharpness != this->sharpness())
        setAttribute(kCatalogAttrSharpness, sharpness);
}

int CatalogEntry::rotation() const {
    const int at = index();
    return at < 0 ? 0
                  : int(std::lround(
                        catalog()->getFileAttributeAtIndex(kCatalogAttrRotation, at).toDouble()));
}

void CatalogEntry::setRotation(int degrees) {
    static constexpr int kTaken[] = {0, 90, -90, 180, -180, 270, -270};
    if (std::find(std::begin(kTaken), std::end(kTaken), degrees) == std::end(kTaken))
        return;
    if (degrees != rotation())
        setAttribute(kCatalogAttrRotation, degrees);
}

QString CatalogEntry::crop() const {
    const int at = index();
    return stringFromRect(at < 0 ? kZeroRect : catalog()->getFileImageCropAtIndex(at));
}

void CatalogEntry::setCrop(const QString& rect) {
    const Rect crop = rectFromString(rect);
    const int at = index();
    if (at < 0 || crop == rectFromString(this->crop()))
        return;
    catalog()->setFileImageCropAtIndexTo(at, crop);
    changed();
}

QString CatalogEntry::offset() const {
    const int at = index();
    return stringFromPoint(at < 0 ? kZeroPoint : catalog()->getFileImageOffsetAtIndex(at));
}

void CatalogEntry::setOffset(const QString& point) {
    const Point offset = pointFromString(point);
    const int at = index();
    if (at < 0 || offset == pointFromString(this->offset()))
        return;
    catalog()->setFileImageOffsetAtIndexTo(at, offset);
    changed();
}

QString CatalogEntry::dimensions() const {
    const int at = index();
    return stringFromSize(at < 0 ? kZeroSize : catalog()->getFileImageSizeAtIndex(at));
}

void CatalogEntry::setAttribute(int attribute, const QVariant& value) {
    const int at = index();
    if (at < 0)
        return;
    catalog()->setFileAttributeAtIndexToValue(attribute, at, value);
    changed();
}

void CatalogEntry::changed() const {
    if (!_myDocument)
        return;
    // The shared catalog keeps the queued notice's object alive until it is posted.
    NotificationQueue::defaultQueue().enqueueNotification(
        Notification(key(kVQFileCatalogPropertyChangedNotify), _myDocument->sharedFileCatalog()),
        NotificationQueue::PostASAP,
        NotificationQueue::CoalescingOnName | NotificationQueue::CoalescingOnSender);
}

void CatalogEntry::handleExportScriptCommand(ScriptCommand& command) {
    RoduvudeDadevizi* document = _myDocument;
    const int at = index();
    if (!document || at < 0) {
        command.setErrorString(
            QStringLiteral("The photo %1 is no longer in the catalog.").arg(_serialNumber));
        return;
    }
    if (!document->exporter())
        document->setExporter(std::make_shared<Exporter>());
    // Held here: the document may close while an alert waits for the user.
    const std::shared_ptr<Exporter> exporter = document->exporter();
    VQFileCatalog& entries = document->fileCatalog();

    QString folder;
    if (command.hasArgument(key("File"))) {
        folder = FileAccess::expandTilde(command.argument(key("File")).toString());
    } else {
        folder = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
        QDir().mkpath(folder);
    }
    PhotoForExport photo = readPhotoForExport(entries, at);
    // The format comes first, so that the file's extension is the format's.
    if (command.hasArgument(key("Format")))
        exporter->setActiveExporter(command.argument(key("Format")).toString());
    TakenName taken = TakenName::Ask;
    if (command.hasArgument(key("Replacing")))
        taken = command.argument(key("Replacing")).toBool() ? TakenName::Replace : TakenName::Skip;
    ZaroziveZodiroVirizidivi* controller = document->windowController();
    const QString name =
        settleExportName(controller ? controller->window() : nullptr, folder,
                         exporter->fileNameWithExtension(exportBaseName(entries, at)), taken);
    if (name.isEmpty())
        return;

    bool written = false;
    {
        const WaitMonitorScope wait;
        const auto flag = [&](const char* name, void (Exporter::*set)(bool)) {
            if (command.hasArgument(key(name)))
                ((*exporter).*set)(command.argument(key(name)).toBool());
        };
        flag("EmbedColorsync", &Exporter::setUsesColorSync);
        flag("CreateThumbnail", &Exporter::setCreatesThumbnail);
        flag("PreserveEXIF", &Exporter::setCreatesEXIF);
        if (command.hasArgument(key("Quality")))
            exporter->setSpatialQuality(command.argument(key("Quality")).toInt());
        exporter->setMetaData(photo.metaData);
        written = exporter->exportImageToFile(std::move(photo.image), QDir(folder).filePath(name));
    }
    if (written)
        return;
    const QString message = stringWithFormat(text("EXPORT_FAIL_MSG"), exporter->errorString());
    ModalAlert::Request alert(text("EXPORT_FAIL_TITLE"), message);
    alert.defaultButton = text("CANCEL");
    ModalAlert::run(alert);
    command.setErrorString(message);
}

ScriptDispatcher CatalogEntry::scriptCommands() {
    ScriptDispatcher dispatcher;
    dispatcher.registerCommand(key("Export"),
                               [this](ScriptCommand& c) { handleExportScriptCommand(c); });
    return dispatcher;
}
