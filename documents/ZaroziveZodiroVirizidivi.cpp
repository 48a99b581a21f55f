#include "documents/ZaroziveZodiroVirizidivi.h"

#include "catalog/DroppedPhotos.h"
#include "catalog/URLLocator.h"
#include "catalog/VQFileCatalog.h"
#include "catalog/VQFileCatalogScrollView.h"
#include "catalog/VQFileCatalogView.h"
#include "documents/DurevedeDudiruVorudu.h"
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
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/PreferenceIndex.h"
#include "platform/foundation/UndoManager.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/Image.h"
#include "platform/printing/PrintOperation.h"
#include "platform/ui/ModalAlert.h"
#include "platform/ui/ProgressSheet.h"
#include "utilities/GeometryUtilities.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDockWidget>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QPainter>
#include <QPushButton>
#include <QSaveFile>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
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
    : WindowController(window ? window : new DurevedeDudiruVorudu) {
    makeAccessoryView();
    if (DurevedeDudiruVorudu* own = catalogWindow()) {
        // The drawer opens with the open timer, when the settings say so.
        own->catalogDrawer()->hide();
        connect(own->catalogDrawer(), &QDockWidget::visibilityChanged, this, [this] {
            if (CatalogPanel* panel = activeViewPanel())
                panel->adjustToolbarButtons();
        });
        connect(own->errorButton(), &QToolButton::clicked, this,
                &ZaroziveZodiroVirizidivi::showErrorMessage);
        connect(own->statusPrevButton(), &QToolButton::clicked, this,
                [this] { previousLayoutPage(); });
        connect(own->statusNextButton(), &QToolButton::clicked, this, [this] { nextLayoutPage(); });
        connect(own->statusMarkerSwitch(), &QCheckBox::clicked, this, [this] {
            if (VQFileCatalog* entries = catalog())
                entries->toggleSelectionMarker();
        });
        sizeWindowToSettings();
        cascadeFromFrontCatalogWindow();
    }
    _openTimer = new QTimer(this);
    _openTimer->setSingleShot(true);
    connect(_openTimer, &QTimer::timeout, this, &ZaroziveZodiroVirizidivi::windowHasOpened);
    _openTimer->start(kOpenTimerMs);
    _heartbeatTimer = new QTimer(this);
    connect(_heartbeatTimer, &QTimer::timeout, this, &ZaroziveZodiroVirizidivi::heartbeat);
    _heartbeatTimer->start(kHeartbeatMs);
}

ZaroziveZodiroVirizidivi::~ZaroziveZodiroVirizidivi() {
    shutdown();
}

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

// ---------------------------------------------------------------------------
// The grid's window lines

VQFileCatalogScrollView* ZaroziveZodiroVirizidivi::fileCatalogScrollView() const {
    const auto* catalogWindow = qobject_cast<const DurevedeDudiruVorudu*>(window());
    return catalogWindow ? catalogWindow->fileCatalogScrollView() : nullptr;
}

VQFileCatalog* ZaroziveZodiroVirizidivi::catalog() const {
    RoduvudeDadevizi* doc = catalogDocument();
    return doc ? &doc->fileCatalog() : nullptr;
}

void ZaroziveZodiroVirizidivi::setUpCatalogWindow() {
    VQFileCatalogScrollView* scroll = fileCatalogScrollView();
    if (!scroll || !catalogDocument())
        return;
    scroll->setParentWindow(window());
    scroll->setFileCatalog(catalog());
    scroll->setCellSize({kGridCellSize, kGridCellSize});
    NotificationCenter& center = NotificationCenter::defaultCenter();
    center.removeObserver(this);
    const QObject* self = this;
    center.addObserver(this, QString::fromLatin1(kVQReceiveFilesNofity), self,
                       [this](const Notification& n) { receiveFiles(n); });
    center.addObserver(this, QString::fromLatin1(kVQReceiveURLNofity), self,
                       [this](const Notification& n) { receiveURL(n); });
    center.addObserver(this, QString::fromLatin1(kURLLocatedNotify), self,
                       [this](const Notification& n) { receiveURL(n); });
    observeCatalog();
}

std::optional<QList<int>> ZaroziveZodiroVirizidivi::getSelection() const {
    VQFileCatalog* entries = catalog();
    const QList<int> selected = entries ? entries->getSelectedIndices() : QList<int>();
    if (selected.isEmpty())
        return std::nullopt;
    return selected;
}

namespace {

// The catalog of the open catalog window whose catalog has this identity.
VQFileCatalog* openCatalogWithDescription(const QString& description) {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* controller =
            qobject_cast<ZaroziveZodiroVirizidivi*>(WindowController::forWindow(widget));
        RoduvudeDadevizi* doc = controller ? controller->catalogDocument() : nullptr;
        if (doc && doc->fileCatalog().description() == description)
            return &doc->fileCatalog();
    }
    return nullptr;
}

struct ResolvedItem {
    VQFileCatalog* source;
    int serial;
    bool move;
};

} // namespace

void ZaroziveZodiroVirizidivi::receiveCatalogEntry(const QVariantMap& item, int position) {
    receiveCatalogEntries({item}, position);
}

void ZaroziveZodiroVirizidivi::receiveCatalogEntries(const QVariantList& items, int position) {
    VQFileCatalog* own = catalog();
    if (!own)
        return;
    // The indices are those of the drag's start; every change below shifts
    // them, so each item is first tied to its entry by serial number.
    QList<ResolvedItem> resolved;
    for (const QVariant& value : items) {
        const QVariantMap item = value.toMap();
        const QString key = item.value(QString::fromLatin1(kVQSelectionCatalogKey)).toString();
        VQFileCatalog* source = own->description() == key ? own : openCatalogWithDescription(key);
        if (!source)
            continue;
        const int index = item.value(QString::fromLatin1(kVQSelectionIndexKey), -1).toInt();
        const QVariant serial = source->getFileAttributeAtIndex(kCatalogAttrSerialNumber, index);
        if (index < 0 || index >= source->fileCount() || !serial.isValid())
            continue;
        const bool move =
            item.value(QString::fromLatin1(kVQSelectionOperationKey), 0).toInt() == 0 &&
            source == own;
        resolved.append({source, serial.toInt(), move});
    }
    if (resolved.isEmpty())
        return;
    UndoManager* undo = catalogDocument()->undoManager();
    undo->beginUndoGrouping();
    const bool allMoves = std::all_of(resolved.begin(), resolved.end(),
                                      [](const ResolvedItem& item) { return item.move; });
    if (allMoves) {
        QList<int> serials;
        for (const ResolvedItem& item : resolved)
            serials.append(item.serial);
        moveEntriesTogether(serials, position);
    } else {
        int at = position;
        for (const ResolvedItem& item : resolved) {
            const int index = item.source->indexOfEntryWithSerialNumber(item.serial);
            if (index < 0)
                continue;
            if (item.move)
                own->moveEntryFromIndexToIndex(index, at < 0 ? own->fileCount() - 1 : at);
            else
                own->addEntryFromCatalogFromIndexToIndex(*item.source, index, at);
            if (at >= 0)
                ++at;
        }
    }
    undo->endUndoGrouping();
}

// The entries end up one after another in the given order, the first at
// `position` of the final list (at the end when that is −1 or past it). A move
// lands an entry at its destination index; moving the block to the end first
// keeps every later destination free of the earlier moves' shifts.
void ZaroziveZodiroVirizidivi::moveEntriesTogether(const QList<int>& serials, int position) {
    VQFileCatalog& entries = *catalog();
    const int count = entries.fileCount();
    const int n = int(serials.size());
    const int base = (position < 0 || position > count - n) ? count - n : position;
    for (int serial : serials) {
        const int index = entries.indexOfEntryWithSerialNumber(serial);
        if (index >= 0 && index != count - 1)
            entries.moveEntryFromIndexToIndex(index, count - 1);
    }
    if (base == count - n)
        return;
    for (int k = 0; k < n; ++k)
        entries.moveEntryFromIndexToIndex(count - n + k, base + k);
}

void ZaroziveZodiroVirizidivi::receiveImage(const Image& image) {
    if (VQFileCatalog* entries = catalog())
        entries->addImageEntryAtPosition(image, -1);
}

void ZaroziveZodiroVirizidivi::receiveFiles(const Notification& notification) {
    VQFileCatalog* entries = catalog();
    if (!entries)
        return;
    const QVariantMap info = notification.userInfo();
    const WaitMonitorScope wait;
    int position = info.value(QString::fromLatin1(kEntryPosKey), -1).toInt();
    for (const QString& path : info.value(QString::fromLatin1(kReceiveFilesKey)).toStringList()) {
        const int added = receivePathAtPosition(path, position);
        if (position >= 0)
            position += added;
    }
}

void ZaroziveZodiroVirizidivi::receiveURL(const Notification& notification) {
    VQFileCatalog* entries = catalog();
    if (!entries)
        return;
    const QVariantMap info = notification.userInfo();
    const QUrl url = info.value(QString::fromLatin1(kReceiveURLKey)).toUrl();
    if (!url.isValid())
        return;
    const WaitMonitorScope wait;
    entries->addURLEntryAtPosition(url, info.value(QString::fromLatin1(kEntryPosKey), -1).toInt());
}

void ZaroziveZodiroVirizidivi::addURL() {
    auto* locator = new URLLocator;
    locator->setValidFileTypes(DroppedPhotos::imageFileTypes());
    locator->locateURLInSheet(QUrl(), window());
}

bool ZaroziveZodiroVirizidivi::hasEntries() const {
    const VQFileCatalog* entries = catalog();
    return entries && entries->fileCount() > 0 && fileCatalogScrollView();
}

void ZaroziveZodiroVirizidivi::rotateSelectionBy(int quarterTurns, float degrees) {
    VQFileCatalog* entries = catalog();
    VQFileCatalogScrollView* scroll = fileCatalogScrollView();
    if (!entries || !scroll)
        return;
    // The turned crops are worked out within the sizes before the turn, and
    // stored after it: the crop setter holds a crop within the photo's size
    // as shown, which the turn changes.
    QList<std::pair<int, Rect>> crops;
    for (int index : entries->getSelectedIndices()) {
        Rect crop = entries->getFileImageCropAtIndex(index);
        if (crop == kZeroRect)
            continue;
        Size size = entries->getFileImageSizeAtIndex(index);
        for (int turn = 0; turn < std::abs(quarterTurns); ++turn) {
            const Rect photo{kZeroPoint, size};
            crop = quarterTurns > 0 ? UTRotateRectRight90(crop, photo)
                                    : UTRotateRectLeft90(crop, photo);
            size = {size.height, size.width};
        }
        crops.append({index, crop});
    }
    // The crops and the turns undo together.
    UndoManager* undo = catalogDocument()->undoManager();
    undo->beginUndoGrouping();
    scroll->rotateSelection(degrees);
    for (const auto& [index, crop] : crops)
        entries->setFileImageCropAtIndexTo(index, crop);
    undo->endUndoGrouping();
    fileCatalogSelectionChanged();
}

void ZaroziveZodiroVirizidivi::rotateImageRight(QAction*) {
    rotateSelectionBy(1, 90.0f);
}

void ZaroziveZodiroVirizidivi::rotateImageLeft(QAction*) {
    rotateSelectionBy(-1, -90.0f);
}

void ZaroziveZodiroVirizidivi::flipImage(QAction*) {
    rotateSelectionBy(2, 180.0f);
}

void ZaroziveZodiroVirizidivi::markSelection(QAction*) {
    if (VQFileCatalog* entries = catalog())
        entries->setSelectionMarker(true);
}

void ZaroziveZodiroVirizidivi::unmarkSelection(QAction*) {
    if (VQFileCatalog* entries = catalog())
        entries->setSelectionMarker(false);
}

void ZaroziveZodiroVirizidivi::removeFiles(QAction*) {
    VQFileCatalog* entries = catalog();
    if (!entries || entries->getSelectedIndices().isEmpty() || !fileCatalogScrollView())
        return;
    ModalAlert::Request request(text("REMOVE"), text("REMOVE_WARN"));
    request.defaultButton = text("CANCEL");
    request.alternateButton = text("OK");
    ModalAlert::beginSheet(window(), request, [self = QPointer(this)](int code) {
        if (!self || code != ModalAlert::AlternateReturn)
            return;
        if (VQFileCatalogScrollView* scroll = self->fileCatalogScrollView())
            scroll->removeSelectedFiles();
    });
}

void ZaroziveZodiroVirizidivi::firstSelection(QAction*) {
    if (hasEntries())
        fileCatalogScrollView()->firstSelection();
}

void ZaroziveZodiroVirizidivi::prevSelection(QAction*) {
    if (hasEntries())
        fileCatalogScrollView()->retreatSelection();
}

void ZaroziveZodiroVirizidivi::nextSelection(QAction*) {
    if (hasEntries())
        fileCatalogScrollView()->advanceSelection();
}

void ZaroziveZodiroVirizidivi::prevSelectionRow(QAction*) {
    if (hasEntries())
        fileCatalogScrollView()->retreatSelectionRow();
}

void ZaroziveZodiroVirizidivi::nextSelectionRow(QAction*) {
    if (hasEntries())
        fileCatalogScrollView()->advanceSelectionRow();
}

void ZaroziveZodiroVirizidivi::lastSelection(QAction*) {
    if (hasEntries())
        fileCatalogScrollView()->lastSelection();
}
