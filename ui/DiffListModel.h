// The rows of the main view: one DiffItem per row, in depth-first order, kept in a vector so that
// the list asks for a row or a cell in constant time. Expanding and collapsing change the vector
// by one contiguous block each.
#pragma once

#include <QAbstractTableModel>
#include <functional>
#include <string>
#include <vector>

#include "core/DiffItem.h"
#include "ui/ViewSettings.h"

namespace quillon {

class DiffListModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    static constexpr int kItemRole = Qt::UserRole + 1;
    // Rows per block of a fill into an empty list: a few milliseconds of work for the walk and
    // for the view's reaction to the insert.
    static constexpr int kFillBlockRows = 8192;

    explicit DiffListModel(QObject* parent = nullptr);

    // Changes the columns (a reset: the list shows new columns).
    void SetColumns(const std::vector<ColumnKind>& perSide, bool detailTimestamp);
    int ColumnsPerSide() const { return static_cast<int>(perSide_.size()); }
    ColumnKind KindOf(int column) const { return perSide_[column % perSide_.size()]; }
    int SideOf(int column) const { return column < ColumnsPerSide() ? kSideLeft : kSideRight; }
    bool DetailTimestamp() const { return detailTimestamp_; }

    // One row per item below `root`, depth-first; existing rows are overwritten, missing ones
    // inserted and surplus ones removed, so the selection survives a refill. Into an empty list
    // the rows go in blocks of `blockRows`, each appended at the end and followed (unless it is
    // the last) by `betweenBlocks`, which may let the event loop turn: a whole tree of a million
    // items takes long enough to walk and insert that the window would stall. The walk that
    // counts the rows first pauses as often. The caller keeps the tree unchanged meanwhile. A list
    // that has rows takes the new ones in one change: its old rows may name items already freed,
    // which nothing may paint.
    void Fill(DiffItem* root, const std::function<void()>& betweenBlocks = {},
              int blockRows = kFillBlockRows);
    void Clear();
    // The shown descendants of `item` (at `row`) become the rows right below it.
    void InsertChildRows(DiffItem* item, int row);
    // Removes the rows of `item`'s descendants; the items themselves are freed by the caller.
    void RemoveDescendantRows(DiffItem* item, int row);
    // Removes the rows of `item` and its descendants (the item is about to be freed).
    void RemoveItemRows(DiffItem* item);
    // Tells the list that the row's item changed (icons, status).
    void RowChanged(int row);

    DiffItem* ItemAt(int row) const {
        return row >= 0 && row < static_cast<int>(rows_.size()) ? rows_[row] : nullptr;
    }
    const std::vector<DiffItem*>& Rows() const { return rows_; }
    int RowCount() const { return static_cast<int>(rows_.size()); }

    // The text of a cell as the list shows it.
    std::string CellText(int row, int column) const;
    // The icon of a name cell (the image list index).
    static int IconFor(const DiffItem& item, int side);
    static void StoreIcons(DiffItem& item);

    // The rows are exactly the depth-first order of the tree below `root`, and every item's
    // `row` is its position.
    bool IsConsistent(const DiffItem* root, std::string* why = nullptr) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    // A name cell of a side that holds the entry can take the in-place editor.
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    void Renumber(int from);
    void AppendInBlocks(DiffItem* root, const std::function<void()>& betweenBlocks, int blockRows);
    static void AppendSubtree(DiffItem* holder, std::vector<DiffItem*>& out);

    std::vector<DiffItem*> rows_;
    std::vector<ColumnKind> perSide_{ColumnKind::kName};
    bool detailTimestamp_ = false;
};

// Column header texts.
const char* ColumnTitle(ColumnKind kind);

}  // namespace quillon
