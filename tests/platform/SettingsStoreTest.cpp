#include "platform/SettingsStore.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/RegistryStore.h"
#include "platform/SettingsCatalogue.h"
#include "support/StoreFixture.h"

namespace quillon {
namespace {

using Texts = std::vector<std::string>;
constexpr RegHive kHkcu = RegHive::CurrentUser;
const std::string kMru = std::string(settings::kMruDir2Open);

class SettingsStoreTest : public test::StoreFixture {
  protected:
    Texts MruNames() const {
        Texts names;
        for (const RegValue& v : registry_.EnumValues(kHkcu, kMru)) {
            names.push_back(v.name);
        }
        return names;
    }
    static Texts Numbered(const char* format, int from, int to) {
        Texts out;
        for (int i = from; i <= to; ++i) {
            char text[32];
            std::snprintf(text, sizeof text, format, i);
            out.push_back(text);
        }
        return out;
    }
};

// A first run gives every default of a duplicate-free catalogue and stores only two values.
TEST_F(SettingsStoreTest, FirstRunGivesCatalogueDefaults) {
    std::set<std::string> names;
    size_t count = 0;
    const auto check = [&](const auto& catalogue) {
        for (const auto& s : catalogue) {
            EXPECT_EQ(ReadSetting(store_, s), s.defaultValue) << s.section << "\\" << s.entry;
            names.insert(std::string(s.section) + "\\" + std::string(s.entry));
            ++count;
        }
    };
    check(settings::AllIntSettings());
    check(settings::AllStringSettings());
    EXPECT_EQ(names.size(), count);
    EXPECT_FALSE(store_.LoadWindowPlacement().has_value());
    Texts mru;
    EXPECT_NE(store_.ReadMruList(kMru, mru), 0);
    EXPECT_TRUE(mru.empty());
    std::set<std::string> stored;
    for (std::string section : {"Settings", "Misc.", "Filter", "FilterDialog", "OutputFormat",
                                "PDFRendition", "MultiRenamePP", "ShellMenu"}) {
        for (const RegValue& v :
             registry_.EnumValues(kHkcu, std::string(kProfileRoot) + "\\" + section)) {
            stored.insert(section + "\\" + v.name + "=" + std::to_string(v.dword));
        }
    }
    EXPECT_EQ(stored, (std::set<std::string>{"Settings\\IncludeFoldersForDiffs=1",
                                             "Misc.\\GridlinesEnabled=1"}));
}

// Integers are signed DWORDs, another type reads as the default; a section goes with its subkeys.
TEST_F(SettingsStoreTest, ProfileValuesTypesAndSections) {
    EXPECT_TRUE(WriteSetting(store_, settings::kFontSize, -13));
    EXPECT_TRUE(WriteSetting(store_, settings::kFontName, "DejaVu Sans"));
    EXPECT_EQ(ReadSetting(store_, settings::kFontSize), -13);
    EXPECT_EQ(registry_.GetValue(kHkcu, "Software\\Marrowby\\Quillon\\Settings", "FontSize")->dword,
              0xFFFFFFF3u);
    EXPECT_EQ(ReadSetting(store_, settings::kFontName), "DejaVu Sans");
    EXPECT_EQ(store_.GetProfileInt("settings", "fontsize", 0), -13);
    ASSERT_TRUE(store_.WriteProfileString("Settings", "WIDTH_TIME", "120"));
    ASSERT_TRUE(store_.WriteProfileInt("Settings", "FontName", 7));
    EXPECT_EQ(ReadSetting(store_, settings::kWidthTime), 75);
    EXPECT_EQ(ReadSetting(store_, settings::kFontName), "Tahoma");
    EXPECT_EQ(store_.GetProfileString("Nowhere", "Nothing"), "");
    ASSERT_TRUE(store_.WriteProfileInt("MessageBoxes", "FilterDirCopy_01", 6));
    ASSERT_TRUE(store_.WriteProfileInt("MessageBoxes\\Nested", "x", 1));
    EXPECT_TRUE(store_.DeleteProfileSection("MessageBoxes"));
    EXPECT_EQ(Int("MessageBoxes", "FilterDirCopy_01"), kAbsent);
    EXPECT_FALSE(registry_.KeyExists(kHkcu, "Software\\Marrowby\\Quillon\\MessageBoxes\\Nested"));
    EXPECT_EQ(Int("Settings", "FontSize"), -13);
    EXPECT_FALSE(store_.DeleteProfileSection("MessageBoxes"));
}

// An MRU list holds each entry once in any case, newest last, at most 20 of at most 259 units.
TEST_F(SettingsStoreTest, MruReplacesLimitsAndKeepsTwentyNewest) {
    for (const char* entry : {"/home/Ann/Docs", "/srv/data", "/tmp", "/HOME/ann/docs"}) {
        ASSERT_TRUE(store_.AddToMruList(kMru, entry));
    }
    EXPECT_EQ(Mru(kMru), (Texts{"/srv/data", "/tmp", "/HOME/ann/docs"}));
    EXPECT_EQ(MruNames(), (Texts{"MRU01", "MRU02", "MRU03"}));
    ASSERT_TRUE(store_.DeleteProfileSection("MRU"));
    for (const std::string& entry : Numbered("/d%d", 1, 21)) {
        ASSERT_TRUE(store_.AddToMruList(kMru, entry, 20));
    }
    EXPECT_EQ(Mru(kMru), Numbered("/d%d", 2, 21));
    EXPECT_EQ(MruNames(), Numbered("MRU%.2d", 1, 20));
    EXPECT_EQ(registry_.GetValue(kHkcu, kMru, "MRU20")->text, "/d21");
    ASSERT_TRUE(store_.AddToMruList(kMru, "/D10", 20));
    Texts expected = Numbered("/d%d", 2, 21);
    expected.erase(expected.begin() + 8);
    expected.push_back("/D10");
    EXPECT_EQ(Mru(kMru), expected);
    ASSERT_TRUE(store_.DeleteProfileSection("MRU"));
    const std::string longest(259, 'a');
    const std::string tooLong(260, 'a');
    const std::string astral = std::string(129, 'b') + "😀😀";  // 129 + 4 units = 133
    EXPECT_TRUE(store_.AddToMruList(kMru, longest));
    EXPECT_FALSE(store_.AddToMruList(kMru, tooLong));
    EXPECT_TRUE(store_.AddToMruList(kMru, astral));
    EXPECT_EQ(Mru(kMru), (Texts{longest, astral}));
    ASSERT_TRUE(registry_.SetString(kHkcu, kMru, "MRU03", tooLong));
    ASSERT_TRUE(registry_.SetDword(kHkcu, kMru, "MRU04", 4));
    ASSERT_TRUE(registry_.SetString(kHkcu, kMru, "MRU_TOO_LONG", "/x"));
    ASSERT_TRUE(registry_.SetString(kHkcu, kMru, "MRU05", "/kept"));
    EXPECT_EQ(Mru(kMru), (Texts{longest, astral, "/kept"}));
    ASSERT_TRUE(store_.AddToMruList(kMru, "/new"));
    EXPECT_EQ(Mru(kMru), (Texts{longest, astral, "/kept", "/new"}));
    EXPECT_EQ(MruNames(), Numbered("MRU%.2d", 1, 4));
    // A hand-made list over the maximum loses its oldest entry and the tail beyond the maximum.
    const Texts names = Numbered("MRU%.2d", 1, 23);
    for (int i = 0; i < 23; ++i) {
        ASSERT_TRUE(registry_.SetString(kHkcu, kMru, names[i], "/h" + std::to_string(i + 1)));
    }
    ASSERT_TRUE(store_.AddToMruList(kMru, "/new", 20));
    expected = Numbered("/h%d", 2, 20);
    expected.push_back("/new");
    EXPECT_EQ(Mru(kMru), expected);
    EXPECT_EQ(MruNames().back(), "MRU20");
}

// Two instances adding to one MRU list at the same time lose no entry.
TEST_F(SettingsStoreTest, ConcurrentMruAddsAreKept) {
    auto adder = [this](const char* prefix) {
        return InChild([this, prefix] {
            RegistryStore registry(env_.RegistryFolder());
            SettingsStore store(registry);
            bool ok = true;
            for (const std::string& entry : Numbered(prefix, 0, 9)) {
                ok &= store.AddToMruList(kMru, entry, 20);
            }
            return ok;
        });
    };
    const pid_t a = adder("/a%d");
    const pid_t b = adder("/b%d");
    ASSERT_TRUE(ExitedCleanly(a));
    ASSERT_TRUE(ExitedCleanly(b));
    const Texts list = Mru(kMru);
    EXPECT_EQ(std::set<std::string>(list.begin(), list.end()).size(), 20u);
}

// The direct switches are on only for a DWORD of exactly 1.
TEST_F(SettingsStoreTest, DirectFlagsOnlyForExactlyOne) {
    const DirectFlag flags[] = {settings::kLogTimestamp, settings::kGenerateTOC};
    for (const DirectFlag& flag : flags) {
        EXPECT_FALSE(ReadSetting(store_, flag)) << flag.valueName;
    }
    for (uint32_t value : {1u, 0u, 2u, 0xFFFFFFFFu}) {
        for (const DirectFlag& flag : flags) {
            ASSERT_TRUE(registry_.SetDword(kHkcu, flag.keyPath, flag.valueName, value));
            EXPECT_EQ(ReadSetting(store_, flag), value == 1) << flag.valueName << " " << value;
        }
    }
    ASSERT_TRUE(registry_.SetString(kHkcu, flags[0].keyPath, flags[0].valueName, "1"));
    EXPECT_FALSE(ReadSetting(store_, flags[0]));
}

// Exactly ten numbers make a placement; it is saved with the flags cleared and loaded back.
TEST_F(SettingsStoreTest, WindowPlacementText) {
    for (const auto& [text, canonical] :
         {std::pair{"0,1,-1,-1,-8,-31,10,20,810,620", "0,1,-1,-1,-8,-31,10,20,810,620"},
          {"2, 3, 0, 0, 0, 0, 1, 2, 3, +4 ", "2,3,0,0,0,0,1,2,3,4"},
          {"4294967295,1,0,0,0,0,0,0,0,0", "4294967295,1,0,0,0,0,0,0,0,0"}}) {
        const std::optional<WindowPlacement> placement = ParseWindowPlacement(text);
        ASSERT_TRUE(placement.has_value()) << text;
        EXPECT_EQ(FormatWindowPlacement(*placement), canonical);
    }
    for (const char* text : {"0,1,-1,-1,-8,-31,10,20,810", "0,1,-1,-1,-8,-31,10,20,810,620,5",
                             "0,1,-1,-1,-8,-31,10,20,810,", "0,1,-1,-1,-8,-31,10,20,8x0,620",
                             "-1,1,0,0,0,0,0,0,0,0", "0,1,0,0,0,0,0,0,0,99999999999", ""}) {
        EXPECT_FALSE(ParseWindowPlacement(text).has_value()) << text;
    }
    WindowPlacement p{2, 3, -1, -1, -8, -31, 10, 20, 810, 620};
    store_.SaveWindowPlacement(p);
    EXPECT_EQ(store_.GetProfileString("Settings", "WindowPos"), "0,3,-1,-1,-8,-31,10,20,810,620");
    const std::optional<WindowPlacement> loaded = store_.LoadWindowPlacement();
    ASSERT_TRUE(loaded.has_value());
    p.flags = 0;
    EXPECT_EQ(FormatWindowPlacement(*loaded), FormatWindowPlacement(p));
}

}  // namespace
}  // namespace quillon
