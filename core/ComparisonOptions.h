// The comparison settings, read from the settings store by the view and handed to the comparison
// as a value. Defaults are the ones a fresh installation uses.
#pragma once

#include <cstdint>

#include "platform/SettingsCatalogue.h"

namespace quillon {

struct ComparisonOptions {
    static constexpr int kChecksumNone = 0;
    static constexpr int kChecksumSimple = 2;
    static constexpr uint64_t kBytesPerMByte = 1048576;

    // 1 compares sizes.
    int fileSize = settings::kFileSize.defaultValue;
    // Non-zero compares the minute-resolution timestamp texts.
    int compareTimestamp = settings::kCompareTimestamp.defaultValue;
    // 0 none, 2 the simplified checksum (first 3 characters), anything else the full one.
    int crc32 = settings::kCrc32.defaultValue;
    // Non-zero skips the checksum for files at or above the size limit.
    int crc32SkipIfBig = settings::kCrc32SkipIfBig.defaultValue;
    // The size limit in bytes.
    uint64_t crc32SizeToSkip =
        static_cast<uint64_t>(settings::kCrc32SizeToSkipMBytes.defaultValue) * kBytesPerMByte;
    // 1 reads and compares file versions.
    int showVersions = settings::kFileVersion.defaultValue;
    // Read the product version instead of the file version.
    bool productVersion = settings::kDisplayProductVer.defaultValue != 0;
    // Threads that read a whole tree and compare contents, the caller's own included; 0 means
    // one per core. Not a stored setting: the tests set it.
    unsigned threads = 0;

    static uint64_t SizeLimitFromMBytes(uint32_t mbytes) {
        return uint64_t{mbytes} * kBytesPerMByte;
    }

    bool operator==(const ComparisonOptions&) const = default;
};

}  // namespace quillon
