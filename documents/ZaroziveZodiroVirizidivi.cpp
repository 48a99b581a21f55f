#include "documents/ZaroziveZodiroVirizidivi.h"

#include "catalog/VQFileCatalog.h"
#include "documents/RoduvudeDadevizi.h"
#include "documents/TextEditorWindowController.h"
#include "layout/Exporter.h"
#include "layout/TemplateMapper.h"
#include "layout/TemplateRenderer.h"
#include "layout/TemplateView.h"
#include "platform/foundation/FileAccess.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/HostServices.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/PreferenceIndex.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/Image.h"
#include "platform/printing/PrintOperation.h"
#include "platform/ui/ModalAlert.h"
#include "platform/ui/ProgressSheet.h"
#include "utilities/GeometryUtilities.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QPainter>
#include <QPushButton>
#include <QSaveFile>
#include <cmath>
#include <limits>

namespace {

QString text(const char* key) {
    return localizedString(QString::fromLatin1(key));
}

// The resolutions the accessory offers; an item's data is its dots per inch.
constexpr int kResolutions[] = {72, 150, 200, 300, 360, 600, 720};

// 0 when the file is missing or holds no number.
int readCounter(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    return QString::fromUtf8(file.readAll()).trimmed().toInt();
}

bool writeCounter(const QString& path, int number) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(QByteArray::number(number));
    return file.commit();
}

QRect pixelRect(const Rect& rect) {
    return QRect(int(std::lround(rect.origin.x)), int(std::lround(rect.origin.y)),
                 int(std::lround(rect.size.width)), int(std::lround(rect.size.height)));
}

} // namespace

ZaroziveZodiroVirizidivi::ZaroziveZodiroVirizidivi(QWidget* window)
    : WindowController(window ? window : new QWidget) {
    makeAccessoryView();
}

ZaroziveZodiroVirizidivi::~ZaroziveZodiroVirizidivi() = default;

RoduvudeDadevizi* ZaroziveZodiroVirizidivi::catalogDocument() const {
    return qobject_cast<RoduvudeDadevizi*>(document());
}

QString ZaroziveZodiroVirizidivi::counterFilePath() {
    return QDir(FileAccess::expandTilde(text("USER_PATH"))).filePath(QStringLiteral(".ptdCounter"));
}

void ZaroziveZodiroVirizidivi::makeAccessoryView() {
    _ptdAccessoryViewPanther = std::make_unique<QWidget>();
    QWidget* view = _ptdAccessoryViewPanther.get();
    auto* form = new QFormLayout(view);
    auto* formatRow = new QHBoxLayout;
    _ptdFileFormatsPopupPanther = new QComboBox(view);
    _ptdFileFormatOptionsPanther = new QPushButton(text("PTD_OPTIONS"), view);
    formatRow->addWidget(_ptdFileFormatsPopupPanther);
    formatRow->addWidget(_ptdFileFormatOptionsPanther);
    form->addRow(text("PTD_FORMAT"), formatRow);
    _ptdResolutionPopupPanther = new QComboBox(view);
    for (int dpi : kResolutions)
        _ptdResolutionPopupPanther->addItem(QString::number(dpi) + QStringLiteral(" dpi"), dpi);
    form->addRow(text("PTD_RESOLUTION"), _ptdResolutionPopupPanther);
    _ptdMirrorEnabledSwitchPanther = new QCheckBox(text("PTD_MIRROR"), view);
    form->addRow(QString(), _ptdMirrorEnabledSwitchPanther);
    _ptdMakeDefaultButtonPanther = new QPushButton(text("PTD_MAKE_DEFAULT"), view);
    form->addRow(QString(), _ptdMakeDefaultButtonPanther);

    // User choices only: filling the controls in printToDisk() sends nothing.
    connect(_ptdFileFormatsPopupPanther, &QComboBox::activated, this,
            [this] { ptdSettingChanged(_ptdFileFormatsPopupPanther); });
    connect(_ptdResolutionPopupPanther, &QComboBox::activated, this,
            [this] { ptdSettingChanged(_ptdResolutionPopupPanther); });
    connect(_ptdMirrorEnabledSwitchPanther, &QCheckBox::clicked, this,
            [this] { ptdSettingChanged(_ptdMirrorEnabledSwitchPanther); });
    connect(_ptdFileFormatOptionsPanther, &QPushButton::clicked, this,
            [this] { ptdSettingChanged(_ptdFileFormatOptionsPanther); });
    connect(_ptdMakeDefaultButtonPanther, &QPushButton::clicked, this,
            [this] { ptdSettingChanged(_ptdMakeDefaultButtonPanther); });
}

void ZaroziveZodiroVirizidivi::selectResolutionItem(int resolution) {
    _ptdResolutionPopupPanther->setCurrentIndex(_ptdResolutionPopupPanther->findData(resolution));
}

void ZaroziveZodiroVirizidivi::printToDisk() {
    RoduvudeDadevizi* doc = catalogDocument();
    if (!doc)
        return;
    _ptdExporter = std::make_shared<Exporter>();
    _ptdExporter->decodeFromDictionary(doc->ptdExporter().encodeInDictionary());
    _ptdResolution = doc->ptdResolution();
    _ptdMirrorImage = doc->ptdMirrorImage();

    QComboBox* formats = ptdFileFormatsPopup();
    formats->clear();
    formats->addItems(_ptdExporter->exporterNames());
    formats->setCurrentIndex(formats->findText(_ptdExporter->activeExporterName()));
    ptdFileFormatOptionsButton()->setEnabled(_ptdExporter->optionsAvailable());
    selectResolutionItem(_ptdResolution);
    ptdMirrorEnabledSwitch()->setChecked(_ptdMirrorImage);
    updatePTDState();
    showWindow();

    ModalAlert::PanelRequest request;
    request.kind = ModalAlert::PanelRequest::Kind::Open;
    request.title = text("PRINT_TO_DISK");
    request.chooseDirectories = true;
    request.accessory = ptdAccessoryView();
    ModalAlert::beginPanelSheet(window(), request,
                                [self = QPointer(this)](const QStringList& folders) {
                                    if (self)
                                        self->ptdPanelDidEnd(folders);
                                });
}

void ZaroziveZodiroVirizidivi::ptdSettingChanged(QObject* sender) {
    if (!_ptdExporter)
        return;
    if (sender == ptdFileFormatsPopup()) {
        _ptdExporter->setActiveExporter(ptdFileFormatsPopup()->currentText());
        ptdFileFormatOptionsButton()->setEnabled(_ptdExporter->optionsAvailable());
    } else if (sender == ptdFileFormatOptionsButton()) {
        _ptdExporter->options();
    } else if (sender == ptdResolutionPopup()) {
        _ptdResolution = ptdResolutionPopup()->currentData().toInt();
    } else if (sender == ptdMirrorEnabledSwitch()) {
        _ptdMirrorImage = ptdMirrorEnabledSwitch()->isChecked();
    } else if (sender == ptdMakeDefaultButton()) {
        const QVariantMap config = _ptdExporter->encodeInDictionary();
        if (!config.isEmpty())
            UserDefaults::standardUserDefaults().setObjectForKey(
                config, QString::fromLatin1(kPtdExportDefaultConfigKey));
        if (HostServices* services = HostServices::current()) {
            services->setPreferencesIntFor(_ptdResolution, PrefPTDResolution);
            services->setPreferencesBOOLFor(_ptdMirrorImage, PrefPTDMirroredEnabled);
        }
    }
    updatePTDState();
}

void ZaroziveZodiroVirizidivi::updatePTDState() {
    bool same = false;
    if (_ptdExporter) {
        HostServices* services = HostServices::current();
        same = services && _ptdResolution == services->preferencesIntFor(PrefPTDResolution) &&
               _ptdMirrorImage == services->preferencesBOOLFor(PrefPTDMirroredEnabled) &&
               _ptdExporter->encodeInDictionary() ==
                   UserDefaults::standardUserDefaults().dictionaryForKey(
                       QString::fromLatin1(kPtdExportDefaultConfigKey));
    }
    ptdMakeDefaultButton()->setEnabled(!same);
}

void ZaroziveZodiroVirizidivi::ptdPanelDidEnd(const QStringList& folders) {
    if (!folders.isEmpty()) {
        const std::optional<QStringList> written =
            printBatchToPath(folders.first(), QString::fromLatin1(kDefaultBaseName));
        if (!_batchError.isEmpty()) {
            ModalAlert::Request alert(text("PTD_FAILED"), _batchError);
            alert.style = ModalAlert::Style::Critical;
            ModalAlert::run(alert);
        }
        // Kept whether the batch finished or not: they are what the user chose.
        if (RoduvudeDadevizi* doc = catalogDocument()) {
            doc->setPtdExporter(_ptdExporter);
            doc->setPtdResolution(_ptdResolution);
            doc->setPtdMirrorImage(_ptdMirrorImage);
        }
    }
    _ptdExporter.reset();
}

void ZaroziveZodiroVirizidivi::doProgressCancel() {
    _abortExport = true;
}

std::optional<QStringList>
ZaroziveZodiroVirizidivi::printBatchToPath(const QString& folder, const QString& baseName,
                                           const QVariant& fileFormat, const QVariant& quality,
                                           const QVariant& resolution, const QVariant& mirror) {
    _ptdExporter = std::make_shared<Exporter>();
    if (fileFormat.isValid() && !fileFormat.isNull())
        _ptdExporter->setActiveExporter(fileFormat.toString());
    if (quality.isValid() && !quality.isNull())
        _ptdExporter->setSpatialQuality(quality.toInt());
    _ptdResolution = resolution.isValid() && !resolution.isNull() ? resolution.toInt() : 72;
    _ptdMirrorImage = mirror.isValid() && !mirror.isNull() ? mirror.toBool() : false;
    std::optional<QStringList> written = printBatchToPath(folder, baseName);
    _ptdExporter.reset();
    return written;
}

bool ZaroziveZodiroVirizidivi::pollCancel(const QString& message) {
    _progressPanel->setMessage(message);
    if (_progressPanel->pollCancel())
        _abortExport = true;
    return _abortExport;
}

std::optional<QStringList> ZaroziveZodiroVirizidivi::printBatchToPath(const QString& folder,
                                                                      const QString& baseName) {
    _batchError.clear();
    _abortExport = false;
    RoduvudeDadevizi* doc = catalogDocument();
    if (!doc || !_ptdExporter)
        return std::nullopt;
    const TemplateMapperRef mapper = doc->templateMapper();
    const TemplateHandleRef master = doc->masterTemplate();
    if (!mapper || !master)
        return std::nullopt;

    // Refused before anything is written: no bitmap could hold the page.
    if (_ptdResolution < 1) {
        _batchError = stringWithFormat(text("PTD_BAD_RESOLUTION"), _ptdResolution);
        return std::nullopt;
    }
    const int32_t pageCount = mapper->pageCount();
    const Rect page = master->pageRect();
    const double scale = _ptdResolution / 72.0;
    const double width = std::round(scale * page.size.width);
    const double height = std::round(scale * page.size.height);
    if (pageCount < 1 || !(width >= 1) || !(height >= 1)) {
        _batchError = text("PTD_EMPTY_PAGE");
        return std::nullopt;
    }
    QImage pixels;
    if (width * height * 4 <= double(std::numeric_limits<int>::max()))
        pixels = QImage(int(width), int(height), QImage::Format_ARGB32_Premultiplied);
    if (pixels.isNull()) {
        _batchError = stringWithFormat(text("PTD_TOO_LARGE"), int(std::min(width, 1e9)),
                                       int(std::min(height, 1e9)));
        return std::nullopt;
    }
    const Rect frame(0, 0, float(scale * page.size.width), float(scale * page.size.height));

    QStringList areas;
    for (const QString& area : mapper->masterPrintAreaRects())
        areas << area;
    const TemplateMapperRef copy = mapper->copy();
    VQFileCatalog& catalog = doc->fileCatalog();
    const bool screenResolution = catalog.deliverScreenResolution();
    QStringList written;
    const QString counterPath = counterFilePath();
    int number = readCounter(counterPath);

    const int total = int(pageCount * areas.size());
    const bool showsProgress = total > 1;
    if (showsProgress) {
        if (!_progressPanel)
            _progressPanel = new ProgressSheet(window());
        connect(_progressPanel.data(), &ProgressSheet::cancelRequested, this,
                &ZaroziveZodiroVirizidivi::doProgressCancel, Qt::UniqueConnection);
        _progressPanel->begin(total);
    }

    catalog.setDeliverScreenResolution(false);
    copy->setDestinationDevice(1);
    copy->setOutputProfile(nullptr);
    copy->setBypassColorMatching(false);
    TemplateRenderer renderer;
    renderer.setTemplate(master);
    renderer.setImageSource(copy.get());
    renderer.setRenderDPI(float(_ptdResolution));
    renderer.setIsPrintingToDisk(true);

    for (int32_t p = 0; p < pageCount && !_abortExport && _batchError.isEmpty(); ++p) {
        if (showsProgress && pollCancel(stringWithFormat(text("PTD_PAGE_MSG"), p + 1)))
            break;
        copy->setCurrentPageNum(p);
        pixels.fill(Qt::white);
        {
            QPainter painter(&pixels);
            GraphicsContext context(painter, frame.size, DestinationKind::Image, true);
            GraphicsContext::Focus focus(context);
            if (_ptdMirrorImage) {
                AffineTransform mirrored;
                mirrored.translateXByYBy(frame.size.width, 0);
                mirrored.scaleXByYBy(-1, 1);
                context.concat(mirrored);
            }
            renderer.renderInRect(frame);
        }
        const std::optional<QList<BezierPath>> cells = renderer.photoCellPathsInRect(frame);
        const auto photoIntersectsRect = [&](const Rect& rect) {
            if (!cells)
                return false;
            for (qsizetype i = 0; i < cells->size(); ++i)
                if (intersectsRect((*cells)[i].bounds(), rect) &&
                    !(copy->naturalImageBoundsForCell(int32_t(i)) == kZeroRect))
                    return true;
            return false;
        };

        for (const QString& area : areas) {
            if (_abortExport)
                break;
            const Rect r = rectFromString(area);
            const Rect inset(r.origin.x + 1, r.origin.y + 1, r.size.width - 2, r.size.height - 2);
            Rect m = UTMapRect(page, frame, inset);
            if (!photoIntersectsRect(m))
                continue;
            // A name already in the folder, from a lost counter or another program,
            // is never written over: the number moves on past it.
            QString name;
            QString path;
            do {
                ++number;
                // The extension goes after the whole name, dots in the base name and all.
                name = _ptdExporter->fileNameWithExtension(
                    stringWithFormat(QStringLiteral("%@_%04d"), baseName, number) +
                    QLatin1Char('.'));
                path = QDir(folder).filePath(name);
            } while (QFileInfo::exists(path));
            if (showsProgress)
                pollCancel(stringWithFormat(text("PTD_FILE_MSG"), name));
            if (_ptdMirrorImage)
                m = UTMirrorRect(m, frame);
            Image cut(pixels.copy(pixelRect(m)), r.size);
            const bool ok = _ptdExporter->exportImageToFile(std::move(cut), path);
            // Spent even when the write failed, so that no number is handed out twice.
            writeCounter(counterPath, number);
            if (!ok) {
                _batchError =
                    stringWithFormat(text("PTD_WRITE_FAILED"), path, _ptdExporter->errorString());
                break;
            }
            written << path;
            if (showsProgress) {
                _progressPanel->advance();
                pollCancel(stringWithFormat(text("PTD_FILE_MSG"), name));
            }
        }
    }

    catalog.setDeliverScreenResolution(screenResolution);
    if (showsProgress)
        _progressPanel->end();
    if (_abortExport || !_batchError.isEmpty())
        return std::nullopt;
    return written;
}
