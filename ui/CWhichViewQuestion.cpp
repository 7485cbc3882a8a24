#include "ui/CWhichViewQuestion.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/PathUtil.h"

namespace quillon {

int SideWithoutDialog(const SideCandidates& candidates) {
    if (!candidates.present[0] && !candidates.present[1]) {
        return -1;
    }
    if (candidates.present[0] != candidates.present[1]) {
        return candidates.present[0] ? 0 : 1;
    }
    return kAskUser;
}

SideCandidates CandidatesOf(const std::vector<const DiffItem*>& items, bool keepDotDot) {
    SideCandidates candidates;
    for (const DiffItem* item : items) {
        for (int side = 0; side < 2; ++side) {
            if (!item->Has(side)) {
                continue;
            }
            if (!keepDotDot && item->IsDotDot() && IsRootPath(item->Dir(side))) {
                continue;
            }
            if (candidates.present[side]) {
                candidates.text[side] += ' ';
            }
            candidates.text[side] += item->Name(side);
            candidates.present[side] = true;
        }
    }
    return candidates;
}

CWhichViewQuestion::CWhichViewQuestion(QWidget* parent, const QString& question, int allowed)
    : QDialog(parent) {
    setWindowTitle(QString::fromUtf8(kWhichViewTitle));
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(question, this);
    label->setWordWrap(true);
    layout->addWidget(label);
    auto* row = new QHBoxLayout;
    const char* texts[4] = {"&Left", "&Right", "&Both", "&Cancel"};
    for (int i = 0; i < 4; ++i) {
        buttons_[i] = new QPushButton(QString::fromUtf8(texts[i]), this);
        row->addWidget(buttons_[i]);
        int answer = i == 3 ? -1 : i;
        connect(buttons_[i], &QPushButton::clicked, this, [this, answer] { done(answer + 1); });
    }
    bool left = allowed == 1 || allowed == 2 || allowed < 0 || allowed > 2;
    bool right = allowed == 0 || allowed == 2 || allowed < 0 || allowed > 2;
    bool both = allowed < 0 || allowed > 2;
    buttons_[0]->setEnabled(left);
    buttons_[1]->setEnabled(right);
    buttons_[2]->setEnabled(both);
    layout->addLayout(row);
}

int CWhichViewQuestion::Ask() {
    // Answers travel shifted by one: closing the window ends with 0, which has to mean Cancel.
    return exec() - 1;
}

QPushButton* CWhichViewQuestion::Button(int answer) const {
    return answer < 0 ? buttons_[3] : buttons_[answer];
}

}  // namespace quillon
