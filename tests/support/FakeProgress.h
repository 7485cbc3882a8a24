// A recording progress window: every range, text and update is kept per opened window, and the
// window can be told to report cancel after a number of updates, counted from the start or from
// the showing of a given text (so that a cancel falls at a fixed point of a later phase).
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
    FakeProgressSink(ProgressRecord& record, int cancelAfterUpdates, std::string countFrom)
        : record_(record), cancelAfter_(cancelAfterUpdates), countFrom_(std::move(countFrom)) {}

    void SetRange(uint64_t total, std::string_view text, bool /*showCounts*/) override {
        record_.total = total;
        SetText(text);
    }
    void SetText(std::string_view text) override {
        record_.texts.emplace_back(text);
        counting_ = counting_ || text == countFrom_;
    }
    void StepIt() override { ++record_.lastPosition; }
    void SetPos(uint64_t position) override { record_.lastPosition = position; }
    bool Update(std::string_view text, uint64_t position) override {
        record_.texts.emplace_back(text);
        record_.lastPosition = position;
        ++record_.updates;
        counted_ += counting_ ? 1 : 0;
        if (cancelAfter_ >= 0 && counted_ >= cancelAfter_) {
            record_.cancelled = true;
        }
        return record_.cancelled;
    }
    bool Cancelled() const override { return record_.cancelled; }
    void Hide() override { record_.hidden = true; }

  private:
    ProgressRecord& record_;
    int cancelAfter_;
    std::string countFrom_;
    bool counting_ = countFrom_.empty();
    int counted_ = 0;
};

class FakeProgressFactory : public ProgressFactory {
  public:
    std::unique_ptr<ProgressSink> Open(std::string_view caption) override {
        opened.emplace_back();
        opened.back().caption = caption;
        return std::make_unique<FakeProgressSink>(opened.back(), cancelAfterUpdates,
                                                  countUpdatesFrom);
    }

    // Below 0: never cancel.
    int cancelAfterUpdates = -1;
    // Empty: updates count from the start.
    std::string countUpdatesFrom;
    // One record per window opened; a deque keeps the references of live windows valid.
    std::deque<ProgressRecord> opened;
};

}  // namespace quillon::test
