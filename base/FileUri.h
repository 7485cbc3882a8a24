// File lists as file managers exchange them: "text/uri-list" (one URI a line, "#" comments, CR LF
// line ends) and GNOME's "x-special/gnome-copied-files" ("copy" or "cut" on the first line, then
// one URI a line). A URI spells the path's bytes, each byte outside the unreserved set as a %XX
// escape, so that a name which is not UTF-8, or holds blanks, "#", "%" or a line break, comes back
// as it was.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

// The local path of a "file:" URI (no host or "localhost"); nothing for another scheme or host, a
// relative path, a broken escape or an escaped NUL. A trailing separator goes, except for "/".
std::optional<std::string> PathFromFileUri(std::string_view uri);
std::vector<std::string> PathsFromUriList(std::string_view data);
// Nothing unless the first line is "copy" or "cut"; `cut` (may be null) tells which.
std::vector<std::string> PathsFromGnomeCopiedFiles(std::string_view data, bool* cut = nullptr);

// "file://" and the absolute `path` with every byte but A-Z a-z 0-9 - . _ ~ / escaped.
std::string FileUriFromPath(std::string_view path);
// One URI a line, each line ended by CR LF.
std::string UriListFromPaths(const std::vector<std::string>& paths);
// "copy" or "cut", then one URI a line, without a line break after the last.
std::string GnomeCopiedFilesFromPaths(const std::vector<std::string>& paths, bool cut);

}  // namespace quillon
