#pragma once

#include <QThread>
#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>
#include <vector>

// Runs work(first, last) over 0..count - 1 in consecutive pieces of `grain`
// items (the last may be shorter), on the calling thread and up to
// threads - 1 more (threads <= 0: one per core). Each thread takes the next
// piece nobody has taken, so a thread that gets little processor time on a
// busy machine holds nobody up; the caller returns when all pieces are done.
// A thread that cannot be started is simply not there. Work must not throw.
template <class Work> void parallelRanges(int count, int grain, int threads, const Work& work) {
    if (count <= 0)
        return;
    grain = std::max(grain, 1);
    const int pieces = (count - 1) / grain + 1;
    if (threads <= 0)
        threads = QThread::idealThreadCount();
    threads = std::clamp(threads, 1, pieces);
    std::atomic<int> next = 0;
    const auto takePieces = [&] {
        for (int piece = next++; piece < pieces; piece = next++)
            work(piece * grain, std::min(count, (piece + 1) * grain));
    };
    std::vector<std::thread> helpers;
    for (int i = 1; i < threads; ++i) {
        try {
            helpers.emplace_back(takePieces);
        } catch (const std::system_error&) {
            break;
        }
    }
    takePieces();
    for (std::thread& helper : helpers)
        helper.join();
}
