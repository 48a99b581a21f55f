#pragma once

#include "framework/model/GenericDocument.h"

#include <QVariantList>

#include <memory>

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

// The "Photo Catalog" document, as far as its catalog needs it so far: the
// catalog it owns, the enhancement values of photos that have none of their own,
// and the flag that a repaired read leaves the document modified. Undo, change
// counting and the file name come from the document base.
class RoduvudeDadevizi : public GenericDocument {
    Q_OBJECT

public:
    RoduvudeDadevizi();
    ~RoduvudeDadevizi() override;

    VQFileCatalog& fileCatalog() const { return *_fileCatalog; }
    std::shared_ptr<VQFileCatalog> sharedFileCatalog() const { return _fileCatalog; }

    // Whatever the argument, the document counts as modified after its read.
    void setModifiedOnDecode(bool flag);
    bool modifiedOnDecode() const { return _modifiedOnDecode; }

    // Book page placements from a file of the older generation, where the
    // catalog kept them; the layout mapper takes them from here.
    void setBookContainer(const QVariantList& pages) { _bookContainer = pages; }
    QVariantList bookContainer() const { return _bookContainer; }

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

private:
    template <class T>
    void setWithUndo(T& field, T value, void (RoduvudeDadevizi::*setter)(T), const char* actionKey);

    std::shared_ptr<VQFileCatalog> _fileCatalog;
    bool _modifiedOnDecode = false;
    QVariantList _bookContainer;
    bool _useAppEnhDefaults = true;
    int _defaultSharpness = 0;
    float _defaultContrast = 1.0f;
    float _defaultSaturation = 1.0f;
    float _defaultBrightness = 1.0f;
};
