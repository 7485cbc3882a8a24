// Small PE images built in memory; the version resource ends the file, so any cut loses it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

namespace quillon::test {

struct PeBuilder {
    bool pe32Plus = false;
    std::pair<uint32_t, uint32_t> fileVersion{0x00010000, 0x00000000};
    std::pair<uint32_t, uint32_t> productVersion{0x00010000, 0x00000000};
    bool withVersion = true;     // false: only an icon resource
    uint32_t versionNameId = 1;  // the resource name under RT_VERSION
    bool iconTypeFirst = true;   // an RT_ICON type entry precedes RT_VERSION

    std::string Build();

    // Where the parts of the last built image start in the file, for targeted damage.
    size_t peHeaderOffset = 0;
    size_t optionalHeaderOffset = 0;
    size_t sectionTableOffset = 0;
    size_t resourceOffset = 0;  // the root resource directory
    size_t dataEntryOffset = 0;
    size_t versionBlockOffset = 0;
    size_t fixedInfoOffset = 0;
};

// Little-endian writes into an image built by PeBuilder.
void PutU16(std::string& image, size_t offset, uint16_t value);
void PutU32(std::string& image, size_t offset, uint32_t value);

}  // namespace quillon::test
