#include "core/Preferences.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "core/ComparisonOptions.h"

namespace quillon {
namespace {

struct SizeCase {
    const char* text;
    std::optional<uint32_t> expected;
};

class SizeFieldTest : public testing::TestWithParam<SizeCase> {};

// The size field accepts 1 up to the largest megabyte count the settings DWORD can hold, and
// nothing else, however long the input.
TEST_P(SizeFieldTest, AcceptsOnlyTheRange) {
    EXPECT_EQ(ParseSizeToSkip(GetParam().text), GetParam().expected) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SizeFieldTest,
    testing::Values(SizeCase{"1", 1u}, SizeCase{" 42\t", 42u}, SizeCase{"4096", 4096u},
                    SizeCase{"2147483647", 2147483647u}, SizeCase{"0", std::nullopt},
                    SizeCase{"000", std::nullopt}, SizeCase{"", std::nullopt},
                    SizeCase{"   ", std::nullopt}, SizeCase{"-1", std::nullopt},
                    SizeCase{"+5", std::nullopt}, SizeCase{"1.5", std::nullopt},
                    SizeCase{"12 MB", std::nullopt}, SizeCase{"2147483648", std::nullopt},
                    SizeCase{"4294967297", std::nullopt},
                    SizeCase{"99999999999999999999999999", std::nullopt}));

PreferenceValues Stored() {
    PreferenceValues values;
    values.crc32 = 2;
    values.crc32SkipIfBig = true;
    values.crc32SizeToSkipMBytes = 7;
    return values;
}

// The form shows the checksum mode as two boxes and the limit in megabytes.
TEST(PreferencesFormTest, FillsFromTheModes) {
    PreferenceValues values = Stored();
    PreferencesForm form = FillPreferencesForm(values);
    EXPECT_TRUE(form.compareChecksum);
    EXPECT_TRUE(form.simplifiedChecksum);
    EXPECT_EQ(form.sizeToSkipMBytes, 7u);
    EXPECT_TRUE(ChecksumControlsEnabled(form));

    values.crc32 = 1;
    form = FillPreferencesForm(values);
    EXPECT_TRUE(form.compareChecksum);
    EXPECT_FALSE(form.simplifiedChecksum);

    values.crc32 = 0;
    form = FillPreferencesForm(values);
    EXPECT_FALSE(form.compareChecksum);
    EXPECT_FALSE(ChecksumControlsEnabled(form));
}

// Checksum off gives mode 0 and leaves the skip flag and the limit as they were, even when the
// (disabled) controls were changed.
TEST(PreferencesFormTest, ChecksumOffKeepsSkipAndLimit) {
    PreferenceValues values = Stored();
    PreferencesForm form = FillPreferencesForm(values);
    form.compareChecksum = false;
    form.skipIfBig = false;
    form.sizeToSkipMBytes = 99;
    PreferencesOutcome outcome = ApplyPreferencesForm(form, values);
    EXPECT_EQ(values.crc32, 0);
    EXPECT_TRUE(values.crc32SkipIfBig);
    EXPECT_EQ(values.crc32SizeToSkipMBytes, 7u);
    EXPECT_TRUE(outcome.comparisonChanged);
    EXPECT_FALSE(outcome.columnsChanged);
}

// With the checksum on, the skip box is taken, and the number only while the skip box is on.
TEST(PreferencesFormTest, ChecksumOnTakesSkipAndNumber) {
    PreferenceValues values = Stored();
    PreferencesForm form = FillPreferencesForm(values);
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

struct FlagCase {
    const char* what;
    std::function<void(PreferencesForm&)> change;
    bool comparisonChanged;
    bool columnsChanged;
};

class ChangedFlagsTest : public testing::TestWithParam<FlagCase> {};

// Each box raises exactly the changed flags that the view needs to re-decide statuses or rebuild
// its columns.
TEST_P(ChangedFlagsTest, RaisesTheRightFlags) {
    PreferenceValues values = Stored();
    PreferencesForm form = FillPreferencesForm(values);
    GetParam().change(form);
    PreferencesOutcome outcome = ApplyPreferencesForm(form, values);
    EXPECT_EQ(outcome.comparisonChanged, GetParam().comparisonChanged) << GetParam().what;
    EXPECT_EQ(outcome.columnsChanged, GetParam().columnsChanged) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, ChangedFlagsTest,
    testing::Values(
        FlagCase{"nothing", [](PreferencesForm&) {}, false, false},
        FlagCase{"version", [](PreferencesForm& f) { f.showVersion = !f.showVersion; }, true, true},
        FlagCase{"product", [](PreferencesForm& f) { f.productVersion = true; }, true, false},
        FlagCase{"timestamp column", [](PreferencesForm& f) { f.showTimestamp = false; }, false,
                 true},
        FlagCase{"hh:mm", [](PreferencesForm& f) { f.detailTimestamp = true; }, false, true},
        FlagCase{"size column", [](PreferencesForm& f) { f.showSize = false; }, false, true},
        FlagCase{"compare time", [](PreferencesForm& f) { f.compareTimestamp = true; }, true,
                 false},
        FlagCase{"full checksum", [](PreferencesForm& f) { f.simplifiedChecksum = false; }, true,
                 false},
        FlagCase{"skip only", [](PreferencesForm& f) { f.skipIfBig = false; }, false, false},
        FlagCase{"limit only", [](PreferencesForm& f) { f.sizeToSkipMBytes = 50; }, false, false}));

// Turning the size column off with version and timestamp on leaves three columns per side.
TEST(PreferencesFormTest, ColumnCountFollowsTheColumnBoxes) {
    PreferenceValues values = Stored();
    PreferencesForm form = FillPreferencesForm(values);
    form.showVersion = true;
    form.showTimestamp = true;
    form.showSize = false;
    PreferencesOutcome outcome = ApplyPreferencesForm(form, values);
    EXPECT_EQ(outcome.columnsPerSide, 3);
    EXPECT_EQ(outcome.columnCount, 6);
    EXPECT_TRUE(values.fileVersion);
    EXPECT_FALSE(values.fileSize);
}

}  // namespace
}  // namespace quillon
