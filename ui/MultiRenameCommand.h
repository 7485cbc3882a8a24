// The rename command on several selected rows of one pane: the rename wizard on them, its pass
// journalled as one group of the view's journal, and the pane brought up to date afterwards.
#pragma once

#include <functional>
#include <vector>

#include "rename/RenameRules.h"

namespace quillon {

class CMultiRename;
class CQuillonView;
class DiffItem;
class Prompter;
class SettingsStore;

// The selected rows that have a name in pane `side`, in list order (".." is never one of them).
std::vector<DiffItem*> RenameRows(CQuillonView& view, int side);

// The wizard on `rows` (two or more, all files or all folders; a mix is refused with its message).
// After an OK that renamed something the panes follow the disk and the renamed rows are selected.
// `shown` (for tests) sees the wizard before it runs. Returns the number of items renamed.
int RunMultiRename(CQuillonView& view, int side, const std::vector<DiffItem*>& rows,
                   Prompter& prompter, SettingsStore* store,
                   const std::function<void(CMultiRename&)>& shown = {});

}  // namespace quillon
