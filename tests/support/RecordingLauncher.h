// A launcher that starts nothing: it records every request and answers from a script (first in,
// first out); with the script exhausted it answers `defaultResult`.
#pragma once

#include <deque>
#include <vector>

#include "platform/Launcher.h"

namespace quillon::test {

class RecordingLauncher : public Launcher {
  public:
    LaunchResult Launch(const LaunchRequest& request) override {
        requests.push_back(request);
        if (script.empty()) {
            return defaultResult;
        }
        LaunchResult result = script.front();
        script.pop_front();
        return result;
    }

    static LaunchResult Started() {
        LaunchResult r;
        r.started = true;
        r.pid = 4242;
        return r;
    }
    static LaunchResult Failed(int errorCode) {
        LaunchResult r;
        r.errorCode = errorCode;
        return r;
    }

    std::vector<LaunchRequest> requests;
    std::deque<LaunchResult> script;
    LaunchResult defaultResult = Started();
};

}  // namespace quillon::test
