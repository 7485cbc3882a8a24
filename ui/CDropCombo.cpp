#include "ui/CDropCombo.h"

#include <QAbstractItemView>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLineEdit>
#include <QMimeData>
#include <QScrollBar>
#include <QStyle>
#include <QUrl>

namespace quillon {

CDropCombo::CDropCombo(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    // Entries are added by the frame (the shared folder list), never by typing.
    setInsertPolicy(QComboBox::NoInsert);
    setAcceptDrops(true);
    lineEdit()->setAcceptDrops(false);
    setMaxVisibleItems(20);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(10);
    setCompleter(nullptr);
    connect(lineEdit(), &QLineEdit::returnPressed, this, &CDropCombo::enterPressed);
}

bool CDropCombo::AcceptDroppedPaths(const QStringList& paths) {
    if (paths.isEmpty()) {
        return false;
    }
    const QString& first = paths.front();
    QFileInfo info(first);
    if (info.isDir()) {
        setEditText(first);
        return true;
    }
    if (fileRejected_) {
        fileRejected_(kDroppedFileMessage);
    }
    return false;
}

int CDropCombo::PopupWidth() const {
    QFontMetrics metrics(view()->font());
    int widest = 0;
    for (int i = 0; i < count(); ++i) {
        widest = std::max(widest, metrics.horizontalAdvance(itemText(i)));
    }
    int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    return widest + scrollBar + metrics.horizontalAdvance(QLatin1Char('0'));
}

void CDropCombo::RememberCurrent() {
    previousText_ = currentText();
    previousIndex_ = currentIndex();
}

void CDropCombo::showPopup() {
    RememberCurrent();
    view()->setMinimumWidth(std::max(width(), PopupWidth()));
    QComboBox::showPopup();
}

void CDropCombo::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    }
}

void CDropCombo::dragMoveEvent(QDragMoveEvent* event) {
    if (event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    }
}

void CDropCombo::dropEvent(QDropEvent* event) {
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) {
            paths << url.toLocalFile();
        }
    }
    if (!paths.isEmpty()) {
        event->acceptProposedAction();
        AcceptDroppedPaths(paths);
    }
}

}  // namespace quillon
