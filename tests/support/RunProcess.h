// Runs a real program with extra environment; output goes through files so it cannot block.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "support/TestDir.h"

extern char** environ;

namespace quillon::test {

// QUILLON_BIN when set, else `quillon` in the build folder above the running test program's.
inline std::string QuillonProgram() {
    if (const char* bin = std::getenv("QUILLON_BIN")) {
        return bin;
    }
    char self[4096] = {};
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string dir = std::string(self, n > 0 ? size_t(n) : 0);
    dir = dir.substr(0, dir.rfind('/'));
    return dir.substr(0, dir.rfind('/')) + "/quillon";
}

struct ProcessResult {
    int status = -1;  // exit status, or -1 when the program could not run or was killed
    std::string out;
    std::string err;
};

// `env` entries ("NAME=value") override inherited ones; a non-empty `cwd` is the child's folder.
inline ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                                const std::vector<std::string>& env = {},
                                const std::string& cwd = {}) {
    TestDir scratch;
    const std::string outPath = scratch / "stdout";
    const std::string errPath = scratch / "stderr";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (!cwd.empty()) {
        posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
    }
    std::vector<char*> envp;
    for (const std::string& e : env) {
        envp.push_back(const_cast<char*>(e.c_str()));
    }
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string_view name(*e, std::strcspn(*e, "="));
        if (std::none_of(env.begin(), env.end(), [&](const std::string& mine) {
                return mine.substr(0, mine.find('=')) == name;
            })) {
            envp.push_back(*e);
        }
    }
    envp.push_back(nullptr);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    ProcessResult result;
    pid_t pid = 0;
    int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc == 0) {
        int wstatus = 0;
        while (waitpid(pid, &wstatus, 0) < 0 && errno == EINTR) {
        }
        result.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
    }
    result.out = ReadWholeFile(outPath);
    result.err = ReadWholeFile(errPath);
    return result;
}

}  // namespace quillon::test
