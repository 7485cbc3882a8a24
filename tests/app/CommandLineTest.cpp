#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/PathUtil.h"
#include "core/DisplayFilter.h"
#include "platform/SettingsCatalogue.h"
#include "support/StoreFixture.h"

namespace quillon {
namespace {

using Args = std::vector<std::string>;

// What a parse recognised, in one line: the switches, the filter and the paths.
std::string Summary(const CommandLine& cmd) {
    std::string text;
    text += cmd.regRun ? "reg " : "";
    text += cmd.unregRun ? "unreg " : "";
    text += cmd.filterGiven ? "filter " : "";
    text += cmd.filterFlags ? std::to_string(*cmd.filterFlags) + " " : "";
    text += cmd.filterExtensions ? *cmd.filterExtensions + " " : "";
    for (const std::string& path : cmd.paths) {
        text += "[" + path + "]";
    }
    return text + (cmd.error.empty() ? "" : " error");
}

// Switch spelling, the single-argument registration rule and the case-sensitive filter option.
TEST(ParseCommandLine, RecognisesWhatTheRulesSay) {
    const struct {
        const char* why;
        Args args;
        const char* recognised;  // Summary() of the parse
    } cases[] = {
        {"lower-case single /reg", {"/reg"}, "reg "},
        {"dash form of unreg", {"-UNREG"}, "unreg "},
        {"/Reg with another argument is a path", {"/Reg", "x"}, "[/Reg][x]"},
        {"lower-case filter is a path", {"-filter:3:txt"}, "[-filter:3:txt]"},
        {"filter flags and list", {"-FILTER:258:TXT,Doc"}, "filter 258 ;txt;doc; "},
        {"slash filter, spaces removed", {"/FILTER:512:t xt, C"}, "filter 512 ;txt;c; "},
        {"bare filter only activates", {"-FILTER"}, "filter "},
        {"empty tokens are skipped", {"-FILTER::7::pdf"}, "filter 7 ;pdf; "},
        {"leading decimal number only", {"-FILTER:12abc"}, "filter 12 "},
        {"no number gives 0", {"-FILTER:x1"}, "filter 0 "},
        {"filter must start the argument", {"x-FILTER:3"}, "[x-FILTER:3]"},
        {"a later filter overrides the flags only", {"-FILTER:1:a", "-FILTER:2"}, "filter 2 ;a; "},
        {"one trailing separator goes, the root stays", {"/a/b/", "/", "c//"}, "[/a/b][/][c/]"},
        {"-Out is a path without a report", {"-Out:r.txt"}, "[-Out:r.txt]"},
        {"a longer word is not the report switch", {"-Reporting"}, "[-Reporting]"}};
    for (const auto& c : cases) {
        EXPECT_EQ(Summary(ParseCommandLine(c.args)), c.recognised) << c.why;
    }
}

// cmdArgs keeps every argument as typed; joinedPaths lists every path, a third one too. The
// report switch in any position and case, its three values and the output file.
TEST(ParseCommandLine, ArgumentTextsAndReportSwitch) {
    CommandLine rename = ParseCommandLine({"-SARename", "/x/a/", "b", "c", "-FILTER:1"});
    EXPECT_TRUE(rename.renameRun);
    EXPECT_EQ(rename.cmdArgs, "-SARename /x/a/ b c -FILTER:1 ");
    EXPECT_EQ(rename.joinedPaths, "/x/a;b;c;");

    CommandLine cmd = ParseCommandLine({"l", "/rEpOrT:7:2:1", "r", "-out:/tmp/o:1.txt"});
    EXPECT_TRUE(cmd.report.present);
    EXPECT_EQ(cmd.report.contentIndex, 7);
    EXPECT_EQ(cmd.report.encoding, 2);
    EXPECT_EQ(cmd.report.fileNameStyle, 1);
    EXPECT_EQ(cmd.report.outPath, "/tmp/o:1.txt");
    EXPECT_EQ(cmd.paths, (Args{"l", "r"}));
    EXPECT_TRUE(cmd.error.empty());

    // -PrintPDF takes its rows and the report's "-Out:".
    for (const auto& [arg, rows] :
         {std::pair{"-PrintPDF", 0}, {"/printpdf:1", 1}, {"-PRINTPDF:2", 2}}) {
        CommandLine pdf = ParseCommandLine({arg, "-Out:x.pdf", "l", "r"});
        EXPECT_TRUE(pdf.printPdf.present) << arg;
        EXPECT_EQ(pdf.printPdf.rows, rows) << arg;
        EXPECT_EQ(pdf.report.outPath, "x.pdf") << arg;
        EXPECT_EQ(pdf.paths, (Args{"l", "r"})) << arg;
    }

    CommandLine partial = ParseCommandLine({"-Report::3", "l", "r"});
    EXPECT_FALSE(partial.report.contentIndex.has_value());
    EXPECT_EQ(partial.report.encoding, 3);
    EXPECT_FALSE(partial.report.fileNameStyle.has_value());
}

// Values out of range, not numbers or one too many are refused, and so is "-Out" without a file.
TEST(ParseCommandLine, BadReportValueIsAnError) {
    for (Args args : {Args{"-Report:8"}, Args{"-Report:1:4"}, Args{"-Report:0:0:3"},
                      Args{"-Report:a"}, Args{"-Report:-1"}, Args{"-Report:1:1:1:1"},
                      Args{"-Report:007"}, Args{"-Report", "-Out:"}, Args{"-PrintPDF:3"},
                      Args{"-PrintPDF:"}, Args{"-PrintPDF:12"}, Args{"-PrintPDF", "-Out:"}}) {
        args.insert(args.end(), {"l", "r"});
        EXPECT_FALSE(ParseCommandLine(args).error.empty()) << args[0];
    }
}

// Kinds by name: d* folders, t* text files, b* binary files, anything else missing.
PathInfo FakeProbe(const std::string& path) {
    const char kind = path.empty() ? '?' : path[0];
    return {kind == 'd'                  ? PathKind::Folder
            : kind == 't' || kind == 'b' ? PathKind::File
                                         : PathKind::Missing,
            kind == 'b'};
}

// Which run a command line leads to and which paths take part in it.
TEST(DecideStart, PicksOutcomeAndPaths) {
    using enum StartOutcome;
    const struct {
        const char* why;
        Args args;
        StartOutcome outcome;
        Args paths;
        bool binary = false;
    } cases[] = {
        {"no arguments", {}, Window, {}},
        {"folder pair", {"d1", "d2"}, Window, {"d1", "d2"}},
        {"folder then file", {"d1", "t1"}, Window, {"d1"}},
        {"file then folder", {"t1", "d1"}, OpenFiles, {"t1"}},
        {"two text files", {"t1", "t2"}, OpenFiles, {"t1", "t2"}},
        {"text then binary", {"t1", "b1"}, OpenFiles, {"t1"}},
        {"binary then text", {"b1", "t1"}, OpenFiles, {"b1"}, true},
        {"two binaries", {"b1", "b2"}, OpenFiles, {"b1", "b2"}, true},
        {"missing first", {"m1", "d1"}, Window, {}},
        {"third folder ignored", {"d1", "d2", "d3"}, Window, {"d1", "d2"}},
        {"rename gets all", {"d1", "t2", "m3", "-SARename"}, Rename, {"d1", "t2", "m3"}},
        {"pdf renders the first only", {"-PDF", "d1", "d2"}, Pdf, {"d1"}},
        {"config before pdf", {"-PDF", "/config"}, Config, {}},
        {"pdf before rename", {"-SARename", "-pdf", "t1"}, Pdf, {"t1"}},
        {"report takes the first two", {"-Report", "d1", "m2", "d3"}, Report, {"d1", "m2"}},
        {"printed pdf takes the first two",
         {"d1", "/printpdf:2", "d2", "d3"},
         PrintPdf,
         {"d1", "d2"}},
        {"pdf rendition is not the printed one", {"-PDF", "-PrintPDF", "d1"}, Pdf, {"d1"}},
        {"single reg", {"-reg"}, Register, {}},
        {"single unreg", {"/Unreg"}, Unregister, {}}};
    for (const auto& c : cases) {
        StartDecision d = DecideStart(ParseCommandLine(c.args), FakeProbe);
        EXPECT_EQ(d.outcome, c.outcome) << c.why;
        EXPECT_EQ(d.paths, c.paths) << c.why;
        EXPECT_EQ(d.binary, c.binary) << c.why;
    }
}

class SeedFilter : public test::StoreFixture {};

// Without a difference filter nothing is active and the lists are not read; an inclusion filter
// takes the first entry of its start-up list, normalised; an exclusion filter with an empty list
// falls back to "no extension filter". The command line wins over the settings, but only for the
// parts it gives.
TEST_F(SeedFilter, FromTheStoredFilterAndTheCommandLine) {
    // What start-up makes of it, in one line: active, flags, extensions, expand-all.
    auto seeded = [this] {
        FilterState f = StartupFilterState(store_);
        return std::to_string(f.filterActive) + " " + std::to_string(f.filterFlags) + " " +
               f.filterExtensions + " " + std::to_string(f.expandAll);
    };
    EXPECT_EQ(seeded(), "0 0  0");
    store_.WriteProfileInt("Filter", "Flags", 0x102);
    store_.WriteProfileInt("Filter", "ExpandAll", 1);
    store_.AddToMruList(quillon::settings::kMruFilterInclusion, "TXT, doc");
    store_.AddToMruList(quillon::settings::kMruFilterInclusion, "pdf");
    EXPECT_EQ(seeded(), "1 258 ;txt;doc; 1");
    store_.WriteProfileInt("Filter", "Flags", 0x204);
    store_.WriteProfileInt("Filter", "ExpandAll", 2);
    EXPECT_EQ(seeded(), "1 513  0");

    store_.WriteProfileInt("Filter", "Flags", 0x102);
    FilterState f = StartupFilterState(store_);
    ApplyFilterOption(ParseCommandLine({"-FILTER"}), f);
    EXPECT_EQ(f.filterFlags, 0x102u);
    EXPECT_EQ(f.filterExtensions, ";txt;doc;");
    ApplyFilterOption(ParseCommandLine({"-FILTER:4:h"}), f);
    EXPECT_TRUE(f.filterActive);
    EXPECT_EQ(f.filterFlags, 4u);
    EXPECT_EQ(f.filterExtensions, ";h;");
}

// Joined to the current folder and folded as text, never resolved; ".." stops at the root.
TEST(AbsolutePath, FoldsAsText) {
    const struct {
        const char* base;
        const char* path;
        const char* expected;
    } cases[] = {{"/w/src", "examples/left", "/w/src/examples/left"},
                 {"/w/src", "examples/left/..", "/w/src/examples"},
                 {"/w/src", "../..", "/"},
                 {"/w/src", "../../../..", "/"},
                 {"/w", "./a//b/./", "/w/a/b"},
                 {"/w", ".", "/w"},
                 {"/w", "link/../x", "/w/x"},
                 {"/w", "/abs/./p/../q", "/abs/q"},
                 {"/w", "/..", "/"},
                 {"/w", "//", "/"},
                 {"/", "a", "/a"},
                 {"/w", "", ""}};
    for (const auto& c : cases) {
        EXPECT_EQ(AbsolutePath(c.base, c.path), c.expected) << c.base << " + " << c.path;
    }
}

// Every path argument and the report file, the joined list too; the argument line stays as typed.
TEST(MakePathsAbsolute, EveryPathOfTheCommandLine) {
    CommandLine cmd = ParseCommandLine({"-Report", "-Out:../r.txt", "L/", "../R", "x/.."});
    MakePathsAbsolute(cmd, "/home/u/work");
    EXPECT_EQ(cmd.paths, (std::vector<std::string>{"/home/u/work/L", "/home/u/R", "/home/u/work"}));
    EXPECT_EQ(cmd.joinedPaths, "/home/u/work/L;/home/u/R;/home/u/work;");
    EXPECT_EQ(cmd.report.outPath, "/home/u/r.txt");
    EXPECT_EQ(cmd.cmdArgs, "-Report -Out:../r.txt L/ ../R x/.. ");
}

}  // namespace
}  // namespace quillon
