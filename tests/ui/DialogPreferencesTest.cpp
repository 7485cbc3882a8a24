#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>

#include "support/ModalDialog.h"
#include "support/WindowFixture.h"
#include "ui/COptionsChange.h"
#include "ui/HelpLink.h"

namespace quillon {
namespace {

// Clicks where the user would: on the box's indicator (the middle of a stretched check box is
// empty space that does not toggle it).
void ClickBox(QCheckBox* box) {
    QStyleOptionButton option;
    option.initFrom(box);
    QRect indicator = box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box);
    QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, indicator.center());
}

class DialogPreferencesTest : public test::WindowFixture {
  protected:
    DialogPreferencesTest() {
        settings_.crc32 = 2;
        settings_.crc32SkipIfBig = 1;
        settings_.crc32SizeToSkipMBytes = 1;
    }
    void ClickOk(COptionsChange& dialog) { QTest::mouseClick(dialog.OkButton(), Qt::LeftButton); }

    ViewSettings settings_;
};

// Unchecking "Compare &Checksum" disables the simplified box, the skip box, the number and its
// unit at once, and OK gives checksum mode 0 with the skip flag and limit untouched; checking it
// again enables them again.
TEST_F(DialogPreferencesTest, ChecksumOffDisablesItsControlsAndGivesModeZero) {
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
}

// A number field the form refuses (its range is pinned with the form) keeps the dialog open with
// the message, and the view keeps its values.
TEST_F(DialogPreferencesTest, BadSizeKeepsTheDialogOpen) {
    COptionsChange dialog(nullptr, settings_, prompter_);
    dialog.show();
    dialog.SizeField()->setText("0");
    ClickBox(dialog.CompareTimestampBox());
    ClickOk(dialog);
    EXPECT_TRUE(dialog.isVisible());
    ASSERT_EQ(prompter_.shown.size(), 1u);
    EXPECT_EQ(prompter_.shown[0].text, "Please enter an integer between 1 and 2147483647.");
    EXPECT_EQ(settings_.compareTimestamp, 0);
}

// A colour choice goes into the view at once and into its sample field, stays after Cancel, puts
// the boxes back to the view's values, and on its own raises neither changed flag. A cancelled
// chooser changes nothing.
TEST_F(DialogPreferencesTest, ColourChoices) {
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

    // A colour of 9999 is "not set": its sample uses the dialog's default colours; the chooser
    // starts on the current colour.
    settings_.colorSame = kColorNotSet;
    answer = QColor(255, 0, 0);
    QColor started;
    COptionsChange cancelled(nullptr, settings_, prompter_);
    cancelled.SetColorChooser(
        [&](const QColor& current, QWidget*) { return started = current, answer; });
    EXPECT_EQ(cancelled.Sample(0)->palette().color(QPalette::Text),
              cancelled.palette().color(QPalette::Text));
    cancelled.ChooseColor(2);
    cancelled.reject();
    EXPECT_EQ(started, QColor(0, 0x9B, 0));
    EXPECT_EQ(settings_.colorLeftOnly, 0xFFu);
}

// The chosen font is recorded as face and negative pixel height at once, and stays after Cancel.
TEST_F(DialogPreferencesTest, FontIsRecordedAtOnce) {
    COptionsChange dialog(nullptr, settings_, prompter_);
    QFont chosen("DejaVu Sans");
    chosen.setPixelSize(15);
    dialog.SetFontChooser([&chosen](const QFont& current, QWidget*) -> std::optional<QFont> {
        EXPECT_EQ(current.pixelSize(), 11);
        return chosen;
    });
    QFont applied;
    QObject::connect(&dialog, &COptionsChange::listFontChanged,
                     [&applied](const QFont& font) { applied = font; });
    QTest::mouseClick(dialog.FontButton(), Qt::LeftButton);
    dialog.reject();
    EXPECT_EQ(settings_.fontName, "DejaVu Sans");
    EXPECT_EQ(settings_.fontSize, -15);
    EXPECT_EQ(applied.pixelSize(), 15);
}

// Cancel through RunPreferences stores nothing. OK stores every edited value (numbers from 4096
// megabytes on kept exactly) and the re-measured timestamp widths, and reports the column change
// for the view to rebuild.
TEST_F(DialogPreferencesTest, RunStoresSettingsAndMeasuresWidths) {
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
    // The date column is wider than the extra hour-and-minute part, and both were measured.
    EXPECT_GT(Int("Settings", "WIDTH_TIME"), Int("Settings", "WIDTH_EXTRATIME"));
    EXPECT_GT(Int("Settings", "WIDTH_EXTRATIME"), 1);
    EXPECT_EQ(Int("Settings", "WIDTH_TIME"), settings_.widthTime);
}

// The help button's address is the README's preferences section, as a local file URL.
TEST(PreferencesHelp, PointsAtTheReadme) {
    const QUrl url = HelpUrl(kHelpPreferences);
    ASSERT_FALSE(url.isEmpty()) << "no README.md up to three folders above the test program";
    EXPECT_TRUE(url.isLocalFile());
    EXPECT_TRUE(url.toLocalFile().endsWith("/README.md"));
    EXPECT_EQ(url.fragment(), "preferences");
}

}  // namespace
}  // namespace quillon
