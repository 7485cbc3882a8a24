// Sets an environment variable for the life of the object and restores the previous value (or its
// absence) afterwards, so a test can point TMPDIR or XDG_CONFIG_HOME at its own folder.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace quillon::test {

class ScopedEnv {
  public:
    ScopedEnv(std::string name, const std::string& value) : name_(std::move(name)) {
        if (const char* old = std::getenv(name_.c_str())) {
            previous_ = old;
        }
        ::setenv(name_.c_str(), value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (previous_) {
            ::setenv(name_.c_str(), previous_->c_str(), 1);
        } else {
            ::unsetenv(name_.c_str());
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    std::string name_;
    std::optional<std::string> previous_;
};

// Sets TZ for the life of the object and makes the C library take it up (tzset) both ways. A zone
// whose data is not installed would quietly act as UTC and let a time-zone test pass or fail for
// the wrong reason, so a missing zone file fails the test: `make deps` installs tzdata.
class ScopedZone {
  public:
    explicit ScopedZone(const std::string& zone) {
        const char* dir = std::getenv("TZDIR");
        const std::string file =
            std::string(dir != nullptr ? dir : "/usr/share/zoneinfo") + "/" + zone;
        if (access(file.c_str(), R_OK) != 0) {
            ADD_FAILURE() << "no time-zone data for " << zone << " at " << file
                          << "; install tzdata";
        }
        env_.emplace("TZ", zone);
        tzset();
    }
    ~ScopedZone() {
        env_.reset();
        tzset();
    }
    ScopedZone(const ScopedZone&) = delete;
    ScopedZone& operator=(const ScopedZone&) = delete;

  private:
    std::optional<ScopedEnv> env_;
};

}  // namespace quillon::test
