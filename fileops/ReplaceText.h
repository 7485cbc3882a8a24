// What the three replace dialogs show, decided without a window: title, buttons and lines, with
// " (larger)" and " (newer)" on the side that is.
#pragma once

#include <string>
#include <vector>

#include "fileops/CopyFilesDirsTo.h"

namespace quillon {

inline constexpr const char* kFileReplaceTitle = "Confirm File Replace";
inline constexpr const char* kFolderReplaceTitle = "Confirm Folder Replace";
inline constexpr const char* kReplaceYes = "&Yes";
inline constexpr const char* kReplaceYesToAll = "Yes to &All";
inline constexpr const char* kReplaceNo = "&No";
inline constexpr const char* kReplaceCancel = "Cancel";
inline constexpr const char* kReplaceFolderText =
    "If the files in the existing folder have the same name as files in the folder you are moving "
    "or copying, they will be replaced. Do you still want to move or copy the folder?";
// Modification times this close count as equal: neither is marked newer.
inline constexpr time_t kNewerSlackSeconds = 5;

struct ReplaceButton {
    const char* label;
    int result;  // mbr::kYes, kYesToAll, kNo or kCancel
};

struct ReplaceText {
    std::string title;
    std::vector<ReplaceButton> buttons;
    // What closing the dialog without a button answers.
    int closeResult = 0;
    std::vector<std::string> lines;
};

ReplaceText MakeReplaceText(const ReplaceQuestion& question);

}  // namespace quillon
