// The display filter as the comparison sees it. The application owns the state; the comparison
// gets a copy whenever it changes.
#pragma once

#include <cstdint>
#include <string>

namespace quillon {

struct FilterState {
    // Bits of `filterFlags`.
    static constexpr uint32_t kNoExtensionFilter = 0x001;
    static constexpr uint32_t kInclusion = 0x002;
    static constexpr uint32_t kExclusion = 0x004;
    static constexpr uint32_t kDiffersOnBothSides = 0x100;
    static constexpr uint32_t kDiffersAnyWay = 0x200;

    bool filterActive = false;
    uint32_t filterFlags = kNoExtensionFilter;
    // Lower-case extensions between semicolons: ";txt;doc;".
    std::string filterExtensions;
    bool expandAll = false;

    bool operator==(const FilterState&) const = default;
};

}  // namespace quillon
