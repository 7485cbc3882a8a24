#include "platform/MessageBoxLogic.h"

#include <cstdio>

#include "platform/SettingsStore.h"

namespace quillon {
namespace {

constexpr uint32_t kReplacementChar = 0xFFFD;

// Decodes one UTF-8 sequence at `pos`; malformed input yields U+FFFD and consumes one byte, so
// a name that is not valid UTF-8 still gives a stable key.
uint32_t DecodeUtf8(std::string_view text, size_t& pos) {
    auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    unsigned char lead = byte(pos);
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    size_t length = 0;
    uint32_t code = 0;
    uint32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, code = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, code = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, code = lead & 0x07, minimum = 0x10000;
    } else {
        ++pos;
        return kReplacementChar;
    }
    if (pos + length > text.size()) {
        ++pos;
        return kReplacementChar;
    }
    for (size_t i = 1; i < length; ++i) {
        if ((byte(pos + i) & 0xC0) != 0x80) {
            ++pos;
            return kReplacementChar;
        }
        code = (code << 6) | (byte(pos + i) & 0x3F);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        ++pos;
        return kReplacementChar;
    }
    pos += length;
    return code;
}

std::string FormatInt(int value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%d", value);
    return buffer;
}

}  // namespace

std::vector<MessageBoxButton> MessageBoxButtons(uint32_t style) {
    const MessageBoxButton ok{mbr::kOk, "&Ok"};
    const MessageBoxButton cancel{mbr::kCancel, "&Cancel"};
    const MessageBoxButton abort{mbr::kAbort, "&Abort"};
    const MessageBoxButton retry{mbr::kRetry, "&Retry"};
    const MessageBoxButton ignore{mbr::kIgnore, "&Ignore"};
    const MessageBoxButton cont{mbr::kContinue, "&Continue"};

    auto yesNo = [&] {
        std::vector<MessageBoxButton> buttons{{mbr::kYes, "&Yes"}};
        if (style & mb::kYesToAll) {
            buttons.push_back({mbr::kYesToAll, "Yes to &all"});
        }
        buttons.push_back({mbr::kNo, "&No"});
        if (style & mb::kNoToAll) {
            buttons.push_back({mbr::kNoToAll, "No to a&ll"});
        }
        return buttons;
    };

    std::vector<MessageBoxButton> buttons;
    switch (style & mb::kButtonSetMask) {
        case mb::kOkCancel:
            buttons = {ok, cancel};
            break;
        case mb::kAbortRetryIgnore:
            buttons = {abort, retry, ignore};
            break;
        case mb::kYesNoCancel:
            buttons = yesNo();
            buttons.push_back(cancel);
            break;
        case mb::kYesNo:
            buttons = yesNo();
            break;
        case mb::kRetryCancel:
            buttons = {retry, cancel};
            break;
        case mb::kCancelTryContinue:
            buttons = {cancel, {mbr::kTryAgain, "&Retry"}, cont};
            break;
        case mb::kContinueAbort:
            buttons = {cont, abort};
            break;
        case mb::kSkipSkipAllCancel:
            buttons = {{mbr::kSkip, "&Skip"}, {mbr::kSkipAll, "Skip &all"}, cancel};
            break;
        case mb::kIgnoreIgnoreAllCancel:
            buttons = {ignore, {mbr::kIgnoreAll, "Ignore &all"}, cancel};
            break;
        default:
            buttons = {ok};
            break;
    }
    if (style & mb::kHelp) {
        buttons.push_back({mbr::kHelp, std::string(kHelpButtonText)});
    }
    return buttons;
}

size_t DefaultButtonIndex(uint32_t style, size_t buttonCount) {
    size_t wanted = (style & mb::kDefButtonMask) >> 8;
    return wanted < buttonCount ? wanted : 0;
}

std::string_view CheckBoxText(uint32_t style) {
    if (style & mb::kDontDisplayAgain) {
        return kDontDisplayAgainText;
    }
    if (style & mb::kDontAskAgain) {
        return kDontAskAgainText;
    }
    return {};
}

bool HasCheckBox(uint32_t style) {
    return (style & (mb::kDontDisplayAgain | mb::kDontAskAgain)) != 0;
}

int32_t MessageTextChecksum(std::string_view utf8Message) {
    uint32_t sum = 0;
    uint32_t position = 0;
    auto add = [&](uint32_t unit) { sum += unit * position++; };
    for (size_t pos = 0; pos < utf8Message.size();) {
        uint32_t code = DecodeUtf8(utf8Message, pos);
        if (code >= 0x10000) {
            code -= 0x10000;
            add(0xD800 + (code >> 10));
            add(0xDC00 + (code & 0x3FF));
        } else {
            add(code);
        }
    }
    return static_cast<int32_t>(sum);
}

std::string MessageBoxKey(std::string_view key, int id, std::string_view message) {
    if (!key.empty()) {
        return std::string(key);
    }
    if (id != 0) {
        return FormatInt(id);
    }
    return FormatInt(MessageTextChecksum(message));
}

std::optional<int> CloseResult(const std::vector<MessageBoxButton>& buttons) {
    for (const MessageBoxButton& button : buttons) {
        if (button.result == mbr::kCancel) {
            return mbr::kCancel;
        }
    }
    bool onlyOk = !buttons.empty() && buttons.front().result == mbr::kOk &&
                  (buttons.size() == 1 || buttons[1].result == mbr::kHelp);
    if (onlyOk) {
        return mbr::kOk;
    }
    return std::nullopt;
}

std::string CountdownCaption(std::string_view caption, int secondsLeft) {
    return std::string(caption) + " = " + FormatInt(secondsLeft);
}

int ReadRememberedAnswer(const SettingsStore& store, std::string_view key) {
    return store.GetProfileInt(kMessageBoxesSection, key, -1);
}

void StoreRememberedAnswer(SettingsStore& store, std::string_view key, int result) {
    store.WriteProfileInt(kMessageBoxesSection, key, result);
}

bool ForgetRememberedAnswers(SettingsStore& store) {
    return store.DeleteProfileSection(kMessageBoxesSection);
}

MessageBoxLogic::MessageBoxLogic(const PromptRequest& request)
    : request_(request),
      buttons_(MessageBoxButtons(request.style)),
      defaultIndex_(DefaultButtonIndex(request.style, buttons_.size())),
      secondsLeft_(request.countdownSeconds > 0 ? request.countdownSeconds : 0) {
    if (HasCheckBox(request.style)) {
        key_ = MessageBoxKey(request.key, request.id, request.text);
    }
}

std::optional<int> MessageBoxLogic::RememberedAnswer(const SettingsStore& store) const {
    if (!HasCheckBox(request_.style)) {
        return std::nullopt;
    }
    int stored = ReadRememberedAnswer(store, key_);
    if (stored == -1) {
        return std::nullopt;
    }
    return stored;
}

void MessageBoxLogic::RecordResult(SettingsStore& store, int result, bool checkBoxTicked) const {
    if (HasCheckBox(request_.style) && checkBoxTicked) {
        StoreRememberedAnswer(store, key_, result);
    }
}

std::string MessageBoxLogic::DefaultButtonCaption() const {
    const std::string& caption = buttons_[defaultIndex_].text;
    return Counting() ? CountdownCaption(caption, secondsLeft_) : caption;
}

MessageBoxLogic::TickAction MessageBoxLogic::Tick() {
    if (secondsLeft_ <= 0) {
        return TickAction::Stopped;
    }
    --secondsLeft_;
    if (secondsLeft_ > 0) {
        return TickAction::KeepCounting;
    }
    return request_.disableButtonsDuringCountdown ? TickAction::EnableControls
                                                  : TickAction::EndWithDefault;
}

}  // namespace quillon
