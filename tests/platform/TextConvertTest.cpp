#include "base/TextConvert.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <tuple>
#include <vector>

namespace quillon {
namespace {

// What the target set lacks and each malformed byte become '?' (U+FFFD towards UTF-16).
TEST(ConvertUtf8ToCharset, ReplacesWhatTheSetLacks) {
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"ISO-8859-1", "caf\xc3\xa9", "caf\xe9"},
        {"ISO-8859-1", "5\xe2\x82\xac!", "5?!"},
        {"CP1252", "5\xe2\x82\xac", "5\x80"},
        {"ISO-8859-1", "a\xff\x62", "a?b"},
        {"ISO-8859-1", "a\xc3", "a?"},
        {"ASCII", "\xf0\x9f\x98\x80\xf0\x9f\x98\x80", "??"},
        {"UTF-8", "\xc3\xa9", "\xc3\xa9"}};
    for (const auto& [charset, utf8, expected] : cases) {
        EXPECT_EQ(ConvertUtf8ToCharset(utf8, charset), expected) << charset << " " << utf8;
    }
    EXPECT_EQ(Utf8ToUtf16("a\xc3"), u"a\uFFFD");
    EXPECT_EQ(Utf8ToUtf16("\xc0\xaf"), u"\uFFFD\uFFFD");            // overlong slash
    EXPECT_EQ(Utf8ToUtf16("\xed\xa0\x80"), u"\uFFFD\uFFFD\uFFFD");  // lone surrogate
    EXPECT_EQ(Utf8ToUtf16("\xe2\x82\xac"), u"\u20AC");
}

// The UTF-8 shortcut replaces what the converter ("UTF8") does, but also code points past U+10FFFF.
TEST(Utf8Shortcut, MatchesTheConverter) {
    const std::vector<uint8_t> bytes = {0x00, 0x41, 0x7F, 0x80, 0x8F, 0x9F, 0xA0, 0xBF, 0xC0, 0xC1,
                                        0xC2, 0xDF, 0xE0, 0xED, 0xEF, 0xF0, 0xF4, 0xF5, 0xFF};
    std::vector<std::string> inputs;
    for (uint8_t a : bytes) {
        inputs.push_back(std::string(1, char(a)));
        for (uint8_t b : bytes) {
            inputs.push_back(std::string{char(a), char(b)});
            for (uint8_t c : bytes) {
                inputs.push_back(std::string{char(a), char(b), char(c)});
            }
        }
    }
    std::mt19937 random(7);
    const size_t unicodeLeads = bytes.size() - 3;  // without F4 and up, which the converter passes
    for (int n = 0; n < 3000; ++n) {
        std::string s(1 + random() % 12, '\0');
        for (char& c : s) {
            c = char(bytes[random() % unicodeLeads]);
        }
        inputs.push_back(s + "\xE2\x82\xAC\xF0\x9F\x98\x80" + s);
    }
    for (const std::string& in : inputs) {
        ASSERT_EQ(ReplaceInvalidUtf8(in), ConvertUtf8ToCharset(in, "UTF8"))
            << ::testing::PrintToString(in);
    }
    EXPECT_EQ(ConvertUtf8ToCharset("a\xC3(\xE2\x82\xAC", "UTF-8"), "a?(\xE2\x82\xAC");
    EXPECT_EQ(ConvertUtf8ToCharset("\xF5\x9F\xA0\xBF", "UTF-8"), "????");
    EXPECT_EQ(ConvertUtf8ToCharset("\xF4\xA0\x9F\x8F\xF4\x8F\xBF\xBF", "UTF-8"),
              "????\xF4\x8F\xBF\xBF");
}

}  // namespace
}  // namespace quillon
