#include "documents/RoduvudeDadevizi.h"

#include "catalog/VQFileCatalog.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/UndoManager.h"
#include "platform/foundation/UserDefaults.h"

namespace {

// A stored text read as a number; `fallback` when the key is absent.
double defaultsNumber(const char* key, double fallback) {
    const QVariant value =
        UserDefaults::standardUserDefaults().objectForKey(QString::fromLatin1(key));
    if (!value.isValid())
        return fallback;
    return value.toString().trimmed().toDouble();
}

} // namespace

RoduvudeDadevizi::RoduvudeDadevizi() : _fileCatalog(std::make_shared<VQFileCatalog>()) {
    _fileCatalog->setDocument(this);
}

RoduvudeDadevizi::~RoduvudeDadevizi() {
    _fileCatalog->shutdown();
    _fileCatalog->setDocument(nullptr);
}

void RoduvudeDadevizi::setModifiedOnDecode(bool) {
    _modifiedOnDecode = true;
}

int RoduvudeDadevizi::defaultSharpness() const {
    if (!_useAppEnhDefaults)
        return _defaultSharpness;
    return int(defaultsNumber(kDefaultSharpnessKey, 0));
}

float RoduvudeDadevizi::defaultContrast() const {
    return _useAppEnhDefaults ? float(defaultsNumber(kDefaultContrastKey, 1.0)) : _defaultContrast;
}

float RoduvudeDadevizi::defaultSaturation() const {
    return _useAppEnhDefaults ? float(defaultsNumber(kDefaultSaturationKey, 1.0))
                              : _defaultSaturation;
}

float RoduvudeDadevizi::defaultBrightness() const {
    return _useAppEnhDefaults ? float(defaultsNumber(kDefaultBrightnessKey, 1.0))
                              : _defaultBrightness;
}

template <class T>
void RoduvudeDadevizi::setWithUndo(T& field, T value, void (RoduvudeDadevizi::*setter)(T),
                                   const char* actionKey) {
    if (field == value)
        return;
    const T old = field;
    field = value;
    UndoManager* undo = undoManager();
    undo->registerUndo(this, [this, setter, old] { (this->*setter)(old); });
    undo->setActionName(localizedString(QString::fromLatin1(actionKey)));
}

void RoduvudeDadevizi::setUsesAppEnhancementDefaults(bool flag) {
    setWithUndo(_useAppEnhDefaults, flag, &RoduvudeDadevizi::setUsesAppEnhancementDefaults,
                kDefUsageAction);
}

void RoduvudeDadevizi::setDefaultSharpness(int sharpness) {
    setWithUndo(_defaultSharpness, sharpness, &RoduvudeDadevizi::setDefaultSharpness,
                kDefSharpnessAction);
}

void RoduvudeDadevizi::setDefaultContrast(float contrast) {
    setWithUndo(_defaultContrast, contrast, &RoduvudeDadevizi::setDefaultContrast,
                kDefContrastAction);
}

void RoduvudeDadevizi::setDefaultSaturation(float saturation) {
    setWithUndo(_defaultSaturation, saturation, &RoduvudeDadevizi::setDefaultSaturation,
                kDefSaturationAction);
}

void RoduvudeDadevizi::setDefaultBrightness(float brightness) {
    setWithUndo(_defaultBrightness, brightness, &RoduvudeDadevizi::setDefaultBrightness,
                kDefBrightnessAction);
}
