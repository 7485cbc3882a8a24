#include "platform/SettingsStore.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/RegistryStore.h"
#include "platform/SettingsCatalogue.h"
#include "support/TempConfigEnv.h"

namespace quillon {
namespace {

constexpr RegHive kHkcu = RegHive::CurrentUser;
const std::string kSettingsKey = "Software\\Marrowby\\Quillon\\Settings";
const std::string kMru = std::string(settings::kMruDir2Open);

class SettingsStoreTest : public ::testing::Test {
  protected:
    SettingsStoreTest() : registry_(env_.RegistryFolder()), store_(registry_) {}

    std::vector<std::string> Mru() const {
        std::vector<std::string> list;
        EXPECT_EQ(store_.ReadMruList(kMru, list), 0);
        return list;
    }
    std::vector<std::string> MruNames() const {
        std::vector<std::string> names;
        for (const RegValue& v : registry_.EnumValues(kHkcu, kMru)) {
            names.push_back(v.name);
        }
        return names;
    }

    test::TempConfigEnv env_;
    RegistryStore registry_;
    SettingsStore store_;
};

// A first run on an empty store gives every catalogue default, and only the two values that are
// written back on reading exist afterwards.
TEST_F(SettingsStoreTest, FirstRunGivesCatalogueDefaults) {
    for (const IntSetting& s : settings::AllIntSettings()) {
        EXPECT_EQ(ReadSetting(store_, s), s.defaultValue) << s.section << "\\" << s.entry;
    }
    for (const StringSetting& s : settings::AllStringSettings()) {
        EXPECT_EQ(ReadSetting(store_, s), s.defaultValue) << s.section << "\\" << s.entry;
    }
    EXPECT_FALSE(ReadSetting(store_, settings::kLogTimestamp));
    EXPECT_FALSE(ReadSetting(store_, settings::kGenerateTOC));
    EXPECT_FALSE(store_.LoadWindowPlacement().has_value());
    std::vector<std::string> mru;
    EXPECT_NE(store_.ReadMruList(kMru, mru), 0);
    EXPECT_TRUE(mru.empty());

    std::set<std::string> stored;
    for (std::string section : {"Settings", "Misc.", "Filter", "FilterDialog", "OutputFormat",
                                "PDFRendition", "MultiRenamePP", "ShellMenu"}) {
        for (const RegValue& v :
             registry_.EnumValues(kHkcu, "Software\\Marrowby\\Quillon\\" + section)) {
            stored.insert(section + "\\" + v.name + "=" + std::to_string(v.dword));
        }
    }
    EXPECT_EQ(stored, (std::set<std::string>{"Settings\\IncludeFoldersForDiffs=1",
                                             "Misc.\\GridlinesEnabled=1"}));
}

// The catalogue names every value once per section; a duplicate would make two features share
// one stored value by accident.
TEST(SettingsCatalogue, EntriesAreUniquePerSection) {
    std::set<std::string> seen;
    size_t count = 0;
    for (const IntSetting& s : settings::AllIntSettings()) {
        seen.insert(std::string(s.section) + "\\" + std::string(s.entry));
        ++count;
    }
    for (const StringSetting& s : settings::AllStringSettings()) {
        seen.insert(std::string(s.section) + "\\" + std::string(s.entry));
        ++count;
    }
    EXPECT_EQ(seen.size(), count);
}

// Integers are DWORDs read back as signed numbers; a value of another type reads as the default.
TEST_F(SettingsStoreTest, ProfileValuesAndWrongTypes) {
    EXPECT_TRUE(WriteSetting(store_, settings::kFontSize, -13));
    EXPECT_TRUE(WriteSetting(store_, settings::kColorRightOnly, 16711680));
    EXPECT_TRUE(WriteSetting(store_, settings::kFontName, "DejaVu Sans"));
    EXPECT_EQ(ReadSetting(store_, settings::kFontSize), -13);
    EXPECT_EQ(registry_.GetValue(kHkcu, kSettingsKey, "FontSize")->dword, 0xFFFFFFF3u);
    EXPECT_EQ(ReadSetting(store_, settings::kColorRightOnly), 16711680);
    EXPECT_EQ(ReadSetting(store_, settings::kFontName), "DejaVu Sans");

    ASSERT_TRUE(registry_.SetString(kHkcu, kSettingsKey, "WIDTH_TIME", "120"));
    ASSERT_TRUE(registry_.SetDword(kHkcu, kSettingsKey, "FontName", 7));
    EXPECT_EQ(ReadSetting(store_, settings::kWidthTime), 75);
    EXPECT_EQ(ReadSetting(store_, settings::kFontName), "Tahoma");
    EXPECT_EQ(store_.GetProfileString("Nowhere", "Nothing"), "");
    EXPECT_EQ(store_.GetProfileInt("settings", "fontsize", 0), -13);
}

// A section is deleted with its subkeys; other sections stay.
TEST_F(SettingsStoreTest, DeleteProfileSection) {
    ASSERT_TRUE(store_.WriteProfileInt("MessageBoxes", "FilterDirCopy_01", 6));
    ASSERT_TRUE(store_.WriteProfileInt("MessageBoxes\\Nested", "x", 1));
    ASSERT_TRUE(store_.WriteProfileInt("Settings", "LogEnabled", 1));
    EXPECT_TRUE(store_.DeleteProfileSection("MessageBoxes"));
    EXPECT_EQ(store_.GetProfileInt("MessageBoxes", "FilterDirCopy_01", -1), -1);
    EXPECT_FALSE(registry_.KeyExists(kHkcu, "Software\\Marrowby\\Quillon\\MessageBoxes\\Nested"));
    EXPECT_EQ(store_.GetProfileInt("Settings", "LogEnabled", 0), 1);
    EXPECT_FALSE(store_.DeleteProfileSection("MessageBoxes"));
}

// Re-adding an entry that differs only in letter case replaces it: one copy, spelled as new,
// at the newest end, and the list is renumbered from MRU01.
TEST_F(SettingsStoreTest, MruCaseInsensitiveReplacement) {
    ASSERT_TRUE(store_.AddToMruList(kMru, "/home/Ann/Docs"));
    ASSERT_TRUE(store_.AddToMruList(kMru, "/srv/data"));
    ASSERT_TRUE(store_.AddToMruList(kMru, "/tmp"));
    ASSERT_TRUE(store_.AddToMruList(kMru, "/HOME/ann/docs"));
    EXPECT_EQ(Mru(), (std::vector<std::string>{"/srv/data", "/tmp", "/HOME/ann/docs"}));
    EXPECT_EQ(MruNames(), (std::vector<std::string>{"MRU01", "MRU02", "MRU03"}));
}

// A 21st distinct entry drops the oldest, renumbers the rest, and becomes MRU20; re-adding an
// entry of a full list drops nothing.
TEST_F(SettingsStoreTest, MruKeepsTwentyNewest) {
    for (int i = 1; i <= 20; ++i) {
        ASSERT_TRUE(store_.AddToMruList(kMru, "/d" + std::to_string(i), 20));
    }
    ASSERT_EQ(Mru().size(), 20u);
    ASSERT_TRUE(store_.AddToMruList(kMru, "/d21", 20));
    std::vector<std::string> list = Mru();
    ASSERT_EQ(list.size(), 20u);
    EXPECT_EQ(list.front(), "/d2");
    EXPECT_EQ(list.back(), "/d21");
    std::vector<std::string> names = MruNames();
    EXPECT_EQ(names.front(), "MRU01");
    EXPECT_EQ(names.back(), "MRU20");
    EXPECT_EQ(registry_.GetValue(kHkcu, kMru, "MRU20")->text, "/d21");

    ASSERT_TRUE(store_.AddToMruList(kMru, "/D10", 20));
    list = Mru();
    ASSERT_EQ(list.size(), 20u);
    EXPECT_EQ(list.front(), "/d2");
    EXPECT_EQ(list.back(), "/D10");
    EXPECT_EQ(std::count(list.begin(), list.end(), "/d10"), 0);
}

// A hand-made list longer than the maximum loses its oldest entry and is then cut at the
// maximum: the entries after the first nineteen go, and the new one is still the newest.
TEST_F(SettingsStoreTest, MruOverlongListIsCutAtTheMaximum) {
    for (int i = 1; i <= 23; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "MRU%.2d", i);
        ASSERT_TRUE(registry_.SetString(kHkcu, kMru, name, "/h" + std::to_string(i)));
    }
    ASSERT_TRUE(store_.AddToMruList(kMru, "/new", 20));
    std::vector<std::string> expected;
    for (int i = 2; i <= 20; ++i) {
        expected.push_back("/h" + std::to_string(i));
    }
    expected.push_back("/new");
    EXPECT_EQ(Mru(), expected);
    EXPECT_EQ(MruNames().back(), "MRU20");
}

// Entries are limited to 259 characters (UTF-16 units): a longer one is not remembered rather
// than cut into a path that names something else; hand-made values that do not fit are skipped.
TEST_F(SettingsStoreTest, MruEntryLimits) {
    std::string longest(259, 'a');
    std::string tooLong(260, 'a');
    std::string astral = std::string(129, 'b') + "😀😀";  // 129 + 4 units = 133
    EXPECT_TRUE(store_.AddToMruList(kMru, longest));
    EXPECT_FALSE(store_.AddToMruList(kMru, tooLong));
    EXPECT_TRUE(store_.AddToMruList(kMru, astral));
    EXPECT_EQ(Mru(), (std::vector<std::string>{longest, astral}));

    ASSERT_TRUE(registry_.SetString(kHkcu, kMru, "MRU03", tooLong));
    ASSERT_TRUE(registry_.SetDword(kHkcu, kMru, "MRU04", 4));
    ASSERT_TRUE(registry_.SetString(kHkcu, kMru, "MRU_TOO_LONG", "/x"));
    ASSERT_TRUE(registry_.SetString(kHkcu, kMru, "MRU05", "/kept"));
    EXPECT_EQ(Mru(), (std::vector<std::string>{longest, astral, "/kept"}));
    ASSERT_TRUE(store_.AddToMruList(kMru, "/new"));
    EXPECT_EQ(Mru(), (std::vector<std::string>{longest, astral, "/kept", "/new"}));
    EXPECT_EQ(MruNames(), (std::vector<std::string>{"MRU01", "MRU02", "MRU03", "MRU04"}));
}

// Two instances adding to one MRU list at the same time lose no entry.
TEST_F(SettingsStoreTest, ConcurrentMruAddsAreKept) {
    const std::string folder = env_.RegistryFolder();
    auto adder = [&](const std::string& prefix) {
        RegistryStore registry(folder);
        SettingsStore store(registry);
        bool ok = true;
        for (int i = 0; i < 10; ++i) {
            ok &= store.AddToMruList(kMru, prefix + std::to_string(i), 20);
        }
        _exit(ok ? 0 : 1);
    };
    pid_t a = fork();
    if (a == 0) {
        adder("/a");
    }
    pid_t b = fork();
    if (b == 0) {
        adder("/b");
    }
    int sa = 0, sb = 0;
    waitpid(a, &sa, 0);
    waitpid(b, &sb, 0);
    ASSERT_TRUE(WIFEXITED(sa) && WEXITSTATUS(sa) == 0);
    ASSERT_TRUE(WIFEXITED(sb) && WEXITSTATUS(sb) == 0);
    std::vector<std::string> list = Mru();
    EXPECT_EQ(std::set<std::string>(list.begin(), list.end()).size(), 20u);
    EXPECT_EQ(list.size(), 20u);
}

struct FlagCase {
    std::optional<uint32_t> dword;
    std::optional<std::string> text;
    bool expected;
};

class DirectFlagTest : public SettingsStoreTest, public ::testing::WithParamInterface<FlagCase> {};

// The direct switches are on only for a DWORD of exactly 1.
TEST_P(DirectFlagTest, OnlyExactlyOne) {
    const FlagCase& c = GetParam();
    for (const DirectFlag& flag : {settings::kLogTimestamp, settings::kGenerateTOC}) {
        if (c.dword) {
            ASSERT_TRUE(registry_.SetDword(kHkcu, flag.keyPath, flag.valueName, *c.dword));
        }
        if (c.text) {
            ASSERT_TRUE(registry_.SetString(kHkcu, flag.keyPath, flag.valueName, *c.text));
        }
        EXPECT_EQ(ReadSetting(store_, flag), c.expected) << flag.valueName;
    }
}

INSTANTIATE_TEST_SUITE_P(Values, DirectFlagTest,
                         ::testing::Values(FlagCase{std::nullopt, std::nullopt, false},
                                           FlagCase{1u, std::nullopt, true},
                                           FlagCase{0u, std::nullopt, false},
                                           FlagCase{2u, std::nullopt, false},
                                           FlagCase{0xFFFFFFFFu, std::nullopt, false},
                                           FlagCase{std::nullopt, "1", false}));

struct PlacementCase {
    const char* text;
    const char* canonical;  // nullptr when the text is not a placement
};

class PlacementParse : public ::testing::TestWithParam<PlacementCase> {};

// Only exactly ten numbers make a placement; anything else is ignored as a whole.
TEST_P(PlacementParse, Text) {
    auto placement = ParseWindowPlacement(GetParam().text);
    ASSERT_EQ(placement.has_value(), GetParam().canonical != nullptr);
    if (placement) {
        EXPECT_EQ(FormatWindowPlacement(*placement), GetParam().canonical);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, PlacementParse,
    ::testing::Values(PlacementCase{"0,1,-1,-1,-8,-31,10,20,810,620",
                                    "0,1,-1,-1,-8,-31,10,20,810,620"},
                      PlacementCase{"2, 3, 0, 0, 0, 0, 1, 2, 3, +4 ", "2,3,0,0,0,0,1,2,3,4"},
                      PlacementCase{"4294967295,1,0,0,0,0,0,0,0,0", "4294967295,1,0,0,0,0,0,0,0,0"},
                      PlacementCase{"0,1,-1,-1,-8,-31,10,20,810", nullptr},
                      PlacementCase{"0,1,-1,-1,-8,-31,10,20,810,620,5", nullptr},
                      PlacementCase{"0,1,-1,-1,-8,-31,10,20,810,", nullptr},
                      PlacementCase{"0,1,-1,-1,-8,-31,10,20,8x0,620", nullptr},
                      PlacementCase{"-1,1,0,0,0,0,0,0,0,0", nullptr},
                      PlacementCase{"0,1,0,0,0,0,0,0,0,99999999999", nullptr},
                      PlacementCase{"", nullptr}));

// Saving stores the ten-number text with the flags cleared; loading gives the numbers back,
// and a stored text of nine numbers is treated as no placement.
TEST_F(SettingsStoreTest, WindowPlacementRoundTrip) {
    WindowPlacement p;
    p.flags = 2;
    p.showCmd = 3;
    p.minX = -1;
    p.minY = -1;
    p.maxX = -8;
    p.maxY = -31;
    p.left = 10;
    p.top = 20;
    p.right = 810;
    p.bottom = 620;
    store_.SaveWindowPlacement(p);
    EXPECT_EQ(store_.GetProfileString("Settings", "WindowPos"), "0,3,-1,-1,-8,-31,10,20,810,620");
    auto loaded = store_.LoadWindowPlacement();
    ASSERT_TRUE(loaded.has_value());
    EXPECT_EQ(loaded->flags, 0u);
    EXPECT_EQ(loaded->showCmd, 3u);
    EXPECT_EQ(loaded->maxY, -31);
    EXPECT_EQ(loaded->bottom, 620);

    ASSERT_TRUE(store_.WriteProfileString("Settings", "WindowPos", "0,3,-1,-1,-8,-31,10,20,810"));
    EXPECT_FALSE(store_.LoadWindowPlacement().has_value());
}

}  // namespace
}  // namespace quillon
