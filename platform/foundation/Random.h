#pragma once

#include "platform/foundation/PlatformExport.h"

#include <cstdint>

// The process-wide 16-bit random number generator: a minimal-standard
// multiplicative generator whose numbers lie in -32767 to 32767. Seeding
// makes a sequence repeat, so drawings that use it can be tested.
// Safe to call from any thread; the sequence is shared by all of them.
namespace Random {

// The next number, -32767 to 32767 (-32768 never comes out).
LUMISK_PLATFORM_EXPORT int random16();

// Restarts the sequence. Seeds that the generator cannot use (0 and
// multiples of its modulus) are replaced by 1.
LUMISK_PLATFORM_EXPORT void setSeed(std::int64_t seed);
LUMISK_PLATFORM_EXPORT std::int64_t seed();

} // namespace Random
