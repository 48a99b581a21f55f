#pragma once

#include "platform/foundation/PlatformExport.h"

#include <QString>
#include <QVariant>
#include <QVariantMap>

// The information entries of the running program ("CFBundleExecutable",
// "CFBundleName", ...), as its pane plug-ins carry theirs in their metadata. The
// program compiles them in as the Qt resource ":/bundle/Info.json"; a program
// without it has no entries.
namespace MainBundle {
LUMISK_PLATFORM_EXPORT QVariantMap infoDictionary();
// An invalid value when the entry is missing.
LUMISK_PLATFORM_EXPORT QVariant objectForInfoDictionaryKey(const QString& key);
} // namespace MainBundle
