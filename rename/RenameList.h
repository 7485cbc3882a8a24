// The item list of the stand-alone rename: path arguments kept apart (';' is legal in a name).
#pragma once

#include <string>
#include <vector>

#include "rename/RenameRules.h"

namespace quillon {

class FileSystem;

// The entries of the stand-alone pages for absolute `paths`, in the order they show: one path
// naming a folder gives the entries directly inside it that are not folders (nothing below is
// entered); otherwise every path is one entry, split into folder and name. Sorted by full path
// with A-Z folded. Every entry counts as a file. `error` receives the errno when the one folder
// cannot be listed (the list is then empty).
std::vector<RenameEntry> StandAloneList(FileSystem& fs, const std::vector<std::string>& paths,
                                        int* error = nullptr);

}  // namespace quillon
