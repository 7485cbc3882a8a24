// The pages' stored options, the stand-alone list and the timestamps page on real files.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/FaultFileSystem.h"
#include "platform/FileSystem.h"
#include "rename/RenameList.h"
#include "rename/TimestampPass.h"
#include "support/StoreFixture.h"

namespace quillon {
namespace {

using RenameStore = test::StoreFixture;

// An OK stores the mode and the values of that mode only, and LastPP; LastPP out of range opens
// page 1; a stored delimiter keeps its first character.
TEST_F(RenameStore, OptionsOfAPage) {
    RenameOptions options;
    options.page1.mode = 1;
    options.page1.prefix = "never";
    options.page1.suffix = "_s";
    options.SavePage(store_, 1);
    EXPECT_EQ(Int("MultiRenamePP", "PP1MultiRenameOptions"), 1);
    EXPECT_EQ(Int("MultiRenamePP", "LastPP"), 0);
    EXPECT_EQ(store_.GetProfileString("MultiRenamePP", "PP1LastOpt2Suffix"), "_s");
    EXPECT_EQ(store_.GetProfileString("MultiRenamePP", "PP1LastOpt1Prefix", "none"), "none");
    options.SavePage(store_, 6);
    EXPECT_EQ(LoadLastPage(store_), 6);
    store_.WriteProfileInt("MultiRenamePP", "LastPP", 7);
    store_.WriteProfileString("MultiRenamePP", "PP3LastLastWordDelim", "-+");
    RenameOptions loaded;
    loaded.Load(store_);
    EXPECT_EQ(loaded.lastPage, 0);
    EXPECT_EQ(loaded.page1.suffix, "_s");
    EXPECT_EQ(loaded.page2.numberField, "001");
    EXPECT_EQ(loaded.page3.lastDelimiter, "-");
    EXPECT_EQ(loaded.page3.firstDelimiter, "_");
}

// One folder stands for the files directly in it; paths are items of their own; both sorted
// with A-Z folded.
TEST_F(RenameStore, StandAloneList) {
    test::TestDir dir;
    dir.MakeTree({{"F/b", ""}, {"F/A", ""}, {"F/sub/x", ""}, {"F/c;d", ""}});
    dir.Symlink("sub", "F/link");
    auto names = [](const std::vector<RenameEntry>& entries) {
        std::string text;
        for (const RenameEntry& e : entries) {
            text += e.folder.substr(e.folder.rfind('/') + 1) + ":" + e.name + " ";
        }
        return text;
    };
    EXPECT_EQ(names(StandAloneList(RealFileSystem(), {dir / "F"})), "F:A F:b F:c;d ");
    EXPECT_EQ(
        names(StandAloneList(RealFileSystem(), {dir / "F/c;d", dir / "F/sub/x", dir / "F/A"})),
        "F:A F:c;d sub:x ");
}

// Mode 0 gives one time to every file; mode 1 a new one per file after the interval; the picked
// date keeps the time of day; a folder or a FIFO cannot be set; nothing but times is touched.
TEST_F(RenameStore, Timestamps) {
    test::TestDir dir;
    dir.MakeTree({{"a", "A"}, {"b", "B"}, {"F/", ""}});
    dir.MakeFifo("p");
    const std::vector<RenameEntry> entries = {
        {dir.Path(), "a"}, {dir.Path(), "F"}, {dir.Path(), "b"}, {dir.Path(), "p"}};
    long tick = 1700000000;
    std::vector<int> slept;
    const TimestampClock clock{[&tick] {
                                   return timespec{tick++, 123456789};
                               },
                               [&slept](int ms) { slept.push_back(ms); }};
    auto mtime = [&dir](const char* name) {
        struct stat st {};
        stat((dir / name).c_str(), &st);
        return std::pair(long(st.st_mtim.tv_sec), long(st.st_mtim.tv_nsec));
    };
    Page6Options options;
    FaultFileSystem traced;
    TimestampResult result = SetTimestamps(traced, entries, options, {}, clock);
    EXPECT_EQ(result.done, 2);
    for (const FsCall call : traced.Trace()) {
        EXPECT_TRUE(call == FsCall::Open || call == FsCall::Stat || call == FsCall::SetTimes);
    }
    EXPECT_EQ(dir.List(), (std::vector<std::string>{"F/", "a", "b", "p"}));
    EXPECT_EQ(dir.ReadFile("a") + dir.ReadFile("b"), "AB");
    EXPECT_EQ(TimestampFailuresMessage(result),
              "The following file(s) failed to set timestamp:\n\nF (cannot set file timestamp)\n"
              "p (cannot set file timestamp)\n");
    EXPECT_EQ(mtime("a"), std::pair(1700000000L, 123456789L));
    EXPECT_EQ(mtime("b"), mtime("a"));
    options.mode = 1;
    options.intervalMs = 500;
    options.useDate = true;
    options.date = {2001, 2, 3};
    result = SetTimestamps(RealFileSystem(), entries, options, {}, clock);
    EXPECT_EQ(slept, (std::vector<int>{500, 500, 500}));
    // 1700000001 is 2023-11-14 22:13:21 UTC; the picked day keeps that time.
    EXPECT_EQ(mtime("a"), std::pair(981238401L, 123456789L));
    EXPECT_EQ(mtime("b"), std::pair(981238403L, 123456789L));
}

}  // namespace
}  // namespace quillon
