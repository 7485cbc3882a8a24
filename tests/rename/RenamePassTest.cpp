// The rename pass on the real file system: chains, cycles, case-only and unchanged names, byte
// names, targets in the way; no content is ever lost and the journal's undo puts every name back.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "base/StringPrintf.h"
#include "fileops/Backups.h"
#include "fileops/FileCopy.h"
#include "fileops/UndoRun.h"
#include "platform/FaultFileSystem.h"
#include "platform/RunContext.h"
#include "rename/RenamePass.h"
#include "support/FakePrompter.h"
#include "support/FileOpsSupport.h"
#include "support/TestDir.h"

namespace quillon {
namespace {

using test::FakePrompter;
using Files = std::map<std::string, std::string>;

// Every file of the folder with its content, each named as it is on disk.
Files Read(const test::TestDir& dir) {
    Files files;
    for (const std::string& path : dir.List()) {
        files[path] = dir.ReadFile(path);
    }
    return files;
}

struct Move {
    std::string from, to;
};

RenamePassResult Pass(test::TestDir& dir, const std::vector<Move>& moves, UndoJournal* journal,
                      FakePrompter& prompter, FileSystem& fs = RealFileSystem()) {
    std::vector<RenameEntry> entries;
    std::vector<RuleResult> rules;
    for (const Move& move : moves) {
        entries.push_back({dir.Path(), move.from, true});
        rules.push_back({move.to, {}, {}});
    }
    return RunRenamePass(fs, prompter, entries, rules, {journal, 0, {}});
}

bool UndoLast(UndoJournal& journal, FakePrompter& prompter) {
    FileOpsContext ctx(RealFileSystem(), &journal);
    UndoScope scope{ctx, journal, prompter};
    // As the window does it: on a copy, oldest child first.
    return UndoGroup(scope, *CopyGroup(*journal.undoList.front(), true));
}

struct PassCase {
    const char* what;
    Files before;
    std::vector<Move> moves;
    Files after;
    std::string failures;
};

// Each pass renames what it should and nothing else; undo restores the first state exactly.
TEST(RenamePass, OrdersChainsAndCyclesAndUndoesExactly) {
    const PassCase cases[] = {
        {"swap", {{"a", "1"}, {"b", "2"}}, {{"a", "b"}, {"b", "a"}}, {{"a", "2"}, {"b", "1"}}, ""},
        {"chain", {{"a", "1"}, {"b", "2"}}, {{"a", "b"}, {"b", "c"}}, {{"b", "1"}, {"c", "2"}}, ""},
        {"three-cycle",
         {{"a", "1"}, {"b", "2"}, {"c", "3"}},
         {{"a", "b"}, {"b", "c"}, {"c", "a"}},
         {{"a", "3"}, {"b", "1"}, {"c", "2"}},
         ""},
        {"case only", {{"a.txt", "1"}}, {{"a.txt", "A.txt"}}, {{"A.txt", "1"}}, ""},
        {"case only onto another file",
         {{"a.txt", "1"}, {"A.txt", "2"}},
         {{"a.txt", "A.txt"}},
         {{"a.txt", "1"}, {"A.txt", "2"}},
         "a.txt (skipped to overwrite)\n"},
        {"latin-1 byte", {{"caf\xE9", "1"}}, {{"caf\xE9", "x\xE9.t"}}, {{"x\xE9.t", "1"}}, ""},
        {"unchanged is skipped",
         {{"a", "1"}, {"b", "2"}},
         {{"a", "a"}, {"b", "c"}},
         {{"a", "1"}, {"c", "2"}},
         "a (skipped to overwrite)\n"},
        {"onto an unrenamed item",
         {{"a", "1"}, {"b", "2"}},
         {{"a", "b"}, {"b", "b"}},
         {{"a", "1"}, {"b", "2"}},
         "a (\tErrorCode: [17]=File exists)\nb (skipped to overwrite)\n"},
    };
    for (const PassCase& c : cases) {
        ScopedRunContext run;
        test::TestDir dir;
        for (const auto& [name, content] : c.before) {
            dir.WriteFile(name, content);
        }
        UndoJournal journal("0101000000");
        FakePrompter prompter;
        const RenamePassResult result = Pass(dir, c.moves, &journal, prompter);
        EXPECT_EQ(Read(dir), c.after) << c.what;
        EXPECT_EQ(result.failures, c.failures) << c.what;
        EXPECT_TRUE(prompter.shown.empty()) << c.what;
        if (result.journalled) {
            ASSERT_EQ(journal.undoList.size(), 1u) << c.what;
            EXPECT_TRUE(UndoLast(journal, prompter)) << c.what;
        }
        EXPECT_EQ(Read(dir), c.before) << c.what;
    }
}

// A target that is no selected item: asked once; Yes skips, No moves it aside under the journal's
// backup name (kept by undo) or, without a journal, replaces it.
TEST(RenamePass, ExistingTargets) {
    for (const int answer : {mbr::kYes, mbr::kNo}) {
        for (const bool journalled : {true, false}) {
            ScopedRunContext run;
            test::TestDir dir;
            dir.MakeTree({{"a", "1"}, {"b", "2"}, {"x", "X"}, {"y", "Y"}, {"A", "3"}});
            UndoJournal journal("0101000000");
            FakePrompter prompter;
            prompter.script = {answer};
            const RenamePassResult result = Pass(dir, {{"a", "x"}, {"b", "y"}, {"A", "a2"}},
                                                 journalled ? &journal : nullptr, prompter);
            const std::string context = std::string(answer == mbr::kYes ? "skip" : "overwrite") +
                                        (journalled ? " journalled" : "");
            ASSERT_EQ(prompter.shown.size(), 1u) << context;
            EXPECT_EQ(prompter.shown[0].text,
                      "About to rename\t\"a\"\nto\t\t\t\"x\".\nHowever, since \"x\" already "
                      "exists, it will be overwritten.\n\nDo you want to skip renaming this "
                      "file?\nNote:\tThe same action will be taken if the target file already "
                      "exists\n\tfor the remaining file(s).");
            int aside = 0;
            const Files byOriginal = test::ByOriginalName(dir, "", &aside);
            if (answer == mbr::kYes) {
                EXPECT_EQ(result.failures, "a (skipped to overwrite)\nb (skipped to overwrite)\n")
                    << context;
                EXPECT_EQ(Read(dir),
                          (Files{{"a", "1"}, {"a2", "3"}, {"b", "2"}, {"x", "X"}, {"y", "Y"}}))
                    << context;
            } else if (journalled) {
                EXPECT_EQ(aside, 2) << context;
                EXPECT_EQ(dir.ReadFile("x"), "1") << context;
                EXPECT_EQ(dir.ReadFile("y"), "2") << context;
                EXPECT_TRUE(UndoLast(journal, prompter)) << context;
                EXPECT_EQ(Read(dir),
                          (Files{{"A", "3"}, {"a", "1"}, {"b", "2"}, {"x", "X"}, {"y", "Y"}}))
                    << context;
            } else {
                EXPECT_EQ(Read(dir), (Files{{"a2", "3"}, {"x", "1"}, {"y", "2"}})) << context;
            }
        }
    }
}

// A move that fails in the middle of a cycle loses nothing: every content is still on disk,
// under its own name or the step-aside name, and the failure is listed.
TEST(RenamePass, FailedMoveInACycleKeepsEveryFile) {
    for (uint64_t nth = 1; nth <= 4; ++nth) {
        ScopedRunContext run;
        test::TestDir dir;
        dir.MakeTree({{"a", "1"}, {"b", "2"}, {"c", "3"}});
        FaultFileSystem fs;
        fs.FailNth(FsCall::Rename, nth, EIO);
        UndoJournal journal("0101000000");
        FakePrompter prompter;
        const RenamePassResult result =
            Pass(dir, {{"a", "b"}, {"b", "c"}, {"c", "a"}}, &journal, prompter, fs);
        EXPECT_NE(result.failures.find("ErrorCode: [5]"), std::string::npos) << nth;
        std::multiset<std::string> contents;
        for (const auto& [name, content] : Read(dir)) {
            contents.insert(content);
        }
        EXPECT_EQ(contents, (std::multiset<std::string>{"1", "2", "3"})) << nth;
        if (result.journalled) {
            EXPECT_TRUE(UndoLast(journal, prompter)) << nth;
        }
        EXPECT_EQ(Read(dir), (Files{{"a", "1"}, {"b", "2"}, {"c", "3"}})) << nth;
    }
}

// The pass stopped dead after each of its steps, as a kill would leave it, or with that step
// failing: every content is on disk under an original name, a new name or a backup name. The
// journal of a run that survived puts every name back; after a crash, the backups recovery
// restores without replacing anything.
TEST(RenamePass, StoppedOrFailedAtAnyStepKeepsEveryFile) {
    const struct {
        const char* what;
        std::vector<Move> moves;
    } cases[] = {
        {"three-cycle", {{"a", "b"}, {"b", "c"}, {"c", "a"}}},
        {"chain onto a name in the way", {{"a", "b"}, {"b", "x"}}},
    };
    const Files before = {{"a", "1"}, {"b", "2"}, {"c", "3"}, {"x", "X"}};
    const auto contents = [](const Files& files) {
        std::multiset<std::string> all;
        for (const auto& [name, content] : files) {
            all.insert(content);
        }
        return all;
    };
    for (const auto& c : cases) {
        bool stopped = true;
        for (uint64_t n = 0; stopped; ++n) {
            for (const auto& [failed, crashed] : {std::pair(false, false), std::pair(false, true),
                                                  std::pair(true, false), std::pair(true, true)}) {
                const std::string context =
                    std::string(c.what) + (failed ? ", failed step " : ", stopped after step ") +
                    std::to_string(failed ? n + 1 : n) + (crashed ? ", crashed" : "");
                ScopedRunContext run;
                test::TestDir dir;
                for (const auto& [name, content] : before) {
                    dir.WriteFile(name, content);
                }
                FaultFileSystem fs;
                if (failed) {
                    fs.FailNth(FsCall::Any, n + 1, EIO);
                } else {
                    fs.StopAfter(n);
                }
                UndoJournal journal("0101000000");
                FakePrompter prompter;
                prompter.script = {mbr::kNo};
                const RenamePassResult result = Pass(dir, c.moves, &journal, prompter, fs);
                stopped = failed ? stopped : fs.Fired();
                EXPECT_TRUE(fs.Fired() || result.journalled) << context;
                const Files after = Read(dir);
                EXPECT_EQ(contents(after), contents(before)) << context;
                for (const auto& [name, content] : after) {
                    EXPECT_TRUE(before.contains(name) || ParseBackupName(name)) << context << name;
                }
                if (!crashed) {
                    if (result.journalled) {
                        EXPECT_TRUE(UndoLast(journal, prompter)) << context;
                    }
                    EXPECT_EQ(Read(dir), before) << context;
                    continue;
                }
                BackupScan scan;
                ASSERT_EQ(FindBackups(RealFileSystem(), dir.Path(), "", scan), 0) << context;
                std::vector<std::string> problems;
                RestoreBackups(RealFileSystem(), scan.backups, problems);
                const Files restored = Read(dir);
                EXPECT_EQ(contents(restored), contents(before)) << context;
                // A backup stays only where its own name has been taken since.
                for (const auto& [name, content] : restored) {
                    const auto backup = ParseBackupName(name);
                    EXPECT_TRUE(!backup || restored.contains(backup->original)) << context << name;
                }
            }
        }
    }
}

// Numbered files renumbered one up: a chain as long as the list, each file one place on.
TEST(RenamePass, RenumberingIsOneLongChain) {
    ScopedRunContext run;
    test::TestDir dir;
    std::vector<RenameEntry> entries;
    Files before, after;
    for (int i = 1; i <= 300; ++i) {
        const std::string name = StringPrintf("%.3d", i);
        dir.WriteFile(name, name);
        entries.push_back({dir.Path(), name, true});
        before[name] = name;
        after[StringPrintf("%.3d", i + 1)] = name;
    }
    RenameOptions options;
    options.page2.numberField = "002";
    UndoJournal journal("0101000000");
    FakePrompter prompter;
    const RenamePassResult result = RunRenamePass(RealFileSystem(), prompter, entries,
                                                  NewNames(2, options, entries), {&journal, 1, {}});
    EXPECT_EQ(result.renamed, 300);
    EXPECT_EQ(Read(dir), after);
    EXPECT_TRUE(UndoLast(journal, prompter));
    EXPECT_EQ(Read(dir), before);
}

}  // namespace
}  // namespace quillon
