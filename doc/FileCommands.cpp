// The single-pane file commands of the document: each runs on the comparison's file system, with
// the journal while it is on and the command does not ask to go without it.
#include "doc/CQuillonDoc.h"
#include "fileops/FileCopy.h"

namespace quillon {

DeleteResult CQuillonDoc::DeleteSelected(int side, const std::vector<DiffItem*>& rows,
                                         bool withoutJournal, Prompter& prompter,
                                         ProgressFactory* progress) {
    FileOpsContext ctx(comparison_.Fs(), journal_.enabled && !withoutJournal ? &journal_ : nullptr);
    const CopyToPaneScene scene{comparison_, paths_, prompter, progress, observer_};
    return DeleteSelectedItems(ctx, scene, side, rows);
}

RenameResult CQuillonDoc::RenameItem(DiffItem& row, int side, const std::string& newName,
                                     Prompter& prompter) {
    FileOpsContext ctx(comparison_.Fs(), journal_.enabled ? &journal_ : nullptr);
    return quillon::RenameItem(ctx, prompter, row, side, newName);
}

NewFolderResult CQuillonDoc::NewFolder(const std::vector<DiffItem*>& selected, int side,
                                       Prompter& prompter) {
    FileOpsContext ctx(comparison_.Fs(), journal_.enabled ? &journal_ : nullptr);
    const CopyToPaneScene scene{comparison_, paths_, prompter, nullptr, observer_};
    return quillon::NewFolder(ctx, scene, selected, side);
}

CopyToResult CQuillonDoc::Paste(const std::vector<DiffItem*>& selected, int side,
                                const std::vector<std::string>& sources, Prompter& prompter,
                                ReplaceAsker& asker) {
    FileOpsContext ctx(comparison_.Fs(), journal_.enabled ? &journal_ : nullptr);
    const CopyToPaneScene scene{comparison_, paths_, prompter, nullptr, observer_};
    return PasteFiles(ctx, scene, asker, selected, side, sources);
}

}  // namespace quillon
