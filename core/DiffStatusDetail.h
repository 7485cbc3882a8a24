// The checksum entry points of the status rules, for files the scan already knows to be regular.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace quillon {
struct DiffItem;
}

namespace quillon::detail {

int ChecksumRegularFile(const std::string& path, bool simple, uint32_t& checksum);

enum ChecksumVerdict : uint8_t {
    kVerdictNone = 0,
    kVerdictSame = 1,
    kVerdictDifferent = 2,
};

// The content verdict of each pair (both sides present and regular), as the last status rule
// would find it, on `threads` threads including the caller. The items are only read.
void ComputeChecksumVerdicts(const DiffItem* const* items, size_t count, bool simple,
                             unsigned threads, uint8_t* verdicts);

}  // namespace quillon::detail
