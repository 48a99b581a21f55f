#include "platform/foundation/Random.h"

#include <mutex>

namespace {

constexpr std::int64_t kModulus = 2147483647; // 2^31 - 1
constexpr std::int64_t kMultiplier = 16807;

std::mutex gMutex;
std::int64_t gSeed = 1;

std::int64_t usableSeed(std::int64_t seed) {
    std::int64_t s = seed % kModulus;
    if (s < 0)
        s += kModulus;
    return s == 0 ? 1 : s;
}

} // namespace

namespace Random {

int random16() {
    std::int64_t next;
    {
        const std::lock_guard<std::mutex> lock(gMutex);
        gSeed = (gSeed * kMultiplier) % kModulus;
        next = gSeed;
    }
    // The low 16 bits as a signed number; the one value without a positive
    // counterpart folds to 0 so the range is symmetric.
    const int value = int(std::int16_t(std::uint16_t(next & 0xFFFF)));
    return value == -32768 ? 0 : value;
}

void setSeed(std::int64_t seed) {
    const std::lock_guard<std::mutex> lock(gMutex);
    gSeed = usableSeed(seed);
}

std::int64_t seed() {
    const std::lock_guard<std::mutex> lock(gMutex);
    return gSeed;
}

} // namespace Random
