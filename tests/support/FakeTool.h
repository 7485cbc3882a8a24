// Scripts standing in for outside programs: each records its arguments, then does what it is told.
#pragma once

#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/TestDir.h"

namespace quillon::test {

// An executable that writes its arguments to "<relative>.args", then runs the shell text `then`.
inline std::string MakeFakeTool(TestDir& dir, const std::string& relative,
                                const std::string& then = "") {
    const std::string path = dir / relative;
    // The record is written to a temporary name and renamed, so a reader never sees half of it.
    dir.WriteFile(relative,
                  "#!/bin/sh\n"
                  "out=\"$0.args\"\n"
                  "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$out.tmp\"\n"
                  "mv \"$out.tmp\" \"$out\"\n" +
                      then + "\n");
    if (chmod(path.c_str(), 0755) != 0) {
        throw std::runtime_error("chmod " + path);
    }
    return path;
}

// The arguments recorded by the fake tool at `toolPath`, waiting up to `waitMs` for them to appear.
inline std::vector<std::string> ReadFakeToolArgs(const std::string& toolPath, int waitMs = 5000) {
    const std::string record = toolPath + ".args";
    // The record appears by a rename; the bound only keeps a tool that never ran from hanging.
    const int watch = inotify_init1(IN_CLOEXEC);
    if (watch < 0 || inotify_add_watch(watch, toolPath.substr(0, toolPath.rfind('/')).c_str(),
                                       IN_MOVED_TO) < 0) {
        throw std::runtime_error("inotify on " + toolPath);
    }
    pollfd ready{watch, POLLIN, 0};
    char events[4096];
    while (access(record.c_str(), F_OK) != 0 && poll(&ready, 1, waitMs) > 0) {
        if (read(watch, events, sizeof events) < 0) {
            break;
        }
    }
    close(watch);
    std::ifstream in(record);
    std::vector<std::string> args;
    std::string line;
    while (std::getline(in, line)) {
        args.push_back(line);
    }
    return args;
}

}  // namespace quillon::test
