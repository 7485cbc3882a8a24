// The crash-recovery run as a program: each mode's output and exit status, without a display and
// without writing a setting or a log.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "support/RunProcess.h"
#include "support/StoreFixture.h"

namespace quillon {
namespace {

class BackupsRun : public test::StoreFixture {};

TEST_F(BackupsRun, ModesOutputAndExitStatus) {
    ASSERT_EQ(access(test::QuillonProgram().c_str(), X_OK), 0) << test::QuillonProgram();
    test::TestDir trees;
    trees.MakeTree({{"a/f", "in use"},
                    {"a/$diffundo12062359010001$f", "old", 1000000000},
                    {"a/sub/$diffundo~part9-1$g", "half", 1000000000}});
    const std::string a = trees / "a";
    const std::vector<std::string> configBefore = Dir().List("config");
    const std::string backup = "1206235901\t0001\t3\t2001-09-09T01:46:40Z\t" + a +
                               "/$diffundo12062359010001$f\t" + a + "/f\n";
    const std::string temporary =
        "~part\t9-1\t4\t2001-09-09T01:46:40Z\t" + a + "/sub/$diffundo~part9-1$g\t" + a + "/sub/g\n";
    const struct {
        std::vector<std::string> args;
        int status;
        std::string out;
        std::string err;
        const char* removeFirst = nullptr;
    } steps[] = {
        {{"-Backups:List", a}, 0, backup + temporary, ""},
        {{"/backups:restore", a},
         1,
         "",
         "quillon: " + a + "/$diffundo12062359010001$f: not restored, " + a + "/f is in use\n"},
        {{"-Backups:Restore:1206235901", a}, 0, backup, "", "a/f"},
        {{"-Backups:Purge:~part", a}, 0, temporary, ""},
        {{"-Backups:List", a}, 0, "", ""},
        {{"-Backups:Lost", a},
         2,
         "",
         "quillon: bad -Backups switch: -Backups:List, -Backups:Restore[:<runtag>] or "
         "-Backups:Purge[:<runtag>]\n"},
        {{"-Backups:Purge:12", a},
         2,
         "",
         "quillon: bad run tag in -Backups: \"12\" (ten digits, or ~part for the temporaries of "
         "copies)\n"},
        {{"-Backups:List", a, a},
         2,
         "",
         "quillon: -Backups needs one folder: quillon -Backups:List FOLDER\n"},
        {{"-Backups:List", a + "/f"},
         2,
         "",
         "quillon: not a folder: " + a + "/f: Not a directory\n"},
    };
    for (const auto& step : steps) {
        if (step.removeFirst != nullptr) {
            ASSERT_EQ(unlink((trees / step.removeFirst).c_str()), 0);
        }
        const test::ProcessResult r = test::RunProcess(
            test::QuillonProgram(), step.args, {"DISPLAY=", "WAYLAND_DISPLAY=", "LC_ALL=C"});
        EXPECT_EQ(r.status, step.status) << step.args[0] << r.err;
        EXPECT_EQ(r.out, step.out) << step.args[0];
        EXPECT_EQ(r.err, step.err) << step.args[0];
    }
    EXPECT_EQ(trees.List(), (std::vector<std::string>{"a/", "a/f", "a/sub/"}));
    EXPECT_EQ(trees.ReadFile("a/f"), "old");
    EXPECT_EQ(Dir().List("config"), configBefore);
}

}  // namespace
}  // namespace quillon
