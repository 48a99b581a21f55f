#pragma once

#include "platform/foundation/PlatformExport.h"

#include <QByteArray>
#include <QImage>

// Colour matching of pixels between ICC profiles (kept as their bytes).

// User-defaults key of the path to the ICC profile of the user's display.
inline constexpr const char* kDisplayProfilePathKey = "DisplayProfilePath";

// The profile of the RGB colour space that unprofiled pictures are taken to be in (sRGB).
LUMISK_PLATFORM_EXPORT QByteArray defaultRGBProfile();

// The display's profile: the one the user configured when it is a readable RGB
// profile, else the default RGB profile.
LUMISK_PLATFORM_EXPORT QByteArray defaultDisplayProfile();

// Whether the bytes form an ICC profile of an RGB colour space.
LUMISK_PLATFORM_EXPORT bool isRGBProfile(const QByteArray& profile);

// Converts the colours of a 32-bit (A)RGB picture in place from the source to the
// destination profile, alpha untouched. False, with the pixels unchanged, when
// either profile is not an RGB profile or the picture is not 32-bit RGB.
LUMISK_PLATFORM_EXPORT bool matchPixels(QImage& image, const QByteArray& sourceProfile,
                                        const QByteArray& destinationProfile);
