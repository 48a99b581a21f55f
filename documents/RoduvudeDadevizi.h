#pragma once

#include "framework/model/GenericDocument.h"
#include "platform/documents/DocumentController.h"
#include "platform/foundation/Geometry.h"

#include <QList>
#include <QPointer>
#include <QVariantList>
#include <QVariantMap>
#include <memory>
#include <optional>

class CatalogEntry;
class Exporter;
class ScriptCommand;
class ScriptDispatcher;
class TemplateHandle;
class TemplateMapper;
class VQFileCatalog;
class WindowController;
class ZaroziveZodiroVirizidivi;

// The document type, its one file extension and the version of its file.
inline constexpr char kCatalogDocumentType[] = "Photo Catalog";
inline constexpr char kCatalogDocumentExtension[] = "lumisk";
inline constexpr int kCatalogFileFormat = 512;

// User defaults of the application's enhancement defaults (texts of numbers).
inline constexpr char kDefaultSharpnessKey[] = "default_sharpness";
inline constexpr char kDefaultContrastKey[] = "default_contrast";
inline constexpr char kDefaultSaturationKey[] = "default_saturation";
inline constexpr char kDefaultBrightnessKey[] = "default_brightness";

// Undo action names of the document's settings.
inline constexpr char kDefUsageAction[] = "DEF_USAGE";
inline constexpr char kDefSharpnessAction[] = "DEF_SHARPNESS";
inline constexpr char kDefContrastAction[] = "DEF_CONTRAST";
inline constexpr char kDefSaturationAction[] = "DEF_SATURATION";
inline constexpr char kDefBrightnessAction[] = "DEF_BRIGHTNESS";
inline constexpr char kTemplateChangeAction[] = "TEMPLATE_CHANGE";
inline constexpr char kPanelSwitchAction[] = "PANEL_SWITCH";
inline constexpr char kArrangeModeAction[] = "ARRANGE_MODE";
inline constexpr char kScaleModeAction[] = "SCALE_MODE";
inline constexpr char kPtdSettingAction[] = "PTD_SETTING";
inline constexpr char kPrintSettingAction[] = "PRINT_SETTING";

// Posted (queued, coalesced) with the document as object.
inline constexpr char kPixelEnhancemntChangedNotify[] = "PixelEnhancemntChangedNotify";
inline constexpr char kScaleModeChangedNotify[] = "ScaleModeChangedNotify";
inline constexpr char kArrangementModeChangedNotify[] = "ArrangementModeChangedNotify";

// User-defaults key of the print-to-disk exporter default, an exporter dictionary.
inline constexpr char kPtdExportDefaultConfigKey[] = "ptdExportDefaultConfigKey";

// The panels of a catalog window.
enum DocumentPanel : int { DocumentPanelPhotograph = 0, DocumentPanelLayout = 1 };

// The "Photo Catalog" document: one file, one window, one photo catalog laid out
// on one master template. It owns the catalog, the layout mapper, the page set-up,
// the two exporters (export of photos, print to disk), the print and print-to-disk
// settings and the enhancement values of photos that have none of their own.
// Every setting the user changes through it is undoable under a named action.
//
// Its file is one archived dictionary. A file is checked whole before the document
// takes anything from it, so a damaged file, opened or reverted to, changes nothing.
// Undo, change counting and the file name come from the document base.
class RoduvudeDadevizi : public GenericDocument {
    Q_OBJECT

public:
    // Settings come from the settings store as they are now; later changes of the
    // store leave the document alone.
    RoduvudeDadevizi();
    ~RoduvudeDadevizi() override;

    // The type the document controller knows the document by; the application
    // registers it as it starts.
    static DocumentController::DocumentType documentType();

    VQFileCatalog& fileCatalog() const { return *_fileCatalog; }
    std::shared_ptr<VQFileCatalog> sharedFileCatalog() const { return _fileCatalog; }

    // One window controller; the undo list is emptied and the document starts
    // saved, or edited when its file was repaired while it was read. With setting
    // 14 on, the window takes the frame stored in the file.
    void makeWindowControllers() override;
    ZaroziveZodiroVirizidivi* windowController() const;
    Rect savedWindowFrame() const { return _savedWindowFrame; }

    // The file. Any other type is refused.
    QByteArray dataOfType(const QString& type, QString* error = nullptr) override;
    bool loadDataOfType(const QByteArray& data, const QString& type,
                        QString* error = nullptr) override;
    bool readFromFileOfType(const QString& path, const QString& type,
                            QString* error = nullptr) override;

    // Made on first use over the library's default template (which first gives
    // the document its page), with the document's two modes.
    std::shared_ptr<TemplateMapper> templateMapper();
    // Null until something has made the mapper: for readers that must not make it.
    std::shared_ptr<TemplateMapper> existingTemplateMapper() const { return _mapper; }
    // Gives the new mapper the document's two modes.
    void setTemplateMapper(std::shared_ptr<TemplateMapper> mapper);
    // The mapper's master; null before the mapper exists.
    std::shared_ptr<TemplateHandle> masterTemplate() const;
    // One undoable step ("TEMPLATE_CHANGE") even for the same template: the
    // existing mapper's master (no mapper is made), and the template's page given
    // to the document. Null is passed on as it is.
    void setMasterTemplate(const std::shared_ptr<TemplateHandle>& masterTemplate);
    // The installed template of the ID becomes master; an ID the library lacks
    // changes nothing (the master would otherwise be lost) and answers false.
    bool setMasterTemplateWithID(const QString& documentID);
    // The book pages of a catalog record of an older generation ("bookContainer"),
    // which now belong to the layout.
    void takeOverBookContainer(const QVariantList& pages);

    // Undoable ("ARRANGE_MODE", "SCALE_MODE"); the mapper (made when none exists)
    // follows and a queued notice tells the window.
    int getPrintArrangementMode() const { return _printArrangementMode; }
    void setPrintArrangementMode(int mode);
    int getPrintScaleMode() const { return _printScaleMode; }
    void setPrintScaleMode(int mode);
    // The scripting forms: numbers clamped to 0 to 2, whole part taken.
    double photoScaling() const { return _printScaleMode; }
    double layoutArrangement() const { return _printArrangementMode; }
    void setPhotoScaling(double mode);
    void setLayoutArrangement(double mode);

    // The panel the window shows. Setting stores 0 or 1 only, and always
    // registers one "PANEL_SWITCH" step, which switches the window to the last
    // panel.
    int currentPanel() const { return _currentPanel; }
    void setCurrentPanel(int panel);
    int lastPanel() const { return _lastPanel; }
    void setLastPanel(int panel) { _lastPanel = panel; }
    void switchPanelToView(int panel);

    // The selected entries' indices; none without a window.
    QList<int> photoSelection() const;
    void setPhotoSelection(const std::optional<QList<int>>& indices);

    // Whatever the argument, the document counts as modified after its read.
    void setModifiedOnDecode(bool flag);
    bool modifiedOnDecode() const { return _modifiedOnDecode; }

    // With the application's defaults in use, each value comes from the user
    // defaults (0 for sharpness and 1.0 for the others when absent); otherwise
    // the document's own. The setters are undoable and ignore an unchanged value;
    // the number forms, which undo and redo run, also queue the palette's notice.
    bool usesAppEnhancementDefaults() const { return _useAppEnhDefaults; }
    void setUsesAppEnhancementDefaults(bool flag);
    int defaultSharpness() const;
    float defaultContrast() const;
    float defaultSaturation() const;
    float defaultBrightness() const;
    void setDefaultSharpness(int sharpness);
    void setDefaultContrast(float contrast);
    void setDefaultSaturation(float saturation);
    void setDefaultBrightness(float brightness);
    void setUsesAppEnhancementDefaultsNumber(bool flag);
    void setDefaultSharpnessNumber(int sharpness);
    void setDefaultContrastNumber(float contrast);
    void setDefaultSaturationNumber(float saturation);
    void setDefaultBrightnessNumber(float brightness);

    // The exporter of photo export; null until one is set. No undo.
    std::shared_ptr<Exporter> exporter() const { return _myExporter; }
    void setExporter(std::shared_ptr<Exporter> exporter);

    // Print to disk: the exporter (made on first use from the print-to-disk default,
    // replaced without undo), the resolution in dots per inch and the mirroring
    // (undoable "PTD_SETTING"). A resolution of 0 becomes setting 16, or 72.
    Exporter& ptdExporter();
    void setPtdExporter(std::shared_ptr<Exporter> exporter);
    int ptdResolution();
    void setPtdResolution(int resolution);
    bool ptdMirrorImage() const { return _ptdMirrorImage; }
    void setPtdMirrorImage(bool mirror);

    // Print: mirroring, skipping empty print areas and the resolution limit
    // (on, its kind and its dots per inch), from the stored settings at first;
    // each setter is undoable ("PRINT_SETTING") and ignores an unchanged value.
    bool printMirrorImage() const { return _printMirrorImage; }
    void setPrintMirrorImage(bool mirror);
    bool printSkipEmptyPrintAreas() const { return _printSkipEmptyPrintAreas; }
    void setPrintSkipEmptyPrintAreas(bool skip);
    bool printLimitEnabled() const { return _printLimitEnabled; }
    void setPrintLimitEnabled(bool enabled);
    int printLimitType() const { return _printLimitType; }
    void setPrintLimitType(int type);
    int printLimitDPI() const { return _printLimitDPI; }
    void setPrintLimitDPI(int dpi);

    // The scripted print: "Resolution" (0 when missing), "Scope" (0), "Mirror"
    // (no), "Skip Empty" (no) and "Interaction" (yes when missing), printed by
    // the document's catalog window after it shows the layout.
    void doPrint(const QVariantMap& arguments);
    // "Dimensions" (a size text) and "Quality", each optional: print to e-mail
    // from the layout panel.
    void doPrintToEmail(const QVariantMap& arguments);

    // The other scripted commands of the catalog window; each reads its
    // arguments by key and sets the command's error when it cannot do its work.
    // "File" (a path, tilde expanded): an existing file the catalog accepts is
    // appended; without it the Add Files sheet opens.
    void doAddPhoto(ScriptCommand& command);
    void doRotateCW(ScriptCommand& command);
    void doRotateCCW(ScriptCommand& command);
    // Removes the selection without asking.
    void doRemove(ScriptCommand& command);
    // "Saturation", "Brightness", "Contrast" (percent, -100 to 100) and
    // "Sharpness" (0 to 8) over the window's last values; none given opens
    // the enhancement palette.
    void doEnhance(ScriptCommand& command);
    // "Path" (the desktop folder when missing), "BaseName" ("Vyx_Photo"),
    // "Format", "Quality", "Resolution" and "Mirror" as given.
    void doPrintToDisk(ScriptCommand& command);
    // "DocumentID": that installed template becomes master; without it the
    // template chooser opens.
    void doSelectMasterTemplate(ScriptCommand& command);
    // Every scripted command under its name, bound to this document.
    ScriptDispatcher scriptCommands();

    // The scripting objects of the photos, in catalog order, and the one at an
    // index (null past the end). Each is made anew on every call.
    QList<std::shared_ptr<CatalogEntry>> entries();
    std::shared_ptr<CatalogEntry> valueInEntriesAtIndex(int index);

protected:
    // A save that succeeded takes the application's enhancement defaults again,
    // as the file says, and queues the palette's notice.
    void documentDidSave(bool saved, SaveOperation operation) override;

private:
    struct FileContents;

    template <class T>
    bool setWithUndo(T& field, T value, void (RoduvudeDadevizi::*inverse)(T),
                     const char* actionKey);
    void registerInverse(std::function<void()> inverse, const char* actionKey);
    void enqueueNotice(const char* name);
    std::optional<FileContents> readFile(const QByteArray& data, QString* error);
    void takeFileContents(FileContents& contents);
    // The catalog window's controller; none without a window.
    ZaroziveZodiroVirizidivi* catalogWindowController() const;
    // Calls the window controller's operation when it has one of that name.
    void tellController(const char* operation, const QVariant& argument = {}) const;

    std::shared_ptr<VQFileCatalog> _fileCatalog;
    std::shared_ptr<TemplateMapper> _mapper;
    QPointer<WindowController> _myController;
    int _printScaleMode = 0;
    int _printArrangementMode = 0;
    int _currentPanel = DocumentPanelPhotograph;
    int _lastPanel = DocumentPanelPhotograph;
    std::shared_ptr<Exporter> _myExporter;
    std::shared_ptr<Exporter> _myPtdExporter;
    bool _useAppEnhDefaults = true;
    int _sharpness = 0;
    float _contrast = 1.0f;
    float _saturation = 1.0f;
    float _brightness = 1.0f;
    bool _modifiedOnDecode = false;
    Rect _savedWindowFrame = kZeroRect;
    bool _printMirrorImage = false;
    bool _printLimitEnabled = false;
    bool _printSkipEmptyPrintAreas = false;
    int _printLimitType = 0;
    int _printLimitDPI = 0;
    int _ptdResolution = 0;
    bool _ptdMirrorImage = false;
    // The file being read, for the reasons a refusal gives.
    QString _readingPath;
};
