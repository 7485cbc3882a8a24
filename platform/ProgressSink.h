// The progress window as the core sees it. The UI implements it with CProgressWnd, which pumps
// events in Update so that Cancel works while the GUI thread is busy.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace quillon {

class ProgressSink {
  public:
    // A total of all ones means "no count": the bar runs 0..100 and no count line is shown.
    static constexpr uint64_t kNoCount = ~uint64_t{0};

    virtual ~ProgressSink() = default;
    virtual void SetRange(uint64_t total, std::string_view text, bool showCounts) = 0;
    virtual void SetText(std::string_view text) = 0;
    virtual void StepIt() = 0;
    virtual void SetPos(uint64_t position) = 0;
    // Returns true when the user has cancelled.
    virtual bool Update(std::string_view text, uint64_t position) = 0;
    virtual bool Cancelled() const = 0;
    virtual void Hide() = 0;
};

// Opens a progress window when a long operation crosses its threshold. The core asks; the UI (or
// a terminal front end, or a test) decides what a window is.
class ProgressFactory {
  public:
    virtual ~ProgressFactory() = default;
    virtual std::unique_ptr<ProgressSink> Open(std::string_view caption) = 0;
    // For work below the window's threshold that may still run long (a recursive read of a small
    // folder): a sink that shows nothing, never cancels, and lets the front end stay responsive
    // between its updates. None where nothing needs that.
    virtual std::unique_ptr<ProgressSink> OpenWindowless() { return nullptr; }
};

}  // namespace quillon
