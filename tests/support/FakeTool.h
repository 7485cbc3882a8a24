// Small executable scripts that stand in for outside programs in tests. Each one records its
// arguments, one per line, in a file beside it, then does what the test asked.
#pragma once

#include <string>
#include <vector>

#include "support/TestDir.h"

namespace quillon::test {

// Writes `relative` into `dir` as an executable that appends its arguments to "<relative>.args"
// and then runs the shell commands in `then` (for instance "exit 3" or "sleep 5").
std::string MakeFakeTool(TestDir& dir, const std::string& relative, const std::string& then = "");

// The arguments recorded by the fake tool at `toolPath`, waiting up to `waitMs` for them to appear.
std::vector<std::string> ReadFakeToolArgs(const std::string& toolPath, int waitMs = 5000);

}  // namespace quillon::test
