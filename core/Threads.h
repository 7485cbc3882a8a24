// The helper threads of the folder reads and the content comparison.
#pragma once

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/Log.h"

namespace quillon {

// More threads than this stop paying off on a single disk or a network share, and start to cost
// seeks there.
inline constexpr unsigned kMaxThreads = 8;

// The threads one read or one content comparison may use, the caller's own included: `wanted`
// when it is set, else one per core (at least two, so that waiting for the disk overlaps), and
// never more than kMaxThreads.
inline unsigned ThreadCount(unsigned wanted) {
    const unsigned count = wanted != 0 ? wanted : std::max(2u, std::thread::hardware_concurrency());
    return std::min(count, kMaxThreads);
}

// Starts up to `count` threads running `body` and returns how many started. Once the system
// refuses one, no more are tried: the caller's own thread does the work of those missing.
template <typename Body>
unsigned StartThreads(std::vector<std::thread>& threads, unsigned count, const Body& body) {
    for (unsigned started = 0; started < count; ++started) {
        try {
            threads.emplace_back(body);
        } catch (const std::system_error& e) {
            LogError(e.code().value(), "Cannot start helper thread %u of %u", started + 1, count);
            return started;
        }
    }
    return count;
}

// How often a window's thread that waits for other threads lets its loop turn: well below what a
// user notices as a window that stopped answering.
inline constexpr int kTickMs = 20;
// Items a long walk on a window's thread visits between two ticks; the pump keeps to its clock.
inline constexpr size_t kItemsPerTick = 4096;

// Runs `work` on a thread of its own and calls `tick` on this one every kTickMs until it ends,
// so that a window's event loop turns while the work waits on the disk. Without `tick`, or where
// no thread can be started, `work` runs here and is handed `tick` to call between its steps.
inline void RunBesideTicks(const std::function<void(const std::function<void()>&)>& work,
                           const std::function<void()>& tick) {
    if (!tick) {
        work({});
        return;
    }
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
    std::thread worker;
    try {
        worker = std::thread([&] {
            work({});
            {
                std::lock_guard<std::mutex> lock(mutex);
                done = true;
            }
            ended.notify_all();
        });
    } catch (const std::system_error& e) {
        LogError(e.code().value(), "Cannot start helper thread 1 of 1");
        work(tick);
        return;
    }
    std::unique_lock<std::mutex> lock(mutex);
    while (!ended.wait_for(lock, std::chrono::milliseconds(kTickMs), [&] { return done; })) {
        lock.unlock();
        tick();
        lock.lock();
    }
    lock.unlock();
    worker.join();
}

}  // namespace quillon
