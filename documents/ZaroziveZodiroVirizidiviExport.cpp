// The catalog window's Export command: selected photos written one by one as
// image files into a folder, through the document's export exporter.

#include "catalog/PhotoExport.h"
#include "catalog/VQFileCatalog.h"
#include "documents/RoduvudeDadevizi.h"
#include "documents/ZaroziveZodiroVirizidivi.h"
#include "layout/Exporter.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/HostServices.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/Image.h"
#include "platform/ui/ModalAlert.h"
#include "platform/ui/ProgressSheet.h"
#include "utilities/GeometryUtilities.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QPainter>
#include <QPushButton>
#include <algorithm>
#include <cmath>

namespace {

QString text(const char* key) {
    return localizedString(QString::fromLatin1(key));
}

// The part `crop` of the photo; `crop` is in the photo's natural size, origin at
// the lower left. The part keeps the photo's pixel density, so a photo whose
// points are its pixels gives the crop's size in pixels.
Image croppedImage(const Image& photo, const Rect& crop, const Size& natural) {
    const Rect bounds(kZeroPoint, photo.size());
    const Rect source = natural.width > 0 && natural.height > 0
                            ? UTMapRect(Rect(kZeroPoint, natural), bounds, crop)
                            : crop;
    const int width = std::max(1, int(std::lround(source.width() * photo.scaleX())));
    const int height = std::max(1, int(std::lround(source.height() * photo.scaleY())));
    QImage pixels(width, height, QImage::Format_ARGB32_Premultiplied);
    pixels.fill(Qt::transparent);
    {
        QPainter painter(&pixels);
        GraphicsContext context(painter, source.size, DestinationKind::Image);
        GraphicsContext::Focus focus(context);
        photo.drawInRectFromRectOperationFraction(Rect(kZeroPoint, source.size), source,
                                                  CompositingOperation::Copy, 1.0f);
    }
    Image part(std::move(pixels), source.size);
    part.setIccProfile(photo.iccProfile());
    return part;
}

} // namespace

// ---------------------------------------------------------------------------
// The command and its accessory

void ZaroziveZodiroVirizidivi::makeExportAccessoryView() {
    _exportAccessoryViewPanther = std::make_unique<QWidget>();
    QWidget* view = _exportAccessoryViewPanther.get();
    auto* form = new QFormLayout(view);
    auto* formatRow = new QHBoxLayout;
    _exporterNamesPopupPanther = new QComboBox(view);
    _exporterOptionsButtonPanther = new QPushButton(text("EXPORT_OPTIONS"), view);
    formatRow->addWidget(_exporterNamesPopupPanther);
    formatRow->addWidget(_exporterOptionsButtonPanther);
    form->addRow(text("EXPORT_FORMAT"), formatRow);
    _exportCreateThumbnailSwitchPanther = new QCheckBox(text("EXPORT_THUMBNAIL"), view);
    form->addRow(QString(), _exportCreateThumbnailSwitchPanther);
    _exportPreserveEXIFSwitchPanther = new QCheckBox(text("EXPORT_PRESERVE_EXIF"), view);
    form->addRow(QString(), _exportPreserveEXIFSwitchPanther);
    _exportEmbedColorSyncSwitchPanther = new QCheckBox(text("EXPORT_EMBED_PROFILE"), view);
    form->addRow(QString(), _exportEmbedColorSyncSwitchPanther);
    _exportIgnoreCropsSwitchPanther = new QCheckBox(text("EXPORT_IGNORE_CROPS"), view);
    form->addRow(QString(), _exportIgnoreCropsSwitchPanther);
    _exportMakeDefaultButtonPanther = new QPushButton(text("EXPORT_MAKE_DEFAULT"), view);
    form->addRow(QString(), _exportMakeDefaultButtonPanther);

    // User choices only: filling the controls in exportSelection() sends nothing.
    connect(_exporterNamesPopupPanther, &QComboBox::activated, this,
            &ZaroziveZodiroVirizidivi::exporterNameChanged);
    connect(_exporterOptionsButtonPanther, &QPushButton::clicked, this,
            &ZaroziveZodiroVirizidivi::doExporterOptions);
    for (QCheckBox* box : {_exportCreateThumbnailSwitchPanther, _exportPreserveEXIFSwitchPanther,
                           _exportEmbedColorSyncSwitchPanther, _exportIgnoreCropsSwitchPanther})
        connect(box, &QCheckBox::clicked, this, [this, box] { exportOptionChanged(box); });
    connect(_exportMakeDefaultButtonPanther, &QPushButton::clicked, this,
            &ZaroziveZodiroVirizidivi::doMakeDefault);
}

void ZaroziveZodiroVirizidivi::exportSelection(QAction*) {
    RoduvudeDadevizi* doc = catalogDocument();
    if (!doc || !getSelection())
        return;
    if (!doc->exporter())
        doc->setExporter(std::make_shared<Exporter>());
    Exporter& exporter = *doc->exporter();
    if (!_exportAccessoryViewPanther)
        makeExportAccessoryView();

    QComboBox* names = exporterNamesPopup();
    names->clear();
    names->addItems(exporter.exporterNames());
    names->setCurrentIndex(names->findText(exporter.activeExporterName()));
    exporterOptionsButton()->setEnabled(exporter.optionsAvailable());
    exportCreateThumbnailSwitch()->setChecked(exporter.createsThumbnail());
    exportPreserveEXIFSwitch()->setChecked(exporter.createsEXIF());
    exportEmbedColorSyncSwitch()->setChecked(exporter.usesColorSync());
    exportIgnoreCropsSwitch()->setChecked(exporter.ignoresCrop());
    showWindow();

    // The file dialog creates folders itself.
    ModalAlert::PanelRequest request;
    request.kind = ModalAlert::PanelRequest::Kind::Open;
    request.chooseDirectories = true;
    request.prompt = text("EXPORT");
    request.accessory = exportAccessoryView();
    ModalAlert::beginPanelSheet(window(), request,
                                [self = QPointer(this)](const QStringList& folders) {
                                    if (self)
                                        self->exportPanelDidEnd(folders);
                                });
}

void ZaroziveZodiroVirizidivi::exporterNameChanged() {
    RoduvudeDadevizi* doc = catalogDocument();
    if (!doc || !doc->exporter())
        return;
    doc->exporter()->setActiveExporter(exporterNamesPopup()->currentText());
    exporterOptionsButton()->setEnabled(doc->exporter()->optionsAvailable());
}

void ZaroziveZodiroVirizidivi::doExporterOptions() {
    RoduvudeDadevizi* doc = catalogDocument();
    if (doc && doc->exporter())
        doc->exporter()->options();
}

void ZaroziveZodiroVirizidivi::exportOptionChanged(QObject* sender) {
    RoduvudeDadevizi* doc = catalogDocument();
    if (!doc || !doc->exporter())
        return;
    Exporter& exporter = *doc->exporter();
    if (sender == exportCreateThumbnailSwitch())
        exporter.setCreatesThumbnail(exportCreateThumbnailSwitch()->isChecked());
    else if (sender == exportPreserveEXIFSwitch())
        exporter.setCreatesEXIF(exportPreserveEXIFSwitch()->isChecked());
    else if (sender == exportEmbedColorSyncSwitch())
        exporter.setUsesColorSync(exportEmbedColorSyncSwitch()->isChecked());
    else if (sender == exportIgnoreCropsSwitch())
        exporter.setIgnoresCrop(exportIgnoreCropsSwitch()->isChecked());
}

void ZaroziveZodiroVirizidivi::doMakeDefault() {
    RoduvudeDadevizi* doc = catalogDocument();
    if (doc && doc->exporter())
        doc->exporter()->makeDefault();
}

// ---------------------------------------------------------------------------
// The run

void ZaroziveZodiroVirizidivi::beginProgress(int total) {
    if (!_progressPanel)
        _progressPanel = new ProgressSheet(window());
    connect(_progressPanel.data(), &ProgressSheet::cancelRequested, this,
            &ZaroziveZodiroVirizidivi::doProgressCancel, Qt::UniqueConnection);
    _progressPanel->begin(total);
}

void ZaroziveZodiroVirizidivi::askAfterFailedWrite(ModalAlert::Request alert, bool canContinue) {
    if (canContinue) {
        alert.defaultButton = text("CONTINUE");
        alert.alternateButton = text("CANCEL");
        if (ModalAlert::run(alert) != ModalAlert::DefaultReturn)
            _abortExport = true;
    } else {
        alert.defaultButton = text("CANCEL");
        ModalAlert::run(alert);
        _abortExport = true;
    }
}

QString ZaroziveZodiroVirizidivi::checkedExportName(const QString& folder, const QString& name,
                                                    bool showsProgress) {
    return settleExportName(window(), folder, name, TakenName::Ask, [&](const QString& checked) {
        if (showsProgress)
            pollCancel(stringWithFormat(text("EXPORT_MSG"), checked));
    });
}

void ZaroziveZodiroVirizidivi::exportPanelDidEnd(const QStringList& folders) {
    RoduvudeDadevizi* doc = catalogDocument();
    if (folders.isEmpty() || !doc || !doc->exporter())
        return;
    const QString folder = folders.first();
    const QList<int> selection = getSelection().value_or(QList<int>());
    const std::shared_ptr<Exporter> exporter = doc->exporter();
    VQFileCatalog& entries = doc->fileCatalog();
    const bool showsProgress = selection.size() > 1;
    if (showsProgress)
        beginProgress(int(selection.size()));
    _abortExport = false;

    for (int index : selection) {
        if (_abortExport)
            break;
        // A missing file is left out without a word.
        if (!entries.getFileAttributeAtIndex(kCatalogAttrEnabled, index).toBool())
            continue;
        auto [photo, metaData] = readPhotoForExport(entries, index);
        if (!exporter->ignoresCrop()) {
            const Rect crop = entries.getFileImageCropAtIndex(index);
            if (!(crop == kZeroRect) && !photo.isNull())
                photo = croppedImage(photo, crop, entries.getFileImageSizeAtIndex(index));
        }
        const QString name = checkedExportName(
            folder, exporter->fileNameWithExtension(exportBaseName(entries, index)), showsProgress);
        if (!name.isEmpty()) {
            bool written = false;
            {
                const WaitMonitorScope wait;
                exporter->setMetaData(metaData);
                written =
                    exporter->exportImageToFile(std::move(photo), QDir(folder).filePath(name));
            }
            if (!written)
                askAfterFailedWrite(ModalAlert::Request(text("EXPORT_FAIL_TITLE"),
                                                        stringWithFormat(text("EXPORT_FAIL_MSG"),
                                                                         exporter->errorString())),
                                    showsProgress);
        }
        if (showsProgress) {
            _progressPanel->advance();
            if (_progressPanel->pollCancel())
                _abortExport = true;
        }
    }
    if (showsProgress)
        _progressPanel->end();
}
