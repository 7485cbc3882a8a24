// The comparison settings, read from the settings store by the view and handed to the comparison
// as a value. Defaults are the ones a fresh installation uses.
#pragma once

#include <cstdint>

namespace quillon {

struct ComparisonOptions {
    static constexpr int kChecksumNone = 0;
    static constexpr int kChecksumSimple = 2;
    static constexpr uint64_t kBytesPerMByte = 1048576;

    // "FileSize": 1 compares sizes.
    int fileSize = 1;
    // "CompareTimestamp": non-zero compares the minute-resolution timestamp texts.
    int compareTimestamp = 0;
    // "CRC32": 0 none, 2 the simplified checksum (first 3 characters), anything else the full one.
    int crc32 = kChecksumSimple;
    // "CRC32SkipIfBig": non-zero skips the checksum for files at or above the size limit.
    int crc32SkipIfBig = 1;
    // "CRC32SizeToSkipMBytes" as a byte count.
    uint64_t crc32SizeToSkip = 1 * kBytesPerMByte;
    // "FileVersion": 1 reads and compares file versions.
    int showVersions = 0;
    // "DisplayProductVer": read the product version instead of the file version.
    bool productVersion = false;
    // Threads that read a whole tree and compare contents, the caller's own included; 0 means
    // one per core. Not a stored setting: the tests set it.
    unsigned threads = 0;

    static uint64_t SizeLimitFromMBytes(uint32_t mbytes) {
        return uint64_t{mbytes} * kBytesPerMByte;
    }

    bool operator==(const ComparisonOptions&) const = default;
};

}  // namespace quillon
