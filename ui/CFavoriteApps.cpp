#include "ui/CFavoriteApps.h"

#include <sys/stat.h>

#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/StringPrintf.h"
#include "platform/FavoriteApps.h"
#include "platform/Prompter.h"

namespace quillon {

namespace {

QString FromBytes(const std::string& text) {
    return QFile::decodeName(QByteArray::fromStdString(text));
}

}  // namespace

CFavoriteApps::CFavoriteApps(QWidget* parent, SettingsStore* store, Prompter& prompter)
    : QDialog(parent), store_(store), prompter_(prompter) {
    setWindowTitle(kFavoriteAppsTitle);
    if (store_) {
        apps_ = LoadFavoriteApps(*store_);
    }
    list_ = new QListWidget(this);
    add_ = new QPushButton(kFavoriteAppsAddLabel, this);
    remove_ = new QPushButton("Re&move", this);
    auto* hint = new QLabel(kFavoriteAppsHint, this);
    hint->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(add_, &QPushButton::clicked, this, [this] { AddApplication(); });
    connect(remove_, &QPushButton::clicked, this, [this] { RemoveSelected(); });
    connect(list_, &QListWidget::itemDoubleClicked, this, [this] { accept(); });

    auto* side = new QVBoxLayout;
    side->addWidget(add_);
    side->addWidget(remove_);
    side->addStretch(1);
    auto* top = new QHBoxLayout;
    top->addWidget(list_, 1);
    top->addLayout(side);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(hint);
    layout->addWidget(buttons);
    Fill(apps_.empty() ? -1 : 0);
    resize(520, 300);
}

void CFavoriteApps::Fill(int select) {
    list_->clear();
    for (const std::string& app : apps_) {
        list_->addItem(FromBytes(app));
    }
    list_->setCurrentRow(select);
    remove_->setEnabled(!apps_.empty());
}

void CFavoriteApps::Save() {
    if (store_) {
        SaveFavoriteApps(*store_, apps_);
    }
}

void CFavoriteApps::Tell(const std::string& text) {
    PromptRequest request;
    request.text = text;
    request.style = mb::kOk | mb::kIconExclamation;
    prompter_.Ask(request);
}

void CFavoriteApps::AddApplication() {
    const QString chosen =
        chooser_ ? chooser_() : QFileDialog::getOpenFileName(this, kFavoriteAppsAddLabel);
    const std::string path = QFile::encodeName(chosen).toStdString();
    switch (AddFavoriteApp(apps_, path)) {
        case AddFavoriteResult::kAdded:
            Save();
            Fill(static_cast<int>(apps_.size()) - 1);
            break;
        case AddFavoriteResult::kEmptyName:
            Tell(kFavoriteAppsEmptyName);
            break;
        case AddFavoriteResult::kDuplicate:
            Tell(std::string(kFavoriteAppsDuplicate) + "\n" + path);
            break;
        case AddFavoriteResult::kFull:
            Tell(kFavoriteAppsFull);
            break;
    }
}

void CFavoriteApps::RemoveSelected() {
    const int row = list_->currentRow();
    if (row < 0 || row >= static_cast<int>(apps_.size())) {
        return;
    }
    apps_.erase(apps_.begin() + row);
    Save();
    Fill(std::min(row, static_cast<int>(apps_.size()) - 1));
}

void CFavoriteApps::accept() {
    const int row = list_->currentRow();
    if (row < 0 || row >= static_cast<int>(apps_.size()) || list_->selectedItems().empty()) {
        Tell(kFavoriteAppsNoSelection);
        return;
    }
    const std::string program = FavoriteProgram(apps_[row]);
    struct stat st {};
    if (program.empty() || ::stat(program.c_str(), &st) != 0) {
        Tell(StringPrintf(kFavoriteAppsMissingFormat, program));
        apps_.erase(apps_.begin() + row);
        Save();
        Fill(-1);
        return;
    }
    chosen_ = WithFileArgument(apps_[row]);
    QDialog::accept();
}

}  // namespace quillon
