#include "platform/ToolLocator.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <tuple>

#include "platform/RegistryStore.h"
#include "support/FakeTool.h"
#include "support/StoreFixture.h"

namespace quillon {
namespace {

using test::MakeFakeTool;

class ToolLocatorTest : public test::StoreFixture {
  protected:
    ToolLocatorTest() { StartLog("locate"); }
    bool Register(const std::string& exe, const std::string& path) {
        return registry_.SetString(RegHive::LocalMachine, AppPath(exe), "", path);
    }
    static std::string AppPath(const std::string& exe) {
        return std::string(kAppPathsKey) + "\\" + exe;
    }
    bool Logged(const std::string& line) { return LogText().find(line) != std::string::npos; }
};

// A usable registration wins; otherwise, with the reason logged, executable counterparts on PATH.
TEST_F(ToolLocatorTest, RegistrationThenCounterparts) {
    test::TestDir& dir = Dir();
    const std::string seekwell = MakeFakeTool(dir, "suite/Seekwell");
    const std::string catfish = MakeFakeTool(dir, "bin1/catfish");
    const std::string kdiff3 = MakeFakeTool(dir, "bin1/kdiff3");
    const std::string meld = MakeFakeTool(dir, "bin2/meld");
    const std::string opener = MakeFakeTool(dir, "bin2/xdg-open");
    MakeFakeTool(dir, "bin1/Farlink");
    ASSERT_TRUE(Register("Seekwell.exe", seekwell));
    ASSERT_TRUE(Register("Panorel.exe", dir / "gone/Panorel"));
    ASSERT_TRUE(registry_.CreateKey(RegHive::LocalMachine, AppPath("Nybblet.exe")));
    const ToolLocator locator(MachineValuesOf(registry_), dir / "bin1" + ":" + dir / "bin2");
    const std::tuple<const char*, std::string, const char*> cases[] = {
        {"Seekwell.exe", seekwell, nullptr},
        {"Scrivlet.exe", meld, "Scrivlet not registered."},
        {"Panorel.exe", opener, "Panorel val doesn't exist."},
        {"Nybblet.exe", "", "Nybblet val doesn't exist."},
        {"Farlink.exe", "", "Farlink not registered."}};
    for (const auto& [exe, expected, logged] : cases) {
        EXPECT_EQ(locator.LocateTool(exe), expected) << exe;
        if (logged != nullptr) {
            EXPECT_TRUE(Logged(logged)) << logged << "\n" << LogText();
        }
    }
    EXPECT_FALSE(Logged("Seekwell")) << LogText();

    ASSERT_EQ(chmod(meld.c_str(), 0644), 0);
    EXPECT_EQ(locator.LocateTool("scrivlet.EXE"), kdiff3);
    ASSERT_TRUE(registry_.DeleteValue(RegHive::LocalMachine, AppPath("Seekwell.exe"), ""));
    ASSERT_TRUE(registry_.SetDword(RegHive::LocalMachine, AppPath("Seekwell.exe"), "", 1));
    EXPECT_EQ(locator.LocateTool("Seekwell.exe"), catfish);
    EXPECT_TRUE(Logged("Seekwell val doesn't exist.")) << LogText();
    // PATH: the first program wins, folders are skipped, a name with a slash is taken as it is.
    dir.MakeFolder("pa/tool/");
    const std::string second = MakeFakeTool(dir, "pb/tool");
    MakeFakeTool(dir, "pc/tool");
    EXPECT_EQ(FindOnSearchPath("tool", dir / "pa" + ":" + dir / "pb" + ":" + dir / "pc"), second);
    EXPECT_EQ(FindOnSearchPath("tool", dir / "pa"), "");
    EXPECT_EQ(FindOnSearchPath("", dir / "pb"), "");
    EXPECT_EQ(FindOnSearchPath(second, ""), second);
    EXPECT_EQ(FindOnSearchPath(dir / "pa/tool", ""), "");
}

}  // namespace
}  // namespace quillon
