#include "photoview/NamedPresets.h"

#include "platform/foundation/Format.h"
#include "platform/foundation/LocalizedStrings.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/ui/ModalAlert.h"

#include <QComboBox>

namespace {

QString qs(const char* text) {
    return QString::fromLatin1(text);
}

QString text(const char* key) {
    return localizedString(qs(key));
}

} // namespace

namespace NamedPresets {

void seedOnce(const char* listKey, const char* seededKey,
              const std::function<QVariantList()>& builtIns) {
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    if (defaults.boolForKey(qs(seededKey)))
        return;
    defaults.setObjectForKey(builtIns(), qs(listKey));
    defaults.setObjectForKey(qs("YES"), qs(seededKey));
}

void store(const char* listKey, const QVariantList& presets) {
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    defaults.setObjectForKey(presets, qs(listKey));
    defaults.synchronize();
}

QStringList names(const QVariantList& presets, const char* nameKey) {
    QStringList names;
    for (const QVariant& preset : presets)
        names.append(preset.toMap().value(qs(nameKey)).toString());
    return names;
}

QVariantMap presetNamed(const QVariantList& presets, const char* nameKey, const QString& name) {
    for (const QVariant& item : presets) {
        const QVariantMap preset = item.toMap();
        if (preset.value(qs(nameKey)).toString().compare(name, Qt::CaseInsensitive) == 0)
            return preset;
    }
    return {};
}

void fillPopUp(QComboBox& popUp, int firstItem, const QStringList& names) {
    while (popUp.count() > firstItem)
        popUp.removeItem(firstItem);
    popUp.addItems(names);
}

void alertNameTaken(const QString& name) {
    ModalAlert::Request request(text("DUP_NAME"), stringWithFormat(text("CANT_ADD_PRESET"), name));
    request.defaultButton = text("OK");
    ModalAlert::run(request);
}

int askRemoval(const QString& name) {
    ModalAlert::Request request(text("REMOVE"), stringWithFormat(text("PRESET_WARN"), name));
    request.defaultButton = text("CANCEL");
    request.alternateButton = text("REMOVE");
    return ModalAlert::run(request);
}

} // namespace NamedPresets
