// The side question of the commands that act on one side: "View Selection" with Left, Right,
// Both and Cancel.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "core/DiffItem.h"

class QPushButton;

namespace quillon {

inline constexpr const char* kWhichViewTitle = "View Selection";

// The candidates of each side; a side without a candidate is absent.
struct SideCandidates {
    std::string text[2];
    bool present[2] = {false, false};
};

// The answer when no dialog is needed: -1 (both absent), 0 or 1 (one present); 3 means ask.
inline constexpr int kAskUser = 3;
int SideWithoutDialog(const SideCandidates& candidates);
// The names of the items on each side; a ".." row standing at a root counts only with
// `keepDotDot`.
SideCandidates CandidatesOf(const std::vector<const DiffItem*>& items, bool keepDotDot);

class CWhichViewQuestion : public QDialog {
    Q_OBJECT

  public:
    // `allowed` 0 enables only Right, 1 only Left, 2 Left and Right, anything else all three.
    CWhichViewQuestion(QWidget* parent, const QString& question, int allowed);

    // 0 left, 1 right, 2 both, -1 cancelled.
    int Ask();
    QPushButton* Button(int answer) const;

  private:
    QPushButton* buttons_[4] = {};
};

}  // namespace quillon
