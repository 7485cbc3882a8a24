// The helper threads of the folder reads and the content comparison.
#pragma once

#include <algorithm>
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

}  // namespace quillon
