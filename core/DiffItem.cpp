#include "core/DiffItem.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <new>
#include <unordered_map>

#include "base/AsciiCase.h"
#include "base/PathUtil.h"
#include "base/ValueText.h"
#include "core/SlabPool.h"

namespace quillon {

struct ChildIndex {
    // Kind letter plus the name folded A-Z; maps to the first sibling of that entry group.
    std::unordered_map<std::string, DiffItem*> groups;
};

DiffItemExtra::DiffItemExtra() = default;
DiffItemExtra::~DiffItemExtra() = default;

DiffItemExtra& DiffItem::Extra() {
    if (!extra) {
        extra = std::make_unique<DiffItemExtra>();
    }
    return *extra;
}

// Every entry of a whole tree is one of these, in a pool slot of exactly this size.
static_assert(sizeof(void*) != 8 || sizeof(DiffItem) == 128);

namespace {
ChildIndex* IndexOf(const DiffItem* holder) {
    return holder->extra ? holder->extra->childIndex.get() : nullptr;
}
}  // namespace

// ---- SharedPath -------------------------------------------------------------------------------

namespace {
// Path nodes of up to this many bytes come from pools by size, in steps of 8; a folder name
// rarely needs more.
constexpr size_t kPooledPathBytes = 64;

SlabPool* PathPool(size_t bytes) {
    static SlabPool* const* pools = [] {
        static SlabPool* made[kPooledPathBytes / 8 + 1] = {};
        for (size_t i = 1; i < std::size(made); ++i) {
            made[i] = new SlabPool(i * 8);
        }
        return made;
    }();
    return bytes <= kPooledPathBytes ? pools[(bytes + 7) / 8] : nullptr;
}
}  // namespace

SharedPath::Node* SharedPath::MakeNode(std::string_view text, Node* parent) {
    const size_t bytes = sizeof(Node) + text.size();
    SlabPool* pool = PathPool(bytes);
    void* memory = pool ? pool->Allocate() : ::operator new(bytes);
    if (!memory) {
        throw std::bad_alloc();
    }
    Node* node = new (memory) Node{{1}, static_cast<uint32_t>(text.size()), parent};
    std::memcpy(node->Chars(), text.data(), text.size());
    return node;
}

SharedPath::SharedPath(std::string_view text) {
    if (!text.empty()) {
        node_ = MakeNode(text, nullptr);
    }
}

SharedPath SharedPath::Join(const SharedPath& dir, std::string_view name) {
    if (!dir.node_) {
        return SharedPath(JoinPath("", name));
    }
    SharedPath joined;
    dir.node_->refs.fetch_add(1, std::memory_order_relaxed);
    joined.node_ = MakeNode(name, dir.node_);
    return joined;
}

SharedPath::SharedPath(const SharedPath& other) : node_(other.node_) {
    if (node_) {
        node_->refs.fetch_add(1, std::memory_order_relaxed);
    }
}

SharedPath::SharedPath(SharedPath&& other) noexcept : node_(other.node_) {
    other.node_ = nullptr;
}

SharedPath& SharedPath::operator=(const SharedPath& other) {
    if (other.node_) {
        other.node_->refs.fetch_add(1, std::memory_order_relaxed);
    }
    Release();
    node_ = other.node_;
    return *this;
}

SharedPath& SharedPath::operator=(SharedPath&& other) noexcept {
    if (this != &other) {
        Release();
        node_ = other.node_;
        other.node_ = nullptr;
    }
    return *this;
}

SharedPath::~SharedPath() {
    Release();
}

void SharedPath::Release() {
    // A freed node drops its hold on its parent: a chain of last holders goes at once.
    Node* node = node_;
    node_ = nullptr;
    while (node && node->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) {
        Node* parent = node->parent;
        const size_t bytes = sizeof(Node) + node->length;
        node->~Node();
        if (SlabPool* pool = PathPool(bytes)) {
            pool->Free(node);
        } else {
            ::operator delete(node);
        }
        node = parent;
    }
}

void SharedPath::Append(const Node* node, std::string& out) {
    if (node->parent) {
        Append(node->parent, out);
        if (out.empty() || out.back() != kPathSep) {
            out.push_back(kPathSep);
        }
    }
    out.append(node->Chars(), node->length);
}

std::string SharedPath::Text() const {
    std::string out;
    TextInto(out);
    return out;
}

size_t SharedPath::TextBound() const {
    size_t bytes = 0;
    for (const Node* n = node_; n; n = n->parent) {
        bytes += n->length + 1;
    }
    return bytes;
}

void SharedPath::TextInto(std::string& out) const {
    out.clear();
    if (node_) {
        out.reserve(TextBound());
        Append(node_, out);
    }
}

std::string SharedPath::JoinedText(std::string_view name) const {
    std::string out;
    out.reserve(TextBound() + name.size() + 1);
    if (node_) {
        Append(node_, out);
    }
    if (out.empty() || out.back() != kPathSep) {
        out.push_back(kPathSep);
    }
    out.append(name);
    return out;
}

// ---- names ------------------------------------------------------------------------------------

namespace {

// Weights above every code point: bytes that are not valid UTF-8, ordered by byte value.
constexpr uint32_t kInvalidByteBase = 0x300000;

// UTF-16 code-unit order differs from code-point order only in that U+E000..U+FFFF (one unit)
// sort after the supplementary planes (surrogate units D800..DFFF).
inline uint32_t Utf16Weight(uint32_t cp) {
    return (cp >= 0xE000 && cp <= 0xFFFF) ? cp + 0x110000 : cp;
}

// Weight of the character at `i` (a non-ASCII lead byte), advancing `i` past it.
uint32_t NonAsciiWeight(std::string_view s, size_t& i) {
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const size_t n = s.size();
    const unsigned char b0 = p[i];
    size_t len = 0;
    uint32_t cp = 0;
    unsigned char lo = 0x80;
    unsigned char hi = 0xBF;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        len = 2;
        cp = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        len = 3;
        cp = b0 & 0x0F;
        if (b0 == 0xE0) {
            lo = 0xA0;  // overlong
        } else if (b0 == 0xED) {
            hi = 0x9F;  // surrogates
        }
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        len = 4;
        cp = b0 & 0x07;
        if (b0 == 0xF0) {
            lo = 0x90;
        } else if (b0 == 0xF4) {
            hi = 0x8F;
        }
    }
    if (len == 0 || i + len > n || p[i + 1] < lo || p[i + 1] > hi) {
        ++i;
        return kInvalidByteBase + b0;
    }
    for (size_t k = 1; k < len; ++k) {
        const unsigned char c = p[i + k];
        if (c < 0x80 || c > 0xBF) {
            ++i;
            return kInvalidByteBase + b0;
        }
        cp = (cp << 6) | (c & 0x3F);
    }
    i += len;
    return Utf16Weight(cp);
}

std::string GroupKey(uint32_t isFile, std::string_view name) {
    std::string key;
    key.reserve(name.size() + 1);
    key.push_back(isFile ? 'f' : 'd');
    key += FoldAscii(name);
    return key;
}

// Kind and name without case: the order of entry groups.
int GroupCompare(const DiffItem& a, const DiffItem& b) {
    if (a.isFile != b.isFile) {
        return a.isFile ? 1 : -1;
    }
    if (!a.isFile) {
        const bool aDots = a.IsDotDot();
        const bool bDots = b.IsDotDot();
        if (aDots || bDots) {
            return aDots == bDots ? 0 : (aDots ? -1 : 1);
        }
    }
    return CompareNames(a.name, b.name);
}

int SideMask(const DiffItem& item) {
    return (item.Has(kSideLeft) ? 1 : 0) | (item.Has(kSideRight) ? 2 : 0);
}

// The sides an item being inserted brings, from its scan status (the dirs when it has none).
int IncomingMask(const DiffItem& item) {
    if (item.isFile) {
        switch (item.FileState()) {
            case StatusLeftOnly:
                return 1;
            case StatusRightOnly:
                return 2;
            case StatusBothPresent:
                return 3;
            default:
                break;
        }
    } else {
        switch (item.FolderState()) {
            case FolderLeftOnly:
                return 1;
            case FolderRightOnly:
                return 2;
            case FolderBoth:
                return 3;
            default:
                break;
        }
    }
    return SideMask(item);
}

void IndexAdd(DiffItem* holder, DiffItem* item) {
    ChildIndex* index = IndexOf(holder);
    if (!index) {
        return;
    }
    auto [it, added] = index->groups.try_emplace(GroupKey(item->isFile, item->name), item);
    if (!added && SiblingLess(*item, *it->second)) {
        it->second = item;
    }
}

void IndexRemove(DiffItem* holder, DiffItem* item) {
    ChildIndex* index = IndexOf(holder);
    if (!index) {
        return;
    }
    auto it = index->groups.find(GroupKey(item->isFile, item->name));
    if (it == index->groups.end() || it->second != item) {
        return;
    }
    if (item->next && SameEntry(*item->next, *item)) {
        it->second = item->next;
    } else {
        index->groups.erase(it);
    }
}

// Links `item` into `holder`'s children before `before` (at the end when null).
void LinkBefore(DiffItem* holder, DiffItem* item, DiffItem* before) {
    item->parent = holder;
    DiffItem* first = holder->firstChild;
    if (first == nullptr) {
        item->next = nullptr;
        item->prevCycle = item;
        holder->firstChild = item;
    } else if (before == nullptr) {
        DiffItem* last = first->prevCycle;
        item->prevCycle = last;
        item->next = nullptr;
        last->next = item;
        first->prevCycle = item;
    } else {
        item->next = before;
        item->prevCycle = before->prevCycle;
        if (before == first) {
            holder->firstChild = item;
        } else {
            before->prevCycle->next = item;
        }
        before->prevCycle = item;
    }
    IndexAdd(holder, item);
}

// Unlinks an item from its parent's children (a parentless item only loses its links).
void Unlink(DiffItem* item) {
    DiffItem* holder = item->parent;
    if (holder && holder->firstChild && item->prevCycle) {
        IndexRemove(holder, item);
        DiffItem* first = holder->firstChild;
        if (first == item) {
            holder->firstChild = item->next;
            if (item->next) {
                item->next->prevCycle = item->prevCycle;
            }
        } else {
            item->prevCycle->next = item->next;
            if (item->next) {
                item->next->prevCycle = item->prevCycle;
            } else {
                first->prevCycle = item->prevCycle;
            }
        }
    }
    item->prevCycle = item->next = nullptr;
}

void Merge(DiffItem* into, DiffItem* item, int mask) {
    if (into->isFile) {
        const FileStatus s = into->FileState();
        if (mask == 2) {
            into->SetStatus(s == StatusRightOnly ? StatusRightOnly : StatusBothPresent);
        } else if (mask == 1) {
            into->SetStatus(s == StatusLeftOnly ? StatusLeftOnly : StatusBothPresent);
        } else {
            into->SetStatus(StatusBothPresent);
        }
    } else {
        const FolderStatus s = into->FolderState();
        if (mask == 2) {
            if (s == FolderLeftOnly || s == FolderBoth) {
                into->SetStatus(FolderBoth);
            }
        } else if (mask == 1) {
            if (s == FolderRightOnly || s == FolderBoth) {
                into->SetStatus(FolderBoth);
            }
        } else {
            into->SetStatus(FolderBoth);
        }
    }
    for (int side = 0; side < 2; ++side) {
        if (mask & (1 << side)) {
            into->CopySideFrom(*item, side);
        }
    }
}

// The member of the group starting at `head` that takes `item`: one that lacks every side the
// item brings, the exact spelling first. A fully paired item merges into the exact spelling or
// the group's first member.
DiffItem* MergeCandidate(DiffItem* head, const DiffItem& item, int mask) {
    DiffItem* best = nullptr;
    for (DiffItem* s = head; s && SameEntry(*s, item); s = s->next) {
        if (mask == 3 || (SideMask(*s) & mask) == 0) {
            if (s->name == item.name) {
                return s;
            }
            if (!best) {
                best = s;
            }
        }
    }
    return best;
}

// Places `item` (not merged) inside or right after the group starting at `head`.
void InsertIntoGroup(DiffItem* holder, DiffItem* head, DiffItem* item) {
    DiffItem* s = head;
    while (s && SameEntry(*s, *item) && SiblingLess(*s, *item)) {
        s = s->next;
    }
    LinkBefore(holder, item, s);
}

// Next item in depth-first order below `root`, or null.
const DiffItem* NextPreorder(const DiffItem* item, const DiffItem* root) {
    if (item->firstChild) {
        return item->firstChild;
    }
    while (item != root) {
        if (item->next) {
            return item->next;
        }
        item = item->parent;
    }
    return nullptr;
}

}  // namespace

int CompareNames(std::string_view a, std::string_view b) {
    const auto* pa = reinterpret_cast<const unsigned char*>(a.data());
    const auto* pb = reinterpret_cast<const unsigned char*>(b.data());
    const size_t n = std::min(a.size(), b.size());
    // Siblings share long prefixes, and identical bytes weigh the same, so the folding starts
    // where the bytes first differ. It starts after the last ASCII byte before that point: a
    // multi-byte character there could still be cut short or end in the differing byte.
    size_t i = 0;
    while (i + 8 <= n && std::memcmp(pa + i, pb + i, 8) == 0) {
        i += 8;
    }
    while (i < n && pa[i] == pb[i]) {
        ++i;
    }
    while (i > 0 && pa[i - 1] >= 0x80) {
        --i;
    }
    while (i < n) {
        const unsigned char ca = pa[i];
        const unsigned char cb = pb[i];
        if (ca < 0x80 && cb < 0x80) {
            const auto fa = static_cast<unsigned char>(FoldAsciiChar(static_cast<char>(ca)));
            const auto fb = static_cast<unsigned char>(FoldAsciiChar(static_cast<char>(cb)));
            if (fa != fb) {
                return fa < fb ? -1 : 1;
            }
            ++i;
            continue;
        }
        if (ca < 0x80 || cb < 0x80) {
            return ca < 0x80 ? -1 : 1;
        }
        size_t ia = i;
        size_t ib = i;
        const uint32_t wa = NonAsciiWeight(a, ia);
        const uint32_t wb = NonAsciiWeight(b, ib);
        if (wa != wb) {
            return wa < wb ? -1 : 1;
        }
        i = ia;
    }
    if (a.size() == b.size()) {
        return 0;
    }
    // A name that ends mid-sequence of the other has fewer characters.
    return a.size() < b.size() ? -1 : 1;
}

int CompareNamesExact(std::string_view a, std::string_view b) {
    const int folded = CompareNames(a, b);
    if (folded != 0) {
        return folded;
    }
    // Equal without case: the names differ only in ASCII letters, where byte order is the
    // unfolded UTF-16 order.
    const int raw = a.compare(b);
    return raw < 0 ? -1 : (raw > 0 ? 1 : 0);
}

bool SiblingLess(const DiffItem& a, const DiffItem& b) {
    const int group = GroupCompare(a, b);
    if (group != 0) {
        return group < 0;
    }
    return a.name.compare(b.name) < 0;
}

bool SameEntry(const DiffItem& a, const DiffItem& b) {
    return GroupCompare(a, b) == 0;
}

// ---- DiffItem ---------------------------------------------------------------------------------

namespace {
// Never destroyed: an item may outlive every static destructor's run.
SlabPool& ItemPool() {
    static SlabPool* pool = new SlabPool(sizeof(DiffItem));
    return *pool;
}
}  // namespace

// Nothing derives from DiffItem, so `size` is always its own.
void* DiffItem::operator new(size_t /*size*/) {
    void* slot = ItemPool().Allocate();
    if (!slot) {
        throw std::bad_alloc();
    }
    return slot;
}

void DiffItem::operator delete(void* item) {
    ItemPool().Free(item);
}

DiffItem::DiffItem() = default;

DiffItem::~DiffItem() {
    FreeChildren(this);
}

void DiffItem::ClearSide(int side) {
    dir_[side] = SharedPath();
    size[side] = 0;
    mtime[side] = kNoTime;
    expanded[side] = false;
    hasChildren[side] = false;
    sideFlags[side] = 0;
    SetVersionState(side, VersionState::kNotRead);
    if (extra) {
        extra->version[side] = 0;
        if (extra->hasOtherName && extra->otherNameSide == side) {
            extra->hasOtherName = false;
            extra->otherName = ItemName();
        }
    }
}

const ItemName& DiffItem::Name(int side) const {
    return (extra && extra->hasOtherName && extra->otherNameSide == side) ? extra->otherName : name;
}

void DiffItem::SetSideName(int side, std::string_view spelling) {
    if (spelling == name.view()) {
        if (extra && extra->hasOtherName && extra->otherNameSide == side) {
            extra->hasOtherName = false;
            extra->otherName = ItemName();
        }
        return;
    }
    DiffItemExtra& more = Extra();
    more.otherName = spelling;
    more.otherNameSide = static_cast<uint8_t>(side);
    more.hasOtherName = true;
}

std::string DiffItem::FullPath(int side) const {
    if (!Has(side)) {
        return {};
    }
    return dir_[side].JoinedText(Name(side));
}

std::string DiffItem::TimeText(int side) const {
    std::string text;
    TimeTextInto(side, text);
    return text;
}

void DiffItem::TimeTextInto(int side, std::string& out) const {
    if (!Has(side) || mtime[side] == kNoTime) {
        out.clear();
        return;
    }
    FormatTimestampInto(static_cast<time_t>(mtime[side]), out);
}

std::string DiffItem::SizeText(int side) const {
    if (!isFile || !Has(side)) {
        return {};
    }
    return InsertThousandsSeparators(std::to_string(size[side]));
}

std::string DiffItem::VersionText(int side) const {
    if (!isFile || !Has(side)) {
        return {};
    }
    switch (GetVersionState(side)) {
        case VersionState::kNotRead:
            return kVersionNotRead;
        case VersionState::kNone:
            return {};
        case VersionState::kPresent:
            break;
    }
    const uint64_t v = PackedVersion(side);
    char text[48];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", static_cast<unsigned>((v >> 48) & 0xFFFF),
                  static_cast<unsigned>((v >> 32) & 0xFFFF),
                  static_cast<unsigned>((v >> 16) & 0xFFFF), static_cast<unsigned>(v & 0xFFFF));
    return text;
}

bool DiffItem::SameTimeText() const {
    const bool haveLeft = Has(kSideLeft) && mtime[0] != kNoTime;
    const bool haveRight = Has(kSideRight) && mtime[1] != kNoTime;
    if (!haveLeft || !haveRight) {
        return haveLeft == haveRight;
    }
    return mtime[0] == mtime[1] ||
           SameLocalMinute(static_cast<time_t>(mtime[0]), static_cast<time_t>(mtime[1]));
}

void DiffItem::SetVersion(int side, VersionState state, uint64_t packed) {
    SetVersionState(side, state);
    const uint64_t value = state == VersionState::kPresent ? packed : 0;
    if (value != 0 || extra) {
        Extra().version[side] = value;
    }
}

void DiffItem::SetVersionFromText(int side, std::string_view text) {
    unsigned parts[4] = {0, 0, 0, 0};
    const std::string copy(text);
    if (copy.empty() ||
        std::sscanf(copy.c_str(), "%u.%u.%u.%u", &parts[0], &parts[1], &parts[2], &parts[3]) != 4) {
        SetVersion(side, VersionState::kNone);
        return;
    }
    uint64_t packed = 0;
    for (unsigned part : parts) {
        packed = (packed << 16) | (part & 0xFFFF);
    }
    SetVersion(side, VersionState::kPresent, packed);
}

void DiffItem::CopySideFrom(const DiffItem& other, int side) {
    dir_[side] = other.dir_[side];
    size[side] = other.size[side];
    mtime[side] = other.mtime[side];
    expanded[side] = other.expanded[side];
    hasChildren[side] = other.hasChildren[side];
    sideFlags[side] = other.sideFlags[side];
    SetVersion(side, other.GetVersionState(side), other.PackedVersion(side));
    SetSideName(side, other.Name(side));
}

// ---- tree operations --------------------------------------------------------------------------

DiffItem* NewDiffItem() {
    return new DiffItem();
}

void AssignIcons(DiffItem* item) {
    for (int side = 0; side < 2; ++side) {
        int32_t icon;
        if (!item->Has(side)) {
            icon = item->isFile ? kIconFileAbsent : kIconFolderAbsent;
        } else if (!item->isFile) {
            icon = item->expanded[side] ? kIconFolderOpen : kIconFolderClosed;
        } else {
            switch (item->FileState()) {
                case StatusSame:
                    icon = kIconFileSame;
                    break;
                case StatusDifferent:
                    icon = kIconFileDifferent;
                    break;
                case StatusRightOnly:
                    icon = kIconFileRightOnly;
                    break;
                case StatusLeftOnly:
                    icon = kIconFileLeftOnly;
                    break;
                default:
                    icon = side == kSideLeft ? kIconFileLeftOnly : kIconFileRightOnly;
                    break;
            }
        }
        item->SetImage(side, static_cast<uint8_t>(icon));
    }
}

DiffItem* InsertOrMerge(DiffItem* item, DiffItem* holder) {
    item->parent = holder;
    if (!holder->firstChild) {
        LinkBefore(holder, item, nullptr);
        return item;
    }
    // Scans append in order more often than not.
    if (GroupCompare(*holder->LastChild(), *item) < 0) {
        LinkBefore(holder, item, nullptr);
        return item;
    }
    DiffItem* head = nullptr;
    if (ChildIndex* index = IndexOf(holder)) {
        auto it = index->groups.find(GroupKey(item->isFile, item->name));
        if (it != index->groups.end()) {
            head = it->second;
        }
    }
    if (!head) {
        head = holder->firstChild;
        while (head && GroupCompare(*head, *item) < 0) {
            head = head->next;
        }
    }
    if (head && SameEntry(*head, *item)) {
        const int mask = IncomingMask(*item);
        if (DiffItem* into = MergeCandidate(head, *item, mask)) {
            Merge(into, item, mask);
            item->parent = nullptr;
            delete item;
            return into;
        }
        InsertIntoGroup(holder, head, item);
        return item;
    }
    LinkBefore(holder, item, head);
    return item;
}

std::vector<DiffItem*> InsertOrMergeSorted(std::vector<DiffItem*> items, DiffItem* holder) {
    std::stable_sort(items.begin(), items.end(),
                     [](const DiffItem* a, const DiffItem* b) { return SiblingLess(*a, *b); });
    DiffItem* cursor = holder->firstChild;
    // Reused across groups: nearly every group is a single entry.
    std::vector<bool> done;
    size_t i = 0;
    while (i < items.size()) {
        size_t end = i + 1;
        while (end < items.size() && SameEntry(*items[end], *items[i])) {
            ++end;
        }
        while (cursor && GroupCompare(*cursor, *items[i]) < 0) {
            cursor = cursor->next;
        }
        done.assign(end - i, false);
        // Exact spellings pair first, so that a case variant cannot take another's partner.
        if (cursor && SameEntry(*cursor, *items[i])) {
            for (size_t k = i; k < end; ++k) {
                DiffItem*& item = items[k];
                const int mask = IncomingMask(*item);
                for (DiffItem* s = cursor; s && SameEntry(*s, *item); s = s->next) {
                    if (s->name == item->name && (mask == 3 || (SideMask(*s) & mask) == 0)) {
                        Merge(s, item, mask);
                        delete item;
                        item = s;
                        done[k - i] = true;
                        break;
                    }
                }
            }
        }
        for (size_t k = i; k < end; ++k) {
            if (done[k - i]) {
                continue;
            }
            DiffItem*& item = items[k];
            item->parent = holder;
            if (cursor && SameEntry(*cursor, *item)) {
                const int mask = IncomingMask(*item);
                if (DiffItem* into = MergeCandidate(cursor, *item, mask)) {
                    Merge(into, item, mask);
                    item->parent = nullptr;
                    delete item;
                    item = into;
                    continue;
                }
                InsertIntoGroup(holder, cursor, item);
                if (item->next == cursor) {
                    cursor = item;
                }
                continue;
            }
            LinkBefore(holder, item, cursor);
            cursor = item;
        }
        i = end;
    }
    return items;
}

namespace {
bool SpelledAs(const DiffItem& item, std::string_view name) {
    return item.Name(kSideLeft) == name || item.Name(kSideRight) == name;
}
}  // namespace

DiffItem* FindSibling(uint32_t isFile, std::string_view name, DiffItem* firstSibling) {
    DiffItem* first = nullptr;
    for (DiffItem* s = firstSibling; s; s = s->next) {
        if (s->isFile != isFile || CompareNames(s->name, name) != 0) {
            // The case variants of a name are neighbours.
            if (first) {
                break;
            }
            continue;
        }
        if (SpelledAs(*s, name)) {
            return s;
        }
        first = first ? first : s;
    }
    return first;
}

DiffItem* FindChild(DiffItem* parent, uint32_t isFile, std::string_view name) {
    if (!parent || !parent->firstChild) {
        return nullptr;
    }
    ChildIndex* index = IndexOf(parent);
    if (!index) {
        parent->Extra().childIndex = std::make_unique<ChildIndex>();
        index = parent->extra->childIndex.get();
        for (DiffItem* c = parent->firstChild; c; c = c->next) {
            index->groups.try_emplace(GroupKey(c->isFile, c->name), c);
        }
    }
    auto it = index->groups.find(GroupKey(isFile, name));
    if (it == index->groups.end()) {
        return nullptr;
    }
    DiffItem* head = it->second;
    for (DiffItem* s = head; s && s->isFile == isFile && CompareNames(s->name, name) == 0;
         s = s->next) {
        if (SpelledAs(*s, name)) {
            return s;
        }
    }
    return head;
}

DiffItem* FindFileByPath(std::string_view fullPath, DiffItem* subtreeRoot) {
    if (!subtreeRoot) {
        return nullptr;
    }
    const std::string_view name = BaseName(fullPath);
    const std::string_view dir = DirName(fullPath);
    const DiffItem* loose = nullptr;
    for (const DiffItem* item = subtreeRoot->firstChild; item;
         item = NextPreorder(item, subtreeRoot)) {
        if (!item->isFile || CompareNames(item->name, name) != 0) {
            continue;
        }
        for (int side = 0; side < 2; ++side) {
            if (!item->Has(side) || CompareNames(item->Dir(side), dir) != 0) {
                continue;
            }
            if (item->Name(side) == name && item->Dir(side) == dir) {
                return const_cast<DiffItem*>(item);
            }
            loose = loose ? loose : item;
        }
    }
    return const_cast<DiffItem*>(loose);
}

void FreeChildren(DiffItem* item) {
    const SlabPool::BatchReturns batch;
    DiffItem* child = item->firstChild;
    item->firstChild = nullptr;
    if (item->extra) {
        item->extra->childIndex.reset();
    }
    while (child) {
        DiffItem* next = child->next;
        delete child;
        child = next;
    }
}

DiffItem* RemoveItem(DiffItem* item) {
    DiffItem* next = item->next;
    Unlink(item);
    item->parent = nullptr;
    delete item;
    return next;
}

bool IsDescendantOf(const DiffItem* item, const DiffItem* ancestor) {
    for (const DiffItem* p = item ? item->parent : nullptr; p; p = p->parent) {
        if (p == ancestor) {
            return true;
        }
    }
    return false;
}

void RenumberRows(DiffItem* subtreeRoot) {
    int32_t row = 0;
    for (const DiffItem* item = subtreeRoot->firstChild; item;
         item = NextPreorder(item, subtreeRoot)) {
        const_cast<DiffItem*>(item)->row = row++;
    }
}

void RenumberRowsAfter(DiffItem* item, int32_t row) {
    const DiffItem* top = item;
    while (top->parent) {
        top = top->parent;
    }
    const DiffItem* after = nullptr;
    for (const DiffItem* up = item; up != top && !after; up = up->parent) {
        after = up->next;
    }
    for (const DiffItem* c = after; c; c = NextPreorder(c, top)) {
        const_cast<DiffItem*>(c)->row = row++;
    }
}

DiffItem* ItemAtRow(DiffItem* subtreeRoot, int row) {
    for (const DiffItem* item = subtreeRoot->firstChild; item;
         item = NextPreorder(item, subtreeRoot)) {
        if (item->row == row) {
            return const_cast<DiffItem*>(item);
        }
    }
    return nullptr;
}

bool IsConsistent(const DiffItem* root, bool checkRows, std::string* why) {
    auto fail = [why](const std::string& text, const DiffItem* item) {
        if (why) {
            *why = text + (item ? " at '" + item->name + "'" : std::string());
        }
        return false;
    };
    int32_t row = 0;
    // Walk folder by folder so that every sibling list is checked once.
    std::vector<const DiffItem*> folders{root};
    while (!folders.empty()) {
        const DiffItem* holder = folders.back();
        folders.pop_back();
        const DiffItem* prev = nullptr;
        for (const DiffItem* c = holder->firstChild; c; c = c->next) {
            if (c->parent != holder) {
                return fail("wrong parent", c);
            }
            if (prev && c->prevCycle != prev) {
                return fail("broken prev link", c);
            }
            if (prev && SiblingLess(*c, *prev)) {
                return fail("siblings out of order", c);
            }
            if (c->IsDotDot() && !c->isFile && prev) {
                return fail("'..' is not first", c);
            }
            // One side may hold case variants of a name; each still pairs at most once.
            for (const DiffItem* s = prev; s && SameEntry(*s, *c); s = s->Prev()) {
                if ((SideMask(*s) & SideMask(*c)) == 0) {
                    return fail("entries of different sides left unpaired", c);
                }
                for (int side = 0; side < 2; ++side) {
                    if (s->Has(side) && c->Has(side) && s->Name(side) == c->Name(side)) {
                        return fail("one side's entry held twice", c);
                    }
                }
            }
            if (!c->next && holder->firstChild->prevCycle != c) {
                return fail("first child does not link to the last", c);
            }
            if (c->firstChild) {
                folders.push_back(c);
            }
            prev = c;
        }
    }
    if (checkRows) {
        for (const DiffItem* item = root->firstChild; item; item = NextPreorder(item, root)) {
            if (item->row != row++) {
                return fail("row " + std::to_string(item->row) + " where " +
                                std::to_string(row - 1) + " was due",
                            item);
            }
        }
    }
    return true;
}

}  // namespace quillon
