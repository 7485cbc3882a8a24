#include "core/DiffStatus.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "base/Crc32.h"
#include "core/DiffItem.h"
#include "core/DiffStatusDetail.h"
#include "core/Threads.h"
#include "platform/FileSystem.h"
#include "platform/Log.h"

namespace quillon {

namespace {

constexpr unsigned char kCtrlZ = 0x1A;
constexpr size_t kSimpleChars = 3;
constexpr size_t kWholeFileBuffer = size_t{1} << 16;

// Feeds bytes as a text-mode stream delivers them: CR LF becomes LF, 0x1A ends the data.
class TextModeCrc {
  public:
    explicit TextModeCrc(size_t limit) : limit_(limit) {}

    // False once the data has ended (0x1A or the character limit).
    bool Feed(const unsigned char* data, size_t length) {
        const void* z = std::memchr(data, kCtrlZ, length);
        const size_t end =
            z ? static_cast<size_t>(static_cast<const unsigned char*>(z) - data) : length;
        size_t pos = 0;
        if (pendingCr_ && end > 0) {
            pendingCr_ = false;
            if (data[0] == '\n') {
                if (!Emit('\n')) {
                    return false;
                }
                pos = 1;
            } else if (!Emit('\r')) {
                return false;
            }
        }
        while (pos < end) {
            const void* cr = std::memchr(data + pos, '\r', end - pos);
            const size_t stop =
                cr ? static_cast<size_t>(static_cast<const unsigned char*>(cr) - data) : end;
            if (!EmitRun(data + pos, stop - pos)) {
                return false;
            }
            if (stop == end) {
                break;
            }
            if (stop + 1 == end) {
                if (z) {
                    // CR right before 0x1A: nothing can follow it.
                    Emit('\r');
                    return false;
                }
                pendingCr_ = true;
                return true;
            }
            if (data[stop + 1] == '\n') {
                if (!Emit('\n')) {
                    return false;
                }
                pos = stop + 2;
            } else {
                if (!Emit('\r')) {
                    return false;
                }
                pos = stop + 1;
            }
        }
        if (z) {
            if (pendingCr_) {
                pendingCr_ = false;
                Emit('\r');
            }
            return false;
        }
        return true;
    }

    void Finish() {
        if (pendingCr_) {
            pendingCr_ = false;
            Emit('\r');
        }
    }

    uint32_t Checksum() const { return ~reg_; }

  private:
    bool Emit(unsigned char c) {
        if (count_ >= limit_) {
            return false;
        }
        reg_ = Crc32UpdateByte(reg_, c);
        ++count_;
        return count_ < limit_;
    }

    bool EmitRun(const unsigned char* data, size_t length) {
        if (length == 0) {
            return count_ < limit_;
        }
        const size_t room = limit_ - count_;
        const size_t take = length < room ? length : room;
        reg_ = Crc32Update(reg_, data, take);
        count_ += take;
        return count_ < limit_;
    }

    uint32_t reg_ = kCrc32Initial;
    size_t count_ = 0;
    size_t limit_;
    bool pendingCr_ = false;
};

// Reads the file at `name` relative to `dirFd` (or a full path with AT_FDCWD).
int ChecksumAt(FileSystem& fs, int dirFd, const char* name, bool simple, uint32_t& checksum) {
    TextModeCrc crc(simple ? kSimpleChars : SIZE_MAX);
    checksum = crc.Checksum();
    int fd = -1;
    // O_NONBLOCK: a file that turned into a FIFO since it was listed must not hang the scan.
    int error = fs.Open(dirFd, name, O_RDONLY | O_NOCTTY | O_NONBLOCK, 0, fd);
    if (error != 0) {
        return error;
    }
    const FsHandle held(fs, fd);
    // The simple checksum needs 3 characters; CR LF pairs and one byte of look-ahead fit in 8.
    unsigned char small[8];
    // Only threads that read whole files pay for a large buffer.
    static thread_local std::unique_ptr<unsigned char[]> big;
    if (!simple && !big) {
        big = std::make_unique_for_overwrite<unsigned char[]>(kWholeFileBuffer);
    }
    unsigned char* buffer = simple ? small : big.get();
    const size_t bufferSize = simple ? sizeof small : kWholeFileBuffer;
    for (;;) {
        size_t got = 0;
        error = fs.Read(fd, buffer, bufferSize, got);
        if (error != 0) {
            break;
        }
        if (got == 0) {
            crc.Finish();
            break;
        }
        if (!crc.Feed(buffer, got)) {
            break;
        }
    }
    checksum = crc.Checksum();
    return error;
}

int Checksum(FileSystem& fs, const std::string& path, bool simple, bool knownRegular,
             uint32_t& checksum) {
    if (!knownRegular) {
        struct stat st {};
        if (const int error = fs.Stat(AT_FDCWD, path.c_str(), 0, st); error != 0) {
            checksum = ~kCrc32Initial;
            return error;
        }
        if (!S_ISREG(st.st_mode)) {
            Log("Checksum skipped for %s: not a regular file", path.c_str());
            checksum = ~kCrc32Initial;
            return EINVAL;
        }
    }
    return ChecksumAt(fs, AT_FDCWD, path.c_str(), simple, checksum);
}

// One worker's open folders, one per side: consecutive pairs mostly share their folders, and
// opening relative to a held folder spares the kernel the walk down the whole path.
class FolderHandles {
  public:
    explicit FolderHandles(FileSystem& fs) : fs_(fs) {}

    FileSystem& Fs() const { return fs_; }
    // AT_FDCWD when the folder cannot be opened: the caller then uses the full path.
    int For(int side, const SharedPath& dir) {
        Held& h = held_[side];
        if (!h.dir.SameAs(dir)) {
            int fd = -1;
            fs_.Open(AT_FDCWD, dir.Text().c_str(), O_PATH | O_DIRECTORY, 0, fd);
            h.dir = dir;
            h.fd = FsHandle(fs_, fd);
            h.lent = -1;
        }
        if (h.lent >= 0) {
            return h.lent;
        }
        return h.fd.IsOpen() ? h.fd.Get() : AT_FDCWD;
    }
    // `dir` is already open at `fd`, which stays the caller's to close.
    void Lend(int side, const SharedPath& dir, int fd) {
        Held& h = held_[side];
        h.dir = dir;
        h.fd = FsHandle();
        h.lent = fd;
    }

  private:
    struct Held {
        // Held, so that a freed path's node cannot come back as another folder's.
        SharedPath dir;
        FsHandle fd;
        int lent = -1;
    };
    FileSystem& fs_;
    Held held_[2];
};

uint8_t VerdictOf(const DiffItem& item, bool simple, FolderHandles& handles) {
    uint32_t sums[2] = {0, 0};
    for (int side = 0; side < 2; ++side) {
        const int dirFd = handles.For(side, item.DirRef(side));
        const int error =
            dirFd == AT_FDCWD
                ? ChecksumAt(handles.Fs(), AT_FDCWD, item.FullPath(side).c_str(), simple,
                             sums[side])
                : ChecksumAt(handles.Fs(), dirFd, item.Name(side).c_str(), simple, sums[side]);
        if (error != 0) {
            return detail::kVerdictSame;
        }
    }
    return sums[0] != sums[1] ? detail::kVerdictDifferent : detail::kVerdictSame;
}

// Pairs taken per grab: large enough to keep folder handles reused, small enough to balance.
constexpr size_t kPairsPerGrab = 64;
// How often a caller whose helpers compare the pairs reports that it is still at work.
constexpr int kCallerReportMs = 20;

}  // namespace

int FileChecksum(const std::string& path, uint32_t& checksum, FileSystem& fs) {
    return Checksum(fs, path, false, false, checksum);
}

int SimpleFileChecksum(const std::string& path, uint32_t& checksum, FileSystem& fs) {
    return Checksum(fs, path, true, false, checksum);
}

namespace detail {

int ChecksumRegularFile(FileSystem& fs, const std::string& path, bool simple, uint32_t& checksum) {
    return Checksum(fs, path, simple, true, checksum);
}

void ComputeChecksumVerdicts(FileSystem& fs, const DiffItem* const* items, size_t count,
                             bool simple, unsigned threads, uint8_t* verdicts,
                             const std::function<void()>& onCaller) {
    std::atomic<size_t> nextPair{0};
    auto work = [&] {
        FolderHandles handles(fs);
        for (;;) {
            const size_t begin = nextPair.fetch_add(kPairsPerGrab, std::memory_order_relaxed);
            if (begin >= count) {
                return;
            }
            const size_t end = std::min(count, begin + kPairsPerGrab);
            for (size_t i = begin; i < end; ++i) {
                verdicts[i] = VerdictOf(*items[i], simple, handles);
            }
        }
    };
    std::vector<std::thread> helpers;
    const size_t wanted = std::min<size_t>(threads, (count + kPairsPerGrab - 1) / kPairsPerGrab);
    if (!onCaller) {
        if (wanted > 1) {
            StartThreads(helpers, static_cast<unsigned>(wanted - 1), work);
        }
        work();
    } else {
        // A caller that keeps a window alive reads no file itself: one read from a disk out of
        // the cache can stall it for longer than a user waits.
        std::mutex mutex;
        std::condition_variable finished;
        const unsigned asked = static_cast<unsigned>(std::max<size_t>(wanted, 1));
        unsigned running = asked;
        const unsigned started = StartThreads(helpers, asked, [&] {
            work();
            {
                std::lock_guard<std::mutex> lock(mutex);
                --running;
            }
            finished.notify_all();
        });
        std::unique_lock<std::mutex> lock(mutex);
        running -= asked - started;
        while (running > 0) {
            finished.wait_for(lock, std::chrono::milliseconds(kCallerReportMs));
            lock.unlock();
            onCaller();
            lock.lock();
        }
        lock.unlock();
        // Without a helper the caller compares the pairs itself.
        work();
    }
    for (std::thread& helper : helpers) {
        helper.join();
    }
}

void ComputeFolderVerdicts(FileSystem& fs, const DiffItem* const* items, size_t count, bool simple,
                           const int dirFds[2], uint8_t* verdicts) {
    FolderHandles handles(fs);
    for (int side = 0; side < 2 && count > 0; ++side) {
        if (dirFds[side] >= 0) {
            handles.Lend(side, items[0]->DirRef(side), dirFds[side]);
        }
    }
    for (size_t i = 0; i < count; ++i) {
        verdicts[i] = VerdictOf(*items[i], simple, handles);
    }
}

namespace {
// Pairs per hand-over: large enough to keep folder handles reused and locking rare.
constexpr size_t kPipelineBatch = 512;
// How often a finishing pipeline lets its caller report while the helpers drain the backlog, and
// how many pairs the caller compares between two reports.
constexpr int kFinishTickMs = 20;
constexpr size_t kFinishSlice = 8;
// Verdicts stored at the end between two reports.
constexpr size_t kHarvestPerTick = 4096;
}  // namespace

ChecksumPipeline::ChecksumPipeline(FileSystem& fs, bool simple, unsigned helpers)
    : fs_(fs), simple_(simple) {
    StartThreads(helpers_, helpers, [this] { Work(); });
}

ChecksumPipeline::~ChecksumPipeline() {
    Abandon();
}

void ChecksumPipeline::Add(DiffItem* item) {
    if (!filling_) {
        filling_ = std::make_unique<Batch>();
        filling_->items.reserve(kPipelineBatch);
    }
    filling_->items.push_back(item);
    if (filling_->items.size() == kPipelineBatch) {
        Submit();
        std::vector<std::unique_ptr<Batch>> done;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            done.swap(done_);
        }
        Harvest(done);
    }
}

void ChecksumPipeline::Submit() {
    if (!filling_) {
        return;
    }
    // Sized here so that every allocation of the pipeline stays in the caller's heap arena.
    filling_->verdicts.resize(filling_->items.size());
    if (helpers_.empty()) {
        // Without helpers the caller's thread does the work at once.
        std::unique_ptr<Batch> batch = std::move(filling_);
        ComputeChecksumVerdicts(fs_, batch->items.data(), batch->items.size(), simple_, 1,
                                batch->verdicts.data());
        std::lock_guard<std::mutex> lock(mutex_);
        done_.push_back(std::move(batch));
        return;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        queued_.push_back(std::move(filling_));
    }
    wake_.notify_one();
}

void ChecksumPipeline::Work() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !queued_.empty(); });
        if (queued_.empty()) {
            return;
        }
        std::unique_ptr<Batch> batch = std::move(queued_.back());
        queued_.pop_back();
        ++busy_;
        lock.unlock();
        ComputeChecksumVerdicts(fs_, batch->items.data(), batch->items.size(), simple_, 1,
                                batch->verdicts.data());
        lock.lock();
        --busy_;
        done_.push_back(std::move(batch));
        finished_.notify_all();
    }
}

void ChecksumPipeline::Harvest(std::vector<std::unique_ptr<Batch>>& done,
                               const std::function<void()>& tick) {
    size_t stored = 0;
    for (const std::unique_ptr<Batch>& batch : done) {
        for (size_t i = 0; i < batch->items.size(); ++i) {
            batch->items[i]->checksumVerdict = batch->verdicts[i];
        }
        // A backlog finished at the end holds verdicts for a large part of the tree, each
        // stored into an item long out of the cache.
        stored += batch->items.size();
        if (tick && stored >= kHarvestPerTick) {
            stored = 0;
            tick();
        }
    }
    done.clear();
}

void ChecksumPipeline::Finish(const std::function<void()>& tick) {
    Submit();
    // The caller's thread takes queued batches too instead of waiting idle.
    for (;;) {
        std::unique_ptr<Batch> batch;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (queued_.empty()) {
                break;
            }
            batch = std::move(queued_.back());
            queued_.pop_back();
        }
        // With a tick, the batch goes in slices: on a cold disk a whole batch takes seconds.
        const size_t size = batch->items.size();
        const size_t slice = tick ? kFinishSlice : size;
        for (size_t from = 0; from < size; from += slice) {
            ComputeChecksumVerdicts(fs_, batch->items.data() + from, std::min(slice, size - from),
                                    simple_, 1, batch->verdicts.data() + from);
            if (tick) {
                tick();
            }
        }
        std::lock_guard<std::mutex> lock(mutex_);
        done_.push_back(std::move(batch));
    }
    std::vector<std::unique_ptr<Batch>> done;
    {
        std::unique_lock<std::mutex> lock(mutex_);
        const auto idle = [this] { return busy_ == 0 && queued_.empty(); };
        while (!finished_.wait_for(lock, std::chrono::milliseconds(kFinishTickMs), idle)) {
            if (tick) {
                lock.unlock();
                tick();
                lock.lock();
            }
        }
        done.swap(done_);
    }
    Harvest(done, tick);
    Stop();
}

void ChecksumPipeline::Abandon() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        queued_.clear();
    }
    filling_.reset();
    Stop();
    std::lock_guard<std::mutex> lock(mutex_);
    done_.clear();
}

void ChecksumPipeline::Stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& helper : helpers_) {
        helper.join();
    }
    helpers_.clear();
}

}  // namespace detail

}  // namespace quillon
