#include "ui/COptionsChange.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/Prompter.h"
#include "platform/SettingsCatalogue.h"
#include "platform/SettingsStore.h"
#include "ui/HelpLink.h"

namespace quillon {

const char* const kColorSampleTexts[kColorSlotCount] = {
    "File identical", "File different", "Only file 1st folder", "Only file 2nd folder"};

namespace {

constexpr char kRangeMessage[] = "Please enter an integer between 1 and 2147483647.";
constexpr int kNoteIndent = 22;
constexpr int kNoteWidth = 300;
constexpr int kSampleWidth = 170;
constexpr int kButtonPadding = 16;

const char* const kColorButtonTexts[kColorSlotCount] = {"Change Color&1...", "Change Color&2...",
                                                        "Change Color&3...", "Change Color&4..."};

QLabel* MakeNote(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setMinimumWidth(kNoteWidth);
    label->setContentsMargins(kNoteIndent, 0, 0, 4);
    return label;
}

QWidget* Indented(QWidget* widget, QWidget* parent) {
    auto* holder = new QWidget(parent);
    auto* layout = new QHBoxLayout(holder);
    layout->setContentsMargins(kNoteIndent, 0, 0, 0);
    layout->addWidget(widget);
    return holder;
}

QString DescribeFont(const QFont& font) {
    int pixels = font.pixelSize() > 0 ? font.pixelSize() : QFontInfo(font).pixelSize();
    return QString("%1, %2 px").arg(font.family()).arg(pixels);
}

}  // namespace

QColor ColorFromRef(uint32_t colorRef) {
    return QColor(int(colorRef & 0xFF), int((colorRef >> 8) & 0xFF), int((colorRef >> 16) & 0xFF));
}

uint32_t ColorRefFromColor(const QColor& color) {
    return uint32_t(color.red()) | (uint32_t(color.green()) << 8) | (uint32_t(color.blue()) << 16);
}

QFont ListFontFromSettings(const ViewSettings& settings) {
    QFont font(QString::fromStdString(settings.fontName));
    if (int pixels = settings.FontPixels(); pixels > 0) {
        font.setPixelSize(pixels);
    }
    return font;
}

void RecordListFont(const QFont& font, ViewSettings& settings) {
    settings.fontName = font.family().toStdString();
    int pixels = font.pixelSize();
    if (pixels <= 0) {
        // A font chosen by point size: its pixel height on this display.
        pixels = QFontInfo(font).pixelSize();
    }
    settings.fontSize = -pixels;
}

void MeasureTimestampWidths(const QFont& listFont, ViewSettings& settings) {
    QFontMetrics metrics(listFont);
    settings.widthTime = metrics.horizontalAdvance("  00/00/0000  ");
    settings.widthExtraTime = metrics.horizontalAdvance("  00:00");
}

PreferenceValues PreferenceValuesOf(const ViewSettings& settings) {
    PreferenceValues values;
    // The columns appear only for exactly 1; the other switches count any non-zero value.
    values.fileVersion = settings.fileVersion == 1;
    values.displayProductVer = settings.displayProductVer != 0;
    values.fileTimestamp = settings.fileTimestamp == 1;
    values.detailTimestamp = settings.detailTimestamp != 0;
    values.fileSize = settings.fileSize == 1;
    values.compareTimestamp = settings.compareTimestamp != 0;
    values.crc32 = settings.crc32;
    values.crc32SkipIfBig = settings.crc32SkipIfBig != 0;
    // A negative DWORD is a wrapped unsigned count; keep it within what the field accepts.
    values.crc32SizeToSkipMBytes =
        std::min(uint32_t(settings.crc32SizeToSkipMBytes), kMaxSizeToSkipMBytes);
    return values;
}

void StorePreferenceValues(const PreferenceValues& values, ViewSettings& settings) {
    settings.fileVersion = values.fileVersion ? 1 : 0;
    settings.displayProductVer = values.displayProductVer ? 1 : 0;
    settings.fileTimestamp = values.fileTimestamp ? 1 : 0;
    settings.detailTimestamp = values.detailTimestamp ? 1 : 0;
    settings.fileSize = values.fileSize ? 1 : 0;
    settings.compareTimestamp = values.compareTimestamp ? 1 : 0;
    settings.crc32 = values.crc32;
    settings.crc32SkipIfBig = values.crc32SkipIfBig ? 1 : 0;
    settings.crc32SizeToSkipMBytes = int(values.crc32SizeToSkipMBytes);
}

void SavePreferences(SettingsStore& store, const ViewSettings& settings) {
    using namespace settings;
    WriteSetting(store, kFontSize, settings.fontSize);
    WriteSetting(store, kFontName, settings.fontName);
    WriteSetting(store, kColorSame, int(settings.colorSame));
    WriteSetting(store, kColorDiff, int(settings.colorDiff));
    WriteSetting(store, kColorLeftOnly, int(settings.colorLeftOnly));
    WriteSetting(store, kColorRightOnly, int(settings.colorRightOnly));
    WriteSetting(store, kFileVersion, settings.fileVersion);
    WriteSetting(store, kDisplayProductVer, settings.displayProductVer);
    WriteSetting(store, kFileTimestamp, settings.fileTimestamp);
    WriteSetting(store, kDetailTimestamp, settings.detailTimestamp);
    WriteSetting(store, kFileSize, settings.fileSize);
    WriteSetting(store, kCompareTimestamp, settings.compareTimestamp);
    WriteSetting(store, kCrc32, settings.crc32);
    WriteSetting(store, kCrc32SkipIfBig, settings.crc32SkipIfBig);
    WriteSetting(store, kCrc32SizeToSkipMBytes, settings.crc32SizeToSkipMBytes);
    WriteSetting(store, kLogEnabled, settings.logEnabled);
    settings.SaveWidths(store);
}

COptionsChange::COptionsChange(QWidget* parent, ViewSettings& settings, Prompter& prompter)
    : QDialog(parent), settings_(settings), prompter_(prompter) {
    colorChooser_ = [](const QColor& current, QWidget* owner) -> std::optional<QColor> {
        QColor chosen = QColorDialog::getColor(current, owner);
        if (!chosen.isValid()) {
            return std::nullopt;
        }
        return chosen;
    };
    fontChooser_ = [](const QFont& current, QWidget* owner) -> std::optional<QFont> {
        bool ok = false;
        QFont chosen =
            QFontDialog::getFont(&ok, current, owner, QString(),
                                 QFontDialog::ScalableFonts | QFontDialog::NonScalableFonts);
        if (!ok) {
            return std::nullopt;
        }
        return chosen;
    };
    listFont_ = ListFontFromSettings(settings_);
    BuildUi();
    Fill();
}

COptionsChange::~COptionsChange() = default;

void COptionsChange::BuildUi() {
    setWindowTitle("Preferences");

    auto* display = new QGroupBox("Font and colors", this);
    auto* displayGrid = new QGridLayout(display);
    fontButton_ = new QPushButton("Change Default &Font...", display);
    auto* fontLabel = new QLabel(DescribeFont(listFont_), display);
    fontLabel->setObjectName("fontLabel");
    displayGrid->addWidget(fontButton_, 0, 0);
    displayGrid->addWidget(fontLabel, 0, 1);
    for (int slot = 0; slot < kColorSlotCount; ++slot) {
        colorButtons_[slot] = new QPushButton(kColorButtonTexts[slot], display);
        samples_[slot] = new QLineEdit(kColorSampleTexts[slot], display);
        samples_[slot]->setReadOnly(true);
        samples_[slot]->setFocusPolicy(Qt::NoFocus);
        samples_[slot]->setMinimumWidth(kSampleWidth);
        displayGrid->addWidget(colorButtons_[slot], slot + 1, 0);
        displayGrid->addWidget(samples_[slot], slot + 1, 1);
        connect(colorButtons_[slot], &QPushButton::clicked, this,
                [this, slot] { ChooseColor(slot); });
    }
    // One width for the whole column of buttons, wide enough for the longest caption.
    int buttonWidth = fontButton_->sizeHint().width();
    for (QPushButton* button : colorButtons_) {
        buttonWidth = std::max(buttonWidth, button->sizeHint().width());
    }
    // Fusion draws captions flush with the frame; a little air keeps them from looking clipped.
    buttonWidth += kButtonPadding;
    fontButton_->setMinimumWidth(buttonWidth);
    for (QPushButton* button : colorButtons_) {
        button->setMinimumWidth(buttonWidth);
    }
    connect(fontButton_, &QPushButton::clicked, this, &COptionsChange::ChooseFont);
    connect(this, &COptionsChange::listFontChanged, fontLabel,
            [fontLabel](const QFont& font) { fontLabel->setText(DescribeFont(font)); });

    auto* columns = new QGroupBox("Columns", this);
    auto* columnsLayout = new QVBoxLayout(columns);
    versionBox_ = new QCheckBox("Show &Version column", columns);
    productVersionBox_ = new QCheckBox("Display ProductVer instead of FileVer", columns);
    timestampBox_ = new QCheckBox("Show &Timestamp column", columns);
    detailTimestampBox_ = new QCheckBox("Display hh:&mm as well.", columns);
    sizeBox_ = new QCheckBox("Show &Size column", columns);
    columnsLayout->addWidget(versionBox_);
    columnsLayout->addWidget(Indented(productVersionBox_, columns));
    columnsLayout->addWidget(timestampBox_);
    columnsLayout->addWidget(Indented(detailTimestampBox_, columns));
    columnsLayout->addWidget(sizeBox_);
    columnsLayout->addStretch(1);

    auto* comparison = new QGroupBox("Comparison", this);
    auto* comparisonLayout = new QVBoxLayout(comparison);
    compareTimestampBox_ = new QCheckBox("Compare Timestam&p", comparison);
    checksumBox_ = new QCheckBox("Compare &Checksum", comparison);
    simplifiedBox_ = new QCheckBox("Use Simplified C&RC32", comparison);
    skipBox_ = new QCheckBox("Skip for the files bigger than", comparison);
    sizeField_ = new QLineEdit(comparison);
    sizeField_->setMaximumWidth(80);
    sizeField_->setAlignment(Qt::AlignRight);
    sizeUnit_ = new QLabel("M Bytes", comparison);
    comparisonLayout->addWidget(compareTimestampBox_);
    comparisonLayout->addWidget(
        MakeNote("i.e., Mark files as different if timestamps are different.", comparison));
    comparisonLayout->addWidget(checksumBox_);
    comparisonLayout->addWidget(
        MakeNote("Perform CRC32 Checking to compare the contents of the files.\nWhen checked, if "
                 "the checksums of 2 files are different, they will be considered as different, "
                 "although file-sizes and timestamps may be same.",
                 comparison));
    comparisonLayout->addWidget(Indented(simplifiedBox_, comparison));
    auto* simplifiedNote = MakeNote(
        "A standard CRC32 scans the entire file so it slows down the performance. If you compare "
        "lots of binary files, Simple-CRC32 or no CRC32 will enhance the performance greatly.",
        comparison);
    simplifiedNote->setContentsMargins(2 * kNoteIndent, 0, 0, 4);
    comparisonLayout->addWidget(simplifiedNote);
    auto* skipRow = new QHBoxLayout;
    skipRow->setContentsMargins(kNoteIndent, 0, 0, 0);
    skipRow->addWidget(skipBox_);
    skipRow->addWidget(sizeField_);
    skipRow->addWidget(sizeUnit_);
    skipRow->addStretch(1);
    comparisonLayout->addLayout(skipRow);
    comparisonLayout->addWidget(MakeNote(
        "When unchecked, the file difference will be determined by file-size and timestamp if "
        "\"Compare Timestamp\" is checked.",
        comparison));
    comparisonLayout->addStretch(1);

    auto* left = new QVBoxLayout;
    left->addWidget(display);
    left->addWidget(columns, 1);
    auto* body = new QHBoxLayout;
    body->addLayout(left);
    body->addWidget(comparison, 1);

    auto* buttons = new QDialogButtonBox(
        QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
    okButton_ = buttons->button(QDialogButtonBox::Ok);
    buttons->button(QDialogButtonBox::Help)->setText("&Help");
    connect(buttons, &QDialogButtonBox::accepted, this, &COptionsChange::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &COptionsChange::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this,
            [] { OpenHelp(QString::fromLatin1(kHelpPreferences)); });

    auto* root = new QVBoxLayout(this);
    root->addLayout(body);
    root->addWidget(buttons);

    connect(checksumBox_, &QCheckBox::toggled, this, &COptionsChange::UpdateEnabled);
}

void COptionsChange::Fill() {
    PreferencesForm form = FillPreferencesForm(PreferenceValuesOf(settings_));
    versionBox_->setChecked(form.showVersion);
    productVersionBox_->setChecked(form.productVersion);
    timestampBox_->setChecked(form.showTimestamp);
    detailTimestampBox_->setChecked(form.detailTimestamp);
    sizeBox_->setChecked(form.showSize);
    compareTimestampBox_->setChecked(form.compareTimestamp);
    checksumBox_->setChecked(form.compareChecksum);
    simplifiedBox_->setChecked(form.simplifiedChecksum);
    skipBox_->setChecked(form.skipIfBig);
    sizeField_->setText(QString::number(form.sizeToSkipMBytes));
    UpdateEnabled();
    PaintSamples();
}

void COptionsChange::UpdateEnabled() {
    bool enabled = checksumBox_->isChecked();
    simplifiedBox_->setEnabled(enabled);
    skipBox_->setEnabled(enabled);
    sizeField_->setEnabled(enabled);
    sizeUnit_->setEnabled(enabled);
}

uint32_t& COptionsChange::ColorField(int slot) {
    switch (slot) {
        case 0:
            return settings_.colorSame;
        case 1:
            return settings_.colorDiff;
        case 2:
            return settings_.colorLeftOnly;
        default:
            return settings_.colorRightOnly;
    }
}

void COptionsChange::PaintSamples() {
    for (int slot = 0; slot < kColorSlotCount; ++slot) {
        QPalette palette = this->palette();
        uint32_t color = ColorField(slot);
        if (color != kColorNotSet) {
            palette.setColor(QPalette::Text, ColorFromRef(color));
            palette.setColor(QPalette::Base, Qt::white);
        }
        samples_[slot]->setPalette(palette);
        samples_[slot]->update();
    }
}

void COptionsChange::ChooseColor(int slot) {
    uint32_t& field = ColorField(slot);
    QColor current = field == kColorNotSet ? palette().color(QPalette::Text) : ColorFromRef(field);
    std::optional<QColor> chosen = colorChooser_(current, this);
    if (!chosen) {
        return;
    }
    field = ColorRefFromColor(*chosen);
    // Refilling puts back the check boxes as the view has them, exactly like reopening would.
    Fill();
    emit colorsChanged();
}

void COptionsChange::ChooseFont() {
    std::optional<QFont> chosen = fontChooser_(listFont_, this);
    if (!chosen) {
        return;
    }
    listFont_ = *chosen;
    RecordListFont(listFont_, settings_);
    emit listFontChanged(listFont_);
}

void COptionsChange::accept() {
    std::optional<uint32_t> size = ParseSizeToSkip(sizeField_->text().toStdString());
    if (!size) {
        PromptRequest request;
        request.text = kRangeMessage;
        request.style = mb::kOk | mb::kIconExclamation;
        prompter_.Ask(request);
        sizeField_->setFocus();
        sizeField_->selectAll();
        return;
    }
    PreferencesForm form;
    form.showVersion = versionBox_->isChecked();
    form.productVersion = productVersionBox_->isChecked();
    form.showTimestamp = timestampBox_->isChecked();
    form.detailTimestamp = detailTimestampBox_->isChecked();
    form.showSize = sizeBox_->isChecked();
    form.compareTimestamp = compareTimestampBox_->isChecked();
    form.compareChecksum = checksumBox_->isChecked();
    form.simplifiedChecksum = simplifiedBox_->isChecked();
    form.skipIfBig = skipBox_->isChecked();
    form.sizeToSkipMBytes = *size;
    PreferenceValues values = PreferenceValuesOf(settings_);
    outcome_ = ApplyPreferencesForm(form, values);
    StorePreferenceValues(values, settings_);
    QDialog::accept();
}

PreferencesResult RunPreferences(QWidget* parent, SettingsStore& store, ViewSettings& settings,
                                 Prompter& prompter, const std::function<void()>& applyNow) {
    PreferencesResult result;
    COptionsChange dialog(parent, settings, prompter);
    QObject::connect(&dialog, &COptionsChange::listFontChanged, &dialog, [&](const QFont&) {
        result.fontChanged = true;
        if (applyNow) {
            applyNow();
        }
    });
    QObject::connect(&dialog, &COptionsChange::colorsChanged, &dialog, [&] {
        result.colorsChanged = true;
        if (applyNow) {
            applyNow();
        }
    });
    if (dialog.exec() != QDialog::Accepted) {
        return result;
    }
    result.accepted = true;
    result.outcome = dialog.Outcome();
    MeasureTimestampWidths(dialog.ListFont(), settings);
    SavePreferences(store, settings);
    return result;
}

}  // namespace quillon
