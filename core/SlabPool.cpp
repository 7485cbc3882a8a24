#include "core/SlabPool.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <new>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define QUILLON_POISON(p, n) ASAN_POISON_MEMORY_REGION(p, n)
#define QUILLON_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION(p, n)
#define QUILLON_HEAP_BLOCKS 1
#else
#define QUILLON_POISON(p, n) ((void)(p), (void)(n))
#define QUILLON_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

namespace quillon {

struct SlabPool::Block {
    Block* prevOpen;
    Block* nextOpen;
    // Returned slots, linked through their first word.
    void* freed;
    // Slots never handed out start at index `carved`.
    uint32_t carved;
    uint32_t live;
    bool open;
};

namespace {
// The batches open on this thread, and the pools that have blocks waiting for their end.
thread_local int batchDepth = 0;
thread_local std::vector<SlabPool*> batchPools;

constexpr size_t kHeader = (sizeof(SlabPool::Block) + 15) / 16 * 16;

char* SlotBase(void* block) {
    return static_cast<char*>(block) + kHeader;
}

#if defined(QUILLON_HEAP_BLOCKS)
// Separate allocations, given back one by one.
constexpr bool kMergeReturns = false;
// The leak checker sees pointers held in heap blocks only.
void* MapBlocks(size_t& count) {
    void* block = std::aligned_alloc(SlabPool::kBlockSize, SlabPool::kBlockSize);
    count = block ? 1 : 0;
    return block;
}
void UnmapBlocks(void* first, size_t count) {
    if (count > 0) {
        std::free(first);
    }
}
#else
// Straight from the kernel: an aligned heap block would leave gaps of its size around it. Blocks
// are cut from mappings of kBlocksPerMapping each: a mapping per block would be a memory area of
// its own, and a process may hold only so many (65,530 by default), which a tree of some tens of
// millions of items would reach. The blocks not handed out yet are address space only.
constexpr size_t kBlocksPerMapping = 64;
constexpr bool kMergeReturns = true;

void* MapBlocks(size_t& count) {
    const size_t want = kBlocksPerMapping * SlabPool::kBlockSize;
    const size_t span = want + SlabPool::kBlockSize;
    void* mapped = mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) {
        count = 0;
        return nullptr;
    }
    const auto start = reinterpret_cast<uintptr_t>(mapped);
    const uintptr_t aligned = (start + SlabPool::kBlockSize - 1) & ~(SlabPool::kBlockSize - 1);
    if (aligned > start) {
        munmap(mapped, aligned - start);
    }
    if (aligned + want < start + span) {
        munmap(reinterpret_cast<void*>(aligned + want), start + span - aligned - want);
    }
    count = kBlocksPerMapping;
    return reinterpret_cast<void*>(aligned);
}
void UnmapBlocks(void* first, size_t count) {
    if (count > 0) {
        munmap(first, count * SlabPool::kBlockSize);
    }
}
#endif

// A block handed out is filled slot by slot, so all its pages are wanted soon. Made present in
// one call they cost about half as much as one fault per page, in a virtual machine several
// microseconds each. Kernels before 5.14 refuse the advice; the pages then come one by one.
void PopulateBlock([[maybe_unused]] void* block) {
#if defined(MADV_POPULATE_WRITE) && !defined(QUILLON_HEAP_BLOCKS)
    madvise(block, SlabPool::kBlockSize, MADV_POPULATE_WRITE);
#endif
}
}  // namespace

SlabPool::SlabPool(size_t slotSize)
    : slotSize_((slotSize < 8 ? 8 : slotSize + 7) / 8 * 8),
      slotsPerBlock_((kBlockSize - kHeader) / slotSize_) {}

SlabPool::~SlabPool() {
    while (open_) {
        Block* block = open_;
        Unlink(block);
        UnmapBlocks(block, 1);
    }
    ReturnPending();
    batchPools.erase(std::remove(batchPools.begin(), batchPools.end(), this), batchPools.end());
    UnmapBlocks(unused_, unusedCount_);
}

SlabPool::BatchReturns::BatchReturns() {
    ++batchDepth;
}

SlabPool::BatchReturns::~BatchReturns() {
    if (--batchDepth > 0) {
        return;
    }
    std::vector<SlabPool*> pools;
    pools.swap(batchPools);
    for (SlabPool* pool : pools) {
        pool->ReturnPending();
    }
}

void SlabPool::ReturnPending() {
    std::vector<char*> blocks;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (Block* block = pending_; block; block = block->nextOpen) {
            blocks.push_back(reinterpret_cast<char*>(block));
        }
        pending_ = nullptr;
    }
    // Neighbouring blocks go back in one call.
    std::sort(blocks.begin(), blocks.end());
    for (size_t from = 0; from < blocks.size();) {
        size_t to = from + 1;
        while (to < blocks.size() && blocks[to] == blocks[to - 1] + kBlockSize && kMergeReturns) {
            ++to;
        }
        UnmapBlocks(blocks[from], to - from);
        from = to;
    }
}

void* SlabPool::MapBlock() {
    if (unusedCount_ == 0) {
        unused_ = static_cast<char*>(MapBlocks(unusedCount_));
        if (unusedCount_ == 0) {
            return nullptr;
        }
    }
    void* block = unused_;
    unused_ += kBlockSize;
    --unusedCount_;
    return block;
}

size_t SlabPool::Blocks() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return blocks_;
}

void SlabPool::Unlink(Block* block) {
    if (block->prevOpen) {
        block->prevOpen->nextOpen = block->nextOpen;
    } else {
        open_ = block->nextOpen;
    }
    if (block->nextOpen) {
        block->nextOpen->prevOpen = block->prevOpen;
    }
    block->prevOpen = block->nextOpen = nullptr;
    block->open = false;
}

void* SlabPool::Allocate() {
    std::unique_lock<std::mutex> lock(mutex_);
    Block* block = open_;
    void* fresh = nullptr;
    if (!block) {
        fresh = MapBlock();
        if (!fresh) {
            return nullptr;
        }
        block = new (fresh) Block{nullptr, nullptr, nullptr, 0, 0, true};
        QUILLON_POISON(SlotBase(block), slotsPerBlock_ * slotSize_);
        open_ = block;
        ++blocks_;
    }
    const bool keptEmpty = block->live == 0 && block->carved != 0;
    void* slot;
    if (block->freed) {
        slot = block->freed;
        QUILLON_UNPOISON(slot, sizeof(void*));
        block->freed = *static_cast<void**>(slot);
    } else {
        slot = SlotBase(block) + block->carved * slotSize_;
        ++block->carved;
    }
    QUILLON_UNPOISON(slot, slotSize_);
    if (keptEmpty) {
        --emptyKept_;
    }
    ++block->live;
    if (!block->freed && block->carved == slotsPerBlock_) {
        Unlink(block);
    }
    // Outside the lock: the other threads take slots meanwhile, some from this very block.
    lock.unlock();
    if (fresh) {
        PopulateBlock(fresh);
    }
    return slot;
}

void SlabPool::Free(void* slot) {
    if (!slot) {
        return;
    }
    auto* block = reinterpret_cast<Block*>(reinterpret_cast<uintptr_t>(slot) & ~(kBlockSize - 1));
    std::lock_guard<std::mutex> lock(mutex_);
    *static_cast<void**>(slot) = block->freed;
    block->freed = slot;
    QUILLON_POISON(slot, slotSize_);
    --block->live;
    if (!block->open) {
        block->open = true;
        block->nextOpen = open_;
        if (open_) {
            open_->prevOpen = block;
        }
        open_ = block;
    }
    if (block->live != 0) {
        return;
    }
    // A few empty blocks stay, so that items made and freed over and over (a listing's entries
    // merged into the other side's) do not take and return whole blocks each time: in a virtual
    // machine, giving one back costs more than listing a folder.
    if (emptyKept_ < kKeptEmptyBlocks) {
        ++emptyKept_;
        return;
    }
    Unlink(block);
    --blocks_;
    if (batchDepth > 0) {
        block->nextOpen = pending_;
        pending_ = block;
        if (std::find(batchPools.begin(), batchPools.end(), this) == batchPools.end()) {
            batchPools.push_back(this);
        }
    } else {
        UnmapBlocks(block, 1);
    }
}

}  // namespace quillon
