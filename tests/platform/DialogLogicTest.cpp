#include "platform/MessageBoxLogic.h"
#include "platform/ProgressLogic.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/ProgressSink.h"
#include "support/StoreFixture.h"

namespace quillon {
namespace {

// Each style gives its buttons ("result:text"), default button, close result and check box.
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
        std::string described;
        for (const MessageBoxButton& b : buttons) {
            described += (described.empty() ? "" : " ") + std::to_string(b.result) + ":" + b.text;
        }
        EXPECT_EQ(described, expected) << std::hex << style;
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

// The key is the given key, else the id, else the index-weighted sum of the UTF-16 units mod 2^32.
TEST(MessageBoxLogic, KeyRule) {
    EXPECT_EQ(MessageBoxKey("FilterDirCopy_01", 42, "text"), "FilterDirCopy_01");
    EXPECT_EQ(MessageBoxKey("", 42, "text"), "42");
    EXPECT_EQ(MessageBoxKey("", -7, "text"), "-7");
    const std::pair<std::string, uint64_t> sums[] = {
        {"abc", 0 * 97 + 1 * 98 + 2 * 99},
        {"b", 0},
        {"", 0},
        {"x\xC3\xA9", 0xE9},
        {"x\xF0\x9F\x98\x80", 0xD83D + 2 * 0xDE00},  // a surrogate pair
        {"x\xFF", 0xFFFD},                           // a stray byte is one replacement character
        {std::string(70000, 'A'), 65ull * 70000 * 69999 / 2 % (1ull << 32)}};
    for (const auto& [text, sum] : sums) {
        EXPECT_EQ(MessageBoxKey("", 0, text), std::to_string(sum)) << text.substr(0, 8);
    }
}

// The countdown shows on the default button and ends with it, or only re-enables disabled buttons.
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

using DialogSettings = test::StoreFixture;

// An answer is kept only when ticked, shared by boxes of the same text, and forgotten on request.
TEST_F(DialogSettings, AnswersStoredOnlyWhenTickedSharedAndForgotten) {
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

constexpr uint64_t kSixGb = 6ull * 1024 * 1024 * 1024;

// Each phase's bar (big totals scaled, 0 as 1, never past the end) and its count and percent text.
TEST(ProgressLogic, PhasesAndMessages) {
    const std::tuple<uint64_t, const char*, bool, const char*, uint64_t, uint32_t, uint32_t,
                     const char*>
        cases[] = {{4, "Reading folders...", true, "", 1, 4, 1,
                    "Reading folders...\n1 / 4 files (25 %) processed..."},
                   {3, "", true, "", 2, 3, 2, "2 / 3 files (66 %) processed..."},
                   {0, "", true, "", 1, 1, 1, "1 / 1 files (100 %) processed..."},
                   {kSixGb, "Copying", true, "", 1000000511, kSixGb / 512, 1953125,
                    "Copying\n1000000511 / 6442450944 files (15 %) processed..."},
                   {0xFFFFFFFFull, "", true, "", 7, 0xFFFFFFFFu, 7,
                    "7 / 4294967295 files (0 %) processed..."},
                   {0x100000000ull, "", true, "", 1024, 0x800000u, 2,
                    "1024 / 4294967296 files (0 %) processed..."},
                   {ProgressSink::kNoCount, "Rendering", true, "", 40, 100, 40, "Rendering"},
                   {4, "", true, "50% of 100%% done", 2, 4, 2,
                    "50% of 100%% done\n2 / 4 files (50 %) processed..."},
                   {4, "Scan at 10%", false, "", 3, 4, 3, "Scan at 10%"},
                   {10, "", true, "", 25, 10, 10, "25 / 10 files (250 %) processed..."}};
    for (const auto& [total, rangeText, counts, text, position, barMax, barPos, display] : cases) {
        SCOPED_TRACE(display);
        ProgressLogic progress;
        progress.SetRange(total, rangeText, counts);
        progress.Update(text, position);
        EXPECT_EQ(progress.BarMaximum(), barMax);
        EXPECT_EQ(progress.BarPosition(), barPos);
        EXPECT_EQ(progress.DisplayText(), display);
    }
    // A new phase resets position, scale and caption; no text keeps the message; no overflow.
    ProgressLogic progress;
    progress.SetCaption("Copying");
    progress.SetRange(kSixGb, "First phase", true);
    EXPECT_EQ(progress.Caption(), "Progress");
    EXPECT_EQ(progress.Scale(), 512u);
    progress.Update("", 5);
    progress.SetRange(20, "", true);
    EXPECT_EQ(progress.Scale(), 1u);
    EXPECT_EQ(progress.Position(), 0u);
    EXPECT_EQ(progress.Message(), "First phase\n");
    progress.SetUnitText("items");
    progress.Update("Second phase", 4);
    progress.Update("", 6);
    EXPECT_EQ(progress.DisplayText(), "Second phase\n6 / 20 items (30 %) processed...");
    progress.StepIt();
    EXPECT_EQ(progress.Position(), 7u);
    progress.SetRange(1ull << 62, "", true);
    progress.SetPos(1ull << 61);
    EXPECT_EQ(progress.Percent(), 50u);
    progress.SetRange(ProgressSink::kNoCount, "", true);
    EXPECT_FALSE(progress.ShowCounts());
    EXPECT_EQ(progress.Total(), 100u);
    EXPECT_EQ(progress.CountLine(), "");
}

// A saved position is used only on the screen (1920 x 1080), else centred; it round-trips.
TEST_F(DialogSettings, ProgressPlacementOnScreenOrCentredAndSaved) {
    const std::tuple<int, int, bool> cases[] = {{-1, -1, false},    {0, 0, true},
                                                {1919, 1079, true}, {1920, 10, false},
                                                {10, 1080, false},  {-5, 10, false}};
    for (const auto& [x, y, onScreen] : cases) {
        const std::optional<ScreenPoint> placed = SavedProgressPlacement(x, y, 1920, 1080);
        ASSERT_EQ(placed.has_value(), onScreen) << x << "," << y;
        if (placed) {
            EXPECT_EQ(std::make_pair(placed->x, placed->y), std::make_pair(x, y));
        }
    }
    EXPECT_EQ(ReadProgressPosition(store_).x, -1);
    EXPECT_EQ(ReadProgressPosition(store_).y, -1);
    SaveProgressPosition(store_, {321, 45});
    EXPECT_EQ(Int("Settings", "X_Progress"), 321);
    EXPECT_EQ(Int("Settings", "Y_Progress"), 45);
    EXPECT_EQ(ReadProgressPosition(store_).y, 45);
}

}  // namespace
}  // namespace quillon
