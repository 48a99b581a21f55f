#pragma once

#include "platform/foundation/PlatformExport.h"
#include "platform/graphics/Image.h"

#include <QString>

// How the desktop shows a file to the user.
namespace FileDisplay {

// The name a file manager shows for the path: its last component (files keep
// their extensions on this desktop). Empty for an empty path.
LUMISK_PLATFORM_EXPORT QString displayNameAtPath(const QString& path);

// What kind of file the desktop says it is ("JPEG image", "Folder"), from its
// name and content; empty when the path can't be looked at.
LUMISK_PLATFORM_EXPORT QString kindAtPath(const QString& path);

// The icon theme's picture for the file's type, 32 x 32 points; null when the
// theme has none (or the path is empty).
LUMISK_PLATFORM_EXPORT Image iconForFile(const QString& path);

} // namespace FileDisplay
