#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/Comparison.h"
#include "core/Crc32.h"
#include "core/DiffStatus.h"
#include "support/TestDir.h"
#include "support/TreeDump.h"

namespace quillon {
namespace {

// The standard check value of the IEEE CRC-32, and byte-at-a-time equals the bulk update.
TEST(Crc32, CheckValueAndByteUpdate) {
    const std::string text = "123456789";
    EXPECT_EQ(Crc32Of(text.data(), text.size()), 0xCBF43926u);
    uint32_t reg = kCrc32Initial;
    for (char c : text) {
        reg = Crc32UpdateByte(reg, static_cast<uint8_t>(c));
    }
    EXPECT_EQ(~reg, 0xCBF43926u);
    EXPECT_EQ(Crc32Update(Crc32Update(kCrc32Initial, "1234", 4), "56789", 5), reg);
}

struct TextModeCase {
    const char* what;
    std::string bytes;
    std::string full;    // what the standard checksum sees
    std::string simple;  // what the simplified checksum sees
};

class TextModeChecksum : public ::testing::TestWithParam<TextModeCase> {};

// Files are read as a text-mode stream: CR LF is LF, 0x1A ends the data, 3 characters at most.
TEST_P(TextModeChecksum, SeesTranslatedCharacters) {
    const TextModeCase& c = GetParam();
    test::TestDir dir;
    dir.WriteFile("f", c.bytes);
    uint32_t sum = 0;
    ASSERT_EQ(FileChecksum(dir / "f", sum), 0);
    EXPECT_EQ(sum, Crc32Of(c.full.data(), c.full.size())) << c.what;
    ASSERT_EQ(SimpleFileChecksum(dir / "f", sum), 0);
    EXPECT_EQ(sum, Crc32Of(c.simple.data(), c.simple.size())) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Cases, TextModeChecksum,
                         ::testing::Values(TextModeCase{"plain", "abcdef", "abcdef", "abc"},
                                           TextModeCase{"empty", "", "", ""},
                                           TextModeCase{"CR LF pairs", "a\r\nb\r\nc", "a\nb\nc",
                                                        "a\nb"},
                                           TextModeCase{"lone CR kept", "a\rb", "a\rb", "a\rb"},
                                           TextModeCase{"CR at the end", "ab\r", "ab\r", "ab\r"},
                                           TextModeCase{"CR CR LF", "\r\r\nx", "\r\nx", "\r\nx"},
                                           TextModeCase{"0x1A ends data",
                                                        std::string("ab\x1A"
                                                                    "cd",
                                                                    5),
                                                        "ab", "ab"},
                                           TextModeCase{"CR before 0x1A",
                                                        std::string("a\r\x1A"
                                                                    "b",
                                                                    4),
                                                        "a\r", "a\r"},
                                           TextModeCase{"0x1A first",
                                                        std::string("\x1A"
                                                                    "abc",
                                                                    4),
                                                        "", ""}));

// A CR LF split across two reads of a large file still counts as one LF.
TEST(FileChecksumTest, CrLfAcrossBufferEdge) {
    std::string bytes(65535, 'x');
    bytes += "\r\nend";
    test::TestDir dir;
    dir.WriteFile("f", bytes);
    const std::string seen = std::string(65535, 'x') + "\nend";
    uint32_t sum = 0;
    ASSERT_EQ(FileChecksum(dir / "f", sum), 0);
    EXPECT_EQ(sum, Crc32Of(seen.data(), seen.size()));
}

// Missing files and special files give a system error code, never a crash or a hang.
TEST(FileChecksumTest, FailuresReturnCodes) {
    test::TestDir dir;
    dir.MakeFifo("pipe");
    uint32_t sum = 0;
    EXPECT_NE(FileChecksum(dir / "missing", sum), 0);
    EXPECT_NE(FileChecksum(dir / "pipe", sum), 0);
    EXPECT_NE(SimpleFileChecksum(dir / "pipe", sum), 0);
}

constexpr int kDefault = -1;

struct RuleCase {
    const char* what;
    std::string left;
    std::string right;
    int minuteOffsetSeconds;  // right mtime relative to the left one (left at hh:mm:05)
    int fileSize;
    int compareTimestamp;
    int crc32;
    int expected;
};

class StatusRule : public ::testing::TestWithParam<RuleCase> {};

// Each rule in order: presence, timestamp, size, checksum mode and its size limit.
TEST_P(StatusRule, Decides) {
    const RuleCase& c = GetParam();
    test::TestDir dir;
    const time_t base = test::LocalTime(2010, 1, 4, 10, 0, 5);
    dir.WriteFile("left/f", c.left, base);
    dir.WriteFile("right/f", c.right, base + c.minuteOffsetSeconds);
    Comparison cmp;
    if (c.fileSize != kDefault) {
        cmp.options.fileSize = c.fileSize;
    }
    if (c.compareTimestamp != kDefault) {
        cmp.options.compareTimestamp = c.compareTimestamp;
    }
    if (c.crc32 != kDefault) {
        cmp.options.crc32 = c.crc32;
    }
    ASSERT_TRUE(cmp.CompareFolders(dir / "left", dir / "right", 0));
    ASSERT_EQ(cmp.rootItem->lastChild->name, "f");
    EXPECT_EQ(cmp.rootItem->lastChild->status, c.expected) << c.what;
}

const std::string kMiB(1048576, 'a');
const std::string kMiBOther = std::string(1048575, 'a') + "b";

INSTANTIATE_TEST_SUITE_P(
    Rules, StatusRule,
    ::testing::Values(
        RuleCase{"same minute", "abc", "abc", 50, kDefault, 1, kDefault, StatusSame},
        RuleCase{"next minute", "abc", "abc", 55, kDefault, 1, kDefault, StatusDifferent},
        RuleCase{"times ignored by default", "abc", "abc", 3600, kDefault, kDefault, kDefault,
                 StatusSame},
        RuleCase{"size differs", "abc", "abcd", 0, kDefault, kDefault, kDefault, StatusDifferent},
        RuleCase{"size ignored, no checksum", "abc", "abcdef", 7200, 0, 0, 0, StatusSame},
        RuleCase{"simple checksum sees 3 chars", "abcX", "abcY", 0, kDefault, kDefault, 2,
                 StatusSame},
        RuleCase{"full checksum sees all", "abcX", "abcY", 0, kDefault, kDefault, 1,
                 StatusDifferent},
        RuleCase{"simple checksum differs early", "aXc", "aYc", 0, kDefault, kDefault, 2,
                 StatusDifferent},
        RuleCase{"CR LF reads as LF", "a\r\nb", "a\nb", 0, 0, kDefault, 1, StatusSame},
        RuleCase{"1 MiB skips the checksum", kMiB, kMiBOther, 0, kDefault, kDefault, 1, StatusSame},
        RuleCase{"checksum rule after size rule", kMiB, "a", 0, kDefault, kDefault, 1,
                 StatusDifferent}));

// Just under the limit the full checksum runs; with the limit off it runs at any size.
TEST(StatusRuleLimit, LimitIsInclusive) {
    test::TestDir dir;
    const std::string under(1048575, 'a');
    const std::string underOther = std::string(1048574, 'a') + "b";
    dir.MakeTree({{"l/u", under}, {"r/u", underOther}, {"l/m", kMiB}, {"r/m", kMiBOther}});
    Comparison cmp;
    cmp.options.crc32 = 1;
    ASSERT_TRUE(cmp.CompareFolders(dir / "l", dir / "r", 0));
    EXPECT_EQ(test::ChildSummary(cmp.rootItem),
              (std::vector<std::string>{"..:2:LR", "m:0:LR", "u:1:LR"}));
    cmp.options.crc32SkipIfBig = 0;
    cmp.RecomputeFileStatuses(cmp.rootItem);
    EXPECT_EQ(cmp.rootItem->firstChild->next->status, StatusDifferent);
}

// Versions decide before times and sizes; a version on one side only reads as that side only.
TEST(StatusRuleVersion, VersionRulesComeFirst) {
    test::TestDir dir;
    dir.MakeTree({{"l/v.dll", "same"}, {"r/v.dll", "same"}});
    Comparison cmp;
    ASSERT_TRUE(cmp.CompareFolders(dir / "l", dir / "r", 0));
    DiffItem* item = cmp.rootItem->lastChild;
    EXPECT_EQ(item->VersionText(0), "skipped");
    EXPECT_EQ(item->status, StatusSame);
    item->SetVersionFromText(0, "1.0.0.1");
    item->SetVersionFromText(1, "");
    cmp.DecideStatus(item);
    EXPECT_EQ(item->status, StatusLeftOnly);
    item->SetVersionFromText(1, "1.0.0.2");
    cmp.DecideStatus(item);
    EXPECT_EQ(item->status, StatusDifferent);
    item->SetVersionFromText(1, "1.0.0.1");
    cmp.DecideStatus(item);
    EXPECT_EQ(item->status, StatusSame);
    // Reading versions lazily: files without a version resource have none on either side.
    item->SetVersion(0, VersionState::kNotRead);
    item->SetVersion(1, VersionState::kNotRead);
    cmp.options.showVersions = 1;
    cmp.DecideStatus(item);
    EXPECT_EQ(item->VersionText(0), "");
    EXPECT_EQ(item->VersionText(1), "");
    EXPECT_EQ(item->status, StatusSame);
}

struct FilterRemovalCase {
    uint32_t flags;
    std::vector<std::string> kept;
};

class FilterRemoval : public ::testing::TestWithParam<FilterRemovalCase> {};

// 0x100 keeps only differing files, 0x200 drops only equal ones; folders always stay.
TEST_P(FilterRemoval, RemovesFiles) {
    test::TestDir dir;
    dir.MakeTree({{"l/same", "s"},
                  {"r/same", "s"},
                  {"l/diff", "d1"},
                  {"r/diff", "d22"},
                  {"l/lonly", "x"},
                  {"r/ronly", "x"},
                  {"l/Dl/", ""},
                  {"r/Dr/", ""}});
    Comparison cmp;
    cmp.filter.filterActive = true;
    cmp.filter.filterFlags = FilterState::kNoExtensionFilter | GetParam().flags;
    ASSERT_TRUE(cmp.CompareFolders(dir / "l", dir / "r", 0));
    EXPECT_EQ(test::RowNames(cmp.rootItem), GetParam().kept);
    std::string why;
    EXPECT_TRUE(IsConsistent(cmp.rootItem, true, &why)) << why;
}

INSTANTIATE_TEST_SUITE_P(
    Flags, FilterRemoval,
    ::testing::Values(FilterRemovalCase{0, {"..", "Dl", "Dr", "diff", "lonly", "ronly", "same"}},
                      FilterRemovalCase{0x100, {"..", "Dl", "Dr", "diff"}},
                      FilterRemovalCase{0x200, {"..", "Dl", "Dr", "diff", "lonly", "ronly"}}));

}  // namespace
}  // namespace quillon
