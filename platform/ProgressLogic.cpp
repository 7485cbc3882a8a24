#include "platform/ProgressLogic.h"

#include "platform/ProgressSink.h"
#include "platform/RunContext.h"
#include "platform/SettingsStore.h"

namespace quillon {
namespace {

constexpr uint64_t kNoCountRange = 100;

}  // namespace

ProgressLogic::ProgressLogic() : caption_(kProgressCaption), unit_(kDefaultProgressUnit) {}

void ProgressLogic::SetRange(uint64_t total, std::string_view text, bool showCounts) {
    scale_ = 1;
    showCounts_ = showCounts;
    if (total == 0) {
        total = 1;
    }
    if (total == ProgressSink::kNoCount) {
        total = kNoCountRange;
        showCounts_ = false;
    } else if (total >> 32) {
        scale_ = kLargeTotalScale;
    }
    total_ = total;
    position_ = 0;
    if (!text.empty()) {
        SetText(text);
    }
    caption_ = kProgressCaption;
}

void ProgressLogic::SetText(std::string_view text) {
    message_ = text;
    if (message_.empty() || message_.back() != '\n') {
        message_ += '\n';
    }
}

void ProgressLogic::Update(std::string_view text, uint64_t position) {
    position_ = position;
    if (!text.empty()) {
        message_ = text;
    }
}

uint32_t ProgressLogic::BarMaximum() const {
    return static_cast<uint32_t>(total_ / scale_);
}

uint32_t ProgressLogic::BarPosition() const {
    uint64_t bar = position_ / scale_;
    uint32_t maximum = BarMaximum();
    return bar > maximum ? maximum : static_cast<uint32_t>(bar);
}

uint64_t ProgressLogic::Percent() const {
    // 128-bit product: a position above 2^57 would overflow the 64-bit one.
    return static_cast<uint64_t>(static_cast<unsigned __int128>(position_) * 100 / total_);
}

std::string ProgressLogic::CountLine() const {
    if (!showCounts_) {
        return {};
    }
    return std::to_string(position_) + " / " + std::to_string(total_) + " " + unit_ + " (" +
           std::to_string(Percent()) + " %) processed...";
}

std::string ProgressLogic::DisplayText() const {
    std::string text = message_;
    if (showCounts_) {
        if (!text.empty() && text.back() != '\n') {
            text += '\n';
        }
        text += CountLine();
    }
    while (!text.empty() && text.back() == '\n') {
        text.pop_back();
    }
    return text;
}

std::optional<ScreenPoint> SavedProgressPlacement(int savedX, int savedY, int screenWidth,
                                                  int screenHeight) {
    if (savedX >= 0 && savedX < screenWidth && savedY >= 0 && savedY < screenHeight) {
        return ScreenPoint{savedX, savedY};
    }
    return std::nullopt;
}

ScreenPoint ReadProgressPosition(const SettingsStore& store) {
    auto get = [&store](const IntSetting& setting) {
        return store.GetProfileInt(setting.section, setting.entry, setting.defaultValue);
    };
    return {get(settings::kXProgress), get(settings::kYProgress)};
}

void SaveProgressPosition(SettingsStore& store, ScreenPoint position) {
    WriteSetting(store, settings::kXProgress, position.x);
    WriteSetting(store, settings::kYProgress, position.y);
}

ProgressSink* CurrentProgress() {
    return RunContext::Current().progress;
}

void SetCurrentProgress(ProgressSink* sink) {
    RunContext::Current().progress = sink;
}

}  // namespace quillon
