#pragma once

#include "framework/FormwellExport.h"

#include <QVariant>

// The name of the property tag table in the application's resources.
inline constexpr char kEXIFTagFileName[] = "Exif.plist";

// The property tags that text objects offer as fields, flattened into one
// dictionary keyed "<group>-<tag>" (as "File-F001"), each holding a copy of
// the tag's entry; the groups "0", "EXIF", "File", "iPhoto" and "Template".
// An invalid QVariant when the tag file cannot be read; a later call tries
// again. Once read, the file is kept for the rest of the process (read again
// only when the resources folder changes).
FORMWELL_EXPORT QVariant GetMasterEXIFTagDictionary();
