#include "platform/ToolLocator.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "platform/Log.h"
#include "platform/RegistryStore.h"
#include "support/FakeTool.h"
#include "support/ScopedEnv.h"
#include "support/TestDir.h"

namespace quillon {
namespace {

using test::MakeFakeTool;
using test::ScopedEnv;
using test::TestDir;

// HKEY_LOCAL_MACHINE as a map from key path to its values.
struct FakeMachineHive {
    std::map<std::string, std::map<std::string, std::string>> keys;

    MachineValueReader Reader() {
        return [this](std::string_view key, std::string_view name, std::string& value) {
            auto k = keys.find(std::string(key));
            if (k == keys.end()) {
                return RegistryLookup::kNoKey;
            }
            auto v = k->second.find(std::string(name));
            if (v == k->second.end()) {
                return RegistryLookup::kNoValue;
            }
            value = v->second;
            return RegistryLookup::kFound;
        };
    }
    void Register(const std::string& exe, const std::string& path) {
        keys[std::string(kAppPathsKey) + "\\" + exe][""] = path;
    }
};

class ToolLocatorTest : public ::testing::Test {
  protected:
    ToolLocatorTest() : tmp_("TMPDIR", dir_.Path()) {
        ResetLogState();
        OpenLog("locate", "log", true);
        SetLogEnabled(true);
        dir_.MakeFolder("bin1");
        dir_.MakeFolder("bin2");
    }
    ~ToolLocatorTest() override { ResetLogState(); }

    std::string LogText() const {
        std::ifstream in(GetLogPath());
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    std::string SearchPath() const { return dir_ / "bin1" + ":" + dir_ / "bin2"; }

    TestDir dir_;
    ScopedEnv tmp_;
    FakeMachineHive hive_;
};

// A registered tool whose file exists wins over anything on PATH.
TEST_F(ToolLocatorTest, RegisteredPathFirst) {
    const std::string registered = MakeFakeTool(dir_, "suite/Scrivlet");
    MakeFakeTool(dir_, "bin1/meld");
    hive_.Register("Scrivlet.exe", registered);
    ToolLocator locator(hive_.Reader(), SearchPath());
    EXPECT_EQ(locator.LocateTool("Scrivlet.exe"), registered);
    EXPECT_EQ(LogText().find("not registered"), std::string::npos);
}

// Without a registration the Linux counterparts are tried in their order of preference, and the
// reason is logged with the tool's name.
TEST_F(ToolLocatorTest, CounterpartsOnPathInOrder) {
    const std::string kdiff3 = MakeFakeTool(dir_, "bin1/kdiff3");
    const std::string meld = MakeFakeTool(dir_, "bin2/meld");
    ToolLocator locator(hive_.Reader(), SearchPath());
    EXPECT_EQ(locator.LocateTool("Scrivlet.exe"), meld);
    EXPECT_NE(LogText().find("Scrivlet not registered."), std::string::npos) << LogText();

    // A file that is not executable is not a program.
    ASSERT_EQ(chmod(meld.c_str(), 0644), 0);
    EXPECT_EQ(locator.LocateTool("scrivlet.EXE"), kdiff3);
}

// A registration without a usable value falls back and says why.
TEST_F(ToolLocatorTest, BrokenRegistrationFallsBack) {
    const std::string opener = MakeFakeTool(dir_, "bin2/xdg-open");
    hive_.Register("Panorel.exe", dir_ / "gone/Panorel");
    hive_.keys[std::string(kAppPathsKey) + "\\Nybblet.exe"];  // key without the default value
    ToolLocator locator(hive_.Reader(), SearchPath());
    EXPECT_EQ(locator.LocateTool("Panorel.exe"), opener);
    EXPECT_EQ(locator.LocateTool("Nybblet.exe"), "");
    const std::string log = LogText();
    EXPECT_NE(log.find("Panorel val doesn't exist."), std::string::npos) << log;
    EXPECT_NE(log.find("Nybblet val doesn't exist."), std::string::npos) << log;
}

// Tools without a counterpart are simply not found when unregistered.
TEST_F(ToolLocatorTest, NoCounterpart) {
    MakeFakeTool(dir_, "bin1/Farlink");
    ToolLocator locator(hive_.Reader(), SearchPath());
    EXPECT_EQ(locator.LocateTool("Farlink.exe"), "");
    EXPECT_NE(LogText().find("Farlink not registered."), std::string::npos);
}

// The registry store's machine hive answers the App Paths lookup; a DWORD is not a path.
TEST_F(ToolLocatorTest, ReadsTheRegistryStore) {
    RegistryStore store(dir_ / "config");
    const std::string key = std::string(kAppPathsKey) + "\\Seekwell.exe";
    const std::string seekwell = MakeFakeTool(dir_, "suite/Seekwell");
    ASSERT_TRUE(store.SetString(RegHive::LocalMachine, key, "", seekwell));
    const std::string catfish = MakeFakeTool(dir_, "bin1/catfish");
    ToolLocator locator(MachineValuesOf(store), SearchPath());
    EXPECT_EQ(locator.LocateTool("Seekwell.exe"), seekwell);

    ASSERT_TRUE(store.DeleteValue(RegHive::LocalMachine, key, ""));
    ASSERT_TRUE(store.SetDword(RegHive::LocalMachine, key, "", 1));
    EXPECT_EQ(locator.LocateTool("Seekwell.exe"), catfish);
    EXPECT_NE(LogText().find("Seekwell val doesn't exist."), std::string::npos) << LogText();
}

// PATH search: first match wins, folders named like the program are skipped, "" is the
// current folder, and a name with a slash is checked as it is.
TEST(FindOnSearchPath, Rules) {
    TestDir dir;
    dir.MakeFolder("a/tool/");
    const std::string second = MakeFakeTool(dir, "b/tool");
    MakeFakeTool(dir, "c/tool");
    EXPECT_EQ(FindOnSearchPath("tool", dir / "a" + ":" + dir / "b" + ":" + dir / "c"), second);
    EXPECT_EQ(FindOnSearchPath("tool", dir / "a"), "");
    EXPECT_EQ(FindOnSearchPath("", dir / "b"), "");
    EXPECT_EQ(FindOnSearchPath(second, ""), second);
    EXPECT_EQ(FindOnSearchPath(dir / "a/tool", ""), "");
}

}  // namespace
}  // namespace quillon
