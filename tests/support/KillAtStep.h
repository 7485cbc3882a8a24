// Runs file-system work in a child process that SIGKILL stops just before its `killAt`th step,
// as a crash or a kill would stop the program: what the child wrote stays as it is, nothing is
// cleaned up.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>

#include "platform/FaultFileSystem.h"

namespace quillon::test {

// The child's wait status; `work` runs on a file system that counts the steps.
template <typename Work>
int RunKilledAtStep(uint64_t killAt, Work work) {
    const pid_t child = fork();
    if (child == 0) {
        FaultFileSystem fs;
        fs.SetStepHook([&fs, killAt] {
            if (fs.Steps() + 1 == killAt) {
                raise(SIGKILL);
            }
        });
        work(fs);
        _exit(0);
    }
    int status = -1;
    if (child > 0) {
        waitpid(child, &status, 0);
    }
    return status;
}

}  // namespace quillon::test
