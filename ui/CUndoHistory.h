// "Undo List Dialog": the operations of the undo journal, newest first, to undo from the top, to
// look into, or to forget with their backups.
#pragma once

#include <QDialog>
#include <functional>
#include <vector>

#include "doc/CQuillonDoc.h"

class QPushButton;
class QTableWidget;

namespace quillon {

inline constexpr const char* kUndoHistoryTitle = "Undo List Dialog";
inline constexpr const char* kUndoHistoryPrompt =
    "Select one or more items in # column, and then click one of the buttons below.";
inline constexpr const char* kUndoNotFromTop =
    "Undo items must start from the top and consecutive.\nPlease select the item(s) again.";

// The number of rows the selection takes from the top (rows 0 to n-1, no gap), or -1 when it
// does not start at row 0, leaves a gap, or is empty.
int TopRowsSelected(std::vector<int> rows);

class CUndoHistory : public QDialog {
    Q_OBJECT

  public:
    enum ButtonId { kUndo, kDetail, kRemoveAll, kClose, kHelp, kButtonCount };
    // After the dialog's Undo: the panes are brought up to date, the rows of the outcome chosen.
    using AfterUndo = std::function<void(const UndoOutcome&)>;

    CUndoHistory(QWidget* parent, CQuillonDoc& doc, Prompter& prompter, ProgressFactory* progress,
                 AfterUndo afterUndo);

    QTableWidget* List() const { return list_; }
    QPushButton* Button(ButtonId id) const { return buttons_[id]; }

    void OnUndo();
    void OnDetail();
    void OnRemoveAll();

  private:
    void Fill();
    std::vector<int> SelectedRows() const;
    void Show(const std::string& text, const char* caption, uint32_t style);

    CQuillonDoc& doc_;
    Prompter& prompter_;
    ProgressFactory* progress_;
    AfterUndo afterUndo_;
    QTableWidget* list_;
    QPushButton* buttons_[kButtonCount] = {};
};

}  // namespace quillon
