// Copying or moving a list of files and folders into one folder of a pane: the questions before
// anything is replaced, the journal around every item, and the messages of what failed. The
// core asks and tells through interfaces; it never shows anything itself.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace quillon {

struct FileOpsContext;
class Prompter;

inline constexpr const char* kLogEnterCopyTo = "Entering CopyFilesDirsTo()... with %d side";
inline constexpr const char* kLogLeaveCopyTo = "Leaving CopyFilesDirsTo()...";
inline constexpr const char* kCopyErrorCaption = "Error Copying File or Folder";
inline constexpr const char* kSameFolderFormat =
    "Cannot copy %s: The destination folder is the same as the source folder";
inline constexpr const char* kIntoItselfFormat =
    "Cannot copy %s: The destination folder is a subfolder of the source folder";
inline constexpr const char* kSameFileFormat =
    "Cannot copy %s: The source and the destination are the same file";
inline constexpr const char* kCopyFailedReason = "Copy failed...\n  Reason: ";
inline constexpr const char* kCopyFolderFailed =
    "Copy failed due to one of the following reasons:\n\t- Sharing violation\n\t- Not enough "
    "memory\n\t- No more disk space";

// What a replace dialog shows about the item in the way and the one that would replace it.
struct ReplaceQuestion {
    std::string name;
    bool folder = false;
    // More than one source in the call: the dialog offers Yes to All and Cancel too.
    bool several = false;
    uint64_t existingSize = 0;
    time_t existingTime = 0;
    uint64_t sourceSize = 0;
    time_t sourceTime = 0;
};

// Answers with mbr::kYes, kYesToAll, kNo or kCancel.
class ReplaceAsker {
  public:
    virtual ~ReplaceAsker() = default;
    virtual int AskReplace(const ReplaceQuestion& question) = 0;
};

struct CopyToResult {
    int done = 0;
    int failed = 0;
    bool cancelled = false;
};

// The name a copy into its own folder gets: "name - Copy.ext", then "name - Copy (1).ext" and on,
// the first of 100 that is free; empty when none is.
std::string FreeCopyName(FileOpsContext& ctx, const std::string& folder, const std::string& name);

// Copies (or moves) every source into `folder`, journalled as one operation on `side`.
CopyToResult CopyFilesDirsTo(FileOpsContext& ctx, Prompter& prompter, ReplaceAsker& asker, int side,
                             const std::string& folder, const std::vector<std::string>& sources,
                             bool copy);

}  // namespace quillon
