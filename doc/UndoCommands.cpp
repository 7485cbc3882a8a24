// The undo commands of the document: Undo, Redo, the journal's switch and purges, and what the
// history dialog and the internals box read and change.
#include <strings.h>

#include "base/PathUtil.h"
#include "doc/CQuillonDoc.h"
#include "fileops/FileCopy.h"
#include "platform/ProgressLogic.h"
#include "platform/ProgressSink.h"

namespace quillon {

namespace {

bool StartsWithNoCasePath(const std::string& path, const std::string& folder) {
    return path.size() > folder.size() && path[folder.size()] == kPathSep &&
           strncasecmp(path.c_str(), folder.c_str(), folder.size()) == 0;
}

// A progress window for a purge, when the caller can show one.
struct PurgeWindow {
    PurgeWindow(FileOpsContext& ctx, ProgressFactory* factory) : ctx(ctx) {
        if (factory != nullptr && (sink = factory->Open(kProgressCaption))) {
            sink->SetRange(ProgressSink::kNoCount, kTextCleaningUndo, false);
            ctx.progress = sink.get();
        }
    }
    ~PurgeWindow() {
        if (sink) {
            sink->Hide();
            ctx.progress = nullptr;
        }
    }
    PurgeWindow(const PurgeWindow&) = delete;
    PurgeWindow& operator=(const PurgeWindow&) = delete;

    FileOpsContext& ctx;
    std::unique_ptr<ProgressSink> sink;
};

}  // namespace

bool CQuillonDoc::UndoEnabled() const {
    return journal_.enabled;
}

bool CQuillonDoc::CanUndo() const {
    return journal_.enabled && !journal_.undoList.empty();
}

bool CQuillonDoc::CanRedo() const {
    return journal_.redo != nullptr;
}

UndoOutcome CQuillonDoc::Undo(Prompter& prompter) {
    UndoOutcome outcome;
    if (!CanUndo()) {
        return outcome;
    }
    FileOpsContext ctx(comparison_.Fs(), &journal_);
    UndoScope scope{ctx, journal_, prompter};
    // The items go back oldest first, on a copy; after a failure the list keeps what did not go
    // back (of a two-sided delete, the half that did not).
    std::unique_ptr<UndoRecord> copy = CopyGroup(*journal_.undoList.front(), true);
    outcome.ok = UndoGroup(scope, *copy);
    if (outcome.ok) {
        journal_.undoList.pop_front();
        outcome.affected = AffectedRows(*copy);
        journal_.redo = std::move(copy);
    } else {
        journal_.undoList.front() = CopyGroup(*copy, true);
    }
    return outcome;
}

UndoOutcome CQuillonDoc::Redo(Prompter& /*prompter*/) {
    UndoOutcome outcome;
    if (!journal_.redo) {
        return outcome;
    }
    FileOpsContext ctx(comparison_.Fs(), &journal_);
    outcome.ok = RedoGroup(ctx, *journal_.redo);
    if (outcome.ok) {
        outcome.affected = AffectedRows(*journal_.redo);
    }
    journal_.redo.reset();
    ClearUndoJournal(ctx, journal_, false);
    return outcome;
}

void CQuillonDoc::SetUndoEnabled(bool on, ProgressFactory* progress) {
    if (!on && journal_.enabled) {
        PurgeJournal(true, progress);
        // Nothing to redo once the journal that it belongs to is gone.
        journal_.redo.reset();
    }
    journal_.enabled = on;
}

void CQuillonDoc::PurgeJournal(bool dump, ProgressFactory* progress) {
    FileOpsContext ctx(comparison_.Fs(), &journal_);
    const PurgeWindow window(ctx, journal_.undoList.empty() ? nullptr : progress);
    ClearUndoJournal(ctx, journal_, dump);
}

std::string CQuillonDoc::UndoInternalsText() const {
    return quillon::UndoInternalsText(journal_);
}

std::vector<UndoHistoryRow> CQuillonDoc::HistoryRows() const {
    return UndoHistoryRows(journal_);
}

UndoOutcome CQuillonDoc::UndoTopGroups(int count, Prompter& prompter) {
    UndoOutcome outcome;
    outcome.ok = true;
    for (int i = 0; i < count && outcome.ok && !journal_.undoList.empty(); ++i) {
        UndoOutcome one = Undo(prompter);
        outcome.ok = one.ok;
        for (AffectedRow& row : one.affected) {
            outcome.affected.push_back(std::move(row));
        }
    }
    return outcome;
}

void CQuillonDoc::RemoveAllGroups(ProgressFactory* progress) {
    FileOpsContext ctx(comparison_.Fs(), &journal_);
    const PurgeWindow window(ctx, journal_.undoList.empty() ? nullptr : progress);
    RemoveUndoGroups(ctx, journal_);
}

std::string CQuillonDoc::HistoryDetail(const std::vector<int>& rows) const {
    return UndoHistoryDetail(journal_, rows);
}

DiffItem* CQuillonDoc::FindRow(int side, const std::string& path, int itemType) {
    if (side != 0 && side != 1) {
        return nullptr;
    }
    DiffItem* item = comparison_.rootItem != nullptr ? comparison_.rootItem->firstChild : nullptr;
    while (item != nullptr) {
        if (item->IsDotDot() || !item->Has(side)) {
            item = item->next;
            continue;
        }
        const std::string full = item->FullPath(side);
        if (SamePathNoCase(full, path) && (item->isFile != 0) == (itemType == kItemFile)) {
            return item;
        }
        item = !item->isFile && StartsWithNoCasePath(path, full) ? item->firstChild : item->next;
    }
    return nullptr;
}

}  // namespace quillon
