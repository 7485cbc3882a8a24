#include "reports/PdfRendition.h"

#include <gtest/gtest.h>

#include <cctype>
#include <map>

#include "base/StringPrintf.h"
#include "platform/Ghostscript.h"
#include "platform/Launcher.h"
#include "platform/ToolLocator.h"
#include "support/FakeProgress.h"
#include "support/FakeTool.h"
#include "support/RunProcess.h"
#include "support/ScopedEnv.h"
#include "support/StoreFixture.h"

namespace quillon::test {
namespace {

// The outline of a PDF as "  title@page" lines (two blanks per level), read from qpdf's JSON.
class OutlineReader {
  public:
    // `pages` is qpdf's --show-pages listing, which numbers the page objects.
    OutlineReader(std::string json, const std::string& pages) : s_(std::move(json)) {
        for (size_t at = pages.find("page "); at != std::string::npos;
             at = pages.find("\npage ", at + 1)) {
            const size_t colon = pages.find(':', at);
            const int number = std::atoi(pages.c_str() + pages.find(' ', at) + 1);
            pages_[std::atoi(pages.c_str() + colon + 2)] = number;
        }
    }
    std::string Read() {
        const size_t at = s_.find("\"outlines\":");
        if (at == std::string::npos) {
            return "no outlines";
        }
        p_ = at + 11;
        Items(0);
        return out_;
    }

  private:
    void Ws() {
        while (p_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[p_]))) {
            ++p_;
        }
    }
    std::string String() {
        std::string text;
        for (++p_; p_ < s_.size() && s_[p_] != '"'; ++p_) {
            if (s_[p_] == '\\') {
                ++p_;
            }
            text += s_[p_];
        }
        ++p_;
        return text;
    }
    void Skip() {
        Ws();
        if (s_[p_] == '"') {
            String();
            return;
        }
        if (s_[p_] == '{' || s_[p_] == '[') {
            int depth = 0;
            do {
                if (s_[p_] == '"') {
                    String();
                    continue;
                }
                depth += s_[p_] == '{' || s_[p_] == '['   ? 1
                         : s_[p_] == '}' || s_[p_] == ']' ? -1
                                                          : 0;
                ++p_;
            } while (depth > 0);
            return;
        }
        while (p_ < s_.size() && s_[p_] != ',' && s_[p_] != '}' && s_[p_] != ']') {
            ++p_;
        }
    }
    void Items(int level) {
        Ws();
        ++p_;  // [
        for (Ws(); s_[p_] != ']'; Ws()) {
            if (s_[p_] == ',') {
                ++p_;
                continue;
            }
            ++p_;  // {
            std::string title, page;
            size_t kidsAt = 0;
            for (Ws(); s_[p_] != '}'; Ws()) {
                if (s_[p_] == ',') {
                    ++p_;
                    continue;
                }
                const std::string key = String();
                Ws();
                ++p_;  // :
                Ws();
                if (key == "title") {
                    title = String();
                } else if (key == "dest") {
                    const size_t from = p_;
                    Skip();
                    const std::string dest = s_.substr(from, p_ - from);
                    const size_t ref = dest.find(" 0 R");
                    const size_t start = dest.rfind('"', ref) + 1;
                    page = ref == std::string::npos
                               ? "?"
                               : std::to_string(pages_[std::atoi(dest.c_str() + start)]);
                } else if (key == "kids") {
                    kidsAt = p_;
                    Skip();
                } else {
                    Skip();
                }
            }
            ++p_;  // }
            out_ += std::string(size_t(level) * 2, ' ') + title + "@" + page + "\n";
            if (kidsAt != 0) {
                const size_t resume = p_;
                p_ = kidsAt;
                Items(level + 1);
                p_ = resume;
            }
        }
        ++p_;
    }
    std::string s_;
    std::map<int, int> pages_;
    size_t p_ = 0;
    std::string out_;
};

std::string Tool(const std::string& name) {
    return FindOnSearchPath(name, "/usr/bin:/bin");
}

std::string Outline(const std::string& pdf) {
    return OutlineReader(RunProcess(Tool("qpdf"), {"--json", "--json-key=outlines", pdf}).out,
                         RunProcess(Tool("qpdf"), {"--show-pages", pdf}).out)
        .Read();
}

int Pages(const std::string& pdf) {
    const std::string info = RunProcess(Tool("pdfinfo"), {pdf}).out;
    const size_t at = info.find("Pages:");
    return at == std::string::npos ? -1 : std::atoi(info.c_str() + at + 6);
}

std::string PageText(const std::string& pdf, int page) {
    const std::string n = std::to_string(page);
    return RunProcess(Tool("pdftotext"), {"-f", n, "-l", n, pdf, "-"}).out;
}

// A real rendition through the converter beside the test programs and the real Ghostscript.
class PdfRenditionTest : public StoreFixture {
  protected:
    void SetUp() override {
        env.gs = FindOnSearchPath("gs", "/usr/bin:/bin");
        env.converter = QUILLON_CONVERTER;
        env.settingsFolder = Dir() / "config";
        env.launcher = &launcher;
        env.show = [this](const std::string& text) { shown.push_back(text); };
        options.generateToc = true;
        options.includeExtension = false;
    }
    int Render(const std::string& sources, bool listMode = true) {
        return RenderPdf(sources, Dir() / "out.pdf", listMode, options, env, &outcome);
    }
    ProcessLauncher launcher;
    PdfRenditionEnv env;
    PdfRenditionOptions options;
    PdfRenditionOutcome outcome;
    std::vector<std::string> shown;
};

// Folders become nodes (two sources), each file a bookmark on its own first page, text intact.
TEST_F(PdfRenditionTest, ListOfFoldersGivesTreePagesAndText) {
    std::string longText;
    for (int i = 0; i < 120; ++i) {
        longText += "line " + std::to_string(i) + "\n";
    }
    Dir().MakeTree({{"src/A/one.txt", "first document\n"},
                    {"src/A/two.txt", longText},
                    {"src/A/Sub/three.txt", "third (x) \\ y\n"},
                    {"src/A/$diffundo1$old.txt", "backup\n"},
                    {"src/A/.hidden/h.txt", "hidden\n"},
                    {"src/B/four.txt", "fourth\n"},
                    {"src/C/", ""}});
    ASSERT_EQ(Render(Dir() / "src/A" + "|" + Dir() / "src/B" + "|" + Dir() / "src/C"), 1)
        << ::testing::PrintToString(shown);
    EXPECT_EQ(Pages(Dir() / "out.pdf"), 5);
    EXPECT_EQ(Outline(Dir() / "out.pdf"),
              "A@1\n"
              "  one@1\n"
              "  Sub@2\n"
              "    three@2\n"
              "  two@3\n"
              "B@5\n"
              "  four@5\n");
    EXPECT_NE(PageText(Dir() / "out.pdf", 1).find("first document"), std::string::npos);
    EXPECT_NE(PageText(Dir() / "out.pdf", 2).find("third (x) \\ y"), std::string::npos);
    EXPECT_NE(PageText(Dir() / "out.pdf", 4).find("line 119"), std::string::npos);
    EXPECT_NE(PageText(Dir() / "out.pdf", 5).find("fourth"), std::string::npos);
    EXPECT_TRUE(outcome.skipped.empty());
    EXPECT_EQ(Dir().List("tmp").size(), 0u) << "the private temporary folder is removed";
}

// The input text file spells the tree; a missing file and an unconvertible one are skipped without
// scrambling the counts; titles with ( ) \ and non-ASCII characters survive.
TEST_F(PdfRenditionTest, InputTextFileTreeWithSkippedEntries) {
    Dir().MakeTree({{"d/a.txt", "alpha\n"},
                    {"d/b.txt", "beta\n"},
                    {"d/c.bin", std::string("\x00\x01\x02\xff", 4)},
                    {"d/e.txt", "epsilon\n"}});
    Dir().WriteFile("list.txt",
                    "# the binder\n"
                    "NODE Top (1) \\ äö  # comment\n"
                    "FILE \"d/a.txt\" First\n"
                    "node: Inner\n"
                    "FILE \"./d/b.txt\"\n"
                    "FILE \"d/c.bin\" Binary\n"
                    "FILE \"d/missing.txt\" Missing\n"
                    "ENDNODE\n"
                    "ENDNODE\n"
                    "RELPATH \"" +
                        Dir() / "d" +
                        "\"\n"
                        "FILE \"e.txt\" Last #x\n");
    ASSERT_EQ(Render(Dir() / "list.txt", false), 1) << ::testing::PrintToString(shown);
    EXPECT_EQ(Pages(Dir() / "out.pdf"), 3);
    EXPECT_EQ(Outline(Dir() / "out.pdf"),
              "Top (1) \\ äö@1\n"
              "  First@1\n"
              "  Inner@2\n"
              "    b@2\n"
              "Last@3\n");
    EXPECT_EQ(outcome.skipped.size(), 2u);
}

// A document whose PostScript fails in the final Ghostscript step fails the run: no PDF (the old
// one stays), the PostScript kept under the first free name of <target>.ps, "<target> (2).ps"...
// (a file of that name keeps its bytes), the failure shown.
TEST_F(PdfRenditionTest, PostScriptErrorFailsAndKeepsTarget) {
    Dir().WriteFile("good.ps",
                    "%!PS\n/Helvetica findfont 12 scalefont setfont 72 72 moveto (x) show "
                    "showpage\n");
    const std::string gs = FindOnSearchPath("gs", "/usr/bin:/bin");
    ASSERT_TRUE(RunGhostscript(gs,
                               {"-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=ps2write",
                                "-sOutputFile=" + Dir() / "good.txt.prep", Dir() / "good.ps"},
                               nullptr));
    std::string bad = ReadText(Dir() / "good.txt.prep");
    bad.insert(bad.find("%%EndPageSetup\n") + 15, "nosuchoperator\n");
    Dir().WriteFile("bad.txt.prep", bad);
    // The converter hands over the PostScript prepared for the source.
    env.converter = MakeFakeTool(
        Dir(), "conv", "cp \"" + Dir().Path() + "/$(basename \"$2\").prep\" \"${3#-OUT:}\"");
    Dir().WriteFile("good.txt", "good\n");
    Dir().WriteFile("bad.txt", "bad\n");
    Dir().WriteFile("out.pdf", "previous");
    Dir().WriteFile("out.ps", "a document");
    EXPECT_EQ(Render(Dir() / "good.txt|" + Dir() / "bad.txt|" + Dir() / "good.txt"), -5);
    EXPECT_EQ(ReadText(Dir() / "out.pdf"), "previous");
    EXPECT_EQ(ReadText(Dir() / "out.ps"), "a document");
    EXPECT_NE(ReadText(Dir() / "out (2).ps").find("nosuchoperator"), std::string::npos);
    ASSERT_FALSE(shown.empty());
    EXPECT_NE(shown.back().find("failed to generate the PDF"), std::string::npos);
    EXPECT_NE(shown.back().find("out (2).ps"), std::string::npos);
    // The same documents without the broken one make a PDF.
    EXPECT_EQ(Render(Dir() / "good.txt|" + Dir() / "good.txt"), 1);
    EXPECT_EQ(Pages(Dir() / "out.pdf"), 2);
}

// The converter gets each hostile name as one argument, never through a shell.
TEST_F(PdfRenditionTest, HostileNamesReachTheConverterIntact) {
    const std::vector<std::string> names = {
        "q\"uote.txt", "p(a)r.txt",     "back\\slash.txt", "$(touch pwned).txt", "semi;colon.txt",
        "-lead.txt",   "per%dcent.txt", "ünï.txt",         "bad\xff.txt"};
    env.converter = MakeFakeTool(Dir(), "conv", "exit 3");
    for (const std::string& name : names) {
        Dir().WriteFile("src/" + name, "x\n");
        EXPECT_EQ(Render(Dir() / "src/" + name), -52) << name;
        const std::vector<std::string> args = ReadFakeToolArgs(env.converter);
        ASSERT_EQ(args.size(), 3u) << name;
        EXPECT_EQ(args[0], "-PS");
        EXPECT_EQ(args[1], Dir() / "src/" + name);
        EXPECT_EQ(args[2].rfind("-OUT:" + Dir() / "tmp/quillon-pdf-", 0), 0u) << args[2];
        unlink((env.converter + ".args").c_str());
    }
    EXPECT_FALSE(Dir().Exists("pwned"));
}

// Without the outline the documents are merged by ps2write: pages add up, no bookmarks.
TEST_F(PdfRenditionTest, WithoutOutlineDocumentsAreMerged) {
    options.generateToc = false;
    Dir().MakeTree({{"s/a.txt", "a\n"}, {"s/b.txt", "b\n"}});
    ASSERT_EQ(Render(Dir() / "s"), 1) << ::testing::PrintToString(shown);
    EXPECT_EQ(Pages(Dir() / "out.pdf"), 2);
    EXPECT_EQ(Outline(Dir() / "out.pdf"), "");
}

// The window steps once per document (the bar moving by each one's share of all of them, counted
// before the run) and once before Ghostscript; Cancel at any of these stops the run there: no PDF
// (an existing one stays whole), no temporaries, KeepPS or not.
TEST_F(PdfRenditionTest, CancelStopsBetweenDocuments) {
    Dir().MakeTree({{"s/a.txt", "a\n"}, {"s/b.txt", "b\n"}, {"s/c.txt", "c\n"}});
    struct Case {
        int cancelAfter;  // updates; -1 never
        bool keep;
        int code, documents;
        uint64_t position;  // of the bar at the last update
    };
    const std::vector<Case> cases = {
        {1, false, kPdfCancelled, 0, 0},
        {2, true, kPdfCancelled, 1, 33},
        {4, false, kPdfCancelled, 3, 100},  // the last chance, before Ghostscript
        {-1, false, 1, 3, 100},
    };
    for (const Case& c : cases) {
        Dir().WriteFile("out.pdf", "old");
        FakeProgressFactory windows;
        windows.cancelAfterUpdates = c.cancelAfter;
        env.progressFactory = &windows;
        options.keep = c.keep;
        EXPECT_EQ(Render(Dir() / "s"), c.code) << c.cancelAfter;
        EXPECT_EQ(outcome.documents, c.documents) << c.cancelAfter;
        ASSERT_EQ(windows.opened.size(), 1u);
        EXPECT_EQ(windows.opened[0].caption, "PDF Binder Creation");
        EXPECT_EQ(windows.opened[0].updates, c.cancelAfter < 0 ? 4 : c.cancelAfter);
        EXPECT_EQ(windows.opened[0].lastPosition, c.position) << c.cancelAfter;
        EXPECT_EQ(ReadText(Dir() / "out.pdf") == "old", c.code != 1) << c.cancelAfter;
        EXPECT_EQ(Dir().List("tmp").size(), 0u) << c.cancelAfter;
        EXPECT_EQ(env.progress, nullptr) << "the window is the run's own";
    }
}

// With the parent on top, the list's entries hang under one bookmark named after the folder
// that holds them all, which opens the first document; a lone folder becomes a bookmark too.
TEST_F(PdfRenditionTest, ParentAsTopLevel) {
    Dir().MakeTree({{"p/A/one.txt", "one\n"},
                    {"p/A/Sub/two.txt", "two\n"},
                    {"p/B/three.txt", "three\n"},
                    {"p/four.txt", "four\n"}});
    struct Case {
        std::vector<std::string> entries;
        bool includeParent;
        std::string outline;
    };
    const std::vector<Case> cases = {
        {{"p/A", "p/B/three.txt"},
         true,
         "p@1\n  A@1\n    one@1\n    Sub@2\n      two@2\n  three@3\n"},
        {{"p/A", "p/B/three.txt"}, false, "A@1\n  one@1\n  Sub@2\n    two@2\nthree@3\n"},
        {{"p/four.txt", "p/A/Sub/two.txt"}, true, "p@1\n  four@1\n  two@2\n"},
        {{"p/B"}, true, "p@1\n  B@1\n    three@1\n"},
        {{"p/B"}, false, "three@1\n"},
    };
    for (const Case& c : cases) {
        std::string sources;
        for (const std::string& entry : c.entries) {
            sources += (sources.empty() ? "" : "|") + Dir() / entry;
        }
        options.includeParent = c.includeParent;
        ASSERT_EQ(Render(sources), 1) << sources;
        EXPECT_EQ(Outline(Dir() / "out.pdf"), c.outline) << sources;
    }
}

// Titles are UTF-16BE octal escapes; ( ) \ never appear raw.
TEST(PdfTitle, EscapesEveryCodeUnit) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", ""},
        {"AB", "\\376\\377\\000\\101\\000\\102"},
        {"(\\)x", "\\376\\377\\000\\050\\000\\134\\000\\051\\000\\170"},
        {"ä", "\\376\\377\\000\\344"},
        {"\xF0\x9F\x98\x80", "\\376\\377\\330\\075\\336\\000"},
    };
    for (const auto& [title, encoded] : cases) {
        EXPECT_EQ(ToPdfTitleString(title), encoded) << title;
    }
}

// The input text syntax: codes and error texts per line kind.
TEST(PdfInputText, LineCodes) {
    TestDir dir;
    dir.MakeTree({{"f.txt", "x"}, {"sub/", ""}});
    const std::string base = dir.Path() + "/";
    struct Case {
        std::string line;
        int code;
        std::string title;
    };
    const std::vector<Case> cases = {
        {"", kInputIgnored, ""},
        {"# NODE x", kInputIgnored, ""},
        {"NODE  Chapter 1 # note", kInputNode, "Chapter 1"},
        {"node:", kInputNode, "NODE"},
        {"FILE \"f.txt\" My # title", kInputFile, "My"},
        {"File:\"./f.txt\"", kInputFile, "f.txt"},
        {"FILE \"a#b.txt\" T", kInputFileMissing, "T"},
        {"FILE f.txt", kInputFileEmpty, ""},
        {"ENDNODE", kInputEndNode, ""},
        {"RELPATH \"sub\"", kInputRelPathMissing, ""},
        {"RELPATH \"" + base + "sub\"", kInputRelPath, ""},
        {"RELPATH sub", kInputRelPathEmpty, ""},
        {"PAGE 3", kInputUnknown, ""},
    };
    for (const Case& c : cases) {
        const InputLine parsed = ParseInputLine(c.line, base);
        EXPECT_EQ(parsed.code, c.code) << c.line;
        EXPECT_EQ(parsed.title, c.title) << c.line;
    }
    dir.WriteFile("in.txt", "NODE a\nFILE \"f.txt\"\nFILE \"nope.txt\"\nFILE bare\n");
    EXPECT_EQ(ps_CheckInputSyntax(dir / "in.txt"),
              "Line #3: FILE \"nope.txt\"\n\tFile " + base + "nope.txt doesn't exist.\n");
    dir.WriteFile("in2.txt", "NODE a\nENDNODE\nFILE bare\n");
    EXPECT_EQ(ps_CheckInputSyntax(dir / "in2.txt"), "Line #3: FILE bare\n\tFILE is empty.\n");
    EXPECT_EQ(ps_CheckInputSyntax(dir / "none.txt"),
              "Failed to open the input text-file " + dir / "none.txt" + ".");
}

// The bookmark goes before the first text drawn, by the first kind of text operator found.
TEST(PdfAssembly, BookmarkPlacement) {
    struct Case {
        std::string text;
        size_t at;
    };
    const std::vector<Case> cases = {{"a (x)S \nb ]xS \n", 13},
                                     {"a (x)S \rb", 6},
                                     {"a <41>S \n", 7},
                                     {"q ; LH\n", 2},
                                     {"x%%EndDocument", 1}};
    for (const Case& c : cases) {
        const std::string out = bm_AddBookmark(c.text, "0007");
        EXPECT_EQ(out.substr(0, c.at), c.text.substr(0, c.at)) << c.text;
        EXPECT_EQ(out.substr(out.size() - (c.text.size() - c.at)), c.text.substr(c.at)) << c.text;
        EXPECT_EQ(out.find("\n1194 0/G.0007 HmND\n", c.at) - c.at, c.at == 1 ? 0u : 41u) << c.text;
    }
    EXPECT_EQ(bm_AddBookmark("plain", "0001"), "plain");
    EXPECT_EQ(PsProcedureBlock().size(), 1908u);
    EXPECT_EQ(bm_RemoveTrailer("abc%%Trailer\nend\n"), "abc");
    EXPECT_EQ(bm_NextPS_AddMacroAndBookmarkHeader("%%EndPageSetup\n", "0002"), "");
}

}  // namespace
}  // namespace quillon::test

namespace quillon::test {
namespace {

// Hostile names go through the real converter and Ghostscript: one page and one bookmark each.
TEST_F(PdfRenditionTest, HostileNamesRenderThroughTheRealTools) {
    const std::vector<std::string> names = {
        "q\"uote.txt",    "p(a)r.txt",  "back\\slash.txt", "$(touch pwned).txt",
        "semi;colon.txt", "-lead.txt",  "per%dcent.txt",   "@at.txt",
        "ünï.txt",        "bad\xff.txt"};
    for (const std::string& name : names) {
        Dir().WriteFile("h/" + name, "body of " + name + "\n");
    }
    options.includeExtension = true;
    ASSERT_EQ(Render(Dir() / "h"), 1) << ::testing::PrintToString(shown);
    EXPECT_TRUE(outcome.skipped.empty()) << ::testing::PrintToString(outcome.skipped);
    EXPECT_EQ(Pages(Dir() / "out.pdf"), int(names.size()));
    const std::string outline = Outline(Dir() / "out.pdf");
    EXPECT_NE(outline.find("per%dcent.txt@"), std::string::npos) << outline;
    EXPECT_NE(outline.find("bad\xEF\xBF\xBD.txt@"), std::string::npos) << outline;
    EXPECT_FALSE(Dir().Exists("pwned"));
}

// A "_gsrc" replaces Ghostscript's options only when it names both files; otherwise the user is
// told and the defaults are used.
TEST_F(PdfRenditionTest, GsrcOptionsAndTheirFallback) {
    Dir().WriteFile("one.ps", "%!PS\n72 72 moveto /Helvetica 12 selectfont (one) show showpage\n");
    struct Case {
        std::string line;
        bool warned;
    };
    const std::vector<Case> cases = {
        {"-q -dSAFER -dNOPAUSE -dBATCH -sDEVICE=pdfwrite -sOutputFile=%PDFFILENAME% %PSFILENAME%",
         false},
        {"-q -dSAFER -dNOPAUSE -dBATCH -sDEVICE=pdfwrite -sOutputFile=%PDFFILENAME%", true},
    };
    for (const Case& c : cases) {
        Dir().WriteFile("config/_gsrc", c.line + "\nsecond line ignored\n");
        shown.clear();
        EXPECT_EQ(Render(Dir() / "one.ps"), 1) << c.line;
        EXPECT_EQ(!shown.empty() && shown[0].find("was modified by the user") != std::string::npos,
                  c.warned)
            << c.line;
        EXPECT_EQ(Pages(Dir() / "out.pdf"), 1);
    }
}

// The converter: the viewer's App Paths entry, else beside the program, else PATH.
TEST_F(PdfRenditionTest, ConverterLookupOrder) {
    const std::string registered = MakeFakeTool(Dir(), "reg/conv");
    const std::string beside = MakeFakeTool(Dir(), "prog/quillon-pdfconv");
    const std::string onPath = MakeFakeTool(Dir(), "bin/quillon-pdfconv");
    EXPECT_EQ(FindPdfConverter(registry_, Dir() / "none", Dir() / "bin"), onPath);
    EXPECT_EQ(FindPdfConverter(registry_, Dir() / "prog", Dir() / "bin"), beside);
    registry_.SetString(RegHive::LocalMachine, std::string(kAppPathsKey) + "\\Panorel.exe", "",
                        registered);
    EXPECT_EQ(FindPdfConverter(registry_, Dir() / "prog", Dir() / "bin"), registered);
    EXPECT_EQ(FindPdfConverter(registry_, "", ""), registered);
}

// The free-space need is 8 times the sources' bytes; a link to a folder is not walked.
TEST_F(PdfRenditionTest, RequiredSpaceCountsFilesOnly) {
    Dir().MakeTree(
        {{"r/a", std::string(10, 'a')}, {"r/s/b", std::string(20, 'b')}, {"x/c", "ccc"}});
    Dir().Symlink(Dir() / "x", "r/link");
    EXPECT_EQ(RequiredPdfSpace({Dir() / "r", Dir() / "x/c"}), 8u * 33u);
    EXPECT_GT(FreeSpaceOf(Dir().Path()), 0);
    EXPECT_EQ(FreeSpaceOf(Dir() / "missing"), -1);
}

// The converter's routes by content type, and its exit codes.
TEST_F(PdfRenditionTest, ConverterRoutes) {
    Dir().WriteFile("p.ps",
                    "%!PS\n72 72 moveto /Helvetica 12 selectfont (picture) show showpage\n");
    ASSERT_TRUE(RunGhostscript(env.gs,
                               {"-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=png16m", "-r20",
                                "-sOutputFile=" + Dir() / "img.png", Dir() / "p.ps"},
                               nullptr));
    ASSERT_TRUE(GhostscriptToPdf(env.gs, Dir() / "p.ps", Dir() / "p.pdf", nullptr));
    Dir().WriteFile("t.txt", "plain words\n");
    Dir().WriteFile("u16.txt", std::string("\xFF\xFE"
                                           "w\0i\0d\0e\0\n\0",
                                           12));
    Dir().WriteFile("b.bin", std::string("\x00\x01\x02\x03", 4));
    // Greek, Cyrillic and Latin beyond Latin-1 keep their text through PostScript.
    Dir().WriteFile("scripts.txt", "Привет, мир! Καλημέρα κόσμε (ąčę) 5€ ΔΩμς\n");
    struct Case {
        std::string mode, source;
        int status;
        std::string text;  // expected in the output's text
    };
    const std::vector<Case> cases = {
        {"-PS", "t.txt", 0, "plain words"},
        {"-PS", "u16.txt", 0, "wide"},
        {"-PS", "scripts.txt", 0, "Привет, мир! Καλημέρα κόσμε (ąčę) 5€ ΔΩμς"},
        {"-PS", "img.png", 0, ""},
        {"-PS", "p.pdf", 0, "picture"},
        {"-PS", "p.ps", 0, "picture"},
        {"-PDF", "t.txt", 0, "plain words"},
        {"-PS", "b.bin", 2, ""},
        {"-PS", "missing.txt", 2, ""},
    };
    for (const Case& c : cases) {
        const std::string out = Dir() / ("out" + c.mode);
        unlink(out.c_str());
        const ProcessResult r =
            RunProcess(env.converter, {c.mode, Dir() / c.source, "-OUT:" + out});
        EXPECT_EQ(r.status, c.status) << c.source << r.err;
        if (c.status != 0) {
            EXPECT_NE(r.err.find(c.source), std::string::npos) << r.err;
            continue;
        }
        const std::string pdf = c.mode == "-PDF" ? out : out + ".pdf";
        if (c.mode == "-PS") {
            ASSERT_TRUE(GhostscriptToPdf(env.gs, out, pdf, nullptr)) << c.source;
        }
        EXPECT_EQ(Pages(pdf), 1) << c.source;
        EXPECT_NE(PageText(pdf, 1).find(c.text), std::string::npos) << c.source;
    }
    EXPECT_EQ(RunProcess(env.converter, {"-PS", Dir() / "t.txt"}).status, 1);
}

// KEEPPS gives "<target>.ps" beside the PDF only where that name is free: a file there (an older
// copy, or the PostScript source itself) keeps every byte, and no temporary is left behind.
TEST_F(PdfRenditionTest, KeptPostScriptNeverReplacesAFile) {
    const std::string source =
        "%!PS\n72 72 moveto /Helvetica 12 selectfont (picture) show showpage\n";
    Dir().MakeTree({{"k/t.txt", "plain words\n"}, {"k/p.ps", source}, {"k/old.ps", "older copy"}});
    struct Case {
        std::string source, pdf, kept, before;  // `before` empty: the name is free
    };
    const std::vector<Case> cases = {
        {"t.txt", "fresh.pdf", "fresh.ps", ""},
        {"t.txt", "old.pdf", "old.ps", "older copy"},
        {"p.ps", "p.pdf", "p.ps", source},
    };
    for (const Case& c : cases) {
        const ProcessResult r = RunProcess(
            env.converter,
            {"-PDF", Dir() / ("k/" + c.source), "-OUT:" + Dir() / ("k/" + c.pdf), "-", "KEEPPS"});
        EXPECT_EQ(r.status, 0) << c.pdf << r.err;
        EXPECT_EQ(Pages(Dir() / ("k/" + c.pdf)), 1) << c.pdf;
        if (c.before.empty()) {
            EXPECT_EQ(Dir().ReadFile("k/" + c.kept).rfind("%!PS-Adobe", 0), 0u) << c.kept;
        } else {
            EXPECT_EQ(Dir().ReadFile("k/" + c.kept), c.before) << c.kept;
            EXPECT_NE(r.err.find(c.kept + ": File exists"), std::string::npos) << r.err;
        }
    }
    EXPECT_EQ(Dir().List("k"), (std::vector<std::string>{"fresh.pdf", "fresh.ps", "old.pdf",
                                                         "old.ps", "p.pdf", "p.ps", "t.txt"}));
}

// The converter's PDF replaces the target only once it is whole: Ghostscript failing after
// writing part of it, or the converter killed (SIGKILL) while Ghostscript writes, leaves the old
// target byte for byte; a failure leaves nothing else behind.
TEST_F(PdfRenditionTest, ConverterTargetSurvivesFailureAndKill) {
    Dir().MakeTree({{"g/t.txt", "plain words\n"}, {"g/old.pdf", "old bytes"}});
    // The stand-in for Ghostscript writes half a PDF where it is told to, then ends as told.
    const std::string half =
        "for a; do case \"$a\" in -sOutputFile=*) printf '%%PDF-1.7 half' > "
        "\"${a#-sOutputFile=}\";; esac; done\n";
    struct Case {
        std::string end;
        int status;  // -1: killed
    };
    const std::vector<Case> cases = {{"exit 1", 2}, {"kill -9 $PPID", -1}};
    for (const Case& c : cases) {
        registry_.SetString(RegHive::LocalMachine, "Software\\Quillon", "GsExe",
                            MakeFakeTool(Dir(), "gs", half + c.end));
        const ProcessResult r =
            RunProcess(env.converter, {"-PDF", Dir() / "g/t.txt", "-OUT:" + Dir() / "g/old.pdf"});
        EXPECT_EQ(r.status, c.status) << c.end << r.err;
        EXPECT_EQ(ReadText(Dir() / "g/old.pdf"), "old bytes") << c.end;
        std::vector<std::string> left = Dir().List("g");
        if (c.status == -1) {
            // A killed run cannot clean up: its temporary stays under a hidden name of its own.
            std::erase_if(left,
                          [](const std::string& name) { return name.rfind(".pdf-", 0) == 0; });
        }
        EXPECT_EQ(left, (std::vector<std::string>{"old.pdf", "t.txt"})) << c.end;
    }
}

// Keeping the PostScript puts "<source>.ps" beside each source under the first free name: a file
// already there keeps its bytes.
TEST_F(PdfRenditionTest, KeptSourcePostScriptNeverReplacesAFile) {
    Dir().MakeTree({{"s/a.txt", "alpha\n"}, {"s/a.txt.ps", "mine"}, {"s/b.txt", "beta\n"}});
    options.keep = true;
    EXPECT_EQ(Render(Dir() / "s/a.txt|" + Dir() / "s/b.txt"), 1);
    EXPECT_EQ(ReadText(Dir() / "s/a.txt.ps"), "mine");
    EXPECT_EQ(ReadText(Dir() / "s/a.txt (2).ps").rfind("%!PS-Adobe", 0), 0u);
    EXPECT_EQ(ReadText(Dir() / "s/b.txt.ps").rfind("%!PS-Adobe", 0), 0u);
    EXPECT_EQ(Dir().List("s").size(), 5u);
}

}  // namespace
}  // namespace quillon::test

namespace quillon::test {
namespace {

std::string FakePs2Write(const std::string& body) {
    return "%!PS-Adobe-3.0\n/DSC_OPDFREAD true def\n%%EndProlog\n%%Page: 1 1\n%%BeginPageSetup\n"
           "%%EndPageSetup\n" +
           body + "\n%%PageTrailer\n%%Trailer\nend\n%%EOF\n";
}

// The outline as written: counts come from the recorded parents, so a document that failed and
// folders left empty neither count nor appear; a folder points at its first document.
TEST(PdfAssemblyWork, OutlineFromRecordedParents) {
    TestDir dir;
    ScopedEnv tmp("TMPDIR", dir.Path());
    dir.WriteFile("1.ps", FakePs2Write("BODY1"));
    dir.WriteFile("3.ps", FakePs2Write("BODY3"));
    PsWork work;
    ASSERT_FALSE(work.ps_InitEnv(true).empty());
    const int32_t base = psItemCounter();
    EXPECT_EQ(work.ps_ProcessPostscript(DT_FOLDER, 9, "A", "", false), 1);
    EXPECT_EQ(work.ps_ProcessPostscript(DT_DOCUMENT, 0, "one.txt", dir / "1.ps", false), 1);
    EXPECT_EQ(work.ps_ProcessPostscript(DT_FOLDER, 0, "B", "", false), 1);
    work.ps_EndFolder();
    EXPECT_EQ(work.ps_ProcessPostscript(DT_FOLDER, 0, "C", "", false), 1);
    EXPECT_NE(work.ps_ProcessPostscript(DT_DOCUMENT, 0, "gone", dir / "2.ps", false), 1);
    work.ps_EndFolder();
    work.ps_EndFolder();
    EXPECT_EQ(work.ps_ProcessPostscript(DT_DOCUMENT, 0, "three.txt", dir / "3.ps", false), 1);
    EXPECT_NE(dir.ReadFile("1.ps").find(StringPrintf("1194 0/G.%.4d HmND", base + 2)),
              std::string::npos)
        << "the document is edited in place";
    ASSERT_EQ(work.ps_FinalizePostscriptBM(false, "[", "]", false, "", nullptr), 1);
    const std::string out = ReadWholeFile(work.OutFile());
    const std::string outline =
        StringPrintf("[/Dest/G.%.4d/Title(%s)/Count 1/OUT HmPD2\n", base + 2,
                     ToPdfTitleString("[A]")) +
        StringPrintf("[/Dest/G.%.4d/Title(%s)/OUT HmPD2\n", base + 2, ToPdfTitleString("one")) +
        StringPrintf("[/Dest/G.%.4d/Title(%s)/OUT HmPD2\n", base + 6, ToPdfTitleString("three"));
    EXPECT_NE(out.find(outline), std::string::npos) << out.substr(out.find("/DOCINFO"), 600);
    // The first document's header carries the block; the later one is whole inside save/restore.
    EXPECT_LT(out.find(PsProcedureBlock()), out.find(outline));
    EXPECT_LT(out.find("BODY1"), out.find("userdict/QDocSave save put"));
    EXPECT_LT(out.find("/DSC_OPDFREAD", out.find("QDocSave save")), out.find("BODY3"));
    EXPECT_LT(out.find("BODY3"), out.find("userdict/QDocSave get restore"));
    EXPECT_EQ(out.find("%%Trailer\nend"), std::string::npos)
        << "documents end before their trailer";
    EXPECT_EQ(out.substr(out.size() - 9), "%-12345X\n");
    // The documents went into the result; the private folder goes with the rendition.
    EXPECT_FALSE(dir.Exists("1.ps") || dir.Exists("3.ps"));
    work.ps_DeinitEnv(false);
    EXPECT_EQ(dir.List(), std::vector<std::string>{});
}

// Every step refuses to run outside an initialised rendition; text without the page marks fails.
TEST(PdfAssemblyWork, RefusalsAndBadDocuments) {
    TestDir dir;
    ScopedEnv tmp("TMPDIR", dir.Path());
    PsWork work;
    EXPECT_EQ(work.ps_ProcessPostscript(DT_FOLDER, 0, "x", "", false), -99);
    EXPECT_EQ(work.ps_FinalizePostscriptBM(true, "", "", false, "", nullptr), -99);
    ASSERT_FALSE(work.ps_InitEnv(true).empty());
    EXPECT_EQ(work.ps_FinalizePostscriptBM(true, "", "", false, "", nullptr), -40);
    dir.WriteFile("nosetup.ps", "%!PS\n%%Page: 1 1\nshowpage\n");
    EXPECT_EQ(work.ps_ProcessPostscript(DT_DOCUMENT, 0, "n", dir / "nosetup.ps", false), -1);
    EXPECT_EQ(bm_NextPS_AddMacroAndBookmarkHeader("%%EndPageSetup\n", "0001"), "");
    EXPECT_EQ(bm_NextPS_AddMacroAndBookmarkHeader("%%Page: 1 1\n", "0001"), "");
    std::string header;
    EXPECT_EQ(bm_FirstFile_AddMacroAndSetupTOC("%!PS\nshowpage\n", header), "");
}

}  // namespace
}  // namespace quillon::test
