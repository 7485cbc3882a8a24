// Delete, rename in place, new folder, paste, Undo and Redo of the main window: the rows the
// command works on go to the document while the window takes no other command, and the panes are
// brought up to date and the affected rows selected afterwards.
#pragma once

#include <string>
#include <vector>

#include "doc/CQuillonDoc.h"

namespace quillon {

class CQuillonView;
class ReplaceAsker;

inline constexpr const char* kAskDeleteSide =
    "Please select which side of the selected item(s) to delete.";
inline constexpr const char* kAskRenameSide =
    "Please select which side of the selected item to rename.";
inline constexpr const char* kAskNewFolderSide = "Please select which view to create a new folder.";
inline constexpr const char* kAskPasteSide =
    "Please select which side of the selected item to be pasted as its child.";

inline constexpr const char* kMenuDelete = "&Delete this\t[Ctrl+/Shft+] Del";
inline constexpr const char* kMenuRename = "&Rename this\tCtrl/Shft+F2";
inline constexpr const char* kMenuNewFolderTexts[2] = {"Create a new Folder in &Left-view",
                                                       "Create a new Folder in &Right-view"};
inline constexpr const char* kMenuPaste = "&Paste";
inline constexpr const char* kMenuUndo = "&Undo";
inline constexpr const char* kMenuRedo = "&Redo";
inline constexpr const char* kMenuAvailableUndos = "Available Undo(s)...";
inline constexpr const char* kMenuEnableUndo = "Enable Undo";

// The selected rows, ".." among them (a delete refuses it, a new folder or paste takes it for the
// folder it stands in). Only what is selected: the focus alone picks nothing.
std::vector<DiffItem*> SelectedRowItems(CQuillonView& view);

DeleteResult RunDelete(CQuillonView& view, int side, bool withoutJournal, Prompter& prompter,
                       ProgressFactory* progress);
// The end of the in-place edit; the renamed row is found again and selected.
RenameResult RunRename(CQuillonView& view, DiffItem& item, int side, const std::string& name,
                       Prompter& prompter);
// The new folder's row is selected and its name editor opened.
NewFolderResult RunNewFolder(CQuillonView& view, int side, Prompter& prompter);
CopyToResult RunPaste(CQuillonView& view, int side, const std::vector<std::string>& sources,
                      Prompter& prompter, ReplaceAsker& asker);

// After an undo or redo: the panes are brought up to date (a failed group may still have put
// some of its items back); on success the affected rows are selected, else the row that had the
// focus (`focusRow`) stays chosen.
void FinishUndo(CQuillonView& view, const UndoOutcome& outcome, int focusRow);
int FocusRow(const CQuillonView& view);
UndoOutcome RunUndo(CQuillonView& view, Prompter& prompter);
UndoOutcome RunRedo(CQuillonView& view, Prompter& prompter);

}  // namespace quillon
