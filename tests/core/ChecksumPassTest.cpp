#include <gtest/gtest.h>
#include <sys/stat.h>

#include <map>
#include <string>
#include <vector>

#include "core/Comparison.h"
#include "support/TestDir.h"
#include "support/Unprivileged.h"

namespace quillon {
namespace {

// One pair of equal-size files and the status each checksum gives it.
struct PairCase {
    const char* name;
    std::string left;
    std::string right;
    FileStatus simple;  // first 3 characters
    FileStatus full;
};

const std::vector<PairCase>& Pairs() {
    static const std::vector<PairCase> pairs = {
        {"same.txt", "abcdef", "abcdef", StatusSame, StatusSame},
        {"first.txt", "abcdef", "abXdef", StatusDifferent, StatusDifferent},
        {"late.txt", "abcdef", "abcdeX", StatusSame, StatusDifferent},
        // CR LF reads as LF: "ab\n" on both sides in the first 3 characters.
        {"crlf.txt", "ab\r\nX", "ab\nXY", StatusSame, StatusDifferent},
        {"crcr.txt", "\r\r\n", "\r\n\n", StatusDifferent, StatusDifferent},
        {"cr-end.txt", "a\r", "a\n", StatusDifferent, StatusDifferent},
        // 0x1A ends the data: what follows it never counts.
        {"ctrlz.txt", "a\x1Ayz", "a\x1Azz", StatusSame, StatusSame},
        {"ctrlz-first.txt", "\x1Ay", "a\x1A", StatusDifferent, StatusDifferent},
        {"empty.txt", "", "", StatusSame, StatusSame},
        {"one.txt", "x", "y", StatusDifferent, StatusDifferent},
    };
    return pairs;
}

// Enough folders that the pairs fill several hand-overs to the helper threads.
constexpr int kFolders = 48;

enum class Pass { kWholeTreeRead, kRecompute };

struct PassCase {
    const char* what;
    int crc32;
    Pass pass;
};

class ChecksumPass : public ::testing::TestWithParam<PassCase> {
  protected:
    void SetUp() override {
        std::vector<test::TreeEntry> tree;
        for (int f = 0; f < kFolders; ++f) {
            const std::string sub = "d" + std::to_string(f) + "/";
            for (const PairCase& p : Pairs()) {
                tree.push_back({"left/" + sub + p.name, p.left});
                tree.push_back({"right/" + sub + p.name, p.right});
            }
        }
        dir_.MakeTree(tree);
        for (int f = 0; f < kFolders; ++f) {
            const std::string sub = "d" + std::to_string(f) + "/";
            dir_.MakeFifo("left/" + sub + "pipe");
            dir_.MakeFifo("right/" + sub + "pipe");
            // A link to itself cannot be opened: the checksum gives no verdict.
            dir_.Symlink("loop", "left/" + sub + "loop");
            dir_.WriteFile("right/" + sub + "loop", "");
            dir_.WriteFile("left/" + sub + "locked", "abc");
            dir_.WriteFile("right/" + sub + "locked", "abd");
            chmod((dir_ / ("left/" + sub + "locked")).c_str(), 0);
        }
    }

    // The pass under test: contents compared while the trees are read, or afterwards for the
    // whole tree at once.
    bool Compare(Comparison& cmp) const {
        cmp.readWholeTrees = true;
        cmp.options.crc32 = GetParam().pass == Pass::kRecompute ? 0 : GetParam().crc32;
        if (!cmp.CompareFolders(dir_ / "left", dir_ / "right", 0)) {
            return false;
        }
        cmp.options.crc32 = GetParam().crc32;
        if (GetParam().pass == Pass::kRecompute) {
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
    ASSERT_EQ(files.size(), size_t(kFolders) * (Pairs().size() + 3));
    for (int f = 0; f < kFolders; ++f) {
        const std::string sub = "d" + std::to_string(f) + "/";
        for (const PairCase& p : Pairs()) {
            EXPECT_EQ(files[sub + p.name]->FileState(), simple ? p.simple : p.full)
                << sub << p.name;
        }
        EXPECT_EQ(files[sub + "pipe"]->FileState(), StatusSame);
        EXPECT_EQ(files[sub + "loop"]->FileState(), StatusSame);
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
        }
        return same == kFolders;
    }));
}

INSTANTIATE_TEST_SUITE_P(
    Modes, ChecksumPass,
    ::testing::Values(
        PassCase{"simple_read", ComparisonOptions::kChecksumSimple, Pass::kWholeTreeRead},
        PassCase{"full_read", 1, Pass::kWholeTreeRead},
        PassCase{"simple_recompute", ComparisonOptions::kChecksumSimple, Pass::kRecompute},
        PassCase{"full_recompute", 1, Pass::kRecompute}),
    [](const auto& info) { return std::string(info.param.what); });

// The content comparison stays the last rule: a size difference decides without opening files,
// and files at the size limit are never read.
TEST(ChecksumPassRules, OnlyPairsThatAgreeOtherwiseAreRead) {
    test::TestDir dir;
    std::vector<test::TreeEntry> tree;
    for (int i = 0; i < 40; ++i) {
        const std::string n = "f" + std::to_string(i);
        tree.push_back({"left/" + n, "abc"});
        tree.push_back({"right/" + n, "abd"});
        tree.push_back({"left/s" + n, "abc"});
        tree.push_back({"right/s" + n, "abcd"});
    }
    dir.MakeTree(tree);
    for (int i = 0; i < 40; ++i) {
        // Unreadable for the checksum, but its size alone already differs.
        chmod((dir / ("left/sf" + std::to_string(i))).c_str(), 0);
    }
    Comparison cmp;
    cmp.readWholeTrees = true;
    cmp.options.crc32SizeToSkip = 3;  // every 3-byte file is at the limit
    ASSERT_TRUE(cmp.CompareFolders(dir / "left", dir / "right", 0));
    int same = 0;
    int different = 0;
    for (const DiffItem* c = cmp.rootItem->firstChild; c; c = c->next) {
        if (!c->isFile) {
            continue;
        }
        EXPECT_EQ(c->FileState(), c->name[0] == 's' ? StatusDifferent : StatusSame) << c->name;
        (c->FileState() == StatusSame ? same : different) += 1;
    }
    EXPECT_EQ(same, 40);
    EXPECT_EQ(different, 40);
}

}  // namespace
}  // namespace quillon
