// Scripts standing in for outside programs: each records its arguments, then does what it is told.
#pragma once

#include <string>
#include <vector>

#include "support/TestDir.h"

namespace quillon::test {

// An executable that writes its arguments to "<relative>.args", then runs the shell text `then`.
std::string MakeFakeTool(TestDir& dir, const std::string& relative, const std::string& then = "");

// The arguments recorded by the fake tool at `toolPath`, waiting up to `waitMs` for them to appear.
std::vector<std::string> ReadFakeToolArgs(const std::string& toolPath, int waitMs = 5000);

}  // namespace quillon::test
