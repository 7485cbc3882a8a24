#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "core/DisplayFilter.h"
#include "platform/SettingsCatalogue.h"
#include "support/StoreFixture.h"
#include "support/TestDir.h"

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

struct ParseCase {
    const char* why;
    Args args;
    const char* recognised;  // Summary() of the parse
};

void PrintTo(const ParseCase& c, std::ostream* os) {
    *os << c.why;
}

class ParseSwitches : public ::testing::TestWithParam<ParseCase> {};

// Switch spelling, the single-argument registration rule and the case-sensitive filter option.
TEST_P(ParseSwitches, RecognisesWhatTheRulesSay) {
    EXPECT_EQ(Summary(ParseCommandLine(GetParam().args)), GetParam().recognised);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ParseSwitches,
    ::testing::Values(
        ParseCase{"lower-case single /reg", {"/reg"}, "reg "},
        ParseCase{"dash form of unreg", {"-UNREG"}, "unreg "},
        ParseCase{"/Reg with another argument is a path", {"/Reg", "x"}, "[/Reg][x]"},
        ParseCase{"lower-case filter is a path", {"-filter:3:txt"}, "[-filter:3:txt]"},
        ParseCase{"filter flags and list", {"-FILTER:258:TXT,Doc"}, "filter 258 ;txt;doc; "},
        ParseCase{"slash filter, spaces removed", {"/FILTER:512:t xt, C"}, "filter 512 ;txt;c; "},
        ParseCase{"bare filter only activates", {"-FILTER"}, "filter "},
        ParseCase{"empty tokens are skipped", {"-FILTER::7::pdf"}, "filter 7 ;pdf; "},
        ParseCase{"leading decimal number only", {"-FILTER:12abc"}, "filter 12 "},
        ParseCase{"no number gives 0", {"-FILTER:x1"}, "filter 0 "},
        ParseCase{"filter must start the argument", {"x-FILTER:3"}, "[x-FILTER:3]"},
        ParseCase{"a later filter overrides the flags only",
                  {"-FILTER:1:a", "-FILTER:2"},
                  "filter 2 ;a; "},
        ParseCase{
            "one trailing separator goes, the root stays", {"/a/b/", "/", "c//"}, "[/a/b][/][c/]"},
        ParseCase{"-Out is a path without a report", {"-Out:r.txt"}, "[-Out:r.txt]"},
        ParseCase{"a longer word is not the report switch", {"-Reporting"}, "[-Reporting]"}));

// cmdArgs keeps every argument as typed; joinedPaths lists every path, a third one too.
TEST(ParseCommandLine, CollectsArgumentTexts) {
    CommandLine cmd = ParseCommandLine({"-SARename", "/x/a/", "b", "c", "-FILTER:1"});
    EXPECT_TRUE(cmd.renameRun);
    EXPECT_EQ(cmd.cmdArgs, "-SARename /x/a/ b c -FILTER:1 ");
    EXPECT_EQ(cmd.joinedPaths, "/x/a;b;c;");
}

// The report switch in any position and case, its three values and the output file.
TEST(ParseCommandLine, ReportSwitchValues) {
    CommandLine cmd = ParseCommandLine({"l", "/rEpOrT:7:2:1", "r", "-out:/tmp/o:1.txt"});
    EXPECT_TRUE(cmd.report.present);
    EXPECT_EQ(cmd.report.contentIndex, 7);
    EXPECT_EQ(cmd.report.encoding, 2);
    EXPECT_EQ(cmd.report.fileNameStyle, 1);
    EXPECT_EQ(cmd.report.outPath, "/tmp/o:1.txt");
    EXPECT_EQ(cmd.paths, (Args{"l", "r"}));
    EXPECT_TRUE(cmd.error.empty());

    CommandLine partial = ParseCommandLine({"-Report::3", "l", "r"});
    EXPECT_FALSE(partial.report.contentIndex.has_value());
    EXPECT_EQ(partial.report.encoding, 3);
    EXPECT_FALSE(partial.report.fileNameStyle.has_value());
}

class BadReportValue : public ::testing::TestWithParam<Args> {};

// Values out of range, not numbers or one too many are refused, and so is "-Out" without a file.
TEST_P(BadReportValue, IsAnError) {
    Args args = GetParam();
    args.insert(args.end(), {"l", "r"});
    EXPECT_FALSE(ParseCommandLine(args).error.empty()) << args[0];
}

INSTANTIATE_TEST_SUITE_P(Table, BadReportValue,
                         ::testing::Values(Args{"-Report:8"}, Args{"-Report:1:4"},
                                           Args{"-Report:0:0:3"}, Args{"-Report:a"},
                                           Args{"-Report:-1"}, Args{"-Report:1:1:1:1"},
                                           Args{"-Report:007"}, Args{"-Report", "-Out:"}));

struct DecideCase {
    const char* why;
    Args args;
    StartOutcome outcome;
    Args paths;
    bool binary = false;
};

// Kinds by name: d* folders, t* text files, b* binary files, anything else missing.
PathInfo FakeProbe(const std::string& path) {
    switch (path.empty() ? '?' : path[0]) {
        case 'd':
            return {PathKind::Folder, false};
        case 't':
            return {PathKind::File, false};
        case 'b':
            return {PathKind::File, true};
        default:
            return {PathKind::Missing, false};
    }
}

void PrintTo(const DecideCase& c, std::ostream* os) {
    *os << c.why;
}

class DecideStartTable : public ::testing::TestWithParam<DecideCase> {};

// Which run a command line leads to and which paths take part in it.
TEST_P(DecideStartTable, PicksOutcomeAndPaths) {
    const DecideCase& c = GetParam();
    StartDecision d = DecideStart(ParseCommandLine(c.args), FakeProbe);
    EXPECT_EQ(d.outcome, c.outcome) << c.why;
    EXPECT_EQ(d.paths, c.paths) << c.why;
    EXPECT_EQ(d.binary, c.binary) << c.why;
}

INSTANTIATE_TEST_SUITE_P(
    Table, DecideStartTable,
    ::testing::Values(
        DecideCase{"no arguments", {}, StartOutcome::Window, {}},
        DecideCase{"folder pair", {"d1", "d2"}, StartOutcome::Window, {"d1", "d2"}},
        DecideCase{"folder then file", {"d1", "t1"}, StartOutcome::Window, {"d1"}},
        DecideCase{"file then folder", {"t1", "d1"}, StartOutcome::OpenFiles, {"t1"}},
        DecideCase{"two text files", {"t1", "t2"}, StartOutcome::OpenFiles, {"t1", "t2"}},
        DecideCase{"text then binary", {"t1", "b1"}, StartOutcome::OpenFiles, {"t1"}},
        DecideCase{"binary then text", {"b1", "t1"}, StartOutcome::OpenFiles, {"b1"}, true},
        DecideCase{"two binaries", {"b1", "b2"}, StartOutcome::OpenFiles, {"b1", "b2"}, true},
        DecideCase{"missing first", {"m1", "d1"}, StartOutcome::Window, {}},
        DecideCase{"third folder ignored", {"d1", "d2", "d3"}, StartOutcome::Window, {"d1", "d2"}},
        DecideCase{"rename gets all",
                   {"d1", "t2", "m3", "-SARename"},
                   StartOutcome::Rename,
                   {"d1", "t2", "m3"}},
        DecideCase{"pdf renders the first only", {"-PDF", "d1", "d2"}, StartOutcome::Pdf, {"d1"}},
        DecideCase{"config before pdf", {"-PDF", "/config"}, StartOutcome::Config, {}},
        DecideCase{"pdf before rename", {"-SARename", "-pdf", "t1"}, StartOutcome::Pdf, {"t1"}},
        DecideCase{"report takes the first two",
                   {"-Report", "d1", "m2", "d3"},
                   StartOutcome::Report,
                   {"d1", "m2"}},
        DecideCase{"single reg", {"-reg"}, StartOutcome::Register, {}},
        DecideCase{"single unreg", {"/Unreg"}, StartOutcome::Unregister, {}}));

// The real probe: folders, text and binary files, and missing paths.
TEST(ProbePath, ClassifiesRealEntries) {
    test::TestDir dir;
    dir.MakeTree({{"sub/", ""},
                  {"note.txt", "plain words\n"},
                  {"blob.bin", std::string("MZ\0\x01\x02\0\x03", 7)}});
    EXPECT_EQ(ProbePath(dir / "sub").kind, PathKind::Folder);
    EXPECT_EQ(ProbePath(dir / "note.txt").kind, PathKind::File);
    EXPECT_FALSE(ProbePath(dir / "note.txt").binary);
    EXPECT_EQ(ProbePath(dir / "blob.bin").kind, PathKind::File);
    EXPECT_TRUE(ProbePath(dir / "blob.bin").binary);
    EXPECT_EQ(ProbePath(dir / "nothing").kind, PathKind::Missing);
}

class SeedFilter : public test::StoreFixture {};

// Without a difference filter nothing is active and the lists are not read; an inclusion filter
// takes the first entry of its start-up list, normalised; an exclusion filter with an empty list
// falls back to "no extension filter".
TEST_F(SeedFilter, FromTheStoredFilter) {
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
}

// The command line wins over the settings, but only for the parts it gives.
TEST_F(SeedFilter, CommandLineOverridesGivenParts) {
    store_.WriteProfileInt("Filter", "Flags", 0x102);
    store_.AddToMruList(quillon::settings::kMruFilterInclusion, "c");
    FilterState f = StartupFilterState(store_);
    ApplyFilterOption(ParseCommandLine({"-FILTER"}), f);
    EXPECT_EQ(f.filterFlags, 0x102u);
    EXPECT_EQ(f.filterExtensions, ";c;");
    ApplyFilterOption(ParseCommandLine({"-FILTER:4:h"}), f);
    EXPECT_TRUE(f.filterActive);
    EXPECT_EQ(f.filterFlags, 4u);
    EXPECT_EQ(f.filterExtensions, ";h;");
}

}  // namespace
}  // namespace quillon
