// What the panes start: every tool and favourite gets each hostile name as one whole argument
// (checked on the built vectors and on what a real started program receives), programs are run
// only after the question, .desktop files never, and a missing tool always says so.
#include "platform/PaneLaunch.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/FavoriteApps.h"
#include "platform/Launcher.h"
#include "platform/SettingsStore.h"
#include "support/FakePrompter.h"
#include "support/FakeTool.h"
#include "support/RecordingLauncher.h"
#include "support/ScopedEnv.h"
#include "support/TempConfigEnv.h"
#include "support/TestDir.h"

namespace quillon {
namespace {

using Argv = std::vector<std::string>;

const char* const kHostileNames[] = {
    "it's \"quoted\".txt", "$(touch pwned);x", "a;b&&c|d`id`", "-rf",
    "new\nline",           "back\\slash\\\"",  "sp ace %1 %f", "caf\xC3\xA9 \xFF.bin"};

// Tools as fake programs that record their arguments NUL-separated, so that a newline inside
// an argument stays inside it.
struct FakeTools {
    test::TestDir dir;
    PaneToolPaths tools;

    std::string Make(const std::string& name) {
        const std::string path = test::MakeFakeTool(dir, "bin/" + name);
        dir.WriteFile("bin/" + name,
                      "#!/bin/sh\n"
                      "for a in \"$@\"; do printf '%s\\0' \"$a\"; done > \"$0.rec\"\n"
                      "mv \"$0.rec\" \"$0.args\"\n");
        return path;
    }
    FakeTools() {
        tools.editor = Make("meld");
        tools.viewer = Make("xdg-open");
        tools.hexTool = Make("vbindiff");
        tools.terminal = Make("x-terminal-emulator");
        tools.search = Make("catfish");
        tools.opener = tools.viewer;
        tools.archiver = Make("file-roller");
    }
    // What the fake tool at `path` was started with (the program's name first), then forgotten.
    static Argv Received(const std::string& path) {
        test::ReadFakeToolArgs(path);
        std::ifstream in(path + ".args", std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        const std::string all = bytes.str();
        Argv args{path};
        for (size_t start = 0; start < all.size();) {
            const size_t end = all.find('\0', start);
            args.push_back(all.substr(start, end - start));
            start = end + 1;
        }
        unlink((path + ".args").c_str());
        return args;
    }
};

// One launch of the panes and the argument vectors it must produce for the file `f` (full path)
// with `d` its folder.
struct LaunchCase {
    const char* what;
    std::function<bool(PaneLaunch&, const std::string& f, const std::string& d)> run;
    std::function<std::vector<Argv>(const PaneToolPaths&, const std::string& f,
                                    const std::string& d)>
        expected;
};

SendToEntry SendToOf(const std::string& exec) {
    SendToEntry entry;
    EXPECT_TRUE(ParseSendToEntry("[Desktop Entry]\nType=Application\nName=Mail it\nExec=" + exec,
                                 "/s/mail.desktop", entry));
    return entry;
}

std::vector<LaunchCase> LaunchCases() {
    return {
        {"editor",
         [](PaneLaunch& p, auto& f, auto&) { return p.ViewThisFile(f, "--newtab", false); },
         [](auto& t, auto& f, auto&) {
             return std::vector<Argv>{{t.editor, f, "--newtab"}};
         }},
        {"viewer, one call per file",
         [](PaneLaunch& p, auto& f, auto& d) {
             return p.LaunchViewer({f, d});
         },
         [](auto& t, auto& f, auto& d) {
             return std::vector<Argv>{{t.viewer, f}, {t.viewer, d}};
         }},
        {"hex compare in a terminal",
         [](PaneLaunch& p, auto& f, auto& d) { return p.LaunchHexTool(f, d + "/other"); },
         [](auto& t, auto& f, auto& d) {
             return std::vector<Argv>{{t.terminal, "-e", t.hexTool, f, d + "/other"}};
         }},
        {"search from the folder", [](PaneLaunch& p, auto&, auto& d) { return p.LaunchSearch(d); },
         [](auto& t, auto&, auto& d) {
             return std::vector<Argv>{{t.search, d}};
         }},
        {"explorer", [](PaneLaunch& p, auto&, auto& d) { return p.OpenExplorer(d); },
         [](auto& t, auto&, auto& d) {
             return std::vector<Argv>{{t.opener, d}};
         }},
        {"native app", [](PaneLaunch& p, auto& f, auto&) { return p.OpenWithNativeApp(f); },
         [](auto& t, auto& f, auto&) {
             return std::vector<Argv>{{t.opener, f}};
         }},
        {"extract here", [](PaneLaunch& p, auto& f, auto& d) { return p.ExtractArchive(f, d); },
         [](auto& t, auto& f, auto& d) {
             return std::vector<Argv>{{t.archiver, "--extract-to=" + d, f}};
         }},
        {"add to archive",
         [](PaneLaunch& p, auto& f, auto& d) {
             return p.AddToArchive({f, d});
         },
         [](auto& t, auto& f, auto& d) {
             return std::vector<Argv>{{t.archiver, "--add", f, d}};
         }},
        {"favourite, %1 inside an argument",
         [](PaneLaunch& p, auto& f, auto&) {
             return p.LaunchFavourite("\"" + p.Tools().editor + "\" --file=%1 -x \"%1\"", f);
         },
         [](auto& t, auto& f, auto&) {
             return std::vector<Argv>{{t.editor, "--file=" + f, "-x", f}};
         }},
        {"favourite without %1",
         [](PaneLaunch& p, auto& f, auto&) {
             return p.LaunchFavourite("\"" + p.Tools().editor + "\" -n", f);
         },
         [](auto& t, auto& f, auto&) {
             return std::vector<Argv>{{t.editor, "-n", f}};
         }},
        {"send to, one file per command",
         [](PaneLaunch& p, auto& f, auto& d) {
             return p.LaunchSendTo(SendToOf(p.Tools().editor + " --to %f"), {f, d});
         },
         [](auto& t, auto& f, auto& d) {
             return std::vector<Argv>{{t.editor, "--to", f}, {t.editor, "--to", d}};
         }},
        {"send to, all files",
         [](PaneLaunch& p, auto& f, auto& d) {
             return p.LaunchSendTo(SendToOf("\"" + p.Tools().editor + "\" %F %c"), {f, d});
         },
         [](auto& t, auto& f, auto& d) {
             return std::vector<Argv>{{t.editor, f, d, "Mail it"}};
         }},
    };
}

// Each hostile name reaches every tool as exactly the argument it is, in the vector handed to
// the launcher; nothing is shown.
TEST(PaneLaunchArgv, HostileNamesStayWholeArguments) {
    FakeTools fakes;
    for (const char* name : kHostileNames) {
        const std::string folder = fakes.dir / ("in " + std::string(name));
        const std::string file = folder + "/" + name;
        fakes.dir.WriteFile("in " + std::string(name) + "/" + name, "data");
        for (const LaunchCase& c : LaunchCases()) {
            test::RecordingLauncher launcher;
            test::FakePrompter prompter;
            PaneLaunch launch(fakes.tools, launcher, &prompter);
            EXPECT_TRUE(c.run(launch, file, folder)) << c.what << " " << name;
            std::vector<Argv> got;
            for (const LaunchRequest& r : launcher.requests) {
                got.push_back(r.argv);
                EXPECT_EQ(SplitCommandLine(r.commandLine), r.argv) << "logged form of " << c.what;
            }
            EXPECT_EQ(got, c.expected(fakes.tools, file, folder)) << c.what << " " << name;
            EXPECT_TRUE(prompter.shown.empty()) << c.what;
        }
    }
}

// The same launches started for real: the programs receive the arguments unchanged, and no shell
// ran anything in the names.
TEST(PaneLaunchArgv, StartedProgramsReceiveTheNames) {
    FakeTools fakes;
    ProcessLauncher launcher;
    test::FakePrompter prompter;
    PaneLaunch launch(fakes.tools, launcher, &prompter);
    for (const char* name : kHostileNames) {
        const std::string folder = fakes.dir / "real";
        const std::string file = folder + "/" + name;
        fakes.dir.WriteFile("real/" + std::string(name), "data");
        for (const LaunchCase& c : LaunchCases()) {
            const std::vector<Argv> expected = c.expected(fakes.tools, file, folder);
            // One command per call: a fake keeps only its last record.
            if (expected.size() != 1) {
                continue;
            }
            ASSERT_TRUE(c.run(launch, file, folder)) << c.what;
            Argv got = FakeTools::Received(expected[0][0]);
            EXPECT_EQ(got, expected[0]) << c.what << " " << name;
        }
    }
    EXPECT_FALSE(fakes.dir.Exists("pwned"));
    EXPECT_FALSE(fakes.dir.Exists("real/pwned"));
    EXPECT_TRUE(prompter.shown.empty());
}

// A registered viewer gets both files and the tile switch in one call; fsearch and gio take
// their own forms; ark its options; a registered hex tool needs no terminal.
TEST(PaneLaunchArgv, ToolVariants) {
    PaneToolPaths t;
    t.viewer = "/opt/Panorel/panorel";
    t.search = "/usr/bin/fsearch";
    t.opener = "/usr/bin/gio";
    t.archiver = "/usr/bin/ark";
    t.hexTool = "/opt/nyb/nybblet";
    EXPECT_EQ(ViewerCommands(t, {"/l", "/r"})[0].argv, (Argv{t.viewer, "/l", "/r", "/TILE_VERT"}));
    EXPECT_EQ(ViewerCommands(t, {"/l"})[0].argv, (Argv{t.viewer, "/l"}));
    EXPECT_EQ(SearchCommand(t, "/f")->argv, (Argv{t.search}));
    EXPECT_EQ(ExplorerCommand(t, "/f")->argv, (Argv{t.opener, "open", "/f"}));
    EXPECT_EQ(NativeAppCommand(t, "/f/x.txt")->workingFolder, "/f");
    EXPECT_EQ(ExtractArchiveCommand(t, "/a.zip", "/to")->argv,
              (Argv{t.archiver, "--batch", "--destination", "/to", "/a.zip"}));
    EXPECT_EQ(AddToArchiveCommand(t, {"/a"})->argv,
              (Argv{t.archiver, "--add", "--changetodir", "/a"}));
    EXPECT_EQ(HexCompareCommand(t, "/l", "-r")->argv, (Argv{t.hexTool, "/l", "./-r"}));
    EXPECT_TRUE(IsZipFile("A.ZIP"));
    EXPECT_FALSE(IsZipFile("zip"));
}

// Without its tool every command launches nothing, shows its message, and its menu item has a
// reason for its tooltip.
TEST(PaneLaunchMissing, EveryCommandSaysSo) {
    PaneToolPaths none;
    none.hexTool = "/usr/bin/vbindiff";  // found, but no terminal to run it in
    const struct {
        PaneTool tool;
        std::function<bool(PaneLaunch&)> run;
        std::string shown;
    } cases[] = {
        {PaneTool::kTextEditor,
         [](PaneLaunch& p) { return p.ViewThisFile("/etc/hostname", "", false); },
         "Scrivlet name is empty."},
        {PaneTool::kViewer, [](PaneLaunch& p) { return p.LaunchViewer({"/a"}); },
         kViewerLaunchFailure},
        {PaneTool::kHexCompare, [](PaneLaunch& p) { return p.LaunchHexTool("/a", "/b"); },
         kHexLaunchFailure},
        {PaneTool::kSearch, [](PaneLaunch& p) { return p.LaunchSearch("/a"); },
         "No search tool found: install catfish or fsearch"},
        {PaneTool::kExplorer, [](PaneLaunch& p) { return p.OpenExplorer("/a b"); },
         "Reason for failure of launching Windows Explorer with /a b"},
        {PaneTool::kNativeApp, [](PaneLaunch& p) { return p.OpenWithNativeApp("/a.txt"); },
         "Reason for failure of opening /a.txt"},
        {PaneTool::kArchive, [](PaneLaunch& p) { return p.ExtractArchive("/a.zip", "/"); },
         kArchiveExtractFailure},
        {PaneTool::kArchive, [](PaneLaunch& p) { return p.AddToArchive({"/a"}); },
         kArchiveOpenFailure},
    };
    for (const auto& c : cases) {
        test::RecordingLauncher launcher;
        test::FakePrompter prompter;
        PaneLaunch launch(none, launcher, &prompter);
        EXPECT_FALSE(c.run(launch)) << c.shown;
        EXPECT_TRUE(launcher.requests.empty()) << c.shown;
        EXPECT_EQ(prompter.Texts(), std::vector<std::string>{c.shown});
        EXPECT_NE(ToolMissingReason(none, c.tool), "") << c.shown;
    }
    // A tool that is there but fails to start is a failure too.
    PaneToolPaths some;
    some.hexTool = "/opt/nybblet";
    test::RecordingLauncher failing;
    failing.defaultResult = test::RecordingLauncher::Failed(ENOENT);
    test::FakePrompter prompter;
    PaneLaunch launch(some, failing, &prompter);
    EXPECT_EQ(ToolMissingReason(some, PaneTool::kHexCompare), "");
    EXPECT_FALSE(launch.LaunchHexTool("/a", "/b"));
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{kHexLaunchFailure});
}

// Which files count as programs: an execute bit alone (as on FAT and NTFS mounts) does not, a
// .desktop file is never a program, a FIFO is classified without being opened for long.
TEST(PaneLaunchProgram, ClassifiesTargets) {
    test::TestDir dir;
    const struct {
        const char* name;
        std::string content;
        mode_t mode;
        LaunchKind expected;
    } cases[] = {
        {"elf",
         std::string("\x7F"
                     "ELF\x02\x01",
                     6),
         0755, LaunchKind::kProgram},
        {"script", "#!/bin/sh\necho\n", 0700, LaunchKind::kProgram},
        {"group-exec", "#!/bin/sh\n", 0610, LaunchKind::kProgram},
        {"doc-with-x-bit", "plain text on a FAT mount", 0755, LaunchKind::kDocument},
        {"elf-no-x",
         std::string("\x7F"
                     "ELF",
                     4),
         0644, LaunchKind::kDocument},
        {"script.sh", "#!/bin/sh\n", 0644, LaunchKind::kDocument},
        {"App.DESKTOP", "#!/usr/bin/env xdg-open\n[Desktop Entry]\n", 0755,
         LaunchKind::kDesktopEntry},
        {"empty", "", 0755, LaunchKind::kDocument},
    };
    for (const auto& c : cases) {
        dir.WriteFile(c.name, c.content);
        chmod((dir / c.name).c_str(), c.mode);
        EXPECT_EQ(ClassifyLaunchTarget(dir / c.name), c.expected) << c.name;
        EXPECT_EQ(IsProgram(dir / c.name), c.expected == LaunchKind::kProgram) << c.name;
    }
    dir.MakeFifo("fifo");
    chmod((dir / "fifo").c_str(), 0755);
    dir.Symlink("script", "link");
    dir.MakeFolder("folder");
    EXPECT_EQ(ClassifyLaunchTarget(dir / "fifo"), LaunchKind::kDocument);
    EXPECT_EQ(ClassifyLaunchTarget(dir / "link"), LaunchKind::kProgram);
    EXPECT_EQ(ClassifyLaunchTarget(dir / "folder"), LaunchKind::kDocument);
}

// ENTER on a program asks first (remembered under its key) and runs it directly only on Yes; a
// .desktop file goes to the editor, anything else to the opener.
TEST(PaneLaunchProgram, OpenItemAsksBeforeRunning) {
    FakeTools fakes;
    fakes.dir.WriteFile("t/run me.sh", "#!/bin/sh\n");
    chmod((fakes.dir / "t/run me.sh").c_str(), 0755);
    fakes.dir.WriteFile("t/x.desktop", "[Desktop Entry]\nExec=rm -rf /\n");
    chmod((fakes.dir / "t/x.desktop").c_str(), 0755);
    const std::string program = fakes.dir / "t/run me.sh";
    for (const int answer : {mbr::kNo, mbr::kYes}) {
        test::RecordingLauncher launcher;
        test::FakePrompter prompter;
        prompter.script = {answer};
        PaneLaunch launch(fakes.tools, launcher, &prompter);
        EXPECT_EQ(launch.OpenItem(program), answer == mbr::kYes);
        ASSERT_EQ(prompter.shown.size(), 1u);
        EXPECT_EQ(prompter.shown[0].text,
                  program + "\nis an application program.\n\nWould you like to launch it?");
        EXPECT_EQ(prompter.shown[0].key, "ENTERkeyOnThisItemID_01");
        ASSERT_EQ(launcher.requests.size(), answer == mbr::kYes ? 1u : 0u);
        if (answer == mbr::kYes) {
            EXPECT_EQ(launcher.requests[0].argv, Argv{program});
            EXPECT_EQ(launcher.requests[0].workingFolder, fakes.dir / "t");
        }
    }
    test::RecordingLauncher launcher;
    test::FakePrompter prompter;
    PaneLaunch launch(fakes.tools, launcher, &prompter);
    EXPECT_TRUE(launch.OpenItem(fakes.dir / "t/x.desktop"));
    EXPECT_TRUE(launch.OpenWithNativeApp(fakes.dir / "t/x.desktop"));
    fakes.dir.WriteFile("t/notes.txt", "n");
    EXPECT_TRUE(launch.OpenItem(fakes.dir / "t/notes.txt"));
    ASSERT_EQ(launcher.requests.size(), 3u);
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(launcher.requests[i].argv, (Argv{fakes.tools.editor, fakes.dir / "t/x.desktop"}));
    }
    EXPECT_EQ(launcher.requests[2].argv, (Argv{fakes.tools.opener, fakes.dir / "t/notes.txt"}));
    EXPECT_EQ(launcher.requests[2].workingFolder, fakes.dir / "t");
    EXPECT_TRUE(prompter.shown.empty());
}

}  // namespace
}  // namespace quillon

namespace quillon {
namespace {

// ENTER on a file present on both sides: what is shown and what is started, by the kinds of the
// two files, the answer to the binary question and the non-text tool setting.
TEST(PaneLaunchCompare, TwoFilesByKindAnswerAndSetting) {
    FakeTools fakes;
    const std::string utf8 = fakes.dir / "u.txt";
    const std::string ascii = fakes.dir / "a.txt";
    const std::string wide = fakes.dir / "w.txt";
    const std::string bin1 = fakes.dir / "b1.bin";
    const std::string bin2 = fakes.dir / "b2.bin";
    const std::string bin3 = fakes.dir / "b3.bin";
    fakes.dir.WriteFile("u.txt", "\xEF\xBB\xBFgr\xC3\xBC\xC3\x9F");
    fakes.dir.WriteFile("a.txt", "plain\n");
    fakes.dir.WriteFile("w.txt", std::string("\xFF\xFEh\0i\0", 6));
    fakes.dir.WriteFile("b1.bin", std::string("\x01\x00\x02\x00\x7F\xFE", 6));
    fakes.dir.WriteFile("b2.bin", std::string("\x01\x00\x02\x00\x7F\xFE", 6));
    fakes.dir.WriteFile("b3.bin", std::string("\x01\x00\x03\x00\x7F\xFE", 6));
    const std::string missing = fakes.dir / "gone.txt";
    // The checksums below are Python's zlib.crc32 of the same bytes.
    struct Case {
        std::string left, right;
        int answer, setting;
        std::vector<std::string> shown;  // the texts shown, in order
        Argv started;                    // the one process started, or none
    };
    const std::string binaryQuestion = bin1 + " seems binary and\n" + ascii +
                                       " isn't.\nDo you want to open them with Scrivlet?\n\nIf "
                                       "not, the default application for non-text file will "
                                       "open them.";
    const std::string refused =
        "Attempted to view Binary or non-text file(s).\nThe binary/non-text file(s) not allowed "
        "to view.";
    const Case cases[] = {
        {ascii, ascii, 0, 0, {}, {fakes.tools.editor, ascii, ascii}},
        {utf8,
         wide,
         0,
         0,
         {"They are using the different encoding:\n" + utf8 + " (UTF8)\n" + wide + " (Unicode)."},
         {fakes.tools.editor, utf8, wide}},
        {bin1, ascii, mbr::kYes, 0, {binaryQuestion}, {fakes.tools.editor, bin1, ascii}},
        {bin1,
         ascii,
         mbr::kNo,
         1,
         {binaryQuestion},
         {fakes.tools.terminal, "-e", fakes.tools.hexTool, bin1, ascii}},
        {bin1, bin2, 0, 1, {}, {fakes.tools.terminal, "-e", fakes.tools.hexTool, bin1, bin2}},
        {bin1,
         bin2,
         0,
         2,
         {refused + "\n\nHowever, Checksum [0x223500af] indicates they are identical."},
         {}},
        {bin1,
         bin3,
         0,
         2,
         {refused +
          "\n\nHowever, Checksum indicates they are different:\n0x223500af vs. 0x9a8967ca"},
         {}},
        {missing,
         ascii,
         0,
         0,
         {"Failed to open the following file:\n" + missing + "\n\nFile doesn't exist."},
         {}},
        {missing,
         missing,
         0,
         0,
         {"Failed to open the following files:\n" + missing + "\n" + missing +
          "\n\nFile doesn't exist."},
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.left + " | " + c.right + " setting " + std::to_string(c.setting));
        test::RecordingLauncher launcher;
        test::FakePrompter prompter;
        prompter.script = {c.answer};
        PaneLaunch launch(fakes.tools, launcher, &prompter);
        EXPECT_EQ(launch.CompareTwoFiles(c.left, c.right, c.setting), !c.started.empty());
        std::vector<std::string> shown;
        for (const PromptRequest& request : prompter.shown) {
            shown.push_back(request.text);
        }
        EXPECT_EQ(shown, c.shown);
        ASSERT_EQ(launcher.requests.size(), c.started.empty() ? 0u : 1u);
        if (!c.started.empty()) {
            EXPECT_EQ(launcher.requests[0].argv, c.started);
        }
    }
}

}  // namespace
}  // namespace quillon
