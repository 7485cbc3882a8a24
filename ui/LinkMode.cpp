#include "ui/LinkMode.h"

#include <QApplication>
#include <QHeaderView>
#include <QPainter>
#include <QPixmap>
#include <QTableView>

#include "doc/CQuillonDoc.h"
#include "doc/ToolLaunch.h"
#include "ui/DiffListModel.h"

namespace quillon {

namespace {

// A chain with the number of the entry the next click picks.
QCursor LinkCursor(int stage) {
    QPixmap pixmap(24, 24);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(Qt::black, 3));
    p.drawLine(1, 1, 7, 7);
    p.setPen(QPen(Qt::white, 1));
    p.drawLine(1, 1, 7, 7);
    p.setPen(QPen(QColor(40, 40, 160), 2));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(7, 9, 9, 6));
    p.drawEllipse(QRectF(13, 9, 9, 6));
    QFont font = p.font();
    font.setPixelSize(9);
    font.setBold(true);
    p.setFont(font);
    p.setPen(stage == 0 ? QColor(0, 130, 0) : QColor(200, 0, 0));
    p.drawText(QRect(12, 15, 12, 9), Qt::AlignCenter, stage == 0 ? "1" : "2");
    p.end();
    return QCursor(pixmap, 1, 1);
}

}  // namespace

void LinkMode::Set(bool on) {
    on_ = on;
    pick_.Reset();
    if (on) {
        list_.viewport()->setCursor(LinkCursor(0));
    } else {
        list_.viewport()->unsetCursor();
    }
}

void LinkMode::Click(const QPoint& viewportPos) {
    const int halfWidth = list_.viewport()->width() / 2;
    const int x = viewportPos.x() + list_.horizontalHeader()->offset();
    const int side = x < halfWidth ? kSideLeft : x < 2 * halfWidth ? kSideRight : -1;
    const DiffItem* item = model_.ItemAt(list_.rowAt(viewportPos.y()));
    if (side < 0 || !item || !item->Has(side)) {
        return;
    }
    std::string path = item->IsDotDot() ? ExtendPath(item->Dir(side), "..") : item->FullPath(side);
    switch (pick_.Pick(path, item->isFile != 0)) {
        case LinkPick::Step::kFirst:
            list_.viewport()->setCursor(LinkCursor(1));
            return;
        case LinkPick::Step::kOtherKind:
            QApplication::beep();
            return;
        case LinkPick::Step::kPair:
            break;
    }
    if (pick_.IsFile()) {
        tools_.OpenFiles({pick_.Path(0), pick_.Path(1)});
    } else {
        tools_.StartInstance(pick_.Path(0), pick_.Path(1));
    }
    Set(false);
}

}  // namespace quillon
