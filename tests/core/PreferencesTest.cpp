#include "core/Preferences.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>
#include <utility>

#include "core/ComparisonOptions.h"

namespace quillon {
namespace {

// The size field accepts 1 up to the largest megabyte count the settings DWORD can hold, and
// nothing else, however long the input.
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

// The form shows the checksum mode as two boxes and the limit in megabytes. Checksum off gives
// mode 0 and leaves the skip flag and the limit as they were, even when the (disabled) controls
// were changed; with the checksum on the skip box is taken, and the number only while the skip
// box is on.
TEST(PreferencesForm, ChecksumBoxesSkipAndLimit) {
    for (const auto& [crc32, compare, simplified] :
         {std::tuple{2, true, true}, {1, true, false}, {0, false, false}}) {
        PreferenceValues values = Stored();
        values.crc32 = crc32;
        const PreferencesForm form = FillPreferencesForm(values);
        EXPECT_EQ(form.compareChecksum, compare) << crc32;
        EXPECT_EQ(form.simplifiedChecksum, simplified) << crc32;
        EXPECT_EQ(ChecksumControlsEnabled(form), compare) << crc32;
        EXPECT_EQ(form.sizeToSkipMBytes, 7u);
    }
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

    form.compareChecksum = true;
    form.simplifiedChecksum = false;
    form.skipIfBig = true;
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

// Each box raises exactly the changed flags that the view needs to re-decide statuses or rebuild
// its columns. Turning the size column off with version and timestamp on leaves three columns
// per side.
TEST(PreferencesForm, ChangedFlagsAndColumns) {
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
}

}  // namespace
}  // namespace quillon
