#include "platform/RegistryStore.h"
#include "platform/SettingsStore.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/SettingsCatalogue.h"
#include "support/StoreFixture.h"

namespace quillon {
namespace {

constexpr RegHive kHkcu = RegHive::CurrentUser;
constexpr std::string_view kKey = "Software\\Marrowby\\Quillon\\Settings";
const std::string kHiveFile = "config/marrowby/HKEY_CURRENT_USER.reg";
const std::string kHead = "Windows Registry Editor Version 5.00\n";

using Texts = std::vector<std::string>;
using RegistryStoreTest = test::StoreFixture;
using SettingsStoreTest = test::StoreFixture;

Texts Names(const RegistryStore& store, std::string_view key) {
    Texts names;
    for (const RegValue& v : store.EnumValues(kHkcu, key)) {
        names.push_back(v.name);
    }
    return names;
}

RegHiveData MustParse(const std::string& text) {
    RegHiveData data;
    std::string error;
    EXPECT_TRUE(RegHiveData::Parse(text, kHkcu, data, &error)) << error << "\n" << text;
    return data;
}

// The file is a readable registry export, one value per line, and any name or text survives it.
TEST_F(RegistryStoreTest, WritesReadableTextThatRoundTrips) {
    ASSERT_TRUE(registry_.SetDword(kHkcu, kKey, "FontSize", static_cast<uint32_t>(-11)));
    ASSERT_TRUE(registry_.SetString(kHkcu, kKey, "FontName", "Ta\"h\\oma"));
    ASSERT_TRUE(registry_.SetString(kHkcu, "Software\\Other", "", "default"));
    EXPECT_EQ(Dir().ReadFile(kHiveFile),
              kHead +
                  "\n[HKEY_CURRENT_USER\\Software]\n\n[HKEY_CURRENT_USER\\Software\\Marrowby]\n\n"
                  "[HKEY_CURRENT_USER\\Software\\Marrowby\\Quillon]\n\n"
                  "[HKEY_CURRENT_USER\\Software\\Marrowby\\Quillon\\Settings]\n"
                  "\"FontSize\"=dword:fffffff5\n\"FontName\"=\"Ta\\\"h\\\\oma\"\n\n"
                  "[HKEY_CURRENT_USER\\Software\\Other]\n@=\"default\"\n\n");
    ASSERT_TRUE(registry_.DeleteKey(kHkcu, "Software"));
    std::vector<std::string> texts = {
        "",          "say \"hi\"",     "C:\\Program Files\\",      "\\\\\"\\",
        "tab\there", "two\nlines\r\n", "bell\x07 del\x7f esc\x1b", "Grüße, 日本語, 😀",
        "@",         "trailing space "};
    texts.push_back(std::string("nul\0in", 6));
    std::vector<RegValue> written;
    for (const std::string& text : texts) {
        written.push_back({text.empty() ? "x" : text, RegType::String, 0, text});
        ASSERT_TRUE(registry_.SetString(kHkcu, kKey, written.back().name, text));
    }
    EXPECT_EQ(RegistryStore(env_.RegistryFolder()).EnumValues(kHkcu, kKey), written);
    const std::string file = Dir().ReadFile(kHiveFile);
    EXPECT_EQ(std::count(file.begin(), file.end(), '\n'), 10 + static_cast<long>(texts.size()))
        << "one line per value besides the header and the four keys:\n"
        << file;
}

// Names ignore case, keep first spelling and place; a key goes with its subtree; bad paths fail.
TEST_F(RegistryStoreTest, NamesKeysAndInvalidPaths) {
    ASSERT_TRUE(registry_.SetString(kHkcu, "Software\\Key", "Zeta", "1"));
    ASSERT_TRUE(registry_.SetString(kHkcu, "Software\\Key", "alpha", "2"));
    ASSERT_TRUE(registry_.SetDword(kHkcu, "Software\\Key", "Mid", 3));
    ASSERT_TRUE(registry_.SetString(kHkcu, "SOFTWARE\\key", "ZETA", "changed"));
    EXPECT_EQ(registry_.EnumValues(kHkcu, "software\\KEY"),
              (std::vector<RegValue>{{"Zeta", RegType::String, 0, "changed"},
                                     {"alpha", RegType::String, 0, "2"},
                                     {"Mid", RegType::Dword, 3, ""}}));
    EXPECT_EQ(registry_.EnumSubkeys(kHkcu, ""), std::vector<std::string>{"Software"});
    EXPECT_EQ(registry_.EnumSubkeys(kHkcu, "software"), std::vector<std::string>{"Key"});
    ASSERT_TRUE(registry_.SetString(kHkcu, "Software\\Key", "alpha", "typed"));
    RegistryStore fresh(env_.RegistryFolder());
    EXPECT_EQ(fresh.EnumValues(kHkcu, "Software\\Key"),
              registry_.EnumValues(kHkcu, "Software\\Key"));
    ASSERT_TRUE(registry_.SetString(kHkcu, "A\\B\\C", "v", "1"));
    ASSERT_TRUE(registry_.SetString(kHkcu, "A\\B", "v", "2"));
    ASSERT_TRUE(registry_.SetString(kHkcu, "A\\Bee", "v", "3"));
    EXPECT_TRUE(registry_.DeleteKey(kHkcu, "a\\b"));
    EXPECT_FALSE(registry_.KeyExists(kHkcu, "A\\B"));
    EXPECT_FALSE(registry_.KeyExists(kHkcu, "A\\B\\C"));
    EXPECT_TRUE(registry_.KeyExists(kHkcu, "A\\Bee"));
    EXPECT_FALSE(registry_.DeleteKey(kHkcu, "A\\B"));
    ASSERT_TRUE(registry_.SetString(kHkcu, "A\\B", "new", "4"));
    EXPECT_EQ(registry_.EnumValues(kHkcu, "A\\B").size(), 1u);
    EXPECT_EQ(registry_.EnumSubkeys(kHkcu, "A"), (std::vector<std::string>{"Bee", "B"}));
    EXPECT_TRUE(registry_.DeleteValue(kHkcu, "A\\B", "NEW"));
    EXPECT_FALSE(registry_.DeleteValue(kHkcu, "A\\B", "new"));
    EXPECT_TRUE(registry_.KeyExists(kHkcu, "A\\B"));
    std::string deep = "k";
    for (int i = 1; i < 600; ++i) {
        deep += "\\k";
    }
    for (const std::string& bad : {std::string("X\\\\B"), std::string("X\\"), deep}) {
        EXPECT_FALSE(registry_.SetString(kHkcu, bad, "v", "x")) << bad.substr(0, 10);
    }
    EXPECT_FALSE(registry_.CreateKey(kHkcu, "tab\tkey"));
    EXPECT_FALSE(registry_.KeyExists(kHkcu, "X"));
}

// The 32-bit view of HKLM\Software is its WOW6432Node subkey, and nothing else is redirected.
TEST_F(RegistryStoreTest, ThirtyTwoBitViewOfLocalMachine) {
    const RegHive hklm = RegHive::LocalMachine;
    ASSERT_TRUE(registry_.SetString(hklm, "SOFTWARE\\Tool", "Path", "/32", RegView::Bits32));
    ASSERT_TRUE(registry_.SetString(hklm, "SOFTWARE\\Tool", "Path", "/64", RegView::Bits64));
    EXPECT_EQ(registry_.GetValue(hklm, "Software\\WOW6432Node\\Tool", "Path")->text, "/32");
    EXPECT_EQ(registry_.GetValue(hklm, "Software\\Tool", "Path")->text, "/64");
    EXPECT_EQ(registry_.GetValue(hklm, "Software\\Tool", "Path", RegView::Bits32)->text, "/32");
    EXPECT_EQ(MapRegView(hklm, "Software\\Wow6432Node\\X", RegView::Bits32),
              "Software\\Wow6432Node\\X");
    EXPECT_EQ(MapRegView(hklm, "Software", RegView::Bits32), "Software\\WOW6432Node");
    EXPECT_EQ(MapRegView(hklm, "System\\X", RegView::Bits32), "System\\X");
    EXPECT_EQ(MapRegView(kHkcu, "Software\\X", RegView::Bits32), "Software\\X");
    EXPECT_TRUE(Dir().Exists("config/marrowby/HKEY_LOCAL_MACHINE.reg"));
    EXPECT_FALSE(Dir().Exists(kHiveFile));
}

// A store sees other writers' changes, and a write applies its own change to the file as it is now.
TEST_F(RegistryStoreTest, OtherWritersAreSeenAndKept) {
    RegistryStore& mine = registry_;
    RegistryStore other(env_.RegistryFolder());
    ASSERT_TRUE(mine.SetDword(kHkcu, kKey, "A", 1));
    EXPECT_EQ(other.GetValue(kHkcu, kKey, "A")->dword, 1u);
    ASSERT_TRUE(other.SetDword(kHkcu, kKey, "A", 2));
    EXPECT_EQ(mine.GetValue(kHkcu, kKey, "A")->dword, 2u);
    Dir().WriteFile(kHiveFile,
                    "Windows Registry Editor Version 5.00\r\n\r\n"
                    "[HKEY_CURRENT_USER\\Software\\Marrowby\\Quillon\\Settings]\r\n"
                    "\"A\"=dword:00000007\r\n");
    EXPECT_EQ(mine.GetValue(kHkcu, kKey, "A")->dword, 7u);
    ASSERT_TRUE(other.SetDword(kHkcu, kKey, "Theirs", 2));
    ASSERT_TRUE(mine.SetDword(kHkcu, kKey, "Mine2", 3));
    ASSERT_TRUE(other.DeleteValue(kHkcu, kKey, "A"));
    ASSERT_TRUE(mine.SetDword(kHkcu, kKey, "Mine3", 4));
    RegistryStore fresh(env_.RegistryFolder());
    EXPECT_EQ(Names(fresh, kKey), (std::vector<std::string>{"Theirs", "Mine2", "Mine3"}));
}

// A writer killed at any moment leaves a whole file holding an unbroken run of its values.
TEST_F(RegistryStoreTest, KilledWriterLeavesAWholeFile) {
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> delayUs(0, 20000);
    const std::string big(3000, 'x');
    size_t lastCount = 0;
    for (int round = 0; round < 12; ++round) {
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        const pid_t child = fork();
        if (child == 0) {
            RegistryStore store(env_.RegistryFolder());
            for (size_t i = store.EnumValues(kHkcu, kKey).size();; ++i) {
                store.SetString(kHkcu, kKey, "v" + std::to_string(i), big);
                if (ready[1] >= 0 && write(ready[1], "w", 1) == 1) {
                    close(ready[1]);
                    ready[1] = -1;
                }
            }
        }
        close(ready[1]);
        char mark = 0;
        ASSERT_EQ(read(ready[0], &mark, 1), 1);
        close(ready[0]);
        usleep(static_cast<useconds_t>(delayUs(random)));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status));

        RegHiveData data;
        std::string error;
        ASSERT_TRUE(RegHiveData::Parse(Dir().ReadFile(kHiveFile), kHkcu, data, &error))
            << "round " << round << ": " << error;
        const std::vector<RegValue> values = data.Values(data.FindKey(kKey));
        ASSERT_GT(values.size(), lastCount) << "round " << round << " lost a finished write";
        for (size_t i = 0; i < values.size(); ++i) {
            ASSERT_EQ(values[i], (RegValue{"v" + std::to_string(i), RegType::String, 0, big}));
        }
        lastCount = values.size();
    }
    for (const std::string& name : Dir().List("config/marrowby")) {
        EXPECT_EQ(name.find(".bad-"), std::string::npos) << name;
    }
}

// A damaged hive is kept aside and logged; one that cannot be read is never overwritten.
TEST_F(RegistryStoreTest, DamagedOrUnreadableHives) {
    const std::string damaged = kHead + "\n[HKEY_CURRENT_USER\\A]\n\"x\"=dword:zz\n";
    Dir().WriteFile(kHiveFile, damaged);
    StartLog();
    EXPECT_FALSE(registry_.GetValue(kHkcu, "A", "x").has_value());
    EXPECT_FALSE(registry_.KeyExists(kHkcu, "A"));
    const std::vector<std::string> files = Dir().List("config/marrowby");
    ASSERT_EQ(files.size(), 2u);  // the kept file and the lock file
    const std::string aside =
        files[0].rfind("HKEY_CURRENT_USER.reg.bad-", 0) == 0 ? files[0] : files[1];
    ASSERT_EQ(aside.rfind("HKEY_CURRENT_USER.reg.bad-", 0), 0u) << files[0] << " " << files[1];
    EXPECT_EQ(Dir().ReadFile("config/marrowby/" + aside), damaged);
    EXPECT_NE(LogText().find("does not parse"), std::string::npos) << LogText();
    EXPECT_NE(LogText().find(aside), std::string::npos) << LogText();
    ASSERT_TRUE(registry_.SetDword(kHkcu, "A", "x", 5));
    EXPECT_EQ(RegistryStore(env_.RegistryFolder()).GetValue(kHkcu, "A", "x")->dword, 5u);
    test::TestDir other;
    other.MakeFolder("HKEY_CURRENT_USER.reg");
    RegistryStore unreadable(other.Path());
    EXPECT_FALSE(unreadable.GetValue(kHkcu, kKey, "A").has_value());
    EXPECT_FALSE(unreadable.SetDword(kHkcu, kKey, "A", 1));
    const std::vector<std::string> kept = other.List();
    EXPECT_NE(std::find(kept.begin(), kept.end(), "HKEY_CURRENT_USER.reg/"), kept.end());
}

// Text that is not a registry file of this hive is refused as a whole, with the line named.
TEST(RegHiveDataParse, RejectsForeignText) {
    const std::string a = kHead + "[HKEY_CURRENT_USER\\A]\n";
    const std::vector<std::pair<const char*, std::string>> bad = {
        {"empty", ""},
        {"blank", "\n\n  \n"},
        {"other header", "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n"},
        {"value first", kHead + "\"a\"=\"b\"\n"},
        {"other hive", kHead + "[HKEY_LOCAL_MACHINE\\A]\n"},
        {"hive prefix", kHead + "[HKEY_CURRENT_USERX\\A]\n"},
        {"empty name", kHead + "[HKEY_CURRENT_USER\\A\\\\B]\n"},
        {"trailing separator", kHead + "[HKEY_CURRENT_USER\\A\\]\n"},
        {"unclosed key", kHead + "[HKEY_CURRENT_USER\\A\n"},
        {"long dword", a + "\"a\"=dword:000000001\n"},
        {"hex dword", a + "\"a\"=dword:0000000g\n"},
        {"empty dword", a + "\"a\"=dword:\n"},
        {"open string", a + "\"a\"=\"b\n"},
        {"bad escape", a + "\"a\"=\"C:\\Windows\"\n"},
        {"short hex escape", a + "\"a\"=\"\\x4\"\n"},
        {"no equals", a + "\"a\" \"b\"\n"},
        {"after string", a + "\"a\"=\"b\"c\n"},
        {"bare word", a + "hello\n"},
        {"untyped data", a + "\"a\"=12\n"},
        // A backslash left in hex data would continue over the next line once written back.
        {"continued at end", a + "\"a\"=hex:25,\\\\\n"},
        {"odd hex byte", a + "\"a\"=hex(2):2,41\n"},
        {"not hex", a + "\"a\"=hex:zz\n"},
        {"empty byte", a + "\"a\"=hex:01,,02\n"}};
    for (const auto& [why, text] : bad) {
        SCOPED_TRACE(why);
        RegHiveData data;
        ASSERT_NE(data.CreateKey("stale"), RegHiveData::kNoKey);
        std::string error;
        EXPECT_FALSE(RegHiveData::Parse(text, kHkcu, data, &error));
        EXPECT_FALSE(error.empty());
        EXPECT_TRUE(data.IsEmpty());
    }
}

// Hand edits and Windows exports (UTF-16 too) are read, other value types kept verbatim.
TEST(RegHiveDataParse, AcceptsExportsAndHandEdits) {
    RegHiveData data = MustParse(
        "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n; my settings\r\n"
        "[HKEY_CURRENT_USER\\A]\r\n@=\"root value\"\r\n\"bin\"=hex:01,02,\\\r\n  03,04\r\n"
        "\"gone\"=\"x\"\r\n\"gone\"=-\r\n\"n\" = dword:FFFFFFFF\r\n"
        "[HKEY_CURRENT_USER\\A\\Old]\r\n\"x\"=\"y\"\r\n[-HKEY_CURRENT_USER\\A\\Old]\r\n"
        "\"ignored\"=\"z\"\r\n[hkey_current_user\\a]\r\n\"late\"=\"\\x41\"\r\n");
    EXPECT_EQ(data.Values(data.FindKey("A")),
              (std::vector<RegValue>{{"", RegType::String, 0, "root value"},
                                     {"bin", RegType::Other, 0, "hex:01,02,03,04"},
                                     {"n", RegType::Dword, 0xFFFFFFFFu, ""},
                                     {"late", RegType::String, 0, "A"}}));
    EXPECT_EQ(data.FindKey("A\\Old"), RegHiveData::kNoKey);
    const std::string written = data.Serialize(kHkcu);
    EXPECT_EQ(written, kHead +
                           "\n[HKEY_CURRENT_USER\\A]\n@=\"root value\"\n"
                           "\"bin\"=hex:01,02,03,04\n\"n\"=dword:ffffffff\n\"late\"=\"A\"\n\n");
    EXPECT_EQ(MustParse(written).Serialize(kHkcu), written);
    std::string utf16 = "\xFF\xFE";
    for (char16_t unit : std::u16string_view(u"Windows Registry Editor Version 5.00\r\n\r\n"
                                             u"[HKEY_CURRENT_USER\\Ä]\r\n\"k\"=\"日本 😀\"\r\n")) {
        utf16 += static_cast<char>(unit & 0xFF);
        utf16 += static_cast<char>(unit >> 8);
    }
    EXPECT_EQ(MustParse(utf16).Serialize(kHkcu),
              kHead + "\n[HKEY_CURRENT_USER\\Ä]\n\"k\"=\"日本 😀\"\n\n");
}

// Many values and removals parse in linear time; a deep tree is handled without recursion.
TEST(RegHiveDataParse, LargeInputsStayLinear) {
    std::string text = kHead + "[HKEY_CURRENT_USER\\A]\n";
    for (int i = 0; i < 40000; ++i) {
        text += "\"v" + std::to_string(i) + "\"=dword:1\n";
    }
    for (int i = 0; i < 40000; i += 2) {
        text += "\"v" + std::to_string(i) + "\"=-\n";
    }
    std::string deep = "HKEY_CURRENT_USER";
    for (size_t i = 0; i < RegHiveData::kMaxDepth; ++i) {
        deep += "\\k";
    }
    text += "[" + deep + "]\n\"leaf\"=\"x\"\n";
    RegHiveData data = MustParse(text);
    std::vector<RegValue> values = data.Values(data.FindKey("A"));
    ASSERT_EQ(values.size(), 20000u);
    EXPECT_EQ(values.front().name, "v1");
    EXPECT_EQ(values.back().name, "v39999");
    std::string written = data.Serialize(kHkcu);
    EXPECT_EQ(MustParse(written).Serialize(kHkcu), written);
    RegHiveData tooDeep;
    EXPECT_FALSE(RegHiveData::Parse(kHead + "[" + deep + "\\k]\n", kHkcu, tooDeep, nullptr));
}

// The store folder follows an absolute XDG_CONFIG_HOME, else ~/.config.
TEST(RegistryStoreFolder, FollowsTheEnvironment) {
    test::ScopedEnv home("HOME", "/home/someone");
    for (const char* xdg : {"/elsewhere/cfg", "relative/cfg", ""}) {
        test::ScopedEnv env("XDG_CONFIG_HOME", xdg);
        EXPECT_EQ(RegistryStore::FolderFromEnvironment(),
                  xdg[0] == '/' ? "/elsewhere/cfg/marrowby" : "/home/someone/.config/marrowby")
            << xdg;
    }
}

Texts Numbered(const char* format, int from, int to) {
    Texts out;
    for (int i = from; i <= to; ++i) {
        char text[32];
        std::snprintf(text, sizeof text, format, i);
        out.push_back(text);
    }
    return out;
}

const std::string kMru = std::string(settings::kMruDir2Open);

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

// Integers are signed DWORDs, switches on only for a DWORD 1, other types the default.
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

// An MRU list holds each entry once in any case, newest last, at most 20 of at most 259 units.
TEST_F(SettingsStoreTest, MruReplacesLimitsAndKeepsTwentyNewest) {
    for (const char* entry : {"/home/Ann/Docs", "/srv/data", "/tmp", "/HOME/ann/docs"}) {
        ASSERT_TRUE(store_.AddToMruList(kMru, entry));
    }
    EXPECT_EQ(Mru(kMru), (Texts{"/srv/data", "/tmp", "/HOME/ann/docs"}));
    EXPECT_EQ(Names(registry_, kMru), (Texts{"MRU01", "MRU02", "MRU03"}));
    ASSERT_TRUE(store_.DeleteProfileSection("MRU"));
    for (const std::string& entry : Numbered("/d%d", 1, 21)) {
        ASSERT_TRUE(store_.AddToMruList(kMru, entry, 20));
    }
    EXPECT_EQ(Mru(kMru), Numbered("/d%d", 2, 21));
    EXPECT_EQ(Names(registry_, kMru), Numbered("MRU%.2d", 1, 20));
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
    EXPECT_EQ(Names(registry_, kMru), Numbered("MRU%.2d", 1, 4));
    // A hand-made list over the maximum loses its oldest entry and the tail beyond the maximum.
    const Texts names = Numbered("MRU%.2d", 1, 23);
    for (int i = 0; i < 23; ++i) {
        ASSERT_TRUE(registry_.SetString(kHkcu, kMru, names[i], "/h" + std::to_string(i + 1)));
    }
    ASSERT_TRUE(store_.AddToMruList(kMru, "/new", 20));
    expected = Numbered("/h%d", 2, 20);
    expected.push_back("/new");
    EXPECT_EQ(Mru(kMru), expected);
    EXPECT_EQ(Names(registry_, kMru).back(), "MRU20");
}

// Two processes adding MRU entries, then values, at the same time lose none of the other's.
TEST_F(SettingsStoreTest, ConcurrentWritersKeepEachOthersEntriesAndValues) {
    constexpr int kCount = 100;
    auto writer = [this](const std::string& prefix) {
        return InChild([this, prefix] {
            RegistryStore registry(env_.RegistryFolder());
            SettingsStore store(registry);
            bool ok = true;
            for (const std::string& entry : Numbered(("/" + prefix + "%d").c_str(), 0, 9)) {
                ok &= store.AddToMruList(kMru, entry, 20);
            }
            for (int i = 0; i < kCount; ++i) {
                ok &= registry.SetString(kHkcu, kKey, prefix + std::to_string(i), prefix);
            }
            return ok;
        });
    };
    const pid_t a = writer("a");
    const pid_t b = writer("b");
    ASSERT_TRUE(ExitedCleanly(a));
    ASSERT_TRUE(ExitedCleanly(b));
    const Texts list = Mru(kMru);
    EXPECT_EQ(std::set<std::string>(list.begin(), list.end()).size(), 20u);
    EXPECT_EQ(Names(registry_, kKey).size(), 2u * kCount);
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
