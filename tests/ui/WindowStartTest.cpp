// The interactive start as the program's main runs it: the command line decides, the frame opens
// the folders with the filter of this run, and the arguments reach the log the view opened.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/WindowStart.h"
#include "core/DiffItem.h"
#include "core/DisplayFilter.h"
#include "platform/Log.h"
#include "platform/RegistryStore.h"
#include "platform/SettingsStore.h"
#include "support/FakeProgress.h"
#include "support/FakePrompter.h"
#include "support/RecordingLauncher.h"
#include "support/TempConfigEnv.h"
#include "support/TestDir.h"
#include "ui/CDropCombo.h"
#include "ui/CMainFrame.h"
#include "ui/CQuillonView.h"
#include "ui/DiffListModel.h"

namespace quillon {
namespace {

class WindowStartTest : public ::testing::Test {
  protected:
    void SetUp() override {
        registry_ = std::make_unique<RegistryStore>(RegistryStore::FolderFromEnvironment());
        store_ = std::make_unique<SettingsStore>(*registry_);
        dir_.MakeTree({{"L/same.txt", "s"},
                       {"R/same.txt", "s"},
                       {"L/a.txt", "1"},
                       {"R/a.txt", "22"},
                       {"L/b.doc", "1"},
                       {"R/b.doc", "22"}});
    }

    CMainFrame& Start(const std::vector<std::string>& args) {
        CommandLine cmd = ParseCommandLine(args);
        StartDecision decision = DecideStart(cmd, ProbePath);
        EXPECT_EQ(decision.outcome, StartOutcome::Window);
        FrameServices services;
        services.prompter = &prompter_;
        services.progress = &progress_;
        services.launcher = &launcher_;
        frame_ = OpenWindow(cmd, decision, *store_, services);
        return *frame_;
    }
    std::vector<std::string> Names() {
        std::vector<std::string> names;
        for (DiffItem* item : frame_->View()->Model().Rows()) {
            names.push_back(item->name);
        }
        return names;
    }

    test::TempConfigEnv env_;
    test::TestDir dir_;
    test::FakePrompter prompter_;
    test::FakeProgressFactory progress_;
    test::RecordingLauncher launcher_;
    std::unique_ptr<RegistryStore> registry_;
    std::unique_ptr<SettingsStore> store_;
    std::unique_ptr<CMainFrame> frame_;
};

// Two folders open left and right, fill both path boxes, and the arguments are the first thing
// of this run's log.
TEST_F(WindowStartTest, PairOpensBothSidesAndLogsTheArguments) {
    store_->WriteProfileInt("Settings", "LogEnabled", 1);
    Start({dir_ / "L", dir_ / "R/"});
    CQuillonView& view = *frame_->View();
    EXPECT_EQ(view.Path(0), dir_ / "L");
    EXPECT_EQ(view.Path(1), dir_ / "R");
    EXPECT_EQ(frame_->Combo(0)->currentText().toStdString(), dir_ / "L");
    EXPECT_EQ(frame_->Combo(1)->currentText().toStdString(), dir_ / "R");
    EXPECT_EQ(Names(), (std::vector<std::string>{"..", "a.txt", "b.doc", "same.txt"}));
    EXPECT_EQ(frame_->windowTitle().toStdString(), "Quillon");
    EXPECT_TRUE(frame_->isVisible());

    std::ifstream in(GetLogPath());
    std::string firstLine;
    std::getline(in, firstLine);
    EXPECT_NE(firstLine.find("cmd args = " + (dir_ / "L") + " " + (dir_ / "R/") + " "),
              std::string::npos)
        << firstLine;
}

// A stored inclusion default without a list of its own takes the filter dialog's newest list, so
// the run starts filtered to those extensions.
TEST_F(WindowStartTest, StoredFilterDefaultsNarrowTheFirstComparison) {
    store_->WriteProfileInt("Filter", "Flags", 0x202);
    store_->AddToMruList(kDialogInclusionMru, "txt");
    Start({dir_ / "L", dir_ / "R"});
    EXPECT_EQ(frame_->windowTitle().toStdString(), "Quillon - Filtered View");
    EXPECT_EQ(Names(), (std::vector<std::string>{"..", "a.txt"}));
}

// The command line's filter wins over the stored one.
TEST_F(WindowStartTest, FilterOptionOverridesTheStoredDefaults) {
    store_->WriteProfileInt("Filter", "Flags", 0x202);
    store_->AddToMruList(kDialogInclusionMru, "txt");
    Start({"-FILTER:516:txt", dir_ / "L", dir_ / "R"});
    EXPECT_EQ(frame_->windowTitle().toStdString(), "Quillon - Filtered View");
    EXPECT_EQ(Names(), (std::vector<std::string>{"..", "b.doc"}));
}

// A first path that does not exist gives the empty window and no message.
TEST_F(WindowStartTest, MissingFirstPathOpensTheEmptyWindow) {
    Start({dir_ / "nothing", dir_ / "R"});
    EXPECT_TRUE(frame_->View()->Path(0).empty());
    EXPECT_TRUE(frame_->View()->Path(1).empty());
    EXPECT_EQ(frame_->View()->Model().RowCount(), 0);
    EXPECT_TRUE(prompter_.shown.empty());
    EXPECT_TRUE(frame_->isVisible());
}

}  // namespace
}  // namespace quillon
