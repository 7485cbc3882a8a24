#include "platform/Ghostscript.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "base/PathUtil.h"
#include "platform/Log.h"
#include "platform/RegistryStore.h"
#include "platform/RunContext.h"
#include "platform/ToolLocator.h"

extern char** environ;

namespace quillon {

namespace {

constexpr std::string_view kGplKey = "Software\\GPL Ghostscript";
constexpr std::string_view kOwnKey = "Software\\Quillon";

bool IsExecutableFile(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

std::string OwnProgramFolder() {
    char path[4096];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path);
    if (length <= 0) {
        return {};
    }
    return std::string(DirName(std::string_view(path, static_cast<size_t>(length))));
}

std::string CurrentFolder() {
    char buffer[4096];
    return ::getcwd(buffer, sizeof buffer) != nullptr ? std::string(buffer) : std::string("/");
}

// Every version registered under the GPL key of one view; the last hit wins, as more than one
// version may be installed and the newest is normally enumerated last.
std::string FromGplKey(const RegistryStore& store, RegView view) {
    std::string found;
    Log("INFO: GPL key found in Registry. Enumerating sub-key(s)...");
    for (const std::string& version : store.EnumSubkeys(RegHive::LocalMachine, kGplKey, view)) {
        const std::string key = std::string(kGplKey) + "\\" + version;
        const auto dll = store.GetValue(RegHive::LocalMachine, key, "GS_DLL", view);
        if (!dll || dll->type != RegType::String) {
            LogError(ENOENT, "RegQueryValueEx() for GS_DLL");
            continue;
        }
        Log("INFO: GS_DLL=%s", dll->text.c_str());
        const std::string folder(DirName(dll->text));
        std::vector<std::string> names;
        if (view == RegView::Bits64) {
            names.push_back("gswin64c.exe");
        }
        names.push_back("gswin32c.exe");
        names.push_back("gs");
        for (const std::string& name : names) {
            const std::string candidate = JoinPath(folder, name);
            if (IsExecutableFile(candidate)) {
                Log("INFO: %s found.", candidate.c_str());
                found = candidate;
                break;
            }
            Log("INFO: %s doesn't exist.", candidate.c_str());
        }
    }
    return found;
}

void SetCloexec(int fd) {
    ::fcntl(fd, F_SETFD, FD_CLOEXEC);
}

long long MonotonicMs() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

}  // namespace

std::string FindGhostscript(const RegistryStore& store, const GhostscriptSearch& where) {
    std::string found;
    if (store.KeyExists(RegHive::LocalMachine, kGplKey, RegView::Bits32)) {
        found = FromGplKey(store, RegView::Bits32);
    } else if (store.KeyExists(RegHive::LocalMachine, kGplKey, RegView::Bits64)) {
        found = FromGplKey(store, RegView::Bits64);
    }
    if (found.empty() && !where.programFolder.empty()) {
        const std::string folder = JoinPath(where.programFolder, "libpanorel");
        Log("INFO: Not found either. Trying %s...", folder.c_str());
        if (IsExecutableFile(JoinPath(folder, "gs"))) {
            found = JoinPath(folder, "gs");
        }
    }
    if (found.empty()) {
        const auto own = store.GetValue(RegHive::LocalMachine, kOwnKey, "GsExe");
        if (own && own->type == RegType::String && IsExecutableFile(own->text)) {
            found = own->text;
        }
    }
    if (found.empty()) {
        found = FindOnSearchPath("gs", where.searchPath);
        if (!found.empty() && found.front() != '/') {
            found = AbsolutePath(CurrentFolder(), found);
        }
    }
    return found;
}

std::string FindGhostscript() {
    const char* path = std::getenv("PATH");
    GhostscriptSearch where{OwnProgramFolder(),
                            path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin"};
    return FindGhostscript(RunContext::Current().Registry(), where);
}

bool GhostscriptOutputHasError(std::string_view output) {
    return output.find("Error handled by opdfread.ps") != std::string_view::npos ||
           output.find("Error:") != std::string_view::npos;
}

std::string GhostscriptInputArg(const std::string& path) {
    return AbsolutePath(CurrentFolder(), path);
}

std::string GhostscriptOutputArg(const std::string& path) {
    std::string arg = "-sOutputFile=";
    for (const char c : AbsolutePath(CurrentFolder(), path)) {
        arg += c;
        if (c == '%') {
            arg += '%';
        }
    }
    return arg;
}

GhostscriptRun RunGhostscriptFor(const std::string& gs, const std::vector<std::string>& args,
                                 int timeoutMs) {
    GhostscriptRun run;
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        run.startError = errno;
        return run;
    }
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(gs.c_str()));
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 2);
    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, gs.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    if (spawned != 0) {
        ::close(pipeFds[0]);
        run.startError = spawned;
        return run;
    }
    run.started = true;
    SetCloexec(pipeFds[0]);

    // Output past the limit is only scanned for errors, so a chatty run cannot fill the memory.
    const long long deadline = MonotonicMs() + timeoutMs;
    std::string tail;
    char buffer[16384];
    for (;;) {
        const long long left = deadline - MonotonicMs();
        if (left <= 0) {
            run.timedOut = true;
            break;
        }
        pollfd ready{pipeFds[0], POLLIN, 0};
        const int polled = ::poll(&ready, 1, static_cast<int>(left > 60000 ? 60000 : left));
        if (polled < 0 && errno == EINTR) {
            continue;
        }
        if (polled <= 0) {
            continue;
        }
        const ssize_t got = ::read(pipeFds[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        const std::string_view chunk(buffer, static_cast<size_t>(got));
        const std::string scanned = tail + std::string(chunk);
        if (GhostscriptOutputHasError(scanned)) {
            run.errorInOutput = true;
        }
        tail = scanned.size() > 64 ? scanned.substr(scanned.size() - 64) : scanned;
        if (run.output.size() < kGhostscriptOutputLimit) {
            run.output.append(chunk.substr(0, kGhostscriptOutputLimit - run.output.size()));
        }
    }
    ::close(pipeFds[0]);
    if (run.timedOut) {
        ::kill(pid, SIGKILL);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!run.timedOut) {
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    return run;
}

bool RunGhostscript(const std::string& gs, const std::vector<std::string>& args,
                    std::string* output) {
    GhostscriptRun run = RunGhostscriptFor(gs, args);
    if (output != nullptr) {
        *output = std::move(run.output);
    }
    return run.Succeeded();
}

bool GhostscriptToPdf(const std::string& gs, const std::string& input, const std::string& output,
                      std::string* error) {
    auto fail = [error](std::string text) {
        if (error != nullptr) {
            *error = std::move(text);
        }
        return false;
    };
    if (gs.empty()) {
        return fail("Ghostscript was not found.");
    }
    std::string target = AbsolutePath(CurrentFolder(), output);
    struct stat st {};
    if (::lstat(target.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char* real = ::realpath(target.c_str(), nullptr);
        if (real == nullptr) {
            return fail(target + ": the link leads nowhere.");
        }
        target = real;
        std::free(real);
    }
    // A replaced file keeps its permissions; a new one gets the usual ones.
    mode_t mode = 0666;
    if (::stat(target.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) {
            return fail(target + ": not a regular file.");
        }
        mode = st.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode &= ~mask;
    }
    std::string temp = std::string(DirName(target));
    temp = JoinPath(temp, ".pdf-XXXXXX");
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        return fail(temp + ": " + std::strerror(errno));
    }
    ::close(fd);
    // A PDF input goes through Ghostscript 10.0's older reader: the new one garbles the character
    // map Qt writes for characters beyond Latin-1, so a search in the result would not find Greek
    // or Cyrillic text. Versions without the older reader ignore the switch.
    const GhostscriptRun run = RunGhostscriptFor(
        gs, {"-q", "-dSAFER", "-dNOPAUSE", "-dBATCH", "-dNEWPDF=false", "-sDEVICE=pdfwrite",
             GhostscriptOutputArg(temp), GhostscriptInputArg(input)});
    std::string why;
    if (!run.started) {
        why = gs + ": " + std::strerror(run.startError);
    } else if (run.timedOut) {
        why = "Ghostscript did not finish in time.";
    } else if (!run.Succeeded()) {
        why = "Ghostscript failed (exit code " + std::to_string(run.exitCode) + "): " + run.output;
    } else if (::stat(temp.c_str(), &st) != 0 || st.st_size == 0) {
        why = "Ghostscript wrote no PDF.";
    }
    if (why.empty()) {
        const int written = ::open(temp.c_str(), O_RDONLY | O_CLOEXEC);
        if (written >= 0) {
            ::fsync(written);
            ::close(written);
        }
        ::chmod(temp.c_str(), mode);
        if (::rename(temp.c_str(), target.c_str()) == 0) {
            return true;
        }
        why = target + ": " + std::strerror(errno);
    }
    ::unlink(temp.c_str());
    return fail(why);
}

}  // namespace quillon
