#include "reports/ReportOptions.h"

#include <gtest/gtest.h>

#include "platform/RegistryStore.h"
#include "platform/SettingsStore.h"
#include "support/TempConfigEnv.h"

namespace quillon {
namespace {

class ReportOptionsStore : public ::testing::Test {
  protected:
    test::TempConfigEnv env;
    RegistryStore registry{RegistryStore::FolderFromEnvironment()};
    SettingsStore settings{registry};

    bool Stored(const char* entry) {
        return registry
            .GetValue(RegHive::CurrentUser, "Software\\Marrowby\\Quillon\\OutputFormat", entry)
            .has_value();
    }
};

// A first load comes up with the defaults and leaves every value in the section.
TEST_F(ReportOptionsStore, FirstLoadWritesDefaultsBack) {
    ReportOptions o;
    o.outputDiffOption = 5;
    o.hhmmss = false;
    o.Load(settings);
    EXPECT_EQ(o.outputDiffOption, 0);
    EXPECT_TRUE(o.hhmmss);
    EXPECT_TRUE(o.diffStatLabel);
    for (const char* entry :
         {"OutputDiffOption", "OutputEncoding", "FilenameOption", "VersionColumn", "VersionLabel",
          "TimeColumn", "TimeLabel", "hhmmss", "SizeColumn", "SizeLabel", "bBytesLabel",
          "bDiffStatLabel", "OutputPath", "OutputFile"}) {
        EXPECT_TRUE(Stored(entry)) << entry;
    }
    EXPECT_EQ(settings.GetProfileInt("OutputFormat", "SizeLabel", -5), 1);
}

// A check box is on only for a stored 1; an unknown encoding reads as ANSI but stays stored.
TEST_F(ReportOptionsStore, CheckBoxesAndEncodingOnLoad) {
    settings.WriteProfileInt("OutputFormat", "TimeColumn", 2);
    settings.WriteProfileInt("OutputFormat", "SizeLabel", 0);
    settings.WriteProfileInt("OutputFormat", "OutputEncoding", 7);
    ReportOptions o;
    o.Load(settings);
    EXPECT_FALSE(o.timeColumn);
    EXPECT_FALSE(o.sizeLabel);
    EXPECT_TRUE(o.versionColumn);
    EXPECT_EQ(o.outputEncoding, 0);
    EXPECT_EQ(settings.GetProfileInt("OutputFormat", "TimeColumn", -1), 2);
}

// The output file is kept only while its folder exists.
TEST_F(ReportOptionsStore, OutputFileNeedsExistingFolder) {
    settings.WriteProfileString("OutputFormat", "OutputPath", env.Dir().Path());
    settings.WriteProfileString("OutputFormat", "OutputFile", env.Dir() / "r.txt");
    ReportOptions kept;
    kept.Load(settings);
    EXPECT_EQ(kept.outputFile, env.Dir() / "r.txt");

    settings.WriteProfileString("OutputFormat", "OutputPath", env.Dir() / "gone");
    ReportOptions cleared;
    cleared.Load(settings);
    EXPECT_EQ(cleared.outputFile, "");
    EXPECT_EQ(cleared.outputPath, env.Dir() / "gone");
}

// Saving writes every field, the encoding clamped, and a load gives them back.
TEST_F(ReportOptionsStore, SaveThenLoadRoundTrips) {
    ReportOptions o;
    o.outputDiffOption = 7;
    o.outputEncoding = 9;
    o.filenameOption = 2;
    o.versionLabel = false;
    o.bytesLabel = false;
    o.outputPath = env.Dir().Path();
    o.outputFile = env.Dir() / "x.txt";
    o.Save(settings);
    EXPECT_EQ(settings.GetProfileInt("OutputFormat", "OutputEncoding", -1), 0);
    ReportOptions back;
    back.Load(settings);
    EXPECT_EQ(back.outputDiffOption, 7);
    EXPECT_EQ(back.filenameOption, 2);
    EXPECT_FALSE(back.versionLabel);
    EXPECT_FALSE(back.bytesLabel);
    EXPECT_TRUE(back.sizeLabel);
    EXPECT_EQ(back.outputFile, env.Dir() / "x.txt");
    EXPECT_EQ(back.VersionLabelText(), "");
    EXPECT_EQ(back.SizeLabelText(), "Size: ");
}

}  // namespace
}  // namespace quillon
