#include "library/TemplateManagerWindowController.h"

#include "documents/DurevedeDudiruVorudu.h"
#include "documents/RoduvudeDadevizi.h"
#include "documents/ZaroziveZodiroVirizidivi.h"
#include "layout/TemplateMapper.h"
#include "library/NewTemplateManager.h"
#include "library/VQDragMatrix.h"
#include "platform/foundation/HostServices.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/Notification.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/ui/MainWindowTracker.h"
#include "platform/ui/ModalAlert.h"
#include "platform/ui/Pasteboard.h"
#include "utilities/NumberText.h"
#include "utilities/VersionUtilities.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHash>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLabel>
#include <QMenu>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>
#include <algorithm>

namespace {

QString str(const char* text) {
    return QString::fromLatin1(text);
}

QString text(const char* key) {
    return localizedString(QString::fromLatin1(key));
}

constexpr int kSetUpWatchMs = 100;
// A catalog window settles before its new template is marked.
constexpr int kActiveTemplateDelayMs = 250;
constexpr int kIconLineScroll = 100;
constexpr int kSideWidth = 210;
constexpr int kPreviewHeight = 200;
constexpr int kPreviewGap = 8;
constexpr int kViewSwitchHeight = 22;

QFont smallSystemFont() {
    QFont font = QApplication::font();
    font.setPointSizeF(std::max(8.0, font.pointSizeF() - 2));
    return font;
}

} // namespace

TemplateManagerWindowController*
TemplateManagerWindowController::sharedTemplateManagerController() {
    return sharedInstance<TemplateManagerWindowController>();
}

TemplateManagerWindowController::TemplateManagerWindowController()
    : PaletteController(QStringLiteral("TemplateManagerPanel"), QSize(640, 440)),
      _templateManager(NewTemplateManager::sharedTemplateManager()) {
    // Shown at the first launch; without a title of its own it would pass for
    // a nameless application window.
    window()->setWindowTitle(text("TEMPLATE_MANAGER_WINDOW_TITLE"));

    NotificationCenter& center = NotificationCenter::defaultCenter();
    // Observers may be told on another thread; the views are the main thread's.
    const auto onMain =
        [this](void (TemplateManagerWindowController::*handler)(const Notification&)) {
            return [this, handler](const Notification& notification) {
                const Notification copy = notification;
                QMetaObject::invokeMethod(this, [this, handler, copy] { (this->*handler)(copy); });
            };
        };
    for (const char* name : {kTemplateAddedNotify, kTemplateRemovedNotify, kTemplateReplacedNotify,
                             kTemplateChangedNotify})
        center.addObserver(static_cast<const QObject*>(this), str(name), nullptr,
                           onMain(&TemplateManagerWindowController::templateSetChanged));
    for (const char* name : {kTemplateMapperMasterChangedNotify, kWindowDidBecomeMainNotification})
        center.addObserver(static_cast<const QObject*>(this), str(name), nullptr,
                           onMain(&TemplateManagerWindowController::activeTemplateChanged));
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
                if (state == Qt::ApplicationActive)
                    applicationActivated(Notification(str("NSApplicationDidBecomeActive")));
            });
}

TemplateManagerWindowController::~TemplateManagerWindowController() {
    NotificationCenter::defaultCenter().removeObserver(static_cast<const QObject*>(this));
    if (_worker.joinable())
        _worker.join();
    _abortListUpdate = true;
    _abortInstall = true;
    for (std::thread* thread : {&_listWorker, &_downloadWorker, &_checkWorker})
        if (thread->joinable())
            thread->join();
    for (VQToolTipTableView* table : {_exchangeTable, _failedFilesTable})
        if (table) {
            table->setDataSource(nullptr);
            table->setMenuDelegate(nullptr);
        }
    // The views go with the window, after this part of the controller: they
    // must not call back into it on their way out.
    if (_installedTemplatesTable) {
        _installedTemplatesTable->setDataSource(nullptr);
        _installedTemplatesTable->setMenuDelegate(nullptr);
    }
    if (_installedViewSwitcher)
        _installedViewSwitcher->setDelegate(nullptr);
    delete _createTemplatePanel;
    delete _tabPanelView;
}

QPoint TemplateManagerWindowController::defaultOrigin(const QRect& visibleFrame,
                                                      const QSize& frameSize) const {
    // Bottom right, 2 points from the right edge and 10 above the bottom.
    return {visibleFrame.x() + visibleFrame.width() - frameSize.width() - 2,
            visibleFrame.y() + visibleFrame.height() - frameSize.height() - 10};
}

bool TemplateManagerWindowController::canShow() const {
    return true;
}

// Creation, set-up and showing.

void TemplateManagerWindowController::loadWindow() {
    if (_loaded)
        return;
    _loaded = true;
    awakeFromNib();
}

void TemplateManagerWindowController::activate() {
    loadWindow();
    setFrameAutosaveName(str(kTemplateManagerFrameName));
    if (!isSetUpComplete()) {
        _deferActivation = true;
        return;
    }
    PaletteController::activate();
}

bool TemplateManagerWindowController::isActivated() const {
    return _deferActivation || PaletteController::isActivated();
}

void TemplateManagerWindowController::resetPosition(const Notification&) {
    placeAtDefaultOrigin();
    setFrameAutosaveName(str(kTemplateManagerFrameName));
}

QList<TemplateHandleRef> TemplateManagerWindowController::readTemplates(const QStringList& paths) {
    // Handles of the worker's own: the manager's handles are the main thread's.
    QList<TemplateHandleRef> read;
    for (const QString& path : paths) {
        const TemplateHandleRef handle = TemplateHandle::templateHandleWithFile(path);
        // Templates of the older generation are read through the information
        // cache, which only the main thread may use.
        if (!handle || (handle->fileFormat() & kTemplateFormatFamilyMask) != TemplateFormat2)
            continue;
        handle->thumbnailProxy();
        read.append(handle);
    }
    return read;
}

void TemplateManagerWindowController::awakeFromNib() {
    makeInstalledPanel();
    _awakeFromNibThreadSpawned = true;
    _awakeFromNibThreadComplete = false;
    QStringList paths;
    for (const TemplateHandleRef& handle : _templateManager->unsortedTemplates())
        paths.append(handle->path());
    _worker = std::thread([this, paths] {
        _workerHandles = readTemplates(paths);
        _awakeFromNibThreadComplete = true;
    });
    _watch = new QTimer(this);
    _watch->setInterval(kSetUpWatchMs);
    connect(_watch, &QTimer::timeout, this, [this] { awakeFromNibThreadMonitor(); });
    _watch->start();
}

void TemplateManagerWindowController::awakeFromNibThreadMonitor() {
    if (!_awakeFromNibThreadComplete)
        return;
    _watch->stop();
    _watch->deleteLater();
    _watch = nullptr;
    _worker.join();
    QHash<QString, TemplateHandleRef> read;
    for (const TemplateHandleRef& handle : std::exchange(_workerHandles, {}))
        read.insert(handle->path(), handle);
    for (const TemplateHandleRef& handle : _templateManager->unsortedTemplates())
        if (const TemplateHandleRef loaded = read.value(handle->path()))
            handle->adoptBasicProperties(*loaded);
    finishSetUp();
    _awakeFromNibThreadSpawned = false;
    if (_deferActivation) {
        _deferActivation = false;
        activate();
    }
}

void TemplateManagerWindowController::makeInstalledPanel() {
    QWidget* root = window();
    auto* rootLayout = new QVBoxLayout(root);
    rootLayout->setContentsMargins(6, 6, 6, 6);
    _tabPanelView = new QTabWidget(root);
    rootLayout->addWidget(_tabPanelView);

    auto* installed = new QWidget;
    installed->setObjectName(str("1"));
    _tabPanelView->addTab(installed, text("TM_INSTALLED_TAB"));
    auto* columns = new QHBoxLayout(installed);

    auto* left = new QVBoxLayout;
    columns->addLayout(left, 1);
    auto* bar = new QHBoxLayout;
    left->addLayout(bar);
    _installedCategoryMenu = new QComboBox(installed);
    _installedCategoryMenu->addItem(text("ALL"));
    _installedCategoryMenu->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    connect(_installedCategoryMenu, &QComboBox::activated, this,
            [this] { templateCategoryChanged(_installedCategoryMenu); });
    bar->addWidget(_installedCategoryMenu);
    bar->addStretch(1);
    _installedViewSwitcher = new VQViewSwitch(installed);
    bar->addWidget(_installedViewSwitcher);
    _installedActionPopUp = new QToolButton(installed);
    _installedActionPopUp->setIcon(
        QIcon(QPixmap::fromImage(TemplateButtonCell::namedImage(str("TM_Action")).pixels())));
    _installedActionPopUp->setPopupMode(QToolButton::InstantPopup);
    _installedActionPopUp->setToolButtonStyle(Qt::ToolButtonIconOnly);
    _installedActionMenu = new QMenu(_installedActionPopUp);
    const struct {
        const char* key;
        int tag;
        void (TemplateManagerWindowController::*command)();
    } items[] = {
        {"TM_ADD_ITEM", kAddTemplateTag, &TemplateManagerWindowController::addTemplate},
        {"TM_NEW_ITEM", kNewTemplateTag, &TemplateManagerWindowController::newTemplate},
        {nullptr, 0, nullptr},
        {"TM_EDIT_ITEM", kEditTemplateTag, &TemplateManagerWindowController::editTemplate},
        {"TM_DUPLICATE_ITEM", kDuplicateTemplateTag,
         &TemplateManagerWindowController::duplicateTemplate},
        {"TM_REMOVE_ITEM", kRemoveTemplateTag, &TemplateManagerWindowController::removeTemplate},
        {nullptr, 0, nullptr},
        {"TM_MAKE_DEFAULT_ITEM", kMakeDefaultTemplateTag,
         &TemplateManagerWindowController::makeDefaultTemplate},
        {"TM_APPLY_ITEM", kApplyTemplateTag, &TemplateManagerWindowController::applyTemplate},
    };
    for (const auto& item : items) {
        if (!item.key) {
            _installedActionMenu->addSeparator();
            continue;
        }
        QAction* action = _installedActionMenu->addAction(text(item.key));
        action->setData(item.tag);
        connect(action, &QAction::triggered, this, [this, command = item.command] {
            // Validation decided when the menu opened; a shortcut or a test may act later.
            (this->*command)();
        });
    }
    connect(_installedActionMenu, &QMenu::aboutToShow, this, [this] {
        for (QAction* action : _installedActionMenu->actions())
            if (!action->isSeparator())
                action->setEnabled(validateMenuItem(*action));
    });
    _installedActionPopUp->setMenu(_installedActionMenu);
    bar->addWidget(_installedActionPopUp);

    _tabMainView = new QStackedWidget(installed);
    _tabMainView->setAutoFillBackground(true);
    left->addWidget(_tabMainView, 1);

    _installedListView = new QWidget;
    auto* listLayout = new QVBoxLayout(_installedListView);
    listLayout->setContentsMargins(0, 0, 0, 0);
    _installedTemplatesTable = new VQToolTipTableView(_installedListView);
    _installedTemplatesTable->addTableColumn(str("name"), text("TM_NAME_COLUMN"));
    _installedTemplatesTable->addTableColumn(str("default"), text("TM_DEFAULT_COLUMN"));
    _installedTemplatesTable->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    _installedTemplatesTable->setMenuDelegate(this);
    listLayout->addWidget(_installedTemplatesTable);
    _tabMainView->addWidget(_installedListView);

    _installedIconView = new QWidget;
    auto* iconLayout = new QVBoxLayout(_installedIconView);
    iconLayout->setContentsMargins(0, 0, 0, 0);
    _installedIconScrollView = new QScrollArea(_installedIconView);
    _installedIconScrollView->setFrameShape(QFrame::StyledPanel);
    _installedIconScrollView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    _installedIconScrollView->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    _installedIconScrollView->verticalScrollBar()->setSingleStep(kIconLineScroll);
    _installedIconScrollView->setWidgetResizable(false);
    _installedIconScrollView->installEventFilter(this);
    iconLayout->addWidget(_installedIconScrollView);
    _tabMainView->addWidget(_installedIconView);

    _installedMessageField = new QLabel(installed);
    _installedMessageField->setFont(smallSystemFont());
    _installedMessageField->setTextFormat(Qt::PlainText);
    left->addWidget(_installedMessageField);

    // The preview above the information; both placed by hand, as the
    // disclosure moves the boundary between them.
    _installedSideView = new QWidget(installed);
    _installedSideView->setFixedWidth(kSideWidth);
    _installedSideView->installEventFilter(this);
    columns->addWidget(_installedSideView);
    _installedPreviewView = new QWidget(_installedSideView);
    _installedPreviewView->setGeometry(0, 0, kSideWidth, kPreviewHeight);
    _installedPreviewButton = new QToolButton(_installedPreviewView);
    _installedPreviewButton->setCheckable(true);
    _installedPreviewButton->setChecked(true);
    _installedPreviewButton->setAutoRaise(true);
    _installedPreviewButton->setArrowType(Qt::DownArrow);
    _installedPreviewButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    _installedPreviewButton->setText(text("TM_PREVIEW"));
    _installedPreviewButton->setGeometry(0, 0, kSideWidth, 20);
    connect(_installedPreviewButton, &QToolButton::clicked, this, [this] { listPreviewToggled(); });
    _installedPreviewImageView = new QLabel(_installedPreviewView);
    _installedPreviewImageView->setAlignment(Qt::AlignCenter);
    _installedPreviewImageView->setGeometry(0, 24, kSideWidth, kPreviewHeight - 24);
    _listPreviewExpandedHeight = kPreviewHeight;

    _installedInfoView = new QWidget(_installedSideView);
    auto* form = new QFormLayout(_installedInfoView);
    form->setContentsMargins(0, 0, 0, 0);
    const auto field = [this, form](const char* key) {
        auto* label = new QLabel(_installedInfoView);
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
        form->addRow(text(key), label);
        return label;
    };
    _installedCategoryField = field("TM_CATEGORY_LABEL");
    _installedVersionField = field("TM_VERSION_LABEL");
    _installedPaperSizeField = field("TM_PAPER_SIZE_LABEL");
    _installedDescriptionField = field("TM_DESCRIPTION_LABEL");
    _installedInfoView->setGeometry(0, kPreviewHeight + kPreviewGap, kSideWidth, 200);

    _installedViewSwitcher->addCell(QString(),
                                    TemplateButtonCell::namedImage(str("TM_ListView")).pixels());
    _installedViewSwitcher->addCell(QString(),
                                    TemplateButtonCell::namedImage(str("TM_IconView")).pixels());
    // The switch gives itself its width; the layout keeps it.
    _installedViewSwitcher->setFixedSize(_installedViewSwitcher->width(), kViewSwitchHeight);
    makeExchangePanel();
}

void TemplateManagerWindowController::finishSetUp() {
    _installedCategoryMenu->setFont(smallSystemFont());
    fillCategoryMenu();
    selectCategoryOrFallBack(QString());
    window()->layout()->activate();

    _installedTemplatesTable->setDataSource(this);
    _installedTemplatesTable->doubleAction = [this] { editTemplate(); };
    _installedTemplatesTable->reloadData();
    templateSelectionChanged();

    _curViewTag = 0;
    _tabMainView->setCurrentWidget(_installedListView);
    _installedViewSwitcher->setDelegate(this);
    _installedViewSwitcher->setValue(1);

    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    const qint64 panel = defaults.integerForKey(str(kTemplateManagerActivePanelKey));
    if (panel > 1)
        for (int i = 0; i < _tabPanelView->count(); ++i)
            if (_tabPanelView->widget(i)->objectName() == QString::number(panel))
                _tabPanelView->setCurrentIndex(i);
    const qint64 view = defaults.integerForKey(str(kTemplateManagerInstalledViewKey));
    if (view != 1)
        switchView(int(view));
    const bool open = defaults.integerForKey(str(kTemplateManagerPreviewStateKey)) == 1;
    if (_installedPreviewButton->isChecked() != open) {
        _installedPreviewButton->setChecked(open);
        listPreviewToggled();
    }

    if (defaults.objectForKey(str(kTemplateManagerCategoryKey)).isValid()) {
        const int index = _installedCategoryMenu->findText(
            defaults.stringForKey(str(kTemplateManagerCategoryKey)));
        _installedCategoryMenu->setCurrentIndex(std::max(0, index));
        templateCategoryChanged(nullptr);
    } else {
        buildIconMatrix();
    }
    finishExchangeSetUp();
}

void TemplateManagerWindowController::windowWillClose() {
    PaletteController::windowWillClose();
    _deferActivation = false;
    if (_loaded && isSetUpComplete())
        storeDefaults();
}

void TemplateManagerWindowController::storeDefaults() {
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    const QWidget* shown = _tabPanelView->currentWidget();
    defaults.setIntegerForKey(shown && shown->objectName() == str("2") ? 2 : 1,
                              str(kTemplateManagerActivePanelKey));
    defaults.setIntegerForKey(_installedPreviewButton->isChecked() ? 1 : 0,
                              str(kTemplateManagerPreviewStateKey));
    defaults.setIntegerForKey(std::max(0, _installedViewSwitcher->value()),
                              str(kTemplateManagerInstalledViewKey));
    defaults.setObjectForKey(_installedCategoryMenu->currentText(),
                             str(kTemplateManagerCategoryKey));
    defaults.setObjectForKey(_exchangeFilterMenu->currentText(), str(kTemplateManagerFilterKey));
    defaults.synchronize();
}

// Category and template list.

void TemplateManagerWindowController::fillCategoryMenu() {
    const QSignalBlocker quiet(_installedCategoryMenu);
    while (_installedCategoryMenu->count() > 1)
        _installedCategoryMenu->removeItem(1);
    _installedCategoryMenu->addItems(_templateManager->templateCategories());
}

void TemplateManagerWindowController::selectCategoryOrFallBack(const QString& title) {
    const QSignalBlocker quiet(_installedCategoryMenu);
    int index = title.isNull() ? -1 : _installedCategoryMenu->findText(title);
    if (index < 0) {
        const TemplateHandleRef defaultTemplate = _templateManager->defaultTemplate();
        index = defaultTemplate ? _installedCategoryMenu->findText(defaultTemplate->category()) : 0;
    }
    _installedCategoryMenu->setCurrentIndex(std::max(0, index));
}

QList<TemplateHandleRef>
TemplateManagerWindowController::templatesOfCategory(const QString& title) {
    return title == text("ALL") ? _templateManager->templates()
                                : _templateManager->templatesInCategory(title);
}

void TemplateManagerWindowController::loadTemplateInfo() {
    if (!_templateInfo)
        _templateInfo = templatesOfCategory(_installedCategoryMenu->currentText());
}

void TemplateManagerWindowController::templateCategoryChanged(QObject* sender) {
    const QString title = _installedCategoryMenu->currentText();
    if (sender == _installedCategoryMenu && title == _lastChosenCategory)
        return;
    _lastChosenCategory = title;
    _templateInfo = templatesOfCategory(title);
    {
        const QSignalBlocker quiet(_installedTemplatesTable->selectionModel());
        _installedTemplatesTable->deselectAll();
    }
    _installedTemplatesTable->reloadData();
    templateSelectionChanged();
    buildIconMatrix();
    updateIconSelectionInfo();
}

void TemplateManagerWindowController::templateSetChanged(const Notification&) {
    if (!_loaded || !isSetUpComplete())
        return;
    const QString title = _installedCategoryMenu->currentText();
    fillCategoryMenu();
    selectCategoryOrFallBack(title);
    refreshTemplateSet();
}

void TemplateManagerWindowController::refreshTemplateSet() {
    // Before set-up has ended there is nothing to refresh: set-up reads the
    // current set itself.
    if (!_loaded || !isSetUpComplete())
        return;
    const TemplateHandleRef selected = selectedTemplate();
    if (!selected) {
        templateCategoryChanged(nullptr);
        return;
    }
    const QString documentID = selected->documentID();
    templateCategoryChanged(this);
    for (qsizetype i = 0; i < _templateInfo->size(); ++i)
        if (_templateInfo->at(i)->documentID() == documentID) {
            setInstalledSelectedIdx(int(i));
            break;
        }
    templateSelectionChanged();
}

void TemplateManagerWindowController::activeTemplateChanged(const Notification&) {
    QTimer::singleShot(kActiveTemplateDelayMs, this, [this] { refreshTemplateSet(); });
}

void TemplateManagerWindowController::applicationActivated(const Notification&) {
    if (!_loaded || !isSetUpComplete())
        return;
    QStringList shown;
    for (int i = 1; i < _installedCategoryMenu->count(); ++i)
        shown.append(_installedCategoryMenu->itemText(i));
    if (shown != _templateManager->templateCategories())
        templateSetChanged(Notification(str("NSApplicationDidBecomeActive")));
}

int TemplateManagerWindowController::numberOfRowsInTableView(VQToolTipTableView* table) {
    if (table && table == _exchangeTable)
        return int(exchangeInfo().size());
    if (table && table == _failedFilesTable)
        return int(_failedTemplateDownloads.size());
    if (!_templateInfo) {
        // The wait cursor shows when a large category is slow to list.
        WaitMonitorScope waiting;
        loadTemplateInfo();
    }
    return _templateInfo ? int(_templateInfo->size()) : 0;
}

QVariant TemplateManagerWindowController::tableViewObjectValueForTableColumnRow(
    VQToolTipTableView* table, const QString& column, int row) {
    if (table && table == _exchangeTable) {
        if (row < 0 || row >= exchangeInfo().size())
            return {};
        if (column == str("status"))
            switch (exchangeStatusAt(row)) {
            case kExchangeRowNew:
                return str("N");
            case kExchangeRowUpdated:
                return str("U");
            case kExchangeRowIgnored:
                return str("I");
            default:
                return QString();
            }
        if (column == str("name"))
            return exchangeRecordAt(row).value(str(kExchangeNameKey)).toString();
        return QString();
    }
    if (table && table == _failedFilesTable) {
        if (row < 0 || row >= _failedTemplateDownloads.size())
            return {};
        const ExchangeDownload& failed = _failedTemplateDownloads[row];
        if (column == str("name"))
            return failed.displayName.isEmpty() ? text("UNKNOWN") : failed.displayName;
        return failed.reason;
    }
    loadTemplateInfo();
    if (row < 0 || row >= _templateInfo->size())
        return {};
    const TemplateHandleRef& handle = _templateInfo->at(row);
    if (column == str("name"))
        return handle->name();
    if (column == str("default"))
        return handle == mainDocumentTemplate() ? text("ACTIVE_TEMPLATE") : QString();
    return {};
}

QString
TemplateManagerWindowController::tableViewToolTipForTableColumnRow(VQToolTipTableView* table,
                                                                   const QString& column, int row) {
    if (table && table == _failedFilesTable)
        return {};
    if (table && table == _exchangeTable) {
        if (column != str("name") || row < 0 || row >= exchangeInfo().size())
            return {};
        return exchangeRecordAt(row).value(str(kExchangeNameKey)).toString();
    }
    loadTemplateInfo();
    if (column != str("name") || row < 0 || row >= _templateInfo->size())
        return {};
    return _templateInfo->at(row)->name();
}

bool TemplateManagerWindowController::tableViewWriteRowsToPasteboard(VQToolTipTableView* table,
                                                                     const QList<int>& rows,
                                                                     PasteboardData& pasteboard) {
    if (table && table != _installedTemplatesTable)
        return false;
    loadTemplateInfo();
    const int row = rows.value(0, -1);
    if (row < 0 || row >= _templateInfo->size())
        return false;
    return Pasteboard::setPropertyListForType(pasteboard, _templateInfo->at(row)->documentID(),
                                              str(kDragDropInstalledTemplatePboardType));
}

void TemplateManagerWindowController::tableViewSelectionDidChange(VQToolTipTableView* table) {
    if (table && table == _exchangeTable) {
        exchangeSelectionChanged();
        return;
    }
    if (table && table == _failedFilesTable)
        return;
    templateSelectionChanged();
}

// Icon grid.

int TemplateManagerWindowController::iconContentWidth() const {
    return _installedIconScrollView->width() - 2 * _installedIconScrollView->frameWidth() -
           _installedIconScrollView->verticalScrollBar()->sizeHint().width();
}

TemplateButtonCell TemplateManagerWindowController::prototypeCell() const {
    TemplateButtonCell prototype;
    prototype.setTitle(str("A Button"));
    prototype.setImage(TemplateButtonCell::namedImage(text("VARN_LOGO")));
    prototype.setEnabled(false);
    return prototype;
}

void TemplateManagerWindowController::buildIconMatrix() {
    const std::lock_guard<std::recursive_mutex> held(_theLock);
    delete _installedIconScrollView->takeWidget();
    _iconMatrix = nullptr;
    const QList<TemplateHandleRef> templates =
        templatesOfCategory(_installedCategoryMenu->currentText());
    _iconCount = int(templates.size());
    if (_iconCount == 0) {
        updateIconSelectionInfo();
        return;
    }
    const int columns = std::max(1, iconContentWidth() / kIconCellWidth);
    const int rows = (_iconCount + columns - 1) / columns;
    _iconMatrix = new VQDragMatrix;
    _iconMatrix->setCellSize({kIconCellWidth, kIconCellHeight});
    _iconMatrix->renewRowsColumns(rows, columns, prototypeCell());
    _iconMatrix->sizeToCells();
    _iconMatrix->action = [this] { iconSelectionChanged(); };
    _iconMatrix->doubleAction = [this] { editTemplate(); };
    _iconMatrix->setMenuDelegate(this);
    const TemplateHandleRef master = mainDocumentTemplate();
    const TemplateHandleRef defaultTemplate = _templateManager->defaultTemplate();
    const QString defaultName = defaultTemplate ? defaultTemplate->fileName() : QString();
    QRect remembered;
    for (int i = 0; i < _iconCount; ++i) {
        const TemplateHandleRef& handle = templates[i];
        TemplateButtonCell& cell = _iconMatrix->cells()[i];
        cell.setImage(handle->thumbnailProxy());
        cell.setTitle(handle->name());
        cell.setFileName(handle->fileName());
        cell.setCategory(handle->category());
        cell.setDocumentID(handle->documentID());
        cell.setDescription(handle->description());
        cell.setEnabled(true);
        cell.setTag(i + 1);
        cell.setDrawsCheckmark(handle == master);
        if (!defaultName.isEmpty() && handle->fileName() == defaultName) {
            _iconMatrix->selectCellAtIndex(i);
            remembered = _iconMatrix->selectedCellFrame();
        }
    }
    _iconMatrix->installEventFilter(this);
    updateIconSelectionInfo();
    _installedIconScrollView->setWidget(_iconMatrix);
    _installedIconScrollView->verticalScrollBar()->setSingleStep(kIconLineScroll);
    if (remembered.isValid())
        _installedIconScrollView->ensureVisible(remembered.center().x(), remembered.center().y(),
                                                remembered.width() / 2, remembered.height() / 2);
}

void TemplateManagerWindowController::iconMatrixShouldResize() {
    const std::lock_guard<std::recursive_mutex> held(_theLock);
    if (!_iconMatrix)
        return;
    _iconMatrix->reflowToColumns(std::max(1, iconContentWidth() / kIconCellWidth), _iconCount,
                                 prototypeCell());
}

// Cell tool tips: the template's name over its description.
bool TemplateManagerWindowController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == _installedIconScrollView && event->type() == QEvent::Resize && isSetUpComplete())
        iconMatrixShouldResize();
    else if (watched == _installedSideView && event->type() == QEvent::Resize)
        layOutSideView();
    else if (_iconMatrix && watched == _iconMatrix && event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const int columns = _iconMatrix->numberOfColumns();
        const QPoint at = help->pos();
        const int column = at.x() / kIconCellWidth;
        const int row = at.y() / kIconCellHeight;
        const TemplateButtonCell* cell =
            column < columns ? _iconMatrix->cellAtRowColumn(row, column) : nullptr;
        if (cell && cell->isEnabled())
            QToolTip::showText(help->globalPos(), cell->title() + u'\n' + cell->description(),
                               _iconMatrix);
        else
            QToolTip::hideText();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

// Switching views.

void TemplateManagerWindowController::viewSwitchSelectionChanged(VQViewSwitch* sender) {
    const int value = sender->value();
    if (value == _curViewTag)
        return;
    _curViewTag = value;
    if (value == 0) {
        _tabMainView->setCurrentWidget(_installedListView);
        templateSelectionChanged();
    } else if (value == 1) {
        _tabMainView->setCurrentWidget(_installedIconView);
        iconSelectionChanged();
    }
}

void TemplateManagerWindowController::switchView(int tag) {
    _installedViewSwitcher->setValue(tag);
}

// Information display.

QString TemplateManagerWindowController::makeBlandStringFromString(const QString& text) {
    QString bland = text;
    for (const QChar c : {u'\r', u'\n', u'\t', u'\f'})
        bland.replace(c, u' ');
    return bland;
}

TemplateHandleRef TemplateManagerWindowController::selectedTemplate() const {
    const int index = installedSelectedIdx();
    if (index < 0 || !_templateInfo || index >= _templateInfo->size())
        return nullptr;
    return _templateInfo->at(index);
}

void TemplateManagerWindowController::templateSelectionChanged() {
    const int row = _installedTemplatesTable->selectedRow();
    const TemplateHandleRef handle =
        row >= 0 && _templateInfo && row < _templateInfo->size() ? _templateInfo->at(row) : nullptr;
    if (!handle) {
        for (QLabel* field : {_installedCategoryField, _installedVersionField,
                              _installedPaperSizeField, _installedDescriptionField})
            field->clear();
        _installedPreviewImageView->clear();
    } else {
        _installedCategoryField->setText(handle->category());
        _installedVersionField->setText(DecodeVersion(handle->version()));
        const Size size = handle->pageRect().size;
        _installedPaperSizeField->setText(UTPaperSizeStr(size.width, size.height));
        _installedDescriptionField->setText(makeBlandStringFromString(handle->description()));
        // The thumbnail's pixels are stored as they show: no mirroring here.
        _installedPreviewImageView->setPixmap(
            QPixmap::fromImage(handle->thumbnailProxy().pixels()));
    }
    _installedMessageField->clear();
}

void TemplateManagerWindowController::iconSelectionChanged() {
    updateIconSelectionInfo();
}

void TemplateManagerWindowController::updateIconSelectionInfo() {
    const TemplateButtonCell* cell =
        _curViewTag == 1 && _iconMatrix ? _iconMatrix->selectedCell() : nullptr;
    if (cell)
        _installedMessageField->setText(makeBlandStringFromString(cell->description()));
    else
        _installedMessageField->clear();
}

int TemplateManagerWindowController::installedSelectedIdx() const {
    if (_curViewTag != 1)
        return _installedTemplatesTable->selectedRow();
    const TemplateButtonCell* cell = _iconMatrix ? _iconMatrix->selectedCell() : nullptr;
    return cell ? cell->tag() - 1 : -1;
}

void TemplateManagerWindowController::setInstalledSelectedIdx(int index) {
    if (_curViewTag != 1) {
        _installedTemplatesTable->selectRowIndex(index);
        return;
    }
    if (_iconMatrix && _iconMatrix->selectCellWithTag(index + 1)) {
        const QRect frame = _iconMatrix->selectedCellFrame();
        _installedIconScrollView->ensureVisible(frame.center().x(), frame.center().y(),
                                                frame.width() / 2, frame.height() / 2);
    }
}

// Preview disclosure.

void TemplateManagerWindowController::listPreviewToggled() {
    // Screen coordinates, y downward: the preview's top edge stays, the
    // information below it takes up the difference, the gap stays.
    const QRect preview = _installedPreviewView->geometry();
    const QRect info = _installedInfoView->geometry();
    const int gap = info.top() - (preview.top() + preview.height());
    int height = _listPreviewExpandedHeight;
    if (!_installedPreviewButton->isChecked()) {
        // Only the strip down to the button's bottom edge, plus 1 point.
        const QRect button = _installedPreviewButton->geometry();
        height = button.top() + button.height() + 1;
        _listPreviewExpandedHeight = preview.height();
    }
    _installedPreviewButton->setArrowType(_installedPreviewButton->isChecked() ? Qt::DownArrow
                                                                               : Qt::RightArrow);
    _installedPreviewView->setGeometry(preview.left(), preview.top(), preview.width(), height);
    const int infoTop = preview.top() + height + gap;
    _installedInfoView->setGeometry(info.left(), infoTop, info.width(),
                                    info.top() + info.height() - infoTop);
    _installedPreviewView->update();
    _installedInfoView->update();
    _installedListView->update();
}

void TemplateManagerWindowController::layOutSideView() {
    // The information runs to the bottom of the side column.
    const QRect info = _installedInfoView->geometry();
    _installedInfoView->setGeometry(info.left(), info.top(), _installedSideView->width(),
                                    std::max(0, _installedSideView->height() - info.top()));
}

// The front catalog window.

TemplateHandleRef TemplateManagerWindowController::mainDocumentTemplate() {
    auto* window =
        qobject_cast<DurevedeDudiruVorudu*>(MainWindowTracker::sharedTracker().mainWindow());
    ZaroziveZodiroVirizidivi* controller = window ? window->controller() : nullptr;
    RoduvudeDadevizi* document = controller ? controller->catalogDocument() : nullptr;
    return document ? document->masterTemplate() : nullptr;
}

// Menus.

bool TemplateManagerWindowController::validateMenuItem(QAction& item) const {
    if (ModalAlert::hasAttachedSheet(window()) ||
        (_createTemplatePanel && ModalAlert::hasAttachedSheet(_createTemplatePanel)))
        return false;
    const int tag = item.data().toInt();
    const TemplateHandleRef selected = selectedTemplate();
    switch (tag) {
    case kEditTemplateTag:
    case kDuplicateTemplateTag:
    case kRemoveTemplateTag:
        return selected != nullptr;
    case kMakeDefaultTemplateTag: {
        if (!selected)
            return false;
        const TemplateHandleRef current = _templateManager->defaultTemplate();
        return !current || selected->fileName() != current->fileName();
    }
    case kExchangePreviewTag: {
        const int row = _exchangeTable->selectedRow();
        return row >= 0 && exchangeRecordAt(row).contains(str("template_preview"));
    }
    case kExchangeInstallOneTag: {
        const int status = exchangeStatusAt(_exchangeTable->selectedRow());
        return status == kExchangeRowUpdated || status == kExchangeRowNew;
    }
    case kExchangeInstallTag:
    case kExchangeAcknowledgeTag:
        for (const int row : selectedExchangeRows()) {
            const int status = exchangeStatusAt(row);
            if (tag == kExchangeAcknowledgeTag
                    ? status == kExchangeRowIgnored
                    : status == kExchangeRowUpdated || status == kExchangeRowNew)
                return true;
        }
        return false;
    case kApplyTemplateTag:
        return selected && qobject_cast<DurevedeDudiruVorudu*>(
                               MainWindowTracker::sharedTracker().mainWindow()) != nullptr;
    default:
        return true;
    }
}

QMenu* TemplateManagerWindowController::menuForEvent(QContextMenuEvent*) {
    const QWidget* shown = _tabPanelView->currentWidget();
    if (shown && shown->objectName() == str("1"))
        return _installedActionMenu;
    if (shown && shown->objectName() == str("2"))
        return _exchangeActionMenu;
    return nullptr;
}
