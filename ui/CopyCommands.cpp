#include "ui/CopyCommands.h"

#include "ui/BusyGate.h"
#include "ui/CQuillonView.h"
#include "ui/DiffListModel.h"

namespace quillon {

std::vector<DiffItem*> SelectedItems(CQuillonView& view) {
    std::vector<int> rows = view.SelectedRows();
    if (rows.empty() && view.currentIndex().isValid()) {
        rows.push_back(view.currentIndex().row());
    }
    std::vector<DiffItem*> items;
    for (int row : rows) {
        DiffItem* item = view.Model().ItemAt(row);
        if (item && !item->IsDotDot()) {
            items.push_back(item);
        }
    }
    return items;
}

bool CanCopyToOtherPane(CQuillonView& view, int destination) {
    for (const DiffItem* item : SelectedItems(view)) {
        if (item->Has(1 - destination)) {
            return true;
        }
    }
    return false;
}

CopyToPaneResult RunCopyToOtherPane(CQuillonView& view, int destination, Prompter& prompter,
                                    ProgressFactory* progress) {
    const std::vector<DiffItem*> items = SelectedItems(view);
    if (items.empty()) {
        return {};
    }
    CopyToPaneResult result;
    {
        BusyGate::Scope busy;
        result = view.Doc().CopyToOtherPane(destination, items, prompter, progress);
    }
    if (result.copied > 0 || result.failed > 0 || result.progressShown) {
        view.Doc().GetRefresh().SemiRefresh();
    }
    view.viewport()->update();
    return result;
}

}  // namespace quillon
