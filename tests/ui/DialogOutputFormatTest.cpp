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

#include "platform/RegistryStore.h"
#include "platform/SettingsStore.h"
#include "reports/ReportOptions.h"
#include "reports/TextReport.h"
#include "support/FakePrompter.h"
#include "support/ModalDialog.h"
#include "support/TempConfigEnv.h"
#include "ui/COutputFormat.h"

namespace quillon {
namespace {

ReportRow Row(bool isFolder, const std::string& name, ReportStatus status, int depth) {
    ReportRow row;
    row.isFolder = isFolder;
    row.name = name;
    row.status = status;
    row.depth = depth;
    row.leftPath = "/data/left";
    row.rightPath = status == ReportStatus::LeftOnly ? "" : "/data/right";
    if (!isFolder) {
        row.leftVersion = "1.0.0.0";
        row.leftTime = "01/04/2010 12:34";
        row.leftSize = "1,024";
        if (!row.rightPath.empty()) {
            row.rightVersion = "1.0.0.1";
            row.rightTime = "01/05/2010 08:00";
            row.rightSize = "20";
        }
    }
    return row;
}

class DialogOutputFormatTest : public testing::Test {
  protected:
    void SetUp() override {
        input_.leftRoot = "/data/left";
        input_.rightRoot = "/data/right";
        input_.rows = {Row(true, "docs", ReportStatus::FolderBoth, 1),
                       Row(false, "a.txt", ReportStatus::Different, 2),
                       Row(false, "b.txt", ReportStatus::LeftOnly, 2),
                       Row(false, "c.txt", ReportStatus::Same, 1)};
    }

    COutputFormat::ViewFile Recorder() {
        return [this](const std::string& path) {
            viewed_.push_back(path);
            return true;
        };
    }

    test::TempConfigEnv env_;
    RegistryStore registry_{RegistryStore::FolderFromEnvironment()};
    SettingsStore store_{registry_};
    test::FakePrompter prompter_;
    ReportInput input_;
    std::vector<std::string> viewed_;
};

// OK replaces an old file with exactly what the core's writer writes for the chosen options,
// saves the options, and offers to view the file; Yes opens it.
TEST_F(DialogOutputFormatTest, WritesWhatTheCoreWriterWrites) {
    for (int content : {0, 7}) {
        SCOPED_TRACE(content);
        std::string path = env_.Dir() / ("report" + std::to_string(content) + ".txt");
        env_.Dir().WriteFile("report" + std::to_string(content) + ".txt", "OLD CONTENTS\n");
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
        EXPECT_FALSE(dialog.isVisible());

        ReportOptions options = dialog.Options();
        std::string expectedPath = env_.Dir() / "expected.txt";
        env_.Dir().WriteFile("expected.txt", "");
        ::unlink(expectedPath.c_str());
        bool written = content % 2 == 0
                           ? WriteTextReport(input_, options, expectedPath, content, 3, 1)
                           : WriteSpreadsheetReport(input_, options, expectedPath, content, 3, 1);
        ASSERT_TRUE(written);
        std::string actual = env_.Dir().ReadFile("report" + std::to_string(content) + ".txt");
        EXPECT_EQ(actual, env_.Dir().ReadFile("expected.txt"));
        EXPECT_EQ(actual.find("OLD CONTENTS"), std::string::npos);
        EXPECT_NE(actual.find("a.txt"), std::string::npos);

        ASSERT_EQ(prompter_.shown.size(), 1u);
        EXPECT_EQ(prompter_.shown[0].text,
                  "\"" + path + "\" has been successfully created...\nDo you want to view it?");
        EXPECT_EQ(prompter_.shown[0].style, mb::kYesNo | mb::kIconQuestion);
        EXPECT_EQ(viewed_, std::vector<std::string>{path});

        EXPECT_EQ(store_.GetProfileInt("OutputFormat", "OutputDiffOption", -1), content);
        EXPECT_EQ(store_.GetProfileInt("OutputFormat", "OutputEncoding", -1), 3);
        EXPECT_EQ(store_.GetProfileInt("OutputFormat", "hhmmss", -1), 0);
        EXPECT_EQ(store_.GetProfileString("OutputFormat", "OutputFile", ""), path);
    }
}

// The dialog never removes what stands at the chosen name: a link stays a link and the file it
// names gets the report.
TEST_F(DialogOutputFormatTest, LinkTargetIsWrittenThrough) {
    env_.Dir().WriteFile("real.txt", "OLD CONTENTS\n");
    std::string link = env_.Dir() / "link.txt";
    ASSERT_EQ(::symlink("real.txt", link.c_str()), 0);
    COutputFormat dialog(nullptr, store_, input_, Recorder(), prompter_);
    dialog.OutputFileField()->setText(QString::fromStdString(link));
    prompter_.script = {mbr::kNo};
    dialog.accept();
    struct stat st {};
    ASSERT_EQ(::lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    std::string written = env_.Dir().ReadFile("real.txt");
    EXPECT_EQ(written.find("OLD CONTENTS"), std::string::npos);
    EXPECT_NE(written.find("a.txt"), std::string::npos);
}

// No answers No: nothing is opened.
TEST_F(DialogOutputFormatTest, NoDoesNotOpenTheFile) {
    COutputFormat dialog(nullptr, store_, input_, Recorder(), prompter_);
    dialog.OutputFileField()->setText(QString::fromStdString(env_.Dir() / "r.txt"));
    prompter_.script = {mbr::kNo};
    dialog.accept();
    EXPECT_TRUE(env_.Dir().Exists("r.txt"));
    EXPECT_TRUE(viewed_.empty());
}

// An empty file name shows the error and writes nothing; the dialog stays open.
TEST_F(DialogOutputFormatTest, EmptyNameKeepsTheDialogOpen) {
    COutputFormat dialog(nullptr, store_, input_, Recorder(), prompter_);
    dialog.show();
    dialog.OutputFileField()->setText("  ");
    dialog.VersionColumnBox()->setChecked(false);
    dialog.accept();
    EXPECT_TRUE(dialog.isVisible());
    ASSERT_EQ(prompter_.shown.size(), 1u);
    EXPECT_EQ(prompter_.shown[0].text, "The output filename cannot be empty.");
    EXPECT_EQ(prompter_.shown[0].style & mb::kIconMask, mb::kIconStop);
    EXPECT_EQ(store_.GetProfileInt("OutputFormat", "VersionColumn", -1), 1);
}

// A file that cannot be created gives "No output created." and closes; the options are saved.
TEST_F(DialogOutputFormatTest, UnwritableFileReportsNoOutput) {
    COutputFormat dialog(nullptr, store_, input_, Recorder(), prompter_);
    dialog.show();
    std::string path = env_.Dir() / "missing/folder/r.txt";
    dialog.OutputFileField()->setText(QString::fromStdString(path));
    dialog.SizeColumnBox()->setChecked(false);
    dialog.accept();
    EXPECT_FALSE(dialog.isVisible());
    ASSERT_EQ(prompter_.shown.size(), 1u);
    EXPECT_EQ(prompter_.shown[0].text, "No output created.");
    EXPECT_EQ(prompter_.shown[0].style & mb::kIconMask, mb::kIconExclamation);
    EXPECT_EQ(store_.GetProfileInt("OutputFormat", "SizeColumn", -1), 0);
    EXPECT_TRUE(viewed_.empty());
}

// The sample follows every check box and the file-name style at once.
TEST_F(DialogOutputFormatTest, SampleFollowsTheOptions) {
    COutputFormat dialog(nullptr, store_, input_, Recorder(), prompter_);
    auto expected = [&dialog] {
        ReportOptions options = dialog.Options();
        return QString::fromStdString(BuildReportSample(options, options.filenameOption));
    };
    EXPECT_EQ(dialog.SampleText(), expected());
    EXPECT_TRUE(dialog.SampleText().contains("Version: 1.2.3"));
    EXPECT_TRUE(dialog.SampleText().contains("12:34"));

    QTest::mouseClick(dialog.VersionColumnBox(), Qt::LeftButton, Qt::NoModifier, QPoint(8, 8));
    EXPECT_FALSE(dialog.SampleText().contains("1.2.3"));
    EXPECT_FALSE(dialog.VersionLabelBox()->isEnabled());
    dialog.HhmmBox()->setChecked(false);
    EXPECT_FALSE(dialog.SampleText().contains("12:34"));
    dialog.BytesLabelBox()->setChecked(false);
    EXPECT_FALSE(dialog.SampleText().contains(" bytes"));
    EXPECT_EQ(dialog.SampleText(), expected());

    QString before = dialog.SampleText();
    dialog.FileNameCombo()->setCurrentIndex(2);
    EXPECT_NE(dialog.SampleText(), before);
    EXPECT_TRUE(dialog.SampleText().contains("MyFolder"));
    EXPECT_EQ(dialog.SampleText(), expected());

    // The content index and encoding do not change the sample.
    before = dialog.SampleText();
    dialog.ContentCombo()->setCurrentIndex(5);
    dialog.EncodingCombo()->setCurrentIndex(1);
    EXPECT_EQ(dialog.SampleText(), before);
}

// The dialog opens on the stored options, with the combo boxes in their documented order.
TEST_F(DialogOutputFormatTest, OpensOnStoredOptions) {
    store_.WriteProfileInt("OutputFormat", "OutputDiffOption", 5);
    store_.WriteProfileInt("OutputFormat", "TimeLabel", 0);
    store_.WriteProfileString("OutputFormat", "OutputPath", env_.Dir().Path());
    store_.WriteProfileString("OutputFormat", "OutputFile", env_.Dir() / "last.txt");
    COutputFormat dialog(nullptr, store_, input_, Recorder(), prompter_);
    EXPECT_EQ(dialog.windowTitle(), "Output Format Preferences...");
    EXPECT_EQ(dialog.ContentCombo()->currentText(),
              "Files only in Right-view (spreadsheet format)");
    EXPECT_EQ(dialog.ContentCombo()->count(), 8);
    EXPECT_EQ(dialog.EncodingCombo()->itemText(2), "Unicode Big Endian");
    EXPECT_EQ(dialog.FileNameCombo()->itemText(2), "Fullpath file-name");
    EXPECT_FALSE(dialog.TimeLabelBox()->isChecked());
    EXPECT_TRUE(dialog.TimeColumnBox()->isChecked());
    EXPECT_EQ(dialog.OutputFileField()->text().toStdString(), env_.Dir() / "last.txt");
}

// Browse takes the chosen file and its folder; the folder is what the chooser starts in next. A
// name that is not UTF-8 keeps its bytes.
TEST_F(DialogOutputFormatTest, BrowseTakesFileAndFolder) {
    env_.Dir().MakeFolder("out");
    std::string chosen = env_.Dir() / "out/r\xe9sult.txt";
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
    EXPECT_EQ(startedIn[1], env_.Dir() / "out");
    EXPECT_EQ(dialog.Options().outputPath, env_.Dir() / "out");
}

}  // namespace
}  // namespace quillon
