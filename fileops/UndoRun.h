// Undo and redo of the journal's records on disk, and the journal's texts: the internals box, the
// dump a purge writes to the log, and the history dialog's rows and details. Undo never removes
// what it cannot show to be the operation's own, never replaces a name, and never loses the only
// copy of an item: whatever it cannot put back stays at its path or under a "$diffundo" name.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "fileops/UndoJournal.h"

namespace quillon {

class FileSystem;
class Prompter;
struct FileOpsContext;

inline constexpr const char* kUndoStaysText = "Undo item will stay in the list.";
inline constexpr const char* kUndoFailBothMoves =
    "OP#[%.4d] 2/2 MoveFile from\n\"%s\"\nto\n\"%s\"\n&from\n\"%s\"\nto\n\"%s\"\nfailed.\n\n%s";
inline constexpr const char* kUndoFailMoveBack =
    "OP#[%.4d] 1/1 MoveFile from\n\"%s\"\nto\n\"%s\"\nfailed.\n\n%s";
inline constexpr const char* kUndoFailDeleteFolder =
    "OP#[%.4d] 1/%d Deletefolder\n\"%s\"\nfailed.\n\n%s";
inline constexpr const char* kUndoFailRemoveFile =
    "OP#[%.4d] 1/%d RemoveFile\n\"%s\"\nfailed.\n\n%s";
inline constexpr const char* kUndoFailRestore =
    "OP#[%.4d] 2/2 MoveFile from\n\"%s\"\nto\n\"%s\"\nfailed.\n\n%s";
inline constexpr const char* kUndoFailRemoveFolder =
    "OP#[%.4d] 1/1 RemoveDirectory\n\"%s\"\nfailed.\n\n%s";

inline constexpr const char* kNoUndoHistory = "There is no UNDO history.";
inline constexpr const char* kUndoAndMore = "... and more ...";
inline constexpr const char* kUndoListCaption = "Undo list";
inline constexpr const char* kUndoInternalsCaption = "Undo Internals";
inline constexpr const char* kNoUndoSelected = "None of Undo item selected.";
inline constexpr int kUndoInternalsLines = 40;

// A row to select after an undo: the item of pane `side` at `path`.
struct AffectedRow {
    int side = 0;
    std::string path;
    int itemType = 0;
};
struct UndoOutcome {
    bool ok = false;
    std::vector<AffectedRow> affected;
};
struct UndoHistoryRow {
    int32_t opNumber;
    std::string action;
    std::string files;
    std::string items;
};

// What an undo works with: the disk, the journal whose paths a folder rename's undo carries back,
// and the message boxes of its failures.
struct UndoScope {
    FileOpsContext& ctx;
    UndoJournal& journal;
    Prompter& prompter;
};

// A fingerprint of what is at `path` now, not following a link: a file's (or link's) device,
// inode, size and modification time; for a folder the same over every entry of its tree, walked
// without following links. 0 when any of it cannot be read.
uint64_t MadeFingerprint(FileSystem& fs, const std::string& path);
// The entries of the folder tree `path` as paths relative to it, folders first and marked by a
// trailing separator, in walk order; names beginning with "$diff" are left out, as a move leaves
// them. False when some part of the tree could not be read.
bool ListTreeEntries(FileSystem& fs, const std::string& path, std::vector<std::string>& entries);

// One record undone; a failure shows its message and returns false. A both-sided delete of which
// one half failed to go back is reduced to that half.
bool UndoItem(UndoScope& scope, UndoRecord& record);
// One record done again; shows nothing.
bool RedoItem(FileOpsContext& ctx, UndoRecord& record);
// Every item of `group` (its children in list order, or the group itself), also after a failure;
// created folders come last, deepest first. False when any item failed; the group then keeps
// only the items that failed.
bool UndoGroup(UndoScope& scope, UndoRecord& group);
// Every item again; the result is that of the last one.
bool RedoGroup(FileOpsContext& ctx, UndoRecord& group);

// A copy of `group` and its children; with `reversed`, the children oldest first.
std::unique_ptr<UndoRecord> CopyGroup(const UndoRecord& group, bool reversed);
// The rows that show the items of `group` after its undo.
std::vector<AffectedRow> AffectedRows(const UndoRecord& group);

std::string UndoInternalsText(const UndoJournal& journal);
// Two log entries per group, newest first: the header and the details.
std::vector<std::string> UndoDumpEntries(const UndoJournal& journal);
std::vector<UndoHistoryRow> UndoHistoryRows(const UndoJournal& journal);
// The "Detail Undo Info" text of the rows (indices into the undo list, newest first).
std::string UndoHistoryDetail(const UndoJournal& journal, const std::vector<int>& rows);

}  // namespace quillon
