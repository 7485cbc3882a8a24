#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "core/DiffItem.h"

namespace quillon {
namespace {

// Names order by UTF-16 code unit after folding A-Z, with no locale collation.
TEST(NameOrder, LesserSortsFirstBothWays) {
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"digits before underscore", "9", "_"},
        {"underscore before letters", "_", "a"},
        {"underscore before folded capitals", "_", "A"},
        {"folding ignores case", "apple", "BANANA"},
        {"prefix first", "abc", "ABCD"},
        {"ASCII before Latin-1", "z", "\xC3\xA9"},
        // U+FFFD is one UTF-16 unit above every surrogate: it follows U+1F600.
        {"supplementary before U+E000..U+FFFF", "\xF0\x9F\x98\x80", "\xEF\xBF\xBD"},
        {"private use after supplementary", "\xF4\x8F\xBF\xBF", "\xEE\x80\x80"},
        {"below surrogates before supplementary", "\xED\x9F\xBF", "\xF0\x90\x80\x80"},
        {"invalid byte after every character", "\xEF\xBF\xBF", "\xFF"},
        {"invalid bytes by value", "\x80", "\xFE"},
        {"overlong form is invalid", "\xEF\xBF\xBF", "\xC0\x80"},
        {"truncated sequence is invalid", "\xF0\x9F\x98\x80", "\xF0\x9F\x98"},
        {"non-ASCII letters are not folded", "\xC3\x89", "\xC3\xA9"}};
    for (const auto& [what, lesser, greater] : cases) {
        EXPECT_LT(CompareNames(lesser, greater), 0) << what;
        EXPECT_GT(CompareNames(greater, lesser), 0) << what;
    }
}

// Case-only differences are equal for pairing but still ordered for one side's two entries.
TEST(NameOrder, FoldedEqualNamesGetAFixedOrder) {
    EXPECT_EQ(CompareNames("Read.ME", "read.me"), 0);
    EXPECT_LT(CompareNamesExact("Read.ME", "read.me"), 0);
    EXPECT_GT(CompareNamesExact("read.me", "Read.ME"), 0);
    EXPECT_EQ(CompareNamesExact("same", "same"), 0);
    EXPECT_LT(CompareNamesExact("a", "B"), 0);  // case never outranks the folded order
}

// ".." first, then folders, then files; folders and files each by name.
TEST(NameOrder, DotDotFoldersFiles) {
    DiffItem dots, folder, file, zFolder;
    dots.name = "..";
    folder.name = "!first";
    zFolder.name = "zz";
    file.name = "!";
    file.isFile = 1;
    EXPECT_TRUE(SiblingLess(dots, folder));
    EXPECT_TRUE(SiblingLess(folder, zFolder));
    EXPECT_TRUE(SiblingLess(zFolder, file));
    EXPECT_FALSE(SiblingLess(file, dots));
}

}  // namespace
}  // namespace quillon
