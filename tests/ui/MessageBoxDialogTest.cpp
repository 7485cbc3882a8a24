#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <functional>

#include "platform/RegistryStore.h"
#include "platform/SettingsStore.h"
#include "support/TestDir.h"
#include "ui/CMessageBoxDialog.h"

namespace quillon {
namespace {

// A box that stays open by mistake would block exec() for ever; this ends it with a result no
// button has, so the test fails instead of hanging.
constexpr int kWatchdogResult = -99;

void Watchdog(QDialog& dialog) {
    QTimer::singleShot(5000, &dialog, [&dialog] { dialog.done(kWatchdogResult); });
}

bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 3000) {
    for (int waited = 0; waited < timeoutMs; waited += 5) {
        if (condition()) {
            return true;
        }
        QTest::qWait(5);
    }
    return condition();
}

class MessageBoxDialogTest : public testing::Test {
  protected:
    PromptRequest Request(uint32_t style, const std::string& key = {},
                          const std::string& text = "Copy the filtered folder?") {
        PromptRequest request;
        request.text = text;
        request.caption = "Quillon";
        request.style = style;
        request.key = key;
        return request;
    }

    test::TestDir dir_;
    RegistryStore registry_{dir_.Path()};
    SettingsStore store_{registry_};
};

// A ticked box answers the next box with the same key at once, without showing it; after the
// answers are forgotten (next program start) it is shown again.
TEST_F(MessageBoxDialogTest, TickedAnswerIsRemembered) {
    PromptRequest request = Request(mb::kYesNoCancel | mb::kDontAskAgain, "FilterDirCopy_01");
    CMessageBoxDialog first(nullptr, request, &store_);
    ASSERT_EQ(first.OpenBox(), std::nullopt);
    ASSERT_TRUE(first.isVisible());
    ASSERT_NE(first.CheckBox(), nullptr);
    QTest::mouseClick(first.CheckBox(), Qt::LeftButton);
    ASSERT_TRUE(first.CheckBox()->isChecked());
    QTest::mouseClick(first.ButtonFor(mbr::kNo), Qt::LeftButton);
    EXPECT_FALSE(first.isVisible());
    EXPECT_EQ(first.result(), mbr::kNo);

    CMessageBoxDialog second(nullptr, request, &store_);
    Watchdog(second);
    EXPECT_EQ(second.DoModal(), mbr::kNo);
    EXPECT_FALSE(second.isVisible());

    ForgetRememberedAnswers(store_);
    CMessageBoxDialog third(nullptr, request, &store_);
    EXPECT_EQ(third.OpenBox(), std::nullopt);
    EXPECT_TRUE(third.isVisible());
    QTest::mouseClick(third.ButtonFor(mbr::kYes), Qt::LeftButton);
    EXPECT_EQ(third.result(), mbr::kYes);
}

// An unticked box remembers nothing: the next one is shown again.
TEST_F(MessageBoxDialogTest, UntickedAnswerIsNotRemembered) {
    PromptRequest request = Request(mb::kYesNo | mb::kDontDisplayAgain, "Launch_01");
    CMessageBoxDialog first(nullptr, request, &store_);
    first.OpenBox();
    QTest::mouseClick(first.ButtonFor(mbr::kYes), Qt::LeftButton);
    EXPECT_EQ(store_.GetProfileInt("MessageBoxes", "Launch_01", -1), -1);
    CMessageBoxDialog second(nullptr, request, &store_);
    EXPECT_EQ(second.OpenBox(), std::nullopt);
    EXPECT_TRUE(second.isVisible());
}

// Cancel with the box ticked stores 2 and answers 2 afterwards (modal path through exec()).
TEST_F(MessageBoxDialogTest, TickedCancelStoresTwo) {
    PromptRequest request =
        Request(mb::kYesNoCancel | mb::kDontAskAgain, "FilterDirCopyClipboard_01");
    CMessageBoxDialog dialog(nullptr, request, &store_);
    Watchdog(dialog);
    QTimer::singleShot(0, &dialog, [&dialog] {
        QTest::mouseClick(dialog.CheckBox(), Qt::LeftButton);
        QTest::mouseClick(dialog.ButtonFor(mbr::kCancel), Qt::LeftButton);
    });
    EXPECT_EQ(dialog.DoModal(), mbr::kCancel);
    EXPECT_EQ(store_.GetProfileInt("MessageBoxes", "FilterDirCopyClipboard_01", -1), mbr::kCancel);

    CMessageBoxDialog again(nullptr, request, &store_);
    Watchdog(again);
    EXPECT_EQ(again.DoModal(), mbr::kCancel);
}

// Two boxes without key or id and with the same text share one remembered answer.
TEST_F(MessageBoxDialogTest, SameTextSharesAnswer) {
    PromptRequest request = Request(mb::kOkCancel | mb::kDontDisplayAgain, "", "Same words");
    CMessageBoxDialog first(nullptr, request, &store_);
    first.OpenBox();
    QTest::mouseClick(first.CheckBox(), Qt::LeftButton);
    QTest::mouseClick(first.ButtonFor(mbr::kOk), Qt::LeftButton);
    CMessageBoxDialog second(nullptr, request, &store_);
    EXPECT_EQ(second.OpenBox(), mbr::kOk);
    CMessageBoxDialog other(nullptr, Request(request.style, "", "Other words"), &store_);
    EXPECT_EQ(other.OpenBox(), std::nullopt);
}

// Default bits 0x300 on a two-button set keep the first button as the default (Return answers
// Ok); 0x100 makes the second one the default.
TEST_F(MessageBoxDialogTest, DefaultButtonBits) {
    CMessageBoxDialog ignored(nullptr, Request(mb::kOkCancel | mb::kDefButton4), &store_);
    ignored.OpenBox();
    EXPECT_TRUE(ignored.Button(0)->isDefault());
    EXPECT_FALSE(ignored.Button(1)->isDefault());
    QTest::keyClick(&ignored, Qt::Key_Return);
    EXPECT_EQ(ignored.result(), mbr::kOk);

    CMessageBoxDialog second(nullptr, Request(mb::kOkCancel | mb::kDefButton2), &store_);
    second.OpenBox();
    EXPECT_TRUE(second.Button(1)->isDefault());
    QTest::keyClick(&second, Qt::Key_Return);
    EXPECT_EQ(second.result(), mbr::kCancel);
}

// A countdown shows "caption = seconds" on the default button and ends with the default
// button's result through the same path, so a ticked box still stores it.
TEST_F(MessageBoxDialogTest, CountdownEndsWithDefault) {
    PromptRequest request =
        Request(mb::kOkCancel | mb::kDefButton2 | mb::kDontDisplayAgain, "Timed");
    request.countdownSeconds = 3;
    CMessageBoxDialog dialog(nullptr, request, &store_);
    dialog.SetTickInterval(20);
    EXPECT_EQ(dialog.Button(1)->text(), "&Cancel = 3");
    EXPECT_EQ(dialog.Button(0)->text(), "&Ok");
    QSignalSpy finished(&dialog, &QDialog::finished);
    dialog.OpenBox();
    QTest::mouseClick(dialog.CheckBox(), Qt::LeftButton);
    ASSERT_TRUE(finished.wait(3000));
    EXPECT_EQ(finished.at(0).at(0).toInt(), mbr::kCancel);
    EXPECT_EQ(store_.GetProfileInt("MessageBoxes", "Timed", -1), mbr::kCancel);
}

// With the buttons disabled for the countdown, nothing answers until zero; then the buttons and
// the check box come alive and the box waits for the user.
TEST_F(MessageBoxDialogTest, CountdownEnablesDisabledButtons) {
    PromptRequest request = Request(mb::kOkCancel | mb::kDontDisplayAgain, "Locked");
    request.countdownSeconds = 2;
    request.disableButtonsDuringCountdown = true;
    CMessageBoxDialog dialog(nullptr, request, &store_);
    dialog.SetTickInterval(20);
    dialog.OpenBox();
    EXPECT_FALSE(dialog.Button(0)->isEnabled());
    EXPECT_FALSE(dialog.Button(1)->isEnabled());
    EXPECT_FALSE(dialog.CheckBox()->isEnabled());
    EXPECT_FALSE(dialog.close());
    ASSERT_TRUE(WaitFor([&] { return dialog.Button(0)->isEnabled(); }));
    EXPECT_TRUE(dialog.CheckBox()->isEnabled());
    EXPECT_EQ(dialog.Button(0)->text(), "&Ok");
    QTest::qWait(100);
    EXPECT_TRUE(dialog.isVisible());
    QTest::mouseClick(dialog.Button(0), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), mbr::kOk);
}

// The title-bar close answers Cancel where the set has it (stored when ticked) and is refused
// by a Yes/No box.
TEST_F(MessageBoxDialogTest, TitleBarClose) {
    CMessageBoxDialog withCancel(nullptr, Request(mb::kRetryCancel | mb::kDontAskAgain, "Retry_01"),
                                 &store_);
    withCancel.OpenBox();
    QTest::mouseClick(withCancel.CheckBox(), Qt::LeftButton);
    EXPECT_TRUE(withCancel.close());
    EXPECT_EQ(withCancel.result(), mbr::kCancel);
    EXPECT_EQ(store_.GetProfileInt("MessageBoxes", "Retry_01", -1), mbr::kCancel);

    CMessageBoxDialog yesNo(nullptr, Request(mb::kYesNo), &store_);
    yesNo.OpenBox();
    EXPECT_FALSE(yesNo.close());
    EXPECT_TRUE(yesNo.isVisible());
    QTest::mouseClick(yesNo.ButtonFor(mbr::kYes), Qt::LeftButton);
    EXPECT_EQ(yesNo.result(), mbr::kYes);
}

// Help reports the topic and leaves the question open.
TEST_F(MessageBoxDialogTest, HelpKeepsBoxOpen) {
    PromptRequest request = Request(mb::kOk | mb::kHelp);
    request.helpTopic = "copy-filtered";
    CMessageBoxDialog dialog(nullptr, request, &store_);
    QSignalSpy help(&dialog, &CMessageBoxDialog::helpRequested);
    dialog.OpenBox();
    ASSERT_EQ(dialog.ButtonCount(), 2u);
    EXPECT_EQ(dialog.Button(1)->text(), "&Help");
    QTest::mouseClick(dialog.Button(1), Qt::LeftButton);
    ASSERT_EQ(help.count(), 1);
    EXPECT_EQ(help.at(0).at(0).toString(), "copy-filtered");
    EXPECT_TRUE(dialog.isVisible());
    QTest::mouseClick(dialog.Button(0), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), mbr::kOk);
}

// The core's Prompter shows the text and caption and returns the clicked button's code.
TEST_F(MessageBoxDialogTest, PrompterAsksThroughTheDialog) {
    MessageBoxPrompter prompter(nullptr, &store_);
    QString seenText;
    QString seenTitle;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<CMessageBoxDialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            return;
        }
        Watchdog(*dialog);
        seenText = dialog->MessageLabel()->text();
        seenTitle = dialog->windowTitle();
        QTest::mouseClick(dialog->ButtonFor(mbr::kYesToAll), Qt::LeftButton);
    });
    PromptRequest request =
        Request(mb::kYesNoCancel | mb::kYesToAll | mb::kIconQuestion, "", "Replace \"a.txt\"?");
    request.caption = "Copy";
    EXPECT_EQ(prompter.Ask(request), mbr::kYesToAll);
    EXPECT_EQ(seenText, "Replace \"a.txt\"?");
    EXPECT_EQ(seenTitle, "Copy");
}

// Layout: icon left of the text, buttons in table order left to right ending at the right
// margin, and the on-top bit reaches the window.
TEST_F(MessageBoxDialogTest, LayoutAndWindowBits) {
    CMessageBoxDialog dialog(nullptr,
                             Request(mb::kYesNoCancel | mb::kNoToAll | mb::kIconExclamation |
                                     mb::kTopMost | mb::kDontAskAgain),
                             &store_);
    dialog.OpenBox();
    EXPECT_TRUE(dialog.windowFlags() & Qt::WindowStaysOnTopHint);
    QList<QLabel*> labels = dialog.findChildren<QLabel*>();
    QLabel* icon = nullptr;
    for (QLabel* label : labels) {
        if (!label->pixmap().isNull()) {
            icon = label;
        }
    }
    ASSERT_NE(icon, nullptr);
    EXPECT_LT(icon->geometry().right(), dialog.MessageLabel()->geometry().left());
    ASSERT_EQ(dialog.ButtonCount(), 4u);
    for (size_t i = 1; i < dialog.ButtonCount(); ++i) {
        EXPECT_LT(dialog.Button(i - 1)->geometry().right(), dialog.Button(i)->geometry().left());
    }
    int rightGap = dialog.width() - dialog.Button(3)->geometry().right();
    EXPECT_LT(rightGap, 40);

    CMessageBoxDialog plain(nullptr, Request(mb::kOk), &store_);
    EXPECT_FALSE(plain.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(plain.CheckBox(), nullptr);
}

}  // namespace
}  // namespace quillon
