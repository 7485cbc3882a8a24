// The IEEE 802.3 CRC-32 (reflected polynomial 0xEDB88320). The register starts at kCrc32Initial
// and the checksum is the complemented register.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillon {

inline constexpr uint32_t kCrc32Initial = 0xFFFFFFFFu;

// One byte into the register, least significant end first.
uint32_t Crc32UpdateByte(uint32_t reg, uint8_t byte);
// A buffer into the register; the same result as one byte at a time.
uint32_t Crc32Update(uint32_t reg, const void* data, size_t length);
// The checksum of a whole buffer.
uint32_t Crc32Of(const void* data, size_t length);

}  // namespace quillon
