// Fixed-size slots for objects a whole tree holds by the hundred thousand: no allocator header per
// object, and the slots of one read sit together instead of being scattered over the arenas of
// the threads that made them. Any thread may take or return a slot.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>

namespace quillon {

class SlabPool {
  public:
    struct Block;
    // Slots live in blocks of this size, aligned to it, so a slot finds its block by its address.
    static constexpr size_t kBlockSize = 64 * 1024;
    // Empty blocks kept for reuse before any is given back.
    static constexpr size_t kKeptEmptyBlocks = 8;

    // `slotSize` is rounded up to a multiple of 8, the alignment every slot gets.
    explicit SlabPool(size_t slotSize);
    ~SlabPool();
    SlabPool(const SlabPool&) = delete;
    SlabPool& operator=(const SlabPool&) = delete;

    // While one lives on a thread, the blocks that thread's frees empty are given back when the
    // outermost one ends, neighbours in one call: a whole tree freed block by block would flush
    // the address caches of every core once per block. The pools must outlive it.
    class BatchReturns {
      public:
        BatchReturns();
        ~BatchReturns();
        BatchReturns(const BatchReturns&) = delete;
        BatchReturns& operator=(const BatchReturns&) = delete;
    };

    // Null when no memory is left.
    void* Allocate();
    void Free(void* slot);

    size_t SlotSize() const { return slotSize_; }
    size_t SlotsPerBlock() const { return slotsPerBlock_; }
    // Blocks held now: a block whose slots are all free is given back, unless fewer than
    // kKeptEmptyBlocks are kept for reuse.
    size_t Blocks() const;

  private:
    void Unlink(Block* block);
    // A block's memory, from the mapping being cut up or a new one; null when none is left.
    void* MapBlock();
    void ReturnPending();

    mutable std::mutex mutex_;
    size_t slotSize_;
    size_t slotsPerBlock_;
    // Blocks with at least one free slot.
    Block* open_ = nullptr;
    size_t blocks_ = 0;
    // Empty blocks among the open ones.
    size_t emptyKept_ = 0;
    // Emptied blocks waiting for the end of a batch, linked through nextOpen.
    Block* pending_ = nullptr;
    // Blocks of the last mapping not handed out yet.
    char* unused_ = nullptr;
    size_t unusedCount_ = 0;
};

}  // namespace quillon
