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
#include "support/TempConfigEnv.h"

namespace quillon {
namespace {

constexpr RegHive kHkcu = RegHive::CurrentUser;
constexpr std::string_view kKey = "Software\\Marrowby\\Quillon\\Settings";

class RegistryStoreTest : public ::testing::Test {
  protected:
    std::string HiveFile() const { return env_.RegistryFolder() + "/HKEY_CURRENT_USER.reg"; }
    std::string ReadHiveFile() {
        return env_.Dir().ReadFile("config/marrowby/HKEY_CURRENT_USER.reg");
    }
    void WriteHiveFile(const std::string& text) {
        env_.Dir().WriteFile("config/marrowby/HKEY_CURRENT_USER.reg", text);
    }
    std::vector<std::string> ConfigFiles() { return env_.Dir().List("config/marrowby"); }

    test::TempConfigEnv env_;
};

RegHiveData MustParse(const std::string& text) {
    RegHiveData data;
    std::string error;
    EXPECT_TRUE(RegHiveData::Parse(text, kHkcu, data, &error)) << error << "\n" << text;
    return data;
}

// The file is a plain registry export a person can read: header, full key paths, DWORDs as eight
// hex digits (negative numbers as their 32-bit pattern), escaped strings, one value per line.
TEST_F(RegistryStoreTest, WritesReadableRegistryText) {
    RegistryStore store(env_.RegistryFolder());
    ASSERT_TRUE(store.SetDword(kHkcu, kKey, "FontSize", static_cast<uint32_t>(-11)));
    ASSERT_TRUE(store.SetString(kHkcu, kKey, "FontName", "Ta\"h\\oma"));
    ASSERT_TRUE(store.SetString(kHkcu, "Software\\Other", "", "default"));
    EXPECT_EQ(ReadHiveFile(),
              "Windows Registry Editor Version 5.00\n\n"
              "[HKEY_CURRENT_USER\\Software]\n\n"
              "[HKEY_CURRENT_USER\\Software\\Marrowby]\n\n"
              "[HKEY_CURRENT_USER\\Software\\Marrowby\\Quillon]\n\n"
              "[HKEY_CURRENT_USER\\Software\\Marrowby\\Quillon\\Settings]\n"
              "\"FontSize\"=dword:fffffff5\n"
              "\"FontName\"=\"Ta\\\"h\\\\oma\"\n\n"
              "[HKEY_CURRENT_USER\\Software\\Other]\n"
              "@=\"default\"\n\n");
}

class StringRoundTrip : public RegistryStoreTest,
                        public ::testing::WithParamInterface<std::string> {};

// Names and texts with quotes, backslashes, control characters and non-ASCII text come back
// unchanged through the file, and every value stays on one line.
TEST_P(StringRoundTrip, ThroughTheFile) {
    const std::string text = GetParam();
    {
        RegistryStore writer(env_.RegistryFolder());
        ASSERT_TRUE(writer.SetString(kHkcu, kKey, text.empty() ? "x" : text, text));
        ASSERT_TRUE(writer.SetString(kHkcu, kKey, "after", "marker"));
    }
    RegistryStore reader(env_.RegistryFolder());
    auto value = reader.GetValue(kHkcu, kKey, text.empty() ? "x" : text);
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(value->type, RegType::String);
    EXPECT_EQ(value->text, text);
    std::vector<RegValue> values = reader.EnumValues(kHkcu, kKey);
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(values[1].text, "marker");
    std::string file = ReadHiveFile();
    size_t lines = static_cast<size_t>(std::count(file.begin(), file.end(), '\n'));
    // header, blank, three parent keys with blanks, the key line, two values, blank
    EXPECT_EQ(lines, 2u + 6u + 1u + 2u + 1u) << file;
}

INSTANTIATE_TEST_SUITE_P(Texts, StringRoundTrip,
                         ::testing::Values(std::string(""), std::string("say \"hi\""),
                                           std::string("C:\\Program Files\\"),
                                           std::string("\\\\\"\\"), std::string("tab\there"),
                                           std::string("two\nlines\r\n"),
                                           std::string("bell\x07 del\x7f esc\x1b"),
                                           std::string("nul\0in", 6),
                                           std::string("Grüße, 日本語, 😀"), std::string("@"),
                                           std::string("trailing space ")));

// Key and value names ignore ASCII case, keep the spelling of their creation, and enumerate in
// creation order; overwriting keeps the value's place.
TEST_F(RegistryStoreTest, NamesIgnoreCaseAndKeepCreationOrder) {
    RegistryStore store(env_.RegistryFolder());
    ASSERT_TRUE(store.SetString(kHkcu, "Software\\Key", "Zeta", "1"));
    ASSERT_TRUE(store.SetString(kHkcu, "Software\\Key", "alpha", "2"));
    ASSERT_TRUE(store.SetDword(kHkcu, "Software\\Key", "Mid", 3));
    ASSERT_TRUE(store.SetString(kHkcu, "SOFTWARE\\key", "ZETA", "changed"));
    std::vector<RegValue> values = store.EnumValues(kHkcu, "software\\KEY");
    ASSERT_EQ(values.size(), 3u);
    EXPECT_EQ(values[0], (RegValue{"Zeta", RegType::String, 0, "changed"}));
    EXPECT_EQ(values[1].name, "alpha");
    EXPECT_EQ(values[2], (RegValue{"Mid", RegType::Dword, 3, ""}));
    EXPECT_EQ(store.EnumSubkeys(kHkcu, ""), std::vector<std::string>{"Software"});
    EXPECT_EQ(store.EnumSubkeys(kHkcu, "software"), std::vector<std::string>{"Key"});
    ASSERT_TRUE(store.SetString(kHkcu, "Software\\Key", "alpha", "typed"));
    RegistryStore fresh(env_.RegistryFolder());
    EXPECT_EQ(fresh.EnumValues(kHkcu, "Software\\Key"), store.EnumValues(kHkcu, "Software\\Key"));
}

// Deleting a key takes its whole subtree and nothing else.
TEST_F(RegistryStoreTest, DeleteKeyRemovesSubkeys) {
    RegistryStore store(env_.RegistryFolder());
    ASSERT_TRUE(store.SetString(kHkcu, "A\\B\\C", "v", "1"));
    ASSERT_TRUE(store.SetString(kHkcu, "A\\B", "v", "2"));
    ASSERT_TRUE(store.SetString(kHkcu, "A\\Bee", "v", "3"));
    EXPECT_TRUE(store.DeleteKey(kHkcu, "a\\b"));
    EXPECT_FALSE(store.KeyExists(kHkcu, "A\\B"));
    EXPECT_FALSE(store.KeyExists(kHkcu, "A\\B\\C"));
    EXPECT_TRUE(store.KeyExists(kHkcu, "A\\Bee"));
    EXPECT_FALSE(store.DeleteKey(kHkcu, "A\\B"));
    ASSERT_TRUE(store.SetString(kHkcu, "A\\B", "new", "4"));
    EXPECT_EQ(store.EnumValues(kHkcu, "A\\B").size(), 1u);
    EXPECT_EQ(store.EnumSubkeys(kHkcu, "A"), (std::vector<std::string>{"Bee", "B"}));
    EXPECT_TRUE(store.DeleteValue(kHkcu, "A\\B", "NEW"));
    EXPECT_FALSE(store.DeleteValue(kHkcu, "A\\B", "new"));
    EXPECT_TRUE(store.KeyExists(kHkcu, "A\\B"));
}

// Invalid key paths are refused rather than stored as something that cannot be read back.
TEST_F(RegistryStoreTest, InvalidKeyPathsAreRefused) {
    RegistryStore store(env_.RegistryFolder());
    EXPECT_FALSE(store.SetString(kHkcu, "A\\\\B", "v", "x"));
    EXPECT_FALSE(store.SetString(kHkcu, "A\\", "v", "x"));
    EXPECT_FALSE(store.CreateKey(kHkcu, "tab\tkey"));
    std::string deep;
    for (int i = 0; i < 600; ++i) {
        deep += i == 0 ? "k" : "\\k";
    }
    EXPECT_FALSE(store.CreateKey(kHkcu, deep));
    EXPECT_FALSE(store.KeyExists(kHkcu, "A"));
}

// The 32-bit view of HKLM\Software is its WOW6432Node subkey; other hives and the 64-bit view
// are not redirected.
TEST_F(RegistryStoreTest, ThirtyTwoBitViewOfLocalMachine) {
    RegistryStore store(env_.RegistryFolder());
    const RegHive hklm = RegHive::LocalMachine;
    ASSERT_TRUE(store.SetString(hklm, "SOFTWARE\\Tool", "Path", "/32", RegView::Bits32));
    ASSERT_TRUE(store.SetString(hklm, "SOFTWARE\\Tool", "Path", "/64", RegView::Bits64));
    EXPECT_EQ(store.GetValue(hklm, "Software\\WOW6432Node\\Tool", "Path")->text, "/32");
    EXPECT_EQ(store.GetValue(hklm, "Software\\Tool", "Path")->text, "/64");
    EXPECT_EQ(store.GetValue(hklm, "Software\\Tool", "Path", RegView::Bits32)->text, "/32");
    EXPECT_EQ(MapRegView(hklm, "Software\\Wow6432Node\\X", RegView::Bits32),
              "Software\\Wow6432Node\\X");
    EXPECT_EQ(MapRegView(hklm, "Software", RegView::Bits32), "Software\\WOW6432Node");
    EXPECT_EQ(MapRegView(hklm, "System\\X", RegView::Bits32), "System\\X");
    EXPECT_EQ(MapRegView(kHkcu, "Software\\X", RegView::Bits32), "Software\\X");
    EXPECT_TRUE(env_.Dir().Exists("config/marrowby/HKEY_LOCAL_MACHINE.reg"));
    EXPECT_FALSE(env_.Dir().Exists("config/marrowby/HKEY_CURRENT_USER.reg"));
}

// A store that has read the file sees what another instance, or a person, wrote afterwards.
TEST_F(RegistryStoreTest, ChangesMadeElsewhereAreSeen) {
    RegistryStore mine(env_.RegistryFolder());
    RegistryStore other(env_.RegistryFolder());
    ASSERT_TRUE(mine.SetDword(kHkcu, kKey, "A", 1));
    EXPECT_EQ(other.GetValue(kHkcu, kKey, "A")->dword, 1u);
    ASSERT_TRUE(other.SetDword(kHkcu, kKey, "A", 2));
    EXPECT_EQ(mine.GetValue(kHkcu, kKey, "A")->dword, 2u);
    WriteHiveFile(
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_CURRENT_USER\\Software\\Marrowby\\Quillon\\Settings]\r\n\"A\"=dword:00000007\r\n");
    EXPECT_EQ(mine.GetValue(kHkcu, kKey, "A")->dword, 7u);
}

// A write applies only its own change to the file as it is now, not the writer's old snapshot.
TEST_F(RegistryStoreTest, WriteMergesIntoFreshContents) {
    RegistryStore mine(env_.RegistryFolder());
    RegistryStore other(env_.RegistryFolder());
    ASSERT_TRUE(mine.SetDword(kHkcu, kKey, "Mine", 1));
    ASSERT_TRUE(other.SetDword(kHkcu, kKey, "Theirs", 2));
    ASSERT_TRUE(mine.SetDword(kHkcu, kKey, "Mine2", 3));
    ASSERT_TRUE(other.DeleteValue(kHkcu, kKey, "Mine"));
    ASSERT_TRUE(mine.SetDword(kHkcu, kKey, "Mine3", 4));
    RegistryStore fresh(env_.RegistryFolder());
    std::vector<std::string> names;
    for (const RegValue& v : fresh.EnumValues(kHkcu, kKey)) {
        names.push_back(v.name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Theirs", "Mine2", "Mine3"}));
}

void RunWriter(const std::string& folder, const std::string& prefix, int count) {
    RegistryStore store(folder);
    bool ok = true;
    for (int i = 0; i < count; ++i) {
        ok &= store.SetString(kHkcu, kKey, prefix + std::to_string(i), prefix);
    }
    _exit(ok ? 0 : 1);
}

// Two processes writing different values at the same time both keep every value.
TEST_F(RegistryStoreTest, ConcurrentProcessesKeepEachOthersValues) {
    constexpr int kCount = 100;
    const std::string folder = env_.RegistryFolder();
    pid_t a = fork();
    if (a == 0) {
        RunWriter(folder, "a", kCount);
    }
    pid_t b = fork();
    if (b == 0) {
        RunWriter(folder, "b", kCount);
    }
    int statusA = 0, statusB = 0;
    waitpid(a, &statusA, 0);
    waitpid(b, &statusB, 0);
    ASSERT_TRUE(WIFEXITED(statusA) && WEXITSTATUS(statusA) == 0);
    ASSERT_TRUE(WIFEXITED(statusB) && WEXITSTATUS(statusB) == 0);
    RegistryStore store(folder);
    EXPECT_EQ(store.EnumValues(kHkcu, kKey).size(), 2u * kCount);
    for (int i = 0; i < kCount; ++i) {
        EXPECT_TRUE(store.GetValue(kHkcu, kKey, "a" + std::to_string(i)).has_value()) << i;
        EXPECT_TRUE(store.GetValue(kHkcu, kKey, "b" + std::to_string(i)).has_value()) << i;
    }
}

// A writer killed at any moment leaves the old or the new file, never a torn one: the values
// present are always an unbroken run from the first.
TEST_F(RegistryStoreTest, KilledWriterLeavesAWholeFile) {
    const std::string folder = env_.RegistryFolder();
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> delayUs(500, 30000);
    const std::string big(3000, 'x');
    {
        RegistryStore first(folder);
        ASSERT_TRUE(first.SetString(kHkcu, kKey, "v0", big));
    }
    size_t lastCount = 1;
    for (int round = 0; round < 12; ++round) {
        pid_t child = fork();
        if (child == 0) {
            RegistryStore store(folder);
            size_t start = store.EnumValues(kHkcu, kKey).size();
            for (size_t i = start;; ++i) {
                store.SetString(kHkcu, kKey, "v" + std::to_string(i), big);
            }
        }
        usleep(static_cast<useconds_t>(delayUs(random)));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status));

        std::string text = ReadHiveFile();
        RegHiveData data;
        std::string error;
        ASSERT_TRUE(RegHiveData::Parse(text, kHkcu, data, &error))
            << "round " << round << ": " << error;
        std::vector<RegValue> values = data.Values(data.FindKey(kKey));
        ASSERT_GE(values.size(), lastCount);
        for (size_t i = 0; i < values.size(); ++i) {
            ASSERT_EQ(values[i].name, "v" + std::to_string(i));
            ASSERT_EQ(values[i].text, big);
        }
        lastCount = values.size();
    }
    EXPECT_GT(lastCount, 0u);
    for (const std::string& name : ConfigFiles()) {
        EXPECT_EQ(name.find(".bad-"), std::string::npos) << name;
    }
}

// A file that does not parse is kept aside under a new name, logged, and reads give defaults;
// the next write starts a good file.
TEST_F(RegistryStoreTest, DamagedFileIsMovedAsideAndDefaultsUsed) {
    const std::string damaged =
        "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\A]\n\"x\"=dword:zz\n";
    WriteHiveFile(damaged);
    OpenLog("Quillon", "log", true);
    SetLogEnabled(true);
    RegistryStore store(env_.RegistryFolder());
    EXPECT_FALSE(store.GetValue(kHkcu, "A", "x").has_value());
    EXPECT_FALSE(store.KeyExists(kHkcu, "A"));
    std::vector<std::string> files = ConfigFiles();
    ASSERT_EQ(files.size(), 2u);  // the kept file and the lock file
    std::string aside;
    for (const std::string& name : files) {
        if (name.rfind("HKEY_CURRENT_USER.reg.bad-", 0) == 0) {
            aside = name;
        }
    }
    ASSERT_FALSE(aside.empty());
    EXPECT_EQ(env_.Dir().ReadFile("config/marrowby/" + aside), damaged);
    std::string log = env_.Dir().ReadFile(GetLogPath().substr(env_.Dir().Path().size() + 1));
    EXPECT_NE(log.find("does not parse"), std::string::npos) << log;
    EXPECT_NE(log.find(aside), std::string::npos) << log;

    ASSERT_TRUE(store.SetDword(kHkcu, "A", "x", 5));
    RegistryStore fresh(env_.RegistryFolder());
    EXPECT_EQ(fresh.GetValue(kHkcu, "A", "x")->dword, 5u);
}

// A hive that exists but cannot be read is not replaced by a file holding only the new value.
TEST_F(RegistryStoreTest, UnreadableHiveIsNotOverwritten) {
    env_.Dir().MakeFolder("config/marrowby/HKEY_CURRENT_USER.reg");
    RegistryStore store(env_.RegistryFolder());
    EXPECT_FALSE(store.GetValue(kHkcu, kKey, "A").has_value());
    EXPECT_FALSE(store.SetDword(kHkcu, kKey, "A", 1));
    EXPECT_TRUE(env_.Dir().Exists("config/marrowby/HKEY_CURRENT_USER.reg"));
}

struct BadText {
    const char* why;
    std::string text;
};

class ParserRejects : public ::testing::TestWithParam<BadText> {};

// Text that is not a registry file of this hive is refused as a whole, with the line named.
TEST_P(ParserRejects, Input) {
    RegHiveData data;
    ASSERT_TRUE(data.CreateKey("stale") != RegHiveData::kNoKey);
    std::string error;
    EXPECT_FALSE(RegHiveData::Parse(GetParam().text, kHkcu, data, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(data.IsEmpty());
}

const std::string kHead = "Windows Registry Editor Version 5.00\n";

INSTANTIATE_TEST_SUITE_P(
    Inputs, ParserRejects,
    ::testing::Values(
        BadText{"empty", ""}, BadText{"blank", "\n\n  \n"},
        BadText{"other header", "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n"},
        BadText{"value first", kHead + "\"a\"=\"b\"\n"},
        BadText{"other hive", kHead + "[HKEY_LOCAL_MACHINE\\A]\n"},
        BadText{"hive prefix", kHead + "[HKEY_CURRENT_USERX\\A]\n"},
        BadText{"empty name", kHead + "[HKEY_CURRENT_USER\\A\\\\B]\n"},
        BadText{"trailing separator", kHead + "[HKEY_CURRENT_USER\\A\\]\n"},
        BadText{"unclosed key", kHead + "[HKEY_CURRENT_USER\\A\n"},
        BadText{"long dword", kHead + "[HKEY_CURRENT_USER\\A]\n\"a\"=dword:000000001\n"},
        BadText{"hex dword", kHead + "[HKEY_CURRENT_USER\\A]\n\"a\"=dword:0000000g\n"},
        BadText{"empty dword", kHead + "[HKEY_CURRENT_USER\\A]\n\"a\"=dword:\n"},
        BadText{"open string", kHead + "[HKEY_CURRENT_USER\\A]\n\"a\"=\"b\n"},
        BadText{"bad escape", kHead + "[HKEY_CURRENT_USER\\A]\n\"a\"=\"C:\\Windows\"\n"},
        BadText{"short hex escape", kHead + "[HKEY_CURRENT_USER\\A]\n\"a\"=\"\\x4\"\n"},
        BadText{"no equals", kHead + "[HKEY_CURRENT_USER\\A]\n\"a\" \"b\"\n"},
        BadText{"after string", kHead + "[HKEY_CURRENT_USER\\A]\n\"a\"=\"b\"c\n"},
        BadText{"bare word", kHead + "[HKEY_CURRENT_USER\\A]\nhello\n"},
        BadText{"untyped data", kHead + "[HKEY_CURRENT_USER\\A]\n\"a\"=12\n"},
        // A backslash left in hex data would continue over the next line once written back.
        BadText{"continued at end", kHead + "[HKEY_CURRENT_USER\\A]\n\"a\"=hex:25,\\\\\n"},
        BadText{"odd hex byte", kHead + "[HKEY_CURRENT_USER\\A]\n\"a\"=hex(2):2,41\n"},
        BadText{"not hex", kHead + "[HKEY_CURRENT_USER\\A]\n\"a\"=hex:zz\n"},
        BadText{"empty byte", kHead + "[HKEY_CURRENT_USER\\A]\n\"a\"=hex:01,,02\n"}),
    [](const auto& info) {
        std::string name = info.param.why;
        std::replace(name.begin(), name.end(), ' ', '_');
        return name;
    });

// What a person or a Windows export may contain is read: comments, CR LF, byte-order marks,
// the default value, other value types (kept verbatim, including continued hex lines), removal
// lines, and repeated or differently cased key sections, which merge.
TEST(RegHiveDataParse, AcceptsExportsAndHandEdits) {
    RegHiveData data = MustParse(
        "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n"
        "; my settings\r\n"
        "[HKEY_CURRENT_USER\\A]\r\n"
        "@=\"root value\"\r\n"
        "\"bin\"=hex:01,02,\\\r\n"
        "  03,04\r\n"
        "\"gone\"=\"x\"\r\n"
        "\"gone\"=-\r\n"
        "\"n\" = dword:FFFFFFFF\r\n"
        "[HKEY_CURRENT_USER\\A\\Old]\r\n"
        "\"x\"=\"y\"\r\n"
        "[-HKEY_CURRENT_USER\\A\\Old]\r\n"
        "\"ignored\"=\"z\"\r\n"
        "[hkey_current_user\\a]\r\n"
        "\"late\"=\"\\x41\"\r\n");
    int a = data.FindKey("A");
    ASSERT_NE(a, RegHiveData::kNoKey);
    std::vector<RegValue> values = data.Values(a);
    ASSERT_EQ(values.size(), 4u);
    EXPECT_EQ(values[0], (RegValue{"", RegType::String, 0, "root value"}));
    EXPECT_EQ(values[1], (RegValue{"bin", RegType::Other, 0, "hex:01,02,03,04"}));
    EXPECT_EQ(values[2], (RegValue{"n", RegType::Dword, 0xFFFFFFFFu, ""}));
    EXPECT_EQ(values[3], (RegValue{"late", RegType::String, 0, "A"}));
    EXPECT_EQ(data.FindKey("A\\Old"), RegHiveData::kNoKey);

    std::string written = data.Serialize(kHkcu);
    EXPECT_EQ(written,
              "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\A]\n@=\"root value\"\n"
              "\"bin\"=hex:01,02,03,04\n\"n\"=dword:ffffffff\n\"late\"=\"A\"\n\n");
    EXPECT_EQ(MustParse(written).Serialize(kHkcu), written);
}

// A UTF-16LE export from Windows (with its byte-order mark) reads like the UTF-8 text.
TEST(RegHiveDataParse, ReadsUtf16Exports) {
    const std::string utf8 =
        "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Ä]\r\n\"k\"=\"日本 "
        "😀\"\r\n";
    std::u16string utf16 =
        u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Ä]\r\n\"k\"=\"日本 "
        u"😀\"\r\n";
    std::string bytes = "\xFF\xFE";
    for (char16_t unit : utf16) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    EXPECT_EQ(MustParse(bytes).Serialize(kHkcu), MustParse(utf8).Serialize(kHkcu));
    EXPECT_EQ(MustParse(bytes).FindValue(MustParse(bytes).FindKey("Ä"), "k")->text, "日本 😀");
}

// Many values and removals in one key parse in linear time, and a deep tree is written and
// freed without recursion.
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

// The store folder follows XDG_CONFIG_HOME, and falls back to ~/.config when it is unset or
// relative.
TEST(RegistryStoreFolder, FollowsTheEnvironment) {
    test::ScopedEnv home("HOME", "/home/someone");
    {
        test::ScopedEnv xdg("XDG_CONFIG_HOME", "/elsewhere/cfg");
        EXPECT_EQ(RegistryStore::FolderFromEnvironment(), "/elsewhere/cfg/marrowby");
    }
    {
        test::ScopedEnv xdg("XDG_CONFIG_HOME", "relative/cfg");
        EXPECT_EQ(RegistryStore::FolderFromEnvironment(), "/home/someone/.config/marrowby");
    }
    test::ScopedEnv xdg("XDG_CONFIG_HOME", "");
    EXPECT_EQ(RegistryStore::FolderFromEnvironment(), "/home/someone/.config/marrowby");
}

}  // namespace
}  // namespace quillon
