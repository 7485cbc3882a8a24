#include "platform/OutputFile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/TestDir.h"
#include "support/Unprivileged.h"

namespace quillon {
namespace {

std::string Write(const std::string& target, const std::string& text) {
    OutputFile out;
    std::string error;
    if (!out.Open(target, error)) {
        return "open: " + error;
    }
    std::fputs(text.c_str(), out.Stream());
    return out.Commit(error) ? "" : "commit: " + error;
}

mode_t TypeOf(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? st.st_mode & S_IFMT : 0;
}

// A file (or a link's file) is replaced keeping its mode, a FIFO or device written, else refused.
TEST(OutputFile, EachKindOfTarget) {
    test::TestDir dir;
    dir.WriteFile("old.txt", "old");
    ASSERT_EQ(::chmod((dir / "old.txt").c_str(), 0640), 0);
    const bool root = ::geteuid() == 0;  // only root can give a file away
    if (root) {
        ASSERT_EQ(::chown((dir / "old.txt").c_str(), test::kNobody, test::kNobody), 0);
    }
    dir.WriteFile("real.txt", "old");
    dir.Symlink("real.txt", "to-real");
    dir.Symlink("missing.txt", "to-nothing");
    dir.MakeFolder("folder");
    dir.MakeFifo("pipe");
    dir.WriteFile("file", "");
    const int reader = ::open((dir / "pipe").c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, (dir / "sock").c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

    const struct {
        const char* target;
        const char* result;   // the start of the error, "" for success
        const char* content;  // what the target (or the file it names) holds afterwards
        mode_t type;          // what stands at the target afterwards
    } cases[] = {
        {"new.txt", "", "new", S_IFREG},
        {"old.txt", "", "new", S_IFREG},
        {"to-real", "", "new", S_IFLNK},
        {"to-nothing", "open: ", nullptr, S_IFLNK},
        {"folder", "open: ", nullptr, S_IFDIR},
        {"sock", "open: ", nullptr, S_IFSOCK},
        {"file/below", "open: cannot look at", nullptr, 0},
        {"no-folder/x.txt", "open: cannot create a file in", nullptr, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target);
        const std::string result = Write(dir / c.target, "new");
        EXPECT_EQ(result.substr(0, std::strlen(c.result)), c.result) << result;
        EXPECT_EQ(result.empty(), *c.result == '\0') << result;
        if (c.content != nullptr) {
            EXPECT_EQ(dir.ReadFile(c.target), c.content);
        }
        EXPECT_EQ(TypeOf(dir / c.target), c.type);
    }
    struct stat st {};
    ASSERT_EQ(::stat((dir / "old.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(st.st_uid, root ? test::kNobody : ::geteuid());
    EXPECT_EQ(dir.ReadFile("real.txt"), "new");

    EXPECT_EQ(Write(dir / "pipe", "through the pipe"), "");
    char got[64] = {};
    EXPECT_EQ(::read(reader, got, sizeof got - 1), 16);
    EXPECT_STREQ(got, "through the pipe");
    EXPECT_EQ(TypeOf(dir / "pipe"), S_IFIFO);
    EXPECT_EQ(Write("/dev/null", "gone"), "");
    EXPECT_EQ(Write("/dev/full", "no room").rfind("commit: cannot write /dev/full: ", 0), 0u);
    ::close(reader);
    ::close(sock);
    EXPECT_EQ(dir.List(), (std::vector<std::string>{"file", "folder/", "new.txt", "old.txt", "pipe",
                                                    "real.txt", "sock", "to-nothing", "to-real"}));
}

// An abandoned output, or one whose target changed kind, leaves the target and no file of its own.
TEST(OutputFile, UnfinishedOutputLeavesTheTarget) {
    test::TestDir dir;
    dir.WriteFile("r.txt", "old");
    std::string error;
    {
        OutputFile out;
        ASSERT_TRUE(out.Open(dir / "r.txt", error)) << error;
        std::fputs("half", out.Stream());
    }
    EXPECT_EQ(dir.ReadFile("r.txt"), "old");
    OutputFile out;
    ASSERT_TRUE(out.Open(dir / "gone.txt", error)) << error;
    dir.MakeFolder("gone.txt");
    EXPECT_FALSE(out.Commit(error));
    EXPECT_EQ(error, dir / "gone.txt" + " is no longer a file; it is left as it is");
    EXPECT_FALSE(out.Commit(error));
    EXPECT_EQ(error, "nothing to write to " + dir / "gone.txt");
    EXPECT_EQ(dir.List(), (std::vector<std::string>{"gone.txt/", "r.txt"}));
    test::OpenToNobody(dir);
    dir.MakeFolder("locked");
    ASSERT_EQ(::chmod((dir / "locked").c_str(), 0755), 0);
    EXPECT_EQ(test::RunAsNobody([&] { return Write(dir / "locked/r.txt", "x"); })
                  .value_or("?")
                  .rfind("open: cannot create a file in", 0),
              0u);
}

}  // namespace
}  // namespace quillon
