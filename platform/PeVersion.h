// Reads the version resource of a PE file without any help from the system: the fixed version
// numbers (VS_FIXEDFILEINFO), and for the properties summary its translation table and string
// entries. Every offset in the file is checked before it is used, so a
// truncated or deliberately malformed file gives no version instead of a crash or a long walk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

struct PeFixedVersion {
    uint32_t fileMs = 0;
    uint32_t fileLs = 0;
    uint32_t productMs = 0;
    uint32_t productLs = 0;
};

struct PeTranslation {
    uint16_t language = 0;
    uint16_t codePage = 0;
};

// One entry of a string table, the value converted to UTF-8.
struct PeVersionString {
    std::string table;  // the table's key in lower case, e.g. "040904b0"
    std::string name;
    std::string value;
};

struct PeVersionInfo {
    PeFixedVersion fixed;
    std::vector<PeTranslation> translations;
    std::vector<PeVersionString> strings;
    // The value of `name` in the table of `translation`, if it has one.
    const std::string* Find(const PeTranslation& translation, std::string_view name) const;
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
std::optional<PeVersionInfo> ParsePeVersionInfo(const ByteSource& image);
std::optional<PeVersionInfo> ParsePeVersionInfo(std::string_view image);
std::optional<PeVersionInfo> ReadPeVersionInfo(const std::string& path);

}  // namespace quillon
