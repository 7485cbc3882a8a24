// The core's only way to talk to the user. The UI implements it with CMessageBoxDialog; tests
// implement it with a scripted fake that records every request.
#pragma once

#include <cstdint>
#include <string>

namespace quillon {

// Style bits of a message box: the standard ones plus the remembered-answer extensions.
namespace mb {
inline constexpr uint32_t kOk = 0x0;
inline constexpr uint32_t kOkCancel = 0x1;
inline constexpr uint32_t kAbortRetryIgnore = 0x2;
inline constexpr uint32_t kYesNoCancel = 0x3;
inline constexpr uint32_t kYesNo = 0x4;
inline constexpr uint32_t kRetryCancel = 0x5;
inline constexpr uint32_t kCancelTryContinue = 0x6;
inline constexpr uint32_t kContinueAbort = 0x7;
inline constexpr uint32_t kSkipSkipAllCancel = 0x8;
inline constexpr uint32_t kIgnoreIgnoreAllCancel = 0x9;
inline constexpr uint32_t kButtonSetMask = 0xF;

inline constexpr uint32_t kDefButton2 = 0x100;
inline constexpr uint32_t kDefButton3 = 0x200;
inline constexpr uint32_t kDefButton4 = 0x300;
inline constexpr uint32_t kDefButton5 = 0x400;
inline constexpr uint32_t kDefButton6 = 0x500;
inline constexpr uint32_t kDefButtonMask = 0xF00;

inline constexpr uint32_t kIconStop = 0x10;
inline constexpr uint32_t kIconQuestion = 0x20;
inline constexpr uint32_t kIconExclamation = 0x30;
inline constexpr uint32_t kIconInformation = 0x40;
inline constexpr uint32_t kIconMask = 0xF0;

inline constexpr uint32_t kSystemModal = 0x1000;
inline constexpr uint32_t kHelp = 0x4000;
inline constexpr uint32_t kSetForeground = 0x10000;
inline constexpr uint32_t kTopMost = 0x40000;

inline constexpr uint32_t kDontDisplayAgain = 0x01000000;
inline constexpr uint32_t kDontAskAgain = 0x02000000;
inline constexpr uint32_t kYesToAll = 0x04000000;
inline constexpr uint32_t kNoToAll = 0x08000000;
}  // namespace mb

// Result codes of a message box.
namespace mbr {
inline constexpr int kOk = 1;
inline constexpr int kCancel = 2;
inline constexpr int kAbort = 3;
inline constexpr int kRetry = 4;
inline constexpr int kIgnore = 5;
inline constexpr int kYes = 6;
inline constexpr int kNo = 7;
inline constexpr int kHelp = 9;
inline constexpr int kTryAgain = 10;
inline constexpr int kContinue = 11;
inline constexpr int kYesToAll = 14;
inline constexpr int kNoToAll = 15;
inline constexpr int kSkip = 16;
inline constexpr int kSkipAll = 17;
inline constexpr int kIgnoreAll = 18;
}  // namespace mbr

struct PromptRequest {
    std::string text;
    std::string caption = "Quillon";
    uint32_t style = mb::kOk;
    std::string key;  // remembered-answer key; empty: derived from `id`, else from the text
    int id = 0;
    int countdownSeconds = 0;
    bool disableButtonsDuringCountdown = false;
    std::string helpTopic;
};

class Prompter {
  public:
    virtual ~Prompter() = default;
    // Shows the box (or answers from a remembered answer) and returns the result code.
    virtual int Ask(const PromptRequest& request) = 0;
};

}  // namespace quillon
