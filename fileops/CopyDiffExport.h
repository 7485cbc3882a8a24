// Copying the files that differ between two compared folders into a folder of their own, keeping
// their layout below the compared roots, so that they can be archived or handed on. The export is
// not journalled: it only ever writes below a destination that is neither compared folder, lies
// in neither and holds neither, which is checked by device and inode before anything is written.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/ComparisonOptions.h"
#include "core/FilterState.h"

namespace quillon {

struct DiffItem;
struct FileOpsContext;
class FileSystem;
class ProgressFactory;
class ProgressSink;

// Which side's files are exported: the side codes of rows and commands.
inline constexpr int kExportFromLeft = 0;
inline constexpr int kExportFromRight = 1;
inline constexpr int kExportFromBoth = 2;

// Below the destination, an export of both sides keeps each side under its own folder.
inline constexpr char kExportLeftFolder[] = "_Left";
inline constexpr char kExportRightFolder[] = "_Right";

// Texts of the export.
inline constexpr char kCopyDiffProgressText[] = "Copying the diff files...";
inline constexpr char kCopyDiffProcessingFormat[] = "Processing %s";  // the name
inline constexpr char kCopyDiffInFolderFormat[] = "\nin %s...";       // the compared folder
inline constexpr char kCopyDiffDoneFormat[] = "%d file(s) copied to %s.";
inline constexpr char kCopyDiffCancelledFormat[] =
    "Copying the diff files to %s has been cancelled.";
inline constexpr char kCopyDiffCancelledAfterFormat[] =
    "Copying the diff files to %s has been cancelled,\nafter %d file(s) were copied to %s.\n";

// The folder chooser's prompt for a side (0, 1 or 2).
const char* CopyDiffChooserPrompt(int side);

// Why a destination cannot take an export.
enum class ExportDestinationCheck {
    kOk,                // usable; it may not exist yet (it is then created)
    kIsCompared,        // it is the left or the right folder
    kInsideCompared,    // it lies inside the left or the right folder
    kContainsCompared,  // the left or the right folder lies inside it
    kNotAFolder,        // it, or a folder above it, is something else than a folder
    kUnreadable,        // a folder on its way could not be examined (errno in the text)
};

// Checks `destination` against both compared folders by (st_dev, st_ino), following the real
// parent of each folder (its "..") rather than the text of the path, so a link, a bind mount or
// a differently spelled path cannot hide that the two meet. A destination that does not exist yet
// is judged by the nearest folder above it that does. `why` (may be null) gets a one-line reason.
ExportDestinationCheck CheckExportDestination(const std::string& destination,
                                              const std::string& left, const std::string& right,
                                              std::string* why);

// What happened to one exported entry.
enum class ExportOutcome {
    kCopied,          // a regular file, copied
    kLinkRecreated,   // a symbolic link, made again as a link with the same target
    kSkippedSpecial,  // a FIFO, socket or device: never opened
    kSkippedLink,     // a folder pair with a link on a side: not entered
    kFailed,          // the copy failed (`error`)
    kUnread,          // a folder or entry of the compared trees that could not be read
};

struct ExportItemResult {
    int side = kExportFromLeft;  // 0 or 1: whose file
    std::string source;          // full path in the compared tree
    std::string destination;     // full path below the destination; empty when nothing was tried
    ExportOutcome outcome = ExportOutcome::kCopied;
    int error = 0;       // errno of kFailed / kUnread
    std::string reason;  // one line for the log and standard error; empty for a copy
};

struct CopyDiffResult {
    int copied = 0;   // files copied and links recreated: the count the user is told
    int failed = 0;   // kFailed and kUnread entries
    int skipped = 0;  // entries left out by rule (special files, folder links)
    bool cancelled = false;
    std::vector<ExportItemResult> items;  // every differing entry met and every problem, in order
};

// Exports the differing files (status Different, both sides present) of the already compared
// tree below `root`, walking depth first in tree order. Rows of other statuses are passed over.
// Files go through the safe copy (a temporary beside the target renamed over it, so a second
// export overwrites the first without a half-written file in between); missing folders are
// created. `ctx.progress`, when set, shows the processing texts and is polled for Cancel between
// entries. The destination is not checked here (see CheckExportDestination).
CopyDiffResult ExportDiffFiles(FileOpsContext& ctx, const DiffItem* root,
                               const std::string& leftRoot, const std::string& rightRoot, int side,
                               const std::string& destination);

// Where one side's file of the row lands: destination (+ "/_Left" or "/_Right" for side 2), the
// file's folder relative to that side's compared root, and the side's own spelling of the name.
std::string ExportTarget(const std::string& destination, int exportSide, int fileSide,
                         const std::string& compareRoot, const std::string& sourcePath);

// One whole export as the menu command and the command line run it: the destination checked,
// the two folders read afresh whole into a private comparison tree (with `options` and the
// display `filter`), the differing files exported, the tree freed.
struct CopyDiffRequest {
    std::string left;
    std::string right;
    std::string destination;
    int side = kExportFromBoth;
    ComparisonOptions options;
    FilterState filter;
};

enum class CopyDiffStatus {
    kDone,            // the walk ran (see the result for failures and Cancel)
    kBadDestination,  // refused by CheckExportDestination; `why` says why
    kCompareFailed,   // the folders could not be read and compared (or the read was cancelled)
};

// `readProgress` opens the progress of the comparison (null: none); `ctx.progress` is the export's.
CopyDiffStatus RunCopyDiffExport(const CopyDiffRequest& request, FileOpsContext& ctx,
                                 ProgressFactory* readProgress, CopyDiffResult& result,
                                 std::string* why);

// The closing information text: done, cancelled before any copy, or cancelled after some.
std::string CopyDiffSummaryText(const CopyDiffResult& result, const std::string& destination);

}  // namespace quillon
