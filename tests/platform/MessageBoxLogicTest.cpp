#include "platform/MessageBoxLogic.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "support/StoreFixture.h"

namespace quillon {
namespace {

// "result:text" of every button, separated by blanks.
std::string Describe(const std::vector<MessageBoxButton>& buttons) {
    std::string out;
    for (const MessageBoxButton& button : buttons) {
        out += (out.empty() ? "" : " ") + std::to_string(button.result) + ":" + button.text;
    }
    return out;
}

// A button set gives its buttons in order with their result codes and texts; the optional "all"
// buttons follow Yes and No (and belong to those sets only), and Help comes last. The default
// button bits name the 2nd..6th button and are ignored when the box has fewer. Closing from the
// title bar gives Cancel where there is one, Ok for the lone Ok box, and is refused otherwise.
// Each of the two check-box bits has its wording; without either there is no check box.
TEST(MessageBoxLogic, ButtonsDefaultCloseAndCheckBox) {
    const uint32_t all = mb::kYesNoCancel | mb::kYesToAll | mb::kNoToAll;
    const std::optional<int> none;
    const std::tuple<uint32_t, const char*, size_t, std::optional<int>> cases[] = {
        {mb::kOk | mb::kDefButton2, "1:&Ok", 0, mbr::kOk},
        {mb::kOk | mb::kHelp, "1:&Ok 9:&Help", 0, mbr::kOk},
        {mb::kOkCancel | mb::kHelp | mb::kDefButton3, "1:&Ok 2:&Cancel 9:&Help", 2, mbr::kCancel},
        {mb::kOkCancel | mb::kYesToAll | mb::kNoToAll | mb::kDefButton3, "1:&Ok 2:&Cancel", 0,
         mbr::kCancel},
        {mb::kAbortRetryIgnore, "3:&Abort 4:&Retry 5:&Ignore", 0, none},
        {all | mb::kDefButton5, "6:&Yes 14:Yes to &all 7:&No 15:No to a&ll 2:&Cancel", 4,
         mbr::kCancel},
        {all | mb::kDefButton6, "6:&Yes 14:Yes to &all 7:&No 15:No to a&ll 2:&Cancel", 0,
         mbr::kCancel},
        {mb::kYesNo | mb::kYesToAll | mb::kHelp | mb::kDefButton4,
         "6:&Yes 14:Yes to &all 7:&No 9:&Help", 3, none},
        {mb::kRetryCancel, "4:&Retry 2:&Cancel", 0, mbr::kCancel},
        {mb::kCancelTryContinue, "2:&Cancel 10:&Retry 11:&Continue", 0, mbr::kCancel},
        {mb::kContinueAbort, "11:&Continue 3:&Abort", 0, none},
        {mb::kSkipSkipAllCancel, "16:&Skip 17:Skip &all 2:&Cancel", 0, mbr::kCancel},
        {mb::kIgnoreIgnoreAllCancel, "5:&Ignore 18:Ignore &all 2:&Cancel", 0, mbr::kCancel}};
    for (const auto& [style, expected, defaultIndex, close] : cases) {
        const std::vector<MessageBoxButton> buttons = MessageBoxButtons(style);
        EXPECT_EQ(Describe(buttons), expected) << std::hex << style;
        EXPECT_EQ(DefaultButtonIndex(style, buttons.size()), defaultIndex) << std::hex << style;
        EXPECT_EQ(CloseResult(buttons), close) << std::hex << style;
    }
    EXPECT_EQ(CheckBoxText(mb::kDontDisplayAgain),
              "Don't display this &message again during this session.");
    EXPECT_EQ(CheckBoxText(mb::kDontAskAgain),
              "Don't ask this &question again during this session.");
    EXPECT_TRUE(CheckBoxText(mb::kYesNo | mb::kHelp | mb::kTopMost).empty());
    EXPECT_FALSE(HasCheckBox(mb::kYesNo | mb::kYesToAll | mb::kNoToAll | mb::kHelp));
}

// A given key is used as is; else the id; else the position-weighted sum of the UTF-16 code
// units of the message (the first character weighs nothing), wrapping around 32 bits.
TEST(MessageBoxLogic, KeyRule) {
    EXPECT_EQ(MessageBoxKey("FilterDirCopy_01", 42, "text"), "FilterDirCopy_01");
    EXPECT_EQ(MessageBoxKey("", 42, "text"), "42");
    EXPECT_EQ(MessageBoxKey("", -7, "text"), "-7");
    EXPECT_EQ(MessageBoxKey("", 0, "abc"), "296");  // 0*97 + 1*98 + 2*99
    EXPECT_EQ(MessageBoxKey("", 0, "b"), "0");
    EXPECT_EQ(MessageBoxKey("", 0, ""), "0");
    // U+00E9 is one code unit, 233.
    EXPECT_EQ(MessageBoxKey("", 0, "x\xC3\xA9"), "233");
    // U+1F600 is the surrogate pair D83D DE00 at positions 1 and 2.
    EXPECT_EQ(MessageBoxKey("", 0, "x\xF0\x9F\x98\x80"), std::to_string(0xD83D + 2 * 0xDE00));
    // A stray byte counts as one replacement character, not as its raw value.
    EXPECT_EQ(MessageBoxKey("", 0, "x\xFF"), std::to_string(0xFFFD));
    // 70000 'A's sum to 65 * 70000 * 69999 / 2 = 159247725000, 333935048 modulo 2^32.
    EXPECT_EQ(MessageBoxKey("", 0, std::string(70000, 'A')), "333935048");
}

// The countdown shows "%s = %d" on the default button and, at zero, ends with the default; with
// the buttons disabled for the countdown, zero enables them instead of answering. A tick after
// the end does nothing.
TEST(MessageBoxLogic, Countdown) {
    PromptRequest request;
    request.style = mb::kOkCancel | mb::kDefButton2;
    request.countdownSeconds = 3;
    MessageBoxLogic timed(request);
    EXPECT_FALSE(timed.ControlsDisabled());
    EXPECT_EQ(timed.DefaultButtonCaption(), "&Cancel = 3");
    EXPECT_EQ(timed.Tick(), MessageBoxLogic::TickAction::KeepCounting);
    EXPECT_EQ(timed.DefaultButtonCaption(), "&Cancel = 2");
    EXPECT_EQ(timed.Tick(), MessageBoxLogic::TickAction::KeepCounting);
    EXPECT_EQ(timed.Tick(), MessageBoxLogic::TickAction::EndWithDefault);
    EXPECT_EQ(timed.DefaultResult(), mbr::kCancel);
    EXPECT_EQ(timed.DefaultButtonCaption(), "&Cancel");
    EXPECT_EQ(timed.Tick(), MessageBoxLogic::TickAction::Stopped);

    request.style = mb::kYesNo;
    request.countdownSeconds = 2;
    request.disableButtonsDuringCountdown = true;
    MessageBoxLogic locked(request);
    EXPECT_TRUE(locked.ControlsDisabled());
    EXPECT_EQ(locked.Tick(), MessageBoxLogic::TickAction::KeepCounting);
    EXPECT_TRUE(locked.ControlsDisabled());
    EXPECT_EQ(locked.Tick(), MessageBoxLogic::TickAction::EnableControls);
    EXPECT_FALSE(locked.ControlsDisabled());
    EXPECT_EQ(locked.DefaultButtonCaption(), "&Yes");
    EXPECT_EQ(locked.Tick(), MessageBoxLogic::TickAction::Stopped);
}

using RememberedAnswers = test::StoreFixture;

// An answer is stored under MessageBoxes\<key> only when the box was ticked; a box without a
// check box neither reads nor writes one, even under a key that holds one. Forgetting clears
// every remembered answer but leaves other sections alone. Boxes without key or id and with the
// same text share one answer through the derived key.
TEST_F(RememberedAnswers, StoredOnlyWhenTickedSharedAndForgotten) {
    PromptRequest request;
    request.text = "Copy?";
    request.style = mb::kYesNoCancel | mb::kDontAskAgain;
    request.key = "FilterDirCopy_01";
    const MessageBoxLogic logic(request);
    EXPECT_EQ(logic.RememberedAnswer(store_), std::nullopt);
    logic.RecordResult(store_, mbr::kNo, false);
    EXPECT_EQ(ReadRememberedAnswer(store_, "FilterDirCopy_01"), -1);
    logic.RecordResult(store_, mbr::kCancel, true);
    EXPECT_EQ(Int("MessageBoxes", "FilterDirCopy_01"), mbr::kCancel);
    EXPECT_EQ(MessageBoxLogic(request).RememberedAnswer(store_), mbr::kCancel);

    request.style = mb::kYesNo;
    const MessageBoxLogic noBox(request);
    EXPECT_EQ(noBox.RememberedAnswer(store_), std::nullopt);
    noBox.RecordResult(store_, mbr::kYes, true);
    EXPECT_EQ(ReadRememberedAnswer(store_, "FilterDirCopy_01"), mbr::kCancel);

    store_.WriteProfileInt("Settings", "X_Progress", 10);
    EXPECT_TRUE(ForgetRememberedAnswers(store_));
    EXPECT_EQ(ReadRememberedAnswer(store_, "FilterDirCopy_01"), -1);
    EXPECT_EQ(Int("Settings", "X_Progress"), 10);

    request.key.clear();
    request.text = "Launch the application?";
    request.style = mb::kYesNo | mb::kDontDisplayAgain;
    MessageBoxLogic(request).RecordResult(store_, mbr::kYes, true);
    EXPECT_EQ(MessageBoxLogic(request).RememberedAnswer(store_), mbr::kYes);
    EXPECT_EQ(ReadRememberedAnswer(store_, MessageBoxKey("", 0, request.text)), mbr::kYes);
    request.text = "Launch the application!";
    EXPECT_EQ(MessageBoxLogic(request).RememberedAnswer(store_), std::nullopt);
}

}  // namespace
}  // namespace quillon
