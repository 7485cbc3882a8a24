#include "support/PeBuilder.h"

#include <initializer_list>

namespace quillon::test {

void PutU16(std::string& image, size_t offset, uint16_t value) {
    if (image.size() < offset + 2) {
        image.resize(offset + 2, '\0');
    }
    image[offset] = static_cast<char>(value & 0xFF);
    image[offset + 1] = static_cast<char>(value >> 8);
}

void PutU32(std::string& image, size_t offset, uint32_t value) {
    PutU16(image, offset, static_cast<uint16_t>(value & 0xFFFF));
    PutU16(image, offset + 2, static_cast<uint16_t>(value >> 16));
}

namespace {

constexpr uint32_t kCodeRva = 0x1000;
constexpr uint32_t kResourceRva = 0x2000;
constexpr size_t kCodeOffset = 0x200;
constexpr size_t kCodeSize = 0x200;
constexpr size_t kResourceFileOffset = kCodeOffset + kCodeSize;
constexpr uint32_t kSubdirectory = 0x80000000u;

// One resource directory with numeric entries; returns the offset just past it.
size_t PutDirectory(std::string& image, size_t at,
                    std::initializer_list<std::pair<uint32_t, uint32_t>> entries) {
    PutU16(image, at + 14, static_cast<uint16_t>(entries.size()));
    size_t entry = at + 16;
    for (const auto& [id, target] : entries) {
        PutU32(image, entry, id);
        PutU32(image, entry + 4, target);
        entry += 8;
    }
    return entry;
}

}  // namespace

std::string PeBuilder::Build() {
    std::string image(kResourceFileOffset, '\0');
    image[0] = 'M';
    image[1] = 'Z';
    peHeaderOffset = 0x80;
    PutU32(image, 0x3C, static_cast<uint32_t>(peHeaderOffset));

    image.replace(peHeaderOffset, 4, std::string("PE\0\0", 4));
    const size_t coff = peHeaderOffset + 4;
    const uint16_t optionalSize = pe32Plus ? 240 : 224;
    PutU16(image, coff, pe32Plus ? 0x8664 : 0x14C);
    PutU16(image, coff + 2, 2);
    PutU16(image, coff + 16, optionalSize);
    PutU16(image, coff + 18, 0x0102);

    optionalHeaderOffset = coff + 20;
    PutU16(image, optionalHeaderOffset, pe32Plus ? 0x20B : 0x10B);
    const size_t countField = optionalHeaderOffset + (pe32Plus ? 108 : 92);
    PutU32(image, countField, 16);
    const size_t resourceDirectory = countField + 4 + 2 * 8;

    sectionTableOffset = optionalHeaderOffset + optionalSize;
    image.replace(sectionTableOffset, 5, ".text");
    PutU32(image, sectionTableOffset + 8, kCodeSize);
    PutU32(image, sectionTableOffset + 12, kCodeRva);
    PutU32(image, sectionTableOffset + 16, kCodeSize);
    PutU32(image, sectionTableOffset + 20, kCodeOffset);
    const size_t rsrcHeader = sectionTableOffset + 40;
    image.replace(rsrcHeader, 5, ".rsrc");

    // Resource tree: root -> type -> name -> language -> data entry -> version block.
    std::string res;
    const uint32_t typeDir = iconTypeFirst ? 0x20 : 0x18;
    const uint32_t iconDir = 0x40;
    if (iconTypeFirst) {
        PutDirectory(res, 0, {{3, kSubdirectory | iconDir}, {16, kSubdirectory | typeDir}});
    } else {
        PutDirectory(res, 0, {{16, kSubdirectory | typeDir}});
    }
    const uint32_t nameDir = 0x60;
    const uint32_t dataEntry = 0x80;
    const uint32_t block = 0x90;
    if (withVersion) {
        PutDirectory(res, typeDir, {{versionNameId, kSubdirectory | nameDir}});
    } else {
        PutU16(res, typeDir + 14, 0);
    }
    PutDirectory(res, iconDir, {});
    PutDirectory(res, nameDir, {{1033, dataEntry}});

    // VS_VERSIONINFO: header, the UTF-16 key, padding, then the fixed information.
    constexpr size_t kBlockSize = 40 + 52;
    PutU32(res, dataEntry, kResourceRva + block);
    PutU32(res, dataEntry + 4, kBlockSize);
    PutU16(res, block, kBlockSize);
    PutU16(res, block + 2, 52);
    PutU16(res, block + 4, 0);
    static constexpr char kKey[] = "VS_VERSION_INFO";
    for (size_t i = 0; i < sizeof kKey; ++i) {
        PutU16(res, block + 6 + 2 * i, static_cast<uint8_t>(kKey[i]));
    }
    const size_t fixed = block + 40;
    PutU32(res, fixed, 0xFEEF04BDu);
    PutU32(res, fixed + 4, 0x00010000);
    PutU32(res, fixed + 8, fileVersion.first);
    PutU32(res, fixed + 12, fileVersion.second);
    PutU32(res, fixed + 16, productVersion.first);
    PutU32(res, fixed + 20, productVersion.second);
    PutU32(res, fixed + 48, 0);
    res.resize(block + kBlockSize, '\0');

    PutU32(image, rsrcHeader + 8, static_cast<uint32_t>(res.size()));
    PutU32(image, rsrcHeader + 12, kResourceRva);
    PutU32(image, rsrcHeader + 16, static_cast<uint32_t>(res.size()));
    PutU32(image, rsrcHeader + 20, static_cast<uint32_t>(kResourceFileOffset));
    PutU32(image, resourceDirectory, kResourceRva);
    PutU32(image, resourceDirectory + 4, static_cast<uint32_t>(res.size()));

    resourceOffset = kResourceFileOffset;
    dataEntryOffset = kResourceFileOffset + dataEntry;
    versionBlockOffset = kResourceFileOffset + block;
    fixedInfoOffset = kResourceFileOffset + fixed;
    image += res;
    return image;
}

}  // namespace quillon::test
