#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "platform/FileText.h"
#include "platform/Log.h"
#include "platform/RunContext.h"
#include "support/StoreFixture.h"
#include "support/Unprivileged.h"

namespace quillon {
namespace {

using test::TestDir;
using namespace std::string_literals;

// Ten pairs: `le` pairs with a zero odd byte, `be` with a zero even byte, the rest plain ASCII.
std::string Pairs(int le, int be) {
    std::string out;
    for (int i = 0; i < 10; ++i) {
        out += i < le ? std::string("a\0", 2) : i < le + be ? std::string("\0b", 2) : "cd";
    }
    return out;
}

std::string Utf16(const std::string& ascii, bool bigEndian) {
    std::string out;
    for (char c : ascii) {
        out += bigEndian ? std::string(1, '\0') + c : std::string(1, c) + '\0';
    }
    return out;
}

struct DetectCase {
    const char* what;
    std::string content;
    int result;
    int encoding;
    bool mark;
};

// Marks, XML declarations and zero bytes decide the encoding; unreadable paths give negative codes.
TEST(DetectTextEncoding, Verdicts) {
    const std::string z(1, '\0');
    const DetectCase cases[] = {
        {"empty file", "", 0, -1, false},
        {"one byte", "a", 0, -1, false},
        {"UTF-16LE mark only", "\xFF\xFE", 1, kEncUtf16Le, true},
        {"UTF-16BE mark", "\xFE\xFF" + z + "a", 1, kEncUtf16Be, true},
        {"UTF-8 mark", "\xEF\xBB\xBFhi", 1, kEncUtf8, true},
        {"half a UTF-8 mark", "\xEF\xBB", 0, -1, false},
        {"plain ASCII", "hello world\r\n", 0, kEncAnsi, false},
        {"Latin-1 text", "caf\xe9\tna\xefve\n", 0, kEncAnsi, false},
        {"UTF-16LE without mark", Utf16("plain text\r\n", false), 1, kEncUtf16Le, false},
        {"UTF-16BE without mark", Utf16("plain text\r\n", true), 1, kEncUtf16Be, false},
        {"zero beside a control byte", "ab" + z + "\1cd", 0, kEncodingBinary, false},
        {"two zero bytes in a pair", "ab" + z + z, 0, kEncodingBinary, false},
        {"one zero beside a letter", "abc" + z + "ef", 0, kEncodingBinary, false},
        {"zero beside a tab is not decisive", Utf16("\tab\n", false), 1, kEncUtf16Le, false},
        {"six of ten pairs little-endian, two big", Pairs(6, 2), 1, kEncUtf16Le, false},
        {"five of ten pairs little-endian", Pairs(5, 0), 0, kEncodingBinary, false},
        {"six little-endian but three big", Pairs(6, 3), 0, kEncodingBinary, false},
        {"six of ten pairs big-endian, two little", Pairs(2, 6), 1, kEncUtf16Be, false},
        {"trailing odd zero byte is ignored", "abcd" + z, 0, kEncAnsi, false},
        {"zero bytes after the first 500", std::string(500, 'x') + z + "\x01" + z, 0, kEncAnsi,
         false},
        {"XML without encoding", "<?xml version=\"1.0\"?><a/>", 1, kEncUtf8, false},
        {"XML in capitals declaring UTF-16", "<?XML version='1.0' ENCODING='UTF-16'?>", 1,
         kEncUtf16Le, false},
        {"XML with blanks before the quote", "<?xml encoding=  \"ucs-2be\"?>", 1, kEncUtf16Be,
         false},
        {"XML with ucs-2le", "<?xml encoding='ucs-2le'?>", 1, kEncUtf16Le, false},
        {"XML with another encoding", "<?xml encoding=\"windows-1252\"?>", 1, kEncUtf8, false},
        {"XML with an unterminated name", "<?xml encoding=\"utf-16", 1, kEncUtf8, false},
        {"not an XML declaration without the blank", "<?xml?>", 0, kEncAnsi, false}};
    TestDir dir;
    for (const DetectCase& c : cases) {
        SCOPED_TRACE(c.what);
        dir.WriteFile("f", c.content);
        const EncodingDetection d = DetectTextEncoding(dir / "f");
        EXPECT_EQ(std::tie(d.result, d.encoding, d.hasMark),
                  std::tie(c.result, c.encoding, c.mark));
    }
    dir.MakeTree({{"sub/", ""}, {"secret.txt", "text"}});
    dir.MakeFifo("pipe");
    EXPECT_EQ(DetectTextEncoding("").result, 0);
    EXPECT_EQ(DetectTextEncoding(dir / "missing").result, -8);
    EXPECT_EQ(DetectTextEncoding(dir / "sub").result, -8);
    EXPECT_EQ(DetectTextEncoding(dir / "pipe").result, -7);
    ASSERT_EQ(chmod(dir.Path().c_str(), 0755), 0);
    ASSERT_EQ(chmod((dir / "secret.txt").c_str(), 0), 0);
    EXPECT_TRUE(test::AsUnprivilegedUser(
        [&] { return DetectTextEncoding(dir / "secret.txt").result == -7; }));
}

// A new file gets its encoding's mark (none for ANSI, the environment's locale) and converted text.
TEST(EncodedFile, NewFileBytes) {
    const std::tuple<const char*, TextEncoding, bool, const char*, std::string, size_t> cases[] = {
        {"UTF-8 with mark", kEncUtf8, true, "\nb", "\xEF\xBB\xBF\nb", 2},
        {"UTF-8 without mark", kEncUtf8, false, "\xc3\xa9", "\xc3\xa9", 2},
        {"UTF-16LE with mark", kEncUtf16Le, true, "Z\n", "\xFF\xFEZ\0\n\0"s, 2},
        {"UTF-16BE with mark", kEncUtf16Be, true, "A\xc3\xa9", "\xFE\xFF\0A\0\xE9"s, 2},
        {"UTF-16LE surrogate pair", kEncUtf16Le, false, "\xf0\x9f\x98\x80", "\x3D\xD8\x00\xDE"s, 2},
        {"ANSI gets CR LF and no mark", kEncAnsi, true, "a\nb\n", "a\r\nb\r\n", 4},
        {"ANSI of a character the charset lacks", kEncAnsi, false, "x\xe2\x82\xacy", "x?y", 3},
        {"empty text writes nothing", kEncUtf16Le, false, "", "", 0},
        {"out-of-range encoding is ANSI", static_cast<TextEncoding>(7), true, "a\n", "a\r\n", 2},
        {"ANSI in a UTF-8 locale", kEncAnsi, false, "5\xe2\x82\xac\n", "5\xe2\x82\xac\r\n", 5}};
    TestDir dir;
    for (const auto& [what, encoding, mark, text, onDisk, units] : cases) {
        SCOPED_TRACE(what);
        test::ScopedEnv locale(
            "LC_ALL", std::string_view(what) == "ANSI in a UTF-8 locale" ? "C.UTF-8" : "C");
        FILE* stream = OpenEncodedTextFile(dir / "out.txt", "w", encoding, mark);
        ASSERT_NE(stream, nullptr);
        EXPECT_EQ(WriteEncodedText(stream, encoding, text), units);
        std::fclose(stream);
        EXPECT_EQ(dir.ReadFile("out.txt"), onDisk);
    }
}

// Appending writes no mark, reading skips the detected one; bad modes and places give no stream.
TEST(EncodedFile, AppendReadAndRefusedOpens) {
    TestDir dir;
    for (const char* mode : {"w", "a+"}) {
        FILE* stream = OpenEncodedTextFile(dir / "r.txt", mode, kEncUtf8, true);
        ASSERT_NE(stream, nullptr);
        EXPECT_EQ(WriteEncodedText(stream, kEncUtf8, mode[0] == 'w' ? "one\n" : "two\n"), 4u);
        std::fclose(stream);
    }
    EXPECT_EQ(dir.ReadFile("r.txt"), "\xEF\xBB\xBFone\ntwo\n");
    FILE* fresh = OpenEncodedTextFile(dir / "fresh.txt", "a+", kEncUtf16Le, true);
    ASSERT_NE(fresh, nullptr);
    WriteEncodedText(fresh, kEncUtf16Le, "z");
    std::fclose(fresh);
    EXPECT_EQ(dir.ReadFile("fresh.txt"), std::string("z\0", 2));
    dir.MakeTree({{"u8.txt", "\xEF\xBB\xBFhey"}, {"le.txt", std::string("\xFF\xFEh\0", 4)}});
    for (const auto& [name, expected] : {std::pair<std::string, std::string>{"u8.txt", "hey"},
                                         {"le.txt", std::string("h\0", 2)},
                                         {"fresh.txt", std::string("z\0", 2)}}) {
        FILE* stream = OpenEncodedTextFile(dir / name, "r", kEncAnsi, false);
        ASSERT_NE(stream, nullptr) << name;
        char buffer[16] = {};
        const size_t got = std::fread(buffer, 1, sizeof buffer, stream);
        std::fclose(stream);
        EXPECT_EQ(std::string(buffer, got), expected) << name;
    }
    EXPECT_EQ(OpenEncodedTextFile(dir / "r.txt", "x", kEncUtf8, false), nullptr);
    EXPECT_EQ(OpenEncodedTextFile(dir / "r.txt", "wb", kEncUtf8, false), nullptr);
    EXPECT_EQ(OpenEncodedTextFile(dir / "none.txt", "r", kEncUtf8, false), nullptr);
    EXPECT_EQ(OpenEncodedTextFile(dir / "no/such/dir.txt", "w", kEncUtf8, true), nullptr);
    EXPECT_EQ(OpenEncodedTextFile("", "w", kEncUtf8, true), nullptr);
    EXPECT_EQ(WriteEncodedText(nullptr, kEncUtf8, "x"), 0u);
}

using CompactStamp = test::StoreFixture;

// The stamp is the time of day before a log is opened, then the log's stamp or its digits.
TEST_F(CompactStamp, FromClockThenFromLog) {
    RunContext::Current().log.clock = [] { return test::LocalTime(2026, 3, 4, 5, 6, 7); };
    EXPECT_EQ(CompactTimeStamp(false), "050607");
    StartLog("stamp");
    RunContext::Current().log.clock = [] { return test::LocalTime(2026, 3, 4, 8, 9, 10); };
    EXPECT_EQ(CompactTimeStamp(false), "0304_050607");
    EXPECT_EQ(CompactTimeStamp(true), "0304050607");
}

}  // namespace
}  // namespace quillon
