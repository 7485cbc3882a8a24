#include "platform/MessageBoxLogic.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/RegistryStore.h"
#include "platform/SettingsStore.h"
#include "support/TestDir.h"

namespace quillon {
namespace {

using Buttons = std::vector<std::pair<int, std::string>>;

Buttons Flatten(const std::vector<MessageBoxButton>& buttons) {
    Buttons out;
    for (const MessageBoxButton& button : buttons) {
        out.emplace_back(button.result, button.text);
    }
    return out;
}

struct ButtonSetCase {
    uint32_t style;
    Buttons expected;
};

class MessageBoxButtonSets : public testing::TestWithParam<ButtonSetCase> {};

// Every button set gives its buttons in order with their result codes and texts; the optional
// "all" buttons follow Yes and No, and Help comes last.
TEST_P(MessageBoxButtonSets, ButtonsInOrder) {
    EXPECT_EQ(Flatten(MessageBoxButtons(GetParam().style)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    AllSets, MessageBoxButtonSets,
    testing::Values(
        ButtonSetCase{mb::kOk, {{1, "&Ok"}}},
        ButtonSetCase{mb::kOkCancel, {{1, "&Ok"}, {2, "&Cancel"}}},
        ButtonSetCase{mb::kAbortRetryIgnore, {{3, "&Abort"}, {4, "&Retry"}, {5, "&Ignore"}}},
        ButtonSetCase{mb::kYesNoCancel, {{6, "&Yes"}, {7, "&No"}, {2, "&Cancel"}}},
        ButtonSetCase{
            mb::kYesNoCancel | mb::kYesToAll | mb::kNoToAll,
            {{6, "&Yes"}, {14, "Yes to &all"}, {7, "&No"}, {15, "No to a&ll"}, {2, "&Cancel"}}},
        ButtonSetCase{mb::kYesNo | mb::kNoToAll, {{6, "&Yes"}, {7, "&No"}, {15, "No to a&ll"}}},
        ButtonSetCase{mb::kYesNo | mb::kYesToAll | mb::kHelp,
                      {{6, "&Yes"}, {14, "Yes to &all"}, {7, "&No"}, {9, "&Help"}}},
        ButtonSetCase{mb::kRetryCancel, {{4, "&Retry"}, {2, "&Cancel"}}},
        ButtonSetCase{mb::kCancelTryContinue, {{2, "&Cancel"}, {10, "&Retry"}, {11, "&Continue"}}},
        ButtonSetCase{mb::kContinueAbort, {{11, "&Continue"}, {3, "&Abort"}}},
        ButtonSetCase{mb::kSkipSkipAllCancel, {{16, "&Skip"}, {17, "Skip &all"}, {2, "&Cancel"}}},
        ButtonSetCase{mb::kIgnoreIgnoreAllCancel,
                      {{5, "&Ignore"}, {18, "Ignore &all"}, {2, "&Cancel"}}},
        // The "all" bits belong to the Yes/No sets only.
        ButtonSetCase{mb::kOkCancel | mb::kYesToAll | mb::kNoToAll, {{1, "&Ok"}, {2, "&Cancel"}}},
        ButtonSetCase{mb::kOkCancel | mb::kHelp, {{1, "&Ok"}, {2, "&Cancel"}, {9, "&Help"}}}));

struct DefaultCase {
    uint32_t style;
    size_t expectedIndex;
};

class MessageBoxDefaultButton : public testing::TestWithParam<DefaultCase> {};

// The default-button bits name the 2nd..6th button, and are ignored when the box has fewer.
TEST_P(MessageBoxDefaultButton, ResolvesAgainstTheRealButtonCount) {
    uint32_t style = GetParam().style;
    EXPECT_EQ(DefaultButtonIndex(style, MessageBoxButtons(style).size()), GetParam().expectedIndex);
}

INSTANTIATE_TEST_SUITE_P(
    Bits, MessageBoxDefaultButton,
    testing::Values(
        DefaultCase{mb::kOkCancel, 0}, DefaultCase{mb::kOkCancel | mb::kDefButton2, 1},
        DefaultCase{mb::kOkCancel | mb::kDefButton4, 0},
        DefaultCase{mb::kOkCancel | mb::kDefButton3, 0},
        DefaultCase{mb::kOkCancel | mb::kDefButton3 | mb::kHelp, 2},
        DefaultCase{mb::kYesNoCancel | mb::kDefButton3, 2},
        DefaultCase{mb::kYesNoCancel | mb::kYesToAll | mb::kNoToAll | mb::kDefButton6, 0},
        DefaultCase{mb::kYesNoCancel | mb::kYesToAll | mb::kNoToAll | mb::kDefButton5, 4},
        DefaultCase{mb::kYesNoCancel | mb::kYesToAll | mb::kNoToAll | mb::kHelp | mb::kDefButton6,
                    5}));

// The four icon values and their absence.
TEST(MessageBoxLogic, IconsFromStyle) {
    EXPECT_EQ(MessageBoxIconOf(mb::kOk), MessageBoxIcon::None);
    EXPECT_EQ(MessageBoxIconOf(mb::kIconStop | mb::kYesNo), MessageBoxIcon::Stop);
    EXPECT_EQ(MessageBoxIconOf(mb::kIconQuestion), MessageBoxIcon::Question);
    EXPECT_EQ(MessageBoxIconOf(mb::kIconExclamation | mb::kDefButton2),
              MessageBoxIcon::Exclamation);
    EXPECT_EQ(MessageBoxIconOf(mb::kIconInformation), MessageBoxIcon::Information);
}

// The two check-box wordings, and no check box without either bit.
TEST(MessageBoxLogic, CheckBoxTexts) {
    EXPECT_EQ(CheckBoxText(mb::kDontDisplayAgain),
              "Don't display this &message again during this session.");
    EXPECT_EQ(CheckBoxText(mb::kDontAskAgain),
              "Don't ask this &question again during this session.");
    EXPECT_TRUE(CheckBoxText(mb::kYesNo | mb::kHelp | mb::kTopMost).empty());
    EXPECT_FALSE(HasCheckBox(mb::kYesNo | mb::kYesToAll | mb::kNoToAll));
    EXPECT_TRUE(HasCheckBox(mb::kDontAskAgain));
}

// A given key is used as is; else the id; else the position-weighted sum of the UTF-16 code
// units of the message (the first character weighs nothing).
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
}

// A long message wraps the sum around 32 bits instead of overflowing: 70000 'A's sum to
// 65 * 70000 * 69999 / 2 = 159247725000, which is 333935048 modulo 2^32.
TEST(MessageBoxLogic, KeyOfLongMessageWraps) {
    EXPECT_EQ(MessageBoxKey("", 0, std::string(70000, 'A')), "333935048");
}

// Identical texts share a key; a moved character changes it.
TEST(MessageBoxLogic, KeysOfTextsWithoutKey) {
    EXPECT_EQ(MessageBoxKey("", 0, "Copy the folder?"), MessageBoxKey("", 0, "Copy the folder?"));
    EXPECT_NE(MessageBoxKey("", 0, "ab"), MessageBoxKey("", 0, "ba"));
}

// Closing from the title bar gives Cancel where there is one, Ok for the lone Ok box, and is
// refused otherwise.
TEST(MessageBoxLogic, CloseResult) {
    EXPECT_EQ(CloseResult(MessageBoxButtons(mb::kYesNoCancel)), mbr::kCancel);
    EXPECT_EQ(CloseResult(MessageBoxButtons(mb::kCancelTryContinue)), mbr::kCancel);
    EXPECT_EQ(CloseResult(MessageBoxButtons(mb::kOk)), mbr::kOk);
    EXPECT_EQ(CloseResult(MessageBoxButtons(mb::kOk | mb::kHelp)), mbr::kOk);
    EXPECT_EQ(CloseResult(MessageBoxButtons(mb::kYesNo)), std::nullopt);
    EXPECT_EQ(CloseResult(MessageBoxButtons(mb::kAbortRetryIgnore)), std::nullopt);
}

// The countdown shows "%s = %d" on the default button and, at zero, ends with the default.
TEST(MessageBoxLogic, CountdownEndsWithDefault) {
    PromptRequest request;
    request.style = mb::kOkCancel | mb::kDefButton2;
    request.countdownSeconds = 3;
    MessageBoxLogic logic(request);
    EXPECT_FALSE(logic.ControlsDisabled());
    EXPECT_EQ(logic.DefaultButtonCaption(), "&Cancel = 3");
    EXPECT_EQ(logic.Tick(), MessageBoxLogic::TickAction::KeepCounting);
    EXPECT_EQ(logic.DefaultButtonCaption(), "&Cancel = 2");
    EXPECT_EQ(logic.Tick(), MessageBoxLogic::TickAction::KeepCounting);
    EXPECT_EQ(logic.Tick(), MessageBoxLogic::TickAction::EndWithDefault);
    EXPECT_EQ(logic.DefaultResult(), mbr::kCancel);
    EXPECT_EQ(logic.DefaultButtonCaption(), "&Cancel");
    EXPECT_EQ(logic.Tick(), MessageBoxLogic::TickAction::Stopped);
}

// With the buttons disabled for the countdown, zero enables them instead of answering.
TEST(MessageBoxLogic, CountdownEnablesDisabledControls) {
    PromptRequest request;
    request.style = mb::kYesNo;
    request.countdownSeconds = 2;
    request.disableButtonsDuringCountdown = true;
    MessageBoxLogic logic(request);
    EXPECT_TRUE(logic.ControlsDisabled());
    EXPECT_EQ(logic.Tick(), MessageBoxLogic::TickAction::KeepCounting);
    EXPECT_TRUE(logic.ControlsDisabled());
    EXPECT_EQ(logic.Tick(), MessageBoxLogic::TickAction::EnableControls);
    EXPECT_FALSE(logic.ControlsDisabled());
    EXPECT_EQ(logic.DefaultButtonCaption(), "&Yes");
}

class RememberedAnswers : public testing::Test {
  protected:
    test::TestDir dir_;
    RegistryStore registry_{dir_.Path()};
    SettingsStore store_{registry_};
};

// An answer is stored under MessageBoxes\<key> only when the box was ticked.
TEST_F(RememberedAnswers, StoredOnlyWhenTicked) {
    PromptRequest request;
    request.text = "Copy?";
    request.style = mb::kYesNoCancel | mb::kDontAskAgain;
    request.key = "FilterDirCopy_01";
    MessageBoxLogic logic(request);
    EXPECT_EQ(logic.RememberedAnswer(store_), std::nullopt);

    logic.RecordResult(store_, mbr::kNo, false);
    EXPECT_EQ(store_.GetProfileInt("MessageBoxes", "FilterDirCopy_01", -1), -1);

    logic.RecordResult(store_, mbr::kCancel, true);
    EXPECT_EQ(store_.GetProfileInt("MessageBoxes", "FilterDirCopy_01", -1), mbr::kCancel);
    EXPECT_EQ(MessageBoxLogic(request).RememberedAnswer(store_), mbr::kCancel);
}

// A box without a check box neither reads nor writes a remembered answer, even under a key that
// holds one.
TEST_F(RememberedAnswers, IgnoredWithoutCheckBox) {
    StoreRememberedAnswer(store_, "Shared", mbr::kNo);
    PromptRequest request;
    request.style = mb::kYesNo;
    request.key = "Shared";
    MessageBoxLogic logic(request);
    EXPECT_EQ(logic.RememberedAnswer(store_), std::nullopt);
    logic.RecordResult(store_, mbr::kYes, true);
    EXPECT_EQ(ReadRememberedAnswer(store_, "Shared"), mbr::kNo);
}

// Boxes without key or id and with the same text share one answer through the derived key.
TEST_F(RememberedAnswers, DerivedKeyShared) {
    PromptRequest request;
    request.text = "Launch the application?";
    request.style = mb::kYesNo | mb::kDontDisplayAgain;
    MessageBoxLogic(request).RecordResult(store_, mbr::kYes, true);
    EXPECT_EQ(MessageBoxLogic(request).RememberedAnswer(store_), mbr::kYes);
    EXPECT_EQ(ReadRememberedAnswer(store_, MessageBoxKey("", 0, request.text)), mbr::kYes);
    request.text = "Launch the application!";
    EXPECT_EQ(MessageBoxLogic(request).RememberedAnswer(store_), std::nullopt);
}

// Forgetting clears every remembered answer but leaves other sections alone.
TEST_F(RememberedAnswers, ForgetClearsSection) {
    StoreRememberedAnswer(store_, "A", mbr::kYes);
    StoreRememberedAnswer(store_, "B", mbr::kNo);
    store_.WriteProfileInt("Settings", "X_Progress", 10);
    EXPECT_TRUE(ForgetRememberedAnswers(store_));
    EXPECT_EQ(ReadRememberedAnswer(store_, "A"), -1);
    EXPECT_EQ(ReadRememberedAnswer(store_, "B"), -1);
    EXPECT_EQ(store_.GetProfileInt("Settings", "X_Progress", -1), 10);
}

}  // namespace
}  // namespace quillon
