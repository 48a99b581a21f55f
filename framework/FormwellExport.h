#pragma once

#if defined(FORMWELL_BUILD)
#define FORMWELL_EXPORT __attribute__((visibility("default")))
#else
#define FORMWELL_EXPORT
#endif
