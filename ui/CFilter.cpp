#include "ui/CFilter.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/HelpLink.h"

namespace quillon {

namespace {

const char* const kDisplayTexts[3] = {
    "&DISABLE the filter, i.e. display all files / folders.",
    "Display &BOTH different files. (Different on both views)",
    "Display AN&Y different files.",
};
const char* const kExtensionTexts[3] = {
    "Display the files with &all file-extensions.",
    "Display the files with the specified file-extensions. (&Inclusion)",
    "Do not display the files with the specified file-extensions. (&Exclusion)",
};
constexpr char kExtensionListLabel[] =
    "File-extensions, separated by a comma (e.g. \"jpg,jpeg,png,gif\")";
constexpr int kListIndent = 24;
constexpr int kButtonPadding = 16;

QComboBox* MakeExtensionCombo(QWidget* parent) {
    auto* combo = new QComboBox(parent);
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    combo->setMinimumContentsLength(32);
    return combo;
}

void AddIndented(QVBoxLayout* layout, QWidget* label, QWidget* combo) {
    auto* box = new QVBoxLayout;
    box->setContentsMargins(kListIndent, 0, 0, 6);
    box->setSpacing(2);
    box->addWidget(label);
    box->addWidget(combo);
    layout->addLayout(box);
}

void ShowChoices(QComboBox* combo, const std::vector<std::string>& choices,
                 const std::string& text) {
    combo->clear();
    for (const std::string& choice : choices) {
        combo->addItem(QString::fromStdString(choice));
    }
    combo->setCurrentIndex(combo->count() > 0 ? 0 : -1);
    combo->setEditText(QString::fromStdString(text));
}

}  // namespace

CFilter::CFilter(QWidget* parent, SettingsStore& store, Prompter& prompter, FilterState& filter,
                 bool& useDilutedColor, bool* readWholeTrees)
    : QDialog(parent), logic_(store, prompter, filter, useDilutedColor, readWholeTrees) {
    BuildUi();
    logic_.Open();
    ShowFields();
}

CFilter::~CFilter() = default;

void CFilter::BuildUi() {
    setWindowTitle("File Display Filter");

    auto* note = new QLabel(kFilterNote, this);
    note->setWordWrap(true);

    auto* display = new QGroupBox("Differences", this);
    auto* displayLayout = new QVBoxLayout(display);
    displayGroup_ = new QButtonGroup(this);
    for (int i = 0; i < 3; ++i) {
        displayButtons_[i] = new QRadioButton(kDisplayTexts[i], display);
        displayGroup_->addButton(displayButtons_[i], i);
        displayLayout->addWidget(displayButtons_[i]);
    }

    auto* extensions = new QGroupBox("File-extensions", this);
    auto* extensionLayout = new QVBoxLayout(extensions);
    extensionGroup_ = new QButtonGroup(this);
    inclusionCombo_ = MakeExtensionCombo(extensions);
    exclusionCombo_ = MakeExtensionCombo(extensions);
    QComboBox* combos[3] = {nullptr, inclusionCombo_, exclusionCombo_};
    for (int i = 0; i < 3; ++i) {
        extensionButtons_[i] = new QRadioButton(kExtensionTexts[i], extensions);
        extensionGroup_->addButton(extensionButtons_[i], i);
        extensionLayout->addWidget(extensionButtons_[i]);
        if (combos[i] != nullptr) {
            auto* label = new QLabel(kExtensionListLabel, extensions);
            label->setBuddy(combos[i]);
            AddIndented(extensionLayout, label, combos[i]);
        }
    }

    expandAllBox_ = new QCheckBox("E&xpand all folders when the filter is enabled.", this);
    dilutedBox_ = new QCheckBox(
        "&Use the diluted colors for folders to make the diff files stand out.", this);

    auto* buttons = new QDialogButtonBox(
        QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
    helpButton_ = buttons->button(QDialogButtonBox::Help);
    helpButton_->setText("&Help");
    saveDefaultButton_ = new QPushButton("&Save current settings as default", this);
    resetButton_ = new QPushButton("&Reset", this);
    saveDefaultButton_->setMinimumWidth(saveDefaultButton_->sizeHint().width() + kButtonPadding);
    // Neither may take ENTER away from OK.
    saveDefaultButton_->setAutoDefault(false);
    resetButton_->setAutoDefault(false);
    connect(buttons, &QDialogButtonBox::accepted, this, &CFilter::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CFilter::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this,
            [] { OpenHelp(QString::fromLatin1(kHelpDisplayFilter)); });
    connect(saveDefaultButton_, &QPushButton::clicked, this, &CFilter::OnSaveAsDefault);
    connect(resetButton_, &QPushButton::clicked, this, &CFilter::OnReset);
    connect(displayGroup_, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked) {
            UpdateEnabled();
        }
    });

    auto* root = new QVBoxLayout(this);
    root->addWidget(note);
    root->addWidget(display);
    root->addWidget(extensions);
    root->addWidget(expandAllBox_);
    root->addWidget(dilutedBox_);
    root->addSpacing(6);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addWidget(saveDefaultButton_);
    buttonRow->addWidget(resetButton_);
    buttonRow->addStretch(1);
    buttonRow->addWidget(buttons);
    root->addLayout(buttonRow);
}

void CFilter::ReadControls() {
    FilterDialogFields& fields = logic_.fields;
    fields.displayOption = std::max(0, displayGroup_->checkedId());
    fields.extensionOption = std::max(0, extensionGroup_->checkedId());
    fields.inclusionText = inclusionCombo_->currentText().toStdString();
    fields.exclusionText = exclusionCombo_->currentText().toStdString();
    fields.expandAllCheck = expandAllBox_->isChecked();
    fields.dilutedCheck = dilutedBox_->isChecked();
}

void CFilter::ShowFields() {
    const FilterDialogFields& fields = logic_.fields;
    displayButtons_[std::clamp(fields.displayOption, 0, 2)]->setChecked(true);
    extensionButtons_[std::clamp(fields.extensionOption, 0, 2)]->setChecked(true);
    ShowChoices(inclusionCombo_, fields.inclusionChoices, fields.inclusionText);
    ShowChoices(exclusionCombo_, fields.exclusionChoices, fields.exclusionText);
    expandAllBox_->setChecked(fields.expandAllCheck);
    dilutedBox_->setChecked(fields.dilutedCheck);
    UpdateEnabled();
}

void CFilter::UpdateEnabled() {
    bool enabled = displayGroup_->checkedId() > 0;
    for (QRadioButton* button : extensionButtons_) {
        button->setEnabled(enabled);
    }
    inclusionCombo_->setEnabled(enabled);
    exclusionCombo_->setEnabled(enabled);
    expandAllBox_->setEnabled(enabled);
}

void CFilter::OnSaveAsDefault() {
    ReadControls();
    if (logic_.OnSaveAsDefault()) {
        ShowFields();
    }
}

void CFilter::OnReset() {
    ReadControls();
    logic_.OnReset();
    ShowFields();
}

void CFilter::accept() {
    ReadControls();
    if (!logic_.OnOk()) {
        // The user's choices stay as they were typed.
        return;
    }
    QDialog::accept();
}

FilterResult RunFilter(QWidget* parent, SettingsStore& store, Prompter& prompter,
                       FilterState& filter, bool& useDilutedColor, bool& readWholeTrees,
                       bool pairOpened) {
    FilterResult result;
    CFilter dialog(parent, store, prompter, filter, useDilutedColor, &readWholeTrees);
    if (dialog.exec() != QDialog::Accepted) {
        return result;
    }
    result.accepted = true;
    result.title = FilterWindowTitle(filter.filterActive);
    readWholeTrees = ReadWholeTreesAfterFilter(filter, pairOpened);
    return result;
}

}  // namespace quillon
