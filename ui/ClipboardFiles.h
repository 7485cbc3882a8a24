// The file lists that file managers put on the clipboard: "text/uri-list" (one URI a line, "#"
// comments, CR LF line ends) and GNOME's "x-special/gnome-copied-files" ("copy" or "cut" on the
// first line, then one URI a line). Only local file URIs count; names come out as the bytes the
// escapes spell, since a file name need not be UTF-8.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QMimeData;

namespace quillon {

inline constexpr const char* kMimeUriList = "text/uri-list";
inline constexpr const char* kMimeGnomeCopiedFiles = "x-special/gnome-copied-files";

// The local path of a "file:" URI (no host or "localhost"); nothing for another scheme or host, a
// relative path, a broken escape or an escaped NUL. A trailing separator goes, except for "/".
std::optional<std::string> PathFromFileUri(std::string_view uri);
std::vector<std::string> PathsFromUriList(std::string_view data);
// Nothing unless the first line is "copy" or "cut".
std::vector<std::string> PathsFromGnomeCopiedFiles(std::string_view data);

// The full paths of the clipboard's file list (the URI list, else GNOME's), empty without one.
std::vector<std::string> ClipboardFilePaths(const QMimeData* data);

}  // namespace quillon
