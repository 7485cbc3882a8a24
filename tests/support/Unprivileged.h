// Root reads every file and searches every folder, so a test of an unreadable file or folder does
// its reading as the unprivileged user 65534 in a child process; the tree must be reachable for
// that user (TestDir folders are private: open the root with chmod 0755 first).
#pragma once

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

namespace quillon::test {

// True when `check` ran without privileges and returned true.
inline bool AsUnprivilegedUser(const std::function<bool()>& check) {
    const pid_t pid = fork();
    if (pid == 0) {
        if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setresgid(65534, 65534, 65534) != 0 ||
                               setresuid(65534, 65534, 65534) != 0)) {
            _exit(2);
        }
        _exit(check() ? 0 : 1);
    }
    int status = 0;
    return waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace quillon::test
