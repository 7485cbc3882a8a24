#include "ui/DiffListModel.h"

#include <algorithm>

namespace quillon {

namespace {

// Depth-first successor within the subtree of `top`, or null after its last item.
DiffItem* NextPreorder(DiffItem* item, const DiffItem* top) {
    if (item->firstChild) {
        return item->firstChild;
    }
    while (item && item != top) {
        if (item->next) {
            return item->next;
        }
        item = item->parent;
    }
    return nullptr;
}

}  // namespace

const char* ColumnTitle(ColumnKind kind) {
    switch (kind) {
        case ColumnKind::kName:
            return "Filename";
        case ColumnKind::kVersion:
            return "Version";
        case ColumnKind::kTime:
            return "Timestamp";
        case ColumnKind::kSize:
            return "Size";
    }
    return "";
}

DiffListModel::DiffListModel(QObject* parent) : QAbstractTableModel(parent) {}

void DiffListModel::SetColumns(const std::vector<ColumnKind>& perSide, bool detailTimestamp) {
    if (perSide == perSide_ && detailTimestamp == detailTimestamp_) {
        return;
    }
    beginResetModel();
    perSide_ = perSide.empty() ? std::vector<ColumnKind>{ColumnKind::kName} : perSide;
    detailTimestamp_ = detailTimestamp;
    endResetModel();
}

void DiffListModel::AppendSubtree(DiffItem* holder, std::vector<DiffItem*>& out) {
    for (DiffItem* item = holder->firstChild; item; item = NextPreorder(item, holder)) {
        out.push_back(item);
    }
}

void DiffListModel::Renumber(int from) {
    for (size_t i = static_cast<size_t>(from); i < rows_.size(); ++i) {
        rows_[i]->row = static_cast<int32_t>(i);
    }
}

void DiffListModel::AppendInBlocks(DiffItem* root, const std::function<void()>& betweenBlocks,
                                   int blockRows) {
    if (!root) {
        return;
    }
    const size_t limit = static_cast<size_t>(std::max(blockRows, 1));
    // Sized once: growing by copies would hold two copies of a million pointers just when the
    // tree takes the most memory. The count is a walk of its own, so it pauses as often.
    size_t count = 0;
    for (DiffItem* item = root->firstChild; item; item = NextPreorder(item, root)) {
        if (++count % limit == 0 && betweenBlocks) {
            betweenBlocks();
        }
    }
    rows_.reserve(count);
    std::vector<DiffItem*> block;
    block.reserve(limit);
    DiffItem* item = root->firstChild;
    while (item) {
        const int32_t first = static_cast<int32_t>(rows_.size());
        int32_t row = first;
        for (; item && block.size() < limit; item = NextPreorder(item, root)) {
            item->row = row++;
            StoreIcons(*item);
            block.push_back(item);
        }
        beginInsertRows(QModelIndex(), first, row - 1);
        rows_.insert(rows_.end(), block.begin(), block.end());
        endInsertRows();
        block.clear();
        if (item && betweenBlocks) {
            betweenBlocks();
        }
    }
}

void DiffListModel::Fill(DiffItem* root, const std::function<void()>& betweenBlocks,
                         int blockRows) {
    if (rows_.empty()) {
        AppendInBlocks(root, betweenBlocks, blockRows);
        return;
    }
    // One walk numbers the rows, stores the icons and collects the items while each item is
    // in the cache anyway; the vector is then swapped in.
    std::vector<DiffItem*> fresh;
    fresh.reserve(rows_.size());
    if (root) {
        int32_t row = 0;
        for (DiffItem* item = root->firstChild; item; item = NextPreorder(item, root)) {
            item->row = row++;
            StoreIcons(*item);
            fresh.push_back(item);
        }
    }
    int oldCount = RowCount();
    int newCount = static_cast<int>(fresh.size());
    if (newCount < oldCount) {
        beginRemoveRows(QModelIndex(), newCount, oldCount - 1);
        rows_.swap(fresh);
        endRemoveRows();
    } else if (newCount > oldCount) {
        beginInsertRows(QModelIndex(), oldCount, newCount - 1);
        rows_.swap(fresh);
        endInsertRows();
    } else {
        rows_.swap(fresh);
    }
    int overlap = std::min(oldCount, newCount);
    if (overlap > 0) {
        emit dataChanged(index(0, 0), index(overlap - 1, columnCount() - 1));
    }
}

void DiffListModel::Clear() {
    if (rows_.empty()) {
        return;
    }
    beginRemoveRows(QModelIndex(), 0, RowCount() - 1);
    rows_.clear();
    endRemoveRows();
}

void DiffListModel::InsertChildRows(DiffItem* item, int row) {
    std::vector<DiffItem*> block;
    AppendSubtree(item, block);
    if (row < 0 || row >= RowCount() || rows_[row] != item) {
        return;
    }
    RowChanged(row);
    if (block.empty()) {
        return;
    }
    for (DiffItem* child : block) {
        StoreIcons(*child);
    }
    int first = row + 1;
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(block.size()) - 1);
    rows_.insert(rows_.begin() + first, block.begin(), block.end());
    Renumber(first);
    endInsertRows();
}

void DiffListModel::RemoveDescendantRows(DiffItem* item, int row) {
    if (row < 0 || row >= RowCount() || rows_[row] != item) {
        return;
    }
    int first = row + 1;
    int last = first;
    while (last < RowCount() && IsDescendantOf(rows_[last], item)) {
        ++last;
    }
    if (last > first) {
        beginRemoveRows(QModelIndex(), first, last - 1);
        rows_.erase(rows_.begin() + first, rows_.begin() + last);
        Renumber(first);
        endRemoveRows();
    }
}

void DiffListModel::RemoveItemRows(DiffItem* item) {
    int first = item->row;
    if (first < 0 || first >= RowCount() || rows_[first] != item) {
        return;
    }
    int last = first + 1;
    while (last < RowCount() && IsDescendantOf(rows_[last], item)) {
        ++last;
    }
    beginRemoveRows(QModelIndex(), first, last - 1);
    rows_.erase(rows_.begin() + first, rows_.begin() + last);
    Renumber(first);
    endRemoveRows();
}

void DiffListModel::RowChanged(int row) {
    if (DiffItem* item = ItemAt(row)) {
        StoreIcons(*item);
        emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    }
}

void DiffListModel::StoreIcons(DiffItem& item) {
    item.SetImage(kSideLeft, IconFor(item, kSideLeft));
    item.SetImage(kSideRight, IconFor(item, kSideRight));
}

int DiffListModel::IconFor(const DiffItem& item, int side) {
    if (!item.isFile) {
        if (!item.Has(side)) {
            return kIconFolderAbsent;
        }
        return item.expanded[side] ? kIconFolderOpen : kIconFolderClosed;
    }
    switch (item.FileState()) {
        case StatusSame:
            return kIconFileSame;
        case StatusDifferent:
            return kIconFileDifferent;
        case StatusLeftOnly:
            return side == kSideLeft ? kIconFileLeftOnly : kIconFileAbsent;
        case StatusRightOnly:
            return side == kSideRight ? kIconFileRightOnly : kIconFileAbsent;
        default:
            return item.Has(side) ? kIconFileDifferent : kIconFileAbsent;
    }
}

std::string DiffListModel::CellText(int row, int column) const {
    const DiffItem* item = ItemAt(row);
    if (!item || column < 0 || column >= columnCount()) {
        return {};
    }
    int side = SideOf(column);
    if (!item->Has(side)) {
        return {};
    }
    ColumnKind kind = KindOf(column);
    if (kind == ColumnKind::kName) {
        return item->Name(side);
    }
    if (!item->isFile) {
        return {};
    }
    switch (kind) {
        case ColumnKind::kVersion:
            return item->VersionText(side);
        case ColumnKind::kTime: {
            std::string text = item->TimeText(side);
            if (!detailTimestamp_) {
                text = text.substr(0, text.find(' '));
            }
            return text;
        }
        case ColumnKind::kSize:
            return item->SizeText(side);
        case ColumnKind::kName:
            break;
    }
    return {};
}

bool DiffListModel::IsConsistent(const DiffItem* root, std::string* why) const {
    auto fail = [why](const std::string& text) {
        if (why) {
            *why = text;
        }
        return false;
    };
    size_t i = 0;
    if (root) {
        for (DiffItem* item = root->firstChild; item; item = NextPreorder(item, root), ++i) {
            if (i >= rows_.size()) {
                return fail("the tree has more items than the list has rows");
            }
            if (rows_[i] != item) {
                return fail("row " + std::to_string(i) + " holds '" + rows_[i]->name +
                            "' instead of '" + item->name + "'");
            }
            if (item->row != static_cast<int32_t>(i)) {
                return fail("item '" + item->name + "' at row " + std::to_string(i) + " says row " +
                            std::to_string(item->row));
            }
        }
    }
    if (i != rows_.size()) {
        return fail("the list has " + std::to_string(rows_.size()) + " rows for " +
                    std::to_string(i) + " items");
    }
    return true;
}

int DiffListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : RowCount();
}

int DiffListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 2 * ColumnsPerSide();
}

QVariant DiffListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) {
        return {};
    }
    if (role == Qt::DisplayRole) {
        return QString::fromStdString(CellText(index.row(), index.column()));
    }
    if (role == kItemRole) {
        return QVariant::fromValue(static_cast<void*>(ItemAt(index.row())));
    }
    if (role == Qt::EditRole) {
        const DiffItem* item = ItemAt(index.row());
        const int side = SideOf(index.column());
        return item && item->Has(side) ? QString::fromStdString(item->Name(side)) : QString();
    }
    if (role == Qt::TextAlignmentRole) {
        // The last column of each half lines up at the right when it holds sizes.
        bool last = (index.column() + 1) % ColumnsPerSide() == 0;
        bool right = last && perSide_.back() == ColumnKind::kSize;
        return QVariant::fromValue(
            int((right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter));
    }
    return {};
}

Qt::ItemFlags DiffListModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    const DiffItem* item = index.isValid() ? ItemAt(index.row()) : nullptr;
    if (item && !item->IsDotDot() && KindOf(index.column()) == ColumnKind::kName &&
        item->Has(SideOf(index.column()))) {
        flags |= Qt::ItemIsEditable;
    }
    return flags;
}

QVariant DiffListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) {
        return {};
    }
    if (role == Qt::DisplayRole) {
        return QString::fromUtf8(ColumnTitle(KindOf(section)));
    }
    if (role == Qt::TextAlignmentRole) {
        bool last = (section + 1) % ColumnsPerSide() == 0;
        bool right = last && perSide_.back() == ColumnKind::kSize;
        return QVariant::fromValue(
            int((right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter));
    }
    return {};
}

}  // namespace quillon
