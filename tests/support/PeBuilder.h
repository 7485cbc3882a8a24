// Small PE images built in memory; the version resource ends the file, so any cut loses it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "base/TextConvert.h"

namespace quillon::test {

// Little-endian writes into an image built by PeBuilder.
inline void PutU16(std::string& image, size_t offset, uint16_t value) {
    if (image.size() < offset + 2) {
        image.resize(offset + 2, '\0');
    }
    image[offset] = static_cast<char>(value & 0xFF);
    image[offset + 1] = static_cast<char>(value >> 8);
}

inline void PutU32(std::string& image, size_t offset, uint32_t value) {
    PutU16(image, offset, static_cast<uint16_t>(value & 0xFFFF));
    PutU16(image, offset + 2, static_cast<uint16_t>(value >> 16));
}

namespace pe {

inline constexpr uint32_t kCodeRva = 0x1000;
inline constexpr uint32_t kResourceRva = 0x2000;
inline constexpr uint32_t kCodeOffset = 0x200;
inline constexpr uint32_t kCodeSize = 0x200;
inline constexpr uint32_t kResourceFileOffset = kCodeOffset + kCodeSize;
inline constexpr uint32_t kSubdirectory = 0x80000000u;

// Consecutive 32-bit values from `at`.
inline void PutU32s(std::string& image, size_t at, std::initializer_list<uint32_t> values) {
    for (const uint32_t value : values) {
        PutU32(image, at, value);
        at += 4;
    }
}

// One resource directory with numeric entries; returns the offset just past it.
inline size_t PutDirectory(std::string& image, size_t at,
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

// One node of a version block: header, UTF-16 key, padding, value, padding, then the children,
// each padded to 4 bytes. A text value's length counts UTF-16 units, a binary one bytes.
inline std::string VersionNode(std::string_view key, bool text, std::string_view value,
                               const std::vector<std::string>& children = {}) {
    auto utf16 = [](std::string_view utf8) {
        std::string bytes;
        for (const char16_t unit : Utf8ToUtf16(utf8)) {
            bytes += static_cast<char>(unit & 0xFF);
            bytes += static_cast<char>(unit >> 8);
        }
        return bytes + std::string(2, '\0');
    };
    auto pad = [](std::string& s) { s.resize((s.size() + 3) & ~size_t{3}, '\0'); };
    std::string node(6, '\0');
    node += utf16(key);
    pad(node);
    const std::string v = !text ? std::string(value) : value.empty() ? std::string() : utf16(value);
    node += v;
    for (const std::string& child : children) {
        pad(node);
        node += child;
    }
    PutU16(node, 0, static_cast<uint16_t>(node.size()));
    PutU16(node, 2, static_cast<uint16_t>(text ? v.size() / 2 : v.size()));
    PutU16(node, 4, text ? 1 : 0);
    return node;
}

}  // namespace pe

struct PeBuilder {
    bool pe32Plus = false;
    std::pair<uint32_t, uint32_t> fileVersion{0x00010000, 0x00000000};
    std::pair<uint32_t, uint32_t> productVersion{0x00010000, 0x00000000};
    bool withVersion = true;     // false: only an icon resource
    uint32_t versionNameId = 1;  // the resource name under RT_VERSION
    bool iconTypeFirst = true;   // an RT_ICON type entry precedes RT_VERSION
    // After the fixed information: string tables (key, then name/value pairs) and translations
    // (language in the low word, code page in the high one).
    std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>> tables;
    std::vector<uint32_t> translations;
    std::string Build();
    // Where the parts of the last built image start in the file, for targeted damage.
    size_t peHeaderOffset = 0;
    size_t optionalHeaderOffset = 0;
    size_t sectionTableOffset = 0;
    size_t resourceOffset = 0;  // the root resource directory
    size_t dataEntryOffset = 0;
    size_t versionBlockOffset = 0;
    size_t fixedInfoOffset = 0;
};

inline std::string PeBuilder::Build() {
    using namespace pe;
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
    PutU32s(image, sectionTableOffset + 8, {kCodeSize, kCodeRva, kCodeSize, kCodeOffset});
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
    // VS_VERSIONINFO: header, the UTF-16 key, padding, the fixed information, the tables.
    std::string fixedInfo(52, '\0');
    PutU32s(fixedInfo, 0,
            {0xFEEF04BDu, 0x00010000, fileVersion.first, fileVersion.second, productVersion.first,
             productVersion.second});
    std::vector<std::string> sections;
    if (!tables.empty()) {
        std::vector<std::string> tableNodes;
        for (const auto& [key, entries] : tables) {
            std::vector<std::string> strings;
            for (const auto& [name, value] : entries) {
                strings.push_back(VersionNode(name, true, value));
            }
            tableNodes.push_back(VersionNode(key, true, "", strings));
        }
        sections.push_back(VersionNode("StringFileInfo", true, "", tableNodes));
    }
    if (!translations.empty()) {
        std::string pairs;
        for (const uint32_t t : translations) {
            PutU32(pairs, pairs.size(), t);
        }
        sections.push_back(
            VersionNode("VarFileInfo", true, "", {VersionNode("Translation", false, pairs)}));
    }
    const std::string version = VersionNode("VS_VERSION_INFO", false, fixedInfo, sections);
    PutU32s(res, dataEntry, {kResourceRva + block, static_cast<uint32_t>(version.size())});
    res.resize(block, '\0');
    res += version;
    const size_t fixed = block + 40;
    const auto resSize = static_cast<uint32_t>(res.size());
    PutU32s(image, rsrcHeader + 8, {resSize, kResourceRva, resSize, kResourceFileOffset});
    PutU32s(image, resourceDirectory, {kResourceRva, resSize});
    resourceOffset = kResourceFileOffset;
    dataEntryOffset = kResourceFileOffset + dataEntry;
    versionBlockOffset = kResourceFileOffset + block;
    fixedInfoOffset = kResourceFileOffset + fixed;
    image += res;
    return image;
}

}  // namespace quillon::test
