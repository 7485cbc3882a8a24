#include "reports/ValueText.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/FakePrompter.h"
#include "support/TestDir.h"

namespace quillon {
namespace {

using test::TestDir;

struct SizeCase {
    int64_t bytes;
    const char* text;
};

class SizeTextTest : public ::testing::TestWithParam<SizeCase> {};

// Each unit starts exactly at its power of 1024; KB truncates, larger units round to two places.
TEST_P(SizeTextTest, UnitBoundaries) {
    EXPECT_EQ(FormatSizeTextFromBytes(GetParam().bytes), GetParam().text);
}

constexpr int64_t kKiB = 1024;
constexpr int64_t kMiB = kKiB * 1024;
constexpr int64_t kGiB = kMiB * 1024;
constexpr int64_t kTiB = kGiB * 1024;

INSTANTIATE_TEST_SUITE_P(
    Boundaries, SizeTextTest,
    ::testing::Values(SizeCase{-1, "-1 bytes"}, SizeCase{0, "0 bytes"}, SizeCase{1, "1 bytes"},
                      SizeCase{1023, "1023 bytes"}, SizeCase{1024, "1 KB"}, SizeCase{1536, "1 KB"},
                      SizeCase{kMiB - 1, "1023 KB"}, SizeCase{kMiB, "1.00 MB"},
                      SizeCase{kMiB + kMiB / 2, "1.50 MB"}, SizeCase{kGiB - 1, "1024.00 MB"},
                      SizeCase{kGiB, "1.00 GB"}, SizeCase{5 * kGiB + kGiB / 4, "5.25 GB"},
                      SizeCase{kTiB - 1, "1024.00 GB"}, SizeCase{kTiB, "1.00 TB"},
                      SizeCase{1024 * kTiB, "1024.00 TB"},
                      SizeCase{1024 * 1024 * kTiB, "1048576.00 TB"}));

// The path form reads the size from disk and reports -1 for anything that is not a readable file.
TEST(SizeText, FromPathReportsSizeOrMinusOne) {
    TestDir dir;
    dir.MakeTree({{"five.bin", "12345"}, {"big.bin", std::string(3000, 'x')}, {"sub/", ""}});
    int64_t size = 99;
    EXPECT_EQ(FormatSizeText(dir / "five.bin", &size), "5 bytes");
    EXPECT_EQ(size, 5);
    EXPECT_EQ(FormatSizeText(dir / "big.bin", &size), "2 KB");
    EXPECT_EQ(size, 3000);
    EXPECT_EQ(FormatSizeText(dir / "missing.bin", &size), "-1 bytes");
    EXPECT_EQ(size, -1);
    EXPECT_EQ(FormatSizeText(dir / "sub", &size), "-1 bytes");
    EXPECT_EQ(size, -1);
}

struct SeparatorCase {
    const char* digits;
    const char* text;
};

class SeparatorTest : public ::testing::TestWithParam<SeparatorCase> {};

// Commas go every three digits from the right and never in front of the first digit.
TEST_P(SeparatorTest, GroupsOfThree) {
    EXPECT_EQ(InsertThousandsSeparators(GetParam().digits), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Lengths, SeparatorTest,
                         ::testing::Values(SeparatorCase{"", ""}, SeparatorCase{"7", "7"},
                                           SeparatorCase{"12", "12"}, SeparatorCase{"123", "123"},
                                           SeparatorCase{"1234", "1,234"},
                                           SeparatorCase{"123456", "123,456"},
                                           SeparatorCase{"1234567", "1,234,567"},
                                           SeparatorCase{"1234567890123", "1,234,567,890,123"}));

// Sets TZ for one test and restores the previous zone afterwards.
class ScopedZone {
  public:
    explicit ScopedZone(const char* zone) {
        if (const char* old = std::getenv("TZ")) {
            saved_ = old;
            hadValue_ = true;
        }
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ScopedZone() {
        if (hadValue_) {
            setenv("TZ", saved_.c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }

  private:
    std::string saved_;
    bool hadValue_ = false;
};

struct StampCase {
    const char* zone;
    time_t utc;
    const char* text;
};

class TimestampTest : public ::testing::TestWithParam<StampCase> {};

// Month/day/year hour:minute in local time, seconds dropped, across midnight and DST changes.
TEST_P(TimestampTest, LocalTimeText) {
    ScopedZone zone(GetParam().zone);
    EXPECT_EQ(FormatTimestampFromTime(GetParam().utc), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Zones, TimestampTest,
    ::testing::Values(
        StampCase{"UTC", 1262606700, "01/04/2010 12:05"},  // 2010-01-04 12:05:00Z
        StampCase{"UTC", 1262606759, "01/04/2010 12:05"},  // last second of that minute
        StampCase{"UTC", 1262606760, "01/04/2010 12:06"},  // the next minute starts
        StampCase{"UTC", 1262563200, "01/04/2010 00:00"},  // midnight
        StampCase{"UTC", 1262563199, "01/03/2010 23:59"},  // one second before midnight
        StampCase{"UTC", 0, "01/01/1970 00:00"}, StampCase{"UTC", -1, "12/31/1969 23:59"},
        StampCase{"UTC", 951782400, "02/29/2000 00:00"},
        StampCase{"Europe/Berlin", 1262606700, "01/04/2010 13:05"},
        // 2021-03-28 00:59:59Z is 01:59:59 CET; one second later clocks jump to 03:00 CEST.
        StampCase{"Europe/Berlin", 1616893199, "03/28/2021 01:59"},
        StampCase{"Europe/Berlin", 1616893200, "03/28/2021 03:00"},
        // 2021-10-31 00:59:59Z is 02:59:59 CEST, then 02:00 CET again.
        StampCase{"Europe/Berlin", 1635641999, "10/31/2021 02:59"},
        StampCase{"Europe/Berlin", 1635642000, "10/31/2021 02:00"},
        // Half-hour offsets; a DST change of half an hour; one in the middle of a UTC hour.
        StampCase{"Asia/Kolkata", 1262606700, "01/04/2010 17:35"},
        StampCase{"Australia/Lord_Howe", 1617461999, "04/04/2021 01:59"},
        StampCase{"Australia/Lord_Howe", 1617462000, "04/04/2021 01:30"},
        StampCase{"Asia/Tehran", 1616358599, "03/21/2021 23:59"},
        StampCase{"Asia/Tehran", 1616358600, "03/22/2021 01:00"},
        StampCase{"America/New_York", 1262606700, "01/04/2010 07:05"}));

struct AgreementCase {
    const char* zone;
    time_t start;
};

class TimestampAgreementTest : public ::testing::TestWithParam<AgreementCase> {};

// Two days around a DST change, sampled every 7 s, agree with the C library's own conversion.
TEST_P(TimestampAgreementTest, AgreesWithLocaltimeAroundTransition) {
    ScopedZone zone(GetParam().zone);
    for (time_t t = GetParam().start; t < GetParam().start + 2 * 86400; t += 7) {
        struct tm lt {};
        ASSERT_NE(localtime_r(&t, &lt), nullptr);
        char expected[64];
        std::snprintf(expected, sizeof expected, "%02d/%02d/%04d %02d:%02d", lt.tm_mon + 1,
                      lt.tm_mday, lt.tm_year + 1900, lt.tm_hour, lt.tm_min);
        ASSERT_EQ(FormatTimestampFromTime(t), expected) << "at " << t;
    }
}

// Tehran changes at 20:30 UTC, Lord Howe by half an hour, Berlin by an hour on the hour.
INSTANTIATE_TEST_SUITE_P(Zones, TimestampAgreementTest,
                         ::testing::Values(AgreementCase{"Asia/Tehran", 1616300000},
                                           AgreementCase{"Australia/Lord_Howe", 1617400000},
                                           AgreementCase{"Europe/Berlin", 1616850000},
                                           AgreementCase{"Europe/Berlin", 1635600000}));

// The cached offsets follow a change of zone made with tzset().
TEST(Timestamp, FollowsZoneChange) {
    {
        ScopedZone zone("UTC");
        EXPECT_EQ(FormatTimestampFromTime(1262606700), "01/04/2010 12:05");
    }
    {
        ScopedZone zone("Asia/Tokyo");
        EXPECT_EQ(FormatTimestampFromTime(1262606700), "01/04/2010 21:05");
    }
}

// The path form reads the last-write time; folders and missing paths give no text.
TEST(Timestamp, FromPath) {
    ScopedZone zone("UTC");
    TestDir dir;
    dir.MakeTree({{"a.txt", "x", 1262606700}, {"sub/", ""}});
    EXPECT_EQ(FormatTimestampText(dir / "a.txt"), "01/04/2010 12:05");
    EXPECT_EQ(FormatTimestampText(dir / "sub"), "");
    EXPECT_EQ(FormatTimestampText(dir / "nope.txt"), "");
    EXPECT_EQ(FormatTimestampText(""), "");
}

// Existence: links count as themselves (a dangling link exists), empty and missing paths do not.
TEST(PathExists, LooseExistence) {
    TestDir dir;
    dir.MakeTree({{"f.txt", "x"}, {"d/", ""}});
    dir.Symlink(dir / "gone", "dangling");
    EXPECT_TRUE(PathExistsLoose(dir / "f.txt"));
    EXPECT_TRUE(PathExistsLoose(dir / "d"));
    EXPECT_TRUE(PathExistsLoose(dir / "dangling"));
    EXPECT_FALSE(PathExistsLoose(dir / "none"));
    EXPECT_FALSE(PathExistsLoose(""));
}

// A file inside a folder that cannot be searched still counts as existing (it is locked, not gone).
TEST(PathExists, UnsearchableFolderCountsAsExisting) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root ignores folder permissions";
    }
    TestDir dir;
    dir.MakeTree({{"locked/f.txt", "x"}});
    ASSERT_EQ(chmod((dir / "locked").c_str(), 0), 0);
    EXPECT_TRUE(PathExistsLoose(dir / "locked/f.txt"));
    chmod((dir / "locked").c_str(), 0700);
}

struct StripCase {
    const char* name;
    const char* stripped;
    size_t messages;
};

class StripTest : public ::testing::TestWithParam<StripCase> {};

// Every forbidden character is removed; the message appears once per call, only when one was found.
TEST_P(StripTest, RemovesForbiddenCharacters) {
    test::FakePrompter prompter;
    EXPECT_EQ(StripIllegalNameChars(GetParam().name, true, &prompter), GetParam().stripped);
    ASSERT_EQ(prompter.shown.size(), GetParam().messages);
    if (GetParam().messages > 0) {
        EXPECT_EQ(prompter.shown[0].text,
                  "A file name can't contain any of the following characters:\n\t\\/:*?\"<>|");
        EXPECT_EQ(prompter.shown[0].style & mb::kIconMask, mb::kIconStop);
    }
}

INSTANTIATE_TEST_SUITE_P(Names, StripTest,
                         ::testing::Values(StripCase{"a:b?.txt", "ab.txt", 1},
                                           StripCase{"plain.txt", "plain.txt", 0},
                                           StripCase{"\\/:*?\"<>|", "", 1},
                                           StripCase{"x||y**z", "xyz", 1}, StripCase{"", "", 0},
                                           StripCase{"caf\xc3\xa9.txt", "caf\xc3\xa9.txt", 0}));

// Without the flag the name is still cleaned but nothing is shown.
TEST(Strip, SilentWithoutFlag) {
    test::FakePrompter prompter;
    EXPECT_EQ(StripIllegalNameChars("a<b>", false, &prompter), "ab");
    EXPECT_TRUE(prompter.shown.empty());
}

}  // namespace
}  // namespace quillon
