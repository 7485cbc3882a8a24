// The main view: one list whose columns form a left and a right half, one row per DiffItem of
// the comparison it owns, with the tree keys, the difference navigation and the link mode.
#pragma once

#include <QTableView>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/Comparison.h"
#include "core/ComparisonObserver.h"
#include "core/Refresh.h"
#include "platform/SiblingLaunch.h"
#include "ui/ViewSettings.h"

namespace quillon {

class DiffListModel;
class DiffRowDelegate;
class Launcher;
class Prompter;
class SettingsStore;

inline constexpr const char* kLogBaseName = "Quillon";
inline constexpr const char* kLogExtension = "log";
inline constexpr const char* kSideLogExtension = "txt";
inline constexpr const char* kEditorExe = "Scrivlet.exe";
inline constexpr const char* kViewerExe = "Panorel.exe";

inline constexpr const char* kSetAsRootQuestion =
    "Please select which side of the selected item as a root.";
inline constexpr int kTipMaxChars = 79;

enum class NavTarget {
    kNextDiff,
    kPrevDiff,
    kNextAny,
    kPrevAny,
    kFirstDiff,
    kLastDiff,
    kFirstAny,
    kLastAny,
};

// "path" extended by "name": ".." goes one folder up, an empty part changes nothing.
std::string ExtendPath(const std::string& path, const std::string& name);
bool SamePathNoCase(const std::string& a, const std::string& b);

class CQuillonView : public QTableView, public ComparisonObserver, public RefreshView {
    Q_OBJECT

  public:
    // Without a store the defaults are used and nothing is written. Creating the view starts the
    // run: the log opens, old side logs are pruned, remembered answers are forgotten and the run
    // tag of the backups is taken.
    CQuillonView(SettingsStore* store, Prompter* prompter, QWidget* parent = nullptr);
    ~CQuillonView() override;

    Comparison& GetComparison() { return comparison_; }
    DiffListModel& Model() { return *model_; }
    const ViewSettings& Settings() const { return settings_; }
    SettingsStore* Store() const { return store_; }
    Prompter* GetPrompter() const { return prompter_; }
    // The digits of the run stamp, taken once when the view was created.
    const std::string& RunTag() const { return runTag_; }

    // The folders of the two sides and the side the next opened folder fills (2 = the left,
    // after the right one was filled).
    const std::string& Path(int side) const { return paths_[side]; }
    int NextSide() const { return nextSide_; }
    void SetNextSide(int side) { nextSide_ = side; }
    // Opens a folder (or a missing path) into the next side and compares again; a file is handed
    // to the file opener and gives false.
    bool OpenPath(const std::string& path);
    // Clears the comparison, both paths and the next side.
    void ResetComparison();
    void SetFilterState(const FilterState& filter);

    void OnEnterItem(int row);
    // Expands a collapsed folder row or collapses an expanded one.
    void ToggleFolder(int row, bool recurse);
    // The ".." row: both sides one folder up.
    void GoUp();
    bool IsDifferenceRow(const DiffItem& item) const;
    // The target row of a navigation command, or -1 when the selection stays.
    int FindTarget(NavTarget target) const;
    void Navigate(NavTarget target);
    void SetIncludeFoldersForDiffs(bool include);
    bool IncludeFoldersForDiffs() const { return settings_.includeFoldersForDiffs; }
    void SetGridlines(bool on);
    // The log switch; the choice is stored at once.
    void SetLogging(bool on);
    bool Logging() const { return settings_.logEnabled != 0; }

    // F6: the preferences dialog, then the list redone with the new columns and rules.
    void OnPreferences();
    // F3: the display filter dialog, then the pair read afresh. True on OK.
    bool OnFilter();
    // The report dialog on the rows shown; the written file opens in the viewer.
    void OnSaveOutputAsText();

    // 0 left, 1 right, 2 both, -1 none.
    int AskWhichSide(int allowed, bool firstSelectedOnly, bool keepDotDot,
                     const std::string& question);
    void SetAsRoot();
    // The selected folder becomes the compared root of one side, without the side question.
    void MakeCurrentFolderRoot(int side);

    void SetLinkMode(bool on);
    bool LinkMode() const { return linkMode_; }
    // 0 waiting for the first entry, 1 for the second.
    int LinkStage() const { return linkStage_; }
    void LinkClick(const QPoint& viewportPos);

    bool EscArmed() const { return escArmed_; }
    int HalfWidth() const { return halfWidth_; }
    // Selected rows in ascending order.
    std::vector<int> SelectedRows() const;
    void SelectOnly(int row);
    // Text of the tooltip for a cell, empty when the cell text fits.
    QString TipText(const QModelIndex& index) const;

    // Replaceable for tests and for the launcher of the application: the side question, the
    // opening of one or two files, and the start of a second instance on two folders.
    void SetSideChooser(std::function<int(const QString& question, int allowed)> chooser) {
        sideChooser_ = std::move(chooser);
    }
    void SetFileOpener(std::function<void(const std::vector<std::string>& files)> opener) {
        fileOpener_ = std::move(opener);
    }
    void SetInstanceStarter(std::function<void(const std::string&, const std::string&)> starter) {
        instanceStarter_ = std::move(starter);
    }
    // Where the sibling tools are started and how they are found (exe name -> path, empty when
    // not installed). The defaults are the process launcher and LocateTool.
    void SetLauncher(Launcher* launcher) { launcher_ = launcher; }
    void SetToolLocator(std::function<std::string(std::string_view exe)> locator) {
        toolLocator_ = std::move(locator);
    }
    // Hands one or two files to the text diff editor, or to the viewer when the first is binary;
    // a second file of the other kind stays out. True when a tool was started.
    bool LaunchFiles(const std::vector<std::string>& files, SiblingLaunchMode mode);
    // The viewer on one file (the written report); false when it could not be started.
    bool ViewFile(const std::string& path);

    // ComparisonObserver
    void SetWaitCursor(bool on) override;
    void BeginBatchUpdate() override;
    void EndBatchUpdate() override;
    void ClearList() override;
    void FillListFromTree() override;
    void InsertChildRows(DiffItem* item, int row) override;
    void DeleteDescendantRows(DiffItem* item, int row) override;
    void ReselectRow(DiffItem* item, int row) override;
    void ShowStatusPaths(const std::string& left, const std::string& right) override;
    void DisarmEscExit() override { escArmed_ = false; }

    // F5: patch the loaded tree from disk, redraw when something changed. Ctrl+F5: read the
    // opened pair afresh.
    void RefreshNow() { refresh_.AutoRefresh(); }
    void Rescan() { refresh_.ReloadComparison(); }
    Refresh& GetRefresh() { return refresh_; }

    // RefreshView
    std::string OpenedPath(int side) const override { return paths_[side]; }
    void ClearOpenedPath(int side) override { paths_[side].clear(); }
    void ClearStatusPane(int side) override;
    int SelectedRow() const override;
    void SelectRow(int row) override;
    void FreezeList(bool frozen) override { setUpdatesEnabled(!frozen); }
    void RefillRows() override;
    void Repaint() override { viewport()->update(); }
    void SuspendPathBoxes(bool suspended) override { emit batchUpdate(suspended); }
    void RemoveRows(DiffItem* item) override;

  signals:
    void statusPathsChanged(const QString& left, const QString& right);
    void statusPaneCleared(int side);
    void pathForCombo(const std::string& path, int side);
    void exitRequested();
    void batchUpdate(bool begin);
    void halfWidthChanged(int halfWidth);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void StartRun();
    void ApplyFont();
    std::string FindTool(std::string_view exe) const;
    void ApplyColumnWidths();
    bool CompareCurrentPaths(int progressOption);
    bool HandleTreeKey(QKeyEvent* event);
    void HandleEscape();
    // The name cell whose expand glyph lies under the point, or -1.
    int GlyphRowAt(const QPoint& viewportPos, int* side) const;
    int SideAtX(int viewportX) const;
    void SetRootPath(int side, const DiffItem& item);
    void MakeRoot(int side, const DiffItem& item);

    SettingsStore* store_;
    Prompter* prompter_;
    ViewSettings settings_;
    Comparison comparison_;
    Refresh refresh_;
    DiffListModel* model_;
    DiffRowDelegate* delegate_;
    std::string paths_[2];
    int nextSide_ = 0;
    int halfWidth_ = 0;
    bool escArmed_ = false;
    int waitCursorDepth_ = 0;
    bool linkMode_ = false;
    int linkStage_ = 0;
    bool linkIsFile_ = false;
    std::string linkPaths_[2];
    std::function<int(const QString&, int)> sideChooser_;
    std::function<void(const std::vector<std::string>&)> fileOpener_;
    std::function<void(const std::string&, const std::string&)> instanceStarter_;
    Launcher* launcher_ = nullptr;
    std::function<std::string(std::string_view)> toolLocator_;
    std::string runTag_;
};

}  // namespace quillon
