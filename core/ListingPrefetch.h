// Lists the folders of whole trees on a helper thread, ahead of a reader that walks the same trees
// depth-first, so that the system calls of the listing overlap with building the comparison.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/FolderScan.h"

namespace quillon {

// The walk order is the one the whole-tree read takes: a folder, then each of its subfolders that
// the read descends into (not "..", no undo backup, no link), in sibling order, each only when it
// has content (the top folders always). Files are listed with size and time.
class ListingPrefetch {
  public:
    // Lists `roots` one after the other; at most about `maxEntries` entries wait at a time.
    explicit ListingPrefetch(std::vector<std::string> roots, size_t maxEntries = 1024);
    ~ListingPrefetch();
    ListingPrefetch(const ListingPrefetch&) = delete;
    ListingPrefetch& operator=(const ListingPrefetch&) = delete;

    // The listing of `path` when it is the next one in the walk. False when the walk went
    // elsewhere (the tree changed meanwhile): the prefetch then stops and the caller lists
    // folders itself from here on.
    bool Take(const std::string& path, std::vector<FolderEntry>& entries);

  private:
    struct Listing {
        std::string path;
        std::vector<FolderEntry> entries;
    };
    void Walk(const std::string& path, bool top);
    bool Put(Listing listing);
    void Stop();

    size_t maxEntries_;
    size_t wakeEntries_;
    std::mutex mutex_;
    std::condition_variable ready_;
    std::condition_variable room_;
    std::deque<Listing> queue_;
    size_t queuedEntries_ = 0;
    bool producerDone_ = false;
    bool producerWaiting_ = false;
    bool consumerWaiting_ = false;
    bool stopping_ = false;
    std::thread producer_;
};

}  // namespace quillon
