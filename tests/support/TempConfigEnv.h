// A private XDG_CONFIG_HOME and TMPDIR and a fresh run context: the user's own are never touched.
#pragma once

#include <string>

#include "platform/RegistryStore.h"
#include "platform/RunContext.h"
#include "support/ScopedEnv.h"
#include "support/TestDir.h"

namespace quillon::test {

class TempConfigEnv {
  public:
    TempConfigEnv()
        : config_("XDG_CONFIG_HOME", dir_.Path() + "/config"),
          tmp_("TMPDIR", dir_.Path() + "/tmp") {
        dir_.MakeFolder("config");
        dir_.MakeFolder("tmp");
    }
    TestDir& Dir() { return dir_; }
    // The folder that holds the hive files.
    std::string RegistryFolder() const { return RegistryStore::FolderFromEnvironment(); }

  private:
    TestDir dir_;
    ScopedEnv config_;
    ScopedEnv tmp_;
    ScopedRunContext context_;
};

}  // namespace quillon::test
