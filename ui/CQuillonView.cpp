#include "ui/CQuillonView.h"

#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolTip>
#include <algorithm>

#include "platform/Log.h"
#include "platform/SettingsCatalogue.h"
#include "platform/SettingsStore.h"
#include "ui/BusyGate.h"
#include "ui/CProgressWnd.h"
#include "ui/DiffListModel.h"
#include "ui/DiffRowDelegate.h"
#include "ui/EscExit.h"

namespace quillon {

CQuillonView::CQuillonView(SettingsStore* store, Prompter* prompter, QWidget* parent)
    : QTableView(parent),
      store_(store),
      prompter_(prompter),
      doc_(this, *this),
      tools_(prompter),
      model_(new DiffListModel(this)),
      link_(*this, *model_, tools_) {
    doc_.SetFileHandler([this](const std::string& path) {
        tools_.LaunchFiles({path}, SiblingLaunchMode::kDocumentOpen);
    });
    if (store_) {
        settings_.Load(*store_);
        settings_.LoadWidths(*store_);
        doc_.Journal().enabled = ReadSetting(*store_, settings::kEnableUndo) != 0;
    }
    GetComparison().options = settings_.ToComparisonOptions();
    model_->SetColumns(settings_.ColumnsPerSide(), settings_.detailTimestamp != 0);
    delegate_ = new DiffRowDelegate(&settings_, &GetComparison().filter.filterActive, this);
    setModel(model_);
    setItemDelegate(delegate_);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setSectionsMovable(false);
    horizontalHeader()->setHighlightSections(false);
    setShowGrid(settings_.gridlines);
    setGridStyle(Qt::SolidLine);
    ApplyFont();
    esc_ = new EscExit(this);
}

CQuillonView::~CQuillonView() {
    while (waitCursorDepth_ > 0) {
        SetWaitCursor(false);
    }
    ClearList();
}

void CQuillonView::ApplyFont() {
    QFont listFont = font();
    if (!settings_.fontName.empty()) {
        listFont.setFamily(QString::fromStdString(settings_.fontName));
    }
    if (int pixels = settings_.FontPixels(); pixels > 0) {
        listFont.setPixelSize(pixels);
    }
    setFont(listFont);
    int rowHeight = std::max(QFontMetrics(listFont).height() + 4, ItemIcons::kSize + 2);
    verticalHeader()->setDefaultSectionSize(rowHeight);
    verticalHeader()->setMinimumSectionSize(rowHeight);
}

void CQuillonView::ApplyColumnWidths() {
    int perSide = model_->ColumnsPerSide();
    int optional = 0;
    for (int c = 1; c < perSide; ++c) {
        optional += settings_.OptionalWidth(model_->KindOf(c));
    }
    int nameWidth = std::max(halfWidth_ - optional, 40);
    for (int side = 0; side < 2; ++side) {
        for (int c = 0; c < perSide; ++c) {
            int width = c == 0 ? nameWidth : settings_.OptionalWidth(model_->KindOf(c));
            setColumnWidth(side * perSide + c, width);
        }
    }
}

void CQuillonView::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    halfWidth_ = viewport()->width() / 2;
    ApplyColumnWidths();
    emit halfWidthChanged(halfWidth_);
}

void CQuillonView::ResetComparison() {
    doc_.Reset();
    ClearList();
    ShowStatusPaths(std::string(), std::string());
}

void CQuillonView::SetFilterState(const FilterState& filter) {
    GetComparison().filter = filter;
    viewport()->update();
}

void CQuillonView::OnEnterItem(int row) {
    Log("Entering ENTERkeyOnThisItemID()... with selected item #%d", row);
    DiffItem* item = model_->ItemAt(row);
    if (!item) {
        Log("pItem retrieved using item #d is NULL... Returning...");
        return;
    }
    Log("Double-click/ENTER key on item [%d] (= 1st Dir[%s], 2nd Dir[%s])", row,
        item->Dir(kSideLeft).c_str(), item->Dir(kSideRight).c_str());
    if (item->IsDotDot()) {
        GoUp();
    } else if (!item->isFile) {
        ToggleFolder(row, false);
    } else {
        std::vector<std::string> files;
        for (int side = 0; side < 2; ++side) {
            if (item->Has(side)) {
                files.push_back(item->FullPath(side));
            }
        }
        tools_.OpenFiles(files);
    }
    Log("Leaving ENTERkeyOnThisItemID()...");
}

void CQuillonView::ToggleFolder(int row, bool recurse) {
    DiffItem* item = model_->ItemAt(row);
    if (!item || item->isFile || item->IsDotDot()) {
        return;
    }
    esc_->Disarm();
    SetWaitCursor(true);
    if (item->expanded[kSideLeft] || item->expanded[kSideRight]) {
        GetComparison().CollapseFolder(item, row);
    } else {
        GetComparison().ExpandFolderWithProgress(item, row, recurse);
    }
    SetWaitCursor(false);
    row = item->row;
    model_->RowChanged(row);
    SelectOnly(row);
}

void CQuillonView::GoUp() {
    if (doc_.GoUp() && model_->RowCount() > 0) {
        SelectOnly(0);
    }
}

std::vector<int> CQuillonView::SelectedRows() const {
    std::vector<int> rows;
    if (!selectionModel()) {
        return rows;
    }
    for (const QModelIndex& index : selectionModel()->selectedRows()) {
        rows.push_back(index.row());
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

void CQuillonView::Navigate(NavTarget target) {
    std::vector<int> selected = SelectedRows();
    int current = currentIndex().isValid() ? currentIndex().row() : -1;
    int first = selected.empty() ? current : selected.front();
    int last = selected.empty() ? current : selected.back();
    int row = FindNavTarget(model_->Rows(), first, last, target, settings_.includeFoldersForDiffs);
    if (row >= 0) {
        SelectOnly(row);
    }
}

void CQuillonView::SelectOnly(int row) {
    if (row < 0 || row >= model_->RowCount()) {
        return;
    }
    QModelIndex index = model_->index(row, 0);
    selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(index);
}

void CQuillonView::SelectRows(const std::vector<int>& rows) {
    QItemSelection selection;
    int first = -1;
    for (int row : rows) {
        if (row < 0 || row >= model_->RowCount()) {
            continue;
        }
        if (first < 0) {
            first = row;
        }
        selection.select(model_->index(row, 0), model_->index(row, model_->columnCount() - 1));
    }
    if (first < 0) {
        return;
    }
    selectionModel()->setCurrentIndex(model_->index(first, 0), QItemSelectionModel::NoUpdate);
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    scrollTo(model_->index(first, 0));
}

bool CQuillonView::EditName(int row, int side) {
    DiffItem* item = model_->ItemAt(row);
    if (!item || item->IsDotDot() || !item->Has(side)) {
        return false;
    }
    DropEdit();
    const QModelIndex index = model_->index(row, side * model_->ColumnsPerSide());
    SelectOnly(row);
    scrollTo(index);
    edit(index, QAbstractItemView::AllEditTriggers, nullptr);
    for (auto* editor : viewport()->findChildren<QLineEdit*>(Qt::FindDirectChildrenOnly)) {
        if (!editor->isHidden()) {
            editor_ = editor;
        }
    }
    if (!editor_) {
        return false;
    }
    editItem_ = item;
    editSide_ = side;
    editCommitted_ = false;
    return true;
}

void CQuillonView::commitData(QWidget* editor) {
    if (auto* line = qobject_cast<QLineEdit*>(editor); line && editor == editor_) {
        editText_ = line->text();
        editCommitted_ = true;
    }
}

void CQuillonView::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    // Tab in the editor must not open the next cell's editor: one rename per edit.
    if (hint == QAbstractItemDelegate::EditNextItem ||
        hint == QAbstractItemDelegate::EditPreviousItem) {
        hint = QAbstractItemDelegate::NoHint;
    }
    DiffItem* item = editor == editor_ ? editItem_ : nullptr;
    const bool committed = editCommitted_;
    const QString text = editText_;
    const int side = editSide_;
    if (editor == editor_) {
        editItem_ = nullptr;
        editor_ = nullptr;
        editCommitted_ = false;
    }
    QTableView::closeEditor(editor, hint);
    setFocus();
    if (item && committed) {
        emit nameEdited(item, side, text);
    }
}

void CQuillonView::DropEdit(const DiffItem* removed) {
    if (!editItem_) {
        return;
    }
    if (removed) {
        const DiffItem* up = editItem_;
        while (up && up != removed) {
            up = up->parent;
        }
        if (!up) {
            return;
        }
    }
    editItem_ = nullptr;
    editCommitted_ = false;
    if (QWidget* editor = editor_) {
        editor_ = nullptr;
        QTableView::closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
    }
}

bool CQuillonView::focusNextPrevChild(bool next) {
    return next ? true : QTableView::focusNextPrevChild(next);
}

void CQuillonView::mousePressEvent(QMouseEvent* event) {
    if (link_.On() && event->button() == Qt::LeftButton) {
        link_.Click(event->position().toPoint());
        return;
    }
    if (event->button() == Qt::LeftButton) {
        int row = DiffRowDelegate::GlyphRowAt(*this, *model_, event->position().toPoint());
        if (row >= 0) {
            ToggleFolder(row, false);
            return;
        }
    }
    QTableView::mousePressEvent(event);
}

void CQuillonView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (link_.On() || event->button() != Qt::LeftButton) {
        return;
    }
    if (DiffRowDelegate::GlyphRowAt(*this, *model_, event->position().toPoint()) >= 0) {
        return;
    }
    QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid()) {
        OnEnterItem(index.row());
    }
}

bool CQuillonView::HandleTreeKey(QKeyEvent* event) {
    if (event->key() != Qt::Key_Left && event->key() != Qt::Key_Right) {
        return false;
    }
    if (event->modifiers() & (Qt::AltModifier | Qt::ShiftModifier)) {
        return false;
    }
    int row = currentIndex().isValid() ? currentIndex().row() : -1;
    DiffItem* item = model_->ItemAt(row);
    if (!item || item->IsDotDot()) {
        return true;
    }
    bool expanded = !item->isFile && (item->expanded[kSideLeft] || item->expanded[kSideRight]);
    if (event->key() == Qt::Key_Right) {
        if (item->isFile) {
            return true;
        }
        if (expanded) {
            SelectOnly(std::min(row + 1, model_->RowCount() - 1));
        } else {
            bool recurse =
                (event->modifiers() & Qt::ControlModifier) || GetComparison().readWholeTrees;
            ToggleFolder(row, recurse);
        }
        return true;
    }
    if (expanded) {
        ToggleFolder(row, false);
    } else if (item->parent && item->parent->parent) {
        SelectOnly(item->parent->row);
    }
    return true;
}

void CQuillonView::HandleEscape() {
    if (QToolTip::isVisible()) {
        QToolTip::hideText();
    } else if (esc_->Press()) {
        emit exitRequested();
    }
}

void CQuillonView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        HandleEscape();
        return;
    }
    esc_->Disarm();
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // The Enter that ends a name edit comes on here once the editor has seen it: it ends
        // the edit and must not open the row as well.
        if (state() == QAbstractItemView::EditingState) {
            event->ignore();
            return;
        }
        if (currentIndex().isValid()) {
            OnEnterItem(currentIndex().row());
        }
        return;
    }
    if (HandleTreeKey(event)) {
        return;
    }
    QTableView::keyPressEvent(event);
}

QString CQuillonView::TipText(const QModelIndex& index) const {
    return DiffRowDelegate::CellTip(*this, *model_, index);
}

bool CQuillonView::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        QString tip = TipText(indexAt(help->pos()));
        if (tip.isEmpty()) {
            QToolTip::hideText();
        } else {
            QToolTip::showText(help->globalPos(), tip, viewport());
        }
        return true;
    }
    return QTableView::viewportEvent(event);
}

void CQuillonView::SetWaitCursor(bool on) {
    // The wait cursor marks long work; events may still be pumped under it (a progress window, a
    // question), so the window takes no command until it goes.
    if (on) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        BusyGate::Enter();
        ++waitCursorDepth_;
    } else if (waitCursorDepth_ > 0) {
        QApplication::restoreOverrideCursor();
        BusyGate::Leave();
        --waitCursorDepth_;
    }
}

void CQuillonView::BeginBatchUpdate() {
    setUpdatesEnabled(false);
    emit batchUpdate(true);
}

void CQuillonView::EndBatchUpdate() {
    setUpdatesEnabled(true);
    emit batchUpdate(false);
    viewport()->update();
}

void CQuillonView::ClearList() {
    DropEdit();
    scrollToTop();
    model_->Clear();
}

void CQuillonView::FillListFromTree() {
    DropEdit();
    model_->SetColumns(settings_.ColumnsPerSide(), settings_.detailTimestamp != 0);
    // Rows arriving in blocks let the event loop turn between them, by the clock; the window
    // takes no command until the last block is in.
    EventPump pump;
    model_->Fill(GetComparison().rootItem, [&pump] { pump.Update({}, 0); });
    ApplyColumnWidths();
}

void CQuillonView::InsertChildRows(DiffItem* item, int row) {
    model_->InsertChildRows(item, row);
}

void CQuillonView::DeleteDescendantRows(DiffItem* item, int row) {
    if (editItem_ != item) {
        DropEdit(item);
    }
    model_->RemoveDescendantRows(item, row);
}

void CQuillonView::ReselectRow(DiffItem* item, int row) {
    if (model_->ItemAt(row) != item) {
        DropEdit();
        model_->Fill(GetComparison().rootItem);
        row = item->row;
    }
    model_->RowChanged(row);
    SelectOnly(row);
}

void CQuillonView::ShowStatusPaths(const std::string& left, const std::string& right) {
    emit statusPathsChanged(QFile::decodeName(QByteArray::fromStdString(left)),
                            QFile::decodeName(QByteArray::fromStdString(right)));
}

int CQuillonView::SelectedRow() const {
    std::vector<int> rows = SelectedRows();
    if (!rows.empty()) {
        return rows.front();
    }
    return currentIndex().isValid() ? currentIndex().row() : -1;
}

void CQuillonView::SelectRow(int row) {
    SelectOnly(std::min(row, model_->RowCount() - 1));
}

void CQuillonView::RefillRows() {
    DropEdit();
    model_->Fill(GetComparison().rootItem);
}

void CQuillonView::RemoveRows(DiffItem* item) {
    DropEdit(item);
    model_->RemoveItemRows(item);
}

}  // namespace quillon
