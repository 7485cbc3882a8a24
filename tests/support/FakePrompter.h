// Message boxes that record each request and answer from a script, then with OK.
#pragma once

#include <deque>
#include <string>
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
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const PromptRequest& request : shown) {
            texts.push_back(request.text);
        }
        return texts;
    }
    std::vector<PromptRequest> shown;
    std::deque<int> script;
};

}  // namespace quillon::test
