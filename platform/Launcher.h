// Starting outside programs. Command lines are built and logged as one text, as the user would
// type them on Windows, then split into arguments with the Windows C runtime's rules and started
// directly with posix_spawn: no shell ever sees them, so no character in a file name is special.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>
#include <vector>

namespace quillon {

// Splits `commandLine` as the Windows C runtime does: blanks separate arguments, double quotes
// group, 2n backslashes before a quote give n backslashes and the quote toggles grouping,
// 2n+1 backslashes before a quote give n backslashes and a literal quote, and "" inside a quoted
// part is a literal quote. In the first argument (the program) quotes only toggle grouping and
// backslashes are plain characters.
std::vector<std::string> SplitCommandLine(std::string_view commandLine);

// `arg` in double quotes, escaped so that SplitCommandLine gives it back unchanged. A path without
// quotes and without a trailing backslash is simply wrapped.
std::string QuoteArgument(std::string_view arg);

// A program path for the front of a command line: quoted only when it contains a blank.
std::string QuoteProgramIfBlank(std::string_view path);

inline constexpr int kWaitForever = -1;

struct LaunchRequest {
    std::string commandLine;
    // When not empty, the arguments as they are (the program first) and `commandLine` is only
    // the text that is logged: a name put into an argument is never split or unquoted again.
    std::vector<std::string> argv;
    std::string workingFolder;  // empty: the caller's
    int waitMs = 0;             // 0: do not wait; kWaitForever; otherwise an upper bound
};

struct LaunchResult {
    bool started = false;
    int errorCode = 0;  // errno of a failed start
    pid_t pid = -1;
    bool exited = false;  // waited, and the process ended within the bound
    int exitCode = -1;    // 128 + the signal number when a signal ended it
};

class Launcher {
  public:
    virtual ~Launcher() = default;
    virtual LaunchResult Launch(const LaunchRequest& request) = 0;
};

// The real thing. Children that are not waited for (or outlive the bound) are reaped on later
// calls and when the launcher goes away, so no zombie outlives it for long.
class ProcessLauncher : public Launcher {
  public:
    ProcessLauncher() = default;
    ~ProcessLauncher() override;
    ProcessLauncher(const ProcessLauncher&) = delete;
    ProcessLauncher& operator=(const ProcessLauncher&) = delete;

    LaunchResult Launch(const LaunchRequest& request) override;
    // Collects children that have ended since they were started without waiting.
    void ReapFinished();
    size_t RunningCount() const { return running_.size(); }

  private:
    std::vector<pid_t> running_;
};

// The launcher used by the application unless a caller hands in another one: the current
// RunContext's.
Launcher& DefaultLauncher();

}  // namespace quillon
