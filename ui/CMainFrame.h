// The main window: menus, the two folder path boxes over the two halves of the list, the status
// bar with both paths, the window placement and the auto-refresh timer.
#pragma once

#include <QMainWindow>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>

#include "core/FilterState.h"

class QAction;
class QLabel;

namespace quillon {

class CDropCombo;
class CQuillonView;
class Prompter;
class ProgressFactory;
class SettingsStore;

inline constexpr const char* kFrameTitle = "Quillon";
inline constexpr const char* kFrameFilteredSuffix = " - Filtered View";
inline constexpr const char* kDir2OpenKey = "Software\\Marrowby\\Quillon\\MRU\\Dir2Open";
inline constexpr const char* kBrowseLeftTitle = "Select the FIRST folder.";
inline constexpr const char* kBrowseRightTitle = "Select the SECOND folder.";
inline constexpr const char* kTypedFolderMissingFormat =
    "The following folder no longer exists:\n\t\"%s\"";
inline constexpr const char* kChosenFolderMissingFormat =
    "The following folder no longer exists:\n%s";
inline constexpr int kPathBoxMaxChars = 1024;
inline constexpr int kShowNormal = 1;

class CMainFrame : public QMainWindow {
    Q_OBJECT

  public:
    // Without a prompter the frame shows message boxes of its own. Without a store nothing is
    // read or written.
    explicit CMainFrame(SettingsStore* store, Prompter* prompter = nullptr,
                        QWidget* parent = nullptr);
    ~CMainFrame() override;

    CQuillonView* View() const { return view_; }
    CDropCombo* Combo(int side) const { return combos_[side]; }
    QLabel* StatusPath(int side) const { return statusPaths_[side]; }

    // Shows the frame where it was last closed (the saved show state applies when `showCommand`
    // is the normal one) and fills both path boxes from the folder list.
    void ShowWithSavedPlacement(int showCommand = kShowNormal);
    // Adds the trimmed path to the shared folder list and puts it on top of that side's box.
    void AddPathToCombo(const std::string& path, int side);
    bool OpenPath(const std::string& path);
    void SetFilterState(const FilterState& filter);
    QString TitleText() const;

    // The path-box commands of one side.
    void BrowseFolder(int side);
    void OnComboEnter(int side);
    void OnComboChosen(int side, int index);
    bool CanReload(int side) const;
    void ReloadSide(int side);

    void PauseAutoRefresh();
    void ResumeAutoRefresh();
    bool AutoRefreshRunning() const { return refreshTimer_.isActive(); }

    // Replaceable for tests: the folder chooser (title, start folder) -> chosen or empty.
    void SetFolderChooser(std::function<QString(const QString&, const QString&)> chooser) {
        folderChooser_ = std::move(chooser);
    }

    QAction* IncludeFoldersAction() const { return includeFoldersAction_; }
    QAction* LinkAction() const { return linkAction_; }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void BuildMenus();
    void BuildPathBar();
    void LayoutBars(int halfWidth);
    void ShowError(const std::string& text);
    void FocusList();
    void FillCombosFromMru();

    SettingsStore* store_;
    std::unique_ptr<Prompter> ownPrompter_;
    Prompter* prompter_;
    std::unique_ptr<ProgressFactory> progressFactory_;
    CQuillonView* view_ = nullptr;
    CDropCombo* combos_[2] = {};
    QLabel* statusPaths_[2] = {};
    QAction* reloadActions_[2] = {};
    QAction* includeFoldersAction_ = nullptr;
    QAction* linkAction_ = nullptr;
    QTimer refreshTimer_;
    bool timerWasRunning_ = false;
    std::function<QString(const QString&, const QString&)> folderChooser_;
};

}  // namespace quillon
