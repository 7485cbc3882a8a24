#include "core/DisplayFilter.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "core/ComparisonOptions.h"
#include "core/Preferences.h"
#include "support/FakePrompter.h"
#include "support/StoreFixture.h"

namespace quillon {
namespace {

using Texts = std::vector<std::string>;

class DisplayFilterTest : public test::StoreFixture {
  protected:
    void Choose(int display, int extension, const std::string& inclusion = "",
                const std::string& exclusion = "", bool expandAll = false) {
        dialog_.Open();
        dialog_.fields.displayOption = display;
        dialog_.fields.extensionOption = extension;
        dialog_.fields.inclusionText = inclusion;
        dialog_.fields.exclusionText = exclusion;
        dialog_.fields.expandAllCheck = expandAll;
    }
    test::FakePrompter prompter_;
    FilterState filter_;
    bool diluted_ = true;
    bool readWholeTrees_ = true;
    FilterDialog dialog_{store_, prompter_, filter_, diluted_, &readWholeTrees_};
};

// Lists become ";a;b;" lower case; whole trees follow only an active expand-all filter on a pair.
TEST(FilterRules, ExtensionsAndWholeTrees) {
    for (const auto& [in, out] : {std::pair{"txt,Doc", ";txt;doc;"},
                                  {"TMP, bak", ";tmp;bak;"},
                                  {"JPG", ";jpg;"},
                                  {";txt;doc;", ";txt;doc;"},
                                  {"a , b ,C", ";a;b;c;"}}) {
        EXPECT_EQ(NormaliseFilterExtensions(in), out) << in;
    }
    const FilterState on{true, 0x201, "", true};
    EXPECT_TRUE(ReadWholeTreesAfterFilter(on, true));
    EXPECT_FALSE(ReadWholeTreesAfterFilter(on, false));
    EXPECT_FALSE(ReadWholeTreesAfterFilter({true, 0x201, "", false}, true));
    EXPECT_FALSE(ReadWholeTreesAfterFilter({false, 0x001, "", true}, true));
}

// A chosen but empty list shows its error and changes no field, state or stored value.
TEST_F(DisplayFilterTest, EmptyListShowsErrorAndKeepsState) {
    filter_.filterExtensions = ";old;";
    const FilterState before = filter_;
    const char* const lists[] = {
        "Display the files with the specified file-extensions. (Inclusion)",
        "Do not display the files with the specified file-extensions. (Exclusion)"};
    for (const int option : {1, 2}) {
        const std::string list = lists[option - 1];
        SCOPED_TRACE(list);
        prompter_.shown.clear();
        Choose(2, option, "   ", "", true);
        dialog_.fields.dilutedCheck = false;
        const FilterDialogFields fields = dialog_.fields;
        EXPECT_FALSE(dialog_.OnOk());
        ASSERT_EQ(prompter_.shown.size(), 1u);
        EXPECT_EQ(prompter_.shown[0].text, std::string("Although you select \"") + list +
                                               "\"\nthe file-extension field is empty.");
        EXPECT_EQ(prompter_.shown[0].style & mb::kIconMask, mb::kIconStop);
        EXPECT_EQ(dialog_.fields.inclusionText, fields.inclusionText);
        EXPECT_EQ(dialog_.fields.extensionOption, option);
        EXPECT_TRUE(dialog_.fields.expandAllCheck);
        EXPECT_EQ(filter_, before);
        EXPECT_TRUE(diluted_);
        EXPECT_TRUE(readWholeTrees_);
        EXPECT_FALSE(dialog_.OnSaveAsDefault());
        EXPECT_EQ(Int(kFilterDialogSection, "Flags"), kAbsent);
        EXPECT_EQ(Int(kFilterDefaultsSection, "Flags"), kAbsent);
        EXPECT_TRUE(Mru(kDialogInclusionMru).empty());
    }
}

// OK remembers lists (spaces dropped, 20 kept) and applies them normalised, also with the filter
// off.
TEST_F(DisplayFilterTest, ListsAndDisabledFilter) {
    store_.AddToMruList(kDialogExclusionMru, "log");
    Choose(2, 2, "", "  TMP, bak ", true);
    dialog_.fields.dilutedCheck = false;
    ASSERT_TRUE(dialog_.OnOk());
    EXPECT_TRUE(prompter_.shown.empty());
    EXPECT_EQ(Mru(kDialogExclusionMru), (Texts{"log", "TMP,bak"}));
    EXPECT_EQ(dialog_.fields.exclusionChoices, (Texts{"TMP,bak", "log"}));
    EXPECT_EQ(dialog_.fields.exclusionText, "TMP,bak");
    EXPECT_EQ(filter_, (FilterState{true, 0x204, ";tmp;bak;", true}));
    EXPECT_FALSE(diluted_);
    EXPECT_EQ(Int(kFilterDialogSection, "Flags"), 0x204);
    EXPECT_EQ(Int(kFilterDialogSection, "ExpandAll"), 1);
    EXPECT_EQ(Int(kFilterDefaultsSection, "Flags"), kAbsent);
    Choose(0, 1, "cpp,h");
    ASSERT_TRUE(dialog_.OnOk());
    EXPECT_FALSE(filter_.filterActive);
    EXPECT_EQ(filter_.filterFlags, 0x002u);
    EXPECT_FALSE(readWholeTrees_);
    EXPECT_EQ(Mru(kDialogInclusionMru), (Texts{"cpp,h"}));
    filter_.filterExtensions = ";txt;";
    Choose(1, 0);
    ASSERT_TRUE(dialog_.ApplyFilterDialog());
    EXPECT_EQ(filter_.filterFlags, 0x101u);
    EXPECT_EQ(filter_.filterExtensions, ";txt;");
    for (int i = 0; i < 21; ++i) {
        Choose(2, 1, "e" + std::to_string(i));
        ASSERT_TRUE(dialog_.OnOk());
    }
    const Texts list = Mru(kDialogInclusionMru);
    ASSERT_EQ(list.size(), 20u);
    EXPECT_EQ(list.front(), "e1");
    EXPECT_EQ(list.back(), "e20");
}

// Save-as-default stores both sections, as start-up reads them; Reset stores flags 1.
TEST_F(DisplayFilterTest, SaveAsDefaultAndReset) {
    Choose(2, 1, "old");
    ASSERT_TRUE(dialog_.OnOk());
    Choose(2, 1, "Cpp, h", "", true);
    dialog_.fields.dilutedCheck = false;
    ASSERT_TRUE(dialog_.OnSaveAsDefault());
    EXPECT_EQ(Int(kFilterDialogSection, "Flags"), 0x202);
    EXPECT_EQ(Int(kFilterDefaultsSection, "Flags"), 0x202);
    EXPECT_EQ(Int(kFilterDefaultsSection, "ExpandAll"), 1);
    EXPECT_EQ(Int(kFilterDefaultsSection, "UseDilutedColor"), 0);
    // Start-up takes the defaults' own list, else the dialog's list the filter was saved with.
    EXPECT_EQ(StartupFilterState(store_), (FilterState{true, 0x202, ";cpp;h;", true}));
    store_.WriteProfileInt(kFilterDefaultsSection, "Flags", 0x104);
    store_.AddToMruList(kDialogExclusionMru, "dialog");
    EXPECT_EQ(StartupFilterState(store_).filterExtensions, ";dialog;");
    store_.AddToMruList(kDefaultsExclusionMru, "Own");
    EXPECT_EQ(StartupFilterState(store_), (FilterState{true, 0x104, ";own;", true}));
    store_.WriteProfileInt(kFilterDialogSection, "Flags", 0x204);
    store_.WriteProfileInt(kFilterDialogSection, "ExpandAll", 1);
    store_.AddToMruList(kDialogExclusionMru, "tmp");
    filter_ = FilterState{true, 0x204, ";tmp;", true};
    diluted_ = true;
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
    for (std::string_view section : {kFilterDefaultsSection, kFilterDialogSection}) {
        EXPECT_EQ(Int(section, "Flags"), 1) << section;
        EXPECT_EQ(Int(section, "ExpandAll"), 0) << section;
    }
    EXPECT_EQ(Int(kFilterDefaultsSection, "UseDilutedColor"), 1);
}

// The dialog opens from the stored flags; a list choice with no list remembered opens as "all".
TEST_F(DisplayFilterTest, OpensFromStoredFlags) {
    // stored flags, lists stored, display option, extension option, flags, extensions
    const std::tuple<int, bool, int, int, uint32_t, const char*> cases[] = {
        {0, true, 0, 0, 0, ""},
        {0x002, true, 0, 0, 0x002, ""},
        {0x101, true, 1, 0, 0x101, ""},
        {0x102, true, 1, 1, 0x102, ";cpp;h;"},
        {0x204, true, 2, 2, 0x204, ";obj;"},
        {0x102, false, 1, 0, 0x101, ""},
        {0x204, false, 2, 0, 0x201, ""}};
    diluted_ = false;
    for (const auto& [stored, withList, display, extension, flags, extensions] : cases) {
        SCOPED_TRACE(stored);
        store_.DeleteProfileSection(kFilterDialogSection);
        store_.WriteProfileInt(kFilterDialogSection, "Flags", stored);
        store_.WriteProfileInt(kFilterDialogSection, "ExpandAll", 1);
        if (withList) {
            store_.AddToMruList(kDialogInclusionMru, "Cpp, H");
            store_.AddToMruList(kDialogInclusionMru, "txt");
            store_.AddToMruList(kDialogExclusionMru, "obj");
        }
        dialog_.Open();
        EXPECT_EQ(dialog_.fields.displayOption, display);
        EXPECT_EQ(dialog_.fields.extensionOption, extension);
        EXPECT_EQ(dialog_.dialogFlags, flags);
        EXPECT_EQ(dialog_.dialogExtensions, extensions);
        EXPECT_TRUE(dialog_.fields.expandAllCheck);
        EXPECT_FALSE(dialog_.fields.dilutedCheck);
        EXPECT_EQ(dialog_.ExtensionControlsEnabled(), display != 0);
        EXPECT_EQ(dialog_.fields.inclusionChoices, (withList ? Texts{"Cpp, H", "txt"} : Texts{""}));
        EXPECT_EQ(dialog_.fields.inclusionText, withList ? "Cpp, H" : "");
    }
}

// The size field accepts 1 up to the largest megabyte count a settings DWORD holds, nothing else.
TEST(PreferencesForm, SizeFieldAcceptsOnlyTheRange) {
    for (const char* text : {"1", " 42\t", "2147483647"}) {
        EXPECT_EQ(ParseSizeToSkip(text), std::stoul(text)) << text;
    }
    for (const char* text : {"0", "000", "", "   ", "-1", "+5", "1.5", "12 MB", "2147483648",
                             "4294967297", "99999999999999999999999999"}) {
        EXPECT_EQ(ParseSizeToSkip(text), std::nullopt) << text;
    }
}

PreferenceValues Stored() {
    PreferenceValues values;
    values.crc32 = 2;
    values.crc32SkipIfBig = true;
    values.crc32SizeToSkipMBytes = 7;
    return values;
}

// Each box raises exactly the flags for re-deciding statuses or rebuilding columns.
TEST(PreferencesForm, ChangedFlagsColumnsAndChecksumBoxes) {
    using Change = void (*)(PreferencesForm&);
    const std::tuple<const char*, Change, bool, bool> cases[] = {
        {"nothing", [](PreferencesForm&) {}, false, false},
        {"version", [](PreferencesForm& f) { f.showVersion = !f.showVersion; }, true, true},
        {"product", [](PreferencesForm& f) { f.productVersion = true; }, true, false},
        {"timestamp column", [](PreferencesForm& f) { f.showTimestamp = false; }, false, true},
        {"hh:mm", [](PreferencesForm& f) { f.detailTimestamp = true; }, false, true},
        {"size column", [](PreferencesForm& f) { f.showSize = false; }, false, true},
        {"compare time", [](PreferencesForm& f) { f.compareTimestamp = true; }, true, false},
        {"full checksum", [](PreferencesForm& f) { f.simplifiedChecksum = false; }, true, false},
        {"skip only", [](PreferencesForm& f) { f.skipIfBig = false; }, false, false},
        {"limit only", [](PreferencesForm& f) { f.sizeToSkipMBytes = 50; }, false, false}};
    for (const auto& [what, change, comparison, columns] : cases) {
        PreferenceValues values = Stored();
        PreferencesForm form = FillPreferencesForm(values);
        change(form);
        const PreferencesOutcome outcome = ApplyPreferencesForm(form, values);
        EXPECT_EQ(outcome.comparisonChanged, comparison) << what;
        EXPECT_EQ(outcome.columnsChanged, columns) << what;
    }
    // No size column beside version and timestamp: three columns per side.
    PreferenceValues values = Stored();
    PreferencesForm form = FillPreferencesForm(values);
    form.showVersion = true;
    form.showTimestamp = true;
    form.showSize = false;
    const PreferencesOutcome outcome = ApplyPreferencesForm(form, values);
    EXPECT_EQ(outcome.columnsPerSide, 3);
    EXPECT_EQ(outcome.columnCount, 6);
    EXPECT_TRUE(values.fileVersion);
    EXPECT_FALSE(values.fileSize);
    // The checksum mode shows as two boxes; with it on the skip box is taken, the limit if
    // skipping.
    for (const auto& [crc32, compare, simplified] :
         {std::tuple{2, true, true}, {1, true, false}, {0, false, false}}) {
        PreferenceValues shown = Stored();
        shown.crc32 = crc32;
        const PreferencesForm boxes = FillPreferencesForm(shown);
        EXPECT_EQ(boxes.compareChecksum, compare) << crc32;
        EXPECT_EQ(boxes.simplifiedChecksum, simplified) << crc32;
        EXPECT_EQ(ChecksumControlsEnabled(boxes), compare) << crc32;
        EXPECT_EQ(boxes.sizeToSkipMBytes, 7u);
    }
    values = Stored();
    form = FillPreferencesForm(values);
    form.simplifiedChecksum = false;
    form.sizeToSkipMBytes = 4096;
    ApplyPreferencesForm(form, values);
    EXPECT_EQ(values.crc32, 1);
    EXPECT_EQ(values.crc32SizeToSkipMBytes, 4096u);
    // 4096 MB is past what 32 bits hold in bytes; the limit is formed in 64 bits.
    EXPECT_EQ(ComparisonOptions::SizeLimitFromMBytes(values.crc32SizeToSkipMBytes),
              uint64_t{1} << 32);
    form.skipIfBig = false;
    form.sizeToSkipMBytes = 3;
    ApplyPreferencesForm(form, values);
    EXPECT_FALSE(values.crc32SkipIfBig);
    EXPECT_EQ(values.crc32SizeToSkipMBytes, 4096u);
}

}  // namespace
}  // namespace quillon
