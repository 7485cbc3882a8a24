#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/Log.h"
#include "support/StoreFixture.h"

namespace quillon {
namespace {

using test::TestDir;

// What stands at $TMPDIR/quillon_log (and at the fallback beside it) before the program runs.
enum class Planted { Nothing, OwnOpenFolder, Link, OtherUsersFolder, LinkAndFallbackLink };

struct FolderCase {
    const char* why;
    Planted planted;
    bool fallback;  // the log goes to quillon_log-<uid>
    const char* reason;
};

void PrintTo(const FolderCase& c, std::ostream* os) {
    *os << c.why;
}

class LogFolder : public test::StoreFixture {
  protected:
    LogFolder() { dir_.MakeFolder("elsewhere"); }

    static struct stat Lstat(const std::string& path) {
        struct stat st {};
        ::lstat(path.c_str(), &st);
        return st;
    }

    TestDir& dir_ = Dir();
};

class LogFolderTable : public LogFolder, public ::testing::WithParamInterface<FolderCase> {};

// Only a private folder of the user's own is used, else the one beside it with a note saying why.
TEST_P(LogFolderTable, OnlyAPrivateFolderOfTheUsersOwn) {
    const FolderCase& c = GetParam();
    const std::string usual = dir_ / "tmp/quillon_log";
    const std::string beside = usual + "-" + std::to_string(::geteuid());
    switch (c.planted) {
        case Planted::Nothing:
            break;
        case Planted::OwnOpenFolder:
            ASSERT_EQ(::mkdir(usual.c_str(), 0755), 0);
            ASSERT_EQ(::chmod(usual.c_str(), 0755), 0);
            break;
        case Planted::LinkAndFallbackLink:
            dir_.Symlink(dir_ / "elsewhere", "tmp/quillon_log-" + std::to_string(::geteuid()));
            [[fallthrough]];
        case Planted::Link:
            dir_.Symlink(dir_ / "elsewhere", "tmp/quillon_log");
            break;
        case Planted::OtherUsersFolder:
            if (::geteuid() != 0) {
                GTEST_SKIP() << "only root can give a folder to another user";
            }
            ASSERT_EQ(::mkdir(usual.c_str(), 0777), 0);
            ASSERT_EQ(::chown(usual.c_str(), 65534, 65534), 0);
            break;
    }
    SetLogEnabled(true);
    const std::string path = OpenLog("Quillon", "log", false, [] { return false; });
    Log("first line");
    EXPECT_TRUE(dir_.List("elsewhere").empty());
    if (c.planted == Planted::LinkAndFallbackLink) {
        EXPECT_EQ(path, "");
        return;
    }
    const std::string folder = c.fallback ? beside : usual;
    EXPECT_EQ(GetLogFolder(), folder);
    ASSERT_EQ(path.rfind(folder + "/Quillon-", 0), 0u) << path;
    EXPECT_EQ(Lstat(folder).st_mode & 07777, 0700u);
    EXPECT_EQ(Lstat(path).st_mode & 07777, 0600u);
    const std::string note = "The log folder " + usual + " is not used: " + c.reason +
                             ". The log is written to " + beside + ".\n";
    EXPECT_EQ(dir_.ReadFile(path.substr(dir_.Path().size() + 1)),
              (c.fallback ? note : std::string()) + "first line\n");
    if (c.planted == Planted::OtherUsersFolder) {
        EXPECT_EQ(Lstat(usual).st_uid, 65534u);
        EXPECT_TRUE(dir_.List("tmp/quillon_log").empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, LogFolderTable,
    ::testing::Values(FolderCase{"made private", Planted::Nothing, false, ""},
                      FolderCase{"own folder closed", Planted::OwnOpenFolder, false, ""},
                      FolderCase{"a link", Planted::Link, true, "it is a symbolic link"},
                      FolderCase{"another user's", Planted::OtherUsersFolder, true,
                                 "it belongs to user 65534"},
                      FolderCase{"both refused", Planted::LinkAndFallbackLink, true, ""}));

// A link planted at the log file's name is not written through.
TEST_F(LogFolder, LogFileLinkIsNotFollowed) {
    SetLogEnabled(true);
    const std::string path = OpenLog("Quillon", "log", false, [] { return false; });
    dir_.WriteFile("elsewhere/victim", "mine\n");
    ASSERT_EQ(::symlink((dir_ / "elsewhere/victim").c_str(), path.c_str()), 0);
    Log("appended");
    EXPECT_EQ(dir_.ReadFile("elsewhere/victim"), "mine\n");
    EXPECT_TRUE(S_ISLNK(Lstat(path).st_mode));
}

}  // namespace
}  // namespace quillon
