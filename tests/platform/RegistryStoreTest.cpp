#include "platform/RegistryStore.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "platform/Log.h"
#include "support/StoreFixture.h"

namespace quillon {
namespace {

constexpr RegHive kHkcu = RegHive::CurrentUser;
constexpr std::string_view kKey = "Software\\Marrowby\\Quillon\\Settings";
const std::string kHiveFile = "config/marrowby/HKEY_CURRENT_USER.reg";
const std::string kHead = "Windows Registry Editor Version 5.00\n";

class RegistryStoreTest : public test::StoreFixture {
  protected:
    std::vector<std::string> Names(RegistryStore& store) {
        std::vector<std::string> names;
        for (const RegValue& v : store.EnumValues(kHkcu, kKey)) {
            names.push_back(v.name);
        }
        return names;
    }
};

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
    for (const std::string& text : texts) {
        ASSERT_TRUE(registry_.SetString(kHkcu, kKey, text.empty() ? "x" : text, text));
    }
    RegistryStore reader(env_.RegistryFolder());
    for (const std::string& text : texts) {
        const std::string name = text.empty() ? "x" : text;
        EXPECT_EQ(reader.GetValue(kHkcu, kKey, name), (RegValue{name, RegType::String, 0, text}));
    }
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
    std::vector<RegValue> values = registry_.EnumValues(kHkcu, "software\\KEY");
    ASSERT_EQ(values.size(), 3u);
    EXPECT_EQ(values[0], (RegValue{"Zeta", RegType::String, 0, "changed"}));
    EXPECT_EQ(values[1].name, "alpha");
    EXPECT_EQ(values[2], (RegValue{"Mid", RegType::Dword, 3, ""}));
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
    EXPECT_EQ(Names(fresh), (std::vector<std::string>{"Theirs", "Mine2", "Mine3"}));
}

// Two processes writing different values at the same time both keep every value.
TEST_F(RegistryStoreTest, ConcurrentProcessesKeepEachOthersValues) {
    constexpr int kCount = 100;
    auto writer = [this](const std::string& prefix) {
        return InChild([this, prefix] {
            RegistryStore store(env_.RegistryFolder());
            bool ok = true;
            for (int i = 0; i < kCount; ++i) {
                ok &= store.SetString(kHkcu, kKey, prefix + std::to_string(i), prefix);
            }
            return ok;
        });
    };
    const pid_t a = writer("a");
    const pid_t b = writer("b");
    ASSERT_TRUE(ExitedCleanly(a));
    ASSERT_TRUE(ExitedCleanly(b));
    EXPECT_EQ(Names(registry_).size(), 2u * kCount);
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

}  // namespace
}  // namespace quillon
