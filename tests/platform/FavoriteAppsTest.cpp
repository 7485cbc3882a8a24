// Favourite applications (ten at most, stored App0 upward, "%1" replaced inside the split
// arguments) and the Send To entries read from the desktop's sendto folder with their field codes.
#include "platform/FavoriteApps.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/ScopedEnv.h"
#include "support/StoreFixture.h"
#include "support/TestDir.h"

namespace quillon {
namespace {

using Argv = std::vector<std::string>;

class FavoriteApps : public test::StoreFixture {};

// The list is kept to ten, rewritten whole from App0, and additions are refused by rule.
TEST_F(FavoriteApps, StoredListAndAdditions) {
    std::vector<std::string> apps;
    for (int i = 0; i < 12; ++i) {
        apps.push_back("\"/bin/app" + std::to_string(i) + "\" \"%1\"");
    }
    ASSERT_TRUE(SaveFavoriteApps(store_, apps));
    std::vector<std::string> loaded = LoadFavoriteApps(store_);
    EXPECT_EQ(loaded, std::vector<std::string>(apps.begin(), apps.begin() + 10));
    EXPECT_EQ(AddFavoriteApp(loaded, "/bin/new"), AddFavoriteResult::kFull);
    EXPECT_EQ(AddFavoriteApp(loaded, "/bin/app3"), AddFavoriteResult::kDuplicate);
    EXPECT_EQ(AddFavoriteApp(loaded, ""), AddFavoriteResult::kEmptyName);

    ASSERT_TRUE(SaveFavoriteApps(store_, {"\"/b\"", "\"/c\""}));
    EXPECT_EQ(Int("FavoriteApps", "App2"), kAbsent);
    loaded = LoadFavoriteApps(store_);
    EXPECT_EQ(AddFavoriteApp(loaded, "/opt/My App/run"), AddFavoriteResult::kAdded);
    EXPECT_EQ(loaded, (std::vector<std::string>{"\"/b\"", "\"/c\"", "\"/opt/My App/run\""}));
}

// Program, "%1" completion and substitution: the file goes into the arguments as they were split,
// wherever "%1" stands in them, and is never read again (a name holding "%1" or quotes stays).
TEST(FavoriteArgv, FileReplacesPercentOneInsideArguments) {
    const std::string file = "/t/a \"%1\" $(x);\n-b";
    const struct {
        const char* entry;
        const char* program;
        Argv argv;
    } cases[] = {
        {"\"/opt/My App/app\" \"%1\"", "/opt/My App/app", {"/opt/My App/app", file}},
        {"\"/a\" --in=%1 -o \"%1.out\"", "/a", {"/a", "--in=" + file, "-o", file + ".out"}},
        {"\"/a\" -x", "/a", {"/a", "-x", file}},
        {"/usr/bin/gimp", "/usr/bin/gimp", {"/usr/bin/gimp", file}},
        {"\"/a\" %1%1", "/a", {"/a", file + file}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FavoriteProgram(c.entry), c.program) << c.entry;
        EXPECT_EQ(FavoriteArgv(c.entry, file), c.argv) << c.entry;
    }
    EXPECT_EQ(WithFileArgument("\"/a\" -x"), "\"/a\" -x \"%1\"");
    EXPECT_EQ(WithFileArgument("\"/a\" --in=%1"), "\"/a\" --in=%1");
}

SendToEntry Parsed(const std::string& exec, const std::string& extra = "") {
    SendToEntry entry;
    EXPECT_TRUE(ParseSendToEntry(
        "[Desktop Entry]\nType=Application\nName=Send\nIcon=mail\n" + extra + "Exec=" + exec,
        "/s/send.desktop", entry))
        << exec;
    return entry;
}

// The desktop-entry escapes and Exec quoting give the arguments; entries that are not usable
// applications are refused.
TEST(SendTo, ParsesEntries) {
    EXPECT_EQ(Parsed("/bin/x \"a b\" \"q\\\\\"x\\\\$y\" c\\sd %F").exec,
              (Argv{"/bin/x", "a b", "q\"x$y", "c", "d", "%F"}));
    SendToEntry named;
    ASSERT_TRUE(
        ParseSendToEntry("# c\n[Desktop Entry]\nName[de]=Senden\nName = Mail\\tit\n"
                         "Type=Application\nExec=m %f\n[Desktop Action x]\nExec=evil\n",
                         "/s/m.desktop", named));
    EXPECT_EQ(named.name, "Mail\tit");
    EXPECT_EQ(named.exec, (Argv{"m", "%f"}));
    SendToEntry entry;
    for (const char* refused :
         {"[Desktop Entry]\nType=Application\nHidden=true\nExec=a\n",
          "[Desktop Entry]\nType=Link\nExec=a\n", "[Desktop Entry]\nType=Application\n",
          "[Desktop Entry]\nType=Application\nExec=a \"open\n",
          "[Other]\nType=Application\nExec=a\n"}) {
        EXPECT_FALSE(ParseSendToEntry(refused, "/s/x.desktop", entry)) << refused;
    }
}

// Field codes: one command per file for %f and %u, one for %F and %U, the icon, name and entry
// file, a literal percent; deprecated codes are dropped.
TEST(SendTo, ExpandsFieldCodes) {
    const Argv files = {"/a b/%1", "/c\n\xC3\xA9"};
    const struct {
        const char* exec;
        std::vector<Argv> expected;
    } cases[] = {
        {"m --to=%f", {{"m", "--to=/a b/%1"}, {"m", "--to=/c\n\xC3\xA9"}}},
        {"m %F", {{"m", "/a b/%1", "/c\n\xC3\xA9"}}},
        {"m %U", {{"m", "file:///a%20b/%251", "file:///c%0A%C3%A9"}}},
        {"m %u", {{"m", "file:///a%20b/%251"}, {"m", "file:///c%0A%C3%A9"}}},
        {"m %i %c %k 100%% %F",
         {{"m", "--icon", "mail", "Send", "/s/send.desktop", "100%", "/a b/%1", "/c\n\xC3\xA9"}}},
        {"m %d --x=%n %F", {{"m", "--x=", "/a b/%1", "/c\n\xC3\xA9"}}},
        {"m --plain", {{"m", "--plain"}}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ExpandSendTo(Parsed(c.exec), files), c.expected) << c.exec;
    }
    SendToEntry noIcon = Parsed("m %i %f");
    noIcon.icon.clear();
    EXPECT_EQ(ExpandSendTo(noIcon, {"/x"}), (std::vector<Argv>{{"m", "/x"}}));
}

// The entries come from $XDG_DATA_HOME/Thunar/sendto (else ~/.local/share), sorted by name; other
// files and unusable entries are left out.
TEST(SendTo, LoadsTheDesktopsFolder) {
    test::TestDir dir;
    {
        test::ScopedEnv data("XDG_DATA_HOME", dir / "data");
        EXPECT_EQ(SendToFolder(), dir / "data/Thunar/sendto");
    }
    {
        test::ScopedEnv data("XDG_DATA_HOME", "relative/ignored");
        test::ScopedEnv home("HOME", dir / "home");
        EXPECT_EQ(SendToFolder(), dir / "home/.local/share/Thunar/sendto");
    }
    dir.WriteFile("s/b.desktop", "[Desktop Entry]\nType=Application\nName=Zip it\nExec=z %F\n");
    dir.WriteFile("s/a.desktop", "[Desktop Entry]\nType=Application\nName=Burn\nExec=b %f\n");
    dir.WriteFile("s/c.desktop", "[Desktop Entry]\nType=Application\nHidden=true\nExec=c\n");
    dir.WriteFile("s/notes.txt", "[Desktop Entry]\nType=Application\nExec=n\n");
    const std::vector<SendToEntry> entries = LoadSendToEntries(dir / "s");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].name, "Burn");
    EXPECT_EQ(entries[1].desktopFile, dir / "s/b.desktop");
    EXPECT_TRUE(LoadSendToEntries(dir / "missing").empty());
}

}  // namespace
}  // namespace quillon
