// The PDF binder run for scripts: quillon -PDF -Out:<file.pdf> with sources or -Input:, no display.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "platform/RegistryStore.h"
#include "platform/ToolLocator.h"
#include "support/FakeTool.h"
#include "support/RunProcess.h"
#include "support/StoreFixture.h"

namespace quillon {
namespace {

using test::ProcessResult;

std::string PdfTool(const std::string& name, const std::vector<std::string>& args) {
    return test::RunProcess(FindOnSearchPath(name, "/usr/bin:/bin"), args).out;
}

class PdfRun : public test::StoreFixture {
  protected:
    void SetUp() override {
        store_.WriteProfileInt("PDFRendition", "Include File Extension", 0);
        registry_.SetDword(RegHive::CurrentUser, "Software\\Marrowby\\Quillon\\PDFRendition",
                           "GenerateTOC", 1);
        Dir().MakeTree({{"docs/a.txt", "alpha text\n"},
                        {"docs/sub/b.txt", "beta text\n"},
                        {"docs/junk.bin", std::string("\x00\x01\xff", 3)}});
    }
    ProcessResult Run(std::vector<std::string> args) {
        return test::RunProcess(test::QuillonProgram(), args, {"DISPLAY=", "WAYLAND_DISPLAY="});
    }
    int Pages(const std::string& pdf) {
        const std::string info = PdfTool("pdfinfo", {pdf});
        const size_t at = info.find("Pages:");
        return at == std::string::npos ? -1 : std::atoi(info.c_str() + at + 6);
    }
    std::string Titles(const std::string& pdf) {
        const std::string json = PdfTool("qpdf", {"--json", "--json-key=outlines", pdf});
        std::string titles;
        for (size_t at = json.find("\"title\": \""); at != std::string::npos;
             at = json.find("\"title\": \"", at + 1)) {
            titles += json.substr(at + 10, json.find('"', at + 10) - at - 10) + ";";
        }
        return titles;
    }
};

// The list mode: the PDF carries every convertible document; the one that is not is named and
// makes the exit status 1. The settings are not written.
TEST_F(PdfRun, ListModeSkipsAndNamesUnconvertible) {
    const std::string settingsBefore = ReadText(registry_.HivePath(RegHive::CurrentUser));
    ProcessResult r = Run({"-PDF", "-Out:" + Dir() / "out/book.pdf", Dir() / "docs"});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("skipped (could not be converted): " + Dir() / "docs/junk.bin"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(Pages(Dir() / "out/book.pdf"), 2);
    // Sub-folders are nodes even with one source (qpdf lists a bookmark after its children); the
    // documents lose their extension.
    EXPECT_EQ(Titles(Dir() / "out/book.pdf"), "a;b;sub;");
    EXPECT_NE(
        PdfTool("pdftotext", {"-f", "2", "-l", "2", Dir() / "out/book.pdf", "-"}).find("beta"),
        std::string::npos);
    EXPECT_EQ(ReadText(registry_.HivePath(RegHive::CurrentUser)), settingsBefore);
}

// -Input: the text file gives the tree; every source converted exits 0.
TEST_F(PdfRun, InputFileExitsZero) {
    Dir().WriteFile("list.txt",
                    "NODE Book\nFILE \"docs/a.txt\" Alpha\nFILE \"docs/sub/b.txt\"\n"
                    "ENDNODE\n");
    ProcessResult r = Run({"/pdf", "-Out:" + Dir() / "b.pdf", "-Input:" + Dir() / "list.txt"});
    EXPECT_EQ(r.status, 0) << r.err;
    // qpdf lists a bookmark after its children.
    EXPECT_EQ(Titles(Dir() / "b.pdf"), "Alpha;b;Book;");
}

// The stored parent-on-top choice puts the entries under their common folder; standard error,
// not a terminal here, gets no progress lines.
TEST_F(PdfRun, StoredParentOnTop) {
    for (const int stored : {1, 0}) {
        store_.WriteProfileInt("PDFRendition", "Include Parent as TopLevel", stored);
        ProcessResult r = Run(
            {"-PDF", "-Out:" + Dir() / "p.pdf", Dir() / "docs/a.txt", Dir() / "docs/sub/b.txt"});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(Titles(Dir() / "p.pdf"), stored ? "a;b;docs;" : "a;b;") << stored;
    }
}

// Failures exit 2 with one line and leave no PDF behind (an existing one as it was).
TEST_F(PdfRun, TroubleLeavesNoPdf) {
    Dir().WriteFile("bad.txt", "NODE x\nFILE \"docs/a.txt\"\nBOGUS line\n");
    Dir().WriteFile("old.pdf", "old");
    struct Case {
        std::vector<std::string> args;
        std::string said;
        std::string target;
    };
    const std::vector<Case> cases = {
        {{"-PDF", "-Out:" + Dir() / "n1.pdf", "-Input:" + Dir() / "bad.txt"},
         "Line #3: BOGUS line",
         "n1.pdf"},
        {{"-PDF", "-Out:" + Dir() / "n2.pdf", "-Input:" + Dir() / "none.txt"},
         "Input Text file",
         "n2.pdf"},
        {{"-PDF", "-Out:" + Dir() / "old.pdf", Dir() / "docs/junk.bin"},
         "error code[-52]",
         "old.pdf"},
        {{"-PDF", "-Out:" + Dir() / "docs", Dir() / "docs"}, "Output PDF filename", "docs/x"},
        {{"-PDF", "-Out:", Dir() / "docs"}, "-Out needs a file name", "docs/x"},
    };
    for (const Case& c : cases) {
        ProcessResult r = Run(c.args);
        EXPECT_EQ(r.status, 2) << c.said;
        EXPECT_NE(r.err.find(c.said), std::string::npos) << r.err;
        EXPECT_EQ(c.target == "old.pdf" ? ReadText(Dir() / "old.pdf") : "",
                  c.target == "old.pdf" ? "old" : "")
            << c.said;
        if (c.target != "old.pdf") {
            EXPECT_FALSE(Dir().Exists(c.target)) << c.said;
        }
    }
}

// A document whose PostScript fails in Ghostscript fails the run: exit 2, no target, the
// PostScript kept beside it. The converter is the registered one (a fake handing over broken
// ps2write output).
TEST_F(PdfRun, PostScriptErrorExitsTwo) {
    Dir().WriteFile("p.ps", "%!PS\n72 72 moveto /Helvetica 12 selectfont (p) show showpage\n");
    test::RunProcess(FindOnSearchPath("gs", "/usr/bin:/bin"),
                     {"-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=ps2write",
                      "-sOutputFile=" + Dir() / "good.ps", Dir() / "p.ps"});
    std::string bad = ReadText(Dir() / "good.ps");
    bad.insert(bad.find("%%EndPageSetup\n") + 15, "undefinedthing\n");
    Dir().WriteFile("broken.ps", bad);
    const std::string fake =
        test::MakeFakeTool(Dir(), "conv", "cp \"" + Dir() / "broken.ps" + "\" \"${3#-OUT:}\"");
    registry_.SetString(RegHive::LocalMachine, std::string(kAppPathsKey) + "\\Panorel.exe", "",
                        fake);
    ProcessResult r = Run({"-PDF", "-Out:" + Dir() / "x.pdf", Dir() / "docs/a.txt"});
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_NE(r.err.find("failed to generate the PDF"), std::string::npos) << r.err;
    EXPECT_FALSE(Dir().Exists("x.pdf"));
    EXPECT_TRUE(Dir().Exists("x.ps"));
    EXPECT_EQ(test::ReadFakeToolArgs(fake).at(1), Dir() / "docs/a.txt");
}

// Without -Out: the binder dialog opens, which needs a display: without one, one line and exit 2.
TEST_F(PdfRun, DialogNeedsADisplay) {
    ProcessResult r = test::RunProcess(test::QuillonProgram(), {"-PDF", Dir() / "docs"},
                                       {"DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM="});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("needs a display"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
}

// -Out: and -Input: belong to -PDF only there; elsewhere they stay paths.
TEST(PdfCommandLine, OutAndInputWithPdf) {
    CommandLine cmd = ParseCommandLine({"-PDF", "-Out:b.pdf", "-input:l.txt", "x"});
    EXPECT_EQ(cmd.pdfOut.value_or("?"), "b.pdf");
    EXPECT_EQ(cmd.pdfInput.value_or("?"), "l.txt");
    EXPECT_EQ(cmd.paths, std::vector<std::string>{"x"});
    MakePathsAbsolute(cmd, "/w");
    EXPECT_EQ(cmd.pdfOut.value_or("?"), "/w/b.pdf");
    EXPECT_EQ(cmd.pdfInput.value_or("?"), "/w/l.txt");
    cmd = ParseCommandLine({"-Out:b.pdf", "-Input:l.txt"});
    EXPECT_FALSE(cmd.pdfOut.has_value());
    EXPECT_EQ(cmd.paths, (std::vector<std::string>{"-Out:b.pdf", "-Input:l.txt"}));
}

}  // namespace
}  // namespace quillon
