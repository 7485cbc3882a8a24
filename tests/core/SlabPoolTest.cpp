#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <thread>
#include <vector>

#include "core/SlabPool.h"

namespace quillon {
namespace {

// Fills a slot with a byte pattern of its owner, so that two owners of one slot show.
void Stamp(void* slot, size_t size, uint8_t owner) {
    std::memset(slot, owner, size);
}
bool Stamped(const void* slot, size_t size, uint8_t owner) {
    const auto* bytes = static_cast<const uint8_t*>(slot);
    for (size_t i = 0; i < size; ++i) {
        if (bytes[i] != owner) {
            return false;
        }
    }
    return true;
}

long ResidentPages() {
    std::ifstream statm("/proc/self/statm");
    long size = 0;
    long resident = 0;
    statm >> size >> resident;
    return resident;
}

class SlabPoolSizes : public ::testing::TestWithParam<size_t> {};

// Slots never overlap, freed ones are reused before a new block, and empty blocks go back
// except the few kept for reuse.
TEST_P(SlabPoolSizes, ReusesFreedSlotsAndReturnsEmptyBlocks) {
    SlabPool pool(GetParam());
    ASSERT_GE(pool.SlotSize(), GetParam());
    ASSERT_EQ(pool.SlotSize() % 8, 0u);
    constexpr size_t kBlocks = SlabPool::kKeptEmptyBlocks + 4;
    const size_t count = pool.SlotsPerBlock() * (kBlocks - 1) + 5;
    std::vector<void*> slots;
    for (size_t i = 0; i < count; ++i) {
        slots.push_back(pool.Allocate());
        ASSERT_EQ(reinterpret_cast<uintptr_t>(slots.back()) % 8, 0u);
        Stamp(slots.back(), pool.SlotSize(), static_cast<uint8_t>(i));
    }
    EXPECT_EQ(pool.Blocks(), kBlocks);
    // Every other slot freed: no block empties, and the same number fits again without a new one.
    std::set<void*> freed;
    for (size_t i = 0; i < count; i += 2) {
        pool.Free(slots[i]);
        freed.insert(slots[i]);
    }
    EXPECT_EQ(pool.Blocks(), kBlocks);
    for (size_t i = 0; i < count; i += 2) {
        slots[i] = pool.Allocate();
        EXPECT_EQ(freed.erase(slots[i]), 1u) << "slot " << i << " not a reused one";
        Stamp(slots[i], pool.SlotSize(), static_cast<uint8_t>(i));
    }
    EXPECT_EQ(pool.Blocks(), kBlocks);
    for (size_t i = 0; i < count; ++i) {
        ASSERT_TRUE(Stamped(slots[i], pool.SlotSize(), static_cast<uint8_t>(i))) << i;
    }
    for (void* slot : slots) {
        pool.Free(slot);
    }
    EXPECT_EQ(pool.Blocks(), SlabPool::kKeptEmptyBlocks);
}

INSTANTIATE_TEST_SUITE_P(Sizes, SlabPoolSizes, ::testing::Values(1, 8, 20, 136, 1000));

// Threads taking and returning slots at once never get one slot twice.
TEST(SlabPool, ThreadsNeverShareASlot) {
    SlabPool pool(40);
    constexpr int kThreads = 4;
    constexpr int kRounds = 200;
    constexpr int kPerRound = 300;
    std::vector<int> failures(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            const auto owner = static_cast<uint8_t>(t + 1);
            for (int round = 0; round < kRounds; ++round) {
                std::vector<void*> mine;
                for (int i = 0; i < kPerRound; ++i) {
                    mine.push_back(pool.Allocate());
                    Stamp(mine.back(), pool.SlotSize(), owner);
                }
                for (void* slot : mine) {
                    failures[t] += Stamped(slot, pool.SlotSize(), owner) ? 0 : 1;
                    pool.Free(slot);
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (int t = 0; t < kThreads; ++t) {
        EXPECT_EQ(failures[t], 0) << "thread " << t;
    }
    EXPECT_LE(pool.Blocks(), SlabPool::kKeptEmptyBlocks);
}

// Many blocks take few memory areas: a process may hold only so many, and a tree of tens of
// millions of items would otherwise run out of them long before memory. Blocks emptied in a
// batch still go back to the system when it ends.
TEST(SlabPool, BlocksShareMemoryAreasAndBatchesGiveThemBack) {
    auto areas = [] {
        std::ifstream maps("/proc/self/maps");
        return std::count(std::istreambuf_iterator<char>(maps), std::istreambuf_iterator<char>(),
                          '\n');
    };
    SlabPool pool(1000);
    const auto before = areas();
    std::vector<void*> slots;
    for (size_t i = 0; i < pool.SlotsPerBlock() * 300; ++i) {
        slots.push_back(pool.Allocate());
        ASSERT_NE(slots.back(), nullptr);
    }
    EXPECT_EQ(pool.Blocks(), 300u);
    EXPECT_LT(areas() - before, 30);
    for (void* slot : slots) {
        std::memset(slot, 1, pool.SlotSize());
    }
    const long filled = ResidentPages();
    {
        const SlabPool::BatchReturns batch;
        for (void* slot : slots) {
            pool.Free(slot);
        }
        EXPECT_GE(ResidentPages(), filled - 16);
    }
    EXPECT_EQ(pool.Blocks(), SlabPool::kKeptEmptyBlocks);
#if !defined(__SANITIZE_ADDRESS__)
    // 292 blocks of 16 pages each went back. (The sanitizer's heap holds freed blocks in
    // quarantine.)
    EXPECT_LE(ResidentPages(), filled - 280 * 16);
#endif
}

}  // namespace
}  // namespace quillon
