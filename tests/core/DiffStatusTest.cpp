#include <gtest/gtest.h>
#include <sys/stat.h>

#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "base/Crc32.h"
#include "core/Comparison.h"
#include "core/DiffStatus.h"
#include "support/TestDir.h"
#include "support/Unprivileged.h"

namespace quillon {
namespace {

// The standard check value of the IEEE CRC-32, and byte-at-a-time equals the bulk update.
TEST(Crc32, CheckValueAndTextModeFileChecksums) {
    const std::string text = "123456789";
    EXPECT_EQ(Crc32Of(text.data(), text.size()), 0xCBF43926u);
    uint32_t reg = kCrc32Initial;
    for (char c : text) {
        reg = Crc32UpdateByte(reg, static_cast<uint8_t>(c));
    }
    EXPECT_EQ(~reg, 0xCBF43926u);
    EXPECT_EQ(Crc32Update(Crc32Update(kCrc32Initial, "1234", 4), "56789", 5), reg);
    // Files in text mode: CR LF is LF, 0x1A ends the data, the simplified sum sees 3 characters.
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
    uint32_t sum = 0;  // missing and special files give an error code, never a crash or a hang
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
    int crc32SkipIfBig = kDefault;
};

// Rules in order: presence, timestamp (to the minute), size, checksum and its size limit.
TEST(StatusRule, Decides) {
    const RuleCase cases[] = {
        {"same minute", "abc", "abc", 50, kDefault, 1, kDefault, StatusSame},
        {"next minute", "abc", "abc", 55, kDefault, 1, kDefault, StatusDifferent},
        {"times ignored by default", "abc", "abc", 3600, kDefault, kDefault, kDefault, StatusSame},
        {"size differs", "abc", "abcd", 0, kDefault, kDefault, kDefault, StatusDifferent},
        {"size ignored, no checksum", "abc", "abcdef", 7200, 0, 0, 0, StatusSame},
        {"1 MiB skips the checksum", kMiB, kMiBOther, 0, kDefault, kDefault, 1, StatusSame},
        {"just under 1 MiB is read", kMiB.substr(1), kMiBOther.substr(1), 0, kDefault, kDefault, 1,
         StatusDifferent},
        {"checksum rule after size rule", kMiB, "a", 0, kDefault, kDefault, 1, StatusDifferent},
        {"limit off reads any size", kMiB, kMiBOther, 0, kDefault, kDefault, 1, StatusDifferent,
         0}};
    const time_t base = test::LocalTime(2010, 1, 4, 10, 0, 5);
    for (const RuleCase& c : cases) {
        SCOPED_TRACE(c.what);
        test::TestDir dir;
        dir.WriteFile("left/f", c.left, base);
        dir.WriteFile("right/f", c.right, base + c.secondsLater);
        Comparison cmp;
        for (auto [value, option] : {std::pair{c.fileSize, &cmp.options.fileSize},
                                     std::pair{c.compareTimestamp, &cmp.options.compareTimestamp},
                                     std::pair{c.crc32, &cmp.options.crc32},
                                     std::pair{c.crc32SkipIfBig, &cmp.options.crc32SkipIfBig}}) {
            if (value != kDefault) {
                *option = value;
            }
        }
        ASSERT_TRUE(cmp.CompareFolders(dir / "left", dir / "right", 0));
        ASSERT_EQ(cmp.rootItem->LastChild()->name, "f");
        EXPECT_EQ(cmp.rootItem->LastChild()->FileState(), c.expected);
    }
}

// Versions decide before times and sizes; a version on one side only reads as that side only.
TEST(StatusRule, VersionRulesComeFirst) {
    test::TestDir dir;
    dir.MakeTree({{"l/v.dll", "same"}, {"r/v.dll", "same"}});
    Comparison cmp;
    ASSERT_TRUE(cmp.CompareFolders(dir / "l", dir / "r", 0));
    DiffItem* item = cmp.rootItem->LastChild();
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
    // Read lazily, files without a version resource have none on either side.
    item->SetVersion(0, VersionState::kNotRead);
    item->SetVersion(1, VersionState::kNotRead);
    cmp.options.showVersions = 1;
    cmp.DecideStatus(item);
    EXPECT_EQ(item->VersionText(0), "");
    EXPECT_EQ(item->VersionText(1), "");
    EXPECT_EQ(item->FileState(), StatusSame);
}

// One pair of equal-size files and the status each checksum gives it.
struct PairCase {
    const char* name;
    std::string left;
    std::string right;
    FileStatus simple;  // first 3 characters
    FileStatus full;
};

// The pass reads as FileChecksum does (pinned there); these rows pin only that it does so.
const PairCase kPairs[] = {
    {"same.txt", "abcdef", "abcdef", StatusSame, StatusSame},
    {"first.txt", "abcdef", "abXdef", StatusDifferent, StatusDifferent},
    {"late.txt", "abcdef", "abcdeX", StatusSame, StatusDifferent},
    {"crlf.txt", "ab\r\nX", "ab\nXY", StatusSame, StatusDifferent},  // "ab\n" in 3 characters
    {"ctrlz.txt", "a\x1Ayz", "a\x1Azz", StatusSame, StatusSame},
    {"empty.txt", "", "", StatusSame, StatusSame},
    {"limit.txt", "abcdefg", "abcdefX", StatusSame, StatusSame},  // at the limit: never read
};

// Enough folders that the pairs fill several hand-overs to the helper threads.
constexpr int kFolders = 48;

struct PassCase {
    const char* what;
    int crc32;
    bool recompute;  // or compared while the trees are read
};

class ChecksumPass : public ::testing::TestWithParam<PassCase> {
  protected:
    void SetUp() override {
        for (int f = 0; f < kFolders; ++f) {
            const std::string l = "left/d" + std::to_string(f) + "/";
            const std::string r = "right/d" + std::to_string(f) + "/";
            // "loop" links to itself, "locked" is unreadable: no verdict; "sized" differs by size.
            std::vector<test::TreeEntry> tree = {{r + "loop", ""},
                                                 {l + "locked", "abc"},
                                                 {r + "locked", "abd"},
                                                 {l + "sized", "abc"},
                                                 {r + "sized", "abcd"}};
            for (const PairCase& p : kPairs) {
                tree.push_back({l + p.name, p.left});
                tree.push_back({r + p.name, p.right});
            }
            dir_.MakeTree(tree);
            dir_.MakeFifo(l + "pipe");
            dir_.MakeFifo(r + "pipe");
            dir_.Symlink("loop", l + "loop");
            chmod((dir_ / (l + "locked")).c_str(), 0);
            chmod((dir_ / (l + "sized")).c_str(), 0);
        }
    }
    // Contents compared while the trees are read, or afterwards for the whole tree at once.
    bool Compare(Comparison& cmp) const {
        cmp.readWholeTrees = true;
        cmp.options.crc32SizeToSkip = 7;
        cmp.options.crc32 = GetParam().recompute ? 0 : GetParam().crc32;
        if (!cmp.CompareFolders(dir_ / "left", dir_ / "right", 0)) {
            return false;
        }
        cmp.options.crc32 = GetParam().crc32;
        if (GetParam().recompute) {
            cmp.RecomputeFileStatuses(cmp.rootItem);
        }
        return true;
    }
    static std::map<std::string, DiffItem*> Files(const Comparison& cmp) {
        std::map<std::string, DiffItem*> files;
        for (DiffItem* d = cmp.rootItem->firstChild; d; d = d->next) {
            for (DiffItem* c = d->firstChild; c; c = c->next) {
                files[d->name + "/" + c->name] = c;
            }
        }
        return files;
    }
    test::TestDir dir_;
};

// Contents compared ahead (on helper threads) give the statuses the rules give one pair at a time.
TEST_P(ChecksumPass, SameStatusesAsOnePairAtATime) {
    Comparison cmp;
    ASSERT_TRUE(Compare(cmp));
    const bool simple = GetParam().crc32 == ComparisonOptions::kChecksumSimple;
    std::map<std::string, DiffItem*> files = Files(cmp);
    ASSERT_EQ(files.size(), size_t(kFolders) * (std::size(kPairs) + 4));
    for (int f = 0; f < kFolders; ++f) {
        const std::string sub = "d" + std::to_string(f) + "/";
        for (const PairCase& p : kPairs) {
            EXPECT_EQ(files[sub + p.name]->FileState(), simple ? p.simple : p.full)
                << sub << p.name;
        }
        EXPECT_EQ(files[sub + "pipe"]->FileState(), StatusSame);
        EXPECT_EQ(files[sub + "loop"]->FileState(), StatusSame);
        EXPECT_EQ(files[sub + "sized"]->FileState(), StatusDifferent);
        // Root reads the unreadable side anyway and sees the difference.
        EXPECT_EQ(files[sub + "locked"]->FileState(),
                  geteuid() == 0 ? StatusDifferent : StatusSame);
    }
    // The same decision again, now with nothing computed ahead.
    for (auto& [path, item] : files) {
        const FileStatus before = item->FileState();
        cmp.DecideStatus(item);
        EXPECT_EQ(item->FileState(), before) << path;
        EXPECT_EQ(item->checksumVerdict, 0) << path;
    }
    // For anyone else an unreadable side gives no verdict.
    ASSERT_EQ(chmod(dir_.Path().c_str(), 0755), 0);
    EXPECT_TRUE(test::AsUnprivilegedUser([this] {
        Comparison unprivileged;
        int same = 0;
        for (const auto& [path, item] :
             Compare(unprivileged) ? Files(unprivileged) : std::map<std::string, DiffItem*>{}) {
            same += path.ends_with("/locked") && item->FileState() == StatusSame ? 1 : 0;
            same += path.ends_with("/sized") && item->FileState() == StatusDifferent ? 1 : 0;
        }
        return same == 2 * kFolders;
    }));
}

INSTANTIATE_TEST_SUITE_P(
    Modes, ChecksumPass,
    ::testing::Values(PassCase{"simple_read", ComparisonOptions::kChecksumSimple, false},
                      PassCase{"full_read", 1, false},
                      PassCase{"simple_recompute", ComparisonOptions::kChecksumSimple, true},
                      PassCase{"full_recompute", 1, true}),
    [](const auto& info) { return std::string(info.param.what); });

}  // namespace
}  // namespace quillon
