// Registering the suite with the desktop: the folder verbs, "Send To" entries, open commands and
// editor associations as keys of the registry store (what the suite's other tools read), plus the
// files that make the verbs appear in the file managers of Linux desktops:
//   applications/quillon.desktop                  the program itself ("Open With", launchers)
//   kio/servicemenus/quillon-*.desktop            Dolphin's folder context menu
//   nautilus/scripts/Quillon, "Quillon Search..." Nautilus' Scripts menu
//   nemo/actions/quillon-*.nemo_action            Nemo's folder context menu
//   Thunar/sendto/quillon*.desktop                Thunar's "Send To" menu
// all below $XDG_DATA_HOME (default ~/.local/share). Every file written carries the line
// kGeneratedMarker (as a comment in the script); nothing without it is ever replaced or removed.
// The user's default applications (mimeapps.list) are never changed.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/RegistryStore.h"
#include "platform/SettingsCatalogue.h"

namespace quillon {

inline constexpr std::string_view kGeneratedMarker = "X-Quillon-Generated=true";

// The choices of the "Shell-Menu Configuration" dialog, in the order registration walks them.
enum class ShellChoice {
    QuillonOnDir,
    SearchOnDir,
    ScrivletSendTo,
    PanorelSendTo,
    SeekwellSendTo,
    NybbletSendTo,
    MultRenameSendTo,
};
inline constexpr int kShellChoiceCount = 7;

// The stored value of a choice.
const IntSetting& ChoiceSetting(ShellChoice choice);

// Absolute paths of the programs the entries start; an empty path is a tool that is not installed,
// whose entries are then not added.
struct ShellTools {
    std::string quillon;  // the running program
    std::string editor;   // Scrivlet.exe
    std::string viewer;   // Panorel.exe
    std::string search;   // Seekwell.exe
    std::string hex;      // Nybblet.exe
};

// The running program's path and the sibling tools found by LocateTool.
ShellTools LocateShellTools(const RegistryStore& registry);
// $XDG_DATA_HOME when it is an absolute path, else $HOME/.local/share.
std::string DataHomeFromEnvironment();

// "\"<path>\" <rest>": the registry's command form; empty when `path` is empty.
std::string QuotedCommand(std::string_view path, std::string_view rest);
// One argument of a desktop file's Exec key, quoted as the desktop-entry format wants it and
// escaped for a desktop file's string value. Empty when the text holds a control character.
std::string DesktopExecArgument(std::string_view text);

// A file of the integration, relative to the data home.
struct GeneratedFile {
    std::string path;
    std::string content;  // empty: the tool it starts is not installed
    bool executable = false;
};

// The files that stand for a choice (a folder verb or a "Send To" entry).
std::vector<GeneratedFile> ChoiceFiles(ShellChoice choice, const ShellTools& tools);
// The program's own desktop entry.
GeneratedFile ProgramDesktopEntry(const ShellTools& tools);

class ShellIntegration {
  public:
    // The store and the file system must outlive the object.
    ShellIntegration(RegistryStore& registry, ShellTools tools, std::string dataHome,
                     FileSystem& fs = RealFileSystem());

    // "-Reg" (true) and "-Unreg" (false): the verbs, open commands, "Send To" entries and their
    // files, then the editor associations; unregistering ends by forgetting the settings of every
    // tool of the suite.
    void RegisterShell(bool install);
    void RegisterFileTypes(bool install);

    // With `add`: creates `key` with `text` as its default value and `key\command` with `command`;
    // refused (false) when the key or the command is empty. Without: deletes `key` with all below.
    bool SetShellVerb(RegHive root, std::string_view key, std::string_view text,
                      std::string_view command, bool add);

    // Puts a choice's verb or "Send To" entry in place, or takes it away; does not store it.
    void ApplyChoice(ShellChoice choice, bool on);

    // The dialog's state: the folder verbs from their keys, the rest from the stored choices.
    bool DialogChoice(ShellChoice choice) const;
    // The dialog's OK: stores every choice and applies it.
    void ApplyDialog(const bool (&choices)[kShellChoiceCount]);

    const ShellTools& Tools() const { return tools_; }

    // One line per thing that could not be done, in order, without repeats.
    const std::vector<std::string>& Problems() const { return problems_; }

  private:
    void Problem(const std::string& text);
    void Store(bool ok);
    void WriteFile(const GeneratedFile& file);
    void RemoveFile(const std::string& relative);
    void MakeParents(const std::string& relative);
    void RemoveCreatedFolders();

    RegistryStore& registry_;
    ShellTools tools_;
    std::string dataHome_;
    FileSystem& fs_;
    std::vector<std::string> problems_;
};

// Forgets the saved window positions of the suite's tools.
void ResetWindowPositions(RegistryStore& registry);

}  // namespace quillon
