// The one fixture for widget tests: the private settings store of StoreFixture, a scripted
// prompter, and for a main window recording progress windows and launcher, a clock moved by hand
// and the tool lookup a test sets (empty: the frame's own). Needs the QApplication of the widget
// test program.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/DiffItem.h"
#include "support/FakeClock.h"
#include "support/FakeProgress.h"
#include "support/FakePrompter.h"
#include "support/RecordingLauncher.h"
#include "support/StoreFixture.h"
#include "ui/CMainFrame.h"
#include "ui/CQuillonView.h"
#include "ui/DiffListModel.h"

namespace quillon::test {

class WindowFixture : public StoreFixture {
  protected:
    FrameServices Services() {
        FrameServices services;
        services.prompter = &prompter_;
        services.progress = &progress_;
        services.launcher = &launcher_;
        services.clock = &clock_;
        services.locateTool = locateTool_;
        return services;
    }
    // A shown main window of a fixed size over the fixture's store and services.
    CMainFrame& MakeFrame() {
        frame_.reset();
        frame_ = std::make_unique<CMainFrame>(&store_, Services());
        frame_->resize(900, 500);
        frame_->show();
        return *frame_;
    }
    CQuillonView& View() { return *frame_->View(); }
    DiffListModel& Model() { return View().Model(); }
    // The shown name of every row, in order.
    std::vector<std::string> Names() {
        std::vector<std::string> names;
        for (DiffItem* item : Model().Rows()) {
            names.push_back(item->name);
        }
        return names;
    }

    FakePrompter prompter_;
    FakeProgressFactory progress_;
    RecordingLauncher launcher_;
    ManualClock clock_;
    std::function<std::string(std::string_view exe)> locateTool_;
    std::unique_ptr<CMainFrame> frame_;
};

}  // namespace quillon::test
