// Sets an environment variable for the life of the object, then restores it (or its absence).
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

// TZ (tzset both ways); a zone without data would act as UTC silently, so it fails the test.
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

  private:
    std::optional<ScopedEnv> env_;
};

}  // namespace quillon::test
