// The template manager window's exchange panel: the exchange's list, its rows
// against the installed templates, and downloading and installing the chosen ones.
#include "catalog/FileAttributeInfo.h"
#include "library/NewTemplateManager.h"
#include "library/TemplateManagerWindowController.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/Geometry.h"
#include "platform/foundation/HostServices.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/system/GzipUnpacker.h"
#include "platform/system/URLFetch.h"
#include "platform/ui/ModalAlert.h"
#include "utilities/FileNameUtilities.h"
#include "utilities/NumberText.h"
#include "utilities/VersionUtilities.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <QUuid>
#include <QVBoxLayout>

namespace {

QString str(const char* text) {
    return QString::fromLatin1(text);
}

QString text(const char* key) {
    return localizedString(QString::fromLatin1(key));
}

constexpr int kListWatchMs = 100;
constexpr int kThumbnailSide = 180;
// Bytes plus three steps for each template: finished, unpacked, installed.
constexpr int kStepsPerTemplate = 3;
constexpr qint64 kMaxDownloadBytes = qint64(256) * 1024 * 1024;
constexpr char kGzipSuffix[] = ".gz";

// Runs `work` on the main thread unless the controller has gone meanwhile.
template <typename Work>
void onMain(QPointer<TemplateManagerWindowController> controller, Work work) {
    QMetaObject::invokeMethod(qApp, [controller, work = std::move(work)]() mutable {
        if (controller)
            work(controller.data());
    });
}

QString recordText(const QVariantMap& record, const char* key) {
    const QVariant value = record.value(str(key));
    return value.isValid() ? value.toString() : text("NA");
}

} // namespace

QUrl TemplateManagerWindowController::exchangeURL() const {
    return QUrl(
        UserDefaults::standardUserDefaults().stringForKey(str(kTemplateManagerExchangeURLKey)));
}

// The periodic check.

ExchangeClient TemplateManagerWindowController::makeExchangeClient() const {
    ExchangeClient client(exchangeURL());
    if (internetConnected)
        client.internetConnected = internetConnected;
    client.timeoutMs = exchangeTimeoutMs;
    return client;
}

std::optional<QDateTime> TemplateManagerWindowController::lastExchangeCheckDate() {
    const QVariant stored = UserDefaults::standardUserDefaults().objectForKey(
        str(kTemplateManagerLastExchangeCheckDateKey));
    if (stored.typeId() != QMetaType::QDateTime)
        return std::nullopt;
    return stored.toDateTime();
}

bool TemplateManagerWindowController::exchangeHasUpdatedTemplates() {
    ExchangeClient client = makeExchangeClient();
    return client.hasUpdatedTemplates(lastExchangeCheckDate());
}

void TemplateManagerWindowController::checkForExchangeUpdates() {
    // The question goes to a worker: a silent exchange must not stop the application.
    if (_checkWorker.joinable())
        return;
    QPointer<TemplateManagerWindowController> self(this);
    _checkWorker = std::thread(
        [self, client = makeExchangeClient(), last = lastExchangeCheckDate()]() mutable {
            const bool changed = client.hasUpdatedTemplates(last);
            onMain(self, [changed](TemplateManagerWindowController* controller) {
                controller->_checkWorker.join();
                UserDefaults& defaults = UserDefaults::standardUserDefaults();
                if (!changed) {
                    defaults.setObjectForKey(QDateTime::currentDateTimeUtc(),
                                             str(kTemplateManagerLastExchangeCheckDateKey));
                    defaults.synchronize();
                    return;
                }
                ModalAlert::Request request(text("EXCHANGE_NEEDS_UPDATE_TITLE"),
                                            text("EXCHANGE_NEEDS_UPDATE_MSG"));
                request.style = ModalAlert::Style::Informational;
                request.defaultButton = text("EXCHANGE_NEEDS_UPDATE_NOW_BUTTON");
                request.alternateButton = text("EXCHANGE_NEEDS_UPDATE_LATER_BUTTON");
                if (ModalAlert::run(request) != ModalAlert::DefaultReturn) {
                    defaults.setObjectForKey(QDateTime::currentDateTimeUtc(),
                                             str(kTemplateManagerLastExchangeIgnoreDateKey));
                    defaults.synchronize();
                    return;
                }
                controller->activate();
                // The window's set-up is a worker of its own; its watch ends it.
                const auto whenReady = std::make_shared<std::function<void()>>();
                QPointer<TemplateManagerWindowController> guard(controller);
                *whenReady = [guard, whenReady] {
                    if (!guard)
                        return;
                    if (!guard->isSetUpComplete()) {
                        QTimer::singleShot(kListWatchMs, guard, *whenReady);
                        return;
                    }
                    for (int i = 0; i < guard->_tabPanelView->count(); ++i)
                        if (guard->_tabPanelView->widget(i)->objectName() == str("2"))
                            guard->_tabPanelView->setCurrentIndex(i);
                    guard->_tabPanelView->repaint();
                    guard->exchangeCheckForUpdates();
                };
                (*whenReady)();
            });
        });
}

// The panel.

void TemplateManagerWindowController::makeExchangePanel() {
    auto* exchange = new QWidget;
    exchange->setObjectName(str("2"));
    _tabPanelView->addTab(exchange, text("TM_EXCHANGE_TAB"));
    auto* columns = new QHBoxLayout(exchange);
    auto* left = new QVBoxLayout;
    columns->addLayout(left, 1);
    auto* bar = new QHBoxLayout;
    left->addLayout(bar);
    _exchangeFilterMenu = new QComboBox(exchange);
    _exchangeFilterMenu->addItem(text("TM_EXCHANGE_SHOW"));
    _exchangeFilterMenu->addItem(text("NEW_AND_UPDATED"));
    _exchangeFilterMenu->addItem(text("IGNORED"));
    _exchangeFilterMenu->addItem(text("ALL"));
    _exchangeFilterMenu->insertSeparator(4);
    _exchangeFilterMenu->setCurrentIndex(1);
    _exchangeFilterMenu->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    connect(_exchangeFilterMenu, &QComboBox::activated, this, [this](int index) {
        if (index == 0)
            _exchangeFilterMenu->setCurrentIndex(1);
        exchangeFilterChanged();
    });
    bar->addWidget(_exchangeFilterMenu);
    bar->addStretch(1);
    _exchangeCheckButton = new QPushButton(text("TM_EXCHANGE_CHECK"), exchange);
    connect(_exchangeCheckButton, &QPushButton::clicked, this,
            [this] { exchangeCheckForUpdates(); });
    bar->addWidget(_exchangeCheckButton);
    _exchangeActionPopUp = new QToolButton(exchange);
    _exchangeActionPopUp->setIcon(
        QIcon(QPixmap::fromImage(TemplateButtonCell::namedImage(str("TM_Action")).pixels())));
    _exchangeActionPopUp->setPopupMode(QToolButton::InstantPopup);
    _exchangeActionMenu = new QMenu(_exchangeActionPopUp);
    const struct {
        const char* key;
        int tag;
        void (TemplateManagerWindowController::*command)();
    } items[] = {
        {"TM_EXCHANGE_PREVIEW_ITEM", kExchangePreviewTag,
         &TemplateManagerWindowController::exchangePreviewTemplate},
        {"TM_EXCHANGE_INSTALL_ITEM", kExchangeInstallTag,
         &TemplateManagerWindowController::installTemplates},
        {"TM_EXCHANGE_IGNORE_ITEM", kExchangeInstallTag,
         &TemplateManagerWindowController::exchangeIgnoreTemplate},
        {"TM_EXCHANGE_ACKNOWLEDGE_ITEM", kExchangeAcknowledgeTag,
         &TemplateManagerWindowController::exchangeAcknowledgeTemplate},
    };
    for (const auto& item : items) {
        QAction* action = _exchangeActionMenu->addAction(text(item.key));
        action->setData(item.tag);
        connect(action, &QAction::triggered, this,
                [this, command = item.command] { (this->*command)(); });
    }
    connect(_exchangeActionMenu, &QMenu::aboutToShow, this, [this] {
        for (QAction* action : _exchangeActionMenu->actions())
            action->setEnabled(validateMenuItem(*action));
    });
    _exchangeActionPopUp->setMenu(_exchangeActionMenu);
    bar->addWidget(_exchangeActionPopUp);

    _exchangeTable = new VQToolTipTableView(exchange);
    _exchangeTable->addTableColumn(str("status"), text("TM_STATUS_COLUMN"));
    _exchangeTable->addTableColumn(str("name"), text("TM_NAME_COLUMN"));
    _exchangeTable->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    _exchangeTable->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    _exchangeTable->setSelectionMode(QAbstractItemView::ExtendedSelection);
    _exchangeTable->setMenuDelegate(this);
    left->addWidget(_exchangeTable, 1);
    _exchangeMessageField = new QLabel(exchange);
    _exchangeMessageField->setTextFormat(Qt::PlainText);
    left->addWidget(_exchangeMessageField);

    auto* side = new QVBoxLayout;
    columns->addLayout(side);
    _exchangeThumbnailView = new QLabel(exchange);
    _exchangeThumbnailView->setFixedSize(kThumbnailSide + 30, kThumbnailSide);
    _exchangeThumbnailView->setAlignment(Qt::AlignCenter);
    side->addWidget(_exchangeThumbnailView);
    auto* form = new QFormLayout;
    side->addLayout(form);
    const auto field = [exchange, form](const char* key) {
        auto* label = new QLabel(exchange);
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
        label->setMaximumWidth(kThumbnailSide);
        form->addRow(text(key), label);
        return label;
    };
    _exchangeCategoryField = field("TM_CATEGORY_LABEL");
    _exchangeVersionField = field("TM_VERSION_LABEL");
    _exchangeFileSizeField = field("TM_FILE_SIZE_LABEL");
    _exchangePaperSizeField = field("TM_PAPER_SIZE_LABEL");
    _exchangeDescriptionField = field("TM_DESCRIPTION_LABEL");
    side->addStretch(1);

    makeProgressPanel();
    makePreviewWindow();
    makeDownloadErrorPanel();
}

void TemplateManagerWindowController::makeProgressPanel() {
    _progressPanel = new QDialog(window());
    _progressPanel->setWindowModality(Qt::WindowModal);
    auto* layout = new QVBoxLayout(_progressPanel);
    _progressMessage = new QLabel(_progressPanel);
    _progressMessage->setTextFormat(Qt::PlainText);
    layout->addWidget(_progressMessage);
    _progressBar = new QProgressBar(_progressPanel);
    _progressBar->setMinimumWidth(320);
    _progressBar->setTextVisible(false);
    layout->addWidget(_progressBar);
    _progressCancelButton = new QPushButton(text("CANCEL"), _progressPanel);
    layout->addWidget(_progressCancelButton, 0, Qt::AlignRight);
    connect(_progressCancelButton, &QPushButton::clicked, this, [this] { doProgressCancel(); });
    // Escape and the close box are the Cancel button.
    connect(_progressPanel, &QDialog::rejected, this, [this] {
        if (_threadSpawned || filesAreDownloading())
            doProgressCancel();
    });
}

void TemplateManagerWindowController::makePreviewWindow() {
    _previewWindow = new QDialog(window());
    auto* layout = new QVBoxLayout(_previewWindow);
    _previewImageView = new QLabel(_previewWindow);
    _previewImageView->setAlignment(Qt::AlignCenter);
    _previewImageView->setMinimumSize(320, 240);
    layout->addWidget(_previewImageView, 1);
    auto* form = new QFormLayout;
    layout->addLayout(form);
    const auto field = [this, form](const char* key) {
        auto* label = new QLabel(_previewWindow);
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
        form->addRow(text(key), label);
        return label;
    };
    _previewNameField = field("TM_NAME_LABEL");
    _previewCreatorField = field("TM_CREATOR_LABEL");
    _previewCategoryField = field("TM_CATEGORY_LABEL");
    _previewDescriptionField = field("TM_DESCRIPTION_LABEL");
    auto* install = new QPushButton(text("TM_EXCHANGE_INSTALL_ITEM"), _previewWindow);
    connect(install, &QPushButton::clicked, this, [this] { exchangeInstallTemplate(); });
    layout->addWidget(install, 0, Qt::AlignRight);
}

void TemplateManagerWindowController::makeDownloadErrorPanel() {
    _downloadErrorPanel = new QDialog(window());
    _downloadErrorPanel->setWindowModality(Qt::WindowModal);
    _downloadErrorPanel->setWindowTitle(text("DOWNLOAD_FAILED_ERROR_TITLE"));
    auto* layout = new QVBoxLayout(_downloadErrorPanel);
    auto* message = new QLabel(text("DOWNLOADS_FAILED_MSG"), _downloadErrorPanel);
    layout->addWidget(message);
    _failedFilesTable = new VQToolTipTableView(_downloadErrorPanel);
    _failedFilesTable->addTableColumn(str("name"), text("TM_NAME_COLUMN"));
    _failedFilesTable->addTableColumn(str("reason"), text("TM_REASON_COLUMN"));
    _failedFilesTable->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    _failedFilesTable->setMinimumSize(420, 160);
    layout->addWidget(_failedFilesTable);
    auto* ok = new QPushButton(text("OK"), _downloadErrorPanel);
    layout->addWidget(ok, 0, Qt::AlignRight);
    // Dismissing forgets the failures shown.
    connect(ok, &QPushButton::clicked, _downloadErrorPanel, &QDialog::accept);
    connect(_downloadErrorPanel, &QDialog::finished, this,
            [this] { _failedTemplateDownloads.clear(); });
}

void TemplateManagerWindowController::finishExchangeSetUp() {
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    const QVariant stored = defaults.objectForKey(str(kTemplateManagerMasterExchangeListKey));
    if (stored.typeId() == QMetaType::QVariantList)
        _masterExchangeList = stored.toList();
    refreshExchangeFilterMenu();
    _ignoredExchangeList = defaults.arrayForKey(str(kTemplateManagerIgnoredExchangeListKey));
    _exchangeTable->setDataSource(this);
    _exchangeTable->doubleAction = [this] { exchangePreviewTemplate(); };
    _failedFilesTable->setDataSource(this);
    _exchangeTable->reloadData();
    exchangeSelectionChanged();
    showExchangeDate();
    if (defaults.objectForKey(str(kTemplateManagerFilterKey)).isValid()) {
        const int index =
            _exchangeFilterMenu->findText(defaults.stringForKey(str(kTemplateManagerFilterKey)));
        _exchangeFilterMenu->setCurrentIndex(index > 0 ? index : 1);
        exchangeFilterChanged();
    }
}

void TemplateManagerWindowController::showExchangeDate() {
    const QVariant date = UserDefaults::standardUserDefaults().objectForKey(
        str(kTemplateManagerLastExchangeCheckDateKey));
    _exchangeMessageField->setText(
        date.typeId() == QMetaType::QDateTime
            ? TemplateExchange::dateDescription(date.toDateTime().toLocalTime())
            : text("NEVER"));
}

// The list update.

void TemplateManagerWindowController::exchangeCheckForUpdates() {
    if (_threadSpawned || filesAreDownloading())
        return;
    const Qt::KeyboardModifiers developer =
        Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier;
    _developerMode = (QGuiApplication::queryKeyboardModifiers() & developer) == developer;
    _updatingList = true;
    _abortListUpdate = false;
    _progressBar->setRange(0, 0);
    showProgressSheet(text("UPDATING_EXCHANGELIST"));
    _threadSpawned = true;
    _threadComplete = false;
    ExchangeClient client = makeExchangeClient();
    client.abort = &_abortListUpdate;
    const QVariantList old = _masterExchangeList.value_or(QVariantList());
    QPointer<TemplateManagerWindowController> self(this);
    const bool developerMode = _developerMode;
    _listWorker = std::thread([this, self, client, old, developerMode]() mutable {
        ExchangeClient::Progress progress;
        progress.begin = [self](int count) {
            onMain(self, [count](TemplateManagerWindowController* controller) {
                if (controller->_updatingList)
                    controller->_progressBar->setRange(0, std::max(0, count - 1));
            });
        };
        progress.advance = [self] {
            onMain(self, [](TemplateManagerWindowController* controller) {
                if (controller->_updatingList)
                    controller->_progressBar->setValue(controller->_progressBar->value() + 1);
            });
        };
        _workerList = client.getMasterExchangeList(old, developerMode, progress);
        _threadComplete = true;
    });
    _listWatch = new QTimer(this);
    _listWatch->setInterval(kListWatchMs);
    connect(_listWatch, &QTimer::timeout, this, [this] { threadMonitor(); });
    _listWatch->start();
}

void TemplateManagerWindowController::threadMonitor() {
    if (!_threadSpawned || !_threadComplete)
        return;
    _listWatch->stop();
    _listWatch->deleteLater();
    _listWatch = nullptr;
    _listWorker.join();
    const ExchangeClient::ListResult result = std::exchange(_workerList, {});
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    if (result.outcome == ExchangeClient::Outcome::NoConnection) {
        ModalAlert::Request request(text("NO_INTERNET_ERROR_TITLE"), text("NO_INTERNET_ERROR_MSG"));
        request.defaultButton = text("OK");
        ModalAlert::run(request);
    } else if (result.outcome != ExchangeClient::Outcome::Aborted && !_abortListUpdate) {
        if (result.outcome == ExchangeClient::Outcome::Listed) {
            _masterExchangeList = result.list;
            defaults.setObjectForKey(result.list, str(kTemplateManagerMasterExchangeListKey));
            defaults.setObjectForKey(QDateTime::currentDateTimeUtc(),
                                     str(kTemplateManagerLastExchangeCheckDateKey));
        } else {
            _masterExchangeList.reset();
            defaults.removeObjectForKey(str(kTemplateManagerMasterExchangeListKey));
        }
        refreshExchangeFilterMenu();
        defaults.synchronize();
    }
    showExchangeDate();
    closeProgressSheet();
    _threadSpawned = false;
    _abortListUpdate = false;
    _developerMode = false;
    exchangeFilterChanged();
}

void TemplateManagerWindowController::showProgressSheet(const QString& message) {
    _progressMessage->setText(message);
    _progressCancelButton->setEnabled(true);
    _progressPanel->show();
}

void TemplateManagerWindowController::closeProgressSheet() {
    _progressPanel->hide();
}

// Rows.

ExchangeFilter TemplateManagerWindowController::currentExchangeFilter() const {
    const QString title = _exchangeFilterMenu->currentText();
    if (title == text("IGNORED"))
        return ExchangeFilter::ignored();
    if (title == text("ALL"))
        return ExchangeFilter::all();
    if (_exchangeFilterMenu->currentIndex() > 4)
        return ExchangeFilter::ofCategory(title);
    return ExchangeFilter::newAndUpdated();
}

QVariantList TemplateManagerWindowController::buildFilteredExchangeList() {
    NewTemplateManager* manager = _templateManager;
    return TemplateExchange::buildFilteredExchangeList(
        _masterExchangeList.value_or(QVariantList()), _ignoredExchangeList, currentExchangeFilter(),
        [manager](const QString& id) -> std::optional<int32_t> {
            const TemplateHandleRef handle = manager->templateWithID(id);
            if (!handle)
                return std::nullopt;
            return handle->version();
        });
}

const QVariantList& TemplateManagerWindowController::exchangeInfo() {
    if (!_exchangeInfo)
        _exchangeInfo = buildFilteredExchangeList();
    return *_exchangeInfo;
}

QStringList TemplateManagerWindowController::exchangeTemplateCategories() const {
    return TemplateExchange::exchangeTemplateCategories(
        _masterExchangeList.value_or(QVariantList()));
}

void TemplateManagerWindowController::refreshExchangeFilterMenu() {
    const QString title = _exchangeFilterMenu->currentText();
    while (_exchangeFilterMenu->count() > 5)
        _exchangeFilterMenu->removeItem(5);
    _exchangeFilterMenu->addItems(exchangeTemplateCategories());
    const int index = _exchangeFilterMenu->findText(title);
    _exchangeFilterMenu->setCurrentIndex(index > 0 ? index : 1);
}

void TemplateManagerWindowController::exchangeFilterChanged() {
    _exchangeInfo = buildFilteredExchangeList();
    _exchangeTable->reloadData();
    _exchangeTable->deselectAll();
    exchangeSelectionChanged();
    updateExchangeButtons();
}

QList<int> TemplateManagerWindowController::selectedExchangeRows() const {
    QList<int> rows;
    if (!_exchangeTable->selectionModel())
        return rows;
    for (const QModelIndex& index : _exchangeTable->selectionModel()->selectedRows())
        if (_exchangeInfo && index.row() < _exchangeInfo->size())
            rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

QVariantMap TemplateManagerWindowController::exchangeRecordAt(int row) const {
    if (!_exchangeInfo || row < 0 || row >= _exchangeInfo->size())
        return {};
    return _exchangeInfo->at(row).toMap().value(str(kExchangeRowInfoKey)).toMap();
}

int TemplateManagerWindowController::exchangeStatusAt(int row) const {
    if (!_exchangeInfo || row < 0 || row >= _exchangeInfo->size())
        return 0;
    return _exchangeInfo->at(row).toMap().value(str(kExchangeRowStatusKey)).toInt();
}

// Information.

QImage TemplateManagerWindowController::brokenGlobe() {
    return TemplateButtonCell::namedImage(str("BrokenGlobe")).pixels();
}

void TemplateManagerWindowController::loadExchangeImage(
    const QString& location, int* generation, std::function<void(const QImage&, bool)> apply) {
    const int asked = ++*generation;
    const QUrl url = QUrl::fromUserInput(location);
    QPointer<TemplateManagerWindowController> self(this);
    const long timeout = exchangeTimeoutMs;
    // Detached: it holds nothing of the controller but the guarded pointer.
    QThread* loader = QThread::create([self, url, asked, generation, apply, timeout] {
        QImage image;
        if (url.scheme() == str("http") || url.scheme() == str("https")) {
            URLFetch::Options options;
            options.timeoutMs = timeout;
            options.maxBytes = 32 * 1024 * 1024;
            const URLFetch::Result fetched = URLFetch::get(url, options);
            if (fetched.ok())
                image.loadFromData(fetched.body);
        }
        onMain(self, [asked, generation, apply, image](TemplateManagerWindowController*) {
            // A picture for a row no longer selected is dropped.
            if (*generation == asked)
                apply(image.isNull() ? brokenGlobe() : image, !image.isNull());
        });
    });
    QObject::connect(loader, &QThread::finished, loader, &QObject::deleteLater);
    loader->start();
}

void TemplateManagerWindowController::exchangeSelectionChanged() {
    const QList<int> rows = selectedExchangeRows();
    QLabel* const fields[] = {_exchangeCategoryField, _exchangeVersionField, _exchangeFileSizeField,
                              _exchangePaperSizeField, _exchangeDescriptionField};
    ++_thumbnailGeneration;
    if (rows.isEmpty()) {
        for (QLabel* field : fields)
            field->clear();
        _exchangeThumbnailView->clear();
    } else {
        const QVariantMap record = exchangeRecordAt(
            _exchangeTable->selectedRow() >= 0 ? _exchangeTable->selectedRow() : rows.first());
        const auto has = [&record](const char* key) { return record.contains(str(key)); };
        _exchangeCategoryField->setText(recordText(record, "template_category"));
        _exchangeVersionField->setText(
            has("template_version")
                ? DecodeVersion(int32_t(record.value(str("template_version")).toLongLong()))
                : text("NA"));
        _exchangeFileSizeField->setText(
            has("template_filesize")
                ? host().fileSizeString(record.value(str("template_filesize")).toLongLong())
                : text("NA"));
        if (has("template_papersize")) {
            const Size size = sizeFromString(record.value(str("template_papersize")).toString());
            _exchangePaperSizeField->setText(UTPaperSizeStr(float(size.width), float(size.height)));
        } else {
            _exchangePaperSizeField->setText(text("NA"));
        }
        _exchangeDescriptionField->setText(
            has("template_description")
                ? makeBlandStringFromString(record.value(str("template_description")).toString())
                : text("NA"));
        const QVariant thumbnail = record.value(str("template_thumbnail"));
        _exchangeThumbnailView->clear();
        if (thumbnail.typeId() == QMetaType::QString) {
            loadExchangeImage(thumbnail.toString(), &_thumbnailGeneration,
                              [this](const QImage& image, bool) {
                                  _exchangeThumbnailView->setPixmap(QPixmap::fromImage(
                                      image.scaled(kThumbnailSide, kThumbnailSide,
                                                   Qt::KeepAspectRatio, Qt::SmoothTransformation)));
                              });
        } else if (thumbnail.typeId() == QMetaType::QImage) {
            _exchangeThumbnailView->setPixmap(QPixmap::fromImage(thumbnail.value<QImage>()));
        }
    }
    updateExchangeButtons();
}

void TemplateManagerWindowController::updateExchangeButtons() {
    if (!selectedExchangeRows().isEmpty())
        return;
    _exchangeDescriptionField->setText(
        _masterExchangeList ? QString() : text("EXCHANGE_UNAVAILABLE_DESCRIPTION"));
    _exchangeThumbnailView->clear();
}

void TemplateManagerWindowController::exchangePreviewTemplate() {
    const int row = _exchangeTable->selectedRow();
    if (row < 0)
        return;
    const QVariantMap record = exchangeRecordAt(row);
    _previewNameField->setText(recordText(record, "template_name"));
    _previewCreatorField->setText(recordText(record, "template_creator"));
    _previewCategoryField->setText(recordText(record, "template_category"));
    _previewDescriptionField->setText(
        record.contains(str("template_description"))
            ? makeBlandStringFromString(record.value(str("template_description")).toString())
            : text("NA"));
    _previewImageView->clear();
    const QString name = recordText(record, "template_name");
    _previewWindow->setWindowTitle(stringWithFormat(text("EXCHANGE_PREVIEW_TITLE"), name));
    const QString location = record.value(str("template_preview")).toString();
    loadExchangeImage(location, &_previewGeneration, [this](const QImage& image, bool loaded) {
        _previewImageView->setPixmap(QPixmap::fromImage(image));
        if (!loaded)
            _previewWindow->setWindowTitle(
                stringWithFormat(text("EXCHANGE_PREVIEW_TITLE"), text("NA")));
    });
    _previewWindow->show();
    _previewWindow->raise();
    _previewWindow->activateWindow();
}

void TemplateManagerWindowController::exchangeInstallTemplate() {
    _previewWindow->hide();
    installTemplates();
}

void TemplateManagerWindowController::storeIgnoredList() {
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    defaults.setObjectForKey(_ignoredExchangeList, str(kTemplateManagerIgnoredExchangeListKey));
    defaults.synchronize();
    exchangeFilterChanged();
}

void TemplateManagerWindowController::exchangeIgnoreTemplate() {
    bool changed = false;
    for (const int row : selectedExchangeRows()) {
        const int status = exchangeStatusAt(row);
        if (status == kExchangeRowUpdated || status == kExchangeRowNew) {
            _ignoredExchangeList.append(_exchangeInfo->at(row));
            changed = true;
        }
    }
    if (changed)
        storeIgnoredList();
}

void TemplateManagerWindowController::exchangeAcknowledgeTemplate() {
    bool changed = false;
    for (const int row : selectedExchangeRows()) {
        if (exchangeStatusAt(row) != kExchangeRowIgnored)
            continue;
        const QString id = TemplateExchange::documentID(exchangeRecordAt(row));
        for (qsizetype i = 0; i < _ignoredExchangeList.size(); ++i) {
            const QVariant entry = _ignoredExchangeList[i];
            if (TemplateExchange::documentID(
                    entry.toMap().value(str(kExchangeRowInfoKey)).toMap()) == id) {
                _ignoredExchangeList.removeAll(entry);
                changed = true;
                break;
            }
        }
    }
    if (changed)
        storeIgnoredList();
}

// Downloads and installation.

void TemplateManagerWindowController::installTemplates() {
    const QList<int> rows = selectedExchangeRows();
    if (rows.isEmpty() || filesAreDownloading() || _threadSpawned)
        return;
    QList<ExchangeDownload> requests;
    QStringList replaceIDs;
    bool updates = false;
    for (const int row : rows) {
        const int status = exchangeStatusAt(row);
        if (status != kExchangeRowUpdated && status != kExchangeRowNew)
            continue;
        const QVariantMap record = exchangeRecordAt(row);
        if (status == kExchangeRowUpdated) {
            updates = true;
            replaceIDs.append(TemplateExchange::documentID(record));
        }
        if (!record.contains(str(kExchangeLocationKey)))
            continue;
        ExchangeDownload request;
        request.displayName = record.value(str(kExchangeNameKey)).toString();
        request.location = record.value(str(kExchangeLocationKey)).toString();
        request.fileSize = std::max<qint64>(0, record.value(str("template_filesize")).toLongLong());
        requests.append(request);
    }
    if (!updates) {
        if (!requests.isEmpty())
            initiateTemplatesDownload(requests, {});
        return;
    }
    ModalAlert::Request request(text("REPLACE_TEMP"), text("REPLACE_TEMP_DESC"));
    request.defaultButton = text("REPLACE");
    request.alternateButton = text("CANCEL");
    QPointer<TemplateManagerWindowController> self(this);
    ModalAlert::beginSheet(window(), request, [self, requests, replaceIDs](int answer) {
        if (self && answer == ModalAlert::DefaultReturn && !requests.isEmpty())
            self->initiateTemplatesDownload(requests, replaceIDs);
    });
}

void TemplateManagerWindowController::initiateTemplatesDownload(
    const QList<ExchangeDownload>& requests, const QStringList& replaceIDs) {
    _tempDownloadFolderPath =
        host().tempFolder() + u'/' + QUuid::createUuid().toString(QUuid::WithoutBraces);
    QDir().mkpath(_tempDownloadFolderPath);
    _updatingList = false;
    _abortInstall = false;
    _replaceIDs = replaceIDs;
    _templatesDownloadInfo.clear();
    _failedTemplateDownloads.clear();
    _downloadsQueue = requests;
    qint64 total = 0;
    for (const ExchangeDownload& request : requests)
        total += request.fileSize;
    // The bar counts in bytes; QProgressBar counts in int, so large batches count kilobytes.
    _progressBar->setRange(0, 0);
    _progressBar->setProperty("lumiskMaximum", kStepsPerTemplate * qint64(requests.size()) + total);
    _progressBar->setProperty("lumiskValue", qint64(0));
    advanceProgress(0);
    showProgressSheet(text("DOWNLOADING_FILES"));
    startNextDownloads();
}

void TemplateManagerWindowController::advanceProgress(qint64 by) {
    const qint64 maximum = _progressBar->property("lumiskMaximum").toLongLong();
    const qint64 value = std::min(maximum, _progressBar->property("lumiskValue").toLongLong() + by);
    _progressBar->setProperty("lumiskValue", value);
    const qint64 scale = maximum > INT_MAX ? maximum / INT_MAX + 1 : 1;
    _progressBar->setRange(0, int(maximum / scale));
    _progressBar->setValue(int(value / scale));
}

bool TemplateManagerWindowController::filesAreDownloading() const {
    for (const ExchangeDownload& record : _templatesDownloadInfo)
        if (record.status == ExchangeDownload::Downloading)
            return true;
    return false;
}

void TemplateManagerWindowController::startNextDownloads() {
    while (!_downloadsQueue.isEmpty() && !_abortInstall) {
        ExchangeDownload request = _downloadsQueue.takeFirst();
        const QUrl url = QUrl::fromUserInput(request.location);
        // The file name is the server's: one safe name in the folder, or none at all.
        const QString name = SafeFileName(
            QUrl::fromPercentEncoding(url.path(QUrl::FullyEncoded).section(u'/', -1).toUtf8()));
        const QString destination =
            QDir(_tempDownloadFolderPath)
                .filePath(UniqueFileNameInFolder(name, _tempDownloadFolderPath));
        if (!url.isValid() || (url.scheme() != str("http") && url.scheme() != str("https")) ||
            !PathIsDirectlyInFolder(destination, _tempDownloadFolderPath)) {
            qWarning("Download failed to start for '%s'\n", qPrintable(request.location));
            advanceProgress(request.fileSize + kStepsPerTemplate);
            continue;
        }
        // The name is taken now, so that the next download of the same name gets another.
        QFile placeholder(destination);
        placeholder.open(QIODevice::WriteOnly | QIODevice::NewOnly);
        placeholder.close();
        request.destinationPath = destination;
        request.status = ExchangeDownload::Downloading;
        const int index = int(_templatesDownloadInfo.size());
        _templatesDownloadInfo.append(request);
        if (_downloadWorker.joinable())
            _downloadWorker.join();
        QPointer<TemplateManagerWindowController> self(this);
        const long timeout = exchangeTimeoutMs;
        _downloadWorker = std::thread([this, self, url, destination, index, timeout] {
            QFile::remove(destination);
            URLFetch::Options options;
            options.timeoutMs = timeout;
            options.maxBytes = kMaxDownloadBytes;
            options.alsoCancelled = &_abortInstall;
            const URLFetch::Result result =
                URLFetch::download(url, destination, options, [self, index](int64_t length) {
                    onMain(self, [index, length](TemplateManagerWindowController* controller) {
                        controller->downloadReceived(index, length);
                    });
                });
            const bool ok = result.ok();
            const QString error = result.error;
            onMain(self, [index, ok, error](TemplateManagerWindowController* controller) {
                controller->downloadDidFinish(index, ok, error);
            });
        });
        return;
    }
    if (!filesAreDownloading())
        installDownloadedTemplates();
}

void TemplateManagerWindowController::downloadReceived(int index, qint64 length) {
    if (index >= _templatesDownloadInfo.size())
        return;
    _templatesDownloadInfo[index].bytesReceived += length;
    advanceProgress(length);
}

void TemplateManagerWindowController::downloadDidFinish(int index, bool ok, const QString& error) {
    if (index >= _templatesDownloadInfo.size() ||
        _templatesDownloadInfo[index].status != ExchangeDownload::Downloading)
        return;
    ExchangeDownload& record = _templatesDownloadInfo[index];
    if (ok) {
        advanceProgress(1);
        record.status = ExchangeDownload::Finished;
    } else {
        advanceProgress(kStepsPerTemplate +
                        std::max<qint64>(0, record.fileSize - record.bytesReceived));
        record.status = ExchangeDownload::Failed;
        record.reason = error;
        qWarning("Download of '%s' has failed with error '%s'.\n", qPrintable(record.location),
                 qPrintable(error.isEmpty() ? str("An error occured during download.") : error));
        _failedTemplateDownloads.append(record);
    }
    if (_abortInstall)
        return;
    startNextDownloads();
}

void TemplateManagerWindowController::doProgressCancel() {
    _progressMessage->setText(text("CANCELING"));
    _progressCancelButton->setEnabled(false);
    if (_updatingList) {
        _abortListUpdate = true;
        return;
    }
    _abortInstall = true;
    cancelInstall();
}

void TemplateManagerWindowController::cancelInstall() {
    // The transfer notices the flag within a moment; its result is then ignored.
    if (_downloadWorker.joinable())
        _downloadWorker.join();
    _templatesDownloadInfo.clear();
    _downloadsQueue.clear();
    installDownloadedTemplates();
}

QString TemplateManagerWindowController::extractZipFile(const QString& packedPath,
                                                        const QString& folder, QString& reason) {
    const auto attributes = LocalFileAttributeInfo::fileAttributesInfoWithPath(folder);
    if (!attributes || !attributes->fileIsDirectory()) {
        reason = text("TM_UNPACK_NO_FOLDER");
        return {};
    }
    const QString unpacked = QDir(folder).filePath(
        str(".unpacking-") + QUuid::createUuid().toString(QUuid::WithoutBraces));
    const GzipUnpacker::Result result = GzipUnpacker::unpackFile(
        packedPath, unpacked, GzipUnpacker::kDefaultMaxOutput, &_abortInstall);
    if (!result.ok) {
        reason = result.error;
        return {};
    }
    // As gunzip restores it: the stored name, else the packed name less ".gz".
    QString name = QFileInfo(result.storedName).fileName();
    if (result.storedName.isEmpty()) {
        name = QFileInfo(packedPath).fileName();
        if (name.endsWith(str(kGzipSuffix)))
            name.chop(int(qstrlen(kGzipSuffix)));
    }
    name = SafeFileName(result.storedName.isEmpty() ? name : result.storedName.section(u'/', -1));
    if (QFileInfo(name).suffix() != str(kTemplateFileExtension)) {
        QFile::remove(unpacked);
        reason = text("TM_UNPACK_NO_TEMPLATE");
        return {};
    }
    const QString target = QDir(folder).filePath(UniqueFileNameInFolder(name, folder));
    if (!PathIsDirectlyInFolder(target, folder) || !QFile::rename(unpacked, target)) {
        QFile::remove(unpacked);
        reason = text("TM_UNPACK_NO_TEMPLATE");
        return {};
    }
    return target;
}

void TemplateManagerWindowController::installDownloadedTemplates() {
    if (filesAreDownloading())
        return;
    if (_downloadWorker.joinable())
        _downloadWorker.join();
    QString unpackFolder;
    QList<std::pair<QString, ExchangeDownload>> templates;
    if (!_templatesDownloadInfo.isEmpty() && !_abortInstall) {
        unpackFolder =
            host().tempFolder() + u'/' + QUuid::createUuid().toString(QUuid::WithoutBraces);
        QDir().mkpath(unpackFolder);
        for (ExchangeDownload& record : _templatesDownloadInfo) {
            if (record.status != ExchangeDownload::Finished)
                continue;
            _progressMessage->setText(stringWithFormat(
                text("PREPARING_FILE"), QFileInfo(record.destinationPath).fileName()));
            QString reason;
            const QString path = extractZipFile(record.destinationPath, unpackFolder, reason);
            if (path.isEmpty()) {
                record.status = ExchangeDownload::Failed;
                record.reason = reason;
                _failedTemplateDownloads.append(record);
            } else {
                templates.append({path, record});
            }
            advanceProgress(1);
            if (_abortInstall) {
                templates.clear();
                break;
            }
        }
    }
    bool installed = false;
    for (const auto& [path, record] : templates) {
        if (_abortInstall)
            break;
        _progressMessage->setText(
            stringWithFormat(text("INSTALLING_FILE"), QFileInfo(path).fileName()));
        _progressMessage->repaint();
        // Only the updates the user agreed to replace may replace a template.
        const TemplateHandleRef incoming = TemplateHandle::templateHandleWithFile(path);
        const QString id = incoming ? incoming->documentID() : QString();
        const bool clash = incoming && _templateManager->templateWithID(id);
        ExchangeDownload failed = record;
        if (!incoming) {
            failed.reason = text("TM_UNPACK_NO_TEMPLATE");
            _failedTemplateDownloads.append(failed);
        } else if (clash && !_replaceIDs.contains(id)) {
            failed.reason = text("TM_INSTALL_CLASH");
            _failedTemplateDownloads.append(failed);
        } else if (_templateManager->installTemplateAtFile(path, clash)) {
            installed = true;
        } else {
            failed.reason = text("TM_INSTALL_FAILED");
            _failedTemplateDownloads.append(failed);
        }
        advanceProgress(1);
    }
    _templatesDownloadInfo.clear();
    _downloadsQueue.clear();
    if (!_tempDownloadFolderPath.isEmpty())
        QDir(_tempDownloadFolderPath).removeRecursively();
    _tempDownloadFolderPath.clear();
    if (!unpackFolder.isEmpty())
        QDir(unpackFolder).removeRecursively();
    // Whatever was left out or cancelled, the batch is over.
    advanceProgress(_progressBar->property("lumiskMaximum").toLongLong());
    closeProgressSheet();
    reportFailedDownloads();
    if (installed)
        exchangeFilterChanged();
}

void TemplateManagerWindowController::reportFailedDownloads() {
    if (_failedTemplateDownloads.size() == 1) {
        const ExchangeDownload failed = _failedTemplateDownloads.takeFirst();
        ModalAlert::Request request(
            text("DOWNLOAD_FAILED_ERROR_TITLE"),
            stringWithFormat(text("DOWNLOAD_FAILED_ERROR_MSG"), failed.displayName) + u'\n' +
                failed.reason);
        request.defaultButton = text("OK");
        ModalAlert::beginSheet(window(), request, [](int) {});
    } else if (_failedTemplateDownloads.size() > 1) {
        _failedFilesTable->reloadData();
        _downloadErrorPanel->show();
    }
}
