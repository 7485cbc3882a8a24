#include "core/DisplayFilter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/RegistryStore.h"
#include "platform/SettingsStore.h"
#include "support/FakePrompter.h"
#include "support/TempConfigEnv.h"

namespace quillon {
namespace {

using Texts = std::vector<std::string>;

class DisplayFilterTest : public ::testing::Test {
  protected:
    DisplayFilterTest() : registry_(env_.RegistryFolder()), settings_(registry_) {}

    Texts Mru(std::string_view key) {
        Texts list;
        settings_.ReadMruList(key, list);
        return list;
    }
    int Setting(std::string_view section, const char* entry) {
        return settings_.GetProfileInt(section, entry, -999);
    }

    test::TempConfigEnv env_;
    RegistryStore registry_;
    SettingsStore settings_;
    test::FakePrompter prompter_;
    FilterState filter_;
    bool diluted_ = true;
    bool readWholeTrees_ = true;
    FilterDialog dialog_{settings_, prompter_, filter_, diluted_, &readWholeTrees_};
};

struct NormaliseCase {
    const char* in;
    const char* out;
};

class NormaliseTest : public ::testing::TestWithParam<NormaliseCase> {};

// Lists become lower-case extensions between single semicolons.
TEST_P(NormaliseTest, Normalises) {
    EXPECT_EQ(NormaliseFilterExtensions(GetParam().in), GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(Lists, NormaliseTest,
                         ::testing::Values(NormaliseCase{"txt,Doc", ";txt;doc;"},
                                           NormaliseCase{"TMP, bak", ";tmp;bak;"},
                                           NormaliseCase{"JPG", ";jpg;"},
                                           NormaliseCase{";txt;doc;", ";txt;doc;"},
                                           NormaliseCase{"a , b ,C", ";a;b;c;"}));

// The main window's title says when the filter is in force.
TEST(FilterTitleTest, Title) {
    EXPECT_EQ(FilterWindowTitle(false), "Quillon");
    EXPECT_EQ(FilterWindowTitle(true), "Quillon - Filtered View");
}

struct EmptyListCase {
    int extensionOption;
    const char* message;
};

class EmptyListTest : public DisplayFilterTest,
                      public ::testing::WithParamInterface<EmptyListCase> {};

// A chosen extension list left empty shows its error and keeps everything as it was: the
// dialog's fields, the application state and the stored values.
TEST_P(EmptyListTest, ShowsErrorAndKeepsState) {
    filter_.filterExtensions = ";old;";
    const FilterState before = filter_;
    dialog_.Open();
    dialog_.fields.displayOption = 2;
    dialog_.fields.extensionOption = GetParam().extensionOption;
    dialog_.fields.inclusionText = "   ";
    dialog_.fields.exclusionText = "";
    dialog_.fields.expandAllCheck = true;
    dialog_.fields.dilutedCheck = false;
    const FilterDialogFields fields = dialog_.fields;

    EXPECT_FALSE(dialog_.OnOk());
    ASSERT_EQ(prompter_.shown.size(), 1u);
    EXPECT_EQ(prompter_.shown[0].text, GetParam().message);
    EXPECT_EQ(prompter_.shown[0].style & mb::kIconMask, mb::kIconStop);
    EXPECT_EQ(dialog_.fields.inclusionText, fields.inclusionText);
    EXPECT_EQ(dialog_.fields.displayOption, 2);
    EXPECT_EQ(dialog_.fields.extensionOption, GetParam().extensionOption);
    EXPECT_TRUE(dialog_.fields.expandAllCheck);
    EXPECT_EQ(filter_, before);
    EXPECT_TRUE(diluted_);
    EXPECT_TRUE(readWholeTrees_);
    EXPECT_EQ(Setting(kFilterDialogSection, "Flags"), -999);
    EXPECT_TRUE(Mru(kDialogInclusionMru).empty());
    EXPECT_FALSE(dialog_.OnSaveAsDefault());
    EXPECT_EQ(Setting(kFilterDefaultsSection, "Flags"), -999);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, EmptyListTest,
    ::testing::Values(
        EmptyListCase{1,
                      "Although you select \"Display the files with the specified "
                      "file-extensions. (Inclusion)\"\nthe file-extension field is empty."},
        EmptyListCase{2,
                      "Although you select \"Do not display the files with the specified "
                      "file-extensions. (Exclusion)\"\nthe file-extension field is empty."}));

// An exclusion list typed with spaces is remembered without them (case kept), put at the top of
// its box, and applied normalised together with the flag word.
TEST_F(DisplayFilterTest, ExclusionListRecordedAndApplied) {
    settings_.AddToMruList(kDialogExclusionMru, "log");
    dialog_.Open();
    dialog_.fields.displayOption = 2;
    dialog_.fields.extensionOption = 2;
    dialog_.fields.exclusionText = "  TMP, bak ";
    dialog_.fields.expandAllCheck = true;
    dialog_.fields.dilutedCheck = false;
    ASSERT_TRUE(dialog_.OnOk());
    EXPECT_TRUE(prompter_.shown.empty());
    EXPECT_EQ(Mru(kDialogExclusionMru), (Texts{"log", "TMP,bak"}));
    EXPECT_EQ(dialog_.fields.exclusionChoices, (Texts{"TMP,bak", "log"}));
    EXPECT_EQ(dialog_.fields.exclusionText, "TMP,bak");
    EXPECT_TRUE(filter_.filterActive);
    EXPECT_EQ(filter_.filterFlags, 0x204u);
    EXPECT_EQ(filter_.filterExtensions, ";tmp;bak;");
    EXPECT_TRUE(filter_.expandAll);
    EXPECT_FALSE(diluted_);
    EXPECT_EQ(Setting(kFilterDialogSection, "Flags"), 0x204);
    EXPECT_EQ(Setting(kFilterDialogSection, "ExpandAll"), 1);
    // OK is not "save as default".
    EXPECT_EQ(Setting(kFilterDefaultsSection, "Flags"), -999);
}

// With the filter disabled the list is still remembered, but the filter is off and whole trees
// are no longer read.
TEST_F(DisplayFilterTest, DisabledFilterStillRecordsList) {
    dialog_.Open();
    dialog_.fields.displayOption = 0;
    dialog_.fields.extensionOption = 1;
    dialog_.fields.inclusionText = "cpp,h";
    ASSERT_TRUE(dialog_.OnOk());
    EXPECT_FALSE(filter_.filterActive);
    EXPECT_EQ(filter_.filterFlags, 0x002u);
    EXPECT_FALSE(readWholeTrees_);
    EXPECT_EQ(Mru(kDialogInclusionMru), (Texts{"cpp,h"}));
}

// Keeping "all extensions" leaves the list in force as it was.
TEST_F(DisplayFilterTest, AllExtensionsKeepsList) {
    filter_.filterExtensions = ";txt;";
    dialog_.Open();
    dialog_.fields.displayOption = 1;
    dialog_.fields.extensionOption = 0;
    ASSERT_TRUE(dialog_.ApplyFilterDialog());
    EXPECT_EQ(filter_.filterFlags, 0x101u);
    EXPECT_EQ(filter_.filterExtensions, ";txt;");
}

// The lists keep the 20 most recent distinct texts.
TEST_F(DisplayFilterTest, ListHoldsTwentyTexts) {
    for (int i = 0; i < 22; ++i) {
        dialog_.Open();
        dialog_.fields.displayOption = 2;
        dialog_.fields.extensionOption = 1;
        dialog_.fields.inclusionText = "e" + std::to_string(i);
        ASSERT_TRUE(dialog_.OnOk());
    }
    const Texts list = Mru(kDialogInclusionMru);
    ASSERT_EQ(list.size(), 20u);
    EXPECT_EQ(list.front(), "e2");
    EXPECT_EQ(list.back(), "e21");
}

// "Save current settings as default" stores both sections; the dialog stays usable.
TEST_F(DisplayFilterTest, SaveAsDefaultStoresBothSections) {
    dialog_.Open();
    dialog_.fields.displayOption = 1;
    dialog_.fields.extensionOption = 1;
    dialog_.fields.inclusionText = "txt";
    dialog_.fields.dilutedCheck = false;
    ASSERT_TRUE(dialog_.OnSaveAsDefault());
    EXPECT_EQ(Setting(kFilterDialogSection, "Flags"), 0x102);
    EXPECT_EQ(Setting(kFilterDefaultsSection, "Flags"), 0x102);
    EXPECT_EQ(Setting(kFilterDefaultsSection, "ExpandAll"), 0);
    EXPECT_EQ(Setting(kFilterDefaultsSection, "UseDilutedColor"), 0);
}

// "Reset" clears the controls and the state and stores flags 1 and no expand-all as defaults.
TEST_F(DisplayFilterTest, ResetStoresNoFilter) {
    settings_.WriteProfileInt(kFilterDialogSection, "Flags", 0x204);
    settings_.WriteProfileInt(kFilterDialogSection, "ExpandAll", 1);
    settings_.AddToMruList(kDialogExclusionMru, "tmp");
    filter_ = FilterState{true, 0x204, ";tmp;", true};
    dialog_.Open();
    ASSERT_EQ(dialog_.fields.displayOption, 2);
    dialog_.OnReset();
    EXPECT_EQ(dialog_.fields.displayOption, 0);
    EXPECT_EQ(dialog_.fields.extensionOption, 0);
    EXPECT_TRUE(dialog_.fields.exclusionText.empty());
    EXPECT_FALSE(dialog_.fields.expandAllCheck);
    EXPECT_FALSE(dialog_.dialogFilterActive);
    EXPECT_FALSE(filter_.filterActive);
    EXPECT_EQ(filter_.filterFlags, 1u);
    EXPECT_FALSE(filter_.expandAll);
    EXPECT_EQ(Setting(kFilterDefaultsSection, "Flags"), 1);
    EXPECT_EQ(Setting(kFilterDefaultsSection, "ExpandAll"), 0);
    EXPECT_EQ(Setting(kFilterDialogSection, "Flags"), 1);
    EXPECT_EQ(Setting(kFilterDialogSection, "ExpandAll"), 0);
    EXPECT_EQ(Setting(kFilterDefaultsSection, "UseDilutedColor"), 1);
}

struct OpenCase {
    int storedFlags;
    bool withList;
    int displayOption;
    int extensionOption;
    uint32_t dialogFlags;
    const char* dialogExtensions;
};

class OpenStateTest : public DisplayFilterTest, public ::testing::WithParamInterface<OpenCase> {};

// The dialog opens from the stored flags; a list choice without a remembered list opens as "all
// extensions".
TEST_P(OpenStateTest, FromStoredFlags) {
    const OpenCase& p = GetParam();
    settings_.WriteProfileInt(kFilterDialogSection, "Flags", p.storedFlags);
    settings_.WriteProfileInt(kFilterDialogSection, "ExpandAll", 1);
    if (p.withList) {
        settings_.AddToMruList(kDialogInclusionMru, "Cpp, H");
        settings_.AddToMruList(kDialogInclusionMru, "txt");
        settings_.AddToMruList(kDialogExclusionMru, "obj");
    }
    diluted_ = false;
    dialog_.Open();
    EXPECT_EQ(dialog_.fields.displayOption, p.displayOption);
    EXPECT_EQ(dialog_.fields.extensionOption, p.extensionOption);
    EXPECT_EQ(dialog_.dialogFlags, p.dialogFlags);
    EXPECT_EQ(dialog_.dialogExtensions, p.dialogExtensions);
    EXPECT_TRUE(dialog_.fields.expandAllCheck);
    EXPECT_FALSE(dialog_.fields.dilutedCheck);
    EXPECT_EQ(dialog_.ExtensionControlsEnabled(), p.displayOption != 0);
    if (p.withList) {
        EXPECT_EQ(dialog_.fields.inclusionChoices, (Texts{"Cpp, H", "txt"}));
        EXPECT_EQ(dialog_.fields.inclusionText, "Cpp, H");
    } else {
        EXPECT_EQ(dialog_.fields.inclusionChoices, (Texts{""}));
    }
}

INSTANTIATE_TEST_SUITE_P(Flags, OpenStateTest,
                         ::testing::Values(OpenCase{0, true, 0, 0, 0, ""},
                                           OpenCase{0x002, true, 0, 0, 0x002, ""},
                                           OpenCase{0x101, true, 1, 0, 0x101, ""},
                                           OpenCase{0x102, true, 1, 1, 0x102, ";cpp;h;"},
                                           OpenCase{0x204, true, 2, 2, 0x204, ";obj;"},
                                           OpenCase{0x102, false, 1, 0, 0x101, ""},
                                           OpenCase{0x204, false, 2, 0, 0x201, ""}));

// Start-up restores a saved list filter with the list the user saved it with.
TEST_F(DisplayFilterTest, StartupTakesTheSavedList) {
    dialog_.Open();
    dialog_.fields.displayOption = 2;
    dialog_.fields.extensionOption = 1;
    dialog_.fields.inclusionText = "old";
    ASSERT_TRUE(dialog_.OnOk());
    dialog_.Open();
    dialog_.fields.displayOption = 2;
    dialog_.fields.extensionOption = 1;
    dialog_.fields.inclusionText = "Cpp, h";
    dialog_.fields.expandAllCheck = true;
    ASSERT_TRUE(dialog_.OnSaveAsDefault());

    const FilterState started = StartupFilterState(settings_);
    EXPECT_TRUE(started.filterActive);
    EXPECT_EQ(started.filterFlags, 0x202u);
    EXPECT_EQ(started.filterExtensions, ";cpp;h;");
    EXPECT_TRUE(started.expandAll);
}

// A list stored under the defaults' own key wins; with no list anywhere the saved list choice
// starts as "all extensions"; a disabled filter reads no list.
TEST_F(DisplayFilterTest, StartupListSources) {
    settings_.WriteProfileInt(kFilterDefaultsSection, "Flags", 0x104);
    EXPECT_EQ(StartupFilterState(settings_).filterFlags, 0x101u);
    EXPECT_TRUE(StartupFilterState(settings_).filterExtensions.empty());

    settings_.AddToMruList(kDialogExclusionMru, "dialog");
    EXPECT_EQ(StartupFilterState(settings_).filterExtensions, ";dialog;");
    settings_.AddToMruList(kDefaultsExclusionMru, "Own");
    EXPECT_EQ(StartupFilterState(settings_).filterExtensions, ";own;");
    EXPECT_EQ(StartupFilterState(settings_).filterFlags, 0x104u);

    settings_.WriteProfileInt(kFilterDefaultsSection, "Flags", 0x004);
    const FilterState off = StartupFilterState(settings_);
    EXPECT_FALSE(off.filterActive);
    EXPECT_TRUE(off.filterExtensions.empty());
}

// Whole trees are read after OK only for an active expand-all filter over a full pair.
TEST(ReadWholeTreesTest, Decision) {
    FilterState on{true, 0x201, "", true};
    EXPECT_TRUE(ReadWholeTreesAfterFilter(on, 2));
    EXPECT_FALSE(ReadWholeTreesAfterFilter(on, 1));
    FilterState noExpand{true, 0x201, "", false};
    EXPECT_FALSE(ReadWholeTreesAfterFilter(noExpand, 2));
    FilterState off{false, 0x001, "", true};
    EXPECT_FALSE(ReadWholeTreesAfterFilter(off, 2));
}

}  // namespace
}  // namespace quillon
