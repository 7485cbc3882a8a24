#include "ui/ShellMenu.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/Prompter.h"
#include "ui/HelpLink.h"

namespace quillon {

namespace {

constexpr char kHelpShellMenu[] = "shell-integration";

struct ChoiceLabel {
    const char* text;
    std::string ShellTools::*tool;
};

// In the order of ShellChoice.
constexpr ChoiceLabel kLabels[kShellChoiceCount] = {
    {"&Quillon (compare the selected folders)", &ShellTools::quillon},
    {"Quillon &Search...", &ShellTools::search},
    {"S&crivlet (text diff editor)", &ShellTools::editor},
    {"&Panorel (viewer)", &ShellTools::viewer},
    {"Quillon Searc&h", &ShellTools::search},
    {"Quillon He&x Compare", &ShellTools::hex},
    {"Quillon &MultiRename", &ShellTools::quillon},
};

constexpr char kLeftOutNote[] =
    "Not offered on Linux: the Start-menu shortcut \"Quillon Updates Configuration\" (Quillon is "
    "updated by the system's package manager, there is no updater of its own) and the \"Send To\" "
    "entry of Farlink, which has no Linux version. Your default applications (mimeapps.list) are "
    "never changed here.";

}  // namespace

ShellMenu::ShellMenu(QWidget* parent, ShellIntegration& shell, RegistryStore& registry,
                     Prompter& prompter)
    : QDialog(parent), shell_(shell), prompter_(prompter) {
    setWindowTitle("Shell-Menu Configuration");
    const ShellTools& tools = shell_.Tools();
    auto* folders = new QGroupBox("Folder popup menus in the file managers", this);
    auto* sendTo = new QGroupBox("\"Send To\" menus in the file managers", this);
    auto* folderRows = new QVBoxLayout(folders);
    auto* sendToRows = new QVBoxLayout(sendTo);
    for (int i = 0; i < kShellChoiceCount; ++i) {
        QString text = kLabels[i].text;
        if ((tools.*kLabels[i].tool).empty()) {
            text += " (not installed)";
        }
        boxes_[i] = new QCheckBox(text, this);
        boxes_[i]->setChecked(shell_.DialogChoice(ShellChoice(i)));
        (i < 2 ? folderRows : sendToRows)->addWidget(boxes_[i]);
    }

    resetPositions_ = new QPushButton("Reset &Windows Position for all apps", this);
    connect(resetPositions_, &QPushButton::clicked, this,
            [&registry] { ResetWindowPositions(registry); });

    auto* note = new QLabel(kLeftOutNote, this);
    note->setWordWrap(true);

    auto* buttons = new QDialogButtonBox(
        QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &ShellMenu::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &ShellMenu::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this, [] { OpenHelp(kHelpShellMenu); });

    auto* root = new QVBoxLayout(this);
    root->addWidget(folders);
    root->addWidget(sendTo);
    root->addWidget(resetPositions_, 0, Qt::AlignLeft);
    root->addWidget(note);
    root->addWidget(buttons);
}

void ShellMenu::accept() {
    bool choices[kShellChoiceCount] = {};
    for (int i = 0; i < kShellChoiceCount; ++i) {
        choices[i] = boxes_[i]->isChecked();
    }
    shell_.ApplyDialog(choices);
    if (!shell_.Problems().empty()) {
        PromptRequest request;
        for (const std::string& problem : shell_.Problems()) {
            request.text += (request.text.empty() ? "" : "\n") + problem;
        }
        request.style = mb::kOk | mb::kIconExclamation;
        prompter_.Ask(request);
    }
    QDialog::accept();
}

}  // namespace quillon
