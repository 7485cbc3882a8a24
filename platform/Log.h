// Per-run diagnostic log under $TMPDIR/quillon_log. Logging is off by default; every call still
// formats and returns its text, because callers show the same text in message boxes.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace quillon {

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

// Back to the start-up state (logging off, no file, folder recomputed from TMPDIR).
void ResetLogState();

std::string GetLogFolder();
std::string GetLogPath();
std::string GetLogStamp();

}  // namespace quillon
