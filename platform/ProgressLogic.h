// What the progress window shows, decided without a window: the bar range and position with the
// large-total scale, the message, the count line, and where the window goes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/SettingsCatalogue.h"

namespace quillon {

class ProgressSink;
class SettingsStore;

inline constexpr std::string_view kProgressCaption = "Progress";
inline constexpr std::string_view kDefaultProgressUnit = "files";
inline constexpr std::string_view kProgressXEntry = settings::kXProgress.entry;
inline constexpr std::string_view kProgressYEntry = settings::kYProgress.entry;
// Bar positions of a total that does not fit in 32 bits are divided by this.
inline constexpr uint64_t kLargeTotalScale = 512;

class ProgressLogic {
  public:
    ProgressLogic();

    // Starts a phase; `text`, when non-empty, becomes the message. The caption returns to
    // "Progress".
    void SetRange(uint64_t total, std::string_view text, bool showCounts);
    void SetText(std::string_view text);
    void SetCaption(std::string_view caption) { caption_ = caption; }
    void SetUnitText(std::string_view unit) { unit_ = unit; }
    void SetPos(uint64_t position) { position_ = position; }
    void StepIt() { position_ += step_; }
    // The text part of Update: `text`, when given, replaces the message.
    void Update(std::string_view text, uint64_t position);

    uint64_t Total() const { return total_; }
    uint64_t Position() const { return position_; }
    uint64_t Scale() const { return scale_; }
    bool ShowCounts() const { return showCounts_; }
    const std::string& Caption() const { return caption_; }
    const std::string& Message() const { return message_; }

    // The bar runs from 0 to BarMaximum(); BarPosition() never exceeds it.
    uint32_t BarMaximum() const;
    uint32_t BarPosition() const;
    // position × 100 / total, truncated.
    uint64_t Percent() const;
    // The count line as the user reads it ("1 / 4 files (25 %) processed..."); empty without
    // counts.
    std::string CountLine() const;
    // Message and count line as displayed. The text is never run through a formatter, so a '%'
    // in a message needs no escaping and shows once.
    std::string DisplayText() const;

  private:
    std::string caption_;
    std::string message_;
    std::string unit_;
    uint64_t total_ = 100;
    uint64_t position_ = 0;
    uint64_t scale_ = 1;
    uint64_t step_ = 1;
    bool showCounts_ = false;
};

struct ScreenPoint {
    int x = 0;
    int y = 0;
};

// The saved position when it lies on a screen of the given size, else nothing (centre on the
// owner instead). -1 (never saved) is off-screen by this rule.
std::optional<ScreenPoint> SavedProgressPlacement(int savedX, int savedY, int screenWidth,
                                                  int screenHeight);
ScreenPoint ReadProgressPosition(const SettingsStore& store);
void SaveProgressPosition(SettingsStore& store, ScreenPoint position);

// The progress window shown now, for nested routines that update it when it exists.
ProgressSink* CurrentProgress();
void SetCurrentProgress(ProgressSink* sink);

}  // namespace quillon
