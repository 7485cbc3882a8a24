#include "ui/CMultiRename.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "fileops/UndoJournal.h"
#include "platform/Prompter.h"
#include "ui/BusyGate.h"

namespace quillon {

namespace {

constexpr int kTreeMargin = 36;
constexpr int kResultLines = 7;

QString FromBytes(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The box shows line breaks; the rule's text keeps its CR LF.
QString ShownText(const std::string& text) {
    QString shown = FromBytes(text);
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return shown;
}

}  // namespace

CMultRenamePage::CMultRenamePage(int number, const char* title, MultiRenameState& state,
                                 QWidget* parent)
    : QWidget(parent), state_(state), number_(number), title_(title) {
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    auto* heading = new QLabel(title_, this);
    QFont bold = heading->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.15);
    heading->setFont(bold);
    root->addWidget(heading);
    body_ = new QVBoxLayout;
    body_->setSpacing(4);
    root->addLayout(body_, 1);
}

void CMultRenamePage::SetStatus(std::string_view text) {
    if (statusLine_) {
        statusLine_->setText(FromBytes(text));
        statusLine_->repaint();
    }
}

QRadioButton* CMultRenamePage::AddMode(QButtonGroup* modes, int mode, const char* text) {
    auto* button = new QRadioButton(QString::fromUtf8(text), this);
    modes->addButton(button, mode);
    return button;
}

QLabel* CMultRenamePage::AddHelp(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent ? parent : this);
    label->setWordWrap(true);
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

void CMultRenamePage::AddResultBox(const char* label) {
    auto* caption = new QLabel(QString::fromUtf8(label), this);
    resultBox_ = new QPlainTextEdit(this);
    resultBox_->setReadOnly(true);
    resultBox_->setLineWrapMode(QPlainTextEdit::NoWrap);
    resultBox_->setMinimumHeight(resultBox_->fontMetrics().lineSpacing() * kResultLines);
    caption->setBuddy(resultBox_);
    statusLine_ = new QLabel(this);
    statusLine_->setFrameShape(QFrame::StyledPanel);
    statusLine_->setFrameShadow(QFrame::Sunken);
    statusLine_->setMinimumWidth(1);
    body_->addSpacing(6);
    body_->addWidget(caption);
    body_->addWidget(resultBox_, 1);
    body_->addWidget(statusLine_);
}

void CMultRenamePage::CleanOnEdit(QLineEdit* field,
                                  std::function<std::string(const std::string&)> clean,
                                  std::function<void(const std::string&)> store) {
    connect(field, &QLineEdit::textEdited, this,
            [this, field, clean = std::move(clean), store = std::move(store)](const QString& text) {
                const std::string typed = text.toUtf8().toStdString();
                const std::string kept = clean(typed);
                if (kept != typed) {
                    const int cursor = field->cursorPosition();
                    const QString shown = FromBytes(kept);
                    field->setText(shown);
                    field->setCursorPosition(std::min<int>(
                        shown.size(), std::max(0, cursor - int(text.size()) + int(shown.size()))));
                }
                store(kept);
                Simulate();
            });
}

void CMultRenamePage::Simulate() {
    simulated_ = SimulatedResult(number_, state_.options, state_.setup.entries);
    if (resultBox_) {
        // The arrows line up one tab after the longest old name.
        const QFontMetrics metrics = resultBox_->fontMetrics();
        const QString shown = ShownText(simulated_);
        int widest = 0;
        for (const QString& line : shown.split(QLatin1Char('\n'))) {
            widest =
                std::max(widest, metrics.horizontalAdvance(line.section(QLatin1Char('\t'), 0, 0)));
        }
        resultBox_->setTabStopDistance(widest + metrics.horizontalAdvance(QLatin1String("  ")));
        resultBox_->setPlainText(shown);
    }
}

// The wizard.

CMultiRename::CMultiRename(QWidget* parent, MultiRenameSetup setup) : QDialog(parent) {
    state_.setup = std::move(setup);
    if (state_.setup.store) {
        state_.options.Load(*state_.setup.store);
    }
    setWindowTitle(kMultiRenameTitle);

    tree_ = new QTreeWidget(this);
    tree_->setHeaderHidden(true);
    tree_->setRootIsDecorated(false);

    auto* top = new QTreeWidgetItem(
        tree_, {state_.setup.files ? kRenamingFilesCaption : kRenamingFoldersCaption});
    top->setFlags(Qt::ItemIsEnabled);
    stack_ = new QStackedWidget(this);
    pages_[0] = new CMultRenameAdd2Existing(state_, stack_);
    pages_[1] = new CMultRenameNewNameExt(state_, stack_);
    pages_[2] = new CMultRenamePartialDelim(state_, stack_);
    pages_[3] = new CMultRenameChangeSpecificWord(state_, stack_);
    pages_[4] = new CMultRenameChangePattern(state_, stack_);
    pages_[5] = new CMultRenameTimestamp(state_, stack_);
    for (CMultRenamePage* page : pages_) {
        stack_->addWidget(page);
        new QTreeWidgetItem(top, {page->Title()});
        page->ShowOptions();
        page->Simulate();
    }
    tree_->expandAll();
    int treeWidth = 0;
    for (const CMultRenamePage* page : pages_) {
        treeWidth = std::max(treeWidth, tree_->fontMetrics().horizontalAdvance(page->Title()));
    }
    tree_->setFixedWidth(treeWidth + tree_->indentation() + kTreeMargin);
    connect(tree_, &QTreeWidget::currentItemChanged, this, [this, top](QTreeWidgetItem* item) {
        const int index = item ? top->indexOfChild(item) : -1;
        if (index >= 0) {
            stack_->setCurrentIndex(index);
        }
    });

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &CMultiRename::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CMultiRename::reject);

    auto* middle = new QHBoxLayout;
    middle->addWidget(tree_);
    middle->addSpacing(6);
    middle->addWidget(stack_, 1);
    auto* root = new QVBoxLayout(this);
    root->addLayout(middle, 1);
    root->addWidget(buttons);

    SetCurrentPage(LoadLastPageNumber());
}

CMultiRename::~CMultiRename() = default;

int CMultiRename::LoadLastPageNumber() const {
    return state_.setup.store ? LoadLastPage(*state_.setup.store) : 1;
}

int CMultiRename::CurrentPage() const {
    return stack_->currentIndex() + 1;
}

void CMultiRename::SetCurrentPage(int page) {
    if (page < 1 || page > kRenamePageCount) {
        page = 1;
    }
    tree_->setCurrentItem(tree_->topLevelItem(0)->child(page - 1));
    stack_->setCurrentIndex(page - 1);
}

void CMultiRename::accept() {
    const int page = CurrentPage();
    const bool done = page == kRenamePageCount ? ApplyTimestamps() : ApplyRenames(page);
    if (done) {
        QDialog::accept();
    }
}

bool CMultiRename::ApplyRenames(int page) {
    CMultRenamePage* shown = Page(page);
    MultiRenameSetup& setup = state_.setup;
    RenamePassSettings settings;
    settings.journal = setup.journal && setup.journal->enabled ? setup.journal : nullptr;
    settings.side = setup.side;
    settings.status = [shown](std::string_view text) { shown->SetStatus(text); };
    ApplyResult result;
    {
        BusyGate::Scope busy;
        result = ApplyRenamePage(page, state_.options, setup.entries, setup.files, *setup.fs,
                                 *setup.prompter, setup.store, settings);
    }
    // The checks may have trimmed the texts.
    shown->ShowOptions();
    if (result.check != ApplyCheck::kProceed) {
        shown->Simulate();
        return false;
    }
    pass_ = std::move(result.pass);
    ShowFailures(RenameFailuresMessage(pass_));
    return true;
}

bool CMultiRename::ApplyTimestamps() {
    auto* shown = static_cast<CMultRenameTimestamp*>(Page(kRenamePageCount));
    MultiRenameSetup& setup = state_.setup;
    shown->TakeDate();
    if (CheckBeforeApply(kRenamePageCount, state_.options, setup.entries, setup.files,
                         *setup.prompter) != ApplyCheck::kProceed) {
        return false;
    }
    if (setup.store) {
        state_.options.SavePage(*setup.store, kRenamePageCount);
    }
    TimestampResult result;
    {
        BusyGate::Scope busy;
        result = SetTimestamps(*setup.fs, setup.entries, state_.options.page6,
                               [shown](std::string_view text) { shown->SetStatus(text); });
    }
    ShowFailures(TimestampFailuresMessage(result));
    return true;
}

void CMultiRename::ShowFailures(const std::string& text) {
    if (text.empty()) {
        return;
    }
    PromptRequest request;
    request.text = text;
    request.style = mb::kOk | mb::kIconExclamation;
    state_.setup.prompter->Ask(request);
}

}  // namespace quillon
