#include "ui/COutputFormat.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/ValueText.h"
#include "platform/Log.h"
#include "platform/Prompter.h"
#include "platform/SettingsStore.h"

namespace quillon {

namespace {

constexpr int kSampleLines = 4;
// Wide enough for the longest file-name style and a whole sample line.
constexpr int kMinimumWidth = 680;

int ValidIndex(int index, int count) {
    return index >= 0 && index < count ? index : 0;
}

void FillCombo(QComboBox* combo, const char* const* texts, int count) {
    for (int i = 0; i < count; ++i) {
        combo->addItem(QString::fromUtf8(texts[i]));
    }
}

std::string FolderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return {};
    }
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

}  // namespace

COutputFormat::COutputFormat(QWidget* parent, SettingsStore& store, const ReportInput& input,
                             ViewFile viewFile, Prompter& prompter)
    : QDialog(parent),
      store_(store),
      input_(input),
      viewFile_(std::move(viewFile)),
      prompter_(prompter) {
    fileChooser_ = [](QWidget* owner, const std::string& folder) {
        // Qt's save dialog asks before overwriting and only accepts an existing folder.
        QString chosen = QFileDialog::getSaveFileName(
            owner, "Enter the Output filename",
            QFile::decodeName(QByteArray::fromStdString(folder)), "Text Files (*.txt)");
        return QFile::encodeName(chosen).toStdString();
    };
    BuildUi();
    ReportOptions options;
    options.Load(store_);
    Fill(options);
}

COutputFormat::~COutputFormat() = default;

void COutputFormat::BuildUi() {
    setWindowTitle("Output Format Preferences...");

    contentCombo_ = new QComboBox(this);
    FillCombo(contentCombo_, kReportContentTexts, kReportContentCount);
    encodingCombo_ = new QComboBox(this);
    FillCombo(encodingCombo_, kReportEncodingTexts, kReportEncodingCount);
    fileNameCombo_ = new QComboBox(this);
    FillCombo(fileNameCombo_, kReportFileNameStyleTexts, kReportFileNameStyleCount);

    auto* form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form->addRow("&Contents:", contentCombo_);
    form->addRow("&Encoding:", encodingCombo_);
    form->addRow("&File names:", fileNameCombo_);

    auto* columns = new QGroupBox("Columns and labels", this);
    auto* grid = new QGridLayout(columns);
    versionColumn_ = new QCheckBox("&Version", columns);
    versionLabel_ = new QCheckBox("Label \"Version: \"", columns);
    timeColumn_ = new QCheckBox("&Timestamp", columns);
    timeLabel_ = new QCheckBox("Label \"Time: \"", columns);
    hhmm_ = new QCheckBox("hh:&mm", columns);
    sizeColumn_ = new QCheckBox("&Size", columns);
    sizeLabel_ = new QCheckBox("Label \"Size: \"", columns);
    bytesLabel_ = new QCheckBox("Suffix \" bytes\"", columns);
    statusLabel_ = new QCheckBox("Difference status at the end of each &row", columns);
    grid->addWidget(versionColumn_, 0, 0);
    grid->addWidget(versionLabel_, 0, 1);
    grid->addWidget(timeColumn_, 1, 0);
    grid->addWidget(timeLabel_, 1, 1);
    grid->addWidget(hhmm_, 1, 2);
    grid->addWidget(sizeColumn_, 2, 0);
    grid->addWidget(sizeLabel_, 2, 1);
    grid->addWidget(bytesLabel_, 2, 2);
    grid->addWidget(statusLabel_, 3, 0, 1, 3);
    grid->setColumnStretch(3, 1);

    auto* sampleBox = new QGroupBox("Sample", this);
    auto* sampleLayout = new QVBoxLayout(sampleBox);
    sample_ = new QPlainTextEdit(sampleBox);
    sample_->setReadOnly(true);
    sample_->setFocusPolicy(Qt::NoFocus);
    sample_->setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    sample_->setFont(fixed);
    QFontMetrics metrics(fixed);
    sample_->setTabStopDistance(4 * metrics.horizontalAdvance(' '));
    sample_->setFixedHeight(metrics.lineSpacing() * kSampleLines + 12);
    sampleLayout->addWidget(sample_);

    outputFile_ = new QLineEdit(this);
    outputFile_->setMinimumWidth(360);
    browseButton_ = new QPushButton("...", this);
    browseButton_->setToolTip("Choose the output file");
    browseButton_->setFixedWidth(browseButton_->fontMetrics().horizontalAdvance("....") + 24);
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(outputFile_, 1);
    fileRow->addWidget(browseButton_);
    auto* fileLabel = new QLabel("&Output file:", this);
    fileLabel->setBuddy(outputFile_);
    form->addRow(fileLabel, fileRow);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &COutputFormat::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &COutputFormat::reject);
    connect(browseButton_, &QPushButton::clicked, this, &COutputFormat::Browse);

    setMinimumWidth(kMinimumWidth);
    auto* root = new QVBoxLayout(this);
    root->addLayout(form);
    root->addWidget(columns);
    root->addWidget(sampleBox);
    root->addWidget(buttons);

    for (QComboBox* combo : {contentCombo_, encodingCombo_, fileNameCombo_}) {
        connect(combo, &QComboBox::currentIndexChanged, this, &COutputFormat::UpdateSample);
    }
    for (QCheckBox* box : {versionColumn_, versionLabel_, timeColumn_, timeLabel_, hhmm_,
                           sizeColumn_, sizeLabel_, bytesLabel_, statusLabel_}) {
        connect(box, &QCheckBox::toggled, this, &COutputFormat::UpdateSample);
    }
}

void COutputFormat::Fill(const ReportOptions& options) {
    contentCombo_->setCurrentIndex(ValidIndex(options.outputDiffOption, kReportContentCount));
    encodingCombo_->setCurrentIndex(ValidIndex(options.outputEncoding, kReportEncodingCount));
    fileNameCombo_->setCurrentIndex(ValidIndex(options.filenameOption, kReportFileNameStyleCount));
    versionColumn_->setChecked(options.versionColumn);
    versionLabel_->setChecked(options.versionLabel);
    timeColumn_->setChecked(options.timeColumn);
    timeLabel_->setChecked(options.timeLabel);
    hhmm_->setChecked(options.hhmmss);
    sizeColumn_->setChecked(options.sizeColumn);
    sizeLabel_->setChecked(options.sizeLabel);
    bytesLabel_->setChecked(options.bytesLabel);
    statusLabel_->setChecked(options.diffStatLabel);
    outputPath_ = options.outputPath;
    SetOutputFile(options.outputFile);
    UpdateSample();
}

void COutputFormat::SetOutputFile(const std::string& path) {
    outputFileBytes_ = path;
    outputFileShown_ = QFile::decodeName(QByteArray::fromStdString(path));
    outputFile_->setText(outputFileShown_);
}

ReportOptions COutputFormat::Options() const {
    ReportOptions options;
    options.outputDiffOption = contentCombo_->currentIndex();
    options.outputEncoding = encodingCombo_->currentIndex();
    options.filenameOption = fileNameCombo_->currentIndex();
    options.versionColumn = versionColumn_->isChecked();
    options.versionLabel = versionLabel_->isChecked();
    options.timeColumn = timeColumn_->isChecked();
    options.timeLabel = timeLabel_->isChecked();
    options.hhmmss = hhmm_->isChecked();
    options.sizeColumn = sizeColumn_->isChecked();
    options.sizeLabel = sizeLabel_->isChecked();
    options.bytesLabel = bytesLabel_->isChecked();
    options.diffStatLabel = statusLabel_->isChecked();
    options.outputPath = outputPath_;
    const QString typed = outputFile_->text().trimmed();
    options.outputFile = typed == outputFileShown_.trimmed()
                             ? outputFileBytes_
                             : QFile::encodeName(typed).toStdString();
    return options;
}

QString COutputFormat::SampleText() const {
    return sample_->toPlainText();
}

void COutputFormat::UpdateEnabled() {
    // A label only matters while its column is written.
    versionLabel_->setEnabled(versionColumn_->isChecked());
    timeLabel_->setEnabled(timeColumn_->isChecked());
    hhmm_->setEnabled(timeColumn_->isChecked());
    sizeLabel_->setEnabled(sizeColumn_->isChecked());
    bytesLabel_->setEnabled(sizeColumn_->isChecked());
}

void COutputFormat::UpdateSample() {
    UpdateEnabled();
    ReportOptions options = Options();
    sample_->setPlainText(
        QString::fromStdString(BuildReportSample(options, options.filenameOption)));
}

void COutputFormat::Browse() {
    std::string chosen = fileChooser_(this, outputPath_);
    if (chosen.empty()) {
        return;
    }
    SetOutputFile(chosen);
    outputPath_ = FolderOf(chosen);
}

void COutputFormat::accept() {
    ReportOptions options = Options();
    if (options.outputFile.empty()) {
        PromptRequest request;
        request.text = kOutputNameEmptyMessage;
        request.style = mb::kOk | mb::kIconStop;
        prompter_.Ask(request);
        outputFile_->setFocus();
        return;
    }
    const std::string& path = options.outputFile;
    options.Save(store_);

    // A new report replaces the old one only once complete; nothing but a regular file is
    // replaced.
    std::string why;
    bool written = WriteReportFile(input_, options, path, options.outputDiffOption,
                                   options.outputEncoding, options.filenameOption, why);
    if (!why.empty()) {
        Log("%s", why.c_str());
    }
    Log("Saved the output result to [%s]", path.c_str());

    PromptRequest request;
    if (written) {
        request.text = "\"" + path + "\"" + kOutputCreatedQuestion;
        request.style = mb::kYesNo | mb::kIconQuestion;
        if (prompter_.Ask(request) == mbr::kYes && viewFile_) {
            viewFile_(path);
        }
    } else {
        request.text = kNoOutputMessage;
        request.style = mb::kOk | mb::kIconExclamation;
        prompter_.Ask(request);
    }
    QDialog::accept();
}

bool RunOutputFormat(QWidget* parent, SettingsStore& store, const ReportInput& input,
                     const COutputFormat::ViewFile& viewFile, Prompter& prompter) {
    COutputFormat dialog(parent, store, input, viewFile, prompter);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace quillon
