// Everything a remembered message box decides without a window: its buttons, default button,
// icon, check box, the key its answer is remembered under, and the countdown.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Prompter.h"

namespace quillon {

class SettingsStore;

inline constexpr std::string_view kMessageBoxesSection = "MessageBoxes";
inline constexpr std::string_view kDontDisplayAgainText =
    "Don't display this &message again during this session.";
inline constexpr std::string_view kDontAskAgainText =
    "Don't ask this &question again during this session.";
inline constexpr std::string_view kHelpButtonText = "&Help";

struct MessageBoxButton {
    int result = 0;
    std::string text;
};

// The buttons of the style's set in display order, with the optional "Yes to all" / "No to all"
// and "Help" (last) added. An unknown set number falls back to the single Ok button.
std::vector<MessageBoxButton> MessageBoxButtons(uint32_t style);

// Index of the default button: the one named by the default-button bits when the box has that
// many buttons, else the first.
size_t DefaultButtonIndex(uint32_t style, size_t buttonCount);

// Empty when the style asks for no check box. When both check-box bits are set the
// "display" wording wins.
std::string_view CheckBoxText(uint32_t style);
bool HasCheckBox(uint32_t style);

// The key an answer is remembered under: the given key, else the id, else the position-weighted
// sum of the message's UTF-16 code units, all formatted "%d".
std::string MessageBoxKey(std::string_view key, int id, std::string_view message);
// The position-weighted sum, with 32-bit wrap-around as a long message overflows.
int32_t MessageTextChecksum(std::string_view utf8Message);

// The result the title-bar close button (and Escape) gives: Cancel where the set has Cancel, Ok
// for the lone Ok box, none otherwise (the user has to pick one of the answers).
std::optional<int> CloseResult(const std::vector<MessageBoxButton>& buttons);

// "%s = %d" of the default button's caption and the seconds left.
std::string CountdownCaption(std::string_view caption, int secondsLeft);

// -1 when nothing is remembered.
int ReadRememberedAnswer(const SettingsStore& store, std::string_view key);
void StoreRememberedAnswer(SettingsStore& store, std::string_view key, int result);
// Forgets every remembered answer; called once per program start when the main view is created.
bool ForgetRememberedAnswers(SettingsStore& store);

// The state of one box from showing to ending, shared by the dialog and its tests.
class MessageBoxLogic {
  public:
    // Stopped: the timer fired after the countdown had already ended.
    enum class TickAction { KeepCounting, EnableControls, EndWithDefault, Stopped };

    explicit MessageBoxLogic(const PromptRequest& request);

    const PromptRequest& Request() const { return request_; }
    const std::vector<MessageBoxButton>& Buttons() const { return buttons_; }
    size_t DefaultIndex() const { return defaultIndex_; }
    int DefaultResult() const { return buttons_[defaultIndex_].result; }
    const std::string& Key() const { return key_; }

    // The remembered answer that makes showing unnecessary, when the style has a check box and
    // one is stored.
    std::optional<int> RememberedAnswer(const SettingsStore& store) const;
    // Stores the result when the style has a check box and the user ticked it.
    void RecordResult(SettingsStore& store, int result, bool checkBoxTicked) const;

    bool Counting() const { return secondsLeft_ > 0; }
    int SecondsLeft() const { return secondsLeft_; }
    bool ControlsDisabled() const { return Counting() && request_.disableButtonsDuringCountdown; }
    // Caption the default button shows now.
    std::string DefaultButtonCaption() const;
    TickAction Tick();

  private:
    PromptRequest request_;
    std::vector<MessageBoxButton> buttons_;
    size_t defaultIndex_ = 0;
    std::string key_;
    int secondsLeft_ = 0;
};

}  // namespace quillon
