// Every read of the scan goes through the file-system layer, so its failures are the layer's.
#include <gtest/gtest.h>

#include "core/Comparison.h"
#include "core/DiffStatus.h"
#include "core/FolderScan.h"
#include "platform/FaultFileSystem.h"
#include "platform/RunContext.h"
#include "support/TestDir.h"

namespace quillon {
namespace {

TEST(ScanThroughFileSystem, ListingAndDetailFailuresAreTheLayers) {
    test::TestDir dir;
    dir.MakeTree({{"L/a.txt", "1"}, {"L/sub/b.txt", "22"}, {"R/a.txt", "1"}});

    FaultFileSystem listing;
    listing.FailNth(FsCall::List, 1, EIO);
    FolderReader reader(dir / "L", listing);
    FolderEntry entry;
    EXPECT_FALSE(reader.Next(entry, true));
    EXPECT_EQ(reader.Error(), EIO);

    FaultFileSystem details;
    details.FailNth(FsCall::Stat, 1, EACCES);
    uint64_t count = 0;
    EXPECT_EQ(FolderSizeAndCount(dir / "L", count, true, true, details), 2u);
    EXPECT_EQ(count, 3u);

    ScopedRunContext run;
    FaultFileSystem dead;
    dead.StopAfter(0);
    Comparison cmp;
    cmp.SetFileSystem(dead);
    cmp.CompareFolders(dir / "L", dir / "R", 0);
    ASSERT_FALSE(cmp.ReadFailures(0).empty());
    EXPECT_EQ(cmp.ReadFailures(0).front().error, FaultFileSystem::kStopped);
    EXPECT_GT(dead.Steps(), 0u);
}

// The content checksums read through the layer too: a pair whose read fails is not called
// different, on the comparison's threads as in a single read.
TEST(ScanThroughFileSystem, ChecksumReadsAreTheLayers) {
    test::TestDir dir;
    dir.MakeTree({{"L/a.txt", "abc", 1'000'000}, {"R/a.txt", "xyz", 1'000'000}});
    FaultFileSystem broken;
    broken.FailNth(FsCall::Read, 1, EIO);
    uint32_t sum = 0;
    EXPECT_EQ(FileChecksum(dir / "L/a.txt", sum, broken), EIO);
    for (FsCall failing : {FsCall::Open, FsCall::Read}) {
        ScopedRunContext run;
        FaultFileSystem fs;
        Comparison cmp;
        cmp.options.crc32 = 1;
        cmp.SetFileSystem(fs);
        ASSERT_TRUE(cmp.CompareFolders(dir / "L", dir / "R", 0));
        EXPECT_EQ(cmp.rootItem->LastChild()->FileState(), StatusDifferent);
        fs.FailEvery(failing, EIO);
        cmp.DecideStatus(cmp.rootItem->LastChild());
        EXPECT_EQ(cmp.rootItem->LastChild()->FileState(), StatusSame);
    }
}

}  // namespace
}  // namespace quillon
