// Per-run diagnostic log under $TMPDIR/quillon_log. Logging is off by default; every call still
// formats and returns its text, because callers show the same text in message boxes.
#pragma once

#include <ctime>
#include <functional>
#include <string>
#include <string_view>

namespace quillon {

// The log of one run, kept in the RunContext.
struct LogState {
    bool logEnabled = false;
    bool logTimestamp = true;
    bool folderComputed = false;
    bool folderUsable = false;
    std::string logFolder;
    std::string folderNote;  // why the usual folder was not taken, for the first line written
    std::string logPath;
    std::string logStamp;
    bool inSideLog = false;
    std::string savedLogPath;
    // Taken from the first side log of the run only and never again: a main log turned on
    // after that first side log is off again once the next side log ends.
    bool savedLogEnabledTaken = false;
    bool savedLogEnabled = false;
    // Where the run stamp and the line times come from; the system clock when empty. A test sets
    // it so that the names and lines it expects do not depend on when it runs.
    std::function<time_t()> clock;
};

// Starts this run's log file and returns its path (empty when an argument is empty, or when
// neither $TMPDIR/quillon_log nor $TMPDIR/quillon_log-<uid> is a folder of this user's own).
// `timestampSetting` answers whether the direct DWORD "LogTimestamp" is exactly 1; it is not
// consulted when `skipTimestampSetting` is set.
std::string OpenLog(std::string_view baseName, std::string_view extension,
                    bool skipTimestampSetting, const std::function<bool()>& timestampSetting = {});

std::string Log(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string LogError(long errorCode, const char* format, ...) __attribute__((format(printf, 2, 3)));

void SwitchToSideLog(std::string_view tag, std::string_view extension);
void RestoreMainLog();

void SetLogEnabled(bool enabled);
bool IsLogEnabled();

// Keeps the three newest "<baseName>-*.<extension>" files of the log folder.
void PruneLogs(std::string_view baseName, std::string_view extension);

std::string GetLogFolder();
std::string GetLogPath();
std::string GetLogStamp();
// Now, by the log's clock.
time_t LogClockNow();

}  // namespace quillon
