// A launcher that starts nothing: records requests, answers from a script, then `defaultResult`.
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
    static LaunchResult Failed(int errorCode) {
        LaunchResult r;
        r.errorCode = errorCode;
        return r;
    }
    std::vector<LaunchRequest> requests;
    std::deque<LaunchResult> script;
    LaunchResult defaultResult{.started = true, .pid = 4242};
};

}  // namespace quillon::test
