// The filter, output format, preferences and interval dialogs: controls, what OK and Cancel store.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <functional>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "core/AutoRefresh.h"
#include "core/DisplayFilter.h"
#include "reports/ReportOptions.h"
#include "reports/TextReport.h"
#include "support/ModalDialog.h"
#include "support/WindowFixture.h"
#include "ui/CFilter.h"
#include "ui/COptionsChange.h"
#include "ui/COutputFormat.h"
#include "ui/CTimerInterval.h"
#include "ui/HelpLink.h"

namespace quillon {
namespace {

// On the indicator: the middle of a stretched button is empty space that does not toggle it.
void ClickBox(QAbstractButton* button) {
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, QPoint(6, button->height() / 2));
}

using DialogsTest = test::WindowFixture;

// Opens on the stored state; Reset stays open; controls follow the filter; empty lists refused.
TEST_F(DialogsTest, FilterControls) {
    store_.WriteProfileInt("FilterDialog", "Flags", 0x102);
    store_.WriteProfileInt("FilterDialog", "ExpandAll", 1);
    store_.AddToMruList(kDialogInclusionMru, "cpp,h");
    store_.AddToMruList(kDialogInclusionMru, "jpg,png");
    FilterState filter{true, 0x102, ";jpg;png;", true};
    bool diluted = false;
    bool readWholeTrees = false;
    CFilter dialog(nullptr, store_, prompter_, filter, diluted, &readWholeTrees);
    dialog.show();
    auto enabled = [&dialog] {
        return std::vector<bool>{
            dialog.ExtensionOption(0)->isEnabled(), dialog.ExtensionOption(1)->isEnabled(),
            dialog.ExtensionOption(2)->isEnabled(), dialog.InclusionCombo()->isEnabled(),
            dialog.ExclusionCombo()->isEnabled(),   dialog.ExpandAllBox()->isEnabled()};
    };
    EXPECT_TRUE(dialog.DisplayOption(1)->isChecked());
    EXPECT_TRUE(dialog.ExtensionOption(1)->isChecked());
    EXPECT_EQ(dialog.InclusionCombo()->currentText(),
              QString::fromStdString(dialog.Logic().fields.inclusionText));
    EXPECT_EQ(dialog.InclusionCombo()->count(), 2);
    EXPECT_FALSE(dialog.DilutedBox()->isChecked());
    EXPECT_EQ(enabled(), std::vector<bool>(6, true));
    QTest::mouseClick(dialog.ResetButton(), Qt::LeftButton);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(dialog.DisplayOption(0)->isChecked());
    EXPECT_FALSE(dialog.ExpandAllBox()->isChecked());
    EXPECT_TRUE(dialog.InclusionCombo()->currentText().isEmpty());
    EXPECT_EQ(enabled(), std::vector<bool>(6, false));
    EXPECT_TRUE(dialog.DilutedBox()->isEnabled());
    ClickBox(dialog.DisplayOption(1));
    EXPECT_EQ(enabled(), std::vector<bool>(6, true));
    ClickBox(dialog.DisplayOption(0));
    EXPECT_EQ(enabled(), std::vector<bool>(6, false));
    ClickBox(dialog.DisplayOption(2));
    ClickBox(dialog.ExtensionOption(1));
    dialog.InclusionCombo()->setEditText("   ");
    dialog.accept();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(prompter_.shown.size(), 1u);
    EXPECT_TRUE(dialog.DisplayOption(2)->isChecked());
    EXPECT_TRUE(dialog.ExtensionOption(1)->isChecked());
}

// OK stores the dialog state, whole trees read only for a pair; Cancel keeps a saved default.
TEST_F(DialogsTest, FilterRunAppliesOnOkAndKeepsSavedDefaultsOnCancel) {
    FilterState filter;
    bool diluted = true;
    bool readWholeTrees = false;
    auto run = [&](bool pairOpened, std::function<void(CFilter&)> act) {
        test::WhenModal([act](QDialog& shown) { act(static_cast<CFilter&>(shown)); });
        return RunFilter(nullptr, store_, prompter_, filter, diluted, readWholeTrees, pairOpened);
    };
    store_.AddToMruList(kDialogExclusionMru, "obj");
    auto exclude = [](CFilter& dialog) {
        dialog.DisplayOption(2)->click();
        dialog.ExtensionOption(2)->click();
        dialog.ExclusionCombo()->setEditText(" TMP, bak ");
        dialog.ExpandAllBox()->setChecked(true);
        dialog.DilutedBox()->setChecked(false);
        dialog.accept();
    };
    FilterResult result = run(false, exclude);
    ASSERT_TRUE(result.accepted);
    EXPECT_EQ(result.title, "Quillon - Filtered View");
    EXPECT_FALSE(readWholeTrees);
    EXPECT_EQ(filter, (FilterState{true, 0x204, ";tmp;bak;", true}));
    EXPECT_FALSE(diluted);
    EXPECT_EQ(Int("FilterDialog", "Flags"), 0x204);
    ASSERT_TRUE(run(true, exclude).accepted);
    EXPECT_TRUE(readWholeTrees);
    result = run(true, [](CFilter& dialog) {
        dialog.DisplayOption(1)->click();
        dialog.ExtensionOption(0)->click();
        dialog.SaveDefaultButton()->click();
        dialog.DisplayOption(0)->click();
        dialog.reject();
    });
    EXPECT_FALSE(result.accepted);
    EXPECT_EQ(filter.filterFlags, 0x101u);
    EXPECT_EQ(Int("Filter", "Flags"), 0x101);
}

class OutputFormatTest : public DialogsTest {
  protected:
    OutputFormatTest() {
        input_.leftRoot = "/data/left";
        input_.rightRoot = "/data/right";
        for (const auto& [folder, name, status, depth] :
             {std::tuple{true, "docs", ReportStatus::FolderBoth, 1},
              {false, "a.txt", ReportStatus::Different, 2},
              {false, "b.txt", ReportStatus::LeftOnly, 2},
              {false, "c.txt", ReportStatus::Same, 1}}) {
            ReportRow& row = input_.rows.emplace_back();
            row.isFolder = folder;
            row.name = name;
            row.status = status;
            row.depth = depth;
            row.leftPath = "/data/left";
            row.rightPath = status == ReportStatus::LeftOnly ? "" : "/data/right";
        }
    }
    ReportInput input_;
    std::vector<std::string> viewed_;
    COutputFormat::ViewFile view_ = [this](const std::string& path) {
        viewed_.push_back(path);
        return true;
    };
};

// OK writes the core writer's output, through a link too, and Yes views it; empty names stay open.
TEST_F(OutputFormatTest, WritesWhatTheCoreWriterWritesOrRefuses) {
    for (int content : {0, 7}) {
        SCOPED_TRACE(content);
        const std::string name = "report" + std::to_string(content) + ".txt";
        const std::string path = Dir() / name;
        Dir().WriteFile(name, "OLD CONTENTS\n");
        COutputFormat dialog(nullptr, store_, input_, view_, prompter_);
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
        const std::string expected = Dir() / ("expected" + name);
        ASSERT_TRUE(content % 2 == 0
                        ? WriteTextReport(input_, options, expected, content, 3, 1)
                        : WriteSpreadsheetReport(input_, options, expected, content, 3, 1));
        const std::string actual = Dir().ReadFile(name);
        EXPECT_EQ(actual, Dir().ReadFile("expected" + name));
        EXPECT_NE(actual.find("a.txt"), std::string::npos);

        ASSERT_EQ(prompter_.shown.size(), 1u);
        EXPECT_EQ(prompter_.shown[0].text,
                  "\"" + path + "\" has been successfully created...\nDo you want to view it?");
        EXPECT_EQ(viewed_, std::vector<std::string>{path});
        EXPECT_EQ(Int("OutputFormat", "OutputDiffOption"), content);
        EXPECT_EQ(store_.GetProfileString("OutputFormat", "OutputFile", ""), path);
    }

    for (bool empty : {true, false}) {
        COutputFormat dialog(nullptr, store_, input_, view_, prompter_);
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

    Dir().WriteFile("real.txt", "OLD CONTENTS\n");
    std::string link = Dir() / "link.txt";
    ASSERT_EQ(::symlink("real.txt", link.c_str()), 0);
    COutputFormat dialog(nullptr, store_, input_, view_, prompter_);
    dialog.OutputFileField()->setText(QString::fromStdString(link));
    prompter_.script = {mbr::kNo};
    viewed_.clear();
    dialog.accept();
    struct stat st {};
    ASSERT_EQ(::lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    std::string written = Dir().ReadFile("real.txt");
    EXPECT_EQ(written.find("OLD CONTENTS"), std::string::npos);
    EXPECT_NE(written.find("a.txt"), std::string::npos);
    EXPECT_TRUE(viewed_.empty());
}

// Opens on the stored options; the sample follows the boxes; Browse keeps the bytes and folder.
TEST_F(OutputFormatTest, StoredOptionsSampleAndBrowse) {
    store_.WriteProfileInt("OutputFormat", "OutputDiffOption", 5);
    store_.WriteProfileInt("OutputFormat", "TimeLabel", 0);
    store_.WriteProfileString("OutputFormat", "OutputPath", Dir().Path());
    store_.WriteProfileString("OutputFormat", "OutputFile", Dir() / "last.txt");
    COutputFormat dialog(nullptr, store_, input_, view_, prompter_);
    EXPECT_EQ(dialog.windowTitle(), "Output Format Preferences...");
    EXPECT_EQ(dialog.ContentCombo()->currentText(),
              "Files only in Right-view (spreadsheet format)");
    EXPECT_FALSE(dialog.TimeLabelBox()->isChecked());
    EXPECT_TRUE(dialog.TimeColumnBox()->isChecked());
    EXPECT_EQ(dialog.OutputFileField()->text().toStdString(), Dir() / "last.txt");
    auto expected = [&dialog] {
        ReportOptions options = dialog.Options();
        return QString::fromStdString(BuildReportSample(options, options.filenameOption));
    };
    EXPECT_TRUE(dialog.SampleText().contains("1.2.3") && dialog.SampleText().contains("12:34"));
    ClickBox(dialog.VersionColumnBox());
    EXPECT_FALSE(dialog.SampleText().contains("1.2.3"));
    EXPECT_FALSE(dialog.VersionLabelBox()->isEnabled());
    dialog.HhmmBox()->setChecked(false);
    dialog.BytesLabelBox()->setChecked(false);
    dialog.FileNameCombo()->setCurrentIndex(2);
    EXPECT_FALSE(dialog.SampleText().contains("12:34"));
    EXPECT_EQ(dialog.SampleText(), expected());
    const QString before = dialog.SampleText();
    dialog.ContentCombo()->setCurrentIndex(1);
    dialog.EncodingCombo()->setCurrentIndex(1);
    EXPECT_EQ(dialog.SampleText(), before);
    Dir().MakeFolder("out");
    std::string chosen = Dir() / "out/r\xe9sult.txt";
    std::vector<std::string> startedIn;
    dialog.SetFileChooser([&](QWidget*, const std::string& folder) {
        startedIn.push_back(folder);
        return chosen;
    });
    QTest::mouseClick(dialog.BrowseButton(), Qt::LeftButton);
    dialog.Browse();
    EXPECT_EQ(dialog.Options().outputFile, chosen);
    ASSERT_EQ(startedIn.size(), 2u);
    EXPECT_EQ(startedIn[0], Dir().Path());
    EXPECT_EQ(startedIn[1], Dir() / "out");
    EXPECT_EQ(dialog.Options().outputPath, Dir() / "out");
}

class PreferencesTest : public DialogsTest {
  protected:
    PreferencesTest() {
        settings_.crc32 = 2;
        settings_.crc32SkipIfBig = 1;
        settings_.crc32SizeToSkipMBytes = 1;
    }
    void ClickOk(COptionsChange& dialog) { QTest::mouseClick(dialog.OkButton(), Qt::LeftButton); }

    ViewSettings settings_;
};

// The checksum box switches its dependants and mode 0 keeps the limit; a refused number stays open.
TEST_F(PreferencesTest, ChecksumControlsAndBadSize) {
    settings_.crc32SizeToSkipMBytes = 5;
    COptionsChange dialog(nullptr, settings_, prompter_);
    dialog.show();
    ASSERT_TRUE(dialog.ChecksumBox()->isChecked());
    ASSERT_TRUE(dialog.SimplifiedBox()->isEnabled());
    EXPECT_EQ(dialog.SizeField()->text(), "5");
    ClickBox(dialog.ChecksumBox());
    for (QWidget* part :
         std::initializer_list<QWidget*>{dialog.SimplifiedBox(), dialog.SkipBox(),
                                         dialog.SizeField(), dialog.SizeUnitLabel()}) {
        EXPECT_FALSE(part->isEnabled());
    }
    ClickOk(dialog);
    EXPECT_EQ(settings_.crc32, 0);
    EXPECT_EQ(settings_.crc32SkipIfBig, 1);
    EXPECT_EQ(settings_.crc32SizeToSkipMBytes, 5);
    EXPECT_TRUE(dialog.Outcome().comparisonChanged);
    COptionsChange again(nullptr, settings_, prompter_);
    EXPECT_FALSE(again.SkipBox()->isEnabled());
    ClickBox(again.ChecksumBox());
    EXPECT_TRUE(again.SkipBox()->isEnabled());
    EXPECT_TRUE(again.SizeField()->isEnabled());
    again.show();
    again.SizeField()->setText("0");
    ClickBox(again.CompareTimestampBox());
    ClickOk(again);
    EXPECT_TRUE(again.isVisible());
    ASSERT_EQ(prompter_.shown.size(), 1u);
    EXPECT_EQ(prompter_.shown[0].text, "Please enter an integer between 1 and 2147483647.");
    EXPECT_EQ(settings_.compareTimestamp, 0);
    EXPECT_EQ(settings_.crc32, 0);
}

// Colour and font choices apply at once and survive Cancel, raising neither changed flag.
TEST_F(PreferencesTest, ColourAndFontChoices) {
    COptionsChange dialog(nullptr, settings_, prompter_);
    std::optional<QColor> answer = QColor(0x12, 0x34, 0x56);
    dialog.SetColorChooser([&answer](const QColor&, QWidget*) { return answer; });
    int emitted = 0;
    QObject::connect(&dialog, &COptionsChange::colorsChanged, [&emitted] { ++emitted; });
    dialog.show();
    dialog.VersionBox()->setChecked(true);
    QTest::mouseClick(dialog.ColorButton(1), Qt::LeftButton);
    EXPECT_EQ(settings_.colorDiff, 0x563412u);
    EXPECT_EQ(emitted, 1);
    EXPECT_FALSE(dialog.VersionBox()->isChecked());
    EXPECT_EQ(dialog.Sample(1)->palette().color(QPalette::Text), QColor(0x12, 0x34, 0x56));
    answer = std::nullopt;
    dialog.ChooseColor(2);
    EXPECT_EQ(settings_.colorLeftOnly, 39680u);
    ClickOk(dialog);
    ASSERT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.Outcome().comparisonChanged);
    EXPECT_FALSE(dialog.Outcome().columnsChanged);
    // Not set: the sample uses the dialog's default colours; the chooser starts on the current one.
    settings_.colorSame = kColorNotSet;
    answer = QColor(255, 0, 0);
    QColor started;
    COptionsChange cancelled(nullptr, settings_, prompter_);
    cancelled.SetColorChooser(
        [&](const QColor& current, QWidget*) { return started = current, answer; });
    EXPECT_EQ(cancelled.Sample(0)->palette().color(QPalette::Text),
              cancelled.palette().color(QPalette::Text));
    QFont chosen("DejaVu Sans");
    chosen.setPixelSize(15);
    cancelled.SetFontChooser([&chosen](const QFont& current, QWidget*) -> std::optional<QFont> {
        EXPECT_EQ(current.pixelSize(), 11);
        return chosen;
    });
    QFont applied;
    QObject::connect(&cancelled, &COptionsChange::listFontChanged,
                     [&applied](const QFont& font) { applied = font; });
    cancelled.ChooseColor(2);
    QTest::mouseClick(cancelled.FontButton(), Qt::LeftButton);
    cancelled.reject();
    EXPECT_EQ(started, QColor(0, 0x9B, 0));
    EXPECT_EQ(settings_.colorLeftOnly, 0xFFu);
    EXPECT_EQ(settings_.fontName, "DejaVu Sans");
    EXPECT_EQ(settings_.fontSize, -15);
    EXPECT_EQ(applied.pixelSize(), 15);
}

// Cancel stores nothing; OK stores all values (4096 MB and up) and widths; Help finds the README.
TEST_F(PreferencesTest, RunStoresSettingsWidthsAndHelp) {
    test::WhenModal([](QDialog& shown) {
        static_cast<COptionsChange&>(shown).VersionBox()->setChecked(true);
        shown.reject();
    });
    EXPECT_FALSE(RunPreferences(nullptr, store_, settings_, prompter_).accepted);
    EXPECT_EQ(settings_.fileVersion, 0);
    EXPECT_EQ(Int("Settings", "FileVersion"), kAbsent);
    settings_.widthTime = 1;
    settings_.widthExtraTime = 1;
    test::WhenModal([](QDialog& shown) {
        auto& dialog = static_cast<COptionsChange&>(shown);
        dialog.SizeBox()->setChecked(false);
        dialog.VersionBox()->setChecked(true);
        dialog.SimplifiedBox()->setChecked(false);
        dialog.SizeField()->setText("5000");
        dialog.OkButton()->click();
    });
    const PreferencesResult result = RunPreferences(nullptr, store_, settings_, prompter_);
    ASSERT_TRUE(result.accepted);
    EXPECT_TRUE(result.outcome.columnsChanged);
    EXPECT_EQ(result.outcome.columnsPerSide, 3);
    EXPECT_EQ(settings_.ToComparisonOptions().crc32SizeToSkip, uint64_t{5000} << 20);
    EXPECT_EQ(Int("Settings", "FileVersion"), 1);
    EXPECT_EQ(Int("Settings", "CRC32SizeToSkipMBytes"), 5000);
    EXPECT_GT(Int("Settings", "WIDTH_TIME"), Int("Settings", "WIDTH_EXTRATIME"));
    EXPECT_GT(Int("Settings", "WIDTH_EXTRATIME"), 1);
    EXPECT_EQ(Int("Settings", "WIDTH_TIME"), settings_.widthTime);
    const QUrl url = HelpUrl(kHelpPreferences);
    ASSERT_FALSE(url.isEmpty()) << "no README.md up to three folders above the test program";
    EXPECT_TRUE(url.isLocalFile());
    EXPECT_TRUE(url.toLocalFile().endsWith("/README.md"));
    EXPECT_EQ(url.fragment(), "preferences");
}

// Only unsigned numbers pass; Cancel changes nothing; Return stores the number raised to the floor.
TEST_F(DialogsTest, TimerIntervalTakesOnlyNumbers) {
    for (const char* text : {"abc", "-5", "4294967296"}) {
        CTimerInterval dialog(nullptr, 120, prompter_);
        dialog.show();
        dialog.IntervalField()->setText(text);
        prompter_.shown.clear();
        dialog.accept();
        EXPECT_TRUE(dialog.isVisible()) << text;
        ASSERT_EQ(prompter_.shown.size(), 1u) << text;
        EXPECT_EQ(prompter_.shown[0].text, "Please enter an integer between 0 and 4294967295.");
    }
    test::RecordingTimer port;
    AutoRefreshTimer timer(store_, port, clock_, &prompter_);
    timer.refreshInterval = 300;
    QString opened;
    test::WhenModal([&opened](QDialog& shown) {
        auto& dialog = static_cast<CTimerInterval&>(shown);
        opened = dialog.IntervalField()->text();
        dialog.IntervalField()->setText("900");
        shown.reject();
    });
    EXPECT_FALSE(RunTimerInterval(nullptr, timer, prompter_));
    EXPECT_EQ(opened, "300");
    EXPECT_EQ(timer.refreshInterval, 300u);
    EXPECT_EQ(Int("Misc.", "TimerIntervalInSecond"), kAbsent);
    test::WhenModal([](QDialog& shown) {
        auto& dialog = static_cast<CTimerInterval&>(shown);
        dialog.IntervalField()->clear();
        QTest::keyClicks(dialog.IntervalField(), " 30 ");
        QTest::keyClick(dialog.IntervalField(), Qt::Key_Return);
    });
    ASSERT_TRUE(RunTimerInterval(nullptr, timer, prompter_));
    EXPECT_EQ(timer.refreshInterval, 120u);
    EXPECT_EQ(Int("Misc.", "TimerIntervalInSecond"), 120);
}

}  // namespace
}  // namespace quillon
