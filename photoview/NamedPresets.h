#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>
#include <functional>

class QComboBox;

// Named presets as the crop and enhancement palettes keep them: one list of
// dictionaries in the user defaults, each holding its name under the
// palette's name key. Names are unique without regard to case.
namespace NamedPresets {

// The first time only: the built-ins become the list, and the seeded key
// says so ("YES").
void seedOnce(const char* listKey, const char* seededKey,
              const std::function<QVariantList()>& builtIns);
// Writes the list and saves the defaults at once.
void store(const char* listKey, const QVariantList& presets);

QStringList names(const QVariantList& presets, const char* nameKey);
// The first preset with that name without regard to case; empty for none.
QVariantMap presetNamed(const QVariantList& presets, const char* nameKey, const QString& name);
// The pop-up's items from firstItem on become the names.
void fillPopUp(QComboBox& popUp, int firstItem, const QStringList& names);

// Tells the user the name is taken.
void alertNameTaken(const QString& name);
// Asks before the preset goes: answers the alert's return code, the
// alternate one for "remove".
int askRemoval(const QString& name);

} // namespace NamedPresets
