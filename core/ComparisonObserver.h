// What the comparison asks of the window that shows it. Every call has an empty default so that a
// front end without a list (a report run, a test) implements only what it needs.
#pragma once

#include <string>

namespace quillon {

struct DiffItem;

class ComparisonObserver {
  public:
    virtual ~ComparisonObserver() = default;

    virtual void SetWaitCursor(bool /*on*/) {}
    // Suspends redrawing of the two path boxes and freezes the list until EndBatchUpdate.
    virtual void BeginBatchUpdate() {}
    virtual void EndBatchUpdate() {}
    // Scrolls to the top and deletes every row and every column; the tree is freed right after.
    virtual void ClearList() {}
    // Rebuilds the columns and one row per shown item of the tree, depth-first.
    virtual void FillListFromTree() {}
    // Inserts the rows of `item`'s shown descendants right below its row `row`.
    virtual void InsertChildRows(DiffItem* /*item*/, int /*row*/) {}
    // Deletes the rows of `item`'s descendants; called before they are freed.
    virtual void DeleteDescendantRows(DiffItem* /*item*/, int /*row*/) {}
    // Selects the row again after a collapse; a list without a valid top row is rebuilt first.
    virtual void ReselectRow(DiffItem* /*item*/, int /*row*/) {}
    // Status-bar panes 1 and 2.
    virtual void ShowStatusPaths(const std::string& /*left*/, const std::string& /*right*/) {}
    // A new read starts: a pending first ESC no longer counts towards the double-ESC exit.
    virtual void DisarmEscExit() {}
};

}  // namespace quillon
