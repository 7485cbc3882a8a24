// "Multiple File Rename": six pages chosen from a tree, each collecting the options of one rename
// rule and showing what it would do. The pages hold no rule of their own: the names, the checks
// and the passes are the rename floor's; a page only keeps its widgets and its options in step.
#pragma once

#include <QDialog>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "rename/RenamePass.h"
#include "rename/RenameRules.h"
#include "rename/TimestampPass.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QStackedWidget;
class QTreeWidget;
class QVBoxLayout;

namespace quillon {

class FileSystem;
class Prompter;
class SettingsStore;
class UndoJournal;

inline constexpr const char* kMultiRenameTitle = "Multiple File Rename";
inline constexpr const char* kRenamingFilesCaption = "Renaming Multiple Files";
inline constexpr const char* kRenamingFoldersCaption = "Renaming Multiple Folders";
inline constexpr const char* kMixedSelectionText =
    "You cannot mix the folder(s) and the file(s) for multi-rename.";
inline constexpr const char* kSimulatedResultLabel = "Simulated Result";

// What the wizard works on and with.
struct MultiRenameSetup {
    std::vector<RenameEntry> entries;  // in list order
    bool files = true;                 // false: every entry is a folder
    FileSystem* fs = nullptr;
    Prompter* prompter = nullptr;
    SettingsStore* store = nullptr;  // null: the defaults, nothing saved
    // The view's journal (a pass is journalled while it is switched on); null stand-alone.
    UndoJournal* journal = nullptr;
    int side = 0;
};

// What the pages share: the setup and every page's options.
struct MultiRenameState {
    MultiRenameSetup setup;
    RenameOptions options;
};

// The part every page shares: its title, the page's own controls, the "Simulated Result" box
// (on the renaming pages) and the status line.
class CMultRenamePage : public QWidget {
    Q_OBJECT

  public:
    CMultRenamePage(int number, const char* title, MultiRenameState& state, QWidget* parent);

    int Number() const { return number_; }
    QString Title() const { return title_; }
    // The result box's text as the rule gives it (CR LF lines, names as bytes).
    const std::string& SimulatedText() const { return simulated_; }
    QPlainTextEdit* ResultBox() const { return resultBox_; }
    QLabel* StatusLine() const { return statusLine_; }
    void SetStatus(std::string_view text);

    // The options into the widgets (after a load or a check that trimmed them).
    virtual void ShowOptions() = 0;
    // Builds the simulated result again from the options.
    virtual void Simulate();

  protected:
    // A mode button with its `text`, in `modes`, numbered `mode`.
    QRadioButton* AddMode(QButtonGroup* modes, int mode, const char* text);
    // A help line in a smaller, greyed font.
    QLabel* AddHelp(const QString& text, QWidget* parent = nullptr);
    // The result box and the status line at the bottom of the page.
    void AddResultBox(const char* label = kSimulatedResultLabel);
    // A text field whose edits pass `clean`, which may put up a message and gives the text kept.
    void CleanOnEdit(QLineEdit* field, std::function<std::string(const std::string&)> clean,
                     std::function<void(const std::string&)> store);

    MultiRenameState& state_;
    QVBoxLayout* body_;

  private:
    int number_;
    QString title_;
    std::string simulated_;
    QPlainTextEdit* resultBox_ = nullptr;
    QLabel* statusLine_ = nullptr;
};

// Page 1: prefix, suffix, a numeric prefix added or removed.
class CMultRenameAdd2Existing : public CMultRenamePage {
    Q_OBJECT

  public:
    CMultRenameAdd2Existing(MultiRenameState& state, QWidget* parent);
    void ShowOptions() override;
    QRadioButton* Mode(int mode) const { return modes_[mode]; }
    QLineEdit* TextField() const { return text_; }
    QLabel* TextLabel() const { return textLabel_; }
    QComboBox* Digits() const { return digits_; }
    QComboBox* RemoveDigits() const { return removeDigits_; }

  private:
    void OnMode(int mode);
    QRadioButton* modes_[4] = {};
    QLineEdit* text_;
    QLabel* textLabel_;
    QComboBox* digits_;
    QComboBox* removeDigits_;
};

// Page 2: numbered names with a prefix, or a new extension.
class CMultRenameNewNameExt : public CMultRenamePage {
    Q_OBJECT

  public:
    CMultRenameNewNameExt(MultiRenameState& state, QWidget* parent);
    void ShowOptions() override;
    QRadioButton* Mode(int mode) const { return modes_[mode]; }
    QLineEdit* TextField() const { return text_; }
    QLineEdit* NumberField() const { return number_; }

  private:
    void OnMode(int mode);
    QRadioButton* modes_[2] = {};
    QLineEdit* text_;
    QLabel* textLabel_;
    QLineEdit* number_;
};

// Page 3: the part in front of the N-th last delimiter, or behind the N-th first.
class CMultRenamePartialDelim : public CMultRenamePage {
    Q_OBJECT

  public:
    CMultRenamePartialDelim(MultiRenameState& state, QWidget* parent);
    void ShowOptions() override;
    QRadioButton* Mode(int mode) const { return modes_[mode]; }
    QSpinBox* Count(int mode) const { return counts_[mode]; }
    QLineEdit* Delimiter(int mode) const { return delimiters_[mode]; }
    QLabel* Ordinal(int mode) const { return ordinals_[mode]; }
    QLineEdit* TextField() const { return text_; }

  private:
    void OnMode(int mode);
    void OnCount(int mode, int value);
    QRadioButton* modes_[2] = {};
    QSpinBox* counts_[2] = {};
    QLineEdit* delimiters_[2] = {};
    QLabel* ordinals_[2] = {};
    QString previousDelimiter_[2];
    QLineEdit* text_;
};

// Page 4: the first, the last or every occurrence of a string replaced.
class CMultRenameChangeSpecificWord : public CMultRenamePage {
    Q_OBJECT

  public:
    CMultRenameChangeSpecificWord(MultiRenameState& state, QWidget* parent);
    void ShowOptions() override;
    QRadioButton* Mode(int mode) const { return modes_[mode]; }
    QLineEdit* OldField(int mode) const { return olds_[mode]; }
    QLineEdit* NewField() const { return new_; }

  private:
    void OnMode(int mode);
    std::string& NewOfMode();
    QRadioButton* modes_[3] = {};
    QLineEdit* olds_[3] = {};
    QLabel* newLabel_;
    QLineEdit* new_;
};

// Page 5: a pattern with at most one '*' rebuilt by a new pattern.
class CMultRenameChangePattern : public CMultRenamePage {
    Q_OBJECT

  public:
    CMultRenameChangePattern(MultiRenameState& state, QWidget* parent);
    void ShowOptions() override;
    QRadioButton* Mode(int mode) const { return modes_[mode]; }
    QLineEdit* PatternField() const { return pattern_; }
    QLineEdit* NewPatternField() const { return newPattern_; }

  private:
    QRadioButton* modes_[3] = {};
    QLineEdit* pattern_;
    QLineEdit* newPattern_;
};

// Page 6: the files' times set to now; it renames nothing and shows the file list instead.
class CMultRenameTimestamp : public CMultRenamePage {
    Q_OBJECT

  public:
    CMultRenameTimestamp(MultiRenameState& state, QWidget* parent);
    void ShowOptions() override;
    void Simulate() override;
    QRadioButton* Mode(int mode) const { return modes_[mode]; }
    QLineEdit* IntervalField() const { return interval_; }
    QCheckBox* DateBox() const { return useDate_; }
    QDateEdit* DatePicker() const { return date_; }
    // The picker into the options.
    void TakeDate();

  private:
    QRadioButton* modes_[2] = {};
    QLineEdit* interval_;
    QCheckBox* useDate_;
    QDateEdit* date_;
};

class CMultiRename : public QDialog {
    Q_OBJECT

  public:
    // Loads every page's options and opens on the page of the last OK.
    CMultiRename(QWidget* parent, MultiRenameSetup setup);
    ~CMultiRename() override;

    int CurrentPage() const;  // 1..6
    void SetCurrentPage(int page);
    CMultRenamePage* Page(int page) const { return pages_[page - 1]; }
    QTreeWidget* PageTree() const { return tree_; }
    QPushButton* OkButton() const { return ok_; }
    const RenameOptions& Options() const { return state_.options; }
    bool Files() const { return state_.setup.files; }

    // After an OK on a renaming page: what the pass did.
    const RenamePassResult& PassResult() const { return pass_; }

    // OK: the visible page acts; a refused check keeps the wizard open.
    void accept() override;

  private:
    int LoadLastPageNumber() const;
    bool ApplyRenames(int page);
    bool ApplyTimestamps();
    void ShowFailures(const std::string& text);

    MultiRenameState state_;
    QTreeWidget* tree_;
    QStackedWidget* stack_;
    CMultRenamePage* pages_[kRenamePageCount] = {};
    QPushButton* ok_;
    RenamePassResult pass_;
};

}  // namespace quillon
