// The stand-alone rename run for scripts, run as a program: -Simulate prints the page's box
// bytes, -Apply renames answering the way that changes least; neither writes a setting.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "support/RunProcess.h"
#include "support/StoreFixture.h"

namespace quillon {
namespace {

using test::ProcessResult;

class RenameRun : public test::StoreFixture {
  protected:
    void SetUp() override {
        ASSERT_EQ(access(test::QuillonProgram().c_str(), X_OK), 0) << test::QuillonProgram();
        files.MakeTree({{"F/b_1.txt", "b"}, {"F/A_2.txt", "a"}, {"F/sub/", ""}, {"F/c.txt", "c"}});
        hive = env_.RegistryFolder() + "/HKEY_CURRENT_USER.reg";
    }
    ProcessResult Run(std::vector<std::string> args) {
        args.insert(args.begin(), "-SARename");
        return test::RunProcess(test::QuillonProgram(), args, {"DISPLAY=", "WAYLAND_DISPLAY="});
    }
    void Set(const char* entry, const std::string& value) {
        store_.WriteProfileString("MultiRenamePP", entry, value);
    }
    void Set(const char* entry, int value) {
        store_.WriteProfileInt("MultiRenamePP", entry, value);
    }

    test::TestDir files;
    std::string F = files / "F";
    std::string hive;
};

// A folder stands for its files, sorted with A-Z folded; the box's bytes with their CR LF; an
// error line exits 1; the page stored last is the default.
TEST_F(RenameRun, SimulatePrintsTheBox) {
    Set("PP1LastOpt1Prefix", "P_");
    ProcessResult r = Run({"-Simulate", F});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "\"A_2.txt\"\t--->\"P_A_2.txt\"\r\n\"b_1.txt\"\t--->\"P_b_1.txt\"\r\n"
              "\"c.txt\"\t--->\"P_c.txt\"\r\n");
    Set("LastPP", 2);
    Set("PP3MultiRenameOptions", 1);
    r = Run({"/simulate", F});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.out,
              "\"A_2.txt\"\t--->\"A.txt\"\r\n\"b_1.txt\"\t--->\"b.txt\"\r\n"
              "\"c.txt\" --->\tERROR!!! 0 out of 1 delimiter(s) '_' found.\r\n");
    // Each argument is one item: a ';' and a byte that is no UTF-8 stay in the name.
    files.WriteFile("x;y", "");
    files.WriteFile("caf\xE9", "");
    r = Run({"-Simulate:6", files / "x;y", files / "caf\xE9"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "\"caf\xE9\"\r\n\"x;y\"\r\n");
    EXPECT_EQ(files.List("F"), (std::vector<std::string>{"A_2.txt", "b_1.txt", "c.txt", "sub/"}));
}

// Apply renames; an existing target is skipped, named on standard error and listed on standard
// output; a declined question or a refused check renames nothing.
TEST_F(RenameRun, ApplyChangesLeast) {
    Set("PP4MultiRenameOptions", 2);
    Set("PP4LastOpt8Old", "_");
    Set("PP4LastOpt8New", "-");
    files.WriteFile("F/A-2.txt", "other");
    const std::string before = test::ReadWholeFile(hive);
    ProcessResult r = Run({"-Apply:4", F + "/c.txt", F + "/b_1.txt", F + "/A_2.txt"});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.out,
              "The following file(s) couldn't be renamed:\n\nA_2.txt (skipped to overwrite)\n"
              "c.txt (skipped to overwrite)\n");
    EXPECT_EQ(r.err.rfind("quillon: About to rename \"A_2.txt\"", 0), 0u) << r.err;
    EXPECT_EQ(files.List("F"),
              (std::vector<std::string>{"A-2.txt", "A_2.txt", "b-1.txt", "c.txt", "sub/"}));
    EXPECT_EQ(files.ReadFile("F/A-2.txt"), "other");
    EXPECT_EQ(test::ReadWholeFile(hive), before);

    Set("PP2MultiRenameOptions", 1);
    Set("PP2LastOpt7NewExt", "z");
    r = Run({"-Apply:2", files / "F/b-1.txt", files / "F/sub"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(files.Exists("F/b-1.z") && files.Exists("F/sub.z"));
    files.WriteFile("F/d.doc", "");
    r = Run({"-Apply:2", files / "F/A_2.txt", files / "F/d.doc"});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("Do you want to continue anyway?"), std::string::npos) << r.err;
    r = Run({"-Apply:5", F});
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_EQ(r.err, "quillon: \"Existing pattern\" is empty. Can't be performed.\n");
    EXPECT_TRUE(files.Exists("F/A_2.txt") && files.Exists("F/d.doc"));
}

// Trouble exits 2 with one line: a bad page, a missing path, both modes at once.
TEST_F(RenameRun, Trouble) {
    const struct {
        std::vector<std::string> args;
        std::string err;
    } cases[] = {
        {{"-Simulate:7", F}, "quillon: bad page in -Simulate or -Apply: \"7\" (1-6)\n"},
        {{"-Apply", F + "/none"}, "quillon: no such file: " + F + "/none\n"},
        {{"-Apply", "-Simulate", F}, "quillon: -Simulate and -Apply cannot be given together\n"},
    };
    for (const auto& c : cases) {
        const ProcessResult r = Run(c.args);
        EXPECT_EQ(r.status, 2) << c.err;
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(r.out, "");
    }
}

}  // namespace
}  // namespace quillon
