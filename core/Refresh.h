// Brings a loaded comparison up to date with the disk without reading it afresh: only the levels
// already loaded are listed again, the tree is patched in place, every status is decided again,
// and the list is redrawn only when something changed.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "core/FilterState.h"

namespace quillon {

class Comparison;
class ComparisonObserver;
struct DiffItem;

inline constexpr const char* kLogEnterAutoRefresh = "Entering AutoRefresh()...";
inline constexpr const char* kLogLeaveAutoRefresh = "Leaving AutoRefresh()...";
inline constexpr const char* kLogChangesDetected =
    "1 or more changes detected during auto-refresh...";
inline constexpr const char* kLogNoChanges =
    "No changes detected during directory re-scanning. Skipping Refreshing...";
inline constexpr const char* kLogEnterSemiRefresh = "Entering SemiRefresh()...";
inline constexpr const char* kLogLeaveSemiRefresh = "Leaving SemiRefresh()...";
inline constexpr const char* kLogEnterRefresh2Dirs = "Entering Refresh2Dirs()...";
inline constexpr const char* kLogLeaveRefresh2Dirs = "Leaving Refresh2Dirs()...";
inline constexpr const char* kLogEnterRescan = "Entering RescanFileList()...";
inline constexpr const char* kLogLeaveRescan = "Leaving RescanFileList()...";

// What refresh needs from the window beyond ComparisonObserver: the frame's opened folders, the
// selection, and redrawing rows without rebuilding the columns.
class RefreshView {
  public:
    virtual ~RefreshView() = default;

    // The folder the frame opened on that side (leftPath / rightPath); empty when none.
    virtual std::string OpenedPath(int side) const = 0;
    // The opened folder of that side is gone: the frame forgets it.
    virtual void ClearOpenedPath(int side) = 0;
    // Status-bar pane 1 (left) or 2 (right).
    virtual void ClearStatusPane(int /*side*/) {}

    // -1 when no row is selected.
    virtual int SelectedRow() const { return -1; }
    // Selects and focuses the row (the list clamps a row past its end).
    virtual void SelectRow(int /*row*/) {}
    virtual void FreezeList(bool /*frozen*/) {}
    // One row per shown item of the tree, depth-first; the columns stay as they are.
    virtual void RefillRows() {}
    virtual void Repaint() {}
    // Suspends or resumes redrawing of the frame's two path boxes.
    virtual void SuspendPathBoxes(bool /*suspended*/) {}
    // The item and its descendants are about to be freed: drop any row that refers to them.
    virtual void RemoveRows(DiffItem* /*item*/) {}
};

class Refresh {
  public:
    Refresh(Comparison& comparison, RefreshView& view, ComparisonObserver* observer = nullptr);
    ~Refresh();

    // Set while printing or print preview is prepared; refresh does nothing meanwhile.
    bool printingStarted = false;

    // Patches the tree from disk and decides every status again; does not redraw. True when
    // anything shown may have changed.
    bool Refresh2Dirs();
    // Refresh2Dirs, then rebuilds the rows (keeping the selection) only when something changed.
    void AutoRefresh();
    // Refresh2Dirs, then always rebuilds the rows and keeps the selection.
    void SemiRefresh();
    // Reads the opened pair afresh, keeping the selected row number.
    void ReloadComparison();
    // The filter dialog closed with OK: the comparison takes the new filter and is read afresh.
    void ReloadWithFilter(const FilterState& filter, bool readWholeTrees);

    // The patch walk over one loaded folder and, recursively, its loaded subfolders.
    void RescanFileList(DiffItem* folder, bool& changed);
    // The file part of the walk for the folder holding `firstFile` (any child of that folder).
    void RescanFolderFiles(DiffItem* firstFile, bool& changed);

    // File rows present on both sides (status same or different): auto-refresh runs only while
    // there are few of them.
    int CountBothSidedFileRows() const;

  private:
    struct FolderScan;
    class ListingCache;

    // Lists every folder the walk below `root` will list, on the reader threads; `tick`, when
    // set, is called on this one meanwhile.
    void ReadAhead(const DiffItem* root, const std::function<void()>& tick);
    // FolderHasContent, answered from the listings read ahead where they hold the folder.
    bool HasContent(const std::string& path) const;

    void ListSides(FolderScan& scan, bool& changed, bool withFolders);
    void CheckFolderChildren(FolderScan& scan, bool& changed);
    void InsertNewFiles(FolderScan& scan);
    void CheckFileChildren(FolderScan& scan, bool& changed);
    bool CheckVanishedFolder(FolderScan& scan, DiffItem* item, bool& changed);
    void ClearSideOfContents(DiffItem* folder, int side);
    void Remove(DiffItem* item);

    Comparison& comparison_;
    RefreshView& view_;
    ComparisonObserver* observer_;
    // Live during Refresh2Dirs only.
    std::unique_ptr<ListingCache> ahead_;
};

}  // namespace quillon
