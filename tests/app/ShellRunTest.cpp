// "-Reg" and "-Unreg" run as the installer runs them: the real program, no display, every XDG
// folder a temporary one.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/ToolLocator.h"
#include "support/RunProcess.h"
#include "support/StoreFixture.h"

namespace quillon {
namespace {

using test::ProcessResult;

class ShellRun : public test::StoreFixture {
  protected:
    void SetUp() override {
        ASSERT_EQ(access(test::QuillonProgram().c_str(), X_OK), 0) << test::QuillonProgram();
        for (const char* folder : {"data", "sysdata", "sysconfig", "cache", "state", "run"}) {
            Dir().MakeFolder(folder);
        }
        for (const char* tool : {"Scrivlet", "Panorel", "Seekwell", "Nybblet"}) {
            const std::string path = Dir() / (std::string("tools/") + tool);
            Dir().WriteFile(std::string("tools/") + tool, "#!/bin/sh\n");
            chmod(path.c_str(), 0755);
            registry_.SetString(RegHive::LocalMachine,
                                std::string(kAppPathsKey) + "\\" + tool + ".exe", "", path);
        }
        // The user's own: never touched.
        Dir().WriteFile("data/applications/mine.desktop", "[Desktop Entry]\nMimeType=text/x-c;\n");
        Dir().WriteFile("data/Thunar/sendto/mine.desktop", "[Desktop Entry]\n");
    }

    std::vector<std::string> Env() {
        std::vector<std::string> env = {"XDG_CURRENT_DESKTOP=X-Generic",
                                        "DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM="};
        for (std::string pair :
             {"CONFIG_HOME=config", "DATA_HOME=data", "DATA_DIRS=sysdata", "CONFIG_DIRS=sysconfig",
              "CACHE_HOME=cache", "STATE_HOME=state", "RUNTIME_DIR=run"}) {
            const size_t eq = pair.find('=') + 1;
            env.push_back("XDG_" + pair.substr(0, eq) + (Dir() / pair.substr(eq)));
        }
        return env;
    }

    ProcessResult Run(const std::string& arg) {
        return test::RunProcess(test::QuillonProgram(), {arg}, Env());
    }
    std::string DefaultFolderOpener() {
        ProcessResult r =
            test::RunProcess("/usr/bin/xdg-mime", {"query", "default", "inode/directory"}, Env());
        EXPECT_EQ(r.status, 0) << r.err;
        return r.out;
    }
    // Every entry below the data home with its type, mode and content; with `times` also its
    // inode and modification time, so that a file rewritten with the same bytes shows.
    std::string Dump(bool times) {
        std::string dump;
        for (const std::string& path : Dir().List("data")) {
            struct stat st {};
            lstat((Dir() / ("data/" + path)).c_str(), &st);
            dump += path + " " + std::to_string(st.st_mode);
            if (times && !S_ISDIR(st.st_mode)) {
                dump += " " + std::to_string(st.st_ino) + " " + std::to_string(st.st_mtim.tv_sec) +
                        "." + std::to_string(st.st_mtim.tv_nsec);
            }
            dump += "\n" + (S_ISREG(st.st_mode) ? Dir().ReadFile("data/" + path) : "");
        }
        return dump;
    }
};

// -Reg puts exactly the entries in place, each application entry valid for the desktop tools; a
// second -Reg changes nothing; -Unreg leaves the data folders as they were. The default folder
// opener and the user's mimeapps.list stay as they were throughout, whether one was set or not.
TEST_F(ShellRun, RegisterTwiceThenUnregister) {
    for (bool folderOpenerSet : {false, true}) {
        SCOPED_TRACE(folderOpenerSet);
        if (folderOpenerSet) {
            Dir().WriteFile("data/applications/files.desktop",
                            "[Desktop Entry]\nType=Application\nName=Files\nExec=files %U\n"
                            "MimeType=inode/directory;\n");
            Dir().WriteFile("config/mimeapps.list",
                            "[Default Applications]\ninode/directory=files.desktop\n");
        }
        const std::string mimeapps = Dir().ReadFile("config/mimeapps.list");
        const std::string opener = DefaultFolderOpener();
        const std::string before = Dump(false);

        ProcessResult r = Run("-Reg");
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        std::string listed;
        for (const std::string& path : Dir().List("data")) {
            listed += path + "|";
        }
        EXPECT_EQ(listed,
                  "Thunar/|Thunar/sendto/|Thunar/sendto/mine.desktop|"
                  "Thunar/sendto/quillon-hex-compare.desktop|Thunar/sendto/quillon-panorel.desktop|"
                  "Thunar/sendto/quillon-scrivlet.desktop|Thunar/sendto/quillon-search.desktop|"
                  "Thunar/sendto/quillon.desktop|applications/|" +
                      std::string(folderOpenerSet ? "applications/files.desktop|" : "") +
                      "applications/mine.desktop|applications/quillon.desktop|kio/|"
                      "kio/servicemenus/|kio/servicemenus/quillon-compare.desktop|"
                      "kio/servicemenus/quillon-search.desktop|nautilus/|nautilus/scripts/|"
                      "nautilus/scripts/Quillon|nautilus/scripts/Quillon Search...|nemo/|"
                      "nemo/actions/|nemo/actions/quillon-compare.nemo_action|"
                      "nemo/actions/quillon-search.nemo_action|");
        for (const char* file :
             {"applications/quillon.desktop", "Thunar/sendto/quillon.desktop",
              "Thunar/sendto/quillon-scrivlet.desktop", "Thunar/sendto/quillon-panorel.desktop",
              "Thunar/sendto/quillon-search.desktop",
              "Thunar/sendto/quillon-hex-compare.desktop"}) {
            ProcessResult v = test::RunProcess("/usr/bin/desktop-file-validate",
                                               {Dir() / (std::string("data/") + file)});
            EXPECT_EQ(v.status, 0) << file << ": " << v.out << v.err;
        }
        for (const char* file :
             {"kio/servicemenus/quillon-compare.desktop", "nautilus/scripts/Quillon Search..."}) {
            EXPECT_EQ(access((Dir() / (std::string("data/") + file)).c_str(), X_OK), 0) << file;
        }
        char program[PATH_MAX] = {};
        ASSERT_NE(realpath(test::QuillonProgram().c_str(), program), nullptr);
        EXPECT_NE(Dir()
                      .ReadFile("data/applications/quillon.desktop")
                      .find("\nExec=\"" + std::string(program) + "\" %F\n"),
                  std::string::npos);
        EXPECT_EQ(Int("ShellMenu", "QuillonOnDir"), 1);
        EXPECT_EQ(registry_
                      .GetValue(RegHive::CurrentUser,
                                "SOFTWARE\\Classes\\Directory\\shell\\Quillon\\command", "")
                      ->text,
                  "\"" + std::string(program) + "\" \"%1\"");
        EXPECT_EQ(DefaultFolderOpener(), opener);

        const std::string registered = Dump(true);
        r = Run("/reg");
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(Dump(true), registered);

        r = Run("-Unreg");
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(Dump(false), before);
        EXPECT_EQ(Dir().ReadFile("config/mimeapps.list"), mimeapps);
        EXPECT_EQ(DefaultFolderOpener(), opener);
        EXPECT_FALSE(registry_.KeyExists(RegHive::CurrentUser, "Software\\Marrowby"));
    }
}

// A file of the user's at one of the names (no marker, or a link) is left alone and named in one
// line each; the run exits 2, and -Unreg leaves those too. A stale file of ours is replaced.
TEST_F(ShellRun, UsersOwnFilesInTheWay) {
    const std::string mine = "[Nemo Action]\nName=Mine\n";
    Dir().WriteFile("data/nemo/actions/quillon-search.nemo_action", mine);
    Dir().Symlink(Dir() / "data/applications/mine.desktop", "data/applications/quillon.desktop");
    Dir().WriteFile("data/nautilus/scripts/Quillon", "stale\n# X-Quillon-Generated=true\n");
    ProcessResult r = Run("-Reg");
    EXPECT_EQ(r.status, 2);
    const std::string leftAlone = " was not made by quillon; left as it is\n";
    EXPECT_EQ(r.err, "quillon: " + Dir() / "data/applications/quillon.desktop" + leftAlone +
                         "quillon: " + Dir() / "data/nemo/actions/quillon-search.nemo_action" +
                         leftAlone);
    EXPECT_EQ(Dir().ReadFile("data/nautilus/scripts/Quillon").rfind("#!/bin/sh\n", 0), 0u);
    r = Run("-Unreg");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Dir().List("data/nemo"),
              (std::vector<std::string>{"actions/", "actions/quillon-search.nemo_action"}));
    EXPECT_EQ(Dir().ReadFile("data/nemo/actions/quillon-search.nemo_action"), mine);
    EXPECT_EQ(Dir().List("data/nautilus"), std::vector<std::string>{"scripts/"});
    EXPECT_EQ(Dir().ReadFile("data/applications/quillon.desktop"),
              "[Desktop Entry]\nMimeType=text/x-c;\n");
}

// The dialog needs a display: without one the run says so in one line and exits 2.
TEST_F(ShellRun, ConfigWithoutDisplay) {
    ProcessResult r = Run("-Config");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err.rfind("quillon: the shell-menu configuration dialog needs a display", 0), 0u)
        << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
}

}  // namespace
}  // namespace quillon
