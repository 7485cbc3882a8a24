// A scripted stand-in for the message boxes: records every request and answers from a script
// (first in, first out); with the script exhausted it answers `defaultAnswer`.
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
            return defaultAnswer;
        }
        int answer = script.front();
        script.pop_front();
        return answer;
    }

    std::vector<PromptRequest> shown;
    std::deque<int> script;
    int defaultAnswer = mbr::kOk;
};

}  // namespace quillon::test
