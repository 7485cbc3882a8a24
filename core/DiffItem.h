// The comparison tree: one DiffItem per name that exists on the left, the right or both, at one
// place in the hierarchy. A parent owns its children; freeing an item frees its subtree.
#pragma once

#include <atomic>
#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/ItemName.h"

namespace quillon {

// Side codes shared by rows, journal records and commands.
inline constexpr int kSideLeft = 0;
inline constexpr int kSideRight = 1;
inline constexpr int kSideBoth = 2;

// Status of a file item. File and folder statuses share codes (a folder's left-only is a file's
// "same"), so each is its own type and DiffItem hands out the one its kind holds.
enum class FileStatus : int32_t {
    StatusSame = 0,
    StatusDifferent = 1,
    StatusLeftOnly = 2,
    StatusRightOnly = 3,
    StatusBothPresent = 4,  // transient: seen on both sides, not yet compared
};
using enum FileStatus;

// Status of a folder item.
enum class FolderStatus : int32_t {
    FolderLeftOnly = 0,
    FolderRightOnly = 1,
    FolderBoth = 2,
};
using enum FolderStatus;

// The one-sided status of an entry present only on `side` (kSideLeft or kSideRight).
constexpr FileStatus FileOnlyOn(int side) {
    return side == kSideLeft ? StatusLeftOnly : StatusRightOnly;
}
constexpr FolderStatus FolderOnlyOn(int side) {
    return side == kSideLeft ? FolderLeftOnly : FolderRightOnly;
}

// The status of an item of either kind, for code that handles both.
using ItemStatus = std::variant<FileStatus, FolderStatus>;

// Name-cell icons: indices into the view's small image list.
enum ItemIcon : int32_t {
    kIconFolderClosed = 0,
    kIconFolderOpen = 1,
    kIconFileSame = 2,
    kIconFileDifferent = 3,
    kIconFileLeftOnly = 4,
    kIconFileRightOnly = 5,
    kIconFolderAbsent = 6,
    kIconFileAbsent = 7,
};

// The version text of a file whose version was not read.
inline constexpr const char* kVersionNotRead = "skipped";

// An immutable folder path shared by every entry of that folder on one side. A subfolder's path
// keeps only its own name and a reference to its parent's, so a whole tree spends a few bytes per
// folder on paths; the text is joined when asked for. The entries holding one path may be made,
// merged and freed on different threads (a whole-tree read), so the counts are atomic.
class SharedPath {
  public:
    SharedPath() = default;
    explicit SharedPath(std::string_view text);
    // The path whose Text() is JoinPath(dir.Text(), name).
    static SharedPath Join(const SharedPath& dir, std::string_view name);
    SharedPath(const SharedPath& other);
    SharedPath(SharedPath&& other) noexcept;
    SharedPath& operator=(const SharedPath& other);
    SharedPath& operator=(SharedPath&& other) noexcept;
    ~SharedPath();

    // The empty text when unset.
    std::string Text() const;
    // Text() into `out`, reusing its buffer.
    void TextInto(std::string& out) const;
    // JoinPath(Text(), name) in one allocation.
    std::string JoinedText(std::string_view name) const;
    bool Empty() const { return node_ == nullptr; }
    // The same path object, not merely the same text.
    bool SameAs(const SharedPath& other) const { return node_ == other.node_; }
    uint32_t UseCount() const { return node_ ? node_->refs.load(std::memory_order_relaxed) : 0; }

  private:
    // Followed in memory by `length` bytes of text: the whole path for a node without a parent,
    // else the name inside the parent's path.
    struct Node {
        std::atomic<uint32_t> refs;
        uint32_t length;
        Node* parent;
        const char* Chars() const { return reinterpret_cast<const char*>(this + 1); }
        char* Chars() { return reinterpret_cast<char*>(this + 1); }
    };
    static Node* MakeNode(std::string_view text, Node* parent);
    static void Append(const Node* node, std::string& out);
    // An upper bound of the joined text's length, for one reservation.
    size_t TextBound() const;
    void Release();
    Node* node_ = nullptr;
};

// How the version of one side is known.
enum class VersionState : uint8_t { kNotRead = 0, kNone = 1, kPresent = 2 };

struct ChildIndex;
struct DiffItem;

// The parts of an item that few items need, made on first use: the folder's hash index over its
// children, the other side's spelling of a name that differs in case, and read versions.
struct DiffItemExtra {
    std::unique_ptr<ChildIndex> childIndex;
    ItemName otherName;
    uint8_t otherNameSide = 0;
    bool hasOtherName = false;
    uint64_t version[2] = {0, 0};
    DiffItemExtra();
    ~DiffItemExtra();
};

// A whole tree holds one item per entry, so the fields are as narrow as their values allow and
// the rarely used ones live in DiffItemExtra.
struct DiffItem {
    // Per-side bits of `sideFlags`.
    static constexpr uint8_t kFlagLink = 0x01;      // the entry is a symbolic link
    static constexpr uint8_t kFlagSpecial = 0x02;   // FIFO, socket or device: never opened
    static constexpr uint8_t kFlagDangling = 0x04;  // a link whose target is missing
    // An unreadable last-write time: its text is empty.
    static constexpr int64_t kNoTime = INT64_MIN;

    DiffItem();
    ~DiffItem();
    DiffItem(const DiffItem&) = delete;
    DiffItem& operator=(const DiffItem&) = delete;
    // Items made with new come from one SlabPool for all threads.
    static void* operator new(size_t size);
    static void operator delete(void* item);

    DiffItem* next = nullptr;
    // The previous sibling; the first child's points to the last one, so that a folder finds
    // its end without a link of its own. Read it through Prev() and LastChild().
    DiffItem* prevCycle = nullptr;
    DiffItem* firstChild = nullptr;
    DiffItem* parent = nullptr;

    // The shown name: the spelling of the side read first.
    ItemName name;
    uint64_t size[2] = {0, 0};
    // Last-write time in seconds since the epoch, or kNoTime.
    int64_t mtime[2] = {kNoTime, kNoTime};

  private:
    SharedPath dir_[2];

  public:
    // Made by the accessors that need it; ordinary code never touches it.
    std::unique_ptr<DiffItemExtra> extra;

    int32_t row = -1;
    // A path is at most PATH_MAX bytes, so a depth fits.
    int16_t level = -1;
    uint8_t isFile = 0;

  private:
    // Bits 0-2: the status plus one (a FileStatus or a FolderStatus, by isFile; -1 before the
    // scan sets it); bits 3-4 and 5-6: the VersionState of the left and the right side.
    uint8_t states_ = 0;
    // The name-cell icon of the left side in the low half, of the right side in the high half.
    uint8_t images_ = 0;

  public:
    bool expanded[2] = {false, false};
    bool hasChildren[2] = {false, false};
    uint8_t sideFlags[2] = {0, 0};
    // The content comparison of both sides when the status pass computed it ahead (a
    // ChecksumVerdict); the next status decision takes it and clears it.
    uint8_t checksumVerdict = 0;

    DiffItem* Prev() const {
        return prevCycle != nullptr && prevCycle->next == this ? prevCycle : nullptr;
    }
    DiffItem* LastChild() const { return firstChild ? firstChild->prevCycle : nullptr; }

    // Meaningful only for a file item (isFile) and a folder item respectively.
    FileStatus FileState() const { return static_cast<FileStatus>(StatusCode()); }
    FolderStatus FolderState() const { return static_cast<FolderStatus>(StatusCode()); }
    void SetStatus(FileStatus status) { SetStatusCode(static_cast<int>(status)); }
    void SetStatus(FolderStatus status) { SetStatusCode(static_cast<int>(status)); }
    ItemStatus Status() const {
        return isFile ? ItemStatus(FileState()) : ItemStatus(FolderState());
    }
    void SetStatus(ItemStatus status) {
        std::visit([this](auto s) { SetStatus(s); }, status);
    }
    // The stored code, for fingerprints and dumps that also record isFile.
    int32_t StatusCode() const { return (states_ & 0x07) - 1; }

    // The folder holding the entry on that side; empty when the side has no such entry.
    std::string Dir(int side) const { return dir_[side].Text(); }
    void DirInto(int side, std::string& out) const { dir_[side].TextInto(out); }
    const SharedPath& DirRef(int side) const { return dir_[side]; }
    void SetDir(int side, SharedPath dir) { dir_[side] = std::move(dir); }
    void SetDir(int side, std::string_view dir) { dir_[side] = SharedPath(dir); }
    void ClearSide(int side);
    bool Has(int side) const { return !dir_[side].Empty(); }

    // The name as that side spells it (differs from `name` only in case).
    const ItemName& Name(int side) const;
    void SetSideName(int side, std::string_view spelling);
    // Dir(side) joined with Name(side); empty when the side has no entry.
    std::string FullPath(int side) const;

    // The texts shown in the panes and reports.
    std::string TimeText(int side) const;     // "%02d/%02d/%04d %02d:%02d" local, or empty
    std::string SizeText(int side) const;     // "1,234,567" for a file present on the side
    std::string VersionText(int side) const;  // "%u.%u.%u.%u", empty, or kVersionNotRead
    void TimeTextInto(int side, std::string& out) const;  // TimeText, reusing out's storage
    // True exactly when the two TimeText values are equal, without building them.
    bool SameTimeText() const;

    VersionState GetVersionState(int side) const {
        return static_cast<VersionState>((states_ >> (3 + 2 * side)) & 0x03);
    }
    uint64_t PackedVersion(int side) const { return extra ? extra->version[side] : 0; }
    void SetVersion(int side, VersionState state, uint64_t packed = 0);
    // Stores the result of FormatVersionText ("" for none).
    void SetVersionFromText(int side, std::string_view text);
    // Makes `other`'s side `side` this item's: folder, time, size, version, flags, spelling.
    void CopySideFrom(const DiffItem& other, int side);

    uint8_t Image(int side) const { return (images_ >> (4 * side)) & 0x0F; }
    void SetImage(int side, uint8_t icon) {
        images_ = static_cast<uint8_t>((images_ & ~(0x0F << (4 * side))) | (icon << (4 * side)));
    }
    bool IsDotDot() const { return name == ".."; }

    DiffItemExtra& Extra();

  private:
    void SetStatusCode(int code) {
        states_ = static_cast<uint8_t>((states_ & ~0x07) | ((code + 1) & 0x07));
    }
    void SetVersionState(int side, VersionState state) {
        const int shift = 3 + 2 * side;
        states_ =
            static_cast<uint8_t>((states_ & ~(0x03 << shift)) | (static_cast<int>(state) << shift));
    }
};

// Name comparison of the pairing: letters A-Z folded to a-z, then UTF-16 code-unit order (no
// locale). Names are UTF-8 bytes; bytes that are not valid UTF-8 order after every character, by
// byte value. Returns <0, 0 or >0.
int CompareNames(std::string_view a, std::string_view b);
// CompareNames, then (for names equal without case) the same order without folding, so that two
// entries of one side differing only in case have a fixed order.
int CompareNamesExact(std::string_view a, std::string_view b);
// Sibling order: ".." first, then folders, then files, each by CompareNamesExact.
bool SiblingLess(const DiffItem& a, const DiffItem& b);
// Same kind and equal names without case: the two would pair if on different sides.
bool SameEntry(const DiffItem& a, const DiffItem& b);

DiffItem* NewDiffItem();

// Sets both name-cell icons from the item's kind, sides, expansion and status.
void AssignIcons(DiffItem* item);

// Inserts `item` among `holder`'s children in order, or merges it into the sibling that holds the
// same entry for another side (preferring the exact spelling); a merged `item` is freed. Returns
// the item that now holds the entry. Two entries of one side never merge.
DiffItem* InsertOrMerge(DiffItem* item, DiffItem* holder);
// The batch form used by the folder scan: `items` (any order, all owned by the call) are sorted
// and merged with the existing children in one pass. The result equals InsertOrMerge applied to
// the items in sorted order, except that an item whose exact spelling is already there (lacking
// its side) pairs with it first. Returns the item that holds each entry, in sorted order.
std::vector<DiffItem*> InsertOrMergeSorted(std::vector<DiffItem*> items, DiffItem* holder);

// The sibling from `firstSibling` on with the same kind and a name equal without case; one spelled
// exactly so on a side is preferred over the first that differs in case.
DiffItem* FindSibling(uint32_t isFile, std::string_view name, DiffItem* firstSibling);
// The child of `parent` holding the entry, through the folder's hash index: an exact-case match
// is preferred over one that differs in case.
DiffItem* FindChild(DiffItem* parent, uint32_t isFile, std::string_view name);
// The file below `subtreeRoot` whose name and left or right folder match `fullPath` without case;
// one whose side matches it exactly is preferred.
DiffItem* FindFileByPath(std::string_view fullPath, DiffItem* subtreeRoot);

void FreeChildren(DiffItem* item);
// Unlinks `item`, frees it with its subtree, returns its former next sibling.
DiffItem* RemoveItem(DiffItem* item);
bool IsDescendantOf(const DiffItem* item, const DiffItem* ancestor);
// row = 0, 1, 2, ... over every item below `subtreeRoot`, depth-first.
void RenumberRows(DiffItem* subtreeRoot);
// row = `row`, `row` + 1, ... over every item that follows `item`'s subtree depth-first, up to the
// end of the whole tree: the rows after an expanded or collapsed folder, without walking the rows
// before it again.
void RenumberRowsAfter(DiffItem* item, int32_t row);
DiffItem* ItemAtRow(DiffItem* subtreeRoot, int row);

// Checks the tree below `root`: sibling links, parents, the first child's link to the last, sibling
// order, no two siblings holding the same entry for one side and, when `checkRows`, rows numbered
// depth-first from 0. On failure `why` (when given) says what is wrong.
bool IsConsistent(const DiffItem* root, bool checkRows, std::string* why = nullptr);

}  // namespace quillon
