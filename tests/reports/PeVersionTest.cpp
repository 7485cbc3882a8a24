#include "platform/PeVersion.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <string>
#include <utility>

#include "platform/FileText.h"
#include "support/PeBuilder.h"
#include "support/TestDir.h"

namespace quillon {
namespace {

using test::PeBuilder;
using test::PutU16;
using test::PutU32;
using test::TestDir;

PeBuilder Sample(bool pe32Plus) {
    PeBuilder pe;
    pe.pe32Plus = pe32Plus;
    pe.fileVersion = {0x00020003, 0x00040005};
    pe.productVersion = {0x000A0000, 0xFFFF0001};
    return pe;
}

class PeLayoutTest : public ::testing::TestWithParam<bool> {};

std::array<uint32_t, 4> Numbers(const PeFixedVersion& v) {
    return {v.fileMs, v.fileLs, v.productMs, v.productLs};
}

// Both header widths give the numbers; a cut image gives none, a damaged one never wrong numbers.
TEST_P(PeLayoutTest, WholeCutAndDamagedImages) {
    PeBuilder pe = Sample(GetParam());
    const std::string image = pe.Build();
    TestDir dir;
    dir.WriteFile("tool.exe", image);
    EXPECT_EQ(FormatVersionText(dir / "tool.exe", false), "2.3.4.5");
    EXPECT_EQ(FormatVersionText(dir / "tool.exe", true), "10.0.65535.1");
    for (size_t length = 0; length < image.size(); ++length) {
        ASSERT_FALSE(ParsePeFixedVersion(std::string_view(image).substr(0, length)).has_value())
            << "length " << length;
    }
    const auto original = ParsePeFixedVersion(image);
    ASSERT_TRUE(original.has_value());
    std::mt19937 random(12345);
    for (int round = 0; round < 20000; ++round) {
        std::string damaged = image;
        const size_t at = random() % damaged.size();
        damaged[at] = static_cast<char>(random() & 0xFF);
        const auto got = ParsePeFixedVersion(damaged);
        if (got && (at < pe.fixedInfoOffset + 8 || at >= pe.fixedInfoOffset + 24)) {
            ASSERT_EQ(Numbers(*got), Numbers(*original)) << "byte " << at;
        }
    }
}

// The tables after the fixed numbers: a cut image gives nothing, a damaged one never reads
// outside its block (the sanitizer build watches), and damage to the tables never changes the
// fixed numbers.
TEST_P(PeLayoutTest, TablesOfWholeCutAndDamagedImages) {
    PeBuilder pe = Sample(GetParam());
    pe.tables = {{"040904b0", {{"FileDescription", "Tool"}, {"ProductName", "Suite"}}}};
    pe.translations = {0x04B00409};
    const std::string image = pe.Build();
    const auto info = ParsePeVersionInfo(image);
    ASSERT_TRUE(info.has_value());
    ASSERT_EQ(info->translations.size(), 1u);
    EXPECT_EQ(*info->Find(info->translations[0], "ProductName"), "Suite");
    EXPECT_EQ(info->Find(info->translations[0], "Comments"), nullptr);
    EXPECT_EQ(info->fixed.fileMs, 0x00020003u);
    for (size_t length = 0; length < image.size(); ++length) {
        ASSERT_FALSE(ParsePeVersionInfo(std::string_view(image).substr(0, length)).has_value());
    }
    std::mt19937 random(777);
    for (int round = 0; round < 20000; ++round) {
        std::string damaged = image;
        const size_t at = pe.versionBlockOffset + random() % (image.size() - pe.versionBlockOffset);
        damaged[at] = static_cast<char>(random() & 0xFF);
        const auto got = ParsePeVersionInfo(damaged);
        if (got && at >= pe.fixedInfoOffset + 24) {
            ASSERT_EQ(Numbers(got->fixed), Numbers(info->fixed)) << "byte " << at;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Pe32AndPe32Plus, PeLayoutTest, ::testing::Bool());

// A version under another name than 1 is found; icon-only images and non-images have none.
TEST(PeVersion, ResourceNamesAndMissingVersion) {
    PeBuilder named = Sample(false);
    named.versionNameId = 7;
    named.iconTypeFirst = false;
    const auto found = ParsePeFixedVersion(named.Build());
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->fileMs, 0x00020003u);
    PeBuilder iconOnly = Sample(false);
    iconOnly.withVersion = false;
    EXPECT_FALSE(ParsePeFixedVersion(iconOnly.Build()).has_value());
    TestDir dir;
    dir.MakeTree({{"readme.txt", "MZ but nothing else"}, {"empty.exe", ""}, {"folder.exe/", ""}});
    dir.MakeFifo("pipe.exe");
    for (const char* name : {"readme.txt", "empty.exe", "folder.exe", "pipe.exe", "missing.exe"}) {
        EXPECT_EQ(FormatVersionText(dir / name, true), "") << name;
    }
    EXPECT_EQ(FormatVersionText("", false), "");
}

// Hostile headers and resource trees give no version and terminate quickly.
TEST(PeVersion, HostileImagesGiveNoVersion) {
    using Damage = void (*)(std::string&, const PeBuilder&);
    const std::pair<const char*, Damage> cases[] = {
        {"PE header offset past the end",
         [](std::string& i, const PeBuilder&) { PutU32(i, 0x3C, 0xFFFFFFF0u); }},
        {"wrong optional header magic",
         [](std::string& i, const PeBuilder& pe) { PutU16(i, pe.optionalHeaderOffset, 0x0107); }},
        {"too few data directories",
         [](std::string& i, const PeBuilder& pe) { PutU32(i, pe.optionalHeaderOffset + 92, 2); }},
        {"optional header too small for the resource directory",
         [](std::string& i, const PeBuilder& pe) { PutU16(i, pe.peHeaderOffset + 4 + 16, 100); }},
        {"65535 sections",
         [](std::string& i, const PeBuilder& pe) { PutU16(i, pe.peHeaderOffset + 4 + 2, 0xFFFF); }},
        {"resource section raw data beyond the file",
         [](std::string& i, const PeBuilder& pe) {
             PutU32(i, pe.sectionTableOffset + 40 + 20, 0xFFFFFF00u);
         }},
        {"resource directory count far beyond the section",
         [](std::string& i, const PeBuilder& pe) {
             PutU16(i, pe.resourceOffset + 12, 0xFFFF);
             PutU16(i, pe.resourceOffset + 14, 0xFFFF);
         }},
        {"version type entry pointing back at the root",
         [](std::string& i, const PeBuilder& pe) {
             PutU32(i, pe.resourceOffset + 16 + 8 + 4, 0x80000000u);
         }},
        {"data entry offset beyond the section",
         [](std::string& i, const PeBuilder& pe) {
             PutU32(i, pe.resourceOffset + 0x60 + 16 + 4, 0x7FFFFFF0u);
         }},
        {"version data RVA that wraps around",
         [](std::string& i, const PeBuilder& pe) { PutU32(i, pe.dataEntryOffset, 0xFFFFFFF0u); }},
        {"version data size too small",
         [](std::string& i, const PeBuilder& pe) { PutU32(i, pe.dataEntryOffset + 4, 40); }},
        {"block length larger than the resource",
         [](std::string& i, const PeBuilder& pe) { PutU16(i, pe.versionBlockOffset, 0xFFFF); }},
        {"value shorter than the fixed information",
         [](std::string& i, const PeBuilder& pe) { PutU16(i, pe.versionBlockOffset + 2, 51); }},
        {"wrong key",
         [](std::string& i, const PeBuilder& pe) { i[pe.versionBlockOffset + 6] = 'X'; }},
        {"wrong signature",
         [](std::string& i, const PeBuilder& pe) { PutU32(i, pe.fixedInfoOffset, 0); }}};
    for (const auto& [what, damage] : cases) {
        PeBuilder pe = Sample(false);
        std::string image = pe.Build();
        damage(image, pe);
        EXPECT_FALSE(ParsePeFixedVersion(image).has_value()) << what;
    }
}

}  // namespace
}  // namespace quillon
