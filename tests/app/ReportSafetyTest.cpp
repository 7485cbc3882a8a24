#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QString>
#include <algorithm>
#include <csignal>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "support/RunProcess.h"
#include "support/StoreFixture.h"

namespace quillon {
namespace {

using test::ProcessResult;

class ReportSafety : public test::StoreFixture {
  protected:
    void SetUp() override {
        trees.MakeTree({{"L/a.txt", "x"}, {"L/only.txt", "l"}, {"R/a.txt", "xy"}});
    }

    ProcessResult Run(const std::vector<std::string>& args) {
        return test::RunProcess(test::QuillonProgram(), args, {"DISPLAY=", "WAYLAND_DISPLAY="});
    }
    ProcessResult ReportTo(const std::string& target) {
        return Run({"-Report:6:3:1", "-Out:" + target, trees / "L", trees / "R"});
    }

    mode_t LinkMode(const std::string& relative) const {
        struct stat st {};
        return ::lstat((out / relative).c_str(), &st) == 0 ? st.st_mode & S_IFMT : 0;
    }

    test::TestDir trees;
    test::TestDir out;
};

// A run killed at any point leaves the target either the old report or the whole new one, never
// a part: the new report only ever arrives by rename. Kill points come from a fixed seed.
TEST_F(ReportSafety, KilledRunLeavesOldOrWholeReport) {
    std::vector<test::TreeEntry> many;
    for (int i = 0; i < 3000; ++i) {
        many.push_back({"L/f" + std::to_string(i) + ".txt", "x"});
    }
    trees.MakeTree(many);
    ASSERT_EQ(ReportTo(out / "whole.txt").status, 1);
    const std::string whole = out.ReadFile("whole.txt");
    const std::string old = "the old report\n";
    std::mt19937 random(7);
    for (int round = 0; round < 12; ++round) {
        out.WriteFile("r.txt", old);
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::unsetenv("DISPLAY");
            ::unsetenv("WAYLAND_DISPLAY");
            const std::string outArg = "-Out:" + (out / "r.txt");
            const std::string left = trees / "L", right = trees / "R";
            ::execl(test::QuillonProgram().c_str(), "quillon", "-Report:6:3:1", outArg.c_str(),
                    left.c_str(), right.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ASSERT_GT(pid, 0);
        ::usleep(std::uniform_int_distribution<useconds_t>(0, 60'000)(random));
        ::kill(pid, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        const std::string now = out.ReadFile("r.txt");
        EXPECT_TRUE(now == old || now == whole) << "round " << round << ": " << now.size();
    }
    // The next run clears what killed runs left beside the target, and only theirs.
    const pid_t gone = ::fork();
    if (gone == 0) {
        ::_exit(0);
    }
    ASSERT_EQ(::waitpid(gone, nullptr, 0), gone);
    const std::string live = ".r.txt.quillon-" + std::to_string(::getpid()) + "-0";
    out.WriteFile(".r.txt.quillon-" + std::to_string(gone) + "-3", "left by a killed run");
    out.WriteFile(live, "a running run's");
    ASSERT_EQ(ReportTo(out / "r.txt").status, 1);
    EXPECT_EQ(out.List(), (std::vector<std::string>{live, "r.txt", "whole.txt"}));
}

// A run that fails while writing (the file-size limit stops it) leaves the old report whole and
// no new file behind; a run that succeeds replaces it and keeps its permissions.
TEST_F(ReportSafety, FailedRunKeepsTheOldReport) {
    std::vector<test::TreeEntry> many;
    for (int i = 0; i < 200; ++i) {
        many.push_back({"L/a-file-with-a-rather-long-name-" + std::to_string(i) + ".txt", "x"});
    }
    trees.MakeTree(many);
    out.WriteFile("r.txt", "the old report\n");
    ASSERT_EQ(::chmod((out / "r.txt").c_str(), 0640), 0);
    ASSERT_EQ(ReportTo(out / "r.txt").status, 1);  // the settings exist before the limit

    out.WriteFile("r.txt", "the old report\n");
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    struct rlimit small = saved;
    small.rlim_cur = 8192;
    void (*savedSignal)(int) = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    ProcessResult failed = ReportTo(out / "r.txt");
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, savedSignal);
    EXPECT_EQ(failed.status, 2) << failed.err;
    EXPECT_EQ(out.ReadFile("r.txt"), "the old report\n");
    EXPECT_EQ(out.List(), std::vector<std::string>{"r.txt"});

    ASSERT_EQ(ReportTo(out / "r.txt").status, 1);
    EXPECT_EQ(out.ReadFile("r.txt").rfind("1st DIR [", 0), 0u);
    struct stat st {};
    ASSERT_EQ(::stat((out / "r.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

// A FIFO is written like a shell redirection writes it, and stays a FIFO; so does a device node
// (a private twin of /dev/null, where one can be made). A link to a file: the file it names gets
// the report, the link stays. A link to nothing is refused and nothing is created.
TEST_F(ReportSafety, SpecialTargetsStayWhatTheyAre) {
    out.MakeFifo("pipe");
    // Both ends held here: the program's open does not wait, and its report waits in the pipe.
    const int fd = ::open((out / "pipe").c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(ReportTo(out / "pipe").status, 1);
    std::string got(65536, '\0');
    const ssize_t n = ::read(fd, got.data(), got.size());
    ::close(fd);
    got.resize(n > 0 ? size_t(n) : 0);
    EXPECT_EQ(got.rfind("1st DIR [", 0), 0u) << got;
    EXPECT_EQ(LinkMode("pipe"), S_IFIFO);
    if (::mknod((out / "null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
        EXPECT_EQ(ReportTo(out / "null").status, 1);
        EXPECT_EQ(LinkMode("null"), S_IFCHR);
    }

    out.WriteFile("real.txt", "old");
    out.Symlink("real.txt", "to-real");
    EXPECT_EQ(ReportTo(out / "to-real").status, 1);
    EXPECT_EQ(LinkMode("to-real"), S_IFLNK);
    EXPECT_EQ(out.ReadFile("real.txt").rfind("1st DIR [", 0), 0u);
    out.Symlink("missing.txt", "to-nothing");
    ProcessResult r = ReportTo(out / "to-nothing");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("link to nothing"), std::string::npos) << r.err;
    EXPECT_EQ(LinkMode("to-nothing"), S_IFLNK);
    EXPECT_FALSE(out.Exists("missing.txt"));
}

// Every entry with its type, size, modification time and inode, links not followed.
std::vector<std::string> Listing(const std::string& root) {
    std::vector<std::string> listing;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        struct stat st {};
        ::lstat(entry.path().c_str(), &st);
        listing.push_back(entry.path().string().substr(root.size()) + " " +
                          std::to_string(st.st_mode) + " " + std::to_string(st.st_size) + " " +
                          std::to_string(st.st_mtim.tv_sec) + "." +
                          std::to_string(st.st_mtim.tv_nsec) + " " + std::to_string(st.st_ino));
    }
    std::sort(listing.begin(), listing.end());
    return listing;
}

// A tree with a link loop, a FIFO, a dangling link and a name that is not UTF-8, compared with
// checksums and versions on: the run ends, changes nothing, and its UTF-8 report is valid UTF-8.
TEST_F(ReportSafety, HostileTreeIsOnlyRead) {
    trees.MakeTree({{"L/sub/caf\xE9.txt", "latin-1"}, {"R/sub/x.txt", "x"}});
    trees.Symlink("..", "L/sub/loop");
    trees.Symlink("nowhere", "L/dangling");
    trees.MakeFifo("L/pipe");
    trees.MakeFifo("R/pipe");
    store_.WriteProfileInt("Settings", "CRC32", 1);
    store_.WriteProfileInt("Settings", "FileVersion", 1);
    const std::vector<std::string> before = Listing(trees.Path());
    ASSERT_GT(before.size(), 8u);

    ProcessResult r = Run({"-Report:6:3:0", trees / "L", trees / "R"});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(Listing(trees.Path()), before);
    EXPECT_EQ(QString::fromUtf8(r.out.data(), qsizetype(r.out.size())).toUtf8().toStdString(),
              r.out);
    EXPECT_NE(r.out.find("caf\xEF\xBF\xBD.txt"), std::string::npos) << r.out;
}

}  // namespace
}  // namespace quillon
