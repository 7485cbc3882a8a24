// Reads the fixed version information (VS_FIXEDFILEINFO) from the version resource of a PE file
// without any help from the system. Every offset in the file is checked before it is used, so a
// truncated or deliberately malformed file gives no version instead of a crash or a long walk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillon {

struct PeFixedVersion {
    uint32_t fileMs = 0;
    uint32_t fileLs = 0;
    uint32_t productMs = 0;
    uint32_t productLs = 0;
};

// Random access to the bytes of one file image.
class ByteSource {
  public:
    virtual ~ByteSource() = default;
    virtual uint64_t Size() const = 0;
    // Fills `out` with `count` bytes at `offset`; false when any of them lies outside the image.
    virtual bool Read(uint64_t offset, void* out, size_t count) const = 0;
};

// An image already in memory; the bytes must outlive the source.
class MemorySource : public ByteSource {
  public:
    explicit MemorySource(std::string_view bytes) : bytes_(bytes) {}
    uint64_t Size() const override { return bytes_.size(); }
    bool Read(uint64_t offset, void* out, size_t count) const override;

  private:
    std::string_view bytes_;
};

std::optional<PeFixedVersion> ParsePeFixedVersion(const ByteSource& image);
std::optional<PeFixedVersion> ParsePeFixedVersion(std::string_view image);
std::optional<PeFixedVersion> ReadPeFixedVersion(const std::string& path);

}  // namespace quillon
