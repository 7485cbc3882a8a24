#include "ui/MultiRenameCommand.h"

#include <algorithm>

#include "core/DiffItem.h"
#include "platform/Prompter.h"
#include "ui/CMultiRename.h"
#include "ui/CQuillonView.h"
#include "ui/DiffListModel.h"

namespace quillon {

std::vector<DiffItem*> RenameRows(CQuillonView& view, int side) {
    std::vector<DiffItem*> rows;
    for (int row : view.SelectedRows()) {
        DiffItem* item = view.Model().ItemAt(row);
        if (item && !item->IsDotDot() && item->Has(side)) {
            rows.push_back(item);
        }
    }
    return rows;
}

int RunMultiRename(CQuillonView& view, int side, const std::vector<DiffItem*>& rows,
                   Prompter& prompter, SettingsStore* store,
                   const std::function<void(CMultiRename&)>& shown) {
    if (rows.empty()) {
        return 0;
    }
    MultiRenameSetup setup;
    setup.files = rows.front()->isFile != 0;
    for (const DiffItem* item : rows) {
        if ((item->isFile != 0) != setup.files) {
            PromptRequest request;
            request.text = kMixedSelectionText;
            request.style = mb::kOk | mb::kIconStop;
            prompter.Ask(request);
            return 0;
        }
        setup.entries.push_back({item->Dir(side), item->Name(side), item->isFile != 0});
    }
    CQuillonDoc& doc = view.Doc();
    setup.fs = &doc.GetComparison().Fs();
    setup.prompter = &prompter;
    setup.store = store;
    setup.journal = &doc.Journal();
    setup.side = side;

    CMultiRename wizard(&view, std::move(setup));
    if (shown) {
        shown(wizard);
    }
    if (wizard.exec() != QDialog::Accepted || wizard.PassResult().renamed == 0) {
        return 0;
    }
    // The rows are read afresh: the refresh may free the items the wizard was given.
    doc.GetRefresh().SemiRefresh();
    std::vector<int> selected;
    for (const RenamePassItem& item : wizard.PassResult().items) {
        if (item.outcome != RenameOutcome::kRenamed) {
            continue;
        }
        DiffItem* found = doc.FindRow(side, item.newPath, wizard.Files() ? kItemFile : kItemDir);
        if (found && view.Model().ItemAt(found->row) == found) {
            selected.push_back(found->row);
        }
    }
    if (!selected.empty()) {
        std::sort(selected.begin(), selected.end());
        view.SelectRows(selected);
    }
    view.viewport()->update();
    return wizard.PassResult().renamed;
}

}  // namespace quillon
