// The properties of the selected items of one pane: where they are, how big they are, a summary
// (version lines of a program, else the file and folder counts) and the read-only attribute, which
// OK applies to every selected item (folders with what they hold). Hidden is the leading dot of a
// name here: shown, but not changeable.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "fileops/FileProperties.h"

class QCheckBox;
class QLabel;
class QPlainTextEdit;

namespace quillon {

class FileSystem;
class ProgressFactory;

class CAttribChanges : public QDialog {
    Q_OBJECT

  public:
    // `names` are entries of `location`; `progress` (may be null) shows the change of a large tree.
    CAttribChanges(QWidget* parent, FileSystem& fs, std::string location,
                   std::vector<std::string> names, ProgressFactory* progress);

    const FileProperties& Properties() const { return properties_; }
    QLabel* LocationText() const { return location_; }
    QLabel* SizeText() const { return size_; }
    QCheckBox* ReadOnlyBox() const { return readOnly_; }
    QCheckBox* HiddenBox() const { return hidden_; }
    QPlainTextEdit* Summary() const { return summary_; }
    // Items whose attribute could not be changed by the last OK.
    int Failed() const { return failed_; }

    void accept() override;

  private:
    FileSystem& fs_;
    std::string locationPath_;
    std::vector<std::string> names_;
    ProgressFactory* progress_;
    FileProperties properties_;
    QLabel* location_;
    QLabel* size_;
    QCheckBox* readOnly_;
    QCheckBox* hidden_;
    QPlainTextEdit* summary_;
    int failed_ = 0;
};

}  // namespace quillon
