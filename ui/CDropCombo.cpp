#include "ui/CDropCombo.h"

#include <sys/stat.h>
#include <QAbstractItemView>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QScrollBar>
#include <QStyle>
#include <QUrl>

namespace quillon {
namespace {

QString Shown(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

}  // namespace

bool IsFolderPath(const std::string& path) {
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

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

bool CDropCombo::AcceptDroppedPaths(const std::vector<std::string>& paths) {
    if (paths.empty()) {
        return false;
    }
    if (IsFolderPath(paths.front())) {
        SetEditPath(paths.front());
        return true;
    }
    if (fileRejected_) {
        fileRejected_(kDroppedFileMessage);
    }
    return false;
}

void CDropCombo::InsertPath(int index, const std::string& path) {
    insertItem(index, Shown(path), QByteArray::fromStdString(path));
}

int CDropCombo::FindPath(const std::string& path) const {
    const QByteArray bytes = QByteArray::fromStdString(path);
    for (int i = 0; i < count(); ++i) {
        if (itemData(i).toByteArray() == bytes) {
            return i;
        }
    }
    return -1;
}

std::string CDropCombo::PathAt(int index) const {
    const QVariant bytes = itemData(index);
    return bytes.isValid() ? bytes.toByteArray().toStdString()
                           : QFile::encodeName(itemText(index)).toStdString();
}

std::string CDropCombo::CurrentPath() const {
    const QString text = currentText();
    if (!editText_.isNull() && text == editText_) {
        return editPath_;
    }
    if (currentIndex() >= 0 && itemText(currentIndex()) == text) {
        return PathAt(currentIndex());
    }
    return QFile::encodeName(text).toStdString();
}

void CDropCombo::SetEditPath(const std::string& path) {
    editPath_ = path;
    editText_ = Shown(path);
    setEditText(editText_);
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
    std::vector<std::string> paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) {
            // The encoded form keeps bytes that are not UTF-8 as escapes; toLocalFile would
            // replace them.
            paths.push_back(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1())
                                .toStdString());
        }
    }
    if (!paths.empty()) {
        event->acceptProposedAction();
        AcceptDroppedPaths(paths);
    }
}

}  // namespace quillon
