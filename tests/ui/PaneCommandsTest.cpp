// The pane context menu and what it starts: greyed-out commands carry their reason, the present
// tools get whole arguments, and the properties, favourites and export dialogs over the disk.
#include <sys/stat.h>

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <map>

#include "fileops/CopyDiffExport.h"
#include "platform/ToolLocator.h"
#include "support/FakeTool.h"
#include "support/ModalDialog.h"
#include "support/ScopedEnv.h"
#include "support/WindowFixture.h"
#include "ui/CAttribChanges.h"
#include "ui/CFavoriteApps.h"
#include "ui/FileCommands.h"
#include "ui/PaneCommands.h"

namespace quillon {
namespace {

class PaneCommandsTest : public test::WindowFixture {
  protected:
    PaneCommandsTest() : path_("PATH", dir_ / "bin"), data_("XDG_DATA_HOME", dir_ / "data") {
        dir_.MakeFolder("bin");
        // No tool is registered: only what the test puts on PATH is found.
        RunContext::Current().locateTool = [this](std::string_view exe) {
            const std::string name = ExeCounterpart(exe);
            return name.empty() ? name : FindOnSearchPath(name, dir_ / "bin");
        };
    }
    static std::string ExeCounterpart(std::string_view exe) {
        const std::vector<std::string> names = LinuxCounterparts(exe);
        return names.empty() ? std::string() : names.front();
    }
    PaneCommands& Commands() { return frame_->Commands(); }
    // The menu's items by their label, submenus included.
    std::map<std::string, QAction*> MenuItems(int pane) {
        menu_.reset(Commands().BuildMenu(pane, nullptr));
        std::map<std::string, QAction*> items;
        for (QAction* action : menu_->actions()) {
            if (!action->isSeparator()) {
                items[action->text().toStdString()] = action;
            }
        }
        return items;
    }
    test::ScopedEnv path_;
    test::ScopedEnv data_;
    std::unique_ptr<QMenu> menu_;
};

// With no tool installed, the commands that need one are greyed out and say why; so are those
// the selection does not allow; the rest are enabled.
TEST_F(PaneCommandsTest, MissingToolsGreyOutTheirCommands) {
    dir_.MakeTree({{"L/a.txt", "a"}, {"R/a.txt", "b"}, {"L/d/", ""}, {"R/d/", ""}});
    MakeFrame();
    Open(dir_ / "L", dir_ / "R");
    View().SelectOnly(RowOf("a.txt"));
    const PaneToolPaths& tools = Commands().Launch().Tools();
    ASSERT_TRUE(tools.opener.empty() && tools.search.empty());
    const std::map<std::string, std::string> greyed{
        {kMenuExpandAll, kWhyOneFolderRow},
        {kMenuSetRoot, kWhyOneFolderRow},
        {kMenuExplorer, ToolMissingReason(tools, PaneTool::kExplorer)},
        {kMenuSendTo, "No Send To entries in " + (dir_ / "data/Thunar/sendto")},
        {kMenuRenderPdf, kWhyNoPdf},
        {kMenuNativeApp, ToolMissingReason(tools, PaneTool::kNativeApp)},
        {kMenuPasteHere, kWhyNoFileList},
        {kMenuSearch, ToolMissingReason(tools, PaneTool::kSearch)},
    };
    QGuiApplication::clipboard()->clear();
    const std::map<std::string, QAction*> items = MenuItems(kSideLeft);
    EXPECT_EQ(items.size(), 15u);
    for (const auto& [label, action] : items) {
        const auto it = greyed.find(label);
        EXPECT_EQ(action->isEnabled(), it == greyed.end()) << label;
        if (it != greyed.end()) {
            EXPECT_FALSE(it->second.empty()) << label;
            EXPECT_EQ(action->toolTip().toStdString(), it->second) << label;
        }
    }
    // The key of a missing tool starts nothing and says so.
    Key(Qt::Key_E, Qt::ControlModifier);
    EXPECT_TRUE(launcher_.requests.empty());
    EXPECT_EQ(prompter_.shown.size(), 1u);
}

// With the tools on PATH the commands are enabled, and each gets the names as whole arguments,
// however hostile they are.
TEST_F(PaneCommandsTest, PresentToolsGetWholeArguments) {
    const std::string hostile = "-a $(x);'q' \"b\"\nc.zip";
    dir_.MakeTree({{"L/" + hostile, "a"}, {"R/" + hostile, "b"}});
    for (const char* tool : {"xdg-open", "catfish", "file-roller"}) {
        test::MakeFakeTool(dir_, std::string("bin/") + tool);
    }
    MakeFrame();
    Open(dir_ / "L", dir_ / "R");
    View().SelectOnly(RowOf(hostile));
    std::map<std::string, QAction*> items = MenuItems(kSideRight);
    for (const char* label : {kMenuExplorer, kMenuNativeApp, kMenuSearch, kMenuExtractHere}) {
        ASSERT_TRUE(items.count(label)) << label;
        EXPECT_TRUE(items[label]->isEnabled()) << label;
        items[label]->trigger();
        ASSERT_FALSE(launcher_.requests.empty()) << label;
        const std::vector<std::string>& argv = launcher_.requests.back().argv;
        ASSERT_FALSE(argv.empty()) << label;
        const std::string expected = label == kMenuNativeApp || label == kMenuExtractHere
                                         ? dir_ / ("R/" + hostile)
                                         : dir_ / "R";
        EXPECT_NE(std::find(argv.begin(), argv.end(), expected), argv.end()) << label;
        launcher_.requests.clear();
    }
}

// The properties of a folder and a read-only file: the summed size, the counts with dot-files,
// a mixed read-only box and a disabled hidden box; checking read-only and OK clears every write
// bit below.
TEST_F(PaneCommandsTest, PropertiesShowTheComputedNumbers) {
    dir_.MakeTree({{"L/d/x.txt", std::string(10, 'x')},
                   {"L/d/.h", "12345"},
                   {"L/f.txt", std::string(1025, 'f')},
                   {"R/", ""}});
    ASSERT_EQ(chmod((dir_ / "L/f.txt").c_str(), 0444), 0);
    MakeFrame();
    Open(dir_ / "L", dir_ / "R");
    View().SelectRows({RowOf("d"), RowOf("f.txt")});
    std::string size;
    std::string summary;
    Qt::CheckState readOnly = Qt::Unchecked;
    bool hiddenEnabled = true;
    test::WhenModal([&](QDialog& dialog) {
        auto& properties = static_cast<CAttribChanges&>(dialog);
        size = properties.SizeText()->text().toStdString();
        summary = properties.Summary()->toPlainText().toStdString();
        readOnly = properties.ReadOnlyBox()->checkState();
        hiddenEnabled = properties.HiddenBox()->isEnabled();
        EXPECT_EQ(properties.LocationText()->text().toStdString(), dir_ / "L");
        properties.ReadOnlyBox()->setCheckState(Qt::Checked);
        properties.accept();
    });
    MenuItems(kSideLeft)[kMenuProperties]->trigger();
    EXPECT_EQ(size, "1.02 KB (1,040 bytes)");
    EXPECT_EQ(summary,
              "3 Files, 1 Folders\n\nThis list includes the files in the selected sub-folder(s).");
    EXPECT_EQ(readOnly, Qt::PartiallyChecked);
    EXPECT_FALSE(hiddenEnabled);
    for (const char* path : {"L/d", "L/d/x.txt", "L/d/.h", "L/f.txt"}) {
        struct stat st {};
        ASSERT_EQ(lstat((dir_ / path).c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0222, 0u) << path;
    }
}

// A favourite added in the dialog is saved at once; choosing it runs it on the file as one
// argument.
TEST_F(PaneCommandsTest, FavouriteRunsOnTheFile) {
    dir_.MakeTree({{"L/two words;$(x).txt", "a"}, {"R/", ""}});
    const std::string tool = test::MakeFakeTool(dir_, "apps/my app");
    MakeFrame();
    Open(dir_ / "L", dir_ / "R");
    View().SelectOnly(RowOf("two words;$(x).txt"));
    test::WhenModal([&](QDialog& dialog) {
        auto& favourites = static_cast<CFavoriteApps&>(dialog);
        favourites.SetProgramChooser([&] { return QString::fromStdString(tool); });
        favourites.AddButton()->click();
        favourites.AddButton()->click();
        EXPECT_EQ(favourites.List()->count(), 1);
        favourites.accept();
    });
    MenuItems(kSideLeft)[kMenuFavoriteApp]->trigger();
    EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{"Same item already exists.\n" + tool});
    EXPECT_EQ(store_.GetProfileString("FavoriteApps", "App0", ""), "\"" + tool + "\"");
    ASSERT_EQ(launcher_.requests.size(), 1u);
    EXPECT_EQ(launcher_.requests[0].argv,
              (std::vector<std::string>{tool, dir_ / "L/two words;$(x).txt"}));
}

// The export of both sides writes each differing file under _Left and _Right and says how many;
// a destination inside a compared folder is refused before anything is written.
TEST_F(PaneCommandsTest, CopyDiffExportFromBothSides) {
    dir_.MakeTree({{"L/a/b.txt", "1"}, {"R/a/b.txt", "22"}, {"L/same", "s"}, {"R/same", "s"}});
    MakeFrame();
    Open(dir_ / "L", dir_ / "R");
    std::vector<std::string> chooser;
    std::string destination = dir_ / "out";
    Commands().SetFolderChooser([&](const QString& prompt, const QString& start) {
        chooser.push_back(prompt.toStdString() + "|" + start.toStdString());
        return QString::fromStdString(destination);
    });
    Commands().CopyDiffAction(kExportFromBoth)->trigger();
    EXPECT_EQ(chooser, std::vector<std::string>{std::string(CopyDiffChooserPrompt(2)) + "|"});
    EXPECT_EQ(dir_.List("out"),
              (std::vector<std::string>{"_Left/", "_Left/a/", "_Left/a/b.txt", "_Right/",
                                        "_Right/a/", "_Right/a/b.txt"}));
    EXPECT_EQ(dir_.ReadFile("out/_Right/a/b.txt"), "22");
    EXPECT_EQ(prompter_.Texts(),
              std::vector<std::string>{"2 file(s) copied to " + destination + "."});
    prompter_.shown.clear();
    destination = dir_ / "L/a/inside";
    Commands().CopyDiffAction(kExportFromLeft)->trigger();
    EXPECT_EQ(chooser.back(), std::string(CopyDiffChooserPrompt(0)) + "|" + (dir_ / "L"));
    EXPECT_EQ(prompter_.shown.size(), 1u);
    EXPECT_FALSE(dir_.Exists("L/a/inside"));
}

// The viewer and hex-tool commands of the Action menu need a file row (a pair for the hex tool)
// and name the missing tool; the hex tool runs in a terminal; the non-text choice is stored.
TEST_F(PaneCommandsTest, ToolCommandsOfTheMenus) {
    dir_.MakeTree({{"L/a.bin", "a"}, {"R/a.bin", "b"}, {"L/only", "o"}});
    const std::string hex = test::MakeFakeTool(dir_, "bin/vbindiff");
    const std::string terminal = test::MakeFakeTool(dir_, "bin/x-terminal-emulator");
    MakeFrame();
    Open(dir_ / "L", dir_ / "R");
    QMenu* action = nullptr;
    for (QAction* entry : frame_->menuBar()->actions()) {
        action = entry->text() == "&Action" ? entry->menu() : action;
    }
    ASSERT_NE(action, nullptr);
    // The states are set as the menu opens.
    auto refresh = [action] { emit action->aboutToShow(); };
    View().SelectOnly(RowOf("only"));
    refresh();
    EXPECT_FALSE(Commands().HexAction()->isEnabled());
    EXPECT_EQ(Commands().HexAction()->toolTip().toStdString(), kWhyNoPair);
    EXPECT_FALSE(Commands().ViewerAction()->isEnabled());
    EXPECT_EQ(Commands().ViewerAction()->toolTip().toStdString(),
              ToolMissingReason(Commands().Launch().Tools(), PaneTool::kViewer));
    View().SelectOnly(RowOf("a.bin"));
    refresh();
    ASSERT_TRUE(Commands().HexAction()->isEnabled());
    Key(Qt::Key_F9);
    ASSERT_EQ(launcher_.requests.size(), 1u);
    EXPECT_EQ(launcher_.requests[0].argv,
              (std::vector<std::string>{terminal, "-e", hex, dir_ / "L/a.bin", dir_ / "R/a.bin"}));
    // Edit > Copy puts the row's cells on the clipboard as text.
    Commands().CopyTextAction()->trigger();
    const std::string date = Row("a.bin")->TimeText(kSideLeft).substr(0, 10);
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(),
              "a.bin\t" + date + "\t1\ta.bin\t" + date + "\t1\t\r\n");
    Commands().NonTextAction(1)->trigger();
    EXPECT_EQ(Int("Misc.", "ViewNonTextWith"), 1);
    EXPECT_TRUE(Commands().NonTextAction(1)->isChecked());
    EXPECT_FALSE(Commands().NonTextAction(0)->isChecked());
}

}  // namespace
}  // namespace quillon
