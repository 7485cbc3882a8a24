#include "platform/PeVersion.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

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

    std::optional<PeFixedVersion> FixedVersion() {
        uint32_t resourceRva = 0;
        if (!ReadHeaders(resourceRva)) {
            return std::nullopt;
        }
        uint64_t root = 0;
        uint64_t limit = 0;
        if (!MapRva(resourceRva, 16, root, &limit)) {
            return std::nullopt;
        }
        resourceBase_ = root;
        resourceLimit_ = limit;

        uint32_t typeDir = 0;
        if (!FindEntry(0, kResourceTypeVersion, true, true, typeDir)) {
            return std::nullopt;
        }
        uint32_t nameDir = 0;
        if (!FindEntry(typeDir, kVersionResourceId, false, true, nameDir)) {
            return std::nullopt;
        }
        uint32_t dataEntry = 0;
        if (!FindEntry(nameDir, 0, false, false, dataEntry)) {
            return std::nullopt;
        }
        return ReadVersionBlock(dataEntry);
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

    std::optional<PeFixedVersion> ReadVersionBlock(uint32_t dataEntry) const {
        uint8_t entry[16];
        if (!ReadResource(dataEntry, entry, sizeof entry)) {
            return std::nullopt;
        }
        const uint32_t rva = U32(entry);
        const uint32_t size = U32(entry + 4);
        constexpr size_t kNeeded = kFixedInfoOffset + kFixedInfoSize;
        uint64_t offset = 0;
        if (size < kNeeded || !MapRva(rva, kNeeded, offset, nullptr)) {
            return std::nullopt;
        }
        uint8_t block[kNeeded];
        if (!source_.Read(offset, block, sizeof block)) {
            return std::nullopt;
        }
        const uint16_t length = U16(block);
        const uint16_t valueLength = U16(block + 2);
        if (length < kNeeded || length > size || valueLength < kFixedInfoSize) {
            return std::nullopt;
        }
        static constexpr char kKey[] = "VS_VERSION_INFO";
        for (size_t i = 0; i < sizeof kKey; ++i) {
            if (U16(block + 6 + 2 * i) != static_cast<uint8_t>(kKey[i])) {
                return std::nullopt;
            }
        }
        const uint8_t* fixed = block + kFixedInfoOffset;
        if (U32(fixed) != kFixedInfoSignature) {
            return std::nullopt;
        }
        PeFixedVersion version;
        version.fileMs = U32(fixed + 8);
        version.fileLs = U32(fixed + 12);
        version.productMs = U32(fixed + 16);
        version.productLs = U32(fixed + 20);
        return version;
    }

    const ByteSource& source_;
    std::vector<Section> sections_;
    uint64_t resourceBase_ = 0;
    uint64_t resourceLimit_ = 0;
};

}  // namespace

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
    PeImage pe(image);
    return pe.FixedVersion();
}

std::optional<PeFixedVersion> ParsePeFixedVersion(std::string_view image) {
    return ParsePeFixedVersion(MemorySource(image));
}

std::optional<PeFixedVersion> ReadPeFixedVersion(const std::string& path) {
    // Non-blocking so that a FIFO given by mistake cannot hang the caller before the type check.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return std::nullopt;
    }
    std::optional<PeFixedVersion> version;
    struct stat st {};
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        version = ParsePeFixedVersion(FileSource(fd, static_cast<uint64_t>(st.st_size)));
    }
    close(fd);
    return version;
}

}  // namespace quillon
