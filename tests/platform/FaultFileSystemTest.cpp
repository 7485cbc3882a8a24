// The test file system fails exactly the call it was told to, and after a stop leaves the disk
// as it was at that step.
#include <gtest/gtest.h>

#include "platform/FaultFileSystem.h"
#include "support/TestDir.h"

namespace quillon {
namespace {

TEST(FaultFileSystem, FailsTheNthCallOfItsKindOnce) {
    test::TestDir dir;
    FaultFileSystem fs;
    fs.FailNth(FsCall::MakeFolder, 2, ENOSPC);
    EXPECT_EQ(fs.MakeFolder(AT_FDCWD, (dir / "a").c_str(), 0755), 0);
    struct stat st {};
    EXPECT_EQ(fs.Stat(AT_FDCWD, (dir / "a").c_str(), 0, st), 0);
    EXPECT_FALSE(fs.Fired());
    EXPECT_EQ(fs.MakeFolder(AT_FDCWD, (dir / "b").c_str(), 0755), ENOSPC);
    EXPECT_TRUE(fs.Fired());
    EXPECT_EQ(fs.MakeFolder(AT_FDCWD, (dir / "c").c_str(), 0755), 0);
    EXPECT_EQ(dir.List(), (std::vector<std::string>{"a/", "c/"}));

    FaultFileSystem any;
    any.FailNth(FsCall::Any, 2, EXDEV);
    EXPECT_EQ(any.Stat(AT_FDCWD, dir.Path().c_str(), 0, st), 0);
    EXPECT_EQ(any.Rename(AT_FDCWD, (dir / "a").c_str(), AT_FDCWD, (dir / "d").c_str(), 0), EXDEV);
    EXPECT_EQ(any.Trace(), (std::vector<FsCall>{FsCall::Stat, FsCall::Rename}));
}

TEST(FaultFileSystem, AfterTheStopNothingChanges) {
    test::TestDir dir;
    dir.MakeTree({{"x.txt", "data"}});
    FaultFileSystem fs;
    fs.StopAfter(1);
    EXPECT_EQ(fs.MakeFolder(AT_FDCWD, (dir / "made").c_str(), 0755), 0);
    EXPECT_EQ(fs.Unlink(AT_FDCWD, (dir / "x.txt").c_str()), FaultFileSystem::kStopped);
    int fd = -1;
    EXPECT_EQ(fs.Open(AT_FDCWD, (dir / "y").c_str(), O_CREAT | O_WRONLY, 0644, fd),
              FaultFileSystem::kStopped);
    EXPECT_EQ(fd, -1);
    EXPECT_EQ(fs.Steps(), 3u);
    EXPECT_EQ(dir.List(), (std::vector<std::string>{"made/", "x.txt"}));
    EXPECT_EQ(dir.ReadFile("x.txt"), "data");
}

}  // namespace
}  // namespace quillon
