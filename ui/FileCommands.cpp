#include "ui/FileCommands.h"

#include "base/PathUtil.h"
#include "ui/BusyGate.h"
#include "ui/CQuillonView.h"
#include "ui/DiffListModel.h"

namespace quillon {

namespace {

// The item's row when it is shown, else -1.
int ShownRow(CQuillonView& view, const DiffItem* item) {
    return item && view.Model().ItemAt(item->row) == item ? item->row : -1;
}

}  // namespace

// The row of the item at `path`, its folders above expanded as needed so that it shows; -1 when
// the item is not in the tree even then.
int ExpandedRowOf(CQuillonView& view, int side, const std::string& path, int itemType) {
    CQuillonDoc& doc = view.Doc();
    DiffItem* item = doc.FindRow(side, path, itemType);
    if (ShownRow(view, item) >= 0) {
        return item->row;
    }
    const std::string folder(DirName(path));
    if (folder.empty() || folder == path || SamePathNoCase(folder, doc.Path(side))) {
        return -1;
    }
    const int folderRow = ExpandedRowOf(view, side, folder, kItemDir);
    DiffItem* parent = view.Model().ItemAt(folderRow);
    if (!parent || parent->expanded[kSideLeft] || parent->expanded[kSideRight]) {
        return -1;
    }
    view.ToggleFolder(folderRow, false);
    return ShownRow(view, doc.FindRow(side, path, itemType));
}

int FocusRow(const CQuillonView& view) {
    return view.currentIndex().isValid() ? view.currentIndex().row() : -1;
}

std::vector<DiffItem*> SelectedRowItems(CQuillonView& view) {
    std::vector<DiffItem*> items;
    for (int row : view.SelectedRows()) {
        if (DiffItem* item = view.Model().ItemAt(row)) {
            items.push_back(item);
        }
    }
    return items;
}

DeleteResult RunDelete(CQuillonView& view, int side, bool withoutJournal, Prompter& prompter,
                       ProgressFactory* progress) {
    const std::vector<DiffItem*> rows = SelectedRowItems(view);
    if (rows.empty()) {
        return {};
    }
    DeleteResult result;
    {
        BusyGate::Scope busy;
        result = view.Doc().DeleteSelected(side, rows, withoutJournal, prompter, progress);
    }
    if (result.deleted > 0 || result.failed > 0) {
        view.Doc().GetRefresh().SemiRefresh();
    }
    view.viewport()->update();
    return result;
}

RenameResult RunRename(CQuillonView& view, DiffItem& item, int side, const std::string& name,
                       Prompter& prompter) {
    const int itemType = item.isFile ? kItemFile : kItemDir;
    RenameResult result;
    {
        BusyGate::Scope busy;
        result = view.Doc().RenameItem(item, side, name, prompter);
    }
    if (result.renamed) {
        view.Doc().GetRefresh().SemiRefresh();
        view.SelectOnly(ShownRow(view, view.Doc().FindRow(side, result.newPath, itemType)));
    }
    view.viewport()->update();
    return result;
}

NewFolderResult RunNewFolder(CQuillonView& view, int side, Prompter& prompter) {
    const std::vector<DiffItem*> selected = SelectedRowItems(view);
    NewFolderResult result;
    {
        BusyGate::Scope busy;
        result = view.Doc().NewFolder(selected, side, prompter);
    }
    if (result.path.empty()) {
        return result;
    }
    view.Doc().GetRefresh().SemiRefresh();
    const int row = ExpandedRowOf(view, side, result.path, kItemDir);
    if (row >= 0) {
        view.EditName(row, side);
    }
    return result;
}

CopyToResult RunPaste(CQuillonView& view, int side, const std::vector<std::string>& sources,
                      Prompter& prompter, ReplaceAsker& asker) {
    const std::vector<DiffItem*> selected = SelectedRowItems(view);
    if (selected.empty() || sources.empty()) {
        return {};
    }
    CopyToResult result;
    {
        BusyGate::Scope busy;
        result = view.Doc().Paste(selected, side, sources, prompter, asker);
    }
    view.Doc().GetRefresh().SemiRefresh();
    view.viewport()->update();
    return result;
}

void FinishUndo(CQuillonView& view, const UndoOutcome& outcome, int focusRow) {
    view.Doc().GetRefresh().SemiRefresh();
    std::vector<int> rows;
    for (const AffectedRow& a : outcome.ok ? outcome.affected : std::vector<AffectedRow>{}) {
        const int row = ShownRow(view, view.Doc().FindRow(a.side, a.path, a.itemType));
        if (row >= 0) {
            rows.push_back(row);
        }
    }
    if (rows.empty()) {
        view.SelectRow(focusRow);
    } else {
        view.SelectRows(rows);
    }
    view.viewport()->update();
}

namespace {

// Undo and Redo alike: the step runs while the window waits, then the panes follow the disk.
template <typename Step>
UndoOutcome RunJournalStep(CQuillonView& view, bool possible, Step step) {
    if (!possible) {
        return {};
    }
    const int focusRow = FocusRow(view);
    UndoOutcome outcome;
    {
        BusyGate::Scope busy;
        outcome = step();
    }
    FinishUndo(view, outcome, focusRow);
    return outcome;
}

}  // namespace

UndoOutcome RunUndo(CQuillonView& view, Prompter& prompter) {
    return RunJournalStep(view, view.Doc().CanUndo(),
                          [&view, &prompter] { return view.Doc().Undo(prompter); });
}

UndoOutcome RunRedo(CQuillonView& view, Prompter& prompter) {
    return RunJournalStep(view, view.Doc().CanRedo(),
                          [&view, &prompter] { return view.Doc().Redo(prompter); });
}

}  // namespace quillon
