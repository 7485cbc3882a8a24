#include "ui/DiffRowDelegate.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>

#include "core/DiffItem.h"
#include "ui/DiffListModel.h"

namespace quillon {

QColor ColorFromBgr(uint32_t bgr) {
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

namespace {

void DrawFolder(QPainter& p, bool open, bool absent) {
    QColor edge = absent ? QColor(170, 170, 170) : QColor(150, 110, 20);
    QColor fill = absent ? QColor(0, 0, 0, 0) : QColor(250, 206, 90);
    QPen pen(edge, 1, absent ? Qt::DotLine : Qt::SolidLine);
    p.setPen(pen);
    p.setBrush(fill);
    QPainterPath back;
    back.moveTo(1.5, 3.5);
    back.lineTo(6.5, 3.5);
    back.lineTo(8, 5);
    back.lineTo(14.5, 5);
    back.lineTo(14.5, 13.5);
    back.lineTo(1.5, 13.5);
    back.closeSubpath();
    p.drawPath(back);
    if (open && !absent) {
        p.setBrush(QColor(255, 230, 150));
        QPainterPath lid;
        lid.moveTo(1.5, 13.5);
        lid.lineTo(4, 7.5);
        lid.lineTo(15.5, 7.5);
        lid.lineTo(13.5, 13.5);
        lid.closeSubpath();
        p.drawPath(lid);
    }
}

void DrawPage(QPainter& p, bool absent) {
    QPen pen(absent ? QColor(170, 170, 170) : QColor(90, 90, 90), 1,
             absent ? Qt::DotLine : Qt::SolidLine);
    p.setPen(pen);
    p.setBrush(absent ? QColor(0, 0, 0, 0) : QColor(255, 255, 255));
    QPainterPath page;
    page.moveTo(3.5, 1.5);
    page.lineTo(10, 1.5);
    page.lineTo(12.5, 4);
    page.lineTo(12.5, 14.5);
    page.lineTo(3.5, 14.5);
    page.closeSubpath();
    p.drawPath(page);
}

void DrawBadge(QPainter& p, const QColor& color, int kind) {
    // kind 0: equal sign, 1: unequal, 2: arrow left, 3: arrow right.
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(color, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    switch (kind) {
        case 0:
            p.drawLine(QPointF(5.5, 7), QPointF(10.5, 7));
            p.drawLine(QPointF(5.5, 10), QPointF(10.5, 10));
            break;
        case 1:
            p.drawLine(QPointF(5.5, 7), QPointF(10.5, 7));
            p.drawLine(QPointF(5.5, 10), QPointF(10.5, 10));
            p.drawLine(QPointF(6.5, 12.5), QPointF(9.5, 4.5));
            break;
        case 2:
            p.drawLine(QPointF(10.5, 8.5), QPointF(5.5, 8.5));
            p.drawLine(QPointF(5.5, 8.5), QPointF(7.8, 6));
            p.drawLine(QPointF(5.5, 8.5), QPointF(7.8, 11));
            break;
        case 3:
            p.drawLine(QPointF(5.5, 8.5), QPointF(10.5, 8.5));
            p.drawLine(QPointF(10.5, 8.5), QPointF(8.2, 6));
            p.drawLine(QPointF(10.5, 8.5), QPointF(8.2, 11));
            break;
        default:
            break;
    }
}

}  // namespace

std::array<QPixmap, 8> ItemIcons::Draw() {
    std::array<QPixmap, 8> icons;
    for (int i = 0; i < 8; ++i) {
        QPixmap pixmap(kSize, kSize);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        switch (i) {
            case kIconFolderClosed:
                DrawFolder(p, false, false);
                break;
            case kIconFolderOpen:
                DrawFolder(p, true, false);
                break;
            case kIconFileSame:
                DrawPage(p, false);
                DrawBadge(p, QColor(110, 110, 110), 0);
                break;
            case kIconFileDifferent:
                DrawPage(p, false);
                DrawBadge(p, QColor(220, 0, 0), 1);
                break;
            case kIconFileLeftOnly:
                DrawPage(p, false);
                DrawBadge(p, QColor(0, 155, 0), 2);
                break;
            case kIconFileRightOnly:
                DrawPage(p, false);
                DrawBadge(p, QColor(0, 0, 255), 3);
                break;
            case kIconFolderAbsent:
                DrawFolder(p, false, true);
                break;
            case kIconFileAbsent:
                DrawPage(p, true);
                break;
            default:
                break;
        }
        icons[static_cast<size_t>(i)] = pixmap;
    }
    return icons;
}

const QPixmap& ItemIcons::Get(int index) {
    static const std::array<QPixmap, 8> icons = Draw();
    return icons[static_cast<size_t>(index < 0 || index > 7 ? 0 : index)];
}

DiffRowDelegate::DiffRowDelegate(const ViewSettings* settings, const bool* filterActive,
                                 QObject* parent)
    : QStyledItemDelegate(parent), settings_(settings), filterActive_(filterActive) {}

NameCellLayout DiffRowDelegate::LayoutName(const QRect& cell, int level) {
    NameCellLayout layout;
    int x = cell.left() + 3 + std::max(level - 1, 0) * kIndent;
    int midY = cell.top() + cell.height() / 2;
    layout.glyph = QRect(x, midY - kGlyphSize / 2, kGlyphSize, kGlyphSize);
    int iconX = x + kGlyphSize + 3;
    layout.icon = QRect(iconX, midY - ItemIcons::kSize / 2, ItemIcons::kSize, ItemIcons::kSize);
    layout.textLeft = iconX + ItemIcons::kSize + 4;
    return layout;
}

bool DiffRowDelegate::HasGlyph(const DiffItem& item, int side) {
    return !item.isFile && !item.IsDotDot() && item.Has(side) && item.hasChildren[side];
}

int DiffRowDelegate::GlyphRowAt(const QTableView& list, const DiffListModel& model,
                                const QPoint& pos) {
    QModelIndex index = list.indexAt(pos);
    if (!index.isValid() || model.KindOf(index.column()) != ColumnKind::kName) {
        return -1;
    }
    const DiffItem* item = model.ItemAt(index.row());
    if (!item || !HasGlyph(*item, model.SideOf(index.column()))) {
        return -1;
    }
    NameCellLayout layout = LayoutName(list.visualRect(index), item->level);
    return layout.glyph.adjusted(-2, -2, 2, 2).contains(pos) ? index.row() : -1;
}

QString DiffRowDelegate::CellTip(const QTableView& list, const DiffListModel& model,
                                 const QModelIndex& index) {
    const DiffItem* item = model.ItemAt(index.row());
    if (!item) {
        return {};
    }
    int column = index.column();
    int side = model.SideOf(column);
    std::string text = model.CellText(index.row(), column);
    if (model.KindOf(column) == ColumnKind::kTime && item->isFile && item->Has(side)) {
        text = item->TimeText(side);
    }
    QString tip = QString::fromStdString(text);
    if (tip.isEmpty() ||
        QFontMetrics(list.font()).horizontalAdvance(tip) + 6 <= list.columnWidth(column)) {
        return {};
    }
    return tip.left(kTipMaxChars);
}

void DiffRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
    const auto* model = static_cast<const DiffListModel*>(index.model());
    const DiffItem* item = model->ItemAt(index.row());
    if (!item) {
        return;
    }
    // The list always shows its selection, also while a path box has the focus; the row a drag
    // would drop on is highlighted the same way.
    bool selected = (option.state & QStyle::State_Selected) != 0 || index.row() == dropRow_;
    QPalette palette = option.palette;
    QColor background = selected ? palette.color(QPalette::Active, QPalette::Highlight)
                        : index.row() % 2 == 0 ? ColorFromBgr(kEvenRowBackground)
                                               : palette.color(QPalette::Base);
    painter->save();
    painter->fillRect(option.rect, background);

    RowColorInput colorInput{item->Status(), selected, filterActive_ && *filterActive_};
    painter->setPen(ColorFromBgr(RowTextColor(*settings_, colorInput)));
    painter->setFont(option.font);

    int column = index.column();
    int side = model->SideOf(column);
    QString text = QString::fromStdString(model->CellText(index.row(), column));
    QRect textRect = option.rect.adjusted(4, 0, -4, 0);
    if (model->KindOf(column) == ColumnKind::kName) {
        NameCellLayout layout = LayoutName(option.rect, item->level);
        if (HasGlyph(*item, side)) {
            QRect g = layout.glyph;
            painter->setPen(QColor(128, 128, 128));
            painter->setBrush(QColor(255, 255, 255));
            painter->drawRect(g.adjusted(0, 0, -1, -1));
            painter->setPen(QColor(0, 0, 0));
            int midY = g.top() + g.height() / 2;
            int midX = g.left() + g.width() / 2;
            painter->drawLine(g.left() + 2, midY, g.right() - 2, midY);
            if (!item->expanded[side]) {
                painter->drawLine(midX, g.top() + 2, midX, g.bottom() - 2);
            }
            painter->setPen(ColorFromBgr(RowTextColor(*settings_, colorInput)));
        }
        int icon = item->Image(side);
        painter->drawPixmap(layout.icon.topLeft(), ItemIcons::Get(icon));
        textRect.setLeft(layout.textLeft);
    }
    int alignment = model->data(index, Qt::TextAlignmentRole).toInt();
    QString shown = option.fontMetrics.elidedText(text, Qt::ElideRight, textRect.width());
    painter->drawText(textRect, alignment, shown);
    painter->restore();
}

QSize DiffRowDelegate::sizeHint(const QStyleOptionViewItem& option,
                                const QModelIndex& /*index*/) const {
    return QSize(60, std::max(option.fontMetrics.height() + 4, ItemIcons::kSize + 2));
}

void DiffRowDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                           const QModelIndex& index) const {
    QRect rect = option.rect;
    const auto* model = qobject_cast<const DiffListModel*>(index.model());
    const DiffItem* item = model ? model->ItemAt(index.row()) : nullptr;
    if (item && model->KindOf(index.column()) == ColumnKind::kName) {
        rect.setLeft(std::min(LayoutName(rect, item->level).textLeft - 2, rect.right() - 20));
    }
    editor->setGeometry(rect);
}

}  // namespace quillon
