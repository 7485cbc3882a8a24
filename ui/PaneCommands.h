// The pane context menu and the commands that reach outside the program from the panes: the
// sibling tools, the desktop's file manager and opener, favourite applications, Send To, the
// archive tool, file properties and the copy-diff-files export. A command that cannot run is
// greyed out with the reason in its tooltip.
#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/PaneLaunch.h"

class QAction;
class QMenu;
class QWidget;

namespace quillon {

class CMainFrame;
class CQuillonView;
class ProgressFactory;
class Prompter;
class SettingsStore;
struct DiffItem;

inline constexpr const char* kMenuExpandAll = "E&xpand All\tCtrl+Right";
inline constexpr const char* kMenuSetRoot = "Set as a &Root\t[Ctrl+/Shft+] Ins";
inline constexpr const char* kMenuExplorer = "Windows Explorer\tCtrl+E";
inline constexpr const char* kMenuCopyToRight = "Copy to Right\tAlt+Right";
inline constexpr const char* kMenuCopyToLeft = "Copy to Left\tAlt+Left";
inline constexpr const char* kMenuSendTo = "Send To";
inline constexpr const char* kMenuExtractHere = "Extract to here";
inline constexpr const char* kMenuAddToZip = "Add to Zip file...";
inline constexpr const char* kMenuRenderPdf = "Render to PDF...\tCtrl/Shft+F8";
inline constexpr const char* kMenuNativeApp = "Open with &Native App\tCtrl/Shft+F12";
inline constexpr const char* kMenuFavoriteApp = "Open with &Favorite App";
inline constexpr const char* kMenuCopyToClipboard = "&Copy to Clipboard\tCtrl+C";
inline constexpr const char* kMenuPasteHere = "&Paste\tCtrl+V";
inline constexpr const char* kMenuSearch = "Search...\tCtrl+H";
inline constexpr const char* kMenuProperties = "Properties";
inline constexpr const char* kMenuViewWithViewer = "View with &Panorel";
inline constexpr const char* kMenuViewWithHex = "View with &Nybblet";
inline constexpr const char* kMenuOpenExplorer = "Open \"Windows &Explorer\"";
inline constexpr const char* kMenuNonTextWith = "Open &Non-text file(s) with";
inline constexpr const char* kMenuNonTextTexts[2] = {"&Panorel", "&Hex Editor"};
inline constexpr const char* kMenuCopyText = "&Copy";
inline constexpr const char* kMenuCopyDiff = "Copy Diff &Files";
inline constexpr const char* kMenuCopyDiffTexts[3] = {
    "from Left Folder to...", "from Right Folder to...", "from Both Folders to..."};

// Tooltips of greyed-out items that are not about a missing tool.
inline constexpr const char* kWhyOneFolderRow = "Select a single folder row.";
inline constexpr const char* kWhyOneFileRow = "Select a single file row present in this pane.";
inline constexpr const char* kWhyNothingInPane = "No selected item is present in this pane.";
inline constexpr const char* kWhyNoSendTo = "No Send To entries in %s";
inline constexpr const char* kWhyNoPdf =
    "PDF rendition needs Ghostscript (gs) and the converter quillon-pdfconv.";
inline constexpr const char* kWhyPasteTarget = "Select the row to paste into.";
inline constexpr const char* kWhyNoFileList = "The clipboard holds no file list.";
inline constexpr const char* kWhyNoPair = "Select a single row with a file on both sides.";
inline constexpr const char* kWhyNotCompared = "Open a folder on both sides first.";

class PaneCommands : public QObject {
    Q_OBJECT

  public:
    // The tools are looked up here, once.
    PaneCommands(CMainFrame& frame, SettingsStore* store, Prompter& prompter,
                 ProgressFactory* progress);
    ~PaneCommands() override;

    PaneLaunch& Launch() { return *launch_; }

    // The context menu of `pane` for the selected rows; the caller owns it.
    QMenu* BuildMenu(int pane, QWidget* parent);
    // The Render to PDF command of a pane, when the program has one.
    void SetPdfRenderer(std::function<void(int pane)> render) { renderPdf_ = std::move(render); }
    // Replaceable for tests: the folder chooser (prompt, start folder) -> chosen or empty, and the
    // favourite chooser (file) -> the chosen entry or empty.
    void SetFolderChooser(std::function<QString(const QString&, const QString&)> chooser) {
        folderChooser_ = std::move(chooser);
    }
    void SetFavouriteChooser(std::function<std::string()> chooser) {
        favouriteChooser_ = std::move(chooser);
    }

    // ENTER on a file row: one side's file opened, both sides' files compared.
    bool OpenFiles(const std::vector<std::string>& files);
    void ExpandAll();
    bool OpenExplorer(int pane);
    // The viewer on the selected row's file (both sides' files when it has two).
    bool ViewWithViewer();
    bool ViewWithHexTool();
    // Edit > Copy: the selected rows as text, a tab after every cell and CR LF after every row.
    bool CopyRowsAsText();
    QAction* CopyTextAction() const { return copyTextAction_; }
    QAction* ViewerAction() const { return viewerAction_; }
    QAction* HexAction() const { return hexAction_; }
    QAction* ExplorerAction() const { return explorerAction_; }
    QAction* NonTextAction(int value) const { return nonTextActions_[value]; }
    bool Search(int pane);
    bool OpenNative(int pane);
    bool OpenFavourite(int pane);
    void ShowProperties(int pane);
    bool ExtractHere(int pane);
    bool AddToZip(int pane);
    // The copy-diff-files export from side 0, 1 or 2.
    void ExportDiffFiles(int side);
    QAction* CopyDiffAction(int side) const { return copyDiffActions_[side]; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    CQuillonView& View() const;
    const DiffItem* SingleRow() const;
    // The one selected file row present in `pane`, else null.
    const DiffItem* SingleFile(int pane) const;
    std::vector<const DiffItem*> RowsIn(int pane) const;
    std::string FolderFor(int pane) const;
    // The side a key works on: the pane that holds the focused row, the left one first.
    int KeyPane() const;
    void AddKeys();
    void AddCopyDiffMenu();
    void AddToolMenus();
    void UpdateToolStates();
    void ShowStop(const std::string& text);
    void ShowMenuAt(const QPoint& pos, const QPoint& globalPos);

    CMainFrame& frame_;
    // Compared by pointer in the filter: the viewport's last events arrive while the frame is being
    // torn down, when the frame can no longer be asked for its view.
    QPointer<QWidget> viewport_;
    SettingsStore* store_;
    Prompter& prompter_;
    ProgressFactory* progress_;
    std::unique_ptr<PaneLaunch> launch_;
    std::function<void(int)> renderPdf_;
    std::function<QString(const QString&, const QString&)> folderChooser_;
    std::function<std::string()> favouriteChooser_;
    QAction* copyDiffActions_[3] = {};
    QAction* viewerAction_ = nullptr;
    QAction* hexAction_ = nullptr;
    QAction* explorerAction_ = nullptr;
    QAction* copyTextAction_ = nullptr;
    QAction* nonTextActions_[2] = {};
    bool menuPending_ = false;
    QPoint pendingPos_;
};

}  // namespace quillon
