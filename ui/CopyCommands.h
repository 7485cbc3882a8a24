// Copy to Right and Copy to Left of the main window: the selected rows go to the other pane while
// the window takes no other command, and the panes are brought up to date afterwards.
#pragma once

#include <vector>

#include "fileops/CopyToPane.h"

namespace quillon {

class CQuillonView;

inline constexpr const char* kMenuCopyTexts[2] = {"Copy to Left", "Copy to Right"};

// The selected rows (else the current one), ".." left out.
std::vector<DiffItem*> SelectedItems(CQuillonView& view);
// Some selected row has an entry in the pane the copy would come from.
bool CanCopyToOtherPane(CQuillonView& view, int destination);
CopyToPaneResult RunCopyToOtherPane(CQuillonView& view, int destination, Prompter& prompter,
                                    ProgressFactory* progress);

}  // namespace quillon
