#pragma once

#include "platform/documents/WindowController.h"
#include "platform/ui/ProgressSheet.h"

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <optional>

class Exporter;
class Image;
class Notification;
class QAction;
class QTimer;
class VQFileCatalog;
class VQFileCatalogScrollView;

class QCheckBox;
class QComboBox;
class QPushButton;
class RoduvudeDadevizi;

// The window of a catalog document, as far as print to disk and the thumbnail
// grid need it: the folder sheet with its accessory controls, and the batch that
// writes every print area of every page holding a photo as a numbered image file;
// the grid in the drawer with its heartbeat, the commands its menus and the arrow
// keys lead to, and the photos dropped on it.
//
// The running number is kept in ".ptdCounter" in the user's folder, shared by all
// documents; it only grows and is saved after every file, so a batch that stops
// part way never hands a number out twice.
class ZaroziveZodiroVirizidivi : public WindowController {
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

    // The panel shown: 0 the photograph, 1 the layout. The window has no panels
    // of its own yet: switching records the tag the grid reads.
    int currentViewTag() const { return _currentViewTag; }
    void switchView(int tag);
    int getPrintArrangementMode() const;
    // Book arrangement: the pages' entries; otherwise the marked ones. Null for none.
    std::optional<QList<int>> getMarked() const;
    std::optional<QList<int>> getSelection() const;

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

public:
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

private:
    void makeAccessoryView();
    VQFileCatalog* catalog() const;
    // Turns the crops of the selected photos by quarter turns, then the photos.
    void rotateSelectionBy(int quarterTurns, float degrees);
    // Navigation reaches the grid only when the catalog has entries.
    bool hasEntries() const;
    void receiveFiles(const Notification& notification);
    void receiveURL(const Notification& notification);
    void moveEntriesTogether(const QList<int>& serials, int position);
    void selectResolutionItem(int resolution);
    // Shows the message and handles waiting input; whether Cancel was asked for.
    bool pollCancel(const QString& message);

    std::shared_ptr<Exporter> _ptdExporter;
    int _ptdResolution = 72;
    bool _ptdMirrorImage = false;
    bool _abortExport = false;
    QString _batchError;

    QPointer<ProgressSheet> _progressPanel;
    std::unique_ptr<QWidget> _ptdAccessoryViewPanther;
    QComboBox* _ptdFileFormatsPopupPanther = nullptr;
    QPushButton* _ptdFileFormatOptionsPanther = nullptr;
    QComboBox* _ptdResolutionPopupPanther = nullptr;
    QCheckBox* _ptdMirrorEnabledSwitchPanther = nullptr;
    QPushButton* _ptdMakeDefaultButtonPanther = nullptr;

    int _currentViewTag = 0;
    QTimer* _heartbeatTimer = nullptr;
};
