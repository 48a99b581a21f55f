#pragma once

#include "platform/foundation/Geometry.h"

#include <QString>

class SystemEnvironment;
class UserDefaults;

// The user's settings by preference index, read and written straight through to the
// user defaults. Every read first brings the stored defaults up to the current
// settings level with a ladder of versioned steps; every write stores only a change.
class SettingsStore {
public:
    static constexpr int kCurrentLevel = 144;

    SettingsStore(UserDefaults& defaults, SystemEnvironment& environment);

    // Unknown indices read as -1, NO, the zero size and no text; setters ignore them.
    int preferencesIntFor(int index);
    void setPreferencesIntFor(int value, int index);
    bool preferencesBOOLFor(int index);
    void setPreferencesBOOLFor(bool value, int index);
    Size preferencesNSSizeFor(int index);
    void setPreferencesNSSizeFor(Size value, int index);
    QString preferencesStringFor(int index);
    void setPreferencesStringFor(const QString& value, int index);

    // Runs the steps above the stored level; a level above the current one runs none.
    void initPreferences();

    UserDefaults& defaults() { return _defaults; }

private:
    int storedLevel() const;
    // True when the step of `level` is due; it then stores its level first.
    bool beginStep(int level);
    void runLevel128Step();
    QString storedPassword(const QString& userName);

    UserDefaults& _defaults;
    SystemEnvironment& _environment;
};
