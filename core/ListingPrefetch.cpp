#include "core/ListingPrefetch.h"

#include <algorithm>

#include "core/DiffItem.h"
#include "core/PathUtil.h"

namespace quillon {

ListingPrefetch::ListingPrefetch(std::vector<std::string> roots, size_t maxEntries)
    : maxEntries_(maxEntries), wakeEntries_(std::max<size_t>(1, maxEntries / 8)) {
    producer_ = std::thread([this, roots = std::move(roots)] {
        for (const std::string& root : roots) {
            Walk(root, true);
        }
        std::lock_guard<std::mutex> lock(mutex_);
        producerDone_ = true;
        ready_.notify_all();
    });
}

ListingPrefetch::~ListingPrefetch() {
    Stop();
}

void ListingPrefetch::Stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        queue_.clear();
        queuedEntries_ = 0;
    }
    room_.notify_all();
    if (producer_.joinable()) {
        producer_.join();
    }
}

void ListingPrefetch::Walk(const std::string& path, bool top) {
    Listing listing;
    listing.path = path;
    {
        FolderReader reader(path);
        FolderEntry entry;
        while (reader.Next(entry, true)) {
            listing.entries.push_back(std::move(entry));
        }
    }
    const bool content = std::any_of(listing.entries.begin(), listing.entries.end(),
                                     [](const FolderEntry& e) { return IsContentEntry(e); });
    std::vector<std::string> subfolders;
    if (top || content) {
        for (const FolderEntry& e : listing.entries) {
            if (e.isFolder && e.name != ".." && !IsUndoBackupName(e.name) &&
                !(e.flags & FolderEntry::kLink)) {
                subfolders.push_back(e.name);
            }
        }
    }
    if (!Put(std::move(listing))) {
        return;
    }
    std::stable_sort(
        subfolders.begin(), subfolders.end(),
        [](const std::string& a, const std::string& b) { return CompareNamesExact(a, b) < 0; });
    for (const std::string& name : subfolders) {
        Walk(JoinPath(path, name), false);
        std::lock_guard<std::mutex> lock(mutex_);
        if (stopping_) {
            return;
        }
    }
}

bool ListingPrefetch::Put(Listing listing) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (queuedEntries_ >= maxEntries_) {
        producerWaiting_ = true;
        // One listing always fits, however large: the reader waits for it.
        room_.wait(lock, [this] { return stopping_ || queuedEntries_ < maxEntries_ / 2; });
        producerWaiting_ = false;
    }
    if (stopping_) {
        return false;
    }
    queuedEntries_ += listing.entries.size() + 1;
    queue_.push_back(std::move(listing));
    if (consumerWaiting_ && queuedEntries_ >= wakeEntries_) {
        ready_.notify_one();
    }
    return true;
}

bool ListingPrefetch::Take(const std::string& path, std::vector<FolderEntry>& entries) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (queue_.empty() && !producerDone_ && !stopping_) {
        // Waking per folder would cost more than the listing saves: wait for a batch.
        consumerWaiting_ = true;
        ready_.wait(
            lock, [this] { return stopping_ || producerDone_ || queuedEntries_ >= wakeEntries_; });
        consumerWaiting_ = false;
    }
    if (stopping_ || queue_.empty() || queue_.front().path != path) {
        lock.unlock();
        Stop();
        return false;
    }
    Listing& front = queue_.front();
    queuedEntries_ -= front.entries.size() + 1;
    entries = std::move(front.entries);
    queue_.pop_front();
    if (producerWaiting_ && queuedEntries_ < maxEntries_ / 2) {
        room_.notify_one();
    }
    return true;
}

}  // namespace quillon
