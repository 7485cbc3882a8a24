// What the properties dialog shows for the selected items of one pane, and the change of their
// read-only attribute. Read-only means that no write permission bit is set; hidden means that the
// name begins with a dot, which is shown but cannot be changed here. Links are never followed:
// a link counts as one file of its own size and is left alone by an attribute change.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/PeVersion.h"

namespace quillon {

class FileSystem;
class ProgressSink;

// Labels of the dialog.
inline constexpr char kPropertiesTitle[] = "Properties";
inline constexpr char kPropertiesLocationLabel[] = "Location:";
inline constexpr char kPropertiesSizeLabel[] = "Size:";
inline constexpr char kPropertiesAttributesLabel[] = "Attributes:";
inline constexpr char kPropertiesReadOnlyLabel[] = "&Read-only";
inline constexpr char kPropertiesHiddenLabel[] = "&Hidden";
inline constexpr char kPropertiesSummaryLabel[] = "Summary:";
// Summary texts.
inline constexpr char kPropertiesCountsFormat[] = "%d Files, %d Folders";
inline constexpr char kPropertiesRecursiveNote[] =
    "\r\n\r\nThis list includes the files in the selected sub-folder(s).";

// A three-state check box: every item has the attribute, none has it, or they differ.
enum class AttributeState { kClear, kSet, kMixed };

struct FileProperties {
    std::string location;         // the pane's folder
    uint64_t totalBytes = 0;      // regular files and links (their own size), folders entered
    int files = 0;                // selected files and everything not a folder found inside folders
    int folders = 0;              // selected folders and the folders found inside them
    bool enteredFolders = false;  // a selected folder was counted recursively
    AttributeState readOnly = AttributeState::kClear;  // over the selected items themselves
    AttributeState hidden = AttributeState::kClear;    // over the selected names
    // Only for a single selected file named *.exe, *.dll or *.ocx with a version resource.
    std::optional<PeVersionInfo> version;
    // Entries that could not be examined (skipped silently by the dialog, kept for the log).
    std::vector<std::string> unreadable;
};

// Examines `names` inside `location`: sizes summed and entries counted below selected folders
// (every name but "." and ".." counts, dot-files included), without entering links. `progress`
// may be null; a Cancel there stops the count where it is.
FileProperties ComputeFileProperties(FileSystem& fs, const std::string& location,
                                     const std::vector<std::string>& names, ProgressSink* progress);

// "%s %s (%s bytes)": the size scaled to TB, GB, MB or KB above 2^40, 2^30, 2^20, 1024 bytes
// ("%.0f" when whole, else "%.2f"), then the exact count with thousands separators.
std::string PropertiesSizeText(uint64_t bytes);

// The version lines when there is a version: per translation a "(Language: ..., CodePage: ...)"
// line and the string entries present, or only the two fixed numbers without a translation
// table; lines end in CR LF, blocks are parted by an empty line. Else the counts with the recursive
// note when folders were entered.
std::string PropertiesSummaryText(const FileProperties& properties);

// Whether the dialog's hidden box can be used on this system: never on Linux, where it is the name.
inline constexpr bool kHiddenAttributeChangeable = false;

// Applies the read-only box: kSet clears every write bit, kClear gives the owner's write bit
// back, kMixed changes nothing. Selected folders are changed with everything inside them first
// (links and special files are left alone). Items that cannot be read or changed are skipped and
// counted in the return value; the paths go to `failed` when it is not null.
int ApplyReadOnly(FileSystem& fs, const std::string& location,
                  const std::vector<std::string>& names, AttributeState readOnly,
                  ProgressSink* progress, std::vector<std::string>* failed);

// The read-only state of one mode as the dialog sees it.
inline bool IsReadOnlyMode(unsigned mode) {
    return (mode & 0222) == 0;
}

}  // namespace quillon
