#include "platform/Log.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "base/TextConvert.h"
#include "platform/RunContext.h"

namespace quillon {
namespace {

LogState& State() {
    return RunContext::Current().log;
}

std::string VFormat(const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (length <= 0) {
        return {};
    }
    std::string text(static_cast<size_t>(length) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), format, args);
    text.resize(static_cast<size_t>(length));
    return text;
}

// Characters the target character set cannot hold become '?', one per character. A UTF-8 log
// takes the bytes as they are, so a name that is not valid UTF-8 is logged exactly.
std::string ToLocaleCharset(const std::string& utf8) {
    const std::string codeset = LocaleCharset();
    return IsUtf8CharsetName(codeset) ? utf8 : ConvertUtf8ToCharset(utf8, codeset.c_str());
}

void WriteLine(const std::string& text, bool withTimestamp) {
    LogState& state = State();
    if (!state.logEnabled || state.logPath.size() < 2) {
        return;
    }
    std::string line;
    line.reserve(text.size() + 50);
    if (withTimestamp && state.logTimestamp) {
        const time_t now = LogClockNow();
        struct tm local {};
        localtime_r(&now, &local);
        char stamp[64];
        std::strftime(stamp, sizeof stamp, "[%m/%d/%y %H:%M:%S]", &local);
        line += stamp;
        if (!text.empty()) {
            line += ' ';
            line += text;
        }
    } else {
        line += text;
    }
    line += '\n';
    if (!state.folderNote.empty()) {
        const std::string note = std::move(state.folderNote);
        state.folderNote.clear();
        WriteLine(note, withTimestamp);
    }
    const std::string bytes = ToLocaleCharset(line);
    // The lines hold full paths: for this user only, and never written through a planted link.
    int fd =
        ::open(state.logPath.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        return;
    }
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        done += static_cast<size_t>(n);
    }
    ::close(fd);
}

// Makes `folder` private to this user, or takes it when it already is this user's own folder.
// In a shared temporary folder another user can make the name first, or put a link there, and so
// read the log or steer its appends into this user's files. An own folder made open by an older
// run is closed. Empty when usable, else why not.
std::string ClaimLogFolder(const std::string& folder) {
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        return std::strerror(errno);
    }
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        struct stat st {};
        if (::lstat(folder.c_str(), &st) == 0) {
            return S_ISLNK(st.st_mode) ? "it is a symbolic link" : "it is not a folder";
        }
        return std::strerror(errno);
    }
    struct stat st {};
    std::string why;
    if (::fstat(fd, &st) != 0) {
        why = std::strerror(errno);
    } else if (st.st_uid != ::geteuid()) {
        why = "it belongs to user " + std::to_string(st.st_uid);
    } else if ((st.st_mode & 077) != 0 && ::fchmod(fd, 0700) != 0) {
        why = std::strerror(errno);
    }
    ::close(fd);
    return why;
}

std::string TwoDigits(int value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%.2d", value);
    return buffer;
}

}  // namespace

std::string GetLogFolder() {
    LogState& state = State();
    if (!state.folderComputed) {
        const char* tmp = std::getenv("TMPDIR");
        std::string base = (tmp != nullptr && *tmp != '\0') ? tmp : "/tmp";
        while (base.size() > 1 && base.back() == '/') {
            base.pop_back();
        }
        const std::string usual = (base == "/" ? std::string() : base) + "/quillon_log";
        state.folderComputed = true;
        state.logFolder = usual;
        const std::string why = ClaimLogFolder(usual);
        state.folderUsable = why.empty();
        if (!state.folderUsable) {
            state.logFolder = usual + "-" + std::to_string(::geteuid());
            const std::string whyNot = ClaimLogFolder(state.logFolder);
            // Without a folder of its own every line is dropped.
            state.folderUsable = whyNot.empty();
            state.folderNote = "The log folder " + usual + " is not used: " + why +
                               ". The log is written to " + state.logFolder + ".";
        }
    }
    return state.logFolder;
}

std::string GetLogPath() {
    return State().logPath;
}
std::string GetLogStamp() {
    return State().logStamp;
}
time_t LogClockNow() {
    const LogState& state = State();
    return state.clock ? state.clock() : std::time(nullptr);
}

void SetLogEnabled(bool enabled) {
    LogState& state = State();
    // A toggle during a side log is the user's choice for the main log, which it gets back.
    if (state.inSideLog) {
        state.savedLogEnabled = enabled;
    } else {
        state.logEnabled = enabled;
    }
}

bool IsLogEnabled() {
    const LogState& state = State();
    return state.inSideLog ? state.savedLogEnabled : state.logEnabled;
}

void PruneLogs(std::string_view baseName, std::string_view extension) {
    const std::string folder = GetLogFolder();
    if (!State().folderUsable) {
        return;
    }
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return;
    }
    const std::string prefix = std::string(baseName) + "-";
    const std::string suffix = "." + std::string(extension);
    std::vector<std::string> names;
    while (struct dirent* entry = ::readdir(dir)) {
        std::string name = entry->d_name;
        if (name.size() < prefix.size() + suffix.size() ||
            name.compare(0, prefix.size(), prefix) != 0 ||
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) {
            continue;
        }
        struct stat st {};
        if (::lstat((folder + "/" + name).c_str(), &st) != 0 || S_ISDIR(st.st_mode)) {
            continue;
        }
        names.push_back(std::move(name));
    }
    ::closedir(dir);
    if (names.size() <= 3) {
        return;
    }
    // Names carry MMDD_HHMMSS, so a byte-wise sort puts this year's newest runs last.
    std::sort(names.begin(), names.end());
    for (size_t i = 0; i + 3 < names.size(); ++i) {
        ::unlink((folder + "/" + names[i]).c_str());
    }
}

std::string OpenLog(std::string_view baseName, std::string_view extension,
                    bool skipTimestampSetting, const std::function<bool()>& timestampSetting) {
    if (baseName.empty() || extension.empty()) {
        return {};
    }
    LogState& state = State();
    const time_t now = LogClockNow();
    struct tm local {};
    localtime_r(&now, &local);
    state.logStamp = TwoDigits(local.tm_mon + 1) + TwoDigits(local.tm_mday) + "_" +
                     TwoDigits(local.tm_hour) + TwoDigits(local.tm_min) + TwoDigits(local.tm_sec);
    const std::string folder = GetLogFolder();
    state.logPath = state.folderUsable ? folder + "/" + std::string(baseName) + "-" +
                                             state.logStamp + "." + std::string(extension)
                                       : std::string();
    PruneLogs(baseName, extension);
    if (!skipTimestampSetting) {
        state.logTimestamp = timestampSetting ? timestampSetting() : false;
    }
    return state.logPath;
}

std::string Log(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = VFormat(format, args);
    va_end(args);
    WriteLine(text, true);
    return text;
}

std::string LogError(long errorCode, const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = VFormat(format, args);
    va_end(args);
    std::string composed;
    if (errorCode != 0) {
        char buffer[256];
        const char* message = strerror_r(static_cast<int>(errorCode), buffer, sizeof buffer);
        std::string system = message != nullptr ? message : "";
        if (system.size() > 255) {
            system.resize(255);
        }
        composed = text + "\tErrorCode: [" + std::to_string(errorCode) + "]=" + system;
        if (composed.size() >= 2 && composed.compare(composed.size() - 2, 2, "\r\n") == 0) {
            composed.resize(composed.size() - 2);
        } else if (!composed.empty() && composed.back() == '\n') {
            composed.pop_back();
        }
    } else {
        composed = text + ": OK";
    }
    WriteLine(composed, true);
    return composed;
}

void SwitchToSideLog(std::string_view tag, std::string_view extension) {
    LogState& state = State();
    // A nested switch keeps the main log as the one to return to.
    if (!state.inSideLog) {
        if (!state.savedLogEnabledTaken) {
            state.savedLogEnabled = state.logEnabled;
            state.savedLogEnabledTaken = true;
        }
        state.savedLogPath = state.logPath;
        state.inSideLog = true;
    }
    const std::string& mainPath = state.savedLogPath;
    if (mainPath.empty()) {
        state.logPath.clear();
        state.logEnabled = true;
        return;
    }
    size_t slash = mainPath.rfind('/');
    size_t dot = mainPath.rfind('.');
    std::string stem = (dot != std::string::npos && (slash == std::string::npos || dot > slash))
                           ? mainPath.substr(0, dot)
                           : mainPath;
    state.logPath = stem + "_" + std::string(tag) + "." + std::string(extension);
    state.logEnabled = true;
}

void RestoreMainLog() {
    LogState& state = State();
    if (!state.inSideLog) {
        return;
    }
    state.logPath = state.savedLogPath;
    state.logEnabled = state.savedLogEnabled;
    state.inSideLog = false;
}

}  // namespace quillon
