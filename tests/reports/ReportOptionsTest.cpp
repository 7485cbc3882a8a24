#include "reports/ReportOptions.h"

#include <gtest/gtest.h>

#include "support/StoreFixture.h"

namespace quillon {
namespace {

using ReportOptionsStore = test::StoreFixture;

// First load stores defaults; fields round-trip; a box is on only for 1; the file needs its folder.
TEST_F(ReportOptionsStore, DefaultsSaveAndLoad) {
    ReportOptions o;
    o.outputDiffOption = 5;
    o.hhmmss = false;
    o.Load(store_);
    EXPECT_EQ(o.outputDiffOption, 0);
    EXPECT_TRUE(o.hhmmss);
    EXPECT_TRUE(o.diffStatLabel);
    for (const char* entry :
         {"OutputDiffOption", "OutputEncoding", "FilenameOption", "VersionColumn", "VersionLabel",
          "TimeColumn", "TimeLabel", "hhmmss", "SizeColumn", "SizeLabel", "bBytesLabel",
          "bDiffStatLabel", "OutputPath", "OutputFile"}) {
        EXPECT_TRUE(registry_.GetValue(RegHive::CurrentUser,
                                       "Software\\Marrowby\\Quillon\\OutputFormat", entry))
            << entry;
    }
    EXPECT_EQ(Int("OutputFormat", "SizeLabel"), 1);
    o = ReportOptions();
    o.outputDiffOption = 7;
    o.outputEncoding = 9;
    o.filenameOption = 2;
    o.versionLabel = false;
    o.outputPath = Dir().Path();
    o.outputFile = Dir() / "x.txt";
    o.Save(store_);
    EXPECT_EQ(Int("OutputFormat", "OutputEncoding"), 0);
    ReportOptions back;
    back.Load(store_);
    EXPECT_EQ(back.outputDiffOption, 7);
    EXPECT_EQ(back.filenameOption, 2);
    EXPECT_FALSE(back.versionLabel);
    EXPECT_TRUE(back.sizeLabel);
    EXPECT_EQ(back.outputFile, Dir() / "x.txt");
    EXPECT_EQ(back.VersionLabelText(), "");
    EXPECT_EQ(back.SizeLabelText(), "Size: ");
    store_.WriteProfileInt("OutputFormat", "TimeColumn", 2);
    store_.WriteProfileInt("OutputFormat", "SizeLabel", 0);
    store_.WriteProfileInt("OutputFormat", "OutputEncoding", 7);
    back.Load(store_);
    EXPECT_FALSE(back.timeColumn);
    EXPECT_FALSE(back.sizeLabel);
    EXPECT_TRUE(back.versionColumn);
    EXPECT_EQ(back.outputEncoding, 0);
    EXPECT_EQ(Int("OutputFormat", "TimeColumn"), 2);
    store_.WriteProfileString("OutputFormat", "OutputPath", Dir() / "gone");
    back.Load(store_);
    EXPECT_EQ(back.outputFile, "");
    EXPECT_EQ(back.outputPath, Dir() / "gone");
}

}  // namespace
}  // namespace quillon
