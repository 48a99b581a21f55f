#pragma once

#if defined(LUMISK_PLATFORM_BUILD)
#define LUMISK_PLATFORM_EXPORT __attribute__((visibility("default")))
#else
#define LUMISK_PLATFORM_EXPORT
#endif
