#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>

#include "core/AutoRefresh.h"
#include "support/ModalDialog.h"
#include "support/WindowFixture.h"
#include "ui/CTimerInterval.h"

namespace quillon {
namespace {

using DialogTimerIntervalTest = test::WindowFixture;

// A field that holds no unsigned number keeps the dialog open with the range message; a number
// typed and confirmed with Return is raised to the floor, stored and becomes the timer's.
TEST_F(DialogTimerIntervalTest, OnlyNumbersAreTaken) {
    for (const char* text : {"abc", "-5", "4294967296"}) {
        CTimerInterval dialog(nullptr, 120, prompter_);
        dialog.show();
        dialog.IntervalField()->setText(text);
        prompter_.shown.clear();
        dialog.accept();
        EXPECT_TRUE(dialog.isVisible()) << text;
        ASSERT_EQ(prompter_.shown.size(), 1u) << text;
        EXPECT_EQ(prompter_.shown[0].text, "Please enter an integer between 0 and 4294967295.");
    }
    test::RecordingTimer port;
    AutoRefreshTimer timer(store_, port, clock_, &prompter_);
    test::WhenModal([](QDialog& shown) {
        auto& dialog = static_cast<CTimerInterval&>(shown);
        dialog.IntervalField()->clear();
        QTest::keyClicks(dialog.IntervalField(), " 30 ");
        QTest::keyClick(dialog.IntervalField(), Qt::Key_Return);
    });
    ASSERT_TRUE(RunTimerInterval(nullptr, timer, prompter_));
    EXPECT_EQ(timer.refreshInterval, 120u);
    EXPECT_EQ(Int("Misc.", "TimerIntervalInSecond"), 120);
}

// The field opens on the timer's interval; Cancel changes neither the timer nor the store.
TEST_F(DialogTimerIntervalTest, CancelChangesNothing) {
    test::RecordingTimer port;
    AutoRefreshTimer timer(store_, port, clock_, &prompter_);
    timer.refreshInterval = 300;
    QString opened;
    test::WhenModal([&opened](QDialog& shown) {
        auto& dialog = static_cast<CTimerInterval&>(shown);
        opened = dialog.IntervalField()->text();
        dialog.IntervalField()->setText("900");
        shown.reject();
    });
    EXPECT_FALSE(RunTimerInterval(nullptr, timer, prompter_));
    EXPECT_EQ(opened, "300");
    EXPECT_EQ(timer.refreshInterval, 300u);
    EXPECT_EQ(Int("Misc.", "TimerIntervalInSecond"), kAbsent);
}

}  // namespace
}  // namespace quillon
