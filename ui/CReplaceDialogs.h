// The questions asked before a copy or move replaces what is in its way: one file, one file of
// several (with Yes to All and Cancel), or a folder whose contents merge.
#pragma once

#include <QDialog>
#include <vector>

#include "fileops/CopyFilesDirsTo.h"
#include "fileops/ReplaceText.h"

class QPushButton;

namespace quillon {

// The question as the dialog of that kind asks it.
inline ReplaceQuestion AskedAs(ReplaceQuestion question, bool folder, bool several) {
    question.folder = folder;
    question.several = several;
    return question;
}

class CReplaceDialog : public QDialog {
    Q_OBJECT

  public:
    CReplaceDialog(QWidget* parent, const ReplaceQuestion& question);
    // mbr::kYes, kYesToAll, kNo or kCancel.
    int Ask();
    // The button of that result; null when the dialog has none.
    QPushButton* Button(int result) const;

  protected:
    void reject() override;

  private:
    ReplaceText text_;
    std::vector<QPushButton*> buttons_;
};

class CFileCopyReplace : public CReplaceDialog {
  public:
    CFileCopyReplace(QWidget* parent, const ReplaceQuestion& question)
        : CReplaceDialog(parent, AskedAs(question, false, false)) {}
};

class CFileMultiCopyReplace : public CReplaceDialog {
  public:
    CFileMultiCopyReplace(QWidget* parent, const ReplaceQuestion& question)
        : CReplaceDialog(parent, AskedAs(question, false, true)) {}
};

class CFolderCopyReplace : public CReplaceDialog {
  public:
    CFolderCopyReplace(QWidget* parent, const ReplaceQuestion& question)
        : CReplaceDialog(parent, AskedAs(question, true, true)) {}
};

// Asks with the dialog that fits the question.
class QtReplaceAsker : public ReplaceAsker {
  public:
    explicit QtReplaceAsker(QWidget* parent) : parent_(parent) {}
    int AskReplace(const ReplaceQuestion& question) override;

  private:
    QWidget* parent_;
};

}  // namespace quillon
