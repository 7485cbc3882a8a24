#include "base/Crc32.h"

#include <zlib.h>

#include <array>
#include <limits>

namespace quillon {

namespace {

constexpr std::array<uint32_t, 256> MakeTable() {
    std::array<uint32_t, 256> table{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k) {
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        }
        table[n] = c;
    }
    return table;
}

constexpr std::array<uint32_t, 256> kTable = MakeTable();

}  // namespace

uint32_t Crc32UpdateByte(uint32_t reg, uint8_t byte) {
    return kTable[(reg ^ byte) & 0xFF] ^ (reg >> 8);
}

uint32_t Crc32Update(uint32_t reg, const void* data, size_t length) {
    // zlib keeps the complemented register between calls.
    uLong value = ~reg & 0xFFFFFFFFu;
    const auto* bytes = static_cast<const Bytef*>(data);
    while (length > 0) {
        const uInt chunk = length > std::numeric_limits<uInt>::max()
                               ? std::numeric_limits<uInt>::max()
                               : static_cast<uInt>(length);
        value = crc32(value, bytes, chunk);
        bytes += chunk;
        length -= chunk;
    }
    return ~static_cast<uint32_t>(value);
}

uint32_t Crc32Of(const void* data, size_t length) {
    return ~Crc32Update(kCrc32Initial, data, length);
}

}  // namespace quillon
