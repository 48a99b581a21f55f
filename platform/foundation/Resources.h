#pragma once

#include "platform/foundation/PlatformExport.h"

#include <QImage>
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
// The picture of that name in the share folder's Images, with or without its
// extension (.png, .tiff, .tif and .jpg are tried in turn); null when there is
// none. A name that reaches into another folder names nothing.
LUMISK_PLATFORM_EXPORT QImage applicationImageNamed(const QString& name);
// The same, read once per name and share folder and kept for the life of the
// process. For the main thread's controls, which draw the same few often.
LUMISK_PLATFORM_EXPORT QImage cachedApplicationImageNamed(const QString& name);
// Tests point the share folder at a fixture; an empty path restores the default.
LUMISK_PLATFORM_EXPORT void setSharePathForTesting(const QString& path);
} // namespace Resources
