// A folder path box: an editable combo box that takes a folder dropped from a file manager and
// whose list opens as wide as its widest entry. Paths are the file system's bytes, which need not
// be UTF-8: each entry keeps its bytes beside the text it shows, so a path read from the disk goes
// back to the disk unchanged; only a typed text is encoded.
#pragma once

#include <QComboBox>
#include <functional>
#include <string>
#include <vector>

namespace quillon {

inline constexpr const char* kDroppedFileMessage =
    "The dropped item is a file.\nSince only folder is accepted, it will be ignored.";

// Whether the path names a folder (links followed).
bool IsFolderPath(const std::string& path);

class CDropCombo : public QComboBox {
    Q_OBJECT

  public:
    explicit CDropCombo(QWidget* parent = nullptr);

    // Shows the rejection of a dropped file; set by the frame (a message box through the
    // prompter).
    void SetFileRejected(std::function<void(const std::string&)> handler) {
        fileRejected_ = std::move(handler);
    }
    // Takes the first of the dropped local paths: a folder becomes the text, a file is rejected.
    // Returns whether the text changed.
    bool AcceptDroppedPaths(const std::vector<std::string>& paths);

    void InsertPath(int index, const std::string& path);
    // The entry holding exactly these bytes, or -1.
    int FindPath(const std::string& path) const;
    std::string PathAt(int index) const;
    // The path the text field names: the bytes of the entry or of the path put there by the
    // program while the text still shows it, else the typed text.
    std::string CurrentPath() const;
    void SetEditPath(const std::string& path);
    // Width of the opened list: the widest entry plus a scroll bar and one "0".
    int PopupWidth() const;

    // The text and entry the box showed before the user picked from its list.
    void RememberCurrent();
    const QString& PreviousText() const { return previousText_; }
    int PreviousIndex() const { return previousIndex_; }

    void showPopup() override;

  signals:
    void enterPressed();

  protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    std::function<void(const std::string&)> fileRejected_;
    std::string editPath_;
    QString editText_;
    QString previousText_;
    int previousIndex_ = -1;
};

}  // namespace quillon
