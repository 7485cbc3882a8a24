// Draws a row of the main view as one owner-drawn line: alternating backgrounds, status colours,
// the indent, the expand glyph and the name-cell icons.
#pragma once

#include <QPixmap>
#include <QStyledItemDelegate>
#include <QTableView>
#include <array>

#include "ui/ViewSettings.h"

namespace quillon {

struct DiffItem;

// The eight name-cell icons, drawn once.
class ItemIcons {
  public:
    static constexpr int kSize = 16;
    static const QPixmap& Get(int index);

  private:
    static std::array<QPixmap, 8> Draw();
};

// Where the parts of a name cell go.
struct NameCellLayout {
    QRect glyph;
    QRect icon;
    int textLeft = 0;
};

class DiffListModel;

inline constexpr int kTipMaxChars = 79;

class DiffRowDelegate : public QStyledItemDelegate {
    Q_OBJECT

  public:
    static constexpr int kIndent = 16;
    static constexpr int kGlyphSize = 9;

    DiffRowDelegate(const ViewSettings* settings, const bool* filterActive,
                    QObject* parent = nullptr);

    static NameCellLayout LayoutName(const QRect& cell, int level);
    // The expand glyph is drawn on a side where the folder holds something.
    static bool HasGlyph(const DiffItem& item, int side);
    // The row whose expand glyph lies under the point of the list's viewport, or -1.
    static int GlyphRowAt(const QTableView& list, const DiffListModel& model, const QPoint& pos);
    // The tooltip of a cell: its full text (the full time for a file's time), empty when the
    // text fits the column.
    static QString CellTip(const QTableView& list, const DiffListModel& model,
                           const QModelIndex& index);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    // The name editor covers the text only, right of the indent and the icon.
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;

    // The row a drag is over, drawn highlighted; -1 for none.
    void SetDropRow(int row) { dropRow_ = row; }
    int DropRow() const { return dropRow_; }

  private:
    const ViewSettings* settings_;
    const bool* filterActive_;
    int dropRow_ = -1;
};

QColor ColorFromBgr(uint32_t bgr);

}  // namespace quillon
