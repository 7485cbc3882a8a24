#include "ui/CReplaceDialogs.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace quillon {

CReplaceDialog::CReplaceDialog(QWidget* parent, const ReplaceQuestion& question)
    : QDialog(parent), text_(MakeReplaceText(question)) {
    setWindowTitle(QString::fromStdString(text_.title));
    auto* layout = new QVBoxLayout(this);
    for (const std::string& line : text_.lines) {
        auto* label = new QLabel(QString::fromStdString(line), this);
        label->setWordWrap(true);
        layout->addWidget(label);
    }
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    for (const ReplaceButton& b : text_.buttons) {
        auto* button = new QPushButton(QString::fromUtf8(b.label), this);
        const int result = b.result;
        connect(button, &QPushButton::clicked, this, [this, result] { done(result); });
        row->addWidget(button);
        buttons_.push_back(button);
    }
    buttons_.front()->setDefault(true);
    layout->addLayout(row);
}

int CReplaceDialog::Ask() {
    return exec();
}

QPushButton* CReplaceDialog::Button(int result) const {
    for (size_t i = 0; i < buttons_.size(); ++i) {
        if (text_.buttons[i].result == result) {
            return buttons_[i];
        }
    }
    return nullptr;
}

void CReplaceDialog::reject() {
    done(text_.closeResult);
}

int QtReplaceAsker::AskReplace(const ReplaceQuestion& question) {
    if (question.folder) {
        return CFolderCopyReplace(parent_, question).Ask();
    }
    if (question.several) {
        return CFileMultiCopyReplace(parent_, question).Ask();
    }
    return CFileCopyReplace(parent_, question).Ask();
}

}  // namespace quillon
