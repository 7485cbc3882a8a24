// The main view: one list whose columns form a left and a right half, one row per DiffItem of
// the document's comparison. It shows the rows and routes the keys and clicks: the tree keys,
// the difference navigation and the link mode.
#pragma once

#include <QPointer>
#include <QTableView>
#include <string>
#include <vector>

#include "doc/CQuillonDoc.h"
#include "doc/Navigation.h"
#include "doc/ToolLaunch.h"
#include "ui/EscExit.h"
#include "ui/LinkMode.h"
#include "ui/ViewSettings.h"

namespace quillon {

class DiffListModel;
class DiffRowDelegate;
class Prompter;
class SettingsStore;

class CQuillonView : public QTableView, public ComparisonObserver, public RefreshView {
    Q_OBJECT

  public:
    // Without a store the defaults are used and nothing is written.
    CQuillonView(SettingsStore* store, Prompter* prompter, QWidget* parent = nullptr);
    ~CQuillonView() override;

    CQuillonDoc& Doc() { return doc_; }
    Comparison& GetComparison() { return doc_.GetComparison(); }
    DiffListModel& Model() { return *model_; }
    ViewSettings& Settings() { return settings_; }
    ToolLaunch& Tools() { return tools_; }

    // Clears the comparison, both paths and the next side.
    void ResetComparison();
    void SetFilterState(const FilterState& filter);

    void OnEnterItem(int row);
    // Expands a collapsed folder row or collapses an expanded one.
    void ToggleFolder(int row, bool recurse);
    // The ".." row: both sides one folder up.
    void GoUp();
    void Navigate(NavTarget target);
    LinkMode& Link() { return link_; }

    bool EscArmed() const { return esc_->Armed(); }
    int HalfWidth() const { return halfWidth_; }
    // Selected rows in ascending order.
    std::vector<int> SelectedRows() const;
    void SelectOnly(int row);
    // Selects exactly these rows; the first becomes the current one.
    void SelectRows(const std::vector<int>& rows);
    // Opens the in-place editor on the name of `row` in pane `side`; false when the row has no
    // name there. The end of the edit arrives as nameEdited, unless it was cancelled or the rows
    // changed under it.
    bool EditName(int row, int side);
    bool Editing() const { return editItem_ != nullptr; }
    // Text of the tooltip for a cell, empty when the cell text fits.
    QString TipText(const QModelIndex& index) const;
    void ApplyFont();

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
    void DisarmEscExit() override { esc_->Disarm(); }

    // RefreshView
    std::string OpenedPath(int side) const override { return doc_.Path(side); }
    void ClearOpenedPath(int side) override { doc_.ClearPath(side); }
    void ClearStatusPane(int side) override { emit statusPaneCleared(side); }
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
    void exitRequested();
    void batchUpdate(bool begin);
    void halfWidthChanged(int halfWidth);
    // The in-place edit of `item`'s name in pane `side` ended with `text`.
    void nameEdited(DiffItem* item, int side, const QString& text);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    // Tab stays in the list: held down, it makes Delete keep no backups.
    bool focusNextPrevChild(bool next) override;
    void commitData(QWidget* editor) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

  private:
    void ApplyColumnWidths();
    bool HandleTreeKey(QKeyEvent* event);
    void HandleEscape();
    // The rows changed under an open editor: its row may hold another item now, so the edit ends
    // without renaming anything.
    void DropEdit(const DiffItem* removed = nullptr);

    SettingsStore* store_;
    Prompter* prompter_;
    ViewSettings settings_;
    CQuillonDoc doc_;
    ToolLaunch tools_;
    DiffListModel* model_;
    DiffRowDelegate* delegate_;
    int halfWidth_ = 0;
    EscExit* esc_;
    int waitCursorDepth_ = 0;
    LinkMode link_;
    DiffItem* editItem_ = nullptr;
    int editSide_ = 0;
    QPointer<QWidget> editor_;
    QString editText_;
    bool editCommitted_ = false;
};

}  // namespace quillon
