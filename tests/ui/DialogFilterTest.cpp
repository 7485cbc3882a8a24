#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <string>
#include <vector>

#include "core/DisplayFilter.h"
#include "platform/RegistryStore.h"
#include "platform/SettingsStore.h"
#include "support/FakePrompter.h"
#include "support/ModalDialog.h"
#include "support/TempConfigEnv.h"
#include "ui/CFilter.h"

namespace quillon {
namespace {

// Clicks on the indicator at the left, where a stretched button surely reacts.
void ClickIndicator(QAbstractButton* button) {
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, QPoint(6, button->height() / 2));
}

class DialogFilterTest : public testing::Test {
  protected:
    std::vector<std::string> Mru(std::string_view key) {
        std::vector<std::string> list;
        store_.ReadMruList(key, list);
        return list;
    }

    test::TempConfigEnv env_;
    RegistryStore registry_{RegistryStore::FolderFromEnvironment()};
    SettingsStore store_{registry_};
    test::FakePrompter prompter_;
    FilterState filter_;
    bool diluted_ = true;
    bool readWholeTrees_ = false;
};

// The inclusion option with an empty list shows the error and keeps the dialog open with the
// user's choices; the application's filter is not touched.
TEST_F(DialogFilterTest, EmptyInclusionListKeepsTheDialogOpen) {
    CFilter dialog(nullptr, store_, prompter_, filter_, diluted_, &readWholeTrees_);
    dialog.show();
    ClickIndicator(dialog.DisplayOption(2));
    ClickIndicator(dialog.ExtensionOption(1));
    dialog.InclusionCombo()->setEditText("   ");
    const FilterState before = filter_;

    dialog.accept();
    EXPECT_TRUE(dialog.isVisible());
    ASSERT_EQ(prompter_.shown.size(), 1u);
    EXPECT_EQ(prompter_.shown[0].text,
              "Although you select \"Display the files with the specified file-extensions. "
              "(Inclusion)\"\nthe file-extension field is empty.");
    EXPECT_TRUE(dialog.DisplayOption(2)->isChecked());
    EXPECT_TRUE(dialog.ExtensionOption(1)->isChecked());
    EXPECT_EQ(filter_, before);
    EXPECT_EQ(store_.GetProfileInt("FilterDialog", "Flags", -1), -1);
}

// The extension choices, both lists and expand-all are usable only while the filter is on, and
// follow the display option as soon as it changes.
TEST_F(DialogFilterTest, ExtensionControlsFollowTheDisplayOption) {
    CFilter dialog(nullptr, store_, prompter_, filter_, diluted_, &readWholeTrees_);
    dialog.show();
    ASSERT_TRUE(dialog.DisplayOption(0)->isChecked());
    auto enabled = [&dialog] {
        return std::vector<bool>{
            dialog.ExtensionOption(0)->isEnabled(), dialog.ExtensionOption(1)->isEnabled(),
            dialog.ExtensionOption(2)->isEnabled(), dialog.InclusionCombo()->isEnabled(),
            dialog.ExclusionCombo()->isEnabled(),   dialog.ExpandAllBox()->isEnabled()};
    };
    EXPECT_EQ(enabled(), std::vector<bool>(6, false));
    EXPECT_TRUE(dialog.DilutedBox()->isEnabled());
    ClickIndicator(dialog.DisplayOption(1));
    EXPECT_EQ(enabled(), std::vector<bool>(6, true));
    ClickIndicator(dialog.DisplayOption(0));
    EXPECT_EQ(enabled(), std::vector<bool>(6, false));
}

// "&Reset" clears every control and stores the defaults: flags 1 (no extension filter) and no
// expand-all, in both sections; the dialog stays open.
TEST_F(DialogFilterTest, ResetStoresFlagsOne) {
    store_.WriteProfileInt("FilterDialog", "Flags", 0x204);
    store_.WriteProfileInt("FilterDialog", "ExpandAll", 1);
    store_.AddToMruList(kDialogExclusionMru, "tmp,bak");
    filter_ = FilterState{true, 0x204, ";tmp;bak;", true};
    CFilter dialog(nullptr, store_, prompter_, filter_, diluted_, &readWholeTrees_);
    dialog.show();
    ASSERT_TRUE(dialog.DisplayOption(2)->isChecked());
    ASSERT_TRUE(dialog.ExtensionOption(2)->isChecked());
    ASSERT_EQ(dialog.ExclusionCombo()->currentText(), "tmp,bak");

    QTest::mouseClick(dialog.ResetButton(), Qt::LeftButton);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(dialog.DisplayOption(0)->isChecked());
    EXPECT_TRUE(dialog.ExtensionOption(0)->isChecked());
    EXPECT_FALSE(dialog.ExpandAllBox()->isChecked());
    EXPECT_FALSE(dialog.ExpandAllBox()->isEnabled());
    EXPECT_TRUE(dialog.ExclusionCombo()->currentText().isEmpty());
    EXPECT_EQ(store_.GetProfileInt("Filter", "Flags", -1), 1);
    EXPECT_EQ(store_.GetProfileInt("Filter", "ExpandAll", -1), 0);
    EXPECT_EQ(store_.GetProfileInt("FilterDialog", "Flags", -1), 1);
    EXPECT_EQ(store_.GetProfileInt("Filter", "UseDilutedColor", -1), 1);
    EXPECT_FALSE(filter_.filterActive);
    EXPECT_EQ(filter_.filterFlags, 1u);
}

// OK through RunFilter applies the choices (spaces dropped, the list remembered at the top),
// stores the dialog state, and hands back the filtered title and the whole-tree read.
TEST_F(DialogFilterTest, OkAppliesAndAsksForAWholeTreeReload) {
    store_.AddToMruList(kDialogExclusionMru, "obj");
    test::WhenModal([](QDialog& shown) {
        auto& dialog = static_cast<CFilter&>(shown);
        dialog.DisplayOption(2)->click();
        dialog.ExtensionOption(2)->click();
        dialog.ExclusionCombo()->setEditText(" TMP, bak ");
        dialog.ExpandAllBox()->setChecked(true);
        dialog.DilutedBox()->setChecked(false);
        dialog.accept();
    });
    FilterResult result =
        RunFilter(nullptr, store_, prompter_, filter_, diluted_, readWholeTrees_, 2);
    ASSERT_TRUE(result.accepted);
    EXPECT_EQ(result.title, "Quillon - Filtered View");
    EXPECT_TRUE(readWholeTrees_);
    EXPECT_TRUE(filter_.filterActive);
    EXPECT_EQ(filter_.filterFlags, 0x204u);
    EXPECT_EQ(filter_.filterExtensions, ";tmp;bak;");
    EXPECT_FALSE(diluted_);
    EXPECT_EQ(Mru(kDialogExclusionMru), (std::vector<std::string>{"obj", "TMP,bak"}));
    EXPECT_EQ(store_.GetProfileInt("FilterDialog", "Flags", -1), 0x204);
    EXPECT_EQ(store_.GetProfileInt("FilterDialog", "ExpandAll", -1), 1);
    // OK alone does not change the start-up defaults.
    EXPECT_EQ(store_.GetProfileInt("Filter", "Flags", -1), -1);
    EXPECT_TRUE(prompter_.shown.empty());
}

// With only the left folder opened (nextSide not 2) OK does not read whole trees; switching the
// filter off gives the plain title.
TEST_F(DialogFilterTest, WholeTreeReadNeedsBothSidesOpened) {
    test::WhenModal([](QDialog& shown) {
        auto& dialog = static_cast<CFilter&>(shown);
        dialog.DisplayOption(1)->click();
        dialog.ExpandAllBox()->setChecked(true);
        dialog.accept();
    });
    FilterResult result =
        RunFilter(nullptr, store_, prompter_, filter_, diluted_, readWholeTrees_, 1);
    ASSERT_TRUE(result.accepted);
    EXPECT_FALSE(readWholeTrees_);
    EXPECT_EQ(filter_.filterFlags, 0x101u);

    readWholeTrees_ = true;
    test::WhenModal([](QDialog& shown) {
        static_cast<CFilter&>(shown).DisplayOption(0)->click();
        shown.accept();
    });
    result = RunFilter(nullptr, store_, prompter_, filter_, diluted_, readWholeTrees_, 2);
    EXPECT_EQ(result.title, "Quillon");
    EXPECT_FALSE(readWholeTrees_);
}

// Cancel keeps the state as it was; a "&Save current settings as default" before it stays.
TEST_F(DialogFilterTest, CancelKeepsWhatSaveAsDefaultApplied) {
    test::WhenModal([](QDialog& shown) {
        static_cast<CFilter&>(shown).DisplayOption(2)->click();
        shown.reject();
    });
    FilterResult result =
        RunFilter(nullptr, store_, prompter_, filter_, diluted_, readWholeTrees_, 2);
    EXPECT_FALSE(result.accepted);
    EXPECT_FALSE(filter_.filterActive);

    test::WhenModal([](QDialog& shown) {
        auto& dialog = static_cast<CFilter&>(shown);
        dialog.DisplayOption(2)->click();
        dialog.SaveDefaultButton()->click();
        shown.reject();
    });
    result = RunFilter(nullptr, store_, prompter_, filter_, diluted_, readWholeTrees_, 2);
    EXPECT_FALSE(result.accepted);
    EXPECT_TRUE(filter_.filterActive);
    EXPECT_EQ(store_.GetProfileInt("Filter", "Flags", -1), 0x201);
}

// The dialog opens on the stored dialog state: an inclusion filter shows its newest list.
TEST_F(DialogFilterTest, OpensOnTheStoredState) {
    store_.WriteProfileInt("FilterDialog", "Flags", 0x102);
    store_.AddToMruList(kDialogInclusionMru, "cpp,h");
    store_.AddToMruList(kDialogInclusionMru, "jpg,png");
    diluted_ = false;
    CFilter dialog(nullptr, store_, prompter_, filter_, diluted_, &readWholeTrees_);
    EXPECT_TRUE(dialog.DisplayOption(1)->isChecked());
    EXPECT_TRUE(dialog.ExtensionOption(1)->isChecked());
    EXPECT_EQ(dialog.InclusionCombo()->currentText(),
              QString::fromStdString(dialog.Logic().fields.inclusionText));
    EXPECT_EQ(dialog.InclusionCombo()->count(), 2);
    EXPECT_FALSE(dialog.DilutedBox()->isChecked());
    EXPECT_EQ(dialog.ExclusionCombo()->count(), 1);
    EXPECT_TRUE(dialog.ExclusionCombo()->currentText().isEmpty());
}

}  // namespace
}  // namespace quillon
