#include "ui/CPdfBindDlg.h"

#include <sys/stat.h>
#include <QCheckBox>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QUrl>
#include <QVBoxLayout>

#include <cstdlib>

#include "base/PathUtil.h"
#include "base/StringPrintf.h"
#include "platform/Ghostscript.h"
#include "platform/Launcher.h"
#include "platform/Log.h"
#include "platform/Prompter.h"
#include "platform/RegistryStore.h"
#include "platform/SettingsCatalogue.h"
#include "platform/SettingsStore.h"
#include "platform/SiblingLaunch.h"
#include "platform/ToolLocator.h"
#include "reports/PdfRendition.h"
#include "ui/CPdfFromSingleFile.h"
#include "ui/CProgressWnd.h"

namespace quillon {

namespace {

int Ask(Prompter& prompter, const std::string& text, uint32_t style) {
    PromptRequest request;
    request.text = text;
    request.style = style;
    return prompter.Ask(request);
}

constexpr char kNoInputFileText[] =
    "Input text filename is empty. \nPlease select the existing input file first.";

}  // namespace

const char* const kSampleInputText =
    "# A sample input text file for the PDF binder.\n"
    "# One statement per line. The keywords may be written in any case and may end with a colon\n"
    "# (\"node:\"). Empty lines and lines that start with \"#\" are ignored, and a \"#\" after a\n"
    "# title starts a comment.\n"
    "\n"
    "# RELPATH \"<folder>\": relative FILE paths below start from this folder. Without a RELPATH\n"
    "# they start from the folder that holds this input file.\n"
    "RELPATH \"/home/me/Documents\"\n"
    "\n"
    "# NODE <title>: opens a bookmark that holds everything up to its ENDNODE. It takes the "
    "reader\n"
    "# to the first document inside it.\n"
    "NODE Annual report\n"
    "\n"
    "# FILE \"<path>\" <title>: one document, its path between double quotes, then its bookmark.\n"
    "FILE \"report/summary.txt\" Summary\n"
    "# Without a title the bookmark is the file's name (here \"chart.png\").\n"
    "FILE \"report/chart.png\"   # a picture becomes a page as well\n"
    "\n"
    "# Nodes nest: this one is a bookmark inside \"Annual report\".\n"
    "NODE Appendix\n"
    "FILE \"report/appendix/figures.csv\" Figures of the year\n"
    "# ENDNODE: closes the innermost open NODE (here \"Appendix\").\n"
    "ENDNODE\n"
    "# ...and this one closes \"Annual report\".\n"
    "ENDNODE\n"
    "\n"
    "# An absolute path does not use RELPATH. This document is a top-level bookmark.\n"
    "FILE \"/home/me/notes.txt\" Notes\n";

cPDFBindDlg::cPDFBindDlg(QWidget* parent, SettingsStore& settings, Prompter& prompter,
                         const std::vector<std::string>& entries)
    : QDialog(parent), settings_(settings), prompter_(prompter) {
    setWindowTitle("Custom PDF Rendition");
    setAcceptDrops(true);

    list_ = new QListWidget(this);
    list_->setDragDropMode(QAbstractItemView::InternalMove);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    auto* remove = new QPushButton("Delete from the list", this);
    auto* clear = new QPushButton("Clear all", this);
    connect(remove, &QPushButton::clicked, this, [this] { qDeleteAll(list_->selectedItems()); });
    connect(clear, &QPushButton::clicked, list_, &QListWidget::clear);

    useList_ = new QRadioButton("Use the file list above", this);
    useInput_ = new QRadioButton("Use the input text file", this);
    (ReadSetting(settings_, settings::kBindingChoice) == 1 ? useInput_ : useList_)
        ->setChecked(true);
    input_ = new QLineEdit(QString::fromStdString(ReadSetting(settings_, settings::kInputTextFile)),
                           this);
    auto* browseInput = new QPushButton("Browse...", this);
    connect(browseInput, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getOpenFileName(this, "Select the Input Text file",
                                                          input_->text(), "Text Files (*.txt)");
        if (!path.isEmpty()) {
            input_->setText(path);
        }
    });
    auto* check = new QPushButton("Check Synta&x Error in Input Text file", this);
    connect(check, &QPushButton::clicked, this, &cPDFBindDlg::CheckSyntax);
    auto* sample = new QPushButton("View &sample file", this);
    connect(sample, &QPushButton::clicked, this, [this] { ViewSample(); });
    auto* edit = new QPushButton("E&dit Input file", this);
    connect(edit, &QPushButton::clicked, this, [this] { EditInputFile(); });

    includeExtension_ = new QCheckBox("Include the file extensions in PDF bookmark.", this);
    includeExtension_->setChecked(ReadSetting(settings_, settings::kIncludeFileExtension) != 0);
    includeParent_ = new QCheckBox(
        "Include the parent folder as the top-level bookmark (file list only).", this);
    includeParent_->setChecked(ReadSetting(settings_, settings::kIncludeParentAsTopLevel) != 0);
    QString folder;
    if (ReadSetting(settings_, settings::kUsePrevOutputPath) != 0) {
        folder = QString::fromStdString(ReadSetting(settings_, settings::kPdfOutputPath));
    }
    const PdfOutputRow row =
        MakePdfOutputRow(this, folder.isEmpty() ? QString() : folder + "/binder.pdf",
                         "Browse &PDF File...", settings_);
    output_ = row.path;
    remember_ = row.remember;
    QPushButton* browseOutput = row.browse;

    auto* generate = new QPushButton("Generate PDF", this);
    auto* close = new QPushButton("Close", this);
    connect(generate, &QPushButton::clicked, this, [this] {
        if (Generate()) {
            accept();
        }
    });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    auto* grid = new QGridLayout;
    grid->addWidget(useInput_, 0, 0, 1, 3);
    grid->addWidget(input_, 1, 0, 1, 2);
    grid->addWidget(browseInput, 1, 2);
    auto* inputButtons = new QHBoxLayout;
    inputButtons->addWidget(check);
    inputButtons->addWidget(sample);
    inputButtons->addWidget(edit);
    inputButtons->addStretch(1);
    grid->addLayout(inputButtons, 2, 0, 1, 3);
    grid->addWidget(new QLabel("Output PDF filename", this), 3, 0);
    grid->addWidget(output_, 3, 1);
    grid->addWidget(browseOutput, 3, 2);
    auto* listButtons = new QHBoxLayout;
    listButtons->addWidget(remove);
    listButtons->addWidget(clear);
    listButtons->addStretch(1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(generate);
    buttons->addWidget(close);
    auto* root = new QVBoxLayout(this);
    root->addWidget(useList_);
    root->addWidget(list_);
    root->addLayout(listButtons);
    root->addLayout(grid);
    root->addWidget(includeExtension_);
    root->addWidget(includeParent_);
    root->addWidget(remember_);
    root->addLayout(buttons);
    AddEntries(entries);
}

void cPDFBindDlg::AddEntries(const std::vector<std::string>& entries) {
    for (const std::string& entry : entries) {
        auto* item =
            new QListWidgetItem(QString::fromStdString(std::string(BaseName(entry))) + "    " +
                                    QString::fromStdString(std::string(DirName(entry))),
                                list_);
        item->setData(Qt::UserRole, QString::fromStdString(entry));
    }
}

std::vector<std::string> cPDFBindDlg::Entries() const {
    std::vector<std::string> entries;
    for (int i = 0; i < list_->count(); ++i) {
        entries.push_back(list_->item(i)->data(Qt::UserRole).toString().toStdString());
    }
    return entries;
}

void cPDFBindDlg::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    }
}

void cPDFBindDlg::dropEvent(QDropEvent* event) {
    std::vector<std::string> entries;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) {
            entries.push_back(url.toLocalFile().toStdString());
        }
    }
    AddEntries(entries);
    event->acceptProposedAction();
}

void cPDFBindDlg::CheckSyntax() {
    const std::string path = input_->text().toStdString();
    if (path.empty()) {
        Ask(prompter_, kNoInputFileText, mb::kOk | mb::kIconExclamation);
        return;
    }
    const std::string report = ps_CheckInputSyntax(path);
    Ask(prompter_,
        report.empty() ? std::string("No syntax error found!")
                       : report +
                             "\nPlease correct those syntax errors in input text file before "
                             "proceeding PDF rendition.",
        mb::kOk | (report.empty() ? mb::kIconInformation : mb::kIconExclamation));
}

QDialog* cPDFBindDlg::ViewSample() {
    if (sample_ == nullptr) {
        sample_ = new QDialog(this);
        sample_->setWindowTitle("Sample input text file");
        auto* text = new QPlainTextEdit(QString::fromUtf8(kSampleInputText), sample_);
        text->setReadOnly(true);
        text->setLineWrapMode(QPlainTextEdit::NoWrap);
        text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
        text->setMinimumSize(text->fontMetrics().horizontalAdvance(QString(96, 'x')),
                             text->fontMetrics().lineSpacing() * 32);
        auto* close = new QPushButton("Close", sample_);
        connect(close, &QPushButton::clicked, sample_, &QDialog::close);
        auto* layout = new QVBoxLayout(sample_);
        layout->addWidget(text);
        layout->addWidget(close, 0, Qt::AlignRight);
    }
    sample_->show();
    sample_->raise();
    return sample_;
}

bool cPDFBindDlg::EditInputFile() {
    const std::string path = input_->text().toStdString();
    if (path.empty()) {
        Ask(prompter_, kNoInputFileText, mb::kOk | mb::kIconExclamation);
        return false;
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        Ask(prompter_,
            StringPrintf("The input text file \"%s\" doesn't exist.\nPlease select the existing "
                         "file using \"Browse\" button first.",
                         path),
            mb::kOk | mb::kIconExclamation);
        return false;
    }
    // The text editor the comparison opens files with; without one the desktop's own choice for
    // a text file.
    SiblingTools tools;
    tools.editorPath = LocateTool(kEditorExe);
    if (tools.editorPath.empty()) {
        const char* searchPath = std::getenv("PATH");
        tools.editorPath = FindOnSearchPath("xdg-open", searchPath != nullptr ? searchPath : "");
    }
    if (tools.editorPath.empty()) {
        Ask(prompter_,
            StringPrintf("No text editor was found to open \"%s\".\nInstall a text editor (or "
                         "xdg-utils) and try again.",
                         path),
            mb::kOk | mb::kIconStop);
        return false;
    }
    if (!LaunchSiblingForFiles({path}, false, tools, SiblingLaunchMode::kStartUp, &prompter_,
                               DefaultLauncher())) {
        Ask(prompter_,
            StringPrintf("The text editor \"%s\" could not be started for \"%s\".",
                         tools.editorPath, path),
            mb::kOk | mb::kIconStop);
        return false;
    }
    return true;
}

void cPDFBindDlg::SaveSettings() {
    WriteSetting(settings_, settings::kBindingChoice, useInput_->isChecked() ? 1 : 0);
    WriteSetting(settings_, settings::kInputTextFile, input_->text().toStdString());
    WriteSetting(settings_, settings::kIncludeFileExtension,
                 includeExtension_->isChecked() ? 1 : 0);
    WriteSetting(settings_, settings::kIncludeParentAsTopLevel,
                 includeParent_->isChecked() ? 1 : 0);
    WriteSetting(settings_, settings::kUsePrevOutputPath, remember_->isChecked() ? 1 : 0);
    if (remember_->isChecked()) {
        WriteSetting(settings_, settings::kPdfOutputPath,
                     std::string(DirName(output_->text().toStdString())));
    }
}

bool cPDFBindDlg::Generate() {
    const bool listMode = useList_->isChecked();
    const std::string output = output_->text().toStdString();
    const std::string inputFile = input_->text().toStdString();
    const std::vector<std::string> entries = Entries();
    const std::string errors = ValidatePdfBinder(output, listMode, inputFile, entries);
    if (!errors.empty()) {
        Ask(prompter_, errors, mb::kOk | mb::kIconExclamation);
        return false;
    }
    if (!listMode) {
        const std::string report = ps_CheckInputSyntax(inputFile);
        if (!report.empty()) {
            Ask(prompter_, report, mb::kOk | mb::kIconExclamation);
            return false;
        }
    }
    const char* tmp = std::getenv("TMPDIR");
    const std::string tempFolder = tmp != nullptr && *tmp == '/' ? tmp : "/tmp";
    const uint64_t required = RequiredPdfSpace(listMode ? entries : std::vector{inputFile});
    const int64_t free = FreeSpaceOf(tempFolder);
    if (free >= 0 && static_cast<uint64_t>(free) < required &&
        Ask(prompter_,
            StringPrintf(
                "Not enough space.\n\n%s has %lld free bytes,\nand the required free space "
                "is %llu.\n\n",
                tempFolder, static_cast<long long>(free),
                static_cast<unsigned long long>(required)) +
                "Please clean up the disk space before continue.\nClick \"Cancel\" to abort.",
            mb::kOkCancel | mb::kIconExclamation) != mbr::kOk) {
        return false;
    }
    if (QFileInfo::exists(QString::fromStdString(output)) &&
        Ask(prompter_,
            StringPrintf(
                "The following output file already exists:\n%s\n\nDo you want to overwrite "
                "it?",
                output),
            mb::kYesNo | mb::kIconQuestion) != mbr::kYes) {
        return false;
    }
    SaveSettings();

    PdfRenditionEnv env;
    env.gs = FindGhostscript();
    env.converter = FindPdfConverter();
    env.settingsFolder = settings_.Registry().Folder();
    env.launcher = &DefaultLauncher();
    env.prompter = &prompter_;
    env.show = [this](const std::string& text) { Ask(prompter_, text, mb::kOk | mb::kIconStop); };
    PdfRenditionOptions options;
    options.generateToc = ReadSetting(settings_, settings::kGenerateTOC);
    options.includeExtension = includeExtension_->isChecked();
    options.keep = ReadSetting(settings_, settings::kKeepPS) != 0;
    options.includeParent = includeParent_->isChecked();
    CProgressFactory ownProgress(this, &settings_);
    env.progressFactory = progressFactory_ != nullptr ? progressFactory_ : &ownProgress;
    std::string sources = inputFile;
    if (listMode) {
        sources.clear();
        for (const std::string& entry : entries) {
            sources += (sources.empty() ? "" : "|") + entry;
        }
    }
    setCursor(Qt::WaitCursor);
    SwitchToSideLog("PDF", "log");
    lastCode_ = RenderPdf(sources, output, listMode, options, env);
    RestoreMainLog();
    unsetCursor();
    if (lastCode_ == kPdfCancelled) {
        // The user stopped it: nothing was made, and there is nothing more to say.
        return false;
    }
    if (lastCode_ == 1) {
        if (Ask(prompter_,
                StringPrintf("Rendering to PDF was successful.\nWould you like to open \"%s\"",
                             output),
                mb::kYesNo | mb::kIconQuestion) == mbr::kYes) {
            QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(output)));
        }
        return true;
    }
    if (IsLogEnabled()) {
        if (Ask(prompter_,
                StringPrintf(
                    "Rendering PDF failed with the error code[%d].\nThe detail log is stored "
                    "in %s. Would you like to open the logfile?",
                    lastCode_, GetLogFolder()),
                mb::kYesNo | mb::kIconStop) == mbr::kYes) {
            QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(GetLogFolder())));
        }
    } else {
        Ask(prompter_,
            StringPrintf("Rendering to PDF failed with the error code[%d].\nSince Logging is "
                         "disabled, the logfile doesn't exist.",
                         lastCode_),
            mb::kOk | mb::kIconStop);
    }
    return false;
}

}  // namespace quillon
