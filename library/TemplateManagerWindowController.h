#pragma once

#include "documents/VQViewSwitch.h"
#include "library/TemplateButtonCell.h"
#include "library/TemplateExchange.h"
#include "library/TemplateHandle.h"
#include "library/VQMenuDelegate.h"
#include "library/VQToolTipTableView.h"
#include "platform/ui/PaletteController.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QUrl>
#include <QVariantMap>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

class Document;
class DurevedeDudiruVorudu;
class NewTemplateManager;
class Notification;
class QAction;
class QComboBox;
class QDialog;
class QLabel;
class QLineEdit;
class QMenu;
class QImage;
class QProgressBar;
class QPushButton;
class QScrollArea;
class QStackedWidget;
class QTabWidget;
class QTimer;
class QToolButton;
class VQDragMatrix;

// User defaults of the window, written when it closes and read at set-up.
inline constexpr char kTemplateManagerActivePanelKey[] = "templateManagerActivePanelKey";
inline constexpr char kTemplateManagerPreviewStateKey[] = "templateManagerPreviewStateKey";
inline constexpr char kTemplateManagerInstalledViewKey[] = "templateManagerInstalledViewKey";
inline constexpr char kTemplateManagerCategoryKey[] = "templateManagerCategoryKey";
inline constexpr char kTemplateManagerFrameName[] = "_template_manager_window";
inline constexpr char kTemplateManagerFilterKey[] = "templateManagerFilterKey";
inline constexpr char kTemplateManagerLastExchangeIgnoreDateKey[] =
    "templateManagerLastExchangeIgnoreDateKey";

// Tags of the installed panel's action menu.
enum TemplateManagerItemTag {
    kAddTemplateTag = 1000,
    kNewTemplateTag = 1001,
    kEditTemplateTag = 1002,
    kDuplicateTemplateTag = 1003,
    kMakeDefaultTemplateTag = 1004,
    kRemoveTemplateTag = 1005,
    kApplyTemplateTag = 1006,
    kExchangePreviewTag = 2001,
    kExchangeInstallOneTag = 2002,
    kExchangeInstallTag = 2003,
    kExchangeAcknowledgeTag = 2004,
};

// A template asked for from the exchange, and what became of it.
struct ExchangeDownload {
    QString displayName;
    QString location;
    qint64 fileSize = 0;
    enum Status { Downloading = 1, Finished = 2, Failed = 3 };
    Status status = Downloading;
    QString destinationPath;
    qint64 bytesReceived = 0;
    // Why it failed, for the report.
    QString reason;
};

// The shared template manager window: the installed templates of one chosen
// category as a list or as an icon grid, the selected one's information and
// preview, and the commands on them. The window's contents are made on the
// first request for it; the slow part of that set-up (reading every
// template's properties and thumbnail) runs on a worker thread, and a 0.1 s
// watch builds the views on the main thread when the worker is done. A show
// asked for meanwhile waits for the watch.
class TemplateManagerWindowController : public QObject,
                                        public PaletteController,
                                        public VQViewSwitchDelegate,
                                        public VQTableDataSource,
                                        public VQMenuDelegate {
    Q_OBJECT

public:
    static constexpr int kIconCellWidth = 104;
    static constexpr int kIconCellHeight = 120;

    static TemplateManagerWindowController* sharedTemplateManagerController();
    // The application uses the shared window; a test may make one of its own.
    TemplateManagerWindowController();
    ~TemplateManagerWindowController() override;

    // Asks the template exchange what changed since the last check and offers the
    // user to look now or later. Main thread only.
    void checkForExchangeUpdates();
    // One question to the exchange, asked on a worker; false without a connection.
    bool exchangeHasUpdatedTemplates();
    // Starts a list update; Ctrl+Alt+Shift held asks for the developers' lists.
    void exchangeCheckForUpdates();
    bool isUpdatingList() const { return _threadSpawned; }
    // The exchange's address (user default "templateManagerExchangeURLKey").
    QUrl exchangeURL() const;
    // Whether the exchange's host can be reached; tests replace it.
    std::function<bool(const QUrl&)> internetConnected;
    // How long one exchange call or image may take.
    long exchangeTimeoutMs = 60000;

    // The exchange panel.
    QVariantList masterExchangeList() const { return _masterExchangeList.value_or(QVariantList()); }
    bool hasMasterExchangeList() const { return _masterExchangeList.has_value(); }
    const QVariantList& exchangeInfo();
    QVariantList buildFilteredExchangeList();
    QStringList exchangeTemplateCategories() const;
    void refreshExchangeFilterMenu();
    void exchangeFilterChanged();
    void exchangeSelectionChanged();
    void updateExchangeButtons();
    void exchangePreviewTemplate();
    void exchangeInstallTemplate();
    void exchangeIgnoreTemplate();
    void exchangeAcknowledgeTemplate();

    // Downloads and installation.
    void installTemplates();
    void initiateTemplatesDownload(const QList<ExchangeDownload>& requests,
                                   const QStringList& replaceIDs);
    bool filesAreDownloading() const;
    void doProgressCancel();
    const QList<ExchangeDownload>& failedTemplateDownloads() const {
        return _failedTemplateDownloads;
    }
    QString tempDownloadFolderPath() const { return _tempDownloadFolderPath; }

    void activate() override;
    // Also while a show waits for the set-up to end.
    bool isActivated() const override;
    void resetPosition(const Notification& notification) override;

    // Loads the window's contents when not yet done (starting the set-up).
    void loadWindow();
    bool isSetUpComplete() const {
        return _awakeFromNibThreadComplete && !_awakeFromNibThreadSpawned;
    }

    // Category and list.
    void templateCategoryChanged(QObject* sender);
    void templateSetChanged(const Notification& notification);
    void refreshTemplateSet();
    void activeTemplateChanged(const Notification& notification);
    void applicationActivated(const Notification& notification);
    QString lastChosenCategory() const { return _lastChosenCategory; }

    // Information display.
    void templateSelectionChanged();
    void iconSelectionChanged();
    void updateIconSelectionInfo();

    // Views.
    void viewSwitchSelectionChanged(VQViewSwitch* sender) override;
    void switchView(int tag);
    void buildIconMatrix();
    void iconMatrixShouldResize();
    void listPreviewToggled();
    int installedSelectedIdx() const;
    void setInstalledSelectedIdx(int index);
    // The front catalog window's template; null without one.
    static TemplateHandleRef mainDocumentTemplate();
    static QString makeBlandStringFromString(const QString& text);

    bool validateMenuItem(QAction& item) const;
    QMenu* menuForEvent(QContextMenuEvent* event) override;

    // The list's data source.
    int numberOfRowsInTableView(VQToolTipTableView* table) override;
    QVariant tableViewObjectValueForTableColumnRow(VQToolTipTableView* table, const QString& column,
                                                   int row) override;
    QString tableViewToolTipForTableColumnRow(VQToolTipTableView* table, const QString& column,
                                              int row) override;
    bool tableViewWriteRowsToPasteboard(VQToolTipTableView* table, const QList<int>& rows,
                                        PasteboardData& pasteboard) override;
    void tableViewSelectionDidChange(VQToolTipTableView* table) override;

    // Commands.
    void addTemplate();
    void deferedTemplateAdd();
    void newTemplate();
    void duplicateTemplate();
    // The create panel for the request (keys "category", "name", "creator",
    // "description", "op_title", "op_graphic", "orig_path"); the document
    // made and opened, or null.
    std::shared_ptr<Document> createNewTemplateWithInfo(const QVariantMap& info);
    bool validateChosenTemplateName();
    void updateCreateTemplateState();
    static QString newUniqueTemplatWithNameAtPath(const QString& name, const QString& folder);
    void removeTemplate();
    void makeDefaultTemplate();
    void editTemplate();
    void applyTemplate();

    // Outlets.
    QTabWidget* tabPanelView() const { return _tabPanelView; }
    QStackedWidget* tabMainView() const { return _tabMainView; }
    QToolButton* installedActionPopUp() const { return _installedActionPopUp; }
    QMenu* installedActionMenu() const { return _installedActionMenu; }
    VQViewSwitch* installedViewSwitcher() const { return _installedViewSwitcher; }
    QComboBox* installedCategoryMenu() const { return _installedCategoryMenu; }
    QLabel* installedMessageField() const { return _installedMessageField; }
    QWidget* installedListView() const { return _installedListView; }
    VQToolTipTableView* installedTemplatesTable() const { return _installedTemplatesTable; }
    QWidget* installedPreviewView() const { return _installedPreviewView; }
    QToolButton* installedPreviewButton() const { return _installedPreviewButton; }
    QLabel* installedPreviewImageView() const { return _installedPreviewImageView; }
    QWidget* installedInfoView() const { return _installedInfoView; }
    QLabel* installedCategoryField() const { return _installedCategoryField; }
    QLabel* installedVersionField() const { return _installedVersionField; }
    QLabel* installedPaperSizeField() const { return _installedPaperSizeField; }
    QLabel* installedDescriptionField() const { return _installedDescriptionField; }
    QWidget* installedIconView() const { return _installedIconView; }
    QScrollArea* installedIconScrollView() const { return _installedIconScrollView; }
    VQDragMatrix* iconMatrix() const { return _iconMatrix; }
    int iconCount() const { return _iconCount; }
    // The icon scroll view's width for cells: inside its border, beside its scroller.
    int iconContentWidth() const;
    QDialog* createTemplatePanel() const { return _createTemplatePanel; }
    QLineEdit* createNameField() const { return _createNameField; }
    QComboBox* createCategoryComboBox() const { return _createCategoryComboBox; }
    QLineEdit* createCreatorField() const { return _createCreatorField; }
    QLineEdit* createDescriptionField() const { return _createDescriptionField; }
    QLabel* createMainGraphic() const { return _createMainGraphic; }
    QPushButton* createOKButton() const { return _createOKButton; }
    QPushButton* createCancelButton() const { return _createCancelButton; }
    QComboBox* exchangeFilterMenu() const { return _exchangeFilterMenu; }
    QMenu* exchangeActionMenu() const { return _exchangeActionMenu; }
    QPushButton* exchangeCheckButton() const { return _exchangeCheckButton; }
    VQToolTipTableView* exchangeTable() const { return _exchangeTable; }
    QLabel* exchangeMessageField() const { return _exchangeMessageField; }
    QLabel* exchangeCategoryField() const { return _exchangeCategoryField; }
    QLabel* exchangeVersionField() const { return _exchangeVersionField; }
    QLabel* exchangeFileSizeField() const { return _exchangeFileSizeField; }
    QLabel* exchangePaperSizeField() const { return _exchangePaperSizeField; }
    QLabel* exchangeDescriptionField() const { return _exchangeDescriptionField; }
    QLabel* exchangeThumbnailView() const { return _exchangeThumbnailView; }
    QDialog* progressPanel() const { return _progressPanel; }
    QProgressBar* progressBar() const { return _progressBar; }
    QLabel* progressMessage() const { return _progressMessage; }
    QPushButton* progressCancelButton() const { return _progressCancelButton; }
    QDialog* previewWindow() const { return _previewWindow; }
    QLabel* previewImageView() const { return _previewImageView; }
    QDialog* downloadErrorPanel() const { return _downloadErrorPanel; }
    VQToolTipTableView* failedFilesTable() const { return _failedFilesTable; }

protected:
    QPoint defaultOrigin(const QRect& visibleFrame, const QSize& frameSize) const override;
    // The window serves no document: it shows whenever it is activated.
    bool canShow() const override;
    void windowWillClose() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class PaletteController;

    // The set-up worker's reading: a handle of its own for each file, its
    // basic properties and thumbnail read.
    static QList<TemplateHandleRef> readTemplates(const QStringList& paths);

    void awakeFromNib();
    void makeInstalledPanel();
    void makeCreatePanel();
    void awakeFromNibThreadMonitor();
    void finishSetUp();
    void fillCategoryMenu();
    void selectCategoryOrFallBack(const QString& title);
    QList<TemplateHandleRef> templatesOfCategory(const QString& title);
    void loadTemplateInfo();
    TemplateHandleRef selectedTemplate() const;
    TemplateButtonCell prototypeCell() const;
    void layOutSideView();
    void storeDefaults();
    void doCreateTemplate(QObject* sender);

    ExchangeClient makeExchangeClient() const;
    static std::optional<QDateTime> lastExchangeCheckDate();
    void makeExchangePanel();
    void makeProgressPanel();
    void makePreviewWindow();
    void makeDownloadErrorPanel();
    void finishExchangeSetUp();
    void threadMonitor();
    void showProgressSheet(const QString& message);
    void closeProgressSheet();
    void showExchangeDate();
    ExchangeFilter currentExchangeFilter() const;
    QList<int> selectedExchangeRows() const;
    QVariantMap exchangeRecordAt(int row) const;
    int exchangeStatusAt(int row) const;
    // Loads an image off the main thread; `apply` gets it, or the broken globe and
    // false on failure, unless `generation` has moved on meanwhile.
    void loadExchangeImage(const QString& location, int* generation,
                           std::function<void(const QImage&, bool loaded)> apply);
    static QImage brokenGlobe();
    void storeIgnoredList();
    void startNextDownloads();
    void downloadDidFinish(int index, bool ok, const QString& error);
    void downloadReceived(int index, qint64 length);
    void cancelInstall();
    void installDownloadedTemplates();
    // Unpacks one download into `folder`; the template's path, or empty with `reason` set.
    QString extractZipFile(const QString& packedPath, const QString& folder, QString& reason);
    void reportFailedDownloads();
    void advanceProgress(qint64 by);

    NewTemplateManager* _templateManager = nullptr;
    bool _loaded = false;

    QTabWidget* _tabPanelView = nullptr;
    QStackedWidget* _tabMainView = nullptr;
    QToolButton* _installedActionPopUp = nullptr;
    QMenu* _installedActionMenu = nullptr;
    VQViewSwitch* _installedViewSwitcher = nullptr;
    QComboBox* _installedCategoryMenu = nullptr;
    QLabel* _installedMessageField = nullptr;
    QWidget* _installedListView = nullptr;
    VQToolTipTableView* _installedTemplatesTable = nullptr;
    QWidget* _installedSideView = nullptr;
    QWidget* _installedPreviewView = nullptr;
    QToolButton* _installedPreviewButton = nullptr;
    QLabel* _installedPreviewImageView = nullptr;
    QWidget* _installedInfoView = nullptr;
    QLabel* _installedCategoryField = nullptr;
    QLabel* _installedVersionField = nullptr;
    QLabel* _installedPaperSizeField = nullptr;
    QLabel* _installedDescriptionField = nullptr;
    QWidget* _installedIconView = nullptr;
    QScrollArea* _installedIconScrollView = nullptr;

    QDialog* _createTemplatePanel = nullptr;
    QLabel* _createMainGraphic = nullptr;
    QLineEdit* _createNameField = nullptr;
    QComboBox* _createCategoryComboBox = nullptr;
    QLineEdit* _createCreatorField = nullptr;
    QLineEdit* _createDescriptionField = nullptr;
    QPushButton* _createCancelButton = nullptr;
    QPushButton* _createOKButton = nullptr;
    QStringList _deferedTemplateFiles;

    int _curViewTag = -1;
    std::optional<QList<TemplateHandleRef>> _templateInfo;
    VQDragMatrix* _iconMatrix = nullptr;
    int _iconCount = 0;
    int _listPreviewExpandedHeight = 0;
    QString _lastChosenCategory;

    // Set-up worker state. The worker writes only `_workerHandles` and then
    // the completion flag; the main thread reads them after seeing the flag.
    bool _awakeFromNibThreadSpawned = false;
    std::atomic<bool> _awakeFromNibThreadComplete{false};
    bool _deferActivation = false;
    std::thread _worker;
    QList<TemplateHandleRef> _workerHandles;
    QTimer* _watch = nullptr;
    std::recursive_mutex _theLock;

    // Exchange panel.
    QComboBox* _exchangeFilterMenu = nullptr;
    QToolButton* _exchangeActionPopUp = nullptr;
    QMenu* _exchangeActionMenu = nullptr;
    QPushButton* _exchangeCheckButton = nullptr;
    VQToolTipTableView* _exchangeTable = nullptr;
    QLabel* _exchangeMessageField = nullptr;
    QLabel* _exchangeCategoryField = nullptr;
    QLabel* _exchangeVersionField = nullptr;
    QLabel* _exchangeFileSizeField = nullptr;
    QLabel* _exchangePaperSizeField = nullptr;
    QLabel* _exchangeDescriptionField = nullptr;
    QLabel* _exchangeThumbnailView = nullptr;
    QDialog* _progressPanel = nullptr;
    QProgressBar* _progressBar = nullptr;
    QLabel* _progressMessage = nullptr;
    QPushButton* _progressCancelButton = nullptr;
    QDialog* _previewWindow = nullptr;
    QLabel* _previewNameField = nullptr;
    QLabel* _previewCreatorField = nullptr;
    QLabel* _previewCategoryField = nullptr;
    QLabel* _previewDescriptionField = nullptr;
    QLabel* _previewImageView = nullptr;
    QDialog* _downloadErrorPanel = nullptr;
    VQToolTipTableView* _failedFilesTable = nullptr;

    // Exchange list. The worker writes `_workerList` and then `_threadComplete`;
    // the main thread reads the list after seeing the flag.
    std::optional<QVariantList> _masterExchangeList;
    QVariantList _ignoredExchangeList;
    std::optional<QVariantList> _exchangeInfo;
    bool _updatingList = false;
    std::atomic<bool> _abortListUpdate{false};
    bool _threadSpawned = false;
    std::atomic<bool> _threadComplete{false};
    bool _developerMode = false;
    std::thread _listWorker;
    ExchangeClient::ListResult _workerList;
    QTimer* _listWatch = nullptr;
    int _thumbnailGeneration = 0;
    int _previewGeneration = 0;

    // Download batch. One download runs at a time on `_downloadWorker`.
    QList<ExchangeDownload> _downloadsQueue;
    QList<ExchangeDownload> _templatesDownloadInfo;
    QList<ExchangeDownload> _failedTemplateDownloads;
    QStringList _replaceIDs;
    QString _tempDownloadFolderPath;
    std::atomic<bool> _abortInstall{false};
    std::thread _downloadWorker;
    std::thread _checkWorker;
};
