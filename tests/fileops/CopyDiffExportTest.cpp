// The copy-diff export: exactly the differing files of the chosen sides land below the
// destination with their layout, links as links, special files skipped; a destination that meets
// a compared folder is refused whatever path names it; Cancel stops the walk.
#include "fileops/CopyDiffExport.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "fileops/FileCopy.h"
#include "platform/FaultFileSystem.h"
#include "support/FakeProgress.h"
#include "support/KillAtStep.h"
#include "support/RunProcess.h"
#include "support/ScopedEnv.h"
#include "support/TestDir.h"

namespace quillon {
namespace {

// A pair of trees with every kind of row, and beside it the files an export must produce.
struct GeneratedPair {
    test::TestDir dir;
    std::string left = dir / "L";
    std::string right = dir / "R";
    int differing = 0;  // file pairs with the status Different

    GeneratedPair() {
        const time_t t = test::LocalTime(2015, 3, 4, 5, 6);
        const char* const names[] = {"plain.txt", "sp ace.doc", "it's \"q\".txt", "$(rm -rf x);",
                                     "-lead",     "new\nline",  "caf\xC3\xA9.md", "Mixed.CASE"};
        const char* const folders[] = {"", "a/", "a/b/", "deep/er/st/", "-x/$(y)/"};
        int n = 0;
        for (const char* folder : folders) {
            for (const char* name : names) {
                const std::string rel = std::string(folder) + name;
                switch (n++ % 5) {
                    case 0:  // the same on both sides
                        dir.MakeTree(
                            {{"L/" + rel, "same " + rel, t}, {"R/" + rel, "same " + rel, t}});
                        break;
                    case 1:  // different: sizes differ
                        dir.MakeTree(
                            {{"L/" + rel, "left " + rel, t}, {"R/" + rel, "right!" + rel, t}});
                        Expect(rel, "left " + rel, "right!" + rel);
                        break;
                    case 2:
                        dir.WriteFile("L/" + rel, "only left", t);
                        break;
                    case 3:
                        dir.WriteFile("R/" + rel, "only right", t);
                        break;
                    default:  // only the folder exists on the other side
                        dir.MakeTree({{"L/" + rel, "x", t}, {"R/" + std::string(folder), ""}});
                        break;
                }
            }
        }
        // A link on the left against a file on the right: the link itself is exported.
        dir.WriteFile("L/a/target.txt", "t", t);
        dir.WriteFile("R/a/target.txt", "t", t);
        dir.Symlink("target.txt", "L/a/link");
        dir.WriteFile("R/a/link", "a longer file", t);
        dir.Symlink("target.txt", "E0/a/link");
        dir.Symlink("target.txt", "E2/_Left/a/link");
        dir.WriteFile("E1/a/link", "a longer file");
        dir.WriteFile("E2/_Right/a/link", "a longer file");
        ++differing;
        // A FIFO against a file: never opened, the file on the other side still goes.
        dir.MakeFifo("L/b/pipe");
        dir.WriteFile("R/b/pipe", "data", t);
        dir.WriteFile("E1/b/pipe", "data");
        dir.WriteFile("E2/_Right/b/pipe", "data");
        ++differing;
    }

    // The expected results of exports from the left (E0), the right (E1) and both (E2).
    void Expect(const std::string& rel, const std::string& l, const std::string& r) {
        dir.WriteFile("E0/" + rel, l);
        dir.WriteFile("E1/" + rel, r);
        dir.WriteFile("E2/_Left/" + rel, l);
        dir.WriteFile("E2/_Right/" + rel, r);
        ++differing;
    }
};

// `diff -r` of two trees, links compared as links; its output when they differ.
std::string DiffTrees(const std::string& expected, const std::string& actual) {
    const test::ProcessResult r =
        test::RunProcess("/usr/bin/diff", {"-r", "--no-dereference", expected, actual});
    return r.status == 0 ? std::string()
                         : "status " + std::to_string(r.status) + "\n" + r.out + r.err;
}

// Files and links below `folder`, which may not exist.
int FilesBelow(const std::string& folder) {
    std::error_code error;
    int count = 0;
    for (auto it = std::filesystem::recursive_directory_iterator(folder, error);
         it != std::filesystem::recursive_directory_iterator(); ++it) {
        count += it->is_directory() && !it->is_symlink() ? 0 : 1;
    }
    return count;
}

CopyDiffResult Export(GeneratedPair& pair, int side, const std::string& destination,
                      ProgressSink* progress = nullptr) {
    CopyDiffRequest request;
    request.left = pair.left;
    request.right = pair.right;
    request.destination = destination;
    request.side = side;
    FileOpsContext ctx(RealFileSystem());
    ctx.progress = progress;
    CopyDiffResult result;
    std::string why;
    EXPECT_EQ(RunCopyDiffExport(request, ctx, nullptr, result, &why), CopyDiffStatus::kDone) << why;
    return result;
}

class CopyDiffSides : public ::testing::TestWithParam<int> {};

// The export of each side holds exactly the expected subset, byte for byte, in a destination that
// did not exist; a second export over it (after a source changed) replaces what the first wrote.
TEST_P(CopyDiffSides, ExportsExactlyTheDifferingFiles) {
    const int side = GetParam();
    GeneratedPair pair;
    const std::string dest = pair.dir / "out/new";
    const std::string expected = pair.dir / ("E" + std::to_string(side));
    CopyDiffResult result = Export(pair, side, dest);
    EXPECT_EQ(DiffTrees(expected, dest), "");
    const int sides = side == kExportFromBoth ? 2 : 1;
    // The FIFO is the one entry skipped, and only when the left side is exported.
    const int skipped = side == kExportFromRight ? 0 : 1;
    EXPECT_EQ(result.copied, pair.differing * sides - skipped);
    EXPECT_EQ(result.skipped, skipped);
    EXPECT_EQ(result.failed, 0);
    EXPECT_FALSE(result.cancelled);
    EXPECT_EQ(CopyDiffSummaryText(result, dest),
              std::to_string(result.copied) + " file(s) copied to " + dest + ".");

    const std::string rel = "a/b/sp ace.doc";
    pair.dir.WriteFile("L/" + rel, "changed on the left, longer");
    pair.dir.WriteFile("R/" + rel, "changed on the right");
    if (side != kExportFromRight) {
        pair.dir.WriteFile(std::string(side == 2 ? "E2/_Left/" : "E0/") + rel,
                           "changed on the left, longer");
    }
    if (side != kExportFromLeft) {
        pair.dir.WriteFile(std::string(side == 2 ? "E2/_Right/" : "E1/") + rel,
                           "changed on the right");
    }
    Export(pair, side, dest);
    EXPECT_EQ(DiffTrees(expected, dest), "");
}

INSTANTIATE_TEST_SUITE_P(Sides, CopyDiffSides, ::testing::Values(0, 1, 2));

// Where a destination meets a compared folder it is refused, however the path spells it.
TEST(CopyDiffDestination, RefusedWhenItMeetsAComparedFolder) {
    test::TestDir dir;
    dir.MakeTree({{"top/L/sub/f", "x"}, {"top/R/f", "y"}, {"file", "z"}, {"other/", ""}});
    dir.Symlink(dir / "top/L", "viaLink");
    dir.Symlink(dir / "top", "topLink");
    const std::string L = dir / "top/L";
    const std::string R = dir / "top/R";
    using C = ExportDestinationCheck;
    const struct {
        std::string destination;
        C expected;
    } cases[] = {
        {L, C::kIsCompared},
        {R + "/", C::kIsCompared},
        {dir / "viaLink", C::kIsCompared},
        {dir / "topLink/R", C::kIsCompared},
        {L + "/sub", C::kInsideCompared},
        {L + "/new/deeper", C::kInsideCompared},
        {dir / "viaLink/sub/new", C::kInsideCompared},
        {dir / "top", C::kContainsCompared},
        {dir / "topLink", C::kContainsCompared},
        {dir.Path(), C::kContainsCompared},
        {"/", C::kContainsCompared},
        {dir / "file", C::kNotAFolder},
        {dir / "file/below", C::kNotAFolder},
        {dir / "other", C::kOk},
        {dir / "other/new/deeper", C::kOk},
        {dir / "top/new", C::kOk},
    };
    for (const auto& c : cases) {
        std::string why;
        EXPECT_EQ(CheckExportDestination(c.destination, L, R, &why), c.expected)
            << c.destination << ": " << why;
        EXPECT_EQ(why.empty(), c.expected == C::kOk) << c.destination;
    }
    // The refusal is made before anything is read or written.
    CopyDiffRequest request{L, R, L + "/sub/export", kExportFromBoth, {}, {}};
    FileOpsContext ctx(RealFileSystem());
    CopyDiffResult result;
    EXPECT_EQ(RunCopyDiffExport(request, ctx, nullptr, result, nullptr),
              CopyDiffStatus::kBadDestination);
    EXPECT_FALSE(dir.Exists("top/L/sub/export"));
}

// Cancel stops the walk: the summary tells how many files were copied before it, or that none
// was; no file is copied after the cancel.
TEST(CopyDiffCancel, StopsTheWalkAndSaysHowFarItGot) {
    GeneratedPair pair;
    for (const int after : {1, 12}) {
        const std::string dest = pair.dir / ("cancel" + std::to_string(after));
        test::ProgressRecord record;
        test::FakeProgressSink progress(record, after);
        const CopyDiffResult result = Export(pair, kExportFromLeft, dest, &progress);
        EXPECT_TRUE(result.cancelled);
        EXPECT_LT(result.copied, pair.differing);
        EXPECT_EQ(FilesBelow(dest), result.copied);
        if (result.copied == 0) {
            EXPECT_EQ(CopyDiffSummaryText(result, dest),
                      "Copying the diff files to " + dest + " has been cancelled.");
        } else {
            EXPECT_EQ(CopyDiffSummaryText(result, dest),
                      "Copying the diff files to " + dest + " has been cancelled,\nafter " +
                          std::to_string(result.copied) + " file(s) were copied to " + dest +
                          ".\n");
        }
        EXPECT_EQ(record.texts.front(), kCopyDiffProgressText);
        // Each step names its entry; a name object handed to printf as it is would print garbage.
        ASSERT_GE(record.texts.size(), 2u);
        const std::string& step = record.texts[1];
        ASSERT_TRUE(step.starts_with("Processing ")) << step;
        bool named = false;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(pair.left)) {
            named = named || step.compare(11, std::string::npos, entry.path().filename()) == 0 ||
                    step.starts_with("Processing " + entry.path().filename().string() + " ");
        }
        EXPECT_TRUE(named) << step;
    }
}

// A sparse file keeps its holes (at the start, inside and at the end) and its bytes.
TEST(CopyDiffSparse, HolesStayHoles) {
    test::TestDir dir;
    dir.MakeTree({{"L/s", "x"}, {"R/s", "y"}});
    const int fd = open((dir / "L/s").c_str(), O_WRONLY | O_TRUNC);
    ASSERT_GE(fd, 0);
    const off_t mb = off_t{1} << 20;
    ASSERT_EQ(pwrite(fd, "middle", 6, 3 * mb), 6);
    ASSERT_EQ(pwrite(fd, "later", 5, 7 * mb), 5);
    ASSERT_EQ(ftruncate(fd, 12 * mb), 0);
    close(fd);
    CopyDiffRequest request{dir / "L", dir / "R", dir / "out", kExportFromLeft, {}, {}};
    FileOpsContext ctx(RealFileSystem());
    CopyDiffResult result;
    ASSERT_EQ(RunCopyDiffExport(request, ctx, nullptr, result, nullptr), CopyDiffStatus::kDone);
    EXPECT_EQ(result.copied, 1);
    EXPECT_EQ(test::ReadWholeFile(dir / "out/s"), test::ReadWholeFile(dir / "L/s"));
    struct stat st {};
    ASSERT_EQ(stat((dir / "out/s").c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 12 * mb);
    EXPECT_LT(st.st_blocks * 512, mb);
}

// A second export over a first, through a file system that fails or stops dead at a chosen step.
struct ReExport {
    test::TestDir dir;
    std::map<std::string, std::string> old{{"a", "old a"}, {"sub/b", "old b"}, {"keep", "k"}};
    std::map<std::string, std::string> fresh{
        {"a", "new a, longer"}, {"sub/b", "new b"}, {"sub/deep/c", "new c"}, {"d", "new d"}};

    ReExport() {
        for (const auto& [rel, bytes] : fresh) {
            dir.MakeTree({{"L/" + rel, bytes}, {"R/" + rel, "r"}});
        }
        for (const auto& [rel, bytes] : old) {
            dir.WriteFile("D/" + rel, bytes);
        }
        // A sparse file, holes before and after its data, goes through the extent copy.
        std::string& sparse = fresh["s"] = std::string(256 << 10, '\0');
        sparse.replace(100 << 10, 4, "data");
        dir.MakeTree({{"L/s", ""}, {"R/s", "r"}});
        const int fd = open((dir / "L/s").c_str(), O_WRONLY);
        EXPECT_EQ(pwrite(fd, "data", 4, 100 << 10), 4);
        EXPECT_EQ(ftruncate(fd, static_cast<off_t>(sparse.size())), 0);
        close(fd);
    }

    // The number of steps the export took.
    uint64_t Run(FaultFileSystem& fs) {
        fs.WithoutDurability();
        CopyDiffRequest request{dir / "L", dir / "R", dir / "D", kExportFromLeft, {}, {}};
        FileOpsContext ctx(fs);
        ctx.batch.files = 2;  // flushes inside the walk and at its end
        CopyDiffResult result;
        EXPECT_EQ(RunCopyDiffExport(request, ctx, nullptr, result, nullptr), CopyDiffStatus::kDone);
        return fs.Steps();
    }

    // Every old file is still at its path, each name holds its old bytes or the whole new ones,
    // and a temporary ("$diffundo"-named) is left only by a run that stopped dead.
    void Check(bool stopped, const std::string& context) const {
        std::map<std::string, std::string> seen;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(dir / "D")) {
            const std::string rel = entry.path().lexically_relative(dir / "D").string();
            if (entry.path().filename().string().starts_with(kTempMarker)) {
                EXPECT_TRUE(stopped) << context << ": left " << rel;
            } else if (!entry.is_directory()) {
                seen[rel] = test::ReadWholeFile(entry.path());
            }
        }
        for (const auto& [rel, bytes] : seen) {
            const auto was = old.find(rel);
            const auto now = fresh.find(rel);
            EXPECT_TRUE((was != old.end() && was->second == bytes) ||
                        (now != fresh.end() && now->second == bytes))
                << context << ": " << rel << " holds \"" << bytes << "\"";
        }
        for (const auto& [rel, bytes] : old) {
            EXPECT_TRUE(seen.contains(rel)) << context << ": lost " << rel;
        }
    }
};

// Whichever step of the copy group fails (temporary, data, mode, sync, rename into place), with
// or without O_TMPFILE, or wherever it stops dead, no old byte is lost, no half-written file sits
// at a real name and a failure leaves no temporary.
TEST(CopyDiffFaults, EveryStepFailsOrStopsWithoutLosingAByte) {
    // Hundreds of runs need no device.
    const test::ScopedEnv inMemory("TMPDIR", access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp");
    for (const bool tmpFile : {true, false}) {
        FaultFileSystem clean;
        if (!tmpFile) {
            clean.WithoutTmpFile();
        }
        ReExport first;
        const uint64_t steps = first.Run(clean);
        first.Check(false, "no fault");
        for (const auto& [rel, bytes] : first.fresh) {
            EXPECT_EQ(first.dir.ReadFile("D/" + rel), bytes);
        }
        struct stat st {};
        ASSERT_EQ(stat((first.dir / "D/s").c_str(), &st), 0);
        EXPECT_LT(st.st_blocks * 512, st.st_size);
        // The steps a fault must reach: temporary, data (a clone where the file system can),
        // sync, and the rename (or link) into place.
        const std::vector<FsCall> trace = clean.Trace();
        const auto made = [&trace](FsCall kind) {
            return std::find(trace.begin(), trace.end(), kind) != trace.end();
        };
        EXPECT_TRUE(made(FsCall::Open) && made(FsCall::Sync) && made(FsCall::Rename));
        EXPECT_TRUE(made(FsCall::CopyRange) || made(FsCall::Clone));
        EXPECT_EQ(made(FsCall::Link), tmpFile);
        for (uint64_t n = 1; n <= steps; ++n) {
            const std::string at = (tmpFile ? "" : "no O_TMPFILE, ") + std::to_string(n);
            for (const int error : {EIO, ENOSPC}) {
                ReExport run;
                FaultFileSystem fs;
                if (!tmpFile) {
                    fs.WithoutTmpFile();
                }
                fs.FailNth(FsCall::Any, n, error);
                run.Run(fs);
                run.Check(false, "step " + at + " fails with " + std::to_string(error));
            }
            ReExport run;
            FaultFileSystem fs;
            if (!tmpFile) {
                fs.WithoutTmpFile();
            }
            fs.StopAfter(n - 1);
            run.Run(fs);
            run.Check(true, "stopped after step " + at);
        }
    }
}

// New names ride on the group's one write-back; only a copy that replaces a file is synced by
// itself before its rename, and a failed write-back fails every copy the group placed.
TEST(CopyDiffFaults, OnlyReplacementsAreSyncedOneByOne) {
    test::TestDir dir;
    dir.MakeTree({{"src/a", "1"}, {"src/b", "2"}, {"src/c", "3"}, {"out1/c", "old"}});
    const auto syncs = [](const std::vector<FsCall>& trace) {
        return std::count(trace.begin(), trace.end(), FsCall::Sync);
    };
    for (const bool withReplacement : {false, true}) {
        FaultFileSystem fs;
        FileOpsContext ctx(fs);
        FileCopyGroup group(ctx);
        const std::string out = withReplacement ? "out1/" : "out0/";
        const std::vector<std::string> names = withReplacement
                                                   ? std::vector<std::string>{"a", "b", "c"}
                                                   : std::vector<std::string>{"a", "b"};
        for (size_t i = 0; i < names.size(); ++i) {
            ASSERT_EQ(group.Add(dir / ("src/" + names[i]), dir / (out + names[i]), i), 0);
        }
        const uint64_t before = syncs(fs.Trace());
        for (const auto& [tag, error] : group.Flush()) {
            EXPECT_EQ(error, 0) << names[tag];
        }
        // Without a replacement: the write-back at the end. With one: a write-back first, the
        // replacement's own sync, and the write-back at the end.
        EXPECT_EQ(syncs(fs.Trace()) - before, withReplacement ? 3 : 1);
        EXPECT_EQ(dir.ReadFile(out + "a"), "1");
        EXPECT_EQ(dir.ReadFile("out1/c"), withReplacement ? "3" : "old");
    }
    FaultFileSystem failing;
    FileOpsContext ctx(failing);
    FileCopyGroup group(ctx);
    ASSERT_EQ(group.Add(dir / "src/a", dir / "again/a", 0), 0);
    ASSERT_EQ(group.Add(dir / "src/b", dir / "again/b", 1), 0);
    failing.FailEvery(FsCall::Sync, EIO);
    const auto results = group.Flush();
    ASSERT_EQ(results.size(), 2u);
    for (const auto& [tag, error] : results) {
        EXPECT_EQ(error, EIO) << tag;
    }
}

// The real thing: a child exporting over a first export is killed by SIGKILL at each step.
TEST(CopyDiffFaults, KilledChildLeavesEveryOldByte) {
    const test::ScopedEnv inMemory("TMPDIR", access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp");
    FaultFileSystem counter;
    const uint64_t steps = ReExport().Run(counter);
    for (uint64_t killAt = 1; killAt <= steps; ++killAt) {
        ReExport run;
        const int status =
            test::RunKilledAtStep(killAt, [&run](FaultFileSystem& fs) { run.Run(fs); });
        EXPECT_TRUE(WIFSIGNALED(status)) << "step " << killAt;
        run.Check(true, "killed at step " + std::to_string(killAt));
    }
}

}  // namespace
}  // namespace quillon
