// Content checksums used by the status rules. Files are read as a text-mode stream would read
// them: CR LF counts as LF and a byte 0x1A ends the data.
#pragma once

#include <cstdint>
#include <string>

#include "platform/FileSystem.h"

namespace quillon {

// 0 on success, otherwise the system error code. A FIFO, socket or device is never opened: it
// gives EINVAL and a log line. `checksum` is the complemented register in every case.
int FileChecksum(const std::string& path, uint32_t& checksum, FileSystem& fs = RealFileSystem());
// The same over at most the first 3 characters.
int SimpleFileChecksum(const std::string& path, uint32_t& checksum,
                       FileSystem& fs = RealFileSystem());

}  // namespace quillon
