// The main window: menus, the two folder path boxes over the two halves of the list, the status
// bar with both paths, the window placement and the auto-refresh timer.
#pragma once

#include <QMainWindow>
#include <functional>
#include <memory>
#include <string>

#include "core/FilterState.h"

class QAction;
class QKeySequence;
class QLabel;
class QMenu;

namespace quillon {

class AutoRefreshTimer;
class CDropCombo;
class CQuillonView;
class PaneCommands;
class PaneTransfer;

inline constexpr const char* kSetAsRootQuestion =
    "Please select which side of the selected item as a root.";
class DiffItem;
class Prompter;
class ProgressFactory;
class QtTimerPort;
class RefreshClock;
class ReplaceAsker;
class SettingsStore;
class TabHeldFilter;

inline constexpr const char* kBrowseLeftTitle = "Select the FIRST folder.";
inline constexpr const char* kBrowseRightTitle = "Select the SECOND folder.";
inline constexpr const char* kTypedFolderMissingFormat =
    "The following folder no longer exists:\n\t\"%s\"";
inline constexpr const char* kChosenFolderMissingFormat =
    "The following folder no longer exists:\n%s";
inline constexpr int kPathBoxMaxChars = 1024;
inline constexpr int kShowNormal = 1;

inline constexpr const char* kMenuPreferences = "&Preferences...";
inline constexpr const char* kMenuFilter = "&Filter...";
inline constexpr const char* kMenuEnableAutoRefresh = "&Enable Auto-Refresh";
inline constexpr const char* kMenuDisableAutoRefresh = "&Disable  Auto-Refresh";
inline constexpr const char* kMenuRefreshInterval = "Auto-Refresh &Interval...";
inline constexpr const char* kMenuSaveOutputAsText = "&Save Output as Text file...";
inline constexpr const char* kMenuLogging = "&Logging Enabled";

// What the frame talks to the outside through. Every null member is replaced by the real thing:
// message boxes, progress windows and the system clock. The sibling tools are found and started
// through the current RunContext.
struct FrameServices {
    Prompter* prompter = nullptr;
    ProgressFactory* progress = nullptr;
    const RefreshClock* clock = nullptr;
    // The questions before a paste replaces something.
    ReplaceAsker* replaceAsker = nullptr;
};

class CMainFrame : public QMainWindow {
    Q_OBJECT

  public:
    // Without a prompter the frame shows message boxes of its own. Without a store nothing is
    // read or written.
    explicit CMainFrame(SettingsStore* store, Prompter* prompter = nullptr,
                        QWidget* parent = nullptr);
    CMainFrame(SettingsStore* store, const FrameServices& services, QWidget* parent = nullptr);
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

    // The auto-refresh timer; null without a settings store.
    AutoRefreshTimer* AutoRefresh() const { return autoRefresh_.get(); }
    QtTimerPort* TimerPort() const { return timerPort_; }
    void PauseAutoRefresh();
    void ResumeAutoRefresh();
    bool AutoRefreshRunning() const;

    // The menu commands that open dialogs or switch the timer.
    void OnPreferences();
    void OnFilter();
    void OnEnableAutoRefresh();
    void OnDisableAutoRefresh();
    void OnRefreshInterval();
    void OnSaveOutputAsText();
    void BuildPrintCommands(QMenu* file);
    void OnToggleLogging();
    // Set as a Root: the side is asked; the selected folder becomes that side's compared root.
    void SetAsRoot();
    // The same on one side, without the question.
    void MakeCurrentFolderRoot(int side);
    // 0 left, 1 right, 2 both, -1 none: a side without a candidate among the selected rows is
    // out, and the question is asked only when both sides have one.
    int AskWhichSide(int allowed, bool firstSelectedOnly, bool keepDotDot,
                     const std::string& question);
    // Replaceable for tests: the side question.
    void SetSideChooser(std::function<int(const QString& question, int allowed)> chooser) {
        sideChooser_ = std::move(chooser);
    }
    // Enables the commands that apply now and sets the check marks.
    void UpdateCommandStates();
    // Copy to Right (`destination` 1) or Copy to Left (0) of the selected rows.
    void CopyToOtherPane(int destination);
    // The file commands of one pane (kSideLeft, kSideRight; Delete also kSideBoth); kAskUser asks
    // the side first.
    void DeleteRows(int side);
    // One selected row: its name is edited in place; several: the rename wizard on them.
    void RenameInPlace(int side);
    void MultiRename(int side);
    void NewFolder(int side);
    // Ctrl+V: text into a focused path box, else the clipboard's files into the selected folder.
    void Paste();
    // Ctrl+C / Ctrl+X: text of a focused path box, else the pane's rows as a file list.
    void CopyToClipboard(bool cut);
    // Drags, drops and the clipboard of the panes.
    PaneTransfer& Transfer() const { return *transfer_; }
    // The pane context menu and the commands that start other programs.
    PaneCommands& Commands() const { return *paneCommands_; }
    void Undo();
    void Redo();
    void ShowUndoHistory();
    void SetUndoEnabled(bool on);
    void ShowUndoInternals();
    // Tab is held down: Delete then keeps no backups.
    bool TabHeld() const;

    // Replaceable for tests: the folder chooser (title, start folder) -> chosen or empty.
    void SetFolderChooser(std::function<QString(const QString&, const QString&)> chooser) {
        folderChooser_ = std::move(chooser);
    }

    QAction* IncludeFoldersAction() const { return includeFoldersAction_; }
    QAction* LinkAction() const { return linkAction_; }
    QAction* PreferencesAction() const { return preferencesAction_; }
    QAction* FilterAction() const { return filterAction_; }
    QAction* EnableAutoRefreshAction() const { return enableAutoRefreshAction_; }
    QAction* DisableAutoRefreshAction() const { return disableAutoRefreshAction_; }
    QAction* RefreshIntervalAction() const { return refreshIntervalAction_; }
    QAction* SaveOutputAction() const { return saveOutputAction_; }
    QAction* LoggingAction() const { return loggingAction_; }
    QAction* CopyAction(int destination) const { return copyActions_[destination]; }
    QAction* DeleteAction() const { return deleteAction_; }
    QAction* RenameAction() const { return renameAction_; }
    QAction* NewFolderAction(int side) const { return newFolderActions_[side]; }
    QAction* PasteAction() const { return pasteAction_; }
    QAction* UndoAction() const { return undoAction_; }
    QAction* RedoAction() const { return redoAction_; }
    QAction* AvailableUndosAction() const { return availableUndosAction_; }
    QAction* EnableUndoAction() const { return enableUndoAction_; }
    QAction* UndoInternalsAction() const { return undoInternalsAction_; }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void MakeRoot(int side, const DiffItem& item);
    void BuildMenus();
    void BuildPathBar();
    void LayoutBars(int halfWidth);
    void ShowError(const std::string& text);
    void FocusList();
    void FillCombosFromMru();
    void StartAutoRefresh(const RefreshClock* clock);
    void BuildEditMenu();
    void BuildFileCommands(QMenu* menu);
    // A window-wide key without a menu entry.
    QAction* AddKey(const QKeySequence& key, std::function<void()> run);

    SettingsStore* store_;
    std::unique_ptr<Prompter> ownPrompter_;
    Prompter* prompter_;
    std::unique_ptr<ProgressFactory> ownProgressFactory_;
    ProgressFactory* progressFactory_ = nullptr;
    std::unique_ptr<RefreshClock> ownClock_;
    CQuillonView* view_ = nullptr;
    CDropCombo* combos_[2] = {};
    QLabel* statusPaths_[2] = {};
    QAction* reloadActions_[2] = {};
    QAction* includeFoldersAction_ = nullptr;
    QAction* linkAction_ = nullptr;
    // The binder of "Render to PDF...", made at first use and shown again later.
    QDialog* pdfBinder_ = nullptr;
    // The selected rows of pane `side` to PDF; kAskUser takes each row from the side that has it.
    void OnRenderPdf(int side);
    QAction* preferencesAction_ = nullptr;
    QAction* filterAction_ = nullptr;
    QAction* enableAutoRefreshAction_ = nullptr;
    QAction* disableAutoRefreshAction_ = nullptr;
    QAction* refreshIntervalAction_ = nullptr;
    QAction* saveOutputAction_ = nullptr;
    QMenu* pdfMenu_ = nullptr;
    QAction* loggingAction_ = nullptr;
    QAction* copyActions_[2] = {};
    QAction* deleteAction_ = nullptr;
    QAction* renameAction_ = nullptr;
    QAction* newFolderActions_[2] = {};
    QAction* pasteAction_ = nullptr;
    QAction* undoAction_ = nullptr;
    QAction* redoAction_ = nullptr;
    QAction* availableUndosAction_ = nullptr;
    QAction* enableUndoAction_ = nullptr;
    QAction* undoInternalsAction_ = nullptr;
    std::unique_ptr<ReplaceAsker> ownReplaceAsker_;
    ReplaceAsker* replaceAsker_ = nullptr;
    TabHeldFilter* tabHeld_ = nullptr;
    PaneTransfer* transfer_ = nullptr;
    PaneCommands* paneCommands_ = nullptr;
    QtTimerPort* timerPort_ = nullptr;
    std::unique_ptr<AutoRefreshTimer> autoRefresh_;
    std::function<QString(const QString&, const QString&)> folderChooser_;
    std::function<int(const QString&, int)> sideChooser_;
};

}  // namespace quillon
