// No user byte is ever lost: whichever call of a journalled copy (or of its undo, redo or purge)
// fails, with whichever errno, and wherever the process dies, every original file is at its path or
// in a "$diffundo" backup in the same folder, the source is untouched and nothing outside the two
// trees changes.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <set>

#include "fileops/CopyFilesDirsTo.h"
#include "fileops/FileCopy.h"
#include "fileops/UndoJournal.h"
#include "fileops/UndoRun.h"
#include "platform/FaultFileSystem.h"
#include "platform/Prompter.h"
#include "platform/RunContext.h"
#include "support/FakePrompter.h"
#include "support/FileOpsSupport.h"
#include "support/KillAtStep.h"
#include "support/ScopedEnv.h"
#include "support/TestDir.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;
using Snapshot = std::map<std::string, std::string>;  // relative path -> bytes ("/" for a folder)

// Thousands of simulated runs need no device: in memory, a rename over a file does not wait for
// the data the way a disk file system does.
std::string InMemory() {
    const char* tmp = std::getenv("TMPDIR");
    return access("/dev/shm", W_OK) == 0 ? "/dev/shm" : tmp && *tmp ? tmp : "/tmp";
}

Snapshot Take(const std::string& root) {
    Snapshot shot;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string rel = fs::relative(entry.path(), root).string();
        if (entry.is_symlink()) {
            shot[rel] = "->" + fs::read_symlink(entry.path()).string();
        } else if (entry.is_directory()) {
            shot[rel] = "/";
        } else {
            std::ifstream in(entry.path(), std::ios::binary);
            shot[rel] = std::string(std::istreambuf_iterator<char>(in), {});
        }
    }
    return shot;
}

bool IsBackupOf(std::string_view name, std::string_view original) {
    return name.starts_with(kUndoMarker) && !name.starts_with(kTempMarker) &&
           name.size() > original.size() + 1 && name.ends_with("$" + std::string(original));
}

// The backup root that holds `path`'s original bytes ("" when `path` itself does). Any folder on
// the way may have been backed up instead, as a whole, in its own parent folder.
std::optional<std::string> Holder(const Snapshot& after, const std::string& path,
                                  const std::string& bytes) {
    if (auto it = after.find(path); it != after.end() && it->second == bytes) {
        return "";
    }
    for (size_t slash = path.find('/'); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        const std::string parent = path.substr(0, slash + 1);
        const size_t end = path.find('/', slash + 1);
        const std::string component =
            path.substr(slash + 1, end == std::string::npos ? end : end - slash - 1);
        const std::string rest = end == std::string::npos ? "" : path.substr(end);
        for (auto it = after.lower_bound(parent);
             it != after.end() && it->first.starts_with(parent); ++it) {
            const std::string name = it->first.substr(parent.size());
            if (name.find('/') != std::string::npos || !IsBackupOf(name, component)) {
                continue;
            }
            if (auto inside = after.find(parent + name + rest);
                inside != after.end() && inside->second == bytes) {
                return parent + name;
            }
        }
    }
    return std::nullopt;
}

struct Scenario {
    const char* what;
    std::vector<test::TreeEntry> tree;  // below S (source), D (destination) and O (outside)
    const char* source;                 // below S, copied into D
    size_t batch = CopyBatch{}.files;   // files a folder copy makes durable together
};

const Scenario kScenarios[] = {
    {"over nothing",
     {{"S/item/a", "new a"}, {"S/item/sub/b", "new b"}, {"D/keep", "k"}, {"O/o", "o"}},
     "item"},
    {"over a file", {{"S/f.txt", "new f"}, {"D/f.txt", "old f"}, {"O/o", "o"}}, "f.txt"},
    {"over a folder",
     {{"S/item/a", "new a"},
      {"S/item/n", "new n"},
      {"S/item/sub/b", "new b"},
      {"S/item/t/c", "new c"},
      {"D/item/a", "old a"},
      {"D/item/c", "old c"},
      {"D/item/sub/b", "old b"},
      {"D/item/sub/z", "old z"},
      {"O/o", "o"}},
     "item"},
    // Batches that end inside a folder and span folders, with folder times set in a later one.
    {"over a folder in batches of two",
     {{"S/item/a", "new a"},
      {"S/item/b", "new b"},
      {"S/item/c", "new c"},
      {"S/item/sub/d", "new d"},
      {"S/item/sub/e", "new e"},
      {"D/item/a", "old a"},
      {"D/item/c", "old c"},
      {"D/item/sub/e", "old e"},
      {"O/o", "o"}},
     "item",
     2},
};

const int kErrnos[] = {ENOSPC, EACCES, EIO, EXDEV, ENAMETOOLONG, EEXIST};
// How far after a first failure a second one is tried: the cleanup of a failed item is short.
constexpr uint64_t kCleanupSteps = 4;

// The backups the journal holds after a run.
std::set<std::string> Recorded(const UndoJournal& journal, const std::string& root) {
    std::set<std::string> backups;
    for (const auto& group : journal.undoList) {
        for (const auto& item : group->Children) {
            for (const std::string* tmp : {&item->Tmp1, &item->Tmp2}) {
                if (tmp->starts_with(root + "/")) {
                    backups.insert(tmp->substr(root.size() + 1));
                }
            }
        }
    }
    return backups;
}

void RunCopy(FaultFileSystem& fs, const test::TestDir& dir, const Scenario& scenario,
             std::set<std::string>* recorded = nullptr) {
    ScopedRunContext run;
    UndoJournal journal("0101000000");
    FileOpsContext ctx(fs, &journal);
    ctx.batch.files = scenario.batch;
    test::FakePrompter prompter;
    test::FakeAsker asker;
    CopyFilesDirsTo(ctx, prompter, asker, 1, dir / "D",
                    {dir / ("S/" + std::string(scenario.source))}, true);
    if (recorded != nullptr) {
        *recorded = Recorded(journal, dir.Path());
    }
}

// `recorded`: after a failure the process survived, a replaced original must be in a backup the
// journal holds (an unrecorded one could never be undone nor purged).
void CheckInvariant(const Snapshot& before, const Snapshot& after,
                    const std::set<std::string>* recorded, const std::string& context) {
    for (const auto& [path, bytes] : before) {
        if (!path.starts_with("D/")) {
            EXPECT_TRUE(after.contains(path) && after.at(path) == bytes) << context << ": " << path;
            continue;
        }
        if (bytes == "/") {
            continue;
        }
        const std::optional<std::string> holder = Holder(after, path, bytes);
        ASSERT_TRUE(holder.has_value()) << context << ": lost " << path;
        if (recorded != nullptr && !holder->empty()) {
            EXPECT_TRUE(recorded->contains(*holder)) << context << ": unrecorded " << *holder;
        }
    }
    for (const auto& [path, bytes] : after) {
        EXPECT_TRUE(path.starts_with("D/") || before.contains(path)) << context << ": " << path;
    }
}

class CopyFaults : public ::testing::TestWithParam<std::tuple<int, bool>> {};

TEST_P(CopyFaults, EveryStepFailsOrIsKilledWithoutLosingAByte) {
    const test::ScopedEnv inMemory("TMPDIR", InMemory());
    const Scenario& scenario = kScenarios[std::get<0>(GetParam())];
    const bool tmpFile = std::get<1>(GetParam());
    // `strict`: the process survived with its cleanup intact, so every backup must be recorded.
    const auto attempt = [&](auto&& plan, bool strict, const std::string& context) {
        test::TestDir dir;
        dir.MakeTree(scenario.tree);
        const Snapshot before = Take(dir.Path());
        FaultFileSystem fs;
        fs.WithoutDurability();
        if (!tmpFile) {
            fs.WithoutTmpFile();
        }
        plan(fs);
        std::set<std::string> recorded;
        RunCopy(fs, dir, scenario, &recorded);
        CheckInvariant(before, Take(dir.Path()), strict ? &recorded : nullptr, context);
        return fs.Steps();
    };
    const uint64_t steps = attempt([](FaultFileSystem&) {}, true, scenario.what);
    ASSERT_GT(steps, 5u);
    for (uint64_t n = 1; n <= steps; ++n) {
        for (const int error : kErrnos) {
            attempt([&](FaultFileSystem& fs) { fs.FailNth(FsCall::Any, n, error); }, true,
                    std::string(scenario.what) + ", step " + std::to_string(n) + " fails with " +
                        std::to_string(error));
        }
        attempt([&](FaultFileSystem& fs) { fs.StopAfter(n - 1); }, false,
                std::string(scenario.what) + ", killed after step " + std::to_string(n - 1));
        // The cleanup after a failure fails too: whatever it could not put back stays safe.
        for (uint64_t later = n + 1; later <= n + kCleanupSteps; ++later) {
            attempt(
                [&](FaultFileSystem& fs) {
                    fs.FailNth(FsCall::Any, n, EIO);
                    fs.FailNth(FsCall::Any, later, EIO);
                },
                false,
                std::string(scenario.what) + ", steps " + std::to_string(n) + " and " +
                    std::to_string(later) + " fail");
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Scenarios, CopyFaults,
                         ::testing::Combine(::testing::Range(0, int{std::size(kScenarios)}),
                                            ::testing::Bool()));

// A backup name already taken (a crash's leftover, another instance in the same second) fails
// the item; the earlier backup is never replaced.
TEST(CopyFaults, TakenBackupNameFailsTheItem) {
    test::TestDir dir;
    dir.MakeTree(
        {{"S/f.txt", "new"}, {"D/f.txt", "old"}, {"D/$diffundo01010000000000$f.txt", "earlier"}});
    FaultFileSystem fs;
    RunCopy(fs, dir, kScenarios[1]);
    EXPECT_EQ(dir.ReadFile("D/f.txt"), "old");
    EXPECT_EQ(dir.ReadFile("D/$diffundo01010000000000$f.txt"), "earlier");
}

// The real thing: a child copying a folder of many files over an existing one is killed by
// SIGKILL at seeded steps; the disk it leaves keeps every original byte.
TEST(CopyFaults, KilledChildLeavesEveryOriginal) {
    std::mt19937 random(20261206);
    std::vector<test::TreeEntry> tree{{"O/o", "o"}};
    for (int i = 0; i < 120; ++i) {
        const std::string name = "sub" + std::to_string(i % 7) + "/f" + std::to_string(i);
        tree.push_back({"S/item/" + name, std::string(1000 + i * 97, 'n')});
        if (i % 3 != 0) {
            tree.push_back({"D/item/" + name, std::string(900 + i * 31, 'o')});
        }
    }
    const Scenario scenario{"killed", tree, "item", 16};
    for (int round = 0; round < 20; ++round) {
        test::TestDir dir;
        dir.MakeTree(tree);
        const Snapshot before = Take(dir.Path());
        // Most runs take well below 3000 steps; a later point lets some of them finish.
        const uint64_t killAt = std::uniform_int_distribution<uint64_t>(1, 3000)(random);
        test::RunKilledAtStep(killAt, [&](FaultFileSystem& fs) { RunCopy(fs, dir, scenario); });
        CheckInvariant(before, Take(dir.Path()), nullptr,
                       "killed at step " + std::to_string(killAt));
    }
}

// Undo, redo and purge of a journalled copy or move: whichever call fails, every byte the step
// is not meant to replace stays at its path or in a "$diffundo" backup beside it; a moved one
// may also be at its other place.
struct JournalScenario {
    const Scenario& journalled;
    bool copy;  // or move
};

const JournalScenario kJournalScenarios[] = {
    {kScenarios[1], true}, {kScenarios[2], true}, {kScenarios[2], false}};

enum class JournalStep { kUndo, kRedo, kPurge };

// Whether `bytes`, once at `path`, are still there, in a backup beside it, or (for what a move
// or a redo carries from S to D) at the other place.
bool Kept(const Snapshot& after, const std::string& path, const std::string& bytes) {
    if (Holder(after, path, bytes)) {
        return true;
    }
    const bool inSource = path.starts_with("S/");
    const std::string other = (inSource ? "D/" : "S/") + path.substr(2);
    return (inSource || path.starts_with("D/")) && Holder(after, other, bytes).has_value();
}

uint64_t RunJournalStep(const JournalScenario& scenario, JournalStep step,
                        const std::function<void(FaultFileSystem&)>& plan,
                        const std::string& context) {
    ScopedRunContext run;
    test::TestDir dir;
    dir.MakeTree(scenario.journalled.tree);
    UndoJournal journal("0101000000");
    FileOpsContext real(RealFileSystem(), &journal);
    test::FakePrompter prompter;
    test::FakeAsker asker;
    CopyFilesDirsTo(real, prompter, asker, 1, dir / "D",
                    {dir / ("S/" + std::string(scenario.journalled.source))}, scenario.copy);
    EXPECT_EQ(journal.undoList.size(), 1u) << context;
    std::unique_ptr<UndoRecord> group = CopyGroup(*journal.undoList.front(), true);
    if (step == JournalStep::kRedo) {
        UndoScope scope{real, journal, prompter};
        EXPECT_TRUE(UndoGroup(scope, *group)) << context;
    }
    const Snapshot before = Take(dir.Path());
    FaultFileSystem fs;
    fs.WithoutDurability();
    plan(fs);
    FileOpsContext ctx(fs, &journal);
    UndoScope scope{ctx, journal, prompter};
    switch (step) {
        case JournalStep::kUndo:
            UndoGroup(scope, *group);
            break;
        case JournalStep::kRedo:
            RedoGroup(ctx, *group);
            break;
        case JournalStep::kPurge:
            ClearUndoJournal(ctx, journal, true);
            break;
    }
    const Snapshot after = Take(dir.Path());
    for (const auto& [path, bytes] : before) {
        if (bytes == "/" || path.find(kUndoMarker) != std::string::npos) {
            continue;
        }
        // A redo replaces the destination's items with the source's on purpose.
        const bool replacedOnPurpose = step == JournalStep::kRedo && path.starts_with("D/") &&
                                       after.contains(path) &&
                                       before.contains("S/" + path.substr(2)) &&
                                       after.at(path) == before.at("S/" + path.substr(2));
        EXPECT_TRUE(replacedOnPurpose || Kept(after, path, bytes)) << context << ": " << path;
    }
    return fs.Steps();
}

class JournalFaults : public ::testing::TestWithParam<std::tuple<int, JournalStep>> {};

TEST_P(JournalFaults, EveryStepFailsWithoutLosingAByte) {
    const test::ScopedEnv inMemory("TMPDIR", InMemory());
    const JournalScenario& scenario = kJournalScenarios[std::get<0>(GetParam())];
    const JournalStep step = std::get<1>(GetParam());
    const std::string what =
        (scenario.copy ? "copied " : "moved ") + std::string(scenario.journalled.what);
    const uint64_t steps = RunJournalStep(
        scenario, step, [](FaultFileSystem&) {}, what);
    ASSERT_GT(steps, 2u);
    for (uint64_t n = 1; n <= steps; ++n) {
        const std::string at = what + ", step " + std::to_string(n);
        RunJournalStep(
            scenario, step, [n](FaultFileSystem& fs) { fs.FailNth(FsCall::Any, n, EIO); },
            at + " fails");
        RunJournalStep(
            scenario, step, [n](FaultFileSystem& fs) { fs.StopAfter(n - 1); }, at + " never runs");
    }
}

INSTANTIATE_TEST_SUITE_P(Scenarios, JournalFaults,
                         ::testing::Combine(::testing::Range(0, int{std::size(kJournalScenarios)}),
                                            ::testing::Values(JournalStep::kUndo,
                                                              JournalStep::kRedo,
                                                              JournalStep::kPurge)));

}  // namespace
}  // namespace quillon
