#include "ui/PaneTransfer.h"

#include <sys/stat.h>

#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QDrag>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>

#include "base/PathUtil.h"
#include "base/StringPrintf.h"
#include "fileops/DropRules.h"
#include "fileops/FileCopy.h"
#include "fileops/SinglePaneOps.h"
#include "platform/Log.h"
#include "platform/Prompter.h"
#include "ui/BusyGate.h"
#include "ui/CQuillonView.h"
#include "ui/ClipboardFiles.h"
#include "ui/DiffListModel.h"
#include "ui/DiffRowDelegate.h"
#include "ui/FileCommands.h"

namespace quillon {

namespace {

// The band along the top and bottom edge where a drag scrolls the list.
constexpr int kScrollMargin = 16;
constexpr int kScrollPauseMs = 100;

bool IsFolder(FileSystem& fs, const std::string& path) {
    struct stat st {};
    return fs.Stat(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, st) == 0 && S_ISDIR(st.st_mode);
}

DiffRowDelegate* DelegateOf(CQuillonView& view) {
    return qobject_cast<DiffRowDelegate*>(view.itemDelegate());
}

}  // namespace

PaneTransfer::PaneTransfer(CQuillonView& view, Prompter& prompter, ReplaceAsker& asker, Host host)
    : QObject(&view), view_(view), prompter_(prompter), asker_(asker), host_(std::move(host)) {
    PrivateMimeType();
    view_.setAcceptDrops(true);
    view_.viewport()->setAcceptDrops(true);
    viewport_ = view_.viewport();
    viewport_->installEventFilter(this);
    scrollTimer_.setInterval(kScrollPauseMs);
    connect(&scrollTimer_, &QTimer::timeout, this, [this] { AutoScroll(); });
}

QString PaneTransfer::PrivateMimeType() {
    static const QString type = "application/x-" + QString(kPrivateDragPrefix) +
                                QDateTime::currentDateTime().toString("yyyyMMdd_HHmmss_zzz");
    return type;
}

std::vector<std::string> PaneTransfer::SelectedPaths(int pane, int* folders) const {
    std::vector<std::string> paths;
    int folderCount = 0;
    const std::string& opened = view_.Doc().Path(pane);
    for (int row : view_.SelectedRows()) {
        const DiffItem* item = view_.Model().ItemAt(row);
        if (!item) {
            continue;
        }
        if (item->IsDotDot()) {
            if (!opened.empty()) {
                paths.push_back(opened);
                ++folderCount;
            }
        } else if (item->Has(pane)) {
            paths.push_back(item->FullPath(pane));
            folderCount += item->isFile ? 0 : 1;
        }
    }
    if (folders != nullptr) {
        *folders = folderCount;
    }
    return paths;
}

bool PaneTransfer::AskYes(const std::string& text, const char* key) {
    PromptRequest request;
    request.text = text;
    request.style = mb::kYesNo | mb::kIconQuestion;
    request.key = key;
    return prompter_.Ask(request) == mbr::kYes;
}

void PaneTransfer::ShowStop(const std::string& text, const std::string& caption) {
    PromptRequest request;
    request.text = text;
    if (!caption.empty()) {
        request.caption = caption;
    }
    request.style = mb::kOk | mb::kIconStop;
    prompter_.Ask(request);
}

bool PaneTransfer::CopyToClipboard(bool cut) {
    const int side = host_.askSide ? host_.askSide(kAskClipboardSide) : -1;
    return CopyPaneToClipboard(side, cut);
}

bool PaneTransfer::CopyPaneToClipboard(int side, bool cut) {
    if (side != 0 && side != 1) {
        return false;
    }
    int folders = 0;
    const std::vector<std::string> paths = SelectedPaths(side, &folders);
    if (paths.empty()) {
        return false;
    }
    if (folders > 0 && view_.GetComparison().filter.filterActive &&
        !AskYes(FilterFolderQuestion(kFilterDirClipboardFormat, kFilterDirClipboardTail, folders),
                kFilterDirClipboardKey)) {
        return false;
    }
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) {
        Log(kLogClipboardFailed);
        return false;
    }
    clipboard->setMimeData(MimeDataForPaths(paths, cut));
    Log(kLogClipboardCopied);
    return true;
}

void PaneTransfer::Transfer(int pane, const std::string& folder,
                            const std::vector<std::string>& paths, bool copy) {
    {
        BusyGate::Scope busy;
        view_.Doc().DropFiles(pane, folder, paths, copy, prompter_, asker_);
    }
    view_.Doc().GetRefresh().SemiRefresh();
    view_.viewport()->update();
    if (host_.changed) {
        host_.changed();
    }
}

void PaneTransfer::PasteCut(int side, const std::vector<std::string>& paths) {
    const std::vector<int> rows = view_.SelectedRows();
    const DiffItem* item = rows.empty() ? nullptr : view_.Model().ItemAt(rows.front());
    if (!item || paths.empty() || (side != 0 && side != 1)) {
        return;
    }
    const std::string folder = PasteFolder(*item, side, view_.Doc().Path(side));
    if (folder.empty()) {
        return;
    }
    Transfer(side, folder, paths, false);
    // Cut files are pasted once: what the clipboard named has moved away.
    QGuiApplication::clipboard()->clear();
}

void PaneTransfer::PasteInto(int side) {
    bool cut = false;
    const std::vector<std::string> paths =
        ClipboardFilePaths(QGuiApplication::clipboard()->mimeData(), &cut);
    if (paths.empty()) {
        return;
    }
    if (cut) {
        PasteCut(side, paths);
    } else {
        RunPaste(view_, side, paths, prompter_, asker_);
    }
}

QMimeData* PaneTransfer::BeginDrag(int pane, int startRow, bool rightButton) {
    draggedPaths_ = SelectedPaths(pane);
    draggedRows_.clear();
    for (int row : view_.SelectedRows()) {
        if (const DiffItem* item = view_.Model().ItemAt(row)) {
            draggedRows_.push_back(item);
        }
    }
    if (draggedPaths_.empty()) {
        ClearDrag();
        return nullptr;
    }
    dragging_ = true;
    droppedHere_ = false;
    rightButton_ = rightButton;
    sourcePane_ = pane;
    startRow_ = startRow;
    QMimeData* data = MimeDataForPaths(draggedPaths_, false);
    data->setData(PrivateMimeType(), QByteArray::fromStdString(UriListFromPaths(draggedPaths_)));
    return data;
}

void PaneTransfer::StartDrag(const QPoint& pos) {
    const int pane = PaneAt(pos);
    const int row = view_.rowAt(pos.y());
    if (pane < 0 || row < 0 || !view_.selectionModel()->isRowSelected(row, QModelIndex())) {
        return;
    }
    QMimeData* data = BeginDrag(pane, row, pressButton_ == Qt::RightButton);
    if (!data) {
        return;
    }
    auto* drag = new QDrag(&view_);
    drag->setMimeData(data);
    const Qt::DropAction result = drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
    if (dragging_ && !droppedHere_ && result == Qt::IgnoreAction && drag->target() == nullptr &&
        QApplication::widgetAt(QCursor::pos()) == nullptr) {
        ShowStop(kDropInvalidAreaText);
    }
    ClearDrag();
}

void PaneTransfer::ClearDrag() {
    dragging_ = false;
    rightButton_ = false;
    sourcePane_ = -1;
    draggedPaths_.clear();
    draggedRows_.clear();
    pressButton_ = Qt::NoButton;
    scrollTimer_.stop();
    SetDropRow(-1);
}

void PaneTransfer::SetDropRow(int row) {
    if (row == dropRow_) {
        return;
    }
    dropRow_ = row;
    if (DiffRowDelegate* delegate = DelegateOf(view_)) {
        delegate->SetDropRow(row);
    }
    view_.viewport()->update();
}

int PaneTransfer::PaneAt(const QPoint& pos) const {
    const int column = view_.columnAt(pos.x());
    return column < 0 ? -1 : view_.Model().SideOf(column);
}

void PaneTransfer::AutoScroll() {
    QScrollBar* bar = view_.verticalScrollBar();
    const int height = view_.viewport()->height();
    if (lastPos_.y() < kScrollMargin) {
        bar->setValue(bar->value() - 1);
    } else if (lastPos_.y() > height - kScrollMargin) {
        bar->setValue(bar->value() + 1);
    } else {
        scrollTimer_.stop();
    }
}

bool PaneTransfer::CanDropAt(const QMimeData* data, const QPoint& pos) const {
    if (!data) {
        return false;
    }
    if (dragging_ && data->hasFormat(PrivateMimeType())) {
        const int pane = PaneAt(pos);
        if (pane < 0) {
            return false;
        }
        return InsideDropAllowed(view_.GetComparison().Fs(),
                                 view_.Model().ItemAt(view_.rowAt(pos.y())), pane,
                                 view_.Doc().Path(pane), sourcePane_, draggedRows_, draggedPaths_);
    }
    return !ClipboardFilePaths(data).empty();
}

void PaneTransfer::DropAt(const QMimeData* data, const QPoint& pos) {
    const bool inside = dragging_ && data && data->hasFormat(PrivateMimeType());
    const std::vector<std::string> paths = inside ? draggedPaths_ : ClipboardFilePaths(data);
    const int pane = PaneAt(pos);
    const bool right = inside && rightButton_;
    const int startRow = startRow_;
    droppedHere_ = true;
    // The drag state goes before anything is asked: the questions run their own event loops.
    ClearDrag();
    if (pane < 0 || paths.empty()) {
        return;
    }
    CQuillonDoc& doc = view_.Doc();
    FileSystem& fs = view_.GetComparison().Fs();
    if (doc.Path(pane).empty()) {
        if (paths.size() == 1) {
            ProcessDropFiles(pane, paths.front());
        } else {
            ShowStop(kDropMultipleOnEmptyText);
        }
        return;
    }
    const DiffItem* item = view_.Model().ItemAt(view_.rowAt(pos.y()));
    if (!item) {
        return;
    }
    const std::string folder = DropFolder(*item, pane, doc.Path(pane));
    if (!inside && paths.size() == 1 && IsFolder(fs, paths.front())) {
        const std::string& dropped = paths.front();
        Log(kLogDropFilename, dropped.c_str());
        if (item->isFile) {
            ProcessDropFiles(pane, dropped);
            return;
        }
        if (AskYes(StringPrintf(kDropOpenVsCopyFormat, dropped, folder, dropped, folder, dropped,
                                kPaneNames[pane]),
                   kDropOpenVsCopyKey)) {
            ProcessDropFiles(pane, dropped);
            return;
        }
        if (!IsFolder(fs, folder)) {
            ShowStop(kDropMissingParentText);
            return;
        }
    }
    if (view_.GetComparison().filter.filterActive) {
        int folders = 0;
        for (const std::string& path : paths) {
            folders += IsFolder(fs, path) ? 1 : 0;
        }
        if (folders > 0 &&
            !AskYes(FilterFolderQuestion(kFilterDirDropFormat, kFilterDirDropTail, folders),
                    kFilterDirDropKey)) {
            return;
        }
    }
    bool copy = true;
    if (right) {
        DropChoice choice = DropChoice::kCancel;
        if (menuChooser_) {
            choice = menuChooser_(pos);
        } else {
            QMenu menu(&view_);
            QAction* copyHere = menu.addAction(kDropMenuTexts[0]);
            QAction* moveHere = menu.addAction(kDropMenuTexts[1]);
            menu.addAction(kDropMenuTexts[2]);
            QAction* chosen = menu.exec(view_.viewport()->mapToGlobal(pos));
            choice = chosen == copyHere   ? DropChoice::kCopy
                     : chosen == moveHere ? DropChoice::kMove
                                          : DropChoice::kCancel;
        }
        if (choice == DropChoice::kCancel) {
            return;
        }
        copy = choice == DropChoice::kCopy;
    }
    if (const std::optional<DropRefusal> refusal =
            CheckDrop(fs, doc.Path(pane), folder, paths, copy)) {
        ShowStop(refusal->text, refusal->caption);
        return;
    }
    // A row whose folder exists only in the other pane: its chain is made here, as a copy to the
    // other pane makes the missing parents of what it copies.
    if (const int error = MakeFolderChain(fs, folder); error != 0) {
        LogError(error, "Cannot create %s", folder.c_str());
        ShowStop(kDropMissingParentText, "");
        return;
    }
    Transfer(pane, folder, paths, copy);
    if (inside && startRow >= 0 && startRow < view_.Model().RowCount()) {
        view_.setCurrentIndex(view_.Model().index(startRow, 0));
    }
}

void PaneTransfer::ProcessDropFiles(int side, const std::string& path) {
    Log(kLogEnterProcessDrop, path.c_str());
    ClearDrag();
    if (IsFolder(view_.GetComparison().Fs(), path)) {
        ++droppedFolders_;
        if (droppedFolders_ == 1) {
            Log(kLogDropFirstDir, path.c_str());
        } else {
            Log(kLogDropNthDir, droppedFolders_, path.c_str());
        }
        view_.Doc().PurgeJournal(false, nullptr);
        if (host_.openFolder) {
            host_.openFolder(side, path);
        }
        if (host_.changed) {
            host_.changed();
        }
    } else if (IsDroppedTextFile(path)) {
        view_.Tools().LaunchFiles({path}, SiblingLaunchMode::kStartUp);
    } else {
        ShowStop(kNotTextViewText);
    }
    Log(kLogLeaveProcessDrop, path.c_str());
}

bool PaneTransfer::eventFilter(QObject* watched, QEvent* event) {
    if (viewport_ == nullptr || watched != viewport_) {
        return false;
    }
    switch (event->type()) {
        case QEvent::MouseButtonPress: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            pressPos_ = mouse->position().toPoint();
            pressButton_ = mouse->button() == Qt::LeftButton || mouse->button() == Qt::RightButton
                               ? mouse->button()
                               : Qt::NoButton;
            return false;
        }
        case QEvent::MouseButtonRelease:
            pressButton_ = Qt::NoButton;
            return false;
        case QEvent::MouseMove: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (pressButton_ == Qt::NoButton || !(mouse->buttons() & pressButton_) ||
                view_.Link().On() || view_.Editing() ||
                (mouse->position().toPoint() - pressPos_).manhattanLength() <
                    QApplication::startDragDistance()) {
                return false;
            }
            const QPoint from = pressPos_;
            pressButton_ = pressButton_ == Qt::RightButton ? Qt::RightButton : Qt::LeftButton;
            StartDrag(from);
            return true;
        }
        case QEvent::DragEnter: {
            // Taken whenever it carries files, so that the moves over rows that refuse it still
            // arrive; each move decides for its row.
            auto* enter = static_cast<QDragEnterEvent*>(event);
            const QMimeData* data = enter->mimeData();
            if (!data ||
                (!data->hasFormat(PrivateMimeType()) && ClipboardFilePaths(data).empty())) {
                enter->ignore();
                return true;
            }
            enter->accept();
            const bool allowed = CanDropAt(data, enter->position().toPoint());
            enter->setDropAction(allowed ? Qt::CopyAction : Qt::IgnoreAction);
            SetDropRow(allowed ? view_.rowAt(enter->position().toPoint().y()) : -1);
            return true;
        }
        case QEvent::DragMove: {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            lastPos_ = drag->position().toPoint();
            if (lastPos_.y() < kScrollMargin ||
                lastPos_.y() > view_.viewport()->height() - kScrollMargin) {
                if (!scrollTimer_.isActive()) {
                    scrollTimer_.start();
                }
            }
            if (CanDropAt(drag->mimeData(), lastPos_)) {
                drag->setDropAction(Qt::CopyAction);
                drag->accept();
                SetDropRow(view_.rowAt(lastPos_.y()));
            } else {
                drag->ignore();
                SetDropRow(-1);
            }
            return true;
        }
        case QEvent::DragLeave:
            scrollTimer_.stop();
            SetDropRow(-1);
            return true;
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            drop->setDropAction(Qt::CopyAction);
            drop->accept();
            DropAt(drop->mimeData(), drop->position().toPoint());
            return true;
        }
        default:
            return false;
    }
}

}  // namespace quillon
