// Page 6's pass: sets the access and modification time of each file to the current time (or a
// picked date at the current time of day). The change time cannot be set and the birth time is
// not settable on Linux; a folder or a special file is an item that cannot be set.
#pragma once

#include <ctime>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "rename/RenameRules.h"

namespace quillon {

class FileSystem;

inline constexpr const char* kCannotSetTimestampFormat = "%s (cannot set file timestamp)\n";
inline constexpr const char* kTimestampFailureFormat = "%s (%s)\n";
inline constexpr const char* kTimestampFailuresText =
    "The following file(s) failed to set timestamp:\n\n";
inline constexpr const char* kCreationTimeNote =
    "The creation time of a file cannot be set here: the access and modification times are set.";

// Where the pass reads the time and how it waits; the defaults are the system clock and sleep.
struct TimestampClock {
    std::function<struct timespec()> now;
    std::function<void(int milliseconds)> sleep;
};

struct TimestampResult {
    std::string failures;  // one line per item that was not set
    int done = 0;
    std::vector<struct timespec> times;  // the time given to each item (zero where it failed)
};

// The current time as page 6 uses it: with `date`, the picked day at the current UTC time of day.
struct timespec TimestampFor(struct timespec now, const Page6Options& options);

TimestampResult SetTimestamps(FileSystem& fs, const std::vector<RenameEntry>& entries,
                              const Page6Options& options,
                              const std::function<void(std::string_view)>& status = {},
                              const TimestampClock& clock = {});

// "The following file(s) failed to set timestamp:\n\n" + the list; empty for an empty list.
std::string TimestampFailuresMessage(const TimestampResult& result);

}  // namespace quillon
