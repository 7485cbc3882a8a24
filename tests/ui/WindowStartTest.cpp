// The interactive start as the program's main runs it: the command line decides, the frame opens
// the folders with the filter of this run, and the arguments reach the log the view opened.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/WindowStart.h"
#include "core/DisplayFilter.h"
#include "platform/Log.h"
#include "support/WindowFixture.h"
#include "ui/CDropCombo.h"

namespace quillon {
namespace {

using Texts = std::vector<std::string>;

class WindowStartTest : public test::WindowFixture {
  protected:
    WindowStartTest() {
        Dir().MakeTree({{"L/same.txt", "s"},
                        {"R/same.txt", "s"},
                        {"L/a.txt", "1"},
                        {"R/a.txt", "22"},
                        {"L/b.doc", "1"},
                        {"R/b.doc", "22"}});
    }
    void Start(const Texts& args) {
        const CommandLine cmd = ParseCommandLine(args);
        const StartDecision decision = DecideStart(cmd, ProbePath);
        EXPECT_EQ(decision.outcome, StartOutcome::Window);
        frame_.reset();
        CQuillonApp app(store_);
        frame_ = OpenWindow(app, cmd, decision, store_, Services());
        ASSERT_NE(frame_, nullptr);
        EXPECT_TRUE(frame_->isVisible());
    }
    std::string Title() { return frame_->windowTitle().toStdString(); }
};

// Two folders open left and right, fill both path boxes, and the arguments are the first thing
// of this run's log. A first path that does not exist gives the empty window and no message.
TEST_F(WindowStartTest, PairOpensBothSidesAndLogsTheArguments) {
    store_.WriteProfileInt("Settings", "LogEnabled", 1);
    Start({Dir() / "L", Dir() / "R/"});
    EXPECT_EQ(View().Doc().Path(0), Dir() / "L");
    EXPECT_EQ(View().Doc().Path(1), Dir() / "R");
    EXPECT_EQ(frame_->Combo(0)->currentText().toStdString(), Dir() / "L");
    EXPECT_EQ(frame_->Combo(1)->currentText().toStdString(), Dir() / "R");
    EXPECT_EQ(Names(), (Texts{"..", "a.txt", "b.doc", "same.txt"}));
    EXPECT_EQ(Title(), "Quillon");
    std::istringstream log(LogText());
    std::string firstLine;
    std::getline(log, firstLine);
    EXPECT_NE(firstLine.find("cmd args = " + (Dir() / "L") + " " + (Dir() / "R/") + " "),
              std::string::npos)
        << firstLine;

    Start({Dir() / "nothing", Dir() / "R"});
    EXPECT_TRUE(View().Doc().Path(0).empty());
    EXPECT_TRUE(View().Doc().Path(1).empty());
    EXPECT_EQ(Model().RowCount(), 0);
    EXPECT_TRUE(prompter_.shown.empty());
}

// A stored inclusion default without a list of its own takes the filter dialog's newest list, so
// the run starts filtered to those extensions; the command line's filter wins over it.
TEST_F(WindowStartTest, FilterOfTheRun) {
    store_.WriteProfileInt("Filter", "Flags", 0x202);
    store_.AddToMruList(kDialogInclusionMru, "txt");
    Start({Dir() / "L", Dir() / "R"});
    EXPECT_EQ(Title(), "Quillon - Filtered View");
    EXPECT_EQ(Names(), (Texts{"..", "a.txt"}));
    Start({"-FILTER:516:txt", Dir() / "L", Dir() / "R"});
    EXPECT_EQ(Title(), "Quillon - Filtered View");
    EXPECT_EQ(Names(), (Texts{"..", "b.doc"}));
}

}  // namespace
}  // namespace quillon
