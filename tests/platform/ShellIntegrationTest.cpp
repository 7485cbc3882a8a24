// The shell integration's keys in the registry store, the editor associations with their backup
// and the quoting of Exec lines.
#include "platform/ShellIntegration.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "platform/FaultFileSystem.h"
#include "support/StoreFixture.h"

namespace quillon {
namespace {

class ShellIntegrationTest : public test::StoreFixture {
  protected:
    ShellIntegration Shell(ShellTools tools = Tools()) {
        return ShellIntegration(registry_, std::move(tools), Dir() / "data");
    }
    static ShellTools Tools() { return {"/opt/q/quillon", "/usr/bin/meld", "", "/usr/bin/s", ""}; }
    std::string Default(RegHive hive, const std::string& key, std::string_view name = "") {
        std::optional<RegValue> value = registry_.GetValue(hive, key, name);
        return value ? value->text : "<none>";
    }
};

// Exec arguments are quoted, with the characters the format reserves escaped twice over
// (argument, then string value); a path that a desktop file cannot hold gives nothing.
TEST(DesktopExec, QuotesAndEscapes) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {{"/usr/bin/quillon", R"("/usr/bin/quillon")"},
                 {"/opt/my app/q", R"("/opt/my app/q")"},
                 {"/a$b`c\"d", R"("/a\\$b\\`c\\"d")"},
                 {"/x\\y", R"("/x\\\\y")"},
                 {"/100%/q", R"("/100%%/q")"},
                 {"/a\nb", ""}};
    for (const auto& c : cases) {
        EXPECT_EQ(DesktopExecArgument(c.in), c.out) << c.in;
    }
}

// Registration writes the verbs, open commands and choices as the suite's tools read them; a tool
// that is not installed gets no verb. Unregistering removes every verb even with the choices on
// and forgets the settings of the whole suite.
TEST_F(ShellIntegrationTest, StoreKeysAfterRegisterAndUnregister) {
    registry_.SetString(RegHive::ClassesRoot, "Applications\\Quillon.exe", "", "old");
    ShellIntegration shell = Shell();
    shell.RegisterShell(true);
    shell.RegisterFileTypes(true);
    EXPECT_EQ(shell.Problems(), std::vector<std::string>{});
    const RegHive cu = RegHive::CurrentUser;
    const RegHive cr = RegHive::ClassesRoot;
    const std::string classes = "SOFTWARE\\Classes\\";
    EXPECT_EQ(Default(cu, classes + "Directory\\shell\\Quillon"), "");
    EXPECT_EQ(Default(cu, classes + "Directory\\shell\\Quillon\\command"),
              "\"/opt/q/quillon\" \"%1\"");
    EXPECT_EQ(Default(cu, classes + "Drive\\shell\\Quillon\\command"), "\"/opt/q/quillon\" %1");
    EXPECT_EQ(Default(cu, classes + "Directory\\shell\\Quillon Search"), "Quillon Search...");
    EXPECT_EQ(Default(cu, classes + "Drive\\shell\\Quillon Search\\command"),
              "\"/usr/bin/s\" \"%1\"");
    EXPECT_EQ(Default(cr, "Quillon.exe\\shell\\open\\command"), "\"/opt/q/quillon\" \"%1\"");
    EXPECT_EQ(Default(cr, "Scrivlet.exe\\shell\\open\\command"), "\"/usr/bin/meld\" \"%1\"");
    EXPECT_FALSE(registry_.KeyExists(cr, "Panorel.exe"));
    EXPECT_FALSE(registry_.KeyExists(cr, "Applications\\Quillon.exe"));
    for (const char* entry : {"QuillonOnDir", "SearchOnDir", "ScrivletSendTo", "PanorelSendTo",
                              "SeekwellSendTo", "NybbletSendTo"}) {
        EXPECT_EQ(Int("ShellMenu", entry), 1) << entry;
    }
    EXPECT_EQ(Int("ShellMenu", "MultRenameSendTo"), kAbsent);
    EXPECT_TRUE(Dir().Exists("data/Thunar/sendto/quillon-scrivlet.desktop"));
    EXPECT_FALSE(Dir().Exists("data/Thunar/sendto/quillon-panorel.desktop"));
    EXPECT_FALSE(Dir().Exists("data/Thunar/sendto/quillon-hex-compare.desktop"));

    ShellIntegration removal = Shell();
    removal.RegisterShell(false);
    removal.RegisterFileTypes(false);
    EXPECT_EQ(removal.Problems(), std::vector<std::string>{});
    for (const char* key : {"Directory\\shell\\Quillon", "Drive\\shell\\Quillon",
                            "Directory\\shell\\Quillon Search", "Drive\\shell\\Quillon Search"}) {
        EXPECT_FALSE(registry_.KeyExists(cu, classes + key)) << key;
    }
    EXPECT_FALSE(registry_.KeyExists(cr, "Quillon.exe"));
    EXPECT_FALSE(registry_.KeyExists(cu, "Software\\Marrowby"));
    // Nothing that registration made is left, not even an empty key.
    EXPECT_EQ(registry_.EnumSubkeys(cr, ""), std::vector<std::string>{});
    EXPECT_EQ(registry_.EnumSubkeys(cu, "Software"), std::vector<std::string>{});
    EXPECT_EQ(Dir().List("data"), std::vector<std::string>{});
}

// The editor takes over the open list's extensions and keeps the earlier file type in
// DefaultBackup, which a second registration does not overwrite; unregistering puts it back or,
// without a backup, removes the default. "Edit with" verbs go to the view list's file types.
TEST_F(ShellIntegrationTest, FileTypesKeepTheirBackup) {
    registry_.SetString(RegHive::CurrentUser, "Software\\Marrowby\\Scrivlet\\Settings",
                        "ExtsForOpen", "txt;log;cpp;;ini;");
    registry_.SetString(RegHive::CurrentUser, "Software\\Marrowby\\Scrivlet\\Settings",
                        "ExtsForView", "xml;bat;");
    const RegHive cr = RegHive::ClassesRoot;
    registry_.SetString(cr, ".txt", "", "txtfile");
    registry_.SetString(cr, ".log", "", "scrivlet.EXE");
    registry_.SetString(cr, ".log", "DefaultBackup", "Quillon.exe");
    registry_.SetString(cr, ".xml", "", "xmlfile");
    for (int run = 0; run < 2; ++run) {
        Shell().RegisterFileTypes(true);
    }
    const struct {
        const char* ext;
        const char* value;
        const char* backup;
    } registered[] = {{".txt", "Scrivlet.exe", "txtfile"},
                      {".log", "Scrivlet.exe", "Quillon.exe"},
                      {".cpp", "Scrivlet.exe", "<none>"},
                      {".ini", "<none>", "<none>"}};  // after the empty item
    for (const auto& r : registered) {
        EXPECT_EQ(Default(cr, r.ext), r.value) << r.ext;
        EXPECT_EQ(Default(cr, r.ext, "DefaultBackup"), r.backup) << r.ext;
    }
    EXPECT_EQ(Default(cr, ".bat"), "batfile");
    EXPECT_EQ(Default(cr, "batfile\\shell\\editWithScrivlet"), "Edit with Scrivlet");
    EXPECT_EQ(Default(cr, "xmlfile\\shell\\editWithScrivlet\\command"), "\"/usr/bin/meld\" \"%1\"");

    Shell().RegisterFileTypes(false);
    EXPECT_EQ(Default(cr, ".txt"), "txtfile");
    EXPECT_EQ(Default(cr, ".log"), "<none>");  // the backup named the suite: not restored
    EXPECT_FALSE(registry_.KeyExists(cr, ".cpp"));
    EXPECT_EQ(Default(cr, ".txt", "DefaultBackup"), "<none>");
    EXPECT_FALSE(registry_.KeyExists(cr, "xmlfile\\shell\\editWithScrivlet"));
    EXPECT_FALSE(registry_.KeyExists(cr, "batfile\\shell\\editWithScrivlet"));
}

// -Reg and -Unreg failing at any one file step, or stopped dead there as a kill would stop them,
// leave the user's files as they were; run again, they end where an undisturbed run ends (but for
// the temporaries a stopped run leaves behind).
TEST_F(ShellIntegrationTest, FaultAtEveryFileStep) {
    const std::string mine = "[Nemo Action]\nName=Mine\n";
    const std::string other = "[Desktop Entry]\n";
    int run = 0;
    auto prepare = [&](bool registered) {
        const std::string root = "f" + std::to_string(run++) + "/";
        Dir().MakeFolder(root + "reg");
        Dir().WriteFile(root + "data/nemo/actions/quillon-search.nemo_action", mine);
        Dir().WriteFile(root + "data/applications/mine.desktop", other);
        if (registered) {
            RegistryStore registry(Dir() / (root + "reg"));
            ShellIntegration(registry, Tools(), Dir() / (root + "data")).RegisterShell(true);
        }
        return root;
    };
    // The data home's entries, our stopped runs' temporaries left out.
    auto listing = [&](const std::string& root) {
        std::vector<std::string> entries;
        for (const std::string& entry : Dir().List(root + "data")) {
            if (entry.find("/.quillon-") == std::string::npos) {
                entries.push_back(entry);
            }
        }
        return entries;
    };
    for (bool install : {true, false}) {
        const std::string clean = prepare(!install);
        RegistryStore cleanRegistry(Dir() / (clean + "reg"));
        ShellIntegration reference(cleanRegistry, Tools(), Dir() / (clean + "data"));
        reference.RegisterShell(install);
        std::vector<std::string> expected = listing(clean);
        if (!install) {
            // Folders that held a stopped run's temporary stay; only files are compared.
            std::erase_if(expected, [](const std::string& e) { return e.back() == '/'; });
        }
        // Only the steps that change what a name holds: a failure or a stop anywhere else leaves
        // the disk as one of these does.
        std::vector<uint64_t> steps;
        {
            const std::string root = prepare(!install);
            RegistryStore registry(Dir() / (root + "reg"));
            FaultFileSystem fs;
            ShellIntegration(registry, Tools(), Dir() / (root + "data"), fs).RegisterShell(install);
            const std::vector<FsCall> trace = fs.Trace();
            for (uint64_t i = 0; i < trace.size(); ++i) {
                if (trace[i] == FsCall::Write || trace[i] == FsCall::Rename ||
                    trace[i] == FsCall::Unlink || trace[i] == FsCall::MakeFolder ||
                    trace[i] == FsCall::RemoveFolder) {
                    steps.push_back(i + 1);
                }
            }
        }
        EXPECT_GT(steps.size(), 10u);
        for (bool stop : {false, true}) {
            for (uint64_t step : steps) {
                SCOPED_TRACE(testing::Message()
                             << "install " << install << " stop " << stop << " step " << step);
                const std::string root = prepare(!install);
                RegistryStore registry(Dir() / (root + "reg"));
                FaultFileSystem fs;
                if (stop) {
                    fs.StopAfter(step - 1);
                } else {
                    fs.FailNth(FsCall::Any, step, EIO);
                }
                ShellIntegration(registry, Tools(), Dir() / (root + "data"), fs)
                    .RegisterShell(install);
                EXPECT_TRUE(fs.Fired());
                EXPECT_EQ(Dir().ReadFile(root + "data/nemo/actions/quillon-search.nemo_action"),
                          mine);
                EXPECT_EQ(Dir().ReadFile(root + "data/applications/mine.desktop"), other);

                ShellIntegration again(registry, Tools(), Dir() / (root + "data"));
                again.RegisterShell(install);
                EXPECT_EQ(again.Problems().size(), reference.Problems().size());
                std::vector<std::string> got = listing(root);
                if (!install) {
                    std::erase_if(got, [](const std::string& e) { return e.back() == '/'; });
                }
                EXPECT_EQ(got, expected);
                for (const std::string& entry : got) {
                    if (entry.back() != '/' && entry.find("mine") == std::string::npos &&
                        entry != "nemo/actions/quillon-search.nemo_action") {
                        EXPECT_EQ(Dir().ReadFile(root + "data/" + entry),
                                  Dir().ReadFile(clean + "data/" + entry))
                            << entry;
                    }
                }
            }
        }
    }
}

}  // namespace
}  // namespace quillon
