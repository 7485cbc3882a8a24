// The properties of a selection: sizes and counts that never go through a link, dot-files
// counted, three-state attributes, version lines for programs, and a read-only change that
// reaches everything inside selected folders but no link target and no special file.
#include "fileops/FileProperties.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "support/PeBuilder.h"
#include "support/TestDir.h"

namespace quillon {
namespace {

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(lstat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

// A selection of a file and a folder holding a dot-file, a subfolder, a FIFO and links to a file
// and to a folder outside (the 5000-byte file and its folder must not be counted).
struct Selection {
    test::TestDir dir;
    std::string loc = dir / "pane";
    std::vector<std::string> names = {"a.txt", "sel"};
    Selection() {
        dir.MakeTree({{"pane/a.txt", std::string(100, 'a')},
                      {"pane/sel/.dot", std::string(10, 'd')},
                      {"pane/sel/sub/deep.bin", std::string(1000, 'b')},
                      {"outside/big", std::string(5000, 'x')},
                      {"outside/more/f", "f"}});
        dir.MakeFifo("pane/sel/pipe");
        dir.Symlink(dir / "outside/big", "pane/sel/tofile");
        dir.Symlink(dir / "outside", "pane/sel/tofolder");
    }
};

// Counts and sizes: links count as files of their own (path-length) size, folders behind links
// are not entered, the FIFO is a file of no size, the dot-file is counted.
TEST(FileProperties, CountsWithoutFollowingLinks) {
    Selection s;
    const FileProperties p = ComputeFileProperties(RealFileSystem(), s.loc, s.names, nullptr);
    const uint64_t links = (s.dir / "outside/big").size() + (s.dir / "outside").size();
    EXPECT_EQ(p.totalBytes, 100 + 10 + 1000 + links);
    EXPECT_EQ(p.files, 6);    // a.txt, .dot, deep.bin, pipe, two links
    EXPECT_EQ(p.folders, 2);  // sel, sub
    EXPECT_TRUE(p.enteredFolders);
    EXPECT_TRUE(p.unreadable.empty());
    EXPECT_EQ(PropertiesSummaryText(p),
              "6 Files, 2 Folders\r\n\r\nThis list includes the files in the selected "
              "sub-folder(s).");
    const FileProperties one = ComputeFileProperties(RealFileSystem(), s.loc, {"a.txt"}, nullptr);
    EXPECT_EQ(PropertiesSummaryText(one), "1 Files, 0 Folders");
}

// The size line: scaled above each power of two, two decimals unless whole, exact bytes after.
TEST(FileProperties, SizeText) {
    const struct {
        uint64_t bytes;
        const char* text;
    } cases[] = {
        {0, "0 bytes (0 bytes)"},
        {1024, "1024 bytes (1,024 bytes)"},
        {1025, "1.00 KB (1,025 bytes)"},
        {2048, "2 KB (2,048 bytes)"},
        {1572864, "1.50 MB (1,572,864 bytes)"},
        {(uint64_t{1} << 30) + 1, "1.00 GB (1,073,741,825 bytes)"},
        {uint64_t{3} << 40, "3 TB (3,298,534,883,328 bytes)"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PropertiesSizeText(c.bytes), c.text) << c.bytes;
    }
}

// Attributes: read-only is "no write bit", hidden a leading dot; each box is mixed when the
// selected items differ; a mixed box changes nothing; set and clear reach inside folders but
// leave link targets and the FIFO alone.
TEST(FileProperties, ReadOnlyThreeStatesAndChange) {
    Selection s;
    s.dir.WriteFile("pane/.rc", "r");
    chmod((s.dir / "pane/a.txt").c_str(), 0444);
    auto props = [&](const std::vector<std::string>& names) {
        return ComputeFileProperties(RealFileSystem(), s.loc, names, nullptr);
    };
    EXPECT_EQ(props({"a.txt"}).readOnly, AttributeState::kSet);
    EXPECT_EQ(props({"a.txt", "sel"}).readOnly, AttributeState::kMixed);
    EXPECT_EQ(props({"sel"}).readOnly, AttributeState::kClear);
    EXPECT_EQ(props({".rc", "a.txt"}).hidden, AttributeState::kMixed);
    EXPECT_EQ(props({".rc"}).hidden, AttributeState::kSet);

    const std::vector<std::string> watched = {
        "pane/a.txt",  "pane/sel", "pane/sel/sub/deep.bin", "pane/sel/.dot", "pane/sel/pipe",
        "outside/big", "outside"};
    auto modes = [&] {
        std::vector<mode_t> m;
        for (const std::string& w : watched) {
            m.push_back(ModeOf(s.dir / w));
        }
        return m;
    };
    const std::vector<mode_t> before = modes();
    EXPECT_EQ(
        ApplyReadOnly(RealFileSystem(), s.loc, s.names, AttributeState::kMixed, nullptr, nullptr),
        0);
    EXPECT_EQ(modes(), before);

    ASSERT_EQ(
        ApplyReadOnly(RealFileSystem(), s.loc, s.names, AttributeState::kSet, nullptr, nullptr), 0);
    std::vector<mode_t> after = modes();
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(after[i], before[i] & ~mode_t{0222}) << watched[i];
    }
    for (size_t i = 4; i < watched.size(); ++i) {
        EXPECT_EQ(after[i], before[i]) << watched[i];
    }
    EXPECT_EQ(props(s.names).readOnly, AttributeState::kSet);

    ASSERT_EQ(
        ApplyReadOnly(RealFileSystem(), s.loc, s.names, AttributeState::kClear, nullptr, nullptr),
        0);
    after = modes();
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(after[i], (before[i] & ~mode_t{0222}) | S_IWUSR) << watched[i];
    }
    EXPECT_EQ(props(s.names).readOnly, AttributeState::kClear);
    std::vector<std::string> failed;
    EXPECT_EQ(
        ApplyReadOnly(RealFileSystem(), s.loc, {"gone"}, AttributeState::kSet, nullptr, &failed),
        1);
    EXPECT_EQ(failed, std::vector<std::string>{s.loc + "/gone"});
}

// One program with a version resource shows its version lines; the same bytes under another
// extension, or a program without a version, show the counts.
TEST(FileProperties, VersionOfOneProgram) {
    test::TestDir dir;
    test::PeBuilder pe;
    pe.fileVersion = {0x00020003, 0x00040005};
    pe.productVersion = {0x00070000, 0x00000009};
    dir.WriteFile("Tool.EXE", pe.Build());
    dir.WriteFile("tool.bin", pe.Build());
    pe.withVersion = false;
    dir.WriteFile("plain.dll", pe.Build());
    auto summary = [&](const std::string& name) {
        return PropertiesSummaryText(
            ComputeFileProperties(RealFileSystem(), dir.Path(), {name}, nullptr));
    };
    EXPECT_EQ(summary("Tool.EXE"), "FileVersion: 2.3.4.5\r\nProductVersion: 7.0.0.9");
    EXPECT_EQ(summary("tool.bin"), "1 Files, 0 Folders");
    EXPECT_EQ(summary("plain.dll"), "1 Files, 0 Folders");

    // With a translation table: one block per language and code page, the entries in their
    // fixed order whatever the file's order, the two versions from the numbers, missing entries
    // left out, a table key in upper case found all the same.
    pe.withVersion = true;
    pe.tables = {{"040904B0",
                  {{"Comments", "x"},
                   {"ProductVersion", "seven"},
                   {"CompanyName", "Marrowby \xC2\xA9 2026"},
                   {"FileVersion", "two"},
                   {"FileDescription", "Tool"}}},
                 {"040704e4", {{"ProductName", "Werkzeug"}}}};
    pe.translations = {0x04B00409, 0x04E40407, 0x04B00000};
    dir.WriteFile("full.dll", pe.Build());
    EXPECT_EQ(summary("full.dll"),
              "(Language: 1033, CodePage: 1200)\r\nFileVersion: 2.3.4.5\r\n"
              "FileDescription: Tool\r\nProductVersion: 7.0.0.9\r\n"
              "CompanyName: Marrowby \xC2\xA9 2026\r\nComments: x\r\n\r\n"
              "(Language: 1031, CodePage: 1252)\r\nProductName: Werkzeug\r\n\r\n"
              "(Language: 0000, CodePage: 1200)");
}

}  // namespace
}  // namespace quillon
