#include "core/Comparison.h"

#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "base/AsciiCase.h"
#include "base/PathUtil.h"
#include "core/ComparisonObserver.h"
#include "core/DiffStatusDetail.h"
#include "core/FolderScan.h"
#include "core/Threads.h"
#include "platform/FileText.h"
#include "platform/Log.h"
#include "platform/ProgressSink.h"

namespace quillon {

namespace {

std::string FormatWith(const char* format, std::string_view arg) {
    std::string text(format);
    const size_t at = text.find("%s");
    if (at != std::string::npos) {
        text.replace(at, 2, arg);
    }
    return text;
}

// Counts what a read would show, for the progress decision only: no file needs a stat, which on
// a tree out of the cache costs a disk read each before anything can be shown. `perFolder` runs
// after each folder is listed: counting a whole tree takes seconds.
void CountEntries(FileSystem& fs, const std::string& path, bool recurse, uint64_t& count,
                  const std::function<void()>& perFolder = {}) {
    std::vector<std::string> pending{path};
    while (!pending.empty()) {
        const std::string folder = std::move(pending.back());
        pending.pop_back();
        FolderReader reader(folder, fs);
        FolderEntry entry;
        while (reader.Next(entry, false)) {
            if (!entry.isFolder) {
                if (!IsSkippedContentFileName(entry.name)) {
                    ++count;
                }
            } else if (entry.name[0] != '.') {
                ++count;
                if (recurse && !(entry.flags & FolderEntry::kLink)) {
                    pending.push_back(JoinPath(folder, entry.name));
                }
            }
        }
        if (perFolder) {
            perFolder();
        }
    }
}

// CountEntries, and the bytes too while the count stays small enough for them to matter.
uint64_t CountForProgress(FileSystem& fs, const std::string& path, bool recurse, uint64_t& count,
                          const std::function<void()>& perFolder) {
    CountEntries(fs, path, recurse, count, perFolder);
    if (count > kProgressEntryThreshold) {
        return 0;
    }
    uint64_t exact = 0;
    return FolderSizeAndCount(path, exact, recurse, true, fs);
}

// Content comparisons between two reports of a calling thread that reads folder pairs.
constexpr size_t kPairsPerReport = 8;

// Pairs whose contents are compared together; bounds the memory the pass holds.
constexpr size_t kChecksumChunk = 8192;
constexpr size_t kChecksumParallelMin = 32;

// Glibc keeps freed small blocks in its own lists; a collapse of a large folder should give the
// memory back to the system right away.
constexpr uint64_t kTrimAfterItems = 10000;

uint64_t CountDescendants(const DiffItem* item) {
    uint64_t n = 0;
    for (const DiffItem* c = item->firstChild; c; c = c->next) {
        n += 1 + CountDescendants(c);
    }
    return n;
}

}  // namespace

Comparison::Comparison(ComparisonObserver* observer, ProgressFactory* progressFactory)
    : rootItem(NewDiffItem()), observer_(observer), progressFactory_(progressFactory) {}

Comparison::~Comparison() {
    delete rootItem;
}

void Comparison::PauseAutoRefresh() {
    if (autoRefresh_.pause) {
        autoRefresh_.pause();
    }
}

void Comparison::ResumeAutoRefresh() {
    if (autoRefresh_.resume) {
        autoRefresh_.resume();
    }
}

bool Comparison::StepProgress(std::string_view name) {
    if (!progress_) {
        return false;
    }
    std::string text(kTextProcessing);
    text.push_back('\n');
    text.append(name);
    return progress_->Update(text, ++progressPos_);
}

void Comparison::StepProgressFormat(const char* format, std::string_view name) {
    if (progress_) {
        progress_->Update(FormatWith(format, name), ++progressPos_);
    }
}

bool Comparison::ExtensionFilteredOut(std::string_view name) const {
    if (!filter.filterActive || (filter.filterFlags & FilterState::kNoExtensionFilter)) {
        return false;
    }
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) {
        return false;
    }
    std::string key = ";";
    key += FoldAscii(name.substr(dot + 1));
    key.push_back(';');
    const bool listed = filter.filterExtensions.find(key) != std::string::npos;
    return (filter.filterFlags & FilterState::kInclusion) ? !listed : listed;
}

bool Comparison::CompareFolders(const std::string& left, const std::string& right,
                                int progressOption) {
    if (observer_) {
        observer_->SetWaitCursor(true);
        observer_->BeginBatchUpdate();
        observer_->ClearList();
    }
    FreeChildren(rootItem);
    for (std::vector<ReadFailure>& failures : readFailures_) {
        failures.clear();
    }
    folderLinkSeen_ = false;
    leftPath_ = left;
    rightPath_ = right;
    const bool ok = ReadBothFolders(left, right, rootItem, 0, progressOption);
    if (ok) {
        if (observer_) {
            observer_->FillListFromTree();
            observer_->ShowStatusPaths(left, right);
        }
    }
    if (observer_) {
        observer_->EndBatchUpdate();
        observer_->SetWaitCursor(false);
    }
    return ok;
}

bool Comparison::ReadBothFolders(const std::string& left, const std::string& right,
                                 DiffItem* holder, int level, int /*progressOption*/) {
    if (observer_) {
        observer_->DisarmEscExit();
    }
    if (left.empty()) {
        return false;
    }
    PauseAutoRefresh();
    const unsigned threads = Threads();
    const bool pairs = readWholeTrees && !right.empty() && threads >= 2 && pool_ == nullptr;
    std::unique_ptr<ProgressSink> window;
    ProgressSink* const outerProgress = progress_;
    if (progressFactory_) {
        uint64_t count = 0;
        // No window shows before the count ends, so the event loop turns under a windowless
        // sink while a whole tree is counted.
        std::unique_ptr<ProgressSink> pump = progressFactory_->OpenWindowless();
        uint64_t bytes = 0;
        // A listing on a cold disk can take longer than a user waits for a window to answer,
        // so the count runs beside the event loop.
        std::function<void()> tick;
        if (pump) {
            tick = [&pump] { pump->Update({}, 0); };
        }
        RunBesideTicks(
            [&](const std::function<void()>& perFolder) {
                bytes = CountForProgress(*fs_, left, readWholeTrees, count, perFolder);
            },
            tick);
        pump.reset();
        if (count > kProgressEntryThreshold || bytes > kProgressByteThreshold) {
            window = progressFactory_->Open(kComparisonProgressCaption);
        }
        if (window) {
            window->SetRange(2 * count, FormatWith(kTextReadingFormat, left), true);
            progress_ = window.get();
            progressPos_ = 0;
        }
    }
    bool ok = true;
    uint64_t counter = 0;
    if (pairs) {
        ok = ReadPairsShared(left, right, holder, level, counter, threads);
    } else if (!ReadFolder(left, holder, level, kSideLeft, counter, readWholeTrees)) {
        ok = false;
    }
    if (ok && !pairs && !right.empty()) {
        if (progress_) {
            progress_->SetText(FormatWith(kTextReadingFormat, right));
        }
        // Pairs are complete as soon as a right folder is read: their contents are compared on
        // other threads while the rest of the right tree is read.
        if (readWholeTrees && options.crc32 != ComparisonOptions::kChecksumNone) {
            pipeline_ = std::make_unique<detail::ChecksumPipeline>(
                Fs(), options.crc32 == ComparisonOptions::kChecksumSimple, Threads() - 1);
        }
        if (!ReadFolder(right, holder, level, kSideRight, counter, readWholeTrees)) {
            ok = false;
        }
        if (pipeline_) {
            if (ok) {
                // The helpers may be far behind the listing; a window keeps turning meanwhile.
                std::function<void()> tick;
                if (progress_) {
                    tick = [this] { progress_->Update(kTextProcessing, progressPos_); };
                }
                pipeline_->Finish(tick);
            } else {
                pipeline_->Abandon();
            }
            pipeline_.reset();
        }
    }
    if (ok) {
        if (progress_) {
            progress_->SetText(kTextSettingStatus);
        }
        AssignStatusAndIndent(holder, right.empty(), pairs);
    } else {
        FreeChildren(holder);
    }
    if (window) {
        window->Hide();
        window.reset();
    }
    progress_ = outerProgress;
    ResumeAutoRefresh();
    return ok;
}

// The subfolders still to be read in a recursive read, shared by the calling thread and its
// helpers. Subtrees are disjoint, so each is read by one thread without locking; only the queue,
// the checksum pipeline and the counts are shared.
struct Comparison::ReadPool {
    struct Task {
        DiffItem* item;
        int level;
    };
    std::mutex mutex;
    std::condition_variable changed;
    // A calling thread that only coordinates waits here, for the end of the read or a cancel:
    // woken at every task, it would switch in and out tens of thousands of times a second.
    std::condition_variable over;
    std::vector<Task> tasks;
    // Threads inside a read, the caller's first listing included: none and no task means done.
    int active = 1;
    // Whether the calling thread takes queued folders too; a window's thread only keeps the
    // window turning, unless no helper could be started.
    bool callerReads = true;
    std::atomic<bool> cancelled{false};
    // Entries the helpers read, for the caller's progress count.
    std::atomic<uint64_t> helperEntries{0};
    std::atomic<uint64_t> counter{0};
    std::mutex pipelineMutex;
    std::mutex failureMutex;
    std::thread::id caller = std::this_thread::get_id();

    bool OnCaller() const { return std::this_thread::get_id() == caller; }
    void Push(const std::vector<Task>& more) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            // Reversed, so that the first subfolder is taken first: the read keeps its order
            // where one thread reads alone.
            tasks.insert(tasks.end(), more.rbegin(), more.rend());
        }
        changed.notify_all();
    }
};

bool Comparison::ReadFolder(const std::string& path, DiffItem* holder, int level, int side,
                            uint64_t& counter, bool recurse) {
    if (path.empty()) {
        return false;
    }
    const size_t knownFailures = readFailures_[side].size();
    FolderReader reader(path, *fs_);
    const unsigned threads = Threads();
    bool ok;
    if (!recurse || pool_ != nullptr || threads < 2) {
        std::vector<FolderEntry> none;
        ok = ReadListing(path, reader, none, holder, level, side, counter, recurse);
    } else {
        ok = ReadShared(path, reader, holder, level, side, counter, threads);
    }
    LogReadFailures(side, knownFailures);
    return ok;
}

void Comparison::NoteReadFailure(int side, std::string path, int error) {
    std::unique_lock<std::mutex> lock;
    if (pool_ != nullptr) {
        lock = std::unique_lock<std::mutex>(pool_->failureMutex);
    }
    readFailures_[side].push_back({std::move(path), error});
}

void Comparison::LogReadFailures(int side, size_t from) {
    std::vector<ReadFailure>& failures = readFailures_[side];
    // Threads finish in any order; the log and the callers see the tree's order.
    std::sort(failures.begin() + static_cast<ptrdiff_t>(from), failures.end(),
              [](const ReadFailure& a, const ReadFailure& b) { return a.path < b.path; });
    for (size_t i = from; i < failures.size(); ++i) {
        LogError(failures[i].error, "Cannot read %s", failures[i].path.c_str());
    }
}

bool Comparison::ReadShared(const std::string& path, FolderReader& reader, DiffItem* holder,
                            int level, int side, uint64_t& counter, unsigned threads) {
    // Listing is mostly system calls, and subtrees need no coordination.
    ReadPool pool;
    pool_ = &pool;
    std::vector<std::thread> helpers;
    StartPoolHelpers(pool, helpers, threads, side);
    std::vector<FolderEntry> none;
    uint64_t own = 0;
    const bool ok = ReadListing(path, reader, none, holder, level, side, own, true);
    return FinishPool(pool, helpers, ok, side, own, counter);
}

void Comparison::StartPoolHelpers(ReadPool& pool, std::vector<std::thread>& helpers,
                                  unsigned threads, int side) {
    // On a cold disk one folder's listing, or the heads of a few of its files, can take longer
    // than a user waits for a window to answer: the window's thread reads only the top pair,
    // and another thread reads in its place.
    const bool window = progress_ != nullptr;
    const unsigned started =
        StartThreads(helpers, window ? threads : threads - 1, [this, side] { WorkOnPool(side); });
    pool.callerReads = !window || started == 0;
}

bool Comparison::FinishPool(ReadPool& pool, std::vector<std::thread>& helpers, bool ok, int side,
                            uint64_t own, uint64_t& counter) {
    {
        std::lock_guard<std::mutex> lock(pool.mutex);
        --pool.active;
        if (!ok) {
            pool.cancelled = true;
        }
    }
    pool.changed.notify_all();
    WorkOnPool(side);
    for (std::thread& helper : helpers) {
        helper.join();
    }
    // What the helpers read after the caller's last update still moves the bar.
    if (progress_) {
        progressPos_ += pool.helperEntries.exchange(0);
    }
    counter += own + pool.counter.load();
    pool_ = nullptr;
    return !pool.cancelled;
}

// A thread lists the two folders of a pair one after the other and compares the contents of its
// files right away, while the kernel still has at hand what the listings just looked up. Read one
// tree after the other, every left file would be looked up again long after it was listed, at
// about a sixth more system time.
bool Comparison::ReadPairsShared(const std::string& left, const std::string& right,
                                 DiffItem* holder, int level, uint64_t& counter, unsigned threads) {
    const size_t knownFailures[2] = {readFailures_[kSideLeft].size(),
                                     readFailures_[kSideRight].size()};
    ReadPool pool;
    pool_ = &pool;
    pairRead_ = true;
    std::vector<std::thread> helpers;
    StartPoolHelpers(pool, helpers, threads, kSideBoth);
    uint64_t own = 0;
    bool ok = true;
    {
        FolderReader readers[2] = {FolderReader(*fs_), FolderReader(*fs_)};
        for (int side = 0; side < 2 && ok; ++side) {
            const std::string& path = side == kSideLeft ? left : right;
            if (side == kSideRight && progress_) {
                progress_->SetText(FormatWith(kTextReadingFormat, right));
            }
            readers[side].Open(path);
            std::vector<FolderEntry> none;
            ok = ReadListing(path, readers[side], none, holder, level, side, own, true);
        }
        if (ok) {
            FinishPair(holder, level, readers);
        }
    }
    ok = FinishPool(pool, helpers, ok, kSideBoth, own, counter);
    pairRead_ = false;
    LogReadFailures(kSideLeft, knownFailures[kSideLeft]);
    LogReadFailures(kSideRight, knownFailures[kSideRight]);
    return ok;
}

bool Comparison::ReadPairSubfolder(DiffItem* item, int level, uint64_t& counter) {
    FolderReader readers[2] = {FolderReader(*fs_), FolderReader(*fs_)};
    for (int side = 0; side < 2; ++side) {
        if (item->Has(side) && !ReadSubfolder(item, level, side, counter, &readers[side])) {
            return false;
        }
    }
    FinishPair(item, level, readers);
    return true;
}

void Comparison::FinishPair(DiffItem* holder, int level, const FolderReader (&listed)[2]) {
    // The files' statuses are decided here, while their entries are fresh in the caches, and on
    // every reading thread: the status pass after the read then leaves files alone.
    std::vector<DiffItem*> files;
    for (DiffItem* c = holder->firstChild; c; c = c->next) {
        if (!c->isFile || c->IsDotDot()) {
            continue;
        }
        if (options.crc32 != ComparisonOptions::kChecksumNone && NeedsChecksum(c)) {
            files.push_back(c);
        } else {
            DecideStatus(c);
        }
    }
    if (!files.empty()) {
        std::vector<uint8_t> verdicts(files.size());
        const int dirFds[2] = {listed[kSideLeft].Fd(), listed[kSideRight].Fd()};
        // The calling thread may be a window's: it reports between a few comparisons, which on
        // a slow disk take milliseconds each.
        const bool reports = progress_ != nullptr && pool_->OnCaller();
        const size_t slice = reports ? kPairsPerReport : files.size();
        for (size_t from = 0; from < files.size(); from += slice) {
            const size_t count = std::min(slice, files.size() - from);
            detail::ComputeFolderVerdicts(Fs(), files.data() + from, count,
                                          options.crc32 == ComparisonOptions::kChecksumSimple,
                                          dirFds, verdicts.data() + from);
            if (reports) {
                progressPos_ += pool_->helperEntries.exchange(0, std::memory_order_relaxed);
                progress_->Update(kTextProcessing, progressPos_);
            }
        }
        for (size_t i = 0; i < files.size(); ++i) {
            files[i]->checksumVerdict = verdicts[i];
            DecideStatus(files[i]);
        }
    }
    std::vector<ReadPool::Task> subfolders;
    for (DiffItem* c = holder->firstChild; c; c = c->next) {
        if (c->isFile || c->IsDotDot()) {
            continue;
        }
        if ((c->sideFlags[kSideLeft] | c->sideFlags[kSideRight]) & DiffItem::kFlagLink) {
            folderLinkSeen_.store(true, std::memory_order_relaxed);
            // A link may loop, so neither side of the pair is read; a side that is no link
            // still shows whether it has content. A link's own side learnt that when listed.
            for (int side = 0; side < 2; ++side) {
                if (c->Has(side) && !(c->sideFlags[side] & DiffItem::kFlagLink)) {
                    c->hasChildren[side] = FolderHasContent(c->FullPath(side), *fs_);
                }
            }
            AssignIcons(c);
            continue;
        }
        subfolders.push_back({c, level + 1});
    }
    if (!subfolders.empty()) {
        pool_->Push(subfolders);
    }
}

void Comparison::WorkOnPool(int side) {
    ReadPool& pool = *pool_;
    const bool caller = pool.OnCaller();
    uint64_t local = 0;
    for (;;) {
        ReadPool::Task task{};
        {
            std::unique_lock<std::mutex> lock(pool.mutex);
            for (;;) {
                if (pool.cancelled || (pool.tasks.empty() && pool.active == 0)) {
                    lock.unlock();
                    pool.changed.notify_all();
                    pool.over.notify_all();
                    pool.counter += local;
                    return;
                }
                if (!pool.tasks.empty() && (!caller || pool.callerReads)) {
                    break;
                }
                if (!caller) {
                    pool.changed.wait(lock);
                    continue;
                }
                // The caller keeps a progress window painted and its Cancel heard while the
                // helpers finish large folders.
                (pool.callerReads ? pool.changed : pool.over)
                    .wait_for(lock, std::chrono::milliseconds(kTickMs));
                lock.unlock();
                if (progress_) {
                    progressPos_ += pool.helperEntries.exchange(0);
                    progress_->Update(kTextProcessing, progressPos_);
                }
                ReadCancelled();
                lock.lock();
            }
            task = pool.tasks.back();
            pool.tasks.pop_back();
            ++pool.active;
        }
        const bool done = side == kSideBoth ? ReadPairSubfolder(task.item, task.level, local)
                                            : ReadSubfolder(task.item, task.level, side, local);
        {
            std::lock_guard<std::mutex> lock(pool.mutex);
            --pool.active;
            if (!done) {
                pool.cancelled = true;
            }
        }
        pool.changed.notify_all();
    }
}

bool Comparison::ReadCancelled() {
    if (pool_ != nullptr && !pool_->OnCaller()) {
        return pool_->cancelled;
    }
    if (progress_ && progress_->Cancelled()) {
        if (pool_ != nullptr) {
            pool_->cancelled = true;
        }
        return true;
    }
    return pool_ != nullptr && pool_->cancelled;
}

bool Comparison::ReadSubfolder(DiffItem* item, int level, int side, uint64_t& counter,
                               FolderReader* held) {
    SharedPath subDir = SharedPath::Join(item->DirRef(side), item->Name(side));
    const std::string sub = subDir.Text();
    FolderReader own(*fs_);
    FolderReader& child = held != nullptr ? *held : own;
    child.Open(sub);
    std::vector<FolderEntry> ahead;
    FolderEntry entry;
    bool content = false;
    while (child.Next(entry, true)) {
        content = IsContentEntry(entry);
        ahead.push_back(std::move(entry));
        if (content) {
            break;
        }
    }
    if (!content && child.Error() != 0) {
        NoteReadFailure(side, sub, child.Error());
    }
    item->hasChildren[side] = content;
    item->expanded[side] = content;
    AssignIcons(item);
    return !content ||
           ReadListing(sub, child, ahead, item, level, side, counter, true, std::move(subDir));
}

bool Comparison::ReadListing(const std::string& path, FolderReader& reader,
                             std::vector<FolderEntry>& readAhead, DiffItem* holder, int level,
                             int side, uint64_t& counter, bool recurse, SharedPath dir) {
    bool topLevel = holder->parent == nullptr;
    if (dir.Empty()) {
        dir = SharedPath(path);
    }
    std::vector<DiffItem*> batch;
    auto addDotDot = [&] {
        DiffItem* item = NewDiffItem();
        item->SetStatus(FolderOnlyOn(side));
        item->level = level;
        item->SetDir(side, dir);
        item->name = "..";
        batch.push_back(item);
    };
    if (topLevel && IsRootPath(path)) {
        addDotDot();
        topLevel = false;
    }
    size_t aheadUsed = 0;
    auto next = [&](FolderEntry& entry) {
        if (aheadUsed < readAhead.size()) {
            entry = std::move(readAhead[aheadUsed++]);
            return true;
        }
        return reader.Next(entry, true);
    };
    bool cancelled = false;
    FolderEntry entry;
    const bool helper = pool_ != nullptr && !pool_->OnCaller();
    while (next(entry)) {
        if (helper) {
            pool_->helperEntries.fetch_add(1, std::memory_order_relaxed);
        } else {
            if (pool_ != nullptr && progress_) {
                progressPos_ += pool_->helperEntries.exchange(0, std::memory_order_relaxed);
            }
            StepProgress(entry.name);
        }
        if (entry.error != 0) {
            NoteReadFailure(side, JoinPath(path, entry.name), entry.error);
        }
        if (entry.isFolder) {
            if (entry.name == "..") {
                if (topLevel) {
                    addDotDot();
                    topLevel = false;
                }
            } else if (!IsUndoBackupName(entry.name)) {
                ++counter;
                DiffItem* item = NewDiffItem();
                item->SetStatus(FolderOnlyOn(side));
                item->level = level + 1;
                item->SetDir(side, dir);
                item->name = entry.name;
                item->sideFlags[side] = entry.flags;
                // A link to a folder is shown but never read automatically: it may loop. A
                // folder that will be read learns whether it has content from that one listing.
                if (!recurse || (entry.flags & FolderEntry::kLink)) {
                    item->hasChildren[side] = FolderHasContent(JoinPath(path, entry.name), *fs_);
                }
                batch.push_back(item);
            }
        } else if (!IsUndoBackupName(entry.name) && !ExtensionFilteredOut(entry.name)) {
            ++counter;
            DiffItem* item = NewDiffItem();
            item->isFile = 1;
            item->SetStatus(FileOnlyOn(side));
            item->level = level + 1;
            item->SetDir(side, dir);
            item->name = entry.name;
            item->sideFlags[side] = entry.flags;
            item->size[side] = entry.size;
            item->mtime[side] =
                (entry.flags & FolderEntry::kDangling) ? DiffItem::kNoTime : entry.mtime;
            if (options.showVersions == 1 && !(entry.flags & FolderEntry::kSpecial)) {
                item->SetVersionFromText(
                    side, FormatVersionText(JoinPath(path, entry.name), options.productVersion));
            }
            batch.push_back(item);
        }
        if (ReadCancelled()) {
            cancelled = true;
            break;
        }
    }
    // Deep trees would otherwise hold one descriptor per level. A pair's two listings stay open
    // until its files are opened relative to them.
    if (!pairRead_) {
        reader.Close();
    }
    if (cancelled) {
        for (DiffItem* item : batch) {
            delete item;
        }
        return false;
    }
    if (reader.Error() != 0) {
        NoteReadFailure(side, path, reader.Error());
    }
    const std::vector<DiffItem*> placed = InsertOrMergeSorted(std::move(batch), holder);
    if (pairRead_) {
        return true;
    }
    if (pipeline_ && side == kSideRight) {
        std::unique_lock<std::mutex> lock;
        if (pool_ != nullptr) {
            lock = std::unique_lock<std::mutex>(pool_->pipelineMutex);
        }
        for (DiffItem* item : placed) {
            if (NeedsChecksum(item)) {
                pipeline_->Add(item);
            }
        }
    }
    if (!recurse) {
        for (DiffItem* item : placed) {
            AssignIcons(item);
        }
        return true;
    }
    std::vector<ReadPool::Task> subfolders;
    for (DiffItem* item : placed) {
        if (item->isFile || item->IsDotDot()) {
            AssignIcons(item);
            continue;
        }
        if ((item->sideFlags[kSideLeft] | item->sideFlags[kSideRight]) & DiffItem::kFlagLink) {
            folderLinkSeen_.store(true, std::memory_order_relaxed);
            // A link may loop, so it is not read unasked; and a pair read on one side only
            // would show that side's entries as one-sided. The side read before the link was
            // seen is dropped again.
            FreeChildren(item);
            item->expanded[kSideLeft] = item->expanded[kSideRight] = false;
            if (!(item->sideFlags[side] & DiffItem::kFlagLink)) {
                item->hasChildren[side] = FolderHasContent(item->FullPath(side), *fs_);
            }
            AssignIcons(item);
            continue;
        }
        if (pool_ != nullptr) {
            subfolders.push_back({item, level + 1});
        } else if (!ReadSubfolder(item, level + 1, side, counter)) {
            return false;
        }
    }
    if (!subfolders.empty()) {
        pool_->Push(subfolders);
    }
    return true;
}

bool Comparison::ExpandFolder(DiffItem* item, int row, bool recurse) {
    PauseAutoRefresh();
    bool ok = true;
    uint64_t counter = 0;
    for (int side = 0; side < 2 && ok; ++side) {
        if (!item->Has(side)) {
            continue;
        }
        const std::string folder = item->FullPath(side);
        if (side == kSideRight && progress_) {
            progress_->SetText(FormatWith(kTextReadingFormat, folder));
        }
        const uint64_t before = counter;
        if (!ReadFolder(folder, item, item->level, side, counter, recurse)) {
            FreeChildren(item);
            for (int s = 0; s < 2; ++s) {
                item->expanded[s] = false;
            }
            AssignIcons(item);
            ok = false;
            break;
        }
        const bool found = counter != before;
        if (!found) {
            item->hasChildren[side] = false;
        }
        item->expanded[side] = found;
        item->SetImage(side, found ? kIconFolderOpen : kIconFolderClosed);
    }
    if (ok && counter > 0) {
        if (progress_) {
            progress_->SetText(kTextSettingStatus);
        }
        AssignStatusAndIndent(item, false, false);
        if (progress_) {
            progress_->SetText(kTextSettingGui);
        }
        if (observer_) {
            observer_->InsertChildRows(item, row);
        }
    }
    ResumeAutoRefresh();
    return ok;
}

bool Comparison::ExpandFolderWithProgress(DiffItem* item, int row, bool recurse) {
    std::unique_ptr<ProgressSink> window;
    ProgressSink* const outerProgress = progress_;
    if (progressFactory_) {
        const int side = item->Has(kSideLeft) ? kSideLeft : kSideRight;
        uint64_t count = 0;
        CountEntries(*fs_, item->FullPath(side), false, count);
        window = count > kProgressEntryThreshold
                     ? progressFactory_->Open(kComparisonProgressCaption)
                     : progressFactory_->OpenWindowless();
        if (window) {
            window->SetRange(2 * count, kTextReadingFolders, true);
            progress_ = window.get();
            progressPos_ = 0;
        }
    }
    const bool ok = ExpandFolder(item, row, recurse);
    if (window) {
        window->Hide();
    }
    progress_ = outerProgress;
    return ok;
}

void Comparison::CollapseFolder(DiffItem* item, int row) {
    if (observer_) {
        observer_->DeleteDescendantRows(item, row);
    }
    const bool large = CountDescendants(item) >= kTrimAfterItems;
    FreeChildren(item);
    if (large) {
        malloc_trim(0);
    }
    for (int side = 0; side < 2; ++side) {
        if (item->hasChildren[side]) {
            item->expanded[side] = false;
            item->SetImage(side, kIconFolderClosed);
        }
    }
    if (item->parent && item->parent->parent) {
        RefreshHasChildren(item->parent);
    }
    RenumberRowsAfter(item, item->row + 1);
    if (observer_) {
        observer_->ReselectRow(item, row);
    }
    Log("CollapseEx for %s", item->name.c_str());
}

void Comparison::RefreshHasChildren(DiffItem* item) {
    if (!item->parent) {
        return;
    }
    for (int side = 0; side < 2; ++side) {
        item->hasChildren[side] = item->Has(side) && FolderHasContent(item->FullPath(side), *fs_);
        if (!item->hasChildren[side]) {
            item->expanded[side] = false;
            if (item->Image(side) == kIconFolderOpen) {
                item->SetImage(side, kIconFolderClosed);
            }
        }
    }
}

void Comparison::AssignStatusAndIndent(DiffItem* holder, bool rightSideEmpty, bool filesDecided) {
    if (rightSideEmpty && !filter.filterActive) {
        for (DiffItem* c = holder->firstChild; c; c = c->next) {
            StepProgressFormat(kTextAssignStatusFormat, c->name);
            if (c->isFile) {
                c->SetStatus(StatusLeftOnly);
            } else {
                c->SetStatus(FolderLeftOnly);
            }
            AssignIcons(c);
        }
        RenumberRows(holder);
        return;
    }
    // The ".." row has level 0, so the entries of the opened folders start at 1.
    const int startLevel = holder->parent ? holder->level + 1 : 1;
    int counter = holder->parent ? holder->row + 1 : 0;
    if (!filesDecided) {
        PrefetchChecksums(holder);
    }
    AssignIndent(holder, startLevel, counter, !filesDecided);
    // The rows before the holder keep their numbers; only those after its new rows move.
    if (holder->parent) {
        RenumberRowsAfter(holder, counter);
    }
}

void Comparison::AssignIndent(DiffItem* folder, int level, int& counter, bool decideFiles) {
    DiffItem* c = folder->firstChild;
    while (c) {
        StepProgressFormat(kTextAssignIndentFormat, c->name);
        c->level = c->name == ".." ? 0 : level;
        c->row = counter;
        if (decideFiles || !c->isFile) {
            DecideStatus(c);
        }
        if (filter.filterActive && c->isFile) {
            bool remove = false;
            if (filter.filterFlags & FilterState::kDiffersOnBothSides) {
                remove = c->FileState() != StatusDifferent;
            } else if (filter.filterFlags & FilterState::kDiffersAnyWay) {
                remove = c->FileState() == StatusSame;
            }
            if (remove) {
                c = RemoveItem(c);
                continue;
            }
        }
        ++counter;
        if (c->firstChild) {
            AssignIndent(c, level + 1, counter, decideFiles);
        }
        c = c->next;
    }
}

std::optional<FileStatus> Comparison::StatusBeforeChecksum(DiffItem* item) {
    if (!item->Has(kSideRight)) {
        return StatusLeftOnly;
    }
    if (!item->Has(kSideLeft)) {
        return StatusRightOnly;
    }
    if (options.showVersions == 1) {
        for (int side = 0; side < 2; ++side) {
            if (item->GetVersionState(side) != VersionState::kNotRead || item->name.empty()) {
                continue;
            }
            if (item->sideFlags[side] & DiffItem::kFlagSpecial) {
                item->SetVersion(side, VersionState::kNone);
            } else {
                item->SetVersionFromText(
                    side, FormatVersionText(item->FullPath(side), options.productVersion));
            }
        }
    }
    const bool leftVersion = item->GetVersionState(kSideLeft) != VersionState::kNone;
    const bool rightVersion = item->GetVersionState(kSideRight) != VersionState::kNone;
    if (leftVersion && !rightVersion) {
        return StatusLeftOnly;
    }
    if (!leftVersion && rightVersion) {
        return StatusRightOnly;
    }
    if (item->GetVersionState(kSideLeft) != item->GetVersionState(kSideRight) ||
        item->PackedVersion(kSideLeft) != item->PackedVersion(kSideRight)) {
        return StatusDifferent;
    }
    const bool timeOk = options.compareTimestamp == 0 || item->SameTimeText();
    const bool sizeOk = options.fileSize != 1 || item->size[0] == item->size[1];
    if (!timeOk || !sizeOk) {
        return StatusDifferent;
    }
    if (options.crc32 == ComparisonOptions::kChecksumNone) {
        return StatusSame;
    }
    if (options.crc32SkipIfBig != 0 && item->size[kSideLeft] >= options.crc32SizeToSkip) {
        return StatusSame;
    }
    return std::nullopt;
}

void Comparison::DecideStatus(DiffItem* item) {
    const uint8_t verdict = item->checksumVerdict;
    item->checksumVerdict = detail::kVerdictNone;
    if (!item->isFile) {
        if (item->Has(kSideLeft)) {
            item->SetStatus(item->Has(kSideRight) ? FolderBoth : FolderLeftOnly);
        } else {
            item->SetStatus(FolderRightOnly);
        }
        AssignIcons(item);
        return;
    }
    item->SetStatus([&]() -> FileStatus {
        if (const std::optional<FileStatus> status = StatusBeforeChecksum(item)) {
            return *status;
        }
        if (verdict != detail::kVerdictNone) {
            return verdict == detail::kVerdictDifferent ? StatusDifferent : StatusSame;
        }
        const bool simple = options.crc32 == ComparisonOptions::kChecksumSimple;
        uint32_t sums[2] = {0, 0};
        for (int side = 0; side < 2; ++side) {
            const std::string path = item->FullPath(side);
            if (item->sideFlags[side] & DiffItem::kFlagSpecial) {
                Log("Checksum skipped for %s: not a regular file", path.c_str());
                return StatusSame;
            }
            if (detail::ChecksumRegularFile(Fs(), path, simple, sums[side]) != 0) {
                return StatusSame;
            }
        }
        return sums[0] != sums[1] ? StatusDifferent : StatusSame;
    }());
    AssignIcons(item);
}

unsigned Comparison::Threads() const {
    return ThreadCount(options.threads);
}

bool Comparison::NeedsChecksum(DiffItem* item) {
    // Special files are left to the status pass, which logs why they are skipped.
    return item->isFile && !((item->sideFlags[0] | item->sideFlags[1]) & DiffItem::kFlagSpecial) &&
           !StatusBeforeChecksum(item).has_value();
}

void Comparison::PrefetchChecksums(DiffItem* subtreeRoot, const std::function<void()>& pump) {
    if (options.crc32 == ComparisonOptions::kChecksumNone) {
        return;
    }
    const bool simple = options.crc32 == ComparisonOptions::kChecksumSimple;
    const unsigned threads = Threads();
    std::vector<DiffItem*> chunk;
    chunk.reserve(kChecksumChunk);
    std::vector<uint8_t> verdicts(kChecksumChunk);
    // Lets a progress window repaint: this pass steps no counts of its own.
    std::function<void()> repaint = pump;
    if (progress_) {
        repaint = [this] { progress_->Update(kTextSettingStatus, progressPos_); };
    }
    auto flush = [&] {
        // A handful of pairs is not worth a thread; the status pass reads them itself.
        if (chunk.size() >= kChecksumParallelMin) {
            detail::ComputeChecksumVerdicts(Fs(), chunk.data(), chunk.size(), simple, threads,
                                            verdicts.data(), repaint);
            for (size_t i = 0; i < chunk.size(); ++i) {
                chunk[i]->checksumVerdict = verdicts[i];
            }
        }
        chunk.clear();
    };
    std::vector<DiffItem*> pending{subtreeRoot};
    size_t seen = 0;
    while (!pending.empty()) {
        DiffItem* folder = pending.back();
        pending.pop_back();
        for (DiffItem* c = folder->firstChild; c; c = c->next) {
            // After a whole read nearly every verdict is known, but the walk over a million
            // items still takes longer than a window may stay unpainted.
            if (repaint && ++seen % kItemsPerTick == 0) {
                repaint();
            }
            if (!c->isFile) {
                if (c->firstChild) {
                    pending.push_back(c);
                }
                continue;
            }
            // A verdict left by the read stands: nothing has changed the pair since.
            if (c->checksumVerdict != detail::kVerdictNone || !NeedsChecksum(c)) {
                continue;
            }
            chunk.push_back(c);
            if (chunk.size() == kChecksumChunk) {
                flush();
            }
        }
    }
    flush();
}

void Comparison::RecomputeFileStatuses(DiffItem* folder) {
    PrefetchChecksums(folder);
    RecomputeBelow(folder);
}

void Comparison::RecomputeBelow(DiffItem* folder) {
    for (DiffItem* c = folder->firstChild; c; c = c->next) {
        if (c->isFile) {
            DecideStatus(c);
        } else if (c->firstChild) {
            RecomputeBelow(c);
        }
    }
}

}  // namespace quillon
