// The clipboard's and the drags' file lists: read from the URI list or GNOME's list, written in
// both so that file managers paste them. The text rules themselves are in base/FileUri.h.
#pragma once

#include <string>
#include <vector>

#include "base/FileUri.h"

class QMimeData;

namespace quillon {

inline constexpr const char* kMimeUriList = "text/uri-list";
inline constexpr const char* kMimeGnomeCopiedFiles = "x-special/gnome-copied-files";

// The full paths of the clipboard's file list (the URI list, else GNOME's), empty without one.
// `cut` (may be null) is set when GNOME's list says the files were cut.
std::vector<std::string> ClipboardFilePaths(const QMimeData* data, bool* cut = nullptr);

// A new file list of `paths` in both formats, its text the paths one a line.
QMimeData* MimeDataForPaths(const std::vector<std::string>& paths, bool cut);

}  // namespace quillon
