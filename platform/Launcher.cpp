#include "platform/Launcher.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "platform/RunContext.h"

extern char** environ;

namespace quillon {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

int64_t NowMs() {
    struct timespec ts {};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

int ExitCodeOf(int status) {
    if (WIFEXITED(status)) {
        return WEXITSTATUS(status);
    }
    if (WIFSIGNALED(status)) {
        return 128 + WTERMSIG(status);
    }
    return -1;
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view line) {
    std::vector<std::string> args;
    size_t i = 0;
    const size_t n = line.size();
    while (i < n && IsBlank(line[i])) {
        ++i;
    }
    if (i >= n) {
        return args;
    }

    std::string program;
    bool quotedProgram = false;
    while (i < n && (quotedProgram || !IsBlank(line[i]))) {
        if (line[i] == '"') {
            quotedProgram = !quotedProgram;
        } else {
            program.push_back(line[i]);
        }
        ++i;
    }
    args.push_back(std::move(program));

    while (true) {
        while (i < n && IsBlank(line[i])) {
            ++i;
        }
        if (i >= n) {
            break;
        }
        std::string arg;
        bool quoted = false;
        while (i < n && (quoted || !IsBlank(line[i]))) {
            if (line[i] == '\\') {
                size_t slashes = 0;
                while (i < n && line[i] == '\\') {
                    ++slashes;
                    ++i;
                }
                if (i < n && line[i] == '"') {
                    arg.append(slashes / 2, '\\');
                    if (slashes % 2 == 1) {
                        arg.push_back('"');
                        ++i;
                    }
                } else {
                    arg.append(slashes, '\\');
                }
                continue;
            }
            if (line[i] == '"') {
                if (quoted && i + 1 < n && line[i + 1] == '"') {
                    arg.push_back('"');
                    i += 2;
                    continue;
                }
                quoted = !quoted;
                ++i;
                continue;
            }
            arg.push_back(line[i++]);
        }
        args.push_back(std::move(arg));
    }
    return args;
}

std::string QuoteArgument(std::string_view arg) {
    std::string out = "\"";
    size_t slashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++slashes;
            continue;
        }
        if (c == '"') {
            out.append(2 * slashes + 1, '\\');
        } else {
            out.append(slashes, '\\');
        }
        slashes = 0;
        out.push_back(c);
    }
    // Backslashes before the closing quote are doubled so that the quote still closes.
    out.append(2 * slashes, '\\');
    out.push_back('"');
    return out;
}

std::string QuoteProgramIfBlank(std::string_view path) {
    if (path.find_first_of(" \t") == std::string_view::npos) {
        return std::string(path);
    }
    return "\"" + std::string(path) + "\"";
}

ProcessLauncher::~ProcessLauncher() {
    ReapFinished();
}

void ProcessLauncher::ReapFinished() {
    std::vector<pid_t> still;
    for (pid_t pid : running_) {
        int status = 0;
        const pid_t got = waitpid(pid, &status, WNOHANG);
        if (got == 0) {
            still.push_back(pid);
        }
    }
    running_.swap(still);
}

LaunchResult ProcessLauncher::Launch(const LaunchRequest& request) {
    ReapFinished();
    LaunchResult result;
    std::vector<std::string> args =
        request.argv.empty() ? SplitCommandLine(request.commandLine) : request.argv;
    if (args.empty() || args[0].empty()) {
        result.errorCode = ENOENT;
        return result;
    }
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attr);
    // Like a process started without handle inheritance: no stdin and none of our descriptors.
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    if (!request.workingFolder.empty()) {
        posix_spawn_file_actions_addchdir_np(&actions, request.workingFolder.c_str());
    }
    sigset_t none;
    sigemptyset(&none);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGCHLD);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    // Its own session, so that a terminal's Ctrl+C or hang-up aimed at us does not end the tool.
    posix_spawnattr_setflags(&attr,
                             POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSID);

    pid_t pid = -1;
    const bool searchPath = args[0].find('/') == std::string::npos;
    const int rc = searchPath ? posix_spawnp(&pid, argv[0], &actions, &attr, argv.data(), environ)
                              : posix_spawn(&pid, argv[0], &actions, &attr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    if (rc != 0) {
        result.errorCode = rc;
        return result;
    }
    result.started = true;
    result.pid = pid;
    if (request.waitMs == 0) {
        running_.push_back(pid);
        return result;
    }

    const int64_t deadline = request.waitMs > 0 ? NowMs() + request.waitMs : 0;
    int sleepMs = 1;
    while (true) {
        int status = 0;
        const pid_t got = waitpid(pid, &status, WNOHANG);
        if (got == pid) {
            result.exited = true;
            result.exitCode = ExitCodeOf(status);
            return result;
        }
        if (got < 0 && errno != EINTR) {
            result.errorCode = errno;
            return result;
        }
        if (request.waitMs > 0 && NowMs() >= deadline) {
            running_.push_back(pid);
            return result;
        }
        struct timespec pause {
            0, sleepMs * 1000000L
        };
        nanosleep(&pause, nullptr);
        sleepMs = sleepMs < 20 ? sleepMs * 2 : 20;
    }
}

Launcher& DefaultLauncher() {
    return RunContext::Current().DefaultLauncher();
}

}  // namespace quillon
