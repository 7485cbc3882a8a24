// The main window wired to the program: start, dialog commands, refresh timer, log, sibling tools.
#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>

#include <cctype>
#include <sstream>
#include <string>
#include <vector>

#include "app/CQuillonApp.h"
#include "app/CommandLine.h"
#include "app/WindowStart.h"
#include "core/AutoRefresh.h"
#include "core/DisplayFilter.h"
#include "platform/Log.h"
#include "platform/MessageBoxLogic.h"
#include "platform/PaneLaunch.h"
#include "platform/RunContext.h"
#include "support/ModalDialog.h"
#include "support/WindowFixture.h"
#include "ui/CDropCombo.h"
#include "ui/CFilter.h"
#include "ui/COptionsChange.h"
#include "ui/COutputFormat.h"
#include "ui/CTimerInterval.h"
#include "ui/PaneCommands.h"
#include "ui/QtTimerPort.h"

namespace quillon {
namespace {

using test::WhenModal;

class FrameCommandsTest : public test::WindowFixture {
  protected:
    void SetUp() override {
        dir_.MakeTree({{"tools/editor", "#!/bin/sh\n"}, {"tools/viewer", "#!/bin/sh\n"}});
        RunContext::Current().locateTool = [this](std::string_view exe) {
            return exe == kEditorExe ? editorPath_ : exe == kViewerExe ? viewerPath_ : "";
        };
    }

    std::string editorPath_ = dir_ / "tools/editor";
    std::string viewerPath_ = dir_ / "tools/viewer";
};

// Start opens the log, keeps three side logs, forgets answers, tags the run; the command flips it.
TEST_F(FrameCommandsTest, TheApplicationStartsTheRunAndTheLogCommandFlipsIt) {
    store_.WriteProfileInt("Settings", "LogEnabled", 1);
    store_.WriteProfileInt("Settings", "LogTimestamp", 1);
    StoreRememberedAnswer(store_, "FilterDirCopy_01", mbr::kYes);
    const std::string logFolder = Dir() / "tmp/quillon_log";
    Dir().MakeTree({{"tmp/quillon_log/Quillon-0101_000000_timer.txt", "1"},
                    {"tmp/quillon_log/Quillon-0102_000000_undo.txt", "2"},
                    {"tmp/quillon_log/Quillon-0103_000000_PDF.txt", "3"},
                    {"tmp/quillon_log/Quillon-0104_000000_timer.txt", "4"}});
    MakeFrame();
    EXPECT_EQ(ReadRememberedAnswer(store_, "FilterDirCopy_01"), mbr::kYes);
    EXPECT_EQ(Dir().List("tmp/quillon_log").size(), 4u);
    CQuillonApp app(store_);
    app.StartRun();
    EXPECT_TRUE(IsLogEnabled());
    EXPECT_EQ(GetLogFolder(), logFolder);
    EXPECT_EQ(
        Dir().List("tmp/quillon_log"),
        (std::vector<std::string>{"Quillon-0102_000000_undo.txt", "Quillon-0103_000000_PDF.txt",
                                  "Quillon-0104_000000_timer.txt"}));
    EXPECT_EQ(ReadRememberedAnswer(store_, "FilterDirCopy_01"), -1);
    std::string digits = GetLogStamp();
    std::erase_if(digits, [](char c) { return !std::isdigit(static_cast<unsigned char>(c)); });
    EXPECT_EQ(digits.size(), 10u);
    EXPECT_EQ(app.RunTag(), digits);
    Log("after start");
    std::string text = ReadText(GetLogPath());
    EXPECT_EQ(text.front(), '[') << text;
    EXPECT_NE(text.find("] after start\n"), std::string::npos) << text;
    for (bool on : {true, false}) {  // as stored at the start, then as the command stored it
        MakeFrame();
        EXPECT_EQ(IsLogEnabled(), on);
        EXPECT_EQ(frame_->LoggingAction()->isChecked(), on);
        const char* line = on ? "kept while on" : "dropped while off";
        Log(line);
        EXPECT_EQ(LogText().find(line) != std::string::npos, on);
        frame_->LoggingAction()->trigger();
        EXPECT_EQ(IsLogEnabled(), !on);
        EXPECT_EQ(frame_->LoggingAction()->isChecked(), !on);
        EXPECT_EQ(Int("Settings", "LogEnabled"), on ? 0 : 1);
        CQuillonApp(store_).StartRun();
    }
}

// Preferences OK re-reads with the new columns and checksum; Filter OK re-reads whole trees.
TEST_F(FrameCommandsTest, PreferencesAndFilterRedoTheList) {
    const time_t t = test::LocalTime(2024, 3, 7, 14, 5);
    dir_.MakeTree({{"L/twin.txt", "abcd", t},
                   {"R/twin.txt", "abce", t},
                   {"L/same.txt", "s"},
                   {"R/same.txt", "s"},
                   {"L/Sub/Deeper/deep.txt", "1"},
                   {"R/Sub/Deeper/deep.txt", "22"}});
    store_.WriteProfileInt("Settings", "CRC32", 0);
    MakeFrame();
    Open(dir_ / "L", dir_ / "R");
    ASSERT_NE(Row("twin.txt"), nullptr);
    EXPECT_EQ(Row("twin.txt")->FileState(), StatusSame);
    ASSERT_EQ(Row("deep.txt"), nullptr);
    dir_.WriteFile("L/fresh.txt", "new");
    WhenModal([](QDialog& dialog) {
        auto& options = static_cast<COptionsChange&>(dialog);
        options.SizeBox()->setChecked(false);
        options.ChecksumBox()->setChecked(true);
        options.SimplifiedBox()->setChecked(false);
        options.accept();
    });
    frame_->PreferencesAction()->trigger();
    EXPECT_EQ(Model().ColumnsPerSide(), 2);
    ASSERT_NE(Row("fresh.txt"), nullptr);
    EXPECT_EQ(Row("fresh.txt")->FileState(), StatusLeftOnly);
    EXPECT_EQ(Row("twin.txt")->FileState(), StatusDifferent);
    WhenModal([](QDialog& dialog) {
        auto& filter = static_cast<CFilter&>(dialog);
        filter.DisplayOption(2)->click();
        filter.ExpandAllBox()->setChecked(true);
        filter.accept();
    });
    frame_->FilterAction()->trigger();
    EXPECT_EQ(frame_->windowTitle().toStdString(), "Quillon - Filtered View");
    EXPECT_EQ(Row("same.txt"), nullptr);
    ASSERT_NE(Row("deep.txt"), nullptr);
    EXPECT_EQ(Row("deep.txt")->FileState(), StatusDifferent);
}

// The QTimer follows the stored switch, the commands and the reads; its tick refreshes the view.
TEST_F(FrameCommandsTest, TimerFollowsSettingsCommandsAndReads) {
    dir_.MakeTree({{"L/a.txt", "1"}, {"R/a.txt", "1"}});
    MakeFrame();
    auto expectRunning = [this](bool running) {
        EXPECT_EQ(frame_->TimerPort()->IsActive(kRefreshTimerId), running);
        EXPECT_EQ(Int("Misc.", "AutoRefreshDisabled"), running ? 0 : 1);
        EXPECT_EQ(frame_->EnableAutoRefreshAction()->isEnabled(), !running);
        EXPECT_EQ(frame_->DisableAutoRefreshAction()->isEnabled(), running);
    };
    expectRunning(false);
    frame_->EnableAutoRefreshAction()->trigger();
    expectRunning(true);
    frame_->DisableAutoRefreshAction()->trigger();
    expectRunning(false);
    EXPECT_TRUE(prompter_.shown.empty());
    store_.WriteProfileInt("Misc.", "AutoRefreshDisabled", 0);
    store_.WriteProfileInt("Misc.", "TimerIntervalInSecond", 30);
    MakeFrame();
    expectRunning(true);
    EXPECT_EQ(frame_->TimerPort()->IntervalMs(kRefreshTimerId), 120000);
    WhenModal([](QDialog& dialog) {
        static_cast<CTimerInterval&>(dialog).IntervalField()->setText("600");
        dialog.accept();
    });
    frame_->RefreshIntervalAction()->trigger();
    AutoRefreshTimer& timer = *frame_->AutoRefresh();
    EXPECT_EQ(timer.refreshInterval, 600u);
    clock_.now += 50;
    Open(dir_ / "L", dir_ / "R");
    EXPECT_TRUE(frame_->TimerPort()->IsActive(kRefreshTimerId));
    EXPECT_EQ(timer.lastTick, clock_.now);  // re-armed when the read ended
    dir_.WriteFile("R/b.txt", "new");
    clock_.now += 600;
    for (QTimer* qtimer : frame_->TimerPort()->findChildren<QTimer*>()) {
        QMetaObject::invokeMethod(qtimer, "timeout");
    }
    ASSERT_NE(Row("b.txt"), nullptr);
    EXPECT_EQ(Row("b.txt")->FileState(), StatusRightOnly);
    EXPECT_TRUE(frame_->TimerPort()->IsActive(kRefreshTimerId));
}

// The report is written and viewed; the link mode hands a file pair, never file and folder, on.
TEST_F(FrameCommandsTest, SaveOutputAndLinkModeStartTheTools) {
    dir_.MakeTree({{"L/diff.txt", "1"},
                   {"R/diff.txt", "22"},
                   {"L/same.txt", "s"},
                   {"R/same.txt", "s"},
                   {"L/A/", ""},
                   {"L/f.txt", "1"},
                   {"R/g.txt", "1"}});
    MakeFrame();
    Open(dir_ / "L", dir_ / "R");
    const std::string out = dir_ / "report.txt";
    prompter_.script = {mbr::kYes};
    WhenModal([out](QDialog& dialog) {
        static_cast<COutputFormat&>(dialog).OutputFileField()->setText(QString::fromStdString(out));
        dialog.accept();
    });
    frame_->SaveOutputAction()->trigger();
    std::string report = ReadText(out);
    EXPECT_NE(report.find("diff.txt"), std::string::npos) << report;
    EXPECT_EQ(report.find("same.txt"), std::string::npos) << report;
    ASSERT_EQ(launcher_.requests.size(), 1u);
    EXPECT_EQ(launcher_.requests[0].commandLine, viewerPath_ + " \"" + out + "\" /TILE_VERT");
    View().Link().Set(true);
    auto clickAt = [&](int row, int side) {
        QRect cell = View().visualRect(Model().index(row, side * Model().ColumnsPerSide()));
        View().Link().Click(cell.center());
    };
    clickAt(RowOf("f.txt"), 0);
    clickAt(RowOf("A"), 0);
    EXPECT_EQ(View().Link().Stage(), 1);
    clickAt(RowOf("g.txt"), 1);
    EXPECT_FALSE(View().Link().On());
    ASSERT_EQ(launcher_.requests.size(), 2u);
    EXPECT_EQ(launcher_.requests[1].commandLine,
              editorPath_ + " \"" + (dir_ / "L/f.txt") + "\" \"" + (dir_ / "R/g.txt") + "\"");
}

// ENTER compares a row's two files (the editor for text, the viewer for binary files, the user's
// choice for one of each) and opens a one-sided file in its associated program.
TEST_F(FrameCommandsTest, EnterOnAFileComparesOrOpensIt) {
    enum Kind { kNone, kText, kBinary };
    const struct {
        const char* name;
        Kind kinds[2];
        const char* launched;  // "editor L R", "opener L", "viewer L R /TILE_VERT", ...
        int answer = 0;        // to the one-binary question, which is then the one text shown
    } cases[] = {{"TextPair", {kText, kText}, "editor L R"},
                 {"LeftOnly", {kText, kNone}, "opener L"},
                 {"RightOnly", {kNone, kText}, "opener R"},
                 {"BinaryPair", {kBinary, kBinary}, "viewer L R /TILE_VERT"},
                 {"TextThenBinary", {kText, kBinary}, "editor L R", mbr::kYes},
                 {"BinaryThenText", {kBinary, kText}, "viewer L R /TILE_VERT", mbr::kNo}};
    for (const auto& c : cases) {
        for (int side = 0; side < 2; ++side) {
            if (c.kinds[side] != kNone) {
                dir_.WriteFile((side ? "R/" : "L/") + std::string(c.name),
                               c.kinds[side] == kText ? "plain text " + std::to_string(side)
                                                      : std::string("\x01\x00\x02\x00\x03\x00", 6) +
                                                            (side ? 'R' : 'L'));
            }
        }
    }
    dir_.WriteFile("L/NoEditor", "plain text");
    MakeFrame();
    Open(dir_ / "L", dir_ / "R");
    const PaneToolPaths& tools = frame_->Commands().Launch().Tools();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        launcher_.requests.clear();
        prompter_.shown.clear();
        prompter_.script = {c.answer};
        View().SelectOnly(RowOf(c.name));
        Key(Qt::Key_Return);
        std::vector<std::string> expected;
        std::istringstream words(c.launched);
        for (std::string word; words >> word;) {
            expected.push_back(word == "editor"   ? tools.editor
                               : word == "viewer" ? tools.viewer
                               : word == "opener" ? tools.opener
                               : word[0] == '/'   ? word
                                                  : dir_ / (word + "/" + c.name));
        }
        ASSERT_EQ(launcher_.requests.size(), 1u);
        EXPECT_EQ(launcher_.requests[0].argv, expected);
        ASSERT_EQ(prompter_.shown.size(), c.answer != 0 ? 1u : 0u);
        if (c.answer != 0) {
            EXPECT_TRUE(prompter_.shown[0].text.find(" seems binary and\n") != std::string::npos);
        }
    }
    EXPECT_EQ(tools.editor, editorPath_);
    EXPECT_EQ(tools.viewer, viewerPath_);
    editorPath_.clear();
    launcher_.requests.clear();
    prompter_.shown.clear();
    EXPECT_FALSE(View().Doc().OpenPath(dir_ / "L/NoEditor"));
    EXPECT_TRUE(launcher_.requests.empty());
    EXPECT_TRUE(prompter_.shown.empty());
    EXPECT_EQ(View().Doc().Path(0), dir_ / "L");
}

// Folders open and are logged; a missing one empties the window; a stored filter uses its list.
TEST_F(FrameCommandsTest, CommandLineOpensTheWindow) {
    using Texts = std::vector<std::string>;
    auto start = [this](const std::vector<std::string>& args) {
        const CommandLine cmd = ParseCommandLine(args);
        const StartDecision decision = DecideStart(cmd, ProbePath);
        EXPECT_EQ(decision.outcome, StartOutcome::Window);
        frame_.reset();
        CQuillonApp app(store_);
        frame_ = OpenWindow(app, cmd, decision, store_, Services());
        ASSERT_NE(frame_, nullptr);
        EXPECT_TRUE(frame_->isVisible());
    };
    dir_.MakeTree({{"L/same.txt", "s"},
                   {"R/same.txt", "s"},
                   {"L/a.txt", "1"},
                   {"R/a.txt", "22"},
                   {"L/b.doc", "1"},
                   {"R/b.doc", "22"}});
    store_.WriteProfileInt("Settings", "LogEnabled", 1);
    start({dir_ / "L", dir_ / "R/"});
    EXPECT_EQ(View().Doc().Path(0), dir_ / "L");
    EXPECT_EQ(View().Doc().Path(1), dir_ / "R");
    EXPECT_EQ(frame_->Combo(0)->currentText().toStdString(), dir_ / "L");
    EXPECT_EQ(frame_->Combo(1)->currentText().toStdString(), dir_ / "R");
    EXPECT_EQ(Names(), (Texts{"..", "a.txt", "b.doc", "same.txt"}));
    EXPECT_EQ(frame_->windowTitle().toStdString(), "Quillon");
    const std::string log = LogText();
    EXPECT_LT(log.find("cmd args = " + (dir_ / "L") + " " + (dir_ / "R/") + " "), log.find('\n'))
        << log;
    start({dir_ / "nothing", dir_ / "R"});
    EXPECT_TRUE(View().Doc().Path(0).empty());
    EXPECT_TRUE(View().Doc().Path(1).empty());
    EXPECT_EQ(Model().RowCount(), 0);
    EXPECT_TRUE(prompter_.shown.empty());
    store_.WriteProfileInt("Filter", "Flags", 0x202);
    store_.AddToMruList(kDialogInclusionMru, "txt");
    start({dir_ / "L", dir_ / "R"});
    EXPECT_EQ(frame_->windowTitle().toStdString(), "Quillon - Filtered View");
    EXPECT_EQ(Names(), (Texts{"..", "a.txt"}));
    start({"-FILTER:516:txt", dir_ / "L", dir_ / "R"});
    EXPECT_EQ(frame_->windowTitle().toStdString(), "Quillon - Filtered View");
    EXPECT_EQ(Names(), (Texts{"..", "b.doc"}));
}

}  // namespace
}  // namespace quillon
