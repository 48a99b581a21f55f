#pragma once

#include "platform/foundation/PlatformExport.h"

#include <QString>

// Where the installed (or built) tree keeps what the program reads at run time.
// Found from this library's own location, so the same binaries run from the build
// tree and after installation.
namespace Resources {
// <prefix>/share/lumisk
LUMISK_PLATFORM_EXPORT QString sharePath();
// <prefix>/lib/lumisk/PreferencePanes
LUMISK_PLATFORM_EXPORT QString preferencePanesPath();
// <prefix>/lib
LUMISK_PLATFORM_EXPORT QString libraryPath();
// Tests point the share folder at a fixture; an empty path restores the default.
LUMISK_PLATFORM_EXPORT void setSharePathForTesting(const QString& path);
} // namespace Resources
