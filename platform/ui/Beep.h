#pragma once

#include "platform/foundation/PlatformExport.h"

// The system beep that tells the user an action was refused. Every beep is
// counted, so tests can see one where no sound is heard.
LUMISK_PLATFORM_EXPORT void beep();
LUMISK_PLATFORM_EXPORT int beepCount();
