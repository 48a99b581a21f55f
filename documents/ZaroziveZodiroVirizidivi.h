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

class QCheckBox;
class QComboBox;
class QPushButton;
class RoduvudeDadevizi;

// The window of a catalog document, as far as print to disk needs it: the folder
// sheet with its accessory controls, and the batch that writes every print area
// of every page holding a photo as a numbered image file.
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
};
