#include "platform/FileText.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <tuple>
#include <utility>

#include "support/FakePrompter.h"
#include "support/ScopedEnv.h"
#include "support/TestDir.h"
#include "support/Unprivileged.h"

namespace quillon {
namespace {

using test::ScopedZone;
using test::TestDir;

constexpr int64_t kKiB = 1024;
constexpr int64_t kMiB = kKiB * 1024;
constexpr int64_t kGiB = kMiB * 1024;
constexpr int64_t kTiB = kGiB * 1024;

// Units start at powers of 1024 (KB truncated, larger rounded); commas go every three digits.
TEST(SizeText, UnitBoundariesAndSeparators) {
    const std::pair<int64_t, const char*> cases[] = {{-1, "-1 bytes"},
                                                     {0, "0 bytes"},
                                                     {1023, "1023 bytes"},
                                                     {1024, "1 KB"},
                                                     {1536, "1 KB"},
                                                     {kMiB - 1, "1023 KB"},
                                                     {kMiB, "1.00 MB"},
                                                     {kMiB + kMiB / 2, "1.50 MB"},
                                                     {kGiB - 1, "1024.00 MB"},
                                                     {kGiB, "1.00 GB"},
                                                     {5 * kGiB + kGiB / 4, "5.25 GB"},
                                                     {kTiB - 1, "1024.00 GB"},
                                                     {kTiB, "1.00 TB"},
                                                     {1024 * 1024 * kTiB, "1048576.00 TB"}};
    for (const auto& [bytes, text] : cases) {
        EXPECT_EQ(FormatSizeTextFromBytes(bytes), text) << bytes;
    }
    TestDir dir;
    dir.MakeTree({{"five.bin", "12345"}, {"big.bin", std::string(3000, 'x')}, {"sub/", ""}});
    const std::tuple<const char*, const char*, int64_t> paths[] = {{"five.bin", "5 bytes", 5},
                                                                   {"big.bin", "2 KB", 3000},
                                                                   {"missing.bin", "-1 bytes", -1},
                                                                   {"sub", "-1 bytes", -1}};
    for (const auto& [name, text, bytes] : paths) {
        int64_t size = 99;
        EXPECT_EQ(FormatSizeText(dir / name, &size), text) << name;
        EXPECT_EQ(size, bytes) << name;
    }
    for (const std::string text :
         {"", "7", "12", "123", "1,234", "123,456", "1,234,567", "1,234,567,890,123"}) {
        std::string digits = text;
        std::erase(digits, ',');
        EXPECT_EQ(InsertThousandsSeparators(digits), text);
    }
}

// Local "MM/DD/YYYY hh:mm" follows each zone change and agrees with the C library across DST.
TEST(Timestamp, LocalTimeText) {
    const std::tuple<const char*, time_t, const char*> cases[] = {
        {"UTC", 1262606759, "01/04/2010 12:05"},  // last second of 2010-01-04 12:05Z
        {"UTC", -1, "12/31/1969 23:59"},
        {"UTC", 951782400, "02/29/2000 00:00"},
        {"Asia/Kolkata", 1262606700, "01/04/2010 17:35"},
        {"America/New_York", 1262606700, "01/04/2010 07:05"},
        // Same zone globals, other rules: the day's offset cached for Berlin is not Paris's.
        {"Europe/Berlin", -945950400, "01/10/1940 13:00"},
        {"Europe/Paris", -945950400, "01/10/1940 12:00"},
        {"UTC", 1262606760, "01/04/2010 12:06"}};
    for (const auto& [zone, utc, text] : cases) {
        ScopedZone scoped(zone);
        EXPECT_EQ(FormatTimestampFromTime(utc), text) << zone << " " << utc;
    }
    ScopedZone utc("UTC");
    TestDir dir;
    dir.MakeTree({{"a.txt", "x", 1262606700}, {"sub/", ""}});
    EXPECT_EQ(FormatTimestampText(dir / "a.txt"), "01/04/2010 12:05");
    EXPECT_EQ(FormatTimestampText(dir / "sub"), "");
    EXPECT_EQ(FormatTimestampText(dir / "nope.txt"), "");
    EXPECT_EQ(FormatTimestampText(""), "");
    // Tehran changes at 20:30 UTC, Lord Howe by half an hour, Berlin by an hour on the hour.
    for (const auto& [zone, start] : {std::pair<const char*, time_t>{"Asia/Tehran", 1616300000},
                                      {"Australia/Lord_Howe", 1617400000},
                                      {"Europe/Berlin", 1616850000},
                                      {"Europe/Berlin", 1635600000}}) {
        ScopedZone around(zone);
        for (time_t t = start; t < start + 2 * 86400; t += 7) {
            struct tm lt {};
            ASSERT_NE(localtime_r(&t, &lt), nullptr);
            char expected[64];
            std::snprintf(expected, sizeof expected, "%02d/%02d/%04d %02d:%02d", lt.tm_mon + 1,
                          lt.tm_mday, lt.tm_year + 1900, lt.tm_hour, lt.tm_min);
            ASSERT_EQ(FormatTimestampFromTime(t), expected) << zone << " at " << t;
        }
    }
}

// A dangling link exists, and so does a file in a folder that cannot be searched (it is locked).
TEST(PathExists, LooseExistence) {
    TestDir dir;
    dir.MakeTree({{"f.txt", "x"}, {"d/", ""}, {"locked/f.txt", "x"}});
    dir.Symlink(dir / "gone", "dangling");
    EXPECT_TRUE(PathExistsLoose(dir / "f.txt"));
    EXPECT_TRUE(PathExistsLoose(dir / "d"));
    EXPECT_TRUE(PathExistsLoose(dir / "dangling"));
    EXPECT_FALSE(PathExistsLoose(dir / "none"));
    EXPECT_FALSE(PathExistsLoose(""));
    ASSERT_EQ(chmod(dir.Path().c_str(), 0755), 0);
    ASSERT_EQ(chmod((dir / "locked").c_str(), 0), 0);
    EXPECT_TRUE(test::AsUnprivilegedUser([&] {
        struct stat st {};
        return stat((dir / "locked/f.txt").c_str(), &st) != 0 &&
               PathExistsLoose(dir / "locked/f.txt");
    }));
    chmod((dir / "locked").c_str(), 0700);
}

// Forbidden characters are removed, with one message per call when asked for and one was found.
TEST(StripIllegalNameChars, RemovesForbiddenCharacters) {
    const std::tuple<const char*, const char*, bool, size_t> cases[] = {
        {"a:b?.txt", "ab.txt", true, 1},
        {"plain.txt", "plain.txt", true, 0},
        {"\\/:*?\"<>|", "", true, 1},
        {"x||y**z", "xyz", true, 1},
        {"", "", true, 0},
        {"caf\xc3\xa9.txt", "caf\xc3\xa9.txt", true, 0},
        {"a<b>", "ab", false, 0}};
    for (const auto& [name, stripped, show, messages] : cases) {
        test::FakePrompter prompter;
        EXPECT_EQ(StripIllegalNameChars(name, show, &prompter), stripped);
        ASSERT_EQ(prompter.shown.size(), messages) << name;
        if (messages > 0) {
            EXPECT_EQ(prompter.shown[0].text,
                      "A file name can't contain any of the following characters:\n\t\\/:*?\"<>|");
            EXPECT_EQ(prompter.shown[0].style & mb::kIconMask, mb::kIconStop);
        }
    }
}

}  // namespace
}  // namespace quillon
