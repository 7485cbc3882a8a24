// The main window wired to the rest of the program: what creating the view starts, the dialog
// commands and what the list does after them, the auto-refresh timer on a QTimer, the log switch,
// and files handed to the sibling tools. Real folders, a recording launcher, a scripted prompter.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

#include <cctype>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "ListRows.h"
#include "core/AutoRefresh.h"
#include "core/DiffItem.h"
#include "platform/Log.h"
#include "platform/MessageBoxLogic.h"
#include "platform/RegistryStore.h"
#include "platform/SettingsStore.h"
#include "support/FakeProgress.h"
#include "support/FakePrompter.h"
#include "support/ModalDialog.h"
#include "support/RecordingLauncher.h"
#include "support/TempConfigEnv.h"
#include "support/TestDir.h"
#include "ui/CFilter.h"
#include "ui/CMainFrame.h"
#include "ui/COptionsChange.h"
#include "ui/COutputFormat.h"
#include "ui/CQuillonView.h"
#include "ui/CTimerInterval.h"
#include "ui/DiffListModel.h"
#include "ui/QtTimerPort.h"

namespace quillon {
namespace {

using test::FakeProgressFactory;
using test::FakePrompter;
using test::RecordingLauncher;
using test::TempConfigEnv;
using test::TestDir;
using test::WhenModal;

class ManualClock : public RefreshClock {
  public:
    int64_t Now() const override { return now; }
    int64_t now = 1'700'000'000;
};

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class FrameCommandsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        registry_ = std::make_unique<RegistryStore>(RegistryStore::FolderFromEnvironment());
        store_ = std::make_unique<SettingsStore>(*registry_);
        dir_.MakeTree({{"tools/editor", "#!/bin/sh\n"}, {"tools/viewer", "#!/bin/sh\n"}});
    }

    CMainFrame& MakeFrame() {
        FrameServices services;
        services.prompter = &prompter_;
        services.progress = &progress_;
        services.launcher = &launcher_;
        services.clock = &clock_;
        services.locateTool = [this](std::string_view exe) {
            located_.emplace_back(exe);
            return exe == kEditorExe ? editorPath_ : exe == kViewerExe ? viewerPath_ : "";
        };
        frame_.reset();
        frame_ = std::make_unique<CMainFrame>(store_.get(), services);
        frame_->resize(900, 500);
        frame_->show();
        return *frame_;
    }
    CQuillonView& View() { return *frame_->View(); }
    DiffListModel& Model() { return View().Model(); }
    void Open(const std::string& left, const std::string& right) {
        ASSERT_TRUE(frame_->OpenPath(left));
        ASSERT_TRUE(frame_->OpenPath(right));
    }
    const DiffItem* Row(const std::string& name) { return test::ItemOfName(Model(), name); }
    int RowOf(const std::string& name) { return test::RowOfName(Model(), name); }
    int Setting(const char* section, const char* name) {
        return store_->GetProfileInt(section, name, -12345);
    }

    TempConfigEnv env_;
    TestDir dir_;
    FakePrompter prompter_;
    FakeProgressFactory progress_;
    RecordingLauncher launcher_;
    ManualClock clock_;
    std::string editorPath_ = dir_ / "tools/editor";
    std::string viewerPath_ = dir_ / "tools/viewer";
    std::vector<std::string> located_;
    std::unique_ptr<RegistryStore> registry_;
    std::unique_ptr<SettingsStore> store_;
    std::unique_ptr<CMainFrame> frame_;
};

// Creating the view opens this run's log with the stored switches, prunes the side logs to the
// three newest, forgets remembered answers and takes the log's stamp as the backup run tag.
TEST_F(FrameCommandsTest, CreatingTheViewStartsTheRun) {
    store_->WriteProfileInt("Settings", "LogEnabled", 1);
    store_->WriteProfileInt("Settings", "LogTimestamp", 1);
    StoreRememberedAnswer(*store_, "FilterDirCopy_01", mbr::kYes);
    const std::string logFolder = env_.Dir() / "tmp/quillon_log";
    // The side logs of earlier runs, oldest first.
    env_.Dir().MakeTree({{"tmp/quillon_log/Quillon-0101_000000_timer.txt", "1"},
                         {"tmp/quillon_log/Quillon-0102_000000_undo.txt", "2"},
                         {"tmp/quillon_log/Quillon-0103_000000_PDF.txt", "3"},
                         {"tmp/quillon_log/Quillon-0104_000000_timer.txt", "4"}});
    MakeFrame();

    EXPECT_TRUE(IsLogEnabled());
    EXPECT_EQ(GetLogFolder(), logFolder);
    EXPECT_EQ(
        env_.Dir().List("tmp/quillon_log"),
        (std::vector<std::string>{"Quillon-0102_000000_undo.txt", "Quillon-0103_000000_PDF.txt",
                                  "Quillon-0104_000000_timer.txt"}));
    EXPECT_EQ(ReadRememberedAnswer(*store_, "FilterDirCopy_01"), -1);

    std::string digits;
    for (char c : GetLogStamp()) {
        if (std::isdigit(static_cast<unsigned char>(c))) {
            digits += c;
        }
    }
    EXPECT_EQ(digits.size(), 10u);
    EXPECT_EQ(View().RunTag(), digits);

    Log("after start");
    std::string text = ReadText(GetLogPath());
    EXPECT_EQ(text.front(), '[') << text;
    EXPECT_NE(text.find("] after start\n"), std::string::npos) << text;
}

// Without the stored switch the log stays off and writes nothing.
TEST_F(FrameCommandsTest, LoggingIsOffByDefault) {
    MakeFrame();
    EXPECT_FALSE(IsLogEnabled());
    EXPECT_FALSE(frame_->LoggingAction()->isChecked());
    Log("not written");
    EXPECT_FALSE(env_.Dir().Exists(GetLogPath().substr(env_.Dir().Path().size() + 1)));
}

// The log command flips the switch, shows it as a check mark, stores it, and a restart keeps it.
TEST_F(FrameCommandsTest, LogCommandTogglesAndPersists) {
    MakeFrame();
    frame_->LoggingAction()->trigger();
    EXPECT_TRUE(IsLogEnabled());
    EXPECT_TRUE(frame_->LoggingAction()->isChecked());
    EXPECT_EQ(Setting("Settings", "LogEnabled"), 1);

    MakeFrame();
    EXPECT_TRUE(IsLogEnabled());
    EXPECT_TRUE(frame_->LoggingAction()->isChecked());
    frame_->LoggingAction()->trigger();
    EXPECT_FALSE(IsLogEnabled());
    EXPECT_FALSE(frame_->LoggingAction()->isChecked());
    EXPECT_EQ(Setting("Settings", "LogEnabled"), 0);
}

// Preferences OK: the new column set is shown, the disk is re-read into the loaded tree and the
// new checksum rule decides the statuses again.
TEST_F(FrameCommandsTest, PreferencesRedoTheListWithTheNewRules) {
    const time_t t = test::LocalTime(2024, 3, 7, 14, 5);
    dir_.MakeTree({{"L/twin.txt", "abcd", t}, {"R/twin.txt", "abce", t}, {"R/other.txt", "x"}});
    store_->WriteProfileInt("Settings", "CRC32", 0);
    MakeFrame();
    Open(dir_ / "L", dir_ / "R");
    ASSERT_NE(Row("twin.txt"), nullptr);
    EXPECT_EQ(Row("twin.txt")->FileState(), StatusSame);
    EXPECT_EQ(Model().ColumnsPerSide(), 3);

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
    EXPECT_EQ(View().GetComparison().options.crc32, 1);
    EXPECT_EQ(Setting("Settings", "FileSize"), 0);
    EXPECT_EQ(Setting("Settings", "CRC32"), 1);
}

// Preferences cancelled: nothing is re-read and the columns stay.
TEST_F(FrameCommandsTest, CancelledPreferencesLeaveTheList) {
    dir_.MakeTree({{"L/a.txt", "1"}, {"R/a.txt", "1"}});
    MakeFrame();
    Open(dir_ / "L", dir_ / "R");
    dir_.WriteFile("L/fresh.txt", "new");
    WhenModal([](QDialog& dialog) {
        static_cast<COptionsChange&>(dialog).SizeBox()->setChecked(false);
        dialog.reject();
    });
    frame_->PreferencesAction()->trigger();
    EXPECT_EQ(Model().ColumnsPerSide(), 3);
    EXPECT_EQ(Row("fresh.txt"), nullptr);
}

// Filter OK: the title says so and the pair is read afresh under the filter; with expand-all and
// both sides open the whole trees are read, so a deep difference shows without expanding.
TEST_F(FrameCommandsTest, FilterReloadsThePairUnderTheNewFilter) {
    dir_.MakeTree({{"L/same.txt", "s"},
                   {"R/same.txt", "s"},
                   {"L/Sub/Deeper/deep.txt", "1"},
                   {"R/Sub/Deeper/deep.txt", "22"}});
    MakeFrame();
    Open(dir_ / "L", dir_ / "R");
    ASSERT_NE(Row("same.txt"), nullptr);
    ASSERT_EQ(Row("deep.txt"), nullptr);

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
    EXPECT_TRUE(View().GetComparison().readWholeTrees);

    WhenModal([](QDialog& dialog) {
        static_cast<CFilter&>(dialog).DisplayOption(0)->click();
        dialog.accept();
    });
    frame_->FilterAction()->trigger();
    EXPECT_EQ(frame_->windowTitle().toStdString(), "Quillon");
    EXPECT_NE(Row("same.txt"), nullptr);
}

// The frame's start reads the stored timer settings: off by default (and stored as off), on with
// the interval raised to its floor when enabled.
TEST_F(FrameCommandsTest, TimerStartsFromTheStoredSettings) {
    MakeFrame();
    EXPECT_FALSE(frame_->AutoRefreshRunning());
    EXPECT_FALSE(frame_->TimerPort()->IsActive(kRefreshTimerId));
    EXPECT_EQ(Setting("Misc.", "AutoRefreshDisabled"), 1);
    EXPECT_TRUE(frame_->EnableAutoRefreshAction()->isEnabled());
    EXPECT_FALSE(frame_->DisableAutoRefreshAction()->isEnabled());

    store_->WriteProfileInt("Misc.", "AutoRefreshDisabled", 0);
    store_->WriteProfileInt("Misc.", "TimerIntervalInSecond", 30);
    MakeFrame();
    EXPECT_TRUE(frame_->TimerPort()->IsActive(kRefreshTimerId));
    EXPECT_EQ(frame_->TimerPort()->IntervalMs(kRefreshTimerId), 120000);
    EXPECT_EQ(Setting("Misc.", "TimerIntervalInSecond"), 120);
    EXPECT_FALSE(frame_->EnableAutoRefreshAction()->isEnabled());
    EXPECT_TRUE(frame_->DisableAutoRefreshAction()->isEnabled());
}

// Enable and disable switch the QTimer and store the choice; each is offered only in the state
// where it does something.
TEST_F(FrameCommandsTest, EnableAndDisableSwitchTheTimer) {
    MakeFrame();
    frame_->EnableAutoRefreshAction()->trigger();
    EXPECT_TRUE(frame_->TimerPort()->IsActive(kRefreshTimerId));
    EXPECT_EQ(Setting("Misc.", "AutoRefreshDisabled"), 0);
    EXPECT_FALSE(frame_->EnableAutoRefreshAction()->isEnabled());
    EXPECT_TRUE(frame_->DisableAutoRefreshAction()->isEnabled());

    frame_->DisableAutoRefreshAction()->trigger();
    EXPECT_FALSE(frame_->TimerPort()->IsActive(kRefreshTimerId));
    EXPECT_EQ(Setting("Misc.", "AutoRefreshDisabled"), 1);
    EXPECT_TRUE(frame_->EnableAutoRefreshAction()->isEnabled());
    EXPECT_FALSE(frame_->DisableAutoRefreshAction()->isEnabled());
    EXPECT_TRUE(prompter_.shown.empty());
}

// Folder reads pause the running timer and re-arm it afterwards; a tick refreshes the view's
// comparison from the disk.
TEST_F(FrameCommandsTest, TimerFollowsFolderReadsAndRefreshesOnTick) {
    dir_.MakeTree({{"L/a.txt", "1"}, {"R/a.txt", "1"}});
    MakeFrame();
    frame_->EnableAutoRefreshAction()->trigger();
    AutoRefreshTimer& timer = *frame_->AutoRefresh();
    const int64_t enabledAt = clock_.now;
    EXPECT_EQ(timer.lastTick, enabledAt);

    clock_.now += 50;
    Open(dir_ / "L", dir_ / "R");
    EXPECT_TRUE(frame_->TimerPort()->IsActive(kRefreshTimerId));
    EXPECT_EQ(timer.lastTick, enabledAt + 50);  // re-armed when the read ended

    dir_.WriteFile("R/b.txt", "new");
    clock_.now += 120;
    timer.OnTimer(kRefreshTimerId);
    ASSERT_NE(Row("b.txt"), nullptr);
    EXPECT_EQ(Row("b.txt")->FileState(), StatusRightOnly);
    EXPECT_TRUE(frame_->TimerPort()->IsActive(kRefreshTimerId));
}

// The interval dialog's number reaches the timer and the settings, raised to the floor.
TEST_F(FrameCommandsTest, IntervalDialogSetsTheTimer) {
    MakeFrame();
    for (const auto& [typed, expected] : {std::pair{"600", 600u}, std::pair{"5", 120u}}) {
        WhenModal([typed = typed](QDialog& dialog) {
            static_cast<CTimerInterval&>(dialog).IntervalField()->setText(typed);
            dialog.accept();
        });
        frame_->RefreshIntervalAction()->trigger();
        EXPECT_EQ(frame_->AutoRefresh()->refreshInterval, expected) << typed;
        EXPECT_EQ(Setting("Misc.", "TimerIntervalInSecond"), static_cast<int>(expected));
    }
}

// A port timer calls back with its own id, repeatedly, until it is stopped.
TEST(QtTimerPortTest, TicksCarryTheIdUntilStopped) {
    std::vector<uint32_t> ticks;
    QtTimerPort port([&ticks](uint32_t id) { ticks.push_back(id); });
    port.StartTimer(7, 5);
    EXPECT_TRUE(port.IsActive(7));
    EXPECT_FALSE(port.IsActive(8));
    QTRY_VERIFY_WITH_TIMEOUT(ticks.size() >= 2, 2000);
    EXPECT_EQ(ticks.front(), 7u);
    EXPECT_EQ(ticks.back(), 7u);
    port.StopTimer(7);
    EXPECT_FALSE(port.IsActive(7));
    const size_t stoppedAt = ticks.size();
    QTest::qWait(30);
    EXPECT_EQ(ticks.size(), stoppedAt);
}

// The report command writes the shown rows to the chosen file and, on Yes, opens it in the
// viewer found by the tool lookup.
TEST_F(FrameCommandsTest, SaveOutputWritesTheReportAndOpensTheViewer) {
    dir_.MakeTree(
        {{"L/diff.txt", "1"}, {"R/diff.txt", "22"}, {"L/same.txt", "s"}, {"R/same.txt", "s"}});
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
    ASSERT_EQ(prompter_.shown.size(), 1u);
    EXPECT_EQ(prompter_.shown[0].text, "\"" + out + "\"" + kOutputCreatedQuestion);
    ASSERT_EQ(launcher_.requests.size(), 1u);
    EXPECT_EQ(launcher_.requests[0].commandLine, viewerPath_ + " \"" + out + "\" /TILE_VERT");
}

enum FileKind { kNone, kText, kBinary };

struct EnterCase {
    const char* name;
    FileKind left;
    FileKind right;
    bool editorFound;
    // What starts: "editor L R", "editor L", "viewer L R", ... or "" for nothing.
    const char* launched;
    const char* message;  // the message shown, or ""
};

class EnterOnFileTest : public FrameCommandsTest,
                        public ::testing::WithParamInterface<EnterCase> {};

// ENTER on a file row hands the row's files to the editor or, for binary files, the viewer; a
// binary partner of a text file stays out; a missing editor is reported.
TEST_P(EnterOnFileTest, HandsTheRowToTheSiblingTool) {
    const EnterCase& c = GetParam();
    dir_.MakeTree({{"L/", ""}, {"R/", ""}});
    const FileKind kinds[2] = {c.left, c.right};
    const char* sides[2] = {"L", "R"};
    for (int side = 0; side < 2; ++side) {
        if (kinds[side] == kText) {
            dir_.WriteFile(std::string(sides[side]) + "/f.dat",
                           "plain text " + std::to_string(side));
        } else if (kinds[side] == kBinary) {
            dir_.WriteFile(std::string(sides[side]) + "/f.dat",
                           std::string("\x01\x00\x02\x00\x03\x00", 6) + sides[side]);
        }
    }
    if (!c.editorFound) {
        editorPath_.clear();
    }
    MakeFrame();
    Open(dir_ / "L", dir_ / "R");
    View().SelectOnly(RowOf("f.dat"));
    QTest::keyClick(&View(), Qt::Key_Return);

    std::string expected;
    std::istringstream words(c.launched);
    std::string word;
    bool viewer = false;
    while (words >> word) {
        if (word == "editor" || word == "viewer") {
            viewer = word == "viewer";
            expected = viewer ? viewerPath_ : editorPath_;
        } else {
            expected += " \"" + (dir_ / (word + "/f.dat")) + "\"";
        }
    }
    if (viewer) {
        expected += " /TILE_VERT";
    }
    if (expected.empty()) {
        EXPECT_TRUE(launcher_.requests.empty());
    } else {
        ASSERT_EQ(launcher_.requests.size(), 1u);
        EXPECT_EQ(launcher_.requests[0].commandLine, expected);
    }
    if (*c.message) {
        ASSERT_EQ(prompter_.shown.size(), 1u);
        EXPECT_EQ(prompter_.shown[0].text, c.message);
    } else {
        EXPECT_TRUE(prompter_.shown.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, EnterOnFileTest,
    ::testing::Values(EnterCase{"TextPair", kText, kText, true, "editor L R", ""},
                      EnterCase{"LeftOnly", kText, kNone, true, "editor L", ""},
                      EnterCase{"RightOnly", kNone, kText, true, "editor R", ""},
                      EnterCase{"BinaryPair", kBinary, kBinary, true, "viewer L R", ""},
                      EnterCase{"TextThenBinary", kText, kBinary, true, "editor L", ""},
                      EnterCase{"BinaryThenText", kBinary, kText, true, "viewer L", ""},
                      EnterCase{"NoEditor", kText, kText, false, "", kEditorNameEmpty}),
    [](const ::testing::TestParamInfo<EnterCase>& info) { return info.param.name; });

// Opening a file as a document starts the editor without a word, and nothing when it is missing.
TEST_F(FrameCommandsTest, OpeningAFileAsADocumentNeverAsks) {
    dir_.MakeTree({{"doc.txt", "text"}});
    MakeFrame();
    EXPECT_FALSE(View().OpenPath(dir_ / "doc.txt"));
    ASSERT_EQ(launcher_.requests.size(), 1u);
    EXPECT_EQ(launcher_.requests[0].commandLine, editorPath_ + " \"" + (dir_ / "doc.txt") + "\"");

    editorPath_.clear();
    EXPECT_FALSE(View().OpenPath(dir_ / "doc.txt"));
    EXPECT_EQ(launcher_.requests.size(), 1u);
    EXPECT_TRUE(prompter_.shown.empty());
    EXPECT_TRUE(View().Path(0).empty());
}

// Two linked files go to the editor like a row present on both sides.
TEST_F(FrameCommandsTest, LinkedFilesGoToTheEditor) {
    dir_.MakeTree({{"L/one.txt", "1"}, {"R/two.txt", "2"}});
    MakeFrame();
    Open(dir_ / "L", dir_ / "R");
    View().SetLinkMode(true);
    const int half = View().HalfWidth();
    View().LinkClick(QPoint(half / 2, View().rowViewportPosition(RowOf("one.txt")) + 2));
    View().LinkClick(QPoint(half + half / 2, View().rowViewportPosition(RowOf("two.txt")) + 2));
    ASSERT_EQ(launcher_.requests.size(), 1u);
    EXPECT_EQ(launcher_.requests[0].commandLine,
              editorPath_ + " \"" + (dir_ / "L/one.txt") + "\" \"" + (dir_ / "R/two.txt") + "\"");
    EXPECT_FALSE(View().LinkMode());
}

}  // namespace
}  // namespace quillon
