// The undo journal: one group record per operation, one item record per affected item, and the
// "$diffundo" backups that keep, in each item's own folder, whatever an operation would destroy.
#pragma once

#include <cstdint>
#include <ctime>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

class FileSystem;
class ProgressSink;
struct FileOpsContext;

enum UndoKind : int32_t { kUndoDelete = 0, kUndoCopy = 1, kUndoRename = 2, kUndoCreateDir = 3 };
enum UndoItemType : int32_t { kItemDir = 0, kItemFile = 1 };

inline constexpr std::string_view kUndoMarker = "$diffundo";
inline constexpr const char* kTextCleaningUndo = "Cleaning Undo records...";
inline constexpr const char* kTextCleaningChildrenFormat =
    "Cleaning Next child (%d files) Undo records [#%d]...";
inline constexpr const char* kTextCleaningGroupFormat = "Cleaning Next Undo records [#%d]...";

// What one record says of its item; copied whole when undo works on a copy of a group.
struct UndoFields {
    std::string RunTag;
    int32_t OpNumber = -1;
    int32_t ItemType = -1;
    int32_t Side = -1;
    int32_t Kind = -1;
    std::string Tmp1;
    std::string Tmp2;
    std::string Org1;
    std::string Org2;
    // A copy record made by a move: its undo moves the item back to the source, never deletes it.
    bool Moved = false;
    // A fingerprint of what the operation left at its destination (the copy, the renamed item),
    // taken when it succeeded; undo removes only an item whose fingerprint still matches and
    // renames anything else aside. 0: none taken.
    uint64_t Made = 0;
    // A folder moved into one that existed: the moved entries relative to it (folders with a
    // trailing separator), so that its undo takes back only those.
    std::vector<std::string> Entries;
    // Where an undo put an item it would not delete (it had changed since it was made).
    std::string Aside;

    std::string& Org(int side) { return side == 0 ? Org1 : Org2; }
    std::string& Tmp(int side) { return side == 0 ? Tmp1 : Tmp2; }
    const std::string& Org(int side) const { return side == 0 ? Org1 : Org2; }
    const std::string& Tmp(int side) const { return side == 0 ? Tmp1 : Tmp2; }
};

struct UndoRecord : UndoFields {
    // Newest first.
    std::deque<std::unique_ptr<UndoRecord>> Children;

    int32_t ChildCount() const { return static_cast<int32_t>(Children.size()); }
};

// The ten digits of the run stamp ("MMDD_HHMMSS" without its underscore); made from `now` when
// the run has no stamp yet.
std::string MakeRunTag(std::string_view logStamp, time_t now);

// The backup path of the item at `path` for operation `opNumber`: same folder, "$diffundo", the
// run tag, at least four digits of the number, "$" and the item's own name.
std::string BackupName(std::string_view path, std::string_view runTag, int32_t opNumber);

inline constexpr size_t kRunTagDigits = 10;

struct BackupNameParts {
    std::string runTag;
    int32_t opNumber = -1;
    std::string original;  // the item's own name
};

// The parts of a folder entry's name that BackupName made, so that backups left by a crash can
// be put back; nothing for any other name, however close (another case of the marker, a tag of
// another length, a number BackupName would not write), since what is taken for a backup may be
// moved over a user's name or deleted.
std::optional<BackupNameParts> ParseBackupName(std::string_view name);

class UndoJournal {
  public:
    explicit UndoJournal(std::string runTag, bool enabled = true)
        : RunTag(std::move(runTag)), enabled(enabled) {}

    const std::string RunTag;
    bool enabled;
    // Newest first; Undo works on the front.
    std::deque<std::unique_ptr<UndoRecord>> undoList;
    std::unique_ptr<UndoRecord> redo;
    // Set while a purge writes the undo dump: its progress texts go to the log too.
    bool dumping = false;

    // Takes the next operation number.
    std::unique_ptr<UndoRecord> NewGroupRecord() const;
    // A record of the current operation, its backup paths filled by the rules of its kind.
    std::unique_ptr<UndoRecord> NewItemRecord(int32_t itemType, int32_t kind, int32_t side,
                                              std::string_view org1, std::string_view org2,
                                              std::string_view tmp1, std::string_view tmp2) const;
    static void Attach(UndoRecord& group, std::unique_ptr<UndoRecord> item);
    void Push(std::unique_ptr<UndoRecord> group);
};

// Whether `path` names a "$diffundo" entry.
bool IsBackupPath(std::string_view path);
// Moves without ever replacing: where the file system refuses the flag, a file gets a second
// name and loses the first; a folder fails. 0 or the errno.
int MoveNoReplace(FileSystem& fs, const std::string& from, const std::string& to);

// The backup step before an item's operation. 0 when the operation may go ahead (its victim is
// safe under its backup name, or there is none), else the errno that fails the item: nothing is
// replaced or deleted without its backup in place.
int PrepareUndoItem(FileOpsContext& ctx, UndoRecord& item);
// After the item's operation failed: a copy's file moved aside goes back when nothing took its
// place (else it stays under its backup name); the folder backup of a merge is deleted only when
// the merge did not touch the destination; a delete's backup goes back unless its item is still
// in place, and is deleted then.
void DiscardUndoItem(FileOpsContext& ctx, UndoRecord& item, bool destinationTouched = true);
// After the folder rename `record` succeeded on disk (or was undone, with `undoing`), every path
// of the journal that is the folder's old path, or lies below it, names the new one. A path that
// merely begins with the same characters (a sibling "AB" of "A") is left alone.
void RetargetUndoPaths(UndoJournal& journal, const UndoRecord& record, bool undoing);
// Deletes the backups one record holds. Only names that begin with "$diffundo" are deleted.
bool PurgeUndoRecord(FileOpsContext& ctx, UndoRecord& record);
// Deletes every backup of the journal and frees its records and the redo record; with `dump`,
// the journal is first written to a side log of its own, which goes again afterwards.
void ClearUndoJournal(FileOpsContext& ctx, UndoJournal& journal, bool dump = false);
// Purges and frees every group, oldest first; the redo record stays.
void RemoveUndoGroups(FileOpsContext& ctx, UndoJournal& journal);

}  // namespace quillon
