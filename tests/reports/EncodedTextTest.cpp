#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <locale.h>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "platform/Log.h"
#include "reports/ValueText.h"
#include "support/ScopedEnv.h"
#include "support/TestDir.h"

namespace quillon {
namespace {

using test::TestDir;

std::string Bytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values) {
        out.push_back(static_cast<char>(v));
    }
    return out;
}

std::string Utf16Le(const std::string& ascii) {
    std::string out;
    for (char c : ascii) {
        out.push_back(c);
        out.push_back('\0');
    }
    return out;
}

std::string Utf16Be(const std::string& ascii) {
    std::string out;
    for (char c : ascii) {
        out.push_back('\0');
        out.push_back(c);
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

class DetectTest : public ::testing::TestWithParam<DetectCase> {};

// Byte-order marks, XML declarations and the zero-byte heuristic each give their verdict.
TEST_P(DetectTest, Verdict) {
    TestDir dir;
    dir.WriteFile("f", GetParam().content);
    const EncodingDetection d = DetectTextEncoding(dir / "f");
    EXPECT_EQ(d.result, GetParam().result) << GetParam().what;
    EXPECT_EQ(d.encoding, GetParam().encoding) << GetParam().what;
    EXPECT_EQ(d.hasMark, GetParam().mark) << GetParam().what;
}

// Ten pairs: `le` pairs with a zero odd byte, `be` with a zero even byte, the rest plain ASCII.
std::string Pairs(int le, int be) {
    std::string out;
    for (int i = 0; i < 10; ++i) {
        if (i < le) {
            out += Bytes({'a', 0});
        } else if (i < le + be) {
            out += Bytes({0, 'b'});
        } else {
            out += "cd";
        }
    }
    return out;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DetectTest,
    ::testing::Values(
        DetectCase{"empty file", "", 0, -1, false}, DetectCase{"one byte", "a", 0, -1, false},
        DetectCase{"UTF-16LE mark only", Bytes({0xFF, 0xFE}), 1, kEncUtf16Le, true},
        DetectCase{"UTF-16BE mark", Bytes({0xFE, 0xFF, 0, 'a'}), 1, kEncUtf16Be, true},
        DetectCase{"UTF-8 mark", Bytes({0xEF, 0xBB, 0xBF, 'h', 'i'}), 1, kEncUtf8, true},
        DetectCase{"half a UTF-8 mark", Bytes({0xEF, 0xBB}), 0, -1, false},
        DetectCase{"plain ASCII", "hello world\r\n", 0, kEncAnsi, false},
        DetectCase{"Latin-1 text", "caf\xe9\tna\xefve\n", 0, kEncAnsi, false},
        DetectCase{"UTF-16LE without mark", Utf16Le("plain text\r\n"), 1, kEncUtf16Le, false},
        DetectCase{"UTF-16BE without mark", Utf16Be("plain text\r\n"), 1, kEncUtf16Be, false},
        DetectCase{"zero beside a control byte", Bytes({'a', 'b', 0, 1, 'c', 'd'}), 0,
                   kEncodingBinary, false},
        DetectCase{"two zero bytes in a pair", Bytes({'a', 'b', 0, 0}), 0, kEncodingBinary, false},
        DetectCase{"one zero beside a letter", Bytes({'a', 'b', 'c', 0, 'e', 'f'}), 0,
                   kEncodingBinary, false},
        DetectCase{"zero beside a tab is not decisive", Utf16Le("\tab\n"), 1, kEncUtf16Le, false},
        DetectCase{"six of ten pairs little-endian, two big", Pairs(6, 2), 1, kEncUtf16Le, false},
        DetectCase{"five of ten pairs little-endian", Pairs(5, 0), 0, kEncodingBinary, false},
        DetectCase{"six little-endian but three big", Pairs(6, 3), 0, kEncodingBinary, false},
        DetectCase{"six of ten pairs big-endian, two little", Pairs(2, 6), 1, kEncUtf16Be, false},
        DetectCase{"trailing odd zero byte is ignored", Bytes({'a', 'b', 'c', 'd', 0}), 0, kEncAnsi,
                   false},
        DetectCase{"zero bytes after the first 500", std::string(500, 'x') + Bytes({0, 1, 0}), 0,
                   kEncAnsi, false},
        DetectCase{"XML without encoding", "<?xml version=\"1.0\"?><a/>", 1, kEncUtf8, false},
        DetectCase{"XML in capitals declaring UTF-16", "<?XML version='1.0' ENCODING='UTF-16'?>", 1,
                   kEncUtf16Le, false},
        DetectCase{"XML with blanks before the quote", "<?xml encoding=  \"ucs-2be\"?>", 1,
                   kEncUtf16Be, false},
        DetectCase{"XML with ucs-2le", "<?xml encoding='ucs-2le'?>", 1, kEncUtf16Le, false},
        DetectCase{"XML with another encoding", "<?xml encoding=\"windows-1252\"?>", 1, kEncUtf8,
                   false},
        DetectCase{"XML with an unterminated name", "<?xml encoding=\"utf-16", 1, kEncUtf8, false},
        DetectCase{"not an XML declaration without the blank", "<?xml?>", 0, kEncAnsi, false}));

// Paths that cannot be read give the documented negative codes instead of a verdict.
TEST(Detect, FailureCodes) {
    TestDir dir;
    dir.MakeTree({{"sub/", ""}});
    dir.MakeFifo("pipe");
    EXPECT_EQ(DetectTextEncoding("").result, 0);
    EXPECT_EQ(DetectTextEncoding(dir / "missing").result, -8);
    EXPECT_EQ(DetectTextEncoding(dir / "sub").result, -8);
    EXPECT_EQ(DetectTextEncoding(dir / "pipe").result, -7);
}

// A file without read permission cannot be opened for detection.
TEST(Detect, UnreadableFile) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root reads every file";
    }
    TestDir dir;
    dir.WriteFile("secret.txt", "text");
    ASSERT_EQ(chmod((dir / "secret.txt").c_str(), 0), 0);
    EXPECT_EQ(DetectTextEncoding(dir / "secret.txt").result, -7);
}

struct WriteCase {
    const char* what;
    TextEncoding encoding;
    bool mark;
    const char* text;
    std::string onDisk;
    size_t units;
};

// Pins the character set of the locale for one test and restores the previous one.
class WriteTest : public ::testing::TestWithParam<WriteCase> {
  protected:
    // ANSI then means ASCII: every character outside it shows as '?'.
    test::ScopedEnv locale_{"LC_ALL", "C"};
};

// A new file gets the mark of its encoding (never for ANSI) followed by the converted text.
TEST_P(WriteTest, NewFileBytes) {
    TestDir dir;
    const std::string path = dir / "out.txt";
    FILE* stream = OpenEncodedTextFile(path, "w", GetParam().encoding, GetParam().mark);
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(WriteEncodedText(stream, GetParam().encoding, GetParam().text), GetParam().units);
    std::fclose(stream);
    EXPECT_EQ(dir.ReadFile("out.txt"), GetParam().onDisk) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Encodings, WriteTest,
    ::testing::Values(WriteCase{"UTF-8 with mark", kEncUtf8, true, "a\nb",
                                Bytes({0xEF, 0xBB, 0xBF, 'a', '\n', 'b'}), 3},
                      WriteCase{"UTF-8 without mark", kEncUtf8, false, "\xc3\xa9", "\xc3\xa9", 2},
                      WriteCase{"UTF-16LE with mark", kEncUtf16Le, true, "A\n",
                                Bytes({0xFF, 0xFE, 'A', 0, '\n', 0}), 2},
                      WriteCase{"UTF-16BE with mark", kEncUtf16Be, true, "A\xc3\xa9",
                                Bytes({0xFE, 0xFF, 0, 'A', 0, 0xE9}), 2},
                      WriteCase{"UTF-16LE surrogate pair", kEncUtf16Le, false, "\xf0\x9f\x98\x80",
                                Bytes({0x3D, 0xD8, 0x00, 0xDE}), 2},
                      WriteCase{"ANSI gets CR LF and no mark", kEncAnsi, true, "a\nb\n",
                                "a\r\nb\r\n", 4},
                      WriteCase{"ANSI of a character the charset lacks", kEncAnsi, false,
                                "x\xe2\x82\xacy", "x?y", 3},
                      WriteCase{"empty text writes nothing", kEncUtf16Le, false, "", "", 0},
                      WriteCase{"out-of-range encoding is ANSI", static_cast<TextEncoding>(7), true,
                                "a\n", "a\r\n", 2}));

// ANSI means the character set of the user's locale, taken from the environment even though
// this process never calls setlocale: UTF-8 passes through, ASCII turns the euro sign into '?'.
TEST(EncodedFile, AnsiFollowsTheUsersLocale) {
    TestDir dir;
    auto write = [&](const char* locale) {
        test::ScopedEnv env("LC_ALL", locale);
        FILE* stream = OpenEncodedTextFile(dir / "a.txt", "w", kEncAnsi, false);
        EXPECT_NE(stream, nullptr);
        if (stream == nullptr) {
            return std::string();
        }
        WriteEncodedText(stream, kEncAnsi, "5\xe2\x82\xac\n");
        std::fclose(stream);
        return dir.ReadFile("a.txt");
    };
    EXPECT_EQ(write("C"), "5?\r\n");
    locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    if (utf8 == static_cast<locale_t>(0)) {
        GTEST_SKIP() << "no C.UTF-8 locale";
    }
    freelocale(utf8);
    EXPECT_EQ(write("C.UTF-8"), "5\xe2\x82\xac\r\n");
}

// Appending never writes a mark and keeps what was there.
TEST(EncodedFile, AppendAddsNoMark) {
    TestDir dir;
    const std::string path = dir / "r.txt";
    FILE* stream = OpenEncodedTextFile(path, "w", kEncUtf8, true);
    ASSERT_NE(stream, nullptr);
    WriteEncodedText(stream, kEncUtf8, "one\n");
    std::fclose(stream);
    stream = OpenEncodedTextFile(path, "a+", kEncUtf8, true);
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(WriteEncodedText(stream, kEncUtf8, "two\n"), 4u);
    std::fclose(stream);
    EXPECT_EQ(dir.ReadFile("r.txt"), "\xEF\xBB\xBFone\ntwo\n");

    stream = OpenEncodedTextFile(dir / "fresh.txt", "a+", kEncUtf16Le, true);
    ASSERT_NE(stream, nullptr);
    WriteEncodedText(stream, kEncUtf16Le, "z");
    std::fclose(stream);
    EXPECT_EQ(dir.ReadFile("fresh.txt"), Bytes({'z', 0}));
}

// Reading skips a mark of the detected encoding, so the first read is the text itself.
TEST(EncodedFile, ReadingSkipsTheMark) {
    TestDir dir;
    dir.MakeTree({{"u8.txt", "\xEF\xBB\xBFhey"},
                  {"le.txt", Bytes({0xFF, 0xFE, 'h', 0})},
                  {"plain.txt", "hey"}});
    for (const auto& [name, expected] : {std::pair<std::string, std::string>{"u8.txt", "hey"},
                                         {"le.txt", Bytes({'h', 0})},
                                         {"plain.txt", "hey"}}) {
        FILE* stream = OpenEncodedTextFile(dir / name, "r", kEncAnsi, false);
        ASSERT_NE(stream, nullptr) << name;
        char buffer[16] = {};
        const size_t got = std::fread(buffer, 1, sizeof buffer, stream);
        std::fclose(stream);
        EXPECT_EQ(std::string(buffer, got), expected) << name;
    }
}

// Unknown modes, missing files for reading and unwritable places give no stream.
TEST(EncodedFile, RefusedOpens) {
    TestDir dir;
    dir.MakeTree({{"a.txt", "x"}});
    EXPECT_EQ(OpenEncodedTextFile(dir / "a.txt", "x", kEncUtf8, false), nullptr);
    EXPECT_EQ(OpenEncodedTextFile(dir / "a.txt", "wb", kEncUtf8, false), nullptr);
    EXPECT_EQ(OpenEncodedTextFile(dir / "none.txt", "r", kEncUtf8, false), nullptr);
    EXPECT_EQ(OpenEncodedTextFile(dir / "no/such/dir.txt", "w", kEncUtf8, true), nullptr);
    EXPECT_EQ(OpenEncodedTextFile("", "w", kEncUtf8, true), nullptr);
    EXPECT_EQ(WriteEncodedText(nullptr, kEncUtf8, "x"), 0u);
}

// Before a log is opened the stamp is the current local time; afterwards it is the log's stamp.
TEST(CompactStamp, FromClockThenFromLog) {
    if (GetLogStamp().empty()) {
        const time_t before = time(nullptr);
        const std::string stamp = CompactTimeStamp(false);
        const time_t after = time(nullptr);
        bool matched = false;
        for (time_t t = before; t <= after; ++t) {
            struct tm lt {};
            localtime_r(&t, &lt);
            char expected[16];
            std::snprintf(expected, sizeof expected, "%02d%02d%02d", lt.tm_hour, lt.tm_min,
                          lt.tm_sec);
            matched = matched || stamp == expected;
        }
        EXPECT_TRUE(matched) << stamp;
    }
    TestDir dir;
    const char* oldTmp = std::getenv("TMPDIR");
    const std::string savedTmp = oldTmp != nullptr ? oldTmp : "";
    setenv("TMPDIR", dir.Path().c_str(), 1);
    OpenLog("stamp", "log", true);
    const std::string logStamp = GetLogStamp();
    ASSERT_FALSE(logStamp.empty());
    EXPECT_EQ(CompactTimeStamp(false), logStamp);
    std::string digits;
    for (char c : logStamp) {
        if (c >= '0' && c <= '9') {
            digits.push_back(c);
        }
    }
    EXPECT_EQ(CompactTimeStamp(true), digits);
    EXPECT_NE(digits, logStamp);
    if (oldTmp != nullptr) {
        setenv("TMPDIR", savedTmp.c_str(), 1);
    } else {
        unsetenv("TMPDIR");
    }
}

}  // namespace
}  // namespace quillon
