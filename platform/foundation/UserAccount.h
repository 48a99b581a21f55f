#pragma once

#include "platform/foundation/PlatformExport.h"

#include <QString>
#include <sys/types.h>

// The user's account, as the system keeps it.
namespace UserAccount {

// The full name of the account (its first comment field), else its login
// name, else $USER.
LUMISK_PLATFORM_EXPORT QString userFullName();
// The mode the user's new files get: 0666 less the process's umask.
LUMISK_PLATFORM_EXPORT mode_t newFileMode();

} // namespace UserAccount
