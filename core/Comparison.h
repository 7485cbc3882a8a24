// The view's comparison: the tree of both folders, how it is read, expanded, collapsed and given
// its statuses. The window drives it and is told what to redraw through ComparisonObserver.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "core/ComparisonOptions.h"
#include "core/DiffItem.h"
#include "core/FilterState.h"
#include "platform/FileSystem.h"

namespace quillon {

namespace detail {
class ChecksumPipeline;
}

class ComparisonObserver;
class FolderReader;
class ProgressFactory;
struct FolderEntry;
class ProgressSink;

// Texts shown in the progress window while reading and deciding.
inline constexpr const char* kTextProcessing = "Processing";
inline constexpr const char* kTextReadingFormat = "Reading %s...";
inline constexpr const char* kTextSettingStatus = "Setting Diff status and indent values...";
inline constexpr const char* kTextSettingGui = "Setting GUI attributes...";
inline constexpr const char* kTextReadingFolders = "Reading folder(s)...";
inline constexpr const char* kTextAssignStatusFormat = "Assigning Diff status for\n%s";
inline constexpr const char* kTextAssignIndentFormat = "Assigning indent for\n%s";
inline constexpr const char* kComparisonProgressCaption = "Quillon";

// A progress window is worth showing above this many entries or bytes.
inline constexpr uint64_t kProgressEntryThreshold = 100;
inline constexpr uint64_t kProgressByteThreshold = 30000000;

// A folder that could not be listed, or an entry whose details could not be read.
struct ReadFailure {
    std::string path;
    int error;  // errno
};

// Auto-refresh is paused around every folder read; whoever owns the timer hands these in.
struct AutoRefreshHooks {
    std::function<void()> pause;
    std::function<void()> resume;
};

class Comparison {
  public:
    explicit Comparison(ComparisonObserver* observer = nullptr,
                        ProgressFactory* progressFactory = nullptr);
    ~Comparison();
    Comparison(const Comparison&) = delete;
    Comparison& operator=(const Comparison&) = delete;

    // Owned; its children are the entries of the two opened folders. Never null.
    DiffItem* rootItem;
    // Read folders recursively: filterActive and expandAll and both sides present.
    bool readWholeTrees = false;
    ComparisonOptions options;
    FilterState filter;

    int showVersions() const { return options.showVersions; }
    bool productVersion() const { return options.productVersion; }

    void SetObserver(ComparisonObserver* observer) { observer_ = observer; }
    void SetProgressFactory(ProgressFactory* factory) { progressFactory_ = factory; }
    ProgressFactory* GetProgressFactory() const { return progressFactory_; }
    // Where every read goes; the system unless a test hands in its own. Outlives the reads.
    void SetFileSystem(FileSystem& fs) { fs_ = &fs; }
    FileSystem& Fs() const { return *fs_; }
    void SetAutoRefreshHooks(AutoRefreshHooks hooks) { autoRefresh_ = std::move(hooks); }
    // The window a caller opened around ExpandFolder; null when none is up.
    void SetProgress(ProgressSink* progress) { progress_ = progress; }
    ProgressSink* Progress() const { return progress_; }

    // The two folders of the last CompareFolders.
    const std::string& LeftPath() const { return leftPath_; }
    const std::string& RightPath() const { return rightPath_; }

    // What the reads since the last CompareFolders could not read on that side, each also logged.
    // A folder that cannot be listed reads as empty; an entry whose details cannot be read is
    // shown with size 0 and no time.
    const std::vector<ReadFailure>& ReadFailures(int side) const { return readFailures_[side]; }
    // Whether the reads since the last CompareFolders met a folder that is a link on a side,
    // whose pair is then left unread: when not, no tree walk need look for such pairs.
    bool FolderLinkSeen() const { return folderLinkSeen_.load(std::memory_order_relaxed); }

    // Rebuilds the whole comparison. False (and an empty tree) when the left path is empty or
    // the user cancelled.
    bool CompareFolders(const std::string& left, const std::string& right, int progressOption);
    bool ReadBothFolders(const std::string& left, const std::string& right, DiffItem* holder,
                         int level, int progressOption);
    // Reads one side of one folder into `holder`'s children. False when cancelled or the path
    // is empty. A recursive read never descends into a folder pair with a link on either side:
    // only an expansion of that pair reads it, on both sides.
    bool ReadFolder(const std::string& path, DiffItem* holder, int level, int side,
                    uint64_t& counter, bool recurse);
    // Reads a folder item that has no children read yet, on both sides.
    bool ExpandFolder(DiffItem* item, int row, bool recurse);
    // ExpandFolder as the ENTER/double-click action runs it: counts first and opens a progress
    // window for more than 100 entries; a smaller folder is read under the factory's windowless
    // sink, since a recursive read below it can still be large.
    bool ExpandFolderWithProgress(DiffItem* item, int row, bool recurse);
    // Frees the folder's descendants at once.
    void CollapseFolder(DiffItem* item, int row);
    void RefreshHasChildren(DiffItem* item);

    // Also numbers the rows: a pair's read needs no separate pass over the whole tree.
    // `filesDecided`: a read of both trees at once has already decided every file's status.
    void AssignStatusAndIndent(DiffItem* holder, bool rightSideEmpty, bool filesDecided);
    void AssignIndent(DiffItem* folder, int level, int& counter, bool decideFiles = true);
    void DecideStatus(DiffItem* item);
    void RecomputeFileStatuses(DiffItem* folder);
    // Compares the contents of the pairs below `subtreeRoot` that will need it, several at a
    // time, and leaves each verdict in its item for DecideStatus. `pump`, when set, is called
    // between steps where no progress window is open.
    void PrefetchChecksums(DiffItem* subtreeRoot, const std::function<void()>& pump = {});

    // Whether an extension filter hides a file of this name.
    bool ExtensionFilteredOut(std::string_view name) const;

  private:
    struct ReadPool;
    // Reads one side of `item`'s folder (found to have content or not here) into its children;
    // the unit of work of a recursive read shared among threads.
    // With `held`, the folder is listed there and left open.
    bool ReadSubfolder(DiffItem* item, int level, int side, uint64_t& counter,
                       FolderReader* held = nullptr);
    // ReadFolder's recursive read of `path` by `threads` threads.
    bool ReadShared(const std::string& path, FolderReader& reader, DiffItem* holder, int level,
                    int side, uint64_t& counter, unsigned threads);
    // Starts the helpers of a recursive read by `threads` threads and decides whether the
    // calling thread reads queued folders too.
    void StartPoolHelpers(ReadPool& pool, std::vector<std::thread>& helpers, unsigned threads,
                          int side);
    // Once the caller's own listing is done (`ok` unless cancelled): helps with the queued
    // folders, or only waits where the pool leaves them to the helpers, until none is left, joins
    // the helpers and adds up what every thread read into `counter`. False when the read was
    // cancelled.
    bool FinishPool(ReadPool& pool, std::vector<std::thread>& helpers, bool ok, int side,
                    uint64_t own, uint64_t& counter);
    // Both trees read at once by `threads` threads, one folder pair per unit of work.
    bool ReadPairsShared(const std::string& left, const std::string& right, DiffItem* holder,
                         int level, uint64_t& counter, unsigned threads);
    // Reads both sides of `item`'s folder pair, then finishes it as FinishPair does.
    bool ReadPairSubfolder(DiffItem* item, int level, uint64_t& counter);
    // After both sides of `holder` are listed into `listed` (still open): compares the contents
    // of its file pairs that need it and queues its subfolder pairs.
    void FinishPair(DiffItem* holder, int level, const FolderReader (&listed)[2]);
    // Runs queued subfolder reads until none is left or the read is cancelled; kSideBoth reads
    // folder pairs.
    void WorkOnPool(int side);
    // Keeps a failure of a read (on any of its threads).
    void NoteReadFailure(int side, std::string path, int error);
    // Logs the failures of `side` from index `from` on, in path order.
    void LogReadFailures(int side, size_t from);
    // Whether the read should stop: the progress window's Cancel, seen on this thread or another.
    bool ReadCancelled();
    // ReadFolder on an opened listing whose first entries were already taken into `readAhead`.
    // `dir`, when set, is `path` as the entries will share it.
    bool ReadListing(const std::string& path, FolderReader& reader,
                     std::vector<FolderEntry>& readAhead, DiffItem* holder, int level, int side,
                     uint64_t& counter, bool recurse, SharedPath dir = {});
    // The status of a file by every rule before the content comparison; none when the contents
    // decide.
    std::optional<FileStatus> StatusBeforeChecksum(DiffItem* item);
    // A file pair that the content comparison will decide, with no special file on either side.
    bool NeedsChecksum(DiffItem* item);
    unsigned Threads() const;
    void RecomputeBelow(DiffItem* folder);
    void PauseAutoRefresh();
    void ResumeAutoRefresh();
    bool StepProgress(std::string_view name);
    void StepProgressFormat(const char* format, std::string_view name);

    ComparisonObserver* observer_;
    ProgressFactory* progressFactory_;
    FileSystem* fs_ = &RealFileSystem();
    ProgressSink* progress_ = nullptr;
    uint64_t progressPos_ = 0;
    AutoRefreshHooks autoRefresh_;
    // Live while a whole right tree is read.
    std::unique_ptr<detail::ChecksumPipeline> pipeline_;
    // Live during a recursive read: its subfolders are read by several threads.
    ReadPool* pool_ = nullptr;
    // While both trees are read at once, a listing leaves its subfolders and contents to
    // FinishPair.
    bool pairRead_ = false;
    std::string leftPath_;
    std::string rightPath_;
    std::vector<ReadFailure> readFailures_[2];
    std::atomic<bool> folderLinkSeen_{false};
};

}  // namespace quillon
