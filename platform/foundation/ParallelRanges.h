#pragma once

#include <QThread>
#include <algorithm>
#include <system_error>
#include <thread>
#include <vector>

// Runs work(first, last) over 0..count - 1 split into at most `parts`
// consecutive ranges of equal length (the last may be shorter). The calling
// thread does the first range and waits for the others, each on a thread of
// its own; a thread that cannot be started leaves its range to the caller.
// Work must not throw. parts <= 0 means one range per core.
template <class Work> void parallelRanges(int count, int parts, const Work& work) {
    if (count <= 0)
        return;
    if (parts <= 0)
        parts = QThread::idealThreadCount();
    parts = std::clamp(parts, 1, count);
    const int perPart = (count + parts - 1) / parts;
    std::vector<std::thread> helpers;
    for (int first = perPart; first < count; first += perPart) {
        const int last = std::min(count, first + perPart);
        try {
            helpers.emplace_back([&work, first, last] { work(first, last); });
        } catch (const std::system_error&) {
            work(first, last);
        }
    }
    work(0, std::min(count, perPart));
    for (std::thread& helper : helpers)
        helper.join();
}
