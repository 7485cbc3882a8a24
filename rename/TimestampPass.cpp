#include "rename/TimestampPass.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "base/StringPrintf.h"
#include "platform/FileSystem.h"
#include "rename/RenamePass.h"

namespace quillon {

namespace {

struct timespec SystemNow() {
    struct timespec now {};
    clock_gettime(CLOCK_REALTIME, &now);
    return now;
}

void SystemSleep(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

// 0, or the errno that keeps the item's times from being set; `opened` tells an item that could
// not be opened for writing (or is no plain file) from one whose times were refused.
int SetItemTimes(FileSystem& fs, const std::string& path, const struct timespec& time,
                 bool& opened) {
    opened = false;
    int fd = -1;
    // Non-blocking, so that a FIFO without a reader fails instead of waiting for one.
    if (const int error = fs.Open(AT_FDCWD, path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY, 0, fd);
        error != 0) {
        return error;
    }
    const FsHandle handle(fs, fd);
    struct stat st {};
    if (const int error = fs.Fstat(fd, st); error != 0 || !S_ISREG(st.st_mode)) {
        return error != 0 ? error : EINVAL;
    }
    opened = true;
    const struct timespec times[2] = {time, time};
    return fs.SetTimes(fd, nullptr, times, 0);
}

}  // namespace

struct timespec TimestampFor(struct timespec now, const Page6Options& options) {
    if (!options.useDate) {
        return now;
    }
    struct tm utc {};
    const time_t seconds = now.tv_sec;
    gmtime_r(&seconds, &utc);
    utc.tm_year = options.date.year - 1900;
    utc.tm_mon = options.date.month - 1;
    utc.tm_mday = options.date.day;
    now.tv_sec = timegm(&utc);
    return now;
}

TimestampResult SetTimestamps(FileSystem& fs, const std::vector<RenameEntry>& entries,
                              const Page6Options& options,
                              const std::function<void(std::string_view)>& status,
                              const TimestampClock& clock) {
    const auto now = clock.now ? clock.now : SystemNow;
    const auto sleep = clock.sleep ? clock.sleep : SystemSleep;
    TimestampResult result;
    result.times.resize(entries.size());
    struct timespec time = TimestampFor(now(), options);
    for (size_t k = 0; k < entries.size(); ++k) {
        const RenameEntry& entry = entries[k];
        if (status) {
            status(StringPrintf(kProcessingFormat, entry.name));
        }
        bool opened = false;
        if (const int error = SetItemTimes(fs, entry.FullPath(), time, opened); error == 0) {
            result.times[k] = time;
            ++result.done;
        } else if (!opened) {
            result.failures += StringPrintf(kCannotSetTimestampFormat, entry.name);
        } else {
            result.failures +=
                StringPrintf(kTimestampFailureFormat, entry.name, std::strerror(error));
        }
        if (options.mode == 1 && k + 1 < entries.size()) {
            sleep(options.intervalMs);
            time = TimestampFor(now(), options);
        }
    }
    return result;
}

std::string TimestampFailuresMessage(const TimestampResult& result) {
    return result.failures.empty() ? std::string() : kTimestampFailuresText + result.failures;
}

}  // namespace quillon
