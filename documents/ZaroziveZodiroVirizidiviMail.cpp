// The catalog window's Print to E-mail command.
#include "documents/RoduvudeDadevizi.h"
#include "documents/ZaroziveZodiroVirizidivi.h"
#include "layout/Exporter.h"
#include "layout/TemplateMapper.h"
#include "layout/TemplateRenderer.h"
#include "layout/TemplateView.h"
#include "layout/VQMailer.h"
#include "library/TemplateHandle.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/HostServices.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/ui/ModalAlert.h"
#include "utilities/GeometryUtilities.h"

#include <QComboBox>
#include <QDateTime>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace {

QString text(const char* key) {
    return localizedString(QString::fromLatin1(key));
}

constexpr int kDefaultScriptQuality = 512;
constexpr Size kDefaultScriptDimensions{320, 240};
constexpr char kFolderFormat[] = "vyx%d";
constexpr char kBody[] = "\n\n";
// The estimate's bytes per pixel before the quality's factor.
constexpr double kBytesPerPixel = 3;

void selectTag(QComboBox* popUp, int tag) {
    popUp->setCurrentIndex(std::max(0, popUp->findData(tag)));
}

} // namespace

Size ZaroziveZodiroVirizidivi::pteDimensionsForTag(int tag) {
    switch (tag) {
    case -1:
        return {320, 240};
    case 1:
        return {1280, 960};
    default:
        return {640, 480};
    }
}

int ZaroziveZodiroVirizidivi::pteSpatialQualityForTag(int tag) {
    switch (tag) {
    case -1:
        return 256;
    case 1:
        return 512;
    default:
        return 768;
    }
}

double ZaroziveZodiroVirizidivi::pteSizeFactorForTag(int tag) {
    switch (tag) {
    case -1:
        return 0.08;
    case 1:
        return 0.25;
    default:
        return 0.16;
    }
}

void ZaroziveZodiroVirizidivi::makePTEConfigWindow() {
    _pteConfigWindow = new QDialog(window());
    _pteConfigWindow->setWindowTitle(text("PTE_TITLE"));
    auto* layout = new QVBoxLayout(_pteConfigWindow);
    auto* form = new QFormLayout;
    _pteDimsPopup = new QComboBox(_pteConfigWindow);
    _pteDimsPopup->addItem(text("PTE_DIMS_SMALL"), -1);
    _pteDimsPopup->addItem(text("PTE_DIMS_MEDIUM"), 0);
    _pteDimsPopup->addItem(text("PTE_DIMS_LARGE"), 1);
    form->addRow(text("PTE_DIMENSIONS"), _pteDimsPopup);
    _pteQualityPopup = new QComboBox(_pteConfigWindow);
    _pteQualityPopup->addItem(text("PTE_QUALITY_LOW"), -1);
    _pteQualityPopup->addItem(text("PTE_QUALITY_MEDIUM"), 0);
    _pteQualityPopup->addItem(text("PTE_QUALITY_HIGH"), 1);
    form->addRow(text("PTE_QUALITY"), _pteQualityPopup);
    _pteCountField = new QLabel(_pteConfigWindow);
    form->addRow(text("PTE_COUNT"), _pteCountField);
    _pteDataSizeField = new QLabel(_pteConfigWindow);
    form->addRow(text("PTE_SIZE"), _pteDataSizeField);
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(_pteConfigWindow);
    _pteCancelButton = buttons->addButton(text("CANCEL"), QDialogButtonBox::RejectRole);
    _pteComposeButton = buttons->addButton(text("PTE_COMPOSE"), QDialogButtonBox::AcceptRole);
    _pteComposeButton->setDefault(true);
    layout->addWidget(buttons);

    // User choices only: selecting the items in printToEmail() sends nothing.
    for (QComboBox* popUp : {_pteDimsPopup, _pteQualityPopup})
        connect(popUp, &QComboBox::activated, this, [this, popUp] { pteSettingChanged(popUp); });
    for (QPushButton* button : {_pteCancelButton, _pteComposeButton})
        connect(button, &QPushButton::clicked, this, [this, button] { pteSettingChanged(button); });
}

void ZaroziveZodiroVirizidivi::printToEmail() {
    if (!catalogDocument())
        return;
    if (!_pteConfigWindow)
        makePTEConfigWindow();
    selectTag(_pteDimsPopup, 0);
    selectTag(_pteQualityPopup, 0);
    calcPTEValues();
    showWindow();
    ModalAlert::beginDialogSheet(window(), *_pteConfigWindow, [self = QPointer(this)](int code) {
        if (self)
            self->configPTEDidEnd(code);
    });
}

void ZaroziveZodiroVirizidivi::pteSettingChanged(QObject* sender) {
    if (!_pteConfigWindow)
        return;
    if (sender == _pteCancelButton)
        _pteConfigWindow->done(0);
    else if (sender == _pteComposeButton)
        _pteConfigWindow->done(1);
    else
        calcPTEValues();
}

QList<Rect> ZaroziveZodiroVirizidivi::pteAreasHoldingPhotos() {
    RoduvudeDadevizi* doc = catalogDocument();
    const TemplateHandleRef master = doc ? doc->masterTemplate() : nullptr;
    const TemplateMapperRef mapper = doc ? doc->templateMapper() : nullptr;
    if (!master || !mapper)
        return {};
    const Rect page = master->pageRect();
    const Rect frame(0, 0, page.size.width, page.size.height);
    TemplateView view;
    view.setFrame(frame);
    const TemplateMapperRef copy = mapper->copy();
    copy->setDestinationDevice(DestinationOutput);
    const QStringList areas = mapper->masterPrintAreaRects();
    view.setTemplate(master);
    view.setImageSource(copy.get());
    view.setAllowsUserInteraction(false);
    view.setPreRender(true);
    view.setRenderDPI(72);
    view.renderer().setRenderDPI(72);
    view.renderer().setIsPrintingToDisk(true);

    QList<Rect> found;
    const int32_t pageCount = copy->pageCount();
    for (int32_t p = 0; p < pageCount; ++p) {
        copy->setCurrentPageNum(p);
        for (const QString& area : areas) {
            const Rect r = UTMapRect(page, frame, insetRect(rectFromString(area), 1, 1));
            if (view.photoIntersectsRect(r))
                found << r;
        }
    }
    return found;
}

int ZaroziveZodiroVirizidivi::calcPTEDPIwithWidthHeight(float width, float height) {
    const QList<Rect> areas = pteAreasHoldingPhotos();
    if (areas.isEmpty())
        return 72;
    float widest = 0;
    float tallest = 0;
    for (const Rect& r : areas) {
        widest = std::max(widest, r.size.width);
        tallest = std::max(tallest, r.size.height);
    }
    return int(std::min(width / widest, height / tallest) * 72);
}

void ZaroziveZodiroVirizidivi::calcPTEValues() {
    const QList<Rect> areas = pteAreasHoldingPhotos();
    _pteFileCount = int(areas.size());
    _pteDataSize = 0;
    _pteRenderDPI = 72;
    if (!areas.isEmpty()) {
        float widest = 0;
        float tallest = 0;
        for (const Rect& r : areas) {
            widest = std::max(widest, r.size.width);
            tallest = std::max(tallest, r.size.height);
        }
        const Size wanted = pteDimensionsForTag(_pteDimsPopup->currentData().toInt());
        const double s = std::min(wanted.width / widest, wanted.height / tallest);
        _pteRenderDPI = int(s * 72);
        const double factor = pteSizeFactorForTag(_pteQualityPopup->currentData().toInt());
        double bytes = 0;
        for (const Rect& r : areas)
            bytes += (s * r.size.width) * (s * r.size.height) * kBytesPerPixel * factor;
        _pteDataSize = int64_t(bytes);
    }
    _pteCountField->setText(QString::number(_pteFileCount));
    HostServices* services = HostServices::current();
    _pteDataSizeField->setText(services ? services->fileSizeString(_pteDataSize)
                                        : QString::number(_pteDataSize));
    _pteComposeButton->setEnabled(_pteFileCount != 0);
}

void ZaroziveZodiroVirizidivi::configPTEDidEnd(int returnCode) {
    _pteConfigWindow->hide();
    if (returnCode == 0)
        return;
    _ptdExporter = std::make_shared<Exporter>();
    _ptdExporter->setSpatialQuality(
        pteSpatialQualityForTag(_pteQualityPopup->currentData().toInt()));
    _ptdResolution = _pteRenderDPI;
    _ptdMirrorImage = false;
    renderAndMail(_pteFileCount);
    _ptdExporter.reset();
}

void ZaroziveZodiroVirizidivi::printToEmailWithDimensionsQuality(const QVariant& dimensions,
                                                                 const QVariant& quality) {
    const bool hasQuality = quality.isValid() && !quality.isNull();
    const bool hasDimensions = dimensions.isValid() && !dimensions.isNull();
    const Size size =
        hasDimensions ? sizeFromString(dimensions.toString()) : kDefaultScriptDimensions;
    _ptdExporter = std::make_shared<Exporter>();
    _ptdExporter->setSpatialQuality(hasQuality ? quality.toInt() : kDefaultScriptQuality);
    _ptdResolution = calcPTEDPIwithWidthHeight(size.width, size.height);
    _ptdMirrorImage = false;
    renderAndMail(-1);
    _ptdExporter.reset();
}

void ZaroziveZodiroVirizidivi::renderAndMail(int count) {
    const QString folder = QDir(host().tempFolder())
                               .filePath(stringWithFormat(QString::fromLatin1(kFolderFormat),
                                                          int(QDateTime::currentSecsSinceEpoch())));
    QDir().mkpath(folder);
    const std::optional<QStringList> written =
        printBatchToPath(folder, QString::fromLatin1(kDefaultBaseName));
    if (!_batchError.isEmpty()) {
        ModalAlert::Request alert(text("PTD_FAILED"), _batchError);
        alert.style = ModalAlert::Style::Critical;
        ModalAlert::beginSheet(window(), alert, [](int) {});
    }
    if (!written || written->isEmpty())
        return;
    const int files = count < 0 ? int(written->size()) : count;
    const QString subject =
        stringWithFormat(text(files == 1 ? "SUBJECT_FORMAT1" : "SUBJECT_FORMAT2"), files);
    const QString route = UserDefaults::standardUserDefaults().stringForKey(
        QString::fromLatin1(VQMailer::kMailerRouteKey));
    VQMailer mailer;
    mailer.sendMessageWithSubject(
        subject, QString::fromLatin1(kBody), {}, *written, route, false, this,
        [self = QPointer(this), folder](bool sent, const QString& error) {
            if (sent || !self)
                return;
            ModalAlert::Request alert(text("PTE_FAILED"),
                                      stringWithFormat(text("PTE_FAILED_MSG"), error, folder));
            alert.style = ModalAlert::Style::Critical;
            ModalAlert::beginSheet(self->window(), alert, [](int) {});
        });
}
