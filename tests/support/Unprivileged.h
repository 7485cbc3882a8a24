// Runs part of a test as nobody, so that permission checks apply although the suite runs as root.
#pragma once

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>

#include "support/TestDir.h"

namespace quillon::test {

inline constexpr uid_t kNobody = 65534;

// Coverage builds only: _exit skips the handler that writes the counters, so the child writes them.
extern "C" void __gcov_dump(void) __attribute__((weak));

// Lets nobody into the temporary folder; what MakeTree creates is readable by everyone.
inline void OpenToNobody(const TestDir& dir) {
    chmod(dir.Path().c_str(), 0755);
}

// The text `body` returns in a forked child as nobody (no assertions there); none if it failed.
inline std::optional<std::string> RunAsNobody(const std::function<std::string()>& body) {
    int fds[2];
    if (pipe(fds) != 0) {
        return std::nullopt;
    }
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        if (geteuid() == 0 &&
            (setgroups(0, nullptr) != 0 || setresgid(kNobody, kNobody, kNobody) != 0 ||
             setresuid(kNobody, kNobody, kNobody) != 0)) {
            _exit(3);
        }
        std::string text;
        // An exception must not reach the test runner, which would go on running tests here.
        try {
            text = body();
        } catch (...) {
            _exit(5);
        }
        FILE* out = fdopen(fds[1], "w");
        if (fwrite(text.data(), 1, text.size(), out) != text.size() || fclose(out) != 0) {
            _exit(4);
        }
        if (__gcov_dump != nullptr) {
            __gcov_dump();
        }
        _exit(0);
    }
    close(fds[1]);
    std::string text;
    char buffer[4096];
    FILE* in = fdopen(fds[0], "r");
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, in)) > 0;) {
        text.append(buffer, n);
    }
    fclose(in);
    int status = 0;
    while (pid > 0 && waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (pid < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return std::nullopt;
    }
    return text;
}

// True when `check` ran as nobody and returned true.
inline bool AsUnprivilegedUser(const std::function<bool()>& check) {
    return RunAsNobody([&] { return std::string(check() ? "1" : "0"); }) == "1";
}

}  // namespace quillon::test
