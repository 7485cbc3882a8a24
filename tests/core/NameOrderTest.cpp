#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "core/DiffItem.h"

namespace quillon {
namespace {

struct OrderCase {
    const char* what;
    std::string lesser;
    std::string greater;
};

class NameOrder : public ::testing::TestWithParam<OrderCase> {};

// Names order by UTF-16 code unit after folding A-Z, with no locale collation.
TEST_P(NameOrder, LesserSortsFirstBothWays) {
    const OrderCase& c = GetParam();
    EXPECT_LT(CompareNames(c.lesser, c.greater), 0) << c.what;
    EXPECT_GT(CompareNames(c.greater, c.lesser), 0) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NameOrder,
    ::testing::Values(
        OrderCase{"digits before underscore", "9", "_"},
        OrderCase{"underscore before letters", "_", "a"},
        OrderCase{"underscore before folded capitals", "_", "A"},
        OrderCase{"folding ignores case", "apple", "BANANA"},
        OrderCase{"prefix first", "abc", "ABCD"},
        OrderCase{"ASCII before Latin-1", "z", "\xC3\xA9"},
        // U+FFFD is one UTF-16 unit above every surrogate: it follows U+1F600.
        OrderCase{"supplementary before U+E000..U+FFFF", "\xF0\x9F\x98\x80", "\xEF\xBF\xBD"},
        OrderCase{"private use after supplementary", "\xF4\x8F\xBF\xBF", "\xEE\x80\x80"},
        OrderCase{"below surrogates before supplementary", "\xED\x9F\xBF", "\xF0\x90\x80\x80"},
        OrderCase{"invalid byte after every character", "\xEF\xBF\xBF", "\xFF"},
        OrderCase{"invalid bytes by value", "\x80", "\xFE"},
        OrderCase{"overlong form is invalid", "\xEF\xBF\xBF", "\xC0\x80"},
        OrderCase{"truncated sequence is invalid", "\xF0\x9F\x98\x80", "\xF0\x9F\x98"},
        OrderCase{"non-ASCII letters are not folded", "\xC3\x89", "\xC3\xA9"}),
    [](const ::testing::TestParamInfo<OrderCase>& info) {
        std::string name;
        for (char c : std::string(info.param.what)) {
            name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        }
        return name;
    });

// Case-only differences are equal for pairing but still ordered for one side's two entries.
TEST(NameOrderExact, FoldedEqualNamesGetAFixedOrder) {
    EXPECT_EQ(CompareNames("Read.ME", "read.me"), 0);
    EXPECT_LT(CompareNamesExact("Read.ME", "read.me"), 0);
    EXPECT_GT(CompareNamesExact("read.me", "Read.ME"), 0);
    EXPECT_EQ(CompareNamesExact("same", "same"), 0);
    EXPECT_LT(CompareNamesExact("a", "B"), 0);  // case never outranks the folded order
}

// ".." first, then folders, then files; folders and files each by name.
TEST(SiblingOrder, DotDotFoldersFiles) {
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
