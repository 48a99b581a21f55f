#pragma once

// The type and user-defaults key of every preference index.

enum class PreferenceType {
    None, // the index names no setting
    Integer,
    Flag,
    Size,
    Text,
    ScrambledText, // setting 39: a text stored as scrambled bytes
    WindowSide,    // settings 2 and 3: the width and the height of setting 1
};

struct PreferenceEntry {
    PreferenceType type = PreferenceType::None;
    const char* key = nullptr; // none for None and WindowSide
};

// The entry of an index; PreferenceType::None for an index that names no setting.
PreferenceEntry preferenceEntry(int index);

// Keys of the defaults store that are not preference indices.
inline constexpr char kPreferencesInitializedKey[] = "prefPreferencesInitializedkey";
inline constexpr char kActiveProfilesKey[] = "prefActiveProfilesKey";
inline constexpr char kDefaultLivePreviewKey[] = "default_live_preview";
inline constexpr char kShowTemplateManagerKey[] = "_show_templateManager";
inline constexpr char kAppleMeasurementUnitsKey[] = "AppleMeasurementUnits";
inline constexpr char kNSMeasurementUnitKey[] = "NSMeasurementUnit";
