#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "base/Crc32.h"
#include "core/Comparison.h"
#include "core/DiffStatus.h"
#include "support/TestDir.h"
#include "support/TreeDump.h"

namespace quillon {
namespace {

using Rows = std::vector<std::string>;

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

// Files are read as a text-mode stream: CR LF is LF (also when the pair is split across two
// reads of a large file), 0x1A ends the data, and the simplified checksum sees 3 characters at
// most. Missing files and special files give a system error code, never a crash or a hang.
TEST(FileChecksum, SeesTranslatedCharacters) {
    const std::string large(65535, 'x');
    const std::tuple<const char*, std::string, std::string, std::string> cases[] = {
        // what, bytes, what the standard checksum sees, what the simplified one sees
        {"plain", "abcdef", "abcdef", "abc"},
        {"empty", "", "", ""},
        {"CR LF pairs", "a\r\nb\r\nc", "a\nb\nc", "a\nb"},
        {"lone CR kept", "a\rb", "a\rb", "a\rb"},
        {"CR at the end", "ab\r", "ab\r", "ab\r"},
        {"CR CR LF", "\r\r\nx", "\r\nx", "\r\nx"},
        {"0x1A ends data", "ab\x1Ayz", "ab", "ab"},
        {"CR before 0x1A", "a\r\x1Ay", "a\r", "a\r"},
        {"0x1A first", "\x1Ayz", "", ""},
        {"CR LF across reads", large + "\r\nend", large + "\nend", "xxx"}};
    test::TestDir dir;
    for (const auto& [what, bytes, full, simple] : cases) {
        SCOPED_TRACE(what);
        dir.WriteFile("f", bytes);
        uint32_t sum = 0;
        ASSERT_EQ(FileChecksum(dir / "f", sum), 0);
        EXPECT_EQ(sum, Crc32Of(full.data(), full.size()));
        ASSERT_EQ(SimpleFileChecksum(dir / "f", sum), 0);
        EXPECT_EQ(sum, Crc32Of(simple.data(), simple.size()));
    }
    dir.MakeFifo("pipe");
    uint32_t sum = 0;
    EXPECT_NE(FileChecksum(dir / "missing", sum), 0);
    EXPECT_NE(FileChecksum(dir / "pipe", sum), 0);
    EXPECT_NE(SimpleFileChecksum(dir / "pipe", sum), 0);
}

constexpr int kDefault = -1;
const std::string kMiB(1048576, 'a');
const std::string kMiBOther = std::string(1048575, 'a') + "b";

struct RuleCase {
    const char* what;
    std::string left;
    std::string right;
    int secondsLater;  // right mtime relative to the left one (left at hh:mm:05)
    int fileSize;
    int compareTimestamp;
    int crc32;
    FileStatus expected;
};

// Each rule in order: presence, timestamp (to the minute), size, checksum mode and its size limit
// (inclusive).
TEST(StatusRule, Decides) {
    const RuleCase cases[] = {
        {"same minute", "abc", "abc", 50, kDefault, 1, kDefault, StatusSame},
        {"next minute", "abc", "abc", 55, kDefault, 1, kDefault, StatusDifferent},
        {"times ignored by default", "abc", "abc", 3600, kDefault, kDefault, kDefault, StatusSame},
        {"size differs", "abc", "abcd", 0, kDefault, kDefault, kDefault, StatusDifferent},
        {"size ignored, no checksum", "abc", "abcdef", 7200, 0, 0, 0, StatusSame},
        {"simple checksum sees 3 chars", "abcX", "abcY", 0, kDefault, kDefault, 2, StatusSame},
        {"full checksum sees all", "abcX", "abcY", 0, kDefault, kDefault, 1, StatusDifferent},
        {"simple checksum differs early", "aXc", "aYc", 0, kDefault, kDefault, 2, StatusDifferent},
        {"CR LF reads as LF", "a\r\nb", "a\nb", 0, 0, kDefault, 1, StatusSame},
        {"1 MiB skips the checksum", kMiB, kMiBOther, 0, kDefault, kDefault, 1, StatusSame},
        {"just under 1 MiB is read", kMiB.substr(1), kMiBOther.substr(1), 0, kDefault, kDefault, 1,
         StatusDifferent},
        {"checksum rule after size rule", kMiB, "a", 0, kDefault, kDefault, 1, StatusDifferent}};
    const time_t base = test::LocalTime(2010, 1, 4, 10, 0, 5);
    for (const RuleCase& c : cases) {
        SCOPED_TRACE(c.what);
        test::TestDir dir;
        dir.WriteFile("left/f", c.left, base);
        dir.WriteFile("right/f", c.right, base + c.secondsLater);
        Comparison cmp;
        for (auto [value, option] : {std::pair{c.fileSize, &cmp.options.fileSize},
                                     std::pair{c.compareTimestamp, &cmp.options.compareTimestamp},
                                     std::pair{c.crc32, &cmp.options.crc32}}) {
            if (value != kDefault) {
                *option = value;
            }
        }
        ASSERT_TRUE(cmp.CompareFolders(dir / "left", dir / "right", 0));
        ASSERT_EQ(cmp.rootItem->lastChild->name, "f");
        EXPECT_EQ(cmp.rootItem->lastChild->FileState(), c.expected);
    }
}

// With the limit off the full checksum runs at any size.
TEST(StatusRule, LimitOffReadsAnySize) {
    test::TestDir dir;
    dir.MakeTree({{"l/m", kMiB}, {"r/m", kMiBOther}});
    Comparison cmp;
    cmp.options.crc32 = 1;
    cmp.options.crc32SkipIfBig = 0;
    ASSERT_TRUE(cmp.CompareFolders(dir / "l", dir / "r", 0));
    EXPECT_EQ(cmp.rootItem->lastChild->FileState(), StatusDifferent);
}

// Versions decide before times and sizes; a version on one side only reads as that side only.
TEST(StatusRule, VersionRulesComeFirst) {
    test::TestDir dir;
    dir.MakeTree({{"l/v.dll", "same"}, {"r/v.dll", "same"}});
    Comparison cmp;
    ASSERT_TRUE(cmp.CompareFolders(dir / "l", dir / "r", 0));
    DiffItem* item = cmp.rootItem->lastChild;
    EXPECT_EQ(item->VersionText(0), "skipped");
    EXPECT_EQ(item->FileState(), StatusSame);
    item->SetVersionFromText(0, "1.0.0.1");
    for (const auto& [right, status] :
         {std::pair{"", StatusLeftOnly}, std::pair{"1.0.0.2", StatusDifferent},
          std::pair{"1.0.0.1", StatusSame}}) {
        item->SetVersionFromText(1, right);
        cmp.DecideStatus(item);
        EXPECT_EQ(item->FileState(), status) << right;
    }
    // Reading versions lazily: files without a version resource have none on either side.
    item->SetVersion(0, VersionState::kNotRead);
    item->SetVersion(1, VersionState::kNotRead);
    cmp.options.showVersions = 1;
    cmp.DecideStatus(item);
    EXPECT_EQ(item->VersionText(0), "");
    EXPECT_EQ(item->VersionText(1), "");
    EXPECT_EQ(item->FileState(), StatusSame);
}

// 0x100 keeps only differing files, 0x200 drops only equal ones; folders always stay.
TEST(StatusRule, FilterRemovesFiles) {
    test::TestDir dir;
    dir.MakeTree({{"l/same", "s"},
                  {"r/same", "s"},
                  {"l/diff", "d1"},
                  {"r/diff", "d22"},
                  {"l/lonly", "x"},
                  {"r/ronly", "x"},
                  {"l/Dl/", ""},
                  {"r/Dr/", ""}});
    for (const auto& [flags, kept] :
         {std::pair<uint32_t, Rows>{0, {"..", "Dl", "Dr", "diff", "lonly", "ronly", "same"}},
          {0x100, {"..", "Dl", "Dr", "diff"}},
          {0x200, {"..", "Dl", "Dr", "diff", "lonly", "ronly"}}}) {
        Comparison cmp;
        cmp.filter.filterActive = true;
        cmp.filter.filterFlags = FilterState::kNoExtensionFilter | flags;
        ASSERT_TRUE(cmp.CompareFolders(dir / "l", dir / "r", 0));
        EXPECT_EQ(test::RowNames(cmp.rootItem), kept) << flags;
        std::string why;
        EXPECT_TRUE(IsConsistent(cmp.rootItem, true, &why)) << why;
    }
}

}  // namespace
}  // namespace quillon
