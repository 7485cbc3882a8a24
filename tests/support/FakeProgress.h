// Recording progress windows that report cancel after N updates.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/ProgressSink.h"

namespace quillon::test {

struct ProgressRecord {
    std::string caption;
    uint64_t total = 0;
    std::vector<std::string> texts;  // range texts, SetText texts and Update texts, in order
    int updates = 0;
    uint64_t lastPosition = 0;
    bool hidden = false;
    bool cancelled = false;
};

class FakeProgressSink : public ProgressSink {
  public:
    FakeProgressSink(ProgressRecord& record, int cancelAfterUpdates)
        : record_(record), cancelAfter_(cancelAfterUpdates) {}
    void SetRange(uint64_t total, std::string_view text, bool /*showCounts*/) override {
        record_.total = total;
        SetText(text);
    }
    void SetText(std::string_view text) override { record_.texts.emplace_back(text); }
    void StepIt() override { ++record_.lastPosition; }
    void SetPos(uint64_t position) override { record_.lastPosition = position; }
    bool Update(std::string_view text, uint64_t position) override {
        record_.texts.emplace_back(text);
        record_.lastPosition = position;
        ++record_.updates;
        record_.cancelled =
            record_.cancelled || (cancelAfter_ >= 0 && record_.updates >= cancelAfter_);
        return record_.cancelled;
    }
    bool Cancelled() const override { return record_.cancelled; }
    void Hide() override { record_.hidden = true; }

  private:
    ProgressRecord& record_;
    int cancelAfter_;
};

class FakeProgressFactory : public ProgressFactory {
  public:
    std::unique_ptr<ProgressSink> Open(std::string_view caption) override {
        opened.emplace_back();
        opened.back().caption = caption;
        return std::make_unique<FakeProgressSink>(opened.back(), cancelAfterUpdates);
    }
    int cancelAfterUpdates = -1;        // below 0: never cancel
    std::deque<ProgressRecord> opened;  // a deque keeps the records of live windows in place
};

}  // namespace quillon::test
