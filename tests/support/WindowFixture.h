// The fixture for widget tests: StoreFixture with a recording launcher in its run context, fake
// services for a main window and row helpers.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "core/DiffItem.h"
#include "platform/RunContext.h"
#include "support/FakeClock.h"
#include "support/FakeProgress.h"
#include "support/FakePrompter.h"
#include "support/RecordingLauncher.h"
#include "support/StoreFixture.h"
#include "support/TestDir.h"
#include "ui/CMainFrame.h"
#include "ui/CQuillonView.h"
#include "ui/DiffListModel.h"
#include "ui/DiffRowDelegate.h"

namespace quillon::test {

class WindowFixture : public StoreFixture {
  protected:
    WindowFixture() { RunContext::Current().launcher = &launcher_; }
    FrameServices Services() {
        FrameServices services;
        services.prompter = &prompter_;
        services.progress = progressFactory_;
        services.clock = &clock_;
        return services;
    }
    // A shown main window of a fixed size over the fixture's store and services.
    CMainFrame& MakeFrame() {
        frame_.reset();
        frame_ = std::make_unique<CMainFrame>(&store_, Services());
        frame_->resize(900, 500);
        frame_->show();
        // The window's shortcuts apply only while it is the active one.
        Activate();
        return *frame_;
    }
    void Activate() {
        QApplication::setActiveWindow(frame_.get());
        View().setFocus();
    }
    void Open(const std::string& left, const std::string& right) {
        ASSERT_TRUE(frame_->OpenPath(left));
        ASSERT_TRUE(frame_->OpenPath(right));
    }
    CQuillonView& View() { return *frame_->View(); }
    DiffListModel& Model() { return View().Model(); }
    std::vector<std::string> Names() {
        std::vector<std::string> names;
        for (DiffItem* item : Model().Rows()) {
            names.push_back(item->name);
        }
        return names;
    }
    // The first row showing `name`, or -1; its item, or null.
    int RowOf(const std::string& name) {
        const std::vector<std::string> names = Names();
        const auto it = std::find(names.begin(), names.end(), name);
        return it == names.end() ? -1 : static_cast<int>(it - names.begin());
    }
    const DiffItem* Row(const std::string& name) {
        const int row = RowOf(name);
        return row < 0 ? nullptr : Model().ItemAt(row);
    }
    int Current() { return View().currentIndex().row(); }
    void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyClick(&View(), static_cast<Qt::Key>(key), mods);
    }
    void ClickGlyph(int row, int side = 0) {
        QRect cell = View().visualRect(Model().index(row, side * Model().ColumnsPerSide()));
        QRect glyph = DiffRowDelegate::LayoutName(cell, Model().ItemAt(row)->level).glyph;
        QTest::mouseClick(View().viewport(), Qt::LeftButton, Qt::NoModifier, glyph.center());
    }
    void ExpectConsistent() {
        std::string why;
        EXPECT_TRUE(Model().IsConsistent(View().GetComparison().rootItem, &why)) << why;
        EXPECT_EQ(Model().rowCount(), static_cast<int>(Model().Rows().size()));
    }
    TestDir dir_;
    FakePrompter prompter_;
    FakeProgressFactory progress_;
    RecordingLauncher launcher_;
    ManualClock clock_;
    ProgressFactory* progressFactory_ = &progress_;
    std::unique_ptr<CMainFrame> frame_;
};

}  // namespace quillon::test
