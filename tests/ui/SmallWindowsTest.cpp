// The message box (remembered answers, countdowns, layout) and the progress window.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <tuple>

#include "platform/ProgressLogic.h"
#include "support/ModalDialog.h"
#include "support/WindowFixture.h"
#include "ui/CMessageBoxDialog.h"
#include "ui/CProgressWnd.h"

namespace quillon {
namespace {

class MessageBoxDialogTest : public test::WindowFixture {
  protected:
    PromptRequest Request(uint32_t style, const std::string& key = {},
                          const std::string& text = "Copy the filtered folder?") {
        return {.text = text, .style = style, .key = key, .helpTopic = {}};
    }
};

// Ticked boxes remember; Return, close, Help; buttons in order to the margin; Ask gives the click.
TEST_F(MessageBoxDialogTest, AnswersLayoutAndPrompter) {
    const PromptRequest request = Request(mb::kYesNoCancel | mb::kDontAskAgain, "Copy_01");
    CMessageBoxDialog unticked(nullptr, request, &store_);
    ASSERT_EQ(unticked.OpenBox(), std::nullopt);
    QTest::mouseClick(unticked.ButtonFor(mbr::kYes), Qt::LeftButton);
    EXPECT_EQ(Int("MessageBoxes", "Copy_01"), kAbsent);

    CMessageBoxDialog first(nullptr, request, &store_);
    test::Watchdog(first);
    QTimer::singleShot(0, &first, [&first] {
        QTest::mouseClick(first.CheckBox(), Qt::LeftButton);
        QTest::mouseClick(first.ButtonFor(mbr::kCancel), Qt::LeftButton);
    });
    EXPECT_EQ(first.DoModal(), mbr::kCancel);
    EXPECT_EQ(Int("MessageBoxes", "Copy_01"), mbr::kCancel);

    CMessageBoxDialog second(nullptr, request, &store_);
    test::Watchdog(second);
    EXPECT_EQ(second.DoModal(), mbr::kCancel);
    EXPECT_FALSE(second.isVisible());

    CMessageBoxDialog byDefault(nullptr, Request(mb::kOkCancel | mb::kDefButton2), &store_);
    byDefault.OpenBox();
    EXPECT_FALSE(byDefault.Button(0)->isDefault());
    EXPECT_TRUE(byDefault.Button(1)->isDefault());
    QTest::keyClick(&byDefault, Qt::Key_Return);
    EXPECT_EQ(byDefault.result(), mbr::kCancel);

    CMessageBoxDialog withCancel(nullptr, Request(mb::kRetryCancel | mb::kDontAskAgain, "Retry_01"),
                                 &store_);
    withCancel.OpenBox();
    QTest::mouseClick(withCancel.CheckBox(), Qt::LeftButton);
    EXPECT_TRUE(withCancel.close());
    EXPECT_EQ(withCancel.result(), mbr::kCancel);
    EXPECT_EQ(Int("MessageBoxes", "Retry_01"), mbr::kCancel);
    CMessageBoxDialog yesNo(nullptr, Request(mb::kYesNo), &store_);
    yesNo.OpenBox();
    EXPECT_FALSE(yesNo.close());
    EXPECT_TRUE(yesNo.isVisible());

    PromptRequest withHelp = Request(mb::kOk | mb::kHelp);
    withHelp.helpTopic = "copy-filtered";
    CMessageBoxDialog help(nullptr, withHelp, &store_);
    QSignalSpy asked(&help, &CMessageBoxDialog::helpRequested);
    help.OpenBox();
    ASSERT_EQ(help.ButtonCount(), 2u);
    EXPECT_EQ(help.Button(1)->text(), "&Help");
    QTest::mouseClick(help.Button(1), Qt::LeftButton);
    ASSERT_EQ(asked.count(), 1);
    EXPECT_EQ(asked.at(0).at(0).toString(), "copy-filtered");
    EXPECT_TRUE(help.isVisible());

    CMessageBoxDialog dialog(nullptr,
                             Request(mb::kYesNoCancel | mb::kNoToAll | mb::kIconExclamation |
                                     mb::kTopMost | mb::kDontAskAgain),
                             &store_);
    dialog.OpenBox();
    EXPECT_TRUE(dialog.windowFlags() & Qt::WindowStaysOnTopHint);
    ASSERT_EQ(dialog.ButtonCount(), 4u);
    for (size_t i = 1; i < dialog.ButtonCount(); ++i) {
        EXPECT_LT(dialog.Button(i - 1)->geometry().right(), dialog.Button(i)->geometry().left());
    }
    EXPECT_LT(dialog.width() - dialog.Button(3)->geometry().right(), 40);

    EXPECT_FALSE(yesNo.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(yesNo.CheckBox(), nullptr);

    MessageBoxPrompter prompter(nullptr, &store_);
    QString seenText;
    QString seenTitle;
    test::WhenModal([&](QDialog& shown) {
        auto& dialog = static_cast<CMessageBoxDialog&>(shown);
        seenText = dialog.MessageLabel()->text();
        seenTitle = dialog.windowTitle();
        QTest::mouseClick(dialog.ButtonFor(mbr::kYesToAll), Qt::LeftButton);
    });
    PromptRequest replace =
        Request(mb::kYesNoCancel | mb::kYesToAll | mb::kIconQuestion, "", "Replace \"a.txt\"?");
    replace.caption = "Copy";
    EXPECT_EQ(prompter.Ask(replace), mbr::kYesToAll);
    EXPECT_EQ(seenText, "Replace \"a.txt\"?");
    EXPECT_EQ(seenTitle, "Copy");
}

// The countdown ticks on the default button; zero answers with it, or unlocks locked buttons.
TEST_F(MessageBoxDialogTest, Countdowns) {
    PromptRequest request = Request(mb::kOkCancel | mb::kDefButton2 | mb::kDontDisplayAgain, "T");
    request.countdownSeconds = 3;
    CMessageBoxDialog timed(nullptr, request, &store_);
    auto* tick = timed.findChild<QTimer*>("countdown");
    ASSERT_NE(tick, nullptr);
    QSignalSpy finished(&timed, &QDialog::finished);
    timed.OpenBox();
    EXPECT_TRUE(tick->isActive());
    QTest::mouseClick(timed.CheckBox(), Qt::LeftButton);
    for (const char* text : {"&Cancel = 3", "&Cancel = 2", "&Cancel = 1"}) {
        EXPECT_EQ(timed.Button(1)->text(), text);
        EXPECT_EQ(finished.count(), 0) << text;
        QMetaObject::invokeMethod(tick, "timeout");
    }
    ASSERT_EQ(finished.count(), 1);
    EXPECT_EQ(finished.at(0).at(0).toInt(), mbr::kCancel);
    EXPECT_EQ(Int("MessageBoxes", "T"), mbr::kCancel);
    EXPECT_FALSE(tick->isActive());
    request = Request(mb::kOkCancel | mb::kDontDisplayAgain, "Locked");
    request.countdownSeconds = 2;
    request.disableButtonsDuringCountdown = true;
    CMessageBoxDialog locked(nullptr, request, &store_);
    locked.OpenBox();
    tick = locked.findChild<QTimer*>("countdown");
    EXPECT_FALSE(locked.Button(0)->isEnabled() || locked.Button(1)->isEnabled() ||
                 locked.CheckBox()->isEnabled());
    EXPECT_FALSE(locked.close());
    QMetaObject::invokeMethod(tick, "timeout");
    EXPECT_FALSE(locked.Button(0)->isEnabled());
    EXPECT_EQ(locked.Button(0)->text(), "&Ok = 1");
    QMetaObject::invokeMethod(tick, "timeout");
    EXPECT_TRUE(locked.Button(0)->isEnabled() && locked.CheckBox()->isEnabled());
    EXPECT_EQ(locked.Button(0)->text(), "&Ok");
    EXPECT_FALSE(tick->isActive());
    EXPECT_TRUE(locked.isVisible());
    QTest::mouseClick(locked.Button(0), Qt::LeftButton);
    EXPECT_EQ(locked.result(), mbr::kOk);
}

// The open window is current and shows the logic past 2^31; Cancel or close reach the next Update.
TEST_F(MessageBoxDialogTest, ProgressBarTextCancelAndClose) {
    CProgressFactory factory(nullptr, &store_);
    std::unique_ptr<ProgressSink> sink = factory.Open("Copying");
    auto* window = dynamic_cast<CProgressWnd*>(sink.get());
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), "Copying");
    EXPECT_EQ(CurrentProgress(), sink.get());
    sink->SetRange(3000000000ull, "Phase", true);
    EXPECT_EQ(window->windowTitle(), "Progress");
    window->SetUnitText("bytes");
    EXPECT_FALSE(sink->Update("", 1500000000ull));
    EXPECT_EQ(window->TextLabel()->text(),
              "Phase\n1500000000 / 3000000000 bytes (50 %) processed...");
    ASSERT_GT(window->Bar()->maximum(), 0);
    EXPECT_EQ(window->Bar()->value() * 2, window->Bar()->maximum());
    sink.reset();
    EXPECT_EQ(CurrentProgress(), nullptr);
    CProgressWnd working(&store_);
    working.Create(nullptr);
    working.SetRange(10, "Working", true);
    EXPECT_FALSE(working.Update("", 1));
    QTimer::singleShot(0, working.CancelButton(),
                       [&working] { QTest::mouseClick(working.CancelButton(), Qt::LeftButton); });
    EXPECT_FALSE(working.Cancelled());
    // Events are pumped once the interval since the last pump has passed.
    QTest::qSleep(kProgressPumpMs);
    EXPECT_TRUE(working.Update("", 2));
    EXPECT_TRUE(working.Cancelled());
    CProgressWnd closed(&store_);
    closed.Create(nullptr);
    EXPECT_FALSE(closed.close());
    EXPECT_TRUE(closed.isVisible());
    EXPECT_TRUE(closed.Update("", 0));
}

// A saved on-screen position is used, else the owner's centre; a created window saves it once.
TEST_F(MessageBoxDialogTest, ProgressPositionIsPlacedAndSaved) {
    QWidget owner;
    owner.setGeometry(100, 60, 500, 400);
    owner.show();
    for (const auto& [x, y, used] :
         {std::tuple{40, 30, true}, std::tuple{50000, 30, false}, std::tuple{-1, -1, false}}) {
        SaveProgressPosition(store_, {x, y});
        CProgressWnd window(&store_);
        window.Create(&owner);
        const QPoint delta = window.frameGeometry().center() - owner.frameGeometry().center();
        EXPECT_EQ(window.pos() == QPoint(x, y), used) << x;
        EXPECT_EQ(delta.manhattanLength() <= 2, !used) << x;
        window.DestroyWindow();
    }
    SaveProgressPosition(store_, {-1, -1});
    { CProgressWnd unused(&store_); }
    EXPECT_EQ(ReadProgressPosition(store_).x, -1);
    CProgressWnd window(&store_);
    window.Create(nullptr);
    window.move(77, 66);
    window.DestroyWindow();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(Int("Settings", "Y_Progress"), 66);
    window.move(10, 10);
    window.DestroyWindow();
    EXPECT_EQ(Int("Settings", "X_Progress"), 77);
    {
        CProgressWnd scoped(&store_);
        scoped.Create(nullptr);
        scoped.move(12, 34);
    }
    EXPECT_EQ(Int("Settings", "X_Progress"), 12);
}

}  // namespace
}  // namespace quillon
