#pragma once

#include "platform/foundation/PlatformExport.h"

#include <QByteArray>
#include <QImage>
#include <QString>

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

// User-defaults key of the path to the ICC profile of the user's printer or proofing
// device: the profile output is tagged with when no other is chosen.
inline constexpr const char* kOutputProfilePathKey = "OutputProfilePath";

// Result codes of the profile calls below; 0 is success.
enum ColorMatchResult : int {
    kColorMatchNoError = 0,
    kColorMatchFileError = -1,       // the file cannot be read or is too large
    kColorMatchNotAProfile = -2,     // the bytes are no ICC profile
    kColorMatchNotRGB = -3,          // a profile of another colour space than RGB
    kColorMatchUnknownLayout = -4,   // pixels the matcher takes no layout for
    kColorMatchTransformFailed = -5, // no transform between the two profiles
};

// The output profile: the one the user configured when it is a readable profile,
// else the default RGB profile.
LUMISK_PLATFORM_EXPORT QByteArray defaultOutputProfile();

// The bytes of an ICC profile file; empty, with the reason in *result, when the path
// names no readable profile (a folder, a missing file, another kind of file).
LUMISK_PLATFORM_EXPORT QByteArray readProfileFile(const QString& path, int* result = nullptr);

// The profile's description: its 'desc' tag, else its 'dscm' tag; null when it has
// neither or the bytes are no profile.
LUMISK_PLATFORM_EXPORT QString profileDescription(const QByteArray& profile);

// Converts pixels in place from the source to the destination profile, both RGB:
// 24-bit RGB, 32-bit RGB with a padding byte, and 32-bit RGB with alpha (straight or
// premultiplied), alpha and padding untouched. Answers a ColorMatchResult; the
// pixels are unchanged unless it is kColorMatchNoError.
LUMISK_PLATFORM_EXPORT int matchBitmap(QImage& image, const QByteArray& sourceProfile,
                                       const QByteArray& destinationProfile);
