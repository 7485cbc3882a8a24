// Message boxes that record each request and answer from a script, then with OK.
#pragma once

#include <deque>
#include <vector>

#include "platform/Prompter.h"

namespace quillon::test {

class FakePrompter : public Prompter {
  public:
    int Ask(const PromptRequest& request) override {
        shown.push_back(request);
        if (script.empty()) {
            return mbr::kOk;
        }
        int answer = script.front();
        script.pop_front();
        return answer;
    }
    std::vector<PromptRequest> shown;
    std::deque<int> script;
};

}  // namespace quillon::test
