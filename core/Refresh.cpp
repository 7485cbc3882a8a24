#include "core/Refresh.h"

#include <sys/stat.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "base/AsciiCase.h"
#include "base/PathUtil.h"
#include "core/Comparison.h"
#include "core/ComparisonObserver.h"
#include "core/DiffItem.h"
#include "core/FolderScan.h"
#include "core/Threads.h"
#include "platform/FileText.h"
#include "platform/Log.h"
#include "platform/ProgressSink.h"

namespace quillon {
namespace {

bool IsDirectory(FileSystem& fs, const std::string& path) {
    struct stat st {};
    return fs.Stat(AT_FDCWD, path.c_str(), 0, st) == 0 && S_ISDIR(st.st_mode);
}

int OtherSide(int side) {
    return 1 - side;
}

// Depth-first over every item below `root`, without recursion.
template <typename Visit>
void ForEachBelow(const DiffItem* root, Visit visit) {
    const DiffItem* item = root->firstChild;
    while (item) {
        visit(item);
        if (item->firstChild) {
            item = item->firstChild;
            continue;
        }
        while (item != root && !item->next) {
            item = item->parent;
        }
        if (item == root) {
            return;
        }
        item = item->next;
    }
}

// Statuses set by the checksum step, and rows dropped by the difference filter, change what is
// shown although no listed fact changed; comparing digests of the tree catches both.
uint64_t TreeDigest(const DiffItem* root) {
    uint64_t digest = 1469598103934665603ull;
    auto mix = [&digest](uint64_t value) {
        digest ^= value + 0x9e3779b97f4a7c15ull + (digest << 6) + (digest >> 2);
    };
    ForEachBelow(root, [&](const DiffItem* item) {
        mix(reinterpret_cast<uintptr_t>(item));
        mix(static_cast<uint64_t>(static_cast<uint32_t>(item->StatusCode())) << 1 | item->isFile);
    });
    return digest;
}

struct Slot {
    DiffItem* item;
    uint8_t seen;  // bit per side: listed on that side during this refresh
};

// The children of one folder by kind and case-folded name, built once per folder per refresh,
// so that matching a listing against the tree costs one hash lookup per entry.
class SiblingLookup {
  public:
    void Build(DiffItem* folder) {
        size_t count = 0;
        for (DiffItem* c = folder->firstChild; c; c = c->next) {
            ++count;
        }
        byKind_[0].reserve(count);
        byKind_[1].reserve(count);
        for (DiffItem* c = folder->firstChild; c; c = c->next) {
            byKind_[Kind(c)].emplace(FoldAscii(c->name), Slot{c, 0});
        }
    }

    // The child that holds exactly this entry on `side`.
    Slot* Find(uint32_t isFile, int side, std::string_view name) {
        auto range = byKind_[isFile ? 1 : 0].equal_range(FoldAscii(name));
        for (auto it = range.first; it != range.second; ++it) {
            DiffItem* item = it->second.item;
            if (item->Has(side) && item->Name(side) == name) {
                return &it->second;
            }
        }
        return nullptr;
    }

    Slot* SlotOf(const DiffItem* item) {
        auto range = byKind_[Kind(item)].equal_range(FoldAscii(item->name));
        for (auto it = range.first; it != range.second; ++it) {
            if (it->second.item == item) {
                return &it->second;
            }
        }
        return nullptr;
    }

    void MarkSeen(DiffItem* item, int side) {
        const uint8_t bit = static_cast<uint8_t>(1u << side);
        if (Slot* slot = SlotOf(item)) {
            slot->seen |= bit;
        } else {
            byKind_[Kind(item)].emplace(FoldAscii(item->name), Slot{item, bit});
        }
    }

  private:
    static int Kind(const DiffItem* item) { return item->isFile ? 1 : 0; }

    std::unordered_multimap<std::string, Slot> byKind_[2];
};

}  // namespace

// The folders a refresh lists, read ahead on the reader threads before the tree is patched on
// the caller's: subtrees are disjoint, and the listing and stat calls are nearly all the work.
// A folder it does not hold (one that appeared meanwhile) is read when the patch reaches it.
class Refresh::ListingCache {
  public:
    struct Listing {
        std::string path;
        // Read to its end with the file details; else only up to its first content entry.
        bool complete = false;
        bool opened = false;
        std::vector<FolderEntry> entries;
    };

    void Add(std::string path, bool complete) {
        listings_.push_back({std::move(path), complete, false, {}});
    }

    // With `tick`, the reading is left to other threads and this one calls it while it waits.
    void Read(FileSystem& fs, unsigned threads, const std::function<void()>& tick) {
        RunBesideTicks(
            [&](const std::function<void()>& perListing) { ReadAll(fs, threads, perListing); },
            tick);
        byPath_.reserve(listings_.size());
        for (const Listing& listing : listings_) {
            byPath_.emplace(listing.path, &listing);
        }
    }

    const Listing* Find(const std::string& path) const {
        const auto it = byPath_.find(path);
        return it == byPath_.end() ? nullptr : it->second;
    }

  private:
    void ReadAll(FileSystem& fs, unsigned threads, const std::function<void()>& perListing) {
        std::atomic<size_t> next{0};
        auto work = [&](const std::function<void()>* each) {
            for (;;) {
                const size_t i = next.fetch_add(1, std::memory_order_relaxed);
                if (i >= listings_.size()) {
                    return;
                }
                ReadOne(fs, listings_[i]);
                if (each != nullptr && *each) {
                    (*each)();
                }
            }
        };
        std::vector<std::thread> helpers;
        if (listings_.size() > 1 && threads > 1) {
            StartThreads(helpers, threads - 1, [&work] { work(nullptr); });
        }
        work(&perListing);
        for (std::thread& helper : helpers) {
            helper.join();
        }
    }

    static void ReadOne(FileSystem& fs, Listing& listing) {
        FolderReader reader(listing.path, fs);
        listing.opened = reader.IsOpen();
        FolderEntry entry;
        while (reader.Next(entry, listing.complete)) {
            const bool content = !listing.complete && IsContentEntry(entry);
            listing.entries.push_back(std::move(entry));
            if (content) {
                return;
            }
        }
    }

    std::vector<Listing> listings_;
    std::unordered_map<std::string_view, const Listing*> byPath_;
};

struct Refresh::FolderScan {
    struct Side {
        bool listed = false;  // the side has a folder here and it was listed
        bool readable = false;
        bool filesWanted = false;  // the frame has this side open
        SharedPath dir;
        std::vector<DiffItem*> newFolders;
        std::vector<DiffItem*> newFiles;
    };

    DiffItem* folder = nullptr;
    int childLevel = 1;
    SiblingLookup lookup;
    Side sides[2];
    std::unordered_set<const DiffItem*> rescanned;

    // Whether the item's entry on `side` still exists; the listing answers when it could be
    // read, the file system otherwise.
    bool Present(DiffItem* item, int side) {
        if (!item->Has(side)) {
            return false;
        }
        if (sides[side].listed && sides[side].readable) {
            const Slot* slot = lookup.SlotOf(item);
            return !slot || (slot->seen & (1u << side)) != 0;
        }
        return PathExistsLoose(item->FullPath(side));
    }
};

Refresh::Refresh(Comparison& comparison, RefreshView& view, ComparisonObserver* observer)
    : comparison_(comparison), view_(view), observer_(observer) {}

Refresh::~Refresh() = default;

bool Refresh::Refresh2Dirs() {
    if (printingStarted) {
        return false;
    }
    Log("%s", kLogEnterRefresh2Dirs);
    if (observer_) {
        observer_->SetWaitCursor(true);
    }
    DiffItem* root = comparison_.rootItem;
    const uint64_t before = TreeDigest(root);
    bool changed = false;
    // The listings and the content comparisons leave the tree as it is, so the window may
    // repaint while they wait on the disk; the pump's gate keeps every command and the
    // auto-refresh out until the refresh is done.
    std::unique_ptr<ProgressSink> pump;
    if (ProgressFactory* factory = comparison_.GetProgressFactory()) {
        pump = factory->OpenWindowless();
    }
    std::function<void()> tick;
    if (pump) {
        tick = [&pump] { pump->Update({}, 0); };
    }
    view_.FreezeList(true);
    ReadAhead(root, tick);
    RescanFileList(root, changed);
    ahead_.reset();
    view_.FreezeList(false);
    for (int side = 0; side < 2; ++side) {
        const std::string opened = view_.OpenedPath(side);
        if (opened.empty() || IsDirectory(comparison_.Fs(), opened)) {
            continue;
        }
        view_.ClearOpenedPath(side);
        if (root->firstChild && root->firstChild->IsDotDot() && root->firstChild->Has(side)) {
            root->firstChild->SetDir(side, SharedPath());
            changed = true;
        }
        view_.ClearStatusPane(side);
    }
    int counter = 0;
    // The pairs whose contents decide are read on the reader threads, not one by one.
    comparison_.PrefetchChecksums(root, tick);
    comparison_.AssignIndent(root, 1, counter);
    if (!changed && TreeDigest(root) != before) {
        changed = true;
    }
    if (observer_) {
        observer_->SetWaitCursor(false);
    }
    Log("%s", kLogLeaveRefresh2Dirs);
    return changed;
}

void Refresh::AutoRefresh() {
    if (printingStarted || !comparison_.rootItem->firstChild) {
        return;
    }
    Log("%s", kLogEnterAutoRefresh);
    if (!view_.OpenedPath(kSideLeft).empty() || !view_.OpenedPath(kSideRight).empty()) {
        const int selected = view_.SelectedRow();
        if (Refresh2Dirs()) {
            if (observer_) {
                observer_->SetWaitCursor(true);
            }
            Log("%s", kLogChangesDetected);
            view_.FreezeList(true);
            view_.RefillRows();
            view_.Repaint();
            view_.SelectRow(selected);
            view_.FreezeList(false);
            if (observer_) {
                observer_->SetWaitCursor(false);
            }
        } else {
            Log("%s", kLogNoChanges);
        }
    }
    Log("%s", kLogLeaveAutoRefresh);
}

void Refresh::SemiRefresh() {
    Log("%s", kLogEnterSemiRefresh);
    const int selected = view_.SelectedRow();
    Refresh2Dirs();
    view_.RefillRows();
    view_.Repaint();
    view_.SelectRow(selected);
    Log("%s", kLogLeaveSemiRefresh);
}

void Refresh::ReloadComparison() {
    const std::string left = view_.OpenedPath(kSideLeft);
    const std::string right = view_.OpenedPath(kSideRight);
    if (left.empty() && right.empty()) {
        return;
    }
    view_.SuspendPathBoxes(true);
    const int selected = view_.SelectedRow();
    comparison_.CompareFolders(left, right, 0);
    view_.SelectRow(selected < 0 ? 0 : selected);
    view_.SuspendPathBoxes(false);
    view_.Repaint();
}

void Refresh::ReloadWithFilter(const FilterState& filter, bool readWholeTrees) {
    comparison_.filter = filter;
    comparison_.readWholeTrees = readWholeTrees;
    ReloadComparison();
}

int Refresh::CountBothSidedFileRows() const {
    int count = 0;
    ForEachBelow(comparison_.rootItem, [&count](const DiffItem* item) {
        if (item->isFile &&
            (item->FileState() == StatusSame || item->FileState() == StatusDifferent)) {
            ++count;
        }
    });
    return count;
}

void Refresh::RescanFileList(DiffItem* folder, bool& changed) {
    if (printingStarted || !folder->firstChild) {
        return;
    }
    Log("%s", kLogEnterRescan);
    FolderScan scan;
    scan.folder = folder;
    scan.childLevel = folder->parent ? folder->level + 1 : 1;
    scan.lookup.Build(folder);
    ListSides(scan, changed, true);
    CheckFolderChildren(scan, changed);
    InsertNewFiles(scan);
    CheckFileChildren(scan, changed);
    Log("%s", kLogLeaveRescan);
}

void Refresh::RescanFolderFiles(DiffItem* firstFile, bool& changed) {
    DiffItem* folder = firstFile ? firstFile->parent : nullptr;
    if (printingStarted || !folder) {
        return;
    }
    FolderScan scan;
    scan.folder = folder;
    scan.childLevel = folder->parent ? folder->level + 1 : 1;
    scan.lookup.Build(folder);
    ListSides(scan, changed, false);
    InsertNewFiles(scan);
}

void Refresh::ReadAhead(const DiffItem* root, const std::function<void()>& tick) {
    if (!root->firstChild) {
        return;
    }
    auto cache = std::make_unique<ListingCache>();
    for (int side = 0; side < 2; ++side) {
        for (const DiffItem* c = root->firstChild; c; c = c->next) {
            if (c->Has(side)) {
                cache->Add(c->Dir(side), true);
                break;
            }
        }
    }
    // Every folder's content is checked; the loaded ones are listed in full.
    size_t seen = 0;
    ForEachBelow(root, [&](const DiffItem* item) {
        // A walk over a million items outlasts what a window may stay unanswered.
        if (tick && ++seen % kItemsPerTick == 0) {
            tick();
        }
        if (item->isFile || item->IsDotDot()) {
            return;
        }
        for (int side = 0; side < 2; ++side) {
            if (item->Has(side)) {
                cache->Add(item->FullPath(side), item->firstChild != nullptr);
            }
        }
    });
    cache->Read(comparison_.Fs(), ThreadCount(comparison_.options.threads), tick);
    ahead_ = std::move(cache);
}

bool Refresh::HasContent(const std::string& path) const {
    const ListingCache::Listing* ahead = ahead_ ? ahead_->Find(path) : nullptr;
    if (!ahead || IsRootPath(path)) {
        return FolderHasContent(path, comparison_.Fs());
    }
    for (const FolderEntry& entry : ahead->entries) {
        if (IsContentEntry(entry)) {
            return true;
        }
    }
    return false;
}

// Lists both sides of the folder once: marks every entry that still has its item, collects the
// entries that have none, and updates the facts of the files that were found.
void Refresh::ListSides(FolderScan& scan, bool& changed, bool withFolders) {
    DiffItem* folder = scan.folder;
    const bool versions = comparison_.options.showVersions == 1;
    for (int side = 0; side < 2; ++side) {
        FolderScan::Side& sd = scan.sides[side];
        std::string path;
        for (DiffItem* c = folder->firstChild; c; c = c->next) {
            if (c->Has(side)) {
                sd.dir = c->DirRef(side);
                path = c->Dir(side);
                break;
            }
        }
        if (path.empty() && folder->parent && folder->Has(side)) {
            path = folder->FullPath(side);
            sd.dir = SharedPath(path);
        }
        if (path.empty()) {
            continue;
        }
        sd.listed = true;
        sd.filesWanted = !view_.OpenedPath(side).empty();
        const ListingCache::Listing* ahead = ahead_ ? ahead_->Find(path) : nullptr;
        if (ahead && !ahead->complete) {
            ahead = nullptr;
        }
        FolderReader reader(comparison_.Fs());
        if (!ahead) {
            reader.Open(path);
        }
        sd.readable = ahead ? ahead->opened : reader.IsOpen();
        size_t aheadUsed = 0;
        FolderEntry own;
        auto next = [&]() -> const FolderEntry* {
            if (ahead) {
                return aheadUsed < ahead->entries.size() ? &ahead->entries[aheadUsed++] : nullptr;
            }
            return reader.Next(own, true) ? &own : nullptr;
        };
        while (const FolderEntry* listed = next()) {
            const FolderEntry& entry = *listed;
            if (entry.name == ".." || IsUndoBackupName(entry.name)) {
                continue;
            }
            const uint32_t isFile = entry.isFolder ? 0 : 1;
            Slot* slot = scan.lookup.Find(isFile, side, entry.name);
            if (slot) {
                slot->seen |= static_cast<uint8_t>(1u << side);
            }
            if (!isFile) {
                if (slot || !withFolders) {
                    continue;
                }
                changed = true;
                DiffItem* item = NewDiffItem();
                item->SetStatus(FolderOnlyOn(side));
                item->level = scan.childLevel;
                item->SetDir(side, sd.dir);
                item->name = entry.name;
                item->sideFlags[side] = entry.flags;
                item->hasChildren[side] = HasContent(JoinPath(path, entry.name));
                sd.newFolders.push_back(item);
                continue;
            }
            if (!sd.filesWanted) {
                continue;
            }
            const int64_t mtime =
                (entry.flags & FolderEntry::kDangling) ? DiffItem::kNoTime : entry.mtime;
            const bool special = (entry.flags & FolderEntry::kSpecial) != 0;
            if (!slot) {
                changed = true;
                DiffItem* item = NewDiffItem();
                item->isFile = 1;
                item->SetStatus(FileOnlyOn(side));
                item->level = scan.childLevel;
                item->SetDir(side, sd.dir);
                item->name = entry.name;
                item->sideFlags[side] = entry.flags;
                item->size[side] = entry.size;
                item->mtime[side] = mtime;
                if (versions && !special) {
                    item->SetVersionFromText(side, FormatVersionText(JoinPath(path, entry.name),
                                                                     comparison_.productVersion()));
                }
                sd.newFiles.push_back(item);
                continue;
            }
            DiffItem* item = slot->item;
            item->sideFlags[side] = entry.flags;
            if (mtime != item->mtime[side]) {
                const std::string oldText = item->TimeText(side);
                item->mtime[side] = mtime;
                if (!EqualsNoCase(oldText, item->TimeText(side))) {
                    changed = true;
                }
            }
            if (entry.size != item->size[side]) {
                item->size[side] = entry.size;
                changed = true;
            }
            if (versions && !special) {
                const std::string text =
                    FormatVersionText(JoinPath(path, entry.name), comparison_.productVersion());
                if (!EqualsNoCase(text, item->VersionText(side))) {
                    item->SetVersionFromText(side, text);
                    changed = true;
                }
            }
        }
    }
}

// New folders join the tree; a folder that appeared on one side where the other side is shown
// expanded is expanded on this side too, and read.
void Refresh::CheckFolderChildren(FolderScan& scan, bool& changed) {
    DiffItem* folder = scan.folder;
    for (int side = 0; side < 2; ++side) {
        std::vector<DiffItem*>& batch = scan.sides[side].newFolders;
        if (batch.empty()) {
            continue;
        }
        const std::vector<DiffItem*> placed = InsertOrMergeSorted(std::move(batch), folder);
        batch.clear();
        for (DiffItem* item : placed) {
            scan.lookup.MarkSeen(item, side);
            const bool isLink = (item->sideFlags[side] & DiffItem::kFlagLink) != 0;
            if (!item->expanded[OtherSide(side)] || isLink) {
                continue;
            }
            item->expanded[side] = item->hasChildren[side];
            scan.rescanned.insert(item);
            RescanFileList(item, changed);
        }
    }
    DiffItem* c = folder->firstChild;
    while (c && !c->isFile) {
        DiffItem* next = c->next;
        if (!c->IsDotDot() && !scan.rescanned.count(c) && CheckVanishedFolder(scan, c, changed) &&
            c->firstChild) {
            RescanFileList(c, changed);
        }
        c = next;
    }
}

// False when the folder item is gone from the tree.
bool Refresh::CheckVanishedFolder(FolderScan& scan, DiffItem* item, bool& changed) {
    const bool has[2] = {item->Has(kSideLeft), item->Has(kSideRight)};
    const bool present[2] = {scan.Present(item, kSideLeft), scan.Present(item, kSideRight)};
    if ((has[0] || has[1]) && !present[0] && !present[1]) {
        Remove(item);
        changed = true;
        return false;
    }
    if (!has[0] && !has[1]) {
        Remove(item);
        changed = true;
        return false;
    }
    for (int side = 0; side < 2; ++side) {
        if (has[side] && !present[side]) {
            item->ClearSide(side);
            ClearSideOfContents(item, side);
            changed = true;
            return true;
        }
    }
    for (int side = 0; side < 2; ++side) {
        if (!has[side]) {
            continue;
        }
        const bool content = HasContent(item->FullPath(side));
        if (content == item->hasChildren[side]) {
            continue;
        }
        changed = true;
        item->hasChildren[side] = content;
        const bool isLink = (item->sideFlags[side] & DiffItem::kFlagLink) != 0;
        item->expanded[side] = content && !isLink && item->expanded[OtherSide(side)];
    }
    return true;
}

void Refresh::InsertNewFiles(FolderScan& scan) {
    for (int side = 0; side < 2; ++side) {
        std::vector<DiffItem*>& batch = scan.sides[side].newFiles;
        if (batch.empty()) {
            continue;
        }
        const std::vector<DiffItem*> placed = InsertOrMergeSorted(std::move(batch), scan.folder);
        batch.clear();
        for (DiffItem* item : placed) {
            scan.lookup.MarkSeen(item, side);
        }
    }
}

void Refresh::CheckFileChildren(FolderScan& scan, bool& changed) {
    DiffItem* folder = scan.folder;
    DiffItem* c = folder->firstChild;
    while (c && !c->isFile) {
        c = c->next;
    }
    bool lost[2] = {false, false};
    while (c) {
        const bool has[2] = {c->Has(kSideLeft), c->Has(kSideRight)};
        const bool present[2] = {scan.Present(c, kSideLeft), scan.Present(c, kSideRight)};
        if (!present[0] && !present[1]) {
            lost[0] = lost[0] || has[0];
            lost[1] = lost[1] || has[1];
            DiffItem* next = c->next;
            Remove(c);
            changed = true;
            c = next;
            continue;
        }
        for (int side = 0; side < 2; ++side) {
            if (has[side] && !present[side]) {
                c->ClearSide(side);
                lost[side] = true;
                changed = true;
            }
        }
        c = c->next;
    }
    if (!folder->parent) {
        return;
    }
    for (int side = 0; side < 2; ++side) {
        if (lost[side] && folder->Has(side) && !HasContent(folder->FullPath(side))) {
            folder->expanded[side] = false;
            folder->hasChildren[side] = false;
        }
    }
}

void Refresh::ClearSideOfContents(DiffItem* folder, int side) {
    DiffItem* c = folder->firstChild;
    while (c) {
        c->ClearSide(side);
        if (!c->Has(OtherSide(side))) {
            DiffItem* next = c->next;
            Remove(c);
            c = next;
            continue;
        }
        if (c->firstChild) {
            ClearSideOfContents(c, side);
        }
        c = c->next;
    }
}

void Refresh::Remove(DiffItem* item) {
    view_.RemoveRows(item);
    RemoveItem(item);
}

}  // namespace quillon
