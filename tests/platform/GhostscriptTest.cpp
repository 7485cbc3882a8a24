#include "platform/Ghostscript.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/ToolLocator.h"
#include "support/FakeTool.h"
#include "support/StoreFixture.h"

namespace quillon::test {
namespace {

const char kOnePagePs[] =
    "%!PS\n/Helvetica findfont 20 scalefont setfont 72 700 moveto (Hello) show showpage\n";

class GhostscriptTest : public StoreFixture {
  protected:
    std::string RealGs() { return FindOnSearchPath("gs", "/usr/bin:/bin"); }
};

// Output names that gs would read as a template, a switch, an argument file or a device land on
// exactly that file.
TEST_F(GhostscriptTest, HostileOutputNamesGetThePdf) {
    const std::string gs = RealGs();
    ASSERT_FALSE(gs.empty());
    Dir().WriteFile("in.ps", kOnePagePs);
    const std::vector<std::string> names = {
        "page%d.pdf",           "-dNOSAFER.pdf",   "@args.pdf",   "%stdout",
        "q\"uo'te (1) \\b.pdf", "$(touch x);.pdf", "Ünïcødé.pdf", "bad\xff\xfe.pdf"};
    for (const std::string& name : names) {
        std::string error;
        EXPECT_TRUE(GhostscriptToPdf(gs, Dir() / "in.ps", Dir() / name, &error)) << name << error;
        EXPECT_EQ(ReadText(Dir() / name).substr(0, 5), "%PDF-") << name;
    }
    EXPECT_FALSE(Dir().Exists("x"));
    // No temporary is left: only the input, the outputs and the two folders of the test set-up.
    EXPECT_EQ(Dir().List().size(), names.size() + 3) << ::testing::PrintToString(Dir().List());
}

// A relative input whose name starts with '-' or '@' or holds '%' is read as that file.
TEST_F(GhostscriptTest, HostileInputNamesAreRead) {
    const std::string gs = RealGs();
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    ASSERT_EQ(chdir(Dir().Path().c_str()), 0);
    for (const std::string name : {"-q.ps", "@x.ps", "%stdin", "a%d.ps"}) {
        Dir().WriteFile(name, kOnePagePs);
        std::string error;
        EXPECT_TRUE(GhostscriptToPdf(gs, name, "o%d.pdf", &error)) << name << error;
        EXPECT_EQ(ReadText(Dir() / "o%d.pdf").substr(0, 5), "%PDF-") << name;
        unlink((Dir() / "o%d.pdf").c_str());
    }
    EXPECT_EQ(chdir(cwd), 0);
}

// A PostScript error fails the run and keeps the existing target as it was.
TEST_F(GhostscriptTest, PostScriptErrorKeepsTheTarget) {
    Dir().WriteFile("bad.ps", "%!PS\nnosuchoperator\nshowpage\n");
    Dir().WriteFile("out.pdf", "old");
    std::string error;
    EXPECT_FALSE(GhostscriptToPdf(RealGs(), Dir() / "bad.ps", Dir() / "out.pdf", &error));
    EXPECT_NE(error.find("undefined"), std::string::npos) << error;
    EXPECT_EQ(ReadText(Dir() / "out.pdf"), "old");
}

// A replaced PDF keeps the permissions it had; a new one gets those of any new file.
TEST_F(GhostscriptTest, ReplacedTargetKeepsItsMode) {
    Dir().WriteFile("in.ps", "%!PS\nshowpage\n");
    Dir().WriteFile("private.pdf", "old");
    ASSERT_EQ(chmod((Dir() / "private.pdf").c_str(), 0600), 0);
    const mode_t mask = umask(022);
    const std::vector<std::pair<std::string, mode_t>> cases = {{"private.pdf", 0600},
                                                               {"new.pdf", 0644}};
    for (const auto& [name, mode] : cases) {
        std::string error;
        EXPECT_TRUE(GhostscriptToPdf(RealGs(), Dir() / "in.ps", Dir() / name, &error)) << error;
        struct stat st {};
        EXPECT_EQ(stat((Dir() / name).c_str(), &st), 0) << name;
        EXPECT_EQ(st.st_mode & 07777, mode) << name;
    }
    umask(mask);
}

// Exit code 0 is not enough: an error printed by the PostScript program fails the run; the
// arguments reach the program one by one, never through a shell.
TEST_F(GhostscriptTest, ErrorTextInOutputFailsAndArgvIsExact) {
    struct Case {
        std::string said;
        int exitCode;
        bool ok;
    };
    const std::vector<Case> cases = {
        {"fine", 0, true},
        {"%%[ Error handled by opdfread.ps : GPL Ghostscript", 0, false},
        {"Error: /typecheck in --run--", 0, false},
        {"fine", 1, false}};
    for (const Case& c : cases) {
        const std::string tool =
            MakeFakeTool(Dir(), "gs", "echo '" + c.said + "'; exit " + std::to_string(c.exitCode));
        std::string output;
        const std::vector<std::string> args = {"-a b", "$(x);", "\"q\"", "\\"};
        EXPECT_EQ(RunGhostscript(tool, args, &output), c.ok) << c.said;
        EXPECT_EQ(output, c.said + "\n");
        EXPECT_EQ(ReadFakeToolArgs(tool), args);
    }
    EXPECT_FALSE(RunGhostscript(Dir() / "missing", {}, nullptr));
}

// Every registered version is visited and the last one found wins; PATH is the last resort.
TEST_F(GhostscriptTest, FindsRegisteredVersionsThenPath) {
    const std::string v9 = MakeFakeTool(Dir(), "gs9/gswin32c.exe");
    const std::string v10 = MakeFakeTool(Dir(), "gs10/gs");
    const std::string onPath = MakeFakeTool(Dir(), "bin/gs");
    const GhostscriptSearch where{Dir() / "prog", Dir() / "bin"};
    EXPECT_EQ(FindGhostscript(registry_, where), onPath);
    const std::string key = "Software\\GPL Ghostscript";
    registry_.SetString(RegHive::LocalMachine, key + "\\9.50", "GS_DLL", Dir() / "gs9/gsdll32.dll",
                        RegView::Bits32);
    EXPECT_EQ(FindGhostscript(registry_, where), v9);
    registry_.SetString(RegHive::LocalMachine, key + "\\10.0", "GS_DLL", Dir() / "gs10/gsdll32.dll",
                        RegView::Bits32);
    registry_.SetString(RegHive::LocalMachine, key + "\\10.1", "GS_DLL", Dir() / "gone/gsdll32.dll",
                        RegView::Bits32);
    EXPECT_EQ(FindGhostscript(registry_, where), v10);
}

TEST_F(GhostscriptTest, OutputArgumentDoublesPercent) {
    EXPECT_EQ(GhostscriptOutputArg("/t/a%d%.pdf"), "-sOutputFile=/t/a%%d%%.pdf");
    EXPECT_EQ(GhostscriptInputArg("/t/-x.ps"), "/t/-x.ps");
}

}  // namespace
}  // namespace quillon::test
