// Path text rules shared by every module. Paths are the bytes the file system uses (normally
// UTF-8); folder paths are kept without a trailing separator, except the root "/" itself.
#pragma once

#include <string>
#include <string_view>

namespace quillon {

inline constexpr char kPathSep = '/';

// "dir" + separator + "name"; the root does not get a second separator.
std::string JoinPath(std::string_view dir, std::string_view name);

// Removes one trailing separator; "/" stays "/".
std::string StripOneTrailingSeparator(std::string_view path);

// True for the file-system root, the one folder whose ".." leads nowhere.
bool IsRootPath(std::string_view path);

// Last component of a path ("" for the root).
std::string_view BaseName(std::string_view path);

// Everything before the last separator ("/" for a top-level entry).
std::string_view DirName(std::string_view path);

// `path` made absolute against the absolute folder `base` (ignored when `path` already is), with
// empty and "." components dropped and ".." taking back one component, as text: links are not
// resolved, so "link/.." is the folder holding the link. ".." of the root is the root. An empty
// path stays empty.
std::string AbsolutePath(std::string_view base, std::string_view path);

}  // namespace quillon
