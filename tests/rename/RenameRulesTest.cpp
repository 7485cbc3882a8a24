// The six pages' rules, simulated result and checks, pinned by the examples each page gives.
#include <gtest/gtest.h>

#include "rename/RenameRules.h"
#include "support/FakePrompter.h"

namespace quillon {
namespace {

using test::FakePrompter;

RenameOptions Page1(int mode, std::string text, int digitsIndex = 0) {
    RenameOptions o;
    o.page1.mode = mode;
    (mode == 1 ? o.page1.suffix : o.page1.prefix) = std::move(text);
    o.page1.digitsIndex = o.page1.removeIndex = digitsIndex;
    return o;
}
RenameOptions Page2(int mode, std::string text, std::string number = "001") {
    RenameOptions o;
    o.page2.mode = mode;
    (mode == 1 ? o.page2.extension : o.page2.prefix) = std::move(text);
    o.page2.numberField = std::move(number);
    return o;
}
RenameOptions Page3(int mode, std::string delimiter, int count, std::string text = "NEW") {
    RenameOptions o;
    o.page3.mode = mode;
    (mode == 0 ? o.page3.lastDelimiter : o.page3.firstDelimiter) = std::move(delimiter);
    (mode == 0 ? o.page3.lastCount : o.page3.firstCount) = count;
    (mode == 0 ? o.page3.lastText : o.page3.firstText) = std::move(text);
    return o;
}
RenameOptions Page4(int mode, std::string old, std::string replacement) {
    RenameOptions o;
    o.page4.mode = mode;
    (mode == 0 ? o.page4.firstOld : mode == 1 ? o.page4.lastOld : o.page4.allOld) = std::move(old);
    (mode == 0   ? o.page4.firstNew
     : mode == 1 ? o.page4.lastNew
                 : o.page4.allNew) = std::move(replacement);
    return o;
}
RenameOptions Page5(int mode, std::string pattern, std::string newPattern) {
    RenameOptions o;
    o.page5.mode = mode;
    o.page5.pattern = std::move(pattern);
    o.page5.newPattern[mode] = std::move(newPattern);
    return o;
}

struct RuleCase {
    const char* what;
    int page;
    RenameOptions options;
    std::string name;
    std::string expected;  // the new name, or the error text
    bool isFile = true;
};

// Each page's own examples, and the edge cases listed with them.
TEST(RenameRules, NewNameOfOneItem) {
    const RuleCase cases[] = {
        {"prefix", 1, Page1(0, "P_"), "a.txt", "P_a.txt"},
        {"suffix", 1, Page1(1, "_S"), "a.txt", "a_S.txt"},
        {"suffix without extension", 1, Page1(1, "_S"), "readme", "readme_S"},
        {"folder is never split", 1, Page1(1, "_x"), "notes.old", "notes.old_x", false},
        {"crc number", 1, Page1(2, "_", 4), "a.txt", "11388_a.txt"},
        {"crc number zero-padded", 1, Page1(2, "", 2), "x4.c", "075x4.c"},
        {"crc number all zeros", 1, Page1(2, "", 2), "x3", "000x3"},
        {"remove number", 1, Page1(3, "P_", 4), "01394P_Name.ext", "Name.ext"},
        {"remove number, not digits", 1, Page1(3, "P_", 4), "0139xP_Name.ext",
         "ERROR!!! \"0139x\" the front part of the file aren't number."},
        {"remove number, no prefix", 1, Page1(3, "P_", 4), "01394Name.ext",
         "ERROR!!! After removing the numbers, File doesn't start with \"P_\"."},
        {"remove number, short base", 1, Page1(3, "", 4), "123.ext",
         "ERROR!!! \"123\" the front part of the file aren't number."},
        {"a two-byte character is one", 1, Page1(3, "", 0), "\xC3\xA9x.txt",
         "ERROR!!! \"\xC3\xA9\" the front part of the file aren't number."},
        {"sequence with prefix", 2, Page2(0, "Prefix_"), "OriginalName.ext", "Prefix_001.ext"},
        {"four digits", 2, Page2(0, "Prefix", "0001"), "OriginalName.ext", "Prefix0001.ext"},
        {"no digits start at 0", 2, Page2(0, "", "abc"), "x.ext", "000.ext"},
        {"new extension", 2, Page2(1, "NEW"), "OriginalName.OLD", "OriginalName.NEW"},
        {"new extension appended", 2, Page2(1, "NEW"), "Makefile", "Makefile.NEW"},
        {"leading space removed", 2, Page2(0, "  p"), "x.ext", "p001.ext"},
        {"front N1", 3, Page3(0, "_", 1), "OLD_LastWord.ext", "NEWLastWord.ext"},
        {"front N2", 3, Page3(0, "_", 2), "OLD_Last_Word.ext", "NEWLast_Word.ext"},
        {"front dot N3", 3, Page3(0, ".", 3), "OLD.Last.Word.ext", "NEWLast.Word.ext"},
        {"end N1", 3, Page3(1, "_", 1), "FirstWord_OLD.ext", "FirstWordNEW.ext"},
        {"end N2", 3, Page3(1, "_", 2), "First_Word_OLD.ext", "First_WordNEW.ext"},
        {"end dot N2", 3, Page3(1, ".", 2), "First.Word.OLD.ext", "First.WordNEW.ext"},
        {"empty text deletes", 3, Page3(0, "_", 1, ""), "a_b.txt", "b.txt"},
        {"too few", 3, Page3(0, "_", 2), "a_b.txt", "ERROR!!! 1 out of 2 delimiter(s) '_' found."},
        {"count 0", 3, Page3(1, "_", 0), "a_b.txt", "ERROR!!! 0 out of 0 delimiter(s) '_' found."},
        {"no delimiter", 3, Page3(0, "", 1), "a_b.txt", "ERROR!!! No delimiter."},
        {"first word", 4, Page4(0, "OLD", "NEW"), "anyOLDBlah blah.ext", "anyNEWBlah blah.ext"},
        {"first word at start", 4, Page4(0, "OLD", "ABC_"), "OLDBlah blah.ext",
         "ABC_Blah blah.ext"},
        {"last word", 4, Page4(1, "OLD", "NEW"), "Blah blahOLDany.ext", "Blah blahNEWany.ext"},
        {"last word at end", 4, Page4(1, "OLD", "_ABC"), "Blah blahOLD.ext", "Blah blah_ABC.ext"},
        {"all", 4, Page4(2, "-", "_"), "abc-def-ghi-jkl.ext", "abc_def_ghi_jkl.ext"},
        {"first ignores case", 4, Page4(0, "old", "x"), "aOLDbOld.TXT", "axbOld.TXT"},
        {"all counts case", 4, Page4(2, "old", "x"), "OLD.txt", "OLD.txt"},
        {"last overlapping", 4, Page4(1, "aa", "X"), "aaa.txt", "aX.txt"},
        {"empty new deletes", 4, Page4(0, "b", ""), "abc.txt", "ac.txt"},
        {"extension untouched", 4, Page4(2, "t", "T"), "tt.txt", "TT.txt"},
        {"word missing", 4, Page4(0, "zz", "y"), "abc.txt", "ERROR!!! zz not found"},
        {"star to front", 5, Page5(0, "-*", "[*]_"), "any-existing.ext", "[existing]_any.ext"},
        {"brackets to front", 5, Page5(0, "-[*]AB", "*AB_"), "any-[existing]AB.ext",
         "existingAB_any.ext"},
        {"to end", 5, Page5(1, "[*]", "-*"), "AB[existing]any.ext", "ABany-existing.ext"},
        {"left star to end", 5, Page5(1, "*_", "-[*]"), "existing_any.ext", "any-[existing].ext"},
        {"in place", 5, Page5(2, "[*]", "*-"), "[existing]any.ext", "existing-any.ext"},
        {"new without star", 5, Page5(2, "*_", "AB_"), "existing_any.ext", "AB_any.ext"},
        {"plain in place", 5, Page5(2, "abc", "xyz"), "1ABC2abc.e", "1xyz2abc.e"},
        {"plain to front", 5, Page5(0, "abc", "xyz"), "1ABC2.e", "xyz12.e"},
        {"extension unmatched", 5, Page5(2, "txt", "x"), "a.txt",
         "ERROR!!! No matching \"Existing pattern\" with \"txt\"."},
        {"star needs both ends in order", 5, Page5(2, "a*a", "<*>"), "xaYa.e", "x<Y>.e"},
        {"unusable: slash", 1, Page1(0, "a/"), "b",
         "ERROR!!! \"a/b\" cannot be used as a filename."},
        {"unusable: dot dot", 4, Page4(2, "x", "."), "xx",
         "ERROR!!! \"..\" cannot be used as a filename."},
        {"unusable: empty", 4, Page4(0, "x", ""), "x",
         "ERROR!!! \"\" cannot be used as a filename."},
    };
    for (const RuleCase& c : cases) {
        const std::vector<RuleResult> results =
            NewNames(c.page, c.options, {{"/d", c.name, c.isFile}});
        ASSERT_EQ(results.size(), 1u);
        EXPECT_EQ(results[0].Ok() ? results[0].name : results[0].error, c.expected) << c.what;
        EXPECT_EQ(results[0].failure.empty(), results[0].Ok()) << c.what;
    }
}

// The pass's failure lines carry the page's own words.
TEST(RenameRules, FailureLines) {
    const auto failure = [](int page, const RenameOptions& o, const std::string& name) {
        return NewNames(page, o, {{"/d", name, true}})[0].failure;
    };
    EXPECT_EQ(failure(1, Page1(3, "P_", 4), "0139x.t"), "0139x.t (cannot rename)\n");
    EXPECT_EQ(failure(3, Page3(1, "_", 3), "a_b"),
              "a_b: Can't rename since 1 out of 3 delimiter(s) '_' found.\n");
    EXPECT_EQ(failure(4, Page4(1, "q", "r"), "abc"), "abc: q not found\n");
    EXPECT_EQ(failure(5, Page5(0, "q*", "r"), "abc"), "abc (pattern with \"q*\" not found)\n");
}

// Numbering runs over the list; a number wider than the field is written whole.
TEST(RenameRules, SequenceNumbersFollowTheList) {
    const std::vector<RenameEntry> entries = {{"/d", "a.x"}, {"/d", "b.y"}, {"/d", "c"}};
    std::vector<std::string> names;
    for (const RuleResult& r : NewNames(2, Page2(0, "p", "9"), entries)) {
        names.push_back(r.name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"p9.x", "p10.y", "p11"}));
}

// The box text: CR LF lines, the two duplicate errors, page 2's warning, page 5's whole error.
TEST(RenameRules, SimulatedResultText) {
    const std::vector<RenameEntry> entries = {
        {"/d", "a_1.txt"}, {"/d", "b_1.txt"}, {"/d", "A.txt"}, {"/e", "a_1.txt"}};
    size_t errors = 0;
    EXPECT_EQ(SimulatedResult(3, Page3(1, "_", 1, ""), entries, &errors),
              "\"a_1.txt\" --->\t"
              "ERROR!!! The file not yet renamed \"a.txt\" already has the same filename.\r\n"
              "\"b_1.txt\"\t--->\"b.txt\"\r\n"
              "\"A.txt\" --->\tERROR!!! 0 out of 1 delimiter(s) '_' found.\r\n"
              "\"a_1.txt\"\t--->\"a.txt\"\r\n");
    EXPECT_EQ(errors, 2u);
    EXPECT_EQ(SimulatedResult(2, Page2(1, "z"), {{"/d", "a.txt"}, {"/d", "a.doc"}}, &errors),
              std::string(kDifferentExtensionsWarning) +
                  "\"a.txt\"\t--->\"a.z\"\r\n"
                  "\"a.doc\" --->\tERROR!!! The same filename \"a.z\" already exists.\r\n");
    EXPECT_EQ(SimulatedResult(5, Page5(0, "*a*", "q"), entries, &errors),
              "ERROR!!! \"Existing pattern\" cannot include more than 1 '*'.");
    EXPECT_EQ(SimulatedResult(6, {}, {{"/d", "x"}, {"/d", "\xE9"}}), "\"x\"\r\n\"\xE9\"\r\n");
}

// OK on each page: trimming, refusals and questions, with the exact texts.
TEST(RenameRules, ChecksBeforeApply) {
    const std::vector<RenameEntry> twoExt = {{"/d", "a.txt"}, {"/d", "b.doc"}};
    struct Check {
        const char* what;
        int page;
        RenameOptions options;
        std::vector<RenameEntry> entries;
        std::deque<int> answers;
        ApplyCheck expected;
        std::string text;  // the one message shown, or empty
    };
    const std::vector<RenameEntry> conflict = {{"/d", "a.txt"}, {"/d", "a.doc"}};
    const Check checks[] = {
        {"empty extension",
         2,
         Page2(1, "  "),
         twoExt,
         {},
         ApplyCheck::kRefused,
         "The new file-extension is empty.\nCan't be performed."},
        {"start too large",
         2,
         Page2(0, "p", "001"),
         std::vector<RenameEntry>(999),
         {},
         ApplyCheck::kRefused,
         kStartTooLargeText},
        {"start fits",
         2,
         Page2(0, "p", "001"),
         std::vector<RenameEntry>(998),
         {},
         ApplyCheck::kProceed,
         ""},
        {"same base",
         2,
         Page2(1, "z"),
         conflict,
         {},
         ApplyCheck::kRefused,
         "The following file(s) will fail to rename\nsince the selected file(s) would already "
         "have the same filename:\na.doc\n\nPlease re-select the files to rename."},
        {"two extensions declined",
         2,
         Page2(1, "z"),
         twoExt,
         {mbr::kNo},
         ApplyCheck::kDeclined,
         "There is more than 1 file-extension for multi-rename,\nwhich is strongly "
         "discouraged\nbecause it would be difficult to rename them back in the future.\nThey "
         "are:\n\ttxt; doc\n\nDo you want to continue anyway?"},
        {"two delimiter characters",
         3,
         Page3(0, "_-", 1),
         twoExt,
         {mbr::kCancel},
         ApplyCheck::kDeclined,
         "The delimiter should a single character.\nHowever, the current delimiter is "
         "\"_-\",\nwhich is 2 characters long.\nTherefore, the 1st character \"_\" will be "
         "used.\n\nIf this is not what you want, click \"Cancel\", correct it and try again."},
        {"old string empty",
         4,
         Page4(1, "", "x"),
         twoExt,
         {},
         ApplyCheck::kRefused,
         "\"String to be replaced\" is empty.\nCan't be performed."},
        {"pattern empty",
         5,
         Page5(0, "", "x"),
         twoExt,
         {},
         ApplyCheck::kRefused,
         "\"Existing pattern\" is empty.\nCan't be performed."},
        {"pattern stars",
         5,
         Page5(0, "**", "x"),
         twoExt,
         {},
         ApplyCheck::kRefused,
         "\"Existing pattern\" cannot include more than 1 '*'.\nCan't be performed."},
    };
    for (const Check& c : checks) {
        FakePrompter prompter;
        prompter.script = c.answers;
        RenameOptions options = c.options;
        EXPECT_EQ(CheckBeforeApply(c.page, options, c.entries, true, prompter), c.expected)
            << c.what;
        EXPECT_EQ(prompter.Texts(),
                  c.text.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.text})
            << c.what;
    }
    // Accepted: the delimiter is cut to its first character and the text trimmed.
    FakePrompter prompter;
    RenameOptions options = Page3(1, "", 1, " t ");
    options.page3.lastDelimiter = "\xC3\xA9-";
    options.page3.mode = 0;
    options.page3.lastText = " t ";
    EXPECT_EQ(CheckBeforeApply(3, options, twoExt, true, prompter), ApplyCheck::kProceed);
    EXPECT_EQ(options.page3.lastDelimiter, "\xC3\xA9");
    EXPECT_EQ(options.page3.lastText, "t ");
}

// The field rules of the pages.
TEST(RenameRules, FieldRules) {
    FakePrompter prompter;
    EXPECT_EQ(CleanNameField("ab:c", &prompter), "abc");
    EXPECT_EQ(CleanDelimiterField("ab", "_", &prompter), "_");
    EXPECT_EQ(CleanDelimiterField("\xC3\xA9", "_", &prompter), "\xC3\xA9");
    EXPECT_EQ(CleanNewPatternField("abc", "x*y?", &prompter), "xy");
    EXPECT_EQ(CleanNewPatternField("a*", "x*y", &prompter), "x*y");
    EXPECT_EQ(CleanIntervalField(600, 20, &prompter), 20);
    EXPECT_EQ(CleanIntervalField(500, 20, &prompter), 500);
    EXPECT_EQ(prompter.Texts(),
              (std::vector<std::string>{
                  "A file name can't contain any of the following characters:\n\t\\/:*?\"<>|",
                  kOneCharacterText, kNewPatternStarText,
                  "A file name can't contain any of the following characters:\n\t\\/:?\"<>|",
                  kIntervalRangeText}));
    std::string labels;
    for (int n : {1, 2, 3, 4, 11, 12, 13, 21}) {
        labels += std::string(OrdinalSuffix(n)) + " ";
    }
    EXPECT_EQ(labels, "st nd rd th th th th th ");
}

}  // namespace
}  // namespace quillon
