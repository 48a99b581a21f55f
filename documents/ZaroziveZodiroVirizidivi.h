#pragma once

#include "documents/CatalogPanel.h"
#include "documents/PrintOptionsController.h"
#include "documents/TextEditorWindowController.h"
#include "documents/VQViewSwitch.h"
#include "platform/documents/WindowController.h"
#include "platform/foundation/Geometry.h"
#include "platform/ui/Commands.h"
#include "platform/ui/ModalAlert.h"
#include "platform/ui/ProgressSheet.h"

#include <QPoint>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class ColorProfileHandle;
class Exporter;
class Image;
class Notification;
class PhotoView;
class PrintOperation;
class QAction;
class QTimer;
class TemplateMapper;
class TemplateView;
class VQFileCatalog;
class VQFileCatalogScrollView;

class DurevedeDudiruVorudu;
class QCheckBox;
class QComboBox;
class QDialog;
class QDockWidget;
class QKeyEvent;
class QLabel;
class QMimeData;
class QPushButton;
class RoduvudeDadevizi;

// The window of a catalog document, as far as its output commands and the
// thumbnail grid need it: the grid in the drawer with its heartbeat, the
// commands its menus and the arrow keys lead to, and the photos dropped on it.
//
// Print to disk: the folder sheet with its accessory controls, and the batch that
// writes every print area of every page holding a photo as a numbered image file.
// The running number is kept in ".ptdCounter" in the user's folder, shared by all
// documents; it only grows and is saved after every file, so a batch that stops
// part way never hands a number out twice.
//
// Print: a private view over a copy of the document's layout is printed, so that
// what is tried in the print panel leaves the window alone. An interactive run may
// draw its pages on a worker thread; the document, its catalog and the window are
// changed only before the run starts and in its end, on the main thread. The run's
// fields are one set per window, so a second print while one runs only beeps.
//
// The layout sheets: print options (arrangement and scaling, through a working
// copy that the document takes at the sheet's end), the text editor and the
// template chooser.
class ZaroziveZodiroVirizidivi : public WindowController,
                                 public PrintOptionsCaller,
                                 public CommandResponder,
                                 public VQViewSwitchDelegate {
    Q_OBJECT

public:
    // Base name of the files of the command and of the scripted entry's default.
    static constexpr char kDefaultBaseName[] = "Vyx_Photo";

    // The window is made when none is given.
    explicit ZaroziveZodiroVirizidivi(QWidget* window = nullptr);
    ~ZaroziveZodiroVirizidivi() override;

    RoduvudeDadevizi* catalogDocument() const;

    // The grid: the catalog window's, null in a window of another kind.
    VQFileCatalogScrollView* fileCatalogScrollView() const;
    // Cell size of the grid and period of its heartbeat.
    static constexpr float kGridCellSize = 92;
    static constexpr int kHeartbeatMs = 500;
    // Set-up once the document is set: the grid shows the document's catalog in
    // 92 x 92 cells and gets its heartbeat; files and URLs dropped or located
    // are received.
    void setUpCatalogWindow();

    // The selected entries; null for none.
    std::optional<QList<int>> getSelection() const;
    // Every entry; null for none.
    std::optional<QList<int>> getAllIndices() const;
    // Whether at least one selected entry is enabled, disabled, from a URL, a file.
    bool isSelectionEnabled() const;
    bool isSelectionDisabled() const;
    bool isSelectionURL() const;
    bool isSelectionFile() const;
    void selectAll();
    void deselect();
    void toggleMarker();
    void locateEntry();
    void refreshPhoto();
    void scrollToSelection();

    // The window's last enhancement values, all 0 at first. The combined setter
    // also applies them to every selected photo, as one undo step.
    int getSharpness() const { return int(_sharpness); }
    float getContrast() const { return _contrast; }
    float getSaturation() const { return _saturation; }
    float getBrightness() const { return _brightness; }
    void setSharpness(int value) { _sharpness = float(value); }
    void setContrast(float value) { _contrast = value; }
    void setSaturation(float value) { _saturation = value; }
    void setBrightness(float value) { _brightness = value; }
    void setAdjustmentSharpnessContrastSaturationBrightness(int sharpness, float contrast,
                                                            float saturation, float brightness);

    // Pages of the book arrangement and moving through the pages. Next and
    // previous register each other as their undo, named "NEXT_PAGE" and
    // "PREV_PAGE"; outside the book arrangement the selection follows the page.
    void addLayoutPage();
    void removeLayoutPage();
    void nextLayoutPage();
    void previousLayoutPage();
    // The layout's tool-mode switch steps to the next interaction mode.
    void cycleInteractionMode();

    // Copy: the selected entries go to the clipboard as portable records, their
    // paths as file URLs and, for one photo, a TIFF made only when another
    // program asks for it. The TIFF is of the copied photo, whatever is selected
    // by then; none once that photo is gone.
    void copySelectionToPasteboard();
    // The clipboard data the copy offers; the caller owns it.
    QMimeData* makeSelectionPasteboardData();
    // The selected entries copied in front of the first selected one and
    // selected; one undo step.
    void duplicateSelectionInCatalog();
    // A catalog entry as it travels: without cached or derived data, not
    // selected, placed nowhere (-1), captions as their representations, and
    // without the temporary file of a raw or URL entry.
    static QVariantMap portableRecord(const QVariantMap& entry);
    // The portable records of the selection, in selection order.
    QVariantList selectionPortableRecords() const;

    // "VQFileCatalogSelection" items of one drop, each resolved to its entry
    // before anything moves: moves within this catalog land together in drag
    // order with the first at `position` (−1: at the end); anything else is
    // copied there, one after another. One undo step. Items whose catalog is
    // not open are ignored.
    void receiveCatalogEntries(const QVariantList& items, int position);
    void receiveCatalogEntry(const QVariantMap& item, int position);
    // A picture dropped or pasted: appended, its data kept in the document.
    void receiveImage(const Image& image);
    // The Add URL command: the URL locator as a sheet on the window.
    void addURL();

public Q_SLOTS:
    void rotateImageRight(QAction* sender = nullptr);
    void rotateImageLeft(QAction* sender = nullptr);
    void flipImage(QAction* sender = nullptr);
    void markSelection(QAction* sender = nullptr);
    void unmarkSelection(QAction* sender = nullptr);
    // Asks with the "REMOVE_WARN" sheet first; OK removes.
    void removeFiles(QAction* sender = nullptr);
    void firstSelection(QAction* sender = nullptr);
    void prevSelection(QAction* sender = nullptr);
    void nextSelection(QAction* sender = nullptr);
    void prevSelectionRow(QAction* sender = nullptr);
    void nextSelectionRow(QAction* sender = nullptr);
    void lastSelection(QAction* sender = nullptr);
    // The Export command: the folder sheet with the export accessory; its OK
    // writes every selected photo into the folder through the document's exporter.
    void exportSelection(QAction* sender = nullptr);

public:
    // Accessory actions; they change the document's exporter at once, without undo.
    void exporterNameChanged();
    void doExporterOptions();
    // Sent by one of the four switches.
    void exportOptionChanged(QObject* sender);
    void doMakeDefault();
    // End of the folder sheet; no folder is a cancel. Each enabled photo of the
    // selection, cropped unless crops are ignored, is written under its own
    // name with the exporter's extension; a name taken in the folder is asked
    // about (skip, rename or replace). The progress sheet shows with more than
    // one photo.
    void exportPanelDidEnd(const QStringList& folders);

    // The export accessory has one layout for every system; the accessors answer it.
    QWidget* exportAccessoryView() const { return _exportAccessoryViewPanther.get(); }
    QComboBox* exporterNamesPopup() const { return _exporterNamesPopupPanther; }
    QPushButton* exporterOptionsButton() const { return _exporterOptionsButtonPanther; }
    QCheckBox* exportCreateThumbnailSwitch() const { return _exportCreateThumbnailSwitchPanther; }
    QCheckBox* exportPreserveEXIFSwitch() const { return _exportPreserveEXIFSwitchPanther; }
    QCheckBox* exportEmbedColorSyncSwitch() const { return _exportEmbedColorSyncSwitchPanther; }
    QCheckBox* exportIgnoreCropsSwitch() const { return _exportIgnoreCropsSwitchPanther; }
    QPushButton* exportMakeDefaultButton() const { return _exportMakeDefaultButtonPanther; }

    // The Print to Disk command: the folder sheet, whose OK runs the batch and
    // stores the choices in the document.
    void printToDisk();
    // Action of every accessory control.
    void ptdSettingChanged(QObject* sender);
    void updatePTDState();
    // End of the folder sheet; no folder is a cancel.
    void ptdPanelDidEnd(const QStringList& folders);
    // Sets the cancel flag that the batch reads between files.
    void doProgressCancel();

    // The batch over the working exporter, resolution and mirroring set first.
    // The paths written, in order; none when it was cancelled, refused or stopped
    // by a failed write (then batchError() says why).
    std::optional<QStringList> printBatchToPath(const QString& folder, const QString& baseName);
    // The scripted entry: a working exporter from the user's export default, then
    // the format and quality given; 72 dpi and no mirroring unless given. Nothing
    // reaches the document.
    std::optional<QStringList> printBatchToPath(const QString& folder, const QString& baseName,
                                                const QVariant& fileFormat, const QVariant& quality,
                                                const QVariant& resolution, const QVariant& mirror);
    // Empty after a batch that finished or was cancelled.
    QString batchError() const { return _batchError; }

    // The file of the running number.
    static QString counterFilePath();

    // The working exporter of the running command; null between commands.
    Exporter* workingExporter() const { return _ptdExporter.get(); }
    int workingResolution() const { return _ptdResolution; }
    bool workingMirrorImage() const { return _ptdMirrorImage; }

    // The accessory has one layout for every system; the accessors answer it.
    QWidget* ptdAccessoryView() const { return _ptdAccessoryViewPanther.get(); }
    QComboBox* ptdFileFormatsPopup() const { return _ptdFileFormatsPopupPanther; }
    QPushButton* ptdFileFormatOptionsButton() const { return _ptdFileFormatOptionsPanther; }
    QComboBox* ptdResolutionPopup() const { return _ptdResolutionPopupPanther; }
    QCheckBox* ptdMirrorEnabledSwitch() const { return _ptdMirrorEnabledSwitchPanther; }
    QPushButton* ptdMakeDefaultButton() const { return _ptdMakeDefaultButtonPanther; }
    ProgressSheet* progressPanel() const { return _progressPanel; }

    // ---------------------------------------------------------------------
    // Print to e-mail: a sheet chooses the largest image size and the quality
    // and shows how many images the layout gives and about how many bytes;
    // Compose renders them as print to disk does, into a new folder "vyx%d" of
    // the temporary folder, and hands them to the mailer by the user's route.
    // The folder stays: the mail program may read it later. A failed send is
    // shown with its reason and the folder.
    void printToEmail();
    // Action of the sheet's buttons (they end it) and pop-ups (they recompute).
    void pteSettingChanged(QObject* sender);
    void calcPTEValues();
    // The resolution at which the largest area holding a photo fits the size;
    // 72 when none holds one.
    int calcPTEDPIwithWidthHeight(float width, float height);
    void configPTEDidEnd(int returnCode);
    // The scripted command: a size text "{w, h}" (320 x 240 when missing) and a
    // spatial quality (512 when missing).
    void printToEmailWithDimensionsQuality(const QVariant& dimensions, const QVariant& quality);

    // Pop-up tags: size -1 320 x 240, 1 1280 x 960, others 640 x 480; quality
    // -1 256, 1 512, others 768.
    static Size pteDimensionsForTag(int tag);
    static int pteSpatialQualityForTag(int tag);
    static double pteSizeFactorForTag(int tag);
    QDialog* pteConfigWindow() const { return _pteConfigWindow; }
    QComboBox* pteDimsPopup() const { return _pteDimsPopup; }
    QComboBox* pteQualityPopup() const { return _pteQualityPopup; }
    QLabel* pteCountField() const { return _pteCountField; }
    QLabel* pteDataSizeField() const { return _pteDataSizeField; }
    QPushButton* pteComposeButton() const { return _pteComposeButton; }
    QPushButton* pteCancelButton() const { return _pteCancelButton; }
    int64_t pteDataSize() const { return _pteDataSize; }
    int pteFileCount() const { return _pteFileCount; }
    int pteRenderDPI() const { return _pteRenderDPI; }

    // Panels of the window, by tag.
    enum DocumentPanel { PhotographPanel = 0, LayoutPanel = 1 };
    Q_INVOKABLE void switchView(int tag);
    int currentViewTag() const { return _currentViewTag; }

    // The entries to lay out: in book arrangement every entry placed on a page,
    // otherwise the marked ones; null for none.
    std::optional<QList<int>> getMarked() const;

    // The window's working copy of the two layout modes, for the options sheet.
    int getPrintArrangementMode() const override { return _printArrangementMode; }
    // Book arrangement has no markers: the status line's marker goes with it.
    void setPrintArrangementMode(int mode) override;
    int getPrintScalingMode() const override { return _printScalingMode; }
    void setPrintScalingMode(int mode) override { _printScalingMode = mode; }

    // The print options sheet; its end stores the working copy in the document,
    // whatever the return code.
    void layoutOptions();
    void printOptionsDidEnd(int returnCode);
    PrintOptionsController* printOptionsSheet() const { return _printOptions; }
    // The text editor sheet over the document's layout.
    void editText();
    TextEditorWindowController* textEditorSheet() const { return _textEditor; }
    // The template chooser sheet; it sets the document's master itself.
    void chooseTemplate();
    // The shared palettes: photo information, and enhancement (which ends the
    // edit mode).
    void showPhotoInfo();
    void adjustImage();

    // The Print command: the layout panel, then the print panel.
    void printDocument();
    void printShowingPrintPanel(bool showPanels);
    // The scripted print: a positive resolution limits the output (by type: 0
    // the photos, else the pages as bitmaps), anything else prints without a
    // limit. Runs at once on this thread; nothing is stored in the document.
    void printWithResolution(int resolution, int scope, bool mirrored, bool skipEmptyPrintAreas,
                             bool interaction);
    void printOperationDidRun(PrintOperation& operation, bool success);
    void printAccessoryChanged(QObject* sender);
    void assertResolutionLimits();
    void buildColorProfileMenu();
    void updatePrintAccessoryState();
    void selectColorProfile(int tag);

    // The running print, null between runs.
    TemplateView* printedTemplateView() const { return _printedTemplateView.get(); }
    TemplateMapper* printingMapper() const { return _printingMapper.get(); }
    PrintOperation* printOperation() const { return _printOperation.get(); }
    bool printMirrorImage() const { return _printMirrorImage; }
    bool printSkipEmptyPrintAreas() const { return _printSkipEmptyPrintAreas; }
    bool printLimitEnabled() const { return _printLimitEnabled; }
    int printLimitType() const { return _printLimitType; }
    int printLimitDPI() const { return _printLimitDPI; }

    QWidget* printAccessoryView() const { return _printAccessoryView.get(); }
    QCheckBox* printLimitEnabledSwitch() const { return _printLimitEnabledSwitch; }
    QComboBox* printLimitTypePopUp() const { return _printLimitTypePopUp; }
    QLabel* printLimitResLabel() const { return _printLimitResLabel; }
    QComboBox* printLimitResPopUp() const { return _printLimitResPopUp; }
    QCheckBox* printProfileEnabledSwitch() const { return _printProfileEnabledSwitch; }
    QComboBox* printProfilePopUp() const { return _printProfilePopUp; }
    QCheckBox* printExternalMatchingSwitch() const { return _printExternalMatchingSwitch; }
    QCheckBox* printSkipEmptyPrintAreasSwitch() const { return _printSkipEmptyPrintAreasSwitch; }
    QCheckBox* printMirrorImageSwitch() const { return _printMirrorImageSwitch; }
    QPushButton* printMakeDefaultButton() const { return _printMakeDefaultButton; }

    // ---------------------------------------------------------------------
    // Receiving photos and the catalog's file commands. Positions are entry
    // indices; -1 appends. Each drop, paste or deferred open is one undo step.

    // A file the catalog accepts is added; a folder's accepted files below it,
    // at any depth and in name order, one after another. Answers how many.
    Q_INVOKABLE void receivePath(const QString& path);
    int receivePathAtPosition(const QString& path, int position);
    // The open catalog window's catalog that the selection item names; null.
    static VQFileCatalog* getSourceCatalog(const QVariantMap& item);
    // An entry record ("en_" keys) inserted with a new serial number; only
    // values that fit their keys are kept.
    void receiveObject(const QVariantMap& record);
    void receiveObjectAtPosition(const QVariantMap& record, int position);
    void receiveImageAtPosition(const Image& image, int position);

    // Add Photos: the open panel as a sheet; chosen paths open 0.5 s later.
    void addFiles();
    void addFilesPanelDidEnd(const QStringList& paths);
    void deferedFileOpen();
    QStringList deferedFiles() const { return _deferedFiles; }
    static constexpr int kDeferedOpenMs = 500;
    // Add from iPhoto: without library data the command beeps and says so.
    void addIPhotos();
    // Without asking: open edit palettes close first.
    void removeSelectedFiles();
    void renameFiles();
    // Write edited photos back to their own files, after asking.
    void saveBack();
    void saveBackSheetDidEnd(int returnCode);

    // Errors of this window's document: posted as "UTErrorNofity", shown by
    // the window of the document they name as an "ERROR_OCCURRED" sheet.
    void postError(int code);
    static constexpr int kNothingToSaveBackError = 98;

    // The edit mode of the photograph panel; 0 none.
    int editMode() const { return _curEditMode; }
    void setEditMode(int mode);

    // Sent by the document once its window is made, and when it lets the window go.
    Q_INVOKABLE void setup();
    Q_INVOKABLE void shutdown();
    QString windowTitleForDocumentDisplayName(const QString& displayName) const override;

    // The panels: 0 the photograph, 1 the layout; either may be null while
    // the window has none of that kind.
    void setPanels(CatalogPanel* photograph, CatalogPanel* layout);
    CatalogPanel* activeViewPanel() const;
    CatalogPanel* layoutPanel() const { return _rovedezevOvod; }
    QWidget* mainView() const { return _mainView; }
    VQViewSwitch* getViewSwitcher() const { return _viewSwitcher; }
    int lastViewTag() const { return _lastViewTag; }
    // The view switch's delegate operation: shows the panel of its value. The
    // same value again does nothing, unless the controller itself asks.
    void viewSwitchSelectionChanged(VQViewSwitch* sender) override;

    // ---------------------------------------------------------------------
    // The window: made to the stored content size (within the screen), 22
    // right and 23 down from the frontmost catalog window; the drawer opens
    // 0.5 s later when the settings say so; the grid and the wait monitor get
    // a heartbeat every 0.5 s.
    static constexpr int kOpenTimerMs = 500;
    static constexpr QPoint kCascadeOffset{22, 23};
    DurevedeDudiruVorudu* catalogWindow() const;
    void windowHasOpened();
    void heartbeat();
    // What the heartbeat tells the application after the grid's turn: the
    // main thread's sign of life for its wait monitor. None by default.
    static void setSignOfLife(std::function<void()> signOfLife);
    bool openTimerPending() const;
    bool heartbeatRunning() const;

    // The drawer is a dock holding the grid; shown is open.
    QDockWidget* getCatalogDrawer() const;
    void openCatalogDrawer();
    void closeCatalogDrawer();
    void toggleCatalogDrawer();
    VQViewSwitch* getToolModeSwitcher() const { return _toolModeSwitcher; }
    void toggleToolbar();

    // A drop highlight over the shown panel; off takes the grid's away too.
    void dragHilight(bool flag);

    // The status line: texts by selection, panel and arrangement, the page
    // controls of the layout panel, the marker and the error button. A control
    // that is not shown stands 1000 points left of its place.
    void updateInfoLabels();
    QString centerInfoString() const;
    void setStatusMarkerVisible(bool flag);
    bool statusMarkerVisible() const;
    void setErrorButtonVisible(bool flag);
    bool errorButtonVisible() const;
    void setErrorMessageWithTitle(const QString& message, const QString& title);
    void showErrorMessage();
    // After a change of the catalog: no edit mode, fresh toolbar and status line.
    void fileCatalogSelectionChanged();
    // Back in front: files changed meanwhile show, and the toolbar follows.
    void windowDidBecomeKey();
    void clearPhotoCells();

    // The window's keys: the arrows move the selection, Delete (Backspace or
    // Delete) empties the layout's selected cells in book arrangement and
    // beeps elsewhere; in an edit mode they go to the photograph panel first.
    // False for keys it leaves to the window.
    bool keyDown(QKeyEvent* event);

    // Whether a command of the tag may run now (the menu rules by tag).
    bool validateItemTag(int tag);
    bool respondsToAction(const QString& action) const override;
    bool validateMenuItem(QAction& item) override;
    void performAction(const QString& action, QAction* sender) override;
    // The toolbar items the controller carries out, and the print item.
    bool validateToolbarItem(QAction& item);

private:
    void sizeWindowToSettings();
    void cascadeFromFrontCatalogWindow();
    void observeCatalog();
    void observeErrors();
    void showPanelOfSwitch(bool fromController);
    void ensurePanelViews();
    void performDocumentAction(RoduvudeDadevizi& doc, const QString& action);
    // The commands of the selection, the photos and the pages; false for others.
    bool performSelectionAction(const QString& action, QAction* sender);
    // The page items' rules in the layout panel.
    bool validatePageItemTag(int tag);
    // The photograph panel, or null before it is made.
    PhotoView* photographPanel() const;
    void arrangeCaptions(const QString& action);
    void errorEncountered(const Notification& notification);
    // The window's copy of the document's arrangement and scaling.
    void layoutOptionsChanged(const Notification& notification);
    void makePrintAccessoryView();
    // The run's private view over the master's page; false when there is none.
    bool makePrintedTemplateView();
    // Steps shared by both prints once the fields are loaded.
    void preparePrintingMapperAndView();
    void endPrintRun();
    // The output profile of the selected profile item; null for the fixed items.
    std::shared_ptr<ColorProfileHandle> selectedMenuProfile() const;

    void makeAccessoryView();
    VQFileCatalog* catalog() const;
    // Turns the crops of the selected photos by quarter turns, then the photos.
    void rotateSelectionBy(int quarterTurns, float degrees);
    // Navigation reaches the grid only when the catalog has entries.
    bool hasEntries() const;
    bool anySelectedHas(int attribute, bool wanted) const;
    // One page forward (+1) or back (-1), with the selection following and the
    // inverse registered.
    void turnLayoutPage(int step);
    void receiveFiles(const Notification& notification);
    void receiveURL(const Notification& notification);
    void moveEntriesTogether(const QList<int>& serials, int position);
    void selectResolutionItem(int resolution);
    // Shows the message and handles waiting input; whether Cancel was asked for.
    bool pollCancel(const QString& message);
    // The progress sheet begun at 0 of `total`, its Cancel setting the cancel flag.
    void beginProgress(int total);
    // A failed write of one of a run's photos: with more to go the user may
    // continue, else only cancel. Cancel sets the cancel flag.
    void askAfterFailedWrite(ModalAlert::Request alert, bool canContinue);
    void makeExportAccessoryView();
    // The name to write the photo under, asked about until it is free or the
    // user skips (empty) or replaces.
    QString checkedExportName(const QString& folder, const QString& name, bool showsProgress);

    void makePTEConfigWindow();
    // The areas of every page that hold a photo, in view coordinates.
    QList<Rect> pteAreasHoldingPhotos();
    // Renders into a new temporary folder and hands the files to the mailer;
    // `count` chooses the subject (the written files' count when negative).
    void renderAndMail(int count);

    std::shared_ptr<Exporter> _ptdExporter;
    int _ptdResolution = 72;
    bool _ptdMirrorImage = false;
    bool _abortExport = false;
    QString _batchError;

    QPointer<ProgressSheet> _progressPanel;
    std::unique_ptr<QWidget> _exportAccessoryViewPanther;
    QComboBox* _exporterNamesPopupPanther = nullptr;
    QPushButton* _exporterOptionsButtonPanther = nullptr;
    QCheckBox* _exportCreateThumbnailSwitchPanther = nullptr;
    QCheckBox* _exportPreserveEXIFSwitchPanther = nullptr;
    QCheckBox* _exportEmbedColorSyncSwitchPanther = nullptr;
    QCheckBox* _exportIgnoreCropsSwitchPanther = nullptr;
    QPushButton* _exportMakeDefaultButtonPanther = nullptr;
    QDialog* _pteConfigWindow = nullptr;
    QPushButton* _pteCancelButton = nullptr;
    QPushButton* _pteComposeButton = nullptr;
    QLabel* _pteCountField = nullptr;
    QLabel* _pteDataSizeField = nullptr;
    QComboBox* _pteDimsPopup = nullptr;
    QComboBox* _pteQualityPopup = nullptr;
    int64_t _pteDataSize = 0;
    int _pteFileCount = 0;
    int _pteRenderDPI = 72;
    std::unique_ptr<QWidget> _ptdAccessoryViewPanther;
    QComboBox* _ptdFileFormatsPopupPanther = nullptr;
    QPushButton* _ptdFileFormatOptionsPanther = nullptr;
    QComboBox* _ptdResolutionPopupPanther = nullptr;
    QCheckBox* _ptdMirrorEnabledSwitchPanther = nullptr;
    QPushButton* _ptdMakeDefaultButtonPanther = nullptr;

    int _currentViewTag = PhotographPanel;
    int _printArrangementMode = 0;
    int _printScalingMode = 0;
    QPointer<PrintOptionsController> _printOptions;
    QPointer<TextEditorWindowController> _textEditor;

    std::unique_ptr<TemplateView> _printedTemplateView;
    std::shared_ptr<TemplateMapper> _printingMapper;
    std::unique_ptr<PrintOperation> _printOperation;
    bool _resolutionDeliveryFlag = true;
    bool _printMirrorImage = false;
    bool _printSkipEmptyPrintAreas = false;
    bool _printLimitEnabled = false;
    int _printLimitType = 0;
    int _printLimitDPI = 0;
    // The profiles of the pop-up's items from index 4 on, in item order.
    QList<std::shared_ptr<ColorProfileHandle>> _menuProfiles;
    std::unique_ptr<QWidget> _printAccessoryView;
    QCheckBox* _printLimitEnabledSwitch = nullptr;
    QComboBox* _printLimitTypePopUp = nullptr;
    QLabel* _printLimitResLabel = nullptr;
    QComboBox* _printLimitResPopUp = nullptr;
    QCheckBox* _printProfileEnabledSwitch = nullptr;
    QComboBox* _printProfilePopUp = nullptr;
    QCheckBox* _printExternalMatchingSwitch = nullptr;
    QCheckBox* _printSkipEmptyPrintAreasSwitch = nullptr;
    QCheckBox* _printMirrorImageSwitch = nullptr;
    QPushButton* _printMakeDefaultButton = nullptr;
    QTimer* _heartbeatTimer = nullptr;
    QStringList _deferedFiles;
    QPointer<QTimer> _openTimer;
    QPointer<QTimer> _deferedOpenTimer;
    QString _errorMessage;
    QString _errorTitle;
    // The drawer's width at its first opening; 0 once used.
    int _drawerWidth = 0;
    QPointer<VQViewSwitch> _toolModeSwitcher;
    int _curEditMode = 0;
    bool _errorObserved = false;
    QPointer<QWidget> _mainView;
    QPointer<VQViewSwitch> _viewSwitcher;
    CatalogPanel* _photographView = nullptr;
    CatalogPanel* _rovedezevOvod = nullptr;
    int _lastViewTag = LayoutPanel;
    bool _dragHilightState = false;
    float _sharpness = 0;
    float _contrast = 1;
    float _saturation = 1;
    float _brightness = 1;
};
