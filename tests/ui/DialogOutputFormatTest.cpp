#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <string>
#include <vector>

#include "reports/ReportOptions.h"
#include "reports/TextReport.h"
#include "support/WindowFixture.h"
#include "ui/COutputFormat.h"

namespace quillon {
namespace {

// The writers' layout is pinned with them; the dialog only has to hand them its rows.
ReportRow Line(bool isFolder, const std::string& name, ReportStatus status, int depth) {
    ReportRow row;
    row.isFolder = isFolder;
    row.name = name;
    row.status = status;
    row.depth = depth;
    row.leftPath = "/data/left";
    row.rightPath = status == ReportStatus::LeftOnly ? "" : "/data/right";
    return row;
}

class DialogOutputFormatTest : public test::WindowFixture {
  protected:
    void SetUp() override {
        input_.leftRoot = "/data/left";
        input_.rightRoot = "/data/right";
        input_.rows = {Line(true, "docs", ReportStatus::FolderBoth, 1),
                       Line(false, "a.txt", ReportStatus::Different, 2),
                       Line(false, "b.txt", ReportStatus::LeftOnly, 2),
                       Line(false, "c.txt", ReportStatus::Same, 1)};
    }

    COutputFormat::ViewFile Recorder() {
        return [this](const std::string& path) {
            viewed_.push_back(path);
            return true;
        };
    }

    ReportInput input_;
    std::vector<std::string> viewed_;
};

// OK replaces an old file with exactly what the core's writer writes for the chosen options,
// saves the options, and offers to view the file; Yes opens it.
TEST_F(DialogOutputFormatTest, WritesWhatTheCoreWriterWrites) {
    for (int content : {0, 7}) {
        SCOPED_TRACE(content);
        std::string path = Dir() / ("report" + std::to_string(content) + ".txt");
        Dir().WriteFile("report" + std::to_string(content) + ".txt", "OLD CONTENTS\n");
        COutputFormat dialog(nullptr, store_, input_, Recorder(), prompter_);
        dialog.show();
        dialog.ContentCombo()->setCurrentIndex(content);
        dialog.EncodingCombo()->setCurrentIndex(3);
        dialog.FileNameCombo()->setCurrentIndex(1);
        dialog.HhmmBox()->setChecked(false);
        dialog.OutputFileField()->setText(QString::fromStdString(path));
        prompter_.shown.clear();
        prompter_.script = {mbr::kYes};
        viewed_.clear();
        dialog.accept();

        ReportOptions options = dialog.Options();
        std::string expectedPath = Dir() / "expected.txt";
        Dir().WriteFile("expected.txt", "");
        ::unlink(expectedPath.c_str());
        bool written = content % 2 == 0
                           ? WriteTextReport(input_, options, expectedPath, content, 3, 1)
                           : WriteSpreadsheetReport(input_, options, expectedPath, content, 3, 1);
        ASSERT_TRUE(written);
        std::string actual = Dir().ReadFile("report" + std::to_string(content) + ".txt");
        EXPECT_EQ(actual, Dir().ReadFile("expected.txt"));
        EXPECT_NE(actual.find("a.txt"), std::string::npos);

        ASSERT_EQ(prompter_.shown.size(), 1u);
        EXPECT_EQ(prompter_.shown[0].text,
                  "\"" + path + "\" has been successfully created...\nDo you want to view it?");
        EXPECT_EQ(viewed_, std::vector<std::string>{path});
        EXPECT_EQ(Int("OutputFormat", "OutputDiffOption"), content);
        EXPECT_EQ(store_.GetProfileString("OutputFormat", "OutputFile", ""), path);
    }
}

// The dialog never removes what stands at the chosen name: a link stays a link and the file it
// names gets the report. No to the offer opens nothing.
TEST_F(DialogOutputFormatTest, LinkTargetIsWrittenThrough) {
    Dir().WriteFile("real.txt", "OLD CONTENTS\n");
    std::string link = Dir() / "link.txt";
    ASSERT_EQ(::symlink("real.txt", link.c_str()), 0);
    COutputFormat dialog(nullptr, store_, input_, Recorder(), prompter_);
    dialog.OutputFileField()->setText(QString::fromStdString(link));
    prompter_.script = {mbr::kNo};
    dialog.accept();
    struct stat st {};
    ASSERT_EQ(::lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    std::string written = Dir().ReadFile("real.txt");
    EXPECT_EQ(written.find("OLD CONTENTS"), std::string::npos);
    EXPECT_NE(written.find("a.txt"), std::string::npos);
    EXPECT_TRUE(viewed_.empty());
}

// An empty file name shows the error and keeps the dialog open, the options unsaved; a file that
// cannot be created gives "No output created." and closes with the options saved.
TEST_F(DialogOutputFormatTest, EmptyOrUnwritableName) {
    for (bool empty : {true, false}) {
        COutputFormat dialog(nullptr, store_, input_, Recorder(), prompter_);
        dialog.show();
        dialog.OutputFileField()->setText(
            empty ? QString("  ") : QString::fromStdString(Dir() / "missing/folder/r.txt"));
        dialog.VersionColumnBox()->setChecked(false);
        prompter_.shown.clear();
        dialog.accept();
        EXPECT_EQ(dialog.isVisible(), empty);
        ASSERT_EQ(prompter_.shown.size(), 1u);
        EXPECT_EQ(prompter_.shown[0].text,
                  empty ? "The output filename cannot be empty." : "No output created.");
        EXPECT_EQ(Int("OutputFormat", "VersionColumn"), empty ? 1 : 0);
    }
    EXPECT_TRUE(viewed_.empty());
}

// The sample follows every check box and the file-name style at once; the content index and the
// encoding do not change it.
TEST_F(DialogOutputFormatTest, SampleFollowsTheOptions) {
    COutputFormat dialog(nullptr, store_, input_, Recorder(), prompter_);
    auto expected = [&dialog] {
        ReportOptions options = dialog.Options();
        return QString::fromStdString(BuildReportSample(options, options.filenameOption));
    };
    EXPECT_TRUE(dialog.SampleText().contains("1.2.3") && dialog.SampleText().contains("12:34"));
    QTest::mouseClick(dialog.VersionColumnBox(), Qt::LeftButton, Qt::NoModifier, QPoint(8, 8));
    EXPECT_FALSE(dialog.SampleText().contains("1.2.3"));
    EXPECT_FALSE(dialog.VersionLabelBox()->isEnabled());
    dialog.HhmmBox()->setChecked(false);
    dialog.BytesLabelBox()->setChecked(false);
    dialog.FileNameCombo()->setCurrentIndex(2);
    EXPECT_FALSE(dialog.SampleText().contains("12:34"));
    EXPECT_EQ(dialog.SampleText(), expected());

    const QString before = dialog.SampleText();
    dialog.ContentCombo()->setCurrentIndex(5);
    dialog.EncodingCombo()->setCurrentIndex(1);
    EXPECT_EQ(dialog.SampleText(), before);
}

// The dialog opens on the stored options; the content list is in the order of the stored index.
TEST_F(DialogOutputFormatTest, OpensOnStoredOptions) {
    store_.WriteProfileInt("OutputFormat", "OutputDiffOption", 5);
    store_.WriteProfileInt("OutputFormat", "TimeLabel", 0);
    store_.WriteProfileString("OutputFormat", "OutputPath", Dir().Path());
    store_.WriteProfileString("OutputFormat", "OutputFile", Dir() / "last.txt");
    COutputFormat dialog(nullptr, store_, input_, Recorder(), prompter_);
    EXPECT_EQ(dialog.windowTitle(), "Output Format Preferences...");
    EXPECT_EQ(dialog.ContentCombo()->currentText(),
              "Files only in Right-view (spreadsheet format)");
    EXPECT_FALSE(dialog.TimeLabelBox()->isChecked());
    EXPECT_TRUE(dialog.TimeColumnBox()->isChecked());
    EXPECT_EQ(dialog.OutputFileField()->text().toStdString(), Dir() / "last.txt");
}

// Browse takes the chosen file and its folder; the folder is what the chooser starts in next. A
// name that is not UTF-8 keeps its bytes.
TEST_F(DialogOutputFormatTest, BrowseTakesFileAndFolder) {
    Dir().MakeFolder("out");
    std::string chosen = Dir() / "out/r\xe9sult.txt";
    std::vector<std::string> startedIn;
    COutputFormat dialog(nullptr, store_, input_, Recorder(), prompter_);
    dialog.SetFileChooser([&](QWidget*, const std::string& folder) {
        startedIn.push_back(folder);
        return chosen;
    });
    QTest::mouseClick(dialog.BrowseButton(), Qt::LeftButton);
    dialog.Browse();
    EXPECT_EQ(dialog.Options().outputFile, chosen);
    ASSERT_EQ(startedIn.size(), 2u);
    EXPECT_EQ(startedIn[1], Dir() / "out");
    EXPECT_EQ(dialog.Options().outputPath, Dir() / "out");
}

}  // namespace
}  // namespace quillon
