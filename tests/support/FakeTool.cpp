#include "support/FakeTool.h"

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace quillon::test {

std::string MakeFakeTool(TestDir& dir, const std::string& relative, const std::string& then) {
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

std::vector<std::string> ReadFakeToolArgs(const std::string& toolPath, int waitMs) {
    const std::string record = toolPath + ".args";
    for (int waited = 0; access(record.c_str(), F_OK) != 0 && waited < waitMs; waited += 10) {
        usleep(10 * 1000);
    }
    std::ifstream in(record);
    std::vector<std::string> args;
    std::string line;
    while (std::getline(in, line)) {
        args.push_back(line);
    }
    return args;
}

}  // namespace quillon::test
