// "File Display Filter" (F3): the difference and extension halves of the display filter, the two
// lists of remembered extensions, expand-all and diluted folder colours.
#pragma once

#include <QDialog>
#include <memory>
#include <string>

#include "core/DisplayFilter.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QPushButton;
class QRadioButton;

namespace quillon {

class Prompter;
class SettingsStore;

inline constexpr char kFilterNote[] =
    "This filter allows you to view the files that you are interested in only.";

class CFilter : public QDialog {
    Q_OBJECT

  public:
    // `filter`, `useDilutedColor` and `readWholeTrees` (may be null) are the application's and
    // the view's own state: OK, "&Save current settings as default" and "&Reset" change them,
    // Cancel leaves them as the last of those left them.
    CFilter(QWidget* parent, SettingsStore& store, Prompter& prompter, FilterState& filter,
            bool& useDilutedColor, bool* readWholeTrees = nullptr);
    ~CFilter() override;

    const FilterDialog& Logic() const { return logic_; }

    QRadioButton* DisplayOption(int index) const { return displayButtons_[index]; }
    QRadioButton* ExtensionOption(int index) const { return extensionButtons_[index]; }
    QComboBox* InclusionCombo() const { return inclusionCombo_; }
    QComboBox* ExclusionCombo() const { return exclusionCombo_; }
    QCheckBox* ExpandAllBox() const { return expandAllBox_; }
    QCheckBox* DilutedBox() const { return dilutedBox_; }
    QPushButton* SaveDefaultButton() const { return saveDefaultButton_; }
    QPushButton* ResetButton() const { return resetButton_; }
    QPushButton* HelpButton() const { return helpButton_; }

    void OnSaveAsDefault();
    void OnReset();
    void accept() override;

  private:
    void BuildUi();
    void ReadControls();
    void ShowFields();
    void UpdateEnabled();

    FilterDialog logic_;
    QRadioButton* displayButtons_[3] = {};
    QRadioButton* extensionButtons_[3] = {};
    QButtonGroup* displayGroup_ = nullptr;
    QButtonGroup* extensionGroup_ = nullptr;
    QComboBox* inclusionCombo_ = nullptr;
    QComboBox* exclusionCombo_ = nullptr;
    QCheckBox* expandAllBox_ = nullptr;
    QCheckBox* dilutedBox_ = nullptr;
    QPushButton* saveDefaultButton_ = nullptr;
    QPushButton* resetButton_ = nullptr;
    QPushButton* helpButton_ = nullptr;
};

// What the window does after the filter dialog. On OK the window sets its title to `title`, the
// view's read-whole-trees flag has been set, and the view runs ReloadComparison keeping the
// selected row.
struct FilterResult {
    bool accepted = false;
    std::string title;
};

// `pairOpened`: the last opened folder filled the right side.
FilterResult RunFilter(QWidget* parent, SettingsStore& store, Prompter& prompter,
                       FilterState& filter, bool& useDilutedColor, bool& readWholeTrees,
                       bool pairOpened);

}  // namespace quillon
