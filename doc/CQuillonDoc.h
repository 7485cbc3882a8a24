// The document of the main window: the two opened folders, which side the next open fills, and
// the comparison and refresh over that pair. It knows no widget: the view reaches it through the
// observer interfaces it implements.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/Comparison.h"
#include "core/ComparisonObserver.h"
#include "core/Refresh.h"
#include "fileops/CopyToPane.h"
#include "fileops/SinglePaneOps.h"
#include "fileops/UndoJournal.h"
#include "fileops/UndoRun.h"

namespace quillon {

// The side the next opened folder fills. kLeftAfterPair: the right one was filled last, so the
// pair is complete and the next open starts again on the left.
enum class NextOpen { kLeft, kRight, kLeftAfterPair };

// The open that fills `side` (0 left, 1 right).
inline NextOpen FillingSide(int side) {
    return side == kSideRight ? NextOpen::kRight : NextOpen::kLeft;
}

// "path" extended by "name": ".." goes one folder up, an empty part changes nothing.
std::string ExtendPath(const std::string& path, const std::string& name);
bool SamePathNoCase(const std::string& a, const std::string& b);

class CQuillonDoc {
  public:
    CQuillonDoc(ComparisonObserver* observer, RefreshView& view);

    Comparison& GetComparison() { return comparison_; }
    const Comparison& GetComparison() const { return comparison_; }
    Refresh& GetRefresh() { return refresh_; }
    UndoJournal& Journal() { return journal_; }
    bool UndoEnabled() const;
    bool CanUndo() const;                  // journal on and undo list not empty
    bool CanRedo() const;                  // redo record present
    UndoOutcome Undo(Prompter& prompter);  // Ctrl+Z on the first group
    UndoOutcome Redo(Prompter& prompter);  // Ctrl+Y, then purge without dump
    // "Enable Undo" toggled: off purges with the undo dump. Does not write the setting.
    void SetUndoEnabled(bool on, ProgressFactory* progress);
    // Window close (dump) and a drop of new folders (no dump).
    void PurgeJournal(bool dump, ProgressFactory* progress);
    std::string UndoInternalsText() const;            // the "Undo list" box text
    std::vector<UndoHistoryRow> HistoryRows() const;  // the history dialog's rows, newest first
    // The history dialog's Undo of rows 0..count-1 (lowest first); false stops at the first
    // failure.
    UndoOutcome UndoTopGroups(int count, Prompter& prompter);
    void RemoveAllGroups(ProgressFactory* progress);                // history dialog "Remove All"
    std::string HistoryDetail(const std::vector<int>& rows) const;  // "Detail Undo Info" text
    // The row of pane `side` whose full path is `path` (case ignored) and whose kind is itemType
    // (kItemDir/kItemFile); null when not in the loaded tree.
    DiffItem* FindRow(int side, const std::string& path, int itemType);

    const std::string& Path(int side) const { return paths_[side]; }
    void ClearPath(int side) { paths_[side].clear(); }
    NextOpen Next() const { return next_; }
    void SetNext(NextOpen next) { next_ = next; }

    // Where a file given to OpenPath goes (its sibling tool).
    void SetFileHandler(std::function<void(const std::string& path)> handler) {
        fileHandler_ = std::move(handler);
    }
    // The one way a folder is opened, from the command line, the path boxes and the view: a
    // folder (or a missing path) fills the next side and the pair is compared again; on failure
    // the previous pair and side stay. A file goes to the file handler and gives false.
    bool OpenPath(const std::string& path);
    // Clears the comparison, both paths and the next side.
    void Reset();
    // The ".." row: both sides one folder up. False when neither path changed.
    bool GoUp();
    // The row's folder becomes the path of `side` (kSideBoth: of both sides). Call
    // CompareAfterRootChange next; `item` is gone after that.
    void SetRootPaths(int side, const DiffItem& item);
    void CompareAfterRootChange();

    // Copy to Right (`destination` 1) or Copy to Left (0) of the selected rows, journalled while
    // the journal is on.
    CopyToPaneResult CopyToOtherPane(int destination, const std::vector<DiffItem*>& rows,
                                     Prompter& prompter, ProgressFactory* progress);

    // Del / Ctrl+Del / Shift+Del (side 2/0/1). withoutJournal: Tab held or undo off -> no records.
    DeleteResult DeleteSelected(int side, const std::vector<DiffItem*>& rows, bool withoutJournal,
                                Prompter& prompter, ProgressFactory* progress);
    // End of the in-place edit of `row`'s name in pane `side` (0/1). Validates, journals, renames.
    RenameResult RenameItem(DiffItem& row, int side, const std::string& newName,
                            Prompter& prompter);
    // "Create a new Folder in Left/Right-view": `selected` are the selected rows (exactly one
    // needed).
    NewFolderResult NewFolder(const std::vector<DiffItem*>& selected, int side, Prompter& prompter);
    // Ctrl+V: pastes `sources` (full paths from the clipboard) into the folder of the first
    // selected row.
    CopyToResult Paste(const std::vector<DiffItem*>& selected, int side,
                       const std::vector<std::string>& sources, Prompter& prompter,
                       ReplaceAsker& asker);
    // A drop or a paste of cut files: `sources` copied (or moved) into `folder` of pane `side`,
    // journalled while the journal is on.
    CopyToResult DropFiles(int side, const std::string& folder,
                           const std::vector<std::string>& sources, bool copy, Prompter& prompter,
                           ReplaceAsker& asker);

  private:
    bool CompareCurrentPaths(int progressOption);
    void ApplyReadWholeRule(bool pairOpened);

    ComparisonObserver* observer_;
    Comparison comparison_;
    Refresh refresh_;
    UndoJournal journal_;
    std::string paths_[2];
    NextOpen next_ = NextOpen::kLeft;
    std::function<void(const std::string&)> fileHandler_;
};

}  // namespace quillon
