#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <functional>
#include <string>
#include <vector>

#include "core/DisplayFilter.h"
#include "support/ModalDialog.h"
#include "support/WindowFixture.h"
#include "ui/CFilter.h"

namespace quillon {
namespace {

// Clicks on the indicator at the left, where a stretched button surely reacts.
void ClickIndicator(QAbstractButton* button) {
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, QPoint(6, button->height() / 2));
}

class DialogFilterTest : public test::WindowFixture {
  protected:
    // Runs the dialog as the window does, with `act` as the user.
    FilterResult Run(bool pairOpened, std::function<void(CFilter&)> act) {
        test::WhenModal([act](QDialog& shown) { act(static_cast<CFilter&>(shown)); });
        return RunFilter(nullptr, store_, prompter_, filter_, diluted_, readWholeTrees_,
                         pairOpened);
    }

    FilterState filter_;
    bool diluted_ = true;
    bool readWholeTrees_ = false;
};

// The extension choices, both lists and expand-all are usable only while the filter is on and
// follow the display option at once. The inclusion option with an empty list shows the error
// and keeps the dialog open with the user's choices (the refusal itself is pinned with the logic).
TEST_F(DialogFilterTest, ControlsFollowTheChoicesAndAnEmptyListKeepsItOpen) {
    CFilter dialog(nullptr, store_, prompter_, filter_, diluted_, &readWholeTrees_);
    dialog.show();
    auto enabled = [&dialog] {
        return std::vector<bool>{
            dialog.ExtensionOption(0)->isEnabled(), dialog.ExtensionOption(1)->isEnabled(),
            dialog.ExtensionOption(2)->isEnabled(), dialog.InclusionCombo()->isEnabled(),
            dialog.ExclusionCombo()->isEnabled(),   dialog.ExpandAllBox()->isEnabled()};
    };
    ASSERT_TRUE(dialog.DisplayOption(0)->isChecked());
    EXPECT_EQ(enabled(), std::vector<bool>(6, false));
    EXPECT_TRUE(dialog.DilutedBox()->isEnabled());
    ClickIndicator(dialog.DisplayOption(1));
    EXPECT_EQ(enabled(), std::vector<bool>(6, true));
    ClickIndicator(dialog.DisplayOption(0));
    EXPECT_EQ(enabled(), std::vector<bool>(6, false));

    ClickIndicator(dialog.DisplayOption(2));
    ClickIndicator(dialog.ExtensionOption(1));
    dialog.InclusionCombo()->setEditText("   ");
    dialog.accept();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(prompter_.shown.size(), 1u);
    EXPECT_TRUE(dialog.DisplayOption(2)->isChecked());
    EXPECT_TRUE(dialog.ExtensionOption(1)->isChecked());
}

// The controls show the stored dialog state: an inclusion filter shows its newest list. "&Reset"
// clears the controls and the dialog stays open (what it stores is pinned with the logic).
TEST_F(DialogFilterTest, OpensOnTheStoredStateAndResets) {
    store_.WriteProfileInt("FilterDialog", "Flags", 0x102);
    store_.WriteProfileInt("FilterDialog", "ExpandAll", 1);
    store_.AddToMruList(kDialogInclusionMru, "cpp,h");
    store_.AddToMruList(kDialogInclusionMru, "jpg,png");
    filter_ = FilterState{true, 0x102, ";jpg;png;", true};
    diluted_ = false;
    CFilter dialog(nullptr, store_, prompter_, filter_, diluted_, &readWholeTrees_);
    dialog.show();
    EXPECT_TRUE(dialog.DisplayOption(1)->isChecked());
    EXPECT_TRUE(dialog.ExtensionOption(1)->isChecked());
    EXPECT_EQ(dialog.InclusionCombo()->currentText(),
              QString::fromStdString(dialog.Logic().fields.inclusionText));
    EXPECT_EQ(dialog.InclusionCombo()->count(), 2);
    EXPECT_FALSE(dialog.DilutedBox()->isChecked());

    QTest::mouseClick(dialog.ResetButton(), Qt::LeftButton);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(dialog.DisplayOption(0)->isChecked());
    EXPECT_FALSE(dialog.ExpandAllBox()->isChecked());
    EXPECT_TRUE(dialog.InclusionCombo()->currentText().isEmpty());
}

// OK through RunFilter takes the typed list (spaces dropped, remembered at the top), stores the
// dialog state but not the start-up defaults, and reads whole trees only with both sides opened.
// Cancel keeps the state as it was; a "&Save current settings as default" before it stays.
TEST_F(DialogFilterTest, RunAppliesOnOkAndKeepsSavedDefaultsOnCancel) {
    store_.AddToMruList(kDialogExclusionMru, "obj");
    auto exclude = [](CFilter& dialog) {
        dialog.DisplayOption(2)->click();
        dialog.ExtensionOption(2)->click();
        dialog.ExclusionCombo()->setEditText(" TMP, bak ");
        dialog.ExpandAllBox()->setChecked(true);
        dialog.DilutedBox()->setChecked(false);
        dialog.accept();
    };
    FilterResult result = Run(false, exclude);
    ASSERT_TRUE(result.accepted);
    EXPECT_EQ(result.title, "Quillon - Filtered View");
    EXPECT_FALSE(readWholeTrees_);
    EXPECT_EQ(filter_, (FilterState{true, 0x204, ";tmp;bak;", true}));
    EXPECT_FALSE(diluted_);
    EXPECT_EQ(Int("FilterDialog", "Flags"), 0x204);
    ASSERT_TRUE(Run(2, exclude).accepted);
    EXPECT_TRUE(readWholeTrees_);

    result = Run(true, [](CFilter& dialog) {
        dialog.DisplayOption(1)->click();
        dialog.ExtensionOption(0)->click();
        dialog.SaveDefaultButton()->click();
        dialog.DisplayOption(0)->click();
        dialog.reject();
    });
    EXPECT_FALSE(result.accepted);
    EXPECT_EQ(filter_.filterFlags, 0x101u);
    EXPECT_EQ(Int("Filter", "Flags"), 0x101);
}

}  // namespace
}  // namespace quillon
