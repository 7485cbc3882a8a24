#include "platform/PeVersion.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "base/AsciiCase.h"
#include "base/TextConvert.h"

namespace quillon {
namespace {

constexpr uint32_t kHighBit = 0x80000000u;
constexpr uint32_t kResourceTypeVersion = 16;
constexpr uint32_t kVersionResourceId = 1;
constexpr uint32_t kFixedInfoSignature = 0xFEEF04BDu;
constexpr size_t kSectionHeaderSize = 40;
// Header (6 bytes) + "VS_VERSION_INFO" with its terminator (32 bytes), padded to 4 bytes.
constexpr size_t kFixedInfoOffset = 40;
constexpr size_t kFixedInfoSize = 52;
constexpr size_t kFixedInfoEnd = kFixedInfoOffset + kFixedInfoSize;
constexpr uint16_t kTextValue = 1;

uint16_t U16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t U32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

class FileSource : public ByteSource {
  public:
    FileSource(int fd, uint64_t size) : fd_(fd), size_(size) {}
    uint64_t Size() const override { return size_; }
    bool Read(uint64_t offset, void* out, size_t count) const override {
        if (offset > size_ || count > size_ - offset) {
            return false;
        }
        auto* dest = static_cast<uint8_t*>(out);
        while (count > 0) {
            ssize_t got = pread(fd_, dest, count, static_cast<off_t>(offset));
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got <= 0) {
                return false;
            }
            dest += got;
            offset += static_cast<uint64_t>(got);
            count -= static_cast<size_t>(got);
        }
        return true;
    }

  private:
    int fd_;
    uint64_t size_;
};

struct Section {
    uint32_t virtualAddress;
    uint32_t rawSize;
    uint32_t rawOffset;
};

class PeImage {
  public:
    explicit PeImage(const ByteSource& source) : source_(source) {}

    // The version block checked for its key and the fixed information's signature: its first
    // bytes up to the end of that information, or all of it when `whole`.
    bool VersionBlock(bool whole, std::vector<uint8_t>& block) {
        uint32_t resourceRva = 0;
        if (!ReadHeaders(resourceRva)) {
            return false;
        }
        uint64_t root = 0;
        uint64_t limit = 0;
        if (!MapRva(resourceRva, 16, root, &limit)) {
            return false;
        }
        resourceBase_ = root;
        resourceLimit_ = limit;

        uint32_t typeDir = 0;
        uint32_t nameDir = 0;
        uint32_t dataEntry = 0;
        return FindEntry(0, kResourceTypeVersion, true, true, typeDir) &&
               FindEntry(typeDir, kVersionResourceId, false, true, nameDir) &&
               FindEntry(nameDir, 0, false, false, dataEntry) &&
               ReadVersionBlock(dataEntry, whole, block);
    }

  private:
    bool ReadHeaders(uint32_t& resourceRva) {
        uint8_t dos[64];
        if (!source_.Read(0, dos, sizeof dos) || dos[0] != 'M' || dos[1] != 'Z') {
            return false;
        }
        const uint64_t pe = U32(dos + 0x3C);
        uint8_t coff[24];
        if (!source_.Read(pe, coff, sizeof coff) || std::memcmp(coff, "PE\0\0", 4) != 0) {
            return false;
        }
        const uint16_t sectionCount = U16(coff + 6);
        const uint16_t optionalSize = U16(coff + 20);
        const uint64_t optional = pe + 24;
        std::vector<uint8_t> opt(optionalSize);
        if (optionalSize < 2 || !source_.Read(optional, opt.data(), opt.size())) {
            return false;
        }
        size_t countOffset = 0;
        switch (U16(opt.data())) {
            case 0x10B:
                countOffset = 92;
                break;
            case 0x20B:
                countOffset = 108;
                break;
            default:
                return false;
        }
        const size_t resourceEntry = countOffset + 4 + 2 * 8;
        if (resourceEntry + 8 > opt.size() || U32(opt.data() + countOffset) <= 2) {
            return false;
        }
        resourceRva = U32(opt.data() + resourceEntry);
        if (resourceRva == 0) {
            return false;
        }

        std::vector<uint8_t> table(static_cast<size_t>(sectionCount) * kSectionHeaderSize);
        if (!source_.Read(optional + optionalSize, table.data(), table.size())) {
            return false;
        }
        sections_.reserve(sectionCount);
        for (size_t i = 0; i < sectionCount; ++i) {
            const uint8_t* h = table.data() + i * kSectionHeaderSize;
            sections_.push_back(Section{U32(h + 12), U32(h + 16), U32(h + 20)});
        }
        return true;
    }

    // File offset of `count` bytes at `rva`, all inside one section's raw data. `limit`, when
    // asked for, receives the end of that section's raw data in the file.
    bool MapRva(uint64_t rva, uint64_t count, uint64_t& offset, uint64_t* limit) const {
        for (const Section& s : sections_) {
            if (rva < s.virtualAddress) {
                continue;
            }
            const uint64_t delta = rva - s.virtualAddress;
            if (delta >= s.rawSize || count > s.rawSize - delta) {
                continue;
            }
            offset = static_cast<uint64_t>(s.rawOffset) + delta;
            if (limit != nullptr) {
                *limit = static_cast<uint64_t>(s.rawOffset) + s.rawSize;
            }
            return true;
        }
        return false;
    }

    bool ReadResource(uint64_t relative, void* out, size_t count) const {
        const uint64_t at = resourceBase_ + relative;
        if (at < resourceBase_ || at > resourceLimit_ || count > resourceLimit_ - at) {
            return false;
        }
        return source_.Read(at, out, count);
    }

    // Looks in the resource directory at `dir` for the entry with numeric `id` or, unless
    // `idRequired`, the first entry of the wanted kind. The walk has a fixed depth of three, so a
    // directory that points back at itself cannot make it loop.
    bool FindEntry(uint32_t dir, uint32_t id, bool idRequired, bool wantDirectory,
                   uint32_t& target) const {
        uint8_t header[16];
        if (!ReadResource(dir, header, sizeof header)) {
            return false;
        }
        const size_t count = static_cast<size_t>(U16(header + 12)) + U16(header + 14);
        std::vector<uint8_t> entries(count * 8);
        if (!ReadResource(static_cast<uint64_t>(dir) + 16, entries.data(), entries.size())) {
            return false;
        }
        bool haveFallback = false;
        uint32_t fallback = 0;
        for (size_t i = 0; i < count; ++i) {
            const uint32_t name = U32(entries.data() + i * 8);
            const uint32_t data = U32(entries.data() + i * 8 + 4);
            if (((data & kHighBit) != 0) != wantDirectory) {
                continue;
            }
            const uint32_t offset = data & ~kHighBit;
            if ((name & kHighBit) == 0 && name == id) {
                target = offset;
                return true;
            }
            if (!haveFallback) {
                haveFallback = true;
                fallback = offset;
            }
        }
        if (idRequired || !haveFallback) {
            return false;
        }
        target = fallback;
        return true;
    }

    bool ReadVersionBlock(uint32_t dataEntry, bool whole, std::vector<uint8_t>& block) const {
        uint8_t entry[16];
        if (!ReadResource(dataEntry, entry, sizeof entry)) {
            return false;
        }
        const uint32_t rva = U32(entry);
        const uint32_t size = U32(entry + 4);
        uint64_t offset = 0;
        if (size < kFixedInfoEnd || !MapRva(rva, kFixedInfoEnd, offset, nullptr)) {
            return false;
        }
        block.resize(kFixedInfoEnd);
        if (!source_.Read(offset, block.data(), block.size())) {
            return false;
        }
        const uint16_t length = U16(block.data());
        const uint16_t valueLength = U16(block.data() + 2);
        if (length < kFixedInfoEnd || length > size || valueLength < kFixedInfoSize) {
            return false;
        }
        static constexpr char kKey[] = "VS_VERSION_INFO";
        for (size_t i = 0; i < sizeof kKey; ++i) {
            if (U16(block.data() + 6 + 2 * i) != static_cast<uint8_t>(kKey[i])) {
                return false;
            }
        }
        if (U32(block.data() + kFixedInfoOffset) != kFixedInfoSignature) {
            return false;
        }
        if (!whole) {
            return true;
        }
        block.resize(length);
        return MapRva(rva, length, offset, nullptr) &&
               source_.Read(offset, block.data(), block.size());
    }

    const ByteSource& source_;
    std::vector<Section> sections_;
    uint64_t resourceBase_ = 0;
    uint64_t resourceLimit_ = 0;
};

PeFixedVersion FixedNumbers(const std::vector<uint8_t>& block) {
    const uint8_t* fixed = block.data() + kFixedInfoOffset;
    PeFixedVersion version;
    version.fileMs = U32(fixed + 8);
    version.fileLs = U32(fixed + 12);
    version.productMs = U32(fixed + 16);
    version.productLs = U32(fixed + 20);
    return version;
}

size_t Align4(size_t at) {
    return (at + 3) & ~size_t{3};
}

// One node of the version block: a length, the value's length and type, a UTF-16 key, the
// value, and child nodes up to the end, each part starting on a 4-byte boundary.
struct VersionNode {
    size_t end = 0;
    std::string key;
    size_t valueAt = 0;
    size_t valueBytes = 0;
    size_t childrenAt = 0;
};

// The node at `at`, which must end by `limit`. A length below the header's size is refused, so
// every walk over siblings moves forward.
bool ReadNode(const std::vector<uint8_t>& block, size_t at, size_t limit, VersionNode& node) {
    if (at >= limit || limit - at < 6) {
        return false;
    }
    const size_t length = U16(block.data() + at);
    if (length < 6 || length > limit - at) {
        return false;
    }
    node.end = at + length;
    const size_t valueLength = U16(block.data() + at + 2);
    const bool text = U16(block.data() + at + 4) == kTextValue;
    size_t p = at + 6;
    while (p + 2 <= node.end && U16(block.data() + p) != 0) {
        p += 2;
    }
    if (p + 2 > node.end) {
        return false;
    }
    node.key = Utf16LeToUtf8(
        std::string_view(reinterpret_cast<const char*>(block.data()) + at + 6, p - at - 6));
    node.valueAt = std::min(Align4(p + 2), node.end);
    node.valueBytes = std::min(text ? valueLength * 2 : valueLength, node.end - node.valueAt);
    node.childrenAt = std::min(Align4(node.valueAt + node.valueBytes), node.end);
    return true;
}

template <typename Visit>
void ForEachChild(const std::vector<uint8_t>& block, const VersionNode& parent, Visit visit) {
    VersionNode child;
    for (size_t at = parent.childrenAt; ReadNode(block, at, parent.end, child);
         at = Align4(child.end)) {
        visit(child);
    }
}

// The string tables and the translation table below the fixed information.
void ReadVersionTables(const std::vector<uint8_t>& block, PeVersionInfo& info) {
    VersionNode root;
    if (!ReadNode(block, 0, block.size(), root)) {
        return;
    }
    ForEachChild(block, root, [&](const VersionNode& section) {
        if (section.key == "StringFileInfo") {
            ForEachChild(block, section, [&](const VersionNode& table) {
                const std::string key = FoldAscii(table.key);
                ForEachChild(block, table, [&](const VersionNode& entry) {
                    std::string value = Utf16LeToUtf8(std::string_view(
                        reinterpret_cast<const char*>(block.data()) + entry.valueAt,
                        entry.valueBytes & ~size_t{1}));
                    value.resize(std::min(value.size(), value.find('\0')));
                    info.strings.push_back({key, entry.key, std::move(value)});
                });
            });
        } else if (section.key == "VarFileInfo") {
            ForEachChild(block, section, [&](const VersionNode& var) {
                if (var.key != "Translation") {
                    return;
                }
                for (size_t at = var.valueAt; at + 4 <= var.valueAt + var.valueBytes; at += 4) {
                    info.translations.push_back(
                        {U16(block.data() + at), U16(block.data() + at + 2)});
                }
            });
        }
    });
}

}  // namespace

const std::string* PeVersionInfo::Find(const PeTranslation& translation,
                                       std::string_view name) const {
    char table[9];
    std::snprintf(table, sizeof table, "%04x%04x", translation.language, translation.codePage);
    for (const PeVersionString& entry : strings) {
        if (entry.table == table && entry.name == name) {
            return &entry.value;
        }
    }
    return nullptr;
}

bool MemorySource::Read(uint64_t offset, void* out, size_t count) const {
    if (offset > bytes_.size() || count > bytes_.size() - offset) {
        return false;
    }
    if (count > 0) {
        std::memcpy(out, bytes_.data() + offset, count);
    }
    return true;
}

std::optional<PeFixedVersion> ParsePeFixedVersion(const ByteSource& image) {
    std::vector<uint8_t> block;
    if (!PeImage(image).VersionBlock(false, block)) {
        return std::nullopt;
    }
    return FixedNumbers(block);
}

std::optional<PeVersionInfo> ParsePeVersionInfo(const ByteSource& image) {
    std::vector<uint8_t> block;
    if (!PeImage(image).VersionBlock(true, block)) {
        return std::nullopt;
    }
    PeVersionInfo info;
    info.fixed = FixedNumbers(block);
    ReadVersionTables(block, info);
    return info;
}

std::optional<PeVersionInfo> ParsePeVersionInfo(std::string_view image) {
    return ParsePeVersionInfo(MemorySource(image));
}

std::optional<PeFixedVersion> ParsePeFixedVersion(std::string_view image) {
    return ParsePeFixedVersion(MemorySource(image));
}

namespace {

// The parse of the regular file at `path`; nothing for anything else.
template <typename Parse>
auto ReadPeFile(const std::string& path, Parse parse) -> decltype(parse(MemorySource({}))) {
    // Non-blocking so that a FIFO given by mistake cannot hang the caller before the type check.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return std::nullopt;
    }
    decltype(parse(MemorySource({}))) result;
    struct stat st {};
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        result = parse(FileSource(fd, static_cast<uint64_t>(st.st_size)));
    }
    close(fd);
    return result;
}

}  // namespace

std::optional<PeFixedVersion> ReadPeFixedVersion(const std::string& path) {
    return ReadPeFile(path, [](const ByteSource& s) { return ParsePeFixedVersion(s); });
}

std::optional<PeVersionInfo> ReadPeVersionInfo(const std::string& path) {
    return ReadPeFile(path, [](const ByteSource& s) { return ParsePeVersionInfo(s); });
}

}  // namespace quillon
