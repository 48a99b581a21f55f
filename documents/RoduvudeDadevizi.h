#pragma once

#include "framework/model/GenericDocument.h"

#include <QVariantList>
#include <QVariantMap>
#include <memory>

class Exporter;
class TemplateHandle;
class TemplateMapper;
class VQFileCatalog;

// User defaults of the application's enhancement defaults (texts of numbers).
inline constexpr char kDefaultSharpnessKey[] = "default_sharpness";
inline constexpr char kDefaultContrastKey[] = "default_contrast";
inline constexpr char kDefaultSaturationKey[] = "default_saturation";
inline constexpr char kDefaultBrightnessKey[] = "default_brightness";

// Undo action names of the enhancement defaults.
inline constexpr char kDefUsageAction[] = "DEF_USAGE";
inline constexpr char kDefSharpnessAction[] = "DEF_SHARPNESS";
inline constexpr char kDefContrastAction[] = "DEF_CONTRAST";
inline constexpr char kDefSaturationAction[] = "DEF_SATURATION";
inline constexpr char kDefBrightnessAction[] = "DEF_BRIGHTNESS";
inline constexpr char kTemplateChangeAction[] = "TEMPLATE_CHANGE";
inline constexpr char kArrangeModeAction[] = "ARRANGE_MODE";
inline constexpr char kScaleModeAction[] = "SCALE_MODE";
inline constexpr char kPtdSettingAction[] = "PTD_SETTING";
inline constexpr char kPrintSettingAction[] = "PRINT_SETTING";

// User-defaults key of the print-to-disk exporter default, an exporter dictionary.
inline constexpr char kPtdExportDefaultConfigKey[] = "ptdExportDefaultConfigKey";

// The "Photo Catalog" document, as far as its catalog and layout need it so far:
// the catalog it owns, the layout of its photos on the master template with the
// arrangement and scaling modes, the enhancement values of photos that have none
// of their own, and the flag that a repaired read leaves the document modified.
// Undo, change counting and the file name come from the document base.
class RoduvudeDadevizi : public GenericDocument {
    Q_OBJECT

public:
    RoduvudeDadevizi();
    ~RoduvudeDadevizi() override;

    VQFileCatalog& fileCatalog() const { return *_fileCatalog; }
    std::shared_ptr<VQFileCatalog> sharedFileCatalog() const { return _fileCatalog; }

    // Made on first use over the library's default template (which first gives
    // the document its page), with the document's two modes.
    std::shared_ptr<TemplateMapper> templateMapper();
    // Gives the new mapper the document's two modes.
    void setTemplateMapper(std::shared_ptr<TemplateMapper> mapper);
    // The mapper's master; null before the mapper exists.
    std::shared_ptr<TemplateHandle> masterTemplate() const;
    // One undoable step ("TEMPLATE_CHANGE"): the existing mapper's master, and the
    // template's page given to the document.
    void setMasterTemplate(const std::shared_ptr<TemplateHandle>& masterTemplate);
    // Undoable ("ARRANGE_MODE", "SCALE_MODE"); the mapper follows.
    int getPrintArrangementMode() const { return _printArrangementMode; }
    void setPrintArrangementMode(int mode);
    int getPrintScaleMode() const { return _printScaleMode; }
    void setPrintScaleMode(int mode);
    // The book pages of a catalog record of an older generation ("bookContainer"),
    // which now belong to the layout.
    void takeOverBookContainer(const QVariantList& pages);

    // Whatever the argument, the document counts as modified after its read.
    void setModifiedOnDecode(bool flag);
    bool modifiedOnDecode() const { return _modifiedOnDecode; }

    // With the application's defaults in use, each value comes from the user
    // defaults (0 for sharpness and 1.0 for the others when absent); otherwise
    // the document's own. The setters are undoable and ignore an unchanged value.
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

    // Print to disk: the exporter (made on first use from the print-to-disk default,
    // replaced without undo), the resolution in dots per inch and the mirroring
    // (both from the stored settings at first, undoable "PTD_SETTING").
    Exporter& ptdExporter();
    void setPtdExporter(std::shared_ptr<Exporter> exporter);
    int ptdResolution() const { return _ptdResolution; }
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

private:
    template <class T>
    void setWithUndo(T& field, T value, void (RoduvudeDadevizi::*setter)(T), const char* actionKey);

    std::shared_ptr<VQFileCatalog> _fileCatalog;
    std::shared_ptr<TemplateMapper> _mapper;
    int _printArrangementMode = 0;
    int _printScaleMode = 0;
    bool _modifiedOnDecode = false;
    bool _useAppEnhDefaults = true;
    int _defaultSharpness = 0;
    float _defaultContrast = 1.0f;
    float _defaultSaturation = 1.0f;
    float _defaultBrightness = 1.0f;
    std::shared_ptr<Exporter> _ptdExporter;
    int _ptdResolution = 72;
    bool _ptdMirrorImage = false;
    bool _printMirrorImage = false;
    bool _printSkipEmptyPrintAreas = false;
    bool _printLimitEnabled = false;
    int _printLimitType = 0;
    int _printLimitDPI = 0;
};
