#pragma once

#include "platform/foundation/PlatformExport.h"

class QWidget;

// Shows a tool window in front without taking the activation from the window the
// user works in: some platforms activate every window they show, whatever it
// asks, so the window that was active takes the activation back.
LUMISK_PLATFORM_EXPORT void showToolWindow(QWidget& window);
