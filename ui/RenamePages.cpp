// The six pages of the rename wizard: their controls, which options each control edits, and the
// field rules that run as the user types.
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "ui/CMultiRename.h"

namespace quillon {

namespace {

constexpr int kModeIndent = 24;
constexpr int kCountWidth = 52;
constexpr int kDelimiterWidth = 36;

QString FromBytes(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string ToBytes(const QString& text) {
    return text.toUtf8().toStdString();
}

// The counts take any typed value up to 100, but their arrows stay within 1 to 9.
class CountSpin : public QSpinBox {
  public:
    explicit CountSpin(QWidget* parent) : QSpinBox(parent) {
        setRange(0, 100);
        setFixedWidth(kCountWidth);
    }
    void stepBy(int steps) override { setValue(std::clamp(value() + steps, 1, 9)); }

  protected:
    StepEnabled stepEnabled() const override {
        StepEnabled enabled = StepNone;
        if (value() < 9) {
            enabled |= StepUpEnabled;
        }
        if (value() > 1) {
            enabled |= StepDownEnabled;
        }
        return enabled;
    }
};

// A row of widgets indented under a mode button.
QHBoxLayout* IndentedRow(QVBoxLayout* into) {
    auto* row = new QHBoxLayout;
    row->setContentsMargins(kModeIndent, 0, 0, 0);
    into->addLayout(row);
    return row;
}

QComboBox* DigitList(QWidget* parent) {
    auto* list = new QComboBox(parent);
    for (int digits = 1; digits <= 9; ++digits) {
        list->addItem(QString::number(digits));
    }
    return list;
}

// A label and its field side by side, the label's mnemonic leading to the field.
QLineEdit* LabelledField(QLabel* label, QVBoxLayout* into, QWidget* parent, int indent = 0) {
    auto* field = new QLineEdit(parent);
    label->setBuddy(field);
    auto* row = new QHBoxLayout;
    row->setContentsMargins(indent, 0, 0, 0);
    row->addWidget(label);
    row->addWidget(field, 1);
    into->addLayout(row);
    return field;
}

}  // namespace

// Page 1.

CMultRenameAdd2Existing::CMultRenameAdd2Existing(MultiRenameState& state, QWidget* parent)
    : CMultRenamePage(1, "Adding Prefix/Suffix", state, parent) {
    auto* modes = new QButtonGroup(this);
    const char* texts[4] = {"Adding &Prefix to the existing filename",
                            "Adding &Suffix to the existing filename",
                            "Adding &Random Number Prefix to the existing filename",
                            "Remove &Random Number Prefix from the existing filename"};
    const char* examples[4] = {"\"OriginalName.ext\"  ->  \"PrefixOriginalName.ext\"",
                               "\"OriginalName.ext\"  ->  \"OriginalNameSuffix.ext\"",
                               "\"OriginalName.ext\"  ->  \"01394PrefixOriginalName.ext\"",
                               "\"01394PrefixOriginalName.ext\"  ->  \"OriginalName.ext\""};
    digits_ = DigitList(this);
    removeDigits_ = DigitList(this);
    for (int mode = 0; mode < 4; ++mode) {
        modes_[mode] = AddMode(modes, mode, texts[mode]);
        body_->addWidget(modes_[mode]);
        QHBoxLayout* row = IndentedRow(body_);
        row->addWidget(AddHelp(examples[mode]), 1);
        if (mode >= 2) {
            QComboBox* list = mode == 2 ? digits_ : removeDigits_;
            auto* label = new QLabel("Digits:", this);
            label->setBuddy(list);
            row->addWidget(label);
            row->addWidget(list);
        }
    }
    body_->addSpacing(6);
    textLabel_ = new QLabel(this);
    text_ = LabelledField(textLabel_, body_, this);
    AddResultBox();

    connect(modes, &QButtonGroup::idClicked, this, [this](int mode) { OnMode(mode); });
    CleanOnEdit(
        text_, [this](const std::string& t) { return CleanNameField(t, state_.setup.prompter); },
        [this](const std::string& t) {
            Page1Options& o = state_.options.page1;
            (o.mode == 1 ? o.suffix : o.prefix) = t;
        });
    connect(digits_, &QComboBox::activated, this, [this](int index) {
        state_.options.page1.digitsIndex = index;
        Simulate();
    });
    connect(removeDigits_, &QComboBox::activated, this, [this](int index) {
        state_.options.page1.removeIndex = index;
        Simulate();
    });
}

void CMultRenameAdd2Existing::ShowOptions() {
    const Page1Options& o = state_.options.page1;
    const int mode = std::clamp(o.mode, 0, 3);
    modes_[mode]->setChecked(true);
    textLabel_->setText(mode == 1 ? "Suffix:" : mode == 3 ? "Prefix to remove:" : "Prefix:");
    text_->setText(FromBytes(mode == 1 ? o.suffix : o.prefix));
    digits_->setCurrentIndex(std::clamp(o.digitsIndex, 0, 8));
    removeDigits_->setCurrentIndex(std::clamp(o.removeIndex, 0, 8));
    digits_->setEnabled(mode == 2);
    removeDigits_->setEnabled(mode == 3);
}

void CMultRenameAdd2Existing::OnMode(int mode) {
    state_.options.page1.mode = mode;
    ShowOptions();
    Simulate();
}

// Page 2.

CMultRenameNewNameExt::CMultRenameNewNameExt(MultiRenameState& state, QWidget* parent)
    : CMultRenamePage(2, "New Filename Or Extension", state, parent) {
    auto* modes = new QButtonGroup(this);
    const char* texts[2] = {
        "Numeric &Sequential Filename with an optional Prefix (The extensions "
        "will remain unchanged.)",
        "Changing File &Extension"};
    const char* examples[2] = {"\"OriginalName.ext\"  ->  \"Prefix_001.ext\", \"Prefix_002.ext\"",
                               "\"OriginalName.OLD\"  ->  \"OriginalName.NEW\""};
    for (int mode = 0; mode < 2; ++mode) {
        modes_[mode] = AddMode(modes, mode, texts[mode]);
        body_->addWidget(modes_[mode]);
        IndentedRow(body_)->addWidget(AddHelp(examples[mode]), 1);
    }
    body_->addSpacing(6);
    textLabel_ = new QLabel(this);
    text_ = LabelledField(textLabel_, body_, this);
    auto* numberLabel = new QLabel(
        "Initial Numeric Suffix (3 digit by default):\nFor a different # of digit, "
        "enter the suffix in that digit, e.g. 01",
        this);
    number_ = LabelledField(numberLabel, body_, this);
    number_->setMaximumWidth(90);
    body_->itemAt(body_->count() - 1)
        ->layout()
        ->addItem(new QSpacerItem(0, 0, QSizePolicy::Expanding));
    auto* warning = new QLabel(
        "Warning: It is strongly recommended that all selected files have the same extension.",
        this);
    warning->setWordWrap(true);
    body_->addWidget(warning);
    AddResultBox();

    connect(modes, &QButtonGroup::idClicked, this, [this](int mode) { OnMode(mode); });
    CleanOnEdit(
        text_, [this](const std::string& t) { return CleanNameField(t, state_.setup.prompter); },
        [this](const std::string& t) {
            Page2Options& o = state_.options.page2;
            (o.mode == 1 ? o.extension : o.prefix) = t;
        });
    connect(number_, &QLineEdit::textEdited, this, [this](const QString& text) {
        state_.options.page2.numberField = ToBytes(text);
        Simulate();
    });
}

void CMultRenameNewNameExt::ShowOptions() {
    const Page2Options& o = state_.options.page2;
    const int mode = std::clamp(o.mode, 0, 1);
    modes_[mode]->setChecked(true);
    textLabel_->setText(mode == 1 ? "Extension:" : "Prefix:");
    text_->setText(FromBytes(mode == 1 ? o.extension : o.prefix));
    number_->setText(FromBytes(o.numberField));
    number_->setEnabled(mode == 0);
}

void CMultRenameNewNameExt::OnMode(int mode) {
    state_.options.page2.mode = mode;
    ShowOptions();
    Simulate();
}

// Page 3.

CMultRenamePartialDelim::CMultRenamePartialDelim(MultiRenameState& state, QWidget* parent)
    : CMultRenamePage(3, "Change Using Delimiter", state, parent) {
    auto* modes = new QButtonGroup(this);
    const char* texts[2] = {"Change &Front Part All The Way To The Last Word.",
                            "Change &Ending Part Starting From The End Of The First Word"};
    const char* leads[2] = {"LastWord is preceded by the last",
                            "FirstWord is followed by the first"};
    const char* examples[2] = {"\"OLD_LastWord.ext\"  ->  \"NEWLastWord.ext\"",
                               "\"FirstWord_OLD.ext\"  ->  \"FirstWordNEW.ext\""};
    for (int mode = 0; mode < 2; ++mode) {
        modes_[mode] = AddMode(modes, mode, texts[mode]);
        body_->addWidget(modes_[mode]);
        QHBoxLayout* row = IndentedRow(body_);
        counts_[mode] = new CountSpin(this);
        ordinals_[mode] = new QLabel("th", this);
        ordinals_[mode]->setFixedWidth(ordinals_[mode]->fontMetrics().horizontalAdvance("nd") + 4);
        delimiters_[mode] = new QLineEdit(this);
        delimiters_[mode]->setFixedWidth(kDelimiterWidth);
        delimiters_[mode]->setAlignment(Qt::AlignCenter);
        auto* lead = new QLabel(leads[mode], this);
        // Both rows' counts in one column.
        lead->setMinimumWidth(std::max(fontMetrics().horizontalAdvance(leads[0]),
                                       fontMetrics().horizontalAdvance(leads[1])));
        lead->setBuddy(counts_[mode]);
        row->addWidget(lead);
        row->addWidget(counts_[mode]);
        row->addWidget(ordinals_[mode]);
        row->addWidget(delimiters_[mode]);
        row->addWidget(new QLabel("character.", this));
        row->addStretch(1);
        IndentedRow(body_)->addWidget(AddHelp(examples[mode]), 1);

        connect(counts_[mode], &QSpinBox::valueChanged, this,
                [this, mode](int value) { OnCount(mode, value); });
        CleanOnEdit(
            delimiters_[mode],
            [this, mode](const std::string& t) {
                return CleanDelimiterField(t, ToBytes(previousDelimiter_[mode]),
                                           state_.setup.prompter);
            },
            [this, mode](const std::string& t) {
                previousDelimiter_[mode] = FromBytes(t);
                (mode == 0 ? state_.options.page3.lastDelimiter
                           : state_.options.page3.firstDelimiter) = t;
            });
    }
    body_->addSpacing(6);
    text_ = LabelledField(new QLabel("NEW Word(s): Leave blank to delete OLD.", this), body_, this);
    AddResultBox();

    connect(modes, &QButtonGroup::idClicked, this, [this](int mode) { OnMode(mode); });
    CleanOnEdit(
        text_, [this](const std::string& t) { return CleanNameField(t, state_.setup.prompter); },
        [this](const std::string& t) {
            Page3Options& o = state_.options.page3;
            (o.mode == 1 ? o.firstText : o.lastText) = t;
        });
}

void CMultRenamePartialDelim::ShowOptions() {
    const Page3Options o = state_.options.page3;
    const int mode = std::clamp(o.mode, 0, 1);
    modes_[mode]->setChecked(true);
    const int counts[2] = {o.lastCount, o.firstCount};
    const std::string* delimiters[2] = {&o.lastDelimiter, &o.firstDelimiter};
    for (int m = 0; m < 2; ++m) {
        counts_[m]->setValue(counts[m]);
        ordinals_[m]->setText(OrdinalSuffix(counts[m]));
        previousDelimiter_[m] = FromBytes(*delimiters[m]);
        delimiters_[m]->setText(previousDelimiter_[m]);
        counts_[m]->setEnabled(m == mode);
        delimiters_[m]->setEnabled(m == mode);
    }
    text_->setText(FromBytes(mode == 1 ? o.firstText : o.lastText));
}

void CMultRenamePartialDelim::OnMode(int mode) {
    state_.options.page3.mode = mode;
    ShowOptions();
    Simulate();
}

void CMultRenamePartialDelim::OnCount(int mode, int value) {
    (mode == 0 ? state_.options.page3.lastCount : state_.options.page3.firstCount) = value;
    ordinals_[mode]->setText(OrdinalSuffix(value));
    Simulate();
}

// Page 4.

CMultRenameChangeSpecificWord::CMultRenameChangeSpecificWord(MultiRenameState& state,
                                                             QWidget* parent)
    : CMultRenamePage(4, "Change Specific Word", state, parent) {
    auto* modes = new QButtonGroup(this);
    const char* texts[3] = {"Replace &1st Occurrence Of Certain String",
                            "Replace &last Occurrence Of Certain String",
                            "&Replace All Occurrences of Character Or String"};
    const char* oldLabels[3] = {
        "First unique OLD String to be replaced:", "Last unique OLD String to be replaced:",
        "Replace any existing occurrence of"};
    const char* examples[3] = {"\"anyOLDBlah blah.ext\"  ->  \"anyNEWBlah blah.ext\"",
                               "\"Blah blahOLDany.ext\"  ->  \"Blah blahNEWany.ext\"",
                               "\"abc-def-ghi-jkl.ext\"  ->  \"abc_def_ghi_jkl.ext\"  (- by _)"};
    int labelWidth = 0;
    for (const char* label : oldLabels) {
        labelWidth = std::max(labelWidth, fontMetrics().horizontalAdvance(label));
    }
    for (int mode = 0; mode < 3; ++mode) {
        modes_[mode] = AddMode(modes, mode, texts[mode]);
        body_->addWidget(modes_[mode]);
        auto* oldLabel = new QLabel(oldLabels[mode], this);
        // One width for the three, so that their fields line up.
        oldLabel->setMinimumWidth(labelWidth);
        olds_[mode] = LabelledField(oldLabel, body_, this, kModeIndent);
        IndentedRow(body_)->addWidget(AddHelp(examples[mode]), 1);
        connect(olds_[mode], &QLineEdit::textEdited, this, [this, mode](const QString& text) {
            Page4Options& o = state_.options.page4;
            (mode == 0 ? o.firstOld : mode == 1 ? o.lastOld : o.allOld) = ToBytes(text);
            Simulate();
        });
    }
    body_->addSpacing(6);
    newLabel_ = new QLabel(this);
    new_ = LabelledField(newLabel_, body_, this);
    auto* note = new QLabel(
        "This is to change any specific word in the filename only. The file extension will "
        "remain unchanged.\nTo change the extension, use the page \"New Filename Or Extension\".",
        this);
    note->setWordWrap(true);
    body_->addWidget(note);
    AddResultBox();

    connect(modes, &QButtonGroup::idClicked, this, [this](int mode) { OnMode(mode); });
    CleanOnEdit(
        new_, [this](const std::string& t) { return CleanNameField(t, state_.setup.prompter); },
        [this](const std::string& t) { NewOfMode() = t; });
}

std::string& CMultRenameChangeSpecificWord::NewOfMode() {
    Page4Options& o = state_.options.page4;
    return o.mode == 1 ? o.lastNew : o.mode == 2 ? o.allNew : o.firstNew;
}

void CMultRenameChangeSpecificWord::ShowOptions() {
    const Page4Options& o = state_.options.page4;
    const int mode = std::clamp(o.mode, 0, 2);
    modes_[mode]->setChecked(true);
    const std::string* olds[3] = {&o.firstOld, &o.lastOld, &o.allOld};
    for (int m = 0; m < 3; ++m) {
        olds_[m]->setText(FromBytes(*olds[m]));
        olds_[m]->setEnabled(m == mode);
    }
    newLabel_->setText(mode == 2 ? "By: Leave blank to delete OLD."
                                 : "NEW Word(s): Leave blank to delete OLD.");
    new_->setText(FromBytes(NewOfMode()));
}

void CMultRenameChangeSpecificWord::OnMode(int mode) {
    state_.options.page4.mode = mode;
    ShowOptions();
    Simulate();
}

// Page 5.

CMultRenameChangePattern::CMultRenameChangePattern(MultiRenameState& state, QWidget* parent)
    : CMultRenamePage(5, "Change Pattern", state, parent) {
    pattern_ = new QLineEdit(this);
    newPattern_ = new QLineEdit(this);
    auto* fields = new QGridLayout;
    fields->setColumnStretch(1, 1);
    const char* labels[2] = {"Existing/Old Pattern to Rename:", "New Pattern:"};
    QLineEdit* edits[2] = {pattern_, newPattern_};
    for (int i = 0; i < 2; ++i) {
        auto* label = new QLabel(labels[i], this);
        label->setBuddy(edits[i]);
        fields->addWidget(label, i, 0);
        fields->addWidget(edits[i], i, 1);
    }
    body_->addLayout(fields);
    body_->addSpacing(6);
    auto* modes = new QButtonGroup(this);
    const char* texts[3] = {"Move to &Front and Replace Old Pattern by New Pattern",
                            "Move to &End and Replace Old Pattern by New Pattern",
                            "Do not Move but &Replace the Existing Pattern by New Pattern"};
    const char* examples[3] = {
        "\"any-existing.ext\", \"-*\" by \"[*]_\"  ->  \"[existing]_any.ext\"",
        "\"AB[existing]any.ext\", \"[*]\" by \"-*\"  ->  \"ABany-existing.ext\"",
        "\"[existing]any.ext\", \"[*]\" by \"*-\"  ->  \"existing-any.ext\""};
    for (int mode = 0; mode < 3; ++mode) {
        modes_[mode] = AddMode(modes, mode, texts[mode]);
        body_->addWidget(modes_[mode]);
        IndentedRow(body_)->addWidget(AddHelp(examples[mode]), 1);
    }
    AddResultBox();

    connect(modes, &QButtonGroup::idClicked, this, [this](int mode) {
        state_.options.page5.mode = mode;
        ShowOptions();
        Simulate();
    });
    connect(pattern_, &QLineEdit::textEdited, this, [this](const QString& text) {
        state_.options.page5.pattern = ToBytes(text);
        Simulate();
    });
    CleanOnEdit(
        newPattern_,
        [this](const std::string& t) {
            return CleanNewPatternField(state_.options.page5.pattern, t, state_.setup.prompter);
        },
        [this](const std::string& t) {
            Page5Options& o = state_.options.page5;
            o.newPattern[std::clamp(o.mode, 0, 2)] = t;
        });
}

void CMultRenameChangePattern::ShowOptions() {
    const Page5Options& o = state_.options.page5;
    modes_[std::clamp(o.mode, 0, 2)]->setChecked(true);
    pattern_->setText(FromBytes(o.pattern));
    newPattern_->setText(FromBytes(o.NewPattern()));
}

// Page 6.

namespace {

// One value for the whole run: the page starts with what was typed last time.
int keptInterval = 0;

}  // namespace

CMultRenameTimestamp::CMultRenameTimestamp(MultiRenameState& state, QWidget* parent)
    : CMultRenamePage(6, "File Timestamp Change", state, parent) {
    state_.options.page6.intervalMs = keptInterval;
    auto* modes = new QButtonGroup(this);
    modes_[0] = AddMode(
        modes, 0, "Change ALL File Timestamp to Current Time (either Today or a specific date.)");
    body_->addWidget(modes_[0]);
    IndentedRow(body_)->addWidget(AddHelp("All the files will have the same file timestamp."), 1);
    modes_[1] = AddMode(modes, 1, "Change File Timestamp incrementally.");
    body_->addWidget(modes_[1]);
    IndentedRow(body_)->addWidget(
        AddHelp("When the next file is processed, the program will wait the given interval "
                "milisecond.\nEven if it is 0,  every file will have different timestamp because "
                "timestamp is generated for each file.\nThe maximum interval is 0.5 second (500 "
                "milisecond.)"),
        1);
    interval_ = new QLineEdit(this);
    interval_->setValidator(new QIntValidator(0, 9999, interval_));
    interval_->setFixedWidth(60);
    interval_->setAlignment(Qt::AlignRight);
    auto* intervalLabel = new QLabel("Wait Interval (between 0 and 500): ", this);
    intervalLabel->setBuddy(interval_);
    QHBoxLayout* intervalRow = IndentedRow(body_);
    intervalRow->addWidget(intervalLabel);
    intervalRow->addWidget(interval_);
    intervalRow->addStretch(1);
    body_->addSpacing(6);

    useDate_ = new QCheckBox("Use Specific Date instead of Today", this);
    date_ = new QDateEdit(QDate::currentDate(), this);
    date_->setCalendarPopup(true);
    date_->setDisplayFormat("yyyy-MM-dd");
    date_->setMinimumWidth(date_->sizeHint().width() + fontMetrics().horizontalAdvance("00"));
    auto* dateRow = new QHBoxLayout;
    dateRow->addWidget(useDate_);
    dateRow->addWidget(date_);
    dateRow->addStretch(1);
    body_->addLayout(dateRow);
    IndentedRow(body_)->addWidget(
        AddHelp("When this is checked with a specific date, the current time is still used."), 1);
    IndentedRow(body_)->addWidget(AddHelp(kCreationTimeNote), 1);
    AddResultBox("File list to change their File Timestamp:");

    connect(modes, &QButtonGroup::idClicked, this, [this](int mode) {
        state_.options.page6.mode = mode;
        ShowOptions();
    });
    connect(interval_, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (text.isEmpty()) {
            return;
        }
        const int kept = CleanIntervalField(text.toInt(), keptInterval, state_.setup.prompter);
        if (kept != text.toInt()) {
            interval_->setText(QString::number(kept));
        }
        keptInterval = kept;
        state_.options.page6.intervalMs = kept;
    });
    connect(useDate_, &QCheckBox::toggled, this, [this](bool on) {
        state_.options.page6.useDate = on;
        date_->setEnabled(on);
    });
    connect(date_, &QDateEdit::dateChanged, this, [this] { TakeDate(); });
}

void CMultRenameTimestamp::TakeDate() {
    const QDate picked = date_->date();
    state_.options.page6.date = PickedDate{picked.year(), picked.month(), picked.day()};
}

void CMultRenameTimestamp::ShowOptions() {
    const Page6Options& o = state_.options.page6;
    const int mode = std::clamp(o.mode, 0, 1);
    modes_[mode]->setChecked(true);
    interval_->setText(QString::number(o.intervalMs));
    interval_->setEnabled(mode == 1);
    useDate_->setChecked(o.useDate);
    date_->setEnabled(o.useDate);
}

void CMultRenameTimestamp::Simulate() {
    if (ResultBox()) {
        ResultBox()->setPlainText(
            FromBytes(TimestampFileList(state_.setup.entries)).replace("\r\n", "\n"));
    }
}

}  // namespace quillon
