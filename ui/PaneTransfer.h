// Files leaving and entering the panes: rows dragged out of the list (to the other pane or to a
// file manager), files and folders dropped onto it, and the pane's rows put on the clipboard as a
// file list. Drops and pastes of cut files are journalled copies and moves like every other one.
#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

class QMimeData;

namespace quillon {

class CQuillonView;
class Prompter;
class ReplaceAsker;
struct DiffItem;

inline constexpr const char* kAskClipboardSide =
    "Please select which side of the selected item to copy to the clipboard.";
inline constexpr const char* kLogClipboardCopied = "Edit->Copy : contents in clipboard...";
inline constexpr const char* kLogClipboardFailed = "Edit->Copy : to clipboard failed";

enum class DropChoice { kCopy, kMove, kCancel };

class PaneTransfer : public QObject {
    Q_OBJECT

  public:
    struct Host {
        // The side question of the window (question text) -> 0, 1, 2 or -1.
        std::function<int(const std::string& question)> askSide;
        // A folder dropped to be compared: it becomes `side`'s folder and goes into its path box.
        std::function<void(int side, const std::string& folder)> openFolder;
        // The disk or the journal changed: the window's commands follow.
        std::function<void()> changed;
    };

    PaneTransfer(CQuillonView& view, Prompter& prompter, ReplaceAsker& asker, Host host);

    // The private type of drags that start in this program, made once per run.
    static QString PrivateMimeType();

    // The full paths of the selected rows of `pane` (".." stands for the pane's folder); rows
    // missing there are left out. `folders` (may be null) receives how many are folders.
    std::vector<std::string> SelectedPaths(int pane, int* folders = nullptr) const;
    // Ctrl+C and Ctrl+X: the side is asked, then the rows go to the clipboard as a file list.
    bool CopyToClipboard(bool cut);
    // The same for the rows of `pane`, without the question.
    bool CopyPaneToClipboard(int pane, bool cut);
    // Ctrl+V of files that were cut: they move into the paste folder of the selected row.
    void PasteCut(int side, const std::vector<std::string>& paths);
    // The clipboard's file list into the paste folder of the selected row in `side`: copied, or
    // moved when the files were cut.
    void PasteInto(int side);

    // The effect a drag of `data` would have at `pos` (viewport coordinates): copy or none.
    bool CanDropAt(const QMimeData* data, const QPoint& pos) const;
    // A drop of `data` at `pos`. A drag that started here with the right button asks the drop
    // menu first.
    void DropAt(const QMimeData* data, const QPoint& pos);
    // A folder opens in `side`; a text file goes to the text editor, another file is refused.
    void ProcessDropFiles(int side, const std::string& path);

    // Replaceable for tests: the drop menu at a point of the viewport.
    void SetDropMenuChooser(std::function<DropChoice(const QPoint&)> chooser) {
        menuChooser_ = std::move(chooser);
    }
    // The drag state a drag from `pane`'s selected rows sets up, without running the drag loop;
    // the returned data is the caller's.
    QMimeData* BeginDrag(int pane, int startRow, bool rightButton);
    int DropRow() const { return dropRow_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void StartDrag(const QPoint& pos);
    void ClearDrag();
    void SetDropRow(int row);
    void AutoScroll();
    void ShowStop(const std::string& text, const std::string& caption = std::string());
    bool AskYes(const std::string& text, const char* key);
    int PaneAt(const QPoint& pos) const;
    void Transfer(int pane, const std::string& folder, const std::vector<std::string>& paths,
                  bool copy);

    CQuillonView& view_;
    // Compared by pointer in the filter: the viewport's last events arrive while the view is being
    // torn down, when it can no longer be asked for its viewport.
    QPointer<QWidget> viewport_;
    Prompter& prompter_;
    ReplaceAsker& asker_;
    Host host_;
    std::function<DropChoice(const QPoint&)> menuChooser_;

    // Drag state: what is dragged from where, while a drag started here is running.
    bool dragging_ = false;
    bool rightButton_ = false;
    int sourcePane_ = -1;
    int startRow_ = -1;
    std::vector<std::string> draggedPaths_;
    std::vector<const DiffItem*> draggedRows_;
    bool droppedHere_ = false;

    QPoint pressPos_;
    Qt::MouseButton pressButton_ = Qt::NoButton;
    int dropRow_ = -1;
    QPoint lastPos_;
    QTimer scrollTimer_;
    int droppedFolders_ = 0;
};

}  // namespace quillon
