#include "ui/CPdfFromSingleFile.h"

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <QCheckBox>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "base/PathUtil.h"
#include "base/StringPrintf.h"
#include "platform/Launcher.h"
#include "platform/Log.h"
#include "platform/Prompter.h"
#include "platform/SettingsCatalogue.h"
#include "platform/SettingsStore.h"
#include "reports/PdfRendition.h"

namespace quillon {

namespace {

constexpr int kConverterWaitMs = 5 * 60 * 1000;

int Ask(Prompter& prompter, const std::string& text, uint32_t style) {
    PromptRequest request;
    request.text = text;
    request.style = style;
    return prompter.Ask(request);
}

// The file's identity, so that an output left from before does not count as the new one.
ino_t InodeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

}  // namespace

PdfOutputRow MakePdfOutputRow(QWidget* parent, const QString& path, const QString& browseText,
                              SettingsStore& settings) {
    PdfOutputRow row;
    row.path = new QLineEdit(path, parent);
    row.browse = new QPushButton(browseText, parent);
    QLineEdit* field = row.path;
    QObject::connect(row.browse, &QPushButton::clicked, parent, [parent, field] {
        const QString chosen = QFileDialog::getSaveFileName(parent, "Enter the Output PDF filename",
                                                            field->text(), "PDF Files (*.pdf)");
        if (!chosen.isEmpty()) {
            field->setText(chosen);
        }
    });
    row.remember = new QCheckBox("Remember this output location for future PDF rendition.", parent);
    row.remember->setChecked(ReadSetting(settings, settings::kUsePrevOutputPath) != 0);
    return row;
}

cPDFFromSingleFile::cPDFFromSingleFile(QWidget* parent, SettingsStore& settings, Prompter& prompter,
                                       Launcher& launcher, const std::string& source)
    : QDialog(parent),
      settings_(settings),
      prompter_(prompter),
      launcher_(launcher),
      source_(source) {
    setWindowTitle("Rendering a file to PDF");
    auto* sourceField = new QLineEdit(QString::fromStdString(source), this);
    sourceField->setReadOnly(true);
    std::string folder(DirName(source));
    if (ReadSetting(settings_, settings::kUsePrevOutputPath) != 0 &&
        !ReadSetting(settings_, settings::kPdfOutputPath).empty()) {
        folder = ReadSetting(settings_, settings::kPdfOutputPath);
    }
    std::string name(BaseName(source));
    const size_t dot = name.rfind('.');
    name = (dot == std::string::npos || dot == 0 ? name : name.substr(0, dot)) + ".pdf";
    const PdfOutputRow row = MakePdfOutputRow(this, QString::fromStdString(JoinPath(folder, name)),
                                              "Browse...", settings_);
    output_ = row.path;
    remember_ = row.remember;
    QPushButton* browse = row.browse;
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &cPDFFromSingleFile::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &cPDFFromSingleFile::reject);
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel("Source file", this), 0, 0);
    grid->addWidget(sourceField, 0, 1, 1, 2);
    grid->addWidget(new QLabel("Output PDF filename", this), 1, 0);
    grid->addWidget(output_, 1, 1);
    grid->addWidget(browse, 1, 2);
    auto* root = new QVBoxLayout(this);
    root->addLayout(grid);
    root->addWidget(remember_);
    root->addWidget(buttons);
}

void cPDFFromSingleFile::accept() {
    const std::string output = output_->text().toStdString();
    struct stat st {};
    if (output.empty() || (::stat(output.c_str(), &st) == 0 && S_ISDIR(st.st_mode))) {
        Ask(prompter_,
            "Please check \"Output PDF filename\".\nIt is either empty or an existing "
            "folder.\nEnter the filename properly and try again.",
            mb::kOk | mb::kIconExclamation);
        return;
    }
    WriteSetting(settings_, settings::kUsePrevOutputPath, remember_->isChecked() ? 1 : 0);
    WriteSetting(settings_, settings::kPdfOutputPath, std::string(DirName(output)));
    const bool keep = ReadSetting(settings_, settings::kKeepPS) != 0;
    const std::string converter = FindPdfConverter();
    LaunchRequest request;
    request.commandLine =
        StringPrintf("%s -PDF %s -OUT:%s%s", QuoteProgramIfBlank(converter), QuoteArgument(source_),
                     QuoteArgument(output), keep ? " - KEEPPS" : "");
    request.waitMs = kConverterWaitMs;
    const ino_t before = InodeOf(output);
    setCursor(Qt::WaitCursor);
    const LaunchResult result = converter.empty() ? LaunchResult{} : launcher_.Launch(request);
    unsetCursor();
    if (!result.started) {
        Log("Command [%s] failed...", request.commandLine.c_str());
    } else if (!result.exited && result.pid > 0) {
        ::kill(result.pid, SIGKILL);
        ::waitpid(result.pid, nullptr, 0);
        Ask(prompter_, "Error: Panorel.exe possibly running infinitely.", mb::kOk | mb::kIconStop);
    }
    const ino_t after = InodeOf(output);
    if (result.exited && result.exitCode == 0 && after != 0 && after != before) {
        if (Ask(prompter_,
                StringPrintf("Rendering to PDF was successful.\nWould you like to open \"%s\"",
                             output),
                mb::kYesNo | mb::kIconQuestion) == mbr::kYes) {
            QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(output)));
        }
        QDialog::accept();
        return;
    }
    Ask(prompter_, StringPrintf("Rendering PDF failed to create the following file:\n%s", output),
        mb::kOk | mb::kIconStop);
}

}  // namespace quillon
