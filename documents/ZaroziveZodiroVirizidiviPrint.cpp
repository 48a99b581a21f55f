// The catalog window's Print command, its print options and the layout sheets.
#include "catalog/VQFileCatalog.h"
#include "documents/PrintOptionsController.h"
#include "documents/RoduvudeDadevizi.h"
#include "documents/TemplateSelectorWindowController.h"
#include "documents/TextEditorWindowController.h"
#include "documents/ZaroziveZodiroVirizidivi.h"
#include "layout/ColorProfileHandle.h"
#include "layout/TemplateMapper.h"
#include "layout/TemplateView.h"
#include "library/TemplateHandle.h"
#include "photoview/PhotoInfoWindowController.h"
#include "photoview/PixelAdjusterController.h"
#include "platform/archiving/Archiver.h"
#include "platform/archiving/Unarchiver.h"
#include "platform/foundation/HostServices.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/PreferenceIndex.h"
#include "platform/foundation/UndoManager.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/printing/PrintOperation.h"
#include "platform/ui/ModalAlert.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QStandardItemModel>
#include <algorithm>

namespace {

QString text(const char* key) {
    return localizedString(QString::fromLatin1(key));
}

// Templates of an older file format print limited pages only as bitmaps.
constexpr int kFirstPhotoLimitFormat = 512;
// Tags of the profile pop-up's fixed items; the user's profiles follow them.
constexpr int kProfileNoneTag = -1;
constexpr int kProfileChooseTag = -2;
constexpr int kProfileBypassTag = -3;
constexpr int kFixedProfileItems = 4;
// The resolutions a limit can have, in dots per inch.
constexpr int kLimitResolutions[] = {72, 150, 200, 240, 300, 360, 600, 720};

std::shared_ptr<ColorProfileHandle> storedDefaultProfile() {
    const QByteArray data = UserDefaults::standardUserDefaults().dataForKey(
        QString::fromLatin1(kPrefDefaultProfileKey));
    if (data.isEmpty())
        return nullptr;
    ColorProfileHandle::registerArchivableClass();
    return Unarchiver::unarchiveObjectOfClass<ColorProfileHandle>(data);
}

bool sameProfile(const std::shared_ptr<ColorProfileHandle>& a,
                 const std::shared_ptr<ColorProfileHandle>& b) {
    if (!a || !b)
        return !a && !b;
    return a->isEqual(*b);
}

void setItemEnabled(QComboBox* popUp, int index, bool enabled) {
    auto* model = qobject_cast<QStandardItemModel*>(popUp->model());
    if (QStandardItem* item = model ? model->item(index) : nullptr)
        item->setEnabled(enabled);
}

// The output colour settings of a layout, copied in this order.
struct ColorSettings {
    bool usesOutputProfile = false;
    std::shared_ptr<ColorProfileHandle> outputProfile;
    bool profileUsesExternalMatching = false;
    bool bypassColorMatching = false;
};

ColorSettings colorSettingsOf(TemplateMapper& mapper) {
    return {mapper.usesOutputProfile(), mapper.outputProfile(),
            mapper.profileUsesExternalMatching(), mapper.bypassColorMatching()};
}

// Gives the document's layout the settings as one undoable change; nothing
// when they are the ones it has.
void setColorSettingsWithUndo(RoduvudeDadevizi* doc, const ColorSettings& settings) {
    const TemplateMapperRef mapper = doc->templateMapper();
    const ColorSettings old = colorSettingsOf(*mapper);
    if (old.usesOutputProfile == settings.usesOutputProfile &&
        old.outputProfile == settings.outputProfile &&
        old.profileUsesExternalMatching == settings.profileUsesExternalMatching &&
        old.bypassColorMatching == settings.bypassColorMatching)
        return;
    mapper->setUsesOutputProfile(settings.usesOutputProfile);
    mapper->setOutputProfile(settings.outputProfile);
    mapper->setProfileUsesExternalMatching(settings.profileUsesExternalMatching);
    mapper->setBypassColorMatching(settings.bypassColorMatching);
    UndoManager* undo = doc->undoManager();
    undo->registerUndo(doc, [doc, old] { setColorSettingsWithUndo(doc, old); });
    undo->setActionName(text(kPrintSettingAction));
}

} // namespace

// ---------------------------------------------------------------------------
// Panels and the layout sheets

void ZaroziveZodiroVirizidivi::switchView(int tag) {
    // The switch tells its delegate, which shows the panel; before set-up the
    // switch has none yet.
    ensurePanelViews();
    _viewSwitcher->setValue(tag);
    if (!_viewSwitcher->delegate())
        showPanelOfSwitch(false);
}

std::optional<QList<int>> ZaroziveZodiroVirizidivi::getMarked() const {
    RoduvudeDadevizi* doc = catalogDocument();
    if (!doc)
        return std::nullopt;
    QList<int> indices;
    if (doc->getPrintArrangementMode() == LayoutModeBook) {
        // Asked on every validation; a layout not made yet places nothing.
        if (const auto layout = doc->existingTemplateMapper())
            for (int32_t index : layout->getAllPageEntryIndices())
                indices.append(index);
    } else {
        indices = doc->fileCatalog().getMarkedIndices();
    }
    if (indices.isEmpty())
        return std::nullopt;
    return indices;
}

void ZaroziveZodiroVirizidivi::layoutOptions() {
    RoduvudeDadevizi* doc = catalogDocument();
    if (!doc || _printOptions)
        return;
    _printArrangementMode = doc->getPrintArrangementMode();
    _printScalingMode = doc->getPrintScaleMode();
    _printOptions = new PrintOptionsController(this);
    _printOptions->setParent(this);
    _printOptions->beginSheetForWindow(window(), [self = QPointer(this)](int returnCode) {
        if (self)
            self->printOptionsDidEnd(returnCode);
    });
}

void ZaroziveZodiroVirizidivi::printOptionsDidEnd(int) {
    if (RoduvudeDadevizi* doc = catalogDocument()) {
        doc->setPrintArrangementMode(_printArrangementMode);
        doc->setPrintScaleMode(_printScalingMode);
    }
    if (_printOptions)
        _printOptions->deleteLater();
}

void ZaroziveZodiroVirizidivi::editText() {
    RoduvudeDadevizi* doc = catalogDocument();
    if (!doc || _textEditor)
        return;
    _textEditor = new TextEditorWindowController;
    _textEditor->setParent(this);
    _textEditor->setDocument(doc);
    _textEditor->awakeFromNib();
    _textEditor->beginSheetForWindow(window(), [self = QPointer(this)](int) {
        if (self && self->_textEditor)
            self->_textEditor->deleteLater();
    });
}

void ZaroziveZodiroVirizidivi::chooseTemplate() {
    RoduvudeDadevizi* doc = catalogDocument();
    if (!doc || ModalAlert::hasAttachedSheet(window()))
        return;
    auto* chooser = new TemplateSelectorWindowController;
    chooser->setParent(this);
    chooser->setDocument(doc);
    chooser->awakeFromNib();
    chooser->beginSheetForWindow(window(), [chooser = QPointer(chooser)](int) {
        if (chooser)
            chooser->deleteLater();
    });
}

void ZaroziveZodiroVirizidivi::showPhotoInfo() {
    PhotoInfoWindowController::sharedPhotoInfoController()->activate();
}

void ZaroziveZodiroVirizidivi::adjustImage() {
    PixelAdjusterController::sharedPixelAdjusterController()->activate();
    setEditMode(0);
    fileCatalogSelectionChanged();
}

// ---------------------------------------------------------------------------
// The accessory

void ZaroziveZodiroVirizidivi::makePrintAccessoryView() {
    _printAccessoryView = std::make_unique<QWidget>();
    QWidget* view = _printAccessoryView.get();
    view->setWindowTitle(text("PRINT_OPTIONS_TAB"));
    auto* form = new QFormLayout(view);
    _printMirrorImageSwitch = new QCheckBox(text("PRINT_MIRROR"), view);
    form->addRow(QString(), _printMirrorImageSwitch);
    _printSkipEmptyPrintAreasSwitch = new QCheckBox(text("PRINT_SKIP_EMPTY"), view);
    form->addRow(QString(), _printSkipEmptyPrintAreasSwitch);
    _printLimitEnabledSwitch = new QCheckBox(text("PRINT_LIMIT"), view);
    form->addRow(QString(), _printLimitEnabledSwitch);
    _printLimitTypePopUp = new QComboBox(view);
    _printLimitTypePopUp->addItem(text("PRINT_LIMIT_PHOTOS"), 0);
    _printLimitTypePopUp->addItem(text("PRINT_LIMIT_PAGES"), 1);
    form->addRow(QString(), _printLimitTypePopUp);
    _printLimitResLabel = new QLabel(text("PRINT_LIMIT_RESOLUTION"), view);
    _printLimitResPopUp = new QComboBox(view);
    for (int dpi : kLimitResolutions)
        _printLimitResPopUp->addItem(QString::number(dpi) + QStringLiteral(" dpi"), dpi);
    form->addRow(_printLimitResLabel, _printLimitResPopUp);
    _printProfileEnabledSwitch = new QCheckBox(text("PRINT_USE_PROFILE"), view);
    form->addRow(QString(), _printProfileEnabledSwitch);
    _printProfilePopUp = new QComboBox(view);
    _printProfilePopUp->addItem(text("PROFILE_NONE"), kProfileNoneTag);
    _printProfilePopUp->addItem(text("PROFILE_BYPASS"), kProfileBypassTag);
    _printProfilePopUp->addItem(text("PROFILE_CHOOSE"), kProfileChooseTag);
    _printProfilePopUp->insertSeparator(3);
    form->addRow(QString(), _printProfilePopUp);
    _printExternalMatchingSwitch = new QCheckBox(text("PRINT_EXTERNAL_MATCHING"), view);
    form->addRow(QString(), _printExternalMatchingSwitch);
    _printMakeDefaultButton = new QPushButton(text("PRINT_MAKE_DEFAULT"), view);
    form->addRow(QString(), _printMakeDefaultButton);

    // User choices only: filling the controls for a run sends nothing.
    for (QCheckBox* box :
         {_printMirrorImageSwitch, _printSkipEmptyPrintAreasSwitch, _printLimitEnabledSwitch,
          _printProfileEnabledSwitch, _printExternalMatchingSwitch})
        connect(box, &QCheckBox::clicked, this, [this, box] { printAccessoryChanged(box); });
    for (QComboBox* popUp : {_printLimitTypePopUp, _printLimitResPopUp, _printProfilePopUp})
        connect(popUp, &QComboBox::activated, this,
                [this, popUp] { printAccessoryChanged(popUp); });
    connect(_printMakeDefaultButton, &QPushButton::clicked, this,
            [this] { printAccessoryChanged(_printMakeDefaultButton); });
}

void ZaroziveZodiroVirizidivi::printAccessoryChanged(QObject* sender) {
    if (!_printingMapper || !_printedTemplateView)
        return;
    if (sender == _printMirrorImageSwitch) {
        _printMirrorImage = _printMirrorImageSwitch->isChecked();
        _printedTemplateView->setDrawMirrored(_printMirrorImage);
    } else if (sender == _printSkipEmptyPrintAreasSwitch) {
        _printSkipEmptyPrintAreas = _printSkipEmptyPrintAreasSwitch->isChecked();
        _printedTemplateView->setSkipEmptyPrintAreas(_printSkipEmptyPrintAreas);
    } else if (sender == _printLimitEnabledSwitch) {
        _printLimitEnabled = _printLimitEnabledSwitch->isChecked();
        assertResolutionLimits();
    } else if (sender == _printLimitTypePopUp) {
        _printLimitType = _printLimitTypePopUp->currentData().toInt();
        assertResolutionLimits();
    } else if (sender == _printLimitResPopUp) {
        _printLimitDPI = _printLimitResPopUp->currentData().toInt();
        assertResolutionLimits();
    } else if (sender == _printProfileEnabledSwitch) {
        _printingMapper->setUsesOutputProfile(_printProfileEnabledSwitch->isChecked());
    } else if (sender == _printExternalMatchingSwitch) {
        _printingMapper->setProfileUsesExternalMatching(_printExternalMatchingSwitch->isChecked());
    } else if (sender == _printProfilePopUp) {
        selectColorProfile(_printProfilePopUp->currentData().toInt());
    } else if (sender == _printMakeDefaultButton) {
        if (HostServices* services = HostServices::current()) {
            services->setPreferencesBOOLFor(_printLimitEnabled, PrefPrintLimitEnabled);
            services->setPreferencesIntFor(_printLimitType, PrefPrintLimitType);
            services->setPreferencesIntFor(_printLimitDPI, PrefPrintLimitResolution);
            services->setPreferencesBOOLFor(_printMirrorImage, PrefPrintMirroredEnabled);
            services->setPreferencesBOOLFor(_printSkipEmptyPrintAreas,
                                            PrefPrintSkipEmptyPrintAreasEnabled);
            services->setPreferencesBOOLFor(_printingMapper->usesOutputProfile(),
                                            PrefPrintUseProfile);
            services->setPreferencesBOOLFor(_printingMapper->profileUsesExternalMatching(),
                                            PrefPrintExternalMatching);
            services->setPreferencesBOOLFor(_printingMapper->bypassColorMatching(),
                                            PrefPrintBypassColorMatching);
        }
        UserDefaults& defaults = UserDefaults::standardUserDefaults();
        const QString key = QString::fromLatin1(kPrefDefaultProfileKey);
        if (const std::shared_ptr<ColorProfileHandle> profile = _printingMapper->outputProfile())
            defaults.setObjectForKey(Archiver::archivedData(variantFromObject(profile)), key);
        else
            defaults.removeObjectForKey(key);
    }
    updatePrintAccessoryState();
}

void ZaroziveZodiroVirizidivi::assertResolutionLimits() {
    if (!_printingMapper || !_printedTemplateView)
        return;
    if (_printLimitEnabled && _printLimitType == 0) {
        _printingMapper->setPreferredDPI(float(_printLimitDPI));
        _printedTemplateView->setRenderDPI(0);
        _printedTemplateView->setPreRender(false);
    } else if (_printLimitEnabled) {
        _printingMapper->setPreferredDPI(0);
        _printedTemplateView->setRenderDPI(float(_printLimitDPI));
        _printedTemplateView->setPreRender(true);
    } else {
        _printingMapper->setPreferredDPI(0);
        _printedTemplateView->setRenderDPI(0);
        _printedTemplateView->setPreRender(false);
    }
}

std::shared_ptr<ColorProfileHandle> ZaroziveZodiroVirizidivi::selectedMenuProfile() const {
    const int index = _printProfilePopUp->currentIndex() - kFixedProfileItems;
    return index >= 0 && index < _menuProfiles.size() ? _menuProfiles[index] : nullptr;
}

void ZaroziveZodiroVirizidivi::updatePrintAccessoryState() {
    const bool limited = _printLimitEnabledSwitch->isChecked();
    _printLimitTypePopUp->setEnabled(limited);
    _printLimitResPopUp->setEnabled(limited);
    _printLimitResLabel->setEnabled(limited);
    const bool profiled = _printProfileEnabledSwitch->isChecked();
    _printProfilePopUp->setEnabled(profiled);
    _printExternalMatchingSwitch->setEnabled(profiled);

    bool differs = true;
    HostServices* services = HostServices::current();
    if (services && _printingMapper) {
        // The bypass setting takes no part: it goes with the profile item.
        const bool same =
            _printLimitEnabled == services->preferencesBOOLFor(PrefPrintLimitEnabled) &&
            _printLimitDPI == services->preferencesIntFor(PrefPrintLimitResolution) &&
            _printLimitType == services->preferencesIntFor(PrefPrintLimitType) &&
            _printMirrorImage == services->preferencesBOOLFor(PrefPrintMirroredEnabled) &&
            _printSkipEmptyPrintAreas ==
                services->preferencesBOOLFor(PrefPrintSkipEmptyPrintAreasEnabled) &&
            _printingMapper->usesOutputProfile() ==
                services->preferencesBOOLFor(PrefPrintUseProfile) &&
            _printingMapper->profileUsesExternalMatching() ==
                services->preferencesBOOLFor(PrefPrintExternalMatching);
        if (same)
            differs = profiled && !sameProfile(selectedMenuProfile(), storedDefaultProfile());
    }
    _printMakeDefaultButton->setEnabled(differs);
}

void ZaroziveZodiroVirizidivi::buildColorProfileMenu() {
    if (!_printingMapper)
        return;
    const std::shared_ptr<ColorProfileHandle> output = _printingMapper->outputProfile();
    int select = _printingMapper->bypassColorMatching() ? 1 : 0;
    while (_printProfilePopUp->count() > kFixedProfileItems)
        _printProfilePopUp->removeItem(kFixedProfileItems);
    _menuProfiles = ColorProfileHandle::activeProfiles(UserDefaults::standardUserDefaults());
    std::stable_sort(_menuProfiles.begin(), _menuProfiles.end(), [](const auto& a, const auto& b) {
        return a->name().compare(b->name(), Qt::CaseInsensitive) < 0;
    });
    for (const std::shared_ptr<ColorProfileHandle>& profile : std::as_const(_menuProfiles)) {
        _printProfilePopUp->addItem(profile->name(), 0);
        if (output && profile->isEqual(*output))
            select = _printProfilePopUp->count() - 1;
    }
    _printProfilePopUp->setCurrentIndex(select);
}

void ZaroziveZodiroVirizidivi::selectColorProfile(int tag) {
    if (!_printingMapper)
        return;
    switch (tag) {
    case kProfileNoneTag:
        _printingMapper->setOutputProfile(nullptr);
        _printingMapper->setBypassColorMatching(false);
        buildColorProfileMenu();
        return;
    case kProfileBypassTag:
        _printingMapper->setOutputProfile(nullptr);
        _printingMapper->setBypassColorMatching(true);
        buildColorProfileMenu();
        return;
    case kProfileChooseTag: {
        ModalAlert::PanelRequest request;
        request.kind = ModalAlert::PanelRequest::Kind::Open;
        request.title = text("PROFILE_CHOOSE");
        // Profiles are known by their extensions here; there are no file type codes.
        request.extensions = {QStringLiteral("icc"), QStringLiteral("pf"), QStringLiteral("icm")};
        const QStringList chosen = ModalAlert::runPanel(request);
        if (!chosen.isEmpty()) {
            std::shared_ptr<ColorProfileHandle> profile =
                ColorProfileHandle::profileWithPath(chosen.first());
            if (profile) {
                UserDefaults& defaults = UserDefaults::standardUserDefaults();
                QList<std::shared_ptr<ColorProfileHandle>> active =
                    ColorProfileHandle::activeProfiles(defaults);
                const auto listed =
                    std::find_if(active.begin(), active.end(),
                                 [&](const auto& other) { return other->isEqual(*profile); });
                if (listed != active.end()) {
                    profile = *listed;
                } else {
                    active.append(profile);
                    ColorProfileHandle::setActiveProfiles(active, defaults);
                }
                _printingMapper->setOutputProfile(profile);
                _printingMapper->setBypassColorMatching(false);
            } else {
                ModalAlert::beep();
            }
        }
        buildColorProfileMenu();
        showWindow();
        return;
    }
    default:
        _printingMapper->setOutputProfile(selectedMenuProfile());
        _printingMapper->setBypassColorMatching(false);
        return;
    }
}

// ---------------------------------------------------------------------------
// Printing

void ZaroziveZodiroVirizidivi::printDocument() {
    switchView(LayoutPanel);
    printShowingPrintPanel(true);
}

bool ZaroziveZodiroVirizidivi::makePrintedTemplateView() {
    RoduvudeDadevizi* doc = catalogDocument();
    const TemplateHandleRef master = doc ? doc->masterTemplate() : nullptr;
    if (!master)
        return false;
    const Rect page = master->pageRect();
    if (!(page.width() > 0) || !(page.height() > 0))
        return false;
    _printedTemplateView = std::make_unique<TemplateView>();
    _printedTemplateView->setFrame(page);
    return true;
}

void ZaroziveZodiroVirizidivi::preparePrintingMapperAndView() {
    RoduvudeDadevizi* doc = catalogDocument();
    _printingMapper = doc->templateMapper()->copy();
    _printingMapper->setDestinationDevice(DestinationOutput);
    VQFileCatalog& catalog = doc->fileCatalog();
    _resolutionDeliveryFlag = catalog.deliverScreenResolution();
    catalog.setDeliverScreenResolution(false);
    _printedTemplateView->setTemplate(doc->masterTemplate());
    _printedTemplateView->setImageSource(_printingMapper.get());
    _printedTemplateView->setAllowsUserInteraction(false);
    _printedTemplateView->setDrawMirrored(_printMirrorImage);
    _printedTemplateView->setSkipEmptyPrintAreas(_printSkipEmptyPrintAreas);
    assertResolutionLimits();
    // Qt's pop-ups enable their items only as told: nothing to turn off.
}

void ZaroziveZodiroVirizidivi::printShowingPrintPanel(bool showPanels) {
    RoduvudeDadevizi* doc = catalogDocument();
    if (!doc)
        return;
    if (_printedTemplateView) {
        ModalAlert::beep();
        return;
    }
    if (!getMarked())
        return;
    PrintInfo info = doc->printInfo();
    info.clearMargins();
    doc->setPrintInfo(info);
    if (!makePrintedTemplateView())
        return;
    if (!_printAccessoryView)
        makePrintAccessoryView();
    _printLimitEnabledSwitch->setEnabled(true);

    _printMirrorImage = doc->printMirrorImage();
    _printSkipEmptyPrintAreas = doc->printSkipEmptyPrintAreas();
    _printLimitEnabled = doc->printLimitEnabled();
    _printLimitType = doc->printLimitType();
    _printLimitDPI = doc->printLimitDPI();
    const bool photosCanBeLimited = doc->masterTemplate()->fileFormat() >= kFirstPhotoLimitFormat;
    setItemEnabled(_printLimitTypePopUp, 0, photosCanBeLimited);
    if (!photosCanBeLimited)
        _printLimitType = 1;
    preparePrintingMapperAndView();

    _printOperation = std::make_unique<PrintOperation>(_printedTemplateView.get(), info);
    _printedTemplateView->setPrintOp(_printOperation.get());
    _printOperation->setShowsPanels(showPanels);
    _printOperation->setCanSpawnSeparateThread(true);
    HostServices* services = HostServices::current();
    if (services && services->preferencesBOOLFor(PrefSimplifiedPrinting))
        _printOperation->setJobStyleHint(PrintOperation::JobStyle::Photo);
    _printOperation->setAccessoryView(_printAccessoryView.get());

    _printMirrorImageSwitch->setChecked(_printMirrorImage);
    _printSkipEmptyPrintAreasSwitch->setChecked(_printSkipEmptyPrintAreas);
    _printLimitEnabledSwitch->setChecked(_printLimitEnabled);
    _printLimitTypePopUp->setCurrentIndex(_printLimitTypePopUp->findData(_printLimitType));
    _printLimitResPopUp->setCurrentIndex(_printLimitResPopUp->findData(_printLimitDPI));
    buildColorProfileMenu();
    _printProfileEnabledSwitch->setChecked(_printingMapper->usesOutputProfile());
    _printExternalMatchingSwitch->setChecked(_printingMapper->profileUsesExternalMatching());
    updatePrintAccessoryState();

    _printOperation->runOperationModalForWindow(
        window(), [self = QPointer(this)](PrintOperation& operation, bool success) {
            if (self)
                self->printOperationDidRun(operation, success);
        });
}

void ZaroziveZodiroVirizidivi::printOperationDidRun(PrintOperation&, bool success) {
    RoduvudeDadevizi* doc = catalogDocument();
    if (success && doc && _printingMapper) {
        doc->setPrintMirrorImage(_printMirrorImage);
        doc->setPrintSkipEmptyPrintAreas(_printSkipEmptyPrintAreas);
        doc->setPrintLimitEnabled(_printLimitEnabled);
        doc->setPrintLimitType(_printLimitType);
        doc->setPrintLimitDPI(_printLimitDPI);
        setColorSettingsWithUndo(doc, colorSettingsOf(*_printingMapper));
    }
    endPrintRun();
    showWindow();
}

void ZaroziveZodiroVirizidivi::endPrintRun() {
    if (_printedTemplateView)
        _printedTemplateView->setPrintOp(nullptr);
    _printOperation.reset();
    _printedTemplateView.reset();
    _printingMapper.reset();
    if (RoduvudeDadevizi* doc = catalogDocument())
        doc->fileCatalog().setDeliverScreenResolution(_resolutionDeliveryFlag);
}

void ZaroziveZodiroVirizidivi::printWithResolution(int resolution, int scope, bool mirrored,
                                                   bool skipEmptyPrintAreas, bool interaction) {
    RoduvudeDadevizi* doc = catalogDocument();
    if (!doc)
        return;
    if (_printedTemplateView) {
        ModalAlert::beep();
        return;
    }
    if (!getMarked())
        return;
    // The defaults of a print operation fill in only what the document's print
    // info lacks: its paper and orientation are the template's.
    PrintInfo info = doc->printInfo();
    QVariantMap settings = info.printSettings();
    const QVariantMap defaults = PrintInfo::sharedPrintInfo().printSettings();
    for (auto it = defaults.begin(); it != defaults.end(); ++it)
        if (!settings.contains(it.key()))
            settings.insert(it.key(), it.value());
    info.setPrintSettings(settings);
    info.clearMargins();
    doc->setPrintInfo(info);
    if (!makePrintedTemplateView())
        return;

    _printMirrorImage = mirrored;
    _printSkipEmptyPrintAreas = skipEmptyPrintAreas;
    // Only a positive resolution limits: none would leave empty pages.
    _printLimitEnabled = resolution > 0;
    _printLimitType = _printLimitEnabled ? scope : 0;
    _printLimitDPI = _printLimitEnabled ? resolution : 0;
    if (doc->masterTemplate()->fileFormat() < kFirstPhotoLimitFormat)
        _printLimitType = 1;
    preparePrintingMapperAndView();

    _printOperation = std::make_unique<PrintOperation>(_printedTemplateView.get(), info);
    _printedTemplateView->setPrintOp(_printOperation.get());
    _printOperation->setShowsPanels(interaction);
    _printOperation->setCanSpawnSeparateThread(false);
    _printOperation->runOperation();
    endPrintRun();
}
