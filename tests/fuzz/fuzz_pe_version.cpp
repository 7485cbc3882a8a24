// Any bytes given to the PE version reader: it must neither crash nor read outside the image, its
// walk stays a handful of reads however the directories point, and a version it finds does not
// depend on bytes past the ones it read (the same image with more bytes after it agrees).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "platform/PeVersion.h"

namespace {

// The headers, three directory levels and the version block: a fixed number of reads.
constexpr int kMaxReads = 16;

// The product's own memory image, with every read counted.
class CountingSource : public quillon::MemorySource {
  public:
    using MemorySource::MemorySource;
    bool Read(uint64_t offset, void* out, size_t count) const override {
        if (++reads_ > kMaxReads) {
            std::abort();
        }
        return MemorySource::Read(offset, out, count);
    }

  private:
    mutable int reads_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view image(reinterpret_cast<const char*>(data), size);
    const std::optional<quillon::PeFixedVersion> found =
        quillon::ParsePeFixedVersion(CountingSource(image));
    if (found) {
        const std::string longer = std::string(image) + std::string(64, '\xA5');
        const std::optional<quillon::PeFixedVersion> again =
            quillon::ParsePeFixedVersion(std::string_view(longer));
        if (!again || again->fileMs != found->fileMs || again->fileLs != found->fileLs ||
            again->productMs != found->productMs || again->productLs != found->productLs) {
            std::abort();
        }
    }
    // The whole block's tables: one more read, and the same fixed numbers.
    const std::optional<quillon::PeVersionInfo> info =
        quillon::ParsePeVersionInfo(CountingSource(image));
    if (info && (!found || info->fixed.fileMs != found->fileMs ||
                 info->fixed.productLs != found->productLs)) {
        std::abort();
    }
    return 0;
}
