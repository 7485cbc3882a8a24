// The user's favourite applications (at most ten, stored as FavoriteApps\App0 ... App9, each a
// command line ""<program>" <options>" where "%1" stands for the file) and the Send To entries of
// the desktop (the .desktop files of $XDG_DATA_HOME/Thunar/sendto). Both become argument vectors
// with the file names put into the already split arguments: a name is never parsed again.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillon {

class SettingsStore;

inline constexpr int kMaxFavoriteApps = 10;

// Texts of the favourite applications dialog.
inline constexpr char kFavoriteAppsTitle[] = "My Favorite Applications";
inline constexpr char kFavoriteAppsAddLabel[] = "&Add Application...";
inline constexpr char kFavoriteAppsHint[] =
    "Add the commandline option required by your favorite application. Use \"%1\" for the "
    "filename replacement.e.g.\n\"C:\\\\MyApp.exe\" \"%1\"";
inline constexpr char kFavoriteAppsEmptyName[] = "Empty Application name.\nTry again.";
inline constexpr char kFavoriteAppsDuplicate[] = "Same item already exists.";  // + the path
inline constexpr char kFavoriteAppsFull[] =
    "The list already holds 10 applications.\nRemove one before adding another.";
inline constexpr char kFavoriteAppsNoSelection[] =
    "No item selected.\nPlease select one and click OK.";
inline constexpr char kFavoriteAppsMissingFormat[] =
    "%s does not exist.\nIt is being deleted from the list.\n\nPlease select other one or add a "
    "new "
    "one.";

// App0 ... App9 in order, empty values skipped.
std::vector<std::string> LoadFavoriteApps(const SettingsStore& settings);
// Deletes the FavoriteApps section and writes `apps` back as App0 upward (the first ten only).
bool SaveFavoriteApps(SettingsStore& settings, const std::vector<std::string>& apps);

enum class AddFavoriteResult { kAdded, kEmptyName, kDuplicate, kFull };
// Adds the program `path` quoted (""<path>"") unless it is empty, already listed (as the
// program of an entry) or the list is full.
AddFavoriteResult AddFavoriteApp(std::vector<std::string>& apps, const std::string& path);

// The program of an entry: the text between its first two double quotes, else its first word.
std::string FavoriteProgram(std::string_view entry);
// The entry as chosen: " "%1"" appended when no argument holds "%1".
std::string WithFileArgument(std::string_view entry);
// The entry split as a command line, each "%1" inside each argument replaced by `file`
// (a "%1"-less entry gets `file` as a last argument).
std::vector<std::string> FavoriteArgv(std::string_view entry, const std::string& file);

// One Send To entry.
struct SendToEntry {
    std::string name;               // Name= of the desktop entry (the file's name when it has none)
    std::string desktopFile;        // full path of the .desktop file
    std::string icon;               // Icon=, may be empty
    std::vector<std::string> exec;  // Exec= split by the desktop-entry quoting rules
};

// $XDG_DATA_HOME/Thunar/sendto, $XDG_DATA_HOME defaulting to ~/.local/share.
std::string SendToFolder();
// The usable entries of `folder` (Type=Application with an Exec, not Hidden), sorted by name.
std::vector<SendToEntry> LoadSendToEntries(const std::string& folder);
// Parses one desktop entry's text; false when it is not a usable application entry.
bool ParseSendToEntry(std::string_view text, const std::string& desktopFile, SendToEntry& entry);

// The commands that send `files` (full paths) with the entry's field codes expanded: %f / %u one
// file (the command is repeated for each file when that is all it takes), %F / %U every file,
// %i the icon as "--icon <icon>", %c the name, %k the desktop file, %% a percent sign;
// deprecated codes are dropped. Files enter as whole arguments (URIs percent-encoded).
std::vector<std::vector<std::string>> ExpandSendTo(const SendToEntry& entry,
                                                   const std::vector<std::string>& files);

// "file://" + the path with every byte outside the unreserved set and "/" percent-encoded.
std::string FileUri(std::string_view path);

}  // namespace quillon
