#include "ui/CTimerInterval.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "core/AutoRefresh.h"
#include "platform/Prompter.h"

namespace quillon {

namespace {

constexpr char kRangeMessage[] = "Please enter an integer between 0 and 4294967295.";
constexpr int kNoteWidth = 320;

}  // namespace

std::optional<uint32_t> ParseIntervalSeconds(std::string_view text) {
    size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string_view::npos) {
        return std::nullopt;
    }
    size_t end = text.find_last_not_of(" \t");
    uint64_t value = 0;
    for (char c : text.substr(begin, end - begin + 1)) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + uint64_t(c - '0');
        if (value > UINT32_MAX) {
            return std::nullopt;
        }
    }
    return uint32_t(value);
}

CTimerInterval::CTimerInterval(QWidget* parent, uint32_t seconds, Prompter& prompter)
    : QDialog(parent), seconds_(seconds), prompter_(prompter) {
    setWindowTitle("Auto-Refresh Interval");

    field_ = new QLineEdit(QString::number(seconds), this);
    field_->setAlignment(Qt::AlignRight);
    field_->setMaximumWidth(100);
    auto* label = new QLabel("Refresh &Interval", this);
    label->setBuddy(field_);
    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(field_);
    row->addWidget(new QLabel("seconds", this));
    row->addStretch(1);

    auto* note = new QLabel(
        "This is the interval used for Automatic Refresh.\n\nIf you do mostly comparison without "
        "external file operation Or if there are lots of files whose sizes are big, disable "
        "Auto-Refresh.",
        this);
    note->setWordWrap(true);
    note->setMinimumWidth(kNoteWidth);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CTimerInterval::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CTimerInterval::reject);

    auto* root = new QVBoxLayout(this);
    root->addLayout(row);
    root->addSpacing(4);
    root->addWidget(note);
    root->addSpacing(6);
    root->addWidget(buttons);
    setFixedSize(sizeHint());
}

CTimerInterval::~CTimerInterval() = default;

void CTimerInterval::accept() {
    std::optional<uint32_t> seconds = ParseIntervalSeconds(field_->text().toStdString());
    if (!seconds) {
        PromptRequest request;
        request.text = kRangeMessage;
        request.style = mb::kOk | mb::kIconExclamation;
        prompter_.Ask(request);
        field_->setFocus();
        field_->selectAll();
        return;
    }
    seconds_ = *seconds;
    QDialog::accept();
}

bool RunTimerInterval(QWidget* parent, AutoRefreshTimer& timer, Prompter& prompter) {
    CTimerInterval dialog(parent, timer.refreshInterval, prompter);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    timer.SetIntervalFromDialog(dialog.Seconds());
    return true;
}

}  // namespace quillon
