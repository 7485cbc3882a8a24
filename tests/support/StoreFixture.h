// Private config and temp folders (TempConfigEnv) with the registry and settings stores over them.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Log.h"
#include "platform/RegistryStore.h"
#include "platform/SettingsStore.h"
#include "support/TempConfigEnv.h"

namespace quillon::test {

class StoreFixture : public ::testing::Test {
  protected:
    // What Int() gives for an entry that is not stored; no setting holds it.
    static constexpr int kAbsent = -12345;
    int Int(std::string_view section, std::string_view entry) const {
        return store_.GetProfileInt(section, entry, kAbsent);
    }
    std::vector<std::string> Mru(std::string_view key) const {
        std::vector<std::string> list;
        store_.ReadMruList(key, list);
        return list;
    }
    // Opens this test's log with logging on and returns its path.
    std::string StartLog(std::string_view name = "Quillon") {
        const std::string path = OpenLog(name, "log", true);
        SetLogEnabled(true);
        return path;
    }
    static std::string ReadText(const std::string& path) { return ReadWholeFile(path); }
    std::string LogText() const { return ReadText(GetLogPath()); }
    TestDir& Dir() { return env_.Dir(); }
    // Runs `work` in a child process that exits with 0 when it returns true; gives the child's id.
    static pid_t InChild(const std::function<bool()>& work) {
        const pid_t pid = fork();
        if (pid == 0) {
            _exit(work() ? 0 : 1);
        }
        return pid;
    }
    static bool ExitedCleanly(pid_t pid) {
        int status = 0;
        return waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    TempConfigEnv env_;
    RegistryStore registry_{env_.RegistryFolder()};
    SettingsStore store_{registry_};
};

}  // namespace quillon::test
