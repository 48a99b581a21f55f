#include "shell/PreferenceTable.h"

#include <array>
#include <cstddef>

namespace {

using T = PreferenceType;

constexpr int kLastIndex = 51;

constexpr std::array<PreferenceEntry, kLastIndex + 1> kTable = {{
    /* 0 */ {T::None, nullptr},
    /* 1 */ {T::Size, "prefDocumentWindowSizekey"},
    /* 2 */ {T::WindowSide, nullptr},
    /* 3 */ {T::WindowSide, nullptr},
    /* 4 */ {T::Flag, "prefDocumentDrawerOpenkey"},
    /* 5 */ {T::Integer, "prefLayoutArrangementModekey"},
    /* 6 */ {T::Flag, "prefAppNewDocumentOnActivatekey"},
    /* 7 */ {T::None, nullptr},
    /* 8 */ {T::Flag, "prefImportProfileskey"},
    /* 9 */ {T::Flag, "prefEnableSaveBackkey"},
    /* 10 */ {T::Integer, "prefSaveBackSpatialQualitykey"},
    /* 11 */ {T::Integer, "prefDocumentDrawerWidthkey"},
    /* 12 */ {T::Integer, "prefLayoutScaleModekey"},
    /* 13 */ {T::Size, "prefTemplateSelectorSizeKey"},
    /* 14 */ {T::Flag, "prefRememberWindowSizeAndPos"},
    /* 15 */ {T::Integer, "prefRedEyeApertureKey"},
    /* 16 */ {T::Integer, "prefPTDResolutionKey"},
    /* 17 */ {T::Integer, "prefPrintLimitResolutionKey"},
    /* 18 */ {T::Integer, "prefPrintLimitTypeKey"},
    /* 19 */ {T::Flag, "prefPrintLimitEnabledKey"},
    /* 20 */ {T::Flag, "prefPrintMirroredEnabledKey"},
    /* 21 */ {T::Flag, "prefPTDMirroredEnabledKey"},
    /* 22 */ {T::Flag, "prefPrintUseProfileKey"},
    /* 23 */ {T::Flag, "prefPrintExternalMatchingKey"},
    /* 24 */ {T::Flag, "prefPrintBypassColorMatching"},
    /* 25 */ {T::Flag, "prefPrintSkipEmptyPrintAreasEnabledKey"},
    /* 26 */ {T::Size, "prefIPhotoSelectorSizeKey"},
    /* 27 */ {T::Integer, "prefIPhotoAlbumIDKey"},
    /* 28 */ {T::None, nullptr},
    /* 29 */ {T::None, nullptr},
    /* 30 */ {T::None, nullptr},
    /* 31 */ {T::None, nullptr},
    /* 32 */ {T::Text, "prefSendersFullNameKey"},
    /* 33 */ {T::Text, "prefSendersEmailAddressKey"},
    /* 34 */ {T::Text, "prefSendMailHostKey"},
    /* 35 */ {T::Integer, "prefSendServerPortKey"},
    /* 36 */ {T::Flag, "prefSendUseSSLKey"},
    /* 37 */ {T::Integer, "prefSendAuthenticationMethodKey"},
    /* 38 */ {T::Text, "prefSendUsernameKey"},
    /* 39 */ {T::ScrambledText, "prefSendPasswordKey"},
    /* 40 */ {T::Flag, "prefExchangeCheckForUpdatesKey"},
    /* 41 */ {T::Integer, "prefExchangeUpdateFrequencyKey"},
    /* 42 */ {T::Text, "prefTemplateDocCategoryKey"},
    /* 43 */ {T::Text, "prefTemplateDocCreatorKey"},
    /* 44 */ {T::Text, "prefTemplateDocCopyrightKey"},
    /* 45 */ {T::Integer, "prefTemplateDocVersionKey"},
    /* 46 */ {T::Flag, "prefTemplatePageSizingMethodKey"},
    /* 47 */ {T::Size, "prefTemplatePageSizeKey"},
    /* 48 */ {T::Integer, "prefTemplatePageDisplayUnitsKey"},
    /* 49 */ {T::Integer, "prefTemplatePageGridDivisionsKey"},
    /* 50 */ {T::Flag, "prefCheckForApplicationUpdatesKey"},
    /* 51 */ {T::Flag, "prefSimplifiedPrintingKey"},
}};

} // namespace

PreferenceEntry preferenceEntry(int index) {
    if (index < 0 || index > kLastIndex)
        return {};
    return kTable[std::size_t(index)];
}
