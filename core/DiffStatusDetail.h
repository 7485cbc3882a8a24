// The checksum entry points of the status rules, for files the scan already knows to be regular.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace quillon {
struct DiffItem;
class FileSystem;
}  // namespace quillon

namespace quillon::detail {

int ChecksumRegularFile(FileSystem& fs, const std::string& path, bool simple, uint32_t& checksum);

enum ChecksumVerdict : uint8_t {
    kVerdictNone = 0,
    kVerdictSame = 1,
    kVerdictDifferent = 2,
};

// The content verdict of each pair (both sides present and regular), as the last status rule
// would find it, on `threads` threads including the caller. The items are only read. `onCaller`,
// when given, runs on the calling thread every few milliseconds while helper threads compare all
// the pairs: a caller on the GUI thread keeps its window painted and never waits for a disk.
void ComputeChecksumVerdicts(FileSystem& fs, const DiffItem* const* items, size_t count,
                             bool simple, unsigned threads, uint8_t* verdicts,
                             const std::function<void()>& onCaller = {});

// The same on the calling thread alone, for pairs that lie in one folder on each side, open at
// `dirFds` (-1 for a side not open): each file is opened relative to its open folder.
void ComputeFolderVerdicts(FileSystem& fs, const DiffItem* const* items, size_t count, bool simple,
                           const int dirFds[2], uint8_t* verdicts);

// Content comparison of pairs handed in one by one while the caller goes on reading the tree.
// Helper threads only read the items handed in; the verdicts are written into the items by the
// caller's thread, in Add (for finished batches) and in Finish. The caller must not change or
// free a handed-in item before Finish.
class ChecksumPipeline {
  public:
    ChecksumPipeline(FileSystem& fs, bool simple, unsigned helpers);
    ~ChecksumPipeline();
    ChecksumPipeline(const ChecksumPipeline&) = delete;
    ChecksumPipeline& operator=(const ChecksumPipeline&) = delete;

    void Add(DiffItem* item);
    // Waits for every verdict (helping with what is left) and stores them. `tick` runs after each
    // batch the caller computes and every few milliseconds while it waits: a progress window
    // stays painted through a backlog that takes seconds.
    void Finish(const std::function<void()>& tick = {});
    // Drops what is not done yet and stores nothing more; the items may then be freed.
    void Abandon();

  private:
    struct Batch {
        std::vector<DiffItem*> items;
        std::vector<uint8_t> verdicts;
    };
    void Work();
    void Submit();
    void Harvest(std::vector<std::unique_ptr<Batch>>& done, const std::function<void()>& tick = {});
    void Stop();

    FileSystem& fs_;
    bool simple_;
    std::unique_ptr<Batch> filling_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable finished_;
    std::vector<std::unique_ptr<Batch>> queued_;
    std::vector<std::unique_ptr<Batch>> done_;
    size_t busy_ = 0;
    bool stopping_ = false;
    std::vector<std::thread> helpers_;
};

}  // namespace quillon::detail
